// The Writer bridge behind the automation client: how it starts, fails, guards against a hung office
// and cleans up. Printing goes to the private CUPS scheduler of the test fixture (CUPS_SERVER).
#include "ole/Apartment.h"
#include "ole/Exceptions.h"
#include "printing/PrintRun.h"
#include "printing/WordAutomation.h"
#include "support/OfficeProbe.h"
#include "writer/DocumentKind.h"
#include "writer/WriterServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cups/cups.h>
#include <cstdlib>
#include <filesystem>
#include <atomic>
#include <fstream>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

const fs::path kData = QUIRELLA_TEST_DATA;
const std::string kCache = QUIRELLA_OFFICE_CACHE;
// The offices' profiles belong in the build tree, never in the user's cache where an office of
// some other run may be waiting on a profile. Set here because CTest hands discovered tests only
// the first of the variables in their ENVIRONMENT.
const bool kPrivateCache = setenv("XDG_CACHE_HOME", QUIRELLA_OFFICE_CACHE, 1) == 0;

// ---- Pure parts ---------------------------------------------------------------------------------

TEST(FileUrl, EncodesEverythingButUnreservedCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"/tmp/a b.doc", "file:///tmp/a%20b.doc"},
        {"/tmp/#1 100%.rtf", "file:///tmp/%231%20100%25.rtf"},
        {"/home/用户/文档.doc", "file:///home/%E7%94%A8%E6%88%B7/%E6%96%87%E6%A1%A3.doc"},
        {"/a/b-c_d.~e", "file:///a/b-c_d.~e"},
        {"/x/?;&=+", "file:///x/%3F%3B%26%3D%2B"},
    };
    for (const auto& [path, url] : cases) EXPECT_EQ(writer::fileUrlFromPath(path), url) << path;
}

TEST(DocumentKind, AStructuredDocumentReadAsPlainTextIsRefused) {
    struct Case {
        const char* path;
        const char* filter;
        bool accepted;
    };
    const Case cases[] = {
        {"/a.docx", "MS Word 2007 XML", true},  {"/a.docx", "Text", false},
        {"/a.DOC", "Text (encoded)", false},    {"/a.dot", "MS Word 97 Vorlage", true},
        {"/a.rtf", "Text", false},              {"/a.rtf", "Rich Text Format", true},
        {"/a.txt", "Text", true},               {"/a.txt", "Text (encoded)", true},
        {"/a.html", "HTML (StarWriter)", true}, {"/notes", "Text", true},
        {"/a.doc", "Rich Text Format", true},  // Word opens an RTF named .doc too
    };
    for (const Case& c : cases)
        EXPECT_EQ(writer::filterMatchesKind(c.path, c.filter), c.accepted) << c.path << " as " << c.filter;
}

// ---- Starting ---------------------------------------------------------------------------------------

class WriterBridge : public testing::Test {
protected:
    void TearDown() override { EXPECT_THAT(officesUnder(kCache), IsEmpty()); }
    ole::Apartment m_apartment;
};

TEST_F(WriterBridge, WithoutTheOfficeTheClassIsUnknownAndTheRunLogsTheSetupLine) {
    writer::OfficeOptions options;
    options.program = "/nonexistent/soffice.bin";
    const ole::ClassRegistration registration = writer::registerWriterServer("Word.Application", options);
    WordAutomation word;
    try {
        word.CreateApplication();
        FAIL() << "created";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.errorCode(), CO_E_CLASSSTRING);
    }

    PrintRequest request;
    request.printerEntryCount = 1;
    request.documents = {"/tmp/a.doc"};
    request.printerText = "系统缺省打印机";
    LineLog log;
    RunOperations ops{[](auto&&, auto&&) {}, [](auto&&) {}, [](auto) {}};
    EXPECT_EQ(PrintRun(request, log, ops).end, RunEnd::SetupFailed);
    EXPECT_THAT(log.lines(), ElementsAre("系统没有安装Office软件，无法打印！"));
}

TEST_F(WriterBridge, AnOfficeThatEndsOrNeverAnswersIsAStartFailure) {
    struct Case {
        const char* name;
        std::string program;
    };
    const Case cases[] = {{"EndsAtOnce", "/bin/false"}, {"NeverAnswers", (kData / "silent-office").string()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writer::OfficeOptions options;
        options.program = c.program;
        options.startLimit = std::chrono::seconds(2);
        const ole::ClassRegistration registration = writer::registerWriterServer("Word.Application", options);
        WordAutomation word;
        try {
            word.CreateApplication();
            FAIL() << "created";
        } catch (const EOleSysError& e) {
            EXPECT_EQ(e.errorCode(), CO_E_SERVER_EXEC_FAILURE);
        }
        EXPECT_FALSE(word.hasApplication());
        EXPECT_THAT(processesWith("silent-office", (kData / "silent-office").string()), IsEmpty());  // killed, not left waiting
    }
}

// ---- A running office -------------------------------------------------------------------------------

TEST_F(WriterBridge, PrintersMustBeKnownToCups) {
    const ole::ClassRegistration registration = writer::registerWriterServer();
    WordAutomation word;
    word.CreateApplication();
    EXPECT_THROW(word.SetActivePrinter("No Such Printer"), EOleSysError);
    EXPECT_THROW(word.SetActivePrinter(""), EOleSysError);
    EXPECT_NO_THROW(word.SetActivePrinter("Quirella-PDF"));
    word.QuitApplication();
}

TEST_F(WriterBridge, TakesTheMacroAndAlertSettingsOfTheSetUp) {
    // Both are members of its application: a run's set-up sends them before anything else.
    const ole::ClassRegistration registration = writer::registerWriterServer();
    WordAutomation word;
    word.CreateApplication();
    EXPECT_NO_THROW(word.SetAutomationSecurity(WordAutomation::kForceDisableMacros));
    EXPECT_NO_THROW(word.SetDisplayAlerts(WordAutomation::kAlertsNone));
    word.QuitApplication();
}

TEST_F(WriterBridge, APrintThatMakesNoJobIsAFailure) {
    // A queue that takes no jobs: the office reports success all the same.
    const std::string out = fs::temp_directory_path() / ("quirella-rejecting-" + std::to_string(getpid()));
    ASSERT_EQ(std::system(("lpadmin -p Quirella-Rejecting -E -v quirella-pdf:" + out + " -m raw 2>/dev/null && "
                           "cupsreject Quirella-Rejecting")
                              .c_str()),
              0);
    const ole::ClassRegistration registration = writer::registerWriterServer();
    {
        WordAutomation word;
        word.CreateApplication();
        word.SetActivePrinter("Quirella-Rejecting");
        word.OpenDocument(word.GetDocuments(), (kData / "sample.txt").string(), false, false, false);
        EXPECT_THROW(word.PrintActiveDocument(), EOleSysError);
        word.QuitApplication();
    }
    std::system("lpadmin -x Quirella-Rejecting");
}

TEST_F(WriterBridge, AnotherClientsJobDoesNotPassForAPrintThatMadeNone) {
    // A queue that refuses this user's jobs and takes another user's, who prints on it all the while.
    const fs::path out = fs::temp_directory_path() / ("quirella-others-" + std::to_string(getpid()));
    fs::create_directories(out);
    ASSERT_EQ(std::system(("lpadmin -p Quirella-Others -E -v quirella-pdf:" + out.string() + " -m raw -u deny:" +
                           cupsUser() + " 2>/dev/null")
                              .c_str()),
              0);
    // Long enough to print that the other client's jobs land while it does.
    const fs::path document = out / "long.txt";
    {
        std::ofstream text(document);
        for (int i = 0; i < 3000; ++i) text << "Quirella long document, line " << i << ".\n";
    }
    const ole::ClassRegistration registration = writer::registerWriterServer();
    WordAutomation word;
    word.CreateApplication();
    word.SetActivePrinter("Quirella-Others");
    word.OpenDocument(word.GetDocuments(), document.string(), false, false, false);

    std::atomic<bool> printing{true};
    std::atomic<int> othersDuringPrint{0};
    std::thread other([&] {
        const std::string submit =
            "lp -U quirella-other -d Quirella-Others -t other '" + document.string() + "' >/dev/null 2>&1";
        while (printing)
            if (std::system(submit.c_str()) == 0 && printing) ++othersDuringPrint;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the other client is under way
    othersDuringPrint = 0;
    EXPECT_THROW(word.PrintActiveDocument(), EOleSysError);
    printing = false;
    other.join();
    EXPECT_GT(othersDuringPrint, 0) << "no other job came while printing: the case was not made";
    word.QuitApplication();
    std::system("lpadmin -x Quirella-Others");
    fs::remove_all(out);
}

TEST_F(WriterBridge, WithoutAnyCupsSchedulerPrintingFails) {
    // The office would fall back to a generic printer and report success with nothing printed.
    const std::string scheduler = std::getenv("CUPS_SERVER") ? std::getenv("CUPS_SERVER") : "";
    setenv("CUPS_SERVER", "/nonexistent/cups.sock", 1);
    cupsSetServer(nullptr);  // libcups reads the variable again
    const ole::ClassRegistration registration = writer::registerWriterServer();
    {
        WordAutomation word;
        word.CreateApplication();
        word.OpenDocument(word.GetDocuments(), (kData / "sample.txt").string(), false, false, false);
        EXPECT_THROW(word.PrintActiveDocument(), EOleSysError);
        word.QuitApplication();
    }
    setenv("CUPS_SERVER", scheduler.c_str(), 1);
    cupsSetServer(nullptr);
}

TEST_F(WriterBridge, PrintingWithNoDocumentOpenFails) {
    const ole::ClassRegistration registration = writer::registerWriterServer();
    WordAutomation word;
    word.CreateApplication();
    EXPECT_THROW(word.PrintActiveDocument(), EOleSysError);
    EXPECT_THROW(word.OpenDocument(word.GetDocuments(), "relative.doc", false, false, false), EOleSysError);
    word.QuitApplication();
    // After Quit the application is gone, as a quit word processor is.
    EXPECT_THROW(word.SetVisible(true), EOleSysError);
}

// The office's own count of open documents, through the document collection.
int officeDocumentCount(WordAutomation& word) {
    const ole::Variant count = word.GetDocuments().invoke("Count", InvokeKind::PropertyGet);
    return V_VT(&count) == VT_I4 ? V_I4(&count) : -1;
}

// Waits until the office, killed, can be reaped: a call made before would still find it running
// (its main thread shows as a zombie while the others are still ending). The bridge reaps it.
void waitUntilGone(pid_t office) {
    siginfo_t info{};
    for (int i = 0; i < 200; ++i) {
        info.si_pid = 0;
        if (waitid(P_PID, office, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == office) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    FAIL() << "the office " << office << " did not die";
}

TEST_F(WriterBridge, TheOfficeHoldsOnlyTheActiveDocumentOverABatch) {
    const ole::ClassRegistration registration = writer::registerWriterServer();
    WordAutomation word;
    word.CreateApplication();
    word.SetActivePrinter("Quirella-PDF");
    struct Step {
        std::string path;
        bool opens;
    };
    const Step batch[] = {{(kData / "sample.txt").string(), true},  {(kData / "sample.rtf").string(), true},
                          {(kData / "sample.docx").string(), true}, {"/nonexistent/missing.doc", false},
                          {(kData / "sample.html").string(), true}, {(kData / "sample.txt").string(), true}};
    for (const Step& step : batch) {
        SCOPED_TRACE(step.path);
        if (step.opens) {
            word.OpenDocument(word.GetDocuments(), step.path, false, false, false);
            word.PrintActiveDocument();
        } else {
            EXPECT_THROW(word.OpenDocument(word.GetDocuments(), step.path, false, false, false), EOleSysError);
        }
        // A failed open leaves the previous document, still the active one.
        EXPECT_EQ(officeDocumentCount(word), 1);
    }
    word.QuitApplication();
}

TEST_F(WriterBridge, ALongBatchIsSharedAmongFreshOffices) {
    writer::OfficeOptions options;
    options.documentsPerOffice = 2;
    const ole::ClassRegistration registration = writer::registerWriterServer("Word.Application", options);
    WordAutomation word;
    word.CreateApplication();
    word.SetActivePrinter("Quirella-PDF");
    std::vector<pid_t> officeOf;  // the office that printed each document
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        word.OpenDocument(word.GetDocuments(), (kData / "sample.txt").string(), false, false, false);
        EXPECT_NO_THROW(word.PrintActiveDocument());
        const std::vector<pid_t> offices = childrenNamed(getpid(), "soffice.bin");
        ASSERT_EQ(offices.size(), 1u);  // the one before has ended
        officeOf.push_back(offices[0]);
    }
    EXPECT_EQ(officeOf[0], officeOf[1]);
    EXPECT_NE(officeOf[1], officeOf[2]);
    EXPECT_EQ(officeOf[2], officeOf[3]);
    EXPECT_NE(officeOf[3], officeOf[4]);
    EXPECT_NO_THROW(word.QuitApplication());
}

TEST_F(WriterBridge, AHungOfficeIsReplacedAtTheNextCall) {
    writer::OfficeOptions options;
    options.callLimit = std::chrono::seconds(3);
    const ole::ClassRegistration registration = writer::registerWriterServer("Word.Application", options);
    WordAutomation word;
    word.CreateApplication();
    word.SetActivePrinter("Quirella-PDF");
    const std::vector<pid_t> offices = childrenNamed(getpid(), "soffice.bin");
    ASSERT_EQ(offices.size(), 1u);
    kill(offices[0], SIGSTOP);  // hangs: it answers nothing from now on

    EXPECT_THROW(word.OpenDocument(word.GetDocuments(), (kData / "sample.txt").string(), false, false, false),
                 EOleSysError);
    EXPECT_THAT(childrenNamed(getpid(), "soffice.bin"), IsEmpty());  // killed by the watchdog
    // The fresh office has no document: the one in flight went with the old office.
    EXPECT_THROW(word.PrintActiveDocument(), EOleSysError);
    const std::vector<pid_t> fresh = childrenNamed(getpid(), "soffice.bin");
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_NE(fresh[0], offices[0]);
    word.OpenDocument(word.GetDocuments(), (kData / "sample.rtf").string(), false, false, false);
    EXPECT_NO_THROW(word.PrintActiveDocument());
    EXPECT_NO_THROW(word.QuitApplication());
}

TEST_F(WriterBridge, AnOfficeThatKeepsDyingIsReplacedOnlyAFewTimes) {
    const ole::ClassRegistration registration = writer::registerWriterServer();
    WordAutomation word;
    word.CreateApplication();
    for (int death = 1; death <= writer::kReplacementLimit + 1; ++death) {
        SCOPED_TRACE("death " + std::to_string(death));
        const std::vector<pid_t> offices = childrenNamed(getpid(), "soffice.bin");
        ASSERT_EQ(offices.size(), 1u);
        kill(offices[0], SIGKILL);
        waitUntilGone(offices[0]);
        if (death <= writer::kReplacementLimit) {
            EXPECT_NO_THROW(word.OpenDocument(word.GetDocuments(), (kData / "sample.txt").string(), false, false, false));
        } else {
            EXPECT_THROW(word.GetDocuments(), EOleSysError);
            EXPECT_THAT(childrenNamed(getpid(), "soffice.bin"), IsEmpty());
        }
    }
    EXPECT_THROW(word.QuitApplication(), EOleSysError);
}

// An office that works until a marker file appears beside its starter, then cannot start: dying at
// once, or never answering.
std::string breakableOffice(const fs::path& directory, const std::string& brokenStart) {
    const fs::path starter = directory / "office";
    std::ofstream(starter) << "#!/bin/sh\n[ -e \"$0.broken\" ] && " << brokenStart
                           << "\nexec /usr/lib/libreoffice/program/soffice.bin \"$@\"\n";
    fs::permissions(starter, fs::perms::owner_all);
    return starter.string();
}

TEST_F(WriterBridge, AnOfficeThatCannotStartAgainFailsTheRestPromptlyAndTheQuit) {
    struct Case {
        const char* name;
        std::string brokenStart;
    };
    const Case cases[] = {{"EndsAtOnce", "exit 1"}, {"NeverAnswers", "exec " + (kData / "silent-office").string()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char base[] = "/tmp/quirella-breakable-XXXXXX";
        ASSERT_NE(mkdtemp(base), nullptr);
        writer::OfficeOptions options;
        options.program = breakableOffice(base, c.brokenStart);
        options.startLimit = std::chrono::seconds(5);
        const ole::ClassRegistration registration = writer::registerWriterServer("Word.Application", options);

        PrintRequest request;
        request.printerEntryCount = 1;
        request.printerText = "Quirella-PDF";
        request.copiesText = "1";
        const std::string text = (kData / "sample.txt").string();
        request.documents = {text, text, text, text};
        LineLog log;
        int printed = 0;
        std::chrono::steady_clock::time_point broken;
        RunOperations ops{[](auto&&, auto&&) {}, [](auto&&) {}, [&](auto) {
                              // After the first document the office dies, and no new one will start.
                              if (++printed != 1) return;
                              std::ofstream(options.program + ".broken");
                              const std::vector<pid_t> offices = childrenNamed(getpid(), "soffice.bin");
                              ASSERT_EQ(offices.size(), 1u);
                              kill(offices[0], SIGKILL);
                              waitUntilGone(offices[0]);
                              broken = std::chrono::steady_clock::now();
                          }};
        ops.documentPause = std::chrono::milliseconds(0);
        EXPECT_EQ(PrintRun(request, log, ops).end, RunEnd::QuitFailed);
        const std::string line = "正在提交文档\"" + text + "\"给打印机", failed = "文档：" + text + "打印失败，请检查！";
        EXPECT_THAT(log.lines(), ElementsAre("正在提交打印任务...", line, line, failed, line, failed, line, failed,
                                             "系统错误，请检查！"));
        // One try at a new office, not one per document.
        EXPECT_LT(std::chrono::steady_clock::now() - broken, 2 * options.startLimit);
        EXPECT_THAT(processesWith("silent-office", (kData / "silent-office").string()), IsEmpty());
        fs::remove_all(base);
    }
}

TEST_F(WriterBridge, APasswordDocumentFailsInsteadOfAskingForThePassword) {
    const ole::ClassRegistration registration = writer::registerWriterServer();
    WordAutomation word;
    word.CreateApplication();
    EXPECT_THROW(word.OpenDocument(word.GetDocuments(), (kData / "locked.odt").string(), false, false, false),
                 EOleSysError);
    // It failed by itself, not by the watchdog: the office is still there, and still works.
    EXPECT_EQ(childrenNamed(getpid(), "soffice.bin").size(), 1u);
    EXPECT_NO_THROW(word.OpenDocument(word.GetDocuments(), (kData / "sample.txt").string(), false, false, false));
    word.QuitApplication();
}

TEST_F(WriterBridge, ReleasedWithoutQuitTheOfficeGoesToo) {
    const ole::ClassRegistration registration = writer::registerWriterServer();
    {
        WordAutomation word;
        word.CreateApplication();
        word.OpenDocument(word.GetDocuments(), (kData / "sample.rtf").string(), false, false, false);
        EXPECT_EQ(childrenNamed(getpid(), "soffice.bin").size(), 1u);
    }
    EXPECT_THAT(childrenNamed(getpid(), "soffice.bin"), IsEmpty());
}

}  // namespace
