// The WebAssembly core as the page's script calls it: each function declared
// once below with its types, answering with plain objects and arrays. The
// form is the core's (form.h); the script passes the boxes' texts and shows
// what comes back.

#include "batch.h"
#include "form.h"
#include "layout.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

using emscripten::val;

// Cancella blanks the boxes in the window's order.
calorvin::Form form(calorvin::layout::ClearOrder);

template <typename Texts>
val List(const Texts& texts)
{
    val list = val::array();
    for (const auto& text : texts)
        list.call<void>("push", std::string(text));
    return list;
}

val Writes(const std::vector<calorvin::BoxWrite>& writes)
{
    val list = val::array();
    for (const calorvin::BoxWrite& w : writes) {
        val write = val::object();
        write.set("box", static_cast<int>(w.box));
        write.set("text", w.text);
        list.call<void>("push", write);
    }
    return list;
}

// The fifteen texts the script read from the boxes: entries, then results.
void Pass(const val& texts)
{
    const std::vector<std::string> given = emscripten::vecFromJSArray<std::string>(texts);
    calorvin::BoxTexts boxes;
    for (std::size_t i = 0; i < boxes.size() && i < given.size(); ++i)
        boxes[i] = given[i];
    form.Set(boxes);
}

// {computed, writes: [{box, text}], warnings: [text]}
val Calcola(const val& texts, const std::string& decimalSeparator)
{
    Pass(texts);
    const calorvin::Calculation run = form.Calcola(decimalSeparator);
    val answer = val::object();
    answer.set("computed", run.computed);
    answer.set("writes", Writes(run.writes));
    answer.set("warnings", List(run.warnings));
    return answer;
}

val Cancella()
{
    return Writes(form.Cancella());
}

// {refusal} when the boxes cannot go on record, else {text, html}.
val Record(const val& texts)
{
    Pass(texts);
    val answer = val::object();
    if (std::string why = form.Refusal(); !why.empty())
        return answer.set("refusal", why), answer;
    const calorvin::RecordTable table = form.Record();
    answer.set("text", calorvin::RecordText(table));
    answer.set("html", calorvin::RecordHtml(table));
    return answer;
}

// The printed record: {heading (HTML: title, then date), margin (mm), gap (px)}, then {refusal}
// when the boxes cannot go on record, else {body} (HTML).
val Printed(const val& texts, const std::string& title, const val& when)
{
    Pass(texts);
    const std::vector<int> t = emscripten::vecFromJSArray<int>(when); // year, month, day, hour, minute
    const calorvin::PrintedRecord record = form.Printed(title, {t.at(0), t.at(1), t.at(2), t.at(3), t.at(4)});
    val answer = val::object();
    answer.set("heading", "<span>" + calorvin::HtmlEscaped(record.title) + "</span><span>" +
                              calorvin::HtmlEscaped(record.date) + "</span>");
    answer.set("margin", calorvin::PrintedRecord::MarginMm);
    answer.set("gap", calorvin::PrintedRecord::GapPixels);
    if (std::string why = form.Refusal(); !why.empty())
        answer.set("refusal", why);
    else
        answer.set("body", record.BodyHtml());
    return answer;
}

// A CSV file's bytes, named as the user chose it: {status, csv, message}, the
// message what the box shows of standard error's lines: the first twenty,
// and how many there are when more; empty when none.
val Batch(const std::string& name, const std::string& bytes, const std::string& decimalSeparator)
{
    std::istringstream in(bytes);
    std::ostringstream out, err;
    const int status = calorvin::EvaluateBatch(in, out, err, decimalSeparator, name);
    std::string message, line;
    std::size_t lines = 0;
    for (std::istringstream messages(err.str()); std::getline(messages, line); ++lines)
        message += lines < 20 ? (lines ? "\n" : "") + line : "";
    if (lines > 20)
        message += "\n… (" + std::to_string(lines) + " righe)";
    val answer = val::object();
    answer.set("status", status);
    answer.set("csv", out.str());
    answer.set("message", message);
    return answer;
}

// [start, end) of what a double-click at `at` selects.
val RunAt(const std::u16string& text, int at)
{
    const auto [start, end] = calorvin::RunAt(text, static_cast<std::size_t>(std::max(at, 0)));
    val run = val::array();
    run.call<void>("push", static_cast<int>(start));
    run.call<void>("push", static_cast<int>(end));
    return run;
}

} // namespace

EMSCRIPTEN_BINDINGS(calorvin)
{
    emscripten::function("calcola", &Calcola);
    emscripten::function("cancella", &Cancella);
    emscripten::function("record", &Record);
    emscripten::function("printed", &Printed);
    emscripten::function("batch", &Batch);
    emscripten::function("runAt", &RunAt);
    emscripten::function("tooltip", &calorvin::Tooltip);
}
