// The filter mapper: CLSID_FilterMapper2 and CLSID_FilterMapper create the same object, which
// answers both IFilterMapper2 and the original IFilterMapper. It keeps nothing itself: every
// call goes to the registry (filter_registry.h), and each search sees both layouts.
#include <new>

#include "platform/exception_boundary.h"
#include "platform/linux/com/guid_text.h"
#include "platform/linux/dshow/dshow_ids.h"
#include "platform/linux/dshow/filter_mapper_enumerators.h"
#include "platform/linux/dshow/filter_moniker.h"
#include "platform/linux/dshow/filter_search.h"
#include "platform/linux/dshow/runtime_classes.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

class FilterMapper final : public IFilterMapper2, public IFilterMapper {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IFilterMapper2)) {
            *ppv = static_cast<IFilterMapper2*>(this);
        } else if (IsEqualGUID(riid, IID_IFilterMapper)) {
            *ppv = static_cast<IFilterMapper*>(this);
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&m_refs));
    }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

    // IFilterMapper2

    STDMETHODIMP CreateCategory(REFCLSID clsidCategory, DWORD dwCategoryMerit,
                                LPCWSTR Description) override {
        if (Description == nullptr)
            return E_POINTER;
        return WriteCategory(clsidCategory, dwCategoryMerit, Description);
    }

    // A null category is the default category of DirectShow filters; a null instance name is
    // the filter's class id.
    STDMETHODIMP UnregisterFilter(const CLSID* pclsidCategory, LPCOLESTR szInstance,
                                  REFCLSID Filter) override {
        return ExceptionBoundary([&]() -> HRESULT {
            std::u16string instance;
            if (!InstanceName(szInstance, Filter, instance))
                return E_INVALIDARG;
            return DeleteCategoryEntry(CategoryOrDefault(pclsidCategory), instance);
        });
    }

    STDMETHODIMP RegisterFilter(REFCLSID clsidFilter, LPCWSTR Name, IMoniker** ppMoniker,
                                const CLSID* pclsidCategory, LPCOLESTR szInstance,
                                const REGFILTER2* prf2) override {
        if (ppMoniker != nullptr)
            *ppMoniker = nullptr;
        if (Name == nullptr || prf2 == nullptr)
            return E_POINTER;
        FoundFilter entry;
        if (!InstanceName(szInstance, clsidFilter, entry.instance))
            return E_INVALIDARG;
        entry.category = CategoryOrDefault(pclsidCategory);
        entry.filter.clsid = clsidFilter;
        entry.filter.name = Name;
        if (HRESULT hr = ReadRegFilter2(*prf2, entry.filter.merit, entry.filter.pins); FAILED(hr))
            return hr;
        if (HRESULT hr = WriteCategoryEntry(entry.category, entry.instance, entry.filter);
            FAILED(hr))
            return hr;
        return ppMoniker != nullptr ? CreateFilterMoniker(entry, ppMoniker) : S_OK;
    }

    STDMETHODIMP EnumMatchingFilters(IEnumMoniker** ppEnum, DWORD dwFlags, BOOL bExactMatch,
                                     DWORD dwMerit, BOOL bInputNeeded, DWORD cInputTypes,
                                     const GUID* pInputTypes, const REGPINMEDIUM* pMedIn,
                                     const CLSID* pPinCategoryIn, BOOL bRender, BOOL bOutputNeeded,
                                     DWORD cOutputTypes, const GUID* pOutputTypes,
                                     const REGPINMEDIUM* pMedOut,
                                     const CLSID* pPinCategoryOut) override {
        return ExceptionBoundary([&]() -> HRESULT {
            if (ppEnum == nullptr)
                return E_POINTER;
            *ppEnum = nullptr;
            if (dwFlags != 0)
                return E_INVALIDARG;
            if ((cInputTypes > 0 && pInputTypes == nullptr) ||
                (cOutputTypes > 0 && pOutputTypes == nullptr))
                return E_POINTER;
            FilterQuery query;
            query.merit = dwMerit;
            query.exact = bExactMatch != FALSE;
            query.input = {bInputNeeded != FALSE, Pairs(cInputTypes, pInputTypes), pMedIn,
                           pPinCategoryIn, bRender != FALSE};
            query.output = {bOutputNeeded != FALSE, Pairs(cOutputTypes, pOutputTypes), pMedOut,
                            pPinCategoryOut, false};
            std::vector<IMoniker*> monikers;
            for (const FoundFilter& found : FindFilters(query)) {
                IMoniker* moniker = nullptr;
                if (HRESULT hr = CreateFilterMoniker(found, &moniker); FAILED(hr)) {
                    for (IMoniker* m : monikers)
                        m->Release();
                    return hr;
                }
                monikers.push_back(moniker);
            }
            return CreateMonikerEnumerator(std::move(monikers), ppEnum);
        });
    }

    // IFilterMapper

    STDMETHODIMP RegisterFilter(CLSID clsid, LPCWSTR Name, DWORD dwMerit) override {
        if (Name == nullptr)
            return E_POINTER;
        return WriteClassicFilter(clsid, Name, dwMerit);
    }
    // Media resource instances belong to the earliest filter mappers and are not kept here.
    STDMETHODIMP RegisterFilterInstance(CLSID, LPCWSTR, CLSID* MRId) override {
        if (MRId != nullptr)
            *MRId = GUID_NULL;
        return E_NOTIMPL;
    }
    STDMETHODIMP RegisterPin(CLSID Filter, LPCWSTR Name, BOOL bRendered, BOOL bOutput, BOOL bZero,
                             BOOL bMany, CLSID ConnectsToFilter, LPCWSTR ConnectsToPin) override {
        if (!IsKeyName(Name))
            return E_INVALIDARG;
        MapperPin pin;
        pin.flags = (bRendered ? REG_PINFLAG_B_RENDERER : 0) |
                    (bOutput ? REG_PINFLAG_B_OUTPUT : 0) | (bZero ? REG_PINFLAG_B_ZERO : 0) |
                    (bMany ? REG_PINFLAG_B_MANY : 0);
        pin.connectsToFilter = ConnectsToFilter;
        if (ConnectsToPin != nullptr)
            pin.connectsToPin = ConnectsToPin;
        return WriteClassicPin(Filter, Name, pin);
    }
    STDMETHODIMP RegisterPinType(CLSID clsFilter, LPCWSTR strName, CLSID clsMajorType,
                                 CLSID clsSubType) override {
        if (!IsKeyName(strName))
            return E_INVALIDARG;
        return WriteClassicPinType(clsFilter, strName, clsMajorType, clsSubType);
    }
    STDMETHODIMP UnregisterFilter(CLSID Filter) override { return DeleteClassicFilter(Filter); }
    STDMETHODIMP UnregisterFilterInstance(CLSID) override { return E_NOTIMPL; }
    STDMETHODIMP UnregisterPin(CLSID Filter, LPCWSTR Name) override {
        if (!IsKeyName(Name))
            return E_INVALIDARG;
        return DeleteClassicPin(Filter, Name);
    }
    STDMETHODIMP EnumMatchingFilters(IEnumRegFilters** ppEnum, DWORD dwMerit, BOOL bInputNeeded,
                                     CLSID clsInMaj, CLSID clsInSub, BOOL bRender,
                                     BOOL bOutputNeeded, CLSID clsOutMaj,
                                     CLSID clsOutSub) override {
        if (ppEnum == nullptr)
            return E_POINTER;
        *ppEnum = nullptr;
        FilterQuery query;
        query.merit = dwMerit;
        query.input.needed = bInputNeeded != FALSE;
        query.input.types = Pair(clsInMaj, clsInSub);
        query.input.rendered = bRender != FALSE;
        query.output.needed = bOutputNeeded != FALSE;
        query.output.types = Pair(clsOutMaj, clsOutSub);
        return CreateRegFilterEnumerator(FindFilters(query), ppEnum);
    }

private:
    static const CLSID& CategoryOrDefault(const CLSID* category) {
        return category != nullptr ? *category : CLSID_LegacyAmFilterCategory;
    }
    static bool InstanceName(LPCOLESTR given, REFCLSID clsid, std::u16string& out) {
        if (given == nullptr) {
            out = GuidText(clsid);
            return true;
        }
        if (!IsKeyName(given))
            return false;
        out = given;
        return true;
    }
    static std::vector<std::pair<GUID, GUID>> Pairs(DWORD count, const GUID* ids) {
        std::vector<std::pair<GUID, GUID>> pairs;
        for (DWORD i = 0; i < count; ++i)
            pairs.emplace_back(ids[2 * i], ids[2 * i + 1]);
        return pairs;
    }
    static std::vector<std::pair<GUID, GUID>> Pair(const GUID& major, const GUID& sub) {
        if (IsEqualGUID(major, GUID_NULL) && IsEqualGUID(sub, GUID_NULL))
            return {};
        return {{major, sub}};
    }

    LONG volatile m_refs = 1;
};

} // namespace

HRESULT CreateFilterMapper(IUnknown*, REFIID riid, void** ppv) {
    auto* mapper = new (std::nothrow) FilterMapper();
    if (mapper == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = mapper->QueryInterface(riid, ppv);
    mapper->Release();
    return hr;
}

} // namespace dqplatform
