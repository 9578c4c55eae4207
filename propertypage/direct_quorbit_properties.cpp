#include "propertypage/direct_quorbit_properties.h"

#include <algorithm>
#include <exception>
#include <new>
#include <stdexcept>

#include "filter/i_direct_quorbit.h"
#include "propertypage/filter_property_from.h"

namespace {

constexpr int kPageDialog = 106;
constexpr int kPageTitle = 101;

} // namespace

CUnknown* CDirectQuorbitProperties::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
    auto* page = new (std::nothrow) CDirectQuorbitProperties(outer, result);
    if (page == nullptr && result != nullptr)
        *result = E_OUTOFMEMORY;
    return page;
}

CDirectQuorbitProperties::CDirectQuorbitProperties(LPUNKNOWN outer, HRESULT*)
    : CBasePropertyPage(nullptr, outer, kPageDialog, kPageTitle) {}

CDirectQuorbitProperties::~CDirectQuorbitProperties() = default;

HRESULT CDirectQuorbitProperties::OnConnect(IUnknown* object) {
    if (object == nullptr)
        return E_POINTER;
    // Connecting again lets the previous object go; a form built on it goes with it.
    if (m_pFilterSettings != nullptr)
        OnDisconnect();
    if (FAILED(object->QueryInterface(IID_IDirectQuorbit,
                                      reinterpret_cast<void**>(&m_pFilterSettings))))
        return E_NOINTERFACE;
    return m_pFilterSettings == nullptr ? E_FAIL : S_OK;
}

HRESULT CDirectQuorbitProperties::OnDisconnect() {
    if (m_pFilterSettings == nullptr)
        return E_UNEXPECTED;
    // The form only borrows the interface, so it cannot stay once the interface is gone.
    m_pSettingsForm.reset();
    m_pFilterSettings->Release();
    m_pFilterSettings = nullptr;
    return S_OK;
}

HRESULT CDirectQuorbitProperties::OnDeactivate() {
    return S_OK;
}

void CDirectQuorbitProperties::FitFormTo(HWND dialog) {
    // What can be seen of the dialog's client area: a frame may give the dialog more room than
    // the window it sits in shows, which then cuts it at that window's edges.
    RECT client{};
    GetClientRect(dialog, &client);
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    LONG right = origin.x + client.right, bottom = origin.y + client.bottom;
    for (HWND window = dialog; GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD;) {
        window = GetParent(window);
        if (window == nullptr)
            break;
        RECT r{};
        GetClientRect(window, &r);
        POINT corner{0, 0};
        ClientToScreen(window, &corner);
        right = std::min(right, corner.x + r.right);
        bottom = std::min(bottom, corner.y + r.bottom);
    }
    const dq::forms::Size shown{int(std::max<LONG>(0, right - origin.x)),
                                int(std::max<LONG>(0, bottom - origin.y))};
    if (shown != m_fittedTo) {
        m_fittedTo = shown;
        m_pSettingsForm->FitTo(shown);
    }
}

INT_PTR CDirectQuorbitProperties::OnReceiveMessage(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        try {
            if (!m_pSettingsForm)
                m_pSettingsForm = std::make_unique<FilterPropertyFrom>(m_pFilterSettings);
            HWND form = m_pSettingsForm->Handle();
            if (form == nullptr || SetParent(form, hwnd) == nullptr)
                throw std::runtime_error("the settings form has no window");
            m_fittedTo = {-1, -1};
            FitFormTo(hwnd);
            m_pSettingsForm->Show();
        } catch (const std::exception&) {
            // No object to show (a failed connect) or no form: rather than an empty page, no
            // page. Destroying the dialog here makes its creation, and so Activate, fail.
            m_pSettingsForm.reset();
            DestroyWindow(hwnd);
            return FALSE;
        }
        return TRUE;
    case WM_SIZE:
    case WM_PAINT:
        // The frame gives the page its place after creating it, and may lay out the window the
        // page sits in later still without telling the page; by the time the page is painted,
        // both are settled. The form follows (FitFormTo changes nothing when nothing moved).
        try {
            if (m_pSettingsForm)
                FitFormTo(hwnd);
        } catch (const std::exception&) {
            // Texts that cannot be measured leave the form as it was laid out before.
        }
        return 0;
    case WM_DESTROY:
        // The form's window goes with the dialog; the form object goes now.
        m_pSettingsForm.reset();
        return TRUE;
    default:
        return 0;
    }
}
