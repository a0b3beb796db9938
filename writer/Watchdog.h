// Bounds one call into the office: if it has not returned in time, the office is killed, which makes
// the call fail instead of freezing the program.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace writer {

class Watchdog {
public:
    Watchdog(std::chrono::milliseconds limit, std::function<void()> onTimeout);
    ~Watchdog();  // the call has returned: stand down
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    bool fired() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    bool m_fired = false;
    std::thread m_thread;
};

}  // namespace writer
