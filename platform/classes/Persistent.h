#pragma once

// TPersistent: objects that can be assigned to one another (Assign /
// AssignTo) and that name themselves for the streaming system
// (GetNamePath). DefineProperties declares values that are streamed beyond
// the published properties; no form descriptions are read or written by the
// program, so TFiler is the small interface those overrides are written
// against (tests give it a filer that records the definitions).

#include "platform/classes/Events.h"
#include "platform/classes/Object.h"

class TReader;
class TStream;
class TWriter;

using TReaderProc = MethodPointer<void(TReader* Reader)>;
using TWriterProc = MethodPointer<void(TWriter* Writer)>;
using TStreamProc = MethodPointer<void(TStream* Stream)>;

class TFiler;

class TPersistent : public TObject {
    PRICETAGS_CLASS(TPersistent, TObject)
public:
    TPersistent() = default;
    ~TPersistent() override;

    /// Copies Source into this object. The base asks Source to do it
    /// (AssignTo); when neither side knows the other it raises EConvertError
    /// "Cannot assign a %s to a %s" (Source's class name or "nil", then this
    /// class's name).
    virtual void Assign(TPersistent* Source);
    /// Owner path of the object for the streaming system: the owner's path,
    /// a dot and the class name here; components give their name.
    virtual AnsiString GetNamePath();

protected:
    /// Copies this object into Dest; the base raises the assign error.
    virtual void AssignTo(TPersistent* Dest);
    /// Declares streamed values with Filer->DefineProperty; the base none.
    virtual void DefineProperties(TFiler* Filer);
    /// The object that owns this one for streaming (null in the base).
    virtual TPersistent* GetOwner();
    /// Raises the assign error for Source (null for "nil").
    [[noreturn]] void AssignError(TPersistent* Source);

    friend class TFiler;
};

/// What DefineProperties overrides talk to. Ancestor is the object being
/// compared with when writing (null when none); Root the top component.
class TFiler : public TObject {
    PRICETAGS_CLASS(TFiler, TObject)
public:
    TFiler() = default;
    ~TFiler() override;

    virtual void DefineProperty(const AnsiString& Name, TReaderProc ReadData, TWriterProc WriteData,
                                bool HasData) = 0;
    virtual void DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData,
                                      TStreamProc WriteData, bool HasData) = 0;

    TPersistent* Ancestor() const { return FAncestor; }
    void SetAncestor(TPersistent* Value) { FAncestor = Value; }
    TComponent* Root() const { return FRoot; }
    void SetRoot(TComponent* Value) { FRoot = Value; }

    /// Lets a filer call the protected hook of any persistent object.
    static void CallDefineProperties(TPersistent* Instance, TFiler* Filer)
    {
        Instance->DefineProperties(Filer);
    }

private:
    TPersistent* FAncestor = nullptr;
    TComponent* FRoot = nullptr;
};
