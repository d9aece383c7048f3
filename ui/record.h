#pragma once

// The test on record: the fifteen boxes with the caption and unit shown beside
// each, as the clipboard takes them (tab-separated text and an HTML table) and
// as one A4 page in PDF/A-1b. Nothing here is built until the operator asks
// for it; whether the boxes may be recorded at all is the window's business.

#include "evaluation.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <span>

class QDateTime;
class QLineEdit;
class QMimeData;
class QWidget;

namespace calorvin::ui::record {

struct Row {
    QString caption; // the name label beside the box, with the "2" of O2
    QString text;    // as the box holds it, without blanks around it (a written box starts with one)
    QString unit;    // the unit label without its square brackets: "kg", "K o °C"
};

// The table every form shows: a header row "Grandezza", "Valore", "Unità",
// then the entries under "Dati in ingresso" and the results under "Dati in
// uscita", each in the window's top-to-bottom order.
struct Table {
    QList<Row> entries, results;
};

// The boxes in the order of the core's tables of entries and of results;
// captions and units come from those tables.
Table TableOf(std::span<QLineEdit* const, EntryCount> entries,
              std::span<QLineEdit* const, ResultCount> results);

// One line per row, cells split by tabs, every line ending in '\n'; a section
// heading is a line of one cell. A cell holding a tab or a line break, or
// starting with a double quote, is quoted the way spreadsheets read it back
// ("a""b" for a"b).
QString TabSeparated(const Table& table);

// A small HTML document holding the table.
QString Html(const Table& table);

// Both forms at once, for QClipboard::setMimeData (which takes ownership).
QMimeData* MimeData(const Table& table);

// "Calorvin 2026-12-07 14.05.pdf"
QString ProposedFileName(const QDateTime& when);

// Writes one A4 page to path: the title and the date and time, the window
// drawn as vectors at its own size (96 dpi), the table and the warnings, if
// any; text without ligatures, so that a search finds every word. The page
// goes to a temporary file in the same folder, renamed over path only once
// complete. Returns an empty string, or the Italian message saying why the
// file could not be written.
QString SavePdf(const QString& path, QWidget& window, const Table& table,
                const QStringList& warnings, const QDateTime& when);

} // namespace calorvin::ui::record
