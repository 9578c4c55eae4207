// Where COM activation finds a class's factory: the classes built into the runtime, which the
// components above COM register as the library loads, then the in-process servers of the
// registry. Internal to the platform library.
#pragma once

#include <span>

#include "platform/linux/com/com_interfaces.h"

namespace dqplatform {

// Creates an object and asks it for riid. outer is non-null only for a class that can be
// aggregated, and then riid is IID_IUnknown (the class factory has checked both).
using CreateInstanceFn = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

struct BuiltinClass {
    const CLSID& clsid;
    CreateInstanceFn create;
    bool aggregatable;
};

// Makes classes known to activation without a registry entry. Called from static
// initialisation, so that they are there before anyone can ask for them; a class id registered
// twice keeps its first entry.
void RegisterBuiltinClasses(std::span<const BuiltinClass> classes);

// The class factory for a class id (one reference), or REGDB_E_CLASSNOTREG. The built-in
// classes come first; then in-process servers registered in the registry.
HRESULT GetClassFactory(REFCLSID clsid, IClassFactory** factory);

// The factory of a class registered under HKCR\CLSID\{id}\InprocServer32, loading its module
// when needed: REGDB_E_CLASSNOTREG for no registration, CO_E_DLLNOTFOUND for a module that is
// not there, CO_E_ERRORINDLL for one that cannot be loaded or has no DllGetClassObject, else
// what DllGetClassObject answers.
HRESULT GetInprocServerFactory(REFCLSID clsid, IClassFactory** factory);

} // namespace dqplatform
