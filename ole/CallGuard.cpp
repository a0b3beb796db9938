#include "ole/CallGuard.h"

#include "ole/CallWatch.h"

#include <thread>

namespace ole {

namespace {

using std::chrono::milliseconds;

}  // namespace

std::optional<milliseconds> retryBusyAfter(milliseconds elapsed, const CallLimits& limits) {
    if (elapsed < milliseconds::zero() || elapsed + limits.busyRetry > limits.answer) return std::nullopt;
    return limits.busyRetry;
}

HRESULT callOut(const std::function<HRESULT()>& call) {
    const CallLimits limits = currentCallLimits();
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    };
    for (;;) {
        HRESULT result;
        {
            const CallWatch watch(limits.answer - elapsed());
            result = call();
        }
        // Only a rejected call is safe to send again: the callee never began it.
        if (result != RPC_E_CALL_REJECTED) return result;
        const std::optional<milliseconds> pause = retryBusyAfter(elapsed(), limits);
        if (!pause) return result;
        std::this_thread::sleep_for(*pause);
    }
}

bool givenUpUnanswered(HRESULT result) noexcept { return result == RPC_E_CALL_CANCELED; }

}  // namespace ole
