#pragma once

// A text box of the window: a QLineEdit that selects as the original
// platform's boxes do and shows a text too wide for it as a tooltip.

#include <QLineEdit>

namespace calorvin::ui {

class TextBox final : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

    // Whether the whole text shows inside the box.
    bool textFits() const;

protected:
    bool event(QEvent* event) override;
    // A double-click selects the run of non-blank characters under the
    // pointer (blanks: space and tab), so a number comes whole with its sign,
    // separator and exponent; a triple-click still selects everything.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace calorvin::ui
