// A file's path held in the platform's wide strings, as the file system names it, and back.
//
// On Windows both are the same UTF-16 text. On Linux a name is bytes: the wide form goes through
// the ANSI code page, which keeps bytes that are not UTF-8 as lone surrogates, so any name
// survives the round trip. Neither direction throws for any content (only for lack of memory).
#pragma once

#include <filesystem>
#include <string>

#include "platform/platform.h"

namespace dq::files {

using WideString = std::basic_string<WCHAR>;

inline std::filesystem::path PathFromWide(const WCHAR* text) {
    if (text == nullptr || text[0] == 0)
        return {};
#ifdef _WIN32
    return std::filesystem::path(std::wstring(text));
#else
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return {};
    std::string bytes(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, bytes.data(), n, nullptr, nullptr);
    bytes.resize(size_t(n - 1));
    return std::filesystem::path(std::move(bytes));
#endif
}

inline WideString WideFromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.native();
#else
    const std::string& bytes = path.native();
    if (bytes.empty())
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    WideString wide(size_t(n > 0 ? n : 0), WCHAR(0));
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), wide.data(), n);
    return wide;
#endif
}

// A name for messages, in UTF-8: the file system's own bytes on Linux (shown as they are), the
// UTF-16 name converted on Windows (an unpaired surrogate as U+FFFD).
inline std::string DisplayName(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::wstring& wide = path.native();
    if (wide.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), int(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), int(wide.size()), out.data(), n, nullptr,
                            nullptr);
    return out;
#else
    return path.native();
#endif
}

} // namespace dq::files
