// Text laid out and drawn on several threads at once comes out as it does on one.
#include <gtest/gtest.h>

#include <thread>

#include "platform/drawing/drawing.h"
#include "tests/drawing/bitmap_access.h"

namespace dq::gfx {
namespace {

std::vector<uint8_t> Render(int variant) {
    static const char* const families[] = {"DejaVu Sans", "DejaVu Serif", "monospace",
                                           "No Such Family, sans-serif"};
    const Font font(families[variant % 4], 14.0f + float(variant % 5) * 3, variant % 3);
    TextRun run;
    run.text = u"Thread text, wrapped\nover lines " + std::u16string(1, char16_t(u'A' + variant));
    run.italic = variant % 2;
    const TextLayout layout(font, {run}, 120, TextAlign(variant % 3));
    auto bitmap = Bitmap::CreateArgb(160, 120);
    TextStyle style;
    style.outlineWidth = float(variant % 3);
    style.shadowOffset = float(variant % 4);
    Graphics g(*bitmap);
    g.DrawText(layout, 4, 4, style);
    g.DrawString(u"and a string", font, Colors::Red, RectF{0, 80, 160, 40});
    return testing::ReadArgb(*bitmap);
}

TEST(TextThreads, ConcurrentLayoutAndDrawingMatchSingleThreaded) {
    constexpr int kVariants = 12;
    std::vector<std::vector<uint8_t>> expected;
    for (int v = 0; v < kVariants; ++v) {
        expected.push_back(Render(v));
    }
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 30; ++i) {
                const int v = (i * 5 + t) % kVariants;
                mismatches[t] += Render(v) != expected[v] ? 1 : 0;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

} // namespace
} // namespace dq::gfx
