#include "conversions.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

using calorvin::FormatResult;
using calorvin::ReadEntryNumber;

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

struct EntryCase {
    const char* name;
    std::string text;
    double value;
};

void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }

class EntryNumber : public testing::TestWithParam<EntryCase> {};

TEST_P(EntryNumber, ReadsAsExpected)
{
    const EntryCase& c = GetParam();
    const double got = ReadEntryNumber(c.text);
    EXPECT_EQ(got, c.value) << "entry \"" << c.text << '"';
    EXPECT_EQ(std::signbit(got), std::signbit(c.value)) << "entry \"" << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Forms, EntryNumber,
    testing::Values(
        EntryCase{"Empty", "", 0},
        EntryCase{"OneBlank", " ", 0},
        EntryCase{"Words", "abc", 0},
        EntryCase{"UnitAfterNumber", "7kg", 7},
        EntryCase{"Negative", "-3", -3},
        EntryCase{"ExplicitPlus", "+3", 3},
        EntryCase{"BlanksAroundPoint", "4 . 5", 4.5},
        EntryCase{"BlanksEverywhere", " \t- 1 2\n.\t5 ", -12.5},
        EntryCase{"TwoSigns", "--3", 0},
        EntryCase{"SignAfterDigits", "3-2", 3},
        EntryCase{"CommaEndsNumber", "12,5", 12},
        EntryCase{"CommaDecimal", "0,86", 0},
        EntryCase{"ThousandsWithComma", "1.234,5", 1.234},
        EntryCase{"SecondPointEnds", "1.2.3", 1.2},
        EntryCase{"LeadingPoint", ".5", 0.5},
        EntryCase{"TrailingPoint", "5.", 5},
        EntryCase{"PointAlone", ".", 0},
        EntryCase{"SignAlone", "-", 0},
        EntryCase{"LeadingZeros", "000258.0", 258},
        EntryCase{"SmallFraction", "0.000123", 0.000123},
        EntryCase{"ExponentE", "1.5E3", 1500},
        EntryCase{"ExponentD", "2D2", 200},
        EntryCase{"ExponentWithBlanks", "2 e - 2", 0.02},
        EntryCase{"ExponentWithoutDigits", "7e", 7},
        EntryCase{"ExponentSignWithoutDigits", "7e-x", 7},
        EntryCase{"ExponentOnly", "e5", 0},
        EntryCase{"CarriageReturnEnds", "1\r2", 1},
        EntryCase{"NegativeZero", "-0", -0.0},
        EntryCase{"Hex", "&H1F", 31},
        EntryCase{"Hex16BitWraps", "&HFFFF", -1},
        EntryCase{"Hex32Bit", "&H10000", 65536},
        EntryCase{"Hex32BitWraps", "&HFFFFFFFF", -1},
        EntryCase{"HexWide", "&H100000000", 4294967296.0},
        EntryCase{"HexStopsAtNonDigit", "&H1G", 1},
        EntryCase{"HexNoDigits", "&H", 0},
        EntryCase{"Octal", "&O17", 15},
        EntryCase{"OctalStopsAtEight", "&O78", 7},
        EntryCase{"AmpersandAlone", "&12", 0},
        // What C library parsers would add on their own is not a number here.
        EntryCase{"Infinity", "inf", 0},
        EntryCase{"NotANumber", "nan", 0},
        EntryCase{"CHex", "0x1A", 0},
        EntryCase{"CHexFloat", "0x1p3", 0},
        // Beyond the range of a double: an infinity of the sign, or 0.
        EntryCase{"Overflow", "1e400", Inf},
        EntryCase{"NegativeOverflow", "-1e400", -Inf},
        EntryCase{"HugeExponent", "1e99999999999999999999999", Inf},
        EntryCase{"Underflow", "1e-400", 0},
        EntryCase{"ManyDigitsOverflow", std::string(400, '9'), Inf},
        EntryCase{"ManyZerosAfterPoint", "0." + std::string(400, '0') + "1e401", 1}),
    [](const testing::TestParamInfo<EntryCase>& p) { return std::string(p.param.name); });

// The window sets the process locale from the user's environment; a decimal
// comma there must change nothing in what the entries read.
TEST(EntryNumberLocale, IgnoresDecimalCommaLocale)
{
    const char* locales[] = {"it_IT.UTF-8", "it_IT.utf8", "de_DE.UTF-8", "fr_FR.UTF-8"};
    const char* chosen = nullptr;
    for (const char* name : locales)
        if (std::setlocale(LC_ALL, name)) {
            chosen = name;
            break;
        }
    if (!chosen)
        GTEST_SKIP() << "no locale with a decimal comma is installed (scripts/dev.sh generates it_IT.UTF-8)";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_EQ(ReadEntryNumber("12,5"), 12);
    EXPECT_EQ(ReadEntryNumber("12.5"), 12.5);
    EXPECT_EQ(FormatResult(12.5, "."), "12.5");
    EXPECT_EQ(FormatResult(1.2e15, ","), "1,2E+15");
    std::setlocale(LC_ALL, "C");
}

struct FormatCase {
    const char* name;
    double value;
    const char* point;
    const char* comma;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class ResultText : public testing::TestWithParam<FormatCase> {};

TEST_P(ResultText, WithEitherSeparator)
{
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatResult(c.value, "."), c.point);
    EXPECT_EQ(FormatResult(c.value, ","), c.comma);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ResultText,
    testing::Values(
        FormatCase{"Whole", 6, "6", "6"},
        FormatCase{"WholeFromDecimal", 258.0, "258", "258"},
        FormatCase{"Decimal", 11.25, "11.25", "11,25"},
        FormatCase{"RoundedTo15", 200.0 / 3, "66.6666666666667", "66,6666666666667"},
        FormatCase{"Reference", 2.3255813953488373, "2.32558139534884", "2,32558139534884"},
        FormatCase{"Negative", -2.5, "-2.5", "-2,5"},
        FormatCase{"NegativeZero", -0.0, "0", "0"},
        // Large magnitudes: exponent form from 1E+15 once rounded to 15 digits.
        FormatCase{"Largest15Digits", 999999999999999, "999999999999999", "999999999999999"},
        FormatCase{"RoundsUpTo1E15", 999999999999999.6, "1E+15", "1E+15"},
        FormatCase{"Exactly1E15", 1e15, "1E+15", "1E+15"},
        FormatCase{"Above1E15", 1.2e15, "1.2E+15", "1,2E+15"},
        FormatCase{"LargestDouble", 1.7976931348623157e308, "1.79769313486232E+308",
                   "1,79769313486232E+308"},
        // Small magnitudes: fixed form while it needs at most 15 decimals.
        FormatCase{"FiveDecimals", 0.00001, "0.00001", "0,00001"},
        FormatCase{"FifteenDecimals", 0.000000000056789, "0.000000000056789", "0,000000000056789"},
        FormatCase{"SixteenDecimals", 5.6789e-12, "5.6789E-12", "5,6789E-12"},
        FormatCase{"OneE15Fixed", 1e-15, "0.000000000000001", "0,000000000000001"},
        FormatCase{"OneE16", 1e-16, "1E-16", "1E-16"},
        FormatCase{"FifteenDigitsSmall", 0.123456789012345, "0.123456789012345", "0,123456789012345"},
        FormatCase{"SixteenDigitsSmall", 0.0123456789012345, "1.23456789012345E-02",
                   "1,23456789012345E-02"},
        // No finite value: the empty text, never a word or a number.
        FormatCase{"Infinity", std::numeric_limits<double>::infinity(), "", ""},
        FormatCase{"NotANumber", std::numeric_limits<double>::quiet_NaN(), "", ""}),
    [](const testing::TestParamInfo<FormatCase>& p) { return std::string(p.param.name); });

} // namespace
