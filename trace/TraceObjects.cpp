#include "trace/TraceObjects.h"

#include "ole/Text.h"
#include "ole/Variant.h"
#include "trace/TraceFormat.h"
#include "word/WordObjectModel.h"

#include <algorithm>
#include <cctype>
#include <thread>

namespace trace {

namespace {

using ole::DispatchError;

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

bool isBool(const VARIANT* v) { return v && V_VT(v) == VT_BOOL; }

}  // namespace

namespace {

// The first rule that matches the member's latest call.
const FailRule* matching(const std::vector<FailRule>& rules, const std::string& member, int nth, int any) {
    for (const FailRule& rule : rules) {
        const bool everyMember = rule.member == "*";
        if (!everyMember && !sameName(rule.member, member)) continue;
        const int count = everyMember ? any : nth;
        if (rule.call == 0 || count == rule.call || (rule.onward && count > rule.call)) return &rule;
    }
    return nullptr;
}

}  // namespace

std::optional<HRESULT> TraceState::failureFor(const std::string& member) {
    const int nth = ++calls[member];
    const int any = ++calls["*"];
    if (const FailRule* rule = matching(failures, member, nth, any)) return rule->code;
    return std::nullopt;
}

bool TraceState::held(const std::string& member) {
    return matching(holdRules, member, calls[member], calls["*"]) != nullptr;
}

// ---- TraceObject ----------------------------------------------------------------------------------

TraceObject::TraceObject(std::shared_ptr<TraceState> state, std::string className, std::vector<ole::Member> members)
    : DispatchObject(className, std::move(members)), m_state(std::move(state)) {
    m_label = className + "#" + std::to_string(++m_state->instances[className]);
    m_state->write("create " + m_label);
}

TraceObject::~TraceObject() { m_state->write("destroy " + m_label); }

void TraceObject::lookedUp(const std::vector<std::string>& names) {
    std::string line = "lookup " + className();
    for (const std::string& name : names) line += " " + name;
    m_state->write(line);
}

void TraceObject::invoked(const ole::Member* member, DISPID id, WORD flags, const DISPPARAMS& params,
                          bool wantsResult) {
    if (!member) {
        m_state->write("invoke " + className() + ".#" + std::to_string(id) + " " + formatKind(flags));
        return;
    }
    // The positional arguments first parameter first (rgvarg holds them last-first, after the named
    // ones), then the named ones in rgvarg order.
    const UINT named = std::min(params.cNamedArgs, params.cArgs);
    std::string namedText, argsText;
    const auto addArg = [&](const VARIANT& v) { argsText += (argsText.empty() ? "" : ", ") + formatValue(v); };
    for (UINT i = params.cArgs; i-- > named;) addArg(params.rgvarg[i]);
    for (UINT i = 0; i < named; ++i) {
        const DISPID paramId = params.rgdispidNamedArgs ? params.rgdispidNamedArgs[i] : DISPID_UNKNOWN;
        std::string name = std::to_string(paramId);
        if (paramId >= 0 && static_cast<std::size_t>(paramId) < member->params.size())
            name = member->params[static_cast<std::size_t>(paramId)];
        namedText += (namedText.empty() ? "" : ", ") + name;
        addArg(params.rgvarg[i]);
    }
    m_state->write("invoke " + className() + "." + member->name + " " + formatKind(flags) + " named=[" + namedText +
                   "] args=[" + argsText + "] result=" + (wantsResult ? "yes" : "no"));
}

std::optional<HRESULT> TraceObject::beforeCall(const ole::Member& member) {
    // A busy server refuses a call before it begins it: such a call is not counted.
    if (m_state->busyRejected < m_state->busyCalls) {
        ++m_state->busyRejected;
        return RPC_E_CALL_REJECTED;
    }
    const std::optional<HRESULT> refused = m_state->failureFor(member.name);
    if (!refused && m_state->held(member.name)) {
        // As a word processor that waits on a question nobody sees: the caller gets no answer meanwhile.
        m_state->write("hold " + className() + "." + member.name + " " + std::to_string(m_state->holdLength.count()) +
                       " ms");
        std::this_thread::sleep_for(m_state->holdLength);
    }
    return refused;
}

void TraceObject::failed(const ole::Member& member, HRESULT code) {
    m_state->write("fail " + className() + "." + member.name + " " + formatCode(code));
}

void TraceObject::describe(EXCEPINFO& info, const ole::Member& member, const std::string&) {
    // Deferred, as servers do when the description is costly: the client has to ask for it.
    info.pfnDeferredFillIn = &fillIn;
    t_pendingState = m_state;
    t_pendingCall = className() + "." + member.name;
    if (m_state->fillInAtOnce) fillIn(&info);
}

// ---- Document -------------------------------------------------------------------------------------

TraceDocument::TraceDocument(std::shared_ptr<TraceState> state, std::string path)
    : TraceObject(std::move(state), "Document", word::documentMembers()),
      m_path(std::move(path)) {}

void TraceDocument::call(Call& call) { returnText(call.result, m_path); }

// ---- Application ----------------------------------------------------------------------------------

TraceApplication::TraceApplication(std::shared_ptr<TraceState> state)
    : TraceObject(std::move(state), "Application", word::applicationMembers()) {}

TraceApplication::~TraceApplication() {
    m_documents.clear();
    if (state().applicationGone) state().applicationGone();
}

void TraceApplication::opened(ole::ComPtr<TraceDocument> document) { m_documents.push_back(std::move(document)); }

void TraceApplication::call(Call& call) {
    if (m_quit) throw DispatchError({}, RPC_E_DISCONNECTED);  // the process has gone
    const std::string& member = call.member.name;
    const VARIANT* value = call.args[0];
    const bool get = call.kind == DISPATCH_PROPERTYGET;
    if (member == "Visible") {
        if (get) {
            *call.result = ole::Variant::boolean(m_visible);
            return;
        }
        if (!isBool(value)) throw DispatchError({}, DISP_E_TYPEMISMATCH);
        m_visible = V_BOOL(value) != VARIANT_FALSE;
    } else if (member == "ActivePrinter") {
        if (get) return returnText(call.result, m_activePrinter);
        m_activePrinter = argText(value);
        if (state().activePrinterSet) state().activePrinterSet(m_activePrinter);
    } else if (member == "AutomationSecurity") {
        if (get) {
            *call.result = ole::Variant::int32(m_automationSecurity);
            return;
        }
        if (V_VT(value) != VT_I4) throw DispatchError({}, DISP_E_TYPEMISMATCH);
        m_automationSecurity = V_I4(value);
    } else if (member == "DisplayAlerts") {
        if (get) {
            *call.result = ole::Variant::int32(m_displayAlerts);
            return;
        }
        if (V_VT(value) != VT_I4) throw DispatchError({}, DISP_E_TYPEMISMATCH);
        m_displayAlerts = V_I4(value);
    } else if (member == "Documents") {
        AddRef();
        returnObject(call.result, new TraceDocuments(sharedState(), ole::ComPtr<TraceApplication>::adopt(this)));
    } else if (member == "PrintOut") {
        if (m_documents.empty()) throw DispatchError("no document is open");
    } else if (member == "Name") {
        returnText(call.result, "Quirella trace");
    } else {  // Quit: every document goes with the application
        m_quit = true;
        m_documents.clear();
    }
}

// ---- Documents ------------------------------------------------------------------------------------

TraceDocuments::TraceDocuments(std::shared_ptr<TraceState> state, ole::ComPtr<TraceApplication> application)
    : TraceObject(std::move(state), "Documents", word::documentsMembers()),
      m_application(std::move(application)) {}

void TraceDocuments::call(Call& call) {
    if (m_application->quit()) throw DispatchError({}, RPC_E_DISCONNECTED);
    if (call.member.name == "Count") {
        *call.result = ole::Variant::int32(m_application->documentCount());
        return;
    }
    const std::string fileName = argText(call.args[0]);
    for (std::size_t i = 1; i <= 3; ++i)
        if (call.args[i] && !isBool(call.args[i])) throw DispatchError({}, DISP_E_TYPEMISMATCH);
    auto document = ole::ComPtr<TraceDocument>::adopt(new TraceDocument(sharedState(), fileName));
    IDispatch* returned = document.get();
    returned->AddRef();
    m_application->opened(std::move(document));  // it becomes the active document
    returnObject(call.result, returned);
}

}  // namespace trace
