#include "platform/linux/user/dialog_base_units.h"

#include "platform/linux/user/window.h"

namespace {

struct FontUnits {
    const char* face;
    int points;
    LONG cx, cy;
};

constexpr FontUnits kFonts[] = {
    {"MS Shell Dlg", 8, 6, 13},         {"MS Shell Dlg 2", 8, 6, 13}, {"MS Sans Serif", 8, 6, 13},
    {"Microsoft Sans Serif", 8, 6, 13}, {"Tahoma", 8, 6, 13},         {"Segoe UI", 9, 7, 15},
    {"MS UI Gothic", 9, 6, 12},
};

bool SameFace(LPCWSTR a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char16_t x = (*a >= u'a' && *a <= u'z') ? char16_t(*a - 32) : *a;
        char y = (*b >= 'a' && *b <= 'z') ? char(*b - 32) : *b;
        if (x != char16_t(static_cast<unsigned char>(y)))
            return false;
    }
    return *a == 0 && *b == 0;
}

} // namespace

SIZE DqDialogBaseUnits(LPCWSTR typeface, WORD pointSize) {
    if (typeface == nullptr)
        return SIZE{8, 16};
    const FontUnits* font = &kFonts[0];
    for (const FontUnits& f : kFonts) {
        if (SameFace(typeface, f.face)) {
            font = &f;
            break;
        }
    }
    if (pointSize == font->points)
        return SIZE{font->cx, font->cy};
    return SIZE{MulDiv(font->cx, pointSize, font->points),
                MulDiv(font->cy, pointSize, font->points)};
}
