#include "module/dll_register_server.h"

#include "baseclasses/register_filter_setup.h"
#include "module/class_factory.h"
#include "module/com_server_registration.h"
#include "module/register_filter_setup2.h"
#include "platform/exception_boundary.h"

STDAPI DllRegisterServer() {
    return ExceptionBoundary([] { return AMovieDllRegisterServer2(TRUE); });
}

STDAPI DllUnregisterServer() {
    return ExceptionBoundary([] { return AMovieDllRegisterServer2(FALSE); });
}

HRESULT AMovieDllRegisterServer2(BOOL doRegister) {
    HRESULT hr = S_OK;
    if (doRegister) {
        // The path goes into the registry exactly as the system names the module: taken wide, so
        // no character is lost to a code page, and refused rather than cut when it does not fit.
        WCHAR modulePath[MAX_PATH];
        const DWORD length = GetModuleFileNameW(g_hModuleInstance, modulePath, MAX_PATH);
        if (length == 0) {
            const DWORD error = GetLastError();
            return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
        }
        if (length >= MAX_PATH)
            return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        hr = RegisterServerClasses(modulePath, TRUE);
        if (FAILED(hr))
            return hr;
    }

    CoInitialize(nullptr);
    IFilterMapper2* mapper2 = nullptr;
    IFilterMapper* mapper = nullptr;
    hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                          reinterpret_cast<void**>(&mapper2));
    if (FAILED(hr))
        hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                              reinterpret_cast<void**>(&mapper));
    if (SUCCEEDED(hr)) {
        for (int i = 0; i < g_cTemplates; ++i) {
            const AMOVIESETUP_FILTER* setup = g_Templates[i].m_pSetupFilter;
            if (setup == nullptr)
                continue;
            hr = mapper2 != nullptr ? RegisterFilterSetup2(setup, mapper2, doRegister)
                                    : RegisterFilterSetup(setup, mapper, doRegister);
            if (FAILED(hr))
                break;
        }
        if (mapper2 != nullptr)
            mapper2->Release();
        if (mapper != nullptr)
            mapper->Release();
    }
    CoFreeUnusedLibraries();
    CoUninitialize();

    // Removing the entries needs no path: a module that cannot name itself can still go.
    if (!doRegister && SUCCEEDED(hr))
        hr = RegisterServerClasses(nullptr, FALSE);
    return hr;
}
