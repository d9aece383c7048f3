#include "record.h"

#include "fonts.h"
#include "layout.h"
#include "utf8.h"

#include "quantities.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QTextOption>
#include <QWidget>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace calorvin::ui::record {

namespace {

QString Cell(const QString& text)
{
    if (!text.contains(u'\t') && !text.contains(u'\n') && !text.contains(u'\r') &&
        !text.startsWith(u'"'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

const QString Header[] = {QStringLiteral("Grandezza"), QStringLiteral("Valore"), QString::fromUtf8("Unità")};
const QString EntriesHeading = QStringLiteral("Dati in ingresso");
const QString ResultsHeading = QStringLiteral("Dati in uscita");

QString HtmlRow(const QString& tag, const QString& a, const QString& b, const QString& c)
{
    return QStringLiteral("<tr><%1>%2</%1><%1>%3</%1><%1>%4</%1></tr>\n")
        .arg(tag, a.toHtmlEscaped(), b.toHtmlEscaped(), c.toHtmlEscaped());
}

QString HtmlTable(const Table& table)
{
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"1\""
                                  " style=\"border-collapse:collapse\">\n") +
                   HtmlRow(QStringLiteral("th"), Header[0], Header[1], Header[2]);
    for (const auto& [heading, rows] : {std::pair(EntriesHeading, &table.entries),
                                        std::pair(ResultsHeading, &table.results)}) {
        html += QStringLiteral("<tr><th colspan=\"3\" align=\"left\">%1</th></tr>\n").arg(heading);
        for (const Row& row : *rows)
            html += HtmlRow(QStringLiteral("td"), row.caption, row.text, row.unit);
    }
    return html + QStringLiteral("</table>\n");
}

// Qt shapes Latin text with the font's ligatures by default; in a PDF a
// ligature is one glyph that text extraction and search do not read as its
// letters ("certificazione" would not be found).
QFont Searchable(QFont font)
{
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

// Why the file could not be written, in the operator's language; Qt's own
// reasons are English.
QString Why(const QSaveFile& file, const QString& path)
{
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists())
        return QStringLiteral("la cartella non esiste");
    if (!folder.isDir())
        return QStringLiteral("%1 non è una cartella")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (target.isDir())
        return QStringLiteral("è una cartella");
    if (target.exists() && !target.isWritable())
        return QStringLiteral("il file esistente è protetto da scrittura");
    if (!folder.isWritable())
        return QStringLiteral("non è permesso scrivere nella cartella");
    if (file.error() == QFileDevice::WriteError)
        return QStringLiteral("errore di scrittura, il disco potrebbe essere pieno");
    return QStringLiteral("errore imprevisto (%1)").arg(file.errorString());
}

constexpr qreal Gap = 12; // logical pixels, between the parts of the page

// The page, in logical pixels (the writer runs at 96 dpi, like the screen
// the window is laid out for): heading, window, table, warnings.
void DrawPage(QPainter& painter, const QRectF& page, QWidget& window, const Table& table,
              const QStringList& warnings, const QDateTime& when)
{
    painter.setFont(Searchable(FontFor(layout::S10B)));
    const QRectF heading(page.topLeft(), QSizeF(page.width(), painter.fontMetrics().height()));
    painter.drawText(heading, Qt::AlignLeft, Text(layout::WindowTitle));
    painter.drawText(heading, Qt::AlignRight, when.toString(QStringLiteral("dd/MM/yyyy HH:mm")));
    const qreal top = heading.bottom() + Gap;

    QString html = HtmlTable(table);
    if (!warnings.isEmpty()) {
        html += QStringLiteral("<p><b>%1</b></p><ul>").arg(Text(WarningTitle).toHtmlEscaped());
        for (const QString& warning : warnings)
            html += QStringLiteral("<li>%1</li>").arg(warning.toHtmlEscaped());
        html += QStringLiteral("</ul>");
    }
    QTextDocument document;
    document.setDocumentMargin(0);
    document.setDefaultFont(Searchable(FontFor(layout::S10)));
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere); // long digit strings too
    document.setDefaultTextOption(option);
    document.setHtml(html);
    document.setTextWidth(page.width());

    // The window as large as fits above the table, at most its own size; a
    // table too long for what is left (a box may hold any amount of text)
    // is shrunk instead, below half size for the window.
    const QSizeF size = window.size();
    const qreal room = page.bottom() - top - Gap;
    qreal scale = std::min({1.0, page.width() / size.width(),
                            (room - document.size().height()) / size.height()});
    qreal textScale = 1;
    if (scale < 0.5) {
        scale = std::min(0.5, page.width() / size.width());
        textScale = (room - scale * size.height()) / document.size().height();
        document.setTextWidth(page.width() / textScale);
        textScale = std::min(textScale, (room - scale * size.height()) / document.size().height());
    }

    const QRectF picture(page.left() + (page.width() - scale * size.width()) / 2, top,
                         scale * size.width(), scale * size.height());
    painter.save();
    painter.translate(picture.topLeft());
    painter.scale(scale, scale);
    window.render(&painter, QPoint(), QRegion(),
                  QWidget::DrawWindowBackground | QWidget::DrawChildren);
    painter.restore();
    painter.setPen(QPen(Qt::gray, 0));
    painter.drawRect(picture);

    painter.save();
    painter.translate(page.left(), picture.bottom() + Gap);
    painter.scale(textScale, textScale);
    document.drawContents(&painter);
    painter.restore();
}

} // namespace

Table TableOf(std::span<QLineEdit* const, EntryCount> entries,
              std::span<QLineEdit* const, ResultCount> results)
{
    const auto row = [](const auto& quantity, const QLineEdit* box) {
        return Row{Text(quantity.caption), box->text().trimmed(), Text(quantity.unit)};
    };
    Table table;
    for (std::size_t i = 0; i < Entries.size(); ++i)
        table.entries << row(Entries[i], entries[i]);
    for (std::size_t i : ResultsOnScreen)
        table.results << row(Results[i], results[i]);
    return table;
}

QString TabSeparated(const Table& table)
{
    QString text = Header[0] + u'\t' + Header[1] + u'\t' + Header[2] + u'\n';
    for (const auto& [heading, rows] : {std::pair(EntriesHeading, &table.entries),
                                        std::pair(ResultsHeading, &table.results)}) {
        text += heading + u'\n';
        for (const Row& row : *rows)
            text += Cell(row.caption) + u'\t' + Cell(row.text) + u'\t' + Cell(row.unit) + u'\n';
    }
    return text;
}

QString Html(const Table& table)
{
    return QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>\n") + HtmlTable(table) +
           QStringLiteral("</body></html>\n");
}

QMimeData* MimeData(const Table& table)
{
    auto* data = new QMimeData;
    data->setText(TabSeparated(table));
    data->setHtml(Html(table));
    return data;
}

QString ProposedFileName(const QDateTime& when)
{
    return when.toString(QStringLiteral("'Calorvin 'yyyy-MM-dd HH.mm'.pdf'"));
}

QString SavePdf(const QString& path, QWidget& window, const Table& table,
                const QStringList& warnings, const QDateTime& when)
{
    QSaveFile file(path);
    bool drawn = false;
    if (file.open(QIODevice::WriteOnly)) {
        QPdfWriter pdf(&file);
        pdf.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b); // for archives: fonts embedded, metadata
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
        pdf.setTitle(Text(layout::WindowTitle));
        pdf.setCreator(QStringLiteral("Calorvin"));
        QPainter painter;
        if (painter.begin(&pdf)) {
            const QRectF page(0, 0, pdf.width(), pdf.height());
            DrawPage(painter, page, window, table, warnings, when);
            drawn = painter.end();
        }
    }
    if (drawn && file.commit())
        return {};
    const QString why = Why(file, path); // before the temporary file goes
    file.cancelWriting();
    return QStringLiteral("Impossibile salvare \"%1\": %2")
        .arg(QDir::toNativeSeparators(path), why);
}

} // namespace calorvin::ui::record
