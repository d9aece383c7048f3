// Time of one press of "Calcola" on the real window: from the click to the last
// result box written (TxtEtaw, the seventh), and to the click's return; then,
// for scale, a person's mouse click until the window is painted again, and the
// paste of the megabyte itself. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise, the window set up as the program sets it up.
//
//   calculate_bench [--runs N] [--megabyte-runs N]
//
// Every case keeps the gate open and raises no warning; a warning all the same
// (caught at the warning seam, so no box blocks) makes the benchmark fail,
// since it would time the box and not the calculation.
#include "application.h"
#include "calorvin.h"
#include "summary.h"
#include "warning_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::array<const char*, 8> EntryBoxes = {"TxtPin", "TxtPout", "TxtB",   "TxtH",
                                                   "TxtN",   "TxtQ",    "TxtEta", "TxtCO"};
constexpr std::array<const char*, 7> ResultBoxes = {"TxtP",     "TxtMw", "TxtPw",  "TxtPa",
                                                    "TxtCOppm", "TxtDp", "TxtEtaw"};
// A valid test: every result computed, no warning.
constexpr std::array<const char*, 8> ReferenceEntries = {"20", "5", "45", "500", "20", "100", "80", "250"};
constexpr qsizetype Megabyte = 1024 * 1024;

// Counts the paints of one widget.
class PaintWatch : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

struct Case {
    const char* name;
    QString pinEntry; // what TxtPin holds; the other boxes hold the reference
    int runs;
    double goalMs;
};

void PrintRow(const char* name, const char* what, const std::vector<double>& ms, double goalMs)
{
    std::string note;
    if (goalMs > 0) {
        const bool met = calorvin::bench::Summarise(ms).median < goalMs;
        note = "goal < " + std::to_string(static_cast<int>(goalMs)) + " ms: " + (met ? "met" : "MISSED");
    }
    calorvin::bench::PrintRow(std::string("Calcola: ") + what, name, ms, "ms", note);
}

int IntArg(int argc, char* argv[], const char* option, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], option) == 0)
            return std::max(1, std::atoi(argv[i + 1]));
    return fallback;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int runs = IntArg(argc, argv, "--runs", 2000);
    const int megabyteRuns = IntArg(argc, argv, "--megabyte-runs", 30);
    const bool styleChosen = calorvin::ui::StyleChosenByUser(argc, argv);
    QApplication app(argc, argv);
    calorvin::ui::SetUpApplication(app, styleChosen);

    int warnings = 0;
    calorvin::ui::WarningBox::SetInterceptor([&](const QString&, const QString&) { ++warnings; });

    calorvin::ui::Calorvin window;
    window.show();
    QApplication::processEvents();

    std::array<QLineEdit*, 8> entries{};
    std::array<QLineEdit*, 7> results{};
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = window.findChild<QLineEdit*>(QString::fromLatin1(EntryBoxes[i]));
    for (std::size_t i = 0; i < results.size(); ++i)
        results[i] = window.findChild<QLineEdit*>(QString::fromLatin1(ResultBoxes[i]));
    auto* calcola = window.findChild<QAbstractButton*>(QStringLiteral("CmdCalcola"));
    if (!calcola || std::count(entries.begin(), entries.end(), nullptr) != 0
        || std::count(results.begin(), results.end(), nullptr) != 0) {
        std::fprintf(stderr, "calculate_bench: the window lacks a box or CmdCalcola\n");
        return 1;
    }

    QElapsedTimer timer;
    qint64 lastWritten = -1;
    QObject::connect(results.back(), &QLineEdit::textChanged, &window,
                     [&] { lastWritten = timer.nsecsElapsed(); });

    const QString digits(Megabyte, QLatin1Char('7'));
    const QString zeros(Megabyte, QLatin1Char('0'));
    const QString blanks(Megabyte, QLatin1Char(' '));
    const std::array<Case, 4> cases = {{
        {"reference entries", QStringLiteral("20"), runs, 1.0},
        {"TxtPin: 20, + 1 MiB of digits", QStringLiteral("20,") + digits, megabyteRuns, 100.0},
        {"TxtPin: 20. + 1 MiB of zeros", QStringLiteral("20.") + zeros, megabyteRuns, 100.0},
        {"TxtPin: 20 + 1 MiB of blanks", QStringLiteral("20") + blanks, megabyteRuns, 100.0},
    }};

    calorvin::bench::PrintHeader();
    // A pasted megabyte also costs the box itself: a person's click moves the
    // focus from the box to the button, so the box is painted again along with
    // the results. "painted" rows time that, from the press to the last paint.
    PaintWatch paints;
    results.back()->installEventFilter(&paints);
    const auto settle = [&] {
        for (QLineEdit* r : results)
            r->setText(QString());
        entries.front()->setFocus();
        QApplication::processEvents();
        lastWritten = -1;
        paints.count = 0;
    };
    const auto failed = [&](const Case& c) {
        if (warnings != 0) {
            std::fprintf(stderr, "calculate_bench: a warning was raised in case \"%s\"\n", c.name);
            return true;
        }
        if (lastWritten < 0 || results.front()->text() != QStringLiteral("5")) {
            std::fprintf(stderr, "calculate_bench: case \"%s\" did not write the results (P = \"%s\")\n", c.name,
                         qPrintable(results.front()->text()));
            return true;
        }
        return false;
    };

    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) {
        std::fprintf(stderr, "calculate_bench: the window did not become active\n");
        return 1;
    }
    for (const Case& c : cases) {
        for (std::size_t i = 0; i < entries.size(); ++i)
            entries[i]->setText(QString::fromLatin1(ReferenceEntries[i]));
        entries.front()->setText(c.pinEntry);
        std::vector<double> toLastResult;
        std::vector<double> toReturn;
        for (int run = 0; run < c.runs; ++run) {
            settle();
            timer.start();
            calcola->click();
            const qint64 returned = timer.nsecsElapsed();
            if (failed(c))
                return 1;
            toLastResult.push_back(static_cast<double>(lastWritten) / 1e6);
            toReturn.push_back(static_cast<double>(returned) / 1e6);
        }
        std::vector<double> toPainted;
        for (int run = 0; run < std::min(c.runs, megabyteRuns); ++run) {
            settle();
            timer.start();
            QTest::mouseClick(calcola, Qt::LeftButton);
            QApplication::processEvents();
            const qint64 painted = timer.nsecsElapsed();
            if (failed(c))
                return 1;
            if (paints.count == 0) {
                std::fprintf(stderr, "calculate_bench: case \"%s\": the results were not painted\n", c.name);
                return 1;
            }
            toPainted.push_back(static_cast<double>(painted) / 1e6);
        }
        PrintRow(c.name, "click->last result", toLastResult, c.goalMs);
        PrintRow(c.name, "click->return", toReturn, 0);
        PrintRow(c.name, "mouse click->painted", toPainted, 0);

        // Pasting the megabyte, for scale: Ctrl+V into the focused, empty box.
        if (c.pinEntry.size() > Megabyte) {
            std::vector<double> toPasted;
            for (int run = 0; run < std::min(c.runs, 10); ++run) {
                entries.front()->clear();
                entries.front()->setFocus();
                QApplication::clipboard()->setText(c.pinEntry);
                QApplication::processEvents();
                timer.start();
                QTest::keyClick(entries.front(), Qt::Key_V, Qt::ControlModifier);
                QApplication::processEvents();
                toPasted.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
                if (entries.front()->text().size() != c.pinEntry.size()) {
                    std::fprintf(stderr, "calculate_bench: case \"%s\": the paste did not arrive\n", c.name);
                    return 1;
                }
            }
            PrintRow(c.name, "Ctrl+V->painted", toPasted, 0);
        }
    }
    std::printf("# Calcola: on the %s platform\n", qPrintable(QApplication::platformName()));
    return 0;
}
