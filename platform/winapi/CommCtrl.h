#pragma once

// The tree-view control's requests (TVM_...) and their item description, as
// other programs and accessibility tools send them to any tree window. A
// tree item handle (HTREEITEM) is the tree's own node pointer.

#include "platform/winapi/Windows.h"

enum : UINT {
    TV_FIRST = 0x1100,
    TVM_GETITEMRECT = TV_FIRST + 4,
    TVM_GETNEXTITEM = TV_FIRST + 10,
    TVM_GETITEMA = TV_FIRST + 12,
};

/// TVM_GETNEXTITEM's WParam: which item relative to LParam's.
enum : WPARAM {
    TVGN_ROOT = 0, TVGN_NEXT = 1, TVGN_PREVIOUS = 2, TVGN_PARENT = 3, TVGN_CHILD = 4,
    TVGN_FIRSTVISIBLE = 5, TVGN_NEXTVISIBLE = 6, TVGN_PREVIOUSVISIBLE = 7, TVGN_DROPHILITE = 8,
    TVGN_CARET = 9, TVGN_LASTVISIBLE = 10,
};

/// Which fields of a TVITEMA are asked for (mask).
enum : UINT {
    TVIF_TEXT = 0x1, TVIF_IMAGE = 0x2, TVIF_PARAM = 0x4, TVIF_STATE = 0x8, TVIF_HANDLE = 0x10,
    TVIF_SELECTEDIMAGE = 0x20, TVIF_CHILDREN = 0x40,
};

/// Item states; the overlay image (1-based) sits in bits 8-11, the state
/// image (1-based) in bits 12-15.
enum : UINT {
    TVIS_FOCUSED = 0x1, TVIS_SELECTED = 0x2, TVIS_CUT = 0x4, TVIS_DROPHILITED = 0x8,
    TVIS_BOLD = 0x10, TVIS_EXPANDED = 0x20, TVIS_OVERLAYMASK = 0xF00,
    TVIS_STATEIMAGEMASK = 0xF000,
};

using HTREEITEM = void*;

/// An item description (TVM_GETITEMA): the caller sets mask, hItem and, for
/// the text, pszText and cchTextMax (the buffer's size with its null).
struct TVITEMA {
    UINT mask = 0;
    HTREEITEM hItem = nullptr;
    UINT state = 0;
    UINT stateMask = 0;
    char* pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    int iSelectedImage = 0;
    int cChildren = 0;
    LPARAM lParam = 0;
};
