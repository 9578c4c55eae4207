// A media sample over a plain buffer, for driving Transform without a graph.
#pragma once

#include <vector>

#include "platform/platform.h"

class TestSample : public IMediaSample {
public:
    TestSample(size_t size, LONG actual) : bytes(size), actualLength(actual) {}

    std::vector<BYTE> bytes;
    LONG actualLength;
    bool hasTime = true;
    REFERENCE_TIME start = 0, stop = 0;

    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetPointer(BYTE** buffer) override {
        *buffer = bytes.empty() ? nullptr : bytes.data();
        return S_OK;
    }
    STDMETHODIMP_(LONG) GetSize() override { return LONG(bytes.size()); }
    STDMETHODIMP GetTime(REFERENCE_TIME* s, REFERENCE_TIME* e) override {
        if (!hasTime)
            return VFW_E_SAMPLE_TIME_NOT_SET;
        *s = start;
        *e = stop;
        return S_OK;
    }
    STDMETHODIMP SetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return E_NOTIMPL; }
    STDMETHODIMP IsSyncPoint() override { return S_OK; }
    STDMETHODIMP SetSyncPoint(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP IsPreroll() override { return S_FALSE; }
    STDMETHODIMP SetPreroll(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP_(LONG) GetActualDataLength() override { return actualLength; }
    STDMETHODIMP SetActualDataLength(LONG n) override {
        actualLength = n;
        return S_OK;
    }
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** type) override {
        *type = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    STDMETHODIMP IsDiscontinuity() override { return S_FALSE; }
    STDMETHODIMP SetDiscontinuity(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetMediaTime(LONGLONG*, LONGLONG*) override { return VFW_E_MEDIA_TIME_NOT_SET; }
    STDMETHODIMP SetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
};
