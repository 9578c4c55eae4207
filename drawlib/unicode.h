// The conversions between the encodings a script may come in and the UTF-16 the text layout
// takes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dq::drawlib {

void AppendUtf8(std::string& out, char32_t c);

// True when text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view text);

// UTF-16 bytes (without their byte-order mark) to UTF-8. On a malformed input (odd byte count,
// unpaired surrogate) returns false with badLine set to the 1-based line where it happened.
bool Utf16ToUtf8(std::string_view bytes, bool bigEndian, std::string& out, size_t& badLine);

// Well-formed UTF-8 to UTF-16.
std::u16string Utf8ToUtf16(std::string_view text);

} // namespace dq::drawlib
