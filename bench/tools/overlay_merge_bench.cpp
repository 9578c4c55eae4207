// What dq-overlay adds to each 1080p frame of a decoded 4:2:0 video beside the decoder and the
// encoder: the conversion to RGB24 for the filter, keeping the decoded picture and a copy of that
// frame, and merging the filter's output back (nothing drawn; a two-line subtitle's band).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include "decoded_frames.h"
#include "overlay_merge.h"
#include "picture_converter.h"
#include "strip_workers.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

FrameFormat HdFormat() {
    FrameFormat f;
    f.width = kWidth;
    f.height = kHeight;
    f.pixelFormat = AV_PIX_FMT_YUV420P;
    return f;
}

AVFrame* Picture() {
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = kWidth;
    frame->height = kHeight;
    av_frame_get_buffer(frame, 0);
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < (p ? kHeight / 2 : kHeight); ++y)
            for (int x = 0; x < (p ? kWidth / 2 : kWidth); ++x)
                frame->data[p][y * frame->linesize[p] + x] = uint8_t(x + y * 3 + p * 40);
    return frame;
}

void ToRgb24(benchmark::State& state) {
    const FrameFormat f = HdFormat();
    StripWorkers workers(int(state.range(0)));
    const PictureConverter converter({kWidth, kHeight, AV_PIX_FMT_YUV420P, {}},
                                     {kWidth, kHeight, AV_PIX_FMT_BGR24, {}}, SWS_BICUBIC,
                                     PictureConverter::StripsFor(kHeight, workers.Threads()));
    AVFrame* frame = Picture();
    std::vector<uint8_t> rows(f.FrameBytes());
    uint8_t* dst[4] = {f.TopRow(rows.data()), nullptr, nullptr, nullptr};
    const int dstStride[4] = {f.DownStep(), 0, 0, 0};
    for (auto _ : state)
        converter.Convert(frame->data, frame->linesize, dst, dstStride, &workers);
    av_frame_free(&frame);
}
BENCHMARK(ToRgb24)->Arg(0)->Arg(1)->ArgName("helpers")->Unit(benchmark::kMillisecond);

void KeepAndTakeBack(benchmark::State& state) {
    const FrameFormat f = HdFormat();
    DecodedFrames store;
    AVFrame* frame = Picture();
    std::vector<uint8_t> rows(f.FrameBytes(), 7);
    int64_t start = 0;
    for (auto _ : state) {
        store.Keep(start, frame, rows.data(), rows.size());
        store.Recycle(store.Take(start++));
    }
    av_frame_free(&frame);
}
BENCHMARK(KeepAndTakeBack)->Unit(benchmark::kMillisecond);

// The filtered frame: as handed, or with a two-line subtitle's band (900x110 px) drawn.
void Compose(benchmark::State& state) {
    const FrameFormat f = HdFormat();
    StripWorkers workers(0);
    OverlayMerge merge(f, AV_PIX_FMT_YUV420P, {}, &workers);
    AVFrame* decoded = Picture();
    AVFrame* out = av_frame_alloc();
    std::vector<uint8_t> handed(f.FrameBytes(), 60);
    std::vector<uint8_t> filtered = handed;
    if (state.range(0) != 0)
        for (int y = 900; y < 1010; ++y)
            std::memset(f.TopRow(filtered.data()) + ptrdiff_t(y) * f.DownStep() + 510 * 3, 255,
                        900 * 3);
    for (auto _ : state)
        merge.Compose(decoded, f.TopRow(handed.data()), f.DownStep(), filtered.data(), out);
    av_frame_free(&out);
    av_frame_free(&decoded);
}
BENCHMARK(Compose)->Arg(0)->Arg(1)->ArgName("subtitle")->Unit(benchmark::kMillisecond);

} // namespace
