// The BeginUpdate/EndUpdate guard: closed on every exit, and which error
// the caller sees when closing fails.

#include "platform/classes/UpdateScope.h"

#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A target whose EndUpdate fails on request.
struct Target {
    int Count = 0;
    bool FailOnEnd = false;
    void BeginUpdate() { ++Count; }
    void EndUpdate()
    {
        --Count;
        if (FailOnEnd)
            throw std::runtime_error("end");
    }
};

}  // namespace

TEST(UpdateScope, ClosesOnEveryExit)
{
    TStringList List;
    try {
        const UpdateScope<TStrings> Update(&List);
        EXPECT_EQ(List.UpdateCount(), 1);
        throw EAbort("");
    } catch (const EAbort&) {
    }
    EXPECT_EQ(List.UpdateCount(), 0);
}

TEST(UpdateScope, AFailedCloseReachesTheCallerUnlessAnErrorIsLeavingAlready)
{
    Target T;
    T.FailOnEnd = true;
    EXPECT_THROW({ const UpdateScope<Target> Update(T); }, std::runtime_error);
    EXPECT_EQ(T.Count, 0);
    try {
        const UpdateScope<Target> Update(T);
        throw std::logic_error("first");
    } catch (const std::logic_error& E) {
        EXPECT_STREQ(E.what(), "first");
    }
    EXPECT_EQ(T.Count, 0);
}
