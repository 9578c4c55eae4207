// The filter graph manager: holds the filters, connects their pins, drives their state and
// collects their events.
//
// Locks: m_control serialises the control operations (filters, connections, state, clock) and
// is held while they call into the filters; it is re-entrant because filters call back into
// the graph from inside those calls (a pin asking for a reconnection while it connects).
// m_listLock guards the filter list and the state for the readers that do not take m_control
// (GetState, FindFilterByName, enumerators) and is never held while calling out. The event side
// has its own leaf lock (GraphEvents), so a streaming thread's Notify never waits for a control
// operation, which may itself be waiting for that streaming thread (a filter's Stop).
#include <chrono>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/exception_boundary.h"
#include "platform/linux/dshow/dshow_ids.h"
#include "platform/linux/dshow/dshow_interfaces.h"
#include "platform/linux/dshow/filter_enumerator.h"
#include "platform/linux/dshow/graph_events.h"
#include "platform/linux/dshow/graph_topology.h"
#include "platform/linux/dshow/media_type_copy.h"
#include "platform/linux/dshow/runtime_classes.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

// Between Run and the first sample being due, so that every filter is running by then.
constexpr REFERENCE_TIME kRunLatency = 100'000; // 10 ms
// Pins that keep asking to be reconnected would otherwise never let a connection finish.
constexpr int kMaxDeferredReconnects = 64;
constexpr size_t kMaxNameLength = MAX_FILTER_NAME - 1;

std::u16string Numbered(std::u16string prefix, int n) {
    char16_t digits[5] = {};
    for (int i = 3; i >= 0; --i, n /= 10)
        digits[i] = static_cast<char16_t>(u'0' + n % 10);
    return prefix + digits;
}

void ReleaseAll(std::vector<IBaseFilter*>& filters) {
    for (IBaseFilter* filter : filters)
        filter->Release();
    filters.clear();
}

class FilterGraph final : public IFilterGraph2,
                          public IMediaControl,
                          public IMediaEventSink,
                          public IMediaEvent,
                          public IMediaFilter,
                          private FilterList {
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        IUnknown* found = nullptr;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IFilterGraph) ||
            IsEqualGUID(riid, IID_IGraphBuilder) || IsEqualGUID(riid, IID_IFilterGraph2))
            found = static_cast<IFilterGraph2*>(this);
        else if (IsEqualGUID(riid, IID_IMediaControl) || IsEqualGUID(riid, IID_IDispatch))
            found = static_cast<IMediaControl*>(this);
        else if (IsEqualGUID(riid, IID_IMediaEvent))
            found = static_cast<IMediaEvent*>(this);
        else if (IsEqualGUID(riid, IID_IMediaEventSink))
            found = static_cast<IMediaEventSink*>(this);
        else if (IsEqualGUID(riid, IID_IMediaFilter) || IsEqualGUID(riid, IID_IPersist))
            found = static_cast<IMediaFilter*>(this);
        if (found == nullptr) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        found->AddRef();
        *ppv = found;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&m_refs));
    }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0) {
            // Filters may take and drop references on the graph while it takes them apart.
            m_refs = 1;
            Shutdown();
            delete this;
        }
        return static_cast<ULONG>(n);
    }

    // IFilterGraph
    STDMETHODIMP AddFilter(IBaseFilter* pFilter, LPCWSTR pName) override {
        return ExceptionBoundary([&]() -> HRESULT {
            if (pFilter == nullptr)
                return E_POINTER;
            std::lock_guard control(m_control);
            if (Find(pFilter) != nullptr)
                return E_INVALIDARG;
            std::u16string name;
            const HRESULT named = ChooseName(pName, name);
            if (FAILED(named))
                return named;
            HRESULT hr = pFilter->JoinFilterGraph(static_cast<IFilterGraph*>(this), name.c_str());
            if (FAILED(hr))
                return hr;
            pFilter->AddRef();
            try {
                std::lock_guard lock(m_listLock);
                m_filters.push_back({pFilter, name});
                ++m_version;
            } catch (const std::bad_alloc&) {
                pFilter->JoinFilterGraph(nullptr, nullptr);
                pFilter->Release();
                return E_OUTOFMEMORY;
            }
            if (m_clock != nullptr)
                pFilter->SetSyncSource(m_clock);
            return named;
        });
    }

    STDMETHODIMP RemoveFilter(IBaseFilter* pFilter) override {
        if (pFilter == nullptr)
            return E_POINTER;
        std::lock_guard control(m_control);
        IBaseFilter* member = Find(pFilter);
        if (member == nullptr)
            return VFW_E_NOT_FOUND;
        if (m_state != State_Stopped)
            member->Stop();
        DisconnectPins(member);
        member->JoinFilterGraph(nullptr, nullptr);
        {
            std::lock_guard lock(m_listLock);
            for (auto it = m_filters.begin(); it != m_filters.end(); ++it) {
                if (it->filter == member) {
                    m_filters.erase(it);
                    break;
                }
            }
            ++m_version;
        }
        member->Release();
        return S_OK;
    }

    STDMETHODIMP EnumFilters(IEnumFilters** ppEnum) override {
        return CreateFilterEnumerator(this, ppEnum);
    }

    STDMETHODIMP FindFilterByName(LPCWSTR pName, IBaseFilter** ppFilter) override {
        if (ppFilter == nullptr || pName == nullptr)
            return E_POINTER;
        *ppFilter = nullptr;
        std::lock_guard lock(m_listLock);
        for (const Entry& entry : m_filters) {
            if (entry.name == pName) {
                entry.filter->AddRef();
                *ppFilter = entry.filter;
                return S_OK;
            }
        }
        return VFW_E_NOT_FOUND;
    }

    STDMETHODIMP ConnectDirect(IPin* ppinOut, IPin* ppinIn, const AM_MEDIA_TYPE* pmt) override {
        if (ppinOut == nullptr || ppinIn == nullptr)
            return E_POINTER;
        std::lock_guard control(m_control);
        HRESULT hr = CheckPin(ppinOut, PINDIR_OUTPUT);
        if (SUCCEEDED(hr))
            hr = CheckPin(ppinIn, PINDIR_INPUT);
        if (FAILED(hr))
            return hr;
        return Connection([&] { return ppinOut->Connect(ppinIn, pmt); });
    }

    STDMETHODIMP Reconnect(IPin* ppin) override { return ReconnectEx(ppin, nullptr); }

    STDMETHODIMP Disconnect(IPin* ppin) override {
        if (ppin == nullptr)
            return E_POINTER;
        std::lock_guard control(m_control);
        return ppin->Disconnect();
    }

    STDMETHODIMP SetDefaultSyncSource() override {
        std::lock_guard control(m_control);
        if (m_state != State_Stopped)
            return VFW_E_NOT_STOPPED;
        return SetDefaultClockLocked();
    }

    // IGraphBuilder. There is no intelligent connection through intermediate filters (no
    // filter mapper is consulted): Connect is the direct connection.
    STDMETHODIMP Connect(IPin* ppinOut, IPin* ppinIn) override {
        return ConnectDirect(ppinOut, ppinIn, nullptr);
    }
    // Rendering needs a choice of filters from the registered ones, and files need source
    // filters: neither is available here.
    STDMETHODIMP Render(IPin*) override { return E_NOTIMPL; }
    STDMETHODIMP RenderFile(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter** ppFilter) override {
        if (ppFilter != nullptr)
            *ppFilter = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetLogFile(DWORD_PTR) override { return S_OK; } // nothing is logged
    // No operation of this graph runs long enough to be worth interrupting.
    STDMETHODIMP Abort() override { return S_OK; }
    STDMETHODIMP ShouldOperationContinue() override { return S_OK; }

    // IFilterGraph2
    STDMETHODIMP AddSourceFilterForMoniker(IMoniker*, IBindCtx*, LPCWSTR,
                                           IBaseFilter** ppFilter) override {
        if (ppFilter != nullptr)
            *ppFilter = nullptr;
        return E_NOTIMPL;
    }

    // A reconnection asked for while a connection is being made (from inside a pin's Connect,
    // on the thread making it) is queued and carried out once that connection has completed;
    // otherwise it is carried out at once.
    STDMETHODIMP ReconnectEx(IPin* ppin, const AM_MEDIA_TYPE* pmt) override {
        if (ppin == nullptr)
            return E_POINTER;
        std::lock_guard control(m_control);
        if (m_state != State_Stopped)
            return VFW_E_WRONG_STATE;
        HRESULT hr = PinInGraph(ppin);
        if (FAILED(hr))
            return hr;
        if (!IsConnected(ppin))
            return VFW_E_NOT_CONNECTED;
        if (m_connectDepth > 0)
            return Defer(ppin, pmt);
        ++m_connectDepth;
        hr = ReconnectNow(ppin, pmt);
        --m_connectDepth;
        HRESULT deferred = RunDeferred();
        return SUCCEEDED(hr) && FAILED(deferred) ? deferred : hr;
    }

    STDMETHODIMP RenderEx(IPin*, DWORD, DWORD*) override { return E_NOTIMPL; }

    // IDispatch, for IMediaControl and IMediaEvent: there is no type library on Linux, so
    // automation by name is not available.
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override {
        if (pctinfo == nullptr)
            return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        return E_NOTIMPL;
    }

    // IMediaControl (Pause and Stop serve IMediaFilter too)
    STDMETHODIMP Run() override {
        std::lock_guard control(m_control);
        if (m_state == State_Running)
            return S_OK;
        HRESULT paused = S_OK;
        if (m_state == State_Stopped) {
            paused = PauseLocked();
            if (FAILED(paused))
                return paused;
        }
        // Stream time goes on from where a pause left it.
        REFERENCE_TIME start = 0;
        REFERENCE_TIME now;
        if (m_clock != nullptr && SUCCEEDED(m_clock->GetTime(&now)))
            start = now + kRunLatency - m_pausedStreamTime;
        HRESULT hr = RunLocked(start);
        return hr == S_OK ? paused : hr;
    }
    STDMETHODIMP Pause() override {
        std::lock_guard control(m_control);
        return PauseLocked();
    }
    STDMETHODIMP Stop() override {
        std::lock_guard control(m_control);
        return StopLocked();
    }
    STDMETHODIMP GetState(LONG msTimeout, OAFilterState* pfs) override {
        if (pfs == nullptr)
            return E_POINTER;
        FILTER_STATE state;
        HRESULT hr = StateOf(static_cast<DWORD>(msTimeout), &state);
        *pfs = state;
        return hr;
    }
    STDMETHODIMP RenderFile(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP AddSourceFilter(BSTR, IDispatch** ppUnk) override {
        if (ppUnk != nullptr)
            *ppUnk = nullptr;
        return E_NOTIMPL;
    }
    // The automation collections need a type library.
    STDMETHODIMP get_FilterCollection(IDispatch** ppUnk) override {
        if (ppUnk != nullptr)
            *ppUnk = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP get_RegFilterCollection(IDispatch** ppUnk) override {
        if (ppUnk != nullptr)
            *ppUnk = nullptr;
        return E_NOTIMPL;
    }
    // Pauses, waits until every filter has finished pausing (cued its data), then stops. Unlike
    // the asynchronous original, it returns only once the graph is stopped.
    STDMETHODIMP StopWhenReady() override {
        std::lock_guard control(m_control);
        HRESULT hr = PauseLocked();
        if (FAILED(hr))
            return hr;
        FILTER_STATE state;
        StateOf(INFINITE, &state);
        return StopLocked();
    }

    // IMediaEventSink: called by filters, also from their streaming threads.
    STDMETHODIMP Notify(LONG EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2) override {
        return m_events.Notify(EventCode, EventParam1, EventParam2);
    }

    // IMediaEvent
    STDMETHODIMP GetEventHandle(OAEVENT* hEvent) override {
        if (hEvent == nullptr)
            return E_POINTER;
        *hEvent = reinterpret_cast<OAEVENT>(m_events.Handle());
        return S_OK;
    }
    STDMETHODIMP GetEvent(LONG* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2,
                          LONG msTimeout) override {
        return m_events.GetEvent(lEventCode, lParam1, lParam2, msTimeout);
    }
    STDMETHODIMP WaitForCompletion(LONG msTimeout, LONG* pEvCode) override {
        return m_events.WaitForCompletion(msTimeout, pEvCode);
    }
    STDMETHODIMP CancelDefaultHandling(LONG lEvCode) override {
        return m_events.CancelDefaultHandling(lEvCode);
    }
    STDMETHODIMP RestoreDefaultHandling(LONG lEvCode) override {
        return m_events.RestoreDefaultHandling(lEvCode);
    }
    // No event of this graph carries allocated parameters.
    STDMETHODIMP FreeEventParams(LONG, LONG_PTR, LONG_PTR) override { return S_OK; }

    // IMediaFilter
    STDMETHODIMP GetClassID(CLSID* pClassID) override {
        if (pClassID == nullptr)
            return E_POINTER;
        *pClassID = CLSID_FilterGraph;
        return S_OK;
    }
    STDMETHODIMP Run(REFERENCE_TIME tStart) override {
        std::lock_guard control(m_control);
        HRESULT paused = S_OK;
        if (m_state == State_Stopped) {
            paused = PauseLocked();
            if (FAILED(paused))
                return paused;
        }
        HRESULT hr = RunLocked(tStart);
        return hr == S_OK ? paused : hr;
    }
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State) override {
        return StateOf(dwMilliSecsTimeout, State);
    }
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override {
        std::lock_guard control(m_control);
        if (m_state != State_Stopped)
            return VFW_E_NOT_STOPPED;
        return SetClockLocked(pClock);
    }
    STDMETHODIMP GetSyncSource(IReferenceClock** pClock) override {
        if (pClock == nullptr)
            return E_POINTER;
        std::lock_guard lock(m_listLock);
        *pClock = m_clock;
        if (m_clock != nullptr)
            m_clock->AddRef();
        return S_OK;
    }

private:
    struct Entry {
        IBaseFilter* filter; // counted
        std::u16string name;
    };
    struct Deferred {
        IPin* pin; // counted
        bool hasType;
        AM_MEDIA_TYPE type;
    };

    ~FilterGraph() = default;

    // FilterList
    IUnknown* ListOwner() override { return static_cast<IFilterGraph2*>(this); }
    LONG ListVersion() override {
        std::lock_guard lock(m_listLock);
        return m_version;
    }
    void ListSnapshot(std::vector<IBaseFilter*>& filters, LONG& version) override {
        std::lock_guard lock(m_listLock);
        filters.clear();
        for (const Entry& entry : m_filters) {
            filters.push_back(entry.filter);
            entry.filter->AddRef();
        }
        version = m_version;
    }

    std::vector<IBaseFilter*> Snapshot() {
        std::vector<IBaseFilter*> filters;
        LONG version;
        ListSnapshot(filters, version);
        return filters;
    }

    // The graph's own pointer to the filter (not counted), or null when it is not a member.
    IBaseFilter* Find(IUnknown* filter) {
        std::vector<IBaseFilter*> filters = Snapshot();
        IBaseFilter* member = nullptr;
        for (IBaseFilter* candidate : filters) {
            if (SameObject(candidate, filter)) {
                member = candidate;
                break;
            }
        }
        ReleaseAll(filters); // the list keeps the member alive under m_control
        return member;
    }

    HRESULT PinInGraph(IPin* pin) {
        IBaseFilter* owner = PinOwner(pin);
        if (owner == nullptr)
            return VFW_E_NOT_IN_GRAPH;
        const bool member = Find(owner) != nullptr;
        owner->Release();
        return member ? S_OK : VFW_E_NOT_IN_GRAPH;
    }

    HRESULT CheckPin(IPin* pin, PIN_DIRECTION expected) {
        HRESULT hr = PinInGraph(pin);
        if (FAILED(hr))
            return hr;
        PIN_DIRECTION direction;
        hr = pin->QueryDirection(&direction);
        if (FAILED(hr))
            return hr;
        return direction == expected ? S_OK : VFW_E_INVALID_DIRECTION;
    }

    static bool IsConnected(IPin* pin) {
        IPin* peer = nullptr;
        if (FAILED(pin->ConnectedTo(&peer)) || peer == nullptr)
            return false;
        peer->Release();
        return true;
    }

    // A name no other filter of the graph has: the given one, else the given one with " 0001"
    // to " 9999" after it (VFW_S_DUPLICATE_NAME); a filter given no name gets "0001" to "9999".
    HRESULT ChooseName(LPCWSTR given, std::u16string& name) {
        auto taken = [&](const std::u16string& candidate) {
            std::lock_guard lock(m_listLock);
            for (const Entry& entry : m_filters)
                if (entry.name == candidate)
                    return true;
            return false;
        };
        std::u16string base = given != nullptr ? given : u"";
        if (base.size() > kMaxNameLength)
            base.resize(kMaxNameLength);
        HRESULT result = S_OK;
        std::u16string prefix;
        if (!base.empty()) {
            if (!taken(base)) {
                name = base;
                return S_OK;
            }
            result = VFW_S_DUPLICATE_NAME;
            prefix = base.substr(0, kMaxNameLength - 5) + u" ";
        }
        for (int n = 1; n <= 9999; ++n) {
            std::u16string candidate = Numbered(prefix, n);
            if (!taken(candidate)) {
                name = std::move(candidate);
                return result;
            }
        }
        return VFW_E_DUPLICATE_NAME;
    }

    // Runs a connection. Reconnections asked for during it are carried out when the outermost
    // connection has completed; those asked for by a connection attempt that failed are
    // dropped with it. The result is the connection's, or else the first failed reconnection's.
    template <class F> HRESULT Connection(F&& connect) {
        const size_t mark = m_deferred.size();
        ++m_connectDepth;
        HRESULT hr = connect();
        --m_connectDepth;
        if (FAILED(hr))
            DropDeferred(mark);
        if (m_connectDepth > 0)
            return hr;
        HRESULT deferred = RunDeferred();
        return SUCCEEDED(hr) && FAILED(deferred) ? deferred : hr;
    }

    HRESULT Defer(IPin* pin, const AM_MEDIA_TYPE* type) {
        Deferred entry{pin, type != nullptr, {}};
        if (type != nullptr && FAILED(CopyMediaType(&entry.type, type)))
            return E_OUTOFMEMORY;
        try {
            m_deferred.push_back(entry);
        } catch (const std::bad_alloc&) {
            if (entry.hasType)
                FreeMediaType(&entry.type);
            return E_OUTOFMEMORY;
        }
        pin->AddRef();
        return S_OK;
    }

    static void Free(Deferred& entry) {
        if (entry.hasType)
            FreeMediaType(&entry.type);
        entry.pin->Release();
    }

    void DropDeferred(size_t keep) {
        while (m_deferred.size() > keep) {
            Free(m_deferred.back());
            m_deferred.pop_back();
        }
    }

    HRESULT RunDeferred() {
        HRESULT first = S_OK;
        int done = 0;
        while (!m_deferred.empty()) {
            Deferred entry = m_deferred.front();
            m_deferred.erase(m_deferred.begin());
            // A later request for the same pin supersedes this one; a pin whose connection has
            // gone meanwhile has nothing to reconnect.
            bool superseded = false;
            for (const Deferred& later : m_deferred)
                superseded = superseded || SameObject(later.pin, entry.pin);
            if (!superseded && IsConnected(entry.pin)) {
                HRESULT hr;
                if (++done > kMaxDeferredReconnects) {
                    DropDeferred(0);
                    hr = E_FAIL;
                } else {
                    ++m_connectDepth;
                    hr = ReconnectNow(entry.pin, entry.hasType ? &entry.type : nullptr);
                    --m_connectDepth;
                }
                if (FAILED(hr) && SUCCEEDED(first))
                    first = hr;
            }
            Free(entry);
        }
        return first;
    }

    // Disconnects both ends of the pin's connection and connects them again, the output pin
    // initiating, with the given type or, for none, a negotiated one. If that fails, the
    // previous connection is restored when it can be, and the failure returned. Reconnections
    // asked for by a failed attempt are dropped; those of the restored connection are kept, so
    // that the filters can bring their other connections back in line with it.
    HRESULT ReconnectNow(IPin* pin, const AM_MEDIA_TYPE* type) {
        IPin* peer = nullptr;
        if (FAILED(pin->ConnectedTo(&peer)) || peer == nullptr)
            return VFW_E_NOT_CONNECTED;
        PIN_DIRECTION direction;
        HRESULT hr = pin->QueryDirection(&direction);
        if (FAILED(hr)) {
            peer->Release();
            return hr;
        }
        IPin* out = direction == PINDIR_OUTPUT ? pin : peer;
        IPin* in = direction == PINDIR_OUTPUT ? peer : pin;
        AM_MEDIA_TYPE previous{};
        const bool hadType = out->ConnectionMediaType(&previous) == S_OK;
        hr = out->Disconnect();
        if (SUCCEEDED(hr))
            hr = in->Disconnect();
        if (SUCCEEDED(hr)) {
            const size_t mark = m_deferred.size();
            hr = out->Connect(in, type);
            if (FAILED(hr)) {
                DropDeferred(mark);
                if (hadType && FAILED(out->Connect(in, &previous)))
                    DropDeferred(mark);
            }
        }
        if (hadType)
            FreeMediaType(&previous);
        peer->Release();
        return hr;
    }

    HRESULT SetClockLocked(IReferenceClock* clock) {
        std::vector<IBaseFilter*> filters = Snapshot();
        HRESULT first = S_OK;
        for (IBaseFilter* filter : filters) {
            HRESULT hr = filter->SetSyncSource(clock);
            if (FAILED(hr) && SUCCEEDED(first))
                first = hr;
        }
        ReleaseAll(filters);
        if (clock != nullptr)
            clock->AddRef();
        IReferenceClock* old;
        {
            std::lock_guard lock(m_listLock);
            old = m_clock;
            m_clock = clock;
        }
        if (old != nullptr)
            old->Release();
        m_clockChosen = true;
        return first;
    }

    HRESULT SetDefaultClockLocked() {
        IReferenceClock* clock = nullptr;
        HRESULT hr =
            CreateSystemClock(nullptr, IID_IReferenceClock, reinterpret_cast<void**>(&clock));
        if (FAILED(hr))
            return hr;
        hr = SetClockLocked(clock);
        clock->Release();
        return hr;
    }

    void SetState(FILTER_STATE state, bool changing) {
        std::lock_guard lock(m_listLock);
        m_state = state;
        m_changing = changing;
    }

    // Calls every filter, downstream ones first. The first failure ends the walk and stops the
    // graph; a success code other than S_OK (a filter still on its way) gives S_FALSE.
    template <class F> HRESULT Transition(FILTER_STATE target, F&& call) {
        std::vector<IBaseFilter*> filters = Snapshot();
        const std::vector<IBaseFilter*> order = DownstreamFirst(filters);
        SetState(target, true);
        HRESULT result = S_OK;
        for (IBaseFilter* filter : order) {
            HRESULT hr = call(filter);
            if (FAILED(hr)) {
                result = hr;
                break;
            }
            if (hr != S_OK)
                result = S_FALSE;
        }
        SetState(target, false);
        ReleaseAll(filters);
        if (FAILED(result))
            StopLocked();
        return result;
    }

    HRESULT PauseLocked() {
        if (m_state == State_Paused)
            return S_OK;
        if (!m_clockChosen)
            SetDefaultClockLocked(); // without a clock the graph runs unclocked
        m_pausedStreamTime = 0;
        REFERENCE_TIME now;
        if (m_state == State_Running && m_clock != nullptr && SUCCEEDED(m_clock->GetTime(&now)))
            m_pausedStreamTime = now - m_start;
        HRESULT hr = Transition(State_Paused, [](IBaseFilter* f) { return f->Pause(); });
        if (SUCCEEDED(hr))
            m_events.Paused();
        return hr;
    }

    HRESULT RunLocked(REFERENCE_TIME start) {
        if (m_state == State_Running)
            return S_OK;
        std::vector<IBaseFilter*> filters = Snapshot();
        std::vector<IBaseFilter*> renderers;
        for (IBaseFilter* filter : filters)
            if (IsRenderer(filter))
                renderers.push_back(filter);
        ReleaseAll(filters);
        m_start = start;
        m_events.Running(renderers);
        return Transition(State_Running, [start](IBaseFilter* f) { return f->Run(start); });
    }

    HRESULT StopLocked() {
        if (m_state == State_Stopped)
            return S_OK;
        std::vector<IBaseFilter*> filters = Snapshot();
        const std::vector<IBaseFilter*> order = DownstreamFirst(filters);
        SetState(State_Stopped, true);
        HRESULT first = S_OK;
        for (IBaseFilter* filter : order) {
            HRESULT hr = filter->Stop();
            if (FAILED(hr) && SUCCEEDED(first))
                first = hr;
        }
        SetState(State_Stopped, false);
        ReleaseAll(filters);
        m_events.Stopped();
        return first;
    }

    // The graph's state; VFW_S_STATE_INTERMEDIATE while a change is under way or while any
    // filter reports one within the time-out, which is shared by all the filters.
    HRESULT StateOf(DWORD msTimeout, FILTER_STATE* out) {
        if (out == nullptr)
            return E_POINTER;
        std::vector<IBaseFilter*> filters;
        bool changing;
        {
            std::lock_guard lock(m_listLock);
            *out = m_state;
            changing = m_changing;
        }
        if (changing)
            return VFW_S_STATE_INTERMEDIATE;
        filters = Snapshot();
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(msTimeout);
        HRESULT result = S_OK;
        for (IBaseFilter* filter : filters) {
            DWORD left = INFINITE;
            if (msTimeout != INFINITE) {
                auto ms =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
                left = ms.count() > 0 ? static_cast<DWORD>(ms.count()) : 0;
            }
            FILTER_STATE state;
            HRESULT hr = filter->GetState(left, &state);
            if (FAILED(hr)) {
                result = hr;
                break;
            }
            if (hr == VFW_S_STATE_INTERMEDIATE || (hr != S_OK && result == S_OK))
                result = hr;
        }
        ReleaseAll(filters);
        return result;
    }

    void Shutdown() {
        std::lock_guard control(m_control);
        StopLocked();
        std::vector<IBaseFilter*> filters = Snapshot();
        for (IBaseFilter* filter : filters)
            DisconnectPins(filter);
        for (IBaseFilter* filter : filters)
            filter->JoinFilterGraph(nullptr, nullptr);
        ReleaseAll(filters);
        std::vector<Entry> members;
        IReferenceClock* clock;
        {
            std::lock_guard lock(m_listLock);
            members.swap(m_filters);
            ++m_version;
            clock = m_clock;
            m_clock = nullptr;
        }
        for (Entry& entry : members)
            entry.filter->Release();
        if (clock != nullptr)
            clock->Release();
        DropDeferred(0);
    }

    LONG m_refs = 0;
    std::recursive_mutex m_control;
    std::mutex m_listLock;

    // Under m_listLock; changed only with m_control held as well.
    std::vector<Entry> m_filters;
    LONG m_version = 1;
    FILTER_STATE m_state = State_Stopped;
    bool m_changing = false;
    IReferenceClock* m_clock = nullptr; // counted

    // Under m_control.
    bool m_clockChosen = false; // SetSyncSource or SetDefaultSyncSource has been called
    REFERENCE_TIME m_start = 0;
    REFERENCE_TIME m_pausedStreamTime = 0;
    int m_connectDepth = 0;
    std::vector<Deferred> m_deferred;

    GraphEvents m_events;
};

} // namespace

HRESULT CreateFilterGraph(IUnknown*, REFIID riid, void** ppv) {
    auto* graph = new (std::nothrow) FilterGraph;
    if (graph == nullptr)
        return E_OUTOFMEMORY;
    graph->AddRef();
    HRESULT hr = graph->QueryInterface(riid, ppv);
    graph->Release();
    return hr;
}

} // namespace dqplatform
