#pragma once

// Component streaming: TReader and TWriter over the class library's binary
// component format. A stream starts with the signature "TPF0"; a component
// is its class name and name (short strings), its properties (a name, then
// one typed value) up to a null byte, then its children the same way up to
// a null byte. Values carry a one-byte type (TValueType) and little-endian
// data; floating-point values are 10-byte extended reals.
//
// Published properties are written by kind; values a component declares in
// DefineProperties are written after them under their own names. With an
// Ancestor, only what differs from the ancestor is written; without one,
// ordinal properties equal to their default, zero numbers and empty texts
// are left out. Event properties are not streamed: the program's forms are
// built in code and bind their handlers there.
//
// Readers check every length and count against the bytes left, and nesting
// against a fixed depth, so a damaged stream raises EReadError and never
// allocates without bound.

#include "platform/classes/Component.h"
#include "platform/classes/Persistent.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"

#include <functional>
#include <string>
#include <vector>

class TCollection;
class TStream;
struct TPropInfo;

enum TValueType : uint8_t {
    vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue,
    vaBinary, vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString,
    vaInt64, vaUTF8String
};

/// The four bytes every component stream starts with.
inline constexpr char FilerSignature[4] = {'T', 'P', 'F', '0'};

/// Flags of the prefix byte (0xF0 | flags) that may stand before a
/// component's class name.
enum TFilerFlag { ffInherited, ffChildPos, ffInline };
using TFilerFlags = EnumSet<TFilerFlag>;

/// Writes components and values to a stream. The stream is not owned.
class TWriter : public TFiler {
    PRICETAGS_CLASS(TWriter, TFiler)
public:
    explicit TWriter(TStream* Stream);
    ~TWriter() override;

    void DefineProperty(const AnsiString& Name, TReaderProc ReadData, TWriterProc WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData, TStreamProc WriteData,
                              bool HasData) override;

    /// The signature, then Root as a component with its children.
    void WriteRootComponent(TComponent* Root);
    /// As WriteRootComponent, writing only what differs from AAncestor (a
    /// component of the same shape; null: none).
    void WriteDescendent(TComponent* Root, TComponent* AAncestor);
    /// One component: class name, name, properties, children.
    void WriteComponent(TComponent* Component);
    /// Instance's published and defined properties (no end marker).
    void WriteProperties(TPersistent* Instance);
    /// Each item as a list of its properties, between vaCollection and
    /// the end marker.
    void WriteCollection(TCollection* Value);

    void WriteSignature();
    void WriteListBegin();
    void WriteListEnd();
    /// The smallest of vaInt8, vaInt16, vaInt32 (vaInt64 beyond 32 bits).
    void WriteInteger(Int64 Value);
    void WriteBoolean(bool Value);
    /// A one-character string.
    void WriteChar(char Value);
    /// vaString up to 255 bytes, vaLString beyond.
    void WriteString(const AnsiString& Value);
    /// vaWString: the UTF-16 units, little-endian.
    void WriteWideString(const std::u16string& Value);
    /// An identifier; "False", "True", "nil" and "Null" as their own types.
    void WriteIdent(const AnsiString& Ident);
    void WriteFloat(double Value);
    void WriteSingle(float Value);
    void WriteCurrency(Currency Value);
    void WriteDate(double Value);
    /// Member names of a set type's bits, ended by an empty name.
    void WriteSet(const TTypeInfo* SetType, Int64 Bits);
    /// A property name (a short string).
    void WriteStr(const AnsiString& Value);

    TStream* Stream() const { return FStream; }

private:
    void WriteValue(TValueType Value);
    void WriteBytes(const void* Data, int Count);
    void WritePropName(const AnsiString& Name);
    void WriteProperty(TPersistent* Instance, const TPropInfo& Prop, TPersistent* AncestorObj);
    void WriteComponentAgainst(TComponent* Component, TComponent* AncestorComp);

    TStream* FStream;
    /// Prefix of nested property names ("Font.").
    AnsiString FPropPath;
    TComponent* FAncestorRoot = nullptr;
};

/// What TReader::OnError receives; setting Handled skips the value.
using TReaderError = MethodPointer<void(TReader* Reader, const AnsiString& Message, bool& Handled)>;

/// Reads components and values from a stream. The stream is not owned.
class TReader : public TFiler {
    PRICETAGS_CLASS(TReader, TFiler)
public:
    explicit TReader(TStream* Stream);
    ~TReader() override;

    void DefineProperty(const AnsiString& Name, TReaderProc ReadData, TWriterProc WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData, TStreamProc WriteData,
                              bool HasData) override;

    /// Reads a stream written by WriteRootComponent into Root (its class
    /// must match the stream's; raises EReadError "Invalid stream format"
    /// otherwise). Children are created by registered class name with Root
    /// as owner. Root and every component read are in csLoading and
    /// csReading while the stream is read, and Loaded() runs on each
    /// afterwards. On an error the components created so far are freed and
    /// the error is raised again; properties already set on Root stay.
    void ReadRootComponent(TComponent* Root);
    /// Instance's properties up to the end marker (not read).
    void ReadProperties(TPersistent* Instance);
    /// Items of a collection: clears it and adds one item per list.
    void ReadCollection(TCollection* Collection);

    void ReadSignature();
    /// The next value type without consuming it.
    [[nodiscard]] TValueType NextValue();
    [[nodiscard]] TValueType ReadValue();
    void ReadListBegin();
    void ReadListEnd();
    /// True when the next byte is the end marker.
    [[nodiscard]] bool EndOfList();
    [[nodiscard]] Integer ReadInteger();
    [[nodiscard]] Int64 ReadInt64();
    [[nodiscard]] bool ReadBoolean();
    [[nodiscard]] char ReadChar();
    /// vaString, vaLString or vaUTF8String/vaWString data taken as bytes.
    [[nodiscard]] AnsiString ReadString();
    /// A vaWString value whole; an 8-bit string (vaString, vaLString,
    /// vaUTF8String) is taken as CP1251 text and converted.
    [[nodiscard]] std::u16string ReadWideString();
    /// An identifier; vaFalse, vaTrue, vaNil and vaNull read as their names.
    [[nodiscard]] AnsiString ReadIdent();
    /// vaExtended, vaSingle, vaCurrency, vaDate or an integer.
    [[nodiscard]] double ReadFloat();
    [[nodiscard]] Currency ReadCurrency();
    [[nodiscard]] Int64 ReadSet(const TTypeInfo* SetType);
    /// A property name (a short string).
    [[nodiscard]] AnsiString ReadStr();
    /// Skips one value of any type.
    void SkipValue();

    TStream* Stream() const { return FStream; }
    /// Called for a property no class publishes or defines; without a
    /// handler, or when it leaves Handled false, the read fails with
    /// "Property %s does not exist".
    TReaderError OnError;

private:
    void ReadBytes(void* Data, int Count);
    uint8_t ReadByte();
    int32_t ReadLength();
    void CheckValue(TValueType Expected);
    [[noreturn]] void InvalidValue();
    void ReadProperty(TPersistent* Instance);
    void ReadPropValue(TPersistent* Instance, const TPropInfo& Prop);
    TComponent* ReadComponent(TComponent* Owner);
    void ReadPrefix(TFilerFlags& Flags, int& ChildPos);
    void SkipValueAt(int Depth);
    void SkipProperties(int Depth);
    [[noreturn]] void PropertyError(const AnsiString& CompName, const AnsiString& PropPath,
                                    const AnsiString& Message);
    void ResolveFixups();

    /// A component reference read before its component: set at the end.
    struct Fixup {
        TPersistent* Instance;
        const TPropInfo* Prop;
        AnsiString Ref;
        AnsiString PropPath;
        AnsiString CompName;
    };
    std::vector<Fixup> FFixups;
    /// Name of the component whose properties are being read.
    AnsiString FCompName;

    TStream* FStream;
    /// The defined property being looked for, consumed when a
    /// DefineProperties override claims it.
    AnsiString FPropName;
    bool FPropRead = false;
    AnsiString FPropPath;
    int FDepth = 0;
};
