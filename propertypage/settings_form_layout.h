// Where the settings form's controls go in the client area the page gives it. The page's size
// comes from its dialog template and the dialog font of the system it runs on, so it is known
// only when the page is shown; the form then fills it, each control sized for its text.
//
// The arrangement is the form's: the file name with "..." at its right; Reload, then "Delay:",
// the delay box and "frames (1/60sec)" on the next row; the three check boxes below. Spacing
// shrinks first when room is short; if a row still cannot hold the delay group, the group moves
// to a row of its own under Reload. Nothing is placed outside the client area (a control that
// cannot fit even so is cut at its edge).
#pragma once

#include "platform/forms/forms_types.h"

struct FormPlace {
    dq::forms::Point at;
    dq::forms::Size size;
    int Right() const { return at.X + size.Width; }
    int Bottom() const { return at.Y + size.Height; }
};

// The extents of the controls' texts (dq::forms::MeasureText) and the line height.
struct SettingsFormTexts {
    dq::forms::Size reload, file, hide, immediate, debug, predelay, sufdelay;
    int lineHeight = 13;
};

struct SettingsFormPlaces {
    FormPlace filename, file, reload, predelay, delay, sufdelay, hide, immediate, debug;
};

// Room a check box needs beside its text for its box and the gap after it.
constexpr int kCheckBoxGlyph = 20;
// The smallest delay box: its arrows and about six digits.
constexpr int kDelayBoxMinWidth = 52;

SettingsFormPlaces PlaceSettingsForm(const SettingsFormTexts& texts, dq::forms::Size client);
