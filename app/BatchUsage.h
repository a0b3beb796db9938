// What quirella-batch accepts and what its exit statuses mean, as data: the parser reads the option
// table, --help prints both tables, and the tests hold the README and the manual page to them.
#pragma once

#include "app/BatchRun.h"

#include <string>
#include <string_view>

enum class BatchOption { Printer, Copies, Show, PauseMs, CallLimitMs, DryRun, Fail, ListPrinters, Help, Version };

struct BatchOptionSpec {
    BatchOption option;
    std::string_view shortName;  // "" when there is none
    std::string_view longName;
    std::string_view valueName;  // "" when it takes no value
    std::string_view meaning;
};

inline constexpr BatchOptionSpec kBatchOptions[] = {
    {BatchOption::Printer, "-p", "--printer", "NAME",
     "the printer; default \"系统缺省打印机\" keeps the word processor's own"},
    {BatchOption::Copies, "-n", "--copies", "TEXT",
     "the copies, as the window's field takes them (decimal, or hex with $, x, 0x); default 1"},
    {BatchOption::Show, "", "--show", "", "show the word processor's window"},
    {BatchOption::PauseMs, "", "--pause-ms", "N", "the pause after each document, default 1000"},
    {BatchOption::CallLimitMs, "", "--call-limit-ms", "N",
     "how long one call may wait for the word processor, retries while it is busy included, default 180000"},
    {BatchOption::DryRun, "", "--dry-run", "",
     "talk to the trace server instead of \"Word.Application\"; its lines go to standard error"},
    {BatchOption::Fail, "", "--fail", "MEMBER[:K]",
     "with --dry-run: fail that member's K-th call, or every call (Application fails creation)"},
    {BatchOption::ListPrinters, "", "--list-printers", "", "the printer choice's entries, one a line"},
    {BatchOption::Help, "-h", "--help", "", "the usage, every option and every exit status"},
    {BatchOption::Version, "", "--version", "", "the program's version"},
};

struct BatchStatusSpec {
    int status;
    std::string_view meaning;
};

inline constexpr BatchStatusSpec kBatchStatuses[] = {
    {kCompleted, "the run completed and no document failed"},
    {kDocumentsFailed, "the run completed, some documents failed"},
    {kRejected, "the request was rejected (no printer, no document, bad copies)"},
    {kSetupFailed, "the word processor could not be started or set up"},
    {kQuitFailed, "quitting the word processor failed"},
    {kUsage, "bad usage"},
    {kInternalError, "an unexpected error ended the program; its text is on standard error"},
    {kHangUp, "ended by SIGHUP: the office and its job in flight went first"},
    {kInterrupted, "ended by SIGINT (Ctrl-C): the office and its job in flight went first"},
    {kTerminated, "ended by SIGTERM: the office and its job in flight went first"},
};

// "-p, --printer NAME", or "--show": an option as --help and the manual page spell it.
std::string optionSpelling(const BatchOptionSpec& spec);

// --help's text, laid out for a terminal `columns` wide (at least 40 are used).
std::string batchHelp(int columns);

// --version's line.
std::string batchVersion();
