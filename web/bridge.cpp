// What the page's script calls in the WebAssembly module: the fifteen box
// texts go in one by one; "Calcola", the test on record and the batch come
// back as text. Every answer is the core's; the script only shows it.

#include "page_data.h"

#include "batch.h"
#include "evaluation.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <sstream>
#include <string>

namespace {

using calorvin::web::BoxCount;
using calorvin::EntryCount;

// The boxes' texts in the order of the test on record: entries, then results.
std::array<std::string, BoxCount> boxes;
// The boxes as the last Calcola read and wrote them; none since Cancella.
std::array<std::string, BoxCount> lastRun;
bool hasRun = false;
bool lastComputed = false;
std::string answer; // what the last call returns, kept until the next one

const char* Answer(std::string text)
{
    answer = std::move(text);
    return answer.c_str();
}

std::string Cell(const std::string& text)
{
    if (text.find_first_of("\t\n\r") == std::string::npos && !text.starts_with('"'))
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string Html(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : std::string(1, c);
    return out;
}

// Why the boxes set cannot go on record, as the window says it: entries
// changed after the last Calcola, results typed over or left from an earlier
// run; empty when they can.
std::string Refusal()
{
    const std::string press = "premere Calcola prima di copiare o salvare la prova.";
    const auto entriesEnd = boxes.begin() + EntryCount;
    if (!hasRun)
        return "Nessun calcolo da registrare: " + press;
    if (!std::equal(boxes.begin(), entriesEnd, lastRun.begin()))
        return "I dati in ingresso sono stati modificati dopo l'ultimo calcolo: " + press;
    if (!lastComputed)
        return "L'ultimo calcolo non ha prodotto risultati, quindi i dati in uscita non corrispondono ai "
               "dati in ingresso: correggere i dati in ingresso e " + press;
    if (boxes != lastRun)
        return "I dati in uscita sono stati modificati dopo l'ultimo calcolo: " + press;
    return {};
}

std::string batchMessages; // what the last batch wrote to standard error

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void calorvin_set_box(int index, const char* text)
{
    if (index >= 0 && index < BoxCount)
        boxes[static_cast<std::size_t>(index)] = text;
}

// One "Calcola" on the boxes set: a line "1" when the results were computed
// and the seven result texts on the next lines, or "0"; then one line per
// warning, in check order.
EMSCRIPTEN_KEEPALIVE const char* calorvin_calculate(const char* decimalSeparator)
{
    std::array<std::string_view, calorvin::EntryCount> entries;
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = boxes[i];
    const calorvin::EvaluationOutcome outcome = calorvin::Evaluate(entries, decimalSeparator);
    std::string out = outcome.computed ? "1\n" : "0\n";
    for (std::size_t i = 0; outcome.computed && i < outcome.resultTexts.size(); ++i) {
        boxes[EntryCount + i] = outcome.resultTexts[i];
        out += outcome.resultTexts[i] + "\n";
    }
    for (std::string_view warning : outcome.warnings)
        out += std::string(warning) + "\n";
    lastRun = boxes;
    hasRun = true;
    lastComputed = outcome.computed;
    return Answer(out);
}

EMSCRIPTEN_KEEPALIVE void calorvin_clear()
{
    hasRun = false;
}

// The test on record of the boxes set: as tab-separated text (format 0) or as
// an HTML document holding a table (format 1); or, when it cannot go on
// record, '!' and the reason.
EMSCRIPTEN_KEEPALIVE const char* calorvin_record(int format)
{
    if (const std::string why = Refusal(); !why.empty())
        return Answer("!" + why);
    const auto rows = calorvin::web::RecordRows();
    std::string out = format ? "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                               "style=\"border-collapse:collapse\">\n"
                             : "";
    for (std::size_t i = 0; i < rows.size(); ++i)
        out += format ? "<tr><td>" + Html(rows[i].caption) + "</td><td>" + Html(boxes[i]) +
                            "</td><td>" + Html(rows[i].unit) + "</td></tr>\n"
                      : Cell(rows[i].caption) + "\t" + Cell(boxes[i]) + "\t" + Cell(rows[i].unit) + "\n";
    return Answer(format ? "<html><head><meta charset=\"utf-8\"></head><body>\n" + out +
                               "</table>\n</body></html>\n"
                         : out);
}

// The batch on a CSV file's bytes: the status, a line break, then the
// results CSV; calorvin_batch_messages() gives what went to standard error.
EMSCRIPTEN_KEEPALIVE const char* calorvin_batch(const char* bytes, int size, const char* decimalSeparator)
{
    std::istringstream in(std::string(bytes, static_cast<std::size_t>(size)));
    std::ostringstream out, err;
    const int status = calorvin::EvaluateBatch(in, out, err, decimalSeparator);
    batchMessages = err.str();
    return Answer(std::to_string(status) + "\n" + out.str());
}

EMSCRIPTEN_KEEPALIVE const char* calorvin_batch_messages()
{
    return batchMessages.c_str();
}

} // extern "C"
