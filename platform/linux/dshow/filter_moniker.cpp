#include "platform/linux/dshow/filter_moniker.h"

#include <cstring>
#include <new>

#include "platform/exception_boundary.h"
#include "platform/linux/com/com_activation.h"
#include "platform/linux/com/com_runtime.h"
#include "platform/linux/com/guid_text.h"
#include "platform/linux/com/ref_counted.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

// Property names compare as registry value names do: without regard to case.
bool SameName(LPCOLESTR a, const char16_t* b) {
    auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    for (; *a != 0 && *b != 0; ++a, ++b) {
        if (upper(*a) != upper(*b))
            return false;
    }
    return *a == *b;
}

class FilterPropertyBag final : public SingleInterfaceObject<IPropertyBag, IID_IPropertyBag> {
public:
    FilterPropertyBag(std::u16string name, std::u16string clsid, std::vector<BYTE> data)
        : SingleInterfaceObject(1), m_name(std::move(name)), m_clsid(std::move(clsid)),
          m_data(std::move(data)) {}

    // The caller may ask for the property's own type or leave the variant VT_EMPTY.
    STDMETHODIMP Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog*) override {
        if (pszPropName == nullptr || pVar == nullptr)
            return E_POINTER;
        const bool text = SameName(pszPropName, u"FriendlyName") || SameName(pszPropName, u"CLSID");
        const bool bytes = SameName(pszPropName, u"FilterData");
        if (!text && !bytes)
            return E_INVALIDARG;
        const VARTYPE type = text ? VARTYPE{VT_BSTR} : VARTYPE{VT_ARRAY | VT_UI1};
        if (pVar->vt != VT_EMPTY && pVar->vt != type)
            return DISP_E_TYPEMISMATCH;
        if (text) {
            BSTR value =
                SysAllocString(SameName(pszPropName, u"CLSID") ? m_clsid.c_str() : m_name.c_str());
            if (value == nullptr)
                return E_OUTOFMEMORY;
            pVar->vt = VT_BSTR;
            pVar->bstrVal = value;
            return S_OK;
        }
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(m_data.size()));
        if (array == nullptr)
            return E_OUTOFMEMORY;
        if (!m_data.empty())
            std::memcpy(array->pvData, m_data.data(), m_data.size());
        pVar->vt = VT_ARRAY | VT_UI1;
        pVar->parray = array;
        return S_OK;
    }
    // What a mapper found is changed by registering again, not through its bag.
    STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return E_ACCESSDENIED; }

private:
    std::u16string m_name;
    std::u16string m_clsid;
    std::vector<BYTE> m_data;
};

class FilterMoniker final : public RefCounted<IMoniker> {
public:
    explicit FilterMoniker(const FoundFilter& found)
        : RefCounted(1), m_clsid(found.filter.clsid), m_name(found.filter.name),
          m_data(EncodeFilterData(found.filter.merit, found.filter.pins)),
          m_displayName(u"@device:sw:" + GuidText(found.category) + u"\\" + found.instance) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IPersist) ||
            IsEqualGUID(riid, IID_IPersistStream) || IsEqualGUID(riid, IID_IMoniker)) {
            *ppv = static_cast<IMoniker*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

    STDMETHODIMP GetClassID(CLSID* pClassID) override {
        if (pClassID == nullptr)
            return E_POINTER;
        *pClassID = CLSID_CDeviceMoniker;
        return S_OK;
    }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    // These monikers are not saved: a host finds the filter again through the mapper.
    STDMETHODIMP Load(IStream*) override { return E_NOTIMPL; }
    STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }

    STDMETHODIMP BindToObject(IBindCtx*, IMoniker* pmkToLeft, REFIID riidResult,
                              void** ppvResult) override {
        if (ppvResult == nullptr)
            return E_POINTER;
        *ppvResult = nullptr;
        if (pmkToLeft != nullptr)
            return E_INVALIDARG;
        return CoCreateInstance(m_clsid, nullptr, CLSCTX_INPROC_SERVER, riidResult, ppvResult);
    }
    STDMETHODIMP BindToStorage(IBindCtx*, IMoniker* pmkToLeft, REFIID riid,
                               void** ppvObj) override {
        return ExceptionBoundary([&]() -> HRESULT {
            if (ppvObj == nullptr)
                return E_POINTER;
            *ppvObj = nullptr;
            if (pmkToLeft != nullptr)
                return E_INVALIDARG;
            if (!IsEqualGUID(riid, IID_IPropertyBag) && !IsEqualGUID(riid, IID_IUnknown))
                return E_NOINTERFACE;
            auto* bag = new (std::nothrow) FilterPropertyBag(m_name, GuidText(m_clsid), m_data);
            if (bag == nullptr)
                return E_OUTOFMEMORY;
            *ppvObj = static_cast<IPropertyBag*>(bag);
            return S_OK;
        });
    }
    STDMETHODIMP Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker** ppmkReduced) override {
        if (ppmkReduced == nullptr)
            return E_POINTER;
        AddRef();
        *ppmkReduced = this;
        return MK_S_REDUCED_TO_SELF;
    }
    // Composition, prefixes and relative paths have no meaning for a mapper's entry.
    STDMETHODIMP ComposeWith(IMoniker*, BOOL, IMoniker** ppmkComposite) override {
        if (ppmkComposite != nullptr)
            *ppmkComposite = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP Enum(BOOL, IEnumMoniker** ppenumMoniker) override {
        if (ppenumMoniker == nullptr)
            return E_POINTER;
        *ppenumMoniker = nullptr; // not a composite: nothing inside to enumerate
        return S_OK;
    }
    STDMETHODIMP IsEqual(IMoniker* pmkOtherMoniker) override {
        if (pmkOtherMoniker == nullptr)
            return E_INVALIDARG;
        LPOLESTR other = nullptr;
        if (FAILED(pmkOtherMoniker->GetDisplayName(nullptr, nullptr, &other)) || other == nullptr)
            return S_FALSE;
        const bool same = SameName(other, m_displayName.c_str());
        CoTaskMemFree(other);
        return same ? S_OK : S_FALSE;
    }
    STDMETHODIMP Hash(DWORD* pdwHash) override {
        if (pdwHash == nullptr)
            return E_POINTER;
        DWORD hash = 0;
        for (char16_t c : m_displayName)
            hash = hash * 31 + (c >= u'a' && c <= u'z' ? c - 32 : c);
        *pdwHash = hash;
        return S_OK;
    }
    STDMETHODIMP IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return S_FALSE; }
    STDMETHODIMP GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override {
        return MK_E_UNAVAILABLE;
    }
    STDMETHODIMP Inverse(IMoniker** ppmk) override {
        if (ppmk != nullptr)
            *ppmk = nullptr;
        return MK_E_NOINVERSE;
    }
    STDMETHODIMP CommonPrefixWith(IMoniker*, IMoniker** ppmkPrefix) override {
        if (ppmkPrefix != nullptr)
            *ppmkPrefix = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP RelativePathTo(IMoniker*, IMoniker** ppmkRelPath) override {
        if (ppmkRelPath != nullptr)
            *ppmkRelPath = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* ppszDisplayName) override {
        if (ppszDisplayName == nullptr)
            return E_POINTER;
        const size_t bytes = (m_displayName.size() + 1) * sizeof(char16_t);
        auto* text = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        *ppszDisplayName = text;
        if (text == nullptr)
            return E_OUTOFMEMORY;
        std::memcpy(text, m_displayName.c_str(), bytes);
        return S_OK;
    }
    STDMETHODIMP ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG* pchEaten,
                                  IMoniker** ppmkOut) override {
        if (pchEaten != nullptr)
            *pchEaten = 0;
        if (ppmkOut != nullptr)
            *ppmkOut = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP IsSystemMoniker(DWORD* pdwMksys) override {
        if (pdwMksys == nullptr)
            return E_POINTER;
        *pdwMksys = MKSYS_NONE;
        return S_FALSE;
    }

private:
    CLSID m_clsid;
    std::u16string m_name;
    std::vector<BYTE> m_data;
    std::u16string m_displayName;
};

} // namespace

HRESULT CreateFilterMoniker(const FoundFilter& found, IMoniker** out) {
    *out = new (std::nothrow) FilterMoniker(found);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

} // namespace dqplatform
