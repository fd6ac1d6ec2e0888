#pragma once

// The runtime's basic types: integer widths by their runtime names, and the
// point, size and rectangle records used by painting and layout (pixels;
// a rectangle's Right and Bottom are exclusive).

#include <cstdint>

using Integer = int32_t;
using Cardinal = uint32_t;
using LongWord = uint32_t;
using LongInt = int32_t;
using Int64 = int64_t;
using Byte = uint8_t;
using Word = uint16_t;
using SmallInt = int16_t;
using ShortInt = int8_t;
using DWORD = uint32_t;

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    TPoint TopLeft() const { return {Left, Top}; }
    TPoint BottomRight() const { return {Right, Bottom}; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TPoint Point(int X, int Y) { return {X, Y}; }
inline TRect Rect(int Left, int Top, int Right, int Bottom) { return {Left, Top, Right, Bottom}; }
inline TRect Bounds(int Left, int Top, int Width, int Height)
{
    return {Left, Top, Left + Width, Top + Height};
}
inline bool PtInRect(const TRect& R, const TPoint& P)
{
    return P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom;
}
