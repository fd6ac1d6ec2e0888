#pragma once

// The clipboard: text (CP1251 on our side, Unicode on the system's; a
// character the code page lacks comes back as '?') and enhanced metafiles
// (the EMF bytes as they are, with a picture of them for programs that do
// not read metafiles).

#include "platform/classes/Persistent.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/AnsiString.h"

#include <string>

class TBitmap;

class TClipboard : public TPersistent {
    PRICETAGS_CLASS(TClipboard, TPersistent)
public:
    TClipboard() = default;
    ~TClipboard() override;

    AnsiString AsText() const;
    void SetAsText(const AnsiString& Value);
    /// The enhanced metafile on the clipboard: its EMF bytes; '' when
    /// there is none (or what is there is no EMF).
    std::string AsEnhMetaFile() const;
    /// Puts an enhanced metafile on the clipboard, replacing what was
    /// there, with Picture (when given) as its picture. Raises
    /// EInvalidGraphic "Metafile is not valid" for bytes that are no EMF.
    void SetAsEnhMetaFile(const std::string& EmfBytes, TBitmap* Picture = nullptr);
    /// Whether the clipboard holds the format: text, bitmaps, enhanced
    /// metafiles, dropped files, and formats registered with
    /// RegisterClipboardFormat (see OleDragDrop.h).
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
