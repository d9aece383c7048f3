#pragma once

// The one seam through which every warning box of the program goes: a modal
// box with a title, an information icon and one OK button, returning only
// when dismissed.
//
// How a test sees and steers the boxes:
//  - Real boxes. Each box is a QMessageBox whose objectName is
//    WarningBox::ObjectName ("WarningBox"). While it is open it is
//    QApplication::activeModalWidget(); a timer can read its windowTitle()
//    and text() and close it with
//    box->button(QMessageBox::Ok)->click() or QTest::keyClick(box, Qt::Key_Return).
//  - Interceptor. WarningBox::SetInterceptor(hook) replaces the box: Show
//    calls hook(title, text) and returns at once, nothing modal is shown.
//    For monkey tests and anything that must not block.
// Pass an empty function to remove it. The interceptor is process-wide; a
// test that sets one removes it when done.

#include <QString>

#include <functional>

class QWidget;

namespace calorvin::ui {

class WarningBox final {
public:
    using Hook = std::function<void(const QString& title, const QString& text)>;

    static constexpr const char* ObjectName = "WarningBox";

    // Shows the box modally over parent and waits until it is dismissed.
    static void Show(QWidget* parent, const QString& title, const QString& text);

    // A question of the same kind with "Sì" and "No" (the default): true for
    // "Sì". The box is at least as wide as its title needs on a title bar, so
    // the title reads whole. An interceptor sees it as a box and answers "No".
    static bool Confirm(QWidget* parent, const QString& title, const QString& text);

    static void SetInterceptor(Hook hook);

    // What Ctrl+C in a box puts on the clipboard, laid out as the Windows
    // message box does: title, text and button captions between dashed lines
    // of 27 dashes. Lines end in '\n'; Qt makes them CRLF on Windows.
    static QString ClipboardText(const QString& title, const QString& text,
                                 const QStringList& buttonCaptions);
};

} // namespace calorvin::ui
