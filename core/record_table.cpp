#include "record_table.h"

#include "quantities.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace calorvin {

namespace {

// The code point that starts at text[at] and its length in bytes; an invalid
// byte stands for itself, one byte long.
std::pair<char32_t, std::size_t> CodePoint(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length == 1 || at + length > text.size())
        return {lead, 1};
    char32_t c = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return {lead, 1};
        c = (c << 6) | (byte(at + i) & 0x3F);
    }
    return {c, length};
}

// Blank as the window's toolkit trims it: ASCII blanks and controls \t to \r,
// NEL, and Unicode's space, line and paragraph separators.
bool IsBlank(char32_t c)
{
    return c == 0x20 || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

std::string Trimmed(std::string_view text)
{
    std::size_t begin = 0, end = 0; // end: just after the last code point that is no blank
    for (std::size_t at = 0; at < text.size();) {
        const auto [c, length] = CodePoint(text, at);
        if (!IsBlank(c))
            end = at + length;
        else if (end == 0 && begin == at)
            begin = at + length;
        at += length;
    }
    return std::string(text.substr(begin, std::max(begin, end) - begin));
}

std::string Cell(std::string_view text)
{
    if (text.find_first_of("\t\n\r") == std::string_view::npos && !text.starts_with('"'))
        return std::string(text);
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1);
    return quoted + '"';
}

// Cells keep their blanks as the window shows them ("Portata  Q"), where HTML
// would fold a run of blanks into one.
std::string HtmlRow(std::string_view tag, std::string_view a, std::string_view b, std::string_view c)
{
    std::string row = "<tr>";
    for (std::string_view cell : {a, b, c})
        row += "<" + std::string(tag) + " style=\"white-space:pre-wrap\">" + HtmlEscaped(cell) + "</" +
               std::string(tag) + ">";
    return row + "</tr>\n";
}

// Calls row(heading) for each section, then row(caption, text, unit) for its rows.
template <typename Heading, typename Row>
void EachSection(const RecordTable& table, Heading heading, Row row)
{
    heading(EntriesHeading);
    for (const RecordRow& r : table.entries)
        row(r);
    heading(ResultsHeading);
    for (const RecordRow& r : table.results)
        row(r);
}

} // namespace

std::string HtmlEscaped(std::string_view text)
{
    std::string out;
    for (char c : text)
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : std::string(1, c);
    return out;
}

RecordTable RecordOf(const BoxTexts& boxes)
{
    RecordTable table;
    for (std::size_t i = 0; i < Entries.size(); ++i)
        table.entries[i] = {Entries[i].caption, Trimmed(boxes[i]), Entries[i].unit};
    for (std::size_t row = 0; row < Results.size(); ++row) {
        const std::size_t i = ResultsOnScreen[row];
        table.results[row] = {Results[i].caption, Trimmed(boxes[EntryCount + i]), Results[i].unit};
    }
    return table;
}

std::string PrintedValue(std::string_view text, std::size_t longest)
{
    std::size_t kept = 0, at = 0; // characters, and the bytes they take
    for (; at < text.size() && kept < longest; ++kept)
        at += CodePoint(text, at).second;
    if (at == text.size())
        return std::string(text);
    std::size_t left = 0;
    for (std::size_t rest = at; rest < text.size(); ++left)
        rest += CodePoint(text, rest).second;
    return std::string(text.substr(0, at)) + "…(+" + std::to_string(left) + (left == 1 ? " carattere)" : " caratteri)");
}

RecordTable PrintedTable(RecordTable table)
{
    for (RecordRow& row : table.entries)
        row.text = PrintedValue(row.text);
    for (RecordRow& row : table.results)
        row.text = PrintedValue(row.text);
    return table;
}

std::string RecordText(const RecordTable& table)
{
    std::string text = std::string(RecordHeader[0]) + '\t' + std::string(RecordHeader[1]) + '\t' +
                       std::string(RecordHeader[2]) + '\n';
    EachSection(
        table, [&](std::string_view heading) { text += std::string(heading) + '\n'; },
        [&](const RecordRow& r) { text += Cell(r.caption) + '\t' + Cell(r.text) + '\t' + Cell(r.unit) + '\n'; });
    return text;
}

std::string RecordHtmlTable(const RecordTable& table)
{
    std::string html = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"1\" style=\"border-collapse:collapse\">\n" +
                       HtmlRow("th", RecordHeader[0], RecordHeader[1], RecordHeader[2]);
    EachSection(
        table,
        [&](std::string_view heading) {
            html += "<tr><th colspan=\"3\" align=\"left\">" + HtmlEscaped(heading) + "</th></tr>\n";
        },
        [&](const RecordRow& r) { html += HtmlRow("td", r.caption, r.text, r.unit); });
    return html + "</table>\n";
}

std::string RecordHtml(const RecordTable& table)
{
    return "<html><head><meta charset=\"utf-8\"></head><body>\n" + RecordHtmlTable(table) + "</body></html>\n";
}

std::string RecordRefusal(const RecordedRun* lastRun, const BoxTexts& now)
{
    const std::string press = "premere Calcola prima di copiare o salvare la prova.";
    if (!lastRun)
        return "Nessun calcolo da registrare: " + press;
    if (!std::equal(now.begin(), now.begin() + EntryCount, lastRun->texts.begin()))
        return "I dati in ingresso sono stati modificati dopo l'ultimo calcolo: " + press;
    if (!lastRun->computed)
        return "L'ultimo calcolo non ha prodotto risultati, quindi i dati in uscita non corrispondono ai dati in "
               "ingresso: correggere i dati in ingresso e " + press;
    if (now != lastRun->texts)
        return "I dati in uscita sono stati modificati dopo l'ultimo calcolo: " + press;
    return {};
}

} // namespace calorvin
