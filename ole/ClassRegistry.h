// Registers automation classes under a programmatic identifier, so that CLSIDFromProgID and
// CoCreateInstance find them: how the trace server stands in for "Word.Application", and how an
// automation server of our own is made known where there is no system registry.
#pragma once

#include "ole/Automation.h"

#include <functional>
#include <string_view>

namespace ole {

// Creates a new object of the class and returns the asked interface with one reference.
using ObjectFactory = std::function<HRESULT(REFIID riid, void** object)>;

// Holds one registration; destroying it withdraws the class again.
class ClassRegistration {
public:
    ClassRegistration() = default;
    ClassRegistration(ClassRegistration&& other) noexcept;
    ClassRegistration& operator=(ClassRegistration&& other) noexcept;
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
    ~ClassRegistration();

private:
    friend ClassRegistration registerClass(std::string_view, const CLSID&, ObjectFactory);
    explicit ClassRegistration(unsigned long cookie) : m_cookie(cookie) {}
    unsigned long m_cookie = 0;
};

// A later registration of the same programmatic identifier hides an earlier one until it is withdrawn.
// On Windows the registry is left alone: the class is declared to COM in an activation context of
// the calling thread (ClassRegistry_win.cpp), so a registration is withdrawn on that thread, newest
// first, as scoped objects are.
ClassRegistration registerClass(std::string_view progId, const CLSID& clsid, ObjectFactory factory);

}  // namespace ole
