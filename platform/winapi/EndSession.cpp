#include "platform/winapi/EndSession.h"

#include "platform/winapi/WindowPrivate.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace {

constexpr int EndSignals[] = {SIGTERM, SIGHUP, SIGINT};

int gWake[2] = {-1, -1};
volatile std::sig_atomic_t gEnding = 0;

// Only what a signal handler may do: note the signal and wake the loop.
void OnEndSignal(int Signal)
{
    if (gEnding)
        _exit(128 + Signal);
    gEnding = Signal;
    const char Byte = char(Signal);
    [[maybe_unused]] const ssize_t Written = write(gWake[1], &Byte, 1);
}

void EndSession()
{
    std::vector<HWND> Windows;
    for (QWidget* W : QApplication::topLevelWidgets()) {
        HWND Wnd = OwnWindowOfWidget(W);
        if (IsLiveWindow(Wnd) && Wnd->TopLevel)
            Windows.push_back(Wnd);
    }
    for (HWND Wnd : Windows)
        if (IsLiveWindow(Wnd))
            SendMessage(Wnd, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP);
    for (HWND Wnd : Windows)
        if (IsLiveWindow(Wnd))
            SendMessage(Wnd, WM_ENDSESSION, 1, ENDSESSION_CLOSEAPP);
    PostQuitMessage(0);
}

}  // namespace

void InstallEndSessionSignals()
{
    if (gWake[0] >= 0 || pipe2(gWake, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* Notifier = new QSocketNotifier(gWake[0], QSocketNotifier::Read, qApp);
    QObject::connect(Notifier, &QSocketNotifier::activated, Notifier, [Notifier] {
        char Byte;
        while (read(gWake[0], &Byte, 1) > 0) {
        }
        Notifier->setEnabled(false);
        EndSession();
    });
    struct sigaction Action {};
    Action.sa_handler = OnEndSignal;
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = SA_RESTART;
    for (int Signal : EndSignals) {
        // A program started with a signal ignored (nohup) keeps it ignored.
        struct sigaction Old {};
        if (sigaction(Signal, nullptr, &Old) == 0 && Old.sa_handler == SIG_IGN)
            continue;
        sigaction(Signal, &Action, nullptr);
    }
}
