#pragma once

// Device contexts over surfaces other than windows and bitmaps: a recording
// DC that keeps the drawing calls and plays them onto another DC, and a DC
// that draws a PDF file the way a printer DC draws a sheet. Both are freed
// with DeleteDC.

#include "platform/winapi/Windows.h"
#include "platform/rtl/AnsiString.h"

#include <string>
#include <vector>

/// A DC of Width x Height device pixels at 96 dpi that draws nothing and
/// records every drawing call with the state it was made in.
HDC CreateRecordingDC(int Width, int Height);
/// Drawing calls recorded so far; -1 when DC does not record.
int RecordedCallCount(HDC DC);
/// Makes the calls recorded on Recording again on Target, with the state
/// they were recorded in and within Target's clip (Target's own state is
/// left as it was; the recorded device pixels are Target's). False when
/// Recording does not record or Target has no surface.
BOOL PlayRecording(HDC Recording, HDC Target);
/// The calls recorded so far as text, one line each, in the recording's
/// device pixels (96 dpi): what was drawn, where, and with which pen,
/// brush, font and colours; the clip's box when one is set. Empty when DC
/// does not record. Lines read like
///   fill 10,10,190,60 brush solid FFF0C8 rop F0
///   line 10,10 190,10 pen solid 2 000000
///   text 6,7 "Цена" font Arial 16 bold color 000000 transparent align 0 width 40 box 5,5,60,25 clipped
std::vector<std::string> RecordedCallLog(HDC Recording);

/// Fixed font metrics for tests: every font then measures (text extents,
/// text metrics, DrawText's layout, text advances written to metafiles) as
/// character height h = -lfHeight (a positive cell height less 2), ascent
/// h, descent 2, internal leading 2, external leading 1, and h div 2 per
/// character (one more for bold). Glyphs are still drawn with the real font.
void SetFixedFontMetrics(bool On);
[[nodiscard]] bool FixedFontMetrics();
/// Fixed font metrics for the scope.
class FixedFontMetricsScope {
public:
    FixedFontMetricsScope();
    ~FixedFontMetricsScope();
    FixedFontMetricsScope(const FixedFontMetricsScope&) = delete;
    FixedFontMetricsScope& operator=(const FixedFontMetricsScope&) = delete;

private:
    bool FOld;
};

/// Every text shaped in full for the scope, none laid out from the plain
/// tables and nothing measured or shaped before reused: what the quick
/// layout of plain text is checked against.
class FullTextShapingScope {
public:
    FullTextShapingScope();
    ~FullTextShapingScope();
    FullTextShapingScope(const FullTextShapingScope&) = delete;
    FullTextShapingScope& operator=(const FullTextShapingScope&) = delete;

private:
    bool FOld;
};

/// The paper of a PDF page and its unprintable border, in 0.01 mm, and the
/// resolution of the DC's device pixels.
struct TPdfPage {
    int PaperWidth = 21000;
    int PaperHeight = 29700;
    int MarginLeft = 0;
    int MarginTop = 0;
    int MarginRight = 0;
    int MarginBottom = 0;
    int Dpi = 600;
};

/// A DC drawing the first page of a new PDF file FileName, written out when
/// the DC is deleted. Like a printer DC it reports the paper, the border and
/// the printable area in GetDeviceCaps, and its device origin is the
/// printable area's top-left corner. Null when the page has no printable
/// area or the resolution is below 72 or above 2400.
HDC CreatePdfDC(const AnsiString& FileName, const TPdfPage& Page);
