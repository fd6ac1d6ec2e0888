#include "common/components/FileUtil.h"

#include "platform/rtl/Files.h"

bool FolderExists(const AnsiString& Path)
{
    const Integer Attr = FileGetAttr(Path);
    return Attr != -1 && (Attr & faDirectory) != 0;
}

bool IsValidFileName(const AnsiString& FileName)
{
    if (FileName.IsEmpty())
        return false;
    for (int I = 1; I <= FileName.Length(); ++I) {
        switch (FileName[I]) {
        case '<':
        case '>':
        case '"':
        case '[':
        case ']':
        case '|':
            return false;
        default:
            break;
        }
    }
    return true;
}

namespace {

AnsiString FirstMatch(const AnsiString& FileName)
{
    TSearchRec F;
    if (FindFirst(FileName, faAnyFile, F) != 0)
        return AnsiString();
    const AnsiString Found = F.Name;
    FindClose(F);
    return Found;
}

} // namespace

AnsiString LongFileNameOf(const AnsiString& FileName)
{
    return FirstMatch(FileName);
}

AnsiString ShortFileNameOf(const AnsiString& FileName)
{
    return FirstMatch(FileName);
}
