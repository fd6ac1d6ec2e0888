#pragma once

// The clipboard as text: CP1251 on our side, Unicode on the system's (a
// character the code page lacks comes back as '?').

#include "platform/classes/Persistent.h"
#include "platform/gui/Windows.h"
#include "platform/rtl/AnsiString.h"

enum : UINT {
    CF_TEXT = 1, CF_BITMAP = 2, CF_OEMTEXT = 7, CF_UNICODETEXT = 13, CF_ENHMETAFILE = 14,
    CF_HDROP = 15,
};

class TClipboard : public TPersistent {
    PRICETAGS_CLASS(TClipboard, TPersistent)
public:
    TClipboard() = default;
    ~TClipboard() override;

    AnsiString AsText() const;
    void SetAsText(const AnsiString& Value);
    /// Whether the clipboard holds the format (text formats only are known).
    bool HasFormat(UINT Format) const;
    void Clear();
    /// Bracket several changes (kept for callers; changes apply at once).
    void Open() { ++FOpenCount; }
    void Close()
    {
        if (FOpenCount > 0)
            --FOpenCount;
    }

private:
    int FOpenCount = 0;
};

/// The process's clipboard object.
TClipboard* Clipboard();
