#include "app/BatchRun.h"

#include "app/AutomationServers.h"
#include "ole/Apartment.h"
#include "printing/PrintRun.h"
#include "printing/PrinterList.h"
#include "trace/TraceServer.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <thread>

namespace {

// Each line as the run appends it, flushed at once so that a watcher sees progress as it happens.
class StreamLog : public ProgressLog {
public:
    explicit StreamLog(std::ostream& out) : m_out(out) {}
    void clear() override {}
    void append(const std::string& line) override { m_out << line << std::endl; }

private:
    std::ostream& m_out;
};

std::string absolutePath(const std::string& file) {
    std::error_code error;
    const std::filesystem::path path(std::u8string(file.begin(), file.end()));
    if (path.is_absolute()) return file;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) return file;
    const std::u8string text = absolute.u8string();
    return {text.begin(), text.end()};
}

int statusOf(const RunOutcome& outcome) {
    switch (outcome.end) {
    case RunEnd::Rejected: return kRejected;
    case RunEnd::SetupFailed: return kSetupFailed;
    case RunEnd::QuitFailed: return kQuitFailed;
    case RunEnd::Completed: break;
    }
    return outcome.failedDocuments > 0 ? kDocumentsFailed : kCompleted;
}

}  // namespace

int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err) {
    const std::vector<std::string> entries = printerEntries(systemPrinterNames());
    if (options.listPrinters) {
        for (const std::string& entry : entries) out << entry << '\n';
        out.flush();
        return kCompleted;
    }

    PrintRequest request;
    request.printerEntryCount = static_cast<int>(entries.size());
    for (const std::string& file : options.files) request.documents.push_back(absolutePath(file));
    request.copiesText = options.copies;
    request.printerText = options.printer;
    request.showWord = options.show;

    RunOperations operations;
    operations.showErrorBox = [&err](const std::string& text, const std::string&) { err << text << std::endl; };
    operations.resetCopies = [](const std::string&) {};  // there is no field to reset here
    operations.pause = [](std::chrono::milliseconds length) { std::this_thread::sleep_for(length); };
    operations.documentPause = options.pause;
    operations.reportSetupFailure = [&err](const std::string& cause) { err << "quirella-batch: " << cause << std::endl; };

    ole::CallLimits limits;
    limits.answer = options.callLimit;
    const ole::Apartment apartment(limits);
    std::optional<trace::TraceServer> traceServer;
    ole::ClassRegistration registration;
    if (options.dryRun) {
        traceServer.emplace([&err](const std::string& line) { err << line << std::endl; }, options.failures);
        registration = traceServer->registerAs("Word.Application");
    } else {
        registration = registerSystemAutomationServers(options.callLimit);
    }

    StreamLog log(out);
    return statusOf(PrintRun(request, log, operations));
}
