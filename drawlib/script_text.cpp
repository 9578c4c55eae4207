#include "drawlib/script_text.h"

#include <system_error>

#include "drawlib/script_error.h"
#include "drawlib/script_format.h"
#include "drawlib/script_location.h"
#include "drawlib/unicode.h"
#include "platform/files/regular_file.h"

namespace dq::drawlib {

namespace {

[[noreturn]] void FailFile(std::string_view verb, std::string_view baseName, int error) {
    throw ScriptError(std::string(verb) + ' ' + Quoted(baseName) + ": " +
                      std::generic_category().message(error));
}

// UTF-16 without a byte-order mark shows itself by the zero high bytes of its ASCII characters
// (digits, blanks, line ends, which every script has plenty of), all on one side of each pair.
// Text in UTF-8 has no zero bytes at all.
bool LooksLikeUtf16(std::string_view bytes, bool& bigEndian) {
    const size_t n = std::min<size_t>(bytes.size(), 4096) & ~size_t(1);
    size_t zeroEven = 0, zeroOdd = 0;
    for (size_t i = 0; i < n; i += 2) {
        zeroEven += bytes[i] == 0;
        zeroOdd += bytes[i + 1] == 0;
    }
    const size_t units = n / 2;
    if (units == 0)
        return false;
    if (zeroOdd * 4 >= units && zeroEven * 16 <= zeroOdd) {
        bigEndian = false;
        return true;
    }
    if (zeroEven * 4 >= units && zeroOdd * 16 <= zeroEven) {
        bigEndian = true;
        return true;
    }
    return false;
}

} // namespace

ScriptText ScriptText::Read(const std::filesystem::path& path, std::string_view baseName) {
    files::FileContents file = files::ReadRegularFile(path, kMaxFileBytes);
    switch (file.status) {
    case files::ReadStatus::Read:
        break;
    case files::ReadStatus::CannotOpen:
        FailFile("cannot open", baseName, file.error);
    case files::ReadStatus::NotRegular:
        throw ScriptError(Quoted(baseName) + " is not a regular file");
    case files::ReadStatus::TooLarge:
        ScriptLocation{baseName, 0}.Fail("file is larger than 64 MiB");
    case files::ReadStatus::CannotRead:
        FailFile("cannot read", baseName, file.error);
    case files::ReadStatus::Unsettled:
        ScriptLocation{baseName, 0}.Fail("the file kept changing while it was read");
    }
    return Decode(std::move(file.bytes), baseName);
}

ScriptText ScriptText::Decode(std::string bytes, std::string_view baseName) {
    if (bytes.size() > kMaxFileBytes)
        ScriptLocation{baseName, 0}.Fail("file is larger than 64 MiB");

    ScriptText text;
    bool checkUtf8 = true;
    const auto startsWith = [&](std::string_view mark) {
        return std::string_view(bytes).substr(0, mark.size()) == mark;
    };
    bool utf16 = false, bigEndian = false;
    size_t markLength = 0;
    if (startsWith("\xEF\xBB\xBF")) {
        markLength = 3;
    } else if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF")) {
        utf16 = true;
        bigEndian = bytes[0] == '\xFE';
        markLength = 2;
    } else {
        utf16 = LooksLikeUtf16(bytes, bigEndian);
    }
    if (utf16) {
        size_t badLine = 0;
        if (!Utf16ToUtf8(std::string_view(bytes).substr(markLength), bigEndian, text.m_content,
                         badLine))
            ScriptLocation{baseName, badLine}.Fail("invalid UTF-16");
        checkUtf8 = false;
    } else {
        bytes.erase(0, markLength);
        text.m_content = std::move(bytes);
    }

    text.m_format = DetectFormat(text.m_content);
    const bool subtitles = text.m_format != ScriptFormat::Quorent;
    if (subtitles && checkUtf8) {
        const size_t bad = FindInvalidUtf8(text.m_content);
        if (bad != std::string::npos) {
            size_t line = 1;
            for (size_t i = 0; i < bad; ++i)
                line += text.m_content[i] == '\n' ||
                        (text.m_content[i] == '\r' && text.m_content[i + 1] != '\n');
            if (markLength == 0) {
                text.m_warnings.push_back(
                    {line, "not valid UTF-8; the file is read as Windows-1252"});
                text.m_content = Windows1252ToUtf8(text.m_content);
            } else {
                // The mark says UTF-8: the bytes that are not are shown as such.
                text.m_warnings.push_back(
                    {line, "not valid UTF-8 despite the byte-order mark; the bytes that are "
                           "not are shown as U+FFFD"});
                text.m_content = ReplaceInvalidUtf8(text.m_content);
            }
        }
        checkUtf8 = false;
    }

    const std::string_view content = text.m_content;
    for (size_t begin = 0; begin < content.size();) {
        size_t end = content.find_first_of(subtitles ? "\r\n" : "\n", begin);
        if (end == std::string_view::npos)
            end = content.size();
        size_t next = end < content.size() ? end + 1 : end;
        size_t length = end - begin;
        if (subtitles) {
            if (content.substr(end, 2) == "\r\n")
                next = end + 2;
        } else if (length > 0 && content[end - 1] == '\r') {
            --length;
        }
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
