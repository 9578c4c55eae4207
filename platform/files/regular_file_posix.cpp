// POSIX backend of the regular-file reader: open without blocking, check with fstat, read, and
// compare the file's identity, size and modification time before and after.
#include "platform/files/regular_file.h"
#include "platform/files/settled_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace dq::files {

namespace {

struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;

    explicit Stamp(const struct stat& s)
        : device(s.st_dev), inode(s.st_ino), size(s.st_size),
          modifiedNs(int64_t(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec),
          changedNs(int64_t(s.st_ctim.tv_sec) * 1000000000 + s.st_ctim.tv_nsec) {}
    Stamp() = default;
    bool operator==(const Stamp&) const = default;
};

int64_t WallClockNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool IsSpecial(mode_t mode) {
    return !S_ISREG(mode) && !S_ISDIR(mode);
}

// One read. stamp is the file's state after the read, changed whether it moved during it.
FileContents ReadOnce(const std::filesystem::path& path, size_t maxBytes, Stamp& stamp,
                      bool& changed) {
    FileContents result;
    struct stat info {};
    // A special file is refused before it is opened: opening some of them has effects.
    if (stat(path.c_str(), &info) == 0 && IsSpecial(info.st_mode)) {
        result.status = ReadStatus::NotRegular;
        return result;
    }
    int fd;
    do
        fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        result.error = errno;
        // A socket cannot be opened at all; say what it is rather than ENXIO.
        if (stat(path.c_str(), &info) == 0 && IsSpecial(info.st_mode))
            result.status = ReadStatus::NotRegular;
        else
            result.status = ReadStatus::CannotOpen;
        return result;
    }
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};

    if (fstat(fd, &info) != 0) {
        result.status = ReadStatus::CannotRead;
        result.error = errno;
        return result;
    }
    if (S_ISDIR(info.st_mode)) {
        result.status = ReadStatus::CannotOpen;
        result.error = EISDIR;
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.status = ReadStatus::NotRegular;
        return result;
    }
    const Stamp before(info);
    if (size_t(info.st_size) > maxBytes) {
        result.status = ReadStatus::TooLarge;
        return result;
    }
    result.bytes.reserve(size_t(info.st_size));
    char chunk[1 << 16];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.status = ReadStatus::CannotRead;
            result.error = errno;
            return result;
        }
        if (n == 0)
            break;
        result.bytes.append(chunk, size_t(n));
        if (result.bytes.size() > maxBytes) {
            result.status = ReadStatus::TooLarge;
            return result;
        }
    }
    struct stat after {};
    changed = fstat(fd, &after) != 0 || !(Stamp(after) == before);
    stamp = Stamp(after);
    // Saved by writing another file and renaming it over this name while we read.
    struct stat named {};
    if (stat(path.c_str(), &named) != 0 || named.st_ino != info.st_ino ||
        named.st_dev != info.st_dev)
        changed = true;
    return result;
}

} // namespace

FileContents ReadRegularFile(const std::filesystem::path& path, size_t maxBytes) {
    Stamp stamp;
    return ReadWhenSettled(
        [&] {
            ReadAttempt attempt;
            attempt.contents = ReadOnce(path, maxBytes, stamp, attempt.changed);
            attempt.sinceWritten = std::chrono::nanoseconds(WallClockNs() - stamp.modifiedNs);
            return attempt;
        },
        [&] {
            struct stat now {};
            return stat(path.c_str(), &now) == 0 && Stamp(now) == stamp;
        });
}

} // namespace dq::files
