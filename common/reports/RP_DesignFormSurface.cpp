// The design surface: painting one template page with its grid and the
// selection marks, and the mouse: creating, selecting, the rubber band,
// moving, resizing, the Ctrl copy drag and Esc putting a drag back; the
// element commands the window's actions call (delete, z-order, element
// clipboard, keyboard moves).

#include "common/reports/RP_DesignForm.h"

#include "common/reports/RP_Page.h"
#include "common/reports/RP_StateStack.h"
#include "common/reports/RP_View.h"
#include "common/reports/RP_EditorForm.h"
#include "common/reports/RP_GEditorForm.h"

#include "platform/classes/Strings.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Format.h"
#include "platform/winapi/Windows.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>

namespace {

constexpr int NoPointer = 0x7FFFFFFF;

TRect Normalized(TRect R)
{
    if (R.Left > R.Right)
        std::swap(R.Left, R.Right);
    if (R.Top > R.Bottom)
        std::swap(R.Top, R.Bottom);
    return R;
}

TRect UnionOf(const TRect& A, const TRect& B)
{
    return Rect(std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
                std::max(A.Bottom, B.Bottom));
}

bool Meets(const TRect& A, const TRect& B)
{
    return A.Left < B.Right && B.Left < A.Right && A.Top < B.Bottom && B.Top < A.Bottom;
}

bool AltHeld()
{
    return GetKeyState(VK_MENU) < 0;
}

}  // namespace

DesignClipboardData& DesignClipboard()
{
    static DesignClipboardData Data;
    return Data;
}

int SnapToGridLine(int V, int Origin, int GridSize)
{
    if (GridSize <= 1)
        return V;
    // The grid lines run through Origin both ways; the remainder is taken
    // towards minus infinity so that points left of and above the origin
    // snap to their nearest line as those right of and below it do.
    const int Shifted = V + GridSize / 2 - Origin;
    int Rest = Shifted % GridSize;
    if (Rest < 0)
        Rest += GridSize;
    return V + GridSize / 2 - Rest;
}

PRICETAGS_DEFINE_CLASS(TPreview)

TPreview::TPreview(TDesignForm* AOwner) : TPanel(AOwner), Designer(AOwner)
{
    SetBevelOuter(bvNone);
    SetBevelInner(bvNone);
    SetBorderWidth(0);
    SetColor(clWhite);
    SetCaption("");
    SetFullRepaint(false);
    FBack = std::make_unique<TBitmap>();
}

TPreview::~TPreview() = default;

TDocument* TPreview::Doc() const
{
    return Designer ? Designer->Document : nullptr;
}

TPage* TPreview::Page() const
{
    TDocument* D = Doc();
    return D ? D->CurrentPage() : nullptr;
}

bool TPreview::Snapping() const
{
    const TDocument* D = Doc();
    return D && D->DefDesigner->SnapToGrid && !NoSnap && D->DefDesigner->GridSize > 1;
}

void TPreview::Layout()
{
    TDocument* D = Doc();
    if (!D)
        return;
    D->SetScale(Zoom);
    D->SetScaledPageExtent(Zoom);
    SetBounds(0, 0, std::max(D->PageWidth, 1), std::max(D->PageHeight, 1));
    if (Designer->pn)
        Designer->pn->SetBounds(Designer->pn->Left(), Designer->pn->Top(),
                                Width() + 2 * Designer->pn->BorderWidth(),
                                Height() + 2 * Designer->pn->BorderWidth());
    if (Designer->HorzRule) {
        Designer->HorzRule->CachedSize = {0, 0};
        Designer->HorzRule->Invalidate();
    }
    if (Designer->VertRule) {
        Designer->VertRule->CachedSize = {0, 0};
        Designer->VertRule->Invalidate();
    }
    Invalidate();
}

void TPreview::Redraw(const TRect& R)
{
    if (!Designer || Designer->Closing)
        return;
    if (!HandleAllocated())
        return;
    const TRect Area = R.Width() <= 0 || R.Height() <= 0 ? ClientRect() : R;
    InvalidateRect(Handle(), &Area, /*Erase=*/0);
    Update();
}

void TPreview::RedrawAll()
{
    Redraw(TRect());
}

// ---- painting -----------------------------------------------------------------------------------

void TPreview::FillBackground(TBitmap* B, const TRect& R)
{
    TDocument* D = Doc();
    const T_RPDefDesigner& S = *D->DefDesigner;
    // The grid's 8 x 8 pattern, written straight into the pixels: a
    // pattern brush would be combined pixel by pixel.
    const uint32_t White = 0xFFFFFFFFu;
    const uint32_t Grey = 0xFF808080u;
    uint32_t Pattern[8][8];
    for (auto& Row : Pattern)
        std::fill(std::begin(Row), std::end(Row), White);
    if (S.ShowGrid && S.GridSize > 1) {
        const int X = D->OffsetX % S.GridSize % 8;
        const int Y = D->OffsetY % S.GridSize % 8;
        Pattern[Y][X] = Grey;
        if (S.GridSize == 4) {
            Pattern[Y][(X + 4) % 8] = Grey;
            Pattern[(Y + 4) % 8][X] = Grey;
            Pattern[(Y + 4) % 8][(X + 4) % 8] = Grey;
        }
    }
    // The pattern keeps to the page: page pixel (x, y) takes (x mod 8,
    // y mod 8) wherever the part painted starts.
    for (int Row = 0; Row < R.Height(); ++Row) {
        auto* Line = static_cast<uint32_t*>(B->ScanLine(Row));
        const uint32_t* Src = Pattern[(R.Top + Row) % 8];
        int Phase = R.Left % 8;
        for (int Col = 0; Col < R.Width(); ++Col) {
            Line[Col] = Src[Phase];
            Phase = (Phase + 1) & 7;
        }
    }
}

void TPreview::PaintInto(TCanvas* C, const TRect& R)
{
    TDocument* D = Doc();
    TPage* P = Page();
    const HDC DC = C->Handle();
    TPoint Old;
    SetViewportOrgEx(DC, -R.Left, -R.Top, &Old);
    // The printable area, framed in silver.
    C->Brush()->SetColor(0xC0C0C0);
    C->FrameRect(
        Rect(D->OffsetX, D->OffsetY, D->PageWidth - D->OffsetX, D->PageHeight - D->OffsetY));
    C->Brush()->SetStyle(bsSolid);
    if (P) {
        for (int I = 0; I < P->ViewCount(); ++I) {
            TView* V = P->GetView(I);
            if (!Meets(V->GetInvalidateRect(), R))
                continue;
            V->Draw(C, dmDesign);
        }
        const int MarkMode = Pressed && Moved && !RubberBand && !Creating ? dmMarksFrame : dmMarks;
        for (int I = 0; I < P->ViewCount(); ++I) {
            TView* V = P->GetView(I);
            if (V->Selected && Meets(V->GetInvalidateRect(), R))
                V->Draw(C, MarkMode);
        }
    }
    if (FDragRectShown)
        C->DrawFocusRect(Normalized(FShownDragRect));
    SetViewportOrgEx(DC, Old.X, Old.Y, nullptr);
}

void TPreview::Paint()
{
    if (!Designer || Designer->IsUpdating() || !Doc())
        return;
    TCanvas* C = Canvas();
    TRect R = C->ClipRect();
    if (R.Width() <= 0 || R.Height() <= 0)
        R = ClientRect();
    R.Left = std::max(R.Left, 0);
    R.Top = std::max(R.Top, 0);
    R.Right = std::min(R.Right, Width());
    R.Bottom = std::min(R.Bottom, Height());
    if (R.Width() <= 0 || R.Height() <= 0)
        return;
    if (FBack->Width() < R.Width() || FBack->Height() < R.Height())
        FBack->SetSize(std::max(FBack->Width(), R.Width()), std::max(FBack->Height(), R.Height()));
    FillBackground(FBack.get(), R);
    PaintInto(FBack->Canvas(), R);
    C->CopyRect(R, FBack->Canvas(), Rect(0, 0, R.Width(), R.Height()));
    ++PaintCount;
    if (Designer->StatusBar && Designer->StatusBar->Panels()->Count() > 1) {
        const int Count = std::max(Doc()->PageCount(), 1);
        Designer->StatusBar->Panels()->Items(1)->SetText(
            Format("Лист %d/%d"_a, {Doc()->PageIndex() + 1, Count}));
    }
}

void TPreview::ShowDragRect(const TRect& R)
{
    TRect Area = Normalized(R);
    if (FDragRectShown)
        Area = UnionOf(Area, Normalized(FShownDragRect));
    FShownDragRect = R;
    FDragRectShown = true;
    Redraw(Rect(Area.Left - 1, Area.Top - 1, Area.Right + 2, Area.Bottom + 2));
}

void TPreview::HideDragRect()
{
    if (!FDragRectShown)
        return;
    FDragRectShown = false;
    const TRect Area = Normalized(FShownDragRect);
    Redraw(Rect(Area.Left - 1, Area.Top - 1, Area.Right + 2, Area.Bottom + 2));
}

// ---- selection and order ------------------------------------------------------------------------------

void TPreview::DeselectAll()
{
    TPage* P = Page();
    if (!P)
        return;
    for (int I = 0; I < P->ViewCount(); ++I)
        if (P->GetView(I)->Selected)
            P->GetView(I)->SetSelected(false);
}

TView* TPreview::CurrentElement() const
{
    TPage* P = Page();
    if (!P || P->ViewCount() == 0)
        return nullptr;
    for (int I = P->ViewCount() - 1; I >= 0; --I)
        if (P->GetView(I)->Selected)
            return P->GetView(I);
    return P->LastView();
}

void TPreview::OrderBands()
{
    TPage* P = Page();
    if (!P)
        return;
    int Front = 0;
    for (int I = 0; I < P->ViewCount(); ++I) {
        if (P->GetView(I)->Kind != vkBandArea)
            continue;
        if (I != Front) {
            P->MoveView(I, Front);
            SetModified();
        }
        ++Front;
    }
    for (int I = 1; I < P->ViewCount(); ++I) {
        TView* V = P->GetView(I);
        if (V->Kind == vkBandArea && V->BandTyp == btOverlay) {
            P->ExchangeViews(0, I);
            SetModified();
            break;
        }
    }
}

void TPreview::Reset()
{
    DeselectAll();
    Pressed = false;
    AfterDblClick = false;
    RubberBand = false;
    Creating = false;
    DragCopy = nullptr;
    SetSurfaceCursor(SelectTool ? crArrow : crCross);
    ResizeSide = 0;
}

void TPreview::SetModified()
{
    if (TDocument* D = Doc()) {
        D->Saved = false;
        D->StateStored = false;
    }
}

void TPreview::SetSurfaceCursor(TCursor C)
{
    SurfaceCursor = C;
    SetCursor(C);
}

void TPreview::EditCurrent()
{
    TDocument* D = Doc();
    if (!D || D->SelectedCount() != 1)
        return;
    TView* V = CurrentElement();
    const TRect Before = V->GetInvalidateRect();
    const bool Changed = V->Kind == vkPicture ? EditPicture(D, V) : EditText(D, V);
    if (!Changed)
        return;
    SetModified();
    Redraw(UnionOf(Before, V->GetInvalidateRect()));
    Designer->NotifyChange(true);
}

void TPreview::SelectBeneath()
{
    TDocument* D = Doc();
    TPage* P = Page();
    if (!P || D->SelectedCount() != 1)
        return;
    TView* Cur = CurrentElement();
    const int From = P->IndexOfView(Cur);
    for (int I = From - 1; I >= 0; --I) {
        TView* V = P->GetView(I);
        if (!PointInRectInclusive(V->GetDisplayRect(), PressPoint))
            continue;
        const TRect Old = Cur->GetInvalidateRect();
        DeselectAll();
        V->SetSelected(true);
        Redraw(Old);
        Redraw(V->GetInvalidateRect());
        Designer->NotifyChange(true);
        return;
    }
}

void TPreview::DeleteSelected()
{
    TDocument* D = Doc();
    TPage* P = Page();
    if (!P || D->SelectedCount() == 0)
        return;
    SetModified();
    const bool One = D->SelectedCount() == 1;
    const TRect Area = One ? CurrentElement()->GetInvalidateRect() : TRect();
    for (int I = P->ViewCount() - 1; I >= 0; --I) {
        TView* V = P->GetView(I);
        if (!V->Selected)
            continue;
        if (V == DragCopy)
            DragCopy = nullptr;
        P->DeleteView(I);
    }
    DeselectAll();
    Redraw(Area);
    Designer->NotifyChange(true);
}

void TPreview::ObjUp()
{
    TPage* P = Page();
    if (!P || P->ViewCount() == 0)
        return;
    const int N = P->ViewCount();
    int I = 0;
    for (int Step = 0; Step < N; ++Step) {
        if (P->GetView(I)->Selected) {
            P->ExchangeViews(I, N - 1);
            SetModified();
        } else {
            ++I;
        }
        if (I >= N)
            break;
    }
    OrderBands();
    RedrawAll();
    Designer->NotifyChange(true);
}

void TPreview::ObjDown()
{
    TPage* P = Page();
    if (!P || P->ViewCount() == 0)
        return;
    const int N = P->ViewCount();
    int I = N - 1;
    for (int Step = 0; Step < N; ++Step) {
        if (P->GetView(I)->Selected) {
            P->ExchangeViews(I, 0);
            SetModified();
        } else {
            --I;
        }
        if (I < 0)
            break;
    }
    OrderBands();
    RedrawAll();
    Designer->NotifyChange(true);
}

void TPreview::SelectPrevNext(bool Next)
{
    TDocument* D = Doc();
    TPage* P = Page();
    if (!P || P->ViewCount() == 0 || D->SelectedCount() > 1)
        return;
    const int N = P->ViewCount();
    int Index = Next ? 0 : N - 1;
    if (D->SelectedCount() == 1) {
        TView* Cur = CurrentElement();
        const int At = P->IndexOfView(Cur);
        Cur->SetSelected(false);
        Redraw(Cur->GetInvalidateRect());
        Index = Next ? (At + 1) % N : (At + N - 1) % N;
    }
    TView* V = P->GetView(Index);
    V->SetSelected(true);
    // Brought into view when it lies outside the visible area less 20
    // pixels each side.
    if (TScrollBox* Box = Designer->sb) {
        const int HX = Box->HorzScrollBar()->Position();
        const int VY = Box->VertScrollBar()->Position();
        const TRect Seen = Rect(HX + 20, VY + 20, HX + Box->ClientWidth() - 20,
                                VY + Box->ClientHeight() - 20);
        const TRect VR = V->GetDisplayRect();
        if (!Meets(VR, Seen)) {
            const int CX = (VR.Left + VR.Right) / 2;
            const int CY = (VR.Top + VR.Bottom) / 2;
            Box->HorzScrollBar()->SetPosition(std::max(0, CX - Box->ClientWidth() / 2));
            Box->VertScrollBar()->SetPosition(std::max(0, CY - Box->ClientHeight() / 2));
        }
    }
    Redraw(V->GetInvalidateRect());
    Designer->NotifyChange(true);
}

// ---- the element clipboard -------------------------------------------------------------------------------

void TPreview::CopySelection()
{
    TDocument* D = Doc();
    TPage* P = Page();
    if (!P || D->SelectedCount() == 0)
        return;
    DesignClipboardData& Clip = DesignClipboard();
    Clip.Views.clear();
    Clip.Document = D;
    Clip.PageIndex = D->PageIndex();
    for (int I = 0; I < P->ViewCount(); ++I)
        if (P->GetView(I)->Selected)
            Clip.Views.emplace_back(TView::CreateCopy(P->GetView(I), D));
    Designer->NotifyChange(true);
}

void TPreview::CutSelection()
{
    TDocument* D = Doc();
    if (!Page() || D->SelectedCount() == 0)
        return;
    CopySelection();
    DeleteSelected();
    RedrawAll();
}

void TPreview::Paste()
{
    TDocument* D = Doc();
    TPage* P = Page();
    DesignClipboardData& Clip = DesignClipboard();
    if (!P || Clip.Views.empty())
        return;
    SetModified();
    DeselectAll();
    const int Offset = Clip.Document == D && Clip.PageIndex == D->PageIndex() ? 4 : 0;
    for (const auto& Source : Clip.Views) {
        if (Source->Kind == vkBandArea && PageHasBandType(Source->BandTyp, nullptr))
            continue;
        // The clipboard's own element moves, so that the next paste lands
        // a further step away.
        const Extended Shift = Offset * HundredthsMMPerPixel;
        if (Source->Kind != vkBandArea)
            Source->SetLeftMM(Source->LeftMM() + Shift);
        Source->SetTopMM(Source->TopMM() + Shift);
        Source->Document = D;
        TView* Copy = TView::CreateCopy(Source.get(), D);
        Copy->InvalidatePixelCache();
        Copy->SetSelected(true);
        P->AddView(Copy);
    }
    OrderBands();
    RedrawAll();
    Designer->NotifyChange(true);
}

bool TPreview::PageHasBandType(int Type, const TView* Except) const
{
    TPage* P = Page();
    if (!P)
        return false;
    for (int I = 0; I < P->ViewCount(); ++I) {
        const TView* V = P->GetView(I);
        if (V != Except && V->Kind == vkBandArea && V->BandTyp == Type)
            return true;
    }
    return false;
}

int TPreview::FirstFreeBandType() const
{
    for (int T = 0; T <= btOverlay; ++T)
        if (!PageHasBandType(T, nullptr))
            return T;
    return btMasterData;
}

// ---- keyboard moves ---------------------------------------------------------------------------------------

void TPreview::NudgeSelection(int DX, int DY, bool Resize)
{
    TDocument* D = Doc();
    TPage* P = Page();
    if (!P || D->SelectedCount() == 0)
        return;
    const bool One = D->SelectedCount() == 1;
    TRect Area;
    for (int I = 0; I < P->ViewCount(); ++I) {
        TView* V = P->GetView(I);
        if (!V->Selected)
            continue;
        const TRect Before = V->GetInvalidateRect();
        TRect R = V->GetDisplayRect();
        if (Resize) {
            R.Right += DX;
            R.Bottom += DY;
        } else {
            R = Rect(R.Left + (V->Kind == vkBandArea ? 0 : DX), R.Top + DY,
                     R.Right + (V->Kind == vkBandArea ? 0 : DX), R.Bottom + DY);
        }
        V->SetDisplayRect(R);
        Area = UnionOf(Before, V->GetInvalidateRect());
    }
    SetModified();
    if (One)
        Redraw(Rect(Area.Left - 10, Area.Top - 10, Area.Right + 10, Area.Bottom + 10));
    else
        RedrawAll();
    Designer->ShowElementInfo();
    Designer->NotifyChange(true);
}

// ---- mouse ---------------------------------------------------------------------------------------------

void TPreview::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TPanel::MouseDown(Button, Shift, X, Y);
    if (Button == mbRight) {
        // The pop-up menu works on the element under the pointer.
        if (Doc() && Doc()->SelectedCount() <= 1) {
            PressAt(mbLeft, Shift, X, Y);
            ReleaseAt(mbLeft, Shift, X, Y);
        }
        return;
    }
    if (Button == mbLeft)
        PressAt(Button, Shift, X, Y);
}

void TPreview::MouseMove(TShiftState Shift, int X, int Y)
{
    TPanel::MouseMove(Shift, X, Y);
    MoveTo(Shift, X, Y);
}

void TPreview::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TPanel::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft && Pressed)
        ReleaseAt(Button, Shift, X, Y);
}

void TPreview::DblClick()
{
    TPanel::DblClick();
    Pressed = false;
    EditCurrent();
    AfterDblClick = true;
}

void TPreview::PressAt(TMouseButton, TShiftState Shift, int X, int Y)
{
    TDocument* D = Doc();
    TPage* P = Page();
    if (!P)
        return;
    if (Designer->sb && Designer->sb->CanFocus())
        Designer->sb->SetFocus();
    NoSnap = Shift.Contains(ssAlt) || AltHeld();
    if (AfterDblClick) {
        AfterDblClick = false;
        return;
    }
    PressPoint = Point(X, Y);
    Pressed = true;
    Cancelled = false;
    Moved = false;
    RubberBand = false;
    Creating = false;
    DragMode = 0;
    DragRect = Rect(X, Y, X, Y);
    if (Shift.Contains(ssCtrl)) {
        RubberBand = true;
        if (!Shift.Contains(ssShift)) {
            DeselectAll();
            RedrawAll();
        }
        return;
    }
    if (SurfaceCursor == crCross) {
        Creating = true;
        DeselectAll();
        RedrawAll();
        return;
    }
    if (SurfaceCursor == crArrow || SurfaceCursor == crDefault) {
        TView* Hit = nullptr;
        for (int I = P->ViewCount() - 1; I >= 0; --I) {
            if (P->GetView(I)->PointInView(X, Y)) {
                Hit = P->GetView(I);
                break;
            }
        }
        if (!Hit) {
            DeselectAll();
            RubberBand = true;
            RedrawAll();
            Designer->NotifyChange(false);
            return;
        }
        if (Shift.Contains(ssShift)) {
            Hit->SetSelected(true);
        } else if (!Hit->Selected) {
            const bool Many = D->SelectedCount() > 1;
            DeselectAll();
            Hit->SetSelected(true);
            (void)Many;
        }
        RedrawAll();
        Designer->NotifyChange(true);
    }
    TView* Cur = CurrentElement();
    if (Cur) {
        OldBounds = Cur->GetDisplayRect();
        OldDrawRect = Cur->GetInvalidateRect();
        StartPos = Point(Cur->GetLeft(), Cur->GetTop());
    }
    LastPoint = Point(X, Y);
}

TCursor TPreview::HandleCursorAt(int X, int Y, int Tolerance) const
{
    TView* Cur = CurrentElement();
    if (!Cur)
        return crArrow;
    const TRect R = Cur->GetDisplayRect();
    const auto Hit = [&](int PX, int PY) {
        return PX - Tolerance <= X && X <= PX + Tolerance + 1 && PY - Tolerance <= Y &&
               Y <= PY + Tolerance + 1;
    };
    const int MX = (R.Left + R.Right) / 2;
    const int MY = (R.Top + R.Bottom) / 2;
    if (Cur->Kind == vkBandArea) {
        // A band is sized only at its top and bottom.
        if (Hit(MX, R.Top) || Hit(MX, R.Bottom))
            return crSizeNS;
        return crArrow;
    }
    if (Hit(R.Left, R.Top) || Hit(R.Right, R.Bottom))
        return crSizeNWSE;
    if (Hit(R.Right, R.Top) || Hit(R.Left, R.Bottom))
        return crSizeNESW;
    if (Hit(MX, R.Top) || Hit(MX, R.Bottom))
        return crSizeNS;
    if (Hit(R.Left, MY) || Hit(R.Right, MY))
        return crSizeWE;
    return crArrow;
}

TPoint TPreview::SnapPoint(TPoint P) const
{
    if (!Snapping())
        return P;
    const TDocument* D = Doc();
    const int G = D->DefDesigner->GridSize;
    return Point(SnapToGridLine(P.X, D->OffsetX, G), SnapToGridLine(P.Y, D->OffsetY, G));
}

TPoint TPreview::GridStep(int DX, int DY) const
{
    if (!Snapping())
        return Point(DX, DY);
    const int G = Doc()->DefDesigner->GridSize;
    if (std::abs(DX) < G && std::abs(DY) < G)
        return Point(0, 0);
    return Point(DX - DX % G, DY - DY % G);
}

void TPreview::MoveTo(TShiftState Shift, int X, int Y)
{
    TDocument* D = Doc();
    if (!Page())
        return;
    Moved = Pressed;
    NoSnap = Shift.Contains(ssAlt) || AltHeld();
    if (Designer->HorzRule)
        Designer->HorzRule->SetPointer(X - D->OffsetX);
    if (Designer->VertRule)
        Designer->VertRule->SetPointer(Y - D->OffsetY);
    const TPoint P = SnapPoint(Point(X, Y));
    if (!Pressed) {
        Designer->ShowPointer(X, Y);
        TCursor C = SelectTool ? crArrow : crCross;
        if (SelectTool && D->SelectedCount() == 1)
            C = HandleCursorAt(X, Y, 2);
        SetSurfaceCursor(C);
        return;
    }
    Designer->ShowDragDistance(P.X - LastPoint.X, P.Y - LastPoint.Y);
    if (Cancelled)
        return;
    if (RubberBand || Creating) {
        DragMode = dgRect;
        DragRect = Rect(PressPoint.X, PressPoint.Y, X, Y);
        ShowDragRect(DragRect);
        return;
    }
    if (!SelectTool || D->SelectedCount() == 0)
        return;
    if (SurfaceCursor == crArrow || SurfaceCursor == crDefault || SurfaceCursor == crDrag) {
        DragMode = dgMove;
        // The distance is the pointer's own: snapping then moves by whole
        // grid steps only, so a drag shorter than a step moves nothing.
        const TPoint Step = GridStep(X - LastPoint.X, Y - LastPoint.Y);
        if (Step.X == 0 && Step.Y == 0)
            return;
        MoveSelection(Step.X, Step.Y);
        LastPoint = Point(LastPoint.X + Step.X, LastPoint.Y + Step.Y);
        Designer->ShowElementInfo();
        return;
    }
    if (D->SelectedCount() == 1) {
        DragMode = dgResize;
        ResizeCurrent(Point(X, Y));
        Designer->ShowElementInfo();
    }
}

void TPreview::MoveSelection(int DX, int DY)
{
    TDocument* D = Doc();
    TPage* P = Page();
    TRect Area;
    bool Any = false;
    for (int I = 0; I < P->ViewCount(); ++I) {
        TView* V = P->GetView(I);
        if (!V->Selected)
            continue;
        const TRect Before = V->GetInvalidateRect();
        const int EX = V->Kind == vkBandArea ? 0 : DX;
        const TRect R = V->GetDisplayRect();
        V->SetDisplayRect(Rect(R.Left + EX, R.Top + DY, R.Right + EX, R.Bottom + DY));
        const TRect Both = UnionOf(Before, V->GetInvalidateRect());
        Area = Any ? UnionOf(Area, Both) : Both;
        Any = true;
    }
    SetModified();
    if (D->SelectedCount() == 1 || D->SelectedCount() <= 50)
        Redraw(Area);
    else
        RedrawAll();
}

void TPreview::ResizeCurrent(TPoint P)
{
    TView* Cur = CurrentElement();
    if (!Cur)
        return;
    const TPoint Step = GridStep(P.X - LastPoint.X, P.Y - LastPoint.Y);
    if (Step.X == 0 && Step.Y == 0)
        return;
    const TRect Before = Cur->GetInvalidateRect();
    TRect R = Cur->GetDisplayRect();
    const auto On = [this](int X, int Y) {
        return X - 3 <= LastPoint.X && LastPoint.X <= X + 4 && Y - 3 <= LastPoint.Y &&
               LastPoint.Y <= Y + 4;
    };
    const int MX = (R.Left + R.Right) / 2;
    const int MY = (R.Top + R.Bottom) / 2;
    switch (SurfaceCursor) {
    case crSizeWE:
        if (ResizeSide == 3 || (ResizeSide == 0 && On(R.Left, MY))) {
            ResizeSide = 3;
            R.Left += Step.X;
        } else {
            R.Right += Step.X;
        }
        break;
    case crSizeNWSE:
        if (ResizeSide == 1 || (ResizeSide == 0 && On(R.Left, R.Top))) {
            ResizeSide = 1;
            R.Left += Step.X;
            R.Top += Step.Y;
        } else {
            R.Right += Step.X;
            R.Bottom += Step.Y;
        }
        break;
    case crSizeNS:
        if (ResizeSide == 4 || (ResizeSide == 0 && On(MX, R.Top))) {
            ResizeSide = 4;
            R.Top += Step.Y;
        } else {
            R.Bottom += Step.Y;
        }
        break;
    case crSizeNESW:
        if (ResizeSide == 2 || (ResizeSide == 0 && On(R.Right, R.Top))) {
            ResizeSide = 2;
            R.Right += Step.X;
            R.Top += Step.Y;
        } else {
            R.Left += Step.X;
            R.Bottom += Step.Y;
        }
        break;
    default:
        return;
    }
    // The side decided first keeps being the one moved: a corner dragged
    // past the opposite one gives a negative size, made good at the release.
    if (ResizeSide == 0)
        ResizeSide = 5;
    Cur->SetDisplayRect(R);
    SetModified();
    Redraw(UnionOf(Before, Cur->GetInvalidateRect()));
    LastPoint = Point(LastPoint.X + Step.X, LastPoint.Y + Step.Y);
}

void TPreview::ReleaseAt(TMouseButton, TShiftState Shift, int X, int Y)
{
    TDocument* D = Doc();
    TPage* P = Page();
    if (!P)
        return;
    NoSnap = Shift.Contains(ssAlt) || AltHeld();
    Pressed = false;
    // The copy of a Ctrl drag stays as an ordinary element; a later Ctrl
    // release must not take it for the copy of another drag.
    DragCopy = nullptr;
    if (Creating) {
        HideDragRect();
        Creating = false;
        if (!Cancelled) {
            DragRect = Rect(PressPoint.X, PressPoint.Y, X, Y);
            CreateElement();
        }
        DragMode = 0;
        return;
    }
    if (RubberBand) {
        HideDragRect();
        RubberBand = false;
        if (!Cancelled) {
            const TRect S = Normalized(Rect(PressPoint.X, PressPoint.Y, X, Y));
            for (int I = 0; I < P->ViewCount(); ++I) {
                TView* V = P->GetView(I);
                const TRect VR = V->GetDisplayRect();
                if (VR.Left >= S.Left && VR.Right <= S.Right && VR.Top >= S.Top &&
                    VR.Bottom <= S.Bottom)
                    V->SetSelected(true);
            }
            RedrawAll();
            Designer->NotifyChange(true);
        }
        DragMode = 0;
        return;
    }
    EndMoveOrResize();
    (void)D;
}

void TPreview::EndMoveOrResize()
{
    TDocument* D = Doc();
    if (!Moved || D->SelectedCount() == 0) {
        RedrawAll();
        Moved = false;
        ResizeSide = 0;
        DragMode = 0;
        return;
    }
    TView* Cur = CurrentElement();
    if (Cancelled) {
        if (DragMode == dgResize) {
            Cur->SetDisplayRect(OldBounds);
        } else {
            const TRect Now = Cur->GetDisplayRect();
            const int DX = OldBounds.Left - Now.Left;
            const int DY = OldBounds.Top - Now.Top;
            MoveSelection(DX, DY);
        }
        RedrawAll();
        Designer->NotifyChange(true);
    } else {
        if (D->SelectedCount() == 1) {
            TRect R = Cur->GetDisplayRect();
            if (R.Right < R.Left)
                std::swap(R.Left, R.Right);
            if (R.Bottom < R.Top)
                std::swap(R.Top, R.Bottom);
            Cur->SetDisplayRect(R);
            Redraw(UnionOf(OldDrawRect, Cur->GetInvalidateRect()));
        }
        RedrawAll();
        Designer->NotifyChange(true);
    }
    Moved = false;
    ResizeSide = 0;
    DragMode = 0;
}

void TPreview::CreateElement()
{
    TDocument* D = Doc();
    TPage* P = Page();
    TToolButton* Tool = Designer->DownTool();
    if (!Tool)
        return;
    const T_RPDefDesigner& S = *D->DefDesigner;
    Byte Kind = vkText;
    if (Tool == Designer->btNewBitmap)
        Kind = vkPicture;
    else if (Tool == Designer->btNewOwnerDraw)
        Kind = vkOwnerDraw;
    else if (Tool == Designer->btNewBand)
        Kind = vkBandArea;
    auto* V = new TView(Kind, D);
    int DefW = 80;
    int DefH = Kind == vkText || Kind == vkBandArea ? 24 : 80;
    if (Kind == vkBandArea)
        DefH = 80;
    if (Kind == vkText) {
        V->FontName = S.FontName;
        V->FontSize = S.FontSize;
        V->FontStyle = S.FontStyle;
        V->SetHorzAlign(S.LabelAlignment);
        V->SetVertAlign(S.LabelVertCenter ? 0x08 : 0);
        V->SetWordWrap(S.LabelWordWrap);
        V->SetVertical(S.LabelVertical);
        V->FontColor = Designer->CurrentFontColor;
        V->FillColor = Designer->CurrentFillColor;
        V->FrameTyp = S.FrameTyp;
        V->Lines->SetText(S.LabelText);
        if (Tool == Designer->btNewRect) {
            V->FontColor = clBlack;
            V->FillColor = RP_NoColor;
            V->FrameTyp = 15;
            V->Lines->Clear();
        }
    } else if (Kind == vkBandArea) {
        V->BandTyp = static_cast<Byte>(FirstFreeBandType());
        V->FrameTyp = 15;
        V->Lines->SetText(" ");
    } else {
        V->FrameTyp = 15;
        V->FontColor = Designer->CurrentFontColor;
        V->FillColor = Designer->CurrentFillColor;
    }
    TRect R = Normalized(DragRect);
    if (Snapping()) {
        R.Left = SnapToGridLine(R.Left, D->OffsetX, S.GridSize);
        R.Right = SnapToGridLine(R.Right, D->OffsetX, S.GridSize);
        R.Top = SnapToGridLine(R.Top, D->OffsetY, S.GridSize);
        R.Bottom = SnapToGridLine(R.Bottom, D->OffsetY, S.GridSize);
    }
    P->AddView(V);
    if (R.Width() < 9 && R.Height() < 9) {
        R = Rect(R.Left, R.Top, R.Left + DefW, R.Top + DefH);
    } else {
        if (R.Width() < 4)
            R.Right = R.Left + 4;
        if (R.Height() < 4)
            R.Bottom = R.Top + 4;
    }
    V->SetDisplayRect(R);
    V->FrameWidth = S.FrameWidth;
    V->SetSelected(true);
    if (Kind == vkBandArea)
        OrderBands();
    SetModified();
    RedrawAll();
    if (!RepeatTool)
        Designer->ChooseTool(Designer->btSelect, false);
    Designer->NotifyChange(true);
}

void TPreview::CtrlChanged(bool Down)
{
    TDocument* D = Doc();
    TPage* P = Page();
    if (!P)
        return;
    if (Down) {
        if (!Pressed || D->SelectedCount() != 1 || DragCopy || RubberBand || Creating)
            return;
        TView* Cur = CurrentElement();
        TView* Copy = TView::CreateCopy(Cur, D);
        const int At = P->IndexOfView(Cur);
        P->AddView(Copy);
        P->MoveView(P->ViewCount() - 1, At);
        Copy->SetLeft(StartPos.X);
        Copy->SetTop(StartPos.Y);
        Copy->SetSelected(false);
        DragCopy = Copy;
        if (Cur->Kind == vkBandArea && Cur->BandTyp != btMasterData &&
            Cur->BandTyp != btDetailData && Cur->BandTyp != btSubDetailData)
            Cur->BandTyp = static_cast<Byte>(FirstFreeBandType());
        SetSurfaceCursor(crDrag);
        SetModified();
        Redraw(Copy->GetInvalidateRect());
        return;
    }
    if (!DragCopy)
        return;
    TView* Cur = CurrentElement();
    if (Cur && Cur->Kind == vkBandArea)
        Cur->BandTyp = DragCopy->BandTyp;
    const TRect Area = DragCopy->GetInvalidateRect();
    P->DeleteView(P->IndexOfView(DragCopy));
    DragCopy = nullptr;
    SetSurfaceCursor(crArrow);
    Redraw(Area);
}

void TPreview::EscapePressed()
{
    if (Pressed && Moved) {
        Cancelled = true;
        ReleaseAt(mbLeft, {}, PressPoint.X, PressPoint.Y);
        return;
    }
    SelectBeneath();
}
