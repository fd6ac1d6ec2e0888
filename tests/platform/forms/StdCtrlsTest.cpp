#include "platform/forms/Mask.h"
#include "platform/forms/StdCtrls.h"

#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/classes/Strings.h"

#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

/// A form with one control of type T on it, shown and focused.
template <class T>
class OnForm {
public:
    OnForm()
    {
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetBounds(0, 0, 300, 200);
        Control = new T(Form.get());
        Control->SetParent(Form.get());
        Form->Show();
        Control->SetFocus();
    }
    void Type(const AnsiString& Keys)
    {
        for (int I = 1; I <= Keys.Length(); ++I)
            Control->Perform(WM_CHAR, static_cast<unsigned char>(Keys[I]));
    }
    void Key(Word K) { Control->Perform(WM_KEYDOWN, K); }

    std::unique_ptr<TForm> Form;
    T* Control = nullptr;
};

/// Counts the change events it is hooked to.
struct ChangeCounter {
    int N = 0;
    void Changed(TObject*) { ++N; }
};

struct MaskEditCase {
    const char* Mask;
    const char* Keys;
    const char* Text;
    const char* EditText;
};
const MaskEditCase MaskEditCases[] = {
    {"!99/99/9999;1; ", "31122024", "31.12.2024", "31.12.2024"}, // the date edit's mask
    {"!99/99/9999;1; ", "0102", "01.02.    ", "01.02.    "},     // a date typed halfway
    {"!99/99/9999;1;_", "1x5", "15.  .    ", "15.__.____"},       // a letter beeps and is dropped
    {"000-00;0;_", "12345", "12345", "123-45"},                   // literals left out of Text
    {">LLL", "abc", "ABC", "ABC"},                                // upper-casing
    {"", "free", "free", "free"},                                 // no mask: a plain edit
};

TEST(TMaskEdit, TypedKeysGiveTextAndEditText)
{
    const RussianSettingsScope Ru;
    for (const MaskEditCase& C : MaskEditCases) {
        SCOPED_TRACE(std::string(C.Mask) + " / " + C.Keys);
        OnForm<TMaskEdit> F;
        F.Control->SetEditMask(C.Mask);
        F.Control->SetSelStart(0);
        F.Type(C.Keys);
        EXPECT_EQ(F.Control->Text(), C.Text);
        EXPECT_EQ(F.Control->EditText(), C.EditText);
        EXPECT_TRUE(F.Control->Modified());
    }
}

TEST(TMaskEdit, TextSetByTheProgramIsShownThroughTheMask)
{
    const RussianSettingsScope Ru;
    OnForm<TMaskEdit> F;
    F.Control->SetEditMask("!99/99/9999;1; ");
    F.Control->SetText("05.06.2023");
    EXPECT_EQ(F.Control->EditText(), "05.06.2023");
    F.Control->SetText("");
    EXPECT_EQ(F.Control->EditText(), "  .  .    ");
    EXPECT_FALSE(F.Control->Modified());
}

TEST(TMaskEdit, EscapeGivesBackTheTextOfEntering)
{
    const RussianSettingsScope Ru;
    OnForm<TMaskEdit> F;
    F.Control->SetEditMask("!99/99/9999;1; ");
    F.Control->SetText("05.06.2023");
    F.Control->Perform(CM_ENTER);
    F.Control->SetSelStart(0);
    F.Type("11");
    EXPECT_EQ(F.Control->Text(), "11.06.2023");
    F.Type(AnsiString(char(VK_ESCAPE)));
    EXPECT_EQ(F.Control->Text(), "05.06.2023");
    EXPECT_FALSE(F.Control->Modified());
}

TEST(TMaskEdit, IncompleteRequiredTextRaisesOnValidation)
{
    OnForm<TMaskEdit> F;
    F.Control->SetEditMask("000;1;_");
    F.Control->SetSelStart(0);
    F.Type("12");
    ExpectRaises<EDBEditError>([&] { F.Control->ValidateEdit(); },
                               "Invalid input value.  Use escape key to abandon changes");
    EXPECT_EQ(F.Control->SelStart(), 2) << "the caret goes to the missing digit";
    F.Type("3");
    F.Control->ValidateEdit();
}

TEST(TEdit, TypingReplacesTheSelectionAndRespectsMaxLength)
{
    OnForm<TEdit> F;
    F.Control->SetText("hello");
    F.Control->SetMaxLength(6);
    F.Control->SelectAll();
    F.Type("ab");
    EXPECT_EQ(F.Control->Text(), "ab");
    F.Type("cdefg");
    EXPECT_EQ(F.Control->Text(), "abcdef") << "the seventh character is refused";
    F.Key(VK_HOME);
    F.Key(VK_DELETE);
    EXPECT_EQ(F.Control->Text(), "bcdef");
    F.Type(AnsiString(char(VK_BACK)));
    EXPECT_EQ(F.Control->Text(), "bcdef") << "nothing before the caret";
}

// Typed on the keyboard, every character with a CP1251 byte reaches the
// edit, also those whose key has no virtual-key code of its own.
TEST(TEdit, KeyboardTypesEveryRussianCharacter)
{
    OnForm<TEdit> F;
    const char* const Typed[] = {
        "Накладная №245",         // "№": Shift+3 of the Russian layout, a key without a name
        "ООО «Ромашка» — ёЁ",     // guillemets, dash and Ё
        "1 200,50-\"Bosch\"",    // punctuation keys
    };
    for (const char* T : Typed) {
        SCOPED_TRACE(T);
        F.Control->SetText("");
        SimulateText(AnsiString::FromUtf8(T));
        EXPECT_EQ(F.Control->Text(), AnsiString::FromUtf8(T));
    }
}

TEST(TMemo, EnteringKeepsTheCaretAndTypingReplacesNothing)
{
    OnForm<TEdit> Other;
    OnForm<TMemo> M;
    M.Control->SetText("first\r\nsecond");
    M.Control->SetSelStart(0);
    Other.Control->SetFocus();
    M.Control->SetFocus();  // an edit would select all here
    EXPECT_EQ(M.Control->SelLength(), 0);
    M.Type("x");
    EXPECT_EQ(M.Control->Text(), "xfirst\r\nsecond");
}

TEST(TEdit, EditMessagesReadAndSetTheSelection)
{
    OnForm<TEdit> F;
    F.Control->SetText("abcdef");
    F.Control->Perform(EM_SETSEL, 1, 4);
    EXPECT_EQ(F.Control->SelText(), "bcd");
    int Start = 0, End = 0;
    F.Control->Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&Start), reinterpret_cast<LPARAM>(&End));
    EXPECT_EQ(Start, 1);
    EXPECT_EQ(End, 4);
    F.Control->Perform(EM_SETMARGINS, 3, MakeLParam(5, 7));
    EXPECT_EQ(F.Control->Perform(EM_GETMARGINS), MakeLParam(5, 7));
    F.Control->SetReadOnly(true);
    F.Type("x");
    EXPECT_EQ(F.Control->Text(), "abcdef") << "read-only refuses typing";
}

TEST(TEdit, ChangesAreReportedToTheParentAndOnChange)
{
    OnForm<TEdit> F;
    ChangeCounter Changes;
    F.Control->OnChange = TNotifyEvent(&Changes, &ChangeCounter::Changed);
    F.Control->SetText("a");
    F.Type("b");
    EXPECT_EQ(Changes.N, 2);
}

TEST(TComboBox, ItemSelectionByKeysAndText)
{
    OnForm<TComboBox> F;
    F.Control->SetStyle(csDropDownList);
    F.Control->Items()->Add("one");
    F.Control->Items()->Add("two");
    F.Control->Items()->Add("three");
    EXPECT_EQ(F.Control->ItemIndex(), -1);
    F.Key(VK_DOWN);
    EXPECT_EQ(F.Control->ItemIndex(), 0);
    EXPECT_EQ(F.Control->Text(), "one");
    F.Key(VK_END);
    EXPECT_EQ(F.Control->Text(), "three");
    F.Type("t");
    EXPECT_EQ(F.Control->ItemIndex(), 1) << "a letter picks the next item starting with it";
    F.Control->SetText("one");
    EXPECT_EQ(F.Control->ItemIndex(), 0);
    F.Control->SetItemIndex(7);
    EXPECT_EQ(F.Control->ItemIndex(), -1);
    EXPECT_EQ(F.Control->Text(), "");
}

TEST(TComboBox, DroppedListPicksOnEnterOnly)
{
    OnForm<TComboBox> F;
    F.Control->SetStyle(csDropDownList);
    F.Control->Items()->SetText("a\r\nb\r\nc");
    F.Control->SetItemIndex(0);
    F.Control->Perform(WM_KEYDOWN, VK_F4);
    ASSERT_TRUE(F.Control->DroppedDown());
    F.Key(VK_DOWN);
    EXPECT_EQ(F.Control->ItemIndex(), 0) << "moving in the list does not pick";
    F.Key(VK_RETURN);
    EXPECT_FALSE(F.Control->DroppedDown());
    EXPECT_EQ(F.Control->ItemIndex(), 1);
}

// A click on the box's arrow shows its items in a window under the box;
// a click on one of them picks it, a click elsewhere picks nothing.
TEST(TComboBox, MouseDropsTheListAndPicksFromIt)
{
    OnForm<TComboBox> F;
    F.Control->SetStyle(csDropDownList);
    F.Control->Items()->SetText("a\r\nb\r\nc");
    F.Control->SetItemIndex(0);
    ChangeCounter Changes;
    F.Control->OnChange = TNotifyEvent(&Changes, &ChangeCounter::Changed);

    SimulateClick(F.Control, F.Control->Width() - 5, 5);
    ASSERT_TRUE(F.Control->DroppedDown());
    TCustomListBox* List = F.Control->DropDownList();
    ASSERT_NE(List, nullptr);
    EXPECT_TRUE(List->Visible());
    EXPECT_EQ(List->Items()->Count(), 3);
    EXPECT_EQ(List->ItemIndex(), 0);
    const TPoint Under = F.Control->ClientToScreen(Point(0, F.Control->Height()));
    EXPECT_EQ(List->Left(), Under.X);
    EXPECT_EQ(List->Top(), Under.Y);
    EXPECT_GE(List->ClientHeight(), 3 * List->ItemHeight()) << "every item shows";
    // Owned by the form, so that a modal form lets the list take the mouse.
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLong(List->Handle(), GWL_HWNDPARENT)),
              F.Form->Handle());
    if (const char* Dir = std::getenv("PRICETAGS_PNG_DIR")) {
        TBitmap Shot;
        GrabWindow(List, &Shot);
        WriteBytes(std::filesystem::path(Dir) / "combo-drop-list.png", Shot.SaveToPngBytes());
    }

    const TRect Third = List->ItemRect(2);
    SimulateClick(List, Third.Left + 4, Third.Top + 2);
    EXPECT_FALSE(F.Control->DroppedDown());
    EXPECT_FALSE(List->Visible());
    EXPECT_EQ(F.Control->ItemIndex(), 2);
    EXPECT_EQ(F.Control->Text(), "c");
    EXPECT_EQ(Changes.N, 1);

    SimulateClick(F.Control, F.Control->Width() - 5, 5);
    ASSERT_TRUE(List->Visible());
    SimulateMouseDown(List, mbLeft, 4, 4);
    SimulateMouseUp(List, mbLeft, 4, List->Height() + 40);  // released outside
    EXPECT_FALSE(F.Control->DroppedDown());
    EXPECT_EQ(F.Control->ItemIndex(), 2);
    EXPECT_EQ(Changes.N, 1);
}

// More items than DropDownCount: the wheel scrolls the dropped list, so
// the mouse reaches every item.
TEST(TComboBox, WheelScrollsTheDroppedList)
{
    OnForm<TComboBox> F;
    F.Control->SetStyle(csDropDownList);
    for (const char* Item : {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"})
        F.Control->Items()->Add(Item);
    F.Control->SetItemIndex(0);
    SimulateClick(F.Control, F.Control->Width() - 5, 5);
    TCustomListBox* List = F.Control->DropDownList();
    ASSERT_NE(List, nullptr);
    EXPECT_EQ(List->VisibleItemCount(), F.Control->DropDownCount());
    SimulateWheel(List, -120, 5, 5);
    ASSERT_EQ(List->TopIndex(), 3);
    SimulateWheel(List, -120, 5, 5);
    EXPECT_EQ(List->TopIndex(), 4) << "no further than the last item";
    SimulateWheel(List, 120, 5, 5);
    EXPECT_EQ(List->TopIndex(), 1);
    SimulateClick(List, 5, List->ItemRect(8).Top + 2);
    EXPECT_FALSE(F.Control->DroppedDown());
    EXPECT_EQ(F.Control->Text(), "i");
}

TEST(TListBox, SelectionAndSelectString)
{
    OnForm<TListBox> F;
    F.Control->Items()->SetText("Apple\r\nБанан\r\nbanana\r\nCherry"_a);
    F.Key(VK_DOWN);
    EXPECT_EQ(F.Control->ItemIndex(), 0);
    const AnsiString Prefix = "ба"_a;
    EXPECT_EQ(F.Control->Perform(LB_SELECTSTRING, 0xFFFF, reinterpret_cast<LPARAM>(Prefix.c_str())), 1);
    EXPECT_EQ(F.Control->ItemIndex(), 1) << "case is ignored, Cyrillic included";
    EXPECT_EQ(F.Control->Perform(LB_SELECTSTRING, 1, reinterpret_cast<LPARAM>("BAN")), 2);
    EXPECT_EQ(F.Control->Perform(LB_GETCURSEL), 2);
    F.Control->Items()->Delete(3);
    F.Control->Items()->Delete(2);
    EXPECT_EQ(F.Control->ItemIndex(), -1) << "the selected item went away";
}

TEST(TButton, DefaultAndCancelAnswerDialogKeys)
{
    OnForm<TButton> F;
    auto* Cancel = new TButton(F.Form.get());
    Cancel->SetParent(F.Form.get());
    Cancel->SetCancel(true);
    Cancel->SetModalResult(mrCancel);
    F.Control->SetDefault(true);
    F.Control->SetModalResult(mrOk);
    EXPECT_EQ(F.Form->Perform(CM_DIALOGKEY, VK_RETURN), 1);
    EXPECT_EQ(F.Form->ModalResult(), mrOk);
    F.Form->SetModalResult(mrNone);
    EXPECT_EQ(F.Form->Perform(CM_DIALOGKEY, VK_ESCAPE), 1);
    EXPECT_EQ(F.Form->ModalResult(), mrCancel);
}

} // namespace
