#include "drawlib/subtitle_times.h"

#include "drawlib/line_tokens.h"

namespace dq::drawlib {

namespace {

// Hours beyond this are not a stream's; the limit keeps the sums far from overflow.
constexpr size_t kMaxHourDigits = 9;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A run of 1..maxDigits digits at text[i], advancing i.
std::optional<uint64_t> Digits(std::string_view text, size_t& i, size_t maxDigits) {
    const size_t begin = i;
    uint64_t value = 0;
    while (i < text.size() && IsDigit(text[i])) {
        if (i - begin == maxDigits)
            return std::nullopt;
        value = value * 10 + uint64_t(text[i] - '0');
        ++i;
    }
    if (i == begin)
        return std::nullopt;
    return value;
}

// 1 to 3 digits of a fraction of a second, in milliseconds.
std::optional<uint64_t> Fraction(std::string_view text, size_t& i) {
    const size_t begin = i;
    const auto value = Digits(text, i, 3);
    if (!value)
        return std::nullopt;
    uint64_t ms = *value;
    for (size_t n = i - begin; n < 3; ++n)
        ms *= 10;
    return ms;
}

std::string_view FirstWord(std::string_view text) {
    return text.substr(0, text.find_first_of(" \t"));
}

} // namespace

std::optional<int64_t> ParseSubtitleTime(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    size_t i = negative ? 1 : 0;
    uint64_t fields[3] = {};
    size_t count = 0;
    std::optional<uint64_t> fraction;
    while (true) {
        const auto value = Digits(text, i, kMaxHourDigits);
        if (!value)
            return std::nullopt;
        fields[count++] = *value;
        if (i == text.size())
            break;
        if (text[i] == '.' || text[i] == ',' || (text[i] == ':' && count == 3)) {
            ++i;
            fraction = Fraction(text, i);
            if (!fraction || i != text.size())
                return std::nullopt;
            break;
        }
        if (text[i] != ':' || count == 3)
            return std::nullopt;
        ++i;
    }
    if (count < 2)
        return std::nullopt; // a bare number is not a time
    const uint64_t hours = count == 3 ? fields[0] : 0;
    const uint64_t minutes = fields[count - 2];
    const uint64_t seconds = fields[count - 1];
    if (seconds >= 60 || (count == 3 && minutes >= 60))
        return std::nullopt;
    const int64_t ms =
        int64_t(((hours * 60 + minutes) * 60 + seconds) * 1000 + (fraction ? *fraction : 0));
    return negative ? -ms : ms;
}

std::optional<TimeRange> ParseTimingLine(std::string_view line, std::string_view* why) {
    const auto fail = [&](std::string_view reason) -> std::optional<TimeRange> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    const size_t arrow = line.find("-->");
    if (arrow == std::string_view::npos)
        return fail("no \"-->\"");
    const std::string_view left = TrimBlanks(line.substr(0, arrow));
    const std::string_view right = TrimBlanks(line.substr(arrow + 3));
    if (left.empty())
        return fail("missing start time");
    if (right.empty())
        return fail("missing end time");
    const auto start = ParseSubtitleTime(left);
    if (!start)
        return fail("bad start time");
    const std::string_view endText = FirstWord(right);
    const auto end = ParseSubtitleTime(endText);
    if (!end)
        return fail("bad end time");
    TimeRange range;
    range.start = *start;
    range.end = *end;
    range.settings = TrimBlanks(right.substr(endText.size()));
    return range;
}

} // namespace dq::drawlib
