// The filter mapper's interfaces beside IFilterMapper: IFilterMapper2 with its categories and
// monikers, and IEnumRegFilters of the original interface. Published ids and method order.
#pragma once

#include "platform/linux/com/moniker_interfaces.h"
#include "platform/linux/dshow/dshow_interfaces.h"

// The category of filter categories: CLSID\{this}\Instance\{category} describes each category.
DQ_DEFINE_GUID(CLSID_ActiveMovieCategories, 0xda4e3da0, 0xd07d, 0x11d0, 0xbd, 0x50, 0x00, 0xa0,
               0xc9, 0x11, 0xce, 0x86);
// What the mapper's monikers answer to GetClassID.
DQ_DEFINE_GUID(CLSID_CDeviceMoniker, 0x4315d437, 0x5b8c, 0x11d0, 0xbd, 0x3b, 0x00, 0xa0, 0xc9, 0x11,
               0xce, 0x86);

DQ_DEFINE_GUID(IID_IEnumRegFilters, 0x56a868a4, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b,
               0xa7, 0x70);
DQ_DEFINE_GUID(IID_IFilterMapper2, 0xb79bb0b0, 0x33c1, 0x11d1, 0xab, 0xe1, 0x00, 0xa0, 0xc9, 0x05,
               0xf3, 0x75);

// One filter found by IFilterMapper::EnumMatchingFilters. Each record comes in one task-memory
// block with its name, freed with one CoTaskMemFree.
typedef struct {
    CLSID Clsid;
    LPWSTR Name;
} REGFILTER;

struct IEnumRegFilters : public IUnknown {
    STDMETHOD(Next)(ULONG cFilters, REGFILTER** apRegFilter, ULONG* pcFetched) PURE;
    STDMETHOD(Skip)(ULONG cFilters) PURE;
    STDMETHOD(Reset)() PURE;
    STDMETHOD(Clone)(IEnumRegFilters** ppEnum) PURE;
};

struct IFilterMapper2 : public IUnknown {
    STDMETHOD(CreateCategory)
    (REFCLSID clsidCategory, DWORD dwCategoryMerit, LPCWSTR Description) PURE;
    STDMETHOD(UnregisterFilter)
    (const CLSID* pclsidCategory, LPCOLESTR szInstance, REFCLSID Filter) PURE;
    STDMETHOD(RegisterFilter)
    (REFCLSID clsidFilter, LPCWSTR Name, IMoniker** ppMoniker, const CLSID* pclsidCategory,
     LPCOLESTR szInstance, const REGFILTER2* prf2) PURE;
    STDMETHOD(EnumMatchingFilters)
    (IEnumMoniker** ppEnum, DWORD dwFlags, BOOL bExactMatch, DWORD dwMerit, BOOL bInputNeeded,
     DWORD cInputTypes, const GUID* pInputTypes, const REGPINMEDIUM* pMedIn,
     const CLSID* pPinCategoryIn, BOOL bRender, BOOL bOutputNeeded, DWORD cOutputTypes,
     const GUID* pOutputTypes, const REGPINMEDIUM* pMedOut, const CLSID* pPinCategoryOut) PURE;
};
