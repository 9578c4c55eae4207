#include "tools/dq-regsvr/register_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>

#include "platform/platform.h"
#include "tools/dq-regsvr/result_text.h"

int RegisterModule(const std::string& path, bool unregister, bool silent) {
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    // A bare file name means the file here, as it does for regsvr32, not the library path.
    std::string file = path;
    if (file.find('/') == std::string::npos && access(file.c_str(), F_OK) == 0)
        file = "./" + file;
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        if (!silent)
            std::fprintf(stderr, "dq-regsvr: cannot load %s: %s\n", path.c_str(), dlerror());
        return kExitLoadFailed;
    }
    using Entry = HRESULT (*)();
    auto call = reinterpret_cast<Entry>(dlsym(module, entry));
    if (call == nullptr) {
        if (!silent)
            std::fprintf(stderr, "dq-regsvr: %s has no %s entry point\n", path.c_str(), entry);
        dlclose(module);
        return kExitNoEntryPoint;
    }
    CoInitialize(nullptr);
    const HRESULT hr = call();
    CoUninitialize();
    dlclose(module);
    if (FAILED(hr)) {
        if (!silent)
            std::fprintf(stderr, "dq-regsvr: %s in %s failed: %s\n", entry, path.c_str(),
                         DescribeResult(hr).c_str());
        return kExitCallFailed;
    }
    if (!silent)
        std::printf("%s in %s succeeded: %s\n", entry, path.c_str(), DescribeResult(hr).c_str());
    return kExitOk;
}
