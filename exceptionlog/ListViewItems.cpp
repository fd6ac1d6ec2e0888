#include "exceptionlog/ListViewItems.h"

#include "platform/forms/ComCtrls.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/ImgList.h"
#include "platform/classes/Strings.h"
#include "platform/classes/UpdateScope.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>

namespace {

// Colours of the rows.
constexpr TColor SelectedColor = TColor(RGB(204, 218, 241));
constexpr TColor NormalColor = TColor(RGB(255, 255, 255));
constexpr TColor FocusColor = TColor(RGB(49, 106, 197));
constexpr TColor FocusColorInactive = TColor(RGB(152, 181, 226));
constexpr TColor GroupLineColor = TColor(RGB(123, 164, 224));
constexpr TColor GridLineColor = TColor(RGB(206, 203, 194));
constexpr TColor FirstGroupText = TColor(RGB(128, 0, 0));
constexpr TColor AccentGroupText = TColor(RGB(0, 0, 128));
constexpr TColor GroupText = TColor(RGB(96, 96, 96));
// The pictures are drawn on this colour, which their top-left pixel holds
// and which is left out when they are drawn.
constexpr TColor PictureBack = clFuchsia;

constexpr int MaxColumns = 16;
constexpr int MinIndentWidth = 14;

enum { bmDLL, bmBPL, bmVCL, bmPAS, bmPlus, bmMinus };

std::unique_ptr<TBitmap> NewPicture(int Size)
{
    auto B = std::make_unique<TBitmap>();
    B->SetSize(Size, Size);
    TCanvas* C = B->Canvas();
    C->Brush()->SetColor(PictureBack);
    C->FillRect({0, 0, Size, Size});
    return B;
}

void Box(TCanvas* C, const TRect& R, TColor Fill, TColor Frame)
{
    C->Brush()->SetColor(Fill);
    C->FillRect(R);
    C->Brush()->SetColor(Frame);
    C->FrameRect(R);
}

// A sheet of paper with a folded corner and lines of text in Ink: source.
std::unique_ptr<TBitmap> PagePicture(TColor Ink)
{
    auto B = NewPicture(16);
    TCanvas* C = B->Canvas();
    Box(C, {2, 0, 13, 16}, clWhite, TColor(RGB(96, 96, 96)));
    C->Brush()->SetColor(PictureBack);
    C->FillRect({10, 0, 13, 3});
    C->Brush()->SetColor(TColor(RGB(96, 96, 96)));
    C->FillRect({9, 0, 10, 4});
    C->FillRect({9, 3, 13, 4});
    C->Brush()->SetColor(Ink);
    for (int Y = 6; Y < 14; Y += 2)
        C->FillRect({4, Y, Y % 4 == 0 ? 11 : 9, Y + 1});
    return B;
}

// A cog: a shared library.
std::unique_ptr<TBitmap> LibraryPicture()
{
    auto B = NewPicture(16);
    TCanvas* C = B->Canvas();
    const TColor Dark = TColor(RGB(64, 96, 112));
    C->Brush()->SetColor(Dark);
    C->FillRect({6, 0, 10, 16});
    C->FillRect({0, 6, 16, 10});
    C->Pen()->SetColor(Dark);
    C->Brush()->SetColor(TColor(RGB(120, 160, 176)));
    C->Ellipse({2, 2, 14, 14});
    C->Brush()->SetColor(clWhite);
    C->Ellipse({5, 5, 11, 11});
    return B;
}

std::unique_ptr<TBitmap> PackagePicture()
{
    auto B = NewPicture(16);
    TCanvas* C = B->Canvas();
    Box(C, {1, 4, 15, 15}, TColor(RGB(214, 170, 96)), TColor(RGB(120, 80, 20)));
    C->Brush()->SetColor(TColor(RGB(120, 80, 20)));
    C->FillRect({1, 8, 15, 9});
    C->FillRect({7, 4, 9, 15});
    Box(C, {3, 1, 13, 5}, TColor(RGB(236, 200, 130)), TColor(RGB(120, 80, 20)));
    return B;
}

std::unique_ptr<TBitmap> ProgramPicture()
{
    auto B = NewPicture(16);
    TCanvas* C = B->Canvas();
    Box(C, {0, 2, 16, 14}, clWhite, TColor(RGB(0, 0, 128)));
    C->Brush()->SetColor(TColor(RGB(0, 0, 160)));
    C->FillRect({0, 2, 16, 5});
    C->Brush()->SetColor(TColor(RGB(192, 192, 192)));
    C->FillRect({2, 7, 9, 9});
    C->FillRect({2, 10, 12, 12});
    return B;
}

std::unique_ptr<TBitmap> BoxPicture(bool Plus)
{
    auto B = NewPicture(13);
    TCanvas* C = B->Canvas();
    Box(C, {0, 0, 13, 13}, clWhite, TColor(RGB(128, 128, 128)));
    C->Brush()->SetColor(clBlack);
    C->FillRect({3, 6, 10, 7});
    if (Plus)
        C->FillRect({6, 3, 7, 10});
    // Rounded corners; the top-left one is the colour left out.
    for (const TPoint P : {TPoint {0, 0}, TPoint {12, 0}, TPoint {0, 12}, TPoint {12, 12}})
        C->SetPixels(P.X, P.Y, PictureBack);
    return B;
}

bool AllBlank(const std::vector<AnsiString>& Texts)
{
    return std::all_of(Texts.begin(), Texts.end(),
                       [](const AnsiString& T) { return Trim(T).IsEmpty(); });
}

TTextFormat AlignFormat(TAlignment Align)
{
    TTextFormat F {tfSingleLine, tfVerticalCenter, tfNoPrefix, tfEndEllipsis};
    switch (Align) {
    case taLeftJustify: F.Include(tfLeft); break;
    case taRightJustify: F.Include(tfRight); break;
    case taCenter: F.Include(tfCenter); break;
    }
    return F;
}

void FillBar(TCanvas& C, const TRect& R, TColor Color)
{
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(Color);
    C.FillRect(R);
}

void Text(TCanvas& C, TRect R, AnsiString S, TTextFormat F)
{
    C.Brush()->SetStyle(bsClear);
    C.TextRect(R, S, F);
}

}  // namespace

TListViewItems::TListViewItems(TCustomListView* AListView) : ListView(AListView)
{
    Bitmaps[bmDLL] = LibraryPicture();
    Bitmaps[bmBPL] = PackagePicture();
    Bitmaps[bmVCL] = ProgramPicture();
    Bitmaps[bmPAS] = PagePicture(TColor(RGB(0, 0, 160)));
    Bitmaps[bmPlus] = BoxPicture(/*Plus=*/true);
    Bitmaps[bmMinus] = BoxPicture(/*Plus=*/false);
    ImageList = std::make_unique<TImageList>(nullptr, 16, 16);
    for (int I = bmDLL; I <= bmPAS; ++I)
        ImageList->Add(Bitmaps[size_t(I)].get(), nullptr);
    ListView->SetSmallImages(ImageList.get());
    for (const auto& B : Bitmaps) {
        B->SetTransparentMode(tmFixed);
        B->SetTransparentColor(PictureBack);
        B->SetTransparent(true);
    }
}

TListViewItems::~TListViewItems()
{
    if (ListView->SmallImages() == ImageList.get())
        ListView->SetSmallImages(nullptr);
}

void TListViewItems::Prepare()
{
    ColumnCount = std::min(ListView->Columns()->Count(), MaxColumns);
    for (int C = 0; C < ColumnCount; ++C)
        ColumnAlign[size_t(C)] = ListView->Columns()->Items(C)->Alignment();
    TBitmap Measure;
    TCanvas* C = Measure.Canvas();
    C->Font()->Assign(ListView->Font());
    do
        IndentText += " ";
    while (C->TextWidth(IndentText) < MinIndentWidth);
    FIndentWidth = C->TextWidth(IndentText);
    BoldFont = std::make_unique<TFont>();
    BoldFont->Assign(ListView->Font());
    TFontStyles Bold = BoldFont->Style();
    BoldFont->SetStyle(Bold.Include(fsBold));
    Prepared = true;
}

void TListViewItems::AddItem(const std::vector<AnsiString>& Texts, int ImageIndex, int Kind,
                             bool IsGroup, const AnsiString& GroupText)
{
    if (!Prepared)
        Prepare();
    auto Rec = std::make_unique<TListViewItemRec>();
    Rec->ListView = ListView;
    Rec->Columns = Texts;
    Rec->ImageIndex = ImageIndex;
    Rec->IsGroup = IsGroup;
    Rec->IsEmpty = !IsGroup && AllBlank(Texts);
    Rec->Kind = Kind;
    if (IsGroup)
        ++GroupCounter;
    else if (Rec->IsEmpty)
        GroupCounter = 0;
    if (!Rec->IsEmpty && GroupCounter > 1) {
        Rec->Level = 1;
        if (!Rec->Columns.empty())
            Rec->Columns[0] = IndentText + Rec->Columns[0];
    }
    Rec->GroupText = GroupText;
    Rec->Previous = LastItem;
    LastItem = Rec->IsEmpty ? nullptr : Rec.get();
    FItems.push_back(std::move(Rec));
    Insert(FItems.back().get(), ListView->Items()->Count());
}

void TListViewItems::Insert(TListViewItemRec* Rec, int Position)
{
    if (Rec->Columns.empty())
        return;
    TListItem* Item = ListView->Items()->Insert(Position);
    Item->SetCaption(Rec->Columns[0]);
    Item->SetImageIndex(Rec->ImageIndex);
    Item->SetData(Rec);
    for (size_t C = 1; C < Rec->Columns.size(); ++C)
        Item->SubItems()->Add(Rec->Columns[C]);
}

TListViewItemRec* TListViewItems::RowRecord(int Row) const
{
    if (Row < 0 || Row >= ListView->Items()->Count())
        return nullptr;
    return static_cast<TListViewItemRec*>(ListView->Items()->Item(Row)->Data());
}


void TListViewItems::DrawItem(TCanvas& Canvas, int Item, const TRect& Rect, bool Selected,
                              bool Focused)
{
    TListViewItemRec* Rec = RowRecord(Item);
    if (!Rec)
        return;
    int L = Rect.Left;
    const int T = Rect.Top, R = Rect.Right, B = Rect.Bottom;
    const int X = FIndentWidth * Rec->Level;
    FillBar(Canvas, {L + X + 2, T, R, B}, Selected ? SelectedColor : NormalColor);
    Canvas.Font()->Assign(ListView->Font());
    Canvas.Font()->SetColor(clBlack);
    if (!Rec->IsGroup) {
        if (Rec->ImageIndex >= 0 && Rec->ImageIndex <= bmPAS)
            Canvas.Draw(L + 2 + X, T, Bitmaps[size_t(Rec->ImageIndex)].get());
        if (!Rec->IsEmpty)
            FillBar(Canvas, {L + X + 2, B - 1, R, B}, GridLineColor);
        int S = L;
        for (int C = 0; C < ColumnCount; ++C) {
            const int Width = ListView->Columns()->Items(C)->Width();
            const TRect TextRect = C == 0 ? TRect {S + 20, T, S + Width - 2, B}
                                          : TRect {S + 6, T, S + Width - 6, B};
            if (size_t(C) < Rec->Columns.size())
                Text(Canvas, TextRect, Rec->Columns[size_t(C)], AlignFormat(ColumnAlign[size_t(C)]));
            S += Width;
        }
        if (Focused) {
            Canvas.Brush()->SetStyle(bsSolid);
            Canvas.Brush()->SetColor(Selected && ListView->Focused() ? FocusColor
                                                                     : FocusColorInactive);
            Canvas.FrameRect({L + X + 2, T, R, B});
        }
        return;
    }
    TColor Color = GroupText;
    if (Item == 0)
        Color = FirstGroupText;
    else if (Rec->Kind != 0)
        Color = AccentGroupText;
    else
        L += FIndentWidth;
    FillBar(Canvas, {L + 2, B - 2, R, B}, GroupLineColor);
    Canvas.Font()->Assign(BoldFont.get());
    Canvas.Font()->SetColor(Color);
    Text(Canvas, {L + 15, T - 1, R, B}, Rec->GroupText, AlignFormat(taLeftJustify));
    Canvas.Draw(L + 1, T + 1, Bitmaps[Rec->Expanded ? bmMinus : bmPlus].get());
}

void TListViewItems::ToggleAt(int Row, TPoint Point, bool BoxOnly)
{
    const TRect Bounds = ListView->ItemRect(Row);
    Point.X -= Bounds.Left;
    Point.Y -= Bounds.Top;
    TListViewItemRec* Group = RowRecord(Row);
    if (!Group || !Group->IsGroup)
        return;
    if (BoxOnly) {
        const int D = Group->Previous ? FIndentWidth : 0;
        if (Point.X < D + 2 || Point.X > D + 12 || Point.Y < 2 || Point.Y > 12)
            return;
    }
    Group->Expanded = !Group->Expanded;
    const bool Show = Group->Expanded;
    {
        UpdateScope<TListItems> Redraw(ListView->Items());
        const auto At = std::find_if(FItems.begin(), FItems.end(),
                                     [&](const auto& P) { return P.get() == Group; });
        int Position = Row + 1;
        for (auto I = At + 1; I != FItems.end() && !(*I)->IsEmpty; ++I) {
            TListViewItemRec* Rec = I->get();
            const bool WasVisible = Rec->Visible;
            Rec->Visible = Show;
            if (Show) {
                // A row already shown stays where it is.
                if (!WasVisible && !Rec->Columns.empty())
                    Insert(Rec, Position);
                if (!Rec->Columns.empty())
                    ++Position;
                if (Rec->IsGroup && !Rec->Expanded)
                    break;
            } else if (WasVisible && !Rec->Columns.empty()) {
                ListView->Items()->Delete(Position);
            }
        }
    }
    ListView->UpdateItems(Row, Row);
}

void TListViewItems::DeleteItem(int Index)
{
    // The bold font is the list's, made once with the first row: it goes
    // with the list, not with each row.
    FItems.erase(FItems.begin() + Index);
}

void TListViewItems::Clear()
{
    while (!FItems.empty())
        DeleteItem(Count() - 1);
    LastItem = nullptr;
}
