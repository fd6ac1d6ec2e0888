#include "tests/common/vtree/ClipboardProbe.h"

#include "platform/winapi/OleDragDrop.h"

#include <cstring>

namespace clipboard_probe {

namespace {

InterfacePtr<IDataObject> Current()
{
    IDataObject* Raw = nullptr;
    if (OleGetClipboard(&Raw) != S_OK)
        return {};
    return InterfacePtr<IDataObject>::Attach(Raw);
}

}  // namespace

std::vector<unsigned> Formats()
{
    std::vector<unsigned> Result;
    const auto Data = Current();
    IEnumFORMATETC* Raw = nullptr;
    if (!Data || Data->EnumFormatEtc(DATADIR_GET, &Raw) != S_OK)
        return Result;
    const auto Enum = InterfacePtr<IEnumFORMATETC>::Attach(Raw);
    FORMATETC F;
    while (Enum->Next(1, &F, nullptr) == S_OK)
        Result.push_back(F.cfFormat);
    return Result;
}

std::string Render(unsigned Format)
{
    const auto Data = Current();
    FORMATETC F;
    F.cfFormat = Format;
    STGMEDIUM M;
    std::string Bytes;
    if (Data && Data->GetData(F, M) == S_OK) {
        ReadStgMedium(M, Bytes);
        ReleaseStgMedium(M);
    }
    return Bytes;
}

std::string RenderNamed(const char* Name)
{
    return Render(RegisterClipboardFormat(Name));
}

bool Store(const char* Name, const std::string& Bytes)
{
    const auto Data = Current();
    if (!Data)
        return false;
    FORMATETC F;
    F.cfFormat = RegisterClipboardFormat(Name);
    STGMEDIUM M;
    M.tymed = TYMED_HGLOBAL;
    M.hGlobal = GlobalAlloc(GHND, Bytes.size());
    std::memcpy(GlobalLock(M.hGlobal), Bytes.data(), Bytes.size());
    GlobalUnlock(M.hGlobal);
    return Data->SetData(F, M, 1) == S_OK;
}

}  // namespace clipboard_probe
