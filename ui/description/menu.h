#pragma once

// The additions' commands as the menu of a right click on the window's
// background lists them, in its order, with their shortcuts: the window
// (calorvin.cpp) and the page (its script, from web/page_data.cpp) build
// their menus and keys from this table. Plain C++, no Qt.

#include <array>
#include <string_view>

namespace calorvin::menu {

enum class Command { CopyTest, SaveTestAsPdf, PrintTest, EvaluateCsv };

struct Item {
    Command command;
    std::string_view name;    // as the page's script calls the command
    std::string_view caption;
    // Shortcuts in portable text ("Ctrl+Shift+C"); the first is the one
    // the window's menu shows.
    std::array<std::string_view, 2> keys;
    bool window, page; // where the command is offered
};

inline constexpr std::array Items = {
    Item{Command::CopyTest, "copyTest", "Copia la prova", {"Ctrl+Shift+C"}, true, true},
    Item{Command::SaveTestAsPdf, "saveTestAsPdf", "Salva come PDF…", {"Ctrl+S"}, true, false},
    // The page prints the test, or saves it as PDF, through the browser's
    // print dialog, and evaluates a CSV file as the command line does.
    Item{Command::PrintTest, "printTest", "Stampa o salva come PDF…", {"Ctrl+S", "Ctrl+P"}, false, true},
    Item{Command::EvaluateCsv, "evaluateCsv", "Calcola da un file CSV…", {"Ctrl+O"}, false, true},
};

} // namespace calorvin::menu
