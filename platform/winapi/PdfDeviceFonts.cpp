// The PDF writer's fonts: a face's metrics read from its TrueType tables,
// the subset of its used glyphs written as a TrueType file, and the maps a
// PDF needs beside it (widths, glyph to Unicode). Every offset and count
// read from a table is checked against the table's length: fonts are
// outside bytes.

#include "platform/winapi/PdfDevicePrivate.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

uint32_t U16(const QByteArray& T, qsizetype At)
{
    if (At < 0 || At + 2 > T.size())
        return 0;
    const auto* P = reinterpret_cast<const unsigned char*>(T.constData()) + At;
    return (uint32_t(P[0]) << 8) | P[1];
}

int S16(const QByteArray& T, qsizetype At)
{
    return static_cast<int16_t>(static_cast<uint16_t>(U16(T, At)));
}

uint32_t U32(const QByteArray& T, qsizetype At)
{
    return (U16(T, At) << 16) | U16(T, At + 2);
}

void Put16(QByteArray& Out, uint32_t V)
{
    Out.append(char((V >> 8) & 0xFF));
    Out.append(char(V & 0xFF));
}

void Put32(QByteArray& Out, uint32_t V)
{
    Put16(Out, V >> 16);
    Put16(Out, V & 0xFFFF);
}

void PutHex4(std::string& Out, uint32_t V)
{
    static const char Digits[] = "0123456789ABCDEF";
    Out += Digits[(V >> 12) & 15];
    Out += Digits[(V >> 8) & 15];
    Out += Digits[(V >> 4) & 15];
    Out += Digits[V & 15];
}

uint32_t TableChecksum(const QByteArray& T)
{
    uint32_t Sum = 0;
    for (qsizetype I = 0; I < T.size(); I += 4) {
        uint32_t Word = 0;
        for (int J = 0; J < 4; ++J)
            Word = (Word << 8) | (I + J < T.size() ? static_cast<unsigned char>(T[I + J]) : 0u);
        Sum += Word;
    }
    return Sum;
}

/// Calls Visit(Code, Glyph) for each code the face's Unicode cmap maps
/// (format 4 or 12 subtables, the first Windows or Unicode one found), at
/// most as many codes as Unicode has: ranges that overlap or repeat in a
/// broken table would otherwise be walked for a very long time.
template <typename F> void WalkCmap(const QByteArray& Cmap, F Visit)
{
    uint32_t Budget = 0x110000;
    const uint32_t Count = U16(Cmap, 2);
    qsizetype Best = -1;
    int BestRank = 0;
    for (uint32_t I = 0; I < Count; ++I) {
        const qsizetype Rec = 4 + qsizetype(I) * 8;
        const uint32_t Platform = U16(Cmap, Rec), Encoding = U16(Cmap, Rec + 2);
        const qsizetype Off = U32(Cmap, Rec + 4);
        const uint32_t Format = U16(Cmap, Off);
        if (Format != 4 && Format != 12)
            continue;
        // Full Unicode tables first, then the basic plane's.
        int Rank = 0;
        if (Platform == 3 && Encoding == 10)
            Rank = 4;
        else if (Platform == 0 && Format == 12)
            Rank = 3;
        else if (Platform == 3 && Encoding == 1)
            Rank = 2;
        else if (Platform == 0)
            Rank = 1;
        if (Rank > BestRank) {
            BestRank = Rank;
            Best = Off;
        }
    }
    if (Best < 0)
        return;
    if (U16(Cmap, Best) == 12) {
        const uint32_t Groups = U32(Cmap, Best + 12);
        if (Groups > uint32_t(Cmap.size() - Best) / 12)
            return;
        for (uint32_t G = 0; G < Groups; ++G) {
            const qsizetype At = Best + 16 + qsizetype(G) * 12;
            const uint32_t Start = U32(Cmap, At), End = U32(Cmap, At + 4), Glyph = U32(Cmap, At + 8);
            if (End < Start || End > 0x10FFFF)
                continue;
            for (uint32_t C = Start; C <= End; ++C) {
                if (Budget-- == 0)
                    return;
                Visit(C, Glyph + (C - Start));
            }
        }
        return;
    }
    const qsizetype SegX2 = U16(Cmap, Best + 6);
    const qsizetype Ends = Best + 14, Starts = Ends + SegX2 + 2, Deltas = Starts + SegX2, Ranges = Deltas + SegX2;
    if (Ranges + SegX2 > Cmap.size())
        return;
    for (qsizetype S = 0; S < SegX2; S += 2) {
        const uint32_t End = U16(Cmap, Ends + S), Start = U16(Cmap, Starts + S);
        const uint32_t Delta = U16(Cmap, Deltas + S), RangeOffset = U16(Cmap, Ranges + S);
        if (End < Start || Start == 0xFFFF)
            continue;
        for (uint32_t C = Start; C <= End; ++C) {
            if (Budget-- == 0)
                return;
            uint32_t Glyph;
            if (RangeOffset == 0) {
                Glyph = (C + Delta) & 0xFFFF;
            } else {
                Glyph = U16(Cmap, Ranges + S + RangeOffset + 2 * qsizetype(C - Start));
                if (Glyph)
                    Glyph = (Glyph + Delta) & 0xFFFF;
            }
            if (Glyph)
                Visit(C, Glyph);
        }
    }
}

}  // namespace

PdfFace::PdfFace(const QRawFont& Raw, int Index) : FRaw(Raw), FIndex(Index)
{
    const QByteArray Head = Raw.fontTable("head");
    const QByteArray Hhea = Raw.fontTable("hhea");
    const QByteArray Maxp = Raw.fontTable("maxp");
    const QByteArray Hmtx = Raw.fontTable("hmtx");
    FUnitsPerEm = static_cast<int>(U16(Head, 18));
    if (FUnitsPerEm < 16)
        FUnitsPerEm = 1000;
    FLongLoca = S16(Head, 50) != 0;
    for (int I = 0; I < 4; ++I)
        FBox[I] = ToThousandths(S16(Head, 36 + 2 * I));
    FAscent = ToThousandths(S16(Hhea, 4));
    FDescent = ToThousandths(S16(Hhea, 6));
    FNumGlyphs = static_cast<int>(U16(Maxp, 4));
    const int Metrics = std::min<int>(static_cast<int>(U16(Hhea, 34)), static_cast<int>(Hmtx.size() / 4));
    FWidths.resize(static_cast<size_t>(FNumGlyphs));
    int Last = 0;
    for (int G = 0; G < FNumGlyphs; ++G) {
        if (G < Metrics)
            Last = ToThousandths(static_cast<int>(U16(Hmtx, qsizetype(G) * 4)));
        FWidths[static_cast<size_t>(G)] = Last;
    }
    FUsed.assign(static_cast<size_t>(FNumGlyphs), 0);
    FEmbeddable = FNumGlyphs > 0 && Head.size() >= 54 && Hhea.size() >= 36 && Metrics > 0
        && !Raw.fontTable("glyf").isEmpty() && !Raw.fontTable("loca").isEmpty();

    // A PostScript-like name: letters and digits of family and style.
    for (const QString& Part : {PdfFamilyOf(Raw), Raw.styleName()}) {
        if (!FName.empty() && Part.compare(QLatin1String("Regular"), Qt::CaseInsensitive) == 0)
            continue;
        if (!FName.empty())
            FName += '-';
        for (QChar C : Part)
            if (C.unicode() < 128 && C.isLetterOrNumber())
                FName += static_cast<char>(C.unicode());
    }
    if (FName.empty() || FName.back() == '-')
        FName += "Font";
}

int PdfFace::ToThousandths(int FontUnits) const
{
    return static_cast<int>(std::lround(FontUnits * 1000.0 / FUnitsPerEm));
}

bool PdfFace::AnyUsed() const
{
    return std::find(FUsed.begin(), FUsed.end(), 1) != FUsed.end();
}

std::string PdfFace::SubsetName() const
{
    // The tag follows the glyphs kept, so two subsets of one face in two
    // files differ in name when they differ in glyphs.
    uint64_t Hash = 1469598103934665603ull ^ uint64_t(FIndex);
    for (size_t G = 0; G < FUsed.size(); ++G)
        if (FUsed[G])
            Hash = (Hash ^ G) * 1099511628211ull;
    std::string Name;
    for (int I = 0; I < 6; ++I) {
        Name += static_cast<char>('A' + Hash % 26);
        Hash /= 26;
    }
    return Name + '+' + FName;
}

std::vector<uint32_t> PdfFace::ReadLoca(const QByteArray& Loca) const
{
    std::vector<uint32_t> Out(static_cast<size_t>(FNumGlyphs) + 1, 0);
    for (int G = 0; G <= FNumGlyphs; ++G)
        Out[static_cast<size_t>(G)] = FLongLoca ? U32(Loca, qsizetype(G) * 4) : U16(Loca, qsizetype(G) * 2) * 2;
    return Out;
}

std::vector<uint8_t> PdfFace::Closure(const QByteArray& Glyf, const std::vector<uint32_t>& Loca) const
{
    std::vector<uint8_t> Keep = FUsed;
    if (!Keep.empty())
        Keep[0] = 1;  // .notdef stays, as every TrueType file needs it
    std::vector<uint32_t> Work;
    for (size_t G = 0; G < Keep.size(); ++G)
        if (Keep[G])
            Work.push_back(static_cast<uint32_t>(G));
    while (!Work.empty()) {
        const uint32_t G = Work.back();
        Work.pop_back();
        const qsizetype Start = Loca[G], End = Loca[G + 1];
        if (End <= Start || End > Glyf.size() || S16(Glyf, Start) >= 0)
            continue;
        // A composite glyph: components follow the 10-byte header.
        constexpr uint32_t ArgsAreWords = 0x1, HasScale = 0x8, MoreComponents = 0x20, HasXYScale = 0x40,
                           HasTwoByTwo = 0x80;
        qsizetype At = Start + 10;
        uint32_t Flags = MoreComponents;
        while ((Flags & MoreComponents) && At + 4 <= End) {
            Flags = U16(Glyf, At);
            const uint32_t Component = U16(Glyf, At + 2);
            At += 4 + ((Flags & ArgsAreWords) ? 4 : 2);
            if (Flags & HasScale)
                At += 2;
            else if (Flags & HasXYScale)
                At += 4;
            else if (Flags & HasTwoByTwo)
                At += 8;
            if (Component < Keep.size() && !Keep[Component]) {
                Keep[Component] = 1;
                Work.push_back(Component);
            }
        }
    }
    return Keep;
}

QByteArray PdfFace::SubsetFile() const
{
    const QByteArray Glyf = FRaw.fontTable("glyf");
    const std::vector<uint32_t> Loca = ReadLoca(FRaw.fontTable("loca"));
    const std::vector<uint8_t> Keep = Closure(Glyf, Loca);

    QByteArray NewGlyf, NewLoca;
    for (int G = 0; G <= FNumGlyphs; ++G) {
        const uint32_t Offset = static_cast<uint32_t>(NewGlyf.size());
        if (FLongLoca)
            Put32(NewLoca, Offset);
        else
            Put16(NewLoca, Offset / 2);
        if (G == FNumGlyphs || !Keep[static_cast<size_t>(G)])
            continue;
        const qsizetype Start = Loca[static_cast<size_t>(G)], End = Loca[static_cast<size_t>(G) + 1];
        if (End > Start && End <= Glyf.size()) {
            NewGlyf.append(Glyf.constData() + Start, End - Start);
            while (NewGlyf.size() % 4)
                NewGlyf.append('\0');
        }
    }

    struct Table {
        std::array<char, 4> Tag;
        QByteArray Data;
    };
    std::vector<Table> Tables;
    for (const char* Tag : {"cvt ", "fpgm", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "prep"}) {
        QByteArray Data;
        if (std::strcmp(Tag, "glyf") == 0)
            Data = NewGlyf;
        else if (std::strcmp(Tag, "loca") == 0)
            Data = NewLoca;
        else
            Data = FRaw.fontTable(Tag);
        if (Data.isEmpty())
            continue;
        if (std::strcmp(Tag, "head") == 0 && Data.size() >= 12)
            std::memset(Data.data() + 8, 0, 4);  // checkSumAdjustment: unused by readers of PDFs
        Tables.push_back(Table {{Tag[0], Tag[1], Tag[2], Tag[3]}, Data});
    }

    QByteArray Out;
    const auto Count = static_cast<uint32_t>(Tables.size());
    uint32_t Power = 1, Log = 0;
    while (Power * 2 <= Count) {
        Power *= 2;
        ++Log;
    }
    Put32(Out, 0x00010000);
    Put16(Out, Count);
    Put16(Out, Power * 16);
    Put16(Out, Log);
    Put16(Out, Count * 16 - Power * 16);
    uint32_t Offset = 12 + 16 * Count;
    for (const Table& T : Tables) {
        Out.append(T.Tag.data(), 4);
        Put32(Out, TableChecksum(T.Data));
        Put32(Out, Offset);
        Put32(Out, static_cast<uint32_t>(T.Data.size()));
        Offset += (static_cast<uint32_t>(T.Data.size()) + 3) & ~3u;
    }
    for (const Table& T : Tables) {
        Out.append(T.Data);
        while (Out.size() % 4)
            Out.append('\0');
    }
    return Out;
}

std::string PdfFace::WidthArray() const
{
    std::string Out = "[";
    size_t G = 0;
    while (G < FUsed.size()) {
        if (!FUsed[G]) {
            ++G;
            continue;
        }
        PdfInt(Out, static_cast<long long>(G));
        Out += " [";
        bool First = true;
        for (; G < FUsed.size() && FUsed[G]; ++G) {
            if (!First)
                Out += ' ';
            First = false;
            PdfInt(Out, FWidths[G]);
        }
        Out += "] ";
    }
    Out += ']';
    return Out;
}

std::string PdfFace::ToUnicode() const
{
    std::vector<uint32_t> Code(FUsed.size(), 0);
    WalkCmap(FRaw.fontTable("cmap"), [&](uint32_t C, uint32_t Glyph) {
        if (Glyph < FUsed.size() && FUsed[Glyph] && !Code[Glyph])
            Code[Glyph] = C;
    });
    std::vector<std::pair<uint32_t, uint32_t>> Pairs;
    for (size_t G = 0; G < Code.size(); ++G)
        if (Code[G])
            Pairs.emplace_back(static_cast<uint32_t>(G), Code[G]);

    std::string Out =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    // At most 100 entries a block, as CMap readers expect.
    for (size_t I = 0; I < Pairs.size(); I += 100) {
        const size_t N = std::min<size_t>(100, Pairs.size() - I);
        PdfInt(Out, static_cast<long long>(N));
        Out += " beginbfchar\n";
        for (size_t J = I; J < I + N; ++J) {
            Out += '<';
            PutHex4(Out, Pairs[J].first);
            Out += "> <";
            const uint32_t U = Pairs[J].second;
            if (U >= 0x10000) {
                PutHex4(Out, 0xD800 + ((U - 0x10000) >> 10));
                PutHex4(Out, 0xDC00 + ((U - 0x10000) & 0x3FF));
            } else {
                PutHex4(Out, U);
            }
            Out += ">\n";
        }
        Out += "endbfchar\n";
    }
    Out += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return Out;
}

std::string PdfFace::DescriptorMetrics() const
{
    std::string Out = "/FontBBox [";
    for (int I = 0; I < 4; ++I) {
        PdfInt(Out, FBox[I]);
        Out += I < 3 ? " " : "]";
    }
    Out += " /Ascent ";
    PdfInt(Out, FAscent);
    Out += " /Descent ";
    PdfInt(Out, FDescent);
    Out += " /CapHeight ";
    PdfInt(Out, FAscent);
    return Out;
}

// ---- PDF syntax

char* PdfIntTo(char* At, long long V)
{
    return std::to_chars(At, At + 24, V).ptr;
}

char* PdfNumTo(char* At, double V)
{
    const double Scaled = V * 100;
    if (!(std::abs(Scaled) < 9e15)) {
        *At++ = '0';
        return At;
    }
    auto N = static_cast<long long>(Scaled < 0 ? Scaled - 0.5 : Scaled + 0.5);
    if (N == 0) {
        *At++ = '0';
        return At;
    }
    if (N < 0) {
        *At++ = '-';
        N = -N;
    }
    At = PdfIntTo(At, N / 100);
    const int Frac = static_cast<int>(N % 100);
    if (Frac == 0)
        return At;
    *At++ = '.';
    *At++ = static_cast<char>('0' + Frac / 10);
    if (Frac % 10)
        *At++ = static_cast<char>('0' + Frac % 10);
    return At;
}

void PdfInt(std::string& Out, long long V)
{
    char Buffer[PdfNumChars];
    Out.append(Buffer, PdfIntTo(Buffer, V));
}

void PdfNum(std::string& Out, double V)
{
    char Buffer[PdfNumChars];
    Out.append(Buffer, PdfNumTo(Buffer, V));
}

void PdfTextString(std::string& Out, const QString& S)
{
    Out += "<FEFF";
    for (QChar C : S)
        PutHex4(Out, C.unicode());
    Out += '>';
}

// A fallback face Qt found for a script carries no family of its own, and
// QRawFont::familyName would read past its empty list: the family comes from
// the face's own name table (name 1: Windows Unicode, else Macintosh Roman).
QString PdfFamilyOf(const QRawFont& Raw)
{
    const QByteArray Names = Raw.fontTable("name");
    const uint32_t Count = U16(Names, 2);
    const uint32_t Strings = U16(Names, 4);
    QString Mac;
    for (uint32_t I = 0; I < Count; ++I) {
        const qsizetype At = 6 + qsizetype(I) * 12;
        if (At + 12 > Names.size())
            break;
        const uint32_t Platform = U16(Names, At), NameId = U16(Names, At + 6);
        const uint32_t Length = U16(Names, At + 8), Offset = U16(Names, At + 10);
        const qsizetype From = qsizetype(Strings) + qsizetype(Offset);
        if (NameId != 1 || Length == 0 || From + qsizetype(Length) > Names.size())
            continue;
        if (Platform == 3) {
            QString Name;
            for (uint32_t K = 0; K + 1 < Length; K += 2)
                Name.append(QChar(char16_t(U16(Names, From + qsizetype(K)))));
            return Name;
        }
        if (Platform == 1 && Mac.isEmpty())
            Mac = QString::fromLatin1(Names.constData() + From, qsizetype(Length));
    }
    return Mac;
}
