#include "exceptionlog/MxLookup.h"

#include "ExternalTools.h"
#include "LoopbackServers.h"

#include "exceptionlog/Sockets.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Bytes(std::initializer_list<int> L)
{
    std::string S;
    for (int B : L)
        S += char(B);
    return S;
}

const std::string Query = BuildMXQuery("example.com", 0x1234);

/// A reply to Query: header flags and counts, then the question, then Tail.
std::string Reply(int Flags, int Answers, const std::string& Tail, const std::string& Q = Query)
{
    std::string R = Q;
    R[2] = char(Flags >> 8);
    R[3] = char(Flags & 255);
    R[6] = char(Answers >> 8);
    R[7] = char(Answers & 255);
    return R + Tail;
}

/// An answer record owned by the question's name (pointer to 12).
std::string Record(int Type, const std::string& Data)
{
    return Bytes({0xC0, 0x0C, 0, Type, 0, 1, 0, 0, 0x0E, 0x10, int(Data.size() >> 8),
                  int(Data.size() & 255)}) +
           Data;
}

// "mail" followed by a pointer to "example.com" in the question.
const std::string MailViaPointer = Bytes({0, 10, 4, 'm', 'a', 'i', 'l', 0xC0, 12});

}  // namespace

TEST(MxLookup, QueryBytes)
{
    const std::string Want = Bytes({0x12, 0x34, 0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0, 7, 'e', 'x',
                                    'a', 'm', 'p', 'l', 'e', 3, 'c', 'o', 'm', 0, 0, 15, 0, 1});
    EXPECT_EQ(Query, Want);
    EXPECT_EQ(BuildMXQuery("example.com.", 0x1234), Want);
    const std::string Bad[] = {"", "a..b", ".a", std::string(64, 'x') + ".com"};
    for (const std::string& B : Bad)
        EXPECT_EQ(BuildMXQuery(B.c_str(), 1), "") << B;
}

struct AnswerCase {
    const char* Name;
    std::string Packet;
    const char* Exchange;
};

TEST(MxLookup, AnswerParsing)
{
    const std::string Good = Record(15, MailViaPointer);
    std::string OtherId = Reply(0x8180, 1, Good);
    OtherId[1] = 0x35;
    const std::string OtherQuestion = BuildMXQuery("example.org", 0x1234);
    const AnswerCase Cases[] = {
        {"pointer into the question", Reply(0x8180, 1, Good), "mail.example.com"},
        {"plain labels", Reply(0x8180, 1, Record(15, Bytes({0, 5, 2, 'm', 'x', 1, 'a', 0}))),
         "mx.a"},
        {"a CNAME first is skipped",
         Reply(0x8180, 2, Record(5, Bytes({1, 'c', 0})) + Good), "mail.example.com"},
        {"first exchange wins, preference aside",
         Reply(0x8180, 2, Good + Record(15, Bytes({0, 1, 1, 'z', 0}))), "mail.example.com"},
        // Regressions: anything that is no answer to our question.
        {"another id", OtherId, ""},
        {"a query, not a reply", Reply(0x0100, 1, Good), ""},
        {"name error", Reply(0x8183, 1, Good), ""},
        {"no answers", Reply(0x8180, 0, Good), ""},
        {"answer to another question", Reply(0x8180, 1, Good, OtherQuestion), ""},
        {"only an SOA record", Reply(0x8180, 1, Record(6, MailViaPointer)), ""},
        {"pointer to itself", Reply(0x8180, 1, Record(15, Bytes({0, 1, 0xC0, 0x2B}))), ""},
        {"pointer past the end", Reply(0x8180, 1, Record(15, Bytes({0, 1, 0xFF, 0xFF}))), ""},
        {"label past the data", Reply(0x8180, 1, Record(15, Bytes({0, 1, 60, 'a'}))), ""},
        {"data length past the end", Reply(0x8180, 1, Record(15, MailViaPointer).substr(0, 14)),
         ""},
        {"cut header", Query.substr(0, 8), ""},
    };
    for (const AnswerCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(ParseMXAnswer(C.Packet, Query), C.Exchange);
    }
}

TEST(MxLookup, PointerChainsAreBounded)
{
    // Two pointers naming each other.
    const std::string P = Bytes({0xC0, 2, 0xC0, 0});
    size_t Pos = 0;
    AnsiString Name;
    EXPECT_FALSE(ReadDNSName(P, Pos, Name));
}

TEST(MxLookup, ServersComeFromResolvConfThenTheFallback)
{
    TempDir Dir;
    WriteBytes(Dir.Path() / "resolv.conf",
               "# comment\nnameserver 10.1.2.3\nnameserver 0.0.0.0\nnameserver ::1\n"
               "search lan\nnameserver 192.168.0.1\n");
    const std::vector<AnsiString> Want = {"10.1.2.3", "192.168.0.1", FallbackDNSServer};
    EXPECT_EQ(GetDNSServers((Dir.Path() / "resolv.conf").c_str()), Want);
}

TEST(MxLookup, ResolvesThroughAScriptedServer)
{
    // A forged answer (another id) comes first and is dropped.
    LoopbackUdpResponder Dns([](const std::string& Q) {
        std::string Forged = Reply(0x8180, 1, Record(15, Bytes({0, 1, 4, 'e', 'v', 'i', 'l', 0})),
                                   Q);
        Forged[0] = char(Forged[0] ^ 0x55);
        return std::vector<std::string> {Forged,
                                         Reply(0x8180, 1, Record(15, MailViaPointer), Q)};
    });
    EXPECT_EQ(ResolveMX("user@example.com", 2000, {Dns.Address().c_str()}), "mail.example.com");
    const auto Q = Dns.Queries();
    ASSERT_EQ(Q.size(), 1u);
    // The query is ours apart from its random id.
    EXPECT_EQ(Q[0].substr(2), Query.substr(2));
}

TEST(MxLookup, SilentServersGetFiveAttempts)
{
    LoopbackUdpResponder Dns([](const std::string&) { return std::vector<std::string> {}; });
    ExpectRaises<ERazuroSocketError>(
        [&] { (void)ResolveMX("a@example.test", 300, {Dns.Address().c_str()}); },
        "Cannot resolve the \"example.test\" MX record.");
    const auto Q = Dns.Queries();
    ASSERT_EQ(Q.size(), 5u);
    // A fresh random id per query.
    EXPECT_FALSE(Q[0].substr(0, 2) == Q[1].substr(0, 2) && Q[1].substr(0, 2) == Q[2].substr(0, 2));
}

TEST(MxLookup, LoopingAnswerEndsTheLookup)
{
    LoopbackUdpResponder Dns([](const std::string& Q) {
        return std::vector<std::string> {Reply(0x8180, 1, Record(15, Bytes({0, 1, 0xC0, 0x2B})), Q)};
    });
    ExpectRaises<ERazuroSocketError>(
        [&] { (void)ResolveMX("a@example.com", 300, {Dns.Address().c_str()}); },
        "Cannot resolve the \"example.com\" MX record.");
}

TEST(MxLookup, AgainstDnsmasq)
{
    if (RunTool("command -v /usr/sbin/dnsmasq >/dev/null 2>&1").Status != 0)
        GTEST_SKIP() << "dnsmasq is not installed (dnsmasq-base)";
    // A free UDP port: take one from a responder and let it go.
    uint16_t Port = 0;
    {
        LoopbackUdpResponder Probe([](const std::string&) { return std::vector<std::string> {}; }, 0);
        Port = Probe.Port();
    }
    const pid_t Pid = fork();
    if (Pid == 0) {
        const std::string PortArg = "--port=" + std::to_string(Port);
        execl("/usr/sbin/dnsmasq", "dnsmasq", "--no-daemon", "--conf-file=/dev/null",
              "--listen-address=127.0.0.1", "--bind-interfaces", "--no-resolv", "--no-hosts",
              "--user=root", "--pid-file=", PortArg.c_str(),
              "--mx-host=example.test,mail.example.test,10", static_cast<char*>(nullptr));
        _exit(127);
    }
    // dnsmasq needs a moment to bind; until then the port refuses.
    AnsiString Host;
    for (int Try = 0; Try < 30 && Host.IsEmpty(); ++Try) {
        try {
            Host = ResolveMX("x@example.test", 500,
                             {AnsiString("127.0.0.1:") + std::to_string(Port)});
        } catch (const ERazuroSocketError&) {
            usleep(100000);
        }
    }
    // dnsmasq that could not start (not root, port taken) is no finding.
    const bool Ended = waitpid(Pid, nullptr, WNOHANG) == Pid;
    if (!Ended) {
        kill(Pid, SIGTERM);
        waitpid(Pid, nullptr, 0);
    }
    if (Ended && Host.IsEmpty())
        GTEST_SKIP() << "dnsmasq did not start";
    EXPECT_EQ(Host, "mail.example.test");
}

TEST(MxLookup, BrokenAnswersGiveNoExchange)
{
    // Every file answers the "example.com" query with id 0x1234 and breaks
    // one rule; none may name an exchange.
    const std::vector<std::string> Rows = {
        "answer-count-past-end.dns", "cut-header.dns", "label-past-data.dns",
        "pointer-past-end.dns", "pointer-to-itself.dns", "record-length-past-end.dns",
    };
    const fs::path Dir = TestData() / "MxLookup" / "broken";
    for (const auto& E : fs::directory_iterator(Dir)) {
        const std::string Name = E.path().filename().string();
        SCOPED_TRACE(Name);
        EXPECT_NE(std::find(Rows.begin(), Rows.end(), Name), Rows.end()) << "file without a row";
        EXPECT_EQ(ParseMXAnswer(ReadBytes(E.path()), Query), "");
    }
    EXPECT_EQ(ParseMXAnswer(ReadBytes(TestData() / "MxLookup" / "mail-via-pointer.dns"), Query),
              "mail.example.com");
}
