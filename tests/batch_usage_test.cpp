// quirella-batch's usage texts against the parser's own tables: --help, the README's tables and the
// manual page say what the parser accepts and what the run returns, no more and no less.
#include "app/BatchOptions.h"
#include "app/BatchUsage.h"
#include "app/TerminalWidth.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using testing::HasSubstr;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// Every run of blanks and line breaks as one space, so that a wrapped text reads as one line.
std::string flattened(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == ' ' || c == '\n' || c == '\t') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// Terminal columns of a line: the help's only non-ASCII characters are Chinese, two columns each.
int columnsOf(const std::string& line) {
    int width = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if (byte < 0x80) ++width;
        else if (byte >= 0xC0) width += 2;
    }
    return width;
}

std::string withoutBackticks(std::string text) {
    std::erase(text, '`');
    return text;
}

// The rows of the README table whose header row is `header`, as its cells with backticks removed.
std::vector<std::pair<std::string, std::string>> readmeTable(const std::string& header) {
    std::vector<std::pair<std::string, std::string>> rows;
    const std::vector<std::string> readme = lines(readFile(QUIRELLA_SOURCE_DIR "/README.md"));
    auto line = std::find(readme.begin(), readme.end(), header);
    if (line == readme.end()) return rows;
    for (line += 2; line != readme.end() && line->starts_with("| "); ++line) {
        const std::size_t middle = line->find(" | ", 2);
        rows.emplace_back(withoutBackticks(line->substr(2, middle - 2)),
                          withoutBackticks(line->substr(middle + 3, line->size() - middle - 3 - 2)));
    }
    return rows;
}

TEST(BatchHelp, ListsEveryOptionAndEveryStatusWithinTheWidth) {
    for (const int width : {40, 57, 80, 132, 200}) {
        SCOPED_TRACE("width " + std::to_string(width));
        const std::string help = batchHelp(width);
        for (const std::string& line : lines(help)) EXPECT_LE(columnsOf(line), width) << line;

        const std::string text = flattened(help);
        for (const BatchOptionSpec& spec : kBatchOptions)
            EXPECT_THAT(text, HasSubstr(optionSpelling(spec) + " " + std::string(spec.meaning)));
        for (const BatchStatusSpec& spec : kBatchStatuses)
            EXPECT_THAT(text, HasSubstr(" " + std::to_string(spec.status) + " " + std::string(spec.meaning)));
        for (const std::string& usage : lines(kBatchUsage)) EXPECT_THAT(text, HasSubstr(flattened(usage)));
    }
}

TEST(BatchHelp, UsesAWideTerminalAndKeepsANarrowOneReadable) {
    int widest = 0;
    for (const std::string& line : lines(batchHelp(200))) widest = std::max(widest, columnsOf(line));
    EXPECT_GT(widest, 100);  // the paragraph takes the whole width
    EXPECT_EQ(batchHelp(10), batchHelp(40));
}

// Each option in the table is one the parser knows, under every spelling, and takes a value exactly
// when --help shows one.
TEST(BatchHelp, TheParserTakesEveryOptionAsTheTableSpellsIt) {
    for (const BatchOptionSpec& spec : kBatchOptions) {
        for (const std::string_view name : {spec.shortName, spec.longName}) {
            if (name.empty()) continue;
            SCOPED_TRACE(std::string(name));
            try {
                if (spec.valueName.empty()) {
                    parseBatchOptions({std::string(spec.longName) + "=x"});
                    ADD_FAILURE() << "took a value";
                } else {
                    parseBatchOptions({std::string(name)});
                    ADD_FAILURE() << "took no value";
                }
            } catch (const UsageError& e) {
                EXPECT_THAT(e.what(), HasSubstr(spec.valueName.empty() ? "takes no value" : "wants a value"));
            }
        }
    }
    EXPECT_TRUE(parseBatchOptions({"--version"}).version);
    EXPECT_TRUE(parseBatchOptions({"-h"}).help);
}

TEST(BatchHelp, TheReadmeTablesAreTheProgramsTables) {
    std::vector<std::pair<std::string, std::string>> options, statuses;
    for (const BatchOptionSpec& spec : kBatchOptions) options.emplace_back(optionSpelling(spec), spec.meaning);
    for (const BatchStatusSpec& spec : kBatchStatuses)
        statuses.emplace_back(std::to_string(spec.status), spec.meaning);
    EXPECT_EQ(readmeTable("| option | meaning |"), options);
    EXPECT_EQ(readmeTable("| exit | meaning |"), statuses);
}

// The manual page describes every option and every status, and none that the program lacks; its
// statuses say what the table says.
TEST(BatchHelp, TheManualPageHasEveryOptionAndStatus) {
    const std::vector<std::string> page = lines(readFile(QUIRELLA_SOURCE_DIR "/packaging/quirella-batch.1.scd.in"));
    const auto section = [&](const std::string& title) {
        std::vector<std::string> body;
        auto line = std::find(page.begin(), page.end(), "# " + title);
        if (line != page.end())
            for (++line; line != page.end() && !line->starts_with("# "); ++line) body.push_back(*line);
        return body;
    };

    std::vector<std::string> described, expected;
    for (const std::string& line : section("OPTIONS"))
        if (line.starts_with("*-")) described.push_back(line);
    for (const BatchOptionSpec& spec : kBatchOptions) {
        std::string heading = spec.shortName.empty() ? "" : "*" + std::string(spec.shortName) + "*, ";
        heading += "*" + std::string(spec.longName) + "*";
        const auto found = std::find_if(described.begin(), described.end(),
                                        [&](const std::string& line) { return line.starts_with(heading); });
        EXPECT_NE(found, described.end()) << heading;
        expected.push_back(heading);
    }
    EXPECT_EQ(described.size(), expected.size());

    const std::vector<std::string> exit = section("EXIT STATUS");
    for (const BatchStatusSpec& spec : kBatchStatuses) {
        const auto heading = std::find(exit.begin(), exit.end(), "*" + std::to_string(spec.status) + "*");
        ASSERT_NE(heading, exit.end()) << spec.status;
        ASSERT_NE(heading + 1, exit.end());
        std::string meaning = flattened(*(heading + 1));
        meaning.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(meaning.front())));
        EXPECT_EQ(meaning, std::string(spec.meaning) + ".");
    }
    EXPECT_EQ(std::count_if(exit.begin(), exit.end(), [](const std::string& l) { return l.starts_with("*"); }),
              static_cast<long>(std::size(kBatchStatuses)));
}

struct ColumnsCase {
    const char* name;
    const char* variable;
    int terminal;
    int columns;
};
void PrintTo(const ColumnsCase& row, std::ostream* out) { *out << row.name; }

const ColumnsCase kColumns[] = {
    {"NothingKnown", nullptr, 0, 80},        {"Terminal", nullptr, 132, 132},
    {"VariableFirst", "100", 132, 100},      {"VariableWithoutTerminal", "60", 0, 60},
    {"EmptyVariable", "", 90, 90},           {"NotANumber", "wide", 0, 80},
    {"TrailingLetters", "90x", 70, 70},      {"Zero", "0", 0, 80},
    {"Negative", "-5", 50, 50},
};

class TerminalWidth : public testing::TestWithParam<ColumnsCase> {};

TEST_P(TerminalWidth, ComesFromColumnsThenTheTerminal) {
    EXPECT_EQ(chooseColumns(GetParam().variable, GetParam().terminal), GetParam().columns);
}

INSTANTIATE_TEST_SUITE_P(All, TerminalWidth, testing::ValuesIn(kColumns),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
