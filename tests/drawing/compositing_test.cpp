// Blending, flipping, clearing and locking, checked byte for byte against the plain model.
#include <gtest/gtest.h>

#include <random>

#include "platform/drawing/argb_bitmap.h"
#include "platform/drawing/blend_rows.h"
#include "platform/drawing/drawing.h"
#include "tests/drawing/bitmap_access.h"
#include "tests/drawing/reference_compositing.h"

namespace dq::gfx {
namespace {

using testing::ReadArgb;
using testing::RefImage;
using testing::WriteArgb;

struct Sprite {
    std::unique_ptr<Bitmap> bitmap;
    RefImage model;
};

Sprite RandomSprite(std::mt19937& rng, int maxW, int maxH) {
    const int w = std::uniform_int_distribution<int>(1, maxW)(rng);
    const int h = std::uniform_int_distribution<int>(1, maxH)(rng);
    const std::vector<uint8_t> straight = testing::RandomSpritePixels(w, h, rng);
    Sprite s{Bitmap::CreateArgb(w, h), RefImage::FromStraight(w, h, straight)};
    WriteArgb(*s.bitmap, straight);
    return s;
}

float RandomOpacity(std::mt19937& rng) {
    static const float choices[] = {1.0f, 1.0f, 0.5f, 0.0f, 1.0f / 255, 0.999f, 1.5f, -0.5f};
    if (std::uniform_int_distribution<int>(0, 3)(rng) == 0) {
        return std::uniform_real_distribution<float>(0, 1)(rng);
    }
    return choices[std::uniform_int_distribution<int>(0, 7)(rng)];
}

// A random part of bitmap, locked, against the same part of the model.
void ExpectLockOfPartMatches(Bitmap& bitmap, const RefImage& model, std::mt19937& rng) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int x = pick(0, model.width - 1), y = pick(0, model.height - 1);
    const Rect part{x, y, pick(1, model.width - x), pick(1, model.height - y)};
    const std::vector<uint8_t> straight = model.Straight();
    BitmapData data = bitmap.LockBits(part, ImageLockMode::ReadOnly, PixelFormat::Format32bppArgb);
    for (int row = 0; row < part.height; ++row) {
        const uint8_t* expected = &straight[(size_t(part.y + row) * model.width + part.x) * 4];
        ASSERT_TRUE(
            std::equal(expected, expected + part.width * 4, data.scan0 + size_t(row) * data.stride))
            << "row " << row << " of " << part.x << "," << part.y << " " << part.width << "x"
            << part.height;
    }
    bitmap.UnlockBits(data);
}

// Positions from well outside the top-left to well outside the bottom-right.
int RandomPosition(std::mt19937& rng, int spriteSide, int targetSide) {
    return std::uniform_int_distribution<int>(-spriteSide - 2, targetSide + 2)(rng);
}

TEST(Compositing, SpritesOntoPaddedRgb24FrameMatchTheModel) {
    std::mt19937 rng(7);
    const int w = 203, h = 117, stride = w * 3 + 7;
    std::vector<uint8_t> frame(size_t(stride) * h);
    for (auto& b : frame) {
        b = uint8_t(rng());
    }
    std::vector<uint8_t> expected = frame;
    auto target = Bitmap::FromMemory24(w, h, stride, frame.data());
    Graphics g(*target);
    for (int i = 0; i < 300; ++i) {
        Sprite s = RandomSprite(rng, 90, 50);
        const int x = RandomPosition(rng, s.model.width, w);
        const int y = RandomPosition(rng, s.model.height, h);
        const float opacity = RandomOpacity(rng);
        g.DrawImage(*s.bitmap, x, y, opacity);
        testing::RefBlendOntoRgb24(expected, w, h, stride, s.model, x, y, opacity);
        ASSERT_EQ(frame, expected)
            << "sprite " << i << " at " << x << "," << y << " opacity " << opacity;
    }
}

// Big sprites that overlap, and many small ones far apart (more than the dirty region keeps
// apart, so some are joined), through flips, partial locks and rows put back upright.
TEST(Compositing, SpritesOntoArgbMatchTheModelThroughFlipsAndLocks) {
    std::mt19937 rng(11);
    const int w = 150, h = 91;
    auto target = Bitmap::CreateArgb(w, h);
    auto& upright = dynamic_cast<detail::ArgbBitmap&>(*target);
    RefImage expected(w, h);
    Graphics g(*target);
    for (int i = 0; i < 400; ++i) {
        if (i == 200) {
            target->Clear();
            expected = RefImage(w, h);
        }
        Sprite s = i < 200 ? RandomSprite(rng, 70, 40) : RandomSprite(rng, 9, 6);
        if (rng() % 4 == 0) {
            s.bitmap->RotateFlip(RotateFlipType::RotateNoneFlipY);
            s.model.FlipY();
        }
        const int x = RandomPosition(rng, s.model.width, w);
        const int y = RandomPosition(rng, s.model.height, h);
        const float opacity = RandomOpacity(rng);
        g.DrawImage(*s.bitmap, x, y, opacity);
        testing::RefBlendOntoArgb(expected, s.model, x, y, opacity);
        if (rng() % 5 == 0) {
            target->RotateFlip(RotateFlipType::RotateNoneFlipY);
            expected.FlipY();
        }
        if (rng() % 7 == 0) {
            ASSERT_EQ(ReadArgb(*target), expected.Straight()) << "after sprite " << i;
        }
        if (rng() % 9 == 0) {
            ExpectLockOfPartMatches(*target, expected, rng);
        }
        if (rng() % 11 == 0) {
            // In memory, top row first, as a renderer draws into it.
            const uint8_t* rows = upright.StoreUpright();
            ASSERT_TRUE(std::equal(expected.px.begin(), expected.px.end(), rows))
                << "after sprite " << i;
        }
    }
    EXPECT_EQ(ReadArgb(*target), expected.Straight());
}

// The frame path: a reused scratch surface, sprites onto it, turned upside down, onto the frame.
TEST(Compositing, ScratchFlippedOntoFrameMatchesTheModelFrameAfterFrame) {
    std::mt19937 rng(23);
    ScratchSurface scratchSurface;
    for (int size = 0; size < 2; ++size) {
        const int w = size == 0 ? 320 : 97, h = size == 0 ? 180 : 61, stride = w * 3 + 1;
        std::vector<uint8_t> frame(size_t(stride) * h);
        for (auto& b : frame) {
            b = uint8_t(rng());
        }
        std::vector<uint8_t> expected = frame;
        auto frameBitmap = Bitmap::FromMemory24(w, h, stride, frame.data());
        for (int f = 0; f < 40; ++f) {
            Bitmap& scratch = scratchSurface.Acquire(w, h);
            ASSERT_TRUE(scratch.DirtyRect().Empty());
            RefImage model(w, h);
            Graphics sg(scratch);
            // A few large sprites, or many small ones in as many dirty rectangles (or more).
            const bool many = f % 2 == 1;
            const int sprites = std::uniform_int_distribution<int>(0, many ? 60 : 3)(rng);
            for (int i = 0; i < sprites; ++i) {
                Sprite s = many ? RandomSprite(rng, 12, 8) : RandomSprite(rng, 80, 40);
                const int x = RandomPosition(rng, s.model.width, w);
                const int y = RandomPosition(rng, s.model.height, h);
                const float opacity = RandomOpacity(rng);
                sg.DrawImage(*s.bitmap, x, y, opacity);
                testing::RefBlendOntoArgb(model, s.model, x, y, opacity);
            }
            scratch.RotateFlip(RotateFlipType::RotateNoneFlipY);
            model.FlipY();
            Graphics(*frameBitmap).DrawImage(scratch, 0, 0);
            testing::RefBlendOntoRgb24(expected, w, h, stride, model, 0, 0, 1.0f);
            ASSERT_EQ(frame, expected) << "frame " << f;
            if (f % 8 == 0) {
                ASSERT_EQ(ReadArgb(scratch), model.Straight()) << "frame " << f;
            }
            if (f % 5 == 0) {
                ExpectLockOfPartMatches(scratch, model, rng);
            }
        }
    }
}

// Every kernel variant the processor runs, not only the one picked, over rows of every length
// around the block size and every opacity class.
TEST(Compositing, EveryBlendRowVariantMatchesTheModel) {
    std::mt19937 rng(31);
    for (const detail::BlendRows& rows : detail::RunnableBlendRows()) {
        for (int n = 1; n <= 70; ++n) {
            const std::vector<uint8_t> straight = testing::RandomSpritePixels(n, 1, rng);
            const RefImage src = RefImage::FromStraight(n, 1, straight);
            for (float opacity : {1.0f, 0.5f, 1.0f / 255}) {
                const unsigned o = testing::OpacityByte(opacity);
                std::vector<uint8_t> rgb(size_t(n) * 3), argb(size_t(n) * 4), clear(argb.size());
                for (auto* v : {&rgb, &argb}) {
                    for (auto& b : *v) {
                        b = uint8_t(rng());
                    }
                }
                RefImage argbModel(n, 1);
                for (size_t i = 0; i < argb.size(); i += 4) {
                    argb[i + 3] = std::max({argb[i], argb[i + 1], argb[i + 2], argb[i + 3]});
                }
                argbModel.px = argb;
                std::vector<uint8_t> rgbModel = rgb;
                RefImage clearModel(n, 1);

                rows.toRgb24(rgb.data(), src.px.data(), n, o);
                rows.toArgb(argb.data(), src.px.data(), n, o);
                rows.ontoClearArgb(clear.data(), src.px.data(), n, o);
                testing::RefBlendOntoRgb24(rgbModel, n, 1, n * 3, src, 0, 0, opacity);
                testing::RefBlendOntoArgb(argbModel, src, 0, 0, opacity);
                testing::RefBlendOntoArgb(clearModel, src, 0, 0, opacity);
                ASSERT_EQ(rgb, rgbModel) << rows.name << " " << n << " " << opacity;
                ASSERT_EQ(argb, argbModel.px) << rows.name << " " << n << " " << opacity;
                ASSERT_EQ(clear, clearModel.px) << rows.name << " " << n << " " << opacity;
            }
        }
    }
}

TEST(Compositing, FillRectangleIsSourceOverOnBothFormats) {
    const Color halfRed = Color::FromArgb(0x80FF0000);
    const Color quarterCyan = Color::FromArgb(0x4000FFFF);

    const int w = 9, h = 5, stride = 32;
    std::vector<uint8_t> frame(size_t(stride) * h, 100);
    std::vector<uint8_t> expected = frame;
    auto rgb = Bitmap::FromMemory24(w, h, stride, frame.data());
    Graphics(*rgb).FillRectangle(halfRed, Rect{-3, 1, 6, 10});
    RefImage red(1, 1);
    red.px = {0, 0, uint8_t(testing::RoundDiv255(255 * 0x80)), 0x80};
    for (int y = 1; y < h; ++y) {
        for (int x = 0; x < 3; ++x) {
            testing::RefBlendOntoRgb24(expected, w, h, stride, red, x, y, 1.0f);
        }
    }
    EXPECT_EQ(frame, expected);
    EXPECT_EQ(rgb->DirtyRect(), (Rect{0, 1, 3, 4}));

    auto argb = Bitmap::CreateArgb(w, h);
    Graphics g(*argb);
    g.FillRectangle(halfRed, Rect{0, 0, 4, 4});
    g.FillRectangle(quarterCyan, Rect{2, 2, 100, 100});
    RefImage model(w, h);
    RefImage cyan(1, 1);
    cyan.px = {uint8_t(testing::RoundDiv255(255 * 0x40)), uint8_t(testing::RoundDiv255(255 * 0x40)),
               0, 0x40};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (x < 4 && y < 4) {
                testing::RefBlendOntoArgb(model, red, x, y, 1.0f);
            }
            if (x >= 2 && y >= 2) {
                testing::RefBlendOntoArgb(model, cyan, x, y, 1.0f);
            }
        }
    }
    EXPECT_EQ(ReadArgb(*argb), model.Straight());
    EXPECT_EQ(argb->DirtyRect(), (Rect{0, 0, w, h}));
}

} // namespace
} // namespace dq::gfx
