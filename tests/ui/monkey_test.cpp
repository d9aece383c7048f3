// A monkey on the real window: random keys, typing in any script, Ctrl+V of
// random and huge text, clicks anywhere but on "Uscita"; every warning box is
// closed as it appears. After every Calculate the result boxes hold exactly
// what Evaluate gives for the entry texts (their earlier texts where the gate
// failed), the boxes shown were its warnings in order, and the entries are
// unchanged. Replay: CALORVIN_MONKEY_SEED=<seed printed at start>;
// CALORVIN_MONKEY_EVENTS=<n> stops at the event a failure names.

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

// Number syntax, separators, blanks and control characters, words, digits of
// other scripts, a surrogate pair and a lone surrogate; and numbers, mostly
// plausible, so that many Calculates pass the gate.
const QStringList Pieces = {
    "0", "1", "5", "9", ".", ",", "-", "+", "e", "E", "d", "D", "&H", "&O", "F", " ", "\t", "\n", "\r\n", "\x1b",
    "kg", "inf", "nan", "0x1p3", "1e400", "4.9e-324", "\u0663", "\uff13", "\u00b2", "\u00a0", "\u200b", "\u066b",
    "\U0001F600", QString(QChar(0)), QString(QChar(0xD800))};
const QStringList Numbers = {"20", "5", "45", "500", "100", "80", "250", "0.5", "12.75", "3e2", "1D1", "&H1F4",
                             "0", "-1", "1e308", "4.9e-324", "1.79769313486232E+308", "999999999999999.5",
                             "0.000000000056789", " 1 2 . 5 ", "1e400"};
const std::pair<Qt::Key, Qt::KeyboardModifiers> Keys[] = {
    {Qt::Key_Tab, {}}, {Qt::Key_Backtab, Qt::ShiftModifier}, {Qt::Key_Return, {}}, {Qt::Key_Escape, {}},
    {Qt::Key_Enter, Qt::KeypadModifier}, {Qt::Key_Backspace, {}}, {Qt::Key_Space, {}},
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
    calorvin::ui::Calorvin m_window;
    QPushButton* m_uscita = m_window.findChild<QPushButton*>("CmdUscita");
    QPushButton* m_calcola = m_window.findChild<QPushButton*>("CmdCalcola");
    QList<QLineEdit*> m_entries, m_results; // in Evaluate's order
    QStringList m_expected, m_seen;         // entries, results and boxes due after the Calculate in progress
    long m_event = 0, m_calculations = 0, m_computed = 0;
    QStringList m_failures;

    int Below(qsizetype n) { return static_cast<int>(m_rng() % static_cast<unsigned long long>(n)); }
    QString Random(qsizetype pieces)
    {
        QString text;
        while (pieces-- > 0)
            text += Pieces.at(Below(Pieces.size()));
        return text;
    }

    void Act()
    {
        QWidget* focus = QApplication::focusWidget(); // never Space on "Uscita"
        focus = focus && focus != m_uscita ? focus : &m_window;
        const int roll = Below(1000);
        if (roll < 200) {
            QLineEdit* entry = m_entries.at(Below(m_entries.size()));
            QTest::mouseClick(entry, Qt::LeftButton);
            QTest::keyClick(entry, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(entry, Numbers.at(Below(Numbers.size())) + (Below(3) ? QString() : QString::number(Below(1000))));
        } else if (roll < 360) {
            const auto& [key, modifiers] = Keys[Below(std::size(Keys))];
            QTest::keyClick(focus, key, modifiers);
        } else if (roll < 600) {
            QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, Random(1), Qt::NoModifier);
        } else if (roll < 700) { // Ctrl+V of a few pieces, of 64 KiB to 1 MiB, or of what is there
            const int huge = (64 << 10) + Below(960 << 10);
            if (Below(200) == 0)
                QGuiApplication::clipboard()->setText(Below(2) ? QString(huge, u'7') : Random(huge / 3));
            else if (Below(4))
                QGuiApplication::clipboard()->setText(Random(1 + Below(12)));
            QTest::keyClick(focus, Qt::Key_V, Qt::ControlModifier);
            if (auto* box = qobject_cast<QLineEdit*>(focus); box && box->text().size() > 4096 && Below(4))
                box->setText(Random(1)); // a megabyte is slow to edit; the user soon types over it
        } else if (roll < 920) {
            const QPoint at(Below(m_window.width()), Below(m_window.height()));
            QWidget* target = m_window.childAt(at) ? m_window.childAt(at) : &m_window;
            if (target != m_uscita)
                QTest::mouseClick(target, Qt::LeftButton, Below(6) ? Qt::NoModifier : Qt::ShiftModifier,
                                  target->mapFrom(&m_window, at));
        } else {
            QTest::mouseClick(roll < 995 ? m_calcola : m_window.findChild<QPushButton*>("CmdCancella"), Qt::LeftButton);
        }
    }

    void Pressed() // what Evaluate says this Calculate must give
    {
        const QStringList entries = Texts(m_entries);
        std::array<std::string, calorvin::EntryCount> utf8;
        std::array<std::string_view, calorvin::EntryCount> views;
        for (std::size_t i = 0; i < utf8.size(); ++i)
            views[i] = utf8[i] = entries.at(static_cast<qsizetype>(i)).toStdString();
        const auto out = calorvin::Evaluate(views, qEnvironmentVariable("CALORVIN_TEST_DECIMAL").toStdString());
        m_expected = entries + Texts(m_results);
        for (std::size_t i = 0; out.computed && i < out.resultTexts.size(); ++i)
            m_expected[calorvin::EntryCount + static_cast<qsizetype>(i)] = QString::fromStdString(out.resultTexts[i]);
        for (std::string_view warning : out.warnings)
            m_expected << QString::fromUtf8(warning.data(), static_cast<qsizetype>(warning.size()));
        m_computed += out.computed;
        if (m_seen.size() > 0)
            m_failures << QStringLiteral("event %1: a box outside a Calculate: %2").arg(m_event).arg(m_seen.join(" | "));
        m_seen = entries; // then the boxes
    }

    void Clicked() // after the whole Calculate, warnings included: the window's handler runs first
    {
        ++m_calculations;
        const QStringList got = Texts(m_entries) + Texts(m_results) + m_seen.mid(calorvin::EntryCount);
        if (got != m_expected)
            m_failures << QStringLiteral("event %1: window [%2], Evaluate [%3]")
                              .arg(m_event).arg(got.join(" | ").left(2000), m_expected.join(" | ").left(2000));
        m_seen.clear();
    }

    bool eventFilter(QObject* watched, QEvent* event) override // each box recorded, then closed at once
    {
        auto* box = event->type() == QEvent::Show ? qobject_cast<QMessageBox*>(watched) : nullptr;
        if (box)
            QTimer::singleShot(0, box, [this, box] {
                m_seen << box->text();
                if (Below(2))
                    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
                else
                    QTest::keyClick(box, Qt::Key_Escape);
                if (box->isVisible())
                    m_failures << QStringLiteral("event %1: a warning box stayed open").arg(m_event), box->done(0);
            });
        return QObject::eventFilter(watched, event);
    }

private slots:
    void randomEvents()
    {
        static QtMessageHandler previous = nullptr; // offscreen warns whenever a box is sized
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& at, const QString& s) {
            if (!s.contains(QLatin1String("does not support propagateSizeHints")))
                previous(type, at, s);
        });
        const auto setting = [](const char* name, const char* build) { // a value given by hand wins
            const qulonglong value = qEnvironmentVariable(name).toULongLong();
            return value ? value : qEnvironmentVariable(build).toULongLong();
        };
        const qulonglong seed = setting("CALORVIN_MONKEY_SEED", "CALORVIN_MONKEY_BUILD_SEED");
        const long events = static_cast<long>(setting("CALORVIN_MONKEY_EVENTS", "CALORVIN_MONKEY_BUILD_EVENTS"));
        QVERIFY2(events > 0 && qEnvironmentVariable("CALORVIN_TEST_DECIMAL").size() == 1, "run through CTest");
        qInfo("monkey: seed %llu, %ld events", seed, events);
        m_rng.seed(seed);
        for (const char* name : {"TxtPin", "TxtPout", "TxtB", "TxtH", "TxtN", "TxtQ", "TxtEta", "TxtCO"})
            m_entries << m_window.findChild<QLineEdit*>(name);
        for (const char* name : {"TxtP", "TxtMw", "TxtPw", "TxtPa", "TxtCOppm", "TxtDp", "TxtEtaw"})
            m_results << m_window.findChild<QLineEdit*>(name);
        bool exitRequested = false;
        m_window.setEndProgram([&exitRequested] { exitRequested = true; });
        connect(m_calcola, &QPushButton::pressed, this, &Monkey::Pressed);
        connect(m_calcola, &QPushButton::clicked, this, &Monkey::Clicked);
        qApp->installEventFilter(this);
        m_window.show();
        QVERIFY(QTest::qWaitForWindowActive(&m_window));
        for (m_event = 1; m_event <= events && m_failures.isEmpty(); ++m_event) {
            Act();
            if (m_event % 16 == 0)
                QCoreApplication::processEvents(); // paints, deferred deletes
            if (!m_window.isActiveWindow()) // as after a warning box
                m_window.activateWindow();
            if (exitRequested || QApplication::activeModalWidget())
                m_failures << QStringLiteral("event %1: %2").arg(m_event).arg(
                    exitRequested ? "the program was asked to end" : "a box stayed open after the action");
        }
        qInfo("monkey: %ld events, %ld calculations (%ld computed)", m_event - 1, m_calculations, m_computed);
        QVERIFY2(m_failures.isEmpty(), qUtf8Printable(m_failures.join(u'\n')));
        QVERIFY(m_calculations > events / 100 && m_computed > 0);
    }
};

} // namespace

QTEST_MAIN(Monkey)
#include "monkey_test.moc"
