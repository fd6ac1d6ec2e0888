// The metafile writer: a device context backend that turns each drawing
// call into EMF records. The DC hands over its whole state with every call;
// the writer keeps what it last wrote (colours, modes, transform, clip and
// the three objects, compared by value) and writes records only for what
// changed, then the drawing record. Geometry stays in the DC's logical
// units; a transform other than identity travels as the world transform,
// the clip as a region in device pixels.

#include "platform/winapi/EmfPrivate.h"

#include "platform/winapi/EnhMetaFiles.h"
#include "platform/classes/Streams.h"

#include <uemf.h>

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

U_RECTL RectL(const QRect& R)
{
    return U_RECTL {R.left(), R.top(), R.right(), R.bottom()};
}

U_RECTL RectLExclusive(const QRect& R)
{
    return U_RECTL {R.left(), R.top(), R.left() + R.width(), R.top() + R.height()};
}

U_COLORREF UColor(COLORREF C)
{
    return U_RGB(GetRValue(C), GetGValue(C), GetBValue(C));
}

U_POINTL PointL(int X, int Y)
{
    return U_POINTL {X, Y};
}

bool Fits16(const QPolygon& P)
{
    return std::all_of(P.begin(), P.end(), [](const QPoint& Q) {
        return Q.x() >= SHRT_MIN && Q.x() <= SHRT_MAX && Q.y() >= SHRT_MIN && Q.y() <= SHRT_MAX;
    });
}

struct PenKey {
    int Style = PS_SOLID;
    int Width = 1;
    COLORREF Color = 0;
    bool Geometric = false;
    int EndCap = 0;
    int Join = 0;
    std::vector<DWORD> UserStyle;
    friend bool operator==(const PenKey&, const PenKey&) = default;
};

struct BrushKey {
    int Style = BS_SOLID;
    int Hatch = 0;
    COLORREF Color = 0;
    QImage Pattern;
    friend bool operator==(const BrushKey& A, const BrushKey& B)
    {
        return A.Style == B.Style && A.Hatch == B.Hatch && A.Color == B.Color && A.Pattern == B.Pattern;
    }
};

PenKey KeyOfPen(const GdiObject& P)
{
    return PenKey {P.PenStyle, P.PenWidth, P.PenColor & 0xFFFFFF, P.Geometric, P.EndCap, P.Join, P.UserStyle};
}

/// A pattern brush's tile in the colours it paints with now (a monochrome
/// tile takes the DC's text and background colours).
BrushKey KeyOfBrush(const GdiObject& B, const DcState& S)
{
    BrushKey K {B.BrushStyle, B.Hatch, B.BrushColor & 0xFFFFFF, {}};
    if (B.BrushStyle == BS_PATTERN || B.BrushStyle == BS_DIBPATTERN || B.BrushStyle == BS_DIBPATTERNPT) {
        K.Style = BS_DIBPATTERNPT;
        K.Pattern = B.Pattern.convertToFormat(QImage::Format_RGB32);
        if (B.MonoPattern)
            for (int Y = 0; Y < K.Pattern.height(); ++Y) {
                auto* Line = reinterpret_cast<QRgb*>(K.Pattern.scanLine(Y));
                for (int X = 0; X < K.Pattern.width(); ++X)
                    Line[X] = (Line[X] & 0xFFFFFF) ? ToRgb(S.BkColor) : ToRgb(S.TextColor);
            }
        if (K.Pattern.isNull())
            K.Style = BS_NULL;  // a pattern without a tile paints nothing
    }
    return K;
}

/// A 32-bit bottom-up DIB of the image: header and pixels.
struct Dib {
    std::string Info;
    std::string Bits;
};

Dib MakeDib(const QImage& Source)
{
    const QImage Image = Source.convertToFormat(QImage::Format_RGB32);
    BITMAPINFOHEADER H;
    H.biWidth = Image.width();
    H.biHeight = Image.height();
    H.biBitCount = 32;
    H.biSizeImage = static_cast<DWORD>(Image.width()) * static_cast<DWORD>(Image.height()) * 4;
    H.biXPelsPerMeter = H.biYPelsPerMeter = 3780;
    Dib D;
    D.Info.assign(reinterpret_cast<const char*>(&H), sizeof H);
    D.Bits.resize(H.biSizeImage);
    const size_t Row = static_cast<size_t>(Image.width()) * 4;
    for (int Y = 0; Y < Image.height(); ++Y)
        std::memcpy(D.Bits.data() + static_cast<size_t>(Image.height() - 1 - Y) * Row, Image.constScanLine(Y), Row);
    return D;
}

/// The ternary raster code of an operation's index byte (the low word is
/// the classic encoding for the codes that have a name).
uint32_t RopCode(unsigned Rop3)
{
    switch (Rop3 & 0xFF) {
    case 0xCC: return 0x00CC0020;  // SRCCOPY
    case 0xF0: return 0x00F00021;  // PATCOPY
    case 0x00: return 0x00000042;  // BLACKNESS
    case 0xFF: return 0x00FF0062;  // WHITENESS
    case 0x55: return 0x00550009;  // DSTINVERT
    case 0x5A: return 0x005A0049;  // PATINVERT
    case 0x66: return 0x00660046;  // SRCINVERT
    case 0x88: return 0x008800C6;  // SRCAND
    case 0xEE: return 0x00EE0086;  // SRCPAINT
    default: return (Rop3 & 0xFF) << 16;
    }
}

U_XFORM XformOf(const QTransform& T)
{
    return U_XFORM {static_cast<float>(T.m11()), static_cast<float>(T.m12()), static_cast<float>(T.m21()),
        static_cast<float>(T.m22()), static_cast<float>(T.dx()), static_cast<float>(T.dy())};
}

// The header leads the records; its place is kept from the start, so a
// finished recording is handed over without copying its records behind
// a header.
constexpr size_t HeaderPlace = sizeof(U_EMRHEADER);

// The size of the last recording finished on this thread: the next page of
// a report is of its size, and its records are reserved at once instead of
// growing and moving a few times.
thread_local size_t LastRecordingSize = 0;

}  // namespace

struct EmfBackend::Impl {
    Impl()
    {
        Records.reserve(std::max(LastRecordingSize, HeaderPlace));
        Records.assign(HeaderPlace, '\0');
    }

    /// The header's place, then the records.
    std::string Records;
    uint32_t Count = 0;
    QRect Bounds;

    // What the metafile's DC holds now.
    COLORREF TextColor = RGB(0, 0, 0);
    COLORREF BkColor = RGB(255, 255, 255);
    int BkMode = OPAQUE;
    UINT TextAlign = TA_LEFT | TA_TOP;
    int Rop2 = R2_COPYPEN;
    int StretchMode = BLACKONWHITE;
    int PolyFillMode = ALTERNATE;
    TPoint BrushOrg;
    QTransform World;
    std::optional<QRegion> Clip;
    std::optional<LOGFONT> Font;
    std::optional<PenKey> Pen;
    std::optional<BrushKey> Brush;
    uint32_t FontSlot = 0, PenSlot = 0, BrushSlot = 0;
    // Fonts made in this metafile stay in its object table, by description
    // and slot: a sheet of tags goes back and forth between a few fonts,
    // and each return would otherwise make the font again.
    static constexpr size_t KeptFontLimit = 16;
    std::vector<std::pair<LOGFONT, uint32_t>> KeptFonts;

    // Object table: slots in use; index 0 is reserved.
    std::vector<bool> Used {true};

    void Put(char* Record)
    {
        if (!Record)
            throw EInvalidGraphicOperation("Metafile record could not be made");
        const auto* E = reinterpret_cast<const U_EMR*>(Record);
        Records.append(Record, E->nSize);
        ++Count;
        std::free(Record);
    }

    void PutRaw(const std::string& Record)
    {
        Records += Record;
        ++Count;
    }

    uint32_t NewSlot()
    {
        for (size_t I = 1; I < Used.size(); ++I)
            if (!Used[I]) {
                Used[I] = true;
                return static_cast<uint32_t>(I);
            }
        Used.push_back(true);
        return static_cast<uint32_t>(Used.size() - 1);
    }

    /// Selects the object just created in Slot, deleting the one it
    /// replaces.
    void Replace(uint32_t& Current, uint32_t Slot)
    {
        Put(U_EMRSELECTOBJECT_set(Slot));
        if (Current) {
            Put(U_EMRDELETEOBJECT_set(Current));
            Used[Current] = false;
        }
        Current = Slot;
    }

    void SyncFont(const GdiObject& F)
    {
        if (Font && *Font == F.LogFont)
            return;
        const LOGFONT& L = F.LogFont;
        for (const auto& [Kept, Slot] : KeptFonts)
            if (Kept == L) {
                Put(U_EMRSELECTOBJECT_set(Slot));
                FontSlot = Slot;
                Font = L;
                return;
            }
        const std::u16string Face = ToQString(L.lfFaceName).left(31).toStdU16String();
        uint16_t FaceName[U_LF_FACESIZE] = {};
        std::copy(Face.begin(), Face.end(), FaceName);
        const U_LOGFONT Lf = logfont_set(L.lfHeight, L.lfWidth, L.lfEscapement, L.lfOrientation, L.lfWeight,
            L.lfItalic, L.lfUnderline, L.lfStrikeOut, L.lfCharSet, L.lfOutPrecision, L.lfClipPrecision, L.lfQuality,
            L.lfPitchAndFamily, FaceName);
        const uint32_t Slot = NewSlot();
        Put(U_EMREXTCREATEFONTINDIRECTW_set(Slot, reinterpret_cast<const char*>(&Lf), nullptr));
        Put(U_EMRSELECTOBJECT_set(Slot));
        FontSlot = Slot;
        Font = L;
        // Past the limit the kept fonts are deleted, all but the new one
        // (selected now, so none of them is).
        if (KeptFonts.size() >= KeptFontLimit) {
            for (const auto& Kept : KeptFonts) {
                Put(U_EMRDELETEOBJECT_set(Kept.second));
                Used[Kept.second] = false;
            }
            KeptFonts.clear();
        }
        KeptFonts.emplace_back(L, Slot);
    }

    void SyncPen(const GdiObject& P)
    {
        const PenKey K = KeyOfPen(P);
        if (Pen && *Pen == K)
            return;
        const uint32_t Slot = NewSlot();
        if (K.Geometric || K.Style == PS_USERSTYLE) {
            std::vector<U_STYLEENTRY> Styles(K.UserStyle.begin(), K.UserStyle.end());
            const uint32_t Style = static_cast<uint32_t>(K.Style) | (K.Geometric ? PS_GEOMETRIC : 0)
                | static_cast<uint32_t>(K.EndCap) | static_cast<uint32_t>(K.Join);
            PU_EXTLOGPEN Elp = extlogpen_set(Style, static_cast<uint32_t>(K.Width), U_BS_SOLID, UColor(K.Color), 0,
                static_cast<U_NUM_STYLEENTRY>(Styles.size()), Styles.empty() ? nullptr : Styles.data());
            Put(U_EMREXTCREATEPEN_set(Slot, nullptr, 0, nullptr, Elp));
            std::free(Elp);
        } else {
            Put(U_EMRCREATEPEN_set(Slot, logpen_set(static_cast<uint32_t>(K.Style), U_POINT {K.Width, 0}, UColor(K.Color))));
        }
        Replace(PenSlot, Slot);
        Pen = K;
    }

    void SyncBrush(const GdiObject& B, const DcState& S)
    {
        BrushKey K = KeyOfBrush(B, S);
        if (Brush && *Brush == K)
            return;
        const uint32_t Slot = NewSlot();
        if (K.Style == BS_DIBPATTERNPT) {
            const Dib D = MakeDib(K.Pattern);
            Put(U_EMRCREATEDIBPATTERNBRUSHPT_set(Slot, U_DIB_RGB_COLORS,
                reinterpret_cast<PU_BITMAPINFO>(const_cast<char*>(D.Info.data())),
                static_cast<uint32_t>(D.Bits.size()), D.Bits.data()));
        } else {
            Put(U_EMRCREATEBRUSHINDIRECT_set(
                Slot, logbrush_set(static_cast<uint32_t>(K.Style), UColor(K.Color), K.Hatch)));
        }
        Replace(BrushSlot, Slot);
        Brush = std::move(K);
    }

    void SyncClip(const QRegion& Want, QSize Surface)
    {
        // The whole surface, seen without making a region of it.
        const bool Whole = Want.rectCount() == 1 && Want.boundingRect() == QRect(QPoint(0, 0), Surface);
        if (Whole ? !Clip : (Clip && *Clip == Want))
            return;
        if (Whole) {
            // Back to no clip: a region record with no region.
            uint32_t Raw[4] = {U_EMR_EXTSELECTCLIPRGN, 16, 0, U_RGN_COPY};
            PutRaw(std::string(reinterpret_cast<const char*>(Raw), sizeof Raw));
            Clip.reset();
            return;
        }
        // Nothing may be drawn: one empty rectangle (a region holds one at
        // least).
        std::vector<U_RECTL> Rects;
        for (const QRect& R : Want)
            Rects.push_back(RectLExclusive(R));
        if (Rects.empty())
            Rects.push_back(U_RECTL {0, 0, 0, 0});
        const QRect Box = Want.boundingRect();
        PU_RGNDATA Data = rgndata_set(
            rgndataheader_set(static_cast<U_NUM_RECTL>(Rects.size()), RectLExclusive(Box)), Rects.data());
        Put(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, Data));
        std::free(Data);
        Clip = Want;
    }

    /// Writes the state a drawing call needs; FillBrush overrides the DC's
    /// brush (PatBlt fills with a brush of its own).
    void Sync(const DrawContext& C, QSize Surface, const GdiObject* FillBrush = nullptr)
    {
        const DcState& S = C.S;
        if (C.ToDevice != World) {
            World = C.ToDevice;
            Put(U_EMRSETWORLDTRANSFORM_set(XformOf(World)));
        }
        SyncClip(C.Clip, Surface);
        if ((S.TextColor & 0xFFFFFF) != TextColor) {
            TextColor = S.TextColor & 0xFFFFFF;
            Put(U_EMRSETTEXTCOLOR_set(U_RGB(GetRValue(TextColor), GetGValue(TextColor), GetBValue(TextColor))));
        }
        if ((S.BkColor & 0xFFFFFF) != BkColor) {
            BkColor = S.BkColor & 0xFFFFFF;
            Put(U_EMRSETBKCOLOR_set(U_RGB(GetRValue(BkColor), GetGValue(BkColor), GetBValue(BkColor))));
        }
        if (S.BkMode != BkMode) {
            BkMode = S.BkMode;
            Put(U_EMRSETBKMODE_set(static_cast<uint32_t>(BkMode)));
        }
        const UINT Align = S.TextAlign & ~TA_UPDATECP;
        if (Align != TextAlign) {
            TextAlign = Align;
            Put(U_EMRSETTEXTALIGN_set(TextAlign));
        }
        if (S.Rop2 != Rop2) {
            Rop2 = S.Rop2;
            Put(U_EMRSETROP2_set(static_cast<uint32_t>(Rop2)));
        }
        if (S.StretchMode != StretchMode) {
            StretchMode = S.StretchMode;
            Put(U_EMRSETSTRETCHBLTMODE_set(static_cast<uint32_t>(StretchMode)));
        }
        if (S.PolyFillMode != PolyFillMode) {
            PolyFillMode = S.PolyFillMode;
            Put(U_EMRSETPOLYFILLMODE_set(static_cast<uint32_t>(PolyFillMode)));
        }
        if (S.BrushOrg != BrushOrg) {
            BrushOrg = S.BrushOrg;
            Put(U_EMRSETBRUSHORGEX_set(PointL(BrushOrg.X, BrushOrg.Y)));
        }
        SyncFont(C.Font);
        SyncPen(C.Pen);
        SyncBrush(FillBrush ? *FillBrush : C.Brush, S);
    }

    QRect Note(const QRect& DeviceBox)
    {
        Bounds |= DeviceBox;
        return QRect();
    }
};

EmfBackend::EmfBackend(QSize Size, int Dpi, std::optional<PageGeometry> Paper)
    : D(std::make_unique<Impl>()), FSize(Size), FDpi(Dpi), FPaper(Paper)
{
}

EmfBackend::~EmfBackend() = default;

std::string EmfBackend::Finish(int FrameWidth, int FrameHeight)
{
    if (FrameWidth <= 0)
        FrameWidth = static_cast<int>(static_cast<int64_t>(FSize.width()) * 2540 / FDpi);
    if (FrameHeight <= 0)
        FrameHeight = static_cast<int>(static_cast<int64_t>(FSize.height()) * 2540 / FDpi);
    const U_SIZEL Device {FDpi * 20, FDpi * 20};
    const U_SIZEL Millimeters {508, 508};
    const QRect B = D->Bounds.isEmpty() ? QRect(0, 0, 0, 0) : D->Bounds;
    char* Header = U_EMRHEADER_set(U_RECTL {B.left(), B.top(), B.right(), B.bottom()},
        U_RECTL {0, 0, FrameWidth, FrameHeight}, nullptr, 0, nullptr, Device, Millimeters, 0);
    if (!Header)
        throw EInvalidGraphicOperation("Metafile record could not be made");
    auto* H = reinterpret_cast<U_EMRHEADER*>(Header);
    if (H->emr.nSize >= sizeof(U_EMRHEADER))
        H->szlMicrometers = U_SIZEL {508000, 508000};
    std::string Out = std::move(D->Records);
    // In place when the header fills its place exactly, as one without a
    // description does.
    Out.replace(0, HeaderPlace, Header, H->emr.nSize);
    std::free(Header);

    // End record: no palette.
    const uint32_t Eof[5] = {U_EMR_EOF, 20, 0, 16, 20};
    Out.append(reinterpret_cast<const char*>(Eof), sizeof Eof);

    H = reinterpret_cast<U_EMRHEADER*>(Out.data());
    H->nBytes = static_cast<uint32_t>(Out.size());
    H->nRecords = D->Count + 2;
    H->nHandles = static_cast<uint16_t>(std::min<size_t>(D->Used.size(), 0xFFFF));
    LastRecordingSize = Out.size();
    // A small picture recorded after a large page does not keep the page's
    // room.
    if (Out.capacity() > 2 * Out.size())
        Out.shrink_to_fit();
    D = std::make_unique<Impl>();
    return Out;
}

QRect EmfBackend::PatBlt(const DrawContext& C, const QRect& R, GdiObject& Brush, unsigned Rop3)
{
    D->Sync(C, FSize, &Brush);
    const QRect N = R.normalized();
    D->Put(U_EMRBITBLT_set(RectL(MapRect(C.ToDevice, N)), PointL(R.x(), R.y()), PointL(R.width(), R.height()),
        PointL(0, 0), xform_set(1, 0, 0, 1, 0, 0), U_RGB(0, 0, 0), U_DIB_RGB_COLORS, RopCode(Rop3), nullptr, 0,
        nullptr));
    return D->Note(MapRect(C.ToDevice, N));
}

QRect EmfBackend::Polyline(const DrawContext& C, const QPolygon& Points)
{
    D->Sync(C, FSize);
    const QRect Box = MapRect(C.ToDevice, Points.boundingRect());
    if (Fits16(Points)) {
        std::vector<U_POINT16> P;
        for (const QPoint& Q : Points)
            P.push_back(U_POINT16 {static_cast<int16_t>(Q.x()), static_cast<int16_t>(Q.y())});
        D->Put(U_EMRPOLYLINE16_set(RectL(Box), static_cast<uint32_t>(P.size()), P.data()));
    } else {
        std::vector<U_POINTL> P;
        for (const QPoint& Q : Points)
            P.push_back(PointL(Q.x(), Q.y()));
        D->Put(U_EMRPOLYLINE_set(RectL(Box), static_cast<uint32_t>(P.size()), P.data()));
    }
    return D->Note(Box);
}

QRect EmfBackend::PolyPolygon(const DrawContext& C, const std::vector<QPolygon>& Polygons)
{
    D->Sync(C, FSize);
    QRect Logical;
    std::vector<uint32_t> Counts;
    bool Small = true;
    for (const QPolygon& P : Polygons) {
        Logical |= P.boundingRect();
        Counts.push_back(static_cast<uint32_t>(P.size()));
        Small = Small && Fits16(P);
    }
    const QRect Box = MapRect(C.ToDevice, Logical);
    std::vector<U_POINT16> P16;
    std::vector<U_POINTL> P32;
    for (const QPolygon& P : Polygons)
        for (const QPoint& Q : P) {
            if (Small)
                P16.push_back(U_POINT16 {static_cast<int16_t>(Q.x()), static_cast<int16_t>(Q.y())});
            else
                P32.push_back(PointL(Q.x(), Q.y()));
        }
    if (Small)
        D->Put(U_EMRPOLYPOLYGON16_set(RectL(Box), static_cast<uint32_t>(Counts.size()), Counts.data(),
            static_cast<uint32_t>(P16.size()), P16.data()));
    else
        D->Put(U_EMRPOLYPOLYGON_set(RectL(Box), static_cast<uint32_t>(Counts.size()), Counts.data(),
            static_cast<uint32_t>(P32.size()), P32.data()));
    return D->Note(Box);
}

QRect EmfBackend::PolyBezier(const DrawContext& C, const QPolygon& Points)
{
    D->Sync(C, FSize);
    const QRect Box = MapRect(C.ToDevice, Points.boundingRect());
    std::vector<U_POINTL> P;
    for (const QPoint& Q : Points)
        P.push_back(PointL(Q.x(), Q.y()));
    D->Put(U_EMRPOLYBEZIER_set(RectL(Box), static_cast<uint32_t>(P.size()), P.data()));
    return D->Note(Box);
}

QRect EmfBackend::Shape(const DrawContext& C, ShapeKind Kind, const QRect& R, QSize Corner)
{
    D->Sync(C, FSize);
    const U_RECTL Box = RectLExclusive(R);
    switch (Kind) {
    case ShapeKind::Rectangle: D->Put(U_EMRRECTANGLE_set(Box)); break;
    case ShapeKind::Ellipse: D->Put(U_EMRELLIPSE_set(Box)); break;
    case ShapeKind::RoundRect:
        D->Put(U_EMRROUNDRECT_set(Box, U_SIZEL {Corner.width(), Corner.height()}));
        break;
    }
    return D->Note(MapRect(C.ToDevice, R.normalized()));
}

QRect EmfBackend::Path(const DrawContext& C, const QPainterPath& Path, bool Fill, bool Stroke)
{
    // Curves are kept as their flattened outline: closed figures filled
    // and/or outlined, open ones outlined.
    std::vector<QPolygon> Figures;
    for (const QPolygonF& F : Path.toSubpathPolygons())
        Figures.push_back(F.toPolygon());
    if (Figures.empty())
        return {};
    if (Fill) {
        if (Stroke)
            return PolyPolygon(C, Figures);
        GdiObject NoPen(GdiKind::Pen);
        NoPen.PenStyle = PS_NULL;
        const DrawContext Filled {C.S, C.Font, NoPen, C.Brush, C.ToDevice, C.Clip};
        return PolyPolygon(Filled, Figures);
    }
    if (!Stroke)
        return {};
    for (const QPolygon& F : Figures)
        Polyline(C, F);
    return {};
}

QRect EmfBackend::Text(const DrawContext& C, const TextCall& T)
{
    D->Sync(C, FSize);
    const size_t Length = static_cast<size_t>(T.Text.size());
    const char16_t* Chars = reinterpret_cast<const char16_t*>(T.Text.utf16());
    const FontMeasures M = MeasuresOf(C.Font);
    const int CellHeight = M.Ascent + M.Descent;
    uint32_t Options = T.Options & (ETO_OPAQUE | ETO_CLIPPED);
    if (!T.Rect)
        Options |= U_ETO_NO_RECT;

    // The record by hand (an empty string, which the library will not
    // take, still fills its box), written straight into the records: fixed
    // part, box, offset of the advances, the UTF-16 string padded to 4
    // bytes, the advances.
    const size_t Fixed = 36 + 20 + (T.Rect ? 16 : 0) + 4;
    const size_t StringBytes = (Length * 2 + 3) / 4 * 4;
    const size_t Size = Fixed + StringBytes + Length * 4;
    std::string& Out = D->Records;
    const size_t Start = Out.size();
    Out.resize(Start + Size, '\0');
    const auto At = [&Out, Start](size_t Offset) { return Out.data() + Start + Offset; };
    const auto Put32 = [&At](size_t Offset, uint32_t V) { std::memcpy(At(Offset), &V, 4); };
    int Width = 0;
    for (size_t I = 0; I < Length; ++I) {
        const int Advance = I < T.Dx.size() ? T.Dx[I] : CharAdvance(C.Font, QChar(Chars[I]));
        Put32(Fixed + StringBytes + I * 4, static_cast<uint32_t>(Advance));
        Width += static_cast<int>(static_cast<uint32_t>(Advance));
    }
    QRect Logical(T.Ref.x() - Width, T.Ref.y() - CellHeight, 3 * Width + 1, 3 * CellHeight);
    if (T.Rect)
        Logical |= *T.Rect;
    const QRect Box = MapRect(C.ToDevice, Logical) & QRect(QPoint(0, 0), FSize);

    Put32(0, U_EMR_EXTTEXTOUTW);
    Put32(4, static_cast<uint32_t>(Size));
    const U_RECTL B = RectL(Box);
    std::memcpy(At(8), &B, 16);
    Put32(24, U_GM_COMPATIBLE);
    Put32(36, static_cast<uint32_t>(T.Ref.x()));
    Put32(40, static_cast<uint32_t>(T.Ref.y()));
    Put32(44, static_cast<uint32_t>(Length));
    Put32(48, static_cast<uint32_t>(Fixed));
    Put32(52, Options);
    if (T.Rect) {
        const U_RECTL Rc = RectLExclusive(*T.Rect);
        std::memcpy(At(56), &Rc, 16);
    }
    Put32(Fixed - 4, static_cast<uint32_t>(Fixed + StringBytes));
    // An opaque box without text has no characters to copy.
    if (Length > 0)
        std::memcpy(At(Fixed), Chars, Length * 2);
    ++D->Count;
    return D->Note(Box);
}

QRect EmfBackend::Blit(const DrawContext& C, const QRect& Dest, const BlitSource& Source, const Blend& How)
{
    D->Sync(C, FSize);
    // Only the source rectangle travels, the right way round, in the
    // colours it shows now (a monochrome source takes the DC's colours).
    const QRect SR = Source.Rect.normalized() & Source.Image.rect();
    if (SR.isEmpty())
        return {};
    QImage Part = Source.Image.copy(SR).mirrored(Source.Rect.width() < 0, Source.Rect.height() < 0);
    if (Source.Monochrome) {
        Part = Part.convertToFormat(QImage::Format_RGB32);
        const QRgb Text = ToRgb(C.S.TextColor), Back = ToRgb(C.S.BkColor);
        for (int Y = 0; Y < Part.height(); ++Y) {
            auto* Line = reinterpret_cast<QRgb*>(Part.scanLine(Y));
            for (int X = 0; X < Part.width(); ++X)
                Line[X] = (Line[X] & 0xFFFFFF) ? Back : Text;
        }
    }
    const Dib Bits = MakeDib(Part);
    auto* Info = reinterpret_cast<PU_BITMAPINFO>(const_cast<char*>(Bits.Info.data()));
    auto* Px = const_cast<char*>(Bits.Bits.data());
    const auto Size = static_cast<uint32_t>(Bits.Bits.size());
    const QRect Box = MapRect(C.ToDevice, Dest.normalized());
    const U_POINTL At = PointL(Dest.x(), Dest.y()), Extent = PointL(Dest.width(), Dest.height());
    const U_POINTL Src = PointL(0, 0), SrcExtent = PointL(Part.width(), Part.height());
    switch (How.Kind) {
    case BlendKind::Rop:
        D->Put(U_EMRSTRETCHDIBITS_set(RectL(Box), At, Extent, Src, SrcExtent, U_DIB_RGB_COLORS, RopCode(How.Rop3),
            Info, Size, Px));
        break;
    case BlendKind::Transparent:
        D->Put(U_EMRTRANSPARENTBLT_set(RectL(Box), At, Extent, Src, SrcExtent, xform_set(1, 0, 0, 1, 0, 0),
            U_RGB(255, 255, 255), U_DIB_RGB_COLORS, How.Transparent & 0xFFFFFF, Info, Size, Px));
        break;
    case BlendKind::Alpha:
        D->Put(U_EMRALPHABLEND_set(RectL(Box), At, Extent, Src, SrcExtent, xform_set(1, 0, 0, 1, 0, 0),
            U_RGB(255, 255, 255), U_DIB_RGB_COLORS,
            U_BLEND {How.Alpha.BlendOp, How.Alpha.BlendFlags, How.Alpha.SourceConstantAlpha, How.Alpha.AlphaFormat},
            Info, Size, Px));
        break;
    }
    return D->Note(Box);
}

COLORREF EmfBackend::SetPixel(const DrawContext& C, QPoint P, COLORREF Color)
{
    D->Sync(C, FSize);
    D->Put(U_EMRSETPIXELV_set(PointL(P.x(), P.y()), U_RGB(GetRValue(Color), GetGValue(Color), GetBValue(Color))));
    const QPointF Dev = C.ToDevice.map(QPointF(P));
    D->Note(QRect(RoundDevice(Dev.x()), RoundDevice(Dev.y()), 1, 1));
    return Color & 0xFFFFFF;
}

EmfBackend* EmfBackendOf(HDC DC)
{
    return DC ? dynamic_cast<EmfBackend*>(DC->Backend.get()) : nullptr;
}

HDC CreateEnhMetaFileDC(int Width, int Height)
{
    return CreateBackendDC(std::make_unique<EmfBackend>(QSize(Width, Height), 96));
}

std::string CloseEnhMetaFileDC(HDC DC, int MMWidth, int MMHeight)
{
    std::string Bytes;
    if (EmfBackend* B = EmfBackendOf(DC))
        Bytes = B->Finish(MMWidth, MMHeight);
    DeleteDC(DC);
    return Bytes;
}
