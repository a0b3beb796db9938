#include "ole/ComRuntime.h"
#include "ole/ClassRegistry.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

// ---- BSTR -----------------------------------------------------------------------------------------
// Laid out as COM lays it out: a 32-bit byte count, the characters, a terminating zero; the BSTR
// points at the first character.

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    const std::size_t bytes = static_cast<std::size_t>(length) * sizeof(OLECHAR);
    if (bytes > 0x7FFFFFF0u) return nullptr;
    auto* block = static_cast<char*>(std::malloc(sizeof(std::uint32_t) + bytes + sizeof(OLECHAR)));
    if (!block) return nullptr;
    const auto byteCount = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &byteCount, sizeof byteCount);
    auto* chars = reinterpret_cast<OLECHAR*>(block + sizeof(std::uint32_t));
    if (text && length) std::memcpy(chars, text, bytes);
    else if (length) std::memset(chars, 0, bytes);
    chars[length] = 0;
    return chars;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    UINT length = 0;
    while (text[length]) ++length;
    return SysAllocStringLen(text, length);
}

UINT SysStringLen(BSTR text) {
    if (!text) return 0;
    std::uint32_t byteCount;
    std::memcpy(&byteCount, reinterpret_cast<char*>(text) - sizeof byteCount, sizeof byteCount);
    return byteCount / sizeof(OLECHAR);
}

void SysFreeString(BSTR text) {
    if (text) std::free(reinterpret_cast<char*>(text) - sizeof(std::uint32_t));
}

// ---- VARIANT --------------------------------------------------------------------------------------

void VariantInit(VARIANT* v) {
    std::memset(v, 0, sizeof *v);
    v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v) {
    if (!v) return E_INVALIDARG;
    switch (v->vt) {
    case VT_BSTR: SysFreeString(v->bstrVal); break;
    case VT_DISPATCH:
        if (v->pdispVal) v->pdispVal->Release();
        break;
    case VT_UNKNOWN:
        if (v->punkVal) v->punkVal->Release();
        break;
    default: break;
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* destination, const VARIANT* source) {
    if (!destination || !source) return E_INVALIDARG;
    if (destination == source) return S_OK;
    VARIANT copy = *source;
    switch (source->vt) {
    case VT_BSTR:
        if (source->bstrVal) {
            copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
            if (!copy.bstrVal) return E_OUTOFMEMORY;
        }
        break;
    case VT_DISPATCH:
        if (source->pdispVal) source->pdispVal->AddRef();
        break;
    case VT_UNKNOWN:
        if (source->punkVal) source->punkVal->AddRef();
        break;
    default: break;
    }
    VariantClear(destination);
    *destination = copy;
    return S_OK;
}

// ---- Apartments and the class registry ------------------------------------------------------------

namespace {

thread_local int t_apartmentDepth = 0;

struct RegisteredClass {
    unsigned long cookie;
    std::u16string progId;
    CLSID clsid;
    ole::ObjectFactory factory;
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

std::u16string widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

}  // namespace

HRESULT CoInitialize(void*) { return t_apartmentDepth++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
    if (t_apartmentDepth > 0) --t_apartmentDepth;
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
    if (!progId || !clsid) return E_INVALIDARG;
    const std::u16string wanted(progId);
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (auto it = r.classes.rbegin(); it != r.classes.rend(); ++it)
        if (it->progId == wanted) {
            *clsid = it->clsid;
            return S_OK;
        }
    return CO_E_CLASSSTRING;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (t_apartmentDepth == 0) return CO_E_NOTINITIALIZED;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!(context & (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER))) return REGDB_E_CLASSNOTREG;
    ole::ObjectFactory factory;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (auto it = r.classes.rbegin(); it != r.classes.rend() && !factory; ++it)
            if (it->clsid == clsid) factory = it->factory;
    }
    if (!factory) return REGDB_E_CLASSNOTREG;
    try {
        return factory(riid, object);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return CO_E_SERVER_EXEC_FAILURE;
    }
}

namespace ole {

ClassRegistration registerClass(std::string_view progId, const CLSID& clsid, ObjectFactory factory) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const unsigned long cookie = r.nextCookie++;
    r.classes.push_back({cookie, widen(progId), clsid, std::move(factory)});
    return ClassRegistration(cookie);
}

void ClassRegistration::withdraw(unsigned long cookie) noexcept {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::erase_if(r.classes, [cookie](const RegisteredClass& c) { return c.cookie == cookie; });
}

}  // namespace ole
