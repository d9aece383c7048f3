#include "colours.h"

#include "look.h"

#include <QGuiApplication>
#include <QPalette>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace calorvin::ui {

QColor Colour(std::size_t index)
{
    const look::Rgb rgb = look::Colours.at(index).rgb;
    return QColor(rgb.red, rgb.green, rgb.blue);
}

#ifdef Q_OS_WIN
namespace {
QColor Sys(int index)
{
    const COLORREF c = GetSysColor(index);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
} // namespace

SystemColours CurrentColours()
{
    return {Sys(COLOR_BTNFACE), Sys(COLOR_WINDOW), Sys(COLOR_WINDOWTEXT), Sys(COLOR_HIGHLIGHT),
            Sys(COLOR_BACKGROUND)};
}
#else
SystemColours CurrentColours()
{
    const QPalette palette = QGuiApplication::palette();
    return {palette.color(QPalette::Active, QPalette::Button),
            palette.color(QPalette::Active, QPalette::Base),
            palette.color(QPalette::Active, QPalette::Text),
            palette.color(QPalette::Active, QPalette::Highlight), Colour(look::colour::Desktop)};
}
#endif

} // namespace calorvin::ui
