// GUIDs are equal when all 16 bytes are. Where the SDK already defines the operators, it is
// the same comparison.
#pragma once

#include <cstring>

#include "platform/platform.h"

#if !DQ_SDK_HAS_GUID_OPERATORS
inline bool operator==(REFGUID a, REFGUID b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool operator!=(REFGUID a, REFGUID b) {
    return !(a == b);
}
#endif
