#include "text_box.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>

namespace calorvin::ui {

namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

// A pasted megabyte would make a tooltip wider than any screen and slow to
// lay out; beyond this it shows the beginning and an ellipsis.
constexpr qsizetype LongestTooltip = 1000;

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
            const QString whole = text();
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                               whole.size() > LongestTooltip ? whole.left(LongestTooltip) + u'…' : whole, this);
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
    qsizetype start = cursorPositionAt(event->position().toPoint());
    // The character just after the pointer's place, or else the one before it.
    const bool onBlanks = (start >= t.size() || IsBlank(t[start])) && (start == 0 || IsBlank(t[start - 1]));
    const auto inRun = [&](QChar c) { return IsBlank(c) == onBlanks; };
    qsizetype end = start;
    while (start > 0 && inRun(t[start - 1]))
        --start;
    while (end < t.size() && inRun(t[end]))
        ++end;
    if (end > start)
        setSelection(static_cast<int>(start), static_cast<int>(end - start));
}

} // namespace calorvin::ui
