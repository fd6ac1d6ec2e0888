#include "platform/classes/Filer.h"

#include "platform/classes/Collection.h"
#include "platform/classes/Streams.h"
#include "platform/classes/TypInfo.h"
#include "platform/classes/UpdateScope.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const char* const SInvalidImage = "Invalid stream format";
const char* const SInvalidPropertyValue = "Invalid property value";
const char* const SInvalidPropertyPath = "Invalid property path";
const char* const SUnknownProperty = "Property %s does not exist";
const char* const SPropertyException = "Error reading %s%s%s: %s";

/// Lists, collections and components nested deeper than this are refused:
/// the reader recurses once per level.
constexpr int MaxDepth = 256;

// ---- 10-byte extended reals --------------------------------------------------

/// The 80-bit extended form of Value (sign, 15-bit exponent biased by 16383,
/// 64-bit mantissa with its integer bit), little-endian.
void DoubleToExtended(double Value, uint8_t Out[10])
{
    uint64_t Bits;
    std::memcpy(&Bits, &Value, sizeof Bits);
    const uint16_t Sign = (Bits >> 63) ? 0x8000 : 0;
    const int Exp = static_cast<int>((Bits >> 52) & 0x7FF);
    uint64_t Frac = Bits & ((uint64_t(1) << 52) - 1);
    uint16_t Exp80 = 0;
    uint64_t Mant = 0;
    if (Exp == 0x7FF) {
        // Infinities and NaNs keep their fraction bits.
        Exp80 = 0x7FFF;
        Mant = (uint64_t(1) << 63) | (Frac << 11);
    } else if (Exp == 0) {
        if (Frac != 0) {
            // A subnormal double is a normal extended number.
            int Shift = 0;
            while (!(Frac & (uint64_t(1) << 52))) {
                Frac <<= 1;
                ++Shift;
            }
            Exp80 = static_cast<uint16_t>(1 - 1023 - Shift + 16383);
            Mant = Frac << 11;
        }
    } else {
        Exp80 = static_cast<uint16_t>(Exp - 1023 + 16383);
        Mant = (uint64_t(1) << 63) | (Frac << 11);
    }
    std::memcpy(Out, &Mant, 8);
    const uint16_t SE = Sign | Exp80;
    std::memcpy(Out + 8, &SE, 2);
}

/// The double nearest to an 80-bit extended real (beyond the double range:
/// an infinity or zero of its sign).
double ExtendedToDouble(const uint8_t In[10])
{
    uint64_t Mant;
    uint16_t SE;
    std::memcpy(&Mant, In, 8);
    std::memcpy(&SE, In + 8, 2);
    const bool Negative = SE & 0x8000;
    const int Exp = SE & 0x7FFF;
    double Result;
    if (Exp == 0x7FFF)
        Result = (Mant << 1) ? std::nan("") : INFINITY;
    else
        Result = std::ldexp(static_cast<double>(Mant), Exp - 16383 - 63);
    return Negative ? -Result : Result;
}

bool IsCurrencyType(const TTypeInfo* Type)
{
    return Type->FloatType == ftCurr;
}

bool IsDateType(const TTypeInfo* Type)
{
    return SameText(Type->Name, "TDateTime") || SameText(Type->Name, "TDate") ||
           SameText(Type->Name, "TTime");
}

/// The owned component of Root named Name, Root itself by its own name,
/// or null.
TComponent* FindNamed(TComponent* Root, const AnsiString& Name)
{
    if (!Root || Name.IsEmpty())
        return nullptr;
    if (SameText(Root->Name(), Name))
        return Root;
    return Root->FindComponent(Name);
}

/// True when both collections write the same bytes.
bool CollectionsEqual(TCollection* A, TCollection* B)
{
    if (A->Count() != B->Count())
        return false;
    TMemoryStream SA;
    TMemoryStream SB;
    TWriter WA(&SA);
    TWriter WB(&SB);
    WA.WriteCollection(A);
    WB.WriteCollection(B);
    return SA.Size() == SB.Size() &&
           std::memcmp(SA.Memory(), SB.Memory(), static_cast<size_t>(SA.Size())) == 0;
}

} // namespace

// ---- TWriter -----------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TWriter)

TWriter::TWriter(TStream* Stream) : FStream(Stream) {}

TWriter::~TWriter() = default;

void TWriter::WriteBytes(const void* Data, int Count)
{
    FStream->WriteBuffer(Data, Count);
}

void TWriter::WriteValue(TValueType Value)
{
    const uint8_t B = Value;
    WriteBytes(&B, 1);
}

void TWriter::WriteSignature()
{
    WriteBytes(FilerSignature, 4);
}

void TWriter::WriteListBegin()
{
    WriteValue(vaList);
}

void TWriter::WriteListEnd()
{
    WriteValue(vaNull);
}

void TWriter::WriteStr(const AnsiString& Value)
{
    // Short strings hold at most 255 bytes; names are identifiers.
    const int Len = std::min(Value.Length(), 255);
    const uint8_t L = static_cast<uint8_t>(Len);
    WriteBytes(&L, 1);
    WriteBytes(Value.c_str(), Len);
}

void TWriter::WriteInteger(Int64 Value)
{
    if (Value >= -128 && Value <= 127) {
        WriteValue(vaInt8);
        const int8_t V = static_cast<int8_t>(Value);
        WriteBytes(&V, 1);
    } else if (Value >= -32768 && Value <= 32767) {
        WriteValue(vaInt16);
        const int16_t V = static_cast<int16_t>(Value);
        WriteBytes(&V, 2);
    } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
        WriteValue(vaInt32);
        const int32_t V = static_cast<int32_t>(Value);
        WriteBytes(&V, 4);
    } else {
        WriteValue(vaInt64);
        const int64_t V = Value;
        WriteBytes(&V, 8);
    }
}

void TWriter::WriteBoolean(bool Value)
{
    WriteValue(Value ? vaTrue : vaFalse);
}

void TWriter::WriteWideString(const std::u16string& Value)
{
    WriteValue(vaWString);
    const int32_t L = static_cast<int32_t>(Value.size());
    WriteBytes(&L, 4);
    for (char16_t C : Value) {
        const uint8_t Pair[2] = {static_cast<uint8_t>(C & 0xFF), static_cast<uint8_t>(C >> 8)};
        WriteBytes(Pair, 2);
    }
}

void TWriter::WriteChar(char Value)
{
    WriteString(AnsiString(&Value, 1));
}

void TWriter::WriteString(const AnsiString& Value)
{
    const int Len = Value.Length();
    if (Len <= 255) {
        WriteValue(vaString);
        const uint8_t L = static_cast<uint8_t>(Len);
        WriteBytes(&L, 1);
    } else {
        WriteValue(vaLString);
        const int32_t L = Len;
        WriteBytes(&L, 4);
    }
    WriteBytes(Value.c_str(), Len);
}

void TWriter::WriteIdent(const AnsiString& Ident)
{
    if (SameText(Ident, "False"))
        return WriteValue(vaFalse);
    if (SameText(Ident, "True"))
        return WriteValue(vaTrue);
    if (SameText(Ident, "Null"))
        return WriteValue(vaNull);
    if (SameText(Ident, "nil"))
        return WriteValue(vaNil);
    WriteValue(vaIdent);
    WriteStr(Ident);
}

void TWriter::WriteFloat(double Value)
{
    uint8_t Ext[10];
    DoubleToExtended(Value, Ext);
    WriteValue(vaExtended);
    WriteBytes(Ext, 10);
}

void TWriter::WriteSingle(float Value)
{
    WriteValue(vaSingle);
    WriteBytes(&Value, 4);
}

void TWriter::WriteCurrency(Currency Value)
{
    WriteValue(vaCurrency);
    const int64_t V = Value.Raw();
    WriteBytes(&V, 8);
}

void TWriter::WriteDate(double Value)
{
    WriteValue(vaDate);
    WriteBytes(&Value, 8);
}

void TWriter::WriteSet(const TTypeInfo* SetType, Int64 Bits)
{
    WriteValue(vaSet);
    const TTypeInfo* Comp = SetType->CompType;
    for (int I = 0; I < 64; ++I) {
        if (!((static_cast<uint64_t>(Bits) >> I) & 1))
            continue;
        WriteStr(GetEnumName(Comp, I));
    }
    WriteStr("");
}

void TWriter::WritePropName(const AnsiString& Name)
{
    WriteStr(FPropPath + Name);
}

void TWriter::DefineProperty(const AnsiString& Name, TReaderProc /*ReadData*/,
                             TWriterProc WriteData, bool HasData)
{
    if (!HasData || !WriteData)
        return;
    WritePropName(Name);
    WriteData(this);
}

void TWriter::DefineBinaryProperty(const AnsiString& Name, TStreamProc /*ReadData*/,
                                   TStreamProc WriteData, bool HasData)
{
    if (!HasData || !WriteData)
        return;
    WritePropName(Name);
    TMemoryStream Data;
    WriteData(&Data);
    WriteValue(vaBinary);
    const int32_t Size = static_cast<int32_t>(Data.Size());
    WriteBytes(&Size, 4);
    WriteBytes(Data.Memory(), Size);
}

void TWriter::WriteProperty(TPersistent* Instance, const TPropInfo& Prop,
                            TPersistent* AncestorObj)
{
    const TTypeInfo* Type = Prop.PropType;
    switch (Type->Kind) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkSet: {
        const Int64 Value = GetOrdProp(Instance, &Prop);
        if (AncestorObj) {
            if (Value == GetOrdProp(AncestorObj, &Prop))
                return;
        } else if (Prop.Default != NoDefault && Value == Prop.Default) {
            return;
        }
        WritePropName(Prop.Name);
        if (Type->Kind == tkInteger)
            WriteInteger(Value);
        else if (Type->Kind == tkChar)
            WriteChar(static_cast<char>(Value));
        else if (Type->Kind == tkEnumeration)
            WriteIdent(GetEnumName(Type, static_cast<int>(Value)));
        else
            WriteSet(Type, Value);
        return;
    }
    case tkInt64: {
        const Int64 Value = GetInt64Prop(Instance, &Prop);
        if (AncestorObj ? Value == GetInt64Prop(AncestorObj, &Prop) : Value == 0)
            return;
        WritePropName(Prop.Name);
        WriteInteger(Value);
        return;
    }
    case tkFloat: {
        const double Value = GetFloatProp(Instance, &Prop);
        if (AncestorObj ? Value == GetFloatProp(AncestorObj, &Prop) : Value == 0)
            return;
        WritePropName(Prop.Name);
        if (IsCurrencyType(Type))
            WriteCurrency(Currency(Value));
        else if (IsDateType(Type))
            WriteDate(Value);
        else if (Type->FloatType == ftSingle)
            WriteSingle(static_cast<float>(Value));
        else
            WriteFloat(Value);
        return;
    }
    case tkString:
    case tkLString:
    case tkWString: {
        const AnsiString Value = GetStrProp(Instance, &Prop);
        if (AncestorObj ? Value == GetStrProp(AncestorObj, &Prop) : Value.IsEmpty())
            return;
        WritePropName(Prop.Name);
        WriteString(Value);
        return;
    }
    case tkClass: {
        TObject* Value = GetObjectProp(Instance, &Prop);
        TObject* AncValue = AncestorObj ? GetObjectProp(AncestorObj, &Prop) : nullptr;
        if (!Value) {
            if (AncValue) {
                WritePropName(Prop.Name);
                WriteValue(vaNil);
            }
            return;
        }
        if (Value->InheritsFrom(ClassOf<TComponent>())) {
            // A reference to another component: its name, qualified by its
            // owner when the owner is not the root being written.
            auto* Comp = static_cast<TComponent*>(Value);
            if (Comp->Name().IsEmpty())
                return;
            auto* AncComp = static_cast<TComponent*>(AncValue);
            if (AncComp && SameText(AncComp->Name(), Comp->Name()))
                return;
            AnsiString Ref = Comp->Name();
            if (Comp->Owner() && Comp->Owner() != Root() && !Comp->Owner()->Name().IsEmpty())
                Ref = Comp->Owner()->Name() + "." + Ref;
            WritePropName(Prop.Name);
            WriteIdent(Ref);
            return;
        }
        if (Value->InheritsFrom(ClassOf<TCollection>())) {
            auto* Coll = static_cast<TCollection*>(Value);
            if (AncValue && AncValue->InheritsFrom(ClassOf<TCollection>())) {
                if (CollectionsEqual(Coll, static_cast<TCollection*>(AncValue)))
                    return;
            } else if (Coll->Count() == 0) {
                return;
            }
            WritePropName(Prop.Name);
            WriteCollection(Coll);
            return;
        }
        if (!Value->InheritsFrom(ClassOf<TPersistent>()))
            return;
        // A nested persistent: its properties under "Name.".
        const AnsiString SavedPath = FPropPath;
        FPropPath = FPropPath + Prop.Name + ".";
        TPersistent* SavedAncestor = Ancestor();
        auto* AncPers = AncValue && AncValue->InheritsFrom(ClassOf<TPersistent>())
                            ? static_cast<TPersistent*>(AncValue)
                            : nullptr;
        SetAncestor(AncPers);
        try {
            WriteProperties(static_cast<TPersistent*>(Value));
        } catch (...) {
            FPropPath = SavedPath;
            SetAncestor(SavedAncestor);
            throw;
        }
        FPropPath = SavedPath;
        SetAncestor(SavedAncestor);
        return;
    }
    case tkMethod:
        // Handlers are bound in code, never by name from a stream.
        return;
    case tkUnknown:
    case tkVariant:
    case tkArray:
    case tkRecord:
    case tkInterface:
    case tkWChar:
    case tkDynArray:
        return;
    }
}

void TWriter::WriteProperties(TPersistent* Instance)
{
    TPersistent* AncestorObj = Ancestor();
    for (PPropInfo Prop : GetPropList(Instance)) {
        if (!Prop->Readable())
            continue;
        // Read-only properties are written only when they hold an object
        // whose own properties can be set (a font, a collection).
        if (!Prop->Writable() && Prop->PropType->Kind != tkClass)
            continue;
        if (!IsStoredProp(Instance, Prop))
            continue;
        WriteProperty(Instance, *Prop, AncestorObj);
    }
    TFiler::CallDefineProperties(Instance, this);
}

void TWriter::WriteCollection(TCollection* Value)
{
    WriteValue(vaCollection);
    TPersistent* SavedAncestor = Ancestor();
    const AnsiString SavedPath = FPropPath;
    FPropPath = "";
    SetAncestor(nullptr);
    try {
        for (int I = 0; I < Value->Count(); ++I) {
            WriteListBegin();
            WriteProperties(Value->Items(I));
            WriteListEnd();
        }
    } catch (...) {
        SetAncestor(SavedAncestor);
        FPropPath = SavedPath;
        throw;
    }
    SetAncestor(SavedAncestor);
    FPropPath = SavedPath;
    WriteListEnd();
}

void TWriter::WriteComponentAgainst(TComponent* Component, TComponent* AncestorComp)
{
    /// Marks the component csWriting while it is written.
    struct WritingScope {
        TComponent* C;
        explicit WritingScope(TComponent* Comp) : C(Comp)
        {
            C->SetComponentState(C->ComponentState().Include(csWriting));
        }
        ~WritingScope() { C->SetComponentState(C->ComponentState().Exclude(csWriting)); }
    } Writing(Component);

    TPersistent* SavedAncestor = Ancestor();
    SetAncestor(AncestorComp);
    try {
        if (AncestorComp)
            WriteValue(static_cast<TValueType>(0xF0 | (1 << ffInherited)));
        WriteStr(Component->ClassName());
        WriteStr(Component->Name());
        WriteProperties(Component);
        WriteListEnd();
        Component->GetChildren(
            [this](TComponent* Child) {
                TComponent* AncChild =
                    FAncestorRoot ? FindNamed(FAncestorRoot, Child->Name()) : nullptr;
                if (AncChild && AncChild->ClassType() != Child->ClassType())
                    AncChild = nullptr;
                WriteComponentAgainst(Child, AncChild);
            },
            Root());
        WriteListEnd();
    } catch (...) {
        SetAncestor(SavedAncestor);
        throw;
    }
    SetAncestor(SavedAncestor);
}

void TWriter::WriteComponent(TComponent* Component)
{
    TComponent* AncChild = FAncestorRoot ? FindNamed(FAncestorRoot, Component->Name()) : nullptr;
    WriteComponentAgainst(Component, AncChild);
}

void TWriter::WriteRootComponent(TComponent* Root)
{
    WriteDescendent(Root, nullptr);
}

void TWriter::WriteDescendent(TComponent* ARoot, TComponent* AAncestor)
{
    SetRoot(ARoot);
    FAncestorRoot = AAncestor;
    WriteSignature();
    WriteComponentAgainst(ARoot, AAncestor);
    FAncestorRoot = nullptr;
}

// ---- TReader -----------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TReader)

TReader::TReader(TStream* Stream) : FStream(Stream) {}

TReader::~TReader() = default;

void TReader::ReadBytes(void* Data, int Count)
{
    FStream->ReadBuffer(Data, Count);
}

uint8_t TReader::ReadByte()
{
    uint8_t B;
    ReadBytes(&B, 1);
    return B;
}

int32_t TReader::ReadLength()
{
    int32_t Len;
    ReadBytes(&Len, 4);
    // A length past the end of the stream can only come from damage; refuse
    // it before allocating.
    if (Len < 0 || Len > FStream->Size() - FStream->Position())
        throw EReadError(SReadError);
    return Len;
}

void TReader::InvalidValue()
{
    throw EReadError(SInvalidPropertyValue);
}

void TReader::ReadSignature()
{
    char Sig[4];
    if (FStream->Read(Sig, 4) != 4 || std::memcmp(Sig, FilerSignature, 4) != 0)
        throw EReadError(SInvalidImage);
}

TValueType TReader::ReadValue()
{
    const uint8_t B = ReadByte();
    if (B > vaUTF8String)
        throw EReadError(SInvalidImage);
    return static_cast<TValueType>(B);
}

TValueType TReader::NextValue()
{
    const TValueType V = ReadValue();
    FStream->Seek(-1, soCurrent);
    return V;
}

void TReader::CheckValue(TValueType Expected)
{
    if (ReadValue() != Expected) {
        FStream->Seek(-1, soCurrent);
        SkipValue();
        InvalidValue();
    }
}

void TReader::ReadListBegin()
{
    CheckValue(vaList);
}

void TReader::ReadListEnd()
{
    CheckValue(vaNull);
}

bool TReader::EndOfList()
{
    uint8_t B;
    if (FStream->Read(&B, 1) != 1)
        throw EReadError(SReadError);
    FStream->Seek(-1, soCurrent);
    return B == vaNull;
}

AnsiString TReader::ReadStr()
{
    const int Len = ReadByte();
    AnsiString S;
    S.SetLength(Len);
    if (Len > 0)
        ReadBytes(S.Data(), Len);
    return S;
}

Int64 TReader::ReadInt64()
{
    switch (ReadValue()) {
    case vaInt8: {
        int8_t V;
        ReadBytes(&V, 1);
        return V;
    }
    case vaInt16: {
        int16_t V;
        ReadBytes(&V, 2);
        return V;
    }
    case vaInt32: {
        int32_t V;
        ReadBytes(&V, 4);
        return V;
    }
    case vaInt64: {
        int64_t V;
        ReadBytes(&V, 8);
        return V;
    }
    default:
        InvalidValue();
    }
}

Integer TReader::ReadInteger()
{
    const Int64 V = ReadInt64();
    if (V < INT32_MIN || V > INT32_MAX)
        InvalidValue();
    return static_cast<Integer>(V);
}

bool TReader::ReadBoolean()
{
    const TValueType V = ReadValue();
    if (V == vaTrue)
        return true;
    if (V == vaFalse)
        return false;
    InvalidValue();
}

char TReader::ReadChar()
{
    const AnsiString S = ReadString();
    if (S.Length() != 1)
        InvalidValue();
    return S[1];
}

AnsiString TReader::ReadString()
{
    int Len = 0;
    switch (ReadValue()) {
    case vaString:
        Len = ReadByte();
        break;
    case vaLString:
    case vaUTF8String:
        Len = ReadLength();
        break;
    case vaWString: {
        // Two bytes a character: kept as the low bytes, the only part a
        // CP1251 program can hold of characters it wrote itself.
        const int32_t Chars = ReadLength();
        if (Chars > (FStream->Size() - FStream->Position()) / 2)
            throw EReadError(SReadError);
        std::vector<uint16_t> W(Chars);
        if (Chars > 0)
            ReadBytes(W.data(), Chars * 2);
        AnsiString S;
        S.SetLength(Chars);
        for (int I = 0; I < Chars; ++I)
            S.Data()[I] = static_cast<char>(W[I] & 0xFF);
        return S;
    }
    default:
        InvalidValue();
    }
    AnsiString S;
    S.SetLength(Len);
    if (Len > 0)
        ReadBytes(S.Data(), Len);
    return S;
}

std::u16string TReader::ReadWideString()
{
    if (NextValue() != vaWString) {
        // Older streams hold 8-bit text: each byte is a CP1251 character.
        const AnsiString S = ReadString();
        std::u16string Result;
        Result.reserve(static_cast<size_t>(S.Length()));
        for (int I = 0; I < S.Length(); ++I)
            Result.push_back(static_cast<char16_t>(
                cp1251::ToUnicode(static_cast<unsigned char>(S.c_str()[I]))));
        return Result;
    }
    (void)ReadValue();
    const int32_t Chars = ReadLength();
    if (Chars > (FStream->Size() - FStream->Position()) / 2)
        throw EReadError(SReadError);
    std::u16string Result(static_cast<size_t>(Chars), u'\0');
    for (int32_t I = 0; I < Chars; ++I) {
        uint8_t Pair[2];
        ReadBytes(Pair, 2);
        Result[static_cast<size_t>(I)] = static_cast<char16_t>(Pair[0] | (Pair[1] << 8));
    }
    return Result;
}

AnsiString TReader::ReadIdent()
{
    switch (ReadValue()) {
    case vaIdent:
        return ReadStr();
    case vaFalse:
        return "False";
    case vaTrue:
        return "True";
    case vaNil:
        return "nil";
    case vaNull:
        return "Null";
    default:
        InvalidValue();
    }
}

double TReader::ReadFloat()
{
    switch (NextValue()) {
    case vaExtended: {
        (void)ReadValue();
        uint8_t Ext[10];
        ReadBytes(Ext, 10);
        return ExtendedToDouble(Ext);
    }
    case vaSingle: {
        (void)ReadValue();
        float F;
        ReadBytes(&F, 4);
        return F;
    }
    case vaCurrency:
        return ReadCurrency().ToDouble();
    case vaDate: {
        (void)ReadValue();
        double D;
        ReadBytes(&D, 8);
        return D;
    }
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
        return static_cast<double>(ReadInt64());
    default:
        InvalidValue();
    }
}

Currency TReader::ReadCurrency()
{
    if (NextValue() != vaCurrency)
        return Currency(ReadFloat());
    (void)ReadValue();
    int64_t V;
    ReadBytes(&V, 8);
    return Currency::FromRaw(V);
}

Int64 TReader::ReadSet(const TTypeInfo* SetType)
{
    if (ReadValue() != vaSet)
        InvalidValue();
    uint64_t Bits = 0;
    for (;;) {
        const AnsiString Name = ReadStr();
        if (Name.IsEmpty())
            break;
        const int Ord = GetEnumValue(SetType->CompType, Name);
        if (Ord < 0 || Ord > 63)
            InvalidValue();
        Bits |= uint64_t(1) << Ord;
    }
    return static_cast<Int64>(Bits);
}

void TReader::SkipValue()
{
    SkipValueAt(0);
}

void TReader::SkipValueAt(int Depth)
{
    if (Depth > MaxDepth)
        throw EReadError(SInvalidImage);
    switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
        return;
    case vaList:
        while (!EndOfList())
            SkipValueAt(Depth + 1);
        (void)ReadValue();
        return;
    case vaInt8:
        FStream->Seek(1, soCurrent);
        return;
    case vaInt16:
        FStream->Seek(2, soCurrent);
        return;
    case vaInt32:
    case vaSingle:
        FStream->Seek(4, soCurrent);
        return;
    case vaInt64:
    case vaCurrency:
    case vaDate:
        FStream->Seek(8, soCurrent);
        return;
    case vaExtended:
        FStream->Seek(10, soCurrent);
        return;
    case vaString:
    case vaIdent:
        FStream->Seek(ReadByte(), soCurrent);
        return;
    case vaLString:
    case vaUTF8String:
    case vaBinary:
        FStream->Seek(ReadLength(), soCurrent);
        return;
    case vaWString: {
        const int32_t Chars = ReadLength();
        if (Chars > (FStream->Size() - FStream->Position()) / 2)
            throw EReadError(SReadError);
        FStream->Seek(Int64(Chars) * 2, soCurrent);
        return;
    }
    case vaSet:
        while (!ReadStr().IsEmpty()) {
        }
        return;
    case vaCollection:
        while (!EndOfList()) {
            const TValueType V = NextValue();
            if (V == vaInt8 || V == vaInt16 || V == vaInt32)
                (void)ReadInt64();
            ReadListBegin();
            SkipProperties(Depth + 1);
        }
        (void)ReadValue();
        return;
    }
    throw EReadError(SInvalidImage);
}

void TReader::SkipProperties(int Depth)
{
    while (!EndOfList()) {
        (void)ReadStr();
        SkipValueAt(Depth);
    }
    (void)ReadValue();
}

void TReader::DefineProperty(const AnsiString& Name, TReaderProc ReadData,
                             TWriterProc /*WriteData*/, bool /*HasData*/)
{
    if (FPropRead || !ReadData || !SameText(Name, FPropName))
        return;
    ReadData(this);
    FPropRead = true;
}

void TReader::DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData,
                                   TStreamProc /*WriteData*/, bool /*HasData*/)
{
    if (FPropRead || !ReadData || !SameText(Name, FPropName))
        return;
    if (ReadValue() != vaBinary)
        InvalidValue();
    const int32_t Size = ReadLength();
    TMemoryStream Data;
    Data.SetSize(Size);
    if (Size > 0)
        ReadBytes(Data.Memory(), Size);
    Data.SetPosition(0);
    ReadData(&Data);
    FPropRead = true;
}

void TReader::ReadPropValue(TPersistent* Instance, const TPropInfo& Prop)
{
    const TTypeInfo* Type = Prop.PropType;
    switch (Type->Kind) {
    case tkInteger:
        SetOrdProp(Instance, &Prop, ReadInteger());
        return;
    case tkChar:
        SetOrdProp(Instance, &Prop, static_cast<unsigned char>(ReadChar()));
        return;
    case tkEnumeration: {
        const int Ord = GetEnumValue(Type, ReadIdent());
        if (Ord < 0)
            InvalidValue();
        SetOrdProp(Instance, &Prop, Ord);
        return;
    }
    case tkSet:
        SetOrdProp(Instance, &Prop, ReadSet(Type));
        return;
    case tkInt64:
        SetInt64Prop(Instance, &Prop, ReadInt64());
        return;
    case tkFloat:
        if (IsCurrencyType(Type))
            SetFloatProp(Instance, &Prop, ReadCurrency().ToDouble());
        else
            SetFloatProp(Instance, &Prop, ReadFloat());
        return;
    case tkString:
    case tkLString:
    case tkWString:
        SetStrProp(Instance, &Prop, ReadString());
        return;
    case tkClass: {
        const TValueType V = NextValue();
        if (V == vaNil) {
            (void)ReadValue();
            SetObjectProp(Instance, &Prop, nullptr);
            return;
        }
        if (V == vaCollection) {
            TObject* Obj = GetObjectProp(Instance, &Prop);
            if (!Obj || !Obj->InheritsFrom(ClassOf<TCollection>()))
                InvalidValue();
            ReadCollection(static_cast<TCollection*>(Obj));
            return;
        }
        if (V == vaIdent) {
            // "Name" among the root's components, or "Owner.Name".
            const AnsiString Ref = ReadIdent();
            // The component may come later in the stream: the reference is
            // set once the whole stream is read.
            FFixups.push_back({Instance, &Prop, Ref, FPropPath + Prop.Name, FCompName});
            return;
        }
        InvalidValue();
    }
    case tkMethod:
        // Handlers are bound in code; a stored handler name is passed over.
        SkipValue();
        return;
    case tkUnknown:
    case tkVariant:
    case tkArray:
    case tkRecord:
    case tkInterface:
    case tkWChar:
    case tkDynArray:
        SkipValue();
        return;
    }
}

void TReader::ReadProperty(TPersistent* AInstance)
{
    const AnsiString Path = ReadStr();
    try {
        // "Font.Name": walk the nested persistent objects to the last part.
        TPersistent* Instance = AInstance;
        AnsiString Rest = Path;
        for (int Dot = Rest.Pos("."); Dot > 0; Dot = Rest.Pos(".")) {
            const AnsiString Part = Rest.SubString(1, Dot - 1);
            Rest = Rest.SubString(Dot + 1, Rest.Length() - Dot);
            PPropInfo P = GetPropInfo(Instance, Part);
            TObject* Obj =
                P && P->PropType->Kind == tkClass ? GetObjectProp(Instance, P) : nullptr;
            if (!Obj || !Obj->InheritsFrom(ClassOf<TPersistent>()))
                throw EReadError(SInvalidPropertyPath);
            Instance = static_cast<TPersistent*>(Obj);
        }
        if (PPropInfo P = GetPropInfo(Instance, Rest); P && (P->Writable() ||
                                                            P->PropType->Kind == tkClass)) {
            ReadPropValue(Instance, *P);
            return;
        }
        FPropName = Rest;
        FPropRead = false;
        TFiler::CallDefineProperties(Instance, this);
        FPropName = "";
        if (FPropRead)
            return;
        bool Handled = false;
        const AnsiString Message = Format(SUnknownProperty, {Rest});
        OnError(this, Message, Handled);
        if (!Handled)
            throw EReadError(Message);
        SkipValue();
    } catch (const EReadError& E) {
        // Say which component and property the damage was found in, once.
        if (E.Message.Pos("Error reading ") == 1)
            throw;
        AnsiString CompName;
        if (AInstance->InheritsFrom(ClassOf<TComponent>()))
            CompName = static_cast<TComponent*>(AInstance)->Name();
        else
            CompName = FCompName;
        PropertyError(CompName, FPropPath + Path, E.Message);
    }
}

void TReader::PropertyError(const AnsiString& CompName, const AnsiString& PropPath,
                            const AnsiString& Message)
{
    throw EReadError(Format(SPropertyException, {CompName,
                                                 AnsiString(CompName.IsEmpty() ? "" : "."),
                                                 PropPath, Message}));
}

void TReader::ResolveFixups()
{
    std::vector<Fixup> Pending;
    Pending.swap(FFixups);
    for (const Fixup& F : Pending) {
        TComponent* Found = nullptr;
        const int Dot = F.Ref.Pos(".");
        if (Dot > 0)
            Found = FindNamed(FindNamed(Root(), F.Ref.SubString(1, Dot - 1)),
                              F.Ref.SubString(Dot + 1, F.Ref.Length() - Dot));
        else
            Found = FindNamed(Root(), F.Ref);
        if (!Found)
            PropertyError(F.CompName, F.PropPath, SInvalidPropertyValue);
        SetObjectProp(F.Instance, F.Prop, Found);
    }
}

void TReader::ReadProperties(TPersistent* Instance)
{
    while (!EndOfList())
        ReadProperty(Instance);
}

void TReader::ReadCollection(TCollection* Collection)
{
    if (ReadValue() != vaCollection)
        InvalidValue();
    if (++FDepth > MaxDepth)
        throw EReadError(SInvalidImage);
    struct DepthScope {
        int& D;
        ~DepthScope() { --D; }
    } Depth{FDepth};
    const UpdateScope<TCollection> Updating(*Collection);
    {
        Collection->Clear();
        while (!EndOfList()) {
            const TValueType V = NextValue();
            if (V == vaInt8 || V == vaInt16 || V == vaInt32)
                (void)ReadInt64(); // the item's place in the ancestor; items are appended
            ReadListBegin();
            TCollectionItem* Item = Collection->Add();
            const AnsiString SavedPath = FPropPath;
            FPropPath = "";
            try {
                ReadProperties(Item);
            } catch (...) {
                FPropPath = SavedPath;
                throw;
            }
            FPropPath = SavedPath;
            ReadListEnd();
        }
        ReadListEnd();
    }
}

void TReader::ReadPrefix(TFilerFlags& Flags, int& ChildPos)
{
    Flags = {};
    ChildPos = 0;
    uint8_t B;
    if (FStream->Read(&B, 1) != 1)
        throw EReadError(SReadError);
    if ((B & 0xF0) != 0xF0) {
        FStream->Seek(-1, soCurrent);
        return;
    }
    Flags = TFilerFlags::FromBits(B & 0x07);
    if (Flags.Contains(ffChildPos))
        ChildPos = ReadInteger();
}

TComponent* TReader::ReadComponent(TComponent* Owner)
{
    if (++FDepth > MaxDepth)
        throw EReadError(SInvalidImage);
    TFilerFlags Flags;
    int ChildPos = 0;
    ReadPrefix(Flags, ChildPos);
    const AnsiString ClassName = ReadStr();
    const AnsiString Name = ReadStr();
    TComponentClass ComponentClass = FindClass(ClassName);
    if (!ComponentClass->InheritsFrom(ClassOf<TComponent>()))
        throw EReadError(SInvalidImage);
    // An inherited child already exists under that name; others are new.
    TComponent* Existing = Flags.Contains(ffInherited) ? Owner->FindComponent(Name) : nullptr;
    TComponent* Result = Existing;
    if (!Result)
        Result = ComponentClass.Create(Owner);
    try {
        if (!Existing && !Name.IsEmpty())
            Result->SetName(Name);
        FCompName = Result->Name();
        ReadProperties(Result);
        ReadListEnd();
        while (!EndOfList())
            (void)ReadComponent(Owner);
        ReadListEnd();
    } catch (...) {
        if (!Existing)
            delete Result;
        --FDepth;
        throw;
    }
    --FDepth;
    return Result;
}

void TReader::ReadRootComponent(TComponent* ARoot)
{
    SetRoot(ARoot);
    ReadSignature();
    TFilerFlags Flags;
    int ChildPos = 0;
    ReadPrefix(Flags, ChildPos);
    const AnsiString ClassName = ReadStr();
    if (!SameText(ClassName, ARoot->ClassName()))
        throw EReadError(SInvalidImage);
    const AnsiString Name = ReadStr();

    // Children created here are freed again when the read fails, so a
    // damaged stream leaves no half-read components behind.
    std::vector<TComponent*> Before;
    for (int I = 0; I < ARoot->ComponentCount(); ++I)
        Before.push_back(ARoot->Components(I));
    auto FreeNew = [&]() {
        for (int I = ARoot->ComponentCount() - 1; I >= 0; --I) {
            TComponent* C = ARoot->Components(I);
            if (std::find(Before.begin(), Before.end(), C) == Before.end())
                delete C;
        }
    };
    try {
        LoadingScope Loading(ARoot);
        try {
            if (!Name.IsEmpty() && !SameText(Name, ARoot->Name()))
                ARoot->SetName(Name);
            FCompName = ARoot->Name();
            ReadProperties(ARoot);
            ReadListEnd();
            while (!EndOfList())
                (void)ReadComponent(ARoot);
            ReadListEnd();
            ResolveFixups();
        } catch (...) {
            FFixups.clear();
            FreeNew();
            throw;
        }
    } catch (...) {
        FDepth = 0;
        throw;
    }
}
