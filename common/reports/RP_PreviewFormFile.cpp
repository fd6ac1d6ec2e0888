// Generated-report files: writing ".rep", reading ".rep" and ".qrp".

#include "common/reports/RP_PreviewForm.h"

#include "common/reports/RP_Document.h"

#include "common/base/Funcs.h"
#include "common/components/MsgWin.h"
#include "platform/classes/Streams.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Metafiles.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StrUtils.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr Int64 RepCountAt = 112;
constexpr Int64 RepFirstRecord = 124;
constexpr Int64 RepHeaderSize = 128;
constexpr Int64 QrpFirstPage = 372;
/// A metafile header alone is 88 bytes; a record holds number, offset,
/// metafile and trailer.
constexpr Int64 MinRecordSize = 4 + 4 + 88 + 4;
/// The most pages a generated-report file may hold: each page read costs
/// its metafile and page objects, and a file of more is no report an
/// operator leafs through (a count of millions only filled memory).
constexpr int32_t MaxRepPages = 100000;

AnsiString WrongFormatText()
{
    return "Неверный формат файла"_a;
}

[[noreturn]] void RaiseWrongFormat()
{
    throw Exception(WrongFormatText());
}

int32_t ReadInt32(TStream& Stream)
{
    unsigned char B[4];
    Stream.ReadBuffer(B, 4);
    return static_cast<int32_t>(uint32_t(B[0]) | uint32_t(B[1]) << 8 | uint32_t(B[2]) << 16 |
                                uint32_t(B[3]) << 24);
}

void WriteInt32(TStream& Stream, int32_t Value)
{
    const auto V = static_cast<uint32_t>(Value);
    const unsigned char B[4] = {static_cast<unsigned char>(V), static_cast<unsigned char>(V >> 8),
                                static_cast<unsigned char>(V >> 16),
                                static_cast<unsigned char>(V >> 24)};
    Stream.WriteBuffer(B, 4);
}

/// A page holding one metafile read from the stream's position; its
/// orientation follows the metafile's shape.
std::unique_ptr<TPageInfo> ReadPage(TStream& Stream)
{
    auto Meta = std::make_unique<TMetafile>();
    Meta->LoadFromStream(&Stream);
    auto Page = std::make_unique<TPageInfo>();
    Page->Orientation = Meta->Width() > Meta->Height() ? 1 : 0;
    Page->PrintWidth = Meta->Width();
    Page->PrintHeight = Meta->Height();
    Page->MaxX = Page->PrintWidth;
    Page->MaxY = Page->PrintHeight;
    Page->SetMetafile(std::move(Meta));
    return Page;
}

void Report(const PrintFileProgress& Progress, Int64 Done, Int64 Of)
{
    if (Progress && Of > 0)
        Progress(static_cast<int>(Done * 100 / Of));
}

void ReadRep(TStream& Stream, PrintFileContents& Result, const PrintFileProgress& Progress)
{
    const Int64 Size = Stream.Size();
    Stream.SetPosition(0);
    unsigned char Flag = 0;
    Stream.ReadBuffer(&Flag, 1);
    Result.UseMargins = Flag != 0;
    Stream.SetPosition(RepCountAt);
    const int32_t Count = ReadInt32(Stream);
    // A count the file cannot hold would only run into its end page by page.
    if (Count < 1 || Count > (Size - RepFirstRecord) / MinRecordSize)
        RaiseWrongFormat();
    if (Count > MaxRepPages)
        throw Exception(Format("Страниц в файле отчета больше %d"_a, {Integer(MaxRepPages)}));
    Int64 At = RepHeaderSize;  // the first record's offset field
    for (int32_t I = 1; I <= Count; ++I) {
        if (At + 4 > Size)
            RaiseWrongFormat();
        Stream.SetPosition(At);
        const Int64 E = ReadInt32(Stream);
        const Int64 MetaStart = Stream.Position();
        Result.Pages.push_back(ReadPage(Stream));
        // The offset points just past this record: after the metafile and
        // its trailer, and within the file. One pointing back would read
        // the same pages forever.
        const Int64 MetaEnd = Stream.Position();
        if (MetaEnd <= MetaStart || E < MetaEnd || E > Size)
            RaiseWrongFormat();
        At = E + 4;
        Report(Progress, I, Count);
    }
}

void ReadQrp(TStream& Stream, PrintFileContents& Result, const PrintFileProgress& Progress)
{
    const Int64 Size = Stream.Size();
    Result.UseMargins = false;
    Int64 At = QrpFirstPage;
    while (At < Size) {
        Stream.SetPosition(At);
        Result.Pages.push_back(ReadPage(Stream));
        At = Stream.Position() + 4;
        Report(Progress, std::min(At, Size), Size);
    }
    if (Result.Pages.empty())
        RaiseWrongFormat();
}

}  // namespace

bool IsQrpFileName(const AnsiString& FileName)
{
    return AnsiSameText(ExtractFileExt(FileName), ".qrp");
}

PrintFileContents ReadPrintStream(TStream& Stream, bool Qrp, const PrintFileProgress& Progress)
{
    PrintFileContents Result;
    try {
        if (Qrp)
            ReadQrp(Stream, Result, Progress);
        else
            ReadRep(Stream, Result, Progress);
    } catch (const EReadError&) {
        RaiseWrongFormat();
    } catch (const EInvalidGraphic&) {
        RaiseWrongFormat();
    }
    return Result;
}

void WritePrintStream(TStream& Stream, const std::vector<const TPageInfo*>& Pages,
                      bool UseMargins, const PrintFileProgress& Progress)
{
    // A file of more pages could not be opened again: refused before a byte
    // is written, so a file of that name keeps what it held.
    if (Pages.size() > size_t(MaxRepPages))
        throw Exception(Format("Отчет не сохранен: страниц в нем больше %d"_a,
                               {Integer(MaxRepPages)}));
    const int32_t Flag = UseMargins ? 1 : 0;
    const Int64 Base = Stream.Position();
    WriteInt32(Stream, Flag);
    const std::string Zero(RepCountAt - 4, '\0');
    Stream.WriteBuffer(Zero.data(), static_cast<int>(Zero.size()));
    WriteInt32(Stream, static_cast<int32_t>(Pages.size()));
    WriteInt32(Stream, Flag);
    WriteInt32(Stream, 0);
    int32_t Number = 0;
    for (const TPageInfo* Page : Pages) {
        ++Number;
        WriteInt32(Stream, Number);
        const Int64 Placeholder = Stream.Position();
        WriteInt32(Stream, 0);
        if (Page->Metafile())
            Page->Metafile()->SaveToStream(&Stream);
        WriteInt32(Stream, Flag);
        const Int64 End = Stream.Position();
        Stream.SetPosition(Placeholder);
        WriteInt32(Stream, static_cast<int32_t>(End - Base));
        Stream.SetPosition(End);
        Report(Progress, Number, static_cast<Int64>(Pages.size()));
    }
}

// ---- the window's file operations ----------------------------------------------------------

namespace {

/// Whether the stream begins with a sound ".rep" header; its position stays.
bool SoundRepHeader(TStream& Stream)
{
    const Int64 Saved = Stream.Position();
    bool Sound = Stream.Size() >= RepHeaderSize;
    if (Sound) {
        unsigned char Head[RepHeaderSize];
        Stream.SetPosition(0);
        Stream.ReadBuffer(Head, static_cast<int>(RepHeaderSize));
        for (int I = 4; I < RepCountAt && Sound; ++I)
            Sound = Head[I] == 0;
        if (Sound) {
            const int32_t Count = static_cast<int32_t>(
                uint32_t(Head[112]) | uint32_t(Head[113]) << 8 | uint32_t(Head[114]) << 16 |
                uint32_t(Head[115]) << 24);
            Sound = Count >= 1;
        }
    }
    Stream.SetPosition(Saved);
    return Sound;
}

}  // namespace

bool TPreviewForm::CheckPrintFile(TStream& Stream, bool RaiseErrors)
{
    if (SoundRepHeader(Stream))
        return true;
    if (RaiseErrors)
        RaiseWrongFormat();
    MsgBoxFlags(WrongFormatText(), "Ошибка"_a, MB_OK | MB_ICONERROR);
    return false;
}

bool TPreviewForm::IsPrintFile(const AnsiString& FileName, bool RaiseErrors)
{
    // The box names the file: the operator may have several at hand.
    const auto Refuse = [&] {
        MsgBoxFlags(WrongFormatText() + ":\r\n" + FileName, "Ошибка"_a, MB_OK | MB_ICONERROR);
        return false;
    };
    std::unique_ptr<TFileStream> Stream;
    try {
        Stream = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyWrite);
    } catch (const EFOpenError&) {
        if (RaiseErrors)
            throw;
        return Refuse();
    }
    // An older ".qrp" file has no ".rep" header: only its length tells.
    const bool Sound = IsQrpFileName(FileName) ? Stream->Size() > QrpFirstPage
                                               : SoundRepHeader(*Stream);
    if (Sound)
        return true;
    if (RaiseErrors)
        RaiseWrongFormat();
    return Refuse();
}

class TPreviewForm::FileProgressScope {
public:
    explicit FileProgressScope(TPreviewForm& Form) : FForm(Form), FWasPainting(Form.FPainting)
    {
        FForm.FPainting = false;
        FForm.ShowProgress(true);
    }
    ~FileProgressScope()
    {
        FForm.ShowProgress(false);
        FForm.FPainting = FWasPainting;
    }
    FileProgressScope(const FileProgressScope&) = delete;
    FileProgressScope& operator=(const FileProgressScope&) = delete;

private:
    TPreviewForm& FForm;
    bool FWasPainting;
};

void TPreviewForm::LoadPrintFile(const AnsiString& FileName)
{
    if (!FDocument)
        return;
    const bool Qrp = IsQrpFileName(FileName);
    PrintFileContents Read;
    {
        const FileProgressScope Progress(*this);
        TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        // An older ".qrp" has no ".rep" header to check.
        if (!Qrp)
            CheckPrintFile(Stream, /*RaiseErrors=*/true);
        Read = ReadPrintStream(Stream, Qrp, [this](int Percent) {
            ProgressBar->SetPosition(Percent);
        });
        // ".qr" files carried no margins of their own.
        if (AnsiSameText(ExtractFileExt(FileName), ".qr"))
            Read.UseMargins = false;
    }
    // The pages shown go only once the whole file has been read.
    FDocument->ClearPageInfos();
    for (auto& Page : Read.Pages)
        FDocument->AdoptPageInfo(std::move(Page));
    FUseMargins = Read.UseMargins;
    FFromFile = true;
    FPageCount = FDocument->PageInfoCount();
    FCurPage = 0;
    Relayout();
    UpdatePageLabel();
    ScrollToCurrent();
    PaintPages();
}

void TPreviewForm::SavePrintFile(const AnsiString& FileName)
{
    if (!FDocument)
        return;
    AnsiString Name = FileName;
    if (ExtractFileExt(Name).IsEmpty())
        Name += ".rep";
    std::vector<const TPageInfo*> Pages;
    for (int I = 0; I < ShownPages(); ++I)
        Pages.push_back(FDocument->GetPageInfo(I));
    {
        const FileProgressScope Progress(*this);
        SaveDataFile(Name, [&](TStream& Stream) {
            WritePrintStream(Stream, Pages, FUseMargins, [this](int Percent) {
                ProgressBar->SetPosition(Percent);
            });
        });
    }
    Relayout();
    PaintPages();
}
