#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "drawlib/cue_index.h"

using dq::drawlib::CueIndex;

namespace {

std::vector<uint32_t> Query(const CueIndex& index, int64_t t) {
    std::vector<uint32_t> out;
    index.Query(t, out);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<uint32_t> BruteForce(const std::vector<CueIndex::Interval>& intervals, int64_t t) {
    std::vector<uint32_t> out;
    for (uint32_t i = 0; i < intervals.size(); ++i)
        if (intervals[i].start <= t && t < intervals[i].end)
            out.push_back(i);
    return out;
}

} // namespace

TEST(CueIndex, StartInclusiveEndExclusive) {
    CueIndex index;
    index.Build({{1000, 2000}, {2000, 3000}, {1500, 1501}, {5, 5}});
    EXPECT_EQ(Query(index, 999), std::vector<uint32_t>{});
    EXPECT_EQ(Query(index, 1000), std::vector<uint32_t>{0});
    EXPECT_EQ(Query(index, 1500), (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(Query(index, 1501), std::vector<uint32_t>{0});
    EXPECT_EQ(Query(index, 1999), std::vector<uint32_t>{0});
    EXPECT_EQ(Query(index, 2000), std::vector<uint32_t>{1});
    EXPECT_EQ(Query(index, 3000), std::vector<uint32_t>{});
    EXPECT_EQ(Query(index, 5), std::vector<uint32_t>{}); // an empty interval is never found
}

TEST(CueIndex, EmptyIndexFindsNothing) {
    CueIndex index;
    EXPECT_TRUE(Query(index, 0).empty());
    index.Build({});
    EXPECT_TRUE(Query(index, 0).empty());
}

TEST(CueIndex, MatchesABruteForceScanOnRandomScripts) {
    std::mt19937_64 random(12345);
    for (int round = 0; round < 20; ++round) {
        std::vector<CueIndex::Interval> intervals;
        const int n = 1 + int(random() % 2000);
        const int64_t span = 1 + int64_t(random() % 100000);
        for (int i = 0; i < n; ++i) {
            const int64_t start = int64_t(random() % span) - span / 4;
            // Mostly short cues, some long ones, many repeated boundaries.
            const int64_t length =
                random() % 10 == 0 ? int64_t(random() % span) + 1 : int64_t(random() % 5000) + 1;
            intervals.push_back({start, start + length});
        }
        CueIndex index;
        index.Build(intervals);
        for (int q = 0; q < 300; ++q) {
            const int64_t t = int64_t(random() % (span * 2)) - span / 2;
            ASSERT_EQ(Query(index, t), BruteForce(intervals, t)) << "t=" << t;
            ASSERT_EQ(Query(index, intervals[q % n].start),
                      BruteForce(intervals, intervals[q % n].start));
            ASSERT_EQ(Query(index, intervals[q % n].end),
                      BruteForce(intervals, intervals[q % n].end));
        }
    }
}

TEST(CueIndex, StaysShallowForManyIdenticalOrNestedCues) {
    std::vector<CueIndex::Interval> same(10000, CueIndex::Interval{0, 10});
    CueIndex index;
    index.Build(same);
    EXPECT_EQ(index.Depth(), 1u);
    EXPECT_EQ(Query(index, 5).size(), 10000u);

    std::vector<CueIndex::Interval> sequential;
    for (int i = 0; i < 1 << 16; ++i)
        sequential.push_back({int64_t(i) * 10, int64_t(i) * 10 + 10});
    index.Build(sequential);
    EXPECT_LE(index.Depth(), 17u); // log2 of the count, plus one
    EXPECT_EQ(Query(index, 123456), std::vector<uint32_t>{12345});
}
