// The data side of OleDragDrop.h: registered clipboard formats, global
// memory blocks, streams over them, media and advise holders.

#include "platform/winapi/OleDragDrop.h"

#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <vector>

// ---- clipboard formats ---------------------------------------------------------------------------

namespace {

constexpr UINT FirstRegisteredFormat = 0xC000;

/// Registered names in the order of their ids (id = FirstRegisteredFormat + index).
std::vector<AnsiString>& FormatNames()
{
    static std::vector<AnsiString> Names;
    return Names;
}

}  // namespace

UINT RegisterClipboardFormat(const AnsiString& Name)
{
    if (Name.IsEmpty())
        return 0;
    auto& Names = FormatNames();
    for (size_t I = 0; I < Names.size(); ++I)
        if (AnsiCompareText(Names[I], Name) == 0)
            return FirstRegisteredFormat + static_cast<UINT>(I);
    // The id space ends at 0xFFFF, as the format field is 16 bits wide.
    if (Names.size() >= 0x10000 - FirstRegisteredFormat)
        return 0;
    Names.push_back(Name);
    return FirstRegisteredFormat + static_cast<UINT>(Names.size() - 1);
}

int GetClipboardFormatName(UINT Format, char* Buffer, int MaxCount)
{
    const auto& Names = FormatNames();
    if (!Buffer || MaxCount <= 0 || Format < FirstRegisteredFormat || Format - FirstRegisteredFormat >= Names.size())
        return 0;
    const AnsiString& Name = Names[Format - FirstRegisteredFormat];
    const int N = std::min(Name.Length(), MaxCount - 1);
    std::memcpy(Buffer, Name.Data(), static_cast<size_t>(N));
    Buffer[N] = '\0';
    return N;
}

// ---- global memory -------------------------------------------------------------------------------

struct GlobalBlock {
    std::vector<char> Bytes;
    int Locks = 0;
};

HGLOBAL GlobalAlloc(UINT, size_t Size)
{
    try {
        auto* B = new GlobalBlock;
        B->Bytes.assign(Size, '\0');
        return B;
    } catch (const std::bad_alloc&) {
        // As the system does: a null block, which callers check.
        return nullptr;
    }
}

void* GlobalLock(HGLOBAL Block)
{
    if (!Block || Block->Bytes.empty())
        return nullptr;
    ++Block->Locks;
    return Block->Bytes.data();
}

BOOL GlobalUnlock(HGLOBAL Block)
{
    if (!Block || Block->Locks == 0)
        return false;
    return --Block->Locks > 0;
}

size_t GlobalSize(HGLOBAL Block)
{
    return Block ? Block->Bytes.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL Block)
{
    delete Block;
    return nullptr;
}

// ---- streams ----------------------------------------------------------------------------------------

namespace {

/// A stream whose bytes are a global memory block.
class GlobalStream : public TInterfacedObject, public IStream {
public:
    GlobalStream(HGLOBAL Block, bool DeleteOnRelease) : FBlock(Block), FDelete(DeleteOnRelease) {}
    ~GlobalStream() override
    {
        if (FDelete)
            GlobalFree(FBlock);
    }
    HGLOBAL Block() const { return FBlock; }

    HRESULT Read(void* Buffer, ULONG Count, ULONG* Read) override
    {
        const size_t Left = FBlock->Bytes.size() - std::min<size_t>(FPos, FBlock->Bytes.size());
        const ULONG N = static_cast<ULONG>(std::min<size_t>(Count, Left));
        if (N)
            std::memcpy(Buffer, FBlock->Bytes.data() + FPos, N);
        FPos += N;
        if (Read)
            *Read = N;
        return N == Count ? S_OK : S_FALSE;
    }
    HRESULT Write(const void* Buffer, ULONG Count, ULONG* Written) override
    {
        try {
            if (FPos + Count > FBlock->Bytes.size())
                FBlock->Bytes.resize(FPos + Count);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        if (Count)
            std::memcpy(FBlock->Bytes.data() + FPos, Buffer, Count);
        FPos += Count;
        if (Written)
            *Written = Count;
        return S_OK;
    }
    HRESULT Seek(int64_t Move, DWORD Origin, uint64_t* NewPos) override
    {
        int64_t Base = 0;
        switch (Origin) {
        case STREAM_SEEK_SET: Base = 0; break;
        case STREAM_SEEK_CUR: Base = static_cast<int64_t>(FPos); break;
        case STREAM_SEEK_END: Base = static_cast<int64_t>(FBlock->Bytes.size()); break;
        default: return E_INVALIDARG;
        }
        if (Base + Move < 0)
            return E_INVALIDARG;
        FPos = static_cast<size_t>(Base + Move);
        if (NewPos)
            *NewPos = FPos;
        return S_OK;
    }
    HRESULT SetSize(uint64_t NewSize) override
    {
        try {
            FBlock->Bytes.resize(static_cast<size_t>(NewSize));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

private:
    HGLOBAL FBlock;
    bool FDelete;
    size_t FPos = 0;
};

}  // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL Block, BOOL DeleteOnRelease, IStream** Stream)
{
    if (!Stream)
        return E_INVALIDARG;
    *Stream = nullptr;
    if (!Block) {
        Block = GlobalAlloc(GHND, 0);
        if (!Block)
            return E_OUTOFMEMORY;
    }
    auto* S = new GlobalStream(Block, DeleteOnRelease);
    S->AddRef();
    *Stream = S;
    return S_OK;
}

HRESULT GetHGlobalFromStream(IStream* Stream, HGLOBAL* Block)
{
    auto* S = dynamic_cast<GlobalStream*>(Stream);
    if (!S || !Block)
        return E_INVALIDARG;
    *Block = S->Block();
    return S_OK;
}

// ---- media --------------------------------------------------------------------------------------------

void ReleaseStgMedium(STGMEDIUM& Medium)
{
    if (Medium.pUnkForRelease) {
        Medium.pUnkForRelease->Release();
    } else {
        switch (Medium.tymed) {
        case TYMED_HGLOBAL: GlobalFree(Medium.hGlobal); break;
        case TYMED_ISTREAM:
            if (Medium.pstm)
                Medium.pstm->Release();
            break;
        default: break;
        }
    }
    Medium = STGMEDIUM();
}

bool ReadStgMedium(const STGMEDIUM& Medium, std::string& Bytes)
{
    switch (Medium.tymed) {
    case TYMED_HGLOBAL:
        if (!Medium.hGlobal)
            return false;
        Bytes.assign(Medium.hGlobal->Bytes.begin(), Medium.hGlobal->Bytes.end());
        return true;
    case TYMED_ISTREAM: {
        if (!Medium.pstm || Failed(Medium.pstm->Seek(0, STREAM_SEEK_SET, nullptr)))
            return false;
        Bytes.clear();
        char Chunk[4096];
        ULONG Got = 0;
        do {
            if (Failed(Medium.pstm->Read(Chunk, sizeof Chunk, &Got)))
                return false;
            Bytes.append(Chunk, Got);
        } while (Got == sizeof Chunk);
        return true;
    }
    default: return false;
    }
}

// ---- advise holders --------------------------------------------------------------------------------

namespace {

class AdviseHolder : public TInterfacedObject, public IDataAdviseHolder {
public:
    HRESULT Advise(IDataObject*, const FORMATETC& Format, DWORD Advf, IAdviseSink* Sink, DWORD* Connection) override
    {
        if (!Sink)
            return E_INVALIDARG;
        const DWORD Id = ++FLastId;
        FSinks[Id] = {Format, Advf, InterfacePtr<IAdviseSink>(Sink)};
        if (Connection)
            *Connection = Id;
        return S_OK;
    }
    HRESULT Unadvise(DWORD Connection) override
    {
        return FSinks.erase(Connection) ? S_OK : OLE_E_NOCONNECTION;
    }
    HRESULT EnumAdvise(IEnumSTATDATA** Enum) override
    {
        if (Enum)
            *Enum = nullptr;
        return E_NOTIMPL;
    }
    HRESULT SendOnDataChange(IDataObject* Data, DWORD, DWORD) override
    {
        // A sink may unadvise while it is told.
        const auto Sinks = FSinks;
        for (const auto& [Id, S] : Sinks) {
            STGMEDIUM Medium;
            if (!(S.Advf & ADVF_NODATA) && Data)
                Data->GetData(S.Format, Medium);
            S.Sink->OnDataChange(S.Format, Medium);
            ReleaseStgMedium(Medium);
            if (S.Advf & ADVF_ONLYONCE)
                FSinks.erase(Id);
        }
        return S_OK;
    }

private:
    struct Entry {
        FORMATETC Format;
        DWORD Advf = 0;
        InterfacePtr<IAdviseSink> Sink;
    };
    std::map<DWORD, Entry> FSinks;
    DWORD FLastId = 0;
};

int gOleInitCount = 0;

}  // namespace

HRESULT CreateDataAdviseHolder(IDataAdviseHolder** Holder)
{
    if (!Holder)
        return E_INVALIDARG;
    auto* H = new AdviseHolder;
    H->AddRef();
    *Holder = H;
    return S_OK;
}

HRESULT OleInitialize(void*)
{
    return gOleInitCount++ == 0 ? S_OK : S_FALSE;
}

void OleUninitialize()
{
    if (gOleInitCount > 0)
        --gOleInitCount;
}
