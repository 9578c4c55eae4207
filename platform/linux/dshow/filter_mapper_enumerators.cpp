#include "platform/linux/dshow/filter_mapper_enumerators.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "platform/exception_boundary.h"
#include "platform/linux/com/com_runtime.h"
#include "platform/linux/com/ref_counted.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

// The shared part of both enumerators: a snapshot of items, a cursor under a lock (an
// enumerator may be used from several threads), and reference counting. Item copies hand out
// their own references (Fetch).
template <typename Interface, typename Item, const IID& kIid>
class SnapshotEnumerator : public SingleInterfaceObject<Interface, kIid> {
public:
    // S_OK when all celt were fetched, S_FALSE when fewer; pceltFetched may be null only for 1.
    template <typename Out> HRESULT NextItems(ULONG celt, Out* out, ULONG* fetchedOut) {
        if (out == nullptr || (fetchedOut == nullptr && celt != 1))
            return E_POINTER;
        std::lock_guard<std::mutex> lock(m_mutex);
        ULONG fetched = 0;
        while (fetched < celt && m_position < m_items->size()) {
            HRESULT hr = Fetch((*m_items)[m_position], out[fetched]);
            if (FAILED(hr)) {
                for (ULONG i = 0; i < fetched; ++i)
                    Drop(out[i]);
                return hr;
            }
            ++m_position;
            ++fetched;
        }
        if (fetchedOut != nullptr)
            *fetchedOut = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG celt) override {
        return ExceptionBoundary([&]() -> HRESULT {
            std::lock_guard<std::mutex> lock(m_mutex);
            const size_t left = m_items->size() - m_position;
            m_position += celt < left ? celt : left;
            return celt <= left ? S_OK : S_FALSE;
        });
    }
    STDMETHODIMP Reset() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_position = 0;
        return S_OK;
    }

protected:
    explicit SnapshotEnumerator(std::shared_ptr<const std::vector<Item>> items)
        : SingleInterfaceObject<Interface, kIid>(1), m_items(std::move(items)) {}
    virtual HRESULT Fetch(const Item& item, typename Interface::ItemType& out) = 0;
    virtual void Drop(typename Interface::ItemType& out) = 0;

    std::shared_ptr<const std::vector<Item>> m_items;
    size_t m_position = 0;
    std::mutex m_mutex;
};

// The monikers are shared by every clone; each one handed out gets its own reference.
struct MonikerList {
    std::vector<IMoniker*> monikers;
    ~MonikerList() {
        for (IMoniker* m : monikers)
            m->Release();
    }
};

struct MonikerEnumInterface : public IEnumMoniker {
    using ItemType = IMoniker*;
};

class MonikerEnumerator final
    : public SnapshotEnumerator<MonikerEnumInterface, IMoniker*, IID_IEnumMoniker> {
public:
    MonikerEnumerator(const std::shared_ptr<MonikerList>& owner, size_t position)
        : SnapshotEnumerator(
              std::shared_ptr<const std::vector<IMoniker*>>(owner, &owner->monikers)),
          m_owner(owner) {
        m_position = position;
    }
    STDMETHODIMP Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) override {
        return NextItems(celt, rgelt, pceltFetched);
    }
    STDMETHODIMP Clone(IEnumMoniker** ppenum) override {
        if (ppenum == nullptr)
            return E_POINTER;
        std::lock_guard<std::mutex> lock(m_mutex);
        *ppenum = new (std::nothrow) MonikerEnumerator(m_owner, m_position);
        return *ppenum != nullptr ? S_OK : E_OUTOFMEMORY;
    }

private:
    HRESULT Fetch(IMoniker* const& item, IMoniker*& out) override {
        item->AddRef();
        out = item;
        return S_OK;
    }
    void Drop(IMoniker*& out) override {
        out->Release();
        out = nullptr;
    }

    std::shared_ptr<MonikerList> m_owner;
};

struct RegFilterItem {
    CLSID clsid;
    std::u16string name;
};

struct RegFilterEnumInterface : public IEnumRegFilters {
    using ItemType = REGFILTER*;
};

class RegFilterEnumerator final
    : public SnapshotEnumerator<RegFilterEnumInterface, RegFilterItem, IID_IEnumRegFilters> {
public:
    RegFilterEnumerator(std::shared_ptr<const std::vector<RegFilterItem>> items, size_t position)
        : SnapshotEnumerator(std::move(items)) {
        m_position = position;
    }
    STDMETHODIMP Next(ULONG cFilters, REGFILTER** apRegFilter, ULONG* pcFetched) override {
        return NextItems(cFilters, apRegFilter, pcFetched);
    }
    STDMETHODIMP Clone(IEnumRegFilters** ppEnum) override {
        if (ppEnum == nullptr)
            return E_POINTER;
        std::lock_guard<std::mutex> lock(m_mutex);
        *ppEnum = new (std::nothrow) RegFilterEnumerator(m_items, m_position);
        return *ppEnum != nullptr ? S_OK : E_OUTOFMEMORY;
    }

private:
    // One block: the record, then its name.
    HRESULT Fetch(const RegFilterItem& item, REGFILTER*& out) override {
        const size_t nameBytes = (item.name.size() + 1) * sizeof(char16_t);
        auto* block = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(REGFILTER) + nameBytes));
        if (block == nullptr)
            return E_OUTOFMEMORY;
        out = reinterpret_cast<REGFILTER*>(block);
        out->Clsid = item.clsid;
        out->Name = reinterpret_cast<LPWSTR>(block + sizeof(REGFILTER));
        std::memcpy(out->Name, item.name.c_str(), nameBytes);
        return S_OK;
    }
    void Drop(REGFILTER*& out) override {
        CoTaskMemFree(out);
        out = nullptr;
    }
};

} // namespace

HRESULT CreateMonikerEnumerator(std::vector<IMoniker*> monikers, IEnumMoniker** out) {
    return ExceptionBoundary([&]() -> HRESULT {
        auto owner = std::make_shared<MonikerList>();
        owner->monikers = std::move(monikers);
        *out = new (std::nothrow) MonikerEnumerator(owner, 0);
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT CreateRegFilterEnumerator(const std::vector<FoundFilter>& filters, IEnumRegFilters** out) {
    return ExceptionBoundary([&]() -> HRESULT {
        auto items = std::make_shared<std::vector<RegFilterItem>>();
        for (const FoundFilter& f : filters)
            items->push_back({f.filter.clsid, f.filter.name});
        *out = new (std::nothrow) RegFilterEnumerator(items, 0);
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    });
}

} // namespace dqplatform
