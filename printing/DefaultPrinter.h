// The system's default printer. Setting the word processor's active printer also makes that printer
// the user's default for every program (Word does this on Windows); a print run puts the user's own
// default back when it ends.
#pragma once

#include <optional>
#include <string>

// The default printer's name (UTF-8); none when there is none or the system has no such setting.
std::optional<std::string> defaultPrinter();

// Makes the printer the default; false when the system refuses.
bool setDefaultPrinter(const std::string& name);

// Remembers the default printer when made; when destroyed, puts it back if it has changed since, and
// touches nothing otherwise. Nothing is restored where there was no default to begin with.
class DefaultPrinterGuard {
public:
    DefaultPrinterGuard();
    ~DefaultPrinterGuard();
    DefaultPrinterGuard(const DefaultPrinterGuard&) = delete;
    DefaultPrinterGuard& operator=(const DefaultPrinterGuard&) = delete;

private:
    std::optional<std::string> m_saved;
};
