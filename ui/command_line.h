#pragma once

// The program's command line: our own options, decided before Qt sees it,
// and the start of the application, which takes Qt's options out of it.

#include <memory>
#include <optional>

class QApplication;

namespace calorvin::ui {

// --help, --version and --csv end the program here, without a window and
// without a display; so does a wrong use of the options (status 2), an
// argument neither we nor Qt know among them, and a display that does not
// answer. Returns the exit status then, or nothing when the window is to open.
std::optional<int> RunCommandLine(int argc, char* argv[]);

// Constructs the application, which strips Qt's own options (-platform,
// -style, ...) from argc/argv, and sets it up (SetUpApplication) in the style
// the user chose, if any. A fatal failure of Qt's start ends the program with
// its message and status 2. Returns null, after a one-line message, when an
// argument is left that this Qt does not take.
std::unique_ptr<QApplication> CreateApplication(int& argc, char* argv[]);

} // namespace calorvin::ui
