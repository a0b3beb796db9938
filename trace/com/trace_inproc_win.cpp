// quirella-trace.dll: the trace server as an in-process COM server. The class goes into the module's
// table when the DLL is loaded; the DllGetClassObject and DllCanUnloadNow that COM calls are the
// automation runtime's, which serve that table (see ole/ComServer.h).
#include "ole/ComServer.h"
#include "trace/com/TraceComServer.h"

namespace {

const bool kServed = [] {
    ole::serveClass(trace::TraceServer::kClassId, trace::comServerFactory(trace::comServerSettings()));
    return true;
}();

}  // namespace
