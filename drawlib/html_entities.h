// The HTML named character references (`&copy;`, `&NotEqualTilde;`), each one or two characters.
#pragma once

#include <optional>
#include <string_view>

namespace dq::drawlib {

struct HtmlEntity {
    char32_t first;
    char32_t second; // 0: the reference stands for one character
};

// The characters of the reference named name (without '&' and ';'; case matters), or nothing.
std::optional<HtmlEntity> FindHtmlEntity(std::string_view name);

// Longest name in the table, for bounding the search for a reference's ';'.
inline constexpr size_t kMaxHtmlEntityName = 31;

} // namespace dq::drawlib
