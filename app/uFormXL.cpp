#include "app/uFormXL.h"

#include "app/AnalizeResult.h"
#include "app/MainInvoice.h"
#include "common/Funcs.h"
#include "common/FuncsVCL.h"
#include "common/MsgWin.h"
#include "common/YLDCompn.h"
#include "common/YLDGrids.h"
#include "common/reports/RP_Document.h"
#include "platform/classes/Strings.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/SheetView.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Variant.h"
#include "platform/sheets/ExcelApplication.h"
#include "platform/sheets/Workbook.h"

#include <algorithm>
#include <vector>

PRICETAGS_DEFINE_CLASS(TFormXL)

TFormXL* FormXL = nullptr;

namespace {

/// The region picker's captions, column by column.
const char* const PickerCaptions[] = {
    "Лв/Вх", "Лев", "Лв/Низ", "(Шапка)",  // left column
    "Верх", "[область]", "Низ", "",       // middle column
    "Пв/Вх", "Прав", "Пв/Низ", "(Итог)",  // right column
};

/// The pale blue of the used range.
constexpr Integer UsedRangeColor = 200 | 240 << 8 | 254 << 16;

constexpr int ModeArticles = 2;

/// The used range of a sheet printed as the spreadsheet prints it: pages
/// of cells with grid lines, down the rows first, then across the columns;
/// widths and heights as the sheet view shows them.
class SheetPrintDocument : public TDocument {
public:
    explicit SheetPrintDocument(const ExcelWorksheet& Sheet) : TDocument(nullptr), FSheet(Sheet)
    {
        SetNameDocument("Просмотр: "_a + Sheet.Name());
    }

    void BuildReport() override
    {
        New();
        ClearPageInfos();
        // The first page tells the printable width; it is drawn again below.
        FPrintableWidth = PreparePageInfo(0)->DrawingWidth();
        const ExcelRange Used = FSheet.UsedRange();
        const int Top = Used.Row();
        const int Left = Used.Column();
        const int Bottom = Top + Used.Rows().Count() - 1;
        const int Right = Left + Used.Columns().Count() - 1;
        const std::vector<int> Widths = ColumnWidths(Left, Right);
        const std::vector<int> Heights = RowHeights(Top, Bottom);
        int Page = 0;
        for (int Col = Left; Col <= Right;) {
            int PageWidth = 0;
            int LastCol = Col;
            for (int C = Col; C <= Right; ++C) {
                if (C > Col && PageWidth + Widths[size_t(C - Left)] > FPrintableWidth)
                    break;
                PageWidth += Widths[size_t(C - Left)];
                LastCol = C;
            }
            for (int Row = Top; Row <= Bottom;) {
                TPageInfo* Info = PreparePageInfo(Page++);
                TCanvas& C = *Info->Canvas();
                C.Font()->SetName("Arial");
                C.Font()->SetSize(10);
                int Y = 0;
                int R = Row;
                for (; R <= Bottom; ++R) {
                    const int H = Heights[size_t(R - Top)];
                    if (R > Row && Y + H > Info->DrawingHeight())
                        break;
                    int X = 0;
                    for (int Cl = Col; Cl <= LastCol; ++Cl) {
                        const int W = Widths[size_t(Cl - Left)];
                        DrawCell(C, Rect(X, Y, X + W, Y + H), R, Cl);
                        X += W;
                    }
                    Y += H;
                }
                Info->CloseCanvas();
                Row = R;
            }
            Col = LastCol + 1;
        }
        PageNo = Page;
    }

private:
    std::vector<int> ColumnWidths(int Left, int Right) const
    {
        const WorkbookSheet& Data = FSheet.Data();
        std::vector<int> Widths(size_t(Right - Left + 1),
                                SheetView::DefaultColumnPixels(Data.DefaultColumnWidth));
        for (const WorkbookColumns& Run : Data.Columns)
            for (int C = std::max<int>(Run.First, Left); C <= std::min<int>(Run.Last, Right); ++C)
                Widths[size_t(C - Left)] = Run.Hidden ? 0 : SheetView::ColumnPixels(Run.Width);
        return Widths;
    }
    std::vector<int> RowHeights(int Top, int Bottom) const
    {
        const WorkbookSheet& Data = FSheet.Data();
        std::vector<int> Heights(size_t(Bottom - Top + 1),
                                 SheetView::RowPixels(Data.DefaultRowHeight));
        for (const WorkbookRow& R : Data.Rows)
            if (int(R.Row) >= Top && int(R.Row) <= Bottom)
                Heights[size_t(int(R.Row) - Top)] = SheetView::RowPixels(R.Height);
        return Heights;
    }
    void DrawCell(TCanvas& C, const TRect& R, int Row, int Column) const
    {
        if (R.Width() <= 0 || R.Height() <= 0)
            return;
        C.Pen()->SetColor(clSilver);
        C.Brush()->SetStyle(bsClear);
        C.Rectangle(R.Left, R.Top, R.Right + 1, R.Bottom + 1);
        const WorkbookCell* Cell = FSheet.Data().Find(uint32_t(Row), uint32_t(Column));
        if (!Cell || Cell->Kind == CellKind::Blank)
            return;
        const AnsiString Text = WorkbookCellText(FSheet.Book(), *Cell);
        const TSize Size = C.TextExtent(Text);
        const int X = Cell->Kind == CellKind::Number ? R.Right - Size.cx - 2 : R.Left + 2;
        C.TextRect(Rect(R.Left + 1, R.Top + 1, R.Right, R.Bottom), X, R.Bottom - Size.cy - 1, Text);
    }

    const ExcelWorksheet& FSheet;
    /// Printable width of a page.
    int FPrintableWidth = 0;
};

void PreviewSheet(const ExcelWorksheet& Sheet)
{
    SheetPrintDocument Document(Sheet);
    Document.PrintView(/*Modal=*/true);
}

/// What a row role takes from a selection: the first row, the last row.
bool IsRowKind(Byte Kind)
{
    return Kind == KindHeaderRow || Kind == KindFirstRow || Kind == KindLastRow;
}

}  // namespace

TFormXL& GetFormXL()
{
    if (!FormXL)
        FormXL = new TFormXL(Application);
    return *FormXL;
}

TFormXL::TFormXL(TComponent* AOwner) : TForm(AOwner), FExcel(CreateOleObject("Excel.Application"))
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    SetComponentsFonts(this, {nullptr});
    BaseCaption = Caption() + " ";
    SetExcelPrintPreview(&PreviewSheet);
}

TFormXL::~TFormXL()
{
    // The view lets go of the sheet before the workbook goes.
    ole1->SetSheet(nullptr);
    if (FormXL == this)
        FormXL = nullptr;
}

void TFormXL::BuildControls()
{
    SetName("FormXL");
    SetCaption("Настройка документа Excel"_a);
    // Room for a supplier's six or seven columns beside the picker.
    SetClientWidth(1000);
    SetClientHeight(600);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    OnShow = TNotifyEvent(this, &TFormXL::FormShow);
    OnClose = TCloseEvent(this, &TFormXL::FormClose);

    pnRight = new TPanel(this);
    pnRight->SetName("pnRight");
    pnRight->SetParent(this);
    pnRight->SetAlign(alRight);
    pnRight->SetWidth(200);
    pnRight->SetBevelOuter(bvNone);
    pnRight->SetCaption("");

    // The picker and "Найти автоматом" above the analysis grid, the other
    // buttons under it; the grid takes the height between.
    auto* pnPicker = new TPanel(this);
    pnPicker->SetName("pnPicker");
    pnPicker->SetParent(pnRight);
    pnPicker->SetAlign(alTop);
    pnPicker->SetHeight(148);
    pnPicker->SetBevelOuter(bvNone);
    pnPicker->SetCaption("");

    lbRegion = new TLabel(this);
    lbRegion->SetName("lbRegion");
    lbRegion->SetParent(pnPicker);
    lbRegion->SetCaption("Отметить область данных:"_a);
    lbRegion->SetBounds(8, 6, 184, 13);

    bv = new Tyl_Bevel(this);
    bv->SetName("bv");
    bv->SetParent(pnPicker);
    bv->SetCols(3);
    bv->SetRows(4);
    bv->SetBounds(7, 22, 186, 88);
    // The picked cell's caption in the highlight colour: in the light 3D
    // colour it would vanish into the button face.
    bv->SetSelColor(clHighlight);
    bv->SetOptions({boSelPressed, boSelShow});
    {
        TStringList Caps;
        for (const char* Caption : PickerCaptions)
            Caps.Add(AnsiString::FromUtf8(Caption));
        bv->SetCaps(&Caps);
    }
    bv->OnClick = TNotifyEvent(this, &TFormXL::bvClick);
    bv->OnChangeSel = TBv0ChangeEvent(this, &TFormXL::bvChangeSel);

    btAnalize = new TButton(this);
    btAnalize->SetName("btAnalize");
    btAnalize->SetParent(pnPicker);
    btAnalize->SetCaption("Найти автоматом"_a);
    btAnalize->SetBounds(7, 116, 186, 25);
    btAnalize->OnClick = TNotifyEvent(this, &TFormXL::btAnalizeClick);

    auto* pnButtons = new TPanel(this);
    pnButtons->SetName("pnButtons");
    pnButtons->SetParent(pnRight);
    pnButtons->SetAlign(alBottom);
    pnButtons->SetHeight(96);
    pnButtons->SetBevelOuter(bvNone);
    pnButtons->SetCaption("");

    btUsedRange = new TButton(this);
    btUsedRange->SetName("btUsedRange");
    btUsedRange->SetParent(pnButtons);
    btUsedRange->SetCaption("Диапазон"_a);
    btUsedRange->SetBounds(7, 4, 90, 25);
    btUsedRange->OnClick = TNotifyEvent(this, &TFormXL::btUsedRangeClick);

    btReload = new TButton(this);
    btReload->SetName("btReload");
    btReload->SetParent(pnButtons);
    btReload->SetCaption("Снова"_a);
    btReload->SetBounds(103, 4, 90, 25);
    btReload->OnClick = TNotifyEvent(this, &TFormXL::btReloadClick);

    btPreview = new TButton(this);
    btPreview->SetName("btPreview");
    btPreview->SetParent(pnButtons);
    btPreview->SetCaption("PrintPreview");
    btPreview->SetBounds(7, 34, 186, 25);
    btPreview->OnClick = TNotifyEvent(this, &TFormXL::btPreviewClick);

    btTransfer = new TButton(this);
    btTransfer->SetName("btTransfer");
    btTransfer->SetParent(pnButtons);
    btTransfer->SetCaption("Экспорт в гл.форму"_a);
    btTransfer->SetBounds(7, 64, 186, 25);
    btTransfer->Font()->SetStyle({fsBold});
    btTransfer->OnClick = TNotifyEvent(this, &TFormXL::btTransferClick);

    gdItems = new Tyl_DataDrawGrid(this);
    gdItems->SetName("gdItems");
    gdItems->SetParent(pnRight);
    gdItems->SetAlign(alClient);
    gdItems->SetColCount(2);
    gdItems->SetFixedCols(0);
    gdItems->SetRowCount(2);
    gdItems->SetFixedRows(1);
    gdItems->SetDefaultRowHeight(18);
    gdItems->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine,
                         goDrawFocusSelected, goColSizing, goEditing});
    TColumn* Name = gdItems->Columns()->Add();
    Name->Title()->SetCaption("Наименование"_a);
    Name->Title()->Font()->SetStyle({fsBold});
    Name->SetWidth(95);
    Name->SetMinWidth(80);
    Name->SetColor(clBtnFace);
    TColumn* Value = gdItems->Columns()->Add();
    Value->Title()->SetCaption("Значение"_a);
    Value->SetWidth(87);
    Value->SetMinWidth(35);
    Value->SetAlignment(taRightJustify);
    Value->SetAutoSize(true);
    gdItems->OnGetEditText = TGetEditEvent(this, &TFormXL::gdItemsGetEditText);
    gdItems->OnSetEditText = TSetEditEvent(this, &TFormXL::gdItemsSetEditText);
    gdItems->OnShowEditor = TEditShowEvent(this, &TFormXL::gdItemsShowEditor);
    gdItems->OnAcceptEditKey = TAcceptKeyEvent(this, &TFormXL::gdItemsAcceptEditKey);
    gdItems->OnColumnSized = TNotifyEvent(this, &TFormXL::gdItemsColumnSized);
    gdItems->OnDblClick = TNotifyEvent(this, &TFormXL::gdItemsDblClick);

    ole1 = new SheetView(this);
    ole1->SetName("ole1");
    ole1->SetParent(this);
    ole1->SetAlign(alClient);
}

// ---- showing and opening ------------------------------------------------------------------

void TFormXL::ShowFormXL(const AnsiString& AFileName, Integer AMode)
{
    SetFormOwnerWindow(this, FormMain);
    FileName = AFileName;
    Mode = AMode;
    Analysis = Mode != ModeArticles ? std::make_unique<TAnalizeResult>()
                                    : TAnalizeResult::CreateForArticles();
    FFoundFirst = FFoundLast = -1;
    gdItems->SetRowCount(Analysis->Count() + gdItems->FixedRows());
    gdItems->Invalidate();
    if (Visible()) {
        // Shown already: the caption and the window-menu entry follow the
        // new workbook and mode.
        if (FormMain)
            FormMain->RemoveWindowMenuItem(this);
        FormShow(this);
    }
    Show();
    PostMessage(Handle(), WM_OPENWORKBOOK, 0, 0);
}

void TFormXL::FormShow(TObject*)
{
    if (FormMain)
        FormMain->AddWindowMenuItem(this, Mode == ModeArticles ? "Артикулы"_a : "Накладная"_a);
    SetCaption(BaseCaption + "["
               + (Mode == ModeArticles ? "Файл с описанием товаров: "_a : "Накладная: "_a)
               + "\"" + FileName + "\"" + " ]");
}

void TFormXL::FormClose(TObject*, TCloseAction&)
{
    if (FormMain)
        FormMain->RemoveWindowMenuItem(this);
    if (FExcel->Workbooks().Count() > 0)
        FExcel->Application().Quit();
    ole1->SetSheet(nullptr);
}

void TFormXL::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_OPENWORKBOOK) {
        OpenWorkbook();
        return;
    }
    inherited::Dispatch(Message);
}

void TFormXL::OpenWorkbook()
{
    if (Analysis)
        Analysis->Reset();
    FFoundFirst = FFoundLast = -1;
    Application->ProcessMessages();
    ole1->SetSheet(nullptr);
    FExcel->Application().Quit();
    try {
        FExcel->Workbooks().Open(FileName);
        ole1->SetSheet(&FExcel->ActiveSheet());
    } catch (const Exception& E) {
        // The workbook could not be read: said once, the window stays with
        // an empty sheet, nothing else changes.
        ErrorMsg("Ошибка: Не могу открыть документ|"_a + E.Message);
        gdItems->Invalidate();
        return;
    }
    FExcel->ActiveSheet().Cells(1, 1).Select();
    if (ole1->CanFocus())
        ole1->SetFocus();
    gdItems->Invalidate();
}

void TFormXL::btReloadClick(TObject*)
{
    OpenWorkbook();
}

void TFormXL::btUsedRangeClick(TObject*)
{
    FExcel->Application().ActiveSheet().UsedRange().Select();
    FExcel->Application().ActiveSheet().UsedRange().Interior().SetColor(UsedRangeColor);
}

void TFormXL::btPreviewClick(TObject*)
{
    // The preview is a look only: whatever goes wrong in it is not the
    // operator's concern here.
    try {
        FExcel->ActiveSheet().PrintPreview();
        FExcel->Visible = false;
    } catch (const Exception&) {
    }
}

// ---- analysis -----------------------------------------------------------------------------

void TFormXL::Analyse(const Variant& Table)
{
    if (Mode == ModeArticles)
        Analysis->AnalizeArticles(Table);
    else
        Analysis->AnalizeInvoice(Table, nullptr);
    FFoundFirst = Analysis->IndexOfKind(KindFirstRow);
    FFoundLast = Analysis->IndexOfKind(KindLastRow);
}

void TFormXL::btAnalizeClick(TObject*)
{
    const BusyCursor Busy;
    const ExcelRange Used = FExcel->Application().ActiveSheet().UsedRange();
    const Variant Table = Used.Value();
    Analysis->FirstCol = Used.Cells(1, 1).Column();
    Analysis->FirstRow = Used.Cells(1, 1).Row();
    Analyse(Table);
    gdItems->Invalidate();
}

void TFormXL::EnsureOffsets()
{
    if (Analysis->FirstRow >= 0 && Analysis->FirstCol >= 0)
        return;
    const ExcelRange First = FExcel->Application().ActiveSheet().UsedRange().Cells(1, 1);
    Analysis->FirstCol = First.Column();
    Analysis->FirstRow = First.Row();
}

void TFormXL::StoreSheetNumber(TAnResItem& Item, int Number)
{
    // A whole column picked reaches row 65536, far past the table: the
    // picks stay inside the used range, so that the import reads no row
    // that is not there.
    const ExcelRange Used = FExcel->Application().ActiveSheet().UsedRange();
    const bool Row = IsRowKind(Item.Kind);
    const int First = Row ? Used.Row() : Used.Column();
    const int Last = First + (Row ? Used.Rows().Count() : Used.Columns().Count()) - 1;
    Item.SetValueText(IntToStr(std::clamp(Number, First, Last)));
}

TAnResItem* TFormXL::ItemOfRow(int ARow) const
{
    const int Index = ARow - gdItems->FixedRows();
    if (!Analysis || Index < 0 || Index >= Analysis->Count())
        return nullptr;
    return Analysis->GetItem(Index);
}

// ---- the region picker ----------------------------------------------------------------------

void TFormXL::bvChangeSel(TObject*, int ACol, int ARow)
{
    SelCol = ACol;
    SelRow = ARow;
}

void TFormXL::bvClick(TObject*)
{
    const ExcelRange Sel = FExcel->Application().Selection();
    EnsureOffsets();
    const int Top = Sel.Cells(1, 1).Row();
    const int Left = Sel.Cells(1, 1).Column();
    const int Bottom = Top + Sel.Rows().Count() - 1;
    const int Right = Left + Sel.Columns().Count() - 1;
    auto Store = [this](Byte Kind, int Number) {
        if (TAnResItem* Item = Analysis->FindByKind(Kind))
            StoreSheetNumber(*Item, Number);
    };
    if (SelRow == 3) {
        if (SelCol == 0)
            Store(KindHeaderRow, Top);
        else if (SelCol == 2) {
            if (TAnResItem* Total = Analysis->FindByKind(KindTotal))
                Total->SetValueText(CellValueText(Sel.Cells(1, 1).Value()));
        }
    } else {
        // Rows 0 to 2 and columns 0 to 2: a corner sets one row and one
        // column, "[область]" all four.
        if (SelRow == 0 || (SelRow == 1 && SelCol == 1))
            Store(KindFirstRow, Top);
        if (SelRow == 2 || (SelRow == 1 && SelCol == 1))
            Store(KindLastRow, Bottom);
        if (SelCol == 0 || (SelRow == 1 && SelCol == 1))
            Store(KindLeftColumn, Left);
        if (SelCol == 2 || (SelRow == 1 && SelCol == 1))
            Store(KindRightColumn, Right);
    }
    gdItems->Invalidate();
}

// ---- the analysis grid --------------------------------------------------------------------------

AnsiString TFormXL::ItemText(int ACol, int ARow) const
{
    if (ARow < gdItems->FixedRows())
        return AnsiString();
    const TAnResItem* Item = ItemOfRow(ARow);
    if (!Item)
        return AnsiString();
    if (ACol == 0)
        return Item->Name;
    if (Item->Kind == KindNone)
        return AnsiString();
    const bool NotFound = Item->Kind == KindTotal ? Item->Value < Currency() : Item->Index < 0;
    return NotFound ? AnsiString("  -  ") : Item->GetValueText();
}

void TFormXL::gdItemsGetEditText(TObject*, int ACol, int ARow, AnsiString& Value)
{
    Value = ItemText(ACol, ARow);
}

void TFormXL::gdItemsShowEditor(TObject*, int ACol, int ARow, bool& AllowEdit)
{
    const TAnResItem* Item = ItemOfRow(ARow);
    AllowEdit = ACol == 1 && Item && Item->Kind != KindNone;
}

bool TFormXL::gdItemsAcceptEditKey(TObject*, char& Key)
{
    const TAnResItem* Item = ItemOfRow(gdItems->Row());
    if (Item && Item->Kind == KindTotal) {
        if (!NumberChars().Contains(Key))
            return false;
        if (DecimalChars().Contains(Key))
            Key = FormatSettings().DecimalSeparator;
        return true;
    }
    return DigitChars().Contains(Key);
}

void TFormXL::gdItemsSetEditText(TObject*, int, int ARow, const AnsiString& Value)
{
    if (TAnResItem* Item = ItemOfRow(ARow))
        Item->SetValueText(Value);
}

void TFormXL::gdItemsColumnSized(TObject*)
{
    TColumn* Name = gdItems->Columns()->GetItem(0);
    TColumn* Value = gdItems->Columns()->GetItem(1);
    const int Client = gdItems->ClientWidth();
    if (Name->MinWidth() + Value->MinWidth() > Client)
        return;
    if (Name->Width() < Name->MinWidth())
        Name->SetWidth(Name->MinWidth());
    if (Client - Name->Width() < Value->MinWidth())
        Name->SetWidth(Client - Value->MinWidth());
}

void TFormXL::gdItemsDblClick(TObject*)
{
    TAnResItem* Item = ItemOfRow(gdItems->Row());
    if (!Item || Item->Kind == KindNone)
        return;
    const ExcelRange Sel = FExcel->Application().Selection();
    EnsureOffsets();
    const int Top = Sel.Cells(1, 1).Row();
    const int Left = Sel.Cells(1, 1).Column();
    switch (Item->Kind) {
    case KindHeaderRow:
    case KindFirstRow:
        StoreSheetNumber(*Item, Top);
        break;
    case KindLastRow:
        StoreSheetNumber(*Item, Top + Sel.Rows().Count() - 1);
        break;
    case KindRightColumn:
        StoreSheetNumber(*Item, Left + Sel.Columns().Count() - 1);
        break;
    case KindTotal:
        Item->SetValueText(CellValueText(Sel.Cells(1, 1).Value()));
        if (Item->Value == Currency())
            Item->Value = Currency(-1);
        break;
    default:
        // The left column and every data column.
        StoreSheetNumber(*Item, Left);
        break;
    }
    gdItems->Invalidate();
}

// ---- transfer ---------------------------------------------------------------------------------

void TFormXL::PrepareTransfer(const Variant& Table)
{
    const ExcelRange Used = FExcel->Application().ActiveSheet().UsedRange();
    if (Analysis->anRowList.Count() != Used.Rows().Count()) {
        // Never analysed: without the row statistics no row could be read.
        // The analysis runs now, and what the operator picked stands over
        // what it finds.
        struct Pick {
            TAnResItem* Item;
            Integer Index;
            Currency Value;
        };
        std::vector<Pick> Picks;
        for (int I = 0; I < Analysis->Count(); ++I) {
            TAnResItem* Item = Analysis->GetItem(I);
            if (Item->Kind == KindTotal ? Item->Value >= Currency() : Item->Index >= 0)
                Picks.push_back({Item, Item->Index, Item->Value});
        }
        Analyse(Table);
        for (const Pick& P : Picks) {
            P.Item->Index = P.Index;
            P.Item->Value = P.Value;
        }
    }
    // Rows a wider pick added to the block the analysis found are goods
    // rows too, unless they are empty; without this they would be skipped.
    const Integer First = std::max<Integer>(Analysis->IndexOfKind(KindFirstRow), 0);
    const Integer Last =
        std::min<Integer>(Analysis->IndexOfKind(KindLastRow), Analysis->anRowList.Count() - 1);
    for (Integer R = First; R <= Last; ++R) {
        if (FFoundFirst >= 0 && R >= FFoundFirst && R <= FFoundLast)
            continue;
        TStatAnalizeItem* Row = Analysis->anRowList.GetItem(R);
        if (!Row->Empty && R != Analysis->IndexOfKind(KindHeaderRow))
            Row->IsData = true;
    }
}

void TFormXL::btTransferClick(TObject*)
{
    {
        const BusyCursor Busy;
        const ExcelRange Used = FExcel->Application().ActiveSheet().UsedRange();
        const Variant Table = Used.Value();
        Analysis->FirstCol = Used.Cells(1, 1).Column();
        Analysis->FirstRow = Used.Cells(1, 1).Row();
        PrepareTransfer(Table);
        if (Mode == ModeArticles) {
            FormMain->ImportArticleTable(Table, *Analysis);
        } else {
            FormMain->ImportInvoiceTable(Table, *Analysis);
            FormMain->MatchArticles();
            FormMain->RefreshGrids();
        }
    }
    Close();
}
