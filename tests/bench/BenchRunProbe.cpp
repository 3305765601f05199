// A benchmark program of the shared run's every outcome, for its test: each benchmark is chosen with
// --benchmark_filter. "--fail-check" fails a check of the program's own, "--miss-target" misses a
// timing goal of its own.
#include "BenchRun.h"

#include <cstdio>
#include <cstring>

namespace bench = pelnix::bench;

namespace {

void BM_Holds(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(state.iterations());
}

// A check that fails while the clock is paused, as a benchmark checks what it measured.
void BM_FailsWhilePaused(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const bool rowsKept = false;
        if (!rowsKept) {
            bench::fail(state, "the rows were lost");
            break;
        }
        state.ResumeTiming();
    }
}

void BM_FailsWhileTimed(benchmark::State& state) {
    for (auto _ : state) {
        const bool pageRead = false;
        if (!pageRead) {
            bench::fail(state, "wrong page");
            break;
        }
        state.PauseTiming();
        state.ResumeTiming();
    }
}

void BM_Skipped(benchmark::State& state) {
    bench::skip(state, "a tool is not installed");
    for (auto _ : state) {
    }
}

// What the run is: short or not, and a full run's iteration count of 5 in it.
void BM_ReportsTheRun(benchmark::State& state) {
    for (auto _ : state) {
    }
    std::printf("short %d iterations %d\n", int(bench::shortRun()), bench::iterations(5));
}

BENCHMARK(BM_Holds)->Iterations(3);
BENCHMARK(BM_FailsWhilePaused)->Iterations(bench::iterations(3));
BENCHMARK(BM_FailsWhileTimed)->Iterations(bench::iterations(3));
BENCHMARK(BM_Skipped);
BENCHMARK(BM_ReportsTheRun)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    bench::BenchRun run(argc, argv);
    // What is left for the program: neither "--short" nor Google Benchmark's flags.
    std::printf("arguments");
    for (int i = 1; i < argc; ++i)
        std::printf(" %s", argv[i]);
    std::printf("\n");
    run.run();
    for (int i = 1; i < argc; ++i) {
        run.check(std::strcmp(argv[i], "--fail-check") != 0, "the program's own check");
        run.target(std::strcmp(argv[i], "--miss-target") != 0, "the program's rate, 0.46x (target 0.5x)");
    }
    return run.finish();
}
