#pragma once

// What the tests of the program's windows share: a fresh start-up folder
// with its configuration and TXT/ folder, the message windows on and every
// message answered and recorded, dialogs answered by their class, and PNG
// renders (under PRICETAGS_PNG_DIR, else /tmp/pricetags-app).

#include "app/Globals.h"
#include "common/base/Funcs.h"
#include "common/components/MsgWin.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/InputSimulation.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace app_test {

/// One question or message the program put to the operator.
struct Asked {
    std::string Routine;
    std::string Title;
    std::string Text;
};

/// A start-up folder for the program's windows: configuration, TXT/,
/// message windows on; messages recorded and answered by Answer (default:
/// the default button).
class WindowsScope {
public:
    WindowsScope()
        : FAnswers([this](const MsgRequest& R) {
              Messages.push_back({R.Routine.ToUtf8(), R.Title.ToUtf8(), R.Text.ToUtf8()});
              return Answer ? Answer(R) : R.DefaultButton;
          })
    {
        SetMsgWindowsEnabled(true);
    }
    ~WindowsScope()
    {
        SetMsgWindowsEnabled(false);
    }
    WindowsScope(const WindowsScope&) = delete;
    WindowsScope& operator=(const WindowsScope&) = delete;

    /// What the messages of Routine said ("ShowErrorWindow" for the error
    /// window, "MsgDialog" for questions and choices): the title line, or
    /// the message line when there is no title, or both joined by "|".
    std::vector<std::string> Said(const std::string& Routine) const
    {
        std::vector<std::string> R;
        for (const Asked& A : Messages)
            if (A.Routine == Routine)
                R.push_back(A.Title.empty() ? A.Text
                            : A.Text.empty() ? A.Title : A.Title + "|" + A.Text);
        return R;
    }

    ConfigScope Config;
    std::vector<Asked> Messages;
    std::function<int(const MsgRequest&)> Answer;

private:
    TxtFolderScope FTxt{Config};
    MsgAnswerHookScope FAnswers;
};

/// Answers the modal windows of class T with Fn (run once per window; the
/// window is cancelled when Fn leaves it open).
template <class T>
class AnswerScope {
public:
    explicit AnswerScope(std::function<void(T&)> Fn)
        : FHook([this](TCustomForm& Form) {
              auto* F = dynamic_cast<T*>(&Form);
              if (!F || FSeen == &Form) {
                  Form.SetModalResult(mrCancel);
                  return;
              }
              FSeen = &Form;
              ++Shown;
              FFn(*F);
              // A closed window may be followed by another at the same address.
              if (Form.ModalResult() != mrNone)
                  FSeen = nullptr;
          }),
          FFn(std::move(Fn))
    {
    }
    int Shown = 0;

private:
    ModalHookScope FHook;
    std::function<void(T&)> FFn;
    TCustomForm* FSeen = nullptr;
};

/// Writes a window's render as <Name>.png for a look.
inline void KeepPng(TWinControl* Control, const std::string& Name)
{
    Application->ProcessMessages();
    TBitmap Shot;
    GrabWindow(Control, &Shot);
    const char* Dir = std::getenv("PRICETAGS_PNG_DIR");
    const std::filesystem::path Folder = Dir ? Dir : "/tmp/pricetags-app";
    std::filesystem::create_directories(Folder);
    WriteBytes(Folder / (Name + ".png"), Shot.SaveToPngBytes());
}

inline std::string U(const AnsiString& S)
{
    return S.ToUtf8();
}

} // namespace app_test
