// Metafiles: what a metafile canvas records plays back to the pixels the
// same drawing makes directly; the records written are the ones expected,
// per kind; metafiles travel through streams; damaged metafiles are refused.

#include "platform/forms/Metafiles.h"

#include "platform/classes/Streams.h"
#include "platform/winapi/DeviceContexts.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace {

// EMF record kinds the tests look for.
enum : uint32_t {
    Header = 1, PolyBezierRec = 2, Eof = 14, SetPixelV = 15, SetTextColorRec = 24, SelectObject_ = 37, CreateBrush = 39, DeleteObject_ = 40, Ellipse_ = 42, Rectangle_ = 43, RoundRect_ = 44, BitBlt_ = 76, CreateFont_ = 82, ExtTextOutW_ = 84, Polyline16 = 87, PolyPolygon16 = 91,
};

uint32_t U32(const std::string& B, size_t At)
{
    uint32_t V;
    std::memcpy(&V, B.data() + At, 4);
    return V;
}

struct Record {
    uint32_t Type;
    std::string Bytes;
    uint32_t Field(size_t At) const { return U32(Bytes, At); }
};

// The records of a metafile, in order.
std::vector<Record> RecordsOf(const std::string& Emf)
{
    std::vector<Record> Out;
    for (size_t At = 0; At + 8 <= Emf.size();) {
        const uint32_t Size = U32(Emf, At + 4);
        Out.push_back(Record {U32(Emf, At), Emf.substr(At, Size)});
        if (Size < 8)
            break;
        At += Size;
    }
    return Out;
}

std::vector<uint32_t> KindsOf(const std::string& Emf)
{
    std::vector<uint32_t> Out;
    for (const Record& R : RecordsOf(Emf))
        Out.push_back(R.Type);
    return Out;
}

std::map<uint32_t, int> CountKinds(const std::string& Emf)
{
    std::map<uint32_t, int> Out;
    for (const Record& R : RecordsOf(Emf))
        ++Out[R.Type];
    return Out;
}

// A white bitmap and its DC.
struct Surface {
    TBitmap Bitmap;
    HDC DC;
    Surface(int W, int H)
    {
        Bitmap.SetSize(W, H);
        Bitmap.Canvas()->Brush()->SetColor(clWhite);
        Bitmap.Canvas()->FillRect(Rect(0, 0, W, H));
        DC = Bitmap.Canvas()->Handle();
    }
};

// Records Draw on a metafile of W x H pixels.
template <class F>
std::unique_ptr<TMetafile> Record_(int W, int H, F&& Draw)
{
    auto M = std::make_unique<TMetafile>();
    M->SetWidth(W);
    M->SetHeight(H);
    {
        TMetafileCanvas Canvas(M.get(), nullptr);
        Draw(Canvas.Handle());
    }
    return M;
}

int DifferentPixels(HDC A, HDC B, int W, int H)
{
    int N = 0;
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            N += GetPixel(A, X, Y) != GetPixel(B, X, Y);
    return N;
}

void KeepPng(TBitmap& B, const char* Name)
{
    if (const char* Dir = std::getenv("PRICETAGS_PNG_DIR"))
        WriteBytes(std::filesystem::path(Dir) / Name, B.SaveToPngBytes());
}

// Fills, lines, shapes, text and a picture: what report pages hold.
void DrawPage(HDC DC)
{
    HBRUSH Fill = CreateSolidBrush(RGB(255, 240, 200));
    FillRect(DC, Rect(10, 10, 190, 60), Fill);
    DeleteObject(Fill);
    HPEN Frame = CreatePen(PS_SOLID, 2, RGB(0, 0, 0));
    HGDIOBJ OldPen = SelectObject(DC, Frame);
    MoveToEx(DC, 10, 10, nullptr);
    LineTo(DC, 190, 10);
    LineTo(DC, 190, 60);
    SelectObject(DC, GetStockObject(NULL_BRUSH));
    Rectangle(DC, 10, 70, 90, 110);
    HBRUSH Teal = CreateSolidBrush(RGB(0, 150, 150));
    HGDIOBJ OldBrush = SelectObject(DC, Teal);
    Ellipse(DC, 100, 70, 150, 110);
    RoundRect(DC, 155, 70, 195, 110, 10, 10);
    const TPoint Tri[] = {{20, 120}, {60, 150}, {20, 150}};
    Polygon(DC, Tri, 3);
    SelectObject(DC, OldBrush);
    DeleteObject(Teal);
    SelectObject(DC, OldPen);
    DeleteObject(Frame);
    SetPixel(DC, 195, 195, RGB(255, 0, 0));
}

}  // namespace

TEST(Metafiles, SizeFollowsThePixelsAndTheFrame)
{
    TMetafile M;
    EXPECT_TRUE(M.Empty());
    M.SetWidth(748);
    M.SetHeight(1090);
    EXPECT_EQ(M.MMWidth(), 748 * 2540 / 96);
    EXPECT_EQ(M.MMHeight(), 1090 * 2540 / 96);
    EXPECT_EQ(M.Width(), 748);
    EXPECT_EQ(M.Height(), 1090);
    EXPECT_TRUE(M.Enhanced());
    {
        TMetafileCanvas C(&M, nullptr);
    }
    ASSERT_FALSE(M.Empty());
    // The header carries the frame in 0.01 mm and a 96-dpi reference device.
    const std::string& E = M.Data();
    EXPECT_EQ(U32(E, 0), Header);
    EXPECT_EQ(U32(E, 24), 0u);
    EXPECT_EQ(static_cast<int>(U32(E, 32)), 748 * 2540 / 96);
    EXPECT_EQ(static_cast<int>(U32(E, 36)), 1090 * 2540 / 96);
    EXPECT_EQ(U32(E, 48), E.size());             // nBytes
    EXPECT_EQ(U32(E, 72), 96u * 20);             // szlDevice
    EXPECT_EQ(U32(E, 80), 508u);                 // szlMillimeters
    EXPECT_EQ(KindsOf(E), (std::vector<uint32_t> {Header, Eof}));
    EXPECT_EQ(M.Width(), 748);

    TMetafile Copy;
    Copy.Assign(&M);
    EXPECT_EQ(Copy.Data(), M.Data());
    EXPECT_EQ(Copy.MMWidth(), M.MMWidth());
    Copy.Clear();
    EXPECT_TRUE(Copy.Empty());
    EXPECT_EQ(Copy.Width(), 0);
}

// A file's frame may span more than an int: the size stops at the
// largest, it does not wrap round to nothing.
TEST(Metafiles, HugeFrameKeepsTheLargestSize)
{
    TMetafile M;
    M.SetWidth(10);
    M.SetHeight(10);
    {
        TMetafileCanvas C(&M, nullptr);
    }
    std::string E = M.Data();
    const int32_t Left = INT32_MIN, Right = 4233;
    std::memcpy(E.data() + 24, &Left, 4);
    std::memcpy(E.data() + 32, &Right, 4);
    TMetafile Wide;
    Wide.SetData(E);
    EXPECT_EQ(Wide.MMWidth(), INT_MAX);
    EXPECT_EQ(Wide.MMHeight(), M.MMHeight());
}

TEST(Metafiles, StateIsWrittenOnlyWhenItChanges)
{
    auto M = Record_(100, 100, [](HDC DC) {
        HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(DC, Rect(0, 0, 10, 10), Red);
        FillRect(DC, Rect(10, 0, 20, 10), Red);
        DeleteObject(Red);
        // A new brush of the same colour is the same brush.
        HBRUSH Again = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(DC, Rect(20, 0, 30, 10), Again);
        DeleteObject(Again);
        SetTextColor(DC, RGB(0, 0, 255));
        SetTextColor(DC, RGB(0, 0, 0));  // back before anything is drawn
        HBRUSH Blue = CreateSolidBrush(RGB(0, 0, 255));
        FillRect(DC, Rect(30, 0, 40, 10), Blue);
        DeleteObject(Blue);
    });
    const auto Kinds = CountKinds(M->Data());
    EXPECT_EQ(Kinds.at(BitBlt_), 4);
    EXPECT_EQ(Kinds.at(CreateBrush), 2);
    EXPECT_EQ(Kinds.count(SetTextColorRec), 0u);
    // The font, pen and first brush replace the defaults; the second brush
    // replaces the first, which is deleted.
    EXPECT_EQ(Kinds.at(DeleteObject_), 1);
    EXPECT_EQ(Kinds.at(SelectObject_), 4);
    // Every PatBlt fill is a BITBLT without a source, PATCOPY.
    for (const Record& R : RecordsOf(M->Data()))
        if (R.Type == BitBlt_) {
            EXPECT_EQ(R.Field(40), 0x00F00021u);  // dwRop
            EXPECT_EQ(R.Field(88), 0u);           // cbBmiSrc
        }
}

// Each kind of drawing call gives its record, with the geometry as drawn.
TEST(Metafiles, DrawingCallsBecomeTheirRecords)
{
    struct Case {
        const char* Name;
        void (*Draw)(HDC);
        uint32_t Kind;
    };
    const Case Cases[] = {
        {"line", [](HDC DC) { MoveToEx(DC, 1, 2, nullptr); LineTo(DC, 30, 40); }, Polyline16},
        {"rectangle", [](HDC DC) { Rectangle(DC, 1, 2, 30, 40); }, Rectangle_},
        {"ellipse", [](HDC DC) { Ellipse(DC, 1, 2, 30, 40); }, Ellipse_},
        {"round rect", [](HDC DC) { RoundRect(DC, 1, 2, 30, 40, 5, 5); }, RoundRect_},
        {"polygon", [](HDC DC) { const TPoint P[] = {{1, 2}, {30, 2}, {1, 40}}; Polygon(DC, P, 3); }, PolyPolygon16},
        {"bezier", [](HDC DC) { const TPoint P[] = {{1, 2}, {5, 9}, {9, 9}, {30, 40}}; PolyBezier(DC, P, 4); },
            PolyBezierRec},
        {"pixel", [](HDC DC) { SetPixel(DC, 3, 4, RGB(1, 2, 3)); }, SetPixelV},
        {"text", [](HDC DC) { TextOut(DC, 3, 4, "Abc", 3); }, ExtTextOutW_},
        {"fill", [](HDC DC) { FillRect(DC, Rect(1, 2, 30, 40), HBRUSH(GetStockObject(GRAY_BRUSH))); }, BitBlt_},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        auto M = Record_(50, 50, C.Draw);
        const auto Kinds = KindsOf(M->Data());
        ASSERT_GE(Kinds.size(), 3u);
        EXPECT_EQ(Kinds[Kinds.size() - 2], C.Kind);
        EXPECT_EQ(Kinds.back(), Eof);
        EXPECT_EQ(CheckEnhMetaFileBits(M->Data().data(), M->Data().size()), M->Data().size());
    }
}

TEST(Metafiles, TextKeepsItsCharactersAdvancesAndClip)
{
    auto M = Record_(200, 50, [](HDC DC) {
        LOGFONT LF;
        LF.lfHeight = -16;
        LF.lfWeight = FW_BOLD;
        LF.lfCharSet = 204;
        LF.lfFaceName = "Arial";
        HFONT F = CreateFontIndirect(LF);
        HGDIOBJ Old = SelectObject(DC, F);
        const TRect Box = Rect(5, 5, 60, 25);
        const int Dx[] = {10, 11, 12, 13};
        const AnsiString Text = "Цена"_a;
        ExtTextOut(DC, 6, 7, ETO_CLIPPED, &Box, Text.c_str(), 4, Dx);
        SelectObject(DC, Old);
        DeleteObject(F);
    });
    const auto Records = RecordsOf(M->Data());
    const Record* Font = nullptr;
    const Record* Text = nullptr;
    for (const Record& R : Records) {
        if (R.Type == CreateFont_)
            Font = &R;
        if (R.Type == ExtTextOutW_)
            Text = &R;
    }
    ASSERT_TRUE(Font && Text);
    EXPECT_EQ(static_cast<int32_t>(Font->Field(12)), -16);  // lfHeight
    EXPECT_EQ(Font->Field(28), static_cast<uint32_t>(FW_BOLD));
    EXPECT_EQ(static_cast<unsigned char>(Font->Bytes[35]), 204);  // lfCharSet
    EXPECT_EQ(Font->Bytes[40], 'A');
    // ptlReference, nChars, offString, fOptions, rcl, offDx.
    EXPECT_EQ(Text->Field(36), 6u);
    EXPECT_EQ(Text->Field(40), 7u);
    EXPECT_EQ(Text->Field(44), 4u);
    EXPECT_EQ(Text->Field(52), static_cast<uint32_t>(ETO_CLIPPED));
    EXPECT_EQ(Text->Field(56), 5u);
    EXPECT_EQ(Text->Field(68), 25u);
    const uint32_t OffString = Text->Field(48), OffDx = Text->Field(72);
    const char16_t Expected[] = u"Цена";
    EXPECT_EQ(std::memcmp(Text->Bytes.data() + OffString, Expected, 8), 0);
    for (uint32_t I = 0; I < 4; ++I)
        EXPECT_EQ(Text->Field(OffDx + 4 * I), 10 + I);
}

TEST(Metafiles, PlayedPageMatchesTheDirectDrawing)
{
    constexpr int W = 200, H = 200;
    Surface Direct(W, H);
    DrawPage(Direct.DC);
    auto M = Record_(W, H, DrawPage);
    Surface Played(W, H);
    ASSERT_TRUE(PlayEnhMetaFile(Played.DC, M.get(), Rect(0, 0, W, H)));
    EXPECT_EQ(DifferentPixels(Direct.DC, Played.DC, W, H), 0);
    EXPECT_EQ(GetPixel(Played.DC, 195, 195), RGB(255, 0, 0));

    // The target's own state is left alone.
    EXPECT_EQ(GetMapMode(Played.DC), MM_TEXT);
    EXPECT_EQ(GetGraphicsMode(Played.DC), GM_COMPATIBLE);

    // Stretched to half the size, the page lands in the rectangle given.
    Surface Half(W, H);
    ASSERT_TRUE(PlayEnhMetaFile(Half.DC, M.get(), Rect(100, 100, 200, 200)));
    EXPECT_EQ(GetPixel(Half.DC, 50, 50), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(Half.DC, 150, 115), RGB(255, 240, 200));
    EXPECT_EQ(GetPixel(Half.DC, 150, 105), RGB(0, 0, 0));  // the frame line, 1 pixel wide now
    KeepPng(Played.Bitmap, "metafile-page.png");
    KeepPng(Half.Bitmap, "metafile-half.png");
}

// Text that goes back and forth between fonts, as a sheet of tags does: a
// font made once is selected again, not made again; past the fonts a page
// keeps, the kept ones are deleted. The played page is the direct drawing.
TEST(Metafiles, FontsMadeOnceAreSelectedAgain)
{
    constexpr int W = 300, H = 200;
    const auto Draw = [](HDC DC, int Sizes) {
        const auto Text = [DC](int Height, int Weight, int X, int Y) {
            LOGFONT LF;
            LF.lfHeight = Height;
            LF.lfWeight = Weight;
            LF.lfFaceName = "Arial";
            HFONT F = CreateFontIndirect(LF);
            HGDIOBJ Old = SelectObject(DC, F);
            const AnsiString S = "Цена 12"_a;
            ExtTextOut(DC, X, Y, 0, nullptr, S.c_str(), S.Length());
            SelectObject(DC, Old);
            DeleteObject(F);
        };
        for (int I = 0; I < 3; ++I) {
            Text(-12, FW_NORMAL, 5, 5 + I * 40);
            Text(-20, FW_BOLD, 80, 5 + I * 40);
        }
        for (int I = 0; I < Sizes; ++I)
            Text(-8 - I, FW_NORMAL, 160 + (I % 4) * 30, 5 + (I / 4) * 12);
        Text(-12, FW_NORMAL, 5, 160);
    };
    struct Case {
        int Sizes;
        int Fonts;
        const char* Why;
    } const Cases[] = {
        {0, 2, "two fonts, each made once"},
        // The sizes hold the first font once more (reused) and 19 new ones;
        // the 17th font made deletes the 16 kept, so the last text makes
        // the first font again.
        {20, 22, "more fonts than a page keeps"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        auto M = Record_(W, H, [&](HDC DC) { Draw(DC, C.Sizes); });
        const auto Kinds = CountKinds(M->Data());
        EXPECT_EQ(Kinds.at(CreateFont_), C.Fonts);
        EXPECT_EQ(Kinds.count(DeleteObject_) ? Kinds.at(DeleteObject_) : 0, C.Sizes ? 16 : 0);
        Surface Direct(W, H);
        Draw(Direct.DC, C.Sizes);
        Surface Played(W, H);
        ASSERT_TRUE(PlayEnhMetaFile(Played.DC, M.get(), Rect(0, 0, W, H)));
        EXPECT_EQ(DifferentPixels(Direct.DC, Played.DC, W, H), 0);
    }
}

TEST(Metafiles, StreamsCarryTheMetafileAndWhatFollows)
{
    auto M = Record_(100, 80, DrawPage);
    TMemoryStream S;
    M->SaveToStream(&S);
    const int32_t Marker = 0x12345678;
    S.WriteBuffer(&Marker, 4);
    S.SetPosition(0);
    TMetafile Read;
    Read.LoadFromStream(&S);
    EXPECT_EQ(Read.Data(), M->Data());
    EXPECT_EQ(Read.Width(), 100);
    EXPECT_EQ(Read.Height(), 80);
    int32_t After = 0;
    S.ReadBuffer(&After, 4);
    EXPECT_EQ(After, Marker);
}

TEST(Metafiles, DamagedMetafilesAreRefused)
{
    auto M = Record_(50, 50, DrawPage);
    const std::string Good = M->Data();
    struct Case {
        const char* Name;
        std::string Bytes;
    };
    std::vector<Case> Cases;
    Cases.push_back({"empty", ""});
    Cases.push_back({"header cut", Good.substr(0, 60)});
    Cases.push_back({"no end record", Good.substr(0, Good.size() - 20)});
    {
        std::string B = Good;
        const uint32_t Huge = 0x7FFFFFF0;
        std::memcpy(B.data() + 48, &Huge, 4);  // nBytes beyond the data
        Cases.push_back({"length beyond the data", B});
    }
    {
        std::string B = Good;
        const size_t First = U32(Good, 4);
        const uint32_t Zero = 0;
        std::memcpy(B.data() + First + 4, &Zero, 4);  // a record of size 0
        Cases.push_back({"record of size 0", B});
    }
    {
        std::string B = Good;
        const size_t First = U32(Good, 4);
        const uint32_t Odd = 10;
        std::memcpy(B.data() + First + 4, &Odd, 4);
        Cases.push_back({"record size not a multiple of 4", B});
    }
    {
        std::string B = Good;
        B[40] = 'X';  // signature
        Cases.push_back({"bad signature", B});
    }
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        std::string Error;
        EXPECT_EQ(CheckEnhMetaFileBits(C.Bytes.data(), C.Bytes.size(), &Error), 0u);
        EXPECT_FALSE(Error.empty());
        Surface S(50, 50);
        EXPECT_FALSE(PlayEnhMetaFileBits(S.DC, C.Bytes.data(), C.Bytes.size(), Rect(0, 0, 50, 50)));
        EXPECT_EQ(GetPixel(S.DC, 20, 20), RGB(255, 255, 255));
        TMemoryStream Stream;
        if (!C.Bytes.empty())
            Stream.WriteBuffer(C.Bytes.data(), static_cast<int>(C.Bytes.size()));
        Stream.SetPosition(0);
        TMetafile Kept;
        Kept.Assign(M.get());
        ExpectRaises<EInvalidGraphic>([&] { Kept.LoadFromStream(&Stream); }, "Metafile is not valid");
        EXPECT_EQ(Kept.Data(), Good);
    }
}

// Each kind of drawing, recorded into a metafile and played onto a
// recording canvas, reads back as the same calls as drawn directly there.
TEST(Metafiles, RecordsReadBackAsTheCallsMade)
{
    struct Case {
        const char* Name;
        void (*Draw)(HDC);
    };
    const Case Cases[] = {
        {"fill", [](HDC DC) {
             HBRUSH B = CreateSolidBrush(RGB(1, 2, 3));
             FillRect(DC, Rect(1, 2, 30, 40), B);
             DeleteObject(B);
         }},
        {"hatched rectangle", [](HDC DC) {
             HBRUSH B = CreateHatchBrush(HS_CROSS, RGB(0, 128, 0));
             HGDIOBJ Old = SelectObject(DC, B);
             Rectangle(DC, 5, 5, 50, 30);
             SelectObject(DC, Old);
             DeleteObject(B);
         }},
        {"lines", [](HDC DC) {
             HPEN P = CreatePen(PS_DOT, 1, RGB(200, 0, 0));
             HGDIOBJ Old = SelectObject(DC, P);
             MoveToEx(DC, 1, 2, nullptr);
             LineTo(DC, 30, 40);
             const TPoint Zig[] = {{0, 0}, {10, 10}, {20, 0}};
             Polyline(DC, Zig, 3);
             SelectObject(DC, Old);
             DeleteObject(P);
         }},
        {"shapes", [](HDC DC) {
             Ellipse(DC, 1, 2, 30, 40);
             RoundRect(DC, 40, 2, 70, 40, 6, 8);
             const TPoint Tri[] = {{1, 50}, {30, 50}, {1, 90}};
             SetPolyFillMode(DC, WINDING);
             Polygon(DC, Tri, 3);
         }},
        {"text", [](HDC DC) {
             LOGFONT LF;
             LF.lfHeight = -13;
             LF.lfItalic = 1;
             LF.lfFaceName = "Times New Roman";
             HFONT F = CreateFontIndirect(LF);
             HGDIOBJ Old = SelectObject(DC, F);
             SetTextColor(DC, RGB(0, 0, 255));
             SetBkColor(DC, RGB(255, 255, 0));
             SetTextAlign(DC, TA_RIGHT | TA_BOTTOM);
             const TRect Box = Rect(10, 10, 90, 30);
             ExtTextOut(DC, 80, 28, ETO_OPAQUE | ETO_CLIPPED, &Box, "Итого", 5);
             SelectObject(DC, Old);
             DeleteObject(F);
         }},
        {"turned text", [](HDC DC) {
             LOGFONT LF;
             LF.lfHeight = -12;
             LF.lfEscapement = LF.lfOrientation = 900;
             LF.lfFaceName = "Arial";
             HFONT F = CreateFontIndirect(LF);
             HGDIOBJ Old = SelectObject(DC, F);
             SetBkMode(DC, TRANSPARENT);
             TextOut(DC, 20, 90, "Up", 2);
             SelectObject(DC, Old);
             DeleteObject(F);
         }},
        {"clip and mapping", [](HDC DC) {
             const int Saved = SaveDC(DC);
             IntersectClipRect(DC, 10, 10, 40, 40);
             SetMapMode(DC, MM_ANISOTROPIC);
             SetWindowExtEx(DC, 2, 2, nullptr);
             SetViewportExtEx(DC, 1, 1, nullptr);
             Rectangle(DC, 0, 0, 100, 100);
             RestoreDC(DC, Saved);
             Rectangle(DC, 50, 50, 60, 60);
         }},
        {"rotation", [](HDC DC) {
             SetGraphicsMode(DC, GM_ADVANCED);
             const XFORM Turn {0, 1, -1, 0, 60, 10};
             SetWorldTransform(DC, Turn);
             Rectangle(DC, 0, 0, 20, 10);
         }},
        {"pixel", [](HDC DC) { SetPixel(DC, 3, 4, RGB(1, 2, 3)); }},
        {"opaque box without text", [](HDC DC) {
             SetBkColor(DC, RGB(0, 200, 0));
             const TRect Box = Rect(10, 10, 40, 20);
             ExtTextOut(DC, 10, 10, ETO_OPAQUE, &Box, "", 0);
         }},
        {"nothing left to draw in", [](HDC DC) {
             IntersectClipRect(DC, 5, 5, 5, 5);
             Rectangle(DC, 0, 0, 20, 20);
             SelectClipRgn(DC, nullptr);
             Rectangle(DC, 0, 0, 20, 20);
         }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TRecordingCanvas Direct(100, 100);
        C.Draw(Direct.Handle());
        ASSERT_FALSE(Direct.Log().empty());
        auto M = Record_(100, 100, C.Draw);
        TRecordingCanvas Played(100, 100);
        ASSERT_TRUE(PlayEnhMetaFile(Played.Handle(), M.get(), Rect(0, 0, 100, 100)));
        EXPECT_EQ(Played.Log(), Direct.Log());
    }
}
