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
#include <unistd.h>

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

const fs::path kData = QUIRELLA_TEST_DATA;
const std::string kCache = QUIRELLA_OFFICE_CACHE;

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

TEST_F(WriterBridge, AHungOfficeIsKilledAndEveryLaterCallFailsAtOnce) {
    writer::OfficeOptions options;
    options.callLimit = std::chrono::seconds(3);
    const ole::ClassRegistration registration = writer::registerWriterServer("Word.Application", options);
    WordAutomation word;
    word.CreateApplication();
    const std::vector<pid_t> offices = childrenNamed(getpid(), "soffice.bin");
    ASSERT_EQ(offices.size(), 1u);
    kill(offices[0], SIGSTOP);  // hangs: it answers nothing from now on

    const AutomationObject documents = word.GetDocuments();
    EXPECT_THROW(word.OpenDocument(documents, (kData / "sample.txt").string(), false, false, false), EOleSysError);
    EXPECT_THAT(childrenNamed(getpid(), "soffice.bin"), IsEmpty());
    EXPECT_THROW(word.PrintActiveDocument(), EOleSysError);
    EXPECT_THROW(word.QuitApplication(), EOleSysError);
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
