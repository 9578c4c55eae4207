// Text: layout, wrapping, alignment, styles, fonts, and how it lands in ARGB bitmaps.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "platform/drawing/drawing.h"
#include "tests/drawing/bitmap_access.h"

namespace dq::gfx {
namespace {

using testing::ReadArgb;

// Straight pixels of a bitmap with questions about where the ink is.
struct Pixels {
    int width, height;
    std::vector<uint8_t> px;

    explicit Pixels(Bitmap& b) : width(b.Width()), height(b.Height()), px(ReadArgb(b)) {}
    Color At(int x, int y) const {
        const uint8_t* p = &px[(size_t(y) * width + x) * 4];
        return Color{p[3], p[2], p[1], p[0]};
    }
    int Count(const std::function<bool(Color)>& match) const {
        int n = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                n += match(At(x, y)) ? 1 : 0;
            }
        }
        return n;
    }
    // The smallest rectangle holding every matching pixel.
    Rect Box(const std::function<bool(Color)>& match) const {
        int l = width, t = height, r = -1, b = -1;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (match(At(x, y))) {
                    l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
                }
            }
        }
        return r < 0 ? Rect{} : Rect{l, t, r - l + 1, b - t + 1};
    }
};

bool Visible(Color c) {
    return c.a != 0;
}
bool Opaque(Color c) {
    return c.a == 255;
}

TextRun Plain(std::u16string text) {
    TextRun run;
    run.text = std::move(text);
    return run;
}

const Font kSans("DejaVu Sans", 24);

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.Right() <= outer.Right() &&
           inner.Bottom() <= outer.Bottom();
}

TEST(DrawString, PutsRedTextInsideTheRectangleAndNothingOutside) {
    auto bitmap = Bitmap::CreateArgb(320, 200);
    const RectF layout{20, 30, 150, 60};
    Graphics(*bitmap).DrawString(u"[Error] a message long enough to wrap and overflow the box",
                                 Font(GenericFontFamily::Monospace, 16), Colors::Red, layout);
    const Pixels px(*bitmap);
    const Rect box = px.Box(Visible);
    EXPECT_TRUE(Inside(box, Rect{20, 30, 150, 60}))
        << box.x << "," << box.y << " " << box.width << "x" << box.height;
    EXPECT_TRUE(Inside(box, bitmap->DirtyRect()));
    // Starts at the top-left corner and is clipped at the bottom, wrapped at the right.
    EXPECT_LT(box.x, 24);
    EXPECT_LT(box.y, 40);
    EXPECT_GT(box.Right(), 150);
    EXPECT_EQ(box.Bottom(), 90);
    EXPECT_GT(px.Count([](Color c) { return Opaque(c) && c.r == 255 && c.g == 0 && c.b == 0; }),
              200);
    EXPECT_EQ(px.Count([](Color c) { return Visible(c) && (c.r != 255 || c.g || c.b); }), 0);
}

TEST(DrawString, ZeroSizedRectangleNeitherWrapsNorClips) {
    auto wide = Bitmap::CreateArgb(600, 60);
    Graphics(*wide).DrawString(u"one line that goes on", kSans, Colors::Red, RectF{5, 5, 0, 0});
    const Rect box = Pixels(*wide).Box(Visible);
    EXPECT_GT(box.width, 200);
    EXPECT_LT(box.height, 30);
}

TEST(DrawString, HalfTransparentBrushReadsBackStraight) {
    auto bitmap = Bitmap::CreateArgb(200, 60);
    Graphics(*bitmap).DrawString(u"\u2588\u2588\u2588", kSans, Color::FromArgb(0x80FF0000),
                                 RectF{0, 0, 200, 60});
    const Pixels px(*bitmap);
    // Inside the solid block glyphs: alpha as given, colour not darkened by premultiplication.
    const int solid = px.Count([](Color c) { return c.a >= 127 && c.a <= 129; });
    EXPECT_GT(solid, 100);
    EXPECT_EQ(px.Count([](Color c) { return c.a >= 127 && c.a <= 129 && c.r != 255; }), 0);
    EXPECT_EQ(px.Count([](Color c) { return c.a > 129; }), 0);
}

TEST(TextLayout, WrapsAtTheWidthAndBreaksAtNewlines) {
    const TextLayout one(kSans, {Plain(u"several words on a single line")}, 0, TextAlign::Left);
    const TextLayout wrapped(kSans, {Plain(u"several words on a single line")}, 150,
                             TextAlign::Left);
    const TextLayout broken(kSans, {Plain(u"several words\non two lines")}, 0, TextAlign::Left);
    EXPECT_GT(one.Width(), 150);
    EXPECT_LE(wrapped.Width(), 150);
    EXPECT_GE(wrapped.Height(), 2.5 * one.Height());
    EXPECT_NEAR(broken.Height(), 2 * one.Height(), 1);
    EXPECT_LT(broken.Width(), one.Width());

    TextLayout moved(kSans, {Plain(u"x")}, 0, TextAlign::Left);
    const float w = moved.Width();
    TextLayout target = std::move(moved);
    EXPECT_EQ(target.Width(), w);
}

// Where the ink of the short first line starts, for each alignment.
int FirstLineInkLeft(TextAlign align, float maxWidth) {
    const TextLayout layout(kSans, {Plain(u"ab\nmuch longer line")}, maxWidth, align);
    auto bitmap = Bitmap::CreateArgb(500, 100);
    Graphics(*bitmap).DrawText(layout, 10, 10, TextStyle{});
    const Pixels px(*bitmap);
    int left = px.width;
    for (int y = 10; y < 10 + int(layout.Height() / 2); ++y) {
        for (int x = 0; x < px.width; ++x) {
            if (Visible(px.At(x, y))) {
                left = std::min(left, x);
            }
        }
    }
    return left;
}

TEST(TextLayout, AlignmentMovesShortLinesWithinTheBlock) {
    const int left = FirstLineInkLeft(TextAlign::Left, 0);
    const int center = FirstLineInkLeft(TextAlign::Center, 0);
    const int right = FirstLineInkLeft(TextAlign::Right, 0);
    EXPECT_LT(left, 14);
    EXPECT_GT(center, left + 40);
    EXPECT_GT(right, center + 40);
    // With a wrapping width the block is still placed by its own left edge.
    EXPECT_EQ(FirstLineInkLeft(TextAlign::Right, 400), right);
}

TEST(DrawText, OutlineSurroundsTheFillInItsOwnColour) {
    const TextLayout layout(kSans, {Plain(u"Hello")}, 0, TextAlign::Left);
    auto plain = Bitmap::CreateArgb(200, 60);
    auto outlined = Bitmap::CreateArgb(200, 60);
    TextStyle style;
    style.fill = Color::FromArgb(0xFFFFFFFF);
    Graphics(*plain).DrawText(layout, 20, 10, style);
    style.outlineWidth = 3;
    style.outline = Color::FromArgb(0xFF0000FF);
    Graphics(*outlined).DrawText(layout, 20, 10, style);

    const Pixels a(*plain), b(*outlined);
    const Rect fill = a.Box(Visible);
    const Rect all = b.Box(Visible);
    EXPECT_NEAR(fill.x - all.x, 3, 1);
    EXPECT_NEAR(fill.y - all.y, 3, 1);
    EXPECT_NEAR(all.Right() - fill.Right(), 3, 1);
    EXPECT_NEAR(all.Bottom() - fill.Bottom(), 3, 1);
    EXPECT_TRUE(Inside(all, outlined->DirtyRect()));
    const auto blue = [](Color c) { return Opaque(c) && c.b == 255 && c.r == 0 && c.g == 0; };
    const auto white = [](Color c) { return Opaque(c) && c.r == 255 && c.g == 255 && c.b == 255; };
    EXPECT_GT(b.Count(blue), 300);
    // The fill lies over the outline: the glyph interiors stay white.
    EXPECT_GT(b.Count(white), a.Count(white) / 2);
    EXPECT_NEAR(b.Box(blue).x, all.x, 1);
}

TEST(DrawText, ShadowFallsDownAndRightInItsOwnColour) {
    const TextLayout layout(kSans, {Plain(u"Shadow")}, 0, TextAlign::Left);
    auto bitmap = Bitmap::CreateArgb(220, 70);
    TextStyle style;
    style.fill = Color::FromArgb(0xFFFFFFFF);
    style.shadowOffset = 6;
    style.shadow = Color::FromArgb(0xFF00FF00);
    Graphics(*bitmap).DrawText(layout, 10, 10, style);
    const Pixels px(*bitmap);
    const Rect fill = px.Box([](Color c) { return Opaque(c) && c.r == 255 && c.b == 255; });
    const Rect shadow = px.Box([](Color c) { return Opaque(c) && c.g == 255 && c.r == 0; });
    EXPECT_NEAR(shadow.x - fill.x, 6, 1);
    EXPECT_NEAR(shadow.y - fill.y, 6, 1);
    EXPECT_NEAR(shadow.Right() - fill.Right(), 6, 1);
    EXPECT_TRUE(Inside(px.Box(Visible), bitmap->DirtyRect()));

    // A translucent shadow keeps one alpha where the shapes of outline and fill overlap.
    auto soft = Bitmap::CreateArgb(220, 70);
    style.shadow = Color::FromArgb(0x8000FF00);
    style.outlineWidth = 2;
    Graphics(*soft).DrawText(layout, 10, 10, style);
    const auto pureShadow = [](Color c) { return c.g == 255 && c.r == 0 && c.b == 0; };
    const Pixels softPx(*soft);
    EXPECT_GT(softPx.Count([&](Color c) { return pureShadow(c) && c.a == 128; }), 100);
    EXPECT_EQ(softPx.Count([&](Color c) { return pureShadow(c) && c.a > 128; }), 0);
}

TEST(DrawText, RunsCarryTheirOwnColourWeightAndSlant) {
    TextRun red = Plain(u"red ");
    red.hasColor = true;
    red.color = Color::FromArgb(0xFFFF0000);
    TextRun bold = Plain(u"bold");
    bold.bold = true;
    const TextLayout layout(kSans, {red, bold}, 0, TextAlign::Left);
    auto bitmap = Bitmap::CreateArgb(300, 60);
    TextStyle style;
    style.fill = Color::FromArgb(0xFF0000FF);
    Graphics(*bitmap).DrawText(layout, 0, 0, style);
    const Pixels px(*bitmap);
    const Rect redInk = px.Box([](Color c) { return Opaque(c) && c.r == 255 && c.b == 0; });
    const Rect blueInk = px.Box([](Color c) { return Opaque(c) && c.b == 255 && c.r == 0; });
    ASSERT_FALSE(redInk.Empty());
    ASSERT_FALSE(blueInk.Empty());
    EXPECT_LT(redInk.Right(), blueInk.x + 2);

    const TextLayout regular(kSans, {Plain(u"bold")}, 0, TextAlign::Left);
    const TextLayout boldOnly(kSans, {bold}, 0, TextAlign::Left);
    const TextLayout boldFont(Font("DejaVu Sans", 24, FontStyleBold), {Plain(u"bold")}, 0,
                              TextAlign::Left);
    EXPECT_GT(boldOnly.Width(), regular.Width());
    EXPECT_EQ(boldFont.Width(), boldOnly.Width());
}

TEST(Font, GenericFamiliesAndFallbacks) {
    const Font mono(GenericFontFamily::Monospace, 12);
    EXPECT_EQ(mono.Pixels(), 16);
    EXPECT_EQ(mono.Families(), "monospace");
    const TextLayout narrow(mono, {Plain(u"iiii")}, 0, TextAlign::Left);
    const TextLayout broad(mono, {Plain(u"MMMM")}, 0, TextAlign::Left);
    EXPECT_NEAR(narrow.Width(), broad.Width(), 0.01);
    const Font sans(GenericFontFamily::SansSerif, 12);
    EXPECT_LT(TextLayout(sans, {Plain(u"iiii")}, 0, TextAlign::Left).Width(),
              TextLayout(sans, {Plain(u"MMMM")}, 0, TextAlign::Left).Width() / 2);

    for (const char* families : {"No Such Family Anywhere, DejaVu Serif", "No Such Family"}) {
        auto bitmap = Bitmap::CreateArgb(200, 50);
        Graphics(*bitmap).DrawString(u"Fallback", Font(families, 20), Colors::Red,
                                     RectF{0, 0, 200, 50});
        EXPECT_GT(Pixels(*bitmap).Count(Opaque), 50) << families;
    }
    EXPECT_THROW(Font("DejaVu Sans", 0), DrawingError);
    EXPECT_THROW(Font("DejaVu Sans", NAN), DrawingError);
    EXPECT_THROW(Font(" , ", 10), DrawingError);
}

TEST(DrawText, OnlyOnArgbBitmapsAndFiniteCoordinates) {
    std::vector<uint8_t> frame(30 * 10 * 3);
    auto rgb = Bitmap::FromMemory24(30, 10, 90, frame.data());
    const TextLayout layout(kSans, {Plain(u"x")}, 0, TextAlign::Left);
    EXPECT_THROW(Graphics(*rgb).DrawText(layout, 0, 0, TextStyle{}), DrawingError);
    EXPECT_THROW(Graphics(*rgb).DrawString(u"x", kSans, Colors::Red, RectF{0, 0, 30, 10}),
                 DrawingError);
    auto argb = Bitmap::CreateArgb(30, 10);
    EXPECT_THROW(Graphics(*argb).DrawText(layout, NAN, 0, TextStyle{}), DrawingError);
    // Far outside: nothing drawn, nothing dirty.
    Graphics(*argb).DrawText(layout, -1e9f, 1e9f, TextStyle{});
    EXPECT_TRUE(argb->DirtyRect().Empty());
}

TEST(DrawText, DrawsOntoAFlippedBitmapTheRightWayRound) {
    const TextLayout top(kSans, {Plain(u"Top")}, 0, TextAlign::Left);
    const TextLayout bottom(kSans, {Plain(u"Bottom")}, 0, TextAlign::Left);
    TextStyle style;
    style.outlineWidth = 1;

    struct Case {
        int height;
        float firstY;  // the first text, before the flip
        float secondX; // the second text, after it, at y = 2
    };
    // Rows far apart; then rows across the middle, where flipped rows pair up with dirty rows.
    for (const Case c : {Case{120, 2, 5}, Case{50, 12, 70}}) {
        auto flipped = Bitmap::CreateArgb(150, c.height);
        Graphics(*flipped).DrawText(top, 5, c.firstY, style);
        flipped->RotateFlip(RotateFlipType::RotateNoneFlipY);
        Graphics(*flipped).DrawText(bottom, c.secondX, 2, style);

        auto first = Bitmap::CreateArgb(150, c.height);
        Graphics(*first).DrawText(top, 5, c.firstY, style);
        auto second = Bitmap::CreateArgb(150, c.height);
        Graphics(*second).DrawText(bottom, c.secondX, 2, style);

        // The two texts do not overlap, so the result is one turned over plus the other.
        const Pixels got(*flipped), a(*first), b(*second);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < 150; ++x) {
                const Color turned = a.At(x, c.height - 1 - y);
                const Color expected = Visible(b.At(x, y)) ? b.At(x, y) : turned;
                ASSERT_EQ(got.At(x, y), expected) << x << "," << y << " height " << c.height;
            }
        }
    }
}

// Across the middle of a stem, the ring reaches the outline width past the fill on both sides,
// in its own colour, for every size and width (each its own set of glyph masks).
TEST(DrawText, OutlineRingIsItsWidthAroundAStemAtEverySizeAndWidth) {
    for (const float size : {32.0f, 60.0f}) {
        const TextLayout layout(Font("DejaVu Sans", size), {Plain(u"l")}, 0, TextAlign::Left);
        for (const float width : {1.5f, 3.0f, 6.0f}) {
            auto bitmap = Bitmap::CreateArgb(80, 110);
            TextStyle style;
            style.fill = Color::FromArgb(0xFFFFFFFF);
            style.outlineWidth = width;
            style.outline = Color::FromArgb(0xFF0000FF);
            Graphics(*bitmap).DrawText(layout, 20, 10, style);
            const Pixels px(*bitmap);
            const auto white = [](Color c) { return c.a == 255 && c.r == 255 && c.b == 255; };
            const Rect stem = px.Box(white);
            ASSERT_FALSE(stem.Empty());
            const int row = stem.y + stem.height / 2;
            int fillLeft = -1, fillRight = -1, inkLeft = -1, inkRight = -1;
            for (int x = 0; x < px.width; ++x) {
                const Color c = px.At(x, row);
                if (c.a > 127 && inkLeft < 0)
                    inkLeft = x;
                if (c.a > 127)
                    inkRight = x + 1;
                if (c.r > 127 && fillLeft < 0)
                    fillLeft = x;
                if (c.r > 127)
                    fillRight = x + 1;
                // Between ink and fill: the outline's blue, fully opaque where fully covered.
                if (c.a == 255 && c.r == 0) {
                    EXPECT_EQ(c, Color::FromArgb(0xFF0000FF)) << x << "," << row;
                }
            }
            EXPECT_NEAR(fillLeft - inkLeft, width, 1.0) << size << " px, outline " << width;
            EXPECT_NEAR(inkRight - fillRight, width, 1.0) << size << " px, outline " << width;
        }
    }
}

// Where the rings of neighbouring glyphs overlap, a translucent outline is not laid twice.
TEST(DrawText, TranslucentOutlineKeepsOneAlphaWhereGlyphsMeet) {
    const TextLayout layout(Font("DejaVu Sans", 24), {Plain(u"WAVE www")}, 0, TextAlign::Left);
    auto bitmap = Bitmap::CreateArgb(220, 60);
    TextStyle style;
    style.fill = Color::FromArgb(0x00FFFFFF);
    style.outlineWidth = 4;
    style.outline = Color::FromArgb(0x80FF0000);
    Graphics(*bitmap).DrawText(layout, 10, 10, style);
    const Pixels px(*bitmap);
    EXPECT_EQ(px.Count([](Color c) { return c.a > 0x80; }), 0);
    EXPECT_GT(px.Count([](Color c) { return c.a == 0x80 && c.r == 255 && c.g == 0; }), 500);
}

} // namespace
} // namespace dq::gfx
