#include "app/BatchMain.h"
#include "app/Interruption.h"
#include "ole/CommandLine.h"

#include <iostream>

int main(int argc, char** argv) {
    endRunOnInterruption();
    std::vector<std::string> arguments = ole::commandLineArguments(argc, argv);
    if (!arguments.empty()) arguments.erase(arguments.begin());
    return batchMain(arguments, std::cout, std::cerr);
}
