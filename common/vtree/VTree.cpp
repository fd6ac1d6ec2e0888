// Unit services of the tree: errors, the clipboard format registry, option
// sets, text buffers and the header's column queries.

#include "common/vtree/VTree.h"
#include "common/vtree/VTreePrivate.h"

#include "platform/forms/Clipbrd.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>

void RaiseTreeError(const AnsiString& Msg, int Code)
{
    throw EVirtualTreeError(Msg, Code);
}

TBaseVirtualTree* OwnerTreeOfNode(PVirtualNode Node)
{
    assert(Node && "Node must not be nil.");
    // The hidden root is the node whose next-sibling link points to itself;
    // its parent link holds the tree.
    while (Node->NextSibling != Node)
        Node = Node->Parent;
    return reinterpret_cast<TBaseVirtualTree*>(Node->Parent);
}

TRect OrderRect(const TRect& R)
{
    TRect Result = R;
    if (Result.Left > Result.Right)
        std::swap(Result.Left, Result.Right);
    if (Result.Top > Result.Bottom)
        std::swap(Result.Top, Result.Bottom);
    return Result;
}

// ---- clipboard format registry --------------------------------------------------------------

namespace {

struct ClipboardFormatRecord {
    AnsiString Description;
    TClass OwnerClass;
    int Priority;
    TFormatEtc FormatEtc;
};

// The process's registry, kept sorted by priority (ascending).
std::vector<ClipboardFormatRecord>& FormatList()
{
    static std::vector<ClipboardFormatRecord> List;
    return List;
}

// The window layer's table of named formats (shared with every other
// program part that registers one): a name to its id and back.
Word SystemRegister(const AnsiString& Name)
{
    return static_cast<Word>(RegisterClipboardFormat(Name));
}

AnsiString SystemNameOf(Word Format)
{
    char Buffer[256];
    const int Length = GetClipboardFormatName(Format, Buffer, sizeof Buffer);
    return AnsiString(Buffer, Length);
}

ClipboardFormatNames& Names()
{
    static ClipboardFormatNames N{&SystemRegister, &SystemNameOf};
    return N;
}

const char* const StandardFormatNames[] = {
    "", "Plain text", "Windows bitmap", "Windows metafile", "Symbolic link",
    "Data interchange format", "Tiff image", "OEM text", "DIB image", "Palette data", "Pen data",
    "Riff audio data", "Wav audio data", "Unicode text", "Enhanced metafile image",
    "File name(s)", "Locale descriptor",
};

void AddFormat(ClipboardFormatRecord Record)
{
    std::vector<ClipboardFormatRecord>& List = FormatList();
    List.push_back(std::move(Record));
    std::stable_sort(List.begin(), List.end(),
                     [](const ClipboardFormatRecord& A, const ClipboardFormatRecord& B) {
                         return A.Priority < B.Priority;
                     });
}

struct TreeFormatIds {
    Word VirtualTree = 0, Reference = 0, Html = 0, Rtf = 0, RtfNoObjs = 0, Csv = 0;
};

TreeFormatIds& FormatIds()
{
    static TreeFormatIds Ids;
    return Ids;
}

}  // namespace

void SetClipboardFormatNames(const ClipboardFormatNames& NewNames)
{
    Names().Register = NewNames.Register ? NewNames.Register : &SystemRegister;
    Names().NameOf = NewNames.NameOf ? NewNames.NameOf : &SystemNameOf;
}

Word RegisterTreeFormat(const AnsiString& Description, TClass OwnerClass, int Priority,
                        DWORD Tymed, DWORD Aspect, int32_t Index, void* Ptd)
{
    ClipboardFormatRecord Record{Description, OwnerClass, Priority, {}};
    Record.FormatEtc.cfFormat = Names().Register(Description);
    Record.FormatEtc.ptd = Ptd;
    Record.FormatEtc.dwAspect = Aspect;
    Record.FormatEtc.lindex = Index;
    Record.FormatEtc.tymed = Tymed;
    const Word Result = static_cast<Word>(Record.FormatEtc.cfFormat);
    AddFormat(std::move(Record));
    return Result;
}

void RegisterTreeFormat(Word Format, TClass OwnerClass, int Priority)
{
    ClipboardFormatRecord Record{AnsiString(), OwnerClass, Priority, {}};
    Record.Description =
        Format < 17 ? AnsiString(StandardFormatNames[Format]) : Names().NameOf(Format);
    Record.FormatEtc.cfFormat = Format;
    AddFormat(std::move(Record));
}

TFormatEtcArray ListTreeFormats(TClass TreeClass, TStrings* Allowed)
{
    TFormatEtcArray Result;
    for (const ClipboardFormatRecord& R : FormatList()) {
        if (!TreeClass || !TreeClass->InheritsFrom(R.OwnerClass))
            continue;
        if (Allowed && Allowed->IndexOf(R.Description) < 0)
            continue;
        Result.push_back(R.FormatEtc);
    }
    return Result;
}

TClass FindTreeFormat(const AnsiString& Description, Word& Format)
{
    const std::vector<ClipboardFormatRecord>& List = FormatList();
    for (auto It = List.rbegin(); It != List.rend(); ++It)
        if (SameText(It->Description, Description)) {
            Format = It->FormatEtc.cfFormat;
            return It->OwnerClass;
        }
    return nullptr;
}

AnsiString TreeFormatDescription(Word Format)
{
    for (const ClipboardFormatRecord& R : FormatList())
        if (R.FormatEtc.cfFormat == Format)
            return R.Description;
    return AnsiString();
}

Word CF_VIRTUALTREE() { return FormatIds().VirtualTree; }
Word CF_VTREFERENCE() { return FormatIds().Reference; }
Word CF_HTML() { return FormatIds().Html; }
Word CF_VRTF() { return FormatIds().Rtf; }
Word CF_VRTFNOOBJS() { return FormatIds().RtfNoObjs; }
Word CF_CSV() { return FormatIds().Csv; }

/// The shared start-up work of the first tree: registers the tree's formats
/// once per process.
void InitializeTreeUnit()
{
    static bool Done = false;
    if (Done)
        return;
    Done = true;
    TreeFormatIds& Ids = FormatIds();
    Ids.Reference = Names().Register("Virtual Tree Reference");
    Ids.VirtualTree = RegisterTreeFormat("Virtual Tree Data", ClassOf<TBaseVirtualTree>(), 50);
    const TClass StringTree = ClassOf<TCustomVirtualStringTree>();
    Ids.Html = RegisterTreeFormat("HTML Format", StringTree, 80);
    Ids.RtfNoObjs = RegisterTreeFormat("Rich Text Format Without Objects", StringTree, 84);
    Ids.Rtf = RegisterTreeFormat("Rich Text Format", StringTree, 85);
    Ids.Csv = RegisterTreeFormat("CSV", StringTree, 90);
    RegisterTreeFormat(CF_TEXT, StringTree, 100);
    RegisterTreeFormat(CF_UNICODETEXT, StringTree, 95);
}

// ---- option sets ----------------------------------------------------------------------------


TCustomVirtualTreeOptions::TCustomVirtualTreeOptions(TBaseVirtualTree* AOwner) : FOwner(AOwner) {}

TCustomVirtualTreeOptions::~TCustomVirtualTreeOptions() = default;

void TCustomVirtualTreeOptions::SetPaintOptions(TVTPaintOptions Value)
{
    if (FPaintOptions == Value)
        return;
    FPaintOptions = Value;
    if (FOwner && FOwner->LiveWindow())
        FOwner->Invalidate();
}

void TCustomVirtualTreeOptions::SetAutoOptions(TVTAutoOptions Value)
{
    if (FAutoOptions == Value)
        return;
    const bool SpanChanged =
        FAutoOptions.Contains(toAutoSpanColumns) != Value.Contains(toAutoSpanColumns);
    FAutoOptions = Value;
    if (SpanChanged && FOwner && FOwner->LiveWindow())
        FOwner->Invalidate();
}

void TCustomVirtualTreeOptions::SetSelectionOptions(TVTSelectionOptions Value)
{
    if (FSelectionOptions == Value)
        return;
    const TVTSelectionOptions Old = FSelectionOptions;
    FSelectionOptions = Value;
    if (!FOwner)
        return;
    const bool MultiChanged = Old.Contains(toMultiSelect) != Value.Contains(toMultiSelect);
    const bool LevelAdded =
        !Old.Contains(toLevelSelectConstraint) && Value.Contains(toLevelSelectConstraint);
    const bool SiblingAdded =
        !Old.Contains(toSiblingSelectConstraint) && Value.Contains(toSiblingSelectConstraint);
    if (MultiChanged || LevelAdded || SiblingAdded)
        FOwner->UnselectAll();
    if (!Value.Contains(toExtendedFocus)) {
        const bool Repaint = Old.Contains(toExtendedFocus) && FOwner->FocusedColumn() > 0 &&
                             FOwner->HandleAllocated();
        FOwner->FFocusedColumn = FOwner->Header()->MainColumn();
        if (Repaint)
            FOwner->Invalidate();
    }
}

void TCustomVirtualTreeOptions::SetMiscOptions(TVTMiscOptions Value)
{
    if (FMiscOptions == Value)
        return;
    const bool CheckChanged =
        FMiscOptions.Contains(toCheckSupport) != Value.Contains(toCheckSupport);
    const bool DropChanged =
        FMiscOptions.Contains(toAcceptOLEDrop) != Value.Contains(toAcceptOLEDrop);
    FMiscOptions = Value;
    if (DropChanged && FOwner && FOwner->HandleAllocated() &&
        !FOwner->ComponentState().Contains(csDesigning)) {
        if (Value.Contains(toAcceptOLEDrop))
            RegisterDragDrop(FOwner->Handle(), FOwner->DragManager());
        else
            RevokeDragDrop(FOwner->Handle());
    }
    if (CheckChanged && FOwner && FOwner->LiveWindow())
        FOwner->Invalidate();
}

void TCustomVirtualTreeOptions::Assign(TPersistent* Source)
{
    if (auto* Other = dynamic_cast<TCustomVirtualTreeOptions*>(Source)) {
        SetPaintOptions(Other->FPaintOptions);
        SetAnimationOptions(Other->FAnimationOptions);
        SetAutoOptions(Other->FAutoOptions);
        SetSelectionOptions(Other->FSelectionOptions);
        SetMiscOptions(Other->FMiscOptions);
        return;
    }
    inherited::Assign(Source);
}

// ---- text buffers ---------------------------------------------------------------------------

namespace {

constexpr size_t BufferGrowth = 4096;

template <class C>
void GrowBuffer(C*& Start, C*& Position, C*& End, size_t Needed, size_t MinFree)
{
    size_t Size = static_cast<size_t>(End - Start);
    const size_t Used = static_cast<size_t>(Position - Start);
    // Grow while the free room is not larger than the text (or below the
    // line break's reserve).
    while (Size - Used <= Needed || Size - Used < MinFree)
        Size += BufferGrowth;
    if (Size == static_cast<size_t>(End - Start))
        return;
    C* NewStart = static_cast<C*>(std::realloc(Start, Size * sizeof(C)));
    if (!NewStart)
        throw EOutOfMemory("Out of memory");
    Start = NewStart;
    Position = NewStart + Used;
    End = NewStart + Size;
}

}  // namespace

TBufferedString::~TBufferedString()
{
    std::free(FStart);
}

void TBufferedString::Grow(size_t Needed)
{
    GrowBuffer(FStart, FPosition, FEnd, Needed, 0);
}

void TBufferedString::Add(const AnsiString& S)
{
    const size_t Len = static_cast<size_t>(S.Length());
    Grow(Len);
    std::memcpy(FPosition, S.Data(), Len);
    FPosition += Len;
}

void TBufferedString::AddNewLine()
{
    GrowBuffer(FStart, FPosition, FEnd, 0, 3);
    *FPosition++ = '\r';
    *FPosition++ = '\n';
}

AnsiString TBufferedString::AsString() const
{
    return AnsiString(FStart, static_cast<int>(FPosition - FStart));
}

TWideBufferedString::~TWideBufferedString()
{
    std::free(FStart);
}

void TWideBufferedString::Grow(size_t Needed)
{
    GrowBuffer(FStart, FPosition, FEnd, Needed, 0);
}

void TWideBufferedString::Add(const std::u16string& S)
{
    Grow(S.size());
    std::memcpy(FPosition, S.data(), S.size() * sizeof(char16_t));
    FPosition += S.size();
}

void TWideBufferedString::AddNewLine()
{
    GrowBuffer(FStart, FPosition, FEnd, 0, 5);
    *FPosition++ = u'\r';
    *FPosition++ = u'\n';
}

std::u16string TWideBufferedString::AsString() const
{
    return std::u16string(FStart, static_cast<size_t>(FPosition - FStart));
}

