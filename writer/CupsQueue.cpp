#include "writer/CupsQueue.h"

#include <cups/cups.h>

namespace writer {

bool printerExists(const std::string& name) {
    if (name.empty()) return false;
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr);
    if (!dest) return false;
    cupsFreeDests(1, dest);
    return true;
}

std::optional<std::string> defaultPrinter() {
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (!dest) return std::nullopt;
    std::string name = dest->name;
    cupsFreeDests(1, dest);
    return name;
}

int newestJob(const std::string& printer) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.c_str(), 0, CUPS_WHICHJOBS_ALL);
    int newest = 0;
    for (int i = 0; i < count; ++i)
        if (jobs[i].id > newest) newest = jobs[i].id;
    cupsFreeJobs(count, jobs);
    return newest;
}

}  // namespace writer
