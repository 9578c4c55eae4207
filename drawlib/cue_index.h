// Finds the cues shown at a time in O(log n + k) for k cues shown: a centred interval tree.
// Each node holds the cues that contain its centre time, once sorted by start and once by end
// (latest first); cues wholly before the centre go left, wholly after it go right. A query
// walks one root-to-leaf path and, at each node, reads only entries that match plus one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dq::drawlib {

class CueIndex {
public:
    struct Interval {
        int64_t start; // shown for start <= t < end
        int64_t end;
    };

    // Indexes intervals[i] as cue i. Empty intervals (end <= start) are never found.
    void Build(const std::vector<Interval>& intervals);

    // Appends to out the cue numbers whose interval holds t, in no particular order. Does not
    // allocate once out has room for them.
    void Query(int64_t t, std::vector<uint32_t>& out) const;

    size_t Depth() const { return m_depth; }

private:
    struct Entry {
        int64_t time; // start in m_byStart, end in m_byEnd
        uint32_t cue;
    };
    struct Node {
        int64_t center;
        int32_t left, right;   // -1: none
        uint32_t begin, count; // this node's slice of m_byStart and m_byEnd
    };

    int32_t BuildNode(const std::vector<Interval>& intervals, std::vector<uint32_t>& items,
                      size_t depth);

    std::vector<Node> m_nodes;
    std::vector<Entry> m_byStart; // per node, ascending start
    std::vector<Entry> m_byEnd;   // per node, descending end
    int32_t m_root = -1;
    size_t m_depth = 0;
};

} // namespace dq::drawlib
