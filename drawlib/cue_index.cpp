#include "drawlib/cue_index.h"

#include <algorithm>

namespace dq::drawlib {

void CueIndex::Build(const std::vector<Interval>& intervals) {
    m_nodes.clear();
    m_byStart.clear();
    m_byEnd.clear();
    m_depth = 0;
    std::vector<uint32_t> items;
    items.reserve(intervals.size());
    for (uint32_t i = 0; i < intervals.size(); ++i)
        if (intervals[i].end > intervals[i].start)
            items.push_back(i);
    std::stable_sort(items.begin(), items.end(), [&](uint32_t a, uint32_t b) {
        return intervals[a].start < intervals[b].start;
    });
    m_byStart.reserve(items.size());
    m_byEnd.reserve(items.size());
    m_root = BuildNode(intervals, items, 1);
}

// items are sorted by start. The centre is the median start: the median cue itself contains
// it, so every node keeps at least one cue, and each side gets at most half of the rest (cues
// going left start before the median, cues going right start after it).
int32_t CueIndex::BuildNode(const std::vector<Interval>& intervals, std::vector<uint32_t>& items,
                            size_t depth) {
    if (items.empty())
        return -1;
    m_depth = std::max(m_depth, depth);
    const int64_t center = intervals[items[items.size() / 2]].start;
    std::vector<uint32_t> left, right;
    const uint32_t begin = uint32_t(m_byStart.size());
    for (const uint32_t i : items) {
        if (intervals[i].end <= center)
            left.push_back(i);
        else if (intervals[i].start > center)
            right.push_back(i);
        else
            m_byStart.push_back({intervals[i].start, i}); // still ascending by start
    }
    const uint32_t count = uint32_t(m_byStart.size()) - begin;
    for (uint32_t k = begin; k < begin + count; ++k)
        m_byEnd.push_back({intervals[m_byStart[k].cue].end, m_byStart[k].cue});
    std::stable_sort(m_byEnd.begin() + begin, m_byEnd.end(),
                     [](const Entry& a, const Entry& b) { return a.time > b.time; });
    items.clear();
    items.shrink_to_fit();

    const int32_t self = int32_t(m_nodes.size());
    m_nodes.push_back({center, -1, -1, begin, count});
    const int32_t leftNode = BuildNode(intervals, left, depth + 1);
    const int32_t rightNode = BuildNode(intervals, right, depth + 1);
    m_nodes[size_t(self)].left = leftNode;
    m_nodes[size_t(self)].right = rightNode;
    return self;
}

void CueIndex::Query(int64_t t, std::vector<uint32_t>& out) const {
    for (int32_t n = m_root; n >= 0;) {
        const Node& node = m_nodes[size_t(n)];
        if (t < node.center) {
            // Every cue here ends after the centre, so after t: it shows when it has started.
            for (uint32_t k = node.begin; k < node.begin + node.count && m_byStart[k].time <= t;
                 ++k)
                out.push_back(m_byStart[k].cue);
            n = node.left;
        } else {
            // Every cue here has started by the centre, so by t: it shows until it ends.
            for (uint32_t k = node.begin; k < node.begin + node.count && m_byEnd[k].time > t; ++k)
                out.push_back(m_byEnd[k].cue);
            n = node.right;
        }
    }
}

} // namespace dq::drawlib
