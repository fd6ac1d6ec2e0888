// The player on metafiles made by hand, record by record, apart from our
// writer: the kinds report pages and older generated reports hold (fills,
// lines, clipped and turned text, stretched, tiled and cut pictures, 8-bit
// text and blits with a source picture under a screen's mapping). Each is
// played onto a bitmap and compared with a reviewed picture; the metafiles
// themselves are kept as the player's fuzzing seeds. The damaged files of
// broken/ are refused.
//
// PRICETAGS_UPDATE_GOLDENS=1 rewrites the pictures and the metafiles.

#include "platform/forms/Metafiles.h"

#include "platform/classes/Streams.h"
#include "platform/forms/Graphics.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <uemf.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int W = 160;
constexpr int H = 120;

fs::path Data()
{
    return TestData() / "Metafiles";
}

bool Updating()
{
    const char* U = std::getenv("PRICETAGS_UPDATE_GOLDENS");
    return U && *U == '1';
}

/// Collects records made with the EMF library and closes them into a
/// metafile of W x H pixels on a reference device of Device pixels per
/// Millimeters mm.
class Emf {
public:
    void Add(char* Record)
    {
        ASSERT_NE(Record, nullptr);
        uint32_t Size;
        std::memcpy(&Size, Record + 4, 4);
        Body.append(Record, Size);
        ++Count;
        std::free(Record);
    }

    std::string Finish(U_SIZEL Device = {1920, 1920}, U_SIZEL Millimeters = {508, 508})
    {
        const U_RECTL Frame {0, 0, W * Millimeters.cx * 100 / Device.cx, H * Millimeters.cy * 100 / Device.cy};
        char* Header = U_EMRHEADER_set(U_RECTL {0, 0, W - 1, H - 1}, Frame, nullptr, 0, nullptr, Device, Millimeters, 0);
        uint32_t HeaderSize;
        std::memcpy(&HeaderSize, Header + 4, 4);
        std::string Out(Header, HeaderSize);
        std::free(Header);
        const uint32_t Eof[5] = {U_EMR_EOF, 20, 0, 16, 20};
        Out += Body;
        Out.append(reinterpret_cast<const char*>(Eof), sizeof Eof);
        auto* Hd = reinterpret_cast<U_EMRHEADER*>(Out.data());
        Hd->nBytes = static_cast<uint32_t>(Out.size());
        Hd->nRecords = Count + 2;
        Hd->nHandles = 8;
        return Out;
    }

private:
    std::string Body;
    uint32_t Count = 0;
};

const U_XFORM Identity {1, 0, 0, 1, 0, 0};

U_RECTL R(int L, int T, int Rt, int B)
{
    return U_RECTL {L, T, Rt, B};
}

U_POINTL P(int X, int Y)
{
    return U_POINTL {X, Y};
}

/// A 24-bit bottom-up DIB of Wd x Ht pixels painted by Colour(x, y) (x, y
/// from the top-left); header and bits.
struct Dib {
    std::string Info, Bits;
    Dib(int Wd, int Ht, const std::function<U_COLORREF(int, int)>& Colour)
    {
        const U_BITMAPINFOHEADER Header = bitmapinfoheader_set(Wd, Ht, 1, 24, U_BI_RGB, 0, 2835, 2835, 0, 0);
        Info.assign(reinterpret_cast<const char*>(&Header), sizeof Header);
        const int Stride = (Wd * 3 + 3) / 4 * 4;
        Bits.assign(static_cast<size_t>(Stride * Ht), '\0');
        for (int Y = 0; Y < Ht; ++Y)
            for (int X = 0; X < Wd; ++X) {
                const U_COLORREF C = Colour(X, Y);
                char* Px = Bits.data() + (Ht - 1 - Y) * Stride + X * 3;
                Px[0] = static_cast<char>(C.Blue);
                Px[1] = static_cast<char>(C.Green);
                Px[2] = static_cast<char>(C.Red);
            }
    }
    PU_BITMAPINFO Bmi() { return reinterpret_cast<PU_BITMAPINFO>(Info.data()); }
};

/// A checker of red and blue cells, with a black top-left cell to show
/// which way round the picture is.
Dib Checker(int Cells)
{
    return Dib(Cells, Cells, [](int X, int Y) {
        if (X == 0 && Y == 0)
            return U_RGB(0, 0, 0);
        return (X + Y) % 2 ? U_RGB(220, 30, 30) : U_RGB(30, 60, 220);
    });
}

U_LOGFONT Font(int Height, int Escapement, int Weight, const char16_t* Face)
{
    uint16_t Name[U_LF_FACESIZE] = {};
    for (int I = 0; Face[I] && I < U_LF_FACESIZE - 1; ++I)
        Name[I] = Face[I];
    return logfont_set(-Height, 0, Escapement, Escapement, Weight, 0, 0, 0, U_RUSSIAN_CHARSET, 0, 0, 0, 0, Name);
}

void TextW(Emf& E, int X, int Y, const std::u16string& S, uint32_t Options, U_RECTL Box, std::vector<uint32_t> Dx)
{
    char* T = emrtext_set(P(X, Y), static_cast<U_NUM_STR>(S.size()), 2, const_cast<char16_t*>(S.data()), Options,
        Box, Dx.data());
    E.Add(U_EMREXTTEXTOUTW_set(R(0, 0, W, H), U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(T)));
    std::free(T);
}

std::string Fills()
{
    Emf E;
    E.Add(U_EMRCREATEBRUSHINDIRECT_set(1, logbrush_set(U_BS_SOLID, U_RGB(255, 220, 120), 0)));
    E.Add(U_EMRSELECTOBJECT_set(1));
    E.Add(U_EMRBITBLT_set(R(0, 0, W, H), P(10, 10), P(60, 40), P(0, 0), Identity, U_RGB(0, 0, 0), U_DIB_RGB_COLORS,
        U_PATCOPY, nullptr, 0, nullptr));
    E.Add(U_EMRCREATEBRUSHINDIRECT_set(2, logbrush_set(U_BS_HATCHED, U_RGB(0, 120, 0), U_HS_DIAGCROSS)));
    E.Add(U_EMRSELECTOBJECT_set(2));
    E.Add(U_EMRDELETEOBJECT_set(1));
    E.Add(U_EMRSELECTOBJECT_set(U_NULL_PEN));
    E.Add(U_EMRRECTANGLE_set(R(80, 10, 150, 50)));
    E.Add(U_EMRCREATEBRUSHINDIRECT_set(1, logbrush_set(U_BS_SOLID, U_RGB(40, 40, 160), 0)));
    E.Add(U_EMRSELECTOBJECT_set(1));
    E.Add(U_EMRDELETEOBJECT_set(2));
    E.Add(U_EMRRECTANGLE_set(R(10, 60, 150, 110)));
    E.Add(U_EMRSELECTOBJECT_set(U_WHITE_BRUSH));
    E.Add(U_EMRDELETEOBJECT_set(1));
    return E.Finish();
}

std::string Lines()
{
    Emf E;
    E.Add(U_EMRCREATEPEN_set(1, logpen_set(U_PS_SOLID, U_POINT {3, 0}, U_RGB(200, 0, 0))));
    E.Add(U_EMRSELECTOBJECT_set(1));
    E.Add(U_EMRMOVETOEX_set(P(10, 10)));
    E.Add(U_EMRLINETO_set(P(150, 10)));
    E.Add(U_EMRLINETO_set(P(150, 60)));
    E.Add(U_EMRCREATEPEN_set(2, logpen_set(U_PS_DASH, U_POINT {1, 0}, U_RGB(0, 0, 0))));
    E.Add(U_EMRSELECTOBJECT_set(2));
    E.Add(U_EMRDELETEOBJECT_set(1));
    const U_POINT16 Zigzag[] = {{10, 30}, {40, 60}, {70, 30}, {100, 60}, {130, 30}};
    E.Add(U_EMRPOLYLINE16_set(R(10, 30, 130, 60), 5, Zigzag));
    E.Add(U_EMRCREATEPEN_set(1, logpen_set(U_PS_SOLID, U_POINT {1, 0}, U_RGB(0, 0, 120))));
    E.Add(U_EMRSELECTOBJECT_set(1));
    E.Add(U_EMRDELETEOBJECT_set(2));
    E.Add(U_EMRSELECTOBJECT_set(U_NULL_BRUSH));
    E.Add(U_EMRELLIPSE_set(R(10, 70, 60, 110)));
    E.Add(U_EMRROUNDRECT_set(R(70, 70, 110, 110), U_SIZEL {12, 12}));
    const U_POINT16 Triangle[] = {{120, 110}, {135, 70}, {150, 110}};
    E.Add(U_EMRPOLYGON16_set(R(120, 70, 150, 110), 3, Triangle));
    E.Add(U_EMRSELECTOBJECT_set(U_BLACK_PEN));
    E.Add(U_EMRDELETEOBJECT_set(1));
    return E.Finish();
}

std::string Text()
{
    Emf E;
    const U_LOGFONT Plain = Font(16, 0, 400, u"Arial");
    E.Add(U_EMREXTCREATEFONTINDIRECTW_set(1, reinterpret_cast<const char*>(&Plain), nullptr));
    E.Add(U_EMRSELECTOBJECT_set(1));
    E.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    E.Add(U_EMRSETTEXTCOLOR_set(U_RGB(0, 0, 160)));
    // Clipped to its box: the end of the word is cut.
    TextW(E, 10, 10, u"Стоимость", U_ETO_CLIPPED, R(10, 10, 70, 30), {9, 9, 9, 9, 9, 9, 9, 9, 9});
    const U_LOGFONT Bold = Font(20, 0, U_FW_BOLD, u"Times New Roman");
    E.Add(U_EMREXTCREATEFONTINDIRECTW_set(2, reinterpret_cast<const char*>(&Bold), nullptr));
    E.Add(U_EMRSELECTOBJECT_set(2));
    E.Add(U_EMRSETTEXTCOLOR_set(U_RGB(160, 0, 0)));
    TextW(E, 10, 40, u"125,00", U_ETO_NO_RECT, R(0, 0, -1, -1), {11, 11, 11, 6, 11, 11});
    // Turned a quarter to the left, reading upwards.
    const U_LOGFONT Up = Font(14, 900, 400, u"Arial");
    E.Add(U_EMREXTCREATEFONTINDIRECTW_set(3, reinterpret_cast<const char*>(&Up), nullptr));
    E.Add(U_EMRSELECTOBJECT_set(3));
    E.Add(U_EMRSETTEXTCOLOR_set(U_RGB(0, 0, 0)));
    TextW(E, 130, 110, u"Вверх", U_ETO_NO_RECT, R(0, 0, -1, -1), {8, 8, 8, 8, 8});
    E.Add(U_EMRSELECTOBJECT_set(U_SYSTEM_FONT));
    E.Add(U_EMRDELETEOBJECT_set(1));
    E.Add(U_EMRDELETEOBJECT_set(2));
    E.Add(U_EMRDELETEOBJECT_set(3));
    return E.Finish();
}

std::string Pictures()
{
    Emf E;
    Dib Small = Checker(4);
    // Stretched: 4 x 4 cells onto 60 x 40.
    E.Add(U_EMRSTRETCHDIBITS_set(R(0, 0, W, H), P(10, 10), P(60, 40), P(0, 0), P(4, 4), U_DIB_RGB_COLORS,
        U_SRCCOPY, Small.Bmi(), static_cast<uint32_t>(Small.Bits.size()), Small.Bits.data()));
    // Tiled: 16 x 16 tiles over 70 x 40, clipped to the area.
    Dib Tile = Dib(16, 16, [](int X, int Y) { return (X < 8) == (Y < 8) ? U_RGB(0, 150, 0) : U_RGB(250, 250, 0); });
    E.Add(U_EMRSAVEDC_set());
    E.Add(U_EMRINTERSECTCLIPRECT_set(R(80, 10, 150, 50)));
    for (int Y = 10; Y < 50; Y += 16)
        for (int X = 80; X < 150; X += 16)
            E.Add(U_EMRSTRETCHDIBITS_set(R(0, 0, W, H), P(X, Y), P(16, 16), P(0, 0), P(16, 16), U_DIB_RGB_COLORS,
                U_SRCCOPY, Tile.Bmi(), static_cast<uint32_t>(Tile.Bits.size()), Tile.Bits.data()));
    E.Add(U_EMRRESTOREDC_set(-1));
    // Cut: the top-left 2 x 2 cells of an 8 x 8 checker at 15 pixels a
    // cell. A bottom-up DIB counts source rows from its lower edge.
    Dib Big = Checker(8);
    E.Add(U_EMRSTRETCHDIBITS_set(R(0, 0, W, H), P(10, 60), P(30, 30), P(0, 6), P(2, 2), U_DIB_RGB_COLORS, U_SRCCOPY,
        Big.Bmi(), static_cast<uint32_t>(Big.Bits.size()), Big.Bits.data()));
    // The tiling clip is gone again: this one reaches past 150.
    E.Add(U_EMRSTRETCHDIBITS_set(R(0, 0, W, H), P(100, 60), P(55, 50), P(0, 0), P(4, 4), U_DIB_RGB_COLORS,
        U_SRCCOPY, Small.Bmi(), static_cast<uint32_t>(Small.Bits.size()), Small.Bits.data()));
    return E.Finish();
}

/// What older generated reports hold: a screen's reference device, an
/// anisotropic mapping, 8-bit text and blits with a source picture.
std::string Legacy()
{
    Emf E;
    E.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    E.Add(U_EMRSETWINDOWEXTEX_set(U_SIZEL {W * 2, H * 2}));
    E.Add(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL {W, H}));
    const U_LOGFONT Plain = Font(28, 0, 400, u"Arial");
    E.Add(U_EMREXTCREATEFONTINDIRECTW_set(1, reinterpret_cast<const char*>(&Plain), nullptr));
    E.Add(U_EMRSELECTOBJECT_set(1));
    E.Add(U_EMRSETTEXTCOLOR_set(U_RGB(0, 100, 0)));
    E.Add(U_EMRSETBKCOLOR_set(U_RGB(255, 255, 200)));
    const char Price[] = "\xD6\xE5\xED\xE0: 99";  // "Цена: 99" in CP1251
    std::vector<uint32_t> Dx(sizeof Price - 1, 16);
    char* T = emrtext_set(P(20, 20), sizeof Price - 1, 1, const_cast<char*>(Price), 0, R(0, 0, -1, -1), Dx.data());
    E.Add(U_EMREXTTEXTOUTA_set(R(0, 0, W, H), U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(T)));
    std::free(T);
    Dib Picture = Checker(4);
    Dib Large = Dib(40, 40, [](int X, int Y) { return (X < 20) == (Y < 20) ? U_RGB(0, 0, 0) : U_RGB(255, 140, 0); });
    E.Add(U_EMRBITBLT_set(R(0, 0, W, H), P(20, 90), P(40, 40), P(0, 0), Identity, U_RGB(255, 255, 255),
        U_DIB_RGB_COLORS, U_SRCCOPY, Large.Bmi(), static_cast<uint32_t>(Large.Bits.size()), Large.Bits.data()));
    E.Add(U_EMRSTRETCHBLT_set(R(0, 0, W, H), P(120, 90), P(160, 120), P(1, 1), P(2, 2), Identity,
        U_RGB(255, 255, 255), U_DIB_RGB_COLORS, U_SRCCOPY, Picture.Bmi(), static_cast<uint32_t>(Picture.Bits.size()),
        Picture.Bits.data()));
    E.Add(U_EMRSELECTOBJECT_set(U_SYSTEM_FONT));
    E.Add(U_EMRDELETEOBJECT_set(1));
    // A comment and a record kind the player does not know: skipped.
    E.Add(U_EMRCOMMENT_set(8, "Comment"));
    const uint32_t Unknown[4] = {117, 16, 1, 2};
    char* Raw = static_cast<char*>(std::malloc(sizeof Unknown));
    std::memcpy(Raw, Unknown, sizeof Unknown);
    E.Add(Raw);
    // A screen of 1024 x 768 pixels, 320 x 240 mm.
    return E.Finish(U_SIZEL {1024, 768}, U_SIZEL {320, 240});
}

/// Pixels that differ by more than a small amount in any channel.
int Differences(TBitmap& A, TBitmap& B)
{
    int N = 0;
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) {
            const TColor CA = A.Canvas()->Pixels(X, Y), CB = B.Canvas()->Pixels(X, Y);
            for (int Shift : {0, 8, 16})
                if (std::abs(static_cast<int>((CA >> Shift) & 0xFF) - static_cast<int>((CB >> Shift) & 0xFF)) > 48) {
                    ++N;
                    break;
                }
        }
    return N;
}

}  // namespace

TEST(MetafilesPlay, HandMadeMetafilesMatchTheirPictures)
{
    struct Case {
        const char* Name;
        std::string (*Make)();
    };
    const Case Cases[] = {
        {"fills", Fills}, {"lines", Lines}, {"text", Text}, {"pictures", Pictures}, {"legacy", Legacy},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const std::string Bytes = C.Make();
        ASSERT_EQ(CheckEnhMetaFileBits(Bytes.data(), Bytes.size()), Bytes.size());
        const fs::path Seed = Data() / (std::string(C.Name) + ".emf");
        const fs::path Golden = Data() / "golden" / (std::string(C.Name) + ".png");

        TBitmap Played;
        Played.SetSize(W, H);
        Played.Canvas()->Brush()->SetColor(clWhite);
        Played.Canvas()->FillRect(Rect(0, 0, W, H));
        ASSERT_TRUE(PlayEnhMetaFileBits(Played.Canvas()->Handle(), Bytes.data(), Bytes.size(), Rect(0, 0, W, H)));
        if (const char* Dir = std::getenv("PRICETAGS_PNG_DIR"))
            WriteBytes(fs::path(Dir) / (std::string("emf-") + C.Name + ".png"), Played.SaveToPngBytes());
        if (Updating()) {
            fs::create_directories(Golden.parent_path());
            WriteBytes(Seed, Bytes);
            WriteBytes(Golden, Played.SaveToPngBytes());
            continue;
        }
        ExpectMatchesGolden(Bytes, Seed);
        TBitmap Expected;
        Expected.LoadFromBytes(ReadBytes(Golden));
        ASSERT_EQ(Expected.Width(), W);
        EXPECT_LE(Differences(Played, Expected), W * H / 200);
    }
}

// Every file of broken/ fails the check, draws nothing and does not load.
TEST(MetafilesPlay, BrokenMetafilesAreRefused)
{
    int Seen = 0;
    for (const auto& Entry : fs::directory_iterator(Data() / "broken")) {
        SCOPED_TRACE(Entry.path().filename().string());
        ++Seen;
        const std::string Bytes = ReadBytes(Entry.path());
        std::string Error;
        EXPECT_EQ(CheckEnhMetaFileBits(Bytes.data(), Bytes.size(), &Error), 0u);
        EXPECT_FALSE(Error.empty());
        TBitmap B;
        B.SetSize(8, 8);
        EXPECT_FALSE(PlayEnhMetaFileBits(B.Canvas()->Handle(), Bytes.data(), Bytes.size(), Rect(0, 0, 8, 8)));
        TMemoryStream S;
        if (!Bytes.empty())
            S.WriteBuffer(Bytes.data(), static_cast<int>(Bytes.size()));
        S.SetPosition(0);
        TMetafile M;
        ExpectRaises<EInvalidGraphic>([&] { M.LoadFromStream(&S); }, "Metafile is not valid");
        EXPECT_TRUE(M.Empty());
    }
    EXPECT_GE(Seen, 6);
}

// The metafiles of hostile/ ask for fonts no page can hold. Played onto the
// preview's picture and onto one at a printer's density, each draws in
// bounded memory (the glyph renderer is not asked for absurd glyphs) or is
// refused for its reference device.
TEST(MetafilesPlay, AbsurdFontsAndDevicesAreBounded)
{
    int Seen = 0;
    for (const auto& Entry : fs::directory_iterator(Data() / "hostile")) {
        const std::string Name = Entry.path().filename().string();
        SCOPED_TRACE(Name);
        ++Seen;
        const std::string Bytes = ReadBytes(Entry.path());
        std::string Error;
        const bool Refused = Name.rfind("device-", 0) == 0;
        EXPECT_EQ(CheckEnhMetaFileBits(Bytes.data(), Bytes.size(), &Error), Refused ? 0u : Bytes.size());
        EXPECT_EQ(Error, Refused ? "bad reference device" : "");
        for (const TRect Target : {Rect(0, 0, W, H), Rect(0, 0, 1200, 900), Rect(0, 0, 2, 2)}) {
            TBitmap B;
            B.SetSize(Target.Right, Target.Bottom);
            EXPECT_EQ(bool(PlayEnhMetaFileBits(B.Canvas()->Handle(), Bytes.data(), Bytes.size(), Target)),
                      !Refused);
        }
    }
    EXPECT_GE(Seen, 10);
}

// A page's worth of lines many times over is all a metafile draws: a line
// at the top is drawn, then a polyline of 12,000 strokes across the
// picture (1.9 million pixels, past the 1.35 million a 160 x 120 picture
// allows) and every line after it are left out.
TEST(MetafilesPlay, LinesPastAPagesWorthAreLeftOut)
{
    Emf E;
    E.Add(U_EMRMOVETOEX_set(P(0, 5)));
    E.Add(U_EMRLINETO_set(P(W, 5)));
    std::vector<U_POINT16> Zigzag;
    for (int I = 0; I < 12000; ++I)
        Zigzag.push_back(U_POINT16 {static_cast<int16_t>(I % 2 ? W - 1 : 0), static_cast<int16_t>(20 + I % 80)});
    E.Add(U_EMRPOLYLINE16_set(R(0, 20, W, 100), static_cast<uint32_t>(Zigzag.size()), Zigzag.data()));
    E.Add(U_EMRMOVETOEX_set(P(0, 110)));
    E.Add(U_EMRLINETO_set(P(W, 110)));
    const std::string Bytes = E.Finish();
    TBitmap B;
    B.SetSize(W, H);
    B.Canvas()->Brush()->SetColor(clWhite);
    B.Canvas()->FillRect(Rect(0, 0, W, H));
    ASSERT_TRUE(PlayEnhMetaFileBits(B.Canvas()->Handle(), Bytes.data(), Bytes.size(), Rect(0, 0, W, H)));
    EXPECT_EQ(B.Canvas()->Pixels(80, 5), clBlack);
    EXPECT_EQ(B.Canvas()->Pixels(80, 60), clWhite);
    EXPECT_EQ(B.Canvas()->Pixels(80, 110), clWhite);
}

// Each kind of point and picture record, in its 16- and 32-bit forms, plays
// as the drawing call it stands for, with its points, rectangles and
// picture.
TEST(MetafilesPlay, PointAndPictureRecordsPlayAsTheirCalls)
{
    const U_POINT16 Short[] = {{10, 10}, {20, 30}, {30, 10}, {40, 30}};
    const U_POINTL Long[] = {{12, 40}, {22, 60}, {32, 40}, {42, 60}};
    const uint32_t Counts[] = {2, 2};
    const U_RECTL All = R(0, 0, W, H);
    Dib Picture = Checker(4);
    const auto Size = static_cast<uint32_t>(Picture.Bits.size());
    struct Case {
        const char* Name;
        std::function<char*()> Record;
        std::vector<std::string> Calls;
    };
    const Case Cases[] = {
        {"polyline16", [&] { return U_EMRPOLYLINE16_set(All, 4, Short); },
            {"line 10,10 20,30 30,10 40,30 pen solid 1 000000"}},
        {"polyline", [&] { return U_EMRPOLYLINE_set(All, 4, Long); },
            {"line 12,40 22,60 32,40 42,60 pen solid 1 000000"}},
        {"polygon16", [&] { return U_EMRPOLYGON16_set(All, 4, Short); },
            {"polygon 10,10 20,30 30,10 40,30 pen solid 1 000000 brush solid FFFFFF"}},
        {"polygon", [&] { return U_EMRPOLYGON_set(All, 4, Long); },
            {"polygon 12,40 22,60 32,40 42,60 pen solid 1 000000 brush solid FFFFFF"}},
        {"polybezier16", [&] { return U_EMRPOLYBEZIER16_set(All, 4, Short); },
            {"bezier 10,10 20,30 30,10 40,30 pen solid 1 000000"}},
        {"polybezier", [&] { return U_EMRPOLYBEZIER_set(All, 4, Long); },
            {"bezier 12,40 22,60 32,40 42,60 pen solid 1 000000"}},
        {"polylineto16", [&] { return U_EMRPOLYLINETO16_set(All, 4, Short); },
            {"line 1,2 10,10 20,30 30,10 40,30 pen solid 1 000000"}},
        {"polylineto", [&] { return U_EMRPOLYLINETO_set(All, 4, Long); },
            {"line 1,2 12,40 22,60 32,40 42,60 pen solid 1 000000"}},
        {"polybezierto16", [&] { return U_EMRPOLYBEZIERTO16_set(All, 3, Short); },
            {"bezier 1,2 10,10 20,30 30,10 pen solid 1 000000"}},
        {"polybezierto", [&] { return U_EMRPOLYBEZIERTO_set(All, 3, Long); },
            {"bezier 1,2 12,40 22,60 32,40 pen solid 1 000000"}},
        {"polypolyline16", [&] { return U_EMRPOLYPOLYLINE16_set(All, 2, Counts, 4, Short); },
            {"line 10,10 20,30 pen solid 1 000000", "line 30,10 40,30 pen solid 1 000000"}},
        {"polypolyline", [&] { return U_EMRPOLYPOLYLINE_set(All, 2, Counts, 4, Long); },
            {"line 12,40 22,60 pen solid 1 000000", "line 32,40 42,60 pen solid 1 000000"}},
        {"polypolygon16", [&] { return U_EMRPOLYPOLYGON16_set(All, 2, Counts, 4, Short); },
            {"polygon 10,10 20,30 ; 30,10 40,30 pen solid 1 000000 brush solid FFFFFF"}},
        {"polypolygon", [&] { return U_EMRPOLYPOLYGON_set(All, 2, Counts, 4, Long); },
            {"polygon 12,40 22,60 ; 32,40 42,60 pen solid 1 000000 brush solid FFFFFF"}},
        {"bitblt without picture", [&] {
             return U_EMRBITBLT_set(All, P(5, 6), P(30, 20), P(0, 0), Identity, U_RGB(0, 0, 0),
                 U_DIB_RGB_COLORS, U_PATCOPY, nullptr, 0, nullptr);
         },
            {"fill 5,6,35,26 brush solid FFFFFF rop F0"}},
        {"bitblt", [&] {
             return U_EMRBITBLT_set(All, P(5, 6), P(3, 2), P(1, 1), Identity, U_RGB(255, 255, 255),
                 U_DIB_RGB_COLORS, U_SRCCOPY, Picture.Bmi(), Size, Picture.Bits.data());
         },
            {"picture 5,6,8,8 from 1,1,4,3 of 4x4 rop CC"}},
        {"stretchblt", [&] {
             return U_EMRSTRETCHBLT_set(All, P(5, 6), P(40, 30), P(1, 1), P(2, 2), Identity,
                 U_RGB(255, 255, 255), U_DIB_RGB_COLORS, U_SRCCOPY, Picture.Bmi(), Size, Picture.Bits.data());
         },
            {"picture 5,6,45,36 from 1,1,3,3 of 4x4 rop CC"}},
        {"transparentblt", [&] {
             return U_EMRTRANSPARENTBLT_set(All, P(5, 6), P(40, 30), P(0, 0), P(4, 4), Identity,
                 U_RGB(255, 255, 255), U_DIB_RGB_COLORS, 0x1E3CDC, Picture.Bmi(), Size, Picture.Bits.data());
         },
            {"picture 5,6,45,36 from 0,0,4,4 of 4x4 transparent DC3C1E"}},
        {"alphablend", [&] {
             return U_EMRALPHABLEND_set(All, P(5, 6), P(40, 30), P(0, 0), P(4, 4), Identity,
                 U_RGB(255, 255, 255), U_DIB_RGB_COLORS, U_BLEND {0, 0, 128, 0}, Picture.Bmi(), Size,
                 Picture.Bits.data());
         },
            {"picture 5,6,45,36 from 0,0,4,4 of 4x4 alpha 128"}},
        {"stretchdibits", [&] {
             return U_EMRSTRETCHDIBITS_set(All, P(5, 6), P(40, 30), P(0, 0), P(4, 4), U_DIB_RGB_COLORS,
                 U_SRCCOPY, Picture.Bmi(), Size, Picture.Bits.data());
         },
            {"picture 5,6,45,36 from 0,0,4,4 of 4x4 rop CC"}},
        {"setdibitstodevice", [&] {
             return U_EMRSETDIBITSTODEVICE_set(All, P(5, 6), P(0, 0), P(4, 4), U_DIB_RGB_COLORS, 0, 4,
                 Picture.Bmi(), Size, Picture.Bits.data());
         },
            {"picture 5,6,9,10 from 0,0,4,4 of 4x4 rop CC"}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Emf E;
        E.Add(U_EMRMOVETOEX_set(P(1, 2)));
        E.Add(C.Record());
        const std::string Bytes = E.Finish();
        TRecordingCanvas Played(W, H);
        ASSERT_TRUE(PlayEnhMetaFileBits(Played.Handle(), Bytes.data(), Bytes.size(), Rect(0, 0, W, H)));
        const std::vector<std::string> Log = Played.Log();
        EXPECT_EQ(Log, C.Calls);
    }
}
