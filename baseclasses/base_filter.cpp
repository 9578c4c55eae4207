#include "baseclasses/base_filter.h"

#include <new>

#include "baseclasses/base_pin.h"
#include "baseclasses/enum_pins.h"
#include "baseclasses/register_filter_setup.h"

CBaseFilter::CBaseFilter(LPCWSTR debugName, IUnknown* outer, CSectionLock* lock, REFCLSID clsid)
    : CUnknown(debugName, outer), m_eState(State_Stopped), m_pRefClock(nullptr), m_rtStart(0),
      m_clsidFilter(clsid), m_pFilterLock(lock), m_wszFilterName(nullptr), m_pOwnerGraph(nullptr),
      m_pEventSink(nullptr), m_nPinVersion(1) {}

CBaseFilter::~CBaseFilter() {
    delete[] m_wszFilterName;
    if (m_pRefClock != nullptr) {
        m_pRefClock->Release();
        m_pRefClock = nullptr;
    }
}

STDMETHODIMP CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist)
        return GetInterface(static_cast<IBaseFilter*>(this), ppv);
    if (riid == IID_IAMovieSetup)
        return GetInterface(static_cast<IAMovieSetup*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseFilter::StreamTime(CRefTime& t) {
    IReferenceClock* clock = m_pRefClock;
    if (clock == nullptr)
        return VFW_E_NO_CLOCK;
    REFERENCE_TIME now = 0;
    const HRESULT hr = clock->GetTime(&now);
    if (FAILED(hr))
        return hr;
    t = CRefTime(now) - m_rtStart;
    return S_OK;
}

LONG CBaseFilter::GetPinVersion() {
    return m_nPinVersion;
}

const AMOVIESETUP_FILTER* CBaseFilter::GetSetupData() {
    return nullptr;
}

STDMETHODIMP CBaseFilter::GetClassID(CLSID* clsid) {
    if (clsid == nullptr)
        return E_POINTER;
    *clsid = m_clsidFilter;
    return S_OK;
}

// Filters with their own streaming rules replace this. Every connected pin is deactivated even
// when one of them fails, and the filter is stopped; the first failure is reported.
STDMETHODIMP CBaseFilter::Stop() {
    CSectionGuard guard(m_pFilterLock);
    HRESULT result = S_OK;
    if (m_eState != State_Stopped) {
        const int count = GetPinCount();
        for (int c = 0; c < count; ++c) {
            CBasePin* pin = GetPin(c);
            if (pin == nullptr || !pin->IsConnected())
                continue;
            const HRESULT hr = pin->BecomeInactive();
            if (FAILED(hr) && SUCCEEDED(result))
                result = hr;
        }
    }
    m_eState = State_Stopped;
    return result;
}

STDMETHODIMP CBaseFilter::Pause() {
    CSectionGuard guard(m_pFilterLock);
    if (m_eState == State_Stopped) {
        const int count = GetPinCount();
        for (int c = 0; c < count; ++c) {
            CBasePin* pin = GetPin(c);
            if (pin == nullptr || !pin->IsConnected())
                continue;
            const HRESULT hr = pin->BecomeActive();
            if (FAILED(hr))
                return hr;
        }
    }
    m_eState = State_Paused;
    return S_OK;
}

STDMETHODIMP CBaseFilter::Run(REFERENCE_TIME start) {
    CSectionGuard guard(m_pFilterLock);
    m_rtStart = start;
    if (m_eState == State_Stopped) {
        const HRESULT hr = static_cast<IBaseFilter*>(this)->Pause();
        if (FAILED(hr))
            return hr;
    }
    if (m_eState != State_Running) {
        const int count = GetPinCount();
        for (int c = 0; c < count; ++c) {
            CBasePin* pin = GetPin(c);
            if (pin == nullptr || !pin->IsConnected())
                continue;
            const HRESULT hr = pin->OnRun(start);
            if (FAILED(hr))
                return hr;
        }
    }
    m_eState = State_Running;
    return S_OK;
}

STDMETHODIMP CBaseFilter::GetState(DWORD, FILTER_STATE* state) {
    if (state == nullptr)
        return E_POINTER;
    *state = m_eState;
    return S_OK;
}

STDMETHODIMP CBaseFilter::SetSyncSource(IReferenceClock* clock) {
    CSectionGuard guard(m_pFilterLock);
    // The new one first, so that setting the held clock again never drops it.
    if (clock != nullptr)
        clock->AddRef();
    if (m_pRefClock != nullptr)
        m_pRefClock->Release();
    m_pRefClock = clock;
    return S_OK;
}

STDMETHODIMP CBaseFilter::GetSyncSource(IReferenceClock** clock) {
    if (clock == nullptr)
        return E_POINTER;
    CSectionGuard guard(m_pFilterLock);
    if (m_pRefClock != nullptr)
        m_pRefClock->AddRef();
    *clock = m_pRefClock;
    return S_OK;
}

STDMETHODIMP CBaseFilter::EnumPins(IEnumPins** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = new (std::nothrow) CEnumPins(this, nullptr);
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

static bool SameId(LPCWSTR a, LPCWSTR b) {
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Filters that know their pin ids replace this; here each pin is asked for its id.
STDMETHODIMP CBaseFilter::FindPin(LPCWSTR id, IPin** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (id == nullptr)
        return E_POINTER;
    const int count = GetPinCount();
    for (int c = 0; c < count; ++c) {
        CBasePin* pin = GetPin(c);
        if (pin == nullptr)
            continue;
        LPWSTR pinId = nullptr;
        if (FAILED(pin->QueryId(&pinId)))
            continue;
        const bool same = SameId(pinId, id);
        CoTaskMemFree(pinId);
        if (same) {
            *out = pin->AsPin();
            (*out)->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP CBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (info == nullptr)
        return E_POINTER;
    info->achName[0] = 0;
    if (m_wszFilterName != nullptr)
        lstrcpynW(info->achName, m_wszFilterName, MAX_FILTER_NAME);
    info->pGraph = m_pOwnerGraph;
    if (info->pGraph != nullptr)
        info->pGraph->AddRef();
    return S_OK;
}

STDMETHODIMP CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    CSectionGuard guard(m_pFilterLock);
    m_pOwnerGraph = graph;
    m_pEventSink = nullptr;
    if (graph != nullptr) {
        IMediaEventSink* sink = nullptr;
        if (SUCCEEDED(
                graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))) &&
            sink != nullptr) {
            // Kept without a reference: the graph owns this filter, not the other way round.
            m_pEventSink = sink;
            sink->Release();
        }
    }
    delete[] m_wszFilterName;
    m_wszFilterName = nullptr;
    if (name != nullptr) {
        const int length = lstrlenW(name);
        m_wszFilterName = new (std::nothrow) WCHAR[length + 1];
        if (m_wszFilterName != nullptr) {
            for (int i = 0; i <= length; ++i)
                m_wszFilterName[i] = name[i];
        }
    }
    return S_OK;
}

STDMETHODIMP CBaseFilter::QueryVendorInfo(LPWSTR*) {
    return E_NOTIMPL;
}

HRESULT CBaseFilter::SendGraphEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
    IMediaEventSink* sink = m_pEventSink;
    if (sink == nullptr)
        return E_NOTIMPL;
    if (code == EC_COMPLETE)
        param2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
    return sink->Notify(code, param1, param2);
}

HRESULT CBaseFilter::RequestReconnect(IPin* pin, const AM_MEDIA_TYPE* type) {
    IFilterGraph* graph = m_pOwnerGraph;
    if (graph == nullptr)
        return E_NOINTERFACE;
    IFilterGraph2* graph2 = nullptr;
    if (SUCCEEDED(graph->QueryInterface(IID_IFilterGraph2, reinterpret_cast<void**>(&graph2))) &&
        graph2 != nullptr) {
        const HRESULT hr = graph2->ReconnectEx(pin, type);
        graph2->Release();
        return hr;
    }
    return graph->Reconnect(pin);
}

// Registration through the mapper's original interface; both ends of it are the same steps.
static HRESULT RegisterWithMapper(const AMOVIESETUP_FILTER* setup, BOOL doRegister) {
    CoInitialize(nullptr);
    IFilterMapper* mapper = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IFilterMapper, reinterpret_cast<void**>(&mapper));
    if (SUCCEEDED(hr)) {
        hr = RegisterFilterSetup(setup, mapper, doRegister);
        mapper->Release();
    }
    CoFreeUnusedLibraries();
    CoUninitialize();
    return hr;
}

STDMETHODIMP CBaseFilter::Register() {
    const AMOVIESETUP_FILTER* setup = GetSetupData();
    if (setup == nullptr)
        return S_FALSE;
    RegisterWithMapper(setup, TRUE);
    return S_OK;
}

STDMETHODIMP CBaseFilter::Unregister() {
    const AMOVIESETUP_FILTER* setup = GetSetupData();
    if (setup == nullptr)
        return S_FALSE;
    const HRESULT hr = RegisterWithMapper(setup, FALSE);
    return hr == HRESULT_FILE_NOT_FOUND ? S_OK : hr;
}
