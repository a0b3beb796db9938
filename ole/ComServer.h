// Serving classes to COM from this module (Windows): the table behind the module's exported
// DllGetClassObject, the count of live objects and locks that tells whether the module is still in
// use, and the loop of a local server.
#pragma once

#include "ole/ClassRegistry.h"
#include "ole/ComPtr.h"

namespace ole {

// Adds the class to this module's table for the module's life: its exported DllGetClassObject hands
// out objects from `factory`. An in-process server's way of serving; registerClass also does this.
void serveClass(const CLSID& clsid, ObjectFactory factory);

// The class object COM is given: each CreateInstance calls `factory`; LockServer holds a ServerLock.
ComPtr<IClassFactory> makeClassFactory(ObjectFactory factory);

// One live object, or one IClassFactory::LockServer lock. While any is held the module is in use:
// DllCanUnloadNow says no and a local server keeps running.
class ServerLock {
public:
    ServerLock() noexcept;
    ~ServerLock();
    ServerLock(const ServerLock&) = delete;
    ServerLock& operator=(const ServerLock&) = delete;
};

bool serverInUse() noexcept;

// Runs this process as the local server of one class: joins a single-threaded apartment, registers
// the class object for one client (as Word does, each client starts a server of its own), handles
// calls until the last object and lock have gone, and returns the process's exit status.
int runLocalServer(const CLSID& clsid, ObjectFactory factory);

// Ends the running local server's loop now, whatever is still held: the objects a client never
// received (the answer to a call it gave up) go with the apartment.
void endLocalServer() noexcept;

}  // namespace ole
