// DNS answers read the way the MX lookup reads them: any datagram must give
// an exchange name or none, without a crash, a loop or a read past its end.
// The query asked is that of "example.com" with the answer's own id.

#include "exceptionlog/MxLookup.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const std::string Packet(reinterpret_cast<const char*>(Data), Size);
    const uint16_t Id = Size >= 2 ? uint16_t((Data[0] << 8) | Data[1]) : 0;
    (void)ParseMXAnswer(Packet, BuildMXQuery("example.com", Id));
    size_t Pos = Size / 2;
    AnsiString Name;
    (void)ReadDNSName(Packet, Pos, Name);
    return 0;
}
