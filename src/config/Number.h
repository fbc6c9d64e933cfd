// The one numeric test and conversion of the program, shared by the list
// file's header line and the settings dialog's interval field.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tapivex {

// The number that `text` denotes, or nullopt when it is not numeric. Numeric
// is a decimal number with an optional sign, an optional fraction after the
// locale's decimal separator, an optional exponent, and blanks (spaces, tabs)
// around it. The empty text, text with other characters and a number beyond
// the range of a double are not numeric.
std::optional<double> ParseNumber(std::wstring_view text, wchar_t decimalSeparator);

// The greatest integer not above `value`, as the named width. A result outside
// the width's range throws RuntimeFailure.
std::int32_t FloorToInt32(double value);
std::int16_t FloorToInt16(double value);

}  // namespace tapivex
