// Classes of our own made known without writing a word to the registry: registration-free COM.
//
// registerClass activates, on the calling thread, an activation context whose manifest declares every
// class this thread has registered, with its programmatic identifiers, as served by this very module.
// CLSIDFromProgID finds the identifier there, and CoCreateInstance loads the module the manifest
// names (the running executable, already loaded) and asks its exported DllGetClassObject, below,
// which answers from the class table. Under Wine the active context is consulted before the
// registry and before CoRegisterClassObject's table; Windows documents the same lookup for
// in-process servers, which this is.
//
// Activation contexts are a per-thread stack: a registration is withdrawn on the thread that made it,
// after every later one, as scoped objects are. Only the top context is searched, so each new one
// declares the thread's earlier classes too.
#include "ole/ClassRegistry.h"
#include "ole/ComServer.h"
#include "ole/Exceptions.h"
#include "ole/Text.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct RegisteredClass {
    unsigned long cookie;
    std::string progId;  // empty for a class served only by its identifier
    CLSID clsid;
    ole::ObjectFactory factory;
    DWORD thread = 0;
    HANDLE context = INVALID_HANDLE_VALUE;
    ULONG_PTR activation = 0;
};

struct Registry {
    std::mutex mutex;
    std::vector<RegisteredClass> classes;  // newest last: it wins a lookup
    unsigned long nextCookie = 1;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::wstring thisModulePath() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&thisModulePath), &module);
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string utf8(const std::wstring& text) {
    return ole::toUtf8(ole::OleStringView(text.data(), text.size()));
}

std::string xmlText(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string guidText(const CLSID& clsid) {
    wchar_t text[40];
    StringFromGUID2(clsid, text, 40);
    return utf8(text);
}

// One comClass per class identifier; a programmatic identifier goes with its newest class.
std::string manifestFor(const std::vector<const RegisteredClass*>& classes, const std::string& moduleFile) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
        "<assemblyIdentity type=\"win32\" name=\"Quirella.Classes\" version=\"1.0.0.0\"/>\n"
        "<file name=\"" + xmlText(moduleFile) + "\">\n";
    std::vector<CLSID> done;
    for (auto it = classes.rbegin(); it != classes.rend(); ++it) {
        const CLSID& clsid = (*it)->clsid;
        if (std::find(done.begin(), done.end(), clsid) != done.end()) continue;
        done.push_back(clsid);
        std::vector<std::string> seen, mine;
        for (auto newer = classes.rbegin(); newer != classes.rend(); ++newer) {
            const std::string& progId = (*newer)->progId;
            if (progId.empty() || std::find(seen.begin(), seen.end(), progId) != seen.end()) continue;
            seen.push_back(progId);  // the newest registration of this identifier decides
            if ((*newer)->clsid == clsid) mine.push_back(progId);
        }
        // The first identifier as the attribute, the usual form; any others as nested elements.
        xml += "<comClass clsid=\"" + guidText(clsid) + "\" threadingModel=\"Apartment\"";
        if (!mine.empty()) xml += " progid=\"" + xmlText(mine[0]) + "\"";
        xml += ">";
        for (std::size_t i = 1; i < mine.size(); ++i) xml += "<progid>" + xmlText(mine[i]) + "</progid>";
        xml += "</comClass>\n";
    }
    return xml + "</file>\n</assembly>\n";
}

[[noreturn]] void failToPublish(std::string_view progId, DWORD error) {
    throw Exception("cannot make \"" + std::string(progId) + "\" known without the registry: " +
                    ole::systemMessage(HRESULT_FROM_WIN32(error)));
}

// The context is read from a manifest file, removed again as soon as the context exists. It has to
// lie beside the module: the files a manifest names are looked for in the manifest's own directory.
// Where that directory cannot be written (an installed program), registering fails, saying so.
HANDLE createContext(std::string_view progId, const std::string& manifest, const std::wstring& moduleDirectory) {
    wchar_t path[MAX_PATH + 1];
    if (!GetTempFileNameW(moduleDirectory.c_str(), L"qrl", 0, path)) failToPublish(progId, GetLastError());
    const HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    DWORD written = 0;
    const bool saved = file != INVALID_HANDLE_VALUE &&
                       WriteFile(file, manifest.data(), static_cast<DWORD>(manifest.size()), &written, nullptr) &&
                       written == manifest.size();
    DWORD error = GetLastError();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    HANDLE context = INVALID_HANDLE_VALUE;
    if (saved) {
        ACTCTXW request{};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID;
        request.lpSource = path;
        request.lpAssemblyDirectory = moduleDirectory.c_str();
        context = CreateActCtxW(&request);
        error = GetLastError();
    }
    DeleteFileW(path);
    if (context == INVALID_HANDLE_VALUE) failToPublish(progId, error);
    return context;
}

ole::ObjectFactory factoryOf(const CLSID& clsid) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (auto it = r.classes.rbegin(); it != r.classes.rend(); ++it)
        if (it->clsid == clsid) return it->factory;
    return {};
}

}  // namespace

// What COM calls to get a class object from this module, for a context's class or the registry's.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    ole::ObjectFactory factory = factoryOf(clsid);
    if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
    try {
        return ole::makeClassFactory(std::move(factory))->QueryInterface(riid, object);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return ole::serverInUse() ? S_FALSE : S_OK;
}

namespace ole {

void serveClass(const CLSID& clsid, ObjectFactory factory) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.classes.push_back({r.nextCookie++, {}, clsid, std::move(factory)});
}

ClassRegistration registerClass(std::string_view progId, const CLSID& clsid, ObjectFactory factory) {
    const std::wstring module = thisModulePath();
    const std::size_t slash = module.find_last_of(L"\\/");
    const std::wstring directory = module.substr(0, slash + 1);
    const std::string moduleFile = utf8(module.substr(slash + 1));

    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    RegisteredClass added{r.nextCookie++, std::string(progId), clsid, std::move(factory), GetCurrentThreadId()};
    std::vector<const RegisteredClass*> threadClasses;
    for (const RegisteredClass& c : r.classes)
        if (c.thread == added.thread) threadClasses.push_back(&c);
    threadClasses.push_back(&added);

    added.context = createContext(progId, manifestFor(threadClasses, moduleFile), directory);
    if (!ActivateActCtx(added.context, &added.activation)) {
        const DWORD error = GetLastError();
        ReleaseActCtx(added.context);
        failToPublish(progId, error);
    }
    const unsigned long cookie = added.cookie;
    r.classes.push_back(std::move(added));
    return ClassRegistration(cookie);
}

void ClassRegistration::withdraw(unsigned long cookie) noexcept {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto it = std::find_if(r.classes.begin(), r.classes.end(),
                                 [cookie](const RegisteredClass& c) { return c.cookie == cookie; });
    if (it == r.classes.end()) return;
    DeactivateActCtx(0, it->activation);
    ReleaseActCtx(it->context);
    r.classes.erase(it);
}

}  // namespace ole
