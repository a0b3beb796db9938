// Runs quirella-batch once: the same print run as the window's, its lines on standard output.
#pragma once

#include "app/BatchOptions.h"

#include <iosfwd>

// Exit statuses; a contract for scripts.
enum BatchStatus : int {
    kCompleted = 0,
    kDocumentsFailed = 1,
    kRejected = 2,
    kSetupFailed = 3,
    kQuitFailed = 4,
    kUsage = 64,
    kInternalError = 70,
    // Ended by a signal: 128 + its number, as shells report it.
    kHangUp = 129,
    kInterrupted = 130,
    kTerminated = 143,
};

int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err);
