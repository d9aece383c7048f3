// The window Calorvin driven through its real widgets: typed with key presses, clicked with the mouse, read back
// from the boxes, and its picture compared with a reference image. Expected values are written out here, never
// taken from its own table; parsing and the gate in detail are the core tests' business.
//
// The picture: tests/ui/window_<point|comma>.png, after the reference test is typed and calculated. On a mismatch
// the actual image and a difference (red where pixels differ) go to the test's working directory in the build
// tree. After an intended change of the look: CALORVIN_UPDATE_REFERENCE=1 ctest -R ui_window, then look at the new
// images before committing them.

#include "calorvin.h"
#include "application.h"
#include "colours.h"
#include "look.h"
#include "oracle.h"
#include "record.h"
#include "test_environment.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFontInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <tuple>
#include <vector>

using calorvin::ui::Calorvin;

namespace {

QStringList Warnings(std::initializer_list<int> checkNumbers) // 1-based, in check order
{
    QStringList texts;
    for (int n : checkNumbers)
        texts << QString::fromUtf8(oracle::WarningTexts.at(static_cast<std::size_t>(n - 1)).data());
    return texts;
}

const QStringList EntryNames = {"TxtPin", "TxtPout", "TxtB", "TxtH", "TxtN", "TxtQ", "TxtEta", "TxtCO"};
const QStringList ResultNames = {"TxtP", "TxtMw", "TxtPw", "TxtPa", "TxtCOppm", "TxtDp", "TxtEtaw"};
const QStringList Reference = {"20", "5", "45", "500", "20", "100", "80", "250"};
const QStringList Recorded = {" 20", "5 ", "45", "500", "20", "100", "0,9", "250"}; // computes, warns; copied trimmed
const QStringList TabCycle = {"TxtPin", "CmdUscita", "CmdCalcola", "CmdCancella", "TxtPout", "TxtB",
                              "TxtH",   "TxtN",      "TxtQ",       "TxtEta",      "TxtCO",   "TxtMw",
                              "TxtP",   "TxtPw",     "TxtPa",      "TxtCOppm",    "TxtDp",   "TxtEtaw"};

// What the monkey types and pastes: number syntax, separators, blanks and control characters, words, digits of
// other scripts, a surrogate pair and a lone surrogate; numbers, mostly plausible, so that many Calculates pass the
// gate; and keys.
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

// What CTest sets, set here where the environment lacks it, before the application reads it: run by hand, the
// program runs as CTest's point run.
[[maybe_unused]] const bool EnvironmentPinned = [] {
    for (const QByteArray setting : TestEnvironment)
        if (const qsizetype at = setting.indexOf('='); !qEnvironmentVariableIsSet(setting.left(at)))
            qputenv(setting.left(at), setting.mid(at + 1));
    return true;
}();

// The separator results must show: "." under C.UTF-8, "," under it_IT.UTF-8.
const QString Separator = qEnvironmentVariable("CALORVIN_TEST_DECIMAL");

// The record of Recorded, as its text form gives it: results in the window's order, one without a value; the
// page's tests hold its copy against the same file.
QString recordedTable()
{
    QFile file(CALORVIN_REFERENCE_DIR "/recorded.tsv");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).replace(u'_', Separator) : QString();
}

// A poppler-utils tool's standard output (scripts/dev.sh installs them).
QString poppler(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        qWarning("%s did not run: %s", qPrintable(tool), qPrintable(process.errorString()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A modal box as met, with the result boxes as they stood while it was up.
struct SeenBox { QString title, text; QStringList resultsMeanwhile; QMessageBox::Icon icon; };

} // namespace

class TestCalorvin : public QObject {
    Q_OBJECT

    std::unique_ptr<Calorvin> m_window;
    int m_endRequests = 0;
    QTimer m_watchdog;
    QFont m_platformFont;
    QList<SeenBox> m_seen;
    std::function<void(QMessageBox*)> m_onBox; // while set, handed each box before the watchdog clicks OK
    std::function<void(QFileDialog*)> m_onDialog; // while set, handed each file dialog before the watchdog closes it

    // The watchdog records every modal box and closes it. A test that expects boxes takes them with
    // takeTexts(); cleanup() fails a test that leaves any, so a stray box fails it, not hangs it.
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        auto* box = qobject_cast<QMessageBox*>(modal); // else a file dialog, closed unanswered
        m_seen << SeenBox{modal->windowTitle(), box ? box->text() : QString(), results(),
                          box ? box->icon() : QMessageBox::NoIcon};
        const QPointer<QWidget> alive(modal);
        if (box && m_onBox)
            m_onBox(box); // sends key events only: no event loop runs, no reentry
        if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && m_onDialog)
            m_onDialog(dialog);
        if (alive && alive->isVisible())
            box ? box->done(QMessageBox::Ok) : void(modal->close());
    }
    QStringList takeTexts()
    {
        QStringList texts;
        for (const SeenBox& b : std::exchange(m_seen, {}))
            texts << b.text;
        return texts;
    }

    QLineEdit* box(const QString& name) const { return m_window->findChild<QLineEdit*>(name); }
    QPushButton* button(const QString& name) const { return m_window->findChild<QPushButton*>(name); }
    QStringList texts(const QStringList& names) const
    {
        QStringList texts;
        for (const QString& name : names)
            texts << (box(name) ? box(name)->text() : QStringLiteral("<no %1>").arg(name));
        return texts;
    }
    QStringList results() const { return texts(ResultNames); }
    void type(const QString& name, const QString& text)
    {
        QTest::mouseClick(box(name), Qt::LeftButton);
        box(name)->clear();
        QTest::keyClicks(box(name), text);
    }
    void typeEntries(const QStringList& entries)
    {
        for (int i = 0; i < EntryNames.size(); ++i)
            type(EntryNames[i], entries[i]);
    }
    void click(const QString& name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers) // a shortcut of the window, pressed in TxtPa
    {
        m_window->activateWindow(); // again after a modal box
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        box("TxtPa")->setFocus();
        QTest::keyClick(box("TxtPa"), key, modifiers);
    }

    // The window's client area against tests/ui/<name>.png, pixel for pixel: style, dpi, scaling and font
    // settings are pinned here and in CMakeLists.txt.
    void comparePicture(const QString& name)
    {
        const QString reference = QStringLiteral(CALORVIN_REFERENCE_DIR "/%1.png").arg(name);
        QImage actual = m_window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QStringList faces; // the installed faces that stand in for the window's fonts
        for (const QWidget* w : m_window->findChildren<QWidget*>())
            faces << QFontInfo(w->font()).family();
        faces.removeDuplicates();
        faces.sort();
        actual.setText(QStringLiteral("faces"), faces.join(u','));
        if (qEnvironmentVariableIsSet("CALORVIN_UPDATE_REFERENCE")) {
            QVERIFY(actual.save(reference));
            return qWarning("reference image written: %s", qPrintable(reference));
        }
        const QImage expected = QImage(reference).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(actual.text("faces"), expected.text("faces")); // else scripts/dev.sh has not set up the fonts
        const bool sameSize = expected.size() == actual.size();
        QImage diff = sameSize ? expected : actual;
        qsizetype differing = sameSize ? 0 : actual.width() * actual.height();
        for (int y = 0; sameSize && y < actual.height(); ++y)
            for (int x = 0; x < actual.width(); ++x)
                if (actual.pixel(x, y) != expected.pixel(x, y))
                    ++differing, diff.setPixel(x, y, qRgb(255, 0, 0));
        const QString at = QDir::currentPath() + u'/' + name;
        if (differing && actual.save(at + ".actual.png") && diff.save(at + ".diff.png"))
            QFAIL(qPrintable(QStringLiteral("%1 pixels differ from %2; see %3.actual.png and %3.diff.png")
                                 .arg(differing).arg(reference, at)));
        QCOMPARE(differing, 0);
    }

    std::mt19937_64 m_rng;
    int below(qsizetype n) { return static_cast<int>(m_rng() % static_cast<unsigned long long>(n)); }
    QString random(qsizetype pieces)
    {
        QString text;
        while (pieces-- > 0)
            text += Pieces.at(below(Pieces.size()));
        return text;
    }
    void monkeyAct() // keys to the focused widget, but never Space to "Uscita"; clicks anywhere else
    {
        QWidget* focus = QApplication::focusWidget();
        focus = focus && focus != button("CmdUscita") ? focus : m_window.get();
        const int roll = below(1000);
        if (roll < 200) {
            type(EntryNames.at(below(EntryNames.size())),
                 Numbers.at(below(Numbers.size())) + (below(3) ? QString() : QString::number(below(1000))));
        } else if (roll < 360) {
            const auto& [key, modifiers] = Keys[below(std::size(Keys))];
            QTest::keyClick(focus, key, modifiers);
        } else if (roll < 600) {
            QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, random(1), Qt::NoModifier);
        } else if (roll < 700) { // Ctrl+V of a few pieces, of 64 KiB to 1 MiB, or of what is there
            const int huge = (64 << 10) + below(960 << 10);
            if (below(200) == 0)
                QGuiApplication::clipboard()->setText(below(2) ? QString(huge, u'7') : random(huge / 3));
            else if (below(4))
                QGuiApplication::clipboard()->setText(random(1 + below(12)));
            QTest::keyClick(focus, Qt::Key_V, Qt::ControlModifier);
            if (auto* box = qobject_cast<QLineEdit*>(focus); box && box->text().size() > 4096 && below(4))
                box->setText(random(1)); // a megabyte is slow to edit; the user soon types over it
        } else if (roll < 920) {
            const QPoint at(below(m_window->width()), below(m_window->height()));
            QWidget* target = m_window->childAt(at) ? m_window->childAt(at) : m_window.get();
            if (target != button("CmdUscita"))
                QTest::mouseClick(target, Qt::LeftButton, below(6) ? Qt::NoModifier : Qt::ShiftModifier,
                                  target->mapFrom(m_window.get(), at));
        } else {
            click(roll < 995 ? "CmdCalcola" : "CmdCancella");
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(Separator == "." || Separator == ",", "CALORVIN_TEST_DECIMAL is neither . nor ,");
        QApplication::setCursorFlashTime(0);
        calorvin::ui::StartReadingFontConfiguration(); // on its own thread, as main() starts it
        calorvin::ui::SetUpApplication(*qApp, false); // the classic style, the fonts, as the program starts
        m_platformFont = QApplication::font();
        connect(&m_watchdog, &QTimer::timeout, this, &TestCalorvin::poll);
    }

    void init()
    {
        m_endRequests = 0;
        m_window = std::make_unique<Calorvin>();
        m_window->setEndProgram([this] { ++m_endRequests; });
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_watchdog.start(5);
    }

    void cleanup()
    {
        m_watchdog.stop();
        m_onBox = {};
        m_onDialog = {};
        m_window.reset();
        for (const SeenBox& b : m_seen)
            qWarning("unexpected modal box: %s / %s", qPrintable(b.title), qPrintable(b.text));
        QVERIFY2(std::exchange(m_seen, {}).isEmpty(), "a modal box appeared that the test did not expect");
    }

    void firstShownAndLabelsIgnoreClicks()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Calcolo Parametri per certificazione secondo UNI 14785"));
        QCOMPARE(QApplication::focusWidget(), box("TxtPin"));
        QCOMPARE(texts(EntryNames + ResultNames), QStringList(15, QString()));
        QCOMPARE(box("TxtCO")->accessibleName(), QStringLiteral("CO al 13% di O2 [mg/m³]"));
        for (QWidget* w : m_window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            QWidget* hit = m_window->childAt(w->geometry().center()); // the top-most control there
            if (!hit || qobject_cast<QLineEdit*>(hit) || qobject_cast<QPushButton*>(hit))
                continue;
            const QPoint at = hit->mapFrom(m_window.get(), w->geometry().center());
            QTest::mouseClick(hit, Qt::LeftButton, {}, at);
            QTest::mouseDClick(hit, Qt::LeftButton, {}, at);
            QTest::mouseClick(hit, Qt::RightButton, {}, at);
            QCOMPARE(QApplication::focusWidget(), box("TxtPin"));
            QVERIFY(!QApplication::activePopupWidget());
        }
        QCOMPARE(m_endRequests, 0);
        for (const QLabel* label : m_window->findChildren<QLabel*>()) // a caption wider than its box wraps
            QVERIFY2(label->wordWrap(), qPrintable(label->objectName()));
        box("TxtQ")->setText(QString(40000, u'7')); // no length limit (Qt's default is 32767)
        QCOMPARE(box("TxtQ")->text().size(), 40000);
    }

    void calculate_data()
    {
        QTest::addColumn<QStringList>("entries");  // Pin, Pout, B, H, N, Q, Eta, CO
        QTest::addColumn<QStringList>("expected"); // P, Mw, Pw, Pa, COppm, Dp, Etaw; point form
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("reference case")
            << Reference
            << QStringList{"5", "100", "2.32558139534884", "2.67441860465116", "200", "15", "46.5116279069767"}
            << QStringList{};
        QTest::newRow("computes, then warns; entries take a point whatever the locale: 0,9 is 0")
            << QStringList{"20", "5", "45", "500", "20", "100", "0,9", "250"}
            << QStringList{"0", "100", "2.32558139534884", "-2.32558139534884", "200", "15", ""} << Warnings({7});
        QTest::newRow("every check fails: eight boxes in order")
            << QStringList(8, "-1") << QStringList(7, QString()) << Warnings({1, 2, 3, 4, 5, 6, 7, 8});
    }

    void calculate()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, warnings);
        typeEntries(entries);
        for (QString& r : expected)
            r.replace(u'.', Separator);
        for (int run = 0; run < 2; ++run) { // a second run says the same again
            click("CmdCalcola");
            QCOMPARE(texts(EntryNames), entries); // left as typed
            QCOMPARE(results(), expected);
            for (const QString& name : ResultNames) // a long result shows its leading digits
                QCOMPARE(box(name)->cursorPosition(), 0);
            for (const SeenBox& b : m_seen) { // results written before the first box
                QCOMPARE(b.title, QStringLiteral("Attenzione !!!"));
                QCOMPARE(b.icon, QMessageBox::Information);
                QCOMPARE(b.resultsMeanwhile, expected);
            }
            QCOMPARE(takeTexts(), warnings);
            QCOMPARE(m_window->focusWidget(), button("CmdCalcola")); // not moved to the offending box
        }
        if (warnings.isEmpty()) // every caption, font, colour, position and stacking, and the results shown
            comparePicture(Separator == "," ? "window_comma" : "window_point");
    }

    void warningBoxKeys()
    {
        // Ctrl+C copies each box; the first is closed by Esc, the second by Enter, each at once.
        QStringList copied;
        QList<bool> closed;
        m_onBox = [&](QMessageBox* box) {
            QCOMPARE(box->icon(), QMessageBox::Information);
            QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
            copied << QGuiApplication::clipboard()->text();
            QTest::keyClick(box, m_seen.size() == 1 ? Qt::Key_Escape : Qt::Key_Return);
            closed << !box->isVisible();
        };
        typeEntries({"20", "5", "45", "500", "20", "100", "-1", "-5"});
        click("CmdCalcola");
        QCOMPARE(takeTexts(), Warnings({7, 8}));
        QCOMPARE(closed, (QList<bool>{true, true}));
        QCOMPARE(copied.value(1),
                 QStringLiteral("---------------------------\nAttenzione !!!\n---------------------------\n"
                                "Il valore della media del CO normalizzato al 13% deve essere maggiore di zero\n"
                                "---------------------------\nOK   \n---------------------------\n"));
    }

    void commandsInSequence()
    {
        typeEntries(Reference);
        QStringList order;
        for (const QString& name : EntryNames + ResultNames)
            connect(box(name), &QLineEdit::textChanged, this, [&order, name] { order << name; });
        click("CmdCalcola");
        QCOMPARE(order, ResultNames);

        // A failing gate after a good run leaves the earlier results, and what was typed over them.
        QStringList kept = results();
        kept[5] = QStringLiteral("typed by hand");
        type("TxtPin", "0");
        type("TxtDp", kept[5]);
        click("CmdCalcola");
        QCOMPARE(takeTexts(), Warnings({1}));
        QCOMPARE(results(), kept);

        order.clear();
        click("CmdCancella");
        QCOMPARE(order, (EntryNames + QStringList{"TxtMw", "TxtP", "TxtPw", "TxtPa", "TxtCOppm", "TxtDp", "TxtEtaw"}));
        QCOMPARE(texts(EntryNames + ResultNames), QStringList(15, " "));
        click("CmdCalcola");
        QCOMPARE(takeTexts(), Warnings({1, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(results(), QStringList(7, " "));
    }

    void tabCycleWithEnterPressingOnlyButtons()
    {
        typeEntries(Reference);
        box("TxtPin")->setFocus();
        for (bool backward : {false, true}) { // forward ends where it began, in TxtPin
            QStringList expected, visited;
            for (qsizetype i = 1; i <= TabCycle.size(); ++i) {
                expected << TabCycle[(backward ? TabCycle.size() - i : i) % TabCycle.size()];
                QTest::keyClick(QApplication::focusWidget(), backward ? Qt::Key_Backtab : Qt::Key_Tab,
                                backward ? Qt::ShiftModifier : Qt::NoModifier);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
                if (qobject_cast<QLineEdit*>(QApplication::focusWidget()))
                    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
                        QTest::keyClick(QApplication::focusWidget(), key);
                visited << QApplication::focusWidget()->objectName();
            }
            QCOMPARE(visited, expected);
        }
        // Calcola would have written results, Cancella blanked the entries, Uscita ended the program.
        QCOMPARE(results(), QStringList(7, QString()));
        QCOMPARE(box("TxtPin")->text(), QStringLiteral("20"));
        QCOMPARE(m_endRequests, 0);

        // Enter and keypad Enter on a focused button press it, as a click does.
        QTest::keyClick(button("CmdCalcola"), Qt::Key_Return);
        QCOMPARE(results().at(0), QStringLiteral("5"));
        QTest::keyClick(button("CmdCancella"), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(texts(EntryNames + ResultNames), QStringList(15, " "));
        QTest::keyClick(button("CmdUscita"), Qt::Key_Return);
        QCOMPARE(m_endRequests, 1);
    }

    void noSecondRunWhileWarningsShow()
    {
        // A press that reaches a button while a warning is up (an assistive tool can) does nothing.
        int presses = 0;
        m_onBox = [&](QMessageBox*) {
            ++presses;
            for (const char* name : {"CmdCalcola", "CmdCancella", "CmdUscita"})
                button(name)->click();
        };
        typeEntries({"20", "5", "45", "500", "20", "100", "80", "-5"});
        click("CmdCalcola");
        QCOMPARE(takeTexts(), Warnings({8}));
        QCOMPARE(presses, 1);
        QCOMPARE(box("TxtPin")->text(), QStringLiteral("20"));
        QCOMPARE(m_endRequests, 0);
    }

    void boxesForReading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("at");        // the character under the pointer
        QTest::addColumn<int>("clicks");       // 2, or a triple-click
        QTest::addColumn<QString>("selected"); // by the clicks there; every run a double-click takes: the core's table
        QTest::newRow("exponent") << "5.00000000000007E-02" << 18 << 2 << "5.00000000000007E-02";
        QTest::newRow("unit") << " 20 kg" << 5 << 2 << "kg";
        QTest::newRow("triple-click") << " 20 kg" << 2 << 3 << " 20 kg";
    }

    void boxesForReading()
    {
        QFETCH(QString, text);
        QFETCH(int, at);
        QFETCH(int, clicks);
        QFETCH(QString, selected);
        QLineEdit* dp = box("TxtDp");
        dp->setText(text);
        const auto x = [dp](int i) { dp->setCursorPosition(i); return dp->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x(); };
        dp->setCursorPosition(0); // the text's start shows, as the window leaves it
        if (x(at + 1) > x(at)) { // the character shows in the box
            const QPoint point((x(at) + x(at + 1)) / 2, dp->height() / 2);
            QTest::mouseDClick(dp, Qt::LeftButton, {}, point);
            if (clicks == 3)
                QTest::mouseClick(dp, Qt::LeftButton, {}, point);
            QCOMPARE(dp->selectedText(), selected);
        }
        // The whole text as a tooltip, only where it does not fit the box.
        QHelpEvent hover(QEvent::ToolTip, dp->rect().center(), dp->mapToGlobal(dp->rect().center()));
        QApplication::sendEvent(dp, &hover);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), text.size() > 8 || text.contains(u'\t') ? text : QString());
        QToolTip::hideText();
    }

    void bevels() // sunken boxes and raised buttons: dark top-left and light bottom-right edges, or the reverse
    {
        const QImage image = m_window->grab().toImage();
        const auto lightness = [&](QPoint p) { return image.pixelColor(p).lightness(); };
        for (QWidget* w : {static_cast<QWidget*>(box("TxtPin")), static_cast<QWidget*>(button("CmdCalcola"))}) {
            const QRect r = w->geometry();
            const bool sunken = qobject_cast<QLineEdit*>(w);
            QVERIFY2((lightness(r.topLeft() + QPoint(1, 1)) < lightness(r.bottomRight() - QPoint(1, 1))) == sunken,
                     qPrintable(w->objectName()));
        }
        // The page is drawn in look.h's colours: where Qt's own palette applies, as here, they are the window's.
        using namespace calorvin;
        const ui::SystemColours c = ui::CurrentColours();
        const QPalette p = QGuiApplication::palette();
        const QList<QColor> drawn = {c.buttonFace, c.window, c.windowText, c.highlight, c.desktop,
                                     p.color(QPalette::Light), p.color(QPalette::Dark), p.color(QPalette::Shadow)};
        for (std::size_t i = 0; i < look::Colours.size(); ++i)
            QVERIFY2(drawn.at(i).rgb() == ui::Colour(i).rgb(), look::Colours[i].name.data());
    }

    // The icon at every size, its compiled-in pixels those of the PNGs (CALORVIN_UPDATE_REFERENCE=1 rewrites them;
    // build again after).
    void icon()
    {
        for (int size : calorvin::ui::IconSizes) {
            const QString png = QStringLiteral(CALORVIN_ICON_DIR "/calorvin-%1.png").arg(size);
            const QImage picture = QImage(png).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
            QByteArray pixels;
            for (int y = 0; y < picture.height(); ++y)
                pixels.append(reinterpret_cast<const char*>(picture.constScanLine(y)), picture.width() * 4);
            if (qEnvironmentVariableIsSet("CALORVIN_UPDATE_REFERENCE")) {
                QFile raw(QString(png).replace(QStringLiteral(".png"), QStringLiteral(".rgba")));
                QVERIFY(raw.open(QIODevice::WriteOnly) && raw.write(pixels) == pixels.size());
            }
            QVERIFY2(picture.size() == QSize(size, size) && calorvin::ui::IconPixels(size) == pixels, qPrintable(png));
            const QImage shown = m_window->windowIcon().pixmap(size).toImage();
            QVERIFY2(shown.convertToFormat(QImage::Format_RGBA8888_Premultiplied) == picture, qPrintable(png));
        }
    }

    void styleChosenByUser_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("override"); // QT_STYLE_OVERRIDE
        QTest::addColumn<bool>("chosen");
        QTest::newRow("none") << QStringList{} << QByteArray() << false;
        QTest::newRow("-style NAME") << QStringList{"-style", "fusion"} << QByteArray() << true;
        QTest::newRow("-style=NAME") << QStringList{"-style=fusion"} << QByteArray() << true;
        QTest::newRow("--style=NAME") << QStringList{"--style=fusion"} << QByteArray() << true;
        QTest::newRow("-stylesheet") << QStringList{"-stylesheet", "a.qss"} << QByteArray() << false;
        QTest::newRow("environment") << QStringList{} << QByteArray("fusion") << true;
    }
    void styleChosenByUser()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, override);
        const QByteArray saved = qgetenv("QT_STYLE_OVERRIDE");
        qputenv("QT_STYLE_OVERRIDE", override);
        std::vector<QByteArray> texts{"calorvin"};
        for (const QString& a : arguments)
            texts.push_back(a.toUtf8());
        std::vector<char*> argv;
        for (QByteArray& t : texts)
            argv.push_back(t.data());
        const bool chosen = calorvin::ui::StyleChosenByUser(static_cast<int>(argv.size()), argv.data());
        qputenv("QT_STYLE_OVERRIDE", saved);
        QTEST(chosen, "chosen");
    }

    void captionWidths() // a caption of each key as wide as in caption_widths.tsv, which the page is held to
    {
        QFile file(CALORVIN_REFERENCE_DIR "/caption_widths.tsv");
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        int checked = 0;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(u'#'))
                continue;
            auto* label = m_window->findChild<QLabel*>(line.section(u'\t', 0, 0));
            QVERIFY2(label, qPrintable(line));
            const qreal width = QFontMetricsF(label->font()).horizontalAdvance(label->text());
            QVERIFY2(qAbs(width - line.section(u'\t', 1).toDouble()) < 0.01, qPrintable(line + " is " + QString::number(width)));
            ++checked;
        }
        QCOMPARE(checked, 7);
    }

    void applicationFontKept() // lent to the window while it is built, for tooltips and dialogs
    {
        QCOMPARE(QApplication::font(), m_platformFont);
    }

    void accessibility()
    {
        QCOMPARE(QAccessible::queryAccessibleInterface(m_window.get())->role(), QAccessible::Window);
        QAccessibleInterface* co = QAccessible::queryAccessibleInterface(box("TxtCO"));
        QCOMPARE(co->relations(QAccessible::Label).value(0).first->text(QAccessible::Name),
                 QStringLiteral("CO al 13% di O"));
        QCOMPARE(co->text(QAccessible::Description), QStringLiteral("dato in ingresso"));
        QCOMPARE(QAccessible::queryAccessibleInterface(box("TxtDp"))->text(QAccessible::Description),
                 QStringLiteral("dato in uscita"));
    }

    void editMenuInItalian() // the toolkit's own texts follow the locale, when Qt's translations are installed
    {
        if (Separator != ",")
            QSKIP("the comma run's locale is Italian");
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_it.qm"))
            QSKIP("Qt's Italian translation is not installed (qt6-translations-l10n)");
        std::unique_ptr<QMenu> menu(box("TxtPin")->createStandardContextMenu());
        QStringList actions;
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                actions << a->text().section(u'\t', 0, 0).remove(u'&');
        QCOMPARE(actions.join(", "), QStringLiteral("Annulla, Ripeti, Taglia, Copia, Incolla, Elimina, Seleziona tutto"));
    }

    void exitEndsTheEventLoopWithStatusZero()
    {
        for (bool viaCloseBox : {false, true}) { // the real ending, not the test's recorder
            Calorvin window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QTest::keyClicks(window.findChild<QLineEdit*>("TxtPin"), QStringLiteral("12"));
            QTimer::singleShot(0, &window, [&window, viaCloseBox] {
                viaCloseBox ? void(window.close())
                            : QTest::mouseClick(window.findChild<QPushButton*>("CmdUscita"), Qt::LeftButton);
            });
            QTimer::singleShot(5000, &window, [] { QCoreApplication::exit(99); }); // if nothing ends it
            QCOMPARE(QCoreApplication::exec(), 0);
        }
    }

    // The monkey, run alone by ctest -R ui_monkey: after every Calculate the window shows what Evaluate gives for
    // the entry texts (the earlier results where the gate fails), the boxes shown are its warnings in order, the
    // entries are unchanged; no box outside a Calculate, none left open, no request to end.
    // Replay: CALORVIN_MONKEY_SEED=<seed printed at start>; CALORVIN_MONKEY_EVENTS=<n> stops at the event named.
    void monkey()
    {
        const auto setting = [](const char* name, const char* build) { // a value given by hand wins
            const qulonglong value = qEnvironmentVariable(name).toULongLong();
            return value ? value : qEnvironmentVariable(build).toULongLong();
        };
        const qulonglong seed = setting("CALORVIN_MONKEY_SEED", "CALORVIN_MONKEY_BUILD_SEED");
        const long events = static_cast<long>(setting("CALORVIN_MONKEY_EVENTS", "CALORVIN_MONKEY_BUILD_EVENTS"));
        if (events == 0)
            QSKIP("the monkey runs as ctest -R ui_monkey");
        qInfo("monkey: seed %llu, %ld events", seed, events);
        m_rng.seed(seed);
        static QtMessageHandler previous = nullptr; // offscreen warns whenever a box is sized
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& at, const QString& s) {
            if (!s.contains(QLatin1String("does not support propagateSizeHints")))
                previous(type, at, s);
        });
        m_watchdog.start(0); // closes each box at once
        long event = 1, calculations = 0, computed = 0;
        QStringList expected, failures;
        connect(button("CmdCalcola"), &QPushButton::pressed, this, [&] {
            const QStringList entries = texts(EntryNames);
            std::array<std::string, calorvin::EntryCount> utf8;
            oracle::Texts views;
            for (std::size_t i = 0; i < utf8.size(); ++i)
                views[i] = utf8[i] = entries.at(static_cast<qsizetype>(i)).toStdString();
            const auto out = calorvin::Evaluate(views, Separator.toStdString());
            expected = entries + results();
            for (std::size_t i = 0; out.computed && i < out.resultTexts.size(); ++i)
                expected[EntryNames.size() + static_cast<qsizetype>(i)] = QString::fromStdString(out.resultTexts[i]);
            for (std::string_view warning : out.warnings)
                expected << QString::fromUtf8(warning.data(), static_cast<qsizetype>(warning.size()));
            computed += out.computed;
            if (!m_seen.isEmpty())
                failures << QStringLiteral("event %1: a box outside a Calculate: %2").arg(event).arg(takeTexts().join(" | "));
        });
        connect(button("CmdCalcola"), &QPushButton::clicked, this, [&] { // after the window's own handler
            ++calculations;
            if (const QStringList got = texts(EntryNames) + results() + takeTexts(); got != expected)
                failures << QStringLiteral("event %1: window [%2], Evaluate [%3]")
                                .arg(event).arg(got.join(" | ").left(2000), expected.join(" | ").left(2000));
        });
        for (; event <= events && failures.isEmpty(); ++event) {
            monkeyAct();
            if (event % 16 == 0)
                QCoreApplication::processEvents(); // paints, deferred deletes
            if (!m_window->isActiveWindow()) // as after a warning box
                m_window->activateWindow();
            if (m_endRequests || QApplication::activeModalWidget())
                failures << QStringLiteral("event %1: a request to end, or a box left open").arg(event);
        }
        qInfo("monkey: %ld events, %ld calculations (%ld computed)", event - 1, calculations, computed);
        QVERIFY2(failures.isEmpty(), qUtf8Printable(failures.join(u'\n')));
        QVERIFY(calculations > events / 100 && computed > 0);
    }

    // The test on record: copy and PDF only while the boxes hold what the last Calculate read and wrote; else one
    // box says why, nothing is copied or written and nothing in the window changes. The form's rules in full are
    // the core's table (form_test.cpp); these rows hold the window to them: every box passed, Cancella wired.
    void recordOnlyTheLastRun_data()
    {
        QTest::addColumn<QStringList>("steps"); // after the reference test is typed: "Cmd…" clicks, "Txt…=text" types
        QTest::addColumn<QString>("refusal");   // the box's text; empty: recorded
        const QString press = "premere Calcola prima di copiare o salvare la prova.", none = "Nessun calcolo da registrare: ";
        QTest::newRow("no Calcola yet") << QStringList{} << none + press;
        QTest::newRow("after Calcola") << QStringList{"CmdCalcola"} << QString();
        QTest::newRow("entry changed") << QStringList{"CmdCalcola", "TxtCO=30"}
                                       << "I dati in ingresso sono stati modificati dopo l'ultimo calcolo: " + press;
        QTest::newRow("result typed over") << QStringList{"CmdCalcola", "TxtEtaw=16"} << "I dati in uscita sono stati "
                                              "modificati dopo l'ultimo calcolo: " + press;
        QTest::newRow("Cancella forgets the run") << QStringList{"TxtCO=-5", "CmdCalcola", "CmdCancella"} << none + press;
    }

    void recordOnlyTheLastRun()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, refusal);
        typeEntries(Reference);
        for (const QString& step : steps)
            step.startsWith("Cmd") ? click(step) : type(step.section(u'=', 0, 0), step.section(u'=', 1));
        takeTexts(); // Calculate's warnings
        const QStringList before = texts(EntryNames + ResultNames);
        QGuiApplication::clipboard()->setText("before");
        QTemporaryDir dir;
        press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        const bool saved = m_window->saveTestAsPdf(dir.filePath("p.pdf"));
        press(Qt::Key_S, Qt::ControlModifier); // the refusal, or the file dialog, left unanswered
        QStringList seen;
        for (const SeenBox& b : std::exchange(m_seen, {}))
            seen << b.title + ": " + b.text;
        QCOMPARE(seen, refusal.isEmpty() ? QStringList{"Salva come PDF: "} : QStringList(3, "Attenzione !!!: " + refusal));
        QCOMPARE(QGuiApplication::clipboard()->text() == "before", !refusal.isEmpty());
        QCOMPARE(saved && QFile::exists(dir.filePath("p.pdf")), refusal.isEmpty());
        QCOMPARE(texts(EntryNames + ResultNames), before);
    }

    // Ctrl+Shift+C, or the menu of a right click anywhere outside the boxes: both forms of the table, whole.
    void copyTheTest()
    {
        typeEntries(Recorded);
        click("CmdCalcola");
        press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), recordedTable());
        QTextDocument html; // read back as a rich-text editor reads it: a cell a line, a run of blanks one blank
        html.setHtml(QGuiApplication::clipboard()->mimeData()->html());
        QCOMPARE(html.toPlainText().trimmed() + u'\n', recordedTable().replace(u'\t', u'\n')); // "Portata  Q" too

        box("TxtCO")->setText("\"a\tb\nc<&>"); // quoted for spreadsheets, escaped in HTML; reads 0, a warning
        box("TxtEta")->setText("\"9");            // starts with a quote: quoted too
        click("CmdCalcola");
        QCOMPARE(takeTexts(), Warnings({7, 7, 8}));
        for (const char* name : {"LBLPeso", "Label44", "Line1", "Label5", "CmdUscita", "Calorvin"}) {
            QWidget* w = m_window->findChild<QWidget*>(name);
            QTest::mouseClick(m_window->windowHandle(), Qt::RightButton, {}, w ? w->geometry().center() : QPoint(5, 5));
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY2(menu, name);
            QCOMPARE(menu->actions().value(0)->text() + " | " + menu->actions().value(1)->text(),
                     QString::fromUtf8("Copia la prova | Salva come PDF…"));
            QTest::keyClick(menu, w ? Qt::Key_Escape : Qt::Key_Down); // the last, on the background, copies
            QTest::keyClick(menu, Qt::Key_Return);
        }
        for (const QString name : {"CmdUscita", "TxtPin"}) // the menu on a button; a box keeps its own
            for (const bool menuKey : {true, false}) { // the display's menu key asks the focused control
                m_window->activateWindow(); // again after the menu
                QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
                QWidget* control = m_window->findChild<QWidget*>(name);
                QContextMenuEvent fromKeyboard(QContextMenuEvent::Keyboard, {}, control->mapToGlobal(QPoint()));
                control->setFocus(), menuKey ? void(QApplication::sendEvent(control, &fromKeyboard))
                                             : QTest::keyClick(control, Qt::Key_F10, Qt::ShiftModifier);
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                QVERIFY2(menu && (menu->actions().value(0)->text() == "Copia la prova") == name.startsWith("Cmd"),
                         qPrintable(name + (menuKey ? ": the menu key" : ": Shift+F10")));
                QTest::keyClick(menu, Qt::Key_Escape);
            }
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 recordedTable().replace("250\tmg", "\"\"\"a\tb\nc<&>\"\tmg").replace("\t200\t", "\t0\t").replace("0,9", "\"\"\"9\""));
        QVERIFY(QGuiApplication::clipboard()->mimeData()->html().contains(">&quot;a\tb\nc&lt;&amp;&gt;</td>"));
    }

    // The page as a reader gets it: A4, PDF/A-1b with title, creator and date; its text layer holds the title, the
    // date, the table as the copy gives it and this run's warnings only; the window at its own size (96 dpi).
    void pdfAsTheUserGetsIt()
    {
        typeEntries({"20", "5", "45", "500", "20", "100", "80", "-5"});
        click("CmdCalcola");
        click("CmdCancella");
        typeEntries(Recorded);
        click("CmdCalcola");
        QCOMPARE(takeTexts(), Warnings({8, 7}));
        QTemporaryDir dir;
        const QString path = dir.filePath("prova.pdf");
        const QString day = QDate::currentDate().toString("dd/MM/yyyy");
        QVERIFY(m_window->saveTestAsPdf(path));
        const QString days = day + "|" + QDate::currentDate().toString("dd/MM/yyyy"); // at midnight, either
        const QString info = poppler("pdfinfo", {path}) + poppler("pdfinfo", {"-meta", path});
        for (const char* line : {"Title:           Calcolo Parametri per certificazione secondo UNI 14785\n",
                                 "Creator:         Calorvin\n", "Page size:       595 x 842 pts (A4)\n",
                                 "pdfaid:part=\"1\" pdfaid:conformance=\"B\"", "\nCreationDate: "})
            QVERIFY2(info.contains(QString::fromUtf8(line)), line);
        QStringList lines = poppler("pdftotext", {"-layout", path, "-"}).split(u'\n'), table;
        for (const QString& line : (recordedTable() + "Attenzione !!!\n" + Warnings({7}).value(0)).split(u'\n'))
            table << line.simplified();
        for (QString& line : lines)
            line = line.simplified();
        lines.removeAll(QString());
        QVERIFY2(QRegularExpression("^Calcolo Parametri per certificazione secondo UNI 14785 "
                                    "(" + days + ") \\d\\d:\\d\\d$").match(lines.value(0)).hasMatch(),
                 qPrintable(lines.value(0)));
        QCOMPARE(lines.mid(lines.indexOf(table.value(0))), table); // to the page's end: no warning of an earlier run

        // "Formule Utilizzate:" stands 360 px (270 pt) right of "Versione 1.1".
        const QString words = poppler("pdftotext", {"-bbox", path, "-"});
        const auto x = [&words](const QString& word) {
            return QRegularExpression("xMin=\"([0-9.]+)\"[^>]*>" + word + "<").match(words).captured(1).toDouble();
        };
        QVERIFY2(qAbs(x("Formule") - x("Versione") - 270) < 1, qPrintable(QString::number(x("Formule") - x("Versione"))));
        QCOMPARE(words.count(">200<"), 2); // COppm, in the window drawn and in the table
        // The table's "Portata  Q" keeps both blanks, as the window shows it: twice the gap in "Peso Iniziale".
        const auto gap = [&words](const char* a, const char* b) { // the last pair on the page: the table's
            double last = 0;
            for (auto pairs = QRegularExpression(QStringLiteral("xMax=\"([0-9.]+)\"[^>]*>%1</word>\\s*<word xMin=\"([0-9.]+)\"")
                                                     .arg(a) + QStringLiteral("[^>]*>%1<").arg(b)).globalMatch(words);
                 pairs.hasNext();) {
                const QRegularExpressionMatch pair = pairs.next();
                last = pair.captured(2).toDouble() - pair.captured(1).toDouble();
            }
            return last;
        };
        QVERIFY2(gap("Portata", "Q") > 1.6 * gap("Peso", "Iniziale"), qPrintable(QString::number(gap("Portata", "Q"))));
    }

    // The window on the page is at rest, however the operator left it: no focus frame, caret or selection, and a
    // box scrolled to its end shows its start, also for megabytes, which cost at most a second and are cut in the
    // page's table with the count left out, while the copy keeps them whole.
    void pdfShowsTheWindowAtRest()
    {
        typeEntries(Reference);
        box("TxtCO")->setText("250 " + QString(20, u'x')); // wider than its box
        click("CmdCalcola"); // its button has the focus
        QTemporaryDir dir;
        QList<QImage> pages;
        for (const QString name : {"button", "box", "rest", "long"}) { // the window, below the heading's minute
            QLineEdit* co = box("TxtCO");
            name == "box" ? co->setFocus(), co->end(false), co->cursorBackward(true, 4)
                          : void(name == "rest" ? QApplication::focusWidget()->clearFocus(), co->setCursorPosition(0) : void());
            if (name == "long") {
                co->setText("250 " + QString(2'000'000, u'x') + "9"); // reads 250: nothing else changes
                click("CmdCalcola");
            }
            QElapsedTimer time;
            time.start();
            QVERIFY(m_window->saveTestAsPdf(dir.filePath(name + ".pdf")));
            QVERIFY2(time.elapsed() < 1000, qPrintable(QString::number(time.elapsed())));
            poppler("pdftoppm", {"-r", "96", "-png", "-singlefile", dir.filePath(name + ".pdf"), dir.filePath(name)});
            const QImage page(dir.filePath(name + ".png"));
            pages << page.copy(0, 80, page.width(), m_window->height() - 20);
        }
        QVERIFY(!pages[2].isNull());
        for (int i : {0, 1, 3})
            QVERIFY2(pages[i] == pages[2], qPrintable(QString::number(i)));
        QVERIFY(poppler("pdftotext", {dir.filePath("long.pdf"), "-"}).contains(QString::fromUtf8("x…(+1999805")));
        press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(QGuiApplication::clipboard()->text().contains("250 " + QString(2'000'000, u'x') + "9\tmg"));
    }

    // The save dialog adds ".pdf", opens where the last file went, and asks before writing over a file, in a box
    // wide enough for its title: "No" keeps the file and asks for another name (left unanswered here), "Sì" writes.
    void saveDialog()
    {
        QCOMPARE(calorvin::ui::record::ProposedFileName(QDateTime(QDate(2026, 12, 7), QTime(14, 5))),
                 QStringLiteral("Calorvin 2026-12-07 14.05.pdf"));
        typeEntries(Reference);
        click("CmdCalcola");
        QTemporaryDir dir;
        QFile file(dir.filePath("prova.pdf"));
        QStringList folders, questions;
        QString typed = dir.filePath("prova");
        m_onDialog = [&](QFileDialog* dialog) {
            folders << dialog->directory().absolutePath();
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(std::exchange(typed, QString()));
            if (!dialog->findChild<QLineEdit*>("fileNameEdit")->text().isEmpty())
                static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, as the Save button
        };
        for (const char* answer : {"", "No", "Sì"}) {
            m_onBox = [&, answer](QMessageBox* box) {
                questions << box->windowTitle() + ": " + box->text();
                QFont bold = box->font();
                bold.setBold(true);
                QVERIFY(box->width() > QFontMetrics(bold).horizontalAdvance(box->windowTitle()) + 150);
                QCOMPARE(box->defaultButton(), box->button(QMessageBox::No)); // Enter keeps the file
                for (QAbstractButton* button : box->buttons()) // by their captions, "Sì" and "No"
                    if (button->text() == QString::fromUtf8(answer))
                        return button->click();
                QFAIL(answer);
            };
            if (*answer) {
                typed = "prova";
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
                file.close();
            }
            press(Qt::Key_S, Qt::ControlModifier);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.read(5), QByteArray(QString::fromUtf8(answer) == "No" ? "x" : "%PDF-"));
            file.close();
        }
        m_seen.clear();
        QCOMPARE(folders.mid(1), QStringList(3, QDir(dir.path()).absolutePath()));
        QCOMPARE(questions, QStringList(2, QString::fromUtf8("Salva come PDF: Il file \"prova.pdf\" esiste già.\nSostituirlo?")));

        // Through a link the file is written and the link stays. Where it cannot be written: one box says why,
        // nothing is replaced (a device or a FIFO, directly or through a link, even for root) and no temporary file
        // is left. Root may write in any folder: the read-only one is tried as nobody.
        m_onBox = {};
        QVERIFY(QFile::link("prova.pdf", dir.filePath("link.pdf")) && file.resize(1));
        QVERIFY(m_window->saveTestAsPdf(dir.filePath("link.pdf")));
        QVERIFY(QFileInfo(dir.filePath("link.pdf")).isSymLink() && file.size() > 1000);
        const QString real = QDir(dir.path()).canonicalPath(), fifo = dir.filePath("fifo");
        QVERIFY(mkfifo(QFile::encodeName(fifo), 0666) == 0 && QFile::link("fifo", dir.filePath("fifo.pdf")));
        QVERIFY(QDir(dir.path()).mkdir("ro") && chmod(QFile::encodeName(dir.filePath("ro")), 0555) == 0 &&
                chmod(QFile::encodeName(dir.path()), 0755) == 0);
        std::vector<std::tuple<QString, QString, bool>> failures = {
            {dir.filePath("manca/prova.pdf"), "la cartella non esiste", false}, {dir.path(), "è una cartella", false},
            {fifo, "è una FIFO, non un file", false},
            {dir.filePath("fifo.pdf"), "il collegamento porta a \"" + real + "/fifo\", una FIFO, non un file", false},
            {dir.filePath("ro/prova.pdf"), "non è permesso scrivere nella cartella", geteuid() == 0}};
        if (mknod(QFile::encodeName(dir.filePath("full")), S_IFCHR | 0666, makedev(1, 7)) == 0) // where permitted
            failures.emplace_back(dir.filePath("full"), "è un dispositivo, non un file", false);
        const auto listing = [&dir] {
            QStringList entries;
            for (QDirIterator it(dir.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                 QDirIterator::Subdirectories); it.hasNext();) {
                struct stat status {};
                lstat(QFile::encodeName(it.next()), &status);
                entries << QStringLiteral("%1 %2 %3").arg(it.filePath()).arg(status.st_mode, 0, 8).arg(status.st_size);
            }
            return entries;
        };
        for (const auto& [at, why, asNobody] : failures) {
            const QStringList before = listing();
            QVERIFY(!asNobody || (setegid(65534) == 0 && seteuid(65534) == 0));
            const bool saved = m_window->saveTestAsPdf(at);
            QVERIFY(!asNobody || (seteuid(0) == 0 && setegid(0) == 0));
            QVERIFY(!saved);
            QCOMPARE(takeTexts(), QStringList{"Impossibile salvare \"" + QDir::toNativeSeparators(at) + "\": " + why});
            QCOMPARE(listing(), before);
        }
    }
};

QTEST_MAIN(TestCalorvin)
#include "calorvin_test.moc"
