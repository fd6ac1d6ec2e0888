// The tree's data object on the clipboard: the formats the tree offers,
// its node chunks made when the nodes were copied, the reference to the
// tree (the process id and the tree's id, never an address) and whatever
// others store on it.

#include "common/vtree/VTree.h"
#include "common/vtree/VTreePrivate.h"

#include <cstring>
#include <map>
#include <unistd.h>

namespace {

using namespace vtree_private;

HGLOBAL BlockOf(const std::string& Bytes)
{
    HGLOBAL Block = GlobalAlloc(GHND | GMEM_SHARE, Bytes.size());
    if (Block && !Bytes.empty()) {
        std::memcpy(GlobalLock(Block), Bytes.data(), Bytes.size());
        GlobalUnlock(Block);
    }
    return Block;
}

class FormatList : public TInterfacedObject, public IEnumFORMATETC {
public:
    explicit FormatList(std::vector<UINT> Formats) : FFormats(std::move(Formats)) {}
    HRESULT Next(ULONG Count, FORMATETC* Out, ULONG* Fetched) override
    {
        ULONG N = 0;
        for (; N < Count && FIndex < FFormats.size(); ++N) {
            Out[N] = FORMATETC();
            Out[N].cfFormat = FFormats[FIndex++];
        }
        if (Fetched)
            *Fetched = N;
        return N == Count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG Count) override
    {
        FIndex = std::min(FFormats.size(), FIndex + Count);
        return FIndex < FFormats.size() ? S_OK : S_FALSE;
    }
    HRESULT Reset() override
    {
        FIndex = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumFORMATETC** Enum) override
    {
        auto* Copy = new FormatList(FFormats);
        Copy->FIndex = FIndex;
        Copy->AddRef();
        *Enum = Copy;
        return S_OK;
    }

private:
    std::vector<UINT> FFormats;
    size_t FIndex = 0;
};

class TreeDataObject;
TreeDataObject*& Current();

/// One cut or copy of a tree. Its node chunks were made when copying; the
/// other formats come from the tree while it lives.
class TreeDataObject : public TInterfacedObject, public IDataObject {
public:
    explicit TreeDataObject(ClipboardContent Content) : FContent(std::move(Content)) {}
    ~TreeDataObject() override
    {
        if (Current() == this)
            Current() = nullptr;
        if (FContent.TreeId)
            ClipboardObjectReleased(FContent.TreeId, FContent.Serial);
    }
    void Detach(uint64_t TreeId)
    {
        if (FContent.TreeId == TreeId)
            FContent.TreeId = 0;
    }
    const ClipboardContent& Content() const { return FContent; }

    HRESULT GetData(const FORMATETC& Format, STGMEDIUM& Medium) override
    {
        const HRESULT Q = QueryGetData(Format);
        if (Q != S_OK)
            return Q;
        std::string Bytes;
        if (!Render(static_cast<Word>(Format.cfFormat), Bytes))
            return DV_E_FORMATETC;
        Medium = STGMEDIUM();
        Medium.tymed = TYMED_HGLOBAL;
        Medium.hGlobal = BlockOf(Bytes);
        return Medium.hGlobal ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT GetDataHere(const FORMATETC&, STGMEDIUM&) override { return E_NOTIMPL; }
    HRESULT QueryGetData(const FORMATETC& Format) override
    {
        if (!Offers(static_cast<Word>(Format.cfFormat)))
            return DV_E_FORMATETC;
        return (Format.tymed & TYMED_HGLOBAL) ? S_OK : DV_E_TYMED;
    }
    HRESULT GetCanonicalFormatEtc(const FORMATETC&, FORMATETC&) override
    {
        return DATA_S_SAMEFORMATETC;
    }
    HRESULT SetData(const FORMATETC& Format, STGMEDIUM& Medium, BOOL Release) override
    {
        std::string Bytes;
        if (!ReadStgMedium(Medium, Bytes))
            return DV_E_TYMED;
        FStored[Format.cfFormat] = std::move(Bytes);
        if (Release)
            ReleaseStgMedium(Medium);
        return S_OK;
    }
    HRESULT EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) override
    {
        if (Direction != DATADIR_GET)
            return E_NOTIMPL;
        std::vector<UINT> Formats(FContent.Formats.begin(), FContent.Formats.end());
        for (const auto& [Format, Bytes] : FStored)
            if (std::find(Formats.begin(), Formats.end(), Format) == Formats.end())
                Formats.push_back(Format);
        auto* List = new FormatList(std::move(Formats));
        List->AddRef();
        *Enum = List;
        return S_OK;
    }
    HRESULT DAdvise(const FORMATETC&, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    bool Offers(Word Format) const
    {
        return FStored.count(Format) ||
               std::find(FContent.Formats.begin(), FContent.Formats.end(), Format) !=
                   FContent.Formats.end();
    }
    bool Render(Word Format, std::string& Bytes) const
    {
        if (const auto It = FStored.find(Format); It != FStored.end()) {
            Bytes = It->second;
            return true;
        }
        if (Format == CF_VIRTUALTREE()) {
            Bytes = FContent.TreeData;
            return true;
        }
        if (Format == CF_VTREFERENCE()) {
            // The process and the tree's id: a reader finds the tree by
            // the id, and only in this process.
            const uint32_t Pid = static_cast<uint32_t>(getpid());
            const uint32_t Id = static_cast<uint32_t>(FContent.TreeId);
            Bytes.assign(8, '\0');
            std::memcpy(Bytes.data(), &Pid, 4);
            std::memcpy(Bytes.data() + 4, &Id, 4);
            return FContent.TreeId != 0;
        }
        return FContent.TreeId &&
               RenderTreeFormat(FContent.TreeId, Format, Bytes, FContent.Serial != 0);
    }

private:
    ClipboardContent FContent;
    std::map<UINT, std::string> FStored;  // set by others: format -> bytes
};

/// The object of ours the clipboard holds, if any (not counted: the
/// clipboard holds the count).
TreeDataObject*& Current()
{
    static TreeDataObject* Object = nullptr;
    return Object;
}

}  // namespace

namespace vtree_private {

bool SetClipboardContent(ClipboardContent Content)
{
    const InterfacePtr<TreeDataObject> Object(new TreeDataObject(std::move(Content)));
    if (OleSetClipboard(Object.Get()) != S_OK)
        return false;
    Current() = Object.Get();
    return true;
}

IDataObject* NewDragDataObject(ClipboardContent Content)
{
    auto* Object = new TreeDataObject(std::move(Content));
    Object->AddRef();
    return Object;
}

bool ClipboardBytes(Word Format, std::string& Bytes)
{
    TreeDataObject* Ours = Current();
    if (Ours && OleIsCurrentClipboard(Ours) == S_OK)
        return Ours->Offers(Format) && Ours->Render(Format, Bytes);
    IDataObject* Raw = nullptr;
    if (OleGetClipboard(&Raw) != S_OK || !Raw)
        return false;
    const auto Data = InterfacePtr<IDataObject>::Attach(Raw);
    FORMATETC F;
    F.cfFormat = Format;
    STGMEDIUM Medium;
    if (Data->GetData(F, Medium) != S_OK)
        return false;
    const bool Read = ReadStgMedium(Medium, Bytes);
    ReleaseStgMedium(Medium);
    return Read;
}

void ClipboardOwner(uint64_t& TreeId, uint64_t& Serial)
{
    TreeId = 0;
    Serial = 0;
    TreeDataObject* Ours = Current();
    if (!Ours || OleIsCurrentClipboard(Ours) != S_OK)
        return;
    TreeId = Ours->Content().TreeId;
    Serial = TreeId ? Ours->Content().Serial : 0;
}

void ClearClipboardOf(uint64_t TreeId, uint64_t Serial)
{
    TreeDataObject* Ours = Current();
    if (!Ours || Ours->Content().TreeId != TreeId || Ours->Content().Serial != Serial ||
        OleIsCurrentClipboard(Ours) != S_OK)
        return;
    // The tree ends the cut or copy itself: no word back from the object.
    Ours->Detach(TreeId);
    OleSetClipboard(nullptr);
}

void DetachClipboard(uint64_t TreeId)
{
    if (TreeDataObject* Ours = Current())
        Ours->Detach(TreeId);
}

}  // namespace vtree_private
