#include "writer/OfficeProcess.h"

#include "ole/Exceptions.h"
#include "writer/DocumentKind.h"
#include "writer/LiveOffices.h"
#include "writer/OfficeProfile.h"
#include "writer/ProfileSettings.h"
#include "writer/StaleOffice.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <langinfo.h>
#include <random>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace writer {

namespace {

std::string randomPipeName() {
    std::random_device entropy;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = "quirella-";
    for (int i = 0; i < 32; ++i) name += kDigits[entropy() % 16];
    return name;
}

// The office turns file URLs into system paths with its locale's character set: it needs UTF-8 to
// reach a Chinese file name.
std::vector<std::string> officeEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    const char* lcAll = std::getenv("LC_ALL");
    const char* lcCtype = std::getenv("LC_CTYPE");
    const char* lang = std::getenv("LANG");
    const char* effective = lcAll && *lcAll ? lcAll : lcCtype && *lcCtype ? lcCtype : lang ? lang : "";
    const std::string charset(effective);
    if (charset.find("UTF-8") == std::string::npos && charset.find("utf8") == std::string::npos) {
        std::erase_if(env, [](const std::string& v) { return v.starts_with("LC_ALL="); });
        env.emplace_back("LC_ALL=C.UTF-8");
    }
    applyOfflineEnvironment(env);  // no proxy of the caller's, no host reached directly
    return env;
}

// Between fork and exec only async-signal-safe calls: the parent may have other threads.
void resetSignals() noexcept {
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGCHLD, SIGQUIT}) sigaction(signal, &standard, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

void quietStandardFiles() noexcept {
    const int null = open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd) dup2(null, fd);
    if (null > 2) close(null);
}

}  // namespace

bool officeInstalled(const std::string& program) { return access(program.c_str(), X_OK) == 0; }

OfficeProcess::OfficeProcess(std::string program, std::chrono::milliseconds slotWait)
    : m_program(std::move(program)), m_pipeName(randomPipeName()) {
    const ProfileSlot slot = acquireProfileSlot(std::chrono::steady_clock::now() + slotWait);
    m_profileLock = slot.lock;
    m_profile = slot.directory;

    spawn();
}

void OfficeProcess::restart() {
    kill();
    m_reaped = false;
    m_exitStatus.reset();
    spawn();
}

void OfficeProcess::spawn() {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    m_headless = !(display && *display) && !(wayland && *wayland);

    std::vector<std::string> args = {m_program, "--invisible", "--norestore", "--nologo", "--nodefault",
                                     "--nolockcheck", "--accept=pipe,name=" + m_pipeName + ";urp;",
                                     "-env:UserInstallation=" + fileUrlFromPath(m_profile.string())};
    if (m_headless) args.insert(args.begin() + 1, "--headless");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = officeEnvironment();
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    // The watcher's pipe: only this process holds its writing end, so the watcher reads its end
    // when this process ends, however it ends.
    int guard[2];
    if (pipe2(guard, O_CLOEXEC) != 0) {
        const int error = errno;
        releaseSlot();
        throw Exception("cannot start the office: " + std::string(std::strerror(error)));
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // A group of its own, so that killing it takes anything the office started too; nothing of
        // ours is inherited, so no pipe of a caller stays open through it.
        setpgid(0, 0);
        // Dies with the thread that started it, should this process be killed outright.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        // The pipe's socket and every file of the profile are the user's alone, whatever our umask.
        umask(077);
        resetSignals();
        quietStandardFiles();
        close_range(3, ~0U, 0);
        execve(m_program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    if (pid < 0) {
        const int error = errno;
        close(guard[0]);
        close(guard[1]);
        releaseSlot();
        throw Exception("cannot start the office: " + std::string(std::strerror(error)));
    }
    setpgid(pid, pid);  // either side may be first; the other's call then fails harmlessly
    m_pid = pid;
    addLiveOffice(pid);

    // The watcher, in the office's group: when this process goes, it ends the whole group, the
    // office's own children too, which the parent-death signal alone would leave.
    const pid_t watcher = fork();
    if (watcher == 0) {
        if (setpgid(0, pid) != 0) _exit(0);  // the office has already gone
        resetSignals();
        if (guard[0] != 3) dup2(guard[0], 3);
        quietStandardFiles();
        close_range(4, ~0U, 0);
        char byte;
        while (read(3, &byte, 1) < 0 && errno == EINTR) {
        }
        ::kill(0, SIGKILL);
        _exit(0);
    }
    close(guard[0]);
    m_guard = guard[1];
    if (watcher > 0) {
        setpgid(watcher, pid);
        m_watcher = watcher;
    }
    recordOffice(m_profile, pid, m_pipeName);
}

void OfficeProcess::releaseSlot() noexcept {
    if (m_profileLock >= 0) close(m_profileLock);
    m_profileLock = -1;
}

OfficeProcess::~OfficeProcess() {
    kill();
    releaseSlot();
}

bool OfficeProcess::running() {
    const pid_t pid = m_pid;
    if (m_reaped || pid <= 0) return false;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
        m_reaped = true;
        if (WIFEXITED(status)) m_exitStatus = WEXITSTATUS(status);
    }
    return !m_reaped;
}

void OfficeProcess::waitOrKill(std::chrono::milliseconds grace) {
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill();
}

void OfficeProcess::signalGroup() const noexcept {
    if (const pid_t pid = m_pid; pid > 0) ::kill(-pid, SIGKILL);
}

void OfficeProcess::kill() noexcept {
    const pid_t pid = m_pid;
    if (pid <= 0) return;
    // The office may have ended while something it started still runs: the group goes either way.
    ::kill(-pid, SIGKILL);
    if (!m_reaped) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_reaped = true;
    }
    if (m_watcher > 0) {
        while (waitpid(m_watcher, nullptr, 0) < 0 && errno == EINTR) {
        }
        m_watcher = -1;
    }
    if (m_guard >= 0) close(m_guard);
    m_guard = -1;
    removeLiveOffice(pid);
    m_pid = -1;
}

}  // namespace writer
