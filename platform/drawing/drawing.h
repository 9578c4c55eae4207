// The drawing service: bitmaps, text and compositing, as the filter and the drawing library use
// them. One API, one backend per platform (Linux: cairo + pango and our own compositing).
//
// Two kinds of bitmap:
//  - a 24-bit surface over caller memory (blue, green, red; the first row in memory is the top
//    row), which is the frame itself: nothing is copied, drawing changes the caller's bytes;
//  - a 32-bit ARGB surface that the service allocates (blue, green, red, alpha in memory, alpha
//    NOT premultiplied as seen through LockBits), which starts fully transparent.
//
// Every drawing operation adds what it touched to the bitmap's dirty region, a few disjoint
// rectangles. On an ARGB bitmap, every pixel outside them is fully transparent, so Clear, FlipY,
// DrawImage and LockBits need only touch those rectangles: a frame's cost follows the area drawn,
// and two small cues far apart cost their own areas, not the frame between them. The results
// are exactly those of the plain whole-bitmap operations.
//
// Failures (a size that cannot be allocated, a font that cannot be loaded, bad arguments) throw
// DrawingError; nothing is left half-drawn in a way that breaks the dirty-region rule.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dq::gfx {

class DrawingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Values as the platform's managed drawing library numbers them.
enum class PixelFormat : int32_t {
    Format24bppRgb = 0x21808,
    Format32bppArgb = 0x26200A,
};
enum class ImageLockMode : int32_t { ReadOnly = 1, WriteOnly = 2, ReadWrite = 3 };
enum class RotateFlipType : int32_t { RotateNoneFlipY = 6 };

struct Color {
    uint8_t a = 0, r = 0, g = 0, b = 0;
    static constexpr Color FromArgb(uint32_t argb) {
        return Color{uint8_t(argb >> 24), uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb)};
    }
    constexpr uint32_t ToArgb() const {
        return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
    }
    constexpr bool operator==(const Color&) const = default;
};
namespace Colors {
inline constexpr Color Red = Color::FromArgb(0xFFFF0000);
inline constexpr Color Transparent = Color::FromArgb(0x00000000);
} // namespace Colors

// Integer rectangle; x, y is the top-left corner. Empty when width or height is <= 0.
struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
    constexpr bool operator==(const Rect&) const = default;
};
struct RectF {
    float x = 0, y = 0, width = 0, height = 0;
};

// What LockBits hands out. For a 24-bit bitmap over caller memory, scan0 is that memory.
struct BitmapData {
    int width = 0;
    int height = 0;
    int stride = 0; // bytes from one row to the next
    PixelFormat format = PixelFormat::Format24bppRgb;
    uint8_t* scan0 = nullptr;
};

class Bitmap {
public:
    // A 24-bit surface over width x height pixels at scan0, rows stride bytes apart.
    static std::unique_ptr<Bitmap> FromMemory24(int width, int height, int stride, uint8_t* scan0);
    // A new, fully transparent 32-bit ARGB surface.
    static std::unique_ptr<Bitmap> CreateArgb(int width, int height);

    virtual ~Bitmap() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual PixelFormat Format() const = 0;
    // The area drawn since creation or the last Clear, as disjoint rectangles (none when
    // nothing was drawn), and the smallest rectangle holding them (empty when none).
    virtual std::span<const Rect> DirtyRects() const = 0;
    virtual Rect DirtyRect() const = 0;

    // ARGB: every pixel transparent again. 24-bit: not supported (throws).
    virtual void Clear() = 0;
    // RotateNoneFlipY: the last row becomes the first.
    virtual void RotateFlip(RotateFlipType type) = 0;

    // Access to rect in the given format (only the bitmap's own format is supported). An
    // ARGB bitmap hands out non-premultiplied pixels; rows outside the dirty rectangle are
    // transparent. Every LockBits is paired with UnlockBits, one lock at a time. What is
    // written through a WriteOnly or ReadWrite lock of an ARGB bitmap is stored at UnlockBits;
    // a 24-bit bitmap hands out its memory itself in every mode.
    virtual BitmapData LockBits(const Rect& rect, ImageLockMode mode, PixelFormat format) = 0;
    virtual void UnlockBits(BitmapData& data) = 0;
};

// Keeps one transparent ARGB bitmap per size and hands it out again, cleared (dirty rows only).
class ScratchSurface {
public:
    ScratchSurface();
    ~ScratchSurface();
    // The bitmap of that size, fully transparent. Valid until the next Acquire or destruction.
    Bitmap& Acquire(int width, int height);

private:
    std::unique_ptr<Bitmap> m_bitmap;
};

enum FontStyle : int { FontStyleRegular = 0, FontStyleBold = 1, FontStyleItalic = 2 };
enum class GenericFontFamily { Monospace, SansSerif, Serif };

class Font {
public:
    // The platform's generic family at a size in points (96 dots per inch).
    Font(GenericFontFamily family, float points, int style = FontStyleRegular);
    // A family name or a comma-separated fallback list ("DejaVu Sans, sans-serif"), with the
    // text height in pixels.
    Font(std::string_view families, float pixels, int style = FontStyleRegular);

    const std::string& Families() const { return m_families; }
    float Pixels() const { return m_pixels; }
    int Style() const { return m_style; }

private:
    std::string m_families;
    float m_pixels;
    int m_style;
};

enum class TextAlign { Left, Center, Right };

// A stretch of text with its own weight, slant and colour (unset colour: the style's fill).
struct TextRun {
    std::u16string text; // '\n' breaks the line
    bool bold = false;
    bool italic = false;
    bool hasColor = false;
    Color color;
};

// How DrawText paints a layout: the shadow first, then the outline, then the fill.
struct TextStyle {
    Color fill = Color::FromArgb(0xFFFFFFFF);
    float outlineWidth = 0; // pixels around the glyphs
    Color outline = Color::FromArgb(0xFF000000);
    float shadowOffset = 0; // pixels down and right
    Color shadow = Color::FromArgb(0x80000000);
};

// Text broken into lines: at '\n', and at maxWidth when maxWidth > 0 (words first).
class TextLayout {
public:
    TextLayout(const Font& font, std::vector<TextRun> runs, float maxWidth, TextAlign align);
    ~TextLayout();
    TextLayout(TextLayout&&) noexcept;
    TextLayout& operator=(TextLayout&&) noexcept;

    // The block's size in pixels, without outline or shadow.
    float Width() const;
    float Height() const;

    struct Impl;
    Impl& impl() const { return *m_impl; }

private:
    std::unique_ptr<Impl> m_impl;
};

class Graphics {
public:
    explicit Graphics(Bitmap& target);
    ~Graphics();
    Bitmap& Target() const { return m_target; }

    // Text in a layout rectangle: starts at its top-left, wraps at its width, is clipped to it.
    void DrawString(std::u16string_view text, const Font& font, Color brush, const RectF& layout);
    // A laid-out block with its top-left at (x, y), with outline and shadow.
    void DrawText(const TextLayout& layout, float x, float y, const TextStyle& style);
    // Source-over fill.
    void FillRectangle(Color color, const Rect& rect);
    // src unscaled with its top-left at (x, y), blended source over destination, clipped to
    // the target; opacity (0..1) scales src's alpha. src must be ARGB.
    void DrawImage(Bitmap& src, int x, int y, float opacity = 1.0f);

private:
    Bitmap& m_target;
};

} // namespace dq::gfx
