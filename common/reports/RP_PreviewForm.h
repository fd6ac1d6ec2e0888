#pragma once

// The print view: the output pages of a built report side by side at a
// chosen zoom, paging, printing a range with copies, page setup, copying
// the page shown to the clipboard, and generated-report files: ".rep"
// (written and read) and the older ".qrp" (read only). A document opens it
// (TDocument::PrintView, PrintViewFile); while it is open the document's
// output pages belong to the view, and closing it frees them.
//
// ".rep" layout (integers 32-bit little-endian): at 0 the margins flag (0
// or 1, then three zero bytes), 4..111 zero, at 112 the page count (at
// least 1), at 116 the margins flag again, at 120 zero; from 124 one record
// per page: its number from 1, the absolute offset just past the record,
// the page's enhanced metafile, and the margins flag once more.
// ".qrp": from 372, enhanced metafiles each followed by 4 bytes to skip.
//
// Reading checks every offset and length against the file: a damaged file
// raises Exception "Неверный формат файла" and changes nothing.

#include "common/reports/RP_Document.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <functional>
#include <memory>
#include <vector>

class TMenuItem;
class TOpenDialog;
class TPageSetupDialog;
class TPaintBox;
class TPanel;
class TPopupMenu;
class TPrintDialog;
class TProgressBar;
class TSaveDialog;
class TSpeedButton;
class TStream;

/// Percent done of a long read or write (0..100).
using PrintFileProgress = std::function<void(int Percent)>;

/// Output pages read from a generated-report file.
struct PrintFileContents {
    std::vector<std::unique_ptr<TPageInfo>> Pages;
    bool UseMargins = false;
};
/// Reads a ".rep" file (Qrp false) or an older ".qrp" file from the
/// stream's start. Each page is landscape when its metafile is wider than
/// high. Raises Exception "Неверный формат файла" for a damaged file (an
/// offset outside the file or pointing back, a metafile that is not sound,
/// a count past what the file holds, a ".qrp" without pages).
[[nodiscard]] PrintFileContents ReadPrintStream(TStream& Stream, bool Qrp,
                                                const PrintFileProgress& Progress = {});
/// Writes Pages as a ".rep" file at the stream's position.
void WritePrintStream(TStream& Stream, const std::vector<const TPageInfo*>& Pages,
                      bool UseMargins, const PrintFileProgress& Progress = {});
/// Whether a file name's extension is ".qrp" (any letter case).
[[nodiscard]] bool IsQrpFileName(const AnsiString& FileName);

/// Where the pages stand at one zoom.
struct PageLayout {
    int PagesPerRow = 1;
    /// One rectangle per page, in layout pixels (from (10, 10)).
    std::vector<TRect> Rects;
    /// Right and bottom of the laid-out pages, with the 10-pixel edge.
    int Width = 0;
    int Height = 0;
};
/// Zoom of a zoom mode (0 fixed: Zoom as it is; 1 page width; 2 whole page;
/// 3 two pages) for a box of W x H pixels and a page of PageW x PageH at
/// zoom 1.0; never below 0.1.
[[nodiscard]] Extended ZoomForMode(int Mode, Extended Zoom, int W, int H, int PageW, int PageH);
/// Lays out pages of the given sizes (at the current zoom) into rows for a
/// box W pixels wide: as many per row as the longest run of consecutive
/// pages that fits (at least 1; mode 2 one, mode 3 two), 10-pixel edges and
/// gaps; one page per row narrower than the box is centred.
[[nodiscard]] PageLayout LayoutPages(const std::vector<TSize>& Sizes, int W, int Mode);

class TPreviewForm : public TForm {
    PRICETAGS_CLASS(TPreviewForm, TForm)
public:
    explicit TPreviewForm(TComponent* AOwner);
    ~TPreviewForm() override;

    /// Binds the window to its document (null detaches it).
    void SetDocument(TDocument* Doc);
    [[nodiscard]] TDocument* Document() const { return FDocument; }
    /// Number of output pages shown (at most the document's pages).
    void SetPageCount(int Value);
    [[nodiscard]] int PageCount() const { return FPageCount; }

    /// Validates a ".rep" header without moving the stream: at least 128
    /// bytes, bytes 4..111 zero, a page count of 1 or more. With
    /// RaiseErrors a bad header raises Exception "Неверный формат файла",
    /// else the text is shown in an error box and the result is false.
    static bool CheckPrintFile(TStream& Stream, bool RaiseErrors);
    /// CheckPrintFile on the file's bytes; an older ".qrp" file (by its
    /// extension, any case) only needs pages after its header. A file that
    /// cannot be opened raises EFOpenError, or is told as a wrong format.
    static bool IsPrintFile(const AnsiString& FileName, bool RaiseErrors);
    /// Replaces the document's output pages by those of a ".rep" or ".qrp"
    /// file (".qrp" by its extension, any case). A damaged file raises
    /// Exception "Неверный формат файла" and leaves the pages shown as they
    /// were.
    void LoadPrintFile(const AnsiString& FileName);
    /// Writes the output pages as a ".rep" file (".rep" appended when the
    /// name has no extension), through a temporary file.
    void SavePrintFile(const AnsiString& FileName);
    /// Prints pages From..To (1-based) in Copies copies through the
    /// document, with the margins flag of the view and the progress bar.
    void PrintRange(int From, int To, int Copies, bool Collate);
    /// Puts the page shown on the clipboard as an enhanced metafile with a
    /// picture of it; nothing without pages or when the template forbids it.
    void CopyToClipboard();
    /// The zoom choice of a button or menu item by its Tag (1, 2, 3 a mode,
    /// else percent).
    void ChooseZoom(int Tag);

    void UpdatePageLabel();
    void ScrollToCurrent();
    /// Sizes the off-screen bitmap, the zoom of the mode, the rows of pages
    /// and the scroll bars; then scrolls to the current page.
    void Relayout();
    /// Draws the pages into the off-screen bitmap and onto the paint box.
    void PaintPages();
    /// What the paint box shows, as pixels (painted first when nothing is
    /// drawn yet).
    void RenderTo(TBitmap& Into);

    void GoNextPage();
    void GoPrevPage();
    /// Moves a scroll bar to Position (kept within its range), shifting
    /// what is drawn and repainting only the strip it uncovers.
    void ScrollVert(int Position);
    void ScrollHorz(int Position);

    [[nodiscard]] int CurPage() const { return FCurPage; }
    [[nodiscard]] Byte ZoomMode() const { return FZoomMode; }
    [[nodiscard]] Extended Zoom() const { return FZoom; }
    [[nodiscard]] int PagesPerRow() const { return FPagesPerRow; }
    [[nodiscard]] bool UseMargins() const { return FUseMargins; }
    [[nodiscard]] const TRect& ViewRect(int Page) const;
    /// Strips repainted since the last full paint (for checks of scrolling).
    [[nodiscard]] int StripPaints() const { return FStripPaints; }

    TPanel* pnTools;
    TSpeedButton* ExitBtn;
    TSpeedButton* ProcBtn;
    TSpeedButton* LoadBtn;
    TSpeedButton* SaveBtn;
    TSpeedButton* PrintBtn;
    TSpeedButton* sbFit;
    TSpeedButton* sbWidth;
    TSpeedButton* SpeedButton2;
    TSpeedButton* SpeedButton1;
    TSpeedButton* sbPageProp;
    TPanel* RPanel;
    TSpeedButton* PgUp;
    TSpeedButton* PgDown;
    TScrollBar* VScrollBar;
    TPanel* BPanel;
    TLabel* Label1;
    TScrollBar* HScrollBar;
    TProgressBar* ProgressBar;
    TPanel* pnPBox;
    TPaintBox* PBoxScr;
    TPopupMenu* ProcMenu;
    TOpenDialog* OpenDialog;
    TSaveDialog* SaveDialog;
    TPrintDialog* PrintDialog;
    TPageSetupDialog* dlgPageSetup;

    void FormShow(TObject* Sender);
    /// A view whose document is printing stays open: closing it would free
    /// the pages being printed. The print stops raising printer errors.
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void FormMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos,
                        bool& Handled);
    void ExitBtnClick(TObject* Sender);
    void ProcBtnClick(TObject* Sender);
    void ZoomClick(TObject* Sender);
    void LoadBtnClick(TObject* Sender);
    void SaveBtnClick(TObject* Sender);
    void PrintBtnClick(TObject* Sender);
    void sbPagePropClick(TObject* Sender);
    void PgUpClick(TObject* Sender);
    void PgDownClick(TObject* Sender);

private:
    void BuildControls();
    void BuildZoomMenu();
    void PBoxScrPaint(TObject* Sender);
    void FormResize(TObject* Sender);
    void VScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
    void HScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
    void DocumentProgress(TObject* Sender, int n);
    /// Draws the pages that meet Clip (box pixels) into the bitmap.
    void DrawPages(const TRect& Clip);
    void DrawPage(TCanvas& C, int Index, const TRect& R);
    /// Shifts the bitmap by (Dx, Dy) and redraws the strip left uncovered.
    void ShiftView(int Dx, int Dy);
    void CopyToBox();
    void SetBar(TScrollBar& Bar, int Content, int Box);
    void ShowProgress(bool On);
    /// Shows the progress bar and holds painting off while a generated-report
    /// file is read or written; both come back as they were.
    class FileProgressScope;
    /// Runs the page-setup dialog with the template's paper and margins;
    /// true when confirmed.
    bool RunPageSetup();
    /// The PDF file printed into last in this run ('' before any).
    static AnsiString& LastPrintFile();
    /// The file proposed for printing into a file: the last one for the same
    /// document, else the document's name with ".pdf" in the folder printed
    /// into last (the start-up folder before any).
    [[nodiscard]] AnsiString ProposedPrintFile() const;
    [[nodiscard]] TSize PageSizeAtZoom(const TPageInfo& Page, Extended K);
    [[nodiscard]] int ShownPages() const;

    TDocument* FDocument = nullptr;
    int FPageCount = 0;
    int FCurPage = 0;
    Byte FZoomMode = 0;
    Extended FZoom = 1.0;
    int FPagesPerRow = 1;
    bool FUseMargins = false;
    /// The pages shown were read from a file.
    bool FFromFile = false;
    bool FPainting = true;
    bool FClosing = false;
    /// Page extents at the current zoom: portrait and landscape.
    int FPortW = 0;
    int FPortH = 0;
    int FLandW = 0;
    int FLandH = 0;
    /// Layout rectangles, one per page shown.
    std::vector<TRect> FViewRects;
    /// What the paint box shows; valid while FBitmapValid.
    std::unique_ptr<TBitmap> FBitmap;
    bool FBitmapValid = false;
    /// Scroll positions the bitmap was drawn at.
    int FDrawnX = 0;
    int FDrawnY = 0;
    int FStripPaints = 0;
};
