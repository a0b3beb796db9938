#include "app/BatchOptions.h"
#include "app/BatchRun.h"
#include "app/BatchUsage.h"
#include "app/Interruption.h"
#include "app/TerminalWidth.h"
#include "ole/CommandLine.h"

#include <iostream>

int main(int argc, char** argv) try {
    endRunOnInterruption();
    std::vector<std::string> arguments = ole::commandLineArguments(argc, argv);
    if (!arguments.empty()) arguments.erase(arguments.begin());
    const BatchOptions options = parseBatchOptions(arguments);
    if (options.help || options.version) {
        std::cout << (options.help ? batchHelp(terminalColumns()) : batchVersion());
        return kCompleted;
    }
    return runBatch(options, std::cout, std::cerr);
} catch (const UsageError& e) {
    std::cerr << "quirella-batch: " << e.what() << '\n' << kBatchUsage;
    return kUsage;
}
