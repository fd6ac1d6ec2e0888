#pragma once

// TDocument: the component through which a host uses the report engine.
// It owns the template pages with their elements, the generated output
// pages, the printer metrics of both orientations and the designer
// settings stored with the template. Data reaches a report only through its
// events: the host answers every variable (OnGetValue) and every request
// for a further data row (OnNeedData).
//
// Templates are stored in two forms with the same content: a tagged binary
// stream (".dcr" files, host streams and undo snapshots) and ini text
// (".dcf"). Every load replaces the whole template; a load that fails
// leaves the document as it was. Geometry is read and written at scale 1.0.
//
// Lengths of margins and paper are hundredths of a millimetre; page extents
// are pixels at 96 dpi.

#include "common/reports/RP_Eng.h"

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Types.h"

#include <memory>
#include <vector>

struct DeviceContext;
using HDC = DeviceContext*;
class TCanvas;
class TIniFile;
class TPage;
class TPageInfo;
class TDesignForm;
class TPreviewForm;
class TStream;
class TStringList;
class TStrings;
class TView;

using TBeginDocEvent = MethodPointer<void(TObject* Sender)>;
using TEndDocEvent = MethodPointer<void(TObject* Sender)>;
using TBeginPageEvent = MethodPointer<void(TObject* Sender, int pg, TStringList* MasterMemo,
                                           TStringList* DetailMemo, TStringList* SubDetailMemo)>;
using TEndPageEvent = MethodPointer<void(TObject* Sender, int pg)>;
using TDetailEvent = MethodPointer<void(TObject* Sender, TBandType b, const AnsiString& ParName,
                                        AnsiString& ParValue)>;
using TEnterRectEvent =
    MethodPointer<void(TObject* Sender, TBandType b, TStringList* Memo, TView* View)>;
using TOwnerDrawEvent = MethodPointer<void(TObject* Sender, TBandType b, TStringList* Memo,
                                           TCanvas* Canvas, TRect& DrawRect)>;
using TNeedDataEvent = MethodPointer<void(TObject* Sender, TBandType b, bool& NeedMore)>;
using TProgressEvent = MethodPointer<void(TObject* Sender, int n)>;
using TLoadSaveEvent =
    MethodPointer<void(TObject* Sender, const AnsiString& AFileName, TStream*& sm)>;
using TSaveDesignEvent = MethodPointer<void(TObject* Sender, AnsiString& AFileName)>;
using TSetPrinterEvent =
    MethodPointer<bool(TObject* Sender, int PrinterType, const AnsiString& PrinterName)>;

/// The value a variable starts with; still equal to it afterwards means
/// that nobody answered.
inline constexpr char VarNotAnswered[] = "\x04\x01\x03\x02";

/// The device capabilities of a printer in one orientation, device pixels.
struct PrinterCaps {
    Integer LogPixelsX = 0;
    Integer LogPixelsY = 0;
    Integer PhysWidth = 0;
    Integer PhysHeight = 0;
    Integer PhysOffsetX = 0;
    Integer PhysOffsetY = 0;
    Integer HorzRes = 0;
    Integer VertRes = 0;
};

/// What documents ask of the printer: the index of the printer in use and
/// its capabilities per orientation (0 portrait, 1 landscape). The printing
/// layer installs one; without it the fallback metrics (A4 at 600 dpi) are
/// used. ReadCaps raises the printing layer's errors.
class ReportPrinter {
public:
    virtual ~ReportPrinter() = default;
    [[nodiscard]] virtual int PrinterIndex() = 0;
    [[nodiscard]] virtual PrinterCaps ReadCaps(Byte Orientation) = 0;
    /// Chooses the installed printer of that name; false (nothing
    /// changed) when none has it.
    virtual bool SelectNamed(const AnsiString& Name)
    {
        (void)Name;
        return false;
    }
    /// Chooses the system's default printer.
    virtual void SelectDefault() {}
};
/// Installs the printer every document asks (null: none). Not owned.
void InstallReportPrinter(ReportPrinter* Port);
[[nodiscard]] ReportPrinter* InstalledReportPrinter();

/// Printer metrics of one orientation.
class TPrnInfo : public TObject {
    PRICETAGS_CLASS(TPrnInfo, TObject)
public:
    TPrnInfo() = default;
    ~TPrnInfo() override;

    /// The fields from device capabilities; pixel sizes rounded to 96 dpi.
    void Fill(const PrinterCaps& Caps);
    /// A4 at 600 dpi with the unprintable border of a common laser printer.
    void SetFallback(Byte Orientation);

    Extended ScaleX = 0;
    Extended ScaleY = 0;
    Integer PhysWidth = 0;
    Integer PhysHeight = 0;
    Integer PhysOffsetX = 0;
    Integer PhysOffsetY = 0;
    Integer HorzRes = 0;
    Integer VertRes = 0;
    Integer LogPixelsX = 0;
    Integer LogPixelsY = 0;
    Integer PageWidth = 0;
    Integer PageHeight = 0;
    Integer OffsetX = 0;
    Integer OffsetY = 0;
    Integer PrintWidth = 0;
    Integer PrintHeight = 0;
};

/// What printing asks of a printer: the printer's orientation, jobs with
/// titles, pages, and an output page drawn into a rectangle of device
/// pixels. The printing layer installs one (InstallReportPrintJob).
class ReportPrintJob {
public:
    virtual ~ReportPrintJob() = default;
    [[nodiscard]] virtual Byte Orientation() = 0;
    virtual void SetOrientation(Byte Value) = 0;
    virtual void SetCopies(int Value) = 0;
    virtual void BeginDoc(const AnsiString& Title) = 0;
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;
    /// False once the operator has cancelled the job.
    [[nodiscard]] virtual bool Printing() = 0;
    virtual void DrawPage(TPageInfo& Page, const TRect& DeviceRect) = 0;
};
/// Installs the printer Print sends pages to (null: none). Not owned.
void InstallReportPrintJob(ReportPrintJob* Job);
[[nodiscard]] ReportPrintJob* InstalledReportPrintJob();

class TMetafile;
class TMetafileCanvas;

/// One generated output page: the printable size of its template page, the
/// extent of elements reaching outside it, and its drawing, an enhanced
/// metafile at 96 dpi played onto any DC.
class TPageInfo : public TObject {
    PRICETAGS_CLASS(TPageInfo, TObject)
public:
    TPageInfo();
    ~TPageInfo() override;

    /// Replaces the metafile by a new one of Width x Height pixels and opens
    /// a canvas recording into it.
    void NewDrawing(int Width, int Height);
    /// The canvas recording the page (owned by the page); null when none is
    /// open.
    [[nodiscard]] TCanvas* Canvas() const;
    /// Frees the canvas: the metafile is complete.
    void CloseCanvas();
    [[nodiscard]] int DrawingWidth() const;
    [[nodiscard]] int DrawingHeight() const;
    /// Draws the page onto Target at its size in Target's units; false when
    /// it has no records.
    bool PlayOn(HDC Target) const;
    /// The page's metafile (owned).
    [[nodiscard]] TMetafile* Metafile() const { return FMetafile.get(); }
    /// Takes a finished metafile as the page's drawing (a page read from a
    /// file).
    void SetMetafile(std::unique_ptr<TMetafile> Value);
    /// Fits a page whose elements reach outside the printable area into R
    /// (device pixels): shifted back onto the paper and shrunk.
    void ScaleRect(TRect& R) const;

    Integer PrintWidth = 0;
    Integer PrintHeight = 0;
    Integer MinX = 0;
    Integer MaxX = 0;
    Integer MinY = 0;
    Integer MaxY = 0;
    bool OutsidePrint = false;
    bool OutsidePage = false;
    bool OutsidePrintAll = false;
    Byte Orientation = 0;

private:
    std::unique_ptr<TMetafile> FMetafile;
    std::unique_ptr<TMetafileCanvas> FCanvas;
};

/// The designer settings stored with a template.
class T_RPDefDesigner : public TObject {
    PRICETAGS_CLASS(T_RPDefDesigner, TObject)
public:
    T_RPDefDesigner();
    ~T_RPDefDesigner() override;

    /// The defaults below; ClearAsWhite stays as it is.
    void SetDefaults();
    /// Every field of Source.
    void AssignFrom(const T_RPDefDesigner& Source);

    Integer Left = 10;
    Integer Top = 10;
    Integer Height = 470;
    Integer Width = 590;
    /// 2 maximised.
    Byte WState = 2;
    Integer GridSize = 4;
    bool ShowGrid = true;
    bool SnapToGrid = true;
    bool ShapeInvers = false;
    AnsiString LabelText = "Text";
    AnsiString FontName = "Arial";
    Integer FontSize = 10;
    Word FontStyle = 0;
    /// How new text elements start (not stored in templates): horizontal
    /// alignment 0 left, 1 right, 2 centre; vertical centring; word wrap;
    /// turned text.
    Integer LabelAlignment = 0;
    bool LabelVertCenter = false;
    bool LabelWordWrap = false;
    bool LabelVertical = false;
    Integer FrameWidth = 1;
    Word FrameTyp = 0;
    bool ClearAsWhite = false;
    bool ShowBandName = true;
    bool BandNameRus = true;
    bool CoordMM = false;
    bool CheckDimensions = true;
    Integer BMasterCount = 3;
    Integer BDetailCount = 3;
    Integer BSubDetailCount = 2;
};

class TDocument : public TComponent {
    PRICETAGS_CLASS(TDocument, TComponent)
public:
    /// One empty portrait page selected; Charset 204; scale 1.0.
    explicit TDocument(TComponent* AOwner);
    ~TDocument() override;

    // ---- published properties ----
    /// True when any margin is non-zero; the value written is kept apart.
    [[nodiscard]] bool Margins() const;
    void SetMargins(bool Value) { FMarginsFlag = Value; }
    [[nodiscard]] bool MarginsFlag() const { return FMarginsFlag; }
    [[nodiscard]] const AnsiString& Title() const { return FTitle; }
    void SetTitle(const AnsiString& Value) { FTitle = Value; }
    [[nodiscard]] TStrings* Variables() const;
    /// Assigns Value's lines into the document's own list.
    void SetVariables(TStrings* Value);
    /// The stored name, or Title when that is empty.
    [[nodiscard]] AnsiString NameDocument() const;
    void SetNameDocument(const AnsiString& Value) { FNameDocument = Value; }
    /// The name as stored in templates (no fallback).
    [[nodiscard]] const AnsiString& StoredNameDocument() const { return FNameDocument; }
    [[nodiscard]] const AnsiString& NameSaveFile() const { return FNameSaveFile; }
    void SetNameSaveFile(const AnsiString& Value);
    [[nodiscard]] Integer Category() const { return FCategory; }
    void SetCategory(Integer Value) { FCategory = Value; }
    [[nodiscard]] Integer Version() const { return FVersion; }
    void SetVersion(Integer Value) { FVersion = Value; }
    [[nodiscard]] Byte Charset() const { return FCharset; }
    void SetCharset(Byte Value) { FCharset = Value; }
    [[nodiscard]] bool DefSaveAsIni() const { return FDefSaveAsIni; }
    void SetDefSaveAsIni(bool Value) { FDefSaveAsIni = Value; }

    // ---- events ----
    TBeginDocEvent OnBeginDoc;
    TEndDocEvent OnEndDoc;
    TBeginPageEvent OnBeginPage;
    TEndPageEvent OnEndPage;
    TDetailEvent OnGetValue;
    TEnterRectEvent OnEnterRect;
    TOwnerDrawEvent OnOwnerDraw;
    TNeedDataEvent OnNeedData;
    TProgressEvent OnProgress;
    TNotifyEvent OnBegDesign;
    TNotifyEvent OnEndDesign;
    TNotifyEvent OnBegPrintView;
    TNotifyEvent OnEndPrintView;
    TLoadSaveEvent OnLoadBegin;
    TLoadSaveEvent OnSaveBegin;
    TNotifyEvent OnLoadEnd;
    TNotifyEvent OnSaveEnd;
    TSaveDesignEvent OnSaveDesign;
    TSetPrinterEvent OnSetPrinterEvent;

    // ---- pages ----
    /// Frees generated and template pages, PageIndex -1, designer defaults.
    void Clear();
    /// Clear, then an empty portrait page 0 selected.
    void New();
    /// Appends an empty page; returns its index.
    int AddPage(Byte AOrientation);
    /// Frees template page Index (which must exist) and removes it; the
    /// selected page stays within the list.
    void DeletePage(int Index);
    [[nodiscard]] int PageCount() const { return static_cast<int>(FPages.size()); }
    [[nodiscard]] TPage* GetPage(int Index) const;
    [[nodiscard]] int PageIndex() const { return FPageIndex; }
    /// Selects page i, appending empty portrait pages until it exists.
    /// i must not be negative.
    void SetPageIndex(int i);
    /// The selected page; null when PageIndex is negative or past the end.
    [[nodiscard]] TPage* CurrentPage() const;
    /// Selected elements on the selected page.
    [[nodiscard]] int SelectedCount() const;
    /// Stores a new Scale and makes every element recompute its pixels.
    void SetScale(Extended Value);
    [[nodiscard]] Extended Scale() const { return FScale; }
    /// Display name of a band kind (Russian with the designer's
    /// BandNameRus).
    [[nodiscard]] AnsiString BandName(int b) const;

    // ---- generated pages ----
    void ClearPageInfos();
    /// Appends a new output page and returns it (owned by the document).
    TPageInfo* AddPageInfo();
    /// Appends an output page made elsewhere (a page read from a file).
    void AdoptPageInfo(std::unique_ptr<TPageInfo> Page);
    [[nodiscard]] TPageInfo* GetPageInfo(int i) const;
    [[nodiscard]] int PageInfoCount() const { return static_cast<int>(FPageInfos.size()); }

    // ---- printer metrics ----
    /// Refreshes the metrics when Force, when they are stale (PrnTick 0),
    /// when the printer changed or after 60 s, then sets the page extent of
    /// the selected page's orientation and restarts the period.
    void UpdatePrnInfo(bool Force);
    /// Page width, offsets and height of an orientation, 96-dpi pixels; the
    /// template's own paper replaces the printer's when set.
    void GetPageExtent(Byte Orientation, int& APageWidth, int& AOffsetY, int& AOffsetX,
                       int& APageHeight);
    [[nodiscard]] TPrnInfo* PrnInfo(int Orientation) const;
    /// Chooses the printer: the host's OnSetPrinterEvent when it answers
    /// true, else the printer named PrinterName when PrinterType is
    /// negative and it is installed, else the default printer.
    void SelectPrinter();
    /// UpdatePrnInfo(false), then the page extent of Orientation with each
    /// value multiplied by Factor and rounded.
    void GetScaledPageExtent(Byte Orientation, Extended Factor, int& APageWidth, int& AOffsetY,
                             int& AOffsetX, int& APageHeight);
    /// The scaled extent of the selected page's orientation into PageWidth,
    /// OffsetY, OffsetX and PageHeight.
    void SetScaledPageExtent(Extended Factor);
    /// (0, 0, PageWidth, PageHeight), moved by (-OffsetX, -OffsetY) in
    /// OutputMode.
    [[nodiscard]] TRect PageRect() const;
    /// PageRect shrunk by OffsetX on the left and right and OffsetY at the
    /// top and bottom.
    [[nodiscard]] TRect PrintRect() const;
    /// Checks every template page's elements against the paper and the
    /// printable area (the page's extent and flags); 3 when any lies
    /// outside the printable area, else 1 when any lies outside the paper,
    /// else 0.
    int CheckPrintArea();
    /// Brings every template page's elements into the printable area:
    /// elements above it move down to its top, elements below it move up in
    /// groups, and (Proportional) elements are squeezed across by the
    /// extent of the last check; then each is clamped into the area.
    void FitIntoPrintArea(bool Proportional);

    // ---- building and printing ----
    /// Generates all output pages (one drawing each) from the template
    /// pages with the host's data. OutputMode stays set afterwards.
    virtual void BuildReport();
    /// Output page i ready for drawing: pages appended until it exists, a
    /// new drawing of the printable size, the selected page's extent.
    TPageInfo* PreparePageInfo(int i);
    /// Ends drawing on the current output page.
    void CloseCurCanvas();
    /// Prints output pages From..To (1-based; From below 1 is 1, To below 1
    /// or past the last page is the last page) in Copies copies, collated
    /// or page by page, one job per run of pages of one orientation.
    /// Raises Exception "Нет данных для печати" without output pages and
    /// "Принтер не установлен" when no printer is installed.
    void Print(int From, int To, int Copies, bool Collate);
    /// The device rectangle an output page is drawn into on a printer of
    /// metrics Info (margins and fitting applied).
    [[nodiscard]] TRect PrintPageRect(const TPageInfo& Page, const TPrnInfo& Info) const;

    // ---- the print view ----
    /// Opens the print view of a freshly built report (shown modally when
    /// Modal, else without waiting). When the view is open it is only
    /// brought to the front. Raises what the build raises.
    void PrintView(bool Modal);
    /// Opens the print view of a saved generated-report file: the document
    /// is reset with New and built empty, and the file read into the view.
    /// A file that fails the check has been refused in an error box and no
    /// view stays open; false then.
    bool PrintViewFile(const AnsiString& FileName, bool Modal);
    /// The open print view (owned by the application); null when none.
    [[nodiscard]] TPreviewForm* PreviewForm() const { return FPreviewForm; }
    /// Set and cleared by the print view itself.
    void SetPreviewForm(TPreviewForm* Form) { FPreviewForm = Form; }

    // ---- the designer ----
    /// Opens the designer window on this document (shown modally when
    /// Modal); when it is open it is only brought to the front.
    void Design(bool Modal);
    /// The open designer window (owned by the application); null when none.
    [[nodiscard]] TDesignForm* DesignForm() const { return FDesignForm; }
    /// Set and cleared by the designer window itself.
    void SetDesignForm(TDesignForm* Form) { FDesignForm = Form; }

    // ---- data for the build ----
    /// Built-in variables (NAMEDOCUMENT, DATE, PAGE, LINE...); ParValue is
    /// left untouched for any other name.
    virtual void GetSystemValue(TBandType b, const AnsiString& ParName, AnsiString& ParValue);
    void DoBeginDoc();
    /// Zeroes the line counters, then fires OnBeginPage (or loads the
    /// sample counters during a sample preview).
    void DoBeginPage(int pg, TStringList* MasterMemo, TStringList* DetailMemo,
                     TStringList* SubDetailMemo);
    /// Asks the host (or the sample counters) for another row and advances
    /// the line counters.
    void DoNeedData(TBandType b, bool& NeedMore);
    /// Asks the host; when it left ParValue at VarNotAnswered, the built-in
    /// variables.
    void DoGetValue(TBandType b, const AnsiString& ParName, AnsiString& ParValue);
    void DoProgress(int n);

    // ---- template files ----
    /// Reads a binary template from the stream's position (with or without
    /// the leading "Report Description File"). Undo reads the elements'
    /// selection too.
    void LoadFromStream(TStream& Stream, bool Undo);
    /// Writes "FRDCR" and the records at the stream's position.
    void SaveToStream(TStream& Stream, bool Undo);
    /// Reads a template from a stream in either form (sniffed).
    void LoadFromAnyStream(TStream& Stream);
    void LoadFromIni(TIniFile& Ini, const AnsiString& Prefix);
    void SaveToIni(TIniFile& Ini, const AnsiString& Prefix);
    /// Skips a leading "Report Description File" string; a stream starting
    /// with "FRDCR" stays where it was; anything else is the load error.
    void ReadFileHeader(TStream& Stream);
    /// The form of the stream's first 47 bytes (position kept): ini with
    /// AsIni, else binary.
    [[nodiscard]] static bool DetectFormat(TStream& Stream, bool AsIni);
    /// tip 0 either form, 1 binary, 2 ini; false when no such file exists.
    /// Raises Exception "IsCfgFile0: Неправильный параметр tip" for tip 3+.
    [[nodiscard]] bool IsCfgFile0(const AnsiString& FileName, int tip);
    [[nodiscard]] bool IsBinCfgFile(const AnsiString& FileName) { return IsCfgFile0(FileName, 1); }
    [[nodiscard]] bool IsIniCfgFile(const AnsiString& FileName) { return IsCfgFile0(FileName, 2); }
    /// FileName (or NameSaveFile when empty), with ".dcf" (AsIni) or ".dcr"
    /// appended when it has no extension and names no existing file. The
    /// name of an existing file is given as it is spelled on disk.
    [[nodiscard]] AnsiString GetTemplateFileName(const AnsiString& FileName, bool AsIni);
    void LoadFromBinaryFile(const AnsiString& FileName);
    /// Written through a temporary file; nothing happens when ReadOnly.
    void SaveToBinaryFile(const AnsiString& FileName);
    void LoadFromIniFile(const AnsiString& FileName);
    /// Rewrites the whole file; nothing happens when ReadOnly.
    void SaveToIniFile(const AnsiString& FileName);
    /// Reads only the header (name, category, version, margins) of a binary
    /// template; false, and nothing read, for any other file.
    bool LoadHeaderFromFile(const AnsiString& FileName);
    /// The template named by NameSaveFile: through OnLoadBegin's stream
    /// when the host gives one, else from the file in its own form.
    void Load();
    /// To NameSaveFile: through OnSaveBegin's stream when the host gives
    /// one, else to the file, an existing file keeping its form.
    void Save();

    // ---- state stored in templates ----
    Integer SourceVersion = 1;
    bool DoubleOnSheet = false;
    Integer MarginLeft = 0;
    Integer MarginRight = 0;
    Integer MarginBottom = 0;
    Integer MarginTop = 0;
    Integer PrinterType = 0;
    AnsiString PrinterName;
    bool PrinterPageDefaultSize = true;
    Integer PrinterPageWidth = 0;
    Integer PrinterPageHeight = 0;
    Integer PrinterPageOffsetX = 0;
    Integer PrinterPageOffsetY = 0;
    bool PrintStretchDraw = true;
    bool ViewCopyToClipboardEnable = true;
    /// Designer settings (owned).
    std::unique_ptr<T_RPDefDesigner> DefDesigner;

    // ---- run-time state ----
    Integer PageNo = 0;
    Integer PageWidth = 0;
    Integer PageHeight = 0;
    Integer OffsetX = 0;
    Integer OffsetY = 0;
    /// Tick of the last metrics check; 0 when stale.
    Cardinal PrnTick = 0;
    /// Printer the metrics belong to; -1 at creation, -2 on fallback.
    Integer PrnIndex = -1;
    Integer DefaultPrinterIndex = -1;
    Integer LineMaster = 0;
    Integer LineDetail = 0;
    Integer LineSubDetail = 0;
    Integer LineDetailTotal = 0;
    Integer LineSubDetailTotal = 0;
    Integer SampleMaster = 0;
    Integer SampleDetail = 0;
    Integer SampleSubDetail = 0;
    Integer UsedHeight = 0;
    /// Bottom of the body area of the current output page, pixels.
    Integer PageLimit = 0;
    /// Running bottom of a band's measuring pass, band-relative pixels.
    Integer GrowBottom = 0;
    /// The canvas of the output page being drawn (null between pages).
    TCanvas* CurCanvas = nullptr;
    bool HeaderOnly = false;
    bool IniRewrite = false;
    bool Saved = false;
    /// The newest undo snapshot holds the present state.
    bool StateStored = false;
    bool DesignerOpen = false;
    bool PrintViewOpen = false;
    bool SamplePreview = false;
    bool OutputMode = false;
    bool Printing = false;
    bool ReadOnly = false;

protected:
    void DoLoadBegin(TStream*& sm);
    void DoSaveBegin(TStream*& sm);

private:
    /// A document to read a template into, with this one's settings and
    /// printer state; this one is untouched until the read has succeeded.
    [[nodiscard]] std::unique_ptr<TDocument> MakeStaging() const;
    /// Takes Staging's pages, settings, designer and printer state.
    void AdoptTemplate(TDocument& Staging);
    void CopyTemplateSettings(const TDocument& From);
    void CopyPrinterState(const TDocument& From);
    void ReadBinary(TStream& Stream, bool Undo);
    /// Reads the binary template of File (named Name, as on disk) through
    /// a staging document and takes it; nothing changes when that raises.
    void ReadBinaryFile(TStream& File, const AnsiString& Name);
    void ReadDocumentTags(TStream& Stream, bool Undo);
    void ReadDesigner(TStream& Stream);
    void ReadPages(TStream& Stream, int Count, bool Undo);
    /// ViewsRead counts the elements read on the pages so far.
    void ReadPage(TStream& Stream, int Count, bool Undo, Int64& ViewsRead);
    void ReadIni(TIniFile& Ini, const AnsiString& Prefix);
    void ReadIniDesigner(TIniFile& Ini, const AnsiString& Section);
    void WriteDesigner(TStream& Stream);
    void WriteIniDesigner(TIniFile& Ini, const AnsiString& Section);
    /// A picture element's bitmap from the file its first line names;
    /// failures leave the picture empty.
    void ReloadPicture(TView* View);
    /// Fits the designer's window placement to the screen.
    void FitDesignerPlacement();
    void RefreshPrnInfo(bool Force);
    [[nodiscard]] AnsiString DefaultExt() const;
    void SaveToFileOfName(const AnsiString& Name);

    bool FMarginsFlag = false;
    AnsiString FTitle;
    std::unique_ptr<TStringList> FVariables;
    AnsiString FNameDocument;
    AnsiString FNameSaveFile;
    Integer FCategory = 0;
    Integer FVersion = 0;
    Byte FCharset = 204;
    bool FDefSaveAsIni = true;
    Extended FScale = 1.0;
    int FPageIndex = -1;
    std::vector<std::unique_ptr<TPage>> FPages;
    std::vector<std::unique_ptr<TPageInfo>> FPageInfos;
    std::unique_ptr<TPrnInfo> FPrnInfo[2];
    TPreviewForm* FPreviewForm = nullptr;
    TDesignForm* FDesignForm = nullptr;
    /// Opens a print view over what stands; FileName read into it when
    /// not empty.
    bool OpenPrintView(const AnsiString& FileName, bool Modal);
    /// Frees an open print view (it no longer refers to this document).
    void CloseOpenPrintView();
    /// Frees an open designer window.
    void CloseOpenDesigner();
};

/// Keeps a document's Scale at 1.0 for the scope, then restores it.
class ScaleOneScope {
public:
    explicit ScaleOneScope(TDocument& Doc);
    ~ScaleOneScope();
    ScaleOneScope(const ScaleOneScope&) = delete;
    ScaleOneScope& operator=(const ScaleOneScope&) = delete;

private:
    TDocument& FDoc;
    Extended FSaved;
};
