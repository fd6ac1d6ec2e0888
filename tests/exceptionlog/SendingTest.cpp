#include "exceptionlog/Sending.h"

#include "ExternalTools.h"
#include "LoopbackServers.h"

#include "exceptionlog/Codecs.h"
#include "exceptionlog/ModuleOptions.h"

#include "platform/classes/Strings.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Sync.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

/// What a recording HTTP server saw of one request.
struct HttpRequest {
    std::string Head;  // request line and headers
    std::string Body;
};

/// Answers each request with Response and records it.
class RecordingHttpServer {
public:
    explicit RecordingHttpServer(std::string Response, int MaxRequests = 1)
        : FResponse(std::move(Response)),
          FServer([this](LoopbackConnection& C, int) { Serve(C); }, MaxRequests)
    {
    }
    uint16_t Port() const { return FServer.Port(); }
    int Served() const { return FServer.Served(); }
    std::vector<HttpRequest> Requests()
    {
        const std::lock_guard<std::mutex> Lock(FLock);
        return FRequests;
    }

private:
    void Serve(LoopbackConnection& C)
    {
        HttpRequest R;
        R.Head = C.ReadUntil("\r\n\r\n");
        const size_t At = R.Head.find("Content-Length: ");
        if (At != std::string::npos)
            R.Body = C.ReadExactly(std::stoul(R.Head.substr(At + 16)));
        {
            // Recorded before the answer goes out, so the client that has
            // its answer finds the request here.
            const std::lock_guard<std::mutex> Lock(FLock);
            FRequests.push_back(R);
        }
        C.Send(FResponse);
    }

    std::string FResponse;
    std::mutex FLock;
    std::vector<HttpRequest> FRequests;
    LoopbackTcpServer FServer;
};

std::string Header(const std::string& Head, const std::string& Name)
{
    const size_t At = Head.find("\r\n" + Name + ": ");
    if (At == std::string::npos)
        return std::string();
    const size_t Start = At + 4 + Name.size();
    return Head.substr(Start, Head.find("\r\n", Start) - Start);
}

/// Options of a send with the given modes and nothing else switched on.
std::shared_ptr<TRazuroModuleOptions> SendOptions(int Mail, int Web)
{
    auto O = std::make_shared<TRazuroModuleOptions>();
    O->EmailSendMode = Byte(Mail);
    O->WebSendMode = Byte(Web);
    O->SendOptions = 0;
    O->BehaviourOptions = 0;
    return O;
}

/// Sets an environment variable for the scope.
class EnvScope {
public:
    EnvScope(const char* Name, const std::string& Value)
        : FName(Name), FHad(std::getenv(Name) != nullptr), FOld(FHad ? std::getenv(Name) : "")
    {
        setenv(Name, Value.c_str(), 1);
    }
    ~EnvScope()
    {
        if (FHad)
            setenv(FName, FOld.c_str(), 1);
        else
            unsetenv(FName);
    }

private:
    const char* FName;
    bool FHad;
    std::string FOld;
};

/// Replaces PATH for the scope.
class PathScope : public EnvScope {
public:
    explicit PathScope(const std::string& Path) : EnvScope("PATH", Path) {}
};

/// A program that writes its arguments, one a line, to File.
void WriteRecorder(const fs::path& Program, const fs::path& File, int ExitCode = 0)
{
    WriteBytes(Program, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + File.string() + "'\nexit " +
                            std::to_string(ExitCode) + "\n");
    fs::permissions(Program, fs::perms::owner_all);
}

struct ErrorLog {
    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> L;
        return L;
    }
    static void Record(int Kind, const AnsiString& Text)
    {
        Lines().push_back(std::to_string(Kind) + " " + Text.Std());
    }
};

/// Hooks that record errors, installed for the scope.
class HooksScope {
public:
    explicit HooksScope(SendHooks H = {})
    {
        ErrorLog::Lines().clear();
        H.ReportError = ErrorLog::Record;
        SetSendHooks(H);
    }
    ~HooksScope() { SetSendHooks({}); }
};

}  // namespace

// ---- addresses and bodies ------------------------------------------------------------

struct URLCase {
    const char* URL;
    bool Ok;
    const char *Scheme, *User, *Password, *Host, *Path;
    int Port;
};

TEST(Sending, ParseURL)
{
    const URLCase Cases[] = {
        {"http://example.com/upload.php", true, "http", "", "", "example.com", "upload.php", 0},
        {"  https://u:p@example.com/a/b/  ", true, "https", "u", "p", "example.com", "a/b", 0},
        {"ftp://files.example.com:2121", true, "ftp", "", "", "files.example.com", "", 2121},
        // A port that is no number spoils the address.
        {"http://example.com:99999", false, "", "", "", "", "", 0},
        // Parts are cut only where the text before could be one.
        {"example.com/a@b/c", true, "", "", "", "example.com", "a@b/c", 0},
    };
    for (const URLCase& C : Cases) {
        SCOPED_TRACE(C.URL);
        AnsiString Scheme, User, Path, Host, Password;
        Word Port = 0;
        ASSERT_EQ(ParseURL(C.URL, Scheme, User, Port, Path, Host, Password), C.Ok);
        if (!C.Ok)
            continue;
        EXPECT_EQ(Scheme, C.Scheme);
        EXPECT_EQ(User, C.User);
        EXPECT_EQ(Password, C.Password);
        EXPECT_EQ(Host, C.Host);
        EXPECT_EQ(Path, C.Path);
        EXPECT_EQ(Port, C.Port);
    }
}

TEST(Sending, ErrorTexts)
{
    EXPECT_EQ(WinInetErrorText(12002), "The request has timed out.");
    EXPECT_EQ(WinInetErrorText(12171), "The function failed due to a security check.");
    EXPECT_EQ(WinInetErrorText(12001), "");
}

TEST(Sending, UploadBodyNumbersFilesByTheirPlace)
{
    TempDir Dir;
    WriteBytes(Dir.Path() / "a.txt", "AAA");
    WriteBytes(Dir.Path() / "c.bin", std::string("\0\r\n", 3));
    const std::string B = "---------------------------0001000200AB";
    const std::string Want =
        "--" + B + "\r\nContent-Disposition: form-data; name=\"who\";\r\n\r\nme\r\n"
        "--" + B + "\r\nContent-Disposition: form-data; name=\"el_upload_file_0\"; "
        "filename=\"a.txt\";\r\nContent-Type: application/octet-stream\r\n\r\nAAA\r\n"
        "--" + B + "\r\nContent-Disposition: form-data; name=\"el_upload_file_2\"; "
        "filename=\"c_1.bin\";\r\nContent-Type: application/octet-stream\r\n\r\n" +
        std::string("\0\r\n", 3) + "\r\n--" + B + "--\r\n";
    EXPECT_EQ(UploadBody(B.c_str(), {"who"}, {"me"},
                         {{Dir.File("a.txt"), "a.txt"}, {Dir.File("gone.txt"), "gone.txt"},
                          {Dir.File("c.bin"), "c_1.bin"}}),
              Want);
    const AnsiString Random = NewUploadBoundary();
    EXPECT_EQ(Random.Length(), 27 + 12);
    EXPECT_NE(Random, NewUploadBoundary());
}

// ---- HTTP upload ---------------------------------------------------------------------

TEST(Sending, HttpUploadSendsTheFormAsIs)
{
    TempDir Dir;
    WriteBytes(Dir.Path() / "report.elf", "report bytes");
    RecordingHttpServer Server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    AnsiString Error;
    const std::vector<MailAttachment> Files = {{Dir.File("report.elf"), "report.elf"}};
    EXPECT_EQ(UploadHTTP("127.0.0.1", "up/load.php", Server.Port(), "user", "pw", false, {"k"},
                         {"v"}, Files, nullptr, Error),
              0);
    const auto R = Server.Requests();
    ASSERT_EQ(R.size(), 1u);
    EXPECT_EQ(R[0].Head.substr(0, R[0].Head.find("\r\n")), "POST /up/load.php HTTP/1.1");
    const std::string Type = Header(R[0].Head, "Content-Type");
    const std::string Prefix = "multipart/form-data; boundary=";
    ASSERT_EQ(Type.rfind(Prefix, 0), 0u) << Type;
    const std::string Boundary = Type.substr(Prefix.size());
    EXPECT_EQ(Header(R[0].Head, "Authorization"), "Basic " + Base64Encode("user:pw").Std());
    EXPECT_EQ(Header(R[0].Head, "User-Agent"), "RazuroLog");
    EXPECT_EQ(Header(R[0].Head, "Expect"), "");
    EXPECT_EQ(R[0].Body, UploadBody(Boundary.c_str(), {"k"}, {"v"}, Files));
}

TEST(Sending, UploadPathIsPercentEncoded)
{
    RecordingHttpServer Server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    AnsiString Error;
    EXPECT_EQ(UploadHTTP("127.0.0.1", "отчёт dir/a%20b?"_a, Server.Port(), "", "", false, {}, {},
                         {}, nullptr, Error),
              0);
    const std::string Head = Server.Requests().at(0).Head;
    EXPECT_EQ(Head.substr(0, Head.find("\r\n")),
              "POST /%D0%BE%D1%82%D1%87%D1%91%D1%82%20dir/a%20b%3F HTTP/1.1");
}

struct StatusCase {
    const char* Response;
    int Code;
    const char* Error;
};

TEST(Sending, HttpStatusResults)
{
    const StatusCase Cases[] = {
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", 404, "Not Found"},
        {"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n", 500,
         "Internal Server Error"},
        // A redirect is reported, not followed (the server would see a
        // second request).
        {"HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 0\r\n\r\n", 302, "Found"},
        {"HTTP/1.1 abc Weird\r\nContent-Length: 0\r\n\r\n", UploadBadStatus, ""},
        // What the server says is kept and its first line told; it never
        // reaches the program's standard output (a CGI program's page).
        {"HTTP/1.1 507 Insufficient Storage\r\nContent-Length: 29\r\n\r\n Quota exceeded, sorry \r\nmore",
         507, "Insufficient Storage: Quota exceeded, sorry"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nStored.\r\n", 0, ""},
    };
    for (const StatusCase& C : Cases) {
        SCOPED_TRACE(C.Response);
        RecordingHttpServer Server(C.Response, 2);
        AnsiString Error;
        testing::internal::CaptureStdout();
        const int Code = UploadHTTP("127.0.0.1", "x", Server.Port(), "", "", false, {}, {}, {},
                                    nullptr, Error);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(Code, C.Code);
        EXPECT_EQ(Error, C.Error);
        EXPECT_EQ(Header(Server.Requests().at(0).Head, "Authorization"), "");
        EXPECT_EQ(Server.Requests().size(), 1u);
    }
}

TEST(Sending, UploadWithoutTheLibrary)
{
    SetCurlLibraryName("libcurl-missing.so.99");
    AnsiString Error;
    EXPECT_EQ(UploadHTTP("127.0.0.1", "", 1, "", "", false, {}, {}, {}, nullptr, Error),
              UploadNoLibrary);
    EXPECT_EQ(UploadFTP("127.0.0.1", "", 1, "", "", {}, nullptr, Error), UploadNoLibrary);
    SetCurlLibraryName("");
}

TEST(Sending, RefusedConnectionIsAnErrorCode)
{
    uint16_t Port = 0;
    {
        LoopbackTcpServer Gone([](LoopbackConnection&, int) {}, 0);
        Port = Gone.Port();
    }
    AnsiString Error;
    EXPECT_EQ(UploadHTTP("127.0.0.1", "", Port, "", "", false, {}, {}, {}, nullptr, Error), 12029);
    EXPECT_EQ(Error, "The attempt to connect to the server failed.");
}

// ---- the mail program ----------------------------------------------------------------

TEST(Sending, MailProgramGetsSubjectBodyFilesAndRecipients)
{
    TempDir Dir;
    WriteRecorder(Dir.Path() / "xdg-email", Dir.Path() / "args");
    WriteBytes(Dir.Path() / "log.elf", "x");
    const HooksScope Hooks;
    const PathScope Path(Dir.Path().string());
    EXPECT_TRUE(SendMailMAPI("a@test, b@test", "Ошибка\r\nновая"_a, "Текст"_a,
                             {{Dir.File("log.elf"), "log.elf"}, {Dir.File("none"), "none"}}));
    EXPECT_EQ(ReadBytes(Dir.Path() / "args"),
              "--utf8\n--subject\nОшибка новая\n--body\nТекст\n--attach\n" +
                  (Dir.Path() / "log.elf").string() + "\na@test\nb@test\n");
}

TEST(Sending, MailModeOneFallsBackToTheMailtoLink)
{
    TempDir Dir;
    WriteRecorder(Dir.Path() / "xdg-open", Dir.Path() / "args");
    const HooksScope Hooks;
    const PathScope Path(Dir.Path().string());
    auto O = SendOptions(1, 0);
    O->EmailAddresses = "a@test;b@test";
    O->EmailSubject = "Отчёт"_a;
    O->EmailMessage = "Hi";
    SendJob Job;
    Job.Options = O;
    Job.ReportText = "R 1";
    Job.TempFolder = Dir.File("");
    EXPECT_TRUE(SendReport(Job));
    EXPECT_EQ(ReadBytes(Dir.Path() / "args"),
              "mailto:a@test,b@test?Subject=%D0%9E%D1%82%D1%87%D1%91%D1%82"
              "&Body=Hi%0D%0A%0D%0A%0D%0AR%201\n");
    ASSERT_EQ(ErrorLog::Lines().size(), 1u);
    EXPECT_EQ(ErrorLog::Lines()[0], "3 Cannot find the \"xdg-email\" program.");
}

TEST(Sending, MailProgramErrorIsAFailure)
{
    TempDir Dir;
    WriteRecorder(Dir.Path() / "xdg-email", Dir.Path() / "args", 3);
    WriteRecorder(Dir.Path() / "xdg-open", Dir.Path() / "args2", 4);
    const HooksScope Hooks;
    const PathScope Path(Dir.Path().string());
    EXPECT_FALSE(SendMailMAPI("a@test", "S", "B", {}));
    EXPECT_FALSE(SendMailClient("a@test", "S", "B", "R"));
}

// ---- the whole send ------------------------------------------------------------------

TEST(Sending, FailedMailSpoilsASuccessfulUpload)
{
    TempDir Dir;
    const PathScope Path(Dir.Path().string());  // no mail program at all
    const HooksScope Hooks;
    RecordingHttpServer Server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    auto O = SendOptions(1, 1);
    O->EmailAddresses = "a@test";
    O->WebURL = "http://127.0.0.1/up";
    O->WebPort = Server.Port();
    SendJob Job;
    Job.Options = O;
    Job.ReportText = "report";
    Job.LogFileName = Dir.File("prog.elf");
    Job.TempFolder = Dir.File("");
    EXPECT_FALSE(SendReport(Job));
    EXPECT_EQ(Server.Requests().size(), 1u);
}

TEST(Sending, ACopyThatCannotBeWrittenDoesNotStopTheSend)
{
    TempDir Dir;
    const HooksScope Hooks;
    RecordingHttpServer Server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    auto O = SendOptions(0, 1);
    O->WebURL = "http://127.0.0.1/up";
    O->WebPort = Server.Port();
    O->SendOptions = soCompressAttachments | 0x08;  // an XML copy too
    SendJob Job;
    Job.Options = O;
    Job.ReportText = "r";
    Job.LogFileName = Dir.File("prog.elf");
    Job.TempFolder = Dir.File("no/such/folder");
    EXPECT_TRUE(SendReport(Job));
    ASSERT_EQ(Server.Requests().size(), 1u);
    EXPECT_EQ(Server.Requests()[0].Body.find("filename="), std::string::npos);
}

// A file or link planted under a copy's name, in the configured folder or
// (without one) in the shared temporary folder, is neither written through
// nor removed; without a folder of the caller's the copies go into a
// private folder of the send and go with it.
TEST(Sending, PlantedFilesAreNeitherFollowedNorRemoved)
{
    for (const bool OwnFolder : {true, false}) {
        SCOPED_TRACE(OwnFolder);
        TempDir Dir;
        const fs::path Tmp = Dir.Path() / "tmp";
        fs::create_directory(Tmp);
        const EnvScope TmpDir("TMPDIR", Tmp.string());
        WriteBytes(Dir.Path() / "victim", "keep me");
        fs::create_symlink(Dir.Path() / "victim", Tmp / "prog.elf");
        fs::create_symlink(Dir.Path() / "victim", Tmp / "prog.xml");
        const HooksScope Hooks;
        RecordingHttpServer Server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
        auto O = SendOptions(0, 1);
        O->WebURL = "http://127.0.0.1/up";
        O->WebPort = Server.Port();
        O->SendOptions = 0x08;  // an XML copy too
        SendJob Job;
        Job.Options = O;
        Job.ReportText = "the report";
        Job.LogFileName = Dir.File("prog.elf");
        if (OwnFolder)
            Job.TempFolder = Dir.File("tmp");
        EXPECT_TRUE(SendReport(Job));
        EXPECT_EQ(ReadBytes(Dir.Path() / "victim"), "keep me");
        EXPECT_TRUE(fs::is_symlink(Tmp / "prog.elf"));
        EXPECT_TRUE(fs::is_symlink(Tmp / "prog.xml"));
        EXPECT_EQ(std::distance(fs::directory_iterator(Tmp), fs::directory_iterator()), 2);
        ASSERT_EQ(Server.Requests().size(), 1u);
        // In its own folder the copies are left out; in a private one they go.
        const std::string& Body = Server.Requests()[0].Body;
        EXPECT_EQ(Body.find("filename=\"prog.elf\"") != std::string::npos, !OwnFolder);
        EXPECT_EQ(Body.find("the report") != std::string::npos, !OwnFolder);
    }
}

struct KeepCase {
    const char* Name;
    Word Options;
    const char* Uploaded;  // the file name the upload carried
};

TEST(Sending, UnsentReportIsKeptAndTheCopiesCleanedUp)
{
    const KeepCase Cases[] = {
        {"files as they are", 0, "prog_20260102030405.elf"},
        // The archive made for sending is the one kept, not packed again.
        {"packed for sending", soCompressAttachments, "CompressFiles_20260102030405.tgz"},
    };
    for (const KeepCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TempDir Dir;
        fs::create_directory(Dir.Path() / "log");
        fs::create_directory(Dir.Path() / "tmp");
        const HooksScope Hooks;
        RecordingHttpServer Server("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        auto O = SendOptions(0, 1);
        O->WebURL = "http://127.0.0.1/up";
        O->WebPort = Server.Port();
        O->SendOptions = soKeepUnsentReports | soTimeStampNames | C.Options;
        SendJob Job;
        Job.Options = O;
        Job.ReportText = "the report";
        Job.LogFileName = Dir.File("log/prog.elf");
        Job.TempFolder = Dir.File("tmp");
        Job.ExceptionTime = EncodeDate(2026, 1, 2) + EncodeTime(3, 4, 5, 0);
        EXPECT_FALSE(SendReport(Job));
        ASSERT_EQ(ErrorLog::Lines().size(), 1u);
        EXPECT_EQ(ErrorLog::Lines()[0], "6 HTTP error code: 404 (Not Found)");
        const auto R = Server.Requests();
        ASSERT_EQ(R.size(), 1u);
        EXPECT_NE(R[0].Body.find(std::string("filename=\"") + C.Uploaded + "\";"),
                  std::string::npos);
        EXPECT_TRUE(fs::is_empty(Dir.Path() / "tmp"));
        const fs::path Kept = Dir.Path() / "log" / "CompressFiles_20260102030405.tgz";
        ASSERT_TRUE(fs::exists(Kept));
        EXPECT_EQ(RunTool("tar -tzf '" + Kept.string() + "' 2>&1").Output,
                  "prog_20260102030405.elf\n");
        EXPECT_EQ(RunTool("tar -xOzf '" + Kept.string() + "' 2>&1").Output,
                  "the report\r\n\r\n\r\n");
    }
}

TEST(Sending, OnlyOurOwnArchivesArePruned)
{
    TempDir Dir;
    for (int I = 0; I < 12; ++I)
        WriteBytes(Dir.Path() / ("CompressFiles_202601010000" + std::to_string(10 + I) + ".tgz"), "");
    WriteBytes(Dir.Path() / "CompressFiles_20260101000021_1.tgz", "");
    const char* Foreign[] = {"backup.tgz", "CompressFiles_old.tgz", "CompressFiles.tgz",
                             "CompressFiles_20250101000000.tar.gz"};
    for (const char* F : Foreign)
        WriteBytes(Dir.Path() / F, "");
    PruneKeptReports(Dir.File(""));
    std::vector<std::string> Left;
    for (const auto& E : fs::directory_iterator(Dir.Path()))
        Left.push_back(E.path().filename().string());
    std::sort(Left.begin(), Left.end());
    std::vector<std::string> Want(std::begin(Foreign), std::end(Foreign));
    for (int I = 4; I < 12; ++I)
        Want.push_back("CompressFiles_202601010000" + std::to_string(10 + I) + ".tgz");
    Want.push_back("CompressFiles_20260101000021_1.tgz");
    Want.push_back("CompressFiles_20260101000013.tgz");
    std::sort(Want.begin(), Want.end());
    // Of 13 archives the 10 newest stay: 14..21, 21_1 and... 13 is the oldest
    // kept.
    EXPECT_EQ(Left, Want);
}

namespace {

TCriticalSection gTestLock;
std::atomic<bool> gAfterSendRan {false};
void AfterSend()
{
    gAfterSendRan = true;
}

}  // namespace

TEST(Sending, SendThreadDoesNotHoldTheLockWhileSending)
{
    TempDir Dir;
    RecordingHttpServer Server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    SendHooks H;
    H.GlobalLock = &gTestLock;
    H.AfterSend = AfterSend;
    const HooksScope Hooks(H);
    auto O = SendOptions(0, 1);
    O->WebURL = "http://127.0.0.1/";
    O->WebPort = Server.Port();
    O->BehaviourOptions = boSendInThread;
    SendJob Job;
    Job.Options = O;
    Job.ReportText = "r";
    Job.TempFolder = Dir.File("");
    gAfterSendRan = false;
    {
        // Another exception holds the lock: the upload still goes out, and
        // only the checks after it wait.
        const CriticalSectionGuard Held(gTestLock);
        StartSend(Job);
        for (int I = 0; I < 500 && Server.Served() == 0; ++I)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(Server.Served(), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(gAfterSendRan);
    }
    for (int I = 0; I < 500 && RunningSendThreads() > 0; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(RunningSendThreads(), 0);
    EXPECT_TRUE(gAfterSendRan);
}

// ---- HTTPS and FTP against Python servers --------------------------------------------

namespace {

bool HavePython(const char* Module)
{
    return RunTool(std::string("/usr/bin/python3 -c 'import ") + Module + "' 2>/dev/null").Status ==
           0;
}

std::string Script(const char* Name)
{
    return (TestData() / "Sending" / Name).string();
}

}  // namespace

TEST(Sending, HttpsTrustsOnlyItsCA)
{
    TempDir Dir;
    if (!HavePython("ssl") || !MakeTestCertificate(Dir.Path().string()))
        GTEST_SKIP() << "python3 or openssl is missing";
    WriteBytes(Dir.Path() / "report.elf", "secret report");
    const std::vector<MailAttachment> Files = {{Dir.File("report.elf"), "report.elf"}};
    const std::string Cert = (Dir.Path() / "cert.pem").string();
    const std::string Key = (Dir.Path() / "key.pem").string();
    {
        // Trusted through the test CA: the body arrives whole.
        PythonServer Server(Script("https-server.py"), {Cert, Key, (Dir.Path() / "got").string()});
        ASSERT_NE(Server.Port(), 0);
        SetTrustedCAFile(Cert.c_str());
        AnsiString Error;
        EXPECT_EQ(UploadHTTP("127.0.0.1", "up", Server.Port(), "", "", true, {}, {}, Files,
                             nullptr, Error),
                  0)
            << Error;
        SetTrustedCAFile("");
    }
    EXPECT_NE(ReadBytes(Dir.Path() / "got").find("secret report"), std::string::npos);
    {
        // The system's store does not know the test CA: nothing is sent.
        PythonServer Server(Script("https-server.py"), {Cert, Key, (Dir.Path() / "got2").string()});
        ASSERT_NE(Server.Port(), 0);
        AnsiString Error;
        EXPECT_EQ(UploadHTTP("127.0.0.1", "up", Server.Port(), "", "", true, {}, {}, Files,
                             nullptr, Error),
                  12045);
        EXPECT_EQ(Error, WinInetErrorText(12045));
    }
    EXPECT_FALSE(fs::exists(Dir.Path() / "got2"));
}

TEST(Sending, FtpUpload)
{
    if (!HavePython("pyftpdlib"))
        GTEST_SKIP() << "python3-pyftpdlib is not installed";
    TempDir Dir;
    fs::create_directories(Dir.Path() / "root" / "in");
    WriteBytes(Dir.Path() / "a.elf", "first");
    WriteBytes(Dir.Path() / "b.png", std::string(3000, '\x89'));
    const std::vector<MailAttachment> Files = {{Dir.File("a.elf"), "a_1.elf"},
                                               {Dir.File("gone"), "gone"},
                                               {Dir.File("b.png"), "b.png"}};
    PythonServer Server(Script("ftp-server.py"), {(Dir.Path() / "root").string()});
    ASSERT_NE(Server.Port(), 0);
    static std::vector<int64_t> Positions;
    Positions.clear();
    const UploadProgress Record = [](int State, int64_t Position, int64_t Total) {
        if (State == 2)
            Positions.push_back(Position);
        else if (State == 0)
            Positions.push_back(-Total);
    };
    AnsiString Error;
    EXPECT_EQ(UploadFTP("127.0.0.1", "in", Server.Port(), "user", "secret", Files, Record, Error),
              0)
        << Error;
    EXPECT_EQ(ReadBytes(Dir.Path() / "root" / "in" / "a_1.elf"), "first");
    EXPECT_EQ(ReadBytes(Dir.Path() / "root" / "in" / "b.png"), std::string(3000, '\x89'));
    const std::vector<int64_t> Want = {-3005, 5, 1029, 2053, 3005};
    EXPECT_EQ(Positions, Want);
    // A wrong password: the server's own answer is the error text.
    EXPECT_EQ(UploadFTP("127.0.0.1", "in", Server.Port(), "user", "wrong", Files, nullptr, Error),
              12015);
    EXPECT_EQ(Error.Pos("530"), 1) << Error;
}

// ---- saving the log ------------------------------------------------------------------

namespace {

std::vector<int> gActions;
bool gGoAhead = true;
bool RecordAction(int Action)
{
    gActions.push_back(Action);
    return gGoAhead;
}

}  // namespace

TEST(Sending, SaveLogKeepsTheNewestReports)
{
    TempDir Dir;
    SendHooks H;
    H.ActionNotify = RecordAction;
    const HooksScope Hooks(H);
    gActions.clear();
    gGoAhead = true;
    TRazuroModuleOptions O;
    O.ErrorsNumberToSave = 2;
    O.SendOptions = soSendWholeLog;
    const AnsiString Log = Dir.File("prog.elf");
    const AnsiString Report = "RazuroLog 5.1.3\r\n\r\n|a|\r\n-\r\n|";
    for (const char* N : {"1", "2", "3"})
        (void)SaveLog(O, Log, Report + N + "|\r\n", false);
    // A known report is not stored again; the text sent is the whole log.
    const AnsiString Sent = SaveLog(O, Log, Report + "4|\r\n", /*KnownReport=*/true);
    EXPECT_EQ(gActions, (std::vector<int> {2, 3, 2, 3, 2, 3, 2, 3}));
    const std::string Stored = ReadBytes(Dir.Path() / "prog.elf");
    EXPECT_EQ(Stored.find("|1|"), std::string::npos);
    EXPECT_NE(Stored.find("|2|"), std::string::npos);
    EXPECT_NE(Stored.find("|3|"), std::string::npos);
    EXPECT_EQ(Sent, Report + "4|\r\n");
    const AnsiString Whole = SaveLog(O, Log, Report + "5|\r\n", false);
    EXPECT_TRUE(Whole.Pos("|3|") > 0 && Whole.Pos("|5|") > Whole.Pos("|3|") && !Whole.Pos("|2|"))
        << Whole;
    // A cleared go-ahead saves nothing.
    gGoAhead = false;
    (void)SaveLog(O, Log, Report + "6|\r\n", false);
    EXPECT_EQ(ReadBytes(Dir.Path() / "prog.elf").find("|6|"), std::string::npos);
}
