#include "batch.h"

#include "conversions.h"
#include "evaluation.h"
#include "quantities.h"
#include "system_reason.h"

#include <array>
#include <cerrno>
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
    // False when a quoted field is not closed by the end of the line.
    bool Split(std::string_view line, char separator)
    {
        m_text.clear();
        m_count = 0;
        for (std::size_t i = 0;; ++i) {
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
            if (stop == line.size())
                return true;
            i = stop;
        }
    }

    std::size_t Count() const { return m_count; }
    // Valid for the first EntryCount fields.
    std::string_view operator[](std::size_t i) const
    {
        const std::size_t begin = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_text).substr(begin, m_ends[i] - begin);
    }

private:
    std::string m_text;
    std::array<std::size_t, EntryCount> m_ends{};
    std::size_t m_count = 0;
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
// holds the separator or a quote.
void AppendField(std::string& line, std::string_view field, char separator)
{
    const char special[] = {separator, '"'};
    if (field.find_first_of(std::string_view(special, sizeof special)) == std::string_view::npos) {
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

// The lines of the input; the stream's failures come out as exceptions.
int EvaluateLines(LineReader& reader, std::ostream& out, std::ostream& err,
                  std::string_view decimalSeparator, std::string_view inputName)
{
    const std::string_view start = reader.Start();
    if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) {
        err << "calorvin: " << Named(inputName) << " è in UTF-16: salvarlo come CSV UTF-8\n";
        return 2;
    }
    if (start.starts_with("\xEF\xBB\xBF"))
        reader.Skip(3);

    char separator = 0; // taken from the first line that is not blank
    bool firstRecord = true;
    bool faulty = false;
    Fields fields;
    std::string line; // one output line, reused
    std::string warnings;
    for (std::string_view text; reader.Next(text);) {
        const std::uint64_t number = reader.Number();
        if (reader.TooLong()) {
            err << "riga " << number << ": più di " << MaxLineBytes << " byte\n";
            faulty = true;
            continue;
        }
        if (text.find_first_not_of(LineBlanks) == std::string_view::npos)
            continue;
        if (separator == 0) {
            if (text.size() == 5 && text.starts_with("sep=") && Separators.find(text[4]) != std::string_view::npos) {
                separator = text[4]; // a spreadsheet's own first line, kept for it
                out << text << '\n';
                continue;
            }
            separator = DetectSeparator(text);
        }
        const bool first = std::exchange(firstRecord, false);
        if (!fields.Split(text, separator)) {
            err << "riga " << number << ": virgolette non chiuse\n";
            faulty = true;
            continue;
        }
        if (fields.Count() != EntryCount) {
            err << "riga " << number << ": " << fields.Count()
                << (fields.Count() == 1 ? " campo" : " campi") << " invece di " << EntryCount << '\n';
            faulty = true;
            continue;
        }

        line.clear();
        for (std::size_t i = 0; i < EntryCount; ++i)
            AppendField(line, fields[i], separator);

        if (first && LooksLikeHeader(fields)) {
            for (const ResultQuantity& result : Results)
                AppendField(line, result.symbol, separator);
            AppendField(line, WarningsColumn, separator);
        } else {
            EvaluationInputs inputs;
            for (std::size_t i = 0; i < EntryCount; ++i) {
                std::size_t used = 0;
                double& value = inputs.*Entries[i].field;
                value = ReadEntryNumber(fields[i], &used);
                // Blanks after the number are read whole; anything else is not.
                if (fields[i].find_first_not_of(Blanks, used) != std::string_view::npos) {
                    err << "riga " << number << ", " << Entries[i].caption << ": \"" << Shown(fields[i])
                        << "\" letto come " << FormatResult(value, ".") << '\n';
                    faulty = true;
                }
            }
            const EvaluationOutcome outcome = Evaluate(inputs, decimalSeparator);
            for (const std::string& result : outcome.resultTexts)
                AppendField(line, outcome.computed ? std::string_view(result) : "", separator);
            warnings.clear();
            for (std::string_view warning : outcome.warnings) {
                if (!warnings.empty())
                    warnings += " | ";
                warnings += warning;
            }
            AppendField(line, warnings, separator);
        }
        line.back() = '\n'; // in place of the last separator
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
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
        if (length > 1 && !(c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)) {
            shown.append(text.substr(i, length)); // a character; C1 controls are escaped
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
