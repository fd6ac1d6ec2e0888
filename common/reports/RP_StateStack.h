#pragma once

// TStateStack: the designer's undo history. Each entry is a whole snapshot
// of the document in the binary template form (with the elements'
// selection), held in memory, oldest first. The total size is bounded by
// SizeLimit and, when set, the count by CountLimit; the first snapshot (the
// state at opening) is never dropped. SavedIndex names the snapshot that
// equals the file on disk, -1 once that snapshot has been dropped.

#include "platform/classes/Lists.h"
#include "platform/rtl/Types.h"

class TDocument;
class TMemoryStream;

class TStateStack : public TList {
    PRICETAGS_CLASS(TStateStack, TList)
public:
    /// Takes the first snapshot of ADocument (not owned), which also counts
    /// as the saved state.
    explicit TStateStack(TDocument* ADocument);
    ~TStateStack() override;

    /// Records the present state, unless the newest snapshot already holds
    /// it (the document's StateStored); drops the redo tail first.
    void PushState();
    /// Steps back one state (re-reads the oldest when there is none before).
    void Undo();
    /// Steps forward one state when there is one.
    void Redo();
    /// Goes back to the state at opening.
    void RestoreFirst();
    /// The present snapshot equals the file on disk.
    void NoteSaved();
    /// Frees snapshot i and moves Current and SavedIndex with the list.
    void DeleteState(int i);
    /// Frees every snapshot, the last first.
    void Clear() override;

    [[nodiscard]] bool CanUndo() const { return Current >= 1; }
    [[nodiscard]] bool CanRedo() const { return Current < Count() - 1; }

    TDocument* Document = nullptr;
    /// Maximum number of snapshots; applied only above 1.
    Integer CountLimit = 0;
    /// Maximum total bytes of all snapshots; applied only above 1.
    Integer SizeLimit = 52428800;
    Integer Current = -1;
    Integer SavedIndex = -1;
    /// Sum of the snapshot sizes in bytes.
    Int64 TotalSize = 0;

private:
    /// Reads snapshot Current back into the document, keeping its file
    /// name; Saved when it is the saved snapshot.
    void RestoreState();
    [[nodiscard]] TMemoryStream* Snapshot(int i) const;
};
