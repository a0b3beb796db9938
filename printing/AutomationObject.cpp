#include "printing/AutomationObject.h"

#include "ole/CallGuard.h"
#include "ole/ComPtr.h"
#include "ole/Exceptions.h"
#include "ole/Text.h"

#include <vector>

namespace {

// The IDispatch to call, with a reference of its own for the length of the call. An object held as
// IUnknown is asked for IDispatch; a value that holds no object at all is a failure like any other.
ole::ComPtr<IDispatch> dispatchOf(const VARIANT& value) {
    if (V_VT(&value) == VT_DISPATCH && V_DISPATCH(&value)) return ole::ComPtr<IDispatch>::share(V_DISPATCH(&value));
    if (V_VT(&value) == VT_UNKNOWN && V_UNKNOWN(&value)) {
        ole::ComPtr<IDispatch> dispatch;
        ole::check(V_UNKNOWN(&value)->QueryInterface(IID_IDispatch, dispatch.putVoid()));
        return dispatch;
    }
    throw EOleSysError(DISP_E_TYPEMISMATCH);
}

// EXCEPINFO's texts belong to the caller once Invoke has filled them.
struct ExcepInfo : EXCEPINFO {
    ExcepInfo() noexcept : EXCEPINFO{} {}
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo() {
        SysFreeString(bstrSource);
        SysFreeString(bstrDescription);
        SysFreeString(bstrHelpFile);
    }
};

}  // namespace

bool AutomationObject::empty() const noexcept {
    return !((V_VT(&m_value) == VT_DISPATCH && V_DISPATCH(&m_value)) ||
             (V_VT(&m_value) == VT_UNKNOWN && V_UNKNOWN(&m_value)));
}

ole::Variant AutomationObject::invoke(std::string_view member, InvokeKind kind, std::span<ole::Variant> positional,
                                      std::span<NamedArgument> named) const {
    const ole::ComPtr<IDispatch> dispatch = dispatchOf(m_value);

    // No identifier is kept between calls: a member is looked up every time it is used.
    std::vector<ole::OleString> names;
    names.push_back(ole::toOle(member));
    for (const NamedArgument& arg : named) names.push_back(ole::toOle(arg.name));
    std::vector<LPOLESTR> namePointers;
    for (ole::OleString& name : names) namePointers.push_back(name.data());
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    // Both calls go to the word processor's process: each is retried while it is busy, and bounded.
    ole::check(ole::callOut([&] {
        return dispatch->GetIDsOfNames(IID_NULL, namePointers.data(), static_cast<UINT>(namePointers.size()),
                                       LOCALE_SYSTEM_DEFAULT, ids.data());
    }));

    // rgvarg: named arguments first, in the order of their identifiers, then the positional ones
    // last-first. A property put's value is its first named argument, DISPID_PROPERTYPUT. The
    // VARIANTs stay owned by the caller's spans and are freed with them.
    std::vector<VARIANTARG> args;
    std::vector<DISPID> namedIds;
    if (kind == InvokeKind::PropertyPut) {
        if (positional.empty()) throw EOleSysError(DISP_E_BADPARAMCOUNT);
        args.push_back(positional.back());
        namedIds.push_back(DISPID_PROPERTYPUT);
        positional = positional.first(positional.size() - 1);
    }
    for (std::size_t i = 0; i < named.size(); ++i) {
        args.push_back(named[i].value);
        namedIds.push_back(ids[i + 1]);
    }
    for (auto it = positional.rbegin(); it != positional.rend(); ++it) args.push_back(*it);

    DISPPARAMS params{};
    params.rgvarg = args.empty() ? nullptr : args.data();
    params.cArgs = static_cast<UINT>(args.size());
    params.rgdispidNamedArgs = namedIds.empty() ? nullptr : namedIds.data();
    params.cNamedArgs = static_cast<UINT>(namedIds.size());

    ExcepInfo excepInfo;
    UINT argErr = 0;
    ole::Variant result;
    const bool wantsResult = kind != InvokeKind::PropertyPut;
    const HRESULT hr = ole::callOut([&] {
        return dispatch->Invoke(ids[0], IID_NULL, LOCALE_SYSTEM_DEFAULT, static_cast<WORD>(kind), &params,
                                wantsResult ? result.put() : nullptr, &excepInfo, &argErr);
    });
    if (hr == DISP_E_EXCEPTION && excepInfo.pfnDeferredFillIn) excepInfo.pfnDeferredFillIn(&excepInfo);
    // The server's own description says what went wrong (a printer it does not know, say).
    ole::check(hr, hr == DISP_E_EXCEPTION && excepInfo.bstrDescription ? ole::toUtf8(excepInfo.bstrDescription)
                                                                      : std::string());
    return result;
}
