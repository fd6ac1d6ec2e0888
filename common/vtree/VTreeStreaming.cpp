// Form streaming of the tree classes: their published properties, the
// columns the tree writes as its own property "Columns" (through the
// header), the columns' texts as wide strings, and the registration that
// lets a form stream name the tree classes.

#include "common/vtree/VTree.h"

#include "platform/classes/Filer.h"
#include "platform/classes/TypInfo.h"
#include "platform/forms/StdCtrls.h"

#include <utility>

// ---- type descriptions of the tree's enumerations and sets ----
// (found by argument-dependent lookup where the properties below name them)

static PTypeInfo TypeInfoOf(const TVirtualTreeColumnStyle*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVirtualTreeColumnStyle",
        {"vsText", "vsOwnerDraw"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTHeaderColumnLayout*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTHeaderColumnLayout",
        {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTColumnOption*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTColumnOption",
        {"coAllowClick", "coDraggable", "coEnabled", "coParentBidiMode", "coParentColor",
        "coResizable", "coShowDropMark", "coVisible", "coAutoSpring", "coFixed"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTColumnOptions*)
{
    static const TTypeInfo Info = SetTypeInfo("TVTColumnOptions", TypeInfo<TVTColumnOption>());
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTHeaderOption*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTHeaderOption",
        {"hoAutoResize", "hoColumnResize", "hoDblClickResize", "hoDrag", "hoHotTrack",
        "hoOwnerDraw", "hoRestrictDrag", "hoShowHint", "hoShowImages", "hoShowSortGlyphs",
        "hoVisible", "hoAutoSpring"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTHeaderOptions*)
{
    static const TTypeInfo Info = SetTypeInfo("TVTHeaderOptions", TypeInfo<TVTHeaderOption>());
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTHeaderStyle*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTHeaderStyle",
        {"hsThickButtons", "hsFlatButtons", "hsPlates", "hsXPStyle"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TSortDirection*)
{
    static const TTypeInfo Info = EnumTypeInfo("TSortDirection", {"sdAscending", "sdDescending"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TBiDiMode*)
{
    static const TTypeInfo Info = EnumTypeInfo("TBiDiMode",
        {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTPaintOption*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTPaintOption",
        {"toHideFocusRect", "toHideSelection", "toHotTrack", "toPopupMode", "toShowBackground",
        "toShowButtons", "toShowDropmark", "toShowHorzGridLines", "toShowRoot", "toShowTreeLines",
        "toShowVertGridLines", "toThemeAware", "toUseBlendedImages", "toGhostedIfUnfocused",
        "toFullVertGridLines", "toAlwaysHideSelection", "toUseBlendedSelection",
        "toStaticBackground"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTPaintOptions*)
{
    static const TTypeInfo Info = SetTypeInfo("TVTPaintOptions", TypeInfo<TVTPaintOption>());
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTAnimationOption*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTAnimationOption", {"toAnimatedToggle"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTAnimationOptions*)
{
    static const TTypeInfo Info =
        SetTypeInfo("TVTAnimationOptions", TypeInfo<TVTAnimationOption>());
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTAutoOption*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTAutoOption",
        {"toAutoDropExpand", "toAutoExpand", "toAutoScroll", "toAutoScrollOnExpand", "toAutoSort",
        "toAutoSpanColumns", "toAutoTristateTracking", "toAutoHideButtons",
        "toAutoDeleteMovedNodes", "toDisableAutoscrollOnFocus", "toAutoChangeScale",
        "toAutoFreeOnCollapse", "toDisableAutoscrollOnEdit"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTAutoOptions*)
{
    static const TTypeInfo Info = SetTypeInfo("TVTAutoOptions", TypeInfo<TVTAutoOption>());
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTSelectionOption*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTSelectionOption",
        {"toDisableDrawSelection", "toExtendedFocus", "toFullRowSelect", "toLevelSelectConstraint",
        "toMiddleClickSelect", "toMultiSelect", "toRightClickSelect", "toSiblingSelectConstraint",
        "toCenterScrollIntoView", "toSimpleDrawSelection"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTSelectionOptions*)
{
    static const TTypeInfo Info =
        SetTypeInfo("TVTSelectionOptions", TypeInfo<TVTSelectionOption>());
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTMiscOption*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTMiscOption",
        {"toAcceptOLEDrop", "toCheckSupport", "toEditable", "toFullRepaintOnResize",
        "toGridExtensions", "toInitOnSave", "toReportMode", "toToggleOnDblClick", "toWheelPanning",
        "toReadOnly", "toVariableNodeHeight", "toFullRowDrag"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTMiscOptions*)
{
    static const TTypeInfo Info = SetTypeInfo("TVTMiscOptions", TypeInfo<TVTMiscOption>());
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTStringOption*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTStringOption",
        {"toSaveCaptions", "toShowStaticText", "toAutoAcceptEditChange"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTStringOptions*)
{
    static const TTypeInfo Info = SetTypeInfo("TVTStringOptions", TypeInfo<TVTStringOption>());
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTLineStyle*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTLineStyle",
        {"lsCustomStyle", "lsDotted", "lsSolid"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTLineMode*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTLineMode", {"lmNormal", "lmBands"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTNodeAlignment*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTNodeAlignment",
        {"naFromBottom", "naFromTop", "naProportional"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTButtonStyle*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTButtonStyle", {"bsRectangle", "bsTriangle"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTButtonFillMode*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTButtonFillMode",
        {"fmTreeColor", "fmWindowColor", "fmShaded", "fmTransparent"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TCheckImageKind*)
{
    static const TTypeInfo Info = EnumTypeInfo("TCheckImageKind",
        {"ckLightCheck", "ckDarkCheck", "ckLightTick", "ckDarkTick", "ckFlat", "ckXP", "ckCustom",
        "ckSystem", "ckSystemFlat"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTDragImageKind*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTDragImageKind",
        {"diComplete", "diMainColumnOnly", "diNoImage"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTDragOperation*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTDragOperation", {"doCopy", "doMove", "doLink"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTDragOperations*)
{
    static const TTypeInfo Info = SetTypeInfo("TVTDragOperations", TypeInfo<TVTDragOperation>());
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTDragType*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTDragType", {"dtOLE", "dtVCL"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTDrawSelectionMode*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTDrawSelectionMode",
        {"smDottedRectangle", "smBlendedRectangle"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const THintAnimationType*)
{
    static const TTypeInfo Info = EnumTypeInfo("THintAnimationType",
        {"hatNone", "hatFade", "hatSlide", "hatSystemDefault"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTHintMode*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTHintMode",
        {"hmDefault", "hmHint", "hmHintAndDefault", "hmTooltip"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTIncrementalSearch*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTIncrementalSearch",
        {"isAll", "isNone", "isInitializedOnly", "isVisibleOnly"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTSearchDirection*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTSearchDirection", {"sdForward", "sdBackward"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTSearchStart*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTSearchStart",
        {"ssAlwaysStartOver", "ssLastHit", "ssFocusedNode"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TVTNodeAttachMode*)
{
    static const TTypeInfo Info = EnumTypeInfo("TVTNodeAttachMode",
        {"amNoWhere", "amInsertBefore", "amInsertAfter", "amAddChildFirst", "amAddChildLast"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TScrollStyle*)
{
    static const TTypeInfo Info =
        EnumTypeInfo("TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"});
    return &Info;
}

static PTypeInfo TypeInfoOf(const TScrollBarStyle*)
{
    static const TTypeInfo Info =
        EnumTypeInfo("TScrollBarStyle", {"sbmRegular", "sbmFlat", "sbm3D"});
    return &Info;
}

namespace {

/// The option names of older forms, one set for all groups.
PTypeInfo OldOptionsType()
{
    static const TTypeInfo Names = EnumTypeInfo("TOldVTOption",
        {"voAcceptOLEDrop", "voAnimatedToggle", "voAutoDropExpand", "voAutoExpand",
         "voAutoScroll", "voAutoSort", "voAutoSpanColumns", "voAutoTristateTracking",
         "voCheckSupport", "voDisableDrawSelection", "voEditable", "voExtendedFocus",
         "voFullRowSelect", "voGridExtensions", "voHideFocusRect", "voHideSelection",
         "voHotTrack", "voInitOnSave", "voLevelSelectConstraint", "voMiddleClickSelect",
         "voMultiSelect", "voRightClickSelect", "voPopupMode", "voShowBackground",
         "voShowButtons", "voShowDropmark", "voShowHorzGridLines", "voShowRoot",
         "voShowTreeLines", "voShowVertGridLines", "voSiblingSelectConstraint",
         "voToggleOnDblClick"});
    static const TTypeInfo Set = SetTypeInfo("TOldVTOptions", &Names);
    return &Set;
}

/// Adds the option named New to Bits when Type has it; true when it did.
bool SetNamed(PTypeInfo Type, const AnsiString& New, uint64_t& Bits)
{
    const int Ord = GetEnumValue(Type, New);
    if (Ord < 0)
        return false;
    Bits |= uint64_t(1) << Ord;
    return true;
}

}  // namespace

// ---- published properties ----

PRICETAGS_DEFINE_CLASS(TVirtualTreeColumn,
    // The limits come before Width: a width read before them would be
    // clamped to the default limits.
    Property("MinWidth", &TVirtualTreeColumn::MinWidth, &TVirtualTreeColumn::SetMinWidth)
        .WithDefault(10),
    Property("MaxWidth", &TVirtualTreeColumn::MaxWidth, &TVirtualTreeColumn::SetMaxWidth)
        .WithDefault(10000),
    Property("Options", &TVirtualTreeColumn::Options, &TVirtualTreeColumn::SetOptions)
        .WithDefault(DefaultColumnOptions),
    Property("Alignment", &TVirtualTreeColumn::Alignment, &TVirtualTreeColumn::SetAlignment)
        .WithDefault(taLeftJustify),
    Property("BiDiMode", &TVirtualTreeColumn::BiDiMode, &TVirtualTreeColumn::SetBiDiMode)
        .WithStored(&TVirtualTreeColumn::IsBiDiModeStored),
    Property("Color", &TVirtualTreeColumn::Color, &TVirtualTreeColumn::SetColor)
        .WithType(TypeInfoOfColor())
        .WithStored(&TVirtualTreeColumn::IsColorStored),
    Property("ImageIndex", &TVirtualTreeColumn::ImageIndex, &TVirtualTreeColumn::SetImageIndex)
        .WithDefault(-1),
    Property("Layout", &TVirtualTreeColumn::Layout, &TVirtualTreeColumn::SetLayout)
        .WithDefault(blGlyphLeft),
    Property("Margin", &TVirtualTreeColumn::Margin, &TVirtualTreeColumn::SetMargin)
        .WithDefault(4),
    Property("Position", &TVirtualTreeColumn::Position, &TVirtualTreeColumn::SetPosition),
    Property("Spacing", &TVirtualTreeColumn::Spacing, &TVirtualTreeColumn::SetSpacing)
        .WithDefault(4),
    Property("Style", &TVirtualTreeColumn::Style, &TVirtualTreeColumn::SetStyle)
        .WithDefault(vsText),
    Property("Tag", &TVirtualTreeColumn::Tag, &TVirtualTreeColumn::SetTag).WithDefault(0),
    Property("Width", &TVirtualTreeColumn::Width, &TVirtualTreeColumn::SetWidth)
        .WithDefault(50))

PRICETAGS_DEFINE_CLASS(TVirtualTreeColumns)

PRICETAGS_DEFINE_CLASS(TVTHeader,
    Property("AutoSizeIndex", &TVTHeader::AutoSizeIndex, &TVTHeader::SetAutoSizeIndex),
    Property("Background", &TVTHeader::Background, &TVTHeader::SetBackground)
        .WithType(TypeInfoOfColor())
        .WithDefault(clBtnFace),
    // Streamed by the tree as its property "Columns".
    Property("Columns", &TVTHeader::Columns, &TVTHeader::SetColumns).NotStored(),
    Property("Font", &TVTHeader::Font, &TVTHeader::SetFont),
    Property("Height", &TVTHeader::Height, &TVTHeader::SetHeight).WithDefault(17),
    Property("Images", &TVTHeader::Images, &TVTHeader::SetImages),
    Property("MainColumn", &TVTHeader::MainColumn, &TVTHeader::SetMainColumn).WithDefault(0),
    Property("Options", &TVTHeader::Options, &TVTHeader::SetOptions).WithDefault(522),
    Property("ParentFont", &TVTHeader::ParentFont, &TVTHeader::SetParentFont)
        .WithDefault(false),
    Property("SortColumn", &TVTHeader::SortColumn, &TVTHeader::SetSortColumn).WithDefault(-1),
    Property("SortDirection", &TVTHeader::SortDirection, &TVTHeader::SetSortDirection)
        .WithDefault(sdAscending),
    Property("Style", &TVTHeader::Style, &TVTHeader::SetStyle).WithDefault(hsThickButtons))

PRICETAGS_DEFINE_CLASS(TCustomVirtualTreeOptions,
    Property("AnimationOptions", &TCustomVirtualTreeOptions::AnimationOptions,
             &TCustomVirtualTreeOptions::SetAnimationOptions)
        .WithDefault(0),
    Property("AutoOptions", &TCustomVirtualTreeOptions::AutoOptions,
             &TCustomVirtualTreeOptions::SetAutoOptions)
        .WithDefault(DefaultAutoOptions),
    Property("MiscOptions", &TCustomVirtualTreeOptions::MiscOptions,
             &TCustomVirtualTreeOptions::SetMiscOptions)
        .WithDefault(DefaultMiscOptions),
    Property("PaintOptions", &TCustomVirtualTreeOptions::PaintOptions,
             &TCustomVirtualTreeOptions::SetPaintOptions)
        .WithDefault(DefaultPaintOptions),
    Property("SelectionOptions", &TCustomVirtualTreeOptions::SelectionOptions,
             &TCustomVirtualTreeOptions::SetSelectionOptions)
        .WithDefault(0))

PRICETAGS_DEFINE_CLASS(TCustomStringTreeOptions,
    Property("StringOptions", &TCustomStringTreeOptions::StringOptions,
             &TCustomStringTreeOptions::SetStringOptions)
        .WithDefault(DefaultStringOptions))

PRICETAGS_DEFINE_CLASS(TStringTreeOptions)

PRICETAGS_DEFINE_CLASS(TVTColors,
    Property("DisabledColor", &TVTColors::Indexed<TVTColors::DisabledColor>,
             &TVTColors::SetIndexed<TVTColors::DisabledColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clBtnShadow),
    Property("DropMarkColor", &TVTColors::Indexed<TVTColors::DropMarkColor>,
             &TVTColors::SetIndexed<TVTColors::DropMarkColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clHighlight),
    Property("DropTargetColor", &TVTColors::Indexed<TVTColors::DropTargetColor>,
             &TVTColors::SetIndexed<TVTColors::DropTargetColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clHighlight),
    Property("FocusedSelectionColor", &TVTColors::Indexed<TVTColors::FocusedSelectionColor>,
             &TVTColors::SetIndexed<TVTColors::FocusedSelectionColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clHighlight),
    Property("GridLineColor", &TVTColors::Indexed<TVTColors::GridLineColor>,
             &TVTColors::SetIndexed<TVTColors::GridLineColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clBtnFace),
    Property("TreeLineColor", &TVTColors::Indexed<TVTColors::TreeLineColor>,
             &TVTColors::SetIndexed<TVTColors::TreeLineColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clBtnShadow),
    Property("UnfocusedSelectionColor", &TVTColors::Indexed<TVTColors::UnfocusedSelectionColor>,
             &TVTColors::SetIndexed<TVTColors::UnfocusedSelectionColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clBtnFace),
    Property("BorderColor", &TVTColors::Indexed<TVTColors::BorderColor>,
             &TVTColors::SetIndexed<TVTColors::BorderColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clBtnFace),
    Property("HotColor", &TVTColors::Indexed<TVTColors::HotColor>,
             &TVTColors::SetIndexed<TVTColors::HotColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clWindowText),
    Property("FocusedSelectionBorderColor",
             &TVTColors::Indexed<TVTColors::FocusedSelectionBorderColor>,
             &TVTColors::SetIndexed<TVTColors::FocusedSelectionBorderColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clHighlight),
    Property("UnfocusedSelectionBorderColor",
             &TVTColors::Indexed<TVTColors::UnfocusedSelectionBorderColor>,
             &TVTColors::SetIndexed<TVTColors::UnfocusedSelectionBorderColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clBtnFace),
    Property("DropTargetBorderColor", &TVTColors::Indexed<TVTColors::DropTargetBorderColor>,
             &TVTColors::SetIndexed<TVTColors::DropTargetBorderColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clHighlight),
    Property("SelectionRectangleBlendColor",
             &TVTColors::Indexed<TVTColors::SelectionRectangleBlendColor>,
             &TVTColors::SetIndexed<TVTColors::SelectionRectangleBlendColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clHighlight),
    Property("SelectionRectangleBorderColor",
             &TVTColors::Indexed<TVTColors::SelectionRectangleBorderColor>,
             &TVTColors::SetIndexed<TVTColors::SelectionRectangleBorderColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clHighlight),
    Property("HeaderHotColor", &TVTColors::Indexed<TVTColors::HeaderHotColor>,
             &TVTColors::SetIndexed<TVTColors::HeaderHotColor>)
        .WithType(TypeInfoOfColor())
        .WithDefault(clBtnShadow))

PRICETAGS_DEFINE_CLASS(TScrollBarOptions,
    Property("AlwaysVisible", &TScrollBarOptions::AlwaysVisible,
             &TScrollBarOptions::SetAlwaysVisible)
        .WithDefault(false),
    Property("HorizontalIncrement", &TScrollBarOptions::HorizontalIncrement,
             &TScrollBarOptions::SetHorizontalIncrement)
        .WithDefault(20),
    Property("ScrollBars", &TScrollBarOptions::ScrollBars, &TScrollBarOptions::SetScrollBars)
        .WithDefault(ssBoth),
    Property("ScrollBarStyle", &TScrollBarOptions::ScrollBarStyle,
             &TScrollBarOptions::SetScrollBarStyle)
        .WithDefault(sbmRegular),
    Property("VerticalIncrement", &TScrollBarOptions::VerticalIncrement,
             &TScrollBarOptions::SetVerticalIncrement)
        .WithDefault(20))

PRICETAGS_DEFINE_CLASS(TVirtualStringTree,
    Property("Alignment", &TBaseVirtualTree::Alignment, &TBaseVirtualTree::SetAlignment)
        .WithDefault(taLeftJustify),
    Property("AnimationDuration", &TBaseVirtualTree::AnimationDuration,
             &TBaseVirtualTree::SetAnimationDuration)
        .WithDefault(200),
    Property("AutoExpandDelay", &TBaseVirtualTree::AutoExpandDelay,
             &TBaseVirtualTree::SetAutoExpandDelay)
        .WithDefault(1000),
    Property("AutoScrollDelay", &TBaseVirtualTree::AutoScrollDelay,
             &TBaseVirtualTree::SetAutoScrollDelay)
        .WithDefault(1000),
    Property("AutoScrollInterval", &TBaseVirtualTree::AutoScrollInterval,
             &TBaseVirtualTree::SetAutoScrollInterval)
        .WithDefault(1),
    Property("BackgroundOffsetX", &TBaseVirtualTree::BackgroundOffsetX,
             &TBaseVirtualTree::SetBackgroundOffsetX)
        .WithDefault(0),
    Property("BackgroundOffsetY", &TBaseVirtualTree::BackgroundOffsetY,
             &TBaseVirtualTree::SetBackgroundOffsetY)
        .WithDefault(0),
    Property("ButtonFillMode", &TBaseVirtualTree::ButtonFillMode,
             &TBaseVirtualTree::SetButtonFillMode)
        .WithDefault(fmTreeColor),
    Property("ButtonStyle", &TBaseVirtualTree::ButtonStyle, &TBaseVirtualTree::SetButtonStyle)
        .WithDefault(bsRectangle),
    Property("ChangeDelay", &TBaseVirtualTree::ChangeDelay, &TBaseVirtualTree::SetChangeDelay)
        .WithDefault(0),
    Property("CheckImageKind", &TBaseVirtualTree::CheckImageKind,
             &TBaseVirtualTree::SetCheckImageKind)
        .WithDefault(ckLightCheck),
    Property("Colors", &TBaseVirtualTree::Colors),
    Property("DefaultNodeHeight", &TBaseVirtualTree::DefaultNodeHeight,
             &TBaseVirtualTree::SetDefaultNodeHeight)
        .WithDefault(18),
    Property("DefaultPasteMode", &TBaseVirtualTree::DefaultPasteMode,
             &TBaseVirtualTree::SetDefaultPasteMode)
        .WithDefault(amAddChildLast),
    Property("DragHeight", &TBaseVirtualTree::DragHeight, &TBaseVirtualTree::SetDragHeight)
        .WithDefault(350),
    Property("DragImageKind", &TBaseVirtualTree::DragImageKind,
             &TBaseVirtualTree::SetDragImageKind)
        .WithDefault(diComplete),
    Property("DragOperations", &TBaseVirtualTree::DragOperations,
             &TBaseVirtualTree::SetDragOperations)
        .WithDefault(3),
    Property("DragType", &TBaseVirtualTree::DragType, &TBaseVirtualTree::SetDragType)
        .WithDefault(dtOLE),
    Property("DragWidth", &TBaseVirtualTree::DragWidth, &TBaseVirtualTree::SetDragWidth)
        .WithDefault(200),
    Property("DrawSelectionMode", &TBaseVirtualTree::DrawSelectionMode,
             &TBaseVirtualTree::SetDrawSelectionMode)
        .WithDefault(smDottedRectangle),
    Property("EditDelay", &TBaseVirtualTree::EditDelay, &TBaseVirtualTree::SetEditDelay)
        .WithDefault(1000),
    Property("Header", &TBaseVirtualTree::Header),
    Property("HintAnimation", &TBaseVirtualTree::HintAnimation,
             &TBaseVirtualTree::SetHintAnimation)
        .WithDefault(hatSystemDefault),
    Property("HintMode", &TBaseVirtualTree::HintMode, &TBaseVirtualTree::SetHintMode)
        .WithDefault(hmDefault),
    Property("HotCursor", &TBaseVirtualTree::HotCursor, &TBaseVirtualTree::SetHotCursor)
        .WithDefault(0),
    Property("Images", &TBaseVirtualTree::Images, &TBaseVirtualTree::SetImages),
    Property("IncrementalSearch", &TBaseVirtualTree::IncrementalSearch,
             &TBaseVirtualTree::SetIncrementalSearch)
        .WithDefault(isNone),
    Property("IncrementalSearchDirection", &TBaseVirtualTree::IncrementalSearchDirection,
             &TBaseVirtualTree::SetIncrementalSearchDirection)
        .WithDefault(sdForward),
    Property("IncrementalSearchStart", &TBaseVirtualTree::IncrementalSearchStart,
             &TBaseVirtualTree::SetIncrementalSearchStart)
        .WithDefault(ssFocusedNode),
    Property("IncrementalSearchTimeout", &TBaseVirtualTree::IncrementalSearchTimeout,
             &TBaseVirtualTree::SetIncrementalSearchTimeout)
        .WithDefault(1000),
    Property("Indent", &TBaseVirtualTree::Indent, &TBaseVirtualTree::SetIndent).WithDefault(18),
    Property("LineMode", &TBaseVirtualTree::LineMode, &TBaseVirtualTree::SetLineMode)
        .WithDefault(lmNormal),
    Property("LineStyle", &TBaseVirtualTree::LineStyle, &TBaseVirtualTree::SetLineStyle)
        .WithDefault(lsDotted),
    Property("Margin", &TBaseVirtualTree::Margin, &TBaseVirtualTree::SetMargin).WithDefault(4),
    Property("NodeAlignment", &TBaseVirtualTree::NodeAlignment,
             &TBaseVirtualTree::SetNodeAlignment)
        .WithDefault(naProportional),
    Property("NodeDataSize", &TBaseVirtualTree::NodeDataSize, &TBaseVirtualTree::SetNodeDataSize)
        .WithDefault(-1),
    Property("ScrollBarOptions", &TBaseVirtualTree::ScrollBarOptions),
    Property("RootNodeCount", &TBaseVirtualTree::RootNodeCount,
             &TBaseVirtualTree::SetRootNodeCount)
        .WithDefault(0),
    Property("SelectionBlendFactor", &TBaseVirtualTree::SelectionBlendFactor,
             &TBaseVirtualTree::SetSelectionBlendFactor)
        .WithDefault(128),
    Property("SelectionCurveRadius", &TBaseVirtualTree::SelectionCurveRadius,
             &TBaseVirtualTree::SetSelectionCurveRadius)
        .WithDefault(0),
    Property("StateImages", &TBaseVirtualTree::StateImages, &TBaseVirtualTree::SetStateImages),
    Property("TextMargin", &TBaseVirtualTree::TextMargin, &TBaseVirtualTree::SetTextMargin)
        .WithDefault(4),
    Property("TreeOptions", &TBaseVirtualTree::TreeOptions),
    Property("WantTabs", &TBaseVirtualTree::WantTabs, &TBaseVirtualTree::SetWantTabs)
        .WithDefault(false))

// ---- defined properties ----

bool TVirtualTreeColumn::IsBiDiModeStored() const
{
    return !FOptions.Contains(coParentBidiMode);
}

bool TVirtualTreeColumn::IsColorStored() const
{
    return !FOptions.Contains(coParentColor);
}

void TVirtualTreeColumn::DefineProperties(TFiler* Filer)
{
    inherited::DefineProperties(Filer);
    Filer->DefineProperty("WideText", TReaderProc(this, &TVirtualTreeColumn::ReadText),
                          TWriterProc(this, &TVirtualTreeColumn::WriteText), !FText.empty());
    Filer->DefineProperty("WideHint", TReaderProc(this, &TVirtualTreeColumn::ReadHint),
                          TWriterProc(this, &TVirtualTreeColumn::WriteHint), !FHint.empty());
}

void TVirtualTreeColumn::ReadText(TReader* Reader)
{
    SetText(Reader->ReadWideString());
}

void TVirtualTreeColumn::WriteText(TWriter* Writer)
{
    Writer->WriteWideString(FText);
}

void TVirtualTreeColumn::ReadHint(TReader* Reader)
{
    FHint = Reader->ReadWideString();
}

void TVirtualTreeColumn::WriteHint(TWriter* Writer)
{
    Writer->WriteWideString(FHint);
}

void TVTHeader::ReadColumns(TReader* Reader)
{
    struct LoadingScope {
        TVTHeader* H;
        bool Saved;
        ~LoadingScope() { H->FLoading = Saved; }
    } Loading{this, FLoading};
    FLoading = true;
    FColumns->Clear();
    Reader->ReadCollection(FColumns.get());
}

void TVTHeader::WriteColumns(TWriter* Writer)
{
    Writer->WriteCollection(FColumns.get());
}

void TBaseVirtualTree::DefineProperties(TFiler* Filer)
{
    inherited::DefineProperties(Filer);
    auto* Ancestor = dynamic_cast<TBaseVirtualTree*>(Filer->Ancestor());
    const bool HasColumns =
        FHeader->Columns()->Count() > 0 &&
        (!Ancestor || !Ancestor->Header()->Columns()->Equals(*FHeader->Columns()));
    Filer->DefineProperty("Columns", TReaderProc(FHeader.get(), &TVTHeader::ReadColumns),
                          TWriterProc(FHeader.get(), &TVTHeader::WriteColumns), HasColumns);
    Filer->DefineProperty("Options", TReaderProc(this, &TBaseVirtualTree::ReadOldOptions),
                          TWriterProc(), false);
}

void TBaseVirtualTree::ReadOldOptions(TReader* Reader)
{
    const PTypeInfo Old = OldOptionsType();
    const uint64_t Bits = static_cast<uint64_t>(Reader->ReadSet(Old));
    uint64_t Misc = 0, Animation = 0, Auto = 0, Selection = 0, Paint = 0;
    const std::pair<PTypeInfo, uint64_t*> Groups[] = {
        {TypeInfo<TVTMiscOption>(), &Misc},
        {TypeInfo<TVTAnimationOption>(), &Animation},
        {TypeInfo<TVTAutoOption>(), &Auto},
        {TypeInfo<TVTSelectionOption>(), &Selection},
        {TypeInfo<TVTPaintOption>(), &Paint},
    };
    for (int I = 0; I <= Old->CompType->MaxValue; ++I) {
        if (!(Bits & (uint64_t(1) << I)))
            continue;
        const AnsiString Name = GetEnumName(Old->CompType, I);
        const AnsiString New = "to" + Name.SubString(3, Name.Length() - 2);
        for (const auto& [Type, Set] : Groups)
            if (SetNamed(Type, New, *Set))
                break;
    }
    FOptions->SetMiscOptions(TVTMiscOptions::FromBits(Misc));
    FOptions->SetAnimationOptions(TVTAnimationOptions::FromBits(Animation));
    FOptions->SetAutoOptions(TVTAutoOptions::FromBits(Auto));
    FOptions->SetSelectionOptions(TVTSelectionOptions::FromBits(Selection));
    FOptions->SetPaintOptions(TVTPaintOptions::FromBits(Paint));
}

// ---- registration ----

void VTreeInitialization()
{
    RegisterClasses({ClassOf<TVirtualStringTree>()});
}
