#pragma once

// Dialogs: message dialogs in Russian, the file dialogs ("description|
// pattern" filters), and the colour, font and print dialogs.
//
// Execute shows the dialog modally and returns true when the user
// confirmed it; the chosen values are then in the dialog's properties.
// Tests answer every dialog through SetDialogHook (or the scope below):
// the hook gets the dialog with its properties set by the caller, may
// change them as the user would, and returns whether it was confirmed.
// Message dialogs go through the message-box hook of Forms.h.
//
// The file dialogs never change the current folder: the program's files
// are found from the folder it started in.

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Sets.h"
#include "platform/forms/Graphics.h"
#include "platform/rtl/AnsiString.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TStrings;
class TStringList;

// ---- message dialogs -------------------------------------------------------------------------

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = EnumSet<TMsgDlgBtn>;

/// The caption of a message dialog of DlgType ("Предупреждение", "Ошибка",
/// "Информация", "Подтверждение"; the application's title for mtCustom).
[[nodiscard]] AnsiString MessageDlgCaption(TMsgDlgType DlgType);
/// A message dialog with the buttons (in the order of TMsgDlgBtn, captions
/// in Russian); the modal result of the button pressed (mrOk, mrYes, ...).
/// Closing it without a button gives mrCancel. Empty Buttons show OK.
int MessageDlg(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
/// An information box with OK, titled with the application's title.
void ShowMessage(const AnsiString& Msg);

// ---- common dialogs ---------------------------------------------------------------------------

class TCommonDialog : public TComponent {
    PRICETAGS_CLASS(TCommonDialog, TComponent)
public:
    explicit TCommonDialog(TComponent* AOwner);
    ~TCommonDialog() override;

    /// Shows the dialog; true when confirmed.
    virtual bool Execute();
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value) { FHelpContext = Value; }
    const AnsiString& Title() const { return FTitle; }
    void SetTitle(const AnsiString& Value) { FTitle = Value; }

    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

protected:
    /// The window system's dialog; true when confirmed.
    virtual bool ExecuteNative() = 0;
    /// After a confirmed choice (by the user or the hook).
    virtual void Confirmed() {}

    int FHelpContext = 0;
    AnsiString FTitle;
};

enum TOpenOption {
    ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
    ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
    ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
    ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing,
    ofDontAddToRecent, ofForceShowHidden
};
using TOpenOptions = EnumSet<TOpenOption>;

/// One "description|pattern" pair of a filter; Pattern may hold several
/// patterns separated by ";".
struct FileFilter {
    AnsiString Description;
    AnsiString Pattern;
    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};
/// The pairs of a filter text "desc|pattern|desc|pattern". A description
/// without a pattern at the end gets the pattern "*"; empty pairs are
/// skipped.
[[nodiscard]] std::vector<FileFilter> ParseFileFilter(const AnsiString& Filter);
/// Whether FileName's name part matches one of the ";"-separated patterns
/// ("*" and "?" wildcards, case ignored).
[[nodiscard]] bool MatchesFilePattern(const AnsiString& FileName, const AnsiString& Patterns);

class TOpenDialog : public TCommonDialog {
    PRICETAGS_CLASS(TOpenDialog, TCommonDialog)
public:
    explicit TOpenDialog(TComponent* AOwner);
    ~TOpenDialog() override;

    /// Forgets the files of an earlier choice, then shows the dialog.
    bool Execute() override;
    /// The chosen file (the first of several); a start name before Execute.
    const AnsiString& FileName() const { return FFileName; }
    void SetFileName(const AnsiString& Value) { FFileName = Value; }
    /// Every chosen file (one unless ofAllowMultiSelect).
    TStrings* Files() const;
    const AnsiString& Filter() const { return FFilter; }
    void SetFilter(const AnsiString& Value) { FFilter = Value; }
    /// 1-based index of the filter in use.
    int FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int Value) { FFilterIndex = Value; }
    const AnsiString& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const AnsiString& Value) { FInitialDir = Value; }
    /// Added (with a dot) to a chosen name that has no extension.
    const AnsiString& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const AnsiString& Value) { FDefaultExt = Value; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions Value) { FOptions = Value; }

protected:
    bool ExecuteNative() override;
    void Confirmed() override;
    /// Whether the dialog saves (asks before replacing a file) rather than opens.
    virtual bool IsSaveDialog() const { return false; }

    AnsiString FFileName;
    std::unique_ptr<TStringList> FFiles;
    AnsiString FFilter;
    int FFilterIndex = 1;
    AnsiString FInitialDir;
    AnsiString FDefaultExt;
    TOpenOptions FOptions = {ofHideReadOnly, ofEnableSizing};
};

class TSaveDialog : public TOpenDialog {
    PRICETAGS_CLASS(TSaveDialog, TOpenDialog)
public:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
    ~TSaveDialog() override;

protected:
    bool IsSaveDialog() const override { return true; }
};

/// Open and save dialogs whose filter starts as the picture files the
/// program reads (bitmaps).
class TOpenPictureDialog : public TOpenDialog {
    PRICETAGS_CLASS(TOpenPictureDialog, TOpenDialog)
public:
    explicit TOpenPictureDialog(TComponent* AOwner);
    ~TOpenPictureDialog() override;
};

class TSavePictureDialog : public TSaveDialog {
    PRICETAGS_CLASS(TSavePictureDialog, TSaveDialog)
public:
    explicit TSavePictureDialog(TComponent* AOwner);
    ~TSavePictureDialog() override;
};

class TColorDialog : public TCommonDialog {
    PRICETAGS_CLASS(TColorDialog, TCommonDialog)
public:
    explicit TColorDialog(TComponent* AOwner);
    ~TColorDialog() override;

    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    /// "ColorA=RRGGBB" lines of the custom colours (kept for the caller).
    TStrings* CustomColors() const;

protected:
    bool ExecuteNative() override;

    TColor FColor = clBlack;
    std::unique_ptr<TStringList> FCustomColors;
};

class TFontDialog : public TCommonDialog {
    PRICETAGS_CLASS(TFontDialog, TCommonDialog)
public:
    explicit TFontDialog(TComponent* AOwner);
    ~TFontDialog() override;

    /// The font shown and chosen (name, size, style, colour, charset).
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }

protected:
    bool ExecuteNative() override;

    std::unique_ptr<TFont> FFont;
};

enum TPrintRange { prAllPages, prSelection, prPageNums };
enum TPrintDialogOption { poPrintToFile, poPageNums, poSelection, poWarning, poHelp, poDisablePrintToFile };
using TPrintDialogOptions = EnumSet<TPrintDialogOption>;

class TPrintDialog : public TCommonDialog {
    PRICETAGS_CLASS(TPrintDialog, TCommonDialog)
public:
    explicit TPrintDialog(TComponent* AOwner);
    ~TPrintDialog() override;

    int Copies() const { return FCopies; }
    void SetCopies(int Value) { FCopies = Value; }
    bool Collate() const { return FCollate; }
    void SetCollate(bool Value) { FCollate = Value; }
    int FromPage() const { return FFromPage; }
    void SetFromPage(int Value) { FFromPage = Value; }
    int ToPage() const { return FToPage; }
    void SetToPage(int Value) { FToPage = Value; }
    int MinPage() const { return FMinPage; }
    void SetMinPage(int Value) { FMinPage = Value; }
    int MaxPage() const { return FMaxPage; }
    void SetMaxPage(int Value) { FMaxPage = Value; }
    TPrintRange PrintRange() const { return FPrintRange; }
    void SetPrintRange(TPrintRange Value) { FPrintRange = Value; }
    TPrintDialogOptions Options() const { return FOptions; }
    void SetOptions(TPrintDialogOptions Value) { FOptions = Value; }
    bool PrintToFile() const { return FPrintToFile; }
    void SetPrintToFile(bool Value) { FPrintToFile = Value; }
    /// The PDF file the user chose to print into (with PrintToFile). Set
    /// without PrintToFile, the name is only proposed for printing into a
    /// file: the printer chosen stays the dialog's first choice.
    const AnsiString& PrintFileName() const { return FPrintFileName; }
    void SetPrintFileName(const AnsiString& Value) { FPrintFileName = Value; }
    /// The printer chosen (the system's name; empty: the default one).
    const AnsiString& PrinterName() const { return FPrinterName; }
    void SetPrinterName(const AnsiString& Value) { FPrinterName = Value; }

protected:
    bool ExecuteNative() override;
    /// Keeps the page range within MinPage..MaxPage and the copies above 0.
    void Confirmed() override;

    int FCopies = 1;
    bool FCollate = false;
    int FFromPage = 0;
    int FToPage = 0;
    int FMinPage = 0;
    int FMaxPage = 0;
    TPrintRange FPrintRange = prAllPages;
    TPrintDialogOptions FOptions;
    bool FPrintToFile = false;
    AnsiString FPrintFileName;
    AnsiString FPrinterName;
};

/// The choice of printer and paper.
class TPrinterSetupDialog : public TCommonDialog {
    PRICETAGS_CLASS(TPrinterSetupDialog, TCommonDialog)
public:
    explicit TPrinterSetupDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    ~TPrinterSetupDialog() override;

    const AnsiString& PrinterName() const { return FPrinterName; }
    void SetPrinterName(const AnsiString& Value) { FPrinterName = Value; }

protected:
    bool ExecuteNative() override;

    AnsiString FPrinterName;
};

/// The paper and margins (shown; the caller reads nothing back but the result).
/// Lengths are hundredths of a millimetre; a paper of 0 shows the printer's.
class TPageSetupDialog : public TCommonDialog {
    PRICETAGS_CLASS(TPageSetupDialog, TCommonDialog)
public:
    explicit TPageSetupDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    ~TPageSetupDialog() override;

    int PaperWidth() const { return FPaperWidth; }
    void SetPaperWidth(int Value) { FPaperWidth = Value; }
    int PaperHeight() const { return FPaperHeight; }
    void SetPaperHeight(int Value) { FPaperHeight = Value; }
    /// Left, top, right and bottom margins.
    const TRect& Margins() const { return FMargins; }
    void SetMargins(const TRect& Value) { FMargins = Value; }

protected:
    bool ExecuteNative() override;

private:
    int FPaperWidth = 0;
    int FPaperHeight = 0;
    TRect FMargins {};
};

// ---- hook for tests -----------------------------------------------------------------------------

/// Answers a dialog: may set its values; returns whether it was confirmed.
using DialogHook = std::function<bool(TCommonDialog& Dialog)>;
void SetDialogHook(DialogHook Hook);

class DialogHookScope {
public:
    explicit DialogHookScope(DialogHook Hook);
    ~DialogHookScope();
    DialogHookScope(const DialogHookScope&) = delete;
    DialogHookScope& operator=(const DialogHookScope&) = delete;
};

/// What a window-system dialog showed: its title line, the texts of its
/// buttons, labels and boxes, and the file its print-into-file field
/// proposes (empty for other dialogs).
struct NativeDialogView {
    AnsiString Title;
    std::vector<AnsiString> Texts;
    AnsiString ProposedFile;
    /// The dialog as painted, as PNG bytes.
    std::string Png;
    /// On an X server: the dialog's window as the server holds it (what
    /// the screen shows), as PNG bytes, and how many of its pixels differ
    /// from the painted ones. Empty and -1 on other platforms.
    std::string ShownPng;
    int ShownDiffering = -1;
};
/// For tests of the dialogs themselves (no DialogHook set): Probe sees each
/// window-system dialog once it is on the screen, which is then cancelled.
using NativeDialogProbe = std::function<void(const NativeDialogView& View)>;
class NativeDialogProbeScope {
public:
    explicit NativeDialogProbeScope(NativeDialogProbe Probe);
    ~NativeDialogProbeScope();
    NativeDialogProbeScope(const NativeDialogProbeScope&) = delete;
    NativeDialogProbeScope& operator=(const NativeDialogProbeScope&) = delete;
};
