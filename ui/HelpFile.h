// Where the help file lies: "help.chm" in the directory of the running executable.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::string_view kHelpFileName = "help.chm";

// The executable's directory with its trailing separator, then the file name. Takes and gives UTF-8.
std::string helpFilePath(std::string_view executablePath);
