#pragma once

// Enhanced metafiles: pictures kept as drawing records (the standard EMF
// byte format). A TMetafileCanvas records into a TMetafile; PlayEnhMetaFile
// (and TCanvas::StretchDraw of a TMetafile) draws the records onto any DC,
// so the same page goes to the screen, bitmaps, printers and PDF files.
// Metafiles are recorded at 96 dpi, their frame in 0.01 mm.
//
// Metafiles read from outside (generated report files, streams) are checked
// record by record before anything is drawn: a damaged one raises
// EInvalidGraphic when loaded and draws nothing when played.

#include "platform/forms/Graphics.h"
#include "platform/winapi/EnhMetaFiles.h"

#include <cstddef>
#include <string>

/// A picture of drawing records; the bytes of a closed recording (header
/// first, end record last), or empty.
class TMetafile : public TGraphic {
    PRICETAGS_CLASS(TMetafile, TGraphic)
public:
    TMetafile();
    ~TMetafile() override;

    void Assign(TPersistent* Source) override;
    /// Drops the records and the size.
    void Clear();

    bool Empty() const override { return FData.empty(); }
    /// Size in 96-dpi pixels; setting it sets the frame (MMWidth, MMHeight).
    int Width() const override;
    int Height() const override;
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    /// Size of the frame in 0.01 mm (px * 2540 / 96).
    int MMWidth() const { return FMMWidth; }
    int MMHeight() const { return FMMHeight; }
    void SetMMWidth(int Value);
    void SetMMHeight(int Value);
    /// Always enhanced; kept for callers that set it.
    bool Enhanced() const { return true; }
    void SetEnhanced(bool /*Value*/) {}

    /// Reads one metafile from the stream's position; its length is the one
    /// its header gives, so further data may follow. Raises EInvalidGraphic
    /// "Metafile is not valid" for bytes that are no sound metafile (the
    /// metafile is left as it was).
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;

    /// The records (empty when nothing was recorded).
    const std::string& Data() const { return FData; }
    /// Takes checked records; raises EInvalidGraphic as LoadFromStream.
    void SetData(std::string Bytes);

protected:
    void Draw(TCanvas* ACanvas, const TRect& R) override;

private:
    friend class TMetafileCanvas;
    /// Takes the records a canvas of ours has just written, unchecked.
    void TakeRecording(std::string Bytes);

    std::string FData;
    int FMMWidth = 0;
    int FMMHeight = 0;
};

/// A canvas recording into a metafile. The metafile receives the records
/// when the canvas is freed (what it held before is replaced). The drawing
/// surface is the metafile's size in pixels (the reference device's, when
/// the metafile has none); ReferenceDevice may be null (the screen).
class TMetafileCanvas : public TCanvas {
    PRICETAGS_CLASS(TMetafileCanvas, TCanvas)
public:
    TMetafileCanvas(TMetafile* AMetafile, HDC ReferenceDevice);
    ~TMetafileCanvas() override;

private:
    TMetafile* FMetafile;
    HDC FDC = nullptr;
};

/// Draws the metafile's records onto DC, its frame stretched onto Rect
/// (logical units of DC); DC's own state is left as it was. False for a null
/// DC, an empty metafile or one that fails its check.
BOOL PlayEnhMetaFile(HDC DC, const TMetafile* Metafile, const TRect& Rect);
