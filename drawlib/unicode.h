// The conversions between the encodings a script may come in and the UTF-16 the text layout
// takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dq::drawlib {

void AppendUtf8(std::string& out, char32_t c);

// True when text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view text);
// The offset of the first byte of text that is not well-formed UTF-8, or npos.
size_t FindInvalidUtf8(std::string_view text);

// UTF-16 bytes (without their byte-order mark) to UTF-8. On a malformed input (odd byte count,
// unpaired surrogate) returns false with badLine set to the 1-based line where it happened.
bool Utf16ToUtf8(std::string_view bytes, bool bigEndian, std::string& out, size_t& badLine);

// text with every byte that is not part of well-formed UTF-8 replaced by U+FFFD.
std::string ReplaceInvalidUtf8(std::string_view text);

// The character Windows-1252 (the Western European code page of Windows) gives byte b. The five
// bytes it leaves undefined stand for the C1 controls of the same value, as browsers read them.
char32_t Windows1252Char(uint8_t b);

// Windows-1252 bytes to UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);

// Well-formed UTF-8 to UTF-16.
std::u16string Utf8ToUtf16(std::string_view text);

} // namespace dq::drawlib
