// The reference count of the runtime's own COM objects: destroyed at the last Release.
#pragma once

#include "platform/linux/com/com_interfaces.h"
#include "platform/linux/kernel/kernel.h"

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

} // namespace dqplatform
