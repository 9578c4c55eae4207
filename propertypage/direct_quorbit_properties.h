// The overlay filter's property page: obtains the filter's settings interface from the object it
// is given and shows the settings form inside the page dialog. The form writes every change to
// the filter at once, so the page itself is never dirty.
#pragma once

#include <memory>

#include "platform/forms/forms_types.h"
#include "propertypage/base_property_page.h"

struct IDirectQuorbit;
class FilterPropertyFrom;

class CDirectQuorbitProperties : public CBasePropertyPage {
public:
    // The class factory's creation function.
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);
    ~CDirectQuorbitProperties() override;

    HRESULT OnConnect(IUnknown* object) override;
    HRESULT OnDisconnect() override;
    HRESULT OnDeactivate() override;
    INT_PTR OnReceiveMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The form shown while the page is active, or null.
    FilterPropertyFrom* SettingsForm() const { return m_pSettingsForm.get(); }

private:
    CDirectQuorbitProperties(LPUNKNOWN outer, HRESULT* result);
    // Lays the form out to fill the dialog's client area.
    void FitFormTo(HWND dialog);

    IDirectQuorbit* m_pFilterSettings = nullptr;
    std::unique_ptr<FilterPropertyFrom> m_pSettingsForm;
    // The size the form was last laid out for.
    dq::forms::Size m_fittedTo;
};
