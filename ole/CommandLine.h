// The program's arguments as UTF-8, whatever the platform hands over.
#pragma once

#include <string>
#include <vector>

namespace ole {

std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace ole
