// The offices this process runs and the print in flight, known process-wide so that an interruption
// can end them: an office lives in a process group of its own and would otherwise outlive us.
#pragma once

#include <string>
#include <sys/types.h>

namespace writer {

// An office's process group, from its start until it has been killed and reaped.
void addLiveOffice(pid_t group) noexcept;
void removeLiveOffice(pid_t group) noexcept;

// Held while an office prints: the printer and the newest job it had before, so that a job of ours
// that reached CUPS can be cancelled.
class PrintInFlight {
public:
    PrintInFlight(std::string printer, int newestJobBefore);
    ~PrintInFlight();
    PrintInFlight(const PrintInFlight&) = delete;
    PrintInFlight& operator=(const PrintInFlight&) = delete;
};

// Kills every live office's group, then cancels the jobs of ours that the print in flight made.
// Any office started after this is killed as soon as it is added. For the interruption's thread:
// it takes locks and talks to CUPS, so never from a signal handler.
void endLiveOffices() noexcept;

}  // namespace writer
