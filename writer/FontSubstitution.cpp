#include "writer/FontSubstitution.h"

#include <fstream>
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

// A settings item: where it goes, and its properties, which the office writes back in an order of its
// own.
struct Item {
    std::string head;
    std::vector<std::string> props;

    std::string text() const {
        std::string result = head;
        for (const std::string& p : props) result += p;
        return result + (head.find("<node ") != std::string::npos ? "</node></item>" : "</item>");
    }
    // The last such item in the file (the one in force) has every property as ours.
    bool isIn(const std::string& file) const {
        const std::string::size_type start = file.rfind(head);
        if (start == std::string::npos) return false;
        const std::string::size_type end = file.find("</item>", start);
        const std::string item = file.substr(start, end == std::string::npos ? std::string::npos : end - start);
        for (const std::string& p : props)
            if (item.find(p) == std::string::npos) return false;
        return true;
    }
};

// Always=true: the office consults only such entries; without it the table is read and never used.
std::vector<Item> items() {
    std::vector<Item> result;
    result.push_back({std::string("<item oor:path=\"") + kSubstitution + "\">", {prop("Replacement", "true")}});
    for (const FontReplacement& r : kReplacements)
        result.push_back({std::string("<item oor:path=\"") + kSubstitution + "/FontPairs\"><node oor:name=\"" +
                              r.wordFont + "\" oor:op=\"replace\">",
                          {prop("Always", "true"), prop("OnScreenOnly", "false"), prop("ReplaceFont", r.wordFont),
                           prop("SubstituteFont", r.standIn)}});
    return result;
}

}  // namespace

std::span<const FontReplacement> fontReplacements() { return kReplacements; }

std::string fontReplacementItems() {
    std::string text;
    for (const Item& item : items()) text += item.text() + "\n";
    return text;
}

void addFontReplacements(const std::filesystem::path& registryModifications) {
    std::ifstream in(registryModifications, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + registryModifications.string());
    std::stringstream content;
    content << in.rdbuf();
    std::string text = content.str();
    in.close();

    std::string missing;
    for (const Item& item : items())
        if (!item.isIn(text)) missing += item.text() + "\n";
    if (missing.empty()) return;
    // A later item overrides an earlier one for the same entry, so an outdated entry needs no removal.
    const std::string::size_type end = text.rfind("</oor:items>");
    // A cut-off file is the office's to mend (it writes a whole one when it ends); the next run adds the
    // table to that.
    if (end == std::string::npos) return;
    text.insert(end, missing);

    // Replaced whole, so that an interruption leaves the old file rather than half a new one.
    const std::filesystem::path temporary = registryModifications.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) throw std::runtime_error("cannot write " + temporary.string());
    }
    std::filesystem::rename(temporary, registryModifications);
}

}  // namespace writer
