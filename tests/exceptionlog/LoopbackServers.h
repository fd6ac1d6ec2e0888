#pragma once

// Servers the sender tests start on 127.0.0.1 (port chosen by the system):
// a TCP server that runs a script per connection, a scripted SMTP server
// built on it, and a UDP responder. Each serves a bounded number of
// connections or datagrams and stops with its object.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

/// One accepted connection, seen from the server.
class LoopbackConnection {
public:
    explicit LoopbackConnection(int Fd) : FFd(Fd) {}
    ~LoopbackConnection() { Close(); }
    LoopbackConnection(const LoopbackConnection&) = delete;
    LoopbackConnection& operator=(const LoopbackConnection&) = delete;

    void Send(const std::string& Bytes)
    {
        if (FFd >= 0)
            ::send(FFd, Bytes.data(), Bytes.size(), MSG_NOSIGNAL);
    }
    /// Bytes up to and including Terminator; '' when the peer closed or
    /// nothing came within TimeoutMs.
    std::string ReadUntil(const std::string& Terminator, int TimeoutMs = 5000)
    {
        const auto Deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
        for (;;) {
            const size_t At = FBuffer.find(Terminator);
            if (At != std::string::npos) {
                std::string Out = FBuffer.substr(0, At + Terminator.size());
                FBuffer.erase(0, At + Terminator.size());
                return Out;
            }
            const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
                Deadline - std::chrono::steady_clock::now());
            pollfd P {FFd, POLLIN, 0};
            if (Left.count() <= 0 || ::poll(&P, 1, int(Left.count())) <= 0)
                return std::string();
            char Buf[65536];
            const ssize_t N = ::recv(FFd, Buf, sizeof Buf, 0);
            if (N <= 0)
                return std::string();
            FBuffer.append(Buf, size_t(N));
        }
    }
    /// Exactly N bytes; fewer when the peer closed or stayed silent.
    std::string ReadExactly(size_t N, int TimeoutMs = 5000)
    {
        while (FBuffer.size() < N) {
            pollfd P {FFd, POLLIN, 0};
            if (::poll(&P, 1, TimeoutMs) <= 0)
                break;
            char Buf[65536];
            const ssize_t Got = ::recv(FFd, Buf, sizeof Buf, 0);
            if (Got <= 0)
                break;
            FBuffer.append(Buf, size_t(Got));
        }
        std::string Out = FBuffer.substr(0, N);
        FBuffer.erase(0, Out.size());
        return Out;
    }
    std::string ReadLine(int TimeoutMs = 5000) { return ReadUntil("\r\n", TimeoutMs); }
    void Close()
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = -1;
    }

private:
    int FFd = -1;
    std::string FBuffer;
};

/// Accepts up to MaxConnections on 127.0.0.1 and runs Script on each, one
/// after another, on its own thread.
class LoopbackTcpServer {
public:
    using Script = std::function<void(LoopbackConnection&, int Index)>;

    LoopbackTcpServer(Script S, int MaxConnections = 1) : FScript(std::move(S))
    {
        FListen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in A {};
        A.sin_family = AF_INET;
        A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(FListen, reinterpret_cast<sockaddr*>(&A), sizeof A);
        ::listen(FListen, 8);
        socklen_t L = sizeof A;
        ::getsockname(FListen, reinterpret_cast<sockaddr*>(&A), &L);
        FPort = ntohs(A.sin_port);
        FThread = std::thread([this, MaxConnections] {
            for (int I = 0; I < MaxConnections && !FStop; ++I) {
                pollfd P {FListen, POLLIN, 0};
                while (!FStop && ::poll(&P, 1, 50) == 0) {
                }
                if (FStop)
                    return;
                const int Fd = ::accept(FListen, nullptr, nullptr);
                if (Fd < 0)
                    return;
                LoopbackConnection C(Fd);
                FScript(C, I);
                ++FServed;
            }
        });
    }
    ~LoopbackTcpServer()
    {
        FStop = true;
        FThread.join();
        ::close(FListen);
    }
    uint16_t Port() const { return FPort; }
    int Served() const { return FServed; }

private:
    Script FScript;
    int FListen = -1;
    uint16_t FPort = 0;
    std::atomic<bool> FStop {false};
    std::atomic<int> FServed {0};
    std::thread FThread;
};

/// What a scripted SMTP server saw of one connection.
struct SmtpSession {
    std::vector<std::string> Commands;  // without CR LF
    std::string Data;                   // the message as sent (dot-stuffed), without "."
};

/// A well-behaved SMTP server that records each session. EHLO is answered
/// in two lines offering AUTH LOGIN. No QUIT is needed: the client's
/// hanging up ends a session.
class ScriptedSmtpServer {
public:
    explicit ScriptedSmtpServer(int MaxConnections = 1)
        : FServer([this](LoopbackConnection& C, int) { Serve(C); }, MaxConnections)
    {
    }
    uint16_t Port() const { return FServer.Port(); }
    /// The sessions so far, after waiting (up to 5 s) until Count ended.
    std::vector<SmtpSession> Sessions(size_t Count = 1)
    {
        for (int I = 0; I < 500; ++I) {
            {
                const std::lock_guard<std::mutex> Lock(FLock);
                if (FSessions.size() >= Count)
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const std::lock_guard<std::mutex> Lock(FLock);
        return FSessions;
    }

private:
    void Serve(LoopbackConnection& C)
    {
        SmtpSession S;
        C.Send("220 test ESMTP\r\n");
        int AuthStep = 0;
        for (;;) {
            std::string Line = C.ReadLine();
            if (Line.empty())
                break;
            Line.resize(Line.size() - 2);
            S.Commands.push_back(Line);
            if (AuthStep == 1 || AuthStep == 2) {
                C.Send(AuthStep == 1 ? "334 UGFzc3dvcmQ6\r\n" : "235 ok\r\n");
                ++AuthStep;
            } else if (Line.rfind("EHLO", 0) == 0) {
                C.Send("250-test\r\n250 AUTH LOGIN\r\n");
            } else if (Line == "AUTH LOGIN") {
                C.Send("334 VXNlcm5hbWU6\r\n");
                AuthStep = 1;
            } else if (Line == "DATA") {
                C.Send("354 go on\r\n");
                std::string D = C.ReadUntil("\r\n.\r\n");
                if (D.size() >= 3)
                    D.resize(D.size() - 3);
                S.Data = D;
                C.Send("250 queued\r\n");
            } else {
                C.Send("250 ok\r\n");
            }
        }
        const std::lock_guard<std::mutex> Lock(FLock);
        FSessions.push_back(S);
    }

    std::mutex FLock;
    std::vector<SmtpSession> FSessions;
    LoopbackTcpServer FServer;
};

/// Answers datagrams on 127.0.0.1: Reply gets each query and gives the
/// datagrams to send back (none: silence). Serves at most MaxQueries.
class LoopbackUdpResponder {
public:
    using Reply = std::function<std::vector<std::string>(const std::string& Query)>;

    explicit LoopbackUdpResponder(Reply R, int MaxQueries = 16) : FReply(std::move(R))
    {
        FFd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in A {};
        A.sin_family = AF_INET;
        A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(FFd, reinterpret_cast<sockaddr*>(&A), sizeof A);
        socklen_t L = sizeof A;
        ::getsockname(FFd, reinterpret_cast<sockaddr*>(&A), &L);
        FPort = ntohs(A.sin_port);
        FThread = std::thread([this, MaxQueries] {
            for (int I = 0; I < MaxQueries && !FStop;) {
                pollfd P {FFd, POLLIN, 0};
                if (::poll(&P, 1, 50) <= 0)
                    continue;
                char Buf[2048];
                sockaddr_in From {};
                socklen_t FL = sizeof From;
                const ssize_t N =
                    ::recvfrom(FFd, Buf, sizeof Buf, 0, reinterpret_cast<sockaddr*>(&From), &FL);
                if (N <= 0)
                    continue;
                ++I;
                const std::string Q(Buf, size_t(N));
                {
                    const std::lock_guard<std::mutex> Lock(FLock);
                    FQueries.push_back(Q);
                }
                for (const std::string& R : FReply(Q))
                    ::sendto(FFd, R.data(), R.size(), 0, reinterpret_cast<sockaddr*>(&From), FL);
            }
        });
    }
    ~LoopbackUdpResponder()
    {
        FStop = true;
        FThread.join();
        ::close(FFd);
    }
    uint16_t Port() const { return FPort; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(FPort); }
    std::vector<std::string> Queries()
    {
        const std::lock_guard<std::mutex> Lock(FLock);
        return FQueries;
    }

private:
    Reply FReply;
    int FFd = -1;
    uint16_t FPort = 0;
    std::atomic<bool> FStop {false};
    std::mutex FLock;
    std::vector<std::string> FQueries;
    std::thread FThread;
};

/// A Python server script run with /usr/bin/python3 (arguments after the
/// script's path); its first output line is the port it listens on. Ended
/// with its object. Port() is 0 when it did not start.
class PythonServer {
public:
    PythonServer(const std::string& ScriptFile, const std::vector<std::string>& Args)
    {
        int Pipe[2];
        if (::pipe(Pipe) != 0)
            return;
        FPid = ::fork();
        if (FPid == 0) {
            ::dup2(Pipe[1], 1);
            ::close(Pipe[0]);
            std::vector<char*> Argv = {const_cast<char*>("python3"),
                                       const_cast<char*>(ScriptFile.c_str())};
            for (const std::string& A : Args)
                Argv.push_back(const_cast<char*>(A.c_str()));
            Argv.push_back(nullptr);
            ::execv("/usr/bin/python3", Argv.data());
            ::_exit(127);
        }
        ::close(Pipe[1]);
        std::string Line;
        char C = 0;
        pollfd P {Pipe[0], POLLIN, 0};
        while (::poll(&P, 1, 10000) > 0 && ::read(Pipe[0], &C, 1) == 1 && C != '\n')
            Line += C;
        ::close(Pipe[0]);
        FPort = uint16_t(std::atoi(Line.c_str()));
    }
    ~PythonServer()
    {
        if (FPid > 0) {
            ::kill(FPid, SIGTERM);
            ::waitpid(FPid, nullptr, 0);
        }
    }
    PythonServer(const PythonServer&) = delete;
    PythonServer& operator=(const PythonServer&) = delete;
    uint16_t Port() const { return FPort; }

private:
    pid_t FPid = -1;
    uint16_t FPort = 0;
};

/// A certificate for 127.0.0.1 that is its own CA, made with openssl in
/// Dir (cert.pem, key.pem). False when openssl is missing or fails.
inline bool MakeTestCertificate(const std::string& Dir)
{
    const std::string Cmd =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
        "-addext subjectAltName=IP:127.0.0.1 -keyout '" + Dir + "/key.pem' -out '" + Dir +
        "/cert.pem' >/dev/null 2>&1";
    return std::system(Cmd.c_str()) == 0;
}
