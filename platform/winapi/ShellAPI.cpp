#include "platform/winapi/ShellAPI.h"

#include "platform/winapi/Messages.h"
#include "platform/winapi/WindowPrivate.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <cstring>

struct DropData {
    std::vector<AnsiString> Files;
    TPoint Point;
};

namespace {

/// Live drop handles; a handle not in the list is stale and ignored.
std::vector<HDROP>& LiveDrops()
{
    static std::vector<HDROP> Drops;
    return Drops;
}

bool IsLiveDrop(HDROP Drop)
{
    const auto& L = LiveDrops();
    return Drop && std::find(L.begin(), L.end(), Drop) != L.end();
}

/// Turns Qt's drag-and-drop events of one window into WM_DROPFILES.
class DropFilter : public QObject {
public:
    DropFilter(HWND Wnd, QObject* Parent) : QObject(Parent), FWnd(Wnd) {}

protected:
    bool eventFilter(QObject*, QEvent* Event) override
    {
        bool Done = false;
        Barrier([&] { Done = Filter(Event); });
        return Done;
    }

private:
    bool Filter(QEvent* Event)
    {
        switch (Event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* E = static_cast<QDropEvent*>(Event);
            if (HasLocalFiles(E->mimeData()))
                E->acceptProposedAction();
            else
                E->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto* E = static_cast<QDropEvent*>(Event);
            std::vector<AnsiString> Files;
            for (const QUrl& U : E->mimeData()->urls())
                if (U.isLocalFile())
                    Files.push_back(FromQString(U.toLocalFile()));
            if (Files.empty()) {
                E->ignore();
                return true;
            }
            E->acceptProposedAction();
            const QPoint P = E->position().toPoint();
            const HWND Wnd = FWnd;
            // The client point: the widget holds the frame too.
            const TPoint At {P.x() - Wnd->Client.Left, P.y() - Wnd->Client.Top};
            DeliverDroppedFiles(Wnd, Files, At);
            return true;
        }
        default:
            return false;
        }
    }

    static bool HasLocalFiles(const QMimeData* Data)
    {
        if (!Data || !Data->hasUrls())
            return false;
        for (const QUrl& U : Data->urls())
            if (U.isLocalFile())
                return true;
        return false;
    }

    HWND FWnd;
};

DropFilter* FilterOf(QWidget* W)
{
    for (QObject* C : W->children())
        if (auto* F = dynamic_cast<DropFilter*>(C))
            return F;
    return nullptr;
}

}  // namespace

void DragAcceptFiles(HWND Wnd, BOOL Accept)
{
    if (!IsLiveWindow(Wnd) || !Wnd->Widget)
        return;
    QWidget* W = Wnd->Widget;
    DropFilter* F = FilterOf(W);
    if (Accept && !F) {
        F = new DropFilter(Wnd, W);
        W->installEventFilter(F);
        W->setAcceptDrops(true);
    } else if (!Accept && F) {
        W->removeEventFilter(F);
        delete F;
        W->setAcceptDrops(false);
    }
}

bool AcceptsDroppedFiles(HWND Wnd)
{
    return IsLiveWindow(Wnd) && Wnd->Widget && FilterOf(Wnd->Widget) != nullptr;
}

UINT DragQueryFile(HDROP Drop, UINT Index, char* Buffer, UINT Size)
{
    if (!IsLiveDrop(Drop))
        return 0;
    if (Index == 0xFFFFFFFFu)
        return static_cast<UINT>(Drop->Files.size());
    if (Index >= Drop->Files.size())
        return 0;
    const AnsiString& Name = Drop->Files[Index];
    const UINT Length = static_cast<UINT>(Name.Length());
    if (!Buffer)
        return Length;
    if (Size == 0)
        return 0;
    const UINT Copied = std::min(Length, Size - 1);
    std::memcpy(Buffer, Name.c_str(), Copied);
    Buffer[Copied] = 0;
    return Copied;
}

AnsiString DragQueryFileName(HDROP Drop, UINT Index)
{
    if (!IsLiveDrop(Drop) || Index >= Drop->Files.size())
        return AnsiString();
    return Drop->Files[Index];
}

BOOL DragQueryPoint(HDROP Drop, TPoint& Point)
{
    if (!IsLiveDrop(Drop))
        return false;
    Point = Drop->Point;
    return true;
}

void DragFinish(HDROP Drop)
{
    auto& L = LiveDrops();
    const auto It = std::find(L.begin(), L.end(), Drop);
    if (It == L.end())
        return;
    L.erase(It);
    delete Drop;
}

bool DeliverDroppedFiles(HWND Wnd, const std::vector<AnsiString>& Files, TPoint Point)
{
    if (!AcceptsDroppedFiles(Wnd) || Files.empty())
        return false;
    auto* Drop = new DropData {Files, Point};
    LiveDrops().push_back(Drop);
    struct Finish {
        HDROP D;
        ~Finish() { DragFinish(D); }
    } Guard {Drop};
    SendMessage(Wnd, WM_DROPFILES, reinterpret_cast<WPARAM>(Drop), 0);
    return true;
}

void SimulateDropFiles(HWND Wnd, const std::vector<AnsiString>& Files, TPoint Point)
{
    if (!IsLiveWindow(Wnd) || !Wnd->Widget)
        return;
    QMimeData Data;
    QList<QUrl> Urls;
    for (const AnsiString& F : Files)
        Urls << QUrl::fromLocalFile(ToQString(F));
    Data.setUrls(Urls);
    const QPointF At(Point.X + Wnd->Client.Left, Point.Y + Wnd->Client.Top);
    QDragEnterEvent Enter(At.toPoint(), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Wnd->Widget, &Enter);
    if (!Enter.isAccepted())
        return;
    QDropEvent Drop(At, Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Wnd->Widget, &Drop);
}
