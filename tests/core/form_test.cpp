// The form both faces show, driven as a face drives it: what the user typed is
// passed before each command and the writes that come back are applied; then
// the record, or the refusal the warning box shows.

#include "form.h"
#include "oracle.h"

#include <gtest/gtest.h>

namespace {

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

void PrintTo(const FormRow& row, std::ostream* os) { *os << row.name; } // in the test's name, not its bytes

class Form : public testing::TestWithParam<FormRow> {};

// A face over the form: its boxes, written only by the user and by the form's writes.
TEST_P(Form, RecordsOnlyTheLastRun)
{
    calorvin::Form form({14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}); // any order the window gives
    calorvin::BoxTexts shown = {"20", "5", "45", "500", "20", "100", "80", "250"};
    for (const std::string& step : GetParam().steps) {
        form.Set(shown);
        const bool typed = step != "Calcola" && step != "Cancella";
        for (const calorvin::BoxWrite& w : typed ? std::vector<calorvin::BoxWrite>{{std::stoul(step), step.substr(step.find('=') + 1)}}
                                                 : step == "Calcola" ? form.Calcola(",").writes : form.Cancella())
            shown.at(w.box) = w.text;
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

// An A4 page inside its margins at 96 dpi (704 x 1032), a heading 16 high, the window 632 x 597: the room below the
// heading is 1032 - 28 - 12 = 992. The body's height times the width it is laid out at stays the same.
TEST(PlaceOnPage, WindowAndBody)
{
    const std::vector<std::pair<double, std::vector<double>>> rows = { // body at the page's width: left, top, scale,
        {300, {36, 28, 1, 637, 1}},                                    // the body's top, its scale; whole at its size
        {693, {(704 - 632 * 299 / 597.0) / 2, 28, 299 / 597.0, 339, 1}}, // the window shrinks for the body
        {2000, {194, 28, 0.5, 338.5, 693.5 / 2000}}};                   // below half size the body shrinks instead
    for (const auto& [body, want] : rows) {
        const double area = body * 704;
        const auto at = calorvin::PlaceOnPage(704, 1032, 16, 632, 597, [area](double width) { return area / width; });
        EXPECT_EQ(std::vector({at.left, at.top, at.scale, at.bodyTop, at.textScale}), want) << body;
    }
}

// A double-click's run, [start, end): the text, where, what; a long text's tooltip.
TEST(BoxText, DoubleClickAndTooltip)
{
    const std::vector<std::tuple<std::u16string, std::size_t, std::size_t, std::size_t>> rows = {
        {u"-3.63604651162791", 0, 0, 17}, {u"-3.63604651162791", 9, 0, 17}, {u"5.00000000000007E-02", 18, 0, 20},
        {u" 20 kg", 2, 1, 3}, {u" 20 kg", 5, 4, 6}, {u" 20 kg", 6, 4, 6}, {u"20 \t 5", 3, 2, 5}, {u"20  ", 2, 0, 2},
        {u"", 0, 0, 0}, {u"20", 9, 0, 2}};
    for (const auto& [text, at, start, end] : rows)
        EXPECT_EQ(calorvin::RunAt(text, at), std::pair(start, end)) << at;
    EXPECT_EQ(calorvin::Tooltip(std::u16string(1000, u'7')), std::u16string(1000, u'7')); // and the tooltip
    EXPECT_EQ(calorvin::Tooltip(std::u16string(1001, u'7')), std::u16string(1000, u'7') + u"\u2026");
}

} // namespace
