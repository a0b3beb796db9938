#include "app/BatchOptions.h"

#include <charconv>
#include <limits>

const char* const kBatchUsage =
    "usage: quirella-batch [-p|--printer NAME] [-n|--copies TEXT] [--show] [--pause-ms N] [--call-limit-ms N] [--dry-run [--fail MEMBER[:K]]] FILE...\n"
    "       quirella-batch --list-printers\n";

namespace {

std::chrono::milliseconds parseMilliseconds(const std::string& option, const std::string& text, long long least) {
    long long value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < least ||
        value > std::numeric_limits<int>::max())
        throw UsageError(option + " wants a whole number of milliseconds" + (least > 0 ? " from 1" : "") + ", not \"" +
                         text + "\"");
    return std::chrono::milliseconds(value);
}

}  // namespace

BatchOptions parseBatchOptions(const std::vector<std::string>& arguments) {
    BatchOptions options;
    bool runOption = false;  // anything that makes no sense with --list-printers
    bool optionsEnded = false;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // --name=value, or the value as the next argument (taken as it is, even when it starts with '-').
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        const auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= arguments.size()) throw UsageError(name + " wants a value");
            return arguments[++i];
        };
        const auto noValue = [&] {
            if (inlineValue) throw UsageError(name + " takes no value");
        };

        if (name == "-p" || name == "--printer") {
            options.printer = value();
            runOption = true;
        } else if (name == "-n" || name == "--copies") {
            options.copies = value();
            runOption = true;
        } else if (name == "--show") {
            noValue();
            options.show = true;
            runOption = true;
        } else if (name == "--pause-ms") {
            options.pause = parseMilliseconds(name, value(), 0);
            runOption = true;
        } else if (name == "--call-limit-ms") {
            options.callLimit = parseMilliseconds(name, value(), 1);
            runOption = true;
        } else if (name == "--dry-run") {
            noValue();
            options.dryRun = true;
            runOption = true;
        } else if (name == "--fail") {
            const std::string rule = value();
            const std::optional<trace::FailRule> parsed = trace::parseFailRule(rule);
            if (!parsed) throw UsageError("--fail wants MEMBER or MEMBER:K with K from 1, not \"" + rule + "\"");
            options.failures.push_back(*parsed);
            runOption = true;
        } else if (name == "--list-printers") {
            noValue();
            options.listPrinters = true;
        } else if (name == "-h" || name == "--help") {
            noValue();
            options.help = true;
        } else {
            throw UsageError("unknown option " + name);
        }
    }

    if (!options.failures.empty() && !options.dryRun) throw UsageError("--fail needs --dry-run");
    if (options.listPrinters && (runOption || !options.files.empty()))
        throw UsageError("--list-printers takes nothing else");
    return options;
}
