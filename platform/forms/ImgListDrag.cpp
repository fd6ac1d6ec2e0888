// The drag image of the image lists: a copy of one image in a window of
// its own above every other, moved with the mouse.

#include "platform/forms/ImgList.h"

#include "platform/forms/ControlsPrivate.h"

#include <QPainter>
#include <QWidget>

#include <memory>

struct ImageListData;

namespace {

/// The window that shows the drag image; input passes through it.
class DragImageWindow : public QWidget {
public:
    explicit DragImageWindow(const QImage& Picture)
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                Qt::WindowTransparentForInput),
          FPicture(Picture)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        resize(Picture.size());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        Barrier([this] {
            QPainter P(this);
            P.setCompositionMode(QPainter::CompositionMode_Source);
            P.drawImage(0, 0, FPicture);
        });
    }

private:
    QImage FPicture;
};

struct DragState {
    HIMAGELIST List = nullptr;
    /// The image with the list's transparent pixels made fully transparent.
    QImage Picture;
    TPoint HotSpot;
    /// The window whose coordinates DragEnter and DragMove use (null: screen).
    HWND Lock = nullptr;
    TPoint Pos;
    bool Shown = false;
    std::unique_ptr<DragImageWindow> Window;
};

DragState& Drag()
{
    static DragState State;
    return State;
}

/// Places and shows or hides the window as the state says.
void UpdateDragWindow()
{
    DragState& D = Drag();
    if (!D.List)
        return;
    if (!D.Shown) {
        if (D.Window)
            D.Window->hide();
        return;
    }
    TPoint Origin {0, 0};
    if (D.Lock) {
        TRect R;
        if (!GetWindowRect(D.Lock, R)) {
            // The window went away: the image hides until entered again.
            D.Lock = nullptr;
            D.Shown = false;
            if (D.Window)
                D.Window->hide();
            return;
        }
        Origin = R.TopLeft();
    }
    if (!D.Window)
        D.Window = std::make_unique<DragImageWindow>(D.Picture);
    D.Window->move(Origin.X + D.Pos.X - D.HotSpot.X, Origin.Y + D.Pos.Y - D.HotSpot.Y);
    D.Window->show();
}

}  // namespace

// The image and mask of a list's tile (defined with the lists).
bool ImageListTile(HIMAGELIST List, int Index, QImage& Image, QImage& Mask);

BOOL ImageList_BeginDrag(HIMAGELIST List, int Track, int HotX, int HotY)
{
    QImage Image;
    QImage Mask;
    if (!ImageListTile(List, Track, Image, Mask))
        return false;
    ImageList_EndDrag();
    DragState& D = Drag();
    D.Picture = Image.convertToFormat(QImage::Format_ARGB32);
    for (int Y = 0; Y < D.Picture.height(); ++Y)
        for (int X = 0; X < D.Picture.width(); ++X)
            if (!Mask.isNull() && qRed(Mask.pixel(X, Y)) != 0)
                D.Picture.setPixel(X, Y, 0);
    D.List = List;
    D.HotSpot = {HotX, HotY};
    return true;
}

BOOL ImageList_DragEnter(HWND Lock, int X, int Y)
{
    DragState& D = Drag();
    if (!D.List || (Lock && !IsLiveWindow(Lock)))
        return false;
    D.Lock = Lock;
    D.Pos = {X, Y};
    D.Shown = true;
    UpdateDragWindow();
    return true;
}

BOOL ImageList_DragMove(int X, int Y)
{
    DragState& D = Drag();
    if (!D.List)
        return false;
    D.Pos = {X, Y};
    UpdateDragWindow();
    return true;
}

BOOL ImageList_DragLeave(HWND)
{
    DragState& D = Drag();
    if (!D.List)
        return false;
    D.Shown = false;
    UpdateDragWindow();
    return true;
}

BOOL ImageList_DragShowNolock(BOOL Show)
{
    DragState& D = Drag();
    if (!D.List)
        return false;
    D.Shown = Show;
    UpdateDragWindow();
    return true;
}

void ImageList_EndDrag()
{
    DragState& D = Drag();
    D.Window.reset();
    D = DragState();
}

HIMAGELIST ImageList_GetDragImage(TPoint* Point, TPoint* HotSpot)
{
    const DragState& D = Drag();
    if (Point)
        *Point = D.Pos;
    if (HotSpot)
        *HotSpot = D.HotSpot;
    return D.List;
}

bool DragImageWindowShown(TPoint& ScreenTopLeft)
{
    const DragState& D = Drag();
    if (!D.Window || !D.Window->isVisible())
        return false;
    ScreenTopLeft = {D.Window->x(), D.Window->y()};
    return true;
}

// ---- TCustomImageList --------------------------------------------------------------------------

bool TCustomImageList::SetDragImage(int Index, int HotSpotX, int HotSpotY)
{
    if (Index < 0 || Index >= Count())
        return false;
    FDragIndex = Index;
    FDragHotspot = {HotSpotX, HotSpotY};
    return true;
}

bool TCustomImageList::BeginDrag(HWND Window, int X, int Y)
{
    if (!ImageList_BeginDrag(Handle(), FDragIndex, FDragHotspot.X, FDragHotspot.Y))
        return false;
    return ImageList_DragEnter(Window, X, Y);
}

bool TCustomImageList::DragMove(int X, int Y)
{
    return Dragging() && ImageList_DragMove(X, Y);
}

bool TCustomImageList::DragLock(HWND Window, int XPos, int YPos)
{
    return Dragging() && ImageList_DragEnter(Window, XPos, YPos);
}

void TCustomImageList::DragUnlock()
{
    if (Dragging())
        ImageList_DragLeave(nullptr);
}

void TCustomImageList::ShowDragImage()
{
    if (Dragging())
        ImageList_DragShowNolock(true);
}

void TCustomImageList::HideDragImage()
{
    if (Dragging())
        ImageList_DragShowNolock(false);
}

bool TCustomImageList::EndDrag()
{
    if (!Dragging())
        return false;
    ImageList_EndDrag();
    return true;
}

bool TCustomImageList::Dragging() const
{
    return Drag().List != nullptr && Drag().List == Handle();
}
