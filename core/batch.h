#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace calorvin {

// Evaluates one test per line of CSV, without a window: eight entries per line
// in the window's order, read by the window's own conversion; writes one row
// for each line that is not blank: its entries, the seven results (as the
// window shows them, empty where the gate fails) and its warnings joined by
// " | ". A refused line keeps its row, with its entries as far as they could
// be read, no results and the reason as its warning. One line of the input is
// one test: a quoted field ends on its line; empty fields after the eighth do
// not count. The separator is ';', ',' or a tab, taken from the first line
// that is not blank (or set by a first line "sep=;"); a first line that reads
// as names is a header, and under the header this batch writes, the columns
// after the entries are read past. The output reads back as it was written.
// Messages for refused lines, for entries not read as written (not whole,
// out of range, read as 0 from other digits) and for results computed with no
// finite value go to `err`, one line each, with the file's bytes escaped. Reads in chunks and keeps one line at a time,
// whatever the input's size. A stream whose buffer throws on a failed read or
// write (as a file stream does) is reported with the cause; `inputName` names
// the input in that message ("-" for standard input).
// Returns 0 when every line was evaluated with every entry read as written, 1
// when some line, entry or result was named, 2 when the input could not
// be read to its end (or is UTF-16 or UTF-32) or the output not written.
int EvaluateBatch(std::istream& in, std::ostream& out, std::ostream& err,
                  std::string_view decimalSeparator, std::string_view inputName = "-");

// The same on a named file; 2 with one line on `err` when it cannot be read.
int EvaluateBatchFile(const std::string& path, std::ostream& out, std::ostream& err,
                      std::string_view decimalSeparator);

// A text from outside (a file, an option) fit for a one-line message: control
// characters, the characters that reorder or break a line (U+202E, U+2028...)
// and bytes that are not UTF-8 escaped byte by byte ("\x1b", "\n",
// "\xe2\x80\xae"), a backslash doubled, and a quote doubled so that it reads
// inside quotes.
std::string Printable(std::string_view text);

} // namespace calorvin
