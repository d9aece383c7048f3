// The core against written-out tables: entry texts, result texts, whole runs.
// Every row also goes through the shared oracle (oracle.h).

#include "oracle.h"
#include "record_table.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

using calorvin::Evaluate;
using calorvin::FormatResult;
using calorvin::ReadEntryNumber;

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
const std::size_t MB = 1 << 20;

std::string Repeat(std::string_view piece, std::size_t bytes)
{
    std::string text;
    while (text.size() < bytes)
        text += piece;
    return text;
}

const std::string NineMB(MB, '9'); // in every box at once
const oracle::Texts Reference = {"20", "5", "45", "500", "20", "100", "80", "250"};

oracle::Texts With(int index, std::string_view text)
{
    oracle::Texts texts = Reference;
    texts[static_cast<std::size_t>(index)] = text;
    return texts;
}

template <typename Row>
std::string RowName(const testing::TestParamInfo<Row>& p) { return p.param.name; }

struct EntryRow {
    const char* name;
    std::string text;
    double value;
};

void PrintTo(const EntryRow& row, std::ostream* os) { *os << row.name; } // not its bytes

class Entry : public testing::TestWithParam<EntryRow> {};

// The row's reading, and the oracle on it: in every box of the reference
// test, and on its result text.
TEST_P(Entry, Reads)
{
    const EntryRow& row = GetParam();
    EXPECT_TRUE(oracle::SameBits(ReadEntryNumber(row.text), row.value)) << ReadEntryNumber(row.text);
    EXPECT_EQ(oracle::CheckEntry(row.text), "");
    EXPECT_EQ(oracle::CheckResultText(row.value), "");
    for (int box = 0; box < calorvin::EntryCount; ++box)
        EXPECT_EQ(oracle::CheckRun(With(box, row.text)), "") << "in box " << box + 1;
}

INSTANTIATE_TEST_SUITE_P(Forms, Entry, testing::Values(
    EntryRow{"Empty", "", 0}, EntryRow{"OneBlank", " ", 0}, EntryRow{"Words", "abc", 0},
    EntryRow{"UnitAfterNumber", "7kg", 7}, EntryRow{"Negative", "-3", -3}, EntryRow{"Plus", "+3", 3},
    EntryRow{"BlanksAroundPoint", "4 . 5", 4.5}, EntryRow{"BlanksEverywhere", " \t- 1 2\n.\t5 ", -12.5},
    EntryRow{"TwoSigns", "--3", 0}, EntryRow{"SignAfterDigits", "3-2", 3},
    EntryRow{"CommaEndsNumber", "12,5", 12}, EntryRow{"CommaDecimal", "0,86", 0},
    EntryRow{"ThousandsWithComma", "1.234,5", 1.234}, EntryRow{"SecondPointEnds", "1.2.3", 1.2},
    EntryRow{"LeadingPoint", ".5", 0.5}, EntryRow{"TrailingPoint", "5.", 5}, EntryRow{"PointAlone", ".", 0},
    EntryRow{"SignAlone", "-", 0}, EntryRow{"LeadingZeros", "000258.0", 258},
    EntryRow{"SmallFraction", "0.000123", 0.000123}, EntryRow{"NegativeZero", "-0", -0.0},
    // Exponents: E, e, D or d, with either sign or none, blanks anywhere.
    EntryRow{"ExponentE", "1.5E3", 1500}, EntryRow{"ExponentEPlus", "2E+2", 200},
    EntryRow{"ExponentEMinus", "1.5e-3", 0.0015}, EntryRow{"ExponentD", "2D2", 200},
    EntryRow{"ExponentDPlus", "3d+1", 30}, EntryRow{"ExponentDMinus", "2d-2", 0.02},
    EntryRow{"ExponentWithBlanks", "2 e - 2", 0.02}, EntryRow{"ExponentWithoutDigits", "7e", 7},
    EntryRow{"ExponentSignWithoutDigits", "7e-x", 7}, EntryRow{"ExponentOnly", "e5", 0},
    EntryRow{"CarriageReturnEnds", "1\r2", 1},
    // &H and &O: 16-bit signed up to 16 bits, 32-bit signed up to 32, wider as they stand.
    EntryRow{"Hex", "&H1F", 31}, EntryRow{"HexLower", "&h1f", 31}, EntryRow{"Hex16BitWraps", "&HFFFF", -1},
    EntryRow{"Hex16BitTop", "&H7FFF", 32767}, EntryRow{"Hex32Bit", "&H10000", 65536},
    EntryRow{"Hex32BitWraps", "&HFFFFFFFF", -1}, EntryRow{"Hex32BitTop", "&H7FFFFFFF", 2147483647},
    EntryRow{"HexWide", "&H100000000", 4294967296.0}, EntryRow{"HexStopsAtNonDigit", "&H1G", 1},
    EntryRow{"HexNoDigits", "&H", 0}, EntryRow{"Octal", "&O17", 15}, EntryRow{"OctalLower", "&o17", 15},
    EntryRow{"Octal16BitWraps", "&O177777", -1}, EntryRow{"Octal32Bit", "&O200000", 65536},
    EntryRow{"OctalStopsAtEight", "&O78", 7}, EntryRow{"AmpersandAlone", "&12", 0},
    // What C library parsers add on their own is not a number here.
    EntryRow{"Infinity", "inf", 0}, EntryRow{"NotANumber", "nan", 0}, EntryRow{"CHex", "0x1A", 0},
    EntryRow{"CHexFloat", "0x1p3", 0},
    // Beyond the range of a double: an infinity of the sign, or 0.
    EntryRow{"Overflow", "1e400", Inf}, EntryRow{"NegativeOverflow", "-1e400", -Inf},
    EntryRow{"HugeExponent", "1e99999999999999999999999", Inf}, EntryRow{"Underflow", "1e-400", 0},
    EntryRow{"ManyDigitsOverflow", std::string(400, '9'), Inf},
    EntryRow{"ManyZerosAfterPoint", "0." + std::string(400, '0') + "1e401", 1},
    // Inputs that once went wrong, or were pasted by an operator: a megabyte
    // in one box reads at once; spreadsheet cells run together; control
    // characters, other scripts' digits and spaces, and bytes that are not
    // UTF-8 end the number.
    EntryRow{"MegabyteOfDigits", std::string(MB, '7'), Inf},
    EntryRow{"MegabyteOfFractionDigits", "20." + std::string(MB, '3'), 20.333333333333333333},
    EntryRow{"MegabyteOfZerosAfterPoint", "0." + std::string(MB, '0') + "1", 0},
    EntryRow{"MegabyteOfZerosInFraction", "1." + std::string(MB, '0') + "1", 1},
    EntryRow{"MegabyteOfBlanks", std::string(MB, ' '), 0},
    EntryRow{"MegabyteOfMixedBlanks", Repeat(" \t\n", MB) + "2" + Repeat("\n\t ", MB) + "0", 20},
    EntryRow{"MegabyteExponent", "2e" + std::string(MB, '9'), Inf},
    EntryRow{"MegabyteOfLetters", std::string(MB, 'x'), 0},
    EntryRow{"MegabyteAfterNumber", "20," + std::string(MB, '9'), 20},
    EntryRow{"MegabyteOfHexDigits", "&H" + std::string(MB, 'f'), Inf},
    EntryRow{"MegabyteOfControlCharacters", std::string(MB, '\x01'), 0},
    EntryRow{"SpreadsheetRow", "20\t5\t45\t500\n", 20545500}, EntryRow{"CommaAndUnit", "20,5 kg", 20},
    EntryRow{"WindowsLineEnd", "20\r\n", 20}, EntryRow{"ControlBeforeNumber", "\x01\x02" "20", 0},
    EntryRow{"DeleteInsideNumber", "2\x7f" "0", 2}, EntryRow{"EmbeddedNul", std::string("2\0" "0", 3), 2},
    EntryRow{"ArabicIndicDigits", "\xD9\xA2\xD9\xA0", 0}, EntryRow{"DevanagariDigits", "\xE0\xA5\xA8\xE0\xA5\xA6", 0},
    EntryRow{"FullwidthDigits", "\xEF\xBC\x92\xEF\xBC\x90", 0}, EntryRow{"Superscripts", "\xC2\xB2\xE2\x81\xB0", 0},
    EntryRow{"ChineseNumerals", "\xE4\xBA\x8C\xE5\x8D\x81", 0}, EntryRow{"ArabicDecimalSeparator", "20\xD9\xAB" "5", 20},
    EntryRow{"ArabicIndicAfterAsciiDigit", "2\xD9\xA0", 2}, EntryRow{"NoBreakSpaceInside", "2\xC2\xA0" "0", 2},
    EntryRow{"ZeroWidthSpaceInside", "2\xE2\x80\x8B" "0", 2}, EntryRow{"ByteOrderMarkFirst", "\xEF\xBB\xBF" "20", 0},
    EntryRow{"InvalidBytesFirst", "\xFF\xFE" "20", 0}, EntryRow{"TruncatedSequenceAfter", "20\xC3", 20},
    EntryRow{"Latin1SuperscriptTwo", "\xB2", 0}), RowName<EntryRow>);

struct ResultRow {
    const char* name;
    double value;
    const char* text; // with a point; the oracle checks the comma form
};

void PrintTo(const ResultRow& row, std::ostream* os) { *os << row.name; }

class Result : public testing::TestWithParam<ResultRow> {};

TEST_P(Result, Shows)
{
    EXPECT_EQ(FormatResult(GetParam().value, "."), GetParam().text);
    EXPECT_EQ(oracle::CheckResultText(GetParam().value), "");
}

INSTANTIATE_TEST_SUITE_P(Forms, Result, testing::Values(
    ResultRow{"Whole", 6, "6"}, ResultRow{"WholeFromDecimal", 258.0, "258"}, ResultRow{"Decimal", 11.25, "11.25"},
    ResultRow{"RoundedTo15", 200.0 / 3, "66.6666666666667"}, ResultRow{"Negative", -2.5, "-2.5"},
    ResultRow{"NegativeZero", -0.0, "0"},
    // Exponent form from 1E+15 once rounded to 15 digits, or past 15 decimals.
    ResultRow{"Largest15Digits", 999999999999999, "999999999999999"},
    ResultRow{"RoundsUpTo1E15", 999999999999999.6, "1E+15"}, ResultRow{"Above1E15", 1.2e15, "1.2E+15"},
    ResultRow{"LargestDouble", 1.7976931348623157e308, "1.79769313486232E+308"},
    ResultRow{"FiveDecimals", 0.00001, "0.00001"}, ResultRow{"FifteenDecimals", 0.000000000056789, "0.000000000056789"},
    ResultRow{"SixteenDecimals", 5.6789e-12, "5.6789E-12"}, ResultRow{"OneE15Fixed", 1e-15, "0.000000000000001"},
    ResultRow{"OneE16", 1e-16, "1E-16"}, ResultRow{"FifteenDigitsSmall", 0.123456789012345, "0.123456789012345"},
    ResultRow{"SixteenDigitsSmall", 0.0123456789012345, "1.23456789012345E-02"},
    ResultRow{"Infinity", Inf, ""}, ResultRow{"NotANumber", std::numeric_limits<double>::quiet_NaN(), ""}),
    RowName<ResultRow>);

struct RunRow {
    const char* name;
    oracle::Texts entries;
    const char* results;  // P|Mw|Pw|Pa|COppm|Dp|Etaw with a point; "-" when the gate fails
    const char* warnings; // the numbers of the checks that fire, in order
};

void PrintTo(const RunRow& row, std::ostream* os) { *os << row.name; }

class Run : public testing::TestWithParam<RunRow> {};

TEST_P(Run, ComputesAndWarns)
{
    const RunRow& row = GetParam();
    for (const char* separator : {".", ","}) {
        const calorvin::EvaluationOutcome out = Evaluate(row.entries, separator);
        std::string shown = out.computed ? "" : "-", warned;
        for (std::size_t i = 0; out.computed && i < out.resultTexts.size(); ++i)
            shown += (i ? "|" : "") + out.resultTexts[i];
        for (std::string_view w : out.warnings)
            for (std::size_t i = 0; i < oracle::WarningTexts.size(); ++i)
                warned += oracle::WarningTexts[i] == w ? std::to_string(i + 1) : "";
        EXPECT_EQ(shown, *separator == ',' ? oracle::WithComma(row.results) : row.results);
        EXPECT_EQ(warned, row.warnings);
        EXPECT_EQ(out.warnings.size(), warned.size()) << "a warning text not in the table";
    }
    EXPECT_EQ(oracle::CheckRun(row.entries), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, Run, testing::Values(
    RunRow{"Reference", Reference, "5|100|2.32558139534884|2.67441860465116|200|15|46.5116279069767", ""},
    // The last digit shows each formula's bracketing: ((Eta x B) x H) / 360000, (Mw x N) / 860, (Pw / P) x 100.
    RunRow{"BracketingPowers", {"20.5", "3.25", "2.789", "15575.2", "22.6", "727.15", "75.05", "295.81"},
           "9.05587339344444|727.15|19.1088255813953|-10.0529521879509|236.648|17.25|211.010299627513", ""},
    RunRow{"BracketingEfficiency", {"20.5", "3.25", "2.203", "19840", "15.39", "195.26", "74.927", "375.88"},
           "9.09687041955555|195.26|3.49424581395349|5.60262460560207|300.704|17.25|38.4115157498771", ""},
    RunRow{"WaterFlowAsEntered", With(5, "258.0"), "5|258|6|-1|200|15|120", ""},
    RunRow{"FinalAboveInitial", With(1, "25.5"), "5|100|2.32558139534884|2.67441860465116|200|-5.5|46.5116279069767", ""},
    // The gate: Pin, B, H, N, Q above zero, Pout at or above; Eta and CO only warn.
    RunRow{"AllBlank", {"", "", "", "", "", "", "", ""}, "-", "1345678"},
    RunRow{"AllSingleSpace", {" ", " ", " ", " ", " ", " ", " ", " "}, "-", "1345678"},
    RunRow{"AllEightFire", {"-1", "-1", "-1", "-1", "-1", "-1", "-1", "-1"}, "-", "12345678"},
    RunRow{"PinZero", With(0, "0"), "-", "1"}, RunRow{"PinJustAbove", With(0, "4.9e-324"),
           "5|100|2.32558139534884|2.67441860465116|200|-5|46.5116279069767", ""},
    RunRow{"PoutZero", With(1, "0"), "5|100|2.32558139534884|2.67441860465116|200|20|46.5116279069767", ""},
    RunRow{"PoutNegativeZero", With(1, "-0"), "5|100|2.32558139534884|2.67441860465116|200|20|46.5116279069767", ""},
    RunRow{"PoutJustBelow", With(1, "-4.9e-324"), "-", "2"}, RunRow{"PoutMinusOne", With(1, "-1"), "-", "2"},
    RunRow{"BZero", With(2, "0"), "-", "3"}, RunRow{"BJustAbove", With(2, "4.9e-324"),
           "0|100|2.32558139534884|-2.32558139534884|200|15|", ""},
    RunRow{"HZero", With(3, "0"), "-", "4"}, RunRow{"NZero", With(4, "0"), "-", "5"},
    RunRow{"NJustAbove", With(4, "4.9e-324"), "5|100|0|5|200|15|0", ""}, RunRow{"QZero", With(5, "0"), "-", "6"},
    RunRow{"EtaZero", With(6, "0"), "0|100|2.32558139534884|-2.32558139534884|200|15|", "7"},
    RunRow{"EtaBlank", With(6, ""), "0|100|2.32558139534884|-2.32558139534884|200|15|", "7"},
    RunRow{"EtaCommaReadsZero", With(6, "0,9"), "0|100|2.32558139534884|-2.32558139534884|200|15|", "7"},
    RunRow{"EtaNegative", With(6, "-10"), "-0.625|100|2.32558139534884|-2.95058139534884|200|15|-372.093023255814", "7"},
    RunRow{"COZero", With(7, "0"), "5|100|2.32558139534884|2.67441860465116|0|15|46.5116279069767", "8"},
    // Beyond the range of a double: no finite value shows as the empty text.
    RunRow{"PinOverflow", With(0, "1e999"), "5|100|2.32558139534884|2.67441860465116|200||46.5116279069767", ""},
    RunRow{"PinNegativeOverflow", With(0, "-1e999"), "-", "1"}, RunRow{"PoutNegativeOverflow", With(1, "-1e999"), "-", "2"},
    RunRow{"PowerProductOverflows", With(3, "1e306"), "|100|2.32558139534884||200|15|", ""},
    RunRow{"BAndHOverflowPowerSoNoEfficiency", {"20", "5", "1E200", "1E200", "20", "100", "80", "250"},
           "|100|2.32558139534884||200|15|", ""},
    RunRow{"WaterFlowOverflow", With(5, "1e999"), "5||||200|15|", ""},
    RunRow{"COOverflow", With(7, "1e999"), "5|100|2.32558139534884|2.67441860465116||15|46.5116279069767", ""},
    RunRow{"EveryBoxAMegabyteOfDigits", {NineMB, NineMB, NineMB, NineMB, NineMB, NineMB, NineMB, NineMB}, "||||||", ""}), RowName<RunRow>);

// The warnings' wording, character for character: everything else takes it from the core's table.
TEST(KnownAnswer, WarningTexts)
{
    EXPECT_EQ(oracle::WarningTexts, (std::array<std::string_view, calorvin::EntryCount>{
        "Il valore immesso del peso iniziale deve essere maggiore di zero",
        "Il valore immesso del peso finale deve essere maggiore o uguale a zero",
        "Il valore immesso della massa del combustibile in kg/h deve essere maggiore di zero",
        "Il valore immesso del potere calorifico del combustibile deve essere maggiore di zero",
        "Il valore immesso del salto termico deve essere maggiore di zero",
        "Il valore immesso della portata in l/h deve essere maggiore di zero",
        "Il valore immesso del rendimento deve essere maggiore di zero",
        "Il valore della media del CO normalizzato al 13% deve essere maggiore di zero"}));
}

// A value in a printed table: whole up to its longest, counted in characters, not bytes; else its start, an
// ellipsis and how many characters are left out, never a character cut in two.
TEST(Record, PrintedValue)
{
    const auto times = [](int n, const std::string& piece) {
        std::string text;
        while (n-- > 0)
            text += piece;
        return text;
    };
    const std::pair<std::string, std::string> rows[] = {
        {"", ""}, {times(200, "9"), times(200, "9")}, {times(200, "é"), times(200, "é")},
        {times(201, "9"), times(200, "9") + "…(+1 carattere)"},
        {times(150, "7") + times(300, "€"), times(150, "7") + times(50, "€") + "…(+250 caratteri)"},
        {times(199, "9") + "\xC3\xFF" "9", times(199, "9") + "\xC3" + "…(+2 caratteri)"}};
    for (const auto& [text, printed] : rows)
        EXPECT_EQ(calorvin::PrintedValue(text), printed) << text.size();
}

TEST(Locale, DecimalCommaLocaleIsInstalled)
{
    EXPECT_TRUE(oracle::UnderCommaLocale([] {})) << "scripts/dev.sh generates it_IT.UTF-8";
}

} // namespace
