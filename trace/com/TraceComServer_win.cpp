#include "trace/com/TraceComServer.h"

#include "ole/ComObject_win.h"
#include "ole/ComServer.h"
#include "ole/Text.h"
#include "printing/DefaultPrinter.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <functional>
#include <utility>
#include <cstdio>
#include <memory>

namespace trace {

namespace {

std::optional<std::wstring> environment(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

// Opened for each line and closed again: whatever else writes to the file (a server of the other
// bitness, the test reading it) sees whole lines.
void appendLine(const std::wstring& file, const std::string& line) {
    const HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(handle);
}

std::optional<std::string> environmentText(const wchar_t* name) {
    const std::optional<std::wstring> value = environment(name);
    if (!value) return std::nullopt;
    return ole::toUtf8(ole::OleStringView(value->data(), value->size()));
}

void readRules(const wchar_t* name, std::vector<FailRule>& rules, std::vector<std::string>& badRules) {
    const std::optional<std::string> text = environmentText(name);
    if (!text) return;
    std::size_t start = 0;
    while (start <= text->size()) {
        const std::size_t comma = std::min(text->find(',', start), text->size());
        const std::string rule = text->substr(start, comma - start);
        if (const std::optional<FailRule> parsed = parseFailRule(rule)) rules.push_back(*parsed);
        else badRules.push_back(rule);
        start = comma + 1;
    }
}

// A whole number from 0, or nothing (a bad one is reported).
std::optional<int> readNumber(const wchar_t* name, std::vector<std::string>& badRules) {
    const std::optional<std::string> text = environmentText(name);
    if (!text) return std::nullopt;
    int value = -1;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (text->empty() || error != std::errc() || end != text->data() + text->size() || value < 0) {
        badRules.push_back(*text);
        return std::nullopt;
    }
    return value;
}

// The local server's busy spell, in COM as Word's: its first calls on IDispatch are turned away before
// they reach an object. It lives as long as the server's apartment.
class BusyFilter final : public ole::ComObject<IMessageFilter, IID_IMessageFilter> {
public:
    BusyFilter(int calls, std::function<void(const std::string&)> write) : m_left(calls), m_write(std::move(write)) {}

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO info) override {
        // Only the automation calls: activation and reference counting pass, as they do with Word.
        if (m_left <= 0 || !info || !IsEqualGUID(info->iid, IID_IDispatch)) return SERVERCALL_ISHANDLED;
        --m_left;
        const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
        const char* method = info->wMethod == 5 ? "GetIDsOfNames" : info->wMethod == 6 ? "Invoke" : "IDispatch";
        m_write(std::string("busy ") + method + (wine ? " SERVERCALL_REJECTED" : " SERVERCALL_RETRYLATER"));
        return wine ? SERVERCALL_REJECTED : SERVERCALL_RETRYLATER;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }

private:
    int m_left;
    std::function<void(const std::string&)> m_write;
};

}  // namespace

ComServerSettings comServerSettings() {
    ComServerSettings settings;
    settings.logFile = environment(L"QUIRELLA_TRACE_LOG");
    readRules(L"QUIRELLA_TRACE_FAIL", settings.failures, settings.badRules);
    readRules(L"QUIRELLA_TRACE_HOLD", settings.holds, settings.badRules);
    if (const std::optional<int> length = readNumber(L"QUIRELLA_TRACE_HOLD_MS", settings.badRules))
        settings.holdLength = std::chrono::milliseconds(*length);
    if (const std::optional<int> calls = readNumber(L"QUIRELLA_TRACE_BUSY", settings.badRules))
        settings.busyCalls = *calls;
    return settings;
}


ole::ObjectFactory comServerFactory(ComServerSettings settings) {
    return [settings](REFIID riid, void** object) {
        // The application and everything it hands out share one state, which holds the sink, which
        // holds this lock: the server is in use exactly as long as any of its objects lives.
        auto inUse = std::make_shared<ole::ServerLock>();
        TraceServer::Sink sink = [logFile = settings.logFile, inUse](const std::string& line) {
            if (logFile) {
                appendLine(*logFile, line);
            } else {
                std::fputs((line + "\n").c_str(), stderr);
                std::fflush(stderr);
            }
        };
        for (const std::string& rule : settings.badRules) sink("bad-rule \"" + rule + "\"");
        TraceServer server(sink, settings.failures);
        if (settings.localServer) server.fillInAtOnce();
        server.holdCalls(settings.holds, settings.holdLength);
        // As Word's process ends with its application: a document whose reference was in the answer to
        // a call the client gave up would otherwise keep the server running for good (Wine has no
        // pinging to collect it).
        if (settings.localServer) server.onApplicationGone([] { ole::endLocalServer(); });
        if (settings.busyCalls > 0) {
            // One busy spell per server process, from its first object on.
            static bool filtered = false;
            if (!settings.localServer) {
                server.busyFor(settings.busyCalls);
            } else if (!std::exchange(filtered, true)) {
                const auto write = [logFile = settings.logFile](const std::string& line) {
                    if (logFile) appendLine(*logFile, line);
                    else std::fputs((line + "\n").c_str(), stderr);
                };
                auto* filter = new BusyFilter(settings.busyCalls, write);
                CoRegisterMessageFilter(filter, nullptr);
                filter->Release();
            }
        }
        server.onActivePrinter([sink](const std::string& printer) {
            const bool set = setDefaultPrinter(printer);
            sink("default-printer \"" + printer + "\" " + (set ? "set" : "refused"));
        });
        return server.createApplication(riid, object);
    };
}

}  // namespace trace
