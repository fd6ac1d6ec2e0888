#include "exceptionlog/Smtp.h"

#include "exceptionlog/Codecs.h"
#include "exceptionlog/LogText.h"
#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/MxLookup.h"
#include "exceptionlog/ProcessHelpers.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Ticks.h"

#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <random>

PRICETAGS_DEFINE_CLASS(TRazuroClientSMTP)

namespace {

const char SSocketTimeout[] = "Socket timeout.";
const char SConnectionClosed[] = "Connection closed by the server.";
const char Boundary[] = "=_xcjvnxkbhvfkxzhfdbvzldjhfv";
const char Charset[] = "windows-1251";
/// The host part of our Message-IDs.
const char MessageIDHost[] = "exceptionlog.pricetags";
constexpr int Base64LineLength = 80;
/// Longest line SMTP carries; a longer text line goes quoted-printable.
constexpr int MaxMailLine = 998;
constexpr int HostNameBuffer = 250;

constexpr int TextMessage = 76;
constexpr int TextResolving = 77;
constexpr int TextConnecting = 78;
constexpr int TextConnected = 79;
constexpr int TextSending = 80;

std::atomic<SendProgressWindow*> gProgressWindow {nullptr};
std::atomic<const TRazuroModuleOptions*> gSendOptions {nullptr};
std::atomic<int> gMessageCount {0};
std::atomic<int> gMessageNumber {0};

bool IsPlainAscii(const AnsiString& S)
{
    for (int I = 1; I <= S.Length(); ++I) {
        const unsigned char C = static_cast<unsigned char>(S[I]);
        if (C >= 128 || (C < 32 && C != '\r' && C != '\n' && C != '\t'))
            return false;
    }
    return true;
}

/// Lone CR and lone LF become CR LF.
AnsiString NormaliseLineEnds(const AnsiString& S)
{
    AnsiString R;
    for (int I = 1; I <= S.Length(); ++I) {
        const char C = S[I];
        if (C == '\r') {
            R += "\r\n";
            if (I < S.Length() && S[I + 1] == '\n')
                ++I;
        } else if (C == '\n') {
            R += "\r\n";
        } else {
            R += C;
        }
    }
    return R;
}

bool HasLongLine(const AnsiString& S)
{
    int Run = 0;
    for (int I = 1; I <= S.Length(); ++I) {
        Run = S[I] == '\n' ? 0 : Run + 1;
        if (Run > MaxMailLine)
            return true;
    }
    return false;
}

const char HexDigits[] = "0123456789ABCDEF";

/// Quoted-printable of CR LF text: hard breaks stay, lines are cut at 76.
AnsiString QuotedPrintable(const AnsiString& S)
{
    AnsiString R;
    int Col = 0;
    auto Put = [&](const AnsiString& Piece) {
        if (Col + Piece.Length() > 75) {
            R += "=\r\n";
            Col = 0;
        }
        R += Piece;
        Col += Piece.Length();
    };
    for (int I = 1; I <= S.Length(); ++I) {
        const unsigned char C = static_cast<unsigned char>(S[I]);
        if (C == '\r' && I < S.Length() && S[I + 1] == '\n') {
            R += "\r\n";
            Col = 0;
            ++I;
            continue;
        }
        const bool AtLineEnd = I == S.Length() || S[I + 1] == '\r';
        const bool Literal = (C >= 33 && C <= 126 && C != '=') ||
                             ((C == ' ' || C == '\t') && !AtLineEnd);
        // A "." opening a line is written encoded, so no relay sees it.
        if (Literal && !(C == '.' && Col == 0))
            Put(AnsiString(char(C)));
        else
            Put(AnsiString("=") + HexDigits[C >> 4] + HexDigits[C & 15]);
    }
    return R;
}

/// A header text as is when plain ASCII, else as encoded words.
AnsiString EncodeHeaderText(const AnsiString& S)
{
    if (IsPlainAscii(S))
        return S;
    constexpr int Chunk = 30;  // 40 Base64 characters per word
    AnsiString R;
    for (int I = 1; I <= S.Length(); I += Chunk) {
        if (I > 1)
            R += "\r\n ";
        R += AnsiString("=?") + Charset + "?B?" + Base64Encode(S.SubString(I, Chunk)) + "?=";
    }
    return R;
}

/// ' name="x"' for a plain name, else the charset form with %XX bytes.
AnsiString NameParameter(const char* Key, const AnsiString& Name)
{
    bool Plain = IsPlainAscii(Name);
    for (int I = 1; Plain && I <= Name.Length(); ++I)
        Plain = Name[I] != '"' && Name[I] != '\\' && Name[I] >= 32;
    if (Plain)
        return AnsiString(Key) + "=\"" + Name + "\"";
    AnsiString R = AnsiString(Key) + "*=" + Charset + "''";
    for (int I = 1; I <= Name.Length(); ++I) {
        const unsigned char C = static_cast<unsigned char>(Name[I]);
        if ((C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') ||
            C == '.' || C == '-' || C == '_')
            R += char(C);
        else
            R += AnsiString("%") + HexDigits[C >> 4] + HexDigits[C & 15];
    }
    return R;
}

AnsiString FileBytes(const AnsiString& FileName)
{
    TFileStream F(FileName, fmOpenRead | fmShareDenyNone);
    AnsiString Bytes;
    Bytes.SetLength(int(F.Size()));
    if (Bytes.Length() > 0)
        F.ReadBuffer(Bytes.Data(), Bytes.Length());
    return Bytes;
}

AnsiString AttachmentPart(const MailAttachment& File)
{
    const AnsiString Type = UpperCase(ExtractFileExt(File.FileName)) == ".PNG"
                                ? "image/png"
                                : "application/octet-stream";
    const AnsiString Encoded = Base64Encode(FileBytes(File.FileName));
    AnsiString R = AnsiString("\r\n--") + Boundary + "\r\nContent-Type: " + Type + ";\r\n" +
                   "        " + NameParameter("name", File.Name) + "\r\n" +
                   "Content-Transfer-Encoding: base64\r\n" +
                   "Content-Disposition: attachment;\r\n" + "        " +
                   NameParameter("filename", File.Name) + "\r\n\r\n";
    for (int I = 1; I <= Encoded.Length(); I += Base64LineLength) {
        R += Encoded.SubString(I, Base64LineLength);
        if (I + Base64LineLength <= Encoded.Length())
            R += "\r\n";
    }
    return R + "\r\n";
}

/// Doubles the "." opening a line, so a body line "." cannot end DATA.
AnsiString DotStuff(const AnsiString& S)
{
    AnsiString R;
    bool LineStart = true;
    for (int I = 1; I <= S.Length(); ++I) {
        if (LineStart && S[I] == '.')
            R += '.';
        R += S[I];
        LineStart = S[I] == '\n';
    }
    return R;
}

AnsiString LocalHostName()
{
    char Buf[HostNameBuffer + 1] = {};
    if (gethostname(Buf, HostNameBuffer) != 0)
        return "localhost";
    return AnsiString::FromUtf8(Buf);
}

AnsiString ReplyCodeText(const AnsiString& Reply)
{
    int I = 1;
    while (I <= Reply.Length() && Reply[I] >= '0' && Reply[I] <= '9')
        ++I;
    return Reply.SubString(1, I - 1);
}

/// The reply is whole once its last complete line is not "NNN-".
bool ReplyComplete(const AnsiString& Reply)
{
    if (Reply.IsEmpty() || Reply[Reply.Length()] != '\n')
        return false;
    int Start = Reply.Length() - 1;
    while (Start >= 1 && Reply[Start] != '\n')
        --Start;
    const AnsiString Line = Reply.SubString(Start + 1, Reply.Length() - Start);
    return !(Line.Length() >= 4 && ReplyCodeText(Line).Length() == 3 && Line[4] == '-');
}

// Runs Body inside the internal-error wrapper under Section, so a failure
// is recorded like any other internal error and the caller goes on.
thread_local const std::function<void()>* tSectionBody = nullptr;

void RunSectionBody()
{
    (*tSectionBody)();
}

void RunNamedSection(const std::function<void()>& Body, const AnsiString& Section)
{
    tSectionBody = &Body;
    try {
        RunSection(RunSectionBody, Section);
    } catch (const Exception& E) {
        // No handler installed: the failure still shows on stderr.
        std::fprintf(stderr, "%s\n", E.Message.ToUtf8().c_str());
    }
}

void SendOneMail(const AnsiString& Host, Word Port, const AnsiString& UserName,
                 const AnsiString& Password, const AnsiString& From, const AnsiString& To,
                 const AnsiString& Subject, const AnsiString& Body,
                 const std::vector<MailAttachment>& Attachments)
{
    ProgressStatus(SendText(TextConnecting));
    TRazuroClientSMTP Smtp(Host, SmtpTimeOut, Port);
    Smtp.Connect();
    ProgressStatus(SendText(TextConnected));
    const AnsiString Me = LocalHostName();
    if (UserName.IsEmpty() && Password.IsEmpty()) {
        Smtp.SendCommand("HELO " + Me, {250});
        Smtp.SendCommand("RSET", {250});
        Smtp.SendCommand("MAIL FROM:<" + From + ">", {250});
    } else {
        Smtp.SendCommand("EHLO " + Me, {250});
        // Credentials go over TLS whenever the server offers it; its
        // certificate must then be good for the host, or nothing is sent.
        if (Smtp.Offers("STARTTLS")) {
            Smtp.SendCommand("STARTTLS", {220});
            Smtp.StartTLS(/*VerifyPeer=*/true);
            Smtp.SendCommand("EHLO " + Me, {250});
        }
        Smtp.SendCommand("RSET", {250});
        Smtp.SendCommand("AUTH LOGIN", {334});
        Smtp.SendCommand(Base64Encode(UserName), {334}, /*Secret=*/true);
        // An empty password is an empty line: an empty command would not
        // be sent, and the server would take the next command for it.
        Smtp.SendCommand(Password.IsEmpty() ? AnsiString("\r\n") : Base64Encode(Password), {235},
                         /*Secret=*/true);
        Smtp.SendCommand("MAIL FROM:<" + From + ">", {250});
    }
    ProgressStatus(SendText(TextSending));
    const AnsiString Message =
        ComposeMailMessage(From, To, Subject, Body, Attachments, MailDateText(Now()), NewMessageID());
    Smtp.SendCommand("RCPT TO:<" + To + ">", {250, 251});
    Smtp.SendCommand("DATA", {354});
    struct ProgressRelay {
        void Step(TObject*, int Position, int Total)
        {
            ProgressPosition(Total > 0 ? int(int64_t(Position) * 100 / Total) : 100);
        }
    } Relay;
    Smtp.OnProgress = TSocketProgressEvent(&Relay, &ProgressRelay::Step);
    Smtp.SendCommand(Message, {250});
    Smtp.OnProgress = nullptr;
}

}  // namespace

// ---- TRazuroClientSMTP -------------------------------------------------------------

TRazuroClientSMTP::TRazuroClientSMTP(const AnsiString& AHost, DWORD ATimeOut, Word APort)
    : TRazuroClientSocket(AHost, ATimeOut, /*Stream=*/true, APort)
{
}

void TRazuroClientSMTP::Connect()
{
    inherited::Connect();
    if (!CheckReply({220}))
        RaiseError(Log);
}

bool TRazuroClientSMTP::CheckReply(std::initializer_list<int> Codes)
{
    // Read up to the reply's last line, however slowly it comes: a reply
    // cut at a pause would leave its rest to answer the next command.
    AnsiString Reply;
    const DWORD Start = GetTickCount();
    while (!ReplyComplete(Reply)) {
        const DWORD Spent = GetTickCount() - Start;
        if (Spent >= TimeOut || !WaitReadable(TimeOut - Spent))
            RaiseError(SSocketTimeout);
        const AnsiString Part = ReadAvailable();
        if (Part.IsEmpty() && PeerClosed)
            RaiseError(SConnectionClosed);
        Reply += Part;
    }
    LastReply = Reply;
    const AnsiString Code = ReplyCodeText(Reply);
    if (Code.IsEmpty())
        return false;
    for (int C : Codes)
        if (StrToIntDef(Code, -1) == C)
            return true;
    return false;
}

bool TRazuroClientSMTP::SendCommand(const AnsiString& Command, std::initializer_list<int> Codes,
                                    bool Secret)
{
    if (Command.IsEmpty())
        return false;
    AnsiString Text = Command;
    if (Text.Length() < 2 || Text.SubString(Text.Length() - 1, 2) != "\r\n")
        Text += "\r\n";
    if (SendString(Text) == Text.Length()) {
        Log += Secret ? AnsiString("***\r\n") : Text;
        if (CheckReply(Codes))
            return true;
    }
    RaiseError(Log);
}

bool TRazuroClientSMTP::Offers(const AnsiString& Keyword) const
{
    const AnsiString Want = UpperCase(Keyword);
    int Start = 1;
    while (Start <= LastReply.Length()) {
        int End = Start;
        while (End <= LastReply.Length() && LastReply[End] != '\n')
            ++End;
        const AnsiString Line = UpperCase(Trim(LastReply.SubString(Start, End - Start)));
        // "250-STARTTLS" or "250 STARTTLS", with or without parameters.
        if (Line.Length() > 4) {
            const AnsiString Ext = Line.SubString(5, Line.Length());
            if (Ext == Want || Ext.Pos(Want + " ") == 1)
                return true;
        }
        Start = End + 1;
    }
    return false;
}

// ---- the message -------------------------------------------------------------------

AnsiString ComposeMailMessage(const AnsiString& From, const AnsiString& To,
                              const AnsiString& Subject, const AnsiString& Body,
                              const std::vector<MailAttachment>& Files, const AnsiString& Date,
                              const AnsiString& MessageID)
{
    const AnsiString Text = NormaliseLineEnds(Body);
    const bool Plain = IsPlainAscii(Text) && !HasLongLine(Text);
    AnsiString Parts = AnsiString("This is a multi-part message in MIME format\r\n\r\n--") +
                       Boundary + "\r\nContent-Type: text/plain; charset=" + Charset +
                       "\r\nContent-Transfer-Encoding: " +
                       (Plain ? "7bit" : "quoted-printable") + "\r\n\r\n" +
                       (Plain ? Text : QuotedPrintable(Text)) + "\r\n";
    for (const MailAttachment& F : Files) {
        if (Trim(F.FileName).IsEmpty() || !FileExists(F.FileName))
            continue;
        Parts += AttachmentPart(F);
    }
    Parts += AnsiString("--") + Boundary + "--\r\n";

    const AnsiString Header =
        "Date: " + Date + "\r\n" + "From: <" + FlattenControlChars(From) + ">\r\n" +
        "Subject: " + EncodeHeaderText(FlattenControlChars(Subject)) + "\r\n" + "To: <" +
        FlattenControlChars(To) + ">\r\n" + "Content-Type: multipart/mixed; boundary=\"" +
        Boundary + "\";\r\n" + "MIME-Version: 1.0\r\n" + "Message-ID: " + MessageID + "\r\n";
    return DotStuff(Header + "\r\n" + Parts) + ".";
}

AnsiString NewMessageID()
{
    // Ticks alone repeat across machines and boots: 64 random bits make the
    // id unique.
    uint64_t Random = 0;
    if (getrandom(&Random, sizeof Random, 0) != sizeof Random)
        Random = (uint64_t(std::random_device()()) << 32) | std::random_device()();
    return "<" + IntToStr(Int64(GetTickCount())) + "." + IntToHex(Int64(Random), 16) + "@" +
           MessageIDHost + ">";
}

std::vector<AnsiString> SplitRecipients(const AnsiString& Recipients)
{
    std::vector<AnsiString> Result;
    int Start = 1;
    for (int I = 1; I <= Recipients.Length() + 1; ++I) {
        if (I <= Recipients.Length() && Recipients[I] != ',' && Recipients[I] != ';')
            continue;
        const AnsiString One = Trim(Recipients.SubString(Start, I - Start));
        if (!One.IsEmpty())
            Result.push_back(One);
        Start = I + 1;
    }
    return Result;
}

bool SendMailSMTP(bool DirectDelivery, const AnsiString& From, const AnsiString& Host, Word Port,
                  const AnsiString& UserName, const AnsiString& Password,
                  const AnsiString& Recipients, const AnsiString& Subject, const AnsiString& Body,
                  const std::vector<MailAttachment>& Attachments)
{
    const std::vector<AnsiString> To = SplitRecipients(Recipients);
    ProgressMessages(int(To.size()));
    bool Sent = false;
    for (size_t I = 0; I < To.size(); ++I) {
        ProgressMessage(int(I + 1));
        RunNamedSection(
            [&] {
                AnsiString Server = Host;
                AnsiString User = UserName, Pass = Password;
                if (DirectDelivery) {
                    ProgressStatus(SendText(TextResolving));
                    Server = ResolveMX(To[I], SmtpTimeOut);
                    User = Pass = AnsiString();
                }
                SendOneMail(Server, Port, User, Pass, From, To[I], Subject, Body, Attachments);
                Sent = true;
            },
            "SMTP");
    }
    ProgressOver();
    return Sent;
}

// ---- progress ----------------------------------------------------------------------

SendProgressWindow* SetSendProgressWindow(SendProgressWindow* Window)
{
    return gProgressWindow.exchange(Window);
}

void SetSendOptions(const TRazuroModuleOptions* Options)
{
    gSendOptions = Options;
}

AnsiString SendText(int Index)
{
    const TRazuroModuleOptions* O = gSendOptions.load();
    return O ? O->GetCustomText(Index) : DefaultCustomText(Index);
}

void ProgressStart()
{
    gMessageCount = 0;
    gMessageNumber = 0;
    if (SendProgressWindow* W = gProgressWindow.load())
        W->Start();
}

void ProgressMessages(int Count)
{
    gMessageCount = Count;
}

void ProgressMessage(int Number)
{
    gMessageNumber = Number;
}

void ProgressStatus(const AnsiString& Text)
{
    SendProgressWindow* W = gProgressWindow.load();
    if (!W)
        return;
    AnsiString Status = Text;
    if (gMessageCount > 1)
        Status = SendText(TextMessage) + " " + IntToStr(gMessageNumber.load()) + "/" +
                 IntToStr(gMessageCount.load()) + ": " + Text;
    W->SetStatus(Status);
}

void ProgressPosition(int Percent)
{
    if (SendProgressWindow* W = gProgressWindow.load())
        W->SetPosition(Percent);
}

void ProgressOver()
{
    if (SendProgressWindow* W = gProgressWindow.load())
        W->Over();
}
