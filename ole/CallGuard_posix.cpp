// Without COM the automation objects live in this process: a call cannot be rejected by another
// process's apartment nor be left unanswered by one (the Writer bridge bounds its own office calls).
#include "ole/CallGuard.h"
#include "ole/CallWatch.h"

namespace ole {

namespace {

thread_local std::optional<CallLimits> t_limits;

}  // namespace

CallLimits currentCallLimits() noexcept { return t_limits.value_or(CallLimits{}); }

CallGuard::CallGuard(CallLimits limits) : m_previousLimits(currentCallLimits()) { t_limits = limits; }

CallGuard::~CallGuard() { t_limits = m_previousLimits; }

struct CallWatch::State {};

CallWatch::CallWatch(std::chrono::milliseconds) {}

CallWatch::~CallWatch() = default;

}  // namespace ole
