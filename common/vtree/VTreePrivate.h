#pragma once

// Shared by the tree's source files only: the stream error texts and codes
// and sizes of the painting, the window layer's clipboard format names.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

namespace vtree_private {

/// The window layer's table of named clipboard formats (shared with every
/// other program part that registers one): a name to its id and back.
Word SystemRegister(const AnsiString& Name);
AnsiString SystemNameOf(Word Format);

inline constexpr const char* SWrongFormat = "Unable to load tree structure, the format is wrong.";
inline constexpr const char* SWrongVersion =
    "Unable to load tree structure, the version is unknown.";
inline constexpr const char* SNotEnoughData =
    "Unable to load tree structure, not enough data available.";
inline constexpr const char* SMissingAnchor =
    "Stream data corrupt. A node's anchor chunk is missing.";
inline constexpr const char* SOverrun =
    "Stream data corrupt. Unexpected data after node's end position.";

inline constexpr int ErrWrongFormat = 2002;
inline constexpr int ErrWrongVersion = 2003;
inline constexpr int ErrNotEnoughData = 2004;
inline constexpr int ErrMissingAnchor = 2005;
inline constexpr int ErrOverrun = 2006;

} // namespace vtree_private

/// The header's sort glyph is a 16 x 16 image.
inline constexpr int SortGlyphSize = 16;
