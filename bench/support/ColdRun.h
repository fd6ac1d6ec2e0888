#pragma once

// The first run of a path in a new process. A benchmark's timed loop runs
// its path again and again on a warm heap, warm caches and fonts already
// loaded; the operator's first print or import of the day meets none of
// that. A path registered here is run once in a process of its own (this
// benchmark program started again, pinned to the same cores), and its time
// is reported beside the warm figures as the counter "cold_first_ms", the
// process's peak resident size as "cold_first_rss_MiB".

#include <benchmark/benchmark.h>

#include <chrono>

/// The clock of a cold run: the path starts it after its own set-up (what
/// the program has done before the operator asks: the GUI started, the
/// settings read) and stops it when the work is done.
class ColdClock {
public:
    void Start() { FStart = std::chrono::steady_clock::now(); }
    void Stop() { FElapsed = std::chrono::steady_clock::now() - FStart; }
    [[nodiscard]] double Milliseconds() const
    {
        return std::chrono::duration<double, std::milli>(FElapsed).count();
    }

private:
    std::chrono::steady_clock::time_point FStart;
    std::chrono::steady_clock::duration FElapsed {};
};

/// A path run cold; Arg is the benchmark's argument (the size).
using ColdRunFunction = void (*)(ColdClock& Clock, long Arg);

/// Registers Run under Name, at static initialisation as BENCHMARK does;
/// returns true so it can initialise a static.
bool RegisterColdRun(const char* Name, ColdRunFunction Run);

/// Runs the path Name with Arg once in a new process of this program and
/// adds its counters to State. Stops the program with a message when the
/// new process fails or reports nothing.
void ReportColdFirstRun(benchmark::State& State, const char* Name, long Arg = 0);

/// The benchmark program's main: sets the heap as the program's main does,
/// then runs either the benchmarks or, in a process started by
/// ReportColdFirstRun, the one cold path it was started for.
int BenchMain(int argc, char** argv);
