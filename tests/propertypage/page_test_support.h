// What the property page tests share: a frame's site, a recorder in front of the filter's
// settings interface, a plain object without it, and the way to a form's controls.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "filter/i_direct_quorbit.h"
#include "platform/forms/forms.h"
#include "propertypage/direct_quorbit_properties.h"
#include "propertypage/filter_property_from.h"

// A frame's site for one page: counts its references and the status changes the page reports.
class TestPageSite : public IPropertyPageSite {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPropertyPageSite) {
            *ppv = static_cast<IPropertyPageSite*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(--refs); }
    STDMETHODIMP OnStatusChange(DWORD flags) override {
        statusChanges.push_back(flags);
        return S_OK;
    }
    STDMETHODIMP GetLocaleID(LCID* locale) override {
        if (locale == nullptr)
            return E_POINTER;
        *locale = 0x0409;
        return S_OK;
    }
    STDMETHODIMP GetPageContainer(IUnknown** unknown) override {
        if (unknown != nullptr)
            *unknown = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

    int refs = 0; // lives on the stack: counted, never freed
    std::vector<DWORD> statusChanges;
};

// An object that is not the overlay filter: it answers IUnknown only.
class PlainObject : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(--refs); }
    int refs = 0;
};

// Stands in front of a filter's IDirectQuorbit: writes down every call, then passes it on.
class RecordingSettings final : public IDirectQuorbit {
public:
    explicit RecordingSettings(IDirectQuorbit* target) : m_target(target) { m_target->AddRef(); }
    ~RecordingSettings() { m_target->Release(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDirectQuorbit) {
            *ppv = static_cast<IDirectQuorbit*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(--refs); }

    STDMETHODIMP get_FileName(WCHAR* name) override {
        calls.push_back("get_FileName");
        return m_target->get_FileName(name);
    }
    STDMETHODIMP put_FileName(WCHAR* name) override {
        calls.push_back("put_FileName(" + Narrow(name) + ")");
        return m_target->put_FileName(name);
    }
    STDMETHODIMP reload_File() override {
        calls.push_back("reload_File");
        return m_target->reload_File();
    }
    STDMETHODIMP get_ChangeImmediate(bool* on) override {
        calls.push_back("get_ChangeImmediate");
        return m_target->get_ChangeImmediate(on);
    }
    STDMETHODIMP put_ChangeImmediate(bool on) override {
        calls.push_back("put_ChangeImmediate(" + std::to_string(on) + ")");
        return m_target->put_ChangeImmediate(on);
    }
    STDMETHODIMP get_HideSubtitles(bool* on) override {
        calls.push_back("get_HideSubtitles");
        return m_target->get_HideSubtitles(on);
    }
    STDMETHODIMP put_HideSubtitles(bool on) override {
        calls.push_back("put_HideSubtitles(" + std::to_string(on) + ")");
        return m_target->put_HideSubtitles(on);
    }
    STDMETHODIMP get_Delay(LONG* delay) override {
        calls.push_back("get_Delay");
        return m_target->get_Delay(delay);
    }
    STDMETHODIMP put_Delay(LONG delay) override {
        calls.push_back("put_Delay(" + std::to_string(delay) + ")");
        return m_target->put_Delay(delay);
    }
    STDMETHODIMP get_DebugOutput(bool* on) override {
        calls.push_back("get_DebugOutput");
        return m_target->get_DebugOutput(on);
    }
    STDMETHODIMP put_DebugOutput(bool on) override {
        calls.push_back("put_DebugOutput(" + std::to_string(on) + ")");
        return m_target->put_DebugOutput(on);
    }

    // The calls since the last Take.
    std::vector<std::string> Take() { return std::exchange(calls, {}); }

    int refs = 0;
    std::vector<std::string> calls;

private:
    static std::string Narrow(const WCHAR* text) {
        std::string s;
        for (; *text != 0; ++text)
            s.push_back(*text < 0x80 ? char(*text) : '?');
        return s;
    }
    IDirectQuorbit* m_target;
};

inline std::string Narrow(dq::forms::StringView text) {
    std::string s;
    for (WCHAR c : text)
        s.push_back(c < 0x80 ? char(c) : '?');
    return s;
}

// The control of the form whose text is `text` (for the spinner and the text box, the only one
// of its kind).
template <typename T> T& FindControl(dq::forms::Form& form, const char* text = nullptr) {
    T* found = nullptr;
    for (dq::forms::Control* c : form.Controls()) {
        T* typed = dynamic_cast<T*>(c);
        if (typed != nullptr && (text == nullptr || Narrow(c->Text()) == text)) {
            EXPECT_EQ(found, nullptr) << "two controls match " << (text ? text : "");
            found = typed;
        }
    }
    if (found == nullptr)
        throw std::runtime_error(std::string("no such control: ") + (text ? text : ""));
    return *found;
}

// A top-level window for the page dialog to live in, as a property frame's.
inline HWND CreateFrameWindow() {
    return CreateWindowExW(0, WSTR("Static"), WSTR("Properties"), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           100, 100, 600, 400, nullptr, nullptr, nullptr, nullptr);
}

inline CDirectQuorbitProperties* PageObject(IPropertyPage* page) {
    return static_cast<CDirectQuorbitProperties*>(static_cast<CBasePropertyPage*>(page));
}
