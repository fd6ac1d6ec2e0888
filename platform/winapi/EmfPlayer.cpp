// The metafile player. A metafile is checked whole before anything is drawn:
// the header, then every record (its size against what is left, its
// contents with the record validation of the EMF library) up to the end
// record. Playing makes the records' drawing calls on the target DC with
// the metafile's own mapping composed with the one that puts its frame onto
// the target rectangle; records that draw nothing we show (comments,
// palettes, colour management) and record kinds we do not know are skipped
// by their size.

#include "platform/winapi/EmfPrivate.h"

#include "platform/winapi/EnhMetaFiles.h"

#include <uemf.h>
#include <uemf_safe.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string_view>

namespace {

constexpr size_t MinHeaderSize = 88;
/// Object table entries a metafile may ask for.
constexpr uint32_t MaxHandles = 65535;

template <typename T>
const T& As(const char* Record)
{
    return *reinterpret_cast<const T*>(Record);
}

uint32_t U32(const char* P)
{
    uint32_t V;
    std::memcpy(&V, P, 4);
    return V;
}

bool Fail(std::string* Error, const char* Text)
{
    if (Error)
        *Error = Text;
    return false;
}

/// Checks the header record at Data (Size bytes available).
bool CheckHeader(const char* Data, size_t Size, std::string* Error)
{
    if (Size < MinHeaderSize)
        return Fail(Error, "too short for a metafile header");
    const uint32_t Type = U32(Data), RecordSize = U32(Data + 4);
    if (Type != U_EMR_HEADER || U32(Data + 40) != U_ENHMETA_SIGNATURE)
        return Fail(Error, "no metafile header");
    if (RecordSize < MinHeaderSize || RecordSize % 4 || RecordSize > Size)
        return Fail(Error, "bad header size");
    const auto& H = As<U_EMRHEADER>(Data);
    if (H.nBytes < RecordSize || H.nBytes > Size || H.nBytes % 4)
        return Fail(Error, "bad metafile length");
    if (H.szlDevice.cx <= 0 || H.szlDevice.cy <= 0 || H.szlMillimeters.cx <= 0 || H.szlMillimeters.cy <= 0)
        return Fail(Error, "bad reference device");
    // Screens and printers: at most a few metres of paper, from a tenth of
    // a pixel to a thousand pixels a millimetre. Past that the frame and
    // the metric mappings scale drawing by factors no page can hold.
    constexpr int32_t MaxDevicePixels = 1 << 20, MaxDeviceMillimeters = 100000;
    const auto Density = [](int32_t Px, int32_t Mm) { return double(Px) / Mm; };
    if (H.szlDevice.cx > MaxDevicePixels || H.szlDevice.cy > MaxDevicePixels
        || H.szlMillimeters.cx > MaxDeviceMillimeters || H.szlMillimeters.cy > MaxDeviceMillimeters)
        return Fail(Error, "bad reference device");
    for (const double D : {Density(H.szlDevice.cx, H.szlMillimeters.cx), Density(H.szlDevice.cy, H.szlMillimeters.cy)})
        if (D < 0.1 || D > 1000)
            return Fail(Error, "bad reference device");
    if (H.rclFrame.right < H.rclFrame.left || H.rclFrame.bottom < H.rclFrame.top)
        return Fail(Error, "bad frame");
    return true;
}

}  // namespace

namespace {

/// A DIB held in a record: header and bits, checked against the record.
struct RecordDib {
    std::string Packed;  // header, colour table and bits
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(Packed.data()); }
    const char* Bits() const { return Packed.data() + Header; }
    size_t Header = 0;
};

/// The DIB at the given offsets of a record (Size bytes); nothing when it
/// does not fit the record or its bits are short of what the header says.
std::optional<RecordDib> DibOf(const char* Record, size_t Size, uint32_t OffBmi, uint32_t CbBmi, uint32_t OffBits,
    uint32_t CbBits)
{
    if (CbBmi < sizeof(BITMAPINFOHEADER) || OffBmi > Size || CbBmi > Size - OffBmi || OffBits > Size
        || CbBits > Size - OffBits)
        return std::nullopt;
    BITMAPINFOHEADER H;
    std::memcpy(&H, Record + OffBmi, sizeof H);
    if (H.biSize < sizeof H || H.biWidth <= 0 || H.biHeight == 0 || H.biWidth > 16384
        || std::abs(static_cast<int64_t>(H.biHeight)) > 16384)
        return std::nullopt;
    const size_t Table = DibHeaderBytes(H);
    if (Table > CbBmi)
        return std::nullopt;
    const size_t Stride = ((static_cast<size_t>(H.biWidth) * H.biBitCount + 31) / 32) * 4;
    const size_t Need = Stride * static_cast<size_t>(std::abs(static_cast<int64_t>(H.biHeight)));
    if (H.biBitCount == 0 || Need > CbBits)
        return std::nullopt;
    RecordDib D;
    D.Header = Table;
    D.Packed.assign(Record + OffBmi, Table);
    D.Packed.append(Record + OffBits, Need);
    // Keep the header's own size field sane for the readers after us.
    reinterpret_cast<BITMAPINFOHEADER*>(D.Packed.data())->biSize = sizeof(BITMAPINFOHEADER);
    if (Table < sizeof H)
        return std::nullopt;
    return D;
}

/// What a record that carries a picture says of it: where it lands and
/// which part of the picture (logical units), and where the DIB lies in
/// the record. Blits that may come without a picture fill with the brush.
struct PictureFields {
    QPoint Dest, DestExtent, Src, SrcExtent;
    uint32_t OffBmi = 0, CbBmi = 0, OffBits = 0, CbBits = 0;
    uint32_t Rop = 0;
    COLORREF Back = RGB(255, 255, 255);
    bool MayHaveNone = false;
    bool None() const { return MayHaveNone && CbBmi == 0; }
};

/// The picture fields of a blit record E, which all name them alike.
template <typename E>
std::optional<PictureFields> BlitFieldsOf(const char* R, size_t Size)
{
    if (Size < sizeof(E))
        return std::nullopt;
    const E& Rec = As<E>(R);
    PictureFields F;
    F.Dest = QPoint(Rec.Dest.x, Rec.Dest.y);
    F.Src = QPoint(Rec.Src.x, Rec.Src.y);
    // A plain blit copies as much as it covers; bits set onto the device
    // cover as much as they are.
    if constexpr (requires { Rec.cSrc; })
        F.SrcExtent = QPoint(Rec.cSrc.x, Rec.cSrc.y);
    if constexpr (requires { Rec.cDest; })
        F.DestExtent = QPoint(Rec.cDest.x, Rec.cDest.y);
    else
        F.DestExtent = F.SrcExtent;
    if constexpr (!requires { Rec.cSrc; })
        F.SrcExtent = F.DestExtent;
    F.OffBmi = Rec.offBmiSrc;
    F.CbBmi = Rec.cbBmiSrc;
    F.OffBits = Rec.offBitsSrc;
    F.CbBits = Rec.cbBitsSrc;
    // The blits with a raster operation fill with the brush when they
    // come without a picture; a monochrome picture of theirs takes their
    // background colour.
    if constexpr (requires { Rec.dwRop; }) {
        F.Rop = Rec.dwRop;
        F.MayHaveNone = true;
        if constexpr (requires { Rec.crBkColorSrc; })
            F.Back = RGB(Rec.crBkColorSrc.Red, Rec.crBkColorSrc.Green, Rec.crBkColorSrc.Blue);
    }
    return F;
}

/// The picture fields of a blit, DIB or pattern brush record; nothing for
/// other kinds and for a record too short for its fixed part.
std::optional<PictureFields> PictureOf(uint32_t Type, const char* R, size_t Size)
{
    switch (Type) {
    case U_EMR_BITBLT: return BlitFieldsOf<U_EMRBITBLT>(R, Size);
    case U_EMR_STRETCHBLT: return BlitFieldsOf<U_EMRSTRETCHBLT>(R, Size);
    case U_EMR_TRANSPARENTBLT: return BlitFieldsOf<U_EMRTRANSPARENTBLT>(R, Size);
    case U_EMR_ALPHABLEND: return BlitFieldsOf<U_EMRALPHABLEND>(R, Size);
    case U_EMR_STRETCHDIBITS: return BlitFieldsOf<U_EMRSTRETCHDIBITS>(R, Size);
    case U_EMR_SETDIBITSTODEVICE: return BlitFieldsOf<U_EMRSETDIBITSTODEVICE>(R, Size);
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH: {
        if (Size < sizeof(U_EMRCREATEDIBPATTERNBRUSHPT))
            return std::nullopt;
        const auto& E = As<U_EMRCREATEDIBPATTERNBRUSHPT>(R);
        PictureFields F;
        F.OffBmi = E.offBmi;
        F.CbBmi = E.cbBmi;
        F.OffBits = E.offBits;
        F.CbBits = E.cbBits;
        return F;
    }
    default: return std::nullopt;
    }
}

std::optional<RecordDib> DibOf(const char* Record, size_t Size, const PictureFields& F)
{
    return DibOf(Record, Size, F.OffBmi, F.CbBmi, F.OffBits, F.CbBits);
}

/// Whether a point record's points are 16-bit pairs.
bool SmallPoints(uint32_t Type)
{
    return (Type >= U_EMR_POLYBEZIER16 && Type <= U_EMR_POLYLINETO16)
        || (Type >= U_EMR_POLYPOLYLINE16 && Type <= U_EMR_POLYPOLYGON16);
}

/// Point I of the points at First: 16-bit pairs when Small, else 32-bit.
TPoint PointAt(const char* First, size_t I, bool Small)
{
    if (Small) {
        int16_t XY[2];
        std::memcpy(XY, First + 4 * I, 4);
        return TPoint {XY[0], XY[1]};
    }
    int32_t XY[2];
    std::memcpy(XY, First + 8 * I, 8);
    return TPoint {XY[0], XY[1]};
}

/// Lines, polygons and curves of one figure: a count, then the points.
bool OneFigure(uint32_t Type)
{
    switch (Type) {
    case U_EMR_POLYLINE16:
    case U_EMR_POLYGON16:
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYLINETO16:
    case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINE:
    case U_EMR_POLYGON:
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYLINETO:
    case U_EMR_POLYBEZIERTO: return true;
    default: return false;
    }
}

/// Lines and polygons of many figures: the figures, the points in all,
/// each figure's count, then the points.
bool ManyFigures(uint32_t Type)
{
    return Type == U_EMR_POLYPOLYLINE16 || Type == U_EMR_POLYPOLYGON16 || Type == U_EMR_POLYPOLYLINE
        || Type == U_EMR_POLYPOLYGON;
}

/// Where a point record's points start and how many it has; nothing for
/// other kinds. The points are checked against the record's size apart.
std::optional<std::pair<size_t, size_t>> PointsOf(uint32_t Type, const char* R)
{
    if (OneFigure(Type))
        return std::make_pair(size_t(28), size_t(U32(R + 24)));
    if (ManyFigures(Type))
        return std::make_pair(32 + 4 * size_t(U32(R + 24)), size_t(U32(R + 28)));
    return std::nullopt;
}

/// The record kinds the player draws or keeps state from.
bool Played(uint32_t Type)
{
    switch (Type) {
    case U_EMR_POLYBEZIER: case U_EMR_POLYGON: case U_EMR_POLYLINE: case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO: case U_EMR_POLYPOLYLINE: case U_EMR_POLYPOLYGON: case U_EMR_SETWINDOWEXTEX:
    case U_EMR_SETWINDOWORGEX: case U_EMR_SETVIEWPORTEXTEX: case U_EMR_SETVIEWPORTORGEX:
    case U_EMR_SETBRUSHORGEX: case U_EMR_SETPIXELV: case U_EMR_SETMAPMODE: case U_EMR_SETBKMODE:
    case U_EMR_SETPOLYFILLMODE: case U_EMR_SETROP2: case U_EMR_SETSTRETCHBLTMODE: case U_EMR_SETTEXTALIGN:
    case U_EMR_SETTEXTCOLOR: case U_EMR_SETBKCOLOR: case U_EMR_OFFSETCLIPRGN: case U_EMR_MOVETOEX:
    case U_EMR_EXCLUDECLIPRECT: case U_EMR_INTERSECTCLIPRECT: case U_EMR_SCALEVIEWPORTEXTEX:
    case U_EMR_SCALEWINDOWEXTEX: case U_EMR_SAVEDC: case U_EMR_RESTOREDC: case U_EMR_SETWORLDTRANSFORM:
    case U_EMR_MODIFYWORLDTRANSFORM: case U_EMR_SELECTOBJECT: case U_EMR_CREATEPEN:
    case U_EMR_CREATEBRUSHINDIRECT: case U_EMR_DELETEOBJECT: case U_EMR_ELLIPSE: case U_EMR_RECTANGLE:
    case U_EMR_ROUNDRECT: case U_EMR_LINETO: case U_EMR_BEGINPATH: case U_EMR_ENDPATH: case U_EMR_CLOSEFIGURE:
    case U_EMR_FILLPATH: case U_EMR_STROKEANDFILLPATH: case U_EMR_STROKEPATH: case U_EMR_ABORTPATH:
    case U_EMR_EXTSELECTCLIPRGN: case U_EMR_BITBLT: case U_EMR_STRETCHBLT: case U_EMR_SETDIBITSTODEVICE:
    case U_EMR_STRETCHDIBITS: case U_EMR_EXTCREATEFONTINDIRECTW: case U_EMR_EXTTEXTOUTA:
    case U_EMR_EXTTEXTOUTW: case U_EMR_POLYBEZIER16: case U_EMR_POLYGON16: case U_EMR_POLYLINE16:
    case U_EMR_POLYBEZIERTO16: case U_EMR_POLYLINETO16: case U_EMR_POLYPOLYLINE16: case U_EMR_POLYPOLYGON16:
    case U_EMR_CREATEMONOBRUSH: case U_EMR_CREATEDIBPATTERNBRUSHPT: case U_EMR_EXTCREATEPEN:
    case U_EMR_ALPHABLEND: case U_EMR_TRANSPARENTBLT: return true;
    default: return false;
    }
}

/// The pictures, strings and advances a record points to lie inside it and
/// hold what their headers say.
bool ContentsSound(uint32_t Type, const char* R, size_t Size)
{
    const auto Fits = [&](size_t Need) { return Size >= Need; };
    switch (Type) {
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_STRETCHDIBITS:
    case U_EMR_SETDIBITSTODEVICE:
    case U_EMR_TRANSPARENTBLT:
    case U_EMR_ALPHABLEND:
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH: {
        const auto F = PictureOf(Type, R, Size);
        return F && (F->None() || DibOf(R, Size, *F).has_value());
    }
    case U_EMR_EXTTEXTOUTA:
    case U_EMR_EXTTEXTOUTW: {
        const size_t Fixed = offsetof(U_EMREXTTEXTOUTW, emrtext) + sizeof(U_EMRTEXT);
        if (!Fits(Fixed))
            return false;
        const U_EMRTEXT& T = As<U_EMREXTTEXTOUTW>(R).emrtext;
        const size_t DxAt = Fixed + ((T.fOptions & U_ETO_NO_RECT) ? 0 : sizeof(U_RECTL));
        if (!Fits(DxAt + 4))
            return false;
        const uint64_t N = T.nChars, OffDx = U32(R + DxAt);
        const uint64_t CharBytes = Type == U_EMR_EXTTEXTOUTW ? 2 : 1;
        if (N == 0)
            return true;
        return T.offString <= Size && N * CharBytes <= Size - T.offString && OffDx <= Size && N * 4 <= Size - OffDx;
    }
    default: return true;
    }
}

/// Pictures met before, by their DIB bytes: a logo repeated on every tag
/// and page becomes one image, which a PDF then embeds once. Bounded; the
/// oldest are dropped first.
class PictureCache {
public:
    static PictureCache& Instance()
    {
        static PictureCache C;
        return C;
    }

    std::optional<QImage> Find(const RecordDib& D)
    {
        const size_t Key = std::hash<std::string_view>()(D.Packed);
        for (const Entry& E : Entries)
            if (E.Key == Key && E.Packed == D.Packed)
                return E.Image;
        std::optional<QImage> Image = DibToImage(*D.Info(), D.Bits(), std::nullopt);
        if (!Image)
            return std::nullopt;
        *Image = Image->convertToFormat(QImage::Format_RGB32);
        Bytes += D.Packed.size() * 2;
        Entries.push_back(Entry {Key, D.Packed, *Image});
        while (Bytes > MaxBytes && !Entries.empty()) {
            Bytes -= Entries.front().Packed.size() * 2;
            Entries.erase(Entries.begin());
        }
        return Image;
    }

private:
    struct Entry {
        size_t Key;
        std::string Packed;
        QImage Image;
    };
    static constexpr size_t MaxBytes = 32u << 20;
    std::vector<Entry> Entries;
    size_t Bytes = 0;
};

QTransform FromXform(const U_XFORM& X)
{
    return QTransform(X.eM11, X.eM12, X.eM21, X.eM22, X.eDx, X.eDy);
}

bool Finite(const QTransform& T)
{
    for (double V : {T.m11(), T.m12(), T.m21(), T.m22(), T.dx(), T.dy()})
        if (!std::isfinite(V) || std::abs(V) > 1e9)
            return false;
    return true;
}

class Player {
public:
    Player(HDC Target, const char* Data, const TRect& Rect) : DC(Target), Bytes(Data)
    {
        const auto& H = As<U_EMRHEADER>(Data);
        Ref = H;
        Handles.assign(std::min<uint32_t>(std::max<uint32_t>(H.nHandles, 1), MaxHandles), nullptr);

        // The frame (0.01 mm) in the metafile's device pixels, onto Rect.
        const double PxX = double(H.szlDevice.cx) / (H.szlMillimeters.cx * 100.0);
        const double PxY = double(H.szlDevice.cy) / (H.szlMillimeters.cy * 100.0);
        const double FL = std::round(H.rclFrame.left * PxX), FT = std::round(H.rclFrame.top * PxY);
        const double FW = std::max(1.0, std::round(H.rclFrame.right * PxX) - FL);
        const double FH = std::max(1.0, std::round(H.rclFrame.bottom * PxY) - FT);
        PxPerMM = QSizeF(PxX * 100, PxY * 100);
        Frame = QTransform::fromTranslate(-FL, -FT)
            * QTransform::fromScale((Rect.Right - Rect.Left) / FW, (Rect.Bottom - Rect.Top) / FH)
            * QTransform::fromTranslate(Rect.Left, Rect.Top) * DC->S.ToDevice();
        // Lines cost their length in pixels walked; a page's worth of them
        // many times over is all a metafile gets (see LinesWithinBudget).
        const double Area = std::min(double(std::abs(Rect.Right - Rect.Left)), 1e5)
            * std::min(double(std::abs(Rect.Bottom - Rect.Top)), 1e5);
        LineBudget = 16 * Area + (1 << 20);
        BaseLevel = SaveDC(DC);
        InitialClip = DC->S.Clip;
        DC->S.MapMode = MM_TEXT;
        DC->S.WindowOrg = DC->S.ViewportOrg = TPoint();
        DC->S.WindowExt = DC->S.ViewportExt = TSize {1, 1};
        DC->S.GraphicsMode = GM_ADVANCED;
        // A metafile starts with the default objects and modes.
        SelectObject(DC, GetStockObject(WHITE_BRUSH));
        SelectObject(DC, GetStockObject(BLACK_PEN));
        SelectObject(DC, GetStockObject(SYSTEM_FONT));
        SetTextColor(DC, RGB(0, 0, 0));
        SetBkColor(DC, RGB(255, 255, 255));
        SetBkMode(DC, OPAQUE);
        SetTextAlign(DC, TA_LEFT | TA_TOP);
        SetROP2(DC, R2_COPYPEN);
        SetPolyFillMode(DC, ALTERNATE);
        SetStretchBltMode(DC, BLACKONWHITE);
        Apply();
    }

    ~Player()
    {
        RestoreDC(DC, BaseLevel);
        for (HGDIOBJ& O : Handles)
            if (O)
                DeleteObject(O);
    }

    void Play(size_t Length)
    {
        size_t At = U32(Bytes + 4);
        while (At < Length) {
            const char* R = Bytes + At;
            const uint32_t Type = U32(R), Size = U32(R + 4);
            if (Type == U_EMR_EOF)
                break;
            Record(Type, R, Size);
            At += Size;
        }
    }

private:
    struct Mapping {
        int Mode = MM_TEXT;
        QPointF WindowOrg, ViewportOrg;
        QSizeF WindowExt {1, 1}, ViewportExt {1, 1};
        QTransform World;
    };

    HDC DC;
    const char* Bytes;
    U_EMRHEADER Ref;
    QSizeF PxPerMM;
    QTransform Frame;
    int BaseLevel = 0;
    std::optional<QRegion> InitialClip;
    Mapping M;
    std::vector<Mapping> Saved;
    std::vector<int> SavedLevels;
    std::vector<HGDIOBJ> Handles;
    /// Device pixels of lines the metafile may still draw.
    double LineBudget = 0;

    /// Logical units of the metafile to the target's device pixels.
    void Apply()
    {
        double SX = 1, SY = 1;
        switch (M.Mode) {
        case MM_LOMETRIC: SX = PxPerMM.width() / 10; SY = -PxPerMM.height() / 10; break;
        case MM_HIMETRIC: SX = PxPerMM.width() / 100; SY = -PxPerMM.height() / 100; break;
        case MM_LOENGLISH: SX = PxPerMM.width() * 0.254; SY = -PxPerMM.height() * 0.254; break;
        case MM_HIENGLISH: SX = PxPerMM.width() * 0.0254; SY = -PxPerMM.height() * 0.0254; break;
        case MM_TWIPS: SX = PxPerMM.width() * 25.4 / 1440; SY = -PxPerMM.height() * 25.4 / 1440; break;
        case MM_ISOTROPIC:
        case MM_ANISOTROPIC:
            if (M.WindowExt.width() != 0 && M.WindowExt.height() != 0) {
                SX = M.ViewportExt.width() / M.WindowExt.width();
                SY = M.ViewportExt.height() / M.WindowExt.height();
                if (M.Mode == MM_ISOTROPIC) {
                    const double S = std::min(std::abs(SX), std::abs(SY));
                    SX = SX < 0 ? -S : S;
                    SY = SY < 0 ? -S : S;
                }
            }
            break;
        default: break;
        }
        const QTransform Page = QTransform::fromTranslate(-M.WindowOrg.x(), -M.WindowOrg.y())
            * QTransform::fromScale(SX, SY) * QTransform::fromTranslate(M.ViewportOrg.x(), M.ViewportOrg.y());
        const QTransform All = M.World * Page * Frame;
        DC->S.World = Finite(All) && All.isInvertible() ? All : QTransform::fromScale(0, 0);
    }

    /// A region record's rectangles (device pixels of the metafile) as a
    /// region of the target's device pixels.
    QRegion RegionOf(const char* Data, size_t Size)
    {
        QRegion Out;
        if (Size < 32)
            return Out;
        const uint32_t Count = U32(Data + 8);
        if (Count > (Size - 32) / 16)
            return Out;
        const QTransform ToTarget = Frame;
        std::vector<QRegion> Parts;
        Parts.reserve(Count);
        for (uint32_t I = 0; I < Count; ++I) {
            const auto& R = As<U_RECTL>(Data + 32 + 16 * I);
            const QRectF F(QPointF(R.left, R.top), QPointF(R.right, R.bottom));
            Parts.emplace_back(ToTarget.mapRect(F).toAlignedRect());
        }
        // Joined in pairs, then pairs of pairs: adding the rectangles one by
        // one to a growing region costs the square of their number.
        for (size_t Step = 1; Step < Parts.size(); Step *= 2)
            for (size_t I = 0; I + Step < Parts.size(); I += 2 * Step) {
                Parts[I] |= Parts[I + Step];
                Parts[I + Step] = QRegion();
            }
        return Parts.empty() ? Out : Parts.front();
    }

    void SetClip(std::optional<QRegion> Region)
    {
        if (Region && InitialClip)
            *Region &= *InitialClip;
        DC->S.Clip = Region ? Region : InitialClip;
    }

    HGDIOBJ& Slot(uint32_t Index)
    {
        static HGDIOBJ None;
        None = nullptr;
        return Index < Handles.size() ? Handles[Index] : None;
    }

    void Store(uint32_t Index, HGDIOBJ Object)
    {
        if (Index == 0 || Index >= Handles.size()) {
            if (Object)
                DeleteObject(Object);
            return;
        }
        if (Handles[Index])
            DeleteObject(Handles[Index]);
        Handles[Index] = Object;
    }

    /// The points of a point record (PointsOf).
    static std::vector<TPoint> PointList(uint32_t Type, const char* R)
    {
        const auto [First, Count] = *PointsOf(Type, R);
        const bool Small = SmallPoints(Type);
        std::vector<TPoint> P;
        P.reserve(Count);
        for (size_t I = 0; I < Count; ++I)
            P.push_back(PointAt(R + First, I, Small));
        return P;
    }

    /// POLYPOLYLINE/POLYPOLYGON and their 16-bit forms: counts then points.
    void PolyPoly(uint32_t Type, const char* R, bool Closed)
    {
        // Sane has checked the counts and points against the record.
        const uint32_t N = U32(R + 24), Total = U32(R + 28);
        std::vector<int> Counts;
        uint64_t Sum = 0;
        for (uint32_t I = 0; I < N; ++I) {
            Counts.push_back(static_cast<int>(U32(R + 32 + 4 * I)));
            Sum += U32(R + 32 + 4 * I);
        }
        if (Sum != Total)
            return;
        const std::vector<TPoint> P = PointList(Type, R);
        if (Closed) {
            ::PolyPolygon(DC, P.data(), Counts.data(), static_cast<int>(Counts.size()));
            return;
        }
        size_t First = 0;
        for (int C : Counts) {
            ::Polyline(DC, P.data() + First, C);
            First += static_cast<size_t>(C);
        }
    }

    /// The single-figure point records: lines, polygons and curves, and
    /// lines and curves on from the current position, which they move.
    void Poly(uint32_t Type, const std::vector<TPoint>& P)
    {
        const int N = static_cast<int>(P.size());
        switch (Type) {
        case U_EMR_POLYLINE16:
        case U_EMR_POLYLINE: ::Polyline(DC, P.data(), N); return;
        case U_EMR_POLYGON16:
        case U_EMR_POLYGON: ::Polygon(DC, P.data(), N); return;
        case U_EMR_POLYBEZIER16:
        case U_EMR_POLYBEZIER: ::PolyBezier(DC, P.data(), N); return;
        default: break;
        }
        TPoint Pos;
        MoveToEx(DC, 0, 0, &Pos);
        std::vector<TPoint> All {Pos};
        All.insert(All.end(), P.begin(), P.end());
        if (Type == U_EMR_POLYBEZIERTO16 || Type == U_EMR_POLYBEZIERTO)
            ::PolyBezier(DC, All.data(), static_cast<int>(All.size()));
        else
            ::Polyline(DC, All.data(), static_cast<int>(All.size()));
        MoveToEx(DC, All.back().X, All.back().Y, nullptr);
    }

    void Text(const char* R, size_t Size, bool Wide)
    {
        const auto& E = As<U_EMREXTTEXTOUTW>(R);
        const U_EMRTEXT& T = E.emrtext;
        const size_t Fixed = offsetof(U_EMREXTTEXTOUTW, emrtext) + sizeof(U_EMRTEXT);
        const bool HasRect = !(T.fOptions & U_ETO_NO_RECT);
        const size_t DxAt = Fixed + (HasRect ? sizeof(U_RECTL) : 0);
        if (DxAt + 4 > Size)
            return;
        const uint32_t OffDx = U32(R + DxAt);
        const size_t CharBytes = Wide ? 2 : 1;
        const uint32_t N = T.nChars;
        if (N > 0x100000 || T.offString > Size || N * CharBytes > Size - T.offString)
            return;
        TRect Box;
        if (HasRect) {
            const auto& Rc = As<U_RECTL>(R + Fixed);
            Box = TRect {Rc.left, Rc.top, Rc.right, Rc.bottom};
        }
        std::vector<int> Dx;
        if (OffDx && OffDx <= Size && N <= (Size - OffDx) / 4)
            for (uint32_t I = 0; I < N; ++I)
                Dx.push_back(static_cast<int>(U32(R + OffDx + 4 * I)));
        const UINT Options = T.fOptions & (ETO_OPAQUE | ETO_CLIPPED);
        const int* Advances = Dx.size() == N && N ? Dx.data() : nullptr;
        if (Wide) {
            std::u16string S(N, u'\0');
            std::memcpy(S.data(), R + T.offString, N * 2);
            ExtTextOutW(DC, T.ptlReference.x, T.ptlReference.y, Options, HasRect ? &Box : nullptr, S.data(),
                static_cast<int>(N), Advances);
        } else {
            ExtTextOutA(DC, T.ptlReference.x, T.ptlReference.y, Options, HasRect ? &Box : nullptr,
                R + T.offString, static_cast<int>(N), Advances);
        }
    }

    /// A memory DC holding a record's source DIB (freed by the caller with
    /// the returned bitmap).
    struct Source {
        HDC Memory = nullptr;
        HBITMAP Bitmap = nullptr;
        ~Source()
        {
            if (Memory)
                DeleteDC(Memory);
            if (Bitmap)
                DeleteObject(Bitmap);
        }
    };

    bool MakeSource(Source& S, const char* R, size_t Size, const PictureFields& F)
    {
        const auto Dib = DibOf(R, Size, F);
        if (!Dib)
            return false;
        const auto Image = DibToImage(*Dib->Info(), Dib->Bits(), std::nullopt);
        if (!Image)
            return false;
        S.Bitmap = CreateBitmapObject(*Image, Dib->Info()->bmiHeader.biBitCount == 1);
        S.Memory = CreateCompatibleDC(nullptr);
        SelectObject(S.Memory, S.Bitmap);
        SetBkColor(S.Memory, F.Back);
        return true;
    }

    /// BITBLT, STRETCHBLT, TRANSPARENTBLT and ALPHABLEND: the picture onto
    /// its place, or the brush where a blit has no picture.
    void Blit(uint32_t Type, const char* R, size_t Size)
    {
        const auto F = PictureOf(Type, R, Size);
        if (!F)
            return;
        const QPoint D = F->Dest, DE = F->DestExtent, S = F->Src, SE = F->SrcExtent;
        if (F->None()) {
            PatBlt(DC, D.x(), D.y(), DE.x(), DE.y(), F->Rop);
            return;
        }
        Source From;
        if (!MakeSource(From, R, Size, *F))
            return;
        switch (Type) {
        case U_EMR_BITBLT: BitBlt(DC, D.x(), D.y(), DE.x(), DE.y(), From.Memory, S.x(), S.y(), F->Rop); break;
        case U_EMR_STRETCHBLT:
            StretchBlt(DC, D.x(), D.y(), DE.x(), DE.y(), From.Memory, S.x(), S.y(), SE.x(), SE.y(), F->Rop);
            break;
        case U_EMR_TRANSPARENTBLT:
            TransparentBlt(DC, D.x(), D.y(), DE.x(), DE.y(), From.Memory, S.x(), S.y(), SE.x(), SE.y(),
                As<U_EMRTRANSPARENTBLT>(R).TColor & 0xFFFFFF);
            break;
        case U_EMR_ALPHABLEND: {
            const U_BLEND& B = As<U_EMRALPHABLEND>(R).Blend;
            AlphaBlend(DC, D.x(), D.y(), DE.x(), DE.y(), From.Memory, S.x(), S.y(), SE.x(), SE.y(),
                BLENDFUNCTION {B.Operation, B.Flags, B.Global, B.Op});
            break;
        }
        default: break;
        }
    }

    /// The fixed part a record of the kind must hold before its fields are
    /// read (the library's check covers this too; we do not rely on it).
    static size_t FixedSize(uint32_t Type)
    {
        if (OneFigure(Type))
            return 28;
        if (ManyFigures(Type))
            return 32;
        switch (Type) {
        case U_EMR_SETWORLDTRANSFORM: return sizeof(U_EMRSETWORLDTRANSFORM);
        case U_EMR_MODIFYWORLDTRANSFORM: return sizeof(U_EMRMODIFYWORLDTRANSFORM);
        case U_EMR_SCALEVIEWPORTEXTEX:
        case U_EMR_SCALEWINDOWEXTEX: return 24;
        case U_EMR_INTERSECTCLIPRECT:
        case U_EMR_EXCLUDECLIPRECT:
        case U_EMR_RECTANGLE:
        case U_EMR_ELLIPSE: return 24;
        case U_EMR_ROUNDRECT: return sizeof(U_EMRROUNDRECT);
        case U_EMR_EXTSELECTCLIPRGN: return 16;
        case U_EMR_CREATEPEN: return sizeof(U_EMRCREATEPEN);
        case U_EMR_EXTCREATEPEN: return offsetof(U_EMREXTCREATEPEN, elp) + offsetof(U_EXTLOGPEN, elpStyleEntry);
        case U_EMR_CREATEBRUSHINDIRECT: return sizeof(U_EMRCREATEBRUSHINDIRECT);
        case U_EMR_CREATEDIBPATTERNBRUSHPT:
        case U_EMR_CREATEMONOBRUSH: return sizeof(U_EMRCREATEDIBPATTERNBRUSHPT);
        case U_EMR_EXTCREATEFONTINDIRECTW: return sizeof(U_EMR) + 4 + sizeof(U_LOGFONT);
        case U_EMR_SETPIXELV: return sizeof(U_EMRSETPIXELV);
        case U_EMR_EXTTEXTOUTW:
        case U_EMR_EXTTEXTOUTA: return offsetof(U_EMREXTTEXTOUTW, emrtext) + sizeof(U_EMRTEXT);
        case U_EMR_BITBLT: return sizeof(U_EMRBITBLT);
        case U_EMR_STRETCHBLT: return sizeof(U_EMRSTRETCHBLT);
        case U_EMR_TRANSPARENTBLT: return sizeof(U_EMRTRANSPARENTBLT);
        case U_EMR_ALPHABLEND: return sizeof(U_EMRALPHABLEND);
        case U_EMR_STRETCHDIBITS: return sizeof(U_EMRSTRETCHDIBITS);
        case U_EMR_SETDIBITSTODEVICE: return sizeof(U_EMRSETDIBITSTODEVICE);
        case U_EMR_SETWINDOWEXTEX:
        case U_EMR_SETWINDOWORGEX:
        case U_EMR_SETVIEWPORTEXTEX:
        case U_EMR_SETVIEWPORTORGEX:
        case U_EMR_SETBRUSHORGEX:
        case U_EMR_MOVETOEX:
        case U_EMR_LINETO:
        case U_EMR_OFFSETCLIPRGN: return 16;
        case U_EMR_SETMAPMODE:
        case U_EMR_SETBKMODE:
        case U_EMR_SETPOLYFILLMODE:
        case U_EMR_SETROP2:
        case U_EMR_SETSTRETCHBLTMODE:
        case U_EMR_SETTEXTALIGN:
        case U_EMR_SETTEXTCOLOR:
        case U_EMR_SETBKCOLOR:
        case U_EMR_RESTOREDC:
        case U_EMR_SELECTOBJECT:
        case U_EMR_DELETEOBJECT: return 12;
        default: return 8;
        }
    }

    /// The points of a poly record (one count, then the points) fit the
    /// record; true for other kinds.
    static bool PointsFit(uint32_t Type, const char* R, size_t Size)
    {
        if (ManyFigures(Type)) {
            // The counts first: the points start after them.
            const uint32_t N = U32(R + 24);
            if (N > (Size - 32) / 4)
                return false;
        }
        const auto Points = PointsOf(Type, R);
        if (!Points)
            return true;
        const auto [First, Count] = *Points;
        return First <= Size && Count <= (Size - First) / (SmallPoints(Type) ? 4 : 8);
    }

    /// Whether the points a drawing record places (logical) land within a
    /// sane distance of the target: a damaged metafile may place them
    /// anywhere, and the drawing layer computes in 32-bit pixels.
    bool Near(std::initializer_list<QPointF> Points) const
    {
        constexpr double Logical = 1 << 28, Device = 1 << 24;
        const QTransform T = DC->S.ToDevice();
        for (const QPointF& P : Points) {
            if (std::abs(P.x()) > Logical || std::abs(P.y()) > Logical)
                return false;
            const QPointF D = T.map(P);
            if (!(std::abs(D.x()) <= Device && std::abs(D.y()) <= Device))
                return false;
        }
        return true;
    }

    static QPointF At(const char* R, size_t Offset)
    {
        return QPointF(int32_t(U32(R + Offset)), int32_t(U32(R + Offset + 4)));
    }

    /// A blit's target corners and source extent.
    bool NearBlit(QPointF Dest, QPointF Extent, QPointF Src, QPointF SrcExtent) const
    {
        constexpr double Source = 1 << 24;
        for (double V : {Src.x(), Src.y(), SrcExtent.x(), SrcExtent.y()})
            if (std::abs(V) > Source)
                return false;
        return Near({Dest, Dest + Extent});
    }

    bool Sane(uint32_t Type, const char* R, size_t Size) const
    {
        if (const auto Points = PointsOf(Type, R)) {
            // PointsFit has checked the points against the record.
            const auto [First, Count] = *Points;
            const bool Small = SmallPoints(Type);
            for (size_t I = 0; I < Count; ++I) {
                const TPoint P = PointAt(R + First, I, Small);
                if (!Near({QPointF(P.X, P.Y)}))
                    return false;
            }
            return true;
        }
        switch (Type) {
        case U_EMR_MOVETOEX:
        case U_EMR_LINETO:
        case U_EMR_SETPIXELV: return Near({At(R, 8)});
        case U_EMR_RECTANGLE:
        case U_EMR_ELLIPSE:
        case U_EMR_INTERSECTCLIPRECT:
        case U_EMR_EXCLUDECLIPRECT: return Near({At(R, 8), At(R, 16)});
        case U_EMR_ROUNDRECT: return Near({At(R, 8), At(R, 16), At(R, 24)});
        case U_EMR_EXTTEXTOUTA:
        case U_EMR_EXTTEXTOUTW: {
            const U_EMRTEXT& T = As<U_EMREXTTEXTOUTW>(R).emrtext;
            const size_t Fixed = offsetof(U_EMREXTTEXTOUTW, emrtext) + sizeof(U_EMRTEXT);
            const QPointF Ref(T.ptlReference.x, T.ptlReference.y);
            if (!(T.fOptions & U_ETO_NO_RECT) && !Near({At(R, Fixed), At(R, Fixed + 8)}))
                return false;
            const size_t DxAt = Fixed + ((T.fOptions & U_ETO_NO_RECT) ? 0 : sizeof(U_RECTL));
            const uint32_t OffDx = U32(R + DxAt);
            double Sum = 0;
            if (OffDx && OffDx <= Size && T.nChars <= (Size - OffDx) / 4)
                for (uint32_t I = 0; I < T.nChars; ++I) {
                    const double D = int32_t(U32(R + OffDx + 4 * I));
                    if (std::abs(D) > (1 << 20))
                        return false;
                    Sum += D;
                }
            return Near({Ref, Ref + QPointF(Sum, 0), Ref - QPointF(Sum, 0)});
        }
        case U_EMR_BITBLT:
        case U_EMR_STRETCHBLT:
        case U_EMR_TRANSPARENTBLT:
        case U_EMR_ALPHABLEND:
        case U_EMR_STRETCHDIBITS:
        case U_EMR_SETDIBITSTODEVICE: {
            const auto F = PictureOf(Type, R, Size);
            return F && NearBlit(F->Dest, F->DestExtent, F->Src, F->SrcExtent);
        }
        default: return true;
        }
    }

    /// The device length of the lines a line or poly record draws (the
    /// points of a poly-poly record taken as one line), charged to the
    /// budget; false when the budget is spent, and the record is skipped.
    /// A hostile metafile of a million lines across the page would take
    /// seconds to walk; no page holds that much drawing.
    bool LinesWithinBudget(uint32_t Type, const char* R)
    {
        const QTransform T = DC->S.ToDevice();
        if (Type == U_EMR_LINETO) {
            const QPointF D = T.map(At(R, 8)) - T.map(QPointF(DC->S.Pos.X, DC->S.Pos.Y));
            LineBudget -= std::abs(D.x()) + std::abs(D.y());
            return LineBudget >= 0;
        }
        const auto Points = PointsOf(Type, R);
        if (!Points)
            return true;
        // Sane has checked the points against the record.
        const auto [First, Count] = *Points;
        const bool Small = SmallPoints(Type);
        QPointF Last;
        for (size_t I = 0; I < Count; ++I) {
            const TPoint At = PointAt(R + First, I, Small);
            const QPointF P = T.map(QPointF(At.X, At.Y));
            if (I > 0)
                LineBudget -= std::abs(P.x() - Last.x()) + std::abs(P.y() - Last.y());
            Last = P;
        }
        return LineBudget >= 0;
    }

    void Record(uint32_t Type, const char* R, size_t Size)
    {
        if (!Played(Type) || Size < FixedSize(Type))
            return;
        if (!PointsFit(Type, R, Size) || !Sane(Type, R, Size) || !LinesWithinBudget(Type, R))
            return;
        if (OneFigure(Type)) {
            Poly(Type, PointList(Type, R));
            return;
        }
        switch (Type) {
        // ---- mapping
        case U_EMR_SETMAPMODE: M.Mode = static_cast<int>(U32(R + 8)); Apply(); break;
        case U_EMR_SETWINDOWEXTEX: M.WindowExt = QSizeF(int32_t(U32(R + 8)), int32_t(U32(R + 12))); Apply(); break;
        case U_EMR_SETWINDOWORGEX: M.WindowOrg = QPointF(int32_t(U32(R + 8)), int32_t(U32(R + 12))); Apply(); break;
        case U_EMR_SETVIEWPORTEXTEX:
            M.ViewportExt = QSizeF(int32_t(U32(R + 8)), int32_t(U32(R + 12)));
            Apply();
            break;
        case U_EMR_SETVIEWPORTORGEX:
            M.ViewportOrg = QPointF(int32_t(U32(R + 8)), int32_t(U32(R + 12)));
            Apply();
            break;
        case U_EMR_SCALEVIEWPORTEXTEX:
        case U_EMR_SCALEWINDOWEXTEX: {
            const int32_t XN = int32_t(U32(R + 8)), XD = int32_t(U32(R + 12));
            const int32_t YN = int32_t(U32(R + 16)), YD = int32_t(U32(R + 20));
            if (!XD || !YD)
                break;
            QSizeF& Ext = Type == U_EMR_SCALEVIEWPORTEXTEX ? M.ViewportExt : M.WindowExt;
            Ext = QSizeF(Ext.width() * XN / XD, Ext.height() * YN / YD);
            Apply();
            break;
        }
        case U_EMR_SETWORLDTRANSFORM: M.World = FromXform(As<U_EMRSETWORLDTRANSFORM>(R).xform); Apply(); break;
        case U_EMR_MODIFYWORLDTRANSFORM: {
            const auto& E = As<U_EMRMODIFYWORLDTRANSFORM>(R);
            const QTransform X = FromXform(E.xform);
            switch (E.iMode) {
            case 1: M.World = QTransform(); break;
            case 2: M.World = X * M.World; break;
            case 3: M.World = M.World * X; break;
            case 4: M.World = X; break;
            default: break;
            }
            Apply();
            break;
        }

        // ---- state
        case U_EMR_SAVEDC:
            if (Saved.size() < 1024) {
                Saved.push_back(M);
                SavedLevels.push_back(SaveDC(DC));
            }
            break;
        case U_EMR_RESTOREDC: {
            const int32_t N = int32_t(U32(R + 8));
            const int Depth = static_cast<int>(Saved.size());
            const int Want = N < 0 ? Depth + N : N - 1;  // entries to keep
            if (Want < 0 || Want >= Depth)
                break;
            RestoreDC(DC, SavedLevels[static_cast<size_t>(Want)]);
            M = Saved[static_cast<size_t>(Want)];
            Saved.resize(static_cast<size_t>(Want));
            SavedLevels.resize(static_cast<size_t>(Want));
            Apply();
            break;
        }
        case U_EMR_SETTEXTCOLOR: SetTextColor(DC, U32(R + 8) & 0xFFFFFF); break;
        case U_EMR_SETBKCOLOR: SetBkColor(DC, U32(R + 8) & 0xFFFFFF); break;
        case U_EMR_SETBKMODE: SetBkMode(DC, static_cast<int>(U32(R + 8))); break;
        case U_EMR_SETTEXTALIGN: SetTextAlign(DC, U32(R + 8)); break;
        case U_EMR_SETROP2: SetROP2(DC, static_cast<int>(U32(R + 8))); break;
        case U_EMR_SETSTRETCHBLTMODE: SetStretchBltMode(DC, static_cast<int>(U32(R + 8))); break;
        case U_EMR_SETPOLYFILLMODE: SetPolyFillMode(DC, static_cast<int>(U32(R + 8))); break;
        case U_EMR_SETBRUSHORGEX: {
            const QPointF P = Frame.map(QPointF(int32_t(U32(R + 8)), int32_t(U32(R + 12))));
            DC->S.BrushOrg = TPoint {RoundDevice(P.x()), RoundDevice(P.y())};
            break;
        }
        case U_EMR_MOVETOEX: MoveToEx(DC, int32_t(U32(R + 8)), int32_t(U32(R + 12)), nullptr); break;

        // ---- clipping
        case U_EMR_INTERSECTCLIPRECT:
        case U_EMR_EXCLUDECLIPRECT: {
            const auto& C = As<U_RECTL>(R + 8);
            if (Type == U_EMR_INTERSECTCLIPRECT)
                IntersectClipRect(DC, C.left, C.top, C.right, C.bottom);
            else
                ExcludeClipRect(DC, C.left, C.top, C.right, C.bottom);
            break;
        }
        case U_EMR_EXTSELECTCLIPRGN: {
            const uint32_t Bytes = U32(R + 8), Mode = U32(R + 12);
            if (Bytes == 0 || Bytes > Size - 16) {
                if (Mode == RGN_COPY)
                    SetClip(std::nullopt);
                break;
            }
            const QRegion Region = RegionOf(R + 16, Bytes);
            const QRegion Current = DC->S.Clip ? *DC->S.Clip : QRegion(QRect(QPoint(0, 0), DC->SurfaceSize()));
            switch (Mode) {
            case RGN_AND: SetClip(Current & Region); break;
            case RGN_OR: SetClip(Current | Region); break;
            case RGN_XOR: SetClip(Current ^ Region); break;
            case RGN_DIFF: SetClip(Current - Region); break;
            case RGN_COPY: SetClip(Region); break;
            default: break;
            }
            break;
        }
        case U_EMR_OFFSETCLIPRGN:
            if (DC->S.Clip) {
                const QPointF D = Frame.map(QPointF(int32_t(U32(R + 8)), int32_t(U32(R + 12)))) - Frame.map(QPointF());
                SetClip(DC->S.Clip->translated(RoundDevice(D.x()), RoundDevice(D.y())));
            }
            break;

        // ---- objects
        case U_EMR_SELECTOBJECT: {
            const uint32_t I = U32(R + 8);
            if (I & U_STOCK_OBJECT) {
                if (HGDIOBJ Stock = GetStockObject(static_cast<int>(I & 0x7FFFFFFF)))
                    SelectObject(DC, Stock);
            } else if (HGDIOBJ O = Slot(I)) {
                SelectObject(DC, O);
            }
            break;
        }
        case U_EMR_DELETEOBJECT: {
            const uint32_t I = U32(R + 8);
            if (I && I < Handles.size() && Handles[I]) {
                DeleteObject(Handles[I]);
                Handles[I] = nullptr;
            }
            break;
        }
        case U_EMR_CREATEPEN: {
            const auto& E = As<U_EMRCREATEPEN>(R);
            const int Style = static_cast<int>(E.lopn.lopnStyle & 0xF);
            Store(E.ihPen, CreatePen(Style <= PS_INSIDEFRAME ? Style : PS_SOLID,
                                   std::clamp(E.lopn.lopnWidth.x, 0, 16384),
                                   RGB(E.lopn.lopnColor.Red, E.lopn.lopnColor.Green, E.lopn.lopnColor.Blue)));
            break;
        }
        case U_EMR_EXTCREATEPEN: {
            const auto& E = As<U_EMREXTCREATEPEN>(R);
            const U_EXTLOGPEN& P = E.elp;
            LOGBRUSH B;
            B.lbStyle = P.elpBrushStyle == BS_HATCHED ? BS_HATCHED : BS_SOLID;
            B.lbColor = RGB(P.elpColor.Red, P.elpColor.Green, P.elpColor.Blue);
            B.lbHatch = P.elpHatch;
            std::vector<DWORD> Styles;
            const size_t EntriesAt = offsetof(U_EMREXTCREATEPEN, elp) + offsetof(U_EXTLOGPEN, elpStyleEntry);
            if ((P.elpPenStyle & 0xF) == PS_USERSTYLE && P.elpNumEntries <= 16
                && EntriesAt + 4 * size_t(P.elpNumEntries) <= Size)
                for (uint32_t I = 0; I < P.elpNumEntries; ++I)
                    Styles.push_back(U32(R + EntriesAt + 4 * I));
            const DWORD Width = std::min<DWORD>(P.elpWidth, 16384);
            HPEN Pen = ExtCreatePen(P.elpPenStyle, Width, B, static_cast<DWORD>(Styles.size()),
                Styles.empty() ? nullptr : Styles.data());
            if (!Pen)
                Pen = CreatePen(PS_SOLID, (P.elpPenStyle & PS_GEOMETRIC) ? static_cast<int>(Width) : 1, B.lbColor);
            Store(E.ihPen, Pen);
            break;
        }
        case U_EMR_CREATEBRUSHINDIRECT: {
            const auto& E = As<U_EMRCREATEBRUSHINDIRECT>(R);
            LOGBRUSH B;
            B.lbStyle = E.lb.lbStyle;
            B.lbColor = RGB(E.lb.lbColor.Red, E.lb.lbColor.Green, E.lb.lbColor.Blue);
            B.lbHatch = E.lb.lbHatch;
            if (B.lbStyle != BS_SOLID && B.lbStyle != BS_NULL && B.lbStyle != BS_HATCHED)
                B.lbStyle = BS_SOLID;
            Store(E.ihBrush, CreateBrushIndirect(B));
            break;
        }
        case U_EMR_CREATEDIBPATTERNBRUSHPT:
        case U_EMR_CREATEMONOBRUSH: {
            const auto& E = As<U_EMRCREATEDIBPATTERNBRUSHPT>(R);
            if (const auto Dib = DibOf(R, Size, E.offBmi, E.cbBmi, E.offBits, E.cbBits))
                Store(E.ihBrush, CreateDIBPatternBrushPt(Dib->Packed.data(), DIB_RGB_COLORS));
            break;
        }
        case U_EMR_EXTCREATEFONTINDIRECTW: {
            const auto& E = As<U_EMREXTCREATEFONTINDIRECTW>(R);
            const U_LOGFONT& L = E.elfw.elfLogFont;
            LOGFONT F;
            // Sizes past any page are a damaged record's.
            F.lfHeight = std::clamp(L.lfHeight, -16384, 16384);
            F.lfWidth = std::clamp(L.lfWidth, -16384, 16384);
            // Angles in tenths of a degree: whole turns dropped.
            F.lfEscapement = L.lfEscapement % 3600;
            F.lfOrientation = L.lfOrientation % 3600;
            F.lfWeight = L.lfWeight;
            F.lfItalic = L.lfItalic;
            F.lfUnderline = L.lfUnderline;
            F.lfStrikeOut = L.lfStrikeOut;
            F.lfCharSet = L.lfCharSet;
            F.lfQuality = L.lfQuality;
            F.lfPitchAndFamily = L.lfPitchAndFamily;
            std::u16string Face;
            for (int I = 0; I < U_LF_FACESIZE && L.lfFaceName[I]; ++I)
                Face += static_cast<char16_t>(L.lfFaceName[I]);
            F.lfFaceName = FromQString(QString::fromStdU16String(Face));
            Store(E.ihFont, CreateFontIndirect(F));
            break;
        }

        // ---- drawing
        case U_EMR_SETPIXELV: {
            const auto& E = As<U_EMRSETPIXELV>(R);
            ::SetPixel(DC, E.ptlPixel.x, E.ptlPixel.y, RGB(E.crColor.Red, E.crColor.Green, E.crColor.Blue));
            break;
        }
        case U_EMR_LINETO: LineTo(DC, int32_t(U32(R + 8)), int32_t(U32(R + 12))); break;
        case U_EMR_RECTANGLE:
        case U_EMR_ELLIPSE: {
            const auto& B = As<U_RECTL>(R + 8);
            if (Type == U_EMR_RECTANGLE)
                ::Rectangle(DC, B.left, B.top, B.right, B.bottom);
            else
                ::Ellipse(DC, B.left, B.top, B.right, B.bottom);
            break;
        }
        case U_EMR_ROUNDRECT: {
            const auto& E = As<U_EMRROUNDRECT>(R);
            ::RoundRect(DC, E.rclBox.left, E.rclBox.top, E.rclBox.right, E.rclBox.bottom, E.szlCorner.cx,
                E.szlCorner.cy);
            break;
        }
        case U_EMR_POLYPOLYLINE16:
        case U_EMR_POLYPOLYLINE: PolyPoly(Type, R, false); break;
        case U_EMR_POLYPOLYGON16:
        case U_EMR_POLYPOLYGON: PolyPoly(Type, R, true); break;
        case U_EMR_BEGINPATH: BeginPath(DC); break;
        case U_EMR_ENDPATH: EndPath(DC); break;
        case U_EMR_CLOSEFIGURE: CloseFigure(DC); break;
        case U_EMR_ABORTPATH: AbortPath(DC); break;
        case U_EMR_FILLPATH: FillPath(DC); break;
        case U_EMR_STROKEPATH: StrokePath(DC); break;
        case U_EMR_STROKEANDFILLPATH: StrokeAndFillPath(DC); break;
        case U_EMR_EXTTEXTOUTW: Text(R, Size, true); break;
        case U_EMR_EXTTEXTOUTA: Text(R, Size, false); break;
        case U_EMR_BITBLT:
        case U_EMR_STRETCHBLT:
        case U_EMR_TRANSPARENTBLT:
        case U_EMR_ALPHABLEND: Blit(Type, R, Size); break;
        case U_EMR_STRETCHDIBITS: {
            const auto& E = As<U_EMRSTRETCHDIBITS>(R);
            if (E.cbBmiSrc == 0) {
                PatBlt(DC, E.Dest.x, E.Dest.y, E.cDest.x, E.cDest.y, E.dwRop);
                break;
            }
            const auto Dib = DibOf(R, Size, E.offBmiSrc, E.cbBmiSrc, E.offBitsSrc, E.cbBitsSrc);
            if (!Dib)
                break;
            const BITMAPINFOHEADER& Hd = Dib->Info()->bmiHeader;
            if (Hd.biBitCount == 1 || !E.cSrc.x || !E.cSrc.y || !E.cDest.x || !E.cDest.y) {
                StretchDIBits(DC, E.Dest.x, E.Dest.y, E.cDest.x, E.cDest.y, E.Src.x, E.Src.y, E.cSrc.x, E.cSrc.y,
                    Dib->Bits(), *Dib->Info(), DIB_RGB_COLORS, E.dwRop);
                break;
            }
            // Through the shared picture: a bottom-up DIB counts its source
            // rows from the lower edge.
            const auto Image = PictureCache::Instance().Find(*Dib);
            if (!Image)
                break;
            const int Top = Hd.biHeight > 0 ? Image->height() - E.Src.y - E.cSrc.y : E.Src.y;
            Source S;
            S.Bitmap = CreateBitmapObject(*Image, false);
            S.Memory = CreateCompatibleDC(nullptr);
            SelectObject(S.Memory, S.Bitmap);
            StretchBlt(DC, E.Dest.x, E.Dest.y, E.cDest.x, E.cDest.y, S.Memory, E.Src.x, Top, E.cSrc.x, E.cSrc.y,
                E.dwRop);
            break;
        }
        case U_EMR_SETDIBITSTODEVICE: {
            const auto& E = As<U_EMRSETDIBITSTODEVICE>(R);
            if (const auto Dib = DibOf(R, Size, E.offBmiSrc, E.cbBmiSrc, E.offBitsSrc, E.cbBitsSrc))
                SetDIBitsToDevice(DC, E.Dest.x, E.Dest.y, static_cast<DWORD>(E.cSrc.x), static_cast<DWORD>(E.cSrc.y),
                    E.Src.x, E.Src.y, 0, static_cast<UINT>(std::abs(Dib->Info()->bmiHeader.biHeight)), Dib->Bits(),
                    *Dib->Info(), DIB_RGB_COLORS);
            break;
        }
        default:
            // Comments, palettes, colour management, and kinds we do not
            // draw: skipped.
            break;
        }
    }
};

}  // namespace

size_t CheckEnhMetaFileBits(const void* DataPtr, size_t Size, std::string* Error)
{
    const char* Data = static_cast<const char*>(DataPtr);
    if (!Data || !CheckHeader(Data, Size, Error))
        return 0;
    const size_t Length = As<U_EMRHEADER>(Data).nBytes;
    constexpr size_t ShortRecord = 512;
    std::string Long;
    size_t At = U32(Data + 4);
    while (At < Length) {
        if (Length - At < 8)
            return Fail(Error, "truncated record"), 0;
        const uint32_t Type = U32(Data + At), RecordSize = U32(Data + At + 4);
        if (RecordSize < 8 || RecordSize % 4 || RecordSize > Length - At)
            return Fail(Error, "bad record size"), 0;
        if (Type == U_EMR_HEADER)
            return Fail(Error, "second header"), 0;
        // The kinds we play are checked; the others are skipped unread.
        if (Played(Type)) {
            // Its checks read the fixed part of a record before looking at
            // its size: copy short records so they read only their own bytes.
            // Most records are short: their copy stays on the stack.
            const char* Safe = nullptr;
            alignas(16) char Short[ShortRecord];
            if (RecordSize <= ShortRecord) {
                std::memcpy(Short, Data + At, RecordSize);
                std::memset(Short + RecordSize, 0, ShortRecord - RecordSize);
                Safe = Short;
            } else {
                Long.assign(Data + At, RecordSize);
                Safe = Long.data();
            }
            if (!U_emf_record_safe(Safe) || !ContentsSound(Type, Data + At, RecordSize))
                return Fail(Error, "damaged record"), 0;
        }
        At += RecordSize;
        if (Type == U_EMR_EOF)
            return Length;
    }
    return Fail(Error, "no end record"), 0;
}

BOOL PlayEnhMetaFileBits(HDC DC, const void* Data, size_t Size, const TRect& Rect)
{
    if (!DC || !TargetOf(DC))
        return false;
    const size_t Length = CheckEnhMetaFileBits(Data, Size);
    if (!Length)
        return false;
    Player P(DC, static_cast<const char*>(Data), Rect);
    P.Play(Length);
    return true;
}
