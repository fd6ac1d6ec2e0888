#include "common/reports/RP_View.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"

#include "platform/classes/Strings.h"
#include "platform/gui/Graphics.h"

#include "tests/common/reports/ReportHost.h"

#include <gtest/gtest.h>

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
