// The counting of lost, damaged and cut-off frames on made-up packet and frame sequences: what
// the decoder and the demuxer do to a damaged input, without one.
#include <gtest/gtest.h>

#include "frame_loss_counter.h"

namespace {

constexpr int64_t kFrame = 400'000; // 25 fps, in 100 ns

int64_t At(int frame) {
    return frame * kFrame;
}

// Packets laid out in a file one after the other, with a few bytes of the container's between
// them, unless the demuxer skipped some.
class File {
public:
    explicit File(FrameLossCounter& counter) : m_counter(counter) {}
    void Read(int64_t time, int64_t duration = kFrame) {
        m_counter.PacketRead(time, duration, m_position, 1000);
        m_position += 1010;
    }
    void Other(int64_t end) {
        m_counter.OtherPacket(end, m_position, 1000);
        m_position += 1010;
    }
    void Skip(int64_t bytes) { m_position += bytes; }

private:
    FrameLossCounter& m_counter;
    int64_t m_position = 0;
};

} // namespace

TEST(FrameLossCounter, AnIntactInputLosesNothingWhateverTheDecodeOrder) {
    FrameLossCounter c;
    File file(c);
    // Decode order of a stream with B-frames; frames come out in presentation order.
    for (int f : {0, 3, 1, 2, 6, 4, 5, 7})
        file.Read(At(f));
    for (int f = 0; f < 8; ++f)
        c.FrameDecoded(At(f), false);
    c.InputEnded(8, At(8));
    EXPECT_FALSE(c.Any());
}

// A pause of a variable frame rate, even where the frames claim the usual length, has nothing
// missing in the file; the same time skipped with bytes of the file is lost frames.
TEST(FrameLossCounter, UncoveredTimeIsLostOnlyWhereTheDemuxerSkippedData) {
    for (bool skipped : {false, true}) {
        SCOPED_TRACE(skipped);
        FrameLossCounter c;
        File file(c);
        for (int f : {0, 1, 2}) {
            file.Read(At(f));
            file.Other(At(f + 1)); // sound between the pictures
        }
        if (skipped)
            file.Skip(FrameLossCounter::kSkipBytes + 1);
        for (int f : {6, 7})
            file.Read(At(f));
        for (int f : {0, 1, 2, 6, 7})
            c.FrameDecoded(At(f), false);
        c.InputEnded(std::nullopt, At(8));
        EXPECT_EQ(c.Lost(), skipped ? 3 : 0);
    }
}

TEST(FrameLossCounter, PacketsTheDecoderDroppedAndTimeTheDemuxerSkippedAreLost) {
    FrameLossCounter c;
    File file(c);
    for (int f = 0; f < 10; ++f) {
        if (f == 4)
            file.Skip(20'000); // 4 to 6 with it
        if (f < 4 || f > 6)
            file.Read(At(f));
    }
    for (int f = 0; f < 10; ++f)
        if (f != 2 && (f < 4 || f > 6) && f != 9) // 2 and 9 not decoded
            c.FrameDecoded(At(f), f == 8);
    c.InputEnded(std::nullopt, At(10));
    EXPECT_EQ(c.Lost(), 5);
    EXPECT_EQ(c.Damaged(), 1);
    EXPECT_EQ(c.MissingAtEnd(), 0);
    EXPECT_EQ(c.Describe("'in.mkv'", 5),
              "'in.mkv': 5 of 10 frames could not be decoded (first at 0:00.080), and 1 was "
              "decoded with errors (first at 0:00.320); 5 written");
}

TEST(FrameLossCounter, AFrameComingOutOfOrderIsNotCountedTwice) {
    FrameLossCounter c;
    File file(c);
    for (int f = 0; f < 4; ++f)
        file.Read(At(f));
    c.FrameDecoded(At(0), false);
    c.FrameDecoded(At(2), false); // 1 looks lost...
    c.FrameDecoded(At(1), false); // ...and comes after all
    c.FrameDecoded(At(3), false);
    c.InputEnded(std::nullopt, At(4));
    EXPECT_FALSE(c.Any());
}

TEST(FrameLossCounter, AnInputCutShortIsToldByItsIndexOrItsDeclaredLength) {
    // An index that counts 120 frames; 37 read, the last one cut in two.
    FrameLossCounter indexed;
    File indexedFile(indexed);
    for (int f = 0; f < 37; ++f)
        indexedFile.Read(At(f));
    for (int f = 0; f < 36; ++f)
        indexed.FrameDecoded(At(f), false);
    indexed.InputEnded(120, std::nullopt);
    EXPECT_EQ(indexed.Lost(), 0);
    EXPECT_EQ(indexed.MissingAtEnd(), 84);
    EXPECT_EQ(indexed.Describe("'cut.mp4'", 36),
              "'cut.mp4' is cut short at 0:01.440: 84 of 120 frames are missing; 36 written");

    // No index: the length the container declares, when every stream stops short of it.
    FrameLossCounter timed;
    File timedFile(timed);
    for (int f = 0; f < 50; ++f) {
        timedFile.Read(At(f));
        timed.FrameDecoded(At(f), false);
    }
    timedFile.Other(At(50) + 200'000); // sound a little further
    timed.InputEnded(std::nullopt, At(100));
    EXPECT_EQ(timed.MissingAtEnd(), 50);
    EXPECT_EQ(timed.Describe("'cut.mkv'", -1),
              "'cut.mkv' is cut short at 0:02.000: 50 of 100 frames are missing; nothing written");
}

TEST(FrameLossCounter, ASoundTrackLongerThanThePicturesIsNoCut) {
    FrameLossCounter c;
    File file(c);
    for (int f = 0; f < 50; ++f) {
        file.Read(At(f));
        c.FrameDecoded(At(f), false);
    }
    file.Other(At(100)); // the sound reaches the declared end
    c.InputEnded(std::nullopt, At(100));
    EXPECT_FALSE(c.Any());
}

TEST(FrameLossCounter, LossesInTheMiddleAndACutAreSaidTogether) {
    FrameLossCounter c;
    File file(c);
    for (int f = 0; f < 40; ++f)
        file.Read(At(f));
    for (int f = 0; f < 40; ++f)
        if (f < 10 || f >= 13)
            c.FrameDecoded(At(f), false);
    c.InputEnded(std::nullopt, At(60));
    EXPECT_EQ(c.Describe("'x.mkv'", 37),
              "'x.mkv': 3 of 60 frames could not be decoded (first at 0:00.400), and it is cut "
              "short at 0:01.600 (20 frames missing); 37 written");
}

TEST(FrameLossCounter, TimesReadAsAPlayerShowsThem) {
    EXPECT_EQ(FrameLossCounter::Time(0), "0:00.000");
    EXPECT_EQ(FrameLossCounter::Time(31'200'000), "0:03.120");
    EXPECT_EQ(FrameLossCounter::Time(37'230'004'999), "1:02:03.000");
    EXPECT_EQ(FrameLossCounter::Time(-5), "0:00.000");
}
