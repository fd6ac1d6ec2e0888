#pragma once

// The report engine's core routines: lengths in hundredths of a millimetre
// against pixels at 96 dpi, the seventeen-colour table of older templates,
// rectangle tests of the designer and the print-area check, a substring
// search with optional case, the designer's selection rectangle, the
// primitives of the binary template stream, the template load errors and
// the band kinds. None of them keeps state.
//
// Rounding is to the nearest integer with halves to the even neighbour.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Types.h"

#include <cstdint>

class TCanvas;
class TStream;

using TColor = int32_t;

/// Band kinds in their stored order (templates keep the ordinals).
enum TBandType : Byte {
    btReportTitle, btReportSummary, btPageHeader, btPageFooter, btMasterHeader, btMasterData,
    btMasterFooter, btDetailHeader, btDetailData, btDetailFooter, btSubDetailHeader,
    btSubDetailData, btSubDetailFooter, btOverlay, btNone
};
inline constexpr int BandTypeCount = 15;

/// Display name of a band kind: the Russian table or the Latin one; kinds
/// past btNone count as btNone (an empty name).
[[nodiscard]] AnsiString BandTypeName(int BandType, bool Russian);

/// The colour that paints nothing.
inline constexpr TColor RP_NoColor = 0x1FFFFFFF;

/// Pixels at 96 dpi per hundredth of a millimetre, and the other way round.
inline constexpr Extended PixelsPerHundredthMM = 96.0 / 2540.0;
inline constexpr Extended HundredthsMMPerPixel = 2540.0 / 96.0;

/// Hundredths of a millimetre as whole pixels at 96 dpi (2540 -> 96).
[[nodiscard]] int HundredthsMMToPixels(int Value);
/// Pixels at 96 dpi as whole hundredths of a millimetre (96 -> 2540,
/// 12 -> 318: the exact half 317.5 goes to the even neighbour).
[[nodiscard]] int PixelsToHundredthsMM(int Value);

/// Index (0..16) of the first table colour equal to Color; 16 (no colour)
/// when none is.
[[nodiscard]] int ColorToIndex(TColor Color);
/// The table colour of Index 0..16; 0 (black) for any other index.
[[nodiscard]] TColor IndexToColor(int Index);

/// True when P lies in R, all four edges included.
[[nodiscard]] bool PointInRectInclusive(const TRect& R, const TPoint& P);
/// Code 1 when A and B do not overlap; else 0 when A's top-left and
/// bottom-right corners both lie in B (edges included); else 2. True when
/// the code is 0.
bool ClassifyRect(const TRect& A, const TRect& B, int& Code);
/// 1-based position of Sub in S searched from Start (below 1 counts as 1);
/// without CaseSensitive both texts are upper-cased (CP1251) first. 0 when
/// absent or when Sub is empty.
[[nodiscard]] int FindTextFrom(const AnsiString& Sub, const AnsiString& S, int Start,
                               bool CaseSensitive);

/// The measure of one laid-out line: its width, height, ascent and the
/// internal and external leading of its tallest piece.
struct ExtentRecord {
    Integer Width = 0;
    Integer Height = 0;
    Integer Ascent = 0;
    Integer IntLeading = 0;
    Integer ExtLeading = 0;
};
/// Sets all five values to 0.
void ClearExtentRecord(ExtentRecord& Rec);

/// The designer's selection frame: an inverting black pen 2 pixels wide
/// and a hollow brush draw R; pen mode and brush go back to copy and solid.
void DrawSelectionRect(TCanvas* Canvas, const TRect& R);

// ---- binary template stream ---------------------------------------------
// Little-endian values without padding. A string is byte 6 and a one-byte
// length (up to 255 bytes) or byte 12 and a four-byte length, then its
// CP1251 bytes. A stream that ends inside a value raises EReadError
// "Stream read error".

namespace RP_Eng {

inline constexpr Byte StrPrefixShort = 6;
inline constexpr Byte StrPrefixLong = 12;

void WriteInteger(TStream& Stream, Integer Value);
[[nodiscard]] Integer ReadInteger(TStream& Stream);
void WriteByte(TStream& Stream, Byte Value);
[[nodiscard]] Byte ReadByte(TStream& Stream);
/// 0xFF for true, 0x00 for false; any non-zero byte reads as true.
void WriteBoolean(TStream& Stream, bool Value);
[[nodiscard]] bool ReadBoolean(TStream& Stream);
void WriteString(TStream& Stream, const AnsiString& S);
/// Raises EReadError "ReadString: Ошибка чтения" for a prefix other than 6
/// or 12, and the report load error (no detail) for a four-byte length
/// that is negative or longer than the bytes left, before allocating it.
[[nodiscard]] AnsiString ReadString(TStream& Stream);

/// A tagged value: the tag byte, then the value.
void WriteIntegerTag(TStream& Stream, Byte Tag, Integer Value);
void WriteBooleanTag(TStream& Stream, Byte Tag, bool Value);
void WriteStringTag(TStream& Stream, Byte Tag, const AnsiString& Value);

/// The bytes from the position to the end (0 when past it).
[[nodiscard]] Int64 BytesLeft(TStream& Stream);

}  // namespace RP_Eng

// ---- load errors ----------------------------------------------------------

/// Raises Exception "Error loading report from file", with CR LF and
/// Detail appended when Detail is not empty.
[[noreturn]] void RaiseReportLoadError(const AnsiString& Detail = AnsiString());
/// The load error without detail when Condition is false.
void CheckReportLoad(bool Condition);
/// The load error with the detail "File is not a Report configfile".
[[noreturn]] void RaiseNotConfigFile();
/// The load error with the detail "Unknown DataPrefix [" + Tag + "]".
[[noreturn]] void RaiseUnknownDataPrefix(int Tag);
