#pragma once

// Version information of a program file. A program built here carries its
// version block, the fixed file information, in an ELF section of its own
// (".rsrc.version"), filled at build time from the project's version; the
// reader finds that section in any file. The caption and the about window
// show the four numbers joined by points.

#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <memory>

/// The fixed file information of a version block, field for field.
struct VS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

/// dwSignature of a valid block.
inline constexpr DWORD VersionBlockSignature = 0xFEEF04BD;

/// A version as two 32-bit words: major and minor in MS, release and build
/// in LS, each number in 16 bits.
struct TVersionNumber {
    DWORD MS = 0;
    DWORD LS = 0;
    friend bool operator==(const TVersionNumber&, const TVersionNumber&) = default;
};

class TVersionInfo : public TObject {
    PRICETAGS_CLASS(TVersionInfo, TObject)
public:
    /// Keeps the name and reads the file's version block.
    explicit TVersionInfo(const AnsiString& FileName);
    ~TVersionInfo() override;

    /// Reads the block again: Valid when the file holds one; no buffer
    /// otherwise. A missing, unreadable or damaged file gives Valid false.
    void ReadVersionInfo();
    /// The fixed file information; null when the block is not valid.
    [[nodiscard]] const VS_FIXEDFILEINFO* GetFixedFileInfo() const;
    /// The file version; 0.0.0.0 when the file has no version block.
    [[nodiscard]] TVersionNumber GetFileVersionNumber() const;

    [[nodiscard]] const AnsiString& FileName() const { return FFileName; }
    [[nodiscard]] bool Valid() const { return FValid; }
    /// Bytes of the version block; 0 when there is none.
    [[nodiscard]] Integer Size() const { return FSize; }

private:
    AnsiString FFileName;
    bool FValid = false;
    Integer FSize = 0;
    std::unique_ptr<unsigned char[]> FBuffer;
};

/// "%d.%d.%d.%d" of the high and low words of MS, then of LS.
[[nodiscard]] AnsiString VersionNumberToString(TVersionNumber Number);
/// The running program's file.
[[nodiscard]] AnsiString AppModuleFileName();
/// The version information of the running program; the caller owns it.
[[nodiscard]] std::unique_ptr<TVersionInfo> AppVersionInfo();
