// The screenshot's PNG, read back by an independent decoder
// (tests/data/Screenshot/png_decode.py: Python's zlib and struct), and the
// octree palette.

#include "exceptionlog/Screenshot.h"

#include "tests/exceptionlog/PngDecoder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <random>
#include <set>
#include <sstream>

namespace {

std::string Hex(uint32_t Pixel)
{
    char B[8];
    std::snprintf(B, sizeof B, "%06x", Pixel & 0xFFFFFF);
    return B;
}

}  // namespace

TEST(Screenshot, PngReadsBackAsWritten)
{
    struct Case {
        const char* Name;
        int Width, Height;
        int Colours;  // distinct colours drawn (0: random noise)
    };
    const Case Cases[] = {
        // A width that is no multiple of 4: each row holds exactly that many indexes.
        {"odd width, few colours", 5, 3, 4},
        {"a window's worth", 333, 201, 40},
        // More than 256 colours: reduced; the stream spans several IDAT chunks.
        {"noise", 700, 700, 0},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        std::mt19937 Gen(7);
        std::vector<uint32_t> Pixels(size_t(C.Width) * size_t(C.Height));
        std::vector<uint32_t> Colours;
        for (int I = 0; I < C.Colours; ++I)
            Colours.push_back(0xFF000000u | ((uint32_t(I) * 2654435761u) & 0xFFFFFF));
        for (uint32_t& P : Pixels)
            P = C.Colours ? Colours[Gen() % Colours.size()] : 0xFF000000u | (Gen() & 0xFFFFFF);
        const PixelImage Image{Pixels.data(), C.Width, C.Height, C.Width};
        const std::string Png = WritePNG(Image);
        const Decoded D = Decode(Png);
        EXPECT_EQ(D.Width, C.Width);
        EXPECT_EQ(D.Height, C.Height);
        ASSERT_EQ(D.Palette.size(), 256u);
        EXPECT_EQ(D.EndCrc, "ae426082");
        ASSERT_FALSE(D.Idat.empty());
        for (size_t I = 0; I + 1 < D.Idat.size(); ++I)
            EXPECT_EQ(D.Idat[I], PngChunkLimit);
        EXPECT_LE(D.Idat.back(), PngChunkLimit);
        if (!C.Colours) {
            EXPECT_GT(D.Idat.size(), 1u);
        }

        const std::vector<PaletteColour> Palette = OctreePalette(Image);
        std::string Want;
        for (const uint32_t P : Pixels) {
            if (C.Colours) {
                Want += Hex(P);  // few colours come out exactly
            } else {
                const PaletteColour& N = Palette[size_t(NearestColour(Palette, P))];
                Want += Hex((uint32_t(N.Red) << 16) | (uint32_t(N.Green) << 8) | N.Blue);
            }
        }
        EXPECT_TRUE(D.Pixels == Want);
        if (C.Colours) {
            // One palette entry per distinct colour, then unused black entries.
            std::set<std::string> Distinct, Listed(D.Palette.begin(), D.Palette.begin() + C.Colours);
            for (const uint32_t P : Colours)
                Distinct.insert(Hex(P));
            EXPECT_EQ(Listed, Distinct);
            for (size_t I = size_t(C.Colours); I < D.Palette.size(); ++I)
                EXPECT_EQ(D.Palette[I], "000000");
        }
    }
}

TEST(Screenshot, EmptyPictureIsOneBlackPixel)
{
    const Decoded D = Decode(WritePNG(PixelImage{}));
    EXPECT_EQ(D.Width, 1);
    EXPECT_EQ(D.Height, 1);
    EXPECT_EQ(D.Pixels, "000000");
}

TEST(Screenshot, OctreeKeepsAtMost256ColoursAndMergesTheDeepestFirst)
{
    // Each distinct colour is a leaf while there are at most 256.
    const uint32_t Two[] = {0x102030, 0x102031, 0x102031, 0x102031};
    const std::vector<PaletteColour> P = OctreePalette(PixelImage{Two, 4, 1, 4});
    ASSERT_EQ(P.size(), 2u);
    EXPECT_EQ(P[0], (PaletteColour{0x10, 0x20, 0x30}));
    EXPECT_EQ(P[1], (PaletteColour{0x10, 0x20, 0x31}));
    // 256 shades of blue and one more: the most recent node of the deepest
    // level (blue 254 and 255) becomes one leaf, their mean.
    std::vector<uint32_t> Blues;
    for (uint32_t B = 0; B < 256; ++B)
        Blues.push_back(B);
    Blues.push_back(0x000100);  // green 1
    const std::vector<PaletteColour> Merged = OctreePalette(PixelImage{Blues.data(), 257, 1, 257});
    ASSERT_EQ(Merged.size(), 256u);
    // Depth first: blue 0 and 1, then the green one (their sibling), ...
    EXPECT_EQ(Merged[2], (PaletteColour{0, 1, 0}));
    EXPECT_EQ(Merged[254], (PaletteColour{0, 0, 253}));
    EXPECT_EQ(Merged[255], (PaletteColour{0, 0, 254}));  // (254 + 255) / 2
    // A colour whose new leaf is merged at once (its node is the newest of
    // the deepest level), then met again: the run counts into the merged
    // node, not into the leaf freed by the merge.
    std::vector<uint32_t> Run(Blues.begin(), Blues.begin() + 256);
    Run.insert(Run.end(), 3, 0x020000);
    const std::vector<PaletteColour> RunMerged = OctreePalette(PixelImage{Run.data(), 259, 1, 259});
    ASSERT_EQ(RunMerged.size(), 256u);
    EXPECT_NE(std::find(RunMerged.begin(), RunMerged.end(), PaletteColour{2, 0, 0}), RunMerged.end());
    std::vector<uint32_t> Many;
    for (uint32_t I = 0; I < 4096; ++I)
        Many.push_back(I * 4099);
    EXPECT_LE(OctreePalette(PixelImage{Many.data(), 4096, 1, 4096}).size(), 256u);
    // Nearest colour: the lowest index on a tie.
    const std::vector<PaletteColour> Tie = {{10, 0, 0}, {30, 0, 0}};
    EXPECT_EQ(NearestColour(Tie, 0x140000), 0);
    EXPECT_EQ(NearestColour(Tie, 0x150000), 1);
}
