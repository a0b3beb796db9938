#include "writer/QueueTurn.h"

#include "writer/OfficeProfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace writer {

namespace {

// A queue's name as a file name: its bytes in hex, so that no name can reach outside the folder.
std::string lockName(const std::string& printer) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = "queue-";
    for (const unsigned char c : printer) {
        name += kDigits[c >> 4];
        name += kDigits[c & 0xF];
    }
    return name + ".lock";
}

}  // namespace

QueueTurn::QueueTurn(const std::string& printer, std::chrono::milliseconds wait) {
    const std::filesystem::path folder = cacheDirectory() / "office";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const int lock = open((folder / lockName(printer)).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (flock(lock, LOCK_EX | LOCK_NB) != 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            close(lock);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_lock = lock;
}

QueueTurn::~QueueTurn() {
    if (m_lock >= 0) close(m_lock);  // closing frees the lock
}

}  // namespace writer
