// How many frame buffers a run takes, and the refusal of frames the machine cannot hold.
#include <gtest/gtest.h>

#include "frame_buffers.h"
#include "tool_error.h"

namespace {

constexpr uint64_t kGB = 1'000'000'000;

} // namespace

TEST(FrameBuffers, HugeFramesGetFewerBuffersAndNeverFewerThanTwo) {
    const uint64_t plenty = 64 * kGB;
    EXPECT_EQ(FrameBuffers::CountFor(1920 * 1080 * 3, plenty), 6);
    EXPECT_EQ(FrameBuffers::CountFor(7680 * 4320 * 3, plenty), 6);  // 100 MB: 600 MB together
    EXPECT_EQ(FrameBuffers::CountFor(16384 * 7282 * 3, plenty), 2); // 358 MB
    EXPECT_EQ(FrameBuffers::CountFor(16384 * 16384 * 3, plenty), 2);
    // Little memory left: fewer buffers before a refusal.
    EXPECT_EQ(FrameBuffers::CountFor(100'000'000, 450'000'000), 3);
    EXPECT_EQ(FrameBuffers::CountFor(100'000'000, 100'000'000), 2);
}

TEST(FrameBuffers, FramesWhoseBuffersDoNotFitAreRefusedWithTheirSize) {
    EXPECT_NO_THROW(FrameBuffers::Check(16384, 7282, 16384 * 7282 * 3, 2 * kGB));
    try {
        FrameBuffers::Check(16384, 16384, 16384 * 16384 * 3, 2 * kGB);
        FAIL() << "no refusal";
    } catch (const ToolError& e) {
        EXPECT_EQ(e.ExitCode(), kExitUsage);
        EXPECT_STREQ(e.what(), "frames of 16384x16384 take 805 MB each; the 3 a run needs do "
                               "not fit in the 2.00 GB of memory available");
    }
}

TEST(FrameBuffers, SizesAreWrittenInThreeDigits) {
    EXPECT_EQ(FrameBuffers::Bytes(999), "999 bytes");
    EXPECT_EQ(FrameBuffers::Bytes(357'924'864), "358 MB");
    EXPECT_EQ(FrameBuffers::Bytes(24'600'000'000), "24.6 GB");
}
