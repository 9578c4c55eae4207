#include "module/com_server_registration.h"

#include <initializer_list>

#include "baseclasses/format_wide_bounded.h"
#include "module/class_factory.h"

namespace {

constexpr int kNameChars = MAX_PATH;

HRESULT FromWin32(LONG error) {
    return HRESULT_FROM_WIN32(static_cast<unsigned long>(error) & 0xFFFF);
}

// CLSID\{clsid}, formatted as the registry keeps class ids.
void ClassKeyName(const CLSID& clsid, WCHAR (&keyName)[kNameChars]) {
    WCHAR text[39];
    StringFromGUID2(clsid, text, 39);
    FormatWideBounded(keyName, kNameChars, WSTR("CLSID\\%s"), text);
}

DWORD TextBytes(const WCHAR* text) {
    return static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(WCHAR));
}

// Like DeleteKeyTree, and says whether the key itself is gone (ERROR_SUCCESS) so that the walk
// above it can tell a removal that failed.
HRESULT DeleteTree(HKEY parent, LPCWSTR name, LONG* removed) {
    *removed = ERROR_SUCCESS;
    if (name == nullptr || name[0] == 0)
        return E_FAIL;
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(parent, name, 0, MAXIMUM_ALLOWED, &key);
    if (opened != ERROR_SUCCESS) {
        // Nothing to delete; but a key that is there and cannot be opened is not gone.
        if (opened != ERROR_FILE_NOT_FOUND)
            *removed = opened;
        return S_OK;
    }
    // Each removal brings the next sub-key to index 0. One that cannot be removed would come
    // back there for ever, so the walk ends with it.
    WCHAR child[kNameChars];
    while (RegEnumKeyW(key, 0, child, kNameChars) == ERROR_SUCCESS) {
        LONG childRemoved = ERROR_SUCCESS;
        DeleteTree(key, child, &childRemoved);
        if (childRemoved != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    *removed = RegDeleteKeyW(parent, name);
    return S_OK;
}

} // namespace

HRESULT DeleteKeyTree(HKEY parent, LPCWSTR name) {
    LONG removed = ERROR_SUCCESS;
    return DeleteTree(parent, name, &removed);
}

HRESULT RegisterComServer(const CLSID clsid, LPCWSTR name, LPCWSTR modulePath,
                          LPCWSTR threadingModel, LPCWSTR serverType) {
    // A text cut to fit would name something else (a path to a file that does not exist), so
    // one that does not fit writes nothing.
    for (LPCWSTR text : {name, modulePath, threadingModel, serverType}) {
        if (text == nullptr)
            return E_POINTER;
        if (lstrlenW(text) >= kNameChars)
            return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    }
    WCHAR keyName[kNameChars];
    ClassKeyName(clsid, keyName);

    HKEY classKey = nullptr;
    LONG e = RegCreateKeyW(HKEY_CLASSES_ROOT, keyName, &classKey);
    if (e != ERROR_SUCCESS)
        return FromWin32(e);
    e = RegSetValueW(classKey, nullptr, REG_SZ, name, TextBytes(name));
    if (e != ERROR_SUCCESS) {
        RegCloseKey(classKey);
        return FromWin32(e);
    }
    HKEY serverKey = nullptr;
    e = RegCreateKeyW(classKey, serverType, &serverKey);
    if (e != ERROR_SUCCESS) {
        RegCloseKey(classKey);
        return FromWin32(e);
    }
    e = RegSetValueW(serverKey, nullptr, REG_SZ, modulePath, TextBytes(modulePath));
    if (e == ERROR_SUCCESS)
        e = RegSetValueExW(serverKey, WSTR("ThreadingModel"), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(threadingModel),
                           TextBytes(threadingModel));
    RegCloseKey(serverKey);
    RegCloseKey(classKey);
    return e == ERROR_SUCCESS ? S_OK : FromWin32(e);
}

HRESULT UnregisterComServer(const CLSID clsid) {
    WCHAR keyName[kNameChars];
    ClassKeyName(clsid, keyName);
    DeleteKeyTree(HKEY_CLASSES_ROOT, keyName);
    return S_OK;
}

HRESULT RegisterServerClasses(LPCWSTR modulePath, BOOL doRegister) {
    HRESULT hr = S_OK;
    for (int i = 0; i < g_cTemplates && SUCCEEDED(hr); ++i) {
        const CFactoryTemplate& t = g_Templates[i];
        hr = doRegister ? RegisterComServer(*t.m_pClsid, t.m_wszName, modulePath, WSTR("Both"),
                                            WSTR("InprocServer32"))
                        : UnregisterComServer(*t.m_pClsid);
    }
    return hr;
}
