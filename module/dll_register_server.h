// Self-registration: the module's two registration exports and the procedure behind them.
#pragma once

#include "platform/platform.h"

STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();

// Registering: the COM server entries of every class, then the filters' mapper entries.
// Unregistering: the mapper entries, then (only if that worked) the COM server entries. The new
// filter mapper is used when it exists, else the original one.
HRESULT AMovieDllRegisterServer2(BOOL doRegister);
