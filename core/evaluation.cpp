#include "evaluation.h"

#include "conversions.h"
#include "quantities.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace calorvin {

std::vector<std::string_view> CheckEntries(const EvaluationInputs& in)
{
    std::vector<std::string_view> warnings;
    for (const EntryQuantity& entry : Entries)
        if (CheckFires(entry, in.*entry.field))
            warnings.push_back(entry.warning);
    return warnings;
}

EvaluationOutcome Evaluate(const std::array<std::string_view, EntryCount>& entryTexts,
                           std::string_view decimalSeparator)
{
    EvaluationInputs in;
    for (std::size_t i = 0; i < Entries.size(); ++i)
        in.*Entries[i].field = ReadEntryNumber(entryTexts[i]);
    return Evaluate(in, decimalSeparator);
}

EvaluationOutcome Evaluate(const EvaluationInputs& inputs, std::string_view decimalSeparator)
{
    EvaluationOutcome out;
    out.inputs = inputs;
    const EvaluationInputs& in = out.inputs;

    out.computed = std::none_of(Entries.begin(), Entries.end(), [&in](const EntryQuantity& entry) {
        return entry.gates && CheckFires(entry, in.*entry.field);
    });
    if (out.computed) {
        EvaluationResults& r = out.results;
        // Bracketing as the window shows the formulas, so the 15th digit agrees.
        r.P = ((in.Eta * in.B) * in.H) / 360000;
        r.Mw = in.Q; // one litre of water counts as one kilogram
        r.Pw = (r.Mw * in.N) / 860;
        r.Pa = r.P - r.Pw;
        r.COppm = in.CO / 1.25;
        r.Dp = in.Pin - in.Pout;
        // A share of a power that has no value has none either: with P at 0
        // or without a finite value (Pw / infinity would read 0), it shows empty.
        r.Etaw = std::isfinite(r.P) ? (r.Pw / r.P) * 100 : std::numeric_limits<double>::quiet_NaN();
        for (std::size_t i = 0; i < Results.size(); ++i)
            out.resultTexts[i] = FormatResult(r.*Results[i].field, decimalSeparator);
    }

    out.warnings = CheckEntries(in);
    return out;
}

} // namespace calorvin
