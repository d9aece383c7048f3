#pragma once

// The main window Calorvin and its three commands.
//
// For tests and tools: every control carries its name as objectName,
// e.g. findChild<QLineEdit*>("TxtPin"), findChild<QPushButton*>("CmdCalcola");
// warnings go through WarningBox (warning_box.h); how the program ends can be
// replaced with setEndProgram. The test on record (record.h) is reached by
// Ctrl+Shift+C, Ctrl+S or the context menu on the window's background.

#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class QAction;
class QLineEdit;
class QPushButton;

namespace calorvin::layout {
enum class Role;
}

namespace calorvin::ui {

class Calorvin final : public QWidget {
    Q_OBJECT

public:
    explicit Calorvin(QWidget* parent = nullptr);

    // What "Uscita" and the close box do. The default leaves the event loop
    // at once with exit status 0; a test can put a recorder in its place.
    void setEndProgram(std::function<void()> endProgram);

    // The three commands, each run by its button's click.
    void CmdCalcola_Click();
    void CmdCancella_Click();
    void CmdUscita_Click();

    // The test on record: the fifteen boxes onto the clipboard, as text and
    // as a table; the page as a PDF at path, false after a warning box
    // saying why it could not be written.
    void copyTest();
    bool saveTestAsPdf(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    using Built = std::vector<QWidget*>; // one per row of the layout table, in its order

    Built buildControls();
    void connectButton(QPushButton* button, layout::Role command);
    void setTabOrder(const Built& built);
    void describeBoxes(const Built& built);
    void addRecordActions();
    void applyColours();
    void askAndSaveTestAsPdf();
    std::array<QLineEdit*, 15> recordOrder() const; // the boxes as the test on record lists them

    std::array<QLineEdit*, 8> m_entries{};  // Pin, Pout, B, H, N, Q, Eta, CO
    std::array<QLineEdit*, 7> m_results{};  // P, Mw, Pw, Pa, COppm, Dp, Etaw
    std::vector<QWidget*> m_tabOrder;     // boxes and buttons by rising TabIndex
    std::vector<QLineEdit*> m_clearOrder; // the boxes in that order, as Cancella blanks them
    std::vector<std::pair<QWidget*, bool>> m_inked; // highlighted label, or line; true: highlight, else desktop
    std::function<void()> m_endProgram;
    QStringList m_lastWarnings; // of the last Calculate; emptied by Cancella
    QAction* m_copyTest = nullptr;
    QAction* m_saveTest = nullptr;
    bool m_showingWarnings = false; // a Calculate's warning boxes are being shown
};

} // namespace calorvin::ui
