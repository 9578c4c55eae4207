// The debug information at the top-left of the frame: stream time, delay, cues loaded and
// shown, the lines of a subtitle file that were skipped as unreadable, the script's name and how
// long the previous frame took, in a monospace font on a translucent dark box.
//
// Its numbers change every frame, so the panel is built from parts drawn once: a background
// bitmap (the box, the labels and the file name, redrawn only when the name or the frame height
// changes) and one small bitmap per character, composited into the number fields each frame.
#pragma once

#include <array>
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
    size_t skippedLines = 0;
    std::string_view fileName; // empty: no script loaded
    int64_t previousDrawNs = 0;
};

class DebugPanel {
public:
    DebugPanel();
    ~DebugPanel();

    // Draws the panel onto g's target, sized for a frame frameHeight pixels high.
    void Draw(gfx::Graphics& g, const DebugInfo& info, int32_t frameHeight);

    // The panel's text as last drawn, lines separated by '\n'.
    std::string_view Text() const { return m_text; }

private:
    static constexpr int kLines = 6;
    static constexpr int kFileLine = 4;
    static constexpr int kLabelColumns = 6; // "delay "
    static constexpr int kColumns = 44;

    void SetSize(int32_t frameHeight);
    void DrawBackground(std::string_view fileName);
    gfx::Bitmap* Glyph(char c);
    int CellX(int column) const;
    int CellY(int line) const;

    int m_pixels = 0; // font size
    std::optional<gfx::Font> m_font;
    float m_advance = 0; // one character's width
    float m_lineHeight = 0;
    int m_pad = 0;
    static constexpr int kGlyphSlack = 2; // ink past the cell on each side

    std::unique_ptr<gfx::Bitmap> m_background;
    std::string m_backgroundName;
    std::array<std::unique_ptr<gfx::Bitmap>, 95> m_glyphs; // ' ' to '~'
    std::array<bool, 95> m_glyphDrawn{};

    char m_text[768] = {};
};

} // namespace dq::drawlib
