// An owning interface pointer: the only place outside servers that calls AddRef and Release.
#pragma once

#include "ole/Automation.h"

#include <utility>

namespace ole {

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes over a reference the caller already holds.
    static ComPtr adopt(T* raw) noexcept {
        ComPtr p;
        p.m_ptr = raw;
        return p;
    }
    // Adds a reference of its own.
    static ComPtr share(T* raw) noexcept {
        if (raw) raw->AddRef();
        return adopt(raw);
    }
    ComPtr(const ComPtr& other) noexcept : m_ptr(other.m_ptr) {
        if (m_ptr) m_ptr->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset() noexcept {
        if (T* old = std::exchange(m_ptr, nullptr)) old->Release();
    }
    // For an out-parameter: releases what is held first, so the call cannot leak it.
    T** put() noexcept {
        reset();
        return &m_ptr;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }
    T* detach() noexcept { return std::exchange(m_ptr, nullptr); }

    T* get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }

private:
    T* m_ptr = nullptr;
};

}  // namespace ole
