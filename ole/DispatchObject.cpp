#include "ole/DispatchObject.h"

#include "ole/Text.h"
#include "ole/Variant.h"

#include <algorithm>
#include <cctype>

namespace ole {

namespace {

bool sameName(std::string_view a, std::string_view b) {  // automation names are case-insensitive
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

DispatchObject::DispatchObject(std::string className, std::vector<Member> members)
    : m_className(std::move(className)), m_members(std::move(members)) {}

HRESULT STDMETHODCALLTYPE DispatchObject::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DispatchObject::AddRef() { return ++m_references; }

ULONG STDMETHODCALLTYPE DispatchObject::Release() {
    const ULONG left = --m_references;
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* dispids) {
    if (!names || !dispids || count == 0) return E_INVALIDARG;
    std::vector<std::string> given;
    for (UINT i = 0; i < count; ++i) given.push_back(toUtf8(OleStringView(names[i])));
    lookedUp(given);

    std::fill(dispids, dispids + count, DISPID_UNKNOWN);
    const auto member = std::find_if(m_members.begin(), m_members.end(),
                                     [&](const Member& m) { return sameName(m.name, given[0]); });
    if (member == m_members.end()) return DISP_E_UNKNOWNNAME;
    dispids[0] = static_cast<DISPID>(member - m_members.begin()) + 1;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < count; ++i) {
        const auto param = std::find_if(member->params.begin(), member->params.end(),
                                        [&](const std::string& p) { return sameName(p, given[i]); });
        if (param == member->params.end()) hr = DISP_E_UNKNOWNNAME;
        else dispids[i] = static_cast<DISPID>(param - member->params.begin());
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                                 VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
    if (!params) return E_INVALIDARG;
    const bool known = id >= 1 && static_cast<std::size_t>(id) <= m_members.size();
    const Member* member = known ? &m_members[static_cast<std::size_t>(id) - 1] : nullptr;
    invoked(member, id, flags, *params, result != nullptr);
    if (!member) return DISP_E_MEMBERNOTFOUND;
    if (const std::optional<HRESULT> refused = beforeCall(*member))
        return fail(*member, *refused, member->name + " refused", excepInfo);

    // A put, or a get or method (a get-or-method pair counts as whichever the member answers).
    WORD kind = 0;
    if (flags & DISPATCH_PROPERTYPUT) kind = DISPATCH_PROPERTYPUT;
    else if ((flags & DISPATCH_METHOD) && (member->kinds & DISPATCH_METHOD)) kind = DISPATCH_METHOD;
    else if ((flags & DISPATCH_PROPERTYGET) && (member->kinds & DISPATCH_PROPERTYGET)) kind = DISPATCH_PROPERTYGET;
    if (!(member->kinds & kind)) return fail(*member, DISP_E_MEMBERNOTFOUND, {}, excepInfo);

    const UINT named = std::min(params->cNamedArgs, params->cArgs);
    Call call{*member, kind, std::vector<const VARIANT*>(std::max<std::size_t>(member->params.size(), 1)), result};
    if (kind == DISPATCH_PROPERTYPUT) {
        // The value travels as the one named argument DISPID_PROPERTYPUT.
        if (params->cArgs != 1 || named != 1 || !params->rgdispidNamedArgs ||
            params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return fail(*member, DISP_E_PARAMNOTFOUND, {}, excepInfo);
        call.args[0] = &params->rgvarg[0];
    } else {
        const UINT positional = params->cArgs - named;
        if (positional > member->params.size()) return fail(*member, DISP_E_BADPARAMCOUNT, {}, excepInfo);
        for (UINT k = 0; k < positional; ++k) call.args[k] = &params->rgvarg[params->cArgs - 1 - k];
        for (UINT i = 0; i < named; ++i) {
            const DISPID paramId = params->rgdispidNamedArgs ? params->rgdispidNamedArgs[i] : DISPID_UNKNOWN;
            if (paramId < 0 || static_cast<std::size_t>(paramId) >= member->params.size()) {
                if (argErr) *argErr = i;
                return fail(*member, DISP_E_PARAMNOTFOUND, {}, excepInfo);
            }
            call.args[static_cast<std::size_t>(paramId)] = &params->rgvarg[i];
        }
    }
    if (result) VariantInit(result);
    try {
        this->call(call);
        return S_OK;
    } catch (const DispatchError& e) {
        return fail(*member, e.code(), e.message(), excepInfo);
    } catch (const EOleSysError& e) {
        return fail(*member, e.errorCode(), e.message(), excepInfo);
    } catch (const std::exception& e) {
        return fail(*member, DISP_E_EXCEPTION, e.what(), excepInfo);
    } catch (...) {
        return fail(*member, E_UNEXPECTED, {}, excepInfo);
    }
}

HRESULT DispatchObject::fail(const Member& member, HRESULT code, const std::string& description, EXCEPINFO* info) {
    failed(member, code);
    if (code == DISP_E_EXCEPTION && info) {
        *info = EXCEPINFO{};
        describe(*info, member, description);
    }
    return code;
}

void DispatchObject::describe(EXCEPINFO& info, const Member&, const std::string& description) {
    info.bstrSource = Bstr(m_className).detach();
    info.bstrDescription = Bstr(description).detach();
    info.scode = DISP_E_EXCEPTION;
}

bool DispatchObject::argBool(const VARIANT* value, bool fallback) {
    if (!value || V_VT(value) == VT_ERROR || V_VT(value) == VT_EMPTY) return fallback;
    if (V_VT(value) == VT_BOOL) return V_BOOL(value) != VARIANT_FALSE;
    if (V_VT(value) == VT_I4) return V_I4(value) != 0;
    throw DispatchError({}, DISP_E_TYPEMISMATCH);
}

std::string DispatchObject::argText(const VARIANT* value) {
    if (!value) throw DispatchError({}, DISP_E_PARAMNOTOPTIONAL);
    if (V_VT(value) != VT_BSTR) throw DispatchError({}, DISP_E_TYPEMISMATCH);
    return toUtf8(V_BSTR(value));
}

void DispatchObject::returnText(VARIANT* result, std::string_view text) {
    if (!result) return;
    Variant value = Variant::text(text);
    *result = value;
    VariantInit(&value);
}

void DispatchObject::returnObject(VARIANT* result, IDispatch* object) {
    if (!result) {
        object->Release();
        return;
    }
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = object;
}

}  // namespace ole
