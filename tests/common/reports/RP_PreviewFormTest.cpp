// The print view: generated-report files (round trip, damaged files), the
// zoom and layout maths, paging and keys, scrolling by strips, the
// clipboard, printing a range, the document's opening and closing of the
// view, and one picture per zoom mode.

#include "common/reports/RP_PreviewForm.h"

#include "common/base/Funcs.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_Printer.h"
#include "common/reports/RP_View.h"

#include "common/components/MsgWin.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/Menus.h"
#include "platform/forms/Metafiles.h"
#include "platform/forms/Printers.h"
#include "platform/rtl/Files.h"

#include "tests/common/base/NoLogScope.h"
#include "tests/common/reports/ReportPrinterScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

/// Draws a sheet of price tags with the page number, so pages differ.
void DrawTags(TCanvas& C, int W, int H, int Number)
{
    C.Brush()->SetColor(clWhite);
    C.FillRect(Rect(0, 0, W, H));
    const int TagW = 151;
    const int TagH = 227;
    int Tag = 0;
    for (int Y = 0; Y + TagH <= H; Y += TagH)
        for (int X = 0; X + TagW <= W; X += TagW) {
            ++Tag;
            C.Pen()->SetColor(clBlack);
            C.Pen()->SetWidth(2);
            C.Brush()->SetStyle(bsClear);
            C.Rectangle(X + 2, Y + 2, X + TagW - 2, Y + TagH - 2);
            C.Font()->SetName("Arial");
            C.Font()->SetSize(9);
            C.Font()->SetStyle({});
            C.TextOut(X + 10, Y + 12, "Сыр российский"_a);
            C.TextOut(X + 10, Y + 28, "арт. "_a + IntToStr(Number * 100 + Tag));
            C.Font()->SetSize(22);
            C.Font()->SetStyle({fsBold});
            C.TextOut(X + 14, Y + 80, IntToStr(100 + Tag) + ",00");
            C.Font()->SetSize(9);
            C.Font()->SetStyle({});
            C.TextOut(X + 10, Y + 150, "По карте: "_a + IntToStr(90 + Tag) + ",50");
            C.TextOut(X + 10, Y + 200, "Стр. "_a + IntToStr(Number));
        }
}

/// Output pages of the given orientations (0 portrait, 1 landscape) at the
/// printable size of the fallback printer.
void AddPages(TDocument& Doc, const std::vector<Byte>& Orientations)
{
    for (Byte O : Orientations) {
        TPageInfo* P = Doc.AddPageInfo();
        P->Orientation = O;
        P->PrintWidth = O ? 1085 : 748;
        P->PrintHeight = O ? 762 : 1090;
        P->MaxX = P->PrintWidth;
        P->MaxY = P->PrintHeight;
        P->NewDrawing(P->PrintWidth, P->PrintHeight);
        DrawTags(*P->Canvas(), P->PrintWidth, P->PrintHeight, Doc.PageInfoCount());
        P->CloseCanvas();
    }
    Doc.PageNo = Doc.PageInfoCount();
}

/// A document with pages and its view, shown at a fixed size. The document
/// frees the view when it goes.
struct ViewFixture {
    NoLogScope NoLog;
    TDocument Doc{nullptr};
    TPreviewForm* F = nullptr;

    explicit ViewFixture(const std::vector<Byte>& Orientations, int Width = 900,
                         int Height = 700)
    {
        AddPages(Doc, Orientations);
        F = new TPreviewForm(Application);
        F->SetDocument(&Doc);
        F->SetPageCount(Doc.PageNo);
        F->Show();
        F->SetWindowState(wsNormal);
        F->SetBounds(0, 0, Width, Height);
        Application->ProcessMessages();
        F->Relayout();
        F->PaintPages();
    }
};

std::string Pixels(TBitmap& B)
{
    std::string Out;
    for (int Y = 0; Y < B.Height(); ++Y) {
        const auto* Row = static_cast<const char*>(B.ScanLine(Y));
        Out.append(Row, static_cast<size_t>(B.Width()) * 4);
    }
    return Out;
}

void KeepPng(TWinControl& Window, const char* Name)
{
    Application->ProcessMessages();
    TBitmap Shot;
    GrabWindow(&Window, &Shot);
    const char* Dir = std::getenv("PRICETAGS_PNG_DIR");
    WriteBytes(fs::path(Dir ? Dir : fs::temp_directory_path().string()) / Name,
               Shot.SaveToPngBytes());
}

std::vector<std::string> MetafilesOf(const TDocument& Doc)
{
    std::vector<std::string> R;
    for (int I = 0; I < Doc.PageInfoCount(); ++I)
        R.push_back(Doc.GetPageInfo(I)->Metafile()->Data());
    return R;
}

uint32_t U32(const std::string& B, size_t At)
{
    return uint32_t(uint8_t(B[At])) | uint32_t(uint8_t(B[At + 1])) << 8 |
           uint32_t(uint8_t(B[At + 2])) << 16 | uint32_t(uint8_t(B[At + 3])) << 24;
}

fs::path Data()
{
    return TestData() / "RP_PreviewForm";
}

AnsiString Cp(const fs::path& P)
{
    return AnsiString::FromUtf8(P.string());
}

}  // namespace

// ---- generated-report files -----------------------------------------------------------------

// Written and read back: the same metafile bytes, count, margins flag and
// orientations (a landscape page comes back landscape by its shape); the
// header and the first record stand where older readers look.
TEST(RP_PreviewFile, RoundTripKeepsPagesAndFlag)
{
    for (const bool Margins : {false, true}) {
        SCOPED_TRACE(Margins);
        TDocument Doc(nullptr);
        AddPages(Doc, {0, 1, 0});
        std::vector<const TPageInfo*> Pages;
        for (int I = 0; I < Doc.PageInfoCount(); ++I)
            Pages.push_back(Doc.GetPageInfo(I));
        TMemoryStream Out;
        std::vector<int> Progress;
        WritePrintStream(Out, Pages, Margins, [&](int P) { Progress.push_back(P); });
        EXPECT_EQ(Progress, (std::vector<int>{33, 66, 100}));
        const std::string Bytes(static_cast<const char*>(Out.Memory()),
                                static_cast<size_t>(Out.Size()));
        EXPECT_EQ(U32(Bytes, 0), Margins ? 1u : 0u);
        EXPECT_EQ(Bytes.substr(4, 108), std::string(108, '\0'));
        EXPECT_EQ(U32(Bytes, 112), 3u);
        EXPECT_EQ(U32(Bytes, 116), Margins ? 1u : 0u);
        EXPECT_EQ(U32(Bytes, 120), 0u);
        EXPECT_EQ(U32(Bytes, 124), 1u) << "the first page number";
        const size_t FirstLen = Pages[0]->Metafile()->Data().size();
        EXPECT_EQ(U32(Bytes, 128), 124 + 8 + FirstLen + 4) << "just past the first record";
        EXPECT_EQ(Bytes.substr(132, FirstLen), Pages[0]->Metafile()->Data());

        MemoryBlockStream In(Bytes.data(), Bytes.size());
        EXPECT_TRUE(TPreviewForm::CheckPrintFile(In, true));
        PrintFileContents Read = ReadPrintStream(In, false);
        EXPECT_EQ(Read.UseMargins, Margins);
        ASSERT_EQ(Read.Pages.size(), 3u);
        for (size_t I = 0; I < 3; ++I) {
            SCOPED_TRACE(I);
            EXPECT_EQ(Read.Pages[I]->Metafile()->Data(), Pages[I]->Metafile()->Data());
            EXPECT_EQ(Read.Pages[I]->Orientation, Pages[I]->Orientation);
        }
    }
}

// Through the window's files: ".rep" appended to a name without an
// extension; the file read back replaces the pages and sets the flag.
TEST(RP_PreviewFile, WindowSavesAndOpens)
{
    ViewFixture V({0, 1});
    TempDir Dir;
    V.F->SavePrintFile(Dir.File("tags"));
    ASSERT_TRUE(fs::exists(Dir.Path() / "tags.rep"));
    const std::vector<std::string> Saved = MetafilesOf(V.Doc);

    V.Doc.ClearPageInfos();
    AddPages(V.Doc, {0, 0, 0, 0});
    V.F->SetPageCount(4);
    V.F->LoadPrintFile(Dir.File("tags.rep"));
    EXPECT_EQ(MetafilesOf(V.Doc), Saved);
    EXPECT_EQ(V.F->PageCount(), 2);
    EXPECT_EQ(V.Doc.GetPageInfo(1)->Orientation, 1);
    EXPECT_EQ(V.F->Label1->Caption(), "Стр. 1/2"_a);
    EXPECT_TRUE(V.F->pnTools->Visible()) << "the tools are back after reading";
    EXPECT_FALSE(V.F->ProgressBar->Visible());

    V.F->LoadPrintFile(Cp(Data() / "two-pages-margins.rep"));
    EXPECT_TRUE(V.F->UseMargins());
    EXPECT_EQ(V.F->PageCount(), 2);
}

// The tool buttons' dialogs: the save dialog starts at ".rep" and a name
// of another extension gets ".rep" added; the open dialog starts empty.
TEST(RP_PreviewFile, SaveAndOpenButtons)
{
    ViewFixture V({0, 1});
    TempDir Dir;
    struct Case {
        const char* Chosen;
        const char* Written;
    };
    const Case Cases[] = {
        {"a.txt", "a.txt.rep"},  // another extension: ".rep" added
        {"b.REP", "b.REP"},      // ".rep" in any letter case stays
        {"c", "c.rep"},          // no extension at all
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Chosen);
        DialogHookScope Hook([&](TCommonDialog& D) {
            auto* S = dynamic_cast<TSaveDialog*>(&D);
            if (!S)
                return false;
            EXPECT_EQ(S->FileName(), ".rep");
            S->SetFileName(Dir.File(C.Chosen));
            return true;
        });
        V.F->SaveBtn->Click();
        EXPECT_TRUE(fs::exists(Dir.Path() / C.Written));
    }
    V.Doc.ClearPageInfos();
    V.F->SetPageCount(0);
    DialogHookScope Hook([&](TCommonDialog& D) {
        auto* O = dynamic_cast<TOpenDialog*>(&D);
        if (!O)
            return false;
        EXPECT_EQ(O->FileName(), "");
        O->SetFileName(Dir.File("c.rep"));
        return true;
    });
    Word Key = 'L';
    V.F->FormKeyDown(V.F, Key, {ssCtrl});
    EXPECT_EQ(V.F->PageCount(), 2);
}

// Older ".qrp" files are read by their extension in any letter case and are
// not put through the ".rep" header check (their header is not zero).
TEST(RP_PreviewFile, OlderReportsInAnyCase)
{
    ViewFixture V({0});
    TempDir Dir;
    const std::string Qrp = ReadBytes(Data() / "old-report.qrp");
    for (const char* Name : {"old.qrp", "OLD.QRP", "Old.Qrp"}) {
        SCOPED_TRACE(Name);
        WriteBytes(Dir.Path() / Name, Qrp);
        V.F->LoadPrintFile(Dir.File(Name));
        ASSERT_EQ(V.F->PageCount(), 2);
        EXPECT_EQ(V.Doc.GetPageInfo(0)->Orientation, 0);
        EXPECT_EQ(V.Doc.GetPageInfo(1)->Orientation, 1);
        EXPECT_FALSE(V.F->UseMargins());
    }
    // A ".qr" file carries no margins, whatever its flag says.
    WriteBytes(Dir.Path() / "old.qr", ReadBytes(Data() / "two-pages-margins.rep"));
    V.F->LoadPrintFile(Dir.File("old.qr"));
    EXPECT_FALSE(V.F->UseMargins());
}

// A page count past the most a report file may hold is refused before any
// page is read, though the file is long enough for that many pages.
TEST(RP_PreviewFile, TooManyPagesAreRefused)
{
    for (const uint32_t Count : {100001u, 150000u}) {
        SCOPED_TRACE(Count);
        std::string Bytes(128, '\0');
        for (int I = 0; I < 4; ++I)
            Bytes[size_t(112 + I)] = char((Count >> (8 * I)) & 0xFF);
        Bytes.resize(Bytes.size() + size_t(Count) * 100, '\0');
        MemoryBlockStream In(Bytes.data(), Bytes.size());
        ExpectRaises<Exception>([&] { (void)ReadPrintStream(In, /*Qrp=*/false); },
                                "Страниц в файле отчета больше 100000"_a);
    }
}

// A report of more pages than a file may hold is not saved at all: a file
// that could never be opened again is no copy of the report.
TEST(RP_PreviewFile, TooManyPagesAreNotSaved)
{
    TPageInfo Page;
    const std::vector<const TPageInfo*> Pages(100001, &Page);
    TMemoryStream Out;
    ExpectRaises<Exception>([&] { WritePrintStream(Out, Pages, false); },
                            "Отчет не сохранен: страниц в нем больше 100000"_a);
    EXPECT_EQ(Out.Size(), 0);
}

// Every damaged file is refused with the same text and the pages shown
// stay as they were.
TEST(RP_PreviewFile, DamagedFilesAreRefused)
{
    const char* Known[] = {
        "short-127-bytes.rep",            // shorter than the header
        "nonzero-byte-at-50.rep",         // the header's zero block is not zero
        "page-count-zero.rep",            // no pages
        "page-count-negative.rep",        // a negative count
        "page-count-past-file.rep",       // more pages than the file can hold
        "offset-points-back.rep",         // would read the first page forever
        "offset-past-end.rep",            // the next record beyond the file
        "offset-inside-metafile.rep",     // the next record inside this one
        "metafile-length-huge.rep",       // a metafile longer than the file
        "metafile-not-emf.rep",           // no metafile signature
        "second-page-cut-short.rep",      // the file ends inside a page
        "qrp-no-pages.qrp",               // an older file with its header only
        "qrp-damaged-metafile.QRP",       // an older file with a bad metafile
        "qrp-cut-short.qrp",              // an older file ending inside a page
    };
    ViewFixture V({0, 1});
    const std::vector<std::string> Before = MetafilesOf(V.Doc);
    std::vector<std::string> Files;
    for (const auto& E : fs::directory_iterator(Data() / "broken"))
        Files.push_back(E.path().filename().string());
    EXPECT_EQ(Files.size(), std::size(Known)) << "every broken file has a row";
    for (const char* Name : Known) {
        SCOPED_TRACE(Name);
        ExpectRaises<Exception>([&] { V.F->LoadPrintFile(Cp(Data() / "broken" / Name)); },
                                "Неверный формат файла"_a);
        EXPECT_EQ(MetafilesOf(V.Doc), Before);
        EXPECT_EQ(V.F->PageCount(), 2);
        EXPECT_TRUE(V.F->pnTools->Visible());
    }
}

// Only checking: the text goes to an error box once and the answer is
// false; the stream stays where it was.
TEST(RP_PreviewFile, CheckWithoutRaisingTellsOnce)
{
    NoLogScope NoLog;
    std::vector<std::string> Shown;
    MsgAnswerHookScope Answer([&](const MsgRequest& R) {
        Shown.push_back(R.Text.ToUtf8());
        return 1;
    });
    const std::string Bytes = ReadBytes(Data() / "broken" / "nonzero-byte-at-50.rep");
    MemoryBlockStream S(Bytes.data(), Bytes.size());
    S.SetPosition(7);
    EXPECT_FALSE(TPreviewForm::CheckPrintFile(S, false));
    EXPECT_EQ(S.Position(), 7);
    EXPECT_EQ(Shown, std::vector<std::string>{"Неверный формат файла"});
    EXPECT_TRUE(TPreviewForm::IsPrintFile(Cp(Data() / "two-pages-margins.rep"), false));
    EXPECT_EQ(Shown.size(), 1u);
}

// ---- zoom and layout ---------------------------------------------------------------------------

TEST(RP_PreviewLayout, ZoomOfEachMode)
{
    struct Case {
        int Mode;
        Extended Zoom;
        int W, H, PageW, PageH;
        Extended Expected;
    };
    const Case Cases[] = {
        {0, 1.5, 800, 600, 794, 1122, 1.5},                 // fixed: kept
        {0, 0.05, 800, 600, 794, 1122, 0.1},                // never below 0.1
        {1, 1.0, 814, 600, 794, 1122, 1.0},                 // width: (W - 20) / w
        {2, 1.0, 800, 1142, 794, 1122, 1.0},                // whole page: (H - 20) / h
        {3, 1.0, 1618, 2000, 794, 1122, 1.0},               // two pages by width
        {3, 1.0, 5000, 581, 794, 1122, 561.0 / 1122},       // two pages by height
        {2, 1.0, 800, 40, 794, 1122, 0.1},                  // a tiny box: 0.1
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Mode);
        EXPECT_DOUBLE_EQ(ZoomForMode(C.Mode, C.Zoom, C.W, C.H, C.PageW, C.PageH), C.Expected);
    }
}

TEST(RP_PreviewLayout, PagesPerRow)
{
    const TSize P{100, 140};
    const TSize L{140, 100};
    struct Case {
        std::vector<TSize> Sizes;
        int W;
        int Mode;
        int PerRow;
    };
    const Case Cases[] = {
        {{P, P, P}, 330, 0, 3},       // 10 + 3 x (100 + 10) fits exactly
        {{P, P, P}, 329, 0, 2},       // one pixel less: two
        {{P, P, P}, 50, 0, 1},        // none fits: still one
        {{P, L, L, P}, 300, 0, 2},    // P L fits (270), L L does not (310)
        {{L, L, P, P}, 230, 0, 2},    // a later run of narrow pages
        {{P, P, P}, 1000, 2, 1},      // whole page: one a row
        {{P, P, P}, 50, 3, 2},        // two pages: always two
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.W << " mode " << C.Mode);
        EXPECT_EQ(LayoutPages(C.Sizes, C.W, C.Mode).PagesPerRow, C.PerRow);
    }
}

TEST(RP_PreviewLayout, RowsAndCentring)
{
    const TSize P{100, 140};
    const TSize L{140, 100};
    // Two a row: rows as tall as their tallest page, 10-pixel gaps.
    PageLayout A = LayoutPages({P, L, P}, 260, 0);
    ASSERT_EQ(A.PagesPerRow, 2);
    EXPECT_EQ(A.Rects[0], Rect(10, 10, 110, 150));
    EXPECT_EQ(A.Rects[1], Rect(120, 10, 260, 110));
    EXPECT_EQ(A.Rects[2], Rect(10, 160, 110, 300));
    EXPECT_EQ(A.Height, 310);
    // One a row, narrower than the box: centred.
    PageLayout B = LayoutPages({P, P}, 400, 2);
    EXPECT_EQ(B.Rects[0], Rect(150, 10, 250, 150));
    EXPECT_EQ(B.Rects[1], Rect(150, 160, 250, 300));
}

// ---- the window ---------------------------------------------------------------------------

// The zoom choices: percent items fix the zoom, modes compute it; the
// chosen item alone is checked and the button shows the percent.
TEST(RP_PreviewForm, ZoomChoices)
{
    ViewFixture V({0, 0, 0, 0});
    TPreviewForm& F = *V.F;
    const auto CheckedTags = [&F] {
        std::vector<int> Tags;
        for (int I = 0; I < F.ProcMenu->Items()->Count(); ++I)
            if (F.ProcMenu->Items()->Items(I)->Checked())
                Tags.push_back(F.ProcMenu->Items()->Items(I)->Tag());
        return Tags;
    };
    TMenuItem* Quarter = nullptr;
    for (int I = 0; I < F.ProcMenu->Items()->Count(); ++I)
        if (F.ProcMenu->Items()->Items(I)->Tag() == 25)
            Quarter = F.ProcMenu->Items()->Items(I);
    ASSERT_NE(Quarter, nullptr);
    Quarter->Click();
    EXPECT_EQ(F.ZoomMode(), 0);
    EXPECT_DOUBLE_EQ(F.Zoom(), 0.25);
    EXPECT_EQ(F.ProcBtn->Caption(), "25%");
    EXPECT_EQ(CheckedTags(), std::vector<int>{25});
    EXPECT_GE(F.PagesPerRow(), 3) << "small pages share a row";

    F.SpeedButton2->Click();
    EXPECT_EQ(F.ZoomMode(), 3);
    EXPECT_EQ(F.PagesPerRow(), 2);
    EXPECT_EQ(CheckedTags(), std::vector<int>{3});
    F.ChooseZoom(10);  // small, yet still two a row
    F.ChooseZoom(3);
    EXPECT_EQ(F.PagesPerRow(), 2);

    F.sbWidth->Click();
    const int W = F.PBoxScr->Width();
    EXPECT_EQ(F.ZoomMode(), 1);
    EXPECT_NEAR(F.Zoom(), (W - 20) / 794.0, 1e-9);
    EXPECT_EQ(F.ViewRect(0).Width(), W - 20);

    F.sbFit->Click();
    EXPECT_EQ(F.ZoomMode(), 2);
    EXPECT_EQ(F.PagesPerRow(), 1);
    EXPECT_LE(F.ViewRect(0).Bottom, F.PBoxScr->Height() - 9) << "the whole page shows";

    // Space opens the zoom menu under its button.
    int Popups = 0;
    PopupMenuHookScope Menu([&](TPopupMenu& M, TPoint) -> TMenuItem* {
        ++Popups;
        EXPECT_EQ(&M, F.ProcMenu);
        return nullptr;
    });
    Word Key = VK_SPACE;
    F.FormKeyDown(&F, Key, {});
    EXPECT_EQ(Popups, 1);
}

// The tool buttons tell what they do in the program's own letters.
TEST(RP_PreviewForm, ToolHints)
{
    ViewFixture V({0});
    TPreviewForm& F = *V.F;
    const std::pair<TSpeedButton*, const char*> Hints[] = {
        {F.ExitBtn, "Закрыть (Esc)"},
        {F.sbFit, "Страница целиком"},
        {F.sbWidth, "По ширине страницы"},
        {F.SpeedButton2, "Две страницы"},
        {F.ProcBtn, "Масштаб (пробел)"},
        {F.LoadBtn, "Открыть отчет (Ctrl+L)"},
        {F.SaveBtn, "Сохранить отчет (Ctrl+S)"},
        {F.sbPageProp, "Параметры страницы"},
        {F.PrintBtn, "Печать (Ctrl+P)"},
    };
    for (const auto& [Button, Hint] : Hints) {
        SCOPED_TRACE(Button->Name().c_str());
        EXPECT_EQ(Button->Hint().ToUtf8(), Hint);
    }
}

// Page keys and buttons: no step past either end; each step names the page
// and brings it to the top.
TEST(RP_PreviewForm, PagingKeys)
{
    ViewFixture V({0, 1, 0});
    TPreviewForm& F = *V.F;
    F.ChooseZoom(50);
    const auto Press = [&F](Word Key, TShiftState Shift) {
        F.FormKeyDown(&F, Key, Shift);
        return Key;
    };
    EXPECT_EQ(F.Label1->Caption(), "Стр. 1/3"_a);
    F.PgUp->Click();
    EXPECT_EQ(F.CurPage(), 0) << "no page before the first";
    EXPECT_EQ(Press(VK_NEXT, {ssCtrl}), 0) << "the key is used up";
    EXPECT_EQ(F.CurPage(), 1);
    EXPECT_EQ(F.Label1->Caption(), "Стр. 2/3"_a);
    EXPECT_EQ(F.VScrollBar->Position(), F.ViewRect(1).Top - 10);
    F.PgDown->Click();
    EXPECT_EQ(F.CurPage(), 2);
    F.PgDown->Click();
    Press(VK_NEXT, {ssCtrl});
    EXPECT_EQ(F.CurPage(), 2) << "no page after the last";
    Press(VK_PRIOR, {ssCtrl});
    EXPECT_EQ(F.CurPage(), 1);

    // Without Ctrl the keys scroll; other Ctrl letters are swallowed.
    F.ScrollVert(0);
    Press(VK_DOWN, {});
    EXPECT_EQ(F.VScrollBar->Position(), F.VScrollBar->SmallChange());
    Press(VK_NEXT, {});
    EXPECT_EQ(F.VScrollBar->Position(),
              F.VScrollBar->SmallChange() + F.VScrollBar->LargeChange());
    EXPECT_EQ(Press('Q', {ssCtrl}), 0);
    EXPECT_EQ(Press('Q', {}), 'Q');
}

// The form sees keys first: a real Ctrl+PgDn pages whatever control has
// the focus.
TEST(RP_PreviewForm, KeysReachTheFormFirst)
{
    ViewFixture V({0, 0});
    V.F->SetFocus();
    V.F->VScrollBar->SetFocus();
    Application->ProcessMessages();
    SimulateKey(VK_NEXT, {ssCtrl});
    Application->ProcessMessages();
    EXPECT_EQ(V.F->CurPage(), 1);
}

// The wheel scrolls three small steps, nine with Ctrl, sideways with Shift,
// never past the end.
TEST(RP_PreviewForm, WheelScrolls)
{
    ViewFixture V({0, 0, 0});
    TPreviewForm& F = *V.F;
    F.ChooseZoom(200);
    bool Handled = false;
    const int Small = F.VScrollBar->SmallChange();
    F.FormMouseWheel(&F, {}, -120, {}, Handled);
    EXPECT_TRUE(Handled);
    EXPECT_EQ(F.VScrollBar->Position(), 3 * Small);
    F.FormMouseWheel(&F, {ssCtrl}, -120, {}, Handled);
    EXPECT_EQ(F.VScrollBar->Position(), 12 * Small);
    F.FormMouseWheel(&F, {}, 120, {}, Handled);
    EXPECT_EQ(F.VScrollBar->Position(), 9 * Small);
    F.FormMouseWheel(&F, {ssShift}, -120, {}, Handled);
    EXPECT_EQ(F.HScrollBar->Position(), 3 * F.HScrollBar->SmallChange());
    for (int I = 0; I < 200; ++I)
        F.FormMouseWheel(&F, {ssCtrl}, -120, {}, Handled);
    EXPECT_EQ(F.VScrollBar->Position(), F.VScrollBar->Max() + 1 - F.PBoxScr->Height());
    EXPECT_EQ(F.CurPage(), 2) << "the page at the top is the current one";
}

// Scrolling shifts what is drawn and paints only the strip it uncovers;
// the result is what a full paint at the new place gives.
TEST(RP_PreviewForm, ScrollingRepaintsOnlyTheStrip)
{
    ViewFixture V({0, 1, 0});
    TPreviewForm& F = *V.F;
    F.ChooseZoom(100);
    struct Move {
        int Dx, Dy;
    };
    for (const Move M : {Move{0, 37}, Move{23, 0}, Move{0, -11}, Move{-5, 0}, Move{0, 300}}) {
        SCOPED_TRACE(testing::Message() << M.Dx << "," << M.Dy);
        F.PaintPages();
        if (M.Dy)
            F.ScrollVert(F.VScrollBar->Position() + M.Dy);
        if (M.Dx)
            F.ScrollHorz(F.HScrollBar->Position() + M.Dx);
        EXPECT_EQ(F.StripPaints(), 1);
        TBitmap Strips;
        F.RenderTo(Strips);
        F.PaintPages();
        TBitmap Full;
        F.RenderTo(Full);
        ASSERT_EQ(Strips.Width(), Full.Width());
        EXPECT_TRUE(Pixels(Strips) == Pixels(Full)) << "strips and a full paint differ";
    }
}

// Ctrl+C copies the page shown, as a metafile with its picture; nothing
// when the template forbids it.
TEST(RP_PreviewForm, CopiesThePageShown)
{
    ViewFixture V({0, 1, 0});
    TPreviewForm& F = *V.F;
    Clipboard()->SetAsText("before");
    F.PgDown->Click();
    Word Key = 'C';
    F.FormKeyDown(&F, Key, {ssCtrl});
    EXPECT_EQ(Clipboard()->AsEnhMetaFile(), V.Doc.GetPageInfo(1)->Metafile()->Data());
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));

    Clipboard()->SetAsText("kept");
    V.Doc.ViewCopyToClipboardEnable = false;
    Key = 'C';
    F.FormKeyDown(&F, Key, {ssCtrl});
    EXPECT_EQ(Clipboard()->AsText(), "kept");
}

// Printing a range with copies through the print dialog into a PDF file:
// the document's margins flag and progress handler are restored after.
TEST(RP_PreviewForm, PrintsARangeThroughTheDialog)
{
    if (RunCommand("command -v pdfinfo").empty())
        GTEST_SKIP() << "pdfinfo is not installed";
    TempDir Dir;
    TPrinter PdfPrinter;
    TPrinter* Old = SetPrinter(&PdfPrinter);
    PdfPrinter.SetOutputFileName(Dir.File("out.pdf"));
    InstallReportPrintJob(PlatformReportPrintJob());
    struct Restore {
        TPrinter* Old;
        ~Restore()
        {
            InstallReportPrintJob(nullptr);
            SetPrinter(Old);
        }
    } Guard{Old};

    ViewFixture V({0, 0, 0, 0});
    TPreviewForm& F = *V.F;
    V.Doc.SetMargins(false);
    int Asked = 0;
    DialogHookScope Dialogs([&](TCommonDialog& D) {
        auto* P = dynamic_cast<TPrintDialog*>(&D);
        if (!P)
            return false;
        ++Asked;
        EXPECT_EQ(P->MaxPage(), 4);
        EXPECT_EQ(P->ToPage(), 4);
        EXPECT_TRUE(P->Collate());
        P->SetPrintRange(prPageNums);
        P->SetFromPage(2);
        P->SetToPage(3);
        P->SetCopies(2);
        return true;
    });
    // The view prints with the flag it was shown with.
    F.FormShow(&F);
    Word Key = 'P';
    F.FormKeyDown(&F, Key, {ssCtrl});
    EXPECT_EQ(Asked, 1);
    EXPECT_FALSE(V.Doc.MarginsFlag());
    EXPECT_FALSE(V.Doc.OnProgress.Assigned());
    EXPECT_TRUE(F.pnTools->Visible());
    const std::string Info = RunCommand("pdfinfo '" + (Dir.Path() / "out.pdf").string() + "'");
    EXPECT_NE(Info.find("Pages:           4"), std::string::npos) << Info;
}

// "Print to file" in the dialog sends the job into the PDF named there,
// even with no printer installed; the printer's own output comes back after.
TEST(RP_PreviewForm, PrintToFileWritesTheChosenPdf)
{
    if (RunCommand("command -v pdfinfo").empty())
        GTEST_SKIP() << "pdfinfo is not installed";
    TempDir Dir;
    TPrinter Plain;
    const ReportPrinterScope UsePrinter(Plain);

    ViewFixture V({0, 0, 0});
    TPreviewForm& F = *V.F;
    V.Doc.SetNameDocument("Ценники 40/60"_a);
    const AnsiString Pdf = Dir.File("chosen.pdf");
    std::vector<std::string> Proposed;
    DialogHookScope Dialogs([&](TCommonDialog& D) {
        auto* P = dynamic_cast<TPrintDialog*>(&D);
        if (!P)
            return false;
        EXPECT_FALSE(P->PrintToFile()) << "a file is only proposed";
        Proposed.push_back(P->PrintFileName().ToUtf8());
        P->SetPrintToFile(true);
        P->SetPrintFileName(Pdf);
        return true;
    });
    F.FormShow(&F);
    Word Key = 'P';
    F.FormKeyDown(&F, Key, {ssCtrl});
    EXPECT_EQ(Plain.OutputFileName(), "");
    const std::string Info = RunCommand("pdfinfo '" + (Dir.Path() / "chosen.pdf").string() + "'");
    EXPECT_NE(Info.find("Pages:           3"), std::string::npos) << Info;
    // The first print proposes the document in the shop's folder, the next
    // one the file printed into last; another document goes into that folder
    // under its own name, never over the file of the one before.
    Key = 'P';
    F.FormKeyDown(&F, Key, {ssCtrl});
    V.Doc.SetNameDocument("Ценники 60x100"_a);
    Key = 'P';
    F.FormKeyDown(&F, Key, {ssCtrl});
    EXPECT_EQ(Proposed, (std::vector<std::string>{(GetStartDir() + "Ценники 40_60.pdf"_a).ToUtf8(),
                                                  Pdf.ToUtf8(),
                                                  Dir.File("Ценники 60x100.pdf").ToUtf8()}));
}

// A template with its own paper asks the page setup too (showing that
// paper) and prints only when it is confirmed; a printer chosen in the
// dialog takes this print, and a template's own printer comes back after.
TEST(RP_PreviewForm, PrintAsksPageSetupAndTakesTheChosenPrinter)
{
    TFakePrinter Fake;
    Fake.Names = {"Office", "Tags"};
    Fake.DefaultIndex = 0;
    const ReportPrinterScope UsePrinter(Fake);

    ViewFixture V({0, 0});
    V.Doc.PrinterPageDefaultSize = false;
    V.Doc.PrinterPageWidth = 6000;
    V.Doc.PrinterPageHeight = 4000;
    V.Doc.PrinterPageOffsetX = 300;
    V.Doc.PrinterPageOffsetY = 200;
    V.Doc.MarginLeft = 1000;
    V.Doc.MarginTop = 100;  // inside the offset
    V.Doc.MarginBottom = 1500;
    V.Doc.PrinterName = "Office";
    V.Doc.PrinterType = 0;
    bool SetupAnswer = false;
    int Setups = 0;
    DialogHookScope Dialogs([&](TCommonDialog& D) {
        if (auto* P = dynamic_cast<TPrintDialog*>(&D)) {
            EXPECT_EQ(P->PrinterName(), "Office");
            P->SetPrinterName("Tags");
            return true;
        }
        auto* S = dynamic_cast<TPageSetupDialog*>(&D);
        if (!S)
            return false;
        ++Setups;
        EXPECT_EQ(S->PaperWidth(), 6000);
        EXPECT_EQ(S->PaperHeight(), 4000);
        // The template's margins, none inside the paper's offsets.
        EXPECT_EQ(S->Margins(), Rect(1000, 200, 300, 1500));
        return SetupAnswer;
    });
    V.F->PrintBtn->Click();
    EXPECT_EQ(Setups, 1);
    EXPECT_TRUE(Fake.Jobs.empty()) << "page setup refused: nothing printed";

    SetupAnswer = true;
    V.F->PrintBtn->Click();
    ASSERT_EQ(Fake.Jobs.size(), 1u);
    EXPECT_EQ(Fake.Jobs[0].PrinterName, "Tags");
    EXPECT_EQ(Fake.Pages.size(), 2u);
    EXPECT_EQ(V.Doc.PrinterName, "Office") << "the template's printer is back";
    EXPECT_EQ(V.Doc.PrinterType, 0);

    V.F->sbPageProp->Click();
    EXPECT_EQ(Setups, 3);
}

// ---- the document opens and closes the view ------------------------------------------------

namespace {

struct ViewEvents {
    int Beg = 0;
    int End = 0;
    int Docs = 0;
    void BegView(TObject*) { ++Beg; }
    void EndView(TObject*) { ++End; }
    void BeginDoc(TObject*) { ++Docs; }
};

void OneTextTemplate(TDocument& Doc)
{
    auto* V = new TView(vkText, &Doc);
    V->SetBoundsRect(Rect(20, 20, 300, 60));
    V->Lines->Add("Ценник");
    Doc.CurrentPage()->AddView(V);
}

}  // namespace

TEST(RP_PreviewForm, DocumentOpensOneViewAndItsCloseFreesThePages)
{
    NoLogScope NoLog;
    TDocument Doc(nullptr);
    OneTextTemplate(Doc);
    Doc.SetNameDocument("Ценники (2)"_a);
    ViewEvents E;
    Doc.OnBegPrintView = TNotifyEvent(&E, &ViewEvents::BegView);
    Doc.OnEndPrintView = TNotifyEvent(&E, &ViewEvents::EndView);
    Doc.OnBeginDoc = TBeginDocEvent(&E, &ViewEvents::BeginDoc);
    Doc.PrintView(false);
    TPreviewForm* F = Doc.PreviewForm();
    ASSERT_NE(F, nullptr);
    EXPECT_TRUE(Doc.PrintViewOpen);
    EXPECT_TRUE(F->Visible());
    EXPECT_EQ(F->Caption(), "Ценники (2)"_a);
    EXPECT_EQ(F->PageCount(), Doc.PageNo);
    EXPECT_EQ(E.Beg, 1);
    EXPECT_EQ(E.Docs, 1);
    Doc.PrintView(false);
    EXPECT_EQ(Doc.PreviewForm(), F) << "a second request shows the same window";
    EXPECT_EQ(E.Docs, 1) << "and builds nothing";

    // While printing, Esc and the close box only stop printer errors from
    // being raised: the pages being printed stay.
    Doc.Printing = true;
    Word Key = VK_ESCAPE;
    F->FormKeyDown(F, Key, {});
    EXPECT_FALSE(Doc.Printing);
    Doc.Printing = true;
    F->Close();
    EXPECT_FALSE(Doc.Printing);
    EXPECT_EQ(E.End, 0);
    EXPECT_GT(Doc.PageInfoCount(), 0);

    Key = VK_ESCAPE;
    F->FormKeyDown(F, Key, {});
    EXPECT_EQ(E.End, 1);
    EXPECT_FALSE(Doc.PrintViewOpen);
    EXPECT_EQ(Doc.PageInfoCount(), 0);
    EXPECT_EQ(Doc.PreviewForm(), nullptr);
    Application->ProcessMessages();  // the window frees itself
}

// Shown modally without a minimise button; its close ends the wait.
TEST(RP_PreviewForm, DocumentShowsTheViewModally)
{
    NoLogScope NoLog;
    TDocument Doc(nullptr);
    OneTextTemplate(Doc);
    ViewEvents E;
    Doc.OnEndPrintView = TNotifyEvent(&E, &ViewEvents::EndView);
    int Shown = 0;
    ModalHookScope Modal([&](TCustomForm& Form) {
        auto* F = dynamic_cast<TPreviewForm*>(&Form);
        ASSERT_NE(F, nullptr);
        if (++Shown > 1) {
            Form.SetModalResult(mrCancel);
            return;
        }
        EXPECT_FALSE(F->BorderIcons().Contains(biMinimize));
        EXPECT_EQ(F->Caption(), "Просмотр документа"_a);
        F->ExitBtn->Click();
    });
    Doc.PrintView(true);
    EXPECT_GE(Shown, 1);
    EXPECT_EQ(E.End, 1);
    EXPECT_FALSE(Doc.PrintViewOpen);
    EXPECT_EQ(Doc.PreviewForm(), nullptr);
    Application->ProcessMessages();
}

TEST(RP_PreviewForm, DocumentOpensAFileOrRefusesIt)
{
    NoLogScope NoLog;
    std::vector<std::string> Shown;
    MsgAnswerHookScope Answer([&](const MsgRequest& R) {
        Shown.push_back(R.Text.ToUtf8());
        return 1;
    });
    TDocument Doc(nullptr);
    Doc.SetTitle("x.rep");
    const AnsiString Bad = Cp(Data() / "broken" / "page-count-zero.rep");
    EXPECT_FALSE(Doc.PrintViewFile(Bad, false));
    // The box names the refused file.
    EXPECT_EQ(Shown, std::vector<std::string>{"Неверный формат файла:\r\n" + Bad.ToUtf8()});
    EXPECT_EQ(Doc.PreviewForm(), nullptr);
    EXPECT_FALSE(Doc.PrintViewOpen);

    // An older report opens without the ".rep" header check.
    TempDir Dir;
    WriteBytes(Dir.Path() / "OLD.QRP", ReadBytes(Data() / "old-report.qrp"));
    EXPECT_TRUE(Doc.PrintViewFile(Dir.File("OLD.QRP"), false));
    ASSERT_NE(Doc.PreviewForm(), nullptr);
    EXPECT_EQ(Doc.PreviewForm()->PageCount(), 2);
    EXPECT_EQ(Shown.size(), 1u);
    Doc.PreviewForm()->Close();
    Application->ProcessMessages();

    EXPECT_TRUE(Doc.PrintViewFile(Cp(Data() / "two-pages-margins.rep"), false));
    ASSERT_NE(Doc.PreviewForm(), nullptr);
    EXPECT_EQ(Doc.PreviewForm()->PageCount(), 2);
    EXPECT_EQ(Doc.PreviewForm()->Label1->Caption(), "Стр. 1/2"_a);
    EXPECT_TRUE(Doc.PreviewForm()->UseMargins());
}

// ---- how it looks ---------------------------------------------------------------------------

// One picture per zoom mode, kept as PNG files to be looked at: the tool
// bar, the grey background, white pages with their shadow.
TEST(RP_PreviewForm, PicturesOfEachZoomMode)
{
    ViewFixture V({0, 1, 0, 0}, 1000, 720);
    TPreviewForm& F = *V.F;
    struct Shot {
        int Tag;
        const char* Png;
    };
    for (const Shot& S : {Shot{100, "preview-100.png"}, Shot{1, "preview-width.png"},
                          Shot{2, "preview-page.png"}, Shot{3, "preview-two.png"},
                          Shot{25, "preview-25.png"}}) {
        SCOPED_TRACE(S.Png);
        F.ChooseZoom(S.Tag);
        TBitmap Box;
        F.RenderTo(Box);
        EXPECT_EQ(Box.Canvas()->Pixels(2, Box.Height() - 2), clGray) << "grey background";
        const TRect& R = F.ViewRect(0);
        if (R.Left + 20 < Box.Width() && R.Top + 20 < Box.Height()) {
            EXPECT_EQ(Box.Canvas()->Pixels(R.Left + 2, R.Top + 2), clWhite) << "a white page";
        }
        KeepPng(F, S.Png);
    }
}
