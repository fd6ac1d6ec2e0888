#pragma once

// Declarations shared by the workbook reader's source files: the compound
// file (structured storage) container, the error raisers and text
// conversion. Not for use outside the reader and its tests.

#include "platform/sheets/Workbook.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace workbook_detail {

/// Little-endian integers of the file at P; the caller has checked that
/// the bytes are there.
inline uint16_t U16(const char* P)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(P[0]) | static_cast<uint8_t>(P[1]) << 8);
}

inline uint32_t U32(const char* P)
{
    return static_cast<uint32_t>(U16(P)) | static_cast<uint32_t>(U16(P + 2)) << 16;
}

inline uint64_t U64(const char* P)
{
    return static_cast<uint64_t>(U32(P)) | static_cast<uint64_t>(U32(P + 4)) << 32;
}

/// Raise EWorkbookError with the reader's texts, naming the file.
[[noreturn]] void RaiseNotWorkbook(const AnsiString& Name);
[[noreturn]] void RaisePassword(const AnsiString& Name);
[[noreturn]] void RaiseDamaged(const AnsiString& Name);
/// Raises EFOpenError "Файл не найден: <name>".
[[noreturn]] void RaiseNotFound(const AnsiString& Name);

/// The container of a workbook's streams. Keeps a view of the file's bytes,
/// which must outlive it. Every sector number and chain is checked against
/// the file: a chain that loops, leaves the file or ends before its stream's
/// size raises "Файл повреждён"; bytes without the container's signature
/// raise "Файл не является книгой Excel".
class CompoundFile {
public:
    CompoundFile(std::string_view Bytes, const AnsiString& Name);

    /// The contents of a stream directly under the root storage, its name
    /// compared without regard to ASCII case; false when there is none.
    /// Contents views the file's bytes where the stream's sectors follow
    /// each other in the file (as writers lay them out), else a copy made
    /// in Storage.
    bool ReadStream(std::string_view StreamName, std::string& Storage,
                    std::string_view& Contents) const;

private:
    struct Entry {
        std::u16string Name;
        uint8_t Type = 0;
        uint32_t Left = 0;
        uint32_t Right = 0;
        uint32_t Child = 0;
        uint32_t Start = 0;
        uint64_t Size = 0;
    };

    void ReadHeader();
    void ReadFat();
    void ReadDirectory();
    /// Sectors of the regular chain from Start, Size bytes of them.
    std::string ReadChain(uint32_t Start, uint64_t Size) const;
    /// Whether the chain from Start holds Size bytes in sectors that follow
    /// each other, all inside the file.
    bool IsContiguous(uint32_t Start, uint64_t Size) const;
    /// The directory entry of a stream under the root; null when none.
    const Entry* FindStream(std::string_view StreamName) const;
    /// A regular chain of unknown length, to its end.
    std::string ReadWholeChain(uint32_t Start) const;
    /// A small stream: Size bytes of the mini stream's chain from Start.
    std::string ReadMiniChain(uint32_t Start, uint64_t Size) const;
    uint32_t NextSector(uint32_t Sector) const;
    /// A whole sector inside the file; raises when it is not.
    const char* SectorData(uint32_t Sector) const;
    [[noreturn]] void Damaged() const { RaiseDamaged(FName); }

    std::string_view FBytes;
    AnsiString FName;
    uint32_t FSectorShift = 9;
    uint32_t FSectorSize = 512;
    uint32_t FSectorCount = 0;  ///< whole sectors present in the file
    uint32_t FFatSectorCount = 0;
    uint32_t FFirstDirSector = 0;
    uint32_t FFirstMiniFatSector = 0;
    uint32_t FFirstDifatSector = 0;
    uint32_t FDifatSectorCount = 0;
    bool FVersion4 = false;
    std::vector<uint32_t> FFat;
    std::vector<Entry> FEntries;
};

/// CP1251 text of UTF-16 code units (little-endian bytes, Count units);
/// a character the code page lacks becomes '?', a surrogate pair one '?'.
void AppendUtf16(std::string& Out, const char* Bytes, size_t Count);
/// CP1251 text of Latin-1 bytes (BIFF8's compressed strings).
void AppendLatin1(std::string& Out, const char* Bytes, size_t Count);
/// CP1251 text of 8-bit text in a workbook code page (BIFF5): 1251 as it
/// stands, 1252 converted, bytes above 0x7F of any other page '?'.
void AppendCodePage(std::string& Out, const char* Bytes, size_t Count, int CodePage);

/// What a number format makes of a number: a date for the built-in date
/// formats and for format strings with date or time tokens outside quotes
/// and brackets; money for the built-in currency formats and strings with a
/// currency sign; plain otherwise.
NumberKind ClassifyBuiltinFormat(uint32_t Index);
NumberKind ClassifyFormatString(std::u16string_view Format);

}  // namespace workbook_detail
