// The framework's property page: IPropertyPage for a page whose user interface is a modeless
// dialog made from a template in the module's resources. A concrete page supplies the template,
// the title string and the hooks.
#pragma once

#include "baseclasses/unknown.h"

class CBasePropertyPage : public IPropertyPage, public CUnknown {
public:
    // name may be null; dialogResId and titleResId name resources of this module.
    CBasePropertyPage(LPCWSTR name, LPUNKNOWN outer, int dialogResId, int titleResId);

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
    // The last release detaches the page from its dialog, its site and its object before the
    // page is destroyed, so the derived page still sees its hooks called.
    STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

    // IPropertyPage
    STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
    STDMETHODIMP Show(UINT command) override;
    STDMETHODIMP Move(LPCRECT rect) override;
    STDMETHODIMP IsPageDirty() override;
    STDMETHODIMP Apply() override;
    STDMETHODIMP Help(LPCOLESTR helpDir) override;
    STDMETHODIMP TranslateAccelerator(MSG* msg) override;

    // Hooks of a concrete page. OnConnect receives the object SetObjects was given; OnDisconnect
    // lets it go (also on the last release, when no object may be connected).
    virtual HRESULT OnConnect(IUnknown* object) = 0;
    virtual HRESULT OnDisconnect() = 0;
    virtual HRESULT OnActivate() { return S_OK; }
    virtual HRESULT OnDeactivate() { return S_OK; }
    virtual HRESULT OnApplyChanges() { return S_OK; }
    // Every message of the page dialog; the result is the dialog procedure's (0: not handled).
    virtual INT_PTR OnReceiveMessage(HWND, UINT, WPARAM, LPARAM) { return 0; }

    // The page dialog's procedure: hands each message to the page named by the creation
    // parameter, which WM_INITDIALOG keeps in the dialog's DWLP_USER slot.
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // String resource id of this module into buffer (256 wide characters, terminator included).
    // Returns buffer, or a constant empty text when the string is missing or empty.
    static LPCWSTR LoadResourceString(LPWSTR buffer, int id);
    // Creates dialog template id of this module (owned by the desktop, with the given procedure
    // and creation parameter) to read its window size in pixels, then destroys it. FALSE, with
    // size untouched, when the dialog cannot be created.
    static BOOL MeasureDialog(int id, DLGPROC dialogProc, LPARAM param, SIZE* size);

protected:
    IPropertyPageSite* m_pPageSite = nullptr;
    HWND m_hwndPage = nullptr;
    BOOL m_bDirty = FALSE;
    int m_nTitleResId;
    int m_nDialogResId;
    BOOL m_bObjectSet = FALSE;
};
