#include "common/base/HBuffFile.h"

#include "common/base/Funcs.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

/// Bytes 0, 1, ..., 250, 0, 1, ... so that every offset is recognisable.
std::string Pattern(size_t Size)
{
    std::string Bytes(Size, '\0');
    for (size_t I = 0; I < Size; ++I)
        Bytes[I] = static_cast<char>(I % 251);
    return Bytes;
}

constexpr DWORD FileAttributeNormal = 128;

} // namespace

TEST(HBuffFile, FreeingTheStreamWritesItsBuffer)
{
    TempDir Tmp;
    const AnsiString Name = Tmp.File("ten.bin");
    {
        TschFileStream S(Name, schCreate);
        S.WriteBuffer("0123456789", 10);
        EXPECT_EQ(S.Size(), 10);
    }
    EXPECT_EQ(ReadBytes(Tmp.Path() / "ten.bin"), "0123456789");
}

TEST(HBuffFile, CreatingEmptiesAnExistingFile)
{
    TempDir Tmp;
    WriteBytes(Tmp.Path() / "old.bin", "old contents");
    {
        TschFileStream S(Tmp.File("old.bin"), schCreate);
        S.WriteBuffer("new", 3);
    }
    EXPECT_EQ(ReadBytes(Tmp.Path() / "old.bin"), "new");
}

TEST(HBuffFile, OpeningAMissingFileNamesTheOperation)
{
    TempDir Tmp;
    const AnsiString Name = Tmp.File("missing.bin");
    const AnsiString Text = "TWqHugeFile.Reset(" + Name + ") failed. System Error.  Code: 2.\r\n"
                            + SysErrorMessage(2);
    for (Word Mode : {schOpenRead, Word(2)}) {
        SCOPED_TRACE(Mode);
        ExpectRaises<EWqHugeFile>([&] { TschFileStream S(Name, Mode); }, Text);
    }
    try {
        TschFileStream S(Name, schOpenRead);
    } catch (const EWqHugeFile& E) {
        EXPECT_EQ(E.HelpContext, 1001);
    }
    EXPECT_FALSE(FileExists(Name));
}

TEST(HBuffFile, OpenOrCreateMakesTheFile)
{
    TempDir Tmp;
    const AnsiString Name = Tmp.File("made.bin");
    {
        TschFileStream S(Name, schOpenOrCreate);
        EXPECT_EQ(S.Size(), 0);
    }
    EXPECT_TRUE(FileExists(Name));
}

TEST(HBuffFile, SeekWithAnUnknownOrigin)
{
    TempDir Tmp;
    TschFileStream S(Tmp.File("x.bin"), schCreate);
    try {
        S.Seek(0, static_cast<TSeekOrigin>(3));
        ADD_FAILURE() << "nothing raised";
    } catch (const EWqHugeFileStream& E) {
        EXPECT_EQ(E.Message, "TWqHugeFileStream((Seek)):Invalid mode!");
        EXPECT_EQ(E.HelpContext, 1010);
    }
}

TEST(HBuffFile, StreamSeeksFromEachOrigin)
{
    TempDir Tmp;
    TschFileStream S(Tmp.File("x.bin"), schCreate);
    S.WriteBuffer("0123456789", 10);
    EXPECT_EQ(S.Seek(2, soBeginning), 2);
    EXPECT_EQ(S.Seek(3, soCurrent), 5);
    EXPECT_EQ(S.Seek(-4, soEnd), 6);
    EXPECT_EQ(S.Position(), 6);
}

TEST(HBuffFile, AFileHeldExclusivelyFailsAtOnce)
{
    TempDir Tmp;
    const AnsiString Name = Tmp.File("held.bin");
    TschFileStream Writer(Name, schCreate);  // writers share with no one
    ExpectRaises<EWqHugeFile>([&] { TschFileStream Reader(Name, schOpenRead); },
                              "TWqHugeFile.Reset(" + Name
                                  + ") failed. System Error.  Code: 32.\r\n"
                                  + SysErrorMessage(32));
    TWqHugeFile F(Name, GENERIC_READ, hfAutoShare, FileAttributeNormal);
    EXPECT_EQ(F.Reset(1, 0, 0), hfShareError);
    EXPECT_EQ(F.LastError(), 32u);
    EXPECT_FALSE(F.IsOpen());
}

TEST(HBuffFile, ABusyOpenIsRetriedWhileTheWaitLasts)
{
    TempDir Tmp;
    const AnsiString Name = Tmp.File("busy.bin");
    auto Holder = std::make_unique<TschFileStream>(Name, schCreate);
    std::thread Release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        Holder.reset();
    });
    TWqHugeFile F(Name, GENERIC_READ, hfAutoShare, FileAttributeNormal);
    const int Status = F.Reset(1, 0, 0, /*WaitTime=*/5000);
    Release.join();
    EXPECT_EQ(Status, hfOpened);
    EXPECT_TRUE(F.IsOpen());
}

TEST(HBuffFile, ReadersShareWithReaders)
{
    TempDir Tmp;
    WriteBytes(Tmp.Path() / "shared.bin", "abc");
    TschFileStream A(Tmp.File("shared.bin"), schOpenRead);
    TschFileStream B(Tmp.File("shared.bin"), schOpenRead);
    char C = 0;
    B.ReadBuffer(&C, 1);
    EXPECT_EQ(C, 'a');
}

TEST(HBuffFile, BufferedReadingAcrossBufferBoundaries)
{
    TempDir Tmp;
    const std::string Data = Pattern(1000000);  // a few 256 KiB buffers and a part
    WriteBytes(Tmp.Path() / "big.bin", Data);
    TschFileStream S(Tmp.File("big.bin"), schOpenRead);
    EXPECT_EQ(S.Size(), Int64(Data.size()));

    std::string Got;
    const int Sizes[] = {1, 1000, 300000, 7, 262144, 50000};  // one larger than the buffer
    for (size_t I = 0; Got.size() < Data.size(); ++I) {
        std::string Part(size_t(Sizes[I % 6]), '\0');
        const int N = S.Read(Part.data(), int(Part.size()));
        ASSERT_GT(N, 0);
        Got.append(Part.data(), size_t(N));
    }
    EXPECT_EQ(Got, Data);
    char C = 0;
    EXPECT_EQ(S.Read(&C, 1), 0);  // at the end nothing more
    EXPECT_TRUE(S.File().IsEof());
}

TEST(HBuffFile, SeekingInsideAndOutsideTheBuffer)
{
    TempDir Tmp;
    const std::string Data = Pattern(600000);
    WriteBytes(Tmp.Path() / "seek.bin", Data);
    TschFileStream S(Tmp.File("seek.bin"), schOpenRead);
    const Int64 Targets[] = {10, 5, 200000, 599999, 300000, 0};  // back, inside, far, last byte
    for (Int64 T : Targets) {
        SCOPED_TRACE(T);
        S.SetPosition(T);
        char C = 0;
        S.ReadBuffer(&C, 1);
        EXPECT_EQ(C, Data[size_t(T)]);
        EXPECT_EQ(S.Position(), T + 1);
    }
}

TEST(HBuffFile, BufferedWritingOfLargeAndSmallParts)
{
    TempDir Tmp;
    const std::string Data = Pattern(900000);
    {
        TschFileStream S(Tmp.File("w.bin"), schCreate);
        S.WriteBuffer(Data.data(), 100);
        S.WriteBuffer(Data.data() + 100, 600000);  // larger than the buffer
        S.WriteBuffer(Data.data() + 600100, int(Data.size()) - 600100);
        EXPECT_EQ(S.Size(), Int64(Data.size()));
        EXPECT_EQ(S.Position(), Int64(Data.size()));
    }
    EXPECT_EQ(ReadBytes(Tmp.Path() / "w.bin"), Data);
}

TEST(HBuffFile, WritingAfterSeekingBack)
{
    TempDir Tmp;
    {
        TschFileStream S(Tmp.File("p.bin"), schCreate);
        S.WriteBuffer("0123456789", 10);
        S.SetPosition(2);
        S.WriteBuffer("ab", 2);
        S.Seek(0, soEnd);
        S.WriteBuffer("!", 1);
    }
    EXPECT_EQ(ReadBytes(Tmp.Path() / "p.bin"), "01ab456789!");
}

TEST(HBuffFile, SetSizeCutsTheFile)
{
    TempDir Tmp;
    {
        TschFileStream S(Tmp.File("cut.bin"), schCreate);
        S.WriteBuffer(Pattern(100).data(), 100);
        S.SetSize(40);
        EXPECT_EQ(S.Size(), 40);
    }
    EXPECT_EQ(ReadBytes(Tmp.Path() / "cut.bin"), Pattern(40));
}

TEST(HBuffFile, PositionsBeyondFourGigabytes)
{
    TempDir Tmp;
    const AnsiString Name = Tmp.File("sparse.bin");
    const Int64 Far = 5LL * 1024 * 1024 * 1024 + 3;  // past every 32-bit position
    {
        TWqHugeFile F(Name, GENERIC_WRITE, hfAutoShare, FileAttributeNormal);
        ASSERT_EQ(F.Rewrite(1, 0, hfBuffered), hfOpened);
        F.Seek(Far);
        Integer Written = 0;
        F.BlockWrite("tail", 4, Written);
        EXPECT_EQ(Written, 4);
        EXPECT_EQ(F.FilePos(), Far + 4);
        EXPECT_EQ(F.FileSize(), Far + 4);  // the buffered bytes count
        F.Close();
    }
    TschFileStream S(Name, schOpenRead);
    EXPECT_EQ(S.Size(), Far + 4);
    EXPECT_EQ(S.Seek(-4, soEnd), Far);
    char Tail[4] = {};
    S.ReadBuffer(Tail, 4);
    EXPECT_EQ(std::string(Tail, 4), "tail");
    S.SetPosition(Far - 1);
    char Hole = 'x';
    S.ReadBuffer(&Hole, 1);
    EXPECT_EQ(Hole, '\0');
}

TEST(HBuffFile, BlocksOfSeveralBytes)
{
    TempDir Tmp;
    const AnsiString Name = Tmp.File("blocks.bin");
    TWqHugeFile F(Name, GENERIC_READ | GENERIC_WRITE, hfAutoShare, FileAttributeNormal);
    ASSERT_EQ(F.Rewrite(4, 0, 0), hfOpened);  // unbuffered
    Integer N = 0;
    F.BlockWrite("aaaabbbbcccc", 3, N);
    EXPECT_EQ(N, 3);
    EXPECT_EQ(F.FileSize(), 3);
    F.Seek(1);
    char Block[5] = {};
    F.BlockRead(Block, 1, N);
    EXPECT_EQ(N, 1);
    EXPECT_EQ(std::string(Block), "bbbb");
    EXPECT_EQ(F.FilePos(), 2);
    F.BlockRead(Block, 2, N);  // only one block left
    EXPECT_EQ(N, 1);
    EXPECT_TRUE(F.IsEof());
}

struct ErrorCase {
    std::function<void(TWqHugeFile&)> Act;
    const char* Format;
    int HelpContext;
    const char* Why;
};

TEST(HBuffFile, MisuseRaisesWithTheFileName)
{
    TempDir Tmp;
    const AnsiString Name = Tmp.File("e.bin");
    WriteBytes(Tmp.Path() / "e.bin", "data");
    const ErrorCase Cases[] = {
        {[](TWqHugeFile& F) { (void)F.Reset(0, 0, 0); },
         "TWqHugeFile(%s):BlockSize must be greater than zero!", 1003, "block size 0"},
        {[](TWqHugeFile& F) {
             Integer N = 0;
             char B[4];
             F.BlockRead(B, 1, N);
         },
         "TWqHugeFile(%s):File not open!", 1004, "reading a closed file"},
        {[](TWqHugeFile& F) {
             ASSERT_EQ(F.Rewrite(1, 0, hfBuffered), hfOpened);
             Integer N = 0;
             char B[4];
             F.BlockRead(B, 1, N);
         },
         "TWqHugeFile(%s):Read while in buffered write mode!", 1007, "reading a write buffer"},
        {[](TWqHugeFile& F) {
             ASSERT_EQ(F.Reset(1, 0, hfBuffered), hfOpened);
             Integer N = 0;
             F.BlockWrite("x", 1, N);
         },
         "TWqHugeFile(%s):Write while in buffered read mode!", 1006, "writing a read buffer"},
    };
    for (const ErrorCase& C : Cases) {
        SCOPED_TRACE(C.Why);
        TWqHugeFile F(Name, GENERIC_READ | GENERIC_WRITE, hfAutoShare, FileAttributeNormal);
        try {
            C.Act(F);
            ADD_FAILURE() << "nothing raised";
        } catch (const EWqHugeFile& E) {
            EXPECT_EQ(E.Message, Format(C.Format, {Name}));
            EXPECT_EQ(E.HelpContext, C.HelpContext);
        }
    }
}

TEST(HBuffFile, CloseAtEndOfFileAndReopen)
{
    TempDir Tmp;
    WriteBytes(Tmp.Path() / "c.bin", "abcdef");
    TWqHugeFile F(Tmp.File("c.bin"), GENERIC_READ, hfAutoShare, FileAttributeNormal);
    ASSERT_EQ(F.Reset(1, 0, hfBuffered | hfCloseAtEof), hfOpened);
    char B[10] = {};
    Integer N = 0;
    F.BlockRead(B, 10, N);
    EXPECT_EQ(N, 6);
    EXPECT_FALSE(F.IsOpen());  // the handle went at the end of the file
    EXPECT_EQ(F.FileSize(), 6);
    ASSERT_EQ(F.Reset(1, 0, hfBuffered | hfCloseAtEof), hfOpened);
    F.BlockRead(B, 3, N);
    EXPECT_EQ(std::string(B, 3), "abc");
}

TEST(HBuffFile, FileDate)
{
    TempDir Tmp;
    const AnsiString Name = Tmp.File("d.bin");
    TWqHugeFile Missing(Name, GENERIC_READ, hfAutoShare, FileAttributeNormal);
    EXPECT_EQ(double(Missing.GetDate()), -1.0);

    WriteBytes(Tmp.Path() / "d.bin", "x");
    TWqHugeFile F(Name, GENERIC_READ, hfAutoShare, FileAttributeNormal);
    // Even seconds: the date is kept in two-second steps.
    const TDateTime When = EncodeDate(2020, 5, 17) + EncodeTime(10, 30, 42, 0);
    F.SetDate(When);
    EXPECT_DOUBLE_EQ(double(F.GetDate()), double(When));

    TWqHugeFile Folder(AnsiString::FromUtf8(Tmp.Path().string()), GENERIC_READ, hfAutoShare,
                       FileAttributeNormal);
    EXPECT_EQ(double(Folder.GetDate()), -1.0);
}

TEST(HBuffFile, TaggedEncodingOverTheFileStream)
{
    TempDir Tmp;
    const AnsiString Name = Tmp.File("LastInvoice.inv");
    const AnsiString Long(std::string(300000, 'q'));  // longer than the buffer
    {
        TschFileStream S(Name, schCreate);
        WriteRecordStart(S, "shInvoice");
        WriteString(S, Long);
        WriteCurrency(S, Currency::FromRaw(42));
        WriteRecordEnd(S);
    }
    TschFileStream S(Name, schOpenRead);
    EXPECT_EQ(ReadByte(S), TagRecordStart);
    ReadRecordHeader(S, "shInvoice");
    EXPECT_EQ(ReadString(S), Long);
    EXPECT_EQ(ReadCurrency(S), Currency::FromRaw(42));
    EXPECT_EQ(ReadByte(S), TagRecordEnd);
    ExpectRaises<EReadError>([&] { (void)ReadByte(S); }, "Stream read error");
}

TEST(HBuffFile, ResetOfAnOpenFileWritesItsBufferFirst)
{
    TempDir Tmp;
    TWqHugeFile F(Tmp.File("r.bin"), GENERIC_READ | GENERIC_WRITE, hfAutoShare,
                  FileAttributeNormal);
    ASSERT_EQ(F.Rewrite(1, 0, hfBuffered), hfOpened);
    Integer N = 0;
    F.BlockWrite("abcdef", 6, N);
    ASSERT_EQ(F.Reset(2, 0, hfBuffered), hfOpened);  // the same handle, blocks of 2
    char B[6] = {};
    F.BlockRead(B, 3, N);
    EXPECT_EQ(N, 3);
    EXPECT_EQ(std::string(B, 6), "abcdef");
    EXPECT_EQ(F.FileSize(), 3);
}
