#include "app/StateSnapshot.h"

#include "app/Globals.h"
#include "app/MainInvoice.h"
#include "common/base/Funcs.h"
#include "platform/classes/Streams.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Timers.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

// Copies are taken at most this often; a change in between is copied by a
// timer that wakes the loop once the interval has passed.
constexpr auto MinInterval = std::chrono::milliseconds(100);

struct Snapshot {
    std::mutex Lock;
    std::unique_ptr<std::string> Bytes;  // null: nothing to write
};

Snapshot& Kept()
{
    // Never destroyed: a failure may come while static objects go away.
    static auto* S = new Snapshot();
    return *S;
}

class SnapshotTaker : public TObject {
public:
    // The first copy waits the interval as well: until then the invoice is
    // the one just restored from the state file (or none), which the file
    // already holds, and the loop's first turns paint the main window.
    SnapshotTaker() : FTimer(std::make_unique<TTimer>(nullptr)), FLast(std::chrono::steady_clock::now())
    {
        FTimer->SetEnabled(false);
        FTimer->SetInterval(Cardinal(MinInterval.count()));
        FTimer->OnTimer = TNotifyEvent(this, &SnapshotTaker::Wake);
        Application->OnIdle = TIdleEvent(this, &SnapshotTaker::Idle);
    }
    ~SnapshotTaker() override { Application->OnIdle = nullptr; }

private:
    void Idle(TObject*, bool&)
    {
        const auto Now = std::chrono::steady_clock::now();
        if (Now - FLast < MinInterval) {
            FTimer->SetEnabled(true);
            return;
        }
        FLast = Now;
        Take();
    }

    void Wake(TObject*) { FTimer->SetEnabled(false); }

    static void Take()
    {
        if (!FormMain || !FormMain->Invoice)
            return;
        auto Bytes = std::make_unique<std::string>();
        if (!FormMain->InvoiceStateBytes(*Bytes))
            Bytes.reset();
        Snapshot& S = Kept();
        const std::lock_guard<std::mutex> Guard(S.Lock);
        S.Bytes.swap(Bytes);
    }

    std::unique_ptr<TTimer> FTimer;
    std::chrono::steady_clock::time_point FLast;
};

std::unique_ptr<SnapshotTaker> gTaker;

}  // namespace

void StartStateSnapshots()
{
    gTaker = std::make_unique<SnapshotTaker>();
}

void StopStateSnapshots()
{
    gTaker.reset();
}

void SaveStateAfterFailure()
{
    Snapshot& S = Kept();
    // The main thread holds the lock only to swap a pointer; when it failed
    // right then, the copy is left alone.
    std::unique_lock<std::mutex> Guard(S.Lock, std::defer_lock);
    for (int Try = 0; Try < 100 && !Guard.try_lock(); ++Try)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (Guard.owns_lock() && S.Bytes) {
        const std::string& Bytes = *S.Bytes;
        SaveDataFile(LastInvoiceFileName(), [&Bytes](TStream& Stream) {
            Stream.WriteBuffer(Bytes.data(), int(Bytes.size()));
        });
    }
    // The configuration belongs to the main thread; another thread's
    // failure leaves it to the main thread, which may still be using it.
    if (gCanSaveSettings && syscall(SYS_gettid) == getpid())
        SaveCfgSection();
}
