// A private office process: its own process group, its own profile, a pipe with an unguessable name.
// It never outlives this object.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

namespace writer {

// Where LibreOffice lives; the bridge exists only when this is installed.
// The office itself rather than its launcher: then the office is our own child, and killing and
// reaping it leaves nothing behind.
inline constexpr const char* kOfficeProgram = "/usr/lib/libreoffice/program/soffice.bin";
// The exit code with which the office asks to be started again (after setting up a new profile).
inline constexpr int kRestartRequested = 81;

bool officeInstalled(const std::string& program = kOfficeProgram);

class OfficeProcess {
public:
    // Takes a profile slot, waiting for one as long as `slotWait`, and starts the office there;
    // headless when there is no display. Throws Exception when it cannot start.
    explicit OfficeProcess(std::string program = kOfficeProgram,
                           std::chrono::milliseconds slotWait = std::chrono::seconds(60));
    ~OfficeProcess();  // kills whatever is still running
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    const std::string& pipeName() const noexcept { return m_pipeName; }
    bool headless() const noexcept { return m_headless; }
    bool running();
    // The exit status once the process has ended by itself.
    std::optional<int> exitStatus() const noexcept { return m_exitStatus; }
    // Starts it again on the same profile and pipe.
    void restart();

    // Waits for the process to end by itself; then kills its whole group if it has not.
    void waitOrKill(std::chrono::milliseconds grace);
    // Kills the whole group at once (the office and anything it started) and reaps the office.
    void kill() noexcept;
    // Only sends the group SIGKILL: safe from another thread while a call is waiting on the office.
    void signalGroup() const noexcept;

private:
    void spawn();
    void releaseSlot() noexcept;

    std::string m_program;
    int m_profileLock = -1;  // a lock on the profile slot, held while the office runs
    std::filesystem::path m_profile;
    std::string m_pipeName;
    bool m_headless = true;
    std::atomic<pid_t> m_pid{-1};
    pid_t m_watcher = -1;  // ends the office's group when this process ends
    int m_guard = -1;      // the writing end of the watcher's pipe
    bool m_reaped = false;
    std::optional<int> m_exitStatus;
};

}  // namespace writer
