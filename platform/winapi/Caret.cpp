// The caret: a blinking block that one window shows where typing goes.
// It is drawn over the window's pixels when the widget is put on the
// screen (XOR), so the window's own painting never sees it.

#include "platform/winapi/WindowPrivate.h"

#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace {

struct CaretState {
    HWND Owner = nullptr;
    int Width = 1;
    int Height = 1;
    bool Grey = false;
    TPoint Pos;
    /// ShowCaret takes one off, HideCaret adds one; shown at 0.
    int HideCount = 1;
    /// The blink phase: drawn or not.
    bool On = true;
    std::unique_ptr<QTimer> Timer;
};

CaretState& Caret()
{
    static CaretState State;
    return State;
}

bool CaretAlive()
{
    CaretState& C = Caret();
    if (C.Owner && !IsLiveWindow(C.Owner)) {
        // Its window went: so did the caret.
        C.Owner = nullptr;
        if (C.Timer)
            C.Timer->stop();
    }
    return C.Owner != nullptr;
}

// The caret's rectangle in its window's widget pixels.
QRect CaretRect()
{
    const CaretState& C = Caret();
    return QRect(C.Owner->Client.Left + C.Pos.X, C.Owner->Client.Top + C.Pos.Y, C.Width, C.Height);
}

void RedrawCaret()
{
    if (CaretAlive() && Caret().Owner->Widget)
        Caret().Owner->Widget->update(CaretRect());
}

void Blink()
{
    CaretState& C = Caret();
    if (!CaretAlive())
        return;
    C.On = !C.On;
    RedrawCaret();
}

// A move or a show starts the blink with the caret drawn.
void RestartBlink()
{
    CaretState& C = Caret();
    C.On = true;
    if (!C.Timer) {
        C.Timer = std::make_unique<QTimer>();
        QObject::connect(C.Timer.get(), &QTimer::timeout, [] { Barrier(Blink); });
    }
    C.Timer->start(static_cast<int>(GetCaretBlinkTime()));
}

}  // namespace

void PaintCaret(HWND Wnd, QPainter& Painter)
{
    const CaretState& C = Caret();
    if (!CaretAlive() || C.Owner != Wnd || C.HideCount > 0 || !C.On)
        return;
    Painter.save();
    Painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    Painter.fillRect(CaretRect(), C.Grey ? QColor(0x80, 0x80, 0x80) : QColor(0xFF, 0xFF, 0xFF));
    Painter.restore();
}

BOOL CreateCaret(HWND Wnd, HBITMAP Bitmap, int Width, int Height)
{
    if (!IsLiveWindow(Wnd))
        return false;
    DestroyCaret();
    CaretState& C = Caret();
    C.Owner = Wnd;
    C.Grey = Bitmap == CaretGrey;
    C.Width = Width > 0 ? Width : GetSystemMetrics(SM_CXBORDER);
    C.Height = Height > 0 ? Height : GetSystemMetrics(SM_CYBORDER);
    C.Pos = {0, 0};
    C.HideCount = 1;
    C.On = true;
    return true;
}

BOOL DestroyCaret()
{
    CaretState& C = Caret();
    if (!CaretAlive())
        return false;
    const bool Shown = C.HideCount == 0;
    if (Shown)
        RedrawCaret();
    C.Owner = nullptr;
    if (C.Timer)
        C.Timer->stop();
    return true;
}

BOOL ShowCaret(HWND Wnd)
{
    CaretState& C = Caret();
    if (!CaretAlive() || (Wnd && Wnd != C.Owner) || C.HideCount == 0)
        return false;
    if (--C.HideCount == 0) {
        RestartBlink();
        RedrawCaret();
    }
    return true;
}

BOOL HideCaret(HWND Wnd)
{
    CaretState& C = Caret();
    if (!CaretAlive() || (Wnd && Wnd != C.Owner))
        return false;
    if (C.HideCount++ == 0)
        RedrawCaret();
    return true;
}

BOOL SetCaretPos(int X, int Y)
{
    CaretState& C = Caret();
    if (!CaretAlive())
        return false;
    RedrawCaret();
    C.Pos = {X, Y};
    if (C.HideCount == 0)
        RestartBlink();
    RedrawCaret();
    return true;
}

BOOL GetCaretPos(TPoint& Point)
{
    if (!CaretAlive())
        return false;
    Point = Caret().Pos;
    return true;
}

UINT GetCaretBlinkTime()
{
    return 530;
}
