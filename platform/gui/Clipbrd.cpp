#include "platform/gui/Clipbrd.h"

#include "platform/gui/GdiPrivate.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

TClipboard::~TClipboard() = default;

TClass TClipboard::StaticClass()
{
    static const MetaClass Class = MetaClass::Make<TClipboard>("TClipboard");
    return &Class;
}

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
    default: return false;
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
