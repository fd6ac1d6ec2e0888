#pragma once

// The program's configuration and start-up globals. TCfgObject is the one
// configuration object: its published properties live in section
// "Configuration" of the program ini (GetAppIniName(): the start-up folder,
// the program's name and ".ini"); Error alone lives in section "Errors".
// gCfgObject holds it from GlobalsInitialization() to GlobalsFinalization();
// every window and the invoice model read their settings through it.
// gTxtPath is the templates' and article file's folder, GetStartDir() +
// "TXT/".

#include "common/base/AppOptions.h"
#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Types.h"

class TCfgObject : public TAppOptions {
    PRICETAGS_CLASS(TCfgObject, TAppOptions)
public:
    /// Sets gCfgObject to the new object (a second one replaces the first),
    /// the file to GetAppIniName(), the section to "Configuration" and every
    /// property to its default. Does not load.
    TCfgObject();
    /// Clears gCfgObject when it is this object.
    ~TCfgObject() override;

    // Published, in this order (the order of the saved keys).
    AnsiString Customer;
    /// Today's date when the object is created.
    TDateTime LastDate;
    Integer Error = 0;
    AnsiString xlFileName;
    AnsiString xlArtcleFileName;
    AnsiString rpFileName;
    bool CalcAll = false;
    bool Deb = false;
    /// Start-up trace lines are logged while true.
    bool Log = true;
    /// Rounding mode: 0 off, 1 "до 1", 2 "Крупно".
    Integer RoundType = 0;
    Integer TicketType = 0;
    /// Price display styles of price tags, statements and lists.
    Integer PriceStyle = 0;
    Integer PriceStyleRep = 0;
    Integer PriceStyleXxx = 0;
    AnsiString Rub;
    AnsiString Kop;
    AnsiString ByCard;
    bool FindTickets = false;
    bool WarrantyByDays = false;
    AnsiString Provider;
    AnsiString ResponsFIO;
    AnsiString Depart;
    AnsiString NumberOut;
};

/// The configuration object; null outside GlobalsInitialization() ..
/// GlobalsFinalization(). Not owned by its readers.
extern TCfgObject* gCfgObject;
/// GetStartDir() + "TXT/", with the trailing delimiter.
extern AnsiString gTxtPath;

/// The unit's start-up work, once (later calls do nothing until the
/// matching finalisation): makes the start-up folder current, creates
/// gCfgObject (not loaded), sets gDeveloperMode from the marker file
/// GetStartDir() + GetExeName() + ".111", and creates gTxtPath with its
/// missing parents. Raises the file error when the folder cannot be made.
void GlobalsInitialization();
/// Frees gCfgObject and clears gTxtPath; the configuration is not saved.
void GlobalsFinalization();

/// The program's start hook, run once the application object is
/// initialised and before any window exists: the screen (when there is
/// one) shows the application-start cursor, then LoadCfgSection. Raises
/// what LoadCfgSection raises.
void AppStartHook();
/// Loads section "Configuration" into gCfgObject; missing keys keep their
/// values. Errors are raised together as one Exception headed
/// "  ---  Ошибки чтения параметров".
void LoadCfgSection();
/// While gCanSaveSettings is true, erases section "Configuration" and writes
/// every property again; does nothing otherwise.
void SaveCfgSection();
/// Logs Text with kind 1 when Force or gCfgObject->Log is true.
void TraceMsg(const AnsiString& Text, bool Force);
