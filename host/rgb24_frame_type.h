// The one frame type the hosts' pins speak: uncompressed 24-bit RGB in a VIDEOINFOHEADER, rows
// padded to four bytes. The sign of the height says the row order: positive is bottom row first,
// negative top row first.
#pragma once

#include "baseclasses/streams.h"

namespace rgb24 {

inline LONG Stride(LONG width) {
    return (width * 3 + 3) & ~3;
}
inline LONG FrameBytes(LONG width, LONG height) {
    return Stride(width) * (height < 0 ? -height : height);
}

// The type of frames width by height (signed, as above); avgTimePerFrame 0 when the rate is
// unknown.
CMediaType FrameType(LONG width, LONG height, REFERENCE_TIME avgTimePerFrame = 0);

// Whether type carries such frames, with the height's sign (the row order) matching too.
bool IsFrameType(const CMediaType& type, LONG width, LONG height);

} // namespace rgb24
