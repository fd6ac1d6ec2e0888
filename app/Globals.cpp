#include "app/Globals.h"

#include "common/base/AppOptions.h"
#include "common/base/Funcs.h"
#include "common/base/IniFiles.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/classes/Object.h"
#include "platform/classes/UpdateScope.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"

TCfgObject* gCfgObject = nullptr;
AnsiString gTxtPath;

namespace {

const char* const CfgSection = "Configuration";
const char* const ErrorsSection = "Errors";

/// Nesting count of GlobalsInitialization: only the outermost pair acts.
int gInitCount = 0;

}  // namespace

PRICETAGS_DEFINE_CLASS(TCfgObject,
    Property("Customer", &TCfgObject::Customer, &TCfgObject::Customer),
    Property("LastDate", &TCfgObject::LastDate, &TCfgObject::LastDate),
    Property("Error", &TCfgObject::Error, &TCfgObject::Error),
    Property("xlFileName", &TCfgObject::xlFileName, &TCfgObject::xlFileName),
    Property("xlArtcleFileName", &TCfgObject::xlArtcleFileName, &TCfgObject::xlArtcleFileName),
    Property("rpFileName", &TCfgObject::rpFileName, &TCfgObject::rpFileName),
    Property("CalcAll", &TCfgObject::CalcAll, &TCfgObject::CalcAll),
    Property("Deb", &TCfgObject::Deb, &TCfgObject::Deb),
    Property("Log", &TCfgObject::Log, &TCfgObject::Log),
    Property("RoundType", &TCfgObject::RoundType, &TCfgObject::RoundType),
    Property("TicketType", &TCfgObject::TicketType, &TCfgObject::TicketType),
    Property("PriceStyle", &TCfgObject::PriceStyle, &TCfgObject::PriceStyle),
    Property("PriceStyleRep", &TCfgObject::PriceStyleRep, &TCfgObject::PriceStyleRep),
    Property("PriceStyleXxx", &TCfgObject::PriceStyleXxx, &TCfgObject::PriceStyleXxx),
    Property("Rub", &TCfgObject::Rub, &TCfgObject::Rub),
    Property("Kop", &TCfgObject::Kop, &TCfgObject::Kop),
    Property("ByCard", &TCfgObject::ByCard, &TCfgObject::ByCard),
    Property("FindTickets", &TCfgObject::FindTickets, &TCfgObject::FindTickets),
    Property("WarrantyByDays", &TCfgObject::WarrantyByDays, &TCfgObject::WarrantyByDays),
    Property("Provider", &TCfgObject::Provider, &TCfgObject::Provider),
    Property("ResponsFIO", &TCfgObject::ResponsFIO, &TCfgObject::ResponsFIO),
    Property("Depart", &TCfgObject::Depart, &TCfgObject::Depart),
    Property("NumberOut", &TCfgObject::NumberOut, &TCfgObject::NumberOut))

TCfgObject::TCfgObject()
{
    // One object is meant to exist; a second one replaces the first as the
    // global, as the original's caught assertion did.
    gCfgObject = this;
    SetFileName(GetAppIniName());
    SetSectionName(CfgSection);
    Customer = "Магазин \"Магазин\""_a;
    LastDate = Date();
    Rub = "руб."_a;
    Kop = "коп."_a;
    ByCard = "По карте:"_a;
    AddSection(ErrorsSection)->AddParams({"Error"});
}

TCfgObject::~TCfgObject()
{
    if (gCfgObject == this)
        gCfgObject = nullptr;
}

void GlobalsInitialization()
{
    if (gInitCount++ > 0)
        return;
    SetCurrentDir(GetStartDir());
    new TCfgObject();
    gDeveloperMode = FileExists(GetStartDir() + GetExeName() + ".111");
    gTxtPath = GetStartDir() + "TXT/";
    EnsureDir(gTxtPath);
}

void GlobalsFinalization()
{
    if (gInitCount == 0 || --gInitCount > 0)
        return;
    delete gCfgObject;
    gCfgObject = nullptr;
    gTxtPath = AnsiString();
}

void AppStartHook()
{
    if (Screen)
        Screen->SetCursor(crAppStart);
    LoadCfgSection();
}

void LoadCfgSection()
{
    gCfgObject->LoadSection(CfgSection);
    // Error is kept in its own section, which a load of "Configuration"
    // passes over; it is read from there so that it comes back as saved.
    gCfgObject->LoadSection(ErrorsSection);
}

void SaveCfgSection()
{
    if (!gCanSaveSettings)
        return;
    // Each section's save moves it to the end of the file; the file is
    // written once, after both, so that an unchanged configuration leaves
    // it as it was (two flushes wrote it twice at every exit).
    const auto SaveBoth = [] {
        gCfgObject->SaveSection(CfgSection);
        // A save of "Configuration" skips the parameters of other sections:
        // "Errors" is written by itself so that Error is not lost.
        gCfgObject->SaveSection(ErrorsSection);
    };
    TIniFile* Ini = gCfgObject->GetIniFile();
    if (!Ini) {
        SaveBoth();
        return;
    }
    const UpdateScope<TIniFile> WriteOnce(*Ini);
    SaveBoth();
}

void TraceMsg(const AnsiString& Text, bool Force)
{
    if (Force || (gCfgObject && gCfgObject->Log))
        LogMessage(Text, 1);
}
