// A class of ours that implements one COM interface (Windows): IUnknown's three members, written
// once. Made with a reference count of one, to be adopted by a ComPtr or handed to COM.
#pragma once

#include "ole/ComPtr.h"

#include <atomic>

namespace ole {

template <class Interface, const IID& InterfaceId>
class ComObject : public Interface {
public:
    virtual ~ComObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, InterfaceId)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_references;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<ULONG> m_references{1};
};

}  // namespace ole
