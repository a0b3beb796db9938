#include "writer/OfficeProfile.h"

#include "ole/Exceptions.h"
#include "writer/FontSubstitution.h"
#include "writer/ProfileSettings.h"
#include "writer/StaleOffice.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <regex>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace writer {

namespace {

constexpr int kSlots = 8;

// The installed office's version ("7.4"), read from its own configuration.
std::string officeVersion() {
    std::ifstream in("/usr/lib/libreoffice/share/registry/main.xcd");
    std::stringstream text;
    text << in.rdbuf();
    static const std::regex kVersion(R"re(oor:name="ooSetupVersion"[^>]*>\s*<value>([^<]+)</value>)re");
    std::smatch match;
    const std::string content = text.str();
    return std::regex_search(content, match, kVersion) ? match[1].str() : std::string();
}

// Settings our offices always have. The last-version entry spares a graphics check at every headless
// start; the rest keep a shown office from greeting the user or running any macro, and documents off
// the network. Written over the profile's own values at every start, so a slot of an older build, or
// one the office rewrote, has them too.
std::vector<OfficeSetting> profileSettings() {
    std::vector<OfficeSetting> settings;
    if (const std::string version = officeVersion(); !version.empty())
        settings.push_back({"/org.openoffice.Setup/Product", "ooSetupLastVersion", version});
    const std::string misc = "/org.openoffice.Office.Common/Misc";
    settings.push_back({misc, "FirstRun", "false"});
    settings.push_back({misc, "ShowTipOfTheDay", "false"});
    settings.push_back({misc, "UseLocking", "false"});
    settings.push_back({"/org.openoffice.Office.Common/Security/Scripting", "MacroSecurityLevel", "3"});
    const std::vector<OfficeSetting>& offline = offlineSettings();
    settings.insert(settings.end(), offline.begin(), offline.end());
    return settings;
}

}  // namespace

std::filesystem::path cacheDirectory() {
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') return std::filesystem::path(xdg) / "quirella";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : "/tmp";
    }
    return std::filesystem::path(home) / ".cache" / "quirella";
}

namespace {

// Every folder on the way that does not exist yet is made the user's alone, whatever the umask.
void makePrivateDirectories(const std::filesystem::path& directory) {
    std::filesystem::path path;
    for (const std::filesystem::path& part : directory) {
        path /= part;
        if (mkdir(path.c_str(), 0700) == 0) chmod(path.c_str(), 0700);
    }
}

// The slot's lock, or -1 when another run holds it.
int lockSlot(const std::filesystem::path& directory) {
    const std::string lockPath = directory.string() + ".lock";
    const int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) return -1;
    if (flock(lock, LOCK_EX | LOCK_NB) != 0) {
        close(lock);
        return -1;
    }
    return lock;
}

}  // namespace

ProfileSlot acquireProfileSlot(std::chrono::steady_clock::time_point deadline) {
    const std::filesystem::path root = cacheDirectory() / "office";
    makePrivateDirectories(root);
    chmod(root.c_str(), 0700);  // documents pass through it: the user's alone
    for (;;) {
        for (int slot = 0; slot < kSlots; ++slot) {
            const std::filesystem::path directory = root / ("profile-" + std::to_string(slot));
            const int lock = lockSlot(directory);
            if (lock < 0) continue;
            try {
                // Free by its lock, yet an office of a killed run may still hold the profile.
                endStaleOffices(directory);
                makePrivateDirectories(directory);
                chmod(directory.c_str(), 0700);
                const std::filesystem::path settings = directory / "user" / "registrymodifications.xcu";
                enforceSettings(settings, profileSettings());
                addFontReplacements(settings);
                chmod(settings.c_str(), 0600);
            } catch (const Exception&) {
                close(lock);
                throw;
            } catch (const std::exception&) {
                close(lock);
                throw Exception("cannot prepare the office profile " + directory.string());
            }
            return {directory, lock};
        }
        // Every slot is taken by a run of its own: one of them will end.
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    throw Exception("every office profile under " + root.string() + " is in use");
}

}  // namespace writer
