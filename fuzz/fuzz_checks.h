#pragma once
// Shared by the fuzz targets: the property checks, the comma locale and the
// result-text checks. A broken property prints what broke and aborts, which
// libFuzzer reports as a finding with the input that caused it.

#include "conversions.h"

#include <cctype>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition)                                                                 \
    do {                                                                                      \
        if (!(condition))                                                                     \
            ::fuzz::Fail(__FILE__, __LINE__, #condition);                                     \
    } while (false)

namespace fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* what)
{
    std::fprintf(stderr, "\n*** property broken at %s:%d: %s\n", file, line, what);
    std::abort();
}

inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The process runs in the "C" locale except while a check switches to a locale
// whose decimal separator is a comma, as the window toolkit does at start.
class CommaLocale {
public:
    CommaLocale()
    {
        for (const char* name : {"it_IT.UTF-8", "it_IT.utf8", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr
                && std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
                m_comma = std::locale(name);
                break;
            }
        }
        std::setlocale(LC_ALL, "C");
        if (m_comma.name() == "C") {
            std::fprintf(stderr, "no locale with a decimal comma is installed "
                                 "(scripts/dev.sh generates it_IT.UTF-8)\n");
            std::abort();
        }
    }

    // Runs f with the comma locale as the C and C++ global locale.
    template <typename F>
    auto Under(F f) const
    {
        std::locale::global(m_comma);
        struct Restore {
            ~Restore() { std::locale::global(std::locale::classic()); }
        } restore;
        return f();
    }

private:
    std::locale m_comma = std::locale::classic();
};

// The one comma locale of the process, found on first use.
inline const CommaLocale& Comma()
{
    static const CommaLocale locale;
    return locale;
}

// The decimal digits and the exponent of x rounded to 15 significant digits,
// from the C library's printf (exact, round half to even), with trailing zeros
// dropped: 1234.5 gives {"12345", 3}.
struct Decimal {
    std::string digits;
    int exponent = 0;
    bool negative = false;
    bool operator==(const Decimal&) const = default;
};

inline Decimal RoundTo15(double x)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", x);
    Decimal d;
    const char* p = buffer;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (; *p != 'e'; ++p)
        if (*p != '.')
            d.digits.push_back(*p);
    d.exponent = std::atoi(p + 1);
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

// Is x exactly halfway between two 15-digit decimals?
inline bool IsTieAt15(double x)
{
    char buffer[1200];
    std::snprintf(buffer, sizeof buffer, "%.1100e", x);
    std::string_view all(buffer);
    all = all.substr(0, all.find('e'));
    if (all.front() == '-')
        all.remove_prefix(1);
    // d.dddddddddddddd|5000...
    const std::string_view rest = all.substr(16);
    return !rest.empty() && rest.front() == '5'
           && rest.find_first_not_of('0', 1) == std::string_view::npos;
}

// Parses a result text written with a point: -d[.ddd][E±xx]. Returns false
// when the text is not in general number form (leading zeros, trailing zeros
// in the fraction, a point with nothing after it, a short exponent ...).
inline bool ParseResultText(std::string_view text, Decimal& d, bool& exponentForm)
{
    std::size_t i = 0;
    d = {};
    if (i < text.size() && text[i] == '-') {
        d.negative = true;
        ++i;
    }
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::string intPart, fracPart;
    while (i < text.size() && isDigit(text[i]))
        intPart.push_back(text[i++]);
    if (intPart.empty() || (intPart.size() > 1 && intPart[0] == '0'))
        return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            fracPart.push_back(text[i++]);
        if (fracPart.empty() || fracPart.back() == '0')
            return false;
    }
    int exponent = 0;
    exponentForm = i < text.size() && text[i] == 'E';
    if (exponentForm) {
        ++i;
        if (i >= text.size() || (text[i] != '+' && text[i] != '-'))
            return false;
        const bool negativeExponent = text[i++] == '-';
        std::string ex;
        while (i < text.size() && isDigit(text[i]))
            ex.push_back(text[i++]);
        if (ex.size() < 2 || ex.size() > 3 || (ex.size() == 3 && ex[0] == '0'))
            return false;
        if (intPart.size() != 1 || intPart == "0")
            return false; // the exponent form has one non-zero digit before the point
        exponent = std::atoi(ex.c_str()) * (negativeExponent ? -1 : 1);
    }
    if (i != text.size())
        return false;

    // Normalise to significant digits and the exponent of the first one.
    std::string all = intPart + fracPart;
    int firstExponent = static_cast<int>(intPart.size()) - 1 + exponent;
    std::size_t lead = 0;
    while (lead + 1 < all.size() && all[lead] == '0') {
        ++lead;
        --firstExponent;
    }
    all.erase(0, lead);
    while (all.size() > 1 && all.back() == '0')
        all.pop_back();
    d.digits = all;
    d.exponent = all == "0" ? 0 : firstExponent;
    return true;
}

inline bool ContainsNoCase(std::string_view text, std::string_view word)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find(word) != std::string::npos;
}

// Every property of the result text of x, with both decimal separators.
inline void CheckResultText(double x)
{
    const std::string point = calorvin::FormatResult(x, ".");
    const std::string comma = calorvin::FormatResult(x, ",");

    // The empty text exactly when there is no finite value; never inf or nan.
    FUZZ_CHECK(point.empty() == !std::isfinite(x));
    FUZZ_CHECK(!ContainsNoCase(point, "inf") && !ContainsNoCase(point, "nan"));
    // The separator is the caller's and appears nowhere else.
    FUZZ_CHECK(comma.find('.') == std::string::npos);
    std::string swapped = point;
    for (char& c : swapped)
        if (c == '.')
            c = ',';
    FUZZ_CHECK(swapped == comma);
    if (point.empty())
        return;

    Decimal shown;
    bool exponentForm = false;
    FUZZ_CHECK(ParseResultText(point, shown, exponentForm));
    if (x == 0) {
        FUZZ_CHECK(point == "0"); // negative zero too
        return;
    }
    // The same value at 15 significant digits.
    const Decimal expected = RoundTo15(x);
    FUZZ_CHECK(shown.digits.size() <= 15);
    FUZZ_CHECK(shown.negative == (x < 0));
    // Exactly halfway between two 15-digit decimals, rounding away from zero
    // is as right as rounding to even.
    FUZZ_CHECK(shown == expected
               || (IsTieAt15(x) && shown == RoundTo15(std::nextafter(x, x * 2))));
    // Exponent form for 1E+15 and above, or where the fixed form would need
    // more than 15 decimal places.
    const int decimals = static_cast<int>(shown.digits.size()) - 1 - shown.exponent;
    FUZZ_CHECK(exponentForm == (shown.exponent >= 15 || decimals > 15));

    // Reading the text back and showing it again gives the same text, unless
    // the 15-digit value lies just beyond the largest double.
    const double back = calorvin::ReadEntryNumber(point);
    if (std::isfinite(back))
        FUZZ_CHECK(calorvin::FormatResult(back, ".") == point);
    else
        FUZZ_CHECK(std::fabs(x) > 1.797693134862315e308);
}

} // namespace fuzz
