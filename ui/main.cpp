#include "application.h"
#include "calorvin.h"
#include "command_line.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // --help, --version and --csv end here: no window, no display needed.
    if (const std::optional<int> status = calorvin::ui::RunCommandLine(argc, argv))
        return *status;
    calorvin::ui::StartReadingFontConfiguration();
    const std::unique_ptr<QApplication> app = calorvin::ui::CreateApplication(argc, argv);
    if (!app)
        return 2; // an argument neither Qt nor we know, already reported
    calorvin::ui::Calorvin window;
    window.show();
    return app->exec();
}
