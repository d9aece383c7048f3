// Fuzzes one whole evaluation run. The input holds the eight entry texts
// separated by '|' (missing ones are empty, a ninth part and on is ignored).

#include "evaluation.h"
#include "fuzz_checks.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The warning texts in table order, one per entry.
constexpr std::array<std::string_view, calorvin::EntryCount> WarningTable = {
    "Il valore immesso del peso iniziale deve essere maggiore di zero",
    "Il valore immesso del peso finale deve essere maggiore o uguale a zero",
    "Il valore immesso della massa del combustibile in kg/h deve essere maggiore di zero",
    "Il valore immesso del potere calorifico del combustibile deve essere maggiore di zero",
    "Il valore immesso del salto termico deve essere maggiore di zero",
    "Il valore immesso della portata in l/h deve essere maggiore di zero",
    "Il valore immesso del rendimento deve essere maggiore di zero",
    "Il valore della media del CO normalizzato al 13% deve essere maggiore di zero",
};

std::array<double, calorvin::EntryCount> Values(const calorvin::EvaluationInputs& in)
{
    return {in.Pin, in.Pout, in.B, in.H, in.N, in.Q, in.Eta, in.CO};
}

std::array<double, calorvin::ResultCount> Values(const calorvin::EvaluationResults& r)
{
    return {r.P, r.Mw, r.Pw, r.Pa, r.COppm, r.Dp, r.Etaw};
}

bool SameOutcome(const calorvin::EvaluationOutcome& a, const calorvin::EvaluationOutcome& b)
{
    const auto ia = Values(a.inputs), ib = Values(b.inputs);
    for (int i = 0; i < calorvin::EntryCount; ++i)
        if (!fuzz::SameBits(ia[i], ib[i]))
            return false;
    if (a.computed != b.computed || a.warnings != b.warnings || a.resultTexts != b.resultTexts)
        return false;
    if (!a.computed)
        return true;
    const auto ra = Values(a.results), rb = Values(b.results);
    for (int i = 0; i < calorvin::ResultCount; ++i)
        if (!fuzz::SameBits(ra[i], rb[i]) && !(std::isnan(ra[i]) && std::isnan(rb[i])))
            return false;
    return true;
}

void CheckOutcome(const std::array<std::string_view, calorvin::EntryCount>& texts,
                  const calorvin::EvaluationOutcome& out, std::string_view separator)
{
    // Every entry is read as the entry conversion reads it.
    const auto in = Values(out.inputs);
    for (int i = 0; i < calorvin::EntryCount; ++i)
        FUZZ_CHECK(fuzz::SameBits(in[i], calorvin::ReadEntryNumber(texts[i])));

    // Warnings: table texts, in table order, none twice, exactly the checks that fire.
    std::vector<int> fired;
    for (std::string_view warning : out.warnings) {
        int row = -1;
        for (int i = 0; i < calorvin::EntryCount; ++i)
            if (warning == WarningTable[i])
                row = i;
        FUZZ_CHECK(row >= 0);
        FUZZ_CHECK(fired.empty() || fired.back() < row);
        fired.push_back(row);
    }
    std::vector<int> expected;
    for (int i = 0; i < calorvin::EntryCount; ++i)
        if (i == 1 ? in[i] < 0 : in[i] <= 0)
            expected.push_back(i);
    FUZZ_CHECK(fired == expected);
    FUZZ_CHECK(out.warnings == calorvin::CheckEntries(out.inputs));

    // The results are computed exactly when none of the first six checks fires.
    const bool gate = expected.empty() || expected.front() >= 6;
    FUZZ_CHECK(out.computed == gate);
    if (!out.computed)
        return;

    // Each result follows from the entries, and its text from the result.
    const calorvin::EvaluationInputs& e = out.inputs;
    const double P = ((e.Eta * e.B) * e.H) / 360000;
    const double Pw = (e.Q * e.N) / 860;
    const std::array<double, calorvin::ResultCount> want = {
        P, e.Q, Pw, P - Pw, e.CO / 1.25, e.Pin - e.Pout, (Pw / P) * 100};
    const auto got = Values(out.results);
    for (int i = 0; i < calorvin::ResultCount; ++i) {
        FUZZ_CHECK(fuzz::SameBits(got[i], want[i]) || (std::isnan(got[i]) && std::isnan(want[i])));
        const std::string& text = out.resultTexts[i];
        FUZZ_CHECK(text == calorvin::FormatResult(got[i], separator));
        FUZZ_CHECK(text.empty() == !std::isfinite(got[i]));
        FUZZ_CHECK(!fuzz::ContainsNoCase(text, "inf") && !fuzz::ContainsNoCase(text, "nan"));
        if (separator == ",")
            FUZZ_CHECK(text.find('.') == std::string::npos);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Each entry gets a buffer of exactly its own size, so that reading past
    // its end is caught by AddressSanitizer.
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::array<std::unique_ptr<char[]>, calorvin::EntryCount> buffers;
    std::array<std::string_view, calorvin::EntryCount> texts;
    std::size_t start = 0;
    for (int i = 0; i < calorvin::EntryCount && start <= input.size(); ++i) {
        std::size_t end = input.find('|', start);
        if (end == std::string_view::npos)
            end = input.size();
        const std::string_view part = input.substr(start, end - start);
        buffers[i] = std::make_unique<char[]>(part.size());
        std::memcpy(buffers[i].get(), part.data(), part.size());
        texts[i] = std::string_view(buffers[i].get(), part.size());
        start = end + 1;
    }

    const calorvin::EvaluationOutcome point = calorvin::Evaluate(texts, ".");
    CheckOutcome(texts, point, ".");
    const calorvin::EvaluationOutcome comma = calorvin::Evaluate(texts, ",");
    CheckOutcome(texts, comma, ",");

    // The separator changes nothing but the result texts.
    FUZZ_CHECK(point.computed == comma.computed && point.warnings == comma.warnings);
    for (int i = 0; i < calorvin::ResultCount; ++i) {
        std::string swapped = point.resultTexts[i];
        for (char& c : swapped)
            if (c == '.')
                c = ',';
        FUZZ_CHECK(swapped == comma.resultTexts[i]);
    }

    // The process locale changes nothing at all.
    const calorvin::EvaluationOutcome underComma =
        fuzz::Comma().Under([&] { return calorvin::Evaluate(texts, "."); });
    FUZZ_CHECK(SameOutcome(point, underComma));

    // Every finite result has a text that passes the result-text checks.
    if (point.computed)
        for (double result : Values(point.results))
            fuzz::CheckResultText(result);
    return 0;
}
