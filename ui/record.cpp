#include "record.h"

#include "fonts.h"
#include "layout.h"
#include "utf8.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QTextOption>
#include <QWidget>


namespace calorvin::ui::record {

namespace {

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

// The page, in logical pixels (the writer runs at 96 dpi, like the screen
// the window is laid out for), as the record describes and places it.
void DrawPage(QPainter& painter, const QRectF& page, QWidget& window, const PrintedRecord& record)
{
    painter.setFont(Searchable(FontFor(layout::S10B)));
    const QRectF heading(page.topLeft(), QSizeF(page.width(), painter.fontMetrics().height()));
    painter.drawText(heading, Qt::AlignLeft, Text(record.title));
    painter.drawText(heading, Qt::AlignRight, Text(record.date));

    QTextDocument document;
    document.setDocumentMargin(0);
    document.setDefaultFont(Searchable(FontFor(layout::S10)));
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere); // long digit strings too
    document.setDefaultTextOption(option);
    document.setHtml(Text(record.BodyHtml()));
    const PagePlacement at = PlaceOnPage(page.width(), page.height(), heading.height(), window.width(),
                                         window.height(), [&document](double width) {
                                             document.setTextWidth(width);
                                             return document.size().height();
                                         });

    const QRectF picture(page.left() + at.left, page.top() + at.top, at.scale * window.width(),
                         at.scale * window.height());
    painter.save();
    painter.translate(picture.topLeft());
    painter.scale(at.scale, at.scale);
    window.render(&painter, QPoint(), QRegion(),
                  QWidget::DrawWindowBackground | QWidget::DrawChildren);
    painter.restore();
    painter.setPen(QPen(Qt::gray, 0));
    painter.drawRect(picture);

    painter.save();
    painter.translate(page.left(), page.top() + at.bodyTop);
    painter.scale(at.textScale, at.textScale);
    document.drawContents(&painter);
    painter.restore();
}

} // namespace

QMimeData* MimeData(const RecordTable& table)
{
    auto* data = new QMimeData;
    data->setText(Text(RecordText(table)));
    data->setHtml(Text(RecordHtml(table)));
    return data;
}

QString ProposedFileName(const QDateTime& when)
{
    return when.toString(QStringLiteral("'Calorvin 'yyyy-MM-dd HH.mm'.pdf'"));
}

QString SavePdf(const QString& path, QWidget& window, const PrintedRecord& record)
{
    QSaveFile file(path);
    bool drawn = false;
    if (file.open(QIODevice::WriteOnly)) {
        QPdfWriter pdf(&file);
        pdf.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b); // for archives: fonts embedded, metadata
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        constexpr qreal margin = PrintedRecord::MarginMm;
        pdf.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
        pdf.setTitle(Text(layout::WindowTitle));
        pdf.setCreator(QStringLiteral("Calorvin"));
        QPainter painter;
        if (painter.begin(&pdf)) {
            const QRectF page(0, 0, pdf.width(), pdf.height());
            DrawPage(painter, page, window, record);
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
