#pragma once

// Block access to files of any size: TWqHugeFile reads and writes blocks
// at 64-bit positions, optionally through one large page-aligned buffer for
// sequential reading or writing, retries an open that meets a busy file
// while a wait time lasts, and raises errors that name the operation and
// the file. TschFileStream is the stream over it (block size 1, a 256 KiB
// buffer) that the program's data files are written and read through.
//
// Positions and counts of the public operations are in blocks. Sharing
// follows the file routines of the runtime layer: a file held exclusively
// by another handle of this process opens with ERROR_SHARING_VIOLATION.

#include "platform/classes/Object.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

#include <cstring>
#include <memory>

PRICETAGS_EXCEPTION(EWqHugeFile, Exception);
PRICETAGS_EXCEPTION(EWqHugeFileStream, EWqHugeFile);

/// Flags of Reset and Rewrite.
inline constexpr Byte hfBuffered = 1;
/// Lock the buffer in memory.
inline constexpr Byte hfLockBuffer = 2;
/// With hfBuffered: close the handle as soon as a read reaches the end of
/// the file, and reopen it at the next Reset.
inline constexpr Byte hfCloseAtEof = 4;
/// Reset only: create the file when it is missing.
inline constexpr Byte hfCreateIfMissing = 8;

/// Results of Reset and Rewrite.
inline constexpr int hfOpened = 0;
/// The file stayed busy (sharing or lock violation).
inline constexpr int hfShareError = 1;
/// Another error; LastError() tells it.
inline constexpr int hfOpenError = 2;

/// Share mode of the constructor that lets the access decide: readers
/// share with readers, writers share with no one.
inline constexpr DWORD hfAutoShare = 0xFFFF;

class TWqHugeFile : public TObject {
    PRICETAGS_CLASS(TWqHugeFile, TObject)
public:
    /// Stores the arguments; nothing is opened. DesiredAccess is
    /// GENERIC_READ and/or GENERIC_WRITE; ShareMode FILE_SHARE_... bits or
    /// hfAutoShare.
    TWqHugeFile(const AnsiString& FileName, DWORD DesiredAccess, DWORD ShareMode,
                DWORD FlagsAndAttributes);
    /// Closes the file. A failure to write the buffer here is logged, not
    /// raised: call Close first to see it.
    ~TWqHugeFile() override;

    /// Opens the existing file (or, with hfCreateIfMissing, opens or creates
    /// it) for block reading from position 0. While the file is busy and
    /// less than WaitTime ms have passed the open is retried (0: no retry).
    /// hfOpened, hfShareError or
    /// hfOpenError; a failed open leaves the file closed. BlockSize < 1
    /// raises EWqHugeFile "TWqHugeFile(<name>):BlockSize must be greater
    /// than zero!". BufferSize 0 means 64 KiB.
    [[nodiscard]] int Reset(Integer BlockSize, Integer BufferSize, Byte Flags,
                            DWORD WaitTime = 0);
    /// Creates the file or empties it, for block writing (buffered with
    /// hfBuffered); otherwise as Reset.
    [[nodiscard]] int Rewrite(Integer BlockSize, Integer BufferSize, Byte Flags,
                              DWORD WaitTime = 0);
    /// Writes what the buffer holds and closes the handle; nothing when
    /// closed.
    void Close();

    /// Reads Count blocks; Read is the count of whole blocks read (fewer at
    /// the end of the file).
    void BlockRead(void* Buffer, Integer Count, Integer& Read);
    /// Takes Bytes bytes (of a file of 1-byte blocks) from what the read
    /// buffer holds, when it holds them all, as BlockRead would; false,
    /// with nothing changed, otherwise. Streams read small fields one by
    /// one: this spares them the general path.
    bool TakeFromBuffer(void* Dest, Integer Bytes)
    {
        if (FMode != BufferMode::Read || FBlockSize != 1 || Bytes <= 0
            || FBufferFill - FBufferPos < Bytes)
            return false;
        std::memcpy(Dest, FBuffer + FBufferPos, static_cast<size_t>(Bytes));
        FBufferPos += Bytes;
        return true;
    }
    /// Writes Count blocks; Written is the count written.
    void BlockWrite(const void* Buffer, Integer Count, Integer& Written);
    /// Moves to block Block.
    void Seek(Int64 Block);
    /// The current position in blocks.
    [[nodiscard]] Int64 FilePos();
    /// The size in blocks, data still in the write buffer included.
    [[nodiscard]] Int64 FileSize();
    /// Ends the file at the current position.
    void Truncate();

    /// Raises EWqHugeFile "TWqHugeFile.<Op>(<name>) failed. System Error.
    /// Code: <n>.\r\n<message>" (help context 1001) when Ok is false, or
    /// "... failed. A call to an OS function failed" (1002) when the last
    /// error is 0.
    virtual void HugeFileCheckOsResult(bool Ok, const AnsiString& Op);

    const AnsiString& FileName() const { return FFileName; }
    [[nodiscard]] bool IsOpen() const { return FIsOpen; }
    /// The file handle, -1 when closed.
    [[nodiscard]] int Handle() const { return FHandle; }
    [[nodiscard]] Integer BlockSize() const { return FBlockSize; }
    [[nodiscard]] bool Buffered() const { return FBuffered; }
    [[nodiscard]] bool EofReached() const { return FEofReached; }
    /// The system error code of the last failed call.
    [[nodiscard]] DWORD LastError() const { return FLastError; }

    // Virtual operations, in the order descendants know them.
    /// The position in blocks (FilePos).
    virtual Int64 _FilePos();
    /// FileSize, computed once until a write or truncation changes it.
    virtual Int64 GetSizeCached();
    virtual void _Seek(Int64 Block);
    /// Opens the handle: hfOpened, hfShareError or hfOpenError.
    virtual int OpenFile(Integer ABlockSize, bool ForReading, DWORD WaitTime);
    virtual void AllocBuffer();
    /// Raises "TWqHugeFile(<name>):File not open!" when closed.
    virtual void CheckHandle();
    /// Buffered read of Bytes bytes; returns the bytes read.
    virtual Int64 Fetch(void* Dest, Int64 Bytes);
    /// Writes the filled part of a write buffer and empties it.
    virtual void FlushBuffer();
    /// Flushes and frees the buffer.
    virtual void FreeBuffer();
    /// The last write time (local, to the even second); -1 for a missing
    /// file or a folder.
    virtual TDateTime GetDate();
    virtual void InitReadBuffer();
    virtual void InitWriteBuffer();
    /// True when the current block position is not below the size.
    virtual bool IsEof();
    /// Size rounded up to the system page size.
    virtual Integer RoundToPageSize(Integer Size);
    /// Sets the last write time; raises "TWqHugeFile.SetDate(<name>)
    /// failed. <message>" on failure.
    virtual void SetDate(TDateTime Value);
    /// Buffered write of Bytes bytes.
    virtual void WriteBuffered(const void* Src, Int64 Bytes);

private:
    enum class BufferMode { None, Read, Write };

    int Open(Integer ABlockSize, Integer ABufferSize, Byte Flags, bool ForReading,
             DWORD WaitTime);
    /// The byte position the caller sees (the handle's position corrected by
    /// what the buffer holds).
    Int64 LogicalPosition() const;
    /// Reads up to Bytes straight from the handle; raises under Op.
    Int64 ReadDirect(void* Dest, Int64 Bytes, const char* Op);
    /// Writes Bytes straight to the handle; raises under Op.
    void WriteDirect(const void* Src, Int64 Bytes, const char* Op);
    void WriteOut(const char* Op);
    void CloseAtEnd();
    [[noreturn]] void RaiseError(const char* Fmt, int HelpContext);

    Integer FBlockSize = 1;
    unsigned char* FBuffer = nullptr;
    Integer FBufferSize = 0;
    bool FBuffered = false;
    Integer FBufferPos = 0;
    Integer FBufferFill = 0;
    Int64 FFilePosition = 0;
    Int64 FCachedSize = -1;
    bool FCreateIfMissing = false;
    bool FCloseAtEof = false;
    bool FEofReached = false;
    DWORD FDesiredAccess = 0;
    DWORD FShareMode = 0;
    bool FNoBuffering = false;
    DWORD FFlagsAndAttributes = 0;
    bool FClosedAtEof = false;
    int FHandle = -1;
    bool FIsOpen = false;
    Int64 FSizeAtClose = 0;
    bool FLockBuffer = false;
    AnsiString FFileName;
    bool FAutoShare = true;
    DWORD FLastError = 0;
    BufferMode FMode = BufferMode::None;
};

/// Modes of TschFileStream.
inline constexpr Word schOpenRead = 0;
inline constexpr Word schCreate = 1;
/// Read and write, the file created when missing; any other mode opens an
/// existing file for reading and writing.
inline constexpr Word schOpenOrCreate = 0xFFFF;

/// A buffered stream over a TWqHugeFile: mode 0 opens an existing file for
/// reading, 1 creates or empties one for writing, 0xFFFF opens or creates
/// one for reading and writing, any other opens an existing one for reading
/// and writing. A failed open raises EWqHugeFile under "Reset" or
/// "Rewrite" (a missing file: "TWqHugeFile.Reset(<name>) failed. System
/// Error.  Code: 2.\r\n..."). Freeing the stream writes the buffer and
/// closes the file; File().Close() does it with errors raised.
class TschFileStream : public TStream {
    PRICETAGS_CLASS(TschFileStream, TStream)
public:
    TschFileStream(const AnsiString& FileName, Word Mode);
    ~TschFileStream() override;

    int Read(void* Buffer, int Count) override;
    int Write(const void* Buffer, int Count) override;
    /// Raises EWqHugeFileStream "TWqHugeFileStream((Seek)):Invalid mode!"
    /// for an origin other than the three.
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    /// The size in bytes; -1 when the file is not open.
    Int64 Size() override;
    /// Moves to NewSize and ends the file there.
    void SetSize(Int64 NewSize) override;

    TWqHugeFile& File() { return *FFile; }

private:
    std::unique_ptr<TWqHugeFile> FFile;
};
