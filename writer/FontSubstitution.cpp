#include "writer/FontSubstitution.h"

#include "writer/ProfileSettings.h"

#include <fontconfig/fontconfig.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace writer {

namespace {

// Serif for the Song and FangSong faces, a kai face for KaiTi, sans for the Hei faces: Noto CJK covers
// all of GB 18030's unified ideographs with extension A, in regular and bold; AR PL UKai covers
// GB 2312 and most of the rest, and is the only standard kai face Debian has at its size.
constexpr const char* kSerif = "Noto Serif CJK SC";
constexpr const char* kKai = "AR PL UKai CN";
constexpr const char* kSans = "Noto Sans CJK SC";

constexpr FontReplacement kReplacements[] = {
    {"宋体", kSerif},           {"SimSun", kSerif},           {"新宋体", kSerif},
    {"NSimSun", kSerif},        {"仿宋", kSerif},             {"FangSong", kSerif},
    {"仿宋_GB2312", kSerif},    {"FangSong_GB2312", kSerif},  {"楷体", kKai},
    {"KaiTi", kKai},            {"楷体_GB2312", kKai},        {"KaiTi_GB2312", kKai},
    {"黑体", kSans},            {"SimHei", kSans},            {"微软雅黑", kSans},
    {"Microsoft YaHei", kSans}, {"等线", kSans},              {"DengXian", kSans},
    {"等线 Light", kSans},      {"DengXian Light", kSans},
};

constexpr const char* kSubstitution = "/org.openoffice.Office.Common/Font/Substitution";

std::string prop(const std::string& name, const std::string& value) {
    return "<prop oor:name=\"" + name + "\" oor:op=\"fuse\"><value>" + value + "</value></prop>";
}

std::string pairHead(const char* wordFont) {
    return std::string("<item oor:path=\"") + kSubstitution + "/FontPairs\"><node oor:name=\"" + wordFont +
           "\" oor:op=\"";
}

// Always=true: the office consults only such entries; without it the table is read and never used.
std::vector<std::string> pairProps(const FontReplacement& r) {
    return {prop("Always", "true"), prop("OnScreenOnly", "false"), prop("ReplaceFont", r.wordFont),
            prop("SubstituteFont", r.standIn)};
}

std::string pairItem(const FontReplacement& r) {
    std::string item = pairHead(r.wordFont) + "replace\">";
    for (const std::string& p : pairProps(r)) item += p;
    return item + "</node></item>";
}

std::string removalItem(const FontReplacement& r) { return pairHead(r.wordFont) + "remove\"/></item>"; }

const std::string kSwitchItem =
    std::string("<item oor:path=\"") + kSubstitution + "\">" + prop("Replacement", "true") + "</item>";

// The entry for the font as the file leaves it: the last item that replaces it, or nothing when there
// is none or a removal came after it. The office writes an entry's properties in an order of its own.
std::string entryInForce(const std::string& file, const FontReplacement& r) {
    const std::string::size_type replaced = file.rfind(pairHead(r.wordFont) + "replace\">");
    const std::string::size_type removed = file.rfind(removalItem(r));
    if (replaced == std::string::npos || (removed != std::string::npos && removed > replaced)) return {};
    return file.substr(replaced, file.find("</item>", replaced) - replaced);
}

bool isCurrent(const std::string& entry, const FontReplacement& r) {
    if (entry.empty()) return false;
    for (const std::string& p : pairProps(r))
        if (entry.find(p) == std::string::npos) return false;
    return true;
}

template <class T, void (*Free)(T*)>
struct FcFree {
    void operator()(T* p) const { Free(p); }
};

// A configuration of our own, freed whole: the process-wide one is never freed, and others (Qt's
// windows) share it. Loading it costs some 10 ms, so one serves every question of a run.
class InstalledFonts {
public:
    InstalledFonts() : m_config(FcInitLoadConfigAndFonts()) {}

    bool has(const std::string& family) const {
        if (!m_config) return false;
        std::unique_ptr<FcPattern, FcFree<FcPattern, FcPatternDestroy>> pattern(FcPatternCreate());
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        std::unique_ptr<FcObjectSet, FcFree<FcObjectSet, FcObjectSetDestroy>> objects(
            FcObjectSetBuild(FC_FAMILY, nullptr));
        // Listing, unlike matching, finds only the fonts of that family, never a face that would stand in.
        std::unique_ptr<FcFontSet, FcFree<FcFontSet, FcFontSetDestroy>> fonts(
            FcFontList(m_config.get(), pattern.get(), objects.get()));
        return fonts && fonts->nfont > 0;
    }

private:
    std::unique_ptr<FcConfig, FcFree<FcConfig, FcConfigDestroy>> m_config;
};

}  // namespace

std::span<const FontReplacement> fontReplacements() { return kReplacements; }

std::string fontReplacementItems() {
    std::string text = kSwitchItem + "\n";
    for (const FontReplacement& r : kReplacements) text += pairItem(r) + "\n";
    return text;
}

bool fontInstalled(const std::string& family) { return InstalledFonts().has(family); }

void addFontReplacements(const std::filesystem::path& registryModifications) {
    const InstalledFonts fonts;
    addFontReplacements(registryModifications, [&](const std::string& family) { return fonts.has(family); });
}

void addFontReplacements(const std::filesystem::path& registryModifications, const FontInstalled& installed) {
    std::ifstream in(registryModifications, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + registryModifications.string());
    std::stringstream content;
    content << in.rdbuf();
    std::string text = content.str();
    in.close();

    std::string missing;
    if (text.rfind(kSwitchItem) == std::string::npos) missing += kSwitchItem + "\n";
    // A font the machine has prints as itself: its entry goes, or is never made.
    for (const FontReplacement& r : kReplacements) {
        const std::string entry = entryInForce(text, r);
        if (installed(r.wordFont)) {
            if (!entry.empty()) missing += removalItem(r) + "\n";
        } else if (!isCurrent(entry, r)) {
            missing += pairItem(r) + "\n";
        }
    }
    if (missing.empty()) return;
    // A later item overrides an earlier one for the same entry, so an outdated entry needs no removal.
    const std::string::size_type end = text.rfind("</oor:items>");
    // A cut-off file is the office's to mend (it writes a whole one when it ends); the next run adds the
    // table to that.
    if (end == std::string::npos) return;
    text.insert(end, missing);

    replaceSettingsFile(registryModifications, text);
}

}  // namespace writer
