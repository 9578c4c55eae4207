// What the input's container holds beside the streams of packets, carried to the output: its
// metadata, its chapters (moved and cut with a later start or a shorter read), its attachments
// (fonts in Matroska), and the video stream's metadata and display matrix (the rotation a player
// applies). The reader records them; the writer puts in what its container can hold and says
// what it cannot.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVStream;

class ContainerCopy {
public:
    // Reader: the opened input (which outlives the writer), its video stream, and the read's
    // range in input time (100 ns from the container's start).
    void Record(const AVFormatContext* input, const AVStream* video, int64_t origin,
                std::optional<int64_t> duration);

    // Writer, before the header: copies into `output` and its video stream `video`, and gives a
    // line for each thing the container cannot hold ("ttf attachment 'font.ttf' (stream 3)").
    std::vector<std::string> ApplyTo(AVFormatContext* output, AVStream* video) const;

    // The rotation in degrees, counterclockwise, the input asks for; 0 when it asks none.
    double Rotation() const;

private:
    const AVFormatContext* m_input = nullptr;
    const AVStream* m_video = nullptr;
    int64_t m_origin = 0;
    std::optional<int64_t> m_duration;
};
