#include "exceptionlog/ExceptionLog.h"

#include "exceptionlog/ExceptionProcessing.h"
#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <vector>

namespace {

struct ExceptionLogState {
    bool Active = false;
    AnsiString ModuleName;
    AnsiString StartFolder;
    TDateTime StartTime = 0;
    std::unique_ptr<TRazuroModuleOptions> Options;
    std::unique_ptr<ModuleRecord> MainModule;
    bool DebugWanted = false;
    StartupSteps Steps;
};

ExceptionLogState& State()
{
    static ExceptionLogState S;
    return S;
}

// The module file ActivateStep works on (a section procedure takes no
// arguments).
AnsiString& PendingModule()
{
    static AnsiString Name;
    return Name;
}

void DefaultProgramLogWriter(const AnsiString& Text)
{
    const AnsiString Folder = State().StartFolder.IsEmpty() ? GetCurrentDir() : State().StartFolder;
    const AnsiString File = IncludeTrailingPathDelimiter(Folder) +
                            ChangeFileExt(ExtractFileName(ParamStr(0)), ".log");
    std::ofstream Out(File.ToUtf8(), std::ios::binary | std::ios::app);
    // The program log's own entry form.
    const AnsiString Line = DateTimeToStr(Now()) + ": " + Text + "\r\n";
    Out.write(Line.Data(), Line.Length());
}

ProgramLogWriter gProgramLogWriter = DefaultProgramLogWriter;
HangDetectionSwitch gHangDetectionSwitch = nullptr;

std::mutex& PasswordLock()
{
    static std::mutex M;
    return M;
}

std::vector<PasswordRequestHandler>& PasswordHandlers()
{
    static std::vector<PasswordRequestHandler> H;
    return H;
}

// The password is asked for from the start-up constructor, before the
// unit's ordinary static objects exist: a function-local object is made on
// first use.
AnsiString& ProcessPassword()
{
    static AnsiString Password;
    return Password;
}

void FillModuleFileFacts(ModuleRecord& Rec)
{
    struct stat St{};
    if (::stat(Rec.FileName.ToUtf8().c_str(), &St) == 0) {
        Rec.FileSize = St.st_size;
        FileAge(Rec.FileName, Rec.Modified);
    }
    Rec.Kind = 1;
}

void ActivateStep()
{
    ExceptionLogState& S = State();
    SetInternalErrorHandler(ReportInternalError);
    S.Active = true;
    S.ModuleName = PendingModule();
    S.StartFolder = GetCurrentDir();
    S.StartTime = Now();

    auto Rec = std::make_unique<ModuleRecord>();
    Rec->FileName = S.ModuleName;
    Rec->Options =
        std::make_unique<TRazuroModuleOptionsEx>(S.ModuleName, /*ANotifyOnChange=*/true);
    bool Found = false;
    try {
        TFileStream File(S.ModuleName, fmOpenRead | fmShareDenyNone);
        Found = ReadModuleBlock(File, S.DebugWanted, RequestPassword, *Rec);
    } catch (const Exception& E) {
        // A damaged block must not stop the program: it runs without the
        // exception log, and the reason goes to the program log.
        S.Active = false;
        WriteProgramLog("Exception log off: " + E.Message + " (" + S.ModuleName + ")");
        return;
    }
    if (!Found) {
        S.Active = false;
        return;
    }
    FillModuleFileFacts(*Rec);
    S.Options = std::make_unique<TRazuroModuleOptions>();
    S.MainModule = std::move(Rec);
    if (S.Steps.Start)
        S.Steps.Start();
}

void DeactivateStep()
{
    ExceptionLogState& S = State();
    if (S.Steps.Stop)
        S.Steps.Stop();
    S.MainModule.reset();
    S.Options.reset();
    S.Active = false;
}

}  // namespace

PasswordRequestHandler gPasswordRequestProc = nullptr;

TClass TRazuroModuleOptionsEx::StaticClass()
{
    static const MetaClass Class =
        MetaClass::Make<TRazuroModuleOptionsEx>("TRazuroModuleOptionsEx");
    return &Class;
}

HangDetectionSwitch SetHangDetectionSwitch(HangDetectionSwitch Switch)
{
    const HangDetectionSwitch Old = gHangDetectionSwitch;
    gHangDetectionSwitch = Switch;
    return Old;
}

void TRazuroModuleOptionsEx::SetActivate(bool Value)
{
    inherited::SetActivate(Value);
    SwitchHangDetection();
}

void TRazuroModuleOptionsEx::SetFreezeActive(bool Value)
{
    inherited::SetFreezeActive(Value);
    SwitchHangDetection();
}

void TRazuroModuleOptionsEx::SwitchHangDetection() const
{
    if (gHangDetectionSwitch && !ModuleName.IsEmpty() && ModuleName == State().ModuleName)
        gHangDetectionSwitch(Activate() && FreezeActive());
}

bool ExceptionLogActive()
{
    return State().Active;
}

bool ActivateExceptionLog(const AnsiString& ModuleFile)
{
    if (State().Active)
        return true;
    PendingModule() = ModuleFile;
    RunSection(ActivateStep, "ExceptionLog.Init");
    return State().Active;
}

void DeactivateExceptionLog()
{
    if (State().Active)
        RunSection(DeactivateStep, "ExceptionLog.Done");
}

TRazuroModuleOptions* GlobalOptions()
{
    return State().Options.get();
}

ModuleRecord* MainModuleRecord()
{
    return State().MainModule.get();
}

TDateTime ActivationTime()
{
    return State().StartTime;
}

AnsiString StartupFolder()
{
    return State().StartFolder;
}

AnsiString ExceptionLogModuleName()
{
    return State().ModuleName;
}

void SetDebugDataWanted(bool Wanted)
{
    State().DebugWanted = Wanted;
}

void SetStartupSteps(const StartupSteps& Steps)
{
    State().Steps = Steps;
}

void WriteProgramLog(const AnsiString& Text)
{
    if (gProgramLogWriter)
        gProgramLogWriter(Text);
}

ProgramLogWriter SetProgramLogWriter(ProgramLogWriter Writer)
{
    const ProgramLogWriter Old = gProgramLogWriter;
    gProgramLogWriter = Writer;
    return Old;
}

void AddPasswordRequestHandler(PasswordRequestHandler Handler)
{
    const std::lock_guard<std::mutex> Lock(PasswordLock());
    PasswordHandlers().push_back(Handler);
}

void RemovePasswordRequestHandler(PasswordRequestHandler Handler)
{
    const std::lock_guard<std::mutex> Lock(PasswordLock());
    auto& H = PasswordHandlers();
    H.erase(std::remove(H.begin(), H.end(), Handler), H.end());
}

AnsiString RequestPassword()
{
    unsigned char Buffer[256] = {};
    RazuroLog_PasswordRequestEvent(Buffer, 255);
    return AnsiString(reinterpret_cast<const char*>(Buffer + 1), Buffer[0]);
}

extern "C" void RazuroLog_PasswordRequestEvent(unsigned char* Buffer, int MaxLength)
{
    if (!Buffer)
        return;
    const int Max = std::clamp(MaxLength, 0, 255);
    std::vector<PasswordRequestHandler> Handlers;
    {
        const std::lock_guard<std::mutex> Lock(PasswordLock());
        Handlers = PasswordHandlers();
    }
    AnsiString& Password = ProcessPassword();
    Password =
        AnsiString(reinterpret_cast<const char*>(Buffer + 1), std::min<int>(Buffer[0], Max));
    for (const PasswordRequestHandler H : Handlers)
        H(Password);
    if (gPasswordRequestProc)
        gPasswordRequestProc(Password);
    const int Len = std::min(Password.Length(), Max);
    Buffer[0] = static_cast<unsigned char>(Len);
    if (Len > 0)
        std::memcpy(Buffer + 1, Password.Data(), size_t(Len));
}

namespace {

// The exception log tests the program file before the program's own start-up
// runs, and lets go at exit. The exit step is registered after the state
// exists, so it runs before the state is destroyed (a destructor function
// would run after every static object is gone).
void ExceptionLogShutdown()
{
    DeactivateExceptionLog();
}

[[gnu::constructor(101)]] void ExceptionLogStartup()
{
    (void)State();
    RegisterExceptionLogParts();
    std::atexit(ExceptionLogShutdown);
    ActivateExceptionLog(ParamStr(0));
}

}  // namespace
