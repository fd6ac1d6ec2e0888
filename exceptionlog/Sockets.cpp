#include "exceptionlog/Sockets.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/Ticks.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

PRICETAGS_DEFINE_CLASS(TRazuroClientSocket)

namespace {

const char SInvalidSocket[] = "Invalid socket: \"%s\".";
const char SCannotResolveHost[] = "Cannot resolve the host \"%s\".";
const char SConnectionError[] = "Connection error: \"%s\"";
const char SCannotClose[] = "Cannot close the socket: \"%s\"";
const char SSendError[] = "Error into \"send\": \"%s\"";
const char SRecvError[] = "Error into \"recv\": \"%s\"";
const char SSocketTimeout[] = "Socket timeout.";
const char STLSError[] = "TLS error: \"%s\"";
const char SConnectionTimedOut[] = "Connection timed out";

constexpr int ChunkSize = 1024;

std::mutex gCAFileLock;
AnsiString gCAFile;

// OpenSSL, loaded when a mail dialogue first asks for TLS: most runs of the
// program send no mail, and linking it would load and relocate two large
// libraries at every start. Kept loaded once loaded.
constexpr const char* SslLibrary = "libssl.so.3";
const char STLSMissing[] = "the TLS library cannot be loaded";

struct SslLib {
    void* Library = nullptr;
    decltype(&::ERR_get_error) ERR_get_error = nullptr;
    decltype(&::ERR_clear_error) ERR_clear_error = nullptr;
    decltype(&::ERR_error_string_n) ERR_error_string_n = nullptr;
    decltype(&::SSL_shutdown) SSL_shutdown = nullptr;
    decltype(&::SSL_free) SSL_free = nullptr;
    decltype(&::SSL_CTX_free) SSL_CTX_free = nullptr;
    decltype(&::SSL_write) SSL_write = nullptr;
    decltype(&::SSL_pending) SSL_pending = nullptr;
    decltype(&::SSL_read) SSL_read = nullptr;
    decltype(&::SSL_get_error) SSL_get_error = nullptr;
    decltype(&::SSL_CTX_new) SSL_CTX_new = nullptr;
    decltype(&::TLS_client_method) TLS_client_method = nullptr;
    decltype(&::SSL_CTX_ctrl) SSL_CTX_ctrl = nullptr;
    decltype(&::SSL_CTX_set_default_verify_paths) SSL_CTX_set_default_verify_paths = nullptr;
    decltype(&::SSL_CTX_load_verify_locations) SSL_CTX_load_verify_locations = nullptr;
    decltype(&::SSL_CTX_set_verify) SSL_CTX_set_verify = nullptr;
    decltype(&::SSL_new) SSL_new = nullptr;
    decltype(&::SSL_set_fd) SSL_set_fd = nullptr;
    decltype(&::SSL_ctrl) SSL_ctrl = nullptr;
    decltype(&::SSL_get0_param) SSL_get0_param = nullptr;
    decltype(&::X509_VERIFY_PARAM_set1_ip_asc) X509_VERIFY_PARAM_set1_ip_asc = nullptr;
    decltype(&::X509_VERIFY_PARAM_set1_host) X509_VERIFY_PARAM_set1_host = nullptr;
    decltype(&::SSL_connect) SSL_connect = nullptr;
    decltype(&::SSL_get_verify_result) SSL_get_verify_result = nullptr;
    decltype(&::X509_verify_cert_error_string) X509_verify_cert_error_string = nullptr;

    SslLib()
    {
        Library = dlopen(SslLibrary, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!Library)
            return;
        Find(ERR_get_error, "ERR_get_error");
        Find(ERR_clear_error, "ERR_clear_error");
        Find(ERR_error_string_n, "ERR_error_string_n");
        Find(SSL_shutdown, "SSL_shutdown");
        Find(SSL_free, "SSL_free");
        Find(SSL_CTX_free, "SSL_CTX_free");
        Find(SSL_write, "SSL_write");
        Find(SSL_pending, "SSL_pending");
        Find(SSL_read, "SSL_read");
        Find(SSL_get_error, "SSL_get_error");
        Find(SSL_CTX_new, "SSL_CTX_new");
        Find(TLS_client_method, "TLS_client_method");
        Find(SSL_CTX_ctrl, "SSL_CTX_ctrl");
        Find(SSL_CTX_set_default_verify_paths, "SSL_CTX_set_default_verify_paths");
        Find(SSL_CTX_load_verify_locations, "SSL_CTX_load_verify_locations");
        Find(SSL_CTX_set_verify, "SSL_CTX_set_verify");
        Find(SSL_new, "SSL_new");
        Find(SSL_set_fd, "SSL_set_fd");
        Find(SSL_ctrl, "SSL_ctrl");
        Find(SSL_get0_param, "SSL_get0_param");
        Find(X509_VERIFY_PARAM_set1_ip_asc, "X509_VERIFY_PARAM_set1_ip_asc");
        Find(X509_VERIFY_PARAM_set1_host, "X509_VERIFY_PARAM_set1_host");
        Find(SSL_connect, "SSL_connect");
        Find(SSL_get_verify_result, "SSL_get_verify_result");
        Find(X509_verify_cert_error_string, "X509_verify_cert_error_string");
    }
    SslLib(const SslLib&) = delete;
    SslLib& operator=(const SslLib&) = delete;

    [[nodiscard]] bool Ready() const
    {
        return Library && ERR_get_error && ERR_clear_error && ERR_error_string_n && SSL_shutdown
               && SSL_free && SSL_CTX_free && SSL_write && SSL_pending && SSL_read && SSL_get_error
               && SSL_CTX_new && TLS_client_method && SSL_CTX_ctrl
               && SSL_CTX_set_default_verify_paths && SSL_CTX_load_verify_locations
               && SSL_CTX_set_verify && SSL_new && SSL_set_fd && SSL_ctrl && SSL_get0_param
               && X509_VERIFY_PARAM_set1_ip_asc && X509_VERIFY_PARAM_set1_host && SSL_connect
               && SSL_get_verify_result && X509_verify_cert_error_string;
    }

    template <class F>
    void Find(F& Fn, const char* Symbol)
    {
        Fn = reinterpret_cast<F>(dlsym(Library, Symbol));
    }
};

/// The loaded library; its entry points are only used once Ready.
const SslLib& Ssl()
{
    static const SslLib Lib;
    return Lib;
}

AnsiString Fill(const char* Fmt, const AnsiString& Arg)
{
    const AnsiString F(Fmt);
    const int P = F.Pos("%s");
    return F.SubString(1, P - 1) + Arg + F.SubString(P + 2, F.Length());
}

AnsiString ErrnoText(int Code)
{
    return AnsiString::FromUtf8(std::strerror(Code));
}

AnsiString TLSErrorText()
{
    const unsigned long E = Ssl().ERR_get_error();
    Ssl().ERR_clear_error();
    if (!E)
        return "handshake failed";
    char Buf[256];
    Ssl().ERR_error_string_n(E, Buf, sizeof Buf);
    return Buf;
}

// OpenSSL writes to the socket without MSG_NOSIGNAL: SIGPIPE is held back
// for the calling thread while it works, and one raised meanwhile is taken
// off the thread before the mask is put back, so it never reaches the
// program.
class SigPipeGuard {
public:
    SigPipeGuard()
    {
        sigemptyset(&FPipe);
        sigaddset(&FPipe, SIGPIPE);
        sigset_t Pending;
        sigpending(&Pending);
        FWasPending = sigismember(&Pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &FPipe, &FOld);
    }
    ~SigPipeGuard()
    {
        if (!FWasPending) {
            sigset_t Pending;
            sigpending(&Pending);
            if (sigismember(&Pending, SIGPIPE) == 1) {
                const timespec Zero {0, 0};
                while (sigtimedwait(&FPipe, nullptr, &Zero) == -1 && errno == EINTR) {
                }
            }
        }
        pthread_sigmask(SIG_SETMASK, &FOld, nullptr);
    }
    SigPipeGuard(const SigPipeGuard&) = delete;
    SigPipeGuard& operator=(const SigPipeGuard&) = delete;

private:
    sigset_t FPipe;
    sigset_t FOld;
    bool FWasPending = false;
};

}  // namespace

struct SocketTLS {
    SSL_CTX* Context = nullptr;
    SSL* Session = nullptr;

    ~SocketTLS()
    {
        if (Session) {
            SigPipeGuard Guard;
            Ssl().SSL_shutdown(Session);
            Ssl().SSL_free(Session);
        }
        if (Context)
            Ssl().SSL_CTX_free(Context);
    }
};

void SetTrustedCAFile(const AnsiString& FileName)
{
    const std::lock_guard<std::mutex> Lock(gCAFileLock);
    gCAFile = FileName;
}

AnsiString TrustedCAFile()
{
    const std::lock_guard<std::mutex> Lock(gCAFileLock);
    return gCAFile;
}

TRazuroClientSocket::TRazuroClientSocket(const AnsiString& AHost, DWORD ATimeOut, bool Stream,
                                         Word APort)
    : Host(AHost), Port(APort), SocketType(Stream ? SOCK_TYPE_STREAM : SOCK_TYPE_DGRAM),
      TimeOut(ATimeOut)
{
}

TRazuroClientSocket::~TRazuroClientSocket()
{
    Drop();
}

void TRazuroClientSocket::Drop()
{
    TLS.reset();
    if (Handle != -1)
        ::close(Handle);
    Handle = -1;
    Address = 0;
    Connected = false;
    PeerClosed = false;
    Log = AnsiString();
}

void TRazuroClientSocket::RaiseError(const AnsiString& Message)
{
    AnsiString Text = Message;
    if (!Log.IsEmpty() && Text.Pos(Log) == 0)
        Text += AnsiString("\r\nSocket log:\r\n") + Log;
    OnError(this, -1, Text);
    Drop();
    if (Silent)
        Abort();
    throw ERazuroSocketError(Text);
}

void TRazuroClientSocket::Connect()
{
    if (Connected)
        return;
    const int Type = SocketType == SOCK_TYPE_STREAM ? SOCK_STREAM : SOCK_DGRAM;
    Handle = ::socket(AF_INET, Type | SOCK_CLOEXEC, 0);
    if (Handle == -1)
        RaiseError(Fill(SInvalidSocket, ErrnoText(errno)));

    // A host that cannot be resolved is an error: the address 0.0.0.0 would
    // reach this machine.
    addrinfo Hints {};
    Hints.ai_family = AF_INET;
    Hints.ai_socktype = Type;
    addrinfo* Found = nullptr;
    if (Host.IsEmpty() || ::getaddrinfo(Host.c_str(), nullptr, &Hints, &Found) != 0 || !Found)
        RaiseError(Fill(SCannotResolveHost, Host));
    sockaddr_in To {};
    std::memcpy(&To, Found->ai_addr, sizeof To);
    ::freeaddrinfo(Found);
    To.sin_family = AF_INET;
    To.sin_port = htons(Port);
    if (To.sin_addr.s_addr == htonl(INADDR_ANY))
        RaiseError(Fill(SCannotResolveHost, Host));

    // Connect without blocking so that an unreachable server costs TimeOut,
    // not the system's two minutes; then back to blocking.
    const int Flags = ::fcntl(Handle, F_GETFL, 0);
    ::fcntl(Handle, F_SETFL, Flags | O_NONBLOCK);
    if (::connect(Handle, reinterpret_cast<const sockaddr*>(&To), sizeof To) != 0) {
        if (errno != EINPROGRESS)
            RaiseError(Fill(SConnectionError, ErrnoText(errno)));
        pollfd P {Handle, POLLOUT, 0};
        const int R = ::poll(&P, 1, int(TimeOut));
        if (R == 0)
            RaiseError(Fill(SConnectionError, SConnectionTimedOut));
        int Err = 0;
        socklen_t Len = sizeof Err;
        ::getsockopt(Handle, SOL_SOCKET, SO_ERROR, &Err, &Len);
        if (R < 0 || Err != 0)
            RaiseError(Fill(SConnectionError, ErrnoText(R < 0 ? errno : Err)));
    }
    ::fcntl(Handle, F_SETFL, Flags & ~O_NONBLOCK);
    timeval TV {time_t(TimeOut / 1000), suseconds_t((TimeOut % 1000) * 1000)};
    ::setsockopt(Handle, SOL_SOCKET, SO_SNDTIMEO, &TV, sizeof TV);

    Connected = true;
    Address = ntohl(To.sin_addr.s_addr);
    Log = "Connected to " + IntToStr(Address >> 24) + "." + IntToStr((Address >> 16) & 255) +
          "." + IntToStr((Address >> 8) & 255) + "." + IntToStr(Address & 255) + " port " +
          IntToStr(Port) + "\r\n";
}

void TRazuroClientSocket::Close()
{
    TLS.reset();
    if (Handle != -1 && ::close(Handle) != 0) {
        const int Err = errno;
        Handle = -1;
        RaiseError(Fill(SCannotClose, ErrnoText(Err)));
    }
    Handle = -1;
    Address = 0;
    Connected = false;
    Log = AnsiString();
}

int TRazuroClientSocket::SendBuffer(const void* Buffer, int Length)
{
    if (!Connected)
        return 0;
    const char* P = static_cast<const char*>(Buffer);
    int Sent = 0;
    while (Sent < Length) {
        ssize_t N = 0;
        int Err = 0;
        if (TLS) {
            SigPipeGuard Guard;
            N = Ssl().SSL_write(TLS->Session, P + Sent, Length - Sent);
            if (N <= 0)
                Err = EPIPE;
        } else {
            N = ::send(Handle, P + Sent, size_t(Length - Sent), MSG_NOSIGNAL);
            if (N < 0)
                Err = errno;
        }
        if (Err == EINTR)
            continue;
        if (N <= 0)
            RaiseError(Fill(SSendError, ErrnoText(Err == EAGAIN ? ETIMEDOUT : Err)));
        Sent += int(N);
    }
    return Sent;
}

int TRazuroClientSocket::SendString(const AnsiString& Text)
{
    int Total = 0;
    for (int Pos = 1; Pos <= Text.Length(); Pos += ChunkSize) {
        const int Len = std::min(ChunkSize, Text.Length() - Pos + 1);
        Total += SendBuffer(Text.Data() + Pos - 1, Len);
        OnProgress(this, Pos + Len, Text.Length());
    }
    return Total;
}

int TRazuroClientSocket::Available()
{
    if (!Connected)
        return 0;
    if (TLS && Ssl().SSL_pending(TLS->Session) > 0)
        return Ssl().SSL_pending(TLS->Session);
    int N = 0;
    if (::ioctl(Handle, FIONREAD, &N) != 0)
        return 0;
    return N;
}

int TRazuroClientSocket::ReceiveBuffer(void* Buffer, int Length)
{
    if (!Connected || Length <= 0)
        return 0;
    for (;;) {
        if (TLS) {
            SigPipeGuard Guard;
            const int N = Ssl().SSL_read(TLS->Session, Buffer, Length);
            if (N > 0)
                return N;
            const int Why = Ssl().SSL_get_error(TLS->Session, N);
            if (Why == SSL_ERROR_ZERO_RETURN)
                return 0;
            if (Why == SSL_ERROR_WANT_READ || Why == SSL_ERROR_WANT_WRITE)
                continue;
            RaiseError(Fill(SRecvError, TLSErrorText()));
        }
        const ssize_t N = ::recv(Handle, Buffer, size_t(Length), 0);
        if (N >= 0)
            return int(N);
        if (errno == EINTR)
            continue;
        RaiseError(Fill(SRecvError, ErrnoText(errno)));
    }
}

bool TRazuroClientSocket::WaitReadable(DWORD Milliseconds)
{
    if (!Connected)
        return false;
    if (TLS && Ssl().SSL_pending(TLS->Session) > 0)
        return true;
    const DWORD Start = GetTickCount();
    for (;;) {
        const DWORD Spent = GetTickCount() - Start;
        const int Left = Spent >= Milliseconds ? 0 : int(Milliseconds - Spent);
        pollfd P {Handle, POLLIN, 0};
        const int R = ::poll(&P, 1, Left);
        if (R > 0)
            return true;
        if (R == 0 || errno != EINTR)
            return false;
    }
}

AnsiString TRazuroClientSocket::ReadAvailable()
{
    AnsiString Result;
    if (!WaitReadable(0))
        return Result;
    char Buf[4096];
    do {
        const int N = ReceiveBuffer(Buf, sizeof Buf);
        if (N <= 0) {
            // Readable with nothing in it: the peer closed the connection.
            PeerClosed = SocketType == SOCK_TYPE_STREAM;
            break;
        }
        Result += AnsiString(Buf, N);
        if (SocketType == SOCK_TYPE_DGRAM)
            break;  // one datagram is one answer
    } while (Available() > 0);
    Log += Result;
    return Result;
}

bool TRazuroClientSocket::Receive(AnsiString& Text)
{
    Text = AnsiString();
    if (WaitReadable(TimeOut))
        Text = ReadAvailable();
    return !Text.IsEmpty();
}

void TRazuroClientSocket::ReceiveOrFail(AnsiString& Text)
{
    if (!Receive(Text))
        RaiseError(SSocketTimeout);
}

void TRazuroClientSocket::StartTLS(bool VerifyPeer)
{
    if (!Connected || TLS)
        return;
    if (!Ssl().Ready())
        RaiseError(Fill(STLSError, STLSMissing));
    auto T = std::make_unique<SocketTLS>();
    T->Context = Ssl().SSL_CTX_new(Ssl().TLS_client_method());
    if (!T->Context)
        RaiseError(Fill(STLSError, TLSErrorText()));
    Ssl().SSL_CTX_ctrl(T->Context, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr);
    const AnsiString CAFile = TrustedCAFile();
    if (CAFile.IsEmpty())
        Ssl().SSL_CTX_set_default_verify_paths(T->Context);
    else if (Ssl().SSL_CTX_load_verify_locations(T->Context, CAFile.ToUtf8().c_str(), nullptr) != 1)
        RaiseError(Fill(STLSError, TLSErrorText()));
    Ssl().SSL_CTX_set_verify(T->Context, VerifyPeer ? SSL_VERIFY_PEER : SSL_VERIFY_NONE, nullptr);
    T->Session = Ssl().SSL_new(T->Context);
    if (!T->Session || Ssl().SSL_set_fd(T->Session, Handle) != 1)
        RaiseError(Fill(STLSError, TLSErrorText()));
    const std::string Name = Host.ToUtf8();
    Ssl().SSL_ctrl(T->Session, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                   const_cast<char*>(Name.c_str()));
    if (VerifyPeer) {
        X509_VERIFY_PARAM* Param = Ssl().SSL_get0_param(T->Session);
        in_addr Dummy {};
        if (inet_pton(AF_INET, Name.c_str(), &Dummy) == 1)
            Ssl().X509_VERIFY_PARAM_set1_ip_asc(Param, Name.c_str());
        else
            Ssl().X509_VERIFY_PARAM_set1_host(Param, Name.c_str(), 0);
    }
    int R = 0;
    {
        SigPipeGuard Guard;
        R = Ssl().SSL_connect(T->Session);
    }
    if (R != 1) {
        const long Verify = Ssl().SSL_get_verify_result(T->Session);
        const AnsiString Why = Verify != X509_V_OK
                                   ? AnsiString(Ssl().X509_verify_cert_error_string(Verify))
                                   : TLSErrorText();
        Ssl().SSL_free(T->Session);
        T->Session = nullptr;
        RaiseError(Fill(STLSError, Why));
    }
    TLS = std::move(T);
    Log += "[TLS]\r\n";
}
