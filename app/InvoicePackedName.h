#pragma once

// Item names as suppliers write them: the goods type packed into the name
// cell after a line break or in brackets at its end, decorations of quotes,
// brackets and punctuation, and the shop's goods-group codes. The splitter
// cuts a name into a clean name and a type; TrimName cleans any name. Text
// is CP1251.

#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <array>
#include <memory>
#include <vector>

class TStringList;

/// Packing modes of the type in item names (the analysis' PackedMode).
constexpr Byte PackedNone = 1;
constexpr Byte PackedInBrackets = 2;
constexpr Byte PackedAfterLineBreak = 4;

/// S without enclosing blanks, enclosing pairs of brackets, quotes, slashes
/// or backslashes, and without leading and trailing characters of
/// " :;.,/\*-+%?^|". A pair is kept when its opening bracket occurs again
/// inside (or its quote, slash or backslash occurs again before the end):
/// "(A) and (B)" stays as it is. When nothing would be left, S is returned
/// unchanged (not even trimmed). Control characters count as blanks.
[[nodiscard]] AnsiString TrimName(const AnsiString& S);
/// The same, taking S over: a name that needs no cleaning is not copied.
[[nodiscard]] AnsiString TrimName(AnsiString&& S);

/// Splits item names by Mode. Mode starts as PackedNone.
class TInvoicePackedName : public TObject {
    PRICETAGS_CLASS(TInvoicePackedName, TObject)
public:
    /// Fills GroupCodes with the shop's goods-group codes.
    TInvoicePackedName();
    ~TInvoicePackedName() override;

    /// Fills NamePart and TypePart from Text by Mode: PackedNone the whole
    /// text is the name; PackedAfterLineBreak the part after the last line
    /// break is the type; PackedInBrackets the part in the closing brackets
    /// at the end is the type; without such a part the whole text is the
    /// name. Both parts go through TrimName, and the first goods-group code
    /// standing as a word of its own is removed from each. Any other Mode
    /// raises EAppException "!!!" (logged).
    void Parse(const AnsiString& Text);
    /// The same, taking Text over: a whole name that needs no cleaning
    /// becomes NamePart without a copy.
    void Parse(AnsiString&& Text);
    /// Whether Text carries a type part in closing brackets at its end
    /// (HasBracket) or after a line break (HasLineBreak); true when either
    /// does. Mode is not used.
    bool Detect(const AnsiString& Text, bool& HasBracket, bool& HasLineBreak) const;
    /// Empties the four text fields.
    void Clear();

    /// The goods type found in the name; '' when none.
    AnsiString TypePart;
    /// Emptied with the others; not otherwise used.
    AnsiString Reserve1;
    AnsiString Reserve2;
    /// The cleaned item name.
    AnsiString NamePart;
    Byte Mode = PackedNone;
    /// Goods-group codes removed from names, tried in this order.
    std::unique_ptr<TStringList> GroupCodes;

private:
    [[nodiscard]] AnsiString RemoveGroupCode(AnsiString S) const;
    /// GroupCodes' change handler: the upper-cased codes are made anew.
    void CodesChanged(TObject* Sender);

    /// GroupCodes upper-cased, made from the list FUpperCodesOf points to;
    /// null when they must be made anew.
    mutable std::vector<AnsiString> FUpperCodes;
    /// The bytes that start a word of a code: each non-separator byte
    /// whose upper case is a first byte of FUpperCodes.
    mutable std::array<bool, 256> FCodeStarts{};
    mutable const TStringList* FUpperCodesOf = nullptr;
};
