// The string tree's content export: separated texts with levels and
// quoting, UTF-16 text, RTF with Cyrillic and characters above U+7FFF, HTML
// read back by a real HTML parser (escaped texts), the CF_HTML offsets
// checked by slicing, and the clipboard blocks.

#include "common/vtree/VTree.h"

#include "platform/forms/Clipbrd.h"
#include "platform/forms/Forms.h"

#include "tests/common/components/ComponentsTestKit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace components_test;

namespace {

/// Rows of cells by node: the first index is the top-level node, the
/// second its child (-1: the top-level node itself).
struct ExportHost {
    void GetText(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex Column, TVSTTextType,
                 std::u16string& Text)
    {
        const bool Child = Node->Parent->Parent != nullptr &&
                           OwnerTreeOfNode(Node)->RootNode() != Node->Parent;
        const Cardinal Row = Child ? Node->Parent->Index : Node->Index;
        static const char16_t* Top[][2] = {{u"Молоко", u"12,50"}, {u"Сыр \"Российский\"", u"3;4"}};
        static const char16_t* Sub[][2] = {{u"<b>жирность</b> & вкус", u"3,2%"}};
        if (Child)
            Text = Sub[0][Column < 0 ? 0 : Column];
        else
            Text = Top[Row % 2][Column < 0 ? 0 : Column];
    }
};

struct ExportTree {
    std::unique_ptr<TForm> Form = MakeForm(400, 200);
    TVirtualStringTree* Tree = nullptr;
    ExportHost Host;

    explicit ExportTree(bool Columns)
    {
        Tree = new TVirtualStringTree(Form.get());
        Tree->SetParent(Form.get());
        Tree->SetBounds(0, 0, 400, 200);
        Tree->Font()->SetName("Arial");
        Tree->Font()->SetHeight(-11);
        Tree->OnGetText = TVSTGetTextEvent(&Host, &ExportHost::GetText);
        if (Columns) {
            TVTHeader* H = Tree->Header();
            H->Columns()->Add()->SetText(u"Товар");
            H->Columns()->Add()->SetText(u"Цена");
            H->Columns()->GetItem(1)->SetWidth(80);
            H->SetOptions(H->Options() + TVTHeaderOptions{hoVisible});
        }
        // Two top-level nodes; the first has one child, expanded.
        Tree->SetRootNodeCount(2);
        PVirtualNode First = Tree->FirstNode();
        Tree->SetChildCount(First, 1);
        Tree->SetExpanded(First, true);
    }
};

std::string Bytes(const std::u16string& S)
{
    std::string R;
    for (char16_t C : S) {
        R += static_cast<char>(C & 0xFF);
        R += static_cast<char>(C >> 8);
    }
    return R;
}

}  // namespace

TEST(VTreeExport, TextWithSeparatorsAndLevels)
{
    ExportTree T(/*Columns=*/true);
    // The main column carries the level filler; cells with the separator or
    // a double quote are quoted; lines end in CR LF.
    const struct {
        char Separator;
        const char* Expected;  // UTF-8 here, CP1251 in the export
    } Cases[] = {
        {'\t', "Товар\t\tЦена\r\n"
               "Молоко\t\t12,50\r\n"
               "\t<b>жирность</b> & вкус\t3,2%\r\n"
               "\"Сыр \"\"Российский\"\"\"\t\t3;4\r\n"},
        {';', "Товар;;Цена\r\n"
              "Молоко;;12,50\r\n"
              ";<b>жирность</b> & вкус;3,2%\r\n"
              "\"Сыр \"\"Российский\"\"\";;\"3;4\"\r\n"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Separator);
        EXPECT_EQ(T.Tree->ContentToText(tstAll, C.Separator), AnsiString::FromUtf8(C.Expected));
    }
    // The UTF-16 text is never quoted.
    EXPECT_EQ(T.Tree->ContentToUnicode(tstAll, u';'),
              u"Товар;;Цена\r\nМолоко;;12,50\r\n;<b>жирность</b> & вкус;3,2%\r\n"
              u"Сыр \"Российский\";;3;4\r\n");
}

TEST(VTreeExport, SourcesChooseTheNodes)
{
    ExportTree T(/*Columns=*/false);
    PVirtualNode First = T.Tree->FirstNode();
    T.Tree->SetSelected(First->NextSibling, true);
    const struct {
        TVSTTextSourceType Source;
        const char16_t* Expected;
    } Cases[] = {
        {tstAll, u"Молоко\r\n\t<b>жирность</b> & вкус\r\nСыр \"Российский\"\r\n"},
        {tstSelected, u"Сыр \"Российский\"\r\n"},
        {tstCutCopySet, u""},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(static_cast<int>(C.Source));
        EXPECT_EQ(T.Tree->ContentToUnicode(C.Source, u'\t'), C.Expected);
    }
    // Collapsed, the child is not visible.
    T.Tree->SetExpanded(First, false);
    EXPECT_EQ(T.Tree->ContentToUnicode(tstVisible, u'\t'),
              u"Молоко\r\nСыр \"Российский\"\r\n");
}

TEST(VTreeExport, RtfWritesUnitsAsSignedNumbers)
{
    ExportTree T(/*Columns=*/false);
    struct Wide {
        void GetText(TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                     std::u16string& Text)
        {
            Text = u"Ж\uFF01";  // Cyrillic and a unit above 0x7FFF
        }
    } W;
    T.Tree->OnGetText = TVSTGetTextEvent(&W, &Wide::GetText);
    T.Tree->SetRootNodeCount(1);
    const std::string R = T.Tree->ContentToRTF(tstAll).Std();
    EXPECT_EQ(R.rfind("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043{\\fonttbl{\\f0 Arial;}}", 0),
              0u);
    EXPECT_NE(R.find("\\f0\\cf1\\fs16 \\u1046\\'3f\\u-255\\'3f\\cell\\row"), std::string::npos)
        << R;
    EXPECT_EQ(R.substr(R.size() - 10), "\\pard\\par}");
}

TEST(VTreeExport, HtmlReadsBackThroughAnHtmlParser)
{
    ExportTree T(/*Columns=*/true);
    const std::string Html =
        T.Tree->ContentToHTML(tstAll, u"Прайс <1> & \"2\"").Std();
    // The caption is an escaped attribute value.
    EXPECT_NE(Html.find("caption=\"Прайс &lt;1&gt; &amp; &quot;2&quot;\""), std::string::npos);
    const std::filesystem::path Dir = std::filesystem::temp_directory_path();
    const std::filesystem::path File = Dir / "vtree-export.html";
    std::ofstream(File, std::ios::binary) << "<html><body>" << Html << "</body></html>";
    const std::string Script = std::string(PRICETAGS_TEST_DATA) + "/VTreeExport/html_cells.py";
    const std::string Out = (Dir / "vtree-export.cells").string();
    const std::string Command = "python3 " + Script + " " + File.string() + " > " + Out;
    if (std::system("python3 -c pass") != 0)
        GTEST_SKIP() << "python3 is not installed";
    ASSERT_EQ(std::system(Command.c_str()), 0) << "tags not closed in order";
    std::ifstream In(Out);
    std::vector<std::string> Cells;
    for (std::string Line; std::getline(In, Line);)
        Cells.push_back(Line);
    // The child's indentation cell, then its text exactly as the host gave it.
    const std::vector<std::string> Expected = {
        "th\tТовар", "th\tЦена",
        "td\tМолоко", "td\t12,50",
        "td\t\u00a0", "td\t<b>жирность</b> & вкус", "td\t3,2%",
        "td\tСыр \"Российский\"", "td\t3;4",
    };
    EXPECT_EQ(Cells, Expected);
}

TEST(VTreeExport, ClipboardBlocks)
{
    ExportTree T(/*Columns=*/true);
    std::string Block;
    // CF_HTML: the offsets slice the document exactly.
    ASSERT_TRUE(T.Tree->ContentToClipboard(CF_HTML(), tstAll, Block));
    auto Number = [&](const char* Key) {
        const size_t P = Block.find(Key);
        return static_cast<size_t>(std::stoul(Block.substr(P + std::strlen(Key), 8)));
    };
    const size_t StartHTML = Number("StartHTML:");
    const size_t EndHTML = Number("EndHTML:");
    const size_t StartFragment = Number("StartFragment:");
    const size_t EndFragment = Number("EndFragment:");
    EXPECT_EQ(StartHTML, 97u);
    EXPECT_EQ(Block.substr(StartHTML, 9), "<!DOCTYPE");
    EXPECT_EQ(Block.substr(StartFragment, EndFragment - StartFragment),
              T.Tree->ContentToHTML(tstAll).Std());
    EXPECT_EQ(Block.substr(StartFragment - 20, 20), "<!--StartFragment-->");
    EXPECT_EQ(EndHTML, Block.size() - 1) << "the terminator follows the document";
    EXPECT_EQ(Block.substr(EndHTML - 7, 7), "</html>");
    // Texts end in their terminators.
    ASSERT_TRUE(T.Tree->ContentToClipboard(CF_UNICODETEXT, tstAll, Block));
    EXPECT_EQ(Block, Bytes(T.Tree->ContentToUnicode(tstAll, u'\t')) + std::string(2, '\0'));
    ASSERT_TRUE(T.Tree->ContentToClipboard(CF_TEXT, tstAll, Block));
    EXPECT_EQ(Block, T.Tree->ContentToText(tstAll, '\t').Std() + std::string(1, '\0'));
    ASSERT_TRUE(T.Tree->ContentToClipboard(CF_VRTF(), tstAll, Block));
    EXPECT_EQ(Block.back(), '\0');
    EXPECT_FALSE(T.Tree->ContentToClipboard(CF_BITMAP, tstAll, Block));
    // An empty tree without columns: the terminator alone.
    ExportTree Empty(/*Columns=*/false);
    Empty.Tree->Clear();
    ASSERT_TRUE(Empty.Tree->ContentToClipboard(CF_TEXT, tstAll, Block));
    EXPECT_EQ(Block, std::string(1, '\0'));
}
