#include "calorvin.h"
#include "fonts.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    calorvin::ui::SetUpFonts();
    calorvin::ui::Calorvin window;
    window.show();
    return app.exec();
}
