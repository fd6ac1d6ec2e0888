#pragma once

// Peak memory of a benchmark: every benchmark program can count the bytes
// its heap holds (operator new and delete are replaced for the program),
// so a benchmark reports the most it held at once, and the process's peak
// resident size, in MiB as counters beside its times. Counting runs only
// while a scope is open: measure the peak in a pass of its own, outside the
// timed loop, so the times are not slowed by it.

#include "bench/support/HeapCount.h"

#include <benchmark/benchmark.h>

#include <cstddef>

/// Counts the heap from its start to its end; the peak is taken from what
/// is held when it starts.
class PeakMemoryScope {
public:
    /// Bytes held at most since the scope began, above what was held then.
    [[nodiscard]] size_t PeakBytes() const;
    /// Adds the counters "heap_peak_MiB" (this scope) and "max_rss_MiB"
    /// (the process so far) to State.
    void Report(benchmark::State& State) const;

private:
    HeapCountScope FHeap;
};

/// Bytes in use now: the heap's blocks in use plus every private mapping
/// made outside the heap (blocks a library maps on its own, which the
/// heap's figures never see). Take differences of it; its absolute value
/// holds stacks and the program's data too.
[[nodiscard]] size_t MemoryInUse();
