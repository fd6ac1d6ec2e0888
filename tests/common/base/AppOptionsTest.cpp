#include "common/base/AppOptions.h"

#include "common/base/IniFiles.h"
#include "platform/classes/Strings.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Variant.h"
#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

fs::path SystemPath(const AnsiString& Name)
{
    return fs::path(Name.ToUtf8());
}

const AnsiString& Header()
{
    return "\r\n  ---  Ошибки чтения параметров\r\n"_a;
}

enum TTestColour { tcRed, tcGreen, tcBlue };
using TTestColours = EnumSet<TTestColour>;

PTypeInfo TypeInfoOf(const TTestColour*)
{
    static const TTypeInfo Info = EnumTypeInfo("TTestColour", {"tcRed", "tcGreen", "tcBlue"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TTestColours*)
{
    static const TTypeInfo Info = SetTypeInfo("TTestColours", TypeInfoOf(static_cast<const TTestColour*>(nullptr)));
    return &Info;
}

/// Shaped like the program's configuration object: a renamed root section
/// and one parameter in a child section "Errors".
class TCfgLike : public TAppOptions {
    PRICETAGS_CLASS(TCfgLike, TAppOptions)
public:
    explicit TCfgLike(const AnsiString& FileName = AnsiString())
    {
        if (!FileName.IsEmpty())
            SetFileName(FileName);
        SetSectionName("Configuration");
        AddSection("Errors")->AddParams({"Error"});
    }

    AnsiString Customer = "Магазин \"Магазин\""_a;
    TDateTime LastDate = EncodeDate(2024, 3, 5) + EncodeTime(12, 30, 0, 0);
    Integer Error = 0;
    bool Log = true;
    Integer RoundType = -7;
    double Markup = 12.5;
};

PRICETAGS_DEFINE_CLASS(TCfgLike,
    Property("Customer", &TCfgLike::Customer, &TCfgLike::Customer),
    Property("LastDate", &TCfgLike::LastDate, &TCfgLike::LastDate),
    Property("Error", &TCfgLike::Error, &TCfgLike::Error),
    Property("Log", &TCfgLike::Log, &TCfgLike::Log),
    Property("RoundType", &TCfgLike::RoundType, &TCfgLike::RoundType),
    Property("Markup", &TCfgLike::Markup, &TCfgLike::Markup))

/// One published property of every kind the store keeps.
class TAllKinds : public TAppOptions {
    PRICETAGS_CLASS(TAllKinds, TAppOptions)
public:
    AnsiString Text;
    Integer Number = 0;
    Cardinal Big = 0;
    Byte Small = 0;
    SmallInt Short = 0;
    bool Flag = false;
    char Letter = ' ';
    TTestColour Colour = tcRed;
    double Real = 0;
    Currency Money;
    TDateTime Stamp;
    TDate Day;
    TTime Hour;
};

PRICETAGS_DEFINE_CLASS(TAllKinds,
    Property("Text", &TAllKinds::Text, &TAllKinds::Text),
    Property("Number", &TAllKinds::Number, &TAllKinds::Number),
    Property("Big", &TAllKinds::Big, &TAllKinds::Big),
    Property("Small", &TAllKinds::Small, &TAllKinds::Small),
    Property("Short", &TAllKinds::Short, &TAllKinds::Short),
    Property("Flag", &TAllKinds::Flag, &TAllKinds::Flag),
    Property("Letter", &TAllKinds::Letter, &TAllKinds::Letter),
    Property("Colour", &TAllKinds::Colour, &TAllKinds::Colour),
    Property("Real", &TAllKinds::Real, &TAllKinds::Real),
    Property("Money", &TAllKinds::Money, &TAllKinds::Money),
    Property("Stamp", &TAllKinds::Stamp, &TAllKinds::Stamp),
    Property("Day", &TAllKinds::Day, &TAllKinds::Day),
    Property("Hour", &TAllKinds::Hour, &TAllKinds::Hour))

/// Kinds the store does not keep: a set and a 64-bit integer.
class TUnstored : public TAppOptions {
    PRICETAGS_CLASS(TUnstored, TAppOptions)
public:
    Integer Kept = 1;
    TTestColours Colours = {tcGreen};
    Int64 Huge = 5;
};

PRICETAGS_DEFINE_CLASS(TUnstored,
    Property("Kept", &TUnstored::Kept, &TUnstored::Kept),
    Property("Colours", &TUnstored::Colours, &TUnstored::Colours),
    Property("Huge", &TUnstored::Huge, &TUnstored::Huge))

// ---- properties ----------------------------------------------------------------

TEST(AppOptions, SavesTheConfigurationLayoutByteExact)
{
    const RussianSettingsScope Ru;
    TempDir Dir;
    const AnsiString Name = Dir.File("pricetags.ini");
    {
        TCfgLike Cfg(Name);
        Cfg.Save();
    }
    ExpectMatchesGolden(ReadBytes(SystemPath(Name)),
                        TestData() / "AppOptions" / "golden" / "written-from-scratch.ini");
}

TEST(AppOptions, EveryStoredKindRoundTrips)
{
    const RussianSettingsScope Ru;
    TempDir Dir;
    const AnsiString Name = Dir.File("kinds.ini");
    {
        TAllKinds Out;
        Out.SetFileName(Name);
        Out.Text = "\"quoted\" и русский"_a;
        Out.Number = -123456;
        Out.Big = 3000000000u;
        Out.Small = 200;
        Out.Short = -300;
        Out.Flag = true;
        Out.Letter = 'q';
        Out.Colour = tcBlue;
        Out.Real = 0.1;
        Out.Money = Currency::FromRaw(123456789);
        Out.Stamp = EncodeDate(2023, 12, 31) + EncodeTime(23, 59, 58, 0);
        Out.Day = EncodeDate(1999, 1, 2);
        Out.Hour = EncodeTime(7, 5, 9, 0);
        Out.Save();
        TIniFile* Ini = Out.GetIniFile();
        ASSERT_NE(Ini, nullptr);
        // How each kind is written.
        EXPECT_EQ(Ini->ReadString("CommonSection", "Flag", ""), "1");
        EXPECT_EQ(Ini->ReadString("CommonSection", "Letter", ""), "113");
        EXPECT_EQ(Ini->ReadString("CommonSection", "Colour", ""), "2");
        EXPECT_EQ(Ini->ReadString("CommonSection", "Big", ""), "-1294967296");
        EXPECT_EQ(Ini->ReadString("CommonSection", "Money", ""), "12345,6789");
        EXPECT_EQ(Ini->ReadString("CommonSection", "Stamp", ""), "20231231 23:59:58");
        EXPECT_EQ(Ini->ReadString("CommonSection", "Day", ""), "19990102");
        EXPECT_EQ(Ini->ReadString("CommonSection", "Hour", ""), "7:05:09");
        EXPECT_EQ(Ini->ReadString("CommonSection", "Text", ""), "\"\"quoted\" и русский\""_a);
    }
    TAllKinds In;
    In.SetFileName(Name);
    In.Load();
    EXPECT_EQ(In.Text, "\"quoted\" и русский"_a);
    EXPECT_EQ(In.Number, -123456);
    EXPECT_EQ(In.Big, 3000000000u);
    EXPECT_EQ(In.Small, 200);
    EXPECT_EQ(In.Short, -300);
    EXPECT_TRUE(In.Flag);
    EXPECT_EQ(In.Letter, 'q');
    EXPECT_EQ(In.Colour, tcBlue);
    EXPECT_DOUBLE_EQ(In.Real, 0.1);
    EXPECT_EQ(In.Money, Currency::FromRaw(123456789));
    EXPECT_DOUBLE_EQ(In.Stamp, EncodeDate(2023, 12, 31) + EncodeTime(23, 59, 58, 0));
    EXPECT_DOUBLE_EQ(In.Day, EncodeDate(1999, 1, 2));
    EXPECT_DOUBLE_EQ(In.Hour, EncodeTime(7, 5, 9, 0));
}

TEST(AppOptions, MissingEntriesKeepTheCurrentValues)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("partial.ini");
    WriteBytes(SystemPath(Name), "[Configuration]\r\nRoundType=2\r\n");
    TCfgLike Cfg(Name);
    Cfg.Customer = "kept";
    Cfg.Load();  // raises nothing
    EXPECT_EQ(Cfg.RoundType, 2);
    EXPECT_EQ(Cfg.Customer, "kept");
    EXPECT_TRUE(Cfg.Log);
    EXPECT_EQ(Cfg.Errors().Count(), 0);
}

TEST(AppOptions, ParameterOfAChildSectionLivesThere)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("sections.ini");
    TCfgLike Cfg(Name);
    Cfg.Error = 42;
    Cfg.Save();
    TIniFile* Ini = Cfg.GetIniFile();
    EXPECT_EQ(Ini->ReadString("Errors", "Error", ""), "42");
    EXPECT_EQ(Ini->ReadString("Configuration", "Error", "absent"), "absent");
}

TEST(AppOptions, UnstoredKindsAreReportedAtEveryLoad)
{
    TempDir Dir;
    TUnstored Options;
    Options.SetFileName(Dir.File("unstored.ini"));
    Options.Save();  // nothing to report: the set and the Int64 are skipped
    for (int Pass = 0; Pass < 2; ++Pass) {
        SCOPED_TRACE(Pass);
        ExpectRaises<Exception>([&] { Options.Load(); },
                                Header() +
                                    "Ошибка чтения параметра \"Colours: Параметр \"Colours\" "
                                    "отсутствует в файле конфигурации\"\r\n"_a +
                                    "Ошибка чтения параметра \"Huge: Параметр \"Huge\" "
                                    "отсутствует в файле конфигурации\"\r\n"_a);
    }
    EXPECT_EQ(Options.Errors().Count(), 0);
}

TEST(AppOptions, WithoutAFileEverySaveAndLoadFails)
{
    TUnstored Options;
    EXPECT_EQ(Options.SaveType(), 0);
    ExpectRaises<Exception>([&] { Options.Save(); },
                            Header() +
                                "Ошибка записи параметра \"Kept: TAppOptions: Неверный параметр SaveType\"\r\n"_a +
                                "Ошибка записи параметра \"Colours: TAppOptions: Неверный параметр SaveType\"\r\n"_a +
                                "Ошибка записи параметра \"Huge: TAppOptions: Неверный параметр SaveType\"\r\n"_a);
    ExpectRaises<Exception>([&] { Options.Load(); },
                            Header() +
                                "Ошибка чтения параметра \"Kept: Неверный параметр TAppOptions.SaveType\"\r\n"_a +
                                "Ошибка чтения параметра \"Colours: Неверный параметр TAppOptions.SaveType\"\r\n"_a +
                                "Ошибка чтения параметра \"Huge: Неверный параметр TAppOptions.SaveType\"\r\n"_a);
}

// ---- sections ------------------------------------------------------------------

TEST(AppOptions, ParameterNamedInTwoSectionsIsRefused)
{
    TCfgLike Cfg;
    TAppOptionsSection* Other = Cfg.AddSection("Other");
    EXPECT_EQ(Cfg.AddSection("errors"), Cfg.ChildSection(0));  // found, not made again
    ExpectRaises<Exception>([&] { Other->AddParams({"Fine", "Error"}); },
                            Header() + "Параметр \"Error\" уже определен в секции \"Errors\"\r\n"_a);
    EXPECT_EQ(Other->Count(), 1);
    TAppOptionsSection Free;
    ExpectRaises<Exception>([&] { Free.Add("X"); }, "TAppOptionsSection: Parent not assigned");
}

TEST(AppOptions, SelectSection)
{
    TCfgLike Cfg;
    Cfg.SelectSection("configuration");
    Cfg.SelectSection("Errors");
    EXPECT_EQ(Cfg.CurrentSection(), "Errors");
    ExpectRaises<Exception>([&] { Cfg.SelectSection("Nope"); },
                            "Секция \"Nope\" отсутствует в файле конфигурации"_a);
}

TEST(AppOptions, SaveSectionErasesItFirstAndTouchesNoOther)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("erase.ini");
    WriteBytes(SystemPath(Name),
               "[Configuration]\r\nOld=1\r\n\r\n[Errors]\r\nError=5\r\n\r\n[Other]\r\nK=v\r\n");
    {
        TCfgLike Cfg(Name);
        Cfg.Error = 9;
        Cfg.SaveSection("Configuration");
        EXPECT_EQ(Cfg.CurrentSection(), "");
        TIniFile* Ini = Cfg.GetIniFile();
        EXPECT_EQ(Ini->ReadString("Configuration", "Old", "gone"), "gone");
        EXPECT_EQ(Ini->ReadString("Configuration", "RoundType", ""), "-7");
        EXPECT_EQ(Ini->ReadString("Errors", "Error", ""), "5");
        EXPECT_EQ(Ini->ReadString("Other", "K", ""), "v");
    }
    TCfgLike Back(Name);
    Back.LoadSection("Errors");
    EXPECT_EQ(Back.Error, 5);
    Back.RoundType = 0;
    Back.LoadSection("Configuration");
    EXPECT_EQ(Back.RoundType, -7);
}

TEST(AppOptions, FailedSectionSaveDoesNotLimitLaterSaves)
{
    TCfgLike Cfg;  // no file: erasing the section fails
    ExpectRaises<Exception>([&] { Cfg.SaveSection("Errors"); },
                            "EraseSection: Неверный параметр TAppOptions.SaveType"_a);
    EXPECT_EQ(Cfg.CurrentSection(), "");
}

TEST(AppOptions, ChildSectionWithAFileOfItsOwn)
{
    TempDir Dir;
    const AnsiString Main = Dir.File("main.ini");
    const AnsiString Own = Dir.File("errors.ini");
    {
        TCfgLike Cfg(Main);
        TAppOptionsSection* Errors = Cfg.AddSection("Errors");
        Errors->SetFileName(Own);
        EXPECT_TRUE(Errors->OwnsIni());
        EXPECT_EQ(Errors->GetFileName(), Own);
        EXPECT_EQ(Cfg.AddSection("Plain")->GetFileName(), Main);
        Cfg.Error = 3;
        Cfg.Save();
    }
    EXPECT_EQ(ReadBytes(SystemPath(Own)), "[Errors]\r\nError=3\r\n\r\n");
    EXPECT_EQ(ReadBytes(SystemPath(Main)).find("Error="), std::string::npos);
}

class SaveWatcher : public TObject {
public:
    void AfterSave(TObject*) { ++Calls; }
    int Calls = 0;
};

class TNoUpdate : public TCfgLike {
    PRICETAGS_CLASS(TNoUpdate, TCfgLike)
public:
    using TCfgLike::TCfgLike;
    bool AllowUpdate() override { return false; }
};

PRICETAGS_DEFINE_CLASS(TNoUpdate)

TEST(AppOptions, AllowUpdateDecidesWhetherFilesAreWritten)
{
    TempDir Dir;
    SaveWatcher Watcher;
    {
        TCfgLike Cfg(Dir.File("yes.ini"));
        Cfg.OnAfterSave = TNotifyEvent(&Watcher, &SaveWatcher::AfterSave);
        Cfg.BeginUpdate();
        Cfg.Save();  // nested: the outer bracket writes
        EXPECT_FALSE(fs::exists(Dir.Path() / "yes.ini"));
        Cfg.EndUpdate();
        EXPECT_TRUE(fs::exists(Dir.Path() / "yes.ini"));
        EXPECT_EQ(Watcher.Calls, 1);
    }
    {
        TNoUpdate Cfg(Dir.File("no.ini"));
        Cfg.OnAfterSave = TNotifyEvent(&Watcher, &SaveWatcher::AfterSave);
        Cfg.Save();
    }
    EXPECT_FALSE(fs::exists(Dir.Path() / "no.ini"));
    EXPECT_EQ(Watcher.Calls, 1);
}

TEST(AppOptions, OverrideIniTakesEveryParameter)
{
    TempDir Dir;
    TIniFile Override("");
    TCfgLike Cfg(Dir.File("unused.ini"));
    Cfg.OverrideIni = &Override;
    Cfg.Error = 8;
    Cfg.Save();
    EXPECT_EQ(Override.ReadString("Configuration", "Error", ""), "8");
    EXPECT_FALSE(fs::exists(Dir.Path() / "unused.ini"));
    EXPECT_EQ(TAppOptionsSection::GetIniText(&Override).SubString(1, 17), "[Configuration]\r\n");
    EXPECT_EQ(TAppOptionsSection::GetIniText(nullptr), "");
}

// ---- named values and lists -----------------------------------------------------------

struct VarCase {
    const char* Name;
    Variant Value;
    const char* Stored;
    Variant Read;  // what RestVar gives back
};

TEST(AppOptions, NamedValuesByVariantType)
{
    const RussianSettingsScope Ru;
    const VarCase Cases[] = {
        {"bool", Variant(true), "1", Variant(true)},
        {"integer", Variant(Integer(-5)), "-5", Variant(Integer(-5))},
        {"byte", Variant(Byte(7)), "7", Variant(Integer(7))},  // integer Variant back
        {"double", Variant(1.5), "\"1,5\"", Variant("1,5")},   // text back
        {"currency", Variant(Currency(2)), "\"2\"", Variant("2")},
        // Dates keep the date only.
        {"date", Variant(TDateTime(EncodeDate(2024, 3, 5) + 0.5)), "20240305",
         Variant(TDateTime(EncodeDate(2024, 3, 5)))},
        {"string", Variant("a b"), "\"a b\"", Variant("a b")},
    };
    TempDir Dir;
    TCfgLike Cfg(Dir.File("vars.ini"));
    for (const VarCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Cfg.SaveVar("FormCFG", C.Name, C.Value);
        EXPECT_EQ(Cfg.GetIniFile()->ReadString("FormCFG", C.Name, ""), C.Stored);
        const Variant Back = Cfg.RestVar("FormCFG", C.Name, C.Value);
        EXPECT_EQ(VarType(Back), VarType(C.Read));
        EXPECT_EQ(Back, C.Read);
        // A missing name gives the default.
        EXPECT_EQ(Cfg.RestVar("Nowhere", C.Name, C.Value), C.Value);
    }
    ExpectRaises<Exception>([&] { Cfg.SaveVar("S", "Nothing", Variant()); },
                            "Неизвестный тип парметра: Nothing"_a);
    ExpectRaises<Exception>([&] { (void)Cfg.RestVar("S", "Nothing", Null()); },
                            "Неизвестный тип парметра: Nothing"_a);
}

TEST(AppOptions, NamedValuesNeedAStorage)
{
    TCfgLike Cfg;  // SaveType 0
    ExpectRaises<Exception>([&] { Cfg.SaveVar("S", "N", Variant(1)); },
                            "SaveVar: Неверный параметр TAppOptions.SaveType"_a);
    ExpectRaises<Exception>([&] { (void)Cfg.RestVar("S", "N", Variant(1)); },
                            "RestVar: Неверный параметр TAppOptions.SaveType"_a);
}

TEST(AppOptions, StringLists)
{
    TempDir Dir;
    TCfgLike Cfg(Dir.File("lists.ini"));
    TIniFile* Ini = Cfg.GetIniFile();
    Ini->WriteString("ProviderList", "Stale", "x");
    TStringList Lines;
    Lines.Add("ООО \"Поставщик\""_a);
    Lines.Add("");
    Cfg.SaveIniStrings("ProviderList", Lines, 1);
    TStringList Section;
    Ini->ReadSectionValues("ProviderList", &Section);
    EXPECT_EQ(Section.Text(), "Count=2\r\nIndex=1\r\nS0=\"ООО \"Поставщик\"\"\r\nS1=\"\"\r\n"_a);

    TStringList Back;
    Back.Add("old");
    Integer Index = -1;
    Cfg.RestIniStrings("ProviderList", &Back, Index);
    EXPECT_EQ(Index, 1);
    EXPECT_EQ(Back.Text(), Lines.Text());

    Cfg.RestIniStrings("Missing", &Back, Index);
    EXPECT_EQ(Back.Count(), 0);
    EXPECT_EQ(Index, 0);

    // A damaged count reads no more lines than the section holds.
    Ini->WriteString("ProviderList", "Count", "2000000000");
    Cfg.RestIniStrings("ProviderList", &Back, Index);
    EXPECT_EQ(Back.Count(), 4);

    ExpectRaises<Exception>([&] { Cfg.RestIniStrings("ProviderList", nullptr, Index); },
                            "RestIniStrings: параметр = nil"_a);
}

// ---- database hooks ------------------------------------------------------------------

class Store : public TObject {
public:
    void Write(const AnsiString& Section, const AnsiString& Name, const Variant& Value)
    {
        Written.Add(Section + "/" + Name + "=" + VarToStr(Value));
    }
    Variant Read(const AnsiString&, const AnsiString& Name, const Variant& Default)
    {
        return Name == "RoundType" ? Variant(Integer(3)) : Default;
    }
    TStringList Written;
};

TEST(AppOptions, DataBaseHooks)
{
    const RussianSettingsScope Ru;
    TCfgLike Cfg;
    Cfg.SetSaveType(3);
    Cfg.ChildSection(0)->SetSaveType(3);
    ExpectRaises<Exception>([&] { (void)Cfg.RestVar("S", "N", Variant(1)); },
                            "RestVarDataBase: Не подключена загрузка из БД"_a);
    ExpectRaises<Exception>([&] { Cfg.SaveVar("S", "N", Variant(1)); },
                            "SaveVarDataBase: Не подключено сохранение в БД"_a);
    ExpectRaises<Exception>([&] { Cfg.EraseSection("S"); },
                            "SaveVarDataBase: Не подключено удаление секции из БД"_a);
    Store DB;
    Cfg.OnWriteVar = TOptionsWriteEvent(&DB, &Store::Write);
    Cfg.OnReadVar = TOptionsReadEvent(&DB, &Store::Read);
    Cfg.Save();
    EXPECT_EQ(DB.Written.Strings(0), "Configuration/Customer=Магазин \"Магазин\""_a);
    EXPECT_EQ(DB.Written.Strings(2), "Errors/Error=0");
    EXPECT_EQ(DB.Written.Strings(3), "Configuration/Log=True");
    Cfg.Load();
    EXPECT_EQ(Cfg.RoundType, 3);
    EXPECT_EQ(Cfg.Customer, "Магазин \"Магазин\""_a);
}

}  // namespace
