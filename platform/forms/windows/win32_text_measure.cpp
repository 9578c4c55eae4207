// Text extents in the font the Win32 peers give their controls.
#include <windows.h>

#include <algorithm>

#include "platform/forms/text_measure.h"

namespace dq::forms {

forms::Size MeasureText(StringView text) {
    HDC dc = GetDC(nullptr);
    if (dc == nullptr)
        return {};
    const HGDIOBJ previous = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT r{0, 0, 0, 0};
    if (!text.empty()) {
        // The controls draw with DrawText too, which hides the mnemonic's ampersand.
        const String copy(text);
        DrawTextW(dc, copy.c_str(), static_cast<int>(copy.size()), &r,
                  DT_CALCRECT | DT_SINGLELINE | DT_LEFT | DT_TOP);
    }
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return forms::Size{r.right - r.left, std::max<int>(r.bottom - r.top, metrics.tmHeight)};
}

} // namespace dq::forms
