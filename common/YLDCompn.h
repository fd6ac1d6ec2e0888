#pragma once

// Tyl_StrHolder: a non-visual component that keeps a list of lines inside
// a form description, under the defined property "StrData": a list of the
// key, then each line combined with the key byte by byte (XOR). With an
// empty key, as in the program's own forms, the lines are stored as they
// are. The combining only hides the text from a casual look; it protects
// nothing.
//
// YLDCompnInitialization registers the library's streamable controls.

#include "platform/classes/Component.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/AnsiString.h"

#include <memory>

/// Line combined with Key: byte I (from 1) XOR key byte ((I - 1) mod key
/// length) + 1. An empty key or line gives the line unchanged; applying it
/// twice gives the line back.
[[nodiscard]] AnsiString StrHolderXorLine(const AnsiString& Line, const AnsiString& Key);

class Tyl_StrHolder : public TComponent {
    PRICETAGS_CLASS(Tyl_StrHolder, TComponent)
public:
    explicit Tyl_StrHolder(TComponent* AOwner);
    ~Tyl_StrHolder() override;

    /// From a TStrings: its lines; from a holder: its lines, keeping this
    /// holder's key; anything else as TComponent does.
    void Assign(TPersistent* Source) override;

    int Capacity() const { return FStrings->Capacity(); }
    void SetCapacity(int Value) { FStrings->SetCapacity(Value); }
    TDuplicates Duplicates() const { return FStrings->Duplicates(); }
    void SetDuplicates(TDuplicates Value) { FStrings->SetDuplicates(Value); }
    const AnsiString& KeyString() const { return FKeyString; }
    void SetKeyString(const AnsiString& Value) { FKeyString = Value; }
    /// The lines (owned by the holder).
    TStrings* Strings() const { return FStrings.get(); }
    /// Copies Value's lines into the holder's list.
    void SetStrings(TStrings* Value);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void AssignTo(TPersistent* Dest) override;
    void DefineProperties(TFiler* Filer) override;
    virtual void Changed();
    virtual void Changing();

private:
    void StringsChanged(TObject* Sender);
    void StringsChanging(TObject* Sender);
    /// Whether "StrData" differs from the ancestor's (or holds anything).
    bool StrDataStored(TFiler* Filer) const;
    void ReadStrData(TReader* Reader);
    void WriteStrData(TWriter* Writer);

    std::unique_ptr<TStringList> FStrings;
    AnsiString FKeyString;
};

/// Registers the library's streamable classes with the class registry.
void YLDCompnInitialization();
