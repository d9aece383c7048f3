// A monkey on the real window: random key presses (Tab, Shift+Tab, Enter,
// Esc, editing keys, typing in any script), pastes of random and huge text,
// clicks on random points and on "Calcola" and "Cancella" (never "Uscita").
// Every warning box is closed as it appears, in a random way a user might.
//
// After every Calculate the result boxes must hold exactly what Evaluate gives
// for the entry boxes' texts (or their earlier texts where the gate failed),
// with one box per warning, in order, each shown after the results were written.
//
// Replay: the seed and the event count are printed at start; run again with
// CALORVIN_MONKEY_SEED=<seed> (and CALORVIN_MONKEY_EVENTS=<n>). A failure names
// the event and the last actions that led to it.

#include "calorvin.h"

#include "evaluation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <array>
#include <cstdint>
#include <deque>
#include <random>
#include <string>

using calorvin::ui::Calorvin;

namespace {

const QString Title = QStringLiteral("Attenzione !!!");
const std::array<const char*, 8> EntryNames = {"TxtPin", "TxtPout", "TxtB", "TxtH",
                                               "TxtN",   "TxtQ",    "TxtEta", "TxtCO"};
// In the order of EvaluationOutcome::resultTexts.
const std::array<const char*, 7> ResultNames = {"TxtP",     "TxtMw", "TxtPw",  "TxtPa",
                                                "TxtCOppm", "TxtDp", "TxtEtaw"};

// Pieces the monkey types and pastes: number syntax, separators, blanks and
// control characters, words, digits of other scripts (not digits to the
// program), a surrogate pair and a lone surrogate.
const QStringList Pieces = {
    "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "1", "5", "9",
    ".", ".", ",", "-", "+", "e", "E", "d", "D", "&H", "&O", "&h", "F", "f", "7",
    " ", " ", "\t", "\n", "\r", "\r\n", QString(QChar(0)), QString(QChar(0x1b)),
    "kg", "abc", "inf", "nan", "0x1p3", "1e308", "1e400", "-1e-400", "4.9e-324",
    "1.79769313486232E+308", "999999999999999.5", "&HFFFF",
    QString::fromUtf8("\u0663"), QString::fromUtf8("\uff13"), QString::fromUtf8("\u0968"),
    QString::fromUtf8("\u00b2"), QString::fromUtf8("\u00a0"), QString::fromUtf8("\u200b"),
    QString::fromUtf8("\u066b"), QString::fromUtf8("\u00e8"), QString::fromUtf8("\u4e8c"),
    QString::fromUtf8("\U0001F600"), QString(QChar(0xD800)),
};

// The offscreen platform warns each time a message box is sized; the rest
// goes to QtTest's own handler.
QtMessageHandler qtTestHandler = nullptr;
void DropPlatformNoise(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.contains(QLatin1String("does not support propagateSizeHints")))
        qtTestHandler(type, context, message);
}

class Monkey : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void randomEvents();

private:
    // Random numbers, reproducible from the seed alone.
    std::uint64_t Next() { return m_rng(); }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    bool OneIn(int n) { return Below(n) == 0; }
    QString RandomText(int pieces);
    QString HugeText();

    void Act();
    void EnterNumber();
    void TypeKey();
    void Paste();
    void ClickSomewhere();
    void Note(const QString& action);

    void OnCalculatePressed();
    void OnCalculateClicked();
    void OnClearClicked();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void CloseBox(QMessageBox* box);
    void Fail(const QString& what);

    QStringList Texts(const std::array<const char*, 8>& names) const;
    QStringList Texts(const std::array<const char*, 7>& names) const;

    std::mt19937_64 m_rng;
    Calorvin* m_window = nullptr;
    QPushButton* m_calcola = nullptr;
    QPushButton* m_cancella = nullptr;
    QPushButton* m_uscita = nullptr;
    QString m_separator;

    // The Calculate in progress: what the boxes held when it was pressed,
    // what Evaluate says, and the boxes seen so far.
    bool m_calculating = false;
    QStringList m_entriesBefore, m_resultsBefore, m_expectedResults;
    QStringList m_expectedWarnings, m_seenWarnings;
    bool m_expectComputed = false;

    long m_event = 0;
    long m_calculations = 0, m_computed = 0, m_boxes = 0, m_clears = 0, m_hugePastes = 0;
    long m_reactivations = 0;
    bool m_exitRequested = false;
    QObject* m_mayPress = nullptr; // the button the current action may press
    QStringList m_failures;
    std::deque<QString> m_recent; // the last actions, for a failure report
};

QStringList Monkey::Texts(const std::array<const char*, 8>& names) const
{
    QStringList texts;
    for (const char* name : names)
        texts << m_window->findChild<QLineEdit*>(name)->text();
    return texts;
}

QStringList Monkey::Texts(const std::array<const char*, 7>& names) const
{
    QStringList texts;
    for (const char* name : names)
        texts << m_window->findChild<QLineEdit*>(name)->text();
    return texts;
}

void Monkey::Note(const QString& action)
{
    m_recent.push_back(QStringLiteral("#%1 %2").arg(m_event).arg(action.left(120)));
    if (m_recent.size() > 25)
        m_recent.pop_front();
}

void Monkey::Fail(const QString& what)
{
    if (m_failures.size() < 20)
        m_failures << QStringLiteral("event %1: %2").arg(m_event).arg(what);
}

QString Monkey::RandomText(int pieces)
{
    QString text;
    for (int i = 0; i < pieces; ++i)
        text += Pieces.at(Below(static_cast<int>(Pieces.size())));
    return text;
}

// From 64 KiB to 1 MiB: digits, blanks, a pasted table, or anything at all.
QString Monkey::HugeText()
{
    const int size = (64 << 10) + Below(960 << 10);
    QString text;
    text.reserve(size + 32);
    switch (Below(4)) {
    case 0:
        text = QString(size, QChar(u'0' + Below(10)));
        break;
    case 1:
        text = QString(size, u' ') + QStringLiteral("12.5");
        break;
    case 2:
        while (text.size() < size)
            text += QStringLiteral("20\t5\t45\t500\r\n");
        break;
    default:
        while (text.size() < size)
            text += RandomText(64);
        break;
    }
    return text;
}

void Monkey::initTestCase()
{
    m_separator = qEnvironmentVariable("CALORVIN_TEST_DECIMAL");
    QVERIFY2(m_separator == "." || m_separator == ",", "CALORVIN_TEST_DECIMAL must be . or ,");
    qtTestHandler = qInstallMessageHandler(DropPlatformNoise);
}

void Monkey::randomEvents()
{
    // A seed or count given by hand wins over the build's own (set by CTest).
    bool ok = false;
    std::uint64_t usedSeed = qEnvironmentVariable("CALORVIN_MONKEY_SEED").toULongLong(&ok);
    if (!ok)
        usedSeed = qEnvironmentVariable("CALORVIN_MONKEY_BUILD_SEED").toULongLong(&ok);
    if (!ok)
        usedSeed = 20261206;
    long events = qEnvironmentVariableIntValue("CALORVIN_MONKEY_EVENTS");
    if (events <= 0)
        events = qEnvironmentVariableIntValue("CALORVIN_MONKEY_BUILD_EVENTS");
    if (events <= 0)
        events = 100000;
    qInfo("monkey: seed %llu, %ld events (replay: CALORVIN_MONKEY_SEED=%llu CALORVIN_MONKEY_EVENTS=%ld)",
          static_cast<unsigned long long>(usedSeed), events,
          static_cast<unsigned long long>(usedSeed), events);
    m_rng.seed(usedSeed);

    Calorvin window;
    m_window = &window;
    window.setEndProgram([this] { m_exitRequested = true; });
    m_calcola = window.findChild<QPushButton*>("CmdCalcola");
    m_cancella = window.findChild<QPushButton*>("CmdCancella");
    m_uscita = window.findChild<QPushButton*>("CmdUscita");
    QVERIFY(m_calcola && m_cancella && m_uscita);
    for (const char* name : EntryNames)
        QVERIFY(window.findChild<QLineEdit*>(name));
    for (const char* name : ResultNames)
        QVERIFY(window.findChild<QLineEdit*>(name));

    // The window's own handler is connected first, so clicked reaches the
    // check only after the whole Calculate, warnings included, has run.
    connect(m_calcola, &QPushButton::pressed, this, &Monkey::OnCalculatePressed);
    connect(m_calcola, &QPushButton::clicked, this, &Monkey::OnCalculateClicked);
    connect(m_cancella, &QPushButton::clicked, this, &Monkey::OnClearClicked);
    qApp->installEventFilter(this);

    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QElapsedTimer clock;
    clock.start();
    for (m_event = 1; m_event <= events && m_failures.isEmpty(); ++m_event) {
        Act();
        if (m_event % 16 == 0)
            QCoreApplication::processEvents(); // paints, deferred deletes
        if (!window.isActiveWindow()) { // as after a warning box, on some platforms
            window.activateWindow();
            QCoreApplication::processEvents();
            ++m_reactivations;
        }
        if (QApplication::activeModalWidget() != nullptr)
            Fail(QStringLiteral("a modal box is still open after the action"));
        if (m_exitRequested)
            Fail(QStringLiteral("the program was asked to end"));
    }
    qApp->removeEventFilter(this);

    qInfo("monkey: %ld events in %lld ms: %ld calculations (%ld computed), "
          "%ld warning boxes, %ld clears, %ld huge pastes, %ld reactivations",
          m_event - 1, static_cast<long long>(clock.elapsed()), m_calculations, m_computed, m_boxes,
          m_clears, m_hugePastes, m_reactivations);
    if (!m_failures.isEmpty()) {
        qWarning("monkey: seed %llu; the last actions:", static_cast<unsigned long long>(usedSeed));
        for (const QString& line : m_recent)
            qWarning("  %s", qUtf8Printable(line));
        QFAIL(qUtf8Printable(m_failures.join(u'\n')));
    }
    QVERIFY(m_calculations > events / 100);
    QVERIFY(m_boxes > 0);
}

void Monkey::Act()
{
    // Only a click on a button, or Space or Enter while it has the focus,
    // may press it; typing, Enter and Esc in a box press nothing.
    m_mayPress = nullptr;
    const int roll = Below(1000);
    if (roll < 5) {
        const QSize size(100 + Below(1100), 100 + Below(1000));
        Note(QStringLiteral("resize to %1x%2").arg(size.width()).arg(size.height()));
        m_window->resize(size);
    } else if (roll < 200) {
        EnterNumber();
    } else if (roll < 600) {
        TypeKey();
    } else if (roll < 700) {
        Paste();
    } else if (roll < 920) {
        ClickSomewhere();
    } else if (roll < 995) {
        Note(QStringLiteral("click Calcola"));
        m_mayPress = m_calcola;
        QTest::mouseClick(m_calcola, Qt::LeftButton);
    } else {
        Note(QStringLiteral("click Cancella"));
        m_mayPress = m_cancella;
        QTest::mouseClick(m_cancella, Qt::LeftButton);
    }
}

// Most random texts fail the gate; this fills one entry box with a number,
// often plausible, sometimes at the edges of the double range, so that many
// runs compute their results.
void Monkey::EnterNumber()
{
    static const char* const numbers[] = {
        "20", "5", "45", "500", "100", "80", "250", "0.5", "12.75", "3e2", "1D1", "&H1F4",
        "20", "5", "45", "500", "100", "80", "250", "0.5", "12.75", "3e2", "1D1", "&H1F4",
        "0", "-1", "1e300", "1e308", "1.79769313486232E+308", "4.9e-324", "1e-320",
        "999999999999999.5", "0.000000000056789", "7kg", " 1 2 . 5 ", "1e400"};
    QLineEdit* box = m_window->findChild<QLineEdit*>(EntryNames[static_cast<std::size_t>(Below(8))]);
    QString text = QString::fromLatin1(numbers[Below(static_cast<int>(std::size(numbers)))]);
    if (OneIn(3))
        text += QString::number(Below(1000));
    Note(QStringLiteral("enter %1 in %2").arg(text, box->objectName()));
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, text);
}

void Monkey::TypeKey()
{
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr)
        target = m_window;
    // Space on a focused button presses it; "Uscita" is never pressed.
    const bool onExit = target == m_uscita;

    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* name;
    };
    static const Key keys[] = {
        {Qt::Key_Tab, Qt::NoModifier, "Tab"},
        {Qt::Key_Backtab, Qt::ShiftModifier, "Shift+Tab"},
        {Qt::Key_Return, Qt::NoModifier, "Return"},
        {Qt::Key_Enter, Qt::KeypadModifier, "Enter"},
        {Qt::Key_Escape, Qt::NoModifier, "Esc"},
        {Qt::Key_Backspace, Qt::NoModifier, "Backspace"},
        {Qt::Key_Delete, Qt::NoModifier, "Delete"},
        {Qt::Key_Left, Qt::NoModifier, "Left"},
        {Qt::Key_Right, Qt::ShiftModifier, "Shift+Right"},
        {Qt::Key_Home, Qt::NoModifier, "Home"},
        {Qt::Key_End, Qt::ShiftModifier, "Shift+End"},
        {Qt::Key_A, Qt::ControlModifier, "Ctrl+A"},
        {Qt::Key_C, Qt::ControlModifier, "Ctrl+C"},
        {Qt::Key_X, Qt::ControlModifier, "Ctrl+X"},
        {Qt::Key_V, Qt::ControlModifier, "Ctrl+V"},
        {Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "Ctrl+Shift+Z"},
        {Qt::Key_Space, Qt::NoModifier, "Space"},
        {Qt::Key_F4, Qt::AltModifier, "Alt+F4"},
    };
    const int kind = Below(10);
    if (kind < 4) {
        const Key& k = keys[Below(static_cast<int>(std::size(keys)))];
        if (onExit && k.key == Qt::Key_Space)
            return;
        Note(QStringLiteral("%1 in %2").arg(k.name, target->objectName()));
        if (k.key == Qt::Key_Space || k.key == Qt::Key_Return || k.key == Qt::Key_Enter)
            m_mayPress = target;
        QTest::keyClick(target, k.key, k.modifiers);
        return;
    }
    if (onExit)
        return;
    // Typing: one piece of text, as a key press that carries it.
    const QString text = RandomText(1);
    Note(QStringLiteral("type \"%1\" in %2").arg(text, target->objectName()));
    QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, text, Qt::NoModifier);
}

void Monkey::Paste()
{
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr)
        target = m_window;
    if (target == m_uscita)
        return;
    QString text;
    if (OneIn(200)) {
        text = HugeText();
        ++m_hugePastes;
    } else {
        text = RandomText(1 + Below(12));
    }
    if (!OneIn(4)) // else paste what the clipboard holds, a box's text or a warning
        QGuiApplication::clipboard()->setText(text);
    Note(QStringLiteral("Ctrl+V of %1 characters in %2")
             .arg(QGuiApplication::clipboard()->text().size())
             .arg(target->objectName()));
    QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
    // A box holding a megabyte is slow to edit; the user soon selects it all
    // and types over it.
    if (auto* box = qobject_cast<QLineEdit*>(target); box && box->text().size() > 4096 && !OneIn(4)) {
        Note(QStringLiteral("select all and type over it"));
        box->selectAll();
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, RandomText(1), Qt::NoModifier);
    }
}

void Monkey::ClickSomewhere()
{
    const QPoint at(Below(m_window->width()), Below(m_window->height()));
    QWidget* target = m_window->childAt(at);
    if (target == nullptr)
        target = m_window;
    if (target == m_uscita || m_uscita->isAncestorOf(target))
        return;
    const QPoint local = target->mapFrom(m_window, at);
    m_mayPress = target;
    Note(QStringLiteral("click at %1,%2 on %3").arg(at.x()).arg(at.y()).arg(target->objectName()));
    if (OneIn(5))
        QTest::mouseDClick(target, Qt::LeftButton, Qt::NoModifier, local);
    else
        QTest::mouseClick(target, Qt::LeftButton, OneIn(6) ? Qt::ShiftModifier : Qt::NoModifier, local);
}

void Monkey::OnCalculatePressed()
{
    if (m_mayPress != m_calcola)
        Fail(QStringLiteral("Calcola was pressed by an action that must press nothing"));
    m_calculating = true;
    m_entriesBefore = Texts(EntryNames);
    m_resultsBefore = Texts(ResultNames);
    m_seenWarnings.clear();

    std::array<std::string, 8> utf8;
    std::array<std::string_view, 8> views;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        utf8[i] = m_entriesBefore.at(static_cast<qsizetype>(i)).toStdString();
        views[i] = utf8[i];
    }
    const calorvin::EvaluationOutcome outcome = calorvin::Evaluate(views, m_separator.toStdString());
    m_expectComputed = outcome.computed;
    m_expectedResults.clear();
    for (std::size_t i = 0; i < outcome.resultTexts.size(); ++i)
        m_expectedResults << (outcome.computed ? QString::fromStdString(outcome.resultTexts[i])
                                               : m_resultsBefore.at(static_cast<qsizetype>(i)));
    m_expectedWarnings.clear();
    for (std::string_view warning : outcome.warnings)
        m_expectedWarnings << QString::fromUtf8(warning.data(), static_cast<qsizetype>(warning.size()));
}

void Monkey::OnCalculateClicked()
{
    if (!m_calculating) {
        Fail(QStringLiteral("Calcola clicked without being pressed"));
        return;
    }
    m_calculating = false;
    ++m_calculations;
    if (m_expectComputed)
        ++m_computed;
    if (Texts(EntryNames) != m_entriesBefore)
        Fail(QStringLiteral("Calculate changed an entry box"));
    const QStringList results = Texts(ResultNames);
    if (results != m_expectedResults)
        Fail(QStringLiteral("result boxes hold [%1], Evaluate gives [%2] for entries [%3]")
                 .arg(results.join(" | "), m_expectedResults.join(" | "),
                      m_entriesBefore.join(" | ").left(400)));
    if (m_seenWarnings != m_expectedWarnings)
        Fail(QStringLiteral("%1 warning boxes [%2], expected %3 [%4] for entries [%5]")
                 .arg(m_seenWarnings.size())
                 .arg(m_seenWarnings.join(" | "))
                 .arg(m_expectedWarnings.size())
                 .arg(m_expectedWarnings.join(" | "), m_entriesBefore.join(" | ").left(400)));
}

void Monkey::OnClearClicked()
{
    ++m_clears;
    if (m_mayPress != m_cancella)
        Fail(QStringLiteral("Cancella was pressed by an action that must press nothing"));
    const QStringList all = Texts(EntryNames) + Texts(ResultNames);
    for (const QString& text : all)
        if (text != QStringLiteral(" "))
            Fail(QStringLiteral("Cancella left \"%1\" in a box").arg(text.left(100)));
}

bool Monkey::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            ++m_boxes;
            if (!m_calculating)
                Fail(QStringLiteral("a box appeared outside Calculate: %1").arg(box->text()));
            if (box->windowTitle() != Title)
                Fail(QStringLiteral("box titled \"%1\"").arg(box->windowTitle()));
            // The results are in their boxes before the first warning appears.
            if (m_seenWarnings.isEmpty() && Texts(ResultNames) != m_expectedResults)
                Fail(QStringLiteral("a warning appeared before the results were written"));
            m_seenWarnings << box->text();
            const QPointer<QMessageBox> guarded(box);
            QTimer::singleShot(0, box, [this, guarded] {
                if (guarded)
                    CloseBox(guarded);
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

// Closes the box the way a user might; a box that stays open is a failure.
void Monkey::CloseBox(QMessageBox* box)
{
    QAbstractButton* ok = box->button(QMessageBox::Ok);
    QString how;
    switch (Below(6)) {
    case 0:
        how = QStringLiteral("OK clicked");
        QTest::mouseClick(ok, Qt::LeftButton);
        break;
    case 1:
        how = QStringLiteral("Return");
        QTest::keyClick(box, Qt::Key_Return);
        break;
    case 2:
        how = QStringLiteral("Esc");
        QTest::keyClick(box, Qt::Key_Escape);
        break;
    case 3:
        how = QStringLiteral("Space on OK");
        QTest::keyClick(ok, Qt::Key_Space);
        break;
    case 4: {
        how = QStringLiteral("Ctrl+C, then Return");
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        const QString copied = QGuiApplication::clipboard()->text();
        if (!copied.contains(box->windowTitle()) || !copied.contains(box->text()))
            Fail(QStringLiteral("Ctrl+C in a box copied \"%1\"").arg(copied));
        QTest::keyClick(box, Qt::Key_Return);
        break;
    }
    default:
        how = QStringLiteral("Enter");
        QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
        break;
    }
    Note(QStringLiteral("warning box closed with %1").arg(how));
    const QPointer<QMessageBox> guarded(box);
    QTimer::singleShot(0, box, [this, guarded, how] {
        if (guarded && guarded->isVisible()) {
            Fail(QStringLiteral("a warning box stayed open after %1").arg(how));
            guarded->done(QMessageBox::Ok);
        }
    });
}

} // namespace

QTEST_MAIN(Monkey)
#include "monkey_test.moc"
