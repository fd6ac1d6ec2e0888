#pragma once

// Enhanced metafiles at the API level: a DC that records drawing calls as
// EMF records, and the player and checker of EMF bytes. Metafiles are
// recorded at 96 dpi, their frame in 0.01 mm.

#include "platform/winapi/Windows.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <string>

/// A picture's bytes that cannot be read, or a drawing that cannot be made.
PRICETAGS_EXCEPTION(EInvalidGraphic, Exception);
PRICETAGS_EXCEPTION(EInvalidGraphicOperation, Exception);

/// A DC of Width x Height pixels (96 dpi) that records what is drawn on it.
HDC CreateEnhMetaFileDC(int Width, int Height);
/// Closes a recording DC made by CreateEnhMetaFileDC and frees it: the
/// recording's bytes, its frame MMWidth x MMHeight (0.01 mm; 0 takes the
/// DC's surface size). Empty for a DC that does not record.
std::string CloseEnhMetaFileDC(HDC DC, int MMWidth, int MMHeight);
/// Draws metafile bytes onto DC, their frame stretched onto Rect (logical
/// units of DC; the length comes from the header, trailing bytes are
/// ignored); DC's own state is left as it was. False for a null DC or
/// bytes that fail their check.
BOOL PlayEnhMetaFileBits(HDC DC, const void* Data, size_t Size, const TRect& Rect);
/// Checks metafile bytes as playing does: the header, every record's size
/// and contents, the end record. Returns the metafile's length (from its
/// header), or 0 with Error set (may be null).
size_t CheckEnhMetaFileBits(const void* Data, size_t Size, std::string* Error = nullptr);
