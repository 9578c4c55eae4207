// The class factory and the table of classes the module can create.
#pragma once

#include "baseclasses/unknown.h"

struct AMOVIESETUP_FILTER;

typedef CUnknown* (*LPFNNewCOMObject)(LPUNKNOWN outer, HRESULT* result);
typedef void (*LPFNInitRoutine)(BOOL loading, const CLSID* clsid);

// One creatable class.
struct CFactoryTemplate {
    const WCHAR* m_wszName;
    const CLSID* m_pClsid;
    LPFNNewCOMObject m_pfnCreate;
    LPFNInitRoutine m_pfnInit;
    const AMOVIESETUP_FILTER* m_pSetupFilter;
};

// The module's classes, walked first to last for lookup and registration.
extern const CFactoryTemplate g_Templates[];
extern const int g_cTemplates;

extern HINSTANCE g_hModuleInstance;
extern LONG volatile g_nServerLocks;

class CClassFactory final : public IClassFactory, public CBaseObject {
public:
    explicit CClassFactory(const CFactoryTemplate* templ);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(LPUNKNOWN outer, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    const CFactoryTemplate* m_pTemplate;
    LONG volatile m_nFactoryRefs;
};
