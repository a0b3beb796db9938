#include "writer/Watchdog.h"

namespace writer {

Watchdog::Watchdog(std::chrono::milliseconds limit, std::function<void()> onTimeout) {
    m_thread = std::thread([this, limit, onTimeout = std::move(onTimeout)] {
        std::unique_lock lock(m_mutex);
        if (m_done.wait_for(lock, limit, [this] { return m_finished; })) return;
        m_fired = true;
        lock.unlock();
        onTimeout();
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_done.notify_one();
    m_thread.join();
}

bool Watchdog::fired() const {
    std::lock_guard lock(m_mutex);
    return m_fired;
}

}  // namespace writer
