// The print run end to end against the trace server: checks, set-up, passes, failures, quitting.
#include "ole/CallGuard.h"
#include "ole/Exceptions.h"
#include "printing/PrintRun.h"
#include "printing/RunTexts.h"
#include "support/TraceFixture.h"
#include "support/RunLines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

using testing::Contains;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;
using testing::Not;

namespace {

const std::string kSetupFailed = "系统没有安装Office软件，无法打印！";
const std::string kQuitFailed = "系统错误，请检查！";

struct Box {
    std::string text, caption;
    bool operator==(const Box&) const = default;
};

// Everything a run touches, as the window would give it.
struct Harness {
    LineLog log;
    std::vector<Box> boxes;
    std::vector<std::string> copiesResets;
    std::vector<std::chrono::milliseconds> pauses;
    std::vector<std::string> linesAtBox;  // the log as it stood when a box came up

    RunOperations operations() {
        RunOperations ops;
        ops.showErrorBox = [this](const std::string& text, const std::string& caption) {
            boxes.push_back({text, caption});
            linesAtBox = log.lines();
        };
        ops.resetCopies = [this](const std::string& text) { copiesResets.push_back(text); };
        ops.pause = [this](std::chrono::milliseconds length) { pauses.push_back(length); };
        return ops;
    }
    RunOutcome run(const PrintRequest& request) { return PrintRun(request, log, operations()); }
};

PrintRequest request(std::vector<std::string> documents, std::string copies = "1",
                     std::string printer = "系统缺省打印机") {
    PrintRequest r;
    r.printerEntryCount = 2;
    r.documents = std::move(documents);
    r.copiesText = std::move(copies);
    r.printerText = std::move(printer);
    return r;
}

// ---- Rejected requests --------------------------------------------------------------------------

struct RejectCase {
    const char* name;
    int printers;
    std::vector<std::string> documents;
    const char* copies;
    Box box;
    bool resetsCopies;
};
void PrintTo(const RejectCase& row, std::ostream* out) { *out << row.name; }

const RejectCase kRejects[] = {
    {"NoPrinters", 0, {"/a.doc"}, "1", {"系统没有安装任何打印机，无法打印！", "    消息框!"}, false},
    {"NoDocuments", 2, {}, "1", {"没有添加任何待打印的文档!", "    消息框!"}, false},
    {"CopiesNotANumber", 2, {"/a.doc"}, "1.5", {"数字格式错误!", "    出错了!"}, true},
    {"CopiesEmpty", 2, {"/a.doc"}, "", {"数字格式错误!", "    出错了!"}, true},
    {"CopiesTooLarge", 2, {"/a.doc"}, "2147483648", {"数字格式错误!", "    出错了!"}, true},
    {"CopiesZero", 2, {"/a.doc"}, "0", {"打印份数不能小于1", "    出错了!"}, true},
    {"CopiesNegativeHex", 2, {"/a.doc"}, "$FFFFFFFF", {"打印份数不能小于1", "    出错了!"}, true},
};

class RejectedRequest : public testing::TestWithParam<RejectCase> {};

TEST_P(RejectedRequest, ShowsItsBoxAndNeverStartsTheWordProcessor) {
    const RejectCase& c = GetParam();
    RegisteredTrace trace;
    Harness h;
    h.log.append("the previous run's line");
    PrintRequest r = request(c.documents, c.copies);
    r.printerEntryCount = c.printers;

    EXPECT_EQ(h.run(r).end, RunEnd::Rejected);
    EXPECT_THAT(h.boxes, ElementsAre(c.box));
    // Without printers the log is left alone; otherwise it is cleared before the box comes up.
    if (c.printers == 0) EXPECT_THAT(h.log.lines(), ElementsAre("the previous run's line"));
    else EXPECT_THAT(h.linesAtBox, IsEmpty());
    EXPECT_EQ(h.log.lines().size(), c.printers == 0 ? 1u : 0u);
    if (c.resetsCopies) EXPECT_THAT(h.copiesResets, ElementsAre("1"));
    else EXPECT_THAT(h.copiesResets, IsEmpty());
    EXPECT_THAT(trace.lines(), IsEmpty());
    EXPECT_THAT(h.pauses, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(All, RejectedRequest, testing::ValuesIn(kRejects),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- Runs -----------------------------------------------------------------------------------------

TEST(PrintRun, OneCopyPrintsEachDocumentWithTheOperationsInOrder) {
    RegisteredTrace trace;
    Harness h;
    const RunOutcome outcome = h.run(request({"/docs/A.doc", "/docs/B 文档.rtf"}));

    EXPECT_EQ(outcome.end, RunEnd::Completed);
    EXPECT_EQ(outcome.failedDocuments, 0);
    EXPECT_THAT(h.log.lines(),
                ElementsAre(kStart, documentLine("/docs/A.doc"), documentLine("/docs/B 文档.rtf"), kFinal));
    EXPECT_THAT(h.pauses, ElementsAre(std::chrono::milliseconds(1000), std::chrono::milliseconds(1000)));
    EXPECT_THAT(trace.calls(),
                ElementsAre("Application.AutomationSecurity", "Application.DisplayAlerts", "Application.Visible", "Application.Documents",
                            "Documents.Open", "Application.PrintOut", "Application.Documents", "Documents.Open",
                            "Application.PrintOut", "Application.Quit"));
    EXPECT_THAT(h.boxes, IsEmpty());
    // Visible is sent even when not asked for, with false.
    EXPECT_THAT(trace.lines(), Contains("invoke Application.Visible PROPERTYPUT named=[-3] args=[VT_BOOL 0] result=no"));
    EXPECT_EQ(trace.lines().back(), "destroy Application#1");
}

TEST(PrintRun, EachDocumentGetsACollectionOfItsOwnReleasedBeforeTheNext) {
    RegisteredTrace trace;
    Harness h;
    h.run(request({"/a.doc", "/b.doc"}));
    std::vector<std::string> lifecycle;
    for (const std::string& line : trace.lines())
        if (line.find("Documents#") != std::string::npos) lifecycle.push_back(line);
    EXPECT_THAT(lifecycle, ElementsAre("create Documents#1", "destroy Documents#1", "create Documents#2",
                                       "destroy Documents#2"));
}

TEST(PrintRun, TwoCopiesWithAFailingDocumentGoOnAndQuit) {
    // B is the 2nd and 4th document opened.
    RegisteredTrace trace({{"Open", 2}, {"Open", 4}});
    Harness h;
    const RunOutcome outcome = h.run(request({"/A.doc", "/B.doc"}, "2"));

    EXPECT_EQ(outcome.end, RunEnd::Completed);
    EXPECT_EQ(outcome.failedDocuments, 2);
    EXPECT_THAT(h.log.lines(),
                ElementsAre(kStart, "正在提交第1份打印任务", documentLine("/A.doc"), documentLine("/B.doc"),
                            failureLine("/B.doc"), "正在提交第2份打印任务", documentLine("/A.doc"),
                            documentLine("/B.doc"), failureLine("/B.doc"), kFinal));
    EXPECT_EQ(h.pauses.size(), 4u);
    EXPECT_EQ(trace.calls().back(), "Application.Quit");
    // A failed Open prints nothing: PrintOut only for A, twice.
    const std::vector<std::string> calls = trace.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Application.PrintOut"), 2);
}

TEST(PrintRun, AFailedQuitEndsWithTheQuitLineAndReleasesTheApplication) {
    RegisteredTrace trace({{"Quit", 1}});
    Harness h;
    EXPECT_EQ(h.run(request({"/A.doc"})).end, RunEnd::QuitFailed);
    EXPECT_THAT(h.log.lines(), ElementsAre(kStart, documentLine("/A.doc"), kQuitFailed));
    EXPECT_EQ(trace.lines().back(), "destroy Application#1");
}

TEST(PrintRun, AWordProcessorThatGoesAwayFailsEveryRemainingDocumentAndTheQuit) {
    // Everything from the 5th call on is refused, as by a process that has died: that is A's PrintOut.
    RegisteredTrace trace({{"*", 5, true, RPC_E_DISCONNECTED}});
    Harness h;
    EXPECT_EQ(h.run(request({"/A.doc", "/B.doc", "/C.doc"})).end, RunEnd::QuitFailed);
    EXPECT_THAT(h.log.lines(), ElementsAre(kStart, documentLine("/A.doc"), failureLine("/A.doc"),
                                           documentLine("/B.doc"), failureLine("/B.doc"), documentLine("/C.doc"),
                                           failureLine("/C.doc"), kQuitFailed));
    EXPECT_EQ(h.pauses.size(), 3u);
}

struct SetupCase {
    const char* name;
    std::vector<trace::FailRule> failures;
    bool registered;
    std::string printer;
    std::vector<std::string> calls;  // what reached the server
    HRESULT causeCode;       // what the run reports beside its log line: the code's own text,
    std::string causeDetail;  // then the server's description, when there is one
};
void PrintTo(const SetupCase& row, std::ostream* out) { *out << row.name; }

const SetupCase kSetups[] = {
    {"NoWordProcessor", {}, false, "HP", {}, CO_E_CLASSSTRING, "Word.Application"},
    {"CannotStart", {{"Application", 0}}, true, "HP", {}, CO_E_SERVER_EXEC_FAILURE, ""},
    {"VisibleRefused",
     {{"Visible", 1}},
     true,
     "HP",
     {"Application.AutomationSecurity", "Application.DisplayAlerts", "Application.Visible"},
     DISP_E_EXCEPTION, "Application.Visible failed on request"},
    {"PrinterRejected",
     {{"ActivePrinter", 1}},
     true,
     "No Such Printer",
     {"Application.AutomationSecurity", "Application.DisplayAlerts", "Application.Visible", "Application.ActivePrinter"},
     DISP_E_EXCEPTION, "Application.ActivePrinter failed on request"},
};

class FailedSetup : public testing::TestWithParam<SetupCase> {};

TEST_P(FailedSetup, LogsOnlyTheSetupLineAndSendsNoQuit) {
    const SetupCase& c = GetParam();
    std::optional<RegisteredTrace> trace;
    const ole::Apartment apartment;
    if (c.registered) trace.emplace(c.failures);
    Harness h;
    std::vector<std::string> causes;
    RunOperations ops = h.operations();
    ops.reportSetupFailure = [&causes](const std::string& cause) { causes.push_back(cause); };
    EXPECT_EQ(PrintRun(request({"/A.doc"}, "1", c.printer), h.log, ops).end, RunEnd::SetupFailed);
    EXPECT_THAT(h.log.lines(), ElementsAre(kSetupFailed));
    EXPECT_THAT(h.pauses, IsEmpty());
    // The log line says nothing of it.
    const std::string message = ole::systemMessage(c.causeCode);
    EXPECT_THAT(causes, ElementsAre(c.causeDetail.empty() ? message : message + ": " + c.causeDetail));
    if (!trace) return;
    EXPECT_THAT(trace->calls(), ElementsAreArray(c.calls));
    // Whatever was created has been released again.
    EXPECT_EQ(trace->linesStarting("create ").size(), trace->linesStarting("destroy ").size());
}

INSTANTIATE_TEST_SUITE_P(All, FailedSetup, testing::ValuesIn(kSetups),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(PrintRun, RefusedMacroAndAlertSettingsAreTheFailuresTheRunLivesWith) {
    // Old versions lack either property.
    for (const char* member : {"AutomationSecurity", "DisplayAlerts"}) {
        SCOPED_TRACE(member);
        RegisteredTrace trace({{member, 0}});
        Harness h;
        EXPECT_EQ(h.run(request({"/A.doc"})).end, RunEnd::Completed);
        EXPECT_THAT(h.log.lines(), ElementsAre(kStart, documentLine("/A.doc"), kFinal));
        EXPECT_THAT(trace.lines(), Contains("fail Application." + std::string(member) + " DISP_E_EXCEPTION"));
    }
}

TEST(PrintRun, AlertsAreSwitchedOffRightAfterTheMacrosBeforeAnythingIsShown) {
    RegisteredTrace trace;
    Harness h;
    h.run(request({"/A.doc"}, "1", "HP"));
    const std::vector<std::string> calls = trace.calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_THAT(std::vector<std::string>(calls.begin(), calls.begin() + 4),
                ElementsAre("Application.AutomationSecurity", "Application.DisplayAlerts", "Application.Visible",
                            "Application.ActivePrinter"));
    EXPECT_THAT(trace.lines(), Contains("invoke Application.DisplayAlerts PROPERTYPUT named=[-3] args=[VT_I4 0] result=no"));
}

// ---- A busy or stuck word processor ---------------------------------------------------------------

std::size_t countOf(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

TEST(PrintRun, ABusyWordProcessorIsAskedAgainAndPrintsEverything) {
    RegisteredTrace trace;
    trace.server().busyFor(3);  // as just after it starts
    Harness h;
    const RunOutcome outcome = h.run(request({"/A.doc", "/B.doc"}));
    EXPECT_EQ(outcome.end, RunEnd::Completed);
    EXPECT_EQ(outcome.failedDocuments, 0);
    EXPECT_THAT(h.log.lines(), ElementsAre(kStart, documentLine("/A.doc"), documentLine("/B.doc"), kFinal));
    EXPECT_EQ(countOf(trace.lines(), "fail Application.AutomationSecurity RPC_E_CALL_REJECTED"), 3u);
    // The fourth try went through, and so did everything after it.
    EXPECT_EQ(countOf(trace.calls(), "Application.AutomationSecurity"), 4u);
    EXPECT_EQ(countOf(trace.calls(), "Application.PrintOut"), 2u);
    EXPECT_EQ(trace.linesStarting("fail ").size(), 3u);
}

TEST(PrintRun, BusyPastTheLimitFailsTheDocumentsItCoversAndTheRunGoesOn) {
    // Every Open is rejected as busy: each is tried again until the limit, then fails.
    RegisteredTrace trace({{"Open", 1, true, RPC_E_CALL_REJECTED}});
    ole::CallLimits limits;
    limits.answer = std::chrono::milliseconds(200);
    limits.busyRetry = std::chrono::milliseconds(20);
    const ole::CallGuard guard(limits);
    Harness h;
    const RunOutcome outcome = h.run(request({"/A.doc", "/B.doc"}));
    EXPECT_EQ(outcome.end, RunEnd::Completed);
    EXPECT_EQ(outcome.failedDocuments, 2);
    EXPECT_THAT(h.log.lines(), ElementsAre(kStart, documentLine("/A.doc"), failureLine("/A.doc"), documentLine("/B.doc"),
                                           failureLine("/B.doc"), kFinal));
    const std::size_t opens = countOf(trace.calls(), "Documents.Open");
    EXPECT_GT(opens, 2u);  // retried
    EXPECT_LE(opens, 2u * (200 / 20 + 1));  // and bounded
    EXPECT_EQ(trace.calls().back(), "Application.Quit");
}

TEST(PrintRun, AWordProcessorThatStopsAnsweringFailsTheRestAtOnceAndTheQuit) {
    // A's Open was given up unanswered (as when Word waits on a question nobody sees).
    RegisteredTrace trace({{"Open", 1, false, RPC_E_CALL_CANCELED}});
    Harness h;
    EXPECT_EQ(h.run(request({"/A.doc", "/B.doc", "/C.doc"})).end, RunEnd::QuitFailed);
    EXPECT_THAT(h.log.lines(), ElementsAre(kStart, documentLine("/A.doc"), failureLine("/A.doc"),
                                           documentLine("/B.doc"), failureLine("/B.doc"), documentLine("/C.doc"),
                                           failureLine("/C.doc"), kQuitFailed));
    EXPECT_EQ(h.pauses.size(), 3u);
    // Nothing more was sent: no waiting out the limit again for B, C or the quit.
    EXPECT_EQ(trace.calls().back(), "Documents.Open");
    EXPECT_EQ(countOf(trace.calls(), "Application.Documents"), 1u);
    EXPECT_EQ(trace.lines().back(), "destroy Application#1");
}

TEST(PrintRun, ThePrinterIsSetOnlyWhenItIsNotTheDefaultEntry) {
    struct Case {
        std::string printer;
        std::optional<std::string> sent;
    };
    const Case cases[] = {
        {"系统缺省打印机", std::nullopt},
        {"系统缺省打印机 ", "系统缺省打印机 "},
        {"财务部打印机", "财务部打印机"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printer);
        RegisteredTrace trace;
        Harness h;
        PrintRequest r = request({"/A.doc"}, "1", c.printer);
        r.showWord = true;
        h.run(r);
        const auto puts = trace.linesStarting("invoke Application.ActivePrinter");
        if (!c.sent) EXPECT_THAT(puts, IsEmpty());
        else
            EXPECT_THAT(puts, ElementsAre("invoke Application.ActivePrinter PROPERTYPUT named=[-3] args=[VT_BSTR \"" +
                                          *c.sent + "\"] result=no"));
        EXPECT_THAT(trace.lines(), Contains("invoke Application.Visible PROPERTYPUT named=[-3] args=[VT_BOOL -1] result=no"));
    }
}

TEST(PrintRun, CopiesAboveTheUpDownAndInHexAreAccepted) {
    RegisteredTrace trace;
    Harness h;
    h.run(request({"/A.doc"}, " $3"));
    EXPECT_THAT(h.log.lines(),
                ElementsAre(kStart, "正在提交第1份打印任务", documentLine("/A.doc"), "正在提交第2份打印任务",
                            documentLine("/A.doc"), "正在提交第3份打印任务", documentLine("/A.doc"), kFinal));
}

// A log that fails, as something the run does not catch.
class FailingLog : public ProgressLog {
public:
    void clear() override {}
    void append(const std::string& line) override {
        if (line.rfind("正在提交文档", 0) == 0) throw std::runtime_error("log full");
    }
};

TEST(PrintRun, AnExceptionTheRunDoesNotCatchStillReleasesTheApplication) {
    RegisteredTrace trace;
    Harness h;
    FailingLog log;
    EXPECT_THROW(PrintRun(request({"/A.doc"}), log, h.operations()), std::runtime_error);
    EXPECT_THAT(trace.calls(), Not(Contains("Application.Quit")));
    EXPECT_EQ(trace.lines().back(), "destroy Application#1");
}

}  // namespace
