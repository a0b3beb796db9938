#include "writer/LiveOffices.h"

#include <cups/cups.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

namespace writer {

namespace {

struct Print {
    std::string printer;
    int newestJobBefore = 0;
};

struct Registry {
    std::mutex mutex;
    std::vector<pid_t> groups;
    std::optional<Print> print;
    bool ending = false;
};

Registry& registry() {
    static Registry* r = new Registry;  // never destroyed: the interruption may come during exit
    return *r;
}

// Our jobs on the printer above `after` that CUPS has not finished with.
std::vector<int> pendingJobsOfOurs(const std::string& printer, int after) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     printer.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddBoolean(request, IPP_TAG_OPERATION, "my-jobs", 1);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "first-job-id", after + 1);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "job-id");
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    std::vector<int> jobs;
    for (ipp_attribute_t* attr = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER); attr;
         attr = ippFindNextAttribute(response, "job-id", IPP_TAG_INTEGER))
        if (const int id = ippGetInteger(attr, 0); id > after) jobs.push_back(id);
    ippDelete(response);
    return jobs;
}

}  // namespace

void addLiveOffice(pid_t group) noexcept {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (r.ending) {
        ::kill(-group, SIGKILL);  // started while the process is being ended
        return;
    }
    r.groups.push_back(group);
}

void removeLiveOffice(pid_t group) noexcept {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::erase(r.groups, group);
}

PrintInFlight::PrintInFlight(std::string printer, int newestJobBefore) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.print = Print{std::move(printer), newestJobBefore};
}

PrintInFlight::~PrintInFlight() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.print.reset();
}

void endLiveOffices() noexcept {
    Registry& r = registry();
    std::optional<Print> print;
    {
        std::lock_guard lock(r.mutex);
        r.ending = true;
        for (const pid_t group : r.groups) ::kill(-group, SIGKILL);
        r.groups.clear();
        print = r.print;
    }
    // The office is gone, so nothing more of the job can arrive; what did arrive must not print.
    if (!print) return;
    try {
        for (const int job : pendingJobsOfOurs(print->printer, print->newestJobBefore))
            cupsCancelJob2(CUPS_HTTP_DEFAULT, print->printer.c_str(), job, 0);
    } catch (...) {
    }
}

}  // namespace writer
