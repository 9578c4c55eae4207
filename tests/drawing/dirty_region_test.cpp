// The dirty region's own rules, and surfaces whose pixels come back from the pool.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/drawing/argb_bitmap.h"
#include "platform/drawing/dirty_region.h"
#include "platform/drawing/pixel_pool.h"
#include "tests/drawing/bitmap_access.h"

namespace dq::gfx {
namespace {

using detail::DirtyRegion;

bool Overlap(const Rect& a, const Rect& b) {
    return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}

TEST(DirtyRegion, FarApartStaysApartNearAndOverlappingJoin) {
    DirtyRegion region;
    region.Add(Rect{100, 900, 800, 100}); // a subtitle
    region.Add(Rect{10, 10, 30, 40});     // a corner cue
    ASSERT_EQ(region.Rects().size(), 2u);
    EXPECT_EQ(region.Bounds(), (Rect{10, 10, 890, 990}));

    // Inside one: nothing changes.
    region.Add(Rect{20, 20, 5, 5});
    EXPECT_EQ(region.Rects().size(), 2u);
    // A gap narrower than the join distance: one rectangle.
    region.Add(Rect{40 + DirtyRegion::kJoinGap - 1, 10, 10, 10});
    ASSERT_EQ(region.Rects().size(), 2u);
    // One that touches both joins all three.
    region.Add(Rect{30, 45, 100, 860});
    ASSERT_EQ(region.Rects().size(), 1u);
    EXPECT_EQ(region.Rects()[0], (Rect{10, 10, 890, 990}));

    region.MirrorY(1000);
    EXPECT_EQ(region.Rects()[0], (Rect{10, 0, 890, 990}));
    region.Add(Rect{});
    EXPECT_EQ(region.Rects().size(), 1u);
    region.Clear();
    EXPECT_TRUE(region.Empty());
    EXPECT_TRUE(region.Bounds().Empty());
}

// Whatever is added, the rectangles stay few and disjoint and cover every pixel added.
TEST(DirtyRegion, StaysBoundedDisjointAndCoversEverythingAdded) {
    std::mt19937 rng(5);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 40; ++round) {
        const int w = 400, h = 300;
        std::vector<bool> added(size_t(w) * h, false);
        DirtyRegion region;
        const int count = pick(1, 120);
        for (int i = 0; i < count; ++i) {
            const int maxSide = round % 2 ? 8 : 60;
            const Rect r{pick(0, w - 1), pick(0, h - 1), pick(1, maxSide), pick(1, maxSide)};
            const Rect clipped{r.x, r.y, std::min(r.width, w - r.x), std::min(r.height, h - r.y)};
            region.Add(clipped);
            for (int y = clipped.y; y < clipped.Bottom(); ++y) {
                for (int x = clipped.x; x < clipped.Right(); ++x) {
                    added[size_t(y) * w + x] = true;
                }
            }
        }
        const auto rects = region.Rects();
        ASSERT_LE(rects.size(), size_t(DirtyRegion::kMaxRects));
        for (size_t a = 0; a < rects.size(); ++a) {
            ASSERT_FALSE(rects[a].Empty());
            for (size_t b = a + 1; b < rects.size(); ++b) {
                ASSERT_FALSE(Overlap(rects[a], rects[b])) << "round " << round;
            }
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (!added[size_t(y) * w + x]) {
                    continue;
                }
                bool covered = false;
                for (const Rect& r : rects) {
                    covered |= Overlap(r, Rect{x, y, 1, 1});
                }
                ASSERT_TRUE(covered) << x << "," << y << " round " << round;
            }
        }
    }
}

TEST(PixelPool, AFreedSurfaceIsTakenAgainAndComesBackTransparent) {
    uint8_t* first = nullptr;
    {
        detail::ArgbBitmap sprite(700, 500);
        Graphics g(sprite);
        g.FillRectangle(Color::FromArgb(0xFFFFFFFF), Rect{0, 0, 30, 10});
        g.FillRectangle(Color::FromArgb(0x80FF0000), Rect{600, 450, 100, 50});
        sprite.RotateFlip(RotateFlipType::RotateNoneFlipY);
        first = sprite.StoreUpright();
    }
    const size_t held = detail::PixelPool::HeldBytes();
    EXPECT_GE(held, size_t(700 * 500 * 4));
    // A slightly different shape of about the same size takes the same block, zeroed.
    detail::ArgbBitmap next(690, 505);
    EXPECT_EQ(next.StoreUpright(), first);
    EXPECT_LT(detail::PixelPool::HeldBytes(), held);
    EXPECT_EQ(testing::ReadArgb(next), std::vector<uint8_t>(690 * 505 * 4, 0));
    for (size_t i = 0; i < size_t(700 * 500 * 4); ++i) {
        ASSERT_EQ(first[i], 0) << i;
    }
    // A much smaller one does not take a block many times its size.
    detail::ArgbBitmap tiny(3, 3);
    EXPECT_NE(tiny.StoreUpright(), first);
}

} // namespace
} // namespace dq::gfx
