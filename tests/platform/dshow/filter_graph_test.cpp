#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/platform/dshow/test_graph_objects.h"

using dqtest::Log;
using dqtest::Ref;
using dqtest::TestFilter;

namespace {

class FilterGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IFilterGraph2, graph.outVoid()),
                  S_OK);
        ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, control.outVoid()), S_OK);
        ASSERT_EQ(graph->QueryInterface(IID_IMediaEvent, events.outVoid()), S_OK);
    }

    TestFilter* Add(const char* name, int inputs, int outputs) {
        auto* filter = TestFilter::Create(name, &log, inputs, outputs);
        std::u16string wide(name, name + std::char_traits<char>::length(name));
        EXPECT_EQ(graph->AddFilter(filter, wide.c_str()), S_OK);
        filters.emplace_back(filter);
        return filter;
    }

    // Src -> Mid -> Sink, added upstream first.
    void Chain() {
        src = Add("Src", 0, 1);
        mid = Add("Mid", 1, 1);
        sink = Add("Sink", 1, 0);
        ASSERT_EQ(graph->ConnectDirect(src->Pin("out"), mid->Pin("in"), nullptr), S_OK);
        ASSERT_EQ(graph->ConnectDirect(mid->Pin("out"), sink->Pin("in"), nullptr), S_OK);
        log.Clear();
    }

    std::vector<std::string> Calls(const char* suffix) {
        std::vector<std::string> out;
        for (const std::string& e : log.Entries())
            if (e.size() > strlen(suffix) &&
                e.compare(e.size() - strlen(suffix), std::string::npos, suffix) == 0)
                out.push_back(e);
        return out;
    }

    Log log;
    std::vector<Ref<TestFilter>> filters; // declared before the graph: released after it
    Ref<IFilterGraph2> graph;
    Ref<IMediaControl> control;
    Ref<IMediaEvent> events;
    TestFilter* src = nullptr;
    TestFilter* mid = nullptr;
    TestFilter* sink = nullptr;
};

TEST_F(FilterGraphTest, NamesAreUniqueAndFilterIsFoundJoinedAndReleased) {
    TestFilter* first = Add("Scope", 0, 0);
    auto* second = TestFilter::Create("Second", &log, 0, 0);
    filters.emplace_back(second);
    EXPECT_EQ(graph->AddFilter(second, u"Scope"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(second->JoinedName(), u"Scope 0001");
    EXPECT_EQ(graph->AddFilter(second, u"Other"), E_INVALIDARG); // already a member

    auto* unnamed = TestFilter::Create("Unnamed", &log, 0, 0);
    filters.emplace_back(unnamed);
    EXPECT_EQ(graph->AddFilter(unnamed, nullptr), S_OK);
    EXPECT_EQ(unnamed->JoinedName(), u"0001");
    EXPECT_EQ(first->Graph(), static_cast<IFilterGraph*>(graph.get()));

    Ref<IBaseFilter> found;
    ASSERT_EQ(graph->FindFilterByName(u"Scope 0001", found.out()), S_OK);
    EXPECT_EQ(found.get(), static_cast<IBaseFilter*>(second));
    IBaseFilter* missing = second;
    EXPECT_EQ(graph->FindFilterByName(u"scope", &missing), VFW_E_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);

    const LONG held = second->Refs();
    EXPECT_EQ(graph->RemoveFilter(second), S_OK);
    EXPECT_EQ(second->Refs(), held - 1);
    EXPECT_EQ(second->Graph(), nullptr);
    EXPECT_EQ(graph->RemoveFilter(second), VFW_E_NOT_FOUND);
    // The name is free again.
    EXPECT_EQ(graph->AddFilter(second, u"Scope"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(second->JoinedName(), u"Scope 0001");
}

TEST_F(FilterGraphTest, EnumeratorGoesOutOfSyncWhenTheGraphChanges) {
    Add("A", 0, 0);
    Add("B", 0, 0);
    Ref<IEnumFilters> e;
    ASSERT_EQ(graph->EnumFilters(e.out()), S_OK);
    IBaseFilter* got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(e->Next(3, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    got[0]->Release();
    got[1]->Release();

    Add("C", 0, 0);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(2), S_OK);
    Add("D", 0, 0);
    EXPECT_EQ(e->Next(1, got, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(4), S_OK);
    EXPECT_EQ(e->Next(1, got, nullptr), S_FALSE);
}

TEST_F(FilterGraphTest, ConnectDirectChecksMembershipAndDirection) {
    TestFilter* a = Add("A", 1, 1);
    TestFilter* b = Add("B", 1, 1);
    Ref<TestFilter> outsider(TestFilter::Create("X", &log, 1, 0));
    EXPECT_EQ(graph->ConnectDirect(a->Pin("out"), outsider->Pin("in"), nullptr),
              VFW_E_NOT_IN_GRAPH);
    EXPECT_EQ(graph->ConnectDirect(a->Pin("in"), b->Pin("in"), nullptr), VFW_E_INVALID_DIRECTION);

    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    ASSERT_EQ(graph->Connect(a->Pin("out"), b->Pin("in")), S_OK);
    EXPECT_EQ(a->Pin("out")->Peer(), static_cast<IPin*>(b->Pin("in")));
    EXPECT_EQ(graph->Disconnect(a->Pin("out")), S_OK);
    EXPECT_EQ(graph->Disconnect(b->Pin("in")), S_OK);
    ASSERT_EQ(graph->ConnectDirect(a->Pin("out"), b->Pin("in"), &type), S_OK);
    EXPECT_TRUE(IsEqualGUID(b->Pin("in")->Type().subtype, MEDIASUBTYPE_RGB24));

    // Removing a filter takes both ends of its connections apart.
    EXPECT_EQ(graph->RemoveFilter(b), S_OK);
    EXPECT_EQ(a->Pin("out")->Peer(), nullptr);
    EXPECT_EQ(b->Pin("in")->Peer(), nullptr);
}

TEST_F(FilterGraphTest, ReconnectionAskedDuringAConnectionRunsAfterIt) {
    src = Add("Src", 0, 1);
    mid = Add("Mid", 1, 1);
    sink = Add("Sink", 1, 0);
    ASSERT_EQ(graph->ConnectDirect(src->Pin("out"), mid->Pin("in"), nullptr), S_OK);
    AM_MEDIA_TYPE rgb32{};
    rgb32.majortype = MEDIATYPE_Video;
    rgb32.subtype = MEDIASUBTYPE_RGB32;
    HRESULT asked = E_FAIL;
    mid->Pin("out")->onConnected = [&] {
        asked = graph->ReconnectEx(mid->Pin("in"), &rgb32);
        return S_OK;
    };
    log.Clear();
    ASSERT_EQ(graph->ConnectDirect(mid->Pin("out"), sink->Pin("in"), nullptr), S_OK);
    EXPECT_EQ(asked, S_OK);

    const int connected = log.IndexOf("Mid.out:Connected");
    const int reconnect = log.IndexOf("Src.out:Connect");
    ASSERT_GE(connected, 0);
    ASSERT_GE(reconnect, 0);
    EXPECT_LT(connected, reconnect) << "the reconnection ran inside the connection";
    EXPECT_LT(log.IndexOf("Src.out:Disconnect"), reconnect);
    EXPECT_TRUE(IsEqualGUID(mid->Pin("in")->Type().subtype, MEDIASUBTYPE_RGB32));
    EXPECT_EQ(mid->Pin("in")->Peer(), static_cast<IPin*>(src->Pin("out")));

    // Outside any connection a reconnection runs at once.
    mid->Pin("out")->onConnected = nullptr;
    log.Clear();
    EXPECT_EQ(graph->Reconnect(mid->Pin("out")), S_OK);
    EXPECT_GE(log.IndexOf("Mid.out:Connected"), 0);
    EXPECT_EQ(graph->Reconnect(src->Pin("out")), S_OK);

    ASSERT_EQ(control->Pause(), S_OK);
    EXPECT_EQ(graph->Reconnect(mid->Pin("in")), VFW_E_WRONG_STATE);
    EXPECT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(graph->Disconnect(sink->Pin("in")), S_OK);
    EXPECT_EQ(graph->Reconnect(sink->Pin("in")), VFW_E_NOT_CONNECTED);
}

TEST_F(FilterGraphTest, ReconnectionAskedByAFailedConnectionIsDropped) {
    src = Add("Src", 0, 1);
    mid = Add("Mid", 1, 1);
    sink = Add("Sink", 1, 0);
    ASSERT_EQ(graph->ConnectDirect(src->Pin("out"), mid->Pin("in"), nullptr), S_OK);
    mid->Pin("out")->onConnected = [&] {
        EXPECT_EQ(graph->Reconnect(mid->Pin("in")), S_OK);
        return VFW_E_TYPE_NOT_ACCEPTED;
    };
    log.Clear();
    EXPECT_EQ(graph->ConnectDirect(mid->Pin("out"), sink->Pin("in"), nullptr),
              VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(log.IndexOf("Src.out:Connect"), -1);
    EXPECT_EQ(mid->Pin("in")->Peer(), static_cast<IPin*>(src->Pin("out")));
}

TEST_F(FilterGraphTest, FailedReconnectionRestoresThePreviousConnection) {
    Chain();
    mid->Pin("in")->refused = MEDIASUBTYPE_RGB32;
    AM_MEDIA_TYPE rgb32{};
    rgb32.majortype = MEDIATYPE_Video;
    rgb32.subtype = MEDIASUBTYPE_RGB32;
    EXPECT_EQ(graph->ReconnectEx(mid->Pin("in"), &rgb32), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(mid->Pin("in")->Peer(), static_cast<IPin*>(src->Pin("out")));
    EXPECT_EQ(src->Pin("out")->Peer(), static_cast<IPin*>(mid->Pin("in")));
    EXPECT_TRUE(IsEqualGUID(mid->Pin("in")->Type().subtype, GUID_NULL));
}

TEST_F(FilterGraphTest, StateChangesGoDownstreamFirst) {
    Chain();
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{"Sink:Pause", "Mid:Pause", "Src:Pause",
                                                       "Sink:Run", "Mid:Run", "Src:Run"}));
    // A clock was chosen on the way and every filter runs against one start time.
    ASSERT_NE(src->Clock(), nullptr);
    EXPECT_EQ(src->Clock(), sink->Clock());
    EXPECT_GT(src->RunStart(), 0);
    EXPECT_EQ(src->RunStart(), sink->RunStart());
    OAFilterState state = -1;
    EXPECT_EQ(control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);

    log.Clear();
    ASSERT_EQ(control->Pause(), S_OK);
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{"Sink:Pause", "Mid:Pause", "Src:Pause",
                                                       "Sink:Stop", "Mid:Stop", "Src:Stop"}));
}

TEST_F(FilterGraphTest, ResumedRunContinuesStreamTimeAndIntermediateStatesShow) {
    Chain();
    ASSERT_EQ(control->Run(), S_OK);
    const REFERENCE_TIME first = src->RunStart();
    ASSERT_EQ(control->Pause(), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_GT(src->RunStart(), first); // the paused time does not count as stream time
    EXPECT_EQ(Calls(":Pause").size(), 6u);

    ASSERT_EQ(control->Stop(), S_OK);
    sink->pauseResult = S_FALSE; // a renderer still waiting for data
    EXPECT_EQ(control->Pause(), S_FALSE);
    sink->stateResult = VFW_S_STATE_INTERMEDIATE;
    OAFilterState state = -1;
    EXPECT_EQ(control->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);
    EXPECT_EQ(state, State_Paused);
    EXPECT_EQ(control->GetState(0, nullptr), E_POINTER);
}

TEST_F(FilterGraphTest, FailedPauseStopsTheGraph) {
    Chain();
    mid->pauseResult = E_OUTOFMEMORY;
    EXPECT_EQ(control->Run(), E_OUTOFMEMORY);
    EXPECT_EQ(Calls(":Run").size(), 0u);
    EXPECT_EQ(Calls(":Stop").size(), 3u);
    OAFilterState state = -1;
    EXPECT_EQ(control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
}

TEST_F(FilterGraphTest, ClockGoesToFiltersAddedLater) {
    Ref<IMediaFilter> mediaFilter;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaFilter, mediaFilter.outVoid()), S_OK);
    ASSERT_EQ(graph->SetDefaultSyncSource(), S_OK);
    Ref<IReferenceClock> clock;
    ASSERT_EQ(mediaFilter->GetSyncSource(clock.out()), S_OK);
    ASSERT_NE(clock.get(), nullptr);
    TestFilter* late = Add("Late", 0, 0);
    EXPECT_EQ(late->Clock(), clock.get());
    // An explicit "no clock" is kept: the graph then runs unclocked.
    ASSERT_EQ(mediaFilter->SetSyncSource(nullptr), S_OK);
    EXPECT_EQ(late->Clock(), nullptr);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(late->Clock(), nullptr);
    EXPECT_EQ(late->RunStart(), 0);
    EXPECT_EQ(mediaFilter->SetSyncSource(clock.get()), VFW_E_NOT_STOPPED);
}

TEST_F(FilterGraphTest, EventsQueueAndCompletionWaitsForEveryRenderer) {
    src = Add("Src", 0, 2);
    TestFilter* left = Add("Left", 1, 0);
    TestFilter* right = Add("Right", 1, 0);
    ASSERT_EQ(graph->ConnectDirect(src->Pins()[0].get(), left->Pin("in"), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(src->Pins()[1].get(), right->Pin("in"), nullptr), S_OK);

    LONG code = -1;
    LONG_PTR p1 = -1, p2 = -1;
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
    EXPECT_EQ(events->WaitForCompletion(0, &code), VFW_E_WRONG_STATE);

    Ref<IMediaEventSink> sink;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaEventSink, sink.outVoid()), S_OK);
    EXPECT_EQ(sink->Notify(EC_USER + 1, 7, 8), S_OK);
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_USER + 1);
    EXPECT_EQ(p1, 7);
    EXPECT_EQ(p2, 8);
    EXPECT_EQ(events->FreeEventParams(code, p1, p2), S_OK);

    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_EQ(left->SendComplete(), S_OK);
    EXPECT_EQ(events->WaitForCompletion(0, &code), E_ABORT);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT); // a renderer's own is not passed on
    ASSERT_EQ(right->SendComplete(), S_OK);
    EXPECT_EQ(events->WaitForCompletion(0, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(p2, 0);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);

    // A new run needs every renderer again; with default handling cancelled each renderer's
    // event is passed on.
    ASSERT_EQ(control->Stop(), S_OK);
    ASSERT_EQ(events->CancelDefaultHandling(EC_COMPLETE), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_EQ(left->SendComplete(), S_OK);
    EXPECT_EQ(events->WaitForCompletion(0, &code), E_ABORT);
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(p2, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(left)));
}

TEST_F(FilterGraphTest, EventHandleIsSignalledWhileEventsWait) {
    OAEVENT handle = 0;
    ASSERT_EQ(events->GetEventHandle(&handle), S_OK);
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(handle), 0), WAIT_TIMEOUT);
    Ref<IMediaEventSink> sink;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaEventSink, sink.outVoid()), S_OK);
    sink->Notify(EC_USER, 0, 0);
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(handle), 0), WAIT_OBJECT_0);
    LONG code;
    LONG_PTR p1, p2;
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(handle), 0), WAIT_TIMEOUT);
}

} // namespace
