// The filter's wide strings as the hosts' UTF-8 text. A text that does not convert gives an empty
// string.
#pragma once

#include <string>

#include "platform/platform.h"

// text (null-terminated) as UTF-8.
std::string Utf8(const WCHAR* text);
