#pragma once

// The class library's edit-mask language, apart from any control: parsing a
// mask, checking typed characters, the edit text (what the edit shows,
// literals and blank characters included) and the text (the value a program
// reads), and the typing steps of a masked edit over that edit text.
//
// A mask has up to three fields separated by ';': the mask itself, the
// save-literals flag ('0': the text holds only the typed characters; any
// other character or no field: the literals are part of the text) and the
// blank character shown at empty positions ('_' when absent or empty).
//
// Mask characters (each is one position of the edit text):
//   0 digit, required        9 digit, optional       # digit, '+' or '-', optional
//   L letter, required       l letter, optional
//   A letter or digit, req.  a letter or digit, opt.
//   C any character, req.    c any character, opt.
//   /  the locale's date separator      :  the locale's time separator
//   _  a blank (space) literal          \x the character x as a literal
//   any other character: itself, a literal
// Directives (no position): '>' upper-cases what follows, '<' lower-cases,
// "<>" ends case conversion; '!' makes the unfilled optional positions of a
// text without literals leading blanks instead of trailing ones.
//
// Positions are 0-based indexes into the edit text. Letters follow the
// CP1251 table (Cyrillic letters are letters). The separators are read from
// the current FormatSettings when the mask is parsed.

#include "platform/rtl/AnsiString.h"

#include <vector>

/// Blank character of a mask that names none.
constexpr char DefaultBlank = '_';
constexpr char MaskFieldSeparator = ';';
constexpr char MaskNoSave = '0';

/// What one position of the edit text takes.
enum class MaskCharKind {
    Literal,
    DigitRequired,   // 0
    DigitOptional,   // 9
    DigitOrSign,     // #
    LetterRequired,  // L
    LetterOptional,  // l
    AlnumRequired,   // A
    AlnumOptional,   // a
    AnyRequired,     // C
    AnyOptional,     // c
};

enum class MaskCase { None, Upper, Lower };

struct MaskPosition {
    MaskCharKind Kind = MaskCharKind::Literal;
    /// The character shown at a literal position.
    char Literal = ' ';
    MaskCase Case = MaskCase::None;
};

/// A parsed edit mask. An empty mask gives an unmasked layout (no
/// positions), for which the edit text and the text are the same.
class MaskLayout {
public:
    MaskLayout() = default;
    explicit MaskLayout(const AnsiString& EditMask);

    bool IsMasked() const { return !FPositions.empty(); }
    /// Number of positions = length of the edit text.
    int Length() const { return static_cast<int>(FPositions.size()); }
    bool SaveLiterals() const { return FSaveLiterals; }
    char Blank() const { return FBlank; }
    bool Reverse() const { return FReverse; }
    const MaskPosition& At(int Pos) const { return FPositions[static_cast<size_t>(Pos)]; }

    bool IsLiteral(int Pos) const;
    bool IsRequired(int Pos) const;
    /// Whether C may stand at input position Pos; C is case-converted first
    /// as the mask says. False for literal positions and Pos out of range.
    bool Accepts(int Pos, char& C) const;
    /// The first input position at or after Pos; Length() when none.
    int NextInput(int Pos) const;
    /// The last input position before Pos; -1 when none.
    int PrevInput(int Pos) const;

    /// The edit text of an empty value: literals and blank characters.
    AnsiString EmptyEditText() const;
    /// The edit text showing Value, a text in the form Text() gives: with
    /// saved literals character by character against the positions, without
    /// them the characters fill the input positions in order (from the right
    /// with '!'). A character a position does not take leaves it blank.
    AnsiString EditTextOf(const AnsiString& Value) const;
    /// The text of an edit text: blanks become spaces; without saved
    /// literals only the input positions, the filled ones first (last with
    /// '!') and the unfilled ones as spaces.
    AnsiString TextOf(const AnsiString& EditText) const;
    /// True when every required position of EditText is filled; otherwise
    /// false with FirstMissing the first unfilled required position.
    bool IsComplete(const AnsiString& EditText, int& FirstMissing) const;
    /// True when no input position of EditText is filled.
    bool IsBlank(const AnsiString& EditText) const;

private:
    bool Filled(const AnsiString& EditText, int Pos) const;

    std::vector<MaskPosition> FPositions;
    bool FSaveLiterals = true;
    bool FReverse = false;
    char FBlank = DefaultBlank;
};

/// Value formatted by EditMask as a masked edit shows it (its edit text);
/// Value itself for an empty mask.
[[nodiscard]] AnsiString FormatMaskText(const AnsiString& EditMask, const AnsiString& Value);

/// The typing state of a masked edit: its edit text and selection (0-based
/// start; length 0 is a caret). The steps below change it as the keys do and
/// report whether the key was taken (false: the edit beeps).
struct MaskEditState {
    AnsiString EditText;
    int SelStart = 0;
    int SelLength = 0;
};

/// A typed character: overwrites the first input position at or after the
/// selection start (the selection is blanked first); typing the literal that
/// stands at the caret steps over it. The caret moves past the character
/// and the literals after it.
bool MaskTypeChar(const MaskLayout& Mask, MaskEditState& State, char C);
/// Backspace: blanks the selection, or the input position before the caret
/// and moves the caret there.
bool MaskBackspace(const MaskLayout& Mask, MaskEditState& State);
/// Delete: blanks the selection, or the input position at the caret.
bool MaskDelete(const MaskLayout& Mask, MaskEditState& State);
/// Blanks the input positions of the selection and collapses it to its start.
void MaskClearSelection(const MaskLayout& Mask, MaskEditState& State);
/// Pastes Text at the selection: its characters are typed one by one,
/// stopping at the first the mask refuses. False when none was taken.
bool MaskPaste(const MaskLayout& Mask, MaskEditState& State, const AnsiString& Text);
