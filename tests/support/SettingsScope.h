#pragma once

// Scopes that make the Russian or the English locale settings current for a
// test and restore the previous settings at scope end.

#include "platform/rtl/FormatSettings.h"

class RussianSettingsScope : public FormatSettingsScope {
public:
    RussianSettingsScope() : FormatSettingsScope(RussianFormatSettings()) {}
};

class EnglishSettingsScope : public FormatSettingsScope {
public:
    EnglishSettingsScope() : FormatSettingsScope(EnglishFormatSettings()) {}
};
