#include "platform/linux/dshow/filter_enumerator.h"

#include <new>

#include "platform/exception_boundary.h"
#include "platform/linux/com/ref_counted.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

class FilterEnumerator final
    : public dqplatform::SingleInterfaceObject<IEnumFilters, IID_IEnumFilters> {
public:
    explicit FilterEnumerator(FilterList* list) : m_list(list) {
        m_list->ListSnapshot(m_filters, m_version);
        m_list->ListOwner()->AddRef();
    }
    FilterEnumerator(const FilterEnumerator& other)
        : SingleInterfaceObject(), m_list(other.m_list), m_filters(other.m_filters),
          m_version(other.m_version), m_position(other.m_position) {
        m_list->ListOwner()->AddRef();
        for (IBaseFilter* filter : m_filters)
            filter->AddRef();
    }

    STDMETHODIMP Next(ULONG cFilters, IBaseFilter** ppFilter, ULONG* pcFetched) override {
        if (ppFilter == nullptr || (pcFetched == nullptr && cFilters != 1))
            return E_POINTER;
        if (pcFetched != nullptr)
            *pcFetched = 0;
        if (m_list->ListVersion() != m_version)
            return VFW_E_ENUM_OUT_OF_SYNC;
        ULONG fetched = 0;
        while (fetched < cFilters && m_position < m_filters.size()) {
            ppFilter[fetched] = m_filters[m_position++];
            ppFilter[fetched]->AddRef();
            ++fetched;
        }
        if (pcFetched != nullptr)
            *pcFetched = fetched;
        return fetched == cFilters ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG cFilters) override {
        return ExceptionBoundary([&]() -> HRESULT {
            if (m_list->ListVersion() != m_version)
                return VFW_E_ENUM_OUT_OF_SYNC;
            const size_t left = m_filters.size() - m_position;
            if (cFilters > left) {
                m_position = m_filters.size();
                return S_FALSE;
            }
            m_position += cFilters;
            return S_OK;
        });
    }
    STDMETHODIMP Reset() override {
        ReleaseFilters();
        m_list->ListSnapshot(m_filters, m_version);
        m_position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumFilters** ppEnum) override {
        if (ppEnum == nullptr)
            return E_POINTER;
        *ppEnum = nullptr;
        auto* clone = new (std::nothrow) FilterEnumerator(*this);
        if (clone == nullptr)
            return E_OUTOFMEMORY;
        clone->AddRef();
        *ppEnum = clone;
        return S_OK;
    }

private:
    ~FilterEnumerator() {
        ReleaseFilters();
        m_list->ListOwner()->Release();
    }

    void ReleaseFilters() {
        for (IBaseFilter* filter : m_filters)
            filter->Release();
        m_filters.clear();
    }

    FilterList* const m_list;
    std::vector<IBaseFilter*> m_filters;
    LONG m_version = 0;
    size_t m_position = 0;
};

} // namespace

HRESULT CreateFilterEnumerator(FilterList* list, IEnumFilters** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    try {
        auto* enumerator = new FilterEnumerator(list);
        enumerator->AddRef();
        *out = enumerator;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

} // namespace dqplatform
