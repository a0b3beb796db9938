// Joins the calling thread to a single-threaded apartment for the object's life; leaves it again only
// if joining succeeded. While joined, the apartment's outgoing calls are guarded (see CallGuard.h).
#pragma once

#include "ole/Automation.h"
#include "ole/CallGuard.h"

#include <optional>

namespace ole {

class Apartment {
public:
    explicit Apartment(CallLimits limits = {}) : m_joined(SUCCEEDED(CoInitialize(nullptr))) {
        if (m_joined) m_guard.emplace(limits);
    }
    ~Apartment() {
        m_guard.reset();  // the filter goes while the apartment is still there
        if (m_joined) CoUninitialize();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    bool joined() const noexcept { return m_joined; }
    bool guarded() const noexcept { return m_guard && m_guard->filterRegistered(); }

private:
    bool m_joined;
    std::optional<CallGuard> m_guard;
};

}  // namespace ole
