// The system's printers, and the printer choice built from them.
#pragma once

#include <string>
#include <vector>

// The installed printers' names (UTF-8) in the order the system gives them; empty when there are none
// or they cannot be listed.
std::vector<std::string> systemPrinterNames();

// The printer choice's entries: the names, then the default-printer entry when there is at least one.
std::vector<std::string> printerEntries(std::vector<std::string> names);
