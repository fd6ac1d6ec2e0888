#pragma once

// What the files of the grids unit share and nobody else uses.

#include "platform/forms/Graphics.h"

/// Dest takes Source's description unless it has it already: a canvas
/// font that changes makes a new device font, and grids set one per cell.
inline bool SameFaceAndSize(TFont* A, TFont* B)
{
    return A->Name() == B->Name() && A->Height() == B->Height() && A->Style() == B->Style() &&
           A->Charset() == B->Charset() && A->Pitch() == B->Pitch() && A->Orientation() == B->Orientation() &&
           A->PixelsPerInch() == B->PixelsPerInch();
}

inline void AssignFontIfChanged(TFont* Dest, TFont* Source)
{
    if (SameFaceAndSize(Dest, Source) && Dest->Color() == Source->Color())
        return;
    Dest->Assign(Source);
}

/// The colour alone, when it differs.
inline void SetFontColorIfChanged(TFont* Dest, TColor Color)
{
    if (Dest->Color() != Color)
        Dest->SetColor(Color);
}
