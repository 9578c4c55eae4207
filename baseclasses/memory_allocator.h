#pragma once

#include "platform/platform.h"

// A new instance of the system's standard memory allocator, with one reference for the caller.
HRESULT NewMemoryAllocator(IMemAllocator** out);
