// Where the frames go: an encoded video file, PNG stills or raw bgr24. Frames arrive bottom row
// first (as they went through the graph), with sample times in 100 ns from the output's start.
// Every failure throws ToolError naming the output. Nothing written is visible under the output's
// name before Commit; without Commit the writer removes what it wrote.
#pragma once

#include <cstdint>
#include <string>

class FrameWriter {
public:
    virtual ~FrameWriter() = default;

    virtual void WriteFrame(const uint8_t* rows, int64_t start, int64_t stop) = 0;
    // Writes what is still held back (encoder delay, trailer) and closes the output.
    virtual void Finish() = 0;
    // Puts the finished output under its name.
    virtual void Commit() = 0;
    // Removes what was written.
    virtual void Discard() = 0;

    // For --verbose: "out.mp4: libx264 yuv420p crf 20, 1 audio stream copied".
    virtual std::string Describe() const = 0;
};
