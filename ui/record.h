#pragma once

// The test on record: the fifteen boxes with the caption and unit shown beside
// each, as the clipboard takes them (tab-separated text and an HTML table) and
// as one A4 page in PDF. Nothing here is built until the operator asks for it.

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
    QString text;    // exactly as the box holds it
    QString unit;    // the unit label without its square brackets: "kg", "K o °C"
};

// One row per box, in the order given; captions and units come from the
// labels each box names in the layout table.
QList<Row> Rows(std::span<QLineEdit* const> boxes);

// One line per row, cells split by tabs, every line ending in '\n'. A cell
// holding a tab or a line break, or starting with a double quote, is quoted
// the way spreadsheets read it back ("a""b" for a"b).
QString TabSeparated(const QList<Row>& rows);

// A small HTML document holding the rows as a three-column table.
QString Html(const QList<Row>& rows);

// Both forms at once, for QClipboard::setMimeData (which takes ownership).
QMimeData* MimeData(const QList<Row>& rows);

// "Calorvin 2026-12-07 14.05.pdf"
QString ProposedFileName(const QDateTime& when);

// Writes one A4 page to path: the window drawn as vectors, the date and time,
// the rows as a table and the warnings, if any. The page goes to a temporary
// file in the same folder, renamed over path only once complete. Returns an
// empty string, or the Italian message saying why the file could not be written.
QString SavePdf(const QString& path, QWidget& window, const QList<Row>& rows,
                const QStringList& warnings, const QDateTime& when);

} // namespace calorvin::ui::record
