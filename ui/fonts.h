#pragma once

// The seven fonts of the window and the faces that stand in for them.

#include "layout.h"

class QFont;

namespace calorvin::ui {

// Registers the font files that lie outside fontconfig's paths and chooses
// the faces, naming on standard error each missing one with the Debian
// package that provides it and the face used instead. Call once, after the
// QApplication exists and before the window is built.
void SetUpFonts();

// The font for a key, sized in logical pixels.
QFont FontFor(layout::Font key);

// How far below the top of its box a caption in this key starts, so that its
// first baseline lies where Windows puts MS Sans Serif's: 11 px down for S8,
// 13 px for the S10 keys. Qt gives Tahoma a shorter ascent (9 and 10 px);
// drawn at the very top, its captions would sit 2 or 3 px high and a bold one
// would lose its top row. 0 for the other keys.
int CaptionTopOffset(layout::Font key);

} // namespace calorvin::ui
