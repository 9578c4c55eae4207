// Reads a script-sized file whole, safely: only a regular file is read (a FIFO, socket or device
// is refused at once rather than blocking or reading for ever), and a file that is being
// rewritten while it is read is read again once it has settled, so a reader never takes a
// half-written file for the whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace dq::files {

enum class ReadStatus {
    Read,       // bytes holds the whole file
    CannotOpen, // error says why (ENOENT, EACCES, EISDIR, ...)
    NotRegular, // a FIFO, socket, device...
    TooLarge,   // larger than the limit asked for
    CannotRead, // error says why
    Unsettled,  // the file kept changing for as long as the reader would wait
};

struct FileContents {
    ReadStatus status = ReadStatus::Read;
    int error = 0; // an errno value, for CannotOpen and CannotRead
    std::string bytes;
    int reads = 0; // how many times the file was read before it held still
};

// How long a file must have gone unmodified before its contents count as settled.
inline constexpr int kSettleMilliseconds = 50;
// How long a reader waits, at most, for a file that keeps changing.
inline constexpr int kGiveUpMilliseconds = 2000;

// Reads the file at path (following links). Never more than maxBytes + 1 bytes are read.
// Throws only std::bad_alloc.
FileContents ReadRegularFile(const std::filesystem::path& path, size_t maxBytes);

} // namespace dq::files
