// The pixels behind the windows. A top-level window holds one image, and
// every shown child that lies inside its parent draws straight into its
// parent's pixels, through a view of them at its own place; drawing is
// clipped to what of the window shows (inside its parents, not under its
// shown children nor under the siblings above it), so the children's
// pixels never overwrite one another. A window of many controls thus
// keeps one image rather than one full-size image a control. Hidden
// windows, windows reaching out of their parent and windows under a
// parent that is not ours keep images of their own, made on first use.
//
// Shared pixels have to be repainted where a window's place changes: what
// a child covered in its parent when it moves, hides, goes or is
// restacked is invalidated in the parent and the windows there, and a
// child shown or moved repaints with its own children.

#include "platform/winapi/WindowPrivate.h"

#include "platform/winapi/DcBackend.h"
#include "platform/winapi/SystemMetrics.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

namespace {

using PixelMemory = std::shared_ptr<unsigned char[]>;

void ReleasePixels(void* Info)
{
    delete static_cast<PixelMemory*>(Info);
}

// An image over pixels of Memory starting at First; the memory lives as
// long as any image made over it (also a copy Qt keeps).
QImage ImageOver(const PixelMemory& Memory, unsigned char* First, QSize Size, qsizetype Stride)
{
    return QImage(First, Size.width(), Size.height(), Stride, QImage::Format_RGB32, ReleasePixels,
        new PixelMemory(Memory));
}

QSize BackingSizeOf(HWND Wnd)
{
    if (!Wnd->BackingSize.isEmpty())
        return Wnd->BackingSize;
    const TRect B = Wnd->Control->OwnerBounds();
    return QSize(std::max(B.Width(), 1), std::max(B.Height(), 1));
}

// The window of a child widget of ours; null for other widgets (an
// overlay, Qt's inner parts of its controls, a window of its own).
HWND ChildWindowOf(QObject* O)
{
    if (!O->isWidgetType())
        return nullptr;
    auto* W = static_cast<QWidget*>(O);
    if (W->isWindow())
        return nullptr;
    HWND Wnd = OwnWindowOfWidget(W);
    return IsLiveWindow(Wnd) ? Wnd : nullptr;
}

// What of a child widget shows, in its parent's coordinates.
QRegion ShapeInParent(const QWidget* W)
{
    const QRegion Mask = W->mask();
    const QRegion Shape = Mask.isEmpty() ? QRegion(W->rect()) : (Mask & W->rect());
    return Shape.translated(W->pos());
}

// Invalidates Area (window coordinates) in the window and, where it
// reaches them, in its child windows.
void InvalidateArea(HWND Wnd, const QRegion& Area)
{
    QWidget* W = Wnd->Widget;
    const QRegion Inside = Area & QRect(QPoint(0, 0), BackingSizeOf(Wnd));
    if (!W || Inside.isEmpty())
        return;
    InvalidateWindow(Wnd, Inside, true);
    for (QObject* O : W->children())
        if (HWND Child = ChildWindowOf(O))
            InvalidateArea(Child, Inside.translated(-static_cast<QWidget*>(O)->pos()));
}

void InvalidateTree(HWND Wnd)
{
    InvalidateArea(Wnd, QRegion(QRect(QPoint(0, 0), BackingSizeOf(Wnd))));
}

// Puts Image in the window's bitmap object, which stays (DCs may hold it).
// New pixels are painted anew, and so are the windows whose pixels lay in
// the old ones. A window getting its first pixels is invalid from its
// making with its paint asked for, and none lie in it: asking again, from
// inside that paint, would paint the window and its children twice.
void SetBackingImage(HWND Wnd, QImage Image, PixelMemory Memory, bool Shared)
{
    if (Wnd->Backing) {
        FlushBitmap(Wnd->Backing);
        Wnd->Backing->Image = std::move(Image);
    } else {
        Wnd->Backing = CreateBitmapObject(std::move(Image), false);
    }
    Wnd->Pixels = std::move(Memory);
    Wnd->BackingBits = Wnd->Backing->Image.constBits();
    Wnd->SharedBacking = Shared;
    if (Wnd->HadBacking) {
        InvalidateTree(Wnd);
        return;
    }
    Wnd->HadBacking = true;
    Wnd->EraseNeeded = true;
    const QRegion Rest = QRegion(QRect(QPoint(0, 0), BackingSizeOf(Wnd))) - Wnd->Invalid;
    if (!Rest.isEmpty())
        InvalidateWindow(Wnd, Rest, true);
}

// The parent repaints where the window last showed.
void ExposePlace(HWND Wnd)
{
    Wnd->PlaceShown = false;
    QWidget* P = Wnd->Widget ? Wnd->Widget->parentWidget() : nullptr;
    HWND Parent = P ? OwnWindowOfWidget(P) : nullptr;
    if (IsLiveWindow(Parent))
        InvalidateArea(Parent, QRegion(Wnd->Place));
}

// The window whose pixels a shown child's lie in, and the child's place
// there; null when the child keeps pixels of its own.
HWND SharingParent(HWND Wnd, QRect& Place)
{
    QWidget* W = Wnd->Widget;
    if (Wnd->TopLevel || !Wnd->OwnPainting || !W || W->isWindow() || !W->isVisible())
        return nullptr;
    QWidget* P = W->parentWidget();
    HWND Parent = P ? OwnWindowOfWidget(P) : nullptr;
    if (!IsLiveWindow(Parent) || !Parent->OwnPainting || Parent->Widget != P)
        return nullptr;
    Place = QRect(W->pos(), BackingSizeOf(Wnd));
    if (!QRect(QPoint(0, 0), BackingSizeOf(Parent)).contains(Place))
        return nullptr;
    return Parent;
}

// The view of the parent's pixels at Place; false when the parent's image
// is not over its pixel memory (Qt copied it away).
bool ShareParentPixels(HWND Wnd, HWND Parent, const QRect& Place)
{
    const HBITMAP Outer = AcquireBacking(Parent);
    if (!Outer || !Parent->Pixels || Outer->Image.constBits() != Parent->BackingBits)
        return false;
    const QImage& O = Outer->Image;
    // Writing through a view never detaches the parent's image, which
    // would move it away from the memory the views lie in.
    auto* First = const_cast<unsigned char*>(O.constBits()) + Place.y() * O.bytesPerLine() + Place.x() * 4;
    const bool Current = Wnd->SharedBacking && Wnd->Backing && Wnd->BackingBits == First &&
        Wnd->Backing->Image.constBits() == First && Wnd->Backing->Image.size() == Place.size() &&
        Wnd->Backing->Image.bytesPerLine() == O.bytesPerLine();
    if (!Current)
        SetBackingImage(Wnd, ImageOver(Parent->Pixels, First, Place.size(), O.bytesPerLine()), Parent->Pixels,
            /*Shared=*/true);
    return true;
}

// A window DC's surface: the window's backing image, brought up to date
// when the DC first draws or reads pixels, so that a DC taken to measure
// text makes no image.
class WindowBackend final : public DcBackend {
public:
    explicit WindowBackend(HWND Wnd) : FWnd(Wnd), FSize(BackingSizeOf(Wnd)) {}
    ~WindowBackend() override
    {
        FInner.reset();
        ReleaseGdiObject(FBitmap);
    }

    QSize Size() const override { return FInner ? FInner->Size() : FSize; }
    QSize Dpi() const override
    {
        const int Ppi = SystemMetrics::Current().PixelsPerInch;
        return QSize(Ppi, Ppi);
    }
    QImage* Pixels() override { return Inner() ? FInner->Pixels() : nullptr; }
    void Flush() override
    {
        if (FInner)
            FInner->Flush();
    }
    void Settle() override
    {
        if (FInner)
            FInner->Settle();
    }

    QRect PatBlt(const DrawContext& C, const QRect& R, GdiObject& Brush, unsigned Rop3) override
    {
        return Inner() ? FInner->PatBlt(C, R, Brush, Rop3) : QRect();
    }
    QRect Polyline(const DrawContext& C, const QPolygon& Points) override
    {
        return Inner() ? FInner->Polyline(C, Points) : QRect();
    }
    QRect PolyPolygon(const DrawContext& C, const std::vector<QPolygon>& Polygons) override
    {
        return Inner() ? FInner->PolyPolygon(C, Polygons) : QRect();
    }
    QRect PolyBezier(const DrawContext& C, const QPolygon& Points) override
    {
        return Inner() ? FInner->PolyBezier(C, Points) : QRect();
    }
    QRect Shape(const DrawContext& C, ShapeKind Kind, const QRect& R, QSize Corner) override
    {
        return Inner() ? FInner->Shape(C, Kind, R, Corner) : QRect();
    }
    QRect Path(const DrawContext& C, const QPainterPath& P, bool Fill, bool Stroke) override
    {
        return Inner() ? FInner->Path(C, P, Fill, Stroke) : QRect();
    }
    QRect Text(const DrawContext& C, const TextCall& T) override
    {
        return Inner() ? FInner->Text(C, T) : QRect();
    }
    QRect Blit(const DrawContext& C, const QRect& Dest, const BlitSource& Source, const Blend& How) override
    {
        return Inner() ? FInner->Blit(C, Dest, Source, How) : QRect();
    }
    COLORREF SetPixel(const DrawContext& C, QPoint P, COLORREF Color) override
    {
        return Inner() ? FInner->SetPixel(C, P, Color) : CLR_INVALID;
    }
    bool Scroll(const QRect& Area, int DX, int DY) override
    {
        return Inner() && FInner->Scroll(Area, DX, DY);
    }

private:
    // The raster backend on the window's image; null once the window went.
    DcBackend* Inner()
    {
        if (!FInner) {
            const HBITMAP B = AcquireBacking(FWnd);
            if (!B)
                return nullptr;
            FBitmap = B;
            RetainGdiObject(B);
            FInner = MakeRasterBackend(B);
        }
        return FInner.get();
    }

    HWND FWnd;
    QSize FSize;
    HBITMAP FBitmap = nullptr;
    std::unique_ptr<DcBackend> FInner;
};

}  // namespace

std::unique_ptr<DcBackend> MakeWindowBackend(HWND Wnd)
{
    return std::make_unique<WindowBackend>(Wnd);
}

void ResizeBacking(HWND Wnd, int Width, int Height)
{
    const QSize Size(std::max(Width, 1), std::max(Height, 1));
    if (Wnd->BackingSize == Size)
        return;
    Wnd->BackingSize = Size;
    InvalidateWindow(Wnd, QRegion(QRect(QPoint(0, 0), Size)), true);
}

HBITMAP AcquireBacking(HWND Wnd)
{
    if (!IsLiveWindow(Wnd))
        return nullptr;
    QRect Place;
    if (HWND Parent = SharingParent(Wnd, Place))
        if (ShareParentPixels(Wnd, Parent, Place))
            return Wnd->Backing;
    const QSize Size = BackingSizeOf(Wnd);
    const bool Current = Wnd->Backing && !Wnd->SharedBacking && Wnd->Backing->Image.size() == Size &&
        Wnd->Backing->Image.constBits() == Wnd->BackingBits;
    if (Current)
        return Wnd->Backing;
    const qsizetype Stride = static_cast<qsizetype>(Size.width()) * 4;
    PixelMemory Memory(new unsigned char[static_cast<size_t>(Stride) * Size.height()]);
    QImage Image = ImageOver(Memory, Memory.get(), Size, Stride);
    Image.fill(ToRgb(GetSysColor(COLOR_BTNFACE)));
    SetBackingImage(Wnd, std::move(Image), std::move(Memory), /*Shared=*/false);
    return Wnd->Backing;
}

void ReleaseBacking(HWND Wnd)
{
    if (Wnd->PlaceShown)
        ExposePlace(Wnd);
    DeleteObject(Wnd->Backing);
    Wnd->Backing = nullptr;
    Wnd->Pixels.reset();
    Wnd->BackingBits = nullptr;
    Wnd->SharedBacking = false;
}

QRegion DrawableRegion(HWND Wnd)
{
    QWidget* W = Wnd->Widget;
    QRegion Result(QRect(QPoint(0, 0), BackingSizeOf(Wnd)));
    if (!W || !W->isVisible())
        return Result;
    for (QObject* O : W->children())
        if (ChildWindowOf(O) && static_cast<QWidget*>(O)->isVisible())
            Result -= ShapeInParent(static_cast<QWidget*>(O));
    // Up through the windows whose pixels these are: Offset is the
    // window's origin in Cur's coordinates.
    HWND Cur = Wnd;
    QPoint Offset(0, 0);
    while (Cur->SharedBacking) {
        QWidget* CurW = Cur->Widget;
        QWidget* P = CurW->parentWidget();
        HWND Parent = P ? OwnWindowOfWidget(P) : nullptr;
        if (!IsLiveWindow(Parent))
            break;
        const QRegion Mask = CurW->mask();
        if (!Mask.isEmpty())
            Result &= Mask.translated(-Offset);
        Offset += CurW->pos();
        bool Above = false;
        for (QObject* O : P->children()) {
            if (O == CurW) {
                Above = true;
                continue;
            }
            if (Above && ChildWindowOf(O) && static_cast<QWidget*>(O)->isVisible())
                Result -= ShapeInParent(static_cast<QWidget*>(O)).translated(-Offset);
        }
        Cur = Parent;
    }
    return Result;
}

void NoteWidgetShape(HWND Wnd, QEvent* Event)
{
    QWidget* W = Wnd->Widget;
    if (Wnd->TopLevel || !W || W->isWindow())
        return;
    const QEvent::Type Type = Event->type();
    if (Type != QEvent::Move && Type != QEvent::Resize && Type != QEvent::Show && Type != QEvent::Hide &&
        Type != QEvent::ZOrderChange)
        return;
    if (Wnd->PlaceShown)
        ExposePlace(Wnd);
    if (Type == QEvent::Hide || !W->isVisible())
        return;
    Wnd->Place = W->geometry();
    Wnd->PlaceShown = true;
    InvalidateTree(Wnd);
}
