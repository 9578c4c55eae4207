// Counts the frames of an input that never reached the picture: packets the decoder could not
// turn into frames, stretches of time the demuxer skipped over (damaged container data), and the
// end of an input that stops before the length it declares (a cut file). Frames the decoder made
// with errors it concealed are counted as damaged. Times are 100 ns from the input's start.
//
// A frame lasts its packet's duration, so time between two frames that no frame covers is lost
// frames, when the demuxer also skipped bytes in between (damaged data it resynchronised after);
// without such a skip it is a pause of a variable frame rate. Where packets carry no duration or
// position, only packets read and never decoded count.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

class FrameLossCounter {
public:
    // A video packet of the part being read, with its place in the file (-1: unknown).
    void PacketRead(int64_t time, int64_t duration, int64_t position, int64_t size);
    // A packet of another stream, for where the input really ended and for skipped bytes.
    void OtherPacket(int64_t end, int64_t position, int64_t size);

    // Bytes between two packets beyond which the demuxer is taken to have skipped data: more
    // than a container's own headers between packets.
    static constexpr int64_t kSkipBytes = 4096;
    // A frame came out of the decoder, in presentation order.
    void FrameDecoded(int64_t time, bool damaged);
    // The input ended (not a range's end). What it declares of itself, when it does: the count
    // of frames (from an index, only for a read of the whole input), and where the video ends.
    void InputEnded(std::optional<int64_t> declaredFrames, std::optional<int64_t> declaredEnd);

    bool Any() const { return m_lost > 0 || m_missingAtEnd > 0 || m_damaged > 0; }
    int64_t Lost() const { return m_lost; } // in the middle: not decoded, or skipped
    int64_t MissingAtEnd() const { return m_missingAtEnd; }
    int64_t Damaged() const { return m_damaged; }

    // "'in.mkv': 94 of 180 frames could not be decoded (first at 0:03.120); 86 written", or with
    // a negative `written` "...; nothing written".
    std::string Describe(const std::string& shownName, int64_t written) const;

    // "0:03.120", "1:02:03.120".
    static std::string Time(int64_t time);

private:
    void Lose(int64_t count, int64_t at);
    void Place(int64_t position, int64_t size);

    struct Packet {
        int64_t time, duration;
        int64_t skips; // byte skips the demuxer had made when it was read
        bool operator<(const Packet& other) const { return time < other.time; }
    };
    // The demuxer skipped data between reading the two.
    static bool Skipped(const Packet& from, const Packet& to);
    std::set<Packet> m_pending;   // read, not yet decoded
    std::optional<Packet> m_last; // the last frame decoded, with its packet's duration
    std::optional<Packet> m_latestRead;
    int64_t m_anyEnd = INT64_MIN;
    int64_t m_fileEnd = -1; // where the last packet read ends in the file
    int64_t m_skips = 0;
    int64_t m_decoded = 0;
    int64_t m_lost = 0;
    int64_t m_firstLost = 0;
    int64_t m_damaged = 0;
    int64_t m_firstDamaged = 0;
    int64_t m_missingAtEnd = 0;
    int64_t m_endedAt = 0;
};
