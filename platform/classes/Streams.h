#pragma once

// Streams: TStream with 64-bit positions, and the memory, handle, file and
// string streams. Read and Write move as many bytes as they can and return
// the count; ReadBuffer and WriteBuffer insist on all of them and raise
// EReadError "Stream read error" / EWriteError "Stream write error".
// Open modes of TFileStream are the file routines' fmOpen*/fmShare* values
// (platform/rtl/Files.h) or fmCreate.

#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <cstddef>
#include <vector>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };
/// The older names of the origins.
inline constexpr TSeekOrigin soFromBeginning = soBeginning;
inline constexpr TSeekOrigin soFromCurrent = soCurrent;
inline constexpr TSeekOrigin soFromEnd = soEnd;

/// TFileStream mode: create the file (or empty an existing one) for writing.
inline constexpr Word fmCreate = 0xFFFF;

/// The text of EReadError when a stream holds fewer bytes than asked.
inline constexpr const char* SReadError = "Stream read error";

class TStream : public TObject {
    PRICETAGS_CLASS(TStream, TObject)
public:
    TStream() = default;
    ~TStream() override;

    /// Up to Count bytes into Buffer; returns how many were read (0 at end).
    virtual int Read(void* Buffer, int Count) = 0;
    /// Up to Count bytes from Buffer; returns how many were written.
    virtual int Write(const void* Buffer, int Count) = 0;
    /// Moves the position; returns the new one.
    virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;

    /// Exactly Count bytes or EReadError "Stream read error".
    void ReadBuffer(void* Buffer, int Count);
    /// Exactly Count bytes or EWriteError "Stream write error".
    void WriteBuffer(const void* Buffer, int Count);
    /// Copies Count bytes from Source's position (Count 0: all of Source,
    /// from its start); returns the count. Source running short, and a
    /// negative Count, raise EReadError.
    Int64 CopyFrom(TStream* Source, Int64 Count);

    Int64 Position() { return Seek(0, soCurrent); }
    void SetPosition(Int64 Pos) { Seek(Pos, soBeginning); }
    virtual Int64 Size();
    /// The base cannot resize and ignores the call, as the runtime's did.
    virtual void SetSize(Int64 NewSize);
};

/// A stream over a block of memory it does not own: reads and seeks; writes
/// write nothing (WriteBuffer raises). Positions past the end read nothing.
class TCustomMemoryStream : public TStream {
    PRICETAGS_CLASS(TCustomMemoryStream, TStream)
public:
    TCustomMemoryStream() = default;
    ~TCustomMemoryStream() override;

    int Read(void* Buffer, int Count) override;
    int Write(const void* Buffer, int Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    Int64 Size() override { return FSize; }
    /// Writes the whole block to Stream / to a new file FileName.
    void SaveToStream(TStream* Stream);
    void SaveToFile(const AnsiString& FileName);
    /// The bytes (null when empty).
    void* Memory() const { return FMemory; }

protected:
    void SetPointer(void* Ptr, Int64 Size);

    void* FMemory = nullptr;
    Int64 FSize = 0;
    Int64 FPosition = 0;
};

/// A read-only stream over bytes held elsewhere (fuzz targets, tests).
class MemoryBlockStream : public TCustomMemoryStream {
    PRICETAGS_CLASS(MemoryBlockStream, TCustomMemoryStream)
public:
    MemoryBlockStream(const void* Data, size_t Size);
};

/// A growing block of memory it owns.
class TMemoryStream : public TCustomMemoryStream {
    PRICETAGS_CLASS(TMemoryStream, TCustomMemoryStream)
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;

    int Write(const void* Buffer, int Count) override;
    /// New bytes are zero; the position is kept unless past the new end.
    /// A negative size raises EWriteError "Stream write error".
    void SetSize(Int64 NewSize) override;
    /// Empties the stream.
    void Clear();
    /// The whole of Stream (from its start) / of the file.
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const AnsiString& FileName);

private:
    void SetCapacity(Int64 NewCapacity);

    std::vector<unsigned char> FData;  // size() is the capacity
};

/// A stream over an open file handle it does not close.
class THandleStream : public TStream {
    PRICETAGS_CLASS(THandleStream, TStream)
public:
    explicit THandleStream(int AHandle);
    ~THandleStream() override;

    int Read(void* Buffer, int Count) override;
    int Write(const void* Buffer, int Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    /// Cuts or extends the file; raises EStreamError on failure.
    void SetSize(Int64 NewSize) override;
    int Handle() const { return FHandle; }

protected:
    int FHandle = -1;
};

/// A file opened (or created, with fmCreate) by name; closed when freed.
/// Raises EFCreateError "Cannot create file %s" / EFOpenError "Cannot open
/// file %s" (the name as given).
/// Reads go through a read-ahead block, so readers that take a field at a
/// time cost one system call per block, not per field; Position and Seek
/// are those of the stream as if unbuffered. Size is the file's size as of
/// the last block read or write (another program's writes in between show
/// at the next block). Writes go straight to the file (a failure shows at
/// the Write that failed). While reading, the handle's own offset may lie
/// ahead of Position: move the file through the stream, never through
/// Handle().
class TFileStream : public THandleStream {
    PRICETAGS_CLASS(TFileStream, THandleStream)
public:
    TFileStream(const AnsiString& FileName, Word Mode);
    ~TFileStream() override;
    const AnsiString& FileName() const { return FFileName; }

    int Read(void* Buffer, int Count) override;
    int Write(const void* Buffer, int Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    Int64 Size() override;
    void SetSize(Int64 NewSize) override;

private:
    /// Forgets the read-ahead and puts the handle back at the position.
    void DropReadAhead();

    AnsiString FFileName;
    // The stream's position. With no read-ahead (FAheadLength 0) the
    // handle stands there; with one, the handle stands at its end.
    Int64 FPosition = 0;
    std::vector<unsigned char> FAhead;  // allocated on the first read
    Int64 FAheadStart = 0;              // the file offset of FAhead[0]
    int FAheadLength = 0;               // bytes of FAhead read from the file
    Int64 FSize = -1;                   // the file's size, -1 to be asked
};

/// A stream over a string of bytes (DataString).
class TStringStream : public TStream {
    PRICETAGS_CLASS(TStringStream, TStream)
public:
    explicit TStringStream(const AnsiString& AString = AnsiString());
    ~TStringStream() override;

    int Read(void* Buffer, int Count) override;
    int Write(const void* Buffer, int Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    /// Cuts or extends the string with zero bytes; a size outside
    /// 0..MaxInt raises EWriteError "Stream write error".
    void SetSize(Int64 NewSize) override;
    /// Up to Count bytes from the position.
    AnsiString ReadString(int Count);
    /// Writes S at the position.
    void WriteString(const AnsiString& S);
    const AnsiString& DataString() const { return FDataString; }

private:
    AnsiString FDataString;
    Int64 FPosition = 0;
};
