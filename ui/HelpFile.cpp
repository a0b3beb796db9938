#include "ui/HelpFile.h"

std::string helpFilePath(std::string_view executablePath) {
    // Either separator: the same rule serves a Windows path.
    const std::size_t slash = executablePath.find_last_of("/\\");
    const std::string_view directory =
        slash == std::string_view::npos ? std::string_view{} : executablePath.substr(0, slash + 1);
    return std::string(directory) + std::string(kHelpFileName);
}
