#include "common/vtree/YLDVirtualTreeComponents.h"

#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The two record shapes; a string shorter than both together holds no
// column and is ignored.
constexpr char TreeFormat[] = "H%dW%dA%dC%d|";
constexpr char ColumnFormat[] = "S%dT%dP%dW%dV%d|";
constexpr int MinimumLength = sizeof(TreeFormat) - 1 + sizeof(ColumnFormat) - 1;

/// One column record: start values as a record without the field gives them.
struct ColumnRecord {
    int Column = 0;
    int Tag = 0;
    int Position = -1;
    int Width = 50;
    int Visible = 1;
};

/// A whole layout string, read before anything is applied.
struct LayoutState {
    int Height = 0;
    int Width = 0;
    int AutoSize = -1;
    std::vector<ColumnRecord> Records;
};

class LayoutReader {
public:
    explicit LayoutReader(const std::string& S) : FS(S) {}

    /// False when the string is malformed; Columns is the tree's count.
    bool Read(LayoutState& State, int Columns)
    {
        int Left = -1;  // records still to come; -1 until "C" names them
        while (FPos < FS.size()) {
            const char Letter = FS[FPos++];
            int Number = 0;
            switch (Letter) {
            case '|': continue;
            case 'V': if (!ReadNumber(Number)) return false; break;
            case 'H': if (!ReadNumber(State.Height)) return false; break;
            case 'W': if (!ReadNumber(State.Width)) return false; break;
            case 'A':
                if (!ReadNumber(Number)) return false;
                State.AutoSize = Number - 1;
                break;
            case 'C':
                if (!ReadNumber(Left) || Left > Columns) return false;
                break;
            case 'S': {
                ColumnRecord R;
                if (!ReadNumber(R.Column) || !ReadRecord(R)) return false;
                State.Records.push_back(R);
                --Left;
                if (Left <= 0)
                    return true;
                break;
            }
            default: return false;
            }
        }
        // The string ended before the records "C" announced: cut short.
        return Left <= 0;
    }

private:
    /// The fields after "S<n>" up to the record's "|", which must be there.
    bool ReadRecord(ColumnRecord& R)
    {
        while (FPos < FS.size()) {
            const char Letter = FS[FPos++];
            switch (Letter) {
            case '|': return true;
            case 'T': if (!ReadNumber(R.Tag)) return false; break;
            case 'P': if (!ReadNumber(R.Position)) return false; break;
            case 'W': if (!ReadNumber(R.Width)) return false; break;
            case 'V': if (!ReadNumber(R.Visible)) return false; break;
            default: return false;
            }
        }
        return false;
    }
    /// The digits after a letter: one to nine of them.
    bool ReadNumber(int& Value)
    {
        const size_t Start = FPos;
        while (FPos < FS.size() && FS[FPos] >= '0' && FS[FPos] <= '9')
            ++FPos;
        const size_t Count = FPos - Start;
        if (Count == 0 || Count > 9)
            return false;
        Value = std::atoi(FS.substr(Start, Count).c_str());
        return true;
    }

    const std::string& FS;
    size_t FPos = 0;
};

}  // namespace

PRICETAGS_DEFINE_CLASS(Tyl_VirtualStringTree)

Tyl_VirtualStringTree::Tyl_VirtualStringTree(TComponent* AOwner) : TVirtualStringTree(AOwner)
{
    FAutoResizeSuspended = false;
}

AnsiString Tyl_VirtualStringTree::GetStateStatusStr()
{
    TVTHeader* H = Header();
    TVirtualTreeColumns* Columns = H->Columns();
    const int Count = Columns->Count();
    const int AutoSize = H->AutoSizeIndex() < 0 ? 0 : H->AutoSizeIndex() + 1;
    std::string S = "V1H" + std::to_string(Height()) + "W" + std::to_string(Width()) + "A" +
                    std::to_string(AutoSize) + "C" + std::to_string(Count) + "|";
    for (int P = 0; P < Count; ++P) {
        const TColumnIndex Index = Columns->ColumnAtPosition(P);
        if (Index < 0)
            continue;
        TVirtualTreeColumn* C = Columns->GetItem(Index);
        // "S" is the column's index, as the reader takes it; a string written
        // with the position there reads the same while the order is natural.
        S += "S" + std::to_string(Index) + "T" + std::to_string(C->Tag()) + "P" +
             std::to_string(C->Position()) + "W" + std::to_string(C->Width()) + "V" +
             (C->Options().Contains(coVisible) ? "1" : "0") + "|";
    }
    return AnsiString(S);
}

void Tyl_VirtualStringTree::SetStateStatusStr(const AnsiString& S)
{
    if (S.Length() < MinimumLength)
        return;
    TVTHeader* H = Header();
    TVirtualTreeColumns* Columns = H->Columns();
    const int Count = Columns->Count();
    LayoutState State;
    State.Height = Height();
    State.Width = Width();
    if (!LayoutReader(S.Std()).Read(State, Count))
        return;

    const bool HadAutoResize = H->Options().Contains(hoAutoResize);
    BeginUpdate();
    H->SetOptions(H->Options() - TVTHeaderOptions{hoAutoResize});
    struct Restore {
        Tyl_VirtualStringTree* Tree;
        bool AutoResize;
        ~Restore()
        {
            Tree->CheckPositionTable();
            if (AutoResize)
                Tree->Header()->SetOptions(Tree->Header()->Options() +
                                           TVTHeaderOptions{hoAutoResize});
            Tree->EndUpdate();
        }
    } Guard{this, HadAutoResize};

    for (const ColumnRecord& R : State.Records) {
        int Index = R.Column;
        if (R.Tag > 0)
            for (int I = 0; I < Count; ++I)
                if (Columns->GetItem(I)->Tag() == R.Tag) {
                    Index = I;
                    break;
                }
        if (Index < 0 || Index >= Count)
            continue;
        TVirtualTreeColumn* C = Columns->GetItem(Index);
        const bool Matches = R.Tag >= 1 ? C->Tag() == R.Tag : C->Tag() < 1;
        if (!Matches)
            continue;
        if (R.Position >= 0 && R.Position != C->Position())
            C->SetPosition(R.Position);
        C->SetWidth(R.Width);
        TVTColumnOptions Options = C->Options();
        if (R.Visible > 0)
            Options.Include(coVisible);
        else
            Options.Exclude(coVisible);
        C->SetOptions(Options);
    }
    SetHeight(State.Height);
    SetWidth(State.Width);
    RepairColumnPositions();
    RepairColumnPositions();
    H->SetAutoSizeIndex(State.AutoSize);
}

void Tyl_VirtualStringTree::RepairColumnPositions()
{
    if (!ComponentState().Contains(csLoading))
        return;
    TVirtualTreeColumns* Columns = Header()->Columns();
    const int Count = Columns->Count();
    for (int Pass = 1; Pass <= 5; ++Pass) {
        // Duplicates: the second column at a position and every later one at
        // or past it move one up.
        for (int P = 0; P < Count; ++P) {
            int First = -1;
            int Second = -1;
            for (int I = 0; I < Count && Second < 0; ++I)
                if (Columns->GetItem(I)->Position() == P) {
                    if (First < 0)
                        First = I;
                    else
                        Second = I;
                }
            if (Second < 0)
                continue;
            for (int I = Second; I < Count; ++I) {
                TVirtualTreeColumn* C = Columns->GetItem(I);
                if (C->Position() >= P)
                    C->SetPosition(C->Position() + 1);
            }
        }
        if (Pass == 5)
            return;  // gave up: the table check below settles what is left
        bool Gap = false;
        for (int P = 0; P < Count;) {
            bool Found = false;
            for (int I = 0; I < Count && !Found; ++I)
                Found = Columns->GetItem(I)->Position() == P;
            if (Found) {
                ++P;
                continue;
            }
            Gap = true;
            bool Moved = false;
            for (int I = 0; I < Count; ++I) {
                TVirtualTreeColumn* C = Columns->GetItem(I);
                if (C->Position() >= P) {
                    C->SetPosition(C->Position() - 1);
                    Moved = true;
                }
            }
            if (!Moved)
                ++P;
        }
        if (!Gap)
            return;
    }
}

void Tyl_VirtualStringTree::CheckPositionTable()
{
    TVirtualTreeColumns* Columns = Header()->Columns();
    const int Count = Columns->Count();
    std::vector<bool> Seen(static_cast<size_t>(Count), false);
    for (int P = 0; P < Count; ++P) {
        const TColumnIndex Index = Columns->ColumnAtPosition(P);
        if (Index < 0 || Index >= Count)
            continue;
        if (Seen[static_cast<size_t>(Index)]) {
            Columns->RebuildPositionTable();
            return;
        }
        Seen[static_cast<size_t>(Index)] = true;
    }
}

int Tyl_VirtualStringTree::GetFocusedIndex()
{
    // The focused node, as the settings window edits "the" chosen item; the
    // first selected one only when nothing has the focus.
    PVirtualNode Node = FocusedNode();
    if (!Node)
        Node = FirstSelectedNode();
    return Node ? static_cast<int>(Node->Index) : -1;
}

bool Tyl_VirtualStringTree::SetScrollOffset(const TPoint& Value, TScrollUpdateOptions Options,
                                            const TRect* ClipRect)
{
    TPoint P = Value;
    int D = P.Y - OffsetY();
    const int H = static_cast<int>(DefaultNodeHeight());
    if (D != 0 && ClientHeight() - RangeY() < P.Y) {
        // Half a row or more is a row, up and down alike.
        const int Rounding = H / 2;
        const int Sign = D < 0 ? -1 : 1;
        D = ((std::abs(D) + Rounding) / H) * Sign * H;
        P.Y = OffsetY() + D;
    }
    return TVirtualStringTree::SetScrollOffset(P, Options, ClipRect);
}

void Tyl_VirtualStringTree::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_NCLBUTTONDOWN: {
        TVirtualStringTree::WndProc(Message);
        TVTHeader* H = Header();
        if (!FAutoResizeSuspended && H && H->Options().Contains(hoAutoResize) &&
            H->ResizeActive()) {
            FAutoResizeSuspended = true;
            H->SetOptions(H->Options() - TVTHeaderOptions{hoAutoResize});
        }
        return;
    }
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
        TVirtualStringTree::WndProc(Message);
        if (FAutoResizeSuspended && Header())
            Header()->SetOptions(Header()->Options() + TVTHeaderOptions{hoAutoResize});
        FAutoResizeSuspended = false;
        return;
    default:
        TVirtualStringTree::WndProc(Message);
    }
}

TCursor Tyl_VirtualStringTree::DoGetCursor(TCursor Cursor)
{
    if (OnGetCursorAt) {
        TPoint P;
        GetCursorPos(P);
        if (const TCursor Result = OnGetCursorAt(this, P); Result != 0)
            return Result;
    }
    return TVirtualStringTree::DoGetCursor(Cursor);
}

void Tyl_VirtualStringTree::DoPaintNode(TVTPaintInfo& PaintInfo)
{
    OnBeforePaintNode(this, PaintInfo);
    TVirtualStringTree::DoPaintNode(PaintInfo);
}

std::u16string Tyl_VirtualStringTree::DoShortenString(TCanvas* Canvas, PVirtualNode Node,
                                                      TColumnIndex Column,
                                                      const std::u16string& S, int Width,
                                                      bool RightToLeft, int)
{
    // A fixed one-pixel ellipsis: as many characters as fit, the dots may be
    // clipped.
    return TVirtualStringTree::DoShortenString(Canvas, Node, Column, S, Width, RightToLeft,
                                               /*EllipsisWidth=*/1);
}

void Tyl_VirtualStringTree::CMCancelMode(TMessageRecord& Message)
{
    OnCancelMode(reinterpret_cast<TObject*>(Message.LParam));
}

void Tyl_VirtualStringTree::WMNCHitTest(TWMNCHitTest& Message)
{
    TVirtualStringTree::WMNCHitTest(Message);
    OnNCHitTest(this, Message);
}

void YLDVirtualTreeComponentsInitialization()
{
    RegisterClass(ClassOf<Tyl_VirtualStringTree>());
}
