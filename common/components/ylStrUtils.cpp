#include "common/components/ylStrUtils.h"

bool ConsistsOf(const AnsiString& S, const TCharSet& Chars)
{
    for (int I = 1; I <= S.Length(); ++I)
        if (!Chars.Contains(S[I]))
            return false;
    return true;
}

AnsiString RepeatChar(char C, int Count)
{
    return Count < 1 ? AnsiString() : AnsiString(std::string(static_cast<size_t>(Count), C));
}
