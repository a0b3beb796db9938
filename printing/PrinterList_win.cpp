#include "printing/PrinterList.h"

#include "ole/Automation.h"
#include "ole/Text.h"

#include <vector>

// Local printers and printer connections, at information level 4: the names only. The wide call, so
// that a name outside the ANSI code page comes through whole.
std::vector<std::string> systemPrinterNames() {
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, returned = 0;
    EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &returned);
    if (needed == 0) return {};
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &returned)) return {};
    const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    std::vector<std::string> names;
    for (DWORD i = 0; i < returned; ++i) {
        const std::wstring_view name(info[i].pPrinterName);
        names.push_back(ole::toUtf8(ole::OleStringView(reinterpret_cast<const OLECHAR*>(name.data()), name.size())));
    }
    return names;
}
