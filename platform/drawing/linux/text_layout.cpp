#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

#include "platform/drawing/linux/pango_text.h"
#include "platform/drawing/linux/text_layout_impl.h"

namespace dq::gfx {
namespace {

guint16 Channel16(uint8_t v) {
    return guint16(v * 257);
}

void Insert(PangoAttrList* list, PangoAttribute* attribute, guint start, guint end) {
    attribute->start_index = start;
    attribute->end_index = end;
    pango_attr_list_insert(list, attribute);
}

PangoAlignment ToPango(TextAlign align) {
    switch (align) {
    case TextAlign::Left:
        return PANGO_ALIGN_LEFT;
    case TextAlign::Center:
        return PANGO_ALIGN_CENTER;
    case TextAlign::Right:
        return PANGO_ALIGN_RIGHT;
    }
    throw DrawingError("unknown text alignment");
}

} // namespace

TextLayout::Impl::~Impl() {
    std::lock_guard lock(detail::TextLock());
    if (layout) {
        g_object_unref(layout);
    }
    if (context) {
        g_object_unref(context);
    }
}

TextLayout::TextLayout(const Font& font, std::vector<TextRun> runs, float maxWidth,
                       TextAlign align) {
    if (std::isnan(maxWidth)) {
        throw DrawingError("layout width is not a number");
    }
    const PangoAlignment alignment = ToPango(align);
    std::string text;
    std::unique_ptr<PangoAttrList, decltype(&pango_attr_list_unref)> list(pango_attr_list_new(),
                                                                          pango_attr_list_unref);
    PangoAttrList* attributes = list.get();
    for (const TextRun& run : runs) {
        const guint start = guint(text.size());
        text += detail::ToUtf8(run.text);
        const guint end = guint(text.size());
        if (start == end) {
            continue;
        }
        if (run.bold) {
            Insert(attributes, pango_attr_weight_new(PANGO_WEIGHT_BOLD), start, end);
        }
        if (run.italic) {
            Insert(attributes, pango_attr_style_new(PANGO_STYLE_ITALIC), start, end);
        }
        if (run.hasColor) {
            const Color c = run.color;
            Insert(attributes,
                   pango_attr_foreground_new(Channel16(c.r), Channel16(c.g), Channel16(c.b)), start,
                   end);
            // Pango reads an alpha of 0 as "not set"; 1 in 65535 draws nothing visible.
            Insert(attributes, pango_attr_foreground_alpha_new(c.a ? Channel16(c.a) : 1), start,
                   end);
        }
    }

    auto impl = std::make_unique<Impl>();
    std::lock_guard lock(detail::TextLock());
    impl->context = detail::NewTextContext();
    impl->layout = pango_layout_new(impl->context);
    PangoFontDescription* description = detail::NewFontDescription(font);
    pango_layout_set_font_description(impl->layout, description);
    pango_font_description_free(description);
    pango_layout_set_text(impl->layout, text.data(), int(text.size()));
    pango_layout_set_attributes(impl->layout, attributes);
    if (maxWidth > 0) {
        pango_layout_set_width(impl->layout,
                               int(std::lround(std::min(maxWidth, 1e6f) * PANGO_SCALE)));
        pango_layout_set_wrap(impl->layout, PANGO_WRAP_WORD_CHAR);
    }
    pango_layout_set_alignment(impl->layout, alignment);
    pango_layout_get_extents(impl->layout, &impl->ink, &impl->logical);
    m_impl = std::move(impl);
}

TextLayout::~TextLayout() = default;
TextLayout::TextLayout(TextLayout&&) noexcept = default;
TextLayout& TextLayout::operator=(TextLayout&&) noexcept = default;

float TextLayout::Width() const {
    return float(m_impl->logical.width) / PANGO_SCALE;
}

float TextLayout::Height() const {
    return float(m_impl->logical.height) / PANGO_SCALE;
}

} // namespace dq::gfx
