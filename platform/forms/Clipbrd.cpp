#include "platform/forms/Clipbrd.h"

#include "platform/winapi/GdiPrivate.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/OleDragDropPrivate.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstdint>

namespace {

/// The MIME type programs on Linux exchange enhanced metafiles under.
const char EmfMime[] = "image/x-emf";
const char SInvalidMetafile[] = "Metafile is not valid";

uint32_t ReadU32(const std::string& Bytes, size_t Offset)
{
    uint32_t V = 0;
    for (size_t I = 0; I < 4; ++I)
        V |= static_cast<uint32_t>(static_cast<unsigned char>(Bytes[Offset + I])) << (8 * I);
    return V;
}

/// An EMF starts with its header record (type 1) that carries the " EMF"
/// signature at offset 40 and the file's size at offset 48.
bool IsEmf(const std::string& Bytes)
{
    constexpr uint32_t HeaderType = 1;
    constexpr uint32_t Signature = 0x464D4520;
    constexpr size_t HeaderSize = 88;
    return Bytes.size() >= HeaderSize && ReadU32(Bytes, 0) == HeaderType && ReadU32(Bytes, 40) == Signature &&
        ReadU32(Bytes, 48) == Bytes.size();
}

}  // namespace

TClipboard::~TClipboard() = default;

PRICETAGS_DEFINE_CLASS(TClipboard)

AnsiString TClipboard::AsText() const
{
    QClipboard* C = QGuiApplication::clipboard();
    return C ? FromQString(C->text()) : AnsiString();
}

void TClipboard::SetAsText(const AnsiString& Value)
{
    if (QClipboard* C = QGuiApplication::clipboard())
        C->setText(ToQString(Value));
}

std::string TClipboard::AsEnhMetaFile() const
{
    QClipboard* C = QGuiApplication::clipboard();
    const QMimeData* Data = C ? C->mimeData() : nullptr;
    if (!Data || !Data->hasFormat(EmfMime))
        return std::string();
    std::string Bytes = Data->data(EmfMime).toStdString();
    return IsEmf(Bytes) ? Bytes : std::string();
}

void TClipboard::SetAsEnhMetaFile(const std::string& EmfBytes, TBitmap* Picture)
{
    if (!IsEmf(EmfBytes))
        throw EInvalidGraphic(SInvalidMetafile);
    QClipboard* C = QGuiApplication::clipboard();
    if (!C)
        return;
    // The clipboard owns the data once it is set.
    auto* Data = new QMimeData();
    Data->setData(EmfMime, QByteArray(EmfBytes.data(), static_cast<qsizetype>(EmfBytes.size())));
    if (Picture && !Picture->Empty())
        Data->setImageData(QImage::fromData(QByteArray::fromStdString(Picture->SaveToPngBytes()), "PNG"));
    C->setMimeData(Data);
}

bool TClipboard::HasFormat(UINT Format) const
{
    QClipboard* C = QGuiApplication::clipboard();
    const QMimeData* Data = C ? C->mimeData() : nullptr;
    if (!Data)
        return false;
    switch (Format) {
    case CF_TEXT:
    case CF_OEMTEXT:
    case CF_UNICODETEXT: return Data->hasText();
    case CF_BITMAP: return Data->hasImage();
    case CF_HDROP: return Data->hasUrls();
    case CF_ENHMETAFILE: return Data->hasFormat(EmfMime);
    default: {
        // Registered formats: whatever data object is there says.
        const auto Object = InterfacePtr<IDataObject>::Attach(DataObjectOf(Data));
        FORMATETC F;
        F.cfFormat = Format;
        F.tymed = TYMED_HGLOBAL | TYMED_ISTREAM;
        return Object->QueryGetData(F) == S_OK;
    }
    }
}

void TClipboard::Clear()
{
    if (QClipboard* C = QGuiApplication::clipboard())
        C->clear();
}

TClipboard* Clipboard()
{
    static TClipboard Instance;
    return &Instance;
}
