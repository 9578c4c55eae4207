// The frame path's drawing costs: blending a cached subtitle sprite onto a frame, the whole
// per-frame sequence with nothing, a subtitle, and a subtitle with a small cue in the far corner,
// drawing a new block of text with and without outline, and a frame copy for scale.
#include <benchmark/benchmark.h>

#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/drawing/blend_rows.h"
#include "platform/drawing/drawing.h"

namespace dq::gfx {
namespace {

// text at 46 px with a 3 px outline (and a shadow that far away, 0 for none), drawn into a
// width x height sprite at top, its block's left edge at left, or centred across without one.
std::unique_ptr<Bitmap> OutlinedTextSprite(int width, int height, std::u16string text,
                                           std::optional<float> left, float top,
                                           float shadowOffset) {
    auto bitmap = Bitmap::CreateArgb(width, height);
    TextRun run;
    run.text = std::move(text);
    const TextLayout layout(Font("DejaVu Sans", 46), {run}, left ? 0 : float(width),
                            left ? TextAlign::Left : TextAlign::Center);
    TextStyle style;
    style.outlineWidth = 3;
    style.shadowOffset = shadowOffset;
    Graphics(*bitmap).DrawText(layout, left.value_or((width - layout.Width()) / 2), top, style);
    return bitmap;
}

// Two lines of outlined subtitle text, rendered once into a 1000 x 120 sprite.
Bitmap& SubtitleSprite() {
    static const std::unique_ptr<Bitmap> sprite = OutlinedTextSprite(
        1000, 120, u"The quick brown fox jumps over\nthe lazy dog, and back again", std::nullopt, 2,
        2);
    return *sprite;
}

struct Frame {
    int width, height, stride;
    std::vector<uint8_t> pixels;

    Frame(int w, int h) : width(w), height(h), stride(w * 3), pixels(size_t(stride) * h) {
        for (size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = uint8_t(i * 7 >> 5);
        }
    }
};

void BM_BlendSpriteOntoFrame(benchmark::State& state) {
    Bitmap& sprite = SubtitleSprite();
    Frame frame(1920, 1080);
    auto target =
        Bitmap::FromMemory24(frame.width, frame.height, frame.stride, frame.pixels.data());
    Graphics g(*target);
    const float opacity = float(state.range(0)) / 100;
    for (auto _ : state) {
        g.DrawImage(sprite, 460, 900, opacity);
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(state.range(0)) + "% opacity");
}
BENCHMARK(BM_BlendSpriteOntoFrame)->Arg(100)->Arg(50)->Unit(benchmark::kMicrosecond);

// The same rows through each kernel variant this processor runs.
void BM_BlendRowsToRgb24(benchmark::State& state) {
    const auto& variants = detail::RunnableBlendRows();
    if (size_t(state.range(0)) >= variants.size()) {
        state.SkipWithError("not run by this processor");
        return;
    }
    const detail::BlendRows& rows = variants[size_t(state.range(0))];
    Bitmap& sprite = SubtitleSprite();
    BitmapData data = sprite.LockBits(Rect{0, 0, 1000, 120}, ImageLockMode::ReadOnly,
                                      PixelFormat::Format32bppArgb);
    // Premultiplied rows, as the bitmap keeps them (straight and premultiplied differ only in
    // partly transparent pixels, which cost the same to blend).
    std::vector<uint8_t> src(data.scan0, data.scan0 + size_t(data.stride) * data.height);
    sprite.UnlockBits(data);
    Frame frame(1000, 120);
    for (auto _ : state) {
        for (int y = 0; y < 120; ++y) {
            rows.toRgb24(frame.pixels.data() + size_t(y) * frame.stride, &src[size_t(y) * 4000],
                         1000, 255);
        }
        benchmark::ClobberMemory();
    }
    state.SetLabel(rows.name);
}
BENCHMARK(BM_BlendRowsToRgb24)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// What the filter does per frame: wrap the sample, take the cleared scratch, let the drawing
// library composite its sprites, turn the scratch over, blend it onto the frame, lock the frame.
enum class Drawn { Nothing, Subtitle, SubtitleAndCorner };

// A one-character cue, as a corner sign or a counter would be.
Bitmap& CornerSprite() {
    static const std::unique_ptr<Bitmap> sprite = OutlinedTextSprite(60, 70, u"7", 8, 6, 0);
    return *sprite;
}

void FramePath(benchmark::State& state, Drawn drawn) {
    Bitmap& sprite = SubtitleSprite();
    Bitmap& corner = CornerSprite();
    const int w = int(state.range(0)), h = int(state.range(1));
    Frame frame(w, h);
    ScratchSurface scratchSurface;
    for (auto _ : state) {
        auto target = Bitmap::FromMemory24(w, h, frame.stride, frame.pixels.data());
        Bitmap& scratch = scratchSurface.Acquire(w, h);
        if (drawn != Drawn::Nothing) {
            Graphics(scratch).DrawImage(sprite, (w - 1000) / 2, h - 160);
        }
        if (drawn == Drawn::SubtitleAndCorner) {
            Graphics(scratch).DrawImage(corner, 30, 30);
        }
        scratch.RotateFlip(RotateFlipType::RotateNoneFlipY);
        Graphics(*target).DrawImage(scratch, 0, 0);
        BitmapData data = target->LockBits(Rect{0, 0, w, h}, ImageLockMode::ReadOnly,
                                           PixelFormat::Format24bppRgb);
        benchmark::DoNotOptimize(data.scan0);
        target->UnlockBits(data);
        benchmark::ClobberMemory();
    }
}

void BM_FramePathWithSubtitle(benchmark::State& state) {
    FramePath(state, Drawn::Subtitle);
}
BENCHMARK(BM_FramePathWithSubtitle)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);

void BM_FramePathSubtitleAndCornerCue(benchmark::State& state) {
    FramePath(state, Drawn::SubtitleAndCorner);
}
BENCHMARK(BM_FramePathSubtitleAndCornerCue)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);

void BM_FramePathNothingDrawn(benchmark::State& state) {
    FramePath(state, Drawn::Nothing);
}
BENCHMARK(BM_FramePathNothingDrawn)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);

// A new two-line sprite whose text changes every time (a time code), as a cue that shows for
// one frame costs: layout, a fresh bitmap, the text with the outline width given (0 or 3 px).
void BM_NewTextSprite(benchmark::State& state) {
    const float outline = float(state.range(0));
    int n = 0;
    for (auto _ : state) {
        ++n;
        TextRun run;
        const std::string code = "00:01:" + std::to_string(10 + n % 50) + "." +
                                 std::to_string(100 + n % 900) + " frame " + std::to_string(n);
        run.text.assign(code.begin(), code.end());
        run.text += u"\nThe quick brown fox jumps";
        const TextLayout layout(Font("DejaVu Sans", 48), {run}, 0, TextAlign::Center);
        auto bitmap = Bitmap::CreateArgb(int(layout.Width()) + 30, int(layout.Height()) + 30);
        TextStyle style;
        style.outlineWidth = outline;
        Graphics(*bitmap).DrawText(layout, 15, 15, style);
        benchmark::DoNotOptimize(bitmap.get());
    }
    state.SetLabel(outline > 0 ? "outline 3 px" : "no outline");
}
BENCHMARK(BM_NewTextSprite)->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond);

// For scale: copying one 1920 x 1080 RGB24 frame.
void BM_CopyFrame(benchmark::State& state) {
    Frame from(1920, 1080), to(1920, 1080);
    for (auto _ : state) {
        std::memcpy(to.pixels.data(), from.pixels.data(), from.pixels.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace dq::gfx
