#include "cue_listing.h"

#include <cstdio>
#include <ostream>

#include "drawlib/script_time.h"
#include "drawlib/style_attributes.h"

using namespace dq::drawlib;

namespace {

const char* FormatName(ScriptFormat format) {
    switch (format) {
    case ScriptFormat::SubRip:
        return "srt";
    case ScriptFormat::WebVtt:
        return "vtt";
    case ScriptFormat::Quorent:
        break;
    }
    return "quorent";
}

std::string Clock(int64_t ms) {
    char text[48];
    const size_t n = FormatClock(text, sizeof text, ms);
    return std::string(text, n);
}

// A JSON string: quotes, backslashes and control characters escaped; UTF-8 as it is.
void JsonString(std::ostream& out, std::string_view text) {
    out << '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out << "\\\"";
            break;
        case '\\':
            out << "\\\\";
            break;
        case '\n':
            out << "\\n";
            break;
        case '\r':
            out << "\\r";
            break;
        case '\t':
            out << "\\t";
            break;
        default:
            if (uint8_t(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(uint8_t(c)));
                out << escaped;
            } else {
                out << c;
            }
        }
    }
    out << '"';
}

} // namespace

std::string VisibleText(const Script& script, const Cue& cue) {
    std::string text;
    for (uint32_t i = 0; i < cue.spanCount; ++i)
        text += script.SpanText(script.spans[cue.firstSpan + i]);
    return text;
}

void ListCues(const Script& script, std::ostream& out) {
    for (const Cue& cue : script.cues) {
        const CueStyle& style = script.styles[cue.style];
        std::string line =
            Clock(cue.start) + "  " + Clock(cue.end) + "  " + std::to_string(style.layer) + "  ";
        line += AlignmentName(style.halign, style.valign);
        line += "  ";
        for (const char c : VisibleText(script, cue)) {
            if (c == '\n')
                line += "\\n";
            else if (c == '\\')
                line += "\\\\";
            else
                line += c;
        }
        out << line << '\n';
    }
}

void WriteJson(const Script& script, std::ostream& out) {
    out << "{\"format\":\"" << FormatName(script.format) << "\",\"cues\":[";
    for (size_t i = 0; i < script.cues.size(); ++i) {
        const Cue& cue = script.cues[i];
        out << (i ? "," : "") << "{\"start_ms\":" << cue.start << ",\"end_ms\":" << cue.end
            << ",\"text\":";
        JsonString(out, VisibleText(script, cue));
        out << '}';
    }
    out << "],\"warnings\":[";
    for (size_t i = 0; i < script.warnings.size(); ++i) {
        out << (i ? "," : "") << "{\"line\":" << script.warnings[i].line << ",\"message\":";
        JsonString(out, script.warnings[i].message);
        out << '}';
    }
    out << "]}\n";
}
