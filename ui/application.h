#pragma once

// What the program sets up once for the whole application, shared with the
// tests so that they see the window as the user does: the classic style, the
// toolkit's own texts in the user's language, the fonts and the window icon.

#include <array>

class QApplication;
class QByteArray;

namespace calorvin::ui {

// Starts reading the system's font configuration on a thread of its own, so
// that it runs while QApplication connects to the display. Call it before
// creating the QApplication; SetUpApplication() waits for it, and Qt reads
// the configuration itself when it was not started.
void StartReadingFontConfiguration();

// Whether the command line (-style) or the environment (QT_STYLE_OVERRIDE)
// names a style. Read before QApplication takes its options out of argv
// (CreateApplication does).
bool StyleChosenByUser(int argc, char** argv);

// The window icon's sizes, and the pixels of one: size x size premultiplied
// RGBA, row by row.
inline constexpr std::array<int, 5> IconSizes = {16, 24, 32, 48, 64};
QByteArray IconPixels(int size);

// Call once, after the QApplication exists and before the window is built.
void SetUpApplication(QApplication& app, bool styleChosenByUser);

} // namespace calorvin::ui
