#include "app/BatchOptions.h"

#include "app/BatchUsage.h"

#include <algorithm>
#include <charconv>
#include <limits>

const char* const kBatchUsage =
    "usage: quirella-batch [-p|--printer NAME] [-n|--copies TEXT] [--show] [--pause-ms N] [--call-limit-ms N] [--dry-run [--fail MEMBER[:K]]] FILE...\n"
    "       quirella-batch --list-printers\n"
    "       quirella-batch --help | --version\n";

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

        const auto spec = std::find_if(std::begin(kBatchOptions), std::end(kBatchOptions), [&](const BatchOptionSpec& o) {
            return name == o.longName || (!o.shortName.empty() && name == o.shortName);
        });
        if (spec == std::end(kBatchOptions)) throw UsageError("unknown option " + name);
        std::string given;
        if (spec->valueName.empty())
            noValue();
        else
            given = value();

        switch (spec->option) {
        case BatchOption::Printer: options.printer = given; break;
        case BatchOption::Copies: options.copies = given; break;
        case BatchOption::Show: options.show = true; break;
        case BatchOption::PauseMs: options.pause = parseMilliseconds(name, given, 0); break;
        case BatchOption::CallLimitMs: options.callLimit = parseMilliseconds(name, given, 1); break;
        case BatchOption::DryRun: options.dryRun = true; break;
        case BatchOption::Fail: {
            const std::optional<trace::FailRule> parsed = trace::parseFailRule(given);
            if (!parsed) throw UsageError("--fail wants MEMBER or MEMBER:K with K from 1, not \"" + given + "\"");
            options.failures.push_back(*parsed);
            break;
        }
        case BatchOption::ListPrinters: options.listPrinters = true; break;
        case BatchOption::Help: options.help = true; break;
        case BatchOption::Version: options.version = true; break;
        }
        const BatchOption kind = spec->option;
        if (kind != BatchOption::ListPrinters && kind != BatchOption::Help && kind != BatchOption::Version)
            runOption = true;
    }

    if (!options.failures.empty() && !options.dryRun) throw UsageError("--fail needs --dry-run");
    if (options.listPrinters && (runOption || !options.files.empty()))
        throw UsageError("--list-printers takes nothing else");
    return options;
}
