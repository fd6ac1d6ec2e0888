#include "platform/forms/InputSimulation.h"

#include "platform/forms/Forms.h"
#include "platform/forms/ControlsPrivate.h"
#include "platform/rtl/Cp1251.h"

#include <QApplication>
#include <QBackingStore>
#include <QDropEvent>
#include <QMimeData>
#include <QPixmap>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {

Qt::KeyboardModifiers Modifiers(TShiftState Shift)
{
    Qt::KeyboardModifiers M;
    if (Shift.Contains(ssShift))
        M |= Qt::ShiftModifier;
    if (Shift.Contains(ssCtrl))
        M |= Qt::ControlModifier;
    if (Shift.Contains(ssAlt))
        M |= Qt::AltModifier;
    return M;
}

int QtKey(Word Key)
{
    struct Map {
        Word Vk;
        int Qt;
    };
    static constexpr Map Keys[] = {
        {VK_BACK, Qt::Key_Backspace}, {VK_TAB, Qt::Key_Tab}, {VK_RETURN, Qt::Key_Return},
        {VK_SHIFT, Qt::Key_Shift}, {VK_CONTROL, Qt::Key_Control}, {VK_MENU, Qt::Key_Alt},
        {VK_ESCAPE, Qt::Key_Escape}, {VK_SPACE, Qt::Key_Space}, {VK_PRIOR, Qt::Key_PageUp},
        {VK_NEXT, Qt::Key_PageDown}, {VK_END, Qt::Key_End}, {VK_HOME, Qt::Key_Home},
        {VK_LEFT, Qt::Key_Left}, {VK_UP, Qt::Key_Up}, {VK_RIGHT, Qt::Key_Right}, {VK_DOWN, Qt::Key_Down},
        {VK_INSERT, Qt::Key_Insert}, {VK_DELETE, Qt::Key_Delete}, {VK_APPS, Qt::Key_Menu},
        {VK_OEM_1, Qt::Key_Semicolon}, {VK_OEM_PLUS, Qt::Key_Equal}, {VK_OEM_COMMA, Qt::Key_Comma},
        {VK_OEM_MINUS, Qt::Key_Minus}, {VK_OEM_PERIOD, Qt::Key_Period}, {VK_OEM_2, Qt::Key_Slash},
        {VK_OEM_3, Qt::Key_QuoteLeft}, {VK_OEM_4, Qt::Key_BracketLeft}, {VK_OEM_5, Qt::Key_Backslash},
        {VK_OEM_6, Qt::Key_BracketRight}, {VK_OEM_7, Qt::Key_Apostrophe},
    };
    if ((Key >= 'A' && Key <= 'Z') || (Key >= '0' && Key <= '9'))
        return Key;
    if (Key >= VK_F1 && Key <= VK_F12)
        return Qt::Key_F1 + (Key - VK_F1);
    if (Key >= VK_NUMPAD0 && Key <= VK_NUMPAD9)
        return Qt::Key_0 + (Key - VK_NUMPAD0);
    switch (Key) {
    case VK_MULTIPLY: return Qt::Key_Asterisk;
    case VK_ADD: return Qt::Key_Plus;
    case VK_SUBTRACT: return Qt::Key_Minus;
    case VK_DIVIDE: return Qt::Key_Slash;
    case VK_DECIMAL: return Qt::Key_Period;
    default: break;
    }
    for (const Map& M : Keys)
        if (M.Vk == Key)
            return M.Qt;
    return Qt::Key_unknown;
}

bool IsKeypad(Word Key)
{
    return (Key >= VK_NUMPAD0 && Key <= VK_DIVIDE);
}

QString DefaultText(Word Key, TShiftState Shift)
{
    const bool Ctrl = Shift.Contains(ssCtrl);
    if (Key >= 'A' && Key <= 'Z') {
        if (Ctrl)
            return QString(QChar(static_cast<char16_t>(Key - 'A' + 1)));
        return QString(QChar(static_cast<char16_t>(Shift.Contains(ssShift) ? Key : Key + 32)));
    }
    if (Ctrl)
        return {};
    if (Key >= '0' && Key <= '9' && !Shift.Contains(ssShift))
        return QString(QChar(static_cast<char16_t>(Key)));
    if (Key >= VK_NUMPAD0 && Key <= VK_NUMPAD9)
        return QString(QChar(static_cast<char16_t>('0' + Key - VK_NUMPAD0)));
    switch (Key) {
    case VK_SPACE: return QStringLiteral(" ");
    case VK_RETURN: return QStringLiteral("\r");
    case VK_ESCAPE: return QString(QChar(27));
    case VK_BACK: return QString(QChar(8));
    case VK_TAB: return QStringLiteral("\t");
    case VK_OEM_COMMA:
    case VK_DECIMAL: return QStringLiteral(",");
    case VK_OEM_PERIOD: return QStringLiteral(".");
    case VK_OEM_MINUS:
    case VK_SUBTRACT: return QStringLiteral("-");
    case VK_ADD: return QStringLiteral("+");
    default: return {};
    }
}

QWidget* KeyTarget()
{
    if (HWND F = FocusedWindow())
        return F->Widget;
    if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated())
        return Screen->ActiveForm()->Widget();
    return nullptr;
}

void Flush()
{
    if (Application)
        Application->ProcessMessages();
}

void SendQtKey(QEvent::Type Type, int Key, Qt::KeyboardModifiers M, const QString& Text)
{
    QWidget* Target = KeyTarget();
    if (!Target)
        return;
    QKeyEvent E(Type, Key, M, Text);
    QApplication::sendEvent(Target, &E);
}

void SendKey(QEvent::Type Type, Word Key, TShiftState Shift, const QString& Text)
{
    Qt::KeyboardModifiers M = Modifiers(Shift);
    if (IsKeypad(Key))
        M |= Qt::KeypadModifier;
    SendQtKey(Type, QtKey(Key), M, Text);
}

// The window and the widget-local point of a control's client point.
QWidget* MouseTarget(TControl* Control, int& X, int& Y)
{
    // The event loop lays out waiting children before input arrives; the
    // window system then finds the widget under the mouse.
    if (gDeferredAligns != 0)
        AlignDeferredControls();
    TWinControl* Win = dynamic_cast<TWinControl*>(Control);
    if (!Win) {
        X += Control->Left();
        Y += Control->Top();
        Win = Control->Parent();
    }
    if (!Win)
        return nullptr;
    HWND H = Win->Handle();
    X += H->Client.Left;
    Y += H->Client.Top;
    return H->Widget;
}

void SendMouse(TControl* Control, QEvent::Type Type, Qt::MouseButton Button, Qt::MouseButtons Buttons, int X,
    int Y, TShiftState Shift)
{
    QWidget* W = MouseTarget(Control, X, Y);
    if (!W)
        return;
    const QPointF Local(X, Y);
    const QPointF Global = W->mapToGlobal(Local);
    QMouseEvent E(Type, Local, Global, Button, Buttons, Modifiers(Shift));
    QApplication::sendEvent(W, &E);
    Flush();
}

Qt::MouseButton QtButton(TMouseButton B)
{
    switch (B) {
    case mbLeft: return Qt::LeftButton;
    case mbRight: return Qt::RightButton;
    case mbMiddle: return Qt::MiddleButton;
    }
    return Qt::LeftButton;
}

}  // namespace

DWORD SimulateForeignDrop(TControl* Control, int X, int Y, const AnsiString& Text, TShiftState Shift)
{
    QWidget* W = MouseTarget(Control, X, Y);
    if (!W)
        return 0;
    QMimeData Mime;
    Mime.setText(ToQString(Text));
    const Qt::DropActions Allowed = Qt::CopyAction | Qt::MoveAction;
    const QPoint Local(X, Y);
    QDragEnterEvent Enter(Local, Allowed, &Mime, Qt::LeftButton, Modifiers(Shift));
    QApplication::sendEvent(W, &Enter);
    if (!Enter.isAccepted())
        return 0;
    QDragMoveEvent Move(Local, Allowed, &Mime, Qt::LeftButton, Modifiers(Shift));
    QApplication::sendEvent(W, &Move);
    QDropEvent Drop(QPointF(Local), Allowed, &Mime, Qt::NoButton, Modifiers(Shift));
    QApplication::sendEvent(W, &Drop);
    Flush();
    if (!Drop.isAccepted())
        return 0;
    switch (Drop.dropAction()) {
    case Qt::CopyAction: return 1;
    case Qt::MoveAction: return 2;
    case Qt::LinkAction: return 4;
    default: return 0;
    }
}

void SimulateKeyDown(Word Key, TShiftState Shift, const char* Text)
{
    QString T = Text ? ToQString(AnsiString(Text)) : DefaultText(Key, Shift);
    SendKey(QEvent::KeyPress, Key, Shift, T);
    Flush();
}

void SimulateKeyUp(Word Key, TShiftState Shift)
{
    SendKey(QEvent::KeyRelease, Key, Shift, QString());
    Flush();
}

void SimulateKey(Word Key, TShiftState Shift, const char* Text)
{
    SimulateKeyDown(Key, Shift, Text);
    SimulateKeyUp(Key, Shift);
}

void SimulateText(const AnsiString& Text)
{
    for (int I = 1; I <= Text.Length(); ++I) {
        const auto B = static_cast<unsigned char>(Text[I]);
        const char Ch[2] = {Text[I], 0};
        const bool Latin = (B >= 'a' && B <= 'z') || (B >= 'A' && B <= 'Z');
        if (Latin || (B >= '0' && B <= '9')) {
            const Word Key = (B >= 'a' && B <= 'z') ? static_cast<Word>(B - 32) : B;
            const TShiftState Shift = (B >= 'A' && B <= 'Z') ? TShiftState {ssShift} : TShiftState {};
            SimulateKey(Key, Shift, Ch);
            continue;
        }
        // Any other character comes as the window system names its key:
        // the character itself, upper case ("," is Qt's comma key, "ф"
        // the key of "Ф", "№" a key that has no name).
        const QString T = ToQString(AnsiString(Ch));
        const int Key = T.isEmpty() ? static_cast<int>(Qt::Key_unknown) : T.at(0).toUpper().unicode();
        SendQtKey(QEvent::KeyPress, Key, Qt::NoModifier, T);
        Flush();
        SendQtKey(QEvent::KeyRelease, Key, Qt::NoModifier, QString());
        Flush();
    }
}

void SimulateMouseDown(TControl* Control, TMouseButton Button, int X, int Y, TShiftState Shift)
{
    SendMouse(Control, QEvent::MouseButtonPress, QtButton(Button), QtButton(Button), X, Y, Shift);
}

void SimulateMouseUp(TControl* Control, TMouseButton Button, int X, int Y, TShiftState Shift)
{
    SendMouse(Control, QEvent::MouseButtonRelease, QtButton(Button), Qt::NoButton, X, Y, Shift);
}

void SimulateMouseMove(TControl* Control, int X, int Y, TShiftState Shift)
{
    Qt::MouseButtons Buttons;
    if (Shift.Contains(ssLeft))
        Buttons |= Qt::LeftButton;
    if (Shift.Contains(ssRight))
        Buttons |= Qt::RightButton;
    SendMouse(Control, QEvent::MouseMove, Qt::NoButton, Buttons, X, Y, Shift);
}

void SimulateClick(TControl* Control, int X, int Y, TMouseButton Button, TShiftState Shift)
{
    SimulateMouseDown(Control, Button, X, Y, Shift);
    SimulateMouseUp(Control, Button, X, Y, Shift);
}

void SimulateDoubleClick(TControl* Control, int X, int Y)
{
    SimulateMouseDown(Control, mbLeft, X, Y);
    SimulateMouseUp(Control, mbLeft, X, Y);
    SendMouse(Control, QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, X, Y, {});
    SimulateMouseUp(Control, mbLeft, X, Y);
}

void SimulateWheel(TControl* Control, int Delta, int X, int Y, TShiftState Shift)
{
    QWidget* W = MouseTarget(Control, X, Y);
    if (!W)
        return;
    const QPointF Local(X, Y);
    QWheelEvent E(Local, W->mapToGlobal(Local), QPoint(), QPoint(0, Delta), Qt::NoButton, Modifiers(Shift),
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(W, &E);
    Flush();
}

void SimulateMouseLeave(TControl* Control)
{
    int X = 0, Y = 0;
    QWidget* W = MouseTarget(Control, X, Y);
    if (!W)
        return;
    QEvent E(QEvent::Leave);
    QApplication::sendEvent(W, &E);
    Flush();
}

void GrabWindow(TWinControl* Control, TBitmap* Into)
{
    QWidget* W = Control->Handle()->Widget;
    Application->ProcessMessages();
    const QImage Image = W->grab().toImage().convertToFormat(QImage::Format_RGB32);
    Into->SetHandle(CreateBitmapObject(Image, false));
}

void GrabBackingStore(TWinControl* Control, TBitmap* Into)
{
    QWidget* W = Control->Handle()->Widget;
    Application->ProcessMessages();
    QBackingStore* Store = W->window()->backingStore();
    QImage Image;
    if (Store && Store->paintDevice() && Store->paintDevice()->devType() == QInternal::Image) {
        const QRect Place(W->mapTo(W->window(), QPoint(0, 0)), W->size());
        Image = static_cast<QImage*>(Store->paintDevice())->copy(Place).convertToFormat(QImage::Format_RGB32);
    }
    Into->SetHandle(CreateBitmapObject(Image, false));
}

bool DragImageShownAt(TPoint& ScreenTopLeft)
{
    return DragImageWindowShown(ScreenTopLeft);
}

void SetKeyStateForTest(int VirtualKey, bool Down)
{
    SetKeyDown(VirtualKey, Down);
}
