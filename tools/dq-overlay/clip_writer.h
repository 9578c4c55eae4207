// Writes a generated clip with libav: frames painted by a callback, encoded at the timestamps
// given, and optionally a tone in an audio stream. The demo makes its input with it, and the
// tests their small clips, so that nothing has to be downloaded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

struct ClipSpec {
    int width = 320;
    int height = 240;
    AVRational timeBase = {1, 25}; // of pts
    std::vector<int64_t> pts;      // one per frame, rising
    AVRational frameRate = {25, 1};
    std::string videoEncoder = "libx264";
    std::string audioEncoder; // empty: no audio; else e.g. "aac", "pcm_s16le", "libopus"
    int audioRate = 48000;
    int quality = 20;       // CRF for x264
    bool fastStart = false; // MP4 and MOV: the index before the media data, as for streaming
    // Paints frame n into a top-down bgr24 picture with the given row stride.
    std::function<void(int frame, uint8_t* bgr, int stride)> paint;
    // The tone's sample at a time (seconds), -1 to 1.
    std::function<double(double seconds)> tone;
};

class ClipWriter {
public:
    // Throws std::runtime_error with the reason when the clip cannot be written.
    static void Write(const std::string& path, const ClipSpec& spec);
    // pts of n frames at a constant rate, in the time base 1/rate.
    static std::vector<int64_t> ConstantRate(int frames);
};
