#include "platform/forms/Metafiles.h"

#include "platform/classes/Streams.h"
#include "platform/winapi/EnhMetaFiles.h"

#include <uemf.h>

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

// ---- TMetafile -------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TMetafile)

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

void TMetafile::Assign(TPersistent* Source)
{
    if (!Source) {
        Clear();
        return;
    }
    if (auto* M = dynamic_cast<TMetafile*>(Source)) {
        if (M == this)
            return;
        FData = M->FData;
        FMMWidth = M->FMMWidth;
        FMMHeight = M->FMMHeight;
        Changed(this);
        return;
    }
    inherited::Assign(Source);
}

void TMetafile::Clear()
{
    FData.clear();
    FMMWidth = FMMHeight = 0;
    Changed(this);
}

namespace {

int PixelsOf(int HundredthsMM)
{
    return static_cast<int>((static_cast<int64_t>(HundredthsMM) * 96 + 1270) / 2540);
}

int HundredthsOf(int Pixels)
{
    return static_cast<int>(static_cast<int64_t>(Pixels) * 2540 / 96);
}

}  // namespace

int TMetafile::Width() const
{
    return PixelsOf(FMMWidth);
}

int TMetafile::Height() const
{
    return PixelsOf(FMMHeight);
}

void TMetafile::SetWidth(int Value)
{
    SetMMWidth(HundredthsOf(std::max(Value, 0)));
}

void TMetafile::SetHeight(int Value)
{
    SetMMHeight(HundredthsOf(std::max(Value, 0)));
}

void TMetafile::SetMMWidth(int Value)
{
    FMMWidth = std::max(Value, 0);
    Changed(this);
}

void TMetafile::SetMMHeight(int Value)
{
    FMMHeight = std::max(Value, 0);
    Changed(this);
}

namespace {

/// A frame's extent in 0.01 mm; a file from outside may span more than an
/// int, which stops at the largest.
int FrameSpan(int32_t From, int32_t To)
{
    return static_cast<int>(std::clamp<int64_t>(int64_t(To) - From, 0, INT_MAX));
}

}  // namespace

void TMetafile::SetData(std::string Bytes)
{
    std::string Error;
    const size_t Length = CheckEnhMetaFileBits(Bytes.data(), Bytes.size(), &Error);
    if (!Length)
        throw EInvalidGraphic("Metafile is not valid");
    Bytes.resize(Length);
    const auto* H = reinterpret_cast<const U_EMRHEADER*>(Bytes.data());
    FMMWidth = FrameSpan(H->rclFrame.left, H->rclFrame.right);
    FMMHeight = FrameSpan(H->rclFrame.top, H->rclFrame.bottom);
    FData = std::move(Bytes);
    Changed(this);
}

void TMetafile::TakeRecording(std::string Bytes)
{
    // The writer's header and records are sound by making: the check that
    // playing makes is enough.
    const auto* H = reinterpret_cast<const U_EMRHEADER*>(Bytes.data());
    assert(Bytes.size() >= sizeof(U_EMRHEADER) && H->nBytes == Bytes.size() && "a whole recording");
    FMMWidth = FrameSpan(H->rclFrame.left, H->rclFrame.right);
    FMMHeight = FrameSpan(H->rclFrame.top, H->rclFrame.bottom);
    FData = std::move(Bytes);
    Changed(this);
}

void TMetafile::LoadFromStream(TStream* Stream)
{
    // The header says how long the metafile is; read that much only.
    const Int64 Left = Stream->Size() - Stream->Position();
    U_EMRHEADER H {};
    if (Left < 88)
        throw EInvalidGraphic("Metafile is not valid");
    const Int64 Start = Stream->Position();
    Stream->ReadBuffer(&H, 88);
    if (H.emr.iType != U_EMR_HEADER || H.dSignature != U_ENHMETA_SIGNATURE || H.nBytes < 88 || H.nBytes > Left
        || H.nBytes > INT32_MAX) {
        Stream->Seek(Start, soBeginning);
        throw EInvalidGraphic("Metafile is not valid");
    }
    std::string Bytes(H.nBytes, '\0');
    std::memcpy(Bytes.data(), &H, 88);
    Stream->ReadBuffer(Bytes.data() + 88, static_cast<int>(H.nBytes - 88));
    SetData(std::move(Bytes));
}

void TMetafile::SaveToStream(TStream* Stream)
{
    if (!FData.empty())
        Stream->WriteBuffer(FData.data(), static_cast<int>(FData.size()));
}

void TMetafile::Draw(TCanvas* ACanvas, const TRect& R)
{
    PlayEnhMetaFile(ACanvas->Handle(), this, R);
}

// ---- TMetafileCanvas -------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TMetafileCanvas)

TMetafileCanvas::TMetafileCanvas(TMetafile* AMetafile, HDC ReferenceDevice) : FMetafile(AMetafile)
{
    TSize Size {AMetafile ? AMetafile->Width() : 0, AMetafile ? AMetafile->Height() : 0};
    if (Size.cx <= 0 || Size.cy <= 0) {
        // No size of its own: the reference device's surface (the screen's).
        const int W = ReferenceDevice ? GetDeviceCaps(ReferenceDevice, HORZRES) : 0;
        const int H = ReferenceDevice ? GetDeviceCaps(ReferenceDevice, VERTRES) : 0;
        Size = TSize {W > 0 ? W : GetSystemMetrics(SM_CXSCREEN), H > 0 ? H : GetSystemMetrics(SM_CYSCREEN)};
    }
    FDC = CreateEnhMetaFileDC(Size.cx, Size.cy);
    SetHandle(FDC);
}

TMetafileCanvas::~TMetafileCanvas()
{
    SetHandle(nullptr);
    if (FMetafile)
        FMetafile->TakeRecording(CloseEnhMetaFileDC(FDC, FMetafile->MMWidth(), FMetafile->MMHeight()));
    else
        DeleteDC(FDC);
}

BOOL PlayEnhMetaFile(HDC DC, const TMetafile* Metafile, const TRect& Rect)
{
    if (!Metafile || Metafile->Empty())
        return false;
    return PlayEnhMetaFileBits(DC, Metafile->Data().data(), Metafile->Data().size(), Rect);
}
