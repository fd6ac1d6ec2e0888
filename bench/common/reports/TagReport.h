#pragma once

// The report the report benchmarks build: a shop's largest print run of
// price tags of 40 x 60 mm, four across and four down an A4 sheet, each
// with a frame, a wrapped name, the price in large bold type, the card
// price and the date; and the host that answers its rows.

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_View.h"

#include "bench/support/BenchWindows.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Numbers.h"

namespace tagreport {

constexpr int TagWidth = 151;   // 40 mm
constexpr int TagHeight = 227;  // 60 mm
constexpr int Across = 4;

inline void AddText(TDocument& Doc, const TRect& R, const AnsiString& Text, int Size,
                    Word Style, Cardinal Align, Word Frame = 0)
{
    auto* V = new TView(vkText, &Doc);
    V->SetBoundsRect(R);
    V->Lines->SetText(Text);
    V->FontSize = Size;
    V->FontStyle = Style;
    V->Alignment = Align;
    V->FrameTyp = Frame;
    V->FrameWidth = Frame ? 2 : 1;
    Doc.CurrentPage()->AddView(V);
}

inline void TagTemplate(TDocument& Doc)
{
    Doc.New();
    auto* Band = new TView(vkBandArea, &Doc);
    Band->BandTyp = btMasterData;
    Band->SetTop(0);
    Band->SetHeight(TagHeight);
    Doc.CurrentPage()->AddView(Band);
    for (int I = 0; I < Across; ++I) {
        const int L = I * TagWidth;
        const AnsiString N = IntToStr(I);
        AddText(Doc, Rect(L, 0, L + TagWidth, TagHeight), "", 8, 0, 0, 0x0F);
        AddText(Doc, Rect(L + 6, 6, L + 145, 70), "[NAME" + N + "]", 10, 2, 2 | 0x200);
        AddText(Doc, Rect(L + 6, 80, L + 145, 140), "[PRICE" + N + "]", 22, 2, 2 | 0x80);
        AddText(Doc, Rect(L + 6, 130, L + 145, 146), "руб."_a, 9, 0, 1);
        AddText(Doc, Rect(L + 6, 150, L + 145, 180), "По карте: "_a + "[CARD" + N + "]", 9, 0,
                2);
        AddText(Doc, Rect(L + 6, 196, L + 145, 220), "[DATE]", 7, 0, 1);
    }
}

/// Tag rows: a band row shows the next four tags.
class TagHost {
public:
    TagHost(TDocument& Doc, int Tags) : FDoc(Doc), FTags(Tags)
    {
        Doc.OnGetValue = TDetailEvent(this, &TagHost::GetValue);
        Doc.OnNeedData = TNeedDataEvent(this, &TagHost::NeedData);
    }
    void GetValue(TObject*, TBandType, const AnsiString& Name, AnsiString& Value)
    {
        if (Name == "DATE") {
            Value = "10.12.2026";
            return;
        }
        const int Tag = (FDoc.LineMaster - 1) * Across + (Name[Name.Length()] - '0');
        if (Tag >= FTags) {
            Value = "";
            return;
        }
        const AnsiString Kind = Name.SubString(1, Name.Length() - 1);
        if (Kind == "NAME")
            Value = "Сыр российский весовой, арт. "_a + IntToStr(Tag + 1);
        else if (Kind == "PRICE")
            Value = IntToStr(100 + Tag % 900) + ",00";
        else if (Kind == "CARD")
            Value = IntToStr(90 + Tag % 900) + ",50";
    }
    void NeedData(TObject*, TBandType b, bool& NeedMore)
    {
        NeedMore = b == btMasterData && FDoc.LineMaster * Across < FTags;
    }

private:
    TDocument& FDoc;
    int FTags;
};

}  // namespace tagreport
