#include "in_place_test.h"

namespace fakes {

void InPlaceTest::Build(bool altersData) {
    filter = new TestInPlace(altersData);
    filter->Itf()->AddRef();
    graph = new FakeGraph();
    filter->JoinFilterGraph(graph, WSTR("in place"));
    upstream = new FakePeerPin(PINDIR_OUTPUT);
    upstream->m_offered.push_back(Video());
    downstream = new FakePeerPin(PINDIR_INPUT);
    upstreamAllocator = new FakeAllocator();
    upstreamAllocator->m_props = {2, 64, 1, 0};
    downstreamAllocator = new FakeAllocator();
    downstream->SetAllocator(downstreamAllocator);
}

void InPlaceTest::TearDown() {
    filter->Stop();
    filter->Out()->Disconnect();
    filter->In()->Disconnect();
    filter->JoinFilterGraph(nullptr, nullptr);
    upstream->Release();
    downstream->Release();
    EXPECT_EQ(filter->Itf()->Release(), 0u);
    upstreamAllocator->Release();
    downstreamAllocator->Release();
    graph->Release();
}

CMediaType InPlaceTest::Video(const GUID& sub) {
    return MakeType(MEDIATYPE_Video, sub, FORMAT_VideoInfo, 8, 1);
}

void InPlaceTest::ConnectInput(IMemAllocator* allocator, BOOL readOnly) {
    CMediaType t = Video();
    ASSERT_EQ(filter->In()->ReceiveConnection(upstream, &t), S_OK);
    if (allocator != nullptr) {
        ASSERT_EQ(filter->In()->NotifyAllocator(allocator, readOnly), S_OK);
    }
}

void InPlaceTest::ConnectBoth(BOOL readOnly, bool downstreamSample2) {
    downstreamAllocator->m_sample2 = downstreamSample2;
    ConnectInput(upstreamAllocator, FALSE);
    ASSERT_EQ(filter->Out()->Connect(downstream, nullptr), S_OK);
    ASSERT_EQ(graph->m_reconnects.size(), 1u);
    ASSERT_EQ(graph->m_reconnects[0].pin, static_cast<IPin*>(filter->In()));

    // The graph reconnects the input with the output's type.
    ASSERT_EQ(filter->In()->Disconnect(), S_OK);
    CMediaType t = graph->m_reconnects[0].type;
    ASSERT_EQ(filter->In()->ReceiveConnection(upstream, &t), S_OK);
    IMemAllocator* offered = nullptr;
    ASSERT_EQ(filter->In()->GetAllocator(&offered), S_OK);
    ALLOCATOR_PROPERTIES want = {2, 64, 1, 0}, actual;
    offered->SetProperties(&want, &actual);
    const HRESULT hr = filter->In()->NotifyAllocator(offered, readOnly);
    offered->Release();
    if (FAILED(hr)) {
        ASSERT_TRUE(readOnly);
        ASSERT_EQ(hr, E_FAIL);
        ASSERT_EQ(filter->In()->NotifyAllocator(upstreamAllocator, readOnly), S_OK);
    }
}

FakeSample* InPlaceTest::UpstreamSample(LONG length) {
    auto* s = new FakeSample(64, false);
    for (size_t i = 0; i < s->m_buffer.size(); ++i)
        s->m_buffer[i] = static_cast<BYTE>(i);
    s->m_actual = length;
    s->m_times = TimeMode::Both;
    s->m_start = 1000;
    s->m_stop = 2000;
    s->m_sync = true;
    s->m_mediaTimes = true;
    s->m_mediaStart = 7;
    s->m_mediaStop = 8;
    return s;
}

} // namespace fakes
