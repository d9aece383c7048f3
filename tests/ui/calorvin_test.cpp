// The window Calorvin driven through its real widgets: typed with key presses, clicked with the mouse, read back from the
// boxes, checked on the pixels it draws. Expected values are written out here
// from the window's description, never taken from its own table.

#include "calorvin.h"
#include "fonts.h"
#include "warning_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <limits>
#include <memory>

using calorvin::ui::Calorvin;
using calorvin::ui::WarningBox;

namespace {

const QString Title = QStringLiteral("Attenzione !!!");
const QStringList AllWarnings = {
    QStringLiteral("Il valore immesso del peso iniziale deve essere maggiore di zero"),
    QStringLiteral("Il valore immesso del peso finale deve essere maggiore o uguale a zero"),
    QStringLiteral("Il valore immesso della massa del combustibile in kg/h deve essere maggiore di zero"),
    QStringLiteral("Il valore immesso del potere calorifico del combustibile deve essere maggiore di zero"),
    QStringLiteral("Il valore immesso del salto termico deve essere maggiore di zero"),
    QStringLiteral("Il valore immesso della portata in l/h deve essere maggiore di zero"),
    QStringLiteral("Il valore immesso del rendimento deve essere maggiore di zero"),
    QStringLiteral("Il valore della media del CO normalizzato al 13% deve essere maggiore di zero"),
};
QStringList Warnings(std::initializer_list<int> checkNumbers) // 1-based, in check order
{
    QStringList texts;
    for (int n : checkNumbers)
        texts << AllWarnings.at(n - 1);
    return texts;
}

const QStringList EntryNames = {"TxtPin", "TxtPout", "TxtB", "TxtH", "TxtN", "TxtQ", "TxtEta", "TxtCO"};
// Result boxes in the order of EvaluationResults: P, Mw, Pw, Pa, COppm, Dp, Etaw.
const QStringList ResultNames = {"TxtP", "TxtMw", "TxtPw", "TxtPa", "TxtCOppm", "TxtDp", "TxtEtaw"};

// The Tab cycle, by TabIndex.
const QStringList TabCycle = {"TxtPin", "CmdUscita", "CmdCalcola", "CmdCancella", "TxtPout", "TxtB",
                              "TxtH",   "TxtN",      "TxtQ",       "TxtEta",      "TxtCO",   "TxtMw",
                              "TxtP",   "TxtPw",     "TxtPa",      "TxtCOppm",    "TxtDp",   "TxtEtaw"};

// The decimal separator the results must show under this run's locale,
// set by CTest: "." under C.UTF-8, "," under it_IT.UTF-8.
QString Separator()
{
    return qEnvironmentVariable("CALORVIN_TEST_DECIMAL");
}
QString Regional(QString pointForm)
{
    return pointForm.replace(u'.', Separator());
}

// Colour distance; "ink" is a pixel nearer the caption colour than the
// background.
int Distance(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
}

// One warning box as the user met it.
struct SeenBox {
    QString objectName;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    bool modal = false;
    QStringList resultsMeanwhile; // result boxes while the box was up
    int warningBoxesOpen = 0;     // boxes open at once
};

// Watches for modal windows, records each and dismisses it with its OK
// button. A test that expects boxes compares seen(); any other test ends
// with none seen, so an unexpected box fails it instead of hanging it.
class ModalWatch : public QObject {
public:
    explicit ModalWatch(std::function<QStringList()> results) : m_results(std::move(results))
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalWatch::poll);
        m_timer.start(5);
    }
    QList<SeenBox>& seen() { return m_seen; }
    QStringList texts() const
    {
        QStringList t;
        for (const SeenBox& b : m_seen)
            t << b.text;
        return t;
    }
    // While set, a box is left open and handed to this function instead.
    std::function<void(QMessageBox*)> onBox;

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_handling)
            return;
        SeenBox seen;
        seen.objectName = modal->objectName();
        seen.title = modal->windowTitle();
        seen.modal = modal->isModal();
        seen.resultsMeanwhile = m_results();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->objectName() == QLatin1String(WarningBox::ObjectName))
                ++seen.warningBoxesOpen;
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box) {
            seen.text = box->text();
            seen.icon = box->icon();
            for (QAbstractButton* b : box->buttons())
                seen.buttons << b->text();
        }
        m_seen << seen;
        const QPointer<QWidget> open(modal);
        if (box && onBox) {
            m_handling = box;
            onBox(box);
            m_handling = nullptr;
        }
        if (!open || !open->isVisible())
            return;
        if (box && box->button(QMessageBox::Ok))
            box->button(QMessageBox::Ok)->click();
        else
            modal->close();
    }

    std::function<QStringList()> m_results;
    QTimer m_timer;
    QList<SeenBox> m_seen;
    QPointer<QWidget> m_handling;
};

} // namespace

class TestCalorvin : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Calorvin> m_window;
    std::unique_ptr<ModalWatch> m_watch;
    int m_endRequests = 0;

    QLineEdit* box(const QString& name) const { return m_window->findChild<QLineEdit*>(name); }
    QPushButton* button(const QString& name) const { return m_window->findChild<QPushButton*>(name); }
    QLabel* label(const QString& name) const { return m_window->findChild<QLabel*>(name); }
    QStringList results() const
    {
        QStringList texts;
        if (m_window)
            for (const QString& name : ResultNames)
                texts << box(name)->text();
        return texts;
    }
    void type(const QString& boxName, const QString& text)
    {
        QLineEdit* target = box(boxName);
        QTest::mouseClick(target, Qt::LeftButton);
        target->selectAll();
        QTest::keyClick(target, Qt::Key_Delete);
        QTest::keyClicks(target, text);
    }
    void typeEntries(const QStringList& entries)
    {
        for (int i = 0; i < EntryNames.size(); ++i)
            type(EntryNames[i], entries.value(i));
    }
    void click(const QString& buttonName) { QTest::mouseClick(button(buttonName), Qt::LeftButton); }
    void calculate()
    {
        click(QStringLiteral("CmdCalcola"));
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(Separator() == "." || Separator() == ",",
                 "run through CTest, which sets CALORVIN_TEST_DECIMAL");
        calorvin::ui::SetUpFonts();
    }

    void init()
    {
        m_endRequests = 0;
        m_window = std::make_unique<Calorvin>();
        m_window->setEndProgram([this] { ++m_endRequests; });
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_watch = std::make_unique<ModalWatch>([this] { return results(); });
    }

    void cleanup()
    {
        const QList<SeenBox> unexpected = m_watch->seen();
        m_watch.reset();
        m_window.reset();
        WarningBox::SetInterceptor({});
        WarningBox::SetObserver({});
        // The watchdog: a test that meets boxes clears what it expected.
        for (const SeenBox& b : unexpected)
            qWarning("unexpected modal box: %s / %s", qPrintable(b.title), qPrintable(b.text));
        QVERIFY2(unexpected.isEmpty(), "a modal box appeared that the test did not expect");
    }

    // ---- The window as first shown --------------------------------------

    void startsEmptyWithFocusInTxtPin()
    {
        QCOMPARE(m_window->objectName(), QStringLiteral("Calorvin"));
        QCOMPARE(m_window->windowTitle(),
                 QStringLiteral("Calcolo Parametri per certificazione secondo UNI 14785"));
        QCOMPARE(m_window->size(), QSize(632, 597));
        QCOMPARE(QApplication::focusWidget(), box("TxtPin"));
        for (const QString& name : EntryNames + ResultNames) {
            QVERIFY2(box(name), qPrintable(name));
            QCOMPARE(box(name)->text(), QString());
        }
    }

    void hasEveryControl()
    {
        const auto direct = Qt::FindDirectChildrenOnly;
        QCOMPARE(m_window->findChildren<QLabel*>(QString(), direct).size(), 58);
        QCOMPARE(m_window->findChildren<QLineEdit*>(QString(), direct).size(), 15);
        QCOMPARE(m_window->findChildren<QPushButton*>(QString(), direct).size(), 3);
        QCOMPARE(m_window->findChildren<QWidget*>(QString(), direct).size(), 58 + 15 + 3 + 4);
        for (const char* line : {"Line1", "Line2", "Line3", "Line4"})
            QVERIFY2(m_window->findChild<QWidget*>(line, direct), line);
        QCOMPARE(label("LBLIntestazione")->text(), QStringLiteral("ANALISI COMBUSTIONE SECONDO UNI EN 14785"));
        QCOMPARE(label("Label13")->text(), QStringLiteral("[K] o [°C]"));
        QCOMPARE(label("Label44")->text(), QStringLiteral("²"));
        QCOMPARE(label("Label14")->text(), QStringLiteral("Portata  Q"));
        QCOMPARE(button("CmdCalcola")->text(), QStringLiteral("Calcola"));
        QCOMPARE(button("CmdCancella")->text(), QStringLiteral("Cancella"));
        QCOMPARE(button("CmdUscita")->text(), QStringLiteral("Uscita"));
    }

    void boxesAndButtonsAsSpecified()
    {
        for (QLineEdit* b : m_window->findChildren<QLineEdit*>()) {
            QCOMPARE(b->maxLength(), std::numeric_limits<int>::max());
            QCOMPARE(b->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
            QVERIFY(b->hasFrame());
            QVERIFY(!b->isReadOnly());
            QCOMPARE(b->size(), QSize(49, 17));
        }
        for (QPushButton* b : m_window->findChildren<QPushButton*>()) {
            QVERIFY(!b->isDefault());
            QVERIFY(!b->autoDefault());
            QVERIFY(!b->text().contains(u'&'));
            QCOMPARE(b->size(), QSize(81, 25));
        }
        // No length limit: more than Qt's default 32767 characters stay whole.
        const QString longText(40000, u'7');
        box("TxtQ")->setText(longText);
        QCOMPARE(box("TxtQ")->text().size(), 40000);
    }

    void accessibleNamesAreCaptionAndUnit()
    {
        // From the widgets on screen: the name label left of the box, its O2
        // subscript if any, and the unit label right of it.
        for (QLineEdit* b : m_window->findChildren<QLineEdit*>()) {
            QString name, unit, subscript;
            int nameGap = 1000, unitGap = 1000, subscriptGap = 1000; // the nearest of each
            for (QLabel* l : m_window->findChildren<QLabel*>()) {
                const QRect g = l->geometry();
                const int before = b->x() - g.right(), after = g.left() - b->geometry().right();
                if (g.top() == b->y() && g.left() < b->x() && before >= -1 && before < nameGap)
                    name = l->text(), nameGap = before;
                else if (g.top() == b->y() && after > 0 && after < unitGap)
                    unit = l->text(), unitGap = after;
                else if (g.top() == b->y() + 8 && before > 0 && before < subscriptGap)
                    subscript = l->text(), subscriptGap = before;
            }
            if (subscriptGap > 60)
                subscript.clear();
            QVERIFY2(!name.isEmpty() && !unit.isEmpty(), qPrintable(b->objectName()));
            QCOMPARE(b->accessibleName(), name + subscript + u' ' + unit);
        }
        QCOMPARE(box("TxtPin")->accessibleName(), QStringLiteral("Peso Iniziale [kg]"));
        QCOMPARE(box("TxtCO")->accessibleName(), QStringLiteral("CO al 13% di O2 [mg/m³]"));
    }

    // ---- The commands -----------------------------------------------------

    void calculateCases_data()
    {
        QTest::addColumn<QStringList>("entries"); // Pin, Pout, B, H, N, Q, Eta, CO
        QTest::addColumn<QStringList>("expected"); // P, Mw, Pw, Pa, COppm, Dp, Etaw; point form
        QTest::addColumn<QStringList>("warnings");
        const QStringList none(7, QString());

        QTest::newRow("reference case")
            << QStringList{"20", "5", "45", "500", "20", "100", "80", "250"}
            << QStringList{"5", "100", "2.32558139534884", "2.67441860465116", "200", "15", "46.5116279069767"}
            << QStringList{};
        QTest::newRow("final weight zero is valid")
            << QStringList{"20", "0", "45", "500", "20", "100", "80", "250"}
            << QStringList{"5", "100", "2.32558139534884", "2.67441860465116", "200", "20", "46.5116279069767"}
            << QStringList{};
        QTest::newRow("water flow 258.0 shows as 258")
            << QStringList{"20", "5", "45", "500", "20", "258.0", "80", "250"}
            << QStringList{"5", "258", "6", "-1", "200", "15", "120"} << QStringList{};
        QTest::newRow("blanks skipped, text after the number ignored")
            << QStringList{" 2 0", "5kg", "45", "500", "20", "100", "80", "250"}
            << QStringList{"5", "100", "2.32558139534884", "2.67441860465116", "200", "15", "46.5116279069767"}
            << QStringList{};
        QTest::newRow("negative efficiency computes, then warns")
            << QStringList{"20", "5", "45", "500", "20", "100", "-10", "250"}
            << QStringList{"-0.625", "100", "2.32558139534884", "-2.95058139534884", "200", "15", "-372.093023255814"}
            << Warnings({7});
        QTest::newRow("CO zero shows 0, then warns")
            << QStringList{"20", "5", "45", "500", "20", "100", "80", "0"}
            << QStringList{"5", "100", "2.32558139534884", "2.67441860465116", "0", "15", "46.5116279069767"}
            << Warnings({8});
        QTest::newRow("efficiency typed with a comma reads as 0")
            << QStringList{"20", "5", "45", "500", "20", "100", "0,9", "250"}
            << QStringList{"0", "100", "2.32558139534884", "-2.32558139534884", "200", "15", ""}
            << Warnings({7});
        QTest::newRow("final weight -1: one warning, no results")
            << QStringList{"20", "-1", "45", "500", "20", "100", "80", "250"} << none << Warnings({2});
        QTest::newRow("initial weight 0 fails the gate")
            << QStringList{"0", "0", "45", "500", "20", "100", "80", "250"} << none << Warnings({1});
        QTest::newRow("everything blank: seven warnings")
            << QStringList(8, QString()) << none << Warnings({1, 3, 4, 5, 6, 7, 8});
        QTest::newRow("every check at once")
            << QStringList{"-1", "-1", "-1", "-1", "-1", "-1", "-1", "-1"} << none
            << Warnings({1, 2, 3, 4, 5, 6, 7, 8});
    }

    void calculateCases()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, warnings);
        typeEntries(entries);
        for (int i = 0; i < entries.size(); ++i)
            QCOMPARE(box(EntryNames[i])->text(), entries[i]);

        calculate();

        QStringList regional;
        for (const QString& r : expected)
            regional << Regional(r);
        QCOMPARE(results(), regional);
        QCOMPARE(m_watch->texts(), warnings);
        // A long result shows its leading digits, as after a text is set on
        // the original platform: the caret is at the start.
        for (const QString& name : ResultNames)
            QCOMPARE(box(name)->cursorPosition(), 0);
        for (const SeenBox& b : m_watch->seen()) {
            QCOMPARE(b.objectName, QString::fromLatin1(WarningBox::ObjectName));
            QCOMPARE(b.title, Title);
            QCOMPARE(b.icon, QMessageBox::Information);
            QCOMPARE(b.buttons, QStringList{QStringLiteral("OK")});
            QVERIFY(b.modal);
            QCOMPARE(b.warningBoxesOpen, 1); // one after another, never two at once
            QCOMPARE(b.resultsMeanwhile, regional); // results written before any box
        }
        m_watch->seen().clear();
        // The entries are left as typed, and a second run says the same again.
        for (int i = 0; i < entries.size(); ++i)
            QCOMPARE(box(EntryNames[i])->text(), entries[i]);
        calculate();
        QCOMPARE(results(), regional);
        QCOMPARE(m_watch->texts(), warnings);
        m_watch->seen().clear();
    }

    void italianResultsShowAComma()
    {
        typeEntries({"20", "5", "45", "500", "20", "100", "80", "250"});
        calculate();
        if (Separator() == ",")
            QCOMPARE(box("TxtPw")->text(), QStringLiteral("2,32558139534884"));
        else
            QCOMPARE(box("TxtPw")->text(), QStringLiteral("2.32558139534884"));
    }

    void warningShownOnlyAfterResultsAndFocusStays()
    {
        typeEntries({"20", "5", "45", "500", "20", "100", "0", "250"});
        calculate();
        QCOMPARE(m_watch->seen().size(), 1);
        QCOMPARE(m_watch->seen().at(0).resultsMeanwhile.at(0), QStringLiteral("0")); // TxtP
        QCOMPARE(m_watch->seen().at(0).text, AllWarnings.at(6));
        // A warning never moves the focus: it stays on the clicked button,
        // not on the offending box.
        QCOMPARE(m_window->focusWidget(), button("CmdCalcola"));
        m_watch->seen().clear();
    }

    void boxesAreModalOneAtATime()
    {
        // While a box is up the window takes no input; the next box comes only
        // after this one is dismissed.
        typeEntries({"20", "5", "45", "500", "20", "100", "-1", "-1"});
        int calls = 0;
        m_watch->onBox = [&](QMessageBox* box) {
            ++calls;
            QVERIFY(QApplication::activeModalWidget() == box);
            QCOMPARE(box->windowModality() == Qt::NonModal, false);
            QCOMPARE(box->buttons().size(), 1);
            box->button(QMessageBox::Ok)->click();
        };
        calculate();
        QCOMPARE(calls, 2);
        QCOMPARE(m_watch->texts(), Warnings({7, 8}));
        m_watch->seen().clear();
    }

    void ctrlCCopiesTheBox()
    {
        QString copied;
        m_watch->onBox = [&](QMessageBox* box) {
            QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
            copied = QGuiApplication::clipboard()->text();
            QTest::keyClick(box, Qt::Key_Return); // Enter closes the box
        };
        typeEntries({"20", "5", "45", "500", "20", "100", "80", "-5"});
        calculate();
        QCOMPARE(m_watch->seen().size(), 1);
        QCOMPARE(copied, QStringLiteral("---------------------------\n"
                                        "Attenzione !!!\n"
                                        "---------------------------\n"
                                        "Il valore della media del CO normalizzato al 13% deve essere maggiore di zero\n"
                                        "---------------------------\n"
                                        "OK   \n"
                                        "---------------------------\n"));
        m_watch->seen().clear();
    }

    void escapeClosesTheBoxToo()
    {
        m_watch->onBox = [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); };
        typeEntries({"20", "5", "45", "500", "20", "100", "80", "-5"});
        calculate();
        QCOMPARE(m_watch->seen().size(), 1);
        QVERIFY(!QApplication::activeModalWidget());
        m_watch->seen().clear();
    }

    void interceptorReplacesTheBoxes()
    {
        QStringList titles, texts;
        WarningBox::SetInterceptor([&](const QString& title, const QString& text) {
            titles << title;
            texts << text;
        });
        calculate();
        QCOMPARE(texts, Warnings({1, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(titles, QStringList(7, Title));
        QVERIFY(m_watch->seen().isEmpty()); // nothing modal was shown
    }

    void observerSeesRealBoxes()
    {
        QStringList texts;
        WarningBox::SetObserver([&](const QString&, const QString& text) { texts << text; });
        typeEntries({"20", "5", "45", "500", "20", "100", "80", "-5"});
        calculate();
        QCOMPARE(texts, Warnings({8}));
        QCOMPARE(m_watch->texts(), Warnings({8}));
        m_watch->seen().clear();
    }

    void clearThenCalculate()
    {
        typeEntries({"20", "5", "45", "500", "20", "100", "80", "250"});
        calculate();
        click(QStringLiteral("CmdCancella"));
        for (const QString& name : EntryNames + ResultNames)
            QCOMPARE(box(name)->text(), QStringLiteral(" "));
        QVERIFY(m_watch->seen().isEmpty()); // Clear asks nothing

        calculate();
        QCOMPARE(m_watch->texts(), Warnings({1, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(results(), QStringList(7, QStringLiteral(" ")));
        m_watch->seen().clear();
    }

    void clearWritesInTheListedOrder()
    {
        QStringList order;
        for (const QString& name : EntryNames + ResultNames)
            connect(box(name), &QLineEdit::textChanged, this, [&order, name] { order << name; });
        click(QStringLiteral("CmdCancella"));
        QCOMPARE(order, (QStringList{"TxtPin", "TxtPout", "TxtB", "TxtH", "TxtN", "TxtQ", "TxtEta", "TxtCO",
                                     "TxtMw", "TxtP", "TxtPw", "TxtPa", "TxtCOppm", "TxtDp", "TxtEtaw"}));
    }

    void calculateWritesInTheListedOrder()
    {
        typeEntries({"20", "5", "45", "500", "20", "100", "80", "250"});
        QStringList order;
        for (const QString& name : EntryNames + ResultNames)
            connect(box(name), &QLineEdit::textChanged, this, [&order, name] { order << name; });
        calculate();
        QCOMPARE(order, ResultNames);
    }

    void failingGateKeepsEarlierResults()
    {
        typeEntries({"20", "5", "45", "500", "20", "100", "80", "250"});
        calculate();
        const QStringList good = results();
        QCOMPARE(good.at(0), QStringLiteral("5"));

        type(QStringLiteral("TxtPin"), QStringLiteral("0"));
        type(QStringLiteral("TxtDp"), QStringLiteral("typed by hand"));
        calculate();
        QCOMPARE(m_watch->texts(), Warnings({1}));
        QStringList kept = good;
        kept[5] = QStringLiteral("typed by hand");
        QCOMPARE(results(), kept);
        m_watch->seen().clear();
    }

    // ---- Keyboard ------------------------------------------------------------

    void tabCycleForward()
    {
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("TxtPin"));
        QStringList visited;
        for (int i = 0; i < TabCycle.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, TabCycle.mid(1) + TabCycle.mid(0, 1));
    }

    void tabCycleBackward()
    {
        QStringList visited;
        for (int i = 0; i < TabCycle.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            visited << QApplication::focusWidget()->objectName();
        }
        QStringList expected;
        for (int i = TabCycle.size() - 1; i >= 0; --i)
            expected << TabCycle[i];
        QCOMPARE(visited, expected);
    }

    void enterAndEscapePressNothing()
    {
        typeEntries({"20", "5", "45", "500", "20", "100", "80", "250"});
        QSignalSpy calcola(button("CmdCalcola"), &QPushButton::clicked);
        QSignalSpy cancella(button("CmdCancella"), &QPushButton::clicked);
        QSignalSpy uscita(button("CmdUscita"), &QPushButton::clicked);
        for (const QString& name : EntryNames + ResultNames) {
            box(name)->setFocus();
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                QTest::keyClick(box(name), key);
            QCOMPARE(QApplication::focusWidget(), box(name));
        }
        QCOMPARE(calcola.size() + cancella.size() + uscita.size(), 0);
        QCOMPARE(m_endRequests, 0);
        QCOMPARE(results(), QStringList(7, QString()));
        QVERIFY(m_window->isVisible());
    }

    void labelsAndLinesIgnoreClicks()
    {
        box("TxtB")->setFocus();
        QTest::keyClicks(box("TxtB"), QStringLiteral("45"));
        for (QWidget* w : m_window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w))
                continue;
            QCOMPARE(w->focusPolicy(), Qt::NoFocus);
            // Clicked where it shows: the top-most control at its centre.
            const QPoint centre = w->geometry().center();
            QWidget* hit = m_window->childAt(centre);
            if (!hit || qobject_cast<QLineEdit*>(hit) || qobject_cast<QAbstractButton*>(hit))
                continue;
            QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(m_window.get(), centre));
            QTest::mouseDClick(hit, Qt::LeftButton, {}, hit->mapFrom(m_window.get(), centre));
            QTest::mouseClick(hit, Qt::RightButton, {}, hit->mapFrom(m_window.get(), centre));
            QCOMPARE(QApplication::focusWidget(), box("TxtB"));
            QVERIFY(!QApplication::activePopupWidget());
        }
        QCOMPARE(box("TxtB")->text(), QStringLiteral("45"));
        QCOMPARE(m_endRequests, 0);
    }

    // ---- Exit ----------------------------------------------------------------

    void exitButtonAndCloseBoxEndTheProgram()
    {
        click(QStringLiteral("CmdUscita"));
        QCOMPARE(m_endRequests, 1);
        m_window->close();
        QCOMPARE(m_endRequests, 2);
    }

    void exitEndsTheEventLoopWithStatusZero()
    {
        // The real ending, not the test's recorder: the event loop returns 0.
        for (int viaCloseBox = 0; viaCloseBox < 2; ++viaCloseBox) {
            Calorvin window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QTest::keyClicks(window.findChild<QLineEdit*>("TxtPin"), QStringLiteral("12"));
            QTimer::singleShot(0, &window, [&window, viaCloseBox] {
                if (viaCloseBox)
                    window.close();
                else
                    QTest::mouseClick(window.findChild<QPushButton*>("CmdUscita"), Qt::LeftButton);
            });
            QTimer fallback; // if nothing ends it
            fallback.setSingleShot(true);
            connect(&fallback, &QTimer::timeout, &fallback, [] { QCoreApplication::exit(99); });
            fallback.start(5000);
            QCOMPARE(QCoreApplication::exec(), 0);
            QVERIFY(m_watch->seen().isEmpty()); // no question asked
        }
    }

    // ---- Layout --------------------------------------------------------------

    void controlsLieInsideTheClientArea()
    {
        const QRect client(0, 0, 632, 597);
        for (QWidget* w : m_window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            QVERIFY2(client.contains(w->geometry()), qPrintable(w->objectName()));
        QCOMPARE(label("Label3")->geometry().right() + 1, 9135 / 15);
        QCOMPARE(label("Label40")->geometry().bottom() + 1, 8895 / 15);
    }

    void resizingMovesNothing()
    {
        QHash<QString, QRect> before;
        for (QWidget* w : m_window->findChildren<QWidget*>())
            before.insert(w->objectName(), w->geometry());
        for (QSize size : {QSize(1000, 900), QSize(200, 150), QSize(632, 597)}) {
            m_window->resize(size);
            QCoreApplication::processEvents();
            QCOMPARE(m_window->size(), size);
            for (QWidget* w : m_window->findChildren<QWidget*>())
                QCOMPARE(w->geometry(), before.value(w->objectName()));
        }
        m_window->showMaximized();
        QCoreApplication::processEvents();
        for (QWidget* w : m_window->findChildren<QWidget*>())
            QCOMPARE(w->geometry(), before.value(w->objectName()));
    }

    void captionsFitTheirBoxes()
    {
        // Each caption in the font its label really uses: on one line, its
        // ink within the box's width (measured), and no row of it cut at the
        // top or bottom (drawn: the same label, 10 px lower in a tall box,
        // must show exactly the same ink).
        for (QLabel* l : m_window->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
            const QFontMetricsF fm(l->font());
            const QString text = l->text();
            const QRectF laidOut = fm.boundingRect(QRectF(0, 0, l->width(), 1e6),
                                                   Qt::TextWordWrap | Qt::AlignTop | l->alignment(), text);
            QVERIFY2(laidOut.height() < 2 * fm.lineSpacing() - 0.5,
                     qPrintable(l->objectName() + " wraps: " + text));
            const qreal left = (l->alignment() & Qt::AlignHCenter) ? (l->width() - fm.horizontalAdvance(text)) / 2 : 0;
            const QRectF ink = fm.tightBoundingRect(text).translated(left, 0);
            QVERIFY2(ink.left() >= 0 && ink.right() <= l->width(),
                     qPrintable(QStringLiteral("%1 cut: ink from %2 to %3 in %4 px")
                                    .arg(l->objectName()).arg(ink.left()).arg(ink.right()).arg(l->width())));

            QLabel tall(text);
            tall.setTextFormat(l->textFormat());
            tall.setWordWrap(l->wordWrap());
            tall.setAlignment(l->alignment());
            tall.setFont(l->font());
            tall.setPalette(l->palette());
            tall.setAutoFillBackground(true);
            const QMargins m = l->contentsMargins();
            tall.setContentsMargins(m.left(), m.top() + 10, m.right(), m.bottom());
            tall.setFixedSize(l->width(), l->height() + 40);
            const QImage whole = tall.grab().toImage();
            const QImage shown = l->grab().toImage();
            const QColor face = l->palette().color(QPalette::Window);
            const QColor inkColour = l->palette().color(QPalette::WindowText);
            for (int y = 0; y < whole.height(); ++y)
                for (int x = 0; x < whole.width(); ++x) {
                    const QColor c = whole.pixelColor(x, y);
                    if (Distance(c, inkColour) >= Distance(c, face))
                        continue; // background, or a faint anti-aliasing fringe
                    const bool inside = y - 10 >= 0 && y - 10 < shown.height();
                    QVERIFY2(inside && shown.pixelColor(x, y - 10) == c,
                             qPrintable(QStringLiteral("%1 cut at row %2").arg(l->objectName()).arg(y - 10)));
                }
        }
        for (QPushButton* b : m_window->findChildren<QPushButton*>()) {
            const QFontMetricsF fm(b->font());
            QVERIFY(fm.horizontalAdvance(b->text()) < b->width() - 8);
        }
    }

    void captionsAreWholeOnScreen()
    {
        // Every caption as its label draws it alone must appear unchanged in
        // the window: no control stacked above hides any of its ink. Ink is a
        // pixel nearer the caption colour than the background; the faint
        // anti-aliasing fringe does not count.
        const QImage window = m_window->grab().toImage();
        for (QLabel* l : m_window->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
            const QImage alone = l->grab().toImage();
            const QColor face = l->palette().color(QPalette::Window);
            const QColor ink = l->palette().color(QPalette::WindowText);
            int inkPixels = 0;
            for (int y = 0; y < alone.height(); ++y)
                for (int x = 0; x < alone.width(); ++x) {
                    const QColor c = alone.pixelColor(x, y);
                    if (Distance(c, ink) >= Distance(c, face))
                        continue;
                    ++inkPixels;
                    QVERIFY2(window.pixelColor(l->x() + x, l->y() + y) == c,
                             qPrintable(QStringLiteral("%1 hidden at %2,%3").arg(l->objectName()).arg(x).arg(y)));
                }
            QVERIFY2(inkPixels > 3, qPrintable(l->objectName() + " draws no caption"));
        }
    }

    void captionsSitOnMsSansSerifBaselines()
    {
        // MS Sans Serif puts the first baseline 13 px below the top of the box
        // at 10 pt and 11 px at 8 pt: the last row of a caption without
        // descenders is row 12 (S10) or row 10 (S8), whatever face stands in.
        const auto lastInkRow = [](QLabel* l) {
            const QImage image = l->grab().toImage();
            const QColor face = l->palette().color(QPalette::Window);
            int last = -1;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (qAbs(c.red() - face.red()) + qAbs(c.green() - face.green()) + qAbs(c.blue() - face.blue()) > 200)
                        last = y;
                }
            return last;
        };
        QCOMPARE(lastInkRow(label("LBLPeso")), 12);     // S10 "Peso Iniziale"
        QCOMPARE(lastInkRow(label("Label5")), 12);      // S10B "DATI IN INGRESSO"
        QCOMPARE(lastInkRow(label("Label31")), 10);     // S8 "100 x 3600"
    }

    void fontsAreTheStatedSizesAndStyles()
    {
        struct Expect { const char* label; int pixels; bool bold; bool italic; };
        for (Expect e : {Expect{"Label4", 11, false, false}, Expect{"LBLPeso", 13, false, false},
                         Expect{"Label5", 13, true, false}, Expect{"LBLFormula", 13, true, true},
                         Expect{"Label2", 13, true, false}, Expect{"Label1", 13, false, true},
                         Expect{"LBLIntestazione", 19, true, false}, Expect{"Label44", 11, false, false}}) {
            const QFontInfo info(label(e.label)->font());
            QCOMPARE(info.pixelSize(), e.pixels);
            QCOMPARE(info.bold(), e.bold);
            QCOMPARE(info.italic(), e.italic);
        }
        const QFontInfo box(this->box("TxtPin")->font());
        QCOMPARE(box.pixelSize(), 11);
        QCOMPARE(QFontInfo(button("CmdCalcola")->font()).pixelSize(), 13);
        // Bold must show as bold, not merely be reported: a caption drawn in
        // its label's font carries clearly more ink than in the same font
        // made regular. (Wine's own Tahoma Bold once failed this.)
        const auto inkOf = [](const QFont& font, const QString& text) {
            QImage image(400, 40, QImage::Format_Grayscale8);
            image.fill(255);
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(2, 30, text);
            painter.end();
            qint64 ink = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    ink += 255 - qGray(image.pixel(x, y));
            return double(ink);
        };
        for (const char* name : {"Label5", "Label8", "LBLFormula", "Label2", "LBLIntestazione"}) {
            QFont regular = label(name)->font();
            regular.setBold(false);
            const double ratio = inkOf(label(name)->font(), label(name)->text()) / inkOf(regular, label(name)->text());
            QVERIFY2(ratio > 1.2, qPrintable(QStringLiteral("%1 bold/regular ink %2").arg(name).arg(ratio)));
        }
        // The stand-in faces, where Debian's packages provide them.
        if (QFile::exists("/usr/share/wine/fonts/tahoma.ttf"))
            QCOMPARE(QFontInfo(label("Label5")->font()).family(), QStringLiteral("Tahoma"));
        if (QFontDatabase::hasFamily("EB Garamond 12"))
            QCOMPARE(QFontInfo(label("LBLIntestazione")->font()).family(), QStringLiteral("EB Garamond 12"));
        if (QFontDatabase::hasFamily("DejaVu Sans"))
            QCOMPARE(QFontInfo(label("Label2")->font()).family(), QStringLiteral("DejaVu Sans"));
    }

    void overlapsDrawnInTheStatedOrder()
    {
        const QImage image = m_window->grab().toImage();
        QCOMPARE(image.size(), QSize(632, 597));
        const QColor face = m_window->palette().color(QPalette::Window);
        const QColor desktop(58, 110, 165);
        const auto at = [&](int x, int y) { return image.pixelColor(x, y); };
        const auto hasInk = [&](QRect r) { // any pixel near the caption colour
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) {
                    const QColor c = at(x, y);
                    if (qAbs(c.red() - desktop.red()) + qAbs(c.green() - desktop.green()) +
                            qAbs(c.blue() - desktop.blue()) < 120)
                        return true;
                }
            return false;
        };

        // Label33 covers the left 135 twips of Line1: the bar runs 5055..6480.
        for (int x = 4920 / 15; x < 5055 / 15; ++x)
            QCOMPARE(at(x, 6720 / 15), face);
        for (int x = 5055 / 15; x < 6480 / 15; ++x)
            QCOMPARE(at(x, 6720 / 15), desktop);
        QCOMPARE(at(6480 / 15, 6720 / 15), face);
        // Label36 covers the left 15 twips of Line2.
        QCOMPARE(at(7800 / 15, 6720 / 15), face);
        for (int x = 7815 / 15; x < 8880 / 15; ++x)
            QCOMPARE(at(x, 6720 / 15), desktop);
        // Line3 lies above Label50 (whose box ends on the line's first pixel).
        for (int x = 5760 / 15; x < 6240 / 15; ++x)
            QCOMPARE(at(x, 7560 / 15), desktop);
        // Line4, whole.
        for (int x = 6840 / 15; x < 8640 / 15; ++x)
            QCOMPARE(at(x, 8520 / 15), desktop);

        // The subscripts are drawn above the captions they follow.
        for (const char* sub : {"Label19", "Label30", "Label39", "Label44"})
            QVERIFY2(hasInk(label(sub)->geometry()), sub);
        // ... and the box of Label39 lies inside that of Label37.
        QVERIFY(label("Label37")->geometry().contains(label("Label39")->geometry()));
        // Where Label39's box meets Label43's, Label43 (above) shows its
        // background, not Label39's "2" or Label37's caption.
        QVERIFY(!hasInk(QRect(6000 / 15, 8400 / 15, 1, 255 / 15)));

        // Boxes lie above the name labels that run 15 twips under them: the
        // box's left frame, not the label's background, shows there.
        for (const char* name : {"TxtB", "TxtH", "TxtN", "TxtQ", "TxtEta", "TxtEtaw"}) {
            const QRect g = box(name)->geometry();
            QVERIFY2(at(g.left(), g.center().y()) != face, name);
        }
    }
};

QTEST_MAIN(TestCalorvin)
#include "calorvin_test.moc"
