#pragma once

// The data block of a module: the exception log's options and debug data,
// carried by the program file in an ELF section that our build step adds
// after linking, or, failing that, as a trailer at the end of the file.
//
// Section form (magic 0x000FAB10, little-endian):
//   u32 magic | u16 format | f64 compilation date (TDateTime) | ...
//   format >= 500: u32 A, A bytes skipped | u32 B, B bytes zlib(options)
//                  | u32 check value (TEA) | zlib(u32 L, L bytes debug data)
//   450..499:      zlib(options | u32 L | L bytes debug data)
//   below 450:     the same, not compressed
// Trailer form: ... | u16 format | f64 date | options | u32 L | L bytes debug
//   | u32 body length | u32 magic
//
// Every length is checked against the bytes that hold it and every
// decompression is capped (at 16 times its packed size, 1 MiB at least, and
// the limits below), so a damaged or crafted file gives an EDataBlockError
// (or EZLibError / EReadError), never a huge allocation.

#include "exceptionlog/ModuleOptions.h"

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TMemoryStream;
class TStream;
struct DebugTables;

/// A data block that is there but cannot be read.
PRICETAGS_EXCEPTION(EDataBlockError, Exception);

inline constexpr uint32_t DataBlockMagic = 0x000FAB10;
/// The ELF section that carries the block.
inline constexpr char DataBlockSection[] = ".eldata";
/// The largest options stream and debug part a block may unpack to.
inline constexpr size_t MaxOptionsSize = size_t(16) << 20;
inline constexpr size_t MaxDebugDataSize = size_t(256) << 20;

/// Bytes kept for later use: a view and what keeps it alive (a copy of
/// its own, or the program file's section mapped read-only, whose pages
/// are read only when touched).
struct KeptBytes {
    std::shared_ptr<const void> Owner;
    const char* Data = nullptr;
    size_t Size = 0;
    [[nodiscard]] bool empty() const { return Size == 0; }
};

/// What the exception log knows of one module. Debug-data lookups and the
/// module's function list come with the call-stack code.
struct ModuleRecord {
    ModuleRecord();
    ~ModuleRecord();
    ModuleRecord(const ModuleRecord&) = delete;
    ModuleRecord& operator=(const ModuleRecord&) = delete;

    /// The module's load address (0 when unknown).
    uintptr_t Handle = 0;
    AnsiString FileName;
    uint32_t VersionMS = 0;
    uint32_t VersionLS = 0;
    int64_t FileSize = 0;
    /// 0 unknown, 1 executable, 3 shared library (2 never occurs here).
    Byte Kind = 0;
    bool DebugDataPresent = false;
    /// Format of the block; this code's own format without a block.
    Word DataVersion = CurrentDataVersion;
    /// Compilation date from the block; 0 without one.
    TDateTime CompiledDate = 0;
    std::unique_ptr<TRazuroModuleOptions> Options;
    /// The debug part, or null; see ModuleDebugData.
    std::unique_ptr<TMemoryStream> DebugData;
    /// The debug part as the block packs it (format 500 on), unpacked on
    /// first use: a program does not carry its unpacked tables while
    /// nothing fails. From a program file it stays in the file's mapped
    /// section until then (a start reads only the options).
    KeptBytes PackedDebugData;
    TDateTime Modified = 0;
    /// The password given for the encrypted part, and whether it was right
    /// (true when there is no encrypted part).
    AnsiString Password;
    bool PasswordOK = true;
    /// The debug part's tables, read on first lookup (shared with lookups
    /// under way when the record is refreshed).
    std::shared_ptr<const DebugTables> Tables;
};

/// Asks for the password of a block's encrypted part.
using PasswordSource = std::function<AnsiString()>;

/// Reads a block in section form (Data, Size: the section's bytes) into
/// Rec: options, format, date, and with WantDebug the debug part (asking
/// Password when the format encrypts it; a packed part is checked when it
/// is first used, ModuleDebugData). Rec is changed only on success.
/// Raises EDataBlockError "Bad data block: <what>", EZLibError or
/// EReadError for a damaged block.
void ReadDataBlock(const void* Data, size_t Size, bool WantDebug, const PasswordSource& Password,
                   ModuleRecord& Rec);
/// The same for a block that Owner keeps alive: the packed debug part is
/// kept as a view into Data instead of a copy.
void ReadDataBlock(const std::shared_ptr<const void>& Owner, const void* Data, size_t Size,
                   bool WantDebug, const PasswordSource& Password, ModuleRecord& Rec);

/// The record's debug part, unpacked on the first call; null without one.
/// Raises EDataBlockError or EZLibError for a damaged packed part (which is
/// then dropped).
TMemoryStream* ModuleDebugData(ModuleRecord& Rec);

/// Finds the block of a program file: the ELF section first, the trailer
/// second. False when the file carries neither (Rec untouched); raises as
/// ReadDataBlock when one is there but damaged. A section of a file stream
/// is mapped, not read, and the record keeps the mapping for its debug
/// part (the mapping holds the file as it was, also when it is replaced).
bool ReadModuleBlock(TStream& File, bool WantDebug, const PasswordSource& Password,
                     ModuleRecord& Rec);

/// Offset and size of the named section of an ELF file; false when the file
/// is no 64-bit little-endian ELF file, has no such section, or the
/// section lies outside the file.
bool FindElfSection(TStream& File, const char* Name, Int64& Offset, Int64& Size);

/// The block in section form for Options at format Version (the build step
/// and tests write blocks with it). Debug data are enciphered with
/// Password from format 500 on.
[[nodiscard]] std::string BuildDataBlock(const TRazuroModuleOptions& Options, Word Version,
                                         TDateTime Date, const std::string& Debug,
                                         const AnsiString& Password = AnsiString());
/// The same block in trailer form, to be appended to a program file.
[[nodiscard]] std::string BuildTrailerBlock(const TRazuroModuleOptions& Options, Word Version,
                                            TDateTime Date, const std::string& Debug);
