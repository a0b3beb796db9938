#include "ole/CommandLine.h"
#include "ole/Automation.h"
#include "ole/Text.h"

#include <shellapi.h>

namespace ole {

// argv is in the ANSI code page, which cannot hold every file name: read the UTF-16 command line.
std::vector<std::string> commandLineArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return {argv, argv + argc};
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        const std::wstring_view arg(wide[i]);
        arguments.push_back(toUtf8(OleStringView(reinterpret_cast<const OLECHAR*>(arg.data()), arg.size())));
    }
    LocalFree(wide);
    return arguments;
}

}  // namespace ole
