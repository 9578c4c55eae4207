#include <gtest/gtest.h>

#include "drawlib/debug_panel.h"
#include "drawlib_test_support.h"

using dq::drawlib::DebugInfo;
using dq::drawlib::DebugPanel;

namespace {

dqtest::Pixels DrawPanel(DebugPanel& panel, const DebugInfo& info) {
    auto surface = dq::gfx::Bitmap::CreateArgb(640, 360);
    {
        dq::gfx::Graphics g(*surface);
        panel.Draw(g, info, 360);
    }
    return dqtest::Read(*surface);
}

} // namespace

TEST(DebugPanel, ShowsEveryField) {
    DebugPanel panel;
    DebugInfo info;
    info.timeMs = 3723040;
    info.delayFrames = -3;
    info.delayMs = -50;
    info.cuesLoaded = 1234;
    info.cuesActive = 2;
    info.skippedLines = 17;
    info.fileName = "demo.txt";
    info.previousDrawNs = 123456;
    DrawPanel(panel, info);
    EXPECT_EQ(panel.Text(), "time  3723040 ms  1:02:03.040\n"
                            "delay -3 f  -50 ms\n"
                            "cues  1234 loaded  2 active\n"
                            "skip  17 lines\n"
                            "file  demo.txt\n"
                            "draw  0.123 ms");
    info.fileName = "";
    info.timeMs = -1;
    DrawPanel(panel, info);
    EXPECT_NE(panel.Text().find("time  -1 ms  -0:00:00.001\n"), std::string_view::npos);
    EXPECT_NE(panel.Text().find("file  (none)\n"), std::string_view::npos);
}

TEST(DebugPanel, PixelsFollowTheText) {
    DebugPanel panel;
    DebugInfo info;
    info.fileName = "a.txt";
    info.timeMs = 1000;
    const auto first = DrawPanel(panel, info);
    EXPECT_EQ(DrawPanel(panel, info).bgra, first.bgra); // the same text, the same picture
    info.timeMs = 1001;
    const auto later = DrawPanel(panel, info);
    EXPECT_NE(later.bgra, first.bgra);
    info.fileName = "b.txt";
    EXPECT_NE(DrawPanel(panel, info).bgra, later.bgra);
    info.fileName = "a.txt";
    info.timeMs = 1000;
    EXPECT_EQ(DrawPanel(panel, info).bgra, first.bgra);
    // A long name is cut, and the panel keeps its size.
    const std::string longName(200, 'x');
    info.fileName = longName;
    EXPECT_EQ(DrawPanel(panel, info).Bounds(), first.Bounds());
}
