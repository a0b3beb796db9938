#include "app/BatchUsage.h"

#include "app/QuirellaVersion.h"

#include <algorithm>
#include <sstream>
#include <vector>

namespace {

constexpr int kNarrowest = 40;
constexpr std::string_view kProgram = "quirella-batch";

// Columns a UTF-8 text takes on a terminal: Chinese and other East Asian wide characters take two.
int displayWidth(std::string_view text) {
    int width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
                          (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                          (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                          (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x20000 && code <= 0x3FFFD);
        width += wide ? 2 : 1;
        i += length;
    }
    return width;
}

// Lays `words` out in lines of at most `columns`: the first line starts right after `first`, the others
// after `indent` spaces. A word wider than a line gets a line of its own.
void fill(std::ostream& out, const std::vector<std::string>& words, const std::string& first, int indent, int columns) {
    std::string line = first;
    int width = displayWidth(first);
    bool empty = true;
    for (const std::string& word : words) {
        const int wordWidth = displayWidth(word);
        if (!empty && width + 1 + wordWidth > columns) {
            out << line << '\n';
            line.assign(static_cast<std::size_t>(indent), ' ');
            width = indent;
            empty = true;
        }
        if (!empty) {
            line += ' ';
            ++width;
        }
        line += word;
        width += wordWidth;
        empty = false;
    }
    out << line << '\n';
}

std::vector<std::string> wordsOf(std::string_view text) {
    std::vector<std::string> words;
    std::istringstream in{std::string(text)};
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// The synopsis's items, split only at spaces outside brackets, so that "[--dry-run [--fail MEMBER[:K]]]"
// stays on one line.
std::vector<std::string> synopsisItems(std::string_view text) {
    std::vector<std::string> items;
    std::string item;
    int depth = 0;
    for (const char c : text) {
        if (c == '[') ++depth;
        if (c == ']') --depth;
        if (c == ' ' && depth == 0) {
            if (!item.empty()) items.push_back(item);
            item.clear();
        } else {
            item += c;
        }
    }
    if (!item.empty()) items.push_back(item);
    return items;
}

// The short usage, each of its lines wrapped after the program's name.
void writeSynopsis(std::ostream& out, int columns) {
    std::istringstream usage(kBatchUsage);
    for (std::string line; std::getline(usage, line);) {
        const std::size_t name = line.find(kProgram);
        if (name == std::string::npos) {
            out << line << '\n';
            continue;
        }
        const std::size_t rest = name + kProgram.size();
        const int indent = static_cast<int>(rest) + 1;
        const std::vector<std::string> items = synopsisItems(line.substr(rest));
        int widest = 0;
        for (const std::string& item : items) widest = std::max(widest, displayWidth(item));
        if (indent + widest <= columns) {
            fill(out, items, line.substr(0, rest) + ' ', indent, columns);
        } else {  // too narrow for the items beside the name: they go below it
            out << line.substr(0, rest) << '\n';
            fill(out, items, std::string(8, ' '), 8, columns);
        }
    }
}

// Rows of a two-column table; the meanings move under their names when the terminal is too narrow
// for both side by side.
void writeTable(std::ostream& out, const std::vector<std::pair<std::string, std::string_view>>& rows, int columns) {
    int nameWidth = 0;
    for (const auto& row : rows) nameWidth = std::max(nameWidth, displayWidth(row.first));
    const int column = 2 + nameWidth + 2;
    const bool sideBySide = columns - column >= 30;
    for (const auto& [name, meaning] : rows) {
        if (sideBySide) {
            std::string first = "  " + name;
            first.append(static_cast<std::size_t>(column - 2 - displayWidth(name)), ' ');
            fill(out, wordsOf(meaning), first, column, columns);
        } else {
            out << "  " << name << '\n';
            fill(out, wordsOf(meaning), std::string(8, ' '), 8, columns);
        }
    }
}

}  // namespace

std::string optionSpelling(const BatchOptionSpec& spec) {
    std::string spelling;
    if (!spec.shortName.empty()) spelling.append(spec.shortName).append(", ");
    spelling.append(spec.longName);
    if (!spec.valueName.empty()) spelling.append(" ").append(spec.valueName);
    return spelling;
}

std::string batchHelp(int columns) {
    columns = std::max(columns, kNarrowest);
    std::ostringstream out;
    writeSynopsis(out, columns);
    out << '\n';
    fill(out, wordsOf("Prints each FILE through the word processor (\"Word.Application\"), as many times as "
                      "the copies say, and writes the log lines to standard output as they happen; an error "
                      "box's text goes to standard error. Relative file names are made absolute; files are "
                      "not checked (a missing one is the word processor's failure, and gets its failure line)."),
         "", 0, columns);

    out << "\nOptions:\n";
    std::vector<std::pair<std::string, std::string_view>> options;
    for (const BatchOptionSpec& spec : kBatchOptions)
        options.emplace_back((spec.shortName.empty() ? "    " : "") + optionSpelling(spec), spec.meaning);
    writeTable(out, options, columns);

    out << "\nExit status:\n";
    std::vector<std::pair<std::string, std::string_view>> statuses;
    for (const BatchStatusSpec& spec : kBatchStatuses) statuses.emplace_back(std::to_string(spec.status), spec.meaning);
    writeTable(out, statuses, columns);
    return out.str();
}

std::string batchVersion() { return std::string(kProgram) + ' ' + kQuirellaVersion + '\n'; }
