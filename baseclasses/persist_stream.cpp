#include "baseclasses/persist_stream.h"

#include <cstdint>

#include "baseclasses/format_wide_bounded.h"

namespace {
constexpr int kVersionFieldChars = 12;
}

CPersistStream::CPersistStream(IUnknown*, HRESULT*) : m_dwStreamVersion(0), m_bDirty(FALSE) {}

STDMETHODIMP CPersistStream::IsDirty() {
    return m_bDirty ? S_OK : S_FALSE;
}

HRESULT CPersistStream::SetDirty(BOOL dirty) {
    m_bDirty = dirty;
    return S_OK;
}

STDMETHODIMP CPersistStream::Load(IStream* stream) {
    if (stream == nullptr)
        return E_POINTER;
    HRESULT r = S_OK;
    m_dwStreamVersion = static_cast<DWORD>(ReadTextInt(stream, r));
    if (FAILED(r))
        return r;
    return ReadFromStream(stream);
}

STDMETHODIMP CPersistStream::Save(IStream* stream, BOOL clearDirty) {
    if (stream == nullptr)
        return E_POINTER;
    HRESULT r = WriteTextInt(stream, static_cast<int>(GetSoftwareVersion()));
    if (FAILED(r))
        return r;
    r = WriteToStream(stream);
    if (FAILED(r))
        return r;
    m_bDirty = !clearDirty;
    return r;
}

STDMETHODIMP CPersistStream::GetSizeMax(ULARGE_INTEGER* size) {
    if (size == nullptr)
        return E_POINTER;
    size->QuadPart = static_cast<DWORD>(kVersionFieldChars * sizeof(WCHAR) + SizeMax());
    return S_OK;
}

DWORD CPersistStream::GetSoftwareVersion() {
    return 0;
}

int CPersistStream::SizeMax() {
    return 0;
}

HRESULT CPersistStream::WriteToStream(IStream*) {
    return S_OK;
}

HRESULT CPersistStream::ReadFromStream(IStream*) {
    return S_OK;
}

HRESULT WriteTextInt(IStream* stream, int n) {
    WCHAR buffer[kVersionFieldChars + 1];
    FormatWideBounded(buffer, kVersionFieldChars + 1, WSTR("%011d "), n);
    return stream->Write(buffer, kVersionFieldChars * sizeof(WCHAR), nullptr);
}

int ReadTextInt(IStream* stream, HRESULT& r) {
    WCHAR c = 0;
    // One wide character; the end of the stream is an error rather than a silent terminator,
    // since a version field is always written complete.
    auto next = [&]() {
        ULONG got = 0;
        r = stream->Read(&c, sizeof c, &got);
        if (SUCCEEDED(r) && got != sizeof c)
            r = VFW_E_INVALID_FILE_FORMAT;
        return SUCCEEDED(r);
    };

    if (!next())
        return 0;
    uint32_t sign = 1;
    if (c == u'-') {
        sign = static_cast<uint32_t>(-1);
        if (!next())
            return 0;
    }
    uint32_t n = 0;
    while (c >= u'0' && c <= u'9') {
        n = 10 * n + static_cast<uint32_t>(c - u'0');
        if (!next())
            return 0;
    }
    if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0)
        return static_cast<int>(sign * n);
    r = VFW_E_INVALID_FILE_FORMAT;
    return 0;
}
