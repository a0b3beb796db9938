// One private office over UNO, doing what the word processor's application object is asked to do.
// Every call is bounded by the watchdog. An office that died or hung is replaced by a fresh one at
// the next call, a few times per session; after that, calls fail promptly.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "writer/OfficeProcess.h"

namespace writer {

// Long enough for a large document to load or print; a call still running then means a hung office.
inline constexpr std::chrono::seconds kCallLimit{180};
// How long the office may take to start and answer.
inline constexpr std::chrono::seconds kStartLimit{60};
// How many dead or hung offices one session replaces: enough for a few bad documents in a batch,
// few enough that an office which dies on everything cannot keep a run restarting it.
inline constexpr int kReplacementLimit = 3;
// How many documents one office opens before a fresh one takes over. A closed document gives back
// most of its memory but not all (about 0.4 MB each stays with the office), so a long batch is
// shared among offices that each stay small; a fresh start costs about a second.
inline constexpr int kDocumentsPerOffice = 100;

struct OfficeOptions {
    std::string program = kOfficeProgram;
    std::chrono::milliseconds startLimit = kStartLimit;
    std::chrono::milliseconds callLimit = kCallLimit;
    int documentsPerOffice = kDocumentsPerOffice;
};

class OfficeSession {
public:
    // Starts the office and connects to it; throws Exception when it does not come up in time.
    explicit OfficeSession(const OfficeOptions& options = {});
    ~OfficeSession();  // the office goes with it
    OfficeSession(const OfficeSession&) = delete;
    OfficeSession& operator=(const OfficeSession&) = delete;

    // Throws when the office has quit, or has gone and cannot be replaced: nothing can be asked of
    // it any more. An office that has gone is replaced here, with the same printer and visibility.
    void ensureAlive();

    void setVisible(bool visible) { m_visible = visible; }
    bool visible() const noexcept { return m_visible; }

    // The printer must be a CUPS destination; an unknown or empty name throws.
    void setActivePrinter(const std::string& name);
    std::string activePrinter() const;

    // Opens the document (an absolute path), read-only, and makes it the active one; throws on any
    // failure, including content that does not match the file's kind. Only the active document can
    // be printed, so the one it replaces is closed: the office holds one document however long the
    // batch. A failed open leaves the previous document active, as the word processor does. After
    // documentsPerOffice documents a fresh office takes over before the next one opens.
    void open(const std::string& path);
    std::string activeDocumentPath() const;
    // The documents the office itself has open.
    int documentCount();

    // Prints the active document on the active printer and returns once the job is spooled; a print
    // that made no job is a failure.
    void printActive();

    // Closes every document without saving and ends the office. An office that has already gone
    // has nothing left to close, unless it could not be replaced: then the quit fails too.
    void quit();

private:
    struct Uno;
    template <class F>
    auto guarded(const char* what, F&& work);
    std::unique_ptr<Uno> startOffice() const;
    void replaceOffice();
    void renewOffice();

    OfficeOptions m_options;
    std::unique_ptr<Uno> m_uno;  // empty once an office could not be replaced
    int m_replacementsLeft = kReplacementLimit;
    bool m_visible = false;
    std::optional<std::string> m_printer;
    bool m_quit = false;
    int m_lastJob = 0;  // the newest job seen, so that each check asks only for newer ones
};

}  // namespace writer
