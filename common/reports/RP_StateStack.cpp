#include "common/reports/RP_StateStack.h"

#include "common/reports/RP_Document.h"

#include "platform/classes/Streams.h"

#include <memory>

PRICETAGS_DEFINE_CLASS(TStateStack)

TStateStack::TStateStack(TDocument* ADocument) : Document(ADocument)
{
    // A flag left over from an earlier history would skip the first
    // snapshot and leave the stack empty.
    Document->StateStored = false;
    PushState();
    SavedIndex = Current;
}

TStateStack::~TStateStack()
{
    Clear();
}

TMemoryStream* TStateStack::Snapshot(int i) const
{
    return static_cast<TMemoryStream*>(Get(i));
}

void TStateStack::PushState()
{
    if (Document->StateStored)
        return;
    // Snapshot 0 stays: the trims stop above it.
    if (CountLimit > 1)
        while (Count() > CountLimit)
            DeleteState(1);
    if (SizeLimit > 1)
        while (TotalSize > SizeLimit && Count() > 1)
            DeleteState(1);
    while (Current + 1 <= Count() - 1)
        DeleteState(Current + 1);

    auto Stream = std::make_unique<TMemoryStream>();
    const bool WasSaved = Document->Saved;
    Document->SaveToStream(*Stream, /*Undo=*/true);
    Document->Saved = WasSaved;
    TotalSize += Stream->Size();
    Add(Stream.release());
    Current = Count() - 1;
    Document->StateStored = true;
}

void TStateStack::DeleteState(int i)
{
    TMemoryStream* Stream = Snapshot(i);
    TotalSize -= Stream->Size();
    delete Stream;
    Delete(i);
    if (Current >= i)
        --Current;
    if (SavedIndex == i)
        SavedIndex = -1;
    else if (SavedIndex > i)
        --SavedIndex;
}

void TStateStack::Clear()
{
    for (int I = Count() - 1; I >= 0; --I)
        DeleteState(I);
    TList::Clear();
}

void TStateStack::RestoreState()
{
    TMemoryStream* Stream = Snapshot(Current);
    Stream->SetPosition(0);
    const AnsiString FileName = Document->NameSaveFile();
    Document->LoadFromStream(*Stream, /*Undo=*/true);
    Document->SetNameSaveFile(FileName);
    Document->Saved = Current == SavedIndex;
}

void TStateStack::Undo()
{
    if (!Document->Saved && Current == Count() - 1)
        PushState();
    if (Current > 0)
        --Current;
    RestoreState();
}

void TStateStack::Redo()
{
    if (Current < Count() - 1) {
        ++Current;
        RestoreState();
    }
}

void TStateStack::RestoreFirst()
{
    Current = 0;
    RestoreState();
}

void TStateStack::NoteSaved()
{
    SavedIndex = Current;
}
