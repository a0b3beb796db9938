// A counted reference to one automation object, and the late-bound call on it.
#pragma once

#include "ole/Variant.h"

#include <span>
#include <string_view>

enum class InvokeKind : WORD {
    Method = DISPATCH_METHOD,
    PropertyGet = DISPATCH_PROPERTYGET,
    PropertyPut = DISPATCH_PROPERTYPUT,
};

struct NamedArgument {
    std::string_view name;  // looked up together with the member
    ole::Variant value;
};

class AutomationObject {
public:
    AutomationObject() = default;  // empty
    explicit AutomationObject(ole::Variant value) : m_value(std::move(value)) {}

    bool empty() const noexcept;
    const VARIANT& value() const noexcept { return m_value; }

    // Looks the member (and the named arguments' names) up anew and invokes it. `positional` is
    // given first parameter first; it travels last-first in DISPPARAMS, after the named arguments.
    // A property put sends the value as its one named argument DISPID_PROPERTYPUT and asks for no
    // result. Any failing HRESULT raises EOleSysError.
    ole::Variant invoke(std::string_view member, InvokeKind kind, std::span<ole::Variant> positional = {},
                        std::span<NamedArgument> named = {}) const;

private:
    ole::Variant m_value;
};
