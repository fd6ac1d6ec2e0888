// The font files the program draws with. Several packages may install a
// family of one name: fonts-liberation2 (which office suites bring) has
// "Liberation Sans" too, and the font library would prefer its newer files,
// whose glyphs and advances differ. The program draws the same on every
// machine: each family it asks for is taken from the files the set-up
// installs (fonts-liberation, fonts-dejavu-core), named file by file to the
// font library before the first font is made; the other files of those
// families are left out. A family whose set-up files are missing stays as
// the machine has it.

#include "platform/winapi/Windows.h"

#include <fontconfig/fontconfig.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

namespace {

/// The folders the set-up's font packages install into.
constexpr const char* SetUpFontFolders[] = {
    "/usr/share/fonts/truetype/liberation/",
    "/usr/share/fonts/truetype/dejavu/",
};

/// The families MapFontFace and the default faces lead to.
constexpr const char* DrawnFamilies[] = {
    "Liberation Sans", "Liberation Serif", "Liberation Mono", "Liberation Sans Narrow",
    "DejaVu Sans",     "DejaVu Sans Mono",
};

bool InSetUpFolder(const char* File)
{
    for (const char* Folder : SetUpFontFolders)
        if (std::strncmp(File, Folder, std::strlen(Folder)) == 0)
            return true;
    return false;
}

/// Whether Folder lies in one of the configuration's font folders, so the
/// font library takes its files when it builds its fonts.
bool ConfiguredFolder(FcConfig* Config, const char* Folder)
{
    FcStrList* Dirs = FcConfigGetFontDirs(Config);
    if (!Dirs)
        return false;
    bool Found = false;
    while (const FcChar8* Dir = FcStrListNext(Dirs)) {
        const char* D = reinterpret_cast<const char*>(Dir);
        const size_t N = std::strlen(D);
        const bool WholeName = N > 0 && (D[N - 1] == '/' || Folder[N] == '/' || Folder[N] == '\0');
        if (std::strncmp(Folder, D, N) == 0 && WholeName) {
            Found = true;
            break;
        }
    }
    FcStrListDone(Dirs);
    return Found;
}

/// Family -> the set-up's files of that family, read from the font
/// library's cache of each set-up folder (a folder without a valid cache is
/// scanned), before the configuration builds its fonts: its rules must be
/// in place by then, and the machine's configuration is read only once.
std::map<std::string, std::set<std::string>> SetUpFilesByFamily(FcConfig* Config)
{
    std::map<std::string, std::set<std::string>> Files;
    for (const char* Folder : SetUpFontFolders) {
        if (!ConfiguredFolder(Config, Folder))
            continue;
        // The library keys its caches by the folder's name as its
        // configuration gives it: without the closing slash.
        const std::string Dir(Folder, std::strlen(Folder) - 1);
        FcCache* Cache =
            FcDirCacheRead(reinterpret_cast<const FcChar8*>(Dir.c_str()), FcFalse, Config);
        if (!Cache)
            continue;
        FcFontSet* Fonts = FcCacheCopySet(Cache);
        for (int I = 0; Fonts && I < Fonts->nfont; ++I) {
            FcChar8* File = nullptr;
            if (FcPatternGetString(Fonts->fonts[I], FC_FILE, 0, &File) != FcResultMatch
                || !InSetUpFolder(reinterpret_cast<const char*>(File)))
                continue;
            FcChar8* Family = nullptr;
            for (int N = 0;
                 FcPatternGetString(Fonts->fonts[I], FC_FAMILY, N, &Family) == FcResultMatch;
                 ++N) {
                for (const char* Drawn : DrawnFamilies)
                    if (std::strcmp(reinterpret_cast<const char*>(Family), Drawn) == 0)
                        Files[Drawn].insert(reinterpret_cast<const char*>(File));
            }
        }
        if (Fonts)
            FcFontSetDestroy(Fonts);
        FcDirCacheUnload(Cache);
    }
    return Files;
}

/// Names and paths go into the rules as XML text.
std::string XmlText(const std::string& S)
{
    std::string R;
    for (const char C : S) {
        switch (C) {
        case '&': R += "&amp;"; break;
        case '<': R += "&lt;"; break;
        case '>': R += "&gt;"; break;
        default: R += C;
        }
    }
    return R;
}

/// The font library's rules: each listed file is taken, any other font of
/// a listed family is left out.
std::string SelectionRules(const std::map<std::string, std::set<std::string>>& Files)
{
    std::string Accept;
    std::string Reject;
    for (const auto& [Family, Names] : Files) {
        for (const std::string& Name : Names)
            Accept += "<pattern><patelt name=\"file\"><string>" + XmlText(Name)
                      + "</string></patelt></pattern>";
        Reject += "<pattern><patelt name=\"family\"><string>" + XmlText(Family)
                  + "</string></patelt></pattern>";
    }
    return "<?xml version=\"1.0\"?><fontconfig><selectfont><acceptfont>" + Accept
           + "</acceptfont><rejectfont>" + Reject + "</rejectfont></selectfont></fontconfig>";
}

}  // namespace

void ChooseFontFiles()
{
    FcConfig* Config = FcInitLoadConfig();
    if (!Config)
        return;
    const auto Files = SetUpFilesByFamily(Config);
    // Without set-up files the machine's configuration is used as it is.
    const bool Ruled = Files.empty()
        || FcConfigParseAndLoadFromMemory(
            Config, reinterpret_cast<const FcChar8*>(SelectionRules(Files).c_str()), FcTrue);
    if (!Ruled || !FcConfigBuildFonts(Config) || !FcConfigSetCurrent(Config)) {
        // The machine's own choice stays: the library makes its own
        // configuration when it is first used.
        FcConfigDestroy(Config);
        return;
    }
    // The library holds the current configuration now.
    FcConfigDestroy(Config);
}

AnsiString FontFileOfFace(const AnsiString& Face, bool Bold, bool Italic)
{
    FcPattern* Pattern = FcPatternCreate();
    const std::string Family = MapFontFace(Face).ToUtf8();
    FcPatternAddString(Pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(Family.c_str()));
    FcPatternAddInteger(Pattern, FC_WEIGHT, Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(Pattern, FC_SLANT, Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, Pattern, FcMatchPattern);
    FcDefaultSubstitute(Pattern);
    FcResult Result = FcResultNoMatch;
    FcPattern* Found = FcFontMatch(nullptr, Pattern, &Result);
    FcPatternDestroy(Pattern);
    AnsiString File;
    FcChar8* Name = nullptr;
    if (Found && FcPatternGetString(Found, FC_FILE, 0, &Name) == FcResultMatch)
        File = AnsiString::FromUtf8(reinterpret_cast<const char*>(Name));
    if (Found)
        FcPatternDestroy(Found);
    return File;
}
