// The filter object: creation, interfaces and settings.
#include "filter/direct_quorbit.h"

#include <cstring>
#include <new>

#include "drawlib/draw_quorbit.h"
#include "filter/delegate_wrapper.h"
#include "platform/filewatch/file_system_watcher.h"

CUnknown* CDirectQuorbit::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
    try {
        return new CDirectQuorbit(outer, result);
    } catch (const std::bad_alloc&) {
        if (result)
            *result = E_OUTOFMEMORY;
    } catch (const std::exception&) {
        // The drawing object or the watcher could not be made.
        if (result)
            *result = E_FAIL;
    }
    return nullptr;
}

CDirectQuorbit::CDirectQuorbit(LPUNKNOWN outer, HRESULT* result)
    : CTransInPlaceFilter(nullptr, outer, CLSID_DirectQuorbit_RELEASE, result, true),
      CPersistStream(outer, result) {
    m_pDraw = std::make_unique<DrawQuorbit>(1, 1);
    m_pDelegate = std::make_unique<delegateWrapper>(static_cast<IDirectQuorbit*>(this));
    m_pWatcher = std::make_unique<dq::io::FileSystemWatcher>();
    m_pWatcher->SetNotifyFilter(dq::io::NotifyFilterSize | dq::io::NotifyFilterLastWrite);
    m_pWatcher->SetIncludeSubdirectories(false);
    m_pWatcher->SetChanged([delegate = m_pDelegate.get()](dq::io::FileSystemWatcher& sender,
                                                          const dq::io::FileSystemEventArgs& e) {
        delegate->Do(sender, e);
    });
}

CDirectQuorbit::~CDirectQuorbit() {
    // No change event may reach a filter that is going away: switching raising off waits for a
    // reload already under way on the watcher's thread.
    m_pWatcher->SetEnableRaisingEvents(false);
    m_pWatcher->SetChanged(nullptr);
    m_strError.clear();
    m_pDelegate.reset();
    m_pWatcher.reset();
    m_pDraw.reset();
}

STDMETHODIMP CDirectQuorbit::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IDirectQuorbit)
        return GetInterface(static_cast<IDirectQuorbit*>(this), ppv);
    if (riid == IID_ISpecifyPropertyPages)
        return GetInterface(static_cast<ISpecifyPropertyPages*>(this), ppv);
    if (riid == IID_IPersistStream)
        return GetInterface(static_cast<IPersistStream*>(this), ppv);
    if (riid == IID_IDirectQuorbitLoadReport)
        return GetInterface(static_cast<IDirectQuorbitLoadReport*>(this), ppv);
    return CTransInPlaceFilter::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CDirectQuorbit::GetClassID(CLSID* clsid) {
    if (clsid == nullptr)
        return E_POINTER;
    *clsid = CLSID_DirectQuorbit_RELEASE;
    return S_OK;
}

STDMETHODIMP CDirectQuorbit::GetPages(CAUUID* pages) {
    if (pages == nullptr)
        return E_POINTER;
    pages->cElems = 1;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (pages->pElems == nullptr)
        return E_OUTOFMEMORY;
    pages->pElems[0] = CLSID_DirectQuorbitProp;
    return S_OK;
}

STDMETHODIMP CDirectQuorbit::get_FileName(WCHAR* fileName) {
    if (fileName == nullptr)
        return E_POINTER;
    std::lock_guard lock(m_pathLock);
    std::memcpy(fileName, m_szFileName, sizeof m_szFileName); // zero-filled after the text
    return S_OK;
}

STDMETHODIMP CDirectQuorbit::get_ChangeImmediate(bool* changeImmediate) {
    if (changeImmediate == nullptr)
        return E_POINTER;
    *changeImmediate = m_bChangeImmediate;
    return S_OK;
}

STDMETHODIMP CDirectQuorbit::get_HideSubtitles(bool* hideSubtitles) {
    if (hideSubtitles == nullptr)
        return E_POINTER;
    *hideSubtitles = m_bHideSubtitles;
    return S_OK;
}

STDMETHODIMP CDirectQuorbit::put_HideSubtitles(bool hideSubtitles) {
    m_bHideSubtitles = hideSubtitles;
    SetDirty(TRUE);
    return S_OK;
}

STDMETHODIMP CDirectQuorbit::get_Delay(LONG* delay) {
    if (delay == nullptr)
        return E_POINTER;
    *delay = m_nDelay;
    return S_OK;
}

STDMETHODIMP CDirectQuorbit::put_Delay(LONG delay) {
    m_nDelay = delay;
    m_pDraw->timeUserFix(delay);
    SetDirty(TRUE);
    return S_OK;
}

STDMETHODIMP CDirectQuorbit::get_DebugOutput(bool* debugOutput) {
    if (debugOutput == nullptr)
        return E_POINTER;
    *debugOutput = m_bDebugOutput;
    return S_OK;
}

STDMETHODIMP CDirectQuorbit::put_DebugOutput(bool debugOutput) {
    m_bDebugOutput = debugOutput;
    m_pDraw->debug(debugOutput);
    SetDirty(TRUE);
    return S_OK;
}
