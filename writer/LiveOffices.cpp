#include "writer/LiveOffices.h"

#include "writer/CupsQueue.h"

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
        for (const int job : unfinishedJobsOfOurs(print->printer, print->newestJobBefore))
            cupsCancelJob2(CUPS_HTTP_DEFAULT, print->printer.c_str(), job, 0);
    } catch (...) {
    }
}

}  // namespace writer
