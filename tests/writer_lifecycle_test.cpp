// The office's life around quirella-batch: interrupted runs, stale offices in a profile slot, runs
// waiting for a slot, the pipe and profile kept from other users, and set-up failures that say why.
// Real offices, printing to the PDF printer of the fixture's private CUPS scheduler (CUPS_SERVER).
#include "ole/Apartment.h"
#include "ole/Exceptions.h"
#include "printing/PrintRun.h"
#include "printing/WordAutomation.h"
#include "support/OfficeProbe.h"
#include "support/Process.h"
#include "support/RunLines.h"
#include "support/TestFiles.h"
#include "writer/LiveOffices.h"
#include "writer/WriterServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <csignal>
#include <cups/cups.h>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

const std::string kBatch = QUIRELLA_BATCH_PATH;
const fs::path kData = QUIRELLA_TEST_DATA;
const std::string kOut = QUIRELLA_OFFICE_OUT;
const std::string kCache = QUIRELLA_OFFICE_CACHE;
const std::string kOffice = "/usr/lib/libreoffice/program/soffice.bin";
const std::string kSetupFailed = "系统没有安装Office软件，无法打印！";

template <class Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

bool alive(pid_t pid) {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && stat.size() > close + 2 && stat[close + 2] != 'Z';
}

// quirella-batch running in a process group of its own, as a shell's job is, its output in files.
class BatchJob {
public:
    explicit BatchJob(const std::vector<std::string>& arguments, mode_t umaskValue = 022) {
        char dir[] = "/tmp/quirella-job-XXXXXX";
        if (!mkdtemp(dir)) throw std::runtime_error("mkdtemp");
        m_dir = dir;
        const std::string out = (m_dir / "out").string(), err = (m_dir / "err").string();
        m_pid = fork();
        if (m_pid == 0) {
            setpgid(0, 0);
            umask(umaskValue);
            const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(outFd, 1);
            dup2(errFd, 2);
            std::vector<char*> argv{const_cast<char*>(kBatch.c_str())};
            for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(kBatch.c_str(), argv.data());
            _exit(127);
        }
        setpgid(m_pid, m_pid);
    }
    ~BatchJob() {
        if (m_pid > 0) {
            kill(-m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        fs::remove_all(m_dir);
    }
    pid_t pid() const { return m_pid; }
    std::string out() const { return readFile(m_dir / "out"); }
    std::string err() const { return readFile(m_dir / "err"); }
    bool started(std::chrono::milliseconds limit = 120s) const {
        return waitFor([&] { return out().find(kStart) != std::string::npos; }, limit);
    }
    // The raw wait status.
    int wait() {
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return status;
    }

private:
    fs::path m_dir;
    pid_t m_pid = -1;
};

class OfficeLifecycle : public testing::Test {
protected:
    void SetUp() override {
        m_jobsBefore = filesWithExtension(kOut, ".pdf").size();
        char base[] = "/tmp/quirella-life-XXXXXX";
        ASSERT_NE(mkdtemp(base), nullptr);
        m_base = base;
        m_text = (m_base / "sample.txt").string();
        fs::copy_file(kData / "sample.txt", m_text);
    }
    void TearDown() override {
        EXPECT_THAT(officesUnder(kCache), IsEmpty());
        fs::remove_all(m_base);
    }
    std::vector<std::string> newJobs() const {
        std::vector<std::string> jobs = filesWithExtension(kOut, ".pdf");
        jobs.erase(jobs.begin(), jobs.begin() + static_cast<std::ptrdiff_t>(m_jobsBefore));
        return jobs;
    }
    // A run that prints the sample and reads it back.
    void expectARunPrints() {
        const std::size_t before = newJobs().size();
        const ProcessResult r = runProcess(kBatch, {"--pause-ms", "0", m_text});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        const std::vector<std::string> jobs = newJobs();
        ASSERT_EQ(jobs.size(), before + 1);
        EXPECT_THAT(pdfText(jobs.back()), HasSubstr("Quirella sample TXT"));
    }
    fs::path slotProfile(int slot) const { return fs::path(kCache) / "quirella" / "office" / ("profile-" + std::to_string(slot)); }

    fs::path m_base;
    std::string m_text;
    std::size_t m_jobsBefore = 0;
};

// ---- Interruptions --------------------------------------------------------------------------------

struct Interruption {
    const char* name;
    int signal;
    bool toGroup;  // as a terminal's Ctrl-C reaches the whole job
};

void PrintTo(const Interruption& how, std::ostream* out) { *out << how.name; }

class InterruptedRun : public OfficeLifecycle, public testing::WithParamInterface<Interruption> {};

TEST_P(InterruptedRun, LeavesNoOfficeAndTheNextRunPrints) {
    const Interruption& how = GetParam();
    {
        // Long enough that the signal comes while documents are still going out.
        BatchJob job({"--pause-ms", "500", m_text, m_text, m_text, m_text, m_text, m_text, m_text, m_text});
        ASSERT_TRUE(job.started()) << job.out() << job.err();
        ASSERT_TRUE(waitFor([&] { return !childrenNamed(job.pid(), "soffice.bin").empty(); }, 10s));
        const std::vector<pid_t> offices = officesUnder(kCache);
        ASSERT_FALSE(offices.empty());
        kill(how.toGroup ? -job.pid() : job.pid(), how.signal);
        const int status = job.wait();
        if (how.signal == SIGKILL) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        } else {
            ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
            EXPECT_EQ(WEXITSTATUS(status), 128 + how.signal);
        }
        // The office, its own children and its watcher: nothing of the run is left.
        EXPECT_TRUE(waitFor([&] { return officesUnder(kCache).empty(); }, 5s));
        for (const pid_t office : offices) EXPECT_FALSE(alive(office)) << office;
    }
    expectARunPrints();
}

const Interruption kInterruptions[] = {
    {"InterruptToTheGroup", SIGINT, true},
    {"Terminate", SIGTERM, false},
    {"HangUp", SIGHUP, false},
    {"Kill", SIGKILL, false},
};
INSTANTIATE_TEST_SUITE_P(Signals, InterruptedRun, testing::ValuesIn(kInterruptions),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(OfficeLifecycle, ACtrlCWhilePrintingLeavesNoJobBehind) {
    // Long enough that the interruption comes before the office has spooled anything.
    const fs::path longText = m_base / "long.txt";
    {
        std::ofstream out(longText);
        for (int i = 0; i < 40000; ++i) out << "Line " << i << " of a long document, so that spooling it takes a while.\n";
    }
    BatchJob job({"--pause-ms", "0", longText.string()});
    ASSERT_TRUE(job.started()) << job.err();
    ASSERT_TRUE(waitFor([&] { return job.out().find("long.txt") != std::string::npos; }, 10s));
    std::this_thread::sleep_for(1500ms);
    kill(-job.pid(), SIGINT);
    const int status = job.wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_TRUE(waitFor([&] { return officesUnder(kCache).empty(); }, 5s));
    // An office left behind would spool the job some seconds later.
    std::this_thread::sleep_for(5s);
    EXPECT_THAT(newJobs(), IsEmpty());
    cups_job_t* jobs = nullptr;
    const int active = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, "Quirella-PDF", 1, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(active, jobs);
    EXPECT_EQ(active, 0);
}

// The job that reached CUPS before the office was ended: cancelled, and only ours that came during
// the print. In a child process, since an ended process takes no office any more.
TEST_F(OfficeLifecycle, EndingTheOfficesCancelsTheJobOfThePrintInFlight) {
    const std::string printer = "Quirella-Paused-" + std::to_string(getpid());
    struct Removal {
        std::string printer;
        ~Removal() { std::system(("lpadmin -x " + printer + " 2>/dev/null").c_str()); }
    } removal{printer};
    ASSERT_EQ(std::system(("lpadmin -p " + printer + " -E -v quirella-pdf:" + m_base.string() + " -m raw && cupsdisable " +
                           printer)
                              .c_str()),
              0);
    const auto submit = [&] {
        return cupsPrintFile(printer.c_str(), m_text.c_str(), "quirella test", 0, nullptr);
    };
    const int before = submit();  // someone else's, or an earlier print's: stays
    const int during = submit();  // as the office's job would reach CUPS
    ASSERT_GT(before, 0);
    ASSERT_GT(during, before);
    const pid_t child = fork();
    if (child == 0) {
        {
            const writer::PrintInFlight inFlight(printer, before);
            writer::endLiveOffices();
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.c_str(), 0, CUPS_WHICHJOBS_ALL);
    std::map<int, ipp_jstate_t> states;
    for (int i = 0; i < count; ++i) states[jobs[i].id] = jobs[i].state;
    cupsFreeJobs(count, jobs);
    EXPECT_EQ(states[before], IPP_JSTATE_PENDING);
    EXPECT_EQ(states[during], IPP_JSTATE_CANCELED);
}

// ---- Stale offices ----------------------------------------------------------------------------------

// An office started on a slot's profile as a killed run would have left it: its own group, no parent
// that waits for it.
pid_t plantOffice(const fs::path& profile, const std::string& pipeName) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const pid_t pid = fork();
        if (pid == 0) {
            setpgid(0, 0);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            const std::string accept = "--accept=pipe,name=" + pipeName + ";urp;";
            const std::string install = "-env:UserInstallation=file://" + profile.string();
            execl(kOffice.c_str(), kOffice.c_str(), "--headless", "--invisible", "--norestore", "--nologo",
                  "--nodefault", accept.c_str(), install.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        const std::string socket = "/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_" + pipeName;
        bool exited = false;
        const bool up = waitFor(
            [&] {
                int status = 0;
                if (waitpid(pid, &status, WNOHANG) == pid) exited = true;
                return exited || fs::exists(socket);
            },
            60s);
        if (up && !exited) return pid;  // else a new profile asked for a restart
    }
    return -1;
}

// An office this test started, and so must end and reap, on every path.
struct PlantedOffice {
    pid_t pid = -1;
    std::string pipeName;
    ~PlantedOffice() {
        if (pid > 0) {
            kill(-pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        // A killed office leaves its pipe's socket behind.
        fs::remove("/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_" + pipeName);
    }
};

std::string startTimeOf(pid_t pid) {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream rest(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i) rest >> field;
    return field;
}

TEST_F(OfficeLifecycle, AStaleOfficeInASlotIsEndedAndTheRunPrints) {
    // An office of ours, but on no slot's profile: whatever a record says, it is not that office.
    const std::string bystanderPipe = "quirella-bystander-" + std::to_string(getpid());
    PlantedOffice bystander{plantOffice(m_base / "elsewhere", bystanderPipe), bystanderPipe};
    ASSERT_GT(bystander.pid, 0) << "the bystander office did not come up";

    enum class Record { Right, None, NamesTheBystander };
    struct Case {
        const char* name;
        Record record;
    };
    const Case cases[] = {
        {"Recorded", Record::Right},                      // as this build leaves it
        {"Unrecorded", Record::None},                     // as an older build left it
        {"RecordNamesAnother", Record::NamesTheBystander},  // a record outlived its office; the pid is another's
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path profile = slotProfile(0);  // the first slot, which the next run takes
        fs::create_directories(profile);
        const std::string pipeName = "quirella-stale-" + std::to_string(getpid());
        PlantedOffice stale{plantOffice(profile, pipeName), pipeName};
        ASSERT_GT(stale.pid, 0) << "the planted office did not come up";
        std::ofstream record(profile.string() + ".office", std::ios::trunc);
        if (c.record == Record::Right) record << stale.pid << ' ' << startTimeOf(stale.pid) << ' ' << pipeName << '\n';
        if (c.record == Record::NamesTheBystander)
            record << bystander.pid << ' ' << startTimeOf(bystander.pid) << ' ' << pipeName << '\n';
        record.close();

        expectARunPrints();
        EXPECT_TRUE(waitFor([&] { return !alive(stale.pid); }, 5s)) << "the stale office still runs";
        EXPECT_TRUE(alive(bystander.pid)) << "an office that was not the slot's was ended";
    }
}

// ---- Slots ------------------------------------------------------------------------------------------

TEST_F(OfficeLifecycle, NineRunsAtOnceAllPrintWaitingForASlot) {
    std::vector<std::unique_ptr<BatchJob>> jobs;
    for (int i = 0; i < 9; ++i) jobs.push_back(std::make_unique<BatchJob>(std::vector<std::string>{"--pause-ms", "0", m_text}));
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const int status = jobs[i]->wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "run " << i << ": " << jobs[i]->out() << jobs[i]->err();
    }
    const std::vector<std::string> printed = newJobs();
    ASSERT_EQ(printed.size(), 9u);
    for (const std::string& pdf : printed) EXPECT_THAT(pdfText(pdf), HasSubstr("Quirella sample TXT"));
}

// ---- Privacy ----------------------------------------------------------------------------------------

// A user of its own for the test, removed on every path.
class OtherUser {
public:
    OtherUser() : m_name("qlife" + std::to_string(getpid() % 100000)) {
        if (geteuid() != 0) return;
        if (std::system(("useradd -M -N -s /usr/sbin/nologin " + m_name + " 2>/dev/null").c_str()) != 0) return;
        m_created = true;
        if (const passwd* user = getpwnam(m_name.c_str())) {
            m_uid = user->pw_uid;
            m_gid = user->pw_gid;
        }
    }
    ~OtherUser() {
        if (m_created) std::system(("userdel -r " + m_name + " 2>/dev/null").c_str());
    }
    bool usable() const { return m_created && m_uid != 0; }
    // Runs `probe` as that user in a child process; its result is the child's.
    bool run(const std::function<bool()>& probe) const {
        const pid_t pid = fork();
        if (pid == 0) {
            if (setgroups(0, nullptr) != 0 || setgid(m_gid) != 0 || setuid(m_uid) != 0) _exit(2);
            _exit(probe() ? 0 : 1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    std::string m_name;
    bool m_created = false;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
};

bool canConnect(const std::string& socketPath) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

TEST_F(OfficeLifecycle, UnderUmaskZeroAnotherUserCannotReachThePipeOrTheProfile) {
    const OtherUser other;
    if (!other.usable()) GTEST_SKIP() << "cannot create a second user here (needs root and useradd)";

    BatchJob job({"--pause-ms", "4000", m_text}, 0);
    ASSERT_TRUE(job.started()) << job.err();
    std::vector<pid_t> offices;
    ASSERT_TRUE(waitFor([&] { return !(offices = officesUnder(kCache)).empty(); }, 10s));
    std::string cmdline = readFile("/proc/" + std::to_string(offices[0]) + "/cmdline");
    std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
    const auto name = cmdline.find("pipe,name="), end = cmdline.find(';', name);
    ASSERT_NE(name, std::string::npos) << cmdline;
    const std::string socket =
        "/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_" + cmdline.substr(name + 10, end - name - 10);
    const auto install = cmdline.find("UserInstallation=file://");
    ASSERT_NE(install, std::string::npos);
    const fs::path profile = cmdline.substr(install + 24, cmdline.find(' ', install) - install - 24);
    ASSERT_TRUE(fs::exists(socket)) << socket;
    ASSERT_TRUE(fs::exists(profile / "user" / "registrymodifications.xcu"));

    // Where the office would give a stranger the key, these all hold.
    EXPECT_TRUE(canConnect(socket));
    EXPECT_FALSE(other.run([&] { return canConnect(socket); })) << "the other user reached " << socket;
    EXPECT_FALSE(other.run([&] { return open((profile / "user" / "registrymodifications.xcu").c_str(), O_RDONLY) >= 0; }));
    EXPECT_FALSE(other.run([&] { return opendir(profile.c_str()) != nullptr; }));
    struct stat socketMode {};
    ASSERT_EQ(stat(socket.c_str(), &socketMode), 0);
    EXPECT_EQ(socketMode.st_mode & 077, 0u) << std::oct << socketMode.st_mode;

    const int status = job.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << job.out() << job.err();
}

// ---- Set-up failures say why ---------------------------------------------------------------------------

TEST_F(OfficeLifecycle, ASetupFailureWritesItsCauseOnStandardError) {
    const ProcessResult r = runProcess(kBatch, {"--pause-ms", "0", "-p", "No Such Printer", m_text});
    EXPECT_EQ(r.status, 3);
    EXPECT_THAT(splitLines(r.out), ElementsAre(kSetupFailed));
    const std::vector<std::string> err = splitLines(r.err);
    ASSERT_EQ(err.size(), 1u) << r.err;
    EXPECT_THAT(err[0], HasSubstr("quirella-batch: "));
    EXPECT_THAT(err[0], HasSubstr("there is no printer named \"No Such Printer\""));
}

TEST_F(OfficeLifecycle, AnOfficeThatCannotStartHandsItsCauseToTheRun) {
    const ole::Apartment apartment;
    writer::OfficeOptions options;
    options.program = "/bin/false";
    const ole::ClassRegistration registration = writer::registerWriterServer("Word.Application", options);
    PrintRequest request;
    request.printerEntryCount = 1;
    request.documents = {m_text};
    request.printerText = "系统缺省打印机";
    struct Log : ProgressLog {
        void clear() override { lines.clear(); }
        void append(const std::string& line) override { lines.push_back(line); }
        std::vector<std::string> lines;
    } log;
    std::vector<std::string> causes;
    RunOperations ops{[](auto&&, auto&&) {}, [](auto&&) {}, [](auto) {}};
    ops.reportSetupFailure = [&](const std::string& cause) { causes.push_back(cause); };
    EXPECT_EQ(PrintRun(request, log, ops).end, RunEnd::SetupFailed);
    EXPECT_THAT(log.lines, ElementsAre(kSetupFailed));
    EXPECT_THAT(causes, ElementsAre("Server execution failed: the office ended while starting"));
}

}  // namespace
