// Settings that every office we start must have, whatever build of ours made its profile: they are
// written over the profile's own values before each start, not only into a new profile. And the
// environment that goes with them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace writer {

struct OfficeSetting {
    std::string path;   // the configuration node, "/org.openoffice.Inet/Settings"
    std::string name;   // the property, "ooInetProxyType"
    std::string value;  // as the office writes it, "2"
};

// The settings that keep a printed document from reaching the network: the office fetches no linked
// image, object, style sheet or background, and the document prints without them.
const std::vector<OfficeSetting>& offlineSettings();

// Sends what in the office goes by the environment rather than by its settings (libcurl, GLib) to
// the same dead end as the profile's proxy: sets the proxy variables of an environment block
// ("NAME=value" entries) and removes any list of hosts to reach directly.
void applyOfflineEnvironment(std::vector<std::string>& environment);

// Gives each setting its value in the office's user settings file (registrymodifications.xcu),
// replacing any item the office or an older build wrote for it and keeping every other item.
// Creates the file when it is missing. Throws std::exception when it cannot be written.
void enforceSettings(const std::filesystem::path& file, const std::vector<OfficeSetting>& settings);

// Replaces the settings file with `text` in one step, so that an office never reads half a file and
// an interruption leaves the old one. Throws std::exception when it cannot be written.
void replaceSettingsFile(const std::filesystem::path& file, const std::string& text);

}  // namespace writer
