// The seeking pass-through: a filter aggregates it to answer IMediaSeeking and IMediaPosition
// on a pin by forwarding every call to the filter upstream of another of its pins (the one
// given to Init, usually the input pin): the call goes to the pin that one is connected to.
#include <mutex>
#include <new>

#include "platform/linux/dshow/dshow_interfaces.h"
#include "platform/linux/dshow/runtime_classes.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

class SeekingPassThru final : public ISeekingPassThru, public IMediaSeeking, public IMediaPosition {
public:
    explicit SeekingPassThru(IUnknown* outer)
        : m_inner(this), m_outer(outer != nullptr ? outer : &m_inner) {}

    IUnknown* Inner() { return &m_inner; }

    // The outer object's identity and lifetime.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return m_outer->QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return m_outer->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_outer->Release(); }

    // The pin is not counted: it belongs to the filter that aggregates this object, and a
    // reference on it would keep that filter alive for ever.
    STDMETHODIMP Init(BOOL bSupportRendering, IPin* pPin) override {
        if (pPin == nullptr)
            return E_POINTER;
        std::lock_guard lock(m_mutex);
        if (m_pin != nullptr)
            return E_FAIL;
        m_pin = pPin;
        // A renderer's pass-through reports positions from upstream as well: no renderer
        // registers its media times here.
        m_rendering = bSupportRendering != FALSE;
        return S_OK;
    }

    // IMediaSeeking
    STDMETHODIMP GetCapabilities(DWORD* pCapabilities) override {
        if (pCapabilities == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) { return s->GetCapabilities(pCapabilities); });
    }
    STDMETHODIMP CheckCapabilities(DWORD* pCapabilities) override {
        if (pCapabilities == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) { return s->CheckCapabilities(pCapabilities); });
    }
    STDMETHODIMP IsFormatSupported(const GUID* pFormat) override {
        if (pFormat == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) { return s->IsFormatSupported(pFormat); });
    }
    STDMETHODIMP QueryPreferredFormat(GUID* pFormat) override {
        if (pFormat == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) { return s->QueryPreferredFormat(pFormat); });
    }
    STDMETHODIMP GetTimeFormat(GUID* pFormat) override {
        if (pFormat == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) { return s->GetTimeFormat(pFormat); });
    }
    STDMETHODIMP IsUsingTimeFormat(const GUID* pFormat) override {
        if (pFormat == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) { return s->IsUsingTimeFormat(pFormat); });
    }
    STDMETHODIMP SetTimeFormat(const GUID* pFormat) override {
        if (pFormat == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) { return s->SetTimeFormat(pFormat); });
    }
    STDMETHODIMP GetDuration(LONGLONG* pDuration) override {
        if (pDuration == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) { return s->GetDuration(pDuration); });
    }
    STDMETHODIMP GetStopPosition(LONGLONG* pStop) override {
        if (pStop == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) { return s->GetStopPosition(pStop); });
    }
    STDMETHODIMP GetCurrentPosition(LONGLONG* pCurrent) override {
        if (pCurrent == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) { return s->GetCurrentPosition(pCurrent); });
    }
    // A null format means the current one, so the formats are passed on as they are.
    STDMETHODIMP ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG Source,
                                   const GUID* pSourceFormat) override {
        if (pTarget == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) {
            return s->ConvertTimeFormat(pTarget, pTargetFormat, Source, pSourceFormat);
        });
    }
    // Either position may be absent, as its flags say: passed on as they are.
    STDMETHODIMP SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop,
                              DWORD dwStopFlags) override {
        return Seeking([&](IMediaSeeking* s) {
            return s->SetPositions(pCurrent, dwCurrentFlags, pStop, dwStopFlags);
        });
    }
    STDMETHODIMP GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) override {
        return Seeking([&](IMediaSeeking* s) { return s->GetPositions(pCurrent, pStop); });
    }
    STDMETHODIMP GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) override {
        return Seeking([&](IMediaSeeking* s) { return s->GetAvailable(pEarliest, pLatest); });
    }
    STDMETHODIMP SetRate(double dRate) override {
        return Seeking([&](IMediaSeeking* s) { return s->SetRate(dRate); });
    }
    STDMETHODIMP GetRate(double* pdRate) override {
        if (pdRate == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) { return s->GetRate(pdRate); });
    }
    STDMETHODIMP GetPreroll(LONGLONG* pllPreroll) override {
        if (pllPreroll == nullptr)
            return E_POINTER;
        return Seeking([&](IMediaSeeking* s) { return s->GetPreroll(pllPreroll); });
    }

    // IDispatch: there is no type library on Linux, so automation by name is not available.
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

    // IMediaPosition
    STDMETHODIMP get_Duration(REFTIME* plength) override {
        if (plength == nullptr)
            return E_POINTER;
        return Position([&](IMediaPosition* p) { return p->get_Duration(plength); });
    }
    STDMETHODIMP put_CurrentPosition(REFTIME llTime) override {
        return Position([&](IMediaPosition* p) { return p->put_CurrentPosition(llTime); });
    }
    STDMETHODIMP get_CurrentPosition(REFTIME* pllTime) override {
        if (pllTime == nullptr)
            return E_POINTER;
        return Position([&](IMediaPosition* p) { return p->get_CurrentPosition(pllTime); });
    }
    STDMETHODIMP get_StopTime(REFTIME* pllTime) override {
        if (pllTime == nullptr)
            return E_POINTER;
        return Position([&](IMediaPosition* p) { return p->get_StopTime(pllTime); });
    }
    STDMETHODIMP put_StopTime(REFTIME llTime) override {
        return Position([&](IMediaPosition* p) { return p->put_StopTime(llTime); });
    }
    STDMETHODIMP get_PrerollTime(REFTIME* pllTime) override {
        if (pllTime == nullptr)
            return E_POINTER;
        return Position([&](IMediaPosition* p) { return p->get_PrerollTime(pllTime); });
    }
    STDMETHODIMP put_PrerollTime(REFTIME llTime) override {
        return Position([&](IMediaPosition* p) { return p->put_PrerollTime(llTime); });
    }
    STDMETHODIMP put_Rate(double dRate) override {
        return Position([&](IMediaPosition* p) { return p->put_Rate(dRate); });
    }
    STDMETHODIMP get_Rate(double* pdRate) override {
        if (pdRate == nullptr)
            return E_POINTER;
        return Position([&](IMediaPosition* p) { return p->get_Rate(pdRate); });
    }
    STDMETHODIMP CanSeekForward(LONG* pCanSeekForward) override {
        if (pCanSeekForward == nullptr)
            return E_POINTER;
        return Position([&](IMediaPosition* p) { return p->CanSeekForward(pCanSeekForward); });
    }
    STDMETHODIMP CanSeekBackward(LONG* pCanSeekBackward) override {
        if (pCanSeekBackward == nullptr)
            return E_POINTER;
        return Position([&](IMediaPosition* p) { return p->CanSeekBackward(pCanSeekBackward); });
    }

private:
    // The object's own unknown, which an aggregating object holds.
    class InnerUnknown final : public IUnknown {
    public:
        explicit InnerUnknown(SeekingPassThru* object) : m_object(object) {}

        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
            if (ppv == nullptr)
                return E_POINTER;
            if (IsEqualGUID(riid, IID_IUnknown)) {
                *ppv = static_cast<IUnknown*>(this);
                AddRef();
                return S_OK;
            }
            IUnknown* found = nullptr;
            if (IsEqualGUID(riid, IID_ISeekingPassThru))
                found = static_cast<ISeekingPassThru*>(m_object);
            else if (IsEqualGUID(riid, IID_IMediaSeeking))
                found = static_cast<IMediaSeeking*>(m_object);
            else if (IsEqualGUID(riid, IID_IMediaPosition) || IsEqualGUID(riid, IID_IDispatch))
                found = static_cast<IMediaPosition*>(m_object);
            if (found == nullptr) {
                *ppv = nullptr;
                return E_NOINTERFACE;
            }
            found->AddRef(); // through the outer unknown, as every interface of this object
            *ppv = found;
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override {
            return static_cast<ULONG>(InterlockedIncrement(&m_refs));
        }
        STDMETHODIMP_(ULONG) Release() override {
            LONG n = InterlockedDecrement(&m_refs);
            if (n == 0)
                delete m_object;
            return static_cast<ULONG>(n);
        }

    private:
        SeekingPassThru* m_object;
        LONG m_refs = 0;
    };

    // The interface iid of the filter upstream of the pin, or the reason there is none.
    template <class I> HRESULT Upstream(REFIID iid, I** out) {
        *out = nullptr;
        IPin* pin;
        {
            std::lock_guard lock(m_mutex);
            pin = m_pin;
        }
        if (pin == nullptr)
            return E_UNEXPECTED; // not initialised
        IPin* peer = nullptr;
        if (FAILED(pin->ConnectedTo(&peer)) || peer == nullptr)
            return VFW_E_NOT_CONNECTED;
        HRESULT hr = peer->QueryInterface(iid, reinterpret_cast<void**>(out));
        peer->Release();
        if (FAILED(hr) || *out == nullptr) {
            *out = nullptr;
            return E_NOTIMPL;
        }
        return S_OK;
    }

    template <class F> HRESULT Seeking(F&& call) {
        IMediaSeeking* seeking;
        HRESULT hr = Upstream(IID_IMediaSeeking, &seeking);
        if (FAILED(hr))
            return hr;
        hr = call(seeking);
        seeking->Release();
        return hr;
    }

    template <class F> HRESULT Position(F&& call) {
        IMediaPosition* position;
        HRESULT hr = Upstream(IID_IMediaPosition, &position);
        if (FAILED(hr))
            return hr;
        hr = call(position);
        position->Release();
        return hr;
    }

    InnerUnknown m_inner;
    IUnknown* const m_outer;
    std::mutex m_mutex;
    IPin* m_pin = nullptr;
    bool m_rendering = false;
};

} // namespace

HRESULT CreateSeekingPassThru(IUnknown* outer, REFIID riid, void** ppv) {
    auto* object = new (std::nothrow) SeekingPassThru(outer);
    if (object == nullptr)
        return E_OUTOFMEMORY;
    IUnknown* inner = object->Inner();
    inner->AddRef();
    HRESULT hr = inner->QueryInterface(riid, ppv);
    inner->Release();
    return hr;
}

} // namespace dqplatform
