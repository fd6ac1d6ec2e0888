#include "platform/classes/Strings.h"

#include "platform/classes/Filer.h"
#include "platform/classes/RtlConsts.h"
#include "platform/classes/Streams.h"
#include "platform/classes/UpdateScope.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StrUtils.h"

#include <limits>
#include <memory>

namespace {

const char* const SDuplicateString = "String list does not allow duplicates";
const char* const SSortedListError = "Operation not allowed on sorted string list";
const char* const LineBreak = "\r\n";

/// The byte at 1-based Pos, or 0 past the end (the runtime's terminator).
char At(const AnsiString& S, int Pos)
{
    return Pos <= S.Length() ? S[Pos] : '\0';
}

/// Control characters and the space ('\1'..' '); the terminator is not one.
bool IsBlank(char C)
{
    const auto B = static_cast<unsigned char>(C);
    return B >= 1 && B <= ' ';
}


}  // namespace

// ---- TStrings --------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TStrings)

TStrings::~TStrings() = default;

void TStrings::Error(const AnsiString& Msg, int Data) const
{
    throw EStringListError(Format(Msg, {Data}));
}

int TStrings::Add(const AnsiString& S)
{
    const int Result = GetCount();
    Insert(Result, S);
    return Result;
}

int TStrings::AddObject(const AnsiString& S, TObject* AObject)
{
    const int Result = Add(S);
    PutObject(Result, AObject);
    return Result;
}

void TStrings::AddStrings(TStrings* Strings)
{
    const UpdateScope<TStrings> Update(this);
    // The count is taken once, so a list added to itself doubles instead of
    // growing without end.
    const int Count = Strings->Count();
    for (int I = 0; I < Count; ++I)
        AddObject(Strings->Strings(I), Strings->Objects(I));
}

void TStrings::Assign(TPersistent* Source)
{
    if (auto* Source2 = dynamic_cast<TStrings*>(Source)) {
        const UpdateScope<TStrings> Update(this);
        Clear();
        FDelimiter = Source2->FDelimiter;
        FQuoteChar = Source2->FQuoteChar;
        FNameValueSeparator = Source2->FNameValueSeparator;
        AddStrings(Source2);
        return;
    }
    inherited::Assign(Source);
}

void TStrings::BeginUpdate()
{
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate()
{
    --FUpdateCount;
    if (FUpdateCount == 0)
        SetUpdateState(false);
}

bool TStrings::Equals(TStrings* Strings) const
{
    const int N = GetCount();
    if (N != Strings->GetCount())
        return false;
    for (int I = 0; I < N; ++I)
        if (Get(I) != Strings->Get(I))
            return false;
    return true;
}

void TStrings::Exchange(int Index1, int Index2)
{
    const UpdateScope<TStrings> Update(this);
    TObject* TempObject = GetObject(Index1);
    const AnsiString TempString = Get(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, TempString);
    PutObject(Index2, TempObject);
}

/// Sets a comma and a double quote as the delimiter and quote character for
/// its scope and puts the list's own back on every exit.
class TStrings::CommaScope {
public:
    explicit CommaScope(const TStrings& S)
        : FStrings(const_cast<TStrings&>(S)), FDelimiter(S.FDelimiter), FQuoteChar(S.FQuoteChar)
    {
        FStrings.FDelimiter = ',';
        FStrings.FQuoteChar = '"';
    }
    ~CommaScope()
    {
        FStrings.FDelimiter = FDelimiter;
        FStrings.FQuoteChar = FQuoteChar;
    }
    CommaScope(const CommaScope&) = delete;
    CommaScope& operator=(const CommaScope&) = delete;

private:
    TStrings& FStrings;
    const char FDelimiter;
    const char FQuoteChar;
};

AnsiString TStrings::CommaText() const
{
    const CommaScope Comma(*this);
    return DelimitedText();
}

void TStrings::SetCommaText(const AnsiString& Value)
{
    const CommaScope Comma(*this);
    SetDelimitedText(Value);
}

AnsiString TStrings::DelimitedText() const
{
    const int N = GetCount();
    if (N == 1 && Get(0).IsEmpty())
        return AnsiString(FQuoteChar) + FQuoteChar;
    AnsiString Result;
    for (int I = 0; I < N; ++I) {
        AnsiString S = Get(I);
        // The scan stops at the end of the text (or a zero byte), so an empty
        // line is written as it is.
        int P = 1;
        while (P <= S.Length() && S[P] != '\0' && !IsBlank(S[P]) && S[P] != FQuoteChar &&
               S[P] != FDelimiter)
            ++P;
        if (P <= S.Length() && S[P] != '\0')
            S = AnsiQuotedStr(S, FQuoteChar);
        if (I > 0)
            Result += FDelimiter;
        Result += S;
    }
    return Result;
}

void TStrings::SetDelimitedText(const AnsiString& Value)
{
    const UpdateScope<TStrings> Update(this);
    Clear();
    // Text past a zero byte is not read, as the runtime's scan ended there.
    int P = 1;
    while (IsBlank(At(Value, P)))
        ++P;
    while (At(Value, P) != '\0') {
        AnsiString S;
        if (At(Value, P) == FQuoteChar) {
            S = AnsiExtractQuotedStr(Value, P, FQuoteChar);
        } else {
            const int P1 = P;
            while (static_cast<unsigned char>(At(Value, P)) > ' ' && At(Value, P) != FDelimiter)
                ++P;
            S = Copy(Value, P1, P - P1);
        }
        Add(S);
        while (IsBlank(At(Value, P)))
            ++P;
        if (At(Value, P) == FDelimiter) {
            if (At(Value, P + 1) == '\0')
                Add(AnsiString());
            do
                ++P;
            while (IsBlank(At(Value, P)));
        }
    }
}

AnsiString TStrings::Names(int Index) const
{
    const AnsiString S = Get(Index);
    const int P = Pos(AnsiString(FNameValueSeparator), S);
    return P > 0 ? Copy(S, 1, P - 1) : AnsiString();
}

int TStrings::IndexOfName(const AnsiString& Name) const
{
    const AnsiString Sep(FNameValueSeparator);
    for (int I = 0; I < GetCount(); ++I) {
        const AnsiString S = Get(I);
        const int P = Pos(Sep, S);
        if (P > 0 && CompareStrings(Copy(S, 1, P - 1), Name) == 0)
            return I;
    }
    return -1;
}

AnsiString TStrings::Values(const AnsiString& Name) const
{
    const int I = IndexOfName(Name);
    return I >= 0 ? ValueFromIndex(I) : AnsiString();
}

void TStrings::SetValues(const AnsiString& Name, const AnsiString& Value)
{
    int I = IndexOfName(Name);
    if (!Value.IsEmpty()) {
        if (I < 0)
            I = Add(AnsiString());
        Put(I, Name + FNameValueSeparator + Value);
    } else if (I >= 0) {
        Delete(I);
    }
}

AnsiString TStrings::ValueFromIndex(int Index) const
{
    if (Index < 0)
        return AnsiString();
    const AnsiString S = Get(Index);
    const int P = Pos(AnsiString(FNameValueSeparator), S);
    return P > 0 ? Copy(S, P + 1, S.Length()) : AnsiString();
}

void TStrings::SetValueFromIndex(int Index, const AnsiString& Value)
{
    if (!Value.IsEmpty()) {
        if (Index < 0)
            Index = Add(AnsiString());
        Put(Index, Names(Index) + FNameValueSeparator + Value);
    } else if (Index >= 0) {
        Delete(Index);
    }
}

AnsiString TStrings::GetTextStr() const
{
    AnsiString Result;
    for (int I = 0; I < GetCount(); ++I) {
        Result += Get(I);
        Result += LineBreak;
    }
    return Result;
}

void TStrings::SetTextStr(const AnsiString& Value)
{
    const UpdateScope<TStrings> Update(this);
    Clear();
    // A zero byte is an ordinary byte of its line. Stopping the text there,
    // as a C-string scan would, drops every line after it, and a damaged ini
    // file saved back at exit would lose them for good.
    const int Len = Value.Length();
    int P = 1;
    while (P <= Len) {
        const int Start = P;
        while (P <= Len && Value[P] != '\n' && Value[P] != '\r')
            ++P;
        Add(Copy(Value, Start, P - Start));
        if (P <= Len && Value[P] == '\r')
            ++P;
        if (P <= Len && Value[P] == '\n')
            ++P;
    }
}

int TStrings::IndexOf(const AnsiString& S) const
{
    for (int I = 0; I < GetCount(); ++I)
        if (CompareStrings(Get(I), S) == 0)
            return I;
    return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const
{
    for (int I = 0; I < GetCount(); ++I)
        if (GetObject(I) == AObject)
            return I;
    return -1;
}

void TStrings::InsertObject(int Index, const AnsiString& S, TObject* AObject)
{
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TStrings::LoadFromFile(const AnsiString& FileName)
{
    TFileStream Stream(FileName, static_cast<Word>(fmOpenRead | fmShareDenyWrite));
    LoadFromStream(&Stream);
}

void TStrings::LoadFromStream(TStream* Stream)
{
    const UpdateScope<TStrings> Update(this);
    const Int64 Size = Stream->Size() - Stream->Position();
    // A text is at most MaxInt bytes; a larger rest would wrap the length.
    if (Size > std::numeric_limits<int>::max())
        throw EOutOfMemory("Out of memory");
    AnsiString S;
    S.SetLength(static_cast<int>(Size));
    const int Got = Stream->Read(S.Data(), S.Length());
    S.SetLength(Got);
    SetTextStr(S);
}

void TStrings::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    const UpdateScope<TStrings> Update(this);
    TObject* TempObject = GetObject(CurIndex);
    const AnsiString TempString = Get(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, TempString, TempObject);
}

void TStrings::Put(int Index, const AnsiString& S)
{
    TObject* TempObject = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, TempObject);
}

void TStrings::PutObject(int, TObject*) {}

TObject* TStrings::GetObject(int) const
{
    return nullptr;
}

void TStrings::SaveToFile(const AnsiString& FileName) const
{
    TFileStream Stream(FileName, fmCreate);
    SaveToStream(&Stream);
}

void TStrings::SaveToStream(TStream* Stream) const
{
    const AnsiString S = GetTextStr();
    Stream->WriteBuffer(S.Data(), S.Length());
}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(const AnsiString& S1, const AnsiString& S2) const
{
    return AnsiCompareText(S1, S2);
}

int TStrings::GetCapacity() const
{
    return GetCount();
}

void TStrings::SetCapacityImpl(int) {}

// ---- TStringList -----------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TStringList)

TStringList::~TStringList()
{
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TStringList::Changed()
{
    if (UpdateCount() == 0)
        OnChange(this);
}

void TStringList::Changing()
{
    if (UpdateCount() == 0)
        OnChanging(this);
}

int TStringList::Add(const AnsiString& S)
{
    return AddObject(S, nullptr);
}

int TStringList::AddObject(const AnsiString& S, TObject* AObject)
{
    int Result = Count();
    if (FSorted && Find(S, Result)) {
        switch (FDuplicates) {
        case dupIgnore:
            return Result;
        case dupError:
            Error(SDuplicateString, 0);
        case dupAccept:
            break;
        }
    }
    InsertItem(Result, S, AObject);
    return Result;
}

void TStringList::Clear()
{
    if (FList.empty())
        return;
    Changing();
    FList.clear();
    FList.shrink_to_fit();
    Changed();
}

void TStringList::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        Error(SListIndexError, Index);
    Changing();
    FList.erase(FList.begin() + Index);
    Changed();
}

void TStringList::Exchange(int Index1, int Index2)
{
    if (Index1 < 0 || Index1 >= Count())
        Error(SListIndexError, Index1);
    if (Index2 < 0 || Index2 >= Count())
        Error(SListIndexError, Index2);
    Changing();
    ExchangeItems(Index1, Index2);
    Changed();
}

void TStringList::ExchangeItems(int Index1, int Index2)
{
    std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
}

bool TStringList::Find(const AnsiString& S, int& Index) const
{
    bool Result = false;
    int L = 0;
    int H = Count() - 1;
    while (L <= H) {
        const int I = (L + H) >> 1;
        const int C = CompareStrings(FList[static_cast<size_t>(I)].String, S);
        if (C < 0) {
            L = I + 1;
        } else {
            H = I - 1;
            if (C == 0) {
                Result = true;
                if (FDuplicates != dupAccept)
                    L = I;
            }
        }
    }
    Index = L;
    return Result;
}

AnsiString TStringList::Get(int Index) const
{
    if (Index < 0 || Index >= Count())
        Error(SListIndexError, Index);
    return FList[static_cast<size_t>(Index)].String;
}

int TStringList::GetCount() const
{
    return static_cast<int>(FList.size());
}

TObject* TStringList::GetObject(int Index) const
{
    if (Index < 0 || Index >= Count())
        Error(SListIndexError, Index);
    return FList[static_cast<size_t>(Index)].Object;
}

int TStringList::IndexOf(const AnsiString& S) const
{
    if (!FSorted)
        return inherited::IndexOf(S);
    int Result = -1;
    if (!Find(S, Result))
        Result = -1;
    return Result;
}

void TStringList::Insert(int Index, const AnsiString& S)
{
    InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const AnsiString& S, TObject* AObject)
{
    if (FSorted)
        Error(SSortedListError, 0);
    if (Index < 0 || Index > Count())
        Error(SListIndexError, Index);
    InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const AnsiString& S, TObject* AObject)
{
    Changing();
    FList.insert(FList.begin() + Index, Item{S, AObject});
    Changed();
}

void TStringList::Move(int CurIndex, int NewIndex)
{
    // The inherited Move deletes before it inserts: on a sorted list the
    // insert would fail with the line already gone.
    if (FSorted && CurIndex != NewIndex)
        Error(SSortedListError, 0);
    inherited::Move(CurIndex, NewIndex);
}

void TStringList::Put(int Index, const AnsiString& S)
{
    if (FSorted)
        Error(SSortedListError, 0);
    if (Index < 0 || Index >= Count())
        Error(SListIndexError, Index);
    Changing();
    FList[static_cast<size_t>(Index)].String = S;
    Changed();
}

void TStringList::PutObject(int Index, TObject* AObject)
{
    if (Index < 0 || Index >= Count())
        Error(SListIndexError, Index);
    Changing();
    FList[static_cast<size_t>(Index)].Object = AObject;
    Changed();
}

void TStringList::QuickSort(int L, int R, TStringListSortCompare Compare)
{
    int I = 0;
    do {
        I = L;
        int J = R;
        int P = (L + R) >> 1;
        do {
            // Bounded like TList's scans, for a compare that never calls
            // a line equal to itself.
            while (I < R && Compare(this, I, P) < 0)
                ++I;
            while (J > L && Compare(this, J, P) > 0)
                --J;
            if (I <= J) {
                ExchangeItems(I, J);
                if (P == I)
                    P = J;
                else if (P == J)
                    P = I;
                ++I;
                --J;
            }
        } while (I <= J);
        if (L < J)
            QuickSort(L, J, Compare);
        L = I;
    } while (I < R);
}

void TStringList::CustomSort(TStringListSortCompare Compare)
{
    if (FSorted || Count() <= 1)
        return;
    Changing();
    QuickSort(0, Count() - 1, Compare);
    Changed();
}

int TStringList::CompareItems(TStringList* List, int Index1, int Index2)
{
    return List->CompareStrings(List->FList[static_cast<size_t>(Index1)].String,
                                List->FList[static_cast<size_t>(Index2)].String);
}

void TStringList::Sort()
{
    CustomSort(CompareItems);
}

void TStringList::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value)
{
    if (FCaseSensitive == Value)
        return;
    FCaseSensitive = Value;
    // Sort does nothing on a sorted list, which would leave the list in the
    // old order and Find searching it by the new one: sort it directly.
    if (FSorted && Count() > 1) {
        Changing();
        QuickSort(0, Count() - 1, CompareItems);
        Changed();
    }
}

void TStringList::SetUpdateState(bool Updating)
{
    if (Updating)
        Changing();
    else
        Changed();
}

int TStringList::CompareStrings(const AnsiString& S1, const AnsiString& S2) const
{
    return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

int TStringList::GetCapacity() const
{
    return static_cast<int>(FList.capacity());
}

void TStringList::SetCapacityImpl(int NewCapacity)
{
    if (NewCapacity < Count())
        Error("List capacity out of bounds (%d)", NewCapacity);
    FList.reserve(static_cast<size_t>(NewCapacity));
}

// ---- streaming -------------------------------------------------------------

void TStrings::DefineProperties(TFiler* Filer)
{
    inherited::DefineProperties(Filer);
    bool HasData = Count() > 0;
    if (Filer->Ancestor() && Filer->Ancestor()->InheritsFrom(ClassOf<TStrings>()))
        HasData = !Equals(static_cast<TStrings*>(Filer->Ancestor()));
    Filer->DefineProperty("Strings", TReaderProc(this, &TStrings::ReadData),
                          TWriterProc(this, &TStrings::WriteData), HasData);
}

void TStrings::ReadData(TReader* Reader)
{
    Reader->ReadListBegin();
    {
        const UpdateScope<TStrings> Updating(*this);
        Clear();
        while (!Reader->EndOfList())
            Add(Reader->ReadString());
    }
    Reader->ReadListEnd();
}

void TStrings::WriteData(TWriter* Writer)
{
    Writer->WriteListBegin();
    for (int I = 0; I < Count(); ++I)
        Writer->WriteString(Get(I));
    Writer->WriteListEnd();
}
