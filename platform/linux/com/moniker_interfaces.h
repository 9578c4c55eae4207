// Monikers and property bags: how a filter mapper hands out the filters it found. Published ids
// and method order.
#pragma once

#include "platform/linux/com/com_interfaces.h"
#include "platform/linux/com/ole_automation.h"

struct IBindCtx;
struct IMoniker;
struct EXCEPINFO;

DQ_DEFINE_GUID(IID_IBindCtx, 0x0000000e, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
               0x46);
DQ_DEFINE_GUID(IID_IEnumMoniker, 0x00000102, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00,
               0x00, 0x46);
DQ_DEFINE_GUID(IID_IMoniker, 0x0000000f, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
               0x46);
DQ_DEFINE_GUID(IID_IErrorLog, 0x3127ca40, 0x446e, 0x11ce, 0x81, 0x35, 0x00, 0xaa, 0x00, 0x4b, 0xb8,
               0x51);
DQ_DEFINE_GUID(IID_IPropertyBag, 0x55272a00, 0x42cb, 0x11ce, 0x81, 0x35, 0x00, 0xaa, 0x00, 0x4b,
               0xb8, 0x51);

typedef enum tagMKSYS {
    MKSYS_NONE = 0,
    MKSYS_GENERICCOMPOSITE = 1,
    MKSYS_FILEMONIKER = 2,
    MKSYS_ANTIMONIKER = 3,
    MKSYS_ITEMMONIKER = 4,
    MKSYS_POINTERMONIKER = 5,
    MKSYS_CLASSMONIKER = 7,
    MKSYS_OBJREFMONIKER = 8,
    MKSYS_SESSIONMONIKER = 9,
    MKSYS_LUAMONIKER = 10
} MKSYS;

#define MK_S_REDUCED_TO_SELF ((HRESULT)0x000401E2)
#define MK_E_NOINVERSE ((HRESULT)0x800401EC)
#define MK_E_NOPREFIX ((HRESULT)0x800401EE)
#define MK_E_NOTBINDABLE ((HRESULT)0x800401E8)
#define MK_E_UNAVAILABLE ((HRESULT)0x800401E3)
#define MK_E_SYNTAX ((HRESULT)0x800401E4)

struct IErrorLog : public IUnknown {
    STDMETHOD(AddError)(LPCOLESTR pszPropName, EXCEPINFO* pExcepInfo) PURE;
};

struct IPropertyBag : public IUnknown {
    STDMETHOD(Read)(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) PURE;
    STDMETHOD(Write)(LPCOLESTR pszPropName, VARIANT* pVar) PURE;
};

struct IEnumMoniker : public IUnknown {
    STDMETHOD(Next)(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) PURE;
    STDMETHOD(Skip)(ULONG celt) PURE;
    STDMETHOD(Reset)() PURE;
    STDMETHOD(Clone)(IEnumMoniker** ppenum) PURE;
};

struct IMoniker : public IPersistStream {
    STDMETHOD(BindToObject)
    (IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riidResult, void** ppvResult) PURE;
    STDMETHOD(BindToStorage)(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riid, void** ppvObj) PURE;
    STDMETHOD(Reduce)
    (IBindCtx* pbc, DWORD dwReduceHowFar, IMoniker** ppmkToLeft, IMoniker** ppmkReduced) PURE;
    STDMETHOD(ComposeWith)
    (IMoniker* pmkRight, BOOL fOnlyIfNotGeneric, IMoniker** ppmkComposite) PURE;
    STDMETHOD(Enum)(BOOL fForward, IEnumMoniker** ppenumMoniker) PURE;
    STDMETHOD(IsEqual)(IMoniker* pmkOtherMoniker) PURE;
    STDMETHOD(Hash)(DWORD* pdwHash) PURE;
    STDMETHOD(IsRunning)(IBindCtx* pbc, IMoniker* pmkToLeft, IMoniker* pmkNewlyRunning) PURE;
    STDMETHOD(GetTimeOfLastChange)(IBindCtx* pbc, IMoniker* pmkToLeft, FILETIME* pFileTime) PURE;
    STDMETHOD(Inverse)(IMoniker** ppmk) PURE;
    STDMETHOD(CommonPrefixWith)(IMoniker* pmkOther, IMoniker** ppmkPrefix) PURE;
    STDMETHOD(RelativePathTo)(IMoniker* pmkOther, IMoniker** ppmkRelPath) PURE;
    STDMETHOD(GetDisplayName)
    (IBindCtx* pbc, IMoniker* pmkToLeft, LPOLESTR* ppszDisplayName) PURE;
    STDMETHOD(ParseDisplayName)
    (IBindCtx* pbc, IMoniker* pmkToLeft, LPOLESTR pszDisplayName, ULONG* pchEaten,
     IMoniker** ppmkOut) PURE;
    STDMETHOD(IsSystemMoniker)(DWORD* pdwMksys) PURE;
};
