// Registering the test servers for the activation tests, and asking whether a module is loaded.
#pragma once

#include <dlfcn.h>

#include <string>

#include "tests/platform/dshow/mapper_support.h"
#include "tests/registration/test_server.h"

namespace dqtest {

inline void RegisterInprocServer(const CLSID& clsid, const std::string& path) {
    const std::u16string key = u"CLSID\\" + Text(clsid) + u"\\InprocServer32";
    const std::u16string wide(path.begin(), path.end());
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, key.c_str(), &h), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueW(h, nullptr, REG_SZ, wide.c_str(), 0), ERROR_SUCCESS);
    RegCloseKey(h);
}

// Whether the module at path is mapped in this process (asking does not keep it there).
inline bool IsLoaded(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}

} // namespace dqtest
