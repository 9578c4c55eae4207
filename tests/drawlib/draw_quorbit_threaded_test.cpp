#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "drawlib_test_support.h"

using dqtest::Draw;
using dqtest::TempDir;

TEST(DrawQuorbitThreaded, SettersRaceDrawENT) {
    TempDir dir;
    DrawQuorbit draw(320, 180);
    draw.load_data(dir.Write("a.txt", "0 100 box=#FF00C000 | first\n"
                                      "0 100 align=top scroll=left fade=100,100 | second\n"));
    std::atomic<bool> stop{false};
    std::thread setter([&] {
        for (int i = 0; !stop.load(); ++i) {
            draw.width(i % 2 ? 320 : 160);
            draw.height(i % 3 ? 180 : 90);
            draw.timeUserFix(i % 7 - 3);
            draw.debug(i % 5 == 0);
        }
    });
    for (int frame = 0; frame < 120; ++frame)
        Draw(draw, 320, 180, frame * 40);
    stop = true;
    setter.join();

    // Whatever the race, the settings that stand are the ones drawn with.
    draw.width(320);
    draw.height(180);
    draw.timeUserFix(0);
    draw.debug(false);
    const auto settled = Draw(draw, 320, 180, 50'000);
    EXPECT_EQ(settled.Bounds().Bottom(), 180 - 40);
}

TEST(DrawQuorbitThreaded, LoadsRaceDrawENT) {
    TempDir dir;
    const auto top = dir.Write("top.txt", "0 100 align=top box=#FF00C000 | top\n");
    const auto bottom = dir.Write("bottom.txt", "0 100 align=bottom box=#FF00C000 | bottom\n");
    const auto broken = dir.Write("broken.txt", "0 100 | fine\n0 1 colour=#FFF | bad\n");
    DrawQuorbit draw(320, 180);
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::thread loader([&] {
        for (int i = 0; !stop.load(); ++i) {
            try {
                draw.load_data(i % 3 == 0 ? top : i % 3 == 1 ? bottom : broken);
            } catch (const ScriptError&) {
                ++failures;
            }
        }
    });
    // Frames go on until the loader has been through every script a few times (a load may
    // wait for a freshly written file to settle), and at least 120 of them.
    for (int frame = 0; frame < 120 || failures.load() < 3; ++frame) {
        const auto pixels = Draw(draw, 320, 180, 1000 + frame % 1000);
        // One whole script or the other, never a mixture or a broken one.
        const auto bounds = pixels.Bounds();
        if (!bounds.Empty()) {
            EXPECT_TRUE(bounds.y == 40 || bounds.Bottom() == 180 - 40) << bounds.y;
        }
    }
    stop = true;
    loader.join();
    EXPECT_GT(failures.load(), 0);
    draw.load_data(top);
    EXPECT_EQ(Draw(draw, 320, 180, 1000).Bounds().y, 40);
}
