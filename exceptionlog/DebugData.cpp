#include "exceptionlog/DebugData.h"

#include "exceptionlog/Codecs.h"
#include "exceptionlog/DataBlock.h"
#include "exceptionlog/ModuleList.h"
#include "exceptionlog/ModuleOptions.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Files.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <sys/uio.h>
#include <unistd.h>
#include <unwind.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace {

// Names of format 500 on are enciphered; below it XORed byte by byte.
constexpr Word FirstEncipheredVersion = 500;

void PutU32(std::string& Out, uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        Out += char((V >> (8 * I)) & 0xFF);
}

void PutU64(std::string& Out, uint64_t V)
{
    for (int I = 0; I < 8; ++I)
        Out += char((V >> (8 * I)) & 0xFF);
}

class NameCipher {
public:
    NameCipher(Word Version, const AnsiString& Password, bool PasswordOK)
        : FEnciphered(Version >= FirstEncipheredVersion), FPasswordOK(PasswordOK),
          FKey(TEASetKey(Password))
    {
    }

    std::string Encode(const std::string& Name) const
    {
        // Longer names are cut: the length byte below 128 is the plain form.
        std::string Bytes = Name.substr(0, 127);
        if (FEnciphered)
            TEAEncrypt(FKey, Bytes.data(), Bytes.data(), Bytes.size());
        else
            for (char& C : Bytes)
                C = char(uint8_t(C) ^ OptionsStringKey);
        return char(Bytes.size()) + Bytes;
    }

    std::string Decode(std::string Bytes) const
    {
        if (!FEnciphered) {
            for (char& C : Bytes)
                C = char(uint8_t(C) ^ OptionsStringKey);
            return Bytes;
        }
        if (!FPasswordOK)
            return Bytes.empty() ? std::string()
                                 : "?" + HexText(CRC32(Bytes.data(), Bytes.size()), 8).ToUtf8();
        TEADecrypt(FKey, Bytes.data(), Bytes.data(), Bytes.size());
        return Bytes;
    }

private:
    bool FEnciphered;
    bool FPasswordOK;
    TEAKey FKey;
};

class TableReader {
public:
    explicit TableReader(std::string_view Data) : FData(Data) {}

    const char* Take(size_t N, const char* What)
    {
        if (N > FData.size() - FPos)
            throw EDataBlockError("Bad data block: " + AnsiString(What));
        const char* P = FData.data() + FPos;
        FPos += N;
        return P;
    }
    uint64_t Number(size_t Bytes, const char* What)
    {
        const auto* P = reinterpret_cast<const uint8_t*>(Take(Bytes, What));
        uint64_t V = 0;
        for (size_t I = 0; I < Bytes; ++I)
            V |= uint64_t(P[I]) << (8 * I);
        return V;
    }
    // A count of records of at least MinSize bytes each, checked against
    // the bytes left before anything is allocated for them.
    uint32_t Count(size_t MinSize, const char* What)
    {
        const auto N = uint32_t(Number(4, What));
        if (N > (FData.size() - FPos) / MinSize)
            throw EDataBlockError("Bad data block: " + AnsiString(What));
        return N;
    }
    [[nodiscard]] bool AtEnd() const { return FPos == FData.size(); }
    std::string Name(const NameCipher& Cipher, const char* What)
    {
        // A length byte of 128 or more is the shortened form of the same
        // length modulo 128.
        const size_t Len = size_t(Number(1, What)) % 128;
        return Cipher.Decode(std::string(Take(Len, What), Len));
    }

private:
    std::string_view FData;
    size_t FPos = 0;
};

std::shared_ptr<const DebugTables> TablesOf(ModuleRecord& Module)
{
    if (Module.Tables)
        return Module.Tables;
    try {
        TMemoryStream* Debug = ModuleDebugData(Module);
        if (!Debug || Debug->Size() == 0)
            return nullptr;
        const std::string_view Data(static_cast<const char*>(Debug->Memory()), size_t(Debug->Size()));
        Module.Tables = std::make_shared<const DebugTables>(
            ReadDebugTables(Data, Module.DataVersion, Module.Password, Module.PasswordOK));
    } catch (const Exception&) {
        // Damaged tables name nothing; the frames still show their module.
        Module.Tables = std::make_shared<const DebugTables>();
    }
    return Module.Tables;
}

}  // namespace

std::string WriteDebugTables(DebugTables Tables, Word Version, const AnsiString& Password)
{
    std::sort(Tables.Procedures.begin(), Tables.Procedures.end(),
              [](const DebugProcedure& A, const DebugProcedure& B) { return A.Start < B.Start; });
    // At one address the end of a run of code comes before the line that
    // starts there, so a lookup meets the line.
    std::stable_sort(Tables.Lines.begin(), Tables.Lines.end(),
                     [](const DebugLine& A, const DebugLine& B) {
                         return A.Address < B.Address ||
                                (A.Address == B.Address && A.Line == 0 && B.Line != 0);
                     });
    const NameCipher Cipher(Version, Password, true);
    std::string Out;
    PutU32(Out, uint32_t(Tables.Units.size()));
    for (const std::string& U : Tables.Units)
        Out += Cipher.Encode(U);
    PutU32(Out, uint32_t(Tables.Procedures.size()));
    for (const DebugProcedure& P : Tables.Procedures) {
        PutU32(Out, P.Unit);
        Out += Cipher.Encode(P.ClassName);
        Out += Cipher.Encode(P.ProcedureName);
        PutU64(Out, P.Start);
        PutU64(Out, P.End);
    }
    PutU32(Out, uint32_t(Tables.Lines.size()));
    for (const DebugLine& L : Tables.Lines) {
        PutU64(Out, L.Address);
        PutU32(Out, L.Unit);
        PutU32(Out, L.Line);
    }
    if (Tables.Inlines.empty())
        return Out;
    std::stable_sort(Tables.Inlines.begin(), Tables.Inlines.end(),
                     [](const DebugInline& A, const DebugInline& B) { return A.Start < B.Start; });
    // A function inlined in many places is named once.
    std::map<std::pair<std::string, std::string>, uint32_t> NameIndex;
    std::string Names;
    std::vector<uint32_t> NameOf;
    NameOf.reserve(Tables.Inlines.size());
    for (const DebugInline& I : Tables.Inlines) {
        const auto [It, New] = NameIndex.try_emplace({I.ClassName, I.ProcedureName},
                                                     uint32_t(NameIndex.size()));
        if (New)
            Names += Cipher.Encode(I.ClassName) + Cipher.Encode(I.ProcedureName);
        NameOf.push_back(It->second);
    }
    PutU32(Out, uint32_t(NameIndex.size()));
    Out += Names;
    PutU32(Out, uint32_t(Tables.Inlines.size()));
    for (size_t N = 0; N < Tables.Inlines.size(); ++N) {
        const DebugInline& I = Tables.Inlines[N];
        PutU32(Out, I.Depth);
        PutU32(Out, I.CallUnit);
        PutU32(Out, I.CallLine);
        PutU32(Out, NameOf[N]);
        PutU64(Out, I.Start);
        PutU64(Out, I.End);
    }
    return Out;
}

DebugTables ReadDebugTables(std::string_view Data, Word Version, const AnsiString& Password,
                            bool PasswordOK)
{
    const NameCipher Cipher(Version, Password, PasswordOK);
    TableReader R(Data);
    DebugTables T;
    const uint32_t Units = R.Count(1, "unit count");
    for (uint32_t I = 0; I < Units; ++I)
        T.Units.push_back(R.Name(Cipher, "unit name"));
    const uint32_t Procs = R.Count(22, "procedure count");
    for (uint32_t I = 0; I < Procs; ++I) {
        DebugProcedure P;
        P.Unit = uint32_t(R.Number(4, "procedure"));
        P.ClassName = R.Name(Cipher, "procedure class");
        P.ProcedureName = R.Name(Cipher, "procedure name");
        P.Start = R.Number(8, "procedure start");
        P.End = R.Number(8, "procedure end");
        if (P.Unit >= Units || P.End < P.Start || (!T.Procedures.empty() && P.Start < T.Procedures.back().Start))
            throw EDataBlockError("Bad data block: procedure table");
        T.Procedures.push_back(std::move(P));
    }
    const uint32_t Lines = R.Count(16, "line count");
    T.Lines.reserve(Lines);
    for (uint32_t I = 0; I < Lines; ++I) {
        DebugLine L;
        L.Address = R.Number(8, "line");
        L.Unit = uint32_t(R.Number(4, "line"));
        L.Line = uint32_t(R.Number(4, "line"));
        if (L.Unit >= Units || (!T.Lines.empty() && L.Address < T.Lines.back().Address))
            throw EDataBlockError("Bad data block: line table");
        T.Lines.push_back(L);
    }
    if (R.AtEnd())
        return T;
    const uint32_t NameCount = R.Count(2, "inline name count");
    std::vector<std::pair<std::string, std::string>> Names;
    Names.reserve(NameCount);
    for (uint32_t I = 0; I < NameCount; ++I) {
        std::string Class = R.Name(Cipher, "inline class");
        Names.emplace_back(std::move(Class), R.Name(Cipher, "inline name"));
    }
    const uint32_t Inlines = R.Count(32, "inline count");
    T.Inlines.reserve(Inlines);
    for (uint32_t I = 0; I < Inlines; ++I) {
        DebugInline X;
        X.Depth = uint32_t(R.Number(4, "inline"));
        X.CallUnit = uint32_t(R.Number(4, "inline"));
        X.CallLine = uint32_t(R.Number(4, "inline"));
        const auto Name = uint32_t(R.Number(4, "inline"));
        X.Start = R.Number(8, "inline start");
        X.End = R.Number(8, "inline end");
        if (Name >= NameCount)
            throw EDataBlockError("Bad data block: inline table");
        X.ClassName = Names[Name].first;
        X.ProcedureName = Names[Name].second;
        if (X.CallUnit >= Units || X.Depth == 0 || X.End < X.Start ||
            (!T.Inlines.empty() && X.Start < T.Inlines.back().Start))
            throw EDataBlockError("Bad data block: inline table");
        T.Inlines.push_back(std::move(X));
    }
    if (!R.AtEnd())
        throw EDataBlockError("Bad data block: data after the tables");
    return T;
}

void SplitFunctionName(const std::string& Demangled, std::string& ClassName,
                       std::string& ProcedureName)
{
    // The parameter list is the first "(" outside template arguments and
    // lambda braces that does not open "(anonymous namespace)".
    int Depth = 0;
    size_t Cut = Demangled.size();
    size_t LastScope = std::string::npos;
    for (size_t I = 0; I < Demangled.size(); ++I) {
        const char C = Demangled[I];
        if (C == '<' || C == '{')
            ++Depth;
        else if ((C == '>' || C == '}') && Depth > 0)
            --Depth;
        else if (Depth == 0 && C == '(') {
            // "operator()" is a name; "(anonymous namespace)::" and "Run()::"
            // (an entity local to a function) are scopes, not the parameter
            // list.
            if (I >= 8 && Demangled.compare(I - 8, 8, "operator") == 0 &&
                Demangled.compare(I, 2, "()") == 0) {
                ++I;
                continue;
            }
            size_t Close = I;
            for (int Parens = 0; Close < Demangled.size(); ++Close) {
                Parens += Demangled[Close] == '(' ? 1 : Demangled[Close] == ')' ? -1 : 0;
                if (Parens == 0)
                    break;
            }
            if (Demangled.compare(Close + 1, 2, "::") == 0) {
                I = Close;
                continue;
            }
            Cut = I;
            break;
        } else if (Depth == 0 && C == ':' && I + 1 < Demangled.size() && Demangled[I + 1] == ':') {
            LastScope = I;
            ++I;
        }
    }
    if (LastScope == std::string::npos) {
        ClassName.clear();
        ProcedureName = Demangled.substr(0, Cut);
        return;
    }
    ClassName = Demangled.substr(0, LastScope);
    ProcedureName = Demangled.substr(LastScope + 2, Cut - LastScope - 2);
}

std::vector<StackEntry> FindSymbols(ModuleRecord& Module, uint64_t Address, bool ReturnAddress)
{
    std::vector<StackEntry> Frames;
    const std::shared_ptr<const DebugTables> T = TablesOf(Module);
    if (!T || Address < Module.Handle)
        return Frames;
    const uint64_t Rel = Address - Module.Handle - (ReturnAddress ? 1 : 0);
    auto P = std::upper_bound(T->Procedures.begin(), T->Procedures.end(), Rel,
                              [](uint64_t A, const DebugProcedure& X) { return A < X.Start; });
    if (P == T->Procedures.begin())
        return Frames;
    --P;
    if (Rel >= P->End)
        return Frames;
    StackEntry E;
    E.Kind = 4;
    E.Address = Address;
    E.Module = ExtractFileName(Module.FileName);
    E.ClassName = AnsiString(P->ClassName);
    E.ProcedureName = AnsiString(P->ProcedureName);
    E.UnitName = AnsiString(T->Units[P->Unit]);
    E.Line = 0;
    auto L = std::upper_bound(T->Lines.begin(), T->Lines.end(), Rel,
                              [](uint64_t A, const DebugLine& X) { return A < X.Address; });
    // Line 0 when the procedure's first line comes after the address; a
    // row that began before the procedure (a split-off part of a function)
    // still holds for it. A procedure without a unit (code without debug
    // data) takes no line of its neighbours.
    const bool FirstLineLater = L != T->Lines.end() && L->Address < P->End;
    if (L != T->Lines.begin() && !T->Units[P->Unit].empty()) {
        --L;
        if ((L->Address >= P->Start || !FirstLineLater) && L->Line != 0) {
            E.Line = Integer(L->Line);
            E.UnitName = AnsiString(T->Units[L->Unit]);
        }
    }
    // The inlined copies holding the address, outermost first. They lie
    // inside the procedure, so the walk back stops at its start.
    std::vector<const DebugInline*> Chain;
    auto I = std::upper_bound(T->Inlines.begin(), T->Inlines.end(), Rel,
                              [](uint64_t A, const DebugInline& X) { return A < X.Start; });
    while (I != T->Inlines.begin()) {
        --I;
        if (I->Start < P->Start)
            break;
        if (Rel < I->End)
            Chain.push_back(&*I);
    }
    std::sort(Chain.begin(), Chain.end(),
              [](const DebugInline* A, const DebugInline* B) { return A->Depth < B->Depth; });
    // Innermost first: each function with the line in it, which for all
    // but the innermost is the call of the function inlined into it.
    Frames.push_back(E);
    for (const DebugInline* X : Chain) {
        StackEntry& Caller = Frames.back();
        StackEntry Inner = Caller;
        Inner.ClassName = AnsiString(X->ClassName);
        Inner.ProcedureName = AnsiString(X->ProcedureName);
        Caller.UnitName = AnsiString(T->Units[X->CallUnit]);
        Caller.Line = Integer(X->CallLine);
        Frames.push_back(std::move(Inner));
    }
    std::reverse(Frames.begin(), Frames.end());
    return Frames;
}

bool FindSymbol(ModuleRecord& Module, uint64_t Address, bool ReturnAddress, StackEntry& Entry)
{
    std::vector<StackEntry> Frames = FindSymbols(Module, Address, ReturnAddress);
    if (Frames.empty())
        return false;
    Entry = std::move(Frames.front());
    return true;
}

int GetSymbolFlags(Byte CallStackOptions)
{
    return 16 + ((CallStackOptions & 1) ? 4 : 0) + ((CallStackOptions & 2) ? 8 : 0);
}

namespace {

struct UnwindState {
    uintptr_t* Out;
    int Max;
    int Skip;
    int Count;
};

_Unwind_Reason_Code UnwindStep(struct _Unwind_Context* Context, void* Arg)
{
    auto& S = *static_cast<UnwindState*>(Arg);
    int BeforeInsn = 0;
    const uintptr_t IP = _Unwind_GetIPInfo(Context, &BeforeInsn);
    if (IP == 0)
        return _URC_END_OF_STACK;
    if (S.Skip > 0) {
        --S.Skip;
        return _URC_NO_REASON;
    }
    if (S.Count >= S.Max)
        return _URC_END_OF_STACK;
    S.Out[S.Count++] = IP;
    return _URC_NO_REASON;
}

}  // namespace

int CaptureStack(uintptr_t* Out, int Max, int Skip)
{
    // One more frame: this function's own.
    UnwindState S{Out, Max, Skip + 1, 0};
    _Unwind_Backtrace(UnwindStep, &S);
    return S.Count;
}

void WarmUpUnwinder()
{
    // The first walk loads and caches the unwinder's tables; later walks,
    // as in a signal handler, then need no allocation.
    uintptr_t Buffer[4];
    (void)CaptureStack(Buffer, 4, 0);
}

bool SafeRead(uintptr_t Address, void* Buffer, size_t Size)
{
    if (Size == 0)
        return true;
    iovec Local{Buffer, Size};
    iovec Remote{reinterpret_cast<void*>(Address), Size};
    return process_vm_readv(getpid(), &Local, 1, &Remote, 1, 0) == ssize_t(Size);
}

bool FollowsCall(uintptr_t Address)
{
    uint8_t B[8];
    if (Address < 8 || !SafeRead(Address - 8, B, 8))
        return false;
    // At(N) is the byte N places before the address. A REX prefix (registers
    // r8..r15) stands before the FF byte and changes none of these tests.
    const auto At = [&B](int N) { return B[8 - N]; };
    const auto In = [](uint8_t V, uint8_t Lo, uint8_t Hi) { return V >= Lo && V <= Hi; };
    if (At(5) == 0xE8)
        return true;  // call rel32
    if (At(2) == 0xFF && (In(At(1), 0xD0, 0xD7) || In(At(1), 0x10, 0x13) || At(1) == 0x16 ||
                          At(1) == 0x17))
        return true;  // call reg, call [reg]
    if (At(3) == 0xFF && ((At(2) == 0x14 && (At(1) & 7) != 5) ||
                          (In(At(2), 0x50, 0x57) && At(2) != 0x54)))
        return true;  // call [sib], call [reg + disp8]
    if (At(4) == 0xFF && At(3) == 0x54)
        return true;  // call [sib + disp8]
    if (At(6) == 0xFF && (At(5) == 0x15 || (In(At(5), 0x90, 0x97) && At(5) != 0x94)))
        return true;  // call [rip + disp32], call [reg + disp32]
    if (At(7) == 0xFF && (At(6) == 0x94 || (At(6) == 0x14 && (At(5) & 7) == 5)))
        return true;  // call [sib + disp32]
    return false;
}

std::vector<uintptr_t> ScanStack(uintptr_t SP, uintptr_t Top, const std::vector<uintptr_t>& Ranges)
{
    std::vector<uintptr_t> Result;
    constexpr size_t BlockSize = 400;
    const uintptr_t End = Top > SP ? std::min<uintptr_t>(Top, SP + MaxStackScan) : SP;
    const auto InModule = [&Ranges](uintptr_t V) {
        for (size_t I = 0; I + 1 < Ranges.size(); I += 2)
            if (V >= Ranges[I] && V < Ranges[I + 1])
                return true;
        return false;
    };
    uintptr_t Pos = SP & ~uintptr_t(7);
    uint64_t Block[BlockSize / 8];
    while (Pos + 8 <= End) {
        const size_t Want = std::min<size_t>(BlockSize, (End - Pos) & ~size_t(7));
        size_t Got = 0;
        if (SafeRead(Pos, Block, Want))
            Got = Want;
        else if (SafeRead(Pos, Block, 8))
            Got = 8;
        else
            break;
        for (size_t I = 0; I < Got / 8; ++I) {
            const uintptr_t V = uintptr_t(Block[I]);
            if (InModule(V) && FollowsCall(V))
                Result.push_back(V);
        }
        Pos += Got;
    }
    return Result;
}

namespace {

// A frame in a module without debug data is named by the dynamic loader's
// symbol lookup (exported symbols only).
void NameFromLoader(StackEntry& E, bool ReturnAddress)
{
    Dl_info Info{};
    if (dladdr(reinterpret_cast<void*>(E.Address - (ReturnAddress ? 1 : 0)), &Info) == 0 ||
        !Info.dli_sname)
        return;
    int Status = 0;
    std::unique_ptr<char, decltype(&std::free)> D(
        abi::__cxa_demangle(Info.dli_sname, nullptr, nullptr, &Status), &std::free);
    std::string Class, Proc;
    SplitFunctionName(Status == 0 && D ? D.get() : Info.dli_sname, Class, Proc);
    E.ClassName = AnsiString(Class);
    E.ProcedureName = AnsiString(Proc);
}

}  // namespace

void BuildCallStack(std::vector<StackEntry>& List, TRazuroModulesList& Modules,
                    ModuleRecord* Program, uint64_t FirstAddress,
                    const std::vector<uintptr_t>& Addresses, uint64_t ThreadID, bool MainThread,
                    bool Running)
{
    const auto Add = [&](uint64_t Address, bool ReturnAddress) {
        std::vector<StackEntry> Frames;
        ModuleRecord* M = Modules.FindModuleRecordByAddress(uintptr_t(Address));
        if (M) {
            ModuleRecord* WithTables = Program && Program->Handle == M->Handle ? Program : M;
            if (WithTables->DebugDataPresent || WithTables->Tables)
                Frames = FindSymbols(*WithTables, Address, ReturnAddress);
        }
        if (Frames.empty()) {
            StackEntry E;
            E.Kind = 1;
            E.Address = Address;
            if (M)
                E.Module = ExtractFileName(M->FileName);
            NameFromLoader(E, ReturnAddress);
            Frames.push_back(std::move(E));
        }
        for (StackEntry& E : Frames) {
            E.ThreadID = ThreadID;
            E.MainThread = MainThread;
            E.Running = Running;
            List.push_back(std::move(E));
        }
    };
    if (FirstAddress != 0)
        Add(FirstAddress, false);
    for (const uintptr_t A : Addresses)
        Add(A, true);
}
