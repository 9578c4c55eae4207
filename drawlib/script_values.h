// The value syntaxes of script attributes, independent of the locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/drawing/drawing.h"

namespace dq::drawlib {

// `#RRGGBB` (opaque) or `#AARRGGBB`, hex digits in either case.
std::optional<gfx::Color> ParseColor(std::string_view text);

// `[-]digits[.digits]` (also `.5`); no exponent, no locale.
std::optional<double> ParseDecimal(std::string_view text);

// `[-]digits` within [min, max].
std::optional<int64_t> ParseInteger(std::string_view text, int64_t min, int64_t max);

// Splits text at commas into at most max parts; returns the count, or 0 when there are more.
size_t SplitCommas(std::string_view text, std::string_view* parts, size_t max);

} // namespace dq::drawlib
