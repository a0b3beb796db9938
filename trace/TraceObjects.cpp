#include "trace/TraceObjects.h"

#include "ole/Text.h"
#include "ole/Variant.h"
#include "trace/TraceFormat.h"

#include <algorithm>
#include <cctype>

namespace trace {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// The failure whose details are filled in only when the client asks for them.
thread_local std::shared_ptr<TraceState> t_pendingState;
thread_local std::string t_pendingCall;

HRESULT STDMETHODCALLTYPE fillIn(EXCEPINFO* info) {
    if (!info) return E_POINTER;
    const std::string call = t_pendingCall;
    if (t_pendingState) t_pendingState->write("fill-in " + call);
    t_pendingState.reset();
    info->bstrSource = ole::Bstr("Quirella trace").detach();
    info->bstrDescription = ole::Bstr(call + " failed on request").detach();
    info->scode = DISP_E_EXCEPTION;
    info->pfnDeferredFillIn = nullptr;
    return S_OK;
}

HRESULT returnText(VARIANT* result, const std::string& text) {
    if (!result) return S_OK;
    ole::Variant value = ole::Variant::text(text);
    *result = value;
    VariantInit(&value);
    return S_OK;
}

HRESULT returnObject(VARIANT* result, IDispatch* object) {  // takes over the caller's reference
    if (!result) {
        object->Release();
        return S_OK;
    }
    VariantInit(result);
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = object;
    return S_OK;
}

bool isBool(const VARIANT* v) { return v && V_VT(v) == VT_BOOL; }

}  // namespace

std::optional<HRESULT> TraceState::failureFor(const std::string& member) {
    const int nth = ++calls[member];
    const int any = ++calls["*"];
    for (const FailRule& rule : failures) {
        const bool everyMember = rule.member == "*";
        if (!everyMember && !sameName(rule.member, member)) continue;
        const int count = everyMember ? any : nth;
        if (rule.call == 0 || count == rule.call || (rule.onward && count > rule.call)) return rule.code;
    }
    return std::nullopt;
}

// ---- TraceObject ----------------------------------------------------------------------------------

TraceObject::TraceObject(std::shared_ptr<TraceState> state, std::string className, std::vector<Member> members)
    : m_state(std::move(state)), m_className(std::move(className)), m_members(std::move(members)) {
    m_label = m_className + "#" + std::to_string(++m_state->instances[m_className]);
    m_state->write("create " + m_label);
}

TraceObject::~TraceObject() { m_state->write("destroy " + m_label); }

HRESULT STDMETHODCALLTYPE TraceObject::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TraceObject::AddRef() { return ++m_references; }

ULONG STDMETHODCALLTYPE TraceObject::Release() {
    const ULONG left = --m_references;
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE TraceObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TraceObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TraceObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* dispids) {
    if (!names || !dispids || count == 0) return E_INVALIDARG;
    std::vector<std::string> given;
    for (UINT i = 0; i < count; ++i) given.push_back(ole::toUtf8(ole::OleStringView(names[i])));
    std::string line = "lookup " + m_className;
    for (const std::string& name : given) line += " " + name;
    m_state->write(line);

    HRESULT hr = S_OK;
    std::fill(dispids, dispids + count, DISPID_UNKNOWN);
    const auto member = std::find_if(m_members.begin(), m_members.end(),
                                      [&](const Member& m) { return sameName(m.name, given[0]); });
    if (member == m_members.end()) return DISP_E_UNKNOWNNAME;
    dispids[0] = static_cast<DISPID>(member - m_members.begin()) + 1;
    for (UINT i = 1; i < count; ++i) {
        const auto param = std::find_if(member->params.begin(), member->params.end(),
                                        [&](const std::string& p) { return sameName(p, given[i]); });
        if (param == member->params.end()) hr = DISP_E_UNKNOWNNAME;
        else dispids[i] = static_cast<DISPID>(param - member->params.begin());
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE TraceObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                              VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
    if (!params) return E_INVALIDARG;
    if (id < 1 || static_cast<std::size_t>(id) > m_members.size()) {
        m_state->write("invoke " + m_className + ".#" + std::to_string(id) + " " + formatKind(flags));
        return DISP_E_MEMBERNOTFOUND;
    }
    const Member& member = m_members[static_cast<std::size_t>(id) - 1];
    const std::string call = m_className + "." + member.name;

    // The line lists the positional arguments first parameter first (rgvarg holds them last-first,
    // after the named ones), then the named ones in rgvarg order.
    const UINT named = std::min(params->cNamedArgs, params->cArgs);
    std::string namedText, argsText;
    const auto addArg = [&](const VARIANT& v) { argsText += (argsText.empty() ? "" : ", ") + formatValue(v); };
    for (UINT i = params->cArgs; i-- > named;) addArg(params->rgvarg[i]);
    for (UINT i = 0; i < named; ++i) {
        const DISPID paramId = params->rgdispidNamedArgs ? params->rgdispidNamedArgs[i] : DISPID_UNKNOWN;
        std::string name = std::to_string(paramId);
        if (paramId >= 0 && static_cast<std::size_t>(paramId) < member.params.size()) name = member.params[paramId];
        namedText += (namedText.empty() ? "" : ", ") + name;
        addArg(params->rgvarg[i]);
    }
    m_state->write("invoke " + call + " " + formatKind(flags) + " named=[" + namedText + "] args=[" + argsText +
                   "] result=" + (result ? "yes" : "no"));

    const auto fail = [&](HRESULT code) {
        m_state->write("fail " + call + " " + formatCode(code));
        if (code == DISP_E_EXCEPTION && excepInfo) {
            *excepInfo = EXCEPINFO{};
            excepInfo->pfnDeferredFillIn = &fillIn;
            t_pendingState = m_state;
            t_pendingCall = call;
        }
        return code;
    };
    if (const std::optional<HRESULT> code = m_state->failureFor(member.name)) return fail(*code);

    // Which kind of call is made: a put, or a get or method (a get-or-method pair counts as either).
    WORD kind = 0;
    if (flags & DISPATCH_PROPERTYPUT) kind = DISPATCH_PROPERTYPUT;
    else if ((flags & DISPATCH_METHOD) && (member.kinds & DISPATCH_METHOD)) kind = DISPATCH_METHOD;
    else if ((flags & DISPATCH_PROPERTYGET) && (member.kinds & DISPATCH_PROPERTYGET)) kind = DISPATCH_PROPERTYGET;
    if (!(member.kinds & kind)) return fail(DISP_E_MEMBERNOTFOUND);

    std::vector<const VARIANT*> args(std::max<std::size_t>(member.params.size(), 1), nullptr);
    if (kind == DISPATCH_PROPERTYPUT) {
        // The value travels as the one named argument DISPID_PROPERTYPUT.
        if (params->cArgs != 1 || named != 1 || !params->rgdispidNamedArgs ||
            params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return fail(DISP_E_PARAMNOTFOUND);
        args[0] = &params->rgvarg[0];
    } else {
        const UINT positional = params->cArgs - named;
        if (positional > member.params.size()) return fail(DISP_E_BADPARAMCOUNT);
        for (UINT k = 0; k < positional; ++k) args[k] = &params->rgvarg[params->cArgs - 1 - k];
        for (UINT i = 0; i < named; ++i) {
            const DISPID paramId = params->rgdispidNamedArgs ? params->rgdispidNamedArgs[i] : DISPID_UNKNOWN;
            if (paramId < 0 || static_cast<std::size_t>(paramId) >= member.params.size()) {
                if (argErr) *argErr = i;
                return fail(DISP_E_PARAMNOTFOUND);
            }
            args[static_cast<std::size_t>(paramId)] = &params->rgvarg[i];
        }
    }
    if (result) VariantInit(result);
    const HRESULT hr = this->call(member, kind, args, result);
    if (FAILED(hr)) return fail(hr);
    return hr;
}

// ---- Document -------------------------------------------------------------------------------------

TraceDocument::TraceDocument(std::shared_ptr<TraceState> state, std::string path)
    : TraceObject(std::move(state), "Document", {{"FullName", DISPATCH_PROPERTYGET, {}}}),
      m_path(std::move(path)) {}

HRESULT TraceDocument::call(const Member&, WORD, const std::vector<const VARIANT*>&, VARIANT* result) {
    return returnText(result, m_path);
}

// ---- Application ----------------------------------------------------------------------------------

TraceApplication::TraceApplication(std::shared_ptr<TraceState> state)
    : TraceObject(std::move(state), "Application",
                  {{"Visible", DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}},
                   {"ActivePrinter", DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}},
                   {"Documents", DISPATCH_PROPERTYGET, {}},
                   {"PrintOut", DISPATCH_METHOD,
                    {"Background", "Append", "Range", "OutputFileName", "From", "To", "Item", "Copies"}},
                   {"Quit", DISPATCH_METHOD, {"SaveChanges", "OriginalFormat", "RouteDocument"}},
                   {"AutomationSecurity", DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}}}) {}

void TraceApplication::opened(ole::ComPtr<TraceDocument> document) { m_documents.push_back(std::move(document)); }

HRESULT TraceApplication::call(const Member& member, WORD kind, const std::vector<const VARIANT*>& args,
                               VARIANT* result) {
    if (m_quit) return RPC_E_DISCONNECTED;  // the process has gone
    const VARIANT* value = args[0];
    if (member.name == "Visible") {
        if (kind == DISPATCH_PROPERTYGET) {
            if (result) {
                V_VT(result) = VT_BOOL;
                V_BOOL(result) = m_visible ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        }
        if (!isBool(value)) return DISP_E_TYPEMISMATCH;
        m_visible = V_BOOL(value) != VARIANT_FALSE;
        return S_OK;
    }
    if (member.name == "ActivePrinter") {
        if (kind == DISPATCH_PROPERTYGET) return returnText(result, m_activePrinter);
        if (V_VT(value) != VT_BSTR) return DISP_E_TYPEMISMATCH;
        m_activePrinter = ole::toUtf8(V_BSTR(value));
        return S_OK;
    }
    if (member.name == "AutomationSecurity") {
        if (kind == DISPATCH_PROPERTYGET) {
            if (result) {
                V_VT(result) = VT_I4;
                V_I4(result) = m_automationSecurity;
            }
            return S_OK;
        }
        if (V_VT(value) != VT_I4) return DISP_E_TYPEMISMATCH;
        m_automationSecurity = V_I4(value);
        return S_OK;
    }
    if (member.name == "Documents") {
        AddRef();
        auto* documents = new TraceDocuments(sharedState(), ole::ComPtr<TraceApplication>::adopt(this));
        return returnObject(result, documents);
    }
    if (member.name == "PrintOut") {
        if (m_documents.empty()) return DISP_E_EXCEPTION;  // nothing to print: no document is open
        return S_OK;
    }
    // Quit: every document goes with the application.
    m_quit = true;
    m_documents.clear();
    return S_OK;
}

// ---- Documents ------------------------------------------------------------------------------------

TraceDocuments::TraceDocuments(std::shared_ptr<TraceState> state, ole::ComPtr<TraceApplication> application)
    : TraceObject(std::move(state), "Documents",
                  {{"Open", DISPATCH_METHOD,
                    {"FileName", "ConfirmConversions", "ReadOnly", "AddToRecentFiles", "PasswordDocument",
                     "PasswordTemplate", "Revert", "WritePasswordDocument", "WritePasswordTemplate", "Format"}}}),
      m_application(std::move(application)) {}

HRESULT TraceDocuments::call(const Member&, WORD, const std::vector<const VARIANT*>& args, VARIANT* result) {
    if (m_application->quit()) return RPC_E_DISCONNECTED;
    const VARIANT* fileName = args[0];
    if (!fileName) return DISP_E_PARAMNOTOPTIONAL;
    if (V_VT(fileName) != VT_BSTR) return DISP_E_TYPEMISMATCH;
    for (std::size_t i = 1; i <= 3; ++i)
        if (args[i] && !isBool(args[i])) return DISP_E_TYPEMISMATCH;
    auto document = ole::ComPtr<TraceDocument>::adopt(new TraceDocument(sharedState(), ole::toUtf8(V_BSTR(fileName))));
    IDispatch* returned = document.get();
    returned->AddRef();
    m_application->opened(std::move(document));  // it becomes the active document
    return returnObject(result, returned);
}

}  // namespace trace
