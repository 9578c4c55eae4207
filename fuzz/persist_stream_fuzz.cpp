// Fuzz target: the filter's saved settings (IPersistStream::Load) from the input's bytes, then
// saved again and loaded back. A refused stream is a result code; a fault or an exception that
// escapes is a finding.
#include <cstddef>
#include <cstdint>

#include "baseclasses/streams.h"
#include "filter/direct_quorbit.h"

namespace {

IPersistStream* Filter() {
    static IPersistStream* persist = [] {
        HRESULT hr = S_OK;
        CUnknown* object = CDirectQuorbit::CreateInstance(nullptr, &hr);
        IPersistStream* p = nullptr;
        if (object == nullptr ||
            FAILED(object->NonDelegatingQueryInterface(IID_IPersistStream, (void**)&p)))
            __builtin_trap();
        return p; // kept for the whole run
    }();
    return persist;
}

IStream* StreamOf(const uint8_t* data, size_t size) {
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)))
        __builtin_trap();
    if (size > 0)
        stream->Write(data, ULONG(size), nullptr);
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return stream;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 16))
        return 0;
    IPersistStream* persist = Filter();
    IStream* in = StreamOf(data, size);
    const HRESULT loaded = persist->Load(in);
    in->Release();
    if (FAILED(loaded))
        return 0;

    ULARGE_INTEGER most{};
    persist->GetSizeMax(&most);
    IStream* out = StreamOf(nullptr, 0);
    if (SUCCEEDED(persist->Save(out, TRUE))) {
        LARGE_INTEGER start{};
        out->Seek(start, STREAM_SEEK_SET, nullptr);
        // What the filter saved, it must load.
        if (FAILED(persist->Load(out)))
            __builtin_trap();
    }
    out->Release();
    return 0;
}
