#include "drawlib/script_text.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <system_error>

#include "drawlib/script_error.h"
#include "drawlib/script_location.h"
#include "drawlib/unicode.h"

namespace dq::drawlib {

namespace {

[[noreturn]] void FailFile(std::string_view verb, std::string_view baseName, int error) {
    throw ScriptError(std::string(verb) + ' ' + Quoted(baseName) + ": " +
                      std::generic_category().message(error));
}

// Why a file cannot be opened, as an errno value; taken from the file system when the stream
// does not say.
int OpenError(const std::filesystem::path& path, int streamErrno) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec) {
        const int value = ec.default_error_condition().value();
        return value != 0 ? value : EIO;
    }
    if (status.type() == std::filesystem::file_type::not_found)
        return ENOENT;
    if (status.type() == std::filesystem::file_type::directory)
        return EISDIR;
    return streamErrno != 0 ? streamErrno : EACCES;
}

} // namespace

ScriptText ScriptText::Read(const std::filesystem::path& path, std::string_view baseName) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        FailFile("cannot open", baseName, EISDIR);
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        FailFile("cannot open", baseName, OpenError(path, errno));

    std::string bytes;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec)
        bytes.reserve(size_t(std::min<uintmax_t>(size, kMaxFileBytes + 1)));
    char chunk[1 << 16];
    while (in) {
        in.read(chunk, sizeof chunk);
        bytes.append(chunk, size_t(in.gcount()));
        if (bytes.size() > kMaxFileBytes)
            ScriptLocation{baseName, 0}.Fail("file is larger than 64 MiB");
    }
    if (in.bad())
        FailFile("cannot read", baseName, errno != 0 ? errno : EIO);
    return Decode(std::move(bytes), baseName);
}

ScriptText ScriptText::Decode(std::string bytes, std::string_view baseName) {
    if (bytes.size() > kMaxFileBytes)
        ScriptLocation{baseName, 0}.Fail("file is larger than 64 MiB");

    ScriptText text;
    bool checkUtf8 = true;
    const auto startsWith = [&](std::string_view mark) {
        return std::string_view(bytes).substr(0, mark.size()) == mark;
    };
    if (startsWith("\xEF\xBB\xBF")) {
        bytes.erase(0, 3);
        text.m_content = std::move(bytes);
    } else if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF")) {
        const bool bigEndian = bytes[0] == '\xFE';
        size_t badLine = 0;
        if (!Utf16ToUtf8(std::string_view(bytes).substr(2), bigEndian, text.m_content, badLine))
            ScriptLocation{baseName, badLine}.Fail("invalid UTF-16");
        checkUtf8 = false;
    } else {
        text.m_content = std::move(bytes);
    }

    const std::string_view content = text.m_content;
    for (size_t begin = 0; begin < content.size();) {
        size_t end = content.find('\n', begin);
        const size_t next = end == std::string_view::npos ? content.size() : end + 1;
        if (end == std::string_view::npos)
            end = content.size();
        size_t length = end - begin;
        if (length > 0 && content[begin + length - 1] == '\r')
            --length;
        const ScriptLocation where{baseName, text.m_lines.size() + 1};
        if (length > kMaxLineBytes)
            where.Fail("line is longer than 64 KiB");
        if (checkUtf8 && !IsValidUtf8(content.substr(begin, length)))
            where.Fail("invalid UTF-8");
        text.m_lines.push_back({begin, length});
        begin = next;
    }
    return text;
}

} // namespace dq::drawlib
