#include "printing/DefaultPrinter.h"

#include "ole/Automation.h"
#include "ole/Text.h"

#include <vector>

std::optional<std::string> defaultPrinter() {
    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);  // ERROR_FILE_NOT_FOUND when there is no default
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return std::nullopt;
    std::vector<wchar_t> name(size);
    if (!GetDefaultPrinterW(name.data(), &size)) return std::nullopt;
    return ole::toUtf8(ole::OleStringView(name.data()));
}

bool setDefaultPrinter(const std::string& name) {
    const ole::OleString wide = ole::toOle(name);
    return SetDefaultPrinterW(wide.c_str()) != FALSE;
}
