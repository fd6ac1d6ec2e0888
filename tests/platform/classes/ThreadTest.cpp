#include "platform/classes/Thread.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

/// Counts until terminated, then returns the count.
class TCounter : public TThread {
public:
    ~TCounter() override
    {
        Terminate();
        WaitFor();
    }
    std::atomic<int> Count {0};

protected:
    void Execute() override
    {
        while (!Terminated()) {
            ++Count;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        SetReturnValue(42);
    }
};

class TFailing : public TThread {
protected:
    void Execute() override { throw EConvertError("bad"); }
};

/// Frees itself and reports it.
class TSelfFreeing : public TThread {
public:
    explicit TSelfFreeing(std::atomic<bool>* Freed) : FFreed(Freed) {}
    ~TSelfFreeing() override { *FFreed = true; }

protected:
    void Execute() override {}

private:
    std::atomic<bool>* FFreed;
};

TEST(TThread, RunsOnlyAfterResumeAndStopsOnTerminate)
{
    TCounter T;
    EXPECT_TRUE(T.Suspended());
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(T.Count, 0);
    T.Resume();
    T.Resume();  // once only
    while (T.Count == 0)
        std::this_thread::yield();
    T.Terminate();
    EXPECT_EQ(T.WaitFor(), 42);
    EXPECT_TRUE(T.Finished());
    EXPECT_EQ(T.FatalException(), nullptr);
}

TEST(TThread, ExceptionInExecuteIsKept)
{
    TFailing T;
    T.Resume();
    T.WaitFor();
    ASSERT_NE(T.FatalException(), nullptr);
    try {
        std::rethrow_exception(T.FatalException());
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message, "bad");
    }
}

TEST(TThread, NeverStartedThreadIsFreedAtOnce)
{
    auto* T = new TCounter;
    EXPECT_EQ(T->WaitFor(), 0);
    delete T;
}

TEST(TThread, FreeOnTerminateFreesTheThread)
{
    std::atomic<bool> Freed {false};
    auto* T = new TSelfFreeing(&Freed);
    T->SetFreeOnTerminate(true);
    T->Resume();
    for (int I = 0; I < 5000 && !Freed; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(Freed);
}

}  // namespace
