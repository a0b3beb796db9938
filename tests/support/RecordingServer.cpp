#include "support/RecordingServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

struct RecordingServer::State {
    Reply reply = Reply::NotFound;
    int listener = -1;
    int wake[2] = {-1, -1};  // written to end the thread
    int port = 0;
    std::thread thread;
    mutable std::mutex mutex;
    int connections = 0;
    std::vector<std::string> lines;

    struct Client {
        int fd;
        std::string received;
    };
    std::vector<Client> clients;

    void run();
    void record(int* count, std::string* line) {
        const std::lock_guard lock(mutex);
        if (count) ++*count;
        if (line) lines.push_back(*line);
    }
};

void RecordingServer::State::run() {
    while (true) {
        std::vector<pollfd> fds = {{wake[0], POLLIN, 0}, {listener, POLLIN, 0}};
        if (reply == Reply::NotFound)
            for (const Client& c : clients) fds.push_back({c.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0) continue;
        if (fds[0].revents) return;
        if (fds[1].revents & POLLIN) {
            const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                record(&connections, nullptr);
                if (reply == Reply::Hangup) close(fd);
                else clients.push_back({fd, {}});
            }
        }
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            Client& client = clients[i - 2];
            char buffer[4096];
            const ssize_t n = read(client.fd, buffer, sizeof buffer);
            if (n > 0) client.received.append(buffer, static_cast<std::size_t>(n));
            const std::size_t headerEnd = client.received.find("\r\n\r\n");
            if (n > 0 && headerEnd == std::string::npos && client.received.size() < 65536) continue;
            // A whole request, or the peer gave up, or it is not HTTP: answer once and close.
            std::string line = client.received.substr(0, client.received.find("\r\n"));
            if (line.find('\0') != std::string::npos || line.size() == client.received.size()) line.clear();
            record(nullptr, &line);
            static constexpr char kNotFound[] = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            if (n > 0) (void)!write(client.fd, kNotFound, sizeof kNotFound - 1);
            close(client.fd);
            client.fd = -1;
        }
        std::erase_if(clients, [](const Client& c) { return c.fd < 0; });
    }
}

RecordingServer::RecordingServer(Reply reply) : m_state(std::make_unique<State>()) {
    State& s = *m_state;
    s.reply = reply;
    s.listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;  // the system picks a free port
    socklen_t length = sizeof address;
    if (s.listener < 0 || bind(s.listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(s.listener, 64) != 0 || getsockname(s.listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe2(s.wake, O_CLOEXEC) != 0) {
        if (s.listener >= 0) close(s.listener);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    s.port = ntohs(address.sin_port);
    s.thread = std::thread([&s] { s.run(); });
}

RecordingServer::~RecordingServer() {
    State& s = *m_state;
    (void)!write(s.wake[1], "x", 1);
    s.thread.join();
    for (const State::Client& c : s.clients) close(c.fd);
    close(s.listener);
    close(s.wake[0]);
    close(s.wake[1]);
}

std::string RecordingServer::authority() const { return "127.0.0.1:" + std::to_string(m_state->port); }

int RecordingServer::connections() const {
    const std::lock_guard lock(m_state->mutex);
    return m_state->connections;
}

std::vector<std::string> RecordingServer::requestLines() const {
    const std::lock_guard lock(m_state->mutex);
    return m_state->lines;
}
