#pragma once

// Declarations shared by the PDF writer's files: the embedded font faces
// (PdfDeviceFonts.cpp) and the small writers of PDF syntax.

#include <QByteArray>
#include <QRawFont>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

/// The family of Raw's face, read from its name table (empty when it has
/// none); safe for the nameless fallback faces Qt finds for a script.
QString PdfFamilyOf(const QRawFont& Raw);

/// One face of a font as embedded in a file: a Type0 font whose character
/// codes are the face's glyph ids. Sizes share the face; bold and regular
/// of a family are two faces.
class PdfFace {
public:
    /// Reads the face's metrics from Raw's tables. Not Embeddable when the
    /// face has no TrueType outlines (its glyphs are then drawn as paths).
    PdfFace(const QRawFont& Raw, int Index);

    bool Embeddable() const { return FEmbeddable; }
    /// The resource name's number (/F<Index>).
    int Index() const { return FIndex; }
    const QRawFont& Raw() const { return FRaw; }
    /// Advance of Glyph in thousandths of the em, as the file states it
    /// (0 for ids past the face's glyphs).
    int Width(quint32 Glyph) const { return Glyph < FWidths.size() ? FWidths[Glyph] : 0; }
    /// Marks Glyph as drawn, so the subset keeps it.
    void Use(quint32 Glyph)
    {
        if (Glyph < FUsed.size())
            FUsed[Glyph] = 1;
    }
    bool AnyUsed() const;

    /// The subset's name: six letters from the glyphs kept, '+', the face's
    /// PostScript-like name.
    std::string SubsetName() const;
    /// The TrueType file of the used glyphs (and those composite glyphs
    /// are built of), keeping the face's glyph numbering.
    QByteArray SubsetFile() const;
    /// The /W array of the used glyphs' widths.
    std::string WidthArray() const;
    /// The ToUnicode CMap of the used glyphs that the face's cmap reaches.
    std::string ToUnicode() const;
    /// Font descriptor entries (FontBBox, Ascent, Descent, CapHeight).
    std::string DescriptorMetrics() const;

private:
    QRawFont FRaw;
    int FIndex = 0;
    bool FEmbeddable = false;
    int FUnitsPerEm = 1000;
    int FNumGlyphs = 0;
    bool FLongLoca = false;
    int FAscent = 0, FDescent = 0;
    int FBox[4] = {0, 0, 0, 0};
    std::string FName;
    std::vector<int> FWidths;
    std::vector<uint8_t> FUsed;

    int ToThousandths(int FontUnits) const;
    /// The used glyphs with the components of composite ones, and 0.
    std::vector<uint8_t> Closure(const QByteArray& Glyf, const std::vector<uint32_t>& Loca) const;
    std::vector<uint32_t> ReadLoca(const QByteArray& Loca) const;
};

// ---- PDF syntax

/// Room one number takes at most.
constexpr int PdfNumChars = 28;
/// Writes V with at most two decimals (no exponent, no "-0") at At and
/// returns the end; non-finite and huge values are written as 0.
char* PdfNumTo(char* At, double V);
char* PdfIntTo(char* At, long long V);
/// Appends a number as PdfNumTo / PdfIntTo write it.
void PdfNum(std::string& Out, double V);
void PdfInt(std::string& Out, long long V);
/// Appends S as a PDF text string (UTF-16BE with its byte order mark, hex).
void PdfTextString(std::string& Out, const QString& S);
