// The window Calorvin driven through its real widgets: typed with key presses, clicked with the mouse, read back
// from the boxes, and its picture compared with a reference image. Expected values are written out here, never
// taken from its own table; parsing and the gate in detail are the core tests' business.
//
// The picture: tests/ui/window_<point|comma>.png, after the reference test is typed and calculated. On a mismatch
// the actual image and a difference (red where pixels differ) go to the test's working directory in the build
// tree. After an intended change of the look: CALORVIN_UPDATE_REFERENCE=1 ctest -R ui_window, then look at the new
// images before committing them.

#include "calorvin.h"
#include "fonts.h"
#include "oracle.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>

#include <memory>

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
const QStringList TabCycle = {"TxtPin", "CmdUscita", "CmdCalcola", "CmdCancella", "TxtPout", "TxtB",
                              "TxtH",   "TxtN",      "TxtQ",       "TxtEta",      "TxtCO",   "TxtMw",
                              "TxtP",   "TxtPw",     "TxtPa",      "TxtCOppm",    "TxtDp",   "TxtEtaw"};

// The separator results must show, set by CTest: "." under C.UTF-8, "," under it_IT.UTF-8.
const QString Separator = qEnvironmentVariable("CALORVIN_TEST_DECIMAL");

// A modal box as met, with the result boxes as they stood while it was up.
struct SeenBox { QString title, text; QStringList resultsMeanwhile; QMessageBox::Icon icon; };

} // namespace

class TestCalorvin : public QObject {
    Q_OBJECT

    std::unique_ptr<Calorvin> m_window;
    int m_endRequests = 0;
    QTimer m_watchdog;
    QList<SeenBox> m_seen;
    std::function<void(QMessageBox*)> m_onBox; // while set, handed each box before the watchdog clicks OK

    // The watchdog records every modal box and closes it. A test that expects boxes takes them with
    // takeTexts(); cleanup() fails a test that leaves any, so a stray box fails it, not hangs it.
    void poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        m_seen << SeenBox{box->windowTitle(), box->text(), results(), box->icon()};
        const QPointer<QMessageBox> alive(box);
        if (m_onBox)
            m_onBox(box); // sends key events only: no event loop runs, no reentry
        if (alive && alive->isVisible())
            box->done(QMessageBox::Ok);
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

    // The window's client area against tests/ui/<name>.png, pixel for pixel: style, dpi, scaling and font
    // settings are pinned here and in CMakeLists.txt.
    void comparePicture(const QString& name)
    {
        const QString reference = QStringLiteral(CALORVIN_REFERENCE_DIR "/%1.png").arg(name);
        const QImage actual = m_window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (qEnvironmentVariableIsSet("CALORVIN_UPDATE_REFERENCE")) {
            QVERIFY(actual.save(reference));
            return qWarning("reference image written: %s", qPrintable(reference));
        }
        const QImage expected = QImage(reference).convertToFormat(QImage::Format_RGB32);
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

private slots:
    void initTestCase()
    {
        QVERIFY2(Separator == "." || Separator == ",", "run through CTest, which sets CALORVIN_TEST_DECIMAL");
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion"))); // and its palette
        QApplication::setCursorFlashTime(0);
        calorvin::ui::SetUpFonts();
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

    // Tab and Shift+Tab go round the cycle; after each step the keys below press nothing.
    void tabCycleWithEnterAndEscapePressingNothing()
    {
        typeEntries(Reference);
        box("TxtPin")->setFocus();
        for (bool backward : {false, true}) { // forward ends where it began, in TxtPin
            QStringList expected, visited;
            for (qsizetype i = 1; i <= TabCycle.size(); ++i) {
                expected << TabCycle[(backward ? TabCycle.size() - i : i) % TabCycle.size()];
                QTest::keyClick(QApplication::focusWidget(), backward ? Qt::Key_Backtab : Qt::Key_Tab,
                                backward ? Qt::ShiftModifier : Qt::NoModifier);
                for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                    QTest::keyClick(QApplication::focusWidget(), key);
                visited << QApplication::focusWidget()->objectName();
            }
            QCOMPARE(visited, expected);
        }
        // Calcola would have written results, Cancella blanked the entries, Uscita or closing ended the program.
        QCOMPARE(results(), QStringList(7, QString()));
        QCOMPARE(box("TxtPin")->text(), QStringLiteral("20"));
        QCOMPARE(m_endRequests, 0);
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
};

QTEST_MAIN(TestCalorvin)
#include "calorvin_test.moc"
