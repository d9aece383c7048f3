// The form both faces show, driven as a face drives it: what the user typed is
// passed before each command and the writes that come back are applied; then
// the record, or the refusal the warning box shows.

#include "form.h"
#include "oracle.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using calorvin::BoxCount;
using calorvin::EntryCount;

const std::string Press = "premere Calcola prima di copiare o salvare la prova.";
const std::string NoRun = "Nessun calcolo da registrare: " + Press;
const std::string Changed = "I dati in ingresso sono stati modificati dopo l'ultimo calcolo: " + Press;
const std::string TypedOver = "I dati in uscita sono stati modificati dopo l'ultimo calcolo: " + Press;
const std::string NotComputed = "L'ultimo calcolo non ha prodotto risultati, quindi i dati in uscita non "
                                "corrispondono ai dati in ingresso: correggere i dati in ingresso e " + Press;

struct FormRow {
    const char* name;
    std::vector<std::string> steps; // after the reference test is typed: "Calcola", "Cancella", or "box=text"
    std::string refusal;            // empty: on record
    const char* warnings;           // on the printed record: the numbers of the checks that fired last
};

void PrintTo(const FormRow& row, std::ostream* os) { *os << row.name; }

class Form : public testing::TestWithParam<FormRow> {};

// A face over the form: its boxes, written only by the user and by the form's writes.
TEST_P(Form, RecordsOnlyTheLastRun)
{
    std::array<std::size_t, BoxCount> order{};
    std::iota(order.rbegin(), order.rend(), 0); // any order the window gives
    calorvin::Form form(order);
    calorvin::BoxTexts shown;
    const oracle::Texts reference = {"20", "5", "45", "500", "20", "100", "80", "250"};
    std::copy(reference.begin(), reference.end(), shown.begin());
    const auto apply = [&shown](const std::vector<calorvin::BoxWrite>& writes) {
        for (const calorvin::BoxWrite& w : writes)
            shown.at(w.box) = w.text;
    };
    for (const std::string& step : GetParam().steps) {
        form.Set(shown);
        if (step == "Calcola")
            apply(form.Calcola(",").writes);
        else if (step == "Cancella")
            apply(form.Cancella());
        else
            shown.at(std::stoul(step)) = step.substr(step.find('=') + 1);
    }
    form.Set(shown);
    EXPECT_EQ(form.Refusal(), GetParam().refusal);
    const calorvin::PrintedRecord printed = form.Printed("titolo", {2026, 12, 7, 9, 5});
    std::string warned;
    for (std::string_view w : printed.warnings)
        warned += std::to_string(std::find(oracle::WarningTexts.begin(), oracle::WarningTexts.end(), w) -
                                 oracle::WarningTexts.begin() + 1);
    EXPECT_EQ(warned, GetParam().warnings);
}

INSTANTIATE_TEST_SUITE_P(Sequences, Form, testing::Values(
    FormRow{"NoCalcolaYet", {}, NoRun, ""},
    FormRow{"AfterCalcola", {"Calcola"}, "", ""},
    FormRow{"EntryChanged", {"Calcola", "7=30"}, Changed, ""},
    FormRow{"EntryTypedBack", {"Calcola", "0=30", "0=20"}, "", ""},
    FormRow{"CalcolaAgain", {"Calcola", "0=30", "Calcola"}, "", ""},
    FormRow{"ResultTypedOver", {"Calcola", "14=16"}, TypedOver, ""},
    FormRow{"ResultBlankedByHand", {"Calcola", "8="}, TypedOver, ""},
    FormRow{"WarnsAndRecords", {"7=-5", "Calcola"}, "", "8"},
    FormRow{"CancellaForgetsTheRun", {"7=-5", "Calcola", "Cancella"}, NoRun, ""},
    FormRow{"GateFailedEarlierResults", {"Calcola", "0=0", "Calcola"}, NotComputed, "1"},
    FormRow{"ChangedAfterAFailedGate", {"0=0", "Calcola", "0=20"}, Changed, "1"},
    FormRow{"BlankFormAfterCancella", {"Calcola", "Cancella", "Calcola"}, NotComputed, "1345678"},
    FormRow{"CancellaThenRetyped", {"Cancella", "0=20", "Calcola"}, NotComputed, "345678"}),
    [](const testing::TestParamInfo<FormRow>& p) { return std::string(p.param.name); });

// Calcola's writes: the seven results in the order they are computed, none when the gate fails; Cancella's: one
// blank in every box, in the window's order.
TEST(FormWrites, InOrder)
{
    std::array<std::size_t, BoxCount> order = {3, 1, 4, 0, 5, 9, 2, 6, 8, 7, 10, 14, 12, 13, 11};
    calorvin::Form form(order);
    form.Set({"20", "5", "45", "500", "20", "100", "80", "250"});
    std::string written;
    for (const calorvin::BoxWrite& w : form.Calcola(".").writes)
        written += std::to_string(w.box) + "=" + w.text + " ";
    EXPECT_EQ(written, "8=5 9=100 10=2.32558139534884 11=2.67441860465116 12=200 13=15 14=46.5116279069767 ");
    form.Set({"0"});
    EXPECT_TRUE(form.Calcola(".").writes.empty());
    written.clear();
    for (const calorvin::BoxWrite& w : form.Cancella())
        written += std::to_string(w.box) + "=" + w.text + ";";
    EXPECT_EQ(written, "3= ;1= ;4= ;0= ;5= ;9= ;2= ;6= ;8= ;7= ;10= ;14= ;12= ;13= ;11= ;");
}

TEST(PrintedRecord, DateAndBody)
{
    EXPECT_EQ(calorvin::RecordDate({2026, 12, 7, 9, 5}), "07/12/2026 09:05");
    EXPECT_EQ(calorvin::RecordDate({999, 1, 31, 23, 59}), "31/01/0999 23:59");
    calorvin::PrintedRecord printed{"t", "d", calorvin::RecordOf({}), {}};
    EXPECT_EQ(printed.BodyHtml(), calorvin::RecordHtmlTable(printed.table)) << "no warnings, no heading";
    printed.warnings = {"a<b", "c"};
    EXPECT_EQ(printed.BodyHtml(), calorvin::RecordHtmlTable(printed.table) +
                                      "<p><b>Attenzione !!!</b></p><ul><li>a&lt;b</li><li>c</li></ul>");
}

struct PlaceRow {
    const char* name;
    double bodyArea; // the body's height times the width it is laid out at
    calorvin::PagePlacement expected;
};

void PrintTo(const PlaceRow& row, std::ostream* os) { *os << row.name; }

class Place : public testing::TestWithParam<PlaceRow> {};

// An A4 page inside its margins at 96 dpi (704 x 1032), a heading 16 high, the window 632 x 597.
TEST_P(Place, WindowAndBody)
{
    const double area = GetParam().bodyArea;
    const calorvin::PagePlacement at =
        calorvin::PlaceOnPage(704, 1032, 16, 632, 597, [area](double width) { return area / width; });
    const calorvin::PagePlacement& want = GetParam().expected;
    for (auto [got, expected] : {std::pair(at.left, want.left), std::pair(at.top, want.top),
                                 std::pair(at.scale, want.scale), std::pair(at.bodyTop, want.bodyTop),
                                 std::pair(at.textScale, want.textScale)})
        EXPECT_NEAR(got, expected, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Place, testing::Values(
    // Room below the heading: 1032 - 28 - 12 = 992.
    PlaceRow{"WholeAtItsSize", 704 * 300.0, {36, 28, 1, 637, 1}},
    PlaceRow{"WindowShrinksForTheBody", 704 * 693.0, {(704 - 632 * 299 / 597.0) / 2, 28, 299 / 597.0, 339, 1}},
    PlaceRow{"BelowHalfTheBodyShrinks", 704 * 2000.0,
             {(704 - 316) / 2.0, 28, 0.5, 28 + 298.5 + 12, (992 - 298.5) / 2000}}),
    [](const testing::TestParamInfo<PlaceRow>& p) { return std::string(p.param.name); });

struct RunRow {
    const char* name;
    std::u16string text;
    std::size_t at, start, end;
};

void PrintTo(const RunRow& row, std::ostream* os) { *os << row.name; }

class DoubleClick : public testing::TestWithParam<RunRow> {};

TEST_P(DoubleClick, SelectsTheRun)
{
    const RunRow& row = GetParam();
    EXPECT_EQ(calorvin::RunAt(row.text, row.at), std::pair(row.start, row.end));
}

INSTANTIATE_TEST_SUITE_P(Texts, DoubleClick, testing::Values(
    RunRow{"Sign", u"-3.63604651162791", 0, 0, 17}, RunRow{"AfterThePoint", u"-3.63604651162791", 9, 0, 17},
    RunRow{"Exponent", u"5.00000000000007E-02", 18, 0, 20}, RunRow{"NumberBeforeUnit", u" 20 kg", 2, 1, 3},
    RunRow{"Unit", u" 20 kg", 5, 4, 6}, RunRow{"AtTheEnd", u" 20 kg", 6, 4, 6},
    RunRow{"BetweenBlanks", u"20 \t 5", 3, 2, 5}, RunRow{"BlankAfterARun", u"20  ", 2, 0, 2},
    RunRow{"Empty", u"", 0, 0, 0}, RunRow{"PastTheEnd", u"20", 9, 0, 2}),
    [](const testing::TestParamInfo<RunRow>& p) { return std::string(p.param.name); });

TEST(Tooltip, LongTextsCut)
{
    EXPECT_EQ(calorvin::Tooltip(std::u16string(1000, u'7')), std::u16string(1000, u'7'));
    EXPECT_EQ(calorvin::Tooltip(std::u16string(1001, u'7')), std::u16string(1000, u'7') + u"\u2026");
}

} // namespace
