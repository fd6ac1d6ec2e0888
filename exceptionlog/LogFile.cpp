#include "exceptionlog/LogFile.h"

#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"

#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <unistd.h>

#include <cstdio>

namespace {

const char CRLF[] = "\r\n";
const char ItemEnd[] = "\r\n\r\n\r\n";
const char PieceBreak[] = "\r\n\r\n\r\n\r\n";
const char TableStart[] = "-\r\n|";
const char TableEnd[] = "-\r\n\r\n";

// 1-based position of Sub in S at or after From; 0 when absent.
int PosFrom(const AnsiString& Sub, const AnsiString& S, int From)
{
    if (From < 1)
        From = 1;
    const size_t P = S.Std().find(Sub.Std(), size_t(From - 1));
    return P == std::string::npos ? 0 : int(P) + 1;
}

// Lone CR and lone LF become CR LF.
AnsiString NormaliseLineEnds(const AnsiString& Text)
{
    const std::string& S = Text.Std();
    std::string Out;
    Out.reserve(S.size() + S.size() / 16);
    for (size_t I = 0; I < S.size(); ++I) {
        const char C = S[I];
        if (C == '\r') {
            Out += CRLF;
            if (I + 1 < S.size() && S[I + 1] == '\n')
                ++I;
        } else if (C == '\n') {
            Out += CRLF;
        } else {
            Out += C;
        }
    }
    return Out;
}

// A value as the General part would hold it: lines trimmed, ": " made
// ":_" and empty lines "." when the value has several lines.
AnsiString LaidOutValue(const AnsiString& Value)
{
    if (Value.Pos(CRLF) == 0)
        return Trim(Value);
    const std::vector<AnsiString> Lines = LogValueLines(Value);
    AnsiString Out;
    for (size_t I = 0; I < Lines.size(); ++I)
        Out += (I > 0 ? AnsiString(CRLF) : AnsiString()) + Lines[I];
    return Out;
}

// Start of the line that holds 1-based position P.
int LineStart(const AnsiString& S, int P)
{
    const size_t At = S.Std().rfind('\n', size_t(std::max(P - 2, 0)));
    return P <= 1 || At == std::string::npos ? 1 : int(At) + 2;
}

std::vector<AnsiString> SplitCells(const AnsiString& Row)
{
    std::vector<AnsiString> Cells;
    const std::string& S = Row.Std();
    size_t Start = 1;
    while (Start < S.size()) {
        const size_t P = S.find('|', Start);
        if (P == std::string::npos)
            break;
        Cells.emplace_back(Trim(AnsiString(S.substr(Start, P - Start))));
        Start = P + 1;
    }
    return Cells;
}

// The columns Col..Col+Count-1 (1-based) of a line, trimmed.
AnsiString Columns(const AnsiString& Line, int Col, int Count)
{
    return Trim(Line.SubString(Col, Count));
}

void AddThreadAttributes(TXMLItem* Thread, const AnsiString& Row)
{
    // "<title>: ID=1; Priority=0; Class=TThread; Main": the name=value parts
    // in order, and a part without "=" as the main-thread mark.
    const int Colon = Row.Pos(": ");
    const AnsiString Rest = Colon > 0 ? Row.SubString(Colon + 2, Row.Length()) : AnsiString();
    const char* const Names[] = {"ID", "Priority", "Class"};
    AnsiString Values[3];
    int Next = 0;
    bool Main = false;
    int Start = 1;
    while (Start <= Rest.Length()) {
        int End = PosFrom("; ", Rest, Start);
        if (End == 0)
            End = Rest.Length() + 1;
        const AnsiString Part = Trim(Rest.SubString(Start, End - Start));
        const int Eq = Part.Pos("=");
        if (Eq > 0 && Next < 3)
            Values[Next++] = Part.SubString(Eq + 1, Part.Length());
        else if (Eq == 0 && !Part.IsEmpty())
            Main = true;
        Start = End + 2;
    }
    for (int I = 0; I < 3; ++I)
        Thread->AddAttribute(Names[I], Values[I]);
    Thread->AddAttribute("MainThread", Main ? "True" : "False");
}

// Indents every line but the first and the last by two blanks.
AnsiString IndentInner(const AnsiString& Text)
{
    const std::string& S = Text.Std();
    const size_t Last = S.rfind(CRLF);
    if (Last == std::string::npos)
        return Text;
    std::string Out;
    Out.reserve(S.size() + S.size() / 16);
    size_t Start = 0;
    for (size_t P = S.find(CRLF); P != Last; P = S.find(CRLF, Start)) {
        Out.append(S, Start, P + 2 - Start);
        Out += "  ";
        Start = P + 2;
    }
    Out.append(S, Start, std::string::npos);
    return Out;
}

// The XML copy takes at most this many lines of each part of a report: far
// more than a report holds (a few hundred frames and modules), and a log
// made of a million rows cannot make the copy a hundred times its size.
// The text copy that travels beside it keeps every line.
constexpr size_t MaxXMLLines = 20000;

}  // namespace

AnsiString XMLEscape(const AnsiString& Value)
{
    AnsiString Out;
    for (int I = 1; I <= Value.Length(); ++I) {
        const unsigned char B = static_cast<unsigned char>(Value[I]);
        const char32_t C = cp1251::ToUnicode(B);
        const bool Plain = B >= 32 && B < 127 && B != '"' && B != '&' && B != '\'' &&
                           B != '<' && B != '>';
        if (Plain) {
            Out += char(B);
            continue;
        }
        // XML 1.0 holds no other control character, not even as a reference.
        if (B < 32 && B != 9 && B != 10 && B != 13)
            continue;
        char Buf[16];
        std::snprintf(Buf, sizeof Buf, "&#%03u;", unsigned(C));
        Out += Buf;
    }
    return Out;
}

// ---- TXMLItem ------------------------------------------------------------------

TXMLItems::~TXMLItems()
{
    while (!FItems.empty())
        FItems.pop_back();
}

TXMLItem* TXMLItems::Add(const AnsiString& Name)
{
    FItems.push_back(std::make_unique<TXMLItem>(Name));
    return FItems.back().get();
}

PRICETAGS_DEFINE_CLASS(TXMLItem)

TXMLItem::TXMLItem(const AnsiString& AName) : Name(AName) {}

TXMLItem::~TXMLItem() = default;

TXMLItem* TXMLItem::AddItem(const AnsiString& AName)
{
    TXMLItem* Child = Children.Add(AName);
    Child->Parent = this;
    return Child;
}

void TXMLItem::AddAttribute(const AnsiString& AttrName, const AnsiString& Value)
{
    Attributes += " " + AttrName + "=\"" + XMLEscape(Value) + "\"";
}

void TXMLItem::GetXML(AnsiString& Output)
{
    Output = Indent + "<" + Name + Attributes;
    if (Text.IsEmpty() && Children.Count() == 0) {
        Output += "/>\r\n";
        return;
    }
    Output += ">" + Text;
    if (Children.Count() > 0) {
        Output += CRLF;
        for (int I = 0; I < Children.Count(); ++I) {
            TXMLItem* Child = Children.Items(I);
            Child->Indent = Indent + "  " + Indent;
            AnsiString ChildText;
            Child->GetXML(ChildText);
            Output += ChildText;
        }
        Output += Indent;
    }
    Output += "</" + Name + ">\r\n";
}

// ---- TLogFile ------------------------------------------------------------------

AnsiString LogFileName(const TRazuroModuleOptions& Options, const AnsiString& StartFolder,
                       const AnsiString& ProgramName, const AnsiString& ComputerName)
{
    if (SameText(ExtractFileExt(Options.OutputPath), ".elf"))
        return Options.OutputPath;
    AnsiString Name = ChangeFileExt(ExtractFileName(ProgramName), "");
    if (Options.LogOptions & 0x08)
        Name += "_" + ComputerName;
    const AnsiString Folder = Options.OutputPath.IsEmpty() ? StartFolder : Options.OutputPath;
    return IncludeTrailingPathDelimiter(Folder) + Name + ".elf";
}

PRICETAGS_DEFINE_CLASS(TLogFile)

TLogFile::TLogFile(const AnsiString& AFileName, bool ReadOnly)
    : FFileName(AFileName), Items(std::make_unique<TStringList>())
{
    if (FFileName.IsEmpty())
        return;
    const AnsiString Dir = ExtractFileDir(ExpandFileName(FFileName));
    if (!ReadOnly && access(Dir.ToUtf8().c_str(), W_OK) != 0)
        FFileName = GetUserLogFolder() + ExtractFileName(FFileName);
    if (!FileExists(FFileName))
        return;
    TFileStream File(FFileName, fmOpenRead | fmShareDenyNone);
    const Int64 Size = File.Size();
    const bool Cut = Size > MaxLogFileSize;
    const Int64 Length = Cut ? MaxLogFileSize : Size;
    AnsiString Text;
    Text.SetLength(int(Length));
    File.SetPosition(Size - Length);
    if (Length > 0)
        File.ReadBuffer(Text.Data(), int(Length));
    std::vector<AnsiString> Reports = ParseLogText(Text);
    // Of a log cut at the front the first report is only a tail.
    if (Cut && !Reports.empty())
        Reports.erase(Reports.begin());
    for (const AnsiString& R : Reports)
        Items->Add(R);
}

TLogFile::~TLogFile() = default;

std::vector<AnsiString> TLogFile::ParseLogText(const AnsiString& Raw)
{
    AnsiString S = Raw;
    if (S.Length() >= 6 && S.SubString(S.Length() - 5, 6) != ItemEnd)
        S += ItemEnd;
    S = NormaliseLineEnds(S);
    std::vector<AnsiString> Pieces;
    const std::string& T = S.Std();
    size_t Start = 0;
    while (Start < T.size()) {
        // The end of the text closes the last report too: a log whose last
        // report ends with three line breaks must not lose it.
        size_t Run = T.find(PieceBreak, Start);
        if (Run == std::string::npos)
            Run = T.size();
        std::string Body = T.substr(Start, Run - Start);
        while (Body.size() >= 2 && Body.compare(Body.size() - 2, 2, CRLF) == 0)
            Body.resize(Body.size() - 2);
        const AnsiString Piece(Body + ItemEnd);
        if (Piece.Pos(TableStart) > 0)
            Pieces.push_back(Piece);
        if (Run == T.size())
            break;
        // A longer run of line breaks belongs to the break, so the next
        // report starts at its first line.
        Start = Run + 8;
        while (T.compare(Start, 2, CRLF) == 0)
            Start += 2;
    }
    return Pieces;
}

int TLogFile::Count() const
{
    return Items->Count();
}

AnsiString TLogFile::Text() const
{
    AnsiString Out;
    for (int I = 0; I < Items->Count(); ++I)
        Out += Items->Strings(I) + CRLF;
    return Out;
}

AnsiString TLogFile::Item(int Index) const
{
    return Index >= 0 && Index < Items->Count() ? Items->Strings(Index) : AnsiString();
}

void TLogFile::Add(const AnsiString& ReportText, int MaxCount)
{
    // A limit below 1 would delete from an empty list.
    const int Limit = MaxCount < 1 ? 1 : MaxCount;
    while (Items->Count() >= Limit)
        Items->Delete(0);
    // Stored without the report's own closing line breaks, so reports in the
    // file are parted by exactly four and read back as written.
    AnsiString Body = ReportText;
    while (Body.Length() >= 2 && Body.SubString(Body.Length() - 1, 2) == CRLF)
        Body.SetLength(Body.Length() - 2);
    Items->Add(Body + ItemEnd);
}

void TLogFile::Save()
{
    if (FFileName.IsEmpty())
        return;
    AnsiString Body = Text();
    Body.SetLength(Body.Length() - 2);
    // The old log stays whole until the new one is completely written.
    const AnsiString Temp = FFileName + ".tmp" + IntToStr(Int64(getpid()));
    try {
        {
            TFileStream Out(Temp, fmCreate);
            if (Body.Length() > 0)
                Out.WriteBuffer(Body.Data(), Body.Length());
            fsync(Out.Handle());
        }
        if (!RenameFileReplacing(Temp, FFileName))
            throw EFCreateError("Cannot create file " + FFileName);
    } catch (...) {
        DeleteFile(Temp);
        throw;
    }
}

AnsiString TLogFile::GetValue(int Index, const AnsiString& FieldId) const
{
    const AnsiString R = Item(Index);
    const int At = R.Pos(AnsiString(CRLF) + "  " + FieldId + " ");
    if (At == 0)
        return AnsiString();
    const std::vector<AnsiString> Lines = SplitCrLfLines(R.SubString(At + 2, R.Length()));
    const int Colon = Lines[0].Pos(": ");
    if (Colon == 0)
        return AnsiString();
    AnsiString Value = Trim(Lines[0].SubString(Colon + 2, Lines[0].Length()));
    for (size_t I = 1; I < Lines.size(); ++I) {
        const AnsiString L = Trim(Lines[I]);
        if (L.IsEmpty() || Lines[I].Pos(": ") > 0)
            break;
        Value += CRLF + L;
    }
    return Value;
}

bool TLogFile::Matches(int Index, const std::vector<AnsiString>& FieldIds,
                       const std::vector<AnsiString>& Values) const
{
    if (Index < 0 || Index >= Count() || FieldIds.size() != Values.size())
        return false;
    for (size_t I = 0; I < FieldIds.size(); ++I)
        if (GetValue(Index, FieldIds[I]) != LaidOutValue(Values[I]))
            return false;
    return true;
}

bool TLogFile::Find(const std::vector<AnsiString>& FieldIds,
                    const std::vector<AnsiString>& Values) const
{
    for (int I = 0; I < Count(); ++I)
        if (Matches(I, FieldIds, Values))
            return true;
    return false;
}

AnsiString TLogFile::GetGeneral(int Index) const
{
    const AnsiString R = Item(Index);
    const int Rule = R.Pos(TableStart);
    if (Rule == 0)
        return AnsiString();
    const int RuleLine = LineStart(R, Rule);
    const int TitleLine = LineStart(R, RuleLine - 2);
    AnsiString G = R.SubString(1, TitleLine - 1);
    while (G.Length() > 0 && (G[G.Length()] == '\r' || G[G.Length()] == '\n' ||
                              G[G.Length()] == ' '))
        G.SetLength(G.Length() - 1);
    return G;
}

namespace {

// The table whose rule line holds position RulePos: from that line to the
// first rule followed by an empty line, inclusive. Sets End past it.
AnsiString TableFrom(const AnsiString& R, int RulePos, int& End)
{
    const int Close = PosFrom(TableEnd, R, RulePos + 1);
    if (Close == 0)
        return AnsiString();
    const int Start = LineStart(R, RulePos);
    End = Close + 5;
    return R.SubString(Start, End - Start);
}

}  // namespace

AnsiString TLogFile::GetCallStack(int Index) const
{
    const AnsiString R = Item(Index);
    const int Rule = R.Pos(TableStart);
    int End = 0;
    return Rule == 0 ? AnsiString() : TableFrom(R, Rule, End);
}

AnsiString TLogFile::GetModules(int Index) const
{
    const AnsiString R = Item(Index);
    const int Rule = R.Pos(TableStart);
    int End = 0;
    if (Rule == 0 || TableFrom(R, Rule, End).IsEmpty())
        return AnsiString();
    // The next section's title, its rule, and a table row after it.
    const int Title = PosFrom(":\r\n-", R, End);
    if (Title == 0)
        return AnsiString();
    const int RuleEnd = PosFrom(CRLF, R, Title + 3);
    if (RuleEnd == 0 || RuleEnd + 2 > R.Length() || R[RuleEnd + 2] != '|')
        return AnsiString();
    return TableFrom(R, Title + 3, End);
}

AnsiString TLogFile::GetCPU(int Index) const
{
    const AnsiString R = Item(Index);
    const int Row = R.Pos(TableStart);
    if (Row == 0)
        return AnsiString();
    int At = Row;
    for (int Pass = 0; Pass < 2; ++Pass) {
        At = PosFrom("\r\n\r\n", R, At);
        if (At == 0)
            return AnsiString();
        At += 4;
    }
    int End = At;
    for (int Pass = 0; Pass < 2; ++Pass) {
        End = PosFrom("\r\n\r\n", R, End);
        if (End == 0)
            return AnsiString();
        End += 2;
    }
    const AnsiString CPU = R.SubString(At, End - At);
    return CPU.Pos("EAX") > 0 || CPU.Pos("RAX") > 0 ? CPU : AnsiString();
}

AnsiString TLogFile::GetHowToReproduce(int Index) const
{
    const AnsiString R = Item(Index);
    int At = 1;
    for (int Table = 0; Table < 3; ++Table) {
        At = PosFrom(TableEnd, R, At);
        if (At == 0)
            return AnsiString();
        At += 5;
    }
    for (int Title = 0; Title < 3; ++Title) {
        At = PosFrom(":\r\n-", R, At);
        if (At == 0)
            return AnsiString();
        At += 3;
    }
    const int LineEnd = PosFrom(CRLF, R, At);
    if (LineEnd == 0)
        return AnsiString();
    const int End = PosFrom("\r\n\r\n", R, LineEnd);
    const int Start = LineEnd + 2;
    return End == 0 || End < Start ? AnsiString() : R.SubString(Start, End - Start);
}

namespace {

void GeneralToXML(const AnsiString& General, TXMLItem* Root)
{
    const std::vector<AnsiString> Lines = SplitCrLfLines(General, MaxXMLLines);
    TXMLItem* Group = nullptr;
    AnsiString GroupTitle;
    TXMLItem* Line = nullptr;
    AnsiString Value;
    const auto CloseLine = [&] {
        if (!Line)
            return;
        std::vector<AnsiString> V = SplitCrLfLines(Value);
        if (V.size() > 1 && V.front() == ".")
            V.erase(V.begin());
        if (V.size() > 1 && V.back() == ".")
            V.pop_back();
        AnsiString Joined;
        for (size_t I = 0; I < V.size(); ++I)
            Joined += (I > 0 ? AnsiString(CRLF) : AnsiString()) + V[I];
        Joined = StringReplace(Joined, ":_", ": ", rfReplaceAll);
        Joined = StringReplace(Joined, "\n.\r", "\n\r", rfReplaceAll);
        Line->AddAttribute("Value", Joined);
        Line = nullptr;
    };
    for (size_t I = 2; I < Lines.size(); ++I) {
        const AnsiString& L = Lines[I];
        if (L.IsEmpty()) {
            CloseLine();
            Group = nullptr;
            continue;
        }
        const bool Field = L.Length() > 3 && L[1] == ' ' && L[2] == ' ' && L[3] >= '0' &&
                           L[3] <= '9';
        if (!Group && !Field && L[L.Length()] == ':') {
            Group = Root->AddItem("Group");
            GroupTitle = L.SubString(1, L.Length() - 1);
            ++I;  // the rule
            continue;
        }
        if (Group && Field) {
            CloseLine();
            const AnsiString Body = L.SubString(3, L.Length());
            const int Blank = Body.Pos(" ");
            const int Colon = Body.Pos(": ");
            if (Blank == 0 || Colon == 0)
                continue;
            if (Group->Attributes.IsEmpty()) {
                const AnsiString Id = Body.SubString(1, Blank - 1);
                Group->AddAttribute("ID", Id.SubString(1, Id.Pos(".") - 1));
                Group->AddAttribute("Label", GroupTitle);
            }
            Line = Group->AddItem("Line");
            Line->AddAttribute("ID", Body.SubString(1, Blank - 1));
            Line->AddAttribute("Label", Trim(Body.SubString(Blank + 1, Colon - Blank - 1)));
            Value = Body.SubString(Colon + 2, Body.Length());
            continue;
        }
        if (Line)
            Value += CRLF + Trim(L);
    }
    CloseLine();
}

void CallStackToXML(const AnsiString& Table, bool OldVersion, TXMLItem* Root)
{
    const std::vector<AnsiString> Lines = SplitCrLfLines(Table, MaxXMLLines);
    TXMLItem* Thread = OldVersion ? Root->AddItem("ExceptionThread") : nullptr;
    TXMLItem* Current = Thread;
    bool TopLevel = true;
    bool First = true;
    for (size_t I = 3; I < Lines.size(); ++I) {
        const AnsiString& L = Lines[I];
        if (L.Length() < 2 || L[1] != '|' || L[2] == '-')
            continue;
        const std::vector<AnsiString> Cells = SplitCells(L);
        if (Cells.size() < 6) {
            const AnsiString Only = Cells.empty() ? AnsiString() : Cells[0];
            if (Only.IsEmpty()) {
                TopLevel = true;
                continue;
            }
            if (OldVersion)
                continue;
            if (TopLevel || !Thread) {
                Thread = Root->AddItem(First ? "ExceptionThread" : "RunningThread");
                Current = Thread;
                First = false;
            } else {
                Current = Thread->AddItem("CallingThread");
            }
            TopLevel = false;
            AddThreadAttributes(Current, Only);
            continue;
        }
        if (!Current)
            Current = Thread = Root->AddItem("ExceptionThread");
        TXMLItem* Line = Current->AddItem("Line");
        const char* const Names[] = {"Address", "Module", "Unit", "Class", "Procedure"};
        for (int C = 0; C < 5; ++C)
            Line->AddAttribute(Names[C], Cells[size_t(C)]);
        const AnsiString& No = Cells[5];
        const int Bracket = No.Pos("[");
        Line->AddAttribute("Number", Bracket > 0 ? No.SubString(1, Bracket - 1) : No);
        const int Close = No.Pos("]");
        Line->AddAttribute("Offset", Bracket > 0 && Close > Bracket
                                         ? No.SubString(Bracket + 1, Close - Bracket - 1)
                                         : AnsiString());
    }
}

void ModulesToXML(const AnsiString& Table, TXMLItem* Root)
{
    const std::vector<AnsiString> Lines = SplitCrLfLines(Table, MaxXMLLines);
    // Line 2 is the header row, not a module.
    for (size_t I = 3; I < Lines.size(); ++I) {
        const AnsiString& L = Lines[I];
        if (L.Length() < 2 || L[1] != '|' || L[2] == '-')
            continue;
        const std::vector<AnsiString> Cells = SplitCells(L);
        if (Cells.size() < 6)
            continue;
        TXMLItem* M = Root->AddItem("Module");
        const char* const Names[] = {"Handle", "Name", "Description", "Version", "Size"};
        for (int C = 0; C < 5; ++C)
            M->AddAttribute(Names[C], Cells[size_t(C)]);
        if (Cells.size() >= 7) {
            M->AddAttribute("Modified", Cells[5]);
            M->AddAttribute("Path", Cells[6]);
        } else {
            M->AddAttribute("Path", Cells[5]);
        }
    }
}

void CPUToXML(const AnsiString& CPU, TXMLItem* Root)
{
    const std::vector<AnsiString> Lines = SplitCrLfLines(CPU, MaxXMLLines);
    TXMLItem* Regs = Root->AddItem("Registers");
    if (Lines.size() >= 6 && Lines[2].Length() >= 5) {
        // The register names tell the width: EAX.. 8 digits, RAX.. 16.
        const int W = Lines[2][1] == 'R' ? 16 : 8;
        const bool Known = Lines[2].Pos("????") == 0;
        if (Known) {
            for (int Half = 0; Half < 2; ++Half)
                for (size_t I = 2; I < 6; ++I) {
                    const AnsiString& L = Lines[I];
                    const int NameCol = Half == 0 ? 1 : W + 9;
                    const int ValueCol = Half == 0 ? 6 : W + 14;
                    Regs->AddAttribute(L.SubString(NameCol, 3), Columns(L, ValueCol, W));
                }
        }
    }
    TXMLItem* Stack = Root->AddItem("Stack");
    TXMLItem* Dump = Root->AddItem("MemoryDump");
    for (size_t I = 9; I < Lines.size(); ++I) {
        const AnsiString& L = Lines[I];
        const int W = L.Pos(":") - 1;
        if (W != 8 && W != 16)
            continue;
        TXMLItem* S = Stack->AddItem("Line");
        S->AddAttribute("Address", Columns(L, 1, W));
        S->AddAttribute("Value", Columns(L, W + 3, W));
        TXMLItem* D = Dump->AddItem("Line");
        D->AddAttribute("Address", Columns(L, 2 * W + 6, W));
        D->AddAttribute("Bytes", Columns(L, 3 * W + 9, 47));
        D->AddAttribute("Chars", L.SubString(3 * W + 57, 16));
    }
}

AnsiString ElementText(TXMLItem& Item)
{
    AnsiString Out;
    Item.GetXML(Out);
    return Out;
}

}  // namespace

AnsiString TLogFile::ToXML(int Index) const
{
    const AnsiString R = Item(Index);
    const int FirstLineEnd = R.Pos(CRLF);
    const AnsiString Version =
        R.SubString(11, (FirstLineEnd > 0 ? FirstLineEnd : R.Length() + 1) - 11);
    const bool Old = Version < AnsiString("5.0.0");

    TXMLItem General("General");
    GeneralToXML(GetGeneral(Index), &General);
    TXMLItem CallStack("CallStack");
    CallStackToXML(GetCallStack(Index), Old, &CallStack);
    TXMLItem Modules("Modules");
    ModulesToXML(GetModules(Index), &Modules);
    TXMLItem CPU("CPU");
    CPUToXML(GetCPU(Index), &CPU);

    AnsiString Out = "<Log Version=\"" + XMLEscape(Version) + "\">\r\n" + ElementText(General) +
                     ElementText(CallStack) + ElementText(Modules) + ElementText(CPU);
    if (Old) {
        TXMLItem How("HoToReproduce");
        How.AddAttribute("Text", GetHowToReproduce(Index));
        Out += ElementText(How);
    }
    return IndentInner(Out + "</Log>");
}

AnsiString TLogFile::LogToXML() const
{
    AnsiString Out = "<Doc>\r\n";
    for (int I = 0; I < Count(); ++I)
        Out += ToXML(I) + CRLF;
    return IndentInner(Out + "</Doc>");
}

void TLogFile::SaveToXML(const AnsiString& XMLFileName) const
{
    // LogToXML's text with a closing CR LF, written a report at a time so a
    // long log never stands whole in memory twice.
    TFileStream Out(XMLFileName, fmCreate);
    const auto Put = [&Out](const AnsiString& Text) { Out.WriteBuffer(Text.Data(), Text.Length()); };
    Put("<Doc>\r\n");
    for (int I = 0; I < Count(); ++I)
        Put("  " + StringReplace(ToXML(I), CRLF, "\r\n  ", rfReplaceAll) + CRLF);
    Put("</Doc>\r\n");
}
