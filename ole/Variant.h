// Owning VARIANT and BSTR: the free function is the destructor.
#pragma once

#include "ole/Automation.h"
#include "ole/Text.h"

#include <cstdint>
#include <string_view>
#include <utility>

namespace ole {

class Bstr {
public:
    Bstr() noexcept = default;
    // Exactly the UTF-16 of the text; an empty text gives a zero-length BSTR, never a null one.
    explicit Bstr(std::string_view utf8);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : m_text(std::exchange(other.m_text, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        std::swap(m_text, other.m_text);
        return *this;
    }
    ~Bstr() { SysFreeString(m_text); }

    BSTR get() const noexcept { return m_text; }
    BSTR detach() noexcept { return std::exchange(m_text, nullptr); }
    BSTR* put() noexcept {
        SysFreeString(std::exchange(m_text, nullptr));
        return &m_text;
    }

private:
    BSTR m_text = nullptr;
};

struct Variant : VARIANT {
    Variant() noexcept { VariantInit(this); }
    Variant(const Variant& other);
    Variant(Variant&& other) noexcept : VARIANT(other) { VariantInit(&other); }
    Variant& operator=(Variant other) noexcept {
        std::swap(static_cast<VARIANT&>(*this), static_cast<VARIANT&>(other));
        return *this;
    }
    ~Variant() { VariantClear(this); }

    static Variant boolean(bool value) noexcept;
    static Variant int32(std::int32_t value) noexcept;
    static Variant text(std::string_view utf8);
    // Takes over a reference the caller already holds.
    static Variant adoptDispatch(IDispatch* object) noexcept;

    void clear() noexcept { VariantClear(this); }
    VARIANT* put() noexcept {
        clear();
        return this;
    }
};

}  // namespace ole
