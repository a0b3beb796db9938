#include "app/Interruption.h"

#include "writer/LiveOffices.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

int g_wake[2] = {-1, -1};

void onSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = write(g_wake[1], &number, 1);
    errno = saved;
}

}  // namespace

// Handlers that only wake a thread, rather than signals blocked for sigwait: a blocked mask would
// pass through exec to every program started later (the office, the help viewer), handlers do not.
void endRunOnInterruption() {
    if (g_wake[0] >= 0 || pipe2(g_wake, O_CLOEXEC) != 0) return;
    // An office that dies while the connection writes to it must fail that call, not end the
    // program with SIGPIPE (the office's child resets its signals before exec).
    signal(SIGPIPE, SIG_IGN);
    std::thread([] {
        unsigned char signal = 0;
        while (read(g_wake[0], &signal, 1) < 0 && errno == EINTR) {
        }
        writer::endLiveOffices();
        _exit(128 + signal);
    }).detach();

    struct sigaction handler {};
    handler.sa_handler = onSignal;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        sigaction(signal, nullptr, &old);
        if (old.sa_handler == SIG_IGN) continue;  // as under nohup: ignored it stays
        sigaction(signal, &handler, nullptr);
    }
}
