#include "platform/linux/com/ole_automation.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace {

// The byte length sits in the four bytes before the characters.
struct StringHeader {
    uint32_t bytes;
};

// The element type is kept in front of the array, where the SDK keeps it.
struct ArrayBlock {
    VARTYPE vt;
    SAFEARRAY array;
};

ArrayBlock* BlockOf(SAFEARRAY* psa) {
    return reinterpret_cast<ArrayBlock*>(reinterpret_cast<char*>(psa) -
                                         offsetof(ArrayBlock, array));
}

ULONG ElementSize(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
        return 8;
    default:
        return 0;
    }
}

} // namespace

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    if (ui > 0x7FFFFFF0u / sizeof(OLECHAR))
        return nullptr;
    const size_t bytes = size_t{ui} * sizeof(OLECHAR);
    auto* block = static_cast<char*>(std::malloc(sizeof(StringHeader) + bytes + sizeof(OLECHAR)));
    if (block == nullptr)
        return nullptr;
    reinterpret_cast<StringHeader*>(block)->bytes = static_cast<uint32_t>(bytes);
    BSTR text = reinterpret_cast<BSTR>(block + sizeof(StringHeader));
    if (strIn != nullptr)
        std::memcpy(text, strIn, bytes);
    else
        std::memset(text, 0, bytes);
    text[ui] = 0;
    return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr)
        return nullptr;
    UINT length = 0;
    while (psz[length] != 0)
        ++length;
    return SysAllocStringLen(psz, length);
}

void SysFreeString(BSTR bstrString) {
    if (bstrString != nullptr)
        std::free(reinterpret_cast<char*>(bstrString) - sizeof(StringHeader));
}

UINT SysStringByteLen(BSTR bstr) {
    if (bstr == nullptr)
        return 0;
    return reinterpret_cast<const StringHeader*>(reinterpret_cast<const char*>(bstr) -
                                                 sizeof(StringHeader))
        ->bytes;
}

UINT SysStringLen(BSTR pbstr) {
    return SysStringByteLen(pbstr) / sizeof(OLECHAR);
}

void VariantInit(VARIANTARG* pvarg) {
    std::memset(pvarg, 0, sizeof *pvarg);
    pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
    if (pvarg == nullptr)
        return E_INVALIDARG;
    const VARTYPE vt = pvarg->vt;
    if ((vt & VT_BYREF) == 0) {
        if (vt & VT_ARRAY) {
            if (pvarg->parray != nullptr) {
                const HRESULT hr = SafeArrayDestroy(pvarg->parray);
                if (FAILED(hr))
                    return hr;
            }
        } else if (vt == VT_BSTR) {
            SysFreeString(pvarg->bstrVal);
        } else if (vt == VT_UNKNOWN) {
            if (pvarg->punkVal != nullptr)
                pvarg->punkVal->Release();
        } else if (vt != VT_EMPTY && vt != VT_NULL && ElementSize(vt) == 0) {
            return DISP_E_BADVARTYPE;
        }
    }
    VariantInit(pvarg);
    return S_OK;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    const ULONG size = ElementSize(vt);
    if (size == 0 || cElements > 0x7FFFFFF0u / size)
        return nullptr;
    auto* block = static_cast<ArrayBlock*>(std::calloc(1, sizeof(ArrayBlock)));
    if (block == nullptr)
        return nullptr;
    void* data = std::calloc(cElements == 0 ? 1 : cElements, size);
    if (data == nullptr) {
        std::free(block);
        return nullptr;
    }
    block->vt = vt;
    block->array.cDims = 1;
    block->array.fFeatures = FADF_HAVEVARTYPE;
    block->array.cbElements = size;
    block->array.pvData = data;
    block->array.rgsabound[0].cElements = cElements;
    block->array.rgsabound[0].lLbound = lLbound;
    return &block->array;
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (psa == nullptr)
        return S_OK;
    if (__atomic_load_n(&psa->cLocks, __ATOMIC_SEQ_CST) != 0)
        return DISP_E_ARRAYISLOCKED;
    std::free(psa->pvData);
    std::free(BlockOf(psa));
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (psa == nullptr || ppvData == nullptr)
        return E_INVALIDARG;
    __atomic_add_fetch(&psa->cLocks, 1, __ATOMIC_SEQ_CST);
    *ppvData = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) {
    if (psa == nullptr)
        return E_INVALIDARG;
    ULONG locks = __atomic_load_n(&psa->cLocks, __ATOMIC_SEQ_CST);
    do {
        if (locks == 0)
            return E_UNEXPECTED;
    } while (!__atomic_compare_exchange_n(&psa->cLocks, &locks, locks - 1, false, __ATOMIC_SEQ_CST,
                                          __ATOMIC_SEQ_CST));
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
    if (psa == nullptr || plLbound == nullptr)
        return E_INVALIDARG;
    if (nDim != 1)
        return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
    if (psa == nullptr || plUbound == nullptr)
        return E_INVALIDARG;
    if (nDim != 1)
        return DISP_E_BADINDEX;
    *plUbound = psa->rgsabound[0].lLbound + static_cast<LONG>(psa->rgsabound[0].cElements) - 1;
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
    if (psa == nullptr || pvt == nullptr)
        return E_INVALIDARG;
    *pvt = BlockOf(psa)->vt;
    return S_OK;
}
