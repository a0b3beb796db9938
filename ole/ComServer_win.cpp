#include "ole/ComServer.h"

#include "ole/ComObject_win.h"

#include <atomic>
#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace ole {

namespace {

std::atomic<long> g_locks{0};
// The thread of a running local server, told to leave its loop when the last lock goes.
std::atomic<DWORD> g_serverThread{0};

class ClassFactory final : public ComObject<IClassFactory, IID_IClassFactory> {
public:
    explicit ClassFactory(ObjectFactory factory) : m_factory(std::move(factory)) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        // Held for the call: a creation that fails while nothing else is alive ends a local server
        // too, instead of leaving it waiting for a client that has already given up.
        const ServerLock duringCall;
        try {
            return m_factory(riid, object);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return CO_E_SERVER_EXEC_FAILURE;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            m_serverLocks.push_back(std::make_unique<ServerLock>());
        } else if (!m_serverLocks.empty()) {
            m_serverLocks.pop_back();
        }
        return S_OK;
    }

private:
    ObjectFactory m_factory;
    std::vector<std::unique_ptr<ServerLock>> m_serverLocks;
};

}  // namespace

ComPtr<IClassFactory> makeClassFactory(ObjectFactory factory) {
    return ComPtr<IClassFactory>::adopt(new ClassFactory(std::move(factory)));
}

ServerLock::ServerLock() noexcept { ++g_locks; }

namespace {

// Ends the local server's message loop. Under Wine the apartment's shutdown after a spell of
// rejected calls has been seen never to return, leaving the server running for good: a server
// whose work is over ends within a few seconds either way, as Word's process ends with Word.
void quitLocalServer() noexcept {
    const DWORD thread = g_serverThread.load();
    if (!thread) return;
    PostThreadMessageW(thread, WM_QUIT, 0, 0);
    static std::atomic<bool> armed{false};
    if (armed.exchange(true)) return;
    try {
        std::thread([] {
            Sleep(5000);
            ExitProcess(0);
        }).detach();
    } catch (...) {
    }
}

}  // namespace

ServerLock::~ServerLock() {
    if (--g_locks == 0) quitLocalServer();
}

void endLocalServer() noexcept { quitLocalServer(); }

bool serverInUse() noexcept { return g_locks.load() > 0; }

int runLocalServer(const CLSID& clsid, ObjectFactory factory) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    // The thread's message queue must exist before anything can post WM_QUIT to it.
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    g_serverThread = GetCurrentThreadId();

    int status = 1;
    DWORD cookie = 0;
    {
        const ComPtr<IClassFactory> classObject = makeClassFactory(std::move(factory));
        if (SUCCEEDED(CoRegisterClassObject(clsid, classObject.get(), CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie))) {
            while (GetMessageW(&message, nullptr, 0, 0) > 0) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            CoRevokeClassObject(cookie);
            status = 0;
        }
    }
    g_serverThread = 0;
    CoUninitialize();
    return status;
}

}  // namespace ole
