#include "test_in_place_filter.h"

DQ_DEFINE_GUID(CLSID_TestInPlaceFilter, 0x7E570012, 0x51C3, 0x4D2A, 0x9B, 0x61, 0x20, 0x3F, 0x44,
               0x0A, 0x11, 0x03);

CTestInPlaceFilter::CTestInPlaceFilter()
    : CTransInPlaceFilter(WSTR("TestInPlaceFilter"), nullptr, CLSID_TestInPlaceFilter, nullptr,
                          true) {}

CTestInPlaceFilter* CTestInPlaceFilter::Create() {
    auto* filter = new CTestInPlaceFilter();
    filter->Itf()->AddRef();
    return filter;
}

HRESULT CTestInPlaceFilter::CheckInputType(const CMediaType* type) {
    return type->majortype == MEDIATYPE_Video && type->subtype == MEDIASUBTYPE_RGB24 &&
                   type->formattype == FORMAT_VideoInfo
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CTestInPlaceFilter::SetMediaType(PIN_DIRECTION, const CMediaType*) {
    return S_OK;
}

HRESULT CTestInPlaceFilter::Transform(IMediaSample* sample) {
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)))
        return E_FAIL;
    const LONG length = sample->GetActualDataLength();
    for (LONG i = 0; i < length; ++i)
        data[i] = Altered(data[i]);
    std::lock_guard lock(m_mutex);
    m_transformed.push_back(sample);
    return S_OK;
}

std::vector<IMediaSample*> CTestInPlaceFilter::Transformed() {
    std::lock_guard lock(m_mutex);
    return m_transformed;
}
