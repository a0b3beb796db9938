#include "printing/WordAutomation.h"

#include "ole/CallGuard.h"
#include "ole/ComPtr.h"
#include "ole/Exceptions.h"

namespace {

constexpr std::string_view kProgId = "Word.Application";
// "Quit"'s SaveChanges: never save a document that printing changed (updated fields, say).
constexpr std::int32_t kDoNotSaveChanges = 0;

}  // namespace

template <class Call>
auto WordAutomation::answered(Call&& call) {
    if (m_unanswered) throw EOleSysError(RPC_E_CALL_CANCELED);
    try {
        return call();
    } catch (const EOleSysError& e) {
        if (ole::givenUpUnanswered(e.errorCode())) m_unanswered = true;
        throw;
    }
}

void WordAutomation::CreateApplication() {
    const ole::OleString progId = ole::toOle(kProgId);
    CLSID clsid{};
    ole::check(CLSIDFromProgID(progId.c_str(), &clsid), kProgId);
    ole::ComPtr<IDispatch> application;
    ole::takeCreationFailure();  // nothing stale
    const HRESULT created = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                             application.putVoid());
    ole::check(created, ole::takeCreationFailure());
    m_application = AutomationObject(ole::Variant::adoptDispatch(application.detach()));
}

void WordAutomation::SetAutomationSecurity(std::int32_t security) {
    ole::Variant value = ole::Variant::int32(security);
    answered([&] { m_application.invoke("AutomationSecurity", InvokeKind::PropertyPut, {&value, 1}); });
}

void WordAutomation::SetDisplayAlerts(std::int32_t alerts) {
    ole::Variant value = ole::Variant::int32(alerts);
    answered([&] { m_application.invoke("DisplayAlerts", InvokeKind::PropertyPut, {&value, 1}); });
}

void WordAutomation::SetVisible(bool visible) {
    ole::Variant value = ole::Variant::boolean(visible);
    answered([&] { m_application.invoke("Visible", InvokeKind::PropertyPut, {&value, 1}); });
}

void WordAutomation::SetActivePrinter(std::string_view printerName) {
    ole::Variant value = ole::Variant::text(printerName);
    answered([&] { m_application.invoke("ActivePrinter", InvokeKind::PropertyPut, {&value, 1}); });
}

AutomationObject WordAutomation::GetDocuments() {
    return answered([&] { return AutomationObject(m_application.invoke("Documents", InvokeKind::PropertyGet)); });
}

void WordAutomation::OpenDocument(const AutomationObject& documents, std::string_view path, bool confirmConversions,
                                  bool readOnly, bool addToRecentFiles) {
    // Every one of the four is sent: nothing among them is left to the word processor's defaults.
    ole::Variant args[] = {ole::Variant::text(path), ole::Variant::boolean(confirmConversions),
                           ole::Variant::boolean(readOnly), ole::Variant::boolean(addToRecentFiles)};
    answered([&] { documents.invoke("Open", InvokeKind::Method, args); });  // the opened document is released at once
}

void WordAutomation::PrintActiveDocument() {
    // Background=false: otherwise the call returns before the job is spooled, and quitting right
    // after can cancel it.
    NamedArgument background{"Background", ole::Variant::boolean(false)};
    answered([&] { m_application.invoke("PrintOut", InvokeKind::Method, {}, {&background, 1}); });
}

void WordAutomation::QuitApplication() {
    // SaveChanges=do not save: otherwise an invisible word processor waits on its question forever.
    NamedArgument saveChanges{"SaveChanges", ole::Variant::int32(kDoNotSaveChanges)};
    answered([&] { m_application.invoke("Quit", InvokeKind::Method, {}, {&saveChanges, 1}); });
}
