#include "printing/DefaultPrinter.h"

// CUPS keeps the default destination to itself, and no word processor here changes it.
std::optional<std::string> defaultPrinter() { return std::nullopt; }

bool setDefaultPrinter(const std::string&) { return false; }
