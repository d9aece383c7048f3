#include "batch.h"

#include "conversions.h"
#include "evaluation.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>
#include <utility>
#include <vector>

namespace calorvin {

namespace {

// The window's name captions of the eight entries, for the messages.
constexpr std::array<std::string_view, EntryCount> EntryCaptions = {
    "Peso Iniziale",   "Peso Finale", "Massa Comb. B",    "Potere Calorif. H",
    "Salto Termico N", "Portata  Q",  "Rendimento Comb.", "CO al 13% di O2"};

// Column names a header line gets for the results and the warnings.
constexpr std::array<std::string_view, ResultCount + 1> ResultNames = {
    "P", "Mw", "Pw", "Pa", "COppm", "Dp", "Etaw", "Avvisi"};

constexpr std::size_t ChunkSize = 64 * 1024;
// A line longer than this is refused rather than held: memory stays bounded
// even when an unclosed quote swallows the rest of the file.
constexpr std::size_t MaxLineBytes = 1024 * 1024;

// What the entry conversion skips.
constexpr std::string_view Blanks = " \t\n";

// RFC 4180 records from a stream read in chunks. Fields are copied out of the
// chunk into one reused buffer, so a record may span any number of chunks.
class CsvReader {
public:
    enum class Status { Record, EmptyLine, End, UnclosedQuote, TooLong, ReadError };

    explicit CsvReader(std::istream& in) : m_in(in), m_chunk(ChunkSize) {}

    // Skips a UTF-8 byte order mark and picks the separator from the first
    // line that is not empty: ';' if it has one outside quotes, else ','.
    void DetectSeparator()
    {
        if (!Fill())
            return;
        if (m_end >= 3 && std::memcmp(m_chunk.data(), "\xEF\xBB\xBF", 3) == 0)
            m_pos = 3;
        std::size_t i = m_pos;
        while (i < m_end && (m_chunk[i] == '\r' || m_chunk[i] == '\n'))
            ++i;
        for (bool quoted = false; i < m_end && (quoted || m_chunk[i] != '\n'); ++i) {
            if (m_chunk[i] == '"')
                quoted = !quoted;
            else if (!quoted && m_chunk[i] == ';') {
                m_separator = ';';
                return;
            }
        }
    }

    Status Next()
    {
        m_record.clear();
        m_fieldCount = 0;
        m_tooLong = false;
        m_line = m_nextLine;

        int c = Get();
        if (c < 0)
            return m_readError ? Status::ReadError : Status::End;
        if (c == '\n' || (c == '\r' && Peek() == '\n')) {
            if (c == '\r')
                Get();
            ++m_nextLine;
            return Status::EmptyLine;
        }
        for (;;) { // c is the field's first character
            if (c == '"') {
                for (;;) {
                    c = Get();
                    if (c < 0)
                        return m_readError ? Status::ReadError : Status::UnclosedQuote;
                    if (c == '"') {
                        c = Get();
                        if (c != '"')
                            break; // closing quote; c follows it
                    } else if (c == '\n') {
                        ++m_nextLine;
                    }
                    Append(c);
                }
            }
            // Unquoted text, or what follows a closing quote, taken as it stands.
            while (c >= 0 && c != m_separator && c != '\n') {
                if (c == '\r' && Peek() == '\n') {
                    c = Get();
                    break;
                }
                Append(c);
                c = Get();
            }
            if (m_fieldCount < m_ends.size())
                m_ends[m_fieldCount] = m_record.size();
            ++m_fieldCount;
            if (c != m_separator)
                break;
            c = Get();
        }
        if (c == '\n')
            ++m_nextLine;
        if (m_readError)
            return Status::ReadError;
        return m_tooLong ? Status::TooLong : Status::Record;
    }

    char Separator() const { return m_separator; }
    std::uint64_t Line() const { return m_line; } // where the record starts
    std::size_t FieldCount() const { return m_fieldCount; }
    // Valid for the first EntryCount fields.
    std::string_view Field(std::size_t i) const
    {
        const std::size_t begin = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_record).substr(begin, m_ends[i] - begin);
    }

private:
    bool Fill()
    {
        if (m_atEnd)
            return false;
        m_in.read(m_chunk.data(), static_cast<std::streamsize>(m_chunk.size()));
        m_pos = 0;
        m_end = static_cast<std::size_t>(m_in.gcount());
        if (m_end < m_chunk.size()) {
            m_atEnd = true;
            m_readError = m_in.bad();
        }
        return m_end > 0;
    }
    int Peek()
    {
        if (m_pos == m_end && !Fill())
            return -1;
        return static_cast<unsigned char>(m_chunk[m_pos]);
    }
    int Get()
    {
        const int c = Peek();
        if (c >= 0)
            ++m_pos;
        return c;
    }
    void Append(int c)
    {
        if (m_record.size() < MaxLineBytes)
            m_record.push_back(static_cast<char>(c));
        else
            m_tooLong = true;
    }

    std::istream& m_in;
    std::vector<char> m_chunk;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_atEnd = false;
    bool m_readError = false;
    char m_separator = ',';

    std::string m_record;
    std::array<std::size_t, EntryCount> m_ends{};
    std::size_t m_fieldCount = 0;
    bool m_tooLong = false;
    std::uint64_t m_line = 1;
    std::uint64_t m_nextLine = 1;
};

// Appends one field and a separator after it; the field is quoted when it
// holds the separator, a quote or a line end.
void AppendField(std::string& line, std::string_view field, char separator)
{
    const char special[] = {separator, '"', '\n', '\r'};
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
bool LooksLikeHeader(const CsvReader& reader)
{
    bool anyText = false;
    for (std::size_t i = 0; i < EntryCount; ++i) {
        const std::string_view field = reader.Field(i);
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

// An entry shown in a message: cut short, at a character boundary, if long.
std::string Shown(std::string_view text)
{
    constexpr std::size_t Limit = 60;
    if (text.size() <= Limit)
        return std::string(text);
    std::size_t cut = Limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut; // not inside a UTF-8 sequence
    return std::string(text.substr(0, cut)) + "...";
}

} // namespace

int EvaluateBatch(std::istream& in, std::ostream& out, std::ostream& err,
                  std::string_view decimalSeparator)
{
    CsvReader reader(in);
    reader.DetectSeparator();
    const char separator = reader.Separator();
    bool firstRecord = true;
    bool refused = false;
    std::string line; // one output line, reused
    std::string warnings;

    for (;;) {
        const CsvReader::Status status = reader.Next();
        if (status == CsvReader::Status::End)
            break;
        if (status == CsvReader::Status::EmptyLine)
            continue;
        if (status == CsvReader::Status::ReadError) {
            err << "calorvin: lettura interrotta alla riga " << reader.Line() << '\n';
            return 2;
        }
        const bool first = std::exchange(firstRecord, false);
        if (status == CsvReader::Status::UnclosedQuote) {
            err << "riga " << reader.Line() << ": virgolette non chiuse\n";
            refused = true;
            continue;
        }
        if (status == CsvReader::Status::TooLong) {
            err << "riga " << reader.Line() << ": più di " << MaxLineBytes << " byte\n";
            refused = true;
            continue;
        }
        if (reader.FieldCount() != EntryCount) {
            err << "riga " << reader.Line() << ": " << reader.FieldCount()
                << (reader.FieldCount() == 1 ? " campo" : " campi") << " invece di "
                << EntryCount << '\n';
            refused = true;
            continue;
        }

        line.clear();
        for (std::size_t i = 0; i < EntryCount; ++i)
            AppendField(line, reader.Field(i), separator);

        if (first && LooksLikeHeader(reader)) {
            for (std::string_view name : ResultNames)
                AppendField(line, name, separator);
        } else {
            EvaluationInputs inputs;
            double* const values[EntryCount] = {&inputs.Pin, &inputs.Pout, &inputs.B,
                                                &inputs.H,   &inputs.N,    &inputs.Q,
                                                &inputs.Eta, &inputs.CO};
            for (std::size_t i = 0; i < EntryCount; ++i) {
                const std::string_view text = reader.Field(i);
                std::size_t used = 0;
                *values[i] = ReadEntryNumber(text, &used);
                // Blanks after the number are read whole; anything else is not.
                if (text.find_first_not_of(Blanks, used) != std::string_view::npos)
                    err << "riga " << reader.Line() << ", " << EntryCaptions[i] << ": \""
                        << Shown(text) << "\" letto come " << FormatResult(*values[i], ".")
                        << '\n';
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
        if (!out.write(line.data(), static_cast<std::streamsize>(line.size())))
            break;
    }
    if (!out.flush()) {
        err << "calorvin: scrittura dei risultati non riuscita\n";
        return 2;
    }
    return refused ? 1 : 0;
}

CFileBuffer::int_type CFileBuffer::underflow()
{
    const std::size_t read = std::fread(m_buffer, 1, sizeof m_buffer, m_file);
    if (read == 0)
        return traits_type::eof();
    setg(m_buffer, m_buffer, m_buffer + read);
    return traits_type::to_int_type(m_buffer[0]);
}

CFileBuffer::int_type CFileBuffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    return std::fputc(c, m_file) == EOF ? traits_type::eof() : c;
}

std::streamsize CFileBuffer::xsputn(const char* text, std::streamsize count)
{
    return static_cast<std::streamsize>(std::fwrite(text, 1, static_cast<std::size_t>(count), m_file));
}

int CFileBuffer::sync()
{
    return std::fflush(m_file) == 0 ? 0 : -1;
}

int EvaluateBatchFile(const std::string& path, std::ostream& out, std::ostream& err,
                      std::string_view decimalSeparator)
{
    if (path == "-") {
        CFileBuffer buffer(stdin);
        std::istream standardInput(&buffer);
        return EvaluateBatch(standardInput, out, err, decimalSeparator);
    }

    errno = 0;
    std::ifstream file(path, std::ios::binary);
    int error = file ? 0 : errno;
    std::error_code ignored;
    if (file && std::filesystem::is_directory(path, ignored))
        error = EISDIR; // opens, then fails on the first read
    if (!file || error != 0) {
        const char* reason = error == ENOENT   ? "file inesistente"
                             : error == EACCES ? "permesso negato"
                             : error == EISDIR ? "è una cartella"
                             : error != 0      ? std::strerror(error)
                                               : "apertura non riuscita";
        err << "calorvin: impossibile leggere \"" << path << "\": " << reason << '\n';
        return 2;
    }
    return EvaluateBatch(file, out, err, decimalSeparator);
}

} // namespace calorvin
