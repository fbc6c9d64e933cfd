// The numeric test and the conversions to 32 and 16 bits, on arbitrary text.
// The last byte picks the decimal separator, the one before it the width of
// a character (one byte, or two when that byte is odd); the rest is the text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "config/Number.h"
#include "platform/Failures.h"

namespace tapivex::fuzz {
namespace {

bool MayBeInANumber(wchar_t c, wchar_t separator) {
    return (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'e' || c == L'E' || c == L' ' ||
           c == L'\t' || c == separator;
}

template <typename Int>
void CheckFloor(double value, Int (*floorTo)(double)) {
    const double floored = std::floor(value);
    const bool fits = floored >= static_cast<double>(std::numeric_limits<Int>::min()) &&
                      floored <= static_cast<double>(std::numeric_limits<Int>::max());
    try {
        const Int result = floorTo(value);
        FUZZ_CHECK(fits);
        FUZZ_CHECK(static_cast<double>(result) <= value);
        FUZZ_CHECK(static_cast<double>(result) + 1.0 > value);
    } catch (const RuntimeFailure&) {
        FUZZ_CHECK(!fits);  // an overflow, and nothing else
    }
}

}  // namespace
}  // namespace tapivex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tapivex;
    using namespace tapivex::fuzz;
    FuzzedDataProvider input(data, size);
    const wchar_t separator = PickSeparator(input);
    const bool wide = input.ConsumeBool();
    const std::vector<std::uint8_t> bytes = input.ConsumeRemainingBytes<std::uint8_t>();
    std::wstring text;
    for (std::size_t i = 0; i < bytes.size(); i += wide ? 2 : 1) {
        const unsigned high = wide && i + 1 < bytes.size() ? bytes[i + 1] : 0u;
        text += static_cast<wchar_t>(bytes[i] | high << 8);
    }

    const std::optional<double> number = ParseNumber(text, separator);
    if (!number) return 0;
    for (const wchar_t c : text) FUZZ_CHECK(MayBeInANumber(c, separator));
    FUZZ_CHECK(!std::isnan(*number));
    CheckFloor<std::int32_t>(*number, &FloorToInt32);
    CheckFloor<std::int16_t>(*number, &FloorToInt16);
    return 0;
}
