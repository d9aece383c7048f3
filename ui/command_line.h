#pragma once

// The program's command line: our own options, decided before Qt sees it,
// and the start of the application, which takes Qt's options out of it.

#include <memory>
#include <optional>

class QApplication;

namespace calorvin::ui {

// --help, --version and --csv end the program here, without a window and
// without a display; so does a wrong use of our options (status 2). Returns
// the exit status then, or nothing when the window is to open.
std::optional<int> RunCommandLine(int argc, char* argv[]);

// Constructs the application, which strips Qt's own options (-platform,
// -style, ...) from argc/argv. With no display to show the window on, prints
// one line and ends the program with status 2. Returns null, after a one-line
// message, when an argument is left that neither Qt nor we know.
std::unique_ptr<QApplication> CreateApplication(int& argc, char* argv[]);

} // namespace calorvin::ui
