// Word's fonts printed through the Writer bridge: each face a document names comes out in its stand-in
// (the fonts embedded in the printed PDF, read with pdffonts), and the Latin stand-ins break lines and
// pages where Word's own fonts do. Printing goes to the private CUPS scheduler of the test fixture.
#include "support/OfficeProbe.h"
#include "support/Process.h"
#include "support/WordDocuments.h"
#include "writer/FontSubstitution.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

const std::string kBatch = QUIRELLA_BATCH_PATH;
const std::string kOut = QUIRELLA_OFFICE_OUT;
const std::string kCache = QUIRELLA_OFFICE_CACHE;

const std::string kLatinText =
    "The quick brown fox jumps over the lazy dog, while the committee reviewed the quarterly figures "
    "and agreed that every office would print its letters, minutes and invoices in the same typeface "
    "as the one they were written in, so that no page runs over and no signature line moves.";
const std::string kChineseText = "永和九年，岁在癸丑，暮春之初，会于会稽山阴之兰亭，修禊事也。群贤毕至，少长咸集。";

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string commandOutput(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    std::string text;
    std::array<char, 4096> buffer;
    while (const std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) text.append(buffer.data(), n);
    pclose(pipe);
    return text;
}

// The fonts embedded in a PDF, without the subset tags ("ABCDEF+Carlito" is "Carlito").
std::set<std::string> embeddedFonts(const std::string& pdf) {
    std::set<std::string> fonts;
    std::istringstream lines(commandOutput("pdffonts '" + pdf + "'"));
    std::string line;
    for (int header = 0; header < 2 && std::getline(lines, line); ++header) {}
    while (std::getline(lines, line)) {
        std::string name = line.substr(0, line.find(' '));
        if (const auto plus = name.find('+'); plus == 6) name.erase(0, 7);
        if (!name.empty()) fonts.insert(name);
    }
    return fonts;
}

int pageCount(const std::string& pdf) {
    std::smatch match;
    const std::string info = commandOutput("pdfinfo '" + pdf + "'");
    return std::regex_search(info, match, std::regex(R"(Pages:\s+(\d+))")) ? std::stoi(match[1]) : -1;
}

// The printed lines, as pdftotext lays them out, with runs of spaces made one: where lines break,
// not how wide a space came out.
std::vector<std::string> printedLines(const std::string& pdf) {
    std::vector<std::string> lines;
    std::istringstream text(commandOutput("pdftotext -layout -enc UTF-8 '" + pdf + "' -"));
    std::string line;
    while (std::getline(text, line)) {
        line = std::regex_replace(line, std::regex(R"([ \f]+)"), " ");
        line = std::regex_replace(line, std::regex(R"(^ | $)"), "");
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

class WordFonts : public testing::Test {
protected:
    void SetUp() override {
        char base[] = "/tmp/quirella-fonts-XXXXXX";
        ASSERT_NE(mkdtemp(base), nullptr);
        m_base = base;
        m_cache = m_base / "cache";
        m_jobsBefore = filesWithExtension(kOut, ".pdf").size();
    }
    void TearDown() override {
        EXPECT_THAT(officesUnder(kCache), IsEmpty());
        EXPECT_THAT(officesUnder(m_base.string()), IsEmpty());
        fs::remove_all(m_base);
    }

    // Prints the documents in one run, with an office profile of this test's own; their jobs, in order.
    std::vector<std::string> print(const std::vector<std::string>& documents) {
        std::vector<std::string> args = {"--pause-ms", "0"};
        args.insert(args.end(), documents.begin(), documents.end());
        const ProcessResult r = runProcess(kBatch, args, {{"XDG_CACHE_HOME", m_cache.string()}});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        std::vector<std::string> jobs = filesWithExtension(kOut, ".pdf");
        jobs.erase(jobs.begin(), jobs.begin() + static_cast<std::ptrdiff_t>(m_jobsBefore));
        m_jobsBefore += jobs.size();
        return jobs;
    }

    fs::path m_base, m_cache;
    std::size_t m_jobsBefore = 0;
};

// ---- The table in the profile ---------------------------------------------------------------------

// What an older build wrote into a new profile.
const std::string kOlderSettings =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"FirstRun\" oor:op=\"fuse\"><value>false"
    "</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop oor:name=\"MacroSecurityLevel\" "
    "oor:op=\"fuse\"><value>3</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"UseLocking\" oor:op=\"fuse\"><value>"
    "false</value></prop></item>\n"
    "</oor:items>\n";

TEST_F(WordFonts, TheTableIsAddedToASettingsFileOnceAndKeepsWhatItHad) {
    const fs::path file = m_base / "registrymodifications.xcu";
    const auto noneInstalled = [](const std::string&) { return false; };
    std::ofstream(file) << kOlderSettings;
    writer::addFontReplacements(file, noneInstalled);
    const std::string once = readAll(file);

    // Everything it had, in its place, then the table.
    EXPECT_EQ(once.substr(0, kOlderSettings.rfind("</oor:items>")), kOlderSettings.substr(0, kOlderSettings.rfind("</oor:items>")));
    EXPECT_THAT(once, testing::EndsWith(writer::fontReplacementItems() + "</oor:items>\n"));
    for (const writer::FontReplacement& r : writer::fontReplacements())
        EXPECT_THAT(once, HasSubstr(std::string("<value>") + r.wordFont + "</value>")) << r.wordFont;
    EXPECT_FALSE(fs::exists(file.string() + ".new"));

    writer::addFontReplacements(file, noneInstalled);
    EXPECT_EQ(readAll(file), once) << "the table was added a second time";

    // The office writes an entry's properties back in an order of its own: still the same entry.
    const std::string reordered = std::regex_replace(
        once, std::regex("(<prop oor:name=\"OnScreenOnly\"[^/]*/value></prop>)(<prop oor:name=\"ReplaceFont\"[^/]*/value></prop>)"),
        "$2$1");
    ASSERT_NE(reordered, once);
    std::ofstream(file, std::ios::trunc) << reordered;
    writer::addFontReplacements(file, noneInstalled);
    EXPECT_EQ(readAll(file), reordered);

    // An entry that names another stand-in is outdated: the table's own goes after it, and wins.
    const std::string outdated = std::regex_replace(
        once, std::regex("(<node oor:name=\"宋体\"[^\n]*)Noto Serif CJK SC"), "$1WenQuanYi Micro Hei");
    ASSERT_NE(outdated, once);
    std::ofstream(file, std::ios::trunc) << outdated;
    writer::addFontReplacements(file, noneInstalled);
    const std::string mended = readAll(file);
    EXPECT_EQ(mended.find(outdated.substr(0, outdated.rfind("</oor:items>"))), 0u);
    EXPECT_THAT(mended.substr(outdated.rfind("</oor:items>")), testing::StartsWith("<item oor:path=\"/org.openoffice.Office.Common/Font/Substitution/FontPairs\"><node oor:name=\"宋体\""));
    EXPECT_EQ(std::count(mended.begin(), mended.end(), '\n'), std::count(outdated.begin(), outdated.end(), '\n') + 1);

    // A file cut off short is left for the office to mend.
    const std::string cut = kOlderSettings.substr(0, 200);
    std::ofstream(file, std::ios::trunc) << cut;
    writer::addFontReplacements(file, noneInstalled);
    EXPECT_EQ(readAll(file), cut);
}

TEST_F(WordFonts, EveryStandInIsInstalled) {
    std::set<std::string> standIns;
    for (const writer::FontReplacement& r : writer::fontReplacements()) standIns.insert(r.standIn);
    for (const char* face : {"Carlito", "Caladea", "Liberation Sans", "Liberation Serif", "Liberation Mono"})
        standIns.insert(face);
    for (const std::string& face : standIns) {
        EXPECT_TRUE(writer::fontInstalled(face)) << face << ": scripts/install-deps installs the stand-in faces";
        // And fontconfig's own choice for the face is the face.
        EXPECT_EQ(commandOutput("fc-match -f '%{family[0]}' '" + face + "'"), face);
    }
    // A face the machine lacks is not installed, though fontconfig would match something for it.
    EXPECT_FALSE(writer::fontInstalled("Quirella No Such Face"));
}

TEST_F(WordFonts, AFontTheMachineHasKeepsNoEntry) {
    const fs::path file = m_base / "registrymodifications.xcu";
    std::ofstream(file) << kOlderSettings;
    const auto simSunInstalled = [](const std::string& family) { return family == "SimSun"; };
    const auto noneInstalled = [](const std::string&) { return false; };

    // A new table leaves it out.
    writer::addFontReplacements(file, simSunInstalled);
    const std::string without = readAll(file);
    EXPECT_THAT(without, testing::Not(HasSubstr("oor:name=\"SimSun\"")));
    EXPECT_THAT(without, HasSubstr("<node oor:name=\"宋体\" oor:op=\"replace\">"));

    // Once the font goes, its entry comes; once it is back, the entry is removed, and stays so.
    writer::addFontReplacements(file, noneInstalled);
    EXPECT_THAT(readAll(file), HasSubstr("<node oor:name=\"SimSun\" oor:op=\"replace\">"));
    writer::addFontReplacements(file, simSunInstalled);
    const std::string removed = readAll(file);
    EXPECT_THAT(removed, testing::EndsWith(
        "<item oor:path=\"/org.openoffice.Office.Common/Font/Substitution/FontPairs\"><node oor:name=\"SimSun\" "
        "oor:op=\"remove\"/></item>\n</oor:items>\n"));
    writer::addFontReplacements(file, simSunInstalled);
    EXPECT_EQ(readAll(file), removed);
}

// ---- Printing ---------------------------------------------------------------------------------------

// How the Chinese stand-ins show in the PDF. Noto's font collections keep one glyph program for all
// their regions, named after the Japanese face; the Simplified Chinese face reaches its own glyphs
// through it.
const char* const kNotoSerif = "NotoSerifCJKjp-Regular-VKana";
const char* const kNotoSans = "NotoSansCJKjp-Regular-VKana";
const char* const kUKai = "UKaiCN";

struct FaceCase {
    const char* wordFont;
    const char* embedded;  // the stand-in's name in the PDF
    bool latin;            // set in English, else in Chinese
};
const FaceCase kFaces[] = {
    {"Calibri", "Carlito", true},
    {"Cambria", "Caladea-Regular", true},
    {"Arial", "LiberationSans", true},
    {"Times New Roman", "LiberationSerif", true},
    {"Courier New", "LiberationMono", true},
    {"宋体", kNotoSerif, false},
    {"SimSun", kNotoSerif, false},
    {"新宋体", kNotoSerif, false},
    {"NSimSun", kNotoSerif, false},
    {"仿宋", kNotoSerif, false},
    {"FangSong", kNotoSerif, false},
    {"仿宋_GB2312", kNotoSerif, false},
    {"楷体", kUKai, false},
    {"KaiTi", kUKai, false},
    {"楷体_GB2312", kUKai, false},
    {"黑体", kNotoSans, false},
    {"SimHei", kNotoSans, false},
    {"微软雅黑", kNotoSans, false},
    {"Microsoft YaHei", kNotoSans, false},
    {"等线", kNotoSans, false},
    {"DengXian", kNotoSans, false},
    {"等线 Light", kNotoSans, false},
};

TEST_F(WordFonts, EachWordFontPrintsInItsStandInFromDocxAndRtf) {
    std::vector<std::string> documents;
    for (const char* extension : {"docx", "rtf"})
        for (std::size_t i = 0; i < std::size(kFaces); ++i) {
            const std::vector<FontParagraph> paragraphs = {{kFaces[i].wordFont, kFaces[i].latin ? kLatinText : kChineseText}};
            const fs::path file = m_base / ("face-" + std::to_string(i) + "." + extension);
            if (std::string(extension) == "docx") writeDocx(file, paragraphs);
            else writeRtf(file, paragraphs);
            documents.push_back(file.string());
        }
    const std::vector<std::string> jobs = print(documents);
    ASSERT_EQ(jobs.size(), documents.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const FaceCase& face = kFaces[i % std::size(kFaces)];
        SCOPED_TRACE(std::string(face.wordFont) + " in " + documents[i]);
        // Only the stand-in: no fallback face for some of the text.
        EXPECT_THAT(embeddedFonts(jobs[i]), testing::ElementsAre(face.embedded));
        const std::string text = pdfText(jobs[i]);
        EXPECT_THAT(text, HasSubstr(face.latin ? "quick brown fox" : "暮春之初"));
    }
}

// Word's Latin fonts and their twins, set in each.
struct TwinCase {
    const char* wordFont;
    const char* twin;
};
const TwinCase kTwins[] = {
    {"Calibri", "Carlito"},
    {"Cambria", "Caladea"},
    {"Arial", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
};

TEST_F(WordFonts, WordsLatinFontsBreakLinesAndPagesWhereTheirTwinsDo) {
    // A paragraph of several lines in each face, and a document of several pages in Calibri, in
    // Carlito, and in DejaVu Sans, the face Calibri used to print in, to show the comparison can tell.
    std::vector<std::string> documents;
    const auto add = [&](const std::string& name, const std::string& font, int paragraphs) {
        std::string text = kLatinText;
        for (int i = 0; i < 2; ++i) text += " " + kLatinText;
        const fs::path file = m_base / (name + ".docx");
        writeDocx(file, std::vector<FontParagraph>(static_cast<std::size_t>(paragraphs), {font, text}));
        documents.push_back(file.string());
    };
    for (const TwinCase& c : kTwins) {
        add(std::string("word-") + c.wordFont, c.wordFont, 1);
        add(std::string("twin-") + c.wordFont, c.twin, 1);
    }
    add("paragraph-dejavu", "DejaVu Sans", 1);
    add("pages-calibri", "Calibri", 40);
    add("pages-carlito", "Carlito", 40);
    add("pages-dejavu", "DejaVu Sans", 40);
    const std::vector<std::string> jobs = print(documents);
    ASSERT_EQ(jobs.size(), documents.size());

    for (std::size_t i = 0; i < std::size(kTwins); ++i) {
        SCOPED_TRACE(kTwins[i].wordFont);
        const std::vector<std::string> word = printedLines(jobs[2 * i]);
        EXPECT_GE(word.size(), 4u);
        EXPECT_EQ(word, printedLines(jobs[2 * i + 1]));
    }
    const std::size_t paragraphDejaVu = 2 * std::size(kTwins);
    EXPECT_NE(printedLines(jobs[paragraphDejaVu]), printedLines(jobs[0])) << "DejaVu Sans breaks as Calibri does";

    const int calibriPages = pageCount(jobs[paragraphDejaVu + 1]);
    const int carlitoPages = pageCount(jobs[paragraphDejaVu + 2]);
    const int dejaVuPages = pageCount(jobs[paragraphDejaVu + 3]);
    EXPECT_GE(calibriPages, 3);
    EXPECT_EQ(calibriPages, carlitoPages);
    EXPECT_EQ(printedLines(jobs[paragraphDejaVu + 1]), printedLines(jobs[paragraphDejaVu + 2]));
    EXPECT_GT(dejaVuPages, carlitoPages);
}

TEST_F(WordFonts, AProfileFromAnOlderBuildGetsTheTableAndKeepsItsSettings) {
    const fs::path settings = m_cache / "quirella" / "office" / "profile-0" / "user" / "registrymodifications.xcu";
    fs::create_directories(settings.parent_path());
    std::ofstream(settings) << kOlderSettings;
    const fs::path document = m_base / "songti.docx";
    writeDocx(document, {{"宋体", kChineseText}});

    const std::vector<std::string> jobs = print({document.string()});
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_THAT(embeddedFonts(jobs[0]), testing::ElementsAre(kNotoSerif));

    // The office has written the file back with its settings and the table as they were: a second run
    // finds nothing to add.
    const std::string after = readAll(settings);
    EXPECT_THAT(after, HasSubstr("<prop oor:name=\"MacroSecurityLevel\" oor:op=\"fuse\"><value>3</value>"));
    writer::addFontReplacements(settings);
    EXPECT_EQ(readAll(settings), after);
}

}  // namespace
