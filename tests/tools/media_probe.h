// What a test reads back from a file the tool wrote: the pictures decoded to bgr24 (top row
// first, rows tightly packed) with their times, and the audio packets as they are stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
