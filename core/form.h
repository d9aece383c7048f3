#pragma once

// The form the window and the page both show: the fifteen boxes' texts, the
// last "Calcola" and what it left, and the test on record. A face passes what
// the user typed, applies the writes that come back in their order and shows
// the warnings one at a time; every rule lives here.

#include "evaluation.h"
#include "record_table.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace calorvin {

// Boxes are numbered as BoxTexts: the entries, then the results.
struct BoxWrite {
    std::size_t box;
    std::string text;
};

// What one press of "Calcola" does: the results written, in the order they
// are computed (none when the gate fails), then its warnings in check order.
struct Calculation {
    bool computed = false;
    std::vector<BoxWrite> writes;
    std::vector<std::string_view> warnings;
};

// A moment on the clock, as its parts.
struct DateTime {
    int year, month, day, hour, minute;
};

// "dd/MM/yyyy HH:mm", the date and time a printed record carries.
std::string RecordDate(const DateTime& when);

// The printed record, one A4 page: the heading (the window's title on the
// left, the date and time on the right), a gap, the window, a gap, then the
// test's table (each value cut as PrintedTable cuts it) and the last run's
// warnings under their heading.
struct PrintedRecord {
    static constexpr int MarginMm = 12;     // on every side of the page
    static constexpr int GapPixels = 12;    // between the parts, in logical pixels (96 dpi)
    std::string title, date;
    RecordTable table;
    std::vector<std::string_view> warnings; // of the last run; none: no heading either
    std::string BodyHtml() const;           // the table, then the warnings' heading and list
};

// Where the window goes on the page, in logical pixels from the page's
// top-left corner inside its margins: centred, as large as fits above the
// body at most its own size; a body too long for what is left (a box may
// hold any amount of text) is shrunk instead, below half size for the
// window. The body is first laid out at the page's width; bodyHeightAt
// gives its height when laid out at another width.
struct PagePlacement {
    double left, top, scale; // the window
    double bodyTop, textScale;
};
template <typename HeightAt>
PagePlacement PlaceOnPage(double pageWidth, double pageHeight, double headingHeight, double windowWidth,
                          double windowHeight, HeightAt bodyHeightAt);

// What a double-click at place `at` of a box's text selects, [start, end)
// in UTF-16 units as both faces hold the text: the run of non-blanks, or of
// blanks, that holds the character just after that place, or else the one
// before it; a whole number however long ("-3.63604651162791", "5E-02").
std::pair<std::size_t, std::size_t> RunAt(std::u16string_view text, std::size_t at);

// A box's text as its tooltip shows it: a pasted megabyte would make a
// tooltip wider than any screen, so beyond 1000 units its start and "…".
std::u16string Tooltip(std::u16string_view text);

class Form {
public:
    // order: every box once, in the order the window blanks them (its Tab order).
    explicit Form(const std::array<std::size_t, BoxCount>& order);

    // What the boxes hold now; the face passes them before each command.
    void Set(const BoxTexts& texts) { m_texts = texts; }
    const BoxTexts& Texts() const { return m_texts; }

    // Reads the entries and writes the results, as one press of "Calcola".
    Calculation Calcola(std::string_view decimalSeparator);

    // Every box to one blank, in the window's order; the last run is forgotten.
    std::vector<BoxWrite> Cancella();

    // Why the boxes cannot go on record now, as the warning box says it; empty when they can.
    std::string Refusal() const;
    RecordTable Record() const { return RecordOf(m_texts); }
    PrintedRecord Printed(std::string_view title, const DateTime& when) const;

private:
    struct Run {
        RecordedRun recorded;
        std::vector<std::string_view> warnings;
    };
    std::array<std::size_t, BoxCount> m_order;
    BoxTexts m_texts;
    std::optional<Run> m_lastRun; // none since start or Cancella
};

template <typename HeightAt>
PagePlacement PlaceOnPage(double pageWidth, double pageHeight, double headingHeight, double windowWidth,
                          double windowHeight, HeightAt bodyHeightAt)
{
    const double top = headingHeight + PrintedRecord::GapPixels;
    const double room = pageHeight - top - PrintedRecord::GapPixels;
    const double body = bodyHeightAt(pageWidth);
    double scale = std::min({1.0, pageWidth / windowWidth, (room - body) / windowHeight});
    double textScale = 1;
    if (scale < 0.5) {
        scale = std::min(0.5, pageWidth / windowWidth);
        const double left = room - scale * windowHeight;
        textScale = left / body;
        textScale = std::min(textScale, left / bodyHeightAt(pageWidth / textScale));
    }
    return {(pageWidth - scale * windowWidth) / 2, top, scale,
            top + scale * windowHeight + PrintedRecord::GapPixels, textScale};
}

} // namespace calorvin
