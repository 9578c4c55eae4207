// Self-registration: the module's two registration exports and the procedure behind them.
#pragma once

#include "platform/platform.h"

STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();

// Registering: the COM server entries of every class, then the filters' mapper entries. A module
// whose path does not fit MAX_PATH wide characters writes nothing and returns
// HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE).
// Unregistering: the mapper entries, then (only if that worked) the COM server entries. The new
// filter mapper is used when it exists, else the original one.
HRESULT AMovieDllRegisterServer2(BOOL doRegister);
