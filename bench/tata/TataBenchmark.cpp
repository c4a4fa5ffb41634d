// Stretches of 50 letters (the promoter window of the TATA-box element) scored per second by the
// brute-force reference and by the fast scanner. Run: <build>/bin/nolix-tata-bench
#include <tata_box_analysis/model/TataSiteScan.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

// Fixed-seed stretches, A/T-rich like promoters; with `unknown` one in 50 letters is N.
std::vector<std::string> stretches(bool unknown) {
    std::mt19937 rng(unknown ? 11 : 5);
    std::vector<std::string> out;
    for (int n = 0; n < 64; ++n) {
        std::string s;
        for (int i = 0; i < 50; ++i) {
            s += (unknown && rng() % 50 == 0) ? 'N' : "AATTACGT"[rng() % 8];
        }
        out.push_back(s);
    }
    return out;
}

template <Nx::TataSiteScore (*Best)(const char*)>
void scoreStretches(benchmark::State& state, bool unknown) {
    const std::vector<std::string> input = stretches(unknown);
    // The model's diagnostic lines for N would mix with the report: send them to /dev/null.
    std::fflush(stdout);
    const int savedStdout = dup(1);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 1);
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Best(input[next].c_str()));
        next = (next + 1) % input.size();
    }
    std::fflush(stdout);
    dup2(savedStdout, 1);
    close(savedStdout);
    close(devNull);
    state.counters["stretches/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Reference(benchmark::State& state) { scoreStretches<Nx::bestTataSiteReference>(state, false); }
void BM_Fast(benchmark::State& state) { scoreStretches<Nx::bestTataSite>(state, false); }
// Windows holding N fall back to the brute force (and print their diagnostics, sent to stdout).
void BM_FastWithUnknown(benchmark::State& state) { scoreStretches<Nx::bestTataSite>(state, true); }

} // namespace

BENCHMARK(BM_Reference)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Fast)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FastWithUnknown)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
