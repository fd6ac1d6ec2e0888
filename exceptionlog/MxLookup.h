#pragma once

// The mail exchanger of a domain, asked of the DNS servers over UDP by our
// own small client (the system's resolver library has no portable MX
// call). Answers are checked: the query id is random and must come back,
// the answer must be a reply without error to our question, and every
// name, pointer and length stays inside the packet.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <cstdint>
#include <string>
#include <vector>

/// The public resolver asked last, after the system's.
inline constexpr char FallbackDNSServer[] = "1.1.1.1";

/// The query for Domain's MX record (recursion desired) with id Id.
/// Empty when Domain cannot be a domain name (an empty label, a label over
/// 63 bytes, a name over 253).
[[nodiscard]] std::string BuildMXQuery(const AnsiString& Domain, uint16_t Id);
/// The exchange of the first MX answer to Query ('' when the packet is
/// no good answer: another id, not a reply, an error code, another
/// question, fewer records than counted, no MX record, or a name that
/// leaves the packet or loops).
[[nodiscard]] AnsiString ParseMXAnswer(const std::string& Packet, const std::string& Query);
/// The name at Pos in Packet, dotted without a trailing dot; Pos moves past
/// it (past the first pointer when one was followed). False for a name
/// that runs past the packet, follows too many pointers or grows past 255
/// bytes.
bool ReadDNSName(const std::string& Packet, size_t& Pos, AnsiString& Name);

/// The name servers of ResolvConf (resolv.conf), then FallbackDNSServer.
[[nodiscard]] std::vector<AnsiString> GetDNSServers(const char* ResolvConf = "/etc/resolv.conf");

/// Where ResolveMX takes its servers from (GetDNSServers by default); an
/// entry may carry ":port" (53 without). For tests.
using DNSServerSource = std::vector<AnsiString> (*)();
DNSServerSource SetDNSServerSource(DNSServerSource Source);

/// The mail exchanger of Address's domain (after its "@"), from the
/// servers of the source. Up to 5 attempts over the list, each allowed
/// (TimeOut + 150) / 5 ms, 50 ms more per attempt. Raises
/// ERazuroSocketError "Cannot resolve the \"%s\" MX record." with the
/// domain.
[[nodiscard]] AnsiString ResolveMX(const AnsiString& Address, DWORD TimeOut);
/// The same with the servers given.
[[nodiscard]] AnsiString ResolveMX(const AnsiString& Address, DWORD TimeOut,
                                   const std::vector<AnsiString>& Servers);
