#include "frame_loss_counter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Whole frames of `duration` that fit in `gap` besides the one that starts it, rounded.
int64_t FramesIn(int64_t gap, int64_t duration) {
    if (duration <= 0 || gap <= 0)
        return 0;
    return std::llround(double(gap) / double(duration));
}

} // namespace

void FrameLossCounter::Lose(int64_t count, int64_t at) {
    if (count <= 0)
        return;
    if (m_lost == 0 || at < m_firstLost)
        m_firstLost = at;
    m_lost += count;
}

void FrameLossCounter::Place(int64_t position, int64_t size) {
    if (position < 0) {
        m_fileEnd = -1;
        return;
    }
    if (m_fileEnd >= 0 && position > m_fileEnd + kSkipBytes)
        ++m_skips;
    m_fileEnd = position + std::max<int64_t>(size, 0);
}

void FrameLossCounter::PacketRead(int64_t time, int64_t duration, int64_t position, int64_t size) {
    Place(position, size);
    // Without positions no skip can be seen: the frame is taken to follow a skip of its own, so
    // that uncovered time is not counted.
    const Packet packet{time, duration, position < 0 ? -1 : m_skips};
    m_pending.insert(packet);
    if (!m_latestRead || time > m_latestRead->time)
        m_latestRead = packet;
    m_anyEnd = std::max(m_anyEnd, time + std::max<int64_t>(duration, 0));
}

void FrameLossCounter::OtherPacket(int64_t end, int64_t position, int64_t size) {
    Place(position, size);
    m_anyEnd = std::max(m_anyEnd, end);
}

bool FrameLossCounter::Skipped(const Packet& from, const Packet& to) {
    return from.skips >= 0 && to.skips > from.skips;
}

void FrameLossCounter::FrameDecoded(int64_t time, bool damaged) {
    ++m_decoded;
    if (damaged && m_damaged++ == 0)
        m_firstDamaged = time;
    // A damaged stream can upset the decoder's order: a frame behind the last one was counted
    // as lost when its successor came out.
    if (m_last && time <= m_last->time) {
        m_lost = std::max<int64_t>(0, m_lost - 1);
        return;
    }
    // Frames come out in presentation order: what was read before this one and is still
    // waiting never came out.
    int64_t notDecoded = 0;
    int64_t first = time;
    auto it = m_pending.begin();
    while (it != m_pending.end() && it->time < time) {
        if (notDecoded++ == 0)
            first = it->time;
        it = m_pending.erase(it);
    }
    Packet current{time, 0, -1};
    if (it != m_pending.end() && it->time == time) {
        current = *it;
        m_pending.erase(it);
    }
    // Time no frame covers since the last one, where the demuxer skipped data: frames lost
    // with it, or those above.
    int64_t uncovered = 0;
    if (m_last && Skipped(*m_last, current)) {
        uncovered = FramesIn(time - m_last->time, m_last->duration) - 1;
        if (uncovered > 0)
            first = std::min(first, m_last->time + m_last->duration);
    }
    Lose(std::max(notDecoded, uncovered), first);
    m_last = current;
}

void FrameLossCounter::InputEnded(std::optional<int64_t> declaredFrames,
                                  std::optional<int64_t> declaredEnd) {
    // Read after the last frame and never decoded: lost in the middle, unless the input turns
    // out to be cut, where the packets before the cut are usually cut themselves.
    int64_t tail = int64_t(m_pending.size());
    int64_t first = tail > 0 ? m_pending.begin()->time : 0;
    if (m_last && m_latestRead && m_latestRead->time > m_last->time &&
        Skipped(*m_last, *m_latestRead)) {
        const int64_t uncovered = FramesIn(m_latestRead->time - m_last->time, m_last->duration);
        if (uncovered > tail)
            first = std::min(tail > 0 ? first : INT64_MAX, m_last->time + m_last->duration);
        tail = std::max(tail, uncovered);
    }
    m_pending.clear();
    if (!m_latestRead)
        return;

    const int64_t duration = m_latestRead->duration;
    const int64_t readEnd = m_latestRead->time + std::max<int64_t>(duration, 0);
    int64_t missing = 0;
    if (declaredFrames && *declaredFrames > 0) {
        missing = std::max<int64_t>(0, *declaredFrames - m_decoded - m_lost - tail);
    } else if (declaredEnd && duration > 0) {
        // Every stream stopped short of the declared end: the input was cut (a longer sound
        // track alone is no loss of pictures).
        const int64_t slack = duration / 2;
        if (*declaredEnd - readEnd >= slack && m_anyEnd <= *declaredEnd - slack)
            missing = FramesIn(*declaredEnd - readEnd, duration);
    }
    if (missing == 0) {
        Lose(tail, first);
        return;
    }
    m_missingAtEnd = missing + tail;
    m_endedAt = m_last ? m_last->time + std::max<int64_t>(m_last->duration, 0) : 0;
}

std::string FrameLossCounter::Time(int64_t time) {
    const int64_t ms = std::max<int64_t>(0, (time + 5'000) / 10'000);
    const long long h = ms / 3'600'000, m = ms / 60'000 % 60, s = ms / 1000 % 60, f = ms % 1000;
    char text[40];
    if (h > 0)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%03lld", h, m, s, f);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", m, s, f);
    return text;
}

std::string FrameLossCounter::Describe(const std::string& shownName, int64_t written) const {
    const std::string total = std::to_string(m_decoded + m_lost + m_missingAtEnd);
    std::string text;
    if (m_lost > 0)
        text = ": " + std::to_string(m_lost) + " of " + total +
               " frames could not be decoded (first at " + Time(m_firstLost) + ")";
    if (m_damaged > 0)
        text += (text.empty() ? ": " + std::to_string(m_damaged) + " of " + total +
                                    (total == "1" ? " frame" : " frames")
                              : ", and " + std::to_string(m_damaged)) +
                (m_damaged == 1 ? " was" : " were") + " decoded with errors (first at " +
                Time(m_firstDamaged) + ")";
    if (m_missingAtEnd > 0)
        text += text.empty()
                    ? " is cut short at " + Time(m_endedAt) + ": " +
                          std::to_string(m_missingAtEnd) + " of " + total +
                          (m_missingAtEnd == 1 ? " frames is missing" : " frames are missing")
                    : ", and it is cut short at " + Time(m_endedAt) + " (" +
                          std::to_string(m_missingAtEnd) + " frames missing)";
    return shownName + text + "; " +
           (written < 0 ? std::string("nothing") : std::to_string(written)) + " written";
}
