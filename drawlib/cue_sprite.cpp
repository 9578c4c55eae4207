#include "drawlib/cue_sprite.h"

#include <algorithm>
#include <cmath>

#include "drawlib/style_attributes.h"
#include "drawlib/unicode.h"

namespace dq::drawlib {

int BoxPadding(float textSize) {
    return std::max(1, int(std::lround(textSize * 0.25f)));
}

Sprite RenderCueSprite(const Script& script, const Cue& cue, const FrameGeometry& frame) {
    Sprite sprite;
    if (cue.spanCount == 0)
        return sprite;
    const CueStyle& style = script.styles[cue.style];
    // Limits were checked at load for the frame size of then; the frame may have grown since.
    const float size = std::min(float(style.size * frame.scaleY), kMaxTextSize);
    const float outline = std::min(float(style.outline * frame.scaleY), kMaxOutline);
    const float shadow = std::min(float(style.shadow * frame.scaleY), kMaxShadow);
    if (!(size > 0))
        return sprite;

    size_t textBytes = 0;
    for (uint32_t i = 0; i < cue.spanCount; ++i)
        textBytes += script.spans[cue.firstSpan + i].length;
    // Long text too small to read is not drawn: its lines would hold thousands of characters,
    // whose layout costs grow faster than their number. A short cue in a small frame still shows.
    if (size < kMinDrawnTextSize && textBytes > kMaxTinyTextBytes)
        return sprite;

    std::vector<gfx::TextRun> runs;
    runs.reserve(cue.spanCount);
    for (uint32_t i = 0; i < cue.spanCount; ++i) {
        const TextSpan& span = script.spans[cue.firstSpan + i];
        gfx::TextRun run;
        run.text = Utf8ToUtf16(script.SpanText(span));
        run.bold = style.bold || span.bold;
        run.italic = style.italic || span.italic;
        run.hasColor = span.hasColor;
        run.color = span.color;
        runs.push_back(std::move(run));
    }
    const int fontStyle =
        (style.bold ? gfx::FontStyleBold : 0) | (style.italic ? gfx::FontStyleItalic : 0);
    const gfx::Font font(style.font, size, fontStyle);

    const int padding = style.hasBox ? BoxPadding(size) : 0;
    // Text that scrolls sideways stays on one line: it is meant to pass by, not to fill the
    // frame.
    const bool sideways =
        style.placement == Placement::Scroll &&
        (style.scroll == ScrollDirection::Left || style.scroll == ScrollDirection::Right);
    float maxWidth = 0;
    if (style.wrap && !sideways)
        maxWidth = std::max(1.0f, float(frame.width - 2 * style.marginH * frame.scaleX) -
                                      float(2 * padding));
    const gfx::TextAlign align = style.halign == HAlign::Left    ? gfx::TextAlign::Left
                                 : style.halign == HAlign::Right ? gfx::TextAlign::Right
                                                                 : gfx::TextAlign::Center;
    const gfx::TextLayout layout(font, std::move(runs), maxWidth, align);

    const int textWidth = int(std::ceil(layout.Width()));
    const int textHeight = int(std::ceil(layout.Height()));
    if (textWidth <= 0 || textHeight <= 0)
        return sprite;
    sprite.blockWidth = textWidth + 2 * padding;
    sprite.blockHeight = textHeight + 2 * padding;

    // Room around the block for what is drawn outside it: the outline, the shadow, and glyph
    // parts that reach past the layout's box (italic overhang, accents).
    const int ink = int(std::ceil(outline)) + int(std::ceil(size * 0.2f)) + 1;
    const int shadowRoom = int(std::ceil(shadow));
    sprite.blockX = ink;
    sprite.blockY = ink;
    const int width = sprite.blockWidth + 2 * ink + shadowRoom;
    const int height = sprite.blockHeight + 2 * ink + shadowRoom;
    sprite.bitmap = gfx::Bitmap::CreateArgb(width, height);

    gfx::Graphics g(*sprite.bitmap);
    if (style.hasBox)
        g.FillRectangle(style.box,
                        {sprite.blockX, sprite.blockY, sprite.blockWidth, sprite.blockHeight});
    gfx::TextStyle textStyle;
    textStyle.fill = style.color;
    textStyle.outlineWidth = outline;
    textStyle.outline = style.outlineColor;
    textStyle.shadowOffset = shadow;
    textStyle.shadow = style.shadowColor;
    g.DrawText(layout, float(sprite.blockX + padding), float(sprite.blockY + padding), textStyle);
    return sprite;
}

} // namespace dq::drawlib
