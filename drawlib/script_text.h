// A script file read into memory: the bytes checked against the size limit, decoded into UTF-8,
// its format recognised, and split into lines, each checked against the line-length limit.
//
// Decoding: UTF-8 with or without a byte-order mark; UTF-16 with a byte-order mark, or without
// one when its zero bytes show it (the high bytes of ASCII characters). A SubRip or WebVTT file
// that is not UTF-8 is read as Windows-1252, with a warning; in a native script it is an
// error. Lines end with LF or CRLF, and in SubRip and WebVTT files also with a lone CR.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "drawlib/script.h"

namespace dq::drawlib {

inline constexpr size_t kMaxFileBytes = size_t(64) << 20;
inline constexpr size_t kMaxLineBytes = size_t(64) << 10;

class ScriptText {
public:
    // Raises ScriptError when the file cannot be opened or read, is not a regular file (a FIFO
    // would block), is too large, keeps changing while it is read, is not well-formed in its
    // encoding, or has a line that is too long.
    static ScriptText Read(const std::filesystem::path& path, std::string_view baseName);
    // The same checks on bytes already in memory.
    static ScriptText Decode(std::string bytes, std::string_view baseName);

    ScriptFormat Format() const { return m_format; }
    // What decoding had to guess (the encoding of a file that is not UTF-8).
    const std::vector<ScriptWarning>& Warnings() const { return m_warnings; }

    size_t LineCount() const { return m_lines.size(); }
    // Line i (0-based), without its line ending.
    std::string_view Line(size_t i) const {
        return std::string_view(m_content).substr(m_lines[i].begin, m_lines[i].length);
    }

private:
    struct Span {
        size_t begin, length;
    };
    std::string m_content; // UTF-8, byte-order mark removed
    std::vector<Span> m_lines;
    ScriptFormat m_format = ScriptFormat::Quorent;
    std::vector<ScriptWarning> m_warnings;
};

} // namespace dq::drawlib
