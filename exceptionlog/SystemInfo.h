#pragma once

// The system facts of a report's General part, read from Linux: /proc,
// /etc/os-release, uname, getifaddrs, /proc/net/route, /etc/resolv.conf,
// statvfs, and the screen through the window layer. A source that fails
// gives an empty value; nothing here raises.
//
// The parsers take the file text, so tests feed them fixtures.

#include "exceptionlog/LogText.h"

#include "platform/rtl/AnsiString.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct ModuleRecord;

/// The six network fields of one adapter, in field order (IP address,
/// submask, gateway, DNS 1, DNS 2, DHCP).
struct AdapterInfo {
    uint32_t Address = 0;  // host order
    uint32_t Mask = 0;
    uint32_t Gateway = 0;
    bool DHCP = false;
};

/// "010.000.000.001" for 10.0.0.1 (host order); "000.000.000.000" for 0.
[[nodiscard]] AnsiString PaddedIPv4(uint32_t Address);
/// The six network field values for the adapters, each value followed by
/// " - " per adapter and the last " - " removed.
[[nodiscard]] std::array<AnsiString, 6> NetworkFieldTexts(const std::vector<AdapterInfo>& Adapters,
                                                          const std::vector<uint32_t>& DnsServers);
/// The IPv4 name servers of resolv.conf text, in order.
[[nodiscard]] std::vector<uint32_t> ParseResolvConf(const std::string& Text);
/// The default gateway of Interface from /proc/net/route text; 0 if none.
[[nodiscard]] uint32_t ParseDefaultGateway(const std::string& RouteText,
                                           const std::string& Interface);
/// The processor of /proc/cpuinfo text: "model name", else the vendor (and
/// " - " with the family when there is one), else "Unknown processor".
[[nodiscard]] AnsiString ParseProcessor(const std::string& CpuInfo);
/// "Russian" for "ru_RU.UTF-8"; the code itself for a language not known.
[[nodiscard]] AnsiString LanguageNameOfLocale(const std::string& Locale);
/// Bytes in MB ("2048 Mb", rounded) and GB ("12,5 Gb" with the current
/// decimal separator, format "0.##").
[[nodiscard]] AnsiString MegabytesText(uint64_t Bytes);
[[nodiscard]] AnsiString GigabytesText(uint64_t Bytes);
/// Parameters 1.. of the command line, each in double quotes, one blank
/// between them.
[[nodiscard]] AnsiString ParametersText(const std::vector<AnsiString>& Params);
/// The file version of a program file built here ("1.0.0.1", from its
/// version section) or of a shared library (the suffix after ".so.");
/// "0.0.0.0" when there is none.
[[nodiscard]] AnsiString FileVersionText(const AnsiString& FileName);

/// The system's fields of the General part (application, computer,
/// operating system, network) from the live system; Main gives the
/// compilation date and the program file (null: none).
void FillSystemFields(ReportData& Data, const ModuleRecord* Main);
