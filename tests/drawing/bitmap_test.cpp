// Bitmaps: memory ownership, locking, dirty rectangles, the scratch surface, bad arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/drawing/drawing.h"
#include "tests/drawing/bitmap_access.h"

namespace dq::gfx {
namespace {

using testing::ReadArgb;
using testing::WriteArgb;

constexpr Rect kAll{0, 0, 4, 3};

TEST(MemoryBitmap24, LockHandsOutTheCallersMemory) {
    std::vector<uint8_t> pixels(20 * 3, 7);
    auto bitmap = Bitmap::FromMemory24(4, 3, 20, pixels.data());
    EXPECT_EQ(bitmap->Format(), PixelFormat::Format24bppRgb);

    BitmapData data = bitmap->LockBits(kAll, ImageLockMode::ReadOnly, PixelFormat::Format24bppRgb);
    EXPECT_EQ(data.scan0, pixels.data());
    EXPECT_EQ(data.stride, 20);
    EXPECT_EQ(data.width, 4);
    EXPECT_EQ(data.height, 3);
    EXPECT_THROW(bitmap->LockBits(kAll, ImageLockMode::ReadOnly, PixelFormat::Format24bppRgb),
                 DrawingError);
    bitmap->UnlockBits(data);
    EXPECT_EQ(data.scan0, nullptr);

    data =
        bitmap->LockBits(Rect{1, 2, 3, 1}, ImageLockMode::ReadWrite, PixelFormat::Format24bppRgb);
    EXPECT_EQ(data.scan0, pixels.data() + 2 * 20 + 3);
    BitmapData stranger = data;
    stranger.scan0 = pixels.data();
    EXPECT_THROW(bitmap->UnlockBits(stranger), DrawingError);
    bitmap->UnlockBits(data);
}

TEST(MemoryBitmap24, RejectsWhatItCannotDo) {
    std::vector<uint8_t> pixels(64);
    EXPECT_THROW(Bitmap::FromMemory24(4, 3, 11, pixels.data()), DrawingError);
    EXPECT_THROW(Bitmap::FromMemory24(0, 3, 12, pixels.data()), DrawingError);
    EXPECT_THROW(Bitmap::FromMemory24(4, -1, 12, pixels.data()), DrawingError);
    EXPECT_THROW(Bitmap::FromMemory24(4, 3, 12, nullptr), DrawingError);

    auto bitmap = Bitmap::FromMemory24(4, 3, 12, pixels.data());
    EXPECT_THROW(bitmap->Clear(), DrawingError);
    EXPECT_THROW(bitmap->LockBits(kAll, ImageLockMode::ReadOnly, PixelFormat::Format32bppArgb),
                 DrawingError);
    for (Rect r : {Rect{0, 0, 5, 3}, Rect{-1, 0, 2, 2}, Rect{0, 2, 4, 2}, Rect{0, 0, 0, 3}}) {
        EXPECT_THROW(bitmap->LockBits(r, ImageLockMode::ReadOnly, PixelFormat::Format24bppRgb),
                     DrawingError);
    }
    BitmapData none;
    EXPECT_THROW(bitmap->UnlockBits(none), DrawingError);

    auto argb = Bitmap::CreateArgb(2, 2);
    Graphics g(*bitmap);
    EXPECT_THROW(Graphics(*argb).DrawImage(*bitmap, 0, 0), DrawingError);
    EXPECT_THROW(g.DrawImage(*argb, 0, 0, NAN), DrawingError);
}

TEST(MemoryBitmap24, FlipSwapsRowsAndLeavesPaddingAlone) {
    // Three rows of two pixels, stride 8: two padding bytes per row.
    std::vector<uint8_t> pixels = {1,  2,  3,  4,  5,  6,  90, 91, 11, 12, 13, 14,
                                   15, 16, 92, 93, 21, 22, 23, 24, 25, 26, 94, 95};
    auto bitmap = Bitmap::FromMemory24(2, 3, 8, pixels.data());
    bitmap->RotateFlip(RotateFlipType::RotateNoneFlipY);
    EXPECT_EQ(pixels, (std::vector<uint8_t>{21, 22, 23, 24, 25, 26, 90, 91, 11, 12, 13, 14,
                                            15, 16, 92, 93, 1,  2,  3,  4,  5,  6,  94, 95}));
}

TEST(ArgbBitmap, StartsTransparentAndRejectsBadSizes) {
    auto bitmap = Bitmap::CreateArgb(5, 4);
    EXPECT_EQ(bitmap->Format(), PixelFormat::Format32bppArgb);
    EXPECT_TRUE(bitmap->DirtyRect().Empty());
    EXPECT_EQ(ReadArgb(*bitmap), std::vector<uint8_t>(5 * 4 * 4, 0));
    EXPECT_THROW(Bitmap::CreateArgb(0, 4), DrawingError);
    EXPECT_THROW(Bitmap::CreateArgb(4, -4), DrawingError);
    EXPECT_THROW(Bitmap::CreateArgb(40000, 1), DrawingError);
    EXPECT_THROW(
        bitmap->LockBits(Rect{0, 0, 5, 4}, ImageLockMode::ReadOnly, PixelFormat::Format24bppRgb),
        DrawingError);
}

TEST(ArgbBitmap, LockGivesStraightAlpha) {
    auto bitmap = Bitmap::CreateArgb(3, 2);
    Graphics(*bitmap).FillRectangle(Color::FromArgb(0x80FF0000), Rect{1, 0, 1, 1});
    Graphics(*bitmap).FillRectangle(Color::FromArgb(0xFF204060), Rect{2, 1, 1, 1});
    const std::vector<uint8_t> px = ReadArgb(*bitmap);
    const std::vector<uint8_t> expected = {0, 0, 0, 0, 0, 0, 255, 128, 0,    0,    0,    0,
                                           0, 0, 0, 0, 0, 0, 0,   0,   0x60, 0x40, 0x20, 255};
    EXPECT_EQ(px, expected);
}

TEST(ArgbBitmap, WrittenPixelsReadBackAndSetTheDirtyArea) {
    auto bitmap = Bitmap::CreateArgb(6, 5);
    std::vector<uint8_t> px(6 * 5 * 4, 0);
    auto at = [&](int x, int y) { return &px[(y * 6 + x) * 4]; };
    // Transparent pixels carry colour bytes that must not survive.
    at(0, 0)[0] = 200;
    at(4, 3)[0] = 10, at(4, 3)[1] = 20, at(4, 3)[2] = 30, at(4, 3)[3] = 255;
    at(2, 1)[0] = 50, at(2, 1)[1] = 150, at(2, 1)[2] = 250, at(2, 1)[3] = 255;
    WriteArgb(*bitmap, px);
    EXPECT_EQ(bitmap->DirtyRect(), (Rect{2, 1, 3, 3}));
    at(0, 0)[0] = 0;
    EXPECT_EQ(ReadArgb(*bitmap), px);

    // Partly transparent values come back as premultiplied storage rounds them.
    const uint8_t straight[4] = {100, 200, 255, 51};
    std::vector<uint8_t> one(4);
    std::copy(straight, straight + 4, one.begin());
    auto small = Bitmap::CreateArgb(1, 1);
    WriteArgb(*small, one);
    const std::vector<uint8_t> back = ReadArgb(*small);
    EXPECT_EQ(back[3], 51);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(back[c], straight[c], 255.0 / 51 / 2 + 0.5);
    }
    // And reading, then writing the same values back, changes nothing.
    WriteArgb(*small, back);
    EXPECT_EQ(ReadArgb(*small), back);
}

TEST(ArgbBitmap, DirtyRectangleFollowsDrawingFlipsAndClears) {
    auto bitmap = Bitmap::CreateArgb(10, 8);
    Graphics g(*bitmap);
    g.FillRectangle(Color::FromArgb(0xFF112233), Rect{-2, 1, 4, 2});
    EXPECT_EQ(bitmap->DirtyRect(), (Rect{0, 1, 2, 2}));
    g.FillRectangle(Color::FromArgb(0x00112233), Rect{0, 0, 10, 8});
    EXPECT_EQ(bitmap->DirtyRect(), (Rect{0, 1, 2, 2}));
    g.FillRectangle(Color::FromArgb(0xFF445566), Rect{7, 4, 1, 1});
    EXPECT_EQ(bitmap->DirtyRect(), (Rect{0, 1, 8, 4}));
    const std::vector<uint8_t> before = ReadArgb(*bitmap);

    bitmap->RotateFlip(RotateFlipType::RotateNoneFlipY);
    EXPECT_EQ(bitmap->DirtyRect(), (Rect{0, 3, 8, 4}));
    const std::vector<uint8_t> flipped = ReadArgb(*bitmap);
    for (int y = 0; y < 8; ++y) {
        EXPECT_TRUE(std::equal(&flipped[y * 40], &flipped[y * 40 + 40], &before[(7 - y) * 40]));
    }
    EXPECT_THROW(bitmap->RotateFlip(static_cast<RotateFlipType>(4)), DrawingError);

    // Nothing drawn at zero opacity.
    auto source = Bitmap::CreateArgb(2, 2);
    Graphics(*source).FillRectangle(Color::FromArgb(0xFFFFFFFF), Rect{0, 0, 2, 2});
    auto blank = Bitmap::CreateArgb(4, 4);
    Graphics(*blank).DrawImage(*source, 1, 1, 0.0f);
    EXPECT_TRUE(blank->DirtyRect().Empty());
    Graphics(*blank).DrawImage(*source, 3, -1, 0.25f);
    EXPECT_EQ(blank->DirtyRect(), (Rect{3, 0, 1, 1}));
    EXPECT_THROW(Graphics(*blank).DrawImage(*blank, 0, 0), DrawingError);

    bitmap->Clear();
    EXPECT_TRUE(bitmap->DirtyRect().Empty());
    EXPECT_EQ(ReadArgb(*bitmap), std::vector<uint8_t>(10 * 8 * 4, 0));
}

TEST(ArgbBitmap, LockOfPartOfTheBitmapIsZeroOutsideTheDirtyArea) {
    auto bitmap = Bitmap::CreateArgb(8, 8);
    Graphics g(*bitmap);
    g.FillRectangle(Color::FromArgb(0xFFFFFFFF), Rect{0, 0, 8, 8});
    std::vector<uint8_t> all = ReadArgb(*bitmap); // fills the lock buffer with white
    bitmap->Clear();
    g.FillRectangle(Color::FromArgb(0xFF0000FF), Rect{4, 5, 1, 1});
    BitmapData data =
        bitmap->LockBits(Rect{3, 4, 3, 3}, ImageLockMode::ReadOnly, PixelFormat::Format32bppArgb);
    ASSERT_EQ(data.stride, 12);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            const uint8_t* p = data.scan0 + y * 12 + x * 4;
            const bool blue = x == 1 && y == 1;
            EXPECT_EQ(p[0], blue ? 255 : 0);
            EXPECT_EQ(p[3], blue ? 255 : 0);
            EXPECT_EQ(p[1] | p[2], 0);
        }
    }
    EXPECT_THROW(
        bitmap->LockBits(Rect{0, 0, 1, 1}, ImageLockMode::ReadOnly, PixelFormat::Format32bppArgb),
        DrawingError);
    bitmap->UnlockBits(data);
}

TEST(ScratchSurface, KeepsOneBitmapPerSizeAndHandsItOutCleared) {
    ScratchSurface scratch;
    Bitmap& first = scratch.Acquire(16, 9);
    Graphics(first).FillRectangle(Color::FromArgb(0xFFFFFFFF), Rect{3, 3, 5, 2});
    Bitmap& again = scratch.Acquire(16, 9);
    EXPECT_EQ(&again, &first);
    EXPECT_TRUE(again.DirtyRect().Empty());
    EXPECT_EQ(ReadArgb(again), std::vector<uint8_t>(16 * 9 * 4, 0));

    Graphics(again).FillRectangle(Color::FromArgb(0xFFFFFFFF), Rect{0, 0, 1, 1});
    Bitmap& other = scratch.Acquire(8, 20);
    EXPECT_EQ(other.Width(), 8);
    EXPECT_EQ(other.Height(), 20);
    EXPECT_EQ(ReadArgb(other), std::vector<uint8_t>(8 * 20 * 4, 0));
    EXPECT_THROW(scratch.Acquire(0, 5), DrawingError);
}

} // namespace
} // namespace dq::gfx
