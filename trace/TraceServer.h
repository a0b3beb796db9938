// A stand-in "Word.Application" that answers the members this program uses and writes every call it
// receives as one line:
//     lookup Application PrintOut Background
//     invoke Application.Visible PROPERTYPUT named=[-3] args=[VT_BOOL -1] result=no
//     fail Documents.Open DISP_E_EXCEPTION
//     fill-in Documents.Open
//     create Documents#1
//     destroy Documents#1
// Arguments are listed first parameter first, named ones after the positional ones; strings in double
// quotes, UTF-8. It can be told to fail a member's K-th call, or every call.
#pragma once

#include "ole/Automation.h"
#include "ole/ClassRegistry.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trace {

struct FailRule {
    std::string member;      // a member name, "Application" for creating the object, "*" for any member
    int call = 0;            // the K-th call (1-based); 0 for every call
    bool onward = false;     // the K-th call and every later one, as when the server has gone away
    HRESULT code = static_cast<HRESULT>(0x80020009);  // DISP_E_EXCEPTION, with a deferred fill-in
};

// Reads MEMBER or MEMBER:K, as the command line gives it.
std::optional<FailRule> parseFailRule(std::string_view text);

struct TraceState;

class TraceServer {
public:
    using Sink = std::function<void(const std::string& line)>;

    explicit TraceServer(Sink sink, std::vector<FailRule> failures = {});
    ~TraceServer();
    TraceServer(const TraceServer&) = delete;
    TraceServer& operator=(const TraceServer&) = delete;

    // Creates a new application object, as CoCreateInstance's class factory would.
    HRESULT createApplication(REFIID riid, void** object);

    // Makes the server the class behind the programmatic identifier until the registration goes.
    ole::ClassRegistration registerAs(std::string_view progId);

    // Called with the printer name whenever "ActivePrinter" is set, after the trace line: where the
    // stand-in should also do what Word does besides (make it the system's default printer).
    using PrinterHook = std::function<void(const std::string& printer)>;
    void onActivePrinter(PrinterHook hook);

    // Called when an application object goes.
    void onApplicationGone(std::function<void()> hook);

    // For a server in a process of its own: a failure's description is filled in before the EXCEPINFO
    // leaves, and no routine of the server's reaches the client (Windows' marshaling calls it in the
    // server itself; Wine's hands the pointer over, and the client crashes calling it).
    void fillInAtOnce();

    // Rejects the first `calls` calls as busy (RPC_E_CALL_REJECTED), as a word processor does while it
    // starts or works; they are not counted for the fail rules. A server in a process of its own
    // rejects them in COM instead (see trace/com).
    void busyFor(int calls);

    // Holds the calls that the rules match for `length` before carrying them out, writing
    // "hold Documents.Open 5000 ms": a word processor waiting on a question nobody can see.
    void holdCalls(std::vector<FailRule> rules, std::chrono::milliseconds length);

    static const CLSID kClassId;

private:
    std::shared_ptr<TraceState> m_state;
};

}  // namespace trace
