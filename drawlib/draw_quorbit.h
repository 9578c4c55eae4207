// The drawing library: loads an overlay script and paints what it shows at a stream time.
//
// Threads: load_data and drawENT may run on different threads (a load is parsed aside and
// swapped in between frames); the setters may be called from any thread at any time and take
// effect from the next drawENT.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "drawlib/script_error.h"

namespace dq::gfx {
class Graphics;
}

class DrawQuorbit {
public:
    // The frame size the overlay is laid out for; no script loaded, no delay, no debug panel.
    DrawQuorbit(int32_t width, int32_t height);
    ~DrawQuorbit();
    DrawQuorbit(const DrawQuorbit&) = delete;
    DrawQuorbit& operator=(const DrawQuorbit&) = delete;

    // The frame size. A negative height (a top-down frame) counts by its magnitude.
    void width(int32_t width);
    void height(int32_t height);

    // Loads the script at path, replacing the current one. Raises ScriptError, whose what() is
    // the message for the user, and then leaves the current script as it was.
    void load_data(const std::filesystem::path& path);

    // What the script in use said when it loaded: its first warnings (at most max), as
    // "file:line: message" lines in file order, into *lines when given; returns how many
    // warnings it gave in all. SubRip and WebVTT files warn of what they pass over; native
    // scripts never warn. 0 when no script is loaded.
    size_t warnings(std::vector<std::string>* lines, size_t max) const;

    // Paints the overlay for timeMs (stream time in milliseconds) onto g's target: a
    // frame-sized, fully transparent ARGB surface, top row first. Never throws.
    void drawENT(dq::gfx::Graphics& g, int64_t timeMs);

    // The delay in frames of 1/60 s (any sign): a cue is shown for start <= t < end where
    // t = timeMs - round(frames * 1000 / 60).
    void timeUserFix(int32_t frames);

    // Shows or hides the debug panel at the frame's top-left.
    void debug(bool on);

private:
    class State;
    std::unique_ptr<State> m_state;
};
