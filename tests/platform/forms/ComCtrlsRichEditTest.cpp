// The rich edit: documents streamed in, their runs and tab stops, and the
// background; and the owner-drawn rows of the list view.

#include "platform/forms/ComCtrls.h"

#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/classes/Strings.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Source {
    std::string Bytes;
    size_t At = 0;
    int Calls = 0;
    bool FailOnSecond = false;
};

DWORD ReadSource(uintptr_t Cookie, Byte* Buffer, int Count, int* Read)
{
    auto* S = reinterpret_cast<Source*>(Cookie);
    if (++S->Calls == 2 && S->FailOnSecond)
        return 7;
    const size_t N = std::min(size_t(Count), S->Bytes.size() - S->At);
    std::copy_n(S->Bytes.data() + S->At, N, Buffer);
    S->At += N;
    *Read = int(N);
    return 0;
}

class RichEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetBounds(0, 0, 400, 300);
        Rich = new TRichEdit(Form.get());
        Rich->SetParent(Form.get());
        Rich->SetBounds(0, 0, 380, 280);
    }
    LRESULT Stream(Source& S, WPARAM Format = SF_RTF)
    {
        EDITSTREAM ES;
        ES.dwCookie = reinterpret_cast<uintptr_t>(&S);
        ES.pfnCallback = &ReadSource;
        const LRESULT R = SendMessage(Rich->Handle(), EM_STREAMIN, Format, LPARAM(&ES));
        Error = ES.dwError;
        return R;
    }

    std::unique_ptr<TForm> Form;
    TRichEdit* Rich = nullptr;
    DWORD Error = 0;
};

TEST_F(RichEditTest, StreamedDocumentKeepsItsRunsTabsAndFont)
{
    // Colour table: 0 automatic, 1 teal, 2 navy. Larger than one read of
    // the control (4096 bytes), so the callback is asked several times.
    Source S;
    S.Bytes = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fmodern Courier New;}}\r\n"
              "{\\colortbl ;\\red0\\green100\\blue100;\\red0\\green0\\blue160;}\r\n"
              "\\f0\\fs20\r\n"
              "\\cf1\\b Head\\b0\\par\r\n"
              "\\cf0 a\\\\b\\{c\\}\\'e0\\cf2 !\\par\r\n"
              "\\pard\\tx1440 L\\tab R\\par\r\n" +
              std::string(5000, ' ') + "}";
    EXPECT_EQ(Stream(S), LRESULT(S.Bytes.size()));
    EXPECT_GT(S.Calls, 2);
    ASSERT_EQ(Rich->Lines()->Count(), 4);
    EXPECT_EQ(Rich->Lines()->Strings(0), "Head");
    EXPECT_EQ(Rich->Lines()->Strings(1), "a\\b{c}\xE0!");  // escapes and a hex byte
    EXPECT_EQ(Rich->Lines()->Strings(2), "L\tR");
    EXPECT_EQ(Rich->Font()->Name(), "Courier New");
    EXPECT_EQ(Rich->Font()->Size(), 10);

    struct RunCase { int Line; size_t Run; int From; TColor Color; bool Bold; };
    const RunCase Runs[] = {
        {0, 0, 0, TColor(RGB(0, 100, 100)), true},   // \cf1\b
        {1, 0, 0, clBlack, false},                   // \cf0: the automatic colour
        {1, 1, 7, TColor(RGB(0, 0, 160)), false},    // \cf2 after seven bytes
    };
    for (const RunCase& C : Runs) {
        SCOPED_TRACE(C.Line * 10 + int(C.Run));
        const auto& R = Rich->LineRuns(C.Line);
        ASSERT_GT(R.size(), C.Run);
        EXPECT_EQ(R[C.Run].From, C.From);
        EXPECT_EQ(R[C.Run].Color, C.Color);
        EXPECT_EQ(R[C.Run].Bold, C.Bold);
    }
    EXPECT_EQ(Rich->LineRuns(1).size(), 2u);
    // \tx1440 is one inch: 96 pixels; \pard starts the paragraph without stops.
    EXPECT_TRUE(Rich->LineTabs(1).empty());
    EXPECT_EQ(Rich->LineTabs(2), std::vector<int> {96});

    // Text set by the program has no runs.
    Rich->SetText("plain");
    EXPECT_TRUE(Rich->LineRuns(0).empty());
}

TEST_F(RichEditTest, FailedStreamLeavesTheTextAndBackgroundFollowsTheMessage)
{
    Rich->SetText("kept");
    Source S;
    S.Bytes = std::string(9000, 'x');
    S.FailOnSecond = true;
    EXPECT_EQ(Stream(S), 0);
    EXPECT_EQ(Error, 7u);
    EXPECT_EQ(Rich->Text(), "kept");

    // A million nested groups cost no more than a few.
    Source Deep;
    Deep.Bytes = std::string(1000000, '{') + "deep" + std::string(1000000, '}') + "\\par after";
    EXPECT_GT(Stream(Deep), 0);
    ASSERT_EQ(Rich->Lines()->Count(), 2);
    EXPECT_EQ(Rich->Lines()->Strings(0), "deep");
    EXPECT_EQ(Rich->Lines()->Strings(1), "after");

    Source Plain;
    Plain.Bytes = "{not rtf}";
    EXPECT_EQ(Stream(Plain, SF_TEXT), 9);
    EXPECT_EQ(Rich->Text(), "{not rtf}");

    SendMessage(Rich->Handle(), EM_SETBKGNDCOLOR, 0, LPARAM(RGB(1, 2, 3)));
    EXPECT_EQ(ColorToRGB(Rich->Color()), RGB(1, 2, 3));
    EXPECT_EQ(SendMessage(Rich->Handle(), EM_SETBKGNDCOLOR, 1, 0), LRESULT(RGB(1, 2, 3)));
    EXPECT_EQ(Rich->Color(), clWindow);
}

// ---- owner-drawn list rows -----------------------------------------------------------------

class DrawnRows : public TComponent {
public:
    DrawnRows() : TComponent(nullptr) {}
    void Draw(TCustomListView* Sender, TListItem* Item, TRect Rect, TOwnerDrawState State)
    {
        Log.push_back(Item->Caption() + (State.Contains(odSelected) ? "+sel" : "") +
                      (State.Contains(odFocused) ? "+focus" : ""));
        Rects.push_back(Rect);
        CanvasGiven = CanvasGiven && Sender->Canvas() != nullptr;
        Sender->Canvas()->Brush()->SetColor(clRed);
        Sender->Canvas()->FillRect(Rect);
    }
    std::vector<AnsiString> Log;
    std::vector<TRect> Rects;
    bool CanvasGiven = true;
};

TEST(ListViewOwnerDraw, RowsArePaintedByTheHandlerWithTheirState)
{
    auto Form = std::make_unique<TForm>(nullptr, 0);
    Form->SetBounds(0, 0, 300, 200);
    auto* List = new TListView(Form.get());
    List->SetParent(Form.get());
    List->SetBounds(0, 0, 280, 180);
    List->SetViewStyle(vsReport);
    List->Columns()->Add()->SetWidth(100);
    List->Columns()->Add()->SetWidth(80);
    for (const char* C : {"a", "b", "c"})
        List->Items()->Add()->SetCaption(C);
    DrawnRows Rows;
    List->OnDrawItem = TLVDrawItemEvent(&Rows, &DrawnRows::Draw);
    List->SetOwnerDraw(true);
    List->SetItemIndex(1);
    Form->Show();
    List->Repaint();
    EXPECT_EQ(Rows.Log, (std::vector<AnsiString> {"a", "b+sel+focus", "c"}));
    EXPECT_TRUE(Rows.CanvasGiven);
    EXPECT_EQ(List->Canvas(), nullptr);  // lent for the handler only
    ASSERT_EQ(Rows.Rects.size(), 3u);
    EXPECT_EQ(Rows.Rects[1], List->ItemRect(1));
    // Nothing of the list's own drawing is over the handler's.
    TBitmap Shot;
    GrabWindow(List, &Shot);
    const TRect R = List->ItemRect(1);
    EXPECT_EQ(Shot.Canvas()->Pixels(R.Left + 40, R.Top + R.Height() / 2), clRed);
}

}  // namespace
