#pragma once
// What must hold for any entry texts, whoever drives the core: the GoogleTest
// tables, the fuzz target and the monkey. Each check returns the first broken
// property, or the empty text when all hold.

#include "conversions.h"
#include "evaluation.h"
#include "quantities.h"

#include <algorithm>
#include <array>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oracle {

// The warning texts in check order, as the core's table has them (their
// wording is a known answer in core_test.cpp).
inline constexpr std::array<std::string_view, calorvin::EntryCount> WarningTexts = [] {
    std::array<std::string_view, calorvin::EntryCount> texts{};
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = calorvin::Entries[i].warning;
    return texts;
}();

inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline std::string WithComma(std::string text)
{
    for (char& c : text)
        if (c == '.')
            c = ',';
    return text;
}

// Runs f with a decimal-comma locale as the C and C++ global locale, as the
// window toolkit sets it at start; false when no such locale is installed.
template <typename F>
bool UnderCommaLocale(F f)
{
    static const std::optional<std::locale> comma = []() -> std::optional<std::locale> {
        for (const char* n : {"it_IT.UTF-8", "it_IT.utf8", "de_DE.UTF-8", "fr_FR.UTF-8"})
            if (std::setlocale(LC_ALL, n) && std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
                std::setlocale(LC_ALL, "C");
                return std::locale(n);
            }
        std::setlocale(LC_ALL, "C");
        return std::nullopt;
    }();
    if (!comma)
        return false;
    std::locale::global(*comma);
    f();
    std::locale::global(std::locale::classic());
    return true;
}

// -?(0|[1-9][0-9]*)(\.[0-9]*[1-9])?, or -?[1-9](\.[0-9]*[1-9])?E[+-] with two
// digits (not 00) or three (not starting with 0).
inline bool GeneralForm(std::string_view t, bool& exponentForm)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = t.starts_with('-') ? 1 : 0;
    const std::size_t first = i;
    while (i < t.size() && digit(t[i]))
        ++i;
    const std::size_t whole = i - first;
    if (whole == 0 || (whole > 1 && t[first] == '0'))
        return false;
    if (i < t.size() && t[i] == '.') {
        const std::size_t fraction = ++i;
        while (i < t.size() && digit(t[i]))
            ++i;
        if (i == fraction || t[i - 1] == '0')
            return false;
    }
    exponentForm = i < t.size() && t[i] == 'E';
    if (!exponentForm)
        return i == t.size();
    const std::string_view e = t.substr(i + 1);
    return whole == 1 && t[first] != '0' && (e.size() == 3 || e.size() == 4) && (e[0] == '+' || e[0] == '-')
           && std::all_of(e.begin() + 1, e.end(), digit) && (e.size() == 3 ? e.substr(1) != "00" : e[1] != '0');
}

// The result text of x: empty exactly when x has no finite value; general
// form with the caller's separator; the value of x at 15 significant digits;
// exponent form from 1E+15, or where fixed form needs more than 15 decimals;
// read back and shown again, the same text.
inline std::string CheckResultText(double x)
{
    const std::string text = calorvin::FormatResult(x, ".");
    if (calorvin::FormatResult(x, ",") != WithComma(text))
        return "the comma text is not the point text with a comma: " + text;
    if (text.empty() != !std::isfinite(x))
        return "empty text for a finite value, or text for none: " + text;
    if (text.empty())
        return {};
    bool exponentForm = false;
    if (!GeneralForm(text, exponentForm))
        return "not in general number form: " + text;
    if (x == 0)
        return text == "0" ? "" : "zero shows as " + text;
    char rounded[32];
    std::snprintf(rounded, sizeof rounded, "%.14e", x); // d.dddddddddddddde±x
    if (std::strtod(text.c_str(), nullptr) != std::strtod(rounded, nullptr))
        return "not the value at 15 digits: " + text + " for " + rounded;
    std::string digits(rounded + (x < 0), rounded + (x < 0) + 16);
    digits.erase(1, 1);
    digits.erase(digits.find_last_not_of('0') + 1);
    const int power = std::atoi(std::strchr(rounded, 'e') + 1);
    const int decimals = static_cast<int>(digits.size()) - 1 - power;
    if (exponentForm != (power >= 15 || decimals > 15))
        return "exponent form where fixed form fits, or the reverse: " + text;
    const double back = calorvin::ReadEntryNumber(text);
    if (std::isfinite(back) ? calorvin::FormatResult(back, ".") != text : std::fabs(x) < 1.797693134862315e308)
        return "does not read back as itself: " + text;
    return {};
}

// An entry text: never NaN; the same bits whatever the process locale, with
// its blanks left out, or with a comma and anything after it; 0 without an
// ASCII digit (only "&H" takes letters for digits); a plain decimal text reads
// as the C library reads it, correctly rounded.
inline std::string CheckEntry(std::string_view text)
{
    const double value = calorvin::ReadEntryNumber(text);
    double underComma = value;
    UnderCommaLocale([&] { underComma = calorvin::ReadEntryNumber(text); });
    std::string noBlanks, plain;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') {
            noBlanks.push_back(c);
            plain.push_back(c == 'd' || c == 'D' ? 'e' : c);
        }
    if (std::isnan(value) || !SameBits(value, underComma)
        || !SameBits(value, calorvin::ReadEntryNumber(noBlanks))
        || !SameBits(value, calorvin::ReadEntryNumber(std::string(text) + ",9" + std::string(text))))
        return "NaN, or blanks, a comma or the locale change the reading";
    if (text.find_first_of("0123456789") == std::string_view::npos && text.find('&') == std::string_view::npos
        && value != 0)
        return "no digit, yet not 0";
    if (plain.find_first_not_of("0123456789.+-eE") == std::string::npos
        && value != std::strtod(plain.c_str(), nullptr))
        return "not the correctly rounded value of a plain decimal";
    return {};
}

using Texts = std::array<std::string_view, calorvin::EntryCount>;

// One run on these texts with this separator: each entry read as the entry
// conversion reads it, whatever the process locale; exactly the warnings
// that fire, in check order; results exactly when checks 1 to 6 all pass;
// each result text that of its value, which a comma changes only in the
// separator.
inline std::string CheckRun(const Texts& texts)
{
    const calorvin::EvaluationOutcome out = calorvin::Evaluate(texts, ".");
    calorvin::EvaluationOutcome comma;
    if (!UnderCommaLocale([&] { comma = calorvin::Evaluate(texts, ","); }))
        comma = calorvin::Evaluate(texts, ",");
    const calorvin::EvaluationInputs& i = out.inputs;
    const double in[] = {i.Pin, i.Pout, i.B, i.H, i.N, i.Q, i.Eta, i.CO};
    const double inComma[] = {comma.inputs.Pin, comma.inputs.Pout, comma.inputs.B, comma.inputs.H,
                              comma.inputs.N, comma.inputs.Q, comma.inputs.Eta, comma.inputs.CO};
    std::vector<std::string_view> warnings;
    bool gate = true;
    for (std::size_t e = 0; e < std::size(in); ++e) {
        if (!SameBits(in[e], calorvin::ReadEntryNumber(texts[e])) || !SameBits(in[e], inComma[e]))
            return "entry " + std::to_string(e + 1) + " is not read as the entry conversion reads it";
        if (e == 1 ? in[e] < 0 : in[e] <= 0) {
            warnings.push_back(WarningTexts[e]);
            gate = gate && e >= 6;
        }
    }
    if (out.warnings != warnings || comma.warnings != warnings)
        return "not exactly the warnings that fire, in check order";
    if (out.computed != gate || comma.computed != gate)
        return gate ? "the gate fails on valid entries" : "the gate holds on failing entries";
    const calorvin::EvaluationResults& r = out.results;
    const double results[] = {r.P, r.Mw, r.Pw, r.Pa, r.COppm, r.Dp, r.Etaw};
    for (std::size_t k = 0; gate && k < std::size(results); ++k) {
        if (out.resultTexts[k] != calorvin::FormatResult(results[k], ".")
            || comma.resultTexts[k] != WithComma(out.resultTexts[k]))
            return "result " + std::to_string(k + 1) + " does not show its value";
        if (std::string broken = CheckResultText(results[k]); !broken.empty())
            return broken;
    }
    return {};
}

} // namespace oracle
