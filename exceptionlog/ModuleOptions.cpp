#include "exceptionlog/ModuleOptions.h"

#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace {

const char SAssignNil[] = "Impossible to assign nil as TRazuroModuleOptions";
const char SDefaultSmtpFrom[] = "pricetags@localhost";
const char SDefaultFreezeMessage[] = "The application seems to be frozen.";

constexpr const char* DefaultTexts[CustomTextCount] = {
    "Information.", "Question.", "Error.",
    ("An error has occurred during program execution.\r\n"
     "Please read the following information for further details."),
    "General", "General Information", "Call Stack", "Call Stack Information", "Modules",
    "Modules Information", "CPU", "CPU Information", "Other", "Other Information", "&OK",
    "&Terminate", "&Restart", "&Details", "&Send this error via Internet",
    "&Attach a Screenshot image", "&Copy to Clipboard", "Go to the Support Page",
    "Application", "Start Date", "Name/Description", "Version Number", "Parameters",
    "Compilation Date", "Exception", "Date", "Address", "Module", "Type", "Message",
    "Active Controls", "Form Class", "Form Text", "Control Class", "Control Text", "Computer",
    "Name", "User", "Total Memory", "Free Memory", "Total Disk", "Free Disk", "System Up Time",
    "Processor", "Display Mode", "Operating System", "Type", "Build #", "Update", "Language",
    "Network", "IP Address", "Submask", "Gateway", "DNS 1", "DNS 2", "DHCP",
    "Custom Information", "Address", "Module", "Unit", "Class", "Procedure/Method", "Line",
    "Main", "Exception Thread", "Running Thread", "Calling Thread", "ID", "Priority", "Class",
    "Send.", "Message", "Resolving DNS...", "Connecting with server...",
    "Connected with server.", "Sending message...", "Request",
    "Please describe the steps to reproduce the error:", "&OK", "Handle", "Name",
    "Description", "Version", "Size", "Modified", "Path", "Registers", "Stack", "Memory Dump",
    "The message was sent successfully.", "Sorry, sending the message didn't work.",
};

// ---- stream primitives ---------------------------------------------------------

void WriteBytes(TStream* S, const void* P, int N)
{
    S->WriteBuffer(P, N);
}

template <class T>
void WriteInt(TStream* S, T V)
{
    uint8_t B[sizeof(T)];
    for (size_t I = 0; I < sizeof(T); ++I)
        B[I] = uint8_t(uint64_t(V) >> (8 * I));
    WriteBytes(S, B, int(sizeof(T)));
}

template <class T>
T ReadInt(TStream* S)
{
    uint8_t B[sizeof(T)];
    S->ReadBuffer(B, int(sizeof(T)));
    uint64_t V = 0;
    for (size_t I = 0; I < sizeof(T); ++I)
        V |= uint64_t(B[I]) << (8 * I);
    return static_cast<T>(V);
}

void WriteBool(TStream* S, bool V) { WriteInt<uint8_t>(S, V ? 1 : 0); }
bool ReadBool(TStream* S) { return ReadInt<uint8_t>(S) != 0; }

void WriteStr(TStream* S, const AnsiString& Value)
{
    AnsiString V = Value;
    // A text whose only line break ends it is stored without it.
    if (V.Length() >= 2 && V.Pos("\r\n") == V.Length() - 1)
        V.SetLength(V.Length() - 2);
    WriteInt<uint32_t>(S, uint32_t(V.Length()));
    for (int I = 1; I <= V.Length(); ++I)
        V[I] = char(uint8_t(V[I]) ^ OptionsStringKey);
    if (V.Length() > 0)
        WriteBytes(S, V.Data(), V.Length());
}

Int64 BytesLeft(TStream* S)
{
    return S->Size() - S->Position();
}

AnsiString ReadStr(TStream* S)
{
    const uint32_t Len = ReadInt<uint32_t>(S);
    // The length is checked against the data before anything is allocated.
    if (Int64(Len) > BytesLeft(S))
        throw EReadError("Stream read error");
    AnsiString V;
    V.SetLength(int(Len));
    if (Len > 0)
        S->ReadBuffer(V.Data(), int(Len));
    for (int I = 1; I <= V.Length(); ++I)
        V[I] = char(uint8_t(V[I]) ^ OptionsStringKey);
    return V;
}

void SetBit(Byte& Set, int Bit, bool On)
{
    Set = On ? Byte(Set | (1u << Bit)) : Byte(Set & ~(1u << Bit));
}

void SetBit16(Word& Set, int Bit, bool On)
{
    Set = On ? Word(Set | (1u << Bit)) : Word(Set & ~(1u << Bit));
}

// Formats below 500 stored 32 field flags; the current set dropped the
// flags at these positions and closed up the rest.
constexpr bool OldFlagDropped(int Bit)
{
    return Bit == 4 || (Bit >= 20 && Bit <= 22) || (Bit >= 27 && Bit <= 31);
}

uint64_t RepackOldLogFields(uint32_t Old, uint64_t Before)
{
    const uint64_t Merged = (Before & (uint64_t(0xFF) << 32)) | Old;
    uint64_t Result = 0;
    int To = 0;
    for (int From = 0; From < 40; ++From) {
        if (From < 32 && OldFlagDropped(From))
            continue;
        if ((Merged >> From) & 1)
            Result |= uint64_t(1) << To;
        ++To;
    }
    return Result;
}

uint32_t UnpackToOldLogFields(uint64_t Fields)
{
    uint32_t Old = 0;
    int From = 0;
    for (int To = 0; To < 32; ++To) {
        if (OldFlagDropped(To))
            continue;
        if ((Fields >> From) & 1)
            Old |= uint32_t(1) << To;
        ++From;
    }
    return Old;
}

constexpr uint64_t AllLogFields = (uint64_t(1) << 40) - 1;

}  // namespace

AnsiString DefaultCustomText(int Index)
{
    return Index >= 0 && Index < CustomTextCount ? AnsiString(DefaultTexts[Index]) : AnsiString();
}

AnsiString DefaultHTMLLayout()
{
    return "<html>\r\n"
           "  <head>\r\n"
           "  </head>\r\n"
           "  <body TopMargin=10 LeftMargin=10>\r\n"
           "    <table width=\"100%\" border=\"0\">\r\n"
           "      <tr>\r\n"
           "        <td nowrap>\r\n"
           "          <font face=\"Lucida Console, Courier\" size=\"2\">\r\n"
           "            <%HTML_TAG%>\r\n"
           "          </font>\r\n"
           "        </td>\r\n"
           "      </tr>\r\n"
           "    </table>\r\n"
           "  </body>\r\n"
           "</html>";
}

Word CustomTextSince(int Index)
{
    switch (Index) {
    case 17: return 420;
    case 16: return 421;
    case 8: case 9: case 10: case 11: case 18: case 19: case 20: case 26: case 41: case 52:
    case 90: case 91: case 92: case 93:
        return 450;
    case 12: case 13: case 21: case 27: case 46: case 47: case 48: case 89: case 94: case 95:
        return 500;
    default:
        break;
    }
    if (Index >= 75 && Index <= 88)
        return 450;
    if ((Index >= 54 && Index <= 61) || (Index >= 68 && Index <= 74))
        return 500;
    return 0;
}

PRICETAGS_DEFINE_CLASS(TRazuroModuleOptions)

TRazuroModuleOptions::TRazuroModuleOptions(const AnsiString& AModuleName, bool ANotifyOnChange)
    : NotifyOnChange(ANotifyOnChange), ModuleName(AModuleName),
      FilterClasses(std::make_unique<TStringList>()),
      FilterMessages(std::make_unique<TStringList>())
{
    SetDefaults();
    UpdateCount = 0;
}

TRazuroModuleOptions::~TRazuroModuleOptions() = default;

void TRazuroModuleOptions::EndUpdate()
{
    --UpdateCount;
    Changed();
}

void TRazuroModuleOptions::Changed()
{
    // The options of other modules are published by their own copy of the
    // subsystem; on Linux there is one copy, so the name test is not needed.
    if (UpdateCount < 1 && NotifyOnChange)
        OptionsChanged();
}

void TRazuroModuleOptions::SetActivate(bool Value)
{
    FActivate = Value;
    Changed();
}

void TRazuroModuleOptions::SetFreezeActive(bool Value)
{
    FFreezeActive = Value;
    Changed();
}

void TRazuroModuleOptions::SetErrorsNumberToSave(Integer Value)
{
    // A limit below 1 would make the log delete from an empty list.
    ErrorsNumberToSave = Value < 1 ? 1 : Value;
    Changed();
}

void TRazuroModuleOptions::SetLogField(int Index, bool Value)
{
    if (Value)
        LogFields |= uint64_t(1) << Index;
    else
        LogFields &= ~(uint64_t(1) << Index);
    Changed();
}

AnsiString TRazuroModuleOptions::GetCustomText(int Index) const
{
    return Index >= 0 && Index < CustomTextCount ? CustomTexts[size_t(Index)] : AnsiString();
}

void TRazuroModuleOptions::SetCustomText(int Index, const AnsiString& Value)
{
    if (Index < 0 || Index >= CustomTextCount)
        return;
    CustomTexts[size_t(Index)] = Value;
    Changed();
}

void TRazuroModuleOptions::SetDefaults()
{
    BeginUpdate();
    SmtpFrom = SDefaultSmtpFrom;
    SmtpHost = SmtpUserID = SmtpPassword = AnsiString();
    SmtpPort = 25;
    TerminateAction = 1;
    FFreezeActive = false;
    FreezeTimeout = 60;
    FreezeMessage = SDefaultFreezeMessage;
    LogFields = AllLogFields;
    FilterClasses->Clear();
    FilterMessages->Clear();
    for (int I = 0; I < CustomTextCount; ++I)
        CustomTexts[size_t(I)] = DefaultTexts[I];
    LegacyFlag = false;
    UseFilters = true;
    SkipLogAttachment = false;
    ErrorsLimitActive = true;
    SaveLogFile = true;
    LogOptions = 0x30;
    SendOptions = 0x0051;
    DialogStyle = 0;
    ErrorsNumberToSave = 32;
    ErrorsLimit = 3;
    OutputPath = EmailAddresses = EmailSubject = EmailMessage = AnsiString();
    EmailSendMode = 0;
    WebSendMode = 0;
    AttachedFiles = AnsiString();
    ExceptionDialogOptions = 0x1F;
    AutoCloseDialogSecs = 0;
    SupportURL = AnsiString();
    HTMLLayout = DefaultHTMLLayout();
    TerminateActionOnBurst = 1;
    BurstCount = 10;
    BurstMinutes = 1;
    CallStackOptions = 0x0F;
    BehaviourOptions = 0x30;
    WebURL = AnsiString();
    WebPort = 0;
    WebCredentialA = WebCredentialB = AnsiString();
    FActivate = true;
    EndUpdate();
}

void TRazuroModuleOptions::Assign(const TRazuroModuleOptions* Source)
{
    if (!Source)
        throw Exception(SAssignNil);
    TMemoryStream S;
    Source->SaveToStream(&S);
    S.SetPosition(0);
    BeginUpdate();
    LoadFromStream(&S, CurrentDataVersion);
    // Not streamed, but part of the options all the same.
    FActivate = Source->FActivate;
    EndUpdate();
}

bool TRazuroModuleOptions::SameAs(const TRazuroModuleOptions& Other) const
{
    TMemoryStream A, B;
    SaveToStream(&A);
    Other.SaveToStream(&B);
    return A.Size() == B.Size() && std::memcmp(A.Memory(), B.Memory(), size_t(A.Size())) == 0;
}

void TRazuroModuleOptions::SaveToStream(TStream* Stream) const
{
    SaveToStream(Stream, CurrentDataVersion);
}

void TRazuroModuleOptions::SaveToStream(TStream* S, Word V) const
{
    WriteBool(S, LegacyFlag);
    WriteBool(S, UseFilters);
    WriteInt<uint8_t>(S, LogOptions);
    if (V < 500) {
        const bool Ask = ExceptionDialogOptions & 1;
        WriteBool(S, V < 450 ? !Ask : Ask);
    }
    WriteBool(S, SkipLogAttachment);
    if (V >= 450 && V < 500) {
        WriteBool(S, SendOptions & 0x04);
        WriteBool(S, SendOptions & 0x10);
        WriteBool(S, SendOptions & 0x01);
    }
    if (V >= 401) {
        WriteBool(S, SaveLogFile);
        WriteInt<uint8_t>(S, DialogStyle);
    }
    if (V >= 403 && V < 500)
        WriteBool(S, ExceptionDialogOptions & 0x80);
    if (V >= 420) {
        WriteBool(S, FFreezeActive);
        WriteInt<int32_t>(S, V < 421 ? FreezeTimeout * 1000 : FreezeTimeout);
        WriteStr(S, FreezeMessage);
    }
    if (V >= 450)
        WriteStr(S, SmtpFrom);
    if (V >= 420)
        WriteStr(S, SmtpHost);
    if (V >= 450)
        WriteInt<uint16_t>(S, SmtpPort);
    if (V >= 421) {
        WriteStr(S, SmtpUserID);
        WriteStr(S, SmtpPassword);
        WriteInt<uint8_t>(S, TerminateAction);
    }
    WriteBool(S, ErrorsLimitActive);
    WriteInt<int32_t>(S, ErrorsNumberToSave);
    WriteInt<int32_t>(S, ErrorsLimit);
    WriteStr(S, EmailAddresses);
    WriteStr(S, EmailSubject);
    WriteInt<uint8_t>(S, V < 450 ? uint8_t(EmailSendMode != 0) : EmailSendMode);
    if (V < 500) {
        WriteInt<uint32_t>(S, UnpackToOldLogFields(LogFields));
        if (V < 450)
            WriteInt<uint8_t>(S, 0);
    } else {
        for (int I = 0; I < 5; ++I)
            WriteInt<uint8_t>(S, uint8_t(LogFields >> (8 * I)));
    }
    WriteStr(S, OutputPath);
    if (V >= 500) {
        WriteInt<uint8_t>(S, WebSendMode);
        WriteStr(S, WebURL);
        WriteStr(S, WebCredentialB);
        WriteStr(S, WebCredentialA);
        WriteInt<int32_t>(S, WebPort);
        WriteStr(S, AttachedFiles);
        WriteInt<uint16_t>(S, SendOptions);
        WriteInt<uint8_t>(S, ExceptionDialogOptions);
        WriteInt<int32_t>(S, AutoCloseDialogSecs);
        WriteStr(S, SupportURL);
        WriteStr(S, HTMLLayout);
        WriteInt<uint8_t>(S, CallStackOptions);
        WriteInt<uint8_t>(S, BehaviourOptions);
        WriteInt<uint8_t>(S, TerminateActionOnBurst);
        WriteInt<int32_t>(S, BurstCount);
        WriteInt<int32_t>(S, BurstMinutes);
    }
    const int N = std::max(FilterClasses->Count(), FilterMessages->Count());
    WriteInt<uint32_t>(S, uint32_t(N));
    for (int I = 0; I < N; ++I) {
        WriteStr(S, I < FilterClasses->Count() ? FilterClasses->Strings(I) : AnsiString());
        WriteStr(S, I < FilterMessages->Count() ? FilterMessages->Strings(I) : AnsiString());
    }
    WriteStr(S, EmailMessage);
    for (int I = 0; I < CustomTextCount; ++I)
        if (V >= CustomTextSince(I))
            WriteStr(S, CustomTexts[size_t(I)]);
}

void TRazuroModuleOptions::LoadFromStream(TStream* S, Word V)
{
    // Notifications wait until the whole stream is read; a stream that
    // fails half-way notifies nobody.
    struct UpdateScope {
        TRazuroModuleOptions& O;
        explicit UpdateScope(TRazuroModuleOptions& AO) : O(AO) { ++O.UpdateCount; }
        ~UpdateScope() { --O.UpdateCount; }
    };
    {
        const UpdateScope Scope(*this);
        ReadFields(S, V);
    }
    Changed();
}

void TRazuroModuleOptions::ReadFields(TStream* S, Word V)
{
    LegacyFlag = ReadBool(S);
    UseFilters = ReadBool(S);
    LogOptions = ReadInt<uint8_t>(S);
    if (V < 500) {
        const bool B = ReadBool(S);
        SetBit(ExceptionDialogOptions, 0, V < 450 ? !B : B);
    }
    SkipLogAttachment = ReadBool(S);
    if (V >= 450 && V < 500) {
        SetBit16(SendOptions, 2, ReadBool(S));
        SetBit16(SendOptions, 4, ReadBool(S));
        SetBit16(SendOptions, 0, ReadBool(S));
    }
    if (V >= 401) {
        SaveLogFile = ReadBool(S);
        DialogStyle = ReadInt<uint8_t>(S);
    }
    if (V >= 403 && V < 500)
        SetBit(ExceptionDialogOptions, 7, ReadBool(S));
    if (V >= 420) {
        FFreezeActive = ReadBool(S);
        FreezeTimeout = ReadInt<int32_t>(S);
        // Blocks of format 420 kept the time-out in milliseconds; from 421
        // on it is seconds.
        if (V < 421)
            FreezeTimeout /= 1000;
        FreezeMessage = ReadStr(S);
    }
    if (V >= 450)
        SmtpFrom = ReadStr(S);
    if (V >= 420)
        SmtpHost = ReadStr(S);
    if (V >= 450)
        SmtpPort = ReadInt<uint16_t>(S);
    if (V >= 421) {
        SmtpUserID = ReadStr(S);
        SmtpPassword = ReadStr(S);
        TerminateAction = ReadInt<uint8_t>(S);
    }
    ErrorsLimitActive = ReadBool(S);
    // Clamped here, not only in the setter: a block with 0 or a negative
    // count must not reach the log, which deletes while Count >= limit.
    const int32_t ToSave = ReadInt<int32_t>(S);
    ErrorsNumberToSave = ToSave < 1 ? 1 : ToSave;
    ErrorsLimit = ReadInt<int32_t>(S);
    EmailAddresses = ReadStr(S);
    EmailSubject = ReadStr(S);
    EmailSendMode = ReadInt<uint8_t>(S);
    if (V < 450 && EmailSendMode != 0)
        EmailSendMode = SmtpHost.IsEmpty() ? 1 : 2;
    if (V < 500) {
        LogFields = RepackOldLogFields(ReadInt<uint32_t>(S), LogFields);
        if (V < 450)
            (void)ReadInt<uint8_t>(S);
    } else {
        uint64_t F = 0;
        for (int I = 0; I < 5; ++I)
            F |= uint64_t(ReadInt<uint8_t>(S)) << (8 * I);
        LogFields = F;
    }
    OutputPath = ReadStr(S);
    if (V >= 500) {
        WebSendMode = ReadInt<uint8_t>(S);
        WebURL = ReadStr(S);
        WebCredentialB = ReadStr(S);
        WebCredentialA = ReadStr(S);
        WebPort = ReadInt<int32_t>(S);
        AttachedFiles = ReadStr(S);
        SendOptions = ReadInt<uint16_t>(S);
        ExceptionDialogOptions = ReadInt<uint8_t>(S);
        AutoCloseDialogSecs = ReadInt<int32_t>(S);
        SupportURL = ReadStr(S);
        HTMLLayout = ReadStr(S);
        CallStackOptions = ReadInt<uint8_t>(S);
        BehaviourOptions = ReadInt<uint8_t>(S);
        TerminateActionOnBurst = ReadInt<uint8_t>(S);
        BurstCount = ReadInt<int32_t>(S);
        BurstMinutes = ReadInt<int32_t>(S);
    }
    const uint32_t N = ReadInt<uint32_t>(S);
    // Each pair takes at least its two lengths.
    if (Int64(N) > BytesLeft(S) / 8)
        throw EReadError("Stream read error");
    FilterClasses->Clear();
    FilterMessages->Clear();
    for (uint32_t I = 0; I < N; ++I) {
        FilterClasses->Add(ReadStr(S));
        FilterMessages->Add(ReadStr(S));
    }
    EmailMessage = ReadStr(S);
    for (int I = 0; I < CustomTextCount; ++I)
        if (V >= CustomTextSince(I))
            CustomTexts[size_t(I)] = ReadStr(S);
}
