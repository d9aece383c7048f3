#include "batch.h"

#include "conversions.h"
#include "evaluation.h"
#include "quantities.h"
#include "system_reason.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <istream>
#include <ostream>
#include <system_error>
#include <utility>
#include <vector>

namespace calorvin {

namespace {

// The column a header line gets for the warnings, after the results' symbols.
constexpr std::string_view WarningsColumn = "Avvisi";

constexpr std::size_t ChunkSize = 64 * 1024;
// A line longer than this is refused rather than held: memory stays bounded.
constexpr std::size_t MaxLineBytes = 1024 * 1024;

constexpr std::string_view Blanks = " \t\n"; // what the entry conversion skips
constexpr std::string_view LineBlanks = " \t"; // a line of these only is empty
constexpr std::string_view Separators = ";,\t"; // in order of preference
// The columns of the batch's own output: entries, results, warnings.
constexpr std::size_t OwnColumns = EntryCount + ResultCount + 1;
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF"; // of UTF-8

// Physical lines of a stream read in chunks: LF, CR LF or a lone CR ends one.
// A line within one chunk is handed out in place; one across chunks is held.
class LineReader {
public:
    explicit LineReader(std::istream& in) : m_in(in), m_chunk(ChunkSize) {}

    // The input's first bytes (all of them when it is short), and skipping some.
    std::string_view Start()
    {
        if (m_pos == m_end)
            Fill();
        return {m_chunk.data() + m_pos, m_end - m_pos};
    }
    void Skip(std::size_t count) { m_pos += count; }

    // The next line without its end, valid until the next call; false at the end.
    bool Next(std::string_view& line)
    {
        m_held.clear();
        m_tooLong = false;
        ++m_number;
        if ((m_pos == m_end && !Fill())
            || (std::exchange(m_afterCr, false) && m_chunk[m_pos] == '\n' && ++m_pos == m_end && !Fill())) {
            --m_number;
            return false;
        }
        for (;;) {
            const char* begin = m_chunk.data() + m_pos;
            const char* const end = m_chunk.data() + m_end;
            const char* stop = begin;
            while (stop != end && *stop != '\n' && *stop != '\r')
                ++stop;
            if (stop == end) {
                Hold(begin, end);
                if (Fill())
                    continue;
                line = m_held;
                return true;
            }
            m_afterCr = *stop == '\r';
            m_pos = static_cast<std::size_t>(stop - m_chunk.data()) + 1;
            if (m_held.empty() && !m_tooLong) {
                line = std::string_view(begin, static_cast<std::size_t>(stop - begin));
                return true;
            }
            Hold(begin, stop);
            line = m_held;
            return true;
        }
    }

    std::uint64_t Number() const { return m_number; } // of the line handed out or being read
    bool TooLong() const { return m_tooLong; }

private:
    bool Fill()
    {
        m_pos = m_end = 0;
        if (m_atEnd)
            return false;
        m_in.read(m_chunk.data(), static_cast<std::streamsize>(m_chunk.size()));
        m_end = static_cast<std::size_t>(m_in.gcount());
        m_atEnd = m_end < m_chunk.size();
        return m_end > 0;
    }
    void Hold(const char* begin, const char* end)
    {
        const std::size_t room = MaxLineBytes - m_held.size();
        const std::size_t count = static_cast<std::size_t>(end - begin);
        m_held.append(begin, std::min(count, room));
        m_tooLong = m_tooLong || count > room;
    }

    std::istream& m_in;
    std::vector<char> m_chunk;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_atEnd = false;
    bool m_afterCr = false;
    std::string m_held;
    bool m_tooLong = false;
    std::uint64_t m_number = 0;
};

// Where the quoted field opening at `open` ends: its closing quote, or npos
// when the line ends first ("" inside stands for one quote).
std::size_t ClosingQuote(std::string_view line, std::size_t open)
{
    for (std::size_t i = open + 1; (i = line.find('"', i)) != std::string_view::npos; i += 2)
        if (i + 1 == line.size() || line[i + 1] != '"')
            return i;
    return std::string_view::npos;
}

// The fields of one line: a field that starts with a quote runs to its
// closing quote, and what follows up to the separator is added as it stands;
// a quote anywhere else is text of its field.
class Fields {
public:
    // False when a quoted field is not closed by the end of the line; the
    // fields before it are kept.
    bool Split(std::string_view line, char separator)
    {
        m_text.clear();
        m_count = m_filled = 0;
        for (std::size_t i = 0;; ++i) {
            const std::size_t start = m_text.size();
            if (i < line.size() && line[i] == '"') {
                const std::size_t close = ClosingQuote(line, i);
                if (close == std::string_view::npos)
                    return false;
                for (std::size_t k = i + 1; k < close; k += line[k] == '"' ? 2 : 1)
                    m_text.push_back(line[k]);
                i = close + 1;
            }
            const std::size_t stop = std::min(line.find(separator, i), line.size());
            m_text.append(line.substr(i, stop - i));
            if (m_count < m_ends.size())
                m_ends[m_count] = m_text.size();
            ++m_count;
            if (m_text.find_first_not_of(Blanks, start) != std::string::npos)
                m_filled = m_count;
            if (stop == line.size())
                return true;
            i = stop;
        }
    }
    // Forgets the last field (one cut short).
    void DropLast() { m_filled = std::min(m_filled, --m_count); }

    // Blank fields after the eighth (a trailing separator) are not counted.
    std::size_t Count() const { return m_count > EntryCount ? std::max<std::size_t>(m_filled, EntryCount) : m_count; }
    // The first OwnColumns fields; those the line does not have are empty.
    std::string_view operator[](std::size_t i) const
    {
        if (i >= m_count)
            return {};
        const std::size_t begin = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_text).substr(begin, m_ends[i] - begin);
    }

private:
    std::string m_text;
    std::array<std::size_t, OwnColumns> m_ends{};
    std::size_t m_count = 0;
    std::size_t m_filled = 0; // up to the last field that is not blank
};

// The separator of the first line: the first of ';', ',' and tab it has
// outside quoted fields (a quote opens one at the line's start or after any
// of the three), else ','.
char DetectSeparator(std::string_view line)
{
    std::size_t best = Separators.size();
    bool fieldStart = true;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (fieldStart && line[i] == '"') {
            i = std::min(ClosingQuote(line, i), line.size());
            fieldStart = false;
            continue;
        }
        const std::size_t which = Separators.find(line[i]);
        fieldStart = which != std::string_view::npos;
        best = std::min(best, which);
    }
    return best < Separators.size() ? Separators[best] : ',';
}

// Appends one field and a separator after it; the field is quoted when it
// holds one of `special`.
void AppendField(std::string& line, std::string_view field, char separator, std::string_view special)
{
    if (field.find_first_of(special) == std::string_view::npos) {
        line += field;
    } else {
        line.push_back('"');
        for (char c : field) {
            if (c == '"')
                line.push_back('"');
            line.push_back(c);
        }
        line.push_back('"');
    }
    line.push_back(separator);
}

// The first line is a header when no field starts, after blanks, like a
// number would (digit, sign, point, or '&' of "&H"/"&O") and some field has
// text: "20;5;..." and "Pin;;..." are told apart, ";;;;;;;" stays a test.
bool LooksLikeHeader(const Fields& fields)
{
    bool anyText = false;
    for (std::size_t i = 0; i < EntryCount; ++i) {
        const std::string_view field = fields[i];
        const std::size_t first = field.find_first_not_of(Blanks);
        if (first == std::string_view::npos)
            continue;
        anyText = true;
        const char c = field[first];
        if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == '&')
            return false;
    }
    return anyText;
}

// Whether the columns after the entries are those this batch adds.
bool IsOwnHeader(const Fields& fields)
{
    for (std::size_t k = 0; k < Results.size(); ++k)
        if (fields[EntryCount + k] != Results[k].symbol)
            return false;
    return fields[OwnColumns - 1] == WarningsColumn;
}

// How many bytes the UTF-8 sequence at the text's start takes; 0 when it is
// not one (overlong forms, surrogates and values past U+10FFFF are not).
std::size_t Utf8Length(std::string_view s)
{
    const auto byte = [&](std::size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
    const unsigned lead = byte(0);
    const std::size_t length = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    const unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (length == 0 || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byte(k) & 0xC0) != 0x80)
            return 0;
    return length;
}

// The characters that are escaped in a message although they are UTF-8: the C1
// controls (NEL among them), the marks and overrides that reorder a line
// (U+061C, U+200E-U+200F, U+202A-U+202E, U+2066-U+2069) and the line and
// paragraph separators U+2028-U+2029.
bool IsFormatControl(std::string_view c)
{
    if (c.size() == 2)
        return (c[0] == '\xC2' && static_cast<unsigned char>(c[1]) < 0xA0) || c == "\u061C";
    const std::string_view rest = c.substr(0, 2) == "\xE2\x80" ? c.substr(2) : "";
    return c == "\u200E" || c == "\u200F" || (rest >= "\xA8" && rest <= "\xAE")
        || (c >= "\u2066" && c <= "\u2069");
}

// An entry shown in a message: cut short, at a character boundary, if long.
std::string Shown(std::string_view text)
{
    constexpr std::size_t Limit = 60;
    if (text.size() <= Limit)
        return Printable(text);
    std::size_t cut = Limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut; // not inside a UTF-8 sequence
    return Printable(text.substr(0, cut)) + "...";
}

// The input as messages name it.
std::string Named(std::string_view name)
{
    return name == "-" ? "lo standard input" : "\"" + Printable(name) + "\"";
}

// Why a file could not be read or written, from its error number.
std::string Reason(int error, const char* unknown)
{
    switch (error) {
    case 0: return unknown;
    default: return SystemReason(error);
    }
}
std::string Reason(const std::exception& failure, const char* unknown)
{
    const auto* system = dynamic_cast<const std::system_error*>(&failure);
    const bool errorNumber = system && (system->code().category() == std::generic_category()
                                        || system->code().category() == std::system_category());
    return Reason(errorNumber ? system->code().value() : 0, unknown);
}

// "UTF-16" or "UTF-32" when the input starts with their byte order mark, or
// when most of its first characters have the NUL bytes that a text in Latin
// letters, digits and separators has in them; else empty.
std::string_view WideEncoding(std::string_view start)
{
    using namespace std::string_view_literals;
    if (start.starts_with("\xFF\xFE\0\0"sv) || start.starts_with("\0\0\xFE\xFF"sv))
        return "UTF-32";
    if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF"))
        return "UTF-16";
    const std::string_view head = start.substr(0, 64);
    const auto most = [&](std::size_t width, std::size_t nuls) {
        std::size_t units = head.size() / width, wide = 0;
        for (std::size_t i = 0; i + width <= head.size(); i += width) {
            const std::string_view unit = head.substr(i, width);
            const std::size_t zero = static_cast<std::size_t>(std::count(unit.begin(), unit.end(), '\0'));
            wide += zero == nuls && (unit.front() == '\0' || unit.back() == '\0');
        }
        return units > 0 && 2 * wide >= units;
    };
    return most(4, 3) ? "UTF-32" : most(2, 1) ? "UTF-16" : "";
}

// Why an entry's value is not what its text says, or empty: text after the
// number, a number beyond the range of a double, or digits that read as 0.
std::string Misread(std::string_view text, double value, std::size_t used)
{
    if (!std::isfinite(value))
        return "\" è un numero troppo grande";
    const std::string_view number = text.substr(0, used);
    const std::size_t first = number.find_first_not_of(Blanks);
    if (value == 0 && first != std::string_view::npos && number[first] != '&'
        && number.substr(0, number.find_first_of("EeDd")).find_first_of("123456789") != std::string_view::npos)
        return "\" è un numero troppo piccolo: letto come 0";
    if (text.find_first_not_of(Blanks, used) != std::string_view::npos)
        return "\" letto come " + FormatResult(value, ".");
    return {};
}

// The lines of the input; the stream's failures come out as exceptions.
int EvaluateLines(LineReader& reader, std::ostream& out, std::ostream& err,
                  std::string_view decimalSeparator, std::string_view inputName)
{
    const std::string_view start = reader.Start();
    if (const std::string_view encoding = WideEncoding(start); !encoding.empty()) {
        err << "calorvin: " << Named(inputName) << " è in " << encoding << ": salvarlo come CSV UTF-8\n";
        return 2;
    }
    if (start.starts_with(ByteOrderMark))
        reader.Skip(ByteOrderMark.size());

    char separator = 0; // taken from the first line that is not blank
    std::string special; // what a field is quoted for
    bool firstRecord = true;
    bool ownOutput = false; // the header this batch writes: results are read past
    bool faulty = false;
    Fields fields;
    std::string line; // one output line, reused
    std::string warnings;
    for (std::string_view text; reader.Next(text);) {
        const std::uint64_t number = reader.Number();
        const bool tooLong = reader.TooLong();
        if (!tooLong && text.find_first_not_of(LineBlanks) == std::string_view::npos)
            continue;
        if (separator == 0) {
            const bool sepLine = text.size() == 5 && text.starts_with("sep=") && Separators.find(text[4]) != std::string_view::npos;
            separator = sepLine ? text[4] : DetectSeparator(text);
            // The first line written must give the same separator read back:
            // the separators preferred to this one are quoted there too.
            special = Separators.substr(0, Separators.find(separator) + 1);
            special += "\"\r\n";
            if (sepLine) {
                out << text << '\n'; // a spreadsheet's own first line, kept for it
                special.erase(0, special.find(separator));
                continue;
            }
        }
        const bool first = std::exchange(firstRecord, false);

        // A refused line keeps its row: the fields read, its reason as its warning.
        warnings.clear();
        if (tooLong) {
            if (fields.Split(text, separator))
                fields.DropLast(); // cut short
            warnings = "più di " + std::to_string(MaxLineBytes) + " byte";
        } else if (!fields.Split(text, separator)) {
            warnings = "virgolette non chiuse";
        } else if (first && fields.Count() == OwnColumns && IsOwnHeader(fields)) {
            ownOutput = true;
        } else if (fields.Count() != EntryCount && !(ownOutput && fields.Count() > EntryCount && fields.Count() <= OwnColumns)) {
            warnings = std::to_string(fields.Count()) + (fields.Count() == 1 ? " campo" : " campi") + " invece di "
                       + std::to_string(EntryCount);
        }

        line.clear();
        for (std::size_t i = 0; i < EntryCount; ++i)
            AppendField(line, fields[i], separator, special);

        if (!warnings.empty()) {
            err << "riga " << number << ": " << warnings << '\n';
            faulty = true;
            line.append(static_cast<std::size_t>(ResultCount), separator);
        } else if (first && LooksLikeHeader(fields)) {
            for (const ResultQuantity& result : Results)
                AppendField(line, result.symbol, separator, special);
            warnings = WarningsColumn;
        } else {
            EvaluationInputs inputs;
            bool named = false;
            for (std::size_t i = 0; i < EntryCount; ++i) {
                std::size_t used = 0;
                double& value = inputs.*Entries[i].field;
                value = ReadEntryNumber(fields[i], &used);
                if (const std::string why = Misread(fields[i], value, used); !why.empty()) {
                    err << "riga " << number << ", " << Entries[i].caption << ": \"" << Shown(fields[i]) << why << '\n';
                    faulty = named = true;
                }
            }
            const EvaluationOutcome outcome = Evaluate(inputs, decimalSeparator);
            std::string blank; // results computed with no finite value, and no word why
            for (std::size_t k = 0; k < Results.size(); ++k) {
                AppendField(line, outcome.computed ? std::string_view(outcome.resultTexts[k]) : "", separator, special);
                if (outcome.computed && outcome.resultTexts[k].empty())
                    blank += (blank.empty() ? "" : ", ") + std::string(Results[k].symbol);
            }
            if (!blank.empty() && !named && outcome.warnings.empty()) {
                err << "riga " << number << ": risultati non calcolabili, lasciati vuoti: " << blank << '\n';
                faulty = true;
            }
            for (std::string_view warning : outcome.warnings) {
                if (!warnings.empty())
                    warnings += " | ";
                warnings += warning;
            }
        }
        AppendField(line, warnings, separator, special);
        line.back() = '\n'; // in place of the last separator
        if (line.starts_with(ByteOrderMark)) { // at the start it would be read back as the mark
            std::string quoted;
            AppendField(quoted, fields[0], separator, ByteOrderMark);
            line.replace(0, fields[0].size() + 1, quoted);
        }
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
        special.erase(0, special.find(separator)); // the first line is written
    }
    return faulty ? 1 : 0;
}

} // namespace

std::string Printable(std::string_view text)
{
    std::string shown;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8Length(text.substr(i));
        if (length > 1 && !IsFormatControl(text.substr(i, length))) {
            shown.append(text.substr(i, length)); // a character; the others byte by byte
            i += length;
            continue;
        }
        ++i;
        if (c == '\n' || c == '\r' || c == '\t' || c == '\\')
            shown.append({'\\', c == '\n' ? 'n' : c == '\r' ? 'r' : c == '\t' ? 't' : '\\'});
        else if (c == '"')
            shown.append("\"\"");
        else if (c >= 0x20 && c < 0x7F)
            shown.push_back(static_cast<char>(c));
        else
            shown.append({'\\', 'x', "0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]});
    }
    return shown;
}

int EvaluateBatch(std::istream& in, std::ostream& out, std::ostream& err,
                  std::string_view decimalSeparator, std::string_view inputName)
{
    const std::ios::iostate inMask = in.exceptions(), outMask = out.exceptions();
    LineReader reader(in);
    int status = 2;
    try {
        in.exceptions(std::ios::badbit);
        out.exceptions(std::ios::badbit);
        status = EvaluateLines(reader, out, err, decimalSeparator, inputName);
        out.flush();
    } catch (const std::exception& failure) {
        status = 2;
        if (in.bad()) {
            err << "calorvin: impossibile leggere " << Named(inputName);
            if (reader.Number() > 1)
                err << " dopo la riga " << reader.Number() - 1;
            err << ": " << Reason(failure, "lettura non riuscita") << '\n';
        } else if (out.bad()) {
            err << "calorvin: impossibile scrivere i risultati sullo standard output: "
                << Reason(failure, "scrittura non riuscita") << '\n';
        } else {
            throw;
        }
    }
    try {
        in.exceptions(inMask);
        out.exceptions(outMask);
    } catch (const std::exception&) {
        // the caller's streams were failing already, and say so again
    }
    return status;
}

int EvaluateBatchFile(const std::string& path, std::ostream& out, std::ostream& err,
                      std::string_view decimalSeparator)
{
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        err << "calorvin: impossibile leggere " << Named(path) << ": "
            << Reason(errno, "apertura non riuscita") << '\n';
        return 2;
    }
    return EvaluateBatch(file, out, err, decimalSeparator, path);
}

} // namespace calorvin
