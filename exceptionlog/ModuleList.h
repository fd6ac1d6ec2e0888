#pragma once

// The modules of the process (the program and its shared libraries) as the
// exception log knows them: one record per module in load order, made when
// a module is first met, with its file facts and its data block when it
// carries one.

#include "exceptionlog/DataBlock.h"
#include "exceptionlog/LogText.h"

#include <cstdint>
#include <memory>
#include <vector>

class TRazuroModulesList {
public:
    TRazuroModulesList() = default;
    TRazuroModulesList(const TRazuroModulesList&) = delete;
    TRazuroModulesList& operator=(const TRazuroModulesList&) = delete;

    /// Drops the records of modules no longer loaded and makes records for
    /// new ones (without their debug data); the list is sorted by handle.
    void RefreshModules();
    /// The record of the module loaded at Handle, made when missing; null
    /// when no module is loaded there.
    ModuleRecord* FindModuleRecord(uintptr_t Handle);
    /// The record of the module that holds Address; null when none does.
    ModuleRecord* FindModuleRecordByAddress(uintptr_t Address);

    [[nodiscard]] int Count() const { return int(FItems.size()); }
    [[nodiscard]] ModuleRecord* Items(int Index) const { return FItems[size_t(Index)].get(); }

    /// The rows of the report's modules table.
    [[nodiscard]] std::vector<ModuleRow> ModuleRows() const;

private:
    std::vector<std::unique_ptr<ModuleRecord>> FItems;
};

/// The load address and file of every loaded module, the program first.
struct LoadedModule {
    uintptr_t Handle = 0;
    uintptr_t Size = 0;  // bytes of its loaded segments
    AnsiString FileName;
};
[[nodiscard]] std::vector<LoadedModule> LoadedModules();
/// The program's own load address (the first of LoadedModules), found
/// without listing the libraries; 0 when unknown.
[[nodiscard]] uintptr_t ProgramHandle();
