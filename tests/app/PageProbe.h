#pragma once

// Looks at printed pages as a reader would: a PDF page rendered to grey
// pixels (pdftoppm), and the boxes of a tag template's elements found on it,
// so a test can tell whether the ink of a price lies whole inside its box
// (a price cut by its box leaves ink on the box's edge; the PDF's text
// holds the whole price all the same) and whether a tag printed anything.

#include "app/PriceFormat.h"
#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_View.h"
#include "platform/classes/Strings.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace page_probe {

/// Value in display Style as pdftotext reads it back from a printed page
/// (the thousands separator, a no-break space, comes back as a space).
inline std::string PriceText(int Style, Currency Value)
{
    AnsiString Text;
    FormatPrice(Style, Text, Value);
    std::string S = Text.ToUtf8();
    for (size_t At = S.find("\u00A0"); At != std::string::npos; At = S.find("\u00A0", At))
        S.replace(At, 2, " ");
    return S;
}

/// A rectangle in page pixels; right and bottom excluded.
struct PixelBox {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

/// One page rendered in grey at Dpi.
class PageImage {
public:
    /// Renders page Page (1-based) of Pdf, or only its top TopMM
    /// millimetres; an empty image when it cannot.
    PageImage(const std::string& Pdf, int Page, int Dpi, int TopMM = 0) : FDpi(Dpi)
    {
        const std::filesystem::path Out =
            std::filesystem::temp_directory_path() /
            ("pricetags-probe-" + std::to_string(::getpid()));
        const std::string N = std::to_string(Page);
        const std::string Crop =
            TopMM > 0 ? " -x 0 -y 0 -W 100000 -H " + std::to_string(TopMM * Dpi * 10 / 254)
                      : std::string();
        RunCommand("pdftoppm -gray -r " + std::to_string(Dpi) + " -f " + N + " -l " + N + Crop +
                   " -singlefile '" + Pdf + "' '" + Out.string() + "'");
        const std::string Bytes = ReadBytes(Out.string() + ".pgm");
        std::filesystem::remove(Out.string() + ".pgm");
        Parse(Bytes);
    }

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Dpi() const { return FDpi; }
    bool Dark(int X, int Y) const
    {
        return X >= 0 && Y >= 0 && X < FWidth && Y < FHeight &&
               FPixels[static_cast<size_t>(Y) * FWidth + X] < 128;
    }
    /// The bounding box of the ink inside B; Right = 0 when there is none.
    PixelBox InkIn(const PixelBox& B) const
    {
        PixelBox Ink{B.Right, B.Bottom, 0, 0};
        for (int Y = B.Top; Y < B.Bottom; ++Y)
            for (int X = B.Left; X < B.Right; ++X)
                if (Dark(X, Y)) {
                    Ink.Left = std::min(Ink.Left, X);
                    Ink.Top = std::min(Ink.Top, Y);
                    Ink.Right = std::max(Ink.Right, X + 1);
                    Ink.Bottom = std::max(Ink.Bottom, Y + 1);
                }
        return Ink;
    }

private:
    void Parse(const std::string& Bytes)
    {
        // "P5\n<w> <h>\n255\n" then the pixels.
        size_t At = 0;
        std::vector<int> Numbers;
        if (Bytes.rfind("P5", 0) != 0)
            return;
        At = 2;
        while (Numbers.size() < 3 && At < Bytes.size()) {
            while (At < Bytes.size() && std::isspace(static_cast<unsigned char>(Bytes[At])))
                ++At;
            int N = 0;
            while (At < Bytes.size() && std::isdigit(static_cast<unsigned char>(Bytes[At])))
                N = N * 10 + (Bytes[At++] - '0');
            Numbers.push_back(N);
        }
        ++At;
        if (Numbers.size() < 3 || Bytes.size() - At < size_t(Numbers[0]) * Numbers[1])
            return;
        FWidth = Numbers[0];
        FHeight = Numbers[1];
        FPixels.assign(Bytes.begin() + At, Bytes.begin() + At + size_t(FWidth) * FHeight);
    }

    int FDpi;
    int FWidth = 0;
    int FHeight = 0;
    std::vector<uint8_t> FPixels;
};

/// One element of a tag template, in template pixels (96 dpi, relative to
/// the printable area).
struct TemplateBox {
    int Tag = 0;  // the tag of the group it belongs to
    std::string Text;
    PixelBox Box;
};

/// The elements of a tag template (every page's data band starts at the
/// printable area's top) and its band height.
struct TagTemplate {
    std::vector<TemplateBox> Boxes;
    int BandHeight = 0;

    explicit TagTemplate(const AnsiString& File)
    {
        TDocument Doc(nullptr);
        Doc.LoadFromBinaryFile(File);
        TPage& Page = *Doc.GetPage(0);
        for (int I = 0; I < Page.ViewCount(); ++I) {
            TView& V = *Page.GetView(I);
            if (V.Kind == vkBandArea) {
                BandHeight = V.GetHeight();
                continue;
            }
            Boxes.push_back({V.Tag, V.Lines->Text().ToUtf8(),
                             {V.GetLeft(), V.GetTop(), V.GetRight(), V.GetBottom()}});
        }
    }

    /// The element of tag K whose text holds Part.
    const TemplateBox* Find(int K, const std::string& Part) const
    {
        for (const TemplateBox& B : Boxes)
            if (B.Tag == K && B.Text.find(Part) != std::string::npos)
                return &B;
        return nullptr;
    }
    /// The frame of tag K: its element without text.
    const TemplateBox* Frame(int K) const
    {
        for (const TemplateBox& B : Boxes)
            if (B.Tag == K && B.Text.empty())
                return &B;
        return nullptr;
    }
};

/// Where a tag template's elements lie on a rendered page: anchored on the
/// frame of the first tag of the page's first row (its top and left lines,
/// the longest dark runs in the top-left corner of the page).
class TagSheet {
public:
    TagSheet(const PageImage& Image, const TagTemplate& Template)
        : FImage(Image), FTemplate(Template), FScale(Image.Dpi() / 96.0)
    {
        const TemplateBox* Frame = Template.Frame(1);
        const int MinRun = static_cast<int>((Frame->Box.Right - Frame->Box.Left) * FScale / 2);
        // The first rows and columns holding a long dark run are the frame's
        // top and left lines: their middle is the frame's edge.
        const auto HasLongRun = [&](bool InRow, int At) {
            const int Length = InRow ? Image.Width() : Image.Height();
            int Run = 0;
            for (int I = 0; I < Length; ++I)
                if ((Run = Image.Dark(InRow ? I : At, InRow ? At : I) ? Run + 1 : 0) >= MinRun)
                    return true;
            return false;
        };
        const auto LineAround = [&](bool InRow, int& First, int& End) {
            const int Length = InRow ? Image.Height() : Image.Width();
            First = 0;
            while (First < Length && !HasLongRun(InRow, First))
                ++First;
            End = First;
            while (End < Length && HasLongRun(InRow, End))
                ++End;
        };
        int Top = 0;
        int Bottom = 0;
        int Left = 0;
        int Right = 0;
        LineAround(/*InRow=*/true, Top, Bottom);
        LineAround(/*InRow=*/false, Left, Right);
        FOffsetX = (Left + Right) / 2.0 - Frame->Box.Left * FScale;
        FOffsetY = (Top + Bottom) / 2.0 - Frame->Box.Top * FScale;
    }

    /// The page pixels of a template box on data row Row (0-based).
    PixelBox OnPage(const PixelBox& B, int Row) const
    {
        const double Y = FOffsetY + Row * FTemplate.BandHeight * FScale;
        return {static_cast<int>(FOffsetX + B.Left * FScale + 0.5),
                static_cast<int>(Y + B.Top * FScale + 0.5),
                static_cast<int>(FOffsetX + B.Right * FScale + 0.5),
                static_cast<int>(Y + B.Bottom * FScale + 0.5)};
    }

    /// Checks that the element of tag K on Row holding Part printed ink,
    /// none of it on the box's left or right edge (a text too wide for its
    /// box is cut there). Only the middle of the box's height is looked at:
    /// the lines above and below reach a little into it with their leading.
    void ExpectInkInside(int K, int Row, const std::string& Part, const std::string& What) const
    {
        SCOPED_TRACE(What + ": tag " + std::to_string(K) + " of row " + std::to_string(Row + 1) +
                     ", " + Part);
        const TemplateBox* B = FTemplate.Find(K, Part);
        ASSERT_NE(B, nullptr);
        PixelBox Box = OnPage(B->Box, Row);
        const int Margin = (Box.Bottom - Box.Top) * 15 / 100;
        Box.Top += Margin;
        Box.Bottom -= Margin;
        const PixelBox Ink = FImage.InkIn(Box);
        ASSERT_GT(Ink.Right, 0) << "nothing printed in the box";
        EXPECT_GT(Ink.Left, Box.Left) << "ink on the box's left edge";
        EXPECT_LT(Ink.Right, Box.Right) << "ink on the box's right edge";
    }

    /// Checks that tag K of Row, the last row of its page, printed
    /// nothing, frame included. Its top line and its left and right ones
    /// may be a filled neighbour's; its inside and its bottom line are its
    /// own.
    void ExpectBlank(int K, int Row) const
    {
        SCOPED_TRACE("tag " + std::to_string(K) + " of row " + std::to_string(Row + 1));
        const TemplateBox* Frame = FTemplate.Frame(K);
        ASSERT_NE(Frame, nullptr);
        const PixelBox Box = OnPage(Frame->Box, Row);
        const int Line = static_cast<int>(2 * FScale) + 1;
        const PixelBox Own{Box.Left + Line, Box.Top + Line, Box.Right - Line, Box.Bottom + Line};
        EXPECT_EQ(FImage.InkIn(Own).Right, 0) << "the empty tag printed something";
    }

private:
    const PageImage& FImage;
    const TagTemplate& FTemplate;
    double FScale;
    double FOffsetX = 0;
    double FOffsetY = 0;
};

} // namespace page_probe
