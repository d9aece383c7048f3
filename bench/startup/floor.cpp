// The floor of the start-up benchmark: the least a Qt Widgets window of the
// main window's size can do. One plain label makes it set up text drawing, as
// every real window must; like the window's labels it has its geometry from
// the start, so its font is first needed when it is drawn, not at show().
// Built with the same flags as the program.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(632, 597);
    window.setWindowTitle(QStringLiteral("floor"));
    QLabel label(QStringLiteral("Peso Iniziale"), &window);
    label.setGeometry(20, 20, 120, 17);
    window.show();
    return QApplication::exec();
}
