#include "exceptionlog/Screenshot.h"

#include "exceptionlog/ExceptionProcessing.h"
#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"
#include "exceptionlog/ThreadList.h"

#include "platform/winapi/Windows.h"

#include <zlib.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace {

constexpr int MaxColours = 256;
constexpr int Levels = 8;

struct OctreeNode {
    bool Leaf = false;
    uint64_t Count = 0;
    uint64_t Red = 0, Green = 0, Blue = 0;
    OctreeNode* NextReducible = nullptr;
    std::array<std::unique_ptr<OctreeNode>, 8> Children;
};

class Octree {
public:
    void Add(uint32_t Pixel)
    {
        // A run of one colour (most of a screen) counts into the leaf the
        // last pixel reached, while no reduction has freed it.
        if (FLastLeaf && Pixel == FLastPixel) {
            ++FLastLeaf->Count;
            FLastLeaf->Red += (Pixel >> 16) & 0xFF;
            FLastLeaf->Green += (Pixel >> 8) & 0xFF;
            FLastLeaf->Blue += Pixel & 0xFF;
            return;
        }
        AddToTree(Pixel);
    }

private:
    void AddToTree(uint32_t Pixel)
    {
        const unsigned R = (Pixel >> 16) & 0xFF, G = (Pixel >> 8) & 0xFF, B = Pixel & 0xFF;
        std::unique_ptr<OctreeNode>* Slot = &FRoot;
        for (int Level = 0;; ++Level) {
            if (!*Slot) {
                *Slot = std::make_unique<OctreeNode>();
                OctreeNode& N = **Slot;
                if (Level == Levels) {
                    N.Leaf = true;
                    ++FLeaves;
                } else {
                    N.NextReducible = FReducible[size_t(Level)];
                    FReducible[size_t(Level)] = &N;
                }
            }
            OctreeNode& N = **Slot;
            if (N.Leaf) {
                ++N.Count;
                N.Red += R;
                N.Green += G;
                N.Blue += B;
                FLastLeaf = &N;
                FLastPixel = Pixel;
                break;
            }
            const int Bit = 7 - Level;
            const int Child = (((R >> Bit) & 1) << 2) | (((G >> Bit) & 1) << 1) | ((B >> Bit) & 1);
            Slot = &N.Children[size_t(Child)];
        }
        while (FLeaves > MaxColours)
            Reduce();
    }

public:
    std::vector<PaletteColour> Palette() const
    {
        std::vector<PaletteColour> P;
        Collect(FRoot.get(), P);
        return P;
    }

private:
    void Reduce()
    {
        // The leaf the last pixel reached may be among those merged away.
        FLastLeaf = nullptr;
        int Level = Levels - 1;
        while (Level > 0 && !FReducible[size_t(Level)])
            --Level;
        OctreeNode* N = FReducible[size_t(Level)];
        if (!N)
            return;
        FReducible[size_t(Level)] = N->NextReducible;
        int Children = 0;
        for (std::unique_ptr<OctreeNode>& C : N->Children) {
            if (!C)
                continue;
            N->Count += C->Count;
            N->Red += C->Red;
            N->Green += C->Green;
            N->Blue += C->Blue;
            C.reset();
            ++Children;
        }
        N->Leaf = true;
        FLeaves += 1 - Children;
    }

    static void Collect(const OctreeNode* N, std::vector<PaletteColour>& P)
    {
        if (!N)
            return;
        if (N->Leaf) {
            if (N->Count > 0)
                P.push_back({uint8_t(N->Red / N->Count), uint8_t(N->Green / N->Count),
                             uint8_t(N->Blue / N->Count)});
            return;
        }
        for (const std::unique_ptr<OctreeNode>& C : N->Children)
            Collect(C.get(), P);
    }

    std::unique_ptr<OctreeNode> FRoot;
    std::array<OctreeNode*, Levels> FReducible{};
    int FLeaves = 0;
    OctreeNode* FLastLeaf = nullptr;
    uint32_t FLastPixel = 0;
};

void PutU32(std::string& Out, uint32_t V)
{
    for (int Shift = 24; Shift >= 0; Shift -= 8)
        Out += char((V >> Shift) & 0xFF);
}

void PutChunk(std::string& Out, const char* Type, const std::string& Data)
{
    PutU32(Out, uint32_t(Data.size()));
    const size_t TypeAt = Out.size();
    Out.append(Type, 4);
    Out += Data;
    const auto* Bytes = reinterpret_cast<const Bytef*>(Out.data() + TypeAt);
    PutU32(Out, uint32_t(crc32(crc32(0, nullptr, 0), Bytes, uInt(Out.size() - TypeAt))));
}

// The palette index of every colour met, each colour looked up once. A
// screen has some thousands of colours (text is smoothed): an open table
// of colour and index in one word each beats a map's node per colour.
class ColourIndexes {
public:
    explicit ColourIndexes(const std::vector<PaletteColour>& Palette)
        : FPalette(Palette), FSlots(4096, Empty)
    {
    }

    uint8_t IndexOf(uint32_t Colour)
    {
        for (size_t I = Slot(Colour);; I = (I + 1) & (FSlots.size() - 1)) {
            if (FSlots[I] == Empty) {
                const auto Index = uint8_t(NearestColour(FPalette, Colour));
                FSlots[I] = uint64_t(Index) << 32 | Colour;
                if (++FCount * 2 > FSlots.size())
                    Grow();
                return Index;
            }
            if (uint32_t(FSlots[I]) == Colour)
                return uint8_t(FSlots[I] >> 32);
        }
    }

private:
    static constexpr uint64_t Empty = ~uint64_t(0);

    // The high bits of a multiplicative hash: greys and near colours, which
    // differ in low bits, spread over the table.
    size_t Slot(uint32_t Colour) const { return uint32_t(Colour * 0x9E3779B1u) >> FShift; }
    void Grow()
    {
        --FShift;
        std::vector<uint64_t> Old(FSlots.size() * 2, Empty);
        Old.swap(FSlots);
        for (const uint64_t S : Old) {
            if (S == Empty)
                continue;
            size_t I = Slot(uint32_t(S));
            while (FSlots[I] != Empty)
                I = (I + 1) & (FSlots.size() - 1);
            FSlots[I] = S;
        }
    }

    const std::vector<PaletteColour>& FPalette;
    std::vector<uint64_t> FSlots;
    int FShift = 32 - 12;  // 4096 slots
    size_t FCount = 0;
};

// The match search of the zlib stream (see IdatWriter).
constexpr int MatchGoodLength = 32, MatchLazyLength = 258, MatchNiceLength = 258,
              MatchChainLength = 256;

// The zlib stream of the rows, written out in IDAT chunks of the limit.
class IdatWriter {
public:
    explicit IdatWriter(std::string& Out) : FOut(Out), FBuffer(PngChunkLimit)
    {
        if (deflateInit(&FZ, Z_BEST_COMPRESSION) != Z_OK)
            throw std::runtime_error("deflateInit failed");
        // Level 9 follows every hash chain up to 4096 matches long; on the
        // rows of a screen (runs of one index, text that repeats) that search
        // costs ten times the rest of the work for a tenth of the size.
        // Bounding the chain keeps the level's lazy matching.
        deflateTune(&FZ, MatchGoodLength, MatchLazyLength, MatchNiceLength, MatchChainLength);
        Rewind();
    }
    ~IdatWriter() { deflateEnd(&FZ); }
    IdatWriter(const IdatWriter&) = delete;
    IdatWriter& operator=(const IdatWriter&) = delete;

    void Feed(const uint8_t* Data, size_t Size) { Run(Data, Size, Z_NO_FLUSH); }
    void Finish()
    {
        Run(nullptr, 0, Z_FINISH);
        if (FZ.avail_out < PngChunkLimit)
            Flush();
    }

private:
    void Run(const uint8_t* Data, size_t Size, int Mode)
    {
        FZ.next_in = const_cast<Bytef*>(Data);
        FZ.avail_in = uInt(Size);
        for (;;) {
            const int Rc = deflate(&FZ, Mode);
            if (Rc == Z_STREAM_ERROR)
                throw std::runtime_error("deflate failed");
            if (FZ.avail_out == 0) {
                Flush();
                continue;
            }
            if (Mode == Z_FINISH ? Rc == Z_STREAM_END : FZ.avail_in == 0)
                return;
        }
    }
    void Flush()
    {
        PutChunk(FOut, "IDAT",
                 std::string(reinterpret_cast<const char*>(FBuffer.data()), PngChunkLimit - FZ.avail_out));
        Rewind();
    }
    void Rewind()
    {
        FZ.next_out = FBuffer.data();
        FZ.avail_out = uInt(FBuffer.size());
    }

    std::string& FOut;
    std::vector<Bytef> FBuffer;
    z_stream FZ{};
};

}  // namespace

std::vector<PaletteColour> OctreePalette(const PixelImage& Image)
{
    Octree Tree;
    for (int Y = 0; Y < Image.Height; ++Y) {
        const uint32_t* Row = Image.Pixels + size_t(Y) * size_t(Image.Stride);
        for (int X = 0; X < Image.Width; ++X)
            Tree.Add(Row[X]);
    }
    return Tree.Palette();
}

int NearestColour(const std::vector<PaletteColour>& Palette, uint32_t Pixel)
{
    const int R = int((Pixel >> 16) & 0xFF), G = int((Pixel >> 8) & 0xFF), B = int(Pixel & 0xFF);
    int Best = 0;
    long BestDistance = -1;
    for (size_t I = 0; I < Palette.size(); ++I) {
        const long DR = R - Palette[I].Red, DG = G - Palette[I].Green, DB = B - Palette[I].Blue;
        const long D = DR * DR + DG * DG + DB * DB;
        if (BestDistance < 0 || D < BestDistance) {
            Best = int(I);
            BestDistance = D;
        }
    }
    return Best;
}

std::string WritePNG(const PixelImage& Image)
{
    static const uint32_t Black = 0;
    const PixelImage Picture =
        Image.Width > 0 && Image.Height > 0 && Image.Pixels ? Image : PixelImage{&Black, 1, 1, 1};
    const std::vector<PaletteColour> Palette = OctreePalette(Picture);

    std::string Out("\x89PNG\r\n\x1A\n", 8);
    std::string Header;
    PutU32(Header, uint32_t(Picture.Width));
    PutU32(Header, uint32_t(Picture.Height));
    Header += std::string("\x08\x03\x00\x00\x00", 5);
    PutChunk(Out, "IHDR", Header);
    std::string Plte(3 * MaxColours, '\0');
    for (size_t I = 0; I < Palette.size(); ++I) {
        Plte[3 * I] = char(Palette[I].Red);
        Plte[3 * I + 1] = char(Palette[I].Green);
        Plte[3 * I + 2] = char(Palette[I].Blue);
    }
    PutChunk(Out, "PLTE", Plte);

    ColourIndexes Known(Palette);
    std::vector<uint8_t> Row(size_t(Picture.Width) + 1);
    uint32_t LastPixel = 0;
    uint8_t LastIndex = 0;
    bool HaveLast = false;
    IdatWriter Idat(Out);
    for (int Y = 0; Y < Picture.Height; ++Y) {
        const uint32_t* Pixels = Picture.Pixels + size_t(Y) * size_t(Picture.Stride);
        Row[0] = 0;  // no filter
        for (int X = 0; X < Picture.Width; ++X) {
            const uint32_t P = Pixels[X] & 0xFFFFFF;
            if (P != LastPixel || !HaveLast) {
                LastPixel = P;
                LastIndex = Known.IndexOf(P);
                HaveLast = true;
            }
            Row[size_t(X) + 1] = LastIndex;
        }
        Idat.Feed(Row.data(), Row.size());
    }
    Idat.Finish();
    PutChunk(Out, "IEND", std::string());
    return Out;
}

// ---- the capture ----

namespace {

// Recorded at the moment of the exception.
HWND gFocusWindowAtException = nullptr;
HCURSOR gCursorAtException = 0;

// From CaptureScreenshot to FreeScreenshot. The picture is kept as a
// bitmap of the true width: the rows are read out of it as 32-bit pixels,
// so no row padding is needed.
struct CaptureState {
    HBITMAP CaptureBitmap = nullptr;
    TRect CaptureRect;
    int CaptureWidth = 0;
    int CaptureHeight = 0;
};

CaptureState& Capture()
{
    static CaptureState S;
    return S;
}

// The rectangle to take: the monitor nearest the active window, or the
// active window itself.
bool CaptureArea(const TRazuroModuleOptions& Options, TRect& Rect)
{
    constexpr Word sfScreenshotForegroundOnly = 0x20;
    const HWND Foreground = GetForegroundWindow();
    if (Options.SendOptions & sfScreenshotForegroundOnly)
        return Foreground && GetWindowRect(Foreground, Rect);
    if (!GetWindowRect(GetDesktopWindow(), Rect))
        return false;
    MONITORINFO Info;
    if (GetMonitorInfo(MonitorFromWindow(Foreground ? Foreground : GetDesktopWindow(),
                                         MONITOR_DEFAULTTONEAREST),
                       Info))
        Rect = Info.rcMonitor;
    return true;
}

void FrameFocusWindow(HDC MemoryDC, const TRect& CaptureRect)
{
    TRect R;
    if (!gFocusWindowAtException || !GetWindowRect(gFocusWindowAtException, R))
        return;
    OffsetRect(R, -CaptureRect.Left, -CaptureRect.Top);
    HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0));
    FrameRect(MemoryDC, R, Red);
    InflateRect(R, -1, -1);
    FrameRect(MemoryDC, R, Red);
    DeleteObject(Red);
}

void DrawCursor(HDC MemoryDC, const TRect& CaptureRect)
{
    TPoint At;
    ICONINFO Info;
    if (!gCursorAtException || !GetCursorPos(At) || !GetIconInfo(gCursorAtException, Info))
        return;
    DeleteObject(Info.hbmMask);
    DeleteObject(Info.hbmColor);
    DrawIconEx(MemoryDC, At.X - CaptureRect.Left - int(Info.xHotspot),
               At.Y - CaptureRect.Top - int(Info.yHotspot), gCursorAtException, 32, 32, 0, nullptr,
               DI_NORMAL);
}

// The capture itself, on the window thread.
void CaptureHere(const TRazuroModuleOptions& Options)
{
    FreeScreenshot();
    TRect Rect;
    if (!CaptureArea(Options, Rect))
        return;
    const HWND Desktop = GetDesktopWindow();
    HDC CaptureDC = GetWindowDC(Desktop);
    if (!CaptureDC)
        return;
    TRect Whole;
    GetWindowRect(Desktop, Whole);
    CaptureState& S = Capture();
    S.CaptureRect = Rect;
    S.CaptureWidth = std::max(Rect.Width(), 1);
    S.CaptureHeight = std::max(Rect.Height(), 1);
    HDC MemoryDC = CreateCompatibleDC(CaptureDC);
    S.CaptureBitmap = CreateCompatibleBitmap(CaptureDC, S.CaptureWidth, S.CaptureHeight);
    HGDIOBJ Old = SelectObject(MemoryDC, S.CaptureBitmap);
    // The desktop picture starts at the desktop's corner, which need not be
    // the monitor's: the pixels are taken from where the rectangle lies, so
    // that the picture, the frame and the cursor agree.
    BitBlt(MemoryDC, 0, 0, S.CaptureWidth, S.CaptureHeight, CaptureDC, Rect.Left - Whole.Left,
           Rect.Top - Whole.Top, SRCCOPY);
    FrameFocusWindow(MemoryDC, Rect);
    DrawCursor(MemoryDC, Rect);
    SelectObject(MemoryDC, Old);
    DeleteDC(MemoryDC);
    ReleaseDC(Desktop, CaptureDC);
}

// A capture asked of the window thread by another thread. The asking
// thread gives up after a while; a request the window thread reaches later
// finds it abandoned and does nothing.
struct CaptureRequest {
    std::mutex Lock;
    std::condition_variable Done;
    bool Finished = false;
    bool Abandoned = false;
    const TRazuroModuleOptions* Options = nullptr;
};

void AnswerCaptureRequest(void* Data)
{
    std::unique_ptr<std::shared_ptr<CaptureRequest>> Held(static_cast<std::shared_ptr<CaptureRequest>*>(Data));
    CaptureRequest& R = **Held;
    {
        // Held while capturing, so the asking thread cannot give up half way.
        const std::lock_guard<std::mutex> Guard(R.Lock);
        if (R.Abandoned)
            return;
        CaptureHere(*R.Options);
        R.Finished = true;
    }
    R.Done.notify_all();
}

}  // namespace

void RecordScreenshotMoment()
{
    gFocusWindowAtException = GetFocus();
    gCursorAtException = GetCursor();
}

void CaptureScreenshot(const TRazuroModuleOptions& Options)
{
    const pid_t WindowThread = MainThreadID();
    if (WindowThread == 0 || WindowThread == CurrentThreadID()) {
        CaptureHere(Options);
        return;
    }
    FreeScreenshot();
    auto Request = std::make_shared<CaptureRequest>();
    Request->Options = &Options;
    auto* Held = new std::shared_ptr<CaptureRequest>(Request);
    if (!PostAnswerRequest(AnswerCaptureRequest, Held)) {
        delete Held;
        return;
    }
    std::unique_lock<std::mutex> Guard(Request->Lock);
    if (!Request->Done.wait_for(Guard, std::chrono::milliseconds(AnswerWaitMs),
                                [&] { return Request->Finished; }))
        Request->Abandoned = true;
}

bool ScreenshotTaken()
{
    return Capture().CaptureBitmap != nullptr;
}

std::string ScreenshotPNG()
{
    const CaptureState& S = Capture();
    if (!S.CaptureBitmap)
        return std::string();
    BITMAPINFO Info;
    Info.bmiHeader.biWidth = S.CaptureWidth;
    Info.bmiHeader.biHeight = -S.CaptureHeight;  // top-down rows
    Info.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> Pixels(size_t(S.CaptureWidth) * size_t(S.CaptureHeight));
    if (GetDIBits(nullptr, S.CaptureBitmap, 0, UINT(S.CaptureHeight), Pixels.data(), Info,
                  DIB_RGB_COLORS) != S.CaptureHeight)
        return std::string();
    return WritePNG(PixelImage{Pixels.data(), S.CaptureWidth, S.CaptureHeight, S.CaptureWidth});
}

bool SaveScreenshotPNG(const AnsiString& FileName)
{
    if (FileName.IsEmpty())
        return false;
    const std::string Png = ScreenshotPNG();
    return !Png.empty() && WriteNewFile(FileName, Png);
}

void FreeScreenshot()
{
    CaptureState& S = Capture();
    if (S.CaptureBitmap)
        DeleteObject(S.CaptureBitmap);
    S = CaptureState();
}
