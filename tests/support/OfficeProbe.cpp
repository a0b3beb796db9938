#include "support/OfficeProbe.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Stat {
    char state = '?';
    pid_t parent = 0;
    std::string name;
};

Stat statOf(const std::filesystem::path& procDir) {
    const std::string stat = readFile(procDir / "stat");
    Stat s;
    const auto open = stat.find('('), close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos) return s;
    s.name = stat.substr(open + 1, close - open - 1);
    std::istringstream rest(stat.substr(close + 2));
    rest >> s.state >> s.parent;
    return s;
}

template <class Keep>
std::vector<pid_t> scan(Keep keep) {
    std::vector<pid_t> pids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
        const Stat s = statOf(entry.path());
        if (s.state == 'Z' || s.state == '?') continue;
        if (keep(entry.path(), s)) pids.push_back(std::stoi(name));
    }
    return pids;
}

}  // namespace

std::vector<pid_t> processesWith(const std::string& name, const std::string& marker) {
    return scan([&](const std::filesystem::path& dir, const Stat& s) {
        if (s.name != name) return false;
        std::string cmdline = readFile(dir / "cmdline");
        std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
        return cmdline.find(marker) != std::string::npos;
    });
}

std::vector<pid_t> childrenNamed(pid_t parent, const std::string& name) {
    return scan([&](const std::filesystem::path&, const Stat& s) { return s.parent == parent && s.name == name; });
}

std::string pdfText(const std::string& pdf) {
    const std::string command = "pdftotext -enc UTF-8 '" + pdf + "' -";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    std::string text;
    std::array<char, 4096> buffer;
    while (const std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) text.append(buffer.data(), n);
    pclose(pipe);
    return text;
}

std::vector<std::string> filesWithExtension(const std::string& directory, const std::string& extension) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error))
        if (entry.path().extension() == extension) files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}
