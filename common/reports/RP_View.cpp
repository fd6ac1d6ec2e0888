#include "common/reports/RP_View.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Graphics.h"

#include <algorithm>

PRICETAGS_DEFINE_CLASS(TView)

namespace {

/// Sets a geometry value in millimetres; a change empties its pixel Cache.
void SetMillimetres(Extended Value, Extended& MM, Integer& Cache)
{
    if (Value == MM)
        return;
    MM = Value;
    Cache = PxNotComputed;
}

}  // namespace

TView::TView(Byte AKind, TDocument* ADocument)
    : PreparedMemo(std::make_unique<TStringList>()), Memo(std::make_unique<TStringList>()),
      Extents(std::make_unique<T_ExtentStrList>()), Document(ADocument), Kind(AKind),
      Lines(std::make_unique<TStringList>()), ScaledPicture(std::make_unique<TBitmap>())
{
    if (Document)
        Page = Document->CurrentPage();
    if (Kind == vkPicture)
        Picture = std::make_unique<TBitmap>();
    if (IsBandArea()) {
        SetLeft(-1);
        SetWidth(BandAreaWidth());
    }
}

TView::~TView() = default;

TView* TView::CreateCopy(const TView* Source, TDocument* ADocument)
{
    auto* View = new TView(Source->Kind, ADocument);
    View->Selected = Source->Selected;
    View->SetLeftMM(Source->FLeftMM);
    View->SetTopMM(Source->FTopMM);
    View->SetWidthMM(Source->FWidthMM);
    View->SetHeightMM(Source->FHeightMM);
    View->BandTyp = Source->BandTyp;
    View->FrameTyp = Source->FrameTyp;
    View->FrameWidth = Source->FrameWidth;
    View->FontColor = Source->FontColor;
    View->FillColor = Source->FillColor;
    View->FontName = Source->FontName;
    View->FontSize = Source->FontSize;
    View->FontStyle = Source->FontStyle;
    View->Alignment = Source->Alignment;
    View->SC = Source->SC;
    View->DrawTextToFrame = Source->DrawTextToFrame;
    View->Lines->Assign(Source->Lines.get());
    if (Source->Kind == vkPicture && Source->Picture)
        View->Picture->Assign(Source->Picture.get());
    View->Tag = Source->Tag;
    View->Show3d = Source->Show3d;
    View->Type3d = Source->Type3d;
    View->ShadowLen = Source->ShadowLen;
    View->ShadowColor = Source->ShadowColor;
    return View;
}

Extended TView::Scale() const
{
    return Document ? Document->Scale() : 1.0;
}

int TView::BandAreaWidth() const
{
    return Document->PageWidth + 2;
}

int TView::PixelOf(Extended MM, Integer& Cache) const
{
    if (Cache == PxNotComputed)
        Cache = static_cast<Integer>(Round(Scale() * MM * 96.0 / 2540.0));
    return Cache;
}

void TView::SetPixel(int Value, Extended& MM, Integer& Cache)
{
    if (Value == Cache)
        return;
    MM = static_cast<Extended>(Value) * 2540.0 / 96.0 / Scale();
    Cache = Value;
}

int TView::GetLeft()
{
    return IsBandArea() ? -1 : PixelOf(FLeftMM, FLeftPx);
}

int TView::GetTop()
{
    return PixelOf(FTopMM, FTopPx);
}

int TView::GetWidth()
{
    return IsBandArea() ? BandAreaWidth() : PixelOf(FWidthMM, FWidthPx);
}

int TView::GetHeight()
{
    return PixelOf(FHeightMM, FHeightPx);
}

void TView::SetLeft(int Value)
{
    SetPixel(IsBandArea() ? -1 : Value, FLeftMM, FLeftPx);
}

void TView::SetTop(int Value)
{
    SetPixel(Value, FTopMM, FTopPx);
}

void TView::SetWidth(int Value)
{
    SetPixel(IsBandArea() ? BandAreaWidth() : Value, FWidthMM, FWidthPx);
}

void TView::SetHeight(int Value)
{
    SetPixel(Value, FHeightMM, FHeightPx);
}

void TView::SetLeftMM(Extended Value)
{
    SetMillimetres(Value, FLeftMM, FLeftPx);
}

void TView::SetTopMM(Extended Value)
{
    SetMillimetres(Value, FTopMM, FTopPx);
}

void TView::SetWidthMM(Extended Value)
{
    SetMillimetres(Value, FWidthMM, FWidthPx);
}

void TView::SetHeightMM(Extended Value)
{
    SetMillimetres(Value, FHeightMM, FHeightPx);
}

void TView::InvalidatePixelCache()
{
    FTopPx = FHeightPx = FWidthPx = FLeftPx = PxNotComputed;
}

TRect TView::GetBoundsRect()
{
    const int L = GetLeft();
    const int T = GetTop();
    return Rect(L, T, L + GetWidth(), T + GetHeight());
}

void TView::SetBoundsRect(const TRect& R)
{
    SetLeft(R.Left);
    SetTop(R.Top);
    SetWidth(R.Right - R.Left);
    SetHeight(R.Bottom - R.Top);
}

TRect TView::GetDisplayRect()
{
    TRect R = GetBoundsRect();
    if (Document && !Document->OutputMode) {
        const int DX = IsBandArea() ? 0 : Document->OffsetX;
        R.Left += DX;
        R.Right += DX;
        R.Top += Document->OffsetY;
        R.Bottom += Document->OffsetY;
    }
    return R;
}

void TView::SetDisplayRect(const TRect& R)
{
    TRect B = R;
    if (Document && !Document->OutputMode) {
        const int DX = IsBandArea() ? 0 : Document->OffsetX;
        B.Left -= DX;
        B.Right -= DX;
        B.Top -= Document->OffsetY;
        B.Bottom -= Document->OffsetY;
    }
    SetBoundsRect(B);
}

bool TView::PointInView(int X, int Y)
{
    return PtInRect(GetDisplayRect(), Point(X, Y));
}

bool TView::InRect(const TRect& S, bool WholeOnly)
{
    const TRect R = GetDisplayRect();
    if (R.Left >= S.Left && R.Right <= S.Right && R.Top >= S.Top && R.Bottom <= S.Bottom)
        return true;
    if (R.Left < S.Left && R.Right > S.Right && R.Top < S.Top && R.Bottom > S.Bottom)
        return false;
    return !WholeOnly && R.Left <= S.Right && R.Right >= S.Left && R.Top <= S.Bottom &&
           R.Bottom >= S.Top;
}

bool TView::InView(TView* Other, bool WholeOnly)
{
    return InRect(Other->GetDisplayRect(), WholeOnly);
}

TRect TView::GetInvalidateRect()
{
    TRect R = GetDisplayRect();
    const int Grow = (std::max(FrameWidth, 5) + 1) / 2 + 1;
    R.Left -= Grow;
    R.Top -= Grow;
    R.Right += Grow;
    R.Bottom += Grow;
    if (Kind == vkPicture || Kind == vkOwnerDraw) {
        R.Right = std::max(R.Right, R.Left + 20);
        R.Bottom = std::max(R.Bottom, R.Top + 20);
    }
    return R;
}

void TView::SetHorzAlign(int Value)
{
    Alignment = (Alignment & ~Cardinal(3)) | (static_cast<Cardinal>(Value) & 3);
}

void TView::SetVertAlign(int Value)
{
    Alignment = (Alignment & ~Cardinal(0x88)) | (static_cast<Cardinal>(Value) & 0x88);
}

void TView::SetWordWrap(bool Value)
{
    Alignment = Value ? (Alignment | 0x200) : (Alignment & ~Cardinal(0x200));
}

void TView::SetVertical(bool Value)
{
    Alignment = Value ? (Alignment | 0x10) : (Alignment & ~Cardinal(0x10));
}

void TView::SetSelected(bool Value)
{
    Selected = Value;
    if (Page)
        Page->InvalidateSelectedCount();
}

void TView::AssignFont(TFont* Font)
{
    FontName = Font->Name().SubString(1, 80);
    FontSize = Font->Size();
    FontColor = Font->Color();
    const TFontStyles Style = Font->Style();
    FontStyle = static_cast<Word>((Style.Contains(fsItalic) ? 1 : 0) |
                                  (Style.Contains(fsBold) ? 2 : 0) |
                                  (Style.Contains(fsUnderline) ? 4 : 0));
}

void TView::SetKindFromRecord(Byte Value)
{
    Kind = Value;
    if (Kind == vkPicture) {
        Picture = std::make_unique<TBitmap>();
        ScaledPictureScale = 0;
    }
}

void TView::ApplyColorPair(Integer Value)
{
    // div and mod truncate toward zero, as the stored values expect.
    FontColor = IndexToColor(Value / 256);
    FillColor = IndexToColor(Value % 256);
}
