// eldata-pack: puts the exception log's data block into a linked program.
// It reads the program's DWARF (units, procedures, lines), writes them with
// the default options into a block, and adds the block as the ".eldata"
// section (replacing one that is there), so the program reports exceptions
// with named frames even after its debug sections are stripped.
//
//   eldata-pack PROGRAM [--password TEXT] [--objcopy PATH] [--freeze-timeout SECONDS]
//
// --freeze-timeout turns hang detection on with that timeout (the default
// options leave it off).

#include "exceptionlog/DataBlock.h"
#include "exceptionlog/DebugData.h"
#include "exceptionlog/ModuleOptions.h"

#include "platform/rtl/DateTime.h"

#include <dwarf.h>
#include <elfutils/libdw.h>
#include <gelf.h>

#include <cxxabi.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

class TableBuilder {
public:
    explicit TableBuilder(uint64_t Base) : FBase(Base) {}

    uint32_t Unit(const char* Path)
    {
        std::string Name = Path ? Path : "";
        const size_t Slash = Name.rfind('/');
        if (Slash != std::string::npos)
            Name.erase(0, Slash + 1);
        const auto It = FUnitIndex.find(Name);
        if (It != FUnitIndex.end())
            return It->second;
        const auto Index = uint32_t(Tables.Units.size());
        Tables.Units.push_back(Name);
        FUnitIndex.emplace(Name, Index);
        return Index;
    }

    void AddLines(Dwarf_Die& CU)
    {
        Dwarf_Lines* Lines = nullptr;
        size_t Count = 0;
        if (dwarf_getsrclines(&CU, &Lines, &Count) != 0)
            return;
        for (size_t I = 0; I < Count; ++I) {
            Dwarf_Line* L = dwarf_onesrcline(Lines, I);
            Dwarf_Addr Addr = 0;
            int Line = 0;
            bool End = false;
            if (!L || dwarf_lineaddr(L, &Addr) != 0 || dwarf_lineno(L, &Line) != 0 ||
                dwarf_lineendsequence(L, &End) != 0 || Addr < FBase)
                continue;
            const char* Src = dwarf_linesrc(L, nullptr, nullptr);
            Tables.Lines.push_back({Addr - FBase, Unit(Src), End ? 0u : uint32_t(Line)});
        }
    }

    void AddProcedures(Dwarf_Die& Die, uint32_t CUUnit)
    {
        if (dwarf_tag(&Die) == DW_TAG_subprogram) {
            AddProcedure(Die, CUUnit);
            AddInlines(Die, 0);
        }
        Dwarf_Die Child;
        if (dwarf_child(&Die, &Child) != 0)
            return;
        do
            AddProcedures(Child, CUUnit);
        while (dwarf_siblingof(&Child, &Child) == 0);
    }

    // Functions the debug data do not describe (thunks, compiler-made
    // clones) are named from the symbol table, their unit from a line of
    // their own code.
    void AddSymbols(Elf* ElfFile)
    {
        std::vector<std::pair<uint64_t, uint64_t>> Covered;
        for (const DebugProcedure& P : Tables.Procedures)
            Covered.emplace_back(P.Start, P.End);
        std::sort(Covered.begin(), Covered.end());
        auto Lines = Tables.Lines;
        std::sort(Lines.begin(), Lines.end(),
                  [](const DebugLine& A, const DebugLine& B) { return A.Address < B.Address; });
        Elf_Scn* Section = nullptr;
        while ((Section = elf_nextscn(ElfFile, Section)) != nullptr) {
            GElf_Shdr Header;
            if (!gelf_getshdr(Section, &Header) || Header.sh_type != SHT_SYMTAB)
                continue;
            Elf_Data* Data = elf_getdata(Section, nullptr);
            const size_t Count = Header.sh_entsize ? Header.sh_size / Header.sh_entsize : 0;
            for (size_t I = 0; Data && I < Count; ++I) {
                GElf_Sym Sym;
                if (!gelf_getsym(Data, int(I), &Sym) || GELF_ST_TYPE(Sym.st_info) != STT_FUNC ||
                    Sym.st_size == 0 || Sym.st_value < FBase)
                    continue;
                const uint64_t Start = Sym.st_value - FBase;
                auto It = std::upper_bound(Covered.begin(), Covered.end(),
                                           std::make_pair(Start, UINT64_MAX));
                if (It != Covered.begin() && std::prev(It)->second > Start)
                    continue;
                const char* Name = elf_strptr(ElfFile, Header.sh_link, Sym.st_name);
                if (!Name || !*Name)
                    continue;
                int Status = 0;
                std::unique_ptr<char, decltype(&std::free)> Demangled(
                    abi::__cxa_demangle(Name, nullptr, nullptr, &Status), &std::free);
                std::string Class, Proc;
                SplitFunctionName(Status == 0 && Demangled ? Demangled.get() : Name, Class, Proc);
                // A function of code without debug data (the C library's
                // start-up code) has no unit, whatever lies before it.
                auto L = std::lower_bound(Lines.begin(), Lines.end(), Start,
                                          [](const DebugLine& X, uint64_t A) { return X.Address < A; });
                const uint32_t Unit = L != Lines.end() && L->Address < Start + Sym.st_size && L->Line != 0
                                          ? L->Unit
                                          : this->Unit("");
                Tables.Procedures.push_back({Unit, Class, Proc, Start, Start + Sym.st_size});
            }
        }
    }

    // The file table of the unit being read: call sites of inlined
    // functions name their file by its index there.
    void StartUnit(Dwarf_Die& CU)
    {
        FFiles = nullptr;
        FFileCount = 0;
        if (dwarf_getsrcfiles(&CU, &FFiles, &FFileCount) != 0)
            FFiles = nullptr;
    }

    DebugTables Tables;

private:
    // The inlined copies inside a function's code, each with its depth
    // (1: inlined straight into the function) and its call site.
    void AddInlines(Dwarf_Die& Die, uint32_t Depth)
    {
        Dwarf_Die Child;
        if (dwarf_child(&Die, &Child) != 0)
            return;
        do {
            const int Tag = dwarf_tag(&Child);
            if (Tag == DW_TAG_inlined_subroutine) {
                AddInline(Child, Depth + 1);
                AddInlines(Child, Depth + 1);
            } else if (Tag == DW_TAG_lexical_block) {
                AddInlines(Child, Depth);
            }
        } while (dwarf_siblingof(&Child, &Child) == 0);
    }

    void AddInline(Dwarf_Die& Die, uint32_t Depth)
    {
        const std::string Name = FunctionName(Die);
        Dwarf_Attribute Attr;
        Dwarf_Word File = 0, Line = 0;
        if (Name.empty() || !dwarf_attr(&Die, DW_AT_call_file, &Attr) ||
            dwarf_formudata(&Attr, &File) != 0 || !dwarf_attr(&Die, DW_AT_call_line, &Attr) ||
            dwarf_formudata(&Attr, &Line) != 0 || !FFiles || File >= FFileCount)
            return;
        DebugInline I;
        SplitFunctionName(Name, I.ClassName, I.ProcedureName);
        I.CallUnit = Unit(dwarf_filesrc(FFiles, File, nullptr, nullptr));
        I.CallLine = uint32_t(Line);
        I.Depth = Depth;
        Dwarf_Addr RangeBase = 0, Low = 0, High = 0;
        ptrdiff_t Offset = 0;
        while ((Offset = dwarf_ranges(&Die, Offset, &RangeBase, &Low, &High)) > 0) {
            if (Low < FBase || High <= Low)
                continue;
            I.Start = Low - FBase;
            I.End = High - FBase;
            Tables.Inlines.push_back(I);
        }
    }

    void AddProcedure(Dwarf_Die& Die, uint32_t CUUnit)
    {
        const std::string Name = FunctionName(Die);
        if (Name.empty())
            return;
        std::string Class, Proc;
        SplitFunctionName(Name, Class, Proc);
        Dwarf_Addr RangeBase = 0, Low = 0, High = 0;
        ptrdiff_t Offset = 0;
        while ((Offset = dwarf_ranges(&Die, Offset, &RangeBase, &Low, &High)) > 0) {
            if (Low < FBase || High <= Low)
                continue;
            Tables.Procedures.push_back({CUUnit, Class, Proc, Low - FBase, High - FBase});
        }
    }

    static std::string FunctionName(Dwarf_Die& Die)
    {
        Dwarf_Attribute Attr;
        const char* Linkage = nullptr;
        if (dwarf_attr_integrate(&Die, DW_AT_linkage_name, &Attr) ||
            dwarf_attr_integrate(&Die, DW_AT_MIPS_linkage_name, &Attr))
            Linkage = dwarf_formstring(&Attr);
        if (Linkage) {
            int Status = 0;
            std::unique_ptr<char, decltype(&std::free)> Demangled(
                abi::__cxa_demangle(Linkage, nullptr, nullptr, &Status), &std::free);
            return Status == 0 && Demangled ? std::string(Demangled.get()) : std::string(Linkage);
        }
        const char* Plain = nullptr;
        if (dwarf_attr_integrate(&Die, DW_AT_name, &Attr))
            Plain = dwarf_formstring(&Attr);
        return Plain ? Plain : "";
    }

    uint64_t FBase;
    std::map<std::string, uint32_t> FUnitIndex;
    Dwarf_Files* FFiles = nullptr;
    size_t FFileCount = 0;
};

// The lowest address of a loaded segment: table addresses count from it.
bool LoadBase(Elf* ElfFile, uint64_t& Base)
{
    size_t Count = 0;
    if (elf_getphdrnum(ElfFile, &Count) != 0)
        return false;
    bool Found = false;
    for (size_t I = 0; I < Count; ++I) {
        GElf_Phdr P;
        if (gelf_getphdr(ElfFile, int(I), &P) && P.p_type == PT_LOAD &&
            (!Found || P.p_vaddr < Base)) {
            Base = P.p_vaddr & ~uint64_t(P.p_align > 0 ? P.p_align - 1 : 0);
            Found = true;
        }
    }
    return Found;
}

bool ReadTables(const std::string& Program, DebugTables& Tables)
{
    const int Fd = ::open(Program.c_str(), O_RDONLY);
    if (Fd < 0) {
        std::fprintf(stderr, "eldata-pack: cannot open %s\n", Program.c_str());
        return false;
    }
    Dwarf* Dbg = dwarf_begin(Fd, DWARF_C_READ);
    if (!Dbg) {
        std::fprintf(stderr, "eldata-pack: %s has no debug data: %s\n", Program.c_str(),
                     dwarf_errmsg(-1));
        ::close(Fd);
        return false;
    }
    uint64_t Base = 0;
    if (!LoadBase(dwarf_getelf(Dbg), Base)) {
        std::fprintf(stderr, "eldata-pack: %s has no loaded segments\n", Program.c_str());
        dwarf_end(Dbg);
        ::close(Fd);
        return false;
    }
    TableBuilder B(Base);
    Dwarf_CU* CU = nullptr;
    Dwarf_CU* Next = nullptr;
    Dwarf_Half Version = 0;
    uint8_t UnitType = 0;
    Dwarf_Die CUDie, SubDie;
    while (dwarf_get_units(Dbg, CU, &Next, &Version, &UnitType, &CUDie, &SubDie) == 0) {
        CU = Next;
        if (UnitType != DW_UT_compile && UnitType != DW_UT_partial)
            continue;
        B.AddLines(CUDie);
        B.StartUnit(CUDie);
        B.AddProcedures(CUDie, B.Unit(dwarf_diename(&CUDie)));
    }
    B.AddSymbols(dwarf_getelf(Dbg));
    dwarf_end(Dbg);
    ::close(Fd);
    Tables = std::move(B.Tables);
    return true;
}

int Run(const std::vector<std::string>& Argv)
{
    const std::string Objcopy = Argv[0];
    const std::string& Program = Argv[1];
    const std::string& Password = Argv[2];
    DebugTables Tables;
    if (!ReadTables(Program, Tables))
        return 1;
    TRazuroModuleOptions Options;
    if (!Argv[3].empty()) {
        Options.FreezeTimeout = std::atoi(Argv[3].c_str());
        Options.SetFreezeActive(Options.FreezeTimeout > 0);
    }
    const std::string Block =
        BuildDataBlock(Options, CurrentDataVersion, Now(),
                       WriteDebugTables(std::move(Tables), CurrentDataVersion, AnsiString(Password)),
                       AnsiString(Password));
    const std::string BlockFile = Program + ".eldata";
    {
        std::ofstream Out(BlockFile, std::ios::binary | std::ios::trunc);
        Out.write(Block.data(), std::streamsize(Block.size()));
        if (!Out) {
            std::fprintf(stderr, "eldata-pack: cannot write %s\n", BlockFile.c_str());
            return 1;
        }
    }
    const std::string Section = std::string(DataBlockSection);
    std::vector<std::string> Args = {Objcopy, "--remove-section", Section, "--add-section",
                                     Section + "=" + BlockFile, "--set-section-flags",
                                     Section + "=noload,readonly", Program};
    std::vector<char*> CArgs;
    for (std::string& A : Args)
        CArgs.push_back(A.data());
    CArgs.push_back(nullptr);
    const pid_t Pid = fork();
    if (Pid == 0) {
        execvp(CArgs[0], CArgs.data());
        _exit(127);
    }
    int Status = 0;
    waitpid(Pid, &Status, 0);
    std::remove(BlockFile.c_str());
    if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0) {
        std::fprintf(stderr, "eldata-pack: %s failed on %s\n", Objcopy.c_str(), Program.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string Program, Password, Objcopy = "objcopy", FreezeTimeout;
    for (int I = 1; I < argc; ++I) {
        const std::string A = argv[I];
        if (A == "--password" && I + 1 < argc)
            Password = argv[++I];
        else if (A == "--objcopy" && I + 1 < argc)
            Objcopy = argv[++I];
        else if (A == "--freeze-timeout" && I + 1 < argc)
            FreezeTimeout = argv[++I];
        else if (Program.empty() && !A.empty() && A[0] != '-')
            Program = A;
        else {
            std::fprintf(stderr, "eldata-pack: unknown argument %s\n", A.c_str());
            return 2;
        }
    }
    if (Program.empty()) {
        std::fprintf(stderr, "usage: eldata-pack PROGRAM [--password TEXT] [--objcopy PATH] "
                             "[--freeze-timeout SECONDS]\n");
        return 2;
    }
    return Run({Objcopy, Program, Password, FreezeTimeout});
}
