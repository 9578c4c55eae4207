#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "tests/platform/dshow/test_graph_objects.h"

using dqtest::Log;
using dqtest::Ref;
using dqtest::TestFilter;

namespace {

// An upstream filter's seeking: answers IMediaSeeking and IMediaPosition on its output pin.
class UpstreamSeeking final : public IMediaSeeking, public IMediaPosition {
public:
    LONGLONG lastCurrent = -1;
    DWORD lastFlags = 0;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualGUID(riid, IID_IMediaSeeking)) {
            *ppv = static_cast<IMediaSeeking*>(this);
            return S_OK;
        }
        if (IsEqualGUID(riid, IID_IMediaPosition)) {
            *ppv = static_cast<IMediaPosition*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP GetCapabilities(DWORD* p) override {
        *p = AM_SEEKING_CanSeekAbsolute;
        return S_OK;
    }
    STDMETHODIMP CheckCapabilities(DWORD*) override { return S_OK; }
    STDMETHODIMP IsFormatSupported(const GUID*) override { return S_OK; }
    STDMETHODIMP QueryPreferredFormat(GUID*) override { return S_OK; }
    STDMETHODIMP GetTimeFormat(GUID*) override { return S_OK; }
    STDMETHODIMP IsUsingTimeFormat(const GUID*) override { return S_OK; }
    STDMETHODIMP SetTimeFormat(const GUID*) override { return S_OK; }
    STDMETHODIMP GetDuration(LONGLONG* d) override {
        *d = 12345;
        return S_OK;
    }
    STDMETHODIMP GetStopPosition(LONGLONG*) override { return S_OK; }
    STDMETHODIMP GetCurrentPosition(LONGLONG*) override { return S_OK; }
    STDMETHODIMP ConvertTimeFormat(LONGLONG*, const GUID*, LONGLONG, const GUID*) override {
        return S_OK;
    }
    STDMETHODIMP SetPositions(LONGLONG* current, DWORD flags, LONGLONG*, DWORD) override {
        lastCurrent = *current;
        lastFlags = flags;
        return S_FALSE;
    }
    STDMETHODIMP GetPositions(LONGLONG*, LONGLONG*) override { return S_OK; }
    STDMETHODIMP GetAvailable(LONGLONG*, LONGLONG*) override { return S_OK; }
    STDMETHODIMP SetRate(double) override { return E_INVALIDARG; }
    STDMETHODIMP GetRate(double*) override { return S_OK; }
    STDMETHODIMP GetPreroll(LONGLONG*) override { return S_OK; }

    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP get_Duration(REFTIME* t) override {
        *t = 2.5;
        return S_OK;
    }
    STDMETHODIMP put_CurrentPosition(REFTIME) override { return S_OK; }
    STDMETHODIMP get_CurrentPosition(REFTIME*) override { return S_OK; }
    STDMETHODIMP get_StopTime(REFTIME*) override { return S_OK; }
    STDMETHODIMP put_StopTime(REFTIME) override { return S_OK; }
    STDMETHODIMP get_PrerollTime(REFTIME*) override { return S_OK; }
    STDMETHODIMP put_PrerollTime(REFTIME) override { return S_OK; }
    STDMETHODIMP put_Rate(double) override { return S_OK; }
    STDMETHODIMP get_Rate(double*) override { return S_OK; }
    STDMETHODIMP CanSeekForward(LONG*) override { return S_OK; }
    STDMETHODIMP CanSeekBackward(LONG*) override { return S_OK; }
};

// The aggregating object: counts the references the pass-through's interfaces take on it.
class Outer final : public IUnknown {
public:
    LONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
};

TEST(SeekingPassThru, ForwardsToTheFilterUpstreamOfThePin) {
    Log log;
    Ref<TestFilter> upstream(TestFilter::Create("Up", &log, 0, 1));
    Ref<TestFilter> filter(TestFilter::Create("F", &log, 1, 0));
    UpstreamSeeking seeking;

    Outer outer;
    Ref<IUnknown> inner;
    ASSERT_EQ(CoCreateInstance(CLSID_SeekingPassThru, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               inner.outVoid()),
              S_OK);
    Ref<ISeekingPassThru> init;
    ASSERT_EQ(inner->QueryInterface(IID_ISeekingPassThru, init.outVoid()), S_OK);
    EXPECT_EQ(outer.refs, 2); // interfaces count on the aggregating object
    Ref<IMediaSeeking> ms;
    ASSERT_EQ(inner->QueryInterface(IID_IMediaSeeking, ms.outVoid()), S_OK);
    Ref<IMediaPosition> mp;
    ASSERT_EQ(inner->QueryInterface(IID_IMediaPosition, mp.outVoid()), S_OK);

    LONGLONG duration = 0;
    EXPECT_EQ(ms->GetDuration(&duration), E_UNEXPECTED); // not initialised
    EXPECT_EQ(init->Init(FALSE, nullptr), E_POINTER);
    ASSERT_EQ(init->Init(FALSE, filter->Pin("in")), S_OK);
    EXPECT_EQ(init->Init(FALSE, filter->Pin("in")), E_FAIL);
    EXPECT_EQ(ms->GetDuration(&duration), VFW_E_NOT_CONNECTED);

    ASSERT_EQ(upstream->Pin("out")->Connect(filter->Pin("in"), nullptr), S_OK);
    EXPECT_EQ(ms->GetDuration(&duration), E_NOTIMPL); // upstream pin has no seeking
    REFTIME length = 0;
    EXPECT_EQ(mp->get_Duration(&length), E_NOTIMPL);

    upstream->Pin("out")->extra = static_cast<IMediaSeeking*>(&seeking);
    EXPECT_EQ(ms->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 12345);
    LONGLONG position = 777;
    EXPECT_EQ(ms->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                               AM_SEEKING_NoPositioning),
              S_FALSE); // results come back unchanged
    EXPECT_EQ(seeking.lastCurrent, 777);
    EXPECT_EQ(seeking.lastFlags, static_cast<DWORD>(AM_SEEKING_AbsolutePositioning));
    EXPECT_EQ(ms->SetRate(2.0), E_INVALIDARG);
    EXPECT_EQ(ms->GetDuration(nullptr), E_POINTER);
    EXPECT_EQ(mp->get_Duration(&length), S_OK);
    EXPECT_EQ(length, 2.5);

    filter->Pin("in")->Disconnect();
    upstream->Pin("out")->Disconnect();
}

} // namespace
