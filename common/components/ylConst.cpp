#include "common/components/ylConst.h"

#include "platform/forms/Forms.h"

void ylConstInitialization()
{
    if (!Screen)
        return;
    Screen->SetCursors(crHandCursor, LoadCursor(HInstance, AnsiString("YL_HANDCUR")));
    Screen->SetCursors(crDragCursor, LoadCursor(HInstance, AnsiString("YL_DRAGCUR")));
}
