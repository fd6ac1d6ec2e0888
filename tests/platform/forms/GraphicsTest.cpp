// Bitmap files: every depth the reader takes gives the same six colours;
// every file of broken/ is refused without touching the bitmap it was read
// into.

#include "platform/forms/Graphics.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

fs::path Data()
{
    return TestData() / "Graphics";
}

void LoadBytes(TBitmap& B, const std::string& Bytes)
{
    TMemoryStream S;
    if (!Bytes.empty())
        S.WriteBuffer(Bytes.data(), static_cast<int>(Bytes.size()));
    S.SetPosition(0);
    B.LoadFromStream(&S);
}

uint32_t Rgb(TBitmap& B, int X, int Y)
{
    return static_cast<const uint32_t*>(B.ScanLine(Y))[X] & 0xFFFFFF;
}

}  // namespace

TEST(Graphics, BitmapFilesOfEveryDepthRead)
{
    struct Case {
        const char* File;
        bool Monochrome;
    };
    const Case Cases[] = {
        {"colours-4bit.bmp", false},      // 16-colour table
        {"colours-8bit.bmp", false},      // 256-colour table cut to the colours used
        {"colours-16bit-565.bmp", false}, // bit fields 5-6-5
        {"colours-24bit.bmp", false},
        {"colours-32bit.bmp", false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.File);
        TBitmap B;
        B.LoadFromFile(AnsiString::FromUtf8((Data() / C.File).string()));
        ASSERT_EQ(B.Width(), 3);
        ASSERT_EQ(B.Height(), 2);
        EXPECT_EQ(B.Monochrome(), C.Monochrome);
        // Rows stored bottom-up come out top row first; 5-6-5 keeps the
        // pure colours exact and rounds the grey.
        EXPECT_EQ(Rgb(B, 0, 0), 0xFF0000u);
        EXPECT_EQ(Rgb(B, 1, 0), 0x00FF00u);
        EXPECT_EQ(Rgb(B, 2, 0), 0x0000FFu);
        EXPECT_EQ(Rgb(B, 0, 1), 0xFFFFFFu);
        EXPECT_EQ(Rgb(B, 1, 1), 0x000000u);
        EXPECT_NEAR(static_cast<int>(Rgb(B, 2, 1) & 0xFF), 128, 4);
    }
    TBitmap Mono;
    Mono.LoadFromFile(AnsiString::FromUtf8((Data() / "mono-1bit.bmp").string()));
    EXPECT_TRUE(Mono.Monochrome());
    EXPECT_EQ(Rgb(Mono, 0, 0), 0x000000u);
    EXPECT_EQ(Rgb(Mono, 1, 0), 0xFFFFFFu);
    EXPECT_EQ(Rgb(Mono, 0, 1), 0xFFFFFFu);

    // What the bitmap writes, it reads back.
    TMemoryStream Out;
    Mono.SaveToStream(&Out);
    Out.SetPosition(0);
    TBitmap Again;
    Again.LoadFromStream(&Out);
    EXPECT_EQ(Again.Width(), 3);
    EXPECT_EQ(Rgb(Again, 1, 0), 0xFFFFFFu);
}

TEST(Graphics, BrokenBitmapFilesAreRefused)
{
    int Seen = 0;
    for (const auto& Entry : fs::directory_iterator(Data() / "broken")) {
        SCOPED_TRACE(Entry.path().filename().string());
        ++Seen;
        TBitmap B;
        B.SetSize(5, 4);
        ExpectRaises<EInvalidGraphic>([&] { LoadBytes(B, ReadBytes(Entry.path())); },
                                      "Bitmap image is not valid");
        EXPECT_EQ(B.Width(), 5);
        EXPECT_EQ(B.Height(), 4);
    }
    EXPECT_GE(Seen, 15);
}
