// What the GDI+ text backend shares: GDI+ itself (started once for the process), the lock that
// serialises text work, font families by name with fallbacks, and string conversion.
#pragma once

#include <windows.h>
#include <gdiplus.h>
// windows.h names a function DrawText; here it is Graphics::DrawText.
#undef DrawText

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/drawing/drawing.h"

namespace dq::gfx::detail {

// GDI+ objects are not safe to share between threads, and layouts are built on one thread and
// drawn on another: every use of GDI+ here happens under this lock.
std::mutex& TextLock();

// Starts GDI+ on first use (never from DllMain) and keeps gdiplus.dll loaded for the rest of the
// process, so that the module can be unloaded while GDI+'s own thread runs on.
void EnsureGdiplus();

// The first installed family of a comma-separated list; generic names ("monospace",
// "sans-serif", "serif") are GDI+'s generic families or the closest installed face. A list
// with nothing installed falls back to the generic sans-serif face.
std::unique_ptr<Gdiplus::FontFamily> ResolveFamily(const std::string& families);

// The nearest style the family has (bold and italic are dropped when it lacks them).
int AvailableStyle(const Gdiplus::FontFamily& family, int style);

// Layout and measurement without the padding GDI+ adds around text by default, counting
// trailing spaces.
const Gdiplus::StringFormat& TextFormat();

std::wstring ToWide(std::u16string_view text);

// Throws DrawingError unless status is Ok.
void Check(Gdiplus::Status status, const char* what);

} // namespace dq::gfx::detail
