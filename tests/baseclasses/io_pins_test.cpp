// The output pin's allocator choice and delivery, the input pin's transport checks.
#include <gtest/gtest.h>

#include "framework_fakes.h"

using fakes::FakeAllocator;
using fakes::FakeGraph;
using fakes::FakePeerPin;
using fakes::FakeSample;
using fakes::MakeType;

namespace {

class IoFilter;

class ScriptedOutputPin : public CBaseOutputPin {
public:
    ScriptedOutputPin(CBaseFilter* filter, CSectionLock* lock)
        : CBaseOutputPin(WSTR("out"), filter, lock, nullptr, WSTR("Out")) {}
    HRESULT VerifyMediaType(const CMediaType*) override { return S_OK; }
    HRESULT DecideBufferSize(IMemAllocator* a, ALLOCATOR_PROPERTIES* request) override {
        m_requests.push_back(*request);
        m_decided.push_back(a);
        request->cBuffers = 3; // what the first decision changes, the second one sees
        if (m_refuse.size() >= m_decided.size() && m_refuse[m_decided.size() - 1])
            return E_FAIL;
        ALLOCATOR_PROPERTIES actual;
        return a->SetProperties(request, &actual);
    }
    HRESULT CreateOwnAllocator(IMemAllocator** out) override {
        *out = m_own;
        if (m_own == nullptr)
            return E_OUTOFMEMORY;
        m_own->AddRef();
        return S_OK;
    }
    STDMETHODIMP QueryId(LPWSTR* id) override { return AllocWideString(WSTR("Out"), id); }
    STDMETHODIMP Notify(IBaseFilter*, Quality) override { return S_OK; }

    std::vector<ALLOCATOR_PROPERTIES> m_requests;
    std::vector<IMemAllocator*> m_decided;
    std::vector<bool> m_refuse;
    IMemAllocator* m_own = nullptr; // not counted
};

class ScriptedInputPin : public CBaseInputPin {
public:
    ScriptedInputPin(CBaseFilter* filter, CSectionLock* lock)
        : CBaseInputPin(WSTR("in"), filter, lock, nullptr, WSTR("In")) {}
    HRESULT VerifyMediaType(const CMediaType* t) override {
        return t->subtype == MEDIASUBTYPE_RGB24 ? S_OK : S_FALSE;
    }
    HRESULT ReadyToReceive() override {
        if (m_bInFlush)
            return S_FALSE;
        return m_bStreamError ? VFW_E_RUNTIME_ERROR : S_OK;
    }
    STDMETHODIMP Receive(IMediaSample* s) override {
        ++m_receives;
        const HRESULT hr = CBaseInputPin::Receive(s);
        return hr == S_OK && m_receives == m_refuseAt ? S_FALSE : hr;
    }
    STDMETHODIMP QueryId(LPWSTR* id) override { return AllocWideString(WSTR("In"), id); }
    STDMETHODIMP EndOfStream() override {
        ++m_endOfStreams;
        return S_OK;
    }
    bool StreamError() const { return m_bStreamError; }

    int m_receives = 0, m_refuseAt = 0, m_endOfStreams = 0;
};

class IoFilter : public CBaseFilter {
public:
    IoFilter()
        : CBaseFilter(WSTR("io"), nullptr, &m_lock, GUID_NULL), out(this, &m_lock),
          in(this, &m_lock) {}
    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override {
        return n == 0 ? static_cast<CBasePin*>(&in) : n == 1 ? &out : nullptr;
    }
    CSectionLock m_lock;
    ScriptedOutputPin out;
    ScriptedInputPin in;
};

class IoPinsTest : public ::testing::Test {
protected:
    void SetUp() override {
        filter = new IoFilter();
        static_cast<IBaseFilter*>(filter)->AddRef();
        graph = new FakeGraph();
        filter->JoinFilterGraph(graph, WSTR("io"));
        downstream = new FakePeerPin(PINDIR_INPUT);
        upstream = new FakePeerPin(PINDIR_OUTPUT);
        peerAllocator = new FakeAllocator();
        ownAllocator = new FakeAllocator();
        filter->out.m_own = ownAllocator;
    }
    void TearDown() override {
        filter->Stop();
        filter->out.Disconnect();
        filter->in.Disconnect();
        filter->JoinFilterGraph(nullptr, nullptr);
        downstream->Release();
        upstream->Release();
        static_cast<IBaseFilter*>(filter)->Release();
        peerAllocator->Release();
        ownAllocator->Release();
        graph->Release();
    }
    HRESULT ConnectOutput() {
        CMediaType t = MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_None);
        return filter->out.Connect(downstream, &t);
    }
    HRESULT ConnectInput() {
        CMediaType t = MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_None);
        return filter->in.ReceiveConnection(upstream, &t);
    }

    IoFilter* filter = nullptr;
    FakeGraph* graph = nullptr;
    FakePeerPin* downstream = nullptr;
    FakePeerPin* upstream = nullptr;
    FakeAllocator* peerAllocator = nullptr;
    FakeAllocator* ownAllocator = nullptr;
};

} // namespace

TEST_F(IoPinsTest, ThePeersAllocatorComesFirst) {
    downstream->SetAllocator(peerAllocator);
    ASSERT_EQ(ConnectOutput(), S_OK);
    EXPECT_EQ(filter->out.OutputAllocator(), peerAllocator);
    EXPECT_EQ(downstream->m_notified, peerAllocator);
    EXPECT_EQ(downstream->m_notifiedReadOnly, FALSE);
    // No requirements from the peer: zeros with alignment 1.
    ASSERT_EQ(filter->out.m_requests.size(), 1u);
    EXPECT_EQ(filter->out.m_requests[0].cBuffers, 0);
    EXPECT_EQ(filter->out.m_requests[0].cbBuffer, 0);
    EXPECT_EQ(filter->out.m_requests[0].cbAlign, 1);

    EXPECT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(peerAllocator->m_commits, 1);
    EXPECT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(peerAllocator->m_decommits, 1);
}

TEST_F(IoPinsTest, ARefusedPeerAllocatorFallsBackToTheOwnWithTheSameProperties) {
    downstream->SetAllocator(peerAllocator);
    downstream->m_hasRequirements = true;
    downstream->m_requirements = {2, 100, 0, 0};
    filter->out.m_refuse = {true};
    ASSERT_EQ(ConnectOutput(), S_OK);
    ASSERT_EQ(filter->out.m_decided.size(), 2u);
    EXPECT_EQ(filter->out.m_decided[1], ownAllocator);
    EXPECT_EQ(filter->out.m_requests[1].cBuffers, 3);
    EXPECT_EQ(filter->out.m_requests[1].cbBuffer, 100);
    EXPECT_EQ(filter->out.OutputAllocator(), ownAllocator);
    EXPECT_EQ(downstream->m_notified, ownAllocator);
    EXPECT_EQ(peerAllocator->Refs(), 2); // held by the peer only
}

TEST_F(IoPinsTest, WhenBothAllocatorsFailTheLastFailureIsReturnedAndNothingIsHeld) {
    filter->out.m_own = nullptr; // the peer has none, and creating one fails
    EXPECT_EQ(ConnectOutput(), E_OUTOFMEMORY);
    EXPECT_EQ(filter->out.OutputAllocator(), nullptr);
    EXPECT_FALSE(filter->out.IsConnected());

    filter->out.m_own = ownAllocator;
    filter->out.m_refuse = {true, true};
    filter->out.m_decided.clear();
    EXPECT_EQ(ConnectOutput(), E_FAIL);
    EXPECT_EQ(ownAllocator->Refs(), 1);
    EXPECT_EQ(filter->out.PeerInputPin(), nullptr);
}

TEST_F(IoPinsTest, DeliveryNeedsAConnection) {
    auto* sample = new FakeSample(16, false);
    EXPECT_EQ(filter->out.DeliverSample(sample), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(sample->Refs(), 1);
    EXPECT_EQ(filter->out.SendEndOfStream(), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(filter->out.SendBeginFlush(), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(filter->out.SendNewSegment(0, 1, 1.0), VFW_E_NOT_CONNECTED);
    IMediaSample* got = nullptr;
    EXPECT_EQ(filter->out.GetDeliverySample(&got, nullptr, nullptr, 0), E_NOINTERFACE);
    EXPECT_EQ(filter->out.BecomeActive(), VFW_E_NO_ALLOCATOR);
    EXPECT_EQ(filter->out.EndOfStream(), E_UNEXPECTED);
    EXPECT_EQ(filter->out.BeginFlush(), E_UNEXPECTED);

    downstream->SetAllocator(peerAllocator);
    ASSERT_EQ(ConnectOutput(), S_OK);
    EXPECT_EQ(filter->out.DeliverSample(sample), S_OK);
    EXPECT_EQ(filter->out.SendEndOfStream(), S_OK);
    EXPECT_EQ(filter->out.SendNewSegment(7, 8, 1.0), S_OK);
    EXPECT_EQ(downstream->m_received.size(), 1u);
    EXPECT_EQ(downstream->m_endOfStreams, 1);
    EXPECT_EQ(downstream->m_segmentStart, 7);
    sample->Release();
}

TEST_F(IoPinsTest, AFailingDecommitKeepsTheConnection) {
    downstream->SetAllocator(peerAllocator);
    ASSERT_EQ(ConnectOutput(), S_OK);
    peerAllocator->m_decommitResult = E_FAIL;
    EXPECT_EQ(filter->out.Disconnect(), E_FAIL);
    EXPECT_TRUE(filter->out.IsConnected());
    peerAllocator->m_decommitResult = S_OK;
    EXPECT_EQ(filter->out.Disconnect(), S_OK);
    EXPECT_EQ(filter->out.OutputAllocator(), nullptr);
}

TEST_F(IoPinsTest, InputAllocatorNotificationKeepsTheHeldAllocatorAlive) {
    EXPECT_EQ(filter->in.NotifyAllocator(nullptr, FALSE), E_POINTER);
    EXPECT_EQ(filter->in.NotifyAllocator(peerAllocator, TRUE), S_OK);
    EXPECT_EQ(filter->in.NotifyAllocator(peerAllocator, FALSE), S_OK);
    EXPECT_EQ(peerAllocator->Refs(), 2);
    EXPECT_FALSE(filter->in.IsReadOnly());
    IMemAllocator* got = nullptr;
    EXPECT_EQ(filter->in.GetAllocator(&got), S_OK);
    EXPECT_EQ(got, peerAllocator);
    got->Release();
    ALLOCATOR_PROPERTIES props;
    EXPECT_EQ(filter->in.GetAllocatorRequirements(&props), E_NOTIMPL);
}

TEST_F(IoPinsTest, ReceiveRecordsPropertiesAndRefusesAnUnacceptableTypeChangeUntilEndFlush) {
    ASSERT_EQ(ConnectInput(), S_OK);
    auto* sample = new FakeSample(32, false);
    sample->m_actual = 20;
    sample->m_times = fakes::TimeMode::Both;
    sample->m_start = 100;
    sample->m_stop = 200;
    sample->m_sync = true;
    EXPECT_EQ(filter->in.Receive(sample), S_OK);
    const AM_SAMPLE2_PROPERTIES* props = filter->in.LastSampleProps();
    EXPECT_EQ(props->dwSampleFlags,
              DWORD(AM_SAMPLE_SPLICEPOINT | AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID));
    EXPECT_EQ(props->lActual, 20);
    EXPECT_EQ(props->cbBuffer, 32);
    EXPECT_EQ(props->tStart, 100);
    EXPECT_EQ(props->pbBuffer, sample->m_buffer.data());

    CMediaType good = MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24);
    sample->SetMediaType(&good);
    EXPECT_EQ(filter->in.Receive(sample), S_OK);

    CMediaType bad = MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32);
    sample->SetMediaType(&bad);
    EXPECT_EQ(filter->in.Receive(sample), VFW_E_INVALIDMEDIATYPE);
    EXPECT_TRUE(filter->in.StreamError());
    EXPECT_EQ(filter->in.m_endOfStreams, 1);
    EXPECT_EQ(graph->CountEvents(EC_ERRORABORT), 1);
    EXPECT_EQ(filter->in.Receive(sample), VFW_E_RUNTIME_ERROR);
    EXPECT_EQ(graph->CountEvents(EC_ERRORABORT), 1);

    sample->SetMediaType(nullptr);
    EXPECT_EQ(filter->in.BeginFlush(), S_OK);
    EXPECT_EQ(filter->in.Receive(sample), S_FALSE);
    EXPECT_EQ(filter->in.EndFlush(), S_OK);
    EXPECT_EQ(filter->in.Receive(sample), S_OK);
    EXPECT_EQ(filter->in.Receive(nullptr), E_POINTER);
    EXPECT_EQ(sample->Refs(), 1); // the pin keeps no reference
    sample->Release();
}

TEST_F(IoPinsTest, ReceiveTakesTheSecondSampleInterfacesPropertiesWhole) {
    ASSERT_EQ(ConnectInput(), S_OK);
    auto* sample = new FakeSample(8, true);
    sample->m_streamId = 5;
    sample->m_preroll = true;
    EXPECT_EQ(filter->in.Receive(sample), S_OK);
    EXPECT_EQ(filter->in.LastSampleProps()->dwStreamId, 5u);
    EXPECT_EQ(filter->in.LastSampleProps()->dwSampleFlags, DWORD(AM_SAMPLE_PREROLL));
    sample->Release();
}

TEST_F(IoPinsTest, ReceiveMultipleStopsAtTheFirstAnswerOtherThanOk) {
    ASSERT_EQ(ConnectInput(), S_OK);
    IMediaSample* samples[3] = {new FakeSample(4, false), new FakeSample(4, false),
                                new FakeSample(4, false)};
    filter->in.m_refuseAt = 2;
    LONG done = -1;
    EXPECT_EQ(filter->in.ReceiveMultiple(samples, 3, &done), S_FALSE);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(filter->in.ReceiveMultiple(nullptr, 3, &done), E_POINTER);
    for (IMediaSample* s : samples)
        s->Release();
}

TEST_F(IoPinsTest, ReceiveCanBlockAsksTheConnectedDownstreamPins) {
    EXPECT_EQ(filter->in.ReceiveCanBlock(), S_OK); // no connected output
    downstream->SetAllocator(peerAllocator);
    ASSERT_EQ(ConnectOutput(), S_OK);
    downstream->m_canBlock = S_FALSE;
    EXPECT_EQ(filter->in.ReceiveCanBlock(), S_FALSE);
    downstream->m_canBlock = S_OK;
    EXPECT_EQ(filter->in.ReceiveCanBlock(), S_OK);
}

TEST_F(IoPinsTest, QualityGoesToTheSinkElseUpstream) {
    Quality q = {Famine, 800, 10, 20};
    EXPECT_EQ(filter->in.ForwardQualityNotice(q), VFW_E_NOT_FOUND);
    ASSERT_EQ(ConnectInput(), S_OK);
    EXPECT_EQ(filter->in.ForwardQualityNotice(q), S_OK);
    ASSERT_EQ(upstream->m_quality.size(), 1u);
    EXPECT_EQ(upstream->m_quality[0].Proportion, 800);
    EXPECT_EQ(upstream->m_qualitySender, static_cast<IBaseFilter*>(filter));

    auto* sink = new FakePeerPin(PINDIR_OUTPUT);
    filter->in.SetSink(sink);
    EXPECT_EQ(filter->in.ForwardQualityNotice(q), S_OK);
    EXPECT_EQ(sink->m_quality.size(), 1u);
    EXPECT_EQ(upstream->m_quality.size(), 1u);
    filter->in.SetSink(nullptr);
    sink->Release();

    upstream->m_qualityControl = false;
    EXPECT_EQ(filter->in.ForwardQualityNotice(q), VFW_E_NOT_FOUND);
    EXPECT_EQ(filter->in.Notify(nullptr, q), E_POINTER);
}
