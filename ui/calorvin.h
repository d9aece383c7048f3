#pragma once

// The main window Calorvin and its three commands.
//
// For tests and tools: every control carries its name from the layout table
// as objectName ("TxtPin", "CmdCalcola"), so a test can look it up; warnings
// go through WarningBox (warning_box.h); how the program ends can be
// replaced with setEndProgram. The test on record (record.h) is reached by
// Ctrl+Shift+C, Ctrl+S or the context menu on the window's background.

#include "form.h"

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
    // as a table; the page as a PDF at path. Only while the boxes hold what
    // the last Calculate read and wrote; otherwise, or when the file cannot
    // be written, a warning box says why and nothing is copied or written
    // (saveTestAsPdf then returns false).
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
    BoxTexts boxTexts() const;    // entries, then results
    QLineEdit* boxAt(std::size_t box) const; // numbered as the form numbers them
    void write(const std::vector<BoxWrite>& writes);
    bool refuseToRecord();        // true after a warning box saying why the boxes are no test on record

    std::array<QLineEdit*, EntryCount> m_entries{};  // in the order of the core's table of entries
    std::array<QLineEdit*, ResultCount> m_results{}; // in the order of its results
    std::vector<std::pair<QWidget*, bool>> m_inked; // highlighted label, or line; true: highlight, else desktop
    std::function<void()> m_endProgram;
    Form m_form; // the boxes as last passed, and the last Calculate since start or Cancella
    QString m_pdfFolder; // where the save dialog opens: the folder last saved to during this run
    QAction* m_copyTest = nullptr;
    QAction* m_saveTest = nullptr;
    bool m_showingWarnings = false; // a Calculate's warning boxes are being shown
};

} // namespace calorvin::ui
