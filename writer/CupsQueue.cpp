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

// A Get-Jobs request for the printer's jobs above `after`, asking only for `attributes`: from `after`
// on, so that a long job history costs nothing.
ipp_t* getJobsRequest(const std::string& printer, int after, const char* whichJobs,
                      const std::vector<const char*>& attributes) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     printer.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, whichJobs);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "first-job-id", after + 1);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(attributes.size()), nullptr, attributes.data());
    return request;
}

// The printer's jobs above `after`, finished ones included, with who submitted them.
std::vector<Job> jobsAfter(const std::string& printer, int after) {
    ipp_t* request = getJobsRequest(printer, after, "all", {"job-id", "job-originating-user-name"});
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

std::vector<int> unfinishedJobsOfOurs(const std::string& printer, int after) {
    ipp_t* request = getJobsRequest(printer, after, "not-completed", {"job-id"});
    ippAddBoolean(request, IPP_TAG_OPERATION, "my-jobs", 1);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    std::vector<int> jobs;
    for (ipp_attribute_t* attr = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER); attr;
         attr = ippFindNextAttribute(response, "job-id", IPP_TAG_INTEGER))
        if (const int id = ippGetInteger(attr, 0); id > after) jobs.push_back(id);
    ippDelete(response);
    return jobs;
}

std::optional<int> ownJob(const std::string& printer, int after) {
    const std::string user = cupsUser();
    std::optional<int> own;
    for (const Job& job : jobsAfter(printer, after))
        if (job.user == user && job.id > own.value_or(0)) own = job.id;
    return own;
}

}  // namespace writer
