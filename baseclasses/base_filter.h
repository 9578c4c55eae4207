// The framework's abstract filter: streaming state, clock, graph membership and the filter lock
// shared with the pins. A derived filter reports its pins through GetPinCount and GetPin.
#pragma once

#include <atomic>

#include "baseclasses/amovie_setup.h"
#include "baseclasses/ref_time.h"
#include "baseclasses/section_lock.h"
#include "baseclasses/unknown.h"

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup {
public:
    CBaseFilter(LPCWSTR debugName, IUnknown* outer, CSectionLock* lock, REFCLSID clsid);
    ~CBaseFilter() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // Stream time = clock time - the start time given to Run.
    virtual HRESULT StreamTime(CRefTime& t);
    virtual LONG GetPinVersion();
    virtual int GetPinCount() = 0;
    // The pin at index n (0 <= n < GetPinCount()), or null.
    virtual CBasePin* GetPin(int n) = 0;
    virtual const AMOVIESETUP_FILTER* GetSetupData();

    // IPersist
    STDMETHODIMP GetClassID(CLSID* clsid) override;

    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP GetState(DWORD milliseconds, FILTER_STATE* state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;

    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** out) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin** out) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

    // IAMovieSetup
    STDMETHODIMP Register() override;
    STDMETHODIMP Unregister() override;

    // Sends an event to the graph; EC_COMPLETE always carries this filter as second parameter.
    HRESULT SendGraphEvent(LONG code, LONG_PTR param1, LONG_PTR param2);
    // Asks the graph to reconnect a pin, with the given type when the graph can take one.
    HRESULT RequestReconnect(IPin* pin, const AM_MEDIA_TYPE* type);

    FILTER_STATE State() const { return m_eState.load(); }
    bool IsStopped() const { return m_eState.load() == State_Stopped; }
    IFilterGraph* GetFilterGraph() const { return m_pOwnerGraph; }
    CSectionLock* FilterLock() const { return m_pFilterLock; }

protected:
    // Written under the filter lock, read by streaming threads.
    std::atomic<FILTER_STATE> m_eState;
    IReferenceClock* m_pRefClock; // counted
    CRefTime m_rtStart;
    CLSID m_clsidFilter;
    CSectionLock* const m_pFilterLock; // owned by the derived filter
    WCHAR* m_wszFilterName;            // owned, array
    IFilterGraph* m_pOwnerGraph;       // not counted: the graph owns the filter
    IMediaEventSink* m_pEventSink;     // not counted
    LONG m_nPinVersion;
};
