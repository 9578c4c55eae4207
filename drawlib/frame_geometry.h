// The frame a script is drawn on, and how the script's coordinates map onto it: x by frame
// width / script width, everything else by frame height / script height (both 1 when the
// script has no @resolution).
#pragma once

#include <cstdint>

#include "drawlib/script.h"

namespace dq::drawlib {

struct FrameGeometry {
    int32_t width = 0;
    int32_t height = 0;
    double scaleX = 1;
    double scaleY = 1;

    static FrameGeometry For(int32_t width, int32_t height, const Script* script) {
        FrameGeometry g;
        g.width = width;
        g.height = height;
        if (script && script->resolutionWidth > 0 && script->resolutionHeight > 0) {
            g.scaleX = double(width) / script->resolutionWidth;
            g.scaleY = double(height) / script->resolutionHeight;
        }
        return g;
    }

    bool operator==(const FrameGeometry&) const = default;
};

} // namespace dq::drawlib
