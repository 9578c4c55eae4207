// The pieces dq-overlay merges the overlay with: finding what changed in whole chroma blocks,
// addressing and copying blocks in a pixel format's planes, the decoded frames' hand-over from the
// reading thread to the writing one, and the strips shared out over threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include "changed_area.h"
#include "decoded_frames.h"
#include "picture_converter.h"
#include "pixel_layout.h"
#include "strip_workers.h"

namespace {

struct Picture {
    int width, height;
    std::vector<uint8_t> bgr;
    Picture(int w, int h) : width(w), height(h), bgr(size_t(w) * h * 3, 50) {}
    void Set(int x, int y, uint8_t value) { bgr[(size_t(y) * width + x) * 3 + 1] = value; }
};

ChangedArea Find(const Picture& a, const Picture& b, int blockW, int blockH) {
    return ChangedArea::Find(a.bgr.data(), b.bgr.data(), a.width * 3, a.width, a.height, blockW,
                             blockH);
}

} // namespace

TEST(ChangedArea, MarksWholeBlocksInRunsAndBandsAndNothingElse) {
    const Picture before(21, 12);
    EXPECT_TRUE(Find(before, before, 2, 2).Empty());

    Picture after = before;
    after.Set(3, 1, 99);  // block (1, 0)
    after.Set(4, 0, 99);  // block (2, 0): one run with the block before it
    after.Set(12, 1, 99); // block (6, 0): a second run in the same block row
    after.Set(20, 3, 99); // the last, half-wide block at the right edge, next block row
    after.Set(5, 10, 99); // a band of its own further down
    const ChangedArea area = Find(before, after, 2, 2);
    ASSERT_EQ(area.Bands().size(), 2u);
    const ChangedArea::Band& top = area.Bands()[0];
    ASSERT_EQ(top.runs.size(), 3u);
    EXPECT_EQ(top.runs[0].x, 2);
    EXPECT_EQ(top.runs[0].width, 4);
    EXPECT_EQ(top.runs[1].x, 12);
    EXPECT_EQ(top.runs[1].width, 2);
    EXPECT_EQ(top.runs[2].x, 20);
    EXPECT_EQ(top.runs[2].y, 2);
    EXPECT_EQ(top.runs[2].width, 1); // clipped at the picture's edge
    EXPECT_EQ(top.x, 2);
    EXPECT_EQ(top.y, 0);
    EXPECT_EQ(top.width, 19);
    EXPECT_EQ(top.height, 4);
    const ChangedArea::Band& low = area.Bands()[1];
    ASSERT_EQ(low.runs.size(), 1u);
    EXPECT_EQ(low.x, 4);
    EXPECT_EQ(low.y, 10);
    EXPECT_EQ(low.width, 2);
    EXPECT_EQ(area.Pixels(), 2 * (4 + 2 + 1 + 2));

    // Without subsampling a block is one pixel.
    const ChangedArea fine = Find(before, after, 1, 1);
    EXPECT_EQ(fine.Pixels(), 5);
}

TEST(ChangedArea, ReadsBottomUpPicturesThroughANegativeStep) {
    Picture before(8, 4), after(8, 4);
    after.Set(6, 0, 1); // stored row 0 is the picture's bottom row
    const ChangedArea area =
        ChangedArea::Find(before.bgr.data() + 3 * 24, after.bgr.data() + 3 * 24, -24, 8, 4, 2, 2);
    ASSERT_EQ(area.Bands().size(), 1u);
    EXPECT_EQ(area.Bands()[0].y, 2);
    EXPECT_EQ(area.Bands()[0].x, 6);
}

TEST(PixelLayout, AddressesPlanarAndSemiPlanarFormatsAndRefusesMixedPlanes) {
    EXPECT_TRUE(PixelLayout(AV_PIX_FMT_YUV420P).Addressable());
    EXPECT_TRUE(PixelLayout(AV_PIX_FMT_NV12).Addressable());
    EXPECT_TRUE(PixelLayout(AV_PIX_FMT_BGR24).Addressable());
    EXPECT_FALSE(PixelLayout(AV_PIX_FMT_YUYV422).Addressable()); // luma and chroma in one plane
    EXPECT_FALSE(PixelLayout(AV_PIX_FMT_PAL8).Addressable());
    EXPECT_FALSE(PixelLayout(AV_PIX_FMT_MONOWHITE).Addressable());
    const PixelLayout nv12(AV_PIX_FMT_NV12);
    EXPECT_EQ(nv12.BlockWidth(), 2);
    EXPECT_EQ(nv12.BlockHeight(), 2);
    uint8_t luma[64], chroma[64];
    uint8_t* data[4] = {luma, chroma, nullptr, nullptr};
    const int linesize[4] = {16, 16, 0, 0};
    uint8_t* at[4];
    nv12.At(data, linesize, 6, 2, at);
    EXPECT_EQ(at[0], luma + 2 * 16 + 6);
    EXPECT_EQ(at[1], chroma + 1 * 16 + 3 * 2); // U and V side by side: two bytes a sample
}

TEST(PixelLayout, CopiesABlockRectangleOf10BitSamplesAndNothingAroundIt) {
    const PixelLayout layout(AV_PIX_FMT_YUV420P10LE);
    auto make = [](uint16_t fill) {
        AVFrame* f = av_frame_alloc();
        f->format = AV_PIX_FMT_YUV420P10LE;
        f->width = 9; // odd: the last chroma sample covers one luma column
        f->height = 6;
        EXPECT_EQ(av_frame_get_buffer(f, 0), 0);
        for (int p = 0; p < 3; ++p)
            for (int y = 0; y < (p ? 3 : 6); ++y)
                for (int x = 0; x < (p ? 5 : 9); ++x)
                    reinterpret_cast<uint16_t*>(f->data[p] + y * f->linesize[p])[x] =
                        uint16_t(fill + p * 100 + y * 10 + x);
        return f;
    };
    AVFrame* from = make(1);
    AVFrame* to = make(500);
    layout.Copy(from->data, from->linesize, 6, 2, to->data, to->linesize, 6, 2, 3, 2);
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < (p ? 3 : 6); ++y)
            for (int x = 0; x < (p ? 5 : 9); ++x) {
                const bool inside = p ? (x >= 3 && y == 1) : (x >= 6 && y >= 2 && y < 4);
                const uint16_t got =
                    reinterpret_cast<uint16_t*>(to->data[p] + y * to->linesize[p])[x];
                EXPECT_EQ(got, uint16_t((inside ? 1 : 500) + p * 100 + y * 10 + x))
                    << "plane " << p << " at " << x << "," << y;
            }
    av_frame_free(&from);
    av_frame_free(&to);
}

TEST(DecodedFrames, HandsEachFrameBackByItsTimeAndDropsThoseThatNeverCameBack) {
    DecodedFrames store;
    AVFrame* picture = av_frame_alloc();
    picture->format = AV_PIX_FMT_GRAY8;
    picture->width = 4;
    picture->height = 2;
    ASSERT_EQ(av_frame_get_buffer(picture, 0), 0);
    for (int64_t start : {0, 10, 20, 30}) {
        const uint8_t rows[3] = {uint8_t(start), 1, 2};
        ASSERT_TRUE(store.Keep(start, picture, rows, sizeof rows));
    }
    av_frame_free(&picture); // the store holds its own references

    DecodedFrames::Kept first = store.Take(0);
    ASSERT_NE(first.frame, nullptr);
    EXPECT_EQ(first.frame->width, 4);
    EXPECT_EQ(first.handed, (std::vector<uint8_t>{0, 1, 2}));
    store.Recycle(std::move(first));
    EXPECT_EQ(store.Take(15).frame, nullptr); // no frame at 15; the one at 10 is gone with it
    EXPECT_EQ(store.Held(), 2u);
    DecodedFrames::Kept third = store.Take(20);
    ASSERT_NE(third.frame, nullptr);
    EXPECT_EQ(third.handed[0], 20);
    store.Recycle(std::move(third));
    EXPECT_EQ(store.Held(), 1u); // the last is freed with the store
}

TEST(DecodedFrames, CrossesFromAReadingThreadToAWritingOne) {
    DecodedFrames store;
    AVFrame* picture = av_frame_alloc();
    picture->format = AV_PIX_FMT_GRAY8;
    picture->width = 2;
    picture->height = 2;
    ASSERT_EQ(av_frame_get_buffer(picture, 0), 0);
    constexpr int kFrames = 300;
    std::atomic<int> kept{0};
    std::thread reader([&] {
        for (int i = 0; i < kFrames; ++i) {
            const uint8_t row[2] = {uint8_t(i), uint8_t(i >> 8)};
            store.Keep(i, picture, row, 2);
            kept = i + 1;
        }
    });
    int taken = 0;
    while (taken < kFrames) {
        if (kept.load() <= taken) {
            std::this_thread::yield();
            continue;
        }
        DecodedFrames::Kept k = store.Take(taken);
        ASSERT_NE(k.frame, nullptr);
        EXPECT_EQ(k.handed[0] | k.handed[1] << 8, taken);
        store.Recycle(std::move(k));
        ++taken;
    }
    reader.join();
    av_frame_free(&picture);
    EXPECT_EQ(store.Held(), 0u);
}

TEST(StripWorkers, EveryStripRunsOnceInEveryRoundWhateverTheThreads) {
    for (int helpers : {0, 1, 3}) {
        StripWorkers workers(helpers);
        EXPECT_EQ(workers.Threads(), helpers + 1);
        for (int round = 0; round < 50; ++round) {
            const int strips = 1 + round % 7;
            std::vector<std::atomic<int>> runs(static_cast<size_t>(strips));
            workers.Run(strips, [&](int i) { ++runs[size_t(i)]; });
            for (int i = 0; i < strips; ++i)
                ASSERT_EQ(runs[size_t(i)].load(), 1) << "helpers " << helpers << " strip " << i;
        }
    }
}

TEST(PictureConverter, StripsOnSeveralThreadsGiveThePictureOneConversionGives) {
    // Bottom-up destination rows without padding, as the tool's 1080p frames are.
    constexpr int kW = 200, kH = 600;
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = kW;
    frame->height = kH;
    ASSERT_EQ(av_frame_get_buffer(frame, 0), 0);
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < (p ? kH / 2 : kH); ++y)
            for (int x = 0; x < (p ? kW / 2 : kW); ++x)
                frame->data[p][y * frame->linesize[p] + x] =
                    uint8_t((x * 5 + y * 3 + p * 70) % 256);
    const PictureConverter::Side from = {kW, kH, AV_PIX_FMT_YUV420P, {}};
    const PictureConverter::Side to = {kW, kH, AV_PIX_FMT_BGR24, {}};
    // Rows top-down with room after each, then the same rows bottom-up and tight, in strips.
    std::vector<uint8_t> reference(size_t(kW * 3 + 64) * kH);
    {
        const PictureConverter converter(from, to, SWS_BICUBIC, 1);
        uint8_t* dst[4] = {reference.data(), nullptr, nullptr, nullptr};
        const int dstStride[4] = {kW * 3 + 64, 0, 0, 0};
        converter.Convert(frame->data, frame->linesize, dst, dstStride);
    }
    StripWorkers workers(2);
    for (int strips : {1, 3, 7}) {
        SCOPED_TRACE(testing::Message() << strips << " strips");
        const PictureConverter converter(from, to, SWS_BICUBIC, strips);
        ASSERT_TRUE(converter.Valid());
        for (int round = 0; round < 10; ++round) {
            std::vector<uint8_t> rows(size_t(kW) * 3 * kH + 1, 0xA5);
            uint8_t* dst[4] = {rows.data() + size_t(kH - 1) * kW * 3, nullptr, nullptr, nullptr};
            const int dstStride[4] = {-kW * 3, 0, 0, 0};
            converter.Convert(frame->data, frame->linesize, dst, dstStride, &workers);
            for (int y = 0; y < kH; ++y)
                ASSERT_EQ(std::memcmp(rows.data() + size_t(kH - 1 - y) * kW * 3,
                                      reference.data() + size_t(y) * (kW * 3 + 64), kW * 3),
                          0)
                    << "row " << y;
            EXPECT_EQ(rows.back(), 0xA5); // nothing stored past the frame
        }
    }
    EXPECT_EQ(PictureConverter::StripsFor(1080, 2), 2);
    EXPECT_EQ(PictureConverter::StripsFor(200, 4), 1);
    av_frame_free(&frame);
}
