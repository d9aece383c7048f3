#include "form.h"

#include "quantities.h"

#include <cstdio>

namespace calorvin {

std::string RecordDate(const DateTime& when)
{
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d", when.day, when.month, when.year, when.hour,
                  when.minute);
    return text;
}

std::string PrintedRecord::BodyHtml() const
{
    std::string html = RecordHtmlTable(table);
    if (warnings.empty())
        return html;
    html += "<p><b>" + HtmlEscaped(WarningTitle) + "</b></p><ul>";
    for (std::string_view warning : warnings)
        html += "<li>" + HtmlEscaped(warning) + "</li>";
    return html + "</ul>";
}

std::pair<std::size_t, std::size_t> RunAt(std::u16string_view text, std::size_t at)
{
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    std::size_t start = std::min(at, text.size()), end = start;
    const bool onBlanks = (start >= text.size() || blank(text[start])) && (start == 0 || blank(text[start - 1]));
    while (start > 0 && blank(text[start - 1]) == onBlanks)
        --start;
    while (end < text.size() && blank(text[end]) == onBlanks)
        ++end;
    return {start, end};
}

std::u16string Tooltip(std::u16string_view text)
{
    constexpr std::size_t Longest = 1000;
    return text.size() > Longest ? std::u16string(text.substr(0, Longest)) + u'\u2026' : std::u16string(text);
}

Form::Form(const std::array<std::size_t, BoxCount>& order) : m_order(order) {}

Calculation Form::Calcola(std::string_view decimalSeparator)
{
    std::array<std::string_view, EntryCount> entries;
    std::copy_n(m_texts.begin(), EntryCount, entries.begin());
    EvaluationOutcome outcome = Evaluate(entries, decimalSeparator);
    Calculation run{outcome.computed, {}, std::move(outcome.warnings)};
    for (std::size_t i = 0; run.computed && i < outcome.resultTexts.size(); ++i) {
        m_texts[EntryCount + i] = outcome.resultTexts[i];
        run.writes.push_back({EntryCount + i, std::move(outcome.resultTexts[i])});
    }
    m_lastRun = Run{{m_texts, run.computed}, run.warnings};
    return run;
}

std::vector<BoxWrite> Form::Cancella()
{
    std::vector<BoxWrite> writes;
    for (std::size_t box : m_order) {
        m_texts[box] = " ";
        writes.push_back({box, " "});
    }
    m_lastRun.reset(); // its figures and warnings are gone from the window
    return writes;
}

// A copy or a page never puts figures on file that do not belong together:
// entries changed after the run, results typed over, or results left from
// an earlier run.
std::string Form::Refusal() const
{
    return RecordRefusal(m_lastRun ? &m_lastRun->recorded : nullptr, m_texts);
}

PrintedRecord Form::Printed(std::string_view title, const DateTime& when) const
{
    return {std::string(title), RecordDate(when), PrintedTable(Record()),
            m_lastRun ? m_lastRun->warnings : std::vector<std::string_view>{}};
}

} // namespace calorvin
