#include "app/ShippedTemplates.h"

#include "app/ArticleList.h"
#include "common/base/Funcs.h"
#include "common/components/MsgWin.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

namespace {

/// True when a file of TxtPath is named Name with any extension, or Name
/// itself (letters without regard to case).
bool AnyFileNamed(const AnsiString& TxtPath, const AnsiString& Name)
{
    for (const AnsiString& Mask : {TxtPath + Name, TxtPath + Name + ".*"}) {
        TSearchRec F;
        const bool Found = FindFirst(Mask, faAnyFile, F) == 0;
        FindClose(F);
        if (Found)
            return true;
    }
    return false;
}

AnsiString BaseName(const AnsiString& FileName)
{
    const AnsiString Ext = ExtractFileExt(FileName);
    return FileName.SubString(1, FileName.Length() - Ext.Length());
}

} // namespace

int InstallShippedTemplates(const AnsiString& TxtPath)
{
    // The folder is made at start-up. When that failed, each file would
    // fail for a missing path; the folder's own failure is the cause.
    if (!TxtPath.IsEmpty() && !DirectoryExists(ExcludeTrailingPathDelimiter(TxtPath))
        && !ForceDirectories(TxtPath)) {
        const DWORD Code = GetLastError();
        ErrorMsg("Не удалось создать папку \""_a + TxtPath + "\"|" + SysErrorMessage(Code));
        return 0;
    }
    int Written = 0;
    AnsiString Failed;
    const auto Attempt = [&](const AnsiString& Name, const auto& Write) {
        try {
            Write(TxtPath + Name);
            ++Written;
        } catch (const Exception& E) {
            Failed += "\r\n" + Name + ": " + E.Message;
        }
    };
    for (const ShippedFile& F : ShippedTemplates()) {
        const AnsiString Name(F.Name);
        if (AnyFileNamed(TxtPath, BaseName(Name)))
            continue;
        Attempt(Name, [&F](const AnsiString& Path) {
            SaveDataFile(Path, [&F](TStream& Out) {
                Out.WriteBuffer(F.Data, static_cast<int>(F.Size));
            });
        });
    }
    if (!AnyFileNamed(TxtPath, "Articles.fl"))
        Attempt("Articles.fl", [](const AnsiString& Path) { TshArticleList().SaveToFile(Path); });
    if (!Failed.IsEmpty())
        ErrorMsg("Не удалось записать шаблоны в папку \""_a + TxtPath + "\"|"_a +
                 Failed.SubString(3, Failed.Length() - 2));
    return Written;
}
