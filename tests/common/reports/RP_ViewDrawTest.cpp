#include "common/reports/RP_View.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Graphics.h"

#include "tests/common/reports/ReportHost.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace rpt;

namespace {

/// An element at (10, 10, 18, 18) drawn on a white 60 x 60 bitmap; in the
/// designer it shows moved by the unprintable border (23, 16).
struct Surface {
    Surface()
    {
        Doc.UpdatePrnInfo(false);
        Bitmap.SetSize(60, 60);
        Clear();
    }
    TView* Add(Byte Kind)
    {
        auto* V = new TView(Kind, &Doc);
        V->SetBoundsRect(Rect(10, 10, 18, 18));
        Doc.CurrentPage()->AddView(V);
        return V;
    }
    void Clear()
    {
        Bitmap.Canvas()->Brush()->SetColor(clWhite);
        Bitmap.Canvas()->Brush()->SetStyle(bsSolid);
        Bitmap.Canvas()->FillRect(Rect(0, 0, 60, 60));
    }
    TColor At(int X, int Y) { return Bitmap.Canvas()->Pixels(X, Y); }

    FixedTextDevice Device;
    TDocument Doc{nullptr};
    TBitmap Bitmap;
};

struct OwnerDrawHost {
    int Calls = 0;
    TRect Rect;
    void Draw(TObject*, TBandType, TStringList*, TCanvas*, TRect& R)
    {
        ++Calls;
        Rect = R;
    }
};

}  // namespace

TEST(RP_ViewDraw, FillAndFrameInOutputAndDesign)
{
    Surface S;
    TView* V = S.Add(vkText);
    S.Doc.OutputMode = true;
    V->Draw(S.Bitmap.Canvas(), dmOutput);
    EXPECT_EQ(S.At(10, 10), clWhite) << "no fill, no sides: nothing in output";

    V->FillColor = clRed;
    V->FrameTyp = 0x0F;
    V->Draw(S.Bitmap.Canvas(), dmOutput);
    EXPECT_EQ(S.At(13, 13), clRed) << "the whole element filled";
    EXPECT_EQ(S.At(10, 14), clBlack) << "left side";
    EXPECT_EQ(S.At(14, 18), clBlack) << "bottom side at top + height";
    V->Draw(S.Bitmap.Canvas(), dmMeasure);

    // Left out by the host: neither fill nor frame.
    struct Hider {
        void EnterRect(TObject*, TBandType, TStringList*, TView* View) { View->Hidden = true; }
    } H;
    S.Doc.OnEnterRect = TEnterRectEvent(&H, &Hider::EnterRect);
    S.Clear();
    V->Draw(S.Bitmap.Canvas(), dmOutput);
    EXPECT_EQ(S.At(13, 13), clWhite) << "a hidden element is not filled";
    EXPECT_EQ(S.At(10, 14), clWhite) << "nor framed";
    S.Doc.OnEnterRect = TEnterRectEvent();
    V->Draw(S.Bitmap.Canvas(), dmOutput);
    EXPECT_EQ(S.At(10, 14), clBlack) << "shown again when the host says nothing";

    Surface Design;
    TView* D = Design.Add(vkText);
    D->Draw(Design.Bitmap.Canvas(), dmDesign);
    // The corner pixel itself is inverted twice (both marks start there).
    EXPECT_EQ(Design.At(34, 26), clBlack) << "corner marks show an element without sides";
    EXPECT_EQ(Design.At(37, 30), clWhite);
    Design.Clear();
    Design.Doc.DefDesigner->ClearAsWhite = true;
    Design.Bitmap.Canvas()->Brush()->SetColor(clGreen);
    Design.Bitmap.Canvas()->FillRect(Rect(0, 0, 60, 60));
    D->Draw(Design.Bitmap.Canvas(), dmDesign);
    EXPECT_EQ(Design.At(37, 30), clWhite) << "no fill shows white in the designer";
}

TEST(RP_ViewDraw, PicturesStretchedTiledOrCut)
{
    Surface S;
    S.Doc.OutputMode = true;
    TView* V = S.Add(vkPicture);
    V->Picture->SetSize(4, 4);
    V->Picture->Canvas()->Brush()->SetColor(clRed);
    V->Picture->Canvas()->FillRect(Rect(0, 0, 4, 4));
    struct Case {
        bool Stretch;
        bool Tile;
        TColor Far;
        const char* Why;
    } const Cases[] = {
        {true, false, clRed, "stretched over the element"},
        {false, true, clRed, "tiled over the element"},
        {false, false, clWhite, "only the top-left part, unscaled"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        S.Clear();
        V->Alignment = 0;
        V->SetStretch(C.Stretch);
        V->SetTile(C.Tile);
        V->Draw(S.Bitmap.Canvas(), dmOutput);
        EXPECT_EQ(S.At(11, 11), clRed);
        EXPECT_EQ(S.At(16, 16), C.Far);
        EXPECT_EQ(S.At(19, 19), clWhite) << "nothing past the element";
    }
    S.Clear();
    V->Draw(S.Bitmap.Canvas(), dmMeasure);
    EXPECT_EQ(S.At(11, 11), clWhite) << "the measuring pass paints nothing";
}

TEST(RP_ViewDraw, OwnerDrawnFrameLeavesDrawingToTheHost)
{
    Surface S;
    OwnerDrawHost Host;
    S.Doc.OnOwnerDraw = TOwnerDrawEvent(&Host, &OwnerDrawHost::Draw);
    S.Doc.OutputMode = true;
    TView* V = S.Add(vkOwnerDraw);
    V->FrameTyp = 0x0F;
    V->FillColor = clRed;
    V->Draw(S.Bitmap.Canvas(), dmOutput);
    EXPECT_EQ(Host.Calls, 1);
    EXPECT_EQ(Host.Rect, Rect(10, 10, 18, 18));
    EXPECT_EQ(S.At(13, 13), clWhite) << "the element draws nothing itself";
    EXPECT_EQ(S.At(10, 13), clWhite);
}

// Elements with the installed fonts: inline tags, a raised 3-D text,
// vertical text and a wrapped centred text, kept as a PNG to look at.
TEST(RP_ViewDraw, ElementsWithInstalledFonts)
{
    TDocument Doc(nullptr);
    Doc.UpdatePrnInfo(false);
    Doc.OutputMode = true;
    TBitmap Shot;
    Shot.SetSize(320, 160);
    Shot.Canvas()->Brush()->SetColor(clWhite);
    Shot.Canvas()->FillRect(Rect(0, 0, 320, 160));
    const auto Add = [&Doc](const TRect& R, const char* Text) {
        auto* V = new TView(vkText, &Doc);
        V->SetBoundsRect(R);
        V->Lines->SetText(AnsiString::FromUtf8(Text));
        V->FrameTyp = 0x0F;
        Doc.CurrentPage()->AddView(V);
        return V;
    };
    TView* Tags = Add(Rect(4, 4, 204, 44), "Цена <B>125,00</B> <COLOR=Red>руб.<COLOR=Black><BR>"
                                          "<SMALL>по карте</SMALL> <BIG>99</BIG>");
    Tags->FontSize = 10;
    TView* Raised = Add(Rect(4, 50, 204, 100), "<CENTER>Акция");
    Raised->FontSize = 24;
    Raised->FontStyle = 2;
    Raised->Show3d = true;
    Raised->Type3d = 1;
    Raised->ShadowLen = 2;
    Raised->FillColor = clSilver;
    TView* Up = Add(Rect(210, 4, 240, 150), "Вертикально");
    Up->SetVertical(true);
    Up->SetHorzAlign(2);
    TView* Wrap = Add(Rect(4, 106, 204, 156), "Длинное название товара, которое переносится");
    Wrap->SetWordWrap(true);
    Wrap->SetHorzAlign(2);
    Wrap->SetVertAlign(0x80);
    for (int I = 0; I < Doc.CurrentPage()->ViewCount(); ++I)
        Doc.CurrentPage()->GetView(I)->Draw(Shot.Canvas(), dmOutput);

    int Dark = 0;
    for (int Y = 5; Y < 43; ++Y)
        for (int X = 5; X < 203; ++X)
            Dark += Shot.Canvas()->Pixels(X, Y) == clBlack ? 1 : 0;
    EXPECT_GT(Dark, 50) << "the tagged text is drawn";
    const char* Dir = std::getenv("PRICETAGS_PNG_DIR");
    WriteBytes(std::filesystem::path(Dir ? Dir : "/tmp") / "report-elements.png",
               Shot.SaveToPngBytes());
}
