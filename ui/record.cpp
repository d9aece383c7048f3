#include "record.h"

#include "fonts.h"
#include "layout.h"
#include "utf8.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QTextOption>
#include <QWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

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

// Whether this program may write there: by its effective user, as the
// system decides when it opens the file (QFileInfo asks for the real one).
bool MayWrite(const QString& path)
{
    return faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
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
    if (target.exists() && !MayWrite(path))
        return QStringLiteral("il file esistente è protetto da scrittura");
    if (!MayWrite(folder.filePath()))
        return QStringLiteral("non è permesso scrivere nella cartella");
    if (file.error() == QFileDevice::WriteError)
        return QStringLiteral("errore di scrittura, il disco potrebbe essere pieno");
    return QStringLiteral("errore imprevisto (%1)").arg(file.errorString());
}

// Why path may not be written over, when it is, or leads through links to,
// something other than a file or a folder: the temporary file renamed over a
// device, a FIFO or a socket would replace it, even for root. Empty when it
// is a file, a folder (refused as such later) or absent.
QString NotAFile(const QString& path)
{
    struct stat status {};
    if (stat(QFile::encodeName(path).constData(), &status) != 0 || S_ISREG(status.st_mode) ||
        S_ISDIR(status.st_mode))
        return {};
    const QString kind = S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) ? QStringLiteral("un dispositivo")
                         : S_ISFIFO(status.st_mode)                         ? QStringLiteral("una FIFO")
                         : S_ISSOCK(status.st_mode)                         ? QStringLiteral("un socket")
                                                                            : QStringLiteral("un oggetto speciale");
    if (!QFileInfo(path).isSymLink())
        return QStringLiteral("è %1, non un file").arg(kind);
    return QStringLiteral("il collegamento porta a \"%1\", %2, non un file")
        .arg(QDir::toNativeSeparators(QFileInfo(path).canonicalFilePath()), kind);
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

QString ShownStart(const QLineEdit& box, const QString& text)
{
    // As many characters as the box is wide in pixels, at least 16, doubled
    // while they all still fit in it.
    constexpr qsizetype Longest = 4096; // zero-width characters aside, far wider than any box
    const QFontMetrics metrics = box.fontMetrics();
    qsizetype length = std::max<qsizetype>(16, box.width());
    while (length < text.size() && length < Longest && metrics.horizontalAdvance(text.left(length)) <= box.width())
        length *= 2;
    if (length >= text.size())
        return text;
    if (text[length - 1].isHighSurrogate())
        ++length; // a character is never split
    return text.left(length);
}

QString ProposedFileName(const QDateTime& when)
{
    return when.toString(QStringLiteral("'Calorvin 'yyyy-MM-dd HH.mm'.pdf'"));
}

QString SavePdf(const QString& path, QWidget& window, const PrintedRecord& record)
{
    const auto failure = [&path](const QString& why) {
        return QStringLiteral("Impossibile salvare \"%1\": %2").arg(QDir::toNativeSeparators(path), why);
    };
    if (const QString why = NotAFile(path); !why.isEmpty())
        return failure(why);
    QSaveFile file(path); // through a link, it writes the link's target, and the link stays
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
    return failure(why);
}

} // namespace calorvin::ui::record
