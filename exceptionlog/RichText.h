#pragma once

// Rich text of report sections for the report window: the General part and
// the CPU section as RTF documents coloured by the shape of their lines
// (headings, rules, "name: value" lines) and by the fixed columns of the
// register and dump lines. Loading the text into a control belongs to the
// window.

#include "platform/rtl/AnsiString.h"
#include "platform/winapi/Windows.h"

/// The fixed-pitch font of the documents.
struct RTFFont {
    AnsiString Face = "Courier New";
    /// Points (8 or 10).
    int Size = 8;
    /// Character set of the text (204: Cyrillic, the code page of our text).
    int Charset = 204;
    /// Width of one character in pixels on the screen, for the tab stop of
    /// the CPU section.
    int CharWidth = 7;
};

/// Doubles "\", puts "\" before "{" and "}", and ends each CR LF line with
/// "\par", in that order, each over the whole text.
void EscapeRTF(AnsiString& Text);

/// The General part (header line, sections, "name: value" lines) as RTF.
[[nodiscard]] AnsiString GeneralSectionToRTF(const AnsiString& Text,
                                             const RTFFont& Font = RTFFont());

/// The CPU section (registers, stack and memory dump, at address width 8
/// or 16, found from the register names) as RTF. Lines shorter than the
/// layout are left uncoloured.
[[nodiscard]] AnsiString CPUSectionToRTF(const AnsiString& Text, const RTFFont& Font = RTFFont());

/// Streams the RTF document into rich-edit window Wnd (EM_STREAMIN as RTF);
/// false when the control read nothing.
bool LoadRichText(HWND Wnd, const AnsiString& RTF);
/// Sets the background of rich-edit window Wnd; a negative Color (a system
/// colour, 0x80000000 + index) is the system colour of its low byte.
void SetRichBackground(HWND Wnd, int Color);
