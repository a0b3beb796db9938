// One print at a time per queue among this user's runs. A print counts when a job of this user's
// appears on the queue; with the turn held from before the print until its job is found, another run
// of ours cannot put a job there meanwhile and pass it off as this print's.
#pragma once

#include <chrono>
#include <string>

namespace writer {

class QueueTurn {
public:
    // Waits for the queue's turn, up to `wait`; after that the print goes ahead without it (it then
    // tells its job only by the user, as before), so a run that hangs holding it stops no one.
    QueueTurn(const std::string& printer, std::chrono::milliseconds wait);
    ~QueueTurn();
    QueueTurn(const QueueTurn&) = delete;
    QueueTurn& operator=(const QueueTurn&) = delete;

    bool held() const noexcept { return m_lock >= 0; }

private:
    int m_lock = -1;
};

}  // namespace writer
