// The application as the program starts it, from a command line of Qt's options: a style the user names there is
// the style the window gets, else the classic one. One start per process, as QApplication allows:
//   calorvin_start_test <expected style> <Qt's options>...

#include "command_line.h"

#include <QApplication>
#include <QStyle>

#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    if (argc < 2)
        return 2;
    std::vector<char*> arguments = {argv[0]};
    arguments.insert(arguments.end(), argv + 2, argv + argc);
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    const auto app = calorvin::ui::CreateApplication(count, arguments.data());
    const QString style = app ? QApplication::style()->name() : QStringLiteral("<none>");
    std::printf("style: %s\n", qPrintable(style));
    return style.compare(QString::fromUtf8(argv[1]), Qt::CaseInsensitive) == 0 ? 0 : 1;
}
