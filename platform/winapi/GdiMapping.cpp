// Mapping modes, window and viewport origins and extents, the world
// transform, and the conversion of points between logical and device units.

#include "platform/winapi/DcBackend.h"

#include <cmath>
#include <cstdlib>
#include <utility>

QTransform DcState::ToDevice() const
{
    const double SX = static_cast<double>(ViewportExt.cx) / WindowExt.cx;
    const double SY = static_cast<double>(ViewportExt.cy) / WindowExt.cy;
    const QTransform Page(SX, 0, 0, SY, ViewportOrg.X - WindowOrg.X * SX, ViewportOrg.Y - WindowOrg.Y * SY);
    return GraphicsMode == GM_ADVANCED ? World * Page : Page;
}

namespace {

QSize DpiOf(HDC DC)
{
    return DC->Backend ? DC->Backend->Dpi() : QSize(96, 96);
}

// Logical units per inch of the fixed modes; 0 for the others.
int UnitsPerInch(int Mode)
{
    switch (Mode) {
    case MM_LOMETRIC: return 254;
    case MM_HIMETRIC: return 2540;
    case MM_LOENGLISH: return 100;
    case MM_HIENGLISH: return 1000;
    case MM_TWIPS: return 1440;
    default: return 0;
    }
}

// Keeps one unit the same length across and down: the viewport extent of
// the axis with the larger scale shrinks to the other's, signs kept.
void MakeIsotropic(HDC DC)
{
    DcState& S = DC->S;
    const QSize Dpi = DpiOf(DC);
    // Inches per logical unit on each axis.
    const double XScale = std::abs(static_cast<double>(S.ViewportExt.cx) / S.WindowExt.cx) / Dpi.width();
    const double YScale = std::abs(static_cast<double>(S.ViewportExt.cy) / S.WindowExt.cy) / Dpi.height();
    const auto Shrunk = [](int Extent, int Window, double Scale, int DpiAxis) {
        const double V = std::abs(static_cast<double>(Window)) * Scale * DpiAxis;
        const int Magnitude = std::max(1, RoundDevice(V));
        return Extent < 0 ? -Magnitude : Magnitude;
    };
    if (XScale > YScale)
        S.ViewportExt.cx = Shrunk(S.ViewportExt.cx, S.WindowExt.cx, YScale, Dpi.width());
    else if (YScale > XScale)
        S.ViewportExt.cy = Shrunk(S.ViewportExt.cy, S.WindowExt.cy, XScale, Dpi.height());
}

bool ExtentsFree(int Mode)
{
    return Mode == MM_ISOTROPIC || Mode == MM_ANISOTROPIC;
}

QTransform FromXform(const XFORM& X)
{
    return QTransform(X.eM11, X.eM12, X.eM21, X.eM22, X.eDx, X.eDy);
}

}  // namespace

int SetMapMode(HDC DC, int Mode)
{
    if (!DC || Mode < MM_TEXT || Mode > MM_ANISOTROPIC)
        return 0;
    DcState& S = DC->S;
    const int Old = std::exchange(S.MapMode, Mode);
    if (Mode == MM_TEXT) {
        S.WindowExt = {1, 1};
        S.ViewportExt = {1, 1};
    } else if (const int Units = UnitsPerInch(Mode)) {
        const QSize Dpi = DpiOf(DC);
        S.WindowExt = {Units, Units};
        S.ViewportExt = {Dpi.width(), -Dpi.height()};
    } else if (Mode == MM_ISOTROPIC) {
        MakeIsotropic(DC);
    }
    return Old;
}

int GetMapMode(HDC DC)
{
    return DC ? DC->S.MapMode : 0;
}

namespace {

/// Sets one of the DC's two origins to (X, Y), or with Offset moves it by
/// (X, Y); Old gets the origin before.
BOOL MoveOrigin(HDC DC, TPoint DcState::*Origin, int X, int Y, TPoint* Old, bool Offset)
{
    if (!DC)
        return false;
    TPoint& O = DC->S.*Origin;
    if (Old)
        *Old = O;
    O = Offset ? TPoint{O.X + X, O.Y + Y} : TPoint{X, Y};
    return true;
}

BOOL GetOrigin(HDC DC, TPoint DcState::*Origin, TPoint& Out)
{
    if (!DC)
        return false;
    Out = DC->S.*Origin;
    return true;
}

} // namespace

BOOL SetViewportOrgEx(HDC DC, int X, int Y, TPoint* Old)
{
    return MoveOrigin(DC, &DcState::ViewportOrg, X, Y, Old, /*Offset=*/false);
}

BOOL GetViewportOrgEx(HDC DC, TPoint& Origin)
{
    return GetOrigin(DC, &DcState::ViewportOrg, Origin);
}

BOOL OffsetViewportOrgEx(HDC DC, int X, int Y, TPoint* Old)
{
    return MoveOrigin(DC, &DcState::ViewportOrg, X, Y, Old, /*Offset=*/true);
}

BOOL SetWindowOrgEx(HDC DC, int X, int Y, TPoint* Old)
{
    return MoveOrigin(DC, &DcState::WindowOrg, X, Y, Old, /*Offset=*/false);
}

BOOL GetWindowOrgEx(HDC DC, TPoint& Origin)
{
    return GetOrigin(DC, &DcState::WindowOrg, Origin);
}

BOOL OffsetWindowOrgEx(HDC DC, int X, int Y, TPoint* Old)
{
    return MoveOrigin(DC, &DcState::WindowOrg, X, Y, Old, /*Offset=*/true);
}

namespace {

/// Sets one of the DC's two extents, which only the anisotropic and
/// isotropic modes let the program choose (the others keep theirs and
/// answer true); a zero side is refused. Old gets the extent before.
BOOL SetExtent(HDC DC, TSize DcState::*Extent, int X, int Y, TSize* Old)
{
    if (!DC)
        return false;
    if (Old)
        *Old = DC->S.*Extent;
    if (!ExtentsFree(DC->S.MapMode))
        return true;
    if (X == 0 || Y == 0)
        return false;
    DC->S.*Extent = {X, Y};
    if (DC->S.MapMode == MM_ISOTROPIC)
        MakeIsotropic(DC);
    return true;
}

BOOL GetExtent(HDC DC, TSize DcState::*Extent, TSize& Out)
{
    if (!DC)
        return false;
    Out = DC->S.*Extent;
    return true;
}

} // namespace

BOOL SetWindowExtEx(HDC DC, int X, int Y, TSize* Old)
{
    return SetExtent(DC, &DcState::WindowExt, X, Y, Old);
}

BOOL GetWindowExtEx(HDC DC, TSize& Extent)
{
    return GetExtent(DC, &DcState::WindowExt, Extent);
}

BOOL SetViewportExtEx(HDC DC, int X, int Y, TSize* Old)
{
    return SetExtent(DC, &DcState::ViewportExt, X, Y, Old);
}

BOOL GetViewportExtEx(HDC DC, TSize& Extent)
{
    return GetExtent(DC, &DcState::ViewportExt, Extent);
}

int SetGraphicsMode(HDC DC, int Mode)
{
    if (!DC || (Mode != GM_COMPATIBLE && Mode != GM_ADVANCED))
        return 0;
    if (Mode == GM_COMPATIBLE && !DC->S.World.isIdentity())
        return 0;
    return std::exchange(DC->S.GraphicsMode, Mode);
}

int GetGraphicsMode(HDC DC)
{
    return DC ? DC->S.GraphicsMode : 0;
}

BOOL SetWorldTransform(HDC DC, const XFORM& Xform)
{
    if (!DC || DC->S.GraphicsMode != GM_ADVANCED)
        return false;
    const QTransform T = FromXform(Xform);
    if (!T.isInvertible())
        return false;
    DC->S.World = T;
    return true;
}

BOOL GetWorldTransform(HDC DC, XFORM& Xform)
{
    if (!DC)
        return false;
    const QTransform& W = DC->S.World;
    Xform = {static_cast<float>(W.m11()), static_cast<float>(W.m12()), static_cast<float>(W.m21()),
        static_cast<float>(W.m22()), static_cast<float>(W.dx()), static_cast<float>(W.dy())};
    return true;
}

BOOL ModifyWorldTransform(HDC DC, const XFORM* Xform, DWORD Mode)
{
    if (!DC || DC->S.GraphicsMode != GM_ADVANCED)
        return false;
    QTransform T;
    switch (Mode) {
    case MWT_IDENTITY: break;
    case MWT_LEFTMULTIPLY:
    case MWT_RIGHTMULTIPLY:
        if (!Xform)
            return false;
        // Qt composes A * B as "A, then B".
        T = Mode == MWT_LEFTMULTIPLY ? FromXform(*Xform) * DC->S.World : DC->S.World * FromXform(*Xform);
        break;
    default: return false;
    }
    if (!T.isInvertible())
        return false;
    DC->S.World = T;
    return true;
}

namespace {

BOOL MapPoints(const QTransform& T, TPoint* Points, int Count)
{
    if (!Points || Count < 0)
        return false;
    for (int I = 0; I < Count; ++I) {
        const QPointF P = T.map(QPointF(Points[I].X, Points[I].Y));
        Points[I] = {RoundDevice(P.x()), RoundDevice(P.y())};
    }
    return true;
}

}  // namespace

BOOL LPtoDP(HDC DC, TPoint* Points, int Count)
{
    return DC && MapPoints(DC->S.ToDevice(), Points, Count);
}

BOOL DPtoLP(HDC DC, TPoint* Points, int Count)
{
    if (!DC)
        return false;
    bool Invertible = false;
    const QTransform Back = DC->S.ToDevice().inverted(&Invertible);
    return Invertible && MapPoints(Back, Points, Count);
}
