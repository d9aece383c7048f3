#include "evaluation.h"

#include "conversions.h"

#include <cmath>
#include <limits>

namespace calorvin {

std::vector<std::string_view> CheckEntries(const EvaluationInputs& in)
{
    struct Check {
        bool fires;
        std::string_view text;
    };
    // Zero is a valid final weight; every other entry must be above zero.
    const Check checks[] = {
        {in.Pin <= 0, "Il valore immesso del peso iniziale deve essere maggiore di zero"},
        {in.Pout < 0, "Il valore immesso del peso finale deve essere maggiore o uguale a zero"},
        {in.B <= 0, "Il valore immesso della massa del combustibile in kg/h deve essere maggiore di zero"},
        {in.H <= 0, "Il valore immesso del potere calorifico del combustibile deve essere maggiore di zero"},
        {in.N <= 0, "Il valore immesso del salto termico deve essere maggiore di zero"},
        {in.Q <= 0, "Il valore immesso della portata in l/h deve essere maggiore di zero"},
        {in.Eta <= 0, "Il valore immesso del rendimento deve essere maggiore di zero"},
        {in.CO <= 0, "Il valore della media del CO normalizzato al 13% deve essere maggiore di zero"},
    };
    std::vector<std::string_view> warnings;
    for (const Check& check : checks)
        if (check.fires)
            warnings.push_back(check.text);
    return warnings;
}

EvaluationOutcome Evaluate(const std::array<std::string_view, EntryCount>& entryTexts,
                           std::string_view decimalSeparator)
{
    EvaluationInputs in;
    in.Pin = ReadEntryNumber(entryTexts[0]);
    in.Pout = ReadEntryNumber(entryTexts[1]);
    in.B = ReadEntryNumber(entryTexts[2]);
    in.H = ReadEntryNumber(entryTexts[3]);
    in.N = ReadEntryNumber(entryTexts[4]);
    in.Q = ReadEntryNumber(entryTexts[5]);
    in.Eta = ReadEntryNumber(entryTexts[6]);
    in.CO = ReadEntryNumber(entryTexts[7]);
    return Evaluate(in, decimalSeparator);
}

EvaluationOutcome Evaluate(const EvaluationInputs& inputs, std::string_view decimalSeparator)
{
    EvaluationOutcome out;
    out.inputs = inputs;
    const EvaluationInputs& in = out.inputs;

    // Efficiency and CO only warn; they never hold back the results.
    out.computed = in.Pin > 0 && in.Pout >= 0 && in.B > 0 && in.H > 0 && in.N > 0 && in.Q > 0;
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
        const double values[ResultCount] = {r.P, r.Mw, r.Pw, r.Pa, r.COppm, r.Dp, r.Etaw};
        for (int i = 0; i < ResultCount; ++i)
            out.resultTexts[i] = FormatResult(values[i], decimalSeparator);
    }

    out.warnings = CheckEntries(in);
    return out;
}

} // namespace calorvin
