#pragma once

// What the 3-D label shares with its component family: colour arithmetic
// in hue, saturation and lightness (each 0..240), the border and frame
// painters, rotated fonts, the one timer that drives every blinking
// control, the frame controller (colour and frame settings pushed into the
// controls registered with it) and the component that names an ini file or
// a registry key.
//
// Painters take a canvas and a rectangle (client pixels, Right and Bottom
// excluded) and return the rectangle inside what they drew.

#include "platform/classes/Component.h"
#include "platform/classes/Sets.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Timers.h"

#include <memory>
#include <vector>

class TIniFile;
class TRegistry;

// ---- start-up values ----------------------------------------------------------------------

/// Whether the display shows more than 256 colours.
[[nodiscard]] bool gHighColorDisplay();
/// The desktop's colour scheme: 1 "HOMESTEAD", 2 "METALLIC", else 0. This
/// desktop has none of those, so it is 0.
[[nodiscard]] Byte gXPColorScheme();

// ---- colours ----------------------------------------------------------------------------------

/// Hue, saturation and lightness of a colour (system colours resolved), each
/// scaled to 0..240 and rounded.
void SplitToHsl(TColor Color, Byte& H, Byte& S, Byte& L);
/// The colour of H, S, L (0..240; larger values are taken as 240).
[[nodiscard]] TColor JoinHsl(Byte H, Byte S, Byte L);
/// Lightness lowered by Amount, not below 0.
[[nodiscard]] TColor DarkenColor(TColor Color, int Amount);
/// Lightness raised by Amount, not above 240 (full lightness).
[[nodiscard]] TColor LightenColor(TColor Color, int Amount);
/// Darker by -Amount for Amount < 0, lighter for Amount > 0; Color itself
/// for 0.
[[nodiscard]] TColor ShiftLightness(TColor Color, int Amount);

// ---- frames --------------------------------------------------------------------------------

/// Frame styles of the family; a label also takes fsFlatRounded.
enum TFrameStyle {
    fsNone, fsFlat, fsGroove, fsBump, fsLowered, fsButtonDown, fsRaised, fsButtonUp, fsStatus,
    fsPopup, fsFlatBold, fsFlatRounded
};
using TFrameStyleEx = TFrameStyle;
PTypeInfo TypeInfoOf(const TFrameStyle*);

enum TSide { sdLeft, sdTop, sdRight, sdBottom };
using TSides = EnumSet<TSide>;
PTypeInfo TypeInfoOf(const TSide*);
PTypeInfo TypeInfoOf(const TSides*);
inline constexpr TSides AllSides() { return TSides{sdLeft, sdTop, sdRight, sdBottom}; }

/// One-pixel lines on Sides: left and top in ULColor, right and bottom (at
/// Right - 1, Bottom - 1) in LRColor; clNone draws nothing. The result is
/// Rect shrunk by 1 on each side in Sides.
TRect PaintSides(TCanvas* Canvas, TRect Rect, TColor ULColor, TColor LRColor, TSides Sides);
/// PaintSides Width times inward (Width 0 draws nothing).
TRect PaintBevel(TCanvas* Canvas, TRect Rect, TColor ULColor, TColor LRColor, int Width, TSides Sides);
/// Two rings: raised 3DLight/3DDkShadow then BtnHighlight/BtnShadow;
/// lowered BtnShadow/BtnHighlight then 3DDkShadow/3DLight.
TRect Paint3DBorder(TCanvas* Canvas, TRect Rect, bool Lowered, TSides Sides);
/// The frame of a push button, up or down.
TRect PaintButtonBorder(TCanvas* Canvas, TRect Rect, bool Down, TSides Sides);
/// The frame of Style in the system colours (fsFlatRounded in cl3DDkShadow).
TRect PaintFrameStyle(TCanvas* Canvas, TRect Rect, TFrameStyle Style, TSides Sides);
/// A flat frame whose lines stop 2 pixels short of the corners, with one
/// pixel set diagonally inside each corner where two drawn sides meet.
TRect PaintRoundedFlatBorder(TCanvas* Canvas, TRect Rect, TColor Color, TSides Sides);

/// What the label's frame painter needs of the label.
struct TLabelFrame {
    TFrameStyle Outer = fsNone;
    TFrameStyle Inner = fsNone;
    TSides Sides = AllSides();
    int BorderWidth = 0;
    TColor BorderColor = clBtnFace;
    TColor FlatColor = clBtnShadow;
    int FlatColorAdjustment = 30;
    int BevelWidth = 1;
    TColor BorderHighlight = clBtnHighlight;
    TColor BorderShadow = clBtnShadow;
    /// A transparent label leaves the BorderWidth band unpainted.
    bool Transparent = false;
};
/// Outer style, the BorderWidth band (in BorderColor) and inner style; flat
/// styles in ShiftLightness(FlatColor, FlatColorAdjustment), status and
/// popup styles a bevel of BevelWidth in the border colours. The rectangle
/// inside all of it.
TRect PaintLabelFrame(TCanvas* Canvas, TRect Rect, const TLabelFrame& Frame);
/// Pixels one style takes on a side: 0 for fsNone, 1 for fsFlat, BevelWidth
/// for fsStatus and fsPopup, 2 for the others.
[[nodiscard]] int FrameStyleWidth(TFrameStyle Style, int BevelWidth);

// ---- fonts ------------------------------------------------------------------------------------

/// A new font handle like Font turned by Angle degrees (the caller frees it
/// with DeleteObject).
[[nodiscard]] HFONT MakeAngledFont(TFont* Font, int Angle);
/// Whether the font is an outline font (one that can be turned).
[[nodiscard]] bool FontIsTrueType(TFont* Font);

// ---- blinking ---------------------------------------------------------------------------------

/// Asked of each blinking-capable control: Result 1 when it blinks now.
constexpr UINT CM_EXBLINKQUERY = 0xB3E8;
/// Tells a blinking control the new phase: WParam 1 on, 0 off.
constexpr UINT CM_EXBLINKPHASE = 0xB3E9;

/// The one timer behind every blinking control. The first control that can
/// blink makes it (ExBlinkingList) and the last one to leave frees it.
class TExBlinkingControlsList : public TObject {
    PRICETAGS_CLASS(TExBlinkingControlsList, TObject)
public:
    TExBlinkingControlsList();
    ~TExBlinkingControlsList() override;

    virtual int Count() const { return static_cast<int>(FControls.size()); }
    void Add(TControl* Control);
    void Remove(TControl* Control);
    /// True while the "on" phase shows.
    bool Phase() const { return FPhase; }
    /// Lengths of the phases in milliseconds (500 each at first).
    Word IntervalOff() const { return FIntervalOff; }
    Word IntervalOn() const { return FIntervalOn; }
    void SetIntervalOff(Word Value) { FIntervalOff = Value; }
    void SetIntervalOn(Word Value) { FIntervalOn = Value; }
    /// One tick: flips the phase, sets the timer to the new phase's length
    /// and tells every control that blinks.
    void Tick();
    TTimer* Timer() const { return FTimer.get(); }

private:
    void TimerFired(TObject* Sender);

    bool FPhase = true;
    std::unique_ptr<TTimer> FTimer;
    std::vector<TControl*> FControls;
    Word FIntervalOff = 500;
    Word FIntervalOn = 500;
};

/// The shared list; null while no control uses it.
TExBlinkingControlsList* ExBlinkingList();
/// Adds Control, making the list when it is the first.
void ExBlinkingJoin(TControl* Control);
/// Removes Control, freeing the list when it was the last.
void ExBlinkingLeave(TControl* Control);

// ---- frame controller --------------------------------------------------------------------------

enum TFramingPreference { fpCustomFraming, fpXPThemes };
PTypeInfo TypeInfoOf(const TFramingPreference*);

enum TExFrameControllerProperty {
    fcpColor, fcpFocusColor, fcpDisabledColor, fcpReadOnlyColor, fcpReadOnlyColorOnFocus,
    fcpParentColor, fcpFlatButtonColor, fcpFlatButtons, fcpFrameColor, fcpFrameHotColor,
    fcpFrameHotTrack, fcpFrameHotStyle, fcpFrameSides, fcpFrameStyle, fcpFrameVisible,
    fcpFramingPreference, fcpAll
};
using TExFrameControllerNotifications = EnumSet<TExFrameControllerProperty>;
PTypeInfo TypeInfoOf(const TExFrameControllerProperty*);
PTypeInfo TypeInfoOf(const TExFrameControllerNotifications*);
/// Every one of the sixteen notifications.
[[nodiscard]] TExFrameControllerNotifications AllFrameNotifications();

class TExFrameController;
class TExRegIniFile;

/// A control that takes the controller's values itself rather than through
/// its published properties.
class ExFrameControllerClient {
public:
    virtual ~ExFrameControllerClient() = default;
    virtual void ApplyControllerValues(TExFrameController* Controller, TExFrameControllerProperty Property) = 0;
};

class TExFrameController : public TComponent {
    PRICETAGS_CLASS(TExFrameController, TComponent)
public:
    explicit TExFrameController(TComponent* AOwner);
    ~TExFrameController() override;

    void Assign(TPersistent* Source) override;
    /// Adds a control (once) and sends it every value.
    void RegisterControl(TControl* Control);
    void UnregisterControl(TControl* Control);
    int ControlCount() const { return FControls ? static_cast<int>(FControls->size()) : 0; }
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TColor DisabledColor() const { return FDisabledColor; }
    void SetDisabledColor(TColor Value);
    TColor ReadOnlyColor() const { return FReadOnlyColor; }
    void SetReadOnlyColor(TColor Value);
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }
    void SetReadOnlyColorOnFocus(bool Value);
    TColor FlatButtonColor() const { return FFlatButtonColor; }
    void SetFlatButtonColor(TColor Value);
    bool FlatButtons() const { return FFlatButtons; }
    void SetFlatButtons(bool Value);
    TColor FocusColor() const { return FFocusColor; }
    void SetFocusColor(TColor Value);
    TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor Value);
    TColor FrameHotColor() const { return FFrameHotColor; }
    void SetFrameHotColor(TColor Value);
    TFrameStyle FrameHotStyle() const { return FFrameHotStyle; }
    void SetFrameHotStyle(TFrameStyle Value);
    bool FrameHotTrack() const { return FFrameHotTrack; }
    void SetFrameHotTrack(bool Value);
    TSides FrameSides() const { return FFrameSides; }
    void SetFrameSides(TSides Value);
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    void SetFrameStyle(TFrameStyle Value);
    bool FrameVisible() const { return FFrameVisible; }
    void SetFrameVisible(bool Value);
    TFramingPreference FramingPreference() const { return FFramingPreference; }
    void SetFramingPreference(TFramingPreference Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    /// Kept only (a free notification clears it).
    TExRegIniFile* RegIniFile() const { return FRegIniFile; }
    void SetRegIniFile(TExRegIniFile* Value);

    /// Old form files: "FrameFlat" True makes the frame hot-tracked with
    /// fsStatus and a fsLowered hot style; "FrameFocusStyle" names the hot
    /// style; "FrameFlatStyle" is read and dropped.
    void ReadFrameFlat(bool Value);
    void ReadFrameFocusStyle(const AnsiString& StyleName);

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    /// Tells the registered controls about one value (all for fcpAll).
    void NotifyControls(TExFrameControllerProperty Property);
    void NotifyControl(TControl* Control, TExFrameControllerProperty Property);

private:
    void WriteProperty(TControl* Control, TExFrameControllerProperty Property);

    TColor FColor = clWindow;
    TColor FDisabledColor = clBtnFace;
    TColor FReadOnlyColor = clInfoBk;
    bool FReadOnlyColorOnFocus = false;
    TColor FFlatButtonColor = clBtnFace;
    bool FFlatButtons = true;
    TColor FFocusColor = clWindow;
    TColor FFrameColor = clBtnShadow;
    TColor FFrameHotColor = clBtnShadow;
    TFrameStyle FFrameHotStyle = fsFlatBold;
    bool FFrameHotTrack = false;
    TSides FFrameSides = AllSides();
    TFrameStyle FFrameStyle = fsFlat;
    bool FFrameVisible = false;
    TFramingPreference FFramingPreference = fpXPThemes;
    bool FParentColor = false;
    /// Not owned; cleared when it is freed.
    TExRegIniFile* FRegIniFile = nullptr;
    std::unique_ptr<std::vector<TControl*>> FControls;
    int FUpdateCount = 0;
};

// ---- ini file or registry key -----------------------------------------------------------------

enum TExPathType { ptIniFile, ptRegistry };
enum TExRegKey {
    hkeyClassesRoot, hkeyCurrentUser, hkeyLocalMachine, hkeyUsers, hkeyPerformanceData,
    hkeyCurrentConfig, hkeyDynData
};
enum TExRegAccessKey {
    keyQueryValue, keySetValue, keyCreateSubKey, keyEnumerateSubKeys, keyNotify, keyCreateLink,
    keyRead, keyWrite, keyExecute, keyAllAccess
};
using TExRegAccess = EnumSet<TExRegAccessKey>;

/// Names an ini file or a registry key; the access objects are made on
/// first use and freed with the component.
class TExRegIniFile : public TComponent {
    PRICETAGS_CLASS(TExRegIniFile, TComponent)
public:
    explicit TExRegIniFile(TComponent* AOwner);
    ~TExRegIniFile() override;

    const AnsiString& Path() const { return FPath; }
    void SetPath(const AnsiString& Value);
    TExPathType PathType() const { return FPathType; }
    void SetPathType(TExPathType Value);
    TExRegKey RegKey() const { return FRegKey; }
    void SetRegKey(TExRegKey Value);
    TExRegAccess RegAccess() const { return FRegAccess; }
    void SetRegAccess(TExRegAccess Value);
    /// Set at creation and by every change of a value.
    bool Changed() const { return FChanged; }
    void SetChanged(bool Value) { FChanged = Value; }

    /// The ini file at Path (owned by this component; remade after a change).
    TIniFile* IniFile();
    /// The registry at RegKey with Path open (owned by this component).
    TRegistry* Registry();

private:
    AnsiString FPath;
    TExPathType FPathType = ptIniFile;
    TExRegKey FRegKey = hkeyCurrentUser;
    TExRegAccess FRegAccess {keyAllAccess};
    bool FChanged = true;
    std::unique_ptr<TIniFile> FIniFile;
    std::unique_ptr<TRegistry> FRegistry;
};
