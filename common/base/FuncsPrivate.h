#pragma once

// State that the source files of the Funcs unit share: the program's cached
// folder and file names, and the program ini object.

#include "platform/rtl/AnsiString.h"

/// The cached names; empty until first computed.
struct FuncsNames {
    AnsiString StartDir;
    AnsiString ExeDir;
    AnsiString ExeName;
    AnsiString AppIniName;
    AnsiString LogFileName;
};

FuncsNames& CachedNames();
/// Frees the program ini object when it exists, which writes its file.
void FreeAppIniFile();
