#include "platform/classes/Filer.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StrUtils.h"

#include "tests/platform/classes/FilerModel.h"
#include "tests/support/ComponentStreams.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

using namespace component_streams;
using namespace filer_model;

namespace {

Bytes Written(const std::function<void(TWriter&)>& Fn)
{
    TMemoryStream S;
    TWriter W(&S);
    Fn(W);
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return Bytes(P, P + S.Size());
}

class FilerTest : public ::testing::Test {
protected:
    void SetUp() override { Register(); }
};

struct ValueCase {
    const char* What;
    std::function<void(TWriter&)> Write;
    Bytes Expected;
};

} // namespace

// Each value type's bytes, assembled by hand.
TEST_F(FilerTest, ValueBytes)
{
    const ValueCase Cases[] = {
        {"int8", [](TWriter& W) { W.WriteInteger(-5); }, {vaInt8, 0xFB}},
        {"int16", [](TWriter& W) { W.WriteInteger(300); }, {vaInt16, 0x2C, 0x01}},
        {"int32", [](TWriter& W) { W.WriteInteger(70000); }, {vaInt32, 0x70, 0x11, 0x01, 0x00}},
        {"int64", [](TWriter& W) { W.WriteInteger(Int64(1) << 40); },
         {vaInt64, 0, 0, 0, 0, 0, 1, 0, 0}},
        {"booleans", [](TWriter& W) { W.WriteBoolean(true); W.WriteBoolean(false); },
         {vaTrue, vaFalse}},
        {"short string", [](TWriter& W) { W.WriteString("ab"); }, {vaString, 2, 'a', 'b'}},
        {"ident", [](TWriter& W) { W.WriteIdent("alTop"); },
         Concat({{vaIdent}, Short("alTop")})},
        {"special idents", [](TWriter& W) {
             W.WriteIdent("nil"); W.WriteIdent("True"); W.WriteIdent("Null"); },
         {vaNil, vaTrue, vaNull}},
        // 1.0 as an extended real: mantissa 0x8000000000000000, exponent 0x3FFF.
        {"extended 1.0", [](TWriter& W) { W.WriteFloat(1.0); },
         {vaExtended, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
        {"extended -2.5", [](TWriter& W) { W.WriteFloat(-2.5); },
         {vaExtended, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}},
        {"currency", [](TWriter& W) { W.WriteCurrency(Currency(1)); },
         {vaCurrency, 0x10, 0x27, 0, 0, 0, 0, 0, 0}},
        {"list", [](TWriter& W) { W.WriteListBegin(); W.WriteListEnd(); }, {vaList, vaNull}},
        {"signature", [](TWriter& W) { W.WriteSignature(); }, Signature()},
    };
    for (const ValueCase& C : Cases) {
        SCOPED_TRACE(C.What);
        EXPECT_EQ(Written(C.Write), C.Expected);
    }
    // A string past 255 bytes is a long string with a four-byte length.
    const Bytes Long = Written([](TWriter& W) { W.WriteString(StringOfChar('x', 300)); });
    ASSERT_EQ(Long.size(), 1u + 4 + 300);
    EXPECT_EQ(Long[0], vaLString);
    EXPECT_EQ(Long[1] | (Long[2] << 8), 300);
}

// A component at its defaults writes only its class and name; changed
// values follow in declaration order, then defined properties, then the
// children.
TEST_F(FilerTest, ComponentBytes)
{
    TSample Root(nullptr);
    Root.SetName("Form1");
    EXPECT_EQ(Write(&Root), Concat({Signature(), Short("TSample"), Short("Form1"),
                                    // Font.Face differs from the empty default
                                    Short("Font.Face"), {vaString, 5}, Bytes{'A', 'r', 'i', 'a', 'l'},
                                    {vaNull, vaNull}}));
    Root.FFont->FFace = "";
    Root.FCount = 3;
    Root.FTones = {toBold, toFaint};
    Root.FLines->Add("x");
    Root.FBlob = {1, 2};
    auto* Child = new TSample(&Root);
    Child->SetName("Child");
    Child->FFont->FFace = "";
    EXPECT_EQ(Write(&Root),
              Concat({Signature(), Short("TSample"), Short("Form1"),
                      Short("Count"), {vaInt8, 3},
                      Short("Tones"), {vaSet}, Short("toBold"), Short("toFaint"), {0},
                      Short("Lines.Strings"), {vaList, vaString, 1, 'x', vaNull},
                      Short("Blob"), {vaBinary, 2, 0, 0, 0, 1, 2},
                      {vaNull},
                      Short("TSample"), Short("Child"), {vaNull, vaNull},
                      {vaNull}}));
}

TEST_F(FilerTest, RoundTripKeepsEveryKind)
{
    TSample Source(nullptr);
    Source.SetName("Form1");
    Source.FCount = -100000;
    Source.FActive = true;
    Source.FTone = toFaint;
    Source.FTones = {toPlain, toBold};
    Source.FLetter = '\xC0';
    Source.FBig = -(Int64(1) << 50);
    Source.FRatio = 3.14159265358979;
    Source.FShort = 0.5f;
    Source.FPrice = Currency::FromRaw(123456789);
    Source.FStamp = TDateTime(45000.25);
    Source.FCaption = StringOfChar('\xE9', 1000);
    Source.FFont->FSize = 14;
    Source.FFont->FFace = "Times New Roman";
    auto* Item = static_cast<TSampleItem*>(Source.FItems->Add());
    Item->FCaption = "first";
    static_cast<TSampleItem*>(Source.FItems->Add())->FWidth = 7;
    Source.FLines->Add("one");
    Source.FLines->Add("");
    Source.FBlob = {0, 255, 7};
    auto* Child = new TSample(&Source);
    Child->SetName("Buddy");
    Child->FCount = 9;
    Source.FBuddy = Child;

    TSample Target(nullptr);
    Read(Write(&Source), &Target);
    EXPECT_EQ(Target.Name(), "Form1");
    EXPECT_EQ(Target.FCount, -100000);
    EXPECT_TRUE(Target.FActive);
    EXPECT_EQ(Target.FTone, toFaint);
    EXPECT_EQ(Target.FTones.Bits(), Source.FTones.Bits());
    EXPECT_EQ(Target.FLetter, '\xC0');
    EXPECT_EQ(Target.FBig, Source.FBig);
    EXPECT_EQ(Target.FRatio, Source.FRatio);
    EXPECT_EQ(Target.FShort, 0.5f);
    EXPECT_EQ(Target.FPrice.Raw(), 123456789);
    EXPECT_EQ(static_cast<double>(Target.FStamp), 45000.25);
    EXPECT_EQ(Target.FCaption, Source.FCaption);
    EXPECT_EQ(Target.FFont->FSize, 14);
    EXPECT_EQ(Target.FFont->FFace, "Times New Roman");
    ASSERT_EQ(Target.FItems->Count(), 2);
    EXPECT_EQ(static_cast<TSampleItem*>(Target.FItems->Items(0))->FCaption, "first");
    EXPECT_EQ(static_cast<TSampleItem*>(Target.FItems->Items(1))->FWidth, 7);
    ASSERT_EQ(Target.FLines->Count(), 2);
    EXPECT_EQ(Target.FLines->Strings(0), "one");
    EXPECT_EQ(Target.FBlob, Source.FBlob);
    ASSERT_EQ(Target.ComponentCount(), 1);
    auto* ReadChild = static_cast<TSample*>(Target.Components(0));
    EXPECT_EQ(ReadChild->Name(), "Buddy");
    EXPECT_EQ(ReadChild->FCount, 9);
    EXPECT_EQ(Target.FBuddy, ReadChild);
    // Loaded runs once on each component, after the whole stream is read.
    EXPECT_EQ(Target.FLoadedCount, 1);
    EXPECT_EQ(ReadChild->FLoadedCount, 1);
    EXPECT_FALSE(Target.ComponentState().Contains(csReading));
    EXPECT_FALSE(Target.ComponentState().Contains(csLoading));
    // And the bytes are stable: read and written again, the same stream.
    EXPECT_EQ(Write(&Target), Write(&Source));
}

// Against an ancestor only the differences are written, also where the
// value equals the plain default.
TEST_F(FilerTest, DescendentWritesOnlyDifferences)
{
    TSample Ancestor(nullptr);
    Ancestor.SetName("Form1");
    Ancestor.FCount = 5;
    Ancestor.FLines->Add("same");
    TSample Root(nullptr);
    Root.SetName("Form1");
    Root.FCount = 0;
    Root.FLines->Add("same");
    EXPECT_EQ(Write(&Root, &Ancestor),
              Concat({Signature(), {0xF1}, Short("TSample"), Short("Form1"),
                      Short("Count"), {vaInt8, 0}, {vaNull, vaNull}}));
}

TEST_F(FilerTest, UnknownPropertyNamesComponentAndProperty)
{
    const Bytes Stream = Concat({Signature(), Short("TSample"), Short("Form1"),
                                 Short("Colour"), {vaInt8, 1}, Short("Count"), {vaInt8, 4},
                                 {vaNull, vaNull}});
    TSample Root(nullptr);
    ExpectRaises<EReadError>([&] { Read(Stream, &Root); },
                             "Error reading Form1.Colour: Property Colour does not exist");

    // A handler that accepts the error skips the value and reads on.
    struct Skipper {
        AnsiString Seen;
        void OnError(TReader*, const AnsiString& Message, bool& Handled)
        {
            Seen = Message;
            Handled = true;
        }
    } S;
    TSample Again(nullptr);
    MemoryBlockStream M(Stream.data(), Stream.size());
    TReader R(&M);
    R.OnError = TReaderError(&S, &Skipper::OnError);
    R.ReadRootComponent(&Again);
    EXPECT_EQ(S.Seen, "Property Colour does not exist");
    EXPECT_EQ(Again.FCount, 4);
}

// A failed read frees the children it created and leaves none behind.
TEST_F(FilerTest, FailedReadFreesNewChildren)
{
    TSample Source(nullptr);
    Source.SetName("Form1");
    (new TSample(&Source))->SetName("A");
    (new TSample(&Source))->SetName("B");
    Bytes Stream = Write(&Source);
    Stream.resize(Stream.size() - 3); // cut inside the second child
    TSample Target(nullptr);
    ExpectRaises<EReadError>([&] { Read(Stream, &Target); }, "Stream read error");
    EXPECT_EQ(Target.ComponentCount(), 0);
    EXPECT_FALSE(Target.ComponentState().Contains(csLoading));
}

// Every damaged stream in the broken folder raises its own error.
TEST_F(FilerTest, BrokenStreams)
{
    const std::map<std::string, const char*> Expected = {
        {"bad-signature.bin", "Invalid stream format"},
        {"empty.bin", "Invalid stream format"},
        {"wrong-root-class.bin", "Invalid stream format"},
        {"unknown-child-class.bin", "Class TNoSuchThing not found"},
        {"long-string-past-end.bin", "Error reading Form1.Caption: Stream read error"},
        {"negative-long-string.bin", "Error reading Form1.Caption: Stream read error"},
        {"binary-size-past-end.bin", "Error reading Form1.Blob: Stream read error"},
        {"value-type-out-of-range.bin", "Error reading Form1.Count: Invalid stream format"},
        {"integer-for-string.bin", "Error reading Form1.Caption: Invalid property value"},
        {"unknown-enum-name.bin", "Error reading Form1.Tone: Invalid property value"},
        {"unknown-set-member.bin", "Error reading Form1.Tones: Invalid property value"},
        {"children-nested-too-deep.bin", "Invalid stream format"},
        {"cut-after-name.bin", "Stream read error"},
        {"bad-property-path.bin", "Error reading Form1.Caption.Size: Invalid property path"},
        {"unknown-buddy.bin", "Error reading Form1.Buddy: Invalid property value"},
    };
    const std::filesystem::path Dir = std::filesystem::path(PRICETAGS_TEST_DATA) / "Filer/broken";
    int Seen = 0;
    for (const auto& Entry : std::filesystem::directory_iterator(Dir)) {
        const std::string Name = Entry.path().filename().string();
        SCOPED_TRACE(Name);
        const auto It = Expected.find(Name);
        if (It == Expected.end()) {
            ADD_FAILURE() << "no expected error for " << Name;
            continue;
        }
        std::ifstream In(Entry.path(), std::ios::binary);
        const Bytes Data((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
        TSample Root(nullptr);
        ExpectRaises<EFilerError>([&] { Read(Data, &Root); }, It->second);
        EXPECT_EQ(Root.ComponentCount(), 0);
        ++Seen;
    }
    EXPECT_EQ(Seen, static_cast<int>(Expected.size()));
}

// Skipping refuses lists nested past a fixed depth instead of recursing on.
TEST_F(FilerTest, SkipValueBoundsNesting)
{
    Bytes Deep(300, vaList);
    Deep.insert(Deep.end(), 300, vaNull);
    MemoryBlockStream M(Deep.data(), Deep.size());
    TReader R(&M);
    ExpectRaises<EReadError>([&] { R.SkipValue(); }, "Invalid stream format");
}

// A stream assembled by hand (seeds/every-kind.bin, from make-seeds.py)
// reads into the values it spells out, a forward reference included.
TEST_F(FilerTest, ReadsHandAssembledStream)
{
    std::ifstream In(std::filesystem::path(PRICETAGS_TEST_DATA) / "Filer/seeds/every-kind.bin",
                     std::ios::binary);
    const Bytes Data((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    TSample Root(nullptr);
    Read(Data, &Root);
    EXPECT_EQ(Root.FCount, -100000);
    EXPECT_TRUE(Root.FActive);
    EXPECT_EQ(Root.FTone, toFaint);
    EXPECT_EQ(Root.FTones.Bits(), 3u);
    EXPECT_EQ(Root.FLetter, '\xC0');
    EXPECT_EQ(Root.FBig, -(Int64(1) << 50));
    EXPECT_EQ(Root.FRatio, 1.0);
    EXPECT_EQ(Root.FPrice.Raw(), 123456789);
    EXPECT_EQ(Root.FCaption, "Цна"_a);
    EXPECT_EQ(Root.FFont->FSize, 14);
    ASSERT_EQ(Root.FItems->Count(), 1);
    EXPECT_EQ(Root.FLines->Count(), 2);
    EXPECT_EQ(Root.FBlob, (Bytes{1, 2}));
    ASSERT_EQ(Root.ComponentCount(), 1);
    EXPECT_EQ(Root.FBuddy, Root.Components(0));
    EXPECT_EQ(static_cast<TSample*>(Root.FBuddy)->FCount, 9);
}
