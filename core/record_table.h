#pragma once

// The test on record as the operator copies or saves it: the fifteen boxes
// with the caption and unit shown beside each, as a table, its tab-separated
// and HTML forms, and whether the boxes may go on record at all. Texts are
// UTF-8; the window and the page only convert and show them.

#include "evaluation.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace calorvin {

inline constexpr int BoxCount = EntryCount + ResultCount;

// The boxes' texts: the entries in the order of the core's table of entries,
// then the results in the order of its table of results.
using BoxTexts = std::array<std::string, BoxCount>;

struct RecordRow {
    std::string_view caption; // as the window names the box, with the "2" of O2
    std::string text;         // as the box holds it, without blanks around it (a written box starts with one)
    std::string_view unit;    // without brackets: "kg", "K o °C"
};

// The table every form shows: a header row "Grandezza", "Valore", "Unità",
// then the entries under "Dati in ingresso" and the results under "Dati in
// uscita", each in the window's top-to-bottom order.
struct RecordTable {
    std::array<RecordRow, EntryCount> entries;
    std::array<RecordRow, ResultCount> results;
};
inline constexpr std::array<std::string_view, 3> RecordHeader = {"Grandezza", "Valore", "Unità"};
inline constexpr std::string_view EntriesHeading = "Dati in ingresso";
inline constexpr std::string_view ResultsHeading = "Dati in uscita";

RecordTable RecordOf(const BoxTexts& boxes);

// The most characters of a value a printed table shows. A box may hold
// megabytes; the page keeps each value to a few lines, the copy keeps it whole.
inline constexpr std::size_t LongestPrintedValue = 200;

// text as a printed table shows it: whole up to longest characters (code
// points), else its start, "…" and how many characters were left out:
// "1234…(+1999996 caratteri)".
std::string PrintedValue(std::string_view text, std::size_t longest = LongestPrintedValue);

// The table with every value as PrintedValue gives it.
RecordTable PrintedTable(RecordTable table);

// One line per row, cells split by tabs, every line ending in '\n'; a section
// heading is a line of one cell. A cell holding a tab or a line break, or
// starting with a double quote, is quoted the way spreadsheets read it back
// ("a""b" for a"b).
std::string RecordText(const RecordTable& table);

// Text fit for HTML, in an element or a quoted attribute: & < > " escaped.
std::string HtmlEscaped(std::string_view text);

// The table as an HTML element, and a small HTML document holding it.
std::string RecordHtmlTable(const RecordTable& table);
std::string RecordHtml(const RecordTable& table);

// What the last Calcola since start or Cancella left in the boxes, and
// whether it wrote results.
struct RecordedRun {
    BoxTexts texts;
    bool computed = false;
};

// Why the boxes cannot go on record, as the warning box says it: no run
// (lastRun null), entries changed since, results never written by it, or
// typed over. Empty when they can: a copy or a page never puts figures on
// file that do not belong together.
std::string RecordRefusal(const RecordedRun* lastRun, const BoxTexts& now);

} // namespace calorvin
