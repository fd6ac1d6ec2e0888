#include "platform/winapi/LayeredWindows.h"

#include "platform/winapi/GdiPrivate.h"
#include "platform/winapi/WindowPrivate.h"

#include <QWidget>

namespace {

bool IsTopLevel(HWND Wnd)
{
    return IsLiveWindow(Wnd) && Wnd->TopLevel && Wnd->Widget;
}

}  // namespace

Byte EffectiveWindowAlpha(HWND Wnd)
{
    return Wnd->AlphaSet && (Wnd->ExStyle & WS_EX_LAYERED) ? Wnd->Alpha : Byte(255);
}

void ApplyLayeredStyle(HWND Wnd)
{
    if (IsTopLevel(Wnd))
        Wnd->Widget->setWindowOpacity(EffectiveWindowAlpha(Wnd) / 255.0);
}

BOOL SetLayeredWindowAttributes(HWND Wnd, COLORREF, Byte Alpha, DWORD Flags)
{
    if (!IsTopLevel(Wnd) || !(Wnd->ExStyle & WS_EX_LAYERED) || (Flags & LWA_COLORKEY))
        return false;
    Wnd->Alpha = Flags & LWA_ALPHA ? Alpha : Byte(255);
    Wnd->AlphaSet = true;
    ApplyLayeredStyle(Wnd);
    return true;
}

BOOL GetLayeredWindowAttributes(HWND Wnd, COLORREF* Key, Byte* Alpha, DWORD* Flags)
{
    if (!IsTopLevel(Wnd) || !(Wnd->ExStyle & WS_EX_LAYERED) || !Wnd->AlphaSet)
        return false;
    if (Key)
        *Key = 0;
    if (Alpha)
        *Alpha = Wnd->Alpha;
    if (Flags)
        *Flags = LWA_ALPHA;
    return true;
}

int SetWindowRgn(HWND Wnd, HRGN Region, BOOL)
{
    GdiObject* R = Region ? AsKind(Region, GdiKind::Region) : nullptr;
    std::optional<QRegion> Shape;
    if (R)
        Shape = R->Region;
    if (Region)
        DeleteObject(Region);
    if (!IsTopLevel(Wnd) || (Region && !R))
        return false;
    Wnd->WindowRegion = Shape;
    if (!Shape)
        Wnd->Widget->clearMask();
    else if (Shape->isEmpty())
        // Qt takes an empty mask for none; a pixel outside the window
        // shows nothing of it.
        Wnd->Widget->setMask(QRegion(-1, -1, 1, 1));
    else
        Wnd->Widget->setMask(*Shape);
    return true;
}

int GetWindowRgn(HWND Wnd, HRGN Region)
{
    GdiObject* R = AsKind(Region, GdiKind::Region);
    if (!R || !IsLiveWindow(Wnd) || !Wnd->WindowRegion)
        return ERROR;
    R->Region = *Wnd->WindowRegion;
    if (R->Region.isEmpty())
        return NULLREGION;
    return R->Region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
