// What the bridge asks CUPS: whether a printer exists, which is the default, and whether a job came.
#pragma once

#include <optional>
#include <string>

namespace writer {

bool printerExists(const std::string& name);
std::optional<std::string> defaultPrinter();
// The highest job id the scheduler holds for the printer, finished jobs included; 0 for none.
int newestJob(const std::string& printer);

}  // namespace writer
