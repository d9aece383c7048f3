#pragma once

// What the fifteen quantities of a test are, once: the eight entries with
// their check and warning, the seven results with their place in the window.
// The evaluation, the entry checks, the batch's columns, the record's rows and
// the window's boxes all read these two tables.

#include <array>
#include <cstddef>
#include <string_view>

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

struct EntryQuantity {
    std::string_view symbol;  // CSV column name and field of EvaluationInputs
    std::string_view caption; // as the window names it, with the "2" of O2
    std::string_view unit;    // without brackets
    double EvaluationInputs::*field;
    bool zeroAllowed;         // the check fires below zero, else at zero or below
    bool gates;               // the results are computed only while this check holds
    std::string_view warning; // the text of the check's warning box
};

struct ResultQuantity {
    std::string_view symbol;  // CSV column name and field of EvaluationResults
    std::string_view caption; // as the window names it, with the "2" of O2
    std::string_view unit;    // without brackets, as the window shows it
    double EvaluationResults::*field;
    int row;                  // the box's row in the window's result column, top first
};

// Positions in Entries and in Results, for tables that name a quantity.
namespace entry {
enum : std::size_t { Pin, Pout, B, H, N, Q, Eta, CO };
}
namespace result {
enum : std::size_t { P, Mw, Pw, Pa, COppm, Dp, Etaw };
}

// In the order of EvaluationInputs: the order entries are read and checked.
// Efficiency and CO only warn; they never hold back the results.
inline constexpr std::array Entries = std::to_array<EntryQuantity>({
    {"Pin", "Peso Iniziale", "kg", &EvaluationInputs::Pin, false, true,
     "Il valore immesso del peso iniziale deve essere maggiore di zero"},
    {"Pout", "Peso Finale", "kg", &EvaluationInputs::Pout, true, true,
     "Il valore immesso del peso finale deve essere maggiore o uguale a zero"},
    {"B", "Massa Comb. B", "kg/h", &EvaluationInputs::B, false, true,
     "Il valore immesso della massa del combustibile in kg/h deve essere maggiore di zero"},
    {"H", "Potere Calorif. H", "kJ/kg", &EvaluationInputs::H, false, true,
     "Il valore immesso del potere calorifico del combustibile deve essere maggiore di zero"},
    {"N", "Salto Termico N", "K o °C", &EvaluationInputs::N, false, true,
     "Il valore immesso del salto termico deve essere maggiore di zero"},
    {"Q", "Portata  Q", "l/h", &EvaluationInputs::Q, false, true,
     "Il valore immesso della portata in l/h deve essere maggiore di zero"},
    {"Eta", "Rendimento Comb.", "%", &EvaluationInputs::Eta, false, false,
     "Il valore immesso del rendimento deve essere maggiore di zero"},
    {"CO", "CO al 13% di O2", "mg/m³", &EvaluationInputs::CO, false, false,
     "Il valore della media del CO normalizzato al 13% deve essere maggiore di zero"},
});

// In the order of EvaluationResults: the order results are computed and written.
inline constexpr std::array Results = std::to_array<ResultQuantity>({
    {"P", "Potenza Nominale P", "kw", &EvaluationResults::P, 1},
    {"Mw", "Portata Massica Mw", "kg/h", &EvaluationResults::Mw, 0},
    {"Pw", "Potenza all'acqua Pw", "kw", &EvaluationResults::Pw, 2},
    {"Pa", "Potenza all'aria Ph", "kw", &EvaluationResults::Pa, 3},
    {"COppm", "CO al 13% di O2", "ppm", &EvaluationResults::COppm, 5},
    {"Dp", "Differenza Peso", "kg", &EvaluationResults::Dp, 6},
    {"Etaw", "Rendimento all'Acqua", "%", &EvaluationResults::Etaw, 4},
});
inline constexpr int EntryCount = static_cast<int>(Entries.size());
inline constexpr int ResultCount = static_cast<int>(Results.size());

// The results in the window's top-to-bottom order: indices into Results.
inline constexpr std::array<std::size_t, ResultCount> ResultsOnScreen = [] {
    std::array<std::size_t, ResultCount> order{};
    for (std::size_t i = 0; i < Results.size(); ++i)
        order[static_cast<std::size_t>(Results[i].row)] = i;
    return order;
}();

static_assert(Entries[entry::CO].symbol == "CO" && Results[result::Etaw].symbol == "Etaw");

constexpr bool ResultRowsAreAPermutation()
{
    std::array<int, ResultCount> seen{};
    for (const ResultQuantity& r : Results)
        if (r.row < 0 || r.row >= ResultCount || seen[static_cast<std::size_t>(r.row)]++)
            return false;
    return true;
}
static_assert(ResultRowsAreAPermutation(), "each result has its own row in the window");

// Whether the entry's check fires for this value: zero is a valid final
// weight only, every other entry must be above zero.
constexpr bool CheckFires(const EntryQuantity& entry, double value)
{
    return entry.zeroAllowed ? value < 0 : value <= 0;
}

} // namespace calorvin
