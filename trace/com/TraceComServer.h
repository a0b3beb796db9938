// The trace server packaged for COM (Windows): the factory that the in-process DLL and the local
// server give COM. They are started by COM, not by us, so they are configured from the environment:
//
//   QUIRELLA_TRACE_LOG=FILE     the trace lines are appended to FILE, UTF-8, one whole write per
//                               line; without it they go to standard error.
//   QUIRELLA_TRACE_FAIL=RULES   fail rules as quirella-batch's --fail takes them, MEMBER or
//                               MEMBER:K, separated by commas: QUIRELLA_TRACE_FAIL=Open:1,Quit
//
// A rule that cannot be read is reported as a "bad-rule" line and ignored. Under Wine, COM starts a
// local server from the client's process, so the client's environment reaches it; Windows' COM
// launcher gives a local server the user's environment instead (set the variables with setx).
//
// Each application object has a trace state of its own, so call counts start afresh with every
// client. Like Word, the application makes its active printer the user's default printer when told
// to set it, and says so: default-printer "NAME" set (or refused).
#pragma once

#include "ole/ClassRegistry.h"
#include "trace/TraceServer.h"

#include <optional>
#include <string>
#include <vector>

namespace trace {

struct ComServerSettings {
    bool localServer = false;  // fills failures' descriptions in at once (see TraceServer::fillInAtOnce)
    std::optional<std::wstring> logFile;
    std::vector<FailRule> failures;
    std::vector<std::string> badRules;
};

ComServerSettings comServerSettings();  // from the environment

ole::ObjectFactory comServerFactory(ComServerSettings settings);

}  // namespace trace
