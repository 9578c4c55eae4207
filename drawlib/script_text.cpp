#include "drawlib/script_text.h"

#include <system_error>

#include "drawlib/script_error.h"
#include "drawlib/script_location.h"
#include "drawlib/unicode.h"
#include "platform/files/regular_file.h"

namespace dq::drawlib {

namespace {

[[noreturn]] void FailFile(std::string_view verb, std::string_view baseName, int error) {
    throw ScriptError(std::string(verb) + ' ' + Quoted(baseName) + ": " +
                      std::generic_category().message(error));
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
