#pragma once

// TExLabel: the label of most windows. A platform label that adds raised,
// recessed and shadowed text, a frame of outer and inner borders with a
// band between them, text turned by an angle or set along an arc, blinking
// through the family's one shared timer, a colour change while the mouse
// is over it, "..." shortening of the caption and a link to a frame
// controller.

#include "common/components/ExCommon.h"

#include "platform/forms/StdCtrls.h"

enum TExCondenseCaption { ccNone, ccAtEnd, ccWithinPath };
enum TTextElipsStyle { tsNoneElipsis, tsEndElipsis, tsPathElipsis };
enum TCenterPoint {
    cpUpperLeft, cpUpperCenter, cpUpperRight, cpLeftCenter, cpCenter, cpRightCenter, cpLowerLeft,
    cpLowerCenter, cpLowerRight
};
enum TRotation { roNone, roFlat, roCurve };
enum TTextStyle { tsNormal, tsRaised, tsRecessed, tsShadow };
PTypeInfo TypeInfoOf(const TTextStyle*);
PTypeInfo TypeInfoOf(const TRotation*);

class TExLabel : public TCustomLabel, public ExFrameControllerClient {
    PRICETAGS_CLASS(TExLabel, TCustomLabel)
public:
    explicit TExLabel(TComponent* AOwner);
    ~TExLabel() override;

    /// Degrees, kept in 0..359 (a negative angle counts back from 360).
    /// A non-zero angle turns a label without rotation flat and gives a
    /// font that cannot turn the face "Verdana".
    int Angle() const { return FAngle; }
    void SetAngle(int Value);
    bool Blinking() const { return FBlinking; }
    void SetBlinking(bool Value);
    TColor BlinkColor() const { return FBlinkColor; }
    void SetBlinkColor(TColor Value);
    /// Phase lengths in milliseconds, shared by every blinking control.
    Word BlinkIntervalOff() const;
    void SetBlinkIntervalOff(Word Value);
    Word BlinkIntervalOn() const;
    void SetBlinkIntervalOn(Word Value);
    int BevelWidth() const { return FFrame.BevelWidth; }
    void SetBevelWidth(int Value);
    TFrameStyleEx BorderInner() const { return FFrame.Inner; }
    void SetBorderInner(TFrameStyleEx Value);
    TFrameStyleEx BorderOuter() const { return FFrame.Outer; }
    void SetBorderOuter(TFrameStyleEx Value);
    TSides BorderSides() const { return FFrame.Sides; }
    void SetBorderSides(TSides Value);
    TColor BorderColor() const { return FFrame.BorderColor; }
    void SetBorderColor(TColor Value);
    TColor BorderHighlight() const { return FFrame.BorderHighlight; }
    void SetBorderHighlight(TColor Value);
    TColor BorderShadow() const { return FFrame.BorderShadow; }
    void SetBorderShadow(TColor Value);
    int BorderWidth() const { return FFrame.BorderWidth; }
    void SetBorderWidth(int Value);
    /// Other than ccNone switches word wrap off.
    TExCondenseCaption CondenseCaption() const { return FCondenseCaption; }
    void SetCondenseCaption(TExCondenseCaption Value);
    TTextElipsStyle TextElipsis() const { return static_cast<TTextElipsStyle>(FCondenseCaption); }
    void SetTextElipsis(TTextElipsStyle Value) { SetCondenseCaption(static_cast<TExCondenseCaption>(Value)); }
    TColor FlatColor() const { return FFrame.FlatColor; }
    void SetFlatColor(TColor Value);
    int FlatColorAdjustment() const { return FFrame.FlatColorAdjustment; }
    void SetFlatColorAdjustment(int Value);
    TExFrameControllerNotifications FrameControllerNotifications() const { return FNotifications; }
    void SetFrameControllerNotifications(TExFrameControllerNotifications Value) { FNotifications = Value; }
    /// Not owned; the label leaves it when it is freed.
    TExFrameController* FrameController() const { return FFrameController; }
    void SetFrameController(TExFrameController* Value);
    TCenterPoint CenterPoint() const { return FCenterPoint; }
    void SetCenterPoint(TCenterPoint Value);
    TColor FlyByColor() const { return FFlyByColor; }
    void SetFlyByColor(TColor Value);
    bool FlyByEnabled() const { return FFlyByEnabled; }
    void SetFlyByEnabled(bool Value);
    bool LightTextStyle() const { return FLightTextStyle; }
    void SetLightTextStyle(bool Value);
    TRotation Rotation() const { return FRotation; }
    void SetRotation(TRotation Value);
    TColor HighlightColor() const { return FHighlightColor; }
    void SetHighlightColor(TColor Value);
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor Value);
    int ShadowDepth() const { return FShadowDepth; }
    void SetShadowDepth(int Value);
    int TextMargin() const { return FTextMargin; }
    void SetTextMargin(int Value);
    TTextStyle TextStyle() const { return FTextStyle; }
    void SetTextStyle(TTextStyle Value);

    /// The colour the text is painted in now (blink and fly-by applied).
    TColor PaintColor() const { return FPaintColor; }

    void ApplyControllerValues(TExFrameController* Controller, TExFrameControllerProperty Property) override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    /// Paints the text in the "on" (BlinkColor) or "off" (font colour) phase.
    virtual void ShowBlinkPhase(bool On);
    void Paint() override;
    void AdjustBounds() override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Dispatch(TMessage& Message) override;
    void CMFontChanged(TMessageRecord& Message) override;
    void CMMouseEnter(TMessageRecord& Message) override;
    void CMMouseLeave(TMessageRecord& Message) override;
    void CMParentColorChanged(TMessageRecord& Message) override;

private:
    UINT TextFlags() const;
    /// The text rectangle: the client less frame, band and TextMargin.
    TRect TextBounds(const TRect& Inner) const;
    void DrawCopies(const TRect& R, UINT Flags, int ShiftX, int ShiftY, const AnsiString& Text);
    void DrawOneCopy(TRect R, UINT Flags, TColor Color, const AnsiString& Text);
    void PaintCurve(const TRect& Client);
    void PaintFlatRotated(const TRect& Client);
    void EnsureTurnableFont();
    void Changed();

    int FAngle = 0;
    bool FBlinking = false;
    TColor FBlinkColor = clHighlight;
    TLabelFrame FFrame;
    TExCondenseCaption FCondenseCaption = ccNone;
    TExFrameControllerNotifications FNotifications = AllFrameNotifications();
    TExFrameController* FFrameController = nullptr;
    TCenterPoint FCenterPoint = cpCenter;
    TColor FFlyByColor = clHighlight;
    bool FFlyByEnabled = false;
    bool FLightTextStyle = false;
    TRotation FRotation = roNone;
    TColor FHighlightColor = clBtnHighlight;
    TColor FShadowColor = clBtnShadow;
    int FShadowDepth = 2;
    int FTextMargin = 0;
    TTextStyle FTextStyle = tsNormal;

    bool FBlinkOn = false;
    /// The font colour outside the blink "on" phase.
    TColor FSavedColor = clWindowText;
    TColor FPaintColor = clWindowText;
    /// The font colour before the mouse came over the label.
    TColor FFlyBySavedColor = clWindowText;
    bool FFlyByActive = false;
    bool FIgnoreParentColor = false;
    bool FSettingFont = false;
};
