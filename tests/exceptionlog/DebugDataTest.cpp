#include "exceptionlog/DebugData.h"

#include "exceptionlog/DataBlock.h"
#include "exceptionlog/ExceptionLog.h"
#include "exceptionlog/ModuleList.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Files.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

DebugTables SampleTables()
{
    DebugTables T;
    T.Units = {"Invoice.cpp", "Funcs.h"};
    // Unsorted on purpose: the writer sorts.
    T.Procedures = {{0, "TshInvoice", "Recalc", 0x300, 0x380},
                    {0, "", "CleanNumStr", 0x100, 0x200}};
    T.Lines = {{0x120, 0, 10}, {0x150, 1, 12}, {0x1F0, 0, 14}, {0x200, 0, 0},
               {0x300, 0, 40}};
    return T;
}

std::unique_ptr<ModuleRecord> RecordWith(const std::string& Debug, Word Version,
                                         const AnsiString& Password, bool PasswordOK)
{
    auto Owned = std::make_unique<ModuleRecord>();
    ModuleRecord& Rec = *Owned;
    Rec.Handle = 0x10000;
    Rec.FileName = "/opt/pricetags/pricetags";
    Rec.DataVersion = Version;
    Rec.Password = Password;
    Rec.PasswordOK = PasswordOK;
    Rec.DebugData = std::make_unique<TMemoryStream>();
    Rec.DebugData->WriteBuffer(Debug.data(), int(Debug.size()));
    Rec.DebugDataPresent = true;
    return Owned;
}

}  // namespace

TEST(DebugData, TablesRoundTripInEveryNameForm)
{
    struct Case {
        Word Version;
        const char* Password;
    };
    const Case Cases[] = {
        {449, ""},        // names XORed with the string key
        {513, ""},        // enciphered with the empty password's key
        {513, "s3cret"},  // enciphered with a real one
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Version);
        const std::string Data = WriteDebugTables(SampleTables(), C.Version, C.Password);
        // The names are not readable in the stored bytes.
        EXPECT_EQ(Data.find("CleanNumStr"), std::string::npos);
        const DebugTables T = ReadDebugTables(Data, C.Version, C.Password, true);
        ASSERT_EQ(T.Procedures.size(), 2u);
        EXPECT_EQ(T.Units[1], "Funcs.h");
        EXPECT_EQ(T.Procedures[0].ProcedureName, "CleanNumStr");
        EXPECT_EQ(T.Procedures[1].ClassName, "TshInvoice");
        EXPECT_EQ(T.Lines.size(), 5u);
    }
}

TEST(DebugData, WrongPasswordGivesCodedNames)
{
    const std::string Data = WriteDebugTables(SampleTables(), 513, "s3cret");
    const DebugTables T = ReadDebugTables(Data, 513, "guess", false);
    ASSERT_EQ(T.Procedures.size(), 2u);
    const std::string& Name = T.Procedures[0].ProcedureName;
    ASSERT_EQ(Name.size(), 9u);
    EXPECT_EQ(Name[0], '?');
    // The same stored bytes give the same code.
    EXPECT_EQ(ReadDebugTables(Data, 513, "other", false).Procedures[0].ProcedureName, Name);
}

TEST(DebugData, DamagedTablesRaise)
{
    struct Case {
        const char* File;
        const char* Message;
    };
    const Case Cases[] = {
        {"unit-count-past-end.bin", "Bad data block: unit count"},
        {"name-past-end.bin", "Bad data block: unit name"},
        {"procedure-of-unlisted-unit.bin", "Bad data block: procedure table"},
        {"procedure-ends-before-start.bin", "Bad data block: procedure table"},
        {"procedures-out-of-order.bin", "Bad data block: procedure table"},
        {"lines-out-of-order.bin", "Bad data block: line table"},
        {"line-of-unlisted-unit.bin", "Bad data block: line table"},
        {"cut-in-line-table.bin", "Bad data block: line count"},
        {"indexed-piece-not-zlib.bin", "Bad data block: procedure table"},
        {"indexed-first-keys-out-of-order.bin", "Bad data block: line table"},
        {"indexed-piece-starts-off-its-key.bin", "Bad data block: procedure table"},
        {"indexed-piece-count-wrong.bin", "Bad data block: procedure table"},
        {"indexed-cut-in-line-pieces.bin", "Bad data block: line table"},
    };
    const auto Folder = TestData() / "DebugData" / "broken";
    size_t Files = 0;
    for (const auto& Entry : std::filesystem::directory_iterator(Folder)) {
        ++Files;
        const std::string Name = Entry.path().filename().string();
        SCOPED_TRACE(Name);
        const Case* Row = nullptr;
        for (const Case& C : Cases)
            if (Name == C.File)
                Row = &C;
        ASSERT_NE(Row, nullptr) << "a broken file without a row";
        const std::string Data = ReadBytes(Entry.path());
        ExpectRaises<EDataBlockError>([&] { (void)ReadDebugTables(Data, 449, "", true); },
                                      Row->Message);
    }
    EXPECT_EQ(Files, std::size(Cases));
    // The good fixture reads as written.
    const DebugTables T =
        ReadDebugTables(ReadBytes(TestData() / "DebugData" / "two-procedures.bin"), 449, "", true);
    ASSERT_EQ(T.Procedures.size(), 2u);
    EXPECT_EQ(T.Procedures[1].ClassName, "TshInvoice");
    const DebugTables I = ReadDebugTables(
        ReadBytes(TestData() / "DebugData" / "three-procedures-indexed.bin"), 449, "", true);
    ASSERT_EQ(I.Procedures.size(), 3u);
    EXPECT_EQ(I.Procedures[2].ProcedureName, "Save");
    EXPECT_EQ(I.Lines.size(), 4u);
}

TEST(DebugData, FindSymbolNamesProcedureAndLine)
{
    const auto Owned = RecordWith(WriteDebugTables(SampleTables(), 513, ""), 513, "", true);
    ModuleRecord& Rec = *Owned;
    struct Case {
        uint64_t Address;
        bool ReturnAddress;
        bool Found;
        const char* Unit;
        const char* Procedure;
        int Line;
    };
    const Case Cases[] = {
        {0x10150, false, true, "Funcs.h", "CleanNumStr", 12},      // exact: the inlined line
        {0x10150, true, true, "Invoice.cpp", "CleanNumStr", 10},   // a return address: the call's line
        {0x10110, false, true, "Invoice.cpp", "CleanNumStr", 0},   // before the first line
        {0x101FF, false, true, "Invoice.cpp", "CleanNumStr", 14},  // last byte
        {0x10200, false, false, "", "", 0},                        // end excluded
        {0x10250, false, false, "", "", 0},                        // between procedures
        {0x10340, false, true, "Invoice.cpp", "Recalc", 40},
        {0x00100, false, false, "", "", 0},                        // below the module
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Address);
        StackEntry E;
        ASSERT_EQ(FindSymbol(Rec, C.Address, C.ReturnAddress, E), C.Found);
        if (!C.Found)
            continue;
        EXPECT_EQ(E.Kind, 4);
        EXPECT_EQ(E.UnitName, C.Unit);
        EXPECT_EQ(E.ProcedureName, C.Procedure);
        EXPECT_EQ(E.Line, C.Line);
        EXPECT_EQ(E.Module, "pricetags");
    }
}

// Inlined functions are frames of their own, innermost first, each with
// its line (the call's line for all but the innermost); code without debug
// data takes no unit or line of the code before it.
TEST(DebugData, InlinedFramesAndCodeWithoutDebugData)
{
    DebugTables T;
    T.Units = {"Invoice.cpp", "Funcs.h", "stl_deque.h", ""};
    T.Procedures = {{0, "TshInvoice", "Recalc", 0x300, 0x380}, {3, "", "_start", 0x400, 0x420}};
    T.Lines = {{0x300, 0, 40}, {0x320, 1, 5}, {0x330, 2, 99}, {0x340, 1, 6}, {0x360, 0, 42},
               {0x3F0, 2, 12}};
    // Unsorted on purpose: the writer sorts.
    T.Inlines = {{2, 1, 7, "", "Add", 0x330, 0x340}, {1, 0, 41, "", "Sum", 0x320, 0x360}};
    const auto Owned = RecordWith(WriteDebugTables(T, 513, "pw"), 513, "pw", true);
    struct Case {
        uint64_t Address;
        const char* Frames;  // procedure@unit:line, innermost first
    };
    const Case Cases[] = {
        {0x10335, "Add@stl_deque.h:99 Sum@Funcs.h:7 Recalc@Invoice.cpp:41"},
        {0x10325, "Sum@Funcs.h:5 Recalc@Invoice.cpp:41"},
        {0x10350, "Sum@Funcs.h:6 Recalc@Invoice.cpp:41"},
        {0x10370, "Recalc@Invoice.cpp:42"},
        {0x10410, "_start@:0"},
        {0x10390, ""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Address);
        std::string Got;
        for (const StackEntry& E : FindSymbols(*Owned, C.Address, /*ReturnAddress=*/false))
            Got += (Got.empty() ? "" : " ") + E.ProcedureName.ToUtf8() + "@" +
                   E.UnitName.ToUtf8() + ":" + std::to_string(E.Line);
        EXPECT_EQ(Got, C.Frames);
    }
}

// Tables large enough to be cut into many pieces: every lookup near a
// piece's edge finds the same procedure, line and inlined frame as the
// whole tables hold. Procedure I spans 48 bytes from 0x1000 + 64 I (a gap
// of 16 after it), with a line at its start and 16 bytes in; every even
// procedure has a function inlined at 16..32.
TEST(DebugData, LookupsAcrossPiecesFindWhatTheTablesHold)
{
    constexpr int Count = 1000;
    DebugTables T;
    T.Units = {"A.cpp", "B.cpp", "C.h"};
    const auto Start = [](int I) { return uint64_t(0x1000 + 64 * I); };
    for (int I = 0; I < Count; ++I) {
        T.Procedures.push_back({uint32_t(I % 2), "", "P" + std::to_string(I), Start(I), Start(I) + 48});
        T.Lines.push_back({Start(I), uint32_t(I % 2), uint32_t(10 * I + 1)});
        T.Lines.push_back({Start(I) + 16, 2, uint32_t(10 * I + 2)});
        T.Lines.push_back({Start(I) + 48, 0, 0});
        if (I % 2 == 0)
            T.Inlines.push_back({1, uint32_t(I % 2), 7, "T", "In" + std::to_string(I % 5),
                                 Start(I) + 16, Start(I) + 32});
    }
    const auto Owned = RecordWith(WriteDebugTables(T, 513, "pw"), 513, "pw", true);
    ModuleRecord& Rec = *Owned;
    for (int I = 0; I < Count; ++I) {
        SCOPED_TRACE("procedure " + std::to_string(I));
        const uint64_t A = Rec.Handle + Start(I);
        std::vector<StackEntry> F = FindSymbols(Rec, A, false);
        ASSERT_EQ(F.size(), 1u);
        EXPECT_EQ(F[0].ProcedureName, AnsiString("P" + std::to_string(I)));
        EXPECT_EQ(F[0].Line, 10 * I + 1);
        F = FindSymbols(Rec, A + 20, false);
        ASSERT_EQ(F.size(), I % 2 == 0 ? 2u : 1u);
        EXPECT_EQ(F.front().Line, 10 * I + 2);
        EXPECT_EQ(F.front().UnitName, "C.h");
        if (I % 2 == 0) {
            EXPECT_EQ(F[0].ProcedureName, AnsiString("In" + std::to_string(I % 5)));
            EXPECT_EQ(F[1].ProcedureName, AnsiString("P" + std::to_string(I)));
            EXPECT_EQ(F[1].Line, 7);
        }
        F = FindSymbols(Rec, A + 47, false);  // past the inlined copy
        ASSERT_EQ(F.size(), 1u);
        EXPECT_EQ(F[0].Line, 10 * I + 2);
        EXPECT_TRUE(FindSymbols(Rec, A + 50, false).empty()) << "the gap after it";
    }
    // Every record reads back whole.
    const DebugTables Back = ReadDebugTables(WriteDebugTables(T, 513, "pw"), 513, "pw", true);
    EXPECT_EQ(Back.Procedures.size(), size_t(Count));
    EXPECT_EQ(Back.Lines.size(), size_t(3 * Count));
    ASSERT_EQ(Back.Inlines.size(), size_t(Count / 2));
    EXPECT_EQ(Back.Inlines[7].ProcedureName, "In4");
}

TEST(DebugData, SplitFunctionName)
{
    struct Case {
        const char* Demangled;
        const char* Class;
        const char* Procedure;
    };
    const Case Cases[] = {
        {"main", "", "main"},
        {"CleanNumStr(AnsiString const&)", "", "CleanNumStr"},
        {"TshInvoice::Recalc(int) const", "TshInvoice", "Recalc"},
        {"(anonymous namespace)::Load(char const*)", "(anonymous namespace)", "Load"},
        {"std::vector<std::pair<int, int>, A<B::C>>::push_back(int&&)",
         "std::vector<std::pair<int, int>, A<B::C>>", "push_back"},
        {"Run()::{lambda(int)#1}::operator()(int) const", "Run()::{lambda(int)#1}", "operator()"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Demangled);
        std::string Class, Proc;
        SplitFunctionName(C.Demangled, Class, Proc);
        EXPECT_EQ(Class, C.Class);
        EXPECT_EQ(Proc, C.Procedure);
    }
}

TEST(DebugData, SymbolFlags)
{
    EXPECT_EQ(GetSymbolFlags(0), 16);
    EXPECT_EQ(GetSymbolFlags(1), 20);
    EXPECT_EQ(GetSymbolFlags(2), 24);
    EXPECT_EQ(GetSymbolFlags(0x0F), 28);
}

namespace {

// A page of fake code with calls of several forms; each return address
// points just after its call.
struct FakeCode {
    FakeCode()
    {
        Page = static_cast<uint8_t*>(mmap(nullptr, 4096, PROT_READ | PROT_WRITE,
                                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        std::memset(Page, 0x90, 4096);
        Put(0x100, {0xE8, 1, 2, 3, 4});                    // call rel32
        Put(0x200, {0x41, 0xFF, 0xD3});                    // call r11
        Put(0x300, {0xFF, 0x15, 0, 0x10, 0, 0});           // call [rip + disp32]
        Put(0x400, {0xFF, 0x54, 0x24, 0x08});              // call [rsp + 8]
        Put(0x500, {0x48, 0xFF, 0x94, 0xC8, 0, 1, 0, 0});  // call [rax + rcx*8 + disp32]
        Put(0x600, {0xFF, 0x50, 0x10});                    // call [rax + 16]
    }
    ~FakeCode() { munmap(Page, 4096); }
    void Put(size_t At, std::initializer_list<uint8_t> Bytes)
    {
        std::memcpy(Page + At, Bytes.begin(), Bytes.size());
        Returns.push_back(reinterpret_cast<uintptr_t>(Page + At + Bytes.size()));
    }
    std::vector<uintptr_t> Ranges() const
    {
        return {reinterpret_cast<uintptr_t>(Page), reinterpret_cast<uintptr_t>(Page) + 4096};
    }
    uint8_t* Page;
    std::vector<uintptr_t> Returns;
};

}  // namespace

TEST(DebugData, FollowsCallKnowsTheCallForms)
{
    const FakeCode Code;
    for (const uintptr_t R : Code.Returns) {
        SCOPED_TRACE(R - reinterpret_cast<uintptr_t>(Code.Page));
        EXPECT_TRUE(FollowsCall(R));
    }
    // After plain no-ops, and at the start of the page (bytes before it
    // unreadable): no call.
    EXPECT_FALSE(FollowsCall(reinterpret_cast<uintptr_t>(Code.Page) + 0x800));
    EXPECT_FALSE(FollowsCall(8));
}

TEST(DebugData, ScanStackKeepsReturnAddressesOnly)
{
    const FakeCode Code;
    const uintptr_t NoCall = reinterpret_cast<uintptr_t>(Code.Page) + 0x800;
    // A planted stack: return addresses between values that only look like
    // code addresses or are no addresses at all.
    const uintptr_t Stack[] = {Code.Returns[0], NoCall,          42,
                               Code.Returns[1], 0x7FFF00001234u, Code.Returns[4]};
    const auto SP = reinterpret_cast<uintptr_t>(Stack);
    const std::vector<uintptr_t> Found = ScanStack(SP, SP + sizeof Stack, Code.Ranges());
    EXPECT_EQ(Found, (std::vector<uintptr_t>{Code.Returns[0], Code.Returns[1], Code.Returns[4]}));
}

TEST(DebugData, ScanStackStopsAtTheLimitAndAtUnreadableMemory)
{
    const FakeCode Code;
    // 200 KB of return addresses: only 102400 bytes are scanned.
    std::vector<uintptr_t> Deep(200 * 1024 / sizeof(uintptr_t), Code.Returns[0]);
    const auto SP = reinterpret_cast<uintptr_t>(Deep.data());
    EXPECT_EQ(ScanStack(SP, SP + Deep.size() * sizeof(uintptr_t), Code.Ranges()).size(),
              MaxStackScan / sizeof(uintptr_t));

    // A readable page followed by an unreadable one: the scan ends there
    // without a fault.
    auto* Pages = static_cast<uintptr_t*>(mmap(nullptr, 8192, PROT_READ | PROT_WRITE,
                                               MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    std::fill(Pages, Pages + 512, Code.Returns[2]);
    mprotect(reinterpret_cast<char*>(Pages) + 4096, 4096, PROT_NONE);
    const auto Start = reinterpret_cast<uintptr_t>(Pages) + 4096 - 40;
    EXPECT_EQ(ScanStack(Start, Start + 8192, Code.Ranges()).size(), 5u);
    munmap(Pages, 8192);
}

TEST(DebugData, CaptureStackSeesItsCaller)
{
    uintptr_t Frames[16];
    const int N = CaptureStack(Frames, 16, 0);
    ASSERT_GT(N, 1);
    // The first frame lies in this program's code.
    TRazuroModulesList Modules;
    const ModuleRecord* M = Modules.FindModuleRecordByAddress(Frames[0]);
    ASSERT_NE(M, nullptr);
    EXPECT_EQ(M->Kind, 1);
}

namespace {

std::string BaseName(const std::string& Path)
{
    const size_t Slash = Path.rfind('/');
    return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

}  // namespace

// The tables eldata-pack wrote into the child program name its own code as
// the system's addr2line does, read from the debug sections.
namespace {

/// Whether a source path from the debug data is one of this project's
/// files. The path the compiler recorded may name another checkout of the
/// same sources (a shared compiler cache), so the part from the project's
/// top folders on is looked up in this checkout.
bool IsProjectSource(const std::string& Path)
{
    for (const char* Top : {"/app/", "/common/", "/exceptionlog/", "/platform/", "/tests/"}) {
        const size_t At = Path.rfind(Top);
        if (At != std::string::npos &&
            std::filesystem::exists(std::string(PRICETAGS_SOURCE_DIR) + Path.substr(At)))
            return true;
    }
    return false;
}

} // namespace

TEST(DebugData, BuildToolTablesAgreeWithAddr2line)
{
    const std::string Program = EXCEPTIONLOG_CHILD;
    ModuleRecord Rec;
    {
        TFileStream File(AnsiString::FromUtf8(Program.c_str()), fmOpenRead | fmShareDenyNone);
        ASSERT_TRUE(ReadModuleBlock(File, /*WantDebug=*/true, [] { return AnsiString(); }, Rec));
    }
    ASSERT_TRUE(Rec.DebugDataPresent);
    // The program is position-independent: table addresses are file
    // addresses.
    Rec.Handle = 0;

    // Every function symbol with a size: the middle of its code.
    std::vector<uint64_t> Addresses;
    std::istringstream Symbols(RunCommand("nm -S --defined-only '" + Program + "'"));
    std::string Line;
    while (std::getline(Symbols, Line)) {
        std::istringstream F(Line);
        std::string Addr, Size, Type;
        if (!(F >> Addr >> Size >> Type) || (Type != "T" && Type != "t"))
            continue;
        const uint64_t A = std::stoull(Addr, nullptr, 16), S = std::stoull(Size, nullptr, 16);
        if (S > 0)
            Addresses.push_back(A + S / 2);
    }
    ASSERT_GT(Addresses.size(), 1000u);
    // A sample across the whole program.
    std::vector<uint64_t> Sample;
    for (size_t I = 0; I < Addresses.size(); I += Addresses.size() / 400)
        Sample.push_back(Addresses[I]);

    const std::string List = (std::filesystem::temp_directory_path() /
                              ("addr2line-" + std::to_string(getpid()) + ".txt")).string();
    {
        std::ofstream Out(List);
        for (const uint64_t A : Sample)
            Out << std::hex << "0x" << A << "\n";
    }
    // With -i every function inlined at the address is a frame of its
    // own, innermost first, each a name line and a "file:line" line after
    // the address line of -a.
    std::istringstream Answers(
        RunCommand("addr2line -a -i -f -C -e '" + Program + "' < '" + List + "'"));
    std::remove(List.c_str());
    struct Frame {
        std::string Procedure, File;
        int Line = 0;
    };
    std::vector<std::vector<Frame>> Frames;
    for (std::string Name; std::getline(Answers, Name);) {
        if (Name.rfind("0x", 0) == 0) {
            Frames.emplace_back();
            continue;
        }
        std::string Where;
        std::getline(Answers, Where);
        if (Frames.empty())
            break;
        Where = Where.substr(0, Where.find(" (discriminator"));
        const size_t Colon = Where.rfind(':');
        Frame F;
        std::string Class;
        SplitFunctionName(Name, Class, F.Procedure);
        F.File = std::filesystem::path(Where.substr(0, Colon)).lexically_normal().string();
        const std::string LineText = Where.substr(Colon + 1);
        F.Line = LineText == "?" ? 0 : std::atoi(LineText.c_str());
        Frames.back().push_back(F);
    }
    ASSERT_EQ(Frames.size(), Sample.size());

    int Own = 0, Named = 0;
    std::ostringstream Misses;
    for (size_t N = 0; N < Sample.size(); ++N) {
        const std::vector<Frame>& Want = Frames[N];
        // Only the program's own code: the outermost function is in a
        // source of this project (what is inlined into it may come from
        // any header).
        if (Want.empty() || !IsProjectSource(Want.back().File) || Want.back().Line == 0)
            continue;
        ++Own;
        const std::vector<StackEntry> Got = FindSymbols(Rec, Sample[N], /*ReturnAddress=*/false);
        bool Same = Got.size() == Want.size();
        for (size_t I = 0; Same && I < Got.size(); ++I) {
            // addr2line often names the innermost of inlined frames after
            // the outermost function; its file and line are still right.
            const bool NameKnown = !(I == 0 && Want.size() > 1 &&
                                     Want[0].Procedure == Want.back().Procedure);
            // Stored names hold at most 127 characters; a frame without a
            // line has no file in addr2line's answer.
            Same = (Want[I].Line == 0 || Got[I].UnitName == BaseName(Want[I].File).c_str()) &&
                   Got[I].Line == Want[I].Line &&
                   (!NameKnown || Got[I].ProcedureName == Want[I].Procedure.substr(0, 127).c_str());
        }
        if (Same) {
            ++Named;
            continue;
        }
        Misses << std::hex << Sample[N] << std::dec << ": addr2line";
        for (const Frame& F : Want)
            Misses << " " << F.Procedure << "@" << BaseName(F.File) << ":" << F.Line;
        Misses << "; tables";
        for (const StackEntry& E : Got)
            Misses << " " << E.ProcedureName << "@" << E.UnitName << ":" << E.Line;
        Misses << "\n";
    }
    ASSERT_GT(Own, 100);
    EXPECT_GE(Named * 100, Own * 98) << Named << " of " << Own << "\n" << Misses.str();
}
