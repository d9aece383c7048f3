#include "text_box.h"

#include "form.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>

namespace calorvin::ui {

namespace {

std::u16string_view Utf16(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

} // namespace

bool TextBox::textFits() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents =
        style()->subElementRect(QStyle::SE_LineEditContents, &option, this).marginsRemoved(textMargins());
    constexpr int Margins = 2 * 2; // QLineEdit keeps 2 px free on either side of the text
    return fontMetrics().horizontalAdvance(text()) <= contents.width() - Margins;
}

bool TextBox::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        if (textFits()) {
            QToolTip::hideText();
        } else {
            const std::u16string shown = Tooltip(Utf16(text()));
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                               QString::fromUtf16(shown.data(), static_cast<qsizetype>(shown.size())), this);
        }
        return true;
    }
    return QLineEdit::event(event);
}

void TextBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLineEdit::mouseDoubleClickEvent(event); // also arms the triple-click
    if (event->button() != Qt::LeftButton)
        return;
    const QString t = text();
    const auto [start, end] = RunAt(Utf16(t), static_cast<std::size_t>(cursorPositionAt(event->position().toPoint())));
    if (end > start)
        setSelection(static_cast<int>(start), static_cast<int>(end - start));
}

} // namespace calorvin::ui
