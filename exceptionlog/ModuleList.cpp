#include "exceptionlog/ModuleList.h"

#include "exceptionlog/SystemInfo.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Files.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <algorithm>

namespace {

// The range of a module's loaded segments; High 0 when it has none.
void LoadedRange(const dl_phdr_info& Info, uintptr_t& Low, uintptr_t& High)
{
    Low = UINTPTR_MAX;
    High = 0;
    for (int I = 0; I < Info.dlpi_phnum; ++I) {
        const ElfW(Phdr)& P = Info.dlpi_phdr[I];
        if (P.p_type != PT_LOAD)
            continue;
        Low = std::min<uintptr_t>(Low, Info.dlpi_addr + P.p_vaddr);
        High = std::max<uintptr_t>(High, Info.dlpi_addr + P.p_vaddr + P.p_memsz);
    }
}

int CollectModule(dl_phdr_info* Info, size_t, void* Data)
{
    auto& List = *static_cast<std::vector<LoadedModule>*>(Data);
    LoadedModule M;
    uintptr_t Low = 0, High = 0;
    LoadedRange(*Info, Low, High);
    if (High == 0)
        return 0;
    M.Handle = Low;
    M.Size = High - Low;
    // The program itself comes first, with an empty name.
    M.FileName = List.empty() && (!Info->dlpi_name || !*Info->dlpi_name)
                     ? ParamStr(0)
                     : AnsiString::FromUtf8(Info->dlpi_name ? Info->dlpi_name : "");
    if (!M.FileName.IsEmpty())
        List.push_back(M);
    return 0;
}

std::unique_ptr<ModuleRecord> MakeRecord(const LoadedModule& M, bool Program)
{
    auto Rec = std::make_unique<ModuleRecord>();
    Rec->Handle = M.Handle;
    Rec->FileName = M.FileName;
    Rec->Kind = Program ? 1 : 3;
    struct stat St{};
    if (::stat(M.FileName.ToUtf8().c_str(), &St) == 0) {
        Rec->FileSize = St.st_size;
        FileAge(M.FileName, Rec->Modified);
    }
    try {
        TFileStream File(M.FileName, fmOpenRead | fmShareDenyNone);
        (void)ReadModuleBlock(File, /*WantDebug=*/false, nullptr, *Rec);
    } catch (const Exception&) {
        // A module whose block cannot be read keeps the defaults, as one
        // without a block; only the program's own block decides activation.
    }
    return Rec;
}

}  // namespace

std::vector<LoadedModule> LoadedModules()
{
    std::vector<LoadedModule> List;
    dl_iterate_phdr(CollectModule, &List);
    return List;
}

uintptr_t ProgramHandle()
{
    uintptr_t Handle = 0;
    // The program comes first; the walk stops at the first module with
    // segments, as LoadedModules lists it.
    dl_iterate_phdr(
        [](dl_phdr_info* Info, size_t, void* Data) {
            uintptr_t Low = 0, High = 0;
            LoadedRange(*Info, Low, High);
            if (High == 0)
                return 0;
            *static_cast<uintptr_t*>(Data) = Low;
            return 1;
        },
        &Handle);
    return Handle;
}

void TRazuroModulesList::RefreshModules()
{
    const std::vector<LoadedModule> Loaded = LoadedModules();
    std::erase_if(FItems, [&](const std::unique_ptr<ModuleRecord>& R) {
        return std::none_of(Loaded.begin(), Loaded.end(), [&](const LoadedModule& M) {
            return M.Handle == R->Handle && M.FileName == R->FileName;
        });
    });
    for (size_t I = 0; I < Loaded.size(); ++I) {
        const bool Known = std::any_of(FItems.begin(), FItems.end(), [&](const auto& R) {
            return R->Handle == Loaded[I].Handle;
        });
        if (!Known)
            FItems.push_back(MakeRecord(Loaded[I], I == 0));
    }
    std::sort(FItems.begin(), FItems.end(),
              [](const auto& A, const auto& B) { return A->Handle < B->Handle; });
}

ModuleRecord* TRazuroModulesList::FindModuleRecord(uintptr_t Handle)
{
    for (const auto& R : FItems)
        if (R->Handle == Handle)
            return R.get();
    const std::vector<LoadedModule> Loaded = LoadedModules();
    for (size_t I = 0; I < Loaded.size(); ++I)
        if (Loaded[I].Handle == Handle) {
            FItems.push_back(MakeRecord(Loaded[I], I == 0));
            return FItems.back().get();
        }
    return nullptr;
}

ModuleRecord* TRazuroModulesList::FindModuleRecordByAddress(uintptr_t Address)
{
    for (const LoadedModule& M : LoadedModules())
        if (Address >= M.Handle && Address - M.Handle < M.Size)
            return FindModuleRecord(M.Handle);
    return nullptr;
}

std::vector<ModuleRow> TRazuroModulesList::ModuleRows() const
{
    std::vector<ModuleRow> Rows;
    for (const auto& R : FItems)
        Rows.push_back({R->Handle, ExtractFileName(R->FileName), AnsiString(),
                        FileVersionText(R->FileName), R->FileSize, R->Modified, R->FileName});
    return Rows;
}
