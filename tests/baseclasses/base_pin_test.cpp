// The connection protocol: which types are tried in which order, which failure is reported, and
// that every failed attempt is undone.
#include <gtest/gtest.h>

#include "framework_fakes.h"
#include "test_filter.h"

using fakes::FakePeerPin;
using fakes::MakeType;
using fakes::TestFilter;
using fakes::TestPin;

namespace {

DQ_DEFINE_GUID(kOtherSubtype, 0x7E570001, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B,
               0x71);

class ConnectTest : public ::testing::Test {
protected:
    void SetUp() override {
        filter = new TestFilter();
        filter->Itf()->AddRef();
        pin = filter->AddPin(WSTR("Out"), PINDIR_OUTPUT);
        peer = new FakePeerPin(PINDIR_INPUT);
    }
    void TearDown() override {
        if (filter->IsStopped())
            pin->Disconnect();
        peer->Release();
        filter->Itf()->Release();
    }

    static CMediaType Rgb(const GUID& sub) { return MakeType(MEDIATYPE_Video, sub, FORMAT_None); }

    TestFilter* filter = nullptr;
    TestPin* pin = nullptr;
    FakePeerPin* peer = nullptr;
};

} // namespace

TEST_F(ConnectTest, AFullTypeIsTheOnlyOneTried) {
    peer->m_offered.push_back(Rgb(MEDIASUBTYPE_RGB32));
    peer->m_accept = [](const AM_MEDIA_TYPE*) { return VFW_E_TYPE_NOT_ACCEPTED; };
    CMediaType t = Rgb(MEDIASUBTYPE_RGB24);
    EXPECT_EQ(pin->Connect(peer, &t), VFW_E_TYPE_NOT_ACCEPTED);
    ASSERT_EQ(peer->m_proposed.size(), 1u);
    EXPECT_TRUE(peer->m_proposed[0] == t);
    EXPECT_FALSE(pin->IsConnected());
}

TEST_F(ConnectTest, WithoutATypeThePeersTypesComeFirstThenThePinsOwn) {
    peer->m_offered = {Rgb(MEDIASUBTYPE_RGB32), Rgb(MEDIASUBTYPE_RGB24)};
    pin->m_types = {Rgb(kOtherSubtype)};
    peer->m_accept = [](const AM_MEDIA_TYPE* t) {
        return t->subtype == kOtherSubtype ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    };
    EXPECT_EQ(pin->Connect(peer, nullptr), S_OK);
    ASSERT_EQ(peer->m_proposed.size(), 3u);
    EXPECT_EQ(peer->m_proposed[0].subtype, MEDIASUBTYPE_RGB32);
    EXPECT_EQ(peer->m_proposed[1].subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(peer->m_proposed[2].subtype, kOtherSubtype);
    EXPECT_EQ(pin->CurrentMediaType().subtype, kOtherSubtype);

    IPin* connected = nullptr;
    EXPECT_EQ(pin->ConnectedTo(&connected), S_OK);
    EXPECT_EQ(connected, static_cast<IPin*>(peer));
    connected->Release();
    AM_MEDIA_TYPE mt;
    EXPECT_EQ(pin->ConnectionMediaType(&mt), S_OK);
    EXPECT_EQ(mt.subtype, kOtherSubtype);
    ReleaseFormat(&mt);

    // Only one connection at a time, and it is left alone.
    EXPECT_EQ(pin->Connect(peer, nullptr), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(pin->ReceiveConnection(peer, &mt), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(pin->GetConnected(), static_cast<IPin*>(peer));
}

TEST_F(ConnectTest, APartialTypeIsATemplate) {
    peer->m_offered = {Rgb(MEDIASUBTYPE_RGB32), MakeType(FORMAT_None, GUID_NULL, FORMAT_None),
                       Rgb(MEDIASUBTYPE_RGB24)};
    peer->m_accept = [](const AM_MEDIA_TYPE* t) {
        return t->subtype == MEDIASUBTYPE_RGB24 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    };
    CMediaType videoOnly = MakeType(MEDIATYPE_Video, GUID_NULL);
    EXPECT_EQ(pin->Connect(peer, &videoOnly), S_OK);
    ASSERT_EQ(peer->m_proposed.size(), 2u); // the non-video type was never proposed
    EXPECT_EQ(peer->m_proposed[1].subtype, MEDIASUBTYPE_RGB24);
}

TEST_F(ConnectTest, PlainRefusalsReportNoAcceptableTypesAndSpecificCodesAreRemembered) {
    peer->m_offered = {Rgb(MEDIASUBTYPE_RGB32), Rgb(MEDIASUBTYPE_RGB24)};
    peer->m_accept = [](const AM_MEDIA_TYPE*) { return E_FAIL; };
    EXPECT_EQ(pin->Connect(peer, nullptr), VFW_E_NO_ACCEPTABLE_TYPES);

    // Within one pass the first specific code wins; a later pass's specific code replaces it.
    peer->m_accept = [](const AM_MEDIA_TYPE* t) {
        if (t->subtype == MEDIASUBTYPE_RGB32)
            return E_OUTOFMEMORY;
        if (t->subtype == MEDIASUBTYPE_RGB24)
            return VFW_E_INVALIDMEDIATYPE;
        return E_ACCESSDENIED;
    };
    EXPECT_EQ(pin->Connect(peer, nullptr), E_OUTOFMEMORY);
    pin->m_types = {Rgb(kOtherSubtype)};
    EXPECT_EQ(pin->Connect(peer, nullptr), E_ACCESSDENIED);
    EXPECT_FALSE(pin->IsConnected());
}

TEST_F(ConnectTest, ATypeThePinRefusesIsNotProposedToThePeer) {
    peer->m_offered = {Rgb(MEDIASUBTYPE_RGB32)};
    pin->m_verify = [](const CMediaType*) { return S_FALSE; };
    EXPECT_EQ(pin->Connect(peer, nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_TRUE(peer->m_proposed.empty());
    EXPECT_GE(pin->m_breakConnects, 1);
}

TEST_F(ConnectTest, AFailedCompletionIsUndoneOnBothSides) {
    const LONG peerRefs = peer->Refs();
    pin->m_completeConnectResult = E_OUTOFMEMORY;
    CMediaType t = Rgb(MEDIASUBTYPE_RGB24);
    EXPECT_EQ(pin->Connect(peer, &t), E_OUTOFMEMORY);
    EXPECT_EQ(peer->m_disconnects, 1);
    EXPECT_EQ(peer->m_connected, nullptr);
    EXPECT_FALSE(pin->IsConnected());
    EXPECT_EQ(peer->Refs(), peerRefs);
    EXPECT_GE(pin->m_breakConnects, 1);

    // A completion that succeeds with another success code ends the search: one connection.
    pin->m_completeConnectResult = S_FALSE;
    peer->m_offered = {Rgb(MEDIASUBTYPE_RGB32), Rgb(MEDIASUBTYPE_RGB24)};
    peer->m_proposed.clear();
    EXPECT_EQ(pin->Connect(peer, nullptr), S_OK);
    EXPECT_EQ(peer->m_proposed.size(), 1u);
    EXPECT_EQ(peer->Refs(), peerRefs + 1); // held once, by the pin
}

TEST_F(ConnectTest, ConnectionNeedsAStoppedFilterAndTheOtherDirection) {
    CMediaType t = Rgb(MEDIASUBTYPE_RGB24);
    auto* sameDirection = new FakePeerPin(PINDIR_OUTPUT);
    EXPECT_EQ(pin->Connect(sameDirection, &t), VFW_E_INVALID_DIRECTION);
    sameDirection->Release();

    filter->Pause();
    EXPECT_EQ(pin->Connect(peer, &t), VFW_E_NOT_STOPPED);
    EXPECT_EQ(pin->ReceiveConnection(peer, &t), VFW_E_NOT_STOPPED);
    EXPECT_EQ(pin->Disconnect(), VFW_E_NOT_STOPPED);
    filter->Stop();
    EXPECT_EQ(pin->Disconnect(), S_FALSE);
}

TEST_F(ConnectTest, ReceivingAConnectionChecksTheTypeAndUndoesInItsOwnOrder) {
    TestPin* input = filter->AddPin(WSTR("In"), PINDIR_INPUT);
    auto* upstream = new FakePeerPin(PINDIR_OUTPUT);
    CMediaType t = Rgb(MEDIASUBTYPE_RGB24);
    EXPECT_EQ(input->ReceiveConnection(nullptr, &t), E_POINTER);
    EXPECT_EQ(input->ReceiveConnection(upstream, nullptr), E_POINTER);

    input->m_verify = [](const CMediaType*) { return S_FALSE; };
    EXPECT_EQ(input->ReceiveConnection(upstream, &t), VFW_E_TYPE_NOT_ACCEPTED);
    input->m_verify = [](const CMediaType*) { return E_OUTOFMEMORY; };
    EXPECT_EQ(input->ReceiveConnection(upstream, &t), E_OUTOFMEMORY);
    EXPECT_EQ(input->QueryAccept(&t), S_FALSE);

    input->m_verify = nullptr;
    input->m_setMediaTypeResult = E_OUTOFMEMORY;
    const LONG refs = upstream->Refs();
    EXPECT_EQ(input->ReceiveConnection(upstream, &t), E_OUTOFMEMORY);
    EXPECT_FALSE(input->IsConnected());
    EXPECT_EQ(upstream->Refs(), refs);

    input->m_setMediaTypeResult = S_OK;
    EXPECT_EQ(input->ReceiveConnection(upstream, &t), S_OK);
    // A failing BreakConnect keeps the connection.
    input->m_breakConnectResult = E_FAIL;
    EXPECT_EQ(input->Disconnect(), E_FAIL);
    EXPECT_TRUE(input->IsConnected());
    input->m_breakConnectResult = S_OK;
    EXPECT_EQ(input->Disconnect(), S_OK);
    EXPECT_EQ(upstream->Refs(), refs);
    upstream->Release();
}

TEST_F(ConnectTest, InformationQueries) {
    AM_MEDIA_TYPE mt;
    EXPECT_EQ(pin->ConnectionMediaType(&mt), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(mt.lSampleSize, 1u);
    EXPECT_EQ(mt.bFixedSizeSamples, TRUE);
    IPin* connected = reinterpret_cast<IPin*>(1);
    EXPECT_EQ(pin->ConnectedTo(&connected), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(connected, nullptr);

    const LONG refs = filter->Refs();
    PIN_INFO info;
    ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, filter->Itf());
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);
    EXPECT_EQ(std::basic_string<WCHAR>(info.achName), WSTR("Out"));
    EXPECT_EQ(filter->Refs(), refs + 1);
    info.pFilter->Release();

    // A pin's references are its filter's.
    pin->AddRef();
    EXPECT_EQ(filter->Refs(), refs + 1);
    pin->Release();

    IPin* other = nullptr;
    ULONG n = 0;
    EXPECT_EQ(pin->QueryInternalConnections(&other, &n), E_NOTIMPL);
    EXPECT_EQ(pin->NewSegment(10, 20, 2.0), S_OK);
    EXPECT_EQ(pin->CurrentStartTime(), 10);
    EXPECT_EQ(pin->CurrentStopTime(), 20);
    EXPECT_EQ(pin->CurrentRate(), 2.0);
}
