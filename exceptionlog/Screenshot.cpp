#include "exceptionlog/Screenshot.h"

#include <zlib.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <unordered_map>

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
        if (FLastLeaf && Pixel == FLastPixel && FReductions == FLastReductions) {
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
        FLastReductions = FReductions;
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
        ++FReductions;
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
    uint64_t FReductions = 0;
    uint64_t FLastReductions = 0;
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

// The zlib stream of the rows, written out in IDAT chunks of the limit.
class IdatWriter {
public:
    explicit IdatWriter(std::string& Out) : FOut(Out), FBuffer(PngChunkLimit)
    {
        if (deflateInit(&FZ, Z_BEST_COMPRESSION) != Z_OK)
            throw std::runtime_error("deflateInit failed");
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

    // A screen has few colours: each is looked up once.
    std::unordered_map<uint32_t, uint8_t> Known;
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
                auto It = Known.find(P);
                if (It == Known.end())
                    It = Known.emplace(P, uint8_t(NearestColour(Palette, P))).first;
                LastPixel = P;
                LastIndex = It->second;
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
