// Writes the templates the program ships: price tags of 40x60, 60x100 and
// 75x90 mm (width x height) laid out several to an A4 sheet, and the
// invoice statement. Run it as `make_templates data/TXT` after changing a
// layout; the files it writes are kept in the repository and embedded into
// the program, which copies a missing one into the shop's TXT folder.
//
// Geometry is in millimetres on the printable area of an A4 sheet (about
// 197 x 288 mm on a common laser printer). A tag kind prints one group of
// tags across the sheet per data row: the document name's "(N)" is the
// group size, and the Kth tag of a row asks for its variables with ".K".

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_View.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Exceptions.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr Cardinal AlignLeft = 0;
constexpr Cardinal AlignRight = 1;
constexpr Cardinal AlignCentre = 2;
constexpr Cardinal VCentre = 0x80;
constexpr Cardinal VBottom = 0x88;
constexpr Cardinal Wrap = 0x200;

constexpr Word Bold = 2;

constexpr Word RightSide = 1;
constexpr Word BottomSide = 2;
constexpr Word LeftSide = 4;
constexpr Word TopSide = 8;
constexpr Word AllSides = RightSide | BottomSide | LeftSide | TopSide;

constexpr TColor HeadingFill = 0xE8E8E8;

/// Width of the printable area of an A4 sheet on a common laser printer.
constexpr double PrintableWidth = 197;

struct Box {
    double Left;
    double Top;
    double Width;
    double Height;
};

/// A text element at Box (millimetres) on the current page.
TView* AddText(TDocument& Doc, const Box& B, const char* Text, int Size, Word Style,
               Cardinal Align, Word Frame = 0, int FrameWidth = 1)
{
    auto* V = new TView(vkText, &Doc);
    V->SetLeftMM(B.Left * 100);
    V->SetTopMM(B.Top * 100);
    V->SetWidthMM(B.Width * 100);
    V->SetHeightMM(B.Height * 100);
    V->Lines->SetText(AnsiString::FromUtf8(Text));
    V->FontSize = Size;
    V->FontStyle = Style;
    V->Alignment = Align;
    V->FrameTyp = Frame;
    V->FrameWidth = FrameWidth;
    Doc.CurrentPage()->AddView(V);
    return V;
}

/// A band area of Kind from Top, Height millimetres high.
void AddBand(TDocument& Doc, TBandType Kind, double Top, double Height)
{
    auto* V = new TView(vkBandArea, &Doc);
    V->BandTyp = Kind;
    V->SetTopMM(Top * 100);
    V->SetHeightMM(Height * 100);
    V->Lines->SetText(BandTypeName(Kind, /*Russian=*/true));
    Doc.CurrentPage()->AddView(V);
}

/// An empty portrait A4 template with its names.
void StartTemplate(TDocument& Doc, const char* Title, const char* NameDocument)
{
    Doc.New();
    Doc.SetTitle(AnsiString::FromUtf8(Title));
    Doc.SetNameDocument(AnsiString::FromUtf8(NameDocument));
    Doc.DefDesigner->CoordMM = true;
}

/// How one tag size is laid out: its outer size and the type sizes of its
/// lines, in points.
struct TagStyle {
    const char* Title;
    const char* NameDocument;
    double Width;
    double Height;
    int Across;
    int ShopSize;
    int NameSize;
    int PriceSize;
    int CardSize;
    int SmallSize;
};

/// Height in pixels of one line of text in an element's font, measured as
/// the engine lays it out, and (Leading) the font's internal leading.
int LineHeight(TDocument& Doc, int Size, Word Style, int* Leading = nullptr)
{
    TView Probe(vkText, &Doc);
    Probe.FontSize = Size;
    Probe.FontStyle = Style;
    TBitmap Canvas;
    Canvas.SetSize(8, 8);
    Probe.MakeFont(Canvas.Canvas()->Font(), vkText);
    const TextPieceMetrics M = CurrentViewTextDevice()->Measure(Canvas.Canvas(), "Ag");
    if (Leading)
        *Leading = M.IntLeading;
    return M.Height;
}

constexpr double MMPerPixel = 25.4 / 96;

std::string Var(const char* Name, int K)
{
    return std::string(Name) + "." + std::to_string(K);
}

/// One tag at X (millimetres from the left of the printable area), the Kth
/// of its group: the shop and the item's name at the top, the date with the
/// country and warranty at the bottom, and the price with the unit and the
/// card price centred in between. Every element carries K as its Tag, so a
/// tag without a row is left out whole; the prices shrink to fit their
/// boxes, whatever their style and size.
void AddTag(TDocument& Doc, const TagStyle& S, double X, int K)
{
    const double Pad = S.Width >= 60 ? 3 : 2;
    const double W = S.Width - 2 * Pad;
    const double L = X + Pad;
    const auto Line = [&Doc](int Size, Word Style = 0) {
        return LineHeight(Doc, Size, Style) * MMPerPixel;
    };
    const auto AddText = [&Doc, K](const Box& B, const std::string& Text, int Size, Word Style,
                                   Cardinal Align, Word Frame = 0, int FrameWidth = 1) {
        TView* V = ::AddText(Doc, B, Text.c_str(), Size, Style, Align, Frame, FrameWidth);
        V->Tag = K;
        return V;
    };
    AddText({X, 0, S.Width, S.Height}, "", 8, 0, AlignLeft, AllSides, 2);

    double Y = Pad * 0.6;
    const double ShopH = Line(S.ShopSize) + 0.6;
    AddText({L, Y, W, ShopH}, "[CUSTOMER]", S.ShopSize, 0, AlignCentre, BottomSide);
    Y += ShopH + 0.8;
    // Three lines: a longer name is cut after its third line. Lines are
    // drawn raised by the font's internal leading, so the box ends where the
    // third line's cell ends and no tall letter of a fourth line shows.
    TView* Name = AddText({L, Y, W, 0}, "[" + Var("NAME", K) + "]", S.NameSize,
                          Bold, AlignCentre | Wrap);
    int Leading = 0;
    Name->SetHeight(3 * LineHeight(Doc, S.NameSize, Bold, &Leading) - Leading);
    const double NameBottom = Y + Name->HeightMM() / 100;

    const double SmallH = Line(S.SmallSize);
    double Bottom = S.Height - Pad * 0.6 - SmallH - 0.6;
    AddText({L, Bottom, W, SmallH + 0.6}, "[DATE]", S.SmallSize, 0, AlignLeft | VBottom,
            TopSide);
    Bottom -= SmallH + 0.5;
    AddText({L, Bottom, W, SmallH}, "[" + Var("WARRANTY", K) + "]", S.SmallSize,
            0, AlignLeft);
    Bottom -= SmallH;
    AddText({L, Bottom, W, SmallH}, "['Страна: '" + Var("COUNTRY", K) + "]",
            S.SmallSize, 0, AlignLeft);

    // A price box is exactly one line high, so a price that fits its width
    // keeps its type size; a longer one is drawn smaller, centred.
    const auto AddPrice = [&](double Top, const std::string& Text, int Size) {
        TView* V = AddText({L, Top, W, 0}, Text, Size, Bold, AlignCentre | VCentre);
        V->SetHeight(LineHeight(Doc, Size, Bold));
        V->DrawTextToFrame = true;
        return V->HeightMM() / 100;
    };
    const double PriceH = Line(S.PriceSize, Bold);
    const double CardH = Line(S.CardSize, Bold);
    const double Middle = PriceH + SmallH + 0.5 + CardH;
    Y = NameBottom + (Bottom - NameBottom - Middle) / 2;
    Y += AddPrice(Y, "[" + Var("PRICE", K) + "]", S.PriceSize);
    AddText({L, Y, W, SmallH},
            "[" + Var("RUB", K) + "][' за '" + Var("ED", K) + "]", S.SmallSize, 0,
            AlignRight);
    Y += SmallH + 0.5;
    AddPrice(Y, "[" + Var("BYCARD", K) + "] [" + Var("PRICEDISCOUNT", K) + "]", S.CardSize);
}

void MakeTicket(TDocument& Doc, const TagStyle& S)
{
    StartTemplate(Doc, S.Title, S.NameDocument);
    AddBand(Doc, btMasterData, 0, S.Height);
    // The group is centred across the printable width.
    const double Left = (PrintableWidth - S.Across * S.Width) / 2;
    for (int K = 1; K <= S.Across; ++K)
        AddTag(Doc, S, Left + (K - 1) * S.Width, K);
}

/// The invoice statement's columns: heading, variable, width, alignment
/// and whether the column holds money.
struct Column {
    const char* Heading;
    const char* Text;
    double Width;
    Cardinal Align;
    bool Money;
};

const Column Columns[] = {
    {"№", "[LINE]", 11, AlignRight, false},
    {"Наименование товара", "[NAME]", 77, AlignLeft | Wrap, false},
    {"Ед.", "[ED]", 11, AlignCentre, false},
    {"Кол-во", "[KOLVO]", 15, AlignRight, false},
    {"Цена закуп.", "[PRICEOPT]", 24, AlignRight, true},
    {"Цена розн.", "[PRICE]", 24, AlignRight, true},
    {"Сумма розн.", "[SUMMA]", 28, AlignRight, true},
};
constexpr double TableLeft = (PrintableWidth - 190) / 2;

int Px(double MM)
{
    return static_cast<int>(MM / MMPerPixel + 0.5);
}

/// A row of framed cells at Top, the text kept off the frame and centred
/// up and down. Cell edges are whole pixels and each line between two
/// cells is drawn by one of them only (a cell draws its left and bottom
/// sides; the last one its right side too; a heading its top), so no line
/// is doubled. Data cells grow: a long name wraps, and every cell of its
/// row grows with it. Money too wide for its cell is drawn smaller.
void AddRow(TDocument& Doc, double Top, double Height, bool Heading)
{
    // Right-aligned figures keep a wider gap: their drawn width runs a
    // little past the measured one.
    constexpr double Inset = 0.8;
    constexpr double InsetRight = 1.4;
    double X = TableLeft;
    for (const Column& C : Columns) {
        const int L = Px(X);
        const int R = Px(X + C.Width);
        Word Sides = LeftSide | BottomSide | (Heading ? TopSide : 0);
        if (&C == &Columns[std::size(Columns) - 1])
            Sides |= RightSide;
        TView* Frame = AddText(Doc, {0, Top, 0, Height}, "", 8, 0, AlignLeft, Sides);
        Frame->SetLeft(L);
        Frame->SetWidth(R - L);
        const Cardinal Align = Heading ? AlignCentre | VCentre | Wrap : C.Align | VCentre;
        const int Right = (Align & 3) == AlignRight ? Px(InsetRight) : Px(Inset);
        TView* Text = AddText(Doc, {0, Top + Inset / 2, 0, Height - Inset},
                              Heading ? C.Heading : C.Text, 8, Heading ? Bold : 0, Align);
        Text->SetLeft(L + Px(Inset));
        Text->SetWidth(R - L - Px(Inset) - Right);
        if (Heading) {
            Frame->FillColor = HeadingFill;
        } else {
            Frame->SC = true;
            Text->SC = true;
            Text->DrawTextToFrame = C.Money;
        }
        X += C.Width;
    }
}

void MakeReport(TDocument& Doc)
{
    StartTemplate(Doc, "Ведомость", "Ведомость");
    double TableWidth = 0;
    for (const Column& C : Columns)
        TableWidth += C.Width;

    // Title: the shop, the statement with its own number, the invoice it
    // is made from and its date.
    AddBand(Doc, btReportTitle, 0, 32);
    AddText(Doc, {TableLeft, 2, TableWidth, 5}, "[CUSTOMER]", 9, 0, AlignLeft);
    AddText(Doc, {TableLeft, 8, TableWidth, 7}, "Ведомость[' № 'NUMDOC]", 13, Bold,
            AlignCentre | VCentre);
    AddText(Doc, {TableLeft, 15, TableWidth, 5}, "[NAMEDOC]", 9, 0, AlignCentre);
    AddText(Doc, {TableLeft, 20, TableWidth, 5}, "Дата: [DATEDOCMONTH]", 9, 0, AlignCentre);
    AddText(Doc, {TableLeft, 26, TableWidth / 2, 5}, "['Отдел: 'DEPART]", 9, 0, AlignLeft);
    AddText(Doc, {TableLeft + TableWidth / 2, 26, TableWidth / 2, 5},
            "['Ответственный: 'RESPFIO]", 9, 0, AlignRight);

    // Column headings above the first row; rows; the total under the sum
    // column; the purchase and retail totals and the signatures.
    AddBand(Doc, btMasterHeader, 33, 9);
    AddRow(Doc, 33, 9, /*Heading=*/true);
    AddBand(Doc, btMasterData, 43, 5);
    AddRow(Doc, 43, 5, /*Heading=*/false);
    AddBand(Doc, btMasterFooter, 49, 6);
    const double SumWidth = Columns[std::size(Columns) - 1].Width;
    const double SumLeft = TableLeft + TableWidth - SumWidth;
    AddText(Doc, {TableLeft, 49, TableWidth - SumWidth - 1, 6}, "Итого:", 9, Bold,
            AlignRight | VCentre);
    TView* SumFrame = AddText(Doc, {0, 49, 0, 6}, "", 9, 0, AlignLeft,
                              LeftSide | BottomSide | RightSide);
    SumFrame->SetLeft(Px(SumLeft));
    SumFrame->SetWidth(Px(SumLeft + SumWidth) - Px(SumLeft));
    AddText(Doc, {SumLeft + 0.8, 49, SumWidth - 2.2, 6}, "[ITOGO]", 9, Bold,
            AlignRight | VCentre)
        ->DrawTextToFrame = true;
    AddBand(Doc, btReportSummary, 56, 24);
    AddText(Doc, {TableLeft, 58, TableWidth, 5}, "Сумма по закупочным ценам: [ITOGOOPT]", 9, 0,
            AlignLeft);
    AddText(Doc, {TableLeft, 64, TableWidth, 5}, "Сумма по розничным ценам: [ITOGO]", 9, 0,
            AlignLeft);
    AddText(Doc, {TableLeft, 74, 100, 5}, "Ответственный ________________ [RESPFIO]", 9, 0,
            AlignLeft);
    AddText(Doc, {TableLeft + 110, 74, TableWidth - 110, 5}, "Подпись ________________", 9, 0,
            AlignLeft);

    // The headings again at the top of every later page.
    AddBand(Doc, btPageHeader, 100, 9);
    AddRow(Doc, 100, 9, /*Heading=*/true);

    AddBand(Doc, btPageFooter, 281, 6);
    AddText(Doc, {TableLeft, 282, TableWidth, 4}, "Страница [PAGE]", 7, 0, AlignRight,
            TopSide);
}

const TagStyle Tags[] = {
    {"Ценник 40x60", "Ценник 40x60 мм (4)", 40, 60, 4, 6, 9, 22, 9, 6},
    {"Ценник 60x100", "Ценник 60x100 мм (3)", 60, 100, 3, 8, 14, 40, 14, 9},
    {"Ценник 75x90", "Ценник 75x90 мм (2)", 75, 90, 2, 9, 14, 48, 16, 9},
};

void Save(TDocument& Doc, const std::string& Dir, const char* Name)
{
    const std::string File = Dir + "/" + Name;
    Doc.SaveToBinaryFile(AnsiString::FromUtf8(File));
    std::printf("%s\n", File.c_str());
}

} // namespace

int main(int Argc, char** Argv)
{
    if (Argc != 2) {
        std::fprintf(stderr, "usage: make_templates DIR\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    int GuiArgc = 1;
    GuiStartup(GuiArgc, Argv);
    const std::string Dir = Argv[1];
    try {
        for (int I = 0; I < 3; ++I) {
            TDocument Doc(nullptr);
            MakeTicket(Doc, Tags[I]);
            Save(Doc, Dir, ("Ticket" + std::to_string(I + 1) + ".dcr").c_str());
        }
        TDocument Report(nullptr);
        MakeReport(Report);
        Save(Report, Dir, "Report.dcr");
    } catch (const Exception& E) {
        std::fprintf(stderr, "make_templates: %s\n", E.Message.ToUtf8().c_str());
        return 1;
    }
    return 0;
}
