// The windows' rules that need no toolkit: where the help file lies, how the dialog's filter string
// reads, and the up-down's range.
#include "ui/HelpFile.h"
#include "ui/OpenDialog.h"
#include "ui/UpDownPosition.h"

#include <gmock/gmock.h>

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

struct HelpCase {
    const char* name;
    const char* executable;
    const char* help;
};
void PrintTo(const HelpCase& row, std::ostream* out) { *out << row.name; }

const HelpCase kHelp[] = {
    {"Installed", "/usr/local/libexec/quirella/quirella", "/usr/local/libexec/quirella/help.chm"},
    {"ChineseFolder", "/home/用户/打印 工具/quirella", "/home/用户/打印 工具/help.chm"},
    {"AtTheRoot", "/quirella", "/help.chm"},
    {"WindowsPath", "C:\\Program Files\\Quirella\\Quirella.exe", "C:\\Program Files\\Quirella\\help.chm"},
    {"NoFolder", "quirella", "help.chm"},
};

class HelpPath : public testing::TestWithParam<HelpCase> {};

TEST_P(HelpPath, IsHelpChmInTheExecutablesFolder) { EXPECT_EQ(helpFilePath(GetParam().executable), GetParam().help); }

INSTANTIATE_TEST_SUITE_P(All, HelpPath, testing::ValuesIn(kHelp),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(FileFilters, ReadDescriptionAndPatternPairs) {
    EXPECT_THAT(parseFileFilters(""), IsEmpty());
    EXPECT_THAT(parseFileFilters("文本 |*.txt;*.text|All|*"),
                ElementsAre(FileFilter{"文本 ", {"*.txt", "*.text"}}, FileFilter{"All", {"*"}}));
    EXPECT_THAT(parseFileFilters("A|*.a;;*.b;|B"), ElementsAre(FileFilter{"A", {"*.a", "*.b"}}));
}

TEST(OpenDialogMemory, StartsWhereTheLastConfirmedSelectionWas) {
    std::vector<std::optional<std::vector<std::string>>> answers{std::vector<std::string>{"/x/1.doc", "/y/2.doc"},
                                                                 std::vector<std::string>{}, std::nullopt};
    std::vector<std::string> startedAt;
    OpenDialog dialog("t", "A|*.a", [&](const OpenDialogRequest& request) {
        startedAt.push_back(request.fileName);
        return answers.at(startedAt.size() - 1);
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_THAT(dialog.Files(), ElementsAre("/x/1.doc", "/y/2.doc"));
    EXPECT_FALSE(dialog.Execute());  // confirmed with nothing chosen
    EXPECT_FALSE(dialog.Execute());  // cancelled
    EXPECT_THAT(startedAt, ElementsAre("", "/x/1.doc", "/x/1.doc"));
}

TEST(UpDownRange, StopsAtBothEnds) {
    UpDownPosition position(1, 3, 2);
    position.step(UpDownDirection::Up);
    position.step(UpDownDirection::Up);
    EXPECT_EQ(position.position(), 3);
    for (int i = 0; i < 5; ++i) position.step(UpDownDirection::Down);
    EXPECT_EQ(position.position(), 1);
    EXPECT_EQ(UpDownPosition(1, 1000, 5000).position(), 1000);
    EXPECT_EQ(UpDownPosition(1, 1000, -3).position(), 1);
}

}  // namespace
