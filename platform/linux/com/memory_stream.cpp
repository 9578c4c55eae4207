// A growable IStream in memory. Clones share the bytes and keep their own seek pointer.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "platform/exception_boundary.h"
#include "platform/linux/com/com_runtime.h"
#include "platform/linux/com/ref_counted.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace {

struct SharedBytes {
    std::mutex mutex;
    std::vector<BYTE> bytes;
};

class MemoryStream final : public dqplatform::RefCounted<IStream> {
public:
    explicit MemoryStream(std::shared_ptr<SharedBytes> data, ULONGLONG position = 0)
        : m_data(std::move(data)), m_position(position) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ISequentialStream) ||
            IsEqualGUID(riid, IID_IStream)) {
            *ppv = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

    STDMETHODIMP Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        return ExceptionBoundary([&]() -> HRESULT {
            if (pv == nullptr)
                return STG_E_INVALIDPOINTER;
            std::lock_guard lock(m_data->mutex);
            const auto size = static_cast<ULONGLONG>(m_data->bytes.size());
            ULONG n = m_position >= size
                          ? 0
                          : static_cast<ULONG>(std::min<ULONGLONG>(cb, size - m_position));
            if (n > 0)
                std::memcpy(pv, m_data->bytes.data() + m_position, n);
            m_position += n;
            if (pcbRead)
                *pcbRead = n;
            return S_OK;
        });
    }

    STDMETHODIMP Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
        return ExceptionBoundary([&]() -> HRESULT {
            if (pv == nullptr)
                return STG_E_INVALIDPOINTER;
            std::lock_guard lock(m_data->mutex);
            ULONGLONG end = m_position + cb;
            try {
                if (end > m_data->bytes.size())
                    m_data->bytes.resize(static_cast<size_t>(end));
            } catch (const std::bad_alloc&) {
                if (pcbWritten)
                    *pcbWritten = 0;
                return STG_E_MEDIUMFULL;
            }
            if (cb > 0)
                std::memcpy(m_data->bytes.data() + m_position, pv, cb);
            m_position = end;
            if (pcbWritten)
                *pcbWritten = cb;
            return S_OK;
        });
    }

    STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        std::lock_guard lock(m_data->mutex);
        LONGLONG base;
        switch (origin) {
        case STREAM_SEEK_SET:
            base = 0;
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<LONGLONG>(m_position);
            break;
        case STREAM_SEEK_END:
            base = static_cast<LONGLONG>(m_data->bytes.size());
            break;
        default:
            return STG_E_INVALIDFUNCTION;
        }
        LONGLONG target;
        if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0)
            return STG_E_INVALIDFUNCTION;
        m_position = static_cast<ULONGLONG>(target);
        if (newPosition)
            newPosition->QuadPart = m_position;
        return S_OK;
    }

    STDMETHODIMP SetSize(ULARGE_INTEGER size) override {
        return ExceptionBoundary([&]() -> HRESULT {
            std::lock_guard lock(m_data->mutex);
            if (size.QuadPart > SIZE_MAX / 2)
                return STG_E_MEDIUMFULL;
            try {
                m_data->bytes.resize(static_cast<size_t>(size.QuadPart));
            } catch (const std::bad_alloc&) {
                return STG_E_MEDIUMFULL;
            }
            return S_OK;
        });
    }

    STDMETHODIMP CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                        ULARGE_INTEGER* pcbWritten) override {
        return ExceptionBoundary([&]() -> HRESULT {
            if (target == nullptr)
                return STG_E_INVALIDPOINTER;
            std::vector<BYTE> chunk;
            {
                std::lock_guard lock(m_data->mutex);
                const auto size = static_cast<ULONGLONG>(m_data->bytes.size());
                ULONGLONG n = m_position >= size ? 0 : std::min(cb.QuadPart, size - m_position);
                chunk.assign(m_data->bytes.begin() + static_cast<ptrdiff_t>(m_position),
                             m_data->bytes.begin() + static_cast<ptrdiff_t>(m_position + n));
                m_position += n;
            }
            ULONG written = 0;
            HRESULT hr = chunk.empty() ? S_OK
                                       : target->Write(chunk.data(),
                                                       static_cast<ULONG>(chunk.size()), &written);
            if (pcbRead)
                pcbRead->QuadPart = chunk.size();
            if (pcbWritten)
                pcbWritten->QuadPart = written;
            return hr;
        });
    }

    STDMETHODIMP Commit(DWORD) override { return S_OK; }
    STDMETHODIMP Revert() override { return S_OK; }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }

    STDMETHODIMP Stat(STATSTG* stat, DWORD flags) override {
        if (stat == nullptr)
            return STG_E_INVALIDPOINTER;
        if (flags != STATFLAG_DEFAULT && flags != STATFLAG_NONAME)
            return STG_E_INVALIDFLAG;
        std::memset(stat, 0, sizeof *stat);
        stat->type = STGTY_STREAM;
        std::lock_guard lock(m_data->mutex);
        stat->cbSize.QuadPart = m_data->bytes.size();
        return S_OK;
    }

    STDMETHODIMP Clone(IStream** out) override {
        if (out == nullptr)
            return STG_E_INVALIDPOINTER;
        ULONGLONG position;
        {
            std::lock_guard lock(m_data->mutex);
            position = m_position;
        }
        auto* clone = new (std::nothrow) MemoryStream(m_data, position);
        if (clone == nullptr) {
            *out = nullptr;
            return STG_E_INSUFFICIENTMEMORY;
        }
        clone->AddRef();
        *out = clone;
        return S_OK;
    }

private:
    std::shared_ptr<SharedBytes> m_data;
    ULONGLONG m_position; // guarded by m_data->mutex
};

} // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL, LPSTREAM* ppstm) {
    return ExceptionBoundary([&]() -> HRESULT {
        if (ppstm == nullptr)
            return E_INVALIDARG;
        *ppstm = nullptr;
        if (hGlobal != nullptr)
            return E_INVALIDARG; // only streams that own fresh memory are supported here
        // Out of memory here becomes E_OUTOFMEMORY at the boundary.
        auto* stream = new MemoryStream(std::make_shared<SharedBytes>());
        stream->AddRef();
        *ppstm = stream;
        return S_OK;
    });
}
