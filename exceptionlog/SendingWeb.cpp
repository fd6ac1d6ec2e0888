// The web upload of Sending: the upload address, the form body, and HTTP,
// HTTPS and FTP through libcurl loaded at run time.

#include "exceptionlog/Sending.h"

#include "exceptionlog/Codecs.h"
#include "exceptionlog/Sockets.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <curl/curl.h>

#include <dlfcn.h>
#include <sys/random.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <random>

namespace {

const char DefaultCurlLibrary[] = "libcurl.so.4";
const char UserAgent[] = "RazuroLog";
constexpr size_t UploadChunk = 1024;
constexpr long ConnectTimeOutSecs = 30;
/// An upload slower than this many bytes a second for LowSpeedSecs fails.
constexpr long LowSpeedLimit = 1;
constexpr long LowSpeedSecs = 60;

// Error codes of the uploads and their texts, in code order.
struct ErrorEntry {
    int Code;
    const char* Text;
};
constexpr ErrorEntry ErrorTable[] = {
    {12002, "The request has timed out."},
    {12003, "An extended error was returned from the server."},
    {12004, "An internal error has occurred."},
    {12005, "The URL is invalid."},
    {12006, "The URL scheme could not be recognized, or is not supported."},
    {12007, "The server name could not be resolved."},
    {12013, "User name incorrect."},
    {12014, "Password incorrect."},
    {12015, "Log on request failed."},
    {12016, "The requested operation is invalid."},
    {12020, "The request cannot be made via a proxy."},
    {12028, "The requested item could not be located."},
    {12029, "The attempt to connect to the server failed."},
    {12030, "The connection with the server has been terminated."},
    {12031, "The connection with the server has been reset."},
    {12033, "The request to the proxy was invalid."},
    {12037, "SSL certificate date is bad."},
    {12038, "SSL certificate host name field is incorrect."},
    {12039, "The application is moving from a non-SSL to an SSL connection because of a redirect."},
    {12040, "The application is moving from an SSL to an non-SSL connection because of a redirect."},
    {12041, "The content is not entirely secure."},
    {12042, "The application is posting and attempting to change multiple lines of text on a "
            "server that is not secure."},
    {12043, "The application is posting data to a server that is not secure."},
    {12044, "The server is requesting client authentication."},
    {12045, "The function is unfamiliar with the Certificate Authority that generated the "
            "server's certificate."},
    {12052, "The data being submitted to an SSL connection is being redirected to a non-SSL "
            "connection."},
    {12055, "The SSL certificate contains errors."},
    {12111, "FTP session aborted."},
    {12112, "Passive mode is not available on the server."},
    {12133, "The end of the data has been reached."},
    {12150, "The requested header could not be located."},
    {12151, "The server did not return any headers."},
    {12152, "The server response could not be parsed."},
    {12153, "The supplied header is invalid."},
    {12160, "The HTTP request was not redirected."},
    {12161, "The HTTP cookie requires confirmation."},
    {12162, "The HTTP cookie was declined by the server."},
    {12163, "The Internet connection has been lost."},
    {12164, "The Web site or server indicated is unreachable."},
    {12165, "The designated proxy server cannot be reached."},
    {12166, "There was an error in the automatic proxy configuration script."},
    {12167, "The automatic proxy configuration script could not be downloaded."},
    {12168, "The redirection requires user confirmation."},
    {12169, "SSL certificate is invalid."},
    {12170, "SSL certificate was revoked."},
    {12171, "The function failed due to a security check."},
};

/// The error code of a failed transfer.
int ErrorCodeOf(CURLcode C)
{
    switch (C) {
    case CURLE_OPERATION_TIMEDOUT: return 12002;
    case CURLE_URL_MALFORMAT: return 12005;
    case CURLE_UNSUPPORTED_PROTOCOL: return 12006;
    case CURLE_COULDNT_RESOLVE_HOST: return 12007;
    case CURLE_LOGIN_DENIED: return 12015;
    case CURLE_REMOTE_ACCESS_DENIED: return 12015;
    case CURLE_COULDNT_CONNECT: return 12029;
    case CURLE_SEND_ERROR: return 12030;
    case CURLE_GOT_NOTHING: return 12030;
    case CURLE_RECV_ERROR: return 12031;
    case CURLE_COULDNT_RESOLVE_PROXY: return 12165;
    case CURLE_PEER_FAILED_VERIFICATION: return 12045;
    case CURLE_SSL_CONNECT_ERROR: return 12055;
    case CURLE_FTP_WEIRD_PASV_REPLY: return 12112;
    case CURLE_FTP_CANT_GET_HOST: return 12112;
    case CURLE_UPLOAD_FAILED: return 12003;
    case CURLE_QUOTE_ERROR: return 12003;
    case CURLE_WEIRD_SERVER_REPLY: return 12152;
    case CURLE_ABORTED_BY_CALLBACK: return 12111;
    default: return 12004;
    }
}

// ---- the library -------------------------------------------------------------------

std::mutex gCurlLock;
AnsiString gCurlName = DefaultCurlLibrary;
bool gCurlInitialised = false;

/// libcurl's entry points, loaded for one upload.
struct Curl {
    void* Library = nullptr;
    CURLcode (*GlobalInit)(long) = nullptr;
    CURL* (*EasyInit)() = nullptr;
    CURLcode (*SetOpt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*Perform)(CURL*) = nullptr;
    CURLcode (*GetInfo)(CURL*, CURLINFO, ...) = nullptr;
    void (*Cleanup)(CURL*) = nullptr;
    curl_slist* (*SlistAppend)(curl_slist*, const char*) = nullptr;
    void (*SlistFree)(curl_slist*) = nullptr;

    Curl()
    {
        AnsiString Name;
        {
            const std::lock_guard<std::mutex> Lock(gCurlLock);
            Name = gCurlName;
        }
        // Kept in memory once loaded: its TLS library cannot be unloaded
        // safely, and a second upload finds it ready.
        Library = dlopen(Name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!Library)
            return;
        Find(GlobalInit, "curl_global_init");
        Find(EasyInit, "curl_easy_init");
        Find(SetOpt, "curl_easy_setopt");
        Find(Perform, "curl_easy_perform");
        Find(GetInfo, "curl_easy_getinfo");
        Find(Cleanup, "curl_easy_cleanup");
        Find(SlistAppend, "curl_slist_append");
        Find(SlistFree, "curl_slist_free_all");
        if (!Ready())
            return;
        const std::lock_guard<std::mutex> Lock(gCurlLock);
        if (!gCurlInitialised)
            gCurlInitialised = GlobalInit(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    }
    ~Curl()
    {
        if (Library)
            dlclose(Library);
    }
    Curl(const Curl&) = delete;
    Curl& operator=(const Curl&) = delete;

    [[nodiscard]] bool Ready() const
    {
        return Library && GlobalInit && EasyInit && SetOpt && Perform && GetInfo && Cleanup &&
               SlistAppend && SlistFree;
    }

    template <class F>
    void Find(F& Fn, const char* Symbol)
    {
        Fn = reinterpret_cast<F>(dlsym(Library, Symbol));
    }
};

/// One transfer: the easy handle and its header list, freed together.
struct Transfer {
    const Curl& Lib;
    CURL* Handle = nullptr;
    curl_slist* Headers = nullptr;

    explicit Transfer(const Curl& L) : Lib(L), Handle(L.EasyInit()) {}
    ~Transfer()
    {
        if (Headers)
            Lib.SlistFree(Headers);
        if (Handle)
            Lib.Cleanup(Handle);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
};

/// The bytes to send and where the reading stands; the answer's lines.
struct UploadState {
    const std::string* Body = nullptr;
    TStream* File = nullptr;
    size_t Position = 0;
    int64_t Sent = 0;
    int64_t Total = 0;
    UploadProgress Progress = nullptr;
    bool Connected = false;
    /// The last "HTTP/x y text" status line, or the last FTP answer.
    std::string LastAnswer;
    /// The start of the answer's body (never written to the program's
    /// standard output, which a CGI program sends as its page).
    std::string AnswerBody;
};

// The body is kept up to this many bytes; the rest is read and dropped.
constexpr size_t AnswerBodyLimit = 16384;

size_t AnswerChunk(char* Buffer, size_t Size, size_t Count, void* Data)
{
    auto* S = static_cast<UploadState*>(Data);
    const size_t N = Size * Count;
    S->AnswerBody.append(Buffer, std::min(N, AnswerBodyLimit - S->AnswerBody.size()));
    return N;
}

// The first line of the answer's body, trimmed and at most 200 characters:
// what a server says about a refused upload.
AnsiString AnswerLine(const UploadState& S)
{
    std::string Line = S.AnswerBody.substr(0, S.AnswerBody.find_first_of("\r\n"));
    Line = Line.substr(0, 200);
    return Trim(AnsiString::FromUtf8(Line));
}

size_t ReadChunk(char* Buffer, size_t Size, size_t Count, void* Data)
{
    auto* S = static_cast<UploadState*>(Data);
    if (!S->Connected) {
        S->Connected = true;
        if (S->Progress)
            S->Progress(1, 0, S->Total);
    }
    size_t N = std::min(UploadChunk, Size * Count);
    if (S->Body) {
        N = std::min(N, S->Body->size() - S->Position);
        std::memcpy(Buffer, S->Body->data() + S->Position, N);
        S->Position += N;
    } else {
        N = size_t(S->File->Read(Buffer, int(N)));
    }
    S->Sent += int64_t(N);
    if (N > 0 && S->Progress)
        S->Progress(2, S->Sent, S->Total);
    return N;
}

size_t HeaderLine(char* Buffer, size_t Size, size_t Count, void* Data)
{
    auto* S = static_cast<UploadState*>(Data);
    std::string Line(Buffer, Size * Count);
    while (!Line.empty() && (Line.back() == '\r' || Line.back() == '\n'))
        Line.pop_back();
    if (Line.rfind("HTTP/", 0) == 0 || (Line.size() >= 3 && std::isdigit(uint8_t(Line[0]))))
        S->LastAnswer = Line;
    return Size * Count;
}

/// Path bytes for a URL: CP1251 text as UTF-8, everything outside the
/// characters a path may hold percent-encoded ("%XX" kept).
std::string EncodePath(const AnsiString& Path)
{
    static const char Hex[] = "0123456789ABCDEF";
    const std::string U = Path.ToUtf8();
    std::string R;
    for (size_t I = 0; I < U.size(); ++I) {
        const unsigned char C = static_cast<unsigned char>(U[I]);
        const bool Escape = C == '%' && I + 2 < U.size() && std::isxdigit(uint8_t(U[I + 1])) &&
                            std::isxdigit(uint8_t(U[I + 2]));
        if (std::isalnum(C) || std::strchr("-._~/!$&'()*+,;=:@", C) || Escape) {
            R += char(C);
        } else {
            R += '%';
            R += Hex[C >> 4];
            R += Hex[C & 15];
        }
    }
    return R;
}

std::string HostPort(const AnsiString& Host, Word Port)
{
    return Host.ToUtf8() + (Port ? ":" + std::to_string(Port) : std::string());
}

void CommonOptions(const Curl& L, CURL* H, UploadState& S)
{
    L.SetOpt(H, CURLOPT_NOSIGNAL, 1L);
    L.SetOpt(H, CURLOPT_USERAGENT, UserAgent);
    L.SetOpt(H, CURLOPT_CONNECTTIMEOUT, ConnectTimeOutSecs);
    L.SetOpt(H, CURLOPT_LOW_SPEED_LIMIT, LowSpeedLimit);
    L.SetOpt(H, CURLOPT_LOW_SPEED_TIME, LowSpeedSecs);
    L.SetOpt(H, CURLOPT_FOLLOWLOCATION, 0L);
    L.SetOpt(H, CURLOPT_READFUNCTION, &ReadChunk);
    L.SetOpt(H, CURLOPT_READDATA, &S);
    L.SetOpt(H, CURLOPT_HEADERFUNCTION, &HeaderLine);
    L.SetOpt(H, CURLOPT_HEADERDATA, &S);
    L.SetOpt(H, CURLOPT_WRITEFUNCTION, &AnswerChunk);
    L.SetOpt(H, CURLOPT_WRITEDATA, &S);
    const AnsiString CA = TrustedCAFile();
    if (!CA.IsEmpty())
        L.SetOpt(H, CURLOPT_CAINFO, CA.ToUtf8().c_str());
}

int FailureOf(CURLcode C, const UploadState& S, AnsiString& ErrorText)
{
    const int Code = ErrorCodeOf(C);
    ErrorText = !S.LastAnswer.empty() && S.LastAnswer.rfind("HTTP/", 0) != 0
                    ? AnsiString::FromUtf8(S.LastAnswer)
                    : WinInetErrorText(Code);
    return Code;
}

int64_t SizeOfFile(const AnsiString& FileName)
{
    try {
        TFileStream F(FileName, fmOpenRead | fmShareDenyNone);
        return F.Size();
    } catch (const EStreamError&) {
        return -1;  // gone or unreadable: left out like a missing file
    }
}

}  // namespace

void SetCurlLibraryName(const AnsiString& Name)
{
    const std::lock_guard<std::mutex> Lock(gCurlLock);
    gCurlName = Name.IsEmpty() ? AnsiString(DefaultCurlLibrary) : Name;
}

AnsiString WinInetErrorText(int Code)
{
    for (const ErrorEntry& E : ErrorTable)
        if (E.Code == Code)
            return E.Text;
    return AnsiString();
}

bool ParseURL(const AnsiString& URL, AnsiString& Scheme, AnsiString& User, Word& Port,
              AnsiString& Path, AnsiString& Host, AnsiString& Password)
{
    Scheme = User = Path = Host = Password = AnsiString();
    AnsiString S = Trim(URL);
    if (S.IsEmpty() || S[S.Length()] != '/')
        S += "/";
    // ":" and digits just before the closing "/" are the port.
    int I = S.Length() - 1;
    while (I >= 1 && S[I] >= '0' && S[I] <= '9')
        --I;
    if (I >= 1 && I < S.Length() - 1 && S[I] == ':') {
        Integer P = 0;
        if (!TryStrToInt(S.SubString(I + 1, S.Length() - 1 - I), P) || P < 0 || P > 0xFFFF)
            return false;
        Port = Word(P);
        S = S.SubString(1, I - 1) + "/";
    }
    // Each part is cut off only when the text before its separator could
    // be one (letters, digits, "-" and ".").
    auto Cut = [&S](const AnsiString& Separator, AnsiString& Part) {
        const int P = S.Pos(Separator);
        if (P <= 0)
            return;
        for (int J = 1; J < P; ++J) {
            const unsigned char C = static_cast<unsigned char>(S[J]);
            if (!(std::isalnum(C) && C < 128) && C != '-' && C != '.')
                return;
        }
        Part = S.SubString(1, P - 1);
        S = S.SubString(P + Separator.Length(), S.Length());
    };
    Cut("://", Scheme);
    Cut(":", User);
    Cut("@", Password);
    Cut("/", Host);
    Path = S.SubString(1, S.Length() - 1);
    return true;
}

AnsiString NewUploadBoundary()
{
    uint16_t R[3] = {};
    if (getrandom(R, sizeof R, 0) != sizeof R)
        for (uint16_t& V : R)
            V = uint16_t(std::random_device()());
    AnsiString B = "---------------------------";
    for (uint16_t V : R)
        B += IntToHex(Integer(V % 65535), 4);
    return B;
}

std::string UploadBody(const AnsiString& Boundary, const std::vector<AnsiString>& FormNames,
                       const std::vector<AnsiString>& FormValues,
                       const std::vector<MailAttachment>& Files)
{
    const std::string B = Boundary.Std();
    std::string Body;
    for (size_t I = 0; I < FormNames.size(); ++I) {
        Body += "--" + B + "\r\nContent-Disposition: form-data; name=\"" + FormNames[I].Std() +
                "\";\r\n\r\n" + (I < FormValues.size() ? FormValues[I].Std() : std::string()) +
                "\r\n";
    }
    for (size_t I = 0; I < Files.size(); ++I) {
        if (!FileExists(Files[I].FileName))
            continue;  // keeps its number: the next file is not renumbered
        TFileStream F(Files[I].FileName, fmOpenRead | fmShareDenyNone);
        std::string Bytes(size_t(F.Size()), '\0');
        if (!Bytes.empty())
            F.ReadBuffer(Bytes.data(), int(Bytes.size()));
        Body += "--" + B + "\r\nContent-Disposition: form-data; name=\"el_upload_file_" +
                std::to_string(I) + "\"; filename=\"" + Files[I].Name.Std() +
                "\";\r\nContent-Type: application/octet-stream\r\n\r\n" + Bytes + "\r\n";
    }
    return Body + "--" + B + "--\r\n";
}

int UploadHTTP(const AnsiString& Host, const AnsiString& Path, Word Port,
               const AnsiString& UserName, const AnsiString& Password, bool Secure,
               const std::vector<AnsiString>& FormNames, const std::vector<AnsiString>& FormValues,
               const std::vector<MailAttachment>& Files, UploadProgress Progress,
               AnsiString& ErrorText)
{
    ErrorText = AnsiString();
    const AnsiString Boundary = NewUploadBoundary();
    const std::string Body = UploadBody(Boundary, FormNames, FormValues, Files);
    UploadState S;
    S.Body = &Body;
    S.Total = int64_t(Body.size());
    S.Progress = Progress;
    if (Progress)
        Progress(0, 0, S.Total);
    const Curl L;
    if (!L.Ready())
        return UploadNoLibrary;
    Transfer T(L);
    if (!T.Handle)
        return FailureOf(CURLE_FAILED_INIT, S, ErrorText);
    const std::string URL = std::string(Secure ? "https://" : "http://") + HostPort(Host, Port) +
                            "/" + EncodePath(Path);
    L.SetOpt(T.Handle, CURLOPT_URL, URL.c_str());
    CommonOptions(L, T.Handle, S);
    L.SetOpt(T.Handle, CURLOPT_POST, 1L);
    L.SetOpt(T.Handle, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(Body.size()));
    const std::string ContentType =
        "Content-Type: multipart/form-data; boundary=" + Boundary.Std();
    T.Headers = L.SlistAppend(T.Headers, ContentType.c_str());
    if (!UserName.IsEmpty() || !Password.IsEmpty()) {
        const std::string Auth =
            "Authorization: Basic " + Base64Encode(UserName + ":" + Password).Std();
        T.Headers = L.SlistAppend(T.Headers, Auth.c_str());
    }
    // No "100-continue" round trip: servers that do not answer it cost a
    // second each.
    T.Headers = L.SlistAppend(T.Headers, "Expect:");
    L.SetOpt(T.Handle, CURLOPT_HTTPHEADER, T.Headers);

    const CURLcode C = L.Perform(T.Handle);
    // The status line, when one came, says more than the transfer's code.
    const std::string& Status = S.LastAnswer;
    if (Status.rfind("HTTP/", 0) == 0) {
        const size_t Sp = Status.find(' ');
        const size_t Sp2 = Status.find(' ', Sp + 1);
        const std::string Number = Sp == std::string::npos ? std::string() :
                                   Status.substr(Sp + 1, Sp2 == std::string::npos ? std::string::npos : Sp2 - Sp - 1);
        Integer Code = 0;
        if (!TryStrToInt(Number.c_str(), Code))
            return UploadBadStatus;
        if (C == CURLE_OK || C == CURLE_WEIRD_SERVER_REPLY) {
            if (Code == 200)
                return 0;
            ErrorText = Sp2 == std::string::npos ? AnsiString()
                                                 : AnsiString::FromUtf8(Status.substr(Sp2 + 1));
            if (const AnsiString Said = AnswerLine(S); !Said.IsEmpty())
                ErrorText += (ErrorText.IsEmpty() ? "" : ": ") + Said;
            return Code;
        }
    }
    // A request that went out and an answer curl could not read as HTTP
    // (a status that is no number reads as HTTP/0.9 to it).
    long RequestSize = 0;
    L.GetInfo(T.Handle, CURLINFO_REQUEST_SIZE, &RequestSize);
    if (RequestSize > 0 && (C == CURLE_UNSUPPORTED_PROTOCOL || C == CURLE_WEIRD_SERVER_REPLY))
        return UploadBadStatus;
    if (C == CURLE_OK) {
        long Code = 0;
        L.GetInfo(T.Handle, CURLINFO_RESPONSE_CODE, &Code);
        return Code == 200 ? 0 : int(Code);
    }
    return FailureOf(C, S, ErrorText);
}

int UploadFTP(const AnsiString& Host, const AnsiString& Path, Word Port,
              const AnsiString& UserName, const AnsiString& Password,
              const std::vector<MailAttachment>& Files, UploadProgress Progress,
              AnsiString& ErrorText)
{
    ErrorText = AnsiString();
    UploadState S;
    S.Progress = Progress;
    for (const MailAttachment& F : Files)
        S.Total += std::max<int64_t>(0, SizeOfFile(F.FileName));
    if (Progress)
        Progress(0, 0, S.Total);
    const Curl L;
    if (!L.Ready())
        return UploadNoLibrary;
    Transfer T(L);
    if (!T.Handle)
        return FailureOf(CURLE_FAILED_INIT, S, ErrorText);
    CommonOptions(L, T.Handle, S);
    L.SetOpt(T.Handle, CURLOPT_UPLOAD, 1L);
    const std::string User = UserName.ToUtf8(), Pass = Password.ToUtf8();
    L.SetOpt(T.Handle, CURLOPT_USERNAME, User.c_str());
    L.SetOpt(T.Handle, CURLOPT_PASSWORD, Pass.c_str());
    // TLS when the server offers it, plain FTP otherwise.
    L.SetOpt(T.Handle, CURLOPT_USE_SSL, long(CURLUSESSL_TRY));
    AnsiString Folder = Path;
    if (!Folder.IsEmpty() && Folder[Folder.Length()] != '/')
        Folder += "/";
    for (const MailAttachment& F : Files) {
        const int64_t Size = SizeOfFile(F.FileName);
        if (Size < 0)
            continue;
        TFileStream In(F.FileName, fmOpenRead | fmShareDenyNone);
        S.File = &In;
        const std::string URL = "ftp://" + HostPort(Host, Port) + "/" + EncodePath(Folder + F.Name);
        L.SetOpt(T.Handle, CURLOPT_URL, URL.c_str());
        L.SetOpt(T.Handle, CURLOPT_INFILESIZE_LARGE, curl_off_t(Size));
        const CURLcode C = L.Perform(T.Handle);
        S.File = nullptr;
        if (C != CURLE_OK)
            return FailureOf(C, S, ErrorText);
    }
    return 0;
}
