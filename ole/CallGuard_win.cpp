// COM's side of the guard: an IMessageFilter for the apartment, and a watcher thread per outgoing call
// that wakes the waiting thread once the call has run past its limit.
#include "ole/CallGuard.h"

#include "ole/CallWatch.h"
#include "ole/ComObject_win.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace ole {

namespace {

using std::chrono::milliseconds;

thread_local std::optional<CallLimits> t_limits;

// A thread message that only makes COM's wait loop ask the filter again; removed after the call.
UINT wakeMessage() {
    static const UINT message = RegisterWindowMessageW(L"Quirella.CallWatch.Wake");
    return message;
}

}  // namespace

struct CallWatch::State {
    const DWORD thread = GetCurrentThreadId();
    std::mutex mutex;
    std::condition_variable finishedChanged;
    bool finished = false;
    std::atomic<bool> expired{false};
    std::thread watcher;
    State* outer = nullptr;  // the call this thread was waiting on when this one began, from a nested loop
};

namespace {

// The call this thread is waiting on, for the filter to see whether it has expired.
thread_local CallWatch::State* t_watched = nullptr;

class MessageFilter final : public ComObject<IMessageFilter, IID_IMessageFilter> {
public:
    explicit MessageFilter(CallLimits limits) : m_limits(limits) {}

    // This program serves nothing to other processes worth refusing.
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return SERVERCALL_ISHANDLED;
    }

    // The callee is busy: COM waits the returned milliseconds and sends the call again; -1 gives it up
    // and the call fails with RPC_E_CALL_REJECTED.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed, DWORD rejectType) override {
        if (rejectType != SERVERCALL_RETRYLATER && rejectType != SERVERCALL_REJECTED) return static_cast<DWORD>(-1);
        const std::optional<milliseconds> pause = retryBusyAfter(milliseconds(elapsed), m_limits);
        return pause ? static_cast<DWORD>(pause->count()) : static_cast<DWORD>(-1);
    }

    // A message came while a call is waiting: the call is cancelled once it has run past the limit.
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD elapsed, DWORD) override {
        const bool expired = t_watched && t_watched->expired.load();
        if (expired || milliseconds(elapsed) >= m_limits.answer) return PENDINGMSG_CANCELCALL;
        return PENDINGMSG_WAITDEFPROCESS;
    }

private:
    const CallLimits m_limits;
};

}  // namespace

CallLimits currentCallLimits() noexcept { return t_limits.value_or(CallLimits{}); }

CallGuard::CallGuard(CallLimits limits) : m_previousLimits(currentCallLimits()) {
    t_limits = limits;
    auto* filter = new MessageFilter(limits);
    IMessageFilter* previous = nullptr;
    if (SUCCEEDED(CoRegisterMessageFilter(filter, &previous))) {
        m_filter = filter;
        m_previousFilter = previous;
    } else {
        filter->Release();  // a multithreaded apartment takes no filter
    }
}

CallGuard::~CallGuard() {
    if (auto* filter = static_cast<IMessageFilter*>(m_filter)) {
        auto* previous = static_cast<IMessageFilter*>(m_previousFilter);
        IMessageFilter* ours = nullptr;
        CoRegisterMessageFilter(previous, &ours);
        if (ours) ours->Release();          // the apartment's reference
        if (previous) previous->Release();  // the one handed to us when ours went in
        filter->Release();
    }
    t_limits = m_previousLimits;
}

// The watcher: at the deadline the call is marked expired, and the waiting thread gets a message every
// so often from then on, so that COM's wait loop asks the filter, which cancels the call. (Not
// CoCancelCall: Wine 8 has no such function, and calling its stub ends the process.)
CallWatch::CallWatch(milliseconds deadline) : m_state(std::make_shared<State>()) {
    m_state->outer = std::exchange(t_watched, m_state.get());
    m_state->watcher = std::thread([state = m_state.get(), deadline] {
        std::unique_lock lock(state->mutex);
        if (state->finishedChanged.wait_for(lock, deadline, [&] { return state->finished; })) return;
        state->expired = true;
        while (!state->finished) {
            PostThreadMessageW(state->thread, wakeMessage(), 0, 0);
            state->finishedChanged.wait_for(lock, milliseconds(250), [&] { return state->finished; });
        }
    });
}

CallWatch::~CallWatch() {
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->finished = true;
    }
    m_state->finishedChanged.notify_all();
    m_state->watcher.join();
    t_watched = m_state->outer;
    MSG message;
    while (PeekMessageW(&message, reinterpret_cast<HWND>(-1), wakeMessage(), wakeMessage(), PM_REMOVE)) {
    }
}

}  // namespace ole
