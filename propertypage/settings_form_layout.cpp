#include "propertypage/settings_form_layout.h"

#include <algorithm>
#include <initializer_list>

using dq::forms::Point;
using dq::forms::Size;

namespace {

// A spacing that gives way when room is short, down to its least.
struct Spacing {
    int preferred;
    int least;
};

constexpr Spacing kMargin{10, 4};      // around the form's edges
constexpr Spacing kSection{10, 4};     // between rows, and between Reload and the delay group
constexpr Spacing kBeside{4, 2};       // between a label and its box
constexpr Spacing kCheckRows{4, 0};    // between the check boxes
constexpr int kDelayBoxPreferred = 70; // the delay box when there is room

// One length that gives way when room is short: `count` occurrences of `value`, each at least
// `least`.
struct Give {
    int& value;
    int least;
    int count;
};

// Takes what is missing from the lengths, in the order given, each down to its least; returns
// what is still missing.
int Shrink(int missing, std::initializer_list<Give> lengths) {
    for (const Give& g : lengths) {
        if (missing <= 0)
            break;
        const int available = std::max(0, g.value - g.least) * g.count;
        const int taken = std::min(available, missing);
        // Whole pixels per occurrence, rounded up so that the row fits.
        const int each = (taken + g.count - 1) / g.count;
        g.value -= each;
        missing -= each * g.count;
    }
    return std::max(0, missing);
}

// Keeps a place inside the client area.
FormPlace Clip(FormPlace p, Size client) {
    p.at.X = std::clamp(p.at.X, 0, client.Width);
    p.at.Y = std::clamp(p.at.Y, 0, client.Height);
    p.size.Width = std::clamp(p.size.Width, 0, client.Width - p.at.X);
    p.size.Height = std::clamp(p.size.Height, 0, client.Height - p.at.Y);
    return p;
}

} // namespace

SettingsFormPlaces PlaceSettingsForm(const SettingsFormTexts& texts, Size client) {
    const int line = std::max(1, texts.lineHeight);
    // Heights of the system's controls for a font of this line height.
    const int editHeight = std::max(20, line + 7);
    const int buttonHeight = std::max(23, line + 10);
    const int checkHeight = std::max(16, line + 3);
    const int labelHeight = line + 1;

    // Widths that the texts ask for.
    const int reloadWidth = std::max(60, texts.reload.Width + 20);
    const int fileWidth = std::max(20, texts.file.Width + 10);
    const int predelayWidth = texts.predelay.Width + 2;
    const int sufdelayWidth = texts.sufdelay.Width + 2;
    const auto checkWidth = [](Size text) { return text.Width + kCheckBoxGlyph; };

    // Across: Reload and the delay group on one row, if the spacing and the delay box can give
    // enough; else the group on a row of its own.
    int margin = 0, apart = 0, beside = 0, delayWidth = 0;
    const auto fitAcross = [&](bool ownRow) {
        margin = kMargin.preferred;
        apart = kSection.preferred;
        beside = kBeside.preferred;
        delayWidth = kDelayBoxPreferred;
        const int group = predelayWidth + 2 * beside + delayWidth + sufdelayWidth;
        const int needed = ownRow ? 2 * margin + std::max(reloadWidth, group)
                                  : 2 * margin + reloadWidth + apart + group;
        const int missing = std::max(0, needed - client.Width);
        return Shrink(missing, {{apart, ownRow ? apart : kSection.least, 1},
                                {delayWidth, kDelayBoxMinWidth, 1},
                                {margin, kMargin.least, 2},
                                {beside, kBeside.least, 2}});
    };
    const bool delayOwnRow = fitAcross(false) > 0;
    if (delayOwnRow)
        fitAcross(true);

    // Down: the file row, the Reload row (and the delay row), the check boxes.
    int section = kSection.preferred;
    const int buttonRow = std::max(buttonHeight, editHeight);
    int checkGap = kCheckRows.preferred;
    const auto columnHeight = [&] {
        int h = 2 * margin + editHeight + section + buttonRow + section + 3 * checkHeight +
                2 * checkGap;
        if (delayOwnRow)
            h += beside + editHeight;
        return h;
    };
    const int tall = std::max(0, columnHeight() - client.Height);
    // Spacing gives way down here too (the margin keeps what it gave across).
    Shrink(tall, {{section, kSection.least, 2},
                  {checkGap, kCheckRows.least, 2},
                  {margin, kMargin.least, 2}});

    SettingsFormPlaces p;
    int y = margin;
    const int right = client.Width - margin;
    p.file = {{right - fileWidth, y}, {fileWidth, editHeight}};
    p.filename = {{margin, y}, {std::max(0, right - fileWidth - beside - margin), editHeight}};
    y += editHeight + section;

    p.reload = {{margin, y + (buttonRow - buttonHeight) / 2}, {reloadWidth, buttonHeight}};
    // The delay group keeps to the right edge, under "...".
    int groupTop = y;
    int groupHeight = buttonRow;
    if (delayOwnRow) {
        y += buttonRow + beside;
        groupTop = y;
        groupHeight = editHeight;
    }
    const int groupWidth = predelayWidth + beside + delayWidth + beside + sufdelayWidth;
    int x = delayOwnRow ? margin : std::max(margin, right - groupWidth);
    p.predelay = {{x, groupTop + (groupHeight - labelHeight) / 2}, {predelayWidth, labelHeight}};
    x += predelayWidth + beside;
    p.delay = {{x, groupTop + (groupHeight - editHeight) / 2}, {delayWidth, editHeight}};
    x += delayWidth + beside;
    p.sufdelay = {{x, groupTop + (groupHeight - labelHeight) / 2}, {sufdelayWidth, labelHeight}};
    y += groupHeight + section;

    FormPlace* checks[] = {&p.hide, &p.immediate, &p.debug};
    const Size checkTexts[] = {texts.hide, texts.immediate, texts.debug};
    for (int i = 0; i < 3; ++i) {
        *checks[i] = {{margin, y}, {checkWidth(checkTexts[i]), checkHeight}};
        y += checkHeight + checkGap;
    }

    for (FormPlace* place : {&p.filename, &p.file, &p.reload, &p.predelay, &p.delay, &p.sufdelay,
                             &p.hide, &p.immediate, &p.debug})
        *place = Clip(*place, client);
    return p;
}
