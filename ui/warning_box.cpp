#include "warning_box.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QIcon>
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

} // namespace

void WarningBox::Show(QWidget* parent, const QString& title, const QString& text)
{
    if (const Hook& intercept = Interceptor()) {
        intercept(title, text);
        return;
    }

    // On the heap and guarded: the parent may go away while the box waits.
    QPointer<QMessageBox> box = new CopyableMessageBox(parent);
    box->setObjectName(QString::fromLatin1(ObjectName));
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setIcon(QMessageBox::Information);
    box->setStandardButtons(QMessageBox::Ok);
    box->button(QMessageBox::Ok)->setIcon(QIcon()); // a plain OK, as on Windows
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    box->exec();
    delete box.data();
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
