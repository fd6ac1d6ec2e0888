#include "app/ArticleList.h"

#include "app/AnalizeResult.h"
#include "app/Globals.h"
#include "app/InvoicePackedName.h"
#include "app/InvoiceType.h"
#include "app/ReadXLS.h"
#include "common/base/Funcs.h"
#include "common/base/HBuffFile.h"
#include "common/components/MsgWin.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Variant.h"

#include <utility>
#include <vector>

PRICETAGS_DEFINE_CLASS(TshArticle)

PRICETAGS_DEFINE_CLASS(TshArticleList)

void TshInvoiceTovar::AssignArticle(const TshArticle& Article)
{
    Description = Article.Description;
    Tip = Article.Tip;
    Firm = Article.Firm;
    Country = Article.Country;
    ArticleCode = Article.ArticleCode;
    Warranty = Article.Warranty;
}

namespace {

const char* const FileHeader = "ArticleList";
const char* const ListHeader = "Articles";
const char* const ItemHeader = "ArtItem";

void SaveArticle(TStream& Stream, const TshArticle& Article)
{
    WriteRecordStart(Stream, ItemHeader);
    WriteStringField(Stream, 1, Article.Tip);
    WriteStringField(Stream, 2, Article.Model);
    WriteStringField(Stream, 3, Article.Description);
    WriteStringField(Stream, 4, Article.ArticleCode);
    WriteStringField(Stream, 5, Article.Firm);
    WriteStringField(Stream, 6, Article.Country);
    WriteIntegerField(Stream, 7, Article.Warranty);
    WriteStringField(Stream, 8, Article.MatchKey);
    WriteRecordEnd(Stream);
}

void LoadArticle(TStream& Stream, TshArticle& Article)
{
    // An article is a whole record, its start first: a lone end tag is none.
    ReadRecordStartTag(Stream);
    ReadRecordHeader(Stream, ItemHeader);
    for (;;) {
        switch (ReadByte(Stream)) {
        case TagRecordStart: ReadRecordHeader(Stream, ItemHeader); break;
        case 1: Article.Tip = ReadString(Stream); break;
        case 2: Article.Model = ReadString(Stream); break;
        case 3: Article.Description = ReadString(Stream); break;
        case 4: Article.ArticleCode = ReadString(Stream); break;
        case 5: Article.Firm = ReadString(Stream); break;
        case 6: Article.Country = ReadString(Stream); break;
        case 7: Article.Warranty = ReadInteger(Stream); break;
        case 8: Article.MatchKey = ReadString(Stream); break;
        case TagRecordEnd: return;
        default: RaiseUnknownTag();
        }
    }
}

}  // namespace

// ---- list --------------------------------------------------------------------

TshArticleList::TshArticleList() : FileName(gTxtPath + "Articles.fl") {}

TshArticleList::~TshArticleList()
{
    // The override no longer runs from the inherited destructor.
    Clear();
}

void TshArticleList::Clear()
{
    inherited::Clear();
    FErrors.reset();
}

TshArticle* TshArticleList::GetItem(Integer Index) const
{
    return static_cast<TshArticle*>(Get(Index));
}

TshArticle* TshArticleList::Add()
{
    auto* Article = new TshArticle;
    AddObject(Article);
    return Article;
}

TStringList* TshArticleList::GetErrors()
{
    if (!FErrors)
        FErrors = std::make_unique<TStringList>();
    return FErrors.get();
}

void TshArticleList::AddError(const AnsiString& Text)
{
    GetErrors()->Add(UnescapeNewLines(Text));
}

void TshArticleList::AddErrorFmt(const AnsiString& Fmt, TVarRecs Args)
{
    AddError(Format(Fmt, Args));
}

void TshArticleList::TakeItems(TshArticleList& Source)
{
    while (Source.Count() > 0)
        AddObject(Source.Extract(Source.Count() - 1));
}

// ---- file --------------------------------------------------------------------

void TshArticleList::Load()
{
    if (ReadOnly)
        return;
    if (!FileExists(FileName)) {
        Clear();
        ErrorMsg("Не найден файл с описаниями\r\n"_a + FileName);
        SaveToFile(FileName);
        return;
    }
    LoadFromFile(FileName);
}

void TshArticleList::Save()
{
    if (!ReadOnly)
        SaveToFile(FileName);
}

void TshArticleList::LoadFromFile(const AnsiString& Name)
{
    TschFileStream Stream(Name, 0);
    LoadFromStream(Stream, Name);
}

void TshArticleList::LoadFromStream(TStream& Stream, const AnsiString& Name)
{
    if (ReadString(Stream) != FileHeader)
        RaiseLoadError("Неверный заголовок файла артикулов \r\n"_a + Name);
    // Read into a list of its own: only a complete read replaces this one,
    // so a damaged file never leaves half a list that a later save would
    // write over the file.
    TshArticleList Loaded;
    for (;;) {
        const Byte Tag = ReadByte(Stream);
        if (Tag == TagRecordEnd)
            break;
        switch (Tag) {
        case TagRecordStart: ReadRecordHeader(Stream, ListHeader); break;
        case TagRecordList: {
            // The count is checked against the bytes left, and articles are
            // created one by one as they are read: never a huge allocation.
            const Integer N = ReadRecordListCount(Stream);
            for (Integer I = 0; I < N; ++I)
                LoadArticle(Stream, *Loaded.Add());
            break;
        }
        default: RaiseUnknownTag();
        }
    }
    Clear();
    inherited::Assign(Loaded);
}

void TshArticleList::SaveToStream(TStream& Stream) const
{
    WriteString(Stream, FileHeader);
    WriteRecordStart(Stream, ListHeader);
    WriteRecordList(Stream, Count());
    for (Integer I = 0; I < Count(); ++I)
        SaveArticle(Stream, *GetItem(I));
    WriteRecordEnd(Stream);
}

void TshArticleList::SaveToFile(const AnsiString& Name)
{
    SaveDataFile(Name, [this](TStream& Stream) { SaveToStream(Stream); });
}

// ---- import ------------------------------------------------------------------

namespace {

/// The article field a column of the article layout fills.
void StoreArticleCell(TshArticle& Article, Byte Kind, const AnsiString& Text)
{
    switch (Kind) {
    case KindType: Article.Tip = TrimName(Text); return;
    case KindModelName: Article.Model = TrimName(Text); return;
    // The code is kept: matching by article code relies on it.
    case KindArticle: Article.ArticleCode = Trim(Text); return;
    case KindDescription: Article.Description = Text; return;
    case KindFirm: Article.Firm = Text; return;
    case KindCountry: Article.Country = Text; return;
    case KindWarranty: {
        const AnsiString Clean = CleanNumStr(Text);
        if (!Clean.IsEmpty())
            Article.Warranty = StrToIntDef(Clean, 0);
        return;
    }
    default: return;
    }
}

}  // namespace

void TshArticleList::ImportTable(const Variant& Table, const TAnalizeResult& Analysis)
{
    const TableShape Shape = CheckAnalysedTable(Table, Analysis);
    const Integer Rows = Shape.Rows;
    const Integer Cols = Shape.Cols;
    // Read into a list of its own that replaces this one only when it holds
    // an article: a failed import never costs the shop its descriptions.
    TshArticleList Imported;
    const Integer First = Analysis.IndexOfKind(KindFirstRow);
    const Integer Last = Analysis.IndexOfKind(KindLastRow);
    if (First > Last)
        Imported.AddError("Неверно определены начальная и конечная строки при анализе"_a);
    Integer From = First;
    if (First < 0 || First >= Rows) {
        Imported.AddError("Не определена начальная строка при анализе"_a);
        From = 0;
    }
    Integer To = Last;
    if (Last < 0 || Last >= Rows) {
        Imported.AddError("Не определена конечная строка при анализе"_a);
        To = Rows - 1;
    }
    std::vector<Byte> ColumnKind(static_cast<size_t>(Cols), KindNone);
    bool AnyColumn = false;
    for (Byte Kind = KindType; Kind <= KindWarranty; ++Kind) {
        const Integer C = Analysis.IndexOfKind(Kind);
        if (C >= 0 && C < Cols) {
            ColumnKind[size_t(C)] = Kind;
            AnyColumn = true;
        }
    }
    // Without a single known column every article would be blank, and
    // replacing the shop's descriptions by blanks loses them.
    if (!AnyColumn)
        RaiseAppError("Не определены столбцы описаний товаров"_a);
    for (Integer R = From; R <= To; ++R) {
        const AnsiString SheetRow = IntToStr(Analysis.FirstRow + R);
        if (!Analysis.anRowList.GetItem(R)->IsData) {
            Imported.AddErrorFmt(SImportRowSkipped(), {SheetRow});
            continue;
        }
        TshArticle& Article = *Imported.Add();
        for (Integer C = 0; C < Cols; ++C) {
            if (ColumnKind[size_t(C)] == KindNone)
                continue;
            try {
                const Variant& Cell = Table.GetElement(Shape.RowLow + R, Shape.ColLow + C);
                StoreArticleCell(Article, ColumnKind[size_t(C)], CellValueText(Cell));
            } catch (const Exception&) {
                Imported.AddErrorFmt(SImportCellError(),
                                     {SheetRow, IntToStr(Analysis.FirstCol + C)});
            }
        }
        Article.MatchKey = MakeModelKey(Article.Model);
    }
    if (Imported.Count() == 0)
        RaiseImportErrors(*Imported.GetErrors());
    Clear();
    inherited::Assign(Imported);
    FErrors = std::move(Imported.FErrors);
}

// ---- matching ----------------------------------------------------------------

TshArticle* TshArticleList::FindBest(const TshInvoiceTovar& Row, Integer& Score,
                                     Integer& Index) const
{
    const AnsiString RowKey = MakeModelKey(Row.Name);
    Score = 0;
    Index = -1;
    for (Integer I = 0; I < Count(); ++I) {
        const Integer S = MatchScore(Row, RowKey, *GetItem(I));
        if (S <= 0 || S < Score)
            continue;
        Score = S;
        Index = I;
        if (S == 100)
            break;
    }
    return Index >= 0 ? GetItem(Index) : nullptr;
}

namespace {

/// "-" characters of a key, a last one not counted.
Integer InnerDashes(const AnsiString& Key)
{
    Integer N = 0;
    for (int I = 1; I < Key.Length(); ++I)
        N += Key[I] == '-' ? 1 : 0;
    return N;
}

bool SameNonBlankText(const AnsiString& A, const AnsiString& B)
{
    const AnsiString L = AnsiUpperCase(Trim(A));
    return !L.IsEmpty() && L == AnsiUpperCase(Trim(B));
}

}  // namespace

Integer MatchScore(const TshInvoiceTovar& Row, const AnsiString& RowKey, const TshArticle& Article)
{
    if (SameNonBlankText(Row.Name, Article.Model))
        return 100;
    if (SameNonBlankText(Row.ArticleCode, Article.ArticleCode))
        return 100;
    const AnsiString& Key = Article.MatchKey;
    // Two blank keys say nothing about each other.
    if (RowKey.IsEmpty() || Key.IsEmpty())
        return 0;
    if (RowKey == Key)
        return 80;
    if (InnerDashes(RowKey) > 3 && Key.View().starts_with(RowKey.View()))
        return 70;
    if (InnerDashes(Key) > 3 && RowKey.View().starts_with(Key.View()))
        return 70;
    return 0;
}

// ---- match key ---------------------------------------------------------------

namespace {

/// Characters that split a model name into words (besides blanks).
constexpr TCharSet WordBreaks{'.', ',', ';', ':', '!', '?', '\\', '|', '/', '"', '\'', '(', ')',
                              '[', ']', '{', '}', '-', '+'};

bool IsBlankChar(char C)
{
    return static_cast<unsigned char>(C) <= ' ';
}

bool IsDigitChar(char C)
{
    return C >= '0' && C <= '9';
}

/// Runs of digits in a word, as (1-based start, length).
std::vector<std::pair<int, int>> DigitGroups(const AnsiString& Word)
{
    std::vector<std::pair<int, int>> Groups;
    for (int I = 1; I <= Word.Length();) {
        if (!IsDigitChar(Word[I])) {
            ++I;
            continue;
        }
        const int Start = I;
        while (I <= Word.Length() && IsDigitChar(Word[I]))
            ++I;
        Groups.emplace_back(Start, I - Start);
    }
    return Groups;
}

std::vector<AnsiString> SplitWords(const AnsiString& Text)
{
    std::vector<AnsiString> Words;
    AnsiString Word;
    for (int I = 1; I <= Text.Length(); ++I) {
        const char C = Text[I];
        if (IsBlankChar(C) || WordBreaks.Contains(C)) {
            if (!Word.IsEmpty())
                Words.push_back(Word);
            Word = AnsiString();
            continue;
        }
        Word += C;
    }
    if (!Word.IsEmpty())
        Words.push_back(Word);
    return Words;
}

/// A name without a model number: its runs of punctuation become one "-".
AnsiString PunctuationKey(const AnsiString& Text)
{
    static const TCharSet Runs = TCharSet{'.', ',', ';', ':', '!', '?', '#', '$', '%', '&', '^',
                                          '`', '~', '|', '\\', '/', '+', '-', '*', '"', '\'',
                                          '(', ')', '[', ']', '{', '}', '<', '>', '_'}
                                 + TCharSet::Of("№"_a);
    const AnsiString Upper = AnsiUpperCase(Trim(Text));
    AnsiString Key;
    bool InRun = false;
    for (int I = 1; I <= Upper.Length(); ++I) {
        const char C = Upper[I];
        if (IsBlankChar(C) || Runs.Contains(C)) {
            InRun = true;
            continue;
        }
        if (InRun && !Key.IsEmpty())
            Key += '-';
        InRun = false;
        Key += C;
    }
    return Key;
}

void AppendPart(AnsiString& Key, const AnsiString& Part)
{
    if (Part.IsEmpty())
        return;
    if (!Key.IsEmpty())
        Key += '-';
    Key += Part;
}

/// A name of several numbers: its digit groups in order, then the parts of
/// its words around them, in order.
AnsiString SeveralNumbersKey(const std::vector<AnsiString>& Words)
{
    AnsiString Key;
    for (const AnsiString& Word : Words)
        for (const auto& [Start, Length] : DigitGroups(Word))
            AppendPart(Key, Word.SubString(Start, Length));
    for (const AnsiString& Word : Words) {
        int From = 1;
        for (const auto& [Start, Length] : DigitGroups(Word)) {
            AppendPart(Key, Trim(Word.SubString(From, Start - From)));
            From = Start + Length;
        }
        AppendPart(Key, Trim(Word.SubString(From, Word.Length() - From + 1)));
    }
    return AnsiUpperCase(Key);
}

}  // namespace

AnsiString MakeModelKey(const AnsiString& Model)
{
    const std::vector<AnsiString> Words = SplitWords(Model);
    // The model number: the first word with digits after the first word. A
    // second such word, or a second group of digits in it, makes a name of
    // several numbers.
    int DigitWord = -1;
    bool Several = false;
    for (int I = 0; I < int(Words.size()); ++I) {
        const auto Groups = DigitGroups(Words[size_t(I)]);
        if (Groups.empty())
            continue;
        if (DigitWord > 0) {
            Several = true;
            break;
        }
        DigitWord = I;
        if (I > 0 && Groups.size() > 1) {
            Several = true;
            break;
        }
    }
    if (Several)
        return SeveralNumbersKey(Words);
    if (DigitWord <= 0)
        return PunctuationKey(Model);
    const AnsiString& W = Words[size_t(DigitWord)];
    const auto [Start, Length] = DigitGroups(W).front();
    AnsiString Key = W.SubString(Start, Length);
    AppendPart(Key, Trim(W.SubString(1, Start - 1)));
    AppendPart(Key, W.SubString(Start + Length, W.Length() - Start - Length + 1));
    AppendPart(Key, Words[size_t(DigitWord - 1)]);
    for (size_t I = size_t(DigitWord) + 1; I < Words.size(); ++I)
        AppendPart(Key, Words[I]);
    for (int I = DigitWord - 2; I >= 0; --I)
        AppendPart(Key, Words[size_t(I)]);
    return AnsiUpperCase(Key);
}
