// The add-documents dialog's settings and memory, apart from whatever draws the dialog: the title, the
// filters kept as one "description|patterns|..." string, and the last selection, whose first path is
// where the next opening starts.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;  // "*.txt", in the order given
    bool operator==(const FileFilter&) const = default;
};

// Splits "description|pattern;pattern|description|pattern" into its filters. A description without
// patterns after it is dropped.
std::vector<FileFilter> parseFileFilters(std::string_view filter);

// What the dialog is opened with.
struct OpenDialogRequest {
    std::string title;
    std::vector<FileFilter> filters;
    std::size_t filterIndex = 0;  // the preselected filter, 0 first
    std::string fileName;         // the last selection's first path, empty at first
};

// Shows the multi-select dialog; the chosen files as full UTF-8 paths in the dialog's order, or nothing
// when the user cancelled or the dialog failed.
using FileChooser = std::function<std::optional<std::vector<std::string>>(const OpenDialogRequest& request)>;

class OpenDialog {
public:
    OpenDialog(std::string title, std::string_view filter, FileChooser chooser);

    // True when the user confirmed a selection; Files() then holds it.
    bool Execute();
    const std::vector<std::string>& Files() const noexcept { return m_files; }
    const std::string& FileName() const noexcept { return m_request.fileName; }
    const OpenDialogRequest& request() const noexcept { return m_request; }

private:
    OpenDialogRequest m_request;
    FileChooser m_chooser;
    std::vector<std::string> m_files;
};
