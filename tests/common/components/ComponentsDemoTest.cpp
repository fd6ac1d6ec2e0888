// One window with every interface component, rendered offscreen to a PNG
// (components-demo.png) to look at as a shop operator would.

#include "common/components/ExLabel.h"
#include "common/components/PaneSplitter.h"
#include "common/components/PickDate.h"
#include "common/components/ToolEdit.h"
#include "common/components/YLDCompn.h"
#include "common/components/ylCtrls.h"

#include "tests/common/components/ComponentsTestKit.h"
#include "tests/support/SettingsScope.h"

#include "platform/classes/Strings.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

#include <gtest/gtest.h>

using namespace components_test;

namespace {

TExLabel* Caption(TForm& Form, TWinControl* Parent, int X, int Y, const char* Text)
{
    auto* L = new TExLabel(&Form);
    L->SetParent(Parent);
    L->SetLeft(X);
    L->SetTop(Y);
    L->SetCaption(AnsiString::FromUtf8(Text));
    return L;
}

} // namespace

TEST(ComponentsDemo, EveryControlOnOneWindow)
{
    const RussianSettingsScope Ru;
    auto Form = MakeForm(640, 420);
    auto* Title = new TExLabel(Form.get());
    Title->SetParent(Form.get());
    Title->SetAutoSize(false);
    Title->SetHeight(34);
    Title->SetAlign(alTop);
    Title->SetAlignment(taCenter);
    Title->SetLayout(tlCenter);
    Title->SetColor(clTeal);
    Title->SetTextStyle(tsShadow);
    Title->Font()->SetName("Times New Roman");
    Title->Font()->SetHeight(-22);
    Title->Font()->SetStyle({fsBold});
    Title->Font()->SetColor(clWhite);
    Title->SetCaption("Настройки программы"_a);

    auto* Left = new TPanel(Form.get());
    Left->SetParent(Form.get());
    Left->SetWidth(210);
    Left->SetAlign(alLeft);
    auto* Splitter = new TPaneSplitter(Form.get());
    Splitter->SetParent(Form.get());
    Splitter->SetLeft(220);
    Splitter->SetAlign(alLeft);
    auto* Right = new TPanel(Form.get());
    Right->SetParent(Form.get());
    Right->SetAlign(alClient);
    Right->SetBevelOuter(bvNone);

    // Left pane: the region picker and the calendar.
    Caption(*Form, Left, 8, 8, "Область листа:");
    auto* Regions = new Tyl_Bevel(Form.get());
    Regions->SetParent(Left);
    Regions->SetBounds(8, 26, 192, 100);
    Regions->SetCols(3);
    Regions->SetRows(4);
    for (const char* C : {"Лв/Вх", "Лев", "Лв/Низ", "(Шапка)", "Верх", "[область]", "Низ", "", "Пв/Вх",
                          "Прав", "Пв/Низ", "(Итог)"})
        Regions->Caps()->Add(AnsiString::FromUtf8(C));
    Regions->SetOptions({boSelShow, boSelPressed});
    Regions->SetSelColor(clBlue);
    Regions->SetCol(1);
    Regions->SetRow(1);
    auto* Cal = new TylCalendar(Form.get());
    Cal->SetParent(Left);
    Cal->SetBounds(8, 140, 192, 150);
    Cal->SetCalendarDate(EncodeDate(2026, 12, 10));

    // Right pane: edits and buttons.
    int Y = 8;
    const auto Row = [&](const char* Text, TWinControl* Edit, int Width) {
        Caption(*Form, Right, 8, Y + 3, Text);
        Edit->SetParent(Right);
        Edit->SetBounds(150, Y, Width, 21);
        Y += 30;
    };
    auto* Markup = new Tyl_FloatEdit(Form.get());
    Markup->SetDisplayFormat("0.00 %");
    Markup->SetValue(25);
    Row("Наценка:", Markup, 100);
    auto* Price = new Tyl_CurrencyEdit(Form.get());
    Price->SetValue(Currency::FromRaw(12345000));
    Row("Цена:", Price, 120);
    auto* Count = new Tyl_IntegerEdit(Form.get());
    Count->SetValue(12);
    Row("Количество:", Count, 60);
    auto* Provider = new Tyl_ComboEdit(Form.get());
    Provider->SetGlyphKind(gkEllipsis);
    Provider->SetText("ООО \"Поставщик\""_a);
    Row("Поставщик:", Provider, 220);
    auto* File = new TFilenameEdit(Form.get());
    File->SetFileName("/home/shop/Накладные/Счёт 125.xls"_a);
    Row("Файл:", File, 220);
    auto* DateDoc = new TDateEdit(Form.get());
    DateDoc->SetWidth(110);
    DateDoc->SetDate(EncodeDate(2026, 12, 10));
    Row("Дата:", DateDoc, 110);

    const char* Captions[] = {"", "", "Печать", "Выход"};
    int X = 8;
    for (int I = 0; I < 4; ++I) {
        auto* B = new TylSpeedButton(Form.get());
        B->SetParent(Right);
        B->SetBounds(X, Y + 10, I < 2 ? 28 : 80, 28);
        B->SetLayout(blGlyphLeft);
        TBitmap* G = CalendarGlyph(I == 0 ? 0 : 3);
        B->SetGlyph(G);
        B->SetCaption(AnsiString::FromUtf8(Captions[I]));
        B->SetFlat(I == 1);
        B->SetEnabled(I != 3);
        X += B->Width() + 4;
    }
    auto* Note = new TExLabel(Form.get());
    Note->SetParent(Right);
    Note->SetBounds(8, Y + 50, 390, 40);
    Note->SetAutoSize(false);
    Note->SetBorderOuter(fsGroove);
    Note->SetTextStyle(tsRecessed);
    Note->SetLayout(tlCenter);
    Note->SetAlignment(taCenter);
    Note->Font()->SetHeight(-14);
    Note->SetCaption("Ценники печатаются по отмеченным строкам"_a);

    auto* Texture = new Tyl_Image(Form.get());
    Texture->SetParent(Right);
    Texture->SetBounds(8, Y + 100, 390, 30);
    TBitmap Tile;
    Tile.SetSize(8, 8);
    Tile.Canvas()->Brush()->SetColor(clBtnFace);
    Tile.Canvas()->FillRect({0, 0, 8, 8});
    Tile.Canvas()->SetPixels(1, 1, clBtnShadow);
    Tile.Canvas()->SetPixels(5, 5, clBtnHighlight);
    Texture->Picture()->SetGraphic(&Tile);

    Form->Show();
    auto Bmp = Render(Form.get());
    SavePng(*Bmp, "components-demo");
    EXPECT_EQ(PixelOf(*Bmp, 3, 3), Rgb(clTeal)) << "the title band";
    EXPECT_EQ(Splitter->AlignControl(), Left);
}
