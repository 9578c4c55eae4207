#include "drawlib/debug_panel.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "drawlib/script_time.h"
#include "drawlib/unicode.h"

namespace dq::drawlib {

namespace {

constexpr size_t kMaxNameBytes = 36; // longer names are cut (at a character boundary)
constexpr gfx::Color kBackground = gfx::Color::FromArgb(0xB0000000);
constexpr gfx::Color kForeground = gfx::Color::FromArgb(0xFFFFFFFF);
constexpr const char* kLabels[] = {"time", "delay", "cues", "skip", "file", "draw"};

std::string_view CutName(std::string_view name) {
    if (name.size() <= kMaxNameBytes)
        return name;
    size_t cut = kMaxNameBytes;
    while (cut > 0 && (uint8_t(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

gfx::TextLayout SingleLine(const gfx::Font& font, std::u16string text) {
    std::vector<gfx::TextRun> runs(1);
    runs[0].text = std::move(text);
    return gfx::TextLayout(font, std::move(runs), 0, gfx::TextAlign::Left);
}

} // namespace

DebugPanel::DebugPanel() = default;
DebugPanel::~DebugPanel() = default;

void DebugPanel::SetSize(int32_t frameHeight) {
    const int pixels = std::clamp(frameHeight / 54, 12, 48);
    if (pixels == m_pixels && m_font)
        return;
    m_pixels = pixels;
    m_font.emplace(gfx::GenericFontFamily::Monospace, pixels * 0.75f); // points at 96 dpi
    const gfx::TextLayout ten = SingleLine(*m_font, u"MMMMMMMMMM");
    m_advance = ten.Width() / 10;
    m_lineHeight = ten.Height();
    m_pad = std::max(4, pixels / 3);
    m_background.reset();
    for (auto& glyph : m_glyphs)
        glyph.reset();
    m_glyphDrawn.fill(false);
}

int DebugPanel::CellX(int column) const {
    return m_pad + int(std::lround(column * m_advance));
}
int DebugPanel::CellY(int line) const {
    return m_pad + int(std::lround(line * m_lineHeight));
}

gfx::Bitmap* DebugPanel::Glyph(char c) {
    if (c <= ' ' || c > '~')
        return nullptr;
    const size_t i = size_t(c - ' ');
    if (!m_glyphDrawn[i]) {
        m_glyphDrawn[i] = true;
        const gfx::TextLayout layout = SingleLine(*m_font, std::u16string(1, char16_t(c)));
        auto bitmap = gfx::Bitmap::CreateArgb(int(std::ceil(m_advance)) + 2 * kGlyphSlack,
                                              int(std::ceil(m_lineHeight)) + 1);
        gfx::TextStyle style;
        style.fill = kForeground;
        gfx::Graphics(*bitmap).DrawText(layout, kGlyphSlack, 0, style);
        m_glyphs[i] = std::move(bitmap);
    }
    return m_glyphs[i].get();
}

void DebugPanel::DrawBackground(std::string_view fileName) {
    const int width = CellX(kColumns) + m_pad;
    const int height = CellY(kLines) + m_pad;
    if (!m_background)
        m_background = gfx::Bitmap::CreateArgb(width, height);
    m_background->Clear();
    gfx::Graphics g(*m_background);
    g.FillRectangle(kBackground, {0, 0, width, height});
    for (int line = 0; line < kLines; ++line)
        for (int k = 0; kLabels[line][k]; ++k)
            if (gfx::Bitmap* glyph = Glyph(kLabels[line][k]))
                g.DrawImage(*glyph, CellX(k) - kGlyphSlack, CellY(line));
    // The name may be in any script, so it is laid out as text rather than from the cells.
    const gfx::TextLayout name = SingleLine(*m_font, Utf8ToUtf16(fileName));
    gfx::TextStyle style;
    style.fill = kForeground;
    g.DrawText(name, float(CellX(kLabelColumns)), float(CellY(kFileLine)), style);
    m_backgroundName = fileName;
}

void DebugPanel::Draw(gfx::Graphics& g, const DebugInfo& info, int32_t frameHeight) {
    SetSize(frameHeight);
    const std::string_view name = info.fileName.empty() ? "(none)" : CutName(info.fileName);
    if (!m_background || name != m_backgroundName)
        DrawBackground(name);
    g.DrawImage(*m_background, 0, 0);

    // The fields after the labels, one line each; the file name's line is in the background.
    char clock[32];
    FormatClock(clock, sizeof clock, info.timeMs);
    char fields[kLines][96];
    std::snprintf(fields[0], sizeof fields[0], "%" PRId64 " ms  %s", info.timeMs, clock);
    std::snprintf(fields[1], sizeof fields[1], "%" PRId32 " f  %" PRId64 " ms", info.delayFrames,
                  info.delayMs);
    std::snprintf(fields[2], sizeof fields[2], "%zu loaded  %zu active", info.cuesLoaded,
                  info.cuesActive);
    std::snprintf(fields[3], sizeof fields[3], "%zu lines", info.skippedLines);
    fields[kFileLine][0] = '\0';
    std::snprintf(fields[5], sizeof fields[5], "%.3f ms", double(info.previousDrawNs) / 1e6);
    for (int line = 0; line < kLines; ++line)
        for (int k = 0; fields[line][k] && kLabelColumns + k < kColumns; ++k)
            if (gfx::Bitmap* glyph = Glyph(fields[line][k]))
                g.DrawImage(*glyph, CellX(kLabelColumns + k) - kGlyphSlack, CellY(line));

    std::snprintf(m_text, sizeof m_text, "%-6s%s\n%-6s%s\n%-6s%s\n%-6s%s\n%-6s%.*s\n%-6s%s",
                  kLabels[0], fields[0], kLabels[1], fields[1], kLabels[2], fields[2], kLabels[3],
                  fields[3], kLabels[4], int(name.size()), name.data(), kLabels[5], fields[5]);
}

} // namespace dq::drawlib
