#include "writer/OfficeSession.h"

#include "ole/DispatchObject.h"
#include "writer/CupsQueue.h"
#include "writer/DocumentKind.h"
#include "writer/LiveOffices.h"
#include "writer/OfficeProcess.h"
#include "writer/QueueTurn.h"
#include "writer/Watchdog.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/view/XPrintable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <thread>
#include <utility>
#include <vector>

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using ole::DispatchError;
using rtl::OUString;
using rtl::OUStringToOString;

namespace writer {

namespace {

OUString ou(std::string_view utf8) { return OUString(utf8.data(), static_cast<sal_Int32>(utf8.size()), RTL_TEXTENCODING_UTF8); }
std::string utf8(const OUString& text) { return OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr(); }

css::beans::PropertyValue property(const char* name, const css::uno::Any& value) {
    css::beans::PropertyValue p;
    p.Name = OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

Sequence<css::beans::PropertyValue> properties(const std::vector<css::beans::PropertyValue>& values) {
    return Sequence<css::beans::PropertyValue>(values.data(), static_cast<sal_Int32>(values.size()));
}

// The process's own UNO context, made once: it only carries the connection to each office.
Reference<css::uno::XComponentContext> localContext() {
    static const Reference<css::uno::XComponentContext> context = [] {
        rtl::Bootstrap::set(OUString("URE_MORE_TYPES"), OUString("file:///usr/lib/libreoffice/program/types/offapi.rdb"));
        rtl::Bootstrap::set(OUString("URE_MORE_SERVICES"), OUString(""));
        return cppu::defaultBootstrap_InitialComponentContext(OUString("file:///usr/lib/libreoffice/program/unorc"));
    }();
    return context;
}

DispatchError gone() { return DispatchError("the office has gone", RPC_E_DISCONNECTED); }

// Never saved; a document that will not close is the office's to drop when it ends.
void closeDocument(const Reference<css::lang::XComponent>& component) noexcept {
    try {
        if (const Reference<css::util::XCloseable> closeable{component, UNO_QUERY}; closeable.is())
            closeable->close(true);
    } catch (const css::uno::Exception&) {
    }
}

}  // namespace

struct OfficeSession::Uno {
    explicit Uno(const OfficeOptions& options) : process(options.program, options.startLimit) {}
    OfficeProcess process;
    Reference<css::uno::XComponentContext> context;
    Reference<css::frame::XDesktop2> desktop;
    struct Document {
        Reference<css::lang::XComponent> component;
        std::string path;
    };
    std::vector<Document> documents;  // the last one is the active one
    int opened = 0;                   // documents this office has opened

    // Closes every document unsaved and ends the office, killing it if it does not end in time.
    void shutDown(std::chrono::milliseconds callLimit) {
        {
            Watchdog watchdog(callLimit, [this] { process.signalGroup(); });
            for (Document& document : documents) closeDocument(document.component);
            documents.clear();
            try {
                desktop->terminate();
            } catch (const css::uno::Exception&) {
                // The office going away under the call is what was asked for.
            }
        }
        release();
        process.waitOrKill(std::chrono::seconds(10));
    }

    void release() noexcept {
        documents.clear();
        desktop.clear();
        context.clear();
    }
};

OfficeSession::OfficeSession(const OfficeOptions& options) : m_options(options), m_uno(startOffice()) {}

std::unique_ptr<OfficeSession::Uno> OfficeSession::startOffice() const {
    auto uno = std::make_unique<Uno>(m_options);
    const auto deadline = std::chrono::steady_clock::now() + m_options.startLimit;
    try {
        const Reference<css::bridge::XUnoUrlResolver> resolver = css::bridge::UnoUrlResolver::create(localContext());
        const OUString url = ou("uno:pipe,name=" + uno->process.pipeName() + ";urp;StarOffice.ComponentContext");
        bool restarted = false;
        while (!uno->context.is()) {
            try {
                uno->context.set(resolver->resolve(url), UNO_QUERY_THROW);
            } catch (const css::connection::NoConnectException&) {
                if (!uno->process.running()) {
                    if (uno->process.exitStatus() != kRestartRequested || restarted)
                        throw Exception("the office ended while starting");
                    uno->process.restart();
                    restarted = true;
                }
                if (std::chrono::steady_clock::now() > deadline) throw Exception("the office did not answer in time");
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        uno->desktop = css::frame::Desktop::create(uno->context);
    } catch (const css::uno::Exception& e) {
        uno->release();
        throw Exception("cannot connect to the office: " + utf8(e.Message));
    } catch (...) {
        uno->release();
        throw;
    }
    return uno;
}

OfficeSession::~OfficeSession() {
    // Released without quitting: the office goes all the same, and no reference outlives it.
    if (!m_uno) return;
    m_uno->process.kill();
    m_uno->release();
}

void OfficeSession::ensureAlive() {
    if (m_quit) throw gone();
    if (m_uno && m_uno->process.running()) return;
    replaceOffice();
}

void OfficeSession::replaceOffice() {
    // The dead office keeps its profile slot until the fresh one has taken another: the replacement
    // starts clean, on a profile the dead one was not using when it went.
    const std::unique_ptr<Uno> dead = std::move(m_uno);
    if (dead) {
        dead->process.kill();
        dead->release();
    }
    if (m_replacementsLeft <= 0) throw gone();
    --m_replacementsLeft;
    try {
        m_uno = startOffice();
    } catch (const std::exception&) {
        // An office that cannot start once will not start the next time either.
        m_replacementsLeft = 0;
        throw gone();
    }
}

void OfficeSession::renewOffice() {
    // Like a replacement, the fresh office takes a profile slot of its own while the old one ends.
    const std::unique_ptr<Uno> retired = std::move(m_uno);
    retired->shutDown(m_options.callLimit);
    try {
        m_uno = startOffice();
    } catch (const std::exception&) {
        m_replacementsLeft = 0;
        throw gone();
    }
}

template <class F>
auto OfficeSession::guarded(const char* what, F&& work) {
    ensureAlive();
    Watchdog watchdog(m_options.callLimit, [this] { m_uno->process.signalGroup(); });
    // A killed office can still look alive for a moment while its threads end: it is waited for
    // here, so that the next call finds it gone and replaces it instead of failing on it too.
    const auto bury = [this] { m_uno->process.waitOrKill(std::chrono::milliseconds(0)); };
    const auto failure = [&](const css::uno::Exception& e) {
        if (watchdog.fired()) {
            bury();
            return DispatchError(std::string(what) + ": the office did not answer in time");
        }
        if (!m_uno->process.running()) return gone();
        return DispatchError(std::string(what) + ": " + utf8(e.Message));
    };
    try {
        return work();
    } catch (const css::lang::DisposedException&) {
        // The connection has gone: whatever is left of this office is of no more use.
        bury();
        throw gone();
    } catch (const css::uno::Exception& e) {
        throw failure(e);
    }
}

void OfficeSession::setActivePrinter(const std::string& name) {
    ensureAlive();
    // The office itself would print an unknown name on the default printer without a word.
    if (!printerExists(name)) throw DispatchError("there is no printer named \"" + name + "\"");
    m_printer = name;
}

std::string OfficeSession::activePrinter() const {
    if (m_printer) return *m_printer;
    return defaultPrinter().value_or(std::string());
}

void OfficeSession::open(const std::string& path) {
    if (path.empty() || path.front() != '/') throw DispatchError("\"" + path + "\" is not an absolute path");
    ensureAlive();
    if (m_uno->opened >= m_options.documentsPerOffice) renewOffice();
    guarded("open", [&] {
        // No interaction handler: a password or a question makes the load fail instead of waiting.
        const Sequence<css::beans::PropertyValue> args = properties({
            property("Hidden", css::uno::Any(!m_visible)),
            property("MacroExecutionMode", css::uno::Any(css::document::MacroExecMode::NEVER_EXECUTE)),
            property("UpdateDocMode", css::uno::Any(css::document::UpdateDocMode::NO_UPDATE)),
            // Always read-only, and so without a lock file beside the user's document: a print tool
            // never writes to the documents it prints.
            property("ReadOnly", css::uno::Any(true)),
        });
        const Reference<css::lang::XComponent> component =
            m_uno->desktop->loadComponentFromURL(ou(fileUrlFromPath(path)), OUString("_blank"), 0, args);
        if (!component.is()) throw DispatchError("cannot open \"" + path + "\"");
        std::string filter;
        if (const Reference<css::frame::XModel> model{component, UNO_QUERY}; model.is())
            for (const css::beans::PropertyValue& arg : model->getArgs())
                if (arg.Name == "FilterName") filter = utf8(arg.Value.get<OUString>());
        if (!filterMatchesKind(path, filter)) {
            if (const Reference<css::util::XCloseable> closeable{component, UNO_QUERY}; closeable.is())
                closeable->close(true);
            throw DispatchError("\"" + path + "\" is not what its name says (read as " + filter + ")");
        }
        // Only the active document can be printed: the one it replaces is closed, so that the office
        // holds one document however long the batch.
        ++m_uno->opened;
        std::vector<Uno::Document> replaced = std::exchange(m_uno->documents, {{component, path}});
        for (Uno::Document& document : replaced) closeDocument(document.component);
    });
}

std::string OfficeSession::activeDocumentPath() const {
    return !m_uno || m_uno->documents.empty() ? std::string() : m_uno->documents.back().path;
}

int OfficeSession::documentCount() {
    return guarded("count", [&] {
        int count = 0;
        const Reference<css::container::XEnumeration> components = m_uno->desktop->getComponents()->createEnumeration();
        while (components->hasMoreElements()) {
            components->nextElement();
            ++count;
        }
        return count;
    });
}

void OfficeSession::printActive() {
    ensureAlive();
    if (m_uno->documents.empty()) throw DispatchError("no document is open");
    const std::string printer = activePrinter();
    if (printer.empty()) throw DispatchError("there is no printer to print on");
    const QueueTurn turn(printer, m_options.callLimit);
    const int before = newestJob(printer, m_lastJob);
    const PrintInFlight inFlight(printer, before);  // an interruption cancels what reached CUPS
    guarded("print", [&] {
        const Reference<css::view::XPrintable> printable{m_uno->documents.back().component, UNO_QUERY_THROW};
        printable->setPrinter(properties({property("Name", css::uno::Any(ou(printer)))}));
        printable->print(properties({property("Wait", css::uno::Any(true))}));
    });
    // A queue that rejects jobs, or no scheduler at all, and the office reports success regardless.
    // Only our own job counts: another client printing on the same queue meanwhile proves nothing.
    const std::optional<int> job = ownJob(printer, before);
    if (!job) throw DispatchError("printing made no job on \"" + printer + "\"");
    m_lastJob = *job;
}

void OfficeSession::quit() {
    if (m_quit) throw gone();
    if (!m_uno || !m_uno->process.running()) {
        // Gone already: nothing is left to close. Only an office that could not be brought back
        // makes the quit fail, as every call since has.
        const bool replaceable = m_uno && m_replacementsLeft > 0;
        m_quit = true;
        if (m_uno) {
            m_uno->process.kill();
            m_uno->release();
        }
        if (!replaceable) throw gone();
        return;
    }
    m_quit = true;
    m_uno->shutDown(m_options.callLimit);
}

}  // namespace writer
