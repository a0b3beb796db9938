// The settings written into the office's profile before each start, over whatever an older build or
// the office itself left there.
#include "writer/OfficeProfile.h"
#include "writer/ProfileSettings.h"
#include "support/TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

namespace {

const char kItemsHeader[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
    "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
const std::string kMacroItem =
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop oor:name=\"MacroSecurityLevel\" "
    "oor:op=\"fuse\"><value>3</value></prop></item>\n";
const std::string kRecentItem =
    "<item oor:path=\"/org.openoffice.Office.Common/History/PickList/org.openoffice.Office.Common:ItemList['file:///tmp/a.odt']\">"
    "<prop oor:name=\"Title\" oor:op=\"fuse\"><value>a &amp; b</value></prop></item>\n";
std::string itemOf(const std::string& path, const std::string& name, const std::string& value) {
    return "<item oor:path=\"" + path + "\"><prop oor:name=\"" + name + "\" oor:op=\"fuse\"><value>" + value +
           "</value></prop></item>\n";
}
// Ours, switched back by someone: straight to the web, or through a real proxy.
const std::string kDirectItem = itemOf("/org.openoffice.Inet/Settings", "ooInetProxyType", "0");
const std::string kRealProxyItem = itemOf("/org.openoffice.Inet/Settings", "ooInetHTTPProxyName", "proxy.example.com");

std::string itemsOf(const std::vector<writer::OfficeSetting>& settings) {
    std::string items;
    for (const auto& s : settings) items += itemOf(s.path, s.name, s.value);
    return items;
}

struct SettingsCase {
    const char* name;
    std::optional<std::string> before;  // the file as found; none when there is none
    std::string kept;                   // the items of it that must stay, in order
};

const SettingsCase kSettingsCases[] = {
    {"NoFileYet", std::nullopt, ""},
    {"FirstSettingsOfAnOlderBuild", std::string(kItemsHeader) + kMacroItem + "</oor:items>\n", kMacroItem},
    // What the office writes back: its own items, and ours switched off by someone.
    {"OursOverridden", std::string(kItemsHeader) + kDirectItem + kRecentItem + kRealProxyItem + kMacroItem + "</oor:items>\n",
     kRecentItem + kMacroItem},
    {"CutShort", std::string(kItemsHeader) + kMacroItem + "<item oor:path=\"/x\"><prop", ""},
};

void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.name; }

class ProfileSettingsFile : public testing::TestWithParam<SettingsCase> {};

TEST_P(ProfileSettingsFile, EnforcedOverWhateverWasThere) {
    char base[] = "/tmp/quirella-settings-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    const fs::path file = fs::path(base) / "user" / "registrymodifications.xcu";
    if (GetParam().before) writeFile(file, *GetParam().before);

    const auto& settings = writer::offlineSettings();
    writer::enforceSettings(file, settings);
    const std::string once = readFile(file);
    EXPECT_EQ(once, kItemsHeader + GetParam().kept + itemsOf(settings) + "</oor:items>\n");
    // Again at the next start: the same file, no item twice.
    writer::enforceSettings(file, settings);
    EXPECT_EQ(readFile(file), once);
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
    fs::remove_all(base);
}

INSTANTIATE_TEST_SUITE_P(All, ProfileSettingsFile, testing::ValuesIn(kSettingsCases),
                         [](const auto& i) { return std::string(i.param.name); });

TEST(ProfileSlot, ASlotMadeByAnOlderBuildGetsTheOfflineSettings) {
    char base[] = "/tmp/quirella-slot-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    const std::string previous = getenv("XDG_CACHE_HOME") ? getenv("XDG_CACHE_HOME") : "";
    setenv("XDG_CACHE_HOME", base, 1);
    // Slot 0 as an older build left it: first settings written, office since run.
    const fs::path file = fs::path(base) / "quirella" / "office" / "profile-0" / "user" / "registrymodifications.xcu";
    writeFile(file, std::string(kItemsHeader) + kMacroItem + kDirectItem + "</oor:items>\n");

    const writer::ProfileSlot slot = writer::acquireProfileSlot();
    close(slot.lock);
    EXPECT_EQ(slot.directory, file.parent_path().parent_path());
    const std::string settings = readFile(file);
    EXPECT_THAT(settings, HasSubstr(kMacroItem));
    EXPECT_THAT(settings, Not(HasSubstr(kDirectItem)));
    EXPECT_THAT(settings, HasSubstr(itemsOf(writer::offlineSettings())));

    if (previous.empty()) unsetenv("XDG_CACHE_HOME");
    else setenv("XDG_CACHE_HOME", previous.c_str(), 1);
    fs::remove_all(base);
}

}  // namespace
