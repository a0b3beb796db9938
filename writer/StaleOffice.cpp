#include "writer/StaleOffice.h"

#include "ole/Exceptions.h"
#include "writer/DocumentKind.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace writer {

namespace {

namespace fs = std::filesystem;

fs::path recordPath(const fs::path& profile) { return profile.string() + ".office"; }

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ProcessInfo {
    bool alive = false;  // exists and is no zombie
    std::string name;
    unsigned long long startTime = 0;  // clock ticks after boot: with the pid, names one process for good
    uid_t owner = static_cast<uid_t>(-1);
    std::vector<std::string> arguments;
};

ProcessInfo processInfo(pid_t pid) {
    ProcessInfo info;
    const fs::path dir = "/proc/" + std::to_string(pid);
    const std::string stat = readFile(dir / "stat");
    const auto open = stat.find('('), close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 2 > stat.size()) return info;
    info.name = stat.substr(open + 1, close - open - 1);
    std::istringstream rest(stat.substr(close + 2));
    std::string field;
    std::vector<std::string> fields;  // from the state (field 3) on
    while (rest >> field) fields.push_back(field);
    if (fields.size() < 20) return info;
    info.alive = fields[0] != "Z" && fields[0] != "X";
    info.startTime = std::stoull(fields[19]);  // field 22
    struct stat owner {};
    if (::stat(dir.c_str(), &owner) == 0) info.owner = owner.st_uid;
    const std::string cmdline = readFile(dir / "cmdline");
    std::size_t start = 0;
    for (std::size_t end; (end = cmdline.find('\0', start)) != std::string::npos; start = end + 1)
        info.arguments.push_back(cmdline.substr(start, end - start));
    return info;
}

bool hasArgument(const ProcessInfo& info, const std::string& argument) {
    return std::find(info.arguments.begin(), info.arguments.end(), argument) != info.arguments.end();
}

bool isOurOffice(const ProcessInfo& info) { return info.alive && info.name == "soffice.bin" && info.owner == getuid(); }

void end(pid_t pid) {
    // Started in a group of its own: the group takes whatever the office started too.
    if (getpgid(pid) == pid) ::kill(-pid, SIGKILL);
    else ::kill(pid, SIGKILL);
}

}  // namespace

void recordOffice(const fs::path& profile, pid_t pid, const std::string& pipeName) {
    const ProcessInfo info = processInfo(pid);
    const fs::path path = recordPath(profile);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return;  // the office still runs; only a later stale check is the weaker for it
    const std::string line = std::to_string(pid) + ' ' + std::to_string(info.startTime) + ' ' + pipeName + '\n';
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

void endStaleOffices(const fs::path& profile) {
    const std::string installation = "-env:UserInstallation=" + fileUrlFromPath(profile.string());
    std::vector<pid_t> stale;

    std::istringstream record(readFile(recordPath(profile)));
    pid_t recorded = 0;
    unsigned long long startTime = 0;
    std::string pipeName;
    if (record >> recorded >> startTime >> pipeName && recorded > 0) {
        const ProcessInfo info = processInfo(recorded);
        if (isOurOffice(info) && info.startTime == startTime &&
            hasArgument(info, "--accept=pipe,name=" + pipeName + ";urp;"))
            stale.push_back(recorded);
    }
    // An office left by a build that kept no record is known by its profile argument alone.
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
        const pid_t pid = std::stoi(name);
        if (pid == recorded) continue;
        if (const ProcessInfo info = processInfo(pid); isOurOffice(info) && hasArgument(info, installation))
            stale.push_back(pid);
    }
    if (stale.empty()) return;

    for (const pid_t pid : stale) end(pid);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (const pid_t pid : stale) {
        while (processInfo(pid).alive) {
            if (std::chrono::steady_clock::now() > deadline)
                throw Exception("a stale office (pid " + std::to_string(pid) + ") on " + profile.string() +
                                " does not end");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
}

}  // namespace writer
