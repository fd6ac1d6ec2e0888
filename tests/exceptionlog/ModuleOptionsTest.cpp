#include "exceptionlog/ModuleOptions.h"

#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Every streamed field away from its default.
void FillAll(TRazuroModuleOptions& O)
{
    O.LegacyFlag = true;
    O.UseFilters = false;
    O.LogOptions = 0x0B;
    O.SkipLogAttachment = true;
    O.SaveLogFile = false;
    O.DialogStyle = 5;
    O.SetFreezeActive(true);
    O.FreezeTimeout = 7;
    O.FreezeMessage = "Frozen";
    O.SmtpFrom = "from@example.test";
    O.SmtpHost = "smtp.example.test";
    O.SmtpPort = 2525;
    O.SmtpUserID = "user";
    O.SmtpPassword = "pass";
    O.TerminateAction = 2;
    O.ErrorsLimitActive = false;
    O.ErrorsNumberToSave = 9;
    O.ErrorsLimit = 4;
    O.EmailAddresses = "a@example.test";
    O.EmailSubject = "Subject";
    O.EmailSendMode = 3;
    O.LogFields = 0x12345678AB;
    O.OutputPath = "/var/log/x.elf";
    O.WebSendMode = 2;
    O.WebURL = "https://example.test/up";
    O.WebCredentialB = "b";
    O.WebCredentialA = "a";
    O.WebPort = 8443;
    O.AttachedFiles = "a.txt;b.txt";
    O.SendOptions = 0x01AA;
    O.ExceptionDialogOptions = 0x82;
    O.AutoCloseDialogSecs = 30;
    O.SupportURL = "https://example.test/support";
    O.HTMLLayout = "<html><%HTML_TAG%></html>";
    O.CallStackOptions = 0x13;
    O.BehaviourOptions = 0x41;
    O.TerminateActionOnBurst = 0;
    O.BurstCount = 5;
    O.BurstMinutes = 2;
    O.FilterClasses->Add("EAbort");
    O.FilterClasses->Add("EConvertError");
    O.FilterMessages->Add("Stop");
    O.EmailMessage = "Body";
    for (int I = 0; I < CustomTextCount; ++I)
        O.CustomTexts[size_t(I)] = "T" + AnsiString(std::to_string(I));
}

void SaveLoad(const TRazuroModuleOptions& From, Word Version, TRazuroModuleOptions& To)
{
    TMemoryStream S;
    From.SaveToStream(&S, Version);
    S.SetPosition(0);
    To.LoadFromStream(&S, Version);
    EXPECT_EQ(S.Position(), S.Size()) << "stream not read to its end";
}

}  // namespace

TEST(ModuleOptions, RoundTripAtCurrentFormats)
{
    TRazuroModuleOptions From;
    FillAll(From);
    for (const Word V : {Word(500), Word(502), CurrentDataVersion}) {
        SCOPED_TRACE(V);
        TRazuroModuleOptions To;
        SaveLoad(From, V, To);
        EXPECT_TRUE(To.SameAs(From));
        // The shorter filter list comes back padded with an empty text.
        ASSERT_EQ(To.FilterMessages->Count(), 2);
        EXPECT_EQ(To.FilterMessages->Strings(1), "");
        EXPECT_EQ(To.FilterClasses->Strings(1), "EConvertError");
        EXPECT_EQ(To.FreezeTimeout, 7);
        EXPECT_EQ(To.WebCredentialA, "a");
        EXPECT_EQ(To.LogFields, 0x12345678ABu);
    }
}

// Which fields an older block carries; the others keep their defaults.
struct OldFormatCase {
    Word Version;
    bool Freeze;       // FreezeActive, FreezeMessage, SmtpHost: 420 on
    bool Credentials;  // SmtpUserID, SmtpPassword, TerminateAction: 421 on
    bool SmtpFrom;     // SmtpFrom, SmtpPort: 450 on
    bool Text16;       // "&Restart": 421 on
    bool Text8;        // "Modules": 450 on
};
const OldFormatCase OldFormatCases[] = {
    {420, true, false, false, false, false},
    {421, true, true, false, true, false},
    {449, true, true, false, true, false},
    {450, true, true, true, true, true},
    {499, true, true, true, true, true},
};

TEST(ModuleOptions, RoundTripAtOlderFormats)
{
    TRazuroModuleOptions From;
    FillAll(From);
    const TRazuroModuleOptions Defaults;
    for (const OldFormatCase& C : OldFormatCases) {
        SCOPED_TRACE(C.Version);
        TRazuroModuleOptions To;
        SaveLoad(From, C.Version, To);
        EXPECT_EQ(To.FreezeActive(), C.Freeze);
        EXPECT_EQ(To.FreezeTimeout, C.Freeze ? 7 : 60);
        EXPECT_EQ(To.SmtpHost, C.Freeze ? From.SmtpHost : AnsiString());
        EXPECT_EQ(To.SmtpUserID, C.Credentials ? From.SmtpUserID : AnsiString());
        EXPECT_EQ(To.TerminateAction, C.Credentials ? 2 : 1);
        EXPECT_EQ(To.SmtpFrom, C.SmtpFrom ? From.SmtpFrom : Defaults.SmtpFrom);
        EXPECT_EQ(To.SmtpPort, C.SmtpFrom ? 2525 : 25);
        EXPECT_EQ(To.CustomTexts[16], C.Text16 ? "T16" : "&Restart");
        EXPECT_EQ(To.CustomTexts[17], "T17");
        EXPECT_EQ(To.CustomTexts[8], C.Text8 ? "T8" : "Modules");
        // Texts of format 500 and fields of 500 keep their defaults.
        EXPECT_EQ(To.CustomTexts[12], "Other");
        EXPECT_EQ(To.WebURL, "");
        EXPECT_EQ(To.BurstCount, 10);
        // Fields of every format.
        EXPECT_EQ(To.ErrorsNumberToSave, 9);
        EXPECT_EQ(To.OutputPath, From.OutputPath);
        EXPECT_EQ(To.EmailMessage, "Body");
        EXPECT_EQ(To.FilterClasses->Count(), 2);
        // Bits 0 and 7 of the dialog options travel in bytes of their own.
        EXPECT_EQ(To.ExceptionDialogOptions & 0x81, 0x80);
        // Older blocks knew only "send mail" and chose the client by host.
        EXPECT_EQ(To.EmailSendMode, C.Version < 450 ? 2 : 3);
    }
}

TEST(ModuleOptions, OldFormatDetails)
{
    // Format 420 stored the freeze time-out in milliseconds, 421 in seconds.
    for (const Word V : {Word(420), Word(421)}) {
        SCOPED_TRACE(V);
        TRazuroModuleOptions From;
        From.FreezeTimeout = 5;
        TMemoryStream S;
        From.SaveToStream(&S, V);
        // The time-out is the 4 bytes after the freeze flag (offset 9).
        int32_t Stored = 0;
        std::memcpy(&Stored, static_cast<const char*>(S.Memory()) + 9, 4);
        EXPECT_EQ(Stored, V == 420 ? 5000 : 5);
        S.SetPosition(0);
        TRazuroModuleOptions To;
        To.LoadFromStream(&S, V);
        EXPECT_EQ(To.FreezeTimeout, 5);
    }
    // Below 500 the field flags were 32 bits with nine since dropped:
    // stored bit 5 is flag 4, stored bit 23 flag 19, stored bit 26 flag 22;
    // flags 23..30 keep the fifth byte from before loading.
    TRazuroModuleOptions Old;
    Old.LogFields = 0;
    Old.SetLogField(4, true);
    Old.SetLogField(19, true);
    Old.SetLogField(22, true);
    TMemoryStream S;
    Old.SaveToStream(&S, 499);
    S.SetPosition(0);
    TRazuroModuleOptions To;
    To.LogFields = uint64_t(0x81) << 32;
    To.LoadFromStream(&S, 499);
    EXPECT_EQ(To.LogFields, (uint64_t(1) << 4) | (uint64_t(1) << 19) | (uint64_t(1) << 22) |
                                (uint64_t(1) << 23) | (uint64_t(1) << 30));
    // Below 450 the "ask before sending" byte is stored inverted.
    Old.ExceptionDialogOptions = 0x01;
    TMemoryStream S2;
    Old.SaveToStream(&S2, 449);
    EXPECT_EQ(static_cast<const char*>(S2.Memory())[3], 0);
}

TEST(ModuleOptions, StringsAreKeyedAndLoseOneClosingLineBreak)
{
    struct Case { const char* In; const char* Out; };
    const Case Cases[] = {
        {"Frozen\r\n", "Frozen"},           // the only CR LF ends the text
        {"a\r\nb\r\n", "a\r\nb\r\n"},       // an earlier CR LF keeps both
        {"\r\n", ""},
        {"", ""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.In);
        TRazuroModuleOptions From;
        From.FreezeMessage = C.In;
        TRazuroModuleOptions To;
        SaveLoad(From, CurrentDataVersion, To);
        EXPECT_EQ(To.FreezeMessage, C.Out);
    }
    // Stored bytes are XORed with the key: no plain text in the stream.
    TRazuroModuleOptions From;
    From.SmtpPassword = "VerySecret";
    TMemoryStream S;
    From.SaveToStream(&S);
    const std::string Bytes(static_cast<const char*>(S.Memory()), size_t(S.Size()));
    EXPECT_EQ(Bytes.find("VerySecret"), std::string::npos);
}

TEST(ModuleOptions, ReportLimitBelowOneIsClampedOnLoad)
{
    for (const Integer Limit : {0, -1, -2147483647 - 1}) {
        SCOPED_TRACE(Limit);
        TRazuroModuleOptions From;
        From.ErrorsNumberToSave = Limit;  // as a damaged block would hold it
        TRazuroModuleOptions To;
        SaveLoad(From, CurrentDataVersion, To);
        EXPECT_EQ(To.ErrorsNumberToSave, 1);
        To.SetErrorsNumberToSave(Limit);
        EXPECT_EQ(To.ErrorsNumberToSave, 1);
    }
}

TEST(ModuleOptions, DamagedStreamsRaiseReadErrors)
{
    TRazuroModuleOptions From;
    TMemoryStream S;
    From.SaveToStream(&S);
    const std::string Good(static_cast<const char*>(S.Memory()), size_t(S.Size()));
    struct Case { const char* Why; std::string Bytes; };
    std::string HugeString = Good;
    // FreezeMessage's length (after 6 flags, the freeze flag and time-out).
    HugeString[11] = '\xFF';
    HugeString[12] = '\xFF';
    HugeString[13] = '\xFF';
    HugeString[14] = '\x7F';
    const Case Cases[] = {
        {"empty", ""},
        {"cut", Good.substr(0, Good.size() / 2)},
        {"string longer than the data", HugeString},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        MemoryBlockStream In(C.Bytes.data(), C.Bytes.size());
        TRazuroModuleOptions To;
        ExpectRaises<EReadError>([&] { To.LoadFromStream(&In, CurrentDataVersion); },
                                 "Stream read error");
    }
}

TEST(ModuleOptions, AssignCopiesEverythingAndRefusesNil)
{
    TRazuroModuleOptions From;
    FillAll(From);
    From.SetActivate(false);
    TRazuroModuleOptions To;
    To.Assign(&From);
    EXPECT_TRUE(To.SameAs(From));
    EXPECT_FALSE(To.Activate());
    ExpectRaises<Exception>([&] { To.Assign(nullptr); },
                            "Impossible to assign nil as TRazuroModuleOptions");
}

TEST(ModuleOptions, ChangeNotificationWaitsForEndUpdate)
{
    struct Counting : TRazuroModuleOptions {
        Counting() : TRazuroModuleOptions("x", true) {}
        void OptionsChanged() override { ++Count; }
        int Count = 0;
    } O;
    O.SetFreezeActive(true);
    EXPECT_EQ(O.Count, 1);
    O.BeginUpdate();
    O.SetActivate(false);
    O.SetFreezeActive(false);
    EXPECT_EQ(O.Count, 1);
    O.EndUpdate();
    EXPECT_EQ(O.Count, 2);
}
