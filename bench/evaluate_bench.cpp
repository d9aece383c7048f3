// Evaluate on the reference entries against a naive baseline that parses with
// strtod and formats with snprintf("%.15G"), measured in the same run; the
// machine is shared, so the ratio is the figure that counts. The CSV batch is
// measured the same way, against Evaluate alone on the same entries.
#include "batch.h"
#include "evaluation.h"

#include <benchmark/benchmark.h>

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

// Keeps the median of each benchmark's repetitions to print the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name + run.run_name.args] =
                    run.GetAdjustedRealTime();
    }
    std::map<std::string, double> medians;
};

} // namespace

int main(int argc, char** argv)
{
    // Repetitions, randomly interleaved, so that both sides see the same noise.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=12";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    args.insert(args.begin() + 1, {repetitions.data(), interleave.data(), aggregates.data()});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto evaluate = reporter.medians.find("BM_Evaluate");
    const auto naive = reporter.medians.find("BM_NaiveBaseline");
    if (evaluate != reporter.medians.end() && naive != reporter.medians.end())
        std::printf("\nEvaluate / naive baseline (medians): %.2f (goal: at most 1.50)\n",
                    evaluate->second / naive->second);
    const auto batch = reporter.medians.find("BM_Batch");
    const auto alone = reporter.medians.find("BM_BatchEvaluateAloneBaseline");
    if (batch != reporter.medians.end() && alone != reporter.medians.end())
        std::printf("Batch %.0f lines/s, Evaluate alone %.0f lines/s; batch / Evaluate alone "
                    "per line (medians): %.2f (goal: at most 2.00)\n",
                    BatchLines / batch->second, BatchLines / alone->second,
                    batch->second / alone->second);
    return 0;
}
