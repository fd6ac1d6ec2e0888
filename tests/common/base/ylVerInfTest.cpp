#include "common/base/ylVerInf.h"

#include "common/base/VersionConfig.h"

#include "platform/rtl/Files.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <elf.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

TEST(ylVerInf, TheProgramCarriesTheProjectVersion)
{
    const auto Info = AppVersionInfo();
    ASSERT_TRUE(Info->Valid());
    ASSERT_NE(Info->GetFixedFileInfo(), nullptr);
    EXPECT_EQ(Info->FileName(), ParamStr(0));
    EXPECT_EQ(VersionNumberToString(Info->GetFileVersionNumber()), PRICETAGS_VERSION_TEXT);
}

TEST(ylVerInf, VersionNumberToString)
{
    EXPECT_EQ(VersionNumberToString({0x00010005, 0x0000012C}), "1.5.0.300");
    EXPECT_EQ(VersionNumberToString({0xFFFF0000, 0x0000FFFF}), "65535.0.0.65535");
    EXPECT_EQ(VersionNumberToString({}), "0.0.0.0");
}

namespace {

/// The bytes of the running test program.
std::string ProgramBytes()
{
    return ReadBytes(ParamStr(0).ToUtf8());
}

/// Offset of the version block in the program's bytes, from its section.
size_t BlockOffset(const std::string& Bytes)
{
    Elf64_Ehdr Header;
    std::memcpy(&Header, Bytes.data(), sizeof Header);
    Elf64_Shdr Names;
    std::memcpy(&Names, Bytes.data() + Header.e_shoff + Header.e_shstrndx * sizeof(Elf64_Shdr),
                sizeof Names);
    for (unsigned I = 0; I < Header.e_shnum; ++I) {
        Elf64_Shdr Section;
        std::memcpy(&Section, Bytes.data() + Header.e_shoff + I * sizeof(Elf64_Shdr),
                    sizeof Section);
        if (std::strcmp(Bytes.data() + Names.sh_offset + Section.sh_name, ".rsrc.version") == 0)
            return Section.sh_offset;
    }
    ADD_FAILURE() << "no version section";
    return 0;
}

/// Sets the size of the table of section names in the program's bytes.
void SetNamesSize(std::string& Bytes, uint64_t Size)
{
    Elf64_Ehdr Header;
    std::memcpy(&Header, Bytes.data(), sizeof Header);
    const size_t At = Header.e_shoff + Header.e_shstrndx * sizeof(Elf64_Shdr) + offsetof(Elf64_Shdr, sh_size);
    std::memcpy(&Bytes[At], &Size, sizeof Size);
}

} // namespace

struct NoVersionCase {
    std::function<std::string()> Bytes;
    bool Valid;
    const char* Why;
};

TEST(ylVerInf, AFileWithoutVersionDataReadsAsNoVersion)
{
    const NoVersionCase Cases[] = {
        {[] { return std::string("just text\r\n"); }, false, "not a program"},
        {[] { return std::string(); }, false, "an empty file"},
        {[] { return ProgramBytes().substr(0, 100); }, false, "a program cut after its header"},
        {[] {
             std::string B = ProgramBytes();
             std::memset(&B[40], 0x7F, 8);  // section table far past the end
             return B;
         },
         false, "a section table outside the file"},
        {[] {
             std::string B = ProgramBytes();
             SetNamesSize(B, uint64_t(1) << 40);  // names far past the end
             return B;
         },
         false, "a table of section names outside the file"},
        {[] {
             std::string B = ProgramBytes();
             B[BlockOffset(B)] = 0;  // the block's signature spoiled
             return B;
         },
         true, "a block without its signature"},
    };
    TempDir Tmp;
    for (const NoVersionCase& C : Cases) {
        SCOPED_TRACE(C.Why);
        WriteBytes(Tmp.Path() / "file", C.Bytes());
        TVersionInfo Info(Tmp.File("file"));
        EXPECT_EQ(Info.Valid(), C.Valid);
        EXPECT_EQ(Info.GetFixedFileInfo(), nullptr);
        EXPECT_EQ(VersionNumberToString(Info.GetFileVersionNumber()), "0.0.0.0");
        if (!C.Valid) {
            EXPECT_EQ(Info.Size(), 0);
        }
    }
    TVersionInfo Missing(Tmp.File("no-such-file"));
    EXPECT_FALSE(Missing.Valid());
    EXPECT_EQ(VersionNumberToString(Missing.GetFileVersionNumber()), "0.0.0.0");
}

TEST(ylVerInf, ACopiedProgramKeepsItsVersion)
{
    TempDir Tmp;
    std::string B = ProgramBytes();
    const size_t At = BlockOffset(B);
    // File version 1.5.0.300 in the block's third and fourth words.
    const unsigned char MS[4] = {0x05, 0x00, 0x01, 0x00};
    const unsigned char LS[4] = {0x2C, 0x01, 0x00, 0x00};
    std::memcpy(&B[At + 8], MS, 4);
    std::memcpy(&B[At + 12], LS, 4);
    WriteBytes(Tmp.Path() / "copy", B);
    TVersionInfo Info(Tmp.File("copy"));
    ASSERT_TRUE(Info.Valid());
    EXPECT_EQ(VersionNumberToString(Info.GetFileVersionNumber()), "1.5.0.300");
}
