// What the bridge asks CUPS: whether a printer exists, which is the default, and whether a job came.
#pragma once

#include <optional>
#include <string>

namespace writer {

bool printerExists(const std::string& name);
std::optional<std::string> defaultPrinter();
// The highest id among the printer's jobs above `after`, finished jobs included; `after` when there is
// none. Asks for the ids alone, from `after` on, so that a long job history costs nothing.
int newestJob(const std::string& printer, int after = 0);

}  // namespace writer
