// Replays every file of the given folders (recursively) through a libFuzzer
// entry point, so that the ordinary build checks the seeds and the broken
// inputs on every test run. A crash or sanitizer report fails the test, and
// so does an input whose reading holds more heap at once than its bound:
// a reader of outside bytes may take a fixed allowance and ten times the
// input's size, never what a crafted count or a compressed bomb asks for.

#include "bench/support/HeapCount.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

/// What any input may take besides ten times its size: fonts, caches and
/// the reader's own tables made once.
constexpr int64_t HeapAllowance = int64_t(64) << 20;
constexpr int64_t HeapPerInputByte = 10;

}  // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    int Count = 0;
    int OverBound = 0;
    HeapCountScope Heap;
    for (int I = 1; I < argc; ++I) {
        if (!fs::exists(argv[I])) {
            std::fprintf(stderr, "no such folder: %s\n", argv[I]);
            return 1;
        }
        for (const auto& Entry : fs::recursive_directory_iterator(argv[I])) {
            if (!Entry.is_regular_file())
                continue;
            std::ifstream In(Entry.path(), std::ios::binary);
            std::vector<uint8_t> Bytes((std::istreambuf_iterator<char>(In)),
                                       std::istreambuf_iterator<char>());
            Heap.Restart();
            LLVMFuzzerTestOneInput(Bytes.data(), Bytes.size());
            const auto Taken = static_cast<int64_t>(Heap.PeakBytes());
            const int64_t Bound = HeapAllowance + HeapPerInputByte * int64_t(Bytes.size());
            if (Taken > Bound) {
                std::fprintf(stderr, "%s: %lld bytes of input held %lld bytes of heap (bound %lld)\n",
                             Entry.path().c_str(), static_cast<long long>(Bytes.size()),
                             static_cast<long long>(Taken), static_cast<long long>(Bound));
                ++OverBound;
            }
            ++Count;
        }
    }
    std::printf("replayed %d inputs\n", Count);
    return Count > 0 && OverBound == 0 ? 0 : 1;
}
