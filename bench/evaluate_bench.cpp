// Evaluate on the reference entries against a naive baseline that parses with
// strtod and formats with snprintf("%.15G"), measured in the same run; the
// machine is shared, so the ratio is the figure that counts. The CSV batch is
// measured the same way, against Evaluate alone on the same entries.
#include "batch.h"
#include "evaluation.h"
#include "summary.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <map>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

using calorvin::EntryCount;

const std::array<std::string, EntryCount> ReferenceEntries = {"20", "5", "45", "500",
                                                              "20", "100", "80", "250"};

std::array<std::string_view, EntryCount> Views(const std::array<std::string, EntryCount>& texts)
{
    std::array<std::string_view, EntryCount> views;
    for (std::size_t i = 0; i < views.size(); ++i)
        views[i] = texts[i];
    return views;
}

void BM_Evaluate(benchmark::State& state)
{
    const auto texts = Views(ReferenceEntries);
    for (auto _ : state) {
        auto outcome = calorvin::Evaluate(texts, ".");
        benchmark::DoNotOptimize(outcome);
    }
}

// What a first attempt would write: C library conversions, same formulas.
void BM_NaiveBaseline(benchmark::State& state)
{
    for (auto _ : state) {
        double v[EntryCount];
        for (std::size_t i = 0; i < EntryCount; ++i)
            v[i] = std::strtod(ReferenceEntries[i].c_str(), nullptr);
        const double P = ((v[6] * v[2]) * v[3]) / 360000;
        const double Mw = v[5];
        const double Pw = (Mw * v[4]) / 860;
        const double results[] = {P, Mw, Pw, P - Pw, v[7] / 1.25, v[0] - v[1], (Pw / P) * 100};
        std::array<std::string, calorvin::ResultCount> texts;
        char buffer[32];
        for (std::size_t i = 0; i < texts.size(); ++i) {
            std::snprintf(buffer, sizeof buffer, "%.15G", results[i]);
            texts[i] = buffer;
        }
        std::vector<std::string_view> warnings;
        for (double x : v)
            if (x <= 0)
                warnings.push_back("warning");
        benchmark::DoNotOptimize(texts);
        benchmark::DoNotOptimize(warnings);
    }
}

// A megabyte pasted into one box must not stall the run.
void BM_EvaluateMegabyte(benchmark::State& state, char fill)
{
    auto entries = ReferenceEntries;
    entries[3] = "500" + std::string(1 << 20, fill);
    const auto texts = Views(entries);
    for (auto _ : state) {
        auto outcome = calorvin::Evaluate(texts, ".");
        benchmark::DoNotOptimize(outcome);
    }
}

// A million CSV lines: the reference test, one with decimals, one that fails
// the gate (warnings, no results) and one with every field quoted.
constexpr std::int64_t BatchLines = 1'000'000;
const std::array<std::array<std::string_view, EntryCount>, 4> BatchEntries = {{
    {"20", "5", "45", "500", "20", "100", "80", "250"},
    {"18.5", "3.25", "2.4", "18500", "15.5", "250", "88.4", "120.5"},
    {"", "5", "45", "500", "20", "100", "80", "250"},
    {"20", "5", "45", "500", "20", "100", "80", "250"},
}};

const std::string& BatchInput()
{
    static const std::string input = [] {
        std::string text;
        for (std::int64_t i = 0; i < BatchLines; ++i) {
            const std::size_t variant = static_cast<std::size_t>(i) % BatchEntries.size();
            const bool quoted = variant == BatchEntries.size() - 1;
            for (std::string_view entry : BatchEntries[variant]) {
                text += quoted ? "\"" : "";
                text += entry;
                text += quoted ? "\";" : ";";
            }
            text.back() = '\n';
        }
        return text;
    }();
    return input;
}

// Reads a string in place; writes nowhere, counting what it is given.
class MemoryIn : public std::streambuf {
public:
    explicit MemoryIn(const std::string& text)
    {
        char* begin = const_cast<char*>(text.data()); // never written: get area only
        setg(begin, begin, begin + text.size());
    }
};
class CountingOut : public std::streambuf {
public:
    std::size_t bytes = 0;

protected:
    int overflow(int c) override
    {
        ++bytes;
        return c;
    }
    std::streamsize xsputn(const char*, std::streamsize n) override
    {
        bytes += static_cast<std::size_t>(n);
        return n;
    }
};

void BM_Batch(benchmark::State& state)
{
    const std::string& input = BatchInput();
    for (auto _ : state) {
        MemoryIn inBuf(input);
        CountingOut outBuf, errBuf;
        std::istream in(&inBuf);
        std::ostream out(&outBuf), err(&errBuf);
        const int status = calorvin::EvaluateBatch(in, out, err, ".");
        if (status != 0 || errBuf.bytes != 0)
            state.SkipWithError("the batch refused or misread a line");
        benchmark::DoNotOptimize(outBuf.bytes);
    }
    state.SetItemsProcessed(state.iterations() * BatchLines); // items/s: lines per second
}

// The same entries, already split, through Evaluate alone.
void BM_BatchEvaluateAloneBaseline(benchmark::State& state)
{
    for (auto _ : state) {
        for (std::int64_t i = 0; i < BatchLines; ++i) {
            auto outcome = calorvin::Evaluate(
                BatchEntries[static_cast<std::size_t>(i) % BatchEntries.size()], ".");
            benchmark::DoNotOptimize(outcome);
        }
    }
    state.SetItemsProcessed(state.iterations() * BatchLines);
}

BENCHMARK(BM_Evaluate);
BENCHMARK(BM_NaiveBaseline);
// Seconds, a unit of their own: the script compares them with each other only.
BENCHMARK(BM_Batch)->Unit(benchmark::kSecond);
BENCHMARK(BM_BatchEvaluateAloneBaseline)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_EvaluateMegabyte, digits, '7')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EvaluateMegabyte, blanks, ' ')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EvaluateMegabyte, letters, 'x')->Unit(benchmark::kMillisecond);

// Every repetition's time of each benchmark, printed as rows at the end. A
// benchmark whose name ends in Baseline is the baseline of the others in its
// unit; their notes give the ratio of the medians and the goal where there is one.
class RowReporter : public benchmark::BenchmarkReporter {
public:
    struct Case {
        std::string name;
        std::string unit;
        std::vector<double> times;
    };
    std::vector<Case> cases;
    std::vector<std::string> failed;

    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name + run.run_name.args;
            if (run.error_occurred)
                failed.push_back(name + ": " + run.error_message);
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            auto found = std::find_if(cases.begin(), cases.end(), [&](const Case& c) { return c.name == name; });
            if (found == cases.end())
                found = cases.insert(cases.end(), {name, benchmark::GetTimeUnitString(run.time_unit), {}});
            found->times.push_back(run.GetAdjustedRealTime());
        }
    }
};

const std::map<std::string, double> Goals = {{"BM_Evaluate", 1.5}, {"BM_Batch", 2.0}};

} // namespace

int main(int argc, char** argv)
{
    // Repetitions, randomly interleaved, so that both sides see the same noise.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=12";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, {repetitions.data(), interleave.data()});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    RowReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const std::string& failure : reporter.failed)
        std::fprintf(stderr, "calorvin_evaluate_bench: %s\n", failure.c_str());

    using calorvin::bench::Summarise;
    calorvin::bench::PrintHeader();
    for (const auto& c : reporter.cases) {
        std::string note;
        const auto base = std::find_if(reporter.cases.begin(), reporter.cases.end(), [&](const auto& b) {
            return b.unit == c.unit && b.name.ends_with("Baseline");
        });
        if (base != reporter.cases.end() && &*base == &c)
            note = "baseline";
        else if (base != reporter.cases.end()) {
            const double ratio = Summarise(c.times).median / Summarise(base->times).median;
            char text[160];
            std::snprintf(text, sizeof text, "%.2fx %s", ratio, base->name.c_str());
            note = text;
            if (const auto goal = Goals.find(c.name); goal != Goals.end()) {
                std::snprintf(text, sizeof text, "; goal <= %.2fx: %s", goal->second,
                              ratio <= goal->second ? "met" : "MISSED");
                note += text;
            }
        }
        calorvin::bench::PrintRow("core: Evaluate", c.name, c.times, c.unit.c_str(), note);
    }
    return reporter.failed.empty() ? 0 : 1;
}
