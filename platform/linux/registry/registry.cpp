// The registry calls: handles, paths and access rights over the per-thread database connection.
#include "platform/linux/registry/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/exception_boundary.h"
#include "platform/linux/kernel/wide_string.h"
#include "platform/linux/registry/registry_store.h"
#include "platform/linux/win_error.h"

using dq::registry::KeyId;
using dq::registry::Store;

namespace {

constexpr size_t kMaxKeyNameLength = 255;

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    struct passwd pw;
    struct passwd* found = nullptr;
    char buf[4096];
    if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return ".";
}

// Read at each use from the root, so a process (or a test) may point new opens elsewhere;
// handles already open keep their database.
std::string DatabasePath() {
    if (const char* path = std::getenv("DQ_REGISTRY"); path && *path)
        return path;
    std::string base;
    // The XDG rule: only an absolute XDG_DATA_HOME counts.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        base = xdg;
    else
        base = HomeFolder() + "/.local/share";
    return base + "/directquorbit/registry.db";
}

// SQLite connections must not cross threads freely nor survive a fork, so each thread opens
// its own, and a forked child forgets (without closing) those it inherited.
struct Connections {
    pid_t pid = getpid();
    std::unordered_map<std::string, std::unique_ptr<Store>> stores;
    ~Connections() { ForgetIfForked(); }
    void ForgetIfForked() {
        if (pid == getpid())
            return;
        for (auto& entry : stores)
            (void)entry.second.release();
        stores.clear();
        pid = getpid();
    }
};
thread_local Connections t_connections;

Store* StoreFor(const std::string& path, LONG& error) {
    Connections& c = t_connections;
    c.ForgetIfForked();
    auto it = c.stores.find(path);
    if (it != c.stores.end())
        return it->second.get();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::unique_ptr<Store> store = Store::Open(path, error);
    if (!store)
        return nullptr;
    return c.stores.emplace(path, std::move(store)).first->second.get();
}

struct OpenKey {
    std::string path;
    KeyId key = 0;
    REGSAM access = 0;
};

std::mutex g_handlesMutex;
std::unordered_map<uintptr_t, OpenKey> g_handles;
uintptr_t g_nextHandle = 0x1000; // handle values are never reused

HKEY AddHandle(OpenKey entry) {
    std::lock_guard<std::mutex> lock(g_handlesMutex);
    g_nextHandle += 4;
    g_handles.emplace(g_nextHandle, std::move(entry));
    return reinterpret_cast<HKEY>(g_nextHandle);
}

// A key handle resolved: where its key lives and what it may do.
struct Target {
    OpenKey key;
    Store* store = nullptr;
};

LONG Resolve(HKEY hKey, Target& t) {
    if (hKey == HKEY_CLASSES_ROOT) {
        t.key.path = DatabasePath();
        t.key.access = KEY_ALL_ACCESS;
    } else {
        std::lock_guard<std::mutex> lock(g_handlesMutex);
        auto it = g_handles.find(reinterpret_cast<uintptr_t>(hKey));
        if (it == g_handles.end())
            return ERROR_INVALID_HANDLE;
        t.key = it->second;
    }
    LONG error = ERROR_SUCCESS;
    t.store = StoreFor(t.key.path, error);
    if (!t.store)
        return error;
    if (hKey == HKEY_CLASSES_ROOT)
        t.key.key = t.store->Root();
    return ERROR_SUCCESS;
}

// Resolve, for a call that needs the handle to grant `needed` (0 for none).
LONG ResolveFor(HKEY hKey, REGSAM needed, Target& t) {
    if (LONG e = Resolve(hKey, t); e != ERROR_SUCCESS)
        return e;
    return (t.key.access & needed) == needed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Runs body(store, key) on the handle's key in a transaction, once the key is known to be
// there still (another handle may have deleted it).
template <typename Body> LONG InKey(const Target& t, bool write, Body&& body) {
    return t.store->Transact(write, [&]() -> LONG {
        if (!t.store->KeyExists(t.key.key))
            return ERROR_KEY_DELETED;
        return body(*t.store, t.key.key);
    });
}

// A call on the handle's own key: resolved, checked for `needed`, body run as InKey runs it.
template <typename Body> LONG OnKey(HKEY hKey, REGSAM needed, bool write, Body&& body) {
    Target t;
    if (LONG e = ResolveFor(hKey, needed, t); e != ERROR_SUCCESS)
        return e;
    return InKey(t, write, body);
}

// RegCreateKeyW and RegOpenKeyW with no subkey: the handle passed in comes back, as on Windows.
LONG SameKey(HKEY hKey, PHKEY phkResult) {
    Target t;
    if (LONG e = Resolve(hKey, t); e != ERROR_SUCCESS)
        return e;
    *phkResult = hKey;
    return ERROR_SUCCESS;
}

REGSAM Granted(REGSAM desired) {
    if (desired & (MAXIMUM_ALLOWED | GENERIC_ALL))
        return KEY_ALL_ACCESS;
    REGSAM granted = desired & KEY_ALL_ACCESS;
    if (desired & (GENERIC_READ | GENERIC_EXECUTE))
        granted |= KEY_READ;
    if (desired & GENERIC_WRITE)
        granted |= KEY_WRITE;
    return granted;
}

bool Empty(LPCWSTR s) {
    return s == nullptr || *s == 0;
}

// Splits "a\b\c" into its names. A leading or doubled backslash is a bad path, as is a name
// longer than Windows allows; one trailing backslash is ignored.
LONG SplitPath(LPCWSTR path, std::vector<std::u16string_view>& names) {
    std::u16string_view rest(path, static_cast<size_t>(lstrlenW(path)));
    if (!rest.empty() && rest.back() == u'\\')
        rest.remove_suffix(1);
    while (!rest.empty()) {
        size_t cut = rest.find(u'\\');
        std::u16string_view name = rest.substr(0, cut);
        if (name.empty())
            return ERROR_BAD_PATHNAME;
        if (name.size() > kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
        names.push_back(name);
        if (cut == std::u16string_view::npos)
            break;
        rest.remove_prefix(cut + 1);
        if (rest.empty())
            return ERROR_BAD_PATHNAME;
    }
    return ERROR_SUCCESS;
}

// RegSetValueW and RegQueryValueW act on the default value of a subkey, or of the handle's own
// key when none is named; only the handle's own key must grant `needed`.
LONG ResolveDefaultValueKey(HKEY hKey, LPCWSTR subKey, REGSAM needed,
                            std::vector<std::u16string_view>& names, Target& t) {
    if (!Empty(subKey)) {
        if (LONG e = SplitPath(subKey, names); e != ERROR_SUCCESS)
            return e;
    }
    return ResolveFor(hKey, names.empty() ? needed : 0, t);
}

// Inside a transaction: follows names from a key; ERROR_FILE_NOT_FOUND when one is missing.
LONG Walk(Store& store, KeyId from, const std::vector<std::u16string_view>& names, KeyId& out) {
    KeyId key = from;
    for (auto name : names) {
        auto child = store.FindChild(key, name);
        if (!child)
            return ERROR_FILE_NOT_FOUND;
        key = *child;
    }
    out = key;
    return ERROR_SUCCESS;
}

// Inside a write transaction: follows names from a key, creating the missing ones.
KeyId WalkCreating(Store& store, KeyId from, const std::vector<std::u16string_view>& names,
                   bool& created) {
    KeyId key = from;
    created = false;
    for (auto name : names) {
        auto child = store.FindChild(key, name);
        if (child) {
            key = *child;
        } else {
            key = store.AddChild(key, name);
            created = true;
        }
    }
    return key;
}

std::u16string_view ValueName(LPCWSTR name) {
    return name ? std::u16string_view(name, static_cast<size_t>(lstrlenW(name)))
                : std::u16string_view();
}

// Copies bytes out with the registry's rule for a buffer that is too small.
LONG CopyData(const std::vector<BYTE>& data, LPBYTE out, LPDWORD size) {
    auto needed = static_cast<DWORD>(data.size());
    if (out != nullptr) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed)
            std::memcpy(out, data.data(), needed);
    }
    if (size)
        *size = needed;
    return ERROR_SUCCESS;
}

// Copies a value's type and data out.
LONG CopyValue(const dq::registry::StoredValue& value, LPDWORD type, LPBYTE data, LPDWORD size) {
    if (type)
        *type = value.type;
    return CopyData(value.data, data, size);
}

// Copies a name into a buffer of *count characters; on success *count is its length.
LONG CopyName(const std::u16string& name, LPWSTR out, LPDWORD count) {
    if (name.size() + 1 > *count)
        return ERROR_MORE_DATA;
    std::memcpy(out, name.data(), name.size() * sizeof(WCHAR));
    out[name.size()] = 0;
    *count = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

} // namespace

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD dwOptions, REGSAM samDesired,
                     LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
    return Win32ExceptionBoundary([&]() -> LONG {
        if (phkResult == nullptr || lpSubKey == nullptr)
            return ERROR_INVALID_PARAMETER;
        if (dwOptions & (REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK | REG_OPTION_BACKUP_RESTORE))
            return ERROR_NOT_SUPPORTED;
        std::vector<std::u16string_view> names;
        if (LONG e = SplitPath(lpSubKey, names); e != ERROR_SUCCESS)
            return e;
        Target t;
        if (LONG e = Resolve(hKey, t); e != ERROR_SUCCESS)
            return e;
        KeyId key = 0;
        bool created = false;
        LONG result = InKey(t, true, [&](Store& store, KeyId from) -> LONG {
            key = WalkCreating(store, from, names, created);
            return ERROR_SUCCESS;
        });
        if (result != ERROR_SUCCESS)
            return result;
        *phkResult = AddHandle(OpenKey{t.key.path, key, Granted(samDesired)});
        if (lpdwDisposition)
            *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    });
}

LONG RegCreateKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) {
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (Empty(lpSubKey))
        return SameKey(hKey, phkResult);
    return RegCreateKeyExW(hKey, lpSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED,
                           nullptr, phkResult, nullptr);
}

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    return Win32ExceptionBoundary([&]() -> LONG {
        if (phkResult == nullptr)
            return ERROR_INVALID_PARAMETER;
        std::vector<std::u16string_view> names;
        if (lpSubKey != nullptr) {
            if (LONG e = SplitPath(lpSubKey, names); e != ERROR_SUCCESS)
                return e;
        }
        Target t;
        if (LONG e = Resolve(hKey, t); e != ERROR_SUCCESS)
            return e;
        KeyId key = 0;
        LONG result = InKey(t, false, [&](Store& store, KeyId from) -> LONG {
            return Walk(store, from, names, key);
        });
        if (result != ERROR_SUCCESS)
            return result;
        *phkResult = AddHandle(OpenKey{t.key.path, key, Granted(samDesired)});
        return ERROR_SUCCESS;
    });
}

LONG RegOpenKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) {
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (Empty(lpSubKey))
        return SameKey(hKey, phkResult);
    return RegOpenKeyExW(hKey, lpSubKey, 0, MAXIMUM_ALLOWED, phkResult);
}

LONG RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_CLASSES_ROOT)
        return ERROR_SUCCESS;
    std::lock_guard<std::mutex> lock(g_handlesMutex);
    return g_handles.erase(reinterpret_cast<uintptr_t>(hKey)) ? ERROR_SUCCESS
                                                              : ERROR_INVALID_HANDLE;
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
    if (lpData == nullptr && cbData != 0)
        return ERROR_NOACCESS;
    return OnKey(hKey, KEY_SET_VALUE, true, [&](Store& store, KeyId key) -> LONG {
        store.SetValue(key, ValueName(lpValueName), dwType, lpData, cbData);
        return ERROR_SUCCESS;
    });
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    return OnKey(hKey, KEY_QUERY_VALUE, false, [&](Store& store, KeyId key) -> LONG {
        auto value = store.GetValue(key, ValueName(lpValueName));
        if (!value)
            return ERROR_FILE_NOT_FOUND;
        return CopyValue(*value, lpType, lpData, lpcbData);
    });
}

LONG RegSetValueW(HKEY hKey, LPCWSTR lpSubKey, DWORD dwType, LPCWSTR lpData, DWORD) {
    return Win32ExceptionBoundary([&]() -> LONG {
        if (dwType != REG_SZ || lpData == nullptr)
            return ERROR_INVALID_PARAMETER;
        std::vector<std::u16string_view> names;
        Target t;
        if (LONG e = ResolveDefaultValueKey(hKey, lpSubKey, KEY_SET_VALUE, names, t);
            e != ERROR_SUCCESS)
            return e;
        auto bytes = static_cast<DWORD>((lstrlenW(lpData) + 1) * sizeof(WCHAR));
        return InKey(t, true, [&](Store& store, KeyId from) -> LONG {
            bool created = false;
            KeyId key = WalkCreating(store, from, names, created);
            store.SetValue(key, u"", REG_SZ, reinterpret_cast<const BYTE*>(lpData), bytes);
            return ERROR_SUCCESS;
        });
    });
}

LONG RegQueryValueW(HKEY hKey, LPCWSTR lpSubKey, LPWSTR lpData, PLONG lpcbData) {
    return Win32ExceptionBoundary([&]() -> LONG {
        if (lpData != nullptr && lpcbData == nullptr)
            return ERROR_INVALID_PARAMETER;
        std::vector<std::u16string_view> names;
        Target t;
        if (LONG e = ResolveDefaultValueKey(hKey, lpSubKey, KEY_QUERY_VALUE, names, t);
            e != ERROR_SUCCESS)
            return e;
        return InKey(t, false, [&](Store& store, KeyId from) -> LONG {
            KeyId key = 0;
            if (LONG e = Walk(store, from, names, key); e != ERROR_SUCCESS)
                return e;
            auto value = store.GetValue(key, u"");
            // An unset default value reads as an empty string.
            std::vector<BYTE> data = value ? value->data : std::vector<BYTE>(sizeof(WCHAR), 0);
            DWORD size = lpcbData ? static_cast<DWORD>(*lpcbData) : 0;
            LONG e = CopyData(data, reinterpret_cast<LPBYTE>(lpData), lpcbData ? &size : nullptr);
            if (lpcbData)
                *lpcbData = static_cast<LONG>(size);
            return e;
        });
    });
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
    return OnKey(hKey, KEY_SET_VALUE, true, [&](Store& store, KeyId key) -> LONG {
        return store.DeleteValue(key, ValueName(lpValueName)) ? ERROR_SUCCESS
                                                              : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                   LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    if (lpName == nullptr || lpcchName == nullptr || lpReserved != nullptr ||
        (lpClass != nullptr && lpcchClass == nullptr))
        return ERROR_INVALID_PARAMETER;
    return OnKey(hKey, KEY_ENUMERATE_SUB_KEYS, false, [&](Store& store, KeyId key) -> LONG {
        auto child = store.ChildAt(key, dwIndex);
        if (!child)
            return ERROR_NO_MORE_ITEMS;
        // Keys carry no class here: it reads as empty.
        if (lpClass != nullptr && *lpcchClass == 0)
            return ERROR_MORE_DATA;
        if (LONG e = CopyName(child->name, lpName, lpcchName); e != ERROR_SUCCESS)
            return e;
        if (lpClass != nullptr)
            lpClass[0] = 0;
        if (lpcchClass != nullptr)
            *lpcchClass = 0;
        if (lpftLastWriteTime)
            *lpftLastWriteTime = child->lastWrite;
        return ERROR_SUCCESS;
    });
}

LONG RegEnumKeyW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD cchName) {
    DWORD count = cchName;
    return RegEnumKeyExW(hKey, dwIndex, lpName, &count, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
        (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    return OnKey(hKey, KEY_QUERY_VALUE, false, [&](Store& store, KeyId key) -> LONG {
        auto value = store.ValueAt(key, dwIndex);
        if (!value)
            return ERROR_NO_MORE_ITEMS;
        if (LONG e = CopyName(value->name, lpValueName, lpcchValueName); e != ERROR_SUCCESS)
            return e;
        return CopyValue(*value, lpType, lpData, lpcbData);
    });
}

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    return Win32ExceptionBoundary([&]() -> LONG {
        if (lpSubKey == nullptr)
            return ERROR_INVALID_PARAMETER;
        std::vector<std::u16string_view> names;
        if (LONG e = SplitPath(lpSubKey, names); e != ERROR_SUCCESS)
            return e;
        Target t;
        if (LONG e = Resolve(hKey, t); e != ERROR_SUCCESS)
            return e;
        // An empty name deletes the handle's own key, which takes the right to delete it.
        if (names.empty() && (hKey == HKEY_CLASSES_ROOT || !(t.key.access & DELETE)))
            return ERROR_ACCESS_DENIED;
        return InKey(t, true, [&](Store& store, KeyId from) -> LONG {
            KeyId key = 0;
            if (LONG e = Walk(store, from, names, key); e != ERROR_SUCCESS)
                return e;
            if (store.HasChildren(key))
                return ERROR_ACCESS_DENIED;
            store.DeleteKey(key);
            return ERROR_SUCCESS;
        });
    });
}
