// The exception log in a program that carries a data block: the child
// program (tests/exceptionlog/child) runs stripped, with the dialog off, and
// raises what each test asks for. Reports go to its standard error and to
// its log in the test's folder.

#include "tests/exceptionlog/LoopbackServers.h"
#include "tests/exceptionlog/PngDecoder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct ChildRun {
    int ExitCode = -1;  // -1: ended by a signal
    int Signal = 0;
    std::string Out;
    std::string Err;
    std::string Log;  // the report log ('' when none was written)
};

int CountOf(const std::string& Text, const std::string& Part)
{
    int N = 0;
    for (size_t P = Text.find(Part); P != std::string::npos; P = Text.find(Part, P + 1))
        ++N;
    return N;
}

// Runs Program with Args in Dir and the environment variables Env (each
// "NAME=value"); killed after 60 s. Log is the report log LogName there.
ChildRun RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                    const std::filesystem::path& Dir, const std::vector<std::string>& Env,
                    const std::string& LogName)
{
    const std::string OutFile = (Dir / "stdout.txt").string();
    const std::string ErrFile = (Dir / "stderr.txt").string();
    const pid_t Pid = fork();
    if (Pid == 0) {
        const int Out = open(OutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int Err = open(ErrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(Out, 1);
        dup2(Err, 2);
        // Whatever the child writes beside itself stays in the test's folder.
        if (chdir(Dir.c_str()) != 0)
            _exit(126);
        setenv("EXLOG_DIR", Dir.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        for (const std::string& E : Env)
            putenv(strdup(E.c_str()));
        // In a sanitizer build the sanitizer leaves the fatal signals to
        // the program's own handlers, which are what is tested.
        const char* Asan = getenv("ASAN_OPTIONS");
        const std::string Options = std::string(Asan ? Asan : "") +
                                    ":allow_user_segv_handler=1:handle_segv=0:handle_sigbus=0"
                                    ":handle_sigfpe=0:handle_sigill=0:handle_abort=0";
        setenv("ASAN_OPTIONS", Options.c_str(), 1);
        std::vector<char*> Argv{const_cast<char*>(Program.c_str())};
        for (const std::string& A : Args)
            Argv.push_back(const_cast<char*>(A.c_str()));
        Argv.push_back(nullptr);
        execv(Program.c_str(), Argv.data());
        _exit(127);
    }
    ChildRun R;
    int Status = 0;
    const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(Pid, &Status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > Until) {
            kill(Pid, SIGKILL);
            waitpid(Pid, &Status, 0);
            ADD_FAILURE() << Program << ": the child did not end in time";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(Status))
        R.ExitCode = WEXITSTATUS(Status);
    else if (WIFSIGNALED(Status))
        R.Signal = WTERMSIG(Status);
    R.Out = ReadBytes(OutFile);
    R.Err = ReadBytes(ErrFile);
    const auto LogFile = Dir / LogName;
    if (std::filesystem::is_regular_file(LogFile))
        R.Log = ReadBytes(LogFile);
    return R;
}

// Runs the stripped child with Scenario in Dir.
ChildRun RunChild(const std::string& Scenario, const std::filesystem::path& Dir)
{
    return RunProgram(std::string(EXCEPTIONLOG_CHILD) + "-stripped", {Scenario}, Dir, {},
                      "exceptionlog_child-stripped.elf");
}

// The line of a source file (from the source folder) that holds Marker;
// 0 when none does.
int LineOf(const std::string& Source, const std::string& Marker)
{
    std::ifstream Src(std::string(PRICETAGS_SOURCE_DIR) + "/" + Source);
    std::string Line;
    for (int N = 1; std::getline(Src, Line); ++N)
        if (Line.find(Marker) != std::string::npos)
            return N;
    return 0;
}

// The line of the throw in the child's source.
int ThrowLine()
{
    return LineOf("tests/exceptionlog/child/ExceptionChild.cpp",
                  "line checked by the tests: RaisePriceError");
}

// UTF-8 text as the program's CP1251 bytes.
std::string Cp1251(const char* Utf8)
{
    const AnsiString A = AnsiString::FromUtf8(Utf8);
    return std::string(A.Data(), size_t(A.Length()));
}

// A call-stack row naming Unit, Procedure and (when not 0) Line.
bool HasFrame(const std::string& Report, const std::string& Unit, const std::string& Procedure,
              int Line = 0)
{
    const std::regex Row("\\|" + Unit + " *\\|[^|]*\\|" + Procedure + " *\\|" +
                         (Line ? std::to_string(Line) : std::string("[0-9]+")) + " *\\|");
    return std::regex_search(Report, Row);
}

}  // namespace

TEST(ExceptionReporting, CaughtExceptionIsNotReported)
{
    const TempDir Dir;
    const ChildRun R = RunChild("caught", Dir.Path());
    EXPECT_EQ(R.ExitCode, 0);
    EXPECT_EQ(R.Out, "caught Bad price\n");
    EXPECT_EQ(R.Err.find("RazuroLog"), std::string::npos) << R.Err;
    EXPECT_TRUE(R.Log.empty());
}

TEST(ExceptionReporting, EventHandlerExceptionIsReportedOnceWithItsLine)
{
    const TempDir Dir;
    const ChildRun R = RunChild("handler", Dir.Path());
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(R.Out, "reported\n");
    EXPECT_EQ(CountOf(R.Err, "RazuroLog 5.1.3"), 1);
    EXPECT_EQ(CountOf(R.Log, "RazuroLog 5.1.3"), 1);
    EXPECT_NE(R.Log.find("2.4 Type   : EConvertError"), std::string::npos) << R.Log;
    EXPECT_NE(R.Log.find("2.5 Message: Bad price."), std::string::npos);
    // The focused password field is named, its text hidden.
    EXPECT_NE(R.Log.find("3.1 Form Class   : TForm"), std::string::npos);
    EXPECT_NE(R.Log.find("3.2 Form Text    : Invoice"), std::string::npos);
    EXPECT_NE(R.Log.find("3.3 Control Class: TEdit"), std::string::npos);
    EXPECT_NE(R.Log.find("3.4 Control Text : ******"), std::string::npos);
    EXPECT_EQ(R.Log.find("secret"), std::string::npos);
    ASSERT_GT(ThrowLine(), 0);
    EXPECT_TRUE(HasFrame(R.Log, "ExceptionChild.cpp", "RaisePriceError", ThrowLine())) << R.Log;
    // The frames under it are named too: the event loop's caller.
    EXPECT_TRUE(HasFrame(R.Log, "ExceptionChild.cpp", "RunInEventHandler")) << R.Log;
}

TEST(ExceptionReporting, TerminateKeptBackByTheProgramShowsTheReportWindowAgain)
{
    const TempDir Dir;
    const ChildRun R = RunProgram(std::string(EXCEPTIONLOG_CHILD) + "-stripped", {"terminate-kept"}, Dir.Path(),
                                  {"PRICETAGS_REPORT_WINDOW_ANSWER=terminate"}, "exceptionlog_child-stripped.elf");
    // The window's terminate was asked about twice: kept the first time,
    // then the program saved its state and ended as chosen.
    EXPECT_EQ(R.Out, "asked 1\nasked 2\nsaved\n") << R.Err;
    EXPECT_EQ(R.ExitCode, 1) << R.Err;
    EXPECT_EQ(CountOf(R.Log, "RazuroLog 5.1.3"), 1);
    EXPECT_EQ(R.Err.find("Cannot show the DialogBox window."), std::string::npos) << R.Err;
}

TEST(ExceptionReporting, ThreadExceptionIsReportedAndTheProgramGoesOn)
{
    const TempDir Dir;
    const ChildRun R = RunChild("thread", Dir.Path());
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(R.Out, "continued\n");
    EXPECT_EQ(CountOf(R.Log, "RazuroLog 5.1.3"), 1);
    EXPECT_NE(R.Log.find("2.4 Type   : std::runtime_error"), std::string::npos) << R.Log;
    EXPECT_NE(R.Log.find("2.5 Message: worker failed."), std::string::npos);
    // The exception's thread is not the main one (which is listed running).
    const size_t Header = R.Log.find("|Exception Thread: ID=");
    ASSERT_NE(Header, std::string::npos);
    const std::string HeaderLine = R.Log.substr(Header, R.Log.find('\n', Header) - Header);
    EXPECT_EQ(HeaderLine.find("Main"), std::string::npos) << HeaderLine;
}

TEST(ExceptionReporting, OtherThreadsStacksAreSampledAndTheyGoOn)
{
    const TempDir Dir;
    const ChildRun R = RunChild("thread-stacks", Dir.Path());
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(R.Out, "joined\n");
    // The raising (main) thread and the waiting worker, each with its frames.
    EXPECT_TRUE(HasFrame(R.Log, "ExceptionChild.cpp", "RaisePriceError", ThrowLine())) << R.Log;
    EXPECT_TRUE(HasFrame(R.Log, "[^|]*", "WaitingWorker")) << R.Log;
    EXPECT_EQ(CountOf(R.Log, "|Exception Thread: ID="), 1);
    EXPECT_EQ(CountOf(R.Log, "Thread: ID="), 2);
}

TEST(ExceptionReporting, EventsSeeTheRunAndMayRetryAFailedStep)
{
    const TempDir Dir;
    const ChildRun R = RunChild("events", Dir.Path());
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    // The first exception is left to the program (the entry answers 1:
    // go on); the second is reported, its log cannot be written, the
    // handler asks once for a retry, and the run goes on.
    EXPECT_EQ(R.Out, "notify Left to the program\n"
                     "result 1\n"
                     "notify Bad price\n"
                     "action 2\n"
                     "error 2\n"
                     "error 2\n"
                     "action 3\n"
                     "result 0\n");
    EXPECT_EQ(CountOf(R.Err, "RazuroLog 5.1.3"), 1);
}

TEST(ExceptionReporting, FaultsAreReportedAndEndTheProgram)
{
    struct Case {
        const char* Scenario;
        int Signal;
        const char* Type;
        const char* MessagePart;
        const char* Procedure;  // a frame the stack must name
    };
    const Case Cases[] = {
        {"read", SIGSEGV, "EAccessViolation", "Read of address 0000000000000010", "main"},
        {"write", SIGSEGV, "EAccessViolation", "Write of address 0000000000000010", "main"},
        {"divide", SIGFPE, "EDivByZero", "Division by zero at address", "main"},
        // Reported from the alternate stack.
        {"overflow", SIGSEGV, "EStackOverflow", "Stack overflow at address", "Recurse"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Scenario);
        const TempDir Dir;
        const ChildRun R = RunChild(C.Scenario, Dir.Path());
        EXPECT_EQ(R.Signal, C.Signal);
        // The program's saves ran before the fault ended it.
        EXPECT_EQ(R.Out, "saved\n");
        EXPECT_EQ(CountOf(R.Log, "RazuroLog 5.1.3"), 1) << R.Err;
        EXPECT_NE(R.Log.find(std::string("2.4 Type   : ") + C.Type), std::string::npos) << R.Log;
        EXPECT_NE(R.Log.find(C.MessagePart), std::string::npos);
        EXPECT_NE(R.Log.find("in module 'exceptionlog_child-stripped'"), std::string::npos);
        EXPECT_TRUE(HasFrame(R.Log, "ExceptionChild.cpp", C.Procedure)) << R.Log;
        EXPECT_NE(R.Err.find(C.Type), std::string::npos);
    }
}

TEST(ExceptionReporting, BurstEndsTheProgramAfterItsSaves)
{
    const TempDir Dir;
    const ChildRun R = RunChild("burst", Dir.Path());
    EXPECT_EQ(R.ExitCode, 1);
    // The third of three exceptions within a minute ends it, after the
    // program's save hook ran.
    EXPECT_EQ(R.Out, "saved\n");
    EXPECT_EQ(CountOf(R.Log, "RazuroLog 5.1.3"), 3);
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "restarted"));
}

TEST(ExceptionReporting, BurstRestartsTheProgramWhenConfigured)
{
    const TempDir Dir;
    const ChildRun R = RunChild("burst-restart", Dir.Path());
    EXPECT_EQ(R.ExitCode, 1);
    EXPECT_EQ(R.Out, "saved\n");
    // The new program notes that it started again.
    const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(Dir.Path() / "restarted") &&
           std::chrono::steady_clock::now() < Until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(std::filesystem::exists(Dir.Path() / "restarted"));
}

TEST(ExceptionReporting, KnownReportIsNotSavedTwice)
{
    const TempDir Dir;
    const ChildRun First = RunChild("known", Dir.Path());
    EXPECT_EQ(First.Out, "reported\n");
    // A new run loads at another address; the report is still the same one.
    const ChildRun Second = RunChild("known", Dir.Path());
    EXPECT_EQ(Second.Out, "reported known\n");
    EXPECT_EQ(CountOf(Second.Log, "RazuroLog 5.1.3"), 1);
}

// A configured mail goes out with the report attached once it is saved.
TEST(ExceptionReporting, ConfiguredMailIsSent)
{
    const TempDir Dir;
    ScriptedSmtpServer Server;
    const ChildRun R =
        RunProgram(std::string(EXCEPTIONLOG_CHILD) + "-stripped", {"send"}, Dir.Path(),
                   {"EXLOG_SMTP_PORT=" + std::to_string(Server.Port())},
                   "exceptionlog_child-stripped.elf");
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(CountOf(R.Log, "RazuroLog 5.1.3"), 1);
    const std::vector<SmtpSession> Sessions = Server.Sessions(1);
    ASSERT_EQ(Sessions.size(), 1u) << R.Err;
    const std::vector<std::string>& C = Sessions[0].Commands;
    EXPECT_NE(std::find(C.begin(), C.end(), "RCPT TO:<support@shop.test>"), C.end());
    EXPECT_NE(Sessions[0].Data.find("filename=\"exceptionlog_child-stripped.elf\""),
              std::string::npos)
        << Sessions[0].Data;
}

// The bytes of a mail's base64 attachment named Name; '' without one.
std::string Attachment(const std::string& Mail, const std::string& Name)
{
    const size_t At = Mail.find("filename=\"" + Name + "\"");
    if (At == std::string::npos)
        return std::string();
    const size_t Start = Mail.find("\r\n\r\n", At) + 4;
    const size_t End = Mail.find("\r\n--", Start);
    static const std::string Alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string Bytes;
    uint32_t Bits = 0;
    int Count = 0;
    for (const char C : Mail.substr(Start, End - Start)) {
        const size_t V = Alphabet.find(C);
        if (V == std::string::npos)
            continue;  // line breaks and padding
        Bits = (Bits << 6) | uint32_t(V);
        if ((Count += 6) >= 8) {
            Count -= 8;
            Bytes += char((Bits >> Count) & 0xFF);
        }
    }
    return Bytes;
}

// The screenshot goes with the mail only when the user left the dialog's
// box checked; taken on the window thread also for an exception on a
// second thread. The picture is the program's window with the focused
// password field framed in red.
TEST(ExceptionReporting, ScreenshotIsSentOnlyWithTheBoxChecked)
{
    struct Case {
        const char* Scenario;
        const char* Box;
        bool Attached;
    };
    const Case Cases[] = {
        {"screenshot", "1", true},         // on the window thread
        {"screenshot", "0", false},        // the user cleared the box
        {"screenshot-thread", "1", true},  // asked of the window thread
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Scenario) + " box " + C.Box);
        const TempDir Dir;
        ScriptedSmtpServer Server;
        const ChildRun R = RunProgram(std::string(EXCEPTIONLOG_CHILD) + "-stripped", {C.Scenario},
                                      Dir.Path(),
                                      {"EXLOG_SMTP_PORT=" + std::to_string(Server.Port()),
                                       std::string("EXLOG_SCREENSHOT_BOX=") + C.Box},
                                      "exceptionlog_child-stripped.elf");
        EXPECT_EQ(R.ExitCode, 0) << R.Err;
        EXPECT_EQ(R.Out, "dialog\nreported\n");
        const std::vector<SmtpSession> Sessions = Server.Sessions(1);
        ASSERT_EQ(Sessions.size(), 1u) << R.Err;
        const std::string Png = Attachment(Sessions[0].Data, "Screenshot.png");
        ASSERT_EQ(!Png.empty(), C.Attached);
        if (!C.Attached)
            continue;
        EXPECT_NE(Sessions[0].Data.find("Content-Type: image/png"), std::string::npos);
        const Decoded D = Decode(Png);
        EXPECT_GT(D.Width, 100);
        EXPECT_GT(D.Height, 100);
        EXPECT_NE(D.Pixels.find("ff0000ff0000"), std::string::npos) << "no focus frame";
    }
}

// A matched filter shows its message in a message box (caption: the
// options' first text) instead of a report; nothing goes to the log or to
// standard error.
TEST(ExceptionReporting, FilteredExceptionShowsItsMessageInAWindow)
{
    const TempDir Dir;
    const ChildRun R = RunChild("filter", Dir.Path());
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(R.Out, "box Прайс|Цена введена неверно|00242040\nnot reported\n");
    EXPECT_EQ(R.Err.find("Цена"), std::string::npos) << R.Err;
    EXPECT_TRUE(R.Log.empty());
}

TEST(ExceptionReporting, FrozenHandlerIsReportedWithTheMainThreadsStack)
{
    const TempDir Dir;
    const ChildRun R = RunChild("freeze", Dir.Path());
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    // A hang of three timeouts is one report.
    ASSERT_EQ(CountOf(R.Log, "RazuroLog 5.1.3"), 1) << R.Err;
    EXPECT_NE(R.Log.find("2.4 Type   : EFrozenApplication"), std::string::npos);
    EXPECT_NE(R.Log.find("2.5 Message: The application seems to be frozen."), std::string::npos);
    EXPECT_NE(R.Log.find("; Main "), std::string::npos);
    EXPECT_TRUE(HasFrame(R.Log, "[^|]*", "FrozenHandler")) << R.Log;
}

TEST(ExceptionReporting, FreezeTimeoutOfZeroSwitchesDetectionOff)
{
    const TempDir Dir;
    const ChildRun R = RunChild("freeze-off", Dir.Path());
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_TRUE(R.Log.empty()) << R.Log;
}

// Hang detection asks the main thread through its event queue, and each
// question wakes the program's idle work (which copies the whole invoice
// state): an idle program is asked about once a second, not twenty times.
TEST(ExceptionReporting, HangDetectionLetsAnIdleProgramSleep)
{
    const TempDir Dir;
    const ChildRun R = RunChild("idle", Dir.Path());
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    int Idles = -1;
    ASSERT_EQ(std::sscanf(R.Out.c_str(), "idle %d", &Idles), 1) << R.Out << R.Err;
    // Two seconds: two or three questions and the timer that ends the wait.
    EXPECT_LE(Idles, 8);
    EXPECT_TRUE(R.Log.empty()) << R.Log;
}

// The real program fails while the operator works: a failure on the main
// thread, on a second thread, an abort and a frozen main thread each leave
// one report in pricetags.elf, and the invoice as it stood before the
// failure (a row the operator just added) is in the state file that the
// next start loads.
struct PricetagsFault {
    const char* Fault;
    int Signal;  // 0: the program goes on and closes normally
    const char* Type;
    const char* MessagePart;  // UTF-8
    const char* Procedure;    // a frame of main.cpp the stack must name
    const char* LineMarker;   // the text on its line ('': any line)
};

void PrintTo(const PricetagsFault& F, std::ostream* Out)
{
    *Out << F.Fault;
}

class PricetagsFailure : public testing::TestWithParam<PricetagsFault> {};

TEST_P(PricetagsFailure, IsReportedAndTheInvoiceSurvives)
{
    const PricetagsFault& C = GetParam();
    const int Line = *C.LineMarker ? LineOf("app/main/main.cpp", C.LineMarker) : 0;
    ASSERT_TRUE(Line > 0 || !*C.LineMarker);
    const TempDir Dir;
    // The report window is answered with OK as soon as it is painted.
    const ChildRun R = RunProgram(PRICETAGS_PROGRAM, {}, Dir.Path(),
                                  {std::string("PRICETAGS_FAULT_TEST=") + C.Fault,
                                   "PRICETAGS_REPORT_WINDOW_ANSWER=ok"},
                                  "pricetags.elf");
    EXPECT_EQ(R.Signal, C.Signal) << R.Err;
    if (!C.Signal) {
        EXPECT_EQ(R.ExitCode, 0) << R.Err;
    }
    EXPECT_EQ(CountOf(R.Log, "RazuroLog 5.1.3"), 1) << R.Err;
    EXPECT_NE(R.Log.find(std::string("2.4 Type   : ") + C.Type), std::string::npos) << R.Log;
    EXPECT_NE(R.Log.find(Cp1251(C.MessagePart)), std::string::npos) << R.Log;
    EXPECT_TRUE(HasFrame(R.Log, "main.cpp", C.Procedure, Line)) << R.Log;
    for (const char* Section : {"Computer:", "Operating System:", "Call Stack Information:",
                                "Modules Information:"})
        EXPECT_NE(R.Log.find(Section), std::string::npos) << Section;
    // The console reads UTF-8.
    EXPECT_NE(R.Err.find(std::string(C.Type) + ": "), std::string::npos);
    EXPECT_NE(R.Err.find(C.MessagePart), std::string::npos) << R.Err;

    const std::string RowName = Cp1251("Чайник электрический");
    const std::filesystem::path State = Dir.Path() / "LastInvoice.inv";
    EXPECT_NE(ReadBytes(State).find(RowName), std::string::npos);
    // The next start loads it (a state that does not load is set aside as
    // ".bad") and keeps it at its normal end.
    const ChildRun Next = RunProgram(PRICETAGS_PROGRAM, {}, Dir.Path(),
                                     {"PRICETAGS_QUIT_AFTER_MS=1500"}, "pricetags.elf");
    EXPECT_EQ(Next.ExitCode, 0) << Next.Err;
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "LastInvoice.inv.bad"));
    EXPECT_NE(ReadBytes(State).find(RowName), std::string::npos);
    EXPECT_EQ(CountOf(Next.Log, "RazuroLog 5.1.3"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PricetagsFailure,
    testing::Values(
        PricetagsFault{"null", SIGSEGV, "EAccessViolation", "Write of address 0000000000000000",
                       "FailWithNullPointer", "line checked by the tests: FailWithNullPointer"},
        PricetagsFault{"thread", 0, "std::runtime_error", "Сбой во втором потоке",
                       "FailInSecondThread", ""},
        PricetagsFault{"abort", SIGABRT, "EExternalException", "The program was aborted", "Tick",
                       "std::abort();"},
        PricetagsFault{"freeze", 0, "EFrozenApplication", "The application seems to be frozen.",
                       "FreezeMainThread", "std::this_thread::sleep_for(std::chrono::milliseconds(3000));"}),
    [](const testing::TestParamInfo<PricetagsFault>& Info) { return std::string(Info.param.Fault); });

// The end of the session (the desktop's SIGTERM at logout, SIGHUP from a
// closed terminal, Ctrl+C): the program ends as at a normal exit, with the
// invoice the operator just added to and the window placement saved and
// nothing reported, also while a question waits for the operator.
class PricetagsSessionEnd : public testing::TestWithParam<const char*> {};

TEST_P(PricetagsSessionEnd, SavesTheInvoiceAndEndsNormally)
{
    const TempDir Dir;
    const ChildRun R = RunProgram(PRICETAGS_PROGRAM, {}, Dir.Path(),
                                  {std::string("PRICETAGS_FAULT_TEST=") + GetParam()},
                                  "pricetags.elf");
    EXPECT_EQ(R.Signal, 0) << R.Err;
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(R.Log, "");
    EXPECT_NE(ReadBytes(Dir.Path() / "LastInvoice.inv").find(Cp1251("Чайник электрический")),
              std::string::npos);
    EXPECT_NE(ReadBytes(Dir.Path() / "pricetags.ini").find("[FormMainPosition]"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Signals, PricetagsSessionEnd,
                         testing::Values("SIGTERM", "SIGHUP", "SIGINT", "SIGTERM-question"),
                         [](const testing::TestParamInfo<const char*>& Info) {
                             std::string Name = Info.param;
                             Name.erase(std::remove(Name.begin(), Name.end(), '-'), Name.end());
                             return Name;
                         });

// The report window of the real program on a real X server: it appears for
// each kind of failure (its picture is taken; PRICETAGS_REPORT_PNG names a
// folder to keep them), and the choice made in it is carried out: the
// report mailed to a server on this machine, the program ended by the
// terminate button with the invoice kept.
struct WindowFault {
    const char* Fault;
    int Signal;          // the failure ends the program by this signal (0: it goes on)
    const char* Answer;  // the button pressed
    bool Mail;           // mail configured (and chosen by "send")
    int ExitCode;        // when no signal ends it
};

void PrintTo(const WindowFault& F, std::ostream* Out)
{
    *Out << F.Fault << "-" << F.Answer;
}

class PricetagsReportWindow : public testing::TestWithParam<WindowFault> {};

TEST_P(PricetagsReportWindow, AppearsAndItsChoiceIsCarriedOut)
{
    const WindowFault& C = GetParam();
    if (!std::filesystem::exists("/usr/bin/xvfb-run"))
        GTEST_SKIP() << "no xvfb-run";
    const TempDir Dir;
    ScriptedSmtpServer Server;
    const std::filesystem::path Png = Dir.Path() / "window.png";
    std::vector<std::string> Env = {std::string("PRICETAGS_FAULT_TEST=") + C.Fault,
                                    std::string("PRICETAGS_REPORT_WINDOW_ANSWER=") + C.Answer,
                                    "PRICETAGS_REPORT_WINDOW_PNG=" + Png.string(),
                                    "QT_QPA_PLATFORM=xcb"};
    if (C.Mail)
        Env.push_back("PRICETAGS_FAULT_SMTP_PORT=" + std::to_string(Server.Port()));
    if (std::string(C.Answer) == "terminate")
        Env.push_back("PRICETAGS_FAULT_TERMINATE=1");
    const ChildRun R =
        RunProgram("/usr/bin/xvfb-run", {"-a", PRICETAGS_PROGRAM}, Dir.Path(), Env, "pricetags.elf");
    // xvfb-run gives the program's status; a signal as 128 + its number.
    EXPECT_EQ(R.ExitCode, C.Signal ? 128 + C.Signal : C.ExitCode) << R.Err;
    EXPECT_EQ(CountOf(R.Log, "RazuroLog 5.1.3"), 1) << R.Err;

    // The window was on the screen: its picture is a painted window.
    ASSERT_TRUE(std::filesystem::exists(Png)) << R.Err;
    const std::string Picture = ReadBytes(Png);
    EXPECT_GT(Picture.size(), 1000u);
    if (const char* Keep = std::getenv("PRICETAGS_REPORT_PNG"))
        WriteBytes(std::filesystem::path(Keep) / (std::string("xvfb-") + C.Fault + ".png"), Picture);

    if (C.Mail && std::string(C.Answer) == "send") {
        const std::vector<SmtpSession> Sessions = Server.Sessions(1);
        ASSERT_EQ(Sessions.size(), 1u) << R.Err;
        const std::vector<std::string>& Commands = Sessions[0].Commands;
        EXPECT_NE(std::find(Commands.begin(), Commands.end(), "RCPT TO:<support@shop.test>"),
                  Commands.end());
        EXPECT_NE(Sessions[0].Data.find("filename=\"pricetags.elf\""), std::string::npos)
            << Sessions[0].Data;
    } else {
        EXPECT_TRUE(Server.Sessions(0).empty());
    }
    // Whatever was chosen, the row the operator added is kept.
    EXPECT_NE(ReadBytes(Dir.Path() / "LastInvoice.inv").find(Cp1251("Чайник электрический")),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Xvfb, PricetagsReportWindow,
    testing::Values(WindowFault{"null", SIGSEGV, "send", true, 0},
                    WindowFault{"thread", 0, "terminate", false, 1},
                    WindowFault{"abort", SIGABRT, "ok", false, 0},
                    WindowFault{"freeze", 0, "send", true, 0}),
    [](const testing::TestParamInfo<WindowFault>& Info) {
        return std::string(Info.param.Fault) + "_" + Info.param.Answer;
    });
