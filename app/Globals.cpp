#include "app/Globals.h"

#include "common/AppOptions.h"
#include "common/Funcs.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "platform/classes/Object.h"
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

TClass TCfgObject::StaticClass()
{
    using C = TCfgObject;
    static const MetaClass Class = MetaClass::Make<C>("TCfgObject", {
        Property("Customer", &C::Customer, &C::Customer),
        Property("LastDate", &C::LastDate, &C::LastDate),
        Property("Error", &C::Error, &C::Error),
        Property("xlFileName", &C::xlFileName, &C::xlFileName),
        Property("xlArtcleFileName", &C::xlArtcleFileName, &C::xlArtcleFileName),
        Property("rpFileName", &C::rpFileName, &C::rpFileName),
        Property("CalcAll", &C::CalcAll, &C::CalcAll),
        Property("Deb", &C::Deb, &C::Deb),
        Property("Log", &C::Log, &C::Log),
        Property("RoundType", &C::RoundType, &C::RoundType),
        Property("TicketType", &C::TicketType, &C::TicketType),
        Property("PriceStyle", &C::PriceStyle, &C::PriceStyle),
        Property("PriceStyleRep", &C::PriceStyleRep, &C::PriceStyleRep),
        Property("PriceStyleXxx", &C::PriceStyleXxx, &C::PriceStyleXxx),
        Property("Rub", &C::Rub, &C::Rub),
        Property("Kop", &C::Kop, &C::Kop),
        Property("ByCard", &C::ByCard, &C::ByCard),
        Property("FindTickets", &C::FindTickets, &C::FindTickets),
        Property("WarrantyByDays", &C::WarrantyByDays, &C::WarrantyByDays),
        Property("Provider", &C::Provider, &C::Provider),
        Property("ResponsFIO", &C::ResponsFIO, &C::ResponsFIO),
        Property("Depart", &C::Depart, &C::Depart),
        Property("NumberOut", &C::NumberOut, &C::NumberOut),
    });
    return &Class;
}

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
    gCfgObject->SaveSection(CfgSection);
    // A save of "Configuration" skips the parameters of other sections:
    // "Errors" is written by itself so that Error is not lost.
    gCfgObject->SaveSection(ErrorsSection);
}

void TraceMsg(const AnsiString& Text, bool Force)
{
    if (Force || (gCfgObject && gCfgObject->Log))
        LogMessage(Text, 1);
}
