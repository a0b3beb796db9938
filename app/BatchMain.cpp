#include "app/BatchMain.h"

#include "app/BatchOptions.h"
#include "app/BatchRun.h"
#include "app/BatchUsage.h"
#include "app/TerminalWidth.h"

#include <exception>
#include <ostream>

int batchMain(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    try {
        const BatchOptions options = parseBatchOptions(arguments);
        if (options.help || options.version) {
            out << (options.help ? batchHelp(terminalColumns()) : batchVersion());
            return kCompleted;
        }
        return runBatch(options, out, err);
    } catch (const UsageError& e) {
        err << "quirella-batch: " << e.what() << '\n' << kBatchUsage;
        return kUsage;
    } catch (const std::exception& e) {  // Exception too: a run's own failures never get here
        err << "quirella-batch: " << e.what() << std::endl;
    }
    return kInternalError;
}
