// Forms: showing, modal loops answered through the hook, closing and
// freeing, activation, message boxes and the exception message; image
// lists, the clipboard, and a demo form rendered to a picture.

#include "platform/classes/Strings.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/InputSimulation.h"
#include "platform/rtl/StrUtils.h"
#include "platform/winapi/SystemMetrics.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Journal {
    std::vector<std::string> Log;
    TCloseAction Action = caHide;
    bool AllowClose = true;
    void Show(TObject*) { Log.push_back("show"); }
    void Hide(TObject*) { Log.push_back("hide"); }
    void Activate(TObject* S) { Log.push_back("activate " + static_cast<TComponent*>(S)->Name().Std()); }
    void Deactivate(TObject* S) { Log.push_back("deactivate " + static_cast<TComponent*>(S)->Name().Std()); }
    void Close(TObject*, TCloseAction& A)
    {
        Log.push_back("close");
        A = Action;
    }
    void CloseQuery(TObject*, bool& CanClose)
    {
        Log.push_back("query");
        CanClose = AllowClose;
    }
    void Destroy(TObject*) { Log.push_back("destroy"); }
};

TForm* NewForm(Journal& J, const char* Name)
{
    auto* F = new TForm(Application);
    F->SetName(Name);
    F->OnShow = TNotifyEvent(&J, &Journal::Show);
    F->OnHide = TNotifyEvent(&J, &Journal::Hide);
    F->OnActivate = TNotifyEvent(&J, &Journal::Activate);
    F->OnDeactivate = TNotifyEvent(&J, &Journal::Deactivate);
    F->OnClose = TCloseEvent(&J, &Journal::Close);
    F->OnCloseQuery = TCloseQueryEvent(&J, &Journal::CloseQuery);
    F->OnDestroy = TNotifyEvent(&J, &Journal::Destroy);
    return F;
}

}  // namespace

TEST(Forms, ShowModalRunsUntilTheHookSetsAResult)
{
    Journal J;
    std::unique_ptr<TForm> F(NewForm(J, "Dialog"));
    int Calls = 0;
    ModalHookScope Hook([&](TCustomForm& Form) {
        EXPECT_EQ(&Form, F.get());
        EXPECT_TRUE(Form.Visible());
        EXPECT_TRUE(Form.FormState().Contains(fsModal));
        // The loop keeps turning until a result is set.
        if (++Calls == 3)
            Form.SetModalResult(mrYes);
    });
    EXPECT_EQ(F->ShowModal(), mrYes);
    EXPECT_EQ(Calls, 3);
    EXPECT_FALSE(F->Visible());
    EXPECT_FALSE(F->FormState().Contains(fsModal));
    EXPECT_EQ(J.Log, std::vector<std::string>({"show", "activate Dialog", "query", "close", "hide",
                         "deactivate Dialog"}));
}

TEST(Forms, ModalResultWaitsWhileCloseIsRefused)
{
    Journal J;
    std::unique_ptr<TForm> F(NewForm(J, "Dialog"));
    J.AllowClose = false;
    int Calls = 0;
    ModalHookScope Hook([&](TCustomForm& Form) {
        ++Calls;
        if (Calls == 2)
            J.AllowClose = true;
        Form.Close();  // inside the modal loop Close only sets mrCancel
    });
    EXPECT_EQ(F->ShowModal(), mrCancel);
    EXPECT_EQ(Calls, 2);
}

TEST(Forms, KeysInAModalFormReachItsControls)
{
    Journal J;
    std::unique_ptr<TForm> F(NewForm(J, "Dialog"));
    struct CancelOnEscape {
        TForm* Form;
        void Key(TObject*, Word& K, TShiftState)
        {
            if (K == VK_ESCAPE)
                Form->SetModalResult(mrCancel);
        }
    } C {F.get()};
    F->SetKeyPreview(true);
    F->OnKeyDown = TKeyEvent(&C, &CancelOnEscape::Key);
    ModalHookScope Hook([&](TCustomForm&) { SimulateKey(VK_ESCAPE); });
    EXPECT_EQ(F->ShowModal(), mrCancel);
}

TEST(Forms, ShowModalRefusesAVisibleOrDisabledForm)
{
    Journal J;
    std::unique_ptr<TForm> F(NewForm(J, "Dialog"));
    F->Show();
    ExpectRaises<EInvalidOperation>([&] { F->ShowModal(); }, "Cannot make a visible window modal");
    F->Hide();
    F->SetEnabled(false);
    ExpectRaises<EInvalidOperation>([&] { F->ShowModal(); }, "Cannot make a visible window modal");
}

TEST(Forms, CloseHidesOrFreesAsOnCloseSays)
{
    Journal J;
    TForm* F = NewForm(J, "Window");
    F->Show();
    F->Close();
    EXPECT_FALSE(F->Visible());
    J.Log.clear();
    J.AllowClose = false;
    F->Show();
    F->Close();
    EXPECT_TRUE(F->Visible());  // OnCloseQuery said no
    J.AllowClose = true;
    J.Action = caFree;
    TComponent* Owner = F->Owner();
    const int Before = Owner->ComponentCount();
    F->Close();
    // Freed once the queued messages are handled, not inside Close.
    EXPECT_EQ(Owner->ComponentCount(), Before);
    Application->ProcessMessages();
    EXPECT_EQ(Owner->ComponentCount(), Before - 1);
    EXPECT_EQ(J.Log.back(), "destroy");
}

// A modal form freed on closing lives until its ShowModal is done: hiding
// it activates the form below, whose handler lets the queued messages run
// (the designer does so when its print view closes).
TEST(Forms, ModalFormFreedOnCloseOutlivesItsOwnHiding)
{
    Journal J;
    std::unique_ptr<TForm> Below(NewForm(J, "Below"));
    struct LetMessagesRun {
        Journal& J;
        void Activate(TObject*)
        {
            J.Log.push_back("activate Below");
            Application->ProcessMessages();
        }
    } Run {J};
    Below->OnActivate = TNotifyEvent(&Run, &LetMessagesRun::Activate);
    Below->Show();
    TForm* Dialog = NewForm(J, "Dialog");
    J.Action = caFree;
    ModalHookScope Hook([](TCustomForm& Form) { Form.Close(); });
    J.Log.clear();
    EXPECT_EQ(Dialog->ShowModal(), mrCancel);
    EXPECT_NE(std::find(J.Log.begin(), J.Log.end(), "activate Below"), J.Log.end());
    EXPECT_EQ(std::find(J.Log.begin(), J.Log.end(), "destroy"), J.Log.end())
        << "freed before ShowModal was done with it";
    Application->ProcessMessages();
    EXPECT_EQ(J.Log.back(), "destroy");
}

TEST(Forms, ShowingAFormActivatesItAndFocusesItsFirstControl)
{
    Journal J;
    std::unique_ptr<TForm> A(NewForm(J, "A"));
    std::unique_ptr<TForm> B(NewForm(J, "B"));
    auto* Edit = new TWinControl(B.get());
    Edit->SetParent(B.get());
    Edit->SetTabStop(true);
    A->Show();
    EXPECT_EQ(Screen->ActiveForm(), A.get());
    B->Show();
    EXPECT_EQ(Screen->ActiveForm(), B.get());
    EXPECT_FALSE(A->Active());
    EXPECT_TRUE(Edit->Focused());
    EXPECT_EQ(B->ActiveControl(), Edit);
    EXPECT_EQ(Screen->Forms(0), B.get());  // the front form first
    // Hiding the active form hands activation back.
    B->Hide();
    EXPECT_EQ(Screen->ActiveForm(), A.get());
    const std::vector<std::string> Expected = {"show", "activate A", "show", "deactivate A", "activate B",
        "hide", "deactivate B", "activate A"};
    EXPECT_EQ(J.Log, Expected);
}

TEST(Forms, FocusingAControlOfAHiddenFormFails)
{
    Journal J;
    std::unique_ptr<TForm> F(NewForm(J, "Hidden"));
    auto* Edit = new TWinControl(F.get());
    Edit->SetParent(F.get());
    ExpectRaises<EInvalidOperation>([&] { Edit->SetFocus(); }, "Cannot focus a disabled or invisible window");
}

TEST(Forms, PositionAndMaximisedStateUseTheWorkArea)
{
    SystemMetricsScope Metrics;
    Metrics->SetScreen(800, 600, 40);
    Journal J;
    std::unique_ptr<TForm> F(NewForm(J, "Placed"));
    F->SetBounds(0, 0, 300, 200);
    F->SetPosition(poScreenCenter);
    F->Show();
    EXPECT_EQ(F->BoundsRect(), Bounds(250, 180, 300, 200));
    F->SetWindowState(wsMaximized);
    // The border goes past the work area's edges; the caption stays in it.
    EXPECT_EQ(F->ClientOrigin(), Point(0, 19));
    EXPECT_EQ(F->ClientWidth(), 800);
    EXPECT_EQ(F->ClientHeight(), 560 - 19);
    F->SetWindowState(wsNormal);
    EXPECT_EQ(F->BoundsRect(), Bounds(250, 180, 300, 200));
    EXPECT_EQ(Screen->WorkAreaRect(), Rect(0, 0, 800, 560));
    EXPECT_EQ(Screen->MonitorCount(), 1);
    EXPECT_EQ(Screen->MonitorFromPoint(Point(5000, 5))->WorkareaRect(), Rect(0, 0, 800, 560));
}

TEST(Forms, FrameSizesFollowTheBorderStyle)
{
    Journal J;
    std::unique_ptr<TForm> F(NewForm(J, "Frames"));
    F->SetBounds(0, 0, 300, 200);
    struct {
        TFormBorderStyle Style;
        int Width;
        int Height;
    } Cases[] = {
        {bsNone, 300, 200},
        {bsSizeable, 300 - 8, 200 - 8 - 19},
        {bsSingle, 300 - 6, 200 - 6 - 19},
        {bsToolWindow, 300 - 6, 200 - 6 - 16},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Style);
        F->SetBorderStyle(C.Style);
        EXPECT_EQ(F->ClientWidth(), C.Width);
        EXPECT_EQ(F->ClientHeight(), C.Height);
    }
}

TEST(Forms, MessageBoxesAreAnsweredByTheHook)
{
    std::vector<std::string> Seen;
    MessageBoxHookScope Hook([&](const AnsiString& Text, const AnsiString& Caption, UINT Type) {
        Seen.push_back(Caption.Std() + ": " + Text.Std() + " " + std::to_string(Type));
        return IDNO;
    });
    EXPECT_EQ(Application->MessageBox("Save?", "Shop", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBox(nullptr, "Direct", "Box", MB_OK), IDNO);
    EXPECT_EQ(Seen, std::vector<std::string>({"Shop: Save? 36", "Box: Direct 0"}));
}

TEST(Forms, UnhandledExceptionsAreShownWithAFullStop)
{
    std::vector<std::string> Texts;
    MessageBoxHookScope Hook([&](const AnsiString& Text, const AnsiString& Caption, UINT Type) {
        Texts.push_back(Text.Std());
        EXPECT_EQ(Caption, Application->Title());
        EXPECT_EQ(Type, UINT(MB_OK | MB_ICONSTOP));
        return IDOK;
    });
    struct {
        std::function<void()> Raise;
        const char* Shown;
    } Cases[] = {
        {[] { throw EConvertError("Bad number"); }, "Bad number."},      // a full stop is added
        {[] { throw Exception("Done."); }, "Done."},                     // not twice
        {[] { throw Exception("Why?"); }, "Why?."},                      // '?' comes after '.'
        {[] { throw Exception("Stop!"); }, "Stop!"},                     // '!' comes before it
        {[] { throw std::runtime_error("std failure"); }, "std failure."},  // other exceptions too
        {[] { Abort(); }, nullptr},                                      // silent
    };
    for (const auto& C : Cases) {
        Texts.clear();
        try {
            C.Raise();
        } catch (...) {
            Application->HandleException(nullptr);
        }
        if (C.Shown)
            EXPECT_EQ(Texts, std::vector<std::string>({C.Shown}));
        else
            EXPECT_TRUE(Texts.empty());
    }
}

TEST(Forms, MinimisingTheMainFormTellsTheApplicationOnce)
{
    Journal J;
    std::unique_ptr<TForm> F(NewForm(J, "Main"));
    struct Counter {
        int Minimized = 0;
        int Restored = 0;
        void Min(TObject*) { ++Minimized; }
        void Restore(TObject*) { ++Restored; }
    } C;
    Application->SetMainForm(F.get());
    Application->OnMinimize = TNotifyEvent(&C, &Counter::Min);
    Application->OnRestore = TNotifyEvent(&C, &Counter::Restore);
    F->Show();
    Application->Minimize();
    Application->Minimize();
    EXPECT_TRUE(Application->Minimized());
    EXPECT_EQ(C.Minimized, 1);
    Application->Restore();
    EXPECT_EQ(C.Restored, 1);
    EXPECT_FALSE(Application->Minimized());
    Application->OnMinimize = nullptr;
    Application->OnRestore = nullptr;
    F.reset();
    EXPECT_EQ(Application->MainForm(), nullptr);  // a freed main form is forgotten
}

TEST(Forms, MainWindowHooksSeeTheApplicationsMessages)
{
    struct Hooks {
        std::vector<UINT> Seen;
        bool Stop(TMessage& M)
        {
            Seen.push_back(M.Msg);
            return M.Msg == WM_USER + 1;
        }
    } H;
    Application->HookMainWindow(TWindowHook(&H, &Hooks::Stop));
    PostMessage(nullptr, WM_USER + 1, 0, 0);
    Application->ProcessMessages();
    Application->UnhookMainWindow(TWindowHook(&H, &Hooks::Stop));
    PostMessage(nullptr, WM_USER + 2, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(H.Seen, std::vector<UINT>({WM_USER + 1}));
}

// ---- image lists ------------------------------------------------------------------------------

namespace {

// Two 4 x 4 images side by side: lime ground, a red (first) or blue
// (second) 2 x 2 square in the middle.
std::unique_ptr<TBitmap> TwoImages()
{
    auto B = std::make_unique<TBitmap>();
    B->SetSize(8, 4);
    B->Canvas()->Brush()->SetColor(clLime);
    B->Canvas()->FillRect(Rect(0, 0, 8, 4));
    B->Canvas()->Brush()->SetColor(clRed);
    B->Canvas()->FillRect(Rect(1, 1, 3, 3));
    B->Canvas()->Brush()->SetColor(clBlue);
    B->Canvas()->FillRect(Rect(5, 5 - 4, 7, 3));
    return B;
}

struct Target {
    TBitmap Bitmap;
    explicit Target(TColor Ground)
    {
        Bitmap.SetSize(6, 6);
        Bitmap.Canvas()->Brush()->SetColor(Ground);
        Bitmap.Canvas()->FillRect(Rect(0, 0, 6, 6));
    }
    TColor At(int X, int Y) { return Bitmap.Canvas()->Pixels(X, Y); }
};

}  // namespace

TEST(Forms, ApplicationHelpContextReachesOnHelpOnlyForATopic)
{
    std::vector<intptr_t> Shown;
    struct Host {
        std::vector<intptr_t>* Shown;
        bool Help(Word, intptr_t Data, bool&)
        {
            Shown->push_back(Data);
            return true;
        }
    } H{&Shown};
    EXPECT_FALSE(Application->HelpContext(12));  // nobody answers
    Application->OnHelp = THelpEvent(&H, &Host::Help);
    EXPECT_FALSE(Application->HelpContext(0));   // topic 0 is no topic
    EXPECT_TRUE(Application->HelpContext(12));
    Application->OnHelp = nullptr;
    EXPECT_EQ(Shown, std::vector<intptr_t>{12});
}

TEST(ImageLists, MaskedImagesDrawOnlyTheirShape)
{
    TImageList List(nullptr, 4, 4);
    auto Images = TwoImages();
    EXPECT_EQ(List.AddMasked(Images.get(), clLime), 0);
    EXPECT_EQ(List.Count(), 2);
    Target T(clWhite);
    List.Draw(T.Bitmap.Canvas(), 1, 1, 1);
    EXPECT_EQ(T.At(1, 1), clWhite);  // the lime ground stays out
    EXPECT_EQ(T.At(2, 2), clBlue);
    EXPECT_EQ(T.At(5, 5), clWhite);
    // clDefault takes the bottom-left pixel as the transparent colour.
    TImageList Auto(nullptr, 4, 4);
    Auto.AddMasked(Images.get(), clDefault);
    Target U(clWhite);
    Auto.Draw(U.Bitmap.Canvas(), 0, 0, 0);
    EXPECT_EQ(U.At(0, 0), clWhite);
    EXPECT_EQ(U.At(1, 1), clRed);
}

TEST(ImageLists, DrawExBackgroundColours)
{
    TImageList List(nullptr, 4, 4);
    auto Images = TwoImages();
    List.AddMasked(Images.get(), clLime);
    struct {
        COLORREF Bk;
        TColor ListBk;
        UINT Style;
        TColor Corner;
        const char* Name;
    } Cases[] = {
        {CLR_NONE, clNone, ILD_NORMAL, clWhite, "no background"},
        {RGB(0, 0, 128), clNone, ILD_NORMAL, clNavy, "given background"},
        {CLR_DEFAULT, clYellow, ILD_NORMAL, clYellow, "the list's background"},
        {CLR_DEFAULT, clNone, ILD_NORMAL, clWhite, "the list has none"},
        {RGB(0, 0, 128), clNone, ILD_TRANSPARENT, clWhite, "transparent wins"},
        {CLR_NONE, clNone, ILD_MASK, clWhite, "the mask: white ground"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        List.SetBkColor(C.ListBk);
        Target T(clWhite);
        ImageList_DrawEx(List.Handle(), 0, T.Bitmap.Canvas()->Handle(), 1, 1, 0, 0, C.Bk, CLR_NONE, C.Style);
        EXPECT_EQ(T.At(1, 1), C.Corner);
        EXPECT_EQ(T.At(2, 2), (C.Style & ILD_MASK) ? clBlack : clRed);
    }
    EXPECT_FALSE(ImageList_DrawEx(List.Handle(), 9, nullptr, 0, 0, 0, 0, CLR_NONE, CLR_NONE, 0));
}

TEST(ImageLists, DeleteReplaceAndOverlay)
{
    TImageList List(nullptr, 4, 4);
    auto Images = TwoImages();
    List.AddMasked(Images.get(), clLime);
    List.AddMasked(Images.get(), clLime);
    EXPECT_EQ(List.Count(), 4);
    List.Delete(0);
    EXPECT_EQ(List.Count(), 3);
    Target T(clWhite);
    List.Draw(T.Bitmap.Canvas(), 0, 0, 0);
    EXPECT_EQ(T.At(1, 1), clBlue);  // the old second image moved up
    ExpectRaises<EInvalidOperation>([&] { List.Delete(3); }, "Invalid ImageList Index");
    ExpectRaises<EInvalidOperation>([&] { List.Replace(-1, Images.get(), nullptr); }, "Invalid ImageList Index");
    // An overlay is drawn over the image.
    TBitmap Dot;
    Dot.SetSize(4, 4);
    Dot.Canvas()->Brush()->SetColor(clLime);
    Dot.Canvas()->FillRect(Rect(0, 0, 4, 4));
    Dot.Canvas()->SetPixels(0, 0, clBlack);
    const int DotIndex = List.AddMasked(&Dot, clLime);
    EXPECT_TRUE(List.Overlay(DotIndex, 0));
    Target O(clWhite);
    List.DrawOverlay(O.Bitmap.Canvas(), 0, 0, 1, 0);
    EXPECT_EQ(O.At(0, 0), clBlack);
    EXPECT_EQ(O.At(1, 1), clRed);
    List.Clear();
    EXPECT_EQ(List.Count(), 0);
}

TEST(ImageLists, DisabledImagesAreEmbossed)
{
    TImageList List(nullptr, 4, 4);
    auto Images = TwoImages();
    List.AddMasked(Images.get(), clLime);
    Target T(clWhite);
    List.Draw(T.Bitmap.Canvas(), 0, 0, 0, /*Enabled=*/false);
    EXPECT_EQ(T.At(1, 1), static_cast<TColor>(ColorToRGB(clBtnShadow)));
    EXPECT_EQ(T.At(3, 3), static_cast<TColor>(ColorToRGB(clBtnHighlight)));  // the highlight below-right
    EXPECT_EQ(T.At(0, 0), clWhite);
}

// ---- clipboard --------------------------------------------------------------------------------

namespace {

void PutU32(std::string& Bytes, size_t Offset, uint32_t V)
{
    for (size_t I = 0; I < 4; ++I)
        Bytes[Offset + I] = static_cast<char>((V >> (8 * I)) & 0xFF);
}

/// The smallest EMF: its header record and the end-of-file record.
std::string TinyEmf()
{
    std::string Bytes(88 + 20, '\0');
    PutU32(Bytes, 0, 1);           // EMR_HEADER
    PutU32(Bytes, 4, 88);          // its size
    PutU32(Bytes, 40, 0x464D4520); // " EMF"
    PutU32(Bytes, 48, 108);        // the file's size
    PutU32(Bytes, 52, 2);          // records
    PutU32(Bytes, 88, 14);         // EMR_EOF
    PutU32(Bytes, 92, 20);
    return Bytes;
}

}  // namespace

TEST(ClipboardMetafile, KeepsTheBytesWithAPictureBeside)
{
    const std::string Emf = TinyEmf();
    TBitmap Picture;
    Picture.SetSize(4, 3);
    Clipboard()->SetAsEnhMetaFile(Emf, &Picture);
    EXPECT_EQ(Clipboard()->AsEnhMetaFile(), Emf);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_ENHMETAFILE));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
    // Text put later replaces the metafile.
    Clipboard()->SetAsText("12");
    EXPECT_EQ(Clipboard()->AsEnhMetaFile(), "");
    EXPECT_FALSE(Clipboard()->HasFormat(CF_ENHMETAFILE));
}

TEST(ClipboardMetafile, RefusesBytesThatAreNoMetafileAndKeepsTheClipboard)
{
    struct Case {
        const char* Name;
        size_t Offset; // where the good file is spoiled
        uint32_t Value;
        size_t Length; // 0: the whole file
    };
    const Case Cases[] = {
        {"empty", 0, 0, 1},                  // nothing but a byte
        {"cut header", 0, 1, 60},            // shorter than the header record
        {"other record first", 0, 2, 0},     // not EMR_HEADER
        {"no signature", 40, 0x20202020, 0}, // " EMF" missing
        {"size past the end", 48, 4000, 0},  // the header claims more bytes
    };
    Clipboard()->SetAsText("Цена"_a);
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        std::string Bad = TinyEmf();
        PutU32(Bad, C.Offset, C.Value);
        if (C.Length)
            Bad.resize(C.Length);
        ExpectRaises<EInvalidGraphic>([&] { Clipboard()->SetAsEnhMetaFile(Bad); }, "Metafile is not valid");
        EXPECT_EQ(Clipboard()->AsText(), "Цена"_a);
    }
    Clipboard()->Clear();
}

TEST(ClipboardText, KeepsCp1251TextOnOurSide)
{
    const AnsiString Text = "Цена 12,50 руб."_a;
    Clipboard()->SetAsText(Text);
    EXPECT_EQ(Clipboard()->AsText(), Text);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    Clipboard()->Clear();
    EXPECT_EQ(Clipboard()->AsText(), "");
}

// Font lists name the faces templates and settings use ("Arial"), drawn by
// their installed stand-ins, beside the installed families; each once, and
// not the faces' "Cyr" aliases.
TEST(Screen, FontsListTheProgramFacesOnce)
{
    TStrings* Fonts = Screen->Fonts();
    for (const char* Face : {"Arial", "Times New Roman", "Courier New", "Liberation Sans"})
        EXPECT_GE(Fonts->IndexOf(Face), 0) << Face;
    EXPECT_LT(Fonts->IndexOf("Arial Cyr"), 0);
    EXPECT_LT(Fonts->IndexOf("MS Shell Dlg"), 0);
    for (int I = 1; I < Fonts->Count(); ++I)
        EXPECT_LT(AnsiCompareText(Fonts->Strings(I - 1), Fonts->Strings(I)), 0)
            << Fonts->Strings(I).ToUtf8();
}
