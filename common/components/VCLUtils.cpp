#include "common/components/VCLUtils.h"

#include "platform/forms/ImgList.h"
#include "platform/winapi/Messages.h"

#include <vector>

// ---- parent image ----------------------------------------------------------------------------

namespace {

std::vector<const TControl*>& ParentImageStack()
{
    static std::vector<const TControl*> Stack;
    return Stack;
}

} // namespace

bool PaintingParentImageOf(const TControl* Control)
{
    for (const TControl* C : ParentImageStack())
        if (C == Control)
            return true;
    return false;
}

void PaintParentImage(TControl* Control, TCanvas* Canvas)
{
    TWinControl* Parent = Control->Parent();
    if (!Parent || PaintingParentImageOf(Control))
        return;
    HDC DC = Canvas->Handle();
    const int Saved = SaveDC(DC);
    OffsetViewportOrgEx(DC, -Control->Left(), -Control->Top(), nullptr);
    IntersectClipRect(DC, 0, 0, Parent->ClientWidth(), Parent->ClientHeight());
    // The parent paints its graphic children after itself, the siblings
    // under this control among them; this control sits the walk out
    // (PaintingParentImageOf) and then paints over the result.
    ParentImageStack().push_back(Control);
    struct Pop {
        ~Pop() { ParentImageStack().pop_back(); }
    } PopGuard;
    Parent->SetControlState(Parent->ControlState() + TControlState{csPaintCopy});
    struct ClearCopy {
        TWinControl* P;
        ~ClearCopy() { P->SetControlState(P->ControlState() - TControlState{csPaintCopy}); }
    } CopyGuard {Parent};
    Parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC));
    Parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC));
    RestoreDC(DC, Saved);
    Canvas->Refresh();
}

// ---- disabled glyphs --------------------------------------------------------------------------

namespace {

/// Whether a pixel belongs to the engraved shape: not the key colour and
/// darker than light grey (light highlights of a glyph vanish).
bool IsDarkShape(uint32_t Argb, COLORREF Key)
{
    const int R = (Argb >> 16) & 0xFF, G = (Argb >> 8) & 0xFF, B = Argb & 0xFF;
    if (RGB(R, G, B) == (Key & 0xFFFFFF))
        return false;
    return (77 * R + 150 * G + 29 * B) / 256 < 0xC0;
}

uint32_t ToArgb(TColor Color)
{
    const COLORREF C = ColorToRGB(Color);
    return 0xFF000000u | (uint32_t(GetRValue(C)) << 16) | (uint32_t(GetGValue(C)) << 8) | GetBValue(C);
}

/// Paints Mask's set pixels in Color onto Target at (DX, DY).
void PaintMask(TBitmap* Target, const std::vector<bool>& Mask, int W, int H, int DX, int DY, TColor Color)
{
    const uint32_t Argb = ToArgb(Color);
    for (int Y = 0; Y < H; ++Y) {
        const int TY = Y + DY;
        if (TY < 0 || TY >= Target->Height())
            continue;
        auto* Line = static_cast<uint32_t*>(Target->ScanLine(TY));
        for (int X = 0; X < W; ++X) {
            const int TX = X + DX;
            if (Mask[static_cast<size_t>(Y * W + X)] && TX >= 0 && TX < Target->Width())
                Line[TX] = Argb;
        }
    }
}

std::vector<bool> DarkMask(TBitmap* Source, COLORREF Key)
{
    const int W = Source->Width(), H = Source->Height();
    std::vector<bool> Mask(static_cast<size_t>(W) * static_cast<size_t>(H));
    for (int Y = 0; Y < H; ++Y) {
        const auto* Line = static_cast<const uint32_t*>(Source->ScanLine(Y));
        for (int X = 0; X < W; ++X)
            Mask[static_cast<size_t>(Y * W + X)] = IsDarkShape(Line[X], Key);
    }
    return Mask;
}

} // namespace

std::unique_ptr<TBitmap> MakeDisabledBitmap(TBitmap* Bitmap, TColor TransparentColor, TColor BackColor,
    bool DrawHighlight, TColor ShadowColor, TColor HighlightColor)
{
    auto Result = std::make_unique<TBitmap>();
    const int W = Bitmap->Width(), H = Bitmap->Height();
    Result->SetSize(W, H);
    if (W == 0 || H == 0)
        return Result;
    TBitmap Source;
    Source.Assign(Bitmap);
    const std::vector<bool> Mask = DarkMask(&Source, ColorToRGB(TransparentColor));
    Result->Canvas()->Brush()->SetColor(BackColor);
    Result->Canvas()->FillRect({0, 0, W, H});
    if (DrawHighlight)
        PaintMask(Result.get(), Mask, W, H, 1, 1, HighlightColor);
    PaintMask(Result.get(), Mask, W, H, 0, 0, ShadowColor);
    return Result;
}

std::unique_ptr<TBitmap> MakeButtonDisabledBitmap(TBitmap* Bitmap, TColor TransparentColor)
{
    return MakeDisabledBitmap(Bitmap, TransparentColor, clBtnFace, /*DrawHighlight=*/true, clBtnShadow,
        clBtnHighlight);
}

void DrawImageDisabled(TCustomImageList* Images, TCanvas* Canvas, int X, int Y, int Index,
    bool DrawHighlight, TColor ShadowColor, TColor HighlightColor)
{
    if (!Images || Index < 0 || Index >= Images->Count())
        return;
    const int W = Images->Width(), H = Images->Height();
    TBitmap Image;
    Image.SetSize(W, H);
    Image.Canvas()->Brush()->SetColor(clWhite);
    Image.Canvas()->FillRect({0, 0, W, H});
    Images->Draw(Image.Canvas(), 0, 0, Index);
    const std::vector<bool> Mask = DarkMask(&Image, ColorToRGB(clWhite));
    // The shape is laid onto a see-through picture and drawn over the canvas.
    TBitmap Engraved;
    Engraved.SetSize(W + 1, H + 1);
    Engraved.Canvas()->Brush()->SetColor(clFuchsia);
    Engraved.Canvas()->FillRect({0, 0, W + 1, H + 1});
    if (DrawHighlight)
        PaintMask(&Engraved, Mask, W, H, 1, 1, HighlightColor);
    PaintMask(&Engraved, Mask, W, H, 0, 0, ShadowColor);
    Engraved.SetTransparentMode(tmFixed);
    Engraved.SetTransparentColor(clFuchsia);
    Engraved.SetTransparent(true);
    const TColor SavedBrush = Canvas->Brush()->Color();
    Canvas->Draw(X, Y, &Engraved);
    Canvas->Brush()->SetColor(SavedBrush);
}

// ---- messages and text --------------------------------------------------------------------------

void DiscardPendingMessage(HWND Wnd, UINT Msg)
{
    MSG M;
    if (PeekMessage(M, Wnd, Msg, Msg, PM_REMOVE) && M.message == WM_QUIT)
        PostQuitMessage(static_cast<int>(M.wParam));
}

AnsiString ShortenTextToWidth(const AnsiString& Text, TCanvas* Canvas, int MaxWidth)
{
    AnsiString Result = Text;
    const int L = Text.Length();
    int N = 1;
    while (N <= L && Canvas->TextWidth(Result) > MaxWidth) {
        ++N;
        Result = Text.SubString(1, std::max(0, L - N)) + "...";
    }
    return Result;
}

namespace {

bool IsBlank(char C)
{
    return static_cast<unsigned char>(C) <= 32;
}

} // namespace

AnsiString NextCommandParam(const AnsiString& Text, int& Pos)
{
    const int L = Text.Length();
    while (Pos <= L) {
        const char C = Text[Pos];
        if (C != 0 && IsBlank(C)) {
            ++Pos;
            continue;
        }
        // An empty quoted pair on its own is no parameter.
        if (C == '"' && Pos + 1 <= L && Text[Pos + 1] == '"' && (Pos + 2 > L || IsBlank(Text[Pos + 2]))) {
            Pos += 2;
            continue;
        }
        break;
    }
    std::string Result;
    while (Pos <= L) {
        const char C = Text[Pos];
        if (C == '"') {
            ++Pos;
            while (Pos <= L && Text[Pos] != '"')
                Result += Text[Pos++];
            if (Pos <= L)
                ++Pos;
            continue;
        }
        if (IsBlank(C))
            break;
        Result += C;
        ++Pos;
    }
    return AnsiString(std::move(Result));
}

namespace {

std::vector<AnsiString> CommandParams(const AnsiString& Text)
{
    std::vector<AnsiString> Params;
    int Pos = 1;
    while (Pos <= Text.Length()) {
        const int Before = Pos;
        AnsiString P = NextCommandParam(Text, Pos);
        if (!P.IsEmpty())
            Params.push_back(std::move(P));
        if (Pos == Before)
            ++Pos; // a NUL character ends nothing: step over it
    }
    return Params;
}

} // namespace

int CountCommandParams(const AnsiString& Text)
{
    return static_cast<int>(CommandParams(Text).size());
}

AnsiString CommandParam(const AnsiString& Text, int Index)
{
    const std::vector<AnsiString> Params = CommandParams(Text);
    if (Index < 0 || Index >= static_cast<int>(Params.size()))
        return AnsiString();
    return Params[static_cast<size_t>(Index)];
}

void SplitCommandText(const AnsiString& Text, AnsiString& Program, AnsiString& Params)
{
    const std::vector<AnsiString> List = CommandParams(Text);
    Program = AnsiString();
    Params = AnsiString();
    if (List.empty())
        return;
    Program = List[0];
    for (size_t I = 1; I < List.size(); ++I) {
        if (I > 1)
            Params += ' ';
        if (List[I].Pos(" ") > 0)
            Params += "\"" + List[I] + "\"";
        else
            Params += List[I];
    }
}

bool IsActiveWindowOfThread()
{
    // Every window of this program lives on the main thread.
    return GetActiveWindow() != nullptr;
}
