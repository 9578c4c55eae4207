#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "drawlib_test_support.h"

using dq::gfx::Rect;
using dqtest::Draw;
using dqtest::Loaded;
using dqtest::Pixels;
using dqtest::TempDir;

namespace {

constexpr int W = 640, H = 360;
// A box whose text has the box's own colour and no outline: the cue draws exactly one
// uniformly coloured rectangle.
const std::string kSolid = "outline=0 size=30 color=#FF00C000 box=#FF00C000";
constexpr uint32_t kGreen = 0xFF00C000;

bool Shown(DrawQuorbit& draw, int64_t t) {
    return !Draw(draw, W, H, t).Empty();
}

// Every pixel of r's border has the colour.
void ExpectBorder(const Pixels& p, const Rect& r, uint32_t color) {
    for (int x = r.x; x < r.Right(); ++x) {
        ASSERT_EQ(p.At(x, r.y), color) << x;
        ASSERT_EQ(p.At(x, r.Bottom() - 1), color) << x;
    }
    for (int y = r.y; y < r.Bottom(); ++y) {
        ASSERT_EQ(p.At(r.x, y), color) << y;
        ASSERT_EQ(p.At(r.Right() - 1, y), color) << y;
    }
}

} // namespace

TEST(DrawQuorbit, NothingLoadedDrawsNothingButTheDebugPanel) {
    DrawQuorbit draw(W, H);
    EXPECT_TRUE(Draw(draw, W, H, 1000).Empty());
    draw.debug(true);
    const Pixels panel = Draw(draw, W, H, 1000);
    ASSERT_FALSE(panel.Empty());
    const Rect bounds = panel.Bounds();
    EXPECT_EQ(bounds.x, 0);
    EXPECT_EQ(bounds.y, 0);
    EXPECT_LT(bounds.width, W);
    EXPECT_LT(bounds.height, H / 2);
    // A translucent dark box.
    EXPECT_GT(panel.Alpha(1, 1), 0);
    EXPECT_LT(panel.Alpha(1, 1), 255);
    EXPECT_EQ(panel.At(1, 1) & 0x00FFFFFF, 0u);
    draw.debug(false);
    EXPECT_TRUE(Draw(draw, W, H, 1000).Empty());
}

TEST(DrawQuorbit, CueShownFromStartUpToEnd) {
    TempDir dir;
    auto draw = Loaded(dir, "1 2 " + kSolid + " | cue\n");
    EXPECT_FALSE(Shown(*draw, 999));
    EXPECT_TRUE(Shown(*draw, 1000));
    EXPECT_TRUE(Shown(*draw, 1999));
    EXPECT_FALSE(Shown(*draw, 2000));
    EXPECT_FALSE(Shown(*draw, -1000));
}

TEST(DrawQuorbit, DelayShiftsTheScriptLater) {
    TempDir dir;
    auto draw = Loaded(dir, "1 2 " + kSolid + " | cue\n");
    draw->timeUserFix(60); // one second
    EXPECT_FALSE(Shown(*draw, 1999));
    EXPECT_TRUE(Shown(*draw, 2000));
    EXPECT_TRUE(Shown(*draw, 2999));
    EXPECT_FALSE(Shown(*draw, 3000));
    draw->timeUserFix(1); // 16.67 ms, rounded to 17
    EXPECT_FALSE(Shown(*draw, 1016));
    EXPECT_TRUE(Shown(*draw, 1017));
    EXPECT_TRUE(Shown(*draw, 2016));
    EXPECT_FALSE(Shown(*draw, 2017));
}

TEST(DrawQuorbit, NegativeDelayShowsTheScriptEarlier) {
    TempDir dir;
    auto draw = Loaded(dir, "1 2 " + kSolid + " | cue\n");
    draw->timeUserFix(-30); // half a second
    EXPECT_FALSE(Shown(*draw, 499));
    EXPECT_TRUE(Shown(*draw, 500));
    EXPECT_TRUE(Shown(*draw, 1499));
    EXPECT_FALSE(Shown(*draw, 1500));
    draw->timeUserFix(-1);
    EXPECT_FALSE(Shown(*draw, 982));
    EXPECT_TRUE(Shown(*draw, 983));
}

TEST(DrawQuorbit, BoxAtEachOfTheNineAlignments) {
    TempDir dir;
    const char* names[3][3] = {{"top-left", "top", "top-right"},
                               {"left", "center", "right"},
                               {"bottom-left", "bottom", "bottom-right"}};
    const int mh = 25, mv = 15;
    Rect first;
    for (int v = 0; v < 3; ++v)
        for (int h = 0; h < 3; ++h) {
            SCOPED_TRACE(names[v][h]);
            auto draw =
                Loaded(dir, "0 10 " + kSolid + " margin=25,15 align=" + names[v][h] + " | Box\n");
            const Pixels p = Draw(*draw, W, H, 5000);
            const Rect box = p.Bounds();
            ASSERT_FALSE(box.Empty());
            if (first.Empty())
                first = box;
            // The same block everywhere.
            EXPECT_EQ(box.width, first.width);
            EXPECT_EQ(box.height, first.height);
            const int x = h == 0   ? mh
                          : h == 1 ? int(std::lround(W / 2.0 - box.width / 2.0))
                                   : W - mh - box.width;
            const int y = v == 0   ? mv
                          : v == 1 ? int(std::lround(H / 2.0 - box.height / 2.0))
                                   : H - mv - box.height;
            EXPECT_EQ(box.x, x);
            EXPECT_EQ(box.y, y);
            ExpectBorder(p, box, kGreen);
        }
    // The box pads the text: taller than the 30-pixel text, and wider than it is tall for
    // three letters.
    EXPECT_GT(first.height, 30);
    EXPECT_GT(first.width, first.height);
}

TEST(DrawQuorbit, ResolutionScalesXByWidthAndTheRestByHeight) {
    TempDir dir;
    // Script space 320x720 on a 640x360 frame: x doubles, everything else halves.
    auto scaled = Loaded(dir, "@resolution 320x720\n"
                              "0 1 outline=0 size=60 color=#FF00C000 box=#FF00C000 "
                              "align=top-left margin=10,20 | Box\n"
                              "1 2 outline=0 size=60 color=#FF00C000 box=#FF00C000 "
                              "align=top-left pos=100,200 | Box\n"
                              "2 3 outline=0 size=60 color=#FF00C000 box=#FF00C000 "
                              "align=bottom-right margin=10,20 | Box\n");
    auto plain = Loaded(dir, "0 1 " + kSolid + " align=top-left margin=0 | Box\n");
    const Rect reference = Draw(*plain, W, H, 500).Bounds(); // size 30 unscaled

    const Pixels margins = Draw(*scaled, W, H, 500);
    const Rect a = margins.Bounds();
    EXPECT_EQ(a.x, 20);
    EXPECT_EQ(a.y, 10);
    EXPECT_EQ(a.width, reference.width);
    EXPECT_EQ(a.height, reference.height);
    ExpectBorder(margins, a, kGreen);

    const Rect b = Draw(*scaled, W, H, 1500).Bounds();
    EXPECT_EQ(b.x, 200);
    EXPECT_EQ(b.y, 100);

    const Rect c = Draw(*scaled, W, H, 2500).Bounds();
    EXPECT_EQ(c.Right(), W - 20);
    EXPECT_EQ(c.Bottom(), H - 10);
}

TEST(DrawQuorbit, FrameSizeChangeLaysTheScriptOutAgain) {
    TempDir dir;
    auto draw = Loaded(dir, "0 10 " + kSolid + " | Box\n");
    const Rect big = Draw(*draw, W, H, 5000).Bounds();
    EXPECT_EQ(big.Bottom(), H - 40);
    draw->width(320);
    draw->height(-180); // a top-down frame counts by its height's magnitude
    const Rect small = Draw(*draw, 320, 180, 5000).Bounds();
    EXPECT_EQ(small.Bottom(), 180 - 40);
    EXPECT_EQ(small.x, int(std::lround(160 - small.width / 2.0)));
    EXPECT_EQ(small.width, big.width); // no @resolution: the same pixels
}

TEST(DrawQuorbit, HigherLayersOnTopAndFileOrderWithinALayer) {
    TempDir dir;
    const std::string red = "outline=0 size=30 color=#FFFF0000 box=#FFFF0000 align=top-left";
    const std::string blue = "outline=0 size=30 color=#FF0000FF box=#FF0000FF align=top-left";
    // The overlap is around (120, 120).
    auto layered = Loaded(dir, "0 1 layer=1 pos=100,100 " + red + " | AAAA\n" + "0 1 pos=110,110 " +
                                   blue + " | AAAA\n");
    EXPECT_EQ(Draw(*layered, W, H, 500).At(120, 120), 0xFFFF0000u);
    auto sameLayer = Loaded(dir, "0 1 pos=100,100 " + red + " | AAAA\n" + "0 1 pos=110,110 " +
                                     blue + " | AAAA\n");
    EXPECT_EQ(Draw(*sameLayer, W, H, 500).At(120, 120), 0xFF0000FFu);
    auto negative = Loaded(dir, "0 1 pos=100,100 " + red + " | AAAA\n" + "0 1 layer=-1 " +
                                    "pos=110,110 " + blue + " | AAAA\n");
    EXPECT_EQ(Draw(*negative, W, H, 500).At(120, 120), 0xFFFF0000u);
}

TEST(DrawQuorbit, FadeInAndOutScaleOpacity) {
    TempDir dir;
    auto draw = Loaded(dir, "0 4 fade=1000,1000 " + kSolid + " align=center | Box\n");
    const auto alphaAt = [&](int64_t t) { return int(Draw(*draw, W, H, t).Alpha(W / 2, H / 2)); };
    EXPECT_EQ(alphaAt(0), 0);
    EXPECT_NEAR(alphaAt(250), 64, 2);
    EXPECT_NEAR(alphaAt(500), 128, 2);
    EXPECT_EQ(alphaAt(1000), 255);
    EXPECT_EQ(alphaAt(2000), 255);
    EXPECT_NEAR(alphaAt(3500), 128, 2);
    EXPECT_NEAR(alphaAt(3750), 64, 2);
    // The colour itself is unchanged (but for rounding); only its opacity fades.
    const uint32_t half = Draw(*draw, W, H, 500).At(W / 2, H / 2);
    EXPECT_EQ(half & 0x00FF00FF, 0u);
    EXPECT_NEAR(int(half >> 8 & 0xFF), 0xC0, 1);
}

TEST(DrawQuorbit, MoveGoesLinearlyOverTheCue) {
    TempDir dir;
    auto draw = Loaded(dir, "0 10 move=0,0,200,100 align=top-left " + kSolid + " | Box\n");
    Rect r = Draw(*draw, W, H, 0).Bounds();
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 0);
    r = Draw(*draw, W, H, 5000).Bounds();
    EXPECT_EQ(r.x, 100);
    EXPECT_EQ(r.y, 50);
    r = Draw(*draw, W, H, 2500).Bounds();
    EXPECT_EQ(r.x, 50);
    EXPECT_EQ(r.y, 25);
    r = Draw(*draw, W, H, 9999).Bounds();
    EXPECT_EQ(r.x, 200);
    EXPECT_EQ(r.y, 100);
}

TEST(DrawQuorbit, ScrollEntersAtOneEdgeAndLeavesAtTheOther) {
    TempDir dir;
    auto left = Loaded(dir, "0 10 scroll=left align=center " + kSolid + " | Scrolling\n");
    EXPECT_TRUE(Draw(*left, W, H, 0).Empty());
    Rect r = Draw(*left, W, H, 500).Bounds();
    EXPECT_EQ(r.Right(), W); // entering at the right edge
    r = Draw(*left, W, H, 5000).Bounds();
    EXPECT_NEAR(r.x + r.width / 2.0, W / 2.0, 1.0);
    EXPECT_NEAR(r.y + r.height / 2.0, H / 2.0, 1.0); // the other axis keeps its alignment
    r = Draw(*left, W, H, 9500).Bounds();
    EXPECT_EQ(r.x, 0); // leaving at the left edge
    EXPECT_TRUE(Draw(*left, W, H, 9999).Empty());

    auto right = Loaded(dir, "0 10 scroll=right align=top " + kSolid + " | Scrolling\n");
    EXPECT_EQ(Draw(*right, W, H, 500).Bounds().x, 0);
    EXPECT_EQ(Draw(*right, W, H, 9500).Bounds().Right(), W);
    EXPECT_EQ(Draw(*right, W, H, 5000).Bounds().y, 40);

    auto up = Loaded(dir, "0 10 scroll=up align=left " + kSolid + " | Credits\\nroll\n");
    EXPECT_TRUE(Draw(*up, W, H, 0).Empty());
    r = Draw(*up, W, H, 5000).Bounds();
    EXPECT_NEAR(r.y + r.height / 2.0, H / 2.0, 1.0);
    EXPECT_EQ(r.x, 40);
    EXPECT_EQ(Draw(*up, W, H, 500).Bounds().Bottom(), H);
    EXPECT_TRUE(Draw(*up, W, H, 9999).Empty());

    auto down = Loaded(dir, "0 10 scroll=down " + kSolid + " | Falling\n");
    EXPECT_EQ(Draw(*down, W, H, 500).Bounds().y, 0);
    EXPECT_EQ(Draw(*down, W, H, 9500).Bounds().Bottom(), H);
}

TEST(DrawQuorbit, WrapBreaksAtTheFrameWidthLessTheMargins) {
    TempDir dir;
    const std::string longText = "one two three four five six seven eight nine ten eleven twelve";
    auto wrapped = Loaded(dir, "0 1 " + kSolid + " | " + longText + "\n");
    const Rect r = Draw(*wrapped, W, H, 500).Bounds();
    EXPECT_GE(r.x, 40);
    EXPECT_LE(r.Right(), W - 40);
    EXPECT_GT(r.height, 2 * 30); // at least two lines

    auto unwrapped = Loaded(dir, "0 1 wrap=off " + kSolid + " | " + longText + "\n");
    const Rect u = Draw(*unwrapped, W, H, 500).Bounds();
    EXPECT_EQ(u.x, 0); // wider than the frame, cut at both sides
    EXPECT_EQ(u.width, W);
    EXPECT_LT(u.height, r.height);
}

TEST(DrawQuorbit, OutlineAndShadowAreDrawnAroundTheText) {
    TempDir dir;
    auto plain = Loaded(dir, "0 1 outline=0 align=top-left pos=100,100 | Text\n");
    auto outlined = Loaded(dir, "0 1 outline=4 outline-color=#FFFF0000 align=top-left "
                                "pos=100,100 | Text\n");
    auto shadowed = Loaded(dir, "0 1 outline=0 shadow=10 shadow-color=#FF0000FF align=top-left "
                                "pos=100,100 | Text\n");
    const Rect a = Draw(*plain, W, H, 500).Bounds();
    const Pixels outline = Draw(*outlined, W, H, 500);
    const Rect b = outline.Bounds();
    EXPECT_NEAR(b.x, a.x - 4, 1);
    EXPECT_NEAR(b.Right(), a.Right() + 4, 1);
    // Some pixels are the outline's pure red.
    bool red = false;
    for (int y = b.y; y < b.Bottom() && !red; ++y)
        for (int x = b.x; x < b.Right() && !red; ++x)
            red = outline.At(x, y) == 0xFFFF0000u;
    EXPECT_TRUE(red);
    const Pixels shadow = Draw(*shadowed, W, H, 500);
    const Rect c = shadow.Bounds();
    EXPECT_EQ(c.x, a.x);
    EXPECT_EQ(c.y, a.y);
    EXPECT_NEAR(c.Right(), a.Right() + 10, 1);
    EXPECT_NEAR(c.Bottom(), a.Bottom() + 10, 1);
    EXPECT_EQ(shadow.At(c.Right() - 2, c.Bottom() - 2) & 0x00FFFFFF, 0x0000FFu);
}

TEST(DrawQuorbit, EmptyTextDrawsNothing) {
    TempDir dir;
    auto draw = Loaded(dir, "0 1 box=#FF000000 |\n0 1 box=#FF000000 |    \n");
    EXPECT_TRUE(Draw(*draw, W, H, 500).Empty());
}

TEST(DrawQuorbit, SubRipFilesDraw) {
    TempDir dir;
    DrawQuorbit draw(1, 1);
    draw.width(W);
    draw.height(H);
    draw.load_data(dir.Write("movie.srt", "1\n00:00:01,000 --> 00:00:02,000\n<i>Hello</i>\n"));
    EXPECT_FALSE(Draw(draw, W, H, 1500).Empty());
    EXPECT_TRUE(Draw(draw, W, H, 2000).Empty());
    const Rect r = Draw(draw, W, H, 1500).Bounds();
    // The default style laid out in a 1920x1080 space: at the bottom margin, scaled (the ink
    // of "Hello" ends above the line's descent; the outline reaches below).
    const double scale = H / 1080.0;
    EXPECT_LE(r.Bottom(), H - 40 * scale + 3);
    EXPECT_GE(r.Bottom(), H - 40 * scale - 15 * scale);
    EXPECT_NEAR(r.x + r.width / 2.0, W / 2.0, 2);
    // Text 48 pixels high at 1080 rows is a third of that at 360.
    EXPECT_LT(r.height, 48 * scale * 1.5);
    EXPECT_GT(r.height, 48 * scale * 0.5);
}

TEST(DrawQuorbit, ReloadReplacesTheScript) {
    TempDir dir;
    auto draw = Loaded(dir, "0 1 " + kSolid + " align=top | first\n");
    EXPECT_LT(Draw(*draw, W, H, 500).Bounds().y, H / 2);
    draw->load_data(dir.Write("second.txt", "0 1 " + kSolid + " align=bottom | second\n"));
    EXPECT_GT(Draw(*draw, W, H, 500).Bounds().y, H / 2);
}

TEST(DrawQuorbit, CachedSpritesDrawTheSameAsTheFirstFrame) {
    TempDir dir;
    auto draw = Loaded(dir, "0 10 | Two lines\\nof text\n0 10 align=top box=#80000000 | Sign\n");
    const Pixels first = Draw(*draw, W, H, 1000);
    ASSERT_FALSE(first.Empty());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Draw(*draw, W, H, 2000 + i).bgra, first.bgra);
}
