// The header and its columns: the column model (creation index against
// display position, widths, auto-size and spring columns), the header's
// properties, its mouse handling in the tree's frame and its stream.

#include "common/vtree/VTree.h"
#include "common/vtree/VTreePrivate.h"

#include "platform/forms/Forms.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <cmath>

// ---- column ---------------------------------------------------------------------------------


TVirtualTreeColumn::TVirtualTreeColumn(TCollection* Collection) : TCollectionItem(Collection)
{
    if (Collection)
        FPosition = Collection->Count() - 1;
    if (TVirtualTreeColumns* Columns = Owner()) {
        TBaseVirtualTree* Tree = Columns->Header()->Treeview();
        FBiDiMode = Tree->BiDiMode();
        FColor = Tree->Color();
    }
}

TVirtualTreeColumn::~TVirtualTreeColumn()
{
    if (TVirtualTreeColumns* Columns = Owner(); Columns && !Columns->FClearing)
        Columns->IndexDeleted(Index());
}

TVirtualTreeColumns* TVirtualTreeColumn::Owner() const
{
    return static_cast<TVirtualTreeColumns*>(Collection());
}

void TVirtualTreeColumn::SetText(const std::u16string& Value)
{
    if (FText == Value)
        return;
    FText = Value;
    Changed(false);
}

void TVirtualTreeColumn::SetWidth(int Value)
{
    Value = std::clamp(Value, FMinWidth, std::max(FMinWidth, FMaxWidth));
    if (Value == FWidth)
        return;
    TVirtualTreeColumns* Columns = Owner();
    TVTHeader* Header = Columns ? Columns->Header() : nullptr;
    const bool AutoResize = Header && Header->Options().Contains(hoAutoResize);
    FLastWidth = FWidth;
    // With auto-resize the auto-size column's width is the client's rest:
    // asking it for another only remembers the request.
    if (!(AutoResize && Index() == Header->AutoSizeIndex()))
        FWidth = Value;
    if (!Columns)
        return;
    Columns->UpdatePositions();
    TBaseVirtualTree* Tree = Header->Treeview();
    if (Tree->ComponentState().Contains(csLoading) || Header->Loading())
        return;
    if (AutoResize)
        Columns->AdjustAutoSize(Index());
    // Inside the columns' update bracket widths change silently.
    if (Columns->UpdateCount() == 0)
        Tree->DoColumnResize(Index());
    Tree->UpdateHorizontalScrollBar(false);
    Tree->Invalidate();
}

void TVirtualTreeColumn::SetMinWidth(int Value)
{
    Value = std::max(Value, 0);
    if (Value > FMaxWidth)
        Value = FMaxWidth;
    FMinWidth = Value;
    SetWidth(FWidth);
}

void TVirtualTreeColumn::SetMaxWidth(int Value)
{
    if (Value < FMinWidth)
        Value = FMinWidth;
    FMaxWidth = Value;
    SetWidth(FWidth);
}

void TVirtualTreeColumn::SetPosition(int Value)
{
    TVirtualTreeColumns* Columns = Owner();
    if (!Columns || Columns->Header()->Treeview()->ComponentState().Contains(csLoading) ||
        Columns->Header()->Loading()) {
        FPosition = Value;
        return;
    }
    Value = std::clamp(Value, 0, Columns->Count() - 1);
    if (Value != FPosition)
        Columns->MoveColumn(this, Value);
    // A fixed area stays one block: the neighbour decides.
    const int Neighbour = FOptions.Contains(coFixed) && FPosition > 0 ? FPosition - 1
                                                                      : FPosition + 1;
    const TColumnIndex Other = Columns->ColumnAtPosition(Neighbour);
    if (Other >= 0) {
        if (Columns->GetItem(Other)->FOptions.Contains(coFixed))
            FOptions.Include(coFixed);
        else
            FOptions.Exclude(coFixed);
    }
}

void TVirtualTreeColumn::SetStyle(TVirtualTreeColumnStyle Value)
{
    if (FStyle != Value) {
        FStyle = Value;
        Changed(false);
    }
}

void TVirtualTreeColumn::SetImageIndex(int Value)
{
    if (FImageIndex != Value) {
        FImageIndex = Value;
        Changed(false);
    }
}

void TVirtualTreeColumn::SetBiDiMode(TBiDiMode Value)
{
    if (FBiDiMode == Value)
        return;
    FBiDiMode = Value;
    FOptions.Exclude(coParentBidiMode);
    Changed(false);
}

void TVirtualTreeColumn::SetLayout(TVTHeaderColumnLayout Value)
{
    if (FLayout != Value) {
        FLayout = Value;
        Changed(false);
    }
}

void TVirtualTreeColumn::SetMargin(int Value)
{
    if (Value < 0)
        Value = 4;
    if (FMargin != Value) {
        FMargin = Value;
        Changed(false);
    }
}

void TVirtualTreeColumn::SetSpacing(int Value)
{
    if (FSpacing != Value) {
        FSpacing = Value;
        Changed(false);
    }
}

void TVirtualTreeColumn::SetAlignment(TAlignment Value)
{
    if (FAlignment != Value) {
        FAlignment = Value;
        Changed(false);
    }
}

void TVirtualTreeColumn::SetColor(TColor Value)
{
    if (FColor == Value)
        return;
    FColor = Value;
    FOptions.Exclude(coParentColor);
    Changed(false);
}

void TVirtualTreeColumn::SetOptions(TVTColumnOptions Value)
{
    if (FOptions == Value)
        return;
    const TVTColumnOptions Old = FOptions;
    FOptions = Value;
    TVirtualTreeColumns* Columns = Owner();
    TBaseVirtualTree* Tree = Columns ? Columns->Header()->Treeview() : nullptr;
    if (Tree && Value.Contains(coParentBidiMode) && !Old.Contains(coParentBidiMode))
        FBiDiMode = Tree->BiDiMode();
    if (Tree && Value.Contains(coParentColor) && !Old.Contains(coParentColor))
        FColor = Tree->Color();
    if (Value.Contains(coAutoSpring) && !Old.Contains(coAutoSpring))
        FSpringRest = 0;
    Changed(false);
    if (!Tree || Tree->ComponentState().Contains(csLoading))
        return;
    const bool VisibleChanged = Old.Contains(coVisible) != Value.Contains(coVisible);
    if ((VisibleChanged || (Value.Contains(coParentColor) && !Old.Contains(coParentColor))) &&
        Tree->UpdateCount() == 0 && Tree->HandleAllocated()) {
        Tree->Invalidate();
        if (VisibleChanged)
            Tree->UpdateHorizontalScrollBar(false);
    }
}

void TVirtualTreeColumn::GetAbsoluteBounds(int& Left, int& Right) const
{
    Left = FLeft;
    Right = FLeft + FWidth;
}

int TVirtualTreeColumn::GetDisplayLeft() const
{
    TVirtualTreeColumns* Columns = Owner();
    if (!Columns || (FOptions.Contains(coVisible) && FOptions.Contains(coFixed)))
        return FLeft;
    return FLeft + Columns->Header()->Treeview()->OffsetX();
}

bool TVirtualTreeColumn::Equals(const TVirtualTreeColumn& O) const
{
    return FBiDiMode == O.FBiDiMode && FImageIndex == O.FImageIndex && FLayout == O.FLayout &&
           FMargin == O.FMargin && FMaxWidth == O.FMaxWidth && FMinWidth == O.FMinWidth &&
           FPosition == O.FPosition && FSpacing == O.FSpacing && FStyle == O.FStyle &&
           FText == O.FText && FHint == O.FHint && FWidth == O.FWidth &&
           FAlignment == O.FAlignment && FColor == O.FColor && FTag == O.FTag &&
           FOptions == O.FOptions;
}

void TVirtualTreeColumn::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TVirtualTreeColumn*>(Source);
    if (!S) {
        inherited::Assign(Source);
        return;
    }
    FOptions = TVTColumnOptions();
    SetBiDiMode(S->FBiDiMode);
    SetImageIndex(S->FImageIndex);
    SetLayout(S->FLayout);
    SetMargin(S->FMargin);
    SetMaxWidth(S->FMaxWidth);
    SetMinWidth(S->FMinWidth);
    SetPosition(S->FPosition);
    SetSpacing(S->FSpacing);
    SetStyle(S->FStyle);
    SetText(S->FText);
    FHint = S->FHint;
    SetWidth(S->FWidth);
    SetAlignment(S->FAlignment);
    SetColor(S->FColor);
    FTag = S->FTag;
    SetOptions(S->FOptions);
    Changed(false);
}

AnsiString TVirtualTreeColumn::GetDisplayName()
{
    const bool Narrow = std::all_of(FText.begin(), FText.end(),
                                    [](char16_t C) { return C <= 0xFF; });
    if (!Narrow)
        return Format("Column %d", {Index()});
    AnsiString Result;
    for (char16_t C : FText)
        Result += static_cast<char>(C);
    return Result;
}

void TVirtualTreeColumn::ComputeHeaderLayout(HDC DC, const TRect& Client,
                                             bool UseHeaderGlyph, bool UseSortGlyph,
                                             TPoint& HeaderGlyphPos, TPoint& SortGlyphPos,
                                             TRect& TextBounds) const
{
    HeaderGlyphPos = SortGlyphPos = TPoint{0, 0};
    TextBounds = TRect();
    TVTHeader* Header = Owner()->Header();
    TCustomImageList* Images = Header->Images();
    UseHeaderGlyph = UseHeaderGlyph && Images;
    if (FText.empty() && !UseHeaderGlyph && !UseSortGlyph)
        return;
    TAlignment Align = FAlignment;
    if (FBiDiMode != bdLeftToRight && Align != taCenter)
        Align = Align == taLeftJustify ? taRightJustify : taLeftJustify;
    const int Width = Client.Width();
    const int Height = Client.Height();
    const TSize GlyphSize = UseHeaderGlyph ? TSize{Images->Width(), Images->Height()} : TSize{0, 0};
    const TSize SortSize = UseSortGlyph ? TSize{SortGlyphSize, SortGlyphSize} : TSize{0, 0};
    TSize TextSize{0, 0};
    if (!FText.empty()) {
        GetTextExtentPoint32W(DC, FText.data(), static_cast<int>(FText.size()),
                              TextSize);
        TextSize.cx += 2;
    }
    const int TextSpacing = FText.empty() ? 0 : FSpacing;
    SortGlyphPos.Y = (Height - SortSize.cy) / 2;
    // Vertical places.
    int TextTop = (Height - TextSize.cy) / 2;
    if (UseHeaderGlyph) {
        switch (FLayout) {
        case blGlyphLeft:
        case blGlyphRight:
            HeaderGlyphPos.Y = (Height - GlyphSize.cy) / 2;
            break;
        case blGlyphTop:
            HeaderGlyphPos.Y = (Height - GlyphSize.cy - TextSize.cy - TextSpacing) / 2;
            TextTop = HeaderGlyphPos.Y + GlyphSize.cy + TextSpacing;
            break;
        case blGlyphBottom:
            TextTop = (Height - GlyphSize.cy - TextSize.cy - TextSpacing) / 2;
            HeaderGlyphPos.Y = TextTop + TextSize.cy + TextSpacing;
            break;
        }
    }
    const bool Stacked = UseHeaderGlyph && (FLayout == blGlyphTop || FLayout == blGlyphBottom);
    const bool Rtl = FBiDiMode != bdLeftToRight;
    int TextLeft = 0;
    if (FText.empty() && !UseHeaderGlyph) {
        // Only a sort glyph: centred.
        SortGlyphPos.X = (Width - SortSize.cx) / 2;
    } else if (Align == taCenter) {
        const int Block = Stacked ? TextSize.cx
                                  : GlyphSize.cx + (UseHeaderGlyph ? TextSpacing : 0) + TextSize.cx;
        int X = (Width - Block) / 2;
        if (Stacked) {
            HeaderGlyphPos.X = (Width - GlyphSize.cx) / 2;
            X -= SortSize.cx / 2;
            TextLeft = X;
        } else if (UseHeaderGlyph && FLayout == blGlyphRight) {
            TextLeft = X;
            HeaderGlyphPos.X = X + TextSize.cx + TextSpacing;
        } else {
            HeaderGlyphPos.X = X;
            TextLeft = X + (UseHeaderGlyph ? GlyphSize.cx + TextSpacing : 0);
        }
        SortGlyphPos.X = Rtl ? X - FSpacing - SortSize.cx : X + Block + FSpacing;
    } else {
        // Fill from the margin (left) or mirror it from the right.
        int X = FMargin;
        auto Place = [&](int W, int Gap) {
            const int At = Align == taLeftJustify ? X : Width - X - W;
            X += W + Gap;
            return At;
        };
        const bool SortFirst = (Align == taLeftJustify) == Rtl;
        if (UseSortGlyph && SortFirst)
            SortGlyphPos.X = Place(SortSize.cx, FSpacing);
        if (Stacked) {
            TextLeft = Place(TextSize.cx, FSpacing);
            HeaderGlyphPos.X = TextLeft + (TextSize.cx - GlyphSize.cx) / 2;
        } else {
            const bool GlyphFirst = (FLayout == blGlyphLeft) == (Align == taLeftJustify);
            if (UseHeaderGlyph && GlyphFirst)
                HeaderGlyphPos.X = Place(GlyphSize.cx, TextSpacing);
            TextLeft = Place(TextSize.cx, FSpacing);
            if (UseHeaderGlyph && !GlyphFirst)
                HeaderGlyphPos.X = Place(GlyphSize.cx, FSpacing);
        }
        if (UseSortGlyph && !SortFirst)
            SortGlyphPos.X = Place(SortSize.cx, FSpacing);
    }
    // Everything stays within the margins; the text is cut at the limit.
    const int Lo = FMargin;
    const int Hi = Width - FMargin;
    if (UseSortGlyph)
        SortGlyphPos.X = std::clamp(SortGlyphPos.X, Lo, std::max(Lo, Hi - SortSize.cx));
    if (UseHeaderGlyph)
        HeaderGlyphPos.X = std::clamp(HeaderGlyphPos.X, Lo, std::max(Lo, Hi - GlyphSize.cx));
    TextLeft = std::max(TextLeft, Lo);
    int TextRight = std::min(TextLeft + TextSize.cx, Hi);
    if (UseSortGlyph && !Rtl && Align != taRightJustify && SortGlyphPos.X >= TextLeft)
        TextRight = std::min(TextRight, SortGlyphPos.X - FSpacing);
    if (!FText.empty())
        TextBounds = TRect{TextLeft, TextTop, std::max(TextLeft, TextRight), TextTop + TextSize.cy};
    HeaderGlyphPos.X += Client.Left;
    HeaderGlyphPos.Y += Client.Top;
    SortGlyphPos.X += Client.Left;
    SortGlyphPos.Y += Client.Top;
    TextBounds.Left += Client.Left;
    TextBounds.Right += Client.Left;
    TextBounds.Top += Client.Top;
    TextBounds.Bottom += Client.Top;
}

// ---- columns --------------------------------------------------------------------------------


TVirtualTreeColumns::TVirtualTreeColumns(TVTHeader* AOwner)
    : TCollection(TVirtualTreeColumn::StaticClass()), FHeader(AOwner)
{
}

TVirtualTreeColumns::~TVirtualTreeColumns()
{
    // The items go with the collection: nothing is renumbered or redrawn
    // for them, and the tree may be half gone.
    FClearing = true;
    FDestroying = true;
    // Freed here, while the items' owner is still this collection.
    inherited::Clear();
}

void TVirtualTreeColumns::AdjustPositions()
{
    const size_t N = static_cast<size_t>(Count());
    if (FPositionToIndex.size() == N)
        return;
    if (FPositionToIndex.size() > N) {
        // Shrinking: indices that no longer exist move down until they fit.
        bool Again = true;
        while (Again) {
            Again = false;
            for (TColumnIndex& I : FPositionToIndex)
                if (I >= static_cast<TColumnIndex>(N)) {
                    --I;
                    Again = true;
                }
        }
        FPositionToIndex.resize(N);
        return;
    }
    for (size_t I = FPositionToIndex.size(); I < N; ++I)
        FPositionToIndex.push_back(static_cast<TColumnIndex>(I));
}

void TVirtualTreeColumns::FixPositions()
{
    for (int I = 0; I < Count(); ++I) {
        const int P = GetItem(I)->FPosition;
        if (P >= 0 && P < static_cast<int>(FPositionToIndex.size()))
            FPositionToIndex[static_cast<size_t>(P)] = I;
    }
    FNeedPositionsFix = false;
    UpdatePositions(true);
}

void TVirtualTreeColumns::UpdatePositions(bool Force)
{
    if (FNeedPositionsFix || (UpdateCount() > 0 && !Force))
        return;
    // Widths read from a stream may be absurd: the lefts stop at the
    // largest coordinate instead of wrapping round.
    int64_t RunningPos = 0;
    for (size_t I = 0; I < FPositionToIndex.size(); ++I) {
        TVirtualTreeColumn* C = GetItem(FPositionToIndex[I]);
        C->FPosition = static_cast<int>(I);
        C->FLeft = static_cast<int>(RunningPos);
        if (C->FOptions.Contains(coVisible))
            RunningPos = std::clamp<int64_t>(RunningPos + C->FWidth, INT_MIN, INT_MAX);
    }
}

void TVirtualTreeColumns::MoveColumn(TVirtualTreeColumn* Column, int NewPosition)
{
    AdjustPositions();
    TBaseVirtualTree* Tree = FHeader->Treeview();
    Tree->AbortEditing();
    const int Old = Column->FPosition;
    const TColumnIndex Index = Column->Index();
    FPositionToIndex.erase(FPositionToIndex.begin() + Old);
    FPositionToIndex.insert(FPositionToIndex.begin() + NewPosition, Index);
    Column->FPosition = NewPosition;
    Column->Changed(false);
    if (UpdateCount() == 0 && Tree->HandleAllocated()) {
        FHeader->Invalidate();
        Tree->Invalidate();
    }
}

void TVirtualTreeColumns::IndexDeleted(TColumnIndex Index)
{
    if (Index < 0)
        return;
    AdjustPositions();
    std::erase(FPositionToIndex, Index);
    for (TColumnIndex& I : FPositionToIndex)
        if (I > Index)
            --I;
    auto Renumber = [Index](TColumnIndex& I) {
        if (I == Index)
            I = NoColumn;
        else if (I > Index)
            --I;
    };
    Renumber(FHoverIndex);
    Renumber(FDownIndex);
    Renumber(FTrackIndex);
    Renumber(FClickIndex);
    Renumber(FHeader->FAutoSizeIndex);
    Renumber(FHeader->FSortColumn);
    // The main column must stay a real column: the lowest other index
    // takes over, and a higher one follows the renumbering.
    const int Remaining = Count() - 1;
    TColumnIndex& Main = FHeader->FMainColumn;
    if (Main == Index)
        Main = Remaining > 0 ? 0 : NoColumn;
    else if (Main > Index)
        --Main;
}

void TVirtualTreeColumns::Update(TCollectionItem* Item)
{
    if (FDestroying)
        return;
    AdjustPositions();
    TBaseVirtualTree* Tree = FHeader->Treeview();
    if (Tree->ComponentState().Contains(csLoading))
        FNeedPositionsFix = true;
    else
        UpdatePositions();
    if (Count() > 0 && FHeader->FMainColumn < 0)
        FHeader->FMainColumn = 0;
    if (Tree->ComponentState().Contains(csLoading) || FHeader->Loading())
        return;
    if (FHeader->Options().Contains(hoAutoResize))
        AdjustAutoSize(InvalidColumn);
    if (Item) {
        FHeader->Invalidate(static_cast<TVirtualTreeColumn*>(Item)->Index());
    } else if (Tree->HandleAllocated()) {
        Tree->UpdateHorizontalScrollBar(false);
        FHeader->Invalidate();
        Tree->Invalidate();
    }
}

void TVirtualTreeColumns::Assign(TPersistent* Source)
{
    inherited::Assign(Source);
    if (auto* S = dynamic_cast<TVirtualTreeColumns*>(Source)) {
        FPositionToIndex = S->FPositionToIndex;
        UpdatePositions(true);
    }
}

void TVirtualTreeColumns::Clear()
{
    FClearing = true;
    FHoverIndex = FDownIndex = FTrackIndex = FClickIndex = NoColumn;
    if (!FHeader->Loading()) {
        FHeader->FAutoSizeIndex = NoColumn;
        FHeader->FMainColumn = NoColumn;
        FHeader->FSortColumn = NoColumn;
    }
    FPositionToIndex.clear();
    inherited::Clear();
    FClearing = false;
}

TColumnIndex TVirtualTreeColumns::ColumnAtPosition(int Position) const
{
    if (Position < 0 || Position >= static_cast<int>(FPositionToIndex.size()))
        return NoColumn;
    return FPositionToIndex[static_cast<size_t>(Position)];
}

TColumnIndex TVirtualTreeColumns::GetFirstVisibleColumn() const
{
    for (TColumnIndex I : FPositionToIndex)
        if (GetItem(I)->FOptions.Contains(coVisible))
            return I;
    return InvalidColumn;
}

TColumnIndex TVirtualTreeColumns::GetLastVisibleColumn() const
{
    for (auto It = FPositionToIndex.rbegin(); It != FPositionToIndex.rend(); ++It)
        if (GetItem(*It)->FOptions.Contains(coVisible))
            return *It;
    return InvalidColumn;
}

TColumnIndex TVirtualTreeColumns::GetNextColumn(TColumnIndex Column) const
{
    if (!IsValidColumn(Column))
        return InvalidColumn;
    const TColumnIndex Next = ColumnAtPosition(GetItem(Column)->FPosition + 1);
    return Next == NoColumn ? InvalidColumn : Next;
}

TColumnIndex TVirtualTreeColumns::GetPreviousColumn(TColumnIndex Column) const
{
    if (!IsValidColumn(Column))
        return InvalidColumn;
    const TColumnIndex Prev = ColumnAtPosition(GetItem(Column)->FPosition - 1);
    return Prev == NoColumn ? InvalidColumn : Prev;
}

TColumnIndex TVirtualTreeColumns::GetNextVisibleColumn(TColumnIndex Column) const
{
    for (int Steps = 0; Steps < Count(); ++Steps) {
        Column = GetNextColumn(Column);
        if (Column == InvalidColumn || GetItem(Column)->FOptions.Contains(coVisible))
            return Column;
    }
    return InvalidColumn;
}

TColumnIndex TVirtualTreeColumns::GetPreviousVisibleColumn(TColumnIndex Column) const
{
    for (int Steps = 0; Steps < Count(); ++Steps) {
        Column = GetPreviousColumn(Column);
        if (Column == InvalidColumn || GetItem(Column)->FOptions.Contains(coVisible))
            return Column;
    }
    return InvalidColumn;
}

std::vector<TColumnIndex> TVirtualTreeColumns::GetVisibleColumns() const
{
    std::vector<TColumnIndex> Result;
    for (TColumnIndex I : FPositionToIndex)
        if (GetItem(I)->FOptions.Contains(coVisible))
            Result.push_back(I);
    return Result;
}

int TVirtualTreeColumns::GetVisibleFixedWidth() const
{
    int Result = 0;
    for (int I = 0; I < Count(); ++I) {
        const TVirtualTreeColumn* C = GetItem(I);
        if (C->FOptions.Contains(coVisible) && C->FOptions.Contains(coFixed))
            Result += C->FWidth;
    }
    return Result;
}

int TVirtualTreeColumns::TotalWidth() const
{
    const TColumnIndex Last = GetLastVisibleColumn();
    if (Last < 0)
        return 0;
    const TVirtualTreeColumn* C = GetItem(Last);
    return C->FLeft + C->FWidth;
}

void TVirtualTreeColumns::GetColumnBounds(TColumnIndex Column, int& Left, int& Right) const
{
    if (Column == NoColumn || !IsValidColumn(Column)) {
        Left = 0;
        Right = FHeader->Treeview()->ClientWidth();
        return;
    }
    Left = GetItem(Column)->GetDisplayLeft();
    Right = Left + GetItem(Column)->FWidth;
}

TColumnIndex TVirtualTreeColumns::ColumnFromPosition(const TPoint& P, bool Relative) const
{
    TBaseVirtualTree* Tree = FHeader->Treeview();
    if (P.X < 0 || P.Y < 0 || P.Y > Tree->Height())
        return InvalidColumn;
    int Sum = 0;
    if (Relative && P.X >= GetVisibleFixedWidth())
        Sum = Tree->OffsetX();
    for (TColumnIndex I : FPositionToIndex) {
        const TVirtualTreeColumn* C = GetItem(I);
        if (!C->FOptions.Contains(coVisible))
            continue;
        Sum += C->FWidth;
        if (P.X < Sum)
            return I;
    }
    return InvalidColumn;
}

bool TVirtualTreeColumns::Equals(const TVirtualTreeColumns& Other) const
{
    if (Count() != Other.Count() || FPositionToIndex != Other.FPositionToIndex)
        return false;
    for (int I = 0; I < Count(); ++I)
        if (!GetItem(I)->Equals(*Other.GetItem(I)))
            return false;
    return true;
}

void TVirtualTreeColumns::AdjustAutoSize(TColumnIndex CurrentIndex, bool Force)
{
    if (Count() == 0)
        return;
    TColumnIndex AutoIndex = IsValidColumn(FHeader->FAutoSizeIndex) ? FHeader->FAutoSizeIndex
                                                                     : Count() - 1;
    if (CurrentIndex >= 0 && IsValidColumn(CurrentIndex) &&
        GetItem(CurrentIndex)->FPosition >= GetItem(AutoIndex)->FPosition) {
        AutoIndex = GetNextVisibleColumn(CurrentIndex);
        if (AutoIndex < 0)
            return;
    }
    TBaseVirtualTree* Tree = FHeader->Treeview();
    int NewWidth = Tree->HandleAllocated() ? Tree->ClientWidth() : Tree->Width();
    for (int I = 0; I < Count(); ++I)
        if (I != AutoIndex && GetItem(I)->FOptions.Contains(coVisible))
            NewWidth -= GetItem(I)->FWidth;
    TVirtualTreeColumn* C = GetItem(AutoIndex);
    NewWidth = std::clamp(NewWidth, C->FMinWidth, std::max(C->FMinWidth, C->FMaxWidth));
    if (!Force && NewWidth == C->FWidth)
        return;
    C->FLastWidth = C->FWidth;
    C->FWidth = NewWidth;
    UpdatePositions(true);
    if (UpdateCount() == 0)
        Tree->DoColumnResize(AutoIndex);
}

void TVirtualTreeColumns::AdjustSpringColumns(int HeaderWidth)
{
    const int Difference = FHeader->FLastWidth == 0 ? 0 : HeaderWidth - FHeader->FLastWidth;
    FHeader->FLastWidth = HeaderWidth;
    if (Difference == 0)
        return;
    std::vector<TVirtualTreeColumn*> Springs;
    for (TColumnIndex I : GetVisibleColumns())
        if (GetItem(I)->FOptions.Contains(coAutoSpring))
            Springs.push_back(GetItem(I));
    if (Springs.empty())
        return;
    const float Share = static_cast<float>(std::abs(Difference)) / Springs.size();
    float Budget = static_cast<float>(std::abs(Difference));
    for (TVirtualTreeColumn* C : Springs) {
        if (Budget < 0)
            break;
        float Owed = Share + C->FSpringRest;
        if (Owed >= 1) {
            const int Whole = static_cast<int>(std::floor(Owed));
            C->SetWidth(C->FWidth + (Difference > 0 ? Whole : -Whole));
            Owed -= Whole;
        }
        C->FSpringRest = Owed;
        Budget -= Share;
    }
}

void TVirtualTreeColumns::AnimatedResize(TColumnIndex Column, int NewWidth)
{
    if (!IsValidColumn(Column))
        return;
    TVirtualTreeColumn* C = GetItem(Column);
    NewWidth = std::clamp(NewWidth, C->FMinWidth, std::max(C->FMinWidth, C->FMaxWidth));
    if (NewWidth == C->FWidth)
        return;
    // The steps only move pixels that the repaint after SetWidth redraws
    // anyway; the window layer composes the frame, so the width is set at
    // once.
    C->SetWidth(NewWidth);
}

// ---- header ---------------------------------------------------------------------------------


TVTHeader::TVTHeader(TBaseVirtualTree* AOwner)
    : FOwner(AOwner), FColumns(std::make_unique<TVirtualTreeColumns>(this)),
      FFont(std::make_unique<TFont>()), FImageChangeLink(std::make_unique<TChangeLink>()),
      FDragImage(std::make_unique<TVTDragImage>(AOwner))
{
    FDragImage->SetTransparency(140);
    FDragImage->SetPreBlendBias(-50);
    FFont->OnChange = TNotifyEvent(this, &TVTHeader::FontChanged);
    FImageChangeLink->OnChange = TNotifyEvent(this, &TVTHeader::ImageListChange);
}

TVTHeader::~TVTHeader()
{
    if (FImages)
        FImages->UnRegisterChanges(FImageChangeLink.get());
    FColumns.reset();
}

TColumnIndex TVTHeader::MainColumn() const
{
    return FColumns->Count() > 0 ? FMainColumn : NoColumn;
}

void TVTHeader::SetMainColumn(TColumnIndex Value)
{
    if (FOwner->ComponentState().Contains(csLoading)) {
        FMainColumn = Value;
        return;
    }
    if (FColumns->Count() == 0)
        Value = NoColumn;
    else
        Value = std::clamp(Value, 0, FColumns->Count() - 1);
    if (Value == FMainColumn)
        return;
    FMainColumn = Value;
    if (!FOwner->TreeOptions()->SelectionOptions().Contains(toExtendedFocus))
        FOwner->SetFocusedColumn(Value);
    FOwner->Invalidate();
}

void TVTHeader::SetSortColumn(TColumnIndex Value)
{
    if (FOwner->ComponentState().Contains(csLoading)) {
        FSortColumn = Value;
        return;
    }
    Value = std::clamp(Value, NoColumn, FColumns->Count() - 1);
    if (Value == FSortColumn)
        return;
    Invalidate(FSortColumn);
    FSortColumn = Value;
    Invalidate(FSortColumn);
    if (FOwner->TreeOptions()->AutoOptions().Contains(toAutoSort) && FOwner->UpdateCount() == 0)
        FOwner->SortTree(FSortColumn, FSortDirection, true);
}

void TVTHeader::SetSortDirection(TSortDirection Value)
{
    if (Value == FSortDirection)
        return;
    FSortDirection = Value;
    Invalidate();
    if (FOwner->TreeOptions()->AutoOptions().Contains(toAutoSort) && FOwner->UpdateCount() == 0)
        FOwner->SortTree(FSortColumn, FSortDirection, true);
}

void TVTHeader::SetAutoSizeIndex(TColumnIndex Value)
{
    if (FAutoSizeIndex == Value)
        return;
    FAutoSizeIndex = Value;
    if (FOptions.Contains(hoAutoResize))
        FColumns->AdjustAutoSize(InvalidColumn);
}

void TVTHeader::SetBackground(TColor Value)
{
    if (FBackground != Value) {
        FBackground = Value;
        Invalidate();
    }
}

void TVTHeader::SetHeight(Cardinal Value)
{
    if (FHeight == Value)
        return;
    FHeight = Value;
    if (!FOwner->ComponentState().Contains(csLoading))
        RecalculateHeader();
}

void TVTHeader::SetFont(TFont* Value)
{
    FFont->Assign(Value);
    FParentFont = false;
}

void TVTHeader::SetParentFont(bool Value)
{
    if (FParentFont == Value)
        return;
    FParentFont = Value;
    if (FParentFont)
        FFont->Assign(FOwner->Font());
}

void TVTHeader::FontChanged(TObject*)
{
    Invalidate();
}

void TVTHeader::SetOptions(TVTHeaderOptions Value)
{
    const TVTHeaderOptions Old = FOptions;
    if (Old == Value)
        return;
    FOptions = Value;
    if (Old.Contains(hoAutoResize) != Value.Contains(hoAutoResize) && FColumns->Count() > 0) {
        FColumns->AdjustAutoSize(InvalidColumn);
        if (FOwner->HandleAllocated() && Value.Contains(hoAutoResize)) {
            FOwner->UpdateHorizontalScrollBar(false);
            FOwner->Invalidate();
        }
    }
    if (!FOwner->ComponentState().Contains(csLoading) && FOwner->HandleAllocated()) {
        if (Old.Contains(hoVisible) != Value.Contains(hoVisible))
            RecalculateHeader();
        Invalidate();
        FOwner->Invalidate();
    }
}

void TVTHeader::SetStyle(TVTHeaderStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    if (!FOwner->ComponentState().Contains(csLoading))
        Invalidate();
}

void TVTHeader::SetImages(TCustomImageList* Value)
{
    if (FImages == Value)
        return;
    if (FImages)
        FImages->UnRegisterChanges(FImageChangeLink.get());
    FImages = Value;
    if (FImages)
        FImages->RegisterChanges(FImageChangeLink.get());
    if (!FOwner->ComponentState().Contains(csLoading))
        Invalidate();
}

void TVTHeader::ImageListChange(TObject*)
{
    if (!FOwner->ComponentState().Contains(csDestroying))
        Invalidate();
}

void TVTHeader::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TVTHeader*>(Source);
    if (!S) {
        inherited::Assign(Source);
        return;
    }
    SetAutoSizeIndex(S->FAutoSizeIndex);
    SetBackground(S->FBackground);
    SetColumns(S->FColumns.get());
    SetFont(S->FFont.get());
    SetHeight(S->FHeight);
    SetImages(S->FImages);
    SetMainColumn(S->FMainColumn);
    SetOptions(S->FOptions);
    FParentFont = S->FParentFont;
    SetSortColumn(S->FSortColumn);
    SetSortDirection(S->FSortDirection);
    SetStyle(S->FStyle);
}

void TVTHeader::ChangeScale(int M, int D)
{
    if (D != 0)
        FFont->SetSize(MulDiv(FFont->Size(), M, D));
}

void TVTHeader::RecalculateHeader()
{
    if (!FOwner->HandleAllocated())
        return;
    FOwner->ComputeHeaderRect();
    SetWindowPos(FOwner->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED |
                     SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
}

void TVTHeader::Invalidate(TColumnIndex)
{
    if (!FOptions.Contains(hoVisible) || !FOwner->HandleAllocated())
        return;
    // The header lies in the frame, which is redrawn as a whole: a single
    // column's button costs as much as the row.
    RedrawWindow(FOwner->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOERASE);
}

bool TVTHeader::InHeader(const TPoint& P) const
{
    // Client coordinates: the header lies just above the client area.
    const TRect R = FOwner->HeaderRect();
    const int Top = -static_cast<int>(R.Height());
    return FOptions.Contains(hoVisible) && P.Y >= Top && P.Y < 0 && P.X >= 0 &&
           P.X < R.Width();
}

bool TVTHeader::DetermineSplitterIndex(int X)
{
    FColumns->FTrackIndex = NoColumn;
    const std::vector<TColumnIndex> Visible = FColumns->GetVisibleColumns();
    int Right = FOwner->OffsetX() + FColumns->TotalWidth();
    for (auto It = Visible.rbegin(); It != Visible.rend(); ++It) {
        TVirtualTreeColumn* C = FColumns->GetItem(*It);
        const int R = C->FOptions.Contains(coFixed) ? C->FLeft + C->FWidth : Right;
        if (X > R - 3 && X < R + 5) {
            if (!C->FOptions.Contains(coResizable))
                return false;
            FColumns->FTrackIndex = *It;
            FTrackStart = R - C->FWidth;
            return true;
        }
        Right -= C->FWidth;
    }
    return false;
}

void TVTHeader::RestoreColumns()
{
    const std::vector<TColumnIndex> Visible = FColumns->GetVisibleColumns();
    for (auto It = Visible.rbegin(); It != Visible.rend(); ++It) {
        TVirtualTreeColumn* C = FColumns->GetItem(*It);
        if (C->FOptions.Contains(coResizable))
            FColumns->AnimatedResize(*It, C->FLastWidth);
    }
}

void TVTHeader::AutoFitColumns()
{
    for (TColumnIndex I : FColumns->GetVisibleColumns()) {
        TVirtualTreeColumn* C = FColumns->GetItem(I);
        if (C->FOptions.Contains(coResizable))
            FColumns->AnimatedResize(I, std::max(FOwner->ColumnContentWidth(I), C->FMinWidth));
    }
}

void TVTHeader::ForgetMouse()
{
    if (FColumns->FHoverIndex == NoColumn && FColumns->FDownIndex == NoColumn)
        return;
    FColumns->FHoverIndex = NoColumn;
    FColumns->FDownIndex = NoColumn;
    Invalidate();
}

bool TVTHeader::UseColumns() const
{
    return FColumns->Count() > 0 && FOptions.Contains(hoVisible);
}

bool TVTHeader::ColumnIsVisible(TColumnIndex Column) const
{
    return FColumns->IsValidColumn(Column) &&
           FColumns->GetItem(Column)->FOptions.Contains(coVisible);
}

void TVTHeader::ColumnBounds(TColumnIndex Column, int& Left, int& Right) const
{
    if (!FColumns->IsValidColumn(Column)) {
        Left = Right = 0;
        return;
    }
    FColumns->GetItem(Column)->GetAbsoluteBounds(Left, Right);
}

TColumnIndex TVTHeader::ColumnFromPosition(int X, int& Left, int& Right) const
{
    const TColumnIndex C = FColumns->ColumnFromPosition({X, static_cast<int>(FHeight)}, false);
    if (C < 0) {
        Left = Right = 0;
        return InvalidColumn;
    }
    FColumns->GetItem(C)->GetAbsoluteBounds(Left, Right);
    return C;
}

TColumnIndex TVTHeader::PreviousVisibleColumn(TColumnIndex Column) const
{
    return FColumns->GetPreviousVisibleColumn(Column);
}

TColumnIndex TVTHeader::NextVisibleColumn(TColumnIndex Column) const
{
    return FColumns->GetNextVisibleColumn(Column);
}

TColumnIndex TVTHeader::FirstVisibleColumn() const
{
    return FColumns->GetFirstVisibleColumn();
}

// ---- mouse ----

namespace {

// The header's own timer notices the mouse leaving the header (nothing
// else tells the window), every 50 ms while a column is hovered.
constexpr UINT_PTR HeaderTimer = 3;
constexpr UINT HoverInterval = 50;

TShiftState KeyboardShiftState()
{
    TShiftState Result;
    if (GetKeyState(VK_SHIFT) < 0)
        Result.Include(ssShift);
    if (GetKeyState(VK_MENU) < 0)
        Result.Include(ssAlt);
    if (GetKeyState(VK_CONTROL) < 0)
        Result.Include(ssCtrl);
    return Result;
}

} // namespace------------------------------------------------------------------------------

bool TVTHeader::HandleMessage(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_SIZE:
        if (FOptions.Contains(hoAutoResize) &&
            !FOwner->TreeStates().Contains(tsWindowCreating)) {
            FColumns->AdjustAutoSize(InvalidColumn);
            Invalidate();
        }
        if (FOptions.Contains(hoAutoSpring))
            FColumns->AdjustSpringColumns(FOwner->HeaderRect().Width());
        return false;
    case WM_SETCURSOR: {
        if (FResizing || FResizePending || FDragging || FDragPending) {
            Message.Result = 1;
            return true;
        }
        TPoint P;
        GetCursorPos(P);
        P = FOwner->ScreenToClient(P);
        if (!InHeader(P))
            return false;
        if (FOptions.Contains(hoColumnResize) && DetermineSplitterIndex(P.X)) {
            SetCursor(Screen->Cursors(crHSplit));
            Message.Result = 1;
            return true;
        }
        return false;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCMOUSEMOVE:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        return HandleHeaderMouse(Message);
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDBLCLK:
        return HandleHeaderDoubleClick(Message);
    case WM_TIMER:
        if (Message.WParam != HeaderTimer)
            return false;
        HoverTimerTick();
        return true;
    case WM_KEYDOWN:
        if (Message.WParam != VK_ESCAPE)
            return false;
        [[fallthrough]];
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
        if (FDragging || FDragPending) {
            ReleaseCapture();
            FDragImage->EndDrag();
            FDragging = FDragPending = false;
            FColumns->FDropTarget = FColumns->FDragIndex = NoColumn;
            Invalidate();
            return Message.Msg == WM_KEYDOWN;
        }
        if (FResizing || FResizePending) {
            ReleaseCapture();
            FResizing = FResizePending = false;
            return Message.Msg == WM_KEYDOWN;
        }
        return false;
    default:
        return false;
    }
}

void TVTHeader::HoverTimerTick()
{
    TPoint P;
    GetCursorPos(P);
    P = FOwner->ScreenToClient(P);
    const TColumnIndex Down = FColumns->FDownIndex;
    if (InHeader(P) && (Down == NoColumn || FColumns->FHoverIndex == Down))
        return;
    if (FOwner->HandleAllocated())
        KillTimer(FOwner->Handle(), HeaderTimer);
    FColumns->FHoverIndex = NoColumn;
    FColumns->FClickIndex = NoColumn;
    FColumns->FDownIndex = NoColumn;
    Invalidate();
}

bool TVTHeader::HandleHeaderDoubleClick(TMessage& Message)
{
    const TPoint P = FOwner->ScreenToClient(
        TPoint{GetXLParam(Message.LParam), GetYLParam(Message.LParam)});
    if (!InHeader(P))
        return false;
    const TPoint HeaderPoint{P.X, P.Y + static_cast<int>(FHeight)};
    TMouseButton Button = mbLeft;
    if (Message.Msg == WM_NCRBUTTONDBLCLK)
        Button = mbRight;
    else if (Message.Msg == WM_NCMBUTTONDBLCLK)
        Button = mbMiddle;
    if (FOptions.Contains(hoDblClickResize) && DetermineSplitterIndex(P.X)) {
        // Double click on a splitter: the column fits its content.
        const TColumnIndex Track = FColumns->FTrackIndex;
        TVirtualTreeColumn* C = FColumns->GetItem(Track);
        FColumns->AnimatedResize(Track, std::max(FOwner->ColumnContentWidth(Track), C->FMinWidth));
        FColumns->FTrackIndex = NoColumn;
    } else {
        const TColumnIndex C = FColumns->ColumnFromPosition(HeaderPoint);
        if (FColumns->IsValidColumn(C)) {
            FColumns->FClickIndex = C;
            Invalidate(C);
        }
    }
    if (FColumns->FClickIndex > NoColumn)
        FOwner->DoHeaderDblClick(FColumns->FClickIndex, Button,
                                 KeyboardShiftState() + TShiftState{ssDouble}, P.X, HeaderPoint.Y);
    return true;
}

void TVTHeader::PrepareColumnDragImage()
{
    const TColumnIndex Index = FColumns->FDragIndex;
    if (!FColumns->IsValidColumn(Index) || !FOwner->HandleAllocated())
        return;
    // The column's button as the header shows it, on the face colour.
    TVirtualTreeColumn* C = FColumns->GetItem(Index);
    const int Height = static_cast<int>(FHeight);
    TBitmap Picture;
    Picture.SetSize(C->FWidth, Height);
    Picture.Canvas()->Brush()->SetColor(clBtnFace);
    Picture.Canvas()->FillRect(TRect{0, 0, C->FWidth, Height});
    HDC DC = Picture.Canvas()->Handle();
    const int Saved = SaveDC(DC);
    const int Left = C->GetDisplayLeft();
    OffsetViewportOrgEx(DC, -Left, 0, nullptr);
    FColumns->PaintHeader(DC, TRect{0, 0, FOwner->HeaderRect().Width(), Height}, FOwner->OffsetX());
    RestoreDC(DC, Saved);
    const TPoint Corner = FOwner->ClientToScreen(TPoint{Left, -Height});
    FDragImage->PrepareDrag(&Picture, Corner, FOwner->ClientToScreen(FDragStart));
    FDragImage->ShowDragImage();
}

bool TVTHeader::HandleHeaderMouse(TMessage& Message)
{
    const bool NonClient = Message.Msg == WM_NCLBUTTONDOWN || Message.Msg == WM_NCLBUTTONUP ||
                           Message.Msg == WM_NCMOUSEMOVE;
    TPoint P{GetXLParam(Message.LParam), GetYLParam(Message.LParam)};
    // Non-client messages carry screen points.
    if (NonClient)
        P = FOwner->ScreenToClient(P);
    // Column lookups take header coordinates: y below the header's top.
    const TPoint HeaderPoint{P.X, P.Y + static_cast<int>(FHeight)};
    switch (Message.Msg) {
    case WM_NCLBUTTONDOWN: {
        Application->CancelHint();
        if (!InHeader(P))
            return false;
        FDragStart = P;
        if (FOptions.Contains(hoColumnResize) && DetermineSplitterIndex(P.X)) {
            FColumns->FHoverIndex = NoColumn;
            FResizePending = true;
            SetCapture(FOwner->Handle());
            return true;
        }
        const TColumnIndex C = FColumns->ColumnFromPosition(HeaderPoint);
        if (!FColumns->IsValidColumn(C))
            return false;
        const TVTColumnOptions O = FColumns->GetItem(C)->FOptions;
        if (O.Contains(coAllowClick) && O.Contains(coEnabled)) {
            FColumns->FDownIndex = C;
            Invalidate(C);
        }
        if (FOptions.Contains(hoDrag) && O.Contains(coDraggable)) {
            FColumns->FDragIndex = C;
            FDragPending = true;
            SetCapture(FOwner->Handle());
            return true;
        }
        return false;
    }
    case WM_MOUSEMOVE:
        if (FResizePending) {
            FResizePending = false;
            FResizing = true;
        }
        if (FResizing) {
            if (FColumns->IsValidColumn(FColumns->FTrackIndex))
                FColumns->GetItem(FColumns->FTrackIndex)->SetWidth(P.X - FTrackStart);
            Invalidate();
            return true;
        }
        if (FDragPending && (std::abs(P.X - FDragStart.X) > GetSystemMetrics(SM_CXDRAG) ||
                             std::abs(P.Y - FDragStart.Y) > GetSystemMetrics(SM_CYDRAG))) {
            FDragPending = false;
            FDragging = true;
            const TColumnIndex Old = FColumns->FDownIndex;
            FColumns->FDownIndex = FColumns->FHoverIndex = NoColumn;
            Invalidate(Old);
            PrepareColumnDragImage();
        }
        if (FDragging) {
            // The drop mark follows the mouse: before or after the target's
            // centre.
            const TColumnIndex Target = FColumns->ColumnFromPosition(HeaderPoint);
            bool Before = FColumns->FDropBefore;
            if (FColumns->IsValidColumn(Target)) {
                const TVirtualTreeColumn* C = FColumns->GetItem(Target);
                const int Centre = C->GetDisplayLeft() + C->FWidth / 2;
                Before = P.X < Centre;
            }
            const bool Repaint = Target != FColumns->FDropTarget || Before != FColumns->FDropBefore;
            if (Repaint) {
                FColumns->FDropTarget = FColumns->IsValidColumn(Target) ? Target : NoColumn;
                FColumns->FDropBefore = Before;
                Invalidate();
            }
            FDragImage->DragTo(FOwner->ClientToScreen(P), Repaint);
            return true;
        }
        return FDragPending;
    case WM_NCMOUSEMOVE: {
        if (!InHeader(P))
            return false;
        const TColumnIndex C = FColumns->ColumnFromPosition(HeaderPoint);
        const TColumnIndex Hover = FColumns->IsValidColumn(C) ? C : NoColumn;
        const TColumnIndex Down = FColumns->FDownIndex;
        if (Hover != FColumns->FHoverIndex || (Down != NoColumn && Down != Hover)) {
            // Leaving the header sends nothing: the timer notices it.
            if (FOptions.Contains(hoHotTrack)) {
                Invalidate(FColumns->FHoverIndex);
                Invalidate(Hover);
            }
            FColumns->FHoverIndex = Hover;
            if (FOwner->HandleAllocated()) {
                KillTimer(FOwner->Handle(), HeaderTimer);
                SetTimer(FOwner->Handle(), HeaderTimer, HoverInterval, nullptr);
            }
        }
        return false;
    }
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP: {
        Application->CancelHint();
        const bool Captured = FResizing || FResizePending || FDragging || FDragPending;
        if (Captured)
            ReleaseCapture();
        bool Handled = false;
        if (FDragging) {
            Handled = true;
            FDragImage->EndDrag();
            const TColumnIndex Dragged = FColumns->FDragIndex;
            const TColumnIndex Target = FColumns->FDropTarget;
            const TRect Window{0, -static_cast<int>(FHeight), FOwner->ClientWidth(),
                               FOwner->ClientHeight()};
            if (FColumns->IsValidColumn(Dragged) && FColumns->IsValidColumn(Target) &&
                Target != Dragged && PtInRect(Window, P)) {
                TVirtualTreeColumn* C = FColumns->GetItem(Dragged);
                const int OldPosition = C->FPosition;
                const int TargetPosition = FColumns->GetItem(Target)->FPosition;
                const bool FromLeft = OldPosition < TargetPosition;
                int NewPosition = 0;
                if (FColumns->FDropBefore)
                    NewPosition = FromLeft ? std::max(TargetPosition - 1, 0) : TargetPosition;
                else
                    NewPosition = FromLeft ? TargetPosition : TargetPosition + 1;
                C->SetPosition(NewPosition);
                FOwner->DoHeaderDragged(Dragged, OldPosition);
            }
            FColumns->FDropTarget = NoColumn;
            FColumns->FDragIndex = NoColumn;
            Invalidate();
        } else if ((NonClient && InHeader(P)) || FColumns->FDownIndex >= 0) {
            const TColumnIndex C = FColumns->ColumnFromPosition(HeaderPoint);
            if (C >= 0 && C == FColumns->FDownIndex &&
                FColumns->GetItem(C)->FOptions.Contains(coAllowClick)) {
                FColumns->FClickIndex = C;
                FOwner->DoHeaderClick(C, mbLeft, KeyboardShiftState(), P.X, HeaderPoint.Y);
                Invalidate(C);
            } else {
                FColumns->FClickIndex = NoColumn;
            }
            Handled = Captured;
        } else {
            Handled = Captured;
        }
        if (FColumns->FTrackIndex >= 0 || FColumns->FDownIndex >= 0)
            Invalidate();
        FColumns->FTrackIndex = NoColumn;
        FColumns->FDownIndex = NoColumn;
        FResizing = FResizePending = FDragging = FDragPending = false;
        return Handled;
    }
    default:
        return false;
    }
}

// ---- stream ---------------------------------------------------------------------------------

namespace {

class HeaderReader {
public:
    explicit HeaderReader(TStream* Stream) : FStream(Stream) {}

    int32_t I32() { return static_cast<int32_t>(U32()); }
    uint32_t U32()
    {
        Need(4);
        unsigned char B[4];
        FStream->ReadBuffer(B, 4);
        return static_cast<uint32_t>(B[0]) | static_cast<uint32_t>(B[1]) << 8 |
               static_cast<uint32_t>(B[2]) << 16 | static_cast<uint32_t>(B[3]) << 24;
    }
    /// A count of Size-byte items, checked against the bytes left.
    uint32_t Count(int64_t Size)
    {
        const uint32_t N = U32();
        Need(static_cast<int64_t>(N) * Size);
        return N;
    }
    std::u16string Wide()
    {
        const uint32_t L = Count(2);
        std::u16string S(L, u'\0');
        for (uint32_t I = 0; I < L; ++I) {
            unsigned char B[2];
            FStream->ReadBuffer(B, 2);
            S[I] = static_cast<char16_t>(B[0] | B[1] << 8);
        }
        return S;
    }
    AnsiString Narrow()
    {
        const uint32_t L = Count(1);
        AnsiString S;
        S.SetLength(static_cast<int>(L));
        if (L > 0)
            FStream->ReadBuffer(S.Data(), static_cast<int>(L));
        return S;
    }

private:
    void Need(int64_t Bytes)
    {
        if (Bytes > FStream->Size() - FStream->Position())
            RaiseTreeError(vtree_private::SNotEnoughData, vtree_private::ErrNotEnoughData);
    }
    TStream* FStream;
};

void PutI32(TStream* Stream, int32_t V)
{
    const uint32_t U = static_cast<uint32_t>(V);
    const unsigned char B[4] = {static_cast<unsigned char>(U), static_cast<unsigned char>(U >> 8),
                                static_cast<unsigned char>(U >> 16),
                                static_cast<unsigned char>(U >> 24)};
    Stream->WriteBuffer(B, 4);
}

void PutWide(TStream* Stream, const std::u16string& S)
{
    PutI32(Stream, static_cast<int32_t>(S.size()));
    for (char16_t C : S) {
        const unsigned char B[2] = {static_cast<unsigned char>(C),
                                    static_cast<unsigned char>(C >> 8)};
        Stream->WriteBuffer(B, 2);
    }
}

constexpr int32_t HeaderStreamVersion = 3;

// Option bits as older versions stored them.
TVTColumnOptions ConvertColumnOptions(uint32_t Bits, int32_t Version)
{
    if (Version >= 3)
        return TVTColumnOptions::FromBits(Bits & 0xFFFF);
    if (Version == 2)
        return TVTColumnOptions::FromBits(Bits & 0xFF);
    // Before coParentColor existed: bits 4-6 were what are now 5-7.
    return TVTColumnOptions::FromBits((Bits & 0x0F) | ((Bits & 0x70) << 1));
}

} // namespace

void TVTHeader::WriteToStream(TStream* Stream) const
{
    PutI32(Stream, -1);
    PutI32(Stream, HeaderStreamVersion);
    PutI32(Stream, FColumns->Count());
    for (int I = 0; I < FColumns->Count(); ++I) {
        const TVirtualTreeColumn* C = FColumns->GetItem(I);
        PutWide(Stream, C->FText);
        PutWide(Stream, C->FHint);
        PutI32(Stream, C->FWidth);
        PutI32(Stream, C->FMinWidth);
        PutI32(Stream, C->FMaxWidth);
        PutI32(Stream, C->FStyle);
        PutI32(Stream, C->FImageIndex);
        PutI32(Stream, C->FLayout);
        PutI32(Stream, C->FMargin);
        PutI32(Stream, C->FSpacing);
        PutI32(Stream, C->FBiDiMode);
        PutI32(Stream, static_cast<int32_t>(C->FOptions.Bits() & 0xFFFF));
        PutI32(Stream, C->FTag);
        PutI32(Stream, C->FAlignment);
        PutI32(Stream, static_cast<int32_t>(C->FColor));
    }
    for (TColumnIndex I : FColumns->FPositionToIndex)
        PutI32(Stream, I);
    PutI32(Stream, FAutoSizeIndex);
    PutI32(Stream, static_cast<int32_t>(FBackground));
    PutI32(Stream, static_cast<int32_t>(FHeight));
    PutI32(Stream, static_cast<int32_t>(FOptions.Bits() & 0xFFFF));
    PutI32(Stream, FStyle);
    PutI32(Stream, static_cast<int32_t>(FFont->Color()));
    PutI32(Stream, FFont->Height());
    PutI32(Stream, FFont->Name().Length());
    if (FFont->Name().Length() > 0)
        Stream->WriteBuffer(FFont->Name().c_str(), FFont->Name().Length());
    PutI32(Stream, static_cast<int32_t>(FFont->Pitch()) & 0x7F);
    PutI32(Stream, static_cast<int32_t>(FFont->Style().Bits() & 0xFF));
    PutI32(Stream, FMainColumn);
    PutI32(Stream, FSortColumn);
    PutI32(Stream, FSortDirection);
}

void TVTHeader::ReadFromStream(TStream* Stream)
{
    HeaderReader R(Stream);
    const TVTHeaderOptions SavedOptions = FOptions;
    FLoading = true;
    FOptions = TVTHeaderOptions();
    // Indices from outside, or kept from before when the read stops part
    // way through new columns, must name real columns.
    auto FitIndices = [this]() {
        auto Fit = [this](TColumnIndex& I) {
            if (I < NoColumn || I >= FColumns->Count())
                I = NoColumn;
        };
        Fit(FAutoSizeIndex);
        Fit(FMainColumn);
        Fit(FSortColumn);
        if (FMainColumn < 0 && FColumns->Count() > 0)
            FMainColumn = 0;
    };
    struct LoadingEnd {
        TVTHeader* H;
        TVTHeaderOptions Saved;
        std::function<void()> FitIndices;
        ~LoadingEnd()
        {
            H->FLoading = false;
            H->FOptions = Saved;
            FitIndices();
        }
    } End{this, SavedOptions, FitIndices};

    int32_t Version = -1;
    int32_t Lead = R.I32();
    if (Lead == -1) {
        Version = R.I32();
        Lead = R.I32();
    }
    // The smallest column record: two empty texts and eleven numbers.
    const int64_t MinRecord = 4 * 2 + 4 * 10 + (Version > 0 ? 8 : 0) + (Version > 1 ? 4 : 0);
    const uint32_t Count = static_cast<uint32_t>(Lead);
    if (static_cast<int64_t>(Count) * (MinRecord + 4) > Stream->Size() - Stream->Position())
        RaiseTreeError(vtree_private::SNotEnoughData, vtree_private::ErrNotEnoughData);

    FColumns->Clear();
    FColumns->BeginUpdate();
    try {
        for (uint32_t I = 0; I < Count; ++I) {
            TVirtualTreeColumn* C = FColumns->Add();
            C->FText = R.Wide();
            C->FHint = R.Wide();
            C->FWidth = R.I32();
            C->FMinWidth = R.I32();
            C->FMaxWidth = R.I32();
            C->FStyle = static_cast<TVirtualTreeColumnStyle>(R.U32() & 0xFF ? vsOwnerDraw : vsText);
            C->FImageIndex = R.I32();
            C->FLayout = static_cast<TVTHeaderColumnLayout>(std::min<uint32_t>(R.U32() & 0xFF, 3));
            C->FMargin = R.I32();
            C->FSpacing = R.I32();
            C->FBiDiMode = static_cast<TBiDiMode>(std::min<uint32_t>(R.U32() & 0xFF, 3));
            C->FOptions = ConvertColumnOptions(R.U32(), Version);
            if (Version > 0) {
                C->FTag = R.I32();
                C->FAlignment = static_cast<TAlignment>(std::min<uint32_t>(R.U32() & 0xFF, 2));
            }
            if (Version > 1)
                C->FColor = static_cast<TColor>(R.I32());
        }
        std::vector<TColumnIndex> Positions;
        Positions.reserve(Count);
        std::vector<bool> Taken(Count);
        for (uint32_t I = 0; I < Count; ++I) {
            const int32_t P = R.I32();
            // Positions must be a permutation of the indices, or painting
            // would read columns that do not exist.
            if (P < 0 || P >= static_cast<int32_t>(Count) || Taken[static_cast<size_t>(P)])
                RaiseTreeError(vtree_private::SOverrun, vtree_private::ErrOverrun);
            Taken[static_cast<size_t>(P)] = true;
            Positions.push_back(P);
        }
        FColumns->FPositionToIndex = Positions;
        FColumns->UpdatePositions(true);
    } catch (...) {
        FColumns->EndUpdate();
        throw;
    }
    FColumns->EndUpdate();

    FAutoSizeIndex = R.I32();
    FBackground = static_cast<TColor>(R.I32());
    FHeight = R.U32();
    End.Saved = TVTHeaderOptions::FromBits(R.U32() & 0xFFFF);
    FStyle = static_cast<TVTHeaderStyle>(std::min<uint32_t>(R.U32() & 0xFF, 3));
    FFont->SetColor(static_cast<TColor>(R.I32()));
    FFont->SetHeight(R.I32());
    FFont->SetName(R.Narrow());
    FFont->SetPitch(static_cast<TFontPitch>(std::min<uint32_t>(R.U32() & 0x7F, 2)));
    FFont->SetStyle(TFontStyles::FromBits(R.U32() & 0x0F));
    if (Version > 0) {
        FMainColumn = R.I32();
        FSortColumn = R.I32();
        FSortDirection = (R.U32() & 0xFF) ? sdDescending : sdAscending;
    }
    FitIndices();
    FOwner->DoColumnResize(NoColumn);
}
