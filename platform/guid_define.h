// Defines a GUID once for the whole program: an inline variable may appear in every
// translation unit that includes the header, and the linker keeps one.
#pragma once

#define DQ_DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                            \
    inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
