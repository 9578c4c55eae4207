// A script file read into memory: the bytes checked against the size limit, decoded from
// UTF-8 (with or without a byte-order mark) or UTF-16 (with one) into UTF-8, and split into
// lines at LF or CRLF, each checked against the line-length limit.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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
};

} // namespace dq::drawlib
