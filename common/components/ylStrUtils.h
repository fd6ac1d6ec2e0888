#pragma once

// Small string helpers of the component library (CP1251 bytes). Character
// sets are the runtime's TCharSet; ReplaceAll (every occurrence, left to
// right, replaced parts not scanned again, nothing for an empty search
// text) is the utility unit's, included from here.

#include "common/base/Funcs.h"

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/StrUtils.h"

/// True when every character of S is in Chars (an empty S gives true).
[[nodiscard]] bool ConsistsOf(const AnsiString& S, const TCharSet& Chars);
/// Count copies of C; empty for Count < 1.
[[nodiscard]] AnsiString RepeatChar(char C, int Count);
