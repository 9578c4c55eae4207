#pragma once

#include "platform/platform.h"

// A copy of src, terminator included, in task memory that the caller frees with CoTaskMemFree.
HRESULT AllocWideString(LPCWSTR src, LPWSTR* out);
