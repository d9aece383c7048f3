#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace calorvin {

// Reads an entry text as a number. Entries always use a point as decimal
// separator, whatever the locale; a comma ends the number. Blanks (space, tab,
// line feed) are skipped anywhere; one optional sign, digits, at most one
// point and an exponent written with E, e, D or d; "&H" and "&O" introduce a
// hexadecimal or octal whole number. Reading stops at the first character
// that cannot continue the number; text with no digit reads as 0. A number
// beyond the range of a double reads as an infinity of its sign.
// When readLength is given, it receives how many characters of the text the
// number took (up to its last character, blanks inside it included; an
// exponent letter with no digit after it is not part of it); 0 when the text
// holds no number.
double ReadEntryNumber(std::string_view text, std::size_t* readLength = nullptr);

// Writes a result in general number form: at most 15 significant digits, no
// trailing zeros, no separator for whole numbers, no grouping, exponent form
// (1E+15, 5.6789E-12) only for very large or very small magnitudes. The
// decimal separator is the caller's (the user's regional one). A value with
// no finite value gives the empty text; negative zero shows as 0.
std::string FormatResult(double value, std::string_view decimalSeparator);

} // namespace calorvin
