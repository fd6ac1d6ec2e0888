// Fonts, text metrics and extents, text output (ExtTextOut, and the
// drawing of text that every backend shares) and the DrawText engine.

#include "platform/winapi/DcBackend.h"
#include "platform/winapi/DeviceContexts.h"
#include "platform/winapi/PdfDevice.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QTextLayout>
#include <QThread>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// ---- faces ---------------------------------------------------------------------

namespace {

struct FaceMapping {
    const char* Face;
    const char* Family;
    bool TrueType;
    bool Alias;  // another name of a listed face, not shown in font lists
};

// The program's faces and the installed families that stand for them: the
// metric-compatible Liberation faces, DejaVu for the wide screen faces
// (their nearest look; widths differ), Liberation Sans for the other sans
// faces that have no metric twin. The bitmap faces of the original system are
// marked, since the program asks whether a font is TrueType.
constexpr FaceMapping Faces[] = {
    {"Arial", "Liberation Sans", true, false},
    {"Arial Cyr", "Liberation Sans", true, true},
    {"Arial Narrow", "Liberation Sans Narrow", true, false},
    {"Times New Roman", "Liberation Serif", true, false},
    {"Times New Roman Cyr", "Liberation Serif", true, true},
    {"Courier New", "Liberation Mono", true, false},
    {"Courier New Cyr", "Liberation Mono", true, true},
    {"Courier", "Liberation Mono", false, false},
    {"MS Sans Serif", "Liberation Sans", false, false},
    {"Microsoft Sans Serif", "Liberation Sans", true, false},
    {"MS Shell Dlg", "Liberation Sans", true, true},
    {"MS Shell Dlg 2", "Liberation Sans", true, true},
    {"MS Serif", "Liberation Serif", false, false},
    {"System", "Liberation Sans", false, false},
    {"Fixedsys", "Liberation Mono", false, false},
    {"Terminal", "Liberation Mono", false, false},
    {"Small Fonts", "Liberation Sans", false, false},
    {"Tahoma", "DejaVu Sans", true, false},
    {"Verdana", "DejaVu Sans", true, false},
    {"Lucida Console", "DejaVu Sans Mono", true, false},
};

bool SameFace(const AnsiString& A, const char* B)
{
    const std::string& S = A.Std();
    size_t I = 0;
    for (; I < S.size() && B[I]; ++I)
        if (std::tolower(static_cast<unsigned char>(S[I])) != std::tolower(static_cast<unsigned char>(B[I])))
            return false;
    return I == S.size() && !B[I];
}

const FaceMapping* FindFace(const AnsiString& Face)
{
    for (const FaceMapping& M : Faces)
        if (SameFace(Face, M.Face))
            return &M;
    return nullptr;
}

}  // namespace

AnsiString MapFontFace(const AnsiString& Face)
{
    const FaceMapping* M = FindFace(Face);
    return M ? AnsiString(M->Family) : Face;
}

std::vector<AnsiString> ProgramFaceNames()
{
    std::vector<AnsiString> Names;
    for (const FaceMapping& M : Faces)
        if (!M.Alias && QFontDatabase::hasFamily(QString::fromLatin1(M.Family)))
            Names.emplace_back(M.Face);
    return Names;
}

bool FaceIsTrueType(const AnsiString& Face)
{
    const FaceMapping* M = FindFace(Face);
    return M ? M->TrueType : true;
}

QFont MakeQtFont(const LOGFONT& LF)
{
    AnsiString Family = MapFontFace(LF.lfFaceName);
    if (Family.IsEmpty()) {
        // No face: the family follows the pitch and family bits.
        const int FamilyBits = LF.lfPitchAndFamily & 0xF0;
        if ((LF.lfPitchAndFamily & 3) == FIXED_PITCH || FamilyBits == FF_MODERN)
            Family = "Liberation Mono";
        else if (FamilyBits == FF_ROMAN)
            Family = "Liberation Serif";
        else
            Family = "Liberation Sans";
    }
    QFont F(ToQString(Family));
    F.setKerning(false);
    F.setHintingPreference(QFont::PreferFullHinting);
    int Strategy = QFont::PreferMatch;
    if (LF.lfQuality == NONANTIALIASED_QUALITY)
        Strategy |= QFont::NoAntialias;
    F.setStyleStrategy(static_cast<QFont::StyleStrategy>(Strategy));
    const int Weight = LF.lfWeight <= 0 ? FW_NORMAL : std::clamp(LF.lfWeight, 100, 900);
    F.setWeight(static_cast<QFont::Weight>(Weight));
    F.setItalic(LF.lfItalic != 0);
    F.setUnderline(LF.lfUnderline != 0);
    F.setStrikeOut(LF.lfStrikeOut != 0);
    if ((LF.lfPitchAndFamily & 3) == FIXED_PITCH)
        F.setFixedPitch(true);
    if (LF.lfHeight < 0) {
        F.setPixelSize(std::min(-int64_t(LF.lfHeight), int64_t(MaxFontPixels)));
    } else {
        // A cell height: scale the character size so that ascent plus
        // descent comes to the requested height.
        const int Cell = std::min(LF.lfHeight == 0 ? 16 : LF.lfHeight, MaxFontPixels);
        F.setPixelSize(Cell);
        const QFontMetrics M(F);
        const int Height = M.ascent() + M.descent();
        // A face that cannot be made at that size reports the metrics of
        // another: the quotient is kept to the bound too.
        if (Height > 0 && Height != Cell)
            F.setPixelSize(static_cast<int>(std::clamp<int64_t>(int64_t(Cell) * Cell / Height, 1, MaxFontPixels)));
    }
    return F;
}

namespace {

/// Hash and equality that let a table keyed by std::string be searched with
/// a string_view, so a look-up makes no copy of the text.
struct BytesHash {
    using is_transparent = void;
    size_t operator()(std::string_view S) const { return std::hash<std::string_view>()(S); }
};
struct BytesEqual {
    using is_transparent = void;
    bool operator()(std::string_view A, std::string_view B) const { return A == B; }
};

}  // namespace

// ---- plain text
//
// Shaping a text (itemizing, the glyph lookup, positioning) costs far more
// than the glyphs it finds, and the program's texts need none of it: in the
// program's faces every character of the code page has a glyph of its own,
// placed at the advance of the glyph before it, since kerning is off and
// these faces join none of these characters. Such text is laid out from a
// table of glyphs and advances per font, which gives the glyphs and
// positions shaping gives (a test draws every pair of these characters both
// ways); other text, and text in other faces, is shaped.

namespace {

bool& FullShapingOn()
{
    static bool On = false;
    return On;
}

/// Punctuation of the code page beyond Latin-1.
constexpr char16_t PlainPunctuation[] = {0x2013, 0x2014, 0x2018, 0x2019, 0x201A, 0x201C, 0x201D, 0x201E, 0x2020,
    0x2021, 0x2022, 0x2026, 0x2030, 0x2039, 0x203A, 0x20AC, 0x2116, 0x2122};
constexpr int PlainCyrillic = 0x100;
constexpr int PlainUkrainianGhe = PlainCyrillic + 0x60;
constexpr int PlainPunctuationSlot = PlainUkrainianGhe + 2;
constexpr int PlainSlotCount = PlainPunctuationSlot + static_cast<int>(std::size(PlainPunctuation));

/// The place of a character in a font's table: printable Latin-1 (but the
/// soft hyphen, which shaping hides), the Cyrillic letters and the code
/// page's punctuation; -1 for a character that is shaped.
int PlainSlot(char16_t U)
{
    if (U < 0x100)
        return (U >= 0x20 && U < 0x7F) || (U >= 0xA0 && U != 0xAD) ? U : -1;
    if (U >= 0x400 && U < 0x460)
        return PlainCyrillic + (U - 0x400);
    if (U == 0x490 || U == 0x491)
        return PlainUkrainianGhe + (U - 0x490);
    for (int I = 0; I < static_cast<int>(std::size(PlainPunctuation)); ++I)
        if (PlainPunctuation[I] == U)
            return PlainPunctuationSlot + I;
    return -1;
}

/// Families whose glyphs for those characters stand alone. DejaVu Sans
/// joins "fi", "fl" and "ff" into one glyph, so its text is shaped.
constexpr const char* PlainFamilies[] = {"Liberation Sans", "Liberation Serif", "Liberation Mono",
    "Liberation Sans Narrow", "DejaVu Sans Mono"};

/// The glyph and advance of each plain character in one font, read from the
/// font when the character is first met.
class PlainGlyphs {
public:
    /// The table of Font as drawn on Device (null: as measured). Nothing is
    /// plain unless the font found is of a plain family and the one asked
    /// for: a stand-in for a missing face may differ from script to script.
    PlainGlyphs(const QFont& Font, const QPaintDevice* Device)
        : FRaw(QRawFont::fromFont(Device ? QFont(Font, Device) : Font))
    {
        if (!FRaw.isValid() || FRaw.familyName() != Font.family())
            return;
        for (const char* F : PlainFamilies)
            FOn |= Font.family() == QLatin1String(F);
    }

    const QRawFont& Raw() const { return FRaw; }

    /// Lays S out from the left end of its baseline: the glyphs, their
    /// positions (either may be null) and the whole advance, in pixels.
    /// False, the outputs in any state, when S is empty or has a character
    /// that is not plain or not in the font.
    bool Lay(const QString& S, QList<quint32>* Glyphs, QList<QPointF>* Positions, qreal& Advance)
    {
        const qsizetype N = S.size();
        if (!FOn || N == 0)
            return false;
        if (FTable.empty())
            FTable.resize(PlainSlotCount);
        quint32* G = nullptr;
        QPointF* P = nullptr;
        if (Glyphs) {
            Glyphs->resize(N);
            G = Glyphs->data();
        }
        if (Positions) {
            Positions->resize(N);
            P = Positions->data();
        }
        qreal X = 0;
        for (qsizetype I = 0; I < N; ++I) {
            const QChar C = S[I];
            const int Slot = PlainSlot(C.unicode());
            if (Slot < 0)
                return false;
            Glyph& Entry = FTable[static_cast<size_t>(Slot)];
            if (Entry.Advance < 0)
                Read(C, Entry);
            if (Entry.Index == 0)
                return false;
            if (G)
                G[I] = Entry.Index;
            if (P)
                P[I] = QPointF(X, 0);
            X += Entry.Advance;
        }
        Advance = X;
        return true;
    }

private:
    struct Glyph {
        /// 0: the font has no glyph for the character.
        quint32 Index = 0;
        /// Negative until read.
        qreal Advance = -1;
    };

    void Read(QChar C, Glyph& Entry) const
    {
        int Count = 1;
        if (!FRaw.glyphIndexesForChars(&C, 1, &Entry.Index, &Count) || Count != 1)
            Entry.Index = 0;
        QPointF Step;
        if (Entry.Index != 0 && !FRaw.advancesForGlyphIndexes(&Entry.Index, &Step, 1))
            Entry.Index = 0;
        Entry.Advance = Step.x();
    }

    QRawFont FRaw;
    bool FOn = false;
    /// By PlainSlot; empty until the first text.
    std::vector<Glyph> FTable;
};

}  // namespace

FullTextShapingScope::FullTextShapingScope() : FOld(std::exchange(FullShapingOn(), true)) {}

FullTextShapingScope::~FullTextShapingScope()
{
    FullShapingOn() = FOld;
}

/// A font description realised: the Qt font, its metrics and measures, and
/// the widths measured in it (bounded: see AdvanceCacheLimit).
struct RealisedFont {
    explicit RealisedFont(const LOGFONT& LF) : Font(MakeQtFont(LF)), Metrics(Font) {}

    QFont Font;
    QFontMetrics Metrics;
    std::optional<FontMeasures> Measures;
    QHash<QString, int> Advances;
    /// The same widths by the CP1251 bytes of the text: the canvas measures
    /// its 8-bit texts without making a Unicode copy first.
    std::unordered_map<std::string, int, BytesHash, BytesEqual> ByteAdvances;
    /// Widths of the characters below U+0500 (every CP1251 letter), -1 for
    /// one not measured yet; others in CharAdvances.
    std::vector<int> LowAdvances;
    QHash<char16_t, int> CharAdvances;
    /// Plain text's glyphs in Font; made on the first measure.
    std::optional<PlainGlyphs> Plain;
};

namespace {

struct DescriptionHash {
    size_t operator()(const LOGFONT& F) const
    {
        size_t H = std::hash<std::string>()(F.lfFaceName.Std());
        for (int V : {F.lfHeight, F.lfWidth, F.lfEscapement, F.lfOrientation, F.lfWeight, int(F.lfItalic),
                 int(F.lfUnderline), int(F.lfStrikeOut), int(F.lfCharSet), int(F.lfOutPrecision),
                 int(F.lfClipPrecision), int(F.lfQuality), int(F.lfPitchAndFamily)})
            H = H * 1000003u ^ static_cast<size_t>(V);
        return H;
    }
};

using FontTable = std::unordered_map<LOGFONT, std::shared_ptr<RealisedFont>, DescriptionHash>;

FontTable*& FontTableSlot()
{
    static FontTable* Table = nullptr;
    return Table;
}

/// Frees the table when the application goes (its fonts are the
/// application's); a later application starts a new one.
void ClearFontTable()
{
    delete std::exchange(FontTableSlot(), nullptr);
}

/// Past this many descriptions the table starts again; fonts in use keep
/// theirs.
constexpr size_t FontTableLimit = 512;

/// The realised font of a description: shared through the GUI thread's
/// table, made apart on other threads.
std::shared_ptr<RealisedFont> Realise(const LOGFONT& LF)
{
    const QCoreApplication* App = QCoreApplication::instance();
    if (!App || QThread::currentThread() != App->thread())
        return std::make_shared<RealisedFont>(LF);
    FontTable*& Table = FontTableSlot();
    if (!Table) {
        Table = new FontTable;
        qAddPostRoutine(ClearFontTable);
    }
    const auto Found = Table->find(LF);
    if (Found != Table->end())
        return Found->second;
    if (Table->size() >= FontTableLimit)
        Table->clear();
    auto Font = std::make_shared<RealisedFont>(LF);
    Table->emplace(LF, Font);
    return Font;
}

RealisedFont& RealisedOf(GdiObject& Font)
{
    if (!Font.Realised)
        Font.Realised = Realise(Font.LogFont);
    return *Font.Realised;
}

}  // namespace

const QFont& QtFontOf(GdiObject& Font)
{
    return RealisedOf(Font).Font;
}

const QFontMetrics& MetricsOf(GdiObject& Font)
{
    return RealisedOf(Font).Metrics;
}

namespace {

bool& FixedMetricsOn()
{
    static bool On = false;
    return On;
}

/// The fixed metrics' character height of a font request.
int FixedHeight(const LOGFONT& LF)
{
    if (LF.lfHeight < 0)
        return -LF.lfHeight;
    return std::max(1, (LF.lfHeight == 0 ? 16 : LF.lfHeight) - 2);
}

}  // namespace

void SetFixedFontMetrics(bool On)
{
    FixedMetricsOn() = On;
}

bool FixedFontMetrics()
{
    return FixedMetricsOn();
}

FixedFontMetricsScope::FixedFontMetricsScope() : FOld(FixedFontMetrics())
{
    SetFixedFontMetrics(true);
}

FixedFontMetricsScope::~FixedFontMetricsScope()
{
    SetFixedFontMetrics(FOld);
}

namespace {

/// The realised font's measures, whatever SetFixedFontMetrics says.
const FontMeasures& RealMeasuresOf(GdiObject& Font)
{
    RealisedFont& R = RealisedOf(Font);
    if (!R.Measures) {
        const QFontMetrics& M = R.Metrics;
        const int Height = M.ascent() + M.descent();
        R.Measures = FontMeasures {M.ascent(), M.descent(), std::max(0, Height - R.Font.pixelSize()),
            std::max(0, M.leading()), M.averageCharWidth(), M.maxWidth()};
    }
    return *R.Measures;
}

/// Characters whose widths a font keeps in a plain table.
constexpr char16_t LowCharacters = 0x500;

/// Past this many texts a font's table of widths starts again: a screen of
/// cells or a page of tags measures far fewer distinct texts per font.
constexpr qsizetype AdvanceCacheLimit = 8192;

}  // namespace

FontMeasures MeasuresOf(GdiObject& Font)
{
    if (FixedMetricsOn()) {
        const int H = FixedHeight(Font.LogFont);
        const int Advance = H / 2 + (Font.LogFont.lfWeight >= FW_SEMIBOLD ? 1 : 0);
        return FontMeasures {H, 2, 2, 1, Advance, Advance};
    }
    return RealMeasuresOf(Font);
}

int TextAdvance(GdiObject& Font, const QString& S)
{
    if (S.isEmpty())
        return 0;
    if (FixedMetricsOn())
        return static_cast<int>(S.size()) * MeasuresOf(Font).AveWidth;
    RealisedFont& R = RealisedOf(Font);
    if (FullShapingOn())
        return R.Metrics.horizontalAdvance(S);
    // Plain text adds up its glyphs' advances, as shaping does, and costs
    // less than finding it kept.
    if (!R.Plain)
        R.Plain.emplace(R.Font, nullptr);
    qreal Plain = 0;
    if (R.Plain->Lay(S, nullptr, nullptr, Plain))
        return qRound(Plain);
    // Measuring other text shapes it; layout measures the same words again
    // and again.
    const auto Found = R.Advances.constFind(S);
    if (Found != R.Advances.constEnd())
        return *Found;
    if (R.Advances.size() >= AdvanceCacheLimit)
        R.Advances.clear();
    const int Width = R.Metrics.horizontalAdvance(S);
    R.Advances.insert(S, Width);
    return Width;
}

namespace {

/// The width of CP1251 text (Count bytes, Count > 0) in the realised font.
int BytesAdvance(GdiObject& Font, const char* Text, int Count)
{
    if (FixedMetricsOn())
        return Count * MeasuresOf(Font).AveWidth;
    RealisedFont& R = RealisedOf(Font);
    const std::string_view Key(Text, static_cast<size_t>(Count));
    const auto Found = R.ByteAdvances.find(Key);
    if (Found != R.ByteAdvances.end())
        return Found->second;
    if (R.ByteAdvances.size() >= static_cast<size_t>(AdvanceCacheLimit))
        R.ByteAdvances.clear();
    const int Width = TextAdvance(Font, ToQString(Text, Count));
    R.ByteAdvances.emplace(Key, Width);
    return Width;
}

}  // namespace

int CharAdvance(GdiObject& Font, QChar C)
{
    if (FixedMetricsOn())
        return MeasuresOf(Font).AveWidth;
    RealisedFont& R = RealisedOf(Font);
    const char16_t U = C.unicode();
    if (U < LowCharacters) {
        if (R.LowAdvances.empty())
            R.LowAdvances.assign(LowCharacters, -1);
        int& Width = R.LowAdvances[U];
        if (Width < 0)
            Width = R.Metrics.horizontalAdvance(C);
        return Width;
    }
    const auto Found = R.CharAdvances.constFind(U);
    if (Found != R.CharAdvances.constEnd())
        return *Found;
    const int Width = R.Metrics.horizontalAdvance(C);
    R.CharAdvances.insert(U, Width);
    return Width;
}

namespace {

GdiObject& SelectedFont(HDC DC)
{
    GdiObject* F = AsKind(DC->S.Font, GdiKind::Font);
    if (!F)
        F = AsKind(GetStockObject(SYSTEM_FONT), GdiKind::Font);
    return *F;
}

int TextWidth(GdiObject& Font, const QString& S)
{
    return TextAdvance(Font, S);
}

int CellHeight(GdiObject& Font)
{
    const FontMeasures M = MeasuresOf(Font);
    return M.Ascent + M.Descent;
}

QString FromUtf16(const char16_t* Text, int Count)
{
    if (!Text)
        return {};
    if (Count < 0)
        return QString::fromUtf16(Text);
    return QString::fromUtf16(Text, Count);
}

QString FromBytes(const char* Text, int Count)
{
    if (!Text)
        return {};
    if (Count < 0)
        Count = static_cast<int>(std::char_traits<char>::length(Text));
    return ToQString(Text, Count);
}

}  // namespace

BOOL GetTextMetrics(HDC DC, TEXTMETRIC& TM)
{
    if (!DC)
        return false;
    GdiObject& F = SelectedFont(DC);
    const FontMeasures M = MeasuresOf(F);
    const QFont& Q = QtFontOf(F);
    const LOGFONT& LF = F.LogFont;
    TM = TEXTMETRIC {};
    TM.tmAscent = M.Ascent;
    TM.tmDescent = M.Descent;
    TM.tmHeight = TM.tmAscent + TM.tmDescent;
    TM.tmInternalLeading = M.InternalLeading;
    TM.tmExternalLeading = M.ExternalLeading;
    TM.tmAveCharWidth = M.AveWidth;
    TM.tmMaxCharWidth = M.MaxWidth;
    TM.tmWeight = LF.lfWeight <= 0 ? FW_NORMAL : LF.lfWeight;
    TM.tmItalic = LF.lfItalic;
    TM.tmUnderlined = LF.lfUnderline;
    TM.tmStruckOut = LF.lfStrikeOut;
    const bool Fixed = QFontInfo(Q).fixedPitch();
    Byte Pitch = Fixed ? 0 : TMPF_FIXED_PITCH;
    if (FaceIsTrueType(LF.lfFaceName))
        Pitch |= TMPF_TRUETYPE | TMPF_VECTOR;
    TM.tmPitchAndFamily = static_cast<Byte>(Pitch | (LF.lfPitchAndFamily & 0xF0));
    TM.tmCharSet = LF.lfCharSet == DEFAULT_CHARSET ? Byte(RUSSIAN_CHARSET) : LF.lfCharSet;
    return true;
}

namespace {

BOOL ExtentOf(HDC DC, const QString& S, TSize& Size)
{
    if (!DC)
        return false;
    GdiObject& F = SelectedFont(DC);
    Size = {TextWidth(F, S), CellHeight(F)};
    return true;
}

}  // namespace

BOOL GetTextExtentPoint32(HDC DC, const char* Text, int Count, TSize& Size)
{
    if (!DC)
        return false;
    if (Text && Count < 0)
        Count = static_cast<int>(std::char_traits<char>::length(Text));
    if (!Text || Count <= 0)
        return ExtentOf(DC, QString(), Size);
    GdiObject& F = SelectedFont(DC);
    Size = {BytesAdvance(F, Text, Count), CellHeight(F)};
    return true;
}

BOOL GetTextExtentPoint32W(HDC DC, const char16_t* Text, int Count, TSize& Size)
{
    return ExtentOf(DC, FromUtf16(Text, Count), Size);
}

// ---- text output -------------------------------------------------------------------

int TextCallWidth(const DrawContext& C, const TextCall& T)
{
    if (!T.Dx.empty()) {
        int Width = 0;
        for (int D : T.Dx)
            Width += D;
        return Width;
    }
    return TextWidth(C.Font, T.Text);
}

namespace {

// ---- shaped text
//
// Shaping a text (itemizing, the glyph lookup, advances) costs far more than
// drawing its glyphs, and a screen of grid cells or a run of printed pages
// repeats the same few texts and, when they come from a metafile with their
// advances, the same few characters. So the glyphs of a text in a font are
// kept and drawn again as glyph runs.

/// A text laid out in one font for one kind of device: its glyph runs, with
/// positions from the left end of the baseline, as QPainter::drawText places
/// them. Not Plain when the runs cannot stand for the text (line breaks,
/// tabs and other control characters): Qt then draws it each time.
struct ShapedText {
    std::vector<QGlyphRun> Runs;
    /// The same glyphs taken apart, for gathering into other runs.
    std::vector<GlyphRunParts> Parts;
    bool Plain = true;
};

/// The texts and characters shaped in one font for devices of one
/// resolution.
struct FontShapes {
    FontShapes(const QFont& Font, const QPaintDevice* Device) : Plain(Font, Device) {}

    QHash<QString, ShapedText> Texts;
    QHash<char16_t, ShapedText> Chars;
    PlainGlyphs Plain;
};

/// A font as the program realised it (the painter's resolution of it
/// against the device depends only on the device's resolution) and the
/// device's dots per inch.
struct ShapeFont {
    QFont Font;
    QSize Dpi;

    bool operator==(const ShapeFont& O) const { return Dpi == O.Dpi && Font == O.Font; }
};

struct ShapeFontHash {
    size_t operator()(const ShapeFont& K) const
    {
        return qHash(K.Font, size_t(K.Dpi.width()) * 4099u + size_t(K.Dpi.height()));
    }
};

/// Past this many texts a font's shapes start again: enough for every text
/// of a few screens or pages, small next to the memory a page takes. The
/// fonts are bounded likewise.
constexpr qsizetype ShapeCacheLimit = 16384;
constexpr size_t ShapeFontLimit = 256;

/// The shapes by font, and the font asked for last (text comes in runs of
/// one font).
struct ShapeCache {
    std::unordered_map<ShapeFont, FontShapes, ShapeFontHash> Fonts;
    std::optional<ShapeFont> LastFont;
    FontShapes* Last = nullptr;
};

ShapeCache*& ShapeCacheSlot()
{
    static ShapeCache* Cache = nullptr;
    return Cache;
}

/// Frees the cache when the application goes, since its glyph runs hold
/// the application's fonts; a later application starts a new one.
void ClearShapeCache()
{
    delete std::exchange(ShapeCacheSlot(), nullptr);
}

/// The GUI thread's shapes of Font on Device; null on other threads and
/// without an application.
FontShapes* ShapesOf(const QFont& Font, QPaintDevice* Device)
{
    const QCoreApplication* App = QCoreApplication::instance();
    if (!App || QThread::currentThread() != App->thread() || FullShapingOn())
        return nullptr;
    ShapeCache*& Cache = ShapeCacheSlot();
    if (!Cache) {
        Cache = new ShapeCache;
        qAddPostRoutine(ClearShapeCache);
    }
    ShapeFont Key {Font, Device ? QSize(Device->logicalDpiX(), Device->logicalDpiY()) : QSize()};
    if (Cache->Last && *Cache->LastFont == Key)
        return Cache->Last;
    auto Found = Cache->Fonts.find(Key);
    if (Found == Cache->Fonts.end()) {
        if (Cache->Fonts.size() >= ShapeFontLimit)
            Cache->Fonts.clear();
        Found = Cache->Fonts.try_emplace(Key, Font, Device).first;
    }
    Cache->LastFont = std::move(Key);
    Cache->Last = &Found->second;
    return Cache->Last;
}

bool HasControlCharacters(const QString& S)
{
    for (QChar C : S) {
        const char16_t U = C.unicode();
        if (U < 0x20 || U == 0x7F || U == QChar::LineSeparator || U == QChar::ParagraphSeparator
            || U == QChar::ObjectReplacementCharacter)
            return true;
    }
    return false;
}

ShapedText Shape(const QFont& Font, const QString& Text, QPaintDevice* Device)
{
    ShapedText Result;
    if (HasControlCharacters(Text)) {
        Result.Plain = false;
        return Result;
    }
    QTextLayout Layout(Text, Font, Device);
    Layout.beginLayout();
    QTextLine Line = Layout.createLine();
    if (Line.isValid())
        Line.setNumColumns(static_cast<int>(Text.size()));
    Layout.endLayout();
    if (!Line.isValid() || Layout.lineCount() != 1 || Line.textLength() != Text.size()) {
        Result.Plain = false;
        return Result;
    }
    const QPointF Base(Line.x(), Line.y() + Line.ascent());
    for (QGlyphRun& Run : Line.glyphRuns()) {
        QList<QPointF> Positions = Run.positions();
        for (QPointF& At : Positions)
            At -= Base;
        Run.setPositions(Positions);
        Result.Parts.push_back(GlyphRunParts {Run.rawFont(), Run.glyphIndexes(), Positions});
        Result.Runs.push_back(std::move(Run));
    }
    return Result;
}

/// Plain text laid out as one run of Plain's font into Out; false (Out
/// untouched) for other text.
bool LayPlain(PlainGlyphs& Plain, const QString& Text, ShapedText& Out)
{
    QList<quint32> Glyphs;
    QList<QPointF> Positions;
    qreal Advance = 0;
    if (!Plain.Lay(Text, &Glyphs, &Positions, Advance))
        return false;
    QGlyphRun Run;
    Run.setRawFont(Plain.Raw());
    Run.setGlyphIndexes(Glyphs);
    Run.setPositions(Positions);
    Out.Plain = true;
    Out.Runs.assign(1, std::move(Run));
    Out.Parts.assign(1, GlyphRunParts {Plain.Raw(), std::move(Glyphs), std::move(Positions)});
    return true;
}

/// Text shaped in Font on Device (plain text laid out), kept in Shapes
/// (null: not kept). The reference lives until the next call.
const ShapedText& Shaped(FontShapes* Shapes, const QFont& Font, const QString& Text, QPaintDevice* Device)
{
    if (!Shapes) {
        thread_local ShapedText Uncached;
        Uncached = Shape(Font, Text, Device);
        return Uncached;
    }
    const auto Found = Shapes->Texts.constFind(Text);
    if (Found != Shapes->Texts.constEnd())
        return *Found;
    if (Shapes->Texts.size() >= ShapeCacheLimit)
        Shapes->Texts.clear();
    // Laid out text is kept like shaped text: a list repainting the same
    // texts took a quarter longer with its runs made afresh each time.
    ShapedText Laid;
    if (LayPlain(Shapes->Plain, Text, Laid))
        return *Shapes->Texts.insert(Text, std::move(Laid));
    return *Shapes->Texts.insert(Text, Shape(Font, Text, Device));
}

/// One character shaped alone, as Shaped.
const ShapedText& ShapedChar(FontShapes* Shapes, const QFont& Font, QChar C, QPaintDevice* Device)
{
    if (!Shapes)
        return Shaped(nullptr, Font, QString(C), Device);
    const auto Found = Shapes->Chars.constFind(C.unicode());
    if (Found != Shapes->Chars.constEnd())
        return *Found;
    return *Shapes->Chars.insert(C.unicode(), Shape(Font, QString(C), Device));
}

/// Adds the glyphs of Text shifted by Offset, joining the last run when it
/// has the same raw font; Room is the glyphs a new run makes room for.
void AppendGlyphs(std::vector<GlyphRunParts>& Runs, const ShapedText& Text, QPointF Offset, qsizetype Room)
{
    for (const GlyphRunParts& Part : Text.Parts) {
        if (Runs.empty() || !(Runs.back().Font == Part.Font)) {
            Runs.push_back(GlyphRunParts {Part.Font, {}, {}});
            Runs.back().Glyphs.reserve(Room);
            Runs.back().Positions.reserve(Room);
        }
        GlyphRunParts& Last = Runs.back();
        Last.Glyphs.append(Part.Glyphs);
        for (const QPointF& At : Part.Positions)
            Last.Positions.append(At + Offset);
    }
}

/// Draws glyphs at At in the painter's pen colour: straight to a PDF
/// engine, which writes a run as one text object (QPainter would hand it
/// over glyph by glyph), and as a glyph run elsewhere.
void DrawRun(QPainter& P, const QPointF& At, const QRawFont& Font, const QList<quint32>& Glyphs,
    const QList<QPointF>& Positions)
{
    if (PdfEngine* Pdf = PdfEngineOf(P)) {
        PdfDrawGlyphs(*Pdf, Font, Glyphs, Positions, At, P.pen().color());
        return;
    }
    QGlyphRun Run;
    Run.setRawFont(Font);
    Run.setGlyphIndexes(Glyphs);
    Run.setPositions(Positions);
    P.drawGlyphRun(At, Run);
}

/// Draws T the way Qt's drawText does, character by character when T has
/// advances, with the painter's transform set to ToGlyphs.
void DrawUnshaped(QPainter& P, const QFont& Font, const TextCall& T, const QTransform& ToGlyphs, QPoint Origin)
{
    P.setTransform(ToGlyphs);
    P.setFont(Font);
    if (T.Dx.empty()) {
        P.drawText(Origin, T.Text);
        return;
    }
    int X = Origin.x();
    for (qsizetype I = 0; I < T.Text.size(); ++I) {
        P.drawText(QPoint(X, Origin.y()), QString(T.Text[I]));
        X += I < static_cast<qsizetype>(T.Dx.size()) ? T.Dx[static_cast<size_t>(I)] : 0;
    }
}

/// Where glyph space's point Origin lies in the space of Current, when
/// Current differs from ToGlyphs by a translation only.
std::optional<QPointF> OriginUnder(const QTransform& Current, const QTransform& ToGlyphs, QPoint Origin)
{
    if (Current.type() > QTransform::TxRotate || Current.m11() != ToGlyphs.m11() || Current.m12() != ToGlyphs.m12()
        || Current.m21() != ToGlyphs.m21() || Current.m22() != ToGlyphs.m22())
        return std::nullopt;
    bool Invertible = false;
    const QTransform Linear(Current.m11(), Current.m12(), Current.m21(), Current.m22(), 0, 0);
    const QTransform Back = Linear.inverted(&Invertible);
    if (!Invertible)
        return std::nullopt;
    const QPointF Shift(ToGlyphs.dx() - Current.dx(), ToGlyphs.dy() - Current.dy());
    return QPointF(Origin) + Back.map(Shift);
}

/// Where glyph space's point Origin lies in the space of the painter's
/// transform, when that transform differs from ToGlyphs by a translation
/// only: a change of transform costs more than the text on some devices
/// (each one restates the graphics state in a PDF). Otherwise the painter
/// takes ToGlyphs and Origin stays.
QPointF GlyphOrigin(QPainter& P, const QTransform& ToGlyphs, QPoint Origin)
{
    if (const std::optional<QPointF> At = OriginUnder(P.transform(), ToGlyphs, Origin))
        return *At;
    P.setTransform(ToGlyphs);
    return Origin;
}

/// Draws the glyphs of T with the baseline's left end at glyph space's
/// Origin, ToGlyphs mapping glyph space to the device: the text as one
/// shaped whole, or each character at its own advance when T has advances.
void DrawGlyphs(QPainter& P, const QFont& Font, const TextCall& T, const QTransform& ToGlyphs, QPoint Origin)
{
    // Qt places the underline of a glyph run wrongly under a transform, so
    // decorated text keeps Qt's own text drawing.
    if (Font.underline() || Font.strikeOut() || Font.overline()) {
        DrawUnshaped(P, Font, T, ToGlyphs, Origin);
        return;
    }
    QPaintDevice* Device = P.device();
    FontShapes* Shapes = ShapesOf(Font, Device);
    if (T.Dx.empty()) {
        const ShapedText& S = Shaped(Shapes, Font, T.Text, Device);
        if (!S.Plain) {
            DrawUnshaped(P, Font, T, ToGlyphs, Origin);
            return;
        }
        const QPointF At = GlyphOrigin(P, ToGlyphs, Origin);
        if (PdfEngineOf(P)) {
            for (const GlyphRunParts& Part : S.Parts)
                DrawRun(P, At, Part.Font, Part.Glyphs, Part.Positions);
            return;
        }
        for (const QGlyphRun& Run : S.Runs)
            P.drawGlyphRun(At, Run);
        return;
    }
    std::vector<GlyphRunParts> Pending;
    std::vector<std::pair<QPoint, QString>> Unshaped;
    int X = 0;
    for (qsizetype I = 0; I < T.Text.size(); ++I) {
        const ShapedText& S = ShapedChar(Shapes, Font, T.Text[I], Device);
        if (S.Plain)
            AppendGlyphs(Pending, S, QPointF(X, 0), T.Text.size() - I);
        else
            Unshaped.emplace_back(QPoint(Origin.x() + X, Origin.y()), QString(T.Text[I]));
        X += I < static_cast<qsizetype>(T.Dx.size()) ? T.Dx[static_cast<size_t>(I)] : 0;
    }
    const QPointF At = GlyphOrigin(P, ToGlyphs, Origin);
    for (const GlyphRunParts& Run : Pending)
        DrawRun(P, At, Run.Font, Run.Glyphs, Run.Positions);
    if (Unshaped.empty())
        return;
    P.setTransform(ToGlyphs);
    P.setFont(Font);
    for (const auto& [Where, C] : Unshaped)
        P.drawText(Where, C);
}

/// Adds plain text T with its advances to Runs as glyphs of Plain's font
/// at At + the advances: one table look-up a character instead of a shaped
/// character each (a printed page's texts all come with advances). False
/// (Runs untouched) when T is not plain.
bool AppendPlain(std::vector<GlyphRunParts>& Runs, PlainGlyphs& Plain, const TextCall& T, QPointF At)
{
    thread_local QList<quint32> Glyphs;
    qreal Advance = 0;
    if (!Plain.Lay(T.Text, &Glyphs, nullptr, Advance))
        return false;
    if (Runs.empty() || !(Runs.back().Font == Plain.Raw()))
        Runs.push_back(GlyphRunParts {Plain.Raw(), {}, {}});
    GlyphRunParts& Last = Runs.back();
    Last.Glyphs.append(Glyphs);
    const qsizetype N = T.Text.size();
    Last.Positions.reserve(Last.Positions.size() + N);
    int X = 0;
    for (qsizetype I = 0; I < N; ++I) {
        Last.Positions.append(At + QPointF(X, 0));
        X += I < static_cast<qsizetype>(T.Dx.size()) ? T.Dx[static_cast<size_t>(I)] : 0;
    }
    return true;
}

/// Adds the glyphs of T to Batch, the baseline's left end at glyph space's
/// Origin; false (Batch untouched) for text that Qt draws itself or that
/// needs another transform than the painter's.
bool AddToBatch(QPainter& P, GlyphBatch& Batch, const QFont& Font, const TextCall& T, const QTransform& ToGlyphs,
    QPoint Origin, const QColor& Color)
{
    if (Font.underline() || Font.strikeOut() || Font.overline())
        return false;
    const std::optional<QPointF> At = OriginUnder(P.transform(), ToGlyphs, Origin);
    if (!At)
        return false;
    QPaintDevice* Device = P.device();
    FontShapes* Shapes = ShapesOf(Font, Device);
    // Check before adding: a text is drawn whole or not at all.
    qreal Advance = 0;
    const bool Plain = !T.Dx.empty() && Shapes && Shapes->Plain.Lay(T.Text, nullptr, nullptr, Advance);
    if (!Plain
        && (T.Dx.empty() ? !Shaped(Shapes, Font, T.Text, Device).Plain
                         : std::any_of(T.Text.begin(), T.Text.end(),
                               [&](QChar C) { return !ShapedChar(Shapes, Font, C, Device).Plain; })))
        return false;
    if (!Batch.Empty() && (Batch.Transform != P.transform() || Batch.Color != Color))
        Batch.Settle(P);
    Batch.Transform = P.transform();
    Batch.Color = Color;
    if (T.Dx.empty()) {
        AppendGlyphs(Batch.Runs, Shaped(Shapes, Font, T.Text, Device), *At, T.Text.size());
        return true;
    }
    if (Plain && AppendPlain(Batch.Runs, Shapes->Plain, T, *At))
        return true;
    int X = 0;
    for (qsizetype I = 0; I < T.Text.size(); ++I) {
        AppendGlyphs(Batch.Runs, ShapedChar(Shapes, Font, T.Text[I], Device), *At + QPointF(X, 0),
            T.Text.size() - I);
        X += I < static_cast<qsizetype>(T.Dx.size()) ? T.Dx[static_cast<size_t>(I)] : 0;
    }
    return true;
}

}  // namespace

namespace {

/// Whether glyphs of a font PixelSize pixels high, placed by ToGlyphs, are
/// worth drawing and can be drawn: each axis of a glyph on the device from
/// a fraction of a pixel (none shows) to MaxGlyphDevicePixels (no page is
/// larger). The glyph renderer is never asked for more: it fails, or asks
/// for images of many gigabytes.
bool GlyphsDrawable(const QTransform& ToGlyphs, int PixelSize)
{
    constexpr double MinGlyphDevicePixels = 1.0 / 64, MaxGlyphDevicePixels = 32768;
    const double AxisX = std::hypot(ToGlyphs.m11(), ToGlyphs.m12());
    const double AxisY = std::hypot(ToGlyphs.m21(), ToGlyphs.m22());
    for (const double Axis : {AxisX, AxisY}) {
        const double Device = Axis * PixelSize;
        if (!std::isfinite(Device) || Device < MinGlyphDevicePixels || Device > MaxGlyphDevicePixels)
            return false;
    }
    // The renderer keeps an image of each glyph whose area on the device is
    // small; it fails on a glyph squeezed far more in one direction than in
    // the other (a nearly flat transform, sheared or not) and does not
    // survive its failure. Such a glyph shows next to nothing, so it is not
    // drawn. The squeeze is told by the square of the transform's size
    // against its determinant (2 for an even scale, infinite when flat).
    constexpr double CachedGlyphArea = 64.0 * 64, MaxGlyphSqueeze = 256;
    const double Det = std::abs(ToGlyphs.m11() * ToGlyphs.m22() - ToGlyphs.m12() * ToGlyphs.m21());
    const double Size2 = AxisX * AxisX + AxisY * AxisY;
    if (Det * PixelSize * PixelSize < CachedGlyphArea && Size2 > MaxGlyphSqueeze * Det)
        return false;
    return std::isfinite(ToGlyphs.dx()) && std::isfinite(ToGlyphs.dy());
}

}  // namespace

void GlyphBatch::Settle(QPainter& P)
{
    if (Runs.empty())
        return;
    const QTransform Current = P.transform();
    if (Current != Transform)
        P.setTransform(Transform);
    P.setPen(Color);
    for (const GlyphRunParts& Part : Runs)
        DrawRun(P, QPointF(), Part.Font, Part.Glyphs, Part.Positions);
    Runs.clear();
    if (Current != Transform)
        P.setTransform(Current);
}

QRect PaintTextCall(QPainter& P, const DrawContext& C, const TextCall& T, bool Monochrome, GlyphBatch* Batch)
{
    const bool Batching = Batch && !(T.Rect && (T.Options & (ETO_OPAQUE | ETO_CLIPPED))) && C.S.BkMode != OPAQUE
        && !Monochrome;
    if (Batch && !Batching)
        Batch->Settle(P);
    GdiObject& F = C.Font;
    const FontMeasures& M = RealMeasuresOf(F);
    QRect Changed;
    if (T.Rect && (T.Options & ETO_OPAQUE)) {
        P.setTransform(C.ToDevice);
        P.fillRect(*T.Rect, QColor::fromRgb(SurfaceRgb(Monochrome, C.S.BkColor)));
        Changed = C.ToDevice.mapRect(*T.Rect);
    }
    if (T.Text.isEmpty())
        return Changed;
    if (T.Rect && (T.Options & ETO_CLIPPED)) {
        P.setTransform(C.ToDevice);
        P.setClipRect(*T.Rect, P.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    // The glyphs stand upright whatever way the page's axes run; the world
    // transform turns them.
    const QPointF Ref = C.ToDevice.map(QPointF(T.Ref));
    const QTransform Page = C.S.GraphicsMode == GM_ADVANCED ? C.S.World.inverted() * C.ToDevice : C.ToDevice;
    QTransform Glyphs = QTransform::fromScale(std::abs(Page.m11()), std::abs(Page.m22()));
    if (C.S.GraphicsMode == GM_ADVANCED) {
        const QTransform& W = C.S.World;
        Glyphs = QTransform(W.m11(), W.m12(), W.m21(), W.m22(), 0, 0) * Glyphs;
    }
    QTransform ToGlyphs = Glyphs * QTransform::fromTranslate(Ref.x(), Ref.y());
    if (F.LogFont.lfEscapement % 3600 != 0)
        ToGlyphs = QTransform().rotate(-(F.LogFont.lfEscapement % 3600) / 10.0) * ToGlyphs;
    if (!GlyphsDrawable(ToGlyphs, QtFontOf(F).pixelSize()))
        return Changed;
    const int Width = TextCallWidth(C, T);
    const UINT Align = C.S.TextAlign;
    int Left = 0;
    if ((Align & TA_CENTER) == TA_CENTER)
        Left = -Width / 2;
    else if (Align & TA_RIGHT)
        Left = -Width;
    int Top = 0;
    if ((Align & TA_BASELINE) == TA_BASELINE)
        Top = -M.Ascent;
    else if (Align & TA_BOTTOM)
        Top = -(M.Ascent + M.Descent);
    const QRect Cell(Left, Top, Width, M.Ascent + M.Descent);
    if (C.S.BkMode == OPAQUE) {
        P.setTransform(ToGlyphs);
        P.fillRect(Cell, QColor::fromRgb(SurfaceRgb(Monochrome, C.S.BkColor)));
    }
    const QColor Ink = QColor::fromRgb(SurfaceRgb(Monochrome, C.S.TextColor));
    if (Batching) {
        if (AddToBatch(P, *Batch, QtFontOf(F), T, ToGlyphs, QPoint(Left, Top + M.Ascent), Ink))
            return Changed | ToGlyphs.mapRect(Cell);
        Batch->Settle(P);
    }
    P.setPen(Ink);
    if (Monochrome) {
        QFont Font = QtFontOf(F);
        Font.setStyleStrategy(QFont::NoAntialias);
        DrawGlyphs(P, Font, T, ToGlyphs, QPoint(Left, Top + M.Ascent));
    } else {
        DrawGlyphs(P, QtFontOf(F), T, ToGlyphs, QPoint(Left, Top + M.Ascent));
    }
    return Changed | ToGlyphs.mapRect(Cell);
}

namespace {

// Draws S through the DC's backend and reports the area it changed.
void TextToBackend(HDC DC, const TextCall& T)
{
    DcBackend* B = TargetOf(DC);
    if (!B)
        return;
    const QRect Changed = B->Text(ContextOf(DC), T);
    if (!Changed.isEmpty())
        DC->Touch(Changed);
}

BOOL ExtTextOutQ(HDC DC, int X, int Y, UINT Options, const TRect* Rect, const QString& S, const int* Dx)
{
    if (!DC)
        return false;
    const UINT Align = DC->S.TextAlign;
    if (Align & TA_UPDATECP) {
        X = DC->S.Pos.X;
        Y = DC->S.Pos.Y;
    }
    TextCall T;
    T.Ref = QPoint(X, Y);
    T.Options = Options & (ETO_OPAQUE | ETO_CLIPPED);
    if (Rect && T.Options)
        T.Rect = ToQRect(*Rect).normalized();
    T.Text = S;
    if (Dx)
        T.Dx.assign(Dx, Dx + S.size());
    TextToBackend(DC, T);
    if (Align & TA_UPDATECP) {
        const int Width = T.Dx.empty() ? TextWidth(SelectedFont(DC), S) : TextCallWidth(ContextOf(DC), T);
        if ((Align & TA_CENTER) == TA_CENTER)
            ;  // the position stays at the centre
        else if (Align & TA_RIGHT)
            DC->S.Pos.X = X - Width;
        else
            DC->S.Pos.X = X + Width;
    }
    return true;
}

// A line of DrawText: left and top aligned whatever the DC's alignment,
// clipped to Clip when given, with the underlined character's bar.
void PaintText(HDC DC, int X, int Y, const QString& S, const QRect* Clip, int UnderlineIndex)
{
    if (!TargetOf(DC) || S.isEmpty())
        return;
    const UINT Align = std::exchange(DC->S.TextAlign, TA_LEFT | TA_TOP);
    TextCall T;
    T.Ref = QPoint(X, Y);
    T.Text = S;
    if (Clip) {
        T.Options = ETO_CLIPPED;
        T.Rect = *Clip;
    }
    TextToBackend(DC, T);
    DC->S.TextAlign = Align;
    if (UnderlineIndex < 0 || UnderlineIndex >= S.size())
        return;
    GdiObject& F = SelectedFont(DC);
    QRect Bar(X + TextAdvance(F, S.left(UnderlineIndex)), Y + MeasuresOf(F).Ascent + 1,
        std::max(TextAdvance(F, S.mid(UnderlineIndex, 1)), 1), 1);
    if (Clip)
        Bar &= *Clip;
    if (Bar.isEmpty())
        return;
    GdiObject Ink(GdiKind::Brush);
    Ink.BrushColor = DC->S.TextColor;
    const QRect Changed = TargetOf(DC)->PatBlt(ContextOf(DC), Bar, Ink, 0xF0);
    if (!Changed.isEmpty())
        DC->Touch(Changed);
}

}  // namespace

BOOL ExtTextOut(HDC DC, int X, int Y, UINT Options, const TRect* Rect, const char* Text, int Count,
    const int* Dx)
{
    return ExtTextOutQ(DC, X, Y, Options, Rect, FromBytes(Text, Count), Dx);
}

BOOL ExtTextOutA(HDC DC, int X, int Y, UINT Options, const TRect* Rect, const char* Text, int Count,
    const int* Dx)
{
    return ExtTextOut(DC, X, Y, Options, Rect, Text, Count, Dx);
}

BOOL ExtTextOutW(HDC DC, int X, int Y, UINT Options, const TRect* Rect, const char16_t* Text,
    int Count, const int* Dx)
{
    return ExtTextOutQ(DC, X, Y, Options, Rect, FromUtf16(Text, Count), Dx);
}

BOOL TextOut(HDC DC, int X, int Y, const char* Text, int Count)
{
    return ExtTextOutQ(DC, X, Y, 0, nullptr, FromBytes(Text, Count), nullptr);
}

BOOL GetTextExtentExPoint(HDC DC, const char* Text, int Count, int MaxExtent, int* Fit, int* Dx,
    TSize& Size)
{
    if (!DC || (!Text && Count > 0))
        return false;
    const QString S = FromBytes(Text, Count);
    GdiObject& F = SelectedFont(DC);
    int Fitting = 0;
    for (qsizetype I = 0; I < S.size(); ++I) {
        const int Extent = TextWidth(F, S.left(I + 1));
        if (Dx)
            Dx[I] = Extent;
        if (Extent <= MaxExtent && Fitting == I)
            Fitting = static_cast<int>(I + 1);
    }
    if (Fit)
        *Fit = Fitting;
    Size = {TextWidth(F, S), CellHeight(F)};
    return true;
}

BOOL GetCharWidth(HDC DC, UINT First, UINT Last, int* Widths)
{
    if (!DC || !Widths || First > Last || Last > 0xFF)
        return false;
    GdiObject& F = SelectedFont(DC);
    for (UINT C = First; C <= Last; ++C) {
        const char Byte = static_cast<char>(C);
        Widths[C - First] = TextWidth(F, ToQString(&Byte, 1));
    }
    return true;
}

// ---- DrawText ------------------------------------------------------------------------

namespace {

const QString Ellipsis = QStringLiteral("...");

struct TextLine {
    QString Text;
    /// Index of the underlined character in Text, -1 for none.
    int Underline = -1;
};

struct Layout {
    GdiObject& Font;
    UINT Format;
    int TabWidth;

    /// Width of a line, tabs going to the next tab stop when expanded.
    int Width(const QString& S) const
    {
        if (!(Format & DT_EXPANDTABS) || !S.contains(QLatin1Char('\t')))
            return TextWidth(Font, S);
        int X = 0;
        const QStringList Parts = S.split(QLatin1Char('\t'));
        for (int I = 0; I < Parts.size(); ++I) {
            X += TextWidth(Font, Parts[I]);
            if (I + 1 < Parts.size())
                X = (X / TabWidth + 1) * TabWidth;
        }
        return X;
    }
};

// Removes the "&" prefixes: "&&" is one "&", "&x" underlines x, and a last
// lone "&" disappears. Returns the index of the underlined character.
int StripPrefixes(QString& S)
{
    QString Out;
    Out.reserve(S.size());
    int Underline = -1;
    for (int I = 0; I < S.size(); ++I) {
        if (S[I] != QLatin1Char('&')) {
            Out.append(S[I]);
            continue;
        }
        if (I + 1 >= S.size())
            break;
        ++I;
        if (S[I] != QLatin1Char('&') && Underline < 0)
            Underline = static_cast<int>(Out.size());
        Out.append(S[I]);
    }
    S = Out;
    return Underline;
}

// Splits a paragraph into lines no wider than MaxWidth, breaking after the
// blanks between words. A word wider than the line stays whole unless the
// format asks for edit-control breaking. Offsets track the underline.
void BreakParagraph(const Layout& L, const QString& Para, int ParaStart, int Underline, int MaxWidth,
    std::vector<TextLine>& Lines)
{
    const auto Emit = [&](int From, int To) {
        // Blanks at the end of a broken line are not part of it.
        int End = To;
        while (End > From && Para[End - 1] == QLatin1Char(' '))
            --End;
        TextLine Line {Para.mid(From, End - From), -1};
        const int U = Underline - ParaStart;
        if (Underline >= 0 && U >= From && U < End)
            Line.Underline = U - From;
        Lines.push_back(Line);
    };
    if (!(L.Format & DT_WORDBREAK) || L.Width(Para) <= MaxWidth) {
        Emit(0, static_cast<int>(Para.size()));
        if (!(L.Format & DT_WORDBREAK)) {
            // Without word breaking the blanks at the end stay.
            TextLine& Last = Lines.back();
            Last.Text = Para;
            const int U = Underline - ParaStart;
            Last.Underline = Underline >= 0 && U >= 0 && U < Para.size() ? U : -1;
        }
        return;
    }
    const int N = static_cast<int>(Para.size());
    const auto IsBlank = [&](int I) { return Para[I] == QLatin1Char(' '); };
    int Start = 0;
    while (Start < N) {
        // Blanks that begin a continuation line are dropped.
        if (Start > 0)
            while (Start < N && IsBlank(Start))
                ++Start;
        if (Start >= N)
            break;
        // Take whole words while the line stays within the width.
        int End = -1;
        int FirstWordEnd = -1;
        int I = Start;
        while (I < N) {
            int J = I;
            while (J < N && IsBlank(J))
                ++J;
            while (J < N && !IsBlank(J))
                ++J;
            if (FirstWordEnd < 0)
                FirstWordEnd = J;
            if (L.Width(Para.mid(Start, J - Start)) > MaxWidth)
                break;
            End = J;
            I = J;
        }
        if (End < 0) {
            End = FirstWordEnd;
            if (L.Format & DT_EDITCONTROL) {
                // An edit control breaks a long word, one character at least.
                End = Start + 1;
                while (End < FirstWordEnd && L.Width(Para.mid(Start, End + 1 - Start)) <= MaxWidth)
                    ++End;
            }
        }
        Emit(Start, End);
        Start = End;
    }
}

// The longest start of S that fits with "..." after it; "..." alone when
// nothing does.
QString EndEllipsis(const Layout& L, const QString& S, int MaxWidth)
{
    if (L.Width(S) <= MaxWidth)
        return S;
    for (int N = static_cast<int>(S.size()) - 1; N > 0; --N) {
        const QString Try = S.left(N) + Ellipsis;
        if (L.Width(Try) <= MaxWidth)
            return Try;
    }
    return Ellipsis;
}

// Keeps the last path element and as much of the start as fits:
// "C:\Program Files\...\file.txt".
QString PathEllipsis(const Layout& L, const QString& S, int MaxWidth)
{
    if (L.Width(S) <= MaxWidth)
        return S;
    const int Slash = static_cast<int>(std::max(S.lastIndexOf(QLatin1Char('\\')), S.lastIndexOf(QLatin1Char('/'))));
    if (Slash < 0)
        return EndEllipsis(L, S, MaxWidth);
    const QString Tail = S.mid(Slash);
    for (int N = Slash - 1; N >= 0; --N) {
        const QString Try = S.left(N) + Ellipsis + Tail;
        if (L.Width(Try) <= MaxWidth)
            return Try;
    }
    return EndEllipsis(L, Ellipsis + Tail, MaxWidth);
}

// Draws one line with tabs expanded and the underline.
void PaintLine(HDC DC, const Layout& L, int X, int Y, const TextLine& Line, const QRect* Clip)
{
    if (!(L.Format & DT_EXPANDTABS) || !Line.Text.contains(QLatin1Char('\t'))) {
        PaintText(DC, X, Y, Line.Text, Clip, Line.Underline);
        return;
    }
    int CX = 0;
    int Offset = 0;
    const QStringList Parts = Line.Text.split(QLatin1Char('\t'));
    for (int I = 0; I < Parts.size(); ++I) {
        const int U = Line.Underline - Offset;
        PaintText(DC, X + CX, Y, Parts[I], Clip, U >= 0 && U < Parts[I].size() ? U : -1);
        CX += TextWidth(L.Font, Parts[I]);
        if (I + 1 < Parts.size())
            CX = (CX / L.TabWidth + 1) * L.TabWidth;
        Offset += static_cast<int>(Parts[I].size()) + 1;
    }
}

int DrawTextQ(HDC DC, QString Text, TRect& R, UINT Format)
{
    if (!DC)
        return 0;
    GdiObject& F = SelectedFont(DC);
    const FontMeasures M = MeasuresOf(F);
    const Layout L {F, Format, std::max(1, 8 * M.AveWidth)};
    int LineHeight = M.Ascent + M.Descent;
    if (Format & DT_EXTERNALLEADING)
        LineHeight += M.ExternalLeading;
    if (Text.isEmpty()) {
        if (Format & DT_CALCRECT) {
            R.Right = R.Left;
            R.Bottom = R.Top;
        }
        return 0;
    }
    const int Underline = (Format & DT_NOPREFIX) ? -1 : StripPrefixes(Text);
    const int MaxWidth = R.Right - R.Left;

    std::vector<TextLine> Lines;
    if (Format & DT_SINGLELINE) {
        QString One = Text;
        One.remove(QLatin1Char('\r'));
        One.remove(QLatin1Char('\n'));
        // The underline index moves left by the line breaks removed before it.
        int U = Underline;
        if (U >= 0) {
            const QString Before = Text.left(U);
            U -= static_cast<int>(Before.count(QLatin1Char('\r')) + Before.count(QLatin1Char('\n')));
        }
        Lines.push_back({One, U});
    } else {
        int Start = 0;
        const int N = static_cast<int>(Text.size());
        for (int I = 0; I <= N; ++I) {
            if (I < N && Text[I] != QLatin1Char('\r') && Text[I] != QLatin1Char('\n'))
                continue;
            BreakParagraph(L, Text.mid(Start, I - Start), Start, Underline, MaxWidth, Lines);
            if (I < N && Text[I] == QLatin1Char('\r') && I + 1 < N && Text[I + 1] == QLatin1Char('\n'))
                ++I;
            Start = I + 1;
        }
    }
    if (Format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) {
        for (TextLine& Line : Lines) {
            const QString Short = (Format & DT_PATH_ELLIPSIS) ? PathEllipsis(L, Line.Text, MaxWidth)
                                                                : EndEllipsis(L, Line.Text, MaxWidth);
            if (Short != Line.Text) {
                Line.Text = Short;
                Line.Underline = -1;
            }
        }
    }

    int Widest = 0;
    for (const TextLine& Line : Lines)
        Widest = std::max(Widest, L.Width(Line.Text));
    const int Height = LineHeight * static_cast<int>(Lines.size());
    if (Format & DT_CALCRECT) {
        R.Right = R.Left + Widest;
        R.Bottom = R.Top + Height;
        return Height;
    }

    int Y = R.Top;
    if (Format & DT_SINGLELINE) {
        if (Format & DT_VCENTER)
            Y = R.Top + (R.Bottom - R.Top - LineHeight) / 2;
        else if (Format & DT_BOTTOM)
            Y = R.Bottom - LineHeight;
    }
    const QRect Clip = ToQRect(R);
    const QRect* ClipPtr = (Format & DT_NOCLIP) ? nullptr : &Clip;
    const int FirstY = Y;
    for (const TextLine& Line : Lines) {
        const int W = L.Width(Line.Text);
        int X = R.Left;
        if (Format & DT_CENTER)
            X = R.Left + (MaxWidth - W) / 2;
        else if (Format & DT_RIGHT)
            X = R.Right - W;
        PaintLine(DC, L, X, Y, Line, ClipPtr);
        Y += LineHeight;
    }
    if ((Format & DT_SINGLELINE) && (Format & (DT_VCENTER | DT_BOTTOM)))
        return FirstY - R.Top + Height;
    return Height;
}

}  // namespace

int DrawText(HDC DC, const char* Text, int Count, TRect& Rect, UINT Format)
{
    return DrawTextQ(DC, FromBytes(Text, Count), Rect, Format);
}

int DrawText(HDC DC, const AnsiString& Text, TRect& Rect, UINT Format)
{
    return DrawTextQ(DC, ToQString(Text), Rect, Format);
}

int DrawTextW(HDC DC, const char16_t* Text, int Count, TRect& Rect, UINT Format)
{
    return DrawTextQ(DC, FromUtf16(Text, Count), Rect, Format);
}
