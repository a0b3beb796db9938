// quirella-batch's command line:
//     quirella-batch [-p|--printer NAME] [-n|--copies TEXT] [--show] [--pause-ms N] [--call-limit-ms N] [--dry-run [--fail MEMBER[:K]]] FILE...
//     quirella-batch --list-printers
//     quirella-batch --help | --version
#pragma once

#include "ole/CallGuard.h"
#include "trace/TraceServer.h"

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct BatchOptions {
    bool listPrinters = false;
    bool help = false;
    bool version = false;
    std::string printer = "系统缺省打印机";
    std::string copies = "1";
    bool show = false;
    std::chrono::milliseconds pause{1000};
    // How long one call may wait for the word processor, busy retries included (Windows).
    std::chrono::milliseconds callLimit = ole::CallLimits{}.answer;
    bool dryRun = false;
    std::vector<trace::FailRule> failures;
    std::vector<std::string> files;  // as given
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// `arguments` without the program name. Throws UsageError for an unknown option or a missing or
// malformed value. No FILE at all is allowed: the run rejects an empty document list itself.
BatchOptions parseBatchOptions(const std::vector<std::string>& arguments);

extern const char* const kBatchUsage;
