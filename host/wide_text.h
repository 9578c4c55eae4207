// Conversions between the filter's wide strings and the hosts' byte strings. A text that does not
// convert gives an empty string.
#pragma once

#include <string>

#include "platform/platform.h"

// text (null-terminated) as UTF-8.
std::string Utf8(const WCHAR* text);

// text in codePage (UTF-8 unless said otherwise) as a wide string.
std::u16string Wide(const std::string& text, UINT codePage = CP_UTF8);
