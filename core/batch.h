#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace calorvin {

// Evaluates one test per line of CSV, without a window: eight entries per line
// in the window's order, read by the window's own conversion; writes each line
// back with the seven results (as the window shows them, empty where the gate
// fails) and its warnings joined by " | ". One line of the input is one test:
// a quoted field ends on its line. The separator is ';', ',' or a tab, taken
// from the first line that is not blank (or set by a first line "sep=;");
// a first line that reads as names is a header.
// Messages for refused lines and for entries not read whole go to `err`, one
// line each, with the file's bytes escaped. Reads in chunks and keeps one line
// at a time, whatever the input's size. A stream whose buffer throws on a
// failed read or write (as a file stream does) is reported with the cause;
// `inputName` names the input in that message ("-" for standard input).
// Returns 0 when every line was evaluated with every entry read whole, 1 when
// some line was refused or some entry not read whole, 2 when the input could
// not be read to its end (or is UTF-16) or the output not written.
int EvaluateBatch(std::istream& in, std::ostream& out, std::ostream& err,
                  std::string_view decimalSeparator, std::string_view inputName = "-");

// The same on a named file; 2 with one line on `err` when it cannot be read.
int EvaluateBatchFile(const std::string& path, std::ostream& out, std::ostream& err,
                      std::string_view decimalSeparator);

// A text from outside (a file, an option) fit for a one-line message: control
// characters and bytes that are not UTF-8 escaped ("\x1b", "\n"), a backslash
// doubled, and a quote doubled so that it reads inside quotes.
std::string Printable(std::string_view text);

} // namespace calorvin
