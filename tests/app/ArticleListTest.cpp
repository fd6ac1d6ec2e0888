// Article descriptions: the file "Articles.fl" (golden bytes, broken files,
// a missing file), moving articles between lists, the import from an
// article workbook, match keys, match scores and the best match of a row.

#include "app/ArticleList.h"

#include "app/AnalizeResult.h"
#include "app/Globals.h"
#include "app/InvoiceType.h"
#include "app/ReadXLS.h"
#include "common/base/Funcs.h"
#include "common/base/HBuffFile.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/ImportTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace {

std::filesystem::path DataDir()
{
    return TestData() / "ArticleList";
}

AnsiString PathText(const std::filesystem::path& Path)
{
    return AnsiString::FromUtf8(Path.string());
}

TshArticle* AddArticle(TshArticleList& List, const char* Tip, const char* Model,
                       const char* Description, const char* Code, const char* Firm,
                       const char* Country, Integer Warranty, const char* Key)
{
    TshArticle* A = List.Add();
    A->Tip = AnsiString::FromUtf8(Tip);
    A->Model = AnsiString::FromUtf8(Model);
    A->Description = AnsiString::FromUtf8(Description);
    A->ArticleCode = AnsiString::FromUtf8(Code);
    A->Firm = AnsiString::FromUtf8(Firm);
    A->Country = AnsiString::FromUtf8(Country);
    A->Warranty = Warranty;
    A->MatchKey = AnsiString::FromUtf8(Key);
    return A;
}

/// The list the golden file small-list.fl holds.
void FillSmallList(TshArticleList& List)
{
    std::string Long;
    for (int I = 0; I < 12; ++I)
        Long += "Моющий, с аквафильтром. ";
    AddArticle(List, "Холодильник", "NRB 110", "Двухкамерный", "A-1", "Бирюса", "Россия", 12,
               "110-NRB");
    AddArticle(List, "Пылесос", "ABC", Long.c_str(), "", "Samsung", "Корея", 24, "ABC");
}

void ExpectSameArticles(TshArticleList& Got, TshArticleList& Want)
{
    ASSERT_EQ(Got.Count(), Want.Count());
    for (int I = 0; I < Got.Count(); ++I) {
        const TshArticle& G = *Got.GetItem(I);
        const TshArticle& W = *Want.GetItem(I);
        EXPECT_EQ(G.Tip, W.Tip) << I;
        EXPECT_EQ(G.Model, W.Model) << I;
        EXPECT_EQ(G.Description, W.Description) << I;
        EXPECT_EQ(G.ArticleCode, W.ArticleCode) << I;
        EXPECT_EQ(G.Firm, W.Firm) << I;
        EXPECT_EQ(G.Country, W.Country) << I;
        EXPECT_EQ(G.Warranty, W.Warranty) << I;
        EXPECT_EQ(G.MatchKey, W.MatchKey) << I;
    }
}

// ---- the file --------------------------------------------------------------------

TEST(ArticleList, FileNameIsInTheTemplatesFolder)
{
    const AnsiString Old = gTxtPath;
    gTxtPath = "/магазин/TXT/"_a;
    const TshArticleList List;
    gTxtPath = Old;
    EXPECT_EQ(List.FileName, "/магазин/TXT/Articles.fl"_a);
    EXPECT_FALSE(List.ReadOnly);
}

TEST(ArticleList, SavedBytesMatchTheGoldenFiles)
{
    const TempDir Dir;
    TshArticleList Empty;
    Empty.SaveToFile(Dir.File("empty.fl"));
    ExpectMatchesGolden(ReadBytes(Dir.Path() / "empty.fl"), DataDir() / "golden" / "empty-list.fl");

    TshArticleList Small;
    FillSmallList(Small);
    Small.SaveToFile(Dir.File("small.fl"));
    ExpectMatchesGolden(ReadBytes(Dir.Path() / "small.fl"), DataDir() / "golden" / "small-list.fl");
    // No temporary file is left beside it.
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "small.fl.tmp"));
}

TEST(ArticleList, GoldenFileLoadsEveryField)
{
    TshArticleList Loaded;
    Loaded.LoadFromFile(PathText(DataDir() / "golden" / "small-list.fl"));
    TshArticleList Want;
    FillSmallList(Want);
    ExpectSameArticles(Loaded, Want);
    // Loading replaces what the list held.
    Loaded.LoadFromFile(PathText(DataDir() / "golden" / "empty-list.fl"));
    EXPECT_EQ(Loaded.Count(), 0);
}

/// The broken files, each with the error it must load as. Name is replaced
/// by the file's name.
struct BrokenCase {
    const char* Kind;
    const char* Text;
};

const std::map<std::string, BrokenCase>& BrokenCases()
{
    static const std::map<std::string, BrokenCase> Cases = {
        {"empty.fl", {"EReadError", "Stream read error"}},
        {"leading-string-wrong.fl",
         {"EAppException", "Ошибка загрузки: Неверный заголовок файла артикулов \r\nName"}},
        {"leading-tag-07.fl", {"EReadError", "ReadString: ReadError"}},
        {"list-header-wrong.fl", {"EAppException", "Ошибка загрузки: Неверный заголовок"}},
        {"item-header-wrong.fl", {"EAppException", "Ошибка загрузки: Неверный заголовок"}},
        {"unknown-tag-in-item.fl", {"EAppException", "Ошибка загрузки: Неверный тип параметра"}},
        {"unknown-tag-in-list.fl", {"EAppException", "Ошибка загрузки: Неверный тип параметра"}},
        {"count-negative.fl", {"EAppException", "Ошибка загрузки: Неверное число записей"}},
        {"count-huge.fl", {"EAppException", "Ошибка загрузки: Неверное число записей"}},
        // The list's end tag where the second article should open is no
        // article.
        {"count-past-end.fl", {"EAppException", "Ошибка загрузки: Неверный заголовок"}},
        {"string-length-past-end.fl", {"EAppException", "Ошибка загрузки: Неверная длина строки"}},
        {"string-length-negative.fl", {"EAppException", "Ошибка загрузки: Неверная длина строки"}},
        {"string-tag-07-in-item.fl", {"EReadError", "ReadString: ReadError"}},
        {"truncated-in-item-string.fl", {"EReadError", "Stream read error"}},
        {"truncated-warranty.fl", {"EReadError", "Stream read error"}},
        {"list-end-missing.fl", {"EReadError", "Stream read error"}},
    };
    return Cases;
}

TEST(ArticleList, BrokenFilesLoadAsClearErrorsAndKeepTheList)
{
    int Seen = 0;
    for (const auto& Entry : std::filesystem::directory_iterator(DataDir() / "broken")) {
        const std::string Name = Entry.path().filename().string();
        SCOPED_TRACE(Name);
        const auto Found = BrokenCases().find(Name);
        if (Found == BrokenCases().end()) {
            ADD_FAILURE() << "no expected error for this file";
            continue;
        }
        ++Seen;
        const AnsiString File = PathText(Entry.path());
        TshArticleList List;
        FillSmallList(List);
        try {
            List.LoadFromFile(File);
            ADD_FAILURE() << "loaded";
        } catch (const Exception& E) {
            EXPECT_EQ(std::string(E.ClassName()), Found->second.Kind);
            EXPECT_EQ(E.Message, StringReplace(AnsiString::FromUtf8(Found->second.Text), "Name",
                                               File, TReplaceFlags()));
        }
        TshArticleList Want;
        FillSmallList(Want);
        ExpectSameArticles(List, Want);
    }
    EXPECT_EQ(Seen, int(BrokenCases().size()));
}

/// Files this process writes may not grow past Bytes while it lives: a
/// write beyond fails as on a full disk (the signal that would end the
/// process is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t Bytes)
    {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit Limit = FOld;
        Limit.rlim_cur = Bytes;
        setrlimit(RLIMIT_FSIZE, &Limit);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }

private:
    rlimit FOld{};
    void (*FOldHandler)(int) = nullptr;
};

TEST(ArticleList, FailedSaveKeepsTheOldFile)
{
    const TempDir Dir;
    const AnsiString Name = Dir.File("Articles.fl");
    TshArticleList Old;
    FillSmallList(Old);
    Old.SaveToFile(Name);
    const std::string Saved = ReadBytes(Dir.Path() / "Articles.fl");
    // About 40 KB: more than the limit below, less than the file stream's
    // buffer, so the write fails only when the buffer goes to disk as the
    // file is closed.
    TshArticleList Big;
    for (int I = 0; I < 200; ++I)
        AddArticle(Big, "Холодильник", "NRB 110", std::string(150, 'x').c_str(), "", "", "", 0,
                   "");
    {
        const FileSizeLimit Limit(16 * 1024);
        ExpectRaises<EWqHugeFile>([&] { Big.SaveToFile(Name); },
                                  "TWqHugeFile.FreeBuffer("_a + Name
                                      + ".tmp) failed. System Error.  Code: 223.\r\n"
                                        "Размер файла превышает допустимое ограничение, и "
                                        "файл не может быть сохранен"_a);
    }
    EXPECT_TRUE(ReadBytes(Dir.Path() / "Articles.fl") == Saved) << "the old file changed";
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "Articles.fl.tmp"));
}

TEST(ArticleList, MissingFileIsToldAndWrittenEmpty)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TshArticleList List;
    List.FileName = Config.Dir().File("Articles.fl");
    FillSmallList(List);
    List.Load();
    EXPECT_EQ(List.Count(), 0);
    ASSERT_EQ(Messages.Requests.size(), 1u);
    EXPECT_EQ(Messages.Requests[0].Text, "Не найден файл с описаниями\r\n"_a + List.FileName);
    ExpectMatchesGolden(ReadBytes(Config.Dir().Path() / "Articles.fl"),
                        DataDir() / "golden" / "empty-list.fl");
}

TEST(ArticleList, LoadAndSaveUseTheFileName)
{
    const TempDir Dir;
    TshArticleList List;
    List.FileName = Dir.File("Articles.fl");
    FillSmallList(List);
    List.Save();
    TshArticleList Again;
    Again.FileName = List.FileName;
    Again.Load();
    ExpectSameArticles(Again, List);
}

TEST(ArticleList, ReadOnlyListNeitherLoadsNorSaves)
{
    const TempDir Dir;
    const MsgRecorder Messages;
    TshArticleList List;
    List.FileName = Dir.File("Articles.fl");
    List.ReadOnly = true;
    FillSmallList(List);
    List.Load();
    List.Save();
    EXPECT_EQ(List.Count(), 2);
    EXPECT_TRUE(Messages.Requests.empty());
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "Articles.fl"));
}

TEST(ArticleList, TakeItemsAppendsInReverseOrder)
{
    TshArticleList Target;
    AddArticle(Target, "", "A", "", "", "", "", 0, "A");
    TshArticleList Source;
    AddArticle(Source, "", "B", "", "", "", "", 0, "B");
    AddArticle(Source, "", "C", "", "", "", "", 0, "C");
    TshArticle* C = Source.GetItem(1);
    Target.TakeItems(Source);
    EXPECT_EQ(Source.Count(), 0);
    ASSERT_EQ(Target.Count(), 3);
    EXPECT_EQ(Target.GetItem(1), C);  // moved, not copied
    EXPECT_EQ(Target.GetItem(1)->Model, "C");
    EXPECT_EQ(Target.GetItem(2)->Model, "B");
}

// ---- import ----------------------------------------------------------------------

TEST(ArticleList, ImportFromAnArticleWorkbook)
{
    const ConfigScope Config;
    Variant Table;
    int FirstColumn = 0;
    int FirstRow = 0;
    ReadXLSToTable(PathText(TestData() / "InvoiceTypeImport" / "articles.xls"), Table,
                   FirstColumn, FirstRow);
    const auto Analysis = TAnalizeResult::CreateForArticles();
    Analysis->FirstRow = FirstRow;
    Analysis->FirstCol = FirstColumn;
    Analysis->AnalizeArticles(Table);
    TshArticleList List;
    List.ImportTable(Table, *Analysis);
    EXPECT_EQ(List.GetErrors()->Count(), 0);
    ASSERT_EQ(List.Count(), 5);
    struct Want {
        const char* Tip;
        const char* Model;
        const char* Code;
        const char* Description;
        const char* Country;
        Integer Warranty;
        const char* Key;
    };
    const Want Articles[] = {
        {"Холодильник", "NRB 110", "A-1", "Двухкамерный", "Россия", 12, "110-NRB"},
        {"Пылесос", "ABC", "", "Моющий", "Корея", 24, "ABC"},     // quotes trimmed
        {"Чайник", "Ч-1", "1001", "Стальной", "Германия", 0, "1-Ч"},  // a number code kept
        {"Утюг", "У-2", "B-3", "С паром", "Китай", 0, "2-У"},     // "6 мес." is no number
        {"Плита", "П-4", "C-5", "Газовая", "Беларусь", 12, "4-П"},
    };
    for (int I = 0; I < 5; ++I) {
        const TshArticle& A = *List.GetItem(I);
        const Want& W = Articles[I];
        EXPECT_EQ(A.Tip, AnsiString::FromUtf8(W.Tip)) << I;
        EXPECT_EQ(A.Model, AnsiString::FromUtf8(W.Model)) << I;
        EXPECT_EQ(A.ArticleCode, AnsiString::FromUtf8(W.Code)) << I;
        EXPECT_EQ(A.Description, AnsiString::FromUtf8(W.Description)) << I;
        EXPECT_EQ(A.Country, AnsiString::FromUtf8(W.Country)) << I;
        EXPECT_EQ(A.Warranty, W.Warranty) << I;
        EXPECT_EQ(A.MatchKey, AnsiString::FromUtf8(W.Key)) << I;
    }
}

/// An article sheet analysed with the article layout, its used range at A1.
void ImportArticles(TshArticleList& List, const TableRows& Rows,
                    const std::function<void(TAnalizeResult&)>& Adjust = {})
{
    const Variant Table = MakeTable(Rows);
    const auto Analysis = TAnalizeResult::CreateForArticles();
    Analysis->FirstRow = 1;
    Analysis->FirstCol = 1;
    Analysis->AnalizeArticles(Table);
    if (Adjust)
        Adjust(*Analysis);
    List.ImportTable(Table, *Analysis);
}

TableRows ArticleSheet()
{
    return {
        {"Тип", "Модель", "Описание", "Гарантия"},
        {"Холодильник", "NRB 110", "Двухкамерный", "12"},
        {"Пылесос", "ABC", "Моющий", "12,5"},
        {"Утюг", "У-2", "С паром", "1 год"},
        {"Плита", "П-4", "Газовая", Cell(Variant::Error(7))},
    };
}

TEST(ArticleList, ImportReportsCellsAndRows)
{
    const ConfigScope Config;
    TshArticleList List;
    ImportArticles(List, ArticleSheet());
    ASSERT_EQ(List.Count(), 4);
    EXPECT_EQ(List.GetItem(0)->Warranty, 12);
    EXPECT_EQ(List.GetItem(1)->Warranty, 0);  // not a whole number
    EXPECT_EQ(List.GetItem(2)->Warranty, 0);  // not a number
    ASSERT_EQ(List.GetErrors()->Count(), 1);
    EXPECT_EQ(List.GetErrors()->Strings(0),
              "Ошибка импорта из накладной [Строка XL 5 : Столбец 4 ]"_a);

    TableRows Gap = ArticleSheet();
    Gap.insert(Gap.begin() + 2, std::vector<Cell>{});
    TshArticleList WithGap;
    ImportArticles(WithGap, Gap, [](TAnalizeResult& A) {
        A.FindByKind(KindFirstRow)->Index = 1;
        A.FindByKind(KindLastRow)->Index = 3;
    });
    EXPECT_EQ(WithGap.Count(), 2);
    EXPECT_EQ(WithGap.GetErrors()->Strings(0), "Пропущена строка в блоке данных [Строка XL 3]"_a);
}

TEST(ArticleList, ImportRowRangeIsCutToTheTable)
{
    const ConfigScope Config;
    TshArticleList List;
    ImportArticles(List, ArticleSheet(), [](TAnalizeResult& A) {
        A.FindByKind(KindFirstRow)->Index = -1;
        A.FindByKind(KindLastRow)->Index = 65535;
    });
    EXPECT_EQ(List.Count(), 4);
    ASSERT_GE(List.GetErrors()->Count(), 3);
    EXPECT_EQ(List.GetErrors()->Strings(0), "Не определена начальная строка при анализе"_a);
    EXPECT_EQ(List.GetErrors()->Strings(1), "Не определена конечная строка при анализе"_a);
    EXPECT_EQ(List.GetErrors()->Strings(2), "Пропущена строка в блоке данных [Строка XL 1]"_a);
}

TEST(ArticleList, FailedImportKeepsTheDescriptions)
{
    const ConfigScope Config;
    TshArticleList List;
    FillSmallList(List);
    ExpectRaises<EAppException>(
        [&] {
            ImportArticles(List, ArticleSheet(), [](TAnalizeResult& A) {
                A.FindByKind(KindFirstRow)->Index = 3;
                A.FindByKind(KindLastRow)->Index = 2;
            });
        },
        "Неверно определены начальная и конечная строки при анализе"_a);
    EXPECT_EQ(List.Count(), 2);

    const auto Fresh = TAnalizeResult::CreateForArticles();
    ExpectRaises<EAppException>(
        [&] { List.ImportTable(MakeTable(ArticleSheet()), *Fresh); },
        "Ошибка в анализаторе.\r\nНе совпадают длины массивов данных и анализа\r\n"
        "anRowList.Count (0) <> rCount (5)"_a);
    // A sheet without a heading the article layout knows: every article
    // would be blank.
    ExpectRaises<EAppException>(
        [&] { ImportArticles(List, {{"Прочее", "Ещё"}, {"a", "b"}, {"c", "d"}}); },
        "Не определены столбцы описаний товаров"_a);
    TshArticleList Want;
    FillSmallList(Want);
    ExpectSameArticles(List, Want);
}

// ---- keys, scores, best match ----------------------------------------------------

struct KeyCase {
    const char* Model;
    const char* Key;
};

const KeyCase KeyCases[] = {
    {"Холодильник NRB 110", "110-NRB-ХОЛОДИЛЬНИК"},
    {"Холодильник NRB110", "110-NRB-ХОЛОДИЛЬНИК"},         // joined number, same key
    {"nrb 110", "110-NRB"},
    {"NRB-110", "110-NRB"},                                // minus splits words
    {"Холодильник NRB 110 белый", "110-NRB-БЕЛЫЙ-ХОЛОДИЛЬНИК"},  // after, then before
    {"Стиральная машина Indesit WIUN105", "105-WIUN-INDESIT-МАШИНА-СТИРАЛЬНАЯ"},
    {"Model 110X", "110-X-MODEL"},                         // the part after the digits
    {"Чайник", "ЧАЙНИК"},                                  // no number
    {"Чайник  \"Bosch\" (белый)", "ЧАЙНИК-BOSCH-БЕЛЫЙ"},   // punctuation runs become "-"
    {"A_B, C", "A-B-C"},                                   // underscore too
    {"3M скотч", "3M-СКОТЧ"},                              // digits only in the first word
    {"Телевизор LG 32LN 550", "32-550-ТЕЛЕВИЗОР-LG-LN"},   // two number words
    {"Утюг A1B2", "1-2-УТЮГ-A-B"},                         // two digit groups in one word
    {"", ""},
    {"   ", ""},
};

TEST(ArticleList, MakeModelKey)
{
    for (const KeyCase& C : KeyCases) {
        SCOPED_TRACE(C.Model);
        EXPECT_EQ(MakeModelKey(AnsiString::FromUtf8(C.Model)), AnsiString::FromUtf8(C.Key));
    }
}

struct ScoreCase {
    const char* What;
    const char* RowName;
    const char* RowCode;
    const char* Model;
    const char* Code;
    Integer Score;
};

const ScoreCase ScoreCases[] = {
    {"same name, any case", "NRB 110", "", "nrb 110", "", 100},
    {"same code, blanks and case aside", "Чайник", " a-1 ", "Утюг", "A-1", 100},
    {"same key", "Холодильник NRB110", "", "Холодильник NRB 110", "", 80},
    {"row key begins the article key, 4 dashes", "Плита Гефест ПГ 3 110", "",
     "Плита Гефест ПГ 3 110 белая", "", 70},
    {"row key begins the article key, 3 dashes", "Гефест ПГ 3 110", "",
     "Гефест ПГ 3 110 белая", "", 0},
    {"article key begins the row key, 4 dashes", "Плита Гефест ПГ 3 110 белая", "",
     "Плита Гефест ПГ 3 110", "", 70},
    {"blank names and codes", "", "", "", "", 0},
    {"blank code on both sides", "Чайник", "", "Утюг", "", 0},
    {"different", "Чайник", "B-1", "Утюг", "A-1", 0},
};

TEST(ArticleList, MatchScore)
{
    for (const ScoreCase& C : ScoreCases) {
        SCOPED_TRACE(C.What);
        TshInvoiceTovar Row;
        Row.Name = AnsiString::FromUtf8(C.RowName);
        Row.ArticleCode = AnsiString::FromUtf8(C.RowCode);
        TshArticle Article;
        Article.Model = AnsiString::FromUtf8(C.Model);
        Article.ArticleCode = AnsiString::FromUtf8(C.Code);
        Article.MatchKey = MakeModelKey(Article.Model);
        EXPECT_EQ(MatchScore(Row, MakeModelKey(Row.Name), Article), C.Score);
    }
}

TEST(ArticleList, FindBestTakesTheLaterOfEqualScores)
{
    TshArticleList List;
    AddArticle(List, "", "Утюг", "", "", "", "", 0, "УТЮГ");
    AddArticle(List, "", "Холодильник NRB 110", "первое", "", "", "", 0,
               "110-NRB-ХОЛОДИЛЬНИК");
    AddArticle(List, "", "Холодильник  NRB 110", "второе", "", "", "", 0,
               "110-NRB-ХОЛОДИЛЬНИК");
    TshInvoiceTovar Row;
    Row.Name = "Холодильник NRB110"_a;
    Integer Score = -1;
    Integer Index = -2;
    const TshArticle* Best = List.FindBest(Row, Score, Index);
    EXPECT_EQ(Best, List.GetItem(2));
    EXPECT_EQ(Score, 80);
    EXPECT_EQ(Index, 2);
}

TEST(ArticleList, FindBestStopsAtAFullMatch)
{
    TshArticleList List;
    AddArticle(List, "", "Чайник", "первое", "", "", "", 0, "ЧАЙНИК");
    AddArticle(List, "", "чайник", "второе", "", "", "", 0, "ЧАЙНИК");
    TshInvoiceTovar Row;
    Row.Name = "Чайник"_a;
    Integer Score = 0;
    Integer Index = 0;
    EXPECT_EQ(List.FindBest(Row, Score, Index), List.GetItem(0));
    EXPECT_EQ(Score, 100);
    EXPECT_EQ(Index, 0);
}

TEST(ArticleList, FindBestWithoutAMatch)
{
    TshArticleList List;
    AddArticle(List, "", "Утюг", "", "", "", "", 0, "УТЮГ");
    AddArticle(List, "", "", "", "", "", "", 0, "");  // no model: never a match
    TshInvoiceTovar Row;
    Row.Name = "Чайник"_a;
    Integer Score = 5;
    Integer Index = 5;
    EXPECT_EQ(List.FindBest(Row, Score, Index), nullptr);
    EXPECT_EQ(Score, 0);
    EXPECT_EQ(Index, -1);
    TshInvoiceTovar Blank;
    EXPECT_EQ(List.FindBest(Blank, Score, Index), nullptr);
}

TEST(ArticleList, MatchingByCodeWorksForImportedArticles)
{
    // The code column is kept at import, so a row that carries the code
    // finds its article even under another name.
    const ConfigScope Config;
    TshArticleList List;
    ImportArticles(List, {{"Тип", "Модель", "Артикул", "Описание"},
                          {"Утюг", "У-2", "B-3", "С паром"},
                          {"Плита", "П-4", "C-5", "Газовая"}});
    TshInvoiceTovar Row;
    Row.Name = "Плита газовая"_a;
    Row.ArticleCode = "c-5";
    Integer Score = 0;
    Integer Index = 0;
    EXPECT_EQ(List.FindBest(Row, Score, Index), List.GetItem(1));
    EXPECT_EQ(Score, 100);
}

TEST(ArticleList, AssignArticleCopiesTheDescription)
{
    TshArticleList List;
    TshArticle& A = *AddArticle(List, "Холодильник", "NRB 110", "Двухкамерный", "A-1", "Бирюса",
                                "Россия", 12, "110-NRB");
    TshInvoiceTovar Row;
    Row.Name = "Холодильник NRB110"_a;
    Row.AssignArticle(A);
    EXPECT_EQ(Row.Description, "Двухкамерный"_a);
    EXPECT_EQ(Row.Tip, "Холодильник"_a);
    EXPECT_EQ(Row.Firm, "Бирюса"_a);
    EXPECT_EQ(Row.Country, "Россия"_a);
    EXPECT_EQ(Row.ArticleCode, "A-1");
    EXPECT_EQ(Row.Warranty, 12);
    EXPECT_EQ(Row.Name, "Холодильник NRB110"_a);  // the name stays the invoice's
}

}  // namespace
