#include "platform/classes/Streams.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

std::string ReadAll(TStream& S)
{
    std::string Out(static_cast<size_t>(S.Size() - S.Position()), '\0');
    S.ReadBuffer(Out.data(), static_cast<int>(Out.size()));
    return Out;
}

/// Each kind of stream, fresh, holding "abcdef" with the position at 0.
struct StreamMaker {
    const char* Name;
    std::unique_ptr<TStream> (*Make)(const TempDir& Dir);
};

const char* const Abc = "abcdef";

const StreamMaker Makers[] = {
    {"memory",
     [](const TempDir&) -> std::unique_ptr<TStream> {
         auto S = std::make_unique<TMemoryStream>();
         S->WriteBuffer(Abc, 6);
         S->SetPosition(0);
         return S;
     }},
    {"string",
     [](const TempDir&) -> std::unique_ptr<TStream> {
         return std::make_unique<TStringStream>(Abc);
     }},
    {"file",
     [](const TempDir& Dir) -> std::unique_ptr<TStream> {
         WriteBytes(Dir.Path() / "abc.bin", Abc);
         return std::make_unique<TFileStream>(Dir.File("abc.bin"),
                                              static_cast<Word>(fmOpenReadWrite));
     }},
    {"memory block",
     [](const TempDir&) -> std::unique_ptr<TStream> {
         return std::make_unique<MemoryBlockStream>(Abc, 6);
     }},
};

TEST(TStream, EveryKindReadsSeeksAndReportsItsSize)
{
    for (const StreamMaker& M : Makers) {
        SCOPED_TRACE(M.Name);
        const TempDir Dir;
        std::unique_ptr<TStream> S = M.Make(Dir);
        EXPECT_EQ(S->Size(), 6);
        char Buf[8] = {};
        EXPECT_EQ(S->Read(Buf, 4), 4);
        EXPECT_EQ(std::string(Buf, 4), "abcd");
        EXPECT_EQ(S->Position(), 4);
        EXPECT_EQ(S->Read(Buf, 8), 2);  // what is left
        EXPECT_EQ(S->Read(Buf, 8), 0);  // at the end
        EXPECT_EQ(S->Seek(-2, soEnd), 4);
        EXPECT_EQ(S->Seek(-1, soCurrent), 3);
        EXPECT_EQ(ReadAll(*S), "def");
        EXPECT_EQ(S->Seek(1, soFromBeginning), 1);
        EXPECT_EQ(S->Position(), 1);
    }
}

TEST(TStream, ReadingPastTheEndRaises)
{
    for (const StreamMaker& M : Makers) {
        SCOPED_TRACE(M.Name);
        const TempDir Dir;
        std::unique_ptr<TStream> S = M.Make(Dir);
        char Buf[8] = {};
        S->SetPosition(3);
        ExpectRaises<EReadError>([&] { S->ReadBuffer(Buf, 4); }, "Stream read error");
        S->SetPosition(3);
        // Read errors are filer errors, as the runtime classed them.
        ExpectRaises<EFilerError>([&] { S->ReadBuffer(Buf, 4); }, "Stream read error");
        S->ReadBuffer(Buf, 0);  // nothing asked, nothing raised
    }
}

TEST(TStream, WritingToAReadOnlyBlockRaises)
{
    const char Data[] = "xyz";
    MemoryBlockStream S(Data, 3);
    ExpectRaises<EWriteError>([&] { S.WriteBuffer("q", 1); }, "Stream write error");
    EXPECT_STREQ(Data, "xyz");
}

TEST(TStream, CopyFromCopiesCountOrEverything)
{
    TStringStream Source("0123456789");
    Source.SetPosition(2);
    TMemoryStream Dest;
    EXPECT_EQ(Dest.CopyFrom(&Source, 3), 3);
    EXPECT_EQ(std::string(static_cast<char*>(Dest.Memory()), 3), "234");
    EXPECT_EQ(Dest.CopyFrom(&Source, 0), 10);  // 0: all of it, from the start
    EXPECT_EQ(Dest.Size(), 13);
    Source.SetPosition(8);
    ExpectRaises<EReadError>([&] { Dest.CopyFrom(&Source, 5); }, "Stream read error");
    // A negative count (a broken length field) is refused before any buffer
    // is sized from it.
    Source.SetPosition(0);
    ExpectRaises<EReadError>([&] { Dest.CopyFrom(&Source, -1); }, "Stream read error");
    EXPECT_EQ(Source.Position(), 0);
}

TEST(TStream, NegativeSizesAreRefused)
{
    TMemoryStream Memory;
    Memory.WriteBuffer("abc", 3);
    ExpectRaises<EWriteError>([&] { Memory.SetSize(-1); }, "Stream write error");
    EXPECT_EQ(Memory.Size(), 3);
    TStringStream Text("abc");
    Text.SetPosition(2);
    ExpectRaises<EWriteError>([&] { Text.SetSize(-1); }, "Stream write error");
    EXPECT_EQ(Text.DataString(), "abc");
    EXPECT_EQ(Text.Position(), 2);
    char C = 0;
    EXPECT_EQ(Text.Read(&C, 1), 1);
    EXPECT_EQ(C, 'c');
}

TEST(TMemoryStream, GrowsShrinksAndClears)
{
    TMemoryStream S;
    S.Seek(4, soBeginning);
    S.WriteBuffer("ab", 2);  // the gap before reads as zeros
    EXPECT_EQ(S.Size(), 6);
    EXPECT_EQ(std::string(static_cast<char*>(S.Memory()), 6), std::string("\0\0\0\0ab", 6));
    S.SetSize(3);
    EXPECT_EQ(S.Position(), 3);  // moved back to the new end
    S.SetSize(5);
    EXPECT_EQ(std::string(static_cast<char*>(S.Memory()), 5), std::string(5, '\0'));
    S.Clear();
    EXPECT_EQ(S.Size(), 0);
    EXPECT_EQ(S.Position(), 0);
    EXPECT_EQ(S.Memory(), nullptr);
}

TEST(TMemoryStream, FilesRoundTrip)
{
    const TempDir Dir;
    WriteBytes(Dir.Path() / "in.bin", std::string("\x00\xFFЁ\r\n", 6));
    TMemoryStream S;
    S.LoadFromFile(Dir.File("in.bin"));
    EXPECT_EQ(S.Size(), 6);
    S.SaveToFile(Dir.File("out.bin"));
    EXPECT_EQ(ReadBytes(Dir.Path() / "out.bin"), ReadBytes(Dir.Path() / "in.bin"));
}

TEST(TFileStream, CreateOpenAndErrors)
{
    const TempDir Dir;
    const AnsiString Name = Dir.File("Прайс.txt");
    {
        TFileStream S(Name, fmCreate);
        S.WriteBuffer("12345", 5);
        EXPECT_EQ(S.FileName(), Name);
    }
    {
        TFileStream S(Name, static_cast<Word>(fmOpenReadWrite | fmShareDenyWrite));
        EXPECT_EQ(ReadAll(S), "12345");
        S.SetSize(2);
    }
    EXPECT_EQ(ReadBytes(Dir.Path() / "Прайс.txt"), "12");
    const AnsiString Missing = Dir.File("missing.txt");
    ExpectRaises<EFOpenError>([&] { TFileStream S(Missing, fmOpenRead); },
                              "Cannot open file " + Missing);
    const AnsiString NoFolder = Dir.File("no/such/folder.txt");
    ExpectRaises<EFCreateError>([&] { TFileStream S(NoFolder, fmCreate); },
                                "Cannot create file " + NoFolder);
}

// The file stream reads ahead; what a caller sees must be what the plain
// handle stream shows over a twin file: every read, seek (before the start
// too), size, write and cut, mixed at random across block edges. The twin
// is opened through the file routines, so only the buffering differs.
TEST(TFileStream, ReadAheadShowsWhatTheHandleShows)
{
    const TempDir Dir;
    std::string Bytes(200000, '\0');
    std::mt19937 Random(28);
    for (char& B : Bytes)
        B = static_cast<char>(Random());
    WriteBytes(Dir.Path() / "buffered.bin", Bytes);
    WriteBytes(Dir.Path() / "plain.bin", Bytes);
    TFileStream Buffered(Dir.File("buffered.bin"), static_cast<Word>(fmOpenReadWrite));
    const int Handle = FileOpen(Dir.File("plain.bin"), fmOpenReadWrite);
    ASSERT_GE(Handle, 0);
    THandleStream Plain(Handle);
    // Read sizes below, at and above the read-ahead block.
    const int ReadSizes[] = {0, 1, 3, 4, 17, 4096, 65535, 65536, 70000, -1};
    std::vector<char> A(70000);
    std::vector<char> B(70000);
    for (int Step = 0; Step < 3000; ++Step) {
        SCOPED_TRACE(Step);
        const int Op = static_cast<int>(Random() % 16);
        if (Op < 9) {
            const int N = ReadSizes[Random() % std::size(ReadSizes)];
            const int Got = Buffered.Read(A.data(), N);
            ASSERT_EQ(Got, Plain.Read(B.data(), N));
            ASSERT_EQ(std::memcmp(A.data(), B.data(), static_cast<size_t>(std::max(Got, 0))), 0);
        } else if (Op < 13) {
            const auto Origin = static_cast<TSeekOrigin>(Random() % 3);
            const Int64 Offset = static_cast<Int64>(Random() % 240000) - 120000;
            ASSERT_EQ(Buffered.Seek(Offset, Origin), Plain.Seek(Offset, Origin));
        } else if (Op < 15) {
            const int N = static_cast<int>(Random() % 300);
            std::string Text(static_cast<size_t>(N), static_cast<char>('a' + Step % 26));
            ASSERT_EQ(Buffered.Write(Text.data(), N), Plain.Write(Text.data(), N));
        } else {
            const Int64 NewSize = static_cast<Int64>(Random() % 250000);
            Buffered.SetSize(NewSize);
            Plain.SetSize(NewSize);
        }
        ASSERT_EQ(Buffered.Position(), Plain.Position());
        ASSERT_EQ(Buffered.Size(), Plain.Size());
    }
    FileClose(Handle);
    EXPECT_EQ(ReadBytes(Dir.Path() / "buffered.bin"), ReadBytes(Dir.Path() / "plain.bin"));
}

TEST(TStringStream, WritesOverwriteWithoutCuttingTheRest)
{
    TStringStream S("abcdef");
    S.SetPosition(1);
    S.WriteString("XY");
    EXPECT_EQ(S.DataString(), "aXYdef");
    S.Seek(0, soEnd);
    S.WriteString("gh");
    EXPECT_EQ(S.DataString(), "aXYdefgh");
    EXPECT_EQ(S.Seek(-3, soEnd), 5);  // from the end, like other streams
    EXPECT_EQ(S.ReadString(10), "fgh");
    EXPECT_EQ(S.Seek(100, soBeginning), 8);  // clamped to the string
    S.SetSize(4);
    EXPECT_EQ(S.DataString(), "aXYd");
    EXPECT_EQ(S.Position(), 4);
}

}  // namespace
