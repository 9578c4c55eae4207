// The COM server entries of the module's classes under HKEY_CLASSES_ROOT\CLSID.
#pragma once

#include "platform/platform.h"

// Writes (or removes) the entries of every class in g_Templates, in table order, stopping at
// the first failure; entries written before it stay. Removing needs no path (null will do).
HRESULT RegisterServerClasses(LPCWSTR modulePath, BOOL doRegister);

// CLSID\{clsid} = name, with the sub-key serverType = modulePath and its "ThreadingModel".
// A text longer than 259 characters writes nothing and returns
// HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE); a registry failure is returned as its HRESULT.
HRESULT RegisterComServer(const CLSID clsid, LPCWSTR name, LPCWSTR modulePath,
                          LPCWSTR threadingModel, LPCWSTR serverType);
// Removes CLSID\{clsid} with everything below it; S_OK whatever was there.
HRESULT UnregisterComServer(const CLSID clsid);
// Removes parent\name with all its sub-keys. E_FAIL for an empty name; S_OK otherwise, also
// when there was nothing to remove or when a sub-key could not be removed (the walk then stops
// there, and what could not be removed stays).
HRESULT DeleteKeyTree(HKEY parent, LPCWSTR name);
