// The reference count of the runtime's own COM objects (destroyed at the last Release), and
// the QueryInterface of those that answer a single interface.
#pragma once

#include "platform/linux/com/com_interfaces.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

template <typename Interface> class RefCounted : public Interface {
public:
    STDMETHODIMP_(ULONG) AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&m_refs));
    }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

protected:
    // An object handed out straight from new starts with that reference: 1.
    explicit RefCounted(LONG initialRefs = 0) : m_refs(initialRefs) {}
    virtual ~RefCounted() = default;

private:
    LONG m_refs;
};

// A runtime object that answers one interface besides IUnknown.
template <typename Interface, const IID& kIid>
class SingleInterfaceObject : public RefCounted<Interface> {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, kIid)) {
            *ppv = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

protected:
    using RefCounted<Interface>::RefCounted;
};

} // namespace dqplatform
