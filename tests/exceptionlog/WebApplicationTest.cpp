#include "exceptionlog/WebApplication.h"

#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/StrUtils.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Standard output sent to a file for the scope.
class StdoutToFile {
public:
    explicit StdoutToFile(const std::string& Path)
    {
        std::fflush(stdout);
        FSaved = dup(STDOUT_FILENO);
        const int Fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(Fd, STDOUT_FILENO);
        close(Fd);
    }
    ~StdoutToFile()
    {
        std::fflush(stdout);
        dup2(FSaved, STDOUT_FILENO);
        close(FSaved);
    }

private:
    int FSaved = -1;
};

}  // namespace

TEST(WebApplication, PageFromTheLayout)
{
    TRazuroModuleOptions O;
    // The default layout: the message in place, a title in front, the id last.
    const AnsiString Page = MessageToPage("a < b\r\nsecond  line", false, O);
    EXPECT_EQ(Page.Pos("<title>Error.</title><html>"), 1);
    EXPECT_GT(Page.Pos("a &lt; b<br>\r\nsecond&nbsp;&nbsp;line"), 0);
    EXPECT_EQ(Page.Pos("<%HTML_TAG%>"), 0);
    EXPECT_EQ(Page.SubString(Page.Length() - LastPageID().Length() + 1, LastPageID().Length()),
              LastPageID());
    EXPECT_EQ(LastPageID().Length(), int(std::string("<!-- RazuroLog ID: 01234567 -->").size()));

    struct Case { const char* Layout; const char* Page; };
    const Case Cases[] = {
        {"<p><%html_tag%></p>", "<title>Error.</title><p>M</p>"},              // any case
        {"<TITLE>T</TITLE><%HTML_TAG%>|<%HTML_TAG%>", "<TITLE>T</TITLE>M|M"},  // has a title
        {"</title><title><%HTML_TAG%>", "<title>Error.</title></title><title>M"},
        {"  \r\n", nullptr},  // blank: the default layout
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Layout);
        O.HTMLLayout = C.Layout;
        const AnsiString P = BuildErrorPage("M", O);
        if (C.Page)
            EXPECT_EQ(P, AnsiString(C.Page) + LastPageID());
        else
            EXPECT_GT(P.Pos("<font face=\"Lucida Console, Courier\" size=\"2\">" +
                            StringOfChar(' ', 13) + "M" + StringOfChar(' ', 11) + "</font>"),
                      0);
    }
}

TEST(WebApplication, CGIAnswersOnStandardOutput)
{
    // This test program has no windows: a console program.
    EXPECT_TRUE(IsConsoleProgram());
    EXPECT_FALSE(IsGUIApplication());
    unsetenv("REQUEST_METHOD");
    EXPECT_FALSE(IsCGI());
    EXPECT_FALSE(IsWebApplication());

    setenv("REQUEST_METHOD", "GET", 1);
    EXPECT_TRUE(IsCGI());
    EXPECT_TRUE(IsWebApplication());
    const TempDir Dir;
    TRazuroModuleOptions O;
    O.HTMLLayout = "<%HTML_TAG%>";
    {
        const StdoutToFile Out((Dir.Path() / "out").string());
        EXPECT_TRUE(ShowWebError("Bad", O));
    }
    unsetenv("REQUEST_METHOD");
    const std::string Sent = ReadBytes(Dir.Path() / "out");
    const std::string Head = "Status: 200 Error\r\nContent-Type: text/html\r\nContent-Length: ";
    ASSERT_EQ(Sent.rfind(Head, 0), 0u) << Sent;
    const size_t BodyAt = Sent.find("\r\nContent:\r\n\r\n") + 14;
    const std::string Body = Sent.substr(BodyAt);
    EXPECT_EQ(std::stoul(Sent.substr(Head.size())), Body.size());
    EXPECT_EQ(Body.rfind("<title>Error.</title>Bad<br><input type=button value=\"Ok\"", 0), 0u);
}

TEST(WebApplication, NoServerExtensionsHere)
{
    EXPECT_FALSE(IsISAPI());
    EXPECT_FALSE(IsIntraWeb());
    EXPECT_FALSE(IsWinCGI());  // only a program with windows reads request files
}

TEST(WebApplication, RequestFiles)
{
    const TempDir Dir;
    const std::string Good =
        "[CGI]\r\nRequest Method=GET\r\n[System]\r\nOutput File=/tmp/o.htm\r\n";
    WriteBytes(Dir.Path() / "good.ini", Good);
    WriteBytes(Dir.Path() / "no-method.ini", "[CGI]\r\nRequest Method=\r\n");
    WriteBytes(Dir.Path() / "large.ini", Good + std::string(102400, ';'));
    struct Case { const char* File; const char* Third; const char* Out; };
    const Case Cases[] = {
        {"good.ini", "", "/tmp/o.htm"},
        {"good.ini", "/tmp/third.htm", "/tmp/third.htm"},  // the third parameter wins
        {"no-method.ini", "", ""},
        {"large.ini", "", ""},                              // over 102400 bytes
        {"missing.ini", "", ""},
        {"*.ini", "", ""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.File);
        EXPECT_EQ(WinCGIOutputFileOf(Dir.File(C.File), C.Third), C.Out);
    }
}

TEST(ProcessHelpers, TextHelpers)
{
    EXPECT_EQ(HTMLEscape("<&"), "&lt;&amp;");
    EXPECT_EQ(HTMLEscape("\"'>  \r\n"), "&quot;&#039;&gt;&nbsp;&nbsp;<br>\r\n");
    EXPECT_EQ(FlattenControlChars("a\r\n\tb\x01" "c"), "a b c");
    EXPECT_EQ(IfThenText(true, "y", "n"), "y");
    EXPECT_EQ(IfThenText(false, "y"), "");
    using Lines = std::vector<AnsiString>;
    EXPECT_EQ(SplitCrLfLines(""), Lines {""});
    EXPECT_EQ(SplitCrLfLines("a\r\n\r\nb\nc\r"), (Lines {"a", "", "b\nc\r"}));
    EXPECT_EQ(SplitCrLfLines("a\r\n"), (Lines {"a", ""}));
    EXPECT_EQ(LogValueLines(" x: 1 \r\n\r\n  y:z"), (Lines {"x:_1", ".", "y:z"}));
    // No windows in this test program: nothing to copy to.
    EXPECT_FALSE(CopyTextToClipboard("report"));
}

TEST(ProcessHelpers, RunSection)
{
    // Without a handler an escaping exception becomes the critical error.
    const InternalErrorHandler Old = SetInternalErrorHandler(nullptr);
    ExpectRaises<Exception>(
        [] { RunSection([] { throw EConvertError("bad"); }, "Test.Step"); },
        "Critical error at: \"Test.Step\"\r\nError: \"bad\".");
    static AnsiString Seen;
    SetInternalErrorHandler(
        [](const AnsiString& Section, const AnsiString& Class, const AnsiString& Message) {
            Seen = Section + "|" + Class + "|" + Message;
        });
    RunSection([] { throw EConvertError("bad"); }, "Test.Step");
    EXPECT_EQ(Seen.Pos("Test.Step (Address: "), 1);
    EXPECT_GT(Seen.Pos(")|EConvertError|bad"), 0);
    RunSection([] { throw 42; }, "Test.Step");
    EXPECT_GT(Seen.Pos("|Unknown|General internal error."), 0);
    SetInternalErrorHandler(Old);
}

TEST(ProcessHelpers, TerminateEndsWithExitCodeOne)
{
    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0)
        TerminateProgram(/*Restart=*/false, "");
    int Status = 0;
    ASSERT_EQ(waitpid(Child, &Status, 0), Child);
    ASSERT_TRUE(WIFEXITED(Status));
    EXPECT_EQ(WEXITSTATUS(Status), 1);
}

TEST(ProcessHelpers, RestartStartsTheProgramAgainInTheStartFolder)
{
    // Stage 1 (a fresh run of this one test) restarts; stage 2 (the
    // restarted program) notes where it runs and ends.
    const char* Stage = std::getenv("PRICETAGS_RESTART_STAGE");
    if (Stage && std::string(Stage) == "2") {
        WriteBytes("restarted.tmp", GetCurrentDir().ToUtf8());
        std::filesystem::rename("restarted.tmp", "restarted");
        std::_Exit(0);
    }
    if (Stage && std::string(Stage) == "1") {
        setenv("PRICETAGS_RESTART_STAGE", "2", 1);
        const char* Dir = std::getenv("PRICETAGS_RESTART_DIR");
        TerminateProgram(/*Restart=*/true, AnsiString::FromUtf8(Dir ? Dir : ""));
    }
    const TempDir Dir;
    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        setenv("PRICETAGS_RESTART_STAGE", "1", 1);
        setenv("PRICETAGS_RESTART_DIR", Dir.Path().c_str(), 1);
        execl("/proc/self/exe", "exceptionlog_tests",
              "--gtest_filter=ProcessHelpers.RestartStartsTheProgramAgainInTheStartFolder",
              static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    int Status = 0;
    ASSERT_EQ(waitpid(Child, &Status, 0), Child);
    ASSERT_TRUE(WIFEXITED(Status));
    EXPECT_EQ(WEXITSTATUS(Status), 1);
    const auto Marker = Dir.Path() / "restarted";
    for (int I = 0; I < 500 && !std::filesystem::exists(Marker); ++I)
        usleep(20000);
    ASSERT_TRUE(std::filesystem::exists(Marker));
    EXPECT_EQ(ReadBytes(Marker), Dir.Path().string());
}

// A process that a tracer follows sees it; the parent here is the tracer.
TEST(ProcessHelpers, DebuggerPresentUnderTracer)
{
    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            _exit(3);
        raise(SIGSTOP);
        _exit(DebuggerPresent() ? 1 : 0);
    }
    int Status = 0;
    ASSERT_EQ(waitpid(Child, &Status, 0), Child);
    ASSERT_TRUE(WIFSTOPPED(Status));
    ASSERT_EQ(ptrace(PTRACE_CONT, Child, nullptr, nullptr), 0);
    ASSERT_EQ(waitpid(Child, &Status, 0), Child);
    ASSERT_TRUE(WIFEXITED(Status));
    EXPECT_EQ(WEXITSTATUS(Status), 1);
}

TEST(ProcessHelpers, SystemFacts)
{
    const TempDir Dir;
    WriteBytes(Dir.Path() / "os-release", "NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12\"\n");
    EXPECT_EQ(GetSystemVersionName((Dir.Path() / "os-release").c_str()), "Debian GNU/Linux 12");
    EXPECT_EQ(GetSystemVersionName((Dir.Path() / "none").c_str()), "Linux");
    EXPECT_FALSE(DebuggerPresent());
    // The placement file: LF or CR LF, values written back.
    setenv("XDG_CONFIG_HOME", (Dir.Path() / "config").c_str(), 1);
    EXPECT_EQ(ReadIniText("Coordinates", "Width", "745"), "745");
    EXPECT_TRUE(WriteIniText("Coordinates", "Width", "800"));
    EXPECT_EQ(ReadIniText("Coordinates", "Width", "745"), "800");
    WriteBytes(Dir.Path() / "config" / "RazuroLog.ini", "[Coordinates]\nLeft=10\nTop=20\n");
    EXPECT_EQ(ReadIniText("Coordinates", "Top", "0"), "20");
    unsetenv("XDG_CONFIG_HOME");
    setenv("XDG_STATE_HOME", Dir.Path().c_str(), 1);
    EXPECT_EQ(GetUserLogFolder(), AnsiString::FromUtf8((Dir.Path() / "RazuroLog/").string()));
    unsetenv("XDG_STATE_HOME");
}
