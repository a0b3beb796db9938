#include "writer/DocumentKind.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

namespace writer {

std::string fileUrlFromPath(std::string_view absolutePath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char ch : absolutePath) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            url += ch;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

bool filterMatchesKind(std::string_view path, std::string_view filterName) {
    std::string extension = std::filesystem::path(std::string(path)).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static constexpr std::array<std::string_view, 10> kStructured = {
        ".doc", ".docx", ".docm", ".dot", ".dotx", ".dotm", ".rtf", ".odt", ".ott", ".wps"};
    const bool structured = std::find(kStructured.begin(), kStructured.end(), extension) != kStructured.end();
    const bool readAsText = filterName.starts_with("Text");
    return !(structured && readAsText);
}

}  // namespace writer
