#include "drawlib/draw_quorbit.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <limits>
#include <mutex>

#include "drawlib/debug_panel.h"
#include "drawlib/frame_geometry.h"
#include "drawlib/overlay_renderer.h"
#include "drawlib/script_loader.h"
#include "drawlib/script_location.h"
#include "drawlib/script_time.h"
#include "platform/drawing/drawing.h"

using namespace dq::drawlib;

class DrawQuorbit::State {
public:
    // Settings: written by any thread, read once at the start of each frame.
    std::atomic<int32_t> width;
    std::atomic<int32_t> height;
    std::atomic<int32_t> delayFrames{0};
    std::atomic<bool> debug{false};

    // The loaded script and everything drawn from it; drawENT holds the lock for the whole
    // frame, load_data only to swap a parsed script in.
    std::mutex lock;
    std::unique_ptr<Script> script;
    OverlayRenderer renderer;
    DebugPanel panel;
    int64_t previousDrawNs = 0;

    State(int32_t w, int32_t h) : width(w), height(h) {}
};

namespace {

int32_t Magnitude(int32_t value) {
    if (value == std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::max();
    return value < 0 ? -value : value;
}

int64_t SaturatingSubtract(int64_t a, int64_t b) {
    if (b > 0 && a < std::numeric_limits<int64_t>::min() + b)
        return std::numeric_limits<int64_t>::min();
    if (b < 0 && a > std::numeric_limits<int64_t>::max() + b)
        return std::numeric_limits<int64_t>::max();
    return a - b;
}

} // namespace

DrawQuorbit::DrawQuorbit(int32_t width, int32_t height)
    : m_state(std::make_unique<State>(width, height)) {}

DrawQuorbit::~DrawQuorbit() = default;

void DrawQuorbit::width(int32_t width) {
    m_state->width.store(width);
}

void DrawQuorbit::height(int32_t height) {
    m_state->height.store(height);
}

void DrawQuorbit::timeUserFix(int32_t frames) {
    m_state->delayFrames.store(frames);
}

void DrawQuorbit::debug(bool on) {
    m_state->debug.store(on);
}

void DrawQuorbit::load_data(const std::filesystem::path& path) {
    // Parsed without the lock, so frames keep coming while a large script loads.
    std::unique_ptr<Script> loaded = LoadScript(path, Magnitude(m_state->height.load()));
    {
        std::lock_guard<std::mutex> guard(m_state->lock);
        m_state->renderer.Forget();
        m_state->script.swap(loaded);
    }
    // The old script is freed here, outside the lock.
}

size_t DrawQuorbit::warnings(std::vector<std::string>* lines, size_t max) const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    const Script* script = m_state->script.get();
    if (!script)
        return 0;
    if (lines) {
        lines->clear();
        for (size_t i = 0; i < script->warnings.size() && i < max; ++i)
            lines->push_back(FormatWarning(script->fileName, script->warnings[i]));
    }
    return script->warningCount;
}

void DrawQuorbit::drawENT(dq::gfx::Graphics& g, int64_t timeMs) {
    const auto started = std::chrono::steady_clock::now();
    State& s = *m_state;
    const int32_t width = Magnitude(s.width.load());
    const int32_t height = Magnitude(s.height.load());
    const int32_t delayFrames = s.delayFrames.load();
    const bool debug = s.debug.load();
    const int64_t delayMs = FramesToMs(delayFrames);

    std::lock_guard<std::mutex> guard(s.lock);
    try {
        if (s.script) {
            const FrameGeometry frame = FrameGeometry::For(width, height, s.script.get());
            s.renderer.Draw(g, *s.script, frame, SaturatingSubtract(timeMs, delayMs));
        }
        if (debug) {
            DebugInfo info;
            info.timeMs = timeMs;
            info.delayFrames = delayFrames;
            info.delayMs = delayMs;
            info.cuesLoaded = s.script ? s.script->cues.size() : 0;
            info.cuesActive = s.script ? s.renderer.ActiveCount() : 0;
            info.skippedLines = s.script ? s.script->skippedLines : 0;
            if (s.script)
                info.fileName = s.script->fileName;
            info.previousDrawNs = s.previousDrawNs;
            s.panel.Draw(g, info, height);
        }
    } catch (const std::exception&) {
        // The frame goes on without (the rest of) its overlay; the stream must not stop.
    }
    s.previousDrawNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::steady_clock::now() - started)
                           .count();
}
