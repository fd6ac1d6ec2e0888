#include "platform/classes/Strings.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"

#include "tests/platform/classes/StringLines.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void Fill(TStrings& S, const Lines& Items)
{
    for (const std::string& I : Items)
        S.Add(AnsiString(I));
}

// ---- sorted lists ----------------------------------------------------------

TEST(TStringList, SortedListKeepsOrderIgnoringCase)
{
    TStringList L;
    L.SetSorted(true);
    Fill(L, {"pear", "Apple", "banana", "apple2"});
    EXPECT_EQ(Of(L), (Lines{"Apple", "apple2", "banana", "pear"}));
    int Index = -1;
    EXPECT_TRUE(L.Find("BANANA", Index));
    EXPECT_EQ(Index, 2);
    EXPECT_FALSE(L.Find("cherry", Index));
    EXPECT_EQ(Index, 3);  // where it would go
    EXPECT_EQ(L.IndexOf("PEAR"), 3);
    EXPECT_EQ(L.IndexOf("plum"), -1);
}

TEST(TStringList, CyrillicSortsAndMatchesWithoutCase)
{
    TStringList L;
    L.SetSorted(true);
    Fill(L, {"Яблоко"_a.Std(), "арбуз"_a.Std(), "Банан"_a.Std()});
    EXPECT_EQ(Of(L), (Lines{"арбуз"_a.Std(), "Банан"_a.Std(), "Яблоко"_a.Std()}));
    EXPECT_EQ(L.IndexOf("ЯБЛОКО"_a), 2);
}

struct DupRow {
    TDuplicates Mode;
    int Count;         // lines after adding "b" to {a, b, c}
    int ReturnedIndex; // what Add returned
};

TEST(TStringList, DuplicatesOfASortedList)
{
    const DupRow Rows[] = {
        {dupIgnore, 3, 1},  // the existing line's index
        {dupAccept, 4, 1},
    };
    for (const DupRow& R : Rows) {
        SCOPED_TRACE(R.Mode);
        TStringList L;
        L.SetSorted(true);
        L.SetDuplicates(R.Mode);
        Fill(L, {"a", "b", "c"});
        EXPECT_EQ(L.Add("B"), R.ReturnedIndex);
        EXPECT_EQ(L.Count(), R.Count);
    }
    TStringList L;
    L.SetSorted(true);
    L.SetDuplicates(dupError);
    Fill(L, {"a", "b"});
    ExpectRaises<EStringListError>([&] { L.Add("A"); }, "String list does not allow duplicates");
    EXPECT_EQ(L.Count(), 2);
}

TEST(TStringList, UnsortedListAcceptsDuplicatesWhateverTheMode)
{
    TStringList L;
    L.SetDuplicates(dupError);
    Fill(L, {"a", "a"});
    EXPECT_EQ(L.Count(), 2);
}

TEST(TStringList, CaseSensitiveChangeResortsASortedList)
{
    TStringList L;
    L.SetDuplicates(dupAccept);
    L.SetSorted(true);
    Fill(L, {"b", "A", "a", "B"});
    L.SetCaseSensitive(true);
    int Index = -1;
    // Find must work in the new order, so the list was sorted again.
    for (const char* S : {"a", "A", "b", "B"}) {
        SCOPED_TRACE(S);
        EXPECT_TRUE(L.Find(S, Index));
        EXPECT_EQ(L.Strings(Index), S);
    }
    EXPECT_EQ(L.IndexOf("c"), -1);
}

TEST(TStringList, SortedListRefusesPositionalChanges)
{
    TStringList L;
    L.SetSorted(true);
    Fill(L, {"a", "b", "c"});
    const char* Text = "Operation not allowed on sorted string list";
    ExpectRaises<EStringListError>([&] { L.Insert(0, "z"); }, Text);
    ExpectRaises<EStringListError>([&] { L.SetStrings(0, "z"); }, Text);
    // Move is refused before the line is taken out, so nothing is lost.
    ExpectRaises<EStringListError>([&] { L.Move(0, 2); }, Text);
    EXPECT_EQ(Of(L), (Lines{"a", "b", "c"}));
}

TEST(TStringList, SortAndCustomSort)
{
    TStringList L;
    Fill(L, {"c", "a", "b"});
    L.Sort();
    EXPECT_EQ(Of(L), (Lines{"a", "b", "c"}));
    L.CustomSort(+[](TStringList* List, int I1, int I2) {
        return -AnsiCompareText(List->Strings(I1), List->Strings(I2));
    });
    EXPECT_EQ(Of(L), (Lines{"c", "b", "a"}));
    // A compare that never calls two lines equal, not even a line and
    // itself, keeps the sort within the list.
    Fill(L, {"e", "d", "c", "b", "a", "f", "g"});
    L.CustomSort(+[](TStringList*, int, int) { return -1; });
    EXPECT_EQ(L.Count(), 10);
    L.CustomSort(+[](TStringList*, int, int) { return 1; });
    EXPECT_EQ(L.Count(), 10);
}

// ---- editing ---------------------------------------------------------------

TEST(TStringList, ObjectsTravelWithTheirLines)
{
    TStringList L;
    TStringList Tag1;
    TStringList Tag2;
    L.AddObject("one", &Tag1);
    L.AddObject("two", &Tag2);
    L.Exchange(0, 1);
    EXPECT_EQ(L.Objects(0), &Tag2);
    L.Move(0, 1);
    EXPECT_EQ(L.Strings(1), "two");
    EXPECT_EQ(L.Objects(1), &Tag2);
    EXPECT_EQ(L.IndexOfObject(&Tag1), 0);
    L.InsertObject(0, "zero", &Tag2);
    EXPECT_EQ(L.IndexOfObject(&Tag2), 0);
    L.SetStrings(0, "nil");
    EXPECT_EQ(L.Objects(0), &Tag2);
}

struct IndexErrorRow {
    const char* What;
    void (*Act)(TStringList&);
    const char* Text;
};

const IndexErrorRow IndexErrors[] = {
    {"Strings", [](TStringList& L) { (void)L.Strings(2); }, "List index out of bounds (2)"},
    {"Objects", [](TStringList& L) { (void)L.Objects(-1); }, "List index out of bounds (-1)"},
    {"Delete", [](TStringList& L) { L.Delete(2); }, "List index out of bounds (2)"},
    {"Insert", [](TStringList& L) { L.Insert(3, "x"); }, "List index out of bounds (3)"},
    {"Exchange", [](TStringList& L) { L.Exchange(0, 9); }, "List index out of bounds (9)"},
    {"SetStrings", [](TStringList& L) { L.SetStrings(5, "x"); }, "List index out of bounds (5)"},
    // A capacity below the count would drop lines: refused.
    {"SetCapacity", [](TStringList& L) { L.SetCapacity(1); }, "List capacity out of bounds (1)"},
};

TEST(TStringList, IndexErrors)
{
    for (const IndexErrorRow& R : IndexErrors) {
        SCOPED_TRACE(R.What);
        TStringList L;
        Fill(L, {"a", "b"});
        ExpectRaises<EStringListError>([&] { R.Act(L); }, R.Text);
        EXPECT_EQ(Of(L), (Lines{"a", "b"}));
    }
}

// ---- names and values ------------------------------------------------------

TEST(TStrings, NamesAndValues)
{
    TStringList L;
    Fill(L, {"Width=640", "caption=Прайс=лист"_a.Std(), "plain", "=empty name"});
    EXPECT_EQ(L.Names(0), "Width");
    EXPECT_EQ(L.Names(2), "");  // no separator, no name
    EXPECT_EQ(L.Values("WIDTH"), "640");
    EXPECT_EQ(L.Values("Caption"), "Прайс=лист"_a);  // after the first '='
    EXPECT_EQ(L.Values("Height"), "");
    EXPECT_EQ(L.IndexOfName("caption"), 1);
    EXPECT_EQ(L.IndexOfName("plain"), -1);
    EXPECT_EQ(L.ValueFromIndex(1), "Прайс=лист"_a);
    EXPECT_EQ(L.ValueFromIndex(2), "");  // not "lain"
    EXPECT_EQ(L.ValueFromIndex(3), "empty name");

    L.SetValues("Width", "800");
    L.SetValues("Height", "600");
    EXPECT_EQ(L.Strings(0), "Width=800");
    EXPECT_EQ(L.Strings(4), "Height=600");
    L.SetValues("width", "");  // an empty value deletes the line
    EXPECT_EQ(L.IndexOfName("Width"), -1);
    L.SetValueFromIndex(0, "x");
    EXPECT_EQ(L.Strings(0), "caption=x");

    L.SetNameValueSeparator(':');
    L.Add("Key:Value");
    EXPECT_EQ(L.Values("key"), "Value");
}

// ---- texts -----------------------------------------------------------------

struct CommaRow {
    Lines In;
    const char* Text;
};

const CommaRow CommaOut[] = {
    {{"a", "b c", "d"}, "a,\"b c\",d"},      // a space needs quotes
    {{""}, "\"\""},                           // a single empty line is two quotes
    {{"a", ""}, "a,"},                        // other empty lines stay empty
    {{"a\"b"}, "\"a\"\"b\""},                 // inner quotes doubled
    {{"a,b"}, "\"a,b\""},                     // the delimiter
    {{"x\ty"}, "\"x\ty\""},                   // control characters
    {{"Цена"_a.Std()}, "Цена"_c},             // CP1251 letters need none
    {{}, ""},
};

TEST(TStrings, CommaTextQuotesWhatNeedsIt)
{
    for (const CommaRow& R : CommaOut) {
        SCOPED_TRACE(R.Text);
        TStringList L;
        Fill(L, R.In);
        EXPECT_EQ(L.CommaText(), R.Text);
    }
}

const CommaRow CommaIn[] = {
    {{"a", "b c", "d"}, "a,\"b c\",d"},
    {{"a", "b"}, "a b"},                 // spaces split outside quotes
    {{"a", "b"}, "  a ,  b  "},          // and are skipped around items
    {{"a", ""}, "a,"},                   // a delimiter at the very end
    {{"a"}, "a, "},                      // but not when blanks follow it
    {{"a", "", "b"}, "a,,b"},
    {{"a\"b"}, "\"a\"\"b\""},
    {{"open end"}, "\"open end"},        // a missing closing quote takes the rest
    {{}, ""},
};

TEST(TStrings, SetCommaTextSplitsAsTheRuntimeDid)
{
    for (const CommaRow& R : CommaIn) {
        SCOPED_TRACE(R.Text);
        TStringList L;
        L.Add("old");
        L.SetCommaText(R.Text);
        EXPECT_EQ(Of(L), R.In);
    }
}

TEST(TStrings, DelimitedTextUsesDelimiterAndQuoteChar)
{
    TStringList L;
    L.SetDelimiter(';');
    L.SetQuoteChar('\'');
    Fill(L, {"a b", "c;d", "e'f", "g,h"});
    EXPECT_EQ(L.DelimitedText(), "'a b';'c;d';'e''f';g,h");
    TStringList Back;
    Back.SetDelimiter(';');
    Back.SetQuoteChar('\'');
    Back.SetDelimitedText(L.DelimitedText());
    EXPECT_EQ(Of(Back), Of(L));
    // CommaText leaves the delimiter and quote as they were.
    EXPECT_EQ(L.CommaText(), "\"a b\",c;d,e'f,\"g,h\"");
    EXPECT_EQ(L.Delimiter(), ';');
    EXPECT_EQ(L.QuoteChar(), '\'');
}

struct TextRow {
    const char* What;
    std::string Text;
    Lines Out;
};

TEST(TStrings, TextAcceptsEveryLineEnd)
{
    const TextRow Rows[] = {
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"LF", "a\nb", {"a", "b"}},
        {"CR", "a\rb\r", {"a", "b"}},
        {"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"LF CR is two breaks", "a\n\rb", {"a", "", "b"}},
        {"blank lines kept", "a\r\n\r\n\r\nb", {"a", "", "", "b"}},
        {"one empty line", "\r\n", {""}},
        {"empty", "", {}},
    };
    for (const TextRow& R : Rows) {
        SCOPED_TRACE(R.What);
        TStringList L;
        L.SetText(AnsiString(R.Text));
        EXPECT_EQ(Of(L), R.Out);
    }
    TStringList L;
    Fill(L, {"a", "", "b"});
    EXPECT_EQ(L.Text(), "a\r\n\r\nb\r\n");
    // A zero byte stays in its line; the lines after it are kept.
    L.SetText(AnsiString(std::string("a\0b\r\nc\r\n", 8)));
    EXPECT_EQ(Of(L), (Lines{std::string("a\0b", 3), "c"}));
}

TEST(TStrings, FilesAreBytesWithCrLf)
{
    const TempDir Dir;
    const std::string Raw = "Цена=1,5\nАртикул\r\n\rend"_a.Std();
    WriteBytes(Dir.Path() / "in.txt", Raw);
    TStringList L;
    L.LoadFromFile(Dir.File("in.txt"));
    EXPECT_EQ(Of(L), (Lines{"Цена=1,5"_a.Std(), "Артикул"_a.Std(), "", "end"}));
    L.SaveToFile(Dir.File("out.txt"));
    EXPECT_EQ(ReadBytes(Dir.Path() / "out.txt"), "Цена=1,5\r\nАртикул\r\n\r\nend\r\n"_a.Std());
    ExpectRaises<EFOpenError>([&] { L.LoadFromFile(Dir.File("missing.txt")); },
                              "Cannot open file " + Dir.File("missing.txt"));
    EXPECT_EQ(L.Count(), 4);  // kept when the file cannot be read
}

TEST(TStrings, StreamsReadFromTheirPosition)
{
    TStringStream S("skip|one\r\ntwo");
    S.SetPosition(5);
    TStringList L;
    L.LoadFromStream(&S);
    EXPECT_EQ(Of(L), (Lines{"one", "two"}));
    TMemoryStream Out;
    L.SaveToStream(&Out);
    EXPECT_EQ(Out.Size(), 10);
}

/// Claims more bytes than a text can hold and has none.
class TBottomlessStream : public TStream {
public:
    int Read(void*, int) override { return 0; }
    int Write(const void*, int) override { return 0; }
    Int64 Seek(Int64, TSeekOrigin) override { return 0; }
    Int64 Size() override { return Int64(3) << 30; }
};

TEST(TStrings, StreamTooLargeForATextIsRefused)
{
    TStringList L;
    L.Add("kept");
    TBottomlessStream Huge;
    ExpectRaises<EOutOfMemory>([&] { L.LoadFromStream(&Huge); }, "Out of memory");
    EXPECT_EQ(Of(L), (Lines{"kept"}));
}

// ---- whole lists -----------------------------------------------------------

TEST(TStrings, AssignAddStringsAndEquals)
{
    TStringList A;
    A.SetDelimiter(';');
    Fill(A, {"x", "y"});
    TStringList B;
    B.Add("old");
    B.Assign(&A);
    EXPECT_EQ(Of(B), (Lines{"x", "y"}));
    EXPECT_EQ(B.Delimiter(), ';');
    EXPECT_TRUE(B.Equals(&A));
    B.AddStrings(&A);
    EXPECT_EQ(Of(B), (Lines{"x", "y", "x", "y"}));
    EXPECT_FALSE(B.Equals(&A));
    A.AddStrings(&A);  // a list added to itself doubles
    EXPECT_EQ(Of(A), (Lines{"x", "y", "x", "y"}));
    TStringList C;
    Fill(C, {"X", "y"});
    EXPECT_FALSE(C.Equals(&A));  // Equals is case-sensitive
    TPersistent NotAList;
    ExpectRaises<EConvertError>([&] { B.Assign(&NotAList); },
                                "Cannot assign a TPersistent to a TStringList");
}

class ChangeCounter : public TObject {
public:
    void Changing(TObject*) { Log += "<"; }
    void Changed(TObject*) { Log += ">"; }
    std::string Log;
};

TEST(TStringList, ChangeEventsAreHeldBackDuringUpdate)
{
    ChangeCounter Counter;
    TStringList L;
    L.OnChanging = TNotifyEvent(&Counter, &ChangeCounter::Changing);
    L.OnChange = TNotifyEvent(&Counter, &ChangeCounter::Changed);
    L.Add("a");
    EXPECT_EQ(Counter.Log, "<>");
    Counter.Log.clear();
    L.BeginUpdate();
    L.BeginUpdate();
    L.Add("b");
    L.Delete(0);
    L.EndUpdate();
    EXPECT_EQ(Counter.Log, "<");
    L.EndUpdate();
    EXPECT_EQ(Counter.Log, "<>");
    Counter.Log.clear();
    L.SetText("x\r\ny");  // one pair for the whole text
    EXPECT_EQ(Counter.Log, "<>");
}

}  // namespace
