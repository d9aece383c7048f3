#pragma once

// The one summary every benchmark prints of its repeated measurements: one
// row per case with the median, quartiles and range, and a note (the ratio to
// a baseline, a goal). scripts/bench.sh shows the rows of all of them as one
// table under the header.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace calorvin::bench {

struct Summary {
    double median = 0;
    double q1 = 0;
    double q3 = 0;
    double min = 0;
    double max = 0;
};

// Quantiles interpolated between the sorted values; values must not be empty.
inline Summary Summarise(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        const double pos = q * static_cast<double>(values.size() - 1);
        const auto lo = static_cast<std::size_t>(std::floor(pos));
        const auto hi = static_cast<std::size_t>(std::ceil(pos));
        return values[lo] + (values[hi] - values[lo]) * (pos - static_cast<double>(lo));
    };
    return {at(0.5), at(0.25), at(0.75), values.front(), values.back()};
}

inline void PrintHeader()
{
    std::printf("%-30s %-30s %4s %10s %10s %10s %10s %10s %-4s %s\n", "benchmark", "case", "runs", "median", "q1",
                "q3", "min", "max", "unit", "note");
}

inline void PrintRow(const std::string& benchmark, const std::string& name, const std::vector<double>& values,
                     const char* unit, const std::string& note)
{
    const Summary s = Summarise(values);
    std::printf("%-30s %-30s %4zu %10.4g %10.4g %10.4g %10.4g %10.4g %-4s %s\n", benchmark.c_str(), name.c_str(),
                values.size(), s.median, s.q1, s.q3, s.min, s.max, unit, note.c_str());
}

} // namespace calorvin::bench
