// dq-overlay's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

extern "C" {
#include <libavutil/rational.h>
}

struct OverlayOptions {
    std::string input;  // a video file, a raw bgr24 file, or "-" for raw frames on stdin
    std::string output; // by extension; "-" is raw bgr24 on stdout

    // The filter's five settings.
    std::string script;
    int32_t delay = 0; // frames of 1/60 s
    bool hide = false;
    bool watch = false;
    bool debug = false;

    // Which part of the input (milliseconds; frames).
    int64_t startMs = 0;
    std::optional<int64_t> durationMs;
    std::optional<int64_t> frames;

    // Raw bgr24 input: given --size (needed for "-").
    int rawWidth = 0;
    int rawHeight = 0;
    AVRational rawRate = {25, 1};
    bool rawRateGiven = false;

    // Encoding of video containers.
    std::string codec;
    std::optional<int> quality;

    // A lost or damaged frame of the input fails the run instead of ending it with a warning.
    bool strict = false;

    bool quiet = false;
    bool verbose = false;

    bool RawInput() const { return rawWidth > 0; }
};

// What the command line asks for.
enum class CommandAction { Run, Help, Version };

// Parses argv into options; throws ToolError (usage) with a one-line message on a mistake.
CommandAction ParseOverlayOptions(int argc, char** argv, OverlayOptions& options);

// The text of --help.
const char* OverlayUsageText();
