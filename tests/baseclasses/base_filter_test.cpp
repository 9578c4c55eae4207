#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework_fakes.h"
#include "test_filter.h"

using fakes::FakeClock;
using fakes::FakeGraph;
using fakes::FakePeerPin;
using fakes::TestFilter;
using fakes::TestPin;
using ::testing::_;
using ::testing::InSequence;
using ::testing::Return;

namespace {

class BaseFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        filter = new TestFilter();
        filter->Itf()->AddRef();
    }
    void TearDown() override {
        if (filter != nullptr)
            filter->Itf()->Release();
    }
    // Connects pin to a fresh peer of the other direction (held by the pin).
    void Connect(TestPin* pin) {
        auto* peer =
            new FakePeerPin(pin->GetDirection() == PINDIR_INPUT ? PINDIR_OUTPUT : PINDIR_INPUT);
        CMediaType t = fakes::MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_None);
        ASSERT_EQ(pin->Connect(peer, &t), S_OK);
        peer->Release();
    }

    TestFilter* filter = nullptr;
};

} // namespace

TEST_F(BaseFilterTest, RunFromStoppedPausesThroughTheDerivedFilterThenRunsConnectedPinsOnly) {
    TestPin* connected = filter->AddPin(WSTR("A"), PINDIR_OUTPUT);
    TestPin* loose = filter->AddPin(WSTR("B"), PINDIR_INPUT);
    Connect(connected);

    EXPECT_EQ(filter->Run(500), S_OK);
    EXPECT_EQ(filter->m_pauses, 1);
    EXPECT_EQ(connected->m_activations, 1);
    ASSERT_EQ(connected->m_runStarts.size(), 1u);
    EXPECT_EQ(connected->m_runStarts[0], 500);
    EXPECT_EQ(loose->m_activations, 0);
    EXPECT_TRUE(loose->m_runStarts.empty());
    FILTER_STATE state = State_Stopped;
    EXPECT_EQ(filter->GetState(INFINITE, &state), S_OK);
    EXPECT_EQ(state, State_Running);

    // Running again only moves the start time.
    EXPECT_EQ(filter->Run(900), S_OK);
    EXPECT_EQ(connected->m_runStarts.size(), 1u);
    EXPECT_EQ(filter->m_pauses, 1);

    EXPECT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(connected->m_deactivations, 1);
    EXPECT_EQ(loose->m_deactivations, 0);
    EXPECT_EQ(connected->Disconnect(), S_OK);
}

TEST_F(BaseFilterTest, AFailingPinLeavesTheStateAndAMissingPinIsSkipped) {
    TestPin* pin = filter->AddPin(WSTR("A"), PINDIR_OUTPUT);
    filter->m_missingPins = 2;
    Connect(pin);
    pin->m_activateResult = E_OUTOFMEMORY;
    EXPECT_EQ(filter->Pause(), E_OUTOFMEMORY);
    EXPECT_TRUE(filter->IsStopped());

    pin->m_activateResult = S_OK;
    pin->m_runResult = E_FAIL;
    EXPECT_EQ(filter->Run(0), E_FAIL);
    EXPECT_EQ(filter->State(), State_Paused);
    pin->m_runResult = S_OK;
    EXPECT_EQ(filter->Run(0), S_OK);
    filter->Stop();
    pin->Disconnect();
}

TEST_F(BaseFilterTest, KeepsTheClockAliveWhenSetAgainAndComputesStreamTime) {
    auto* clock = new FakeClock();
    CRefTime t;
    EXPECT_EQ(filter->StreamTime(t), VFW_E_NO_CLOCK);
    EXPECT_EQ(filter->SetSyncSource(clock), S_OK);
    EXPECT_EQ(filter->SetSyncSource(clock), S_OK);
    EXPECT_EQ(clock->Refs(), 2);

    clock->m_now = 5000000;
    filter->Run(2000000);
    EXPECT_EQ(filter->StreamTime(t), S_OK);
    EXPECT_EQ(static_cast<REFERENCE_TIME>(t), 3000000);
    clock->m_result = E_FAIL;
    EXPECT_EQ(filter->StreamTime(t), E_FAIL);

    IReferenceClock* got = nullptr;
    EXPECT_EQ(filter->GetSyncSource(&got), S_OK);
    EXPECT_EQ(got, clock);
    got->Release();
    EXPECT_EQ(filter->SetSyncSource(nullptr), S_OK);
    EXPECT_EQ(clock->Refs(), 1);
    EXPECT_EQ(filter->GetSyncSource(&got), S_OK);
    EXPECT_EQ(got, nullptr);
    clock->Release();
}

TEST_F(BaseFilterTest, JoinsAGraphWithoutCountingItAndReportsTruncatedName) {
    auto* graph = new FakeGraph();
    std::u16string longName(200, u'x');
    for (size_t i = 0; i < longName.size(); ++i)
        longName[i] = static_cast<char16_t>(u'a' + i % 26);
    std::basic_string<WCHAR> name(longName.begin(), longName.end());
    EXPECT_EQ(filter->JoinFilterGraph(graph, name.c_str()), S_OK);
    EXPECT_EQ(graph->Refs(), 1);

    FILTER_INFO info;
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, static_cast<IFilterGraph*>(graph));
    EXPECT_EQ(graph->Refs(), 2);
    info.pGraph->Release();
    EXPECT_EQ(std::basic_string<WCHAR>(info.achName), name.substr(0, 127));

    // EC_COMPLETE always names the filter itself.
    EXPECT_EQ(filter->SendGraphEvent(EC_COMPLETE, S_OK, 1234), S_OK);
    ASSERT_EQ(graph->m_events.size(), 1u);
    EXPECT_EQ(graph->m_events[0].param2, reinterpret_cast<LONG_PTR>(filter->Itf()));

    EXPECT_EQ(filter->JoinFilterGraph(nullptr, nullptr), S_OK);
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr);
    EXPECT_EQ(info.achName[0], 0);
    EXPECT_EQ(filter->SendGraphEvent(EC_COMPLETE, S_OK, 0), E_NOTIMPL);
    graph->Release();
}

TEST_F(BaseFilterTest, AGraphWithoutEventSinkGetsNoEventsAndReconnectsAsItCan) {
    CMediaType t = fakes::MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(filter->RequestReconnect(nullptr, &t), E_NOINTERFACE);

    auto* graph = new FakeGraph();
    graph->m_withEventSink = false;
    graph->m_withGraph2 = false;
    filter->JoinFilterGraph(graph, WSTR("f"));
    EXPECT_EQ(filter->SendGraphEvent(EC_COMPLETE, S_OK, 0), E_NOTIMPL);
    EXPECT_EQ(filter->RequestReconnect(nullptr, &t), S_OK);
    ASSERT_EQ(graph->m_reconnects.size(), 1u);
    EXPECT_FALSE(graph->m_reconnects[0].hadType);

    graph->m_withGraph2 = true;
    EXPECT_EQ(filter->RequestReconnect(nullptr, &t), S_OK);
    ASSERT_EQ(graph->m_reconnects.size(), 2u);
    EXPECT_TRUE(graph->m_reconnects[1].hadType);
    EXPECT_TRUE(graph->m_reconnects[1].type == t);
    filter->JoinFilterGraph(nullptr, nullptr);
    graph->Release();
}

TEST_F(BaseFilterTest, AnswersItsInterfacesAndTheNullChecks) {
    void* p = nullptr;
    EXPECT_EQ(filter->QueryInterface(IID_IMediaFilter, &p), S_OK);
    EXPECT_EQ(p, static_cast<void*>(filter->Itf()));
    filter->Release();
    EXPECT_EQ(filter->QueryInterface(IID_IAMovieSetup, &p), S_OK);
    filter->Release();
    EXPECT_EQ(filter->QueryInterface(IID_IPin, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(filter->GetState(0, nullptr), E_POINTER);
    EXPECT_EQ(filter->GetSyncSource(nullptr), E_POINTER);
    EXPECT_EQ(filter->EnumPins(nullptr), E_POINTER);
    EXPECT_EQ(filter->QueryFilterInfo(nullptr), E_POINTER);
    LPWSTR vendor = nullptr;
    EXPECT_EQ(filter->QueryVendorInfo(&vendor), E_NOTIMPL);
    EXPECT_EQ(filter->Register(), S_FALSE); // no setup data
    EXPECT_EQ(filter->Unregister(), S_FALSE);
}

namespace {

class MockMapper : public IFilterMapper {
public:
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    MOCK_METHOD(HRESULT, RegisterFilter, (CLSID, LPCWSTR, DWORD), (override));
    MOCK_METHOD(HRESULT, RegisterFilterInstance, (CLSID, LPCWSTR, CLSID*), (override));
    MOCK_METHOD(HRESULT, RegisterPin, (CLSID, LPCWSTR, BOOL, BOOL, BOOL, BOOL, CLSID, LPCWSTR),
                (override));
    MOCK_METHOD(HRESULT, RegisterPinType, (CLSID, LPCWSTR, CLSID, CLSID), (override));
    MOCK_METHOD(HRESULT, UnregisterFilter, (CLSID), (override));
    MOCK_METHOD(HRESULT, UnregisterFilterInstance, (CLSID), (override));
    MOCK_METHOD(HRESULT, UnregisterPin, (CLSID, LPCWSTR), (override));
    MOCK_METHOD(HRESULT, EnumMatchingFilters,
                (IEnumRegFilters**, DWORD, BOOL, CLSID, CLSID, BOOL, BOOL, CLSID, CLSID),
                (override));
};

DQ_DEFINE_GUID(CLSID_TestSetup, 0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55,
               0x55, 0x55);
const AMOVIESETUP_MEDIATYPE kTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24}};
const AMOVIESETUP_PIN kPins[] = {{const_cast<LPWSTR>(WSTR("Input")), FALSE, FALSE, FALSE, FALSE,
                                  &GUID_NULL, WSTR("Output"), 1, kTypes},
                                 {const_cast<LPWSTR>(WSTR("Output")), FALSE, TRUE, FALSE, FALSE,
                                  &GUID_NULL, WSTR("Input"), 1, kTypes}};
const AMOVIESETUP_FILTER kSetup = {&CLSID_TestSetup, WSTR("Test"), MERIT_DO_NOT_USE, 2, kPins};

} // namespace

TEST_F(BaseFilterTest, RegistrationGoesThroughTheOriginalMapper) {
    // A registry of this test's own, never the user's.
    const std::string registry = ::testing::TempDir() + "framework_base_filter_registry.db";
    std::remove(registry.c_str());
    setenv("DQ_REGISTRY", registry.c_str(), 1);
    filter->m_setup = &kSetup;

    IFilterMapper* mapper = nullptr;
    const HRESULT created = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IFilterMapper, reinterpret_cast<void**>(&mapper));
    if (FAILED(created)) {
        // Registering reports success whatever happened; unregistering reports the failure.
        EXPECT_EQ(filter->Register(), S_OK);
        EXPECT_EQ(filter->Unregister(), created);
        return;
    }
    mapper->Release();
    EXPECT_EQ(filter->Unregister(), S_OK); // nothing to remove: not an error
    EXPECT_EQ(filter->Register(), S_OK);
    EXPECT_EQ(filter->Unregister(), S_OK);
    std::remove(registry.c_str());
}

TEST(RegisterFilterSetup, RemovesFirstThenEntersFilterPinsAndTypesInOrder) {
    MockMapper mapper;
    {
        InSequence order;
        EXPECT_CALL(mapper, UnregisterFilter(CLSID_TestSetup)).WillOnce(Return(0x80070002));
        EXPECT_CALL(mapper, RegisterFilter(CLSID_TestSetup, _, MERIT_DO_NOT_USE))
            .WillOnce(Return(S_OK));
        EXPECT_CALL(mapper,
                    RegisterPin(CLSID_TestSetup, _, FALSE, FALSE, FALSE, FALSE, GUID_NULL, _))
            .WillOnce(Return(S_OK));
        EXPECT_CALL(mapper,
                    RegisterPinType(CLSID_TestSetup, _, MEDIATYPE_Video, MEDIASUBTYPE_RGB24))
            .WillOnce(Return(S_OK));
        EXPECT_CALL(mapper,
                    RegisterPin(CLSID_TestSetup, _, FALSE, TRUE, FALSE, FALSE, GUID_NULL, _))
            .WillOnce(Return(S_OK));
        EXPECT_CALL(mapper,
                    RegisterPinType(CLSID_TestSetup, _, MEDIATYPE_Video, MEDIASUBTYPE_RGB24))
            .WillOnce(Return(S_OK));
    }
    EXPECT_EQ(RegisterFilterSetup(&kSetup, &mapper, TRUE), S_OK);
}

TEST(RegisterFilterSetup, StopsAtTheFirstFailureAndUnregisteringNothingSucceeds) {
    MockMapper mapper;
    EXPECT_CALL(mapper, UnregisterFilter(_)).WillRepeatedly(Return(0x80070002));
    EXPECT_CALL(mapper, RegisterFilter(_, _, _)).WillOnce(Return(S_OK));
    EXPECT_CALL(mapper, RegisterPin(_, _, _, _, _, _, _, _)).WillOnce(Return(E_ACCESSDENIED));
    EXPECT_CALL(mapper, RegisterPinType(_, _, _, _)).Times(0);
    EXPECT_EQ(RegisterFilterSetup(&kSetup, &mapper, TRUE), E_ACCESSDENIED);
    EXPECT_EQ(RegisterFilterSetup(&kSetup, &mapper, FALSE), S_OK);
    EXPECT_EQ(RegisterFilterSetup(nullptr, &mapper, TRUE), S_FALSE);
}
