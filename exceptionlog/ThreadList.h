#pragma once

// The threads the exception log tracks (filled by its thread hooks), and
// the threads whose exceptions it leaves alone. Both lists may be used
// from any thread: the thread list under a many-readers, one-writer lock,
// the excluded list under a lock of its own.

#include "platform/rtl/AnsiString.h"

#include <sys/types.h>

#include <pthread.h>

#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <vector>

class TObject;

/// One tracked thread.
struct ThreadRecord {
    /// The kernel's thread id.
    pid_t ThreadID = 0;
    pthread_t Handle{};
    /// The class-library thread object, when the thread has one (not owned).
    TObject* ThreadObject = nullptr;
    /// Start routine and parameter as the thread was created with them.
    void* StartRoutine = nullptr;
    void* Parameter = nullptr;
    AnsiString ClassName;
};

class TRazuroThreadsList {
public:
    TRazuroThreadsList() = default;
    TRazuroThreadsList(const TRazuroThreadsList&) = delete;
    TRazuroThreadsList& operator=(const TRazuroThreadsList&) = delete;

    /// Adds a record (a thread id already listed has its record replaced).
    void Add(const ThreadRecord& Record);
    /// Index of the thread, or -1.
    [[nodiscard]] int FindByID(pid_t ThreadID) const;
    [[nodiscard]] int FindByObject(const TObject* ThreadObject) const;
    /// A copy of record Index; raises EListError outside the list.
    [[nodiscard]] ThreadRecord Get(int Index) const;
    [[nodiscard]] int Count() const;
    void Delete(int Index);
    /// Drops the records of threads that have ended.
    void RemoveDeadThreads();
    /// Drops the calling thread's record (a thread about to end).
    void RemoveCurrentThread();
    /// A snapshot of every record.
    [[nodiscard]] std::vector<ThreadRecord> CopyThreads() const;

private:
    mutable std::shared_mutex FLock;
    std::vector<ThreadRecord> FItems;
};

/// Whether the thread still runs (signal 0 reaches it).
[[nodiscard]] bool ThreadIsRunning(pid_t ThreadID);
/// The calling thread's kernel id.
[[nodiscard]] pid_t CurrentThreadID();

/// Threads whose exceptions are not reported.
class ExcludedThreads {
public:
    void Add(pid_t ThreadID);
    void Remove(pid_t ThreadID);
    [[nodiscard]] bool Contains(pid_t ThreadID) const;

private:
    mutable std::mutex FLock;
    std::vector<pid_t> FIds;
};
