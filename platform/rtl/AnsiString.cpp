#include "platform/rtl/AnsiString.h"

#include <ostream>

AnsiString AnsiString::SubString(int Index, int Count) const
{
    if (Index < 1)
        Index = 1;
    const int Len = Length();
    if (Index > Len || Count <= 0)
        return AnsiString();
    if (Count > Len - Index + 1)
        Count = Len - Index + 1;
    return AnsiString(FData.substr(size_t(Index - 1), size_t(Count)));
}

int AnsiString::Pos(const AnsiString& Sub) const
{
    if (Sub.IsEmpty())
        return 0;
    const size_t P = FData.find(Sub.FData);
    return P == std::string::npos ? 0 : static_cast<int>(P) + 1;
}

std::ostream& operator<<(std::ostream& Out, const AnsiString& S)
{
    return Out << '"' << S.ToUtf8() << '"';
}

void PrintTo(const AnsiString& S, std::ostream* Out)
{
    *Out << S;
}
