#include "app/AppMain.h"

#include "app/DMInvoice.h"
#include "app/Globals.h"
#include "app/InvFRep.h"
#include "app/LogInfo.h"
#include "app/MainInvoice.h"
#include "app/ShippedTemplates.h"
#include "app/StateSnapshot.h"
#include "app/uFormXL.h"
#include "common/components/DateUtil.h"
#include "common/base/Funcs.h"
#include "common/components/FuncsVCL.h"
#include "common/base/IniFiles.h"
#include "common/components/MsgWin.h"
#include "common/components/YLDCompn.h"
#include "common/reports/RP_Printer.h"
#include "common/components/ylConst.h"
#include "common/vtree/VTreeScaling.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Timers.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"

#include <cstdlib>

namespace {

/// The application's handler of exceptions that escape a command.
class AppExceptionHandler : public TObject {
public:
    void Handle(TObject*, Exception* E)
    {
        if (!E || dynamic_cast<EAbort*>(E))
            return;
        // ErrorMsg writes the program's log before it shows the window.
        ErrorMsg(E->Message);
    }
};

AppExceptionHandler& ExceptionHandler()
{
    static AppExceptionHandler Handler;
    return Handler;
}

/// Closes the main window at its first tick after the window was painted
/// (the smoke test's quit: a start timed to its end has shown a frame).
class QuitTimer : public TObject {
public:
    explicit QuitTimer(Cardinal Ms) : FTimer(std::make_unique<TTimer>(nullptr))
    {
        if (TCustomForm* Main = Application->MainForm()) {
            FOuterPaint = Main->OnPaint;
            Main->OnPaint = TNotifyEvent(this, &QuitTimer::Painted);
        }
        FTimer->SetInterval(Ms);
        FTimer->OnTimer = TNotifyEvent(this, &QuitTimer::Fire);
        FTimer->SetEnabled(true);
    }
    ~QuitTimer() override
    {
        if (TCustomForm* Main = Application->MainForm())
            Main->OnPaint = FOuterPaint;
    }

private:
    void Painted(TObject* Sender)
    {
        FPainted = true;
        FOuterPaint(Sender);
    }
    void Fire(TObject*)
    {
        if (!FPainted)
            return;
        FTimer->SetEnabled(false);
        if (Application->MainForm())
            Application->MainForm()->Close();
    }
    std::unique_ptr<TTimer> FTimer;
    TNotifyEvent FOuterPaint;
    bool FPainted = false;
};

} // namespace

void AppUnitsInitialization()
{
    FuncsInitialization();
    MsgWinInitialization();
    YLDCompnInitialization();
    RegisterTreeClasses();
    ylConstInitialization();
    DateUtilInitialization();
    GlobalsInitialization();
    RegisterTreeScaling();
    SetMsgWindowsEnabled(true);
}

void AppUnitsFinalization()
{
    SetMsgWindowsEnabled(false);
    GlobalsFinalization();
    FuncsVCLFinalization();
    MsgWinFinalization();
    FuncsFinalization();
    IniFilesFinalization();
}

void InstallAppExceptionHandler()
{
    Application->OnException = TExceptionEvent(&ExceptionHandler(), &AppExceptionHandler::Handle);
}

void CreateAppWindows()
{
    Application->Initialize();
    InstallAppExceptionHandler();
    try {
        AppStartHook();
    } catch (const Exception& E) {
        // Keys that could be read keep their values; the rest their defaults.
        Screen->SetCursor(crDefault);
        ErrorMsg(E.Message);
    }
    // A first start, or a template the shop deleted: the shipped ones go
    // into TXT before the main window lists the tag kinds.
    InstallShippedTemplates(gTxtPath);
    // Documents measure their pages on, and print to, the process's printer.
    InstallReportPrinter(PlatformReportPrinter());
    InstallReportPrintJob(PlatformReportPrintJob());
    SetApplicationFonts({nullptr});
    Application->SetTitle("Velkor");
    TFormMain* Main = nullptr;
    Application->CreateForm(TFormMain::StaticClass(), Main);
    Application->CreateForm(TFormXL::StaticClass(), FormXL);
    TFormView* View = nullptr;
    Application->CreateForm(TFormView::StaticClass(), View);
    new TDM(Application);
    Application->CreateForm(TFormFRep::StaticClass(), FormFRep);
}

bool RestForms()
{
    try {
        TraceMsg("RestForms", false);
        SetApplicationFonts({nullptr});
        RestoreFormPosition(FormXL);
        RestoreFormPosition(FormMain);
        gFormsRestored = true;
        FormMain->SetupFromConfig();
        Screen->SetCursor(crDefault);
        gCanSaveSettings = true;
        return true;
    } catch (const Exception& E) {
        if (AskYesNo("Ошибка инициализации приложения:\\n"_a + E.Message,
                     "Прервать выполнение ?"_a, false))
            return false;
        Screen->SetCursor(crDefault);
        return true;
    }
}

void FinishForms()
{
    try {
        if (FormMain)
            SaveFormPosition(FormMain);
        if (FormXL)
            SaveFormPosition(FormXL);
        if (gCanSaveSettings && FormMain) {
            FormMain->StoreToConfig();
            SaveCfgSection();
        }
    } catch (const EAbort&) {
        throw;
    } catch (const Exception& E) {
        ErrorMsgAbort("Ошибка завершения программы\\n"_a + E.Message);
    }
}

void FreeAppWindows()
{
    InstallReportPrintJob(nullptr);
    InstallReportPrinter(nullptr);
    delete DM;
    delete FormView;
    delete FormXL;
    delete FormMain;
    Application->SetMainForm(nullptr);
}

int RunApplication()
{
    AppUnitsInitialization();
    CreateAppWindows();
    if (RestForms()) {
        std::unique_ptr<QuitTimer> Quit;
        if (const char* Ms = std::getenv("PRICETAGS_QUIT_AFTER_MS"))
            Quit = std::make_unique<QuitTimer>(static_cast<Cardinal>(std::atoi(Ms)));
        gAppRunning = true;
        StartStateSnapshots();
        Application->Run();
        StopStateSnapshots();
        gAppRunning = false;
        try {
            FinishForms();
        } catch (const EAbort&) {
            // Shown and logged already; the program ends without saving more.
        }
    }
    FreeAppWindows();
    AppUnitsFinalization();
    return 0;
}
