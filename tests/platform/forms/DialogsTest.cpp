#include "platform/forms/Dialogs.h"
#include "platform/winapi/ShellAPI.h"

#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/classes/Strings.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

TEST(Dialogs, FileFilterPairsDescriptionsWithPatterns)
{
    struct Case {
        const char* Filter;
        std::vector<FileFilter> Pairs;
    };
    using F = FileFilter;
    const Case Cases[] = {
        // the designer's filter, as the save dialog gets it
        {"Все файлы (*.*)|*.*|Файлы документов (*.dc*)|*.dc*",
            {F {"Все файлы (*.*)"_a, "*.*"}, F {"Файлы документов (*.dc*)"_a, "*.dc*"}}},
        {"Шаблоны|*.dcf;*.dcr", {F {"Шаблоны"_a, "*.dcf;*.dcr"}}}, // several patterns
        {"Без маски", {F {"Без маски"_a, "*"}}},                     // a description alone
        {"||A|*.a|", {F {"A", "*.a"}}},                              // empty pairs skipped
        {"", {}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Filter);
        EXPECT_EQ(ParseFileFilter(AnsiString::FromUtf8(C.Filter)), C.Pairs);
    }
}

TEST(Dialogs, FilePatternsMatchNamesWithoutCase)
{
    struct Case {
        const char* Name;
        const char* Patterns;
        bool Match;
    };
    const Case Cases[] = {
        {"/tmp/TXT/Ticket1.DCR", "*.dcf;*.dcr", true},  // second pattern, other case
        {"Ticket1.dcr", "Ticket?.*", true},             // one-character wildcard
        {"Ticket10.dcr", "Ticket?.*", false},
        {"README", "*.*", true},                        // "*.*" takes names without a dot
        {"report.rep", "*.qrp", false},
        {"Накладная.xls", "*.XLS", true},               // Cyrillic name
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(MatchesFilePattern(AnsiString::FromUtf8(C.Name), C.Patterns), C.Match);
    }
}

TEST(Dialogs, MessageDlgAsksInRussianAndReturnsTheModalResult)
{
    AnsiString SeenCaption;
    UINT SeenType = 0;
    const MessageBoxHookScope Scope([&](const AnsiString&, const AnsiString& Caption, UINT Type) {
        SeenCaption = Caption;
        SeenType = Type;
        return IDNO;
    });
    EXPECT_EQ(MessageDlg("Удалить?"_a, mtConfirmation, {mbYes, mbNo}, 0), mrNo);
    EXPECT_EQ(SeenCaption, "Подтверждение"_a);
    EXPECT_EQ(SeenType, UINT(MB_YESNO | MB_ICONQUESTION));
    MessageDlg("x", mtError, {}, 0); // no buttons: OK alone
    EXPECT_EQ(SeenCaption, "Ошибка"_a);
    EXPECT_EQ(SeenType, UINT(MB_OK | MB_ICONERROR));
}

TEST(Dialogs, OpenDialogTakesTheAnswerAndAddsTheDefaultExtension)
{
    TSaveDialog Dialog(nullptr);
    Dialog.SetFilter("Отчеты|*.rep"_a);
    Dialog.SetDefaultExt("rep");
    Dialog.SetFileName(".rep");
    {
        const DialogHookScope Scope([](TCommonDialog& D) {
            auto& Save = dynamic_cast<TSaveDialog&>(D);
            EXPECT_EQ(Save.FileName(), ".rep");
            Save.SetFileName("/tmp/Отчет"_a);
            return true;
        });
        ASSERT_TRUE(Dialog.Execute());
    }
    EXPECT_EQ(Dialog.FileName(), "/tmp/Отчет.rep"_a);
    {
        const DialogHookScope Scope([](TCommonDialog&) { return false; });
        EXPECT_FALSE(Dialog.Execute());
    }

    // Several files only with ofAllowMultiSelect.
    TOpenDialog Open(nullptr);
    const auto Answer = [](TCommonDialog& D) {
        auto& O = dynamic_cast<TOpenDialog&>(D);
        O.Files()->Clear();
        O.Files()->Add("/a/Ticket1.dcr");
        O.Files()->Add("/a/Ticket2.dcr");
        return true;
    };
    {
        const DialogHookScope Scope(Answer);
        ASSERT_TRUE(Open.Execute());
    }
    EXPECT_EQ(Open.Files()->Count(), 1);
    EXPECT_EQ(Open.FileName(), "/a/Ticket1.dcr");
    Open.SetOptions(Open.Options() + TOpenOptions {ofAllowMultiSelect});
    {
        const DialogHookScope Scope(Answer);
        ASSERT_TRUE(Open.Execute());
    }
    EXPECT_EQ(Open.Files()->Count(), 2);

    // Used again, the dialog hands back the new choice, not the last one.
    {
        const DialogHookScope Scope([](TCommonDialog& D) {
            dynamic_cast<TOpenDialog&>(D).SetFileName("/a/Ticket3.dcr");
            return true;
        });
        ASSERT_TRUE(Open.Execute());
    }
    EXPECT_EQ(Open.FileName(), "/a/Ticket3.dcr");
    EXPECT_EQ(Open.Files()->Count(), 1);
}

TEST(Dialogs, PrintDialogKeepsThePageRangeWithinTheDocument)
{
    TPrintDialog Dialog(nullptr);
    Dialog.SetMinPage(1);
    Dialog.SetMaxPage(5);
    const DialogHookScope Scope([](TCommonDialog& D) {
        auto& P = dynamic_cast<TPrintDialog&>(D);
        P.SetPrintRange(prPageNums);
        P.SetFromPage(0);
        P.SetToPage(9);
        P.SetCopies(0);
        return true;
    });
    ASSERT_TRUE(Dialog.Execute());
    EXPECT_EQ(Dialog.FromPage(), 1);
    EXPECT_EQ(Dialog.ToPage(), 5);
    EXPECT_EQ(Dialog.Copies(), 1);
}

// ---- dropped files ---------------------------------------------------------------------------------

/// An edit that reads the files dropped on it.
class DropEdit : public TEdit {
public:
    explicit DropEdit(TComponent* AOwner) : TEdit(AOwner) {}
    std::vector<AnsiString> Names;
    TPoint At;
    HDROP Seen = nullptr;

protected:
    void Dispatch(TMessage& Message) override
    {
        if (Message.Msg != WM_DROPFILES) {
            TEdit::Dispatch(Message);
            return;
        }
        auto Drop = reinterpret_cast<HDROP>(Message.WParam);
        Seen = Drop;
        const UINT Count = DragQueryFile(Drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT I = 0; I < Count; ++I) {
            char Buffer[8];
            const UINT Length = DragQueryFile(Drop, I, nullptr, 0);
            // A short buffer gets a cut, terminated name.
            EXPECT_EQ(DragQueryFile(Drop, I, Buffer, sizeof Buffer), std::min<UINT>(Length, 7));
            Names.push_back(DragQueryFileName(Drop, I));
        }
        DragQueryPoint(Drop, At);
        // Not finished here: the window system frees it after the message.
    }
};

TEST(ShellAPI, DroppedFilesReachAWindowThatAcceptsThem)
{
    TForm Form(nullptr, 0);
    Form.SetBounds(0, 0, 300, 200);
    auto* Edit = new DropEdit(&Form);
    Edit->SetParent(&Form);
    Form.Show();
    const std::vector<AnsiString> Files {"/home/shop/Накладная.xls"_a, "/tmp/b.xls"};
    EXPECT_FALSE(DeliverDroppedFiles(Edit->Handle(), Files, {1, 2}));
    DragAcceptFiles(Edit->Handle(), true);
    ASSERT_TRUE(DeliverDroppedFiles(Edit->Handle(), Files, {4, 5}));
    EXPECT_EQ(Edit->Names, Files);
    EXPECT_EQ(Edit->At, (TPoint{4, 5}));
    // The handle is gone once the message returned.
    EXPECT_EQ(DragQueryFile(Edit->Seen, 0xFFFFFFFF, nullptr, 0), 0u);
    DragFinish(Edit->Seen); // a stale handle is ignored

    // The same through Qt's drop event on the window.
    Edit->Names.clear();
    SimulateDropFiles(Edit->Handle(), {"/home/shop/Накладная.xls"_a}, {10, 8});
    EXPECT_EQ(Edit->Names, std::vector<AnsiString>({"/home/shop/Накладная.xls"_a}));
    EXPECT_EQ(Edit->At, (TPoint{10, 8}));

    DragAcceptFiles(Edit->Handle(), false);
    EXPECT_FALSE(AcceptsDroppedFiles(Edit->Handle()));
    Edit->Names.clear();
    SimulateDropFiles(Edit->Handle(), {"/tmp/c.xls"}, {10, 8});
    EXPECT_TRUE(Edit->Names.empty());
}

}  // namespace

namespace {

std::string Joined(const NativeDialogView& V)
{
    std::string R = V.Title.ToUtf8();
    for (const AnsiString& T : V.Texts)
        R += " | " + T.ToUtf8();
    return R;
}

bool Shows(const NativeDialogView& V, const char* Text)
{
    for (const AnsiString& T : V.Texts)
        if (T.ToUtf8() == Text)
            return true;
    return false;
}

} // namespace

// The window system's own dialogs speak Russian, keep their own titles
// when the program gives none (not the program's name), and the print
// dialog proposes the file the program gives for printing into a file.
TEST(Dialogs, NativeDialogsAreRussianAndProposeTheFile)
{
    std::vector<NativeDialogView> Seen;
    const NativeDialogProbeScope Probe([&](const NativeDialogView& V) { Seen.push_back(V); });
    TPrintDialog Print(nullptr);
    Print.SetPrintFileName("/srv/shop/Ценники.pdf"_a);
    EXPECT_FALSE(Print.Execute());
    TPageSetupDialog Setup(nullptr);
    Setup.SetMargins(Rect(1000, 500, 1200, 1500));  // 0.01 mm
    EXPECT_FALSE(Setup.Execute());
    TOpenDialog Open(nullptr);
    Open.SetTitle("Открыть отчет"_a);
    EXPECT_FALSE(Open.Execute());
    ASSERT_EQ(Seen.size(), 3u);
    for (const NativeDialogView& V : Seen) {
        SCOPED_TRACE(Joined(V));
        EXPECT_NE(V.Title.ToUtf8(), "pricetags");
        EXPECT_FALSE(V.Title.IsEmpty());
        EXPECT_TRUE(Shows(V, "Отмена"));
    }
    // Renders for a look, where asked for.
    if (const char* Dir = std::getenv("PRICETAGS_PNG_DIR")) {
        const char* Names[] = {"native-print.png", "native-page-setup.png", "native-open.png"};
        for (size_t I = 0; I < Seen.size(); ++I)
            WriteBytes(std::filesystem::path(Dir) / Names[I], Seen[I].Png);
    }
    EXPECT_EQ(Seen[0].Title.ToUtf8(), "Печать");
    EXPECT_EQ(Seen[0].ProposedFile.ToUtf8(), "/srv/shop/Ценники.pdf");
    EXPECT_EQ(Seen[2].Title.ToUtf8(), "Открыть отчет");
}

// A window-system dialog opened over a maximized form, as the print view
// opens its print and save dialogs, shows on the X server what Qt painted:
// the pixels are read back from the server, not from Qt's own copy. Runs
// on X in forms_xvfb_native_dialogs; skipped on the offscreen platform.
TEST(Dialogs, NativeDialogsShowOnTheServerOverAMaximizedForm)
{
    TForm Form(nullptr, 0);
    Form.SetBounds(40, 30, 400, 300);
    Form.SetWindowState(wsMaximized);
    Form.Show();
    Application->ProcessMessages();
    std::vector<NativeDialogView> Seen;
    const NativeDialogProbeScope Probe([&](const NativeDialogView& V) { Seen.push_back(V); });
    TPrintDialog Print(nullptr);
    EXPECT_FALSE(Print.Execute());
    TSaveDialog Save(nullptr);
    EXPECT_FALSE(Save.Execute());
    ASSERT_EQ(Seen.size(), 2u);
    if (Seen[0].ShownDiffering < 0)
        GTEST_SKIP() << "not on an X server";
    if (const char* Dir = std::getenv("PRICETAGS_PNG_DIR")) {
        WriteBytes(std::filesystem::path(Dir) / "native-print-shown.png", Seen[0].ShownPng);
        WriteBytes(std::filesystem::path(Dir) / "native-save-shown.png", Seen[1].ShownPng);
    }
    for (const NativeDialogView& V : Seen) {
        SCOPED_TRACE(Joined(V));
        EXPECT_FALSE(V.ShownPng.empty());
        // A caret may blink between the two reads; a window the server
        // left black differs in nearly all of its tens of thousands.
        EXPECT_GE(V.ShownDiffering, 0);
        EXPECT_LE(V.ShownDiffering, 400);
    }
}
