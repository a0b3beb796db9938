// Watches one outgoing call on the calling thread (see CallGuard.h): on Windows, once `deadline`
// has passed, it has COM cancel the call. Elsewhere it does nothing.
#pragma once

#include <chrono>
#include <memory>

namespace ole {

class CallWatch {
public:
    explicit CallWatch(std::chrono::milliseconds deadline);
    ~CallWatch();
    CallWatch(const CallWatch&) = delete;
    CallWatch& operator=(const CallWatch&) = delete;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

}  // namespace ole
