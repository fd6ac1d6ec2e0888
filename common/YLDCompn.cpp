#include "common/YLDCompn.h"

#include "platform/gui/Forms.h"
#include "platform/gui/Messages.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <cmath>

// ---- string routines ----------------------------------------------------------------------------

AnsiString RemoveChars(const AnsiString& Chars, const AnsiString& S)
{
    const TCharSet Set = TCharSet::Of(Chars);
    std::string Result;
    for (int I = 1; I <= S.Length(); ++I)
        if (!Set.Contains(S[I]))
            Result += S[I];
    return AnsiString(std::move(Result));
}

AnsiString ReplicateStr(const AnsiString& S, int Count)
{
    AnsiString Result;
    for (int I = 0; I < Count; ++I)
        Result += S;
    return Result;
}

bool IsValidFloat(const AnsiString& S, Extended& Value, bool CurrencyMode)
{
    const TFormatSettings& FS = FormatSettings();
    const TCharSet Allowed = TCharSet::Of("+-0123456789Ee") + TCharSet {FS.DecimalSeparator};
    for (int I = 1; I <= S.Length(); ++I)
        if (!Allowed.Contains(S[I]))
            return false;
    if (CurrencyMode) {
        Currency C;
        if (!TryStrToCurr(S, C))
            return false;
        Value = C.ToDouble();
        return true;
    }
    return TryStrToFloat(S, Value);
}

AnsiString NormalizeNumText(const AnsiString& Text)
{
    const TFormatSettings& FS = FormatSettings();
    AnsiString S = TrimRight(Text);
    S = RemoveChars(" ", S);
    if (FS.ThousandSeparator != FS.DecimalSeparator)
        S = RemoveChars(AnsiString(FS.ThousandSeparator), S);
    if (S.IsEmpty())
        return "0";
    if (S == "-")
        return "-0";
    return S;
}

// ---- Tyl_CustomNumEdit -------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(Tyl_CustomNumEdit,
    Property("BeepOnError", &Tyl_CustomNumEdit::BeepOnError, &Tyl_CustomNumEdit::SetBeepOnError),
    Property("DecimalPlaces", &Tyl_CustomNumEdit::DecimalPlaces, &Tyl_CustomNumEdit::SetDecimalPlaces),
    Property("DisplayFormat", &Tyl_CustomNumEdit::DisplayFormat, &Tyl_CustomNumEdit::SetDisplayFormat),
    Property("MaxValue", &Tyl_CustomNumEdit::MaxValue, &Tyl_CustomNumEdit::SetMaxValue),
    Property("MinValue", &Tyl_CustomNumEdit::MinValue, &Tyl_CustomNumEdit::SetMinValue))

Tyl_CustomNumEdit::Tyl_CustomNumEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner)
{
    SetMaxLength(0);
    FBeepOnError = true;
    FAlignment = taRightJustify;
    FDisplayFormat = Tyl_CustomNumEdit::GetDefaultDisplayFormat();
    FDecimalPlaces = 2;
    Reformat();
}

Tyl_CustomNumEdit::~Tyl_CustomNumEdit() = default;

Extended Tyl_CustomNumEdit::CheckValue(Extended V) const
{
    if (FMinValue == FMaxValue)
        return V;
    if (FMaxValue > FMinValue) {
        if (V < FMinValue)
            return FMinValue;
        if (V > FMaxValue)
            return FMaxValue;
        return V;
    }
    // Limits given the wrong way round: a 0 means "no limit on that side".
    if (FMaxValue == 0 && V < FMinValue)
        return FMinValue;
    if (FMinValue == 0 && V > FMaxValue)
        return FMaxValue;
    return V;
}

Extended Tyl_CustomNumEdit::TextToValue(const AnsiString& Text)
{
    return CheckValue(StrToFloat(NormalizeNumText(Text)));
}

AnsiString Tyl_CustomNumEdit::FormatWith(const AnsiString& Format, Extended Value)
{
    return FormatFloat(Format, Value);
}

AnsiString Tyl_CustomNumEdit::FormatDisplayText(Extended Value)
{
    return FormatWith(FDisplayFormat, Value);
}

AnsiString Tyl_CustomNumEdit::GetDefaultDisplayFormat()
{
    return ",0.00";
}

bool Tyl_CustomNumEdit::TryTextValue(Extended& Value)
{
    try {
        Value = TextToValue(Text());
        return true;
    } catch (const EConvertError&) {
        // Painting and pasting must not fail on a text set by the program.
        return false;
    }
}

namespace {

/// Whether Edit's text with Key typed over its selection still reads as a
/// number of at most DecimalPlaces decimals (any number of them while
/// DecimalPlaces is negative); ',' and '.' both stand for the decimal
/// separator.
bool TypedTextIsNumber(TCustomMaskEdit& Edit, char Key, int DecimalPlaces, bool CurrencyMode)
{
    const TFormatSettings& FS = FormatSettings();
    AnsiString S = Edit.Text();
    const int Start = std::min(Edit.SelStart(), S.Length());
    S = S.SubString(1, Start) + AnsiString(Key) +
        S.SubString(Start + Edit.SelLength() + 1, S.Length());
    for (int I = 1; I <= S.Length(); ++I)
        if (S[I] == ',' || S[I] == '.')
            S[I] = FS.DecimalSeparator;
    // A lone sign is the start of a number being typed.
    S = NormalizeNumText(S);
    const int Dec = S.Pos(AnsiString(FS.DecimalSeparator));
    if (Dec > 0 && DecimalPlaces >= 0 && S.Length() - Dec > DecimalPlaces)
        return false;
    Extended V = 0;
    return IsValidFloat(S, V, CurrencyMode);
}

}  // namespace

bool Tyl_CustomNumEdit::IsValidChar(char Key)
{
    return TypedTextIsNumber(*this, Key, FDecimalPlaces, /*CurrencyMode=*/false);
}

void Tyl_CustomNumEdit::Refuse()
{
    if (FBeepOnError)
        MessageBeep(0);
}

void Tyl_CustomNumEdit::KeyPress(char& Key)
{
    const auto B = static_cast<unsigned char>(Key);
    if (Key == '.' || Key == ',')
        Key = FormatSettings().DecimalSeparator;
    if (B > 31 && !IsValidChar(Key)) {
        Refuse();
        Key = 0;
        return;
    }
    if (Key == '\n' || Key == '\r' || Key == '\x1B') {
        if (TCustomForm* Form = GetParentForm(this))
            Form->Perform(CM_DIALOGKEY, Key == '\x1B' ? VK_ESCAPE : VK_RETURN, 0);
        if (Key == '\x1B') {
            Reformat();
            SelectAll();
        }
        Key = 0;
        return;
    }
    inherited::KeyPress(Key);
}

Extended Tyl_CustomNumEdit::AsFloat()
{
    if (!ComponentState().Contains(csDesigning))
        FValue = TextToValue(Text());
    return FValue;
}

void Tyl_CustomNumEdit::SetAsFloat(Extended Value)
{
    // The text typed since the value was last read counts as the value
    // now: setting the number it shows changes nothing, another one does.
    Extended Shown = FValue;
    if (TryTextValue(Shown))
        FValue = Shown;
    const Extended V = CheckValue(Value);
    if (V == FValue)
        return;
    FValue = V;
    Reformat();
    Invalidate();
}

void Tyl_CustomNumEdit::Relimit()
{
    Extended Shown = FValue;
    if (TryTextValue(Shown))
        FValue = Shown;
    FValue = CheckValue(FValue);
    Reformat();
    Invalidate();
}

void Tyl_CustomNumEdit::Reformat()
{
    AnsiString Mask = "0";
    if (FDecimalPlaces < 0)
        Mask = "0." + ReplicateStr("#", 20);
    else if (FDecimalPlaces > 0)
        Mask = "0." + ReplicateStr("#", FDecimalPlaces);
    SetText(FormatWith(Mask, FValue));
}

void Tyl_CustomNumEdit::SetMinValue(Extended Value)
{
    if (FMinValue == Value)
        return;
    FMinValue = Value;
    Relimit();
}

void Tyl_CustomNumEdit::SetMaxValue(Extended Value)
{
    if (FMaxValue == Value)
        return;
    FMaxValue = Value;
    Relimit();
}

void Tyl_CustomNumEdit::SetDecimalPlaces(int Value)
{
    FDecimalPlaces = Value;
    Reformat();
    Invalidate();
}

void Tyl_CustomNumEdit::SetDisplayFormat(const AnsiString& Value)
{
    AnsiString F = Trim(Value);
    if (F.IsEmpty())
        F = GetDefaultDisplayFormat();
    if (F == FDisplayFormat)
        return;
    FDisplayFormat = F;
    Invalidate();
    Reformat();
}

void Tyl_CustomNumEdit::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    if (HandleAllocated())
        RecreateWnd();
    Invalidate();
}

void Tyl_CustomNumEdit::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    static const uint32_t Styles[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
    Params.Style |= ES_MULTILINE | Styles[FAlignment];
}

AnsiString Tyl_CustomNumEdit::DisplayText()
{
    Extended V = FValue;
    if (TryTextValue(V))
        FValue = V;
    if (FDisplayFormat.IsEmpty())
        return FloatToStr(FValue);
    return FormatDisplayText(FValue);
}

void Tyl_CustomNumEdit::Paint(HDC DC)
{
    if (FFocused || Focused()) {
        inherited::Paint(DC);
        return;
    }
    if (!FCanvas)
        FCanvas = std::make_unique<TControlCanvas>();
    FCanvas->SetHandle(DC);
    struct Detach {
        TCanvas* C;
        ~Detach() { C->SetHandle(nullptr); }
    } Guard {FCanvas.get()};
    TCanvas* C = FCanvas.get();
    const TRect Client = ClientRect();
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Enabled() ? Color() : clBtnFace);
    C->FillRect(Client);
    C->Font()->Assign(Font());
    if (!Enabled())
        C->Font()->SetColor(clGrayText);
    const AnsiString S = DisplayText();
    const int Margin = LoWord(static_cast<uintptr_t>(Perform(EM_GETMARGINS))) +
        (BorderStyle() == bsNone ? 0 : Ctl3D() ? 1 : 2);
    int X = Margin;
    const int W = C->TextWidth(S);
    if (FAlignment == taRightJustify)
        X = Client.Width() - W - Margin - 1;
    else if (FAlignment == taCenter)
        X = (Client.Width() - W) / 2;
    C->Brush()->SetStyle(bsClear);
    C->TextRect(Client, X, Margin, S);
}

void Tyl_CustomNumEdit::CMEnter(TMessageRecord& Message)
{
    FFocused = true;
    Invalidate();
    Reformat();
    inherited::CMEnter(Message);
    SelectAll();
}

void Tyl_CustomNumEdit::CMExit(TMessageRecord& Message)
{
    FValue = TextToValue(Text());
    FFocused = false;
    SetSelStart(0);
    SetSelLength(0);
    Invalidate();
    inherited::CMExit(Message);
}

void Tyl_CustomNumEdit::WMLButtonDown(TWMMouse& Message)
{
    FClickEntered = !Focused();
    inherited::WMLButtonDown(Message);
}

void Tyl_CustomNumEdit::WMLButtonUp(TWMMouse& Message)
{
    inherited::WMLButtonUp(Message);
    // A number is mostly typed anew: the click that enters the edit does not
    // put the caret into the old one, so that typing replaces it.
    const bool Entered = FClickEntered;
    FClickEntered = false;
    if (Entered && Focused() && SelLength() == 0)
        SelectAll();
}

void Tyl_CustomNumEdit::CMFontChanged(TMessageRecord& Message)
{
    inherited::CMFontChanged(Message);
    Invalidate();
}

void Tyl_CustomNumEdit::WMPaste(TMessage& Message)
{
    const AnsiString Before = Text();
    inherited::WMPaste(Message);
    Extended V = 0;
    // What the clipboard held may be no number: keep the old text rather
    // than a value that cannot be read.
    if (!TryTextValue(V)) {
        SetText(Before);
        Refuse();
        return;
    }
    FValue = V;
}

// ---- the published edits --------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(Tyl_FloatEdit,
    Property("Value", &Tyl_FloatEdit::Value, &Tyl_FloatEdit::SetValue))

Tyl_FloatEdit::Tyl_FloatEdit(TComponent* AOwner) : Tyl_CustomNumEdit(AOwner)
{
    FDisplayFormat = GetDefaultDisplayFormat();
}

Tyl_FloatEdit::~Tyl_FloatEdit() = default;

AnsiString Tyl_FloatEdit::GetDefaultDisplayFormat()
{
    return "";
}

PRICETAGS_DEFINE_CLASS(Tyl_CurrencyEdit,
    Property("Value", &Tyl_CurrencyEdit::Value, &Tyl_CurrencyEdit::SetValue))

Tyl_CurrencyEdit::Tyl_CurrencyEdit(TComponent* AOwner) : Tyl_CustomNumEdit(AOwner)
{
    // The default format takes the locale's money decimals; editing then
    // allows two places, as the base edit does.
    FDecimalPlaces = FormatSettings().CurrencyDecimals;
    FDisplayFormat = GetDefaultDisplayFormat();
    FDecimalPlaces = 2;
    Reformat();
}

Tyl_CurrencyEdit::~Tyl_CurrencyEdit() = default;

Currency Tyl_CurrencyEdit::Value()
{
    return Currency::FromRaw(Round(AsFloat() * 10000));
}

void Tyl_CurrencyEdit::SetValue(Currency V)
{
    SetAsFloat(static_cast<Extended>(V.Raw()) / 10000);
}

void Tyl_CurrencyEdit::SetDecimalPlaces(int Value)
{
    if (Value == -1)
        Value = FormatSettings().CurrencyDecimals;
    else if (Value < 0)
        Value = 2;
    else if (Value > 4)
        Value = 4;
    FDecimalPlaces = Value;
    FDisplayFormat = GetDefaultDisplayFormat();
    Reformat();
    Invalidate();
}

Extended Tyl_CurrencyEdit::TextToValue(const AnsiString& Text)
{
    const Currency C = StrToCurr(NormalizeNumText(Text));
    return CheckValue(static_cast<Extended>(C.Raw()) / 10000);
}

AnsiString Tyl_CurrencyEdit::FormatWith(const AnsiString& Format, Extended Value)
{
    return FormatCurr(Format, Currency::FromRaw(Round(Value * 10000)));
}

AnsiString Tyl_CurrencyEdit::GetDefaultDisplayFormat()
{
    const TFormatSettings& FS = FormatSettings();
    const AnsiString Number = ",0." + ReplicateStr("0", std::max(FDecimalPlaces, 0));
    // The money sign is quoted: its "." is no decimal point.
    const AnsiString Sign = "\"" + FS.CurrencyString + "\"";
    AnsiString S;
    switch (FS.CurrencyFormat) {
    case 0: S = Sign + Number; break;
    case 1: S = Number + Sign; break;
    case 2: S = Sign + " " + Number; break;
    default: S = Number + " " + Sign; break;
    }
    return S + ";-" + S;
}

bool Tyl_CurrencyEdit::IsValidChar(char Key)
{
    return TypedTextIsNumber(*this, Key, FDecimalPlaces, /*CurrencyMode=*/true);
}

PRICETAGS_DEFINE_CLASS(Tyl_IntegerEdit,
    Property("Value", &Tyl_IntegerEdit::Value, &Tyl_IntegerEdit::SetValue))

Tyl_IntegerEdit::Tyl_IntegerEdit(TComponent* AOwner) : Tyl_CustomNumEdit(AOwner)
{
    FDisplayFormat = GetDefaultDisplayFormat();
    FDecimalPlaces = 0;
    Reformat();
}

Tyl_IntegerEdit::~Tyl_IntegerEdit() = default;

Integer Tyl_IntegerEdit::Value()
{
    return static_cast<Integer>(Round(AsFloat()));
}

AnsiString Tyl_IntegerEdit::GetDefaultDisplayFormat()
{
    return "0";
}

bool Tyl_IntegerEdit::IsValidChar(char Key)
{
    if (Key != ' ' && (Key < '0' || Key > '9'))
        return false;
    AnsiString S = Text();
    const int Start = std::min(SelStart(), S.Length());
    S = S.SubString(1, Start) + AnsiString(Key) + S.SubString(Start + SelLength() + 1, S.Length());
    Integer V = 0;
    return TryStrToInt(NormalizeNumText(S), V);
}
