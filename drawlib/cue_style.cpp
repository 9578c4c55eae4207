#include "drawlib/cue_style.h"

#include <cstring>
#include <functional>

namespace dq::drawlib {

namespace {

template <typename T> void Mix(size_t& seed, const T& value) {
    seed ^= std::hash<T>{}(value) + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2);
}

} // namespace

size_t CueStyleHash::operator()(const CueStyle& s) const {
    size_t seed = std::hash<std::string>{}(s.font);
    for (const float f :
         {s.size, s.outline, s.shadow, s.marginH, s.marginV, s.x1, s.y1, s.x2, s.y2})
        Mix(seed, f);
    for (const gfx::Color c : {s.color, s.outlineColor, s.shadowColor, s.box})
        Mix(seed, c.ToArgb());
    Mix(seed, int(s.bold) | int(s.italic) << 1 | int(s.hasBox) << 2 | int(s.wrap) << 3 |
                  int(s.halign) << 4 | int(s.valign) << 6 | int(s.placement) << 8 |
                  int(s.scroll) << 10);
    Mix(seed, s.fadeIn);
    Mix(seed, s.fadeOut);
    Mix(seed, s.layer);
    return seed;
}

} // namespace dq::drawlib
