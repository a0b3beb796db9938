#include "ui/OpenDialog.h"

namespace {

std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

}  // namespace

std::vector<FileFilter> parseFileFilters(std::string_view filter) {
    std::vector<FileFilter> filters;
    if (filter.empty()) return filters;
    const std::vector<std::string> fields = split(filter, '|');
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        FileFilter entry{fields[i], {}};
        for (std::string& pattern : split(fields[i + 1], ';'))
            if (!pattern.empty()) entry.patterns.push_back(std::move(pattern));
        filters.push_back(std::move(entry));
    }
    return filters;
}

OpenDialog::OpenDialog(std::string title, std::string_view filter, FileChooser chooser)
    : m_request{std::move(title), parseFileFilters(filter), 0, {}}, m_chooser(std::move(chooser)) {}

bool OpenDialog::Execute() {
    std::optional<std::vector<std::string>> chosen = m_chooser(m_request);
    if (!chosen || chosen->empty()) return false;
    m_files = std::move(*chosen);
    m_request.fileName = m_files.front();
    return true;
}
