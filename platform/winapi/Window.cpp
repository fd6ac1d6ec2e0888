// The native-window side: window records and their widgets, translation of
// Qt events into messages, the posted-message queue, timers, focus,
// capture, cursors and the window functions of Windows.h.

#include "platform/winapi/WindowPrivate.h"

#include "platform/winapi/DcBackend.h"
#include "platform/winapi/SystemMetrics.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/StrUtils.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPaintEvent>
#include <QPixmap>
#include <QWindow>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

// ---- window registry ---------------------------------------------------------------

namespace {

std::unordered_set<HWND>& LiveWindows()
{
    static std::unordered_set<HWND> Set;
    return Set;
}

std::unordered_map<QWidget*, HWND>& WidgetWindows()
{
    static std::unordered_map<QWidget*, HWND> Map;
    return Map;
}

HWND gFocus = nullptr;
HWND gCapture = nullptr;
TWindowHost* gHost = nullptr;
TPoint gCursorPos;
int gBeeps = 0;
std::map<int, bool> gKeyDown;
std::map<int, bool> gKeyToggled;

// The Qt event being translated, so that a native widget's default
// handling can be decided by the message's default handler.
struct Translation {
    HWND Wnd = nullptr;
    QEvent* Event = nullptr;
    bool PassToWidget = false;
};
Translation* gTranslation = nullptr;
// An event we send to a native widget ourselves; it passes untranslated.
QEvent* gBypass = nullptr;

}  // namespace

HWND WindowOfWidget(QWidget* W)
{
    auto& Map = WidgetWindows();
    while (W) {
        const auto It = Map.find(W);
        if (It != Map.end())
            return It->second;
        W = W->parentWidget();
    }
    return nullptr;
}

HWND OwnWindowOfWidget(QWidget* W)
{
    const auto It = WidgetWindows().find(W);
    return It == WidgetWindows().end() ? nullptr : It->second;
}

bool IsLiveWindow(HWND Wnd)
{
    return Wnd && LiveWindows().count(Wnd) != 0 && !Wnd->Destroying;
}

void RegisterWindow(HWND Wnd)
{
    LiveWindows().insert(Wnd);
}

void RetireWindow(HWND Wnd)
{
    // A destroyed window's record stays a while, so that a handle kept by
    // mistake finds a dead window rather than a new one at its address;
    // the oldest is freed when the next one retires.
    constexpr size_t Kept = 1024;
    static std::deque<std::unique_ptr<HWND__>> Retired;
    Wnd->Control = nullptr;
    Wnd->Invalid = QRegion();
    Retired.emplace_back(Wnd);
    if (Retired.size() > Kept)
        Retired.pop_front();
}

void UnregisterWindow(HWND Wnd)
{
    ForgetDropTarget(Wnd);
    LiveWindows().erase(Wnd);
    // Only the window's own widget maps to it.
    auto& Map = WidgetWindows();
    if (Wnd->Widget) {
        const auto It = Map.find(Wnd->Widget.data());
        if (It != Map.end() && It->second == Wnd)
            Map.erase(It);
    }
}

// ---- widgets ------------------------------------------------------------------------------

namespace {

/// Copies Area of Image (widget coordinates) row by row into the image the
/// painter draws on (the window's backing store); false when that is no
/// image of the same pixel format or the painter is not merely shifted, so
/// the caller draws instead. The raster engine splits a large drawImage into
/// jobs for a pool of threads, which a window's first paint would start only
/// to copy pixels.
bool CopyToDevice(QPainter& P, const QRegion& Area, const QImage& Image)
{
    QPaintEngine* Engine = P.paintEngine();
    if (!Engine || Engine->type() != QPaintEngine::Raster)
        return false;
    QPaintDevice* Device = Engine->paintDevice();
    if (!Device || Device->devType() != QInternal::Image)
        return false;
    auto* Target = static_cast<QImage*>(Device);
    const QTransform T = P.deviceTransform();
    if (T.type() > QTransform::TxTranslate || Target->format() != Image.format() ||
        Target->devicePixelRatio() != 1 || Image.devicePixelRatio() != 1)
        return false;
    // What the painter may touch, in the target's coordinates: the window
    // system's clip (the part of the widget that shows) within Area.
    const QPoint Offset(qRound(T.dx()), qRound(T.dy()));
    QRegion Touched = Area.translated(Offset) & Target->rect() &
        QRect(Offset, Image.size());
    if (const QRegion Clip = Engine->systemClip(); !Clip.isEmpty())
        Touched &= Clip;
    const int Bytes = Image.depth() / 8;
    for (const QRect& R : Touched) {
        const QRect From = R.translated(-Offset);
        for (int Y = 0; Y < R.height(); ++Y)
            std::memcpy(Target->scanLine(R.top() + Y) + R.left() * Bytes,
                Image.constScanLine(From.top() + Y) + From.left() * Bytes, size_t(R.width()) * Bytes);
    }
    return true;
}

}  // namespace

ControlWidget::ControlWidget(HWND Wnd, QWidget* Parent) : QWidget(Parent), FWnd(Wnd)
{
    WidgetWindows()[this] = Wnd;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

ControlWidget::~ControlWidget()
{
    WidgetWindows().erase(this);
}

bool ControlWidget::event(QEvent* Event)
{
    bool Done = false;
    if (Event->type() != QEvent::Paint && IsLiveWindow(FWnd))
        Barrier([&] { Done = TranslateEvent(FWnd, Event); });
    return Done || QWidget::event(Event);
}

void ControlWidget::paintEvent(QPaintEvent* Event)
{
    if (!IsLiveWindow(FWnd))
        return;
    Barrier([&] {
        if (gHost)
            gHost->AlignPending();
        AcquireBacking(FWnd);
        PaintInvalid(FWnd);
    });
    if (!IsLiveWindow(FWnd) || !FWnd->Backing)
        return;
    FlushBitmap(FWnd->Backing);
    QPainter P(this);
    if (!CopyToDevice(P, Event->region(), FWnd->Backing->Image))
        P.drawImage(Event->rect(), FWnd->Backing->Image, Event->rect());
    PaintCaret(FWnd, P);
}

namespace {

class BridgeFilter : public QObject {
public:
    explicit BridgeFilter(HWND Wnd) : FWnd(Wnd) {}

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Event == gBypass || !IsLiveWindow(FWnd) || Watched != FWnd->Widget)
            return false;
        bool Done = false;
        Barrier([&] { Done = TranslateEvent(FWnd, Event); });
        return Done;
    }

private:
    HWND FWnd;
};

}  // namespace

void InstallBridge(HWND Wnd, QWidget* Widget)
{
    WidgetWindows()[Widget] = Wnd;
    // The filter is a child of the widget: it goes with it.
    auto* Filter = new BridgeFilter(Wnd);
    Filter->setParent(Widget);
    Widget->installEventFilter(Filter);
}

// ---- painting -------------------------------------------------------------------------------

void InvalidateWindow(HWND Wnd, const QRegion& Region, bool Erase)
{
    if (!IsLiveWindow(Wnd))
        return;
    Wnd->Invalid |= Region;
    Wnd->EraseNeeded = Wnd->EraseNeeded || Erase;
    if (Wnd->Widget)
        Wnd->Widget->update(Region);
}

namespace {

/// The window whose frame is being painted from its paint event: drawing
/// there is shown by that event, not by another update.
HWND gPaintingFrame = nullptr;

}  // namespace

QPoint WindowScreenOrigin(HWND Wnd)
{
    // Screen points of the window layer follow the controls' bounds, as
    // GetWindowRect and ClientToScreen do.
    TRect R;
    if (!GetWindowRect(Wnd, R))
        return QPoint(0, 0);
    QPoint Origin(R.Left, R.Top);
    if (Wnd->TopLevel) {
        const TRect W = Wnd->Control->OwnerWidgetRect();
        Origin += QPoint(W.Left, W.Top);
    }
    return Origin;
}

void SendNCPaint(HWND Wnd, const QRegion& Frame)
{
    const TRect B = Wnd->Control->OwnerBounds();
    const QSize Size = Wnd->BackingSize.isEmpty() ? QSize(B.Width(), B.Height()) : Wnd->BackingSize;
    const QRegion Whole = QRegion(QRect(QPoint(0, 0), Size)) - QRegion(ToQRect(Wnd->Client));
    HRGN Update = nullptr;
    WPARAM WParam = 1;
    if (!(Whole - Frame).isEmpty()) {
        Update = CreateRectRgn(0, 0, 0, 0);
        Update->Region = Frame.translated(WindowScreenOrigin(Wnd));
        WParam = reinterpret_cast<WPARAM>(Update);
    }
    const HWND Outer = gPaintingFrame;
    gPaintingFrame = Wnd;
    struct Restore {
        HWND Outer;
        HRGN Update;
        ~Restore()
        {
            gPaintingFrame = Outer;
            if (Update)
                DeleteObject(Update);
        }
    } Guard {Outer, Update};
    Wnd->Control->OwnerPerform(WM_NCPAINT, WParam, 0);
}

void PaintInvalid(HWND Wnd)
{
    if (!IsLiveWindow(Wnd) || !Wnd->OwnPainting || !Wnd->Widget || !Wnd->Widget->isVisible() ||
        Wnd->Invalid.isEmpty())
        return;
    const HBITMAP Backing = AcquireBacking(Wnd);
    TWindowOwner* Control = Wnd->Control;
    // What lies under children or siblings is theirs: it is not painted,
    // and is invalidated again when they uncover it.
    const QRegion Region = Wnd->Invalid & QRect(QPoint(0, 0), Backing->Image.size()) & DrawableRegion(Wnd);
    const bool Erase = Wnd->EraseNeeded;
    Wnd->Invalid = QRegion();
    Wnd->EraseNeeded = false;
    HDC DC = CreateBitmapDC(Backing);
    struct Free {
        HDC DC;
        ~Free() { DeleteDC(DC); }
    } Guard {DC};
    DC->SystemClip = Region;
    const TRect Client = Wnd->Client;
    const QRect ClientQ = ToQRect(Client);
    // A form's widget holds no frame, only the menu bar's band above the client.
    const QRegion Frame = Region - QRegion(ClientQ);
    if (!Frame.isEmpty())
        SendNCPaint(Wnd, Frame);
    if (!IsLiveWindow(Wnd))
        return;
    DC->SystemClip = Region & ClientQ;
    SetViewportOrgEx(DC, Client.Left, Client.Top, nullptr);
    if (Erase)
        Control->OwnerPerform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    if (IsLiveWindow(Wnd))
        Control->OwnerPerform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
}

// ---- barrier -----------------------------------------------------------------------------------

void Barrier(const std::function<void()>& F)
{
    try {
        F();
    } catch (...) {
        if (!gHost)
            return;
        try {
            gHost->HandleException();
        } catch (...) {
            // An exception while reporting one has nowhere left to go.
        }
    }
}

// ---- queue ----------------------------------------------------------------------------------------

namespace {

std::mutex gQueueLock;
std::deque<MSG> gQueue;
bool gQuit = false;
int gQuitCode = 0;

class MessagePump : public QObject {
public:
    static constexpr QEvent::Type PumpEvent = static_cast<QEvent::Type>(QEvent::User + 0x51);

protected:
    bool event(QEvent* Event) override
    {
        if (Event->type() != PumpEvent)
            return QObject::event(Event);
        Barrier([] { DispatchQueued(); });
        return true;
    }
};

MessagePump& Pump()
{
    static MessagePump* P = new MessagePump();
    return *P;
}

void DispatchMessage(const MSG& M)
{
    if (M.message == WM_QUIT) {
        gQuit = true;
        gQuitCode = static_cast<int>(M.wParam);
        return;
    }
    if (gHost) {
        MSG Copy = M;
        if (gHost->FilterMessage(Copy))
            return;
    }
    if (!M.hwnd) {
        if (gHost) {
            TMessage T;
            T.Msg = M.message;
            T.WParam = M.wParam;
            T.LParam = M.lParam;
            gHost->ThreadMessage(T);
        }
        return;
    }
    if (!IsLiveWindow(M.hwnd))
        return;
    TWindowOwner* C = M.hwnd->Control;
    if (M.message == WM_CHAR || M.message == WM_SYSCHAR) {
        // The dialog-character phase first; a consumed character goes no further.
        const UINT Reflected = M.message == WM_CHAR ? CN_CHAR : CN_SYSCHAR;
        if (C->OwnerPerform(Reflected, M.wParam, M.lParam) != 0 || !IsLiveWindow(M.hwnd))
            return;
    }
    C->OwnerPerform(M.message, M.wParam, M.lParam);
}

}  // namespace

void PostToQueue(const MSG& Msg)
{
    {
        std::lock_guard<std::mutex> Lock(gQueueLock);
        gQueue.push_back(Msg);
    }
    QCoreApplication::postEvent(&Pump(), new QEvent(MessagePump::PumpEvent));
}

bool DispatchQueued()
{
    MSG M;
    {
        std::lock_guard<std::mutex> Lock(gQueueLock);
        if (gQueue.empty())
            return false;
        M = gQueue.front();
        gQueue.pop_front();
    }
    DispatchMessage(M);
    return true;
}

bool QuitReceived()
{
    return gQuit;
}

void ClearQuit()
{
    gQuit = false;
}

int QuitCode()
{
    return gQuitCode;
}

BOOL PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Wnd && !IsLiveWindow(Wnd))
        return false;
    PostToQueue({Wnd, Msg, WParam, LParam});
    return true;
}

BOOL PostAnswerRequest(void (*Answer)(void* Data), void* Data)
{
    QCoreApplication* App = QCoreApplication::instance();
    if (!App || !Answer)
        return false;
    QMetaObject::invokeMethod(App, [Answer, Data] { Answer(Data); }, Qt::QueuedConnection);
    return true;
}

void PostQuitMessage(int ExitCode)
{
    PostToQueue({nullptr, WM_QUIT, static_cast<WPARAM>(ExitCode), 0});
}

BOOL PeekMessage(MSG& Msg, HWND Wnd, UINT Min, UINT Max, UINT RemoveMsg)
{
    // Threads waiting on a sent message are answered first, as a thread
    // that peeks while it waits for a worker must not leave it hanging.
    if (OnWindowThread())
        DispatchSentMessages();
    std::lock_guard<std::mutex> Lock(gQueueLock);
    for (auto It = gQueue.begin(); It != gQueue.end(); ++It) {
        const bool WindowMatches = !Wnd || It->hwnd == Wnd || It->message == WM_QUIT;
        const bool NumberMatches = (Min == 0 && Max == 0) || (It->message >= Min && It->message <= Max);
        if (!WindowMatches || !NumberMatches)
            continue;
        Msg = *It;
        if (RemoveMsg & PM_REMOVE)
            gQueue.erase(It);
        return true;
    }
    return false;
}

LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (!OnWindowThread())
        return SendFromOtherThread(Wnd, Msg, WParam, LParam);
    if (!IsLiveWindow(Wnd))
        return 0;
    return Wnd->Control->OwnerPerform(Msg, WParam, LParam);
}

// ---- timers --------------------------------------------------------------------------------------

namespace {

std::map<std::pair<HWND, UINT_PTR>, std::unique_ptr<QTimer>>& Timers()
{
    static std::map<std::pair<HWND, UINT_PTR>, std::unique_ptr<QTimer>> Map;
    return Map;
}

}  // namespace

UINT_PTR SetTimer(HWND Wnd, UINT_PTR Id, UINT Elapse, void*)
{
    if (!IsLiveWindow(Wnd))
        return 0;
    auto& T = Timers()[{Wnd, Id}];
    if (!T) {
        T = std::make_unique<QTimer>();
        QObject::connect(T.get(), &QTimer::timeout, [Wnd, Id] {
            Barrier([&] { SendMessage(Wnd, WM_TIMER, Id, 0); });
        });
    }
    T->start(static_cast<int>(std::max<UINT>(Elapse, 1)));
    return Id;
}

BOOL KillTimer(HWND Wnd, UINT_PTR Id)
{
    return Timers().erase({Wnd, Id}) != 0;
}

// ---- focus, capture, mouse --------------------------------------------------------------------------

HWND FocusedWindow()
{
    return IsLiveWindow(gFocus) ? gFocus : nullptr;
}

void SetFocusedWindow(HWND Wnd)
{
    HWND Old = FocusedWindow();
    if (Old == Wnd)
        return;
    gFocus = Wnd;
    if (Old)
        SendMessage(Old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(Wnd), 0);
    if (IsLiveWindow(Wnd) && gFocus == Wnd) {
        SendMessage(Wnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(Old), 0);
        if (IsLiveWindow(Wnd) && Wnd->Widget && gFocus == Wnd)
            Wnd->Widget->setFocus(Qt::OtherFocusReason);
    }
}

HWND GetFocus()
{
    return FocusedWindow();
}

HWND SetFocus(HWND Wnd)
{
    HWND Old = FocusedWindow();
    if (Wnd && !IsLiveWindow(Wnd))
        return nullptr;
    // Focusing a window of another form activates that form.
    if (Wnd) {
        if (Wnd->Control->OwnerFormInactive())
            Wnd->Control->OwnerActivateForm(WA_ACTIVE);
    }
    SetFocusedWindow(Wnd);
    return Old;
}

HWND GetActiveWindow()
{
    return gHost ? gHost->ActiveWindow() : nullptr;
}

HWND GetCapture()
{
    return IsLiveWindow(gCapture) ? gCapture : nullptr;
}

HWND SetCapture(HWND Wnd)
{
    HWND Old = GetCapture();
    if (Old == Wnd)
        return Old;
    gCapture = Wnd;
    if (Old) {
        if (Old->Widget && QWidget::mouseGrabber() == Old->Widget)
            Old->Widget->releaseMouse();
        SendMessage(Old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(Wnd));
    }
    if (IsLiveWindow(Wnd) && Wnd->Widget && Wnd->Widget->isVisible())
        Wnd->Widget->grabMouse();
    return Old;
}

BOOL ReleaseCapture()
{
    if (gHost)
        gHost->CaptureReleased();
    HWND Old = GetCapture();
    gCapture = nullptr;
    if (Old) {
        if (Old->Widget && QWidget::mouseGrabber() == Old->Widget)
            Old->Widget->releaseMouse();
        SendMessage(Old, WM_CAPTURECHANGED, 0, 0);
    }
    return true;
}

void ForgetWindow(HWND Wnd)
{
    if (gFocus == Wnd)
        gFocus = nullptr;
    if (gCapture == Wnd)
        gCapture = nullptr;
    // The window's timers lie together in the map: no walk over the others.
    auto& T = Timers();
    T.erase(T.lower_bound({Wnd, 0}), T.upper_bound({Wnd, ~UINT_PTR(0)}));
    std::lock_guard<std::mutex> Lock(gQueueLock);
    for (MSG& M : gQueue)
        if (M.hwnd == Wnd)
            M.hwnd = reinterpret_cast<HWND>(-3);  // dropped when its turn comes
}

void SetKeyDown(int VirtualKey, bool Down)
{
    if (Down && !gKeyDown[VirtualKey])
        gKeyToggled[VirtualKey] = !gKeyToggled[VirtualKey];
    gKeyDown[VirtualKey] = Down;
}

SmallInt GetKeyState(int VirtualKey)
{
    int R = 0;
    if (gKeyDown[VirtualKey])
        R |= 0x8000;
    if (gKeyToggled[VirtualKey])
        R |= 1;
    return static_cast<SmallInt>(R);
}

SmallInt GetAsyncKeyState(int VirtualKey)
{
    return GetKeyState(VirtualKey);
}

BOOL GetCursorPos(TPoint& Point)
{
    Point = gCursorPos;
    return true;
}

BOOL SetCursorPos(int X, int Y)
{
    gCursorPos = {X, Y};
    return true;
}

int MessageBeepCount()
{
    return gBeeps;
}

BOOL MessageBeep(UINT)
{
    ++gBeeps;
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QApplication::beep();
    return true;
}

// ---- key translation -----------------------------------------------------------------------------

namespace {

struct KeyMap {
    int Qt;
    Word Vk;
};

constexpr KeyMap QtKeys[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB}, {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN}, {Qt::Key_Enter, VK_RETURN}, {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU}, {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_CapsLock, VK_CAPITAL}, {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR}, {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME}, {Qt::Key_Left, VK_LEFT}, {Qt::Key_Up, VK_UP}, {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN}, {Qt::Key_Print, VK_SNAPSHOT}, {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE}, {Qt::Key_Help, VK_HELP}, {Qt::Key_Menu, VK_APPS},
    {Qt::Key_NumLock, VK_NUMLOCK}, {Qt::Key_ScrollLock, VK_SCROLL},
    {Qt::Key_Semicolon, VK_OEM_1}, {Qt::Key_Colon, VK_OEM_1}, {Qt::Key_Equal, VK_OEM_PLUS},
    {Qt::Key_Plus, VK_OEM_PLUS}, {Qt::Key_Comma, VK_OEM_COMMA}, {Qt::Key_Less, VK_OEM_COMMA},
    {Qt::Key_Minus, VK_OEM_MINUS}, {Qt::Key_Underscore, VK_OEM_MINUS},
    {Qt::Key_Period, VK_OEM_PERIOD}, {Qt::Key_Greater, VK_OEM_PERIOD}, {Qt::Key_Slash, VK_OEM_2},
    {Qt::Key_Question, VK_OEM_2}, {Qt::Key_QuoteLeft, VK_OEM_3}, {Qt::Key_AsciiTilde, VK_OEM_3},
    {Qt::Key_BracketLeft, VK_OEM_4}, {Qt::Key_BraceLeft, VK_OEM_4}, {Qt::Key_Backslash, VK_OEM_5},
    {Qt::Key_Bar, VK_OEM_5}, {Qt::Key_BracketRight, VK_OEM_6}, {Qt::Key_BraceRight, VK_OEM_6},
    {Qt::Key_Apostrophe, VK_OEM_7}, {Qt::Key_QuoteDbl, VK_OEM_7},
    {Qt::Key_Exclam, '1'}, {Qt::Key_At, '2'}, {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'}, {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'}, {Qt::Key_ParenLeft, '9'}, {Qt::Key_ParenRight, '0'},
};

// The Russian letters by the key they lie on.
constexpr struct {
    char16_t Letter;
    Word Vk;
} Cyrillic[] = {
    {u'Й', 'Q'}, {u'Ц', 'W'}, {u'У', 'E'}, {u'К', 'R'}, {u'Е', 'T'}, {u'Н', 'Y'}, {u'Г', 'U'},
    {u'Ш', 'I'}, {u'Щ', 'O'}, {u'З', 'P'}, {u'Х', VK_OEM_4}, {u'Ъ', VK_OEM_6}, {u'Ф', 'A'},
    {u'Ы', 'S'}, {u'В', 'D'}, {u'А', 'F'}, {u'П', 'G'}, {u'Р', 'H'}, {u'О', 'J'}, {u'Л', 'K'},
    {u'Д', 'L'}, {u'Ж', VK_OEM_1}, {u'Э', VK_OEM_7}, {u'Я', 'Z'}, {u'Ч', 'X'}, {u'С', 'C'},
    {u'М', 'V'}, {u'И', 'B'}, {u'Т', 'N'}, {u'Ь', 'M'}, {u'Б', VK_OEM_COMMA}, {u'Ю', VK_OEM_PERIOD},
    {u'Ё', VK_OEM_3},
};

Word VirtualKeyOf(const QKeyEvent* E)
{
    const int K = E->key();
    const bool Keypad = E->modifiers() & Qt::KeypadModifier;
    if (Keypad) {
        if (K >= Qt::Key_0 && K <= Qt::Key_9)
            return static_cast<Word>(VK_NUMPAD0 + (K - Qt::Key_0));
        switch (K) {
        case Qt::Key_Asterisk: return VK_MULTIPLY;
        case Qt::Key_Plus: return VK_ADD;
        case Qt::Key_Minus: return VK_SUBTRACT;
        case Qt::Key_Slash: return VK_DIVIDE;
        case Qt::Key_Period:
        case Qt::Key_Comma: return VK_DECIMAL;
        default: break;
        }
    }
    if ((K >= Qt::Key_A && K <= Qt::Key_Z) || (K >= Qt::Key_0 && K <= Qt::Key_9))
        return static_cast<Word>(K);
    if (K >= Qt::Key_F1 && K <= Qt::Key_F12)
        return static_cast<Word>(VK_F1 + (K - Qt::Key_F1));
    for (const KeyMap& M : QtKeys)
        if (M.Qt == K)
            return M.Vk;
    const char16_t Upper = QChar(static_cast<char16_t>(K)).toUpper().unicode();
    for (const auto& C : Cyrillic)
        if (C.Letter == Upper)
            return C.Vk;
    return 0;
}

int QtKeyOf(Word Vk)
{
    if ((Vk >= 'A' && Vk <= 'Z') || (Vk >= '0' && Vk <= '9'))
        return Vk;
    if (Vk >= VK_F1 && Vk <= VK_F12)
        return Qt::Key_F1 + (Vk - VK_F1);
    if (Vk >= VK_NUMPAD0 && Vk <= VK_NUMPAD9)
        return Qt::Key_0 + (Vk - VK_NUMPAD0);
    for (const KeyMap& M : QtKeys)
        if (M.Vk == Vk)
            return M.Qt;
    return Qt::Key_unknown;
}

// The CP1251 character a key event types; false when it types none or one
// the code page lacks.
bool CharOf(const QKeyEvent* E, char& Ch)
{
    const QString Text = E->text();
    if (Text.isEmpty())
        return false;
    const int Byte = cp1251::FromUnicode(Text.at(0).unicode());
    if (Byte < 0)
        return false;
    Ch = static_cast<char>(Byte);
    return true;
}

Qt::KeyboardModifiers CurrentModifiers()
{
    Qt::KeyboardModifiers M;
    if (GetKeyState(VK_SHIFT) < 0)
        M |= Qt::ShiftModifier;
    if (GetKeyState(VK_CONTROL) < 0)
        M |= Qt::ControlModifier;
    if (GetKeyState(VK_MENU) < 0)
        M |= Qt::AltModifier;
    return M;
}

void NoteModifiers(Qt::KeyboardModifiers M)
{
    SetKeyDown(VK_SHIFT, M & Qt::ShiftModifier);
    SetKeyDown(VK_CONTROL, M & Qt::ControlModifier);
    SetKeyDown(VK_MENU, M & Qt::AltModifier);
}

UINT MouseKeys(Qt::MouseButtons Buttons, Qt::KeyboardModifiers M)
{
    UINT K = 0;
    if (Buttons & Qt::LeftButton)
        K |= MK_LBUTTON;
    if (Buttons & Qt::RightButton)
        K |= MK_RBUTTON;
    if (Buttons & Qt::MiddleButton)
        K |= MK_MBUTTON;
    if (M & Qt::ShiftModifier)
        K |= MK_SHIFT;
    if (M & Qt::ControlModifier)
        K |= MK_CONTROL;
    return K;
}

// Runs a message for the window with the Qt event noted as the one being
// translated; true when a native widget should still handle the event.
bool SendTranslated(HWND Wnd, QEvent* Event, UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT* Result = nullptr)
{
    Translation T {Wnd, Event, false};
    Translation* Outer = gTranslation;
    gTranslation = &T;
    LRESULT R = 0;
    // Keys and clicks take a shown hint away first.
    Barrier([&] {
        if (gHost)
            gHost->InputMessage(MSG {Wnd, Msg, WParam, LParam});
    });
    if (!IsLiveWindow(Wnd)) {
        gTranslation = Outer;
        return false;
    }
    Barrier([&] { R = SendMessage(Wnd, Msg, WParam, LParam); });
    gTranslation = Outer;
    if (Result)
        *Result = R;
    return T.PassToWidget;
}

bool TranslateKey(HWND Wnd, QKeyEvent* E)
{
    const bool Down = E->type() == QEvent::KeyPress;
    NoteModifiers(E->modifiers());
    const Word Vk = VirtualKeyOf(E);
    HWND Target = FocusedWindow() ? FocusedWindow() : Wnd;
    if (Vk == 0) {
        if (!Wnd->OwnPainting)
            return false;
        // A key we have no code for still types its character: the "№" of
        // the Russian layout, quotes like "«" from a third level or a
        // composed character arrive as WM_CHAR alone, as a character
        // without a key did on Windows.
        char Ch = 0;
        const bool Plain = !(E->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (Down && Plain && CharOf(E, Ch) && static_cast<unsigned char>(Ch) >= 0x20)
            PostToQueue({Target, WM_CHAR, static_cast<unsigned char>(Ch), 1});
        return true;
    }
    SetKeyDown(Vk, Down);
    const bool Alt = E->modifiers() & Qt::AltModifier;
    const bool Ctrl = E->modifiers() & Qt::ControlModifier;
    const bool Sys = (Alt && !Ctrl) || Vk == VK_F10;
    int32_t KeyData = 1;
    if (Alt)
        KeyData |= AltMask;
    if (E->isAutoRepeat())
        KeyData |= 0x40000000;
    if (!Down)
        KeyData |= static_cast<int32_t>(0xC0000000u);
    LRESULT R = 0;
    if (!Down) {
        SendTranslated(Target, E, CN_KEYUP, Vk, KeyData, &R);
        if (R != 0 || !IsLiveWindow(Target))
            return true;
        return !SendTranslated(Target, E, Sys ? WM_SYSKEYUP : WM_KEYUP, Vk, KeyData) || Target != Wnd;
    }
    SendTranslated(Target, E, Sys ? CN_SYSKEYDOWN : CN_KEYDOWN, Vk, KeyData, &R);
    if (R != 0 || !IsLiveWindow(Target))
        return true;
    // The character is queued before the key is handled, so a handler of
    // the key can still take it out of the queue.
    char Ch = 0;
    if (CharOf(E, Ch))
        PostToQueue({Target, Sys ? static_cast<UINT>(WM_SYSCHAR) : static_cast<UINT>(WM_CHAR),
            static_cast<unsigned char>(Ch), KeyData});
    SendTranslated(Target, E, Sys ? WM_SYSKEYDOWN : WM_KEYDOWN, Vk, KeyData);
    return true;
}

bool TranslateMouse(HWND Wnd, QMouseEvent* E)
{
    const QPointF Global = E->globalPosition();
    gCursorPos = {static_cast<int>(Global.x()), static_cast<int>(Global.y())};
    NoteModifiers(E->modifiers());
    SetKeyDown(VK_LBUTTON, E->buttons() & Qt::LeftButton);
    SetKeyDown(VK_RBUTTON, E->buttons() & Qt::RightButton);
    SetKeyDown(VK_MBUTTON, E->buttons() & Qt::MiddleButton);
    HWND Target = GetCapture() ? GetCapture() : Wnd;
    if (!Target->Widget)
        return true;
    const QPoint Local = Target->Widget->mapFromGlobal(Global.toPoint());
    const int X = Local.x() - Target->Client.Left;
    const int Y = Local.y() - Target->Client.Top;
    UINT Msg = 0;
    Qt::MouseButtons Buttons = E->buttons();
    switch (E->type()) {
    case QEvent::MouseMove: Msg = WM_MOUSEMOVE; break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const bool Dbl = E->type() == QEvent::MouseButtonDblClick;
        switch (E->button()) {
        case Qt::LeftButton: Msg = Dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN; break;
        case Qt::RightButton: Msg = Dbl ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN; break;
        case Qt::MiddleButton: Msg = Dbl ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN; break;
        default: return true;
        }
        if (Dbl && !(Target->ClassStyle & CS_DBLCLKS))
            Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
        // A click activates the form of the window unless it declines.
        if (Target->Control->OwnerFormInactive()) {
            LRESULT A = 0;
            SendTranslated(Target, E, WM_MOUSEACTIVATE, 0, MakeLParam(HTCLIENT, Msg), &A);
            if (A != MA_NOACTIVATE && A != MA_NOACTIVATEANDEAT && IsLiveWindow(Target))
                Barrier([&] { Target->Control->OwnerActivateForm(WA_CLICKACTIVE); });
            if (A == MA_ACTIVATEANDEAT || A == MA_NOACTIVATEANDEAT || !IsLiveWindow(Target))
                return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        switch (E->button()) {
        case Qt::LeftButton: Msg = WM_LBUTTONUP; break;
        case Qt::RightButton: Msg = WM_RBUTTONUP; break;
        case Qt::MiddleButton: Msg = WM_MBUTTONUP; break;
        default: return true;
        }
        break;
    default: return true;
    }
    // The window says which part of it the point is on (WM_NCHITTEST), in
    // the client area too: a control may claim part of its client area as
    // frame. Its scroll bars take the mouse first; other parts than the
    // client area get the WM_NC... messages, a move also WM_SETCURSOR with
    // the part. HTTRANSPARENT windows (hints) keep their client messages.
    if (Target->OwnPainting && !GetCapture()) {
        bool OnBar = false;
        Barrier([&] { OnBar = ScrollBarMouse(Target, Msg, Local.x(), Local.y()); });
        if (OnBar)
            return true;
        // In the screen points of the window layer (the controls' bounds),
        // which handlers turn back into client points with ScreenToClient.
        const TPoint Screen = Target->Control->OwnerClientToScreen(Point(X, Y));
        LRESULT Hit = HTCLIENT;
        SendTranslated(Target, E, WM_NCHITTEST, 0, MakeLParam(Screen.X, Screen.Y), &Hit);
        if (!IsLiveWindow(Target))
            return true;
        if (Hit != HTCLIENT && Hit != HTTRANSPARENT) {
            if (Msg == WM_MOUSEMOVE) {
                LRESULT Set = 0;
                SendTranslated(Target, E, WM_SETCURSOR, reinterpret_cast<WPARAM>(Target),
                    MakeLParam(static_cast<int>(Hit), WM_MOUSEMOVE), &Set);
                if (!IsLiveWindow(Target))
                    return true;
                if (!Set && Target->Widget)
                    ApplyCursor(Target->Widget, LoadCursor(0, IDC_ARROW));
            }
            SendTranslated(Target, E, Msg - (WM_MOUSEMOVE - WM_NCMOUSEMOVE), static_cast<WPARAM>(Hit),
                MakeLParam(Screen.X, Screen.Y));
            return true;
        }
    }
    const UINT Keys = MouseKeys(Buttons, E->modifiers());
    // The control under the mouse (whoever has the capture) gets
    // CM_MOUSEENTER, the one it left CM_MOUSELEAVE.
    if (gHost) {
        Barrier([&] { gHost->MouseAt(Target, X, Y, Msg, Keys); });
        if (!IsLiveWindow(Target))
            return true;
    }
    if (Msg == WM_MOUSEMOVE) {
        LRESULT Set = 0;
        SendTranslated(Target, E, WM_SETCURSOR, reinterpret_cast<WPARAM>(Target), MakeLParam(HTCLIENT, WM_MOUSEMOVE), &Set);
        HCURSOR Default = 0;
        if (!Set && Target->OwnPainting && Target->Widget && (!gHost || gHost->DefaultCursor(Default)))
            ApplyCursor(Target->Widget, Default);
        if (!IsLiveWindow(Target))
            return true;
    }
    const bool Pass = SendTranslated(Target, E, Msg, Keys, MakeLParam(X, Y));
    return !(Pass && Target == Wnd);
}

// Input finds the children where they are meant to be.
void AlignForInput()
{
    if (gHost)
        gHost->AlignPending();
}

bool TranslateWheel(HWND Wnd, QWheelEvent* E)
{
    const QPointF Global = E->globalPosition();
    gCursorPos = {static_cast<int>(Global.x()), static_cast<int>(Global.y())};
    NoteModifiers(E->modifiers());
    HWND Target = FocusedWindow() ? FocusedWindow() : Wnd;
    const int Delta = E->angleDelta().y();
    const UINT Keys = MouseKeys(E->buttons(), E->modifiers());
    const bool Pass = SendTranslated(Target, E, WM_MOUSEWHEEL, MakeWParam(static_cast<int>(Keys), Delta),
        MakeLParam(gCursorPos.X, gCursorPos.Y));
    return !(Pass && Target == Wnd);
}

}  // namespace

bool TranslateEvent(HWND Wnd, QEvent* Event)
{
    if (Event == gBypass)
        return false;
    NoteWidgetShape(Wnd, Event);
    if (OleDragInput(Wnd, Event))
        return true;
    switch (Event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
        return OleSystemDragEvent(Wnd, Event);
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        AlignForInput();
        return TranslateKey(Wnd, static_cast<QKeyEvent*>(Event));
    case QEvent::ShortcutOverride:
        // Keys are ours; Qt's short-cuts never take them.
        Event->accept();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        AlignForInput();
        return TranslateMouse(Wnd, static_cast<QMouseEvent*>(Event));
    case QEvent::Wheel:
        AlignForInput();
        return TranslateWheel(Wnd, static_cast<QWheelEvent*>(Event));
    case QEvent::Leave:
        if (gHost)
            Barrier([&] { gHost->MouseLeft(Wnd); });
        return false;
    case QEvent::FocusIn:
        if (FocusedWindow() != Wnd)
            Barrier([&] { SetFocus(Wnd); });
        return false;
    case QEvent::WindowActivate:
        if (Wnd->Control->OwnerFormInactive())
            Barrier([&] { Wnd->Control->OwnerActivateForm(WA_ACTIVE); });
        return false;
    case QEvent::Close:
        Event->ignore();
        if (Wnd->TopLevel)
            Barrier([&] { PostMessage(Wnd, WM_CLOSE, 0, 0); });
        return true;
    case QEvent::Resize:
    case QEvent::Move:
        if (Wnd->TopLevel && Wnd->Widget && Wnd->Widget->isVisible()) {
            // The window system moved or sized the form: take its bounds.
            const QRect G = Wnd->Widget->geometry();
            TWindowOwner* C = Wnd->Control;
            const TRect Frame = C->OwnerWidgetRect();
            const TRect B = C->OwnerBounds();
            const int L = G.x() - Frame.Left;
            const int T = G.y() - Frame.Top;
            const int W = G.width() + Frame.Left + (B.Width() - Frame.Right);
            const int H = G.height() + Frame.Top + (B.Height() - Frame.Bottom);
            if (L != B.Left || T != B.Top || W != B.Width() || H != B.Height())
                Barrier([&] { C->OwnerSetBounds(L, T, W, H); });
        }
        return false;
    case QEvent::ContextMenu:
        return Wnd->OwnPainting;
    case QEvent::WindowStateChange:
        if (Wnd->TopLevel && Wnd->Widget && gHost) {
            const bool Minimized = Wnd->Widget->isMinimized();
            Barrier([&] { gHost->WindowMinimized(Wnd, Minimized); });
        }
        return false;
    default:
        return false;
    }
}

/// For windows of Qt's own controls: the default handling of a message
/// made from the Qt event being translated is the widget's own handling.
void PassToNativeWidget(HWND Wnd, const TMessage& Message)
{
    if (!IsLiveWindow(Wnd) || Wnd->OwnPainting || !Wnd->Widget)
        return;
    if (gTranslation && gTranslation->Wnd == Wnd) {
        if (Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN || Message.Msg == WM_KEYUP ||
            Message.Msg == WM_SYSKEYUP) {
            // The key without its text: the text comes with WM_CHAR.
            auto* E = static_cast<QKeyEvent*>(gTranslation->Event);
            QKeyEvent Key(E->type(), QtKeyOf(static_cast<Word>(Message.WParam)), E->modifiers(), QString());
            gBypass = &Key;
            QApplication::sendEvent(Wnd->Widget, &Key);
            gBypass = nullptr;
            return;
        }
        gTranslation->PassToWidget = true;
        return;
    }
    if (Message.Msg == WM_CHAR) {
        const auto Ch = static_cast<unsigned char>(Message.WParam & 0xFF);
        if (Ch < 32)
            return;
        QKeyEvent Key(QEvent::KeyPress, Qt::Key_unknown, CurrentModifiers(),
            QString(QChar(static_cast<char16_t>(cp1251::ToUnicode(Ch)))));
        gBypass = &Key;
        QApplication::sendEvent(Wnd->Widget, &Key);
        gBypass = nullptr;
    }
}

// ---- window functions ------------------------------------------------------------------------------

BOOL IsWindow(HWND Wnd)
{
    return IsLiveWindow(Wnd) || Wnd == GetDesktopWindow();
}

BOOL IsWindowVisible(HWND Wnd)
{
    return IsLiveWindow(Wnd) && Wnd->Control->OwnerShowing();
}

BOOL IsWindowEnabled(HWND Wnd)
{
    return IsLiveWindow(Wnd) && Wnd->Control->OwnerEnabled();
}

HWND GetParent(HWND Wnd)
{
    if (!IsLiveWindow(Wnd))
        return nullptr;
    if (Wnd->TopLevel)
        return IsLiveWindow(Wnd->Owner) ? Wnd->Owner : nullptr;
    return Wnd->Control->OwnerParentWindow();
}

BOOL GetClientRect(HWND Wnd, TRect& R)
{
    if (!IsLiveWindow(Wnd))
        return false;
    R = Wnd->Control->OwnerClientRect();
    return true;
}

BOOL GetWindowRect(HWND Wnd, TRect& R)
{
    if (Wnd == GetDesktopWindow()) {
        R = DesktopRect();
        return true;
    }
    if (!IsLiveWindow(Wnd))
        return false;
    TWindowOwner* C = Wnd->Control;
    const TPoint O = C->OwnerClientOrigin();
    const TRect Client = C->OwnerWindowClientRect();
    const TRect B = C->OwnerBounds();
    R = Bounds(O.X - Client.Left, O.Y - Client.Top, B.Width(), B.Height());
    return true;
}

BOOL ClientToScreen(HWND Wnd, TPoint& P)
{
    if (!IsLiveWindow(Wnd))
        return false;
    P = Wnd->Control->OwnerClientToScreen(P);
    return true;
}

BOOL ScreenToClient(HWND Wnd, TPoint& P)
{
    if (!IsLiveWindow(Wnd))
        return false;
    P = Wnd->Control->OwnerScreenToClient(P);
    return true;
}

BOOL SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int Width, int Height, UINT Flags)
{
    if (!IsLiveWindow(Wnd))
        return false;
    TWindowOwner* C = Wnd->Control;
    const TRect B = C->OwnerBounds();
    const int L = (Flags & SWP_NOMOVE) ? B.Left : X;
    const int T = (Flags & SWP_NOMOVE) ? B.Top : Y;
    const int W = (Flags & SWP_NOSIZE) ? B.Width() : Width;
    const int H = (Flags & SWP_NOSIZE) ? B.Height() : Height;
    C->OwnerSetBounds(L, T, W, H);
    if (!(Flags & SWP_NOZORDER) && Wnd->Widget) {
        if (InsertAfter == HWND_BOTTOM)
            Wnd->Widget->lower();
        else
            Wnd->Widget->raise();
        if (Wnd->TopLevel && (InsertAfter == HWND_TOPMOST || InsertAfter == HWND_NOTOPMOST)) {
            const bool Top = InsertAfter == HWND_TOPMOST;
            // Qt hides a shown window whose flags change: it stays shown.
            const bool Shown = Wnd->Widget->isVisible();
            Wnd->Widget->setWindowFlag(Qt::WindowStaysOnTopHint, Top);
            if (Shown && !Wnd->Widget->isVisible())
                Wnd->Widget->show();
            Wnd->ExStyle = Top ? (Wnd->ExStyle | WS_EX_TOPMOST) : (Wnd->ExStyle & ~WS_EX_TOPMOST);
        }
    }
    if (Flags & SWP_SHOWWINDOW)
        ShowWindow(Wnd, (Flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (Flags & SWP_HIDEWINDOW)
        ShowWindow(Wnd, SW_HIDE);
    if (Flags & SWP_FRAMECHANGED)
        Wnd->ClientValid = false;
    if (Flags & SWP_FRAMECHANGED) {
        const TRect Client = C->OwnerClientRect();
        C->OwnerPerform(WM_SIZE, SIZE_RESTORED, MakeLParam(Client.Width(), Client.Height()));
    }
    return true;
}

BOOL ShowWindow(HWND Wnd, int Command)
{
    if (!IsLiveWindow(Wnd) || !Wnd->Widget)
        return false;
    const bool Was = Wnd->Widget->isVisible();
    // The owner hears of it first (WParam: shown), so that a control that
    // keeps its own visibility follows the call.
    Wnd->Control->OwnerPerform(WM_SHOWWINDOW, Command == SW_HIDE ? 0 : 1, 0);
    if (!IsLiveWindow(Wnd) || !Wnd->Widget)
        return Was;
    switch (Command) {
    case SW_HIDE: Wnd->Widget->hide(); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: Wnd->Widget->showMinimized(); break;
    case SW_SHOWMAXIMIZED: Wnd->Widget->show(); break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
        Wnd->Widget->setAttribute(Qt::WA_ShowWithoutActivating);
        Wnd->Widget->show();
        break;
    default: Wnd->Widget->show(); break;
    }
    return Was;
}

BOOL BringWindowToTop(HWND Wnd)
{
    if (!IsLiveWindow(Wnd) || !Wnd->Widget)
        return false;
    Wnd->Widget->raise();
    return true;
}

BOOL SetForegroundWindow(HWND Wnd)
{
    if (!IsLiveWindow(Wnd) || !Wnd->Widget)
        return false;
    Wnd->Widget->raise();
    Wnd->Widget->activateWindow();
    return true;
}

HWND WindowFromPoint(TPoint Point)
{
    QWidget* W = QApplication::widgetAt(Point.X, Point.Y);
    if (W && (W->window()->windowFlags() & Qt::WindowTransparentForInput)) {
        // A window that input passes through (a drag image under the
        // mouse) hides nothing: the window below it is meant.
        W = nullptr;
        const QPoint Global(Point.X, Point.Y);
        for (QWidget* Top : QApplication::topLevelWidgets()) {
            if (!Top->isVisible() || (Top->windowFlags() & Qt::WindowTransparentForInput) ||
                !Top->geometry().contains(Global))
                continue;
            QWidget* Child = Top->childAt(Top->mapFromGlobal(Global));
            W = Child ? Child : Top;
            break;
        }
    }
    return WindowOfWidget(W);
}

intptr_t GetWindowLong(HWND Wnd, int Index)
{
    if (!IsLiveWindow(Wnd))
        return 0;
    switch (Index) {
    case GWL_STYLE: return static_cast<intptr_t>(Wnd->Style);
    case GWL_EXSTYLE: return static_cast<intptr_t>(Wnd->ExStyle);
    case GWL_HWNDPARENT: return reinterpret_cast<intptr_t>(Wnd->Owner);
    default: return 0;
    }
}

intptr_t SetWindowLong(HWND Wnd, int Index, intptr_t Value)
{
    if (!IsLiveWindow(Wnd))
        return 0;
    const intptr_t Old = GetWindowLong(Wnd, Index);
    switch (Index) {
    case GWL_STYLE:
        Wnd->Style = static_cast<uint32_t>(Value);
        Wnd->ClientValid = false;
        break;
    case GWL_EXSTYLE:
        Wnd->ExStyle = static_cast<uint32_t>(Value);
        Wnd->ClientValid = false;
        ApplyLayeredStyle(Wnd);
        break;
    case GWL_HWNDPARENT: {
        HWND Owner = reinterpret_cast<HWND>(Value);
        Wnd->Owner = Owner;
        if (Wnd->TopLevel && Wnd->Widget && Wnd->Widget->windowHandle() && IsLiveWindow(Owner) &&
            Owner->Widget && Owner->Widget->windowHandle())
            Wnd->Widget->windowHandle()->setTransientParent(Owner->Widget->windowHandle());
        break;
    }
    default: break;
    }
    return Old;
}

BOOL InvalidateRect(HWND Wnd, const TRect* R, BOOL Erase)
{
    if (!IsLiveWindow(Wnd) || !Wnd->Widget)
        return false;
    const TRect C = Wnd->Client;
    QRegion Region;
    if (R) {
        TRect W = *R;
        OffsetRect(W, C.Left, C.Top);
        Region = QRegion(ToQRect(W));
    } else {
        Region = QRegion(Wnd->Widget->rect());
    }
    InvalidateWindow(Wnd, Region, Erase);
    return true;
}

BOOL ValidateRect(HWND Wnd, const TRect* R)
{
    if (!IsLiveWindow(Wnd))
        return false;
    if (!R) {
        Wnd->Invalid = QRegion();
        return true;
    }
    TRect W = *R;
    OffsetRect(W, Wnd->Client.Left, Wnd->Client.Top);
    Wnd->Invalid -= QRegion(ToQRect(W));
    return true;
}

BOOL UpdateWindow(HWND Wnd)
{
    if (!IsLiveWindow(Wnd))
        return false;
    const QRect Shown = Wnd->Invalid.boundingRect();
    PaintInvalid(Wnd);
    if (IsLiveWindow(Wnd) && Wnd->Widget && !Shown.isEmpty())
        Wnd->Widget->update(Shown);
    return true;
}

namespace {

/// The window whose painting LockWindowUpdate holds back.
HWND gLockedWindow = nullptr;

}  // namespace

BOOL LockWindowUpdate(HWND Wnd)
{
    if (Wnd) {
        if (!IsLiveWindow(Wnd) || (IsLiveWindow(gLockedWindow) && gLockedWindow != Wnd))
            return false;
        gLockedWindow = Wnd;
        if (Wnd->Widget)
            Wnd->Widget->setUpdatesEnabled(false);
        return true;
    }
    HWND Old = gLockedWindow;
    gLockedWindow = nullptr;
    if (IsLiveWindow(Old) && Old->Widget) {
        // What was invalidated meanwhile, in the window and its children,
        // shows now.
        Old->Widget->setUpdatesEnabled(true);
        Old->Widget->repaint();
    }
    return true;
}

BOOL RedrawWindow(HWND Wnd, const TRect* R, HRGN Region, UINT Flags)
{
    if (!IsLiveWindow(Wnd))
        return false;
    if (Flags & RDW_INVALIDATE) {
        if (GdiObject* Rg = AsKind(Region, GdiKind::Region)) {
            InvalidateWindow(Wnd, Rg->Region.translated(Wnd->Client.Left, Wnd->Client.Top), Flags & RDW_ERASE);
        } else if (Flags & RDW_FRAME) {
            InvalidateWindow(Wnd, QRegion(Wnd->Widget ? Wnd->Widget->rect() : QRect()), Flags & RDW_ERASE);
        } else {
            InvalidateRect(Wnd, R, Flags & RDW_ERASE);
        }
    }
    if (Flags & RDW_VALIDATE)
        ValidateRect(Wnd, R);
    if (Flags & RDW_ALLCHILDREN) {
        std::vector<HWND> Children;
        Wnd->Control->OwnerChildWindows(Children);
        for (HWND Child : Children)
            RedrawWindow(Child, nullptr, nullptr, Flags);
    }
    if (Flags & (RDW_UPDATENOW | RDW_ERASENOW))
        UpdateWindow(Wnd);
    return true;
}

BOOL ScrollWindow(HWND Wnd, int DX, int DY, const TRect* R, const TRect* Clip)
{
    if (!IsLiveWindow(Wnd))
        return false;
    const QRect ClientQ = ToQRect(Wnd->Client);
    QRect Area = R ? ToQRect(*R).translated(ClientQ.topLeft()) : ClientQ;
    if (Clip)
        Area &= ToQRect(*Clip).translated(ClientQ.topLeft());
    const bool Shown = Wnd->Widget && Wnd->Widget->isVisible();
    const HBITMAP Backing = Shown ? AcquireBacking(Wnd) : Wnd->Backing;
    if (!Backing) {
        // Nothing painted yet: nothing to move.
        InvalidateWindow(Wnd, QRegion(Area), true);
        return true;
    }
    FlushBitmap(Backing);
    // Only the window's own pixels move: the pixels may be its parent's,
    // with children and siblings in them.
    const QRegion Own = QRegion(Area) & DrawableRegion(Wnd);
    QImage& Image = Backing->Image;
    const QImage Copy = Image.copy(Area);
    {
        QPainter P(&Image);
        P.setClipRegion(Own);
        P.drawImage(Area.topLeft() + QPoint(DX, DY), Copy);
    }
    // What the move uncovered, or filled from pixels not the window's, must
    // be painted.
    const QRegion Uncovered = Own - Own.translated(DX, DY);
    InvalidateWindow(Wnd, Uncovered | (Wnd->Invalid.translated(DX, DY) & Area), true);
    if (Wnd->Widget)
        Wnd->Widget->update(Area);
    return true;
}

namespace {

// The widget that shows a window's overlay pattern over its children.
class OverlayWidget : public QWidget {
public:
    OverlayWidget(HWND Wnd, QWidget* Parent) : QWidget(Parent), FWnd(Wnd)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent* Event) override
    {
        Barrier([&] {
            if (!IsLiveWindow(FWnd) || !FWnd->OverlayMask)
                return;
            FlushBitmap(FWnd->OverlayMask);
            QPainter P(this);
            P.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            P.drawImage(Event->rect(), FWnd->OverlayMask->Image, Event->rect());
        });
    }

private:
    HWND FWnd;
};

void ShowOverlay(DeviceContext& DC, const QRect& DeviceRect)
{
    auto* Wnd = static_cast<HWND>(DC.Owner);
    if (!IsLiveWindow(Wnd) || !Wnd->Overlay)
        return;
    Wnd->Overlay->raise();
    Wnd->Overlay->show();
    Wnd->Overlay->update(DeviceRect);
}

// A DC drawing on the window's overlay, which covers the client area and
// the children in it.
HDC OverlayDC(HWND Wnd)
{
    if (!Wnd->Widget)
        return nullptr;
    const TRect C = Wnd->Client;
    if (!Wnd->Overlay) {
        auto* W = new OverlayWidget(Wnd, Wnd->Widget);
        Wnd->Overlay = W;
    }
    Wnd->Overlay->setGeometry(ToQRect(C));
    const int W = std::max(C.Width(), 1), H = std::max(C.Height(), 1);
    if (!Wnd->OverlayMask || Wnd->OverlayMask->Image.size() != QSize(W, H)) {
        QImage Mask(W, H, QImage::Format_RGB32);
        Mask.fill(qRgb(0, 0, 0));
        if (Wnd->OverlayMask) {
            FlushBitmap(Wnd->OverlayMask);
            Wnd->OverlayMask->Image = Mask;
        } else {
            Wnd->OverlayMask = CreateBitmapObject(Mask, false);
        }
    }
    HDC DC = CreateBitmapDC(Wnd->OverlayMask);
    DC->Owner = Wnd;
    DC->Changed = ShowOverlay;
    return DC;
}

void ShowDrawing(DeviceContext& DC, const QRect& DeviceRect)
{
    auto* Wnd = static_cast<HWND>(DC.Owner);
    if (IsLiveWindow(Wnd) && Wnd->Widget && Wnd != gPaintingFrame)
        Wnd->Widget->update(DeviceRect);
}

}  // namespace

HDC GetDC(HWND Wnd)
{
    if (!Wnd) {
        // The screen: good for measuring; drawing on it is not kept.
        HDC DC = CreateCompatibleDC(nullptr);
        DC->MeasureOnly = true;
        return DC;
    }
    if (!IsLiveWindow(Wnd))
        return nullptr;
    HDC DC = CreateBackendDC(MakeWindowBackend(Wnd));
    DC->Owner = Wnd;
    DC->Changed = ShowDrawing;
    DC->SystemClip = QRegion(ToQRect(Wnd->Client)) & DrawableRegion(Wnd);
    SetViewportOrgEx(DC, Wnd->Client.Left, Wnd->Client.Top, nullptr);
    return DC;
}

HDC GetDCEx(HWND Wnd, HRGN Clip, UINT Flags)
{
    // A cache DC that does not clip children draws over them (the XOR
    // tracking lines of splitters).
    const bool OverChildren = IsLiveWindow(Wnd) && (Flags & DCX_CACHE) && !(Flags & DCX_CLIPCHILDREN) &&
        !(Flags & DCX_WINDOW) && Wnd->OwnPainting;
    HDC DC = OverChildren ? OverlayDC(Wnd) : (Flags & DCX_WINDOW) ? GetWindowDC(Wnd) : GetDC(Wnd);
    GdiObject* R = Clip ? AsKind(Clip, GdiKind::Region) : nullptr;
    if (DC && R && (Flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
        const QRegion Whole(QRect(QPoint(0, 0), DC->SurfaceSize()));
        const QRegion Current = DC->SystemClip ? *DC->SystemClip : Whole;
        const QRegion Given = R->Region.translated(-WindowScreenOrigin(Wnd));
        DC->SystemClip = (Flags & DCX_INTERSECTRGN) ? Current & Given : Current - Given;
    }
    return DC;
}

HDC GetWindowDC(HWND Wnd)
{
    if (Wnd == GetDesktopWindow())
        return DesktopDC();
    HDC DC = GetDC(Wnd);
    if (DC && Wnd) {
        DC->SystemClip = DrawableRegion(Wnd);
        SetViewportOrgEx(DC, 0, 0, nullptr);
    }
    return DC;
}

int ReleaseDC(HWND Wnd, HDC DC)
{
    const bool Overlay = DC && IsLiveWindow(Wnd) && Wnd->OverlayMask && DC->Bitmap == Wnd->OverlayMask;
    const int Result = DeleteDC(DC) ? 1 : 0;
    if (Overlay && Wnd->Overlay) {
        // An empty pattern (every line drawn twice) needs no overlay.
        FlushBitmap(Wnd->OverlayMask);
        const QImage& M = Wnd->OverlayMask->Image;
        bool Empty = true;
        for (int Y = 0; Y < M.height() && Empty; ++Y) {
            const auto* Line = reinterpret_cast<const QRgb*>(M.constScanLine(Y));
            for (int X = 0; X < M.width(); ++X)
                if (Line[X] & 0xFFFFFFu) {
                    Empty = false;
                    break;
                }
        }
        if (Empty)
            Wnd->Overlay->hide();
    }
    return Result;
}

// ---- cursors --------------------------------------------------------------------------------------

namespace {

struct CursorEntry {
    Qt::CursorShape Shape = Qt::ArrowCursor;
    QCursor Custom;
    bool IsCustom = false;
};

std::vector<CursorEntry>& CursorTable()
{
    static std::vector<CursorEntry> Table;
    return Table;
}

HCURSOR AddCursor(const CursorEntry& E)
{
    auto& T = CursorTable();
    T.push_back(E);
    return static_cast<HCURSOR>(T.size());
}

HCURSOR ShapeCursor(Qt::CursorShape Shape)
{
    static std::map<int, HCURSOR> Made;
    HCURSOR& H = Made[static_cast<int>(Shape)];
    if (!H) {
        CursorEntry E;
        E.Shape = Shape;
        H = AddCursor(E);
    }
    return H;
}

struct CursorResource {
    const void* Data;
    size_t Size;
    int HotX;
    int HotY;
};

std::map<std::string, CursorResource>& CursorResources()
{
    static std::map<std::string, CursorResource> Map;
    return Map;
}

}  // namespace

HCURSOR LoadCursor(intptr_t Instance, intptr_t Id)
{
    if (Instance != 0)
        return 0;
    switch (Id) {
    case IDC_ARROW: return ShapeCursor(Qt::ArrowCursor);
    case IDC_IBEAM: return ShapeCursor(Qt::IBeamCursor);
    case IDC_WAIT: return ShapeCursor(Qt::WaitCursor);
    case IDC_CROSS: return ShapeCursor(Qt::CrossCursor);
    case IDC_UPARROW: return ShapeCursor(Qt::UpArrowCursor);
    case IDC_SIZENWSE: return ShapeCursor(Qt::SizeFDiagCursor);
    case IDC_SIZENESW: return ShapeCursor(Qt::SizeBDiagCursor);
    case IDC_SIZEWE: return ShapeCursor(Qt::SizeHorCursor);
    case IDC_SIZENS: return ShapeCursor(Qt::SizeVerCursor);
    case IDC_SIZEALL: return ShapeCursor(Qt::SizeAllCursor);
    case IDC_NO: return ShapeCursor(Qt::ForbiddenCursor);
    case IDC_HAND: return ShapeCursor(Qt::PointingHandCursor);
    case IDC_APPSTARTING: return ShapeCursor(Qt::BusyCursor);
    case IDC_HELP: return ShapeCursor(Qt::WhatsThisCursor);
    default: return 0;
    }
}

void RegisterCursorResource(const AnsiString& Name, const void* Data, size_t Size, int HotX, int HotY)
{
    CursorResources()[AnsiUpperCase(Name).Std()] = {Data, Size, HotX, HotY};
}

HCURSOR LoadCursor(intptr_t, const AnsiString& Name)
{
    const std::string Key = AnsiUpperCase(Name).Std();
    const auto It = CursorResources().find(Key);
    if (It != CursorResources().end()) {
        QPixmap Pixmap;
        if (!Pixmap.loadFromData(static_cast<const uchar*>(It->second.Data), static_cast<uint>(It->second.Size)))
            return 0;
        CursorEntry E;
        E.IsCustom = true;
        E.Custom = QCursor(Pixmap, It->second.HotX, It->second.HotY);
        return AddCursor(E);
    }
    // The program's two own cursors stand for the hand and the drag hand.
    if (Key == "YL_HANDCUR")
        return ShapeCursor(Qt::PointingHandCursor);
    if (Key == "YL_DRAGCUR")
        return ShapeCursor(Qt::ClosedHandCursor);
    return 0;
}

void ApplyCursor(QWidget* Widget, HCURSOR Cursor)
{
    auto& T = CursorTable();
    if (!Widget || Cursor <= 0 || Cursor > static_cast<HCURSOR>(T.size()))
        return;
    const CursorEntry& E = T[static_cast<size_t>(Cursor - 1)];
    if (E.IsCustom)
        Widget->setCursor(E.Custom);
    else if (Widget->cursor().shape() != E.Shape)
        Widget->setCursor(QCursor(E.Shape));
}

namespace {
HCURSOR gCurrentCursor = 0;
}

bool CursorOf(HCURSOR Cursor, QCursor& Result)
{
    const auto& T = CursorTable();
    if (Cursor <= 0 || Cursor > static_cast<HCURSOR>(T.size()))
        return false;
    const CursorEntry& E = T[static_cast<size_t>(Cursor - 1)];
    Result = E.IsCustom ? E.Custom : QCursor(E.Shape);
    return true;
}

HCURSOR GetCursor()
{
    // Cursors are made by the window system: none without it.
    if (gCurrentCursor || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return gCurrentCursor;
    return LoadCursor(0, IDC_ARROW);
}

HCURSOR SetCursor(HCURSOR Cursor)
{
    const HCURSOR Old = gCurrentCursor;
    gCurrentCursor = Cursor;
    HWND Under = GetCapture() ? GetCapture() : WindowFromPoint(gCursorPos);
    if (!IsLiveWindow(Under))
        Under = FocusedWindow();
    if (IsLiveWindow(Under))
        ApplyCursor(Under->Widget, Cursor);
    return Old;
}

// ---- the host ----------------------------------------------------------------------------------

void SetWindowHost(TWindowHost* Host)
{
    gHost = Host;
}

TWindowHost* WindowHost()
{
    return gHost;
}
