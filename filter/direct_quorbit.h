// The DirectQuorbit overlay filter: an in-place RGB24 video transform that paints, onto every
// frame, what the overlay script shows at that frame's stream time.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "baseclasses/persist_stream.h"
#include "baseclasses/trans_in_place_filter.h"
#include "filter/i_direct_quorbit.h"
#include "filter/i_direct_quorbit_load_report.h"
#include "platform/drawing/drawing.h"

class DrawQuorbit;
class delegateWrapper;
namespace dq::io {
class FileSystemWatcher;
}

class CDirectQuorbit : public CTransInPlaceFilter,
                       public ISpecifyPropertyPages,
                       public CPersistStream,
                       public IDirectQuorbit,
                       public IDirectQuorbitLoadReport {
public:
    // The class factory's creation function. Null (with the reason in *result) when the filter
    // or one of its services cannot be made.
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);
    ~CDirectQuorbit() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IPersist (through IBaseFilter and IPersistStream alike)
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pages) override;

    // IDirectQuorbit
    STDMETHODIMP get_FileName(WCHAR* fileName) override;
    STDMETHODIMP put_FileName(WCHAR* fileName) override;
    STDMETHODIMP reload_File() override;
    STDMETHODIMP get_ChangeImmediate(bool* changeImmediate) override;
    STDMETHODIMP put_ChangeImmediate(bool changeImmediate) override;
    STDMETHODIMP get_HideSubtitles(bool* hideSubtitles) override;
    STDMETHODIMP put_HideSubtitles(bool hideSubtitles) override;
    STDMETHODIMP get_Delay(LONG* delay) override;
    STDMETHODIMP put_Delay(LONG delay) override;
    STDMETHODIMP get_DebugOutput(bool* debugOutput) override;
    STDMETHODIMP put_DebugOutput(bool debugOutput) override;

    // IDirectQuorbitLoadReport
    STDMETHODIMP GetLastLoad(ULONG maxWarnings, ULONG* loads, HRESULT* result, ULONG* warnings,
                             WCHAR** text) override;

    // Input format negotiation: RGB24 in a VIDEOINFOHEADER only.
    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;

    // The per-frame overlay, in the sample's own memory.
    using CTransInPlaceFilter::Transform;
    HRESULT Transform(IMediaSample* sample) override;

private:
    CDirectQuorbit(LPUNKNOWN outer, HRESULT* result);

    // The message shown on the video in place of the overlay (empty: none).
    void SetError(std::u16string message) noexcept;
    bool RetargetWatcher(const WCHAR* fileName) noexcept;

    // Frame geometry of the accepted input type (a negative height: rows top-down).
    int32_t m_nWidth = 0;
    int32_t m_nHeight = 0;
    int32_t m_nStride = 0;

    std::unique_ptr<DrawQuorbit> m_pDraw;
    std::unique_ptr<dq::io::FileSystemWatcher> m_pWatcher;
    std::unique_ptr<delegateWrapper> m_pDelegate;

    WCHAR m_szFileName[DQ_MAX_PATH] = {}; // guarded by m_pathLock
    std::atomic<bool> m_bChangeImmediate{false};
    std::atomic<bool> m_bHideSubtitles{false};
    std::atomic<int32_t> m_nDelay{0};
    std::atomic<bool> m_bDebugOutput{false};
    std::atomic<bool> m_bReloading{false};
    std::u16string m_strError;                // guarded by m_errorLock
    std::atomic<bool> m_bErrorPending{false}; // m_strError is not empty
    // The latest load, for IDirectQuorbitLoadReport; guarded by m_drawLock. The failure's
    // message is kept here too, since m_strError is emptied as the next reload starts.
    ULONG m_nLoads = 0;
    HRESULT m_hrLastLoad = S_FALSE;
    std::u16string m_strLoadError;

    std::mutex m_pathLock;
    std::mutex m_errorLock;
    // Keeps a load and a frame's drawing apart, and two loads apart. Frames that arrive during
    // a load wait for it rather than being dropped.
    std::mutex m_drawLock;
    // Serialises the watcher's configuration (path, raising). Never held by a reload, so the
    // watcher may wait for a running handler while it is held.
    std::mutex m_watchLock;
    bool m_bWatchTargeted = false; // guarded by m_watchLock

    // Reused from frame to frame by the streaming thread.
    dq::gfx::ScratchSurface m_scratch;
};
