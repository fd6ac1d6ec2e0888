#pragma once

// Device contexts over surfaces other than windows and bitmaps: a recording
// DC that keeps the drawing calls and plays them onto another DC, and a DC
// that draws a PDF file the way a printer DC draws a sheet. Both are freed
// with DeleteDC.

#include "platform/gui/Windows.h"
#include "platform/rtl/AnsiString.h"

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
