#pragma once

// Data transfer between windows and between programs: clipboard formats
// registered by name, global memory blocks and streams as data media, data
// objects that list their formats and render each one when asked, the
// clipboard as a data object, and drag and drop with drop targets
// registered per window.
//
// A data object handed to the clipboard or to DoDragDrop stays ours: a
// window of this program that takes it gets the same object (no bytes are
// copied), while other programs see each format as MIME data rendered on
// demand: CF_UNICODETEXT and CF_TEXT as "text/plain", "Rich Text Format"
// as "text/rtf", "CSV" as "text/csv", any other registered format under
// the MIME type application/x-qt-windows-mime;value="<name>". Data coming
// from other programs is offered the same way round, each format in a
// global memory block.
//
// Drags inside the program run their own loop on the window layer's mouse
// input (so simulated input drives them too); when the mouse leaves the
// program's windows on a real display the window system's drag takes over.
// Everything runs on the window thread.

#include "platform/classes/Interfaces.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/AnsiString.h"

#include <cstdint>
#include <string>

using HRESULT = int32_t;

enum : HRESULT {
    S_OK = 0, S_FALSE = 1,
    E_NOTIMPL = static_cast<HRESULT>(0x80004001), E_NOINTERFACE = static_cast<HRESULT>(0x80004002),
    E_POINTER = static_cast<HRESULT>(0x80004003), E_FAIL = static_cast<HRESULT>(0x80004005),
    E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF), E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E),
    E_INVALIDARG = static_cast<HRESULT>(0x80070057),
    OLE_E_ADVISENOTSUPPORTED = static_cast<HRESULT>(0x80040003),
    OLE_E_NOCONNECTION = static_cast<HRESULT>(0x80040004), OLE_S_USEREG = 0x00040000,
    DV_E_FORMATETC = static_cast<HRESULT>(0x80040064), DV_E_LINDEX = static_cast<HRESULT>(0x80040068),
    DV_E_TYMED = static_cast<HRESULT>(0x80040069), DV_E_CLIPFORMAT = static_cast<HRESULT>(0x8004006A),
    DV_E_DVASPECT = static_cast<HRESULT>(0x8004006B), DATA_S_SAMEFORMATETC = 0x00040130,
    DRAGDROP_S_DROP = 0x00040100, DRAGDROP_S_CANCEL = 0x00040101, DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102,
    DRAGDROP_E_NOTREGISTERED = static_cast<HRESULT>(0x80040100),
    DRAGDROP_E_ALREADYREGISTERED = static_cast<HRESULT>(0x80040101),
    DRAGDROP_E_INVALIDHWND = static_cast<HRESULT>(0x80040102),
    CLIPBRD_E_CANT_OPEN = static_cast<HRESULT>(0x800401D0),
};
inline constexpr bool Succeeded(HRESULT R) { return R >= 0; }
inline constexpr bool Failed(HRESULT R) { return R < 0; }

// ---- clipboard formats ----------------------------------------------------------------------

/// The id of the clipboard format Name, registered on first use; the same
/// name (without regard to case) always gives the same id, from 0xC000 on.
/// 0 for an empty name.
UINT RegisterClipboardFormat(const AnsiString& Name);
/// Copies the registered name of Format into Buffer (at most MaxCount - 1
/// bytes and a terminating zero); the bytes copied. 0 for a standard or
/// unknown format or a buffer of no room.
int GetClipboardFormatName(UINT Format, char* Buffer, int MaxCount);

// ---- global memory -----------------------------------------------------------------------------

/// A block of movable memory: the bytes of a data medium.
struct GlobalBlock;
using HGLOBAL = GlobalBlock*;

enum : UINT {
    GMEM_FIXED = 0, GMEM_MOVEABLE = 2, GMEM_ZEROINIT = 0x40, GMEM_SHARE = 0x2000,
    GHND = GMEM_MOVEABLE | GMEM_ZEROINIT,
};

/// A block of Size bytes, always zero-filled; null when it cannot be had.
HGLOBAL GlobalAlloc(UINT Flags, size_t Size);
/// The block's bytes, valid until the block is freed (or resized); null for
/// a null block or one of 0 bytes. Counts a lock.
void* GlobalLock(HGLOBAL Block);
/// Counts a lock less; false once none is left.
BOOL GlobalUnlock(HGLOBAL Block);
size_t GlobalSize(HGLOBAL Block);
/// Frees the block; null on success (the block itself when it was null).
HGLOBAL GlobalFree(HGLOBAL Block);

// ---- streams -------------------------------------------------------------------------------------

enum : DWORD { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 };

/// A byte stream as a data medium.
struct IStream : virtual IUnknown {
    /// Reads up to Count bytes; Read (may be null) gets the number read.
    /// S_FALSE when fewer than Count were left.
    virtual HRESULT Read(void* Buffer, ULONG Count, ULONG* Read) = 0;
    virtual HRESULT Write(const void* Buffer, ULONG Count, ULONG* Written) = 0;
    /// Moves the position by Move from Origin (STREAM_SEEK_...); NewPos may
    /// be null. E_INVALIDARG for a position before the start.
    virtual HRESULT Seek(int64_t Move, DWORD Origin, uint64_t* NewPos) = 0;
    virtual HRESULT SetSize(uint64_t NewSize) = 0;
};

/// A stream over the bytes of Block (a new empty block when null); Block
/// is freed with the stream when DeleteOnRelease. The stream (counted for
/// the caller) goes to Stream.
HRESULT CreateStreamOnHGlobal(HGLOBAL Block, BOOL DeleteOnRelease, IStream** Stream);
/// The block under a stream made by CreateStreamOnHGlobal.
HRESULT GetHGlobalFromStream(IStream* Stream, HGLOBAL* Block);

// ---- data objects ----------------------------------------------------------------------------------

enum : DWORD {
    TYMED_NULL = 0, TYMED_HGLOBAL = 1, TYMED_FILE = 2, TYMED_ISTREAM = 4, TYMED_ISTORAGE = 8,
    TYMED_GDI = 16, TYMED_MFPICT = 32, TYMED_ENHMF = 64,
};
enum : DWORD { DVASPECT_CONTENT = 1, DVASPECT_THUMBNAIL = 2, DVASPECT_ICON = 4, DVASPECT_DOCPRINT = 8 };
enum : DWORD { DATADIR_GET = 1, DATADIR_SET = 2 };

/// A format wanted or offered: the clipboard format, the aspect and the
/// media (TYMED_ bits) it can travel in. Ptd (a target device) is always
/// null here.
struct FORMATETC {
    UINT cfFormat = 0;
    void* ptd = nullptr;
    DWORD dwAspect = DVASPECT_CONTENT;
    int32_t lindex = -1;
    DWORD tymed = TYMED_HGLOBAL;
};
using TFormatEtc = FORMATETC;

/// Data in one medium: a global memory block (TYMED_HGLOBAL) or a stream
/// (TYMED_ISTREAM); other media carry a raw handle. pUnkForRelease, when
/// set, is released instead of freeing the medium (it owns it).
struct STGMEDIUM {
    DWORD tymed = TYMED_NULL;
    HGLOBAL hGlobal = nullptr;
    IStream* pstm = nullptr;
    void* handle = nullptr;
    IUnknown* pUnkForRelease = nullptr;
};
using TStgMedium = STGMEDIUM;

/// Frees a medium (or releases its owner) and empties it.
void ReleaseStgMedium(STGMEDIUM& Medium);

struct IEnumFORMATETC : virtual IUnknown {
    /// Copies up to Count formats from the current position on and moves
    /// past them; Fetched (may be null) gets the number. S_FALSE when
    /// fewer than Count were left.
    virtual HRESULT Next(ULONG Count, FORMATETC* Formats, ULONG* Fetched) = 0;
    virtual HRESULT Skip(ULONG Count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFORMATETC** Enum) = 0;
};

/// Told when data it advised on changes.
struct IAdviseSink : virtual IUnknown {
    virtual void OnDataChange(const FORMATETC& Format, const STGMEDIUM& Medium) = 0;
};
enum : DWORD { ADVF_NODATA = 1, ADVF_ONLYONCE = 4 };

/// The advise connections of a data object.
struct IEnumSTATDATA;
struct IDataAdviseHolder : virtual IUnknown {
    virtual HRESULT Advise(struct IDataObject* Data, const FORMATETC& Format, DWORD Advf, IAdviseSink* Sink,
        DWORD* Connection) = 0;
    /// OLE_E_NOCONNECTION for an unknown connection.
    virtual HRESULT Unadvise(DWORD Connection) = 0;
    /// E_NOTIMPL: nothing here lists connections.
    virtual HRESULT EnumAdvise(IEnumSTATDATA** Enum) = 0;
    /// Tells every sink of new data: Data rendered in the sink's format,
    /// or an empty medium for sinks advised with ADVF_NODATA. Sinks advised
    /// with ADVF_ONLYONCE are dropped after.
    virtual HRESULT SendOnDataChange(IDataObject* Data, DWORD Reserved, DWORD Advf) = 0;
};
HRESULT CreateDataAdviseHolder(IDataAdviseHolder** Holder);

/// Data in several formats, each rendered when asked for.
struct IDataObject : virtual IUnknown {
    /// Renders Format into a new Medium that the caller releases.
    virtual HRESULT GetData(const FORMATETC& Format, STGMEDIUM& Medium) = 0;
    virtual HRESULT GetDataHere(const FORMATETC& Format, STGMEDIUM& Medium) = 0;
    /// S_OK when GetData would render Format; else why not (DV_E_...).
    virtual HRESULT QueryGetData(const FORMATETC& Format) = 0;
    virtual HRESULT GetCanonicalFormatEtc(const FORMATETC& Format, FORMATETC& Canonical) = 0;
    /// Stores data; with Release the object takes the medium over.
    virtual HRESULT SetData(const FORMATETC& Format, STGMEDIUM& Medium, BOOL Release) = 0;
    /// The formats for DATADIR_GET (counted for the caller).
    virtual HRESULT EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) = 0;
    virtual HRESULT DAdvise(const FORMATETC& Format, DWORD Advf, IAdviseSink* Sink, DWORD* Connection) = 0;
    virtual HRESULT DUnadvise(DWORD Connection) = 0;
    virtual HRESULT EnumDAdvise(IEnumSTATDATA** Enum) = 0;
};

/// Reads the whole of a medium of GetData (global memory or a stream)
/// into Bytes; false for other media.
bool ReadStgMedium(const STGMEDIUM& Medium, std::string& Bytes);

// ---- the clipboard ----------------------------------------------------------------------------------

/// Puts Data on the clipboard (the clipboard holds a count until something
/// else replaces it); null empties the clipboard when Data of ours is there.
/// CLIPBRD_E_CANT_OPEN without a window system.
HRESULT OleSetClipboard(IDataObject* Data);
/// The clipboard as a data object (counted for the caller): our own object
/// when it is ours, else a view of what another program offers.
HRESULT OleGetClipboard(IDataObject** Data);
/// S_OK when Data is what the clipboard holds, else S_FALSE.
HRESULT OleIsCurrentClipboard(IDataObject* Data);
/// Renders every format of our data object now and lets the object go; the
/// data stays on the clipboard.
HRESULT OleFlushClipboard();

// ---- drag and drop ----------------------------------------------------------------------------------

enum : DWORD {
    DROPEFFECT_NONE = 0, DROPEFFECT_COPY = 1, DROPEFFECT_MOVE = 2, DROPEFFECT_LINK = 4,
    DROPEFFECT_SCROLL = 0x80000000,
};
/// Key-state bit of Alt (the others are the MK_ flags of mouse messages).
enum : DWORD { MK_ALT = 0x20 };

/// The side that started a drag.
struct IDropSource : virtual IUnknown {
    /// Asked on every change of keys, buttons or position: S_OK goes on,
    /// DRAGDROP_S_DROP drops, DRAGDROP_S_CANCEL cancels.
    virtual HRESULT QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) = 0;
    /// The effect the target proposes now; DRAGDROP_S_USEDEFAULTCURSORS lets
    /// the standard drag cursors show.
    virtual HRESULT GiveFeedback(DWORD Effect) = 0;
};

/// A window that takes drops. Points are screen pixels; Effect comes in as
/// the effects allowed and goes out as the one the target would do.
struct IDropTarget : virtual IUnknown {
    virtual HRESULT DragEnter(IDataObject* Data, DWORD KeyState, TPoint Pt, DWORD* Effect) = 0;
    virtual HRESULT DragOver(DWORD KeyState, TPoint Pt, DWORD* Effect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(IDataObject* Data, DWORD KeyState, TPoint Pt, DWORD* Effect) = 0;
};

/// S_OK; S_FALSE when already initialised (each call pairs with an
/// OleUninitialize).
HRESULT OleInitialize(void* Reserved);
void OleUninitialize();

/// Makes Target (counted while registered) the drop target of Wnd and of
/// those of its children that have none: DRAGDROP_E_INVALIDHWND for a dead
/// window, DRAGDROP_E_ALREADYREGISTERED when it has one, E_INVALIDARG for
/// a null Target.
HRESULT RegisterDragDrop(HWND Wnd, IDropTarget* Target);
/// DRAGDROP_E_NOTREGISTERED when the window has none. A destroyed window's
/// target is released with it.
HRESULT RevokeDragDrop(HWND Wnd);

/// Drags Data until the source drops or cancels, asking the drop targets
/// of the windows under the mouse; blocks meanwhile (the program's input
/// keeps being served). DRAGDROP_S_DROP when a target took the drop
/// (Effect: what it did), DRAGDROP_S_CANCEL when the drag was cancelled or
/// nothing took it (Effect: DROPEFFECT_NONE). E_INVALIDARG for missing
/// arguments, E_UNEXPECTED while another drag runs.
HRESULT DoDragDrop(IDataObject* Data, IDropSource* Source, DWORD OkEffects, DWORD* Effect);
