// Columns of the data grid and their titles. A value that is not assigned
// follows the grid (its width, colour, font, editing option).

#include "common/components/YLDGrids.h"

#include "platform/forms/Graphics.h"
#include "platform/forms/Menus.h"
#include "platform/classes/Strings.h"

PTypeInfo TypeInfoOf(const TColumnFormat*)
{
    static const TTypeInfo Info =
        EnumTypeInfo("TColumnFormat", {"cfString", "cfNumber", "cfDate", "cfTime", "cfInteger", "cfCurrency"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TColumnButtonStyle*)
{
    static const TTypeInfo Info = EnumTypeInfo("TColumnButtonStyle", {"cbsAuto", "cbsEllipsis", "cbsNone"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TInplaceEditStyle*)
{
    static const TTypeInfo Info = EnumTypeInfo("TInplaceEditStyle", {"ieSimple", "ieEllipsis", "iePickList"});
    return &Info;
}

namespace {

/// Copies Source into a font whose change handler stays quiet meanwhile.
void CopyQuietly(TFont* Font, TFont* Source)
{
    const TNotifyEvent Saved = Font->OnChange;
    Font->OnChange = {};
    Font->Assign(Source);
    Font->OnChange = Saved;
}

/// The shared default for fonts of columns outside a grid.
TFont* StandaloneFont()
{
    static TFont Font;
    return &Font;
}

} // namespace

// ---- TColumnTitle ------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TColumnTitle,
    Property("Alignment", &TColumnTitle::Alignment, &TColumnTitle::SetAlignment),
    Property("Caption", &TColumnTitle::Caption, &TColumnTitle::SetCaption),
    Property("Font", &TColumnTitle::Font, &TColumnTitle::SetFont))

TColumnTitle::TColumnTitle(TColumn* Column) : FColumn(Column), FFont(std::make_unique<TFont>())
{
    CopyQuietly(FFont.get(), FColumn->Font());
    FFont->OnChange = TNotifyEvent(this, &TColumnTitle::FontChanged);
}

TColumnTitle::~TColumnTitle() = default;

void TColumnTitle::Assign(TPersistent* Source)
{
    auto* Other = dynamic_cast<TColumnTitle*>(Source);
    if (!Other) {
        inherited::Assign(Source);
        return;
    }
    if (Other->FColumn->IsAssigned(TColumn::cvTitleAlignment))
        SetAlignment(Other->Alignment());
    if (Other->FColumn->IsAssigned(TColumn::cvTitleFont))
        SetFont(Other->Font());
    if (Other->FColumn->IsAssigned(TColumn::cvTitleCaption))
        SetCaption(Other->Caption());
}

AnsiString TColumnTitle::Caption() const
{
    return FColumn->IsAssigned(TColumn::cvTitleCaption) ? FCaption : AnsiString();
}

void TColumnTitle::SetCaption(const AnsiString& Value)
{
    if (FColumn->IsAssigned(TColumn::cvTitleCaption) && FCaption == Value)
        return;
    FCaption = Value;
    FColumn->FAssigned.Include(TColumn::cvTitleCaption);
    FColumn->Notify();
}

TAlignment TColumnTitle::Alignment() const
{
    return FColumn->IsAssigned(TColumn::cvTitleAlignment) ? FAlignment : taLeftJustify;
}

void TColumnTitle::SetAlignment(TAlignment Value)
{
    if (FColumn->IsAssigned(TColumn::cvTitleAlignment) && FAlignment == Value)
        return;
    FAlignment = Value;
    FColumn->FAssigned.Include(TColumn::cvTitleAlignment);
    FColumn->Notify();
}

void TColumnTitle::RefreshDefaultFont()
{
    if (FColumn->IsAssigned(TColumn::cvTitleFont))
        return;
    TFont* Default = FColumn->DefaultFont();
    if (FFont->Handle() != Default->Handle() || FFont->Color() != Default->Color())
        CopyQuietly(FFont.get(), Default);
}

TFont* TColumnTitle::Font()
{
    RefreshDefaultFont();
    return FFont.get();
}

void TColumnTitle::SetFont(TFont* Value)
{
    FFont->Assign(Value);
}

void TColumnTitle::FontChanged(TObject*)
{
    FColumn->FAssigned.Include(TColumn::cvTitleFont);
    FColumn->Notify();
}

void TColumnTitle::RestoreDefaults()
{
    const bool FontAssigned = FColumn->IsAssigned(TColumn::cvTitleFont);
    FColumn->FAssigned.Exclude(TColumn::cvTitleFont);
    FColumn->FAssigned.Exclude(TColumn::cvTitleCaption);
    FColumn->FAssigned.Exclude(TColumn::cvTitleAlignment);
    FCaption = AnsiString();
    FAlignment = taLeftJustify;
    if (FontAssigned)
        RefreshDefaultFont();
}

// ---- TColumn -----------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TColumn,
    Property("AutoSize", &TColumn::AutoSize, &TColumn::SetAutoSize),
    Property("Caption", &TColumn::Caption, &TColumn::SetCaption),
    Property("MinWidth", &TColumn::MinWidth, &TColumn::SetMinWidth),
    Property("Width", &TColumn::Width, &TColumn::SetWidth),
    Property("ImageIndex", &TColumn::ImageIndex, &TColumn::SetImageIndex),
    Property("EditMask", &TColumn::EditMask, &TColumn::SetEditMask),
    Property("MaxLength", &TColumn::MaxLength, &TColumn::SetMaxLength),
    Property("LimitToList", &TColumn::LimitToList, &TColumn::SetLimitToList),
    Property("Alignment", &TColumn::Alignment, &TColumn::SetAlignment),
    Property("ButtonStyle", &TColumn::ButtonStyle, &TColumn::SetButtonStyle),
    Property("Format", &TColumn::Format, &TColumn::SetFormat),
    Property("Color", &TColumn::Color, &TColumn::SetColor),
    Property("DropDownRows", &TColumn::DropDownRows, &TColumn::SetDropDownRows),
    Property("ReadOnly", &TColumn::ReadOnly, &TColumn::SetReadOnly),
    Property("DisplayMask", &TColumn::DisplayMask, &TColumn::SetDisplayMask),
    Property("InternalCol", &TColumn::InternalCol),
    Property("Tag", &TColumn::Tag, &TColumn::SetTag))

TColumn::TColumn(TCollection* Collection) : TCollectionItem(Collection), FFont(std::make_unique<TFont>())
{
    CopyQuietly(FFont.get(), DefaultFont());
    FFont->OnChange = TNotifyEvent(this, &TColumn::FontChanged);
    FTitle.reset(CreateTitle());
    if (Tyl_DataDrawGrid* G = Grid()) {
        G->ColumnAdded();
        if (!G->ComponentState().Contains(csDesigning))
            FInternalCol = Collection->Count() - 1;
    }
}

TColumn::~TColumn()
{
    FTitle.reset();
    FPickList.reset();
    Tyl_DataDrawGrid* G = Grid();
    if (G && G->BuildState() == 0)
        G->ColumnRemoved();
}

Tyl_DataDrawGrid* TColumn::Grid() const
{
    auto* Cols = dynamic_cast<Tyl_DataDrawGridColumns*>(Collection());
    return Cols ? Cols->Grid() : nullptr;
}

TColumnTitle* TColumn::CreateTitle()
{
    return new TColumnTitle(this);
}

TFont* TColumn::DefaultFont() const
{
    if (Tyl_DataDrawGrid* G = Grid())
        return G->Font();
    return FFont ? FFont.get() : StandaloneFont();
}

int TColumn::DefaultWidth() const
{
    Tyl_DataDrawGrid* G = Grid();
    return G ? G->DefaultColWidth() : 64;
}

void TColumn::Assign(TPersistent* Source)
{
    auto* Other = dynamic_cast<TColumn*>(Source);
    if (!Other) {
        inherited::Assign(Source);
        return;
    }
    if (Collection())
        Collection()->BeginUpdate();
    struct End {
        TCollection* C;
        ~End()
        {
            if (C)
                C->EndUpdate();
        }
    } EndUpdate{Collection()};
    RestoreDefaults();
    if (Other->IsAssigned(cvColor))
        SetColor(Other->Color());
    if (Other->IsAssigned(cvWidth))
        SetWidth(Other->Width());
    if (Other->IsAssigned(cvFont))
        SetFont(Other->Font());
    if (Other->IsAssigned(cvAlignment))
        SetAlignment(Other->Alignment());
    if (Other->IsAssigned(cvReadOnly))
        SetReadOnly(Other->ReadOnly());
    FTitle->Assign(Other->Title());
    FDropDownRows = Other->FDropDownRows;
    FButtonStyle = Other->FButtonStyle;
    SetPickList(Other->FPickList.get());
    SetPopupMenu(Other->FPopupMenu);
    FAutoSize = Other->FAutoSize;
    FEditMask = Other->FEditMask;
    FMinWidth = Other->FMinWidth;
    FImageIndex = Other->FImageIndex;
    FMaxLength = Other->FMaxLength;
    FLimitToList = Other->FLimitToList;
    FFormat = Other->FFormat;
    FDisplayMask = Other->FDisplayMask;
    FTag = Other->FTag;
}

void TColumn::RestoreDefaults()
{
    const bool FontAssigned = IsAssigned(cvFont);
    FTitle->RestoreDefaults();
    FAssigned = {};
    RefreshDefaultFont();
    FPickList.reset();
    FButtonStyle = cbsAuto;
    Changed(FontAssigned);
}

void TColumn::SetAutoSize(bool Value)
{
    if (!Value) {
        FAutoSize = false;
        return;
    }
    if (Collection())
        for (int I = 0; I < Collection()->Count(); ++I)
            static_cast<TColumn*>(Collection()->Items(I))->FAutoSize = false;
    FAutoSize = true;
    if (Tyl_DataDrawGrid* G = Grid())
        G->FitAutoSize();
}

AnsiString TColumn::Caption() const
{
    return FTitle->Caption();
}

void TColumn::SetCaption(const AnsiString& Value)
{
    FTitle->SetCaption(Value);
}

int TColumn::Width() const
{
    if (IsAssigned(cvWidth))
        return FWidth;
    Tyl_DataDrawGrid* G = Grid();
    if (G && Index() < G->ColCount())
        return G->ColWidths(Index());
    return DefaultWidth();
}

void TColumn::SetWidth(int Value)
{
    if (Value == -1) {
        FAssigned.Exclude(cvWidth);
    } else if (IsAssigned(cvWidth) || Value != DefaultWidth()) {
        FWidth = Value;
        FAssigned.Include(cvWidth);
    }
    Tyl_DataDrawGrid* G = Grid();
    if (G && Value >= 0 && Index() < G->ColCount())
        G->SetLayoutColWidth(Index(), Value);
    Notify();
}

void TColumn::SetImageIndex(int Value)
{
    FImageIndex = Value;
    Tyl_DataDrawGrid* G = Grid();
    if (G && G->FixedRows() > 0 && Index() < G->ColCount())
        G->InvalidateCell(Index(), 0);
}

TAlignment TColumn::Alignment() const
{
    return IsAssigned(cvAlignment) ? FAlignment : taLeftJustify;
}

void TColumn::SetAlignment(TAlignment Value)
{
    if (IsAssigned(cvAlignment) && FAlignment == Value)
        return;
    FAlignment = Value;
    FAssigned.Include(cvAlignment);
    Notify();
}

void TColumn::SetButtonStyle(TColumnButtonStyle Value)
{
    if (FButtonStyle == Value)
        return;
    FButtonStyle = Value;
    Notify();
}

void TColumn::SetFormat(TColumnFormat Value)
{
    if (FFormat == Value)
        return;
    FFormat = Value;
    FDisplayMask = AnsiString();
    Notify();
}

TColor TColumn::Color() const
{
    if (IsAssigned(cvColor))
        return FColor;
    Tyl_DataDrawGrid* G = Grid();
    return G ? G->Color() : clWindow;
}

void TColumn::SetColor(TColor Value)
{
    if (IsAssigned(cvColor) && FColor == Value)
        return;
    FColor = Value;
    FAssigned.Include(cvColor);
    Notify();
}

void TColumn::RefreshDefaultFont()
{
    if (IsAssigned(cvFont))
        return;
    TFont* Default = DefaultFont();
    if (Default != FFont.get() && FFont->Handle() != Default->Handle())
        CopyQuietly(FFont.get(), Default);
}

TFont* TColumn::Font()
{
    RefreshDefaultFont();
    return FFont.get();
}

void TColumn::SetFont(TFont* Value)
{
    FFont->Assign(Value);
}

void TColumn::FontChanged(TObject*)
{
    FAssigned.Include(cvFont);
    if (FTitle)
        FTitle->RefreshDefaultFont();
    Notify();
}

TStrings* TColumn::PickList()
{
    if (!FPickList)
        FPickList = std::make_unique<TStringList>();
    return FPickList.get();
}

void TColumn::SetPickList(TStrings* Value)
{
    if (!Value) {
        FPickList.reset();
        return;
    }
    PickList()->Assign(Value);
}

bool TColumn::HasPickItems() const
{
    return FPickList && FPickList->Count() > 0;
}

void TColumn::SetPopupMenu(TPopupMenu* Value)
{
    FPopupMenu = Value;
    Tyl_DataDrawGrid* G = Grid();
    if (Value && G)
        Value->FreeNotification(G);
}

bool TColumn::ReadOnly() const
{
    if (IsAssigned(cvReadOnly))
        return FReadOnly;
    Tyl_DataDrawGrid* G = Grid();
    return !(G && G->Options().Contains(goEditing));
}

void TColumn::SetReadOnly(bool Value)
{
    if (IsAssigned(cvReadOnly) && FReadOnly == Value)
        return;
    FReadOnly = Value;
    FAssigned.Include(cvReadOnly);
    Notify();
}

// ---- Tyl_DataDrawGridColumns -------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(Tyl_DataDrawGridColumns)

Tyl_DataDrawGridColumns::Tyl_DataDrawGridColumns(Tyl_DataDrawGrid* Grid, TCollectionItemClass ItemClass)
    : TCollection(ItemClass), FGrid(Grid)
{
    SetPropName("Columns");
}

Tyl_DataDrawGridColumns::~Tyl_DataDrawGridColumns() = default;

TColumn* Tyl_DataDrawGridColumns::GetItem(int Index) const
{
    return static_cast<TColumn*>(Items(Index));
}

TColumn* Tyl_DataDrawGridColumns::Add()
{
    return static_cast<TColumn*>(TCollection::Add());
}

TPersistent* Tyl_DataDrawGridColumns::GetOwner()
{
    return FGrid;
}

void Tyl_DataDrawGridColumns::Update(TCollectionItem* Item)
{
    if (!FGrid || FGrid->ComponentState().Contains(csLoading) || FGrid->BuildState() > 0)
        return;
    const bool Designing = FGrid->ComponentState().Contains(csDesigning);
    const bool SavedLock = FGrid->FLayoutLock;
    FGrid->FLayoutLock = true;
    struct Unlock {
        Tyl_DataDrawGrid* G;
        bool Saved;
        ~Unlock() { G->FLayoutLock = Saved; }
    } Restore{FGrid, SavedLock};
    if (!Item || Designing) {
        for (int I = 0; I < Count() && I < FGrid->ColCount(); ++I) {
            TColumn* C = GetItem(I);
            if (!C->AutoSize() && FGrid->ColWidths(I) != C->Width())
                FGrid->SetColWidths(I, C->Width());
        }
        FGrid->Invalidate();
        return;
    }
    const int I = Item->Index();
    if (I < 0 || I >= FGrid->ColCount())
        return;
    FGrid->InvalidateCol(I);
    TColumn* C = GetItem(I);
    if (FGrid->ColWidths(I) != C->Width())
        FGrid->SetColWidths(I, C->Width());
}
