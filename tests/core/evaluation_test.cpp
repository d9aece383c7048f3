#include "evaluation.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace calorvin;

namespace {

using Texts = std::array<std::string_view, EntryCount>;
using Warnings = std::vector<std::string_view>;

const std::string_view WPin = "Il valore immesso del peso iniziale deve essere maggiore di zero";
const std::string_view WPout = "Il valore immesso del peso finale deve essere maggiore o uguale a zero";
const std::string_view WB =
    "Il valore immesso della massa del combustibile in kg/h deve essere maggiore di zero";
const std::string_view WH =
    "Il valore immesso del potere calorifico del combustibile deve essere maggiore di zero";
const std::string_view WN = "Il valore immesso del salto termico deve essere maggiore di zero";
const std::string_view WQ = "Il valore immesso della portata in l/h deve essere maggiore di zero";
const std::string_view WEta = "Il valore immesso del rendimento deve essere maggiore di zero";
const std::string_view WCO =
    "Il valore della media del CO normalizzato al 13% deve essere maggiore di zero";

// Pin, Pout, B, H, N, Q, Eta, CO
const Texts Reference = {"20", "5", "45", "500", "20", "100", "80", "250"};

Texts With(int index, std::string_view text)
{
    Texts texts = Reference;
    texts[static_cast<std::size_t>(index)] = text;
    return texts;
}

TEST(Evaluate, ReferenceTest)
{
    const EvaluationOutcome point = Evaluate(Reference, ".");
    ASSERT_TRUE(point.computed);
    const std::array<std::string, ResultCount> expected = {
        "5", "100", "2.32558139534884", "2.67441860465116", "200", "15", "46.5116279069767"};
    EXPECT_EQ(point.resultTexts, expected);
    EXPECT_TRUE(point.warnings.empty());

    const EvaluationOutcome comma = Evaluate(Reference, ",");
    EXPECT_EQ(comma.resultTexts[2], "2,32558139534884");
    EXPECT_EQ(comma.resultTexts[3], "2,67441860465116");
    EXPECT_EQ(comma.resultTexts[6], "46,5116279069767");
    EXPECT_EQ(comma.resultTexts[0], "5");
}

TEST(Evaluate, WaterFlowShowsAsEntered)
{
    EXPECT_EQ(Evaluate(With(5, "258.0"), ".").resultTexts[1], "258");
}

struct GateCase {
    const char* name;
    Texts texts;
    bool computed;
    Warnings warnings;
};

void PrintTo(const GateCase& c, std::ostream* os) { *os << c.name; }

class GateAndChecks : public testing::TestWithParam<GateCase> {};

TEST_P(GateAndChecks, ComputeAndWarn)
{
    const GateCase& c = GetParam();
    const EvaluationOutcome out = Evaluate(c.texts, ".");
    EXPECT_EQ(out.computed, c.computed);
    EXPECT_EQ(out.warnings, c.warnings);
    if (!out.computed) {
        for (const std::string& text : out.resultTexts)
            EXPECT_EQ(text, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, GateAndChecks,
    testing::Values(
        GateCase{"AllBlank", {"", "", "", "", "", "", "", ""}, false,
                 {WPin, WB, WH, WN, WQ, WEta, WCO}},
        GateCase{"AllSingleSpace", {" ", " ", " ", " ", " ", " ", " ", " "}, false,
                 {WPin, WB, WH, WN, WQ, WEta, WCO}},
        GateCase{"PinZero", With(0, "0"), false, {WPin}},
        GateCase{"PinJustAbove", With(0, "4.9e-324"), true, {}},
        GateCase{"PoutZero", With(1, "0"), true, {}},
        GateCase{"PoutNegativeZero", With(1, "-0"), true, {}},
        GateCase{"PoutJustBelow", With(1, "-4.9e-324"), false, {WPout}},
        GateCase{"PoutMinusOne", With(1, "-1"), false, {WPout}},
        GateCase{"BZero", With(2, "0"), false, {WB}},
        GateCase{"BJustAbove", With(2, "4.9e-324"), true, {}},
        GateCase{"HZero", With(3, "0"), false, {WH}},
        GateCase{"HJustAbove", With(3, "4.9e-324"), true, {}},
        GateCase{"NZero", With(4, "0"), false, {WN}},
        GateCase{"QZero", With(5, "0"), false, {WQ}},
        GateCase{"QJustAbove", With(5, "4.9e-324"), true, {}},
        // Efficiency and CO warn but never hold back the results.
        GateCase{"EtaZero", With(6, "0"), true, {WEta}},
        GateCase{"EtaCommaReadsZero", With(6, "0,9"), true, {WEta}},
        GateCase{"EtaNegative", With(6, "-10"), true, {WEta}},
        GateCase{"COZero", With(7, "0"), true, {WCO}},
        GateCase{"AllEightFire", {"-1", "-1", "-1", "-1", "-1", "-1", "-1", "-1"}, false,
                 {WPin, WPout, WB, WH, WN, WQ, WEta, WCO}},
        // Beyond the range of a double: an infinity of its sign.
        GateCase{"PinOverflowPasses", With(0, "1e999"), true, {}},
        GateCase{"PinNegativeOverflowWarns", With(0, "-1e999"), false, {WPin}},
        GateCase{"PoutNegativeOverflowWarns", With(1, "-1e999"), false, {WPout}},
        GateCase{"EtaUnderflowReadsZero", With(6, "1e-999"), true, {WEta}}),
    [](const testing::TestParamInfo<GateCase>& p) { return std::string(p.param.name); });

TEST(Evaluate, NegativeEfficiencyComputesNegativeResults)
{
    const EvaluationOutcome out = Evaluate(With(6, "-10"), ".");
    ASSERT_TRUE(out.computed);
    EXPECT_EQ(out.resultTexts[0], "-0.625");
    EXPECT_EQ(out.resultTexts[6].front(), '-');
}

TEST(Evaluate, COZeroShowsZeroPpm)
{
    EXPECT_EQ(Evaluate(With(7, "0"), ".").resultTexts[4], "0");
}

TEST(Evaluate, FinalWeightAboveInitialGivesNegativeDifference)
{
    EXPECT_EQ(Evaluate(With(1, "25.5"), ",").resultTexts[5], "-5,5");
}

// Results with no finite value show the empty text; the others still show.
struct NoValueCase {
    const char* name;
    Texts texts;
    std::array<std::string, ResultCount> texts_shown;
};

void PrintTo(const NoValueCase& c, std::ostream* os) { *os << c.name; }

class NoFiniteValue : public testing::TestWithParam<NoValueCase> {};

TEST_P(NoFiniteValue, ShowsEmptyText)
{
    const NoValueCase& c = GetParam();
    const EvaluationOutcome out = Evaluate(c.texts, ".");
    ASSERT_TRUE(out.computed);
    EXPECT_EQ(out.resultTexts, c.texts_shown);
}

INSTANTIATE_TEST_SUITE_P(
    DecidedCases, NoFiniteValue,
    testing::Values(
        NoValueCase{"EfficiencyZero", With(6, "0"),
                    {"0", "100", "2.32558139534884", "-2.32558139534884", "200", "15", ""}},
        NoValueCase{"EfficiencyBlank", With(6, ""),
                    {"0", "100", "2.32558139534884", "-2.32558139534884", "200", "15", ""}},
        NoValueCase{"PinOverflow", With(0, "1e999"),
                    {"5", "100", "2.32558139534884", "2.67441860465116", "200", "", "46.5116279069767"}},
        NoValueCase{"PowerProductOverflows", With(3, "1e306"),
                    {"", "100", "2.32558139534884", "", "200", "15", "0"}},
        NoValueCase{"WaterFlowOverflow", With(5, "1e999"),
                    {"5", "", "", "", "200", "15", ""}},
        NoValueCase{"BothPowersInfinite", {"20", "5", "45", "1e999", "20", "1e999", "80", "250"},
                    {"", "", "", "", "200", "15", ""}},
        NoValueCase{"COOverflow", With(7, "1e999"),
                    {"5", "100", "2.32558139534884", "2.67441860465116", "", "15", "46.5116279069767"}}),
    [](const testing::TestParamInfo<NoValueCase>& p) { return std::string(p.param.name); });

} // namespace
