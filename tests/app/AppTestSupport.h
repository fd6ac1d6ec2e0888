#pragma once

// Shared set-up of the invoice model tests: a private start-up folder with
// its own configuration object, Russian number settings, and exact Currency
// values from text.

#include "app/Globals.h"
#include "common/base/Funcs.h"
#include "platform/rtl/Currency.h"
#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

/// A Currency from its text in roubles ("12.3456", "-0.5"), exact.
inline Currency Curr(const char* Text)
{
    int64_t Sign = 1;
    if (*Text == '-') {
        Sign = -1;
        ++Text;
    }
    int64_t Whole = 0;
    while (*Text && *Text != '.')
        Whole = Whole * 10 + (*Text++ - '0');
    if (*Text == '.')
        ++Text;
    int64_t Frac = 0;
    int Digits = 0;
    for (; *Text && Digits < 4; ++Digits)
        Frac = Frac * 10 + (*Text++ - '0');
    for (; Digits < 4; ++Digits)
        Frac *= 10;
    return Currency::FromRaw(Sign * (Whole * Currency::Scale + Frac));
}

/// The start-up folder is a fresh temporary folder and gCfgObject a fresh
/// configuration object with its defaults for the scope; Russian number
/// settings. The old location is restored at scope end.
class ConfigScope {
public:
    ConfigScope() : FOldStart(GetStartDir()), FOldExe(GetExeName())
    {
        SetAppLocation(FDir.File(""), "pricetags");
        FCfg = std::make_unique<TCfgObject>();
    }
    ~ConfigScope()
    {
        FCfg.reset();
        SetAppLocation(FOldStart, FOldExe);
    }
    ConfigScope(const ConfigScope&) = delete;
    ConfigScope& operator=(const ConfigScope&) = delete;

    TCfgObject& Cfg() { return *FCfg; }
    const TempDir& Dir() const { return FDir; }

private:
    RussianSettingsScope FRussian;
    TempDir FDir;
    AnsiString FOldStart;
    AnsiString FOldExe;
    std::unique_ptr<TCfgObject> FCfg;
};

/// gTxtPath is the TXT/ folder of Config's start-up folder, made for the
/// scope; the old path is restored at scope end. Config outlives the scope.
class TxtFolderScope {
public:
    explicit TxtFolderScope(const ConfigScope& Config) : FOldTxt(gTxtPath)
    {
        gTxtPath = Config.Dir().File("TXT/");
        std::filesystem::create_directories(Config.Dir().Path() / "TXT");
    }
    ~TxtFolderScope() { gTxtPath = FOldTxt; }
    TxtFolderScope(const TxtFolderScope&) = delete;
    TxtFolderScope& operator=(const TxtFolderScope&) = delete;

private:
    AnsiString FOldTxt;
};

/// Starts this test program again, running only the disabled test Test
/// ("Suite.DISABLED_Name") with Variable=Value in its environment and the
/// offscreen windows; the child's id, or -1.
inline pid_t StartThisTestProgram(const std::string& Test, const std::string& Variable,
                                  const std::string& Value)
{
    const std::string Self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string Filter = "--gtest_filter=" + Test;
    const std::string Env = Variable + "=" + Value;
    char* Argv[] = {const_cast<char*>(Self.c_str()), const_cast<char*>(Filter.c_str()),
                    const_cast<char*>("--gtest_also_run_disabled_tests"), nullptr};
    char* Envp[] = {const_cast<char*>(Env.c_str()),
                    const_cast<char*>("QT_QPA_PLATFORM=offscreen"), nullptr};
    const pid_t Pid = fork();
    if (Pid == 0) {
        execve(Argv[0], Argv, Envp);
        _exit(127);
    }
    return Pid;
}
