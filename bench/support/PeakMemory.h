#pragma once

// Peak memory of a benchmark: every benchmark program counts the bytes its
// heap holds (operator new and delete are replaced for the program), so a
// benchmark can report the most it held at once, and the process's peak
// resident size. Both are reported in MiB as counters beside the times.

#include <benchmark/benchmark.h>

#include <cstddef>

/// Starts counting the heap peak anew from what is held now.
class PeakMemoryScope {
public:
    PeakMemoryScope();
    /// Bytes held at most since the scope began, above what was held then.
    [[nodiscard]] size_t PeakBytes() const;
    /// Adds the counters "heap_peak_MiB" (this scope) and "max_rss_MiB"
    /// (the process so far) to State.
    void Report(benchmark::State& State) const;

private:
    size_t FStart;
};
