#pragma once

// The printer: one object per process (Printer()) over the system's print
// support. It lists the installed printers, keeps the chosen one, its
// orientation, copies and job title, and runs print jobs whose pages are
// drawn on its Canvas. Handle is a device context whose GetDeviceCaps
// reports the paper (PHYSICALWIDTH/HEIGHT), the printable area's place on
// it (PHYSICALOFFSETX/Y) and size (HORZRES/VERTRES) and the resolution
// (LOGPIXELSX/Y) of the current printer and orientation.
//
// With OutputFileName set, jobs are written to that PDF file instead, on
// A4 paper at 600 dpi with a printer's usual unprintable border; this needs
// no installed printer. Without an installed printer (and no output file)
// Handle describes that paper too, so pages can still be laid out and
// previewed; only a job needs a printer or a file.
//
// TFakePrinter stands in for it in tests: its paper is A4 at 600 dpi with
// the same border, and it keeps every printed page as a metafile.

#include "platform/classes/Object.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Metafiles.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"

#include <memory>
#include <vector>

class TStrings;
class TStringList;

enum TPrinterOrientation { poPortrait, poLandscape };

PRICETAGS_EXCEPTION(EPrinter, Exception);

class TPrinter : public TObject {
    PRICETAGS_CLASS(TPrinter, TObject)
public:
    TPrinter();
    ~TPrinter() override;

    /// Names of the installed printers (read once; Refresh reads again).
    TStrings* Printers();
    void Refresh();
    /// The chosen printer's index in Printers; -1 chooses the default
    /// printer, whose index is then returned (-1 when none is installed).
    /// Raises EPrinter "Принтер не найден" for an index outside the list,
    /// "Идёт печать" while a job runs.
    int PrinterIndex();
    void SetPrinterIndex(int Value);

    TPrinterOrientation Orientation() const { return FOrientation; }
    /// Raises EPrinter "Идёт печать" while a job runs.
    void SetOrientation(TPrinterOrientation Value);
    int Copies() const { return FCopies; }
    void SetCopies(int Value);
    const AnsiString& Title() const { return FTitle; }
    void SetTitle(const AnsiString& Value) { FTitle = Value; }
    /// A PDF file receiving the jobs instead of the printer ("" = printer).
    const AnsiString& OutputFileName() const { return FOutputFileName; }
    void SetOutputFileName(const AnsiString& Value);

    /// Starts a job on the chosen printer; its first page is open. Raises
    /// EPrinter "Идёт печать" when one runs, "Принтер не установлен" when
    /// there is no printer (and no output file), "Ошибка принтера" when the
    /// system refuses the job.
    void BeginDoc();
    /// Closes the page and opens the next. Raises EPrinter "Печать не
    /// начата" outside a job.
    void NewPage();
    /// Closes the last page and hands the job over. Raises EPrinter
    /// "Печать не начата" outside a job, "Ошибка принтера" when the output
    /// file could not be written whole (it is then removed); the job has
    /// ended either way.
    void EndDoc();
    /// Drops the job (an output file begun is removed).
    void Abort();
    /// A job runs and has not been cancelled (by Abort or by the system).
    bool Printing();
    bool Aborted() const { return FAborted; }
    /// The page being drawn, from 1; 0 outside a job.
    int PageNumber() const { return FPageNumber; }

    /// The job's DC while printing; otherwise a DC that reports the chosen
    /// printer's capabilities, or without a printer those of a PDF file's
    /// paper (see above). Raises EPrinter "Ошибка принтера" when the system
    /// refuses.
    HDC Handle();
    /// Draws on Handle.
    TCanvas* Canvas();
    /// Printable area in device pixels (HORZRES, VERTRES).
    int PageWidth();
    int PageHeight();

protected:
    // The device underneath; a fake printer replaces it.
    struct Device;
    virtual std::vector<AnsiString> DeviceNames();
    virtual int DeviceDefault(const std::vector<AnsiString>& Names);
    /// A DC for the capabilities of printer Index (-1: the output file).
    virtual HDC DeviceInfo(int Index, TPrinterOrientation O);
    /// Starts a job; returns its DC (null when refused).
    virtual HDC DeviceStart(int Index, TPrinterOrientation O, int Copies, const AnsiString& Title);
    virtual bool DeviceNewPage();
    /// Ends the job; Cancel drops it. Raises EPrinter when the job's file
    /// could not be written.
    virtual void DeviceEnd(bool Cancel);
    /// The system cancelled the job.
    virtual bool DeviceCancelled();

private:
    std::unique_ptr<TStringList> FPrinters;
    bool FListed = false;
    int FPrinterIndex = -1;
    TPrinterOrientation FOrientation = poPortrait;
    int FCopies = 1;
    AnsiString FTitle;
    AnsiString FOutputFileName;
    bool FPrinting = false;
    bool FAborted = false;
    int FPageNumber = 0;
    HDC FInfo = nullptr;
    HDC FJob = nullptr;
    std::unique_ptr<TCanvas> FCanvas;
    std::unique_ptr<Device> FDevice;

    void FreeInfo();
    void NeedIdle();
    void NeedPrinting();
    void AttachCanvas();
};

/// The process's printer (made on first use).
TPrinter* Printer();
/// Replaces the process's printer (tests install a TFakePrinter) and
/// returns the previous one; the caller owns both. Null goes back to the
/// system printer made on demand.
TPrinter* SetPrinter(TPrinter* NewPrinter);

/// A printer for tests: the paper is A4 at 600 dpi (4960 x 7015 pixels,
/// printable 4676 x 6815 from 142, 100 portrait; 7015 x 4960, printable
/// 6779 x 4760 from 118, 100 landscape); pages are recorded as metafiles.
class TFakePrinter : public TPrinter {
    PRICETAGS_CLASS(TFakePrinter, TPrinter)
public:
    struct Page {
        std::unique_ptr<TMetafile> Metafile;
        TPrinterOrientation Orientation = poPortrait;
        /// The job the page belongs to (index into Jobs).
        int Job = 0;
    };
    struct Job {
        AnsiString Title;
        int Copies = 1;
        AnsiString PrinterName;
    };

    TFakePrinter();
    ~TFakePrinter() override;

    /// The installed printers; the default's index (-1: none).
    std::vector<AnsiString> Names {"Fake printer"};
    int DefaultIndex = 0;
    /// Reading capabilities or starting a job raises EPrinter with this text
    /// when set (a failing driver).
    AnsiString FailWith;
    /// The system cancels the job once this many pages are done (-1: never).
    int CancelAfterPages = -1;

    std::vector<Page> Pages;
    std::vector<Job> Jobs;
    /// How often the capabilities were read (a DC made for them), and the
    /// list of printers.
    int CapsReads = 0;
    int ListReads = 0;

protected:
    std::vector<AnsiString> DeviceNames() override;
    int DeviceDefault(const std::vector<AnsiString>& Names) override;
    HDC DeviceInfo(int Index, TPrinterOrientation O) override;
    HDC DeviceStart(int Index, TPrinterOrientation O, int Copies, const AnsiString& Title) override;
    bool DeviceNewPage() override;
    void DeviceEnd(bool Cancel) override;
    bool DeviceCancelled() override;

private:
    HDC FJobDC = nullptr;
    TPrinterOrientation FJobOrientation = poPortrait;
    void ClosePage();
};
