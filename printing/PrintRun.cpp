#include "printing/PrintRun.h"

#include "ole/Exceptions.h"
#include "printing/Copies.h"
#include "printing/DefaultPrinter.h"
#include "printing/RunTexts.h"

#include <optional>

namespace {

std::string str(std::string_view text) { return std::string(text); }

}  // namespace

RunOutcome PrintRun(const PrintRequest& request, ProgressLog& log, const RunOperations& operations,
                    WordAutomation application) {
    // Held here so that the application object goes on every way out of the run, before it returns.
    WordAutomation word = std::move(application);
    RunOutcome outcome;

    if (request.printerEntryCount <= 0) {
        operations.showErrorBox(str(texts::kNoPrinters), str(texts::kMessageCaption));
        return outcome;  // the previous run's lines stay
    }
    log.clear();
    if (request.documents.empty()) {
        operations.showErrorBox(str(texts::kNoDocuments), str(texts::kMessageCaption));
        return outcome;
    }
    const std::optional<std::int32_t> checkedCopies = parseCopies(request.copiesText);
    if (!checkedCopies || *checkedCopies < 1) {
        operations.showErrorBox(str(checkedCopies ? texts::kCopiesBelowOne : texts::kNotANumber),
                                str(texts::kErrorCaption));
        operations.resetCopies("1");
        return outcome;
    }

    // Word makes its active printer the user's default for every program: the user's own default
    // comes back when the run ends, whichever way it ends.
    std::optional<DefaultPrinterGuard> userDefaultPrinter;
    // The word processor is started only once the request has passed every check.
    try {
        word.CreateApplication();
        // Documents opened by automation otherwise run their macros. Old versions lack the property;
        // that is the one failure a run can live with.
        try {
            word.SetAutomationSecurity(WordAutomation::kForceDisableMacros);
        } catch (const Exception&) {
        }
        // An invisible word processor that asks a question (repair a damaged file, open a locked one
        // read-only) waits for an answer nobody can give: it is to take the default answer instead.
        try {
            word.SetDisplayAlerts(WordAutomation::kAlertsNone);
        } catch (const Exception&) {
        }
        word.SetVisible(request.showWord);
        if (request.printerText != texts::kDefaultPrinterEntry) {
            userDefaultPrinter.emplace();
            word.SetActivePrinter(request.printerText);
        }
    } catch (const Exception& e) {
        if (operations.reportSetupFailure) operations.reportSetupFailure(causeText(e));
        log.append(str(texts::kSetupFailed));
        outcome.end = RunEnd::SetupFailed;
        return outcome;  // `word` goes here: the application object is released, nothing more is sent
    }
    log.append(str(texts::kStarted));

    // The number of passes; the conversion above only served the check.
    const std::optional<std::int32_t> copies = parseCopies(request.copiesText);
    if (!copies) throw Exception(str(texts::kNotANumber));

    for (std::int64_t pass = 1; pass <= *copies; ++pass) {
        if (*copies > 1) log.append(texts::passLine(pass));
        for (std::size_t i = 0; i < request.documents.size(); ++i) {
            const std::string path = request.documents[i];
            log.append(texts::documentLine(path));
            try {
                // A new collection for every document, released when its steps end, either way.
                const AutomationObject documents = word.GetDocuments();
                word.OpenDocument(documents, path, false, false, false);
                word.PrintActiveDocument();
            } catch (const Exception&) {
                log.append(texts::failureLine(path));
                ++outcome.failedDocuments;
            }
            operations.pause(operations.documentPause);
        }
    }

    try {
        word.QuitApplication();
    } catch (const Exception&) {
        log.append(str(texts::kQuitFailed));
        outcome.end = RunEnd::QuitFailed;
        return outcome;
    }
    log.append(str(texts::kFinished));
    outcome.end = RunEnd::Completed;
    return outcome;
}
