// An in-place filter with scripted hooks, and a fixture that connects it between two hand-made
// peers the way a graph would: input, output, then the input again with the output's type.
#pragma once

#include <gtest/gtest.h>

#include "framework_fakes.h"

namespace fakes {

class TestInPlace : public CTransInPlaceFilter {
public:
    explicit TestInPlace(bool altersData)
        : CTransInPlaceFilter(WSTR("TestInPlace"), nullptr, GUID_NULL, nullptr, altersData) {}

    HRESULT CheckInputType(const CMediaType* type) override {
        return type->majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override {
        m_set.push_back({direction, *type});
        return S_OK;
    }
    // Inverts every byte of the data, so a test can tell the transformed copy from the source.
    HRESULT Transform(IMediaSample* sample) override {
        ++m_transforms;
        m_transformed = sample;
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        for (LONG i = 0; i < sample->GetActualDataLength(); ++i)
            data[i] = static_cast<BYTE>(~data[i]);
        return m_transformResult;
    }
    HRESULT StartStreaming() override {
        ++m_starts;
        return m_startResult;
    }
    HRESULT StopStreaming() override {
        ++m_stops;
        return S_OK;
    }
    HRESULT AlterQuality(Quality q) override {
        ++m_qualityMessages;
        return m_alterQuality ? S_OK : CTransInPlaceFilter::AlterQuality(q);
    }

    IBaseFilter* Itf() { return static_cast<IBaseFilter*>(this); }
    CTransInPlaceInputPin* In() { return static_cast<CTransInPlaceInputPin*>(GetPin(0)); }
    CTransInPlaceOutputPin* Out() { return static_cast<CTransInPlaceOutputPin*>(GetPin(1)); }
    bool SampleDropped() const { return m_bSampleDropped; }

    struct Set {
        PIN_DIRECTION direction;
        CMediaType type;
    };
    std::vector<Set> m_set;
    int m_transforms = 0, m_starts = 0, m_stops = 0, m_qualityMessages = 0;
    IMediaSample* m_transformed = nullptr; // not counted
    HRESULT m_transformResult = S_OK;
    HRESULT m_startResult = S_OK;
    bool m_alterQuality = false;
};

class InPlaceTest : public ::testing::Test {
protected:
    void SetUp() override { Build(true); }
    void TearDown() override;

    void Build(bool altersData);
    // A video type with a small format block.
    static CMediaType Video(const GUID& sub = MEDIASUBTYPE_RGB24);
    // Upstream connects to the input pin and settles the input allocator.
    void ConnectInput(IMemAllocator* allocator, BOOL readOnly);
    // The output connects downstream, then the input is reconnected as the graph would, with
    // upstream's allocator choice: first the allocator the input offers, then upstream's own.
    void ConnectBoth(BOOL readOnly, bool downstreamSample2 = false);
    // A sample from upstream's allocator, with data 0, 1, 2, ...
    FakeSample* UpstreamSample(LONG length);

    TestInPlace* filter = nullptr;
    FakeGraph* graph = nullptr;
    FakePeerPin* upstream = nullptr;
    FakePeerPin* downstream = nullptr;
    FakeAllocator* upstreamAllocator = nullptr;
    FakeAllocator* downstreamAllocator = nullptr;
};

} // namespace fakes
