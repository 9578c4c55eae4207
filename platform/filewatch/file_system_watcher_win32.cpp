// Windows backend: ReadDirectoryChangesW on the folder, on a worker thread of its own.
//
// The system reports each write of a save separately (the truncation, every block written), so
// a change of the file is raised once the folder has been quiet for a moment: a reload then
// reads the whole new file, not the first half of it. A file renamed onto the name (editors
// that save by writing a new file and renaming it over the old one) counts as a change too.
// Names compare without regard to case, as the file system does.
#include "platform/filewatch/file_system_watcher.h"
#include "platform/filewatch/watched_folder.h"

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace dq::io {

namespace fs = std::filesystem;

namespace {

// How long the folder must stay quiet after a change of the file before it is reported.
constexpr DWORD kSettleMilliseconds = 50;

constexpr DWORD kNotifyFilter =
    FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME;

std::string Describe(DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out = "error " + std::to_string(error);
    if (text != nullptr) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
        std::string message(size_t(n > 0 ? n : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text, -1, message.data(), n, nullptr, nullptr);
        message.resize(message.find_last_not_of("\r\n .", message.size() - 2) + 1);
        out = message;
        LocalFree(text);
    }
    return out;
}

bool SameName(const wchar_t* a, int aLength, const std::wstring& b) {
    return CompareStringOrdinal(a, aLength, b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : m_h(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    Handle(Handle&& o) noexcept : m_h(std::exchange(o.m_h, nullptr)) {}
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) {
            Close();
            m_h = std::exchange(o.m_h, nullptr);
        }
        return *this;
    }
    ~Handle() { Close(); }
    HANDLE get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    void Close() {
        if (m_h != nullptr)
            CloseHandle(m_h);
        m_h = nullptr;
    }
    HANDLE m_h = nullptr;
};

} // namespace

struct FileSystemWatcher::Impl {
    FileSystemWatcher& owner;
    Handle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    Handle ioDone{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::thread worker;

    mutable std::mutex stateMutex;     // guards everything below
    std::recursive_mutex handlerMutex; // held while the handler runs
    bool stopping = false;
    Handle pendingFolder; // opened by SetPath, taken over by the worker
    bool retarget = false;
    // SetPath returns once the worker reads the new folder, so no change after it is missed.
    unsigned requested = 0, armed = 0;
    std::condition_variable armedChanged;
    fs::path folder;
    std::wstring filter;
    bool raising = false;
    // Counts switches of raising, so that a change seen before a switch is not reported after
    // it (the report waits for the folder to settle, and raising may change meanwhile).
    unsigned raisingEpoch = 0;
    ChangedHandler handler;

    explicit Impl(FileSystemWatcher& w) : owner(w) {
        if (!wake || !ioDone)
            throw FileWatchError("cannot watch files: " + Describe(GetLastError()));
        worker = std::thread([this] {
            try {
                Run();
            } catch (...) {
                // Nothing may leave a thread body; without its thread the watcher is silent.
            }
        });
    }

    ~Impl() {
        {
            std::lock_guard lock(stateMutex);
            stopping = true;
        }
        SetEvent(wake.get());
        worker.join(); // waits for a handler in progress
    }

    // Waits for a running handler unless called from the handler itself.
    void WaitForHandler() {
        if (std::this_thread::get_id() == worker.get_id())
            return;
        std::lock_guard wait(handlerMutex);
    }

    void Run() {
        Handle directory;
        std::vector<BYTE> buffer(64 * 1024); // new[] memory: DWORD-aligned, as the call needs
        OVERLAPPED overlapped{};
        bool reading = false;
        bool changed = false; // a change of the file waits for the folder to settle
        unsigned changedEpoch = 0;

        unsigned applied = 0; // the last SetPath the worker has taken over
        for (;;) {
            if (directory && !reading) {
                overlapped = OVERLAPPED{};
                overlapped.hEvent = ioDone.get();
                ResetEvent(ioDone.get());
                reading = ReadDirectoryChangesW(directory.get(), buffer.data(),
                                                DWORD(buffer.size()), FALSE, kNotifyFilter, nullptr,
                                                &overlapped, nullptr) != FALSE;
                if (!reading)
                    directory = Handle(); // the folder went away: nothing more to read
            }
            {
                std::lock_guard lock(stateMutex);
                if (armed != applied) {
                    armed = applied;
                    armedChanged.notify_all();
                }
            }
            HANDLE waits[2] = {wake.get(), ioDone.get()};
            const DWORD timeout = changed ? kSettleMilliseconds : INFINITE;
            const DWORD which = WaitForMultipleObjects(reading ? 2 : 1, waits, FALSE, timeout);

            if (which == WAIT_TIMEOUT) {
                changed = false;
                Dispatch(changedEpoch);
                continue;
            }
            if (which == WAIT_OBJECT_0) {
                std::unique_lock lock(stateMutex);
                if (stopping || retarget) {
                    if (reading) {
                        CancelIoEx(directory.get(), &overlapped);
                        DWORD ignored = 0;
                        GetOverlappedResult(directory.get(), &overlapped, &ignored, TRUE);
                        reading = false;
                    }
                    if (stopping)
                        return;
                    directory = std::move(pendingFolder);
                    retarget = false;
                    applied = requested;
                    changed = false; // a change in the old folder is not one of the new file
                }
                continue;
            }
            if (which != WAIT_OBJECT_0 + 1)
                return; // a wait that fails cannot be retried usefully

            reading = false;
            DWORD bytes = 0;
            if (!GetOverlappedResult(directory.get(), &overlapped, &bytes, FALSE)) {
                if (GetLastError() != ERROR_NOTIFY_ENUM_DIR) {
                    directory = Handle();
                    continue;
                }
                bytes = 0;
            }
            // No records: more changes happened than the buffer could hold. The file may be
            // among them, and a reload too many does less harm than an edit never shown.
            std::lock_guard lock(stateMutex);
            if (raising && (bytes == 0 || Mentions(buffer.data(), bytes))) {
                changedEpoch = raisingEpoch;
                changed = true;
            }
        }
    }

    // Whether the records name the watched file as changed or renamed onto (call with
    // stateMutex held).
    bool Mentions(const BYTE* data, DWORD bytes) const {
        const std::wstring& name = filter;
        for (DWORD offset = 0; offset < bytes;) {
            const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(data + offset);
            const bool relevant = info->Action == FILE_ACTION_MODIFIED ||
                                  info->Action == FILE_ACTION_RENAMED_NEW_NAME;
            if (relevant &&
                SameName(info->FileName, int(info->FileNameLength / sizeof(WCHAR)), name))
                return true;
            if (info->NextEntryOffset == 0)
                break;
            offset += info->NextEntryOffset;
        }
        return false;
    }

    void Dispatch(unsigned epoch) {
        std::lock_guard running(handlerMutex);
        try {
            ChangedHandler call;
            FileSystemEventArgs args;
            {
                std::lock_guard lock(stateMutex);
                if (!raising || epoch != raisingEpoch || !handler || filter.empty() || retarget)
                    return;
                call = handler;
                args.name = fs::path(filter);
                args.fullPath = folder / args.name;
            }
            call(owner, args);
        } catch (...) {
            // A handler that fails must not end the watcher's thread, nor the process.
        }
    }
};

FileSystemWatcher::FileSystemWatcher() : m_impl(std::make_unique<Impl>(*this)) {}

FileSystemWatcher::~FileSystemWatcher() = default;

void FileSystemWatcher::SetChanged(ChangedHandler handler) {
    m_impl->WaitForHandler();
    std::lock_guard lock(m_impl->stateMutex);
    m_impl->handler = std::move(handler);
}

void FileSystemWatcher::SetPath(const fs::path& folder) {
    CheckWatchableFolder(folder);
    Handle directory(CreateFileW(
        folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (!directory)
        throw FileWatchError("cannot watch \"" + folder.string() +
                             "\": " + Describe(GetLastError()));
    m_impl->WaitForHandler();
    std::unique_lock lock(m_impl->stateMutex);
    m_impl->pendingFolder = std::move(directory);
    m_impl->retarget = true;
    m_impl->folder = folder;
    const unsigned request = ++m_impl->requested;
    SetEvent(m_impl->wake.get());
    // From the handler itself the worker takes the folder over once the handler returns.
    if (std::this_thread::get_id() != m_impl->worker.get_id())
        m_impl->armedChanged.wait(lock, [&] { return m_impl->armed - request < 0x80000000u; });
}

fs::path FileSystemWatcher::Path() const {
    std::lock_guard lock(m_impl->stateMutex);
    return m_impl->folder;
}

void FileSystemWatcher::SetFilter(const fs::path& name) {
    m_impl->WaitForHandler();
    std::lock_guard lock(m_impl->stateMutex);
    m_impl->filter = name.wstring();
}

void FileSystemWatcher::SetEnableRaisingEvents(bool enable) {
    {
        std::lock_guard lock(m_impl->stateMutex);
        if (enable && m_impl->folder.empty())
            throw FileWatchError("no folder to watch");
        if (m_impl->raising != enable)
            ++m_impl->raisingEpoch;
        m_impl->raising = enable;
    }
    if (!enable)
        m_impl->WaitForHandler();
}

bool FileSystemWatcher::EnableRaisingEvents() const {
    std::lock_guard lock(m_impl->stateMutex);
    return m_impl->raising;
}

} // namespace dq::io
