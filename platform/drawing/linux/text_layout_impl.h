// TextLayout's pango side: the layout, the context it was made in, and its extents.
#pragma once

#include <pango/pangocairo.h>

#include "platform/drawing/drawing.h"

namespace dq::gfx {

struct TextLayout::Impl {
    PangoContext* context = nullptr;
    PangoLayout* layout = nullptr;
    // In pango units, relative to the layout's origin. The block is the logical rectangle.
    PangoRectangle ink{};
    PangoRectangle logical{};

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl();
};

} // namespace dq::gfx
