#pragma once

// Image lists: a row of equal-sized images, each with a mask (white where
// the image is transparent), drawn normally, transparently, over a
// background colour, blended, with an overlay image, or disabled (embossed
// in the shadow and highlight colours).

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"

#include <memory>
#include <vector>

struct ImageListData;
using HIMAGELIST = ImageListData*;

enum : UINT {
    ILD_NORMAL = 0, ILD_TRANSPARENT = 1, ILD_BLEND25 = 2, ILD_FOCUS = 2, ILD_BLEND50 = 4,
    ILD_SELECTED = 4, ILD_BLEND = 4, ILD_MASK = 0x10, ILD_IMAGE = 0x20, ILD_OVERLAYMASK = 0xF00,
};
/// The draw style bits that pick overlay Overlay (1-based).
inline constexpr UINT IndexToOverlayMask(int Overlay) { return static_cast<UINT>(Overlay) << 8; }

/// Draws image Index of the list at (X, Y); DX/DY 0 mean the whole image.
/// Bk: CLR_NONE draws transparently, CLR_DEFAULT uses the list's background
/// colour, another colour fills the transparent part. Fg: the blend colour
/// for ILD_BLEND25/50 (CLR_DEFAULT: the highlight colour). False for a bad
/// index or a null list or DC.
BOOL ImageList_DrawEx(HIMAGELIST List, int Index, HDC DC, int X, int Y, int DX, int DY, COLORREF Bk,
    COLORREF Fg, UINT Style);
BOOL ImageList_Draw(HIMAGELIST List, int Index, HDC DC, int X, int Y, UINT Style);
int ImageList_GetImageCount(HIMAGELIST List);
// The drag image: one per process, a copy of an image of a list that
// follows the mouse above every window while something is dragged. Its
// transparent pixels show what lies below.

/// Makes image Track of List the drag image, with the hot spot (HotX,
/// HotY) inside it; hidden until DragEnter. False for a bad list or index.
BOOL ImageList_BeginDrag(HIMAGELIST List, int Track, int HotX, int HotY);
/// Shows the drag image with its hot spot at (X, Y) of window Lock (window
/// coordinates: the top-left of its frame is 0, 0; null: the screen).
BOOL ImageList_DragEnter(HWND Lock, int X, int Y);
/// Moves the hot spot to (X, Y) in the coordinates of the last DragEnter.
BOOL ImageList_DragMove(int X, int Y);
/// Hides the drag image.
BOOL ImageList_DragLeave(HWND Lock);
/// Shows or hides the drag image where it is.
BOOL ImageList_DragShowNolock(BOOL Show);
/// Frees the drag image.
void ImageList_EndDrag();
/// The list the drag image came from (null when none); Point gets the
/// hot spot's position as DragEnter/DragMove gave it, HotSpot the hot spot.
HIMAGELIST ImageList_GetDragImage(TPoint* Point, TPoint* HotSpot);

class TCustomImageList;

/// A listener of an image list's changes. Register it with the list's
/// RegisterChanges; it unregisters itself when freed, and a freed list
/// leaves its links with a null Sender.
class TChangeLink : public TObject {
    PRICETAGS_CLASS(TChangeLink, TObject)
public:
    TChangeLink() = default;
    ~TChangeLink() override;

    /// The list this link listens to; null when none.
    TCustomImageList* Sender() const { return FSender; }
    void SetSender(TCustomImageList* Value) { FSender = Value; }
    /// Raises OnChange with the list as sender.
    virtual void Change();

    TNotifyEvent OnChange;

private:
    TCustomImageList* FSender = nullptr;
};

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

class TCustomImageList : public TComponent {
    PRICETAGS_CLASS(TCustomImageList, TComponent)
public:
    explicit TCustomImageList(TComponent* AOwner);
    /// A list of AWidth x AHeight images.
    TCustomImageList(TComponent* AOwner, int AWidth, int AHeight);
    ~TCustomImageList() override;

    void Assign(TPersistent* Source) override;

    HIMAGELIST Handle() const { return FData.get(); }
    int Count() const;
    int Width() const;
    int Height() const;
    /// Changing the size empties the list.
    void SetWidth(int Value);
    void SetHeight(int Value);
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value);
    TColor BlendColor() const { return FBlendColor; }
    void SetBlendColor(TColor Value) { FBlendColor = Value; }
    TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TDrawingStyle Value) { FDrawingStyle = Value; }
    TImageType ImageType() const { return FImageType; }
    void SetImageType(TImageType Value) { FImageType = Value; }
    bool Masked() const { return FMasked; }
    void SetMasked(bool Value);

    /// Adds the images in Image (as many as its width holds, at least one)
    /// with their mask (white = transparent; null: none); the index of the
    /// first one added.
    int Add(TBitmap* Image, TBitmap* Mask);
    /// Adds with a mask made from MaskColor (clDefault: the bottom-left pixel).
    int AddMasked(TBitmap* Image, TColor MaskColor);
    void Replace(int Index, TBitmap* Image, TBitmap* Mask);
    void ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor);
    /// Removes image Index; -1 removes all. Raises EInvalidOperation
    /// "Invalid ImageList Index" for an index outside the list.
    void Delete(int Index);
    void Clear() { Delete(-1); }
    /// Makes image ImageIndex overlay Overlay (0..14) for IndexToOverlayMask(Overlay + 1).
    bool Overlay(int ImageIndex, int Overlay);
    /// Draws with the list's drawing style and image type; disabled images
    /// are embossed in clBtnHighlight and clBtnShadow.
    void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
    void Draw(TCanvas* Canvas, int X, int Y, int Index, TDrawingStyle Style, TImageType Type,
        bool Enabled = true);
    /// Draws with an overlay (0-based overlay number).
    void DrawOverlay(TCanvas* Canvas, int X, int Y, int ImageIndex, int Overlay, bool Enabled = true);
    /// Copies image Index onto Image (sized to the list), the transparent
    /// part in the background colour (white when none).
    void GetBitmap(int Index, TBitmap* Image);

    /// The image dragged by BeginDrag and its hot spot; false for a bad index.
    bool SetDragImage(int Index, int HotSpotX, int HotSpotY);
    /// Starts dragging the drag image over Window (window coordinates,
    /// null: the screen) with its hot spot at (X, Y), shown.
    bool BeginDrag(HWND Window, int X, int Y);
    /// Moves the hot spot to (X, Y) of the window given to BeginDrag.
    bool DragMove(int X, int Y);
    /// Shows the drag image over Window at (X, Y) / hides it.
    bool DragLock(HWND Window, int XPos, int YPos);
    void DragUnlock();
    void ShowDragImage();
    void HideDragImage();
    /// Ends the drag and frees the drag image.
    bool EndDrag();
    /// A drag of this list's image is under way.
    bool Dragging() const;

    /// Adds a listener told of every change (after the ones added before
    /// it, before OnChange); sets its Sender. Adding one twice is harmless.
    void RegisterChanges(TChangeLink* Value);
    /// Removes a listener and clears its Sender; one not registered is ignored.
    void UnRegisterChanges(TChangeLink* Value);

    TNotifyEvent OnChange;

protected:
    /// Tells every registered link, then OnChange.
    virtual void Change();
    void DoDraw(int Index, TCanvas* Canvas, int X, int Y, UINT Style, bool Enabled);

private:
    std::unique_ptr<ImageListData> FData;
    /// The registered links (not owned; each removes itself when freed).
    std::vector<TChangeLink*> FChangeLinks;
    int FDragIndex = 0;
    TPoint FDragHotspot;
    TColor FBkColor = clNone;
    TColor FBlendColor = clNone;
    TDrawingStyle FDrawingStyle = dsNormal;
    TImageType FImageType = itImage;
    bool FMasked = true;
};

class TImageList : public TCustomImageList {
    PRICETAGS_CLASS(TImageList, TCustomImageList)
public:
    explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
    TImageList(TComponent* AOwner, int AWidth, int AHeight) : TCustomImageList(AOwner, AWidth, AHeight) {}
    ~TImageList() override;
};
