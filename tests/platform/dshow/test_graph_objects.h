// Hand-made filters and pins written directly on the COM interfaces, for driving the runtime's
// graph manager and seeking pass-through. Each records what is done to it in a shared log.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/platform/dshow/com_ref.h"

namespace dqtest {

class Log {
public:
    void Add(const std::string& entry) {
        std::lock_guard lock(m_mutex);
        m_entries.push_back(entry);
    }
    std::vector<std::string> Entries() {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_entries.clear();
    }
    // Position of the first entry equal to text, or -1.
    int IndexOf(const std::string& text) {
        std::lock_guard lock(m_mutex);
        for (size_t i = 0; i < m_entries.size(); ++i)
            if (m_entries[i] == text)
                return static_cast<int>(i);
        return -1;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_entries;
};

class TestFilter;

class TestPin final : public IPin {
public:
    TestPin(TestFilter* filter, std::string name, PIN_DIRECTION direction)
        : m_filter(filter), m_name(std::move(name)), m_direction(direction) {}
    ~TestPin() {
        if (m_peer != nullptr)
            m_peer->Release();
    }

    std::string Label() const;
    IPin* Peer() const { return m_peer; }
    const AM_MEDIA_TYPE& Type() const { return m_type; }

    // Runs inside Connect, after the peer accepted; its result becomes Connect's.
    std::function<HRESULT()> onConnected;
    // A subtype this pin refuses to receive.
    GUID refused = GUID_NULL;
    // Answers QueryInterface for any other interface (an upstream seeking object, say).
    IUnknown* extra = nullptr;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pPin) override {
        if (pPin == nullptr)
            return E_POINTER;
        *pPin = m_peer;
        if (m_peer == nullptr)
            return VFW_E_NOT_CONNECTED;
        m_peer->AddRef();
        return S_OK;
    }
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override {
        if (pmt == nullptr)
            return E_POINTER;
        *pmt = m_type; // the test types carry no format block
        return m_peer != nullptr ? S_OK : VFW_E_NOT_CONNECTED;
    }
    STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* pPinDir) override {
        *pPinDir = m_direction;
        return S_OK;
    }
    STDMETHODIMP QueryId(LPWSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return S_OK; }
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
    STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP EndOfStream() override { return S_OK; }
    STDMETHODIMP BeginFlush() override { return S_OK; }
    STDMETHODIMP EndFlush() override { return S_OK; }
    STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

private:
    TestFilter* m_filter;
    std::string m_name;
    PIN_DIRECTION m_direction;
    IPin* m_peer = nullptr;
    AM_MEDIA_TYPE m_type{};
};

class TestFilter final : public IBaseFilter {
public:
    // Filters are created with one reference, which the test releases.
    static TestFilter* Create(std::string name, Log* log, int inputs, int outputs) {
        auto* filter = new TestFilter(std::move(name), log);
        for (int i = 0; i < inputs; ++i)
            filter->m_pins.push_back(std::make_unique<TestPin>(filter, "in", PINDIR_INPUT));
        for (int i = 0; i < outputs; ++i)
            filter->m_pins.push_back(std::make_unique<TestPin>(filter, "out", PINDIR_OUTPUT));
        return filter;
    }

    const std::string& Name() const { return m_name; }
    Log* GetLog() const { return m_log; }
    TestPin* Pin(const char* name) {
        for (auto& pin : m_pins)
            if (pin->Label() == m_name + "." + name)
                return pin.get();
        return nullptr;
    }
    std::vector<std::unique_ptr<TestPin>>& Pins() { return m_pins; }
    LONG Refs() const { return m_refs; }
    IFilterGraph* Graph() const { return m_graph; }
    const std::u16string& JoinedName() const { return m_joinedName; }
    IReferenceClock* Clock() const { return m_clock; }
    REFERENCE_TIME RunStart() const { return m_runStart; }
    FILTER_STATE StateNow() const { return m_state; }

    // What this filter answers Pause (a failure leaves it stopped) and GetState with.
    HRESULT pauseResult = S_OK;
    HRESULT stateResult = S_OK;

    // Sends EC_COMPLETE as a renderer does: itself as the second parameter.
    HRESULT SendComplete() {
        IMediaEventSink* sink = nullptr;
        if (m_graph == nullptr ||
            FAILED(m_graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))))
            return E_FAIL;
        HRESULT hr = sink->Notify(EC_COMPLETE, S_OK,
                                  reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
        sink->Release();
        return hr;
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IPersist) ||
            IsEqualGUID(riid, IID_IMediaFilter) || IsEqualGUID(riid, IID_IBaseFilter)) {
            *ppv = static_cast<IBaseFilter*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&m_refs));
    }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

    STDMETHODIMP GetClassID(CLSID* pClassID) override {
        *pClassID = GUID_NULL;
        return S_OK;
    }
    STDMETHODIMP Stop() override {
        m_log->Add(m_name + ":Stop");
        m_state = State_Stopped;
        return S_OK;
    }
    STDMETHODIMP Pause() override {
        m_log->Add(m_name + ":Pause");
        if (SUCCEEDED(pauseResult))
            m_state = State_Paused;
        return pauseResult;
    }
    STDMETHODIMP Run(REFERENCE_TIME tStart) override {
        m_log->Add(m_name + ":Run");
        m_runStart = tStart;
        m_state = State_Running;
        return S_OK;
    }
    STDMETHODIMP GetState(DWORD, FILTER_STATE* State) override {
        *State = m_state;
        return stateResult;
    }
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override {
        if (pClock != nullptr)
            pClock->AddRef();
        if (m_clock != nullptr)
            m_clock->Release();
        m_clock = pClock;
        return S_OK;
    }
    STDMETHODIMP GetSyncSource(IReferenceClock** pClock) override {
        *pClock = m_clock;
        if (m_clock != nullptr)
            m_clock->AddRef();
        return S_OK;
    }
    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
    STDMETHODIMP QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
    STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override {
        m_log->Add(m_name + (pGraph != nullptr ? ":Join" : ":Leave"));
        m_graph = pGraph;
        m_joinedName = pName != nullptr ? pName : u"";
        return S_OK;
    }
    STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

private:
    TestFilter(std::string name, Log* log) : m_name(std::move(name)), m_log(log) {}
    ~TestFilter() {
        if (m_clock != nullptr)
            m_clock->Release();
    }

    LONG m_refs = 1;
    std::string m_name;
    Log* m_log;
    std::vector<std::unique_ptr<TestPin>> m_pins;
    IFilterGraph* m_graph = nullptr;
    std::u16string m_joinedName;
    IReferenceClock* m_clock = nullptr;
    FILTER_STATE m_state = State_Stopped;
    REFERENCE_TIME m_runStart = -1;
};

class TestPinEnum final : public IEnumPins {
public:
    explicit TestPinEnum(TestFilter* filter) : m_filter(filter) { m_filter->AddRef(); }
    ~TestPinEnum() { m_filter->Release(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IEnumPins)) {
            *ppv = static_cast<IEnumPins*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --m_refs;
        if (n == 0)
            delete this;
        return n;
    }
    STDMETHODIMP Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override {
        ULONG n = 0;
        auto& pins = m_filter->Pins();
        while (n < cPins && m_position < pins.size()) {
            ppPins[n] = pins[m_position++].get();
            ppPins[n]->AddRef();
            ++n;
        }
        if (pcFetched != nullptr)
            *pcFetched = n;
        return n == cPins ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG) override { return E_NOTIMPL; }
    STDMETHODIMP Reset() override {
        m_position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins**) override { return E_NOTIMPL; }

private:
    TestFilter* m_filter;
    ULONG m_refs = 1;
    size_t m_position = 0;
};

inline STDMETHODIMP TestFilter::EnumPins(IEnumPins** ppEnum) {
    *ppEnum = new TestPinEnum(this);
    return S_OK;
}

inline std::string TestPin::Label() const {
    return m_filter->Name() + "." + m_name;
}

inline STDMETHODIMP TestPin::QueryInterface(REFIID riid, void** ppv) {
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IPin)) {
        *ppv = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    if (extra != nullptr)
        return extra->QueryInterface(riid, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

inline STDMETHODIMP_(ULONG) TestPin::AddRef() {
    return m_filter->AddRef();
}

inline STDMETHODIMP_(ULONG) TestPin::Release() {
    return m_filter->Release();
}

inline STDMETHODIMP TestPin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
    Log* log = m_filter->GetLog();
    log->Add(Label() + ":Connect");
    if (m_peer != nullptr)
        return VFW_E_ALREADY_CONNECTED;
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    if (pmt != nullptr)
        type = *pmt;
    HRESULT hr = pReceivePin->ReceiveConnection(this, &type);
    if (FAILED(hr))
        return hr;
    m_peer = pReceivePin;
    m_peer->AddRef();
    m_type = type;
    if (onConnected) {
        hr = onConnected();
        if (FAILED(hr)) {
            pReceivePin->Disconnect();
            Disconnect();
        }
    }
    log->Add(Label() + ":Connected");
    return hr;
}

inline STDMETHODIMP TestPin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) {
    if (m_peer != nullptr)
        return VFW_E_ALREADY_CONNECTED;
    if (!IsEqualGUID(refused, GUID_NULL) && IsEqualGUID(pmt->subtype, refused))
        return VFW_E_TYPE_NOT_ACCEPTED;
    m_peer = pConnector;
    m_peer->AddRef();
    m_type = *pmt;
    return S_OK;
}

inline STDMETHODIMP TestPin::Disconnect() {
    if (m_peer == nullptr)
        return S_FALSE;
    m_filter->GetLog()->Add(Label() + ":Disconnect");
    m_peer->Release();
    m_peer = nullptr;
    return S_OK;
}

inline STDMETHODIMP TestPin::QueryPinInfo(PIN_INFO* pInfo) {
    pInfo->pFilter = m_filter;
    m_filter->AddRef();
    pInfo->dir = m_direction;
    pInfo->achName[0] = 0;
    return S_OK;
}

} // namespace dqtest
