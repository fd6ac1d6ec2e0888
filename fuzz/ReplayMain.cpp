// Replays every file of the given folders (recursively) through a libFuzzer
// entry point, so that the ordinary build checks the seeds and the broken
// inputs on every test run. A crash or sanitizer report fails the test, and
// so does an input whose reading holds more heap at once than its bound:
// a reader of outside bytes may take a fixed allowance and ten times the
// input's size, never what a crafted count or a compressed bomb asks for.

#include <malloc.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

/// What any input may take besides ten times its size: fonts, caches and
/// the reader's own tables made once.
constexpr int64_t HeapAllowance = int64_t(64) << 20;
constexpr int64_t HeapPerInputByte = 10;

// The heap held by the process, and the most it held since the last reset.
// Relaxed: the counts need no order with other memory.
std::atomic<int64_t> Held{0};
std::atomic<int64_t> Peak{0};

void* Allocate(size_t Size)
{
    void* P = std::malloc(Size ? Size : 1);
    if (!P)
        throw std::bad_alloc();
    const auto Bytes = static_cast<int64_t>(malloc_usable_size(P));
    const int64_t Now = Held.fetch_add(Bytes, std::memory_order_relaxed) + Bytes;
    int64_t Old = Peak.load(std::memory_order_relaxed);
    while (Now > Old && !Peak.compare_exchange_weak(Old, Now, std::memory_order_relaxed)) {
    }
    return P;
}

void Release(void* P) noexcept
{
    if (!P)
        return;
    Held.fetch_sub(static_cast<int64_t>(malloc_usable_size(P)), std::memory_order_relaxed);
    std::free(P);
}

}  // namespace

void* operator new(size_t Size) { return Allocate(Size); }
void* operator new[](size_t Size) { return Allocate(Size); }
void operator delete(void* P) noexcept { Release(P); }
void operator delete[](void* P) noexcept { Release(P); }
void operator delete(void* P, size_t) noexcept { Release(P); }
void operator delete[](void* P, size_t) noexcept { Release(P); }

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    int Count = 0;
    int OverBound = 0;
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
            const int64_t Before = Held.load();
            Peak.store(Before);
            LLVMFuzzerTestOneInput(Bytes.data(), Bytes.size());
            const int64_t Taken = Peak.load() - Before;
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
