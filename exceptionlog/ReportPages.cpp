#include "exceptionlog/ReportPages.h"

#include "exceptionlog/ListViewItems.h"
#include "exceptionlog/LogFile.h"
#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/RichText.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/StdCtrls.h"
#include "platform/classes/IniFiles.h"
#include "platform/classes/UpdateScope.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// Texts of the options used by the pages.
enum PageText {
    ptGeneralTab = 4, ptGeneralLabel = 5, ptCallStackTab = 6, ptCallStackLabel = 7,
    ptModulesTab = 8, ptModulesLabel = 9, ptCPUTab = 10, ptCPULabel = 11, ptOtherTab = 12,
    ptOtherLabel = 13, ptAddress = 62, ptHandle = 84,
};

constexpr char CoordinatesSection[] = "Coordinates";

struct ColumnLayout {
    const char* Key;
    /// The default width; a column with a Fit text is widened past it
    /// until that text (the widest its cells hold) shows in the list's font.
    int Width;
    TAlignment Align;
    const char* Fit = nullptr;
};
/// A 64-bit address: 16 hex digits.
constexpr char AddressFit[] = "DDDDDDDDDDDDDDDD";
// Call-stack columns: address, module, unit, class, procedure, line.
constexpr ColumnLayout CallStackColumns[] = {
    {"Col0", 89, taLeftJustify, AddressFit}, {"Col1", 120, taLeftJustify}, {"Col2", 126, taLeftJustify},
    {"Col3", 126, taLeftJustify}, {"Col4", 200, taLeftJustify}, {"Col5", 61, taRightJustify},
};
// Module columns: handle, name, description, version, size, modified, path.
// "Modified" is stored under ColMod6 and "Path" under ColMod5, as ever.
constexpr ColumnLayout ModuleColumns[] = {
    {"ColMod0", 80, taLeftJustify, AddressFit}, {"ColMod1", 150, taLeftJustify},
    {"ColMod2", 175, taLeftJustify}, {"ColMod3", 50, taRightJustify, "00.00.x"},
    {"ColMod4", 54, taRightJustify, "0000000 Kb"}, {"ColMod6", 80, taLeftJustify, "0000-00-00 00:00:00"},
    {"ColMod5", 712, taLeftJustify},
};
// A stored width outside this range would hide a column or push the others
// out of reach: the default is taken instead.
constexpr int MinColumnWidth = 8;
constexpr int MaxColumnWidth = 4000;

// Rows of the report's tables: "|cell|cell|...|"; a rule is "|---...---|".
bool IsRule(const AnsiString& L)
{
    return L.Length() >= 2 && L[1] == '|' && L[2] == '-';
}

std::vector<AnsiString> Cells(const AnsiString& Row)
{
    std::vector<AnsiString> Out;
    const std::string& S = Row.Std();
    size_t Start = 1;
    for (size_t P = S.find('|', Start); P != std::string::npos; P = S.find('|', Start)) {
        Out.emplace_back(Trim(AnsiString(S.substr(Start, P - Start))));
        Start = P + 1;
    }
    return Out;
}

std::vector<AnsiString> SplitLines(const AnsiString& Text)
{
    std::vector<AnsiString> Lines;
    const std::string& S = Text.Std();
    size_t Start = 0;
    while (Start < S.size()) {
        size_t End = S.find('\n', Start);
        if (End == std::string::npos)
            End = S.size();
        std::string L = S.substr(Start, End - Start);
        if (!L.empty() && L.back() == '\r')
            L.pop_back();
        Lines.emplace_back(L);
        Start = End + 1;
    }
    return Lines;
}

// The rows of a table's text: its lines that begin with "|" but the first,
// which holds the column titles.
std::vector<AnsiString> TableRows(const AnsiString& Table)
{
    std::vector<AnsiString> Rows;
    bool Header = true;
    for (const AnsiString& L : SplitLines(Table)) {
        if (L.Length() < 2 || L[1] != '|')
            continue;
        if (!Header)
            Rows.push_back(L);
        Header = false;
    }
    return Rows;
}

std::vector<CallStackRow> CallStackRows(const AnsiString& Table)
{
    std::vector<CallStackRow> Rows;
    bool AfterSeparator = false;
    for (const AnsiString& L : TableRows(Table)) {
        if (IsRule(L))
            continue;
        std::vector<AnsiString> C = Cells(L);
        CallStackRow Row;
        if (C.size() >= 6) {
            C.resize(6);
            Row.Cells = std::move(C);
        } else if (C.empty() || C[0].IsEmpty()) {
            Row.Kind = CallStackRow::rkSeparator;
        } else {
            Row.Kind = CallStackRow::rkThread;
            Row.Caption = C[0];
            // The log parts the running threads from what went before by a
            // blank row.
            Row.Running = AfterSeparator;
        }
        AfterSeparator = Row.Kind == CallStackRow::rkSeparator;
        Rows.push_back(std::move(Row));
    }
    return Rows;
}

std::vector<std::vector<AnsiString>> ModuleRows(const AnsiString& Table)
{
    std::vector<std::vector<AnsiString>> Rows;
    for (const AnsiString& L : TableRows(Table)) {
        if (IsRule(L))
            continue;
        std::vector<AnsiString> C = Cells(L);
        if (C.size() < 6)
            continue;
        // A table without the "Modified" column has the path sixth.
        if (C.size() == 6)
            C.insert(C.begin() + 5, AnsiString());
        C.resize(7);
        Rows.push_back(std::move(C));
    }
    return Rows;
}

AnsiString UpperExtension(const AnsiString& Name)
{
    const std::string& S = Name.Std();
    const size_t Dot = S.rfind('.');
    return Dot == std::string::npos ? AnsiString() : AnsiUpperCase(AnsiString(S.substr(Dot)));
}

// The folder of a path, without its final "/" unless it is the root.
AnsiString FolderOf(const AnsiString& Path)
{
    const std::string& S = Path.Std();
    const size_t Slash = S.rfind('/');
    if (Slash == std::string::npos)
        return AnsiString();
    return AnsiString(S.substr(0, Slash == 0 ? 1 : Slash));
}

}  // namespace

// ---- report data -------------------------------------------------------------------------

/// Image of a module file by its extension: 1 a package (".BPL", ".DPL"),
/// 2 a program (".EXE", or no extension: programs here have none), 0 any
/// other (shared libraries).
int ModuleImageIndex(const AnsiString& FileName)
{
    const AnsiString Ext = UpperExtension(FileName);
    if (Ext == ".BPL" || Ext == ".DPL")
        return 1;
    if (Ext == ".EXE" || Ext.IsEmpty())
        return 2;
    // "libc.so.6": the extension is the version; the name holds ".so".
    return 0;
}

AnsiString ModuleVersionText(const AnsiString& Version)
{
    const std::string& S = Version.Std();
    const size_t First = S.find('.');
    const size_t Second = First == std::string::npos ? First : S.find('.', First + 1);
    if (Second == std::string::npos)
        return Version;
    return AnsiString(S.substr(0, Second + 1) + "x");
}

AnsiString ModuleSizeText(int64_t Bytes)
{
    return IntToStr(Int64(std::llround(double(Bytes) / 1024.0))) + " Kb";
}

ReportPagesData ReportPagesFromText(const AnsiString& ReportText)
{
    ReportPagesData D;
    TLogFile Log(AnsiString(), /*ReadOnly=*/true);
    Log.Add(ReportText, 1);
    if (Log.Count() == 0)
        return D;
    D.GeneralText = Log.GetGeneral(0);
    D.CallStack = CallStackRows(Log.GetCallStack(0));
    const AnsiString Modules = Log.GetModules(0);
    D.HasModules = !Modules.IsEmpty();
    D.Modules = ModuleRows(Modules);
    D.CPUText = Log.GetCPU(0);
    D.HasCPU = !D.CPUText.IsEmpty();
    return D;
}

// ---- pages present -------------------------------------------------------------------------

bool ReportPagePresent(int Page, const ReportPagesData& Data,
                       const TRazuroModuleOptions& Options)
{
    switch (Page) {
    case rpGeneral:
    case rpCallStack: return true;
    case rpModules: return (Options.LogOptions & loModules) && Data.HasModules;
    case rpCPU: return (Options.LogOptions & loCPU) && Data.HasCPU;
    case rpOther: return !Data.CustomDataText.IsEmpty();
    default: return false;
    }
}

int ReportPageOfTab(int TabIndex, const ReportPagesData& Data,
                    const TRazuroModuleOptions& Options)
{
    if (TabIndex < 0)
        return -1;
    for (int Page = rpGeneral; Page <= rpOther; ++Page)
        if (ReportPagePresent(Page, Data, Options) && TabIndex-- == 0)
            return Page;
    return -1;
}

std::vector<AnsiString> ReportPageTabs(const ReportPagesData& Data,
                                       const TRazuroModuleOptions& Options)
{
    const int Texts[] = {ptGeneralTab, ptCallStackTab, ptModulesTab, ptCPUTab, ptOtherTab};
    std::vector<AnsiString> Tabs;
    for (int Page = rpGeneral; Page <= rpOther; ++Page)
        if (ReportPagePresent(Page, Data, Options))
            Tabs.push_back(Options.GetCustomText(Texts[Page]));
    return Tabs;
}

// ---- the pages -----------------------------------------------------------------------------

namespace {

enum { IdLabel = 102, IdContent = 103 };

void UseFont(TFont* Font, const AnsiString& Face, int Size)
{
    Font->SetName(Face);
    Font->SetSize(Size);
    Font->SetCharset(RUSSIAN_CHARSET);
    Font->SetColor(clBlack);
}

/// The width that shows Text in Font with the margins the rows are drawn
/// with (the first column leaves room for the row's picture).
int FittingColumnWidth(TFont* Font, const char* Text, bool FirstColumn)
{
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font->Handle());
    TSize Size;
    GetTextExtentPoint32(DC, Text, int(std::strlen(Text)), Size);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    return Size.cx + (FirstColumn ? 20 + 2 : 6 + 6);
}

std::vector<AnsiString> Titles(const TRazuroModuleOptions& Options, int First, int Count)
{
    std::vector<AnsiString> T;
    for (int I = 0; I < Count; ++I)
        T.push_back(Options.GetCustomText(First + I));
    return T;
}

class TReportPage : public TCustomControl {
    PRICETAGS_CLASS(TReportPage, TCustomControl)
public:
    TReportPage(TWinControl* Parent, int APage, const TRect& Rect, const ReportPagesData& Data,
                const TRazuroModuleOptions& Options, const ReportPageSettings& Settings);
    ~TReportPage() override;

protected:
    void Paint() override;
    void WMSize(TWMSize& Message) override;

private:
    void MakeLabel(const AnsiString& Caption);
    void MakeRichText(const AnsiString& RTF);
    void MakeList(const ColumnLayout* Layout, int Count, const std::vector<AnsiString>& Titles);
    void AddCallStackRows(const ReportPagesData& Data);
    void AddModuleRows(const ReportPagesData& Data);
    void SaveWidths();
    void LayOut();
    RTFFont FixedRTFFont();

    void Activity() const
    {
        if (FSettings.OnActivity)
            FSettings.OnActivity();
    }
    void ContentKeyDown(TObject*, Word& Key, TShiftState);
    void ContentMouseDown(TObject*, TMouseButton, TShiftState, int, int) { Activity(); }
    void ContentWheel(TObject*, TShiftState, int, TPoint, bool&) { Activity(); }
    void ListDrawItem(TCustomListView* Sender, TListItem* Item, TRect Rect, TOwnerDrawState State);
    void ListClick(TObject*);
    void ListDblClick(TObject*);
    void ActivateSelected();

    int FPage;
    ReportPageSettings FSettings;
    TLabel* FLabel = nullptr;
    TWinControl* FContent = nullptr;
    TListView* FList = nullptr;
    std::unique_ptr<TListViewItems> FItems;
    const ColumnLayout* FLayout = nullptr;
    int FLayoutCount = 0;
};

PRICETAGS_DEFINE_CLASS(TReportPage)

TReportPage::TReportPage(TWinControl* Parent, int APage, const TRect& Rect,
                         const ReportPagesData& Data, const TRazuroModuleOptions& Options,
                         const ReportPageSettings& Settings)
    : TCustomControl(nullptr), FPage(APage), FSettings(Settings)
{
    SetColor(FSettings.OwnLook ? TColor(FSettings.Background) : clBtnFace);
    SetParent(Parent);
    SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
    const int Labels[] = {ptGeneralLabel, ptCallStackLabel, ptModulesLabel, ptCPULabel,
                          ptOtherLabel};
    MakeLabel(Options.GetCustomText(Labels[FPage]));
    switch (FPage) {
    case rpGeneral: MakeRichText(GeneralSectionToRTF(Data.GeneralText, FixedRTFFont())); break;
    case rpCPU: MakeRichText(CPUSectionToRTF(Data.CPUText, FixedRTFFont())); break;
    case rpOther: {
        auto* Memo = new TMemo(this);
        Memo->SetParent(this);
        Memo->SetReadOnly(true);
        Memo->SetWordWrap(false);
        Memo->SetScrollBars(ssBoth);
        Memo->SetColor(clWhite);
        UseFont(Memo->Font(), FSettings.FixedFace, FSettings.FixedSize);
        Memo->SetText(Data.CustomDataText);
        FContent = Memo;
        break;
    }
    case rpCallStack:
        MakeList(CallStackColumns, 6, Titles(Options, ptAddress, 6));
        AddCallStackRows(Data);
        break;
    case rpModules:
        MakeList(ModuleColumns, 7, Titles(Options, ptHandle, 7));
        AddModuleRows(Data);
        break;
    default: break;
    }
    if (FContent) {
        FContent->SetTag(IdContent);
        FContent->OnKeyDown = TKeyEvent(this, &TReportPage::ContentKeyDown);
        FContent->OnMouseDown = TMouseEvent(this, &TReportPage::ContentMouseDown);
        FContent->OnMouseWheel = TMouseWheelEvent(this, &TReportPage::ContentWheel);
    }
    LayOut();
}

TReportPage::~TReportPage()
{
    if (FList) {
        SaveWidths();
        FItems.reset();
    }
}

void TReportPage::Paint()
{
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

void TReportPage::WMSize(TWMSize& Message)
{
    TCustomControl::WMSize(Message);
    LayOut();
}

void TReportPage::LayOut()
{
    // The contents sit below the label, 3 pixels in from the left.
    if (FContent)
        FContent->SetBounds(3, 20, std::max(Width() - 8, 0), std::max(Height() - 24, 0));
}

void TReportPage::MakeLabel(const AnsiString& Caption)
{
    FLabel = new TLabel(this);
    FLabel->SetCaption(Caption);
    FLabel->SetParent(this);
    FLabel->SetTag(IdLabel);
    FLabel->SetTransparent(true);
    UseFont(FLabel->Font(), FSettings.MessageFace, FSettings.MessageSize);
    FLabel->SetLeft(4);
    FLabel->SetTop(4);
}

RTFFont TReportPage::FixedRTFFont()
{
    RTFFont F;
    F.Face = FSettings.FixedFace;
    F.Size = FSettings.FixedSize;
    TBitmap Measure;
    UseFont(Measure.Canvas()->Font(), F.Face, F.Size);
    F.CharWidth = std::max(Measure.Canvas()->TextWidth(StringOfChar('-', 21)) / 21, 1);
    return F;
}

void TReportPage::MakeRichText(const AnsiString& RTF)
{
    auto* Rich = new TRichEdit(this);
    Rich->SetParent(this);
    Rich->SetScrollBars(ssBoth);
    UseFont(Rich->Font(), FSettings.FixedFace, FSettings.FixedSize);
    FContent = Rich;
    LoadRichText(Rich->Handle(), RTF);
    SetRichBackground(Rich->Handle(), int(RGB(255, 255, 255)));
}

void TReportPage::MakeList(const ColumnLayout* Layout, int Count,
                           const std::vector<AnsiString>& Titles)
{
    FLayout = Layout;
    FLayoutCount = Count;
    FList = new TListView(this);
    FList->SetParent(this);
    FContent = FList;
    UseFont(FList->Font(), FSettings.ListFace, FSettings.ListSize);
    FList->SetViewStyle(vsReport);
    FList->SetOwnerDraw(true);
    FList->SetRowSelect(true);
    FList->SetReadOnly(true);
    FList->SetHideSelection(false);
    FList->SetColor(clWhite);
    std::unique_ptr<TMemIniFile> Ini;
    if (!FSettings.CoordinatesIni.IsEmpty())
        Ini = std::make_unique<TMemIniFile>(FSettings.CoordinatesIni);
    for (int C = 0; C < Count; ++C) {
        int W = Layout[C].Width;
        if (Layout[C].Fit)
            W = std::max(W, FittingColumnWidth(FList->Font(), Layout[C].Fit, C == 0));
        if (Ini) {
            W = Ini->ReadInteger(CoordinatesSection, Layout[C].Key, W);
            if (W < MinColumnWidth || W > MaxColumnWidth)
                W = Layout[C].Width;
        }
        TListColumn* Column = FList->Columns()->Add();
        Column->SetCaption(Titles[size_t(C)]);
        Column->SetWidth(W);
        Column->SetAlignment(Layout[C].Align);
    }
    FItems = std::make_unique<TListViewItems>(FList);
    FList->OnDrawItem = TLVDrawItemEvent(this, &TReportPage::ListDrawItem);
    if (FPage == rpCallStack) {
        FList->OnClick = TNotifyEvent(this, &TReportPage::ListClick);
        FList->OnDblClick = TNotifyEvent(this, &TReportPage::ListDblClick);
    }
}

void TReportPage::SaveWidths()
{
    if (FSettings.CoordinatesIni.IsEmpty())
        return;
    try {
        TMemIniFile Ini(FSettings.CoordinatesIni);
        for (int C = 0; C < FLayoutCount && C < FList->Columns()->Count(); ++C)
            Ini.WriteInteger(CoordinatesSection, FLayout[C].Key,
                             FList->Columns()->Items(C)->Width());
        Ini.UpdateFile();
    } catch (const Exception&) {
        // A folder that cannot be written keeps the widths for this run only.
    }
}

void TReportPage::AddCallStackRows(const ReportPagesData& Data)
{
    UpdateScope<TListItems> Filling(FList->Items());
    const std::vector<AnsiString> Blank(6);
    for (const CallStackRow& R : Data.CallStack) {
        switch (R.Kind) {
        case CallStackRow::rkSeparator: FItems->AddItem(Blank, -1, 0, false, AnsiString()); break;
        case CallStackRow::rkThread:
            FItems->AddItem(Blank, -1, R.Running ? 1 : 0, true, R.Caption);
            break;
        case CallStackRow::rkEntry: {
            // Our own code (named by its unit) shows as source; other frames
            // by the kind of their module.
            const int Image = R.Cells[2].IsEmpty() ? ModuleImageIndex(R.Cells[1]) : 3;
            FItems->AddItem(R.Cells, Image, 0, false, AnsiString());
            break;
        }
        }
    }
}

void TReportPage::AddModuleRows(const ReportPagesData& Data)
{
    UpdateScope<TListItems> Filling(FList->Items());
    for (const std::vector<AnsiString>& M : Data.Modules) {
        const int64_t Size = StrToInt64Def(M[4], 0);
        FItems->AddItem({M[0], M[1], M[2], ModuleVersionText(M[3]), ModuleSizeText(Size), M[5],
                         FolderOf(M[6])},
                        ModuleImageIndex(M[1]), 0, false, AnsiString());
    }
}

void TReportPage::ListDrawItem(TCustomListView* Sender, TListItem* Item, TRect Rect,
                               TOwnerDrawState State)
{
    FItems->DrawItem(*Sender->Canvas(), Item->Index(), Rect, State.Contains(odSelected),
                     State.Contains(odFocused));
}

void TReportPage::ContentKeyDown(TObject*, Word& Key, TShiftState)
{
    Activity();
    if (FList && FPage == rpCallStack && Key == VK_RETURN) {
        ActivateSelected();
        Key = 0;
    }
}

void TReportPage::ListClick(TObject*)
{
    Activity();
    const int Row = FList->ItemIndex();
    if (Row < 0)
        return;
    TPoint P;
    GetCursorPos(P);
    P = FList->ScreenToClient(P);
    FItems->ToggleAt(Row, P, /*BoxOnly=*/true);
}

void TReportPage::ListDblClick(TObject*)
{
    Activity();
    ActivateSelected();
}

// A row without a line number (a group, a blank row, a frame without
// source) opens or closes its group; the development environment that
// would take a source position is not there on this system.
void TReportPage::ActivateSelected()
{
    const int Row = FList->ItemIndex();
    if (Row < 0)
        return;
    TListItem* Item = FList->Items()->Item(Row);
    const AnsiString Line = Item->SubItems()->Count() >= 5 ? Trim(Item->SubItems()->Strings(4))
                                                            : AnsiString();
    if (Line.IsEmpty())
        FItems->ToggleAt(Row, {0, 0}, /*BoxOnly=*/false);
}

}  // namespace

TWinControl* CreateReportPage(TWinControl* Parent, int Page, const TRect& Rect,
                              const ReportPagesData& Data, const TRazuroModuleOptions& Options,
                              const ReportPageSettings& Settings)
{
    if (!Parent || Page < rpGeneral || Page > rpOther)
        return nullptr;
    return new TReportPage(Parent, Page, Rect, Data, Options, Settings);
}

TWinControl* CreateReportPage(HWND Parent, int Page, const TRect& Rect,
                              const ReportPagesData& Data, const TRazuroModuleOptions& Options,
                              const ReportPageSettings& Settings)
{
    return CreateReportPage(FindControl(Parent), Page, Rect, Data, Options, Settings);
}
