#include "tests/support/TestSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

TempDir::TempDir()
{
    std::string Pattern = (std::filesystem::temp_directory_path() / "pricetags-XXXXXX").string();
    if (!mkdtemp(Pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    FPath = Pattern;
}

TempDir::~TempDir()
{
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
}

AnsiString TempDir::File(const std::string& Name) const
{
    return AnsiString::FromUtf8((FPath / Name).string());
}

CurrentDirScope::CurrentDirScope(const std::filesystem::path& Dir)
    : FOld(std::filesystem::current_path())
{
    std::filesystem::current_path(Dir);
}

CurrentDirScope::~CurrentDirScope()
{
    std::error_code Ignored;
    std::filesystem::current_path(FOld, Ignored);
}

std::string ReadBytes(const std::filesystem::path& File)
{
    // In one read: a byte at a time takes seconds on a program file under
    // the sanitizers.
    std::ifstream In(File, std::ios::binary | std::ios::ate);
    EXPECT_TRUE(In.good()) << "cannot read " << File;
    if (!In)
        return std::string();
    std::string Bytes(static_cast<size_t>(In.tellg()), '\0');
    In.seekg(0);
    In.read(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    Bytes.resize(static_cast<size_t>(In.gcount()));
    return Bytes;
}

void WriteBytes(const std::filesystem::path& File, const std::string& Bytes)
{
    std::ofstream Out(File, std::ios::binary | std::ios::trunc);
    Out.write(Bytes.data(), std::streamsize(Bytes.size()));
    ASSERT_TRUE(Out.good()) << "cannot write " << File;
}

void ExpectMatchesGolden(const std::string& Bytes, const std::filesystem::path& Golden)
{
    const std::string Expected = ReadBytes(Golden);
    if (Bytes == Expected)
        return;
    size_t Offset = 0;
    while (Offset < Bytes.size() && Offset < Expected.size() && Bytes[Offset] == Expected[Offset])
        ++Offset;
    std::filesystem::path Actual = Golden;
    Actual += ".actual";
    WriteBytes(Actual, Bytes);
    ADD_FAILURE() << Golden << " differs at offset " << Offset << " (sizes " << Bytes.size()
                  << " and " << Expected.size() << "); written " << Actual;
}

std::filesystem::path TestData()
{
    return PRICETAGS_TEST_DATA;
}

std::string RunCommand(const std::string& Command)
{
    std::string Out;
    if (FILE* P = popen(Command.c_str(), "r")) {
        char Buffer[4096];
        size_t N;
        while ((N = fread(Buffer, 1, sizeof Buffer, P)) > 0)
            Out.append(Buffer, N);
        pclose(P);
    }
    return Out;
}
