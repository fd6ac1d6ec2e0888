#pragma once

// TStrings, the runtime's abstract list of strings with an object per
// string, and TStringList, its concrete form (optionally sorted). Text is
// CP1251 bytes; files and streams are read and written as bytes, lines end
// CR LF when written and CR LF, LF or CR when read. Names and values are
// "Name=Value" lines. A string list never owns its objects.
//
// Errors raise EStringListError: "List index out of bounds (%d)", "String
// list does not allow duplicates" (a sorted list with dupError) and
// "Operation not allowed on sorted string list" (Insert, Put and Move on a
// sorted list).

#include "platform/classes/Events.h"
#include "platform/classes/Lists.h"
#include "platform/classes/Persistent.h"
#include "platform/rtl/AnsiString.h"

#include <vector>

class TStream;

class TStrings : public TPersistent {
    PRICETAGS_CLASS(TStrings, TPersistent)
public:
    TStrings() = default;
    ~TStrings() override;

    /// Appends S (a sorted list puts it in order); returns its index.
    virtual int Add(const AnsiString& S);
    virtual int AddObject(const AnsiString& S, TObject* AObject);
    void Append(const AnsiString& S) { Add(S); }
    /// Appends every line of Strings with its object.
    virtual void AddStrings(TStrings* Strings);
    /// From another TStrings: its lines and objects (and for a TStrings
    /// source its Delimiter, QuoteChar and NameValueSeparator).
    void Assign(TPersistent* Source) override;
    /// Nested; OnChanging/OnChange are held back until the outermost EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    virtual void Clear() = 0;
    virtual void Delete(int Index) = 0;
    /// True when Strings holds the same lines (case-sensitive) in order.
    bool Equals(TStrings* Strings) const;
    virtual void Exchange(int Index1, int Index2);
    /// First index of S by CompareStrings (case ignored by default); -1.
    virtual int IndexOf(const AnsiString& S) const;
    /// First index of the line whose name is Name; -1.
    virtual int IndexOfName(const AnsiString& Name) const;
    int IndexOfObject(TObject* AObject) const;
    virtual void Insert(int Index, const AnsiString& S) = 0;
    virtual void InsertObject(int Index, const AnsiString& S, TObject* AObject);
    /// Replaces the lines by the file's (raises EFOpenError when it cannot
    /// be opened).
    virtual void LoadFromFile(const AnsiString& FileName);
    /// Replaces the lines by the rest of Stream; a rest over MaxInt bytes
    /// raises EOutOfMemory "Out of memory" and keeps the lines.
    virtual void LoadFromStream(TStream* Stream);
    virtual void Move(int CurIndex, int NewIndex);
    /// Writes Text (EFCreateError when the file cannot be created).
    virtual void SaveToFile(const AnsiString& FileName) const;
    virtual void SaveToStream(TStream* Stream) const;

    int Count() const { return GetCount(); }
    AnsiString Strings(int Index) const { return Get(Index); }
    void SetStrings(int Index, const AnsiString& S) { Put(Index, S); }
    TObject* Objects(int Index) const { return GetObject(Index); }
    void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }
    /// The part before the first NameValueSeparator; '' when the line has none.
    AnsiString Names(int Index) const;
    /// The value of the line named Name; '' when absent.
    AnsiString Values(const AnsiString& Name) const;
    /// Sets the value of Name, appending a line when absent; an empty Value
    /// deletes the line.
    void SetValues(const AnsiString& Name, const AnsiString& Value);
    /// The part after the first NameValueSeparator; '' when the line has
    /// none (not the line less its first byte).
    AnsiString ValueFromIndex(int Index) const;
    void SetValueFromIndex(int Index, const AnsiString& Value);
    /// Lines joined, each followed by CR LF.
    AnsiString Text() const { return GetTextStr(); }
    /// Splits at CR LF, LF or CR; a last line without a break counts; the
    /// text ends at a zero byte.
    void SetText(const AnsiString& Value) { SetTextStr(Value); }
    /// DelimitedText with ',' and '"'.
    AnsiString CommaText() const;
    void SetCommaText(const AnsiString& Value);
    /// Lines joined by Delimiter; a line holding a space, a control
    /// character, the delimiter or the quote is quoted with QuoteChar (inner
    /// quotes doubled). A single empty line gives two quotes; other empty
    /// lines stay empty. Reading splits at Delimiter and at spaces and control
    /// characters outside quotes; a delimiter right at the end adds an empty
    /// line.
    AnsiString DelimitedText() const;
    void SetDelimitedText(const AnsiString& Value);
    char Delimiter() const { return FDelimiter; }
    void SetDelimiter(char Value) { FDelimiter = Value; }
    char QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(char Value) { FQuoteChar = Value; }
    char NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(char Value) { FNameValueSeparator = Value; }
    int Capacity() const { return GetCapacity(); }
    void SetCapacity(int Value) { SetCapacityImpl(Value); }
    int UpdateCount() const { return FUpdateCount; }

protected:
    /// Streams the lines as the defined property "Strings" (a list of
    /// strings), written when there are lines and they differ from the
    /// ancestor's.
    void DefineProperties(TFiler* Filer) override;
    virtual AnsiString Get(int Index) const = 0;
    virtual int GetCount() const = 0;
    virtual TObject* GetObject(int Index) const;
    virtual void Put(int Index, const AnsiString& S);
    virtual void PutObject(int Index, TObject* AObject);
    virtual AnsiString GetTextStr() const;
    virtual void SetTextStr(const AnsiString& Value);
    /// Called with true at the outermost BeginUpdate, false at its EndUpdate.
    virtual void SetUpdateState(bool Updating);
    /// Compare used by IndexOf and the sorted search: AnsiCompareText here.
    virtual int CompareStrings(const AnsiString& S1, const AnsiString& S2) const;
    virtual int GetCapacity() const;
    virtual void SetCapacityImpl(int NewCapacity);
    /// Raises EStringListError with Msg formatted with Data ("%d").
    [[noreturn]] void Error(const AnsiString& Msg, int Data) const;

private:
    class CommaScope;
    void ReadData(TReader* Reader);
    void WriteData(TWriter* Writer);

    char FDelimiter = ',';
    char FQuoteChar = '"';
    char FNameValueSeparator = '=';
    int FUpdateCount = 0;
};

class TStringList;
/// Order of lines Index1 and Index2 of List for CustomSort.
using TStringListSortCompare = int (*)(TStringList* List, int Index1, int Index2);

class TStringList : public TStrings {
    PRICETAGS_CLASS(TStringList, TStrings)
public:
    TStringList() = default;
    ~TStringList() override;

    int Add(const AnsiString& S) override;
    int AddObject(const AnsiString& S, TObject* AObject) override;
    void Clear() override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    /// Binary search of a sorted list: true when found; Index is the
    /// position of S or where it would be inserted. On an unsorted list the
    /// result is meaningless, as in the runtime.
    virtual bool Find(const AnsiString& S, int& Index) const;
    int IndexOf(const AnsiString& S) const override;
    void Insert(int Index, const AnsiString& S) override;
    void InsertObject(int Index, const AnsiString& S, TObject* AObject) override;
    /// On a sorted list raises the sorted-list error before anything moves.
    void Move(int CurIndex, int NewIndex) override;
    /// Sorts by CompareStrings (quicksort, not stable).
    virtual void Sort();
    virtual void CustomSort(TStringListSortCompare Compare);

    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool Sorted() const { return FSorted; }
    /// Turning it on sorts the list.
    void SetSorted(bool Value);
    bool CaseSensitive() const { return FCaseSensitive; }
    /// Changing it re-sorts a sorted list, so Find keeps working.
    void SetCaseSensitive(bool Value);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void Changed();
    virtual void Changing();
    AnsiString Get(int Index) const override;
    int GetCount() const override;
    TObject* GetObject(int Index) const override;
    void Put(int Index, const AnsiString& S) override;
    void PutObject(int Index, TObject* AObject) override;
    void SetUpdateState(bool Updating) override;
    /// AnsiCompareStr when CaseSensitive, else AnsiCompareText.
    int CompareStrings(const AnsiString& S1, const AnsiString& S2) const override;
    int GetCapacity() const override;
    void SetCapacityImpl(int NewCapacity) override;
    virtual void InsertItem(int Index, const AnsiString& S, TObject* AObject);

private:
    struct Item {
        AnsiString String;
        TObject* Object = nullptr;
    };
    static int CompareItems(TStringList* List, int Index1, int Index2);
    void QuickSort(int L, int R, TStringListSortCompare Compare);
    void ExchangeItems(int Index1, int Index2);

    std::vector<Item> FList;
    TDuplicates FDuplicates = dupIgnore;
    bool FSorted = false;
    bool FCaseSensitive = false;
};
