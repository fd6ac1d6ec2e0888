#include "exceptionlog/LogText.h"

#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"

#include "platform/classes/Strings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

const char CRLF[] = "\r\n";

const char* const DayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Option texts of the report, by index.
enum ReportText {
    rtApplication = 22, rtException = 28, rtActiveControls = 34, rtComputer = 39,
    rtOperatingSystem = 49, rtNetwork = 54,
    rtCallStackInfo = 7, rtModulesInfo = 9,
    rtAddress = 62, rtMain = 68, rtExceptionThread = 69, rtRunningThread = 70,
    rtCallingThread = 71, rtID = 72, rtPriority = 73, rtClass = 74,
    rtHandle = 84, rtRegisters = 91, rtStack = 92, rtMemoryDump = 93,
};

// Each General field's label text and the section it opens (or -1).
struct FieldLayout {
    int Label;
    int SectionTitle;
};
constexpr FieldLayout Layout[gfCount] = {
    {23, rtApplication}, {24, -1}, {25, -1}, {26, -1}, {27, -1},
    {29, rtException}, {30, -1}, {31, -1}, {32, -1}, {33, -1},
    {35, rtActiveControls}, {36, -1}, {37, -1}, {38, -1},
    {40, rtComputer}, {41, -1}, {42, -1}, {43, -1}, {44, -1}, {45, -1}, {46, -1}, {47, -1},
    {48, -1},
    {50, rtOperatingSystem}, {51, -1}, {52, -1}, {53, -1},
    {55, rtNetwork}, {56, -1}, {57, -1}, {58, -1}, {59, -1}, {60, -1},
};

AnsiString JoinLines(const std::vector<AnsiString>& Lines)
{
    AnsiString Out;
    for (size_t I = 0; I < Lines.size(); ++I) {
        if (I > 0)
            Out += CRLF;
        Out += Lines[I];
    }
    return Out;
}

AnsiString PadRight(const AnsiString& S, int Width)
{
    return S.Length() >= Width ? S : S + StringOfChar(' ', Width - S.Length());
}

// One section of the General part: title, rule, field lines.
std::vector<AnsiString> AlignSection(const std::vector<AnsiString>& Lines, size_t From, size_t To)
{
    int Column = 0;
    for (size_t I = From + 2; I < To; ++I)
        Column = std::max(Column, Lines[I].Pos(": "));
    std::vector<AnsiString> Out{Lines[From], AnsiString()};
    int Longest = Lines[From].Length();
    for (size_t I = From + 2; I < To; ++I) {
        AnsiString L = Lines[I];
        const int P = L.Pos(": ");
        if (P > 0)
            L = L.SubString(1, P - 1) + StringOfChar(' ', Column - P) + L.SubString(P, L.Length());
        else
            L = StringOfChar(' ', Column) + L;
        Longest = std::max(Longest, L.Length());
        Out.push_back(L);
    }
    Out[1] = StringOfChar('-', Longest);
    return Out;
}

AnsiString TableRow(const std::vector<AnsiString>& Cells, const std::vector<int>& Widths)
{
    AnsiString Row = "|";
    for (size_t I = 0; I < Cells.size(); ++I)
        Row += PadRight(Cells[I], Widths[I]) + "|";
    return Row;
}

std::vector<int> ColumnWidths(const std::vector<AnsiString>& Headers,
                              const std::vector<std::vector<AnsiString>>& Rows, int FirstMin)
{
    std::vector<int> W;
    for (const AnsiString& H : Headers)
        W.push_back(H.Length());
    W[0] = std::max(W[0], FirstMin);
    for (const auto& R : Rows)
        for (size_t I = 0; I < R.size(); ++I)
            W[I] = std::max(W[I], R[I].Length());
    return W;
}

int Sum(const std::vector<int>& W)
{
    int S = 0;
    for (const int X : W)
        S += X;
    return S;
}

AnsiString ShortSection(const AnsiString& Title)
{
    return Title + ":" + CRLF + StringOfChar('-', Title.Length() + 1) + CRLF + CRLF;
}

AnsiString ThreadDescription(const StackEntry& E, const TRazuroModuleOptions& O, int Block)
{
    const int Title = Block == 0 ? rtExceptionThread
                    : E.Running  ? rtRunningThread
                                 : rtCallingThread;
    AnsiString D = O.GetCustomText(Title) + ": " + O.GetCustomText(rtID) + "=" +
                   IntToStr(Int64(E.ThreadID)) + "; " + O.GetCustomText(rtPriority) + "=" +
                   IntToStr(E.Priority) + "; " + O.GetCustomText(rtClass) + "=" + E.ThreadClass;
    if (E.MainThread)
        D += "; " + O.GetCustomText(rtMain);
    return D;
}

uint64_t ReadLE(const std::string& Bytes, size_t At, int Count)
{
    uint64_t V = 0;
    for (int I = 0; I < Count; ++I)
        V |= uint64_t(static_cast<unsigned char>(Bytes[At + size_t(I)])) << (8 * I);
    return V;
}

AnsiString DumpText(const CPUContext& C, int W)
{
    const int Word = W / 2;
    if (C.Stack.size() < size_t(16 * Word) || C.Memory.size() < 256)
        return AnsiString();
    const uint64_t SP = C.Registers[5];
    AnsiString Out;
    for (int I = 0; I < 16; ++I) {
        Out += HexText(SP + uint64_t(Word * I), W) + ": " +
               HexText(ReadLE(C.Stack, size_t(Word * I), Word), W) + "   " +
               HexText(C.Registers[7] + uint64_t(16 * I), W) + ": ";
        AnsiString Chars;
        for (int B = 0; B < 16; ++B) {
            const unsigned char Ch = static_cast<unsigned char>(C.Memory[size_t(16 * I + B)]);
            Out += " " + HexText(Ch, 2);
            Chars += Ch >= 32 && Ch <= 126 ? char(Ch) : '.';
        }
        Out += " " + Chars + CRLF;
    }
    return Out;
}

}  // namespace

// ---- TLogItem ------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TLogItem)

TLogItem::TLogItem(Integer AFirstSection) : FirstSection(AFirstSection)
{
    Clear();
}

void TLogItem::Clear()
{
    Text = AnsiString();
    Section = FirstSection;
    Line = 0;
}

void TLogItem::AddSection(const AnsiString& Title)
{
    ++Section;
    Line = 0;
    if (!Text.IsEmpty())
        Text += "\r\n\r\n";
    Text += Title + ":" + CRLF + "-";
}

void TLogItem::AddLine(const AnsiString& Label, const AnsiString& Value, bool Visible)
{
    ++Line;
    if (!Visible)
        return;
    const AnsiString Prefix = "  " + IntToStr(Section) + "." + IntToStr(Line) + " " + Label + ": ";
    if (Value.Pos(CRLF) == 0) {
        Text += CRLF + Prefix + Value;
        return;
    }
    const std::vector<AnsiString> Lines = LogValueLines(Value);
    AnsiString Joined;
    for (size_t I = 0; I < Lines.size(); ++I) {
        if (I > 0)
            Joined += AnsiString(CRLF) + " ";
        Joined += Lines[I];
    }
    Text += CRLF + Prefix + Joined;
}

void TLogItem::Format(AnsiString& Output) const
{
    const std::vector<AnsiString> Lines = SplitCrLfLines(Text);
    std::vector<AnsiString> Out;
    size_t I = 0;
    while (I < Lines.size()) {
        if (Lines[I].IsEmpty()) {
            ++I;
            continue;
        }
        size_t End = I + 2;
        while (End < Lines.size() && !Lines[End].IsEmpty())
            ++End;
        // A section none of whose fields is visible is left out.
        if (End > I + 2 && I + 1 < Lines.size()) {
            if (!Out.empty())
                Out.push_back(AnsiString());
            const std::vector<AnsiString> Section = AlignSection(Lines, I, End);
            Out.insert(Out.end(), Section.begin(), Section.end());
        }
        I = End;
    }
    Output = JoinLines(Out);
}

// ---- texts ---------------------------------------------------------------------

AnsiString HexText(uint64_t Value, int Width)
{
    static const char Digits[] = "0123456789ABCDEF";
    AnsiString S;
    S.SetLength(Width);
    for (int I = Width; I >= 1; --I) {
        S[I] = Digits[Value & 15];
        Value >>= 4;
    }
    return S;
}

AnsiString MailDateText(TDateTime LocalTime, int OffsetMinutes)
{
    Word Y = 0, M = 0, D = 0, H = 0, N = 0, S = 0, MS = 0;
    DecodeDate(LocalTime, Y, M, D);
    DecodeTime(LocalTime, H, N, S, MS);
    const int Abs = OffsetMinutes < 0 ? -OffsetMinutes : OffsetMinutes;
    char Buf[64];
    std::snprintf(Buf, sizeof Buf, "%s, %d %s %d %02d:%02d:%02d %c%02d%02d",
                  DayNames[DayOfWeek(LocalTime) - 1], D, MonthNames[M - 1], Y, H, N, S,
                  OffsetMinutes < 0 ? '-' : '+', Abs / 60, Abs % 60);
    return Buf;
}

AnsiString MailDateText(TDateTime LocalTime)
{
    // The offset in force at that local time (summer time included).
    Word Y = 0, M = 0, D = 0, H = 0, N = 0, S = 0, MS = 0;
    DecodeDate(LocalTime, Y, M, D);
    DecodeTime(LocalTime, H, N, S, MS);
    std::tm T{};
    T.tm_year = Y - 1900;
    T.tm_mon = M - 1;
    T.tm_mday = D;
    T.tm_hour = H;
    T.tm_min = N;
    T.tm_sec = S;
    T.tm_isdst = -1;
    std::mktime(&T);
    return MailDateText(LocalTime, int(T.tm_gmtoff / 60));
}

AnsiString UpTimeText(uint64_t Seconds)
{
    const auto Unit = [](uint64_t N, const char* Name) {
        return IntToStr(Int64(N)) + " " + Name + (N >= 2 ? "s" : "");
    };
    const uint64_t Days = Seconds / 86400, Hours = Seconds / 3600 % 24;
    const uint64_t Minutes = Seconds / 60 % 60, Secs = Seconds % 60;
    AnsiString Out;
    if (Days != 0)
        Out += Unit(Days, "day") + ", ";
    if (Hours != 0)
        Out += Unit(Hours, "hour") + ", ";
    return Out + Unit(Minutes, "minute") + ", " + Unit(Secs, "second");
}

AnsiString ExceptionAddressText(uint64_t Address, int Width)
{
    return Address == 0 ? AnsiString() : HexText(Address, Width);
}

AnsiString ExceptionTypeText(const AnsiString& ClassName)
{
    return ClassName.IsEmpty() ? AnsiString("Unknown exception type.") : ClassName;
}

AnsiString ExceptionMessageText(const AnsiString& Message, bool RuntimeException)
{
    if (!RuntimeException)
        return "Unknown error message.";
    if (Message.IsEmpty() || Message[Message.Length()] != '.')
        return Message + ".";
    return Message;
}

AnsiString ControlText(const AnsiString& Text)
{
    return FlattenControlChars(Text.SubString(1, 255));
}

// ---- report parts ----------------------------------------------------------------

AnsiString CallStackText(const ReportData& Data, const TRazuroModuleOptions& O)
{
    const int W = Data.AddressWidth;
    std::vector<AnsiString> Headers;
    for (int I = 0; I < 6; ++I)
        Headers.push_back(O.GetCustomText(rtAddress + I));
    std::vector<std::vector<AnsiString>> Rows;
    const bool Offsets = O.CallStackOptions & csoLineOffsets;
    if (Data.CallStack)
        for (const StackEntry& E : *Data.CallStack) {
            AnsiString Line;
            if (E.Line != 0)
                Line = IntToStr(E.Line) + (Offsets ? "[" + IntToStr(E.LineOffset) + "]" : "");
            Rows.push_back({HexText(E.Address, W), E.Module, E.UnitName, E.ClassName,
                            E.ProcedureName, Line});
        }
    const std::vector<int> Widths = ColumnWidths(Headers, Rows, W);
    const AnsiString Rule = StringOfChar('-', Sum(Widths) + 7);
    const int Inner = Sum(Widths) + 5;
    AnsiString T = O.GetCustomText(rtCallStackInfo) + ":" + CRLF + Rule + CRLF +
                   TableRow(Headers, Widths) + CRLF + Rule + CRLF;
    int Block = 0;
    for (size_t I = 0; I < Rows.size(); ++I) {
        const StackEntry& E = (*Data.CallStack)[I];
        const StackEntry* Prev = I > 0 ? &(*Data.CallStack)[I - 1] : nullptr;
        if (!Prev || Prev->ThreadID != E.ThreadID || Prev->Running != E.Running) {
            if (Prev)
                T += "|" + StringOfChar('-', Inner) + "|" + CRLF;
            if (E.Running)
                T += "|" + StringOfChar(' ', Inner) + "|" + CRLF;
            T += "|" + PadRight(ThreadDescription(E, O, Block++), Inner) + "|" + CRLF;
            T += "|" + StringOfChar('-', Inner) + "|" + CRLF;
        }
        T += TableRow(Rows[I], Widths) + CRLF;
    }
    return T + Rule + CRLF + CRLF;
}

AnsiString ModulesText(const ReportData& Data, const TRazuroModuleOptions& O)
{
    const AnsiString Title = O.GetCustomText(rtModulesInfo);
    if (!(O.LogOptions & loModules))
        return ShortSection(Title);
    std::vector<AnsiString> Headers;
    for (int I = 0; I < 7; ++I)
        Headers.push_back(O.GetCustomText(rtHandle + I));
    std::vector<std::vector<AnsiString>> Rows;
    for (const ModuleRow& M : Data.Modules)
        Rows.push_back({AnsiString(), M.Name, M.Description, M.Version, IntToStr(M.Size),
                        M.Modified == 0 ? AnsiString()
                                        : FormatDateTime("yyyy-mm-dd hh:nn:ss", M.Modified),
                        M.Path});
    std::vector<int> Widths = ColumnWidths(Headers, Rows, Data.AddressWidth);
    // The handle takes as many digits as its column is wide.
    for (size_t I = 0; I < Rows.size(); ++I)
        Rows[I][0] = HexText(Data.Modules[I].Handle, Widths[0]);
    const AnsiString Rule = StringOfChar('-', Sum(Widths) + 8);
    AnsiString T =
        Title + ":" + CRLF + Rule + CRLF + TableRow(Headers, Widths) + CRLF + Rule + CRLF;
    for (const auto& R : Rows)
        T += TableRow(R, Widths) + CRLF;
    return T + Rule + CRLF + CRLF;
}

AnsiString CPUText(const ReportData& Data, const TRazuroModuleOptions& O)
{
    const AnsiString Title = O.GetCustomText(rtRegisters);
    if (!(O.LogOptions & loCPU))
        return ShortSection(Title);
    const int W = Data.AddressWidth;
    const char* const Names32[8] = {"EAX", "EDI", "EBX", "ESI", "ECX", "ESP", "EDX", "EIP"};
    const char* const Names64[8] = {"RAX", "RDI", "RBX", "RSI", "RCX", "RSP", "RDX", "RIP"};
    const char* const* Names = W == 8 ? Names32 : Names64;
    AnsiString Regs[8];
    for (int I = 0; I < 8; ++I)
        Regs[I] = Data.Context ? HexText(Data.Context->Registers[size_t(I)], W)
                               : PadRight("????", W);
    AnsiString T = Title + ":" + CRLF + StringOfChar('-', 2 * W + 13) + CRLF;
    for (int I = 0; I < 8; I += 2)
        T += AnsiString(Names[I]) + ": " + Regs[I] + "   " + Names[I + 1] + ": " + Regs[I + 1] +
             CRLF;
    T += CRLF + PadRight(O.GetCustomText(rtStack) + ":", 2 * W + 5) +
         O.GetCustomText(rtMemoryDump) + ":" + CRLF + StringOfChar('-', 2 * W + 2) + "   " +
         StringOfChar('-', W + 67) + CRLF;
    if (Data.Context)
        T += DumpText(*Data.Context, W);
    return T;
}

ReportTexts BuildReportText(const ReportData& Data, const TRazuroModuleOptions& O)
{
    TLogItem Item(0);
    for (int F = 0; F < gfCount; ++F) {
        if (Layout[F].SectionTitle >= 0)
            Item.AddSection(O.GetCustomText(Layout[F].SectionTitle));
        bool Visible = O.LogField(F);
        if (F >= gfFormClass && F <= gfControlText)
            Visible = Visible && Data.GUIApplication;
        Item.AddLine(O.GetCustomText(Layout[F].Label), Data.Fields[size_t(F)], Visible);
    }
    AnsiString General;
    Item.Format(General);
    ReportTexts R;
    R.General = AnsiString(ReportHeader) + CRLF + CRLF + General + CRLF;
    R.CPU = CPUText(Data, O);
    R.Report = R.General + CRLF + CallStackText(Data, O) + ModulesText(Data, O) + R.CPU;
    return R;
}

int ExceptionFilterIndex(const TRazuroModuleOptions& Options, const AnsiString& ClassName,
                         bool (*InheritsFrom)(const AnsiString& Name))
{
    for (int I = 0; I < Options.FilterClasses->Count(); ++I) {
        const AnsiString Name = Options.FilterClasses->Strings(I);
        if (InheritsFrom ? InheritsFrom(Name) : SameText(Name, ClassName))
            return I;
    }
    return -1;
}
