#include "common/components/YLDCompn.h"

#include "tests/support/ComponentStreams.h"

#include <gtest/gtest.h>

#include <vector>

using namespace component_streams;

namespace {

struct Counter {
    int Changes = 0;
    void Changed(TObject*) { ++Changes; }
};

} // namespace

TEST(StrHolder, XorLine)
{
    struct Case {
        const char* Line;
        const char* Key;
        Bytes Expected;
    };
    const Case Cases[] = {
        {"abc", "", {'a', 'b', 'c'}},                     // empty key: unchanged
        {"", "k", {}},                                     // empty line: unchanged
        {"abc", "\x01\x02", {'a' ^ 1, 'b' ^ 2, 'c' ^ 1}},  // key bytes repeat
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Line);
        const AnsiString R = StrHolderXorLine(C.Line, C.Key);
        EXPECT_EQ(Bytes(R.c_str(), R.c_str() + R.Length()), C.Expected);
        EXPECT_EQ(StrHolderXorLine(R, C.Key), C.Line);
    }
}

// "StrData" holds the key, then each line combined with it; read back, the
// holder has its lines and key again.
TEST(StrHolder, StrDataStreamsLinesUnderKey)
{
    Tyl_StrHolder Holder(nullptr);
    Holder.SetName("Names");
    Holder.SetKeyString("\x01\x02");
    Holder.Strings()->Add("ab");
    EXPECT_EQ(Write(&Holder),
              Concat({Signature(), Short("Tyl_StrHolder"), Short("Names"),
                      Short("KeyString"), {vaString, 2, 1, 2},
                      Short("StrData"),
                      {vaList, vaString, 2, 1, 2, vaString, 2, 'a' ^ 1, 'b' ^ 2, vaNull},
                      {vaNull, vaNull}}));

    Tyl_StrHolder Copy(nullptr);
    Counter C;
    Copy.OnChange = TNotifyEvent(&C, &Counter::Changed);
    Read(Write(&Holder), &Copy);
    EXPECT_EQ(Copy.KeyString(), "\x01\x02");
    ASSERT_EQ(Copy.Strings()->Count(), 1);
    EXPECT_EQ(Copy.Strings()->Strings(0), "ab");
    // Reading fires no change events; an edit afterwards does.
    EXPECT_EQ(C.Changes, 0);
    Copy.Strings()->Add("x");
    EXPECT_EQ(C.Changes, 1);
}

TEST(StrHolder, EmptyStrDataKeepsKeyAndClearsLines)
{
    Tyl_StrHolder Holder(nullptr);
    Holder.SetKeyString("k");
    Holder.Strings()->Add("old");
    Read(Concat({Signature(), Short("Tyl_StrHolder"), Short(""),
                 Short("StrData"), {vaList, vaNull}, {vaNull, vaNull}}),
         &Holder);
    EXPECT_EQ(Holder.KeyString(), "k");
    EXPECT_EQ(Holder.Strings()->Count(), 0);
}

TEST(StrHolder, AssignCopiesLinesKeepsKey)
{
    Tyl_StrHolder Source(nullptr);
    Source.SetKeyString("a");
    Source.Strings()->Add("one");
    Tyl_StrHolder Target(nullptr);
    Target.SetKeyString("b");
    Target.Assign(&Source);
    EXPECT_EQ(Target.KeyString(), "b");
    ASSERT_EQ(Target.Strings()->Count(), 1);
    EXPECT_EQ(Target.Strings()->Strings(0), "one");

    TStringList Lines;
    Lines.Assign(&Target);
    EXPECT_EQ(Lines.Text(), "one\r\n");
}
