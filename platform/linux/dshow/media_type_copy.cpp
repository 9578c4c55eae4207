#include "platform/linux/dshow/media_type_copy.h"

#include <cstring>

#include "platform/linux/com/com_runtime.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

HRESULT CopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* source) {
    *dest = *source;
    dest->cbFormat = 0;
    dest->pbFormat = nullptr;
    if (source->cbFormat != 0 && source->pbFormat != nullptr) {
        dest->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (dest->pbFormat == nullptr) {
            dest->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(dest->pbFormat, source->pbFormat, source->cbFormat);
        dest->cbFormat = source->cbFormat;
    }
    if (dest->pUnk != nullptr)
        dest->pUnk->AddRef();
    return S_OK;
}

void FreeMediaType(AM_MEDIA_TYPE* type) {
    CoTaskMemFree(type->pbFormat);
    type->pbFormat = nullptr;
    type->cbFormat = 0;
    if (type->pUnk != nullptr) {
        type->pUnk->Release();
        type->pUnk = nullptr;
    }
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) {
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (type == nullptr)
        return nullptr;
    if (FAILED(CopyMediaType(type, source))) {
        CoTaskMemFree(type);
        return nullptr;
    }
    return type;
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return;
    FreeMediaType(type);
    CoTaskMemFree(type);
}

} // namespace dqplatform
