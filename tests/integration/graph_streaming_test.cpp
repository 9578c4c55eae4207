// The in-place transform filter in a real graph, built and driven only through the interfaces a
// host uses: a push source with its own streaming thread, the filter, and a sink.
#include <gtest/gtest.h>

#include "test_in_place_filter.h"
#include "test_push_source.h"
#include "test_sink.h"

namespace {

// Generous: the stream finishes in milliseconds; this only keeps a broken build from hanging.
constexpr LONG kCompletionTimeoutMs = 120000;

IPin* FindPin(IBaseFilter* filter, const WCHAR* id) {
    IPin* pin = nullptr;
    EXPECT_EQ(filter->FindPin(id, &pin), S_OK);
    return pin;
}

// source -> in-place filter -> sink, connected by the graph manager.
class Graph {
public:
    explicit Graph(const CTestPushSource::Options& options) {
        source = CTestPushSource::Create(options);
        filter = CTestInPlaceFilter::Create();
        sink = CTestSink::Create();
        EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, reinterpret_cast<void**>(&builder)),
                  S_OK);
        EXPECT_EQ(builder->AddFilter(source->Itf(), WSTR("Source")), S_OK);
        EXPECT_EQ(builder->AddFilter(filter->Itf(), WSTR("In place")), S_OK);
        EXPECT_EQ(builder->AddFilter(sink->Itf(), WSTR("Sink")), S_OK);

        IPin* sourceOut = FindPin(source->Itf(), WSTR("Out"));
        IPin* filterIn = FindPin(filter->Itf(), WSTR("In"));
        IPin* filterOut = FindPin(filter->Itf(), WSTR("Out"));
        IPin* sinkIn = FindPin(sink->Itf(), WSTR("In"));
        connected = builder->Connect(sourceOut, filterIn) == S_OK &&
                    builder->Connect(filterOut, sinkIn) == S_OK;
        for (IPin* pin : {sourceOut, filterIn, filterOut, sinkIn})
            pin->Release();

        builder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
        builder->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events));
    }
    ~Graph() {
        control->Stop();
        control->Release();
        events->Release();
        builder->Release();
        source->Itf()->Release();
        filter->Itf()->Release();
        sink->Itf()->Release();
    }

    // Runs the stream to its end; the graph must report completion.
    void RunToCompletion() {
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        LONG code = 0;
        ASSERT_EQ(events->WaitForCompletion(kCompletionTimeoutMs, &code), S_OK);
        EXPECT_EQ(code, EC_COMPLETE);
    }

    IMemAllocator* SourceAllocator() { return source->OutputPin()->OutputAllocator(); }
    IMemAllocator* SinkAllocator() { return sink->InputPin()->InputAllocator(); }

    CTestPushSource* source = nullptr;
    CTestInPlaceFilter* filter = nullptr;
    CTestSink* sink = nullptr;
    IGraphBuilder* builder = nullptr;
    IMediaControl* control = nullptr;
    IMediaEvent* events = nullptr;
    bool connected = false;
};

CTestPushSource::Options Frames(int frames, bool readOnly = false) {
    CTestPushSource::Options options;
    options.frames = frames;
    options.readOnly = readOnly;
    return options;
}

// The frame's data as the sink must see it: the source's pattern, altered by the filter.
void ExpectAlteredFrame(const CTestSink::Received& got, int frame, LONG bytes) {
    ASSERT_EQ(static_cast<LONG>(got.data.size()), bytes);
    for (LONG i = 0; i < bytes; ++i) {
        ASSERT_EQ(got.data[i], CTestInPlaceFilter::Altered(CTestPushSource::Pattern(frame, i)))
            << "frame " << frame << " byte " << i;
    }
}

} // namespace

TEST(GraphStreaming, WritableBuffersShareOneAllocatorAndEachSampleGoesThroughUncopied) {
    Graph graph(Frames(50));
    ASSERT_TRUE(graph.connected);
    IMemAllocator* shared = graph.SourceAllocator();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(graph.SinkAllocator(), shared);
    EXPECT_FALSE(graph.filter->AllocatorsDiffer());

    graph.RunToCompletion();
    const auto deliveries = graph.source->Deliveries();
    const auto received = graph.sink->Samples();
    const auto transformed = graph.filter->Transformed();
    ASSERT_EQ(deliveries.size(), 50u);
    ASSERT_EQ(received.size(), 50u);
    ASSERT_EQ(transformed.size(), 50u);
    for (size_t i = 0; i < received.size(); ++i) {
        EXPECT_EQ(deliveries[i].result, S_OK);
        EXPECT_EQ(received[i].sample, deliveries[i].sample) << "frame " << i;
        EXPECT_EQ(transformed[i], deliveries[i].sample) << "frame " << i;
        EXPECT_FALSE(deliveries[i].bufferIntact); // altered where it lay
        ExpectAlteredFrame(received[i], static_cast<int>(i), graph.source->FrameBytes());
    }
}

TEST(GraphStreaming, ReadOnlyBuffersAreCopiedIntoTheDownstreamAllocatorIntact) {
    Graph graph(Frames(50, true));
    ASSERT_TRUE(graph.connected);
    ASSERT_NE(graph.SourceAllocator(), nullptr);
    EXPECT_NE(graph.SinkAllocator(), graph.SourceAllocator());
    EXPECT_TRUE(graph.filter->AllocatorsDiffer());

    graph.RunToCompletion();
    const auto deliveries = graph.source->Deliveries();
    const auto received = graph.sink->Samples();
    ASSERT_EQ(deliveries.size(), 50u);
    ASSERT_EQ(received.size(), 50u);
    const REFERENCE_TIME duration = graph.source->GetOptions().frameDuration;
    for (size_t i = 0; i < received.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "frame " << i);
        EXPECT_EQ(deliveries[i].result, S_OK);
        EXPECT_TRUE(deliveries[i].bufferIntact); // the read-only buffer was not written
        EXPECT_NE(received[i].sample, deliveries[i].sample);
        ExpectAlteredFrame(received[i], static_cast<int>(i), graph.source->FrameBytes());
        EXPECT_TRUE(received[i].timeValid);
        EXPECT_EQ(received[i].start, static_cast<REFERENCE_TIME>(i) * duration);
        EXPECT_EQ(received[i].stop, static_cast<REFERENCE_TIME>(i + 1) * duration);
        EXPECT_TRUE(received[i].syncPoint);
        EXPECT_EQ(received[i].discontinuity, i == 0);
    }
}

TEST(GraphStreaming, AThousandFramesArriveInOrderWithTheirTimesAndTheGraphCompletes) {
    Graph graph(Frames(1000));
    ASSERT_TRUE(graph.connected);
    graph.RunToCompletion();
    const auto received = graph.sink->Samples();
    ASSERT_EQ(received.size(), 1000u);
    const REFERENCE_TIME duration = graph.source->GetOptions().frameDuration;
    for (size_t i = 0; i < received.size(); ++i) {
        ASSERT_TRUE(received[i].timeValid);
        ASSERT_EQ(received[i].start, static_cast<REFERENCE_TIME>(i) * duration) << "frame " << i;
        ASSERT_EQ(received[i].data[0],
                  CTestInPlaceFilter::Altered(CTestPushSource::Pattern(static_cast<int>(i), 0)));
    }
    EXPECT_EQ(graph.sink->EndOfStreams(), 1);
    EXPECT_EQ(graph.sink->SegmentStart(), 0);
}

TEST(GraphStreaming, StoppingWhileStreamingAlwaysReturnsAndTheNextRunStartsAfresh) {
    for (bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "copying" : "in place");
        Graph graph(Frames(1000000, readOnly));
        ASSERT_TRUE(graph.connected);
        for (int round = 0; round < 40; ++round) {
            graph.sink->Clear();
            ASSERT_TRUE(SUCCEEDED(graph.control->Run()));
            graph.sink->WaitForSamples(3);
            ASSERT_EQ(graph.control->Stop(), S_OK);
            EXPECT_FALSE(graph.source->IsStreaming());
            OAFilterState state = State_Running;
            EXPECT_EQ(graph.control->GetState(0, &state), S_OK);
            EXPECT_EQ(state, State_Stopped);
            const auto received = graph.sink->Samples();
            ASSERT_GE(received.size(), 3u);
            for (size_t i = 0; i < received.size(); ++i) // each run starts again at frame 0
                ASSERT_EQ(received[i].start, static_cast<REFERENCE_TIME>(i) *
                                                 graph.source->GetOptions().frameDuration);
        }
    }
}

TEST(GraphStreaming, FlushingDropsTheSamplesInBetweenAndTheStreamThenCompletes) {
    CTestPushSource::Options options = Frames(40);
    options.holdAt = 10;
    Graph graph(options);
    ASSERT_TRUE(graph.connected);
    ASSERT_TRUE(SUCCEEDED(graph.control->Run()));

    graph.source->WaitUntilHeld(); // frames 0..9 delivered
    EXPECT_EQ(graph.source->DeliverBeginFlush(), S_OK);
    graph.source->HoldAt(15);
    graph.source->WaitUntilHeld(); // frames 10..14 sent into the flush
    EXPECT_EQ(graph.source->DeliverEndFlush(), S_OK);
    graph.source->HoldAt(-1);
    LONG code = 0;
    ASSERT_EQ(graph.events->WaitForCompletion(kCompletionTimeoutMs, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);

    const auto deliveries = graph.source->Deliveries();
    ASSERT_EQ(deliveries.size(), 40u);
    for (const auto& d : deliveries)
        EXPECT_EQ(d.result, d.frame >= 10 && d.frame < 15 ? S_FALSE : S_OK) << "frame " << d.frame;
    const auto received = graph.sink->Samples();
    ASSERT_EQ(received.size(), 35u);
    const REFERENCE_TIME duration = graph.source->GetOptions().frameDuration;
    for (size_t i = 0; i < received.size(); ++i) {
        const int frame = static_cast<int>(i < 10 ? i : i + 5);
        EXPECT_EQ(received[i].start, frame * duration);
        ExpectAlteredFrame(received[i], frame, graph.source->FrameBytes());
    }
    EXPECT_EQ(graph.sink->BeginFlushes(), 1);
    EXPECT_EQ(graph.sink->EndFlushes(), 1);
    EXPECT_EQ(graph.sink->EndOfStreams(), 1);
    EXPECT_TRUE(graph.filter->Transformed().size() == 35u);
}

TEST(GraphStreaming, TheOutputPinAnswersSeekingThroughOnePassThrough) {
    Graph graph(Frames(1));
    ASSERT_TRUE(graph.connected);
    IPin* out = FindPin(graph.filter->Itf(), WSTR("Out"));
    IMediaSeeking* first = nullptr;
    IMediaSeeking* second = nullptr;
    ASSERT_EQ(out->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&first)), S_OK);
    ASSERT_EQ(out->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&second)), S_OK);
    EXPECT_EQ(first, second);
    // Aggregated: it answers for the pin.
    IPin* back = nullptr;
    ASSERT_EQ(first->QueryInterface(IID_IPin, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back, out);
    back->Release();
    first->Release();
    second->Release();
    out->Release();
}
