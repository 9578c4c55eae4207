// The reference-counted, aggregatable COM object base.
#pragma once

#include "baseclasses/base_object.h"
#include "baseclasses/guid_compare.h"

// The private unknown of an object. Its slots match IUnknown's, so a pointer to it can be
// handed out as an IUnknown and then reaches the non-delegating operations.
struct INonDelegatingUnknown {
    STDMETHOD(NonDelegatingQueryInterface)(REFIID riid, void** ppv) PURE;
    STDMETHOD_(ULONG, NonDelegatingAddRef)() PURE;
    STDMETHOD_(ULONG, NonDelegatingRelease)() PURE;
};

class CUnknown : public INonDelegatingUnknown, public CBaseObject {
public:
    CUnknown(LPCWSTR debugName, IUnknown* outer);
    virtual ~CUnknown() = default;

    IUnknown* GetOuterUnknown() const { return m_pOuterUnknown; }

    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
    STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

protected:
    // The object's own unknown, seen as an IUnknown.
    IUnknown* NonDelegatingUnknown() {
        return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this));
    }

private:
    IUnknown* const m_pOuterUnknown; // not counted

protected:
    // Open to objects that must detach from their peers before the last release destroys them.
    LONG volatile m_nRefCount;
};

// Stores pUnk in *ppv and adds a reference through pUnk itself.
HRESULT GetInterface(IUnknown* pUnk, void** ppv);

// The IUnknown of every interface a CUnknown-derived class exposes: all three go to the outer
// unknown, which is the object itself unless it is aggregated.
#define DECLARE_IUNKNOWN                                                                           \
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {                                \
        return GetOuterUnknown()->QueryInterface(riid, ppv);                                       \
    }                                                                                              \
    STDMETHODIMP_(ULONG) AddRef() override {                                                       \
        return GetOuterUnknown()->AddRef();                                                        \
    }                                                                                              \
    STDMETHODIMP_(ULONG) Release() override {                                                      \
        return GetOuterUnknown()->Release();                                                       \
    }
