// The log lines that name a file: whatever the name holds, a line stays one line, and what the name
// hides shows.
#include "printing/RunTexts.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char* name;
    std::string path;
    std::string shown;  // as the lines show it
};
void PrintTo(const NameCase& row, std::ostream* out) { *out << row.name; }

const NameCase kNames[] = {
    {"Plain", "/docs/a.doc", "/docs/a.doc"},
    {"ChineseAndSpaces", "/文档/第 1 份.doc", "/文档/第 1 份.doc"},
    {"WindowsBackslashesStay", "C:\\docs\\a.doc", "C:\\docs\\a.doc"},
    {"LineFeed", "/a\nb.doc", "/a\xE2\x90\x8A" "b.doc"},
    {"CarriageReturnAndTab", "/a\r\tb.doc", "/a\xE2\x90\x8D\xE2\x90\x89" "b.doc"},
    {"NulAndEscape", std::string("/a\0\x1B[2Kb", 8), "/a\xE2\x90\x80\xE2\x90\x9B[2Kb"},
    {"Delete", "/a\x7F" "b", "/a\xE2\x90\xA1" "b"},
    {"NextLine", "/a\xC2\x85" "b", "/a<U+0085>b"},
    {"LineAndParagraphSeparators", "/a\xE2\x80\xA8" "b\xE2\x80\xA9" "c", "/a<U+2028>b<U+2029>c"},
    {"RightToLeftOverride", "/a\xE2\x80\xAE" "cod.exe", "/a<U+202E>cod.exe"},
    {"IsolateAndItsEnd", "/\xE2\x81\xA6x\xE2\x81\xA9", "/<U+2066>x<U+2069>"},
    {"ControlPictureItselfStays", "/a\xE2\x90\x8A" "b", "/a\xE2\x90\x8A" "b"},
    {"InvalidUtf8Untouched", "/\xC4\xE3\xBA\xC3.doc", "/\xC4\xE3\xBA\xC3.doc"},
    {"Empty", "", ""},
};

class NameInLine : public testing::TestWithParam<NameCase> {};

TEST_P(NameInLine, ShowsWhatItHidesOnOneLine) {
    const std::string document = texts::documentLine(GetParam().path);
    const std::string failure = texts::failureLine(GetParam().path);
    EXPECT_EQ(document, "正在提交文档\"" + GetParam().shown + "\"给打印机");
    EXPECT_EQ(failure, "文档：" + GetParam().shown + "打印失败，请检查！");
    for (const std::string& line : {document, failure})
        for (const unsigned char c : line) EXPECT_FALSE(c < 0x20 || c == 0x7F) << "control byte " << int(c);
}

INSTANTIATE_TEST_SUITE_P(All, NameInLine, testing::ValuesIn(kNames),
                         [](const auto& row) { return std::string(row.param.name); });

// A crafted name cannot put the run's final line on a line of its own.
TEST(NameInLine, CannotForgeTheFinalLine) {
    const std::string crafted = "/tmp/x\n" + std::string(texts::kFinished) + "\n.doc";
    const std::string line = texts::documentLine(crafted);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_NE(line.find(std::string(texts::kFinished)), 0u);
}

}  // namespace
