// The print view window: controls, zoom and layout, paging, keys, the
// wheel, printing and the clipboard. Painting is in RP_PreviewFormPaint.cpp,
// files in RP_PreviewFormFile.cpp.

#include "common/reports/RP_PreviewForm.h"

#include "common/reports/RP_Document.h"
#include "common/base/Funcs.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Menus.h"
#include "platform/forms/Metafiles.h"
#include "platform/forms/Printers.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <array>

namespace {

constexpr int Edge = 10;
constexpr int ZoomTags[] = {500, 200, 150, 100, 75, 50, 25, 10};
constexpr const char* ModeCaptions[] = {"По ширине страницы", "Страница целиком", "Две страницы"};

/// Small pictures of the tool buttons, 16 x 16 on see-through fuchsia.
enum class Glyph {
    Exit, Open, Save, Print, Fit, Width, TwoPages, Full, PageSetup, Up, Down, Drop
};

TBitmap* ToolGlyph(Glyph Kind)
{
    static std::array<std::unique_ptr<TBitmap>, 12> Glyphs;
    auto& Slot = Glyphs[static_cast<size_t>(Kind)];
    if (Slot)
        return Slot.get();
    auto B = std::make_unique<TBitmap>();
    B->SetSize(16, 16);
    TCanvas* C = B->Canvas();
    C->Brush()->SetColor(clFuchsia);
    C->FillRect({0, 0, 16, 16});
    const auto Fill = [C](TColor Colour, const TRect& R) {
        C->Brush()->SetColor(Colour);
        C->FillRect(R);
    };
    const auto Frame = [C](TColor Colour, const TRect& R) {
        C->Brush()->SetColor(Colour);
        C->FrameRect(R);
    };
    const auto Sheet = [&](const TRect& R) {
        Fill(clWhite, R);
        Frame(clBlack, R);
    };
    const auto Lines = [&](int L, int T, int R, int Count) {
        for (int I = 0; I < Count; ++I)
            Fill(clNavy, {L, T + I * 2, R, T + I * 2 + 1});
    };
    switch (Kind) {
    case Glyph::Exit:
        Fill(clMaroon, {3, 1, 12, 15});
        Fill(clWhite, {5, 3, 10, 13});
        Fill(clMaroon, {7, 7, 9, 9});
        break;
    case Glyph::Open:
        Fill(clOlive, {1, 4, 14, 14});
        Fill(clYellow, {3, 7, 16, 14});
        Frame(clBlack, {1, 4, 14, 14});
        Fill(clOlive, {2, 2, 7, 4});
        break;
    case Glyph::Save:
        Fill(clNavy, {1, 1, 15, 15});
        Fill(clWhite, {4, 2, 12, 8});
        Fill(clSilver, {5, 10, 11, 15});
        Fill(clNavy, {9, 11, 10, 14});
        break;
    case Glyph::Print:
        Sheet({4, 1, 12, 7});
        Fill(clGray, {1, 7, 15, 13});
        Frame(clBlack, {1, 7, 15, 13});
        Sheet({4, 11, 12, 15});
        Fill(clLime, {12, 8, 14, 9});
        break;
    case Glyph::Fit:
        Sheet({3, 1, 13, 15});
        Lines(5, 4, 11, 5);
        break;
    case Glyph::Width:
        Sheet({1, 3, 15, 13});
        Fill(clNavy, {3, 7, 13, 9});
        Fill(clNavy, {3, 5, 4, 11});
        Fill(clNavy, {12, 5, 13, 11});
        break;
    case Glyph::TwoPages:
        Sheet({0, 2, 8, 14});
        Sheet({8, 2, 16, 14});
        Lines(2, 5, 6, 4);
        Lines(10, 5, 14, 4);
        break;
    case Glyph::Full:
        Sheet({2, 1, 14, 15});
        Lines(4, 3, 12, 6);
        Fill(clRed, {9, 10, 13, 14});
        break;
    case Glyph::PageSetup:
        Sheet({2, 1, 14, 15});
        Frame(clGray, {4, 3, 12, 13});
        Fill(clNavy, {6, 5, 10, 6});
        Fill(clNavy, {6, 8, 10, 9});
        break;
    case Glyph::Drop:
        for (int Row = 0; Row < 3; ++Row)
            Fill(clBlack, {5 + Row, 7 + Row, 10 - Row, 8 + Row});
        break;
    case Glyph::Up:
    case Glyph::Down:
        for (int Row = 0; Row < 5; ++Row) {
            const int Y = Kind == Glyph::Up ? 5 + Row : 10 - Row;
            Fill(clBlack, {7 - Row, Y, 9 + Row, Y + 1});
        }
        break;
    }
    Slot = std::move(B);
    return Slot.get();
}

int RoundInt(Extended Value)
{
    return static_cast<int>(Round(Value));
}

}  // namespace

// ---- layout maths ----------------------------------------------------------------------------

Extended ZoomForMode(int Mode, Extended Zoom, int W, int H, int PageW, int PageH)
{
    if (PageW > 0 && PageH > 0) {
        switch (Mode) {
        case 1: Zoom = static_cast<Extended>(W - 20) / PageW; break;
        case 2: Zoom = static_cast<Extended>(H - 20) / PageH; break;
        case 3:
            Zoom = std::min(static_cast<Extended>(W - 30) / (2 * PageW),
                            static_cast<Extended>(H - 20) / PageH);
            break;
        default: break;
        }
    }
    return std::max<Extended>(Zoom, 0.1);
}

PageLayout LayoutPages(const std::vector<TSize>& Sizes, int W, int Mode)
{
    PageLayout L;
    const int Count = static_cast<int>(Sizes.size());
    // The longest run of consecutive pages that fits across the box.
    int Best = 1;
    for (int From = 0; From < Count; ++From) {
        int X = Edge;
        int Run = 0;
        for (int I = From; I < Count; ++I) {
            X += Sizes[static_cast<size_t>(I)].cx;
            if (X > W)
                break;
            ++Run;
            X += Edge;
        }
        Best = std::max(Best, Run);
        if (Best >= Count - From)
            break;
    }
    if (Mode == 2)
        Best = 1;
    else if (Mode == 3)
        Best = 2;
    L.PagesPerRow = Best;
    int Top = Edge;
    int Right = 0;
    for (int RowStart = 0; RowStart < Count; RowStart += Best) {
        int X = Edge;
        int RowHeight = 0;
        for (int I = RowStart; I < std::min(Count, RowStart + Best); ++I) {
            const TSize S = Sizes[static_cast<size_t>(I)];
            int Left = X;
            // One page a row, narrower than the box: centred.
            if (Best == 1 && S.cx + 2 * Edge < W)
                Left = (W - S.cx) / 2;
            L.Rects.push_back(Rect(Left, Top, Left + S.cx, Top + S.cy));
            Right = std::max(Right, Left + S.cx);
            X += S.cx + Edge;
            RowHeight = std::max(RowHeight, S.cy);
        }
        Top += RowHeight + Edge;
    }
    L.Width = Right + Edge;
    L.Height = Top;
    return L;
}

// ---- the window ------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TPreviewForm)

TPreviewForm::TPreviewForm(TComponent* AOwner) : TForm(AOwner)
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    FBitmap = std::make_unique<TBitmap>();
    DoCreate();
}

TPreviewForm::~TPreviewForm()
{
    // FormDestroy: the document forgets the window (also when the window
    // goes with the application, without being closed).
    if (FDocument && FDocument->PreviewForm() == this) {
        FDocument->SetPreviewForm(nullptr);
        FDocument->PrintViewOpen = false;
    }
}

void TPreviewForm::BuildControls()
{
    SetName("PreviewForm");
    SetCaption("Предварительный просмотр"_a);
    SetKeyPreview(true);
    SetClientWidth(700);
    SetClientHeight(500);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    OnShow = TNotifyEvent(this, &TPreviewForm::FormShow);
    OnClose = TCloseEvent(this, &TPreviewForm::FormClose);
    OnCloseQuery = TCloseQueryEvent(this, &TPreviewForm::FormCloseQuery);
    OnKeyDown = TKeyEvent(this, &TPreviewForm::FormKeyDown);
    OnMouseWheel = TMouseWheelEvent(this, &TPreviewForm::FormMouseWheel);
    OnResize = TNotifyEvent(this, &TPreviewForm::FormResize);

    pnTools = new TPanel(this);
    pnTools->SetName("pnTools");
    pnTools->SetParent(this);
    pnTools->SetAlign(alTop);
    pnTools->SetHeight(30);
    pnTools->SetCaption("");

    int X = 3;
    const auto Button = [&](const char* Name, const AnsiString& Caption, Glyph Kind, int Width,
                            int Tag, void (TPreviewForm::*Click)(TObject*), const char* Hint) {
        auto* B = new TSpeedButton(this);
        B->SetName(Name);
        B->SetParent(pnTools);
        B->SetBounds(X, 3, Width, 24);
        B->SetCaption(Caption);
        B->SetGlyph(ToolGlyph(Kind));
        B->SetTag(Tag);
        B->SetFlat(true);
        B->SetHint(AnsiString::FromUtf8(Hint));
        B->SetShowHint(true);
        B->OnClick = TNotifyEvent(this, Click);
        X += Width + 1;
        return B;
    };
    const auto Gap = [&X] { X += 8; };
    ExitBtn = Button("ExitBtn", "Закрыть"_a, Glyph::Exit, 78, 0, &TPreviewForm::ExitBtnClick,
                     "Закрыть (Esc)");
    Gap();
    sbFit = Button("sbFit", "", Glyph::Fit, 25, 2, &TPreviewForm::ZoomClick, "Страница целиком");
    sbWidth = Button("sbWidth", "", Glyph::Width, 25, 1, &TPreviewForm::ZoomClick,
                     "По ширине страницы");
    SpeedButton2 = Button("SpeedButton2", "", Glyph::TwoPages, 25, 3, &TPreviewForm::ZoomClick,
                          "Две страницы");
    SpeedButton1 = Button("SpeedButton1", "", Glyph::Full, 25, 100, &TPreviewForm::ZoomClick,
                          "100%");
    ProcBtn = new TSpeedButton(this);
    ProcBtn->SetName("ProcBtn");
    ProcBtn->SetParent(pnTools);
    ProcBtn->SetBounds(X, 3, 60, 24);
    ProcBtn->SetFlat(true);
    ProcBtn->SetCaption("100%");
    ProcBtn->SetGlyph(ToolGlyph(Glyph::Drop));
    ProcBtn->SetLayout(blGlyphRight);
    ProcBtn->SetSpacing(0);
    ProcBtn->SetHint("Масштаб (пробел)"_a);
    ProcBtn->SetShowHint(true);
    ProcBtn->OnClick = TNotifyEvent(this, &TPreviewForm::ProcBtnClick);
    X += 61;
    Gap();
    LoadBtn = Button("LoadBtn", "", Glyph::Open, 25, 0, &TPreviewForm::LoadBtnClick,
                     "Открыть отчет (Ctrl+L)");
    SaveBtn = Button("SaveBtn", "", Glyph::Save, 25, 0, &TPreviewForm::SaveBtnClick,
                     "Сохранить отчет (Ctrl+S)");
    Gap();
    sbPageProp = Button("sbPageProp", "", Glyph::PageSetup, 25, 0,
                        &TPreviewForm::sbPagePropClick, "Параметры страницы");
    PrintBtn = Button("PrintBtn", "Печать"_a, Glyph::Print, 72, 0, &TPreviewForm::PrintBtnClick,
                      "Печать (Ctrl+P)");

    BPanel = new TPanel(this);
    BPanel->SetName("BPanel");
    BPanel->SetParent(this);
    BPanel->SetAlign(alBottom);
    BPanel->SetHeight(20);
    BPanel->SetBevelOuter(bvNone);
    BPanel->SetCaption("");

    Label1 = new TLabel(this);
    Label1->SetName("Label1");
    Label1->SetParent(BPanel);
    Label1->SetAlign(alLeft);
    Label1->SetAutoSize(false);
    Label1->SetWidth(90);
    Label1->SetLayout(tlCenter);
    Label1->SetAlignment(taCenter);
    Label1->SetCaption("");

    ProgressBar = new TProgressBar(this);
    ProgressBar->SetName("ProgressBar");
    ProgressBar->SetParent(BPanel);
    ProgressBar->SetAlign(alClient);
    ProgressBar->SetVisible(false);

    HScrollBar = new TScrollBar(this);
    HScrollBar->SetName("HScrollBar");
    HScrollBar->SetParent(BPanel);
    HScrollBar->SetAlign(alClient);
    HScrollBar->SetKind(sbHorizontal);
    HScrollBar->SetSmallChange(16);
    HScrollBar->OnScroll = TScrollEvent(this, &TPreviewForm::HScrollBarScroll);

    RPanel = new TPanel(this);
    RPanel->SetName("RPanel");
    RPanel->SetParent(this);
    RPanel->SetAlign(alRight);
    RPanel->SetWidth(17);
    RPanel->SetBevelOuter(bvNone);
    RPanel->SetCaption("");

    PgDown = new TSpeedButton(this);
    PgDown->SetName("PgDown");
    PgDown->SetParent(RPanel);
    PgDown->SetAlign(alBottom);
    PgDown->SetHeight(17);
    PgDown->SetGlyph(ToolGlyph(Glyph::Down));
    PgDown->SetHint("Следующая страница (Ctrl+PgDn)"_a);
    PgDown->SetShowHint(true);
    PgDown->OnClick = TNotifyEvent(this, &TPreviewForm::PgDownClick);

    PgUp = new TSpeedButton(this);
    PgUp->SetName("PgUp");
    PgUp->SetParent(RPanel);
    PgUp->SetAlign(alBottom);
    PgUp->SetHeight(17);
    PgUp->SetGlyph(ToolGlyph(Glyph::Up));
    PgUp->SetHint("Предыдущая страница (Ctrl+PgUp)"_a);
    PgUp->SetShowHint(true);
    PgUp->OnClick = TNotifyEvent(this, &TPreviewForm::PgUpClick);

    VScrollBar = new TScrollBar(this);
    VScrollBar->SetName("VScrollBar");
    VScrollBar->SetParent(RPanel);
    VScrollBar->SetKind(sbVertical);
    VScrollBar->SetAlign(alClient);
    VScrollBar->SetSmallChange(16);
    VScrollBar->OnScroll = TScrollEvent(this, &TPreviewForm::VScrollBarScroll);

    pnPBox = new TPanel(this);
    pnPBox->SetName("pnPBox");
    pnPBox->SetParent(this);
    pnPBox->SetAlign(alClient);
    pnPBox->SetBevelOuter(bvNone);
    pnPBox->SetColor(clGray);
    pnPBox->SetCaption("");

    PBoxScr = new TPaintBox(this);
    PBoxScr->SetName("PBoxScr");
    PBoxScr->SetParent(pnPBox);
    PBoxScr->SetAlign(alClient);
    PBoxScr->OnPaint = TNotifyEvent(this, &TPreviewForm::PBoxScrPaint);

    BuildZoomMenu();

    OpenDialog = new TOpenDialog(this);
    OpenDialog->SetName("OpenDialog");
    OpenDialog->SetFilter("Файлы печати|*.rep|Все файлы|*.*"_a);
    OpenDialog->SetTitle("Открыть отчет"_a);
    SaveDialog = new TSaveDialog(this);
    SaveDialog->SetName("SaveDialog");
    SaveDialog->SetFilter("Файл отчета (*.rep)|*.rep"_a);
    SaveDialog->SetTitle("Сохранение отчета"_a);
    PrintDialog = new TPrintDialog(this);
    PrintDialog->SetName("PrintDialog");
    PrintDialog->SetTitle("Печать"_a);
    PrintDialog->SetOptions({poPageNums});
    dlgPageSetup = new TPageSetupDialog(this);
    dlgPageSetup->SetName("dlgPageSetup");
    dlgPageSetup->SetTitle("Параметры страницы"_a);
}

void TPreviewForm::BuildZoomMenu()
{
    ProcMenu = new TPopupMenu(this);
    ProcMenu->SetName("ProcMenu");
    const auto Item = [this](const AnsiString& Caption, int Tag) {
        auto* I = new TMenuItem(this);
        I->SetCaption(Caption);
        I->SetTag(Tag);
        I->SetRadioItem(true);
        I->OnClick = TNotifyEvent(this, &TPreviewForm::ZoomClick);
        ProcMenu->Items()->Add(I);
    };
    for (int Tag : ZoomTags)
        Item(IntToStr(Tag) + "%", Tag);
    auto* Line = new TMenuItem(this);
    Line->SetCaption("-");
    ProcMenu->Items()->Add(Line);
    for (int Mode = 1; Mode <= 3; ++Mode)
        Item(AnsiString::FromUtf8(ModeCaptions[Mode - 1]), Mode);
}

void TPreviewForm::SetDocument(TDocument* Doc)
{
    if (FDocument && FDocument->PreviewForm() == this)
        FDocument->SetPreviewForm(nullptr);
    FDocument = Doc;
    if (FDocument)
        FDocument->SetPreviewForm(this);
    FBitmapValid = false;
}

void TPreviewForm::SetPageCount(int Value)
{
    FPageCount = std::max(Value, 0);
    if (FCurPage >= ShownPages())
        FCurPage = 0;
}

int TPreviewForm::ShownPages() const
{
    return FDocument ? std::min(FPageCount, FDocument->PageInfoCount()) : 0;
}

const TRect& TPreviewForm::ViewRect(int Page) const
{
    return FViewRects.at(static_cast<size_t>(Page));
}

void TPreviewForm::FormShow(TObject*)
{
    const TRect Work = Screen->WorkAreaRect();
    const int W = Work.Width() * 5 / 6;
    const int H = Work.Height() * 7 / 8;
    SetBounds(Work.Left + (Work.Width() - W) / 2, Work.Top + (Work.Height() - H) / 2, W, H);
    SetWindowState(wsMaximized);
    FZoom = 1.0;
    FZoomMode = 0;
    FCurPage = 0;
    for (int I = 0; I < ProcMenu->Items()->Count(); ++I) {
        TMenuItem* Item = ProcMenu->Items()->Items(I);
        Item->SetChecked(Item->Tag() == 100);
    }
    if (FDocument) {
        try {
            FDocument->UpdatePrnInfo(false);
        } catch (const Exception&) {
            // The fallback paper stands; the build has told the operator.
        }
        // Pages read from a file keep the file's flag.
        if (!FFromFile)
            FUseMargins = FDocument->Margins();
    }
    UpdatePageLabel();
    HScrollBar->SetPosition(0);
    VScrollBar->SetPosition(0);
    Relayout();
    if (FDocument)
        FDocument->OnBegPrintView(FDocument);
}

void TPreviewForm::FormCloseQuery(TObject*, bool& CanClose)
{
    // The progress handler lets messages through while a print runs, so the
    // window's close box can be pressed in the middle of it.
    if (FDocument && FDocument->Printing) {
        FDocument->Printing = false;
        CanClose = false;
    }
}

void TPreviewForm::FormClose(TObject*, TCloseAction& Action)
{
    Action = caFree;
    if (FClosing)
        return;
    FClosing = true;
    TDocument* Doc = FDocument;
    if (!Doc)
        return;
    Doc->ClearPageInfos();
    FPageCount = 0;
    // The window is released later; the document may go before it does.
    SetDocument(nullptr);
    Doc->PrintViewOpen = false;
    Doc->OnEndPrintView(Doc);
}

void TPreviewForm::FormResize(TObject*)
{
    Relayout();
}

// ---- zoom and layout -------------------------------------------------------------------------

TSize TPreviewForm::PageSizeAtZoom(const TPageInfo& Page, Extended K)
{
    int W = 0, OffY = 0, OffX = 0, H = 0;
    FDocument->GetPageExtent(Page.Orientation, W, OffY, OffX, H);
    return {RoundInt(W * K), RoundInt(H * K)};
}

void TPreviewForm::ChooseZoom(int Tag)
{
    if (Tag >= 1 && Tag <= 3) {
        FZoomMode = static_cast<Byte>(Tag);
    } else {
        FZoomMode = 0;
        FZoom = std::max<Extended>(Tag / 100.0, 0.1);
    }
    for (int I = 0; I < ProcMenu->Items()->Count(); ++I) {
        TMenuItem* Item = ProcMenu->Items()->Items(I);
        Item->SetChecked(Item->Tag() == Tag && Item->Caption() != "-");
    }
    Relayout();
    PaintPages();
}

void TPreviewForm::Relayout()
{
    if (FClosing || !FDocument)
        return;
    const int Count = ShownPages();
    if (FCurPage < 0 || (Count > 0 && FCurPage >= Count))
        return;
    const int W = std::max(PBoxScr->Width(), 1);
    const int H = std::max(PBoxScr->Height(), 1);
    FBitmap->SetSize(W, H);
    FBitmapValid = false;
    if (Count > 0) {
        const TSize One = PageSizeAtZoom(*FDocument->GetPageInfo(FCurPage), 1.0);
        FZoom = ZoomForMode(FZoomMode, FZoom, W, H, One.cx, One.cy);
    }
    ProcBtn->SetCaption(IntToStr(RoundInt(FZoom * 100)) + "%");
    int OffY = 0, OffX = 0;
    FDocument->GetPageExtent(0, FPortW, OffY, OffX, FPortH);
    FDocument->GetPageExtent(1, FLandW, OffY, OffX, FLandH);
    FPortW = RoundInt(FPortW * FZoom);
    FPortH = RoundInt(FPortH * FZoom);
    FLandW = RoundInt(FLandW * FZoom);
    FLandH = RoundInt(FLandH * FZoom);
    std::vector<TSize> Sizes;
    Sizes.reserve(static_cast<size_t>(Count));
    for (int I = 0; I < Count; ++I) {
        const bool Landscape = FDocument->GetPageInfo(I)->Orientation == 1;
        Sizes.push_back(Landscape ? TSize{FLandW, FLandH} : TSize{FPortW, FPortH});
    }
    PageLayout L = LayoutPages(Sizes, W, FZoomMode);
    FPagesPerRow = L.PagesPerRow;
    FViewRects = std::move(L.Rects);
    SetBar(*HScrollBar, L.Width, W);
    SetBar(*VScrollBar, L.Height, H);
    ScrollToCurrent();
}

void TPreviewForm::SetBar(TScrollBar& Bar, int Content, int Box)
{
    // The layout's extent holds its closing edge already, so a page fitted
    // to the box does not scroll.
    const bool Scrolls = Content > Box;
    Bar.SetPageSize(0);
    // A bar with nothing to scroll shows no thumb.
    Bar.SetParams(Scrolls ? std::min(Bar.Position(), Content - Box) : 0, 0,
                  Scrolls ? Content - 1 : 0);
    Bar.SetPageSize(Scrolls ? Box : 0);
    Bar.SetLargeChange(Box > 76 ? Box - 38 : Box > 38 ? 38 : std::max(Box, 1));
    Bar.SetEnabled(Scrolls);
}

void TPreviewForm::ScrollToCurrent()
{
    if (FCurPage < 0 || FCurPage >= static_cast<int>(FViewRects.size()))
        return;
    ScrollVert(FViewRects[static_cast<size_t>(FCurPage)].Top - Edge);
}

void TPreviewForm::UpdatePageLabel()
{
    Label1->SetCaption("Стр. "_a + IntToStr(FCurPage + 1) + "/" + IntToStr(ShownPages()));
}

// ---- paging, scrolling, keys -------------------------------------------------------------------

void TPreviewForm::GoNextPage()
{
    if (FCurPage + 1 >= ShownPages())
        return;
    ++FCurPage;
    UpdatePageLabel();
    ScrollToCurrent();
}

void TPreviewForm::GoPrevPage()
{
    if (FCurPage <= 0)
        return;
    --FCurPage;
    UpdatePageLabel();
    ScrollToCurrent();
}

void TPreviewForm::PgUpClick(TObject*)
{
    GoPrevPage();
}

void TPreviewForm::PgDownClick(TObject*)
{
    GoNextPage();
}

namespace {

int MaxPosition(const TScrollBar& Bar)
{
    return std::max(0, Bar.Max() + 1 - std::max(Bar.PageSize(), 1));
}

}  // namespace

void TPreviewForm::ScrollVert(int Position)
{
    Position = std::clamp(Position, 0, MaxPosition(*VScrollBar));
    if (!VScrollBar->Enabled())
        Position = 0;
    VScrollBar->SetPosition(Position);
    ShiftView(0, FDrawnY - Position);
}

void TPreviewForm::ScrollHorz(int Position)
{
    Position = std::clamp(Position, 0, MaxPosition(*HScrollBar));
    if (!HScrollBar->Enabled())
        Position = 0;
    HScrollBar->SetPosition(Position);
    ShiftView(FDrawnX - Position, 0);
}

void TPreviewForm::VScrollBarScroll(TObject*, TScrollCode, int& ScrollPos)
{
    ScrollPos = std::clamp(ScrollPos, 0, MaxPosition(*VScrollBar));
    ShiftView(0, FDrawnY - ScrollPos);
    // The page at the top of the box becomes the current one.
    int Page = 0;
    for (int I = 0; I < static_cast<int>(FViewRects.size()); ++I)
        if (FViewRects[static_cast<size_t>(I)].Top - Edge <= ScrollPos)
            Page = I;
    if (Page != FCurPage) {
        FCurPage = Page;
        UpdatePageLabel();
    }
}

void TPreviewForm::HScrollBarScroll(TObject*, TScrollCode, int& ScrollPos)
{
    ScrollPos = std::clamp(ScrollPos, 0, MaxPosition(*HScrollBar));
    ShiftView(FDrawnX - ScrollPos, 0);
}

void TPreviewForm::FormKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    const bool Ctrl = Shift.Contains(ssCtrl);
    const auto Step = [Ctrl](const TScrollBar& Bar) {
        return Ctrl ? Bar.LargeChange() : Bar.SmallChange();
    };
    const auto MoveVert = [this](int Delta) {
        int Pos = VScrollBar->Position() + Delta;
        VScrollBarScroll(VScrollBar, scPosition, Pos);
        VScrollBar->SetPosition(Pos);
    };
    switch (Key) {
    case VK_UP: MoveVert(-Step(*VScrollBar)); break;
    case VK_DOWN: MoveVert(Step(*VScrollBar)); break;
    case VK_LEFT: ScrollHorz(HScrollBar->Position() - Step(*HScrollBar)); break;
    case VK_RIGHT: ScrollHorz(HScrollBar->Position() + Step(*HScrollBar)); break;
    case VK_PRIOR:
        if (Ctrl)
            GoPrevPage();
        else
            MoveVert(-VScrollBar->LargeChange());
        break;
    case VK_NEXT:
        if (Ctrl)
            GoNextPage();
        else
            MoveVert(VScrollBar->LargeChange());
        break;
    case VK_SPACE: ProcBtnClick(ProcBtn); break;
    case VK_ESCAPE: ExitBtnClick(ExitBtn); break;
    case 'L':
        if (Ctrl)
            LoadBtnClick(LoadBtn);
        break;
    case 'S':
        if (Ctrl)
            SaveBtnClick(SaveBtn);
        break;
    case 'P':
        if (Ctrl)
            PrintBtnClick(PrintBtn);
        break;
    case 'C':
        if (Ctrl)
            CopyToClipboard();
        break;
    default:
        // Other Ctrl combinations do nothing here.
        if (!Ctrl)
            return;
        break;
    }
    Key = 0;
}

void TPreviewForm::FormMouseWheel(TObject*, TShiftState Shift, int WheelDelta, TPoint,
                                  bool& Handled)
{
    Handled = true;
    const int Steps = (Shift.Contains(ssCtrl) ? 9 : 3) * (WheelDelta > 0 ? -1 : 1);
    if (Shift.Contains(ssShift)) {
        ScrollHorz(HScrollBar->Position() + Steps * HScrollBar->SmallChange());
        return;
    }
    int Pos = VScrollBar->Position() + Steps * VScrollBar->SmallChange();
    VScrollBarScroll(VScrollBar, scPosition, Pos);
    VScrollBar->SetPosition(Pos);
}

// ---- commands --------------------------------------------------------------------------------

void TPreviewForm::ExitBtnClick(TObject*)
{
    // While printing, the button stops the job's errors from being raised.
    if (FDocument && FDocument->Printing) {
        FDocument->Printing = false;
        return;
    }
    Close();
}

void TPreviewForm::ProcBtnClick(TObject*)
{
    const TPoint At = ProcBtn->ClientToScreen(TPoint{0, ProcBtn->Height()});
    ProcMenu->Popup(At.X, At.Y);
}

void TPreviewForm::ZoomClick(TObject* Sender)
{
    if (auto* C = dynamic_cast<TComponent*>(Sender))
        ChooseZoom(C->Tag());
}

void TPreviewForm::LoadBtnClick(TObject*)
{
    OpenDialog->SetFileName("");
    if (!OpenDialog->Execute())
        return;
    const AnsiString Name = OpenDialog->FileName();
    try {
        LoadPrintFile(Name);
    } catch (const EFOpenError&) {
        throw;  // names its file already
    } catch (const Exception& E) {
        throw Exception(E.Message + ":\r\n" + Name);
    }
    // The window is titled after the file it shows now.
    SetCaption(Name);
}

void TPreviewForm::SaveBtnClick(TObject*)
{
    SaveDialog->SetFileName(".rep");
    if (!SaveDialog->Execute())
        return;
    AnsiString Name = SaveDialog->FileName();
    if (!AnsiSameText(ExtractFileExt(Name), ".rep"))
        Name += ".rep";
    SavePrintFile(Name);
}

bool TPreviewForm::RunPageSetup()
{
    dlgPageSetup->SetPaperWidth(FDocument->PrinterPageWidth);
    dlgPageSetup->SetPaperHeight(FDocument->PrinterPageHeight);
    // The margins the template prints with: its own, at least the paper's
    // offsets (as the pages are shown).
    const TDocument& D = *FDocument;
    dlgPageSetup->SetMargins(Rect(std::max(D.MarginLeft, D.PrinterPageOffsetX),
                                  std::max(D.MarginTop, D.PrinterPageOffsetY),
                                  std::max(D.MarginRight, D.PrinterPageOffsetX),
                                  std::max(D.MarginBottom, D.PrinterPageOffsetY)));
    return dlgPageSetup->Execute();
}

AnsiString& TPreviewForm::LastPrintFile()
{
    static AnsiString Name;
    return Name;
}

namespace {

/// The document whose print went into LastPrintFile ('' before any).
AnsiString& LastPrintDocument()
{
    static AnsiString Name;
    return Name;
}

} // namespace

AnsiString TPreviewForm::ProposedPrintFile() const
{
    const AnsiString Document = FDocument ? FDocument->NameDocument() : AnsiString();
    if (!LastPrintFile().IsEmpty() && Document == LastPrintDocument())
        return LastPrintFile();
    AnsiString Name = Document;
    // A document name may hold characters a file name cannot.
    for (int I = 1; I <= Name.Length(); ++I)
        if (Name[I] == '/' || Name[I] == '\\' || Name[I] == ':')
            Name[I] = '_';
    if (IsBlank(Name))
        Name = "Документ"_a;
    // Another document goes into the folder printed into last under its own
    // name: the last file's name would have it replace the tags printed there.
    const AnsiString Folder =
        LastPrintFile().IsEmpty() ? GetStartDir() : ExtractFilePath(LastPrintFile());
    return Folder + Trim(Name) + ".pdf";
}

void TPreviewForm::sbPagePropClick(TObject*)
{
    if (FDocument)
        RunPageSetup();
}

void TPreviewForm::PrintBtnClick(TObject*)
{
    if (!FDocument)
        return;
    const int Count = ShownPages();
    TPrinter* P = Printer();
    AnsiString Current;
    try {
        const int Index = P->PrinterIndex();
        if (Index >= 0 && Index < P->Printers()->Count())
            Current = P->Printers()->Strings(Index);
    } catch (const EPrinter&) {
        // No printer installed: the dialog offers what there is.
    }
    PrintDialog->SetPrinterName(Current);
    PrintDialog->SetCopies(1);
    PrintDialog->SetCollate(true);
    PrintDialog->SetPrintRange(prAllPages);
    PrintDialog->SetMinPage(1);
    PrintDialog->SetMaxPage(Count);
    PrintDialog->SetFromPage(1);
    PrintDialog->SetToPage(Count);
    // Printing into a file proposes the shop's folder, then the file of
    // the last such print.
    PrintDialog->SetPrintToFile(false);
    PrintDialog->SetPrintFileName(ProposedPrintFile());
    if (!PrintDialog->Execute())
        return;
    if (!FDocument->PrinterPageDefaultSize && !RunPageSetup())
        return;
    // Another printer chosen: this print goes there.
    const AnsiString SavedName = FDocument->PrinterName;
    const Integer SavedType = FDocument->PrinterType;
    // Printing into a file: this job goes into the PDF the user named.
    const bool ToFile = PrintDialog->PrintToFile() && !PrintDialog->PrintFileName().IsEmpty();
    const bool Chosen = !ToFile && !PrintDialog->PrinterName().IsEmpty() &&
                        PrintDialog->PrinterName() != Current;
    // The metrics are marked stale so that the print chooses the printer
    // (and its paper) anew, and again afterwards for the next one.
    if (Chosen) {
        FDocument->PrinterName = PrintDialog->PrinterName();
        FDocument->PrinterType = -1;
        FDocument->PrnTick = 0;
    }
    struct Restore {
        TDocument& Doc;
        bool Active;
        AnsiString Name;
        Integer Type;
        ~Restore()
        {
            if (!Active)
                return;
            if (!Name.IsEmpty()) {
                Doc.PrinterName = Name;
                Doc.PrinterType = Type;
            }
            Doc.PrnTick = 0;
        }
    } Guard{*FDocument, Chosen || ToFile, SavedName, SavedType};
    struct RestoreOutput {
        TPrinter* P;
        bool Active;
        AnsiString Old;
        ~RestoreOutput()
        {
            if (Active && !P->Printing())
                P->SetOutputFileName(Old);
        }
    } OutputGuard{P, ToFile, P->OutputFileName()};
    if (ToFile) {
        P->SetOutputFileName(PrintDialog->PrintFileName());
        FDocument->PrnTick = 0;
        LastPrintFile() = PrintDialog->PrintFileName();
        LastPrintDocument() = FDocument->NameDocument();
    }
    const int Copies = std::max(PrintDialog->Copies(), 1);
    int From = 1;
    int To = Count;
    if (PrintDialog->PrintRange() == prPageNums) {
        From = PrintDialog->FromPage();
        To = PrintDialog->ToPage();
    }
    PrintRange(From, To, Copies, PrintDialog->Collate());
}

void TPreviewForm::DocumentProgress(TObject*, int n)
{
    ProgressBar->SetPosition(n);
    Application->ProcessMessages();
}

void TPreviewForm::ShowProgress(bool On)
{
    ProgressBar->SetPosition(0);
    pnTools->SetVisible(!On);
    ProgressBar->SetVisible(On);
    HScrollBar->SetVisible(!On);
}

void TPreviewForm::PrintRange(int From, int To, int Copies, bool Collate)
{
    if (!FDocument)
        return;
    TDocument& Doc = *FDocument;
    struct Restore {
        TPreviewForm& F;
        TDocument& Doc;
        bool Margins;
        TProgressEvent Progress;
        ~Restore()
        {
            Doc.SetMargins(Margins);
            Doc.OnProgress = Progress;
            F.ShowProgress(false);
        }
    } Guard{*this, Doc, Doc.MarginsFlag(), Doc.OnProgress};
    Doc.SetMargins(FUseMargins);
    ShowProgress(true);
    Doc.OnProgress = TProgressEvent(this, &TPreviewForm::DocumentProgress);
    Doc.Print(From, To, Copies, Collate);
}

void TPreviewForm::CopyToClipboard()
{
    if (!FDocument || ShownPages() == 0 || !FDocument->ViewCopyToClipboardEnable)
        return;
    // The page shown goes, not always the first one.
    const TPageInfo* Page = FDocument->GetPageInfo(std::clamp(FCurPage, 0, ShownPages() - 1));
    if (!Page->Metafile() || Page->Metafile()->Empty())
        return;
    TBitmap Picture;
    Picture.SetSize(std::max(Page->DrawingWidth(), 1), std::max(Page->DrawingHeight(), 1));
    Picture.Canvas()->Brush()->SetColor(clWhite);
    Picture.Canvas()->FillRect(Rect(0, 0, Picture.Width(), Picture.Height()));
    Picture.Canvas()->StretchDraw(Rect(0, 0, Picture.Width(), Picture.Height()),
                                  Page->Metafile());
    Clipboard()->SetAsEnhMetaFile(Page->Metafile()->Data(), &Picture);
}
