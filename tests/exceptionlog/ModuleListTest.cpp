#include "exceptionlog/ModuleList.h"

#include "platform/rtl/Files.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

int LocalFunction()
{
    return 7;
}

}  // namespace

TEST(ModuleList, ProgramAndLibrariesWithTheirFacts)
{
    TRazuroModulesList List;
    List.RefreshModules();
    ASSERT_GE(List.Count(), 2);
    // The program holds this function; libc holds strlen.
    ModuleRecord* Program =
        List.FindModuleRecordByAddress(reinterpret_cast<uintptr_t>(&LocalFunction));
    ASSERT_NE(Program, nullptr);
    EXPECT_EQ(Program->Kind, 1);
    EXPECT_EQ(ExtractFileName(Program->FileName), "exceptionlog_tests");
    EXPECT_GT(Program->FileSize, 0);
    EXPECT_GT(double(Program->Modified), 0.0);
    // No block: the options are the defaults and there are no debug data.
    EXPECT_FALSE(Program->DebugDataPresent);
    ModuleRecord* Libc = List.FindModuleRecordByAddress(reinterpret_cast<uintptr_t>(&dlopen));
    ASSERT_NE(Libc, nullptr);
    EXPECT_EQ(Libc->Kind, 3);
    EXPECT_NE(Libc, Program);
    EXPECT_EQ(List.FindModuleRecordByAddress(1), nullptr);

    const std::vector<ModuleRow> Rows = List.ModuleRows();
    ASSERT_EQ(int(Rows.size()), List.Count());
    for (size_t I = 1; I < Rows.size(); ++I)
        EXPECT_LT(Rows[I - 1].Handle, Rows[I].Handle);
}

TEST(ModuleList, ProgramHandleIsTheFirstLoadedModule)
{
    const std::vector<LoadedModule> Loaded = LoadedModules();
    ASSERT_FALSE(Loaded.empty());
    EXPECT_EQ(ProgramHandle(), Loaded.front().Handle);
    // It holds the program's code.
    TRazuroModulesList List;
    const ModuleRecord* Program =
        List.FindModuleRecordByAddress(reinterpret_cast<uintptr_t>(&LocalFunction));
    ASSERT_NE(Program, nullptr);
    EXPECT_EQ(Program->Handle, ProgramHandle());
}

TEST(ModuleList, LibraryLoadedLaterGetsItsRecordWhenMet)
{
    TRazuroModulesList List;
    List.RefreshModules();
    const int Before = List.Count();
    // A library the test program does not link (libbz2 ships with the base
    // system).
    ASSERT_EQ(dlopen("libbz2.so.1.0", RTLD_NOW | RTLD_NOLOAD), nullptr);
    void* Lib = dlopen("libbz2.so.1.0", RTLD_NOW);
    ASSERT_NE(Lib, nullptr);
    void* Fn = dlsym(Lib, "BZ2_bzlibVersion");
    ModuleRecord* Rec = List.FindModuleRecordByAddress(reinterpret_cast<uintptr_t>(Fn));
    ASSERT_NE(Rec, nullptr);
    EXPECT_GT(ExtractFileName(Rec->FileName).Pos("libbz2.so"), 0);
    EXPECT_EQ(Rec->Kind, 3);
    EXPECT_EQ(List.Count(), Before + 1);
    dlclose(Lib);
}
