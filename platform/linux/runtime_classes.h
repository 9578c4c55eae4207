// The classes built into the runtime, and the lookup of a class factory by class id.
// Internal to the platform library.
#pragma once

#include "platform/linux/com_interfaces.h"

namespace dqplatform {

// Creates an object and asks it for riid. outer is non-null only for a class that can be
// aggregated, and then riid is IID_IUnknown (the class factory has checked both).
using CreateInstanceFn = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

HRESULT CreateMemoryAllocator(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateSystemClock(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateSeekingPassThru(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateFilterGraph(IUnknown* outer, REFIID riid, void** ppv);
// Both filter mapper classes: one object answering IFilterMapper2 and IFilterMapper.
HRESULT CreateFilterMapper(IUnknown* outer, REFIID riid, void** ppv);

// The class factory for a class id (one reference), or REGDB_E_CLASSNOTREG. The built-in
// classes come first; then in-process servers registered in the registry.
HRESULT GetClassFactory(REFCLSID clsid, IClassFactory** factory);

// The factory of a class registered under HKCR\CLSID\{id}\InprocServer32, loading its module
// when needed: REGDB_E_CLASSNOTREG for no registration, CO_E_DLLNOTFOUND for a module that is
// not there, CO_E_ERRORINDLL for one that cannot be loaded or has no DllGetClassObject, else
// what DllGetClassObject answers.
HRESULT GetInprocServerFactory(REFCLSID clsid, IClassFactory** factory);

} // namespace dqplatform
