// Joins the calling thread to a single-threaded apartment for the object's life; leaves it again only
// if joining succeeded.
#pragma once

#include "ole/Automation.h"

namespace ole {

class Apartment {
public:
    Apartment() noexcept : m_joined(SUCCEEDED(CoInitialize(nullptr))) {}
    ~Apartment() {
        if (m_joined) CoUninitialize();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    bool joined() const noexcept { return m_joined; }

private:
    bool m_joined;
};

}  // namespace ole
