#pragma once

// Shared by the tree's source files only: the stream error texts and codes
// and sizes of the painting, the clipboard's content.

#include "platform/winapi/OleDragDrop.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vtree_private {

/// The wheel-panning cursors are 32 x 32 with the hot spot in the middle.
inline constexpr int PanningCursorSize = 32;
/// The picture of a panning cursor ("VT_MOVEALL", "VT_MOVEEW", "VT_MOVENS",
/// "VT_MOVEN" ... "VT_MOVESW"): rows of ' ' (clear), '.' (black) and 'o'
/// (white); none for another name.
std::vector<std::string> PanningCursorRows(const char* Name);
/// The cursor of that name, registered and loaded on first use; 0 for
/// another name.
intptr_t PanningCursorHandle(const char* Name);

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

/// What a tree puts on the clipboard: its id, the serial of this cut or
/// copy, the formats it offers (priority order) and its node chunks,
/// rendered when the nodes were copied ("Virtual Tree Data": u32 byte
/// count, then the chunks).
struct ClipboardContent {
    uint64_t TreeId = 0;
    uint64_t Serial = 0;  // 0 for a drag's object

    std::vector<Word> Formats;
    std::string TreeData;
};

// The data object's side (VTreeDataObject.cpp).
/// Puts a new data object with Content on the clipboard; false when the
/// clipboard cannot be opened.
bool SetClipboardContent(ClipboardContent Content);
/// A new data object with Content for a drag (Serial 0): its other formats
/// come from the tree's selection.
IDataObject* NewDragDataObject(ClipboardContent Content);
/// The bytes of Format as the clipboard renders them; false when it has none.
bool ClipboardBytes(Word Format, std::string& Bytes);
/// Id and serial of the tree whose object the clipboard holds (0 and 0 when
/// it holds none of ours or its tree is gone).
void ClipboardOwner(uint64_t& TreeId, uint64_t& Serial);
/// Empties the clipboard when it holds the object of this cut or copy.
void ClearClipboardOf(uint64_t TreeId, uint64_t Serial);
/// A tree goes: objects of it render nothing more from it (their node
/// chunks stay).
void DetachClipboard(uint64_t TreeId);

// The tree's side (VTreeClipboard.cpp).
/// A format other than the node chunks, rendered by the live tree with Id;
/// false when the tree is gone or has no such format.
bool RenderTreeFormat(uint64_t TreeId, Word Format, std::string& Block, bool ForClipboard);
/// The clipboard let the object of a cut or copy go: the tree ends it when
/// it is still its current one.
void ClipboardObjectReleased(uint64_t TreeId, uint64_t Serial);

} // namespace vtree_private

/// The header's sort glyph is a 16 x 16 image.
inline constexpr int SortGlyphSize = 16;
