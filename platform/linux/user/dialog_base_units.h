// Dialog base units: the pixels of 4 horizontal and 8 vertical dialog units for a dialog font.
//
// Windows measures the font at 96 dpi: the width is the average width of the 52 Latin letters
// (extent / 26 + 1) / 2, the height the font's cell height. There are no fonts to measure here,
// so these are the figures of the fonts dialog templates use:
//   "MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif", "Microsoft Sans Serif", "Tahoma",
//   8 pt: 6 x 13 (a default Windows system)
//   "Segoe UI" 9 pt: 7 x 15
//   "MS UI Gothic" 9 pt: 6 x 12 (a 12-pixel em whose cell is the em; its Latin letters average
//   a little over 6 pixels)
// Another size of these faces scales their figures by the point size; other faces scale those of
// 8-point "MS Shell Dlg". A dialog without a font of its own uses the system font's 8 x 16.
#pragma once

#include "platform/linux/user/window_types.h"

SIZE DqDialogBaseUnits(LPCWSTR typeface, WORD pointSize);
