// Hostile entries, and every input that once went wrong: an operator pastes
// anything into a box. Each row gives a hostile text and a plain text that must
// read the same; the whole run must then come out the same, whichever box
// holds it and with either decimal separator.

#include "conversions.h"
#include "evaluation.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <string_view>

using calorvin::EntryCount;
using calorvin::Evaluate;
using calorvin::EvaluationOutcome;

namespace {

using Entries = std::array<std::string, EntryCount>;

const Entries Reference = {"20", "5", "45", "500", "20", "100", "80", "250"};

std::array<std::string_view, EntryCount> Views(const Entries& e)
{
    std::array<std::string_view, EntryCount> v;
    for (int i = 0; i < EntryCount; ++i)
        v[i] = e[i];
    return v;
}

std::array<double, EntryCount> Read(const EvaluationOutcome& o)
{
    const calorvin::EvaluationInputs& in = o.inputs;
    return {in.Pin, in.Pout, in.B, in.H, in.N, in.Q, in.Eta, in.CO};
}

// Same inputs bit for bit, same gate, same texts, same warnings.
void ExpectSameRun(const EvaluationOutcome& got, const EvaluationOutcome& want)
{
    const auto a = Read(got), b = Read(want);
    for (int i = 0; i < EntryCount; ++i)
        EXPECT_EQ(std::memcmp(&a[i], &b[i], sizeof a[i]), 0)
            << "entry " << i << " reads " << a[i] << ", expected " << b[i];
    EXPECT_EQ(got.computed, want.computed);
    EXPECT_EQ(got.resultTexts, want.resultTexts);
    EXPECT_EQ(got.warnings, want.warnings);
}

std::string Repeat(std::string_view piece, std::size_t bytes)
{
    std::string text;
    text.reserve(bytes + piece.size());
    while (text.size() < bytes)
        text += piece;
    return text;
}

const std::size_t MB = 1 << 20;

struct HostileCase {
    const char* name;
    std::string text;
    std::string readsLike; // a plain entry that reads the same
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class HostileEntry : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileEntry, RunsLikeItsPlainReading)
{
    const HostileCase& c = GetParam();
    for (int box = 0; box < EntryCount; ++box) {
        Entries hostile = Reference, plain = Reference;
        hostile[box] = c.text;
        plain[box] = c.readsLike;
        for (const char* separator : {".", ","}) {
            SCOPED_TRACE(testing::Message() << "box " << box << ", separator " << separator);
            ExpectSameRun(Evaluate(Views(hostile), separator), Evaluate(Views(plain), separator));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pasted, HostileEntry,
    testing::Values(
        // A megabyte in one box: no stall, no crash, the ordinary reading.
        HostileCase{"MegabyteOfDigits", std::string(MB, '7'), "1e400"},
        HostileCase{"MegabyteOfFractionDigits", "20." + std::string(MB, '3'), "20.333333333333333333333333"},
        HostileCase{"MegabyteOfZerosAfterPoint", "0." + std::string(MB, '0') + "1", "0"},
        HostileCase{"MegabyteOfZerosInFraction", "1." + std::string(MB, '0') + "1", "1"},
        HostileCase{"MegabyteOfBlanks", std::string(MB, ' '), ""},
        HostileCase{"MegabyteOfMixedBlanksAroundDigits", Repeat(" \t\n", MB) + "2" + Repeat("\n\t ", MB) + "0", "20"},
        HostileCase{"MegabyteExponent", "2e" + std::string(MB, '9'), "1e400"},
        HostileCase{"MegabyteOfLetters", std::string(MB, 'x'), ""},
        HostileCase{"MegabyteAfterNumber", "20," + std::string(MB, '9'), "20"},
        HostileCase{"MegabyteOfHexDigits", "&H" + std::string(MB, 'f'), "1e400"},
        HostileCase{"MegabyteOfControlCharacters", std::string(MB, '\x01'), ""},
        // Copied from a spreadsheet: tabs and line feeds are blanks, so the
        // cells run together; a semicolon or a comma ends the number.
        HostileCase{"SpreadsheetRow", "20\t5\t45\t500\n", "20545500"},
        HostileCase{"CommaAndUnit", "20,5 kg", "20"},
        HostileCase{"WindowsLineEnd", "20\r\n", "20"},
        // Control characters are not blanks: they end the number.
        HostileCase{"ControlBeforeNumber", "\x01\x02" "20", ""},
        HostileCase{"DeleteInsideNumber", "2\x7f" "0", "2"},
        HostileCase{"EmbeddedNul", std::string("2\0" "0", 3), "2"},
        // Digits of other scripts are not digits, and other separators are not points.
        HostileCase{"ArabicIndicDigits", "\xD9\xA2\xD9\xA0", ""},
        HostileCase{"DevanagariDigits", "\xE0\xA5\xA8\xE0\xA5\xA6", ""},
        HostileCase{"FullwidthDigits", "\xEF\xBC\x92\xEF\xBC\x90", ""},
        HostileCase{"Superscripts", "\xC2\xB2\xE2\x81\xB0", ""},
        HostileCase{"ChineseNumerals", "\xE4\xBA\x8C\xE5\x8D\x81", ""},
        HostileCase{"ArabicDecimalSeparator", "20\xD9\xAB" "5", "20"},
        HostileCase{"ArabicIndicAfterAsciiDigit", "2\xD9\xA0", "2"},
        // Spaces that are not blanks end the number too.
        HostileCase{"NoBreakSpaceInside", "2\xC2\xA0" "0", "2"},
        HostileCase{"ZeroWidthSpaceInside", "2\xE2\x80\x8B" "0", "2"},
        HostileCase{"ByteOrderMarkFirst", "\xEF\xBB\xBF" "20", ""},
        // Bytes that are not UTF-8 at all.
        HostileCase{"InvalidBytesFirst", "\xFF\xFE" "20", ""},
        HostileCase{"TruncatedSequenceAfter", "20\xC3", "20"},
        HostileCase{"Latin1SuperscriptTwo", "\xB2", ""}),
    [](const testing::TestParamInfo<HostileCase>& p) { return std::string(p.param.name); });

// Every box a megabyte of digits at once: every entry reads as an infinity,
// the gate holds, no warning, and no result has a finite value to show.
TEST(HostileEntries, EveryBoxAMegabyteOfDigits)
{
    Entries entries;
    entries.fill(std::string(MB, '9'));
    const EvaluationOutcome out = Evaluate(Views(entries), ",");
    EXPECT_TRUE(out.computed);
    EXPECT_TRUE(out.warnings.empty());
    for (const std::string& text : out.resultTexts)
        EXPECT_EQ(text, "");
}

} // namespace
