// The printer object over Qt's print support (jobs into a PDF file through
// the program's own PDF writer), and the fake printer of the tests.

#include "platform/forms/Printers.h"

#include "platform/classes/Strings.h"
#include "platform/winapi/DcBackend.h"
#include "platform/winapi/EmfPrivate.h"
#include "platform/winapi/PdfDevice.h"

#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <utility>

namespace {

const char* const TextBusy = "Идёт печать";
const char* const TextNotPrinting = "Печать не начата";
const char* const TextNoPrinter = "Принтер не установлен";
const char* const TextBadIndex = "Принтер не найден";
const char* const TextRefused = "Ошибка принтера";

AnsiString Text(const char* Utf8)
{
    return FromQString(QString::fromUtf8(Utf8));
}

/// The paper of the output file and of the fake printer: A4 at 600 dpi,
/// with a laser printer's unprintable border.
struct PaperMetrics {
    QSize Physical;
    QPoint Offset;
    QSize Printable;
};

PaperMetrics A4At600(TPrinterOrientation O)
{
    if (O == poLandscape)
        return {QSize(7015, 4960), QPoint(118, 100), QSize(6779, 4760)};
    return {QSize(4960, 7015), QPoint(142, 100), QSize(4676, 6815)};
}

/// The page layout of a print into a PDF file.
QPageLayout FileLayout(TPrinterOrientation O)
{
    const auto Orientation = O == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    const PaperMetrics M = A4At600(O);
    const double X = M.Offset.x() * 72.0 / 600, Y = M.Offset.y() * 72.0 / 600;
    return QPageLayout(QPageSize(QPageSize::A4), Orientation, QMarginsF(X, Y, X, Y), QPageLayout::Point);
}

/// A PDF file's writer (the file is made when a job paints on it). The
/// writer needs none of the print system, which a QPrinter loads and asks
/// for its default printer as soon as it is made.
std::unique_ptr<PdfDevice> FileWriter(const QString& File, TPrinterOrientation O)
{
    return std::make_unique<PdfDevice>(File, PdfLayoutOf(FileLayout(O), 600));
}

std::unique_ptr<QPrinter> NamedPrinter(const QString& Name, TPrinterOrientation O)
{
    auto P = std::make_unique<QPrinter>(QPrinter::HighResolution);
    P->setPrinterName(Name);
    P->setPageOrientation(O == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    return P;
}

}  // namespace

struct TPrinter::Device {
    /// A printer or a PDF file's writer.
    std::unique_ptr<QPaintDevice> Info;
    std::unique_ptr<QPaintDevice> Job;
    /// The job's printer; null for a job into a file.
    QPrinter* JobPrinter = nullptr;
    /// The job's PDF file; null for a job on a printer.
    PdfDevice* JobFileWriter = nullptr;
    HDC JobDC = nullptr;
    QString JobFile;
};

PRICETAGS_DEFINE_CLASS(TPrinter)

TPrinter::TPrinter() : FPrinters(std::make_unique<TStringList>()), FDevice(std::make_unique<Device>()) {}

TPrinter::~TPrinter()
{
    if (FPrinting) {
        try {
            Abort();
        } catch (...) {
        }
    }
    if (FCanvas)
        FCanvas->SetHandle(nullptr);
    FreeInfo();
}

void TPrinter::FreeInfo()
{
    if (FCanvas && FCanvas->HandleAllocated() && FCanvas->Handle() == FInfo)
        FCanvas->SetHandle(nullptr);
    if (FInfo)
        DeleteDC(FInfo);
    FInfo = nullptr;
    FDevice->Info.reset();
}

TStrings* TPrinter::Printers()
{
    if (!FListed) {
        FPrinters->Clear();
        for (const AnsiString& Name : DeviceNames())
            FPrinters->Add(Name);
        FListed = true;
    }
    return FPrinters.get();
}

void TPrinter::Refresh()
{
    NeedIdle();
    FListed = false;
    FreeInfo();
}

int TPrinter::PrinterIndex()
{
    if (FPrinterIndex < 0) {
        Printers();
        std::vector<AnsiString> Names;
        for (int I = 0; I < FPrinters->Count(); ++I)
            Names.push_back(FPrinters->Strings(I));
        return DeviceDefault(Names);
    }
    return FPrinterIndex;
}

void TPrinter::SetPrinterIndex(int Value)
{
    NeedIdle();
    if (Value < -1 || Value >= Printers()->Count())
        throw EPrinter(Text(TextBadIndex));
    if (Value == FPrinterIndex)
        return;
    FPrinterIndex = Value;
    FreeInfo();
}

void TPrinter::SetOrientation(TPrinterOrientation Value)
{
    NeedIdle();
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    FreeInfo();
}

void TPrinter::SetCopies(int Value)
{
    FCopies = std::max(Value, 1);
}

void TPrinter::SetOutputFileName(const AnsiString& Value)
{
    NeedIdle();
    if (Value == FOutputFileName)
        return;
    FOutputFileName = Value;
    FreeInfo();
}

void TPrinter::NeedIdle()
{
    if (FPrinting)
        throw EPrinter(Text(TextBusy));
}

void TPrinter::NeedPrinting()
{
    if (!FPrinting)
        throw EPrinter(Text(TextNotPrinting));
}

HDC TPrinter::Handle()
{
    if (FPrinting)
        return FJob;
    if (!FInfo) {
        // With no printer installed, pages are measured on the paper of a
        // print into a PDF file, which the print dialog always offers.
        const int Index = FOutputFileName.IsEmpty() ? PrinterIndex() : -1;
        FInfo = DeviceInfo(Index, FOrientation);
        if (!FInfo)
            throw EPrinter(Text(TextRefused));
    }
    return FInfo;
}

void TPrinter::AttachCanvas()
{
    if (!FCanvas)
        FCanvas = std::make_unique<TCanvas>();
    HDC DC = Handle();
    if (!FCanvas->HandleAllocated() || FCanvas->Handle() != DC)
        FCanvas->SetHandle(DC);
}

TCanvas* TPrinter::Canvas()
{
    AttachCanvas();
    return FCanvas.get();
}

int TPrinter::PageWidth()
{
    return GetDeviceCaps(Handle(), HORZRES);
}

int TPrinter::PageHeight()
{
    return GetDeviceCaps(Handle(), VERTRES);
}

void TPrinter::BeginDoc()
{
    NeedIdle();
    int Index = -1;
    if (FOutputFileName.IsEmpty()) {
        Index = PrinterIndex();
        if (Index < 0)
            throw EPrinter(Text(TextNoPrinter));
    }
    FreeInfo();
    HDC DC = DeviceStart(Index, FOrientation, FCopies, FTitle);
    if (!DC)
        throw EPrinter(Text(TextRefused));
    FJob = DC;
    FPrinting = true;
    FAborted = false;
    FPageNumber = 1;
    AttachCanvas();
}

void TPrinter::NewPage()
{
    NeedPrinting();
    if (FCanvas)
        FCanvas->Refresh();
    if (!DeviceNewPage())
        throw EPrinter(Text(TextRefused));
    ++FPageNumber;
}

void TPrinter::EndDoc()
{
    NeedPrinting();
    if (FCanvas)
        FCanvas->SetHandle(nullptr);
    FPrinting = false;
    FPageNumber = 0;
    FJob = nullptr;
    DeviceEnd(false);
}

void TPrinter::Abort()
{
    NeedPrinting();
    if (FCanvas)
        FCanvas->SetHandle(nullptr);
    FPrinting = false;
    FAborted = true;
    FPageNumber = 0;
    FJob = nullptr;
    DeviceEnd(true);
}

bool TPrinter::Printing()
{
    return FPrinting && !DeviceCancelled();
}

// ---- the system's printers -------------------------------------------------------------------

std::vector<AnsiString> TPrinter::DeviceNames()
{
    std::vector<AnsiString> Out;
    for (const QString& Name : QPrinterInfo::availablePrinterNames())
        Out.push_back(FromQString(Name));
    return Out;
}

int TPrinter::DeviceDefault(const std::vector<AnsiString>& Names)
{
    if (Names.empty())
        return -1;
    const AnsiString Default = FromQString(QPrinterInfo::defaultPrinterName());
    const auto It = std::find(Names.begin(), Names.end(), Default);
    return It == Names.end() ? 0 : static_cast<int>(It - Names.begin());
}

HDC TPrinter::DeviceInfo(int Index, TPrinterOrientation O)
{
    std::unique_ptr<QPaintDevice> D;
    if (Index < 0) {
        D = FileWriter(ToQString(FOutputFileName), O);
    } else {
        auto P = NamedPrinter(ToQString(Printers()->Strings(Index)), O);
        if (!P->isValid())
            return nullptr;
        D = std::move(P);
    }
    HDC DC = CreateDeviceDC(D.get());
    FDevice->Info = std::move(D);
    return DC;
}

HDC TPrinter::DeviceStart(int Index, TPrinterOrientation O, int Copies, const AnsiString& Title)
{
    std::unique_ptr<QPaintDevice> D;
    QPrinter* Job = nullptr;
    PdfDevice* Writer = nullptr;
    const QString File = Index < 0 ? ToQString(FOutputFileName) : QString();
    if (Index < 0) {
        auto W = FileWriter(File, O);
        W->SetTitle(ToQString(Title));
        Writer = W.get();
        D = std::move(W);
    } else {
        auto P = NamedPrinter(ToQString(Printers()->Strings(Index)), O);
        P->setDocName(ToQString(Title));
        P->setCopyCount(Copies);
        if (!P->isValid())
            return nullptr;
        Job = P.get();
        D = std::move(P);
    }
    HDC DC = CreateDeviceDC(D.get());
    if (!TargetOf(DC) || !TargetOf(DC)->Start()) {
        DeleteDC(DC);
        return nullptr;
    }
    FDevice->Job = std::move(D);
    FDevice->JobPrinter = Job;
    FDevice->JobFileWriter = Writer;
    FDevice->JobDC = DC;
    FDevice->JobFile = File;
    return DC;
}

bool TPrinter::DeviceNewPage()
{
    if (!FDevice->Job)
        return false;
    // Text the DC holds back belongs on this page.
    if (DcBackend* Backend = TargetOf(FDevice->JobDC))
        Backend->Settle();
    if (FDevice->JobFileWriter)
        return FDevice->JobFileWriter->NewPage();
    return static_cast<QPagedPaintDevice*>(FDevice->Job.get())->newPage();
}

void TPrinter::DeviceEnd(bool Cancel)
{
    if (!FDevice->Job)
        return;
    if (Cancel && FDevice->JobPrinter)
        FDevice->JobPrinter->abort();
    // The DC's painter ends the job when the DC goes.
    DeleteDC(FDevice->JobDC);
    FDevice->JobDC = nullptr;
    FDevice->JobPrinter = nullptr;
    bool Written = true;
    if (PdfDevice* Writer = std::exchange(FDevice->JobFileWriter, nullptr)) {
        if (Cancel)
            Writer->Discard();
        else
            Written = Writer->Finish();
    }
    FDevice->Job.reset();
    if (Cancel && !FDevice->JobFile.isEmpty())
        QFile::remove(FDevice->JobFile);
    // A file that could not be written whole (a full disk) is gone; the job
    // failed and must not look printed.
    if (!Written)
        throw EPrinter(Text(TextRefused));
}

bool TPrinter::DeviceCancelled()
{
    const QPrinter* P = FDevice->JobPrinter;
    return P && (P->printerState() == QPrinter::Aborted || P->printerState() == QPrinter::Error);
}

// ---- the process's printer -------------------------------------------------------------------

namespace {

TPrinter*& Installed()
{
    static TPrinter* P = nullptr;
    return P;
}

std::unique_ptr<TPrinter>& SystemPrinter()
{
    static std::unique_ptr<TPrinter> P;
    return P;
}

}  // namespace

TPrinter* Printer()
{
    if (Installed())
        return Installed();
    if (!SystemPrinter())
        SystemPrinter() = std::make_unique<TPrinter>();
    return SystemPrinter().get();
}

TPrinter* SetPrinter(TPrinter* NewPrinter)
{
    TPrinter* Old = Installed();
    Installed() = NewPrinter;
    return Old;
}

// ---- the fake printer ------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TFakePrinter)

TFakePrinter::TFakePrinter() = default;

TFakePrinter::~TFakePrinter()
{
    if (FJobDC)
        DeleteDC(FJobDC);
}

std::vector<AnsiString> TFakePrinter::DeviceNames()
{
    ++ListReads;
    return Names;
}

int TFakePrinter::DeviceDefault(const std::vector<AnsiString>& List)
{
    return DefaultIndex >= 0 && DefaultIndex < static_cast<int>(List.size()) ? DefaultIndex : -1;
}

namespace {

HDC FakeDC(TPrinterOrientation O)
{
    const PaperMetrics M = A4At600(O);
    return CreateBackendDC(std::make_unique<EmfBackend>(M.Printable, 600, PageGeometry {M.Physical, M.Offset}));
}

}  // namespace

HDC TFakePrinter::DeviceInfo(int /*Index*/, TPrinterOrientation O)
{
    if (!FailWith.IsEmpty())
        throw EPrinter(FailWith);
    ++CapsReads;
    return FakeDC(O);
}

HDC TFakePrinter::DeviceStart(int Index, TPrinterOrientation O, int Copies, const AnsiString& Title)
{
    if (!FailWith.IsEmpty())
        throw EPrinter(FailWith);
    Jobs.push_back(Job {Title, Copies, Index >= 0 && Index < static_cast<int>(Names.size()) ? Names[static_cast<size_t>(Index)] : AnsiString()});
    FJobOrientation = O;
    FJobDC = FakeDC(O);
    return FJobDC;
}

void TFakePrinter::ClosePage()
{
    EmfBackend* B = EmfBackendOf(FJobDC);
    if (!B)
        return;
    Page P;
    P.Metafile = std::make_unique<TMetafile>();
    P.Metafile->SetData(B->Finish(0, 0));
    P.Orientation = FJobOrientation;
    P.Job = static_cast<int>(Jobs.size()) - 1;
    Pages.push_back(std::move(P));
}

bool TFakePrinter::DeviceNewPage()
{
    ClosePage();
    return true;
}

void TFakePrinter::DeviceEnd(bool Cancel)
{
    if (!Cancel)
        ClosePage();
    DeleteDC(FJobDC);
    FJobDC = nullptr;
}

bool TFakePrinter::DeviceCancelled()
{
    if (CancelAfterPages < 0)
        return false;
    // Asked after a page is drawn: the open page counts as done.
    const int Closed = static_cast<int>(std::count_if(
        Pages.begin(), Pages.end(), [this](const Page& P) { return P.Job == static_cast<int>(Jobs.size()) - 1; }));
    return FJobDC && Closed + 1 >= CancelAfterPages;
}
