#pragma once

// Article descriptions: what a price tag shows beyond the supplier's invoice
// (type, description, manufacturer, country, warranty), kept by the shop in
// "Articles.fl" in the templates' folder, filled from article workbooks and
// matched to invoice rows by model name, article code or a key made from
// the model name. The file is a bare string "ArticleList", then the list
// record "Articles" of "ArtItem" records in the tagged stream encoding;
// CP1251 text.

#include "common/base/TypeList.h"
#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Types.h"

#include <memory>

class TAnalizeResult;
class TshInvoiceTovar;
class TStream;
class TStringList;
class Variant;

class TshArticle : public TObject {
    PRICETAGS_CLASS(TshArticle, TObject)
public:
    AnsiString Description;
    AnsiString ArticleCode;
    AnsiString Tip;
    AnsiString Firm;
    /// The model or item name the article describes.
    AnsiString Model;
    AnsiString Country;
    /// Months; 0 = none.
    Integer Warranty = 0;
    /// MakeModelKey of Model, made at import and stored with the article.
    AnsiString MatchKey;
};

class TshArticleList : public T_ylCustOwnerList {
    PRICETAGS_CLASS(TshArticleList, T_ylCustOwnerList)
public:
    /// An empty list on gTxtPath + "Articles.fl"; does not load it.
    TshArticleList();
    ~TshArticleList() override;

    /// Frees every article and the error list.
    void Clear() override;
    /// Raises EListError for a bad index.
    [[nodiscard]] TshArticle* GetItem(Integer Index) const;
    using inherited::Add;  // the base list's Add(Item) stays visible
    /// A new empty article appended to the list and owned by it.
    TshArticle* Add();
    /// The import-error lines, created on first use; owned by the list.
    [[nodiscard]] TStringList* GetErrors();
    /// Adds one error line; "\n" in Text becomes a line break.
    void AddError(const AnsiString& Text);
    /// AddError of Format(Fmt, Args).
    void AddErrorFmt(const AnsiString& Fmt, TVarRecs Args);

    /// Nothing when ReadOnly. When FileName does not exist: the list is
    /// emptied, the error window says "Не найден файл с описаниями" and the
    /// name, and an empty file is written. Otherwise LoadFromFile(FileName).
    void Load();
    /// SaveToFile(FileName) unless ReadOnly.
    void Save();
    /// Replaces the list by the articles of a file. On any failure the list
    /// stays as it was and the error is raised: EAppException "Ошибка
    /// загрузки: Неверный заголовок файла артикулов " CR LF + Name for a file
    /// of another kind, "Ошибка загрузки: Неверный заголовок" or "...
    /// Неверный тип параметра" (and the tagged reader's own errors) for a
    /// damaged one, the file error when it cannot be opened.
    void LoadFromFile(const AnsiString& Name);
    /// As LoadFromFile, from Stream's position; Name only names the file in
    /// the header error.
    void LoadFromStream(TStream& Stream, const AnsiString& Name);
    /// Writes the file through a temporary file in the same folder that
    /// replaces Name only when complete; on a failure the old file stays.
    void SaveToFile(const AnsiString& Name);
    void SaveToStream(TStream& Stream) const;

    /// Moves every article of Source to the end of this list, Source's last
    /// first (so they arrive in reverse order); Source is left empty.
    void TakeItems(TshArticleList& Source);
    /// Replaces the list by the articles of a table analysed with
    /// AnalizeArticles; each problem becomes an error line. Nothing changes
    /// and EAppException is raised when the analysis does not belong to the
    /// table, when it knows no article column ("Не определены столбцы
    /// описаний товаров"), or when no article can be read (the error lines).
    void ImportTable(const Variant& Table, const TAnalizeResult& Analysis);
    /// The best article for an invoice row (the later of equal scores; a
    /// score of 100 ends the search), Score (0..100) and its Index; nil,
    /// Score 0 and Index -1 when nothing matches.
    TshArticle* FindBest(const TshInvoiceTovar& Row, Integer& Score, Integer& Index) const;

    /// No load or save while true.
    bool ReadOnly = false;
    AnsiString FileName;

private:
    std::unique_ptr<TStringList> FErrors;
};

/// The key under which a model name is matched: the model number first,
/// then the other words, joined by "-", upper-cased. "Холодильник NRB 110"
/// and "Холодильник NRB110" both give "110-NRB-ХОЛОДИЛЬНИК". A name without
/// a number word after its first word gives the name itself with every run
/// of punctuation made one "-"; a name of several numbers gives its digit
/// groups in order, then its other parts. '' for a blank name.
[[nodiscard]] AnsiString MakeModelKey(const AnsiString& Model);
/// How well an article fits an invoice row whose Name gives RowKey (both
/// compared trimmed and ignoring case where texts are compared): 100 the
/// same model name or the same article code, 80 the same key, 70 one key
/// beginning the other when that shorter key holds more than three "-"
/// (a last one not counted), else 0. Blank names, codes and keys never
/// match.
[[nodiscard]] Integer MatchScore(const TshInvoiceTovar& Row, const AnsiString& RowKey,
                                 const TshArticle& Article);
