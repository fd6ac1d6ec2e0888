#include "exceptionlog/ThreadList.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

TEST(ThreadList, TracksThreadsUntilTheyEnd)
{
    TRazuroThreadsList List;
    List.Add({CurrentThreadID(), pthread_self(), nullptr, nullptr, nullptr, "Main"});

    std::mutex M;
    std::condition_variable Cv;
    bool Release = false;
    std::atomic<pid_t> Worker{0};
    std::thread T([&] {
        Worker = CurrentThreadID();
        List.Add({Worker, pthread_self(), nullptr, nullptr, nullptr, "TWorker"});
        std::unique_lock Lock(M);
        Cv.wait(Lock, [&] { return Release; });
    });
    while (List.Count() < 2)
        std::this_thread::yield();
    List.RemoveDeadThreads();
    ASSERT_EQ(List.Count(), 2);
    EXPECT_EQ(List.Get(List.FindByID(Worker)).ClassName, "TWorker");
    EXPECT_TRUE(ThreadIsRunning(Worker));
    {
        const std::lock_guard Lock(M);
        Release = true;
    }
    Cv.notify_all();
    T.join();
    // The kernel may take a moment to let go of the ended thread's id.
    for (int I = 0; I < 1000 && ThreadIsRunning(Worker); ++I)
        std::this_thread::yield();
    List.RemoveDeadThreads();
    EXPECT_EQ(List.Count(), 1);
    EXPECT_EQ(List.FindByID(Worker), -1);
    List.RemoveCurrentThread();
    EXPECT_EQ(List.Count(), 0);
    ExpectRaises<EListError>([&] { (void)List.Get(0); }, "List index out of bounds (0)");
}

TEST(ThreadList, ManyThreadsAddAndReadAtOnce)
{
    // Ids above the kernel's largest (2^22) belong to no thread at all.
    constexpr pid_t Base = 1 << 24;
    TRazuroThreadsList List;
    std::vector<std::thread> Threads;
    for (int I = 0; I < 8; ++I)
        Threads.emplace_back([&List, I] {
            for (int J = 0; J < 200; ++J) {
                const pid_t Id = Base + pid_t(1000 * I + J);
                List.Add({Id, pthread_self(), nullptr, nullptr, nullptr, ""});
                (void)List.CopyThreads();
                (void)List.FindByID(Base + pid_t(1000 * I));
            }
        });
    for (std::thread& T : Threads)
        T.join();
    EXPECT_EQ(List.Count(), 1600);
    List.RemoveDeadThreads();
    EXPECT_EQ(List.Count(), 0);
}

TEST(ThreadList, ExcludedThreads)
{
    ExcludedThreads X;
    X.Add(5);
    X.Add(5);
    EXPECT_TRUE(X.Contains(5));
    X.Remove(5);
    EXPECT_FALSE(X.Contains(5));
}
