#include <gtest/gtest.h>

#include "drawlib/overlay_renderer.h"
#include "drawlib/script_loader.h"
#include "drawlib/sprite_cache.h"
#include "drawlib_test_support.h"

using dq::drawlib::Sprite;
using dq::drawlib::SpriteCache;

namespace {

// A sprite of w x h pixels (4 bytes each).
Sprite Of(int w, int h) {
    Sprite sprite;
    sprite.bitmap = dq::gfx::Bitmap::CreateArgb(w, h);
    return sprite;
}

} // namespace

TEST(SpriteCache, EvictsTheLeastRecentlyUsedOverBudget) {
    SpriteCache cache(3 * 400); // three 10x10 sprites
    for (uint32_t cue = 0; cue < 3; ++cue) {
        cache.BeginFrame();
        cache.Insert(cue, Of(10, 10));
        cache.Trim();
    }
    EXPECT_EQ(cache.Count(), 3u);
    cache.BeginFrame();
    ASSERT_NE(cache.Find(0), nullptr); // 0 is now the most recent; 1 the least
    cache.Trim();
    cache.BeginFrame();
    cache.Insert(3, Of(10, 10));
    cache.Trim();
    EXPECT_EQ(cache.Count(), 3u);
    EXPECT_EQ(cache.Bytes(), 1200u);
    EXPECT_EQ(cache.Find(1), nullptr);
    EXPECT_NE(cache.Find(0), nullptr);
    EXPECT_NE(cache.Find(2), nullptr);
    EXPECT_NE(cache.Find(3), nullptr);
}

TEST(SpriteCache, NeverEvictsWhatTheCurrentFrameUses) {
    SpriteCache cache(400);
    cache.BeginFrame();
    cache.Insert(0, Of(10, 10));
    cache.Insert(1, Of(10, 10));
    cache.Insert(2, Of(20, 20));
    cache.Trim(); // all three are on screen: over budget, but kept
    EXPECT_EQ(cache.Count(), 3u);
    EXPECT_EQ(cache.Bytes(), 400u + 400u + 1600u);
    cache.BeginFrame();
    ASSERT_NE(cache.Find(2), nullptr);
    cache.Trim(); // the next frame shows only cue 2
    EXPECT_EQ(cache.Count(), 1u);
    EXPECT_EQ(cache.Bytes(), 1600u);
}

TEST(SpriteCache, EmptySpritesAreRememberedAndReplacingCountsOnce) {
    SpriteCache cache(1000);
    cache.BeginFrame();
    cache.Insert(7, Sprite{}); // a cue that could not be drawn
    ASSERT_NE(cache.Find(7), nullptr);
    EXPECT_EQ(cache.Find(7)->bitmap, nullptr);
    cache.Insert(7, Of(5, 5));
    EXPECT_EQ(cache.Count(), 1u);
    EXPECT_EQ(cache.Bytes(), 100u);
    cache.Clear();
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_EQ(cache.Bytes(), 0u);
    EXPECT_EQ(cache.Find(7), nullptr);
}

TEST(OverlayRenderer, DrawsEvictedCuesAgainTheSame) {
    const auto script = dq::drawlib::LoadScriptBytes(
        "0 1 box=#80000000 | first\n1 2 align=top | second\n", "t.txt", 360);
    dq::drawlib::OverlayRenderer renderer(1); // a budget of one byte: only what is on screen
    const auto frame = dq::drawlib::FrameGeometry::For(640, 360, script.get());
    const auto draw = [&](int64_t t) {
        auto surface = dq::gfx::Bitmap::CreateArgb(640, 360);
        dq::gfx::Graphics g(*surface);
        renderer.Draw(g, *script, frame, t);
        return dqtest::Read(*surface).bgra;
    };
    const auto first = draw(500);
    EXPECT_EQ(renderer.Cache().Count(), 1u);
    draw(1500); // the first cue's sprite goes
    EXPECT_EQ(renderer.Cache().Count(), 1u);
    EXPECT_EQ(draw(500), first);
}

// Played forwards, a cue that has ended is never shown again: its sprite goes at once, however
// large the budget. One that has not begun yet (after a seek backwards) keeps its sprite.
TEST(OverlayRenderer, DropsTheSpritesOfCuesThatHaveEnded) {
    const auto script = dq::drawlib::LoadScriptBytes(
        "0 1 | first\n0.5 2 align=top | second\n1.5 3 align=top-left | third\n", "t.txt", 360);
    dq::drawlib::OverlayRenderer renderer;
    const auto frame = dq::drawlib::FrameGeometry::For(640, 360, script.get());
    auto surface = dq::gfx::Bitmap::CreateArgb(640, 360);
    const auto draw = [&](int64_t t) {
        surface->Clear();
        dq::gfx::Graphics g(*surface);
        renderer.Draw(g, *script, frame, t);
    };
    draw(700);
    EXPECT_EQ(renderer.Cache().Count(), 2u);
    draw(1000); // the first ends here
    EXPECT_EQ(renderer.Cache().Count(), 1u);
    draw(1600);
    EXPECT_EQ(renderer.Cache().Count(), 2u);
    const auto bytes = renderer.Cache().Bytes();
    draw(200); // back before the second and third begin: they stay, the first is drawn again
    EXPECT_EQ(renderer.Cache().Count(), 3u);
    EXPECT_GT(renderer.Cache().Bytes(), bytes);
    draw(2500); // first and second have ended
    EXPECT_EQ(renderer.Cache().Count(), 2u);
}
