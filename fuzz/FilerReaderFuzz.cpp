// Component streams read the way the class library reads them: any bytes
// must end in a read component or a clean error, never a crash, a read
// past the data, unbounded recursion or a huge allocation.

#include "platform/classes/Filer.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include "tests/platform/classes/FilerModel.h"

#include <cstddef>
#include <cstdint>

namespace {

/// Passes over properties nobody knows, so the fuzzer reaches the value
/// skipping as well as the reading.
struct SkipUnknown {
    void OnError(TReader*, const AnsiString&, bool& Handled) { Handled = true; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    filer_model::Register();
    MemoryBlockStream Stream(Data, Size);
    SkipUnknown Skip;
    TReader Reader(&Stream);
    Reader.OnError = TReaderError(&Skip, &SkipUnknown::OnError);
    filer_model::TSample Root(nullptr);
    try {
        Reader.ReadRootComponent(&Root);
    } catch (const Exception&) {
        // A clean read error.
    }
    return 0;
}
