// quirella-batch as a script sees it: its output, its trace and its exit statuses, with the printers of
// a private CUPS scheduler (CUPS_SERVER, set by the test fixture).
#include "support/Process.h"
#include "support/RunLines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

const std::string kBatch = QUIRELLA_BATCH_PATH;

ProcessResult batch(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {}) {
    return runProcess(kBatch, args, env, "/tmp");
}


// The operations the trace server saw, as "Class.Member".
std::vector<std::string> calls(const std::string& trace) {
    std::vector<std::string> out;
    for (const std::string& line : splitLines(trace))
        if (line.rfind("invoke ", 0) == 0) out.push_back(line.substr(7, line.find(' ', 7) - 7));
    return out;
}

TEST(BatchCli, DryRunOfTwoCopiesPrintsEveryLineAndTheOperationsInOrder) {
    const ProcessResult r = batch({"--dry-run", "-n", "2", "a.doc", "b.doc"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(splitLines(r.out),
                ElementsAre("正在提交打印任务...", "正在提交第1份打印任务", documentLine("/tmp/a.doc"),
                            documentLine("/tmp/b.doc"), "正在提交第2份打印任务", documentLine("/tmp/a.doc"),
                            documentLine("/tmp/b.doc"), "打印任务提交完成,请关注打印机的处理！"));
    std::vector<std::string> expected = {"Application.AutomationSecurity", "Application.DisplayAlerts",
                                         "Application.Visible"};
    for (int i = 0; i < 4; ++i)
        for (const char* op : {"Application.Documents", "Documents.Open", "Application.PrintOut"})
            expected.push_back(op);
    expected.push_back("Application.Quit");
    EXPECT_EQ(calls(r.err), expected);
    EXPECT_THAT(r.err, HasSubstr(R"(invoke Documents.Open METHOD named=[] args=[VT_BSTR "/tmp/b.doc", VT_BOOL 0, VT_BOOL 0, VT_BOOL 0] result=yes)"));
}

TEST(BatchCli, ListsThePrintersAndTheDefaultEntry) {
    const ProcessResult r = batch({"--list-printers"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Quirella-PDF\n系统缺省打印机\n");
}

TEST(BatchCli, PrinterAndShowReachTheWordProcessor) {
    const ProcessResult r = batch({"--dry-run", "--pause-ms", "0", "-p", "Quirella-PDF", "--show", "/srv/文档 1.doc"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr(R"(invoke Application.ActivePrinter PROPERTYPUT named=[-3] args=[VT_BSTR "Quirella-PDF"] result=no)"));
    EXPECT_THAT(r.err, HasSubstr(R"(invoke Application.Visible PROPERTYPUT named=[-3] args=[VT_BOOL -1] result=no)"));
    EXPECT_THAT(r.err, HasSubstr(R"(args=[VT_BSTR "/srv/文档 1.doc", VT_BOOL 0, VT_BOOL 0, VT_BOOL 0])"));
}

struct StatusCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string lastOut;  // the last log line, empty when there is none
    std::string errLine;  // a line standard error must hold, empty for none
};
void PrintTo(const StatusCase& row, std::ostream* out) { *out << row.name; }

const StatusCase kStatuses[] = {
    {"Completed", {"--dry-run", "--pause-ms", "0", "a.doc"}, 0, "打印任务提交完成,请关注打印机的处理！", ""},
    {"DocumentFailed", {"--dry-run", "--pause-ms", "0", "--fail", "Open:1", "a.doc", "b.doc"}, 1,
     "打印任务提交完成,请关注打印机的处理！", ""},
    {"NoFiles", {"--dry-run"}, 2, "", "没有添加任何待打印的文档!"},
    {"CopiesNotANumber", {"--dry-run", "-n", "abc", "a.doc"}, 2, "", "数字格式错误!"},
    {"CopiesBelowOne", {"--dry-run", "-n", "0", "a.doc"}, 2, "", "打印份数不能小于1"},
    {"SetupFailed", {"--dry-run", "--fail", "Visible", "a.doc"}, 3, "系统没有安装Office软件，无法打印！",
     "quirella-batch: Exception occurred: Application.Visible failed on request"},
    {"PrinterRejected", {"--dry-run", "--fail", "ActivePrinter:1", "-p", "Nowhere", "a.doc"}, 3,
     "系统没有安装Office软件，无法打印！", "quirella-batch: Exception occurred: Application.ActivePrinter failed on request"},
    {"CannotStart", {"--dry-run", "--fail", "Application", "a.doc"}, 3, "系统没有安装Office软件，无法打印！",
     "quirella-batch: Server execution failed"},
    {"QuitFailed", {"--dry-run", "--pause-ms", "0", "--fail", "Quit", "a.doc"}, 4, "系统错误，请检查！", ""},
    {"UnknownOption", {"--bogus", "a.doc"}, 64, "", "unknown option --bogus"},
    {"MissingValue", {"a.doc", "--copies"}, 64, "", "--copies wants a value"},
    {"MalformedPause", {"--pause-ms", "soon", "a.doc"}, 64, "", ""},
};

class BatchStatus : public testing::TestWithParam<StatusCase> {};

TEST_P(BatchStatus, TellsHowTheRunEnded) {
    const StatusCase& c = GetParam();
    const ProcessResult r = batch(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    const std::vector<std::string> out = splitLines(r.out);
    if (c.lastOut.empty()) {
        EXPECT_THAT(out, IsEmpty());
    } else {
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out.back(), c.lastOut);
    }
    if (!c.errLine.empty()) {
        EXPECT_THAT(splitLines(r.err), testing::Contains(HasSubstr(c.errLine)));
    }
}

INSTANTIATE_TEST_SUITE_P(All, BatchStatus, testing::ValuesIn(kStatuses),
                         [](const auto& row) { return std::string(row.param.name); });

// A file name made to forge a log line: on standard output it stays inside its own lines, its line
// breaks shown as symbols, while the word processor is handed the name as it is.
TEST(BatchCli, ALineBreakInAFileNameCannotForgeALogLine) {
    const std::string finished = "打印任务提交完成,请关注打印机的处理！";
    const std::string crafted = "/tmp/x\n" + finished + "\r\n.doc";
    const std::string shown = "/tmp/x\u240A" + finished + "\u240D\u240A.doc";
    const ProcessResult r = batch({"--dry-run", "--pause-ms", "0", "--fail", "Open:1", crafted, "/tmp/b.doc"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_THAT(splitLines(r.out),
                ElementsAre("正在提交打印任务...", documentLine(shown), "文档：" + shown + "打印失败，请检查！",
                            documentLine("/tmp/b.doc"), finished));
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5);
    EXPECT_THAT(r.err, HasSubstr("invoke Documents.Open METHOD named=[] args=[VT_BSTR \"/tmp/x\\n" + finished +
                                 "\\r\\n.doc\", VT_BOOL 0, VT_BOOL 0, VT_BOOL 0] result=yes"));
}

TEST(BatchCli, WithoutPrintersTheRunIsRejectedBeforeAnythingStarts) {
    const std::map<std::string, std::string> noScheduler = {{"CUPS_SERVER", "/nonexistent/cups.sock"}};
    const ProcessResult list = batch({"--list-printers"}, noScheduler);
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "");
    const ProcessResult r = batch({"--dry-run", "a.doc"}, noScheduler);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "系统没有安装任何打印机，无法打印！\n");  // no trace: nothing was started
}

}  // namespace
