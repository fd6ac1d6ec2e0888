#include "common/components/ylCtrls.h"

#include "common/components/ExCommon.h"
#include "common/components/VCLUtils.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/winapi/Messages.h"

#include <algorithm>

// ---- glyph lists and cache ---------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TGlyphList)

TGlyphList::TGlyphList(int AWidth, int AHeight) : TImageList(nullptr, AWidth, AHeight) {}

TGlyphList::~TGlyphList() = default;

int TGlyphList::AddGlyph(TBitmap* Image, TColor MaskColor)
{
    const auto Free = std::find(FUsed.begin(), FUsed.end(), false);
    int Index = static_cast<int>(Free - FUsed.begin());
    if (Free == FUsed.end()) {
        Index = AddMasked(Image, MaskColor);
        FUsed.resize(static_cast<size_t>(Count()), false);
    } else {
        ReplaceMasked(Index, Image, MaskColor);
    }
    FUsed[static_cast<size_t>(Index)] = true;
    ++FUsedCount;
    return Index;
}

void TGlyphList::ReleaseGlyph(int Index)
{
    if (Index < 0 || Index >= static_cast<int>(FUsed.size()) || !FUsed[static_cast<size_t>(Index)])
        return;
    FUsed[static_cast<size_t>(Index)] = false;
    --FUsedCount;
}

namespace {

TGlyphCache*& CachePtr()
{
    static TGlyphCache* Cache = nullptr;
    return Cache;
}

int& GlyphPainterCount()
{
    static int Count = 0;
    return Count;
}

} // namespace

TGlyphCache* GlyphCache()
{
    return CachePtr();
}

TGlyphCache::TGlyphCache() = default;
TGlyphCache::~TGlyphCache() = default;

TGlyphList* TGlyphCache::GetList(int AWidth, int AHeight)
{
    // The newest list of a size is the likeliest to be asked for again.
    for (auto It = FLists.rbegin(); It != FLists.rend(); ++It)
        if ((*It)->Width() == AWidth && (*It)->Height() == AHeight)
            return It->get();
    FLists.push_back(std::make_unique<TGlyphList>(AWidth, AHeight));
    return FLists.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* List)
{
    if (!List || List->UsedCount() > 0)
        return;
    FLists.erase(std::remove_if(FLists.begin(), FLists.end(),
                     [List](const std::unique_ptr<TGlyphList>& L) { return L.get() == List; }),
        FLists.end());
}

// ---- glyph painter --------------------------------------------------------------------------------

TylButtonGlyph::TylButtonGlyph() : FOriginal(std::make_unique<TBitmap>())
{
    FOriginal->OnChange = TNotifyEvent(this, &TylButtonGlyph::GlyphChanged);
    if (GlyphPainterCount()++ == 0 && !CachePtr())
        CachePtr() = new TGlyphCache();
}

TylButtonGlyph::~TylButtonGlyph()
{
    Invalidate();
    if (--GlyphPainterCount() == 0 && CachePtr() && CachePtr()->Empty()) {
        delete CachePtr();
        CachePtr() = nullptr;
    }
}

void TylButtonGlyph::Invalidate()
{
    for (int& Index : FIndexs) {
        if (Index >= 0 && FGlyphList)
            FGlyphList->ReleaseGlyph(Index);
        Index = -1;
    }
    if (FGlyphList && CachePtr()) {
        CachePtr()->ReturnList(FGlyphList);
        FGlyphList = nullptr;
    }
}

void TylButtonGlyph::SetGlyph(TBitmap* Value)
{
    Invalidate();
    FOriginal->Assign(Value);
}

void TylButtonGlyph::GlyphChanged(TObject* /*Sender*/)
{
    Invalidate();
    if (FOriginal->Width() > 0 && FOriginal->Height() > 0) {
        FTransparentColor = static_cast<TColor>(FOriginal->TransparentColor() & ~0x02000000);
        if (FOriginal->Width() % FOriginal->Height() == 0) {
            const int N = FOriginal->Width() / FOriginal->Height();
            FNumGlyphs = N > 5 ? 1 : N;
        }
    }
    OnChange(nullptr);
}

void TylButtonGlyph::SetNumGlyphs(TylNumGlyphs Value)
{
    if (Value <= 0)
        return;
    Value = std::min(Value, 5);
    if (Value == FNumGlyphs)
        return;
    Invalidate();
    FNumGlyphs = Value;
    OnChange(nullptr);
}

TPoint TylButtonGlyph::ImageSize() const
{
    if (FOriginal->Empty())
        return {0, 0};
    return {FOriginal->Width() / FNumGlyphs, FOriginal->Height()};
}

namespace {

/// Greys every pixel except the see-through colour and the button face.
void MakeGrey(TBitmap* Image, TColor Transparent)
{
    const COLORREF Key = ColorToRGB(Transparent) & 0xFFFFFF;
    const COLORREF Face = ColorToRGB(clBtnFace) & 0xFFFFFF;
    for (int Y = 0; Y < Image->Height(); ++Y) {
        auto* Line = static_cast<uint32_t*>(Image->ScanLine(Y));
        for (int X = 0; X < Image->Width(); ++X) {
            const uint32_t P = Line[X];
            const int R = (P >> 16) & 0xFF, G = (P >> 8) & 0xFF, B = P & 0xFF;
            const COLORREF C = RGB(R, G, B);
            if (C == Key || C == Face)
                continue;
            const uint32_t Grey = static_cast<uint32_t>((77 * R + 150 * G + 29 * B) >> 8);
            Line[X] = 0xFF000000u | (Grey << 16) | (Grey << 8) | Grey;
        }
    }
}

} // namespace

int TylButtonGlyph::CreateButtonGlyph(TylButtonState State)
{
    if (State == ybsDown && FNumGlyphs < 3)
        State = ybsUp;
    if (FIndexs[State] != -1)
        return FIndexs[State];
    if (FOriginal->Empty())
        return -1;
    const int IW = FOriginal->Width() / FNumGlyphs;
    const int IH = FOriginal->Height();
    if (IW <= 0 || IH <= 0 || !CachePtr())
        return -1;
    if (!FGlyphList)
        FGlyphList = CachePtr()->GetList(IW, IH);
    TBitmap Image;
    Image.SetSize(IW, IH);
    const int Source = State < FNumGlyphs ? State : 0;
    Image.Canvas()->CopyRect({0, 0, IW, IH}, FOriginal->Canvas(), {Source * IW, 0, Source * IW + IW, IH});
    switch (State) {
    case ybsUp:
    case ybsDown:
    case ybsExclusive:
        FIndexs[State] = FGlyphList->AddGlyph(&Image, FTransparentColor);
        break;
    case ybsDisabled:
        if (FNumGlyphs > 1) {
            FIndexs[State] = FGlyphList->AddGlyph(&Image, FTransparentColor);
        } else {
            auto Engraved = MakeButtonDisabledBitmap(&Image, FTransparentColor);
            FIndexs[State] = FGlyphList->AddGlyph(Engraved.get(), clBtnFace);
        }
        break;
    case ybsInactive:
        if (FNumGlyphs < 5)
            MakeGrey(&Image, FTransparentColor);
        FIndexs[State] = FGlyphList->AddGlyph(&Image, FTransparentColor);
        break;
    }
    return FIndexs[State];
}

// ---- action link --------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TylSpeedButtonActionLink)

TylSpeedButtonActionLink::~TylSpeedButtonActionLink() = default;

void TylSpeedButtonActionLink::SetChecked(bool Value)
{
    if (FClient->GroupIndex() != 0)
        FClient->SetDown(Value);
}

void TylSpeedButtonActionLink::SetImageIndex(int Value)
{
    auto* Action = dynamic_cast<TCustomAction*>(FAction);
    if (!Action || !Action->ActionList() || !FClient->Glyph()->Empty())
        return;
    TCustomImageList* Images = Action->ActionList()->Images();
    if (!Images || Value < 0 || Value >= Images->Count())
        return;
    TBitmap Image;
    Image.SetSize(Images->Width(), Images->Height());
    Image.Canvas()->Brush()->SetColor(clFuchsia);
    Image.Canvas()->FillRect({0, 0, Images->Width(), Images->Height()});
    Images->Draw(Image.Canvas(), 0, 0, Value);
    FClient->SetGlyph(&Image);
}

// ---- speed button ------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TylSpeedButton,
    Property("AllowAllUp", &TylSpeedButton::AllowAllUp, &TylSpeedButton::SetAllowAllUp),
    Property("AllowTimer", &TylSpeedButton::AllowTimer, &TylSpeedButton::SetAllowTimer),
    Property("GroupIndex", &TylSpeedButton::GroupIndex, &TylSpeedButton::SetGroupIndex),
    Property("Down", &TylSpeedButton::Down, &TylSpeedButton::SetDown),
    Property("Flat", &TylSpeedButton::Flat, &TylSpeedButton::SetFlat),
    Property("GrayedInactive", &TylSpeedButton::GrayedInactive, &TylSpeedButton::SetGrayedInactive),
    Property("InitPause", &TylSpeedButton::InitPause, &TylSpeedButton::SetInitPause),
    Property("Margin", &TylSpeedButton::Margin, &TylSpeedButton::SetMargin),
    Property("MarkDropDown", &TylSpeedButton::MarkDropDown, &TylSpeedButton::SetMarkDropDown),
    Property("ModalResult", &TylSpeedButton::ModalResult, &TylSpeedButton::SetModalResult),
    Property("NumGlyphs", &TylSpeedButton::NumGlyphs, &TylSpeedButton::SetNumGlyphs),
    Property("RepeatInterval", &TylSpeedButton::RepeatInterval, &TylSpeedButton::SetRepeatInterval),
    Property("Spacing", &TylSpeedButton::Spacing, &TylSpeedButton::SetSpacing),
    Property("Transparent", &TylSpeedButton::Transparent, &TylSpeedButton::SetTransparent),
    Property("WordWrap", &TylSpeedButton::WordWrap, &TylSpeedButton::SetWordWrap))

TylSpeedButton::TylSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner), FGlyph(std::make_unique<TylButtonGlyph>()),
      FDrawImage(std::make_unique<TBitmap>())
{
    FGlyph->OnChange = TNotifyEvent(this, &TylSpeedButton::GlyphChanged);
    SetControlStyle({csCaptureMouse, csOpaque, csDoubleClicks, csReplicatable});
    FParentShowHint = false;
    FShowHint = true;
    SetBounds(FLeft, FTop, 25, 25);
}

TylSpeedButton::~TylSpeedButton() = default;

bool TylSpeedButton::NewLook() const
{
    // This platform always has the new control look.
    return FStyle != bsWin31;
}

void TylSpeedButton::PrepareLook()
{
    if (!Enabled())
        FGlyph->CreateButtonGlyph(ybsDisabled);
    else if (FFlat)
        FGlyph->CreateButtonGlyph(ybsInactive);
    else
        FGlyph->CreateButtonGlyph(ybsUp);
}

void TylSpeedButton::Loaded()
{
    inherited::Loaded();
    PrepareLook();
}

void TylSpeedButton::Notification(TComponent* AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FDropDownMenu)
        FDropDownMenu = nullptr;
}

void TylSpeedButton::GlyphChanged(TObject* /*Sender*/)
{
    Invalidate();
}

#define YL_SETTER(Name, Type, Field)          \
    void TylSpeedButton::Set##Name(Type Value) \
    {                                          \
        if (Field == Value)                    \
            return;                            \
        Field = Value;                         \
        Invalidate();                          \
    }

YL_SETTER(Layout, TButtonLayout, FLayout)
YL_SETTER(Flat, bool, FFlat)
YL_SETTER(Style, TButtonStyle, FStyle)
YL_SETTER(MarkDropDown, bool, FMarkDropDown)
YL_SETTER(Transparent, bool, FTransparent)
YL_SETTER(GrayedInactive, bool, FGrayedInactive)
YL_SETTER(Spacing, int, FSpacing)

#undef YL_SETTER

void TylSpeedButton::SetWordWrap(bool Value)
{
    if (FGlyph->WordWrap() == Value)
        return;
    FGlyph->SetWordWrap(Value);
    Invalidate();
}

void TylSpeedButton::SetAlignment(TAlignment Value)
{
    if (FGlyph->Alignment() == Value)
        return;
    FGlyph->SetAlignment(Value);
    Invalidate();
}

void TylSpeedButton::SetMargin(int Value)
{
    if (Value < -1 || Value == FMargin)
        return;
    FMargin = Value;
    Invalidate();
}

void TylSpeedButton::SetNumGlyphs(TylNumGlyphs Value)
{
    FGlyph->SetNumGlyphs(Value);
}

void TylSpeedButton::SetDropDownMenu(TPopupMenu* Value)
{
    if (FDropDownMenu == Value)
        return;
    if (FDropDownMenu)
        FDropDownMenu->RemoveFreeNotification(this);
    FDropDownMenu = Value;
    if (Value)
        Value->FreeNotification(this);
    if (FMarkDropDown)
        Invalidate();
}

void TylSpeedButton::SetAllowTimer(bool Value)
{
    FAllowTimer = Value;
    if (!Value)
        FRepeatTimer.reset();
}

void TylSpeedButton::SetGroupIndex(int Value)
{
    if (FGroupIndex == Value)
        return;
    FGroupIndex = Value;
    UpdateExclusive();
}

void TylSpeedButton::SetAllowAllUp(bool Value)
{
    if (FAllowAllUp == Value)
        return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

void TylSpeedButton::SetDown(bool Value)
{
    if (Value == FDown)
        return;
    if (FDown && !FAllowAllUp)
        return;
    FDown = Value;
    if (Value) {
        if (FState == ybsUp)
            Invalidate();
        FState = ybsExclusive;
    } else {
        FState = ybsUp;
        Repaint();
    }
    if (Value)
        UpdateExclusive();
}

void TylSpeedButton::SetAction(TBasicAction* Value)
{
    TControl::SetAction(Value);
    if (!Value) {
        FOwnActionLink.reset();
        return;
    }
    if (!FOwnActionLink)
        FOwnActionLink = std::make_unique<TylSpeedButtonActionLink>(this);
    FOwnActionLink->SetAction(Value);
    FOwnActionLink->TakeValues();
}

void TylSpeedButton::UpdateExclusive()
{
    if (FGroupIndex == 0 || !Parent())
        return;
    TMessage Msg;
    Msg.Msg = CM_GROUPBUTTONPRESSED;
    Msg.WParam = static_cast<WPARAM>(FGroupIndex);
    Msg.LParam = reinterpret_cast<LPARAM>(this);
    Parent()->Broadcast(Msg);
}

void TylSpeedButton::CMGroupButtonPressed(TMessage& Message)
{
    auto* Sender = reinterpret_cast<TControl*>(Message.LParam);
    if (static_cast<int>(Message.WParam) != FGroupIndex || Sender == this)
        return;
    auto* Button = dynamic_cast<TylSpeedButton*>(Sender);
    if (!Button || !Parent() || !Parent()->HandleAllocated())
        return;
    if (Button->Down() && FDown) {
        FDown = false;
        FState = ybsUp;
        Invalidate();
    }
    FAllowAllUp = Button->AllowAllUp();
}

void TylSpeedButton::CMDialogChar(TMessage& Message)
{
    TCMDialogChar M(Message);
    if (IsAccel(M.CharCode, Caption()) && Enabled() && Visible() && Parent() && Parent()->Showing()) {
        Click();
        Message.Result = 1;
    }
}

void TylSpeedButton::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_GROUPBUTTONPRESSED:
        CMGroupButtonPressed(Message);
        return;
    case CM_DIALOGCHAR:
        CMDialogChar(Message);
        return;
    default:
        inherited::Dispatch(Message);
    }
}

void TylSpeedButton::Click()
{
    if (TCustomForm* Form = GetParentForm(this))
        Form->SetModalResult(FModalResult);
    inherited::Click();
}

// ---- painting ---------------------------------------------------------------------------------

TRect TylSpeedButton::DrawFrame(TCanvas* Canvas, TRect R, bool Down)
{
    const TSides All = AllSides();
    if (NewLook()) {
        if (!Down) {
            if (FFlat) {
                R = PaintSides(Canvas, R, clBtnHighlight, clBtnShadow, All);
            } else {
                R = PaintSides(Canvas, R, clBtnHighlight, clWindowFrame, All);
                R = PaintSides(Canvas, R, clBtnFace, clBtnShadow, All);
            }
        } else {
            R = PaintSides(Canvas, R, clWindowFrame, clBtnHighlight, All);
            if (!FFlat)
                R = PaintSides(Canvas, R, clBtnShadow, clBtnFace, All);
        }
    } else if (!Down) {
        if (FFlat) {
            R = PaintSides(Canvas, R, clBtnHighlight, clWindowFrame, All);
        } else {
            R = PaintSides(Canvas, R, clWindowFrame, clWindowFrame, All);
            R = PaintSides(Canvas, R, clBtnHighlight, clBtnShadow, All);
        }
    } else if (FFlat) {
        R = PaintSides(Canvas, R, clWindowFrame, clBtnHighlight, All);
    } else {
        R = PaintSides(Canvas, R, clWindowFrame, clWindowFrame, All);
        R = PaintSides(Canvas, R, clBtnShadow, clNone, TSides{sdLeft, sdTop});
    }
    InflateRect(R, -1, -1);
    return R;
}

namespace {

/// The class library's 8 x 8 dither of the button face and highlight.
TBitmap* DitherPattern()
{
    static TBitmap* Pattern = [] {
        auto* B = new TBitmap();
        B->SetSize(8, 8);
        for (int Y = 0; Y < 8; ++Y)
            for (int X = 0; X < 8; ++X)
                B->Canvas()->SetPixels(X, Y, (X + Y) % 2 == 0 ? clBtnHighlight : clBtnFace);
        return B;
    }();
    return Pattern;
}

} // namespace

void TylSpeedButton::Paint()
{
    if (PaintingParentImageOf(this))
        return;
    if (Enabled()) {
        if (FState == ybsDisabled)
            FState = FDown && FGroupIndex != 0 ? ybsExclusive : ybsUp;
    } else {
        FState = ybsDisabled;
        FDragging = false;
    }
    TylButtonState PaintState = FState;
    if (FFlat && !FMouseInControl && !ComponentState().Contains(csDesigning))
        PaintState = ybsInactive;

    FDrawImage->SetSize(Width(), Height());
    TCanvas* C = FDrawImage->Canvas();
    C->Font()->Assign(Font());
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(clBtnFace);
    TRect R {0, 0, Width(), Height()};
    C->FillRect(R);
    if (FTransparent)
        PaintParentImage(this, C);

    if (PaintState == ybsInactive && FState != ybsExclusive) {
        InflateRect(R, -2, -2);
    } else {
        const bool Down = FState == ybsDown || FState == ybsExclusive;
        R = DrawFrame(C, R, Down);
    }
    if (FState == ybsExclusive && !FTransparent && (!FFlat || PaintState == ybsInactive)) {
        TRect Dither = R;
        InflateRect(Dither, 1, 1);
        C->Brush()->SetBitmap(DitherPattern());
        C->FillRect(Dither);
        C->Brush()->SetBitmap(nullptr);
    }
    if (FState == ybsDown || FState == ybsExclusive)
        OffsetRect(R, 1, 1);
    const TylButtonState FaceState = (FState == ybsDisabled || !FGrayedInactive) ? FState : PaintState;
    DrawFace(C, R, FaceState, FMarkDropDown && FDropDownMenu);
    Canvas()->Draw(0, 0, FDrawImage.get());
}

namespace {

void DrawMark(TCanvas* Canvas, int X, int Y, TColor Color)
{
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
    for (int Row = 0; Row < 4; ++Row)
        Canvas->FillRect({X + Row, Y + Row, X + 7 - Row, Y + Row + 1});
}

} // namespace

void TylSpeedButton::DrawFace(TCanvas* Canvas, const TRect& Rect, TylButtonState State, bool DrawMarkFlag)
{
    const TPoint Image = FGlyph->ImageSize();
    const bool HasGlyph = Image.X > 0;
    const int ClientW = Rect.Width();
    const int ClientH = Rect.Height();
    const bool Horizontal = FLayout == blGlyphLeft || FLayout == blGlyphRight;

    // The caption, each line cut with "..." to the room there is.
    AnsiString Caption = this->Caption();
    if (!FGlyph->WordWrap() && !Caption.IsEmpty()) {
        int Room = ClientW;
        if (Horizontal) {
            Room -= Image.X;
            if (FMargin >= 0)
                Room -= FMargin;
            if (FSpacing >= 0)
                Room -= FSpacing;
            if (DrawMarkFlag)
                Room -= 9;
        }
        AnsiString Lines;
        int Start = 1;
        for (int I = 1; I <= Caption.Length() + 1; ++I) {
            if (I <= Caption.Length() && Caption[I] != '\n')
                continue;
            AnsiString Line = Caption.SubString(Start, I - Start);
            const bool HadCR = !Line.IsEmpty() && Line[Line.Length()] == '\r';
            if (HadCR)
                Line.SetLength(Line.Length() - 1);
            Line = ShortenTextToWidth(Line, Canvas, Room);
            while (!Line.IsEmpty() && Line[Line.Length()] == ' ')
                Line.SetLength(Line.Length() - 1);
            if (Start > 1)
                Lines += "\r\n";
            Lines += Line;
            Start = I + 1;
        }
        Caption = Lines;
    }
    static const UINT Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    const UINT TextFlags = Alignments[FGlyph->Alignment()] | (FGlyph->WordWrap() ? UINT(DT_WORDBREAK) : 0u);
    TRect TextBox {0, 0, ClientW, 0};
    if (!Caption.IsEmpty())
        DrawText(Canvas->Handle(), Caption, TextBox, DT_CALCRECT | DT_CENTER | (FGlyph->WordWrap() ? UINT(DT_WORDBREAK) : 0u));
    else
        TextBox = {0, 0, 0, 0};
    const int TextW = TextBox.Width(), TextH = TextBox.Height();

    int GlyphW = Image.X, GlyphH = Image.Y;
    int TextWLayout = TextW;
    if (DrawMarkFlag) {
        if (!HasGlyph || FLayout == blGlyphLeft)
            TextWLayout += 9;
        else
            GlyphW += 6;
    }
    TPoint GlyphPos, TextPos;
    if (Horizontal) {
        GlyphPos.Y = ClientH / 2 - GlyphH / 2;
        TextPos.Y = ClientH / 2 - TextH / 2;
    } else {
        GlyphPos.X = ClientW / 2 - GlyphW / 2;
        TextPos.X = ClientW / 2 - TextWLayout / 2;
    }
    int Spacing = FSpacing;
    int Margin = FMargin;
    if (GlyphW == 0 || TextWLayout == 0 || Caption.IsEmpty())
        Spacing = 0;
    const int Client = Horizontal ? ClientW : ClientH;
    const int GlyphSize = Horizontal ? GlyphW : GlyphH;
    const int TextSize = Horizontal ? TextWLayout : TextH;
    if (Margin == -1) {
        if (Spacing == -1) {
            Spacing = (Client - GlyphSize - TextSize) / 3;
            Margin = Spacing;
        } else {
            const int Total = GlyphSize + Spacing + TextSize;
            Margin = Client / 2 - Total / 2;
        }
    } else if (Spacing == -1) {
        Spacing = (Client - Margin - GlyphSize) / 2 - TextSize / 2;
    }
    switch (FLayout) {
    case blGlyphLeft:
        GlyphPos.X = Margin;
        TextPos.X = GlyphPos.X + GlyphW + Spacing;
        break;
    case blGlyphRight:
        GlyphPos.X = ClientW - Margin - GlyphW;
        TextPos.X = GlyphPos.X - Spacing - TextWLayout;
        break;
    case blGlyphTop:
        GlyphPos.Y = Margin;
        TextPos.Y = GlyphPos.Y + GlyphH + Spacing;
        break;
    case blGlyphBottom:
        GlyphPos.Y = ClientH - Margin - GlyphH;
        TextPos.Y = GlyphPos.Y - Spacing - TextH;
        break;
    }
    GlyphPos.X += Rect.Left;
    GlyphPos.Y += Rect.Top;
    TextPos.X += Rect.Left;
    TextPos.Y += Rect.Top;

    const int Index = FGlyph->CreateButtonGlyph(State);
    if (Index >= 0 && FGlyph->GlyphList())
        FGlyph->GlyphList()->Draw(Canvas, GlyphPos.X, GlyphPos.Y, Index);

    if (!Caption.IsEmpty()) {
        TRect TR {TextPos.X, TextPos.Y, TextPos.X + TextW, TextPos.Y + TextH};
        HDC DC = Canvas->Handle();
        SetBkMode(DC, TRANSPARENT);
        if (State == ybsDisabled) {
            TRect Light = TR;
            OffsetRect(Light, 1, 1);
            SetTextColor(DC, ColorToRGB(clBtnHighlight));
            DrawText(DC, Caption, Light, TextFlags);
            SetTextColor(DC, ColorToRGB(clBtnShadow));
        } else {
            SetTextColor(DC, ColorToRGB(Font()->Color()));
        }
        DrawText(DC, Caption, TR, TextFlags);
    }

    if (!DrawMarkFlag)
        return;
    int MX = 0, MY = 0;
    if (HasGlyph && FLayout != blGlyphLeft) {
        MX = GlyphPos.X + Image.X + 1;
        MY = GlyphPos.Y + Image.Y / 2 - 2;
    } else if (Caption.IsEmpty()) {
        MX = (Rect.Left + Rect.Right - 7) / 2;
        MY = (Rect.Top + Rect.Bottom) / 2 - 2;
    } else {
        MX = TextPos.X + TextW + 3;
        MY = TextPos.Y + TextH / 2 - 2;
    }
    if (State == ybsDisabled) {
        DrawMark(Canvas, MX + 1, MY + 1, clBtnHighlight);
        DrawMark(Canvas, MX, MY, clBtnShadow);
    } else {
        DrawMark(Canvas, MX, MY, clBtnText);
    }
}

// ---- mouse, menu and repeat ----------------------------------------------------------------------

void TylSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled() || FMenuTracking)
        return;
    if (!FMouseInControl) {
        FMouseInControl = true;
        if (FFlat)
            Repaint();
    }
    if (!FDown) {
        FState = ybsDown;
        Repaint();
    }
    FDragging = true;
    if (FDropDownMenu && FDropDownMenu->AutoPopup())
        DoDropDown();
    if (FAllowTimer) {
        if (!FRepeatTimer) {
            FRepeatTimer = std::make_unique<TTimer>(nullptr);
            FRepeatTimer->OnTimer = TNotifyEvent(this, &TylSpeedButton::RepeatTimerFired);
        }
        FRepeatTimer->SetEnabled(false);
        FRepeatTimer->SetInterval(FInitPause);
        FRepeatTimer->SetEnabled(true);
    }
}

void TylSpeedButton::ButtonClick()
{
    if (FMenuTracking || !Enabled())
        return;
    if (FDropDownMenu) {
        DoDropDown();
        return;
    }
    Click();
}

void TylSpeedButton::DoDropDown()
{
    FMenuTracking = true;
    struct EndTracking {
        bool& Flag;
        ~EndTracking() { Flag = false; }
    } Guard {FMenuTracking};
    TPoint P;
    const TPopupAlignment Align = FDropDownMenu->Alignment();
    if (FMenuPosition == dmpBottom) {
        P = Align == paLeft ? TPoint{-1, Height()} : Align == paRight ? TPoint{Width() + 1, Height()}
                                                                      : TPoint{Width() / 2, Height()};
    } else {
        P = Align == paLeft ? TPoint{Width(), -1} : Align == paRight ? TPoint{-1, -1}
                                                                     : TPoint{Width() / 2, Height()};
    }
    P = ClientToScreen(P);
    if (TCustomForm* Form = GetParentForm(this))
        Form->Perform(CM_CANCELMODE);
    FDropDownMenu->SetPopupComponent(this);
    FDropDownMenu->Popup(P.X, P.Y);
    // The menu took the release: finish the press now, and drop a click
    // that closed the menu over the button so that it does not press it
    // again.
    if (FDragging) {
        SetMouseCapture(false);
        MouseUp(mbLeft, {}, -1, -1);
    }
    if (Parent() && Parent()->HandleAllocated()) {
        DiscardPendingMessage(Parent()->Handle(), WM_LBUTTONDOWN);
        DiscardPendingMessage(Parent()->Handle(), WM_LBUTTONDBLCLK);
    }
}

void TylSpeedButton::RepeatTimerFired(TObject* /*Sender*/)
{
    FRepeatTimer->SetInterval(FRepeatInterval);
    // An error in the click reaches the application's handler through
    // the timer, as every error of an event does.
    if (FState == ybsDown && MouseCapture())
        Click();
}

void TylSpeedButton::MouseMove(TShiftState Shift, int X, int Y)
{
    inherited::MouseMove(Shift, X, Y);
    if (!FDragging)
        return;
    TylButtonState NewState = ybsUp;
    const bool Inside = X >= 0 && X < ClientWidth() && Y >= 0 && Y < ClientHeight();
    if (Inside)
        NewState = FDown ? ybsExclusive : ybsDown;
    else
        NewState = FDown ? ybsExclusive : ybsUp;
    if (NewState != FState) {
        FState = NewState;
        Invalidate();
    }
}

void TylSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseUp(Button, Shift, X, Y);
    if (FRepeatTimer)
        FRepeatTimer->SetEnabled(false);
    if (!FDragging || Button != mbLeft)
        return;
    FDragging = false;
    const bool DoClick = X >= 0 && X < ClientWidth() && Y >= 0 && Y < ClientHeight();
    if (FGroupIndex == 0) {
        FState = ybsUp;
        FMouseInControl = false;
        Invalidate();
    } else if (DoClick) {
        SetDown(!FDown);
        if (FDown)
            Repaint();
    } else {
        if (FDown)
            FState = ybsExclusive;
        Repaint();
    }
    if (DoClick && !FMenuTracking)
        Click();
    UpdateMouseIn();
}

void TylSpeedButton::UpdateMouseIn()
{
    if (!Parent() || !Enabled() || !IsActiveWindowOfThread()) {
        if (FMouseInControl && !FDragging) {
            FMouseInControl = false;
            if (FFlat)
                Invalidate();
        }
        return;
    }
    TPoint P;
    GetCursorPos(P);
    const bool Over = FindDragTarget(P, true) == this;
    if (Over != FMouseInControl && !FDragging) {
        FMouseInControl = Over;
        if (FFlat)
            Invalidate();
    }
}

void TylSpeedButton::DoMouseEnter()
{
    OnMouseEnter(this);
}

void TylSpeedButton::DoMouseLeave()
{
    OnMouseLeave(this);
}

void TylSpeedButton::CMMouseEnter(TMessageRecord& Message)
{
    inherited::CMMouseEnter(Message);
    if (!Enabled() || !IsActiveWindowOfThread())
        return;
    if (!FMouseInControl) {
        FMouseInControl = true;
        if (FFlat)
            Repaint();
    }
    DoMouseEnter();
}

void TylSpeedButton::CMMouseLeave(TMessageRecord& Message)
{
    inherited::CMMouseLeave(Message);
    if (FMouseInControl && Enabled() && !FDragging) {
        FMouseInControl = false;
        if (FFlat)
            Invalidate();
    }
    DoMouseLeave();
}

void TylSpeedButton::CMEnabledChanged(TMessageRecord& Message)
{
    inherited::CMEnabledChanged(Message);
    FGlyph->Invalidate();
    PrepareLook();
    UpdateMouseIn();
    Repaint();
}

void TylSpeedButton::CMVisibleChanged(TMessageRecord& Message)
{
    inherited::CMVisibleChanged(Message);
    UpdateMouseIn();
}

void TylSpeedButton::CMSysColorChange(TMessageRecord& Message)
{
    inherited::CMSysColorChange(Message);
    FGlyph->Invalidate();
    Invalidate();
}
