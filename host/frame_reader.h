// Where the frames come from: a decoded video file or raw bgr24 frames. A reader yields frames in
// presentation order, each with its sample times: 100 ns units counted from the segment start,
// which is where in the input the read began.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "frame_format.h"

// Which part of the input to read.
struct ReadRange {
    int64_t startMs = 0;
    std::optional<int64_t> durationMs;
    std::optional<int64_t> frames;
};

class FrameReader {
public:
    virtual ~FrameReader() = default;

    virtual const FrameFormat& Format() const = 0;
    // The input's time (100 ns, from its beginning) of sample time 0.
    virtual int64_t SegmentStart() const = 0;
    // How many frames the read should give, or -1 when that is not known beforehand.
    virtual int64_t ExpectedFrames() const = 0;

    // Fills `rows` (Format().FrameBytes(), bottom row first) with the next frame and gives its
    // sample times. False at the end of the range or of the input, or once Interrupt was called.
    // Throws ToolError when the input cannot be read.
    virtual bool ReadFrame(uint8_t* rows, int64_t& start, int64_t& stop) = 0;

    // What the read lost so far (null: this kind of input loses nothing without failing).
    virtual const class FrameLossCounter* Losses() const { return nullptr; }

    // Makes a ReadFrame waiting for input, on any thread, return soon.
    void Interrupt() {
        m_interrupted = true;
        WakeBlockedRead();
    }

protected:
    // Readers whose reads wait in system calls cut them short here.
    virtual void WakeBlockedRead() {}
    bool Interrupted() const { return m_interrupted.load(); }
    // For a wait that Interrupt cuts short.
    const std::atomic<bool>* InterruptFlag() const { return &m_interrupted; }

private:
    std::atomic<bool> m_interrupted{false};
};
