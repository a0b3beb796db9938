// Printing never reaches the network on a document's behalf. Documents made here point every kind of
// external reference they can carry at recording servers on 127.0.0.1; printed through quirella-batch
// with the real office and the private CUPS (set by the test fixture), each still prints its own text,
// and no server sees a connection. The office's environment sends the caller's proxies nowhere too.
#include "ole/Apartment.h"
#include "printing/WordAutomation.h"
#include "support/OfficeProbe.h"
#include "support/Process.h"
#include "support/RecordingServer.h"
#include "support/StoredZip.h"
#include "support/RunLines.h"
#include "support/TestFiles.h"
#include "writer/WriterServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using testing::Each;
using testing::ElementsAreArray;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::IsSupersetOf;
using testing::Not;
using testing::StartsWith;

namespace {

const std::string kBatch = QUIRELLA_BATCH_PATH;
const fs::path kRemote = fs::path(QUIRELLA_TEST_DATA) / "remote";
const std::string kOut = QUIRELLA_OFFICE_OUT;
const std::string kCache = QUIRELLA_OFFICE_CACHE;
const std::string kOfficeLauncher = "/usr/lib/libreoffice/program/soffice";


// Whether the PDF holds a picture of that many pixels, as pdfimages lists them.
bool hasImageOfSize(const std::string& pdf, int width, int height) {
    const ProcessResult r = runProcess("/usr/bin/pdfimages", {"-list", pdf});
    for (const std::string& line : splitLines(r.out)) {
        std::istringstream fields(line);
        std::string page, number, type;
        int w = 0, h = 0;
        if (fields >> page >> number >> type >> w >> h && type == "image" && w == width && h == height) return true;
    }
    return false;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The three hosts the documents point at, by scheme.
struct RemoteHosts {
    explicit RemoteHosts(bool answering)
        : web(answering ? RecordingServer::Reply::NotFound : RecordingServer::Reply::Never),
          secure(answering ? RecordingServer::Reply::Hangup : RecordingServer::Reply::Never),
          ftp(answering ? RecordingServer::Reply::Hangup : RecordingServer::Reply::Never) {}
    RecordingServer web, secure, ftp;

    int connections() const { return web.connections() + secure.connections() + ftp.connections(); }
    // The paths asked of the web server.
    std::set<std::string> paths() const {
        std::set<std::string> paths;
        for (const std::string& line : web.requestLines()) {
            std::istringstream words(line);
            std::string method, path;
            if (words >> method >> path) paths.insert(path);
        }
        return paths;
    }
};

struct RemoteDocument {
    std::string file;  // under tests/data/remote; "docx" is the folder of a package
    std::string text;  // printed from the document itself
    // What the office asks the web server for when nothing stops it (a bare office, measured).
    std::vector<std::string> fetchedWhenAllowed;
    bool linksLocalImage = false;  // local-image.png, beside it, which must still print
};

const std::vector<RemoteDocument> kDocuments = {
    {"remote.html", "Quirella remote HTML",
     {"/html/link-stylesheet.css", "/html/img.png", "/html/body-background.png", "/html/table-background.png",
      "/html/vnd-webdav.png", "/html/webdav.png"},
     true},
    {"remote.fodt", "Quirella remote FODT",
     {"/fodt/linked-image.png", "/fodt/linked-object.odt", "/fodt/paragraph-background.png", "/fodt/bullet.png",
      "/fodt/template.ott"},
     true},
    {"docx", "Quirella remote DOCX", {"/docx/linked-image.png"}},
    // Nothing in RTF is followed even by a bare office (include fields, linked pictures and fills, the
    // template): here so that an office that starts to is caught.
    {"remote.rtf", "Quirella remote RTF", {}},
};

class NoNetwork : public testing::Test {
protected:
    void SetUp() override {
        char base[] = "/tmp/quirella-network-XXXXXX";
        ASSERT_NE(mkdtemp(base), nullptr);
        m_base = base;
        m_jobsBefore = filesWithExtension(kOut, ".pdf").size();
    }
    void TearDown() override {
        EXPECT_THAT(officesUnder(kCache), IsEmpty());
        EXPECT_THAT(processesWith("soffice.bin", m_base.string()), IsEmpty());
        fs::remove_all(m_base);
    }

    // The documents, made in a folder of the test's own with every reference pointing at `hosts`: the
    // templates say @SERVER@, @SECURE@ and @FTP@ for a scheme and host, @WEBHOST@ and @SECUREHOST@
    // for a host alone.
    std::vector<std::string> makeDocuments(const RemoteHosts& hosts) const {
        const auto pointed = [&](std::string text) {
            replaceAll(text, "@SERVER@", "http://" + hosts.web.authority());
            replaceAll(text, "@SECURE@", "https://" + hosts.secure.authority());
            replaceAll(text, "@FTP@", "ftp://" + hosts.ftp.authority());
            replaceAll(text, "@WEBHOST@", hosts.web.authority());
            replaceAll(text, "@SECUREHOST@", hosts.secure.authority());
            return text;
        };
        std::vector<std::string> paths;
        fs::create_directories(m_base / "documents");
        fs::copy_file(kRemote / "local-image.png", m_base / "documents" / "local-image.png",
                      fs::copy_options::overwrite_existing);
        for (const RemoteDocument& document : kDocuments) {
            const fs::path source = kRemote / document.file;
            if (fs::is_directory(source)) {
                std::vector<std::pair<std::string, std::string>> parts;
                for (const auto& entry : fs::recursive_directory_iterator(source))
                    if (entry.is_regular_file())
                        parts.emplace_back(fs::relative(entry.path(), source).string(), pointed(readFile(entry.path())));
                // The content types first, as Word writes them.
                std::sort(parts.begin(), parts.end());
                std::stable_partition(parts.begin(), parts.end(), [](const auto& part) { return part.first == "[Content_Types].xml"; });
                const fs::path target = m_base / "documents" / ("remote." + document.file);
                writeStoredZip(target, parts);
                paths.push_back(target.string());
            } else {
                const fs::path target = m_base / "documents" / document.file;
                writeFile(target, pointed(readFile(source)));
                paths.push_back(target.string());
            }
        }
        return paths;
    }

    // The documents converted to PDF by an office of the test's own, on a new profile without our
    // settings: what they reach when nothing stops them. Ends the office's whole group.
    void convertInABareOffice(const std::vector<std::string>& documents) const {
        const std::string install = "-env:UserInstallation=file://" + (m_base / "bare-profile").string();
        const std::string outDir = (m_base / "bare-out").string();
        std::vector<std::string> args = {kOfficeLauncher, "--headless", "--norestore", install,
                                         "--convert-to", "pdf", "--outdir", outDir};
        args.insert(args.end(), documents.begin(), documents.end());
        const pid_t office = fork();
        if (office == 0) {
            setpgid(0, 0);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0), dup2(null, 1), dup2(null, 2);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(kOfficeLauncher.c_str(), argv.data());
            _exit(127);
        }
        setpgid(office, office);
        int status = 0;
        for (int i = 0; i < 1500 && waitpid(office, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        kill(-office, SIGKILL);
        waitpid(office, &status, WNOHANG);
    }

    std::vector<std::string> newJobs() const {
        std::vector<std::string> jobs = filesWithExtension(kOut, ".pdf");
        jobs.erase(jobs.begin(), jobs.begin() + static_cast<std::ptrdiff_t>(m_jobsBefore));
        return jobs;
    }

    // Prints the documents through quirella-batch and checks that each printed its own text.
    void printAndCheck(const std::vector<std::string>& documents) {
        std::vector<std::string> args = {"--pause-ms", "0", "-p", "Quirella-PDF"};
        args.insert(args.end(), documents.begin(), documents.end());
        const ProcessResult r = runProcess(kBatch, args);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        std::vector<std::string> expected = {kStart};
        for (const std::string& document : documents) expected.push_back(documentLine(document));
        expected.push_back(kFinal);
        EXPECT_THAT(splitLines(r.out), ElementsAreArray(expected));
        const std::vector<std::string> jobs = newJobs();
        ASSERT_EQ(jobs.size(), kDocuments.size());
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            SCOPED_TRACE(kDocuments[i].file);
            EXPECT_THAT(pdfText(jobs[i]), HasSubstr(kDocuments[i].text));
            // The local picture (24x20 pixels; a remote one left out prints as a 32x32 placeholder).
            if (kDocuments[i].linksLocalImage) {
                EXPECT_TRUE(hasImageOfSize(jobs[i], 24, 20));
            }
        }
    }

    fs::path m_base;
    std::size_t m_jobsBefore = 0;
};

TEST_F(NoNetwork, DocumentsThatReachTheirServersInABareOfficePrintWithoutReachingThem) {
    {
        // First, that the documents do reach out where nothing stops them: else this test proves nothing.
        const RemoteHosts hosts(true);
        convertInABareOffice(makeDocuments(hosts));
        const std::set<std::string> paths = hosts.paths();
        for (const RemoteDocument& document : kDocuments) {
            SCOPED_TRACE(document.file + " in a bare office");
            EXPECT_THAT(paths, IsSupersetOf(document.fetchedWhenAllowed));
        }
        EXPECT_GT(hosts.secure.connections(), 0) << "an https image";
        EXPECT_GT(hosts.ftp.connections(), 0) << "an ftp image";
        ASSERT_FALSE(HasFailure());
    }
    const RemoteHosts hosts(true);
    printAndCheck(makeDocuments(hosts));
    EXPECT_EQ(hosts.connections(), 0);
    EXPECT_THAT(hosts.web.requestLines(), IsEmpty());
}

TEST_F(NoNetwork, AHostThatNeverAnswersDoesNotHoldTheRun) {
    const RemoteHosts hosts(false);
    const auto start = std::chrono::steady_clock::now();
    printAndCheck(makeDocuments(hosts));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // Without the settings one such reference held a document for minutes; a generous bound.
    EXPECT_LT(elapsed, std::chrono::seconds(90));
    EXPECT_EQ(hosts.connections(), 0);
}

TEST_F(NoNetwork, TheCallersProxiesGiveWayToTheOfficesDeadEnd) {
    // A caller with a proxy of its own, and hosts it reaches directly.
    setenv("http_proxy", "http://proxy.example.com:3128", 1);
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    ole::Apartment apartment;
    const ole::ClassRegistration registration = writer::registerWriterServer();
    WordAutomation word;
    word.CreateApplication();
    const std::vector<pid_t> offices = childrenNamed(getpid(), "soffice.bin");
    ASSERT_EQ(offices.size(), 1u);
    std::vector<std::string> environment;
    std::istringstream entries(readFile("/proc/" + std::to_string(offices[0]) + "/environ"));
    for (std::string entry; std::getline(entries, entry, '\0');) environment.push_back(entry);
    word.QuitApplication();

    std::vector<std::string> deadEnds;
    for (const char* name : {"http_proxy", "https_proxy", "ftp_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY",
                             "FTP_PROXY", "ALL_PROXY"})
        deadEnds.push_back(std::string(name) + "=http://255.255.255.255:9");
    EXPECT_THAT(environment, IsSupersetOf(deadEnds));
    EXPECT_THAT(environment, Each(Not(StartsWith("http_proxy=http://proxy"))));
    EXPECT_THAT(environment, Each(Not(StartsWith("NO_PROXY="))));
}

}  // namespace
