#include "progress_bar.h"

#include <algorithm>
#include <cstdio>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

std::string ClockText(double seconds) {
    const int64_t s = int64_t(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", (long long)(s / 3600),
                      (long long)(s / 60 % 60), (long long)(s % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", (long long)(s / 60), (long long)(s % 60));
    return text;
}

int TerminalWidth() {
    winsize size = {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20)
        return size.ws_col;
    return 80;
}

} // namespace

ProgressBar::ProgressBar(bool enabled, int64_t total)
    : m_shown(enabled && isatty(STDERR_FILENO)), m_total(total), m_begin(Clock::now()) {}

double ProgressBar::AverageFps(int64_t frames) const {
    const double seconds = std::chrono::duration<double>(Clock::now() - m_begin).count();
    return seconds > 0 ? double(frames) / seconds : 0;
}

void ProgressBar::Update(int64_t frames) {
    const Clock::time_point now = Clock::now();
    m_window.emplace_back(now, frames);
    while (m_window.size() > 2 && now - m_window.front().first > std::chrono::seconds(3))
        m_window.pop_front();
    if (!m_shown)
        return;
    const double span = std::chrono::duration<double>(now - m_window.front().first).count();
    const double fps =
        span > 0.2 ? double(frames - m_window.front().second) / span : AverageFps(frames);

    char counts[96];
    if (m_total > 0)
        std::snprintf(counts, sizeof counts, " %lld/%lld frames  %.1f fps", (long long)frames,
                      (long long)m_total, fps);
    else
        std::snprintf(counts, sizeof counts, " %lld frames  %.1f fps", (long long)frames, fps);
    std::string tail = counts;
    if (m_total > 0 && fps > 0 && frames <= m_total)
        tail += "  " + ClockText(double(m_total - frames) / fps) + " left";

    std::string line;
    if (m_total > 0) {
        const double done = std::clamp(double(frames) / double(m_total), 0.0, 1.0);
        char percent[8];
        std::snprintf(percent, sizeof percent, "%3d%% ", int(done * 100));
        const int width = std::clamp(TerminalWidth() - int(tail.size()) - 8, 10, 50);
        const int filled = int(done * width + 0.5);
        line = std::string(percent) + "[" + std::string(size_t(filled), '#') +
               std::string(size_t(width - filled), '.') + "]";
    }
    line += tail;
    line.resize(std::min<size_t>(line.size(), size_t(TerminalWidth() - 1)));
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    std::fflush(stderr);
    m_drawn = true;
}

void ProgressBar::Clear() {
    if (m_drawn) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        m_drawn = false;
    }
}

void ProgressBar::Message(const std::string& line) {
    const bool wasDrawn = m_drawn;
    Clear();
    std::fprintf(stderr, "dq-overlay: %s\n", line.c_str());
    if (wasDrawn && !m_window.empty())
        Update(m_window.back().second);
}
