// A TCP server on 127.0.0.1, on a port of the system's choosing, that records every connection made
// to it: the stand-in for a remote host that a document points at. Ended, with every connection it
// holds, when the object goes.
#pragma once

#include <memory>
#include <string>
#include <vector>

class RecordingServer {
public:
    enum class Reply {
        NotFound,  // reads the request and answers 404, as a web server without the file would
        Hangup,    // closes each connection as soon as it is accepted (for schemes other than http)
        Never,     // accepts and then neither reads nor answers, holding the connection open
    };
    explicit RecordingServer(Reply reply);
    ~RecordingServer();
    RecordingServer(const RecordingServer&) = delete;
    RecordingServer& operator=(const RecordingServer&) = delete;

    // "127.0.0.1:PORT", to put after a scheme.
    std::string authority() const;
    // The connections accepted so far.
    int connections() const;
    // The first line of each request read so far ("GET /a.png HTTP/1.1"); empty for a connection
    // that sent none in time, or sent something that is not a line (a TLS greeting).
    std::vector<std::string> requestLines() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
