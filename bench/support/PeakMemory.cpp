#include "bench/support/PeakMemory.h"

#include <sys/resource.h>

namespace {

constexpr double MiB = 1024.0 * 1024.0;

}  // namespace

size_t PeakMemoryScope::PeakBytes() const
{
    return FHeap.PeakBytes();
}

void PeakMemoryScope::Report(benchmark::State& State) const
{
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    State.counters["heap_peak_MiB"] = double(PeakBytes()) / MiB;
    State.counters["max_rss_MiB"] = double(Usage.ru_maxrss) * 1024.0 / MiB;
}
