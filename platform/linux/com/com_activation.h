// Object creation by class id: CoCreateInstance and CoGetClassObject.
#pragma once

#include "platform/linux/com/com_interfaces.h"

typedef enum tagCLSCTX {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_INPROC_SERVER16 = 0x8,
    CLSCTX_REMOTE_SERVER = 0x10
} CLSCTX;

#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_ALL                                                                                 \
    (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

struct _COSERVERINFO;
typedef struct _COSERVERINFO COSERVERINFO;

// Only in-process servers exist here: a context without CLSCTX_INPROC_SERVER finds no class
// (REGDB_E_CLASSNOTREG), and pServerInfo is ignored.
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO* pServerInfo,
                         REFIID riid, LPVOID* ppv);
// The runtime's built-in classes come first; any other class is looked up in the registry
// (HKCR\CLSID\{id}\InprocServer32) and its module loaded (see runtime_classes.h for the codes).
// *ppv is null on every failure. An unknown class gives REGDB_E_CLASSNOTREG; an outer unknown
// for a class that cannot be aggregated gives CLASS_E_NOAGGREGATION, and for one that can,
// any iid but IID_IUnknown gives E_NOINTERFACE.
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv);
// Unloads the in-process servers (modules loaded for classes found in the registry) whose
// DllCanUnloadNow answers S_OK. Modules without DllCanUnloadNow stay loaded.
void CoFreeUnusedLibraries();
