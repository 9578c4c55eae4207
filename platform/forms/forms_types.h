// Value types of the forms service.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace dq::forms {

// Text in the platform's wide characters, so it passes to wide Win32 and COM calls as it is.
using String = std::basic_string<WCHAR>;
using StringView = std::basic_string_view<WCHAR>;

struct Point {
    int X = 0;
    int Y = 0;
    constexpr bool operator==(const Point&) const = default;
};

struct Size {
    int Width = 0;
    int Height = 0;
    constexpr bool operator==(const Size&) const = default;
};

enum class DialogResult { None = 0, OK = 1, Cancel = 2 };

enum class HorizontalAlignment { Left = 0, Right = 1, Center = 2 };

enum class FormBorderStyle {
    None = 0,
    FixedSingle = 1,
    Fixed3D = 2,
    FixedDialog = 3,
    Sizable = 4,
    FixedToolWindow = 5,
    SizableToolWindow = 6,
};

enum class FormStartPosition {
    Manual = 0,
    CenterScreen = 1,
    WindowsDefaultLocation = 2,
    WindowsDefaultBounds = 3,
    CenterParent = 4,
};

} // namespace dq::forms
