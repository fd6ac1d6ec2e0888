#include "platform/forms/Dialogs.h"

#include "platform/forms/Forms.h"
#include "platform/winapi/GdiPrivate.h"
#include "platform/forms/ControlsPrivate.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StrUtils.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPixmap>
#include <QPushButton>
#include <QSysInfo>
#include <QTimer>
#include <QWindow>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

PRICETAGS_DEFINE_CLASS(TCommonDialog)
PRICETAGS_DEFINE_CLASS(TOpenDialog)
PRICETAGS_DEFINE_CLASS(TSaveDialog)
PRICETAGS_DEFINE_CLASS(TOpenPictureDialog)
PRICETAGS_DEFINE_CLASS(TSavePictureDialog)
PRICETAGS_DEFINE_CLASS(TColorDialog)
PRICETAGS_DEFINE_CLASS(TFontDialog)
PRICETAGS_DEFINE_CLASS(TPrintDialog)
PRICETAGS_DEFINE_CLASS(TPrinterSetupDialog)
PRICETAGS_DEFINE_CLASS(TPageSetupDialog)

namespace {

DialogHook& CurrentDialogHook()
{
    static DialogHook Hook;
    return Hook;
}

NativeDialogProbe& CurrentProbe()
{
    static NativeDialogProbe Probe;
    return Probe;
}

/// A dialog keeps the title Qt gives it (translated) unless one is set: an
/// empty title would show the program's name instead.
void SetDialogTitle(QWidget& Dialog, const AnsiString& Title)
{
    if (!Title.IsEmpty())
        Dialog.setWindowTitle(ToQString(Title));
}

/// The print dialog's field for the file printed into: Qt proposes a name
/// of its own there (the home folder) whatever the program would propose.
QLineEdit* PrintFileField(QDialog& Dialog)
{
    return Dialog.findChild<QLineEdit*>(QStringLiteral("filename"));
}

/// PNG bytes of Image.
std::string PngBytes(const QImage& Image)
{
    QByteArray Png;
    QBuffer Out(&Png);
    Out.open(QIODevice::WriteOnly);
    Image.save(&Out, "PNG");
    return std::string(Png.constData(), static_cast<size_t>(Png.size()));
}

/// The dialog's window as the X server holds it, read back from the server
/// once the window is exposed (Qt puts its painting there on the expose).
/// Null off X, after 2 s without an expose, or when the server's pixels are
/// not 32-bit words in this machine's byte order.
QImage ShownByServer(QDialog& Dialog)
{
    auto* X11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    QWindow* Window = Dialog.windowHandle();
    if (!X11 || !X11->connection() || !Window)
        return QImage();
    QElapsedTimer Waited;
    Waited.start();
    while (!Window->isExposed() && Waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
    if (!Window->isExposed())
        return QImage();
    xcb_connection_t* C = X11->connection();
    const QSize Size = Window->size() * Window->devicePixelRatio();
    // The request follows Qt's own on the same connection, so the server
    // answers after it has put what Qt sent before.
    const xcb_get_image_cookie_t Cookie = xcb_get_image(C, XCB_IMAGE_FORMAT_Z_PIXMAP,
        static_cast<xcb_window_t>(Window->winId()), 0, 0, static_cast<uint16_t>(Size.width()),
        static_cast<uint16_t>(Size.height()), ~0u);
    xcb_generic_error_t* Error = nullptr;
    const std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> Reply(
        xcb_get_image_reply(C, Cookie, &Error), &std::free);
    std::free(Error);
    const qsizetype Bytes = qsizetype(Size.width()) * Size.height() * 4;
    const bool LittleEndian = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    const bool ServerLittleEndian = xcb_get_setup(C)->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    if (!Reply || Reply->depth < 24 || xcb_get_image_data_length(Reply.get()) != Bytes ||
        LittleEndian != ServerLittleEndian)
        return QImage();
    QImage Image(Size, QImage::Format_RGB32);
    std::memcpy(Image.bits(), xcb_get_image_data(Reply.get()), static_cast<size_t>(Bytes));
    return Image;
}

/// Pixels of A that differ from B; -1 when their sizes differ.
int DifferingPixels(const QImage& A, const QImage& B)
{
    if (A.size() != B.size())
        return -1;
    const QImage L = A.convertToFormat(QImage::Format_RGB32);
    const QImage R = B.convertToFormat(QImage::Format_RGB32);
    int N = 0;
    for (int Y = 0; Y < L.height(); ++Y) {
        const auto* P = reinterpret_cast<const QRgb*>(L.constScanLine(Y));
        const auto* Q = reinterpret_cast<const QRgb*>(R.constScanLine(Y));
        for (int X = 0; X < L.width(); ++X)
            N += (P[X] & 0xFFFFFF) != (Q[X] & 0xFFFFFF);
    }
    return N;
}

/// Runs Dialog modally. Once it is shown, ProposedFile (when given) goes
/// into its print-into-file field, and a test's probe sees it.
int RunNativeDialog(QDialog& Dialog, const QString& ProposedFile = QString())
{
    QTimer::singleShot(0, &Dialog, [&Dialog, ProposedFile] {
        Barrier([&] {
            QLineEdit* File = PrintFileField(Dialog);
            if (File && !ProposedFile.isEmpty())
                File->setText(ProposedFile);
            const NativeDialogProbe& Probe = CurrentProbe();
            if (!Probe)
                return;
            NativeDialogView View;
            View.Title = FromQString(Dialog.windowTitle());
            for (const QAbstractButton* B : Dialog.findChildren<QAbstractButton*>())
                if (!B->text().isEmpty())
                    View.Texts.push_back(FromQString(B->text()));
            for (const QLabel* L : Dialog.findChildren<QLabel*>())
                if (!L->text().isEmpty())
                    View.Texts.push_back(FromQString(L->text()));
            for (const QGroupBox* G : Dialog.findChildren<QGroupBox*>())
                if (!G->title().isEmpty())
                    View.Texts.push_back(FromQString(G->title()));
            if (File)
                View.ProposedFile = FromQString(File->text());
            const QImage Shown = ShownByServer(Dialog);
            const QImage Painted = Dialog.grab().toImage();
            View.Png = PngBytes(Painted);
            if (!Shown.isNull()) {
                View.ShownPng = PngBytes(Shown);
                View.ShownDiffering = DifferingPixels(Shown, Painted);
            }
            Dialog.reject();
            Probe(View);
        });
    });
    return Dialog.exec();
}

/// The widget of the active form, the dialogs' owner window.
QWidget* DialogParent()
{
    if (!Screen || !Screen->ActiveForm())
        return nullptr;
    TCustomForm* Form = Screen->ActiveForm();
    return Form->HandleAllocated() ? Form->Widget() : nullptr;
}

struct ButtonInfo {
    TMsgDlgBtn Button;
    const char* Caption;
    int Result;
};
/// The buttons in the order they are shown, with their Russian captions.
const ButtonInfo DialogButtons[] = {
    {mbYes, "&Да"_c, mrYes},
    {mbNo, "&Нет"_c, mrNo},
    {mbOK, "OK", mrOk},
    {mbCancel, "Отмена"_c, mrCancel},
    {mbAbort, "&Прервать"_c, mrAbort},
    {mbRetry, "П&овтор"_c, mrRetry},
    {mbIgnore, "П&ропустить"_c, mrIgnore},
    {mbAll, "&Все"_c, mrAll},
    {mbNoToAll, "Н&ет для всех"_c, mrNoToAll},
    {mbYesToAll, "Д&а для всех"_c, mrYesToAll},
    {mbHelp, "&Справка"_c, mrNone},
};

/// The message-box type of a button set, for the hook and for the sets the
/// system box has; MB_TYPEMASK + 1 for any other set.
UINT BoxType(TMsgDlgButtons Buttons)
{
    Buttons.Exclude(mbHelp);
    if (Buttons == TMsgDlgButtons {mbOK})
        return MB_OK;
    if (Buttons == TMsgDlgButtons {mbOK, mbCancel})
        return MB_OKCANCEL;
    if (Buttons == TMsgDlgButtons {mbYes, mbNo})
        return MB_YESNO;
    if (Buttons == TMsgDlgButtons {mbYes, mbNo, mbCancel})
        return MB_YESNOCANCEL;
    if (Buttons == TMsgDlgButtons {mbAbort, mbRetry, mbIgnore})
        return MB_ABORTRETRYIGNORE;
    if (Buttons == TMsgDlgButtons {mbRetry, mbCancel})
        return MB_RETRYCANCEL;
    return MB_TYPEMASK + 1;
}

UINT IconType(TMsgDlgType DlgType)
{
    switch (DlgType) {
    case mtWarning: return MB_ICONWARNING;
    case mtError: return MB_ICONERROR;
    case mtInformation: return MB_ICONINFORMATION;
    case mtConfirmation: return MB_ICONQUESTION;
    case mtCustom: return 0;
    }
    return 0;
}

/// The full name of a chosen file with DefaultExt added when it has no extension.
AnsiString WithDefaultExt(const AnsiString& Name, const AnsiString& DefaultExt)
{
    if (DefaultExt.IsEmpty() || Name.IsEmpty() || !ExtractFileExt(Name).IsEmpty())
        return Name;
    AnsiString Ext = DefaultExt;
    if (Ext[1] == '.')
        Ext = Ext.SubString(2, Ext.Length() - 1);
    return Name + "." + Ext;
}

/// "*" and "?" matched byte by byte, case ignored.
bool WildMatch(const AnsiString& Name, int N, const AnsiString& Pat, int P)
{
    while (P <= Pat.Length()) {
        const char C = Pat[P];
        if (C == '*') {
            for (int K = N; K <= Name.Length() + 1; ++K)
                if (WildMatch(Name, K, Pat, P + 1))
                    return true;
            return false;
        }
        if (N > Name.Length())
            return false;
        if (C != '?' && cp1251::ToUpper(static_cast<unsigned char>(C)) !=
                            cp1251::ToUpper(static_cast<unsigned char>(Name[N])))
            return false;
        ++N;
        ++P;
    }
    return N > Name.Length();
}

}  // namespace

// ---- message dialogs -----------------------------------------------------------------------------

AnsiString MessageDlgCaption(TMsgDlgType DlgType)
{
    switch (DlgType) {
    case mtWarning: return "Предупреждение"_a;
    case mtError: return "Ошибка"_a;
    case mtInformation: return "Информация"_a;
    case mtConfirmation: return "Подтверждение"_a;
    case mtCustom: return Application ? Application->Title() : AnsiString();
    }
    return AnsiString();
}

int MessageDlg(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int)
{
    if (Buttons.Empty())
        Buttons = {mbOK};
    const AnsiString Caption = MessageDlgCaption(DlgType);
    const UINT Type = BoxType(Buttons);
    int Result = mrCancel;
    // The hook sees the nearest system type (MB_OK for unusual sets) and
    // answers with the modal result of a button.
    if (AnswerMessageBox(Msg, Caption, (Type > MB_TYPEMASK ? MB_OK : Type) | IconType(DlgType), Result))
        return Result;
    QMessageBox Box(DialogParent());
    Box.setWindowTitle(ToQString(Caption));
    Box.setText(ToQString(Msg));
    switch (DlgType) {
    case mtWarning: Box.setIcon(QMessageBox::Warning); break;
    case mtError: Box.setIcon(QMessageBox::Critical); break;
    case mtInformation: Box.setIcon(QMessageBox::Information); break;
    case mtConfirmation: Box.setIcon(QMessageBox::Question); break;
    case mtCustom: break;
    }
    std::vector<std::pair<QPushButton*, int>> Made;
    for (const ButtonInfo& B : DialogButtons) {
        if (!Buttons.Contains(B.Button))
            continue;
        QPushButton* P = Box.addButton(ToQString(AnsiString(B.Caption)), QMessageBox::AcceptRole);
        Made.emplace_back(P, B.Result);
        if (B.Button == mbCancel || B.Button == mbNo)
            Box.setEscapeButton(P);
    }
    Box.setDefaultButton(Made.front().first);
    Box.exec();
    for (const auto& [Button, Id] : Made)
        if (Box.clickedButton() == Button)
            return Id;
    return mrCancel;
}

void ShowMessage(const AnsiString& Msg)
{
    const AnsiString Caption = Application ? Application->Title() : AnsiString();
    MessageBox(nullptr, Msg, Caption, MB_OK);
}

// ---- TCommonDialog ---------------------------------------------------------------------------------

TCommonDialog::TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}

TCommonDialog::~TCommonDialog() = default;

bool TCommonDialog::Execute()
{
    OnShow(this);
    bool Result = false;
    if (const DialogHook& Hook = CurrentDialogHook())
        Result = Hook(*this);
    else
        Result = ExecuteNative();
    if (Result)
        Confirmed();
    OnClose(this);
    return Result;
}

// ---- file dialogs ---------------------------------------------------------------------------------

std::vector<FileFilter> ParseFileFilter(const AnsiString& Filter)
{
    std::vector<FileFilter> Result;
    std::vector<AnsiString> Parts;
    int Start = 1;
    for (int I = 1; I <= Filter.Length() + 1; ++I) {
        if (I <= Filter.Length() && Filter[I] != '|')
            continue;
        Parts.push_back(Filter.SubString(Start, I - Start));
        Start = I + 1;
    }
    for (size_t I = 0; I < Parts.size(); I += 2) {
        FileFilter F {Trim(Parts[I]), I + 1 < Parts.size() ? Trim(Parts[I + 1]) : AnsiString()};
        if (F.Description.IsEmpty() && F.Pattern.IsEmpty())
            continue;
        if (F.Pattern.IsEmpty())
            F.Pattern = "*";
        Result.push_back(F);
    }
    return Result;
}

bool MatchesFilePattern(const AnsiString& FileName, const AnsiString& Patterns)
{
    const AnsiString Name = ExtractFileName(FileName);
    int Start = 1;
    for (int I = 1; I <= Patterns.Length() + 1; ++I) {
        if (I <= Patterns.Length() && Patterns[I] != ';')
            continue;
        AnsiString P = Trim(Patterns.SubString(Start, I - Start));
        Start = I + 1;
        if (P.IsEmpty())
            continue;
        // "*.*" stands for every name, with or without a dot.
        if (P == "*.*" || WildMatch(Name, 1, P, 1))
            return true;
    }
    return false;
}

TOpenDialog::TOpenDialog(TComponent* AOwner)
    : TCommonDialog(AOwner), FFiles(std::make_unique<TStringList>())
{
}

TOpenDialog::~TOpenDialog() = default;

TStrings* TOpenDialog::Files() const
{
    return FFiles.get();
}

bool TOpenDialog::Execute()
{
    // A dialog used again must not hand back the file chosen last time.
    FFiles->Clear();
    return inherited::Execute();
}

void TOpenDialog::Confirmed()
{
    if (FFiles->Count() == 0 && !FFileName.IsEmpty())
        FFiles->Add(FFileName);
    if (FFiles->Count() > 1 && !FOptions.Contains(ofAllowMultiSelect)) {
        const AnsiString First = FFiles->Strings(0);
        FFiles->Clear();
        FFiles->Add(First);
    }
    for (int I = 0; I < FFiles->Count(); ++I)
        FFiles->SetStrings(I, WithDefaultExt(FFiles->Strings(I), FDefaultExt));
    if (FFiles->Count() > 0)
        FFileName = FFiles->Strings(0);
}

bool TOpenDialog::ExecuteNative()
{
    QFileDialog Dialog(DialogParent());
    SetDialogTitle(Dialog, FTitle);
    Dialog.setAcceptMode(IsSaveDialog() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (IsSaveDialog())
        Dialog.setFileMode(QFileDialog::AnyFile);
    else if (FOptions.Contains(ofAllowMultiSelect))
        Dialog.setFileMode(QFileDialog::ExistingFiles);
    else if (FOptions.Contains(ofFileMustExist))
        Dialog.setFileMode(QFileDialog::ExistingFile);
    else
        Dialog.setFileMode(QFileDialog::AnyFile);
    if (!FOptions.Contains(ofOverwritePrompt))
        Dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (FOptions.Contains(ofForceShowHidden))
        Dialog.setFilter(Dialog.filter() | QDir::Hidden);
    QStringList Filters;
    for (const FileFilter& F : ParseFileFilter(FFilter)) {
        QString Patterns = ToQString(F.Pattern);
        Patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        Filters << ToQString(F.Description) + QStringLiteral(" (") + Patterns + QLatin1Char(')');
    }
    if (!Filters.isEmpty()) {
        Dialog.setNameFilters(Filters);
        if (FFilterIndex >= 1 && FFilterIndex <= Filters.size())
            Dialog.selectNameFilter(Filters[FFilterIndex - 1]);
    }
    const AnsiString StartDir = !FInitialDir.IsEmpty() ? FInitialDir : ExtractFilePath(FFileName);
    if (!StartDir.IsEmpty())
        Dialog.setDirectory(ToQString(StartDir));
    if (!FFileName.IsEmpty())
        Dialog.selectFile(ToQString(ExtractFileName(FFileName)));
    if (!FDefaultExt.IsEmpty())
        Dialog.setDefaultSuffix(ToQString(FDefaultExt));
    if (RunNativeDialog(Dialog) != QDialog::Accepted)
        return false;
    FFiles->Clear();
    for (const QString& F : Dialog.selectedFiles())
        FFiles->Add(FromQString(F));
    FFileName = FFiles->Count() > 0 ? FFiles->Strings(0) : AnsiString();
    const int Index = static_cast<int>(Filters.indexOf(Dialog.selectedNameFilter()));
    if (Index >= 0)
        FFilterIndex = Index + 1;
    return true;
}

TSaveDialog::~TSaveDialog() = default;

namespace {

const char* const PictureFilter = "Точечные рисунки (*.bmp)|*.bmp"_c;

}  // namespace

TOpenPictureDialog::TOpenPictureDialog(TComponent* AOwner) : TOpenDialog(AOwner)
{
    FFilter = PictureFilter;
}

TOpenPictureDialog::~TOpenPictureDialog() = default;

TSavePictureDialog::TSavePictureDialog(TComponent* AOwner) : TSaveDialog(AOwner)
{
    FFilter = PictureFilter;
}

TSavePictureDialog::~TSavePictureDialog() = default;

// ---- colour, font, print -------------------------------------------------------------------------------

TColorDialog::TColorDialog(TComponent* AOwner)
    : TCommonDialog(AOwner), FCustomColors(std::make_unique<TStringList>())
{
}

TColorDialog::~TColorDialog() = default;

TStrings* TColorDialog::CustomColors() const
{
    return FCustomColors.get();
}

bool TColorDialog::ExecuteNative()
{
    const COLORREF Start = ColorToRGB(FColor);
    // An empty title keeps Qt's own (translated) one.
    const QColor Chosen = QColorDialog::getColor(QColor(GetRValue(Start), GetGValue(Start), GetBValue(Start)),
        DialogParent(), FTitle.IsEmpty() ? QString() : ToQString(FTitle));
    if (!Chosen.isValid())
        return false;
    FColor = static_cast<TColor>(RGB(Chosen.red(), Chosen.green(), Chosen.blue()));
    return true;
}

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFont(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::ExecuteNative()
{
    QFont Start(ToQString(MapFontFace(FFont->Name())));
    Start.setPointSize(std::max(FFont->Size(), 1));
    Start.setBold(FFont->Style().Contains(fsBold));
    Start.setItalic(FFont->Style().Contains(fsItalic));
    Start.setUnderline(FFont->Style().Contains(fsUnderline));
    Start.setStrikeOut(FFont->Style().Contains(fsStrikeOut));
    bool Ok = false;
    const QFont Chosen = QFontDialog::getFont(&Ok, Start, DialogParent(),
                                             FTitle.IsEmpty() ? QString() : ToQString(FTitle));
    if (!Ok)
        return false;
    FFont->SetName(FromQString(Chosen.family()));
    if (Chosen.pointSize() > 0)
        FFont->SetSize(Chosen.pointSize());
    TFontStyles Style;
    if (Chosen.bold())
        Style.Include(fsBold);
    if (Chosen.italic())
        Style.Include(fsItalic);
    if (Chosen.underline())
        Style.Include(fsUnderline);
    if (Chosen.strikeOut())
        Style.Include(fsStrikeOut);
    FFont->SetStyle(Style);
    return true;
}

TPrintDialog::TPrintDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}

TPrintDialog::~TPrintDialog() = default;

void TPrintDialog::Confirmed()
{
    FCopies = std::max(FCopies, 1);
    if (FMaxPage > 0) {
        FFromPage = std::clamp(FFromPage, FMinPage, FMaxPage);
        FToPage = std::clamp(FToPage, FFromPage, FMaxPage);
    }
}

bool TPrintDialog::ExecuteNative()
{
    QPrinter Printer;
    if (!FPrinterName.IsEmpty())
        Printer.setPrinterName(ToQString(FPrinterName));
    Printer.setCopyCount(std::max(FCopies, 1));
    Printer.setCollateCopies(FCollate);
    if (FPrintToFile && !FPrintFileName.IsEmpty())
        Printer.setOutputFileName(ToQString(FPrintFileName));
    QPrintDialog Dialog(&Printer, DialogParent());
    SetDialogTitle(Dialog, FTitle);
    if (FMaxPage > 0)
        Dialog.setMinMax(FMinPage, FMaxPage);
    if (FOptions.Contains(poPageNums)) {
        Dialog.setOption(QAbstractPrintDialog::PrintPageRange);
        Printer.setFromTo(FFromPage, FToPage);
    }
    Dialog.setOption(QAbstractPrintDialog::PrintSelection, FOptions.Contains(poSelection));
    Dialog.setOption(QAbstractPrintDialog::PrintToFile, !FOptions.Contains(poDisablePrintToFile));
    if (RunNativeDialog(Dialog, ToQString(FPrintFileName)) != QDialog::Accepted)
        return false;
    FCopies = Printer.copyCount();
    FCollate = Printer.collateCopies();
    FPrinterName = FromQString(Printer.printerName());
    FPrintToFile = !Printer.outputFileName().isEmpty();
    if (FPrintToFile)
        FPrintFileName = FromQString(Printer.outputFileName());
    switch (Dialog.printRange()) {
    case QAbstractPrintDialog::PageRange:
        FPrintRange = prPageNums;
        FFromPage = Dialog.fromPage();
        FToPage = Dialog.toPage();
        break;
    case QAbstractPrintDialog::Selection: FPrintRange = prSelection; break;
    default: FPrintRange = prAllPages; break;
    }
    return true;
}

TPrinterSetupDialog::~TPrinterSetupDialog() = default;

bool TPrinterSetupDialog::ExecuteNative()
{
    QPrinter Printer;
    if (!FPrinterName.IsEmpty())
        Printer.setPrinterName(ToQString(FPrinterName));
    QPrintDialog Dialog(&Printer, DialogParent());
    SetDialogTitle(Dialog, FTitle);
    if (RunNativeDialog(Dialog) != QDialog::Accepted)
        return false;
    FPrinterName = FromQString(Printer.printerName());
    return true;
}

TPageSetupDialog::~TPageSetupDialog() = default;

bool TPageSetupDialog::ExecuteNative()
{
    QPrinter Printer;
    if (FPaperWidth > 0 && FPaperHeight > 0)
        Printer.setPageSize(QPageSize(QSizeF(FPaperWidth / 100.0, FPaperHeight / 100.0),
                                      QPageSize::Millimeter));
    Printer.setPageMargins(QMarginsF(FMargins.Left / 100.0, FMargins.Top / 100.0,
                                     FMargins.Right / 100.0, FMargins.Bottom / 100.0),
                           QPageLayout::Millimeter);
    QPageSetupDialog Dialog(&Printer, DialogParent());
    SetDialogTitle(Dialog, FTitle);
    return RunNativeDialog(Dialog) == QDialog::Accepted;
}

// ---- hook ---------------------------------------------------------------------------------------------------

void SetDialogHook(DialogHook Hook)
{
    CurrentDialogHook() = std::move(Hook);
}

DialogHookScope::DialogHookScope(DialogHook Hook)
{
    SetDialogHook(std::move(Hook));
}

DialogHookScope::~DialogHookScope()
{
    SetDialogHook(nullptr);
}

NativeDialogProbeScope::NativeDialogProbeScope(NativeDialogProbe Probe)
{
    CurrentProbe() = std::move(Probe);
}

NativeDialogProbeScope::~NativeDialogProbeScope()
{
    CurrentProbe() = nullptr;
}
