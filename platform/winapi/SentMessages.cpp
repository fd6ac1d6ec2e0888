// Messages sent to a window from another thread. Windows belong to the
// thread that runs the event loop; a sender on another thread hands its
// message over and waits until the window's thread has run the handler,
// so handlers never run on a worker thread. The window's thread runs
// handed-over messages from its event loop, from PeekMessage and while it
// waits for a thread (TThread::WaitFor), so waiting for a worker that
// sends never deadlocks.

#include "platform/winapi/WindowPrivate.h"

#include "platform/classes/Thread.h"

#include <QCoreApplication>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

/// A message a thread waits on. It lives on the sender's stack until Done.
struct SentMessage {
    HWND Wnd = nullptr;
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
    bool Done = false;
};

std::mutex gSentLock;
std::condition_variable gSentDone;
std::deque<SentMessage*> gSent;
/// No window thread is there to answer (before start-up, after shut-down).
bool gSentClosed = false;

}  // namespace

bool OnWindowThread()
{
    QCoreApplication* App = QCoreApplication::instance();
    return !App || QThread::currentThread() == App->thread();
}

LRESULT SendFromOtherThread(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    SentMessage M;
    M.Wnd = Wnd;
    M.Msg = Msg;
    M.WParam = WParam;
    M.LParam = LParam;
    {
        std::lock_guard<std::mutex> Lock(gSentLock);
        QCoreApplication* App = QCoreApplication::instance();
        if (gSentClosed || !App)
            return 0;
        gSent.push_back(&M);
        QMetaObject::invokeMethod(App, [] { DispatchSentMessages(); }, Qt::QueuedConnection);
    }
    std::unique_lock<std::mutex> Lock(gSentLock);
    gSentDone.wait(Lock, [&] { return M.Done; });
    return M.Result;
}

void DispatchSentMessages()
{
    for (;;) {
        SentMessage* M = nullptr;
        {
            std::lock_guard<std::mutex> Lock(gSentLock);
            if (gSent.empty())
                return;
            M = gSent.front();
            gSent.pop_front();
        }
        // A handler's exception is reported here; the sender gets 0.
        LRESULT R = 0;
        Barrier([&] { R = SendMessage(M->Wnd, M->Msg, M->WParam, M->LParam); });
        {
            std::lock_guard<std::mutex> Lock(gSentLock);
            M->Result = R;
            M->Done = true;
        }
        gSentDone.notify_all();
    }
}

namespace {

void ServeWhileWaiting()
{
    if (OnWindowThread())
        DispatchSentMessages();
}

}  // namespace

void SetSentMessagesOpen(bool Open)
{
    SetThreadWaitHook(Open ? &ServeWhileWaiting : nullptr);
    {
        std::lock_guard<std::mutex> Lock(gSentLock);
        gSentClosed = !Open;
        if (Open)
            return;
        for (SentMessage* M : gSent)
            M->Done = true;
        gSent.clear();
    }
    gSentDone.notify_all();
}
