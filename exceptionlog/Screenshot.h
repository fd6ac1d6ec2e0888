#pragma once

// The screenshot of a report: the program's own windows as the window
// layer's desktop picture shows them (never another program's), the window
// that had the keyboard focus framed in red and the mouse cursor drawn in;
// then reduced to 256 colours with an octree quantizer and written as an
// 8-bit indexed PNG (zlib at level 9 with a match search bounded for
// screen pictures, the compressed stream in IDAT chunks of 262,143 bytes).
//
// The capture runs on the window thread, which owns the windows' pixels:
// a report on another thread asks that thread through its event loop and
// waits for it a while; a window thread that does not answer (frozen) gives
// no screenshot. No other thread is held still while it runs.

#include "platform/rtl/AnsiString.h"

#include <cstdint>
#include <string>
#include <vector>

class TRazuroModuleOptions;

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

/// Notes the focused window and the shown cursor, at the moment of the
/// exception; CaptureScreenshot frames and draws them.
void RecordScreenshotMoment();
/// Takes the picture into the capture state (replacing one taken before):
/// the monitor nearest the active window, or with SendOptions bit 0x20
/// (Options: the options in force) the active window alone. Nothing is
/// taken without windows or when the window thread does not answer within
/// AnswerWaitMs.
void CaptureScreenshot(const TRazuroModuleOptions& Options);
inline constexpr int AnswerWaitMs = 1000;
/// Whether a picture is held.
[[nodiscard]] bool ScreenshotTaken();
/// The PNG file of the picture held; '' without one.
[[nodiscard]] std::string ScreenshotPNG();
/// Writes the PNG of the picture held as a new file (never over or through
/// a file that is there); false, with nothing written, without a picture,
/// for an empty name or when the file cannot be made.
bool SaveScreenshotPNG(const AnsiString& FileName);
/// Frees the picture held (nothing when none is).
void FreeScreenshot();

/// The largest IDAT chunk.
inline constexpr size_t PngChunkLimit = 262143;
