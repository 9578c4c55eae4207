#include "platform/linux/registry/registry_store.h"

#include <sqlite3.h>

#include <chrono>
#include <cstring>
#include <new>
#include <thread>

#include "platform/linux/registry/registry_text.h"
#include "platform/linux/win_error.h"

namespace dq::registry {

namespace {

constexpr int kBusyTimeoutMs = 10000;
constexpr int kApplicationId = 0x44515247; // "DQRG"
constexpr int kSchemaVersion = 1;

// A database failure inside a transaction; Transact turns it into a Win32 code.
struct Failure {
    int rc;
};

LONG ToWin32(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_BUSY;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return ERROR_BADDB;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

FILETIME Now() {
    // FILETIME counts 100 ns from 1601-01-01; the Unix epoch is 11644473600 s later.
    auto since = std::chrono::system_clock::now().time_since_epoch();
    uint64_t ticks =
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() /
                              100) +
        116444736000000000ULL;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

int64_t Pack(const FILETIME& t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

FILETIME Unpack(int64_t v) {
    auto u = static_cast<uint64_t>(v);
    return FILETIME{static_cast<DWORD>(u), static_cast<DWORD>(u >> 32)};
}

// One use of a cached statement: binds, steps, and resets it when done.
class Query {
public:
    explicit Query(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    ~Query() {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    Query& Int(int64_t v) {
        Check(sqlite3_bind_int64(m_stmt, ++m_index, v));
        return *this;
    }
    Query& Text(const std::string& v) {
        Check(sqlite3_bind_text(m_stmt, ++m_index, v.data(), static_cast<int>(v.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Query& Blob(const void* data, size_t size) {
        static const char empty = 0;
        Check(sqlite3_bind_blob(m_stmt, ++m_index, size ? data : &empty, static_cast<int>(size),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Query& Blob(const std::string& v) { return Blob(v.data(), v.size()); }
    // True while there is a row.
    bool Step() {
        int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw Failure{rc};
    }
    void Run() {
        while (Step()) {
        }
    }
    int64_t ColumnInt(int i) { return sqlite3_column_int64(m_stmt, i); }
    std::string ColumnText(int i) {
        auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
        return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(m_stmt, i)))
                 : std::string();
    }
    std::vector<BYTE> ColumnBlob(int i) {
        auto* p = static_cast<const BYTE*>(sqlite3_column_blob(m_stmt, i));
        int n = sqlite3_column_bytes(m_stmt, i);
        return p ? std::vector<BYTE>(p, p + n) : std::vector<BYTE>();
    }

private:
    static void Check(int rc) {
        if (rc != SQLITE_OK)
            throw Failure{rc};
    }
    sqlite3_stmt* m_stmt;
    int m_index = 0;
};

void Exec(sqlite3* db, const char* sql) {
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw Failure{rc};
}

// Switching to the write-ahead log needs a moment alone with the file; a second process
// creating the database at the same time is waited for.
void EnableWriteAheadLog(sqlite3* db) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        int rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            return;
        if ((rc & 0xFF) != SQLITE_BUSY || std::chrono::steady_clock::now() > deadline)
            throw Failure{rc};
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

std::unique_ptr<Store> Store::Open(const std::string& path, LONG& error) {
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        error = ToWin32(rc);
        return nullptr;
    }
    std::unique_ptr<Store> store(new (std::nothrow) Store(db));
    if (!store) {
        sqlite3_close(db);
        error = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    try {
        store->Initialize();
    } catch (const Failure& f) {
        error = f.rc == SQLITE_NOTADB ? ERROR_BADDB : ToWin32(f.rc);
        return nullptr;
    }
    error = ERROR_SUCCESS;
    return store;
}

Store::~Store() {
    for (auto& [sql, stmt] : m_statements)
        sqlite3_finalize(stmt);
    sqlite3_close(m_db);
}

void Store::Initialize() {
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    EnableWriteAheadLog(m_db);
    // Every committed call reaches the disk before it returns.
    Exec(m_db, "PRAGMA synchronous=FULL");

    Exec(m_db, "BEGIN IMMEDIATE");
    try {
        int64_t appId = 0, version = 0, tables = 0;
        {
            Query q(Prepare("PRAGMA application_id"));
            if (q.Step())
                appId = q.ColumnInt(0);
        }
        {
            Query q(Prepare("PRAGMA user_version"));
            if (q.Step())
                version = q.ColumnInt(0);
        }
        {
            Query q(Prepare("SELECT count(*) FROM sqlite_schema"));
            if (q.Step())
                tables = q.ColumnInt(0);
        }
        if (tables == 0) {
            Exec(m_db, "CREATE TABLE keys("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " parent INTEGER NOT NULL,"
                       " name TEXT NOT NULL,"
                       " folded BLOB NOT NULL,"
                       " last_write INTEGER NOT NULL,"
                       " UNIQUE(parent, folded));"
                       "CREATE TABLE vals("
                       " key INTEGER NOT NULL,"
                       " name TEXT NOT NULL,"
                       " folded BLOB NOT NULL,"
                       " type INTEGER NOT NULL,"
                       " data BLOB NOT NULL,"
                       " UNIQUE(key, folded));"
                       "PRAGMA application_id=1146180167;"
                       "PRAGMA user_version=1;");
            static_assert(kApplicationId == 1146180167);
            Query(Prepare("INSERT INTO keys(parent, name, folded, last_write) VALUES(0, ?, ?, ?)"))
                .Text("HKEY_CLASSES_ROOT")
                .Blob(FoldName(u"HKEY_CLASSES_ROOT"))
                .Int(Pack(Now()))
                .Run();
        } else if (appId != kApplicationId || version != kSchemaVersion) {
            throw Failure{SQLITE_NOTADB};
        }
        Query q(Prepare("SELECT id FROM keys WHERE parent = 0 AND folded = ?"));
        q.Blob(FoldName(u"HKEY_CLASSES_ROOT"));
        if (!q.Step())
            throw Failure{SQLITE_CORRUPT};
        m_root = q.ColumnInt(0);
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    Exec(m_db, "COMMIT");
}

sqlite3_stmt* Store::Prepare(const char* sql) {
    auto it = m_statements.find(sql);
    if (it != m_statements.end())
        return it->second;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK)
        throw Failure{rc};
    m_statements.emplace(sql, stmt);
    return stmt;
}

LONG Store::Transact(bool write, const std::function<LONG()>& body) {
    int rc = sqlite3_exec(m_db, write ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return ToWin32(rc);
    LONG result;
    try {
        result = body();
        Exec(m_db, "COMMIT");
        return result;
    } catch (const Failure& f) {
        result = ToWin32(f.rc);
    } catch (const std::bad_alloc&) {
        result = ERROR_NOT_ENOUGH_MEMORY;
    }
    if (!sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    return result;
}

bool Store::KeyExists(KeyId key) {
    Query q(Prepare("SELECT 1 FROM keys WHERE id = ?"));
    return q.Int(key).Step();
}

std::optional<KeyId> Store::FindChild(KeyId parent, std::u16string_view name) {
    Query q(Prepare("SELECT id FROM keys WHERE parent = ? AND folded = ?"));
    if (!q.Int(parent).Blob(FoldName(name)).Step())
        return std::nullopt;
    return q.ColumnInt(0);
}

KeyId Store::AddChild(KeyId parent, std::u16string_view name) {
    int64_t now = Pack(Now());
    Query(Prepare("INSERT INTO keys(parent, name, folded, last_write) VALUES(?, ?, ?, ?)"))
        .Int(parent)
        .Text(ToStoredText(name))
        .Blob(FoldName(name))
        .Int(now)
        .Run();
    KeyId id = sqlite3_last_insert_rowid(m_db);
    Touch(parent);
    return id;
}

bool Store::HasChildren(KeyId key) {
    Query q(Prepare("SELECT 1 FROM keys WHERE parent = ? LIMIT 1"));
    return q.Int(key).Step();
}

std::optional<StoredKey> Store::ChildAt(KeyId parent, DWORD index) {
    Query q(Prepare(
        "SELECT name, last_write FROM keys WHERE parent = ? ORDER BY folded LIMIT 1 OFFSET ?"));
    if (!q.Int(parent).Int(index).Step())
        return std::nullopt;
    return StoredKey{FromStoredText(q.ColumnText(0)), Unpack(q.ColumnInt(1))};
}

void Store::DeleteKey(KeyId key) {
    KeyId parent = 0;
    {
        Query q(Prepare("SELECT parent FROM keys WHERE id = ?"));
        if (q.Int(key).Step())
            parent = q.ColumnInt(0);
    }
    Query(Prepare("DELETE FROM vals WHERE key = ?")).Int(key).Run();
    Query(Prepare("DELETE FROM keys WHERE id = ?")).Int(key).Run();
    if (parent != 0)
        Touch(parent);
}

std::optional<StoredValue> Store::GetValue(KeyId key, std::u16string_view name) {
    Query q(Prepare("SELECT name, type, data FROM vals WHERE key = ? AND folded = ?"));
    if (!q.Int(key).Blob(FoldName(name)).Step())
        return std::nullopt;
    return StoredValue{FromStoredText(q.ColumnText(0)), static_cast<DWORD>(q.ColumnInt(1)),
                       q.ColumnBlob(2)};
}

std::optional<StoredValue> Store::ValueAt(KeyId key, DWORD index) {
    Query q(
        Prepare("SELECT name, type, data FROM vals WHERE key = ? ORDER BY rowid LIMIT 1 OFFSET ?"));
    if (!q.Int(key).Int(index).Step())
        return std::nullopt;
    return StoredValue{FromStoredText(q.ColumnText(0)), static_cast<DWORD>(q.ColumnInt(1)),
                       q.ColumnBlob(2)};
}

void Store::SetValue(KeyId key, std::u16string_view name, DWORD type, const BYTE* data,
                     DWORD size) {
    // Replacing a value keeps its spelling and its place in the enumeration.
    Query(Prepare("INSERT INTO vals(key, name, folded, type, data) VALUES(?, ?, ?, ?, ?)"
                  " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type,"
                  " data = excluded.data"))
        .Int(key)
        .Text(ToStoredText(name))
        .Blob(FoldName(name))
        .Int(type)
        .Blob(data, size)
        .Run();
    Touch(key);
}

bool Store::DeleteValue(KeyId key, std::u16string_view name) {
    Query(Prepare("DELETE FROM vals WHERE key = ? AND folded = ?"))
        .Int(key)
        .Blob(FoldName(name))
        .Run();
    if (sqlite3_changes(m_db) == 0)
        return false;
    Touch(key);
    return true;
}

void Store::Touch(KeyId key) {
    Query(Prepare("UPDATE keys SET last_write = ? WHERE id = ?")).Int(Pack(Now())).Int(key).Run();
}

} // namespace dq::registry
