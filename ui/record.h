#pragma once

// The test on record as the clipboard takes it (tab-separated text and an
// HTML table) and as one A4 page in PDF/A-1b; the table, its forms and when
// the boxes may go on record are the core's (record_table.h), shared with the
// page. Nothing here is built until the operator asks for it.

#include "form.h"

#include <QString>

class QDateTime;
class QMimeData;
class QLineEdit;
class QWidget;

namespace calorvin::ui::record {

// The table's tab-separated text and HTML forms at once, for
// QClipboard::setMimeData (which takes ownership).
QMimeData* MimeData(const RecordTable& table);

// The start of text, as much as box shows of it at rest and somewhat more,
// for the window drawn on the page: a box given megabytes would lay them all
// out to draw a few characters.
QString ShownStart(const QLineEdit& box, const QString& text);

// "Calorvin 2026-12-07 14.05.pdf"
QString ProposedFileName(const QDateTime& when);

// Writes the printed record to path, one A4 page: the window drawn as
// vectors at its own size (96 dpi) where the record places it; text without
// ligatures, so that a search finds every word. A path that is, or leads
// through links to, a device, a FIFO or a socket is refused; a link to a file
// writes the file and stays a link. The page
// goes to a temporary file in the same folder, renamed over path only once
// complete. Returns an empty string, or the Italian message saying why the
// file could not be written.
QString SavePdf(const QString& path, QWidget& window, const PrintedRecord& record);

} // namespace calorvin::ui::record
