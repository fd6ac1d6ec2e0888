#pragma once

// The templates the program ships (price tags of 40x60, 60x100 and 75x90 mm,
// "Ticket1".."Ticket3", and the invoice statement "Report") and putting
// them into the start-up folder's "TXT" folder on a start. The bytes are
// the files of data/TXT/, embedded into the program when it is built; the
// generator tools/MakeTemplates.cpp re-makes those files.

#include "platform/rtl/AnsiString.h"

#include <cstddef>
#include <span>

/// One embedded file: its name in "TXT" and its bytes (static storage).
struct ShippedFile {
    const char* Name;
    const unsigned char* Data;
    std::size_t Size;
};

/// The shipped templates, in name order.
[[nodiscard]] std::span<const ShippedFile> ShippedTemplates();

/// Writes into TxtPath (with its trailing '/') each shipped template that
/// is missing there, and an empty article file "Articles.fl" when there is
/// none. A template counts as present when any file of its name exists with
/// any extension (letters without regard to case), so a shop's own
/// "Ticket1.dcf" is neither overwritten nor hidden behind a new
/// "Ticket1.dcr". Files that cannot be written (a read-only folder) are
/// named in one error window, after the log; the rest are still written
/// and nothing is raised. A folder that is missing and cannot be made is
/// said instead, with the system's reason. Returns the number of files
/// written.
int InstallShippedTemplates(const AnsiString& TxtPath);
