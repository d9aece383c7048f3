#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace calorvin {

// The eight entries of a test, in the order the window reads them.
struct EvaluationInputs {
    double Pin = 0;  // initial fuel weight, kg
    double Pout = 0; // final fuel weight, kg
    double B = 0;    // fuel burnt per hour, kg/h
    double H = 0;    // calorific value, kJ/kg
    double N = 0;    // water temperature rise, K
    double Q = 0;    // water flow, l/h
    double Eta = 0;  // combustion efficiency, %
    double CO = 0;   // CO at 13 % O2, mg/m3
};

// The seven results, in the order they are computed and written.
struct EvaluationResults {
    double P = 0;     // nominal power, kW
    double Mw = 0;    // water mass flow, kg/h
    double Pw = 0;    // power to water, kW
    double Pa = 0;    // power to air, kW
    double COppm = 0; // CO, ppm
    double Dp = 0;    // weight difference, kg
    double Etaw = 0;  // water-side efficiency, %
};

inline constexpr int EntryCount = 8;
inline constexpr int ResultCount = 7;

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
