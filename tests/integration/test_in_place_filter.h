// An in-place filter for tests that writes into every frame (each byte + 1) and records which
// sample objects it was given.
#pragma once

#include <mutex>
#include <vector>

#include "baseclasses/streams.h"

class CTestInPlaceFilter : public CTransInPlaceFilter {
public:
    // A new filter with one reference, for the caller.
    static CTestInPlaceFilter* Create();

    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    HRESULT Transform(IMediaSample* sample) override;

    IBaseFilter* Itf() { return static_cast<IBaseFilter*>(this); }
    static BYTE Altered(BYTE original) { return static_cast<BYTE>(original + 1); }
    std::vector<IMediaSample*> Transformed(); // identities only

private:
    CTestInPlaceFilter();

    std::mutex m_mutex;
    std::vector<IMediaSample*> m_transformed;
};
