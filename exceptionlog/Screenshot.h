#pragma once

// The screenshot of a report: a picture of 32-bit pixels (0x00RRGGBB, as
// the window layer's images hold them) reduced to 256 colours with an
// octree quantizer and written as an 8-bit indexed PNG (zlib at level 9,
// the compressed stream in IDAT chunks of 262,143 bytes).

#include <cstdint>
#include <string>
#include <vector>

/// One colour of the palette.
struct PaletteColour {
    uint8_t Red = 0, Green = 0, Blue = 0;
    bool operator==(const PaletteColour&) const = default;
};

/// A picture: Height rows of Width pixels, Stride pixels apart.
struct PixelImage {
    const uint32_t* Pixels = nullptr;
    int Width = 0;
    int Height = 0;
    int Stride = 0;
};

/// The octree palette of a picture: each pixel goes down eight levels of
/// the tree by the bits of its red, green and blue from the highest; while
/// there are more than 256 leaves, the most recent reducible node of the
/// deepest level folds its children into itself. One colour per leaf
/// (component sums divided by the pixel count), in depth-first order, at
/// most 256.
[[nodiscard]] std::vector<PaletteColour> OctreePalette(const PixelImage& Image);

/// Index of the palette colour nearest to Pixel (squared distance of the
/// components; the lowest index on a tie).
[[nodiscard]] int NearestColour(const std::vector<PaletteColour>& Palette, uint32_t Pixel);

/// The PNG file of the picture: signature, IHDR (the picture's true width
/// and height, 8 bits, colour type 3), PLTE of 256 entries (entries past
/// the palette are black), IDAT chunks holding one zlib stream at level 9,
/// every chunk but the last exactly 262,143 bytes, and IEND. Each row is a
/// filter byte 0 and Width palette indexes. A picture without pixels is
/// written as one black pixel.
[[nodiscard]] std::string WritePNG(const PixelImage& Image);

/// The largest IDAT chunk.
inline constexpr size_t PngChunkLimit = 262143;
