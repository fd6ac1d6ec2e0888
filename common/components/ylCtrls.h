#pragma once

// TylSpeedButton: a windowless push button with a glyph of up to five
// images (up, disabled, down, held down, inactive), an optional caption, a
// flat hot-tracked look, a down state shared with its group, a drop-down
// menu and auto-repeat while it is held. TylButtonGlyph makes one image per
// state on first use and keeps it in a glyph list of the process-wide
// glyph cache, shared by every button whose images have the same size.

#include "platform/forms/ActnList.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/Controls.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Timers.h"

#include <memory>
#include <vector>

class TPopupMenu;

/// The states a glyph has an image for, in the order of a glyph bitmap.
enum TylButtonState : Byte { ybsUp, ybsDisabled, ybsDown, ybsExclusive, ybsInactive };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum TylDropDownMenuPos { dmpBottom, dmpRight };
using TylNumGlyphs = int;

/// An image list of one image size whose slots are handed out and given
/// back one by one.
class TGlyphList : public TImageList {
    PRICETAGS_CLASS(TGlyphList, TImageList)
public:
    TGlyphList(int AWidth, int AHeight);
    ~TGlyphList() override;

    /// Puts Image (masked by MaskColor) into the first free slot, adding a
    /// slot when all are used; the slot's index.
    int AddGlyph(TBitmap* Image, TColor MaskColor);
    /// Gives a slot back.
    void ReleaseGlyph(int Index);
    int UsedCount() const { return FUsedCount; }

private:
    std::vector<bool> FUsed;
    int FUsedCount = 0;
};

/// The glyph lists of the process, one per image size.
class TGlyphCache {
public:
    TGlyphCache();
    ~TGlyphCache();
    TGlyphCache(const TGlyphCache&) = delete;
    TGlyphCache& operator=(const TGlyphCache&) = delete;

    /// The list for images of that size (made when missing).
    TGlyphList* GetList(int AWidth, int AHeight);
    /// Frees a list whose slots are all given back.
    void ReturnList(TGlyphList* List);
    bool Empty() const { return FLists.empty(); }
    int ListCount() const { return static_cast<int>(FLists.size()); }

private:
    std::vector<std::unique_ptr<TGlyphList>> FLists;
};

/// The process-wide cache while a glyph painter lives; null otherwise.
TGlyphCache* GlyphCache();

/// Makes and draws the state images of a speed button's glyph.
class TylButtonGlyph {
public:
    TylButtonGlyph();
    ~TylButtonGlyph();
    TylButtonGlyph(const TylButtonGlyph&) = delete;
    TylButtonGlyph& operator=(const TylButtonGlyph&) = delete;

    /// The glyph (owned); changing it drops the images made so far and may
    /// set NumGlyphs (a width that is a whole multiple of the height).
    TBitmap* Glyph() const { return FOriginal.get(); }
    void SetGlyph(TBitmap* Value);
    TylNumGlyphs NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(TylNumGlyphs Value);
    TColor TransparentColor() const { return FTransparentColor; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { FWordWrap = Value; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value) { FAlignment = Value; }
    /// The width and height of one image (0 x 0 without a glyph).
    TPoint ImageSize() const;

    /// The index in GlyphList of the image of State, made when missing;
    /// -1 without a glyph.
    int CreateButtonGlyph(TylButtonState State);
    TGlyphList* GlyphList() const { return FGlyphList; }
    /// Gives every image back (a new glyph, new system colours).
    void Invalidate();

    TNotifyEvent OnChange;

private:
    void GlyphChanged(TObject* Sender);

    std::unique_ptr<TBitmap> FOriginal;
    /// Borrowed from the cache; given back with the last image.
    TGlyphList* FGlyphList = nullptr;
    int FIndexs[5] = {-1, -1, -1, -1, -1};
    TColor FTransparentColor = clFuchsia;
    TylNumGlyphs FNumGlyphs = 1;
    bool FWordWrap = false;
    TAlignment FAlignment = taCenter;
};

class TylSpeedButton;

/// Keeps a button's Down and empty glyph in step with its action (checked
/// state and image); the control's own link keeps the rest.
class TylSpeedButtonActionLink : public TBasicActionLink {
    PRICETAGS_CLASS(TylSpeedButtonActionLink, TBasicActionLink)
public:
    explicit TylSpeedButtonActionLink(TylSpeedButton* Client) : FClient(Client) {}
    ~TylSpeedButtonActionLink() override;

protected:
    void SetChecked(bool Value) override;
    void SetImageIndex(int Value) override;

private:
    TylSpeedButton* FClient;
};

class TylSpeedButton : public TGraphicControl {
    PRICETAGS_CLASS(TylSpeedButton, TGraphicControl)
public:
    /// 25 x 25.
    explicit TylSpeedButton(TComponent* AOwner);
    ~TylSpeedButton() override;

    TAlignment Alignment() const { return FGlyph->Alignment(); }
    void SetAlignment(TAlignment Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    /// Whether holding the button clicks it again and again (InitPause,
    /// then every RepeatInterval). Clearing it frees the repeat timer.
    bool AllowTimer() const { return FAllowTimer; }
    void SetAllowTimer(bool Value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    bool Down() const { return FDown; }
    /// A grouped down button cannot be raised this way unless AllowAllUp;
    /// going down raises the other buttons of the group.
    void SetDown(bool Value);
    /// Not owned; cleared when the menu is freed.
    TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(TPopupMenu* Value);
    TylDropDownMenuPos MenuPosition() const { return FMenuPosition; }
    void SetMenuPosition(TylDropDownMenuPos Value) { FMenuPosition = Value; }
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    TBitmap* Glyph() const { return FGlyph->Glyph(); }
    void SetGlyph(TBitmap* Value) { FGlyph->SetGlyph(Value); }
    bool GrayedInactive() const { return FGrayedInactive; }
    void SetGrayedInactive(bool Value);
    Word InitPause() const { return FInitPause; }
    void SetInitPause(Word Value) { FInitPause = Value; }
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    /// Pixels from the edge to the glyph; -1 centres glyph and caption.
    int Margin() const { return FMargin; }
    void SetMargin(int Value);
    bool MarkDropDown() const { return FMarkDropDown; }
    void SetMarkDropDown(bool Value);
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    TylNumGlyphs NumGlyphs() const { return FGlyph->NumGlyphs(); }
    void SetNumGlyphs(TylNumGlyphs Value);
    Word RepeatInterval() const { return FRepeatInterval; }
    void SetRepeatInterval(Word Value) { FRepeatInterval = Value; }
    /// Pixels between glyph and caption; -1 spreads them evenly.
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value);
    TButtonStyle Style() const { return FStyle; }
    void SetStyle(TButtonStyle Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool WordWrap() const { return FGlyph->WordWrap(); }
    void SetWordWrap(bool Value);
    /// Binds an action; the button also follows its checked state (grouped
    /// buttons) and image. Hides TControl::SetAction so that both links
    /// are made; call it on the button itself.
    void SetAction(TBasicAction* Value);

    /// The state the button is in (not the look of a flat button).
    TylButtonState State() const { return FState; }
    bool MouseInControl() const { return FMouseInControl; }
    /// The repeat timer; null until the first press with AllowTimer.
    TTimer* RepeatTimer() const { return FRepeatTimer.get(); }
    /// Presses the button as a left press at (X, Y) would, then pops up
    /// the drop-down menu when there is one (the menu's choice runs before
    /// it returns).
    void ButtonClick();

    void Click() override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    friend class TylSpeedButtonActionLink;

    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Paint() override;
    /// Draws glyph, caption and drop-down mark of State in Rect.
    virtual void DrawFace(TCanvas* Canvas, const TRect& Rect, TylButtonState State, bool DrawMark);
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;
    void CMMouseEnter(TMessageRecord& Message) override;
    void CMMouseLeave(TMessageRecord& Message) override;
    void CMEnabledChanged(TMessageRecord& Message) override;
    void CMVisibleChanged(TMessageRecord& Message) override;
    void CMSysColorChange(TMessageRecord& Message) override;

private:
    /// The look a control without the mouse over it shows now.
    void PrepareLook();
    void GlyphChanged(TObject* Sender);
    void UpdateExclusive();
    void CMGroupButtonPressed(TMessage& Message);
    void CMDialogChar(TMessage& Message);
    void RepeatTimerFired(TObject* Sender);
    void DoDropDown();
    bool NewLook() const;
    TRect DrawFrame(TCanvas* Canvas, TRect R, bool Down);
    void UpdateMouseIn();

    std::unique_ptr<TylButtonGlyph> FGlyph;
    TylButtonState FState = ybsUp;
    bool FDragging = false;
    bool FMouseInControl = false;
    bool FMenuTracking = false;
    std::unique_ptr<TTimer> FRepeatTimer;
    std::unique_ptr<TBitmap> FDrawImage;
    std::unique_ptr<TylSpeedButtonActionLink> FOwnActionLink;

    bool FAllowAllUp = false;
    bool FAllowTimer = false;
    int FGroupIndex = 0;
    bool FDown = false;
    TPopupMenu* FDropDownMenu = nullptr;
    TylDropDownMenuPos FMenuPosition = dmpBottom;
    bool FFlat = false;
    bool FGrayedInactive = true;
    Word FInitPause = 500;
    TButtonLayout FLayout = blGlyphTop;
    int FMargin = -1;
    bool FMarkDropDown = true;
    TModalResult FModalResult = mrNone;
    Word FRepeatInterval = 100;
    int FSpacing = 1;
    TButtonStyle FStyle = bsAutoDetect;
    bool FTransparent = false;
};
