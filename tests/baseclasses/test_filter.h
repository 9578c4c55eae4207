// A filter with any number of scripted pins, for testing the base filter, the base pin's
// connection protocol and the enumerators.
#pragma once

#include <functional>
#include <vector>

#include "baseclasses/streams.h"

namespace fakes {

class TestFilter;

// A pin whose decisions are scripted and whose hook calls are recorded.
class TestPin : public CBasePin {
public:
    TestPin(TestFilter* filter, LPCWSTR name, PIN_DIRECTION direction);

    HRESULT VerifyMediaType(const CMediaType* type) override {
        m_verified.push_back(*type);
        return m_verify ? m_verify(type) : S_OK;
    }
    HRESULT SetMediaType(const CMediaType* type) override {
        return FAILED(m_setMediaTypeResult) ? m_setMediaTypeResult : CBasePin::SetMediaType(type);
    }
    HRESULT CheckConnect(IPin* peer) override {
        ++m_checkConnects;
        return FAILED(m_checkConnectResult) ? m_checkConnectResult : CBasePin::CheckConnect(peer);
    }
    HRESULT BreakConnect() override {
        ++m_breakConnects;
        return m_breakConnectResult;
    }
    HRESULT CompleteConnect(IPin*) override {
        ++m_completeConnects;
        return m_completeConnectResult;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0 || position >= static_cast<int>(m_types.size()))
            return VFW_S_NO_MORE_ITEMS;
        type->Assign(m_types[position]);
        return S_OK;
    }
    LONG GetTypeVersion() override { return m_typeVersion; }
    HRESULT BecomeActive() override {
        ++m_activations;
        return m_activateResult;
    }
    HRESULT BecomeInactive() override {
        ++m_deactivations;
        return S_OK;
    }
    HRESULT OnRun(REFERENCE_TIME start) override {
        m_runStarts.push_back(start);
        return m_runResult;
    }
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
    STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
    STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }
    STDMETHODIMP Notify(IBaseFilter*, Quality) override { return S_OK; }

    void SetOwnTypesFirst(bool v) { m_bOwnTypesFirst = v; }

    std::function<HRESULT(const CMediaType*)> m_verify;
    std::vector<CMediaType> m_verified;
    std::vector<CMediaType> m_types;
    LONG m_typeVersion = 1;
    HRESULT m_setMediaTypeResult = S_OK;
    HRESULT m_checkConnectResult = S_OK;
    HRESULT m_breakConnectResult = S_OK;
    HRESULT m_completeConnectResult = S_OK;
    HRESULT m_activateResult = S_OK;
    HRESULT m_runResult = S_OK;
    int m_checkConnects = 0, m_breakConnects = 0, m_completeConnects = 0;
    int m_activations = 0, m_deactivations = 0;
    std::vector<REFERENCE_TIME> m_runStarts;
    const WCHAR* m_id;
};

class TestFilter : public CBaseFilter {
public:
    explicit TestFilter(const CLSID& clsid = GUID_NULL)
        : CBaseFilter(WSTR("TestFilter"), nullptr, &m_lock, clsid) {}
    ~TestFilter() override {
        for (TestPin* p : m_pins)
            delete p;
    }

    TestPin* AddPin(LPCWSTR name, PIN_DIRECTION direction) {
        m_pins.push_back(new TestPin(this, name, direction));
        return m_pins.back();
    }
    int GetPinCount() override { return static_cast<int>(m_pins.size()) + m_missingPins; }
    CBasePin* GetPin(int n) override {
        return n >= 0 && n < static_cast<int>(m_pins.size()) ? m_pins[n] : nullptr;
    }
    LONG GetPinVersion() override { return m_pinVersion; }
    const AMOVIESETUP_FILTER* GetSetupData() override { return m_setup; }
    STDMETHODIMP Pause() override {
        ++m_pauses;
        return CBaseFilter::Pause();
    }

    IBaseFilter* Itf() { return static_cast<IBaseFilter*>(this); }
    LONG Refs() {
        Itf()->AddRef();
        return static_cast<LONG>(Itf()->Release());
    }

    CSectionLock m_lock;
    std::vector<TestPin*> m_pins;
    int m_missingPins = 0; // indexes past the real pins for which GetPin answers null
    LONG m_pinVersion = 1;
    int m_pauses = 0;
    const AMOVIESETUP_FILTER* m_setup = nullptr;
};

inline TestPin::TestPin(TestFilter* filter, LPCWSTR name, PIN_DIRECTION direction)
    : CBasePin(WSTR("TestPin"), filter, &filter->m_lock, nullptr, name, direction), m_id(name) {}

inline STDMETHODIMP TestPin::QueryId(LPWSTR* id) {
    return AllocWideString(m_id, id);
}

} // namespace fakes
