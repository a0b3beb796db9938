// quirella-trace-server.exe: the trace server as a local COM server, started by COM (with -Embedding)
// for each client, as Word is, and gone when the client has released everything it was given.
#include "ole/ComServer.h"
#include "trace/com/TraceComServer.h"

int main() {
    trace::ComServerSettings settings = trace::comServerSettings();
    settings.localServer = true;
    return ole::runLocalServer(trace::TraceServer::kClassId, trace::comServerFactory(std::move(settings)));
}
