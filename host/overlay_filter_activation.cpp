#include "overlay_filter_activation.h"

#include <cstdio>
#include <cstring>

#include <dlfcn.h>
#include <unistd.h>

#include "filter/i_direct_quorbit.h"
#include "tool_error.h"
#include "wide_text.h"

namespace {

std::string HresultText(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(hr));
    return text;
}

using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, LPVOID*);

} // namespace

std::string OverlayFilterActivation::RegisteredModule() {
    WCHAR id[40] = {};
    StringFromGUID2(CLSID_DirectQuorbit_RELEASE, id, 40);
    std::u16string key = u"CLSID\\";
    key += reinterpret_cast<const char16_t*>(id);
    key += u"\\InprocServer32";
    HKEY hkey = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, reinterpret_cast<LPCWSTR>(key.c_str()), 0, KEY_READ,
                      &hkey) != ERROR_SUCCESS)
        return "";
    WCHAR path[1024] = {};
    DWORD type = 0, bytes = sizeof path - sizeof(WCHAR);
    const LONG result =
        RegQueryValueExW(hkey, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &bytes);
    RegCloseKey(hkey);
    return result == ERROR_SUCCESS ? Utf8(path) : "";
}

std::string OverlayFilterActivation::ModuleBesideExecutable() {
    // The file holding this code: the tool's executable, or a plugin that a host program loaded.
    Dl_info self = {};
    std::string folder;
    if (dladdr(reinterpret_cast<const void*>(&OverlayFilterActivation::ModuleBesideExecutable),
               &self) != 0 &&
        self.dli_fname != nullptr && std::strchr(self.dli_fname, '/') != nullptr) {
        folder = self.dli_fname;
    } else {
        char exe[4096] = {};
        const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        folder = n > 0 ? std::string(exe, size_t(n)) : std::string(".");
    }
    const size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? "." : folder.substr(0, slash);
    return folder + "/DirectQuorbit.ax";
}

IBaseFilter* OverlayFilterActivation::Create(std::string& how) {
    IBaseFilter* filter = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_DirectQuorbit_RELEASE, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    if (SUCCEEDED(hr) && filter != nullptr) {
        const std::string module = RegisteredModule();
        how = "created through COM from the registered module" +
              (module.empty() ? std::string() : " " + module);
        return filter;
    }
    if (hr != REGDB_E_CLASSNOTREG)
        throw ToolError(kExitProcessing, "the registered overlay filter cannot be created (" +
                                             HresultText(hr) + ")");

    const std::string path = ModuleBesideExecutable();
    // Kept loaded for the life of the process, as COM keeps a module whose objects may live.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* error = dlerror();
        throw ToolError(kExitProcessing,
                        "the overlay filter is not registered, and its module cannot be loaded: " +
                            std::string(error ? error : path));
    }
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(dlsym(module, "DllGetClassObject"));
    if (getClassObject == nullptr)
        throw ToolError(kExitProcessing, path + " exports no DllGetClassObject");
    IClassFactory* factory = nullptr;
    hr = getClassObject(CLSID_DirectQuorbit_RELEASE, IID_IClassFactory,
                        reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || factory == nullptr)
        throw ToolError(kExitProcessing,
                        path + " does not provide the overlay filter (" + HresultText(hr) + ")");
    hr = factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    factory->Release();
    if (FAILED(hr) || filter == nullptr)
        throw ToolError(kExitProcessing,
                        "the overlay filter cannot be created (" + HresultText(hr) + ")");
    how = "loaded from " + path + " beside the executable (its class is not registered)";
    return filter;
}
