#include "propertypage/base_property_page.h"

#include "baseclasses/alloc_wide_string.h"
#include "module/class_factory.h" // g_hModuleInstance
#include "platform/exception_boundary.h"

namespace {

// What a frame gets when the dialog cannot be measured.
constexpr SIZE kFallbackPageSize{340, 150};

constexpr int kTitleChars = 256;

} // namespace

// The record's size is part of the contract with 32-bit frames.
static_assert(sizeof(void*) != 4 || sizeof(PROPPAGEINFO) == 28);

CBasePropertyPage::CBasePropertyPage(LPCWSTR name, LPUNKNOWN outer, int dialogResId, int titleResId)
    : CUnknown(name, outer), m_nTitleResId(titleResId), m_nDialogResId(dialogResId) {}

STDMETHODIMP CBasePropertyPage::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (riid == IID_IPropertyPage)
        return GetInterface(static_cast<IPropertyPage*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CBasePropertyPage::NonDelegatingAddRef() {
    const LONG now = InterlockedIncrement(&m_nRefCount);
    return now < 1 ? 1u : static_cast<ULONG>(now);
}

STDMETHODIMP_(ULONG) CBasePropertyPage::NonDelegatingRelease() {
    const LONG now = InterlockedDecrement(&m_nRefCount);
    if (now != 0)
        return now < 1 ? 1u : static_cast<ULONG>(now);

    // References taken and dropped while detaching must not start a second destruction.
    __atomic_store_n(&m_nRefCount, 1, __ATOMIC_RELAXED);
    // A frame that lets the page go while it is shown would leave a dialog whose procedure
    // points at freed memory.
    if (m_hwndPage != nullptr)
        Deactivate();
    SetPageSite(nullptr);
    SetObjects(0, nullptr);
    delete this;
    return 0;
}

STDMETHODIMP CBasePropertyPage::SetPageSite(IPropertyPageSite* site) {
    if (site != nullptr) {
        if (m_pPageSite != nullptr)
            return E_UNEXPECTED;
        m_pPageSite = site;
        m_pPageSite->AddRef();
        return S_OK;
    }
    if (m_pPageSite == nullptr)
        return E_UNEXPECTED;
    m_pPageSite->Release();
    m_pPageSite = nullptr;
    return S_OK;
}

STDMETHODIMP CBasePropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
    return ExceptionBoundary([&]() -> HRESULT {
        if (rect == nullptr)
            return E_POINTER;
        if (!m_bObjectSet || m_hwndPage != nullptr)
            return E_UNEXPECTED;
        // WM_INITDIALOG reaches the page before this returns.
        m_hwndPage = CreateDialogParamW(g_hModuleInstance, MAKEINTRESOURCEW(m_nDialogResId), parent,
                                        DialogProc, reinterpret_cast<LPARAM>(this));
        // A dialog destroyed during its initialisation may still come back as a handle (some
        // systems return it); only a live window makes the page active.
        if (m_hwndPage == nullptr || !IsWindow(m_hwndPage)) {
            m_hwndPage = nullptr;
            return E_OUTOFMEMORY;
        }
        OnActivate();
        Move(rect);
        return Show(SW_SHOWNORMAL);
    });
}

STDMETHODIMP CBasePropertyPage::Deactivate() {
    if (m_hwndPage == nullptr)
        return E_UNEXPECTED;
    // The dialog no longer takes part in the frame's tab order. The page reads as inactive
    // while the style change is delivered.
    HWND page = m_hwndPage;
    const LONG_PTR exStyle = GetWindowLongPtrW(page, GWL_EXSTYLE);
    m_hwndPage = nullptr;
    SetWindowLongPtrW(page, GWL_EXSTYLE, exStyle & ~LONG_PTR(WS_EX_CONTROLPARENT));
    m_hwndPage = page;

    OnDeactivate();
    DestroyWindow(m_hwndPage);
    m_hwndPage = nullptr;
    return S_OK;
}

STDMETHODIMP CBasePropertyPage::GetPageInfo(PROPPAGEINFO* info) {
    if (info == nullptr)
        return E_POINTER;
    WCHAR buffer[kTitleChars];
    LPWSTR title = nullptr;
    const HRESULT hr = AllocWideString(LoadResourceString(buffer, m_nTitleResId), &title);
    if (FAILED(hr))
        return hr;

    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = title;
    info->size = kFallbackPageSize;
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    MeasureDialog(m_nDialogResId, DialogProc, 0, &info->size);
    return S_OK;
}

STDMETHODIMP CBasePropertyPage::SetObjects(ULONG count, IUnknown** objects) {
    return ExceptionBoundary([&]() -> HRESULT {
        if (count == 1) {
            if (objects == nullptr || objects[0] == nullptr)
                return E_POINTER;
            m_bObjectSet = TRUE;
            return OnConnect(objects[0]);
        }
        if (count == 0) {
            m_bObjectSet = FALSE;
            return OnDisconnect();
        }
        // One object at a time.
        return E_UNEXPECTED;
    });
}

STDMETHODIMP CBasePropertyPage::Show(UINT command) {
    if (m_hwndPage == nullptr)
        return E_UNEXPECTED;
    if (command != SW_SHOW && command != SW_SHOWNORMAL && command != SW_HIDE)
        return E_INVALIDARG;
    ShowWindow(m_hwndPage, static_cast<int>(command));
    InvalidateRect(m_hwndPage, nullptr, TRUE);
    return S_OK;
}

STDMETHODIMP CBasePropertyPage::Move(LPCRECT rect) {
    if (rect == nullptr)
        return E_POINTER;
    if (m_hwndPage == nullptr)
        return E_UNEXPECTED;
    MoveWindow(m_hwndPage, rect->left, rect->top, rect->right - rect->left,
               rect->bottom - rect->top, TRUE);
    return S_OK;
}

STDMETHODIMP CBasePropertyPage::IsPageDirty() {
    return m_bDirty ? S_OK : S_FALSE;
}

STDMETHODIMP CBasePropertyPage::Apply() {
    return ExceptionBoundary([&]() -> HRESULT {
        if (!m_bObjectSet || m_pPageSite == nullptr)
            return E_UNEXPECTED;
        if (!m_bDirty)
            return S_OK;
        const HRESULT hr = OnApplyChanges();
        if (SUCCEEDED(hr))
            m_bDirty = FALSE;
        return hr;
    });
}

STDMETHODIMP CBasePropertyPage::Help(LPCOLESTR) {
    return E_NOTIMPL;
}

STDMETHODIMP CBasePropertyPage::TranslateAccelerator(MSG*) {
    return E_NOTIMPL;
}

INT_PTR CALLBACK CBasePropertyPage::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        if (lParam == 0)
            return TRUE;
    }
    // None before WM_INITDIALOG, nor in a dialog made only to be measured.
    auto* page = reinterpret_cast<CBasePropertyPage*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (page == nullptr)
        return TRUE;
    // Called by the dialog manager: nothing may unwind into it.
    try {
        return page->OnReceiveMessage(hwnd, msg, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

LPCWSTR CBasePropertyPage::LoadResourceString(LPWSTR buffer, int id) {
    static const WCHAR kEmpty[1] = {0};
    if (LoadStringW(g_hModuleInstance, static_cast<UINT>(id), buffer, kTitleChars) == 0)
        return kEmpty;
    return buffer;
}

BOOL CBasePropertyPage::MeasureDialog(int id, DLGPROC dialogProc, LPARAM param, SIZE* size) {
    HWND dialog = CreateDialogParamW(g_hModuleInstance, MAKEINTRESOURCEW(id), GetDesktopWindow(),
                                     dialogProc, param);
    if (dialog == nullptr)
        return FALSE;
    RECT r;
    GetWindowRect(dialog, &r);
    size->cx = r.right - r.left;
    size->cy = r.bottom - r.top;
    DestroyWindow(dialog);
    return TRUE;
}
