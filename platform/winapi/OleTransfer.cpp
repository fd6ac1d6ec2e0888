// Data objects and MIME data, and the clipboard as a data object.

#include "platform/winapi/OleDragDropPrivate.h"

#include "platform/winapi/GdiPrivate.h"
#include "platform/winapi/WindowPrivate.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/StrUtils.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QRegularExpression>

#include <cstring>
#include <vector>

namespace {

const char TextMime[] = "text/plain";
/// Formats other programs on this system know by a MIME type of their own.
struct KnownMime {
    const char* Format;
    const char* Mime;
};
constexpr KnownMime KnownMimes[] = {
    {"Rich Text Format", "text/rtf"},
    {"CSV", "text/csv"},
};
/// Any other registered format travels under its name in this type.
const char NamedMimePrefix[] = "application/x-qt-windows-mime;value=\"";

AnsiString FormatName(UINT Format)
{
    char Buffer[2050];
    const int N = GetClipboardFormatName(Format, Buffer, sizeof Buffer);
    return AnsiString(Buffer, N);
}

/// The MIME type of a format; empty for formats that do not travel.
QString MimeOfFormat(UINT Format)
{
    if (Format == CF_TEXT || Format == CF_UNICODETEXT)
        return QString::fromLatin1(TextMime);
    const AnsiString Name = FormatName(Format);
    if (Name.IsEmpty())
        return QString();
    for (const KnownMime& K : KnownMimes)
        if (AnsiCompareText(Name, K.Format) == 0)
            return QString::fromLatin1(K.Mime);
    // A format registered under a MIME type travels as that type.
    if (Name.Pos("/") > 0 && Name.Pos(" ") == 0)
        return ToQString(Name);
    return QString::fromLatin1(NamedMimePrefix) + ToQString(Name) + QLatin1Char('"');
}

/// The formats MIME data of MimeType offers (text gives both text formats).
std::vector<UINT> FormatsOfMime(const QString& MimeType)
{
    if (MimeType == QLatin1String(TextMime))
        return {CF_UNICODETEXT, CF_TEXT};
    for (const KnownMime& K : KnownMimes)
        if (MimeType == QLatin1String(K.Mime))
            return {RegisterClipboardFormat(K.Format)};
    static const QRegularExpression Named(QStringLiteral("^application/x-qt-windows-mime;value=\"(.*)\"$"));
    const QRegularExpressionMatch M = Named.match(MimeType);
    if (M.hasMatch())
        return {RegisterClipboardFormat(FromQString(M.captured(1)))};
    if (MimeType.contains(QLatin1Char('/')))
        return {RegisterClipboardFormat(FromQString(MimeType))};
    return {};
}

QByteArray Utf16Bytes(const QString& Text)
{
    QByteArray B(reinterpret_cast<const char*>(Text.utf16()), Text.size() * 2);
    B.append(2, '\0');
    return B;
}

/// Text of a text format's bytes, up to the terminating zero.
QString TextOfFormat(UINT Format, const std::string& Bytes)
{
    if (Format == CF_UNICODETEXT) {
        std::u16string U(Bytes.size() / 2, u'\0');
        std::memcpy(U.data(), Bytes.data(), U.size() * 2);
        return QString::fromStdU16String(U.substr(0, U.find(u'\0')));
    }
    return ToQString(Bytes.c_str(), static_cast<int>(std::strlen(Bytes.c_str())));
}

/// Renders one format of Data through global memory, then a stream.
bool RenderFormat(IDataObject* Data, UINT Format, std::string& Bytes)
{
    for (DWORD Tymed : {DWORD(TYMED_HGLOBAL), DWORD(TYMED_ISTREAM)}) {
        FORMATETC F;
        F.cfFormat = Format;
        F.tymed = Tymed;
        STGMEDIUM Medium;
        if (Failed(Data->GetData(F, Medium)))
            continue;
        const bool Read = ReadStgMedium(Medium, Bytes);
        ReleaseStgMedium(Medium);
        if (Read)
            return true;
    }
    return false;
}

/// The formats Data offers for reading, in its order.
std::vector<UINT> OfferedFormats(IDataObject* Data)
{
    std::vector<UINT> Result;
    IEnumFORMATETC* Raw = nullptr;
    if (Failed(Data->EnumFormatEtc(DATADIR_GET, &Raw)) || !Raw)
        return Result;
    const auto Enum = InterfacePtr<IEnumFORMATETC>::Attach(Raw);
    Enum->Reset();
    FORMATETC F;
    while (Enum->Next(1, &F, nullptr) == S_OK)
        if (F.tymed & (TYMED_HGLOBAL | TYMED_ISTREAM))
            Result.push_back(F.cfFormat);
    return Result;
}

}  // namespace

// ---- our data as MIME data ----------------------------------------------------------------------

DataObjectMime::DataObjectMime(IDataObject* Data) : FData(Data) {}

DataObjectMime::~DataObjectMime() = default;

QStringList DataObjectMime::formats() const
{
    QStringList Result;
    for (UINT F : OfferedFormats(FData.Get())) {
        const QString M = MimeOfFormat(F);
        if (!M.isEmpty() && !Result.contains(M))
            Result.append(M);
    }
    return Result;
}

bool DataObjectMime::hasFormat(const QString& MimeType) const
{
    return formats().contains(MimeType);
}

QVariant DataObjectMime::retrieveData(const QString& MimeType, QMetaType Type) const
{
    QVariant Result;
    // Qt's event loop may ask from a clipboard request: nothing may escape.
    Barrier([&] {
        const std::vector<UINT> Offered = OfferedFormats(FData.Get());
        for (UINT F : FormatsOfMime(MimeType)) {
            if (std::find(Offered.begin(), Offered.end(), F) == Offered.end())
                continue;
            std::string Bytes;
            if (!RenderFormat(FData.Get(), F, Bytes))
                continue;
            if (F == CF_UNICODETEXT || F == CF_TEXT) {
                const QString Text = TextOfFormat(F, Bytes);
                Result = Type.id() == QMetaType::QString ? QVariant(Text) : QVariant(Text.toUtf8());
            } else {
                Result = QByteArray(Bytes.data(), static_cast<qsizetype>(Bytes.size()));
            }
            return;
        }
    });
    return Result;
}

// ---- MIME data as a data object ----------------------------------------------------------------

namespace {

class FormatEnumerator : public TInterfacedObject, public IEnumFORMATETC {
public:
    explicit FormatEnumerator(std::vector<FORMATETC> Formats, size_t Index = 0)
        : FFormats(std::move(Formats)), FIndex(Index) {}

    HRESULT Next(ULONG Count, FORMATETC* Formats, ULONG* Fetched) override
    {
        ULONG N = 0;
        while (N < Count && FIndex < FFormats.size())
            Formats[N++] = FFormats[FIndex++];
        if (Fetched)
            *Fetched = N;
        return N == Count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG Count) override
    {
        if (FIndex + Count > FFormats.size())
            return S_FALSE;
        FIndex += Count;
        return S_OK;
    }
    HRESULT Reset() override
    {
        FIndex = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumFORMATETC** Enum) override
    {
        if (!Enum)
            return E_INVALIDARG;
        auto* E = new FormatEnumerator(FFormats, FIndex);
        E->AddRef();
        *Enum = E;
        return S_OK;
    }

private:
    std::vector<FORMATETC> FFormats;
    size_t FIndex;
};

class MimeDataObject : public TInterfacedObject, public IDataObject {
public:
    explicit MimeDataObject(const QMimeData* Mime) : FMime(const_cast<QMimeData*>(Mime)) {}

    HRESULT GetData(const FORMATETC& Format, STGMEDIUM& Medium) override
    {
        Medium = STGMEDIUM();
        const HRESULT Q = QueryGetData(Format);
        if (Q != S_OK)
            return Q;
        const QByteArray Bytes = Render(Format.cfFormat);
        HGLOBAL Block = GlobalAlloc(GHND, static_cast<size_t>(Bytes.size()));
        if (!Block)
            return E_OUTOFMEMORY;
        if (!Bytes.isEmpty()) {
            std::memcpy(GlobalLock(Block), Bytes.data(), static_cast<size_t>(Bytes.size()));
            GlobalUnlock(Block);
        }
        Medium.tymed = TYMED_HGLOBAL;
        Medium.hGlobal = Block;
        return S_OK;
    }
    HRESULT GetDataHere(const FORMATETC&, STGMEDIUM&) override { return E_NOTIMPL; }
    HRESULT QueryGetData(const FORMATETC& Format) override
    {
        for (const FORMATETC& F : Formats())
            if (F.cfFormat == Format.cfFormat) {
                if (!(Format.tymed & TYMED_HGLOBAL))
                    return DV_E_TYMED;
                if (Format.dwAspect != DVASPECT_CONTENT)
                    return DV_E_DVASPECT;
                return S_OK;
            }
        return DV_E_FORMATETC;
    }
    HRESULT GetCanonicalFormatEtc(const FORMATETC&, FORMATETC& Canonical) override
    {
        Canonical.ptd = nullptr;
        return DATA_S_SAMEFORMATETC;
    }
    HRESULT SetData(const FORMATETC&, STGMEDIUM&, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) override
    {
        if (!Enum)
            return E_INVALIDARG;
        *Enum = nullptr;
        if (Direction != DATADIR_GET)
            return E_NOTIMPL;
        auto* E = new FormatEnumerator(Formats());
        E->AddRef();
        *Enum = E;
        return S_OK;
    }
    HRESULT DAdvise(const FORMATETC&, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT EnumDAdvise(IEnumSTATDATA** Enum) override
    {
        if (Enum)
            *Enum = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }

    /// Copies every format now, so the object keeps its data when the MIME
    /// data goes (a drop's data lives only while the drop is handled).
    void Keep()
    {
        std::vector<std::pair<UINT, QByteArray>> Kept;
        for (const FORMATETC& F : Formats())
            Kept.emplace_back(F.cfFormat, Render(F.cfFormat));
        FKept = std::move(Kept);
        FKeeping = true;
    }

private:
    std::vector<FORMATETC> Formats() const
    {
        std::vector<FORMATETC> Result;
        if (FKeeping) {
            for (const auto& [Format, Bytes] : FKept) {
                FORMATETC E;
                E.cfFormat = Format;
                Result.push_back(E);
            }
            return Result;
        }
        if (!FMime)
            return Result;
        for (const QString& M : FMime->formats())
            for (UINT F : FormatsOfMime(M)) {
                FORMATETC E;
                E.cfFormat = F;
                Result.push_back(E);
            }
        return Result;
    }
    QByteArray Render(UINT Format) const
    {
        if (FKeeping) {
            for (const auto& [F, Bytes] : FKept)
                if (F == Format)
                    return Bytes;
            return QByteArray();
        }
        if (!FMime)
            return QByteArray();
        if (Format == CF_UNICODETEXT)
            return Utf16Bytes(FMime->text());
        if (Format == CF_TEXT) {
            const AnsiString A = FromQString(FMime->text());
            return QByteArray(A.Data(), A.Length() + 1);
        }
        for (const QString& M : FMime->formats())
            for (UINT F : FormatsOfMime(M))
                if (F == Format)
                    return FMime->data(M);
        return QByteArray();
    }

    QPointer<QMimeData> FMime;
    bool FKeeping = false;
    std::vector<std::pair<UINT, QByteArray>> FKept;
};

}  // namespace

void KeepMimeData(IDataObject* Data)
{
    if (auto* M = dynamic_cast<MimeDataObject*>(Data))
        M->Keep();
}

IDataObject* NewMimeDataObject(const QMimeData* Mime)
{
    auto* D = new MimeDataObject(Mime);
    D->AddRef();
    return D;
}

IDataObject* DataObjectOf(const QMimeData* Mime)
{
    if (auto* Ours = dynamic_cast<const DataObjectMime*>(Mime)) {
        Ours->Source()->AddRef();
        return Ours->Source();
    }
    return NewMimeDataObject(Mime);
}

// ---- the clipboard -------------------------------------------------------------------------------------

namespace {

const DataObjectMime* OurClipboardData()
{
    QClipboard* C = QGuiApplication::clipboard();
    return C ? dynamic_cast<const DataObjectMime*>(C->mimeData()) : nullptr;
}

}  // namespace

HRESULT OleSetClipboard(IDataObject* Data)
{
    QClipboard* C = QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr;
    if (!C)
        return CLIPBRD_E_CANT_OPEN;
    if (!Data) {
        if (OurClipboardData())
            C->clear();
        return S_OK;
    }
    // The clipboard owns the MIME data, which holds the object.
    C->setMimeData(new DataObjectMime(Data));
    return S_OK;
}

HRESULT OleGetClipboard(IDataObject** Data)
{
    if (!Data)
        return E_INVALIDARG;
    *Data = nullptr;
    QClipboard* C = QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr;
    if (!C)
        return CLIPBRD_E_CANT_OPEN;
    *Data = DataObjectOf(C->mimeData());
    return S_OK;
}

HRESULT OleIsCurrentClipboard(IDataObject* Data)
{
    const DataObjectMime* Ours = QGuiApplication::instance() ? OurClipboardData() : nullptr;
    return Ours && Data && SameObject(Ours->Source(), Data) ? S_OK : S_FALSE;
}

HRESULT OleFlushClipboard()
{
    const DataObjectMime* Ours = QGuiApplication::instance() ? OurClipboardData() : nullptr;
    if (!Ours)
        return S_OK;
    auto* Plain = new QMimeData();
    for (const QString& M : Ours->formats())
        Plain->setData(M, Ours->data(M));
    QGuiApplication::clipboard()->setMimeData(Plain);
    return S_OK;
}
