#include "common/reports/RP_Eng.h"

#include "platform/classes/Streams.h"
#include "platform/forms/Graphics.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"

#include <string_view>

namespace {

constexpr TColor ColorTable[17] = {
    0xFFFFFF, 0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
    0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00,
    RP_NoColor,
};

constexpr const char* LatinBandNames[BandTypeCount] = {
    "Report title", "Report summary", "Page header", "Page footer", "Master header",
    "Master data", "Master footer", "Detail header", "Detail data", "Detail footer",
    "Subdetail header", "Subdetail data", "Subdetail footer", "Overlay", "",
};

constexpr const char* RussianBandNames[BandTypeCount] = {
    "Заголовок отчета"_c, "Итог по отчету"_c, "Шапка страницы"_c, "Подвал страницы"_c,
    "Заголовок основных"_c, "Основные данные"_c, "Итог основных"_c,
    "Заголовок детализированых"_c, "Детализированые данные"_c, "Итог детализированых"_c,
    "Заголовок подчиненных"_c, "Подчиненные данные"_c, "Итог подчиненных"_c,
    "Фоновый слой"_c, "",
};

const char* const SReportLoadError = "Error loading report from file";

}  // namespace

AnsiString BandTypeName(int BandType, bool Russian)
{
    if (BandType < 0 || BandType >= BandTypeCount)
        BandType = btNone;
    return Russian ? RussianBandNames[BandType] : LatinBandNames[BandType];
}

// Whole numbers times 96 or 2540 are exact in a double, so the one division
// meets an exact half where there is one and rounds it to even.
int HundredthsMMToPixels(int Value)
{
    return static_cast<int>(Round(static_cast<Extended>(Value) * 96.0 / 2540.0));
}

int PixelsToHundredthsMM(int Value)
{
    return static_cast<int>(Round(static_cast<Extended>(Value) * 2540.0 / 96.0));
}

int ColorToIndex(TColor Color)
{
    for (int I = 0; I < 17; ++I)
        if (ColorTable[I] == Color)
            return I;
    return 16;
}

TColor IndexToColor(int Index)
{
    if (Index < 0 || Index > 16)
        return 0;
    return ColorTable[Index];
}

bool PointInRectInclusive(const TRect& R, const TPoint& P)
{
    return R.Left <= P.X && P.X <= R.Right && R.Top <= P.Y && P.Y <= R.Bottom;
}

bool ClassifyRect(const TRect& A, const TRect& B, int& Code)
{
    if (A.Left > B.Right || A.Right < B.Left || A.Top > B.Bottom || A.Bottom < B.Top)
        Code = 1;
    else if (PointInRectInclusive(B, A.TopLeft()) && PointInRectInclusive(B, A.BottomRight()))
        Code = 0;
    else
        Code = 2;
    return Code == 0;
}

int FindTextFrom(const AnsiString& Sub, const AnsiString& S, int Start, bool CaseSensitive)
{
    if (Start < 1)
        Start = 1;
    if (Sub.IsEmpty() || Start > S.Length())
        return 0;
    const AnsiString Needle = CaseSensitive ? Sub : AnsiUpperCase(Sub);
    const AnsiString Hay = CaseSensitive ? S : AnsiUpperCase(S);
    const size_t At = Hay.View().find(Needle.View(), static_cast<size_t>(Start - 1));
    return At == std::string_view::npos ? 0 : static_cast<int>(At) + 1;
}

void ClearExtentRecord(ExtentRecord& Rec)
{
    Rec = ExtentRecord();
}

void DrawSelectionRect(TCanvas* Canvas, const TRect& R)
{
    Canvas->Pen()->SetColor(clBlack);
    Canvas->Pen()->SetMode(pmNot);
    Canvas->Pen()->SetWidth(2);
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->Rectangle(R);
    Canvas->Pen()->SetMode(pmCopy);
    Canvas->Brush()->SetStyle(bsSolid);
}

namespace RP_Eng {

void WriteInteger(TStream& Stream, Integer Value)
{
    const auto U = static_cast<uint32_t>(Value);
    const unsigned char Bytes[4] = {
        static_cast<unsigned char>(U), static_cast<unsigned char>(U >> 8),
        static_cast<unsigned char>(U >> 16), static_cast<unsigned char>(U >> 24)};
    Stream.WriteBuffer(Bytes, 4);
}

Integer ReadInteger(TStream& Stream)
{
    unsigned char Bytes[4];
    Stream.ReadBuffer(Bytes, 4);
    const uint32_t U = uint32_t(Bytes[0]) | uint32_t(Bytes[1]) << 8 | uint32_t(Bytes[2]) << 16 |
                       uint32_t(Bytes[3]) << 24;
    return static_cast<Integer>(U);
}

void WriteByte(TStream& Stream, Byte Value)
{
    Stream.WriteBuffer(&Value, 1);
}

Byte ReadByte(TStream& Stream)
{
    Byte Value = 0;
    Stream.ReadBuffer(&Value, 1);
    return Value;
}

void WriteBoolean(TStream& Stream, bool Value)
{
    WriteByte(Stream, Value ? 0xFF : 0x00);
}

bool ReadBoolean(TStream& Stream)
{
    return ReadByte(Stream) != 0;
}

void WriteString(TStream& Stream, const AnsiString& S)
{
    if (S.Length() <= 255) {
        WriteByte(Stream, StrPrefixShort);
        WriteByte(Stream, static_cast<Byte>(S.Length()));
    } else {
        WriteByte(Stream, StrPrefixLong);
        WriteInteger(Stream, S.Length());
    }
    if (!S.IsEmpty())
        Stream.WriteBuffer(S.Data(), S.Length());
}

AnsiString ReadString(TStream& Stream)
{
    Integer Len = 0;
    switch (ReadByte(Stream)) {
    case StrPrefixShort: Len = ReadByte(Stream); break;
    case StrPrefixLong:
        Len = ReadInteger(Stream);
        // A damaged template may claim up to 2 GB here; refuse it before
        // allocating instead of failing after.
        if (Len < 0 || Len > BytesLeft(Stream))
            RaiseReportLoadError();
        break;
    default:
        throw EReadError("ReadString: Ошибка чтения"_a);
    }
    AnsiString Result;
    Result.SetLength(Len);
    if (Len > 0)
        Stream.ReadBuffer(Result.Data(), Len);
    return Result;
}

void WriteIntegerTag(TStream& Stream, Byte Tag, Integer Value)
{
    WriteByte(Stream, Tag);
    WriteInteger(Stream, Value);
}

void WriteBooleanTag(TStream& Stream, Byte Tag, bool Value)
{
    WriteByte(Stream, Tag);
    WriteBoolean(Stream, Value);
}

void WriteStringTag(TStream& Stream, Byte Tag, const AnsiString& Value)
{
    WriteByte(Stream, Tag);
    WriteString(Stream, Value);
}

Int64 BytesLeft(TStream& Stream)
{
    const Int64 Left = Stream.Size() - Stream.Position();
    return Left > 0 ? Left : 0;
}

}  // namespace RP_Eng

void RaiseReportLoadError(const AnsiString& Detail)
{
    if (Detail.IsEmpty())
        throw Exception(SReportLoadError);
    throw Exception(AnsiString(SReportLoadError) + "\r\n" + Detail);
}

void CheckReportLoad(bool Condition)
{
    if (!Condition)
        RaiseReportLoadError();
}

void RaiseNotConfigFile()
{
    RaiseReportLoadError("File is not a Report configfile");
}

void RaiseUnknownDataPrefix(int Tag)
{
    RaiseReportLoadError("Unknown DataPrefix [" + IntToStr(Tag) + "]");
}
