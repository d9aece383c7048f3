#pragma once

// The main window Calorvin and its three commands.
//
// For tests and tools: every control carries its name as objectName,
// e.g. findChild<QLineEdit*>("TxtPin"), findChild<QPushButton*>("CmdCalcola");
// warnings go through WarningBox (warning_box.h); how the program ends can be
// replaced with setEndProgram.

#include <QWidget>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class QLineEdit;

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

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyColours();

    std::array<QLineEdit*, 8> m_entries{};  // Pin, Pout, B, H, N, Q, Eta, CO
    std::array<QLineEdit*, 7> m_results{};  // P, Mw, Pw, Pa, COppm, Dp, Etaw
    std::array<QLineEdit*, 15> m_clearOrder{}; // the order Cancella blanks them
    std::vector<std::pair<QWidget*, bool>> m_inked; // highlighted label, or line; true: highlight, else desktop
    std::function<void()> m_endProgram;
};

} // namespace calorvin::ui
