#include "drawlib/overlay_renderer.h"

#include <algorithm>
#include <exception>

#include "drawlib/cue_placement.h"
#include "drawlib/cue_sprite.h"

namespace dq::drawlib {

OverlayRenderer::OverlayRenderer(size_t cacheBudget) : m_cache(cacheBudget) {
    m_active.reserve(256);
    m_previous.reserve(256);
}

void OverlayRenderer::Forget() {
    m_cache.Clear();
    m_active.clear();
    m_previous.clear();
}

void OverlayRenderer::Draw(gfx::Graphics& g, const Script& script, const FrameGeometry& frame,
                           int64_t t) {
    if (!(frame == m_frame)) {
        m_cache.Clear();
        m_previous.clear();
        m_frame = frame;
    }
    // Shown last frame and over now (not only not yet begun, after a seek backwards).
    for (const uint32_t index : m_previous) {
        if (index < script.cues.size() && script.cues[index].end <= t)
            m_cache.Erase(index);
    }
    m_active.clear();
    script.index.Query(t, m_active);
    if (frame.width <= 0 || frame.height <= 0)
        return;
    // Higher layers on top; within a layer, file order.
    std::sort(m_active.begin(), m_active.end(), [&](uint32_t a, uint32_t b) {
        const int32_t la = script.styles[script.cues[a].style].layer;
        const int32_t lb = script.styles[script.cues[b].style].layer;
        return la != lb ? la < lb : a < b;
    });

    m_cache.BeginFrame();
    for (const uint32_t index : m_active) {
        const Cue& cue = script.cues[index];
        if (cue.spanCount == 0)
            continue;
        Sprite* sprite = m_cache.Find(index);
        if (!sprite) {
            Sprite rendered;
            try {
                rendered = RenderCueSprite(script, cue, frame);
            } catch (const std::exception&) {
                // A cue that cannot be drawn (a sprite too large to allocate) shows nothing,
                // and is not tried again every frame: the empty sprite is cached.
            }
            sprite = &m_cache.Insert(index, std::move(rendered));
        }
        if (!sprite->bitmap)
            continue;
        const CueStyle& style = script.styles[cue.style];
        const CuePlacement placement = PlaceCue(style, cue, *sprite, frame, t);
        if (placement.opacity <= 0)
            continue;
        g.DrawImage(*sprite->bitmap, placement.x, placement.y, placement.opacity);
    }
    m_cache.Trim();
    m_previous.assign(m_active.begin(), m_active.end());
}

} // namespace dq::drawlib
