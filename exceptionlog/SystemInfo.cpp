#include "exceptionlog/SystemInfo.h"

#include "exceptionlog/DataBlock.h"
#include "exceptionlog/ProcessHelpers.h"

#include "platform/forms/Forms.h"
#include "platform/winapi/Windows.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

namespace {

std::string ReadTextFile(const char* Path)
{
    std::ifstream In(Path);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
}

std::string TrimStd(const std::string& S)
{
    const size_t B = S.find_first_not_of(" \t\r\n");
    if (B == std::string::npos)
        return std::string();
    const size_t E = S.find_last_not_of(" \t\r\n");
    return S.substr(B, E - B + 1);
}

// The value of "Key<blanks>: value" in /proc/cpuinfo text.
std::string CpuInfoValue(const std::string& Text, const std::string& Key)
{
    std::istringstream In(Text);
    std::string Line;
    while (std::getline(In, Line)) {
        const size_t Colon = Line.find(':');
        if (Colon != std::string::npos && TrimStd(Line.substr(0, Colon)) == Key)
            return TrimStd(Line.substr(Colon + 1));
    }
    return std::string();
}

TDateTime LocalDateTimeOfUnix(time_t T)
{
    std::tm L{};
    localtime_r(&T, &L);
    return EncodeDate(Word(L.tm_year + 1900), Word(L.tm_mon + 1), Word(L.tm_mday)) +
           EncodeTime(Word(L.tm_hour), Word(L.tm_min), Word(L.tm_sec), 0);
}

// When the process started: its start in clock ticks after boot, plus the
// boot time.
AnsiString ProcessStartText()
{
    const std::string Stat = ReadTextFile("/proc/self/stat");
    const size_t Close = Stat.rfind(')');
    if (Close == std::string::npos)
        return AnsiString();
    std::istringstream Fields(Stat.substr(Close + 2));
    std::string F;
    // Field 3 (state) is the first after the name; start time is field 22.
    for (int I = 3; I <= 22 && Fields >> F; ++I) {
    }
    const unsigned long long Ticks = std::strtoull(F.c_str(), nullptr, 10);
    const std::string Boot = ReadTextFile("/proc/stat");
    const size_t At = Boot.find("btime ");
    const long Hz = sysconf(_SC_CLK_TCK);
    if (At == std::string::npos || Hz <= 0)
        return AnsiString();
    const time_t BootTime = time_t(std::strtoll(Boot.c_str() + At + 6, nullptr, 10));
    return MailDateText(LocalDateTimeOfUnix(BootTime + time_t(Ticks / (unsigned long long)Hz)));
}

AnsiString UserName()
{
    struct passwd Pw{};
    struct passwd* Found = nullptr;
    char Buf[4096];
    if (getpwuid_r(geteuid(), &Pw, Buf, sizeof Buf, &Found) == 0 && Found)
        return AnsiString::FromUtf8(Found->pw_name);
    return AnsiString();
}

AnsiString ComputerName()
{
    char Buf[256] = {};
    if (gethostname(Buf, sizeof Buf - 1) != 0)
        return AnsiString();
    return AnsiString::FromUtf8(Buf);
}

// Available memory as the kernel estimates it (MemAvailable), in bytes.
uint64_t AvailableMemory()
{
    const std::string Info = ReadTextFile("/proc/meminfo");
    const size_t At = Info.find("MemAvailable:");
    if (At == std::string::npos)
        return 0;
    return std::strtoull(Info.c_str() + At + 13, nullptr, 10) * 1024;
}

AnsiString DisplayModeText()
{
    // Only a program with an application object has a screen to speak of.
    if (!Application)
        return AnsiString();
    const HDC DC = GetDC(nullptr);
    const int Bits = GetDeviceCaps(DC, BITSPIXEL);
    ReleaseDC(nullptr, DC);
    char Buf[64];
    std::snprintf(Buf, sizeof Buf, "%d x %d, %d bit", GetSystemMetrics(SM_CXSCREEN),
                  GetSystemMetrics(SM_CYSCREEN), Bits);
    return Buf;
}

std::string SystemLocale()
{
    for (const char* Name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* V = std::getenv(Name);
        if (V && *V)
            return V;
    }
    const std::string Default = ReadTextFile("/etc/default/locale");
    const size_t At = Default.find("LANG=");
    if (At == std::string::npos)
        return std::string();
    std::string V = Default.substr(At + 5, Default.find('\n', At) - At - 5);
    V.erase(std::remove(V.begin(), V.end(), '"'), V.end());
    return V;
}

// An interface has a DHCP lease when the network managers of Debian left
// one for it (systemd-networkd, dhclient, NetworkManager).
bool HasDhcpLease(const std::string& Interface)
{
    const unsigned Index = if_nametoindex(Interface.c_str());
    if (Index != 0 && FileExists("/run/systemd/netif/leases/" + AnsiString(std::to_string(Index))))
        return true;
    for (const char* Pattern : {"/var/lib/dhcp/dhclient.%s.leases",
                                "/var/lib/NetworkManager/internal-*-%s.lease"}) {
        char Path[512];
        std::snprintf(Path, sizeof Path, Pattern, Interface.c_str());
        TSearchRec F;
        const bool Found = FindFirst(AnsiString::FromUtf8(Path), faAnyFile, F) == 0;
        FindClose(F);
        if (Found)
            return true;
    }
    return false;
}

std::vector<AdapterInfo> Adapters()
{
    std::vector<AdapterInfo> Result;
    ifaddrs* List = nullptr;
    if (getifaddrs(&List) != 0)
        return Result;
    const std::string Route = ReadTextFile("/proc/net/route");
    for (ifaddrs* A = List; A; A = A->ifa_next) {
        if (!A->ifa_addr || A->ifa_addr->sa_family != AF_INET || (A->ifa_flags & IFF_LOOPBACK))
            continue;
        AdapterInfo Info;
        Info.Address = ntohl(reinterpret_cast<sockaddr_in*>(A->ifa_addr)->sin_addr.s_addr);
        if (A->ifa_netmask)
            Info.Mask = ntohl(reinterpret_cast<sockaddr_in*>(A->ifa_netmask)->sin_addr.s_addr);
        Info.Gateway = ParseDefaultGateway(Route, A->ifa_name);
        Info.DHCP = HasDhcpLease(A->ifa_name);
        Result.push_back(Info);
    }
    freeifaddrs(List);
    return Result;
}

}  // namespace

AnsiString PaddedIPv4(uint32_t Address)
{
    char Buf[16];
    std::snprintf(Buf, sizeof Buf, "%03u.%03u.%03u.%03u", Address >> 24, (Address >> 16) & 255,
                  (Address >> 8) & 255, Address & 255);
    return Buf;
}

std::array<AnsiString, 6> NetworkFieldTexts(const std::vector<AdapterInfo>& List,
                                            const std::vector<uint32_t>& Dns)
{
    std::array<AnsiString, 6> F;
    for (const AdapterInfo& A : List) {
        F[0] += PaddedIPv4(A.Address) + " - ";
        F[1] += PaddedIPv4(A.Mask) + " - ";
        F[2] += PaddedIPv4(A.Gateway) + " - ";
        // Name servers are the system's, the same for every adapter.
        F[3] += PaddedIPv4(Dns.empty() ? 0 : Dns[0]) + " - ";
        F[4] += PaddedIPv4(Dns.size() < 2 ? 0 : Dns[1]) + " - ";
        F[5] += AnsiString(A.DHCP ? "ON              " : "OFF             ") + " - ";
    }
    for (AnsiString& S : F)
        if (S.Length() >= 3 && S.SubString(S.Length() - 2, 3) == " - ")
            S.SetLength(S.Length() - 3);
    return F;
}

std::vector<uint32_t> ParseResolvConf(const std::string& Text)
{
    std::vector<uint32_t> Servers;
    std::istringstream In(Text);
    std::string Line;
    while (std::getline(In, Line)) {
        std::istringstream Words(Line);
        std::string Key, Value;
        if (!(Words >> Key >> Value) || Key != "nameserver")
            continue;
        in_addr A{};
        if (inet_pton(AF_INET, Value.c_str(), &A) == 1)
            Servers.push_back(ntohl(A.s_addr));
    }
    return Servers;
}

uint32_t ParseDefaultGateway(const std::string& RouteText, const std::string& Interface)
{
    std::istringstream In(RouteText);
    std::string Line;
    std::getline(In, Line);  // the column headers
    while (std::getline(In, Line)) {
        std::istringstream Words(Line);
        std::string Iface, Dest, Gateway;
        if (!(Words >> Iface >> Dest >> Gateway) || Iface != Interface || Dest != "00000000")
            continue;
        // The kernel writes the address in network order as a hex number of
        // the machine's byte order.
        const uint32_t Raw = uint32_t(std::strtoul(Gateway.c_str(), nullptr, 16));
        return ntohl(Raw);
    }
    return 0;
}

AnsiString ParseProcessor(const std::string& CpuInfo)
{
    const std::string Model = CpuInfoValue(CpuInfo, "model name");
    if (!Model.empty())
        return AnsiString::FromUtf8(Model);
    std::string Vendor = CpuInfoValue(CpuInfo, "vendor_id");
    const std::string Family = CpuInfoValue(CpuInfo, "cpu family");
    if (!Vendor.empty() && !Family.empty())
        Vendor += " - " + Family;
    return Vendor.empty() ? AnsiString("Unknown processor") : AnsiString::FromUtf8(Vendor);
}

AnsiString LanguageNameOfLocale(const std::string& Locale)
{
    struct Lang { const char* Code; const char* Name; };
    static const Lang Langs[] = {
        {"ru", "Russian"}, {"uk", "Ukrainian"}, {"be", "Belarusian"}, {"kk", "Kazakh"},
        {"en", "English"}, {"de", "German"}, {"fr", "French"}, {"es", "Spanish"},
        {"it", "Italian"}, {"pl", "Polish"}, {"cs", "Czech"}, {"bg", "Bulgarian"},
        {"sr", "Serbian"}, {"lt", "Lithuanian"}, {"lv", "Latvian"}, {"et", "Estonian"},
        {"fi", "Finnish"}, {"tr", "Turkish"}, {"zh", "Chinese"}, {"ja", "Japanese"},
        {"C", "English"}, {"POSIX", "English"},
    };
    const std::string Code = Locale.substr(0, Locale.find_first_of("_.@"));
    for (const Lang& L : Langs)
        if (Code == L.Code)
            return L.Name;
    return AnsiString::FromUtf8(Code);
}

AnsiString MegabytesText(uint64_t Bytes)
{
    return IntToStr(Int64((Bytes + 524288) / 1048576)) + " Mb";
}

AnsiString GigabytesText(uint64_t Bytes)
{
    return FormatFloat("0.##", double(Bytes) / 1073741824.0) + " Gb";
}

AnsiString ParametersText(const std::vector<AnsiString>& Params)
{
    AnsiString Out;
    for (size_t I = 0; I < Params.size(); ++I)
        Out += (I > 0 ? " \"" : "\"") + Params[I] + "\"";
    return Out;
}

AnsiString FileVersionText(const AnsiString& FileName)
{
    const AnsiString Name = ExtractFileName(FileName);
    const int So = Name.Pos(".so.");
    if (So > 0)
        return Name.SubString(So + 4, Name.Length());
    try {
        TFileStream File(FileName, fmOpenRead | fmShareDenyNone);
        Int64 Offset = 0, Size = 0;
        // The fixed version record: signature, structure version, then the
        // file version's high and low halves.
        if (!FindElfSection(File, ".rsrc.version", Offset, Size) || Size < 16)
            return "0.0.0.0";
        uint32_t V[4] = {};
        File.SetPosition(Offset);
        File.ReadBuffer(V, 16);
        if (V[0] != 0xFEEF04BD)
            return "0.0.0.0";
        char Buf[64];
        std::snprintf(Buf, sizeof Buf, "%u.%u.%u.%u", V[2] >> 16, V[2] & 0xFFFF, V[3] >> 16,
                      V[3] & 0xFFFF);
        return Buf;
    } catch (const Exception&) {
        return "0.0.0.0";
    }
}

void FillSystemFields(ReportData& Data, const ModuleRecord* Main)
{
    auto& F = Data.Fields;
    const AnsiString Program = Main ? Main->FileName : ParamStr(0);
    F[gfStartDate] = ProcessStartText();
    F[gfNameDescription] = ExtractFileName(Program);
    F[gfVersionNumber] = FileVersionText(Program);
    std::vector<AnsiString> Params;
    for (int I = 1; I <= ParamCount(); ++I)
        Params.push_back(ParamStr(I));
    F[gfParameters] = ParametersText(Params);
    F[gfCompilationDate] =
        Main && double(Main->CompiledDate) != 0 ? MailDateText(Main->CompiledDate) : AnsiString();

    F[gfComputerName] = ComputerName();
    F[gfUser] = UserName();
    struct sysinfo Si{};
    if (sysinfo(&Si) == 0) {
        F[gfTotalMemory] = MegabytesText(uint64_t(Si.totalram) * Si.mem_unit);
        F[gfUpTime] = UpTimeText(uint64_t(Si.uptime));
    }
    F[gfFreeMemory] = MegabytesText(AvailableMemory());
    struct statvfs Vfs{};
    const AnsiString Folder = ExtractFilePath(Program);
    if (statvfs(Folder.ToUtf8().c_str(), &Vfs) == 0) {
        F[gfTotalDisk] = GigabytesText(uint64_t(Vfs.f_blocks) * Vfs.f_frsize);
        F[gfFreeDisk] = GigabytesText(uint64_t(Vfs.f_bavail) * Vfs.f_frsize);
    }
    F[gfProcessor] = ParseProcessor(ReadTextFile("/proc/cpuinfo"));
    F[gfDisplayMode] = DisplayModeText();

    F[gfSystemType] = GetSystemVersionName();
    struct utsname U{};
    if (uname(&U) == 0) {
        F[gfBuild] = AnsiString::FromUtf8(U.release);
        F[gfUpdate] = Trim(AnsiString::FromUtf8(U.version));
    }
    F[gfLanguage] = LanguageNameOfLocale(SystemLocale());

    const auto Net =
        NetworkFieldTexts(Adapters(), ParseResolvConf(ReadTextFile("/etc/resolv.conf")));
    for (int I = 0; I < 6; ++I)
        F[size_t(gfIPAddress + I)] = Net[size_t(I)];
}
