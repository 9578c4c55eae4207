#include "drawlib/script_time.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace dq::drawlib {

namespace {

// Longest digit group accepted: keeps every sum far from overflow (10^12 hours is already
// beyond any stream).
constexpr size_t kMaxDigits = 12;

std::optional<uint64_t> ParseDigits(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxDigits)
        return std::nullopt;
    uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + uint64_t(c - '0');
    }
    return value;
}

// "ss", "ss.f", "ss,fff..." in milliseconds, with the whole seconds separately.
std::optional<uint64_t> ParseSeconds(std::string_view text, uint64_t& wholeSeconds) {
    const size_t point = text.find_first_of(".,");
    const auto whole = ParseDigits(text.substr(0, point));
    if (!whole)
        return std::nullopt;
    wholeSeconds = *whole;
    uint64_t ms = *whole * 1000;
    if (point == std::string_view::npos)
        return ms;
    const std::string_view fraction = text.substr(point + 1);
    if (fraction.empty())
        return std::nullopt;
    uint64_t thousandths = 0;
    for (size_t i = 0; i < fraction.size(); ++i) {
        const char c = fraction[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        if (i < 3)
            thousandths = thousandths * 10 + uint64_t(c - '0');
        else if (i == 3 && c >= '5')
            ++thousandths; // round half up at the fourth digit
    }
    for (size_t i = fraction.size(); i < 3; ++i)
        thousandths *= 10;
    return ms + thousandths;
}

} // namespace

std::optional<int64_t> ParseTime(std::string_view token) {
    if (token.empty())
        return std::nullopt;
    if (token.back() == 'f' || token.back() == 'F') {
        const auto frames = ParseDigits(token.substr(0, token.size() - 1));
        if (!frames)
            return std::nullopt;
        return FramesToMs(int64_t(*frames));
    }

    std::string_view parts[3];
    size_t count = 0;
    for (size_t begin = 0;;) {
        const size_t colon = token.find(':', begin);
        if (count == 3)
            return std::nullopt;
        parts[count++] = token.substr(begin, colon - begin);
        if (colon == std::string_view::npos)
            break;
        begin = colon + 1;
    }
    uint64_t seconds = 0;
    const auto ms = ParseSeconds(parts[count - 1], seconds);
    if (!ms)
        return std::nullopt;
    uint64_t total = *ms;
    if (count >= 2) {
        const auto minutes = ParseDigits(parts[count - 2]);
        if (!minutes || seconds >= 60)
            return std::nullopt;
        if (count == 3 && *minutes >= 60)
            return std::nullopt;
        total += *minutes * 60'000;
    }
    if (count == 3) {
        const auto hours = ParseDigits(parts[0]);
        if (!hours)
            return std::nullopt;
        total += *hours * 3'600'000;
    }
    return int64_t(total);
}

bool ParseTimeRange(std::string_view line, int64_t& start, int64_t& end) {
    const size_t arrow = line.find("-->");
    if (arrow == std::string_view::npos)
        return false;
    const auto trim = [](std::string_view text) {
        const size_t first = text.find_first_not_of(" \t");
        if (first == std::string_view::npos)
            return std::string_view();
        return text.substr(first, text.find_last_not_of(" \t") - first + 1);
    };
    const std::string_view left = trim(line.substr(0, arrow));
    std::string_view right = trim(line.substr(arrow + 3));
    right = right.substr(0, right.find_first_of(" \t"));
    const auto a = ParseTime(left);
    const auto b = ParseTime(right);
    if (!a || !b)
        return false;
    start = *a;
    end = *b;
    return true;
}

int64_t FramesToMs(int64_t frames) {
    // frames * 1000 / 60 = frames * 50 / 3; the remainder is never a half, so adding 1 before
    // the division rounds to nearest.
    const int64_t magnitude = (frames < 0 ? -frames : frames) * 50;
    const int64_t rounded = (magnitude + 1) / 3;
    return frames < 0 ? -rounded : rounded;
}

namespace {

size_t Format(char* out, size_t size, int64_t ms, const char* hourFormat) {
    const bool negative = ms < 0;
    const uint64_t magnitude = negative ? uint64_t(0) - uint64_t(ms) : uint64_t(ms);
    const uint64_t hours = magnitude / 3'600'000;
    const unsigned minutes = unsigned(magnitude / 60'000 % 60);
    const unsigned seconds = unsigned(magnitude / 1000 % 60);
    const unsigned millis = unsigned(magnitude % 1000);
    char hourText[24];
    std::snprintf(hourText, sizeof hourText, hourFormat, hours);
    const int n = std::snprintf(out, size, "%s%s:%02u:%02u.%03u", negative ? "-" : "", hourText,
                                minutes, seconds, millis);
    if (n < 0)
        return 0;
    return size == 0 ? 0 : std::min(size_t(n), size - 1);
}

} // namespace

std::string FormatTime(int64_t ms) {
    char text[48];
    const size_t n = Format(text, sizeof text, ms, "%02" PRIu64);
    return std::string(text, n);
}

size_t FormatClock(char* out, size_t size, int64_t ms) {
    return Format(out, size, ms, "%" PRIu64);
}

} // namespace dq::drawlib
