#include "writer/CupsQueue.h"

#include <cups/cups.h>

#include <algorithm>
#include <string_view>
#include <vector>

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

namespace {

struct Job {
    int id = 0;
    std::string user;
};

// The printer's jobs above `after`, finished ones included, with who submitted them. Asks only for
// the attributes needed, from `after` on, so that a long job history costs nothing.
std::vector<Job> jobsAfter(const std::string& printer, int after) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     printer.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "first-job-id", after + 1);
    static const char* const kAttributes[] = {"job-id", "job-originating-user-name"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, kAttributes);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");

    // Each job is a group of its own, ended by a separator or by another group.
    std::vector<Job> jobs;
    Job job;
    const auto endJob = [&] {
        if (job.id > after) jobs.push_back(job);
        job = {};
    };
    for (ipp_attribute_t* attr = ippFirstAttribute(response); attr; attr = ippNextAttribute(response)) {
        const char* name = ippGetName(attr);
        if (ippGetGroupTag(attr) != IPP_TAG_JOB || !name) {
            endJob();
            continue;
        }
        const std::string_view attribute(name);
        if (attribute == "job-id") {
            job.id = ippGetInteger(attr, 0);
        } else if (attribute == "job-originating-user-name") {
            const char* user = ippGetString(attr, 0, nullptr);
            job.user = user ? user : "";
        }
    }
    endJob();
    ippDelete(response);
    return jobs;
}

}  // namespace

int newestJob(const std::string& printer, int after) {
    int newest = after;
    for (const Job& job : jobsAfter(printer, after)) newest = std::max(newest, job.id);
    return newest;
}

std::optional<int> ownJob(const std::string& printer, int after) {
    const std::string user = cupsUser();
    std::optional<int> own;
    for (const Job& job : jobsAfter(printer, after))
        if (job.user == user && job.id > own.value_or(0)) own = job.id;
    return own;
}

}  // namespace writer
