#include "common/base/ylVerInf.h"

#include "common/base/VersionConfig.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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
/// size in it points outside the file. The header, the section table and
/// the table of section names are read once each: the caption asks for the
/// program's version while the program starts.
std::string ReadVersionSection(const AnsiString& FileName)
{
    const int Fd = ::open(FileName.ToUtf8().c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0)
        return "";
    struct CloseFile {
        int Fd;
        ~CloseFile() { ::close(Fd); }
    } Guard {Fd};
    struct stat St {};
    if (::fstat(Fd, &St) != 0 || St.st_size < static_cast<off_t>(sizeof(Elf64_Ehdr)))
        return "";
    const uint64_t FileSize = uint64_t(St.st_size);
    auto ReadAt = [Fd, FileSize](uint64_t Offset, void* Dest, uint64_t Size) {
        if (Offset > FileSize || Size > FileSize - Offset)
            return false;
        auto* To = static_cast<char*>(Dest);
        while (Size > 0) {
            const ssize_t Got = ::pread(Fd, To, Size, static_cast<off_t>(Offset));
            if (Got <= 0)
                return false;
            To += Got;
            Offset += uint64_t(Got);
            Size -= uint64_t(Got);
        }
        return true;
    };
    Elf64_Ehdr Header;
    if (!ReadAt(0, &Header, sizeof Header) || std::memcmp(Header.e_ident, ELFMAG, SELFMAG) != 0
        || Header.e_ident[EI_CLASS] != ELFCLASS64 || Header.e_ident[EI_DATA] != ELFDATA2LSB
        || Header.e_shentsize != sizeof(Elf64_Shdr) || Header.e_shstrndx >= Header.e_shnum)
        return "";
    std::vector<Elf64_Shdr> Sections(Header.e_shnum);
    if (!ReadAt(Header.e_shoff, Sections.data(), Sections.size() * sizeof(Elf64_Shdr)))
        return "";
    const Elf64_Shdr& Names = Sections[Header.e_shstrndx];
    // A table of section names is a few hundred bytes; anything large is damage.
    constexpr uint64_t MaxNamesSize = 64 * 1024;
    if (Names.sh_size > MaxNamesSize)
        return "";
    std::string NameTable(static_cast<size_t>(Names.sh_size), '\0');
    if (!ReadAt(Names.sh_offset, NameTable.data(), Names.sh_size))
        return "";
    const size_t NameLen = std::strlen(VersionSectionName) + 1;
    for (const Elf64_Shdr& Section : Sections) {
        if (Section.sh_name >= NameTable.size() || NameTable.size() - Section.sh_name < NameLen
            || std::memcmp(NameTable.data() + Section.sh_name, VersionSectionName, NameLen) != 0)
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
