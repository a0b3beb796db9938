#include "writer/OfficeProcess.h"

#include "ole/Exceptions.h"
#include "writer/DocumentKind.h"
#include "writer/OfficeProfile.h"
#include "writer/ProfileSettings.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <langinfo.h>
#include <random>
#include <spawn.h>
#include <sys/file.h>
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

}  // namespace

bool officeInstalled(const std::string& program) { return access(program.c_str(), X_OK) == 0; }

OfficeProcess::OfficeProcess(std::string program) : m_program(std::move(program)), m_pipeName(randomPipeName()) {
    const ProfileSlot slot = acquireProfileSlot();
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

    // A group of its own, so that killing it takes anything the office started too; nothing of
    // ours is inherited, so no pipe of a caller stays open through it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&files, 3);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, m_program.c_str(), &files, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        if (m_profileLock >= 0) close(m_profileLock);
        m_profileLock = -1;
        throw Exception("cannot start the office: " + std::string(std::strerror(error)));
    }
    m_pid = pid;
}

OfficeProcess::~OfficeProcess() {
    kill();
    if (m_profileLock >= 0) close(m_profileLock);
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
    m_pid = -1;
}

}  // namespace writer
