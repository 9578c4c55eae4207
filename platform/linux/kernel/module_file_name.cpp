// Module handles are load addresses, as on Windows; dladdr maps one back to its file.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace {

bool ModulePath(HMODULE hModule, std::string& path) {
    if (hModule == nullptr) {
        char buf[PATH_MAX];
        ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n < 0)
            return false;
        path.assign(buf, static_cast<size_t>(n));
        return true;
    }
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(hModule), &info) == 0 || info.dli_fname == nullptr ||
        info.dli_fbase != reinterpret_cast<void*>(hModule))
        return false;
    char resolved[PATH_MAX];
    path = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
    return true;
}

// Copies with Windows' truncation rule: cut, terminate, return nSize, ERROR_INSUFFICIENT_BUFFER.
template <typename Char> DWORD CopyOut(const std::basic_string<Char>& s, Char* out, DWORD nSize) {
    if (nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (s.size() < nSize) {
        std::memcpy(out, s.data(), s.size() * sizeof(Char));
        out[s.size()] = 0;
        SetLastError(ERROR_SUCCESS);
        return static_cast<DWORD>(s.size());
    }
    std::memcpy(out, s.data(), (nSize - 1) * sizeof(Char));
    out[nSize - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
}

} // namespace

HMODULE DqModuleFromAddress(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0)
        return nullptr;
    return reinterpret_cast<HMODULE>(info.dli_fbase);
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::string path;
    if (!ModulePath(hModule, path)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    return CopyOut(path, lpFilename, nSize);
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    std::string path;
    if (!ModulePath(hModule, path)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    int n = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), n);
    return CopyOut(wide, lpFilename, nSize);
}
