#include <cmath>

#include "platform/drawing/drawing.h"

namespace dq::gfx {
namespace {

// The generic families by their common names; each text backend resolves them to the best
// installed face of that kind.
const char* GenericName(GenericFontFamily family) {
    switch (family) {
    case GenericFontFamily::Monospace:
        return "monospace";
    case GenericFontFamily::SansSerif:
        return "sans-serif";
    case GenericFontFamily::Serif:
        return "serif";
    }
    throw DrawingError("unknown generic font family");
}

float CheckedPixels(float pixels) {
    if (!std::isfinite(pixels) || pixels <= 0.0f) {
        throw DrawingError("font size must be a positive number");
    }
    return pixels;
}

} // namespace

Font::Font(GenericFontFamily family, float points, int style)
    : m_families(GenericName(family)), m_pixels(CheckedPixels(points * 96.0f / 72.0f)),
      m_style(style) {}

Font::Font(std::string_view families, float pixels, int style)
    : m_families(families), m_pixels(CheckedPixels(pixels)), m_style(style) {
    if (m_families.find_first_not_of(" ,") == std::string::npos) {
        throw DrawingError("no font family given");
    }
}

} // namespace dq::gfx
