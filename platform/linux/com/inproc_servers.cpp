// In-process servers found in the registry: HKCR\CLSID\{id}\InprocServer32 names a module,
// which is loaded once per path (dlopen) and asked for the class factory through its exported
// DllGetClassObject. CoFreeUnusedLibraries unloads the modules whose DllCanUnloadNow allows it.
//
// A module is pinned while a factory request is in progress, so a concurrent
// CoFreeUnusedLibraries cannot unload it under a caller; once the request has returned, the
// factory itself counts in the module's own DllCanUnloadNow. No module code runs under the
// table's lock except DllCanUnloadNow.
#include <dlfcn.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/exception_boundary.h"
#include "platform/linux/com/class_objects.h"
#include "platform/linux/com/com_activation.h"
#include "platform/linux/com/guid_text.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/registry/registry.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT (*)();

struct LoadedServer {
    void* handle = nullptr;
    GetClassObjectFn getClassObject = nullptr;
    CanUnloadNowFn canUnloadNow = nullptr;
    int busy = 0; // factory requests in progress
};

std::mutex g_serversMutex;
std::map<std::string, LoadedServer> g_servers; // by canonical path

// The module path registered for a class, as UTF-8; REGDB_E_CLASSNOTREG when there is none.
HRESULT ServerPath(REFCLSID clsid, std::string& path) {
    const std::u16string key = u"CLSID\\" + GuidText(clsid) + u"\\InprocServer32";
    HKEY hkey = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &hkey) != ERROR_SUCCESS)
        return REGDB_E_CLASSNOTREG;
    DWORD type = 0, size = 0;
    LONG e = RegQueryValueExW(hkey, nullptr, nullptr, &type, nullptr, &size);
    std::u16string wide(size / sizeof(char16_t) + 1, u'\0');
    if (e == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ))
        e = RegQueryValueExW(hkey, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(wide.data()),
                             &size);
    RegCloseKey(hkey);
    if (e != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return REGDB_E_CLASSNOTREG;
    wide.resize(wide.find(u'\0'));
    if (wide.empty())
        return REGDB_E_CLASSNOTREG;
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    path.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), path.data(), n,
                        nullptr, nullptr);
    return S_OK;
}

// Called with the lock held. A file that is not there is CO_E_DLLNOTFOUND; one that cannot be
// loaded, or lacks DllGetClassObject, is CO_E_ERRORINDLL.
HRESULT Load(const std::string& path, LoadedServer*& server) {
    char resolved[PATH_MAX];
    const std::string canonical = realpath(path.c_str(), resolved) ? resolved : path;
    auto it = g_servers.find(canonical);
    if (it != g_servers.end()) {
        server = &it->second;
        return S_OK;
    }
    struct stat info {};
    if (path.find('/') != std::string::npos && stat(path.c_str(), &info) != 0)
        return CO_E_DLLNOTFOUND;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        return path.find('/') == std::string::npos ? CO_E_DLLNOTFOUND : CO_E_ERRORINDLL;
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
    if (getClassObject == nullptr) {
        dlclose(handle);
        return CO_E_ERRORINDLL;
    }
    LoadedServer& entry = g_servers[canonical];
    entry.handle = handle;
    entry.getClassObject = getClassObject;
    entry.canUnloadNow = reinterpret_cast<CanUnloadNowFn>(dlsym(handle, "DllCanUnloadNow"));
    server = &entry;
    return S_OK;
}

} // namespace

HRESULT GetInprocServerFactory(REFCLSID clsid, IClassFactory** factory) {
    return ExceptionBoundary([&]() -> HRESULT {
        *factory = nullptr;
        std::string path;
        if (HRESULT hr = ServerPath(clsid, path); FAILED(hr))
            return hr;
        LoadedServer* server = nullptr;
        GetClassObjectFn getClassObject = nullptr;
        {
            std::lock_guard<std::mutex> lock(g_serversMutex);
            if (HRESULT hr = Load(path, server); FAILED(hr))
                return hr;
            ++server->busy;
            getClassObject = server->getClassObject;
        }
        void* object = nullptr;
        HRESULT hr = getClassObject(clsid, IID_IClassFactory, &object);
        {
            std::lock_guard<std::mutex> lock(g_serversMutex);
            --server->busy;
        }
        if (FAILED(hr))
            return hr;
        if (object == nullptr)
            return CO_E_ERRORINDLL;
        *factory = static_cast<IClassFactory*>(object);
        return S_OK;
    });
}

} // namespace dqplatform

void CoFreeUnusedLibraries() {
    std::vector<void*> unload;
    {
        std::lock_guard<std::mutex> lock(dqplatform::g_serversMutex);
        for (auto it = dqplatform::g_servers.begin(); it != dqplatform::g_servers.end();) {
            const dqplatform::LoadedServer& s = it->second;
            if (s.busy == 0 && s.canUnloadNow != nullptr && s.canUnloadNow() == S_OK) {
                unload.push_back(s.handle);
                it = dqplatform::g_servers.erase(it);
            } else {
                ++it;
            }
        }
    }
    // Outside the lock: a module's detach code may itself create objects.
    for (void* handle : unload)
        dlclose(handle);
}
