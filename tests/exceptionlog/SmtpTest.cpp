#include "exceptionlog/Smtp.h"

#include "ExternalTools.h"
#include "LoopbackServers.h"

#include "exceptionlog/Codecs.h"
#include "exceptionlog/MxLookup.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Host()
{
    char Buf[251] = {};
    gethostname(Buf, 250);
    return Buf;
}

std::string B64(const char* S)
{
    return Base64Encode(S).Std();
}

}  // namespace

// ---- the dialogue --------------------------------------------------------------------

struct DialogueCase {
    const char* Name;
    const char* User;
    const char* Password;
    std::vector<std::string> Commands;  // before RCPT TO, DATA and the message
};

TEST(Smtp, DialoguePerCredentialCase)
{
    const std::string H = Host();
    const DialogueCase Cases[] = {
        // Without credentials: HELO, no log-in.
        {"none", "", "", {"HELO " + H, "RSET", "MAIL FROM:<from@test>"}},
        // With both: EHLO and AUTH LOGIN with Base64 user and password.
        {"both", "user", "secret",
         {"EHLO " + H, "RSET", "AUTH LOGIN", B64("user"), B64("secret"), "MAIL FROM:<from@test>"}},
        // A user with an empty password still logs in and sends Base64 of "".
        {"no password", "user", "",
         {"EHLO " + H, "RSET", "AUTH LOGIN", B64("user"), "", "MAIL FROM:<from@test>"}},
    };
    for (const DialogueCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        ScriptedSmtpServer Server;
        ASSERT_TRUE(SendMailSMTP(false, "from@test", "127.0.0.1", Server.Port(), C.User,
                                 C.Password, "to@test", "Subject", "Body", {}));
        const auto Sessions = Server.Sessions();
        ASSERT_EQ(Sessions.size(), 1u);
        std::vector<std::string> Want = C.Commands;
        Want.push_back("RCPT TO:<to@test>");
        Want.push_back("DATA");
        EXPECT_EQ(Sessions[0].Commands, Want);
    }
}

TEST(Smtp, TwoRecipientsGoOverTwoConnections)
{
    ScriptedSmtpServer Server(2);
    ASSERT_TRUE(SendMailSMTP(false, "f@test", "127.0.0.1", Server.Port(), "", "", "a@test;  b@test",
                             "S", "B", {}));
    const auto Sessions = Server.Sessions(2);
    ASSERT_EQ(Sessions.size(), 2u);
    const char* To[] = {"a@test", "b@test"};
    for (int I = 0; I < 2; ++I) {
        SCOPED_TRACE(To[I]);
        EXPECT_EQ(Sessions[I].Commands[3], std::string("RCPT TO:<") + To[I] + ">");
        EXPECT_NE(Sessions[I].Data.find(std::string("\r\nTo: <") + To[I] + ">\r\n"),
                  std::string::npos);
        EXPECT_EQ(Sessions[I].Data.find(To[1 - I]), std::string::npos);
    }
}

TEST(Smtp, OneFailingRecipientDoesNotStopTheNext)
{
    // The first connection gets a refusal; the second is served well.
    std::vector<std::string> Second;
    LoopbackTcpServer Server(
        [&](LoopbackConnection& C, int Index) {
            if (Index == 0) {
                C.Send("554 go away\r\n");
                C.ReadLine(2000);
                return;
            }
            C.Send("220 ok\r\n");
            for (std::string L; !(L = C.ReadLine()).empty();) {
                Second.push_back(L);
                C.Send(L == "DATA\r\n" ? "354 go\r\n" : "250 ok\r\n");
                if (L == "DATA\r\n") {
                    C.ReadUntil("\r\n.\r\n");
                    C.Send("250 ok\r\n");
                }
            }
        },
        2);
    EXPECT_TRUE(SendMailSMTP(false, "f@test", "127.0.0.1", Server.Port(), "", "", "a@test,b@test",
                             "S", "B", {}));
    for (int I = 0; I < 500 && Server.Served() < 2; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(Second.size(), 4u);
    EXPECT_EQ(Second[3], "RCPT TO:<b@test>\r\n");
}

TEST(Smtp, ReplyLinesArrivingSlowlyAreOneReply)
{
    // A two-line greeting whose last line comes after more than a second,
    // then a command: the client must not answer the first line alone.
    std::string Command;
    LoopbackTcpServer Server([&](LoopbackConnection& C, int) {
        C.Send("220-first line\r\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        C.Send("220 last line\r\n");
        Command = C.ReadLine();
        C.Send("250-a\r\n250 b\r\n");
        C.ReadLine(2000);
    });
    TRazuroClientSMTP Smtp("127.0.0.1", 5000, Server.Port());
    Smtp.Connect();
    EXPECT_EQ(Smtp.LastReply, "220-first line\r\n220 last line\r\n");
    EXPECT_TRUE(Smtp.SendCommand("NOOP", {250}));
    EXPECT_EQ(Command, "NOOP\r\n");
    EXPECT_EQ(Smtp.LastReply, "250-a\r\n250 b\r\n");
}

TEST(Smtp, RefusedRepliesRaiseWithTheDialogue)
{
    LoopbackTcpServer Server([](LoopbackConnection& C, int) {
        C.Send("220 hi\r\n");
        C.ReadLine();
        C.Send("hello there\r\n");
        C.ReadLine(2000);
    });
    TRazuroClientSMTP Smtp("127.0.0.1", 5000, Server.Port());
    Smtp.Connect();
    const std::string Start = "Connected to 127.0.0.1 port " + std::to_string(Server.Port()) +
                              "\r\n220 hi\r\nHELO x\r\nhello there\r\n";
    ExpectRaises<ERazuroSocketError>([&] { Smtp.SendCommand("HELO x", {250}); }, Start.c_str());
    EXPECT_FALSE(Smtp.Connected);
}

TEST(Smtp, SilenceIsASocketTimeout)
{
    LoopbackTcpServer Server([](LoopbackConnection& C, int) { C.ReadLine(3000); });
    TRazuroClientSMTP Smtp("127.0.0.1", 300, Server.Port());
    const std::string Want =
        "Socket timeout.\r\nSocket log:\r\nConnected to 127.0.0.1 port " +
        std::to_string(Server.Port()) + "\r\n";
    ExpectRaises<ERazuroSocketError>([&] { Smtp.Connect(); }, Want.c_str());
}

TEST(Smtp, HangingUpIsNoTimeout)
{
    LoopbackTcpServer Server([](LoopbackConnection& C, int) { C.Close(); });
    TRazuroClientSMTP Smtp("127.0.0.1", 5000, Server.Port());
    try {
        Smtp.Connect();
        ADD_FAILURE() << "nothing raised";
    } catch (const ERazuroSocketError& E) {
        EXPECT_EQ(E.Message.Pos("Connection closed by the server."), 1);
    }
}

TEST(Smtp, HostsThatDoNotResolveAreRefused)
{
    // 0.0.0.0 would reach this machine.
    for (const char* H : {"", "0.0.0.0"}) {
        SCOPED_TRACE(H);
        TRazuroClientSocket S(H, 1000, true, 25);
        ExpectRaises<ERazuroSocketError>([&] { S.Connect(); },
                                         AnsiString("Cannot resolve the host \"") + H + "\".");
    }
}

TEST(Smtp, WritingToAClosedConnectionRaisesInsteadOfSigpipe)
{
    LoopbackTcpServer Server([](LoopbackConnection& C, int) { C.Close(); });
    TRazuroClientSocket S("127.0.0.1", 2000, true, Server.Port());
    S.Connect();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string Block(1 << 20, 'x');
    try {
        for (int I = 0; I < 20; ++I)
            S.SendBuffer(Block.data(), int(Block.size()));
        ADD_FAILURE() << "nothing raised";
    } catch (const ERazuroSocketError& E) {
        EXPECT_EQ(E.Message.Pos("Error into \"send\":"), 1) << E.Message;
    }
}

TEST(Smtp, ProgressGoesInChunksOf1024)
{
    std::vector<std::pair<int, int>> Steps;
    struct Recorder {
        std::vector<std::pair<int, int>>* Out;
        void Step(TObject*, int P, int T) { Out->emplace_back(P, T); }
    } R {&Steps};
    LoopbackTcpServer Server([](LoopbackConnection& C, int) { C.ReadUntil("END", 3000); });
    TRazuroClientSocket S("127.0.0.1", 2000, true, Server.Port());
    S.OnProgress = TSocketProgressEvent(&R, &Recorder::Step);
    S.Connect();
    EXPECT_EQ(S.SendString(AnsiString(std::string(2500, 'a') + "END")), 2503);
    const std::vector<std::pair<int, int>> Want = {{1025, 2503}, {2049, 2503}, {2504, 2503}};
    EXPECT_EQ(Steps, Want);
}

// ---- the message ---------------------------------------------------------------------

TEST(Smtp, MessageLayoutIsByteExact)
{
    TempDir Dir;
    WriteBytes(Dir.Path() / "a.png", std::string(70, '\x01'));  // 96 Base64 characters
    WriteBytes(Dir.Path() / "log.elf", "abc");
    const AnsiString M = ComposeMailMessage(
        "f@test", "t@test", "Sub\r\nject", "Line 1\r\nLine 2",
        {{Dir.File("a.png"), "a.png"}, {Dir.File("missing.txt"), "missing.txt"},
         {Dir.File("log.elf"), "log_20260101120000.elf"}},
        "Tue, 3 Mar 2009 14:05:09 +0300", "<1.2@host>");
    const std::string B = "=_xcjvnxkbhvfkxzhfdbvzldjhfv";
    const std::string Png = Base64Encode(std::string(70, '\x01')).Std();
    const std::string Want =
        "Date: Tue, 3 Mar 2009 14:05:09 +0300\r\n"
        "From: <f@test>\r\n"
        "Subject: Sub ject\r\n"
        "To: <t@test>\r\n"
        "Content-Type: multipart/mixed; boundary=\"" + B + "\";\r\n"
        "MIME-Version: 1.0\r\n"
        "Message-ID: <1.2@host>\r\n"
        "\r\n"
        "This is a multi-part message in MIME format\r\n\r\n"
        "--" + B + "\r\n"
        "Content-Type: text/plain; charset=windows-1251\r\n"
        "Content-Transfer-Encoding: 7bit\r\n\r\n"
        "Line 1\r\nLine 2\r\n"
        "\r\n--" + B + "\r\n"
        "Content-Type: image/png;\r\n"
        "        name=\"a.png\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment;\r\n"
        "        filename=\"a.png\"\r\n\r\n" +
        Png.substr(0, 80) + "\r\n" + Png.substr(80) + "\r\n"
        "\r\n--" + B + "\r\n"
        "Content-Type: application/octet-stream;\r\n"
        "        name=\"log_20260101120000.elf\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment;\r\n"
        "        filename=\"log_20260101120000.elf\"\r\n\r\n"
        "YWJj\r\n"
        "--" + B + "--\r\n"
        ".";
    EXPECT_EQ(M.Std(), Want);
}

TEST(Smtp, MessageIDsDiffer)
{
    EXPECT_NE(NewMessageID(), NewMessageID());
}

TEST(Smtp, DeliveredMessageParsesWithPythonEmail)
{
    // Cyrillic text, a lone "." line, a ".x" line, bare LF line ends and a
    // Cyrillic file name: the receiving side must get it all back intact.
    if (RunTool("/usr/bin/python3 -c 'import email' 2>/dev/null").Status != 0)
        GTEST_SKIP() << "python3 is not installed";
    TempDir Dir;
    std::string Bin;
    for (int I = 0; I < 300; ++I)
        Bin += char(I * 7);
    WriteBytes(Dir.Path() / "data.bin", Bin);
    const AnsiString Body = "Привет\n.\nQUIT\n.x\r\nend"_a;
    ScriptedSmtpServer Server;
    ASSERT_TRUE(SendMailSMTP(false, "f@test", "127.0.0.1", Server.Port(), "", "", "t@test",
                             "Ошибка в программе"_a, Body,
                             {{Dir.File("data.bin"), "отчёт.bin"_a}}));
    const auto Sessions = Server.Sessions();
    ASSERT_EQ(Sessions.size(), 1u);
    // Only our commands reached the server: the body's "QUIT" stayed data.
    EXPECT_EQ(Sessions[0].Commands.back(), "DATA");
    std::string Data = Sessions[0].Data;
    // Undo the dot-stuffing as a receiving server does.
    for (size_t P = 0; (P = Data.find("\r\n..", P)) != std::string::npos; P += 3)
        Data.erase(P + 2, 1);
    WriteBytes(Dir.Path() / "mail.eml", Data + "\r\n");
    const std::string Script =
        "import email, email.policy, sys\n"
        "m = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=email.policy.default)\n"
        "parts = list(m.iter_parts())\n"
        "text = parts[0].get_content()\n"
        "att = parts[1]\n"
        "print(str(m['Subject']) == 'Ошибка в программе')\n"
        "print(text == 'Привет\\n.\\nQUIT\\n.x\\nend\\n')\n"
        "print(att.get_filename() == 'отчёт.bin')\n"
        "print(att.get_content() == open(sys.argv[2], 'rb').read())\n"
        "print(m['Message-ID'].endswith('@exceptionlog.pricetags>'))\n";
    WriteBytes(Dir.Path() / "check.py", Script);
    const ToolResult R = RunTool("/usr/bin/python3 " + (Dir.Path() / "check.py").string() + " " +
                                 (Dir.Path() / "mail.eml").string() + " " +
                                 (Dir.Path() / "data.bin").string() + " 2>&1");
    EXPECT_EQ(R.Output, "True\nTrue\nTrue\nTrue\nTrue\n");
}

// ---- direct delivery -----------------------------------------------------------------

namespace {

std::vector<std::string> gDnsServers;
std::vector<AnsiString> TestDnsServers()
{
    std::vector<AnsiString> R;
    for (const std::string& S : gDnsServers)
        R.push_back(S.c_str());
    return R;
}

/// An MX answer to Query naming Exchange (as plain labels).
std::string MxReplyFor(const std::string& Query, const std::string& Exchange)
{
    std::string R = Query;
    R[2] = char(0x81);
    R[3] = char(0x80);
    R[7] = 1;  // one answer
    std::string Name;
    size_t Start = 0;
    for (size_t I = 0; I <= Exchange.size(); ++I) {
        if (I < Exchange.size() && Exchange[I] != '.')
            continue;
        Name += char(I - Start);
        Name += Exchange.substr(Start, I - Start);
        Start = I + 1;
    }
    Name += '\0';
    const size_t Len = 2 + Name.size();
    R += std::string("\xC0\x0C\x00\x0F\x00\x01\x00\x00\x0E\x10", 10);
    R += char(Len >> 8);
    R += char(Len & 255);
    R += std::string("\x00\x0A", 2) + Name;
    return R;
}

}  // namespace

TEST(Smtp, DirectDeliveryGoesToTheMailExchanger)
{
    LoopbackUdpResponder Dns([](const std::string& Q) {
        return std::vector<std::string> {MxReplyFor(Q, "localhost")};
    });
    gDnsServers = {Dns.Address()};
    const DNSServerSource Old = SetDNSServerSource(TestDnsServers);
    ScriptedSmtpServer Server;
    // Credentials of the configured server are not used on the exchanger.
    EXPECT_TRUE(SendMailSMTP(true, "f@test", "ignored.invalid", Server.Port(), "user", "pass",
                             "someone@example.test", "S", "B", {}));
    SetDNSServerSource(Old);
    const auto Sessions = Server.Sessions();
    ASSERT_EQ(Sessions.size(), 1u);
    EXPECT_EQ(Sessions[0].Commands[0], "HELO " + Host());
    ASSERT_EQ(Dns.Queries().size(), 1u);
    EXPECT_NE(Dns.Queries()[0].find(std::string("\x07" "example\x04" "test", 13)),
              std::string::npos);
}

// ---- STARTTLS against aiosmtpd -------------------------------------------------------

TEST(Smtp, CredentialsGoOverStartTLS)
{
    TempDir Dir;
    if (RunTool("/usr/bin/python3 -c 'import aiosmtpd' 2>/dev/null").Status != 0 ||
        !MakeTestCertificate(Dir.Path().string()))
        GTEST_SKIP() << "python3-aiosmtpd or openssl is missing";
    const std::string Cert = (Dir.Path() / "cert.pem").string();
    const std::string Key = (Dir.Path() / "key.pem").string();
    const std::string Got = (Dir.Path() / "got.eml").string();
    PythonServer Server((TestData() / "Sending" / "smtp-starttls-server.py").string(),
                        {Cert, Key, Got});
    ASSERT_NE(Server.Port(), 0);
    // The server refuses AUTH before TLS: the message only arrives when the
    // client switched.
    SetTrustedCAFile(Cert.c_str());
    EXPECT_TRUE(SendMailSMTP(false, "f@test", "127.0.0.1", Server.Port(), "user", "secret",
                             "t@test", "Over TLS", "Body", {}));
    SetTrustedCAFile("");
    EXPECT_NE(ReadBytes(Got).find("Subject: Over TLS"), std::string::npos);
    // A certificate the client cannot trust: no credentials, no message.
    EXPECT_FALSE(SendMailSMTP(false, "f@test", "127.0.0.1", Server.Port(), "user", "secret",
                              "t@test", "Untrusted", "Body", {}));
    EXPECT_EQ(ReadBytes(Got).find("Untrusted"), std::string::npos);
}
