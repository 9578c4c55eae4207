#include "drawlib/script_limits.h"

#include <algorithm>
#include <cmath>

#include "drawlib/script_location.h"
#include "drawlib/script_time.h"
#include "drawlib/style_attributes.h"

namespace dq::drawlib {

namespace {

struct TextShape {
    size_t characters = 0; // code points, line breaks not counted
    size_t lines = 1;
    size_t longestLine = 0; // in characters
};

TextShape ShapeOf(const Script& script, const Cue& cue) {
    TextShape shape;
    size_t line = 0;
    for (uint32_t i = 0; i < cue.spanCount; ++i) {
        for (const char c : script.SpanText(script.spans[cue.firstSpan + i])) {
            if (c == '\n') {
                shape.longestLine = std::max(shape.longestLine, line);
                line = 0;
                ++shape.lines;
            } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
                ++shape.characters;
                ++line;
            }
        }
    }
    shape.longestLine = std::max(shape.longestLine, line);
    return shape;
}

std::string Count(double n) {
    return std::to_string(static_cast<long long>(std::llround(n)));
}

// A generous estimate of the pixels of the sprite a cue of this shape is drawn into, at
// frameHeight.
double EstimatedSpritePixels(const Script& script, const Cue& cue, const TextShape& shape,
                             int32_t frameHeight) {
    if (cue.spanCount == 0)
        return 0;
    const CueStyle& style = script.styles[cue.style];
    const double scale = script.resolutionHeight > 0 && frameHeight > 0
                             ? double(frameHeight) / script.resolutionHeight
                             : 1.0;
    const double size = std::min(double(style.size) * scale, double(kMaxTextSize));
    const double outline = std::min(double(style.outline) * scale, double(kMaxOutline));
    const double shadow = std::min(double(style.shadow) * scale, double(kMaxShadow));
    // A character is at most a text size wide and a line 1.2 sizes high. Wrapping narrows the
    // block and adds lines; the second term covers what it adds and the ragged line ends.
    const double lineHeight = 1.2 * size;
    const double width = double(shape.longestLine) * size;
    const double height = double(shape.lines) * lineHeight;
    const double text =
        lineHeight * size * double(shape.longestLine * shape.lines + shape.characters);
    // Around the text: the box's padding, the outline and glyph overhang, the shadow.
    const double edge = (style.hasBox ? 0.5 * size : 0) + 2 * (outline + 0.2 * size + 1) + shadow;
    return text + edge * (width + height) + edge * edge;
}

} // namespace

std::string Describe(const LimitProblem& problem) {
    switch (problem.kind) {
    case LimitProblem::Kind::Characters:
        return "cue text has " + Count(problem.amount) + " characters, over the limit of " +
               Count(kMaxCueCharacters);
    case LimitProblem::Kind::CuesAtOnce:
        return "more than " + Count(kMaxCuesAtOnce) + " cues shown at once (at " +
               FormatTime(problem.time) + ")";
    case LimitProblem::Kind::Pixels:
        break;
    }
    return "the cues shown at " + FormatTime(problem.time) + " would take about " +
           Count(problem.amount / 1e6) + " million pixels to draw, over the limit of " +
           Count(kMaxPixelsAtOnce / 1e6) + " million (smaller or fewer texts)";
}

void ForEachCueOverLimit(const Script& script, int32_t frameHeight,
                         const std::function<void(const LimitProblem&)>& over) {
    using Kind = LimitProblem::Kind;
    // A cue reported stays out of the sweep below, as it will not be shown.
    std::vector<uint8_t> reported(script.cues.size(), 0);
    std::vector<double> pixels(script.cues.size());
    for (uint32_t i = 0; i < script.cues.size(); ++i) {
        const Cue& cue = script.cues[i];
        const TextShape shape = ShapeOf(script, cue);
        if (shape.characters > kMaxCueCharacters) {
            over({Kind::Characters, i, cue.start, double(shape.characters)});
            reported[i] = 1;
            continue;
        }
        pixels[i] = EstimatedSpritePixels(script, cue, shape, frameHeight);
    }

    // Sweep the starts and ends in time order; at equal times ends come first (a cue ends
    // before the next one starts at the same millisecond).
    struct Event {
        int64_t time;
        bool start;
        uint32_t cue;
    };
    std::vector<Event> events;
    events.reserve(script.cues.size() * 2);
    for (uint32_t i = 0; i < script.cues.size(); ++i) {
        if (script.cues[i].spanCount == 0 || reported[i])
            continue; // draws nothing
        events.push_back({script.cues[i].start, true, i});
        events.push_back({script.cues[i].end, false, i});
    }
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        if (a.time != b.time)
            return a.time < b.time;
        if (a.start != b.start)
            return !a.start;
        return a.cue < b.cue;
    });
    size_t shown = 0;
    double shownPixels = 0;
    for (const Event& e : events) {
        if (reported[e.cue])
            continue;
        if (!e.start) {
            --shown;
            shownPixels -= pixels[e.cue];
            continue;
        }
        if (shown + 1 > kMaxCuesAtOnce) {
            reported[e.cue] = 1;
            over({Kind::CuesAtOnce, e.cue, e.time, double(shown + 1)});
        } else if (shownPixels + pixels[e.cue] > kMaxPixelsAtOnce) {
            reported[e.cue] = 1;
            over({Kind::Pixels, e.cue, e.time, shownPixels + pixels[e.cue]});
        } else {
            ++shown;
            shownPixels += pixels[e.cue];
        }
    }
}

void CheckDrawingLimits(const Script& script, int32_t frameHeight) {
    ForEachCueOverLimit(script, frameHeight, [&](const LimitProblem& problem) {
        ScriptLocation{script.fileName, script.cues[problem.cue].line}.Fail(Describe(problem));
    });
}

} // namespace dq::drawlib
