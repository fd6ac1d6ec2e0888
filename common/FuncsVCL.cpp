#include "common/FuncsVCL.h"

#include "common/ExLabel.h"
#include "common/Funcs.h"
#include "common/IniFiles.h"
#include "common/MsgWin.h"
#include "common/PaneSplitter.h"
#include "platform/classes/Collection.h"
#include "platform/classes/TypInfo.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Grids.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <array>
#include <memory>

bool gAppRunning = false;
bool gFormsRestored = false;

namespace {

constexpr TFontCharset CyrillicCharset = 204;

struct FontDef {
    const char* Section;
    const char* Name;
    int Size;
    TColor Color;
    int StyleCode;
};

// Defaults of the seven fonts, in AppFont order.
constexpr std::array<FontDef, 7> FontDefs = {{
    {"MainFont", "MS Sans Serif", 8, 0, 0},
    {"LabelFont", "Times New Roman", 18, 0xFFFF00, 8},
    {"EditFont", "MS Sans Serif", 8, 0, 0},
    {"CourierFont", "Courier New", 8, 0, 0},
    {"HeaderFont", "Times New Roman", 18, 0xFFFF00, 8},
    {"ColumnFont", "Arial", 10, 0, 0},
    {"TextFont", "Arial", 10, 0, 0},
}};

// Faces a label keeps when its own font already has one of them.
const char* const FixedFaces[] = {
    "Times New Roman", "Arial", "Courier New", "MS Sans Serif", "Arial Cyr", "Arial Black",
    "Arial Narrow", "Bookman Old Style", "Comic Sans MS", "Microsoft Sans Serif", "Tahoma",
    "Verdana", "Lucida Console", "Courier",
};

TFontStyles StyleFromCode(int Code)
{
    TFontStyles S;
    if (Code & 8)
        S.Include(fsBold);
    if (Code & 4)
        S.Include(fsItalic);
    if (Code & 2)
        S.Include(fsUnderline);
    if (Code & 1)
        S.Include(fsStrikeOut);
    return S;
}

int CodeFromStyle(TFontStyles S)
{
    return (S.Contains(fsBold) ? 8 : 0) | (S.Contains(fsItalic) ? 4 : 0) |
           (S.Contains(fsUnderline) ? 2 : 0) | (S.Contains(fsStrikeOut) ? 1 : 0);
}

std::unique_ptr<std::array<std::unique_ptr<TFont>, 7>>& FontsPtr()
{
    static std::unique_ptr<std::array<std::unique_ptr<TFont>, 7>> Fonts;
    return Fonts;
}

void LoadFonts()
{
    auto Fonts = std::make_unique<std::array<std::unique_ptr<TFont>, 7>>();
    TIniFile* Ini = GetAppIniFile();
    for (size_t I = 0; I < FontDefs.size(); ++I) {
        const FontDef& D = FontDefs[I];
        auto F = std::make_unique<TFont>();
        F->SetName(Ini->ReadString(D.Section, "Name", D.Name));
        F->SetSize(Ini->ReadInteger(D.Section, "Size", D.Size));
        F->SetColor(Ini->ReadInteger(D.Section, "Color", D.Color));
        F->SetCharset(static_cast<TFontCharset>(
            Ini->ReadInteger(D.Section, "Charset", CyrillicCharset)));
        F->SetStyle(StyleFromCode(Ini->ReadInteger(D.Section, "Style", D.StyleCode)));
        (*Fonts)[I] = std::move(F);
    }
    FontsPtr() = std::move(Fonts);
}

bool IsClass(TObject* Obj, TClass C)
{
    return Obj && Obj->InheritsFrom(C);
}

/// True when Obj's class or an ancestor is named Name (for classes of a
/// higher layer that this unit cannot name).
bool IsClassNamed(TObject* Obj, const char* Name)
{
    for (TClass C = Obj ? Obj->ClassType() : nullptr; C; C = C->ClassParent())
        if (C->ClassName() == Name)
            return true;
    return false;
}

AnsiString UpperName(TComponent* C)
{
    return AnsiUpperCase(C->Name());
}

/// The suffix font of a label name ("_MF" ... "_TF"); null for none or "_XX".
TFont* SuffixFont(const AnsiString& UpperName, bool& KeepName)
{
    KeepName = false;
    if (UpperName.Length() < 3)
        return nullptr;
    const AnsiString S = UpperName.SubString(UpperName.Length() - 2, 3);
    if (S == "_XX") {
        KeepName = true;
        return nullptr;
    }
    static const struct { const char* Suffix; AppFont Font; } Suffixes[] = {
        {"_MF", AppFont::Main}, {"_LF", AppFont::Label}, {"_EF", AppFont::Edit},
        {"_HF", AppFont::Header}, {"_CF", AppFont::Column}, {"_TF", AppFont::Text},
    };
    for (const auto& X : Suffixes)
        if (S == X.Suffix)
            return GetAppFont(X.Font);
    return nullptr;
}

void ApplyExLabelFont(TExLabel* Label, TFont* Font)
{
    TFont* LabelFont = GetAppFont(AppFont::Label);
    if (UpperName(Label) == "PRGHEADER") {
        Font->Assign(LabelFont);
        return;
    }
    bool KeepName = false;
    if (TFont* Suffix = SuffixFont(UpperName(Label), KeepName)) {
        Font->SetName(Suffix->Name());
    } else if (!KeepName) {
        bool Fixed = false;
        for (const char* Face : FixedFaces)
            Fixed = Fixed || SameText(Font->Name(), Face);
        if (!Fixed)
            Font->SetName(LabelFont->Name());
    }
    if (UpperName(Label).Pos("HEADER") > 0) {
        TFontStyles S;
        if (LabelFont->Style().Contains(fsBold))
            S.Include(fsBold);
        if (LabelFont->Style().Contains(fsItalic))
            S.Include(fsItalic);
        Font->SetStyle(S);
        Font->SetSize(LabelFont->Size());
    }
    Font->SetCharset(LabelFont->Charset());
}

void ApplyLabelFont(TCustomLabel* Label, TFont* Font)
{
    TFont* LabelFont = GetAppFont(AppFont::Label);
    TFont* MainFont = GetAppFont(AppFont::Main);
    const AnsiString Name = UpperName(Label);
    if (AnsiUpperCase(Label->ClassName()) == "TFORMATLABEL") {
        Font->SetCharset(LabelFont->Charset());
    } else if (Name.Pos("TITLE") > 0) {
        Font->SetName(MainFont->Name());
        Font->SetSize(MainFont->Size());
        Font->SetCharset(MainFont->Charset());
    } else if (Name.Pos("WARN") > 0) {
        Font->SetName(LabelFont->Name());
        Font->SetStyle(LabelFont->Style().Contains(fsBold) ? TFontStyles{fsBold} : TFontStyles{});
        Font->SetCharset(LabelFont->Charset());
    } else {
        Label->SetParentFont(true);
    }
}

} // namespace

TFont* GetAppFont(AppFont Which)
{
    if (!FontsPtr())
        LoadFonts();
    return (*FontsPtr())[static_cast<size_t>(Which)].get();
}

bool SetComponentFont(TComponent* Component, std::initializer_list<TClass> Exclude)
{
    PPropInfo Prop = GetPropInfo(Component, "Font");
    if (!Prop || Prop->PropType->Kind != tkClass)
        return false;
    TObject* FontObj = GetObjectProp(Component, Prop);
    if (!IsClass(FontObj, ClassOf<TFont>()))
        return false;
    auto* Font = static_cast<TFont*>(FontObj);
    const bool Known = IsClass(Component, ClassOf<TControl>());
    if (!Known) {
        // A component with a font the table does not know: the developer
        // is told where it is, the font is left alone.
        StopPoint({Component->Name(), Component->ClassName()});
        return false;
    }
    for (TClass C : Exclude) {
        if (Component->Owner() && Component->Owner()->InheritsFrom(C)) {
            Font->SetCharset(CyrillicCharset);
            return false;
        }
    }
    TFont* EditFont = GetAppFont(AppFont::Edit);
    if (IsClass(Component, ClassOf<TForm>())) {
        Font->Assign(GetAppFont(AppFont::Main));
    } else if (IsClass(Component, ClassOf<TExLabel>())) {
        ApplyExLabelFont(static_cast<TExLabel*>(Component), Font);
    } else if (IsClass(Component, ClassOf<TCustomLabel>())) {
        ApplyLabelFont(static_cast<TCustomLabel*>(Component), Font);
    } else if (IsClass(Component, ClassOf<THeaderControl>())) {
        TFont* Main = GetAppFont(AppFont::Main);
        Font->SetName(Main->Name());
        Font->SetSize(Main->Size());
        Font->SetCharset(Main->Charset());
    } else if (IsClass(Component, ClassOf<TCustomMemo>())) {
        if (AnsiUpperCase(Font->Name()).Pos("COURIER") > 0) {
            Font->SetName(GetAppFont(AppFont::Courier)->Name());
            Font->SetCharset(GetAppFont(AppFont::Main)->Charset());
        } else {
            Font->Assign(EditFont);
        }
    } else if (IsClass(Component, ClassOf<TCustomEdit>()) ||
               IsClass(Component, ClassOf<TCustomGrid>()) ||
               IsClass(Component, ClassOf<TCustomComboBox>()) ||
               IsClass(Component, ClassOf<TCustomListBox>())) {
        Font->Assign(EditFont);
    } else {
        static_cast<TControl*>(Component)->SetParentFont(true);
    }
    return true;
}

void SetComponentsFonts(TComponent* Component, std::initializer_list<TClass> Exclude)
{
    for (int I = 0; I < Component->ComponentCount(); ++I) {
        TComponent* C = Component->Components(I);
        SetComponentFont(C, Exclude);
        if (C->ComponentCount() > 0)
            SetComponentsFonts(C, Exclude);
    }
}

void SetApplicationFonts(std::initializer_list<TClass> Exclude)
{
    for (int I = 0; I < Screen->FormCount(); ++I) {
        TCustomForm* Form = Screen->Forms(I);
        SetComponentFont(Form, Exclude);
        SetComponentsFonts(Form, Exclude);
    }
}

AnsiString FormBaseName(const AnsiString& Name)
{
    const int Under = LastPosOf("_", Name);
    if (Under <= 1 || Under == Name.Length())
        return Name;
    for (int I = Under + 1; I <= Name.Length(); ++I)
        if (Name[I] < '0' || Name[I] > '9')
            return Name;
    return Name.SubString(1, Under - 1);
}

// ---- layout strings --------------------------------------------------------------------------

AnsiString LayoutField(int Value)
{
    if (Value < 0)
        Value = 0;
    if (Value > 9999)
        return "+" + IntToStr(Value) + "+";
    return Pad0(Value, 4);
}

bool ParseLayoutFields(const AnsiString& S, std::vector<int>& Fields)
{
    Fields.clear();
    int I = 1;
    while (I <= S.Length()) {
        int Start = I;
        int Len = 4;
        if (S[I] == '+') {
            const int End = PosFrom("+", S, I + 1);
            if (End == 0)
                return false;
            Start = I + 1;
            Len = End - Start;
            I = End + 1;
        } else {
            I += 4;
        }
        if (Len < 1 || Len > 9 || Start + Len - 1 > S.Length())
            return false;
        int V = 0;
        for (int J = Start; J < Start + Len; ++J) {
            if (S[J] < '0' || S[J] > '9')
                return false;
            V = V * 10 + (S[J] - '0');
        }
        Fields.push_back(V);
    }
    return true;
}

namespace {

const char* const SCrLf = "\r\n";

/// The control of the splitter's own alignment whose edge touches it.
TControl* SplitterNeighbour(TControl* Splitter)
{
    TWinControl* Parent = Splitter->Parent();
    if (!Parent)
        return nullptr;
    const TRect S = Splitter->BoundsRect();
    for (int I = 0; I < Parent->ControlCount(); ++I) {
        TControl* C = Parent->Controls(I);
        if (C == Splitter || C->Align() != Splitter->Align() || !C->Visible())
            continue;
        const TRect R = C->BoundsRect();
        switch (Splitter->Align()) {
        case alLeft:
            if (R.Right == S.Left)
                return C;
            break;
        case alRight:
            if (R.Left == S.Right)
                return C;
            break;
        case alTop:
            if (R.Bottom == S.Top)
                return C;
            break;
        case alBottom:
            if (R.Top == S.Bottom)
                return C;
            break;
        case alNone:
        case alClient:
        case alCustom:
            break;
        }
    }
    return nullptr;
}

bool IsDataGrid(TObject* C)
{
    return IsClassNamed(C, "Tyl_DataDrawGrid");
}

/// A data grid's columns, read through their published properties.
TCollection* DataGridColumns(TComponent* Grid)
{
    TObject* Obj = GetPropInfo(Grid, "Columns") ? GetObjectProp(Grid, "Columns") : nullptr;
    return IsClass(Obj, ClassOf<TCollection>()) ? static_cast<TCollection*>(Obj) : nullptr;
}

int ColumnProp(TCollectionItem* Column, const char* Name)
{
    return GetPropInfo(Column, Name) ? static_cast<int>(GetOrdProp(Column, Name)) : 0;
}

void SetColumnProp(TCollectionItem* Column, const char* Name, int Value)
{
    if (GetPropInfo(Column, Name))
        SetOrdProp(Column, Name, Value);
}

AnsiString GridLayout(TControl* Grid)
{
    return LayoutField(std::max(Grid->Height(), 30)) + LayoutField(std::max(Grid->Width(), 30));
}

/// The layout string of one component; false when it has none.
bool ComponentLayout(TComponent* C, AnsiString& Value)
{
    Value = "";
    if (IsClass(C, ClassOf<THeaderControl>())) {
        THeaderSections* S = static_cast<THeaderControl*>(C)->Sections();
        for (int I = 0; I < S->Count(); ++I)
            Value += LayoutField(std::max(S->Items(I)->Width(), 10));
        return true;
    }
    if (IsClass(C, ClassOf<TListView>())) {
        TListColumns* Cols = static_cast<TListView*>(C)->Columns();
        for (int I = 0; I < Cols->Count(); ++I)
            Value += LayoutField(std::max(Cols->Items(I)->Width(), 0));
        return true;
    }
    if (IsClass(C, ClassOf<TTreeView>()))
        return true;
    if (IsDataGrid(C)) {
        if (TCollection* Cols = DataGridColumns(C)) {
            int ZeroTags = 0;
            for (int I = 0; I < Cols->Count(); ++I)
                ZeroTags += ColumnProp(Cols->Items(I), "Tag") == 0;
            if (ZeroTags <= 1) {
                Value = "V02" + GridLayout(static_cast<TControl*>(C)) + "|";
                for (int I = 0; I < Cols->Count(); ++I)
                    Value += IntToStr(ColumnProp(Cols->Items(I), "Tag")) + "." +
                             IntToStr(ColumnProp(Cols->Items(I), "Width")) + "|";
                return true;
            }
        }
    }
    if (IsClass(C, ClassOf<TDrawGrid>())) {
        auto* Grid = static_cast<TDrawGrid*>(C);
        Value = GridLayout(Grid);
        for (int I = 0; I < Grid->ColCount(); ++I)
            Value += LayoutField(Grid->ColWidths(I));
        return true;
    }
    if (IsClass(C, ClassOf<TSplitter>()) || IsClass(C, ClassOf<TPaneSplitter>())) {
        auto* S = static_cast<TControl*>(C);
        TControl* Sized = nullptr;
        if (S->Align() == alRight || S->Align() == alBottom) {
            if (IsClass(C, ClassOf<TPaneSplitter>()))
                Sized = static_cast<TPaneSplitter*>(C)->AlignControl();
            if (!Sized)
                Sized = SplitterNeighbour(S);
        }
        Value = Sized ? LayoutField(Sized->Width()) + LayoutField(Sized->Height())
                      : LayoutField(S->Left()) + LayoutField(S->Top());
        return true;
    }
    return IsClassNamed(C, "TCustomFrame");
}

void SaveLayouts(TComponent* Owner, const AnsiString& Section, const AnsiString& Prefix);

void SaveFrame(TControl* Frame, const AnsiString& Prefix)
{
    if (Frame->Name().IsEmpty()) {
        MsgBox("Нет имени владельца: "_a + SCrLf + "\"" + Frame->Name() + "\"", "");
        return;
    }
    const AnsiString Base = Prefix + FormBaseName(Frame->Name());
    const AnsiString Section = Base + "Position";
    TIniFile* Ini = GetAppIniFile();
    Ini->EraseSection(Section);
    Ini->WriteInteger(Section, "Left", Frame->Left());
    Ini->WriteInteger(Section, "Top", Frame->Top());
    Ini->WriteInteger(Section, "Width", Frame->Width());
    Ini->WriteInteger(Section, "Height", Frame->Height());
    SaveLayouts(Frame, Section, Base);
}

void SaveLayouts(TComponent* Owner, const AnsiString& Section, const AnsiString& Prefix)
{
    TIniFile* Ini = GetAppIniFile();
    for (int I = 0; I < Owner->ComponentCount(); ++I) {
        TComponent* C = Owner->Components(I);
        AnsiString Value;
        if (!ComponentLayout(C, Value) || C->Name().IsEmpty())
            continue;
        Ini->WriteString(Section, C->Name(), Value);
        if (IsClassNamed(C, "TCustomFrame"))
            SaveFrame(static_cast<TControl*>(C), Prefix);
    }
}

/// A width restored into a grid: a stored width beyond the grid (wider
/// than MinGrid) gives the column the room the grid has.
int RestoredWidth(int Stored, int Current, TControl* Grid, int MinGrid)
{
    if (Stored > Grid->Width() && Grid->Width() >= MinGrid)
        return std::max(Current, Grid->ClientWidth() - 4);
    return Stored;
}

/// Keeps an alClient grid out of the way while its size is restored.
class GridAlignScope {
public:
    explicit GridAlignScope(TControl* Grid) : FGrid(Grid), FClient(Grid->Align() == alClient)
    {
        if (FClient)
            FGrid->SetAlign(alNone);
    }
    ~GridAlignScope()
    {
        if (FClient)
            FGrid->SetAlign(alClient);
    }

private:
    TControl* FGrid;
    bool FClient;
};

void RestoreGridSize(TControl* Grid, bool WasAligned, const std::vector<int>& F)
{
    if (WasAligned)
        Grid->SetBounds(Grid->Left(), Grid->Top(), F[1], F[0]);
}

/// Logs a layout value that does not parse; the rest of the placement is
/// restored without it.
void SkipBadLayout(const AnsiString& Section, TComponent* C, const AnsiString& Value)
{
    LogMessage("Предупр.: "_a + Section + "." + C->Name() + ": неверное значение \""_a + Value +
                   "\"",
               4);
}

void RestoreDataGrid(TComponent* C, const AnsiString& Section, const AnsiString& Value)
{
    auto* Grid = static_cast<TControl*>(C);
    std::vector<int> Sizes;
    const int Bar = PosFrom("|", Value, 4);
    if (Bar == 0 || !ParseLayoutFields(Value.SubString(4, Bar - 4), Sizes) || Sizes.size() != 2)
        return SkipBadLayout(Section, C, Value);
    TCollection* Cols = DataGridColumns(C);
    if (!Cols)
        return;
    const bool Aligned = Grid->Align() != alNone;
    const GridAlignScope Align(Grid);
    RestoreGridSize(Grid, Aligned, Sizes);
    TCollectionItem* AutoSized = nullptr;
    for (int I = 0; I < Cols->Count() && !AutoSized; ++I)
        if (ColumnProp(Cols->Items(I), "AutoSize"))
            AutoSized = Cols->Items(I);
    if (AutoSized)
        SetColumnProp(AutoSized, "AutoSize", 0);
    AnsiString Rest = Value.SubString(Bar + 1, Value.Length() - Bar);
    while (!Rest.IsEmpty()) {
        const int End = Rest.Pos("|");
        const AnsiString Entry = End ? Rest.SubString(1, End - 1) : Rest;
        Rest = End ? Rest.SubString(End + 1, Rest.Length() - End) : AnsiString();
        const int Dot = Entry.Pos(".");
        int Tag = 0;
        int Width = 0;
        if (Dot == 0 || !TryStrToInt(Entry.SubString(1, Dot - 1), Tag) ||
            !TryStrToInt(Entry.SubString(Dot + 1, Entry.Length() - Dot), Width))
            break;
        for (int I = 0; I < Cols->Count(); ++I) {
            TCollectionItem* Col = Cols->Items(I);
            if (ColumnProp(Col, "Tag") != Tag)
                continue;
            SetColumnProp(Col, "Width", RestoredWidth(Width, ColumnProp(Col, "Width"), Grid, 61));
            break;
        }
    }
    if (AutoSized)
        SetColumnProp(AutoSized, "AutoSize", 1);
}

void RestoreSplitter(TControl* S, TControl* Sized, const std::vector<int>& F, int MinSize,
                     const char* Error)
{
    const TAlign A = S->Align();
    if (A != alLeft && A != alRight && A != alTop && A != alBottom)
        throw Exception(Error);
    if (!Sized || F.size() < 2)
        return;
    TWinControl* Parent = S->Parent();
    const bool Across = A == alLeft || A == alRight;
    int Room = Across ? Parent->ClientWidth() : Parent->ClientHeight();
    if (Room == 0)
        Room = Across ? Parent->Width() : Parent->Height();
    Room -= (Across ? S->Width() : S->Height()) + MinSize;
    const int Size = std::max(MinSize, std::min(Across ? F[0] : F[1], Room));
    if (Across)
        Sized->SetWidth(Size);
    else
        Sized->SetHeight(Size);
}

void RestoreLayouts(TComponent* Owner, const AnsiString& Section, const AnsiString& Prefix);

void RestoreLayout(TComponent* C, const AnsiString& Section, const AnsiString& Prefix)
{
    TIniFile* Ini = GetAppIniFile();
    if (C->Name().IsEmpty())
        return;
    const AnsiString Value = Ini->ReadString(Section, C->Name(), "");
    const bool Short4 = IsClass(C, ClassOf<THeaderControl>()) || IsClass(C, ClassOf<TListView>());
    if (IsClassNamed(C, "TCustomFrame")) {
        const AnsiString Base = Prefix + FormBaseName(C->Name());
        RestoreLayouts(C, Base + "Position", Base);
        return;
    }
    if (Value.Length() < (Short4 ? 4 : 8))
        return;
    if (IsDataGrid(C) && Value.SubString(1, 3) == "V02")
        return RestoreDataGrid(C, Section, Value);
    std::vector<int> F;
    if (!ParseLayoutFields(Value, F))
        return SkipBadLayout(Section, C, Value);
    if (IsClass(C, ClassOf<THeaderControl>())) {
        auto* H = static_cast<THeaderControl*>(C);
        THeaderSections* S = H->Sections();
        if (static_cast<int>(F.size()) == S->Count())
            for (int I = 0; I < S->Count(); ++I)
                S->Items(I)->SetWidth(std::min(F[I], H->Width() - 1));
    } else if (IsClass(C, ClassOf<TListView>())) {
        TListColumns* Cols = static_cast<TListView*>(C)->Columns();
        if (static_cast<int>(F.size()) == Cols->Count())
            for (int I = 0; I < Cols->Count(); ++I)
                Cols->Items(I)->SetWidth(F[I]);
    } else if (IsClass(C, ClassOf<TDrawGrid>()) && Value[1] != 'V' && F.size() >= 2) {
        auto* Grid = static_cast<TDrawGrid*>(C);
        const bool Aligned = Grid->Align() != alNone;
        const GridAlignScope Align(Grid);
        RestoreGridSize(Grid, Aligned, F);
        if (static_cast<int>(F.size()) - 2 == Grid->ColCount())
            for (int I = 0; I < Grid->ColCount(); ++I)
                Grid->SetColWidths(I, RestoredWidth(F[I + 2], Grid->ColWidths(I), Grid, 61));
    } else if (IsClass(C, ClassOf<TPaneSplitter>())) {
        auto* S = static_cast<TPaneSplitter*>(C);
        TControl* Sized = S->AlignControl() ? S->AlignControl() : SplitterNeighbour(S);
        RestoreSplitter(S, Sized, F, S->MinSize(), "PaneSplitter Rest Error");
    } else if (IsClass(C, ClassOf<TSplitter>())) {
        auto* S = static_cast<TSplitter*>(C);
        RestoreSplitter(S, SplitterNeighbour(S), F, S->MinSize(), "Splitter Rest Error");
    }
}

void RestoreLayouts(TComponent* Owner, const AnsiString& Section, const AnsiString& Prefix)
{
    for (int I = 0; I < Owner->ComponentCount(); ++I)
        RestoreLayout(Owner->Components(I), Section, Prefix);
}

/// The placement section of Form; '' (after telling the user) when the
/// form has no name.
AnsiString PositionSection(TForm* Form)
{
    if (Form->Name().IsEmpty()) {
        MsgBox("Нет имени формы: "_a + SCrLf + "\"" + Form->Caption() + "\"", "");
        return "";
    }
    return FormBaseName(Form->Name()) + "Position";
}

bool IsTopLevel(TForm* Form)
{
    return !Form->Owner() || Form->Owner() == Application;
}

} // namespace

void SaveFormPosition(TForm* Form)
{
    if (!gCanSaveSettings || !Form)
        return;
    const AnsiString Section = PositionSection(Form);
    if (Section.IsEmpty())
        return;
    TIniFile* Ini = GetAppIniFile();
    if (IsTopLevel(Form)) {
        // The normal bounds of a form in another state are the ones stored
        // before: read them before the section is erased.
        TRect Normal = Form->BoundsRect();
        if (Form->WindowState() != wsNormal) {
            const int L = Ini->ReadInteger(Section, "Left", 50);
            const int T = Ini->ReadInteger(Section, "Top", 100);
            Normal = Rect(L, T, L + Ini->ReadInteger(Section, "Width", Screen->Width() / 2),
                           T + Ini->ReadInteger(Section, "Height", Screen->Height() / 2));
        }
        Ini->EraseSection(Section);
        Ini->WriteInteger(Section, "Left", Normal.Left);
        Ini->WriteInteger(Section, "Top", Normal.Top);
        Ini->WriteInteger(Section, "Width", Normal.Width());
        Ini->WriteInteger(Section, "Height", Normal.Height());
        Ini->WriteInteger(Section, "WindowState", static_cast<int>(Form->WindowState()));
        if (Form != Application->MainForm())
            Ini->WriteBool(Section, "Visible", Form->Visible());
    } else {
        Ini->WriteInteger(Section, "Width", Form->Width());
        Ini->WriteInteger(Section, "Height", Form->Height());
    }
    SaveLayouts(Form, Section, FormBaseName(Form->Name()));
}

void RestoreFormPosition(TForm* Form)
{
    const AnsiString Section = PositionSection(Form);
    if (Section.IsEmpty())
        return;
    TIniFile* Ini = GetAppIniFile();
    const bool Stored = Ini->ReadInteger(Section, "WindowState", -333) != -333;
    int State = std::clamp(Ini->ReadInteger(Section, "WindowState", 0), 0, 2);
    Form->SetWindowState(wsNormal);
    const bool Sizeable = Form->BorderStyle() == bsSizeable || Form->BorderStyle() == bsSizeToolWin;
    if (Sizeable)
        Form->SetBounds(Form->Left(), Form->Top(), Ini->ReadInteger(Section, "Width", Form->Width()),
                        Ini->ReadInteger(Section, "Height", Form->Height()));
    if (Stored) {
        int L = Ini->ReadInteger(Section, "Left", 10);
        int T = Ini->ReadInteger(Section, "Top", 10);
        // Kept on the work area of the monitor that holds most of it.
        const TRect Want = Rect(L, T, L + Form->Width(), T + Form->Height());
        const TRect Work = Screen->MonitorFromRect(Want)->WorkareaRect();
        L = std::max(Work.Left, std::min(L, Work.Right - Form->Width()));
        T = std::max(Work.Top, std::min(T, Work.Bottom - Form->Height()));
        Form->SetBounds(L, T, Form->Width(), Form->Height());
    } else {
        Form->SetBounds((Screen->Width() - Form->Width()) / 2,
                        (Screen->Height() - Form->Height()) / 2, Form->Width(), Form->Height());
        State = Form == Application->MainForm() ? wsMaximized : wsNormal;
    }
    Form->SetWindowState(static_cast<TWindowState>(State));
    if (Sizeable && State == wsMaximized)
        Form->SetBoundsRect(Screen->WorkAreaRect());
    RestoreLayouts(Form, Section, FormBaseName(Form->Name()));
}

void FuncsVCLFinalization()
{
    if (!FontsPtr())
        return;
    if (gCanSaveSettings) {
        TIniFile* Ini = GetAppIniFile();
        for (size_t I = 0; I < FontDefs.size(); ++I) {
            const TFont* F = (*FontsPtr())[I].get();
            const char* S = FontDefs[I].Section;
            Ini->WriteString(S, "Name", F->Name());
            Ini->WriteInteger(S, "Size", F->Size());
            Ini->WriteInteger(S, "Color", F->Color());
            Ini->WriteInteger(S, "Charset", F->Charset());
            Ini->WriteInteger(S, "Style", CodeFromStyle(F->Style()));
        }
    }
    FontsPtr().reset();
}

void ScrollGridByWheel(TCustomGrid& Grid, bool Down, TShiftState Shift)
{
    const int Step = Shift.Contains(ssCtrl) ? 9 : 3;
    const int Fixed = Grid.FixedRows();
    if (!Down) {
        Grid.SetTopRow(Fixed + Step < Grid.TopRow() ? Grid.TopRow() - Step : Fixed);
        return;
    }
    const int Visible = Grid.VisibleRowCount();
    if (Grid.RowCount() - Step + 1 <= Visible + Grid.TopRow())
        Grid.SetTopRow(std::max(Fixed, Grid.RowCount() - Visible));
    else
        Grid.SetTopRow(Grid.TopRow() + Step);
}
