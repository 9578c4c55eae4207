#include "platform/drawing/linux/pango_text.h"

#include <fontconfig/fontconfig.h>

namespace dq::gfx::detail {

std::mutex& TextLock() {
    static std::mutex lock;
    return lock;
}

namespace {

PangoFontMap* SharedFontMap() {
    // Lives as long as the process: its fonts may be referenced by layouts until the very end.
    // fontconfig is loaded here first, on the calling thread, so that the font map's own
    // background loader finds it ready and the first layout does not wait for it.
    static PangoFontMap* const map = [] {
        if (!FcInit()) {
            throw DrawingError("fontconfig could not load its configuration");
        }
        return pango_cairo_font_map_new();
    }();
    return map;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

PangoContext* NewTextContext() {
    PangoContext* context = pango_font_map_create_context(SharedFontMap());
    pango_cairo_context_set_resolution(context, 96.0);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
    return context;
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

PangoFontDescription* NewFontDescription(const Font& font) {
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, font.Families().c_str());
    pango_font_description_set_absolute_size(description, font.Pixels() * PANGO_SCALE);
    pango_font_description_set_weight(
        description, (font.Style() & FontStyleBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(
        description, (font.Style() & FontStyleItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return description;
}

} // namespace dq::gfx::detail
