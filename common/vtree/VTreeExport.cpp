// The string tree's content as HTML (and the CF_HTML clipboard document),
// RTF, separated CP1251 text and UTF-16 text.

#include "common/vtree/VTree.h"

#include "platform/forms/Clipbrd.h"
#include "platform/forms/Forms.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr char CRLF[] = "\r\n";

/// UTF-8 of a UTF-16 text: surrogate pairs combined, a lone surrogate
/// dropped.
std::string Utf8(const std::u16string& S)
{
    std::string Result;
    Result.reserve(S.size());
    for (size_t I = 0; I < S.size(); ++I) {
        char32_t C = S[I];
        if (C >= 0xD800 && C <= 0xDFFF) {
            if (C <= 0xDBFF && I + 1 < S.size() && S[I + 1] >= 0xDC00 && S[I + 1] <= 0xDFFF) {
                C = (C - 0xD800) * 0x400 + (S[I + 1] - 0xDC00) + 0x10000;
                ++I;
            } else {
                continue;
            }
        }
        if (C < 0x80) {
            Result += static_cast<char>(C);
        } else if (C < 0x800) {
            Result += static_cast<char>(0xC0 | C >> 6);
            Result += static_cast<char>(0x80 | (C & 0x3F));
        } else if (C < 0x10000) {
            Result += static_cast<char>(0xE0 | C >> 12);
            Result += static_cast<char>(0x80 | (C >> 6 & 0x3F));
            Result += static_cast<char>(0x80 | (C & 0x3F));
        } else {
            Result += static_cast<char>(0xF0 | C >> 18);
            Result += static_cast<char>(0x80 | (C >> 12 & 0x3F));
            Result += static_cast<char>(0x80 | (C >> 6 & 0x3F));
            Result += static_cast<char>(0x80 | (C & 0x3F));
        }
    }
    return Result;
}

/// A text for HTML: UTF-8 with the characters markup gives a meaning to
/// escaped, so that a cell reading "<b>" or "a & b" stays text.
std::string HtmlText(const std::u16string& S)
{
    const std::string Plain = Utf8(S);
    std::string Result;
    Result.reserve(Plain.size());
    for (char C : Plain) {
        switch (C) {
        case '<': Result += "&lt;"; break;
        case '>': Result += "&gt;"; break;
        case '&': Result += "&amp;"; break;
        case '"': Result += "&quot;"; break;
        default: Result += C; break;
        }
    }
    return Result;
}

std::string ColorText(TColor Color)
{
    const COLORREF RGBValue = ColorToRGB(Color);
    char Buffer[8];
    std::snprintf(Buffer, sizeof Buffer, "#%02X%02X%02X", GetRValue(RGBValue),
                  GetGValue(RGBValue), GetBValue(RGBValue));
    return Buffer;
}

/// The font style text of the HTML rendering; an empty class name writes
/// an inline style attribute.
std::string FontStyle(const std::string& ClassName, const TFont& Font)
{
    std::string Result = ClassName.empty() ? " style=\"{font:" : "." + ClassName + "{font:";
    const TFontStyles Style = Font.Style();
    if (Style.Contains(fsUnderline))
        Result += " underline";
    if (Style.Contains(fsItalic))
        Result += " italic";
    if (Style.Contains(fsBold))
        Result += " bold";
    Result += " " + std::to_string(Font.Size()) + "pt \"" + Font.Name().Std() + "\";";
    Result += "color:" + ColorText(Font.Color()) + ";}";
    if (ClassName.empty())
        Result += "\"";
    return Result;
}

std::string AlignmentAttribute(TAlignment Align)
{
    switch (Align) {
    case taRightJustify: return " align=right";
    case taCenter: return " align=center";
    case taLeftJustify: return " align=left";
    }
    return " align=left";
}

AnsiString Cp1251Text(const std::u16string& S)
{
    std::string Bytes;
    Bytes.reserve(S.size());
    for (char16_t C : S) {
        const int B = cp1251::FromUnicode(C);
        Bytes += B < 0 ? '?' : static_cast<char>(B);
    }
    return AnsiString(Bytes);
}

/// What of a font tells one cell's look from another's.
bool SameLook(const TFont& A, const TFont& B)
{
    return A.Name() == B.Name() && A.Height() == B.Height() && A.Style() == B.Style() &&
           A.Color() == B.Color();
}

/// The CF_HTML document around a fragment: the header with its offsets,
/// the document type, the head and the fragment's markers.
std::string CFHtml(const std::string& Html)
{
    static const std::string D1 =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">";
    static const std::string D2 =
        "<html><head><META http-equiv=Content-Type content=\"text/html; charset=utf-8\">"
        "</head><body><!--StartFragment-->";
    static const std::string Tail = "<!--EndFragment--></body></html>";
    auto Line = [](const char* Key, size_t Value) {
        char Buffer[40];
        std::snprintf(Buffer, sizeof Buffer, "%s%.8zu\r\n", Key, Value);
        return std::string(Buffer);
    };
    const size_t HeaderSize = 97;
    const size_t StartFragment = HeaderSize + D1.size() + D2.size();
    const size_t EndFragment = StartFragment + Html.size();
    const size_t EndHTML = EndFragment + Tail.size();
    std::string Result = "Version:1.0\r\n" + Line("StartHTML:", HeaderSize) +
                         Line("EndHTML:", EndHTML) + Line("StartFragment:", StartFragment) +
                         Line("EndFragment:", EndFragment);
    return Result + D1 + D2 + Html + Tail;
}

}  // namespace

TNodeArray TCustomVirtualStringTree::ExportNodes(TVSTTextSourceType Source)
{
    TNodeArray Nodes;
    switch (Source) {
    case tstAll:
        for (PVirtualNode Run = FirstNode(); Run; Run = NextNode(Run))
            Nodes.push_back(Run);
        break;
    case tstInitialized:
        for (PVirtualNode Run = FirstInitializedNode(); Run; Run = NextInitializedNode(Run))
            Nodes.push_back(Run);
        break;
    case tstSelected:
        Nodes = SelectedNodesInOrder(false);
        break;
    case tstCutCopySet:
        Nodes = ClipboardNodesInOrder(false);
        break;
    case tstVisible:
        for (PVirtualNode Run = FirstVisibleNode(); Run; Run = NextVisibleNode(Run))
            Nodes.push_back(Run);
        break;
    }
    return Nodes;
}

std::vector<TColumnIndex> TCustomVirtualStringTree::ExportColumns() const
{
    if (!Header()->UseColumns())
        return {NoColumn};
    return Header()->Columns()->GetVisibleColumns();
}

// ---- text -----------------------------------------------------------------------------------

namespace {

/// The separated text layout both text exports share: a header line with
/// header columns, then a line per node; the main column is padded with
/// separators to show the level. Cell(Node, Column) gives a cell's text as
/// the export writes it; Caption(Column) a header text.
template <class Str, class CellFn, class CaptionFn>
Str LayOutText(const TNodeArray& Nodes, const std::vector<Cardinal>& Levels,
               const std::vector<TColumnIndex>& Columns, bool UseColumns, TColumnIndex Main,
               typename Str::value_type Separator, CellFn Cell, CaptionFn Caption)
{
    Cardinal MaxLevel = 0;
    for (Cardinal Level : Levels)
        MaxLevel = std::max(MaxLevel, Level);
    const Str Filler(MaxLevel, Separator);
    const Str NewLine{'\r', '\n'};
    Str Result;
    if (UseColumns) {
        for (size_t I = 0; I < Columns.size(); ++I) {
            Result += Caption(Columns[I]);
            if (I + 1 < Columns.size()) {
                if (Columns[I] == Main)
                    Result += Filler;
                Result += Separator;
            }
        }
        Result += NewLine;
    }
    for (size_t N = 0; N < Nodes.size(); ++N) {
        const Cardinal Level = Levels[N];
        if (!UseColumns) {
            Result += Filler.substr(0, Level) + Cell(Nodes[N], NoColumn) + NewLine;
            continue;
        }
        for (size_t I = 0; I < Columns.size(); ++I) {
            if (Columns[I] == Main)
                Result += Filler.substr(0, Level) + Cell(Nodes[N], Columns[I]) +
                          Filler.substr(0, MaxLevel - Level);
            else
                Result += Cell(Nodes[N], Columns[I]);
            if (I + 1 < Columns.size())
                Result += Separator;
        }
        Result += NewLine;
    }
    return Result;
}

}  // namespace

AnsiString TCustomVirtualStringTree::ContentToText(TVSTTextSourceType Source, char Separator)
{
    const TNodeArray Nodes = ExportNodes(Source);
    std::vector<Cardinal> Levels;
    for (PVirtualNode Node : Nodes)
        Levels.push_back(NodeLevel(Node));
    // A cell with the separator or a double quote is quoted, the quotes in
    // it doubled.
    auto Cell = [this, Separator](PVirtualNode Node, TColumnIndex Column) {
        const AnsiString S = Cp1251Text(Text(Node, Column));
        const std::string& B = S.Std();
        if (B.find(Separator) == std::string::npos && B.find('"') == std::string::npos)
            return B;
        return AnsiQuotedStr(S, '"').Std();
    };
    auto Caption = [this](TColumnIndex Column) {
        return Cp1251Text(Header()->Columns()->GetItem(Column)->Text()).Std();
    };
    return AnsiString(LayOutText<std::string>(Nodes, Levels, ExportColumns(),
                                              Header()->UseColumns(), Header()->MainColumn(),
                                              Separator, Cell, Caption));
}

std::u16string TCustomVirtualStringTree::ContentToUnicode(TVSTTextSourceType Source,
                                                          char16_t Separator)
{
    const TNodeArray Nodes = ExportNodes(Source);
    std::vector<Cardinal> Levels;
    for (PVirtualNode Node : Nodes)
        Levels.push_back(NodeLevel(Node));
    auto Cell = [this](PVirtualNode Node, TColumnIndex Column) { return Text(Node, Column); };
    auto Caption = [this](TColumnIndex Column) {
        return Header()->Columns()->GetItem(Column)->Text();
    };
    return LayOutText<std::u16string>(Nodes, Levels, ExportColumns(), Header()->UseColumns(),
                                      Header()->MainColumn(), Separator, Cell, Caption);
}

// ---- HTML -----------------------------------------------------------------------------------

AnsiString TCustomVirtualStringTree::ContentToHTML(TVSTTextSourceType Source,
                                                   const std::u16string& Caption)
{
    const TNodeArray Nodes = ExportNodes(Source);
    const std::vector<TColumnIndex> Columns = ExportColumns();
    const bool UseColumns = Header()->UseColumns();
    TVirtualTreeColumns* Cols = Header()->Columns();
    Cardinal MaxLevel = 0;
    for (PVirtualNode Node : Nodes)
        MaxLevel = std::max(MaxLevel, NodeLevel(Node));
    const TColumnIndex Main = Header()->MainColumn();
    TCanvas* C = Canvas();
    TFont Saved;
    Saved.Assign(C->Font());
    C->Font()->Assign(Font());

    const std::string Padding = "padding-left:" + std::to_string(Margin()) +
                                "px;padding-right:" + std::to_string(Margin()) + "px;";
    std::string Attributes = " ";
    if (!Caption.empty())
        Attributes += "caption=\"" + HtmlText(Caption) + "\"";
    if (BorderStyle() != bsNone)
        Attributes += " border=\"" + std::to_string(BorderWidth() + 1) + "\" frame=box";

    const TVTPaintOptions Paint = TreeOptions()->PaintOptions();
    const std::string Line = LineStyle() == lsSolid ? "solid;" : "dotted;";
    std::string R;
    // Room for a typical cell and row markup at once (see ContentToRTF).
    R.reserve(1024 + Nodes.size() * (Columns.size() * 120 + 40));
    R = "<style type=\"text/css\">\r\n";
    R += FontStyle("default", *Font()) + CRLF;
    R += FontStyle("header", *Header()->Font()) + CRLF;
    if (Paint.Contains(toShowHorzGridLines))
        R += ".noborder{border-style:" + Line +
             " border-bottom:1;border-left:0;border-right:0; border-top:0;";
    else
        R += ".noborder{border-style:none;";
    R += Padding + "}" + CRLF;
    R += ".normalborder {border-top:none; border-left:none; ";
    R += Paint.Contains(toShowVertGridLines) ? "border-right:1 " + Line : "border-right:none;";
    R += Paint.Contains(toShowHorzGridLines) ? "border-bottom:1 " + Line : "border-bottom:none;";
    R += Padding + "}</style>" + CRLF;
    R += "<table class=\"default\" bgcolor=" + ColorText(Color()) + Attributes +
         " cellspacing=\"0\" cellpadding=" + std::to_string(Margin()) + ">" + CRLF;

    auto Alignment = [this, UseColumns, Cols](TColumnIndex Column, bool& RightToLeft) {
        RightToLeft = UseColumns ? Cols->GetItem(Column)->BiDiMode() != bdLeftToRight
                                 : BiDiMode() != bdLeftToRight;
        return UseColumns ? Cols->GetItem(Column)->Alignment() : this->Alignment();
    };
    if (UseColumns) {
        R += "<tr class=\"header\" style=\"" + Padding + "\">" + CRLF;
        for (TColumnIndex Column : Columns) {
            TVirtualTreeColumn* Col = Cols->GetItem(Column);
            bool RightToLeft = false;
            const TAlignment Align = Alignment(Column, RightToLeft);
            R += "<th height=\"" + std::to_string(Header()->Height()) + "px\"";
            if (RightToLeft)
                R += " dir=\"rtl\"";
            R += AlignmentAttribute(Align);
            if (Column == Main && MaxLevel > 0)
                R += " colspan=\"" + std::to_string(MaxLevel + 1) + "\"";
            R += " bgcolor=" + ColorText(clBtnFace) + " width=\"" +
                 std::to_string(Col->Width()) + "px\">" + HtmlText(Col->Text()) + "</th>";
        }
        R += "</tr>";
        R += CRLF;
    }
    for (PVirtualNode Node : Nodes) {
        const Cardinal Level = NodeLevel(Node);
        const std::string Height = std::to_string(NodeHeight(Node));
        R += " <tr class=\"default\">";
        R += CRLF;
        for (TColumnIndex Column : Columns) {
            // Without a handler the cell's font is the tree's: not set up
            // per cell (making a font is the dearest step of an export).
            bool Changed = false;
            if (OnPaintText) {
                C->Font()->Assign(Font());
                DoPaintText(Node, C, Column, ttNormal);
                Changed = !SameLook(*C->Font(), *Font());
            }
            const bool OwnColor =
                UseColumns && !Cols->GetItem(Column)->Options().Contains(coParentColor);
            const std::string ColumnColor =
                ColorText(UseColumns ? Cols->GetItem(Column)->Color() : Color());
            if (Column == Main || !UseColumns) {
                for (Cardinal L = 0; L < Level; ++L) {
                    if (OwnColor)
                        R += "<td class=\"noborder\" width=\"" + std::to_string(Indent()) +
                             "\" height=\"" + Height + "px\" bgcolor=" + ColumnColor +
                             ">&nbsp;</td>";
                    else if (L == 0)
                        R += " <td height=\"" + Height + "px\">&nbsp;</td>";
                    else
                        R += " <td>&nbsp;</td>";
                }
            }
            if (Changed)
                R += " <td class=\"normalborder\" " + FontStyle("", *C->Font()) + " height=\"";
            else
                R += " <td class=\"normalborder\"  height=\"";
            bool RightToLeft = false;
            const TAlignment Align = UseColumns ? Alignment(Column, RightToLeft) : this->Alignment();
            R += Height + "px\"";
            if (RightToLeft)
                R += " dir=\"rtl\"";
            R += AlignmentAttribute(Align);
            if ((Column == Main || !UseColumns) && Level < MaxLevel)
                R += " colspan=\"" + std::to_string(MaxLevel - Level + 1) + "\"";
            if (OwnColor)
                R += " bgcolor=" + ColumnColor;
            R += ">" + HtmlText(Text(Node, Column)) + "</td>";
        }
        R += " </tr>";
        R += CRLF;
    }
    R += "</table>";
    C->Font()->Assign(&Saved);
    return AnsiString(std::move(R));
}

// ---- RTF ------------------------------------------------------------------------------------

namespace {

/// The RTF document's font and colour tables and the current settings.
struct RtfWriter {
    std::vector<std::string> Fonts;
    std::vector<COLORREF> Colors;
    int CurrentFont = -1;
    int CurrentColor = -1;
    int CurrentSize = -1;
    std::string Body;

    static int IndexOf(std::vector<std::string>& List, const std::string& Item, bool& Added)
    {
        const auto It = std::find(List.begin(), List.end(), Item);
        Added = It == List.end();
        if (Added)
            List.push_back(Item);
        return static_cast<int>(std::find(List.begin(), List.end(), Item) - List.begin());
    }
    void Text(const std::u16string& S, const TFont& Font)
    {
        if (S.empty())
            return;
        const TFontStyles Style = Font.Style();
        if (Style.Contains(fsUnderline))
            Body += "\\ul";
        if (Style.Contains(fsItalic))
            Body += "\\i";
        if (Style.Contains(fsBold))
            Body += "\\b";
        bool Added = false;
        const int F = IndexOf(Fonts, Font.Name().Std(), Added);
        if (Added || F != CurrentFont) {
            CurrentFont = F;
            Body += "\\f" + std::to_string(F);
        }
        const COLORREF Color = ColorToRGB(Font.Color());
        auto It = std::find(Colors.begin(), Colors.end(), Color);
        const bool NewColor = It == Colors.end();
        if (NewColor)
            Colors.push_back(Color);
        const int Ci = static_cast<int>(std::find(Colors.begin(), Colors.end(), Color) -
                                        Colors.begin());
        if (NewColor || Ci != CurrentColor) {
            CurrentColor = Ci;
            Body += "\\cf" + std::to_string(Ci + 1);
        }
        if (Font.Size() != CurrentSize) {
            CurrentSize = Font.Size();
            Body += "\\fs" + std::to_string(2 * CurrentSize);
        }
        Body += ' ';
        for (char16_t U : S) {
            // RTF reads \u as a signed 16-bit number: units above 0x7FFF are
            // written negative.
            char Unit[16];
            char* P = Unit + sizeof Unit;
            const int Value = static_cast<int16_t>(U);
            for (const char C : {'f', '3', '\'', '\\'})  // "\'3f" backwards
                *--P = C;
            unsigned Magnitude = static_cast<unsigned>(Value < 0 ? -Value : Value);
            do {
                *--P = static_cast<char>('0' + Magnitude % 10);
                Magnitude /= 10;
            } while (Magnitude > 0);
            if (Value < 0)
                *--P = '-';
            *--P = 'u';
            *--P = '\\';
            Body.append(P, static_cast<size_t>(Unit + sizeof Unit - P));
        }
        if (Style.Contains(fsUnderline))
            Body += "\\ul0";
        if (Style.Contains(fsItalic))
            Body += "\\i0";
        if (Style.Contains(fsBold))
            Body += "\\b0";
    }
};

const char* RtfAlignment(TAlignment Align, bool RightToLeft)
{
    if (RightToLeft && Align != taCenter)
        Align = Align == taLeftJustify ? taRightJustify : taLeftJustify;
    switch (Align) {
    case taRightJustify: return "\\qr";
    case taCenter: return "\\qc";
    case taLeftJustify: return "";
    }
    return "";
}

}  // namespace

AnsiString TCustomVirtualStringTree::ContentToRTF(TVSTTextSourceType Source)
{
    const TNodeArray Nodes = ExportNodes(Source);
    const std::vector<TColumnIndex> Columns = ExportColumns();
    const bool UseColumns = Header()->UseColumns();
    TVirtualTreeColumns* Cols = Header()->Columns();
    const TColumnIndex Main = Header()->MainColumn();
    const int PixelsPerInch = Screen ? Screen->PixelsPerInch() : 96;
    TCanvas* C = Canvas();
    TFont Saved;
    Saved.Assign(C->Font());

    RtfWriter W;
    // Room for a typical cell (a dozen characters, 12 bytes each, and the
    // cell's keywords) at once: growing a buffer of tens of megabytes step by
    // step copies it over and over.
    W.Body.reserve((Nodes.size() + 1) * Columns.size() * 200);
    W.Body = "\\uc1\\trowd\\trgaph70";
    if (UseColumns) {
        int Sum = 0;
        for (TColumnIndex Column : Columns) {
            Sum += Cols->GetItem(Column)->Width();
            W.Body += "\\cellx" + std::to_string(static_cast<int>(
                                      std::lround(Sum * 1440.0 / PixelsPerInch)));
        }
    } else {
        W.Body += "\\cellx" + std::to_string(static_cast<int>(
                                  std::lround(ClientWidth() * 1440.0 / PixelsPerInch)));
    }
    auto AlignOf = [&](TColumnIndex Column) {
        if (!UseColumns)
            return RtfAlignment(Alignment(), BiDiMode() != bdLeftToRight);
        TVirtualTreeColumn* Col = Cols->GetItem(Column);
        return RtfAlignment(Col->Alignment(), Col->BiDiMode() != bdLeftToRight);
    };
    if (UseColumns) {
        W.Body += "\\pard\\intbl";
        for (TColumnIndex Column : Columns) {
            W.Body += AlignOf(Column);
            W.Text(Cols->GetItem(Column)->Text(), *Header()->Font());
            W.Body += "\\cell";
        }
        W.Body += "\\row";
    }
    int LastLevel = -1;
    std::string Tabs;
    for (PVirtualNode Node : Nodes) {
        const int Level = static_cast<int>(NodeLevel(Node));
        for (TColumnIndex Column : Columns) {
            W.Body += "\\pard\\intbl";
            W.Body += AlignOf(Column);
            const TFont* CellFont = Font();
            if (OnPaintText) {
                C->Font()->Assign(Font());
                DoPaintText(Node, C, Column, ttNormal);
                CellFont = C->Font();
            }
            if (Column == Main || !UseColumns) {
                if (Level != LastLevel) {
                    LastLevel = Level;
                    Tabs.clear();
                    for (int I = 0; I < Level; ++I)
                        Tabs += "\\tab";
                }
                if (Level > 0)
                    W.Body += Tabs + " ";
            }
            W.Text(Text(Node, Column), *CellFont);
            W.Body += "\\cell";
        }
        W.Body += "\\row";
    }
    W.Body += "\\pard\\par";
    C->Font()->Assign(&Saved);

    std::string R = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043{\\fonttbl";
    for (size_t I = 0; I < W.Fonts.size(); ++I)
        R += "{\\f" + std::to_string(I) + " " + W.Fonts[I] + ";}";
    R += "}{\\colortbl;";
    for (COLORREF Color : W.Colors)
        R += "\\red" + std::to_string(GetRValue(Color)) + "\\green" +
             std::to_string(GetGValue(Color)) + "\\blue" + std::to_string(GetBValue(Color)) +
             ";";
    R += '}';
    // The tables go first but are known only now: they are put in front of
    // the body inside its own buffer (a move, no fresh copy of the body).
    W.Body.insert(0, R);
    W.Body += '}';
    return AnsiString(std::move(W.Body));
}

// ---- clipboard blocks -----------------------------------------------------------------------

bool TCustomVirtualStringTree::ContentToClipboard(Word Format, TVSTTextSourceType Source,
                                                  std::string& Block)
{
    if (Format == CF_TEXT) {
        Block = ContentToText(Source, '\t').Std();
        Block += '\0';
        return true;
    }
    if (Format == CF_UNICODETEXT) {
        const std::u16string S = ContentToUnicode(Source, u'\t');
        Block.clear();
        Block.reserve(S.size() * 2 + 2);
        for (char16_t U : S) {
            Block += static_cast<char>(U & 0xFF);
            Block += static_cast<char>(U >> 8);
        }
        Block.append(2, '\0');
        return true;
    }
    if (Format == CF_CSV()) {
        Block = ContentToText(Source, FormatSettings().ListSeparator).Std();
        Block += '\0';
        return true;
    }
    if (Format == CF_VRTF() || Format == CF_VRTFNOOBJS()) {
        Block = ContentToRTF(Source).Std();
        Block += '\0';
        return true;
    }
    if (Format == CF_HTML()) {
        Block = CFHtml(ContentToHTML(Source).Std());
        Block += '\0';
        return true;
    }
    return false;
}

bool TCustomVirtualStringTree::RenderClipboardFormat(Word Format, std::string& Block,
                                                     bool ForClipboard)
{
    return ContentToClipboard(Format, ForClipboard ? tstCutCopySet : tstSelected, Block);
}
