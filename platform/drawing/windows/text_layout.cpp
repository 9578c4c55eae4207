// Text layout for GDI+: GDI+ draws one font per call, so the runs are broken into lines here,
// word by word, measured with GDI+, and each piece's glyph outlines are put in place.
//
// Lines break at '\n' and, with a width, after spaces and around ideographs and kana; a word
// wider than the line is broken between characters. Trailing spaces of a line do not count
// towards its width. Every line is as high as the font's line spacing.
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "platform/drawing/windows/text_layout_impl.h"

namespace dq::gfx {
namespace {

bool IsSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == 0x3000;
}

// Ideographs, kana, hangul and full-width forms: a line may break before or after each.
bool BreaksAround(wchar_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF);
}

bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// One run's characters [begin, end) of the text, with their advance.
struct Segment {
    size_t begin = 0, end = 0;
    size_t run = 0;
    float width = 0;
    bool spaces = false;
};

// What may not be broken: a word (or one character of a word too wide for the line) with the
// spaces that follow it.
struct Unit {
    std::vector<Segment> segments;
    float ink = 0;  // without the trailing spaces
    float full = 0; // with them
};

class Measurer {
public:
    Measurer(const Gdiplus::FontFamily& family, float pixels) : m_family(family), m_pixels(pixels) {
        detail::Check(m_graphics.GetLastStatus(), "making a measuring surface");
        m_graphics.SetPageUnit(Gdiplus::UnitPixel);
        m_graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    }

    float Width(const std::wstring& text, size_t begin, size_t end, int style) {
        if (end <= begin)
            return 0;
        Gdiplus::RectF box;
        detail::Check(m_graphics.MeasureString(text.c_str() + begin, INT(end - begin),
                                               &FontFor(style), Gdiplus::PointF(0, 0),
                                               &detail::TextFormat(), &box),
                      "measuring text");
        return box.Width;
    }

private:
    Gdiplus::Font& FontFor(int style) {
        auto& font = m_fonts[style];
        if (!font) {
            font = std::make_unique<Gdiplus::Font>(&m_family, m_pixels, style, Gdiplus::UnitPixel);
            detail::Check(font->GetLastStatus(), "making a font");
        }
        return *font;
    }

    const Gdiplus::FontFamily& m_family;
    float m_pixels;
    Gdiplus::Bitmap m_surface{1, 1, PixelFormat32bppPARGB};
    Gdiplus::Graphics m_graphics{&m_surface};
    std::map<int, std::unique_ptr<Gdiplus::Font>> m_fonts;
};

struct Line {
    std::vector<std::pair<Segment, float>> placed; // with its x within the line
    float width = 0;
};

} // namespace

TextLayout::Impl::~Impl() {
    std::lock_guard lock(detail::TextLock());
    whole.reset();
    fills.clear();
}

TextLayout::TextLayout(const Font& font, std::vector<TextRun> runs, float maxWidth,
                       TextAlign align) {
    if (std::isnan(maxWidth))
        throw DrawingError("layout width is not a number");
    if (align != TextAlign::Left && align != TextAlign::Center && align != TextAlign::Right)
        throw DrawingError("unknown text alignment");
    maxWidth = std::min(maxWidth, 1e6f);

    // The text as one string, each character knowing its run; '\r' is dropped.
    std::wstring text;
    std::vector<size_t> runOf;
    for (size_t r = 0; r < runs.size(); ++r) {
        for (char16_t c : runs[r].text) {
            if (c == u'\r')
                continue;
            text.push_back(wchar_t(c));
            runOf.push_back(r);
        }
    }

    detail::EnsureGdiplus();
    // Made before the lock is taken: if layout fails, it is released after the lock, as its
    // destructor takes the lock itself.
    auto impl = std::make_unique<Impl>();
    std::lock_guard lock(detail::TextLock());
    const std::unique_ptr<Gdiplus::FontFamily> family = detail::ResolveFamily(font.Families());
    std::vector<int> styles(runs.size());
    for (size_t r = 0; r < runs.size(); ++r) {
        const int wanted = font.Style() | (runs[r].bold ? FontStyleBold : 0) |
                           (runs[r].italic ? FontStyleItalic : 0);
        styles[r] = detail::AvailableStyle(*family, wanted);
    }
    const int regular = detail::AvailableStyle(*family, Gdiplus::FontStyleRegular);
    const float pixels = font.Pixels();
    const float lineHeight = pixels * float(family->GetLineSpacing(regular)) /
                             float(std::max<UINT16>(1, family->GetEmHeight(regular)));
    Measurer measure(*family, pixels);

    // Splits [begin, end) at run boundaries into measured segments.
    const auto segmentsOf = [&](size_t begin, size_t end, bool spaces, Unit& unit) {
        for (size_t i = begin; i < end;) {
            size_t j = i;
            while (j < end && runOf[j] == runOf[i])
                ++j;
            Segment s{i, j, runOf[i], measure.Width(text, i, j, styles[runOf[i]]), spaces};
            (spaces ? unit.full : unit.ink) += s.width;
            unit.segments.push_back(s);
            i = j;
        }
    };

    std::vector<Line> lines;
    for (size_t start = 0; start <= text.size();) {
        size_t stop = text.find(L'\n', start);
        if (stop == std::wstring::npos)
            stop = text.size();

        // The paragraph's units.
        std::vector<Unit> units;
        for (size_t i = start; i < stop;) {
            size_t word = i;
            if (BreaksAround(text[word]) && !IsSpace(text[word])) {
                ++word;
            } else {
                while (word < stop && !IsSpace(text[word]) &&
                       !(BreaksAround(text[word]) && word > i))
                    ++word;
            }
            size_t space = word;
            while (space < stop && IsSpace(text[space]))
                ++space;
            Unit unit;
            segmentsOf(i, word, false, unit);
            segmentsOf(word, space, true, unit);
            unit.full += unit.ink;
            if (maxWidth > 0 && unit.ink > maxWidth && word - i > 1) {
                // Too wide for any line: one unit per character, the spaces after the last.
                for (size_t c = i; c < word;) {
                    size_t next = c + 1;
                    while (next < word && IsLowSurrogate(text[next]))
                        ++next;
                    Unit one;
                    segmentsOf(c, next, false, one);
                    if (next == word)
                        segmentsOf(word, space, true, one);
                    one.full += one.ink;
                    units.push_back(std::move(one));
                    c = next;
                }
            } else {
                units.push_back(std::move(unit));
            }
            i = space;
        }

        Line line;
        float x = 0, trailing = 0;
        for (const Unit& unit : units) {
            if (maxWidth > 0 && !line.placed.empty() && x + unit.ink > maxWidth) {
                line.width = x - trailing;
                lines.push_back(std::move(line));
                line = Line{};
                x = 0;
            }
            for (const Segment& s : unit.segments) {
                line.placed.emplace_back(s, x);
                x += s.width;
            }
            trailing = unit.full - unit.ink;
        }
        line.width = std::max(0.0f, x - trailing);
        lines.push_back(std::move(line));
        start = stop + 1;
    }

    for (const Line& line : lines)
        impl->width = std::max(impl->width, line.width);
    impl->height = lineHeight * float(lines.size());

    // The glyph outlines, placed.
    impl->whole = std::make_unique<Gdiplus::GraphicsPath>();
    std::map<std::tuple<bool, uint32_t>, size_t> fillOf;
    for (size_t n = 0; n < lines.size(); ++n) {
        const Line& line = lines[n];
        const float shift = align == TextAlign::Left     ? 0.0f
                            : align == TextAlign::Center ? (impl->width - line.width) / 2
                                                         : impl->width - line.width;
        for (const auto& [s, x] : line.placed) {
            if (s.spaces)
                continue;
            const TextRun& run = runs[s.run];
            const auto key = std::make_tuple(run.hasColor, run.hasColor ? run.color.ToArgb() : 0);
            auto found = fillOf.find(key);
            if (found == fillOf.end()) {
                found = fillOf.emplace(key, impl->fills.size()).first;
                impl->fills.push_back(
                    {std::make_unique<Gdiplus::GraphicsPath>(), run.hasColor, run.color});
            }
            const Gdiplus::PointF origin(shift + x, lineHeight * float(n));
            for (Gdiplus::GraphicsPath* path :
                 {impl->whole.get(), impl->fills[found->second].path.get()}) {
                detail::Check(path->AddString(text.c_str() + s.begin, INT(s.end - s.begin),
                                              family.get(), styles[s.run], pixels, origin,
                                              &detail::TextFormat()),
                              "laying out text");
            }
        }
    }
    if (impl->whole->GetPointCount() > 0)
        detail::Check(impl->whole->GetBounds(&impl->ink), "measuring glyphs");
    m_impl = std::move(impl);
}

TextLayout::~TextLayout() = default;
TextLayout::TextLayout(TextLayout&&) noexcept = default;
TextLayout& TextLayout::operator=(TextLayout&&) noexcept = default;

float TextLayout::Width() const {
    return m_impl->width;
}

float TextLayout::Height() const {
    return m_impl->height;
}

} // namespace dq::gfx
