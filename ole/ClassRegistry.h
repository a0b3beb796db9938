// Registers automation classes under a programmatic identifier, so that CLSIDFromProgID and
// CoCreateInstance find them: how the trace server stands in for "Word.Application", and how an
// automation server of our own is made known where there is no system registry.
#pragma once

#include "ole/Automation.h"

#include <functional>
#include <string_view>
#include <utility>

namespace ole {

// Creates a new object of the class and returns the asked interface with one reference.
using ObjectFactory = std::function<HRESULT(REFIID riid, void** object)>;

// Holds one registration; destroying it withdraws the class again.
class ClassRegistration {
public:
    ClassRegistration() = default;
    ClassRegistration(ClassRegistration&& other) noexcept : m_cookie(std::exchange(other.m_cookie, 0)) {}
    ClassRegistration& operator=(ClassRegistration&& other) noexcept {
        if (this != &other) {
            ClassRegistration old(std::move(*this));
            m_cookie = std::exchange(other.m_cookie, 0);
        }
        return *this;
    }
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
    ~ClassRegistration() {
        if (m_cookie) withdraw(m_cookie);
    }

private:
    friend ClassRegistration registerClass(std::string_view, const CLSID&, ObjectFactory);
    explicit ClassRegistration(unsigned long cookie) : m_cookie(cookie) {}
    // Each platform's registry takes the class out again.
    static void withdraw(unsigned long cookie) noexcept;
    unsigned long m_cookie = 0;
};

// A later registration of the same programmatic identifier hides an earlier one until it is withdrawn.
// On Windows the registry is left alone: the class is declared to COM in an activation context of
// the calling thread (ClassRegistry_win.cpp), so a registration is withdrawn on that thread, newest
// first, as scoped objects are.
ClassRegistration registerClass(std::string_view progId, const CLSID& clsid, ObjectFactory factory);

}  // namespace ole
