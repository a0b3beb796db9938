// The system's printers and its default printer, on a system with real ones: under Wine, the queues of
// the private CUPS scheduler the script starts. QUIRELLA_TEST_PRINTERS names them, comma-separated, in
// the order the system lists them; at least two are needed to move the default between them.
#include "printing/DefaultPrinter.h"
#include "printing/PrintRun.h"
#include "printing/PrinterList.h"
#include "printing/RunTexts.h"
#include "trace/TraceServer.h"

#include "ole/Apartment.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

using testing::Contains;
using testing::ElementsAreArray;

namespace {

std::vector<std::string> expectedPrinters() {
    std::vector<std::string> names;
    if (const char* list = std::getenv("QUIRELLA_TEST_PRINTERS")) {
        std::string text = list;
        for (std::size_t start = 0; start <= text.size();) {
            const std::size_t comma = std::min(text.find(',', start), text.size());
            if (comma > start) names.push_back(text.substr(start, comma - start));
            start = comma + 1;
        }
    }
    return names;
}

class SystemPrinters : public testing::Test {
protected:
    void SetUp() override {
        m_names = expectedPrinters();
        if (m_names.size() < 2) GTEST_SKIP() << "QUIRELLA_TEST_PRINTERS names fewer than two printers";
        m_saved = defaultPrinter();
    }
    void TearDown() override {
        if (m_saved) setDefaultPrinter(*m_saved);
    }
    const std::string& first() const { return m_names[0]; }
    const std::string& second() const { return m_names[1]; }

    std::vector<std::string> m_names;
    std::optional<std::string> m_saved;
};

TEST_F(SystemPrinters, AreListedLocalAndConnectedByName) {
    EXPECT_THAT(systemPrinterNames(), ElementsAreArray(m_names));
}

TEST_F(SystemPrinters, TheDefaultIsReadBackAsSetAndAnUnknownNameIsRefused) {
    ASSERT_TRUE(setDefaultPrinter(second()));
    EXPECT_EQ(defaultPrinter(), second());
    ASSERT_TRUE(setDefaultPrinter(first()));
    EXPECT_EQ(defaultPrinter(), first());
    EXPECT_FALSE(setDefaultPrinter("Quirella 没有这台打印机"));
    EXPECT_EQ(defaultPrinter(), first());
}

TEST_F(SystemPrinters, TheGuardPutsBackADefaultThatChangedMeanwhile) {
    ASSERT_TRUE(setDefaultPrinter(first()));
    {
        const DefaultPrinterGuard guard;
        ASSERT_TRUE(setDefaultPrinter(second()));
    }
    EXPECT_EQ(defaultPrinter(), first());
}

// ---- The print run against a stand-in that moves the default printer, as Word does ----------------

struct RunCase {
    const char* name;
    std::vector<trace::FailRule> failures;
};
void PrintTo(const RunCase& row, std::ostream* out) { *out << row.name; }

const RunCase kRuns[] = {
    {"Completed", {}},
    {"OneDocumentFailed", {{"Open", 1}}},
    {"EveryDocumentFailed", {{"Documents", 0}}},
    {"QuitFailed", {{"Quit", 1}}},
};

class DefaultPrinterOfARun : public SystemPrinters, public testing::WithParamInterface<RunCase> {};

// A trace server registered as "Word.Application" that makes its active printer the default.
struct MovingTrace {
    explicit MovingTrace(std::vector<trace::FailRule> failures)
        : server([this](const std::string& line) { lines.push_back(line); }, std::move(failures)),
          registration(server.registerAs("Word.Application")) {
        server.onActivePrinter([this](const std::string& printer) { moved = setDefaultPrinter(printer); });
    }
    ole::Apartment apartment;
    std::vector<std::string> lines;
    bool moved = false;
    trace::TraceServer server;
    ole::ClassRegistration registration;
};

PrintRequest requestFor(const std::string& printer) {
    PrintRequest request;
    request.printerEntryCount = 3;
    request.documents = {"C:\\文档\\一.doc", "C:\\文档\\二.doc"};
    request.printerText = printer;
    return request;
}

RunOperations quietOperations() {
    RunOperations operations;
    operations.showErrorBox = [](const std::string&, const std::string&) {};
    operations.resetCopies = [](const std::string&) {};
    operations.pause = [](std::chrono::milliseconds) {};
    return operations;
}

TEST_P(DefaultPrinterOfARun, IsTheUsersAgainWhenTheRunEnds) {
    ASSERT_TRUE(setDefaultPrinter(first()));
    MovingTrace trace(GetParam().failures);
    LineLog log;
    PrintRun(requestFor(second()), log, quietOperations());
    EXPECT_TRUE(trace.moved) << "the stand-in never moved the default: the test proves nothing";
    EXPECT_EQ(defaultPrinter(), first());
}

INSTANTIATE_TEST_SUITE_P(All, DefaultPrinterOfARun, testing::ValuesIn(kRuns),
                         [](const auto& row) { return std::string(row.param.name); });

// An exception the run does not catch leaves it too; the default comes back on that way as well.
class ThrowingLog : public ProgressLog {
public:
    void clear() override {}
    void append(const std::string& line) override {
        if (line == texts::kStarted) throw std::runtime_error("the window went away");
    }
};

TEST_F(SystemPrinters, TheDefaultComesBackWhenAnExceptionLeavesTheRun) {
    ASSERT_TRUE(setDefaultPrinter(first()));
    MovingTrace trace({});
    ThrowingLog log;
    EXPECT_THROW(PrintRun(requestFor(second()), log, quietOperations()), std::runtime_error);
    EXPECT_TRUE(trace.moved);
    EXPECT_EQ(defaultPrinter(), first());
}

TEST_F(SystemPrinters, ARunOnTheDefaultEntryNeverTouchesTheDefault) {
    ASSERT_TRUE(setDefaultPrinter(first()));
    MovingTrace trace({});
    LineLog log;
    PrintRun(requestFor(std::string(texts::kDefaultPrinterEntry)), log, quietOperations());
    EXPECT_FALSE(trace.moved);
    EXPECT_THAT(trace.lines, testing::Not(Contains(testing::HasSubstr("ActivePrinter"))));
    EXPECT_EQ(defaultPrinter(), first());
}

}  // namespace
