#pragma once
// What must hold for any entry texts, whoever drives the core: the GoogleTest
// tables, the fuzz target and the monkey. Each check returns the first broken
// property, or the empty text when all hold.

#include "batch.h"
#include "conversions.h"
#include "evaluation.h"
#include "quantities.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
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

// For the fuzz targets: a broken property aborts, which libFuzzer reports with the input.
inline void Require(const std::string& broken)
{
    if (!broken.empty()) {
        std::fprintf(stderr, "\n*** property broken: %s\n", broken.c_str());
        std::abort();
    }
}

// Lines of a text: ended by LF, CR LF or a lone CR.
inline std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t end = std::min(text.find_first_of("\r\n", i), text.size());
        lines.push_back(text.substr(i, end - i));
        i = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return lines;
}

// One line's fields: a field opening with a quote is quoted up to a single
// quote ("" for one), and what follows it is text; a quote left open ends the
// line's fields before it (`closed` false).
struct CsvLine {
    std::vector<std::string> fields;
    bool closed = true;
};
inline CsvLine CsvFields(std::string_view line, char separator)
{
    CsvLine csv{{""}};
    bool quoted = false;
    for (std::size_t i = 0, start = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"')
            csv.fields.back() += line[i++];
        else if (quoted && c == '"')
            quoted = false;
        else if (!quoted && c == separator)
            csv.fields.emplace_back(), start = i + 1;
        else if (!quoted && c == '"' && i == start)
            quoted = true;
        else
            csv.fields.back() += c;
    }
    if (quoted)
        csv.fields.pop_back(), csv.closed = false;
    return csv;
}

// Whether an entry's number, as far as it was read, has digits that are not
// all zeros but reads as 0 (beyond the smallest double).
inline bool ReadsAsZeroWrongly(std::string_view number, double value)
{
    std::string text;
    for (char c : number)
        if (c != ' ' && c != '\t' && c != '\n')
            text += c == 'D' || c == 'd' ? 'e' : c;
    errno = 0;
    const double precise = text.empty() || text[0] == '&' ? 0 : std::strtod(text.c_str(), nullptr);
    return value == 0 && (precise != 0 || errno == ERANGE);
}

// The batch on one input taken with this separator: each line that is not
// blank accounted for once and in order, as one output row, with its entries
// as given (as far as they could be read on a refused line) then Evaluate's
// result texts and warnings, the column names on a first line, or no results
// and the reason on a refused line, named too; each entry not read whole, out
// of range or read as 0 from other digits named; status 1 exactly when a line
// was refused or an entry named.
inline std::string CheckBatchLines(const std::vector<std::string_view>& in, const std::vector<std::string_view>& out,
                                   const std::vector<std::string_view>& err, int status, char separator)
{
    static const std::vector<std::string> Names = {"P", "Mw", "Pw", "Pa", "COppm", "Dp", "Etaw", "Avvisi"};
    constexpr std::size_t Longest = 1 << 20;
    std::size_t o = 0, e = 0;
    bool faulty = false, first = true, separatorOpen = true, own = false;
    for (std::size_t n = 0; n < in.size(); ++n) {
        const std::string_view line = in[n];
        const std::string number = "riga " + std::to_string(n + 1);
        const bool tooLong = line.size() > Longest;
        if (!tooLong && line.find_first_not_of(" \t") == std::string::npos)
            continue;
        if (std::exchange(separatorOpen, false) && line == "sep=" + std::string(1, separator)) {
            if (o == out.size() || out[o++] != line)
                return number + ": the separator line is not echoed";
            continue;
        }
        CsvLine csv = CsvFields(line.substr(0, Longest), separator);
        std::vector<std::string>& fields = csv.fields;
        if (tooLong && csv.closed)
            fields.pop_back(); // cut short
        std::size_t count = fields.size();
        while (count > 8 && fields[count - 1].find_first_not_of(" \t") == std::string::npos)
            --count; // blanks after the eighth, from a trailing separator
        const bool header = std::exchange(first, false);
        // The batch's own output, its header first: the columns after the entries are read past.
        own = own || (header && csv.closed && count == 16 && std::equal(Names.begin(), Names.end(), fields.begin() + 8));
        const std::string refusal = tooLong ? "più di 1048576 byte" : !csv.closed ? "virgolette non chiuse"
                                    : count == 8 || (own && count > 8 && count <= 16) ? ""
                                    : std::to_string(count) + (count == 1 ? " campo" : " campi") + " invece di 8";
        fields.resize(8);
        const CsvLine back = o < out.size() ? CsvFields(out[o++], separator) : CsvLine{{}, false};
        if (!back.closed || back.fields.size() != calorvin::EntryCount + Names.size()
            || !std::equal(fields.begin(), fields.end(), back.fields.begin()))
            return number + ": no output row, or not with the entries as given";
        if (!refusal.empty()) {
            faulty = true;
            if (e == err.size() || err[e++] != number + ": " + refusal)
                return number + ": not refused as it should be";
            if (back.fields.back() != refusal || std::any_of(back.fields.begin() + 8, back.fields.end() - 1, [](auto& r) { return !r.empty(); }))
                return number + ": a refused line's row without its reason, or with results";
            continue;
        }
        if (header && std::equal(Names.begin(), Names.end(), back.fields.begin() + calorvin::EntryCount))
            continue;
        Texts texts;
        bool named = false;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            std::size_t used = 0;
            const double value = calorvin::ReadEntryNumber(fields[i], &used);
            const std::string read = std::isfinite(value) ? "letto come " + calorvin::FormatResult(value, ".") : "troppo grande";
            texts[i] = fields[i];
            if (std::isfinite(value) && !ReadsAsZeroWrongly(texts[i].substr(0, used), value)
                && texts[i].find_first_not_of(" \t\n", used) == std::string_view::npos)
                continue;
            faulty = named = true;
            if (e == err.size() || !err[e].starts_with(number + ", ") || !err[e++].ends_with(read))
                return number + ": entry " + std::to_string(i + 1) + " not named as not read as written";
        }
        const calorvin::EvaluationOutcome outcome = calorvin::Evaluate(texts, ",");
        std::string warnings;
        for (std::string_view w : outcome.warnings)
            warnings += (warnings.empty() ? "" : " | ") + std::string(w);
        std::string blank;
        for (std::size_t k = 0; k < calorvin::ResultCount; ++k) {
            if (back.fields[calorvin::EntryCount + k] != (outcome.computed ? outcome.resultTexts[k] : ""))
                return number + ": result " + std::to_string(k + 1) + " is not Evaluate's";
            if (outcome.computed && outcome.resultTexts[k].empty())
                blank += (blank.empty() ? "" : ", ") + Names[k];
        }
        if (!blank.empty() && !named && outcome.warnings.empty()) {
            faulty = true;
            if (e == err.size() || err[e++] != number + ": risultati non calcolabili, lasciati vuoti: " + blank)
                return number + ": results left blank without a word";
        }
        if (back.fields.back() != warnings)
            return number + ": not Evaluate's warnings";
    }
    if (o != out.size() || e != err.size())
        return "output or messages beyond the input's lines";
    return status == (faulty ? 1 : 0) ? "" : "status " + std::to_string(status) + " for what was refused or named";
}

// The batch on any bytes: as above, with the separator it takes; a UTF-16 or
// UTF-32 file refused whole; every message one line without a control
// character. Then its output fed back to it, where all this holds again with
// the same separator: each row reads back into the same entries and, under
// the header it writes, is evaluated again to the same results.
inline std::string CheckBatch(std::string_view input, char readBackWith = 0)
{
    using namespace std::string_view_literals;
    std::istringstream in{std::string(input)};
    std::ostringstream out, err;
    const int status = calorvin::EvaluateBatch(in, out, err, ",");
    const std::string outText = out.str(), errText = err.str();
    if ((!outText.empty() && !outText.ends_with('\n')) || (!errText.empty() && !errText.ends_with('\n')))
        return "a line written without its end";
    if (std::any_of(errText.begin(), errText.end(), [](char c) { return (c >= 0 && c < 0x20 && c != '\n') || c == 0x7F; }))
        return "a control character in a message";
    for (std::string_view c : {"\u0085"sv, "\u061C"sv, "\u200E"sv, "\u200F"sv, "\u2028"sv, "\u2029"sv, "\u202A"sv,
                               "\u202B"sv, "\u202C"sv, "\u202D"sv, "\u202E"sv, "\u2066"sv, "\u2067"sv, "\u2068"sv, "\u2069"sv})
        if (errText.find(c) != std::string::npos)
            return "a line-reordering character in a message";
    // Text in Latin letters as UTF-16 (little-endian) has a NUL in every second byte.
    const std::string_view head = input.substr(0, 64);
    bool wide = input.starts_with("\xFF\xFE") || input.starts_with("\xFE\xFF") || input.starts_with("\0\0\xFE\xFF"sv);
    for (std::size_t i = 0; !wide && i < head.size() && (head[i] == '\0') == (i % 2 == 1); ++i)
        wide = i == head.size() - 1 && i > 0;
    if (wide || (status == 2 && errText.find(" è in UTF-") != std::string::npos))
        return status == 2 && outText.empty() && Lines(errText).size() == 1 && (wide || head.find('\0') != head.npos)
                   ? "" : "UTF-16 not refused whole, or text refused as it";
    if (input.starts_with("\xEF\xBB\xBF"))
        input.remove_prefix(3);
    std::string broken = "no separator";
    for (char separator : {';', ',', '\t'})
        if ((!readBackWith || separator == readBackWith)
            && (broken = CheckBatchLines(Lines(input), Lines(outText), Lines(errText), status, separator)).empty())
            return readBackWith ? "" : CheckBatch(outText, separator);
    return (readBackWith ? "read back: " : "") + broken;
}

} // namespace oracle
