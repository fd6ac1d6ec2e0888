#pragma once

// A small blocking client socket (TCP or UDP) for sending reports: time-outs
// on every wait, a text log of the dialogue, and TLS on request (OpenSSL)
// for a server that offers it. Every failure raises ERazuroSocketError with
// the socket log appended, after closing the socket. Writes never raise
// SIGPIPE: a peer that went away is an ordinary send error.
//
// One object per connection; objects are not shared between threads.

#include "platform/classes/Events.h"
#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

#include <cstdint>
#include <memory>

/// Every socket and protocol failure of the senders.
PRICETAGS_EXCEPTION(ERazuroSocketError, Exception);

/// Code is -1 for the socket's own errors.
using TSocketErrorEvent = MethodPointer<void(TObject* Sender, int Code, const AnsiString& Message)>;
/// Position is the 1-based position of the next byte to send, Total the
/// length of the text being sent.
using TSocketProgressEvent = MethodPointer<void(TObject* Sender, int Position, int Total)>;

inline constexpr int SOCK_TYPE_STREAM = 1;
inline constexpr int SOCK_TYPE_DGRAM = 2;

/// The file of CA certificates that TLS connections and HTTPS uploads trust
/// ('' = the system's store). For a program that ships its own CA and for
/// tests.
void SetTrustedCAFile(const AnsiString& FileName);
[[nodiscard]] AnsiString TrustedCAFile();

struct SocketTLS;

class TRazuroClientSocket : public TObject {
    PRICETAGS_CLASS(TRazuroClientSocket, TObject)
public:
    /// Stream true: TCP, false: UDP. Not connected yet.
    TRazuroClientSocket(const AnsiString& AHost, DWORD ATimeOut, bool Stream, Word APort);
    /// Closes the socket when connected; never raises.
    ~TRazuroClientSocket() override;

    /// Resolves Host (IPv4) and connects within TimeOut. Nothing when
    /// connected already. Raises "Invalid socket: \"%s\".", "Cannot resolve
    /// the host \"%s\"." or "Connection error: \"%s\"".
    virtual void Connect();
    /// Closes the socket and clears the log; raises "Cannot close the
    /// socket: \"%s\"" when the system refuses.
    virtual void Close();

    /// Sends all Length bytes (0 when not connected). A send error closes
    /// the socket and raises "Error into \"send\": \"%s\"".
    int SendBuffer(const void* Buffer, int Length);
    /// Sends Text in chunks of at most 1024 bytes, calling OnProgress after
    /// each; the number of bytes sent.
    int SendString(const AnsiString& Text);
    /// Bytes that can be read now without waiting.
    [[nodiscard]] int Available();
    /// One read of at most Length bytes; 0 at the end of the stream. A
    /// receive error closes the socket and raises "Error into \"recv\":
    /// \"%s\"".
    int ReceiveBuffer(void* Buffer, int Length);
    /// Everything that can be read now (added to Log); '' when nothing waits.
    AnsiString ReadAvailable();
    /// Waits up to TimeOut ms for data and reads what has arrived; false
    /// (and Text '') when nothing came. A UDP socket reads one datagram.
    bool Receive(AnsiString& Text);
    /// Receive; raises "Socket timeout." when nothing came.
    void ReceiveOrFail(AnsiString& Text);
    /// Waits up to Milliseconds for data to read; false on time-out.
    bool WaitReadable(DWORD Milliseconds);

    /// Switches the connection to TLS (client side, server name Host).
    /// With VerifyPeer the server's certificate must chain to a trusted CA
    /// and name Host. Raises "TLS error: \"%s\"" (the socket closed).
    void StartTLS(bool VerifyPeer);
    [[nodiscard]] bool Secure() const { return TLS != nullptr; }

    /// The message, with the socket log appended unless it is in it
    /// already; calls OnError, closes the socket and raises
    /// ERazuroSocketError (EAbort when Silent).
    [[noreturn]] void RaiseError(const AnsiString& Message);

    AnsiString Host;
    Word Port = 0;
    int SocketType = SOCK_TYPE_STREAM;
    DWORD TimeOut = 0;
    bool Connected = false;
    int Handle = -1;
    /// The connection line and every byte sent and received since.
    AnsiString Log;
    TSocketErrorEvent OnError;
    TSocketProgressEvent OnProgress;
    bool Silent = false;
    /// The server closed the connection (seen by a read).
    bool PeerClosed = false;
    /// The IPv4 address connected to (host order); 0 when closed.
    uint32_t Address = 0;

private:
    /// Closes without raising (the error paths).
    void Drop();

    std::unique_ptr<SocketTLS> TLS;
};
