// What the text backend shares: one font map for the process and the lock that serialises its
// use, contexts set up for rendering into bitmaps, and string conversion.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include <pango/pangocairo.h>

#include "platform/drawing/drawing.h"

namespace dq::gfx::detail {

// A pango font map caches fonts and glyphs without locking, so one map serves every thread and
// every use of it (layouts, rendering, releasing either) happens under this lock.
std::mutex& TextLock();

// A new context on the shared font map (call with TextLock held; release with g_object_unref):
// 96 dots per inch, grey antialiasing, unhinted outlines and unrounded positions, so a layout
// measures the same wherever it is drawn.
PangoContext* NewTextContext();

// UTF-8 for pango; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// The font's family list, pixel size and style (release with pango_font_description_free).
PangoFontDescription* NewFontDescription(const Font& font);

} // namespace dq::gfx::detail
