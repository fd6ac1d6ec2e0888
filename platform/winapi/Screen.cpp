// The desktop window and the picture of the screen it gives: the program's
// own windows only, put together from the pixels each window last painted
// (its backing image), so that making it runs none of the program's
// painting. Monitors are Qt's screens; cursor pictures are drawn here for
// the standard shapes, which the window system draws itself.

#include "platform/winapi/Windows.h"

#include "platform/winapi/GdiPrivate.h"
#include "platform/winapi/WindowPrivate.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace {

// Never a live window: the calls that know it answer for it by name.
HWND__& DesktopRecord()
{
    static HWND__ Record;
    return Record;
}

QRect ScreenArea(const QScreen* S)
{
    return S ? S->geometry() : QRect();
}

// Owned windows lie over their owners.
int OwnerDepth(HWND Wnd)
{
    int Depth = 0;
    for (HWND O = GetParent(Wnd); O && Depth < 64; O = GetParent(O))
        ++Depth;
    return Depth;
}

// The shown top-level windows, lowest first: topmost windows (hints) over
// the others, then by owner depth, the active window last among its equals
// (the window system keeps it on top).
std::vector<HWND> StackedTopLevels()
{
    std::vector<HWND> Windows;
    for (QWidget* W : QApplication::topLevelWidgets()) {
        HWND Wnd = OwnWindowOfWidget(W);
        if (IsLiveWindow(Wnd) && Wnd->TopLevel && W->isVisible())
            Windows.push_back(Wnd);
    }
    const HWND Active = GetActiveWindow();
    std::stable_sort(Windows.begin(), Windows.end(), [Active](HWND A, HWND B) {
        const bool TA = A->ExStyle & WS_EX_TOPMOST, TB = B->ExStyle & WS_EX_TOPMOST;
        if (TA != TB)
            return TB;
        const int DA = OwnerDepth(A), DB = OwnerDepth(B);
        if (DA != DB)
            return DA < DB;
        return A != Active && B == Active;
    });
    return Windows;
}

// Paints Wnd and its child windows where they lie on the screen, inside
// Clip (screen pixels). A window of Qt's own controls has no backing image:
// Qt paints it with its children.
void PaintWindowTree(QPainter& P, HWND Wnd, const QRect& Clip)
{
    QWidget* W = Wnd->Widget;
    if (!W)
        return;
    const QRect Area = QRect(WindowScreenOrigin(Wnd), W->size()) & Clip;
    if (Area.isEmpty())
        return;
    P.save();
    P.setClipRect(Area);
    const QPoint Origin = WindowScreenOrigin(Wnd);
    if (!Wnd->OwnPainting) {
        W->render(&P, Origin, QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        P.restore();
        return;
    }
    // A child drawing into its parent's pixels was put there with them.
    if (Wnd->Backing && !Wnd->SharedBacking) {
        FlushBitmap(Wnd->Backing);
        P.drawImage(Origin, Wnd->Backing->Image, QRect(QPoint(0, 0), W->size()));
    }
    P.restore();
    // Qt keeps a widget's children in their stacking order, lowest first.
    for (QObject* O : W->children()) {
        auto* Child = qobject_cast<QWidget*>(O);
        HWND C = Child ? OwnWindowOfWidget(Child) : nullptr;
        if (IsLiveWindow(C) && !C->TopLevel && !Child->isHidden())
            PaintWindowTree(P, C, Area);
    }
}

QImage ScreenPicture(const QRect& Area)
{
    QImage Image(Area.size(), QImage::Format_RGB32);
    Image.fill(Qt::black);
    QPainter P(&Image);
    P.translate(-Area.topLeft());
    for (HWND Wnd : StackedTopLevels()) {
        const Byte Alpha = EffectiveWindowAlpha(Wnd);
        if (Alpha == 255 && !Wnd->WindowRegion) {
            PaintWindowTree(P, Wnd, Area);
            continue;
        }
        // Seen through or cut to a region: the window is put together on
        // its own, then laid over what is below.
        const QRect Box(WindowScreenOrigin(Wnd), Wnd->Widget->size());
        QImage Layer(Box.size(), QImage::Format_ARGB32_Premultiplied);
        Layer.fill(Qt::transparent);
        {
            QPainter L(&Layer);
            L.translate(-Box.topLeft());
            PaintWindowTree(L, Wnd, Box);
        }
        P.save();
        if (Wnd->WindowRegion)
            P.setClipRegion(Wnd->WindowRegion->translated(Box.topLeft()));
        P.setOpacity(Alpha / 255.0);
        P.drawImage(Box.topLeft(), Layer);
        P.restore();
    }
    return Image;
}

// ---- cursors ----

struct CursorPicture {
    QImage Image;  // ARGB, premultiplied
    QPoint HotSpot;
};

QImage BlankCursor()
{
    QImage I(32, 32, QImage::Format_ARGB32_Premultiplied);
    I.fill(Qt::transparent);
    return I;
}

// The classic arrow: white with a black outline, hot spot at its tip.
CursorPicture Arrow()
{
    CursorPicture C{BlankCursor(), QPoint(0, 0)};
    QPainter P(&C.Image);
    const QPolygon Shape({QPoint(0, 0), QPoint(0, 16), QPoint(4, 12), QPoint(7, 19), QPoint(9, 18),
                          QPoint(6, 11), QPoint(11, 11)});
    P.setPen(Qt::black);
    P.setBrush(Qt::white);
    P.drawPolygon(Shape);
    return C;
}

// A cursor of black strokes.
CursorPicture Strokes(QPoint HotSpot, std::initializer_list<QLine> Lines)
{
    CursorPicture C{BlankCursor(), HotSpot};
    QPainter P(&C.Image);
    P.setPen(Qt::black);
    for (const QLine& L : Lines)
        P.drawLine(L);
    return C;
}

bool PictureOf(HCURSOR Cursor, CursorPicture& Result)
{
    QCursor Q;
    if (!CursorOf(Cursor, Q))
        return false;
    switch (Q.shape()) {
    case Qt::BitmapCursor:
        Result.Image = Q.pixmap().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        Result.HotSpot = Q.hotSpot();
        return !Result.Image.isNull();
    case Qt::IBeamCursor:
        Result = Strokes({4, 8}, {QLine(1, 0, 3, 0), QLine(5, 0, 7, 0), QLine(4, 1, 4, 15),
                                  QLine(1, 16, 3, 16), QLine(5, 16, 7, 16)});
        return true;
    case Qt::CrossCursor:
        Result = Strokes({10, 10}, {QLine(10, 0, 10, 20), QLine(0, 10, 20, 10)});
        return true;
    default:
        // Every other shape shows as the arrow: the picture tells where the
        // pointer was, which is what it is drawn for.
        Result = Arrow();
        return true;
    }
}

// The picture, black where the mask is white: the mask ANDed in and then
// the picture XORed over it leave what was there around the cursor.
QImage ColourOf(const QImage& Picture)
{
    QImage Colour = Picture.convertToFormat(QImage::Format_RGB32);
    for (int Y = 0; Y < Picture.height(); ++Y)
        for (int X = 0; X < Picture.width(); ++X)
            if (qAlpha(Picture.pixel(X, Y)) < 128)
                Colour.setPixel(X, Y, 0xFF000000u);
    return Colour;
}

QImage MaskOf(const QImage& Picture)
{
    QImage Mask(Picture.size(), QImage::Format_RGB32);
    for (int Y = 0; Y < Picture.height(); ++Y)
        for (int X = 0; X < Picture.width(); ++X)
            Mask.setPixel(X, Y, qAlpha(Picture.pixel(X, Y)) < 128 ? 0xFFFFFFFFu : 0xFF000000u);
    return Mask;
}

}  // namespace

TRect DesktopRect()
{
    QRect All;
    for (const QScreen* S : QGuiApplication::screens())
        All |= ScreenArea(S);
    return FromQRect(All);
}

HDC DesktopDC()
{
    const QRect Area = ToQRect(DesktopRect());
    if (!OnWindowThread() || !qApp || Area.isEmpty())
        return nullptr;
    HBITMAP Picture = CreateBitmapObject(ScreenPicture(Area), false);
    HDC DC = CreateBitmapDC(Picture);
    // The DC holds the picture; it goes with the DC.
    DeleteObject(Picture);
    return DC;
}

HWND GetDesktopWindow()
{
    return &DesktopRecord();
}

HWND GetForegroundWindow()
{
    return GetActiveWindow();
}

HMONITOR MonitorFromWindow(HWND Wnd, DWORD Flags)
{
    const QList<QScreen*> Screens = QGuiApplication::screens();
    if (Screens.isEmpty())
        return 0;
    const auto Primary = [&] {
        return HMONITOR(Screens.indexOf(QGuiApplication::primaryScreen()) + 1);
    };
    TRect R;
    if (Wnd == GetDesktopWindow() || !GetWindowRect(Wnd, R))
        return Wnd == GetDesktopWindow() || Flags != MONITOR_DEFAULTTONULL ? Primary() : 0;
    const QRect Window = ToQRect(R);
    HMONITOR Best = 0;
    long long BestArea = 0;
    for (int I = 0; I < Screens.size(); ++I) {
        const QRect Common = Window & ScreenArea(Screens[I]);
        const long long A = Common.isEmpty() ? 0 : (long long)Common.width() * Common.height();
        if (A > BestArea) {
            Best = I + 1;
            BestArea = A;
        }
    }
    if (Best || Flags == MONITOR_DEFAULTTONULL)
        return Best;
    if (Flags == MONITOR_DEFAULTTOPRIMARY)
        return Primary();
    // The screen whose rectangle lies nearest to the window's centre.
    const QPoint Centre = Window.center();
    long long BestDistance = -1;
    for (int I = 0; I < Screens.size(); ++I) {
        const QRect S = ScreenArea(Screens[I]);
        const long long DX = std::max({S.left() - Centre.x(), 0, Centre.x() - S.right()});
        const long long DY = std::max({S.top() - Centre.y(), 0, Centre.y() - S.bottom()});
        if (BestDistance < 0 || DX * DX + DY * DY < BestDistance) {
            Best = I + 1;
            BestDistance = DX * DX + DY * DY;
        }
    }
    return Best;
}

BOOL GetMonitorInfo(HMONITOR Monitor, MONITORINFO& Info)
{
    const QList<QScreen*> Screens = QGuiApplication::screens();
    if (Monitor < 1 || Monitor > Screens.size())
        return false;
    const QScreen* S = Screens[int(Monitor - 1)];
    Info.rcMonitor = FromQRect(S->geometry());
    Info.rcWork = FromQRect(S->availableGeometry());
    Info.dwFlags = S == QGuiApplication::primaryScreen() ? DWORD(MONITORINFOF_PRIMARY) : DWORD(0);
    return true;
}

BOOL GetIconInfo(HICON Icon, ICONINFO& Info)
{
    CursorPicture C;
    if (!PictureOf(Icon, C))
        return false;
    Info.fIcon = false;
    Info.xHotspot = DWORD(C.HotSpot.x());
    Info.yHotspot = DWORD(C.HotSpot.y());
    Info.hbmMask = CreateBitmapObject(MaskOf(C.Image), true);
    Info.hbmColor = CreateBitmapObject(ColourOf(C.Image), false);
    return true;
}

BOOL DrawIconEx(HDC DC, int X, int Y, HICON Icon, int Width, int Height, UINT /*Step*/,
                HBRUSH /*Flicker*/, UINT Flags)
{
    CursorPicture C;
    if (!DC || !PictureOf(Icon, C) || !(Flags & DI_NORMAL))
        return false;
    const int W = Width > 0 ? Width : C.Image.width();
    const int H = Height > 0 ? Height : C.Image.height();
    // As the window system draws a cursor: the mask ANDed in, then the
    // picture XORed over it (or copied, without the mask).
    const auto Put = [&](const QImage& Part, DWORD Rop) {
        HBITMAP Picture = CreateBitmapObject(Part, false);
        HDC Source = CreateCompatibleDC(DC);
        HGDIOBJ Old = SelectObject(Source, Picture);
        const BOOL Done = StretchBlt(DC, X, Y, W, H, Source, 0, 0, Part.width(), Part.height(), Rop);
        SelectObject(Source, Old);
        DeleteDC(Source);
        DeleteObject(Picture);
        return Done;
    };
    BOOL Done = true;
    if (Flags & DI_MASK)
        Done = Put(MaskOf(C.Image), SRCAND);
    if (Flags & DI_IMAGE)
        Done = Put(ColourOf(C.Image), (Flags & DI_MASK) ? SRCINVERT : SRCCOPY) && Done;
    return Done;
}
