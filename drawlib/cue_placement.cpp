#include "drawlib/cue_placement.h"

#include <algorithm>
#include <cmath>

namespace dq::drawlib {

namespace {

// How far the cue is through its time, 0 at start to 1 at end.
double Progress(const Cue& cue, int64_t t) {
    const double duration = double(cue.end - cue.start);
    return std::clamp(double(t - cue.start) / duration, 0.0, 1.0);
}

double Lerp(double from, double to, double p) {
    return from + (to - from) * p;
}

// The block's near edge for an anchor at a, by alignment: the anchor is the block's left (top),
// centre or right (bottom).
double Edge(double anchor, int extent, int part) {
    return anchor - extent * 0.5 * part;
}

} // namespace

CuePlacement PlaceCue(const CueStyle& style, const Cue& cue, const Sprite& sprite,
                      const FrameGeometry& frame, int64_t t) {
    const int hPart = int(style.halign); // 0 left, 1 centre, 2 right
    const int vPart = int(style.valign); // 0 top, 1 middle, 2 bottom
    const double marginH = style.marginH * frame.scaleX;
    const double marginV = style.marginV * frame.scaleY;

    double anchorX, anchorY;
    switch (style.placement) {
    case Placement::Pos:
        anchorX = style.x1 * frame.scaleX;
        anchorY = style.y1 * frame.scaleY;
        break;
    case Placement::Move: {
        const double p = Progress(cue, t);
        anchorX = Lerp(style.x1, style.x2, p) * frame.scaleX;
        anchorY = Lerp(style.y1, style.y2, p) * frame.scaleY;
        break;
    }
    default:
        anchorX = hPart == 0 ? marginH : hPart == 1 ? frame.width * 0.5 : frame.width - marginH;
        anchorY = vPart == 0 ? marginV : vPart == 1 ? frame.height * 0.5 : frame.height - marginV;
        break;
    }
    double blockX = Edge(anchorX, sprite.blockWidth, hPart);
    double blockY = Edge(anchorY, sprite.blockHeight, vPart);

    if (style.placement == Placement::Scroll && sprite.bitmap) {
        // From the sprite's leading edge on one side of the frame to its trailing edge on the
        // other: all of it, outline and shadow too, is out of sight at both ends.
        const double p = Progress(cue, t);
        const int width = sprite.bitmap->Width(), height = sprite.bitmap->Height();
        const double enterLeft = -(width - sprite.blockX), enterRight = frame.width + sprite.blockX;
        const double enterTop = -(height - sprite.blockY),
                     enterBottom = frame.height + sprite.blockY;
        switch (style.scroll) {
        case ScrollDirection::Left:
            blockX = Lerp(enterRight, enterLeft, p);
            break;
        case ScrollDirection::Right:
            blockX = Lerp(enterLeft, enterRight, p);
            break;
        case ScrollDirection::Up:
            blockY = Lerp(enterBottom, enterTop, p);
            break;
        case ScrollDirection::Down:
            blockY = Lerp(enterTop, enterBottom, p);
            break;
        }
    }

    // Far outside the frame is as good as anywhere out there, and keeps the ints in range.
    constexpr double kFar = 1e9;
    CuePlacement placement;
    placement.x = int(std::lround(std::clamp(blockX, -kFar, kFar))) - sprite.blockX;
    placement.y = int(std::lround(std::clamp(blockY, -kFar, kFar))) - sprite.blockY;

    double opacity = 1;
    if (style.fadeIn > 0)
        opacity = std::min(opacity, double(t - cue.start) / style.fadeIn);
    if (style.fadeOut > 0)
        opacity = std::min(opacity, double(cue.end - t) / style.fadeOut);
    placement.opacity = float(std::clamp(opacity, 0.0, 1.0));
    return placement;
}

} // namespace dq::drawlib
