#include "baseclasses/memory_allocator.h"

HRESULT NewMemoryAllocator(IMemAllocator** out) {
    if (out == nullptr)
        return E_POINTER;
    return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                            reinterpret_cast<void**>(out));
}
