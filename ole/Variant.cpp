#include "ole/Variant.h"
#include "ole/Exceptions.h"

namespace ole {

Bstr::Bstr(std::string_view utf8) {
    const OleString wide = toOle(utf8);
    m_text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!m_text) throw EOleSysError(E_OUTOFMEMORY);
}

Variant::Variant(const Variant& other) {
    VariantInit(this);
    // mingw-w64 declares VariantCopy's source without const; it is only read.
    check(VariantCopy(this, const_cast<Variant*>(&other)));
}

Variant Variant::boolean(bool value) noexcept {
    Variant v;
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant Variant::int32(std::int32_t value) noexcept {
    Variant v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

Variant Variant::text(std::string_view utf8) {
    Bstr bstr(utf8);
    Variant v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = bstr.detach();
    return v;
}

Variant Variant::adoptDispatch(IDispatch* object) noexcept {
    Variant v;
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = object;
    return v;
}

}  // namespace ole
