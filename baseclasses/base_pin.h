// The framework's abstract pin: the connection protocol (who initiates, how a type both sides
// accept is found, how a failed attempt is undone), the pin queries and the current segment.
#pragma once

#include "baseclasses/media_type.h"
#include "baseclasses/ref_time.h"
#include "baseclasses/section_lock.h"
#include "baseclasses/unknown.h"

#include <atomic>

class CBaseFilter;

class CBasePin : public CUnknown, public IPin, public IQualityControl {
public:
    // The pin name is copied; when the copy cannot be allocated the pin has no name.
    CBasePin(LPCWSTR debugName, CBaseFilter* filter, CSectionLock* lock, HRESULT* result,
             LPCWSTR pinName, PIN_DIRECTION direction);
    ~CBasePin() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    // A pin lives as long as its filter: its references are the filter's.
    STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
    STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

    // What derived pins decide.
    virtual LONG GetTypeVersion();
    virtual HRESULT BecomeActive();
    virtual HRESULT BecomeInactive() = 0;
    virtual HRESULT OnRun(REFERENCE_TIME start);
    // S_OK accepts the type; anything else refuses it.
    virtual HRESULT VerifyMediaType(const CMediaType* type) = 0;
    virtual HRESULT SetMediaType(const CMediaType* type);
    virtual HRESULT CheckConnect(IPin* peer);
    // Undoes what CheckConnect and SetMediaType set up; a failure keeps a connection.
    virtual HRESULT BreakConnect() = 0;
    virtual HRESULT CompleteConnect(IPin* peer);
    virtual HRESULT GetMediaType(int position, CMediaType* type);

    // IPin (QueryId, EndOfStream, BeginFlush and EndFlush come from the derived pins)
    STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** out) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* out) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* out) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* out) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** out) override;
    STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // IQualityControl (Notify comes from the derived pins)
    STDMETHODIMP SetSink(IQualityControl* sink) override;

    bool IsConnected() const { return m_pConnectedPin != nullptr; }
    IPin* GetConnected() const { return m_pConnectedPin; }
    PIN_DIRECTION GetDirection() const { return m_eDirection; }
    const CMediaType& CurrentMediaType() const { return m_mtConnection; }
    REFERENCE_TIME CurrentStartTime() const { return m_rtSegmentStart; }
    REFERENCE_TIME CurrentStopTime() const { return m_rtSegmentStop; }
    double CurrentRate() const { return m_dSegmentRate; }
    CBaseFilter* OwnerFilter() const { return m_pOwnerFilter; }
    IPin* AsPin() { return static_cast<IPin*>(this); }

protected:
    // With the pin lock held.
    HRESULT DisconnectLocked();
    HRESULT NegotiateMediaType(IPin* receivePin, const AM_MEDIA_TYPE* type);
    HRESULT TryEnumeratedTypes(IPin* receivePin, const CMediaType* tmpl,
                               IEnumMediaTypes* enumerator);
    HRESULT TryConnectWithType(IPin* receivePin, const CMediaType* type);

    WCHAR* m_wszPinName;   // owned, array
    IPin* m_pConnectedPin; // counted; non-null means connected
    const PIN_DIRECTION m_eDirection;
    CSectionLock* const m_pPinLock; // the filter lock
    // Set on the streaming thread, cleared by the control thread.
    std::atomic<bool> m_bStreamError;
    bool m_bReconnectWhileActive;
    bool m_bOwnTypesFirst;
    CBaseFilter* const m_pOwnerFilter; // not counted
    IQualityControl* m_pQualitySink;   // not counted
    LONG m_nTypeVersion;
    CMediaType m_mtConnection;
    REFERENCE_TIME m_rtSegmentStart;
    REFERENCE_TIME m_rtSegmentStop;
    double m_dSegmentRate;
};
