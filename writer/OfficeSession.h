// One private office over UNO, doing what the word processor's application object is asked to do.
// Every call is bounded by the watchdog and fails promptly once the office has gone.
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

struct OfficeOptions {
    std::string program = kOfficeProgram;
    std::chrono::milliseconds startLimit = kStartLimit;
    std::chrono::milliseconds callLimit = kCallLimit;
};

class OfficeSession {
public:
    // Starts the office and connects to it; throws Exception when it does not come up in time.
    explicit OfficeSession(const OfficeOptions& options = {});
    ~OfficeSession();  // the office goes with it
    OfficeSession(const OfficeSession&) = delete;
    OfficeSession& operator=(const OfficeSession&) = delete;

    // Throws when the office has quit or died: nothing can be asked of it any more.
    void ensureAlive();

    void setVisible(bool visible) { m_visible = visible; }
    bool visible() const noexcept { return m_visible; }

    // The printer must be a CUPS destination; an unknown or empty name throws.
    void setActivePrinter(const std::string& name);
    std::string activePrinter() const;

    // Opens the document (an absolute path), read-only, and makes it the active one; throws on any
    // failure, including content that does not match the file's kind.
    void open(const std::string& path);
    std::string activeDocumentPath() const;
    int documentCount() const;

    // Prints the active document on the active printer and returns once the job is spooled; a print
    // that made no job is a failure.
    void printActive();

    // Closes every document without saving and ends the office.
    void quit();

private:
    struct Uno;
    template <class F>
    auto guarded(const char* what, F&& work);

    OfficeOptions m_options;
    std::unique_ptr<Uno> m_uno;
    bool m_visible = false;
    std::optional<std::string> m_printer;
    bool m_quit = false;
    int m_lastJob = 0;  // the newest job seen, so that each check asks only for newer ones
};

}  // namespace writer
