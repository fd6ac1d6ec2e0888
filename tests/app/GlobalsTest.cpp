// The configuration object: defaults, keeping every property in the
// program ini, saving only when allowed; and the start-up work of the
// globals (start-up folder, TXT/ folder, developer mode).

#include "app/Globals.h"

#include "common/base/Funcs.h"
#include "platform/rtl/DateTime.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

/// Sets gCanSaveSettings for the scope.
class CanSaveScope {
public:
    explicit CanSaveScope(bool Value) : FOld(gCanSaveSettings) { gCanSaveSettings = Value; }
    ~CanSaveScope() { gCanSaveSettings = FOld; }

private:
    bool FOld;
};

void ExpectDefaults(const TCfgObject& Cfg)
{
    EXPECT_EQ(Cfg.Customer, "Магазин \"Магазин\""_a);
    EXPECT_EQ(double(Cfg.LastDate), double(Date()));
    EXPECT_EQ(Cfg.Error, 0);
    EXPECT_EQ(Cfg.xlFileName, "");
    EXPECT_EQ(Cfg.xlArtcleFileName, "");
    EXPECT_EQ(Cfg.rpFileName, "");
    EXPECT_FALSE(Cfg.CalcAll);
    EXPECT_FALSE(Cfg.Deb);
    EXPECT_TRUE(Cfg.Log);
    EXPECT_EQ(Cfg.RoundType, 0);
    EXPECT_EQ(Cfg.TicketType, 0);
    EXPECT_EQ(Cfg.PriceStyle, 0);
    EXPECT_EQ(Cfg.PriceStyleRep, 0);
    EXPECT_EQ(Cfg.PriceStyleXxx, 0);
    EXPECT_EQ(Cfg.Rub, "руб."_a);
    EXPECT_EQ(Cfg.Kop, "коп."_a);
    EXPECT_EQ(Cfg.ByCard, "По карте:"_a);
    EXPECT_FALSE(Cfg.FindTickets);
    EXPECT_FALSE(Cfg.WarrantyByDays);
    EXPECT_EQ(Cfg.Provider, "");
    EXPECT_EQ(Cfg.ResponsFIO, "");
    EXPECT_EQ(Cfg.Depart, "");
    EXPECT_EQ(Cfg.NumberOut, "");
}

/// Gives every property a value other than its default.
void SetEveryProperty(TCfgObject& Cfg)
{
    Cfg.Customer = "Магазин \"Ромашка\""_a;
    Cfg.LastDate = TDateTime(45323.75);
    Cfg.Error = 3;
    Cfg.xlFileName = "/home/shop/Накладные/15.xls"_a;
    Cfg.xlArtcleFileName = "/home/shop/Описания.xls"_a;
    Cfg.rpFileName = "/home/shop/отчет.rep"_a;
    Cfg.CalcAll = true;
    Cfg.Deb = true;
    Cfg.Log = false;
    Cfg.RoundType = 2;
    Cfg.TicketType = 1;
    Cfg.PriceStyle = 14;
    Cfg.PriceStyleRep = 10;
    Cfg.PriceStyleXxx = 3;
    Cfg.Rub = " р."_a;
    Cfg.Kop = " к."_a;
    Cfg.ByCard = "С картой:"_a;
    Cfg.FindTickets = true;
    Cfg.WarrantyByDays = true;
    Cfg.Provider = "Оптовая база"_a;
    Cfg.ResponsFIO = "Иванов И.И."_a;
    Cfg.Depart = "Бытовая техника"_a;
    Cfg.NumberOut = "16";
}

void ExpectEveryPropertySet(const TCfgObject& Cfg)
{
    EXPECT_EQ(Cfg.Customer, "Магазин \"Ромашка\""_a);
    EXPECT_EQ(double(Cfg.LastDate), 45323.75);
    EXPECT_EQ(Cfg.Error, 3);
    EXPECT_EQ(Cfg.xlFileName, "/home/shop/Накладные/15.xls"_a);
    EXPECT_EQ(Cfg.xlArtcleFileName, "/home/shop/Описания.xls"_a);
    EXPECT_EQ(Cfg.rpFileName, "/home/shop/отчет.rep"_a);
    EXPECT_TRUE(Cfg.CalcAll);
    EXPECT_TRUE(Cfg.Deb);
    EXPECT_FALSE(Cfg.Log);
    EXPECT_EQ(Cfg.RoundType, 2);
    EXPECT_EQ(Cfg.TicketType, 1);
    EXPECT_EQ(Cfg.PriceStyle, 14);
    EXPECT_EQ(Cfg.PriceStyleRep, 10);
    EXPECT_EQ(Cfg.PriceStyleXxx, 3);
    EXPECT_EQ(Cfg.Rub, " р."_a);
    EXPECT_EQ(Cfg.Kop, " к."_a);
    EXPECT_EQ(Cfg.ByCard, "С картой:"_a);
    EXPECT_TRUE(Cfg.FindTickets);
    EXPECT_TRUE(Cfg.WarrantyByDays);
    EXPECT_EQ(Cfg.Provider, "Оптовая база"_a);
    EXPECT_EQ(Cfg.ResponsFIO, "Иванов И.И."_a);
    EXPECT_EQ(Cfg.Depart, "Бытовая техника"_a);
    EXPECT_EQ(Cfg.NumberOut, "16");
}

TEST(CfgObject, DefaultsAndTheGlobal)
{
    ConfigScope Config;
    EXPECT_EQ(gCfgObject, &Config.Cfg());
    ExpectDefaults(Config.Cfg());
}

TEST(CfgObject, MissingIniLeavesTheDefaults)
{
    ConfigScope Config;
    LoadCfgSection();
    ExpectDefaults(Config.Cfg());
    EXPECT_FALSE(fs::exists(Config.Dir().Path() / "pricetags.ini"));
}

TEST(CfgObject, WrittenAtExitReadAtStartGivesEveryPropertyBack)
{
    ConfigScope Config;
    const CanSaveScope CanSave(true);
    SetEveryProperty(Config.Cfg());
    SaveCfgSection();
    const std::string Ini = ReadBytes(Config.Dir().Path() / "pricetags.ini");
    EXPECT_NE(Ini.find("[Configuration]\r\n"), std::string::npos) << Ini;
    EXPECT_NE(Ini.find("[Errors]\r\nError=3\r\n"), std::string::npos) << Ini;
    // The properties stand in their declared order.
    EXPECT_LT(Ini.find("Customer="), Ini.find("LastDate="));
    EXPECT_LT(Ini.find("PriceStyleXxx="), Ini.find("Rub="));
    EXPECT_LT(Ini.find("Depart="), Ini.find("NumberOut="));

    // A new start: a fresh object with its defaults reads the file.
    TCfgObject Restarted;
    ExpectDefaults(Restarted);
    LoadCfgSection();
    ExpectEveryPropertySet(Restarted);
}

// Saved at every exit: a configuration that did not change leaves the file
// as it was (each section's save moves it to the end of the file, so
// writing after each section rewrote it twice).
TEST(CfgObject, AnUnchangedConfigurationLeavesTheFileAlone)
{
    ConfigScope Config;
    const CanSaveScope CanSave(true);
    const fs::path Path = Config.Dir().Path() / "pricetags.ini";
    const auto Inode = [&Path] {
        struct stat Info {};
        EXPECT_EQ(::stat(Path.c_str(), &Info), 0);
        return Info.st_ino;
    };
    SetEveryProperty(Config.Cfg());
    SaveCfgSection();
    const auto First = Inode();
    SaveCfgSection();
    EXPECT_EQ(Inode(), First);
    Config.Cfg().Error = 5;
    SaveCfgSection();
    EXPECT_NE(Inode(), First);
    EXPECT_NE(ReadBytes(Path).find("[Errors]\r\nError=5\r\n"), std::string::npos);
}

TEST(CfgObject, StartHookLoadsTheConfiguration)
{
    ConfigScope Config;
    WriteBytes(Config.Dir().Path() / "pricetags.ini",
               "[Configuration]\r\nRoundType=2\r\nRub=\" \xF0.\"\r\n[Errors]\r\nError=4\r\n");
    AppStartHook();
    EXPECT_EQ(Config.Cfg().RoundType, 2);
    EXPECT_EQ(Config.Cfg().Rub, " р."_a);
    EXPECT_EQ(Config.Cfg().Error, 4);
    EXPECT_EQ(Config.Cfg().Kop, "коп."_a);  // a missing key keeps its default
}

TEST(CfgObject, NothingIsSavedBeforeSavingIsAllowed)
{
    ConfigScope Config;
    const CanSaveScope CanSave(false);
    SetEveryProperty(Config.Cfg());
    SaveCfgSection();
    EXPECT_FALSE(fs::exists(Config.Dir().Path() / "pricetags.ini"));
}

TEST(Globals, InitialisationPreparesTheStartUpFolder)
{
    ConfigScope Config;  // the start-up folder
    const CurrentDirScope Elsewhere(fs::temp_directory_path());
    WriteBytes(Config.Dir().Path() / "pricetags.111", "");
    const bool OldDeveloperMode = gDeveloperMode;
    gDeveloperMode = false;

    GlobalsInitialization();
    EXPECT_EQ(fs::current_path(), Config.Dir().Path());
    ASSERT_NE(gCfgObject, nullptr);
    EXPECT_NE(gCfgObject, &Config.Cfg());
    EXPECT_TRUE(gDeveloperMode);
    EXPECT_EQ(gTxtPath, Config.Dir().File("TXT/"));
    EXPECT_TRUE(fs::is_directory(Config.Dir().Path() / "TXT"));
    // A second initialisation does nothing; only the matching last
    // finalisation frees the object.
    TCfgObject* First = gCfgObject;
    GlobalsInitialization();
    EXPECT_EQ(gCfgObject, First);
    GlobalsFinalization();
    EXPECT_EQ(gCfgObject, First);
    GlobalsFinalization();
    EXPECT_EQ(gCfgObject, nullptr);
    EXPECT_EQ(gTxtPath, "");
    gDeveloperMode = OldDeveloperMode;
}

TEST(Globals, NoMarkerFileNoDeveloperMode)
{
    ConfigScope Config;
    const CurrentDirScope Keep(fs::current_path());
    GlobalsInitialization();
    EXPECT_FALSE(gDeveloperMode);
    GlobalsFinalization();
}

TEST(Globals, TraceMsgFollowsTheLogProperty)
{
    ConfigScope Config;
    AnsiString Logged;
    static AnsiString* Sink = nullptr;
    Sink = &Logged;
    const TLogHook OldHook = gLogHook;
    gLogHook = [](const AnsiString& Text, Integer) { *Sink += Text + "|"; };
    TraceMsg("RestForms", false);
    Config.Cfg().Log = false;
    TraceMsg("quiet", false);
    TraceMsg("forced", true);
    gLogHook = OldHook;
    EXPECT_EQ(Logged, "RestForms|forced|");
}

}  // namespace
