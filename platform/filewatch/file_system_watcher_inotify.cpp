// Linux backend: inotify on the folder, a worker thread that reads it.
//
// A change is reported when the file is written, when its attributes change (touch updates the
// last-write time), and when another file is renamed onto its name (editors that save by writing
// a new file and renaming it over the old one); always once the file has been quiet for a moment,
// as the Windows backend does, so that a storm of rewrites gives one reload after it.
#include "platform/filewatch/file_system_watcher.h"
#include "platform/filewatch/watched_folder.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace dq::io {

namespace fs = std::filesystem;

// How long the file must stay quiet after a change before it is reported.
constexpr int kSettleMilliseconds = 50;
// How long a file written and not closed must stay quiet: its writer may only be slow.
constexpr int kOpenWriterMilliseconds = 1000;

struct FileSystemWatcher::Impl {
    FileSystemWatcher& owner;
    int inotifyFd = -1;
    int wakeFd = -1;
    std::thread worker;

    mutable std::mutex stateMutex;     // guards everything below
    std::recursive_mutex handlerMutex; // held while the handler runs
    int watch = -1;
    fs::path folder;
    fs::path filter;
    bool raising = false;
    ChangedHandler handler;

    explicit Impl(FileSystemWatcher& w) : owner(w) {
        inotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (inotifyFd < 0 || wakeFd < 0) {
            Close();
            throw FileWatchError(std::string("cannot watch files: ") + std::strerror(errno));
        }
        try {
            worker = std::thread([this] {
                try {
                    Run();
                } catch (...) {
                    // Nothing may leave a thread body; without its thread the watcher is silent.
                }
            });
        } catch (...) {
            Close();
            throw;
        }
    }

    ~Impl() {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(wakeFd, &one, sizeof one);
        worker.join(); // waits for a handler in progress
        Close();
    }

    void Close() {
        if (inotifyFd >= 0)
            close(inotifyFd);
        if (wakeFd >= 0)
            close(wakeFd);
    }

    // Waits for a running handler unless called from the handler itself.
    void WaitForHandler() {
        if (std::this_thread::get_id() == worker.get_id())
            return;
        std::lock_guard wait(handlerMutex);
    }

    // Reports a change once the file has been quiet for the settling time, so that a reload
    // never starts while a writer is still at work: writes (IN_MODIFY) postpone the report too,
    // and a file written but not yet closed waits for its writer to close it (a writer that
    // truncated it may be stalled before writing), up to a limit for writers that keep it open.
    void Run() {
        using Clock = std::chrono::steady_clock;
        alignas(inotify_event) char buffer[16 * 1024];
        pollfd fds[2] = {{inotifyFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        bool pending = false;
        bool writing = false; // written since the last close by a writer
        int pendingWatch = -1;
        Clock::time_point lastEvent;
        for (;;) {
            int timeout = -1;
            if (pending) {
                const auto quiet = std::chrono::milliseconds(writing ? kOpenWriterMilliseconds
                                                                     : kSettleMilliseconds);
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(lastEvent + quiet - Clock::now());
                if (left.count() <= 0) {
                    pending = writing = false;
                    Dispatch(pendingWatch);
                    continue;
                }
                timeout = int(left.count());
            }
            if (poll(fds, 2, timeout) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[1].revents)
                return;
            if (!(fds[0].revents & POLLIN))
                continue;
            const ssize_t len = read(inotifyFd, buffer, sizeof buffer);
            if (len <= 0)
                continue;
            for (ssize_t off = 0; off < len;) {
                auto* ev = reinterpret_cast<inotify_event*>(buffer + off);
                off += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
                if (ev->len == 0 || !Concerns(ev->wd, ev->name))
                    continue;
                pending = true;
                pendingWatch = ev->wd;
                lastEvent = Clock::now();
                if (ev->mask & IN_MODIFY)
                    writing = true;
                if (ev->mask & (IN_CLOSE_WRITE | IN_MOVED_TO))
                    writing = false;
            }
        }
    }

    bool Concerns(int wd, const char* name) {
        std::lock_guard lock(stateMutex);
        return wd == watch && filter.native() == name;
    }

    void Dispatch(int wd) {
        std::lock_guard running(handlerMutex);
        try {
            ChangedHandler call;
            FileSystemEventArgs args;
            {
                std::lock_guard lock(stateMutex);
                if (!raising || wd != watch || !handler)
                    return;
                call = handler;
                args.name = filter;
                args.fullPath = folder / filter;
            }
            call(owner, args);
        } catch (...) {
            // A handler that fails (or a copy that cannot be made) must not end the watcher's
            // thread, nor the process: the next change is reported as usual.
        }
    }

    void Retarget(const fs::path& newFolder) {
        int wd =
            inotify_add_watch(inotifyFd, newFolder.c_str(),
                              IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_MOVED_TO | IN_ONLYDIR);
        if (wd < 0)
            throw FileWatchError("cannot watch \"" + newFolder.string() +
                                 "\": " + std::strerror(errno));
        std::lock_guard lock(stateMutex);
        if (watch >= 0 && watch != wd)
            inotify_rm_watch(inotifyFd, watch);
        watch = wd;
        folder = newFolder;
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
    m_impl->WaitForHandler();
    m_impl->Retarget(folder);
}

fs::path FileSystemWatcher::Path() const {
    std::lock_guard lock(m_impl->stateMutex);
    return m_impl->folder;
}

void FileSystemWatcher::SetFilter(const fs::path& name) {
    m_impl->WaitForHandler();
    std::lock_guard lock(m_impl->stateMutex);
    m_impl->filter = name;
}

void FileSystemWatcher::SetEnableRaisingEvents(bool enable) {
    {
        std::lock_guard lock(m_impl->stateMutex);
        if (enable && m_impl->watch < 0)
            throw FileWatchError("no folder to watch");
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
