#include "filter_fixture.h"

#include "baseclasses/transform_pins.h"

namespace {

constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kGrey = 0x404040;

// A green box in the picture's top-left corner from 1 s to 2 s.
const char* kBoxScript =
    "1 2 align=top-left margin=0 size=12 box=#FF00FF00 color=#FF00FF00 outline=0 | X\n";

struct Overlay : FilterFixture {
    void SetUp() override {
        FilterFixture::SetUp();
        SetInputType(kWidth, kHeight);
        ASSERT_EQ(PutFileName(WriteScript("box.txt", kBoxScript)), S_OK);
    }
};

} // namespace

TEST_F(Overlay, DrawsTheCueTheRightWayUpOnlyWhileItIsShown) {
    TestSample inside = Frame(1500);
    ASSERT_EQ(object->Transform(&inside), S_OK);
    EXPECT_EQ(Pixel(inside, 1, 1), kGreen);                   // top of the picture
    EXPECT_EQ(Pixel(inside, kWidth - 1, kHeight - 1), kGrey); // bottom right untouched
    EXPECT_EQ(inside.actualLength, kStride * kHeight);

    for (int64_t ms : {999, 2000}) { // start inclusive, end exclusive
        TestSample outside = Frame(ms);
        ASSERT_EQ(object->Transform(&outside), S_OK);
        EXPECT_EQ(Pixel(outside, 1, 1), kGrey) << ms;
    }
}

TEST_F(Overlay, HiddenFramesPassByteForByte) {
    settings->put_HideSubtitles(true);
    TestSample frame = Frame(1500);
    frame.actualLength = 100; // not even the length is touched
    const std::vector<BYTE> before = frame.bytes;
    ASSERT_EQ(object->Transform(&frame), S_OK);
    EXPECT_EQ(frame.bytes, before);
    EXPECT_EQ(frame.actualLength, 100);
}

TEST_F(Overlay, StreamTimeIsSegmentStartPlusSampleStartTruncated) {
    IPin* input = nullptr;
    ASSERT_EQ(filter->FindPin(WSTR("In"), &input), S_OK);
    input->NewSegment(10'000'000, MAX_TIME, 1.0); // segment starts at 1 s of stream time...
    input->Release();
    TestSample frame = Frame(0);
    frame.start = 4'999'999; // ...so 1.4999999 s truncates to 1499 ms: inside
    ASSERT_EQ(object->Transform(&frame), S_OK);
    EXPECT_EQ(Pixel(frame, 1, 1), kGreen);
    TestSample late = Frame(0);
    late.start = 10'000'000; // 2 s: outside
    ASSERT_EQ(object->Transform(&late), S_OK);
    EXPECT_EQ(Pixel(late, 1, 1), kGrey);
}

TEST_F(Overlay, TheDelayShiftsTheCue) {
    settings->put_Delay(60); // one second later
    TestSample early = Frame(1500);
    object->Transform(&early);
    EXPECT_EQ(Pixel(early, 1, 1), kGrey);
    TestSample shifted = Frame(2500);
    object->Transform(&shifted);
    EXPECT_EQ(Pixel(shifted, 1, 1), kGreen);
}

TEST_F(Overlay, LengthIsCutToTheFrameAndShortBuffersAreLeftAlone) {
    TestSample longer(kStride * kHeight + 64, kStride * kHeight + 64);
    longer.start = 15'000'000;
    ASSERT_EQ(object->Transform(&longer), S_OK);
    EXPECT_EQ(longer.actualLength, kStride * kHeight);

    TestSample shorter = Frame(1500);
    shorter.actualLength = 10;
    ASSERT_EQ(object->Transform(&shorter), S_OK);
    EXPECT_EQ(shorter.actualLength, 10);

    TestSample tooSmall(kStride * kHeight / 2, kStride * kHeight / 2);
    tooSmall.start = 15'000'000;
    ASSERT_EQ(object->Transform(&tooSmall), S_OK);
    EXPECT_TRUE(
        std::all_of(tooSmall.bytes.begin(), tooSmall.bytes.end(), [](BYTE b) { return b == 0; }));
}

TEST_F(Overlay, RefusedSamplesAreLeftAsTheyCame) {
    EXPECT_EQ(object->Transform(nullptr), E_POINTER);
    TestSample empty(0, 0);
    EXPECT_EQ(object->Transform(&empty), E_POINTER);
    TestSample untimed = Frame(1500);
    untimed.hasTime = false;
    const std::vector<BYTE> before = untimed.bytes;
    EXPECT_EQ(object->Transform(&untimed), VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_EQ(untimed.bytes, before);
}

TEST_F(Overlay, ABrokenScriptShowsItsErrorInRedUntilTheNextGoodLoad) {
    const auto broken = WriteScript("broken.txt", "1 2 colour=#FF0000 | X\n");
    EXPECT_EQ(PutFileName(broken), E_FAIL);
    TestSample frame = Frame(5000, 0x00);
    ASSERT_EQ(object->Transform(&frame), S_OK);
    EXPECT_TRUE(ShowsErrorText(frame));
    EXPECT_EQ(Pixel(frame, kWidth - 1, kHeight - 1), 0u);

    ASSERT_EQ(PutFileName(WriteScript("box.txt", kBoxScript)), S_OK);
    TestSample clean = Frame(5000, 0x00);
    object->Transform(&clean);
    EXPECT_TRUE(std::all_of(clean.bytes.begin(), clean.bytes.end(), [](BYTE b) { return b == 0; }));
}

TEST_F(FilterFixture, TopDownFramesAreDrawnWithoutTheFlip) {
    SetInputType(kWidth, -kHeight);
    ASSERT_EQ(PutFileName(WriteScript("box.txt", kBoxScript)), S_OK);
    TestSample frame = Frame(1500);
    ASSERT_EQ(object->Transform(&frame), S_OK);
    // Top-down: the first row in memory is the picture's top row.
    EXPECT_EQ(frame.bytes[kStride + 3 + 1], 0xFF);
    EXPECT_EQ(frame.bytes[size_t(kHeight - 1) * kStride + kStride - 2], 0x40);
}
