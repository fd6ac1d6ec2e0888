#pragma once

// Debug data and call stacks. A program's data block carries its unit,
// procedure and line tables (written after linking by eldata-pack from the
// program's DWARF), so a stripped program still names its frames. Addresses
// in the tables are relative to the module's lowest loaded address, so the
// same frame has the same number on every run.
//
// Tables (little-endian; a name is a length byte and its bytes, enciphered
// as the block's format says). The indexed form, which this code writes,
// lets a lookup unpack only the few pieces it needs:
//   u32 0x58444C45 ("ELDX") | u32 units, per unit: name
//   then four tables: procedures, lines, inline names, inlines; each
//   u32 records | u32 records per piece | u32 pieces | per piece: u64 first
//   key (start, address or name number), u32 packed size | the pieces, each
//   a zlib stream of its records in the forms below.
// The plain form (read for blocks written before the indexed one):
//   u32 units,  per unit: name
//   u32 procs,  per procedure: u32 unit, name class, name procedure,
//               u64 start, u64 end (end excluded); sorted by start
//   u32 lines,  per line: u64 address, u32 unit, u32 line; sorted by address
//               (line 0 closes a run of code)
//   u32 names and u32 inlines (only when there are inlines): the names of
//               inlined functions, each name class, name procedure; per
//               inlined copy of a function: u32 depth, u32 call unit, u32
//               call line, u32 name, u64 start, u64 end; sorted by start
//
// The stack walkers: the runtime's unwinder from the current frame (usable
// inside a signal handler; it writes only into the caller's buffer), and a
// raw scan of stack memory for values that follow a call instruction, with
// every read checked so a bad address never faults.

#include "exceptionlog/LogText.h"

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ModuleRecord;
class TRazuroModulesList;

/// One procedure of the tables as the build tool collects it.
struct DebugProcedure {
    uint32_t Unit = 0;
    std::string ClassName;
    std::string ProcedureName;
    uint64_t Start = 0;
    uint64_t End = 0;
};
struct DebugLine {
    uint64_t Address = 0;
    uint32_t Unit = 0;
    uint32_t Line = 0;
};
/// A range of a procedure's code that is a function inlined into it:
/// Depth 1 inlined straight into the procedure, 2 into such a copy, and
/// so on; called from CallUnit, line CallLine, of the code around it.
struct DebugInline {
    uint32_t Depth = 1;
    uint32_t CallUnit = 0;
    uint32_t CallLine = 0;
    std::string ClassName;
    std::string ProcedureName;
    uint64_t Start = 0;
    uint64_t End = 0;
};
struct DebugTables {
    std::vector<std::string> Units;
    std::vector<DebugProcedure> Procedures;
    std::vector<DebugLine> Lines;
    std::vector<DebugInline> Inlines;
};

/// The debug part of a block of format Version, in the indexed form: names
/// enciphered with Password from format 500 on, XORed with the options'
/// string key below. Procedures and lines are sorted here.
[[nodiscard]] std::string WriteDebugTables(DebugTables Tables, Word Version,
                                           const AnsiString& Password);
/// All the tables of a debug part (either form), names deciphered: with a
/// wrong password (PasswordOK false) each name is "?" and eight hex digits
/// made from its stored bytes. Raises EDataBlockError "Bad data block:
/// <what>" for a damaged part.
[[nodiscard]] DebugTables ReadDebugTables(std::string_view Data, Word Version,
                                          const AnsiString& Password, bool PasswordOK);

/// Whether Data is a debug part in the indexed form (its pieces packed).
[[nodiscard]] bool IsIndexedDebugTables(std::string_view Data);

/// The tables of a debug part as lookups read them: the index at once, a
/// piece of a table unpacked and read the first time a lookup needs it and
/// kept. Lookups may run on several threads.
class DebugTableIndex;

/// "ns::TClass::Method(int) const" -> class "ns::TClass", procedure "Method";
/// a free function has no class.
void SplitFunctionName(const std::string& Demangled, std::string& ClassName,
                       std::string& ProcedureName);

/// Resolves Address (absolute) against the record's tables, read from its
/// debug part on first use. A return address is looked up one byte back,
/// so the line is the call's. True with Entry filled (kind 4, names, line;
/// line 0 when the address lies before the procedure's first line) when a
/// procedure holds the address.
bool FindSymbol(ModuleRecord& Module, uint64_t Address, bool ReturnAddress, StackEntry& Entry);
/// The frames at Address, innermost first, as `addr2line -i` gives them:
/// the innermost inlined function (or the procedure) with the line of the
/// address, then each function it was inlined into with the line of the
/// call. Empty when no procedure holds the address.
[[nodiscard]] std::vector<StackEntry> FindSymbols(ModuleRecord& Module, uint64_t Address,
                                                  bool ReturnAddress);

/// The flags of the symbol lookup: 16, +4 with CallStackOptions bit 0, +8
/// with bit 1.
[[nodiscard]] int GetSymbolFlags(Byte CallStackOptions);

/// The return addresses of the calling thread from the runtime's unwinder,
/// skipping Skip frames of the caller's own; at most Max. Writes only into
/// Out and allocates nothing, also on the first walk of the process (the
/// runtime finds a module's unwind table through the loader's lock-free
/// lookup), so a fault handler may walk first.
int CaptureStack(uintptr_t* Out, int Max, int Skip);
/// Runs the unwinder's one-time set-up (a once-only initialisation, which
/// a walk interrupting its own thread inside it would wait for forever).
/// Call before interrupting another thread to walk its stack.
void WarmUpUnwinder();

/// Whether the bytes just before Address end with an x86-64 call
/// instruction (relative, or indirect through a register, memory, a
/// displacement, a SIB byte or RIP); unreadable bytes answer false.
[[nodiscard]] bool FollowsCall(uintptr_t Address);
/// Copies Size bytes at Address into Buffer when all are readable; false
/// otherwise. Never faults.
bool SafeRead(uintptr_t Address, void* Buffer, size_t Size);

/// The raw stack scan: from SP up to Top, at most 102400 bytes, in blocks
/// of 400 bytes (8 at a time where a block cannot be read; an unreadable
/// word ends the scan). A word is taken when it points into a loaded module
/// (Ranges: pairs of low, high) and follows a call instruction.
[[nodiscard]] std::vector<uintptr_t> ScanStack(uintptr_t SP, uintptr_t Top,
                                               const std::vector<uintptr_t>& Ranges);
inline constexpr uintptr_t MaxStackScan = 0x19000;

/// The entries of one thread: FirstAddress (when not 0; an exact
/// instruction, not a return address) and then Addresses, each resolved
/// with FindSymbol when its module has debug data (Program: the record
/// with the program's tables, used for addresses in the program), else
/// kind 1 with the module's name. Entries are appended to List.
void BuildCallStack(std::vector<StackEntry>& List, TRazuroModulesList& Modules,
                    ModuleRecord* Program, uint64_t FirstAddress,
                    const std::vector<uintptr_t>& Addresses, uint64_t ThreadID, bool MainThread,
                    bool Running);
