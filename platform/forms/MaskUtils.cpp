#include "platform/forms/MaskUtils.h"

#include "platform/rtl/Cp1251.h"
#include "platform/rtl/FormatSettings.h"

namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }
bool IsLetter(char C) { return cp1251::IsLetter(static_cast<unsigned char>(C)); }

/// Splits an edit mask into its three fields at unescaped separators.
void SplitFields(const AnsiString& EditMask, AnsiString& Mask, AnsiString& Save, AnsiString& Blank,
                 int& FieldCount)
{
    AnsiString* Fields[3] = {&Mask, &Save, &Blank};
    FieldCount = 1;
    for (int I = 1; I <= EditMask.Length(); ++I) {
        const char C = EditMask[I];
        if (C == '\\' && I < EditMask.Length() && FieldCount == 1) {
            Mask += C;
            Mask += EditMask[++I];
            continue;
        }
        if (C == MaskFieldSeparator && FieldCount < 3) {
            ++FieldCount;
            continue;
        }
        *Fields[FieldCount - 1] += C;
    }
}

MaskCharKind KindOf(char C)
{
    switch (C) {
    case '0': return MaskCharKind::DigitRequired;
    case '9': return MaskCharKind::DigitOptional;
    case '#': return MaskCharKind::DigitOrSign;
    case 'L': return MaskCharKind::LetterRequired;
    case 'l': return MaskCharKind::LetterOptional;
    case 'A': return MaskCharKind::AlnumRequired;
    case 'a': return MaskCharKind::AlnumOptional;
    case 'C': return MaskCharKind::AnyRequired;
    case 'c': return MaskCharKind::AnyOptional;
    default:  return MaskCharKind::Literal;
    }
}

} // namespace

MaskLayout::MaskLayout(const AnsiString& EditMask)
{
    AnsiString Mask, Save, BlankField;
    int FieldCount = 1;
    SplitFields(EditMask, Mask, Save, BlankField, FieldCount);
    FSaveLiterals = Save.IsEmpty() || Save[1] != MaskNoSave;
    FBlank = BlankField.IsEmpty() ? DefaultBlank : BlankField[1];

    const TFormatSettings& Fs = FormatSettings();
    MaskCase Case = MaskCase::None;
    for (int I = 1; I <= Mask.Length(); ++I) {
        const char C = Mask[I];
        MaskPosition P;
        P.Case = Case;
        switch (C) {
        case '!':
            FReverse = true;
            continue;
        case '>':
            if (I < Mask.Length() && Mask[I + 1] == '<') {
                Case = MaskCase::None;
                ++I;
            } else {
                Case = MaskCase::Upper;
            }
            continue;
        case '<':
            Case = MaskCase::Lower;
            continue;
        case '\\':
            if (I == Mask.Length())
                continue; // a trailing escape escapes nothing
            P.Literal = Mask[++I];
            break;
        case '/':
            P.Literal = Fs.DateSeparator;
            break;
        case ':':
            P.Literal = Fs.TimeSeparator;
            break;
        case '_':
            P.Literal = ' ';
            break;
        default:
            P.Kind = KindOf(C);
            P.Literal = C;
            break;
        }
        FPositions.push_back(P);
    }
}

bool MaskLayout::IsLiteral(int Pos) const
{
    return Pos >= 0 && Pos < Length() && At(Pos).Kind == MaskCharKind::Literal;
}

bool MaskLayout::IsRequired(int Pos) const
{
    if (Pos < 0 || Pos >= Length())
        return false;
    switch (At(Pos).Kind) {
    case MaskCharKind::DigitRequired:
    case MaskCharKind::LetterRequired:
    case MaskCharKind::AlnumRequired:
    case MaskCharKind::AnyRequired:
        return true;
    case MaskCharKind::Literal:
    case MaskCharKind::DigitOptional:
    case MaskCharKind::DigitOrSign:
    case MaskCharKind::LetterOptional:
    case MaskCharKind::AlnumOptional:
    case MaskCharKind::AnyOptional:
        return false;
    }
    return false;
}

bool MaskLayout::Accepts(int Pos, char& C) const
{
    if (Pos < 0 || Pos >= Length())
        return false;
    const MaskPosition& P = At(Pos);
    const auto B = static_cast<unsigned char>(C);
    if (P.Case == MaskCase::Upper)
        C = static_cast<char>(cp1251::ToUpper(B));
    else if (P.Case == MaskCase::Lower)
        C = static_cast<char>(cp1251::ToLower(B));
    switch (P.Kind) {
    case MaskCharKind::Literal:
        return false;
    case MaskCharKind::DigitRequired:
    case MaskCharKind::DigitOptional:
        return IsDigit(C);
    case MaskCharKind::DigitOrSign:
        return IsDigit(C) || C == '+' || C == '-';
    case MaskCharKind::LetterRequired:
    case MaskCharKind::LetterOptional:
        return IsLetter(C);
    case MaskCharKind::AlnumRequired:
    case MaskCharKind::AlnumOptional:
        return IsLetter(C) || IsDigit(C);
    case MaskCharKind::AnyRequired:
    case MaskCharKind::AnyOptional:
        // Control characters never enter an edit text.
        return static_cast<unsigned char>(C) >= 0x20;
    }
    return false;
}

int MaskLayout::NextInput(int Pos) const
{
    for (int I = Pos < 0 ? 0 : Pos; I < Length(); ++I)
        if (!IsLiteral(I))
            return I;
    return Length();
}

int MaskLayout::PrevInput(int Pos) const
{
    for (int I = (Pos > Length() ? Length() : Pos) - 1; I >= 0; --I)
        if (!IsLiteral(I))
            return I;
    return -1;
}

AnsiString MaskLayout::EmptyEditText() const
{
    AnsiString S;
    for (const MaskPosition& P : FPositions)
        S += P.Kind == MaskCharKind::Literal ? P.Literal : FBlank;
    return S;
}

AnsiString MaskLayout::EditTextOf(const AnsiString& Value) const
{
    if (!IsMasked())
        return Value;
    AnsiString S = EmptyEditText();
    if (FSaveLiterals) {
        for (int Pos = 0; Pos < Length() && Pos < Value.Length(); ++Pos) {
            char C = Value[Pos + 1];
            if (!IsLiteral(Pos) && Accepts(Pos, C))
                S[Pos + 1] = C;
        }
        return S;
    }
    // Without literals the value's characters go to the input positions in
    // order; with '!' they are aligned to the last positions instead.
    std::vector<int> Inputs;
    for (int Pos = 0; Pos < Length(); ++Pos)
        if (!IsLiteral(Pos))
            Inputs.push_back(Pos);
    const int Count = static_cast<int>(Inputs.size());
    const int Take = Value.Length() < Count ? Value.Length() : Count;
    const int First = FReverse ? Count - Take : 0;
    for (int I = 0; I < Take; ++I) {
        const int Pos = Inputs[static_cast<size_t>(First + I)];
        char C = Value[I + 1];
        if (Accepts(Pos, C))
            S[Pos + 1] = C;
    }
    return S;
}

bool MaskLayout::Filled(const AnsiString& EditText, int Pos) const
{
    return Pos < EditText.Length() && EditText[Pos + 1] != FBlank && EditText[Pos + 1] != ' ';
}

AnsiString MaskLayout::TextOf(const AnsiString& EditText) const
{
    if (!IsMasked())
        return EditText;
    AnsiString S;
    if (FSaveLiterals) {
        for (int Pos = 0; Pos < Length(); ++Pos) {
            if (IsLiteral(Pos))
                S += At(Pos).Literal;
            else
                S += Filled(EditText, Pos) ? EditText[Pos + 1] : ' ';
        }
        return S;
    }
    AnsiString Chars;
    int Blanks = 0;
    for (int Pos = 0; Pos < Length(); ++Pos) {
        if (IsLiteral(Pos))
            continue;
        if (Filled(EditText, Pos))
            Chars += EditText[Pos + 1];
        else
            ++Blanks;
    }
    const AnsiString Pad(std::string(static_cast<size_t>(Blanks), ' '));
    return FReverse ? Pad + Chars : Chars + Pad;
}

bool MaskLayout::IsComplete(const AnsiString& EditText, int& FirstMissing) const
{
    for (int Pos = 0; Pos < Length(); ++Pos) {
        if (IsRequired(Pos) && !Filled(EditText, Pos)) {
            FirstMissing = Pos;
            return false;
        }
    }
    FirstMissing = -1;
    return true;
}

bool MaskLayout::IsBlank(const AnsiString& EditText) const
{
    for (int Pos = 0; Pos < Length(); ++Pos)
        if (!IsLiteral(Pos) && Filled(EditText, Pos))
            return false;
    return true;
}

AnsiString FormatMaskText(const AnsiString& EditMask, const AnsiString& Value)
{
    return MaskLayout(EditMask).EditTextOf(Value);
}

namespace {

/// Keeps the state inside the edit text whatever the caller set.
void ClampState(const MaskLayout& Mask, MaskEditState& State)
{
    if (State.EditText.Length() != Mask.Length()) {
        AnsiString S = Mask.EmptyEditText();
        for (int I = 1; I <= S.Length() && I <= State.EditText.Length(); ++I)
            if (!Mask.IsLiteral(I - 1))
                S[I] = State.EditText[I];
        State.EditText = S;
    }
    if (State.SelStart < 0)
        State.SelStart = 0;
    if (State.SelStart > Mask.Length())
        State.SelStart = Mask.Length();
    if (State.SelLength < 0)
        State.SelLength = 0;
    if (State.SelStart + State.SelLength > Mask.Length())
        State.SelLength = Mask.Length() - State.SelStart;
}

} // namespace

void MaskClearSelection(const MaskLayout& Mask, MaskEditState& State)
{
    ClampState(Mask, State);
    for (int Pos = State.SelStart; Pos < State.SelStart + State.SelLength; ++Pos)
        if (!Mask.IsLiteral(Pos))
            State.EditText[Pos + 1] = Mask.Blank();
    State.SelLength = 0;
}

bool MaskTypeChar(const MaskLayout& Mask, MaskEditState& State, char C)
{
    ClampState(Mask, State);
    const int Caret = State.SelStart;
    if (Mask.IsLiteral(Caret) && State.SelLength == 0 && Mask.At(Caret).Literal == C) {
        State.SelStart = Mask.NextInput(Caret + 1);
        return true;
    }
    const int Pos = Mask.NextInput(Caret);
    if (Pos >= Mask.Length() || !Mask.Accepts(Pos, C)) {
        // The caret already stepped over the literal the user types now
        // ("31." after "31"): take the key without a change.
        return State.SelLength == 0 && Mask.IsLiteral(Caret - 1) &&
               Mask.At(Caret - 1).Literal == C;
    }
    MaskClearSelection(Mask, State);
    State.EditText[Pos + 1] = C;
    State.SelStart = Mask.NextInput(Pos + 1);
    return true;
}

bool MaskBackspace(const MaskLayout& Mask, MaskEditState& State)
{
    ClampState(Mask, State);
    if (State.SelLength > 0) {
        MaskClearSelection(Mask, State);
        return true;
    }
    const int Pos = Mask.PrevInput(State.SelStart);
    if (Pos < 0)
        return false;
    State.EditText[Pos + 1] = Mask.Blank();
    State.SelStart = Pos;
    return true;
}

bool MaskDelete(const MaskLayout& Mask, MaskEditState& State)
{
    ClampState(Mask, State);
    if (State.SelLength > 0) {
        MaskClearSelection(Mask, State);
        return true;
    }
    const int Pos = Mask.NextInput(State.SelStart);
    if (Pos >= Mask.Length())
        return false;
    State.EditText[Pos + 1] = Mask.Blank();
    return true;
}

bool MaskPaste(const MaskLayout& Mask, MaskEditState& State, const AnsiString& Text)
{
    ClampState(Mask, State);
    bool Any = false;
    for (int I = 1; I <= Text.Length(); ++I) {
        if (!MaskTypeChar(Mask, State, Text[I]))
            break;
        Any = true;
    }
    return Any;
}
