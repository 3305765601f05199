#pragma once

// What every benchmark program shares: the short run, the checks that fail a run, and the exit code
// that tells them.
//
// A short run ("--short" on the command line, or PELNIX_BENCH_SHORT=1) takes small sizes and one or a
// few iterations: it runs a benchmark's own checks, never its timing goals, so that the tests catch a
// benchmark that aborts or whose check fails. A program's exit code is non-zero when any
// benchmark reported an error or a check of the program's own failed; a benchmark skipped for want of
// a tool is said so and fails nothing. A timing goal a program holds itself to (target()) is such a
// check in a full run; a short run, whose few frames on a busy machine measure nothing, says whether
// it was met and fails nothing by it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace pelnix::bench {

// True in a short run. Benchmarks register their sizes and iteration counts before main() runs, so
// the process's own command line is read rather than main()'s arguments.
inline bool shortRun() {
    static const bool value = [] {
        const char* env = std::getenv("PELNIX_BENCH_SHORT");
        if (env && *env && std::strcmp(env, "0") != 0)
            return true;
        std::ifstream file("/proc/self/cmdline", std::ios::binary);
        const std::string line{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        // Arguments end in a NUL each; the program's name comes first.
        for (size_t at = line.find('\0'); at != std::string::npos && at + 1 < line.size();) {
            const size_t end = line.find('\0', at + 1);
            if (line.compare(at + 1, end - at - 1, "--short") == 0)
                return true;
            at = end;
        }
        return false;
    }();
    return value;
}

// `full` in a full run, `inShort` in a short one.
template <typename T> T sized(T full, T inShort) {
    return shortRun() ? inShort : full;
}

// A benchmark's iteration count: one in a short run.
inline int iterations(int full) {
    return sized(full, 1);
}

// Takes "--short" out of the arguments (it is read through shortRun()).
inline void takeShortArgument(int& argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--short") != 0)
            continue;
        for (int j = i; j < argc; ++j)
            argv[j] = argv[j + 1];
        --argc;
        --i;
    }
}

// A check of a benchmark that failed: the run ends with `why` as its error. The caller leaves the
// benchmark's loop right after (break or return): the loop goes on after an error, and Google
// Benchmark 1.7.1 aborts the program on a PauseTiming() or ResumeTiming() that follows one.
inline void fail(benchmark::State& state, const std::string& why) {
    state.SkipWithError(why.c_str());
}

inline constexpr const char* kSkippedPrefix = "skipped: ";

// A benchmark that cannot run here (a tool it compares with is missing): said so, failing nothing.
// The caller leaves the loop right after, as after fail().
inline void skip(benchmark::State& state, const std::string& why) {
    state.SkipWithError((kSkippedPrefix + why).c_str());
}

// Runs the registered benchmarks and tells the outcome in its exit code. Make it first in main(),
// before anything reads the arguments: it takes out "--short" and Google Benchmark's flags.
class BenchRun {
public:
    BenchRun(int& argc, char** argv) {
        takeShortArgument(argc, argv);
        // A short run measures nothing worth a second's repeats: one pass of each benchmark that
        // names no iteration count of its own is as much as its checks need. Flags given later win.
        std::vector<char*> args(argv, argv + argc);
        static char shortMinTime[] = "--benchmark_min_time=0.001";
        if (shortRun())
            args.insert(args.begin() + std::min<std::ptrdiff_t>(1, std::ptrdiff_t(args.size())),
                        shortMinTime);
        int count = int(args.size());
        args.push_back(nullptr);
        benchmark::Initialize(&count, args.data());
        // What Google Benchmark did not take goes back to the caller, for Qt and the program.
        argc = count;
        std::copy(args.begin(), args.begin() + count, argv);
        argv[count] = nullptr;
    }
    BenchRun(const BenchRun&) = delete;
    BenchRun& operator=(const BenchRun&) = delete;

    // Runs every benchmark the filter leaves, shown by `display` (the console's by default).
    void run(benchmark::BenchmarkReporter* display = nullptr) {
        if (shortRun())
            std::printf("A short run: small sizes and few iterations, for the benchmarks' own checks; its "
                        "figures measure nothing.\n");
        benchmark::ConsoleReporter console(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Color
                                                                 : benchmark::ConsoleReporter::OO_None);
        Counting counting(display ? *display : console, *this);
        m_ran += benchmark::RunSpecifiedBenchmarks(&counting);
    }

    // A check of the program's own, outside any benchmark.
    void check(bool ok, const char* what) {
        if (ok)
            return;
        ++m_failedChecks;
        std::fprintf(stderr, "check failed: %s\n", what);
    }

    // A timing goal of the program's own: a check in a full run, only said in a short run.
    void target(bool met, const std::string& what) {
        if (!shortRun()) {
            check(met, ("target: " + what).c_str());
            return;
        }
        if (!met)
            std::fprintf(stderr, "target missed, not counted in a short run: %s\n", what.c_str());
    }

    // Ends the run: the outcome on stderr, 0 when every benchmark ran clean and every check held.
    int finish() {
        benchmark::Shutdown();
        std::fflush(stdout);
        for (const std::string& name : m_skipped)
            std::fprintf(stderr, "skipped: %s\n", name.c_str());
        for (const std::string& name : m_failed)
            std::fprintf(stderr, "failed: %s\n", name.c_str());
        if (m_ran == 0) {
            std::fprintf(stderr, "no benchmark ran\n");
            return 1;
        }
        if (!m_failed.empty() || m_failedChecks > 0) {
            std::fprintf(stderr, "%zu benchmarks failed, %d checks failed\n", m_failed.size(),
                         m_failedChecks);
            return 1;
        }
        return 0;
    }

private:
    // Shows every run through the program's own reporter and keeps those that ended in an error.
    class Counting : public benchmark::BenchmarkReporter {
    public:
        Counting(benchmark::BenchmarkReporter& shown, BenchRun& run) : m_shown(shown), m_run(run) {}
        bool ReportContext(const Context& context) override { return m_shown.ReportContext(context); }
        void ReportRuns(const std::vector<Run>& runs) override {
            for (const Run& run : runs) {
                if (!run.error_occurred)
                    continue;
                const std::string line = run.benchmark_name() + ": " + run.error_message;
                if (run.error_message.rfind(kSkippedPrefix, 0) == 0)
                    m_run.m_skipped.push_back(line);
                else
                    m_run.m_failed.push_back(line);
            }
            m_shown.ReportRuns(runs);
        }
        void Finalize() override { m_shown.Finalize(); }

    private:
        benchmark::BenchmarkReporter& m_shown;
        BenchRun& m_run;
    };

    size_t m_ran = 0;
    int m_failedChecks = 0;
    std::vector<std::string> m_failed;
    std::vector<std::string> m_skipped;
};

} // namespace pelnix::bench
