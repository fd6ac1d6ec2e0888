// Whole windows painted: a small demo form rendered offscreen, through
// PaintTo and through Qt's own painting of the widgets.

#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/InputSimulation.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// A painted control showing the drawing layer's pieces.
class Sampler : public TCustomControl {
public:
    explicit Sampler(TComponent* AOwner) : TCustomControl(AOwner) { SetColor(clWindow); }
    TImageList* Images = nullptr;

protected:
    void Paint() override
    {
        TCanvas* C = Canvas();
        TRect R = ClientRect();
        DrawEdge(C->Handle(), R, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        // The canvas keeps its font between paintings: set every part used.
        C->Font()->SetName("Arial");
        C->Font()->SetHeight(-13);
        C->Font()->SetColor(clWindowText);
        C->Brush()->SetStyle(bsClear);
        TRect T = Rect(R.Left + 6, R.Top + 4, R.Right - 24, R.Top + 40);
        DrawText(C->Handle(), "Цена за &единицу товара, руб."_a, T, DT_WORDBREAK);
        TRect B = Rect(R.Right - 20, R.Top + 4, R.Right - 4, R.Top + 20);
        DrawFrameControl(C->Handle(), B, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(clHighlight);
        C->FillRect(Rect(R.Left + 6, R.Top + 44, R.Left + 120, R.Top + 60));
        C->Font()->SetColor(clHighlightText);
        C->TextOut(R.Left + 8, R.Top + 45, "Выделено"_a);
        C->DrawFocusRect(Rect(R.Left + 6, R.Top + 44, R.Left + 120, R.Top + 60));
        if (Images)
            for (int I = 0; I < Images->Count(); ++I)
                Images->Draw(C, R.Left + 130 + I * 20, R.Top + 44, I, I == 0);
    }
};

// A plain coloured box.
TWinControl* Box(TForm* Form, TWinControl* Parent, TColor Color, TAlign Align, int Size)
{
    auto* W = new TWinControl(Form);
    W->SetParent(Parent);
    W->SetColor(Color);
    if (Align == alTop || Align == alBottom)
        W->SetHeight(Size);
    else
        W->SetWidth(Size);
    W->SetAlign(Align);
    return W;
}

}  // namespace

TEST(Painting, DemoFormRendersOffscreen)
{
    TForm Form(nullptr);
    Form.SetCaption("Demo");
    Form.SetClientWidth(300);
    Form.SetClientHeight(200);
    Box(&Form, &Form, clNavy, alTop, 24);
    TWinControl* Side = Box(&Form, &Form, clBtnFace, alLeft, 60);
    Box(&Form, Side, clTeal, alBottom, 20);
    auto* S = new Sampler(&Form);
    S->SetParent(&Form);
    S->SetAlign(alClient);
    TImageList Images(nullptr, 16, 16);
    TBitmap Glyph;
    Glyph.SetSize(16, 16);
    Glyph.Canvas()->Brush()->SetColor(clFuchsia);
    Glyph.Canvas()->FillRect(Rect(0, 0, 16, 16));
    Glyph.Canvas()->Brush()->SetColor(clGreen);
    Glyph.Canvas()->Ellipse(2, 2, 14, 14);
    Images.AddMasked(&Glyph, clFuchsia);
    Images.AddMasked(&Glyph, clFuchsia);
    S->Images = &Images;

    TBitmap Picture;
    Picture.SetSize(300, 200);
    Form.PaintTo(Picture.Canvas()->Handle(), 0, 0);
    struct {
        int X, Y;
        TColor Color;
        const char* Where;
    } Probes[] = {
        {150, 10, clNavy, "top band"},
        {30, 100, static_cast<TColor>(ColorToRGB(clBtnFace)), "left band"},
        {30, 190, clTeal, "bottom of the left band"},
        {60, 24, static_cast<TColor>(ColorToRGB(clBtnShadow)), "sunken edge of the sampler"},
        {290, 150, clWhite, "sampler ground"},
    };
    for (const auto& P : Probes) {
        SCOPED_TRACE(P.Where);
        EXPECT_EQ(Picture.Canvas()->Pixels(P.X, P.Y), P.Color);
    }
    const TempDir Dir;
    const std::string Png = Picture.SaveToPngBytes();
    WriteBytes(Dir.Path() / "demo.png", Png);
    if (const char* Keep = std::getenv("PRICETAGS_KEEP_DEMO"))
        WriteBytes(Keep, Png);

    // The widgets Qt paints show the same pixels.
    Form.Show();
    TBitmap Shown;
    GrabWindow(&Form, &Shown);
    ASSERT_EQ(Shown.Width(), 300);
    ASSERT_EQ(Shown.Height(), 200);
    for (const auto& P : Probes) {
        SCOPED_TRACE(P.Where);
        EXPECT_EQ(Shown.Canvas()->Pixels(P.X, P.Y), P.Color);
    }
    int Different = 0;
    for (int Y = 0; Y < 200; ++Y)
        for (int X = 0; X < 300; ++X)
            Different += Shown.Canvas()->Pixels(X, Y) != Picture.Canvas()->Pixels(X, Y);
    EXPECT_EQ(Different, 0);
    if (const char* Keep = std::getenv("PRICETAGS_KEEP_DEMO"))
        WriteBytes(std::string(Keep) + ".shown.png", Shown.SaveToPngBytes());
}

TEST(Painting, InvalidatedAreaIsRepaintedOnUpdate)
{
    struct Counter : TCustomControl {
        using TCustomControl::TCustomControl;
        int Paints = 0;
        TColor Fill = clRed;
        void Paint() override
        {
            ++Paints;
            Canvas()->Brush()->SetColor(Fill);
            Canvas()->FillRect(ClientRect());
        }
    };
    TForm Form(nullptr);
    Form.SetClientWidth(100);
    Form.SetClientHeight(100);
    auto* C = new Counter(&Form);
    C->SetParent(&Form);
    C->SetBounds(10, 10, 50, 50);
    Form.Show();
    TBitmap Shown;
    GrabWindow(&Form, &Shown);
    EXPECT_EQ(Shown.Canvas()->Pixels(20, 20), clRed);
    const int Before = C->Paints;
    C->Fill = clBlue;
    C->Update();  // nothing invalid: no painting
    EXPECT_EQ(C->Paints, Before);
    C->Invalidate();
    C->Update();
    EXPECT_EQ(C->Paints, Before + 1);
    GrabWindow(&Form, &Shown);
    EXPECT_EQ(Shown.Canvas()->Pixels(20, 20), clBlue);
    // Drawing on the canvas outside painting shows at once.
    C->Canvas()->Brush()->SetColor(clYellow);
    C->Canvas()->FillRect(Rect(0, 0, 5, 5));
    GrabWindow(&Form, &Shown);
    EXPECT_EQ(Shown.Canvas()->Pixels(11, 11), clYellow);
}

TEST(Painting, CacheDCsWithoutChildClippingDrawOverChildren)
{
    TForm Form(nullptr);
    Form.SetClientWidth(100);
    Form.SetClientHeight(60);
    Form.SetColor(clWhite);
    auto* Panel = new TWinControl(&Form);
    Panel->SetParent(&Form);
    Panel->SetColor(clLime);
    Panel->SetBounds(40, 0, 60, 60);
    Form.Show();
    const auto Line = [&](UINT Flags) {
        HDC DC = GetDCEx(Form.Handle(), nullptr, Flags);
        SelectObject(DC, GetStockObject(WHITE_BRUSH));
        PatBlt(DC, 50, 0, 2, 60, PATINVERT);
        PatBlt(DC, 10, 0, 2, 60, PATINVERT);
        ReleaseDC(Form.Handle(), DC);
    };
    TBitmap Shown;
    // A splitter's tracking line: XOR over the parent and its children.
    Line(DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
    GrabWindow(&Form, &Shown);
    EXPECT_EQ(Shown.Canvas()->Pixels(10, 30), clBlack);
    EXPECT_EQ(Shown.Canvas()->Pixels(50, 30), clFuchsia);  // lime inverted
    EXPECT_EQ(Shown.Canvas()->Pixels(60, 30), clLime);
    Line(DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
    GrabWindow(&Form, &Shown);
    EXPECT_EQ(Shown.Canvas()->Pixels(10, 30), clWhite);
    EXPECT_EQ(Shown.Canvas()->Pixels(50, 30), clLime);
    // A DC that clips children leaves them alone.
    Line(DCX_CACHE | DCX_CLIPCHILDREN);
    GrabWindow(&Form, &Shown);
    EXPECT_EQ(Shown.Canvas()->Pixels(10, 30), clBlack);
    EXPECT_EQ(Shown.Canvas()->Pixels(50, 30), clLime);
}

namespace {

// The form's client area as the screen picture of the program's windows
// shows it (put together from the windows' pixels, no painting run).
void ScreenOfForm(TForm& Form, TBitmap* Into)
{
    Application->ProcessMessages();
    TRect Desktop;
    GetWindowRect(GetDesktopWindow(), Desktop);
    TPoint Origin {0, 0};
    ClientToScreen(Form.Handle(), Origin);
    Into->SetSize(Form.ClientWidth(), Form.ClientHeight());
    HDC Screen = GetWindowDC(GetDesktopWindow());
    BitBlt(Into->Canvas()->Handle(), 0, 0, Into->Width(), Into->Height(), Screen, Origin.X - Desktop.Left,
        Origin.Y - Desktop.Top, SRCCOPY);
    ReleaseDC(GetDesktopWindow(), Screen);
}

struct Probe {
    int X, Y;
    TColor Color;
};

}  // namespace

TEST(Painting, ChildrenKeepTheirPixelsThroughChangesOfPlace)
{
    // A lime panel with a blue child, and a red box above the panel's right
    // side; the form is white.
    TForm Form(nullptr);
    Form.SetClientWidth(120);
    Form.SetClientHeight(80);
    Form.SetColor(clWhite);
    auto* Panel = new TWinControl(&Form);
    Panel->SetParent(&Form);
    Panel->SetColor(clLime);
    Panel->SetBounds(10, 10, 60, 50);
    auto* Child = new TWinControl(&Form);
    Child->SetParent(Panel);
    Child->SetColor(clBlue);
    Child->SetBounds(5, 5, 20, 20);
    auto* Above = new TWinControl(&Form);
    Above->SetParent(&Form);
    Above->SetColor(clRed);
    Above->SetBounds(50, 20, 40, 40);
    Form.Show();
    const auto FillPanel = [&] {
        HDC DC = GetDC(Panel->Handle());
        SelectObject(DC, GetStockObject(WHITE_BRUSH));
        PatBlt(DC, 0, 0, 60, 50, DSTINVERT);
        ReleaseDC(Panel->Handle(), DC);
    };
    const struct {
        const char* What;
        std::function<void()> Do;
        std::vector<Probe> Probes;
    } Steps[] = {
        {"shown", [] {}, {{20, 20, clBlue}, {40, 40, clLime}, {60, 40, clRed}, {100, 10, clWhite}}},
        // The panel's painting stays out of its child and of the box above.
        {"panel repainted", [&] { Panel->Invalidate(); Panel->Update(); },
            {{20, 20, clBlue}, {40, 40, clLime}, {60, 40, clRed}}},
        // So does drawing on it outside painting (lime inverted is fuchsia).
        {"panel drawn on", FillPanel, {{20, 20, clBlue}, {40, 40, clFuchsia}, {60, 40, clRed}}},
        {"panel repainted again", [&] { Panel->Invalidate(); Panel->Update(); }, {{40, 40, clLime}}},
        {"box hidden", [&] { Above->Hide(); }, {{60, 40, clLime}, {80, 40, clWhite}}},
        {"child moved", [&] { Child->SetLeft(30); }, {{20, 20, clLime}, {45, 20, clBlue}}},
        {"box shown over the child", [&] { Above->Show(); }, {{55, 25, clRed}, {45, 25, clBlue}}},
        {"panel raised", [&] { SetWindowPos(Panel->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); },
            {{55, 25, clBlue}, {60, 40, clLime}, {80, 40, clRed}}},
        // The class library's own restacking moves the windows too.
        {"box brought to front", [&] { Above->BringToFront(); }, {{55, 25, clRed}, {60, 40, clRed}}},
        {"box sent to back", [&] { Above->SendToBack(); EXPECT_EQ(Form.Controls(0), Above); },
            {{55, 25, clBlue}, {60, 40, clLime}, {80, 40, clRed}}},
        {"child freed", [&] { delete Child; }, {{45, 25, clLime}, {55, 25, clLime}}},
        {"panel shrunk", [&] { Panel->SetWidth(30); }, {{55, 25, clRed}, {45, 25, clWhite}, {20, 20, clLime}}},
    };
    for (const auto& S : Steps) {
        SCOPED_TRACE(S.What);
        S.Do();
        TBitmap Shown, Screen;
        GrabWindow(&Form, &Shown);
        ScreenOfForm(Form, &Screen);
        for (const Probe& P : S.Probes) {
            SCOPED_TRACE(testing::Message() << P.X << "," << P.Y);
            EXPECT_EQ(Shown.Canvas()->Pixels(P.X, P.Y), P.Color);
            EXPECT_EQ(Screen.Canvas()->Pixels(P.X, P.Y), P.Color);
        }
    }
}

namespace {

// Stripes that follow a scroll position, with a blue child in the corner.
class Stripes : public TCustomControl {
public:
    explicit Stripes(TComponent* AOwner) : TCustomControl(AOwner) {}
    TPoint Pos {0, 0};

protected:
    void Paint() override
    {
        const TColor Colors[] = {clRed, clYellow, clGreen, clAqua, clNavy};
        // Pixels of the content (X + Pos.X, Y + Pos.Y): squares of 4 x 3.
        const auto Cell = [](int V, int Size) { return (V + 1000 * Size) / Size; };
        const TRect R = ClientRect();
        for (int Y = R.Top; Y < R.Bottom; ++Y)
            for (int X = R.Left; X < R.Right; ++X) {
                Canvas()->Brush()->SetColor(Colors[(Cell(X + Pos.X, 4) + Cell(Y + Pos.Y, 3)) % 5]);
                Canvas()->FillRect(Rect(X, Y, X + 1, Y + 1));
            }
    }
};

}  // namespace

TEST(Painting, ScrollingMovesOnlyTheWindowsOwnPixels)
{
    TForm Form(nullptr);
    Form.SetClientWidth(100);
    Form.SetClientHeight(80);
    auto* S = new Stripes(&Form);
    S->SetParent(&Form);
    S->SetBounds(10, 10, 80, 60);
    auto* Child = new TWinControl(&Form);
    Child->SetParent(S);
    Child->SetColor(clBlue);
    Child->SetBounds(20, 20, 16, 16);
    Form.Show();
    const struct {
        int DX, DY;
    } Moves[] = {{0, -5}, {7, 0}, {-3, 4}};
    for (const auto& M : Moves) {
        SCOPED_TRACE(testing::Message() << M.DX << "," << M.DY);
        S->Pos.X -= M.DX;
        S->Pos.Y -= M.DY;
        ScrollWindow(S->Handle(), M.DX, M.DY, nullptr, nullptr);
        S->Update();
        TBitmap Scrolled, Repainted;
        GrabWindow(&Form, &Scrolled);
        S->Invalidate();
        S->Update();
        GrabWindow(&Form, &Repainted);
        int Different = 0;
        for (int Y = 0; Y < 80; ++Y)
            for (int X = 0; X < 100; ++X)
                Different += Scrolled.Canvas()->Pixels(X, Y) != Repainted.Canvas()->Pixels(X, Y);
        EXPECT_EQ(Different, 0);
        EXPECT_EQ(Scrolled.Canvas()->Pixels(35, 35), clBlue);
    }
}

namespace {

/// Counts its paintings.
class PaintCounter : public TCustomControl {
public:
    explicit PaintCounter(TComponent* AOwner) : TCustomControl(AOwner) {}
    int Paints = 0;

protected:
    void Paint() override { ++Paints; }
};

}  // namespace

TEST(LockWindowUpdate, HoldsOneWindowsPaintingBackUntilUnlocked)
{
    TForm A(nullptr, 0);
    A.SetBounds(0, 0, 200, 100);
    auto* Counter = new PaintCounter(&A);
    Counter->SetParent(&A);
    Counter->SetBounds(0, 0, 50, 50);
    TForm B(nullptr, 0);
    A.Show();
    B.Show();
    Counter->Repaint();
    const int Before = Counter->Paints;
    ASSERT_TRUE(LockWindowUpdate(A.Handle()));
    EXPECT_FALSE(LockWindowUpdate(B.Handle())); // one window at a time
    Counter->Invalidate();
    Application->ProcessMessages();
    EXPECT_EQ(Counter->Paints, Before);
    EXPECT_TRUE(LockWindowUpdate(nullptr));
    Application->ProcessMessages();
    EXPECT_GT(Counter->Paints, Before);
    EXPECT_TRUE(LockWindowUpdate(B.Handle()));
    EXPECT_TRUE(LockWindowUpdate(nullptr));
}
