#include "warning_box.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QIcon>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace calorvin::ui {

namespace {

WarningBox::Hook& Interceptor()
{
    static WarningBox::Hook hook;
    return hook;
}

// "&OK" on some platforms; Windows copies the caption as shown.
QString WithoutMnemonic(QString caption)
{
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(u'&');
    caption.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return caption;
}

// Qt's stock box copies itself on Ctrl+C on Windows only; this one does so
// everywhere, in the Windows layout.
class CopyableMessageBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->matches(QKeySequence::Copy)) {
            QStringList captions;
            for (const QAbstractButton* button : buttons())
                captions << WithoutMnemonic(button->text());
            QGuiApplication::clipboard()->setText(
                WarningBox::ClipboardText(windowTitle(), text(), captions));
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
};

// Shows a modal box and waits until it is dismissed; whether it was closed by
// "Sì". Plain buttons, as on Windows.
bool Run(QWidget* parent, const QString& title, const QString& text, QMessageBox::Icon icon,
         QMessageBox::StandardButtons buttons, QMessageBox::StandardButton byDefault)
{
    // On the heap and guarded: the parent may go away while the box waits.
    QPointer<QMessageBox> box = new CopyableMessageBox(parent);
    box->setObjectName(QString::fromLatin1(WarningBox::ObjectName));
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setIcon(icon);
    box->setStandardButtons(buttons);
    for (QAbstractButton* button : box->buttons())
        button->setIcon(QIcon());
    box->setDefaultButton(byDefault);
    box->setEscapeButton(byDefault);
    if (buttons & QMessageBox::Yes) {
        box->button(QMessageBox::Yes)->setText(QString::fromUtf8("Sì"));
        box->button(QMessageBox::No)->setText(QStringLiteral("No"));
    }
    // Qt sizes a box for a narrow title bar; the desktop's may use a larger
    // bold font beside its icon and three buttons. A spacer across the
    // layout keeps the box wide enough for the title to read whole.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        QFont bold = box->font();
        bold.setBold(true);
        const int titleBar = QFontMetrics(bold).horizontalAdvance(title) * 5 / 4 + 160;
        grid->addItem(new QSpacerItem(titleBar, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    const bool yes = box->exec() == QMessageBox::Yes;
    delete box.data();
    return yes;
}

} // namespace

void WarningBox::Show(QWidget* parent, const QString& title, const QString& text)
{
    if (const Hook& intercept = Interceptor())
        return intercept(title, text);
    Run(parent, title, text, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok);
}

bool WarningBox::Confirm(QWidget* parent, const QString& title, const QString& text)
{
    if (const Hook& intercept = Interceptor())
        return intercept(title, text), false;
    return Run(parent, title, text, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
}

void WarningBox::SetInterceptor(Hook hook)
{
    Interceptor() = std::move(hook);
}

QString WarningBox::ClipboardText(const QString& title, const QString& text,
                                  const QStringList& buttonCaptions)
{
    const QString separator = QStringLiteral("---------------------------\n");
    QString copied = separator + title + u'\n' + separator + text + u'\n' + separator;
    for (const QString& caption : buttonCaptions)
        copied += caption + QStringLiteral("   ");
    copied += u'\n' + separator;
    return copied;
}

} // namespace calorvin::ui
