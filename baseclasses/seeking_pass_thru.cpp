#include "baseclasses/seeking_pass_thru.h"

HRESULT CreateSeekingPassThru(IUnknown* outer, BOOL renderer, IPin* pin, IUnknown** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    IUnknown* inner = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_SeekingPassThru, outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(&inner));
    if (FAILED(hr))
        return hr;
    // An interface of an aggregated object counts on the aggregator: this reference is the
    // outer object's and is given back at once.
    ISeekingPassThru* passThru = nullptr;
    hr = inner->QueryInterface(IID_ISeekingPassThru, reinterpret_cast<void**>(&passThru));
    if (FAILED(hr)) {
        inner->Release();
        return hr;
    }
    hr = passThru->Init(renderer, pin);
    passThru->Release();
    if (FAILED(hr)) {
        inner->Release();
        return hr;
    }
    *out = inner;
    return S_OK;
}
