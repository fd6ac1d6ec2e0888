#include "exceptionlog/Codecs.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Files.h"

#include <zlib.h>

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstring>

namespace {

const char SInflateLimit[] = "Decompressed data exceed the limit";
const char SGzipHeader[] = "Not a gzip file";
const char SGzipCheck[] = "The gzip data are damaged (CRC or length differ)";

[[noreturn]] void RaiseZLib(int Code)
{
    throw EZLibError(zError(Code));
}

// Deflate into a growing buffer: level 9, WindowBits 15 for a zlib stream,
// -15 for raw deflate data (gzip).
std::string Deflate(const void* Input, size_t Length, int WindowBits, int Level = 9)
{
    z_stream Z{};
    int Rc = deflateInit2(&Z, Level, Z_DEFLATED, WindowBits, 8, Z_DEFAULT_STRATEGY);
    if (Rc != Z_OK)
        RaiseZLib(Rc);
    std::string Out;
    Out.resize(((Length / 10 + Length + 267) / 256) * 256);
    Z.next_in = static_cast<Bytef*>(const_cast<void*>(Input));
    Z.avail_in = static_cast<uInt>(Length);
    Z.next_out = reinterpret_cast<Bytef*>(Out.data());
    Z.avail_out = static_cast<uInt>(Out.size());
    for (;;) {
        Rc = deflate(&Z, Z_FINISH);
        if (Rc == Z_STREAM_END)
            break;
        if (Rc < 0 && Rc != Z_BUF_ERROR) {
            deflateEnd(&Z);
            RaiseZLib(Rc);
        }
        const size_t Done = Z.total_out;
        Out.resize(Out.size() + 256);
        Z.next_out = reinterpret_cast<Bytef*>(Out.data()) + Done;
        Z.avail_out = static_cast<uInt>(Out.size() - Done);
    }
    Out.resize(Z.total_out);
    deflateEnd(&Z);
    return Out;
}

// Inflate with a cap on the output. The buffer grows by its first size
// each time, as before; only the cap is new.
std::string Inflate(const void* Input, size_t Length, int WindowBits, size_t MaxOutput)
{
    z_stream Z{};
    int Rc = inflateInit2(&Z, WindowBits);
    if (Rc != Z_OK)
        RaiseZLib(Rc);
    const size_t Step = std::max<size_t>(256, ((Length + 255) / 256) * 256);
    std::string Out;
    Out.resize(std::min(Step, MaxOutput + 1));
    Z.next_in = static_cast<Bytef*>(const_cast<void*>(Input));
    Z.avail_in = static_cast<uInt>(Length);
    Z.next_out = reinterpret_cast<Bytef*>(Out.data());
    Z.avail_out = static_cast<uInt>(Out.size());
    for (;;) {
        Rc = inflate(&Z, Z_NO_FLUSH);
        if (Rc == Z_STREAM_END)
            break;
        if (Rc != Z_OK) {
            inflateEnd(&Z);
            // Input ending before the stream does is a buffer error too.
            RaiseZLib(Rc == Z_NEED_DICT ? Z_DATA_ERROR : Rc);
        }
        if (Z.avail_out > 0)
            continue;
        const size_t Done = Z.total_out;
        if (Done > MaxOutput) {
            inflateEnd(&Z);
            throw EZLibError(SInflateLimit);
        }
        // Doubling: a large output is copied a few times, not once per step.
        Out.resize(std::min(Out.size() + std::max(Step, Out.size()), MaxOutput + 1));
        Z.next_out = reinterpret_cast<Bytef*>(Out.data()) + Done;
        Z.avail_out = static_cast<uInt>(Out.size() - Done);
    }
    const size_t Done = Z.total_out;
    inflateEnd(&Z);
    if (Done > MaxOutput)
        throw EZLibError(SInflateLimit);
    Out.resize(Done);
    return Out;
}

const char Base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

uint32_t ReadBE32(const uint8_t* P)
{
    return (uint32_t(P[0]) << 24) | (uint32_t(P[1]) << 16) | (uint32_t(P[2]) << 8) | P[3];
}

void WriteBE32(uint8_t* P, uint32_t V)
{
    P[0] = uint8_t(V >> 24);
    P[1] = uint8_t(V >> 16);
    P[2] = uint8_t(V >> 8);
    P[3] = uint8_t(V);
}

void PutLE32(std::string& Out, uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        Out += char((V >> (8 * I)) & 0xFF);
}

constexpr uint32_t TEADelta = 0x9E3779B9;

// Chained mode shared by both directions: only the full blocks differ.
void TEAChain(const TEAKey& Key, const uint8_t* In, uint8_t* Out, size_t Length, bool Decrypt)
{
    uint8_t Chain[8];
    std::memset(Chain, 0xFF, sizeof Chain);
    size_t Pos = 0;
    for (; Pos + 8 <= Length; Pos += 8) {
        uint8_t Block[8];
        std::memcpy(Block, In + Pos, 8);
        if (Decrypt) {
            uint8_t Saved[8];
            std::memcpy(Saved, Block, 8);
            TEADecryptBlock(Key, Block);
            for (int I = 0; I < 8; ++I)
                Block[I] ^= Chain[I];
            std::memcpy(Chain, Saved, 8);
        } else {
            for (int I = 0; I < 8; ++I)
                Block[I] ^= Chain[I];
            TEAEncryptBlock(Key, Block);
            std::memcpy(Chain, Block, 8);
        }
        std::memcpy(Out + Pos, Block, 8);
    }
    if (Pos < Length) {
        TEAEncryptBlock(Key, Chain);
        for (size_t I = 0; Pos + I < Length; ++I)
            Out[Pos + I] = In[Pos + I] ^ Chain[I];
    }
}

struct MD5State {
    uint32_t A = 0x67452301, B = 0xEFCDAB89, C = 0x98BADCFE, D = 0x10325476;
};

constexpr uint32_t Rol(uint32_t X, int N) { return (X << N) | (X >> (32 - N)); }

void MD5Transform(MD5State& S, const uint8_t* Chunk)
{
    static constexpr int Shifts[64] = {
        7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
        5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
        4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
        6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
    static constexpr uint32_t T[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
        0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
        0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
        0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
        0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
        0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
        0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
        0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
        0xeb86d391};
    uint32_t M[16];
    for (int I = 0; I < 16; ++I)
        M[I] = uint32_t(Chunk[4 * I]) | (uint32_t(Chunk[4 * I + 1]) << 8) |
               (uint32_t(Chunk[4 * I + 2]) << 16) | (uint32_t(Chunk[4 * I + 3]) << 24);
    uint32_t A = S.A, B = S.B, C = S.C, D = S.D;
    for (int I = 0; I < 64; ++I) {
        uint32_t F = 0;
        int G = 0;
        if (I < 16) {
            F = (B & C) | (~B & D);
            G = I;
        } else if (I < 32) {
            F = (D & B) | (~D & C);
            G = (5 * I + 1) % 16;
        } else if (I < 48) {
            F = B ^ C ^ D;
            G = (3 * I + 5) % 16;
        } else {
            F = C ^ (B | ~D);
            G = (7 * I) % 16;
        }
        const uint32_t Next = D;
        D = C;
        C = B;
        B = B + Rol(A + F + T[I] + M[G], Shifts[I]);
        A = Next;
    }
    S.A += A;
    S.B += B;
    S.C += C;
    S.D += D;
}

// Octal field of N bytes: digits right-aligned in the first N - 1 bytes,
// leading zeros as blanks (the last digit stays), a blank in the last byte.
void PutOctal(char* Field, int N, uint64_t Value)
{
    std::memset(Field, ' ', size_t(N));
    int I = N - 2;
    do {
        Field[I--] = char('0' + (Value & 7));
        Value >>= 3;
    } while (Value != 0 && I >= 0);
}

}  // namespace

std::string CompressBuffer(const void* Input, size_t Length, int Level)
{
    return Deflate(Input, Length, MAX_WBITS, Level);
}

std::string DecompressBuffer(const void* Input, size_t Length, size_t MaxOutput)
{
    return Inflate(Input, Length, MAX_WBITS, MaxOutput);
}

AnsiString Base64EncodeBuffer(const void* Buffer, size_t Length)
{
    const auto* P = static_cast<const uint8_t*>(Buffer);
    std::string Out;
    Out.reserve(Base64Length(Length));
    size_t I = 0;
    for (; I + 3 <= Length; I += 3) {
        const uint32_t V = (uint32_t(P[I]) << 16) | (uint32_t(P[I + 1]) << 8) | P[I + 2];
        Out += Base64Alphabet[V >> 18];
        Out += Base64Alphabet[(V >> 12) & 63];
        Out += Base64Alphabet[(V >> 6) & 63];
        Out += Base64Alphabet[V & 63];
    }
    if (Length - I == 1) {
        const uint32_t V = uint32_t(P[I]) << 16;
        Out += Base64Alphabet[V >> 18];
        Out += Base64Alphabet[(V >> 12) & 63];
        Out += "==";
    } else if (Length - I == 2) {
        const uint32_t V = (uint32_t(P[I]) << 16) | (uint32_t(P[I + 1]) << 8);
        Out += Base64Alphabet[V >> 18];
        Out += Base64Alphabet[(V >> 12) & 63];
        Out += Base64Alphabet[(V >> 6) & 63];
        Out += '=';
    }
    return AnsiString(std::move(Out));
}

AnsiString Base64Encode(const AnsiString& Text)
{
    return Base64EncodeBuffer(Text.Data(), size_t(Text.Length()));
}

size_t Base64Length(size_t N)
{
    return 4 * ((N + 2) / 3);
}

MD5Digest MD5(const void* Buffer, size_t Length)
{
    MD5State S;
    const auto* P = static_cast<const uint8_t*>(Buffer);
    size_t I = 0;
    for (; I + 64 <= Length; I += 64)
        MD5Transform(S, P + I);
    uint8_t Tail[128] = {};
    const size_t Rest = Length - I;
    if (Rest > 0)
        std::memcpy(Tail, P + I, Rest);
    Tail[Rest] = 0x80;
    const size_t TailSize = Rest < 56 ? 64 : 128;
    const uint64_t Bits = uint64_t(Length) * 8;
    for (int B = 0; B < 8; ++B)
        Tail[TailSize - 8 + size_t(B)] = uint8_t(Bits >> (8 * B));
    MD5Transform(S, Tail);
    if (TailSize == 128)
        MD5Transform(S, Tail + 64);
    MD5Digest Result;
    const uint32_t Words[4] = {S.A, S.B, S.C, S.D};
    for (int W = 0; W < 4; ++W)
        for (int B = 0; B < 4; ++B)
            Result.Bytes[4 * W + B] = uint8_t(Words[W] >> (8 * B));
    return Result;
}

TEAKey TEASetKey(const AnsiString& Password)
{
    const MD5Digest D = MD5(Password.Data(), size_t(Password.Length()));
    TEAKey Key;
    for (int I = 0; I < 4; ++I)
        Key.K[I] = ReadBE32(D.Bytes + 4 * I);
    return Key;
}

void TEAEncryptBlock(const TEAKey& Key, uint8_t Block[8])
{
    uint32_t Y = ReadBE32(Block), Z = ReadBE32(Block + 4), Sum = 0;
    const uint32_t* K = Key.K;
    for (int I = 0; I < 32; ++I) {
        Sum += TEADelta;
        Y += (Z << 4) + (Z ^ K[0]) + ((Z >> 5) ^ Sum) + K[1];
        Z += (Y << 4) + (Y ^ K[2]) + ((Y >> 5) ^ Sum) + K[3];
    }
    WriteBE32(Block, Y);
    WriteBE32(Block + 4, Z);
}

void TEADecryptBlock(const TEAKey& Key, uint8_t Block[8])
{
    uint32_t Y = ReadBE32(Block), Z = ReadBE32(Block + 4), Sum = 0xC6EF3720;
    const uint32_t* K = Key.K;
    for (int I = 0; I < 32; ++I) {
        Z -= (Y << 4) + (Y ^ K[2]) + ((Y >> 5) ^ Sum) + K[3];
        Y -= (Z << 4) + (Z ^ K[0]) + ((Z >> 5) ^ Sum) + K[1];
        Sum -= TEADelta;
    }
    WriteBE32(Block, Y);
    WriteBE32(Block + 4, Z);
}

void TEADecrypt(const TEAKey& Key, const void* Input, void* Output, size_t Length)
{
    TEAChain(Key, static_cast<const uint8_t*>(Input), static_cast<uint8_t*>(Output), Length,
             /*Decrypt=*/true);
}

void TEAEncrypt(const TEAKey& Key, const void* Input, void* Output, size_t Length)
{
    TEAChain(Key, static_cast<const uint8_t*>(Input), static_cast<uint8_t*>(Output), Length,
             /*Decrypt=*/false);
}

uint32_t CRC32(const void* Buffer, size_t Length)
{
    static const std::array<uint32_t, 256> Table = [] {
        std::array<uint32_t, 256> T{};
        for (uint32_t N = 0; N < 256; ++N) {
            uint32_t C = N;
            for (int K = 0; K < 8; ++K)
                C = (C & 1) ? 0xEDB88320u ^ (C >> 1) : C >> 1;
            T[N] = C;
        }
        return T;
    }();
    const auto* P = static_cast<const uint8_t*>(Buffer);
    uint32_t C = 0xFFFFFFFFu;
    for (size_t I = 0; I < Length; ++I)
        C = Table[(C ^ P[I]) & 0xFF] ^ (C >> 8);
    return C ^ 0xFFFFFFFFu;
}

void GunzipStream(TStream* Input, TStream* Output, size_t MaxOutput)
{
    const Int64 Avail = Input->Size() - Input->Position();
    if (Avail < 18 || Avail > Int64(INT32_MAX))
        throw EZLibError(SGzipHeader);
    std::string Data(size_t(Avail), '\0');
    Input->ReadBuffer(Data.data(), int(Avail));
    const auto* P = reinterpret_cast<const uint8_t*>(Data.data());
    if (P[0] != 0x1F || P[1] != 0x8B || P[2] != 8)
        throw EZLibError(SGzipHeader);
    const uint8_t Flags = P[3];
    size_t Pos = 10;
    const size_t End = Data.size() - 8;
    // The optional header fields of RFC 1952, each checked against the data.
    if (Flags & 4) {
        if (Pos + 2 > End)
            throw EZLibError(SGzipHeader);
        Pos += 2 + (size_t(P[Pos]) | (size_t(P[Pos + 1]) << 8));
    }
    for (const uint8_t Bit : {uint8_t(8), uint8_t(16)}) {
        if (!(Flags & Bit))
            continue;
        while (Pos < End && P[Pos] != 0)
            ++Pos;
        ++Pos;
    }
    if (Flags & 2)
        Pos += 2;
    if (Pos > End)
        throw EZLibError(SGzipHeader);
    const std::string Out = Inflate(P + Pos, End - Pos, -MAX_WBITS, MaxOutput);
    const uint32_t Crc = uint32_t(P[End]) | (uint32_t(P[End + 1]) << 8) |
                         (uint32_t(P[End + 2]) << 16) | (uint32_t(P[End + 3]) << 24);
    const uint32_t Size = uint32_t(P[End + 4]) | (uint32_t(P[End + 5]) << 8) |
                          (uint32_t(P[End + 6]) << 16) | (uint32_t(P[End + 7]) << 24);
    if (Crc != CRC32(Out.data(), Out.size()) || Size != uint32_t(Out.size()))
        throw EZLibError(SGzipCheck);
    if (!Out.empty())
        Output->WriteBuffer(Out.data(), int(Out.size()));
}

// ---- TTGZWriter ----------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TTGZWriter)

TTGZWriter::TTGZWriter(const AnsiString& AFileName)
    : Stream(std::make_unique<TMemoryStream>()), FileName(AFileName)
{
}

TTGZWriter::~TTGZWriter()
{
    try {
        Finish();
    } catch (const std::exception& E) {
        std::fprintf(stderr, "%s: %s\n", FileName.ToUtf8().c_str(), E.what());
    }
}

std::string TTGZWriter::MakeHeader(const AnsiString& Name, int64_t Size, int64_t UnixTime)
{
    std::string H(512, '\0');
    std::memcpy(H.data(), Name.Data(), size_t(std::min(Name.Length(), 100)));
    // Mode 0644: an entry of mode 0 extracts as a file nobody may read.
    PutOctal(&H[100], 7, 0644);
    PutOctal(&H[108], 7, 0);
    PutOctal(&H[116], 7, 0);
    PutOctal(&H[124], 12, uint64_t(std::max<int64_t>(Size, 0)));
    PutOctal(&H[136], 12, uint64_t(std::max<int64_t>(UnixTime, 0)));
    H[156] = '0';
    std::memcpy(&H[257], "ustar   ", 8);
    std::memset(&H[148], ' ', 8);
    unsigned Sum = 0;
    for (const char C : H)
        Sum += static_cast<unsigned char>(C);
    PutOctal(&H[148], 7, Sum);
    H[155] = '\0';
    return H;
}

void TTGZWriter::AddFile(const AnsiString& Path, const AnsiString& Name)
{
    TMemoryStream Data;
    Data.LoadFromFile(Path);
    // The modification time in UTC seconds, as tar stores it.
    struct stat St{};
    const int64_t MTime = ::stat(Path.ToUtf8().c_str(), &St) == 0 ? int64_t(St.st_mtime) : 0;
    const AnsiString EntryName = Name.IsEmpty() ? ExtractFileName(Path) : Name;
    const std::string Header = MakeHeader(EntryName, Data.Size(), MTime);
    Stream->WriteBuffer(Header.data(), 512);
    if (Data.Size() > 0)
        Stream->WriteBuffer(Data.Memory(), int(Data.Size()));
    const int Pad = int((512 - Data.Size() % 512) % 512);
    const std::string Zeros(size_t(Pad), '\0');
    if (Pad > 0)
        Stream->WriteBuffer(Zeros.data(), Pad);
}

void TTGZWriter::Finish()
{
    if (FFinished)
        return;
    FFinished = true;
    // Two zero blocks end a tar archive; readers warn about one.
    const std::string Zeros(1024, '\0');
    Stream->WriteBuffer(Zeros.data(), 1024);
    const auto* Tar = static_cast<const char*>(Stream->Memory());
    const size_t TarSize = size_t(Stream->Size());

    std::string Gz = "\x1F\x8B\x08\x08";
    Gz.append(6, '\0');
    const AnsiString Inner = ChangeFileExt(ExtractFileName(FileName), ".tar");
    Gz.append(Inner.Data(), size_t(Inner.Length()));
    Gz += '\0';
    Gz += Deflate(Tar, TarSize, -MAX_WBITS);
    PutLE32(Gz, CRC32(Tar, TarSize));
    PutLE32(Gz, uint32_t(TarSize));
    Stream.reset();

    TFileStream Out(FileName, fmCreate);
    Out.WriteBuffer(Gz.data(), int(Gz.size()));
}
