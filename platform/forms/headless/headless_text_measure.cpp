// Text extents of the headless controls. They draw nothing, but they are measured as if they
// drew in an 11-pixel sans-serif face (the size of the 8-point dialog font of a Windows
// desktop), with the drawing service's text layout, so that forms sized from these figures fit
// real glyphs.
#include <cmath>

#include "platform/drawing/drawing.h"
#include "platform/forms/text_measure.h"

namespace dq::forms {

namespace {

// The text as drawn: "&x" shows x, "&&" shows "&".
std::u16string Drawn(StringView text) {
    std::u16string shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        shown.push_back(text[i]);
    }
    return shown;
}

} // namespace

forms::Size MeasureText(StringView text) {
    static const gfx::Font font("DejaVu Sans, sans-serif", 11.0f);
    gfx::TextRun run;
    // An empty run still has the line's height.
    run.text = text.empty() ? std::u16string(u" ") : Drawn(text);
    const gfx::TextLayout layout(font, {run}, 0.0f, gfx::TextAlign::Left);
    const int width = text.empty() ? 0 : static_cast<int>(std::ceil(layout.Width()));
    return forms::Size{width, static_cast<int>(std::ceil(layout.Height()))};
}

} // namespace dq::forms
