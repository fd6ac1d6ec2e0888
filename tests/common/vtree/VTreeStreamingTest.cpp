// Trees in form streams: the tree classes registered by name, the header's
// columns written as the tree's property "Columns" and read back into a new
// tree, the header's and the tree's published values, and texts of older
// streams stored as 8-bit strings.

#include "common/vtree/VTree.h"
#include "common/vtree/YLDVirtualTreeComponents.h"

#include "platform/classes/Component.h"
#include "platform/classes/Filer.h"
#include "platform/classes/Streams.h"

#include "tests/support/ComponentStreams.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using component_streams::Bytes;

/// The published and defined values of one column.
struct ColumnValues {
    std::u16string Text;
    std::u16string Hint;
    int Width;
    int MinWidth;
    int MaxWidth;
    int Position;
    TVirtualTreeColumnStyle Style;
    int ImageIndex;
    TBiDiMode BiDiMode;
    TVTHeaderColumnLayout Layout;
    int Margin;
    int Spacing;
    uint64_t Options;
    int Tag;
    TAlignment Alignment;
    TColor Color;
};

const ColumnValues Columns[] = {
    // Defaults everywhere but the text: only the text is written.
    {u"№", u"", 50, 10, 10000, 2, vsText, -1, bdLeftToRight, blGlyphLeft, 4, 4, 255, 0,
     taLeftJustify, clWindow},
    // Every value off its default; a hint; the width below the default
    // minimum, which only holds when the limits are read first.
    {u"Наименование столбца", u"Подсказка", 5, 0, 20, 0, vsOwnerDraw, 3, bdRightToLeft,
     blGlyphBottom, 7, 1, 0x1A5, 99, taCenter, 0x00F1A378},
    // The tree's colour and reading order taken from the tree: neither is
    // stored, so both come back as the new tree's.
    {u"", u"", 436, 10, 10000, 1, vsText, -1, bdLeftToRight, blGlyphLeft, 4, 4,
     255 | (1 << coParentColor) | (1 << coParentBidiMode), 2, taRightJustify, clWindow},
};

void Apply(TVirtualTreeColumn* C, const ColumnValues& V)
{
    C->SetText(V.Text);
    C->SetHint(V.Hint);
    C->SetMinWidth(V.MinWidth);
    C->SetMaxWidth(V.MaxWidth);
    C->SetWidth(V.Width);
    C->SetStyle(V.Style);
    C->SetImageIndex(V.ImageIndex);
    C->SetBiDiMode(V.BiDiMode);
    C->SetLayout(V.Layout);
    C->SetMargin(V.Margin);
    C->SetSpacing(V.Spacing);
    C->SetOptions(TVTColumnOptions::FromBits(V.Options));
    C->SetTag(V.Tag);
    C->SetAlignment(V.Alignment);
    C->SetColor(V.Color);
}

void ExpectColumn(TVirtualTreeColumn* C, const ColumnValues& V)
{
    EXPECT_TRUE(C->Text() == V.Text);
    EXPECT_TRUE(C->Hint() == V.Hint);
    EXPECT_EQ(C->Width(), V.Width);
    EXPECT_EQ(C->MinWidth(), V.MinWidth);
    EXPECT_EQ(C->MaxWidth(), V.MaxWidth);
    EXPECT_EQ(C->Position(), V.Position);
    EXPECT_EQ(C->Style(), V.Style);
    EXPECT_EQ(C->ImageIndex(), V.ImageIndex);
    EXPECT_EQ(C->BiDiMode(), V.BiDiMode);
    EXPECT_EQ(C->Layout(), V.Layout);
    EXPECT_EQ(C->Margin(), V.Margin);
    EXPECT_EQ(C->Spacing(), V.Spacing);
    EXPECT_EQ(C->Options().Bits(), V.Options);
    EXPECT_EQ(C->Tag(), V.Tag);
    EXPECT_EQ(C->Alignment(), V.Alignment);
    EXPECT_EQ(C->Color(), V.Color);
}

/// A form of one tree of class Class named "Tree".
struct Form {
    std::unique_ptr<TComponent> Root = std::make_unique<TComponent>(nullptr);
    TBaseVirtualTree* Tree = nullptr;

    explicit Form(TClass Class = ClassOf<TVirtualStringTree>())
    {
        Root->SetName("Form");
        Tree = static_cast<TBaseVirtualTree*>(Class->Create(Root.get()));
        Tree->SetName("Tree");
    }
    Form(const Bytes& Data)
    {
        component_streams::Read(Data, Root.get());
        Tree = static_cast<TBaseVirtualTree*>(Root->FindComponent("Tree"));
    }
};

class Registered : public ::testing::Test {
protected:
    void SetUp() override
    {
        VTreeInitialization();
        YLDVirtualTreeComponentsInitialization();
    }
};

TEST_F(Registered, ColumnsAndHeaderComeBackInANewTree)
{
    for (TClass Class : {ClassOf<TVirtualStringTree>(), ClassOf<Tyl_VirtualStringTree>()}) {
        SCOPED_TRACE(Class->ClassName().c_str());
        Form Written(Class);
        TVTHeader* H = Written.Tree->Header();
        for (const ColumnValues& V : Columns)
            Apply(H->Columns()->Add(), V);
        for (int I = 0; I < 3; ++I)
            H->Columns()->GetItem(I)->SetPosition(Columns[I].Position);
        H->SetMainColumn(1);
        H->SetSortColumn(2);
        H->SetSortDirection(sdDescending);
        H->SetAutoSizeIndex(2);
        H->SetHeight(22);
        H->SetStyle(hsFlatButtons);
        // Without hoAutoResize: the auto-size column would take the rest of
        // the client's width when the form is loaded.
        H->SetOptions({hoColumnResize, hoDrag, hoShowImages, hoShowSortGlyphs, hoVisible});
        Written.Tree->SetDefaultNodeHeight(20);
        Written.Tree->TreeOptions()->SetSelectionOptions({toFullRowSelect, toMultiSelect});
        Written.Tree->Colors()->Set(TVTColors::GridLineColor, 0x00F1A378);
        Written.Tree->ScrollBarOptions()->SetScrollBars(ssVertical);

        Form Read(component_streams::Write(Written.Root.get()));
        ASSERT_NE(Read.Tree, nullptr);
        EXPECT_EQ(Read.Tree->ClassType(), Class);
        TVTHeader* R = Read.Tree->Header();
        ASSERT_EQ(R->Columns()->Count(), 3);
        for (int I = 0; I < 3; ++I) {
            SCOPED_TRACE(I);
            ExpectColumn(R->Columns()->GetItem(I), Columns[I]);
        }
        EXPECT_EQ(R->Columns()->PositionToIndex(), (std::vector<TColumnIndex>{1, 2, 0}));
        EXPECT_EQ(R->MainColumn(), 1);
        EXPECT_EQ(R->SortColumn(), 2);
        EXPECT_EQ(R->SortDirection(), sdDescending);
        EXPECT_EQ(R->AutoSizeIndex(), 2);
        EXPECT_EQ(R->Height(), 22u);
        EXPECT_EQ(R->Style(), hsFlatButtons);
        EXPECT_EQ(R->Options(), H->Options());
        EXPECT_EQ(Read.Tree->DefaultNodeHeight(), 20u);
        EXPECT_EQ(Read.Tree->TreeOptions()->SelectionOptions(),
                  (TVTSelectionOptions{toFullRowSelect, toMultiSelect}));
        EXPECT_EQ(Read.Tree->Colors()->Get(TVTColors::GridLineColor), 0x00F1A378);
        EXPECT_EQ(Read.Tree->ScrollBarOptions()->ScrollBars(), ssVertical);
    }
}

TEST_F(Registered, TreeWithoutColumnsWritesNone)
{
    Form Written;
    const Bytes Data = component_streams::Write(Written.Root.get());
    const std::string Text(Data.begin(), Data.end());
    EXPECT_EQ(Text.find("Columns"), std::string::npos);
    EXPECT_EQ(Text.find("\x07Options"), std::string::npos);  // the old set is never written
    Form Read(Data);
    ASSERT_NE(Read.Tree, nullptr);
    EXPECT_EQ(Read.Tree->Header()->Columns()->Count(), 0);
}

// A form stream names the tree by class: an unregistered class is the
// class library's error.
TEST(VTreeStreaming, UnregisteredTreeClassIsNotFound)
{
    VTreeInitialization();
    Form Written;
    Written.Tree->Header()->Columns()->Add();
    const Bytes Data = component_streams::Write(Written.Root.get());
    UnRegisterClass(ClassOf<TVirtualStringTree>());
    struct Reregister {
        ~Reregister() { VTreeInitialization(); }
    } Again;
    TComponent Root(nullptr);
    ExpectRaises<EClassNotFound>([&] { component_streams::Read(Data, &Root); },
                                 "Class TVirtualStringTree not found");
    EXPECT_EQ(Root.ComponentCount(), 0);
}

// Older forms hold a column's text as an 8-bit string.
TEST_F(Registered, EightBitColumnTextIsReadAsCp1251)
{
    using namespace component_streams;
    const Bytes Data = Concat({Signature(), Short("TComponent"), Short("Form"), {0},
                               Short("TVirtualStringTree"), Short("Tree"), Short("Columns"),
                               {vaCollection, vaList}, Short("WideText"),
                               {vaString, 4, 0xD6, 0xE5, 0xED, 0xE0},  // "Цена" in CP1251
                               {0, 0, 0, 0, 0}});
    Form Read(Data);
    ASSERT_NE(Read.Tree, nullptr);
    ASSERT_EQ(Read.Tree->Header()->Columns()->Count(), 1);
    EXPECT_TRUE(Read.Tree->Header()->Columns()->GetItem(0)->Text() == u"Цена");
}

// Older forms hold one set of option names for all groups: each name
// lands in its group, and what the set does not name is off.
TEST_F(Registered, OldOptionSetFillsTheFiveGroups)
{
    using namespace component_streams;
    const Bytes Data = Concat({Signature(), Short("TComponent"), Short("Form"), {0},
                               Short("TVirtualStringTree"), Short("Tree"), Short("Options"),
                               {vaSet}, Short("voAnimatedToggle"), Short("voAutoScroll"),
                               Short("voMultiSelect"), Short("voShowRoot"),
                               Short("voToggleOnDblClick"), {0}, {0, 0, 0}});
    Form Read(Data);
    ASSERT_NE(Read.Tree, nullptr);
    TCustomVirtualTreeOptions* O = Read.Tree->TreeOptions();
    EXPECT_EQ(O->AnimationOptions(), TVTAnimationOptions{toAnimatedToggle});
    EXPECT_EQ(O->AutoOptions(), TVTAutoOptions{toAutoScroll});
    EXPECT_EQ(O->SelectionOptions(), TVTSelectionOptions{toMultiSelect});
    EXPECT_EQ(O->PaintOptions(), TVTPaintOptions{toShowRoot});
    EXPECT_EQ(O->MiscOptions(), TVTMiscOptions{toToggleOnDblClick});
    // A name the old set never had is the class library's error.
    const Bytes Bad = Concat({Signature(), Short("TComponent"), Short("Form"), {0},
                              Short("TVirtualStringTree"), Short("Tree"), Short("Options"),
                              {vaSet}, Short("voNoSuchOption"), {0}, {0, 0, 0}});
    TComponent Root(nullptr);
    ExpectRaises<EReadError>([&] { component_streams::Read(Bad, &Root); },
                             "Error reading Tree.Options: Invalid property value");
}

}  // namespace
