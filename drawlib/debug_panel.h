// The debug information at the top-left of the frame: stream time, delay, cues loaded and
// shown, the script's name and how long the previous frame took, in a monospace font on a
// translucent dark box. Kept as one small bitmap, redrawn only when its text changes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/drawing/drawing.h"

namespace dq::drawlib {

struct DebugInfo {
    int64_t timeMs = 0;
    int32_t delayFrames = 0;
    int64_t delayMs = 0;
    size_t cuesLoaded = 0;
    size_t cuesActive = 0;
    std::string_view fileName; // empty: no script loaded
    int64_t previousDrawNs = 0;
};

class DebugPanel {
public:
    DebugPanel();
    ~DebugPanel();

    // Draws the panel onto g's target, sized for a frame frameHeight pixels high.
    void Draw(gfx::Graphics& g, const DebugInfo& info, int32_t frameHeight);

    // The panel's text as last drawn (for tests).
    std::string_view Text() const { return m_text; }

private:
    void Resize(int32_t frameHeight);

    int m_fontPixels = 0;
    std::optional<gfx::Font> m_font;
    std::unique_ptr<gfx::Bitmap> m_bitmap;
    std::unique_ptr<gfx::Graphics> m_graphics;
    char m_text[512] = {};
    std::u16string m_text16;
    bool m_drawn = false;
};

} // namespace dq::drawlib
