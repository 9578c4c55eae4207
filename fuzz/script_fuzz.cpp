// Fuzz target: a script of any format (native, SubRip, WebVTT, in any encoding) is loaded from
// the input's bytes and, when it loads, drawn at a few frame sizes and times. A load may refuse
// the input with a ScriptError; anything else that escapes, or any fault the sanitizers see,
// is a finding.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "drawlib/overlay_renderer.h"
#include "drawlib/script_error.h"
#include "drawlib/script_loader.h"
#include "platform/drawing/drawing.h"

using namespace dq::drawlib;

namespace {

struct Frame {
    int width, height;
};

// Small, wide and odd sizes: layout clamps and scaling differ between them.
constexpr std::array<Frame, 3> kFrames = {{{96, 54}, {640, 360}, {33, 401}}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<Script> script;
    try {
        script = LoadScriptBytes(std::string(reinterpret_cast<const char*>(data), size), "fuzz.txt",
                                 kFrames[0].height);
    } catch (const ScriptError&) {
        return 0;
    }
    // The times where something happens: the start and the middle of the first few cues, and
    // two fixed ones.
    std::vector<int64_t> times = {0, 1500};
    for (size_t i = 0; i < script->cues.size() && i < 4; ++i) {
        const Cue& cue = script->cues[i];
        times.push_back(cue.start);
        times.push_back(cue.start + (cue.end - cue.start) / 2);
    }
    for (const Frame& f : kFrames) {
        auto target = dq::gfx::Bitmap::CreateArgb(f.width, f.height);
        dq::gfx::Graphics g(*target);
        OverlayRenderer renderer;
        const FrameGeometry geometry = FrameGeometry::For(f.width, f.height, script.get());
        for (int64_t t : times)
            renderer.Draw(g, *script, geometry, t);
    }
    return 0;
}
