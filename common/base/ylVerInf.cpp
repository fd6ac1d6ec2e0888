#include "common/base/ylVerInf.h"

#include "common/base/VersionConfig.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

/// The section that holds the version block of a program built here.
constexpr const char* VersionSectionName = ".rsrc.version";

constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;
constexpr DWORD VS_FFI_FILEFLAGSMASK = 0x0000003F;
constexpr DWORD VFT_APP = 1;

constexpr DWORD PackVersion(unsigned Hi, unsigned Lo)
{
    return (DWORD(Hi & 0xFFFF) << 16) | DWORD(Lo & 0xFFFF);
}

} // namespace

/// This program's own version block, from the project's version at build
/// time; kept by the linker because it is marked used.
[[gnu::used, gnu::retain, gnu::section(".rsrc.version")]] const VS_FIXEDFILEINFO ProgramVersionBlock = {
    VersionBlockSignature,
    VS_FFI_STRUCVERSION,
    PackVersion(PRICETAGS_VERSION_MAJOR, PRICETAGS_VERSION_MINOR),
    PackVersion(PRICETAGS_VERSION_PATCH, PRICETAGS_VERSION_TWEAK),
    PackVersion(PRICETAGS_VERSION_MAJOR, PRICETAGS_VERSION_MINOR),
    PackVersion(PRICETAGS_VERSION_PATCH, PRICETAGS_VERSION_TWEAK),
    VS_FFI_FILEFLAGSMASK,
    0,
    0,
    VFT_APP,
    0,
    0,
    0,
};

namespace {

/// The bytes of the version section of an ELF file; '' when the file is no
/// 64-bit little-endian ELF file, has no such section, or any offset or
/// size in it points outside the file.
std::string ReadVersionSection(const AnsiString& FileName)
{
    std::ifstream In(FileName.ToUtf8(), std::ios::binary);
    if (!In)
        return "";
    In.seekg(0, std::ios::end);
    const std::streamoff FileSize = In.tellg();
    if (FileSize < static_cast<std::streamoff>(sizeof(Elf64_Ehdr)))
        return "";
    auto ReadAt = [&In, FileSize](uint64_t Offset, void* Dest, uint64_t Size) {
        if (Offset > uint64_t(FileSize) || Size > uint64_t(FileSize) - Offset)
            return false;
        In.clear();
        In.seekg(static_cast<std::streamoff>(Offset));
        In.read(static_cast<char*>(Dest), static_cast<std::streamsize>(Size));
        return bool(In);
    };
    Elf64_Ehdr Header;
    if (!ReadAt(0, &Header, sizeof Header) || std::memcmp(Header.e_ident, ELFMAG, SELFMAG) != 0
        || Header.e_ident[EI_CLASS] != ELFCLASS64 || Header.e_ident[EI_DATA] != ELFDATA2LSB
        || Header.e_shentsize != sizeof(Elf64_Shdr) || Header.e_shstrndx >= Header.e_shnum)
        return "";
    auto SectionHeader = [&](unsigned Index, Elf64_Shdr& Section) {
        return ReadAt(Header.e_shoff + uint64_t(Index) * sizeof(Elf64_Shdr), &Section,
                      sizeof Section);
    };
    Elf64_Shdr Names;
    if (!SectionHeader(Header.e_shstrndx, Names))
        return "";
    const size_t NameLen = std::strlen(VersionSectionName) + 1;
    for (unsigned I = 0; I < Header.e_shnum; ++I) {
        Elf64_Shdr Section;
        if (!SectionHeader(I, Section))
            return "";
        if (Section.sh_name >= Names.sh_size || Names.sh_size - Section.sh_name < NameLen)
            continue;
        char Name[32] = {};
        if (!ReadAt(Names.sh_offset + Section.sh_name, Name, NameLen)
            || std::memcmp(Name, VersionSectionName, NameLen) != 0)
            continue;
        // A version block is a few dozen bytes; anything large is damage.
        if (Section.sh_type == SHT_NOBITS || Section.sh_size > 4096)
            return "";
        std::string Bytes(static_cast<size_t>(Section.sh_size), '\0');
        if (!ReadAt(Section.sh_offset, Bytes.data(), Section.sh_size))
            return "";
        return Bytes;
    }
    return "";
}

} // namespace

PRICETAGS_DEFINE_CLASS(TVersionInfo)

TVersionInfo::TVersionInfo(const AnsiString& FileName) : FFileName(FileName)
{
    ReadVersionInfo();
}

TVersionInfo::~TVersionInfo() = default;

void TVersionInfo::ReadVersionInfo()
{
    FValid = false;
    FBuffer.reset();
    const std::string Block = ReadVersionSection(FFileName);
    FSize = static_cast<Integer>(Block.size());
    if (FSize <= 0)
        return;
    FBuffer = std::make_unique<unsigned char[]>(Block.size());
    std::memcpy(FBuffer.get(), Block.data(), Block.size());
    FValid = true;
}

const VS_FIXEDFILEINFO* TVersionInfo::GetFixedFileInfo() const
{
    if (!FValid || FSize < static_cast<Integer>(sizeof(VS_FIXEDFILEINFO)))
        return nullptr;
    const auto* Info = reinterpret_cast<const VS_FIXEDFILEINFO*>(FBuffer.get());
    return Info->dwSignature == VersionBlockSignature ? Info : nullptr;
}

TVersionNumber TVersionInfo::GetFileVersionNumber() const
{
    // A file without version data reads as 0.0.0.0 rather than failing.
    const VS_FIXEDFILEINFO* Info = GetFixedFileInfo();
    if (!Info)
        return {};
    return {Info->dwFileVersionMS, Info->dwFileVersionLS};
}

AnsiString VersionNumberToString(TVersionNumber Number)
{
    return Format("%d.%d.%d.%d", {Integer(Number.MS >> 16), Integer(Number.MS & 0xFFFF),
                                  Integer(Number.LS >> 16), Integer(Number.LS & 0xFFFF)});
}

AnsiString AppModuleFileName()
{
    return ParamStr(0);
}

std::unique_ptr<TVersionInfo> AppVersionInfo()
{
    return std::make_unique<TVersionInfo>(AppModuleFileName());
}
