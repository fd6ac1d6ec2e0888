#include "platform/forms/ImgList.h"

#include "platform/winapi/GdiPrivate.h"

#include <algorithm>

struct ImageListData {
    int Width = 16;
    int Height = 16;
    /// The images and their masks, one Width x Height tile each.
    std::vector<QImage> Images;
    std::vector<QImage> Masks;
    COLORREF BkColor = CLR_NONE;
    /// Image index of each overlay (1-based overlay number - 1); -1 unset.
    int Overlays[15] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};

namespace {

QRgb Blend(QRgb A, QRgb B, int PercentB)
{
    const auto Mix = [&](int X, int Y) { return (X * (100 - PercentB) + Y * PercentB) / 100; };
    return qRgb(Mix(qRed(A), qRed(B)), Mix(qGreen(A), qGreen(B)), Mix(qBlue(A), qBlue(B)));
}

// Draws one tile onto DC pixel by pixel: Opaque fills masked pixels with Bk.
void DrawTile(HDC DC, const QImage& Image, const QImage& Mask, int X, int Y, int W, int H, bool Opaque,
    QRgb Bk, int BlendPercent, QRgb Fg, bool MaskOnly)
{
    QImage Tile(W, H, QImage::Format_RGB32);
    QImage Keep(W, H, QImage::Format_RGB32);
    for (int PY = 0; PY < H; ++PY)
        for (int PX = 0; PX < W; ++PX) {
            const bool Clear = (Mask.pixel(PX, PY) & 0xFFFFFFu) != 0;
            QRgb C = Image.pixel(PX, PY);
            if (MaskOnly)
                C = Clear ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            else if (Clear && Opaque)
                C = Bk;
            else if (BlendPercent > 0 && !Clear)
                C = Blend(C, Fg, BlendPercent);
            Tile.setPixel(PX, PY, C);
            Keep.setPixel(PX, PY, (Clear && !Opaque && !MaskOnly) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    HBITMAP TB = CreateBitmapObject(Tile, false);
    HBITMAP KB = CreateBitmapObject(Keep, true);
    HDC TileDC = CreateBitmapDC(TB);
    HDC KeepDC = CreateBitmapDC(KB);
    const COLORREF OldText = SetTextColor(DC, RGB(0, 0, 0));
    const COLORREF OldBack = SetBkColor(DC, RGB(255, 255, 255));
    // Target kept where the keep mask is white, the tile elsewhere.
    BitBlt(DC, X, Y, W, H, KeepDC, 0, 0, SRCAND);
    BitBlt(TileDC, 0, 0, W, H, KeepDC, 0, 0, 0x00220326);  // DSna: tile & ~keep
    BitBlt(DC, X, Y, W, H, TileDC, 0, 0, SRCPAINT);
    SetTextColor(DC, OldText);
    SetBkColor(DC, OldBack);
    DeleteDC(TileDC);
    DeleteDC(KeepDC);
    DeleteObject(TB);
    DeleteObject(KB);
}

}  // namespace

BOOL ImageList_DrawEx(HIMAGELIST List, int Index, HDC DC, int X, int Y, int DX, int DY, COLORREF Bk,
    COLORREF Fg, UINT Style)
{
    if (!List || !DC || Index < 0 || Index >= static_cast<int>(List->Images.size()))
        return false;
    const int W = DX > 0 ? std::min(DX, List->Width) : List->Width;
    const int H = DY > 0 ? std::min(DY, List->Height) : List->Height;
    if (Bk == CLR_DEFAULT)
        Bk = List->BkColor;
    const bool Opaque = !(Style & ILD_TRANSPARENT) && Bk != CLR_NONE;
    int BlendPercent = 0;
    if (Style & ILD_BLEND50)
        BlendPercent = 50;
    else if (Style & ILD_BLEND25)
        BlendPercent = 25;
    const QRgb FgRgb = ToRgb(Fg == CLR_DEFAULT || Fg == CLR_NONE ? GetSysColor(COLOR_HIGHLIGHT) : Fg);
    const size_t I = static_cast<size_t>(Index);
    DrawTile(DC, List->Images[I], List->Masks[I], X, Y, W, H, Opaque, ToRgb(Bk), BlendPercent, FgRgb,
        (Style & ILD_MASK) != 0);
    const int Overlay = static_cast<int>((Style & ILD_OVERLAYMASK) >> 8);
    if (Overlay >= 1 && Overlay <= 15 && !(Style & ILD_MASK)) {
        const int O = List->Overlays[Overlay - 1];
        if (O >= 0 && O < static_cast<int>(List->Images.size()))
            DrawTile(DC, List->Images[static_cast<size_t>(O)], List->Masks[static_cast<size_t>(O)], X, Y, W, H,
                false, 0, 0, 0, false);
    }
    return true;
}

BOOL ImageList_Draw(HIMAGELIST List, int Index, HDC DC, int X, int Y, UINT Style)
{
    return ImageList_DrawEx(List, Index, DC, X, Y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, Style);
}

int ImageList_GetImageCount(HIMAGELIST List)
{
    return List ? static_cast<int>(List->Images.size()) : 0;
}

bool ImageListTile(HIMAGELIST List, int Index, QImage& Image, QImage& Mask)
{
    if (!List || Index < 0 || Index >= static_cast<int>(List->Images.size()))
        return false;
    Image = List->Images[static_cast<size_t>(Index)];
    Mask = Index < static_cast<int>(List->Masks.size()) ? List->Masks[static_cast<size_t>(Index)] : QImage();
    return true;
}

// ---- TCustomImageList -------------------------------------------------------------------

TCustomImageList::TCustomImageList(TComponent* AOwner)
    : TComponent(AOwner), FData(std::make_unique<ImageListData>())
{
}

TCustomImageList::TCustomImageList(TComponent* AOwner, int AWidth, int AHeight)
    : TCustomImageList(AOwner)
{
    FData->Width = std::max(AWidth, 1);
    FData->Height = std::max(AHeight, 1);
}

TCustomImageList::~TCustomImageList()
{
    // A drag image of a freed list goes with it.
    if (Dragging())
        ImageList_EndDrag();
    for (TChangeLink* Link : FChangeLinks)
        Link->SetSender(nullptr);
}
TImageList::~TImageList() = default;

PRICETAGS_DEFINE_CLASS(TCustomImageList)

PRICETAGS_DEFINE_CLASS(TImageList)

void TCustomImageList::Assign(TPersistent* Source)
{
    if (auto* L = dynamic_cast<TCustomImageList*>(Source)) {
        *FData = *L->FData;
        FBkColor = L->FBkColor;
        FBlendColor = L->FBlendColor;
        FDrawingStyle = L->FDrawingStyle;
        FImageType = L->FImageType;
        FMasked = L->FMasked;
        Change();
        return;
    }
    inherited::Assign(Source);
}

int TCustomImageList::Count() const
{
    return static_cast<int>(FData->Images.size());
}

int TCustomImageList::Width() const
{
    return FData->Width;
}

int TCustomImageList::Height() const
{
    return FData->Height;
}

void TCustomImageList::SetWidth(int Value)
{
    if (Value == FData->Width || Value < 1)
        return;
    FData->Width = Value;
    Clear();
}

void TCustomImageList::SetHeight(int Value)
{
    if (Value == FData->Height || Value < 1)
        return;
    FData->Height = Value;
    Clear();
}

void TCustomImageList::SetBkColor(TColor Value)
{
    FBkColor = Value;
    FData->BkColor = Value == clNone ? CLR_NONE : ColorToRGB(Value);
    Change();
}

void TCustomImageList::SetMasked(bool Value)
{
    if (Value == FMasked)
        return;
    FMasked = Value;
    Change();
}

void TCustomImageList::Change()
{
    // A listener may unregister itself, or another one, while it is told.
    const std::vector<TChangeLink*> Links = FChangeLinks;
    for (TChangeLink* Link : Links)
        if (std::find(FChangeLinks.begin(), FChangeLinks.end(), Link) != FChangeLinks.end())
            Link->Change();
    OnChange(this);
}

void TCustomImageList::RegisterChanges(TChangeLink* Value)
{
    if (!Value)
        return;
    if (Value->Sender() && Value->Sender() != this)
        Value->Sender()->UnRegisterChanges(Value);
    Value->SetSender(this);
    if (std::find(FChangeLinks.begin(), FChangeLinks.end(), Value) == FChangeLinks.end())
        FChangeLinks.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value)
{
    const auto It = std::find(FChangeLinks.begin(), FChangeLinks.end(), Value);
    if (It == FChangeLinks.end())
        return;
    FChangeLinks.erase(It);
    Value->SetSender(nullptr);
}

// ---- TChangeLink ------------------------------------------------------------------------------

TChangeLink::~TChangeLink()
{
    if (FSender)
        FSender->UnRegisterChanges(this);
}

PRICETAGS_DEFINE_CLASS(TChangeLink)

void TChangeLink::Change()
{
    if (FSender)
        OnChange(FSender);
}

namespace {

// The tiles of Image with their masks: from Mask when given, from the
// colour Key when HasKey, else none transparent.
void Split(ImageListData& D, TBitmap* Image, TBitmap* Mask, bool HasKey, QRgb Key, std::vector<QImage>& Images,
    std::vector<QImage>& Masks)
{
    HBITMAP IH = Image->Handle();
    const QImage& Src = IH->Image;
    const QImage* MaskSrc = Mask && !Mask->Empty() ? &Mask->Handle()->Image : nullptr;
    const int N = std::max(1, Src.width() / D.Width);
    for (int I = 0; I < N; ++I) {
        QImage Tile(D.Width, D.Height, QImage::Format_RGB32);
        QImage M(D.Width, D.Height, QImage::Format_RGB32);
        for (int Y = 0; Y < D.Height; ++Y)
            for (int X = 0; X < D.Width; ++X) {
                const int SX = I * D.Width + X;
                const bool Inside = SX < Src.width() && Y < Src.height();
                const QRgb C = Inside ? Src.pixel(SX, Y) : qRgb(0, 0, 0);
                bool Clear = !Inside;
                if (MaskSrc)
                    Clear = !MaskSrc->rect().contains(SX, Y) || (MaskSrc->pixel(SX, Y) & 0xFFFFFFu) != 0;
                else if (HasKey)
                    Clear = Clear || (C & 0xFFFFFFu) == (Key & 0xFFFFFFu);
                Tile.setPixel(X, Y, C);
                M.setPixel(X, Y, Clear ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
            }
        Images.push_back(Tile);
        Masks.push_back(M);
    }
}

const char SInvalidIndex[] = "Invalid ImageList Index";

}  // namespace

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask)
{
    if (!Image || Image->Empty())
        return -1;
    std::vector<QImage> Images, Masks;
    Split(*FData, Image, Mask, false, 0, Images, Masks);
    const int First = Count();
    FData->Images.insert(FData->Images.end(), Images.begin(), Images.end());
    FData->Masks.insert(FData->Masks.end(), Masks.begin(), Masks.end());
    Change();
    return First;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor)
{
    if (!Image || Image->Empty())
        return -1;
    const TColor Key = MaskColor == clDefault ? Image->Canvas()->Pixels(0, Image->Height() - 1) : MaskColor;
    std::vector<QImage> Images, Masks;
    Split(*FData, Image, nullptr, true, ToRgb(ColorToRGB(Key)), Images, Masks);
    const int First = Count();
    FData->Images.insert(FData->Images.end(), Images.begin(), Images.end());
    FData->Masks.insert(FData->Masks.end(), Masks.begin(), Masks.end());
    Change();
    return First;
}

void TCustomImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask)
{
    if (Index < 0 || Index >= Count())
        throw EInvalidOperation(SInvalidIndex);
    if (!Image || Image->Empty())
        return;
    std::vector<QImage> Images, Masks;
    Split(*FData, Image, Mask, false, 0, Images, Masks);
    FData->Images[static_cast<size_t>(Index)] = Images.front();
    FData->Masks[static_cast<size_t>(Index)] = Masks.front();
    Change();
}

void TCustomImageList::ReplaceMasked(int Index, TBitmap* Image, TColor MaskColor)
{
    if (Index < 0 || Index >= Count())
        throw EInvalidOperation(SInvalidIndex);
    if (!Image || Image->Empty())
        return;
    const TColor Key = MaskColor == clDefault ? Image->Canvas()->Pixels(0, Image->Height() - 1) : MaskColor;
    std::vector<QImage> Images, Masks;
    Split(*FData, Image, nullptr, true, ToRgb(ColorToRGB(Key)), Images, Masks);
    FData->Images[static_cast<size_t>(Index)] = Images.front();
    FData->Masks[static_cast<size_t>(Index)] = Masks.front();
    Change();
}

void TCustomImageList::Delete(int Index)
{
    if (Index == -1) {
        FData->Images.clear();
        FData->Masks.clear();
        std::fill(std::begin(FData->Overlays), std::end(FData->Overlays), -1);
        Change();
        return;
    }
    if (Index < 0 || Index >= Count())
        throw EInvalidOperation(SInvalidIndex);
    FData->Images.erase(FData->Images.begin() + Index);
    FData->Masks.erase(FData->Masks.begin() + Index);
    for (int& O : FData->Overlays)
        if (O == Index)
            O = -1;
        else if (O > Index)
            --O;
    Change();
}

bool TCustomImageList::Overlay(int ImageIndex, int OverlayIndex)
{
    if (OverlayIndex < 0 || OverlayIndex > 14 || ImageIndex < 0 || ImageIndex >= Count())
        return false;
    FData->Overlays[OverlayIndex] = ImageIndex;
    return true;
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled)
{
    Draw(Canvas, X, Y, Index, FDrawingStyle, FImageType, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, TDrawingStyle Style, TImageType Type,
    bool Enabled)
{
    static constexpr UINT Styles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};
    UINT S = Styles[Style];
    if (Type == itMask)
        S |= ILD_MASK;
    DoDraw(Index, Canvas, X, Y, S, Enabled);
}

void TCustomImageList::DrawOverlay(TCanvas* Canvas, int X, int Y, int ImageIndex, int Overlay, bool Enabled)
{
    UINT S = ILD_NORMAL | IndexToOverlayMask(Overlay + 1);
    if (FDrawingStyle == dsTransparent)
        S |= ILD_TRANSPARENT;
    DoDraw(ImageIndex, Canvas, X, Y, S, Enabled);
}

void TCustomImageList::DoDraw(int Index, TCanvas* Canvas, int X, int Y, UINT Style, bool Enabled)
{
    if (Index < 0 || Index >= Count() || !Canvas)
        return;
    HDC DC = Canvas->Handle();
    const COLORREF Fg = FBlendColor == clNone ? CLR_NONE : ColorToRGB(FBlendColor);
    if (Enabled) {
        ImageList_DrawEx(Handle(), Index, DC, X, Y, 0, 0, FMasked ? CLR_DEFAULT : RGB(255, 255, 255), Fg, Style);
        return;
    }
    // Disabled: the image's shape (what is not white on a white ground)
    // embossed, highlight one pixel down-right, shadow on top.
    TBitmap Mono;
    Mono.SetSize(Width(), Height());
    Mono.Canvas()->Brush()->SetColor(clWhite);
    Mono.Canvas()->FillRect(Rect(0, 0, Width(), Height()));
    ImageList_DrawEx(Handle(), Index, Mono.Canvas()->Handle(), 0, 0, 0, 0, CLR_NONE, 0, ILD_TRANSPARENT);
    Mono.Canvas()->Brush()->SetColor(clWhite);
    Mono.SetMonochrome(true);
    HDC Src = Mono.Canvas()->Handle();
    const TColor OldBrush = Canvas->Brush()->Color();
    const TBrushStyle OldStyle = Canvas->Brush()->Style();
    const COLORREF OldText = ::SetTextColor(DC, RGB(255, 255, 255));
    const COLORREF OldBack = ::SetBkColor(DC, RGB(0, 0, 0));
    Canvas->Brush()->SetColor(clBtnHighlight);
    SelectObject(DC, Canvas->Brush()->Handle());
    BitBlt(DC, X + 1, Y + 1, Width(), Height(), Src, 0, 0, 0x00E20746);
    Canvas->Brush()->SetColor(clBtnShadow);
    SelectObject(DC, Canvas->Brush()->Handle());
    BitBlt(DC, X, Y, Width(), Height(), Src, 0, 0, 0x00E20746);
    ::SetTextColor(DC, OldText);
    ::SetBkColor(DC, OldBack);
    Canvas->Brush()->SetColor(OldBrush);
    Canvas->Brush()->SetStyle(OldStyle);
}

void TCustomImageList::GetBitmap(int Index, TBitmap* Image)
{
    if (!Image || Index < 0 || Index >= Count())
        return;
    Image->SetSize(Width(), Height());
    const COLORREF Back = FData->BkColor == CLR_NONE ? RGB(255, 255, 255) : FData->BkColor;
    ImageList_DrawEx(Handle(), Index, Image->Canvas()->Handle(), 0, 0, 0, 0, Back, CLR_NONE, ILD_NORMAL);
    Image->SetModified(true);
}
