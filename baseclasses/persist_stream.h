// IPersistStream with a versioned stream: 12 wide characters of decimal version number, then
// whatever the derived class writes.
#pragma once

#include <atomic>

#include "platform/platform.h"

class CPersistStream : public IPersistStream {
public:
    CPersistStream(IUnknown* outer, HRESULT* result);
    virtual ~CPersistStream() = default;

    // IPersistStream (the IUnknown and GetClassID come from the derived class)
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(IStream* stream) override;
    STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;

    // What a derived class overrides to persist data of its own.
    virtual DWORD GetSoftwareVersion();
    virtual int SizeMax();
    virtual HRESULT WriteToStream(IStream* stream);
    virtual HRESULT ReadFromStream(IStream* stream);

    HRESULT SetDirty(BOOL dirty);

protected:
    DWORD m_dwStreamVersion;    // version read by the last Load
    std::atomic<BOOL> m_bDirty; // set by settings calls on any thread
};

// Writes n as "%011d " (12 wide characters, no terminator).
HRESULT WriteTextInt(IStream* stream, int n);
// Reads an optionally signed decimal number ended by one space, tab, CR, LF or NUL. Anything
// else, and a stream that ends before the terminator, sets r to VFW_E_INVALID_FILE_FORMAT.
int ReadTextInt(IStream* stream, HRESULT& r);
