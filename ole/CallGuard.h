// How calls into the word processor's process are bounded. A word processor that is busy (starting,
// laying out, spooling, in use by the user) rejects calls and wants them sent again later; one that
// asks a question nobody can see never answers. A call is sent again while it is rejected as busy
// and given up once it has waited past the limit, busy retries included; it then fails like any
// other call.
#pragma once

#include "ole/Automation.h"

#include <chrono>
#include <functional>
#include <optional>

namespace ole {

struct CallLimits {
    // As long as the Writer bridge lets a call run before it ends the office.
    std::chrono::milliseconds answer{180000};
    // The pause before a call rejected as busy is sent again.
    std::chrono::milliseconds busyRetry{250};
};

// For a call rejected as busy `elapsed` after it was first sent: the pause before sending it again,
// or nothing when the pause would take it past the limit.
std::optional<std::chrono::milliseconds> retryBusyAfter(std::chrono::milliseconds elapsed, const CallLimits& limits);

// The limits of the calling thread's apartment: those of its CallGuard, else the defaults.
CallLimits currentCallLimits() noexcept;

// Guards the calling thread's apartment for the object's life. On Windows it registers a message
// filter with COM, which retries calls the callee rejects as busy and cancels a call past the limit;
// the apartment's previous filter comes back when it goes. Elsewhere calls stay in this process and
// it only sets the limits.
class CallGuard {
public:
    explicit CallGuard(CallLimits limits);
    ~CallGuard();
    CallGuard(const CallGuard&) = delete;
    CallGuard& operator=(const CallGuard&) = delete;
    bool filterRegistered() const noexcept { return m_filter != nullptr; }

private:
    CallLimits m_previousLimits;
    void* m_filter = nullptr;          // the filter registered here, on Windows
    void* m_previousFilter = nullptr;  // the one it replaced
};

// Makes one outgoing call within the apartment's limits: sends it again while the callee rejects it
// as busy (COM reports such a rejection only when its own retries through the filter have ended, or
// where it has no filter to ask), and on Windows has it cancelled once it runs past the limit
// (RPC_E_CALL_CANCELED). Returns the call's last result.
HRESULT callOut(const std::function<HRESULT()>& call);

// Whether a call's result says that it was given up unanswered: the callee no longer answers.
bool givenUpUnanswered(HRESULT result) noexcept;

}  // namespace ole
