#include "exceptionlog/MxLookup.h"

#include "exceptionlog/Sockets.h"
#include "exceptionlog/SystemInfo.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Ticks.h"

#include <sys/random.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

namespace {

const char SCannotResolveMX[] = "Cannot resolve the \"%s\" MX record.";

constexpr uint16_t TypeMX = 15;
constexpr uint16_t ClassIN = 1;
constexpr int Attempts = 5;
constexpr int AttemptGrowth = 50;
constexpr Word DNSPort = 53;
/// Pointers a name may follow; a longer chain is a loop.
constexpr int MaxPointerHops = 16;
constexpr size_t MaxNameLength = 255;

std::atomic<DNSServerSource> gServerSource {nullptr};

uint16_t Get16(const std::string& P, size_t Pos)
{
    return uint16_t((uint8_t(P[Pos]) << 8) | uint8_t(P[Pos + 1]));
}

uint16_t RandomId()
{
    uint16_t Id = 0;
    if (getrandom(&Id, sizeof Id, 0) != sizeof Id)
        Id = uint16_t(std::random_device()());
    return Id;
}

bool SkipQuestion(const std::string& P, size_t& Pos, AnsiString& Name)
{
    if (!ReadDNSName(P, Pos, Name) || Pos + 4 > P.size())
        return false;
    Pos += 4;
    return true;
}

}  // namespace

std::string BuildMXQuery(const AnsiString& Domain, uint16_t Id)
{
    if (Domain.IsEmpty() || Domain.Length() > 253)
        return std::string();
    std::string Q;
    Q += char(Id >> 8);
    Q += char(Id & 0xFF);
    Q += std::string("\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00", 10);
    int Start = 1;
    for (int I = 1; I <= Domain.Length() + 1; ++I) {
        if (I <= Domain.Length() && Domain[I] != '.')
            continue;
        const int Len = I - Start;
        // A trailing dot ends the name; any other empty label spoils it.
        if (Len == 0 && I == Domain.Length() + 1 && I > 1 && Domain[I - 1] == '.')
            break;
        if (Len <= 0 || Len > 63)
            return std::string();
        Q += char(Len);
        Q.append(Domain.Data() + Start - 1, size_t(Len));
        Start = I + 1;
    }
    Q += '\0';
    Q += std::string("\x00\x0F\x00\x01", 4);
    return Q;
}

bool ReadDNSName(const std::string& Packet, size_t& Pos, AnsiString& Name)
{
    Name = AnsiString();
    size_t P = Pos;
    size_t After = 0;
    bool Jumped = false;
    int Hops = 0;
    for (;;) {
        if (P >= Packet.size())
            return false;
        const uint8_t Len = uint8_t(Packet[P]);
        if ((Len & 0xC0) == 0xC0) {
            if (P + 1 >= Packet.size() || ++Hops > MaxPointerHops)
                return false;
            if (!Jumped)
                After = P + 2;
            Jumped = true;
            P = size_t(((Len & 0x3F) << 8) | uint8_t(Packet[P + 1]));
            continue;
        }
        if (Len & 0xC0)
            return false;  // the two other label kinds are not in use
        if (Len == 0) {
            Pos = Jumped ? After : P + 1;
            return true;
        }
        if (P + 1 + Len > Packet.size() || size_t(Name.Length()) + Len + 1 > MaxNameLength)
            return false;
        if (!Name.IsEmpty())
            Name += '.';
        Name += AnsiString(Packet.data() + P + 1, Len);
        P += 1 + Len;
    }
}

AnsiString ParseMXAnswer(const std::string& Packet, const std::string& Query)
{
    if (Packet.size() < 12 || Query.size() < 12)
        return AnsiString();
    const uint16_t Flags = Get16(Packet, 2);
    // Our id, a reply (QR), a standard query (opcode 0), no error (RCODE 0),
    // one question and at least one answer.
    if (Get16(Packet, 0) != Get16(Query, 0) || !(Flags & 0x8000) || (Flags & 0x7800) ||
        (Flags & 0x000F) || Get16(Packet, 4) != 1 || Get16(Packet, 6) == 0)
        return AnsiString();
    size_t Pos = 12;
    size_t QPos = 12;
    AnsiString Asked, Wanted;
    if (!SkipQuestion(Packet, Pos, Asked) || !SkipQuestion(Query, QPos, Wanted) ||
        !SameText(Asked, Wanted) || Packet.compare(Pos - 4, 4, Query, QPos - 4, 4) != 0)
        return AnsiString();
    // Every answer the header counts must be there whole; the first MX
    // exchange among them is the result.
    const int Count = Get16(Packet, 6);
    AnsiString Result;
    for (int I = 0; I < Count; ++I) {
        AnsiString Owner;
        if (!ReadDNSName(Packet, Pos, Owner) || Pos + 10 > Packet.size())
            return AnsiString();
        const uint16_t Type = Get16(Packet, Pos);
        const uint16_t Class = Get16(Packet, Pos + 2);
        const size_t DataLen = Get16(Packet, Pos + 8);
        const size_t Data = Pos + 10;
        if (Data + DataLen > Packet.size())
            return AnsiString();
        Pos = Data + DataLen;
        // The preference is not used to choose: the first exchange wins.
        if (Type != TypeMX || Class != ClassIN || DataLen < 3)
            continue;
        size_t NamePos = Data + 2;
        AnsiString Exchange;
        const std::string Within = Packet.substr(0, Data + DataLen);
        if (!ReadDNSName(Within, NamePos, Exchange))
            return AnsiString();
        if (Result.IsEmpty())
            Result = Exchange;
    }
    return Result;
}

std::vector<AnsiString> GetDNSServers(const char* ResolvConf)
{
    std::vector<AnsiString> Servers;
    std::ifstream In(ResolvConf, std::ios::binary);
    if (In) {
        const std::string Text((std::istreambuf_iterator<char>(In)),
                               std::istreambuf_iterator<char>());
        for (uint32_t A : ParseResolvConf(Text)) {
            if (A == 0)
                continue;
            Servers.push_back(IntToStr(A >> 24) + "." + IntToStr((A >> 16) & 255) + "." +
                              IntToStr((A >> 8) & 255) + "." + IntToStr(A & 255));
        }
    }
    Servers.push_back(FallbackDNSServer);
    return Servers;
}

DNSServerSource SetDNSServerSource(DNSServerSource Source)
{
    return gServerSource.exchange(Source);
}

AnsiString ResolveMX(const AnsiString& Address, DWORD TimeOut)
{
    const DNSServerSource Source = gServerSource.load();
    return ResolveMX(Address, TimeOut, Source ? Source() : GetDNSServers());
}

AnsiString ResolveMX(const AnsiString& Address, DWORD TimeOut,
                     const std::vector<AnsiString>& Servers)
{
    const int At = Address.Pos("@");
    const AnsiString Domain = Trim(At > 0 ? Address.SubString(At + 1, Address.Length()) : Address);
    AnsiString Host;
    DWORD Step = (TimeOut + 150) / 5;
    for (int Attempt = 0; Attempt < Attempts && Host.IsEmpty(); ++Attempt) {
        const DWORD Start = GetTickCount();
        for (const AnsiString& Server : Servers) {
            if (!Host.IsEmpty() || GetTickCount() - Start > Step)
                break;
            const std::string Query = BuildMXQuery(Domain, RandomId());
            if (Query.empty())
                break;
            AnsiString Name = Server;
            Word Port = DNSPort;
            if (const int Colon = Server.Pos(":"); Colon > 0) {
                Name = Server.SubString(1, Colon - 1);
                Port = Word(StrToIntDef(Server.SubString(Colon + 1, Server.Length()), DNSPort));
            }
            try {
                TRazuroClientSocket Socket(Name, Step, /*Stream=*/false, Port);
                Socket.Connect();
                if (Socket.SendBuffer(Query.data(), int(Query.size())) != int(Query.size()))
                    continue;
                // Datagrams that are no answer to this query (a late answer
                // to an earlier one, a forged one) are dropped, and the wait
                // goes on for the rest of the step.
                const DWORD Asked = GetTickCount();
                while (Host.IsEmpty()) {
                    const DWORD Spent = GetTickCount() - Asked;
                    if (Spent >= Step || !Socket.WaitReadable(Step - Spent))
                        break;
                    const AnsiString Answer = Socket.ReadAvailable();
                    if (Answer.IsEmpty())
                        break;
                    Host = ParseMXAnswer(Answer.Std(), Query);
                }
            } catch (const ERazuroSocketError&) {
                // A server that cannot be reached: the next one is tried.
            }
        }
        Step += AttemptGrowth;
    }
    if (Host.IsEmpty()) {
        const AnsiString F(SCannotResolveMX);
        const int P = F.Pos("%s");
        throw ERazuroSocketError(F.SubString(1, P - 1) + Domain + F.SubString(P + 2, F.Length()));
    }
    return Host;
}
