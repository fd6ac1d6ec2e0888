#include "exceptionlog/ExceptionProcessing.h"

#include "exceptionlog/ExceptionLog.h"
#include "exceptionlog/Hooks.h"
#include "exceptionlog/ProcessHelpers.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

// This test program carries no data block: the exception log is inactive,
// as in the shipped program.

TEST(ExceptionProcessing, EntryPointsAnswerAtOnceWhileInactive)
{
    ASSERT_FALSE(ExceptionLogActive());
    try {
        throw EConvertError("Bad price");
    } catch (...) {
        EXPECT_TRUE(ExceptionManager(nullptr, nullptr, ekRaised, nullptr));
        EXPECT_TRUE(HandleExceptionWaiting(FactsOfCurrentException(ekRaised)));
    }
    EXPECT_FALSE(LastProcessResult().Reported);
    ExpectRaises<EAssertionFailed>(
        [] { (void)CurrentRazuroLogOptions(); },
        "\r\nCannot use 'CurrentRazuroLogOptions' function without activate RazuroLog.\r\n"
        "To activate RazuroLog use the new IDE \"Project/RazuroLog Options...\" menu. "
        "(ExceptionLog)");
    // No configured address: the internal-bug report is mailed nowhere.
    EXPECT_EQ(InternalBugMailAddress(), "");
}

TEST(ExceptionProcessing, FactsNameTheExceptionsClassAndMessage)
{
    struct Case {
        const char* Name;
        std::exception_ptr E;
        const char* Class;
        const char* Message;
        bool Runtime;
        bool Silent;
    };
    const Case Cases[] = {
        {"runtime class", std::make_exception_ptr(EConvertError("Bad price")), "EConvertError",
         "Bad price", true, false},
        {"EAbort is never reported", std::make_exception_ptr(EAbort("")), "EAbort", "", true, true},
        {"standard class", std::make_exception_ptr(std::out_of_range("index 5")), "std::out_of_range",
         "index 5", true, false},
        {"no class at all", std::make_exception_ptr(42), "int", "", false, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const ExceptionFacts F = FactsOfException(C.E, ekSystem);
        EXPECT_EQ(F.ClassName, C.Class);
        EXPECT_EQ(F.Message, C.Message);
        EXPECT_EQ(F.RuntimeException, C.Runtime);
        EXPECT_EQ(F.Silent, C.Silent);
        EXPECT_EQ(F.Kind, ekSystem);
    }
}

TEST(ExceptionProcessing, WaitDropsInputButLetsQuitAndCloseThrough)
{
    struct Case {
        unsigned Msg;
        bool Dropped;
    };
    const Case Cases[] = {
        {0x0012, false},  // WM_QUIT: the program must still be able to end
        {0x0010, false},  // WM_CLOSE
        {0x000F, false},  // WM_PAINT: windows keep painting
        {0x0200, false},  // WM_MOUSEMOVE
        {0x0103, false},  // WM_DEADCHAR
        {0x0100, true},   // WM_KEYDOWN
        {0x0102, true},   // WM_CHAR
        {0x0104, true},   // WM_SYSKEYDOWN
        {0x0106, true},   // WM_SYSCHAR
        {0x0201, true},   // WM_LBUTTONDOWN
        {0x0209, true},   // WM_MBUTTONDBLCLK
        {0x00A1, true},   // WM_NCLBUTTONDOWN
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Msg);
        EXPECT_EQ(WaitDropsMessage(C.Msg), C.Dropped);
    }
}

TEST(ExceptionProcessing, ReportFilesGoToAPrivateFolderCreatedExclusively)
{
    const AnsiString Folder = ReportFilesFolder();
    ASSERT_FALSE(Folder.IsEmpty());
    const std::filesystem::path Dir = Folder.ToUtf8();
    struct stat St{};
    ASSERT_EQ(stat(Dir.c_str(), &St), 0);
    EXPECT_EQ(St.st_mode & 0777, 0700u);
    // One folder of its own for the whole run, inside the shared one.
    EXPECT_EQ(ReportFilesFolder(), Folder);
    EXPECT_EQ(Folder.Pos(GetTempFolder() + "RazuroLog-"), 1);

    const AnsiString File = WriteReportFile("CompressFiles.tgz", "packed");
    EXPECT_EQ(File, Folder + "CompressFiles.tgz");
    EXPECT_EQ(ReadBytes(File.ToUtf8()), "packed");
    // A file that is there is neither reused nor followed.
    EXPECT_EQ(WriteReportFile("CompressFiles.tgz", "again"), "");
    std::filesystem::create_symlink("/tmp/elsewhere", Dir / "Screenshot.png");
    EXPECT_EQ(WriteReportFile("Screenshot.png", "png"), "");
    EXPECT_FALSE(std::filesystem::exists("/tmp/elsewhere"));
    EXPECT_EQ(WriteReportFile("../escape.txt", "x"), "");
    std::filesystem::remove_all(Dir);
}

TEST(ExceptionProcessing, TerminateRunsTheProgramsSavesFirst)
{
    const TempDir Dir;
    const std::string Marker = (Dir.Path() / "saved").string();
    const pid_t Pid = fork();
    if (Pid == 0) {
        static std::string Path;
        Path = Marker;
        SetProgramSaveHook([] { std::ofstream(Path) << "saved"; });
        TerminateProgram(false, "");
    }
    int Status = 0;
    waitpid(Pid, &Status, 0);
    ASSERT_TRUE(WIFEXITED(Status));
    EXPECT_EQ(WEXITSTATUS(Status), 1);
    EXPECT_EQ(ReadBytes(Marker), "saved");
}

TEST(Hooks, SignalNames)
{
    struct Case {
        int Signal;
        int Code;
        bool Write;
        bool Overflow;
        const char* Class;
        const char* Message;
    };
    const Case Cases[] = {
        {SIGSEGV, SEGV_MAPERR, false, false, "EAccessViolation",
         "Access violation at address 0000000000001234 in module 'pricetags'. Read of address "
         "0000000000000010"},
        {SIGSEGV, SEGV_ACCERR, true, false, "EAccessViolation",
         "Access violation at address 0000000000001234 in module 'pricetags'. Write of address "
         "0000000000000010"},
        {SIGSEGV, SEGV_MAPERR, true, true, "EStackOverflow",
         "Stack overflow at address 0000000000001234 in module 'pricetags'"},
        {SIGFPE, FPE_INTDIV, false, false, "EDivByZero",
         "Division by zero at address 0000000000001234 in module 'pricetags'"},
        {SIGILL, ILL_ILLOPC, false, false, "EPrivilege",
         "Illegal instruction at address 0000000000001234 in module 'pricetags'"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Class);
        const SignalName N = NameOfSignal(C.Signal, C.Code, 0x1234, 0x10, C.Write, C.Overflow,
                                          "pricetags");
        EXPECT_STREQ(N.ClassName, C.Class);
        EXPECT_EQ(N.Message, C.Message);
    }
}

TEST(ExceptionProcessing, TerminateChosenInTheWindowStandsUnlessAHandlerKeepsTheProgram)
{
    static std::vector<int> Order;
    Order.clear();
    EXPECT_FALSE(HasTerminateHandlers());
    EXPECT_TRUE(NotifyTerminateChosen());  // nobody to ask: it stands
    ExceptionEventHandlers First;
    First.TerminateNotify = [](bool& Terminate) {
        Order.push_back(1);
        Terminate = false;
    };
    ExceptionEventHandlers Second;
    // The later record runs first and sees the flag still set.
    Second.TerminateNotify = [](bool& Terminate) { Order.push_back(Terminate ? 2 : -2); };
    AddExceptionEventHandlers(&First);
    AddExceptionEventHandlers(&Second);
    EXPECT_TRUE(HasTerminateHandlers());
    EXPECT_FALSE(NotifyTerminateChosen());
    EXPECT_EQ(Order, (std::vector<int>{2, 1}));
    RemoveExceptionEventHandlers(&First);
    RemoveExceptionEventHandlers(&Second);
    EXPECT_TRUE(NotifyTerminateChosen());
}
