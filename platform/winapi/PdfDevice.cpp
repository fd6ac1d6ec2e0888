// The PDF writer's device, its paint engine and the file it writes. Pages
// are written as they close: the content stream deflated, then the page
// object. Images are written when first drawn; fonts, the shared resource
// dictionary, the page tree, the catalogue and the cross-reference table
// when the file is finished.

#include "platform/winapi/PdfDevice.h"

#include "platform/winapi/PdfDevicePrivate.h"

#include <QFile>
#include <QFileInfo>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QPageLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRawFont>
#include <QTextItem>

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <unordered_map>

namespace {

/// The deflate level of content streams, fonts and images. Measured on
/// the streams of 1,000 price tags (900 KB): levels 1 to 3 take 2.9 ms
/// (117 to 112 KB), 4 and 6 take 4.6 ms (106 and 99 KB): 1.7 ms more on
/// a print of about 14 ms for a tenth less file.
constexpr int DeflateLevel = 3;

/// Deflates streams with one zlib state kept for the file: setting a state
/// up cost a sixth of deflating a page's content.
class Deflater {
public:
    Deflater()
    {
        FOk = deflateInit(&FStream, DeflateLevel) == Z_OK;
    }
    ~Deflater()
    {
        if (FOk)
            deflateEnd(&FStream);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    /// Data deflated; false when zlib fails.
    bool Run(const char* Data, size_t Size, std::string& Out)
    {
        if (!FOk || deflateReset(&FStream) != Z_OK)
            return false;
        Out.resize(deflateBound(&FStream, static_cast<uLong>(Size)));
        FStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data));
        FStream.avail_in = static_cast<uInt>(Size);
        FStream.next_out = reinterpret_cast<Bytef*>(Out.data());
        FStream.avail_out = static_cast<uInt>(Out.size());
        if (deflate(&FStream, Z_FINISH) != Z_STREAM_END)
            return false;
        Out.resize(FStream.total_out);
        return true;
    }

private:
    z_stream FStream {};
    bool FOk = false;
};

uint64_t HashBytes(const uchar* Data, size_t Size, uint64_t Seed)
{
    uint64_t H = Seed ^ 0x9E3779B97F4A7C15ull;
    size_t I = 0;
    for (; I + 8 <= Size; I += 8) {
        uint64_t W;
        std::memcpy(&W, Data + I, 8);
        H = (H ^ W) * 0x100000001B3ull;
        H ^= H >> 29;
    }
    for (; I < Size; ++I)
        H = (H ^ Data[I]) * 0x100000001B3ull;
    return H;
}

/// A hash of Image's pixels (a line's padding left out) and colours.
uint64_t HashImage(const QImage& Image)
{
    uint64_t H = (uint64_t(Image.width()) << 32) ^ uint64_t(Image.height()) ^ (uint64_t(Image.format()) << 48);
    const size_t LineBytes = (size_t(Image.width()) * size_t(Image.depth()) + 7) / 8;
    for (int Y = 0; Y < Image.height(); ++Y)
        H = HashBytes(Image.constScanLine(Y), LineBytes, H);
    const QList<QRgb> Colours = Image.colorTable();
    if (!Colours.isEmpty())
        H = HashBytes(reinterpret_cast<const uchar*>(Colours.constData()), size_t(Colours.size()) * sizeof(QRgb), H);
    return H;
}

/// A picture's pixels as the file stores them: RGB bytes, and grey alpha
/// bytes when some pixel is not opaque.
struct ImageBytes {
    int Width = 0, Height = 0;
    std::string Rgb;
    std::string Alpha;
};

ImageBytes SplitImage(const QImage& Source)
{
    ImageBytes Out;
    const QImage Image = Source.convertToFormat(Source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    Out.Width = Image.width();
    Out.Height = Image.height();
    Out.Rgb.resize(size_t(Out.Width) * size_t(Out.Height) * 3);
    const bool HasAlpha = Image.hasAlphaChannel();
    if (HasAlpha)
        Out.Alpha.resize(size_t(Out.Width) * size_t(Out.Height));
    bool Translucent = false;
    char* Rgb = Out.Rgb.data();
    char* Alpha = Out.Alpha.data();
    for (int Y = 0; Y < Out.Height; ++Y) {
        const auto* Line = reinterpret_cast<const QRgb*>(Image.constScanLine(Y));
        for (int X = 0; X < Out.Width; ++X) {
            const QRgb P = Line[X];
            *Rgb++ = static_cast<char>(qRed(P));
            *Rgb++ = static_cast<char>(qGreen(P));
            *Rgb++ = static_cast<char>(qBlue(P));
            if (HasAlpha) {
                *Alpha++ = static_cast<char>(qAlpha(P));
                Translucent |= qAlpha(P) != 255;
            }
        }
    }
    if (!Translucent)
        Out.Alpha.clear();
    return Out;
}

}  // namespace

// ---- the engine ----------------------------------------------------------------------------------

class PdfEngine final : public QPaintEngine {
public:
    explicit PdfEngine(PdfDevice& Device)
        : QPaintEngine(PaintEngineFeatures(AllFeatures) & ~(PerspectiveTransform | BlendModes | PorterDuff
            | RasterOpModes)),
          FDevice(Device)
    {
    }
    ~PdfEngine() override
    {
        if (FOut)
            std::fclose(FOut);
    }

    Type type() const override { return User; }

    bool begin(QPaintDevice*) override
    {
        if (FFinished)
            return false;
        if (!FOut && !Open())
            return false;
        // A painter begun again (after another one ended) draws on the page
        // still open, from the default state.
        FMatrix = QTransform();
        FPen = QPen();
        FBrush = QBrush();
        FOpacity = 1;
        FClip = {};
        ++FClipSerial;
        return true;
    }

    bool end() override { return true; }

    void updateState(const QPaintEngineState& S) override
    {
        const DirtyFlags Flags = S.state();
        if (Flags & DirtyTransform)
            FMatrix = S.transform();
        if (Flags & DirtyPen)
            FPen = S.pen();
        if (Flags & DirtyBrush)
            FBrush = S.brush();
        if (Flags & DirtyBrushOrigin)
            FBrushOrigin = S.brushOrigin();
        if (Flags & DirtyOpacity)
            FOpacity = std::clamp(S.opacity(), 0.0, 1.0);
        if (Flags & DirtyClipPath)
            SetClip(S.clipOperation(), QPainterPath(S.clipPath()), std::nullopt);
        else if (Flags & DirtyClipRegion)
            SetClip(S.clipOperation(), std::nullopt, S.clipRegion());
        if (Flags & DirtyClipEnabled) {
            if (FClip.Enabled != S.isClipEnabled()) {
                FClip.Enabled = S.isClipEnabled();
                ++FClipSerial;
            }
        }
    }

    void drawPath(const QPainterPath& Path) override { Draw(Path, true, true); }

    void drawPolygon(const QPointF* Points, int Count, PolygonDrawMode Mode) override
    {
        if (Count < 2)
            return;
        QPainterPath Path;
        Path.moveTo(Points[0]);
        for (int I = 1; I < Count; ++I)
            Path.lineTo(Points[I]);
        if (Mode == PolylineMode) {
            Draw(Path, false, true);
            return;
        }
        Path.closeSubpath();
        Path.setFillRule(Mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
        Draw(Path, true, true);
    }

    void drawRects(const QRectF* Rects, int Count) override
    {
        for (int I = 0; I < Count; ++I) {
            QPainterPath Path;
            Path.addRect(Rects[I]);
            Draw(Path, true, true);
        }
    }

    void drawLines(const QLineF* Lines, int Count) override
    {
        QPainterPath Path;
        for (int I = 0; I < Count; ++I) {
            Path.moveTo(Lines[I].p1());
            Path.lineTo(Lines[I].p2());
        }
        Draw(Path, false, true);
    }

    void drawPixmap(const QRectF& R, const QPixmap& Pixmap, const QRectF& SR) override
    {
        const QRect Part = SR.toAlignedRect() & Pixmap.rect();
        if (Part.isEmpty())
            return;
        const ImageKey Key {true, Pixmap.cacheKey(), Part};
        const auto Found = FImageKeys.find(Key);
        if (Found != FImageKeys.end()) {
            PlaceImage(Found->second, R, FMatrix);
            return;
        }
        QImage Image = Pixmap.toImage();
        if (Part != Image.rect())
            Image = Image.copy(Part);
        const int Name = ImageObject(Image);
        FImageKeys.emplace(Key, Name);
        PlaceImage(Name, R, FMatrix);
    }

    void drawImage(const QRectF& R, const QImage& Image, const QRectF& SR, Qt::ImageConversionFlags) override
    {
        const QRect Part = SR.toAlignedRect() & Image.rect();
        if (Part.isEmpty())
            return;
        const ImageKey Key {false, Image.cacheKey(), Part};
        const auto Found = FImageKeys.find(Key);
        if (Found != FImageKeys.end()) {
            PlaceImage(Found->second, R, FMatrix);
            return;
        }
        const int Name = ImageObject(Part == Image.rect() ? Image : Image.copy(Part));
        FImageKeys.emplace(Key, Name);
        PlaceImage(Name, R, FMatrix);
    }

    // Text QPainter shaped itself (text it does not hand over as glyphs):
    // laid out again in the raw font of the item's font, without kerning,
    // which this program's fonts do not use.
    void drawTextItem(const QPointF& P, const QTextItem& Item) override
    {
        const QString Text = Item.text();
        if (Text.isEmpty())
            return;
        const QFont Font = Item.font();
        QRawFont Raw = QRawFont::fromFont(Font);
        if (!Raw.isValid())
            return;
        if (Font.pixelSize() <= 0)
            Raw.setPixelSize(Font.pointSizeF() * FDevice.Layout().Dpi / 72.0);
        const QList<quint32> Glyphs = Raw.glyphIndexesForString(Text);
        const QList<QPointF> Advances = Raw.advancesForGlyphIndexes(Glyphs);
        QList<QPointF> Positions;
        Positions.reserve(Glyphs.size());
        QPointF At;
        for (qsizetype I = 0; I < Glyphs.size(); ++I) {
            Positions.append(At);
            At += I < Advances.size() ? Advances[I] : QPointF();
        }
        DrawGlyphs(Raw, Glyphs, Positions, P, FPen.color());
    }

    /// Glyphs of Raw at Origin + Positions (painter coordinates), one text
    /// object; a line break in the positions starts a new text line.
    void DrawGlyphs(const QRawFont& Raw, const QList<quint32>& Glyphs, const QList<QPointF>& Positions,
        const QPointF& Origin, const QColor& Color)
    {
        if (Glyphs.isEmpty() || !Raw.isValid())
            return;
        PdfFace& Face = FaceOf(Raw);
        if (!Face.Embeddable()) {
            GlyphsAsPaths(Raw, Glyphs, Positions, Origin, Color);
            return;
        }
        const double Size = Raw.pixelSize();
        if (!(Size > 0) || OutsideClip(Glyphs, Positions, Origin, Size))
            return;
        Prepare();
        SetFill(Color.rgb());
        SetAlpha(Color.alphaF() * FOpacity, FWritten.StrokeAlpha);
        std::string& O = FContent;
        O += "BT\n";
        if (FWritten.Font != Face.Index()) {
            O += "/F";
            PdfInt(O, Face.Index());
            O += " 1 Tf\n";
            FWritten.Font = Face.Index();
        }
        const QTransform& M = FMatrix;
        const double Per = 1000.0 / Size;
        // Glyphs are written into a buffer appended to the page when nearly
        // full: text is most of a page, and appending bit by bit costs more
        // than working the numbers out.
        static const char Hex[] = "0123456789ABCDEF";
        constexpr size_t Room = 4096, MostAGlyph = 8 * PdfNumChars;
        char B[Room];
        char* W = B;
        bool InArray = false;
        double LineY = 0, NextX = 0;
        const qsizetype N = std::min(Glyphs.size(), Positions.size());
        for (qsizetype I = 0; I < N; ++I) {
            if (static_cast<size_t>(W - B) > Room - MostAGlyph) {
                O.append(B, W);
                W = B;
            }
            const quint32 G = Glyphs[I];
            const QPointF P = Origin + Positions[I];
            Face.Use(G);
            if (I == 0 || std::abs(P.y() - LineY) > 1e-3) {
                if (InArray) {
                    std::memcpy(W, ">]TJ\n", 5);
                    W += 5;
                }
                const QPointF D = M.map(P);
                for (const double V : {Size * M.m11(), Size * M.m12(), -Size * M.m21(), -Size * M.m22(), D.x()}) {
                    W = PdfNumTo(W, V);
                    *W++ = ' ';
                }
                W = PdfNumTo(W, D.y());
                std::memcpy(W, " Tm[<", 5);
                W += 5;
                InArray = true;
                LineY = P.y();
                NextX = P.x();
            } else {
                // Thousandths of the em the glyph stands away from where the
                // previous one's advance put it.
                const double Away = (P.x() - NextX) * Per;
                if (std::abs(Away) >= 0.5 && std::abs(Away) < 1e12) {
                    const auto Shift = static_cast<long long>(Away < 0 ? Away - 0.5 : Away + 0.5);
                    *W++ = '>';
                    W = PdfIntTo(W, -Shift);
                    *W++ = '<';
                    NextX += static_cast<double>(Shift) / Per;
                }
            }
            *W++ = Hex[(G >> 12) & 15];
            *W++ = Hex[(G >> 8) & 15];
            *W++ = Hex[(G >> 4) & 15];
            *W++ = Hex[G & 15];
            NextX += Face.Width(G) / Per;
        }
        if (InArray) {
            std::memcpy(W, ">]TJ\n", 5);
            W += 5;
        }
        std::memcpy(W, "ET\n", 3);
        W += 3;
        O.append(B, W);
    }

    /// Whether glyphs at those positions (each within an em of its place)
    /// all fall outside the clip: text a report cut off is left out, as it
    /// would be found by text extraction though it is not seen.
    bool OutsideClip(const QList<quint32>& Glyphs, const QList<QPointF>& Positions, const QPointF& Origin,
        double Size)
    {
        if (!FClip.Enabled || Glyphs.isEmpty() || Positions.isEmpty())
            return false;
        const QRectF& Bounds = ClipBounds();
        double Left = Positions[0].x(), Right = Left, Top = Positions[0].y(), Bottom = Top;
        for (const QPointF& P : Positions) {
            Left = std::min(Left, P.x());
            Right = std::max(Right, P.x());
            Top = std::min(Top, P.y());
            Bottom = std::max(Bottom, P.y());
        }
        const QRectF Box = QRectF(QPointF(Left - Size, Top - Size), QPointF(Right + Size, Bottom + Size))
                               .translated(Origin);
        return !FMatrix.mapRect(Box).intersects(Bounds);
    }

    /// The device bounds of the clip (when enabled).
    const QRectF& ClipBounds()
    {
        if (FClipBoundsSerial != FClipSerial) {
            FClipBoundsSerial = FClipSerial;
            FClipBounds = FClip.IsRegion ? QRectF(FClip.Region.boundingRect()) : FClip.Path.boundingRect();
        }
        return FClipBounds;
    }

    // ---- the document

    bool NewPage()
    {
        if (!FOut || FFailed)
            return false;
        ClosePage();
        return !FFailed;
    }

    void SetTitle(const QString& Title) { FTitle = Title; }
    bool Started() const { return FOut != nullptr; }

    bool Finish()
    {
        if (FFinished)
            return FResult;
        FFinished = true;
        if (!FOut)
            return FResult = false;
        ClosePage();
        WriteFonts();
        WriteTrailer();
        if (std::fflush(FOut) != 0)
            FFailed = true;
        if (std::fclose(FOut) != 0)
            FFailed = true;
        FOut = nullptr;
        if (FFailed)
            RemoveFile();
        return FResult = !FFailed;
    }

    void Discard()
    {
        if (FFinished)
            return;
        FFinished = true;
        if (!FOut)
            return;
        std::fclose(FOut);
        FOut = nullptr;
        RemoveFile();
    }

private:
    struct ClipState {
        bool Enabled = false;
        /// A clip of device rectangles (Path empty) or a device path.
        bool IsRegion = true;
        QRegion Region;
        QPainterPath Path;
    };

    /// The graphics state the content stream has set at this point (Font
    /// -1: none yet); PDF's initial state to begin with.
    struct Written {
        QRgb Fill = 0xFF000000;
        QRgb Stroke = 0xFF000000;
        double LineWidth = 1;
        int Cap = 0, Join = 0;
        double Miter = 10;
        std::string Dash = "[] 0";
        int Font = -1;
        double FillAlpha = 1, StrokeAlpha = 1;
    };

    /// A part of an image or a pixmap, by its cache key (images and pixmaps
    /// count their keys apart).
    struct ImageKey {
        bool Pixmap;
        qint64 Cache;
        QRect Part;
        bool operator<(const ImageKey& O) const
        {
            const auto A = std::make_tuple(Pixmap, Cache, Part.x(), Part.y(), Part.width(), Part.height());
            return A < std::make_tuple(O.Pixmap, O.Cache, O.Part.x(), O.Part.y(), O.Part.width(), O.Part.height());
        }
    };

    PdfDevice& FDevice;
    std::FILE* FOut = nullptr;
    long long FOffset = 0;
    bool FFailed = false;
    bool FFinished = false;
    bool FResult = false;
    QString FTitle;
    /// Byte offset of each object by number (0: not written yet).
    std::vector<long long> FXref;
    std::vector<int> FPages;
    bool FPageOpen = false;
    std::string FContent;

    QTransform FMatrix;
    QPen FPen;
    QBrush FBrush;
    QPointF FBrushOrigin;
    double FOpacity = 1;
    ClipState FClip;
    /// Counts changes of the clip; the stream's clip is the one of
    /// FClipWritten's count.
    unsigned FClipSerial = 1, FClipWritten = 0;
    /// The clip's device bounds, of FClipBoundsSerial's clip.
    QRectF FClipBounds;
    unsigned FClipBoundsSerial = 0;
    bool FInClip = false;
    Written FWritten, FOuter;

    std::vector<std::unique_ptr<PdfFace>> FFaces;
    /// Raw fonts seen (one per size of a face) and their face.
    std::vector<std::pair<QRawFont, PdfFace*>> FRawFaces;
    PdfFace* FLastFace = nullptr;
    QRawFont FLastRaw;
    /// Image objects by the picture's cache key and part, and by content.
    std::map<ImageKey, int> FImageKeys;
    /// Pictures written, by a hash of their pixels: the picture (to tell
    /// pictures of one hash apart) and its resource number.
    std::unordered_multimap<uint64_t, std::pair<QImage, int>> FImageHashes;
    /// Object number of each image, by its resource number.
    std::vector<int> FImages;
    /// Soft transparency states by (fill, stroke) alpha in 1/255.
    std::map<std::pair<int, int>, int> FAlphaStates;

    Deflater FZip;
    std::string FZipped;

    /// Data deflated into a buffer the next call reuses; a failure of zlib
    /// fails the file.
    const std::string& Deflate(const char* Data, size_t Size)
    {
        if (!FZip.Run(Data, Size, FZipped)) {
            FFailed = true;
            FZipped.clear();
        }
        return FZipped;
    }

    static constexpr int CatalogObject = 1, PagesObject = 2, ResourcesObject = 3, InfoObject = 4;

    // ---- file

    bool Open()
    {
        FOut = std::fopen(QFile::encodeName(FDevice.FileName()).constData(), "wb");
        if (!FOut)
            return false;
        std::setvbuf(FOut, nullptr, _IOFBF, 1 << 16);
        FXref.assign(InfoObject + 1, 0);
        Put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
        return !FFailed;
    }

    void RemoveFile()
    {
        // Only a file this job made: the name may be a device.
        const QFileInfo Info(FDevice.FileName());
        if (Info.isFile())
            QFile::remove(FDevice.FileName());
    }

    void Put(const char* Data, size_t Size)
    {
        if (FFailed || !FOut)
            return;
        if (std::fwrite(Data, 1, Size, FOut) != Size)
            FFailed = true;
        FOffset += static_cast<long long>(Size);
    }
    void Put(const std::string& S) { Put(S.data(), S.size()); }
    void Put(const char* S) { Put(S, std::strlen(S)); }

    int NewObject()
    {
        FXref.push_back(0);
        return static_cast<int>(FXref.size()) - 1;
    }

    void BeginObject(int N)
    {
        FXref[static_cast<size_t>(N)] = FOffset;
        std::string S;
        PdfInt(S, N);
        S += " 0 obj\n";
        Put(S);
    }

    /// A stream object of Dict's entries (without Length) and Data.
    void StreamObject(int N, const std::string& Dict, const std::string& Data)
    {
        BeginObject(N);
        std::string S = "<<";
        S += Dict;
        S += " /Length ";
        PdfInt(S, static_cast<long long>(Data.size()));
        S += " >>\nstream\n";
        Put(S);
        Put(Data);
        Put("\nendstream\nendobj\n");
    }

    void PlainObject(int N, const std::string& Body)
    {
        BeginObject(N);
        Put(Body);
        Put("\nendobj\n");
    }

    // ---- pages

    void StartPage()
    {
        FPageOpen = true;
        FContent.clear();
        FWritten = Written();
        FInClip = false;
        FClipWritten = 0;
        // Device pixels, y down, from the printable area's corner.
        const PdfPageLayout& L = FDevice.Layout();
        const double Scale = 72.0 / L.Dpi;
        FContent += "q ";
        PdfNum(FContent, Scale);
        FContent += " 0 0 ";
        PdfNum(FContent, -Scale);
        FContent += ' ';
        PdfNum(FContent, L.Offset.x() * Scale);
        FContent += ' ';
        PdfNum(FContent, L.PaperPoints.height() - L.Offset.y() * Scale);
        FContent += " cm\n";
    }

    void ClosePage()
    {
        if (!FPageOpen)
            StartPage();
        if (FInClip)
            FContent += "Q\n";
        FContent += "Q\n";
        FPageOpen = false;
        FInClip = false;
        const int Contents = NewObject();
        StreamObject(Contents, " /Filter /FlateDecode", Deflate(FContent.data(), FContent.size()));
        FContent.clear();
        const int Page = NewObject();
        const PdfPageLayout& L = FDevice.Layout();
        std::string S = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ";
        PdfInt(S, L.PaperPoints.width());
        S += ' ';
        PdfInt(S, L.PaperPoints.height());
        S += "] /Resources 3 0 R /Contents ";
        PdfInt(S, Contents);
        S += " 0 R >>";
        PlainObject(Page, S);
        FPages.push_back(Page);
    }

    // ---- state

    void SetClip(Qt::ClipOperation Op, std::optional<QPainterPath> Path, std::optional<QRegion> Region)
    {
        ++FClipSerial;
        if (Op == Qt::NoClip) {
            FClip = {};
            return;
        }
        ClipState New;
        New.Enabled = true;
        // Rectangles stay rectangles under a transform that keeps them so.
        if (Region && FMatrix.type() <= QTransform::TxScale) {
            QRegion Mapped;
            for (const QRect& R : *Region)
                Mapped += FMatrix.mapRect(QRectF(R)).toRect();
            New.Region = Mapped;
        } else {
            New.IsRegion = false;
            if (Region) {
                QPainterPath P;
                P.addRegion(*Region);
                New.Path = FMatrix.map(P);
            } else {
                New.Path = FMatrix.map(*Path);
            }
        }
        if (Op == Qt::IntersectClip && FClip.Enabled) {
            if (New.IsRegion && FClip.IsRegion) {
                New.Region &= FClip.Region;
            } else {
                const QPainterPath Old = ClipAsPath(FClip);
                New.Path = ClipAsPath(New).intersected(Old);
                New.IsRegion = false;
            }
        }
        FClip = std::move(New);
    }

    static QPainterPath ClipAsPath(const ClipState& C)
    {
        if (!C.IsRegion)
            return C.Path;
        QPainterPath P;
        P.addRegion(C.Region);
        return P;
    }

    /// Opens the page and brings the stream's clip up to date.
    void Prepare()
    {
        if (!FPageOpen)
            StartPage();
        if (FClipWritten == FClipSerial)
            return;
        FClipWritten = FClipSerial;
        if (FInClip) {
            FContent += "Q\n";
            FWritten = FOuter;
            FInClip = false;
        }
        if (!FClip.Enabled)
            return;
        FOuter = FWritten;
        FInClip = true;
        FContent += "q\n";
        if (FClip.IsRegion) {
            if (FClip.Region.isEmpty())
                FContent += "0 0 0 0 re\n";
            for (const QRect& R : FClip.Region) {
                PdfInt(FContent, R.x());
                FContent += ' ';
                PdfInt(FContent, R.y());
                FContent += ' ';
                PdfInt(FContent, R.width());
                FContent += ' ';
                PdfInt(FContent, R.height());
                FContent += " re\n";
            }
            FContent += "W n\n";
            return;
        }
        WritePath(FClip.Path, QTransform());
        if (FClip.Path.isEmpty())
            FContent += "0 0 0 0 re\n";
        FContent += FClip.Path.fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n";
    }

    // Components with three decimals, so that each of the 256 levels
    // reads back as itself.
    void Colour(QRgb C)
    {
        for (const int Level : {qRed(C), qGreen(C), qBlue(C)}) {
            const int Thousandths = (Level * 1000 + 127) / 255;
            char Digits[8];
            char* W = Digits;
            if (Thousandths >= 1000) {
                *W++ = '1';
            } else if (Thousandths == 0) {
                *W++ = '0';
            } else {
                *W++ = '.';
                *W++ = static_cast<char>('0' + Thousandths / 100);
                *W++ = static_cast<char>('0' + Thousandths / 10 % 10);
                *W++ = static_cast<char>('0' + Thousandths % 10);
            }
            *W++ = ' ';
            FContent.append(Digits, W);
        }
        FContent.pop_back();
    }

    void SetFill(QRgb C)
    {
        C |= 0xFF000000u;
        if (FWritten.Fill == C)
            return;
        FWritten.Fill = C;
        Colour(C);
        FContent += " rg\n";
    }

    void SetStroke(QRgb C)
    {
        C |= 0xFF000000u;
        if (FWritten.Stroke == C)
            return;
        FWritten.Stroke = C;
        Colour(C);
        FContent += " RG\n";
    }

    void SetAlpha(double Fill, double Stroke)
    {
        const int F = static_cast<int>(std::lround(std::clamp(Fill, 0.0, 1.0) * 255));
        const int S = static_cast<int>(std::lround(std::clamp(Stroke, 0.0, 1.0) * 255));
        if (std::lround(FWritten.FillAlpha * 255) == F && std::lround(FWritten.StrokeAlpha * 255) == S)
            return;
        FWritten.FillAlpha = F / 255.0;
        FWritten.StrokeAlpha = S / 255.0;
        const auto Key = std::make_pair(F, S);
        auto Found = FAlphaStates.find(Key);
        if (Found == FAlphaStates.end())
            Found = FAlphaStates.emplace(Key, static_cast<int>(FAlphaStates.size())).first;
        FContent += "/GS";
        PdfInt(FContent, Found->second);
        FContent += " gs\n";
    }

    /// The pen's width on the device: a cosmetic pen (or one of no width)
    /// is as wide as stated in device pixels, at least one.
    double DevicePenWidth() const
    {
        const double W = FPen.widthF();
        if (FPen.isCosmetic() || W <= 0)
            return std::max(W, 1.0);
        return W * std::sqrt(std::abs(FMatrix.determinant()));
    }

    void SetPen()
    {
        SetStroke(FPen.color().rgb());
        const double W = DevicePenWidth();
        if (std::abs(FWritten.LineWidth - W) > 1e-6) {
            FWritten.LineWidth = W;
            PdfNum(FContent, W);
            FContent += " w\n";
        }
        int Cap = 0;
        switch (FPen.capStyle()) {
        case Qt::FlatCap: Cap = 0; break;
        case Qt::RoundCap: Cap = 1; break;
        default: Cap = 2; break;
        }
        if (FWritten.Cap != Cap) {
            FWritten.Cap = Cap;
            PdfInt(FContent, Cap);
            FContent += " J\n";
        }
        int Join = 0;
        switch (FPen.joinStyle()) {
        case Qt::RoundJoin: Join = 1; break;
        case Qt::BevelJoin: Join = 2; break;
        default: Join = 0; break;
        }
        if (FWritten.Join != Join) {
            FWritten.Join = Join;
            PdfInt(FContent, Join);
            FContent += " j\n";
        }
        if (Join == 0 && std::abs(FWritten.Miter - std::max(1.0, FPen.miterLimit())) > 1e-6) {
            FWritten.Miter = std::max(1.0, FPen.miterLimit());
            PdfNum(FContent, FWritten.Miter);
            FContent += " M\n";
        }
        std::string Dash = "[] 0";
        if (FPen.style() != Qt::SolidLine) {
            // Dashes are in pen widths, as Qt measures them.
            const double Unit = std::max(W, 1.0);
            Dash = "[";
            for (const qreal D : FPen.dashPattern()) {
                PdfNum(Dash, D * Unit);
                Dash += ' ';
            }
            Dash += "] ";
            PdfNum(Dash, FPen.dashOffset() * Unit);
        }
        if (FWritten.Dash != Dash) {
            FWritten.Dash = Dash;
            FContent += Dash;
            FContent += " d\n";
        }
    }

    // ---- drawing

    void WritePoint(const QPointF& P)
    {
        PdfNum(FContent, P.x());
        FContent += ' ';
        PdfNum(FContent, P.y());
    }

    /// Path mapped by M into the stream (closed subpaths closed with h).
    void WritePath(const QPainterPath& Path, const QTransform& M)
    {
        const bool Identity = M.isIdentity();
        const auto Map = [&](const QPainterPath::Element& E) {
            return Identity ? QPointF(E.x, E.y) : M.map(QPointF(E.x, E.y));
        };
        QPointF Start, Last;
        bool Open = false;
        const int N = Path.elementCount();
        for (int I = 0; I < N; ++I) {
            const QPainterPath::Element& E = Path.elementAt(I);
            switch (E.type) {
            case QPainterPath::MoveToElement:
                if (Open && Last == Start)
                    FContent += "h\n";
                Start = Last = Map(E);
                Open = true;
                WritePoint(Last);
                FContent += " m\n";
                break;
            case QPainterPath::LineToElement:
                Last = Map(E);
                WritePoint(Last);
                FContent += " l\n";
                break;
            case QPainterPath::CurveToElement:
                if (I + 2 < N) {
                    WritePoint(Map(E));
                    FContent += ' ';
                    WritePoint(Map(Path.elementAt(I + 1)));
                    FContent += ' ';
                    Last = Map(Path.elementAt(I + 2));
                    WritePoint(Last);
                    FContent += " c\n";
                }
                I += 2;
                break;
            case QPainterPath::CurveToDataElement:
                break;
            }
        }
        if (Open && Last == Start && N > 2)
            FContent += "h\n";
    }

    static bool Solid(const QBrush& B) { return B.style() == Qt::SolidPattern; }

    void Draw(const QPainterPath& Path, bool Fill, bool Stroke)
    {
        const bool DoFill = Fill && FBrush.style() != Qt::NoBrush;
        const bool DoStroke = Stroke && FPen.style() != Qt::NoPen;
        if (!DoFill && !DoStroke)
            return;
        // A brush or pen the file cannot state natively (hatches, textures,
        // gradients) is drawn into an image of its place on the page.
        if ((DoFill && !Solid(FBrush)) || (DoStroke && !Solid(FPen.brush()))) {
            DrawAsImage(Path, DoFill, DoStroke);
            return;
        }
        Prepare();
        const double FillAlpha = DoFill ? FBrush.color().alphaF() * FOpacity : FWritten.FillAlpha;
        const double StrokeAlpha = DoStroke ? FPen.color().alphaF() * FOpacity : FWritten.StrokeAlpha;
        SetAlpha(FillAlpha, StrokeAlpha);
        if (DoFill)
            SetFill(FBrush.color().rgb());
        if (DoStroke)
            SetPen();
        WritePath(Path, FMatrix);
        const bool EvenOdd = Path.fillRule() == Qt::OddEvenFill;
        if (DoFill && DoStroke)
            FContent += EvenOdd ? "B*\n" : "B\n";
        else if (DoFill)
            FContent += EvenOdd ? "f*\n" : "f\n";
        else
            FContent += "S\n";
    }

    void DrawAsImage(const QPainterPath& Path, bool Fill, bool Stroke)
    {
        QRectF Box = FMatrix.map(Path).boundingRect();
        if (Stroke)
            Box.adjust(-DevicePenWidth() - 2, -DevicePenWidth() - 2, DevicePenWidth() + 2, DevicePenWidth() + 2);
        const QRect Page(QPoint(-FDevice.Layout().Offset.x(), -FDevice.Layout().Offset.y()),
            FDevice.Layout().Physical);
        // Only what the clip lets through is drawn: a hatched band across a
        // clipped cell need not become a picture of the page.
        QRect Area = Box.toAlignedRect() & Page;
        if (FClip.Enabled)
            Area &= ClipBounds().toAlignedRect();
        if (Area.isEmpty())
            return;
        QImage Image(Area.size(), QImage::Format_ARGB32_Premultiplied);
        Image.fill(Qt::transparent);
        {
            QPainter P(&Image);
            P.setTransform(FMatrix * QTransform::fromTranslate(-Area.x(), -Area.y()));
            P.setBrushOrigin(FBrushOrigin);
            P.setBrush(Fill ? FBrush : QBrush(Qt::NoBrush));
            P.setPen(Stroke ? FPen : QPen(Qt::NoPen));
            P.drawPath(Path);
        }
        const int Name = ImageObject(Image);
        PlaceImage(Name, QRectF(Area), QTransform());
    }

    void GlyphsAsPaths(const QRawFont& Raw, const QList<quint32>& Glyphs, const QList<QPointF>& Positions,
        const QPointF& Origin, const QColor& Color)
    {
        QPainterPath All;
        const qsizetype N = std::min(Glyphs.size(), Positions.size());
        for (qsizetype I = 0; I < N; ++I)
            All.addPath(Raw.pathForGlyph(Glyphs[I]).translated(Origin + Positions[I]));
        const QPen OldPen = std::exchange(FPen, QPen(Qt::NoPen));
        const QBrush OldBrush = std::exchange(FBrush, QBrush(Color));
        Draw(All, true, false);
        FPen = OldPen;
        FBrush = OldBrush;
    }

    /// The resource number of Image's object, written now unless the same
    /// pixels were written before.
    int ImageObject(const QImage& Image)
    {
        const uint64_t Hash = HashImage(Image);
        const auto [From, To] = FImageHashes.equal_range(Hash);
        for (auto It = From; It != To; ++It)
            if (It->second.first == Image)
                return It->second.second;
        const ImageBytes Bytes = SplitImage(Image);
        const int Object = NewObject();
        std::string Dict;
        const auto Header = [&](const char* Space) {
            Dict = " /Type /XObject /Subtype /Image /Width ";
            PdfInt(Dict, Bytes.Width);
            Dict += " /Height ";
            PdfInt(Dict, Bytes.Height);
            Dict += " /ColorSpace ";
            Dict += Space;
            Dict += " /BitsPerComponent 8 /Filter /FlateDecode";
        };
        int Mask = 0;
        if (!Bytes.Alpha.empty()) {
            Mask = NewObject();
            Header("/DeviceGray");
            StreamObject(Mask, Dict, Deflate(Bytes.Alpha.data(), Bytes.Alpha.size()));
        }
        Header("/DeviceRGB");
        if (Mask) {
            Dict += " /SMask ";
            PdfInt(Dict, Mask);
            Dict += " 0 R";
        }
        StreamObject(Object, Dict, Deflate(Bytes.Rgb.data(), Bytes.Rgb.size()));
        const int Name = static_cast<int>(FImages.size());
        FImages.push_back(Object);
        FImageHashes.emplace(Hash, std::make_pair(Image, Name));
        return Name;
    }

    /// Draws image Name into R (painter coordinates under M).
    void PlaceImage(int Name, const QRectF& R, const QTransform& M)
    {
        Prepare();
        SetAlpha(FOpacity, FOpacity);
        const QPointF Corner = M.map(QPointF(R.left(), R.bottom()));
        FContent += "q ";
        PdfNum(FContent, R.width() * M.m11());
        FContent += ' ';
        PdfNum(FContent, R.width() * M.m12());
        FContent += ' ';
        PdfNum(FContent, -R.height() * M.m21());
        FContent += ' ';
        PdfNum(FContent, -R.height() * M.m22());
        FContent += ' ';
        WritePoint(Corner);
        FContent += " cm /Im";
        PdfInt(FContent, Name);
        FContent += " Do Q\n";
    }

    // ---- fonts

    PdfFace& FaceOf(const QRawFont& Raw)
    {
        if (FLastFace && FLastRaw == Raw)
            return *FLastFace;
        PdfFace* Face = nullptr;
        for (const auto& [Seen, F] : FRawFaces)
            if (Seen == Raw) {
                Face = F;
                break;
            }
        if (!Face) {
            // Another size of a face already met shares its embedding.
            for (const auto& F : FFaces) {
                const QRawFont& O = F->Raw();
                if (PdfFamilyOf(O) == PdfFamilyOf(Raw) && O.styleName() == Raw.styleName()
                    && O.weight() == Raw.weight() && O.style() == Raw.style()) {
                    Face = F.get();
                    break;
                }
            }
            if (!Face) {
                FFaces.push_back(std::make_unique<PdfFace>(Raw, static_cast<int>(FFaces.size())));
                Face = FFaces.back().get();
            }
            FRawFaces.emplace_back(Raw, Face);
        }
        FLastFace = Face;
        FLastRaw = Raw;
        return *Face;
    }

    /// Type0 font objects by face index.
    std::vector<int> FFontObjects;

    void WriteFonts()
    {
        for (const auto& Face : FFaces) {
            if (!Face->Embeddable() || !Face->AnyUsed()) {
                FFontObjects.push_back(0);
                continue;
            }
            const int Type0 = NewObject(), Cid = NewObject(), Descriptor = NewObject(), File = NewObject(),
                      Unicode = NewObject();
            FFontObjects.push_back(Type0);
            const std::string Name = Face->SubsetName();
            const QByteArray Font = Face->SubsetFile();
            std::string Dict = " /Filter /FlateDecode /Length1 ";
            PdfInt(Dict, Font.size());
            StreamObject(File, Dict, Deflate(Font.constData(), static_cast<size_t>(Font.size())));
            const std::string Map = Face->ToUnicode();
            StreamObject(Unicode, " /Filter /FlateDecode", Deflate(Map.data(), Map.size()));
            std::string D = "<< /Type /FontDescriptor /FontName /" + Name + " /Flags 4 " + Face->DescriptorMetrics()
                + " /ItalicAngle 0 /StemV 80 /FontFile2 ";
            PdfInt(D, File);
            D += " 0 R >>";
            PlainObject(Descriptor, D);
            std::string C = "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + Name
                + " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor ";
            PdfInt(C, Descriptor);
            C += " 0 R /CIDToGIDMap /Identity /W " + Face->WidthArray() + " >>";
            PlainObject(Cid, C);
            std::string T = "<< /Type /Font /Subtype /Type0 /BaseFont /" + Name
                + " /Encoding /Identity-H /DescendantFonts [";
            PdfInt(T, Cid);
            T += " 0 R] /ToUnicode ";
            PdfInt(T, Unicode);
            T += " 0 R >>";
            PlainObject(Type0, T);
        }
    }

    void WriteTrailer()
    {
        std::string R = "<< /ProcSet [/PDF /Text /ImageB /ImageC]";
        R += " /Font <<";
        for (size_t I = 0; I < FFontObjects.size(); ++I) {
            if (!FFontObjects[I])
                continue;
            R += " /F";
            PdfInt(R, static_cast<long long>(I));
            R += ' ';
            PdfInt(R, FFontObjects[I]);
            R += " 0 R";
        }
        R += " >> /XObject <<";
        for (size_t I = 0; I < FImages.size(); ++I) {
            R += " /Im";
            PdfInt(R, static_cast<long long>(I));
            R += ' ';
            PdfInt(R, FImages[I]);
            R += " 0 R";
        }
        R += " >> /ExtGState <<";
        for (const auto& [Alpha, Name] : FAlphaStates) {
            R += " /GS";
            PdfInt(R, Name);
            R += " << /ca ";
            PdfNum(R, Alpha.first / 255.0);
            R += " /CA ";
            PdfNum(R, Alpha.second / 255.0);
            R += " >>";
        }
        R += " >> >>";
        PlainObject(ResourcesObject, R);

        std::string P = "<< /Type /Pages /Count ";
        PdfInt(P, static_cast<long long>(FPages.size()));
        P += " /Kids [";
        for (const int Page : FPages) {
            PdfInt(P, Page);
            P += " 0 R ";
        }
        P += "] >>";
        PlainObject(PagesObject, P);
        PlainObject(CatalogObject, "<< /Type /Catalog /Pages 2 0 R >>");
        std::string I = "<< /Producer ";
        PdfTextString(I, QStringLiteral("pricetags"));
        if (!FTitle.isEmpty()) {
            I += " /Title ";
            PdfTextString(I, FTitle);
        }
        I += " >>";
        PlainObject(InfoObject, I);

        const long long XrefAt = FOffset;
        std::string X = "xref\n0 ";
        PdfInt(X, static_cast<long long>(FXref.size()));
        X += "\n0000000000 65535 f \n";
        for (size_t N = 1; N < FXref.size(); ++N) {
            char Line[24];
            std::snprintf(Line, sizeof Line, "%010lld 00000 n \n", FXref[N]);
            X += Line;
        }
        X += "trailer\n<< /Size ";
        PdfInt(X, static_cast<long long>(FXref.size()));
        X += " /Root 1 0 R /Info 4 0 R >>\nstartxref\n";
        PdfInt(X, XrefAt);
        X += "\n%%EOF\n";
        Put(X);
    }
};

// ---- the device -----------------------------------------------------------------------------------

PdfPageLayout PdfLayoutOf(const QPageLayout& Layout, int Dpi)
{
    const QRect Full = Layout.fullRectPixels(Dpi);
    const QRect Paint = Layout.paintRectPixels(Dpi);
    return PdfPageLayout {Full.size(), Paint.topLeft() - Full.topLeft(), Paint.size(), Dpi,
        Layout.fullRectPoints().size()};
}

PdfDevice::PdfDevice(const QString& File, const PdfPageLayout& Layout)
    : FFile(File), FLayout(Layout), FEngine(std::make_unique<PdfEngine>(*this))
{
}

PdfDevice::~PdfDevice()
{
    if (FEngine->Started())
        (void)FEngine->Finish();
}

QPaintEngine* PdfDevice::paintEngine() const
{
    return FEngine.get();
}

void PdfDevice::SetTitle(const QString& Title)
{
    FEngine->SetTitle(Title);
}

bool PdfDevice::NewPage()
{
    return FEngine->NewPage();
}

bool PdfDevice::Finish()
{
    return FEngine->Finish();
}

void PdfDevice::Discard()
{
    FEngine->Discard();
}

int PdfDevice::metric(PaintDeviceMetric M) const
{
    const double MmPerPixel = 25.4 / FLayout.Dpi;
    switch (M) {
    case PdmWidth: return FLayout.Printable.width();
    case PdmHeight: return FLayout.Printable.height();
    case PdmWidthMM: return static_cast<int>(std::lround(FLayout.Printable.width() * MmPerPixel));
    case PdmHeightMM: return static_cast<int>(std::lround(FLayout.Printable.height() * MmPerPixel));
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return FLayout.Dpi;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
    }
    return QPaintDevice::metric(M);
}

PdfEngine* PdfEngineOf(QPainter& P)
{
    QPaintEngine* E = P.paintEngine();
    if (!E || E->type() != QPaintEngine::User)
        return nullptr;
    return dynamic_cast<PdfEngine*>(E);
}

void PdfDrawGlyphs(PdfEngine& Engine, const QRawFont& Font, const QList<quint32>& Glyphs,
    const QList<QPointF>& Positions, const QPointF& Origin, const QColor& Color)
{
    // The painter hands its state to an engine only before it draws: this
    // drawing goes round it, so the state is handed over first.
    Engine.syncState();
    Engine.DrawGlyphs(Font, Glyphs, Positions, Origin, Color);
}
