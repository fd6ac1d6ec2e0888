// The tree's clipboard format registry reaches the window layer's named
// formats through here; kept apart because the window layer's data-object
// declarations share names with the tree's own.

#include "common/vtree/VTreePrivate.h"

#include "platform/winapi/OleDragDrop.h"

namespace vtree_private {

Word SystemRegister(const AnsiString& Name)
{
    return static_cast<Word>(RegisterClipboardFormat(Name));
}

AnsiString SystemNameOf(Word Format)
{
    char Buffer[256];
    const int Length = GetClipboardFormatName(Format, Buffer, sizeof Buffer);
    return AnsiString(Buffer, Length);
}

} // namespace vtree_private
