// Smoke test of data transfer on a real X server (run under xvfb-run):
// a drag between controls and a drag between registered windows inside
// the program by simulated input, and the clipboard between this program
// and a second process of it, in both directions, with a registered
// format and Russian text. Prints the closing line of a test runner;
// exits 1 on a failure.
//
// Started with --clipboard-peer it is that second process: it checks what
// the first put on the clipboard, answers with data of its own and serves
// it until the first takes the clipboard back.

#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/winapi/OleDragDrop.h"
#include "platform/forms/Clipbrd.h"
#include "platform/rtl/Ticks.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>

namespace {

int Failures = 0;

void Check(bool Condition, const char* What)
{
    if (!Condition) {
        std::printf("FAILED: %s\n", What);
        ++Failures;
    }
}

const char RequestFormat[] = "Pricetags Smoke Request";
const char ReplyFormat[] = "Pricetags Smoke Reply";
const std::string RequestBytes("\x00\x01\xFF" "request", 10);
const std::string ReplyBytes = "reply";

/// A data object of fixed bytes per format.
class Data : public TInterfacedObject, public IDataObject {
public:
    std::map<UINT, std::string> Bytes;

    HRESULT GetData(const FORMATETC& F, STGMEDIUM& M) override
    {
        if (!Bytes.count(F.cfFormat))
            return DV_E_FORMATETC;
        const std::string& B = Bytes[F.cfFormat];
        M.tymed = TYMED_HGLOBAL;
        M.hGlobal = GlobalAlloc(GHND, B.size());
        if (!B.empty()) {
            std::memcpy(GlobalLock(M.hGlobal), B.data(), B.size());
            GlobalUnlock(M.hGlobal);
        }
        return S_OK;
    }
    HRESULT GetDataHere(const FORMATETC&, STGMEDIUM&) override { return E_NOTIMPL; }
    HRESULT QueryGetData(const FORMATETC& F) override { return Bytes.count(F.cfFormat) ? S_OK : DV_E_FORMATETC; }
    HRESULT GetCanonicalFormatEtc(const FORMATETC&, FORMATETC&) override { return DATA_S_SAMEFORMATETC; }
    HRESULT SetData(const FORMATETC&, STGMEDIUM&, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) override;
    HRESULT DAdvise(const FORMATETC&, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }
};

class Formats : public TInterfacedObject, public IEnumFORMATETC {
public:
    std::vector<UINT> List;
    size_t I = 0;
    HRESULT Next(ULONG Count, FORMATETC* Out, ULONG* Fetched) override
    {
        ULONG N = 0;
        for (; N < Count && I < List.size(); ++N) {
            Out[N] = FORMATETC();
            Out[N].cfFormat = List[I++];
        }
        if (Fetched)
            *Fetched = N;
        return N == Count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override
    {
        I = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumFORMATETC**) override { return E_NOTIMPL; }
};

HRESULT Data::EnumFormatEtc(DWORD, IEnumFORMATETC** Enum)
{
    auto* E = new Formats;
    for (const auto& [F, B] : Bytes)
        E->List.push_back(F);
    E->AddRef();
    *Enum = E;
    return S_OK;
}

std::string Utf16(const std::u16string& S)
{
    std::string B(reinterpret_cast<const char*>(S.data()), S.size() * 2);
    B.append(2, '\0');
    return B;
}

/// One format of the clipboard's data; "<none>" when it is not there.
std::string ClipboardFormat(UINT Format)
{
    IDataObject* Raw = nullptr;
    if (OleGetClipboard(&Raw) != S_OK)
        return "<no clipboard>";
    const auto D = InterfacePtr<IDataObject>::Attach(Raw);
    FORMATETC F;
    F.cfFormat = Format;
    STGMEDIUM M;
    if (D->GetData(F, M) != S_OK)
        return "<none>";
    std::string B;
    ReadStgMedium(M, B);
    ReleaseStgMedium(M);
    return B;
}

/// Serves the event loop until Done or Seconds pass; whether Done came.
bool ServeUntil(const std::function<bool()>& Done, int Seconds)
{
    const DWORD Start = GetTickCount();
    while (!Done()) {
        if (GetTickCount() - Start > static_cast<DWORD>(Seconds) * 1000)
            return false;
        Application->ProcessMessages();
        Sleep(5);
    }
    return true;
}

int ClipboardPeer()
{
    int Result = 0;
    if (ClipboardFormat(RegisterClipboardFormat(RequestFormat)) != RequestBytes) {
        std::printf("peer: the registered format did not arrive\n");
        Result = 1;
    }
    if (ClipboardFormat(CF_UNICODETEXT) != Utf16(u"Ценник №5")) {
        std::printf("peer: the text did not arrive\n");
        Result = 1;
    }
    const InterfacePtr<Data> Reply(new Data);
    Reply->Bytes[RegisterClipboardFormat(ReplyFormat)] = ReplyBytes;
    OleSetClipboard(Reply.Get());
    std::printf("ready\n");
    std::fflush(stdout);
    // Serves the reply until the first process takes the clipboard back.
    if (!ServeUntil([&] { return OleIsCurrentClipboard(Reply.Get()) != S_OK; }, 30))
        Result = 1;
    return Result;
}

/// Starts this program as the clipboard peer; its pid, with Output the
/// non-blocking read end of its standard output.
pid_t StartPeer(const char* Self, int& Output)
{
    int Pipe[2];
    if (pipe(Pipe) != 0)
        return -1;
    const pid_t Pid = fork();
    if (Pid == 0) {
        dup2(Pipe[1], 1);
        close(Pipe[0]);
        close(Pipe[1]);
        execl(Self, Self, "--clipboard-peer", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(Pipe[1]);
    fcntl(Pipe[0], F_SETFL, O_NONBLOCK);
    Output = Pipe[0];
    return Pid;
}

void ClipboardBetweenProcesses(const char* Self)
{
    const InterfacePtr<Data> Request(new Data);
    Request->Bytes[RegisterClipboardFormat(RequestFormat)] = RequestBytes;
    Request->Bytes[CF_UNICODETEXT] = Utf16(u"Ценник №5");
    Check(OleSetClipboard(Request.Get()) == S_OK, "our data goes on the clipboard");
    int Output = -1;
    const pid_t Peer = StartPeer(Self, Output);
    Check(Peer > 0, "the second process starts");
    if (Peer <= 0)
        return;
    std::string Said;
    const bool Ready = ServeUntil(
        [&] {
            char Buffer[256];
            const ssize_t N = read(Output, Buffer, sizeof Buffer);
            if (N > 0)
                Said.append(Buffer, static_cast<size_t>(N));
            return Said.find("ready") != std::string::npos || Said.find("peer:") != std::string::npos;
        },
        30);
    Check(Ready && Said.find("peer:") == std::string::npos, "the second process reads our formats");
    Check(OleIsCurrentClipboard(Request.Get()) == S_FALSE, "the second process took the clipboard");
    // The window system tells of the new owner with a little delay.
    ServeUntil([] { return ClipboardFormat(RegisterClipboardFormat(ReplyFormat)) != "<none>"; }, 5);
    Check(ClipboardFormat(RegisterClipboardFormat(ReplyFormat)) == ReplyBytes,
        "the second process's registered format reaches us");
    Clipboard()->SetAsText("done");
    int Status = -1;
    const bool Ended = ServeUntil([&] { return waitpid(Peer, &Status, WNOHANG) == Peer; }, 30);
    if (!Ended) {
        kill(Peer, SIGKILL);
        waitpid(Peer, &Status, 0);
    }
    Check(Ended && WIFEXITED(Status) && WEXITSTATUS(Status) == 0, "the second process ends well");
    close(Output);
}

// ---- drags inside the program ------------------------------------------------------------------

struct Log : TObject {
    std::string Dropped;
    void Over(TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; }
    void Drop(TObject* Sender, TObject* Source, int, int)
    {
        Dropped = static_cast<TComponent*>(Source)->Name().Std() + " on " + static_cast<TComponent*>(Sender)->Name().Std();
    }
};

class Pad : public TCustomControl {
public:
    explicit Pad(TComponent* AOwner) : TCustomControl(AOwner) {}
    std::function<void()> Later;

protected:
    void Dispatch(TMessage& M) override
    {
        if (M.Msg == WM_USER + 5 && Later) {
            Later();
            return;
        }
        TCustomControl::Dispatch(M);
    }
};

class Source : public TInterfacedObject, public IDropSource {
public:
    HRESULT QueryContinueDrag(BOOL Escape, DWORD Keys) override
    {
        return Escape ? DRAGDROP_S_CANCEL : (Keys & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

class Target : public TInterfacedObject, public IDropTarget {
public:
    InterfacePtr<IDataObject> Dropped;
    HRESULT DragEnter(IDataObject*, DWORD, TPoint, DWORD* Effect) override { return Answer(Effect); }
    HRESULT DragOver(DWORD, TPoint, DWORD* Effect) override { return Answer(Effect); }
    HRESULT DragLeave() override { return S_OK; }
    HRESULT Drop(IDataObject* D, DWORD, TPoint, DWORD* Effect) override
    {
        Dropped = InterfacePtr<IDataObject>(D);
        return Answer(Effect);
    }

private:
    static HRESULT Answer(DWORD* Effect)
    {
        *Effect = DROPEFFECT_COPY;
        return S_OK;
    }
};

void DragsInsideTheProgram()
{
    TForm Form(nullptr, 0);
    Form.SetBounds(60, 60, 400, 200);
    Log L;
    Pad* Pads[3] = {};
    const char* Names[3] = {"Left", "Middle", "Right"};
    for (int I = 0; I < 3; ++I) {
        Pads[I] = new Pad(&Form);
        Pads[I]->SetName(Names[I]);
        Pads[I]->SetParent(&Form);
        Pads[I]->SetBounds(10 + 130 * I, 10, 120, 120);
        Pads[I]->OnDragOver = TDragOverEvent(&L, &Log::Over);
        Pads[I]->OnDragDrop = TDragDropEvent(&L, &Log::Drop);
    }
    Pads[0]->SetDragMode(dmAutomatic);
    Form.Show();
    Application->ProcessMessages();

    SimulateMouseDown(Pads[0], mbLeft, 10, 10);
    SimulateMouseMove(Pads[1], 20, 20, {ssLeft});
    SimulateMouseUp(Pads[1], mbLeft, 20, 20);
    Check(L.Dropped == "Left on Middle", "a control drags onto another");

    const InterfacePtr<Target> T(new Target);
    Check(RegisterDragDrop(Pads[2]->Handle(), T.Get()) == S_OK, "a window takes drops");
    const InterfacePtr<Data> D(new Data);
    D->Bytes[CF_UNICODETEXT] = Utf16(u"Товар");
    const InterfacePtr<Source> S(new Source);
    SimulateMouseMove(Pads[1], 5, 5);
    SimulateMouseDown(Pads[1], mbLeft, 5, 5);
    Pads[1]->Later = [&] {
        SimulateMouseMove(Pads[2], 30, 30, {ssLeft});
        SimulateMouseUp(Pads[2], mbLeft, 30, 30);
    };
    PostMessage(Pads[1]->Handle(), WM_USER + 5, 0, 0);
    DWORD Effect = 0;
    const HRESULT R = DoDragDrop(D.Get(), S.Get(), DROPEFFECT_COPY | DROPEFFECT_MOVE, &Effect);
    Check(R == DRAGDROP_S_DROP && Effect == DROPEFFECT_COPY, "a data object drags onto a registered window");
    Check(SameObject(T->Dropped.Get(), D.Get()), "the target gets the data object itself");
    RevokeDragDrop(Pads[2]->Handle());
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "xcb", /*overwrite=*/1);
    GuiStartup(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--clipboard-peer") == 0) {
        const int R = ClipboardPeer();
        GuiShutdown();
        return R;
    }
    DragsInsideTheProgram();
    ClipboardBetweenProcesses(argv[0]);
    GuiShutdown();
    std::printf("%d passed, %d failed\n", Failures == 0 ? 1 : 0, Failures == 0 ? 0 : 1);
    return Failures == 0 ? 0 : 1;
}
