#include "common/base/Funcs.h"

#include "platform/classes/Streams.h"

#include "tests/common/base/NoLogScope.h"
#include "tests/common/base/TaggedRecordModel.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

/// The bytes a writer puts into a fresh memory stream.
std::string BytesOf(const std::function<void(TStream&)>& Write)
{
    TMemoryStream Stream;
    Write(Stream);
    return std::string(static_cast<const char*>(Stream.Memory()), size_t(Stream.Size()));
}

/// A read-only stream over bytes.
struct BytesStream {
    explicit BytesStream(std::string B) : Bytes(std::move(B)), Stream(Bytes.data(), Bytes.size()) {}
    std::string Bytes;
    MemoryBlockStream Stream;
};

} // namespace

struct EncodingCase {
    std::function<void(TStream&)> Write;
    std::string Bytes;
    const char* Why;
};

TEST(FuncsStream, PrimitivesByteForByte)
{
    const std::string A255(255, 'a');
    const std::string A256(256, 'a');
    const EncodingCase Cases[] = {
        {[](TStream& S) { WriteString(S, ""); }, std::string("\x06\x00", 2), "empty string"},
        {[&](TStream& S) { WriteString(S, A255); }, "\x06\xFF" + A255, "255 bytes: short tag"},
        {[&](TStream& S) { WriteString(S, A256); }, std::string("\x0C\x00\x01\x00\x00", 5) + A256,
         "256 bytes: long tag and 4-byte length"},
        {[](TStream& S) { WriteString(S, "Я"_a); }, "\x06\x01\xDF", "CP1251 bytes"},
        {[](TStream& S) { WriteBoolean(S, true); }, "\xFF", "true is FF"},
        {[](TStream& S) { WriteBoolean(S, false); }, std::string(1, '\0'), "false is 00"},
        {[](TStream& S) { WriteInteger(S, -2); }, "\xFE\xFF\xFF\xFF", "little-endian, signed"},
        {[](TStream& S) { WriteByte(S, 0xAB); }, "\xAB", "one byte"},
        {[](TStream& S) { WriteCurrency(S, Currency::FromRaw(15000)); },
         std::string("\x98\x3A\x00\x00\x00\x00\x00\x00", 8), "1.5 is 15000"},
        {[](TStream& S) { WriteDouble(S, 1.0); }, std::string("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8),
         "IEEE double"},
        {[](TStream& S) { WriteRecordStart(S, "ab"); WriteRecordEnd(S); },
         std::string("\x00\x06\x02" "ab\xFF", 6), "a record with no fields"},
        {[](TStream& S) { WriteRecordList(S, 0); }, std::string("\xFE\x00\x00\x00\x00", 5),
         "an empty list"},
    };
    for (const EncodingCase& C : Cases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(BytesOf(C.Write), C.Bytes);
    }
}

TEST(FuncsStream, PrimitivesRoundTrip)
{
    TMemoryStream S;
    const AnsiString Long(std::string(70000, 'z'));
    WriteString(S, "Цена"_a);
    WriteString(S, Long);
    WriteInteger(S, INT32_MIN);
    WriteBoolean(S, true);
    WriteDouble(S, 45356.75);
    WriteCurrency(S, Currency::FromRaw(-1));
    WriteByte(S, 254);
    S.SetPosition(0);
    EXPECT_EQ(ReadString(S), "Цена"_a);
    EXPECT_EQ(ReadString(S), Long);
    EXPECT_EQ(ReadInteger(S), INT32_MIN);
    EXPECT_TRUE(ReadBoolean(S));
    EXPECT_EQ(ReadDouble(S), 45356.75);
    EXPECT_EQ(ReadCurrency(S), Currency::FromRaw(-1));
    EXPECT_EQ(ReadByte(S), 254);
}

TEST(FuncsStream, AnyNonZeroByteReadsTrue)
{
    BytesStream B(std::string("\x01\x00\x80", 3));
    EXPECT_TRUE(ReadBoolean(B.Stream));
    EXPECT_FALSE(ReadBoolean(B.Stream));
    EXPECT_TRUE(ReadBoolean(B.Stream));
}

TEST(FuncsStream, ReadStringRejectsOtherTags)
{
    BytesStream B("\x07\x01x");
    ExpectRaises<EReadError>([&] { (void)ReadString(B.Stream); }, "ReadString: ReadError");
}

TEST(FuncsStream, ReadStringRefusesLengthsBeyondTheData)
{
    const NoLogScope NoLog;
    const std::string Cases[] = {
        std::string("\x0C\xF0\xFF\xFF\x7F", 5) + "abc",  // two gigabytes announced
        std::string("\x0C\xFB\xFF\xFF\xFF", 5) + "abc",  // a negative length
        std::string("\x0C\x2C\x01\x00\x00", 5) + "abc",  // 300 bytes announced, three there
    };
    for (const std::string& Bytes : Cases) {
        BytesStream B(Bytes);
        ExpectRaises<EAppException>([&] { (void)ReadString(B.Stream); },
                                    "Ошибка загрузки: Неверная длина строки"_a);
    }
}

TEST(FuncsStream, AShortStringCutOffRaisesTheStreamError)
{
    // A short string's length is never absurd: a file cut off inside it is
    // a short read like any other.
    for (const std::string& Bytes : {std::string("\x06\x05", 2) + "abc",
                                     std::string("\x06\xFF", 2)}) {
        BytesStream B(Bytes);
        ExpectRaises<EReadError>([&] { (void)ReadString(B.Stream); }, "Stream read error");
    }
}

TEST(FuncsStream, AShortStreamRaisesTheStreamError)
{
    BytesStream B(std::string("\x01\x02", 2));
    ExpectRaises<EReadError>([&] { (void)ReadInteger(B.Stream); }, "Stream read error");
}

TEST(FuncsStream, GoldenRecordFile)
{
    tagged_model::Doc D;
    D.Title = "Накладная"_a;
    D.Number = 17;
    D.Marked = true;
    D.Date = 45356.5;
    D.Total = Currency::FromRaw(12345000);
    D.Rows = {{"Ручка"_a, Currency::FromRaw(125000)},
              {AnsiString(std::string(256, "Я"_a[1])), Currency::FromRaw(-1)}};
    const std::string Bytes = BytesOf([&](TStream& S) { tagged_model::WriteDoc(S, D); });
    ExpectMatchesGolden(Bytes, TestData() / "Funcs" / "golden" / "doc.rec");

    BytesStream B(Bytes);
    tagged_model::Doc Back;
    tagged_model::ReadDoc(B.Stream, Back);
    EXPECT_EQ(Back.Title, D.Title);
    EXPECT_EQ(Back.Number, 17);
    EXPECT_TRUE(Back.Marked);
    EXPECT_EQ(Back.Date, 45356.5);
    EXPECT_EQ(Back.Total, D.Total);
    ASSERT_EQ(Back.Rows.size(), 2u);
    EXPECT_EQ(Back.Rows[1].Name, D.Rows[1].Name);
    EXPECT_EQ(Back.Rows[1].Price, D.Rows[1].Price);
}

namespace {

/// When not 0, the disk refuses to sync with this error.
int gFsyncError = 0;

} // namespace

// The test program's fsync: the system call, or the error a failing disk
// gives.
extern "C" int fsync(int Fd)
{
    if (gFsyncError != 0) {
        errno = gFsyncError;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, Fd));
}

// A saved file replaces the old one only when its data reached the disk:
// a disk that refuses the data raises and leaves the old file as it was;
// a file system that cannot sync at all keeps the data as written.
TEST(FuncsStream, SaveDataFileReplacesOnlyWhatReachedTheDisk)
{
    const struct {
        int Error;
        bool Saved;
    } Cases[] = {{EIO, false}, {ENOSPC, false}, {EINVAL, true}, {0, true}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Error);
        TempDir Dir;
        const AnsiString Name = AnsiString::FromUtf8((Dir.Path() / "LastInvoice.inv").string());
        SaveDataFile(Name, [](TStream& S) { S.WriteBuffer("old", 3); });
        gFsyncError = C.Error;
        bool Raised = false;
        try {
            SaveDataFile(Name, [](TStream& S) { S.WriteBuffer("new data", 8); });
        } catch (const Exception&) {
            Raised = true;
        }
        gFsyncError = 0;
        EXPECT_EQ(Raised, !C.Saved);
        EXPECT_EQ(ReadBytes(Dir.Path() / "LastInvoice.inv"), C.Saved ? "new data" : "old");
        EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "LastInvoice.inv.tmp"));
    }
}

// Saving the bytes a file already holds leaves the file alone (no new
// file, no sync); other bytes, even of the same length, replace it.
TEST(FuncsStream, SaveDataFileLeavesUnchangedBytesAlone)
{
    TempDir Dir;
    const std::filesystem::path Path = Dir.Path() / "LastInvoice.inv";
    const AnsiString Name = AnsiString::FromUtf8(Path.string());
    SaveDataFile(Name, [](TStream& S) { S.WriteBuffer("state", 5); });
    const auto Inode = [&Path] {
        struct stat Info {};
        EXPECT_EQ(::stat(Path.c_str(), &Info), 0);
        return Info.st_ino;
    };
    const auto First = Inode();
    // A sync would fail now: the unchanged save must not need one.
    gFsyncError = EIO;
    EXPECT_NO_THROW(SaveDataFile(Name, [](TStream& S) { S.WriteBuffer("state", 5); }));
    gFsyncError = 0;
    EXPECT_EQ(Inode(), First);
    SaveDataFile(Name, [](TStream& S) { S.WriteBuffer("stale", 5); });
    EXPECT_NE(Inode(), First);
    EXPECT_EQ(ReadBytes(Path), "stale");
    // An empty state is a change too.
    SaveDataFile(Name, [](TStream&) {});
    EXPECT_EQ(ReadBytes(Path), "");
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "LastInvoice.inv.tmp"));
}

namespace {

struct BrokenCase {
    enum Kind { Read, Load } Class;
    const char* Text;
};

} // namespace

TEST(FuncsStream, BrokenRecordFilesLoadAsClearErrors)
{
    const NoLogScope NoLog;
    const std::map<std::string, BrokenCase> Expected = {
        {"empty.rec", {BrokenCase::Read, "Stream read error"}},
        {"string-tag-07.rec", {BrokenCase::Read, "ReadString: ReadError"}},
        {"string-length-past-end.rec", {BrokenCase::Load, "Неверная длина строки"}},
        {"string-length-negative.rec", {BrokenCase::Load, "Неверная длина строки"}},
        {"short-string-past-end.rec", {BrokenCase::Read, "Stream read error"}},
        {"wrong-header.rec", {BrokenCase::Load, "Неверный заголовок"}},
        {"row-wrong-header.rec", {BrokenCase::Load, "Неверный заголовок"}},
        {"unknown-tag.rec", {BrokenCase::Load, "Неверный тип параметра"}},
        {"list-count-huge.rec", {BrokenCase::Load, "Неверное число записей"}},
        {"list-count-negative.rec", {BrokenCase::Load, "Неверное число записей"}},
        {"list-count-past-end.rec", {BrokenCase::Load, "Неверное число записей"}},
        {"truncated-integer.rec", {BrokenCase::Read, "Stream read error"}},
        {"missing-end.rec", {BrokenCase::Read, "Stream read error"}},
    };
    int Seen = 0;
    for (const auto& Entry : std::filesystem::directory_iterator(TestData() / "Funcs" / "broken")) {
        const std::string Name = Entry.path().filename().string();
        SCOPED_TRACE(Name);
        const auto Row = Expected.find(Name);
        if (Row == Expected.end()) {
            ADD_FAILURE() << "no expected error for " << Name;
            continue;
        }
        ++Seen;
        BytesStream B(ReadBytes(Entry.path()));
        tagged_model::Doc D;
        const auto Load = [&] { tagged_model::ReadDoc(B.Stream, D); };
        if (Row->second.Class == BrokenCase::Read)
            ExpectRaises<EReadError>(Load, Row->second.Text);
        else
            ExpectRaises<EAppException>(Load, "Ошибка загрузки: "_a +
                                                  AnsiString::FromUtf8(Row->second.Text));
    }
    EXPECT_EQ(Seen, static_cast<int>(Expected.size()));
}
