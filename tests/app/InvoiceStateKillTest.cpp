// The invoice state file when the program is killed in the middle of
// saving it: a second process of this test program saves large invoices
// to LastInvoice.inv again and again and is killed with SIGKILL at varied
// moments; each time the file still loads, holding one whole invoice.

#include "app/InvoiceType.h"

#include "common/base/Funcs.h"
#include "platform/rtl/Heap.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

/// The child's folder, handed over in the environment.
constexpr const char* LoopDirVariable = "PRICETAGS_STATE_SAVE_LOOP";

/// An invoice of Rows rows whose last row's name tells its size, each row
/// with a description of DescriptionSize bytes.
void FillInvoice(TshInvoice& Invoice, int Rows, size_t DescriptionSize = 40)
{
    for (int I = 0; I < Rows; ++I) {
        TshInvoiceTovar& Row = *Invoice.Add();
        Row.Name = "Холодильник NRB "_a + IntToStr(I);
        Row.Description = AnsiString(std::string(DescriptionSize, 'd').c_str());
        Row.Kolvo = Curr("2");
        Row.PriceOpt = Curr("10.5");
        Row.Calc(2, Curr("30"), Curr("10"));
    }
}

AnsiString StateFile(const fs::path& Dir)
{
    return AnsiString::FromUtf8((Dir / "LastInvoice.inv").string());
}

/// Starts this program again running only the save loop in Dir.
pid_t StartSaveLoop(const fs::path& Dir)
{
    return StartThisTestProgram("InvoiceStateKill.DISABLED_SaveLoop", LoopDirVariable,
                                Dir.string());
}

} // namespace

// The child's part: saves invoices of 2 000 and 1 200 rows in turn until it
// is killed. A save encodes the rows in memory before it writes the file;
// long descriptions (8 and 5 MB in all) and the program's heap make
// writing most of its time, so that kills land while the file is being
// written. Run only by KillDuringSaveKeepsALoadableState.
TEST(InvoiceStateKill, DISABLED_SaveLoop)
{
    const char* Dir = std::getenv(LoopDirVariable);
    ASSERT_NE(Dir, nullptr);
    UseProgramHeap();
    TshInvoice Large(1);
    FillInvoice(Large, 2000, 4000);
    TshInvoice Smaller(1);
    FillInvoice(Smaller, 1200, 4000);
    const AnsiString Name = StateFile(Dir);
    WriteBytes(fs::path(Dir) / "saving", "");
    for (;;) {
        Large.SaveToFile(Name);
        Smaller.SaveToFile(Name);
    }
}

TEST(InvoiceStateKill, KillDuringSaveKeepsALoadableState)
{
    TempDir Tmp;
    const fs::path Dir = Tmp.Path();
    {
        TshInvoice First(1);
        FillInvoice(First, 500);
        First.SaveToFile(StateFile(Dir));
    }
    const std::set<int> Whole = {500, 1200, 2000};
    int CaughtSaving = 0;
    // Six rounds at least; more, up to 30, until a kill came mid-write
    // (slow builds spend more of a save encoding the rows).
    constexpr int MinRounds = 6;
    constexpr int MaxRounds = 30;
    for (int Round = 0; Round < MaxRounds && (Round < MinRounds || CaughtSaving == 0); ++Round) {
        SCOPED_TRACE(Round);
        fs::remove(Dir / "saving");
        const pid_t Child = StartSaveLoop(Dir);
        ASSERT_GT(Child, 0);
        // Wait until the loop runs, then let it save for a varied while.
        for (int I = 0; I < 3000 && !fs::exists(Dir / "saving"); ++I)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(fs::exists(Dir / "saving")) << "the save loop did not start";
        std::this_thread::sleep_for(std::chrono::milliseconds(37 + 53 * (Round % MinRounds)));
        ASSERT_EQ(kill(Child, SIGKILL), 0);
        int Status = 0;
        ASSERT_EQ(waitpid(Child, &Status, 0), Child);
        ASSERT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == SIGKILL);
        // A half-written temporary file shows the kill came during a save.
        CaughtSaving += fs::exists(Dir / "LastInvoice.inv.tmp");

        TshInvoice Loaded(1);
        ASSERT_NO_THROW(Loaded.LoadFromFile(StateFile(Dir)));
        EXPECT_TRUE(Whole.count(Loaded.Count())) << Loaded.Count() << " rows";
        EXPECT_EQ(Loaded.GetItem(Loaded.Count() - 1)->Name,
                  "Холодильник NRB "_a + IntToStr(Loaded.Count() - 1));
    }
    EXPECT_GT(CaughtSaving, 0) << "no kill came while a save was under way";
}
