#include <gtest/gtest.h>

#include "config/Number.h"
#include "platform/Failures.h"

namespace tapivex {
namespace {

TEST(ParseNumber, AcceptsDecimalNumbersWithSignFractionExponentAndBlanks) {
    const std::pair<const wchar_t*, double> cases[] = {
        {L"60", 60}, {L" 60 ", 60}, {L"\t7\t", 7}, {L"+5", 5}, {L"-10", -10}, {L"45.7", 45.7},
        {L"-0.5", -0.5}, {L".5", 0.5}, {L"5.", 5}, {L"1e3", 1000}, {L"2.5E-1", 0.25}, {L"007", 7},
    };
    for (const auto& [text, value] : cases) {
        const auto parsed = ParseNumber(text, L'.');
        ASSERT_TRUE(parsed.has_value()) << "text: " << ::testing::PrintToString(std::wstring(text));
        EXPECT_DOUBLE_EQ(*parsed, value);
    }
}

TEST(ParseNumber, RejectsEmptyTextLettersAndStrayCharacters) {
    for (const wchar_t* text : {L"", L" ", L"abc", L"6 0", L"1e", L"--1", L"+", L".", L"12x", L"1,5", L"0x10",
                                L"１２" /* full-width digits */}) {
        EXPECT_FALSE(ParseNumber(text, L'.').has_value()) << ::testing::PrintToString(std::wstring(text));
    }
    EXPECT_FALSE(ParseNumber(std::wstring(L"1\0" L"2", 3), L'.').has_value()) << "an embedded NUL";
}

TEST(ParseNumber, UsesTheLocalesDecimalSeparator) {
    EXPECT_DOUBLE_EQ(*ParseNumber(L"2,5", L','), 2.5);
    EXPECT_FALSE(ParseNumber(L"2.5", L',').has_value());
}

// Beyond 32 bits is a number that overflows its variable; beyond a double is
// no number at all.
TEST(ParseNumber, LongNumbersOverflowOrAreNoNumbers) {
    const auto parsed = ParseNumber(std::wstring(300, L'9'), L'.');
    ASSERT_TRUE(parsed.has_value());
    EXPECT_THROW(FloorToInt32(*parsed), RuntimeFailure);
    EXPECT_FALSE(ParseNumber(std::wstring(100000, L'9'), L'.').has_value());
    EXPECT_FALSE(ParseNumber(L"-1e999", L'.').has_value());
    EXPECT_DOUBLE_EQ(*ParseNumber(L"1e-999", L'.'), 0.0) << "too small to tell from 0 is 0";
}

TEST(FloorToInt, RoundsDownAndFailsOutsideTheWidth) {
    EXPECT_EQ(FloorToInt32(45.7), 45);
    EXPECT_EQ(FloorToInt32(-0.5), -1);
    EXPECT_EQ(FloorToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(FloorToInt32(-2147483648.0), -2147483647 - 1);
    EXPECT_THROW(FloorToInt32(2147483648.0), RuntimeFailure);
    EXPECT_THROW(FloorToInt32(-2147483648.5), RuntimeFailure);
    EXPECT_EQ(FloorToInt16(32767.5), 32767);
    EXPECT_EQ(FloorToInt16(-32768), -32768);
    EXPECT_THROW(FloorToInt16(32768), RuntimeFailure);
    EXPECT_THROW(FloorToInt16(-32768.25), RuntimeFailure);
    EXPECT_THROW(FloorToInt16(1e300 * 1e300), RuntimeFailure) << "infinity";
}

}  // namespace
}  // namespace tapivex
