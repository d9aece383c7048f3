#pragma once

// The seven fonts of spec Part 2.1 and the faces that stand in for them.

#include "layout.h"

class QFont;

namespace calorvin::ui {

// Registers the font files that lie outside fontconfig's paths. Call once,
// after the QApplication exists and before the window is built.
void SetUpFonts();

// The font for a key of Part 2.1, sized in logical pixels.
QFont FontFor(layout::Font key);

} // namespace calorvin::ui
