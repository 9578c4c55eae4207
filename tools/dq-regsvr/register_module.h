// Loading a module and calling its registration export, as regsvr32 does.
#pragma once

#include <string>

// How the tool ends, as regsvr32 ends.
enum ExitCode {
    kExitOk = 0,
    kExitUsage = 1,
    kExitNotRegistered = 2, // --query found nothing
    kExitLoadFailed = 3,
    kExitNoEntryPoint = 4,
    kExitCallFailed = 5,
    kExitRegistryUnreadable = 6, // --query could not read the registry (corrupt, unreadable)
};

// Calls DllRegisterServer (or DllUnregisterServer) of the module at path and says what
// happened on standard output (success) or standard error (failure) unless silent.
int RegisterModule(const std::string& path, bool unregister, bool silent);
