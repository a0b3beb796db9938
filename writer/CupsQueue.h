// What the bridge asks CUPS: whether a printer exists, which is the default, and whether our job came.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace writer {

bool printerExists(const std::string& name);
std::optional<std::string> defaultPrinter();
// The highest id among the printer's jobs above `after`, finished jobs included; `after` when there is
// none. Asks for the ids alone, from `after` on, so that a long job history costs nothing.
int newestJob(const std::string& printer, int after = 0);
// The id of the newest job above `after` on the printer that this user submitted (the office prints
// as this user), if there is one: another user's job on the same queue never passes for ours. The
// job's name cannot tell more: the office names a job after the document's title, which is the
// file's name, "Untitled" for a template, and sometimes empty for a document printed as it loads.
std::optional<int> ownJob(const std::string& printer, int after);
// This user's jobs above `after` on the printer that CUPS has not finished with.
std::vector<int> unfinishedJobsOfOurs(const std::string& printer, int after);

}  // namespace writer
