// Real printing: quirella-batch with LibreOffice Writer behind "Word.Application", printing to the PDF
// printer of a private CUPS scheduler (CUPS_SERVER, set by the test fixture), the PDFs read back.
#include "support/OfficeProbe.h"
#include "support/Process.h"
#include "support/RunLines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using testing::ElementsAreArray;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

const std::string kBatch = QUIRELLA_BATCH_PATH;
const fs::path kData = QUIRELLA_TEST_DATA;
const std::string kOut = QUIRELLA_OFFICE_OUT;      // where the PDF printer's jobs land
const std::string kCache = QUIRELLA_OFFICE_CACHE;  // the offices' profiles, and so their mark
// The offices' profiles belong in the build tree, never in the user's cache where an office of
// some other run may be waiting on a profile. Set here because CTest hands discovered tests only
// the first of the variables in their ENVIRONMENT.
const bool kPrivateCache = setenv("XDG_CACHE_HOME", QUIRELLA_OFFICE_CACHE, 1) == 0;


class WriterPrinting : public testing::Test {
protected:
    void SetUp() override {
        // A folder with a space, '#', '%' and Chinese in its name: all must reach the office intact.
        char base[] = "/tmp/quirella-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(base), nullptr);
        m_base = base;
        m_folder = m_base / "批量 打印 #1 %20";
        fs::create_directories(m_folder);
        m_jobsBefore = filesWithExtension(kOut, ".pdf").size();
    }
    void TearDown() override {
        // No office outlives a run, whatever way it ended.
        EXPECT_THAT(officesUnder(kCache), IsEmpty());
        fs::remove_all(m_base);
    }

    std::string sample(const std::string& name) {
        const fs::path target = m_folder / name;
        fs::copy_file(kData / name, target, fs::copy_options::overwrite_existing);
        return target.string();
    }
    // The PDFs this test's runs have printed, in job order.
    std::vector<std::string> newJobs() const {
        std::vector<std::string> jobs = filesWithExtension(kOut, ".pdf");
        jobs.erase(jobs.begin(), jobs.begin() + static_cast<std::ptrdiff_t>(m_jobsBefore));
        return jobs;
    }

    fs::path m_base, m_folder;
    std::size_t m_jobsBefore = 0;
};

TEST_F(WriterPrinting, EveryKindOfDocumentTwiceInPassOrder) {
    const std::vector<std::string> kinds = {"TXT", "RTF", "HTM", "HTML", "DOC", "DOCX", "DOT"};
    std::vector<std::string> files;
    for (const std::string& kind : kinds) {
        std::string extension = kind;
        for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        files.push_back(sample("sample." + extension));
    }
    std::vector<std::string> args = {"--pause-ms", "0", "-n", "2"};
    args.insert(args.end(), files.begin(), files.end());
    const ProcessResult r = runProcess(kBatch, args);

    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::vector<std::string> expected = {kStart};
    for (int pass = 1; pass <= 2; ++pass) {
        expected.push_back("正在提交第" + std::to_string(pass) + "份打印任务");
        for (const std::string& file : files) expected.push_back(documentLine(file));
    }
    expected.push_back(kFinal);
    EXPECT_THAT(splitLines(r.out), ElementsAreArray(expected));

    // One job per document and copy, in the order printed, each with the document's own text.
    const std::vector<std::string> jobs = newJobs();
    ASSERT_EQ(jobs.size(), 2 * kinds.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const std::string& kind = kinds[i % kinds.size()];
        SCOPED_TRACE(jobs[i] + " should be " + kind);
        const std::string text = pdfText(jobs[i]);
        EXPECT_THAT(text, HasSubstr("Quirella sample " + kind + " "));
        EXPECT_THAT(text, HasSubstr("Second line of the " + kind + " sample."));
    }
    EXPECT_THAT(pdfText(jobs[0]), HasSubstr("文本"));
    EXPECT_THAT(pdfText(jobs[4]), HasSubstr("文档"));
}

TEST_F(WriterPrinting, AMissingFileAndACorruptDocumentFailAndTheRunGoesOn) {
    const std::string missing = (m_folder / "不存在.doc").string();
    const std::string corrupt = (m_folder / "corrupt.docx").string();
    {
        std::mt19937 bytes(42);  // the same garbage every time
        std::ofstream out(corrupt, std::ios::binary);
        for (int i = 0; i < 4096; ++i) out.put(static_cast<char>(bytes()));
    }
    const std::string text = sample("sample.txt");
    const ProcessResult r =
        runProcess(kBatch, {"--pause-ms", "0", "-p", "Quirella-PDF", missing, corrupt, text});

    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_THAT(splitLines(r.out),
                ElementsAreArray({kStart, documentLine(missing), failureLine(missing), documentLine(corrupt),
                                  failureLine(corrupt), documentLine(text), kFinal}));
    const std::vector<std::string> jobs = newJobs();
    ASSERT_EQ(jobs.size(), 1u);  // no garbage printed for the corrupt one
    EXPECT_THAT(pdfText(jobs[0]), HasSubstr("Quirella sample TXT"));
    // The office wrote nothing beside the documents (no lock files).
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 2);
}

TEST_F(WriterPrinting, AnUnknownPrinterIsASetupFailure) {
    const ProcessResult r = runProcess(kBatch, {"--pause-ms", "0", "-p", "No Such Printer", sample("sample.txt")});
    EXPECT_EQ(r.status, 3);
    EXPECT_THAT(splitLines(r.out), ElementsAreArray({"系统没有安装Office软件，无法打印！"}));
    EXPECT_THAT(newJobs(), IsEmpty());  // not quietly printed on the default printer instead
}

TEST_F(WriterPrinting, AnOfficeKilledMidRunCostsOnlyTheDocumentInFlight) {
    // A document long enough to be still loading or printing when the office is killed.
    const std::string large = (m_folder / "large.txt").string();
    {
        std::ofstream out(large);
        for (int i = 0; i < 20000; ++i) out << "Quirella large document, line " << i << " of many.\n";
    }
    const std::vector<std::string> files = {sample("sample.txt"), large, sample("sample.rtf"), sample("sample.docx")};
    std::vector<std::string> args = {"--pause-ms", "0", "-p", "Quirella-PDF"};
    args.insert(args.end(), files.begin(), files.end());

    char outPath[] = "/tmp/quirella-kill-XXXXXX";
    const int outFd = mkstemp(outPath);
    const pid_t batch = fork();
    if (batch == 0) {
        dup2(outFd, 1);
        std::vector<char*> argv{const_cast<char*>(kBatch.c_str())};
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(kBatch.c_str(), argv.data());
        _exit(127);
    }
    const auto output = [&] {
        std::ifstream in(outPath);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    // Once the large document is under way, its office goes.
    for (int i = 0; i < 1200 && output().find(documentLine(large)) == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Printing it takes the office tens of seconds: a second in, it is surely under way.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const std::vector<pid_t> offices = childrenNamed(batch, "soffice.bin");
    EXPECT_EQ(offices.size(), 1u);
    for (const pid_t office : offices) kill(office, SIGKILL);
    int status = 0;
    waitpid(batch, &status, 0);
    const std::string out = output();
    close(outFd);
    fs::remove(outPath);

    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_THAT(splitLines(out), ElementsAreArray({kStart, documentLine(files[0]), documentLine(large), failureLine(large),
                                                   documentLine(files[2]), documentLine(files[3]), kFinal}));
    // The rest printed in order, by a fresh office.
    const std::vector<std::string> jobs = newJobs();
    ASSERT_EQ(jobs.size(), 3u);
    const char* kinds[] = {"TXT", "RTF", "DOCX"};
    for (std::size_t i = 0; i < jobs.size(); ++i)
        EXPECT_THAT(pdfText(jobs[i]), HasSubstr(std::string("Quirella sample ") + kinds[i] + " ")) << jobs[i];
}

// --call-limit-ms bounds each call into the office too: a document that holds the office past it
// fails, the office is replaced, and the rest print.
TEST_F(WriterPrinting, TheCallLimitOfTheCommandLineBoundsTheOffice) {
    const std::string large = (m_folder / "large.txt").string();
    {
        std::ofstream out(large);  // tens of seconds of work for the office
        for (int i = 0; i < 20000; ++i) out << "Quirella large document, line " << i << " of many.\n";
    }
    const std::vector<std::string> files = {sample("sample.txt"), large, sample("sample.rtf")};
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult r =
        runProcess(kBatch, {"--pause-ms", "0", "--call-limit-ms", "3000", "-p", "Quirella-PDF", files[0], large, files[2]});
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_THAT(splitLines(r.out), ElementsAreArray({kStart, documentLine(files[0]), documentLine(large), failureLine(large),
                                                     documentLine(files[2]), kFinal}));
    EXPECT_LT(took, std::chrono::seconds(120));  // far from the default limit of 180 s for the one call
    const std::vector<std::string> jobs = newJobs();
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_THAT(pdfText(jobs[0]), HasSubstr("Quirella sample TXT"));
    EXPECT_THAT(pdfText(jobs[1]), HasSubstr("Quirella sample RTF"));
}

TEST_F(WriterPrinting, AMacroBoundToOpeningNeverRuns) {
    const fs::path marker = m_base / "macro-ran";
    const fs::path document = m_folder / "macro.fodt";
    {
        std::ifstream in(kData / "macro-on-open.fodt");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        text.replace(text.find("@MARKER@"), 8, marker.string());
        std::ofstream(document) << text;
    }
    const ProcessResult r = runProcess(kBatch, {"--pause-ms", "0", document.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(newJobs().size(), 1u);
    EXPECT_THAT(pdfText(newJobs()[0]), HasSubstr("Quirella macro sample"));
    EXPECT_FALSE(fs::exists(marker));

    // The same document in an office that allows macros does run it: the macro is real.
    const fs::path profile = m_base / "macros-allowed";
    fs::create_directories(profile / "user");
    std::ofstream(profile / "user" / "registrymodifications.xcu")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><item oor:path=\"/org.openoffice.Office.Common/Security/"
           "Scripting\"><prop oor:name=\"MacroSecurityLevel\" oor:op=\"fuse\"><value>0</value></prop></item>"
           "</oor:items>\n";
    const pid_t office = fork();
    if (office == 0) {
        setpgid(0, 0);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        const std::string install = "-env:UserInstallation=file://" + profile.string();
        // Through the launcher, which starts the office again when a new profile asks for it.
        execl("/usr/lib/libreoffice/program/soffice", "soffice", "--headless", "--norestore",
              install.c_str(), document.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 600 && !fs::exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(-office, SIGKILL);
    waitpid(office, nullptr, 0);
    EXPECT_TRUE(fs::exists(marker)) << "the sample's macro did not run even where macros are allowed";
}

}  // namespace
