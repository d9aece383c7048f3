#include "application.h"
#include "calorvin.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    const bool styleChosen = calorvin::ui::StyleChosenByUser(argc, argv);
    QApplication app(argc, argv);
    calorvin::ui::SetUpApplication(app, styleChosen);
    calorvin::ui::Calorvin window;
    window.show();
    return app.exec();
}
