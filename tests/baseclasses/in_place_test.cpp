// The transform and in-place transform filters: pins, reconnection, the allocator protocol, the
// receive path with its copy, state changes, flushes and quality messages.
#include "in_place_test.h"

#include <string>

using fakes::FakeAllocator;
using fakes::FakeGraph;
using fakes::FakePeerPin;
using fakes::FakeSample;
using fakes::InPlaceTest;
using fakes::TestInPlace;
using fakes::TimeMode;

TEST_F(InPlaceTest, PinsComeAsAPairNamedAndFoundByTheirIds) {
    auto* fresh = new TestInPlace(true);
    fresh->Itf()->AddRef();
    EXPECT_EQ(fresh->GetPinCount(), 2);
    EXPECT_EQ(fresh->GetPin(2), nullptr);
    EXPECT_EQ(fresh->GetPin(-1), nullptr);
    ASSERT_NE(fresh->InputPin(), nullptr); // made by the first GetPin, whatever the index
    ASSERT_NE(fresh->OutputPin(), nullptr);
    PIN_INFO info;
    ASSERT_EQ(fresh->GetPin(1)->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(std::basic_string<WCHAR>(info.achName), WSTR("Output"));
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);
    info.pFilter->Release();

    IPin* pin = nullptr;
    EXPECT_EQ(fresh->FindPin(WSTR("In"), &pin), S_OK);
    EXPECT_EQ(pin, static_cast<IPin*>(fresh->GetPin(0)));
    LPWSTR id = nullptr;
    ASSERT_EQ(pin->QueryId(&id), S_OK);
    EXPECT_EQ(std::basic_string<WCHAR>(id), WSTR("In"));
    CoTaskMemFree(id);
    pin->Release();
    EXPECT_EQ(fresh->FindPin(WSTR("Out"), &pin), S_OK);
    pin->Release();
    for (const WCHAR* wrong : {WSTR("in"), WSTR("Input"), WSTR("")}) {
        pin = reinterpret_cast<IPin*>(1);
        EXPECT_EQ(fresh->FindPin(wrong, &pin), VFW_E_NOT_FOUND);
        EXPECT_EQ(pin, nullptr);
    }
    EXPECT_EQ(fresh->FindPin(WSTR("In"), nullptr), E_POINTER);
    EXPECT_EQ(fresh->Itf()->Release(), 0u);
}

TEST_F(InPlaceTest, TheOutputConnectsOnlyAfterTheInput) {
    CMediaType t = Video();
    EXPECT_EQ(filter->Out()->Connect(downstream, &t), E_UNEXPECTED);
    IEnumMediaTypes* types = nullptr;
    EXPECT_EQ(filter->Out()->EnumMediaTypes(&types), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(filter->In()->EnumMediaTypes(&types), VFW_E_NOT_CONNECTED);
}

TEST_F(InPlaceTest, OutsideAGraphNeitherPinCompletesAConnection) {
    filter->JoinFilterGraph(nullptr, nullptr);
    CMediaType t = Video();
    EXPECT_EQ(filter->In()->ReceiveConnection(upstream, &t), VFW_E_NOT_IN_GRAPH);
    EXPECT_FALSE(filter->In()->IsConnected());
}

TEST_F(InPlaceTest, ConnectingTheOutputReconnectsTheInputWithTheOutputsType) {
    ConnectInput(upstreamAllocator, FALSE);
    ASSERT_EQ(filter->m_set.size(), 1u);
    EXPECT_EQ(filter->m_set[0].direction, PINDIR_INPUT);

    // The output offers what upstream offers; downstream's own types come first.
    downstream->m_offered.push_back(Video(MEDIASUBTYPE_RGB32));
    downstream->m_accept = [](const AM_MEDIA_TYPE* t) {
        return t->subtype == MEDIASUBTYPE_RGB24 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    };
    ASSERT_EQ(filter->Out()->Connect(downstream, nullptr), S_OK);
    ASSERT_EQ(downstream->m_proposed.size(), 2u);
    EXPECT_EQ(downstream->m_proposed[0].subtype, MEDIASUBTYPE_RGB32);
    EXPECT_EQ(filter->m_set.back().direction, PINDIR_OUTPUT);

    // Sized from the input allocator, and the input asked to reconnect with the output's type.
    EXPECT_EQ(downstreamAllocator->m_props.cBuffers, 2);
    EXPECT_EQ(downstreamAllocator->m_props.cbBuffer, 64);
    ASSERT_EQ(graph->m_reconnects.size(), 1u);
    EXPECT_EQ(graph->m_reconnects[0].pin, static_cast<IPin*>(filter->In()));
    EXPECT_TRUE(graph->m_reconnects[0].type == filter->Out()->CurrentMediaType());

    // Now the input offers downstream's types and checks proposals with downstream too.
    IEnumMediaTypes* types = nullptr;
    ASSERT_EQ(filter->In()->EnumMediaTypes(&types), S_OK);
    AM_MEDIA_TYPE* got = nullptr;
    ASSERT_EQ(types->Next(1, &got, nullptr), S_OK);
    EXPECT_EQ(got->subtype, MEDIASUBTYPE_RGB32);
    DestroyMediaType(got);
    types->Release();
    CMediaType rgb32 = Video(MEDIASUBTYPE_RGB32);
    EXPECT_EQ(filter->In()->QueryAccept(&rgb32), S_FALSE);
    ALLOCATOR_PROPERTIES props;
    EXPECT_EQ(filter->In()->GetAllocatorRequirements(&props), E_NOTIMPL);
    downstream->m_hasRequirements = true;
    downstream->m_requirements = {4, 10, 16, 0};
    EXPECT_EQ(filter->In()->GetAllocatorRequirements(&props), S_OK);
    EXPECT_EQ(props.cbAlign, 16);
}

TEST_F(InPlaceTest, ReconnectingTheInputWithAnotherTypeAsksForTheOutputToo) {
    ConnectInput(upstreamAllocator, FALSE);
    ASSERT_EQ(filter->Out()->Connect(downstream, nullptr), S_OK);
    ASSERT_EQ(filter->In()->Disconnect(), S_OK);
    CMediaType same = filter->Out()->CurrentMediaType();
    ASSERT_EQ(filter->In()->ReceiveConnection(upstream, &same), S_OK);
    EXPECT_EQ(graph->m_reconnects.size(), 1u);

    ASSERT_EQ(filter->In()->Disconnect(), S_OK);
    CMediaType other = Video(MEDIASUBTYPE_RGB32);
    ASSERT_EQ(filter->In()->ReceiveConnection(upstream, &other), S_OK);
    ASSERT_EQ(graph->m_reconnects.size(), 2u);
    EXPECT_EQ(graph->m_reconnects[1].pin, static_cast<IPin*>(filter->Out()));
    EXPECT_EQ(graph->m_reconnects[1].type.subtype, MEDIASUBTYPE_RGB32);
}

TEST_F(InPlaceTest, AWritableUpstreamAllocatorIsSharedAndTheSameSampleGoesOn) {
    ConnectBoth(FALSE);
    EXPECT_FALSE(filter->AllocatorsDiffer());
    EXPECT_EQ(filter->In()->InputAllocator(), downstreamAllocator);
    EXPECT_EQ(downstream->m_notified, downstreamAllocator);
    EXPECT_EQ(downstream->m_notifiedReadOnly, FALSE);

    ASSERT_EQ(filter->Run(0), S_OK);
    FakeSample* sample = UpstreamSample(10);
    EXPECT_EQ(filter->In()->Receive(sample), S_OK);
    EXPECT_EQ(filter->m_transformed, static_cast<IMediaSample*>(sample));
    ASSERT_EQ(downstream->m_received.size(), 1u);
    EXPECT_EQ(downstream->m_received[0], static_cast<IMediaSample*>(sample));
    EXPECT_EQ(sample->m_buffer[3], BYTE(~3));
    EXPECT_EQ(downstreamAllocator->m_getBufferCalls, 0);
    sample->Release();
}

TEST_F(InPlaceTest, ReadOnlyBuffersAreCopiedWithTheirTimesFlagsAndData) {
    for (bool sample2 : {false, true}) {
        SCOPED_TRACE(sample2 ? "destination with IMediaSample2" : "plain destination");
        TearDown();
        Build(true);
        ConnectBoth(TRUE, sample2);
        EXPECT_TRUE(filter->AllocatorsDiffer());
        EXPECT_EQ(filter->In()->InputAllocator(), upstreamAllocator);
        EXPECT_EQ(downstream->m_notified, downstreamAllocator);
        EXPECT_EQ(downstream->m_notifiedReadOnly, FALSE);
        EXPECT_GE(downstreamAllocator->m_props.cbBuffer, 64);
        EXPECT_GE(downstreamAllocator->m_props.cBuffers, 2);

        ASSERT_EQ(filter->Run(0), S_OK);
        FakeSample* sample = UpstreamSample(10);
        EXPECT_EQ(filter->In()->Receive(sample), S_OK);
        ASSERT_EQ(downstream->m_received.size(), 1u);
        auto* copy = static_cast<FakeSample*>(downstream->m_received[0]);
        EXPECT_NE(copy, sample);
        EXPECT_EQ(filter->m_transformed, static_cast<IMediaSample*>(copy));
        EXPECT_EQ(copy->m_actual, 10);
        EXPECT_EQ(copy->m_buffer[3], BYTE(~3));
        EXPECT_EQ(sample->m_buffer[3], 3); // the read-only source is untouched
        EXPECT_EQ(copy->m_times, TimeMode::Both);
        EXPECT_EQ(copy->m_start, 1000);
        EXPECT_EQ(copy->m_stop, 2000);
        EXPECT_TRUE(copy->m_sync);
        EXPECT_FALSE(copy->m_discontinuity);
        EXPECT_TRUE(copy->m_mediaTimes);
        EXPECT_EQ(copy->m_mediaStart, 7);
        EXPECT_EQ(copy->Refs(), 1); // only downstream's: the filter gave its copy back
        sample->Release();
    }
}

TEST_F(InPlaceTest, AFilterThatDoesNotWriteSharesReadOnlyBuffers) {
    TearDown();
    Build(false);
    ConnectBoth(TRUE);
    EXPECT_FALSE(filter->AllocatorsDiffer());
    EXPECT_EQ(downstream->m_notified, downstreamAllocator);
    EXPECT_EQ(downstream->m_notifiedReadOnly, TRUE);
}

TEST_F(InPlaceTest, DroppedSamplesSendOneQualityEventPerPauseAndMarkTheNextCopy) {
    ConnectBoth(TRUE);
    ASSERT_EQ(filter->Run(0), S_OK);
    FakeSample* sample = UpstreamSample(10);
    filter->m_transformResult = S_FALSE;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(filter->In()->Receive(sample), S_OK);
    EXPECT_TRUE(downstream->m_received.empty());
    EXPECT_EQ(graph->CountEvents(EC_QUALITY_CHANGE), 1);

    filter->m_transformResult = S_OK;
    EXPECT_EQ(filter->In()->Receive(sample), S_OK);
    EXPECT_EQ(downstreamAllocator->m_lastFlags, DWORD(AM_GBF_PREVFRAMESKIPPED));
    ASSERT_EQ(downstream->m_received.size(), 1u);
    EXPECT_TRUE(static_cast<FakeSample*>(downstream->m_received[0])->m_discontinuity);
    EXPECT_FALSE(filter->SampleDropped());
    EXPECT_EQ(filter->In()->Receive(sample), S_OK);
    EXPECT_EQ(downstreamAllocator->m_lastFlags, 0u);

    // After a pause the event may be sent again.
    ASSERT_EQ(filter->Pause(), S_OK);
    filter->m_transformResult = S_FALSE;
    EXPECT_EQ(filter->In()->Receive(sample), S_OK);
    EXPECT_EQ(graph->CountEvents(EC_QUALITY_CHANGE), 2);

    // Any other success code of Transform is returned and nothing is delivered.
    filter->m_transformResult = static_cast<HRESULT>(2);
    EXPECT_EQ(filter->In()->Receive(sample), static_cast<HRESULT>(2));
    EXPECT_EQ(downstream->m_received.size(), 2u);
    sample->Release();
}

TEST_F(InPlaceTest, NonMediaStreamSamplesPassUntouched) {
    ConnectBoth(TRUE);
    ASSERT_EQ(filter->Run(0), S_OK);
    auto* control = new FakeSample(8, true);
    control->m_streamId = AM_STREAM_CONTROL;
    EXPECT_EQ(filter->In()->Receive(control), S_OK);
    EXPECT_EQ(filter->m_transforms, 0);
    ASSERT_EQ(downstream->m_received.size(), 1u);
    EXPECT_EQ(downstream->m_received[0], static_cast<IMediaSample*>(control));
    control->Release();
}

TEST_F(InPlaceTest, ACopyThatCannotBeMadeOrWouldNotFitFailsBeforeTransform) {
    ConnectBoth(TRUE);
    ASSERT_EQ(filter->Run(0), S_OK);
    FakeSample* sample = UpstreamSample(10);
    downstreamAllocator->m_getBufferResult = VFW_E_NOT_COMMITTED;
    EXPECT_EQ(filter->In()->Receive(sample), E_UNEXPECTED);
    downstreamAllocator->m_getBufferResult = S_OK;
    sample->Release();

    // Longer than the downstream buffers (64 bytes): refused, nothing written past them.
    auto* big = new FakeSample(200, false);
    big->m_actual = 200;
    EXPECT_EQ(filter->In()->Receive(big), E_UNEXPECTED);
    EXPECT_EQ(filter->m_transforms, 0);
    EXPECT_TRUE(downstream->m_received.empty());
    big->Release();
}

TEST_F(InPlaceTest, AStartTimeAloneIsNotCopied) {
    ConnectBoth(TRUE);
    ASSERT_EQ(filter->Run(0), S_OK);
    FakeSample* sample = UpstreamSample(4);
    sample->m_times = TimeMode::StartOnly;
    EXPECT_EQ(filter->In()->Receive(sample), S_OK);
    EXPECT_FALSE(downstreamAllocator->m_lastHadTimes);
    ASSERT_EQ(downstream->m_received.size(), 1u);
    EXPECT_EQ(static_cast<FakeSample*>(downstream->m_received[0])->m_times, TimeMode::None);
    sample->Release();
}

TEST_F(InPlaceTest, WhileCopyingAndActiveTheOutputTypeCannotChange) {
    ConnectBoth(TRUE);
    CMediaType other = Video(MEDIASUBTYPE_RGB32);
    CMediaType same = filter->Out()->CurrentMediaType();
    EXPECT_EQ(filter->Out()->QueryAccept(&other), S_OK); // stopped: upstream is asked
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(filter->Out()->QueryAccept(&other), S_FALSE);
    EXPECT_EQ(filter->Out()->QueryAccept(&same), S_OK);
}

TEST_F(InPlaceTest, SamplesAreRefusedUnlessConnectedRunningAndNotFlushing) {
    ConnectInput(upstreamAllocator, FALSE);
    FakeSample* sample = UpstreamSample(4);
    EXPECT_EQ(filter->In()->Receive(sample), VFW_E_NOT_CONNECTED);
    ASSERT_EQ(filter->Out()->Connect(downstream, nullptr), S_OK);
    EXPECT_EQ(filter->In()->Receive(sample), VFW_E_WRONG_STATE);
    EXPECT_EQ(filter->In()->EndOfStream(), VFW_E_WRONG_STATE);
    ASSERT_EQ(filter->Pause(), S_OK);

    EXPECT_EQ(filter->In()->BeginFlush(), S_OK);
    EXPECT_EQ(downstream->m_beginFlushes, 1);
    EXPECT_EQ(filter->In()->Receive(sample), S_FALSE);
    EXPECT_EQ(filter->In()->EndOfStream(), S_FALSE);
    EXPECT_EQ(downstream->m_endOfStreams, 0);
    EXPECT_EQ(filter->m_transforms, 0);
    EXPECT_EQ(filter->In()->EndFlush(), S_OK);
    EXPECT_EQ(downstream->m_endFlushes, 1);

    EXPECT_EQ(filter->In()->NewSegment(500, 900, 1.0), S_OK);
    EXPECT_EQ(filter->In()->CurrentStartTime(), 500);
    EXPECT_EQ(downstream->m_segmentStart, 500);
    EXPECT_EQ(filter->In()->EndOfStream(), S_OK);
    EXPECT_EQ(downstream->m_endOfStreams, 1);
    sample->Release();
}

TEST_F(InPlaceTest, FlushingNeedsBothConnections) {
    EXPECT_EQ(filter->In()->BeginFlush(), VFW_E_NOT_CONNECTED);
    ConnectInput(upstreamAllocator, FALSE);
    EXPECT_EQ(filter->In()->BeginFlush(), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(filter->In()->EndFlush(), VFW_E_NOT_CONNECTED);
}

TEST_F(InPlaceTest, StreamingHooksRunOncePerStopToPauseCycle) {
    ConnectInput(upstreamAllocator, FALSE);
    ASSERT_EQ(filter->Pause(), S_OK); // output unconnected: no hook, no pin
    EXPECT_EQ(filter->m_starts, 0);
    ASSERT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(filter->m_stops, 0);

    ASSERT_EQ(filter->Out()->Connect(downstream, nullptr), S_OK);
    ASSERT_EQ(filter->Run(0), S_OK);
    EXPECT_EQ(filter->m_starts, 1);
    EXPECT_EQ(downstreamAllocator->m_commits, 1);
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(filter->m_starts, 1);
    ASSERT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(filter->m_stops, 1);
    EXPECT_GE(upstreamAllocator->m_decommits, 1); // the input pin was deactivated too

    filter->m_startResult = E_OUTOFMEMORY;
    EXPECT_EQ(filter->Pause(), E_OUTOFMEMORY);
    EXPECT_TRUE(filter->IsStopped());
    EXPECT_EQ(downstreamAllocator->m_commits, 1);
}

TEST_F(InPlaceTest, AnUnconnectedInputSendsEndOfStreamOncePerStopToPauseCycle) {
    ConnectBoth(FALSE);
    ASSERT_EQ(filter->In()->Disconnect(), S_OK);
    ASSERT_EQ(filter->Pause(), S_OK);
    ASSERT_EQ(filter->Run(0), S_OK);
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(downstream->m_endOfStreams, 1);
    EXPECT_EQ(filter->m_starts, 0);
    ASSERT_EQ(filter->Stop(), S_OK);
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(downstream->m_endOfStreams, 2);
}

TEST_F(InPlaceTest, QualityMessagesTheFilterDoesNotHandleGoUpstream) {
    ConnectBoth(FALSE);
    Quality q = {Flood, 500, -20, 30};
    EXPECT_EQ(filter->Out()->Notify(nullptr, q), S_OK);
    EXPECT_EQ(filter->m_qualityMessages, 1);
    ASSERT_EQ(upstream->m_quality.size(), 1u);
    EXPECT_EQ(upstream->m_quality[0].Late, -20);

    filter->m_alterQuality = true;
    EXPECT_EQ(filter->Out()->Notify(nullptr, q), S_OK);
    EXPECT_EQ(upstream->m_quality.size(), 1u);
}

TEST_F(InPlaceTest, OutputBuffersMustBeAtLeastWhatTheInputHas) {
    ConnectInput(upstreamAllocator, FALSE);
    downstreamAllocator->m_maxBufferSize = 32; // grants less than the 64 bytes upstream has
    ALLOCATOR_PROPERTIES props = {};
    EXPECT_EQ(filter->DecideBufferSize(downstreamAllocator, &props), E_FAIL);
    downstreamAllocator->m_maxBufferSize = 0;
    props = {0, 0, 0, 8};
    EXPECT_EQ(filter->DecideBufferSize(downstreamAllocator, &props), S_OK);
    EXPECT_EQ(props.cbPrefix, 8); // left as the caller gave it
    downstreamAllocator->m_setPropertiesResult = VFW_E_BADALIGN;
    EXPECT_EQ(filter->DecideBufferSize(downstreamAllocator, &props), VFW_E_BADALIGN);
}

TEST_F(InPlaceTest, AnInputWithoutAllocatorSizesTheOutputLikeAnUnconnectedOne) {
    ConnectInput(nullptr, FALSE);
    ASSERT_EQ(filter->Out()->Connect(downstream, nullptr), S_OK);
    EXPECT_EQ(downstreamAllocator->m_props.cBuffers, 1);
    EXPECT_EQ(downstreamAllocator->m_props.cbBuffer, 1);
    EXPECT_EQ(downstreamAllocator->m_props.cbAlign, 1);
}

TEST_F(InPlaceTest, AnUnacceptableTypeChangeEndsTheStreamDownstreamAndAbortsUntilAFlush) {
    ConnectBoth(FALSE);
    ASSERT_EQ(filter->Run(0), S_OK);
    FakeSample* sample = UpstreamSample(4);
    CMediaType notVideo = fakes::MakeType(FORMAT_None, GUID_NULL); // any major type but video
    sample->SetMediaType(&notVideo);
    EXPECT_EQ(filter->In()->Receive(sample), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(downstream->m_endOfStreams, 1);
    EXPECT_EQ(graph->CountEvents(EC_ERRORABORT), 1);
    EXPECT_EQ(filter->m_transforms, 0);

    sample->SetMediaType(nullptr);
    EXPECT_EQ(filter->In()->Receive(sample), VFW_E_RUNTIME_ERROR);
    EXPECT_EQ(filter->In()->EndOfStream(), VFW_E_RUNTIME_ERROR);
    EXPECT_EQ(downstream->m_endOfStreams, 1);
    ASSERT_EQ(filter->In()->BeginFlush(), S_OK);
    ASSERT_EQ(filter->In()->EndFlush(), S_OK);
    EXPECT_EQ(filter->In()->Receive(sample), S_OK);
    EXPECT_EQ(downstream->m_received.size(), 1u);
    sample->Release();
}
