#include "app/About.h"

#include "app/Globals.h"
#include "common/components/FuncsVCL.h"
#include "common/base/ylVerInf.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"

PRICETAGS_DEFINE_CLASS(TFormAbout)

namespace {

TLabel* CentredLabel(TFormAbout* Form, const char* Name, int Top, int Height)
{
    auto* L = new TLabel(Form);
    L->SetName(Name);
    L->SetParent(Form);
    L->SetAutoSize(false);
    L->SetAlignment(taCenter);
    L->SetWordWrap(true);
    L->SetBounds(12, 34 + Top, Form->ClientWidth() - 24, Height);
    return L;
}

} // namespace

AnsiString AppVersionText()
{
    return VersionNumberToString(AppVersionInfo()->GetFileVersionNumber());
}

AnsiString AppVersionLine()
{
    const TVersionNumber V = AppVersionInfo()->GetFileVersionNumber();
    AnsiString Line = Format("v%d.%d.%d", {static_cast<int>(V.MS >> 16),
                                           static_cast<int>(V.MS & 0xFFFF),
                                           static_cast<int>(V.LS >> 16)});
    TDateTime Stamp;
    if (FileAge(AppModuleFileName(), Stamp))
        Line += Format(" (%s)", {FormatDateTime("dd.mm.yyyy hh:nn", Stamp)});
    return Line;
}

TFormAbout::TFormAbout(TComponent* AOwner) : TFormNewInput(AOwner)
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    SetComponentsFonts(this, {nullptr});
    lbCustom->Font()->SetStyle({fsBold});
    lbSite->Font()->SetColor(clNavy);
}

TFormAbout::~TFormAbout() = default;

void TFormAbout::BuildControls()
{
    SetName("FormAbout");
    SetCaption("О программе"_a);
    lbMode->SetCaption("Velkor");
    SetBodySize(380, 130);
    btCancel->SetVisible(false);
    btOk->SetLeft((ClientWidth() - btOk->Width()) / 2);

    lbCustom = CentredLabel(this, "lbCustom", 10, 20);
    lbCustom->SetCaption(gCfgObject ? gCfgObject->Customer : AnsiString());
    lbAppName = CentredLabel(this, "lbAppName", 36, 32);
    lbAppName->SetCaption("Импорт накладных, расчет наценок и печать ценников"_a);
    lbVersData = CentredLabel(this, "lbVersData", 74, 16);
    lbVersData->SetCaption(AppVersionLine());
    lbSite = CentredLabel(this, "lbSite", 100, 16);
    lbSite->Font()->SetColor(clNavy);
    lbSite->SetCaption("pricetags.local");
}
