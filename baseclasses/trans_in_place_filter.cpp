#include "baseclasses/trans_in_place_filter.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "baseclasses/trans_in_place_pins.h"

CTransInPlaceFilter::CTransInPlaceFilter(LPCWSTR debugName, IUnknown* outer, REFCLSID clsid,
                                         HRESULT*, bool altersData)
    : CTransformFilter(debugName, outer, clsid), m_bAltersData(altersData) {}

CTransInPlaceInputPin* CTransInPlaceFilter::InPlaceInputPin() const {
    return static_cast<CTransInPlaceInputPin*>(m_pInputPin);
}

CTransInPlaceOutputPin* CTransInPlaceFilter::InPlaceOutputPin() const {
    return static_cast<CTransInPlaceOutputPin*>(m_pOutputPin);
}

CBasePin* CTransInPlaceFilter::GetPin(int n) {
    if (m_pInputPin == nullptr || m_pOutputPin == nullptr) {
        // Two first callers must not make two pairs.
        CSectionGuard guard(&m_filterLock);
        HRESULT hr = S_OK;
        if (m_pInputPin == nullptr)
            m_pInputPin =
                new (std::nothrow) CTransInPlaceInputPin(nullptr, this, &hr, WSTR("Input"));
        if (m_pInputPin != nullptr && m_pOutputPin == nullptr) {
            m_pOutputPin =
                new (std::nothrow) CTransInPlaceOutputPin(nullptr, this, &hr, WSTR("Output"));
            if (m_pOutputPin == nullptr) {
                delete m_pInputPin;
                m_pInputPin = nullptr;
            }
        }
    }
    if (n == 0)
        return m_pInputPin;
    if (n == 1)
        return m_pOutputPin;
    return nullptr;
}

HRESULT CTransInPlaceFilter::CheckTransform(const CMediaType*, const CMediaType*) {
    return S_OK;
}

HRESULT CTransInPlaceFilter::GetMediaType(int, CMediaType*) {
    return E_UNEXPECTED;
}

HRESULT CTransInPlaceFilter::DecideBufferSize(IMemAllocator* allocator,
                                              ALLOCATOR_PROPERTIES* props) {
    ALLOCATOR_PROPERTIES request = {};
    IMemAllocator* upstream = m_pInputPin != nullptr && m_pInputPin->IsConnected()
                                  ? m_pInputPin->InputAllocator()
                                  : nullptr;
    if (upstream != nullptr) {
        const HRESULT hr = upstream->GetProperties(&request);
        if (FAILED(hr))
            return hr;
    } else {
        // Nothing to size from: one small buffer. Alignment 1, as an allocator refuses 0.
        request.cBuffers = 1;
        request.cbBuffer = 1;
        request.cbAlign = 1;
    }

    props->cBuffers = request.cBuffers > 0 ? request.cBuffers : 1;
    props->cbBuffer = request.cbBuffer > 0 ? request.cbBuffer : 1;
    props->cbAlign = request.cbAlign;

    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = allocator->SetProperties(props, &actual);
    if (FAILED(hr))
        return hr;
    if (request.cBuffers > actual.cBuffers || request.cbBuffer > actual.cbBuffer ||
        request.cbAlign > actual.cbAlign)
        return E_FAIL;
    return S_OK;
}

HRESULT CTransInPlaceFilter::CompleteConnect(PIN_DIRECTION direction, IPin*) {
    if (m_pOwnerGraph == nullptr)
        return VFW_E_NOT_IN_GRAPH;
    if (direction == PINDIR_OUTPUT) {
        // The input is reconnected with the type the output settled on.
        if (m_pInputPin != nullptr && m_pInputPin->IsConnected())
            return RequestReconnect(m_pInputPin->AsPin(), &m_pOutputPin->CurrentMediaType());
        return S_OK;
    }
    if (m_pOutputPin != nullptr && m_pOutputPin->IsConnected() &&
        m_pInputPin->CurrentMediaType() != m_pOutputPin->CurrentMediaType())
        return RequestReconnect(m_pOutputPin->AsPin(), &m_pInputPin->CurrentMediaType());
    return S_OK;
}

bool CTransInPlaceFilter::AllocatorsDiffer() const {
    IMemAllocator* in = m_pInputPin != nullptr ? m_pInputPin->InputAllocator() : nullptr;
    IMemAllocator* out = m_pOutputPin != nullptr ? m_pOutputPin->OutputAllocator() : nullptr;
    return in != out;
}

HRESULT CTransInPlaceFilter::Receive(IMediaSample* sample) {
    CTransInPlaceOutputPin* output = InPlaceOutputPin();
    if (m_pInputPin->LastSampleProps()->dwStreamId != AM_STREAM_MEDIA)
        return output->DeliverSample(sample);

    IMediaSample* copy = nullptr;
    if (AllocatorsDiffer()) {
        copy = CopySample(sample);
        if (copy == nullptr)
            return E_UNEXPECTED;
    }
    IMediaSample* target = copy != nullptr ? copy : sample;

    HRESULT hr = Transform(target);
    if (hr == S_OK) {
        hr = output->DeliverSample(target);
    } else if (hr == S_FALSE) {
        // Dropped: the graph hears of it once per pause.
        m_bSampleDropped = TRUE;
        if (!m_bQualityEventSent) {
            SendGraphEvent(EC_QUALITY_CHANGE, 0, 0);
            m_bQualityEventSent = TRUE;
        }
        hr = S_OK;
    }
    if (copy != nullptr)
        copy->Release();
    return hr;
}

// The properties an IMediaSample2 takes in one call: everything before the buffer pointer.
static constexpr DWORD kSampleHeaderSize = offsetof(AM_SAMPLE2_PROPERTIES, pbBuffer);
static_assert(sizeof(void*) != 4 || kSampleHeaderSize == 40);

IMediaSample* CTransInPlaceFilter::CopySample(IMediaSample* source) {
    IMemAllocator* allocator = m_pOutputPin != nullptr ? m_pOutputPin->OutputAllocator() : nullptr;
    if (allocator == nullptr)
        return nullptr;

    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    const bool timeValid = source->GetTime(&start, &stop) == S_OK;
    IMediaSample* dest = nullptr;
    HRESULT hr =
        allocator->GetBuffer(&dest, timeValid ? &start : nullptr, timeValid ? &stop : nullptr,
                             m_bSampleDropped ? AM_GBF_PREVFRAMESKIPPED : 0);
    if (FAILED(hr) || dest == nullptr)
        return nullptr;

    IMediaSample2* dest2 = nullptr;
    if (SUCCEEDED(dest->QueryInterface(IID_IMediaSample2, reinterpret_cast<void**>(&dest2))) &&
        dest2 != nullptr) {
        hr = dest2->SetProperties(kSampleHeaderSize,
                                  reinterpret_cast<const BYTE*>(m_pInputPin->LastSampleProps()));
        dest2->Release();
        if (FAILED(hr)) {
            dest->Release();
            return nullptr;
        }
    } else {
        if (timeValid)
            dest->SetTime(&start, &stop);
        if (source->IsSyncPoint() == S_OK)
            dest->SetSyncPoint(TRUE);
        if (source->IsDiscontinuity() == S_OK || m_bSampleDropped)
            dest->SetDiscontinuity(TRUE);
        if (source->IsPreroll() == S_OK)
            dest->SetPreroll(TRUE);
        AM_MEDIA_TYPE* type = nullptr;
        if (source->GetMediaType(&type) == S_OK) {
            dest->SetMediaType(type);
            DestroyMediaType(type);
        } else if (type != nullptr) {
            DestroyMediaType(type);
        }
    }
    m_bSampleDropped = FALSE;

    LONGLONG mediaStart = 0;
    LONGLONG mediaStop = 0;
    if (source->GetMediaTime(&mediaStart, &mediaStop) == S_OK)
        dest->SetMediaTime(&mediaStart, &mediaStop);

    // Never past either buffer: a copy that does not fit fails instead.
    const LONG length = source->GetActualDataLength();
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    if (length < 0 || length > source->GetSize() || length > dest->GetSize() ||
        FAILED(dest->SetActualDataLength(length)) || FAILED(source->GetPointer(&from)) ||
        FAILED(dest->GetPointer(&to)) || (length > 0 && (from == nullptr || to == nullptr))) {
        dest->Release();
        return nullptr;
    }
    if (length > 0)
        std::memcpy(to, from, static_cast<size_t>(length));
    return dest;
}
