#include "config/Number.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/Failures.h"

namespace tapivex {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsSign(wchar_t c) { return c == L'+' || c == L'-'; }
bool IsExponentMark(wchar_t c) { return c == L'e' || c == L'E'; }

// The text still to read, taken from its front.
class Reader {
public:
    explicit Reader(std::wstring_view text) : rest_(text) {}

    // Takes the run of characters at the front that `accepts`.
    template <typename Accepts>
    std::wstring_view takeWhile(Accepts accepts) {
        const auto end = std::find_if_not(rest_.begin(), rest_.end(), accepts);
        const std::wstring_view run = rest_.substr(0, static_cast<std::size_t>(end - rest_.begin()));
        rest_.remove_prefix(run.size());
        return run;
    }

    // Takes the front character if `accepts` it.
    template <typename Accepts>
    std::wstring_view takeOne(Accepts accepts) {
        if (rest_.empty() || !accepts(rest_.front())) return {};
        const std::wstring_view one = rest_.substr(0, 1);
        rest_.remove_prefix(1);
        return one;
    }

    bool atEnd() const { return rest_.empty(); }

private:
    std::wstring_view rest_;
};

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
    Reader in(text);
    // The number is rebuilt in the C locale's notation for strtod.
    std::string plain;
    auto keep = [&](std::wstring_view part) {
        plain.append(part.begin(), part.end());
        return part.size();
    };

    in.takeWhile(IsBlank);
    keep(in.takeOne(IsSign));
    std::size_t digits = keep(in.takeWhile(IsDigit));
    if (!in.takeOne([&](wchar_t c) { return c == decimalSeparator; }).empty()) {
        plain += '.';
        digits += keep(in.takeWhile(IsDigit));
    }
    if (digits == 0) return std::nullopt;

    if (!in.takeOne(IsExponentMark).empty()) {
        plain += 'e';
        keep(in.takeOne(IsSign));
        if (keep(in.takeWhile(IsDigit)) == 0) return std::nullopt;
    }
    in.takeWhile(IsBlank);
    if (!in.atEnd()) return std::nullopt;
    // Beyond what a double holds (1e400) is no number the conversion can give.
    const double number = std::strtod(plain.c_str(), nullptr);
    if (std::isinf(number)) return std::nullopt;
    return number;
}

std::int32_t FloorToInt32(double value) { return FloorToInt<std::int32_t>(value, "overflow (32 bits)"); }
std::int16_t FloorToInt16(double value) { return FloorToInt<std::int16_t>(value, "overflow (16 bits)"); }

}  // namespace tapivex
