// Replays every file of the given folders (recursively) through a libFuzzer
// entry point, so that the ordinary build checks the seeds and the broken
// inputs on every test run. A crash or sanitizer report fails the test.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    int Count = 0;
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
            LLVMFuzzerTestOneInput(Bytes.data(), Bytes.size());
            ++Count;
        }
    }
    std::printf("replayed %d inputs\n", Count);
    return Count > 0 ? 0 : 1;
}
