// A monkey on the real window: random keys (Tab, Shift+Tab, Enter, Esc, editing
// keys, typing in any script), Ctrl+V of random and huge text, clicks on random
// points and on "Calcola" and "Cancella", never on "Uscita"; every warning box
// is closed as it appears. After every Calculate the result boxes must hold
// exactly what Evaluate gives for the entry boxes' texts (or their earlier texts
// where the gate failed), and the boxes shown must be its warnings, in order.
// Replay: CALORVIN_MONKEY_SEED=<seed printed at start>; CALORVIN_MONKEY_EVENTS=<n>
// stops at the event a failure names.

#include "calorvin.h"
#include "evaluation.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <random>

namespace {

// Pieces the monkey types and pastes: number syntax, separators, blanks and
// control characters, words, digits of other scripts (not digits to the
// program), a surrogate pair and a lone surrogate.
const QStringList Pieces = {
    "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "1", "5", "9", ".", ".", ",", "-", "+",
    "e", "E", "d", "D", "&H", "&O", "&h", "F", "f", "7", " ", " ", "\t", "\n", "\r", "\r\n", "\x1b",
    "kg", "abc", "inf", "nan", "0x1p3", "1e308", "1e400", "-1e-400", "4.9e-324", "1.79769313486232E+308",
    "999999999999999.5", "&HFFFF", "\u0663", "\uff13", "\u0968", "\u00b2", "\u00a0", "\u200b", "\u066b",
    "\u00e8", "\u4e8c", "\U0001F600", QString(QChar(0)), QString(QChar(0xD800))};

// Random texts nearly always fail the gate; these numbers, mostly plausible,
// some at the edges of the double range, let many Calculates compute.
const QStringList Numbers = {
    "20", "5", "45", "500", "100", "80", "250", "0.5", "12.75", "3e2", "1D1", "&H1F4", "20", "5", "45", "500",
    "100", "80", "250", "0.5", "12.75", "3e2", "1D1", "&H1F4", "0", "-1", "1e300", "1e308", "4.9e-324",
    "1.79769313486232E+308", "1e-320", "999999999999999.5", "0.000000000056789", "7kg", " 1 2 . 5 ", "1e400"};

const std::pair<Qt::Key, Qt::KeyboardModifiers> Keys[] = {
    {Qt::Key_Tab, {}}, {Qt::Key_Backtab, Qt::ShiftModifier}, {Qt::Key_Return, {}}, {Qt::Key_Escape, {}},
    {Qt::Key_Enter, Qt::KeypadModifier}, {Qt::Key_Backspace, {}}, {Qt::Key_Left, {}}, {Qt::Key_Space, {}},
    {Qt::Key_End, Qt::ShiftModifier}, {Qt::Key_A, Qt::ControlModifier}, {Qt::Key_Z, Qt::ControlModifier}};

QStringList Texts(const QList<QLineEdit*>& boxes)
{
    QStringList texts;
    for (const QLineEdit* box : boxes)
        texts << box->text();
    return texts;
}

class Monkey : public QObject {
    Q_OBJECT

    std::mt19937_64 m_rng;
    std::string m_separator;
    calorvin::ui::Calorvin* m_window = nullptr;
    QPushButton *m_calcola = nullptr, *m_cancella = nullptr, *m_uscita = nullptr;
    QList<QLineEdit*> m_entries, m_results; // in Evaluate's order
    // The Calculate in progress: entries when pressed, what must follow; the
    // boxes seen since the last Calculate, so that one shown elsewhere fails it.
    QStringList m_entriesBefore, m_expectedResults, m_expectedWarnings, m_seenWarnings;
    bool m_exitRequested = false;
    long m_event = 0, m_calculations = 0, m_computed = 0, m_boxes = 0;
    QStringList m_failures;

    int Below(qsizetype n) { return static_cast<int>(m_rng() % static_cast<unsigned long long>(n)); }
    void Fail(const QString& what) { m_failures << QStringLiteral("event %1: %2").arg(m_event).arg(what); }
    QString RandomText(qsizetype pieces)
    {
        QString text;
        while (pieces-- > 0)
            text += Pieces.at(Below(Pieces.size()));
        return text;
    }

    void Act()
    {
        // Keys go to the focused widget; never to "Uscita", where Space would press it.
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr || focus == m_uscita)
            focus = m_window;
        const int roll = Below(1000);
        if (roll < 200) { // a number in one entry box
            QLineEdit* entry = m_entries.at(Below(m_entries.size()));
            QTest::mouseClick(entry, Qt::LeftButton);
            QTest::keyClick(entry, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(entry, Numbers.at(Below(Numbers.size())) +
                                      (Below(3) ? QString() : QString::number(Below(1000))));
        } else if (roll < 360) {
            const auto& [key, modifiers] = Keys[Below(std::size(Keys))];
            QTest::keyClick(focus, key, modifiers);
        } else if (roll < 600) { // typing: a key press that carries one piece of text
            QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, RandomText(1), Qt::NoModifier);
        } else if (roll < 700) { // Ctrl+V of a few pieces, of 64 KiB to 1 MiB, or of what is there
            if (Below(200) == 0) {
                const int size = (64 << 10) + Below(960 << 10);
                const QString huge[] = {QString(size, QChar(u'0' + Below(10))), QString(size, u' ') + "12.5",
                                        RandomText(size / 3)};
                QGuiApplication::clipboard()->setText(huge[Below(3)]);
            } else if (Below(4) != 0) {
                QGuiApplication::clipboard()->setText(RandomText(1 + Below(12)));
            }
            QTest::keyClick(focus, Qt::Key_V, Qt::ControlModifier);
            // A box holding a megabyte is slow to edit; the user soon types over it.
            if (auto* box = qobject_cast<QLineEdit*>(focus); box && box->text().size() > 4096 && Below(4)) {
                box->selectAll();
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, RandomText(1), Qt::NoModifier);
            }
        } else if (roll < 920) { // a click anywhere but on "Uscita", now and then with Shift
            const QPoint at(Below(m_window->width()), Below(m_window->height()));
            QWidget* target = m_window->childAt(at) ? m_window->childAt(at) : m_window;
            if (target != m_uscita && !m_uscita->isAncestorOf(target))
                QTest::mouseClick(target, Qt::LeftButton, Below(6) ? Qt::NoModifier : Qt::ShiftModifier,
                                  target->mapFrom(m_window, at));
        } else {
            QTest::mouseClick(roll < 995 ? m_calcola : m_cancella, Qt::LeftButton);
        }
    }

    void OnCalculatePressed()
    {
        m_entriesBefore = Texts(m_entries);
        std::array<std::string, calorvin::EntryCount> utf8;
        std::array<std::string_view, calorvin::EntryCount> views;
        for (std::size_t i = 0; i < utf8.size(); ++i)
            views[i] = utf8[i] = m_entriesBefore.at(static_cast<qsizetype>(i)).toStdString();
        const calorvin::EvaluationOutcome outcome = calorvin::Evaluate(views, m_separator);
        m_expectedResults = Texts(m_results); // unchanged where the gate fails
        for (std::size_t i = 0; outcome.computed && i < outcome.resultTexts.size(); ++i)
            m_expectedResults[static_cast<qsizetype>(i)] = QString::fromStdString(outcome.resultTexts[i]);
        m_computed += outcome.computed ? 1 : 0;
        m_expectedWarnings.clear();
        for (std::string_view warning : outcome.warnings)
            m_expectedWarnings << QString::fromUtf8(warning.data(), static_cast<qsizetype>(warning.size()));
    }

    void OnCalculateClicked()
    {
        ++m_calculations;
        const QStringList entries = Texts(m_entries), results = Texts(m_results);
        if (results != m_expectedResults || m_seenWarnings != m_expectedWarnings || entries != m_entriesBefore)
            Fail(QStringLiteral("entries [%1] (then [%2]): results [%3], boxes [%4]; Evaluate: [%5], [%6]")
                     .arg(m_entriesBefore.join(" | ").left(400), entries.join(" | ").left(400),
                          results.join(" | "), m_seenWarnings.join(" | "), m_expectedResults.join(" | "),
                          m_expectedWarnings.join(" | ")));
        m_seenWarnings.clear();
    }

    // Each box is recorded, then closed by a click on OK or by Esc as soon as
    // it runs; one still open after that fails the run (and is closed).
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = event->type() == QEvent::Show ? qobject_cast<QMessageBox*>(watched) : nullptr;
        if (box != nullptr) {
            ++m_boxes;
            m_seenWarnings << box->text();
            QTimer::singleShot(0, box, [this, box] {
                if (Below(2) == 0)
                    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
                else
                    QTest::keyClick(box, Qt::Key_Escape);
                if (box->isVisible()) {
                    Fail(QStringLiteral("a warning box stayed open"));
                    box->done(QMessageBox::Ok);
                }
            });
        }
        return QObject::eventFilter(watched, event);
    }

private slots:
    void randomEvents()
    {
        m_separator = qEnvironmentVariable("CALORVIN_TEST_DECIMAL").toStdString();
        QVERIFY2(m_separator == "." || m_separator == ",", "CALORVIN_TEST_DECIMAL must be . or ,");
        static QtMessageHandler previous = nullptr; // offscreen warns whenever a box is sized
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& at, const QString& s) {
            if (!s.contains(QLatin1String("does not support propagateSizeHints")))
                previous(type, at, s);
        });
        // A positive seed or count given by hand wins over the build's own (set by CTest).
        const auto setting = [](const char* name, qulonglong otherwise) {
            const qulonglong value = qEnvironmentVariable(name).toULongLong();
            return value > 0 ? value : otherwise;
        };
        const auto seed = setting("CALORVIN_MONKEY_SEED", setting("CALORVIN_MONKEY_BUILD_SEED", 20261206));
        const auto events = static_cast<long>(
            setting("CALORVIN_MONKEY_EVENTS", setting("CALORVIN_MONKEY_BUILD_EVENTS", 100000)));
        qInfo("monkey: seed %llu, %ld events", seed, events);
        m_rng.seed(seed);

        calorvin::ui::Calorvin window;
        m_window = &window;
        window.setEndProgram([this] { m_exitRequested = true; });
        m_calcola = window.findChild<QPushButton*>("CmdCalcola");
        m_cancella = window.findChild<QPushButton*>("CmdCancella");
        m_uscita = window.findChild<QPushButton*>("CmdUscita");
        for (const char* name : {"TxtPin", "TxtPout", "TxtB", "TxtH", "TxtN", "TxtQ", "TxtEta", "TxtCO"})
            m_entries << window.findChild<QLineEdit*>(name);
        for (const char* name : {"TxtP", "TxtMw", "TxtPw", "TxtPa", "TxtCOppm", "TxtDp", "TxtEtaw"})
            m_results << window.findChild<QLineEdit*>(name);
        QVERIFY(m_calcola && m_cancella && m_uscita);
        QVERIFY(!m_entries.contains(nullptr) && !m_results.contains(nullptr));
        // The window's own handler is connected first, so clicked reaches the
        // check only after the whole Calculate, warnings included, has run.
        connect(m_calcola, &QPushButton::pressed, this, &Monkey::OnCalculatePressed);
        connect(m_calcola, &QPushButton::clicked, this, &Monkey::OnCalculateClicked);
        qApp->installEventFilter(this);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        for (m_event = 1; m_event <= events && m_failures.isEmpty(); ++m_event) {
            Act();
            if (m_event % 16 == 0)
                QCoreApplication::processEvents(); // paints, deferred deletes
            if (!window.isActiveWindow()) // as after a warning box
                window.activateWindow();
            if (m_exitRequested || QApplication::activeModalWidget() != nullptr)
                Fail(m_exitRequested ? "the program was asked to end" : "a box stayed open after the action");
        }
        qInfo("monkey: %ld events, %ld calculations (%ld computed), %ld warning boxes", m_event - 1,
              m_calculations, m_computed, m_boxes);
        QVERIFY2(m_failures.isEmpty(), qUtf8Printable(m_failures.join(u'\n')));
        QVERIFY(m_calculations > events / 100 && m_computed > 0 && m_boxes > 0);
    }
};

} // namespace

QTEST_MAIN(Monkey)
#include "monkey_test.moc"
