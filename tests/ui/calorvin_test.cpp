// The window Calorvin driven through its real widgets: typed with key presses, clicked with the mouse, read back
// from the boxes, checked on the pixels it draws. Expected values are written out here, never taken from its own
// table. Parsing and the gates in detail are the core tests' business; here each kind of outcome is met once.

#include "calorvin.h"
#include "application.h"
#include "warning_box.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <memory>
#include <utility>

using calorvin::ui::Calorvin;
using calorvin::ui::WarningBox;

namespace {

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
const QStringList ResultNames = {"TxtP", "TxtMw", "TxtPw", "TxtPa", "TxtCOppm", "TxtDp", "TxtEtaw"};
const QStringList Reference = {"20", "5", "45", "500", "20", "100", "80", "250"};
const QStringList TabCycle = {"TxtPin", "CmdUscita", "CmdCalcola", "CmdCancella", "TxtPout", "TxtB",
                              "TxtH",   "TxtN",      "TxtQ",       "TxtEta",      "TxtCO",   "TxtMw",
                              "TxtP",   "TxtPw",     "TxtPa",      "TxtCOppm",    "TxtDp",   "TxtEtaw"};

// The separator results must show, set by CTest: "." under C.UTF-8, "," under it_IT.UTF-8.
const QString Separator = qEnvironmentVariable("CALORVIN_TEST_DECIMAL");

int Distance(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
}

// An image's ink: the summed distance from the background of the pixels farther than threshold, and the last
// row holding one.
std::pair<qint64, int> Ink(const QImage& image, QColor face, int threshold = 0)
{
    std::pair<qint64, int> ink{0, -1};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const int d = Distance(image.pixelColor(x, y), face); d > threshold)
                ink = {ink.first + d, y};
    return ink;
}

// A warning box as met, with the result boxes as they stood while it was up.
struct SeenBox { QString title, text; QStringList resultsMeanwhile; };

} // namespace

class TestCalorvin : public QObject {
    Q_OBJECT

    std::unique_ptr<Calorvin> m_window;
    int m_endRequests = 0;
    QTimer m_watchdog;
    QList<SeenBox> m_seen;
    std::function<void(QMessageBox*)> m_onBox; // while set, handed each box before the watchdog clicks OK

    // The watchdog: records every modal window and dismisses it with OK. A test that expects boxes takes
    // them with takeTexts(); cleanup() fails a test that leaves any, so a stray box fails it, not hangs it.
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        auto* box = qobject_cast<QMessageBox*>(modal);
        m_seen << SeenBox{modal->windowTitle(), box ? box->text() : QString(), results()};
        const QPointer<QWidget> alive(modal);
        if (box && m_onBox)
            m_onBox(box); // sends key events only: no event loop runs, no reentry
        if (alive && alive->isVisible() && box && box->button(QMessageBox::Ok))
            box->button(QMessageBox::Ok)->click();
        else if (alive && alive->isVisible())
            modal->close();
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

private slots:
    void initTestCase()
    {
        QVERIFY2(Separator == "." || Separator == ",", "run through CTest, which sets CALORVIN_TEST_DECIMAL");
        calorvin::ui::SetUpApplication(*qApp, false);
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
        QCOMPARE(m_window->size(), QSize(632, 597));
        QCOMPARE(QApplication::focusWidget(), box("TxtPin"));
        QCOMPARE(texts(EntryNames + ResultNames), QStringList(15, QString()));
        const QList<QWidget*> controls = m_window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(m_window->findChildren<QLabel*>().size(), 58);
        QCOMPARE(controls.size(), 58 + 15 + 3 + 4); // labels, boxes, buttons, lines
        for (QWidget* w : controls)
            QVERIFY2(QRect(0, 0, 632, 597).contains(w->geometry()), qPrintable(w->objectName()));
        QCOMPARE(button("CmdCalcola")->text() + button("CmdCancella")->text() + button("CmdUscita")->text(),
                 QStringLiteral("CalcolaCancellaUscita"));
        QCOMPARE(box("TxtCO")->accessibleName(), QStringLiteral("CO al 13% di O2 [mg/m³]"));
        for (QWidget* w : controls) { // labels and lines ignore clicks where they show
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
                QCOMPARE(b.resultsMeanwhile, expected);
            }
            QCOMPARE(takeTexts(), warnings);
            QCOMPARE(m_window->focusWidget(), button("CmdCalcola")); // not moved to the offending box
        }
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
        QCOMPARE(order, (QStringList{"TxtPin", "TxtPout", "TxtB", "TxtH", "TxtN", "TxtQ", "TxtEta", "TxtCO", "TxtMw",
                                     "TxtP", "TxtPw", "TxtPa", "TxtCOppm", "TxtDp", "TxtEtaw"}));
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
        QTest::addColumn<QString>("selected"); // by a double-click there
        QTest::newRow("sign") << "-3.63604651162791" << 0 << "-3.63604651162791";
        QTest::newRow("after the point") << "-3.63604651162791" << 9 << "-3.63604651162791";
        QTest::newRow("comma") << "2,32558139534884" << 1 << "2,32558139534884";
        QTest::newRow("exponent") << "5.00000000000007E-02" << 18 << "5.00000000000007E-02";
        QTest::newRow("number before a unit") << " 20 kg" << 2 << "20";
        QTest::newRow("unit") << " 20 kg" << 5 << "kg";
    }

    void boxesForReading()
    {
        QFETCH(QString, text);
        QFETCH(int, at);
        QFETCH(QString, selected);
        QLineEdit* dp = box("TxtDp");
        dp->setText(text);
        const auto x = [dp](int i) { dp->setCursorPosition(i); return dp->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x(); };
        dp->setCursorPosition(0); // the text's start shows, as the window leaves it
        if (x(at + 1) > x(at)) { // the character shows in the box
            QTest::mouseDClick(dp, Qt::LeftButton, {}, QPoint((x(at) + x(at + 1)) / 2, dp->height() / 2));
            QCOMPARE(dp->selectedText(), selected);
        }
        // The whole text as a tooltip, only where it does not fit the box.
        QHelpEvent hover(QEvent::ToolTip, dp->rect().center(), dp->mapToGlobal(dp->rect().center()));
        QApplication::sendEvent(dp, &hover);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), text.size() > 8 ? text : QString());
        QToolTip::hideText();
    }

    void classicLookAndAssistiveTools()
    {
        // Sunken boxes and raised buttons: dark top-left and light bottom-right edges, or the reverse.
        const QImage image = m_window->grab().toImage();
        const auto lightness = [&](QPoint p) { return image.pixelColor(p).lightness(); };
        for (QWidget* w : {static_cast<QWidget*>(box("TxtPin")), static_cast<QWidget*>(button("CmdCalcola"))}) {
            const QRect r = w->geometry();
            const bool sunken = qobject_cast<QLineEdit*>(w);
            QVERIFY2((lightness(r.topLeft() + QPoint(1, 1)) < lightness(r.bottomRight() - QPoint(1, 1))) == sunken,
                     qPrintable(w->objectName()));
        }
        QVERIFY(!m_window->windowIcon().pixmap(32).isNull());

        QCOMPARE(QAccessible::queryAccessibleInterface(m_window.get())->role(), QAccessible::Window);
        QAccessibleInterface* co = QAccessible::queryAccessibleInterface(box("TxtCO"));
        QCOMPARE(co->relations(QAccessible::Label).value(0).first->text(QAccessible::Name),
                 QStringLiteral("CO al 13% di O"));
        QCOMPARE(co->text(QAccessible::Description), QStringLiteral("dato in ingresso"));
        QCOMPARE(QAccessible::queryAccessibleInterface(box("TxtDp"))->text(QAccessible::Description),
                 QStringLiteral("dato in uscita"));

        // The toolkit's own texts follow the locale: Italian under it_IT, when Qt's translations are installed.
        if (Separator == ",") {
            if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_it.qm"))
                QSKIP("Qt's Italian translation is not installed (qt6-translations-l10n)");
            std::unique_ptr<QMenu> menu(box("TxtPin")->createStandardContextMenu());
            QStringList actions;
            for (QAction* a : menu->actions())
                if (!a->isSeparator())
                    actions << a->text().section(u'\t', 0, 0).remove(u'&');
            QCOMPARE(actions.join(", "), QStringLiteral("Annulla, Ripeti, Taglia, Copia, Incolla, Elimina, Seleziona tutto"));
        }
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

    void captionsFitAndShowWhole()
    {
        // Each caption in the font its label really uses: on one line, its ink within the box's width
        // (measured), and drawn by a copy of the label 10 px lower in a taller box, every pixel of its ink
        // shows in the window: not cut at the top or bottom, nor hidden by a control stacked above.
        const QImage window = m_window->grab().toImage();
        for (QLabel* l : m_window->findChildren<QLabel*>()) {
            const QString name = l->objectName(), text = l->text();
            const QFontMetricsF fm(l->font());
            const QRectF laidOut = fm.boundingRect(QRectF(0, 0, l->width(), 1e6), Qt::TextWordWrap | l->alignment(),
                                                   text);
            QVERIFY2(laidOut.height() < 2 * fm.lineSpacing() - 0.5, qPrintable(name + " wraps: " + text));
            const qreal left = (l->alignment() & Qt::AlignHCenter) ? (l->width() - fm.horizontalAdvance(text)) / 2 : 0;
            const QRectF ink = fm.tightBoundingRect(text).translated(left, 0);
            QVERIFY2(ink.left() >= 0 && ink.right() <= l->width(), qPrintable(name + " cut at a side"));

            const QColor face = l->palette().color(QPalette::Window), colour = l->palette().color(QPalette::WindowText);
            QLabel tall(text);
            tall.setTextFormat(l->textFormat());
            tall.setWordWrap(l->wordWrap());
            tall.setAlignment(l->alignment());
            tall.setFont(l->font());
            QPalette inks = tall.palette(); // the label's colours, most of them inherited from the window
            inks.setColor(QPalette::Window, face);
            inks.setColor(QPalette::WindowText, colour);
            tall.setPalette(inks);
            tall.setContentsMargins(l->contentsMargins() + QMargins(0, 10, 0, 0));
            tall.setFixedSize(l->width(), l->height() + 40);
            const QImage whole = tall.grab().toImage();
            int inkPixels = 0;
            for (int y = 0; y < whole.height(); ++y)
                for (int x = 0; x < whole.width(); ++x) {
                    const QColor c = whole.pixelColor(x, y);
                    if (Distance(c, colour) >= Distance(c, face))
                        continue; // background, or a faint anti-aliasing fringe
                    ++inkPixels;
                    const QPoint p(x, y - 10);
                    QVERIFY2(QRect({}, l->size()).contains(p) && window.pixelColor(l->pos() + p) == c,
                             qPrintable(QStringLiteral("%1 cut or hidden at %2,%3").arg(name).arg(p.x()).arg(p.y())));
                }
            QVERIFY2(inkPixels > 3, qPrintable(name + " draws no caption"));
        }
        for (QPushButton* b : m_window->findChildren<QPushButton*>())
            QVERIFY(QFontMetricsF(b->font()).horizontalAdvance(b->text()) < b->width() - 8);
    }

    void fonts_data()
    {
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QString>("font");    // pixel size and style, as QFontInfo reports them
        QTest::addColumn<int>("lastInkRow");  // MS Sans Serif's baselines: row 12 at 10 pt, 10 at 8 pt; -1: unchecked
        QTest::addColumn<QString>("standIn"); // checked where Debian's packages provide it
        QTest::newRow("S8 label") << "Label31" << "11" << 10 << "";
        QTest::newRow("S8 box") << "TxtPin" << "11" << -1 << "";
        QTest::newRow("S10 label") << "LBLPeso" << "13" << 12 << "";
        QTest::newRow("S10 button") << "CmdCalcola" << "13" << -1 << "";
        QTest::newRow("S10B") << "Label5" << "13 bold" << 12 << "Tahoma";
        QTest::newRow("S10BI") << "LBLFormula" << "13 bold italic" << -1 << "";
        QTest::newRow("V10B") << "Label2" << "13 bold" << -1 << "DejaVu Sans";
        QTest::newRow("V10I") << "Label1" << "13 italic" << -1 << "";
        QTest::newRow("G14B") << "LBLIntestazione" << "19 bold" << -1 << "Linux Libertine O";
    }

    void fonts()
    {
        QFETCH(QString, widget);
        QFETCH(QString, font);
        QFETCH(int, lastInkRow);
        QFETCH(QString, standIn);
        QWidget* w = m_window->findChild<QWidget*>(widget);
        const QFontInfo info(w->font());
        QCOMPARE(QString::number(info.pixelSize()) + (info.bold() ? " bold" : "") + (info.italic() ? " italic" : ""),
                 font);
        if (standIn == "Tahoma" ? QFile::exists("/usr/share/wine/fonts/tahoma.ttf") : QFontDatabase::hasFamily(standIn))
            QCOMPARE(info.family(), standIn);
        auto* l = qobject_cast<QLabel*>(w);
        if (l && info.bold()) { // shows as bold, not merely reported: clearly more ink than the regular face
            QLabel bold(l->text()), regular(l->text());
            bold.setFont(l->font());
            QFont plain = l->font();
            plain.setBold(false);
            regular.setFont(plain);
            const QColor face = bold.palette().color(QPalette::Window);
            QVERIFY(Ink(bold.grab().toImage(), face).first > 1.2 * Ink(regular.grab().toImage(), face).first);
        }
        if (lastInkRow >= 0) // the last row of a caption without descenders, whatever face stands in
            QCOMPARE(Ink(l->grab().toImage(), l->palette().color(QPalette::Window), 200).second, lastInkRow);
    }

    void overlapsDrawnInTheStatedOrder()
    {
        const QImage image = m_window->grab().toImage();
        const QColor face = m_window->palette().color(QPalette::Window), desktop(58, 110, 165);
        const auto at = [&](int x, int y) { return image.pixelColor(x, y); };
        const auto hasInk = [&](QRect r) { return Ink(image.copy(r), face, 250).second >= 0; };
        // Runs along a row, in twips, of background or line: Label33 covers the left 135 twips of Line1
        // (the bar runs 5055..6480), Label36 the left 15 of Line2; Line3 lies above Label50; Line4 whole.
        struct Run { int from, to, y; bool line; };
        for (Run r : {Run{4920, 5055, 6720, false}, Run{5055, 6480, 6720, true}, Run{6480, 6495, 6720, false},
                      Run{7800, 7815, 6720, false}, Run{7815, 8880, 6720, true}, Run{5760, 6240, 7560, true},
                      Run{6840, 8640, 8520, true}})
            for (int x = r.from / 15; x < r.to / 15; ++x)
                QVERIFY2(at(x, r.y / 15) == (r.line ? desktop : face), qPrintable(QString::number(x * 15)));
        // The subscripts lie above the captions they follow; where Label39's box meets Label43's, Label43
        // (above) shows its background, not Label39's "2" or Label37's caption.
        for (const char* sub : {"Label19", "Label30", "Label39", "Label44"})
            QVERIFY2(hasInk(m_window->findChild<QLabel*>(sub)->geometry()), sub);
        QVERIFY(!hasInk(QRect(6000 / 15, 8400 / 15, 1, 255 / 15)));
        // Boxes lie above the name labels that run 15 twips under them: the box's frame shows there.
        for (const char* name : {"TxtB", "TxtH", "TxtN", "TxtQ", "TxtEta", "TxtEtaw"})
            QVERIFY2(at(box(name)->x(), box(name)->geometry().center().y()) != face, name);
    }

    // The test on record: Ctrl+Shift+C in a box, or the menu on the window's background (and only there),
    // copies the fifteen boxes as a table; nothing in the window changes.
    void copyTheTest()
    {
        typeEntries(Reference);
        click("CmdCalcola");
        QString expected = QStringLiteral(
            "Peso Iniziale\t20\tkg\nPeso Finale\t5\tkg\nMassa Comb. B\t45\tkg/h\nPotere Calorif. H\t500\tkJ/kg\n"
            "Salto Termico N\t20\tK o °C\nPortata  Q\t100\tl/h\nRendimento Comb.\t80\t%\nCO al 13% di O2\t250\tmg/m³\n"
            "Potenza Nominale P\t5\tkw\nPortata Massica Mw\t100\tkg/h\nPotenza all'acqua Pw\t2_32558139534884\tkw\n"
            "Potenza all'aria Ph\t2_67441860465116\tkw\nCO al 13% di O2\t200\tppm\nDifferenza Peso\t15\tkg\n"
            "Rendimento all'Acqua\t46_5116279069767\t%\n").replace(u'_', Separator);
        box("TxtPa")->setFocus();
        const QStringList before = texts(EntryNames + ResultNames);
        QTest::keyClick(box("TxtPa"), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
        QVERIFY(copied->html().contains("<table") && copied->html().contains("<td>CO al 13% di O2</td><td>250</td>"));
        QCOMPARE(texts(EntryNames + ResultNames), before);
        QCOMPARE(QApplication::focusWidget(), box("TxtPa"));

        // Right-clicks as the platform delivers them: labels and buttons open nothing, the background its menu.
        box("TxtDp")->setText("\"a\tb\nc<&>"); // quoted for spreadsheets, escaped in HTML
        QGuiApplication::clipboard()->clear();
        for (const char* name : {"LBLPeso", "Label44", "CmdUscita"}) {
            QTest::mouseClick(m_window->windowHandle(), Qt::RightButton, {},
                              m_window->findChild<QWidget*>(name)->geometry().center());
            QVERIFY2(!QApplication::activePopupWidget(), name);
        }
        QTest::mouseClick(m_window->windowHandle(), Qt::RightButton, {}, QPoint(5, 5));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->actions().value(0)->text() + " | " + menu->actions().value(1)->text(),
                 QString::fromUtf8("Copia la prova | Salva come PDF…"));
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 expected.replace("Differenza Peso\t15", "Differenza Peso\t\"\"\"a\tb\nc<&>\""));
        QVERIFY(QGuiApplication::clipboard()->mimeData()->html().contains("<td>&quot;a\tb\nc&lt;&amp;&gt;</td>"));
    }

    void saveTheTestAsPdf()
    {
        typeEntries(Reference);
        click("CmdCalcola");
        QTest::keyClick(box("TxtQ"), Qt::Key_S, Qt::ControlModifier); // asks for the file; closed unanswered
        QCOMPARE(std::exchange(m_seen, {}).value(0).title, QStringLiteral("Salva come PDF"));
        const QStringList before = texts(EntryNames + ResultNames);
        QTemporaryDir dir;
        const auto files = [&dir] { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                                      QDir::NoDotAndDotDot); };
        QVERIFY(m_window->saveTestAsPdf(dir.filePath("prova.pdf")));
        QFile pdf(dir.filePath("prova.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QCOMPARE(pdf.read(5), QByteArray("%PDF-"));
        QCOMPARE(files(), QStringList{"prova.pdf"}); // no temporary file left
        // Where it cannot be written: one box says why, nothing is left behind.
        for (const auto& [path, why] : {std::pair(dir.filePath("manca/prova.pdf"), "la cartella non esiste"),
                                        std::pair(dir.path(), "è una cartella")}) {
            QVERIFY(!m_window->saveTestAsPdf(path));
            QCOMPARE(m_seen.value(0).title, QStringLiteral("Attenzione !!!"));
            QCOMPARE(takeTexts(),
                     QStringList{"Impossibile salvare \"" + QDir::toNativeSeparators(path) + "\": " + why});
            QCOMPARE(files(), QStringList{"prova.pdf"});
        }
        QCOMPARE(texts(EntryNames + ResultNames), before);
    }
};

QTEST_MAIN(TestCalorvin)
#include "calorvin_test.moc"
