// One print run: checks the request, starts the word processor, has it open and print every document
// once per copy, pausing after each, and quits it. Progress goes to the log as fixed lines.
#pragma once

#include "printing/PrintRequest.h"
#include "printing/ProgressLog.h"
#include "printing/WordAutomation.h"

#include <chrono>
#include <functional>
#include <string>

// What the run needs of the window that started it.
struct RunOperations {
    // A modal error box; returns when the user has closed it.
    std::function<void(const std::string& text, const std::string& caption)> showErrorBox;
    // Replaces the copies field's text; the run only ever sets "1".
    std::function<void(const std::string& text)> resetCopies;
    // Blocks the thread without handling window messages.
    std::function<void(std::chrono::milliseconds)> pause;
    // How long to pause after each document.
    std::chrono::milliseconds documentPause{1000};
    // Told why the set-up failed (the exception's text and the server's description), for whoever
    // wants to know: the log line itself never says. May be empty.
    std::function<void(const std::string& cause)> reportSetupFailure{};
};

// How a run ended; the window reads nothing of it, the command-line front turns it into its exit status.
enum class RunEnd {
    Rejected,      // one of the four error boxes
    SetupFailed,   // the word processor could not be started or set up
    QuitFailed,    // the documents went out, but quitting failed
    Completed,
};

struct RunOutcome {
    RunEnd end = RunEnd::Rejected;
    int failedDocuments = 0;
};

RunOutcome PrintRun(const PrintRequest& request, ProgressLog& log, const RunOperations& operations,
                    WordAutomation word = {});
