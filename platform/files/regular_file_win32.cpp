// Win32 backend of the regular-file reader: a handle shared with writers, a check that it is a
// disk file, and the file's identity, size and last-write time compared before and after.
#include "platform/files/regular_file.h"
#include "platform/files/settled_read.h"

#include <windows.h>

#include <cerrno>

namespace dq::files {

namespace {

struct Stamp {
    DWORD volume = 0, indexHigh = 0, indexLow = 0;
    uint64_t size = 0;
    uint64_t written = 0; // 100 ns units since 1601

    bool operator==(const Stamp&) const = default;
};

uint64_t Ticks(FILETIME t) {
    return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

bool StampOf(HANDLE file, Stamp& stamp, bool& directory) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        return false;
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.indexHigh = info.nFileIndexHigh;
    stamp.indexLow = info.nFileIndexLow;
    stamp.size = (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.written = Ticks(info.ftLastWriteTime);
    directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return true;
}

int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

HANDLE OpenShared(const std::filesystem::path& path) {
    // Backup semantics let a folder open too, so that it is reported as one.
    return CreateFileW(path.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

FileContents ReadOnce(const std::filesystem::path& path, size_t maxBytes, Stamp& stamp,
                      bool& changed) {
    FileContents result;
    HANDLE file = OpenShared(path);
    if (file == INVALID_HANDLE_VALUE) {
        result.status = ReadStatus::CannotOpen;
        result.error = ErrnoOf(GetLastError());
        return result;
    }
    struct Closer {
        HANDLE h;
        ~Closer() { CloseHandle(h); }
    } closer{file};

    if (GetFileType(file) != FILE_TYPE_DISK) {
        result.status = ReadStatus::NotRegular;
        return result;
    }
    Stamp before;
    bool directory = false;
    if (!StampOf(file, before, directory)) {
        result.status = ReadStatus::CannotRead;
        result.error = ErrnoOf(GetLastError());
        return result;
    }
    if (directory) {
        result.status = ReadStatus::CannotOpen;
        result.error = EISDIR;
        return result;
    }
    if (before.size > maxBytes) {
        result.status = ReadStatus::TooLarge;
        return result;
    }
    result.bytes.reserve(size_t(before.size));
    char chunk[1 << 16];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &n, nullptr)) {
            result.status = ReadStatus::CannotRead;
            result.error = ErrnoOf(GetLastError());
            return result;
        }
        if (n == 0)
            break;
        result.bytes.append(chunk, n);
        if (result.bytes.size() > maxBytes) {
            result.status = ReadStatus::TooLarge;
            return result;
        }
    }
    changed = !StampOf(file, stamp, directory) || !(stamp == before);
    return result;
}

uint64_t NowTicks() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

bool StillTheSame(const std::filesystem::path& path, const Stamp& stamp) {
    HANDLE file = OpenShared(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    Stamp now;
    bool directory = false;
    const bool same = StampOf(file, now, directory) && now == stamp;
    CloseHandle(file);
    return same;
}

} // namespace

FileContents ReadRegularFile(const std::filesystem::path& path, size_t maxBytes) {
    Stamp stamp;
    return ReadWhenSettled(
        [&] {
            ReadAttempt attempt;
            attempt.contents = ReadOnce(path, maxBytes, stamp, attempt.changed);
            // File times count 100 ns.
            attempt.sinceWritten =
                std::chrono::nanoseconds((int64_t(NowTicks()) - int64_t(stamp.written)) * 100);
            return attempt;
        },
        [&] { return StillTheSame(path, stamp); });
}

} // namespace dq::files
