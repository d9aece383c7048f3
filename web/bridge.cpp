// What the page's script calls in the WebAssembly module: the fifteen box
// texts go in one by one; "Calcola", the test on record and the batch come
// back as text. Every answer is the core's; the script only shows it.

#include "batch.h"
#include "evaluation.h"
#include "record_table.h"

#include <emscripten/emscripten.h>

#include <optional>
#include <sstream>
#include <string>

namespace {

using calorvin::BoxCount;
using calorvin::EntryCount;

calorvin::BoxTexts boxes; // as the script last set them: entries, then results
std::optional<calorvin::RecordedRun> lastRun; // none since start or Cancella
std::string answer; // what the last call returns, kept until the next one

const char* Answer(std::string text)
{
    answer = std::move(text);
    return answer.c_str();
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
    lastRun = calorvin::RecordedRun{boxes, outcome.computed};
    return Answer(out);
}

EMSCRIPTEN_KEEPALIVE void calorvin_clear()
{
    lastRun.reset();
}

// The test on record of the boxes set, as the window gives it: as
// tab-separated text (format 0) or as an HTML document holding a table
// (format 1); or, when it cannot go on record, '!' and the reason.
EMSCRIPTEN_KEEPALIVE const char* calorvin_record(int format)
{
    if (const std::string why = calorvin::RecordRefusal(lastRun ? &*lastRun : nullptr, boxes); !why.empty())
        return Answer("!" + why);
    const calorvin::RecordTable table = calorvin::RecordOf(boxes);
    return Answer(format ? calorvin::RecordHtml(table) : calorvin::RecordText(table));
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
