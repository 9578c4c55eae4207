// The standard memory allocator: a fixed set of equal buffers in one block, handed out as
// samples. Each outstanding sample holds a reference on the allocator, so the allocator (and the
// memory) outlive every sample still in use, also after Decommit.
#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "platform/exception_boundary.h"
#include "platform/linux/com/ref_counted.h"
#include "platform/linux/dshow/dshow_interfaces.h"
#include "platform/linux/dshow/media_sample.h"
#include "platform/linux/dshow/runtime_classes.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

struct FreeDeleter {
    void operator()(BYTE* p) const { std::free(p); }
};

// The buffers and their samples; replaced as a whole by Commit, freed as a whole.
struct Storage {
    std::unique_ptr<BYTE, FreeDeleter> memory;
    std::vector<std::unique_ptr<MediaSample>> samples;
    std::vector<bool> outstanding; // per sample: handed out and not yet back
};

class MemoryAllocator final
    : public dqplatform::SingleInterfaceObject<IMemAllocator, IID_IMemAllocator> {
public:
    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* pRequest,
                               ALLOCATOR_PROPERTIES* pActual) override {
        if (pRequest == nullptr || pActual == nullptr)
            return E_POINTER;
        const ALLOCATOR_PROPERTIES request = *pRequest;
        if (request.cbAlign <= 0 || (request.cbAlign & (request.cbAlign - 1)) != 0)
            return VFW_E_BADALIGN;
        if (request.cBuffers < 0 || request.cbBuffer < 0 || request.cbPrefix < 0)
            return E_INVALIDARG;
        // Each buffer starts on an alignment boundary with its prefix; the buffer size grows to
        // fill the space up to the next boundary.
        const int64_t align = request.cbAlign;
        const int64_t slot =
            (int64_t{request.cbPrefix} + request.cbBuffer + align - 1) / align * align;
        // One buffer's size must fit the sample's LONG; all of them together may pass 2 GB
        // (six 16384x7282 frames do) and are counted in 64 bits.
        if (slot > INT32_MAX)
            return E_INVALIDARG;
        if (request.cBuffers > 0 && uint64_t(slot) > SIZE_MAX / uint64_t(request.cBuffers))
            return E_OUTOFMEMORY;

        std::lock_guard lock(m_mutex);
        if (m_committed)
            return VFW_E_ALREADY_COMMITTED;
        if (m_outstanding > 0)
            return VFW_E_BUFFERS_OUTSTANDING;
        m_props.cBuffers = request.cBuffers;
        m_props.cbBuffer = static_cast<LONG>(slot) - request.cbPrefix;
        m_props.cbAlign = request.cbAlign;
        m_props.cbPrefix = request.cbPrefix;
        m_propsSet = true;
        *pActual = m_props;
        return S_OK;
    }

    STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* pProps) override {
        if (pProps == nullptr)
            return E_POINTER;
        std::lock_guard lock(m_mutex);
        *pProps = m_props;
        return S_OK;
    }

    STDMETHODIMP Commit() override {
        std::lock_guard lock(m_mutex);
        if (m_committed)
            return S_OK;
        if (!m_propsSet || m_props.cBuffers <= 0 || m_props.cbBuffer <= 0)
            return VFW_E_SIZENOTSET;
        // After a decommit with samples still out, the same buffers are taken into use again.
        if (!m_storage) {
            HRESULT hr = Allocate();
            if (FAILED(hr))
                return hr;
        }
        m_committed = true;
        return S_OK;
    }

    STDMETHODIMP Decommit() override {
        std::unique_ptr<Storage> released; // freed after the lock is left
        std::lock_guard lock(m_mutex);
        if (!m_committed)
            return S_OK;
        m_committed = false;
        if (m_outstanding == 0)
            released = TakeStorage();
        m_sampleFreed.notify_all(); // waiting GetBuffer calls now fail
        return S_OK;
    }

    STDMETHODIMP GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime,
                           REFERENCE_TIME* pEndTime, DWORD dwFlags) override {
        if (ppBuffer == nullptr)
            return E_POINTER;
        *ppBuffer = nullptr;
        MediaSample* sample = nullptr;
        {
            std::unique_lock lock(m_mutex);
            for (;;) {
                if (!m_committed)
                    return VFW_E_NOT_COMMITTED;
                if (!m_free.empty())
                    break;
                if ((dwFlags & AM_GBF_NOWAIT) != 0)
                    return VFW_E_TIMEOUT;
                m_sampleFreed.wait(lock);
            }
            sample = m_free.back();
            m_free.pop_back();
            m_storage->outstanding[static_cast<size_t>(IndexOf(sample))] = true;
            ++m_outstanding;
            sample->Prepare();
            AddRef(); // dropped when the sample comes back
        }
        if (pStartTime != nullptr)
            sample->SetTime(pStartTime, pEndTime);
        *ppBuffer = sample;
        return S_OK;
    }

    // Called by a sample whose last reference went. Refuses samples that are not this
    // allocator's, or that are still referenced or already back.
    STDMETHODIMP ReleaseBuffer(IMediaSample* pBuffer) override {
        return ExceptionBoundary([&]() -> HRESULT {
            if (pBuffer == nullptr)
                return E_POINTER;
            std::unique_ptr<Storage> released;
            {
                std::lock_guard lock(m_mutex);
                const ptrdiff_t index = IndexOf(pBuffer);
                if (index < 0 || !m_storage->outstanding[static_cast<size_t>(index)])
                    return E_INVALIDARG;
                MediaSample* sample = m_storage->samples[static_cast<size_t>(index)].get();
                if (sample->RefCount() != 0)
                    return E_INVALIDARG;
                m_storage->outstanding[static_cast<size_t>(index)] = false;
                m_free.push_back(sample);
                --m_outstanding;
                if (!m_committed && m_outstanding == 0)
                    released = TakeStorage();
                m_sampleFreed.notify_one();
            }
            released.reset(); // may delete the sample that called here: it touches nothing after
            Release();        // the reference GetBuffer took; may delete this allocator
            return S_OK;
        });
    }

private:
    ~MemoryAllocator() = default;

    HRESULT Allocate() {
        const size_t align = static_cast<size_t>(m_props.cbAlign);
        const size_t slot =
            static_cast<size_t>(m_props.cbPrefix) + static_cast<size_t>(m_props.cbBuffer);
        const size_t count = static_cast<size_t>(m_props.cBuffers);
        void* block = nullptr;
        if (posix_memalign(&block, std::max(align, alignof(std::max_align_t)), slot * count) != 0)
            return E_OUTOFMEMORY;
        std::unique_ptr<BYTE, FreeDeleter> memory(static_cast<BYTE*>(block));
        try {
            auto storage = std::make_unique<Storage>();
            storage->samples.reserve(count);
            for (size_t i = 0; i < count; ++i) {
                BYTE* buffer = memory.get() + i * slot + m_props.cbPrefix;
                storage->samples.push_back(
                    std::make_unique<MediaSample>(this, buffer, m_props.cbBuffer));
            }
            storage->outstanding.assign(count, false);
            m_free.reserve(count);
            storage->memory = std::move(memory);
            m_storage = std::move(storage);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        for (auto& sample : m_storage->samples)
            m_free.push_back(sample.get());
        return S_OK;
    }

    std::unique_ptr<Storage> TakeStorage() {
        m_free.clear();
        return std::move(m_storage);
    }

    // The index of one of this allocator's samples, or -1.
    ptrdiff_t IndexOf(IMediaSample* candidate) const {
        if (!m_storage)
            return -1;
        const auto& samples = m_storage->samples;
        for (size_t i = 0; i < samples.size(); ++i)
            if (static_cast<IMediaSample*>(samples[i].get()) == candidate)
                return static_cast<ptrdiff_t>(i);
        return -1;
    }

    std::mutex m_mutex;
    std::condition_variable m_sampleFreed;
    bool m_propsSet = false;
    ALLOCATOR_PROPERTIES m_props{};
    bool m_committed = false;
    std::unique_ptr<Storage> m_storage; // present while committed or while samples are out
    std::vector<MediaSample*> m_free;
    LONG m_outstanding = 0;
};

} // namespace

HRESULT CreateMemoryAllocator(IUnknown*, REFIID riid, void** ppv) {
    auto* allocator = new (std::nothrow) MemoryAllocator;
    if (allocator == nullptr)
        return E_OUTOFMEMORY;
    allocator->AddRef();
    HRESULT hr = allocator->QueryInterface(riid, ppv);
    allocator->Release();
    return hr;
}

} // namespace dqplatform
