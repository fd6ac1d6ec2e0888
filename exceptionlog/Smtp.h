#pragma once

// Sending a report by e-mail without a mail program: the SMTP client, the
// MIME message, and SendMailSMTP, which sends one message per recipient
// through the configured server or straight to each recipient's mail
// exchanger. Texts are CP1251 and declared so in the message.
//
// The progress window of a send is reached through SendProgressWindow,
// which the dialog windows install; without one progress goes nowhere.

#include "exceptionlog/Sockets.h"

#include "platform/rtl/AnsiString.h"

#include <initializer_list>
#include <vector>

class TRazuroModuleOptions;

/// Milliseconds a server may take to answer.
inline constexpr DWORD SmtpTimeOut = 30000;

class TRazuroClientSMTP : public TRazuroClientSocket {
    PRICETAGS_CLASS(TRazuroClientSMTP, TRazuroClientSocket)
public:
    /// A TCP connection to Host:Port.
    TRazuroClientSMTP(const AnsiString& AHost, DWORD ATimeOut, Word APort);

    /// Connects; the greeting must have code 220, else raises with the
    /// dialogue as message.
    void Connect() override;
    /// Reads one whole reply (every line up to the one without a hyphen
    /// after its code) within TimeOut; true when its code is one of Codes,
    /// false when it has none or another. Raises "Socket timeout." when the
    /// reply does not come whole, "Connection closed by the server." when
    /// the server hangs up.
    bool CheckReply(std::initializer_list<int> Codes);
    /// Sends Command (CR LF added when missing) and checks the reply; false
    /// for an empty command. A short send or a refused reply raises with the
    /// dialogue as message. A Secret command stands as "***" in the log.
    bool SendCommand(const AnsiString& Command, std::initializer_list<int> Codes,
                     bool Secret = false);
    /// Whether the last reply lists Keyword as an extension (EHLO).
    [[nodiscard]] bool Offers(const AnsiString& Keyword) const;

    /// The last reply read.
    AnsiString LastReply;
};

/// A file to attach and the name it goes by in the message.
struct MailAttachment {
    AnsiString FileName;
    AnsiString Name;
};

/// The message for DATA: header, text part, one base64 part per existing
/// file, the closing boundary and the final "." line. Line ends are CR LF,
/// lines starting with "." are doubled; the text goes as 7bit when it is
/// plain ASCII, else quoted-printable, always declared windows-1251; a
/// subject or file name beyond ASCII is encoded for mail headers. Control
/// characters in From, To and Subject become one blank per run.
[[nodiscard]] AnsiString ComposeMailMessage(const AnsiString& From, const AnsiString& To,
                                            const AnsiString& Subject, const AnsiString& Body,
                                            const std::vector<MailAttachment>& Files,
                                            const AnsiString& Date, const AnsiString& MessageID);
/// A Message-ID of its own for each call ("<ticks.random@host>").
[[nodiscard]] AnsiString NewMessageID();
/// Recipients split at "," and ";", trimmed, empty ones left out.
[[nodiscard]] std::vector<AnsiString> SplitRecipients(const AnsiString& Recipients);

/// One message to each recipient, each over its own connection. With
/// DirectDelivery the host is the recipient's mail exchanger (ResolveMX)
/// and no credentials are used. With a user name or password the dialogue
/// logs in (AUTH LOGIN) after switching to TLS when the server offers
/// STARTTLS; the certificate must then be valid for Host. A failing
/// recipient is recorded as an internal error "SMTP" and the next one is
/// tried. True when at least one message was accepted.
bool SendMailSMTP(bool DirectDelivery, const AnsiString& From, const AnsiString& Host, Word Port,
                  const AnsiString& UserName, const AnsiString& Password,
                  const AnsiString& Recipients, const AnsiString& Subject, const AnsiString& Body,
                  const std::vector<MailAttachment>& Attachments);

// ---- progress of a send ------------------------------------------------------------

/// The progress window as the senders see it.
class SendProgressWindow {
public:
    virtual ~SendProgressWindow() = default;
    /// Shows the window (nothing when it is up already).
    virtual void Start() = 0;
    virtual void SetStatus(const AnsiString& Text) = 0;
    /// 0..100.
    virtual void SetPosition(int Percent) = 0;
    /// Sending is over: the window closes.
    virtual void Over() = 0;
};
/// Installs the window (null: none); returns the one before. Not owned.
SendProgressWindow* SetSendProgressWindow(SendProgressWindow* Window);

/// The options whose texts the progress steps show ('' = the defaults);
/// set by the send routine for its run.
void SetSendOptions(const TRazuroModuleOptions* Options);
/// Text Index of those options.
[[nodiscard]] AnsiString SendText(int Index);

void ProgressStart();
/// Several messages: the status becomes "Message 2/3: " + the step text.
void ProgressMessages(int Count);
void ProgressMessage(int Number);
void ProgressStatus(const AnsiString& Text);
void ProgressPosition(int Percent);
void ProgressOver();
