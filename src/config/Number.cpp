#include "config/Number.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/Failures.h"

namespace tapivex {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Consumes a run of digits at `pos`; returns how many there were.
std::size_t SkipDigits(std::wstring_view text, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos])) ++pos;
    return pos - start;
}

template <typename Int>
Int FloorToInt(double value, const char* what) {
    const double floored = std::floor(value);
    if (!(floored >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          floored <= static_cast<double>(std::numeric_limits<Int>::max()))) {
        throw RuntimeFailure(what);
    }
    return static_cast<Int>(floored);
}

}  // namespace

std::optional<double> ParseNumber(std::wstring_view text, wchar_t decimalSeparator) {
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;

    // The number is rebuilt in the C locale's notation for strtod.
    std::string plain;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) plain += static_cast<char>(text[pos++]);

    std::size_t digits = 0;
    std::size_t start = pos;
    digits += SkipDigits(text, pos);
    plain.append(text.begin() + start, text.begin() + pos);
    if (pos < text.size() && text[pos] == decimalSeparator) {
        ++pos;
        plain += '.';
        start = pos;
        digits += SkipDigits(text, pos);
        plain.append(text.begin() + start, text.begin() + pos);
    }
    if (digits == 0) return std::nullopt;

    if (pos < text.size() && (text[pos] == L'e' || text[pos] == L'E')) {
        plain += 'e';
        ++pos;
        if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) plain += static_cast<char>(text[pos++]);
        start = pos;
        if (SkipDigits(text, pos) == 0) return std::nullopt;
        plain.append(text.begin() + start, text.begin() + pos);
    }

    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos != text.size()) return std::nullopt;
    // Beyond what a double holds (1e400) is no number the conversion can give.
    const double number = std::strtod(plain.c_str(), nullptr);
    if (std::isinf(number)) return std::nullopt;
    return number;
}

std::int32_t FloorToInt32(double value) { return FloorToInt<std::int32_t>(value, "overflow (32 bits)"); }
std::int16_t FloorToInt16(double value) { return FloorToInt<std::int16_t>(value, "overflow (16 bits)"); }

}  // namespace tapivex
