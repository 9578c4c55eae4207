// One connection to the registry database, and the key and value operations of the registry
// calls, addressed by key id. Used by one thread at a time; every thread has its own.
//
// Schema (user_version 1, application_id 'DQRG'):
//   keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent, name, folded, last_write)
//       parent is 0 for a root; name is the spelling the key was created with; folded is the
//       upper-cased name (see FoldName), unique among siblings, and the enumeration order;
//       last_write is a FILETIME. Ids are never reused, so a handle to a deleted key can never
//       reach a newer key of the same name.
//   vals(key, name, folded, type, data) unique on (key, folded); enumerated in rowid order,
//       which is the order the values were created in.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/linux/win_types.h"

struct sqlite3;
struct sqlite3_stmt;

namespace dq::registry {

using KeyId = int64_t;

struct StoredKey {
    std::u16string name;
    FILETIME lastWrite{};
};

struct StoredValue {
    std::u16string name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

class Store {
public:
    // Opens or creates the database. On failure returns null and the Win32 code in error.
    static std::unique_ptr<Store> Open(const std::string& path, LONG& error);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // HKEY_CLASSES_ROOT.
    KeyId Root() const { return m_root; }

    // Runs body as one transaction (taking the write lock up front when write is set, waiting
    // for other writers up to the busy timeout). A database failure inside rolls everything back
    // and is returned as a Win32 code; otherwise what body wrote is committed and its result is
    // returned.
    LONG Transact(bool write, const std::function<LONG()>& body);

    // The operations below run inside Transact and throw on database failures.
    bool KeyExists(KeyId key);
    std::optional<KeyId> FindChild(KeyId parent, std::u16string_view name);
    KeyId AddChild(KeyId parent, std::u16string_view name);
    bool HasChildren(KeyId key);
    std::optional<StoredKey> ChildAt(KeyId parent, DWORD index);
    // Removes the key and its values (it must have no sub-keys).
    void DeleteKey(KeyId key);

    std::optional<StoredValue> GetValue(KeyId key, std::u16string_view name);
    std::optional<StoredValue> ValueAt(KeyId key, DWORD index);
    void SetValue(KeyId key, std::u16string_view name, DWORD type, const BYTE* data, DWORD size);
    bool DeleteValue(KeyId key, std::u16string_view name);

private:
    explicit Store(sqlite3* db) : m_db(db) {}
    void Initialize();
    sqlite3_stmt* Prepare(const char* sql);
    void Touch(KeyId key);

    sqlite3* m_db;
    KeyId m_root = 0;
    std::unordered_map<const char*, sqlite3_stmt*> m_statements;
};

} // namespace dq::registry
