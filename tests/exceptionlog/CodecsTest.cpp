#include "exceptionlog/Codecs.h"

#include "platform/classes/Streams.h"

#include "tests/exceptionlog/ExternalTools.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>
#include <utime.h>

#include <cstring>
#include <random>
#include <string>

namespace {

std::string HexOf(const uint8_t* P, size_t N)
{
    static const char Digits[] = "0123456789abcdef";
    std::string S;
    for (size_t I = 0; I < N; ++I) {
        S += Digits[P[I] >> 4];
        S += Digits[P[I] & 15];
    }
    return S;
}

std::string RandomBytes(size_t N, unsigned Seed)
{
    std::mt19937 Gen(Seed);
    std::string S(N, '\0');
    for (char& C : S)
        C = char(Gen() % 7);  // compressible, but not trivially
    return S;
}

}  // namespace

TEST(Codecs, Base64)
{
    struct Case { const char* In; const char* Out; };
    const Case Cases[] = {
        {"", ""},
        {"a", "YQ=="},      // one byte: two characters and "=="
        {"ab", "YWI="},     // two bytes: three characters and "="
        {"abc", "YWJj"},
        {"user:pass", "dXNlcjpwYXNz"},
        {"\xFF\xFE\xFD", "//79"},  // the last two letters of the alphabet
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.In);
        EXPECT_EQ(Base64Encode(C.In), C.Out);
        EXPECT_EQ(Base64Length(std::strlen(C.In)), std::strlen(C.Out));
    }
}

TEST(Codecs, MD5KnownDigests)
{
    struct Case { std::string In; const char* Hex; };
    const Case Cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        // 56 bytes: the length no longer fits the first padding block
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.In);
        const MD5Digest D = MD5(C.In.data(), C.In.size());
        EXPECT_EQ(HexOf(D.Bytes, 16), C.Hex);
    }
}

TEST(Codecs, CRC32EqualsZlib)
{
    EXPECT_EQ(CRC32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(CRC32("", 0), 0u);
    const std::string Data = RandomBytes(10000, 1);
    EXPECT_EQ(CRC32(Data.data(), Data.size()),
              crc32(0, reinterpret_cast<const Bytef*>(Data.data()), uInt(Data.size())));
}

TEST(Codecs, TEAKeyAndRounds)
{
    // The key is the MD5 digest read as big-endian words.
    const TEAKey Key = TEASetKey("abc");
    EXPECT_EQ(Key.K[0], 0x90015098u);
    EXPECT_EQ(Key.K[3], 0x28e17f72u);

    // One block of the variant round by hand: zero key, zero block.
    uint8_t Block[8] = {};
    TEAEncryptBlock(TEAKey{}, Block);
    uint32_t Y = 0, Z = 0, Sum = 0;
    for (int I = 0; I < 32; ++I) {
        Sum += 0x9E3779B9;
        Y += (Z << 4) + Z + ((Z >> 5) ^ Sum);
        Z += (Y << 4) + Y + ((Y >> 5) ^ Sum);
    }
    const uint8_t Expected[8] = {uint8_t(Y >> 24), uint8_t(Y >> 16), uint8_t(Y >> 8), uint8_t(Y),
                                 uint8_t(Z >> 24), uint8_t(Z >> 16), uint8_t(Z >> 8), uint8_t(Z)};
    EXPECT_EQ(HexOf(Block, 8), HexOf(Expected, 8));
    TEADecryptBlock(TEAKey{}, Block);
    EXPECT_EQ(HexOf(Block, 8), "0000000000000000");
}

TEST(Codecs, TEAChainedModeRoundTripsAndTreatsTailWithTheChain)
{
    const TEAKey Key = TEASetKey("secret");
    for (const size_t Length : {size_t(0), size_t(4), size_t(8), size_t(12), size_t(33)}) {
        SCOPED_TRACE(Length);
        const std::string Plain = RandomBytes(Length, unsigned(Length) + 7);
        std::string Cipher(Length, '\0'), Back(Length, '\0');
        TEAEncrypt(Key, Plain.data(), Cipher.data(), Length);
        TEADecrypt(Key, Cipher.data(), Back.data(), Length);
        EXPECT_EQ(Back, Plain);
    }
    // A 12-byte input: the last 4 bytes are XORed with the enciphered chain,
    // and the chain is the first cipher block.
    const std::string Cipher = RandomBytes(12, 3);
    std::string Out(12, '\0');
    TEADecrypt(Key, Cipher.data(), Out.data(), 12);
    uint8_t Chain[8];
    std::memcpy(Chain, Cipher.data(), 8);
    TEAEncryptBlock(Key, Chain);
    for (int I = 0; I < 4; ++I)
        EXPECT_EQ(uint8_t(Out[8 + size_t(I)]), uint8_t(Cipher[8 + size_t(I)]) ^ Chain[I]);
}

TEST(Codecs, CompressRoundTripAndZlibCompatibility)
{
    for (const size_t N : {size_t(0), size_t(1), size_t(300), size_t(100000)}) {
        SCOPED_TRACE(N);
        const std::string Data = RandomBytes(N, unsigned(N));
        const std::string Z = CompressBuffer(Data.data(), Data.size());
        ASSERT_GE(Z.size(), 2u);
        EXPECT_EQ(uint8_t(Z[0]), 0x78);
        EXPECT_EQ(uint8_t(Z[1]), 0xDA);  // level 9
        EXPECT_EQ(DecompressBuffer(Z.data(), Z.size()), Data);
        // zlib's own uncompress reads it back too.
        std::string Back(N + 1, '\0');
        uLongf BackLen = uLongf(Back.size());
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(Back.data()), &BackLen,
                             reinterpret_cast<const Bytef*>(Z.data()), uLong(Z.size())),
                  Z_OK);
        EXPECT_EQ(Back.substr(0, BackLen), Data);
    }
}

TEST(Codecs, DecompressRefusesDamagedCutAndOversizedInput)
{
    const std::string Data = RandomBytes(5000, 9);
    const std::string Z = CompressBuffer(Data.data(), Data.size());
    ExpectRaises<EZLibError>([&] { (void)DecompressBuffer(Z.data(), Z.size() / 2); },
                             "buffer error");
    std::string Bad = Z;
    Bad[Bad.size() - 1] ^= 0x55;  // the Adler-32 check
    ExpectRaises<EZLibError>([&] { (void)DecompressBuffer(Bad.data(), Bad.size()); },
                             "data error");
    ExpectRaises<EZLibError>([&] { (void)DecompressBuffer("abcd", 4); }, "data error");
    // A small input that inflates past the cap is stopped at the cap.
    const std::string Zeros(1 << 20, '\0');
    const std::string Bomb = CompressBuffer(Zeros.data(), Zeros.size());
    ExpectRaises<EZLibError>([&] { (void)DecompressBuffer(Bomb.data(), Bomb.size(), 4096); },
                             "Decompressed data exceed the limit");
    EXPECT_EQ(DecompressBuffer(Bomb.data(), Bomb.size(), Zeros.size()).size(), Zeros.size());
}

TEST(Codecs, GunzipReadsWhatGzipWrites)
{
    const TempDir Dir;
    const std::string Data = RandomBytes(70000, 5);
    WriteBytes(Dir.Path() / "data.bin", Data);
    ASSERT_EQ(RunTool("gzip -9 -k -n '" + (Dir.Path() / "data.bin").string() + "'").Status, 0);
    const std::string Gz = ReadBytes(Dir.Path() / "data.bin.gz");

    MemoryBlockStream In(Gz.data(), Gz.size());
    TMemoryStream Out;
    GunzipStream(&In, &Out);
    ASSERT_EQ(Out.Size(), Int64(Data.size()));
    EXPECT_EQ(std::memcmp(Out.Memory(), Data.data(), Data.size()), 0);

    // With the name stored (gzip's default) the name is skipped.
    ASSERT_EQ(RunTool("gzip -9 -c '" + (Dir.Path() / "data.bin").string() + "' > '" +
                      (Dir.Path() / "named.gz").string() + "'").Status, 0);
    const std::string Named = ReadBytes(Dir.Path() / "named.gz");
    MemoryBlockStream In2(Named.data(), Named.size());
    TMemoryStream Out2;
    GunzipStream(&In2, &Out2);
    EXPECT_EQ(Out2.Size(), Int64(Data.size()));
}

TEST(Codecs, GunzipRefusesDamagedFiles)
{
    const std::string Data = RandomBytes(3000, 2);
    TempDir Dir;
    WriteBytes(Dir.Path() / "a", Data);
    ASSERT_EQ(RunTool("gzip -n '" + (Dir.Path() / "a").string() + "'").Status, 0);
    const std::string Gz = ReadBytes(Dir.Path() / "a.gz");
    struct Case { const char* Why; std::string Bytes; const char* Text; };
    std::string BadCrc = Gz;
    BadCrc[Gz.size() - 8] ^= 1;
    std::string BadSize = Gz;
    BadSize[Gz.size() - 1] ^= 1;
    std::string BadMagic = Gz;
    BadMagic[0] = 'x';
    const Case Cases[] = {
        {"crc", BadCrc, "The gzip data are damaged (CRC or length differ)"},
        {"length", BadSize, "The gzip data are damaged (CRC or length differ)"},
        {"magic", BadMagic, "Not a gzip file"},
        {"short", Gz.substr(0, 12), "Not a gzip file"},
        {"cut", Gz.substr(0, Gz.size() / 2), "buffer error"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        MemoryBlockStream In(C.Bytes.data(), C.Bytes.size());
        TMemoryStream Out;
        ExpectRaises<EZLibError>([&] { GunzipStream(&In, &Out); }, C.Text);
    }
}

TEST(Codecs, TarHeaderFields)
{
    const std::string H = TTGZWriter::MakeHeader("a.txt", 1, 1700000000);
    ASSERT_EQ(H.size(), 512u);
    EXPECT_EQ(H.substr(0, 6), std::string("a.txt\0", 6));
    EXPECT_EQ(H.substr(100, 8), std::string("   644 \0", 8));
    EXPECT_EQ(H.substr(108, 8), std::string("     0 \0", 8));
    EXPECT_EQ(H.substr(124, 12), "          1 ");
    EXPECT_EQ(H.substr(136, 12), "14524770400 ");  // 1700000000 in octal
    EXPECT_EQ(H[156], '0');
    EXPECT_EQ(H.substr(257, 9), std::string("ustar   \0", 9));
    // Checksum: six octal digits (leading zeros blank), a blank and a NUL.
    const std::string Sum = H.substr(148, 8);
    EXPECT_EQ(Sum[6], ' ');
    EXPECT_EQ(Sum[7], '\0');
    std::string Blanked = H;
    std::memset(&Blanked[148], ' ', 8);
    unsigned Expected = 0;
    for (const char C : Blanked)
        Expected += static_cast<unsigned char>(C);
    EXPECT_EQ(std::stoul(Sum.substr(0, 6), nullptr, 8), Expected);
}

TEST(Codecs, TgzArchivePassesGzipTarAndPython)
{
    const TempDir Dir;
    const std::string One = "x";
    const std::string Big = RandomBytes(5000, 4);
    WriteBytes(Dir.Path() / "one.txt", One);
    WriteBytes(Dir.Path() / "big.bin", Big);
    // A known modification time, to see that tar shows it in UTC.
    const struct utimbuf Times{1600000000, 1600000000};
    ASSERT_EQ(utime((Dir.Path() / "one.txt").c_str(), &Times), 0);

    const AnsiString Archive = Dir.File("CompressFiles.tgz");
    {
        TTGZWriter W(Archive);
        W.AddFile(Dir.File("one.txt"));
        W.AddFile(Dir.File("big.bin"), "Screenshot.png");
        W.Finish();
    }
    const std::string Gz = ReadBytes(Dir.Path() / "CompressFiles.tgz");
    // The gzip header names the inner ".tar".
    EXPECT_EQ(Gz.substr(0, 4), "\x1F\x8B\x08\x08");
    EXPECT_EQ(Gz.substr(10, 18), std::string("CompressFiles.tar\0", 18));

    const std::string Path = (Dir.Path() / "CompressFiles.tgz").string();
    EXPECT_EQ(RunTool("gzip -t '" + Path + "'").Status, 0);
    const ToolResult List = RunTool("TZ=UTC tar -tvzf '" + Path + "' 2>&1");
    EXPECT_EQ(List.Status, 0);
    EXPECT_EQ(List.Output.find("warning"), std::string::npos) << List.Output;
    EXPECT_NE(List.Output.find("-rw-r--r--"), std::string::npos) << List.Output;
    EXPECT_NE(List.Output.find("2020-09-13 12:26 one.txt"), std::string::npos) << List.Output;

    // The tar archive before compression: 512 header + 512 data per small
    // file, then two zero blocks.
    MemoryBlockStream In(Gz.data(), Gz.size());
    TMemoryStream Tar;
    GunzipStream(&In, &Tar);
    EXPECT_EQ(Tar.Size(), Int64(512 + 512 + 512 + 5120 + 1024));

    const std::string Out = (Dir.Path() / "out").string();
    const ToolResult Py = RunTool(
        "/usr/bin/python3 -c \"import tarfile,sys\n"
        "t=tarfile.open(sys.argv[1],'r:gz')\n"
        "print(','.join(m.name+':'+str(m.size)+':'+oct(m.mode) for m in t.getmembers()))\n"
        "t.extractall(sys.argv[2])\" '" + Path + "' '" + Out + "' 2>&1");
    ASSERT_EQ(Py.Status, 0) << Py.Output;
    EXPECT_EQ(Py.Output, "one.txt:1:0o644,Screenshot.png:5000:0o644\n");
    EXPECT_EQ(ReadBytes(Dir.Path() / "out" / "one.txt"), One);
    EXPECT_EQ(ReadBytes(Dir.Path() / "out" / "Screenshot.png"), Big);
}

TEST(Codecs, TgzWriterReportsAMissingFile)
{
    const TempDir Dir;
    TTGZWriter W(Dir.File("a.tgz"));
    ExpectRaises<EFOpenError>([&] { W.AddFile(Dir.File("none.txt")); },
                              "Cannot open file " + Dir.File("none.txt"));
}
