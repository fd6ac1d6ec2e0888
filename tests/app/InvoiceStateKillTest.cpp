// The invoice state file when the program is killed in the middle of
// saving it: a second process of this test program saves large invoices
// to LastInvoice.inv again and again and is killed with SIGKILL at varied
// moments; each time the file still loads, holding one whole invoice.

#include "app/InvoiceType.h"

#include "common/base/Funcs.h"
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

/// An invoice of Rows rows whose first row's name tells its size.
void FillInvoice(TshInvoice& Invoice, int Rows)
{
    for (int I = 0; I < Rows; ++I) {
        TshInvoiceTovar& Row = *Invoice.Add();
        Row.Name = "Холодильник NRB "_a + IntToStr(I);
        Row.Description = AnsiString(std::string(40, 'd').c_str());
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

// The child's part: saves invoices of 20 000 and 12 000 rows in turn until
// it is killed. Run only by KillDuringSaveKeepsALoadableState.
TEST(InvoiceStateKill, DISABLED_SaveLoop)
{
    const char* Dir = std::getenv(LoopDirVariable);
    ASSERT_NE(Dir, nullptr);
    TshInvoice Large(1);
    FillInvoice(Large, 20000);
    TshInvoice Smaller(1);
    FillInvoice(Smaller, 12000);
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
    const std::set<int> Whole = {500, 12000, 20000};
    int CaughtSaving = 0;
    constexpr int Rounds = 6;
    for (int Round = 0; Round < Rounds; ++Round) {
        SCOPED_TRACE(Round);
        fs::remove(Dir / "saving");
        const pid_t Child = StartSaveLoop(Dir);
        ASSERT_GT(Child, 0);
        // Wait until the loop runs, then let it save for a varied while.
        for (int I = 0; I < 3000 && !fs::exists(Dir / "saving"); ++I)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(fs::exists(Dir / "saving")) << "the save loop did not start";
        std::this_thread::sleep_for(std::chrono::milliseconds(37 + 53 * Round));
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
