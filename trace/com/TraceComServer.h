// The trace server packaged for COM (Windows): the factory that the in-process DLL and the local
// server give COM. They are started by COM, not by us, so they are configured from the environment:
//
//   QUIRELLA_TRACE_LOG=FILE     the trace lines are appended to FILE, UTF-8, one whole write per
//                               line; without it they go to standard error.
//   QUIRELLA_TRACE_FAIL=RULES   fail rules as quirella-batch's --fail takes them, MEMBER or
//                               MEMBER:K, separated by commas: QUIRELLA_TRACE_FAIL=Open:1,Quit
//
//   QUIRELLA_TRACE_BUSY=N       the first N calls are rejected as busy. The local server rejects them in
//                               COM, from its message filter, as Word does: SERVERCALL_RETRYLATER, or
//                               under Wine, which ignores that answer (its COM has no client-side
//                               retry), SERVERCALL_REJECTED; each writes "busy Invoke SERVERCALL_...".
//                               The DLL's objects answer RPC_E_CALL_REJECTED themselves.
//   QUIRELLA_TRACE_HOLD=RULES   calls held before they are answered, in the fail rules' form
//                               (Open:1), for QUIRELLA_TRACE_HOLD_MS milliseconds (default 10000):
//                               a word processor stuck on a question nobody can see.
//
// A rule or number that cannot be read is reported as a "bad-rule" line and ignored. Under Wine, COM starts a
// local server from the client's process, so the client's environment reaches it; Windows' COM
// launcher gives a local server the user's environment instead (set the variables with setx).
//
// Each application object has a trace state of its own, so call counts start afresh with every
// client. Like Word, the application makes its active printer the user's default printer when told
// to set it, and says so: default-printer "NAME" set (or refused).
#pragma once

#include "ole/ClassRegistry.h"
#include "trace/TraceServer.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace trace {

struct ComServerSettings {
    bool localServer = false;  // fills failures' descriptions in at once (see TraceServer::fillInAtOnce)
    std::optional<std::wstring> logFile;
    std::vector<FailRule> failures;
    int busyCalls = 0;
    std::vector<FailRule> holds;
    std::chrono::milliseconds holdLength{10000};
    std::vector<std::string> badRules;
};

ComServerSettings comServerSettings();  // from the environment

ole::ObjectFactory comServerFactory(ComServerSettings settings);

}  // namespace trace
