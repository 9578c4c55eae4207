// Paints the cues of a script shown at a time: finds them through the index, orders them by
// layer and file order, and composites their cached sprites. In the steady state (every shown
// cue already rendered) it allocates nothing. The sprite of a cue that has ended (time has passed
// its end) goes at once, its pixels back to the pool for the next new sprite: played forwards, it
// would never be shown again.
#pragma once

#include <cstdint>
#include <vector>

#include "drawlib/frame_geometry.h"
#include "drawlib/script.h"
#include "drawlib/sprite_cache.h"
#include "platform/drawing/drawing.h"

namespace dq::drawlib {

class OverlayRenderer {
public:
    explicit OverlayRenderer(size_t cacheBudget = SpriteCache::kDefaultBudget);

    // Draws script at time t (delay already applied) for frame. A change of script (Forget)
    // or of frame geometry drops the rendered sprites.
    void Draw(gfx::Graphics& g, const Script& script, const FrameGeometry& frame, int64_t t);
    // The script is going away: its sprites too.
    void Forget();

    size_t ActiveCount() const { return m_active.size(); }
    const SpriteCache& Cache() const { return m_cache; }

private:
    SpriteCache m_cache;
    FrameGeometry m_frame;
    std::vector<uint32_t> m_active;
    std::vector<uint32_t> m_previous; // the cues of the frame before
};

} // namespace dq::drawlib
