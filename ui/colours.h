#pragma once

// The five system colours of the window, read in this one place.

#include <QColor>

#include <cstddef>

namespace calorvin::ui {

struct SystemColours {
    QColor buttonFace; // window background and every label's fill
    QColor window;     // text box background
    QColor windowText; // text box text
    QColor highlight;  // title, note, headings, version and credit
    QColor desktop;    // name, unit and formula captions; the four lines
};

// On Windows the user's colour scheme now (GetSysColor); elsewhere the
// application palette, and for desktop, which other platforms lack, the
// classic blue of look.h.
SystemColours CurrentColours();

// A colour of look.h's table (look::colour::...).
QColor Colour(std::size_t index);

} // namespace calorvin::ui
