// dq-wine-release: what the released files must do that the other hosts do not cover.
//
//   dq-wine-release.exe version VERSION FILE...
//       each file's version resource, read back with GetFileVersionInfoW: the numbers and the
//       texts (modules: "DirectQuorbit overlay filter", "DirectQuorbit.ax"; installers: setup)
//   dq-wine-release.exe module MODULE FOLDER
//       with nothing registered: registration of a copy in a folder named in Cyrillic (with the
//       system's regsvr32) and the filter created from there; registration of a copy whose path
//       is longer than 259 characters failing with ERROR_FILENAME_EXCED_RANGE and writing
//       nothing; the page activated after a failed connect failing and leaving no window, and
//       activated with the filter afterwards. FOLDER is a Windows path for the copies.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "filter/i_direct_quorbit.h"
#include "tools/wine/host_checks.h"

using dq::wine::Check;
using dq::wine::HexResult;
using dq::wine::Note;

namespace {

const wchar_t* const kFilterKey = L"CLSID\\{8563BE21-1C94-44FD-8FC0-A5E832F2ABA6}";
const wchar_t* const kPageKey = L"CLSID\\{63A821FA-FED7-4D77-8041-50E5781F3431}";

std::string Narrow(const std::wstring& text) {
    std::string s;
    for (wchar_t c : text)
        s.push_back(c < 0x80 ? char(c) : '?');
    return s;
}

std::wstring Wide(const char* text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring w(size_t(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, w.data(), n);
    w.resize(std::wcslen(w.c_str()));
    return w;
}

// ---- version resources ----

struct VersionInfo {
    std::vector<BYTE> block;
    std::wstring prefix; // "\StringFileInfo\llllcccc\"

    bool Read(const std::wstring& file) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
        if (size == 0)
            return false;
        block.resize(size);
        if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data()))
            return false;
        struct Translation {
            WORD language, codePage;
        }* translation = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                            reinterpret_cast<void**>(&translation), &length) ||
            length < sizeof(Translation))
            return false;
        wchar_t text[64];
        swprintf(text, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language,
                 translation->codePage);
        prefix = text;
        return true;
    }
    std::wstring Text(const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block.data(), (prefix + name).c_str(), reinterpret_cast<void**>(&value),
                            &length) ||
            value == nullptr)
            return L"<none>";
        return value;
    }
    const VS_FIXEDFILEINFO* Fixed() {
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
            length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != 0xFEEF04BD)
            return nullptr;
        return fixed;
    }
};

void CheckVersion(const std::wstring& version, const std::wstring& file) {
    // The whole path: both modules have the same name.
    const std::string name = Narrow(file);
    VersionInfo info;
    if (!Check(info.Read(file), "%s has a version resource", name.c_str()))
        return;
    unsigned major = 0, minor = 0, patch = 0;
    swscanf(version.c_str(), L"%u.%u.%u", &major, &minor, &patch);
    const VS_FIXEDFILEINFO* fixed = info.Fixed();
    Check(fixed && fixed->dwFileVersionMS == DWORD(MAKELONG(minor, major)) &&
              fixed->dwFileVersionLS == DWORD(MAKELONG(0, patch)),
          "%s: file version %u.%u.%u.0", name.c_str(), major, minor, patch);
    Check(fixed && fixed->dwProductVersionMS == DWORD(MAKELONG(minor, major)) &&
              fixed->dwProductVersionLS == DWORD(MAKELONG(0, patch)),
          "%s: product version %u.%u.%u.0", name.c_str(), major, minor, patch);
    const bool module = file.size() > 3 && file.substr(file.size() - 3) == L".ax";
    const std::wstring description = info.Text(L"FileDescription");
    Check(module ? description == L"DirectQuorbit overlay filter"
                 : description.rfind(L"DirectQuorbit " + version + L" setup", 0) == 0,
          "%s: FileDescription \"%s\"", name.c_str(), Narrow(description).c_str());
    Check(info.Text(L"ProductName") == L"DirectQuorbit", "%s: ProductName \"%s\"", name.c_str(),
          Narrow(info.Text(L"ProductName")).c_str());
    Check(info.Text(L"ProductVersion") == version, "%s: ProductVersion \"%s\"", name.c_str(),
          Narrow(info.Text(L"ProductVersion")).c_str());
    const std::wstring copyright = info.Text(L"LegalCopyright");
    Check(copyright.find(L"DirectQuorbit project") != std::wstring::npos,
          "%s: LegalCopyright \"%s\"", name.c_str(), Narrow(copyright).c_str());
    if (module)
        Check(info.Text(L"OriginalFilename") == L"DirectQuorbit.ax", "%s: OriginalFilename \"%s\"",
              name.c_str(), Narrow(info.Text(L"OriginalFilename")).c_str());
}

// ---- registration ----

bool KeyExists(const wchar_t* key) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

std::wstring ServerPath(const wchar_t* classKey) {
    wchar_t value[1024] = {};
    LONG size = sizeof value;
    const std::wstring key = std::wstring(classKey) + L"\\InprocServer32";
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS)
        return L"";
    return value;
}

// Runs regsvr32 (the one beside this system, of this bitness) and returns its exit code.
DWORD Regsvr32(const std::wstring& arguments) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system) + L"\\regsvr32.exe\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return DWORD(-1);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = DWORD(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

void RegistrationFromACyrillicFolder(const std::wstring& module, const std::wstring& base) {
    const std::wstring folder = base + L"\\\x0424\x0438\x043B\x044C\x0442\x0440\x044B";
    const std::wstring copy = folder + L"\\DirectQuorbit.ax";
    CreateDirectoryW(folder.c_str(), nullptr);
    if (!Check(CopyFileW(module.c_str(), copy.c_str(), FALSE) != FALSE,
               "the module is copied into a folder named in Cyrillic"))
        return;
    Check(Regsvr32(L"/s \"" + copy + L"\"") == 0, "regsvr32 /s registers it from there");
    Check(ServerPath(kFilterKey) == copy && ServerPath(kPageKey) == copy,
          "both InprocServer32 values name the Cyrillic path exactly");

    IBaseFilter* filter = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_DirectQuorbit_RELEASE, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    Check(SUCCEEDED(hr), "CoCreateInstance creates the filter from there (%s)",
          HexResult(hr).c_str());
    wchar_t loaded[MAX_PATH] = {};
    if (HMODULE handle = GetModuleHandleW(L"DirectQuorbit.ax"))
        GetModuleFileNameW(handle, loaded, MAX_PATH);
    Check(_wcsicmp(loaded, copy.c_str()) == 0, "the module loaded is the one in that folder");
    if (filter != nullptr)
        filter->Release();
    CoFreeUnusedLibraries();

    Check(Regsvr32(L"/u /s \"" + copy + L"\"") == 0, "regsvr32 /u /s unregisters it");
    Check(!KeyExists(kFilterKey) && !KeyExists(kPageKey), "and the class keys are gone");
}

void RegistrationFromALongPath(const std::wstring& module, const std::wstring& base) {
    // Made and reached through the long-path prefix: plain paths stop at 259 characters.
    std::wstring folder = L"\\\\?\\" + base;
    while (folder.size() - 4 < 280) {
        folder += L"\\a-rather-long-folder-name";
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    const std::wstring copy = folder + L"\\DirectQuorbit.ax";
    if (!Check(CopyFileW(module.c_str(), copy.c_str(), FALSE) != FALSE,
               "the module is copied to a path of %zu characters", copy.size() - 4))
        return;
    HMODULE loaded = LoadLibraryW(copy.c_str());
    if (!Check(loaded != nullptr, "the copy loads from there"))
        return;
    using Entry = HRESULT(STDAPICALLTYPE*)();
    const auto registerServer = reinterpret_cast<Entry>(
        reinterpret_cast<void*>(GetProcAddress(loaded, "DllRegisterServer")));
    const HRESULT hr = registerServer != nullptr ? registerServer() : E_FAIL;
    Check(hr == HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE),
          "DllRegisterServer fails with HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE) (%s)",
          HexResult(hr).c_str());
    Check(!KeyExists(kFilterKey) && !KeyExists(kPageKey), "and writes no class key");
    FreeLibrary(loaded);
}

// ---- the page after a failed connect ----

// An object that is not the filter.
struct PlainObject : IUnknown {
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
};

template <typename T> T* Create(HMODULE module, const CLSID& clsid, REFIID iid) {
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto get = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    if (get == nullptr || FAILED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return nullptr;
    T* object = nullptr;
    factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object));
    factory->Release();
    return object;
}

void PageAfterAFailedConnect(const std::wstring& modulePath) {
    HMODULE module = LoadLibraryW(modulePath.c_str());
    if (!Check(module != nullptr, "the module loads"))
        return;
    IPropertyPage* page = Create<IPropertyPage>(module, CLSID_DirectQuorbitProp, IID_IPropertyPage);
    IBaseFilter* filter = Create<IBaseFilter>(module, CLSID_DirectQuorbit_RELEASE, IID_IBaseFilter);
    HWND frame = CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                 nullptr, nullptr, nullptr, nullptr);
    if (Check(page && filter && frame, "the page, the filter and a frame window are made")) {
        PlainObject other;
        IUnknown* objects[1] = {&other};
        HRESULT hr = page->SetObjects(1, objects);
        Check(hr == E_NOINTERFACE, "connecting the page to another object fails (%s)",
              HexResult(hr).c_str());
        const RECT rect{0, 0, 331, 180};
        hr = page->Activate(frame, &rect, FALSE);
        Check(FAILED(hr), "Activate after the failed connect fails (%s)", HexResult(hr).c_str());
        Check(GetWindow(frame, GW_CHILD) == nullptr, "and leaves no window in the frame");
        hr = page->Deactivate();
        Check(hr == E_UNEXPECTED, "the page is not active: Deactivate answers E_UNEXPECTED (%s)",
              HexResult(hr).c_str());

        objects[0] = filter;
        Check(page->SetObjects(1, objects) == S_OK, "connecting it to the filter then works");
        hr = page->Activate(frame, &rect, FALSE);
        Check(hr == S_OK, "and Activate succeeds (%s)", HexResult(hr).c_str());
        HWND dialog = GetWindow(frame, GW_CHILD);
        Check(dialog != nullptr && IsWindow(dialog), "with the page's dialog in the frame");
        Check(page->Deactivate() == S_OK, "Deactivate takes it down");
        page->SetObjects(0, nullptr);
    }
    if (frame != nullptr)
        DestroyWindow(frame);
    if (page != nullptr)
        page->Release();
    if (filter != nullptr)
        filter->Release();
    FreeLibrary(module);
}

} // namespace

int main(int argc, char** argv) {
    dq::wine::StartWatchdog(120, "the release host");
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "version" && argc > 3) {
        const std::wstring version = Wide(argv[2]);
        for (int i = 3; i < argc; ++i)
            CheckVersion(version, Wide(argv[i]));
        return dq::wine::ExitCode();
    }
    if (command == "module" && argc == 4) {
        const std::wstring module = Wide(argv[2]), folder = Wide(argv[3]);
        CreateDirectoryW(folder.c_str(), nullptr);
        OleInitialize(nullptr);
        Check(!KeyExists(kFilterKey) && !KeyExists(kPageKey), "nothing is registered yet");
        RegistrationFromALongPath(module, folder);
        RegistrationFromACyrillicFolder(module, folder);
        PageAfterAFailedConnect(module);
        OleUninitialize();
        return dq::wine::ExitCode();
    }
    std::fprintf(stderr, "usage: dq-wine-release.exe version VERSION FILE...\n"
                         "       dq-wine-release.exe module MODULE FOLDER\n");
    return 2;
}
