#pragma once

#include "quantities.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace calorvin {

// Everything one press of "Calcola" produces.
struct EvaluationOutcome {
    EvaluationInputs inputs;
    bool computed = false; // the gate held: results and texts are set
    EvaluationResults results;
    // Display texts in the order P, Mw, Pw, Pa, COppm, Dp, Etaw; the empty
    // text where a result has no finite value.
    std::array<std::string, ResultCount> resultTexts;
    std::vector<std::string_view> warnings; // in check order
};

// Title of every warning box.
inline constexpr std::string_view WarningTitle = "Attenzione !!!";

// The warnings that apply to these entries, in check order.
std::vector<std::string_view> CheckEntries(const EvaluationInputs& inputs);

// One run: reads the eight texts (order of EvaluationInputs), applies the
// gate, computes and formats the results, then checks the entries.
EvaluationOutcome Evaluate(const std::array<std::string_view, EntryCount>& entryTexts,
                           std::string_view decimalSeparator);

// The same run on entries already read with ReadEntryNumber.
EvaluationOutcome Evaluate(const EvaluationInputs& inputs, std::string_view decimalSeparator);

} // namespace calorvin
