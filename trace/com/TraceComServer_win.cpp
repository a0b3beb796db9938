#include "trace/com/TraceComServer.h"

#include "ole/ComServer.h"
#include "ole/Text.h"
#include "printing/DefaultPrinter.h"

#include <algorithm>
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

}  // namespace

ComServerSettings comServerSettings() {
    ComServerSettings settings;
    settings.logFile = environment(L"QUIRELLA_TRACE_LOG");
    if (const std::optional<std::wstring> rules = environment(L"QUIRELLA_TRACE_FAIL")) {
        const std::string text = ole::toUtf8(ole::OleStringView(rules->data(), rules->size()));
        std::size_t start = 0;
        while (start <= text.size()) {
            const std::size_t comma = std::min(text.find(',', start), text.size());
            const std::string rule = text.substr(start, comma - start);
            if (const std::optional<FailRule> parsed = parseFailRule(rule)) settings.failures.push_back(*parsed);
            else settings.badRules.push_back(rule);
            start = comma + 1;
        }
    }
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
        server.onActivePrinter([sink](const std::string& printer) {
            const bool set = setDefaultPrinter(printer);
            sink("default-printer \"" + printer + "\" " + (set ? "set" : "refused"));
        });
        return server.createApplication(riid, object);
    };
}

}  // namespace trace
