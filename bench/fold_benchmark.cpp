// The fold's cost per character: with the engine's bit-by-bit adder, and with
// plain native wrap-around arithmetic on the same codes, side by side.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"
#include "pelvaro/wrapping_arithmetic.h"

namespace {

constexpr std::size_t kTextLength = 4096;

std::u16string SampleText() {
    const std::u16string address = u"Some.Person+Tag@Example.COM;";
    std::u16string text;
    while (text.size() < kTextLength) text += address;
    text.resize(kTextLength);
    return text;
}

void SetPerCharacter(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * static_cast<benchmark::IterationCount>(kTextLength));
    // Seconds per character, shown with its SI prefix (ns).
    state.counters["per_char"] =
        benchmark::Counter(static_cast<double>(kTextLength),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The whole of WorkOutIdNumber: lower-casing, codes, and the engine's adder.
void BM_FoldWithEngineAdder(benchmark::State& state) {
    const auto services = pelvaro::TextServices::SystemAnsi();
    const std::u16string text = SampleText();
    for (auto _ : state) benchmark::DoNotOptimize(pelvaro::WorkOutIdNumber(text, services));
    SetPerCharacter(state);
}
BENCHMARK(BM_FoldWithEngineAdder);

// The same lower-casing and codes, folded with native unsigned arithmetic.
void BM_FoldWithNativeArithmetic(benchmark::State& state) {
    const auto services = pelvaro::TextServices::SystemAnsi();
    const std::u16string text = SampleText();
    for (auto _ : state) {
        std::uint32_t h = 0;
        for (const char16_t unit : services.LowerCase(text))
            h = h * 101u + static_cast<std::uint32_t>(services.AnsiCode(unit));
        benchmark::DoNotOptimize(h);
    }
    SetPerCharacter(state);
}
BENCHMARK(BM_FoldWithNativeArithmetic);

// One AddBits on its own, on values the optimiser cannot see through.
void BM_AddBits(benchmark::State& state) {
    std::int32_t a = 0x12345678;
    for (auto _ : state) {
        a = pelvaro::AddBits(a, 0x2468ACE1);
        benchmark::DoNotOptimize(a);
    }
}
BENCHMARK(BM_AddBits);

// Prints the usual table, then the engine fold's cost as a multiple of the native one.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto counter = run.counters.find("per_char");
            if (counter != run.counters.end()) nsPerChar_[run.benchmark_name()] = counter->second.value * 1e9;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double engine = nsPerChar_["BM_FoldWithEngineAdder"];
        const double native = nsPerChar_["BM_FoldWithNativeArithmetic"];
        if (engine > 0 && native > 0)
            std::printf("fold: %.2f ns/char with the engine's adder, %.2f ns/char native: ratio %.1f\n",
                        engine, native, engine / native);
    }

private:
    std::map<std::string, double> nsPerChar_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter(isatty(fileno(stdout)) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                  : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
