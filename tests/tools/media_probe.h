// What a test reads back from a file the tool wrote: the pictures decoded to bgr24 (top row
// first, rows tightly packed) with their times, and the audio packets as they are stored.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;

struct ProbedFrame {
    double time; // seconds
    std::vector<uint8_t> bgr;
};

struct ProbedPacket {
    double time;
    std::vector<uint8_t> data;
};

struct ProbedMedia {
    int width = 0;
    int height = 0;
    std::string videoCodec;
    std::vector<ProbedFrame> frames;
    std::string audioCodec; // empty: no audio stream
    std::vector<ProbedPacket> audio;
};

// Reads a video file or a PNG still; fails the calling test (ADD_FAILURE) when it cannot.
ProbedMedia ProbeMedia(const std::string& path);

// What reading a file back takes, for ProbeMedia and the other read-backs: opens the file with the
// decoder of its video stream and gives the stream's index, or -1 (with ADD_FAILURE, nothing left
// open) when it cannot.
int OpenVideoInput(const std::string& path, AVFormatContext*& input, AVCodecContext*& decoder);
// Reads every packet to the end: the video stream's are decoded, each picture handed to
// `picture`, and the other streams' handed to `other`.
void ReadAllPackets(AVFormatContext* input, int video, AVCodecContext* decoder,
                    const std::function<void(AVFrame*)>& picture,
                    const std::function<void(const AVPacket*)>& other);
