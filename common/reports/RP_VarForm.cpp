#include "common/reports/RP_VarForm.h"

#include "common/reports/RP_DialogKit.h"
#include "common/reports/RP_Document.h"

#include "common/components/MsgWin.h"
#include "platform/classes/Strings.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <memory>

PRICETAGS_DEFINE_CLASS(TVarForm)

namespace {

/// Image indexes of ITvp.
constexpr int ImgSection = 0;
constexpr int ImgSectionOpen = 1;
constexpr int ImgVariable = 2;
constexpr int ImgVariableSelected = 3;

TVarForm* gKeptPicker = nullptr;

bool Indented(const AnsiString& Line)
{
    return !Line.IsEmpty() && (Line[1] == '\t' || Line[1] == ' ');
}

/// A variable line split at its first and second "|".
VarEntry ParseVariableLine(const AnsiString& Text, int Line)
{
    VarEntry E;
    E.Line = Line;
    const int Bar1 = Text.Pos("|");
    if (Bar1 == 0) {
        E.Name = Trim(Text);
        E.Description = E.Name;
        return E;
    }
    E.Name = Trim(Text.SubString(1, Bar1 - 1));
    const AnsiString Rest = Text.SubString(Bar1 + 1, Text.Length());
    const int Bar2 = Rest.Pos("|");
    E.Description = Trim(Bar2 ? Rest.SubString(1, Bar2 - 1) : Rest);
    if (Bar2)
        E.Help = Trim(Rest.SubString(Bar2 + 1, Rest.Length()));
    // A node needs a text to be seen and chosen.
    if (E.Description.IsEmpty())
        E.Description = E.Name;
    return E;
}

}  // namespace

std::vector<VarSection> ParseVariables(TStrings* Lines)
{
    std::vector<VarSection> Sections;
    for (int I = 0; I < Lines->Count(); ++I) {
        const AnsiString Line = Lines->Strings(I);
        if (Line.IsEmpty() || Line[1] == ';')
            continue;
        if (!Indented(Line)) {
            Sections.push_back({Line, I, {}});
            continue;
        }
        const AnsiString Text = Trim(Line);
        // Blank and comment lines, and whatever precedes the first section.
        if (Text.IsEmpty() || Text[1] == ';' || Sections.empty())
            continue;
        std::vector<VarEntry>& Vars = Sections.back().Vars;
        if (Text[1] == '!' || Text[1] == '-') {
            if (!Vars.empty())
                Vars.back().MoreHelp.push_back(Trim(Text.SubString(2, Text.Length())));
            continue;
        }
        Vars.push_back(ParseVariableLine(Text, I));
    }
    return Sections;
}

AnsiString VariableHelp(const VarEntry& Entry)
{
    AnsiString S = "[" + Entry.Name + "]";
    if (!Entry.Help.IsEmpty())
        S += ":  " + Entry.Help;
    for (const AnsiString& More : Entry.MoreHelp)
        S += "\r\n" + More;
    return S;
}

AnsiString SelectVariable(TDocument* Document)
{
    if (Document->Variables()->Count() == 0)
        MessageBox(nullptr, "Нет предопределенных переменных"_a, "", MB_OK);
    if (!gKeptPicker)
        gKeptPicker = new TVarForm(Application);
    TVarForm* F = gKeptPicker;
    F->Document = Document;
    F->VarName = AnsiString();
    if (F->ShowModal() != mrOk || F->VarName.IsEmpty())
        return AnsiString();
    return "[" + F->VarName + "]";
}

// ---- the window ---------------------------------------------------------------------------

TVarForm* TVarForm::Kept()
{
    return gKeptPicker;
}

TVarForm::TVarForm(TComponent* AOwner) : TForm(AOwner)
{
    const LoadingScope Loading(this);
    RP_Dlg::SetUpDialog(this, "VarForm", "Переменные"_a, 330, 360);
    SetKeyPreview(true);
    SetBorderIcons({biSystemMenu});
    OnKeyDown = TKeyEvent(this, &TVarForm::FormKeyDown);
    OnShow = TNotifyEvent(this, &TVarForm::FormShow);
    OnClose = TCloseEvent(this, &TVarForm::FormClose);

    ITvp = new TImageList(this);
    ITvp->SetName("ITvp");
    BuildImages();

    pnHelp = new TPanel(this);
    pnHelp->SetName("pnHelp");
    pnHelp->SetParent(this);
    pnHelp->SetAlign(alBottom);
    pnHelp->SetHeight(40);
    pnHelp->SetBevelOuter(bvNone);
    pnHelp->SetBorderWidth(2);
    pnHelp->SetCaption("");

    lbHelp = new TLabel(this);
    lbHelp->SetName("lbHelp");
    lbHelp->SetParent(pnHelp);
    lbHelp->SetAlign(alClient);
    lbHelp->SetAutoSize(false);
    lbHelp->SetAlignment(taCenter);
    lbHelp->SetLayout(tlCenter);
    lbHelp->SetWordWrap(true);
    lbHelp->SetShowAccelChar(false);
    lbHelp->SetTransparent(false);
    lbHelp->SetCaption("");

    tv = new TTreeView(this);
    tv->SetName("tv");
    tv->SetParent(this);
    tv->SetAlign(alClient);
    tv->SetImages(ITvp);
    tv->SetReadOnly(true);
    tv->OnChange = TTVChangedEvent(this, &TVarForm::tvChange);
    tv->OnDblClick = TNotifyEvent(this, &TVarForm::tvDblClick);

    MinHelpHeight = pnHelp->Height();
}

TVarForm::~TVarForm()
{
    if (gKeptPicker == this)
        gKeptPicker = nullptr;
}

void TVarForm::BuildImages()
{
    ITvp->SetWidth(16);
    ITvp->SetHeight(16);
    // A closed and an open folder for sections, a tag and a marked tag
    // for variables.
    for (int I = 0; I < 4; ++I) {
        TBitmap B;
        B.SetSize(16, 16);
        TCanvas* C = B.Canvas();
        C->Brush()->SetColor(clFuchsia);
        C->FillRect({0, 0, 16, 16});
        const auto Fill = [C](TColor Colour, const TRect& R) {
            C->Brush()->SetColor(Colour);
            C->FillRect(R);
        };
        const auto Frame = [C](TColor Colour, const TRect& R) {
            C->Brush()->SetColor(Colour);
            C->FrameRect(R);
        };
        if (I == ImgSection || I == ImgSectionOpen) {
            Fill(clOlive, {1, 3, 7, 5});
            Fill(I == ImgSection ? clOlive : clYellow, {1, 5, 15, 14});
            if (I == ImgSectionOpen)
                Fill(clOlive, {3, 8, 15, 14});
            Frame(clBlack, {1, 5, 15, 14});
        } else {
            Fill(I == ImgVariable ? clWhite : clYellow, {2, 4, 14, 12});
            Frame(clNavy, {2, 4, 14, 12});
            Fill(clNavy, {5, 7, 11, 9});
        }
        ITvp->AddMasked(&B, clFuchsia);
    }
}

void TVarForm::FormShow(TObject*)
{
    FillTree();
    tv->SetFocus();
}

void TVarForm::FillTree()
{
    const AnsiString Source = Document ? Document->Variables()->Text() : AnsiString();
    // The first showing builds the tree; a later one only when another list
    // is shown (the price tags' and the statements' templates differ).
    if (!FirstShow && Source == FBuiltFrom)
        return;
    FirstShow = false;
    FBuiltFrom = Source;
    tv->Items()->BeginUpdate();
    tv->Items()->Clear();
    FSections = Document ? ParseVariables(Document->Variables()) : std::vector<VarSection>();
    for (VarSection& S : FSections) {
        TTreeNode* Section = tv->Items()->Add(nullptr, S.Title);
        Section->SetImageIndex(ImgSection);
        Section->SetSelectedIndex(ImgSectionOpen);
        for (VarEntry& E : S.Vars) {
            TTreeNode* Node = tv->Items()->AddChildObject(Section, E.Description, &E);
            Node->SetImageIndex(ImgVariable);
            Node->SetSelectedIndex(ImgVariableSelected);
        }
    }
    tv->Items()->EndUpdate();
    tv->FullExpand();
    if (tv->Items()->Count() > 0)
        tv->SetSelected(tv->Items()->GetFirstNode());
    else
        tvChange(tv, nullptr);
}

const VarEntry* TVarForm::EntryOf(TTreeNode* Node) const
{
    return Node && Node->Level() > 0 ? static_cast<const VarEntry*>(Node->Data()) : nullptr;
}

void TVarForm::tvChange(TObject*, TTreeNode* Node)
{
    AnsiString Text;
    bool HasHelp = false;
    if (const VarEntry* E = EntryOf(Node)) {
        Text = VariableHelp(*E);
        HasHelp = !E->Help.IsEmpty() || !E->MoreHelp.empty();
    } else if (Node) {
        Text = "Секция \""_a + Node->Text() + "\"";
    }
    lbHelp->SetCaption(Text);
    if (HasHelp)
        lbHelp->SetColor(clInfoBk);
    else
        lbHelp->SetParentColor(true);
    TPoint Size;
    MeasureText(Text, lbHelp->Font(), lbHelp->Width(), Size, /*WordWrap=*/true);
    const int Wanted = std::max(Size.Y + 2 * pnHelp->BorderWidth() + 4, MinHelpHeight);
    const int Grow = Wanted - pnHelp->Height();
    if (Grow != 0) {
        pnHelp->SetHeight(Wanted);
        SetClientHeight(ClientHeight() + Grow);
    }
}

void TVarForm::tvDblClick(TObject*)
{
    if (EntryOf(tv->Selected()))
        SetModalResult(mrOk);
}

void TVarForm::FormKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    if (!Shift.Empty())
        return;
    if (Key == VK_ESCAPE) {
        Key = 0;
        SetModalResult(mrCancel);
    } else if (Key == VK_RETURN) {
        Key = 0;
        if (EntryOf(tv->Selected()))
            SetModalResult(mrOk);
    }
}

void TVarForm::FormClose(TObject*, TCloseAction& Action)
{
    Action = caHide;
    const VarEntry* E = ModalResult() == mrOk ? EntryOf(tv->Selected()) : nullptr;
    VarName = E ? E->Name : AnsiString();
}
