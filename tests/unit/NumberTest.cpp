// The one number reading of the list's header and the dialog's interval field.
#include <gtest/gtest.h>

#include <cmath>

#include "config/Number.h"
#include "platform/Failures.h"

namespace tapivex {
namespace {

TEST(Number, ParseAcceptsSignFractionExponentAndBlanksOnly) {
    const double no = NAN;  // not numeric
    const std::tuple<std::wstring, wchar_t, double> cases[] = {
        {L" 60\t", '.', 60}, {L"+5", '.', 5}, {L"-0.5", '.', -0.5}, {L".5", '.', 0.5}, {L"5.", '.', 5},
        {L"2.5E-1", '.', 0.25}, {L"1e+3", '.', 1000}, {L"1E5", '.', 1e5}, {L"2,5", ',', 2.5}, {L"1e-999", '.', 0},
        {std::wstring(300, L'9'), '.', 1e300},
        {L"", '.', no}, {L" ", '.', no}, {L"6 0", '.', no}, {L"1e", '.', no}, {L"1e+", '.', no}, {L"--1", '.', no},
        {L"+", '.', no}, {L".", '.', no}, {L"12x", '.', no}, {L"0x10", '.', no}, {L"１２", '.', no},
        {L"2.5", ',', no}, {std::wstring(L"1\0" L"2", 3), '.', no}, {std::wstring(100000, L'9'), '.', no},
    };
    for (const auto& [text, separator, value] : cases) {
        const std::optional<double> parsed = ParseNumber(text, separator);
        SCOPED_TRACE(::testing::PrintToString(text.substr(0, 20)));
        if (std::isnan(value)) {
            EXPECT_FALSE(parsed.has_value());
            continue;
        }
        EXPECT_NEAR(parsed.value_or(NAN), value, std::abs(value) * 1e-12);
    }
}

TEST(Number, FloorRoundsDownAndFailsOutsideTheWidth) {
    EXPECT_EQ(FloorToInt32(-0.5), -1);
    EXPECT_EQ(FloorToInt32(-2147483648.0), -2147483647 - 1);
    EXPECT_THROW(FloorToInt32(-2147483648.5), RuntimeFailure);
    EXPECT_EQ(FloorToInt16(32767.5), 32767);
    EXPECT_EQ(FloorToInt16(-32768), -32768);
    EXPECT_THROW(FloorToInt16(-32768.25), RuntimeFailure);
    EXPECT_THROW(FloorToInt16(HUGE_VAL), RuntimeFailure);
}

}  // namespace
}  // namespace tapivex
