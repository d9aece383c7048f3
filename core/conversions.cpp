#include "conversions.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <system_error>

// std::from_chars and std::to_chars for double, where the standard library
// has them (libstdc++); otherwise (the libc++ of the WebAssembly build) the C
// library's strtod and snprintf, which round correctly too (ties to even) and
// give the same bits and digits. The text read holds no decimal separator and
// the one written is skipped, so no locale reaches either.
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
#define CALORVIN_FLOAT_CHARCONV 1
#else
#define CALORVIN_FLOAT_CHARCONV 0
#endif

namespace calorvin {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of "<digits>e<exponent>" (no sign, no point), correctly rounded;
// beyond the range of a double, an infinity when the first digit's decimal
// exponent, `magnitude`, is positive, else 0.
double ReadDigitsAndExponent(const std::string& number, long long magnitude)
{
#if CALORVIN_FLOAT_CHARCONV
    double value = 0;
    const auto [last, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                               std::chars_format::scientific);
    (void)last;
    if (error == std::errc::result_out_of_range)
        return magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return error == std::errc() ? value : 0; // cannot fail: `number` is always well formed
#else
    (void)magnitude; // strtod gives the infinity or the 0 itself
    return std::strtod(number.c_str(), nullptr);
#endif
}

// "d.dddddddddddddde+x": the value rounded to 15 significant digits, ties to
// even; the empty text on failure.
std::string Scientific15(double value)
{
    char buffer[32];
#if CALORVIN_FLOAT_CHARCONV
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    if (error != std::errc())
        return {};
    return std::string(buffer, end);
#else
    const int n = std::snprintf(buffer, sizeof buffer, "%.14e", value);
    return n > 0 && static_cast<std::size_t>(n) < sizeof buffer ? std::string(buffer, static_cast<std::size_t>(n))
                                                                : std::string();
#endif
}

// A cursor over the entry text that steps over blanks wherever they stand.
class Scanner {
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    // The next character that is not a blank, or '\0' at the end.
    char Peek()
    {
        while (m_pos < m_text.size() && IsBlank(m_text[m_pos]))
            ++m_pos;
        return m_pos < m_text.size() ? m_text[m_pos] : '\0';
    }
    void Advance() { ++m_pos; }
    // How far the text has been read: the end of the last character taken.
    std::size_t Position() const { return m_pos; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

// "&H" and "&O" numbers are whole numbers in two's complement: up to 16 bits
// they read as a 16-bit signed value (&HFFFF is -1), up to 32 bits as a 32-bit
// signed one; wider values read as they stand instead of failing.
double ReadRadixNumber(Scanner& in, int radix, std::size_t& end)
{
    double value = 0;
    bool anyDigit = false;
    for (;;) {
        const char c = in.Peek();
        int digit = -1;
        if (IsDigit(c))
            digit = c - '0';
        else if (radix == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (radix == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0 || digit >= radix)
            break;
        value = value * radix + digit; // exact up to 2^53, then rounds, then inf
        anyDigit = true;
        in.Advance();
        end = in.Position();
    }
    if (!anyDigit)
        return 0;
    if (value <= 0xFFFF)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    if (value <= 0xFFFFFFFF)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return value;
}

// The entry conversion; `end` is left at the end of the number's last
// character, or at 0 when the text holds no number.
double ReadNumber(std::string_view text, std::size_t& end)
{
    end = 0;
    Scanner in(text);

    if (in.Peek() == '&') {
        in.Advance();
        const char kind = in.Peek();
        if (kind == 'H' || kind == 'h') {
            in.Advance();
            return ReadRadixNumber(in, 16, end);
        }
        if (kind == 'O' || kind == 'o') {
            in.Advance();
            return ReadRadixNumber(in, 8, end);
        }
        return 0;
    }

    // The number is rebuilt as its significant digits and a decimal
    // exponent, with no blanks and no point, and read correctly rounded.
    std::string number;
    number.reserve(text.size() + 16);

    bool negative = false;
    if (in.Peek() == '+' || in.Peek() == '-') {
        negative = in.Peek() == '-';
        in.Advance();
    }

    // Leading zeros are dropped; the position of the first significant digit
    // relative to the point tells overflow from underflow below.
    bool anyDigit = false;
    bool seenPoint = false;
    long long intDigits = 0;        // significant digits before the point
    long long leadingFracZeros = 0; // zeros between the point and the first significant digit
    long long fracDigits = 0;       // significant digits after the point
    bool significant = false;
    for (;;) {
        const char c = in.Peek();
        if (IsDigit(c)) {
            anyDigit = true;
            if (c != '0' || significant) {
                significant = true;
                number.push_back(c);
                ++(seenPoint ? fracDigits : intDigits);
            } else if (seenPoint) {
                ++leadingFracZeros;
            }
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        in.Advance();
        end = in.Position();
    }
    if (!anyDigit) {
        end = 0;
        return 0;
    }

    // Exponent: E, e, D or d, an optional sign, digits. Without digits it is
    // ignored, and so is everything after it.
    long long exponent = 0;
    const char e = in.Peek();
    if (e == 'E' || e == 'e' || e == 'D' || e == 'd') {
        in.Advance();
        bool negativeExponent = false;
        if (in.Peek() == '+' || in.Peek() == '-') {
            negativeExponent = in.Peek() == '-';
            in.Advance();
        }
        // Far beyond any double's range already; saturate instead of overflowing.
        constexpr long long Saturated = 1'000'000'000'000LL;
        while (IsDigit(in.Peek())) {
            if (exponent < Saturated)
                exponent = exponent * 10 + (in.Peek() - '0');
            in.Advance();
            end = in.Position();
        }
        if (negativeExponent)
            exponent = -exponent;
    }

    if (!significant)
        return negative ? -0.0 : 0.0;

    // Decimal exponent of the first significant digit: tells overflow from
    // underflow should the value lie beyond the range of a double.
    const long long magnitude =
        (intDigits > 0 ? intDigits - 1 : -leadingFracZeros - 1) + exponent;

    // The point and the zeros before the first significant digit are left
    // out ("0.000123" became "123"); the exponent keeps the digits' place value.
    number.push_back('e');
    number += std::to_string(exponent - leadingFracZeros - fracDigits);
    const double value = ReadDigitsAndExponent(number, magnitude);
    return negative ? -value : value;
}

} // namespace

double ReadEntryNumber(std::string_view text, std::size_t* readLength)
{
    std::size_t end = 0;
    const double value = ReadNumber(text, end);
    if (readLength)
        *readLength = end;
    return value;
}

std::string FormatResult(double value, std::string_view decimalSeparator)
{
    if (!std::isfinite(value))
        return {};
    if (value == 0)
        return "0"; // negative zero too

    // Round to 15 significant digits: d.dddddddddddddde±x
    const std::string rounded = Scientific15(value);
    if (rounded.empty())
        return {};
    std::string_view scientific(rounded);

    const bool negative = scientific.front() == '-';
    if (negative)
        scientific.remove_prefix(1);
    const std::size_t ePos = scientific.find('e');
    std::string digits;
    digits.reserve(15);
    for (char c : scientific.substr(0, ePos))
        if (IsDigit(c))
            digits.push_back(c);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int exponent = 0;
    {
        std::string_view ex = scientific.substr(ePos + 1);
        if (!ex.empty() && ex.front() == '+')
            ex.remove_prefix(1);
        std::from_chars(ex.data(), ex.data() + ex.size(), exponent);
    }

    const int digitCount = static_cast<int>(digits.size());
    std::string text;
    text.reserve(32);
    if (negative)
        text.push_back('-');

    // Fixed form unless the number needs 1E+15 or more, or more than 15
    // decimal places.
    const bool exponentForm =
        exponent >= 15 || (exponent < 0 && -exponent - 1 + digitCount > 15);
    if (exponentForm) {
        text.push_back(digits[0]);
        if (digitCount > 1) {
            text += decimalSeparator;
            text.append(digits, 1);
        }
        text.push_back('E');
        text.push_back(exponent < 0 ? '-' : '+');
        const int absExponent = exponent < 0 ? -exponent : exponent;
        if (absExponent < 10)
            text.push_back('0');
        text += std::to_string(absExponent);
    } else if (exponent < 0) {
        text.push_back('0');
        text += decimalSeparator;
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
    } else {
        const int intCount = exponent + 1;
        if (digitCount <= intCount) {
            text += digits;
            text.append(static_cast<std::size_t>(intCount - digitCount), '0');
        } else {
            text.append(digits, 0, static_cast<std::size_t>(intCount));
            text += decimalSeparator;
            text.append(digits, static_cast<std::size_t>(intCount));
        }
    }
    return text;
}

} // namespace calorvin
