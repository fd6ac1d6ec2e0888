#pragma once

// File-name checks of the component library. Paths are CP1251 text of any
// length (no 255- or 256-character limit).

#include "platform/rtl/AnsiString.h"

/// Whether Path names an existing folder.
[[nodiscard]] bool FolderExists(const AnsiString& Path);
/// Whether FileName is not empty and has none of < > " [ ] |.
[[nodiscard]] bool IsValidFileName(const AnsiString& FileName);
/// The name (without folder) of the first file matching FileName, or ''
/// when none matches. This file system keeps one name per file, so the
/// long and the short form are the same name.
[[nodiscard]] AnsiString LongFileNameOf(const AnsiString& FileName);
[[nodiscard]] AnsiString ShortFileNameOf(const AnsiString& FileName);
