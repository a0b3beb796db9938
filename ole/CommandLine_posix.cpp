#include "ole/CommandLine.h"

namespace ole {

// The bytes as given: file names here are byte strings, and UTF-8 in practice.
std::vector<std::string> commandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace ole
