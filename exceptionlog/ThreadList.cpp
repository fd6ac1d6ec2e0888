#include "exceptionlog/ThreadList.h"

#include "platform/rtl/Exceptions.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

const char SListIndexError[] = "List index out of bounds (%d)";

}  // namespace

pid_t CurrentThreadID()
{
    return pid_t(syscall(SYS_gettid));
}

bool ThreadIsRunning(pid_t ThreadID)
{
    return ThreadID > 0 && syscall(SYS_tgkill, getpid(), ThreadID, 0) == 0;
}

void TRazuroThreadsList::Add(const ThreadRecord& Record)
{
    const std::unique_lock Lock(FLock);
    for (ThreadRecord& R : FItems)
        if (R.ThreadID == Record.ThreadID) {
            R = Record;
            return;
        }
    FItems.push_back(Record);
}

int TRazuroThreadsList::FindByID(pid_t ThreadID) const
{
    const std::shared_lock Lock(FLock);
    for (size_t I = 0; I < FItems.size(); ++I)
        if (FItems[I].ThreadID == ThreadID)
            return int(I);
    return -1;
}

int TRazuroThreadsList::FindByObject(const TObject* ThreadObject) const
{
    const std::shared_lock Lock(FLock);
    for (size_t I = 0; I < FItems.size(); ++I)
        if (ThreadObject && FItems[I].ThreadObject == ThreadObject)
            return int(I);
    return -1;
}

ThreadRecord TRazuroThreadsList::Get(int Index) const
{
    const std::shared_lock Lock(FLock);
    if (Index < 0 || size_t(Index) >= FItems.size()) {
        char Buf[64];
        std::snprintf(Buf, sizeof Buf, SListIndexError, Index);
        throw EListError(Buf);
    }
    return FItems[size_t(Index)];
}

int TRazuroThreadsList::Count() const
{
    const std::shared_lock Lock(FLock);
    return int(FItems.size());
}

void TRazuroThreadsList::Delete(int Index)
{
    const std::unique_lock Lock(FLock);
    if (Index >= 0 && size_t(Index) < FItems.size())
        FItems.erase(FItems.begin() + Index);
}

void TRazuroThreadsList::RemoveDeadThreads()
{
    const std::unique_lock Lock(FLock);
    std::erase_if(FItems, [](const ThreadRecord& R) { return !ThreadIsRunning(R.ThreadID); });
}

void TRazuroThreadsList::RemoveCurrentThread()
{
    const pid_t Me = CurrentThreadID();
    const std::unique_lock Lock(FLock);
    std::erase_if(FItems, [Me](const ThreadRecord& R) { return R.ThreadID == Me; });
}

std::vector<ThreadRecord> TRazuroThreadsList::CopyThreads() const
{
    const std::shared_lock Lock(FLock);
    return FItems;
}

void ExcludedThreads::Add(pid_t ThreadID)
{
    const std::lock_guard Lock(FLock);
    if (std::find(FIds.begin(), FIds.end(), ThreadID) == FIds.end())
        FIds.push_back(ThreadID);
}

void ExcludedThreads::Remove(pid_t ThreadID)
{
    const std::lock_guard Lock(FLock);
    std::erase(FIds, ThreadID);
}

bool ExcludedThreads::Contains(pid_t ThreadID) const
{
    const std::lock_guard Lock(FLock);
    return std::find(FIds.begin(), FIds.end(), ThreadID) != FIds.end();
}
