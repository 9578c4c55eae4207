#include "drawlib/debug_panel.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "drawlib/script_time.h"

namespace dq::drawlib {

namespace {

constexpr int kLines = 5;
constexpr int kColumns = 44;         // the panel's width in characters
constexpr size_t kMaxNameBytes = 36; // longer names are cut (at a character boundary)
constexpr gfx::Color kBackground = gfx::Color::FromArgb(0xB0000000);
constexpr gfx::Color kForeground = gfx::Color::FromArgb(0xFFFFFFFF);

// ASCII and UTF-8 to UTF-16 into out, whose capacity is kept (no allocation once reserved).
void AppendUtf16(std::u16string& out, std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const uint8_t lead = uint8_t(text[i]);
        char32_t c = lead;
        size_t length = 1;
        if (lead >= 0xF0)
            c = lead & 0x07, length = 4;
        else if (lead >= 0xE0)
            c = lead & 0x0F, length = 3;
        else if (lead >= 0xC0)
            c = lead & 0x1F, length = 2;
        for (size_t k = 1; k < length && i + k < text.size(); ++k)
            c = c << 6 | (uint8_t(text[i + k]) & 0x3F);
        i += length;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
}

std::string_view CutName(std::string_view name) {
    if (name.size() <= kMaxNameBytes)
        return name;
    size_t cut = kMaxNameBytes;
    while (cut > 0 && (uint8_t(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

} // namespace

DebugPanel::DebugPanel() {
    m_text16.reserve(sizeof m_text);
}
DebugPanel::~DebugPanel() = default;

void DebugPanel::Resize(int32_t frameHeight) {
    const int pixels = std::clamp(frameHeight / 54, 12, 48);
    if (pixels == m_fontPixels && m_bitmap)
        return;
    m_fontPixels = pixels;
    m_font.emplace(gfx::GenericFontFamily::Monospace, pixels * 0.75f); // points at 96 dpi
    // Measure the widest text the panel holds once, and keep that size.
    std::u16string sample;
    for (int line = 0; line < kLines; ++line) {
        if (line > 0)
            sample += u'\n';
        sample.append(kColumns, u'M');
    }
    std::vector<gfx::TextRun> runs(1);
    runs[0].text = std::move(sample);
    const gfx::TextLayout layout(*m_font, std::move(runs), 0, gfx::TextAlign::Left);
    const int pad = std::max(4, pixels / 3);
    const int width = int(std::ceil(layout.Width())) + 2 * pad;
    const int height = int(std::ceil(layout.Height())) + 2 * pad;
    m_graphics.reset();
    m_bitmap = gfx::Bitmap::CreateArgb(width, height);
    m_graphics = std::make_unique<gfx::Graphics>(*m_bitmap);
    m_drawn = false;
}

void DebugPanel::Draw(gfx::Graphics& g, const DebugInfo& info, int32_t frameHeight) {
    Resize(frameHeight);

    char clock[32];
    FormatClock(clock, sizeof clock, info.timeMs);
    const std::string_view name = info.fileName.empty() ? "(none)" : CutName(info.fileName);
    char text[sizeof m_text];
    std::snprintf(text, sizeof text,
                  "time  %" PRId64 " ms  %s\n"
                  "delay %" PRId32 " f  %" PRId64 " ms\n"
                  "cues  %zu loaded  %zu active\n"
                  "file  %.*s\n"
                  "draw  %.3f ms",
                  info.timeMs, clock, info.delayFrames, info.delayMs, info.cuesLoaded,
                  info.cuesActive, int(name.size()), name.data(), info.previousDrawNs / 1e6);
    if (!m_drawn || std::strcmp(text, m_text) != 0) {
        std::memcpy(m_text, text, sizeof m_text);
        m_text16.clear();
        AppendUtf16(m_text16, m_text);
        m_bitmap->Clear();
        const int w = m_bitmap->Width(), h = m_bitmap->Height();
        m_graphics->FillRectangle(kBackground, {0, 0, w, h});
        const float pad = float(std::max(4, m_fontPixels / 3));
        m_graphics->DrawString(m_text16, *m_font, kForeground,
                               {pad, pad, float(w) - 2 * pad, float(h) - 2 * pad});
        m_drawn = true;
    }
    g.DrawImage(*m_bitmap, 0, 0);
}

} // namespace dq::drawlib
