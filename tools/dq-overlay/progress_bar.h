// The progress line on a terminal: a bar when the number of frames is known, the frames done,
// frames per second over the last seconds, and the time left. Drawn on standard error, and only
// when that is a terminal; messages printed through it go above the bar.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>

class ProgressBar {
public:
    // total: frames expected, or -1 when unknown. Shown only when enabled and stderr is a tty.
    ProgressBar(bool enabled, int64_t total);
    ~ProgressBar() { Clear(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(int64_t frames);
    // Prints a line on stderr, above the bar.
    void Message(const std::string& line);
    // Removes the bar.
    void Clear();

    // Frames per second over the whole run so far.
    double AverageFps(int64_t frames) const;

private:
    using Clock = std::chrono::steady_clock;

    bool m_shown;
    int64_t m_total;
    Clock::time_point m_begin;
    std::deque<std::pair<Clock::time_point, int64_t>> m_window; // recent (time, frames)
    bool m_drawn = false;
};
