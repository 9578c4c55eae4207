#include "baseclasses/media_type.h"

#include <cstring>

#include "baseclasses/guid_compare.h"

void ResetMediaType(AM_MEDIA_TYPE* type) {
    std::memset(static_cast<void*>(type), 0, sizeof(AM_MEDIA_TYPE));
    type->lSampleSize = 1;
    type->bFixedSizeSamples = TRUE;
}

void ReleaseFormat(AM_MEDIA_TYPE* type) {
    if (type->cbFormat != 0) {
        CoTaskMemFree(type->pbFormat);
        type->cbFormat = 0;
        type->pbFormat = nullptr;
    }
    if (type->pUnk != nullptr) {
        type->pUnk->Release();
        type->pUnk = nullptr;
    }
}

HRESULT CopyMediaTypeDeep(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
    std::memcpy(static_cast<void*>(target), source, sizeof(AM_MEDIA_TYPE));
    if (source->cbFormat != 0) {
        target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (target->pbFormat == nullptr) {
            target->cbFormat = 0;
            target->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    }
    if (target->pUnk != nullptr)
        target->pUnk->AddRef();
    return S_OK;
}

void DestroyMediaType(AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return;
    ReleaseFormat(type);
    CoTaskMemFree(type);
}

CMediaType::CMediaType() : AM_MEDIA_TYPE() {
    ::ResetMediaType(this);
}

CMediaType::CMediaType(const CMediaType& other) : AM_MEDIA_TYPE() {
    CopyMediaTypeDeep(this, &other);
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& other) : AM_MEDIA_TYPE() {
    CopyMediaTypeDeep(this, &other);
}

CMediaType::~CMediaType() {
    ::ReleaseFormat(this);
}

CMediaType& CMediaType::operator=(const CMediaType& other) {
    Assign(other);
    return *this;
}

HRESULT CMediaType::Assign(const AM_MEDIA_TYPE& source) {
    if (&source == static_cast<const AM_MEDIA_TYPE*>(this))
        return S_OK;
    ::ReleaseFormat(this);
    return CopyMediaTypeDeep(this, &source) == S_OK ? S_OK : E_OUTOFMEMORY;
}

bool CMediaType::IsPartial() const {
    return majortype == GUID_NULL || formattype == GUID_NULL;
}

static bool SameFormatBlock(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
    if (a.cbFormat != b.cbFormat)
        return false;
    return a.cbFormat == 0 || std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

bool CMediaType::MatchesTemplate(const CMediaType* tmpl) const {
    if (tmpl->majortype != GUID_NULL && tmpl->majortype != majortype)
        return false;
    if (tmpl->subtype != GUID_NULL && tmpl->subtype != subtype)
        return false;
    if (tmpl->formattype != GUID_NULL) {
        if (tmpl->formattype != formattype)
            return false;
        if (!SameFormatBlock(*tmpl, *this))
            return false;
    }
    return true;
}

bool CMediaType::operator==(const CMediaType& other) const {
    return majortype == other.majortype && subtype == other.subtype &&
           formattype == other.formattype && SameFormatBlock(*this, other);
}
