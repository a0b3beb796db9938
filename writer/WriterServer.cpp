#include "writer/WriterServer.h"

#include "ole/ComPtr.h"
#include "ole/DispatchObject.h"
#include "ole/Exceptions.h"
#include "ole/Variant.h"
#include "writer/OfficeProcess.h"
#include "writer/OfficeSession.h"
#include "word/WordObjectModel.h"

#include <memory>

namespace writer {

// {3D1B6A0E-7C44-4B7A-8E0D-5A2C9F4E61B7}
const CLSID kWriterApplicationClassId = {0x3D1B6A0E, 0x7C44, 0x4B7A, {0x8E, 0x0D, 0x5A, 0x2C, 0x9F, 0x4E, 0x61, 0xB7}};

namespace {

using ole::DispatchError;
using Session = std::shared_ptr<OfficeSession>;

class WriterDocument final : public ole::DispatchObject {
public:
    explicit WriterDocument(std::string path)
        : DispatchObject("Document", word::documentMembers()), m_path(std::move(path)) {}

protected:
    void call(Call& call) override { returnText(call.result, m_path); }

private:
    std::string m_path;
};

class WriterDocuments final : public ole::DispatchObject {
public:
    explicit WriterDocuments(Session session)
        : DispatchObject("Documents", word::documentsMembers()),
          m_session(std::move(session)) {}

protected:
    void call(Call& call) override {
        m_session->ensureAlive();
        if (call.member.name == "Count") {
            *call.result = ole::Variant::int32(m_session->documentCount());
            return;
        }
        // ConfirmConversions, ReadOnly and AddToRecentFiles are checked but change nothing: a question
        // nobody answers would hang, the office only ever reads, and its recent list is private.
        const std::string path = argText(call.args[0]);
        for (std::size_t i = 1; i <= 3; ++i) argBool(call.args[i], false);
        m_session->open(path);
        returnObject(call.result, new WriterDocument(path));
    }

private:
    Session m_session;
};

class WriterApplication final : public ole::DispatchObject {
public:
    explicit WriterApplication(Session session)
        : DispatchObject("Application", word::applicationMembers()),
          m_session(std::move(session)) {}

protected:
    void call(Call& call) override {
        const std::string& member = call.member.name;
        // A quit office answers nothing, as a quit word processor; one that died is replaced first.
        // Quitting needs no fresh office only to end it.
        if (member != "Quit") m_session->ensureAlive();
        const bool get = call.kind == DISPATCH_PROPERTYGET;
        const VARIANT* value = call.args[0];
        if (member == "Visible") {
            if (get) *call.result = ole::Variant::boolean(m_session->visible());
            else m_session->setVisible(argBool(value, false));
        } else if (member == "ActivePrinter") {
            if (get) returnText(call.result, m_session->activePrinter());
            else m_session->setActivePrinter(argText(value));
        } else if (member == "AutomationSecurity") {
            // Whatever is asked, documents are opened with their macros disabled.
            if (get) {
                *call.result = ole::Variant::int32(m_automationSecurity);
            } else {
                if (!value || V_VT(value) != VT_I4) throw DispatchError({}, DISP_E_TYPEMISMATCH);
                m_automationSecurity = V_I4(value);
            }
        } else if (member == "DisplayAlerts") {
            // The office is never asked anything: there is no interaction handler to answer.
            if (get) {
                *call.result = ole::Variant::int32(m_displayAlerts);
            } else {
                if (!value || V_VT(value) != VT_I4) throw DispatchError({}, DISP_E_TYPEMISMATCH);
                m_displayAlerts = V_I4(value);
            }
        } else if (member == "Documents") {
            returnObject(call.result, new WriterDocuments(m_session));
        } else if (member == "PrintOut") {
            // Always in the foreground: the call returns once the job is spooled, whatever Background says.
            argBool(call.args[0], false);
            m_session->printActive();
        } else if (member == "Quit") {
            // Documents are never saved, whatever SaveChanges says.
            m_session->quit();
        } else {
            returnText(call.result, "LibreOffice Writer");
        }
    }

private:
    Session m_session;
    std::int32_t m_automationSecurity = 3;
    std::int32_t m_displayAlerts = 0;  // wdAlertsNone: nothing is ever asked
};

}  // namespace

namespace {

// Starts an office and returns its application object, as a class factory does.
HRESULT createWriterApplication(const OfficeOptions& options, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    Session session;
    try {
        session = std::make_shared<OfficeSession>(options);
    } catch (const std::exception& e) {
        ole::setCreationFailure(e.what());  // the client's exception carries it
        return CO_E_SERVER_EXEC_FAILURE;
    }
    auto application = ole::ComPtr<IDispatch>::adopt(new WriterApplication(std::move(session)));
    return application->QueryInterface(riid, object);
}

}  // namespace

ole::ClassRegistration registerWriterServer(std::string_view progId, const OfficeOptions& options) {
    if (!officeInstalled(options.program)) return {};
    return ole::registerClass(progId, kWriterApplicationClassId, [options](REFIID riid, void** object) {
        return createWriterApplication(options, riid, object);
    });
}

}  // namespace writer
