// The report window's pages filled from a report the real program wrote
// when it aborted; the tabs each option set shows; the column
// widths kept in the ini file.

#include "exceptionlog/ReportPages.h"

#include "exceptionlog/ListViewItems.h"
#include "exceptionlog/ModuleOptions.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/StdCtrls.h"
#include "platform/classes/IniFiles.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// One report of pricetags, made once for all the tests here.
const AnsiString& RealReport()
{
    static const AnsiString Report = [] {
        TempDir Dir;
        // In a sanitizer build the sanitizer leaves the fatal signals to
        // the program's own handlers, which write the report.
        const std::string Command = "cd '" + Dir.Path().string() +
                                    "' && PRICETAGS_FAULT_TEST=abort PRICETAGS_REPORT_WINDOW_ANSWER=ok "
                                    "QT_QPA_PLATFORM=offscreen "
                                    "ASAN_OPTIONS=\"$ASAN_OPTIONS:allow_user_segv_handler=1:"
                                    "handle_segv=0:handle_sigbus=0:handle_abort=0\" "
                                    "timeout 60 '" PRICETAGS_PROGRAM "' >/dev/null 2>&1";
        // The program ends by the signal after writing its report.
        EXPECT_NE(std::system(Command.c_str()), -1);
        return AnsiString(ReadBytes(Dir.Path() / "pricetags.elf"));
    }();
    return Report;
}

template <class T>
T* Child(TWinControl* Page)
{
    for (int I = 0; I < Page->ControlCount(); ++I)
        if (auto* C = dynamic_cast<T*>(Page->Controls(I)))
            return C;
    return nullptr;
}

class PagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data = ReportPagesFromText(RealReport());
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetBounds(0, 0, 820, 520);
        Form->Show();
    }
    TWinControl* Make(int Page)
    {
        Current.reset();
        Current.reset(CreateReportPage(Form.get(), Page, {0, 0, 800, 500}, Data, Options, Settings));
        Application->ProcessMessages();
        return Current.get();
    }
    void Render(const char* Name)
    {
        TBitmap Shot;
        GrabWindow(Current.get(), &Shot);
        EXPECT_EQ(Shot.Width(), 800);
        if (const char* Dir = std::getenv("PRICETAGS_PNG_DIR"))
            WriteBytes(std::filesystem::path(Dir) / Name, Shot.SaveToPngBytes());
    }

    ReportPagesData Data;
    TRazuroModuleOptions Options;
    ReportPageSettings Settings;
    std::unique_ptr<TForm> Form;
    std::unique_ptr<TWinControl> Current;
};

// The row texts the list shows: captions of groups, cells of the others.
std::vector<AnsiString> RowTexts(TListView* List, int Row)
{
    const auto* Rec = static_cast<TListViewItemRec*>(List->Items()->Item(Row)->Data());
    if (Rec->IsGroup)
        return {Rec->GroupText};
    std::vector<AnsiString> T {Trim(List->Items()->Item(Row)->Caption())};
    for (int I = 0; I < List->Items()->Item(Row)->SubItems()->Count(); ++I)
        T.push_back(List->Items()->Item(Row)->SubItems()->Strings(I));
    return T;
}

TEST_F(PagesTest, ReportTextGivesEveryPart)
{
    ASSERT_FALSE(RealReport().IsEmpty());
    EXPECT_EQ(Data.GeneralText.Pos("RazuroLog 5.1.3"), 1);
    EXPECT_GT(Data.GeneralText.Pos("2.4 Type   : EExternalException"), 0);
    EXPECT_EQ(Data.GeneralText.Pos("Call Stack Information"), 0);
    EXPECT_TRUE(Data.HasModules);
    EXPECT_TRUE(Data.HasCPU);
    EXPECT_GT(Data.CPUText.Pos("RAX"), 0);

    ASSERT_GT(Data.CallStack.size(), 4u);
    // The exception thread opens the table; a blank row comes before each
    // running thread, never before the first.
    EXPECT_EQ(Data.CallStack[0].Kind, CallStackRow::rkThread);
    EXPECT_EQ(Data.CallStack[0].Caption.Pos("Exception Thread: ID="), 1);
    EXPECT_FALSE(Data.CallStack[0].Running);
    int Running = 0;
    for (size_t I = 1; I < Data.CallStack.size(); ++I) {
        const CallStackRow& R = Data.CallStack[I];
        if (R.Kind == CallStackRow::rkThread && R.Running) {
            ++Running;
            EXPECT_EQ(Data.CallStack[I - 1].Kind, CallStackRow::rkSeparator);
            EXPECT_EQ(R.Caption.Pos("Running Thread: ID="), 1);
        }
    }
    EXPECT_GE(Running, 1);
    // The abort in the C library, then our function that called it.
    size_t Own = 1;
    while (Own < Data.CallStack.size() && Data.CallStack[Own].Kind == CallStackRow::rkEntry &&
           Data.CallStack[Own].Cells[1] != "pricetags")
        ++Own;
    ASSERT_LT(Own, Data.CallStack.size());
    const CallStackRow& First = Data.CallStack[Own];
    ASSERT_EQ(First.Kind, CallStackRow::rkEntry);
    EXPECT_EQ(Data.CallStack[Own - 1].Cells[4], "abort");
    EXPECT_EQ(First.Cells[2], "main.cpp");
    EXPECT_EQ(First.Cells[4], "Tick");
    EXPECT_GT(StrToIntDef(First.Cells[5], 0), 0);

    ASSERT_FALSE(Data.Modules.empty());
    EXPECT_EQ(Data.Modules[0][1], "pricetags");
    EXPECT_EQ(Data.Modules[0][6], AnsiString(PRICETAGS_PROGRAM));
}

TEST_F(PagesTest, TextPagesShowTheSectionsColoured)
{
    TWinControl* Page = Make(rpGeneral);
    auto* Rich = Child<TRichEdit>(Page);
    ASSERT_NE(Rich, nullptr);
    EXPECT_EQ(Child<TLabel>(Page)->Caption(), "General Information");
    EXPECT_EQ(ColorToRGB(Rich->Color()), RGB(255, 255, 255));
    const auto LineOf = [&](const char* Start) {
        for (int I = 0; I < Rich->Lines()->Count(); ++I)
            if (Rich->Lines()->Strings(I).Pos(Start) == 1)
                return I;
        return -1;
    };
    struct LineCase { const char* Start; TColor First; bool Bold; TColor Second; };
    const LineCase Lines[] = {
        {"RazuroLog", TColor(RGB(0, 100, 100)), true, clNone},         // the header line
        {"Exception:", TColor(RGB(40, 40, 40)), true, clNone},         // a heading
        {"  2.4 Type", clBlack, false, TColor(RGB(0, 0, 160))},        // name, then value
    };
    for (const LineCase& C : Lines) {
        SCOPED_TRACE(C.Start);
        const int L = LineOf(C.Start);
        ASSERT_GE(L, 0);
        const auto& Runs = Rich->LineRuns(L);
        ASSERT_FALSE(Runs.empty());
        EXPECT_EQ(Runs[0].Color, C.First);
        EXPECT_EQ(Runs[0].Bold, C.Bold);
        if (C.Second != clNone) {
            ASSERT_GE(Runs.size(), 2u);
            EXPECT_EQ(Runs[1].Color, C.Second);
            EXPECT_EQ(Rich->Lines()->Strings(L).SubString(Runs[1].From + 1, 4), " EEx");
        }
    }
    Render("report-page-general.png");

    Page = Make(rpCPU);
    Rich = Child<TRichEdit>(Page);
    ASSERT_NE(Rich, nullptr);
    EXPECT_EQ(Child<TLabel>(Page)->Caption(), "CPU Information");
    EXPECT_EQ(Rich->Lines()->Strings(0), "Registers:");
    EXPECT_TRUE(Rich->LineRuns(0)[0].Bold);
    // "RAX: " in black, its value in blue; the dump lines coloured as well.
    ASSERT_GE(Rich->Lines()->Count(), 10);
    EXPECT_EQ(Rich->Lines()->Strings(2).Pos("RAX: "), 1);
    ASSERT_GE(Rich->LineRuns(2).size(), 2u);
    EXPECT_EQ(Rich->LineRuns(2)[1].From, 5);
    EXPECT_EQ(Rich->LineRuns(2)[1].Color, TColor(RGB(0, 0, 160)));
    EXPECT_GE(Rich->LineRuns(9).size(), 3u);
    Render("report-page-cpu.png");

    Data.CustomDataText = "Накладная: 12\r\nСтрок: 3"_a;
    Page = Make(rpOther);
    auto* Memo = Child<TMemo>(Page);
    ASSERT_NE(Memo, nullptr);
    EXPECT_TRUE(Memo->ReadOnly());
    EXPECT_EQ(Memo->Lines()->Count(), 2);
    EXPECT_EQ(Memo->Lines()->Strings(1), "Строк: 3"_a);
    Render("report-page-other.png");
}

TEST_F(PagesTest, ListPagesShowTheStackByThreadAndTheModules)
{
    TWinControl* Page = Make(rpCallStack);
    auto* List = Child<TListView>(Page);
    ASSERT_NE(List, nullptr);
    EXPECT_EQ(Child<TLabel>(Page)->Caption(), "Call Stack Information");
    ASSERT_EQ(List->Columns()->Count(), 6);
    EXPECT_EQ(List->Columns()->Items(0)->Caption(), "Address");
    EXPECT_EQ(List->Columns()->Items(5)->Caption(), "Line");
    EXPECT_EQ(List->Columns()->Items(5)->Alignment(), taRightJustify);
    EXPECT_EQ(List->Items()->Count(), int(Data.CallStack.size()));

    // Row images: our code by its source, the program without debug data as
    // a program, libraries as libraries; frames of Qt and the C library show
    // their module and, where its symbols name it, the function.
    struct RowCase { const char* Module; const char* Procedure; int Image; };
    const RowCase Rows[] = {
        {"pricetags", "Tick", 3},
        {"libc.so.6", "abort", 0},
        {"pricetags", "_start", 2},
        {"libQt6Core.so.6", "timeout", 0},
        {"libc.so.6", "__libc_start_main", 0},
    };
    for (const RowCase& C : Rows) {
        SCOPED_TRACE(C.Procedure);
        int Found = -1;
        for (int I = 0; I < List->Items()->Count() && Found < 0; ++I) {
            const std::vector<AnsiString> T = RowTexts(List, I);
            if (T.size() == 6 && T[1] == C.Module && T[4] == C.Procedure)
                Found = I;
        }
        ASSERT_GE(Found, 0);
        EXPECT_EQ(List->Items()->Item(Found)->ImageIndex(), C.Image);
        EXPECT_EQ(RowTexts(List, Found)[0].Length(), 16);  // a 64-bit address
    }
    EXPECT_EQ(RowTexts(List, 0)[0].Pos("Exception Thread: ID="), 1);
    Render("report-page-callstack.png");

    Page = Make(rpModules);
    List = Child<TListView>(Page);
    ASSERT_NE(List, nullptr);
    ASSERT_EQ(List->Columns()->Count(), 7);
    EXPECT_EQ(List->Columns()->Items(6)->Caption(), "Path");
    EXPECT_EQ(List->Items()->Count(), int(Data.Modules.size()));
    const std::vector<AnsiString> Program = RowTexts(List, 0);
    ASSERT_EQ(Program.size(), 7u);
    EXPECT_EQ(Program[1], "pricetags");
    EXPECT_EQ(Program[3], "1.0.x");
    EXPECT_EQ(Program[4], ModuleSizeText(std::filesystem::file_size(PRICETAGS_PROGRAM)));
    EXPECT_EQ(Program[6],
              AnsiString(std::filesystem::path(PRICETAGS_PROGRAM).parent_path().string()));
    EXPECT_EQ(List->Items()->Item(0)->ImageIndex(), 2);
    Render("report-page-modules.png");
}

TEST_F(PagesTest, OwnLookPaintsThePageInItsBackground)
{
    struct LookCase { bool OwnLook; COLORREF Expected; };
    const LookCase Looks[] = {
        {true, RGB(230, 236, 250)},   // the own look's background
        {false, ColorToRGB(clBtnFace)},  // the default colours
    };
    for (const LookCase& C : Looks) {
        SCOPED_TRACE(C.OwnLook);
        Settings.OwnLook = C.OwnLook;
        Settings.Background = RGB(230, 236, 250);
        TWinControl* Page = Make(rpGeneral);
        TBitmap Shot;
        GrabWindow(Page, &Shot);
        // Beside the label and under it, left of the text box.
        EXPECT_EQ(ColorToRGB(Shot.Canvas()->Pixels(790, 8)), C.Expected);
        EXPECT_EQ(ColorToRGB(Shot.Canvas()->Pixels(1, 300)), C.Expected);
        // The label's text is dark on it.
        int Dark = 0;
        for (int X = 4; X < 100; ++X)
            for (int Y = 4; Y < 18; ++Y) {
                const COLORREF P = ColorToRGB(Shot.Canvas()->Pixels(X, Y));
                Dark += GetRValue(P) < 80 && GetGValue(P) < 80 && GetBValue(P) < 80;
            }
        EXPECT_GT(Dark, 30);
    }
}

TEST(ReportPageHelpers, ModuleTexts)
{
    struct ImageCase { const char* Name; int Image; };
    const ImageCase Images[] = {
        {"rtl70.bpl", 1}, {"VCL.BPL", 1}, {"dbx.Dpl", 1},   // packages, any case
        {"Project.exe", 2}, {"pricetags", 2},                // programs
        {"kernel32.dll", 0}, {"libc.so.6", 0}, {"libqoffscreen.so", 0},
    };
    for (const ImageCase& C : Images) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(ModuleImageIndex(C.Name), C.Image);
    }
    struct TextCase { const char* In; const char* Out; };
    const TextCase Versions[] = {
        {"1.5.0.300", "1.5.x"}, {"1.0.0.1", "1.0.x"}, {"6.1", "6.1"}, {"72", "72"}, {"", ""},
    };
    for (const TextCase& C : Versions) {
        SCOPED_TRACE(C.In);
        EXPECT_EQ(ModuleVersionText(C.In), C.Out);
    }
    EXPECT_EQ(ModuleSizeText(0), "0 Kb");
    EXPECT_EQ(ModuleSizeText(1535), "1 Kb");
    EXPECT_EQ(ModuleSizeText(1536), "2 Kb");
    EXPECT_EQ(ModuleSizeText(108604064), "106059 Kb");
}

TEST(ReportPageTabs, PagesFollowTheOptionsAndTheReport)
{
    struct TabCase {
        Byte LogOptions;
        bool Custom;
        std::vector<int> Pages;  // page of tab 0, 1, ...
    };
    const TabCase Cases[] = {
        {0x30, true, {rpGeneral, rpCallStack, rpModules, rpCPU, rpOther}},
        {0x20, true, {rpGeneral, rpCallStack, rpCPU, rpOther}},   // tab 2 is the CPU page
        {0x00, true, {rpGeneral, rpCallStack, rpOther}},          // tab 2 is the Other page
        {0x10, false, {rpGeneral, rpCallStack, rpModules}},
        {0x00, false, {rpGeneral, rpCallStack}},
    };
    ReportPagesData D;
    D.HasModules = D.HasCPU = true;
    for (const TabCase& C : Cases) {
        SCOPED_TRACE(int(C.LogOptions) * 10 + C.Custom);
        TRazuroModuleOptions O;
        O.LogOptions = C.LogOptions;
        D.CustomDataText = C.Custom ? "x" : "";
        std::vector<int> Pages;
        for (int Tab = 0; ReportPageOfTab(Tab, D, O) >= 0; ++Tab)
            Pages.push_back(ReportPageOfTab(Tab, D, O));
        EXPECT_EQ(Pages, C.Pages);
        EXPECT_EQ(ReportPageTabs(D, O).size(), C.Pages.size());
    }
    TRazuroModuleOptions O;
    EXPECT_EQ(ReportPageTabs(D, O)[1], "Call Stack");
    // A report without a modules table shows no Modules page.
    D.HasModules = false;
    EXPECT_EQ(ReportPageOfTab(2, D, O), rpCPU);
}

TEST_F(PagesTest, ColumnsShowWholeAddressesSizesAndDatesInTheListFont)
{
    struct FontCase {
        const char* Face;
        int Size;
        bool Minimum;  // the font is so small that the default widths stand
    };
    const FontCase Fonts[] = {
        {"Courier New", 10, false},  // the report window's list font
        {"MS Sans Serif", 8, false},
        {"Courier New", 1, true},
    };
    // The columns sized to their content, with the smallest widths they have.
    struct ColumnCase {
        int Page;
        int Column;
        int Minimum;
    };
    const ColumnCase Columns[] = {
        {rpCallStack, 0, 89},  // address
        {rpModules, 0, 80},    // handle
        {rpModules, 3, 50},    // version
        {rpModules, 4, 54},    // size
        {rpModules, 5, 80},    // modified
    };
    for (const FontCase& F : Fonts) {
        Settings.ListFace = F.Face;
        Settings.ListSize = F.Size;
        for (const ColumnCase& C : Columns) {
            SCOPED_TRACE(::testing::Message() << F.Face << " " << F.Size << " page " << C.Page << " column "
                                              << C.Column);
            TListView* List = Child<TListView>(Make(C.Page));
            ASSERT_NE(List, nullptr);
            if (F.Size == 10 && C.Column == 0)
                Render(C.Page == rpCallStack ? "report-page-callstack-window-font.png"
                                             : "report-page-modules-window-font.png");
            // The widest cell of the column in the list's font; the rows
            // draw the first column's text from 20 pixels in to 2 short of
            // its right edge, the others 6 in from both edges.
            HDC DC = GetDC(nullptr);
            HGDIOBJ Old = SelectObject(DC, List->Font()->Handle());
            int Widest = 0;
            for (int Row = 0; Row < List->Items()->Count(); ++Row) {
                TListItem* Item = List->Items()->Item(Row);
                const AnsiString Cell = C.Column == 0 ? Item->Caption()
                                        : C.Column - 1 < Item->SubItems()->Count()
                                            ? Item->SubItems()->Strings(C.Column - 1)
                                            : AnsiString();
                TSize E;
                GetTextExtentPoint32(DC, Cell.c_str(), Cell.Length(), E);
                Widest = std::max(Widest, int(E.cx));
            }
            SelectObject(DC, Old);
            ReleaseDC(nullptr, DC);
            ASSERT_GT(Widest, 0);
            const int Width = List->Columns()->Items(C.Column)->Width();
            EXPECT_GE(Width - (C.Column == 0 ? 22 : 12), Widest);
            if (F.Minimum)
                EXPECT_EQ(Width, C.Minimum);
            else
                EXPECT_GE(Width, C.Minimum);
        }
    }
}

TEST_F(PagesTest, ColumnWidthsAreReadAndKeptInTheIniFile)
{
    // The widths without an ini file are the defaults.
    std::vector<int> Defaults;
    TListView* List = Child<TListView>(Make(rpModules));
    ASSERT_NE(List, nullptr);
    for (int C = 0; C < List->Columns()->Count(); ++C)
        Defaults.push_back(List->Columns()->Items(C)->Width());
    TempDir Dir;
    Settings.CoordinatesIni = AnsiString((Dir.Path() / "RazuroLog.ini").string());
    WriteBytes(Dir.Path() / "RazuroLog.ini",
               "[Coordinates]\r\nColMod5=300\r\nColMod6=90\r\nColMod1=abc\r\nColMod2=-5\r\n"
               "ColMod3=999999\r\n");
    List = Child<TListView>(Make(rpModules));
    ASSERT_NE(List, nullptr);
    struct WidthCase { int Column; int Width; };
    const WidthCase Widths[] = {
        {6, 300},          // "Path" is stored under ColMod5
        {5, 90},           // "Modified" under ColMod6
        {1, Defaults[1]},  // unreadable: the default
        {2, Defaults[2]},  // negative: the default
        {3, Defaults[3]},  // far too wide: the default
    };
    for (const WidthCase& C : Widths) {
        SCOPED_TRACE(C.Column);
        EXPECT_EQ(List->Columns()->Items(C.Column)->Width(), C.Width);
    }
    List->Columns()->Items(6)->SetWidth(222);
    Current.reset();
    TMemIniFile Ini(Settings.CoordinatesIni);
    EXPECT_EQ(Ini.ReadInteger("Coordinates", "ColMod5", 0), 222);
    EXPECT_EQ(Ini.ReadInteger("Coordinates", "ColMod1", 0), Defaults[1]);

    // The user drags the right edge of "Procedure/Method" 47 pixels to the
    // right.
    List = Child<TListView>(Make(rpCallStack));
    int Edge = 0;
    for (int C = 0; C <= 4; ++C)
        Edge += List->Columns()->Items(C)->Width();
    SimulateMouseDown(List, mbLeft, Edge, 3);
    SimulateMouseMove(List, Edge + 47, 3);
    SimulateMouseUp(List, mbLeft, Edge + 47, 3);
    Current.reset();
    TMemIniFile Again(Settings.CoordinatesIni);
    EXPECT_EQ(Again.ReadInteger("Coordinates", "Col4", 0), 247);
    EXPECT_EQ(Again.ReadInteger("Coordinates", "ColMod5", 0), 222);
}

}  // namespace
